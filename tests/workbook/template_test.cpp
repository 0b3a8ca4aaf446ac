// Books made from a template and rewritten books: the template's look is kept, named
// cells take the new values, and damaged templates are refused.
#include "biff.h"

#include <celvane.h>
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

using namespace wbtest;

namespace {

class Template : public ::testing::Test {
protected:
    TempDir dir;

    // A template: a title marker over a merged area in bold, a value marker formatted
    // "0.00", a plain text, column widths, a row height and a landscape page setup.
    std::string makeTemplate(bool biff8) {
        std::string p = dir.file(biff8 ? "t8.xls" : "t5.xls");
        int b = biff8 ? XM_Create97(p.c_str(), 2) : XM_Create(p.c_str(), 2);
        EXPECT_GE(b, 0);
        EXPECT_EQ(XM_SheetName(b, 0, "Report"), 0);
        AttrDesc d;
        XM_InitAttr(&d);
        d.horz = 2;
        if (biff8) d.merge = 1;
        EXPECT_EQ(XM_SetAttrExt2(b, 0, 0, 0, 2, 0, &d), 0);
        EXPECT_EQ(XM_WriteStr(b, 0, 0, 0, "**title"), 0);
        XM_InitAttr(&d);
        d.format = static_cast<short>(XM_FmtNo(b, "0.00"));
        int fmt = XM_GetAttrNo2(b, &d);
        EXPECT_GT(fmt, 20);
        EXPECT_EQ(XM_WriteStr2(b, 0, 1, 2, "**value", fmt), 0);
        EXPECT_EQ(XM_WriteStr2(b, 1, 1, 2, "**value", fmt), 0);  // same name, other sheet
        EXPECT_EQ(XM_WriteStr(b, 0, 0, 2, "Total"), 0);
        EXPECT_EQ(XM_WriteInt(b, 0, 0, 3, 42), 0);
        EXPECT_EQ(XM_SetColWidth(b, 0, 0, 0, 20), 0);
        EXPECT_EQ(XM_SetRowHeight(b, 0, 2, 24.0), 0);
        EXPECT_EQ(XM_SetPageMode(b, 0, 11, 80, 0, 5.0, 5.0), 0);
        EXPECT_EQ(XM_SetGridMode(b, 0, 0), 0);
        EXPECT_EQ(XM_Close(b), 0);
        return p;
    }
};

const Rec* sheetRecord(const Stream& s, std::size_t sheet, uint16_t no) {
    auto bounds = s.all(0x0085);
    if (sheet >= bounds.size()) return nullptr;
    const Rec* bof = s.at(bounds[sheet]->u32(0));
    bool in = false;
    for (const Rec& r : s.recs) {
        if (&r == bof) in = true;
        if (!in) continue;
        if (r.no == no) return &r;
        if (r.no == 0x000A) break;
    }
    return nullptr;
}

TEST_F(Template, FilledTemplateKeepsItsLookAndTakesNewValues) {
    for (bool biff8 : {false, true}) {
        SCOPED_TRACE(biff8);
        std::string t = makeTemplate(biff8);
        std::string out = dir.file(biff8 ? "out8.xls" : "out5.xls");
        int b = XM_CreateT(out.c_str(), t.c_str());
        ASSERT_GE(b, 0);
        EXPECT_EQ(XM_WriteStrh(b, 0, "**title", 0, 0, "Monthly"), 0);
        EXPECT_EQ(XM_WriteDoubleh(b, 0, "**value", 0, 0, 3.14159), 0);
        EXPECT_EQ(XM_WriteDoubleh(b, 0, "**value", 1, 0, 2.5), 0);  // offset from the name
        EXPECT_EQ(XM_WriteStrh(b, 0, "**none", 0, 0, "x"), -37);
        EXPECT_EQ(XM_WriteStr(b, 1, 0, 0, "new"), 0);
        ASSERT_EQ(XM_Close(b), 0);

        std::string want = R"({"nsheets": 2, "sheets": [{"name": "Report", "cells": {
            "0,0": {"value": "Monthly", "halign": 2}, "2,1": {"value": 3.14159, "format": "0.00"},
            "2,2": {"value": 2.5}, "2,0": {"value": "Total"}, "3,0": {"value": 42}},
            "widths": {"0": 5279}, "heights": {"2": 480})";
        want += biff8 ? R"(, "merged": [[0, 0, 0, 2]]}, {"name": "Sheet2", "cells": {"0,0": {"value": "new"}}}]})"
                      : R"(}, {"name": "Sheet2", "cells": {"0,0": {"value": "new"}}}]})";
        EXPECT_EQ(checkBook(out, want), "");

