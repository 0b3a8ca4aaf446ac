// Fonts, number formats, attributes, lines, column widths and row heights.
#include "biff.h"

#include <celvane.h>
#include <gtest/gtest.h>

#include <base/text.h>

#include <string>

using namespace wbtest;

namespace {

class Format : public ::testing::Test {
protected:
    void TearDown() override { XlsAllClose(); }
    TempDir dir;
};

// The user XF records of a stored book (number 21 onwards).
std::vector<const Rec*> userXfs(const Stream& s) {
    auto xfs = s.all(0x00E0);
    return std::vector<const Rec*>(xfs.begin() + 21, xfs.end());
}

TEST_F(Format, FontsAreSharedAndCorrected) {
    std::string path = dir.file("fonts.xls");
    int b = XM_Create97(path.c_str(), 1);
    EXPECT_EQ(XM_FontNo(b, "Arial", 10, 0, 0, 0), 6);
    EXPECT_EQ(XM_FontNo(b, "Arial", 10, 0, 0, 0), 6);
    EXPECT_EQ(XM_FontNo(b, "Arial", 0, 0, 0, 0), 7);     // 11 pt
    EXPECT_EQ(XM_FontNo(b, "Arial", 500, 0, 2, 1), 8);   // 409 pt, italic, underlined
    EXPECT_EQ(XM_FontNo(b, std::string(33, 'n').c_str(), 10, 0, 0, 0), -31);
    EXPECT_EQ(XM_FontNo(7, "Arial", 10, 0, 0, 0), -3);
    ASSERT_EQ(XM_Close(b), 0);
    Stream s = readStream(path);
    auto fonts = s.all(0x0031);
    ASSERT_EQ(fonts.size(), 8u);
    EXPECT_EQ(fonts[5]->u16(0), 200u);
    EXPECT_EQ(fonts[6]->u16(0), 220u);
    EXPECT_EQ(fonts[7]->u16(0), 8180u);
    EXPECT_EQ(fonts[7]->u16(2), 2u);
    EXPECT_EQ(fonts[7]->u8(10), 1u);
    EXPECT_EQ(fonts[5]->u8(12), 128u);
}

TEST_F(Format, NumberFormatsAndColourWords) {
    std::string path = dir.file("formats.xls");
    int b = XM_Create(path.c_str(), 1);
    EXPECT_EQ(XM_FmtNo(b, "0.00"), 176);
    EXPECT_EQ(XM_FmtNo(b, "0.00"), 176);
    EXPECT_EQ(XM_FmtNo(b, R"("\"#,##0;"\"\-#,##0)"), 5);
    EXPECT_EQ(XM_FmtNo(b, sj("#,##0;[赤]-#,##0").c_str()), 177);
    EXPECT_EQ(XM_FmtNo(b, sj("[色10]0;\"[赤]\"").c_str()), 178);
    EXPECT_EQ(XM_FmtNo(b, ""), -31);
    EXPECT_EQ(XM_FmtNo(b, std::string(256, '0').c_str()), -31);
    int red = XM_GetAttrNo(b, -1, -1, -1, -1, 177);
    int colour = XM_GetAttrNo(b, -1, -1, -1, -1, 178);
    ASSERT_EQ(XM_WriteDouble2(b, 0, 0, 0, -1234.5, red), 0);
    ASSERT_EQ(XM_WriteDouble2(b, 0, 1, 0, 1, colour), 0);
    ASSERT_EQ(XM_WriteDouble2(b, 0, 2, 0, 2, XM_GetAttrNo(b, -1, -1, -1, -1, 26)), 0);
    ASSERT_EQ(XM_Close(b), 0);
    EXPECT_EQ(checkBook(path, R"J({"sheets": [{"cells": {"0,0": {"value": -1234.5, "format": "#,##0;[Red]-#,##0"},
        "0,1": {"format": "[Color10]0;\"[赤]\""}, "0,2": {"format": "\\$#,##0.00_);[Red]\\(\\$#,##0.00\\)"}}}]})J"),
              "");
}

