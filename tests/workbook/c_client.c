/* A plain C caller of libcelvane: writes a BIFF5 and a BIFF8 book with several sheets,
 * Japanese texts, numbers, formatted and merged cells, widths and heights, through the
 * Xls, XL and engine layers. Usage: c_client OUTDIR */
#include <celvane.h>

#include <stdio.h>
#include <string.h>

static int failures = 0;

static void check(int ok, const char* what) {
    if (!ok) {
        int n = 0;
        char msg[128];
        XlsGetErrorNo(&n);
        XlsGetErrorMessage(msg, sizeof msg);
        fprintf(stderr, "failed: %s (error %d: %s)\n", what, n, msg);
        ++failures;
    }
}

/* Three sheets through the Xls layer, texts in UTF-8. */
static void xlsBook(const char* path, int version) {
    BookHandle h = 0;
    check(XlsCreateBook(path, version, 3, &h), "create");
    check(XlsPutStr("日本語のテキスト", "A1"), "text");
    check(XlsPutLong(-123456, "B1"), "long");
    check(XlsPutDouble(3.5, "C1"), "double");
    check(XlsPutValue("42", "D1"), "value");
    check(XlsPutFontName("ＭＳ 明朝", "A1"), "font name");
    check(XlsPutFontPoint(16, "A1"), "font size");
    check(XlsPutFontStyle(1, "A1"), "bold");
    check(XlsPutFormat("#,##0.00", "C1"), "format");
    check(XlsPutPosHorz(22, "A3:C3"), "centre");
    check(XlsPutJoint(1, "A3:C3"), "merge");
    check(XlsPutStr("結合セル", "A3"), "merged text");
    check(XlsPutBox(0x02000000, 0, "A5:C6"), "box");
    check(XlsPutColWidth(20, "A1"), "width");
    check(XlsPutRowHeight(30.0, "A3"), "height");
    check(XlsSheetNo(2), "sheet");
    check(XlsPutStr("三枚目", "B2"), "third sheet");
    check(XlsPutDouble(-0.25, POS(3, 4, -1, 0)), "POS");
    check(XlsCloseBook(1), "close");
}

/* The XL layer and the engine on the same kind of content, texts in CP932. */
static void xlBook(const char* path, int biff8) {
    check((biff8 ? XL_Create97(path, 2) : XL_Create(path, 2)) == 0, "XL create");
    int font = XL_FontNo("\x82\x6c\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4e", 12.0, 10, 2, 1);
    int attr = XL_GetAttrNo(XL_KBoxNo(1), XL_KBoxNo(8), 3, font, XL_FmtNo("0.0%"));
    check(attr >= 21, "attribute");
    check(XL_WriteStr(0, 0, "\x93\xfa\x96\x7b") == 0, "XL text");
    check(XL_WriteDouble2(1, 0, 0.125, attr) == 0, "XL double");
    check(XL_MovePos(0, 2) == 0, "move");
    for (int i = 0; i < 5; ++i) check(XL_WrtInt(i * 1000) == 0, "cursor");
    check(XL_SelSheetNo(1) == 0, "select");
    check(XL_WriteInt(4, 9, 536870912) == 0, "large");
    check(XL_SetColWidth(4, 4, 15) == 0, "width");
    check(XL_SetRowHeight(9, 20.0) == 0, "height");
    check(XL_Close() == 0, "XL close");
}

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    char path[1024];
    XlsSetCodePage(65001);
    snprintf(path, sizeof path, "%s/xls95.xls", argv[1]);
    xlsBook(path, 95);
    snprintf(path, sizeof path, "%s/xls97.xls", argv[1]);
    xlsBook(path, 97);
    XlsSetCodePage(932);
    snprintf(path, sizeof path, "%s/xl5.xls", argv[1]);
    xlBook(path, 0);
    snprintf(path, sizeof path, "%s/xl8.xls", argv[1]);
    xlBook(path, 1);
    return failures ? 1 : 0;
}
