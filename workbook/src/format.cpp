// Cell formatting: fonts, number formats, attribute (XF) records, lines, column widths
// and row heights.
#include "internal.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace celvane {
namespace {

constexpr uint16_t kFontRec = 0x0031;
constexpr uint16_t kFormatRec = 0x041E;
constexpr uint16_t kXfRec = 0x00E0;
constexpr uint16_t kStyleRec = 0x0293;

// The fields of a FONT record.
struct FontSpec {
    unsigned height = 220, options = 0, color = 0x7FFF, weight = 400, escapement = 0, underline = 0;
    unsigned family = 0, charset = 128, reserved = 0;
    std::string name;  // CP932
};

// Process-wide default font tables, BIFF5 and BIFF8 layout.
FontSpec* defaultTable(bool biff8) {
    static FontSpec t5[5], t8[5];
    static bool ready = false;
    if (!ready) {
        ready = true;
        std::string mincho = cp932("明朝"), gothic = cp932("ＭＳ Ｐゴシック");
        for (int i = 0; i < 5; ++i) {
            t5[i].name = mincho;
            t5[i].options = i < 4 ? i : 0;
            t5[i].weight = (i == 1 || i == 3) ? 700 : 400;
            t8[i].name = gothic;
            t8[i].family = 3;
        }
        t8[4].height = 120;
    }
    return biff8 ? t8 : t5;
}

std::string fontData(const FontSpec& f, bool biff8) {
    std::string d;
    for (unsigned v : {f.height, f.options, f.color, f.weight, f.escapement}) put16(d, v);
    put8(d, f.underline);
    put8(d, f.family);
    put8(d, f.charset);
    put8(d, f.reserved);
    if (biff8) {
        std::string name;
        encodeBiff8(f.name, false, false, name);
        d.append(name);
    } else {
        put8(d, static_cast<unsigned>(f.name.size()));
        d.append(f.name);
    }
    return d;
}

double correctSize(double size) {
    if (!(size > 0)) return 11;
    if (size < 1) return 1;
    if (size > 409) return 409;
    return size;
}

// A FONT built from the interface's arguments. `nameCp932` already checked.
FontSpec fontFromArgs(const std::string& nameCp932, double size, int color, int style, int underline) {
    FontSpec f;
    if (style < 0) style = 0;
    f.height = static_cast<unsigned>(correctSize(size) * 20);
    f.options = ((style & 2) ? 0x0002 : 0) | ((style & 4) ? 0x0008 : 0);
    f.color = color < 1 ? 0x7FFF : static_cast<unsigned>(color) & 0xFFFF;
    f.weight = (style & 1) ? 700 : 400;
    f.escapement = (style & 8) ? 1 : (style & 16) ? 2 : 0;
    f.underline = underline < 0 ? 0 : static_cast<unsigned>(underline) & 0xFF;
    f.reserved = 0xA2;
    f.name = nameCp932;
    return f;
}

int fontNumberOf(std::size_t position) { return static_cast<int>(position < 4 ? position : position + 1); }

// ---- number formats ------------------------------------------------------------

struct BuiltinFormat {
    int index;
    const char* text;
};
const BuiltinFormat kBuiltinFormats[] = {
    {5, R"("\"#,##0;"\"\-#,##0)"},
    {6, R"("\"#,##0;[Red]"\"\-#,##0)"},
    {7, R"("\"#,##0.00;"\"\-#,##0.00)"},
    {8, R"("\"#,##0.00;[Red]"\"\-#,##0.00)"},
    {42, R"(_ "\"* #,##0_ ;_ "\"* \-#,##0_ ;_ "\"* "-"_ ;_ @_ )"},
    {41, R"(_ * #,##0_ ;_ * \-#,##0_ ;_ * "-"_ ;_ @_ )"},
    {44, R"(_ "\"* #,##0.00_ ;_ "\"* \-#,##0.00_ ;_ "\"* "-"??_ ;_ @_ )"},
    {43, R"(_ * #,##0.00_ ;_ * \-#,##0.00_ ;_ * "-"??_ ;_ @_ )"},
    {23, R"(\$#,##0_);\(\$#,##0\))"},
    {24, R"(\$#,##0_);[Red]\(\$#,##0\))"},
    {25, R"(\$#,##0.00_);\(\$#,##0.00\))"},
    {26, R"(\$#,##0.00_);[Red]\(\$#,##0.00\))"},
};

// Format text data after the index.
std::string formatText(std::string_view text, bool biff8) {
    std::string d;
    if (biff8) {
        encodeBiff8(text, false, true, d);
    } else {
        put8(d, static_cast<unsigned>(text.size()));
        d.append(text);
    }
    return d;
}

void addFormat(Book& b, int index, std::string_view text) {
    std::string d;
    put16(d, index);
    d.append(formatText(text, b.biff8));
    b.globals[Book::Formats].add(kFormatRec, d);
}

// "[" + a Japanese colour word outside double quotes becomes "[" + the keyword.
std::string rewriteColourWords(const std::string& in) {
    static const std::pair<std::string, const char*> words[] = {
        {cp932("赤"), "Red"},   {cp932("色"), "Color"}, {cp932("青"), "Blue"},
        {cp932("緑"), "Green"}, {cp932("黄"), "Yellow"}, {cp932("白"), "White"},
        {cp932("黒"), "Black"}, {cp932("水"), "Cyan"},  {cp932("紫"), "Magenta"},
    };
    std::string out;
    bool quoted = false;
    for (std::size_t i = 0; i < in.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(in[i]);
        if (c == '"') quoted = !quoted;
        if (c == '[' && !quoted && i + 2 < in.size() + 0 && i + 2 <= in.size()) {
            bool done = false;
            for (const auto& [w, kw] : words) {
                if (in.compare(i + 1, 2, w) == 0) {
                    out += '[';
                    out += kw;
                    i += 2;
                    done = true;
                    break;
                }
            }
            if (done) continue;
        }
        out += static_cast<char>(c);
        if ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) {
            if (i + 1 < in.size()) out += in[++i];
        }
    }
    return out;
}

