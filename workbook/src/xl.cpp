// The XL layer: engine book 0 with a current sheet and a write cursor per sheet.
#include "internal.h"

namespace celvane {
namespace {

bool g_xlOpen = false;
int g_xlSheet = 0;

// The XL book and its current sheet, or the code why there is none.
int xlSheet(Book** b, Sheet** s) {
    if (!g_xlOpen) return kErrNotOpen;
    return lookupSheet(0, g_xlSheet, b, s);
}

int xlOpened(int rc) {
    if (rc == 0) {
        g_xlOpen = true;
        g_xlSheet = 0;
    }
    return rc < 0 ? rc : 0;
}

int packBytes(int a, int b, int c, int d) {
    return static_cast<int>((static_cast<unsigned>(a) & 0xFF) << 24 | (static_cast<unsigned>(b) & 0xFF) << 16 |
                            (static_cast<unsigned>(c) & 0xFF) << 8 | (static_cast<unsigned>(d) & 0xFF));
}

}  // namespace
}  // namespace celvane

using namespace celvane;

#define XL_BOOK()                 \
    if (!g_xlOpen) return kErrNotOpen

extern "C" {

int XL_Create(const char* file, int sheets) {
    Book* b;
    if (lookupBook(0, &b) == 0) return kErrFile;
    return xlOpened(XM_Create(file, sheets));
}
int XL_Create97(const char* file, int sheets) {
    Book* b;
    if (lookupBook(0, &b) == 0) return kErrFile;
    return xlOpened(XM_Create97(file, sheets));
}
int XL_CreateT(const char* file, const char* templateFile) {
    Book* b;
    if (lookupBook(0, &b) == 0) return kErrFile;
    return xlOpened(XM_CreateT(file, templateFile));
}
int XL_Open(const char* file, const char* source) {
    Book* b;
    if (lookupBook(0, &b) == 0) return kErrFile;
    return xlOpened(XM_Open(file, source));
}
int XL_ReadOpen(const char* file) {
    Book* b;
    if (lookupBook(0, &b) == 0) return kErrFile;
    return xlOpened(XM_ReadOpen(file));
}
int XL_OpenClose(int book) {
    int rc = XM_OpenClose(book);
    if (book == 0 && rc == 0) g_xlOpen = false;
    return rc;
}
int XL_Close(void) {
    XL_BOOK();
    g_xlOpen = false;
    return XM_Close(0);
}
int XL_Cancel(void) {
    XL_BOOK();
    g_xlOpen = false;
    return XM_Cancel(0);
}
int XL_ReadClose(void) {
    XL_BOOK();
    g_xlOpen = false;
    return XM_ReadClose(0);
}

int XL_SelSheetNo(int sheet) {
    Book* b;
    XL_BOOK();
    int rc = lookupBook(0, &b);
    if (rc) return rc;
    if (sheet < 0 || sheet >= b->sheetCount()) return kErrSheet;
    g_xlSheet = sheet;
    return kOk;
}
int XL_SheetName(const char* name) {
    XL_BOOK();
    return XM_SheetName(0, g_xlSheet, name);
}
int XL_SetAddSheet(int count) {
    XL_BOOK();
    return XM_SetAddSheet(0, count);
}
int XL_SetDelSheet(int first, int count) {
    XL_BOOK();
    return XM_SetDelSheet(0, first, count);
}
int XL_SetRefSheet(const char* names) {
    XL_BOOK();
    return XM_SetRefSheet(0, g_xlSheet, names);
}
int XL_SetGridMode(int flag) {
    XL_BOOK();
    return XM_SetGridMode(0, g_xlSheet, flag);
}
int XL_SetPageMode(int paper, int scale, int orientation, double headerMm, double footerMm) {
    XL_BOOK();
    return XM_SetPageMode(0, g_xlSheet, paper, scale, orientation, headerMm, footerMm);
}

int XL_WriteStr(int col, int row, const char* text) {
    XL_BOOK();
    return XM_WriteStr(0, g_xlSheet, col, row, text);
}
int XL_WriteInt(int col, int row, int value) {
    XL_BOOK();
    return XM_WriteInt(0, g_xlSheet, col, row, value);
}
int XL_WriteDouble(int col, int row, double value) {
    XL_BOOK();
    return XM_WriteDouble(0, g_xlSheet, col, row, value);
}
int XL_WriteFunc(int col, int row, const char* formula) {
    XL_BOOK();
    return XM_WriteFunc(0, g_xlSheet, col, row, formula);
}
int XL_WriteStr2(int col, int row, const char* text, int attr) {
    XL_BOOK();
    return XM_WriteStr2(0, g_xlSheet, col, row, text, attr);
}
int XL_WriteInt2(int col, int row, int value, int attr) {
    XL_BOOK();
    return XM_WriteInt2(0, g_xlSheet, col, row, value, attr);
}
int XL_WriteDouble2(int col, int row, double value, int attr) {
    XL_BOOK();
    return XM_WriteDouble2(0, g_xlSheet, col, row, value, attr);
}
int XL_WriteFunc2(int col, int row, const char* formula, int attr) {
    XL_BOOK();
    return XM_WriteFunc2(0, g_xlSheet, col, row, formula, attr);
}
int XL_WriteFunc3(int col, int row, const char* formula, int attr, const FormulaResult* result) {
    XL_BOOK();
    return XM_WriteFunc3(0, g_xlSheet, col, row, formula, attr, result);
}

}  // extern "C"

