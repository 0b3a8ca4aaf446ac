/* A program outside the project that uses the installed workbook library: writes a
 * book, reads it back, and checks what came back. */
#include <celvane.h>
#include <stdio.h>
#include <string.h>

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    if (XlsCreateBook(argv[1], 97, 1, NULL) != 1) return 10;
    if (XlsPutStr("installed", "A1") != 1 || XlsPutLong(4100, "B2") != 1 || XlsPutDouble(2.5, "C3") != 1) return 11;
    if (XlsCloseBook(1) != 1) return 12;

    BookHandle h;
    if (XlsReadBook(argv[1], &h) != 1) return 20;
    char text[64] = "";
    int n = 0;
    double d = 0;
    if (XlsGetStr(text, (int)sizeof text, "A1") != 1 || strcmp(text, "installed") != 0) return 21;
    if (XlsGetLong(&n, "B2") != 1 || n != 4100) return 22;
    if (XlsGetDouble(&d, "C3") != 1 || d != 2.5) return 23;
    XlsCloseBook(0);
    printf("workbook written and read back\n");
    return 0;
}