// ---- XF records ----------------------------------------------------------------

std::string hexBytes(const char* s) {
    std::string out;
    for (const char* p = s; *p;) {
        while (*p == ' ') ++p;
        if (!*p) break;
        char h[3] = {p[0], p[1], 0};
        out.push_back(static_cast<char>(std::strtoul(h, nullptr, 16)));
        p += 2;
    }
    return out;
}

std::string xfData(const Desc& d, bool biff8) {
    auto u = [&](int f) { return static_cast<unsigned>(static_cast<unsigned short>(d[f])); };
    std::string x;
    put16(x, u(fFont));
    put16(x, u(fFormat));
    put16(x, 0x0001);
    unsigned back = u(fBack) * 128 + (d[fBack] < 2 ? 0x2000 : 0);
    if (!biff8) {
        unsigned align = u(fHorz) | u(fWrap) << 3 | u(fVert) << 4 | u(fOrient) << 8;
        if (d[fFont] != 0) align |= 0x0400;
        if (d[fFormat] != 0) align |= 0x0800;
        if (d[fHorz] != 0 || d[fWrap] != 0 || d[fVert] != 2 || d[fOrient] != 0) align |= 0x1000;
        bool lines = false;
        for (int f = fTop; f <= fColRight; ++f) lines = lines || d[f] != 0;
        if (lines) align |= 0x2000;
        if (d[fPattern] != 0 || d[fPatColor] != 64 || d[fBack] != 1) align |= 0x4000;
        put16(x, align);
        put16(x, u(fPatColor) | back);
        put16(x, u(fPattern) | u(fBottom) << 6 | u(fColBottom) << 9);
        put16(x, u(fTop) | u(fLeft) << 3 | u(fRight) << 6 | u(fColTop) << 9);
        put16(x, u(fColLeft) | u(fColRight) << 7);
    } else {
        put16(x, u(fHorz) | u(fWrap) << 3 | u(fVert) << 4 | u(fRotation) << 8);
        put16(x, u(fIndent) | u(fShrink) << 4 | u(fMerge) << 5 | 0x1000);
        put16(x, u(fLeft) | u(fRight) << 4 | u(fTop) << 8 | u(fBottom) << 12);
        put16(x, u(fColLeft) | u(fColRight) << 7 | u(fDiagKind) << 14);
        put16(x, (u(fColTop) | u(fColBottom) << 7 | u(fDiagColor) << 14) & 0xFFFF);
        put16(x, u(fDiagColor) / 4 | u(fDiagStyle) << 5 | u(fPattern) << 10);
        put16(x, u(fPatColor) | back);
    }
    return x;
}