        // The marker of the second sheet was not written: it is an empty cell there.
        Stream s = readStream(out);
        ASSERT_TRUE(s.ok);
        for (const Rec* r : s.all(0x0204)) EXPECT_EQ(r->data.find("**"), std::string::npos);
        const Rec* setup = sheetRecord(s, 0, 0x00A1);
        ASSERT_NE(setup, nullptr);
        EXPECT_EQ(setup->u16(0), 11u);
        EXPECT_EQ(setup->u16(2), 80u);
        EXPECT_EQ(setup->u16(10), 0u);
        const Rec* window = sheetRecord(s, 0, 0x023E);
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(window->u16(0) & 0x0002, 0u);
    }
}

TEST_F(Template, XlsOpenBookWithSourceAndXlMovePosh) {
    std::string t = makeTemplate(true);
    std::string out = dir.file("filled.xls");
    ASSERT_EQ(XlsOpenBook(out.c_str(), t.c_str(), nullptr), 1);
    EXPECT_EQ(XlsPutStr("Weekly", "**title"), 1);
    EXPECT_EQ(XlsPutDouble(7.25, "**value"), 1);
    EXPECT_EQ(XlsPutStr("**unset marker", "D9"), 1);  // a marker text written stays empty
    ASSERT_EQ(XlsCloseBook(1), 1);
    EXPECT_EQ(checkBook(out, R"({"sheets": [{"cells": {"0,0": {"value": "Weekly"}, "2,1": {"value": 7.25}}}]})"), "");

    std::string xl = dir.file("xl.xls");
    ASSERT_EQ(XL_CreateT(xl.c_str(), t.c_str()), 0);
    EXPECT_EQ(XL_MovePosh("**value", 1, 1), 0);
    EXPECT_EQ(XL_WrtInt(9), 0);
    EXPECT_EQ(XL_MovePosh("**missing", 0, 0), -37);
    EXPECT_EQ(XL_Close(), 0);
    EXPECT_EQ(checkBook(xl, R"({"sheets": [{"cells": {"3,2": {"value": 9}}}]})"), "");
}

TEST_F(Template, RewritingInPlaceReplacesTheFileAtClose) {
    std::string t = makeTemplate(true);
    int b = XM_Open(t.c_str(), nullptr);
    ASSERT_GE(b, 0);
    EXPECT_EQ(XM_WriteStrh(b, 0, "**title", 0, 1, "below"), 0);
    EXPECT_EQ(XM_OpenClose(b), 0);
    EXPECT_EQ(XM_OpenClose(b), -3);
    // Without a source the markers stay, so the rewritten book can be filled again.
    EXPECT_EQ(checkBook(t, R"({"sheets": [{"cells": {"0,0": {"value": "**title"}, "1,0": {"value": "below"},
        "2,0": {"value": "Total"}}}]})"), "");
    int again = XM_CreateT(dir.file("again.xls").c_str(), t.c_str());
    ASSERT_GE(again, 0);
    EXPECT_EQ(XM_WriteStrh(again, 0, "**title", 0, 0, "x"), 0);
    EXPECT_EQ(XM_Cancel(again), 0);
    EXPECT_EQ(XM_Open(dir.file("missing.xls").c_str(), nullptr), -1);
}

TEST_F(Template, DamagedTemplatesAreRefused) {
    std::string good = makeTemplate(true);
    std::ifstream in(good, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(bytes.size(), 2048u);
    std::string out = dir.file("o.xls");
    EXPECT_EQ(XM_CreateT(out.c_str(), dir.file("absent.xls").c_str()), -5001);
    auto writeFile = [&](const std::string& name, const std::string& data) {
        std::ofstream f(dir.file(name), std::ios::binary);
        f << data;
        return dir.file(name);
    };
    EXPECT_EQ(XM_CreateT(out.c_str(), writeFile("text.xls", "not a workbook").c_str()), -5001);
    EXPECT_EQ(XM_CreateT(out.c_str(), writeFile("half.xls", bytes.substr(0, bytes.size() / 2)).c_str()), -5001);
    // Every byte of the stream area flipped in turn: refused or loaded, never a crash.
    int loaded = 0;
    for (std::size_t at = 1536; at < bytes.size() && at < 1536 + 1500; at += 7) {
        std::string bad = bytes;
        bad[at] = static_cast<char>(bad[at] ^ 0xFF);
        int b = XM_CreateT(out.c_str(), writeFile("bad.xls", bad).c_str());
        if (b >= 0) {
            ++loaded;
            EXPECT_EQ(XM_Close(b), 0);
        } else {
            EXPECT_EQ(b, -5001);
        }
    }
    EXPECT_GT(loaded, 0);
    EXPECT_EQ(XlsOpenBook(out.c_str(), dir.file("text.xls").c_str(), nullptr), 0);
}

}  // namespace
