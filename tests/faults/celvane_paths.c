/* Hands one path to every entry point of libcelvane that takes a file name, and
 * prints each result as "NAME RESULT". Usage: celvane_paths input PATH OUTDIR
 * (PATH as the book read, the template or the book rewritten; new books go to OUTDIR)
 * or celvane_paths target PATH (PATH as the book created). */
#include <celvane.h>

#include <stdio.h>
#include <string.h>

static void show(const char* name, int rc) { printf("%s %d\n", name, rc); }

static void asInput(const char* path, const char* outdir) {
    char made[4096];
    snprintf(made, sizeof made, "%s/made.xls", outdir);
    int b = XM_ReadOpen(path);
    show("XM_ReadOpen", b);
    if (b >= 0) XM_ReadClose(b);
    b = XL_ReadOpen(path);
    show("XL_ReadOpen", b);
    if (b >= 0) XL_ReadClose();
    BookHandle h = 0;
    int ok = XlsReadBook(path, &h);
    show("XlsReadBook", ok ? 0 : -1);
    if (ok) XlsCloseBook(0);
    b = XM_CreateT(made, path);
    show("XM_CreateT", b);
    if (b >= 0) XM_Cancel(b);
    b = XL_CreateT(made, path);
    show("XL_CreateT", b);
    if (b >= 0) XL_Cancel();
    b = XM_Open(made, path);
    show("XM_Open(source)", b);
    if (b >= 0) XM_Cancel(b);
    ok = XlsOpenBook(made, path, &h);
    show("XlsOpenBook(source)", ok ? 0 : -1);
    if (ok) XlsCloseBook(0);
    /* Rewriting in place: the file itself is the template. */
    b = XM_Open(path, NULL);
    show("XM_Open(in place)", b);
    if (b >= 0) show("XM_OpenClose", XM_OpenClose(b));
    b = XL_Open(path, NULL);
    show("XL_Open(in place)", b);
    if (b >= 0) XL_Cancel();
}

static void asTarget(const char* path) {
    int b = XM_Create(path, 1);
    show("XM_Create", b);
    if (b >= 0) {
        XM_WriteStr(b, 0, 0, 0, "text");
        show("XM_Close", XM_Close(b));
    }
    b = XM_Create97(path, 1);
    show("XM_Create97", b);
    if (b >= 0) {
        XM_WriteStr(b, 0, 0, 0, "text");
        show("XM_Close(97)", XM_Close(b));
    }
    BookHandle h = 0;
    int ok = XlsCreateBook(path, 8, 1, &h);
    show("XlsCreateBook", ok ? 0 : -1);
    if (ok) {
        XlsPutStr("text", "A1");
        show("XlsCloseBook", XlsCloseBook(1) ? 0 : -1);
    }
}

int main(int argc, char** argv) {
    if (argc == 4 && strcmp(argv[1], "input") == 0) {
        asInput(argv[2], argv[3]);
        return 0;
    }
    if (argc == 3 && strcmp(argv[1], "target") == 0) {
        asTarget(argv[2]);
        return 0;
    }
    fprintf(stderr, "usage: celvane_paths input PATH OUTDIR | target PATH\n");
    return 2;
}