void normalise(Desc& d, bool biff8) {
    if (d[fFont] == -1) d[fFont] = 0;
    if (d[fFormat] == -1) d[fFormat] = 0;
    if (d[fHorz] == -1) d[fHorz] = 0;
    if (d[fWrap] == -1) d[fWrap] = 0;
    if (d[fVert] == -1) d[fVert] = 2;
    if (d[fOrient] == -1) d[fOrient] = 0;
    int maxStyle = biff8 ? 13 : 7;
    for (int f = fTop; f <= fRight; ++f)
        if (d[f] < 0 || d[f] > maxStyle) d[f] = 0;
    if (biff8) {
        if (d[fRotation] < 0) d[fRotation] = static_cast<short>(90 - d[fRotation]);
        if (d[fRotation] != 255 && (d[fRotation] < 0 || d[fRotation] > 180)) d[fRotation] = 0;
        if (d[fShrink] < 0 || d[fShrink] > 1) d[fShrink] = 0;
        if (d[fMerge] < 0 || d[fMerge] > 1) d[fMerge] = 0;
        if (d[fDiagKind] < 0 || d[fDiagKind] > 3) d[fDiagKind] = 0;
        if (d[fDiagStyle] < 0 || d[fDiagStyle] > 13) d[fDiagStyle] = 0;
        if (d[fDiagColor] < 8 || d[fDiagColor] > 63) d[fDiagColor] = 64;
        if (d[fIndent] < 0 || d[fIndent] > 15 || d[fHorz] != 1) d[fIndent] = 0;
        if (d[fDiagKind] == 0 || d[fDiagStyle] == 0) d[fDiagColor] = 0;
        else if (d[fDiagColor] == 0) d[fDiagColor] = 64;
    } else {
        // Fields a BIFF5 record cannot hold take one fixed value, so they never make two
        // descriptions differ.
        for (int f = fShrink; f <= fIndent; ++f) d[f] = 0;
        d[fRotation] = 0;
    }
    for (int f = fColTop; f <= fColRight; ++f)
        if (d[f] < 8 || d[f] > 63) d[f] = 64;
    if (d[fPattern] < 0) d[fPattern] = 0;
    if (d[fPatColor] < 8 || d[fPatColor] > 63) d[fPatColor] = 64;
    if (d[fBack] < 8 || d[fBack] > 63) d[fBack] = 1;
    if (d[fPattern] == 1 && d[fPatColor] >= 1 && d[fPatColor] <= 63) d[fBack] = 0;
    if (d[fPattern] == 0 && d[fBack] > 1) {
        d[fPattern] = 1;
        d[fPatColor] = d[fBack];
        d[fBack] = 0;
    }
    for (int side = 0; side < 4; ++side) {
        if (d[fTop + side] == 0) d[fColTop + side] = 0;
        else if (d[fColTop + side] == 0) d[fColTop + side] = 64;
    }
}

// Takes the fields a description gives over a base description.
Desc overlayGiven(const Desc& base, const Desc& given, bool biff8) {
    Desc d = base;
    for (int f = 0; f <= fBack; ++f)
        if (given[f] != -1) d[f] = given[f];
    if (biff8) {
        for (int f = fShrink; f <= fIndent; ++f)
            if (given[f] != -1) d[f] = given[f];
        if (given[fRotation] != 0) d[fRotation] = given[fRotation];
    }
    return d;
}

bool isColour(int f) { return (f >= fColTop && f <= fColRight) || f == fPatColor || f == fBack; }

}  // namespace

Desc unsetDesc() {
    Desc d;
    d.fill(-1);
    d[fRotation] = 0;
    return d;
}

Desc defaultDesc() {
    Desc d = unsetDesc();
    d[fFont] = 0;
    d[fFormat] = 0;
    d[fHorz] = 0;
    d[fWrap] = 0;
    d[fVert] = 2;
    d[fOrient] = 0;
    return d;
}

