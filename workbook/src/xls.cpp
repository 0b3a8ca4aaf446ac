// The Xls layer: book handles, text cell references, pending attributes and the
// process-wide error number with its messages.
#include "internal.h"
#include "read/attrs.h"
#include "read/reader.h"

#include <base/text.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

namespace celvane {
namespace {

constexpr int kMarker = 1112;
constexpr std::size_t kMaxBooks = 256;

// Attribute properties set one at a time; -1 (or an empty text) means unset.
struct Pending {
    std::string format, fontName;
    double point = -1.0;
    int color = -1, style = -1, underline = -1;
    int top = -1, bottom = -1, left = -1, right = -1, leftUp = -1, rightUp = -1;
    int pattern = -1, back = -1, horz = -1, vert = -1, turn = -1, wrap = -1, fit = -1, joint = -1;

    bool operator==(const Pending&) const = default;
};

struct Handle {
    int marker = kMarker;
    Pending pending, applied;
    std::string position = "A1";
    int sheet = 0;
    int book = -1;
    int attr = -1;
    int mode = 0;  // 1 reading, 2 created, 3 editing
    std::string lastPosition;
    std::string defFontName;  // CP932
    int defFontSize = 1100;
    std::vector<std::unique_ptr<char[]>> strings = std::vector<std::unique_ptr<char[]>>(256);
    BookHandle id = 0;
};

std::vector<Handle*> g_books;
Handle* g_current = nullptr;
int g_errorNo = 0;
uint32_t g_nextId = 0x11120001;
char g_refBuffer[256];

// Converts an engine code into the error number; 1 for success, 0 for failure.
int report(int code) {
    g_errorNo = code < 0 ? -code : 0;
    if (g_errorNo >= 100 && g_errorNo <= 199) g_errorNo = 100;
    return g_errorNo == 0 ? 1 : 0;
}

struct Message {
    int no;
    const char* text;
};
const Message kMessages[] = {
    {1, "ファイルがオープンできない"}, {2, "無効なファイルハンドル"}, {3, "未オープンエラー"},
    {4, "シート番号エラー"},           {5, "書き込み時のエラー"},     {6, "動作モードエラー"},
    {7, "データ種別エラー"},           {31, "長さエラー"},            {32, "座標エラー"},
    {33, "属性番号エラー"},            {34, "パラメータエラー"},      {35, "データが無い"},
    {36, "データの終わり"},            {37, "指定した変数が存在しない"}, {40, "メモリー不足エラー１"},
    {41, "メモリー不足エラー２"},      {50, "内部エラー"},
    {100, "計算式形式エラー"},
};

// Copies a UTF-8 text to a caller's buffer in the caller's code page, cut on a
// character boundary to size - 1 bytes.
void copyOut(const std::string& utf8, char* buffer, int size) {
    if (!buffer || size <= 0) return;
    std::string text = callerCodePage() == 932 ? base::toCp932(utf8) : utf8;
    std::string_view cut = callerCodePage() == 932 ? base::cutCp932Bytes(text, size - 1)
                                                   : cutCallerText(text, static_cast<std::size_t>(size - 1));
    std::memcpy(buffer, cut.data(), cut.size());
    buffer[cut.size()] = '\0';
}

// ---- references ----------------------------------------------------------------

struct RefItem {
    bool named = false;
    std::string name;
    int col1 = -1, row1 = -1, col2 = -1, row2 = -1;
    bool range = false;
    int dc = 0, dr = 0;
};

long clampAdd(long v, long digit, long base) {
    v = v * base + digit;
    return v > 1000000 ? 1000000 : v;
}

// Parses the offset suffix "_[dc:dr]" at or after the start of `rest`: no ":" means no
// offset; no "]" only the column offset.
void parseOffset(std::string_view rest, int& dc, int& dr) {
    dc = dr = 0;
    std::size_t at = rest.find("_[");
    if (at == std::string_view::npos) return;
    std::string suffix(rest.substr(at + 2));
    std::size_t colon = suffix.find(':');
    if (colon == std::string::npos) return;
    dc = std::atoi(suffix.substr(0, colon).c_str());
    std::size_t close = suffix.find(']', colon);
    if (close != std::string::npos) dr = std::atoi(suffix.substr(colon + 1, close - colon - 1).c_str());
}

// Splits a reference list into items. False for an unusable item. The offset suffix of an
// item is looked for from its start to the end of the whole list, so one suffix at the end
// moves every item of the list: CELL("A1,C1", 1, 1) addresses B2 and D2.
bool parseRef(std::string_view text, std::vector<RefItem>& items) {
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t comma = text.find(',', start);
        std::string_view item = text.substr(start, comma == std::string_view::npos ? std::string_view::npos
                                                                                    : comma - start);
        RefItem r;
        parseOffset(text.substr(start), r.dc, r.dr);
        if (item.substr(0, 2) == "**") {
            r.named = true;
            std::size_t end = item.find("_[");
            r.name = std::string(item.substr(0, end));
        } else {
            long col[2] = {0, 0}, row[2] = {0, 0};
            int corner = 0;
            for (char ch : item) {
                unsigned char c = static_cast<unsigned char>(std::toupper(static_cast<unsigned char>(ch)));
                if (c == '_') break;
                if (c == ':') {
                    corner = 1;
                    continue;
                }
                if (c >= 'A' && c <= 'Z') col[corner] = clampAdd(col[corner], c - 'A' + 1, 26);
                else if (c >= '0' && c <= '9') row[corner] = clampAdd(row[corner], c - '0', 10);
            }
            if (col[0] == 0 || row[0] == 0) return false;
            r.col1 = static_cast<int>(col[0] - 1);
            r.row1 = static_cast<int>(row[0] - 1);
            r.range = corner == 1;
            if (r.range) {
                if (col[1] == 0 || row[1] == 0) return false;
                r.col2 = static_cast<int>(col[1] - 1);
                r.row2 = static_cast<int>(row[1] - 1);
            } else {
                r.col2 = r.col1;
                r.row2 = r.row1;
            }
            r.col1 += r.dc;
            r.col2 += r.dc;
            r.row1 += r.dr;
            r.row2 += r.dr;
        }
        items.push_back(std::move(r));
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    return true;
}

// The items of a call's reference (the current position when null or empty).
int itemsOf(const char* ref, std::vector<RefItem>& items) {
    std::string text = ref && *ref ? std::string(ref) : g_current->position;
    return parseRef(text, items) ? kOk : kErrParam;
}

// Runs fn(item) for each item, stopping at the first failure; reports the outcome.
template <class Fn>
int eachItem(const char* ref, Fn fn) {
    if (!g_current) return report(kErrNotOpen);
    std::vector<RefItem> items;
    int rc = itemsOf(ref, items);
    for (std::size_t i = 0; rc == 0 && i < items.size(); ++i) rc = fn(items[i]);
    return report(rc);
}

// Value writes: a named item goes to every cell of that name, another item to its
// top-left cell.
template <class Place, class Named>
int putValue(const char* ref, Place place, Named named) {
    return eachItem(ref, [&](const RefItem& it) {
        if (it.named) return named(it);
        return place(std::min(it.col1, it.col2), std::min(it.row1, it.row2));
    });
}

template <class Fn>
int byName(const RefItem& it, Fn fn) {
    Book* b;
    int rc = lookupBook(g_current->book, &b);
    if (rc) return rc;
    return forEachNamed(b, g_current->sheet, it.name.c_str(), it.dc, it.dr, fn);
}

// ---- pending attributes --------------------------------------------------------

int computeAttr(Handle& h) {
    static const Pending unset;
    if (h.pending == unset) return -1;
    if (h.pending == h.applied && h.attr >= 0) return h.attr;
    Pending& p = h.pending;
    Desc d = unsetDesc();
    if (!p.fontName.empty() || p.point != -1.0 || p.color != -1 || p.style != -1 || p.underline != -1) {
        int font = XM_FontNo(h.book, p.fontName.empty() ? nullptr : p.fontName.c_str(), p.point, p.color, p.style,
                             p.underline);
        if (font < 0) return kErrBook;
        d[fFont] = static_cast<short>(font);
    }
    if (!p.format.empty()) {
        int format = XM_FmtNo(h.book, p.format.c_str());
        if (format < 0) return kErrBook;
        d[fFormat] = static_cast<short>(format);
    }
    if (p.horz != -1) {
        if (p.horz < 20) {
            d[fHorz] = 1;
            d[fIndent] = static_cast<short>(p.horz);
        } else {
            d[fHorz] = static_cast<short>(p.horz - 20);
        }
    }
    if (p.wrap != -1) d[fWrap] = static_cast<short>(p.wrap);
    if (p.fit != -1) d[fShrink] = static_cast<short>(p.fit);
    if (p.joint != -1) d[fMerge] = static_cast<short>(p.joint);
    if (p.vert != -1) d[fVert] = static_cast<short>(p.vert);
    if (p.turn != -1) {
        if (p.turn >= 100) {
            int o = p.turn - 100;
            d[fOrient] = static_cast<short>(o);
            d[fRotation] = static_cast<short>(o == 1 ? 255 : o == 2 ? 90 : o == 3 ? -90 : 0);
        } else {
            d[fRotation] = static_cast<short>(p.turn);
        }
    }
    const int lines[4] = {p.top, p.bottom, p.left, p.right};
    for (int side = 0; side < 4; ++side) {
        if (lines[side] == -1) continue;
        d[fTop + side] = static_cast<short>((static_cast<unsigned>(lines[side]) >> 24) & 0xFF);
        d[fColTop + side] = static_cast<short>(lines[side] & 0xFFFF);
    }
    int diag = p.rightUp != -1 ? p.rightUp : p.leftUp;
    if (diag != -1) {
        d[fDiagKind] = static_cast<short>(p.leftUp != -1 && p.rightUp != -1 ? 3 : p.rightUp != -1 ? 2 : 1);
        d[fDiagStyle] = static_cast<short>((static_cast<unsigned>(diag) >> 24) & 0xFF);
        d[fDiagColor] = static_cast<short>(diag & 0xFFFF);
    }
    if (p.pattern != -1) {
        d[fPattern] = static_cast<short>((static_cast<unsigned>(p.pattern) >> 24) & 0xFF);
        d[fPatColor] = static_cast<short>(p.pattern & 0xFFFF);
    }
    if (p.back != -1) d[fBack] = static_cast<short>(p.back & 0xFFFF);
    AttrDesc a = fromDesc(d);
    int number = XM_GetAttrNo2(h.book, &a);
    if (number < 0) return kErrBook;
    h.attr = number;
    h.applied = h.pending;
    return number;
}

// The attribute setters: move, set one property, compute the attribute, apply it.
template <class Set>
int setter(const char* ref, Set set) {
    if (!g_current) return report(kErrNotOpen);
    if (!XlsMove(ref)) return report(kErrParam);
    int rc = set(g_current->pending);
    if (rc) return report(rc);
    int attr = computeAttr(*g_current);
    if (attr == -1) return report(kOk);  // nothing set: no attribute to apply
    if (attr < 0) return report(kErrAttr);
    Handle& h = *g_current;
    return eachItem(ref, [&](const RefItem& it) {
        if (it.named) return XM_SetAttrh(h.book, h.sheet, it.name.c_str(), it.dc, it.dr, attr);
        if (it.range) return XM_SetAttrExt(h.book, h.sheet, it.col1, it.row1, it.col2, it.row2, attr);
        return XM_SetAttr(h.book, h.sheet, it.col1, it.row1, attr);
    });
}

int setInt(const char* ref, int Pending::*field, int value) {
    return setter(ref, [&](Pending& p) {
        p.*field = value;
        return kOk;
    });
}

int setFlag(const char* ref, int Pending::*field, int value) { return setInt(ref, field, value == -1 ? 1 : value); }

int setText(const char* ref, std::string Pending::*field, const char* value, std::size_t max) {
    return setter(ref, [&](Pending& p) {
        std::string v = value ? value : "";
        // The fields have fixed room; a longer text is refused rather than cut.
        if (v.size() > max) return static_cast<int>(kErrLength);
        p.*field = v;
        return kOk;
    });
}

Handle* findHandle(BookHandle handle) {
    for (Handle* h : g_books)
        if (h->id == handle) return h;
    return nullptr;
}

// The next serial number: positive, so a caller may keep it in a signed or an unsigned
// 32-bit variable, and never one of an open book should the counter ever wrap.
BookHandle nextId() {
    for (;;) {
        const BookHandle id = static_cast<BookHandle>(g_nextId & 0x7FFFFFFFu);
        ++g_nextId;
        if (id != 0 && !findHandle(id)) return id;
    }
}

void dropHandle(Handle* h) {
    g_books.erase(std::remove(g_books.begin(), g_books.end(), h), g_books.end());
    if (g_books.empty()) g_books.shrink_to_fit();
    if (g_current == h) g_current = nullptr;
    delete h;
}

int openHandle(int engineResult, int mode, bool mincho, BookHandle* out) {
    if (engineResult < 0) return report(engineResult);
    Handle* h = new (std::nothrow) Handle;
    if (!h || g_books.size() >= kMaxBooks) {
        delete h;
        XM_Cancel(engineResult);
        return report(kErrMemory);
    }
    h->book = engineResult;
    h->mode = mode;
    h->defFontName = cp932(mincho ? "明朝" : "ＭＳ Ｐゴシック");
    h->id = nextId();
    g_books.push_back(h);
    g_current = h;
    if (out) *out = h->id;
    return report(kOk);
}

int closeHandle(Handle* h, int save) {
    int rc;
    switch (h->mode) {
    case 1: rc = XM_ReadClose(h->book); break;
    case 3: rc = XM_OpenClose(h->book); break;
    default: rc = save ? XM_Close(h->book) : XM_Cancel(h->book); break;
    }
    dropHandle(h);
    return rc;
}

}  // namespace
}  // namespace celvane

