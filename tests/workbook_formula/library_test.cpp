// Formulas written through the library's interface: FORMULA and STRING records, cached
// results read back by xlrd and Spreadsheet::ParseExcel, references to other sheets
// with their EXTERNSHEET records, and the XL and Xls forms.
#include <celvane.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "biff.h"

using namespace wbtest;

namespace {

std::string hex(std::string_view bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string s;
    for (unsigned char b : bytes) {
        s += digits[b >> 4];
        s += digits[b & 15];
    }
    return s;
}

int errorNo() {
    int n = -1;
    XlsGetErrorNo(&n);
    return n;
}

FormulaResult numberResult(double d) {
    FormulaResult r{};
    r.kind = 0;
    r.value.number = d;
    return r;
}
FormulaResult wholeResult(int kind, int v) {
    FormulaResult r{};
    r.kind = static_cast<short>(kind);
    r.value.whole = v;
    return r;
}
FormulaResult textResult(const std::string& t) {
    FormulaResult r{};
    r.kind = 3;
    r.length = static_cast<short>(t.size());
    std::memcpy(r.text, t.data(), std::min(t.size(), sizeof r.text));
    return r;
}

// FORMULA records of the first sheet by (row, col), with the record after each.
struct FormulaCell {
    const Rec* formula = nullptr;
    const Rec* next = nullptr;
};
FormulaCell formulaAt(const Stream& s, int row, int col) {
    for (std::size_t i = 0; i < s.recs.size(); ++i) {
        const Rec& r = s.recs[i];
        if (r.no == 0x0006 && static_cast<int>(r.u16(0)) == row && static_cast<int>(r.u16(2)) == col)
            return {&r, i + 1 < s.recs.size() ? &s.recs[i + 1] : nullptr};
    }
    return {};
}

// Cells as "row,col=type:value" lines from a reader script.
std::string readWith(const std::string& reader, const std::string& path) {
    std::string cmd;
    if (reader == "xlrd") {
        cmd = "/usr/bin/python3 -c \"import xlrd,sys\n"
              "b=xlrd.open_workbook(sys.argv[1])\n"
              "s=b.sheet_by_index(0)\n"
              "for r in range(s.nrows):\n"
              "  for c in range(s.ncols):\n"
              "    x=s.cell(r,c)\n"
              "    if x.ctype: print('%d,%d=%d:%r'%(r,c,x.ctype,x.value))\" '" +
              path + "'";
    } else {
        cmd = "perl -MSpreadsheet::ParseExcel -e '$p=Spreadsheet::ParseExcel->new; $b=$p->parse($ARGV[0]) or die "
              "$p->error; $s=$b->worksheet(0); ($r0,$r1)=$s->row_range; ($c0,$c1)=$s->col_range; "
              "for $r ($r0..$r1){for $c ($c0..$c1){$x=$s->get_cell($r,$c) or next; "
              "print \"$r,$c=\",$x->type,\":\",$x->unformatted,\"\\n\"}}' '" +
              path + "'";
    }
    std::string out;
    EXPECT_EQ(run(cmd, &out), 0) << out;
    return out;
}

class FormulaLibrary : public testing::Test {
protected:
    void TearDown() override {
        XlsAllClose();
        XL_Cancel();
    }
    TempDir dir;
};

TEST_F(FormulaLibrary, RecordsAndCachedResultsInBothFormats) {
    for (bool biff8 : {false, true}) {
        SCOPED_TRACE(biff8 ? "BIFF8" : "BIFF5");
        const std::string path = dir.file(biff8 ? "r8.xls" : "r5.xls");
        int book = biff8 ? XM_Create97(path.c_str(), 2) : XM_Create(path.c_str(), 2);
        ASSERT_GE(book, 0);
        ASSERT_EQ(XM_WriteInt(book, 0, 0, 0, 2), 0);
        ASSERT_EQ(XM_WriteInt(book, 0, 1, 0, 3), 0);
        ASSERT_EQ(XM_WriteFunc(book, 0, 0, 1, "=SUM(A1:B1)"), 0);
        FormulaResult n = numberResult(5), t = textResult("ab"), yes = wholeResult(1, 1), na = wholeResult(2, 0x2A);
        ASSERT_EQ(XM_WriteFunc3(book, 0, 1, 1, "A1+B1", 15, &n), 0);
        ASSERT_EQ(XM_WriteFunc3(book, 0, 2, 1, "\"a\"&\"b\"", 15, &t), 0);
        ASSERT_EQ(XM_WriteFunc3(book, 0, 3, 1, "A1<B1", 15, &yes), 0);
        ASSERT_EQ(XM_WriteFunc3(book, 0, 4, 1, "NA()", 15, &na), 0);
        // Failures store nothing: the place stays empty.
        EXPECT_EQ(XM_WriteFunc(book, 0, 0, 2, "ROUND(1)"), -100);
        EXPECT_EQ(XM_WriteFunc(book, 0, 1, 2, "NOSUCH(1)"), -100);
        EXPECT_EQ(XM_WriteFunc(book, 0, 2, 2, "(1,2)"), -100);
        EXPECT_EQ(XM_WriteFunc(book, 0, 3, 2, "SUM(1"), -100);
        FormulaResult bad = wholeResult(4, 0);
        EXPECT_EQ(XM_WriteFunc3(book, 0, 0, 2, "1", 15, &bad), -34);
        FormulaResult tooLong = textResult("x");
        tooLong.length = 257;
        EXPECT_EQ(XM_WriteFunc3(book, 0, 0, 2, "1", 15, &tooLong), -31);
        EXPECT_EQ(XM_WriteFunc(book, 0, 256, 0, "1"), -32);
        EXPECT_EQ(XM_WriteFunc(book, 2, 0, 0, "1"), -4);
        EXPECT_EQ(XM_WriteFunc(book, 0, 0, 2, nullptr), -34);
        ASSERT_EQ(XM_Close(book), 0);

        Stream s = readStream(path);
        ASSERT_TRUE(s.ok);
        FormulaCell sum = formulaAt(s, 1, 0);
        ASSERT_TRUE(sum.formula);
        // Result 0, options 3, then the tokens of SUM(A1:B2).
        EXPECT_EQ(hex(sum.formula->data.substr(6)),
                  biff8 ? "0000000000000000" "0300" "00000000" "0D00" "25" "0000" "0000" "00C0" "01C0" "42010400"
                        : "0000000000000000" "0300" "00000000" "0B00" "25" "00C0" "00C0" "00" "01" "42010400");
        FormulaCell text = formulaAt(s, 1, 2);
        ASSERT_TRUE(text.formula && text.next);
        EXPECT_EQ(hex(text.formula->data.substr(6, 10)), "000000000000FFFF0000");
        EXPECT_EQ(text.next->no, 0x0207);
        EXPECT_EQ(hex(text.next->data), biff8 ? "0200006162" : "02006162");
        EXPECT_NE(formulaAt(s, 1, 1).next->no, 0x0207);
        EXPECT_FALSE(formulaAt(s, 2, 0).formula);
        EXPECT_FALSE(formulaAt(s, 2, 3).formula);

        const std::string xlrd = readWith("xlrd", path);
        EXPECT_NE(xlrd.find("1,1=2:5.0"), std::string::npos) << xlrd;
        EXPECT_NE(xlrd.find("1,2=1:'ab'"), std::string::npos) << xlrd;
        EXPECT_NE(xlrd.find("1,3=4:1"), std::string::npos) << xlrd;
        EXPECT_NE(xlrd.find("1,4=5:42"), std::string::npos) << xlrd;
        const std::string pe = readWith("parseexcel", path);
        EXPECT_NE(pe.find("1,1=Numeric:5"), std::string::npos) << pe;
        EXPECT_NE(pe.find("1,2=Text:ab"), std::string::npos) << pe;
        EXPECT_NE(pe.find("1,3=Text:TRUE"), std::string::npos) << pe;  // its way of showing them
        EXPECT_NE(pe.find("1,4=Text:#N/A"), std::string::npos) << pe;
    }
}

TEST_F(FormulaLibrary, ReferenceListsBiff5) {
    const std::string path = dir.file("ref5.xls");
    int book = XM_Create(path.c_str(), 3);
    ASSERT_GE(book, 0);
    EXPECT_EQ(XM_WriteFunc(book, 0, 0, 0, "Sheet2!A1"), -100);  // no list yet
    EXPECT_EQ(XM_SetRefSheet(book, 0, ""), -34);
    EXPECT_EQ(XM_SetRefSheet(book, 0, "Sheet2//Sheet3"), -34);
    EXPECT_EQ(XM_SetRefSheet(book, 0, std::string(33, 'x').c_str()), -34);
    EXPECT_EQ(XM_SetRefSheet(book, 5, "Sheet2"), -4);
    ASSERT_EQ(XM_SetRefSheet(book, 0, "Sheet2/sheet3"), 0);
    EXPECT_EQ(XM_WriteFunc(book, 0, 0, 0, "Sheet3!B2+SHEET2!A1"), 0);
    EXPECT_EQ(XM_WriteFunc(book, 0, 1, 0, "Sheet1!A1"), -100);  // not in the list
    EXPECT_EQ(XM_WriteFunc(book, 1, 0, 0, "Sheet2!A1"), -100);  // the list is per sheet
    ASSERT_EQ(XM_Close(book), 0);

    readWith("xlrd", path);  // both readers accept the sheet's reference records
    readWith("parseexcel", path);
    Stream s = readStream(path);
    ASSERT_TRUE(s.ok);
    auto counts = s.all(0x0016);
    ASSERT_EQ(counts.size(), 1u);
    EXPECT_EQ(counts[0]->u16(0), 2u);
    auto sheets = s.all(0x0017);
    ASSERT_EQ(sheets.size(), 2u);
    EXPECT_EQ(sheets[0]->data, std::string("\x06\x03Sheet2", 8));
    EXPECT_EQ(sheets[1]->data, std::string("\x06\x03sheet3", 8));
    FormulaCell f = formulaAt(s, 0, 0);
    ASSERT_TRUE(f.formula);
    EXPECT_EQ(hex(f.formula->data.substr(22)),
              "5A" "FEFF" "0000000000000000" "0200" "0200" "01C0" "01"
              "5A" "FFFF" "0000000000000000" "0100" "0100" "00C0" "00" "03");
}

TEST_F(FormulaLibrary, ExternSheetsBiff8) {
    const std::string path = dir.file("ref8.xls");
    int book = XM_Create97(path.c_str(), 3);
    ASSERT_GE(book, 0);
    ASSERT_EQ(XM_SetRefSheet(book, 0, "Sheet2/Sheet3"), 0);
    ASSERT_EQ(XM_SetRefSheet(book, 1, "Sheet3"), 0);
    EXPECT_EQ(XM_WriteFunc(book, 0, 0, 0, "Sheet3!A1"), 0);
    // A failing formula adds no entry.
    EXPECT_EQ(XM_WriteFunc(book, 0, 1, 0, "Sheet2!A1+NOSUCH(1)"), -100);
    EXPECT_EQ(XM_WriteFunc(book, 0, 2, 0, "Sheet2!A1+Sheet3!B1"), 0);
    EXPECT_EQ(XM_WriteFunc(book, 1, 0, 0, "SUM(Sheet3!A1:A2)"), 0);
    ASSERT_EQ(XM_Close(book), 0);

    readWith("xlrd", path);
    readWith("parseexcel", path);
    Stream s = readStream(path);
    ASSERT_TRUE(s.ok);
    auto sup = s.all(0x01AE);
    ASSERT_EQ(sup.size(), 1u);  // one SUPBOOK however many sheets have a list
    EXPECT_EQ(hex(sup[0]->data), "03000104");
    auto ext = s.all(0x0017);
    ASSERT_EQ(ext.size(), 1u);
    EXPECT_EQ(hex(ext[0]->data), "0200" "000002000200" "000001000100");
    EXPECT_EQ(hex(formulaAt(s, 0, 2).formula->data.substr(22)), "5A0100000000C0" "5A0000000001C0" "03");
}

TEST_F(FormulaLibrary, XlAndXlsForms) {
    const std::string path = dir.file("xl.xls");
    ASSERT_EQ(XL_Create97(path.c_str(), 1), 0);
    ASSERT_EQ(XL_MovePos(0, 0), 0);
    EXPECT_EQ(XL_WrtFunc("1+1"), 0);
    EXPECT_EQ(XL_WrtFunc2("2+2", 15), 0);  // the cursor moved one column on
    EXPECT_EQ(XL_WriteFunc(0, 1, "3+3"), 0);
    FormulaResult r = numberResult(8);
    EXPECT_EQ(XL_WriteFunc3(1, 1, "4+4", 15, &r), 0);
    EXPECT_EQ(XL_WrtFunc("1+"), -100);
    // No template names yet: every by-name write reports the unknown name.
    EXPECT_EQ(XL_WriteFunch("total", 0, 0, "1"), -37);
    EXPECT_EQ(XL_WriteFunc3h("total", 1, 1, "1", 15, &r), -37);
    EXPECT_EQ(XM_WriteFunch(0, 0, "total", 0, 0, "1"), -37);
    ASSERT_EQ(XL_Close(), 0);
    Stream s = readStream(path);
    ASSERT_TRUE(s.ok);
    EXPECT_TRUE(formulaAt(s, 0, 0).formula);
    EXPECT_TRUE(formulaAt(s, 0, 1).formula);
    EXPECT_TRUE(formulaAt(s, 1, 0).formula);
    ASSERT_TRUE(formulaAt(s, 1, 1).formula);
    EXPECT_EQ(formulaAt(s, 1, 1).formula->f64(6), 8.0);

    const std::string xls = dir.file("xls.xls");
    ASSERT_EQ(XlsCreateBook(xls.c_str(), 97, 2, nullptr), 1);
    EXPECT_EQ(XlsPutFunc("=Sheet2!A1", nullptr, "H1"), 0);
    EXPECT_EQ(errorNo(), 100);
    EXPECT_EQ(XlsPutRefSheet("Sheet2"), 1);
    EXPECT_EQ(XlsPutFunc("=Sheet2!A1", nullptr, "H1"), 1);
    EXPECT_EQ(XlsPutFunc("=1+2", "3", "A1"), 1);
    EXPECT_EQ(XlsPutFunc("=1.5*2", "3.0", "B1"), 1);
    EXPECT_EQ(XlsPutFunc("=\"a\"&\"b\"", "ab", "C1"), 1);
    EXPECT_EQ(XlsPutFunc("=A1", nullptr, "D1,E2"), 1);
    EXPECT_EQ(XlsPutFunc("=1", std::string(257, 'x').c_str(), "F1"), 0);
    EXPECT_EQ(errorNo(), 31);
    EXPECT_EQ(XlsPutFunc("=ROUND(1)", nullptr, "F1"), 0);
    EXPECT_EQ(errorNo(), 100);
    EXPECT_EQ(XlsPutValue("=SUM(A1:B1)", "G1"), 1);
    EXPECT_EQ(XlsCloseBook(1), 1);
    s = readStream(xls);
    ASSERT_TRUE(s.ok);
    EXPECT_EQ(formulaAt(s, 0, 0).formula->f64(6), 3.0);
    EXPECT_EQ(hex(formulaAt(s, 0, 0).formula->data.substr(14, 2)), "0000");  // options 0
    EXPECT_EQ(formulaAt(s, 0, 2).next->no, 0x0207);
    EXPECT_EQ(hex(formulaAt(s, 0, 3).formula->data.substr(14, 2)), "0300");
    EXPECT_TRUE(formulaAt(s, 1, 4).formula);
    EXPECT_FALSE(formulaAt(s, 0, 5).formula);
    EXPECT_TRUE(formulaAt(s, 0, 6).formula);
    EXPECT_EQ(hex(formulaAt(s, 0, 7).formula->data.substr(22)), "5A0000000000C0");
}

TEST_F(FormulaLibrary, Utf8CallerText) {
    const std::string path = dir.file("u.xls");
    XlsSetCodePage(65001);
    int book = XM_Create97(path.c_str(), 2);
    ASSERT_GE(book, 0);
    FormulaResult t = textResult("表");
    EXPECT_EQ(XM_WriteFunc3(book, 0, 0, 0, "\"表\"&\"＋\"", 15, &t), 0);
    ASSERT_EQ(XM_Close(book), 0);
    XlsSetCodePage(932);
    Stream s = readStream(path);
    ASSERT_TRUE(s.ok);
    FormulaCell f = formulaAt(s, 0, 0);
    ASSERT_TRUE(f.formula && f.next);
    EXPECT_EQ(hex(f.formula->data.substr(22)), "170101" "6888" "170101" "0BFF" "08");
    EXPECT_EQ(hex(f.next->data), "010001" "6888");
}

}  // namespace