Desc toDesc(const AttrDesc& a) {
    Desc d;
    std::memcpy(d.data(), &a, sizeof(AttrDesc));
    return d;
}

AttrDesc fromDesc(const Desc& d) {
    AttrDesc a;
    std::memcpy(&a, d.data(), sizeof(AttrDesc));
    return a;
}
static_assert(sizeof(AttrDesc) == sizeof(Desc), "AttrDesc is 24 16-bit fields");

void installDefaultTables(Book& b) {
    const FontSpec* table = defaultTable(b.biff8);
    for (int i = 0; i < 5; ++i) {
        FontSpec f = table[i];
        if (f.name.empty()) f.name = b.defFontName;  // set without a name: the book's default
        b.globals[Book::Fonts].add(kFontRec, fontData(f, b.biff8));
    }
    for (const BuiltinFormat& f : kBuiltinFormats) addFormat(b, f.index, f.text);
    static const char* k5[] = {
        "00 00 00 00 F5 FF 20 00 C0 20 00 00 00 00 00 00", "01 00 00 00 F5 FF 20 F4 C0 20 00 00 00 00 00 00",
        "02 00 00 00 F5 FF 20 F4 C0 20 00 00 00 00 00 00", "00 00 00 00 F5 FF 20 F4 C0 20 00 00 00 00 00 00",
        "00 00 00 00 01 00 20 00 C0 20 00 00 00 00 00 00", "05 00 00 00 F5 FF 20 F8 C0 20 00 00 00 00 00 00"};
    static const char* k8[] = {"00 00 00 00 F5 FF 20 00 00 00 00 00 00 00 00 00 00 00 C0 20",
                               "01 00 00 00 F5 FF 20 00 00 F4 00 00 00 00 00 00 00 00 C0 20",
                               "02 00 00 00 F5 FF 20 00 00 F4 00 00 00 00 00 00 00 00 C0 20",
                               "00 00 00 00 F5 FF 20 00 00 F4 00 00 00 00 00 00 00 00 C0 20",
                               "00 00 00 00 01 00 20 00 00 00 00 00 00 00 00 00 00 00 C0 20",
                               "01 00 00 00 F5 FF 20 00 00 F8 00 00 00 00 00 00 00 00 C0 20"};
    const char** t = b.biff8 ? k8 : k5;
    static const unsigned char kStyleFormats[] = {0x09, 0x26, 0x28, 0x06, 0x08};
    RecordList& xfs = b.globals[Book::Xfs];
    for (int i = 0; i <= 20; ++i) {
        std::string x;
        if (i == 0) x = hexBytes(t[0]);
        else if (i <= 2) x = hexBytes(t[1]);
        else if (i <= 4) x = hexBytes(t[2]);
        else if (i <= 14) x = hexBytes(t[3]);
        else if (i == 15) x = hexBytes(t[4]);
        else {
            x = hexBytes(t[5]);
            x[2] = static_cast<char>(kStyleFormats[i - 16]);
        }
        xfs.add(kXfRec, x);
    }
    static const unsigned kStyles[6][2] = {{16, 5}, {17, 6}, {18, 3}, {19, 7}, {20, 4}, {0, 0}};
    for (const auto& s : kStyles) {
        std::string d;
        put16(d, s[0] | 0x8000);
        put8(d, s[1]);
        put8(d, 0xFF);
        b.globals[Book::Styles].add(kStyleRec, d);
    }
}

Desc attrDescOf(const Book& b, int xf) {
    if (xf >= kFirstUserAttr && xf - kFirstUserAttr < static_cast<int>(b.userAttrs.size()))
        return b.userAttrs[xf - kFirstUserAttr];
    Desc d = defaultDesc();
    normalise(d, b.biff8);
    return d;
}

