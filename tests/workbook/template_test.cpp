// Books made from a template and rewritten books: the template's look is kept, named
// cells take the new values, and damaged templates are refused.
#include "biff.h"

#include <celvane.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
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

    // A template written by another program (make_template.pl): named cells, a merged
    // title, a note, a picture, a defined name, a formula on the other sheet, a
    // hyperlink, a custom header and footer, centring and a page break.
    std::string foreignTemplate() {
        std::string t = dir.file("foreign.xls");
        std::string cmd = "perl " WBTEST_SCRIPTS "/make_template.pl '" + t + "' '" + dir.file("p.bmp") + "'";
        EXPECT_EQ(std::system(cmd.c_str()), 0);
        return t;
    }
};

// Runs check_template.py on a book filled from the foreign template: "" when it passes.
std::string checkForeign(const std::string& path, const std::string& formulaValue) {
    std::string out;
    int rc = run("/usr/bin/python3 " WBTEST_SCRIPTS "/check_template.py '" + path + "' " + formulaValue, &out);
    return rc == 0 ? std::string() : out.empty() ? "check_template.py failed" : out;
}

bool hasText(const Rec* r, const std::string& text) { return r && r->data.find(text) != std::string::npos; }

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

    // XM_Open with a source also opens the source for reading in the next slot, until
    // the rewrite is closed.
    int b = XM_Open(dir.file("from-source.xls").c_str(), t.c_str());
    ASSERT_GE(b, 0);
    int kind = -1;
    char text[32];
    EXPECT_EQ(XM_Read(b + 1, 0, 0, 2, &kind, nullptr, text, sizeof text), 0);
    EXPECT_EQ(kind, 1);
    EXPECT_STREQ(text, "Total");
    EXPECT_EQ(XM_OpenClose(b), 0);
    EXPECT_EQ(XM_Read(b + 1, 0, 0, 2, &kind, nullptr, text, sizeof text), -3);

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

TEST_F(Template, ForeignTemplateKeepsNotesPicturesNamesAndLinks) {
    std::string t = foreignTemplate();
    std::string out = dir.file("invoice.xls");
    int b = XM_CreateT(out.c_str(), t.c_str());
    ASSERT_GE(b, 0);
    EXPECT_EQ(XM_WriteStrh(b, 0, "**title", 0, 0, "Invoice"), 0);
    EXPECT_EQ(XM_WriteDoubleh(b, 0, "**amount", 0, 0, 1234.5), 0);
    EXPECT_EQ(XM_WriteInt(b, 1, 0, 0, 21), 0);  // the formula on Form doubles it
    // A formula of our own on the other sheet shares the template's external-sheet table.
    EXPECT_EQ(XM_SetRefSheet(b, 0, "Form/Data"), 0);
    EXPECT_EQ(XM_WriteFunc(b, 0, 1, 6, "Data!A1+1"), 0);
    ASSERT_EQ(XM_Close(b), 0);
    EXPECT_EQ(checkBook(out, R"({"nsheets": 2, "sheets": [{"name": "Form", "cells": {
        "0,1": {"value": "Invoice"}, "1,0": {"value": "Amount"}, "1,1": {"value": 1234.5, "format": "#,##0.00"},
        "4,0": {"value": "Example"}}, "merged": [[0, 0, 1, 3]], "heights": {"1": 600}},
        {"name": "Data", "cells": {"0,0": {"value": 21}}}]})"), "");
    EXPECT_EQ(checkForeign(out, "42 22"), "");
    // A named cell was written, so the template's own header, footer and centring stay.
    Stream s = readStream(out);
    ASSERT_TRUE(s.ok);
    EXPECT_EQ(s.all(0x0017).size(), 1u);  // one external-sheet table
    EXPECT_TRUE(hasText(sheetRecord(s, 0, 0x0014), "Left head"));
    EXPECT_TRUE(hasText(sheetRecord(s, 0, 0x0015), "Right foot"));
    const Rec* centre = sheetRecord(s, 0, 0x0083);
    ASSERT_NE(centre, nullptr);
    EXPECT_EQ(centre->u16(0), 1u);
}

