// Sheet settings of written books: adding, deleting, naming, grid lines, page setup
// and margins, checked in the stored records.
#include "biff.h"

#include <celvane.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace wbtest;

namespace {

class Sheets : public ::testing::Test {
protected:
    TempDir dir;
};

// The records of sheet `i`, from its BOF to its EOF.
std::vector<const Rec*> sheetRecords(const Stream& s, std::size_t i) {
    std::vector<const Rec*> out;
    auto bounds = s.all(0x0085);
    if (i >= bounds.size()) return out;
    const Rec* bof = s.at(bounds[i]->u32(0));
    if (!bof) return out;
    bool in = false;
    for (const Rec& r : s.recs) {
        if (&r == bof) in = true;
        if (!in) continue;
        out.push_back(&r);
        if (r.no == 0x000A) break;
    }
    return out;
}

const Rec* first(const std::vector<const Rec*>& recs, uint16_t no) {
    for (const Rec* r : recs)
        if (r->no == no) return r;
    return nullptr;
}

std::string boundName(const Rec& r, bool biff8) {
    return biff8 ? r.data.substr(8, r.u8(6)) : r.data.substr(7, r.u8(6));
}

TEST_F(Sheets, AddingAndDeletingKeepOneToTwoHundredFiftyFive) {
    std::string p = dir.file("add.xls");
    int b = XM_Create(p.c_str(), 16);
    ASSERT_GE(b, 0);
    EXPECT_EQ(XM_SetAddSheet(b, 240), -34);  // the total would be 256
    EXPECT_EQ(XM_SetAddSheet(b, 0), -34);
    EXPECT_EQ(XM_SetAddSheet(b, 239), 0);
    EXPECT_EQ(XM_SetAddSheet(b, 1), -34);
    // From sheet 14 of the first 16, and a range running past the end is cut there.
    EXPECT_EQ(XM_SetDelSheet(b, 254, 5), 0);
    EXPECT_EQ(XM_SetDelSheet(b, 16, 238), 0);
    EXPECT_EQ(XM_SetDelSheet(b, 14, 3), 0);
    EXPECT_EQ(XM_SetDelSheet(b, 0, 16), -34);  // never the last sheets
    EXPECT_EQ(XM_SetDelSheet(b, 14, 1), -34);
    EXPECT_EQ(XM_SetDelSheet(b, -1, 1), -34);
    EXPECT_EQ(XM_SetDelSheet(b, 0, 0), -34);
    EXPECT_EQ(XM_WriteInt(b, 13, 0, 0, 7), 0);
    EXPECT_EQ(XM_WriteInt(b, 14, 0, 0, 7), -4);
    ASSERT_EQ(XM_Close(b), 0);

    Stream s = readStream(p);
    ASSERT_TRUE(s.ok);
    auto bounds = s.all(0x0085);
    ASSERT_EQ(bounds.size(), 14u);
    EXPECT_EQ(boundName(*bounds[0], false), "Sheet1");
    EXPECT_EQ(boundName(*bounds[13], false), "Sheet14");
    EXPECT_EQ(checkBook(p, R"({"nsheets": 14})"), "");
}

TEST_F(Sheets, DeletingASheetKeepsFormulasOnTheOthersPointingRight) {
    std::string p = dir.file("refs.xls");
    int b = XM_Create97(p.c_str(), 4);
    ASSERT_GE(b, 0);
    for (int i = 1; i < 4; ++i) ASSERT_EQ(XM_WriteInt(b, i, 0, 0, (i + 1) * 10), 0);
    ASSERT_EQ(XM_SetRefSheet(b, 0, "Sheet2/Sheet3/Sheet4"), 0);
    ASSERT_EQ(XM_WriteFunc(b, 0, 0, 0, "Sheet2!A1"), 0);
    ASSERT_EQ(XM_WriteFunc(b, 0, 0, 1, "Sheet4!A1"), 0);
    ASSERT_EQ(XM_WriteFunc(b, 0, 0, 2, "Sheet3!A1"), 0);
    ASSERT_EQ(XM_SetDelSheet(b, 2, 1), 0);  // Sheet3 goes; Sheet4 becomes the third sheet
    ASSERT_EQ(XM_Close(b), 0);
    // Gnumeric recalculates: the later sheet is still found, the deleted one is #REF!.
    EXPECT_EQ(recalculatedCsv(p), "20\n40\n#REF!\n");
    Stream s = readStream(p);
    ASSERT_TRUE(s.ok);
    ASSERT_EQ(s.all(0x01AE).size(), 1u);
    EXPECT_EQ(s.all(0x01AE)[0]->u16(0), 3u);  // this book's SUPBOOK counts the sheets left
}

TEST_F(Sheets, AddedSheetsAreNumberedAfterTheLast) {
    std::string p = dir.file("add8.xls");
    int b = XM_Create97(p.c_str(), 3);
    ASSERT_GE(b, 0);
    ASSERT_EQ(XM_SetAddSheet(b, 2), 0);
    EXPECT_EQ(XM_WriteStr(b, 4, 1, 1, "five"), 0);
    ASSERT_EQ(XM_Close(b), 0);
    Stream s = readStream(p);
    auto bounds = s.all(0x0085);
    ASSERT_EQ(bounds.size(), 5u);
    EXPECT_EQ(boundName(*bounds[4], true), "Sheet5");
    // Added sheets carry the default page setup and margins.
    auto recs = sheetRecords(s, 4);
    const Rec* setup = first(recs, 0x00A1);
    ASSERT_NE(setup, nullptr);
    EXPECT_EQ(setup->u16(0), 9u);
    EXPECT_EQ(setup->u16(2), 100u);
    EXPECT_EQ(first(recs, 0x0026), nullptr);
}

TEST_F(Sheets, RenamingRefusesDuplicatesInAnyCase) {
    std::string p = dir.file("names.xls");
    int b = XM_Create97(p.c_str(), 3);
    ASSERT_GE(b, 0);
    EXPECT_EQ(XM_SheetName(b, 0, "Data"), 0);
    EXPECT_EQ(XM_SheetName(b, 1, "DATA"), -34);
    EXPECT_EQ(XM_SheetName(b, 1, "sheet3"), -34);
    EXPECT_EQ(XM_SheetName(b, 0, "data"), 0);  // the sheet's own name in another case
    EXPECT_EQ(XM_SheetName(b, 1, ""), -31);
    EXPECT_EQ(XM_SheetName(b, 1, std::string(33, 'x').c_str()), -31);
    EXPECT_EQ(XM_SheetName(b, 1, std::string(32, 'x').c_str()), 0);
    EXPECT_EQ(XM_SheetName(b, 3, "Other"), -4);
    EXPECT_EQ(XM_SheetName(b, -1, "Other"), -4);
    EXPECT_EQ(XM_SheetName(40, 0, "Other"), -2);
    EXPECT_EQ(XM_SheetName(31, 0, "Other"), -3);
    // The second byte of a double-byte character is no letter: "ャ" (83 61) and
    // "ア" (83 41) differ, although 'a' and 'A' fold together.
    EXPECT_EQ(XM_SheetName(b, 2, sj("表ャ").c_str()), 0);
    EXPECT_EQ(XM_SheetName(b, 1, sj("表ア").c_str()), 0);
    EXPECT_EQ(XM_SheetName(b, 1, sj("表ャ").c_str()), -34);
    // Double-byte names count bytes: 16 characters fit, 17 do not.
    std::string sixteen, seventeen;
    for (int i = 0; i < 16; ++i) sixteen += sj("日");
    seventeen = sixteen + sj("日");
    EXPECT_EQ(XM_SheetName(b, 1, seventeen.c_str()), -31);
    EXPECT_EQ(XM_SheetName(b, 1, sixteen.c_str()), 0);
    ASSERT_EQ(XM_Close(b), 0);
    EXPECT_EQ(checkBook(p, R"({"nsheets": 3, "sheets": [{"name": "data"}, {"name": "日日日日日日日日日日日日日日日日"}, {"name": "表ャ"}]})"), "");
}

TEST_F(Sheets, GridLinesAndPageSetupWithCorrections) {
    for (bool biff8 : {false, true}) {
        SCOPED_TRACE(biff8);
        std::string p = dir.file(biff8 ? "page8.xls" : "page5.xls");
        int b = biff8 ? XM_Create97(p.c_str(), 3) : XM_Create(p.c_str(), 3);
        ASSERT_GE(b, 0);
        EXPECT_EQ(XM_SetGridMode(b, 1, 0), 0);
        EXPECT_EQ(XM_SetGridMode(b, 2, 5), 0);
        EXPECT_EQ(XM_SetGridMode(b, 3, 0), -4);
        EXPECT_EQ(XM_SetPageMode(b, 0, 4, 5, 1, -1.0, 25.4), 0);
        EXPECT_EQ(XM_SetPageMode(b, 1, 13, 400, 0, 0.0, 12.7), 0);
        EXPECT_EQ(XM_SetPageMode(b, 2, 14, 9, 0, 10.0, 10.0), 0);
        EXPECT_EQ(XM_SetPageMode(b, 3, 9, 100, 0, 10.0, 10.0), -4);
        EXPECT_EQ(XM_SetPageMode(-1, 0, 9, 100, 0, 10.0, 10.0), -2);
        ASSERT_EQ(XM_Close(b), 0);

        Stream s = readStream(p);
        ASSERT_TRUE(s.ok);
        struct Want {
            unsigned paper, scale, options;
            double header, footer;
            bool grid;
        } want[3] = {{9, 100, 2, 13 / 25.4, 1.0, true}, {13, 400, 0, 0.0, 0.5, false}, {9, 100, 0, 10 / 25.4, 10 / 25.4, true}};
        for (int i = 0; i < 3; ++i) {
            SCOPED_TRACE(i);
            auto recs = sheetRecords(s, i);
            const Rec* setup = first(recs, 0x00A1);
            ASSERT_NE(setup, nullptr);
            ASSERT_EQ(setup->data.size(), 34u);
            EXPECT_EQ(setup->u16(0), want[i].paper);
            EXPECT_EQ(setup->u16(2), want[i].scale);
            EXPECT_EQ(setup->u16(4), 1u);
            EXPECT_EQ(setup->u16(6), 1u);
            EXPECT_EQ(setup->u16(8), 1u);
            EXPECT_EQ(setup->u16(10), want[i].options);
            EXPECT_DOUBLE_EQ(setup->f64(16), want[i].header);
            EXPECT_DOUBLE_EQ(setup->f64(24), want[i].footer);
            EXPECT_EQ(setup->u16(32), 1u);
            const Rec* window = first(recs, 0x023E);
            ASSERT_NE(window, nullptr);
            EXPECT_EQ((window->u16(0) & 0x0002) != 0, want[i].grid);
        }
        EXPECT_EQ(checkBook(p, R"({"nsheets": 3})"), "");
    }
}

TEST_F(Sheets, MarginsOnlyWhereTheyDifferFromTheDefault) {
    std::string p = dir.file("margins.xls");
    ASSERT_EQ(XlsCreateBook(p.c_str(), 97, 2, nullptr), 1);
    EXPECT_EQ(XlsSetMargin(-1, -1, 30, -1), 1);
    EXPECT_EQ(XlsSetMargin(0, 0, 0, 1001), 0);  // refused: nothing changes
    int no = 0;
    XlsGetErrorNo(&no);
    EXPECT_EQ(no, 34);
    ASSERT_EQ(XlsSheetNo(1), 1);
    EXPECT_EQ(XlsSetMargin(0, 1000, 20, 25), 1);
    ASSERT_EQ(XlsSheetNo(2), 1);
    EXPECT_EQ(XlsSetMargin(0, 0, 0, 0), 0);
    XlsGetErrorNo(&no);
    EXPECT_EQ(no, 4);
    ASSERT_EQ(XlsCloseBook(1), 1);

    Stream s = readStream(p);
    ASSERT_TRUE(s.ok);
    auto r0 = sheetRecords(s, 0);
    EXPECT_EQ(first(r0, 0x0026), nullptr);
    EXPECT_EQ(first(r0, 0x0027), nullptr);
    EXPECT_EQ(first(r0, 0x0029), nullptr);
    const Rec* top = first(r0, 0x0028);
    ASSERT_NE(top, nullptr);
    EXPECT_DOUBLE_EQ(top->f64(0), 30 / 25.4);
    auto r1 = sheetRecords(s, 1);
    ASSERT_NE(first(r1, 0x0026), nullptr);
    EXPECT_DOUBLE_EQ(first(r1, 0x0026)->f64(0), 0.0);
    ASSERT_NE(first(r1, 0x0027), nullptr);
    EXPECT_DOUBLE_EQ(first(r1, 0x0027)->f64(0), 1000 / 25.4);
    EXPECT_EQ(first(r1, 0x0029), nullptr);  // 25 mm: the default
}

}  // namespace