int attrNumber(Book& b, const Desc& given) {
    Desc d = given;
    normalise(d, b.biff8);
    auto it = b.attrIndex.find(d);
    if (it != b.attrIndex.end()) return it->second;
    int number = kFirstUserAttr + static_cast<int>(b.userAttrs.size());
    if (number > 4000) return kErrMemory;  // the XF index field holds 12 bits
    try {
        b.userAttrs.push_back(d);
    } catch (const std::bad_alloc&) {
        return kErrMemory;
    }
    try {
        b.globals[Book::Xfs].add(kXfRec, xfData(d, b.biff8));
        b.attrIndex.emplace(d, number);
    } catch (const std::bad_alloc&) {
        b.userAttrs.pop_back();
        return kErrMemory2;
    }
    return number;
}

Desc mergeDesc(const Book& b, const Desc& base, const Desc& over) {
    Desc d = base;
    for (int f = 0; f <= fBack; ++f) {
        short v = over[f];
        bool take = f == fVert ? v != 2 && v != -1 : isColour(f) ? (v >= 1 && v <= 63) : v > 0;
        if (take) d[f] = v;
    }
    if (b.biff8) {
        for (int f = fShrink; f <= fRotation; ++f)
            if (over[f] > 0) d[f] = over[f];
    }
    return d;
}

int mergeAttr(Book& b, int oldXf, int newXf) {
    return attrNumber(b, mergeDesc(b, attrDescOf(b, oldXf), attrDescOf(b, newXf)));
}

int columnAttr(const Sheet& s, int col) {
    for (auto it = s.colInfos.rbegin(); it != s.colInfos.rend(); ++it)
        if (col >= it->first && col <= it->last) return it->xf;
    return kDefaultAttr;
}

// Applies a description to every place of a rectangle: existing cells take it merged
// with their own (or laid over the default without merging); empty places receive
// BLANK or MULBLANK cells.
int applyAttr(int book, int sheet, int col1, int row1, int col2, int row2, const Desc& given, bool merge) {
    Book* b;
    Sheet* s;
    if (col1 > col2) std::swap(col1, col2);
    if (row1 > row2) std::swap(row1, row2);
    if (col1 < 0 || col2 > 255 || row1 < 0) return kErrPlace;
    int rc = lookupSheet(book, sheet, &b, &s);
    if (rc) return rc;
    if (row2 >= b->rowLimit) return kErrPlace;
    if (b->reading) return kErrMode;
    if (g_attrModeNoMerge) merge = false;
    Desc newDesc = given;
    normalise(newDesc, b->biff8);
    int fresh = attrNumber(*b, mergeDesc(*b, attrDescOf(*b, kDefaultAttr), newDesc));
    if (fresh < 0) return fresh;
    if (b->biff8 && newDesc[fMerge] == 1 && (col1 != col2 || row1 != row2)) {
        std::array<uint16_t, 4> area{static_cast<uint16_t>(row1), static_cast<uint16_t>(row2),
                                     static_cast<uint16_t>(col1), static_cast<uint16_t>(col2)};
        if (s->merged.empty() || s->merged.back() != area) {
            s->merged.push_back(area);
            if (s->merged.size() == 1024) {
                std::string d;
                put16(d, 1024);
                for (const auto& a : s->merged)
                    for (uint16_t v : a) put16(d, v);
                s->mergedFull.add(kMergedCells, d);
                s->merged.clear();
            }
        }
    }
    std::map<int, int> merged;  // old attribute -> merged attribute
    try {
        for (int r = row1; r <= row2; ++r) {
            Row* row = s->findRow(r);
            // Existing cells of the rectangle: split multiple-cell records at its edges.
            if (row) {
                for (int c = col1; c <= col2; ++c) {
                    Cell* cell = findCell(*s, r, c);
                    if (!cell) continue;
                    cell = isolateCell(*s, r, c);
                    int xf = fresh;
                    if (merge) {
                        auto it = merged.find(cell->xf);
                        if (it == merged.end()) {
                            int m = attrNumber(*b, mergeDesc(*b, attrDescOf(*b, cell->xf), newDesc));
                            if (m < 0) return m;
                            it = merged.emplace(cell->xf, m).first;
                        }
                        xf = it->second;
                    }
                    cell->xf = static_cast<uint16_t>(xf);
                }
            }
            // Empty runs.
            int c = col1;
            while (c <= col2) {
                if (findCell(*s, r, c)) {
                    ++c;
                    continue;
                }
                int end = c;
                while (end + 1 <= col2 && !findCell(*s, r, end + 1)) ++end;
                if (end == c) {
                    insertCell(*s, r, makeInline(c, kBlank, fresh, 0, 0));
                } else {
                    std::string xfs;
                    for (int k = c; k <= end; ++k) put16(xfs, fresh);
                    insertCell(*s, r, makeArena(*s, c, end, kMulBlank, 0, xfs));
                }
                c = end + 1;
            }
        }
    } catch (const std::bad_alloc&) {
        return kErrMemory;
    }
    return kOk;
}