TEST_F(Format, DescriptionsAreNormalisedAndShared) {
    std::string path = dir.file("attrs.xls");
    int b = XM_Create97(path.c_str(), 1);
    AttrDesc d;
    XM_InitAttr(&d);
    EXPECT_EQ(d.font, -1);
    EXPECT_EQ(d.rotation, 0);
    d.backColor = 10;  // a background without a pattern becomes a solid fill
    int fill = XM_GetAttrNo2(b, &d);
    EXPECT_EQ(fill, 21);
    XM_InitAttr(&d);
    d.pattern = 1;
    d.patternColor = 10;
    EXPECT_EQ(XM_GetAttrNo2(b, &d), fill);
    XM_InitAttr(&d);
    d.rotation = -90;  // clockwise 90: 180
    d.horz = 1;
    d.indent = 3;
    d.lineTop = 2;  // a line without colour gets the automatic colour
    int turned = XM_GetAttrNo2(b, &d);
    EXPECT_EQ(turned, 22);
    EXPECT_EQ(XM_GetAttrNo(b, XL_KTopNo(2), XL_KTopNo(64), 1, -1, -1), XM_GetAttrNo(b, XL_KTopNo(2), XL_KTopNo(0), 1, 0, 0));
    ASSERT_EQ(XM_Close(b), 0);
    Stream s = readStream(path);
    auto xfs = userXfs(s);
    ASSERT_GE(xfs.size(), 2u);
    EXPECT_EQ(xfs[0]->u16(16) >> 10, 1u);           // pattern 1
    EXPECT_EQ(xfs[0]->u16(18) & 0x7F, 10u);          // pattern colour 10
    EXPECT_EQ((xfs[0]->u16(18) >> 7) & 0x7F, 64u);   // background 0 with the 0x2000 flag
    EXPECT_EQ(xfs[1]->u8(7), 180u);                  // rotation
    EXPECT_EQ(xfs[1]->u8(8) & 15, 3u);               // indent
    EXPECT_EQ((xfs[1]->u16(10) >> 8) & 15, 2u);      // top style
    EXPECT_EQ(xfs[1]->u16(14) & 0x7F, 64u);          // top colour automatic
}

// Fills and borders in both record layouts, read back by both readers.
TEST_F(Format, FillsAndBordersInBothLayouts) {
    for (bool biff8 : {false, true}) {
        std::string path = dir.file(biff8 ? "fill8.xls" : "fill5.xls");
        int b = biff8 ? XM_Create97(path.c_str(), 1) : XM_Create(path.c_str(), 1);
        AttrDesc d;
        XM_InitAttr(&d);
        d.backColor = 10;
        ASSERT_EQ(XM_SetAttr2(b, 0, 0, 0, &d), 0);
        XM_InitAttr(&d);
        d.pattern = 2;
        d.patternColor = 12;
        d.backColor = 13;
        d.lineBottom = 5;
        d.colorBottom = 10;
        d.lineRight = 1;
        ASSERT_EQ(XM_SetAttr2(b, 0, 1, 0, &d), 0);
        ASSERT_EQ(XM_WriteInt(b, 0, 1, 0, 3), 0);
        ASSERT_EQ(XM_Close(b), 0);
        // (ParseExcel reads the automatic background 64 of a BIFF5 record as 0: only the
        // pattern and its colour are compared for the solid fill.)
        EXPECT_EQ(checkBook(path, R"({"sheets": [{"cells": {"0,0": {"kind": "blank", "pattern": [1, 10]},
            "0,1": {"value": 3, "fill": [2, 12, 13], "border": [0, 5, 0, 1]}}}]})"),
                  "")
            << biff8;
    }
}

TEST_F(Format, MergingKeepsWhatCellsHave) {
    std::string path = dir.file("merge.xls");
    int b = XM_Create97(path.c_str(), 1);
    int bold = XM_GetAttrNo(b, -1, -1, -1, XM_FontNo(b, nullptr, -1.0, 0, 1, 0), -1);
    int centre = XM_GetAttrNo(b, -1, -1, 2, -1, -1);
    ASSERT_EQ(XM_SetAttr(b, 0, 0, 0, bold), 0);
    ASSERT_EQ(XM_WriteInt(b, 0, 0, 0, 5), 0);        // keeps the bold font
    ASSERT_EQ(XM_SetAttr(b, 0, 0, 0, centre), 0);    // bold and centred
    ASSERT_EQ(XM_SetAttr(b, 0, 1, 0, bold), 0);
    ASSERT_EQ(XM_SetAttr(b, 0, 1, 0, -centre), 0);   // without merging: centred only
    ASSERT_EQ(XM_SetAttr(b, 0, 2, 0, bold), 0);
    XL_SetAttrMode(1);
    ASSERT_EQ(XM_WriteInt2(b, 0, 2, 0, 7, centre), 0);
    XL_SetAttrMode(0);
    ASSERT_EQ(XM_BoxLine(b, 0, 4, 4, 4, 4, 0x0A02), 0);  // an outline round one cell
    ASSERT_EQ(XM_LtcLine(b, 0, 1, 6, 2, 7, 0x0001), 0);
    EXPECT_EQ(XM_SetAttr(b, 0, 0, 0, 999), -33);
    EXPECT_EQ(XM_SetAttrExt(b, 0, 0, 0, 1, 65536, bold), -32);
    ASSERT_EQ(XM_Close(b), 0);
    const char* plain = R"(["ＭＳ Ｐゴシック", 220, 400, 0, 32767])";
    const char* heavy = R"(["ＭＳ Ｐゴシック", 220, 700, 0, 32767])";
    std::string expect = std::string(R"({"sheets": [{"cells": {"0,0": {"value": 5, "font": )") + heavy +
                         R"(, "halign": 2}, "0,1": {"kind": "blank", "font": )" + plain +
                         R"(, "halign": 2}, "0,2": {"value": 7, "font": )" + plain +
                         R"(, "halign": 2}, "4,4": {"border": [2, 2, 2, 2]}, "6,1": {"border": [1, 1, 1, 1]},
                         "7,2": {"border": [1, 1, 1, 1]}}}]})";
    EXPECT_EQ(checkBook(path, expect), "");
}