using namespace celvane;

extern "C" {

int XlsCreateBook(const char* file, int version, int sheets, BookHandle* handle) {
    int rc = version == 97 ? XM_Create97(file, sheets) : XM_Create(file, sheets);
    return openHandle(rc, 2, version == 95, handle);
}

int XlsOpenBook(const char* file, const char* source, BookHandle* handle) {
    return openHandle(XM_Open(file, source), 3, false, handle);
}

int XlsReadBook(const char* file, BookHandle* handle) { return openHandle(XM_ReadOpen(file), 1, false, handle); }

int XlsCloseBook(int save) {
    if (!g_current) return report(kErrNotOpen);
    return report(closeHandle(g_current, save));
}

int XlsAllClose(void) {
    while (!g_books.empty()) closeHandle(g_books.front(), 1);
    g_current = nullptr;
    return 1;
}

int XlsSelectBook(BookHandle handle) {
    Handle* h = handle != 0 ? findHandle(handle) : nullptr;
    if (!h || h->marker != kMarker) return report(kErrNotOpen);
    g_current = h;
    return report(kOk);
}

int XlsSheetNo(int sheet) {
    if (!g_current) return report(kErrNotOpen);
    g_current->sheet = sheet;
    return report(kOk);
}

int XlsAddSheet(int count) {
    if (!g_current) return report(kErrNotOpen);
    return report(XM_SetAddSheet(g_current->book, count));
}
int XlsDelSheet(int first, int count) {
    if (!g_current) return report(kErrNotOpen);
    return report(XM_SetDelSheet(g_current->book, first, count));
}
int XlsPutSheetName(const char* name) {
    if (!g_current) return report(kErrNotOpen);
    return report(XM_SheetName(g_current->book, g_current->sheet, name));
}
int XlsPutRefSheet(const char* names) {
    if (!g_current) return report(kErrNotOpen);
    return report(XM_SetRefSheet(g_current->book, g_current->sheet, names));
}
int XlsPageMode(int paper, int scale, int orientation, double headerMm, double footerMm) {
    if (!g_current) return report(kErrNotOpen);
    return report(XM_SetPageMode(g_current->book, g_current->sheet, paper, scale, orientation, headerMm, footerMm));
}
int XlsSetMargin(int left, int right, int top, int bottom) {
    if (!g_current) return report(kErrNotOpen);
    return report(setSheetMargins(g_current->book, g_current->sheet, left, right, top, bottom));
}
int XlsModeGrid(int flag) {
    if (!g_current) return report(kErrNotOpen);
    return report(XM_SetGridMode(g_current->book, g_current->sheet, flag));
}

int XlsMove(const char* ref) {
    if (!g_current) return report(kErrNotOpen);
    if (!ref || !*ref) return report(kOk);
    std::size_t n = std::strlen(ref);
    if (n >= 256) return report(kErrParam);
    Handle& h = *g_current;
    bool same = h.lastPosition.size() == n;
    for (std::size_t i = 0; same && i < n; ++i)
        same = std::toupper(static_cast<unsigned char>(ref[i])) ==
               std::toupper(static_cast<unsigned char>(h.lastPosition[i]));
    if (!same) {
        h.lastPosition = ref;
        h.pending = Pending();
    }
    h.position = ref;
    return report(kOk);
}

int XlsPutStr(const char* text, const char* ref) {
    if (!g_current) return report(kErrNotOpen);
    Handle& h = *g_current;
    return putValue(
        ref, [&](int c, int r) { return XM_WriteStr(h.book, h.sheet, c, r, text); },
        [&](const RefItem& it) { return XM_WriteStrh(h.book, h.sheet, it.name.c_str(), it.dc, it.dr, text); });
}

int XlsPutLong(int value, const char* ref) {
    if (!g_current) return report(kErrNotOpen);
    Handle& h = *g_current;
    return putValue(
        ref, [&](int c, int r) { return XM_WriteInt(h.book, h.sheet, c, r, value); },
        [&](const RefItem& it) { return XM_WriteInth(h.book, h.sheet, it.name.c_str(), it.dc, it.dr, value); });
}

int XlsPutDouble(double value, const char* ref) {
    if (!g_current) return report(kErrNotOpen);
    Handle& h = *g_current;
    return putValue(
        ref, [&](int c, int r) { return XM_WriteDouble(h.book, h.sheet, c, r, value); },
        [&](const RefItem& it) { return XM_WriteDoubleh(h.book, h.sheet, it.name.c_str(), it.dc, it.dr, value); });
}

int XlsPutFunc(const char* formula, const char* result, const char* ref) {
    if (!g_current) return report(kErrNotOpen);
    FormulaResult fr{};
    const FormulaResult* res = nullptr;
    if (result) {
        std::size_t n = std::strlen(result);
        if (n > 256) return report(kErrLength);
        double d = 0;
        int whole = 0;
        int kind = XlsStrToValue(result, &d, &whole);
        if (kind == 1 || kind == 2) {
            fr.kind = 0;
            fr.value.number = d;
        } else {
            fr.kind = 3;
            fr.length = static_cast<short>(n);
            std::memcpy(fr.text, result, std::min<std::size_t>(n, sizeof fr.text));
        }
        res = &fr;
    }
    Handle& h = *g_current;
    return putValue(
        ref, [&](int c, int r) { return XM_WriteFunc3(h.book, h.sheet, c, r, formula, kDefaultAttr, res); },
        [&](const RefItem& it) {
            return byName(it, [&](int c, int r) {
                return XM_WriteFunc3(h.book, h.sheet, c, r, formula, kDefaultAttr, res);
            });
        });
}

int XlsStrToValue(const char* text, double* d, int* n) {
    if (!text) return 0;
    if (text[0] == '=' || text[0] == '@') return 3;
    if (text[0] == '\'') return 0;
    char* end = nullptr;
    double value = std::strtod(text, &end);
    long whole = std::strtol(text, nullptr, 10);
    bool parsedAll = end && *end == '\0' && end != text;
    if (d) *d = value;
    if (n) *n = static_cast<int>(std::clamp<long>(whole, -2147483647L - 1, 2147483647L));
    bool digit = false;
    for (const char* p = text; *p; ++p) {
        if (*p == '.') return parsedAll ? 1 : 0;
        if (*p >= '0' && *p <= '9') digit = true;
        else if (*p != '-' && *p != '+') return 0;
    }
    // Only a text that reads as one number becomes one: "-" or "1-2" stay texts.
    if (!digit || !parsedAll) return 0;
    return value > -2147483648.0 && value < 2147483647.0 ? 2 : 1;
}

int XlsPutValue(const char* text, const char* ref) {
    double d = 0;
    int n = 0;
    switch (XlsStrToValue(text, &d, &n)) {
    case 3: return XlsPutFunc(text, nullptr, ref);
    case 2: return XlsPutLong(n, ref);
    case 1: return XlsPutDouble(d, ref);
    default: return XlsPutStr(text, ref);
    }
}

int XlsPutBox(int line, int kind, const char* ref) {
    if (!g_current) return report(kErrNotOpen);
    unsigned v = static_cast<unsigned>(line);
    int engineLine = static_cast<int>(v << 8 | v >> 24);
    Handle& h = *g_current;
    return eachItem(ref, [&](const RefItem& it) {
        if (!it.range) return static_cast<int>(kErrPlace);
        auto* fn = kind == 1   ? XM_LtcLine
                   : kind == 2 ? XM_OverLine
                   : kind == 3 ? XM_UnderLine
                   : kind == 4 ? XM_LeftLine
                   : kind == 5 ? XM_RightLine
                               : XM_BoxLine;
        return fn(h.book, h.sheet, it.col1, it.row1, it.col2, it.row2, engineLine);
    });
}

int XlsPutFormat(const char* format, const char* ref) { return setText(ref, &Pending::format, format, 64); }
int XlsPutFontName(const char* name, const char* ref) { return setText(ref, &Pending::fontName, name, 70); }
int XlsPutFontPoint(double points, const char* ref) {
    return setter(ref, [&](Pending& p) {
        p.point = points;
        return kOk;
    });
}
int XlsPutFontColor(int v, const char* ref) { return setInt(ref, &Pending::color, v); }
int XlsPutFontStyle(int v, const char* ref) { return setInt(ref, &Pending::style, v); }
int XlsPutFontULine(int v, const char* ref) { return setInt(ref, &Pending::underline, v); }
int XlsPutLineTop(int v, const char* ref) { return setInt(ref, &Pending::top, v); }
int XlsPutLineBottom(int v, const char* ref) { return setInt(ref, &Pending::bottom, v); }
int XlsPutLineLeft(int v, const char* ref) { return setInt(ref, &Pending::left, v); }
int XlsPutLineRight(int v, const char* ref) { return setInt(ref, &Pending::right, v); }
int XlsPutLineLeftUp(int v, const char* ref) { return setInt(ref, &Pending::leftUp, v); }
int XlsPutLineRightUp(int v, const char* ref) { return setInt(ref, &Pending::rightUp, v); }
int XlsPutPattern(int v, const char* ref) { return setInt(ref, &Pending::pattern, v); }
int XlsPutBackColor(int v, const char* ref) { return setInt(ref, &Pending::back, v); }
int XlsPutPosHorz(int v, const char* ref) { return setInt(ref, &Pending::horz, v); }
int XlsPutPosVert(int v, const char* ref) { return setInt(ref, &Pending::vert, v); }
int XlsPutPosTurn(int v, const char* ref) { return setInt(ref, &Pending::turn, v); }
int XlsPutOverReturn(int v, const char* ref) { return setFlag(ref, &Pending::wrap, v); }
int XlsPutFit(int v, const char* ref) { return setFlag(ref, &Pending::fit, v); }
int XlsPutJoint(int v, const char* ref) { return setFlag(ref, &Pending::joint, v); }

int XlsPutColWidth(int width, const char* ref) {
    if (!g_current) return report(kErrNotOpen);
    if (width == -1) width = 8;
    Handle& h = *g_current;
    return eachItem(ref, [&](const RefItem& it) {
        if (it.named)
            return byName(it, [&](int c, int) { return XM_SetColWidth(h.book, h.sheet, c, c, width); });
        return XM_SetColWidth(h.book, h.sheet, it.col1, it.col2, width);
    });
}

int XlsPutRowHeight(double points, const char* ref) {
    if (!g_current) return report(kErrNotOpen);
    if (points == -1.0) points = 13.0;
    Handle& h = *g_current;
    return eachItem(ref, [&](const RefItem& it) {
        if (it.named) return byName(it, [&](int, int r) { return XM_SetRowHeight(h.book, h.sheet, r, points); });
        int r1 = std::min(it.row1, it.row2), r2 = std::max(it.row1, it.row2);
        for (int r = r1; r <= r2; ++r) {
            int rc = XM_SetRowHeight(h.book, h.sheet, r, points);
            if (rc) return rc;
        }
        return static_cast<int>(kOk);
    });
}

int XlsPutDefFontName(const char* name) {
    if (!g_current) return report(kErrNotOpen);
    std::string n;
    if (!name || !callerToCp932(name, n)) return report(kErrParam);
    if (n.size() > 32) return report(kErrLength);  // a FONT record holds at most 32 bytes
    int rc = setBookDefaultFont(g_current->book, n, g_current->defFontSize / 100.0);
    if (rc == 0) g_current->defFontName = n;
    return report(rc);
}

int XlsPutDefFontPoint(double points) {
    if (!g_current) return report(kErrNotOpen);
    if (points != -1.0) g_current->defFontSize = static_cast<int>(std::floor(points * 100));
    int rc = setBookDefaultFont(g_current->book, g_current->defFontName, g_current->defFontSize / 100.0);
    if (rc == 0) {
        Book* b;
        if (lookupBook(g_current->book, &b) == 0) g_current->defFontSize = static_cast<int>(b->defFontSize * 100);
    }
    return report(rc);
}

// ---- reading ------------------------------------------------------------------

// The reading book of the current handle: error 3 without a current book, 6 when it
// was not opened with XlsReadBook.
static int currentReader(read::ReadBook** rb) {
    if (!g_current) return kErrNotOpen;
    if (g_current->mode != 1) return kErrMode;
    return read::lookupReading(g_current->book, rb);
}

// The first cell of a reference: a named item reads the cell at its offsets.
static int readFirst(const char* ref, read::CellValue& v, bool& found, const read::ReadBook** from = nullptr) {
    read::ReadBook* rb;
    int rc = currentReader(&rb);
    if (rc) return rc;
    if (from) *from = rb;
    std::vector<RefItem> items;
    rc = itemsOf(ref, items);
    if (rc) return rc;
    if (items.empty()) return kErrParam;
    const RefItem& it = items.front();
    const int col = it.named ? it.dc : std::min(it.col1, it.col2);
    const int row = it.named ? it.dr : std::min(it.row1, it.row2);
    const int sheet = g_current->sheet;
    found = sheet >= 0 && sheet < int(rb->sheets.size()) && col >= 0 && row >= 0 && rb->readCell(sheet, col, row, v);
    return kOk;
}

int XlsGetStr(char* buffer, int size, const char* ref) {
    if (buffer && size > 0) buffer[0] = '\0';
    read::CellValue v;
    bool found = false;
    const read::ReadBook* rb = nullptr;
    int rc = readFirst(ref, v, found, &rb);
    if (rc) return report(rc);
    if (!found) return report(kOk);
    if (v.kind == 1) {
        // A text is cut to the buffer like the engine's read; only a number must fit whole.
        copyCallerText(rb->toCaller(v.text), buffer, size);
        return report(kOk);
    }
    char tmp[400];
    std::snprintf(tmp, sizeof tmp, "%f", v.number);
    std::string text = tmp;
    if (text.find('.') != std::string::npos) {
        while (!text.empty() && text.back() == '0') text.pop_back();
        if (!text.empty() && text.back() == '.') text.pop_back();
    }
    if (!buffer || size <= 0 || text.size() >= std::size_t(size)) return report(kErrLength);
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return report(kOk);
}
int XlsGetValue(char* buffer, int size, const char* ref) { return XlsGetStr(buffer, size, ref); }
int XlsGetLong(int* value, const char* ref) {
    read::CellValue v;
    bool found = false;
    int rc = readFirst(ref, v, found);
    if (rc) return report(rc);
    long n = 0;
    if (found) n = v.kind == 1 ? std::strtol(v.text.c_str(), nullptr, 10) : static_cast<long>(v.number);
    if (value) *value = static_cast<int>(n);
    return report(kOk);
}
int XlsGetDouble(double* value, const char* ref) {
    read::CellValue v;
    bool found = false;
    int rc = readFirst(ref, v, found);
    if (rc) return report(rc);
    double d = 0.0;
    if (found) d = v.kind == 1 ? std::strtod(v.text.c_str(), nullptr) : v.number;
    if (value) *value = d;
    return report(kOk);
}
// The inquiry functions below answer through their return value and never change the
// error number: 0 when no book is current or the current book was not opened for
// reading, so a caller's error number still tells about its last reporting call.
static read::ReadBook* inquiryReader() {
    read::ReadBook* rb;
    return currentReader(&rb) == 0 ? rb : nullptr;
}

int XlsGetReadBin(int* col, int* row, int* attr, char* text, int size, int* kind, double* d, int* n, int pos) {
    if (text && size > 0) text[0] = '\0';
    if (!g_current) return 0;
    read::ReadBook* rb = inquiryReader();
    if (!rb) return -1;
    if (g_current->sheet < 0 || g_current->sheet >= int(rb->sheets.size())) return 1;
    read::SeqCell c;
    long next = read::readSequential(*rb, g_current->book, g_current->sheet, pos, c);
    if (next <= 0) return int(next);
    if (col) *col = c.col;
    if (row) *row = c.row;
    if (attr) *attr = c.attr;
    if (kind) *kind = c.kind;
    if (d) *d = c.number;
    if (n) *n = c.whole;
    if (c.kind == 1) copyCallerText(rb->toCaller(c.text), text, size);
    return int(next);
}
int XlsGetMaxData(int* cols, int* rows) {
    if (cols) *cols = 0;
    if (rows) *rows = 0;
    if (!g_current) return 0;
    return XM_GetMaxData(g_current->book, g_current->sheet, cols, rows) == 0 ? 1 : 0;
}
int XlsGetColWidth(int col) {
    if (!g_current) return 0;
    return XM_GetColWidth(g_current->book, g_current->sheet, col);
}
double XlsGetRowHeight(int row) {
    if (!g_current) return 0.0;
    return XM_GetRowHeight(g_current->book, g_current->sheet, row);
}
int XlsGetSheetName(int sheet, char* buffer, int size) {
    if (buffer && size > 0) buffer[0] = '\0';
    if (!g_current) return 0;
    const int rc = XM_GetSheetName(g_current->book, sheet, buffer, size);
    return rc >= 0 ? 1 : 0;  // a sheet beyond the last gives an empty name
}
// Attributes, fonts and formats of the globals. A record that is not in the file leaves
// the outputs as they were and still answers 1.
int XlsGetAttr(int number, AttrDesc* desc) {
    read::ReadBook* rb = g_current ? inquiryReader() : nullptr;
    if (!rb) return 0;
    AttrDesc d;
    if (read::readXf(*rb, number < 0 ? 15 : number, d) && desc) *desc = d;
    return 1;
}
int XlsGetFont(int number, char* name, int size, double* points, int* color, int* style, int* underline) {
    read::ReadBook* rb = g_current ? inquiryReader() : nullptr;
    if (!rb) return 0;
    read::FontInfo f;
    if (!read::readFont(*rb, number, f)) return 1;
    if (points) *points = f.points;
    if (color) *color = f.color;
    if (style) *style = f.style;
    if (underline) *underline = f.underline;
    const std::string fontName = rb->toCaller(f.name);
    if (name && size > 0 && fontName.size() < std::size_t(size))
        std::memcpy(name, fontName.c_str(), fontName.size() + 1);
    return 1;
}
int XlsGetFormat(int index, char* buffer, int size) {
    read::ReadBook* rb = g_current ? inquiryReader() : nullptr;
    if (!rb) return 0;
    std::string text;
    if (read::readFormat(*rb, index, text)) copyCallerText(rb->toCaller(text), buffer, size);
    return 1;
}
int XlsGetAttrCnt(int* xfCount, int* formatCount, int* fontCount) {
    read::ReadBook* rb = g_current ? inquiryReader() : nullptr;
    if (!rb) return 0;
    const read::GlobalCounts c = read::countGlobals(*rb);
    if (xfCount) *xfCount = c.xf;
    if (formatCount) *formatCount = c.format;
    if (fontCount) *fontCount = c.font;
    return 1;
}
// 1; 0 without a reading book or for a sheet that does not exist; -1 when the sheet has
// no SETUP record before its column records (or its records are damaged).
int XlsGetPageMode(int sheet, int* paper, int* scale, int* options, int* margins) {
    read::ReadBook* rb = g_current ? inquiryReader() : nullptr;
    if (!rb) return 0;
    read::PageSetup p;
    const int rc = read::readPageSetup(*rb, sheet, p);
    if (rc == kErrParam) return 0;
    if (rc) return -1;
    if (paper) *paper = p.paper;
    if (scale) *scale = p.scale;
    if (options) *options = p.options;
    if (margins) std::copy(p.margins, p.margins + 4, margins);
    return 1;
}

int XlsGetVersion(void) {
    if (!g_current) return 0;
    Book* b;
    if (lookupBook(g_current->book, &b)) return 0;
    return b->biff8 ? 1 : 0;
}

int XlsGetErrorNo(int* number) {
    if (number) *number = g_errorNo;
    return 1;
}

int XlsSetErrorNo(int number) {
    g_errorNo = number;
    return 1;
}

int XlsGetErrorMessage(char* buffer, int size) {
    if (!buffer || size <= 0) return 1;
    buffer[0] = '\0';
    if (g_errorNo == 0) return 1;
    for (const Message& m : kMessages) {
        if (m.no == g_errorNo) {
            copyOut(m.text, buffer, size);
            return 1;
        }
    }
    char text[96];
    std::snprintf(text, sizeof text, "存在しないエラーです(%d)", g_errorNo);
    copyOut(text, buffer, size);
    return 1;
}

int XlsSetCodePage(int codePage) {
    if (codePage != 932 && codePage != 65001) return report(kErrParam);
    setCallerCodePage(codePage);
    return report(kOk);
}

const char* CELL(const char* ref, int dc, int dr) {
    if (dc == 0 && dr == 0) std::snprintf(g_refBuffer, sizeof g_refBuffer, "%s", ref ? ref : "");
    else std::snprintf(g_refBuffer, sizeof g_refBuffer, "%s_[%d:%d]", ref ? ref : "", dc, dr);
    return g_refBuffer;
}

static std::string cellName(int col, int row) {
    std::string s;
    if (col < 0) col = 0;
    if (col >= 26) {
        int high = col / 26;
        s += static_cast<char>('A' + std::min(high, 26) - 1);
        col %= 26;
    }
    s += static_cast<char>('A' + col);
    s += std::to_string(static_cast<long>(row) + 1);
    return s;
}

const char* POS(int col, int row, int col2, int row2) {
    std::string s = cellName(col, row);
    if (col2 != -1) {
        s += ':';
        s += cellName(col2, row2);
    }
    std::snprintf(g_refBuffer, sizeof g_refBuffer, "%s", s.c_str());
    return g_refBuffer;
}

}  // extern "C"