int setBookDefaultFont(int book, const std::string& nameCp932, double size) {
    Book* b;
    int rc = lookupBook(book, &b);
    if (rc) return rc;
    if (size == -1.0) size = b->defFontSize;
    size = correctSize(size);
    if (nameCp932.size() > 32) return kErrLength;
    RecordList& fonts = b->globals[Book::Fonts];
    if (!fonts.items.empty()) {
        std::string& d = fonts.items[0].data;
        std::size_t old = d.size();
        set16(d, 0, static_cast<unsigned>(size * 20));
        d.resize(14);
        if (b->biff8) {
            std::string name;
            if (!encodeBiff8(nameCp932, false, false, name)) return kErrParam;
            d.append(name);
        } else {
            put8(d, static_cast<unsigned>(nameCp932.size()));
            d.append(nameCp932);
        }
        fonts.bytes = fonts.bytes - old + d.size();
    }
    b->defFontName = nameCp932;
    b->defFontSize = size;
    return kOk;
}

}  // namespace celvane

using namespace celvane;

namespace {

int lineRect(int book, int sheet, int c1, int r1, int c2, int r2, int line, std::initializer_list<int> sides) {
    Desc d = unsetDesc();
    for (int side : sides) {
        d[fTop + side] = static_cast<short>(line & 15);
        d[fColTop + side] = static_cast<short>((line >> 8) & 255);
    }
    return applyAttr(book, sheet, c1, r1, c2, r2, d, true);
}

}  // namespace