TEST_F(Template, ForeignBiff5TemplateKeepsNamesNotesAndReferences) {
    // The same template converted to BIFF5 by Gnumeric: its names and the sheet's own
    // EXTERNSHEET records come along, so both its formula and a new one still work.
    std::string t5 = dir.file("foreign5.xls");
    ASSERT_EQ(std::system(("ssconvert -T Gnumeric_Excel:excel_biff7 '" + foreignTemplate() + "' '" + t5 +
                           "' 2>/dev/null").c_str()), 0);
    std::string out = dir.file("invoice5.xls");
    int b = XM_CreateT(out.c_str(), t5.c_str());
    ASSERT_GE(b, 0);
    EXPECT_EQ(XM_WriteStrh(b, 0, "**title", 0, 0, "Invoice"), 0);
    EXPECT_EQ(XM_WriteInt(b, 1, 0, 0, 21), 0);
    EXPECT_EQ(XM_SetRefSheet(b, 0, "Form/Data"), 0);
    EXPECT_EQ(XM_WriteFunc(b, 0, 1, 6, "Data!A1+1"), 0);
    ASSERT_EQ(XM_Close(b), 0);
    EXPECT_EQ(checkBook(out, R"({"sheets": [{"name": "Form", "cells": {"0,1": {"value": "Invoice"}}}]})"), "");
    EXPECT_EQ(recalculatedCsv(out), ",Invoice\nAmount,\n,\n,42\nExample,\n,\n,22\n");
    Stream s = readStream(out);
    ASSERT_TRUE(s.ok);
    EXPECT_FALSE(s.all(0x0018).empty());  // the defined names
    EXPECT_FALSE(s.all(0x001C).empty());  // the note
}

TEST_F(Template, HeaderAndFooterFollowTheTemplateEditFlag) {
    std::string t = foreignTemplate();
    // Rewriting keeps them, and the flag is cleared when the rewrite closes.
    std::string copy = dir.file("copy.xls");
    std::filesystem::copy_file(t, copy);
    int b = XM_Open(copy.c_str(), nullptr);
    ASSERT_GE(b, 0);
    ASSERT_EQ(XM_OpenClose(b), 0);
    Stream rewritten = readStream(copy);
    EXPECT_TRUE(hasText(sheetRecord(rewritten, 0, 0x0014), "Left head"));

    // A template filled without writing a named cell gets the standard texts.
    std::string plain = dir.file("plain.xls");
    b = XM_CreateT(plain.c_str(), t.c_str());
    ASSERT_GE(b, 0);
    EXPECT_EQ(XM_WriteStr(b, 0, 0, 9, "x"), 0);
    ASSERT_EQ(XM_Close(b), 0);
    Stream s = readStream(plain);
    EXPECT_TRUE(hasText(sheetRecord(s, 0, 0x0014), "&A"));
    EXPECT_TRUE(hasText(sheetRecord(s, 0, 0x0015), "- &P -"));
    EXPECT_FALSE(hasText(sheetRecord(s, 0, 0x0014), "Left head"));
    // Nothing else of the template is lost that way.
    EXPECT_EQ(checkForeign(plain, "10"), "");

    // Leave the flag cleared for the tests that follow.
    b = XM_Open(copy.c_str(), nullptr);
    ASSERT_GE(b, 0);
    EXPECT_EQ(XM_WriteStrh(b, 0, "**amount", 0, 0, "x"), 0);
    ASSERT_EQ(XM_OpenClose(b), 0);
}