TEST_F(Format, ColumnWidthsAndRowHeights) {
    EXPECT_EQ(GetColVal(11, 8), 2207);
    EXPECT_EQ(GetColVal(11, 0), 159);
    EXPECT_GT(GetColVal(0, 8), 0);  // sizes below 6 points stay defined
    std::string path = dir.file("sizes.xls");
    int b = XM_Create(path.c_str(), 1);
    ASSERT_EQ(XM_SetColWidth(b, 0, 3, 1, 20), 0);
    ASSERT_EQ(XM_SetColWidth(b, 0, 1, 3, 12), 0);  // replaces the same range
    ASSERT_EQ(XM_SetColWidth(b, 0, 5, 5, 0), 0);
    ASSERT_EQ(XM_SetColWidth(b, 0, 6, 6, 300), 0);
    EXPECT_EQ(XM_SetColWidth(b, 0, 6, 256, 3), -32);
    ASSERT_EQ(XM_SetRowHeight(b, 0, 1, 0), 0);
    ASSERT_EQ(XM_SetRowHeight(b, 0, 2, -5), 0);
    ASSERT_EQ(XM_SetRowHeight(b, 0, 3, 500), 0);
    ASSERT_EQ(XM_SetRowHeight(b, 0, 4, 24.5), 0);
    EXPECT_EQ(XM_SetRowHeight(b, 0, 16384, 10), -32);
    ASSERT_EQ(XM_WriteInt(b, 0, 0, 4, 1), 0);
    ASSERT_EQ(XM_Close(b), 0);
    Stream s = readStream(path);
    auto cols = s.all(0x007D);
    ASSERT_EQ(cols.size(), 3u);
    EXPECT_EQ(cols[1]->u16(8), 1u);  // hidden
    auto rows = s.all(0x0208);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0]->u16(6), 0u);
    EXPECT_EQ(rows[0]->u16(12), 0x0120u);
    EXPECT_EQ(rows[1]->u16(12), 0x0120u);
    EXPECT_EQ(rows[2]->u16(6), 8180u);
    EXPECT_EQ(checkBook(path, R"({"sheets": [{"widths": {"1": 3231, "3": 3231, "5": 159, "6": 65439},
        "heights": {"3": 8180, "4": 490}, "cells": {"4,0": {"value": 1}}}]})"),
              "");
}

TEST_F(Format, MergedAreasAreRecordedOnce) {
    std::string path = dir.file("joined.xls");
    int b = XM_Create97(path.c_str(), 1);
    AttrDesc d;
    XM_InitAttr(&d);
    d.merge = 1;
    d.horz = 2;
    ASSERT_EQ(XM_SetAttrExt2(b, 0, 1, 1, 3, 2, &d), 0);
    ASSERT_EQ(XM_SetAttrExt2(b, 0, 3, 2, 1, 1, &d), 0);  // the same area again, corners swapped
    ASSERT_EQ(XM_SetAttrExt2(b, 0, 5, 5, 5, 5, &d), 0);  // one cell: no area
    for (int i = 0; i < 1030; ++i) ASSERT_EQ(XM_SetAttrExt2(b, 0, 0, 10 + 2 * i, 1, 11 + 2 * i, &d), 0);
    ASSERT_EQ(XM_WriteStr(b, 0, 1, 1, sj("結合").c_str()), 0);
    ASSERT_EQ(XM_Close(b), 0);
    Stream s = readStream(path);
    auto merged = s.all(0x00E5);
    ASSERT_EQ(merged.size(), 2u);
    EXPECT_EQ(merged[0]->u16(0), 1024u);
    EXPECT_EQ(merged[1]->u16(0), 7u);
    EXPECT_EQ(checkBook(path, R"({"sheets": [{"cells": {"1,1": {"value": "結合", "halign": 2}}}]})"), "");
}