extern "C" {

int XM_FontNo(int book, const char* name, double size, int color, int style, int underline) {
    Book* b;
    int rc = lookupBook(book, &b);
    if (rc) return rc;
    std::string n;
    if (!name || !*name) n = b->defFontName;
    else if (!callerToCp932(name, n)) return kErrParam;
    if (n.size() > 32) return kErrLength;
    if (size == -1.0) size = b->defFontSize;
    std::string data = fontData(fontFromArgs(n, size, color, style, underline), b->biff8);
    RecordList& fonts = b->globals[Book::Fonts];
    for (std::size_t i = 0; i < fonts.items.size(); ++i)
        if (fonts.items[i].data == data) return fontNumberOf(i);
    try {
        fonts.add(kFontRec, data);
    } catch (const std::bad_alloc&) {
        return kErrMemory;
    }
    return fontNumberOf(fonts.items.size() - 1);
}

int XE_SetDefFont(int entry, const char* name, double size, int color, int style, int underline) {
    if (entry < 0 || entry > 4) return kErrParam;
    std::string n;
    if (name && !callerToCp932(name, n)) return kErrParam;
    if (n.size() > 32) return kErrLength;
    FontSpec f = fontFromArgs(n, size, color, style, underline);
    FontSpec* t5 = defaultTable(false);
    FontSpec* t8 = defaultTable(true);
    t5[entry] = f;
    t8[entry] = f;
    return kOk;
}

int XM_FmtNo(int book, const char* format) {
    Book* b;
    int rc = lookupBook(book, &b);
    if (rc) return rc;
    if (!format || !*format) return kErrLength;
    std::string text;
    if (!callerToCp932(format, text)) return kErrParam;
    text = rewriteColourWords(text);
    if (text.size() > (b->biff8 ? 256u : 255u)) return kErrLength;
    std::string want = formatText(text, b->biff8);
    if (b->biff8 && want.empty()) return kErrParam;
    RecordList& formats = b->globals[Book::Formats];
    for (const Record& r : formats.items)
        if (r.data.size() >= 2 && r.data.compare(2, std::string::npos, want) == 0) return static_cast<int>(get16(r.data, 0));
    int index = b->nextFormat;
    if (index > 0xFFFF) return kErrMemory;
    try {
        addFormat(*b, index, text);
    } catch (const std::bad_alloc&) {
        return kErrMemory;
    }
    ++b->nextFormat;
    return index;
}

int XM_GetAttrNo2(int book, const AttrDesc* desc) {
    Book* b;
    int rc = lookupBook(book, &b);
    if (rc) return rc;
    if (!desc) return kErrParam;
    Desc def = defaultDesc();
    return attrNumber(*b, overlayGiven(def, toDesc(*desc), b->biff8));
}

int XM_GetAttrNo(int book, int lineStyles, int lineColors, int horz, int font, int format) {
    Book* b;
    int rc = lookupBook(book, &b);
    if (rc) return rc;
    Desc d = unsetDesc();
    unsigned mask = b->biff8 ? 15 : 7;
    for (int side = 0; side < 4; ++side) {
        int shift = 24 - 8 * side;
        unsigned st = (static_cast<unsigned>(lineStyles) >> shift) & 0xFF;
        unsigned co = (static_cast<unsigned>(lineColors) >> shift) & 0xFF;
        if (st != 255) d[fTop + side] = static_cast<short>(st & mask);
        if (co != 255) d[fColTop + side] = static_cast<short>(co);
    }
    if (horz != -1) d[fHorz] = static_cast<short>(horz & 7);
    if (font != -1) d[fFont] = static_cast<short>(font);
    if (format != -1) d[fFormat] = static_cast<short>(format);
    AttrDesc a = fromDesc(d);
    return XM_GetAttrNo2(book, &a);
}

void XM_InitAttr(AttrDesc* desc) {
    if (desc) *desc = fromDesc(unsetDesc());
}

int XM_SetAttrExt(int book, int sheet, int col1, int row1, int col2, int row2, int attr) {
    Book* b;
    int rc = lookupBook(book, &b);
    if (rc) return rc;
    bool merge = attr >= 0;
    int a = attr < 0 ? -attr : attr;
    if (a >= kFirstUserAttr + static_cast<int>(b->userAttrs.size())) return kErrAttr;
    return applyAttr(book, sheet, col1, row1, col2, row2, attrDescOf(*b, a), merge);
}

int XM_SetAttr(int book, int sheet, int col, int row, int attr) {
    return XM_SetAttrExt(book, sheet, col, row, col, row, attr);
}

int XM_SetAttrExt2(int book, int sheet, int col1, int row1, int col2, int row2, const AttrDesc* desc) {
    if (!desc) return kErrParam;
    Book* b;
    int rc = lookupBook(book, &b);
    if (rc) return rc;
    return applyAttr(book, sheet, col1, row1, col2, row2, overlayGiven(defaultDesc(), toDesc(*desc), b->biff8),
                     true);
}

int XM_SetAttr2(int book, int sheet, int col, int row, const AttrDesc* desc) {
    return XM_SetAttrExt2(book, sheet, col, row, col, row, desc);
}

int XM_SetAttrh(int book, int sheet, const char* name, int dc, int dr, int attr) {
    Book* b;
    int rc = lookupBook(book, &b);
    if (rc) return rc;
    return forEachNamed(b, sheet, name, dc, dr, [&](int c, int r) { return XM_SetAttr(book, sheet, c, r, attr); });
}

int XM_SetAttrExth(int book, int sheet, const char* name, int dc1, int dr1, int dc2, int dr2, int attr) {
    Book* b;
    int rc = lookupBook(book, &b);
    if (rc) return rc;
    return forEachNamed(b, sheet, name, 0, 0, [&](int c, int r) {
        return XM_SetAttrExt(book, sheet, c + dc1, r + dr1, c + dc2, r + dr2, attr);
    });
}

int XM_SetAttr2h(int book, int sheet, const char* name, int dc, int dr, const AttrDesc* desc) {
    Book* b;
    int rc = lookupBook(book, &b);
    if (rc) return rc;
    return forEachNamed(b, sheet, name, dc, dr, [&](int c, int r) { return XM_SetAttr2(book, sheet, c, r, desc); });
}

int XM_SetAttrExt2h(int book, int sheet, const char* name, int dc1, int dr1, int dc2, int dr2,
                    const AttrDesc* desc) {
    Book* b;
    int rc = lookupBook(book, &b);
    if (rc) return rc;
    return forEachNamed(b, sheet, name, 0, 0, [&](int c, int r) {
        return XM_SetAttrExt2(book, sheet, c + dc1, r + dr1, c + dc2, r + dr2, desc);
    });
}

int XM_OverLine(int book, int sheet, int c1, int r1, int c2, int r2, int line) {
    return lineRect(book, sheet, c1, r1, c2, r2, line, {0});
}
int XM_UnderLine(int book, int sheet, int c1, int r1, int c2, int r2, int line) {
    return lineRect(book, sheet, c1, r1, c2, r2, line, {1});
}
int XM_LeftLine(int book, int sheet, int c1, int r1, int c2, int r2, int line) {
    return lineRect(book, sheet, c1, r1, c2, r2, line, {2});
}
int XM_RightLine(int book, int sheet, int c1, int r1, int c2, int r2, int line) {
    return lineRect(book, sheet, c1, r1, c2, r2, line, {3});
}
int XM_LtcLine(int book, int sheet, int c1, int r1, int c2, int r2, int line) {
    return lineRect(book, sheet, c1, r1, c2, r2, line, {0, 1, 2, 3});
}
int XM_BoxLine(int book, int sheet, int c1, int r1, int c2, int r2, int line) {
    if (c1 > c2) std::swap(c1, c2);
    if (r1 > r2) std::swap(r1, r2);
    int rc = XM_OverLine(book, sheet, c1, r1, c2, r1, line);
    if (!rc) rc = XM_LeftLine(book, sheet, c1, r1, c1, r2, line);
    if (!rc) rc = XM_RightLine(book, sheet, c2, r1, c2, r2, line);
    if (!rc) rc = XM_UnderLine(book, sheet, c1, r2, c2, r2, line);
    return rc;
}

int GetColVal(double fontSize, int width) {
    int d = static_cast<int>((fontSize + 1) * 2 / 3);
    if (d < 1) d = 1;
    int k = static_cast<int>(fontSize - 6);
    if (k < 0) k = 0;  // the table starts at 6 points
    static const int table[6] = {1, 0, 1, 1, 2, 3};
    int t = table[k % 6] + (k / 6) * 2;
    return static_cast<uint16_t>(width * 256 + 255 - (t * 256) / d);
}

int XM_SetColWidth(int book, int sheet, int col1, int col2, int width) {
    Book* b;
    Sheet* s;
    int rc = lookupSheet(book, sheet, &b, &s);
    if (rc) return rc;
    if (b->reading) return kErrMode;
    if (col1 < 0 || col1 > 255 || col2 < 0 || col2 > 255) return kErrPlace;
    if (col1 > col2) std::swap(col1, col2);
    if (width < 0 || width > 255) width = 255;
    ColInfo ci;
    ci.first = static_cast<uint16_t>(col1);
    ci.last = static_cast<uint16_t>(col2);
    ci.width = static_cast<uint16_t>(GetColVal(b->defFontSize, width));
    ci.options = width == 0 ? 1 : 0;
    for (ColInfo& old : s->colInfos) {
        if (old.first == ci.first && old.last == ci.last) {
            ci.xf = old.xf;
            old = ci;
            return kOk;
        }
    }
    try {
        s->colInfos.push_back(ci);
    } catch (const std::bad_alloc&) {
        return kErrMemory;
    }
    return kOk;
}

int XM_SetRowHeight(int book, int sheet, int row, double height) {
    Book* b;
    Sheet* s;
    int rc = checkPlace(book, sheet, 0, row, &b, &s);
    if (rc) return rc;
    if (b->reading) return kErrMode;
    if (!(height > 0)) height = 0;
    if (height > 409) height = 409;
    RowDesc d;
    d.heightTwips = static_cast<uint16_t>(height * 20);
    d.options = d.heightTwips == 0 ? 0x0120 : 0x0140;
    try {
        s->rowDescs[static_cast<uint16_t>(row)] = d;
    } catch (const std::bad_alloc&) {
        return kErrMemory;
    }
    return kOk;
}

}  // extern "C"