// By-name writes on the XL book's current sheet.
template <class Fn>
static int xlNamed(const char* name, int dc, int dr, Fn fn) {
    Book* b;
    Sheet* s;
    int rc = xlSheet(&b, &s);
    if (rc) return rc;
    return forEachNamed(b, g_xlSheet, name, dc, dr, fn);
}

extern "C" {

int XL_WriteStrh(const char* name, int dc, int dr, const char* text) {
    return xlNamed(name, dc, dr, [&](int c, int r) { return writeText(0, g_xlSheet, c, r, text, kDefaultAttr); });
}
int XL_WriteInth(const char* name, int dc, int dr, int value) {
    return xlNamed(name, dc, dr, [&](int c, int r) { return writeInt(0, g_xlSheet, c, r, value, kDefaultAttr); });
}
int XL_WriteDoubleh(const char* name, int dc, int dr, double value) {
    return xlNamed(name, dc, dr,
                   [&](int c, int r) { return writeDouble(0, g_xlSheet, c, r, value, kDefaultAttr); });
}
int XL_WriteFunch(const char* name, int dc, int dr, const char* formula) {
    return xlNamed(name, dc, dr, [&](int c, int r) {
        return XM_WriteFunc3(0, g_xlSheet, c, r, formula, kDefaultAttr, nullptr);
    });
}
int XL_WriteStr2h(const char* name, int dc, int dr, const char* text, int attr) {
    return xlNamed(name, dc, dr, [&](int c, int r) { return writeText(0, g_xlSheet, c, r, text, attr); });
}
int XL_WriteInt2h(const char* name, int dc, int dr, int value, int attr) {
    return xlNamed(name, dc, dr, [&](int c, int r) { return writeInt(0, g_xlSheet, c, r, value, attr); });
}
int XL_WriteDouble2h(const char* name, int dc, int dr, double value, int attr) {
    return xlNamed(name, dc, dr, [&](int c, int r) { return writeDouble(0, g_xlSheet, c, r, value, attr); });
}
int XL_WriteFunc2h(const char* name, int dc, int dr, const char* formula, int attr) {
    return xlNamed(name, dc, dr,
                   [&](int c, int r) { return XM_WriteFunc3(0, g_xlSheet, c, r, formula, attr, nullptr); });
}
int XL_WriteFunc3h(const char* name, int dc, int dr, const char* formula, int attr, const FormulaResult* result) {
    return xlNamed(name, dc, dr,
                   [&](int c, int r) { return XM_WriteFunc3(0, g_xlSheet, c, r, formula, attr, result); });
}
int XL_MovePosh(const char* name, int dc, int dr) {
    Book* b;
    Sheet* s;
    int rc = xlSheet(&b, &s);
    if (rc) return rc;
    if (!name) return kErrParam;
    // When the name marks several cells, the one met first in the template wins.
    for (const Variable& v : b->variables) {
        if (v.name == name && v.sheet == g_xlSheet) return XL_MovePos(v.col + dc, v.row + dr);
    }
    return kErrName;
}

int XL_MovePos(int col, int row) {
    Book* b;
    Sheet* s;
    int rc = xlSheet(&b, &s);
    if (rc) return rc;
    if (col < 0 || col >= 256 || row < 0 || row >= 65536 || row >= b->rowLimit) return kErrPlace;
    s->curCol = col;
    s->curRow = row;
    return kOk;
}
int XL_WrtCR(void) {
    Book* b;
    Sheet* s;
    int rc = xlSheet(&b, &s);
    if (rc) return rc;
    s->curCol = 0;
    ++s->curRow;
    return kOk;
}

}  // extern "C"