TEST_F(Format, PendingAttributesAccumulatePerPosition) {
    std::string path = dir.file("pending.xls");
    ASSERT_EQ(XlsCreateBook(path.c_str(), 97, 1, nullptr), 1);
    EXPECT_EQ(XlsPutFontName("Arial", "A1"), 1);
    EXPECT_EQ(XlsPutFontPoint(14, "a1"), 1);     // same position: name and size together
    EXPECT_EQ(XlsPutFontPoint(14, "B1"), 1);     // a new position starts afresh
    EXPECT_EQ(XlsPutFontStyle(1, "C1:D2"), 1);
    EXPECT_EQ(XlsPutFontColor(-1, "E1"), 1);     // an unset value applies nothing
    EXPECT_EQ(XlsPutFormat(std::string(65, '0').c_str(), "F1"), 0);
    int n;
    XlsGetErrorNo(&n);
    EXPECT_EQ(n, 31);
    EXPECT_EQ(XlsPutFormat("0.0", "F1"), 1);
    EXPECT_EQ(XlsPutLineBottom(0x02000008, "F1"), 1);
    EXPECT_EQ(XlsPutBox(0x01000000, 0, "B2"), 0);
    XlsGetErrorNo(&n);
    EXPECT_EQ(n, 32);
    EXPECT_EQ(XlsPutBox(0x01000000, 0, "H2:H2"), 1);
    EXPECT_EQ(XlsPutColWidth(-1, "C1:D1"), 1);
    EXPECT_EQ(XlsPutRowHeight(-1.0, "A3"), 1);
    EXPECT_EQ(XlsPutJoint(-1, "A5:C5"), 1);
    EXPECT_EQ(XlsPutDouble(12.25, "F1"), 1);
    EXPECT_EQ(XlsCloseBook(1), 1);
    EXPECT_EQ(checkBook(path, R"({"sheets": [{"cells": {"0,0": {"font": ["Arial", 280, 400, 0, 32767]},
        "0,1": {"font": ["ＭＳ Ｐゴシック", 280, 400, 0, 32767]}, "1,3": {"font": ["ＭＳ Ｐゴシック", 220, 700, 0, 32767]},
        "0,5": {"value": 12.25, "format": "0.0", "border": [0, 2, 0, 0]}, "1,7": {"border": [1, 1, 1, 1]}},
        "widths": {"2": 2207, "3": 2207}, "heights": {"2": 260}, "merged": [[4, 4, 0, 2]]}]})"),
              "");
}

TEST_F(Format, DefaultFontsOfBooks) {
    std::string path = dir.file("deffont.xls");
    ASSERT_EQ(XlsCreateBook(path.c_str(), 95, 1, nullptr), 1);
    EXPECT_EQ(XlsPutDefFontName(sj("ＭＳ ゴシック").c_str()), 1);
    EXPECT_EQ(XlsPutDefFontPoint(9.5), 1);
    EXPECT_EQ(XlsPutDefFontName(std::string(40, 'x').c_str()), 0);
    EXPECT_EQ(XlsPutStr("x", "A1"), 1);
    EXPECT_EQ(XlsPutColWidth(10, "B1"), 1);  // widths follow the default size
    EXPECT_EQ(XlsCloseBook(1), 1);
    EXPECT_EQ(checkBook(path, R"({"sheets": [{"cells": {"0,0": {"font": ["ＭＳ ゴシック", 190, 400, 0, 32767]}},
        "widths": {"1": )" + std::to_string(GetColVal(9.5, 10)) + "}}]}"),
              "");

    // A changed default table entry applies to books created afterwards.
    ASSERT_EQ(XE_SetDefFont(0, "Arial", 10, 0, 0, 0), 0);
    EXPECT_EQ(XE_SetDefFont(5, "Arial", 10, 0, 0, 0), -34);
    EXPECT_EQ(XE_SetDefFont(0, std::string(33, 'a').c_str(), 10, 0, 0, 0), -31);
    std::string p2 = dir.file("deffont2.xls");
    int b = XM_Create97(p2.c_str(), 1);
    ASSERT_EQ(XM_WriteInt(b, 0, 0, 0, 1), 0);
    ASSERT_EQ(XM_Close(b), 0);
    EXPECT_EQ(checkBook(p2, R"({"sheets": [{"cells": {"0,0": {"font": ["Arial", 200, 400, 0, 32767]}}}]})"), "");
    XE_SetDefFont(0, sj("ＭＳ Ｐゴシック").c_str(), 11, 0, 0, 0);
}

}  // namespace