// Little-endian bytes for hand-made records.
std::string le(std::initializer_list<unsigned> values, int width) {
    std::string out;
    for (unsigned v : values)
        for (int i = 0; i < width; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    return out;
}

TEST_F(Template, SharedFormulasBecomeEachCellsOwnFormula) {
    for (bool biff8 : {false, true}) {
        SCOPED_TRACE(biff8);
        // B1:B5 share "=A1*10+$C$1" (A relative to the cell, C1 absolute), as spreadsheet
        // programs store a formula filled down.
        std::string t = dir.file(biff8 ? "shared8.xls" : "shared5.xls");
        int b = biff8 ? XM_Create97(t.c_str(), 1) : XM_Create(t.c_str(), 1);
        ASSERT_GE(b, 0);
        for (int r = 0; r < 5; ++r) ASSERT_EQ(XM_WriteInt(b, 0, 0, r, r + 1), 0);
        ASSERT_EQ(XM_WriteInt(b, 0, 2, 0, 100), 0);
        std::string relA = biff8 ? le({0}, 2) + le({0xC0FF}, 2) : le({0xC000}, 2) + le({0xFF}, 1);
        std::string absC = biff8 ? le({0}, 2) + le({2}, 2) : le({0}, 2) + le({2}, 1);
        std::string tokens = "\x4C" + relA + "\x1E" + le({10}, 2) + "\x05" + "\x4C" + absC + "\x03";
        std::string shrfmla = le({0, 4}, 2) + le({1, 1, 0, 5}, 1) + le({unsigned(tokens.size())}, 2) + tokens;
        for (int r = 0; r < 5; ++r) {
            std::string f = le({unsigned(r), 1, 15}, 2) + std::string(8, '\0') + le({0x0008}, 2) + le({0}, 4) +
                            le({5}, 2) + "\x01" + le({0, 1}, 2);
            ASSERT_EQ(XM_WriteBin(b, 0, 0x0006, static_cast<int>(f.size()), f.data()), 0);
            if (r == 0) {
                ASSERT_EQ(XM_WriteBin(b, 0, 0x04BC, static_cast<int>(shrfmla.size()), shrfmla.data()), 0);
            }
        }
        ASSERT_EQ(XM_Close(b), 0);

        std::string out = dir.file(biff8 ? "filled8.xls" : "filled5.xls");
        b = XM_CreateT(out.c_str(), t.c_str());
        ASSERT_GE(b, 0);
        ASSERT_EQ(XM_WriteInt(b, 0, 0, 2, 30), 0);
        ASSERT_EQ(XM_Close(b), 0);

        Stream s = readStream(out);
        ASSERT_TRUE(s.ok);
        EXPECT_TRUE(s.all(0x04BC).empty());
        auto formulas = s.all(0x0006);
        ASSERT_EQ(formulas.size(), 5u);
        for (const Rec* f : formulas) {
            EXPECT_EQ(f->u16(14) & 0x0008, 0u);
            EXPECT_EQ(f->u8(22), 0x44);  // an ordinary reference now
        }
        // Gnumeric recalculates the book from the rewritten references.
        EXPECT_EQ(recalculatedCsv(out), "1,110,100\n2,120,\n30,400,\n4,140,\n5,150,\n");
    }
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
    // The same for a template with drawings, notes, names and links.
    std::ifstream fin(foreignTemplate(), std::ios::binary);
    std::string foreign((std::istreambuf_iterator<char>(fin)), std::istreambuf_iterator<char>());
    for (std::size_t at = 512; at < foreign.size(); at += 11) {
        std::string bad = foreign;
        bad[at] = static_cast<char>(bad[at] ^ 0x5A);
        int b = XM_CreateT(out.c_str(), writeFile("bad.xls", bad).c_str());
        if (b >= 0) {
            EXPECT_EQ(XM_Close(b), 0);
        } else {
            EXPECT_EQ(b, -5001);
        }
    }
    EXPECT_EQ(XlsOpenBook(out.c_str(), dir.file("text.xls").c_str(), nullptr), 0);
}

}  // namespace