// Writes at the cursor of the XL book's current sheet.
template <class Fn>
static int xlAtCursor(Fn fn) {
    Book* b;
    Sheet* s;
    int rc = xlSheet(&b, &s);
    if (rc) return rc;
    return fn(s->curCol, s->curRow);
}

extern "C" {

int XL_WrtStr(const char* text) {
    return xlAtCursor([&](int c, int r) { return XM_WriteStr(0, g_xlSheet, c, r, text); });
}
int XL_WrtInt(int value) {
    return xlAtCursor([&](int c, int r) { return XM_WriteInt(0, g_xlSheet, c, r, value); });
}
int XL_WrtDouble(double value) {
    return xlAtCursor([&](int c, int r) { return XM_WriteDouble(0, g_xlSheet, c, r, value); });
}
int XL_WrtFunc(const char* formula) {
    return xlAtCursor([&](int c, int r) { return XM_WriteFunc(0, g_xlSheet, c, r, formula); });
}
int XL_WrtStr2(const char* text, int attr) {
    return xlAtCursor([&](int c, int r) { return XM_WriteStr2(0, g_xlSheet, c, r, text, attr); });
}
int XL_WrtInt2(int value, int attr) {
    return xlAtCursor([&](int c, int r) { return XM_WriteInt2(0, g_xlSheet, c, r, value, attr); });
}
int XL_WrtDouble2(double value, int attr) {
    return xlAtCursor([&](int c, int r) { return XM_WriteDouble2(0, g_xlSheet, c, r, value, attr); });
}
int XL_WrtFunc2(const char* formula, int attr) {
    return xlAtCursor([&](int c, int r) { return XM_WriteFunc2(0, g_xlSheet, c, r, formula, attr); });
}

int XL_FontNo(const char* name, double size, int color, int style, int underline) {
    return XM_FontNo(0, name, size, color, style, underline);
}
int XL_FmtNo(const char* format) { return XM_FmtNo(0, format); }
int XL_GetAttrNo(int lineStyles, int lineColors, int horz, int font, int format) {
    XL_BOOK();
    return XM_GetAttrNo(0, lineStyles, lineColors, horz, font, format);
}
int XL_GetAttrNo2(const AttrDesc* desc) {
    XL_BOOK();
    return XM_GetAttrNo2(0, desc);
}
void XL_InitAttr(AttrDesc* desc) { XM_InitAttr(desc); }
int XL_SetAttr(int col, int row, int attr) {
    XL_BOOK();
    return XM_SetAttr(0, g_xlSheet, col, row, attr);
}
int XL_SetAttrExt(int col1, int row1, int col2, int row2, int attr) {
    XL_BOOK();
    return XM_SetAttrExt(0, g_xlSheet, col1, row1, col2, row2, attr);
}
int XL_SetAttr2(int col, int row, const AttrDesc* desc) {
    XL_BOOK();
    return XM_SetAttr2(0, g_xlSheet, col, row, desc);
}
int XL_SetAttrExt2(int col1, int row1, int col2, int row2, const AttrDesc* desc) {
    XL_BOOK();
    return XM_SetAttrExt2(0, g_xlSheet, col1, row1, col2, row2, desc);
}
int XL_SetAttrh(const char* name, int dc, int dr, int attr) {
    XL_BOOK();
    return XM_SetAttrh(0, g_xlSheet, name, dc, dr, attr);
}
int XL_SetAttrExth(const char* name, int dc1, int dr1, int dc2, int dr2, int attr) {
    XL_BOOK();
    return XM_SetAttrExth(0, g_xlSheet, name, dc1, dr1, dc2, dr2, attr);
}
int XL_SetAttr2h(const char* name, int dc, int dr, const AttrDesc* desc) {
    XL_BOOK();
    return XM_SetAttr2h(0, g_xlSheet, name, dc, dr, desc);
}
int XL_SetAttrExt2h(const char* name, int dc1, int dr1, int dc2, int dr2, const AttrDesc* desc) {
    XL_BOOK();
    return XM_SetAttrExt2h(0, g_xlSheet, name, dc1, dr1, dc2, dr2, desc);
}
int XL_SetAttrMode(int flag) {
    g_attrModeNoMerge = flag ? 1 : 0;
    return kOk;
}

int XL_BoxLine(int col1, int row1, int col2, int row2, int line) {
    XL_BOOK();
    return XM_BoxLine(0, g_xlSheet, col1, row1, col2, row2, line);
}
int XL_LtcLine(int col1, int row1, int col2, int row2, int line) {
    XL_BOOK();
    return XM_LtcLine(0, g_xlSheet, col1, row1, col2, row2, line);
}
int XL_OverLine(int col1, int row1, int col2, int row2, int line) {
    XL_BOOK();
    return XM_OverLine(0, g_xlSheet, col1, row1, col2, row2, line);
}
int XL_UnderLine(int col1, int row1, int col2, int row2, int line) {
    XL_BOOK();
    return XM_UnderLine(0, g_xlSheet, col1, row1, col2, row2, line);
}
int XL_LeftLine(int col1, int row1, int col2, int row2, int line) {
    XL_BOOK();
    return XM_LeftLine(0, g_xlSheet, col1, row1, col2, row2, line);
}
int XL_RightLine(int col1, int row1, int col2, int row2, int line) {
    XL_BOOK();
    return XM_RightLine(0, g_xlSheet, col1, row1, col2, row2, line);
}

int XL_KeiNo(int top, int bottom, int left, int right) { return packBytes(top, bottom, left, right); }
int XL_KeiPNo(int top, int bottom, int left, int right) { return packBytes(top, bottom, left, right); }
int XL_KBoxNo(int v) { return packBytes(v, v, v, v); }
int XL_KTopNo(int v) { return packBytes(v, 255, 255, 255); }
int XL_KBtmNo(int v) { return packBytes(255, v, 255, 255); }
int XL_KLftNo(int v) { return packBytes(255, 255, v, 255); }
int XL_KRitNo(int v) { return packBytes(255, 255, 255, v); }
int XL_KBoxPNo(int v) { return packBytes(v, v, v, v); }
int XL_KTopPNo(int v) { return packBytes(v, 255, 255, 255); }
int XL_KBtmPNo(int v) { return packBytes(255, v, 255, 255); }
int XL_KLftPNo(int v) { return packBytes(255, 255, v, 255); }
int XL_KRitPNo(int v) { return packBytes(255, 255, 255, v); }

int XL_SetColWidth(int col1, int col2, int width) {
    XL_BOOK();
    return XM_SetColWidth(0, g_xlSheet, col1, col2, width);
}
int XL_SetRowHeight(int row, double height) {
    XL_BOOK();
    return XM_SetRowHeight(0, g_xlSheet, row, height);
}
int XL_Read(int col, int row, int* kind, double* value, char* text, int size) {
    XL_BOOK();
    return XM_Read(0, g_xlSheet, col, row, kind, value, text, size);
}

}  // extern "C"
