// Reading fonts, number formats, cell attributes and page setup back from books of our
// own writer and of another writer, and from damaged globals.
#include "biff.h"

#include <celvane.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

using namespace wbtest;

namespace {

int errorNo() {
    int e = 0;
    XlsGetErrorNo(&e);
    return e;
}

bool sameDesc(const AttrDesc& a, const AttrDesc& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

std::string dump(const AttrDesc& a) {
    const short* f = &a.font;
    std::string s;
    for (int i = 0; i < 24; ++i) s += std::to_string(f[i]) + " ";
    return s;
}

struct Font {
    std::string name;
    double points = 0;
    int color = 0, style = 0, underline = 0;
};

Font getFont(int number) {
    Font f;
    char name[64] = "";
    EXPECT_EQ(XlsGetFont(number, name, sizeof name, &f.points, &f.color, &f.style, &f.underline), 1);
    f.name = name;
    return f;
}

class AttrRoundTrip : public ::testing::TestWithParam<bool> {
protected:
    TempDir dir;
    bool biff8() const { return GetParam(); }
};

TEST_P(AttrRoundTrip, FontsFormatsAttributesAndPageSetup) {
    const std::string p = dir.file("a.xls");
    int b = biff8() ? XM_Create97(p.c_str(), 2) : XM_Create(p.c_str(), 2);
    ASSERT_GE(b, 0);
    const std::string gothic = sj("ＭＳ ゴシック");
    const int f1 = XM_FontNo(b, "Arial", 14.5, 10, 1 | 2 | 4, 1);
    const int f2 = XM_FontNo(b, gothic.c_str(), 9, 12, 16, 2);
    const int f3 = XM_FontNo(b, "Courier", 11, 0, 8, 0);
    ASSERT_GE(f1, 5);
    ASSERT_GE(f2, 5);
    ASSERT_GE(f3, 5);
    const int fmt = XM_FmtNo(b, "0.000;[Red]-0.000");
    ASSERT_GE(fmt, 176);

    AttrDesc d;
    XM_InitAttr(&d);
    d.font = static_cast<short>(f2);
    d.format = static_cast<short>(fmt);
    d.horz = 3;
    d.wrap = 1;
    d.vert = 1;
    d.orient = 0;
    d.lineTop = 1;
    d.lineBottom = 2;
    d.lineLeft = 5;
    d.lineRight = 7;
    d.colorTop = 10;
    d.colorBottom = 12;
    d.colorLeft = 63;
    d.colorRight = 64;
    d.pattern = 3;
    d.patternColor = 13;
    d.backColor = 22;
    if (biff8()) {
        d.lineLeft = 12;
        d.shrink = 1;
        d.merge = 0;
        d.indent = 0;
        d.diagKind = 3;
        d.diagStyle = 9;
        d.diagColor = 17;
        d.rotation = 135;
    } else {
        d.orient = 2;
        d.shrink = d.merge = d.diagKind = d.diagStyle = d.diagColor = d.indent = 0;
    }
    const int a1 = XM_GetAttrNo2(b, &d);
    ASSERT_GT(a1, 20);
    AttrDesc plain;
    XM_InitAttr(&plain);
    plain.font = static_cast<short>(f1);
    plain.horz = 1;
    const int a2 = XM_GetAttrNo2(b, &plain);
    ASSERT_GT(a2, a1);
    ASSERT_EQ(XM_WriteDouble2(b, 0, 0, 0, 1.5, a1), 0);
    ASSERT_EQ(XM_WriteStr2(b, 0, 1, 0, "x", a2), 0);
    ASSERT_EQ(XM_SetPageMode(b, 1, 11, 75, 0, 10, 10), 0);
    ASSERT_EQ(XM_Close(b), 0);

    BookHandle h = 0;
    ASSERT_EQ(XlsReadBook(p.c_str(), &h), 1);
    int xfs = 0, formats = 0, fonts = 0;
    ASSERT_EQ(XlsGetAttrCnt(&xfs, &formats, &fonts), 1);
    EXPECT_EQ(xfs, a2 + 1);
    EXPECT_EQ(formats, 12 + 1);
    EXPECT_EQ(fonts, 5 + 3);

    // The attribute read back is the description as the writer stored it.
    AttrDesc got;
    XM_InitAttr(&got);
    ASSERT_EQ(XlsGetAttr(a1, &got), 1);
    EXPECT_TRUE(sameDesc(got, d)) << dump(got) << "\n" << dump(d);
    ASSERT_EQ(XlsGetAttr(a2, &got), 1);
    EXPECT_EQ(got.font, f1);
    EXPECT_EQ(got.format, 0);
    EXPECT_EQ(got.horz, 1);
    EXPECT_EQ(got.vert, 2);
    EXPECT_EQ(got.lineTop, 0);
    EXPECT_EQ(got.pattern, 0);
    EXPECT_EQ(got.patternColor, 64);
    EXPECT_EQ(got.backColor, 1);
    // A negative number is the default cell attribute 15.
    AttrDesc a15, neg;
    ASSERT_EQ(XlsGetAttr(15, &a15), 1);
    ASSERT_EQ(XlsGetAttr(-1, &neg), 1);
    EXPECT_TRUE(sameDesc(a15, neg));
    EXPECT_EQ(a15.font, 0);
    EXPECT_EQ(a15.vert, 2);

    Font f = getFont(f1);
    EXPECT_EQ(f.name, "Arial");
    EXPECT_EQ(f.points, 14.5);
    EXPECT_EQ(f.color, 10);
    EXPECT_EQ(f.style, 7);
    EXPECT_EQ(f.underline, 1);
    f = getFont(f2);
    EXPECT_EQ(f.name, gothic);
    EXPECT_EQ(f.points, 9);
    EXPECT_EQ(f.color, 12);
    EXPECT_EQ(f.style, 16);
    EXPECT_EQ(f.underline, 2);
    f = getFont(f3);
    EXPECT_EQ(f.style, 8);
    EXPECT_EQ(f.color, 0x7FFF);  // no colour given: automatic
    EXPECT_EQ(getFont(1).style, biff8() ? 0 : 1);
    // There is no font 4, nor one past the last: the outputs stay as they were.
    char name[8] = "keep";
    double pts = -1;
    int col = -2, sty = -3, ul = -4;
    EXPECT_EQ(XlsGetFont(4, name, sizeof name, &pts, &col, &sty, &ul), 1);
    EXPECT_EQ(XlsGetFont(fonts + 1, name, sizeof name, &pts, &col, &sty, &ul), 1);
    EXPECT_EQ(XlsGetFont(-1, name, sizeof name, &pts, &col, &sty, &ul), 1);
    EXPECT_STREQ(name, "keep");
    EXPECT_EQ(pts, -1);
    EXPECT_EQ(col + sty + ul, -9);
    // A name that does not fit: everything else is filled, the name is not.
    char small[4] = "abc";
    EXPECT_EQ(XlsGetFont(f1, small, sizeof small, &pts, &col, &sty, &ul), 1);
    EXPECT_STREQ(small, "abc");
    EXPECT_EQ(pts, 14.5);

    char text[64] = "";
    EXPECT_EQ(XlsGetFormat(fmt, text, sizeof text), 1);
    EXPECT_STREQ(text, "0.000;[Red]-0.000");
    EXPECT_EQ(XlsGetFormat(6, text, sizeof text), 1);
    EXPECT_STREQ(text, R"("\"#,##0;[Red]"\"\-#,##0)");
    EXPECT_EQ(XlsGetFormat(fmt, text, 5), 1);  // cut to the buffer
    EXPECT_STREQ(text, "0.00");
    std::strcpy(text, "keep");
    EXPECT_EQ(XlsGetFormat(999, text, sizeof text), 1);
    EXPECT_STREQ(text, "keep");
    XlsCloseBook(0);
}

TEST_P(AttrRoundTrip, PageSetupAndMargins) {
    const std::string p = dir.file("p.xls");
    BookHandle h = 0;
    ASSERT_EQ(XlsCreateBook(p.c_str(), biff8() ? 97 : 95, 3, &h), 1);
    ASSERT_EQ(XlsSheetNo(1), 1);
    ASSERT_EQ(XlsPageMode(11, 75, 0, 10, 12), 1);
    ASSERT_EQ(XlsSetMargin(13, 17, 30, 0), 1);
    ASSERT_EQ(XlsSheetNo(2), 1);
    ASSERT_EQ(XlsPageMode(9, 150, 1, -1, -1), 1);
    ASSERT_EQ(XlsSetMargin(-1, 33, -1, 7), 1);
    ASSERT_EQ(XlsCloseBook(1), 1);

    ASSERT_EQ(XlsReadBook(p.c_str(), &h), 1);
    int paper = 0, scale = 0, options = 0, m[4] = {0, 0, 0, 0};
    ASSERT_EQ(XlsGetPageMode(0, &paper, &scale, &options, m), 1);
    EXPECT_EQ(std::vector<int>(m, m + 4), (std::vector<int>{20, 25, 20, 25}));
    ASSERT_EQ(XlsGetPageMode(1, &paper, &scale, &options, m), 1);
    EXPECT_EQ(paper, 11);
    EXPECT_EQ(scale, 75);
    EXPECT_EQ(options & 6, 0);  // landscape, settings valid
    EXPECT_EQ(std::vector<int>(m, m + 4), (std::vector<int>{13, 30, 17, 0}));
    ASSERT_EQ(XlsGetPageMode(2, &paper, &scale, &options, m), 1);
    EXPECT_EQ(paper, 9);
    EXPECT_EQ(scale, 150);
    EXPECT_EQ(options & 6, 2);  // portrait
    EXPECT_EQ(std::vector<int>(m, m + 4), (std::vector<int>{20, 25, 33, 7}));

    paper = -5;
    EXPECT_EQ(XlsGetPageMode(3, &paper, &scale, &options, m), 0);  // no such sheet
    EXPECT_EQ(XlsGetPageMode(-1, &paper, &scale, &options, m), 0);
    EXPECT_EQ(paper, -5);
    XlsCloseBook(0);
}

INSTANTIATE_TEST_SUITE_P(Formats, AttrRoundTrip, ::testing::Values(false, true),
                         [](const auto& i) { return i.param ? "Biff8" : "Biff5"; });

// The inquiry functions answer with their return value and leave the error number as the
// last reporting call set it, whether they succeed or not.
TEST(AttrReading, InquiriesLeaveTheErrorNumberAlone) {
    TempDir dir;
    const std::string p = dir.file("r.xls");
    int bk = XM_Create97(p.c_str(), 2);
    ASSERT_GE(bk, 0);
    ASSERT_EQ(XM_WriteInt(bk, 0, 2, 3, 5), 0);
    ASSERT_EQ(XM_Close(bk), 0);

    int a, b, c, m[4];
    AttrDesc d;
    char buf[32];
    double pts;
    // Each inquiry on the current sheet (XlsSheetNo reports, so it is set beforehand).
    auto all = [&](int sheet, int number) {
        std::vector<int> r;
        r.push_back(XlsGetMaxData(&a, &b));
        r.push_back(XlsGetColWidth(0));
        r.push_back(XlsGetRowHeight(0) > 0 ? 1 : 0);
        r.push_back(XlsGetSheetName(sheet, buf, sizeof buf));
        r.push_back(XlsGetAttr(number, &d));
        r.push_back(XlsGetFont(number, buf, sizeof buf, &pts, &a, &b, &c));
        r.push_back(XlsGetFormat(number, buf, sizeof buf));
        r.push_back(XlsGetAttrCnt(&a, &b, &c));
        r.push_back(XlsGetPageMode(sheet, &a, &b, &c, m));
        int col, row, attr, kind, whole;
        r.push_back(XlsGetReadBin(&col, &row, &attr, buf, sizeof buf, &kind, &pts, &whole, 0));
        r.push_back(XlsGetVersion());
        return r;
    };

    // No book: 0 from each (XlsGetColWidth too).
    XlsAllClose();
    XlsSetErrorNo(77);
    EXPECT_EQ(all(0, 0), std::vector<int>(11, 0));
    EXPECT_EQ(errorNo(), 77);

    // A book open for reading: answers, and records that are not there.
    BookHandle h = 0;
    ASSERT_EQ(XlsReadBook(p.c_str(), &h), 1);
    XlsSetErrorNo(77);
    std::vector<int> got = all(0, 0);
    EXPECT_EQ(got[0], 1);
    EXPECT_EQ(got[1], 2208);
    EXPECT_EQ(got[8], 1);
    EXPECT_GT(got[9], 0);
    EXPECT_EQ(errorNo(), 77);
    ASSERT_EQ(XlsSheetNo(5), 1);
    XlsSetErrorNo(0);
    all(0, 9999);
    all(5, 4);
    EXPECT_EQ(errorNo(), 0);
    XlsSetErrorNo(77);
    all(5, 4);
    EXPECT_EQ(errorNo(), 77);
    // A negative sheet is no sheet: the sequential reader answers 1 as for one beyond.
    ASSERT_EQ(XlsSheetNo(-1), 1);
    got = all(-1, -1);
    EXPECT_EQ(got[9], 1);
    EXPECT_EQ(got[0], 0);
    EXPECT_EQ(XlsCloseBook(0), 1);

    // A book open for writing cannot be asked: 0 (-1 from the sequential reader).
    ASSERT_EQ(XlsCreateBook(dir.file("w.xls").c_str(), 97, 1, &h), 1);
    XlsSetErrorNo(77);
    got = all(0, 0);
    EXPECT_EQ(errorNo(), 77);
    EXPECT_EQ(got[0], 0);
    EXPECT_EQ(got[4], 0);
    EXPECT_EQ(got[5], 0);
    EXPECT_EQ(got[6], 0);
    EXPECT_EQ(got[7], 0);
    EXPECT_EQ(got[8], 0);
    EXPECT_EQ(got[9], -1);
    XlsCloseBook(0);
}

// Position of the first occurrence of a record header in a file's bytes.
std::size_t findHeader(const std::string& bytes, uint16_t id, uint16_t length) {
    const char h[4] = {char(id & 0xFF), char(id >> 8), char(length & 0xFF), char(length >> 8)};
    return bytes.find(std::string(h, 4));
}

TEST(AttrReading, DamagedGlobalsAndSheetsGiveErrorsNotCrashes) {
    TempDir dir;
    const std::string p = dir.file("good.xls");
    int b = XM_Create97(p.c_str(), 1);
    ASSERT_GE(b, 0);
    const int font = XM_FontNo(b, "Arial", 12, 10, 1, 0);
    const int fmt = XM_FmtNo(b, "0.0");
    const int a = XM_GetAttrNo(b, -1, -1, 2, font, fmt);
    ASSERT_GT(a, 20);
    XM_WriteDouble2(b, 0, 0, 0, 1, a);
    ASSERT_EQ(XM_Close(b), 0);
    std::ifstream in(p, std::ios::binary);
    const std::string good((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string bad = dir.file("bad.xls");
    auto reopen = [&](const std::string& bytes) {
        XlsAllClose();
        std::ofstream(bad, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
        BookHandle h;
        return XlsReadBook(bad.c_str(), &h) == 1;
    };

    // An XF record claiming more than a record may hold ends the globals there: the
    // records before it are still counted and read, the later ones are missing.
    std::string m = good;
    std::size_t at = findHeader(m, 0x00E0, 20);
    ASSERT_NE(at, std::string::npos);
    m[at + 4 + 20 + 3] = 0x30;
    ASSERT_TRUE(reopen(m));
    int xfs = -1, formats = -1, fonts = -1;
    EXPECT_EQ(XlsGetAttrCnt(&xfs, &formats, &fonts), 1);
    EXPECT_EQ(xfs, 1);
    EXPECT_EQ(fonts, 6);
    AttrDesc d;
    XM_InitAttr(&d);
    EXPECT_EQ(XlsGetAttr(a, &d), 1);
    EXPECT_EQ(d.font, -1);  // not in the readable part: unchanged
    EXPECT_EQ(XlsGetAttr(0, &d), 1);
    EXPECT_EQ(d.font, 0);

    // A sheet whose SETUP record is missing: the search meets the column records first.
    m = good;
    at = findHeader(m, 0x00A1, 34);
    ASSERT_NE(at, std::string::npos);
    m[at] = char(0xA2);
    ASSERT_TRUE(reopen(m));
    int paper = -1, scale = -1, options = -1, margins[4] = {-1, -1, -1, -1};
    XlsSetErrorNo(0);
    EXPECT_EQ(XlsGetPageMode(0, &paper, &scale, &options, margins), -1);
    EXPECT_EQ(errorNo(), 0);
    EXPECT_EQ(paper, -1);
    EXPECT_EQ(margins[0], -1);

    // Random damage anywhere: every call returns, with or without a result.
    std::mt19937 rng(11);
    for (int round = 0; round < 150; ++round) {
        m = good;
        const int flips = 1 + int(rng() % 8);
        for (int i = 0; i < flips; ++i) m[rng() % m.size()] = char(rng());
        if (!reopen(m)) continue;
        XlsGetAttrCnt(&xfs, &formats, &fonts);
        for (int n = -1; n < 30; ++n) {
            char name[40], text[40];
            double pts;
            int c, s, u;
            XlsGetAttr(n, &d);
            XlsGetFont(n, name, sizeof name, &pts, &c, &s, &u);
            XlsGetFormat(n < 0 ? fmt : n, text, sizeof text);
        }
        XlsGetPageMode(0, &paper, &scale, &options, margins);
    }
    XlsAllClose();
}

// A book of another writer (Spreadsheet::WriteExcel), also converted by Gnumeric.
TEST(AttrReading, OtherWritersFontsFormatsAndPageSetup) {
    TempDir dir;
    const std::string we = dir.file("we.xls");
    ASSERT_EQ(std::system(("perl " WBTEST_SCRIPTS "/make_reference_format.pl '" + we + "'").c_str()), 0);
    std::vector<std::string> books = {we};
    for (const char* exporter : {"Gnumeric_Excel:excel_biff7", "Gnumeric_Excel:excel_biff8"}) {
        const std::string out = dir.file(std::string(exporter).substr(15) + ".xls");
        const std::string cmd = std::string("ssconvert -T ") + exporter + " '" + we + "' '" + out + "' >/dev/null 2>&1";
        ASSERT_EQ(std::system(cmd.c_str()), 0);
        books.push_back(out);
    }
    for (const std::string& path : books) {
        SCOPED_TRACE(path);
        BookHandle h;
        ASSERT_EQ(XlsReadBook(path.c_str(), &h), 1);
        // The attribute of A1 as the sequential reader reports it.
        int col, row, attr = -1, kind, whole;
        double v;
        char t[16];
        ASSERT_GT(XlsGetReadBin(&col, &row, &attr, t, sizeof t, &kind, &v, &whole, 0), 0);
        EXPECT_EQ(col + row, 0);
        AttrDesc d;
        XM_InitAttr(&d);
        ASSERT_EQ(XlsGetAttr(attr, &d), 1);
        EXPECT_EQ(d.horz, 2);
        EXPECT_EQ(d.vert, 0);
        EXPECT_EQ(d.wrap, 1);
        EXPECT_EQ(d.lineTop, 2);
        EXPECT_EQ(d.lineBottom, 2);
        EXPECT_EQ(d.lineLeft, 2);
        EXPECT_EQ(d.lineRight, 2);
        EXPECT_EQ(d.colorTop, 12);
        EXPECT_EQ(d.pattern, 1);
        EXPECT_EQ(d.patternColor, 13);
        Font f = getFont(d.font);
        EXPECT_EQ(f.name, "Courier New");
        EXPECT_EQ(f.points, 14);
        EXPECT_EQ(f.color, 10);
        EXPECT_EQ(f.style, 1 | 2 | 4);
        EXPECT_EQ(f.underline, 1);
        char text[32] = "";
        EXPECT_EQ(XlsGetFormat(d.format, text, sizeof text), 1);
        EXPECT_STREQ(text, "0.000");
        int xfs = 0, formats = 0, fonts = 0;
        EXPECT_EQ(XlsGetAttrCnt(&xfs, &formats, &fonts), 1);
        EXPECT_GT(xfs, attr);
        EXPECT_GE(formats, 1);
        EXPECT_GT(fonts, 4);
        int paper = 0, scale = 0, options = 0, m[4];
        ASSERT_EQ(XlsGetPageMode(0, &paper, &scale, &options, m), 1);
        EXPECT_EQ(paper, 11);
        EXPECT_EQ(scale, 75);
        EXPECT_EQ(options & 2, 0);  // landscape
        EXPECT_EQ(std::vector<int>(m, m + 4), (std::vector<int>{12, 25, 38, 19}));
        XlsCloseBook(0);
    }
}

}  // namespace
