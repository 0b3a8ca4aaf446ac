// Token bytes of compiled formulas, checked byte for byte (operand classes included,
// which no outside reader verifies).
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "formula/formula.h"
#include "formula/functions.h"

using namespace celvane::formula;

namespace {

std::string hex(const std::vector<std::uint8_t>& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string s;
    for (std::uint8_t b : bytes) {
        s += digits[b >> 4];
        s += digits[b & 15];
    }
    return s;
}

std::string squeeze(std::string s) {
    std::string out;
    for (char c : s)
        if (c != ' ') out += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

Options opts(BiffVersion v, const SheetDirectory* sheets = nullptr, CodePage cp = CodePage::Cp932) {
    Options o;
    o.version = v;
    o.sheets = sheets;
    o.codePage = cp;
    return o;
}

// Compiles and returns the hex of all bytes, or "cause N".
std::string compiled(std::string_view text, const Options& o) {
    Compiled c;
    int rc = compile(text, o, c);
    if (rc != kOk) {
        EXPECT_TRUE(c.bytes.empty());
        return "cause " + std::to_string(rc);
    }
    return hex(c.bytes);
}

struct Case {
    const char* formula;
    const char* biff5;
    const char* biff8;  // null: same as BIFF5
};

// Doubles used below, little-endian.
#define D_1 "000000000000F03F"
#define D_2 "0000000000000040"
#define D_3 "0000000000000840"
#define D_4 "0000000000001040"
#define D_M1 "000000000000F0BF"

const Case kCases[] = {
    // Integer and number constants.
    {"1", "1E 0100", nullptr},
    {"65535", "1E FFFF", nullptr},
    {"000065535", "1E FFFF", nullptr},
    {"65536", "1F 00000000 0000F040", nullptr},
    {"1.5", "1F 00000000 0000F83F", nullptr},
    {".5", "1F 00000000 0000E03F", nullptr},
    {"1E+5", "1F 00000000 006AF840", nullptr},
    {"2e-1+1", "1F 9A9999999999C93F 1E0100 03", nullptr},
    // Precedence and associativity; "&" is looser than the comparisons.
    {"1+2*3", "1E0100 1E0200 1E0300 05 03", nullptr},
    {"(1+2)*3", "1E0100 1E0200 03 15 1E0300 05", nullptr},
    {"2^3^2", "1E0200 1E0300 07 1E0200 07", nullptr},
    {"1-2-3", "1E0100 1E0200 04 1E0300 04", nullptr},
    {"8/2/2", "1E0800 1E0200 06 1E0200 06", nullptr},
    {"1<2", "1E0100 1E0200 09", nullptr},
    {"1<=2", "1E0100 1E0200 0A", nullptr},
    {"1=2", "1E0100 1E0200 0B", nullptr},
    {"1>=2", "1E0100 1E0200 0C", nullptr},
    {"1>2", "1E0100 1E0200 0D", nullptr},
    {"1<>2", "1E0100 1E0200 0E", nullptr},
    {"1+2&3", "1E0100 1E0200 03 1E0300 08", nullptr},
    {"1&2+3", "1E0100 1E0200 1E0300 03 08", nullptr},
    {"1&2=3", "1E0100 1E0200 1E0300 0B 08", nullptr},
    {"1=2&3", "1E0100 1E0200 0B 1E0300 08", nullptr},
    // Signs and percent.
    {"-2^2", "1E0200 13 1E0200 07", nullptr},
    {"2*-3", "1E0200 1E0300 13 05", nullptr},
    {"+1", "1E0100 12", nullptr},
    {"--1", "1E0100 13 13", nullptr},
    {"50%", "1E3200 14", nullptr},
    {"-(1+2)", "1E0100 1E0200 03 15 13", nullptr},
    {"  = 1 + 2 ", "1E0100 1E0200 03", nullptr},
    // Booleans, strings, errors.
    {"TRUE", "1D01", nullptr},
    {"false", "1D00", nullptr},
    {"\"abc\"", "17 03 616263", "17 03 00 616263"},
    {"\"a\"\"b\"", "17 03 612262", "17 03 00 612262"},
    {"\"\"", "17 00", "17 00 00"},
    {"#DIV/0!", "1C07", nullptr},
    {"#N/A", "1C2A", nullptr},
    {"#NAME?", "1C1D", nullptr},
    {"#NULL!", "1C00", nullptr},
    {"#NUM!", "1C24", nullptr},
    {"#VALUE!", "1C0F", nullptr},
    {"#ref!", "4A 000000", "4A 00000000"},
    // Function tokens: fixed for one-argument functions except ROW, COLUMN, COLUMNS.
    {"TRUE()", "42 00 2200", nullptr},
    {"PI()", "42 00 1300", nullptr},
    {"NOW()", "42 00 4A00", nullptr},
    {"ABS(-1)", "1E0100 13 41 1800", nullptr},
    {"LEN(\"ab\")", "17 02 6162 41 2000", "17 02 00 6162 41 2000"},
    {"ROUND(1.5,0)", "1F 00000000 0000F83F 1E0000 42 02 1B00", nullptr},
    {"MID(\"abc\",2,1)", "17 03 616263 1E0200 1E0100 42 03 1F00", "17 03 00 616263 1E0200 1E0100 42 03 1F00"},
    {"COUNT(1,2)", "1E0100 1E0200 42 02 0000", nullptr},
    {"ERROR.TYPE(#N/A)", "1C2A 41 0501", nullptr},
    {"@sum(1)", "1E0100 42 01 0400", nullptr},
    {"SUM(1,)", "1E0100 16 42 02 0400", nullptr},
    {"SUM(,1)", "16 1E0100 42 02 0400", nullptr},
    {"IF(1,2)", "1E0100 1E0200 42 02 0100", nullptr},
    // References outside functions: cells value class, areas reference class.
    {"A1+B1", "44 00C0 00 44 00C0 01 03", "44 0000 00C0 44 0000 01C0 03"},
    {"A1:B2", "25 00C0 01C0 00 01", "25 0000 0100 00C0 01C0"},
    {"$A$1", "44 0000 00", "44 0000 0000"},
    {"A$1", "44 0040 00", "44 0000 0040"},
    {"$A1", "44 0080 00", "44 0000 0080"},
    {"iv1", "44 00C0 FF", "44 0000 FFC0"},
    {"-A1", "44 00C0 00 13", "44 0000 00C0 13"},
    // References inside functions take the innermost function's classes.
    {"ROW(A1)", "24 00C0 00 42 01 0800", "24 0000 00C0 42 01 0800"},
    {"COLUMN(B2)", "24 01C0 01 42 01 0900", "24 0100 01C0 42 01 0900"},
    {"COLUMNS(A1:C1)", "25 00C0 00C0 00 02 42 01 4D00", "25 0000 0000 00C0 02C0 42 01 4D00"},
    {"ROWS(A1:A3)", "25 00C0 02C0 00 00 41 4C00", "25 0000 0200 00C0 00C0 41 4C00"},
    {"SIN(A1)", "44 00C0 00 41 0F00", "44 0000 00C0 41 0F00"},
    {"SUM(A1)", "24 00C0 00 42 01 0400", "24 0000 00C0 42 01 0400"},
    {"SUM((A1))", "24 00C0 00 15 42 01 0400", "24 0000 00C0 15 42 01 0400"},
    {"SUM(-A1)", "44 00C0 00 13 42 01 0400", "44 0000 00C0 13 42 01 0400"},
    {"MODE(A1)", "64 00C0 00 42 01 4A01", "64 0000 00C0 42 01 4A01"},
    {"MDETERM(A1:B2)", "65 00C0 01C0 00 01 41 A300", "65 0000 0100 00C0 01C0 41 A300"},
    {"SUMPRODUCT(A1:A2,B1:B2)", "65 00C0 01C0 00 00 65 00C0 01C0 01 01 42 02 E400",
     "65 0000 0100 00C0 00C0 65 0000 0100 01C0 01C0 42 02 E400"},
    {"NPV(0.1,A1:A3)", "1F 9A9999999999B93F 25 00C0 02C0 00 00 42 02 0B00",
     "1F 9A9999999999B93F 25 0000 0200 00C0 00C0 42 02 0B00"},
    {"IF(A1>0,B1:B2,1)", "44 00C0 00 1E0000 0D 45 00C0 01C0 01 01 1E0100 42 03 0100",
     "44 0000 00C0 1E0000 0D 45 0000 0100 01C0 01C0 1E0100 42 03 0100"},
    {"IF(A1,SUM(B1),1)", "44 00C0 00 24 00C0 01 42 01 0400 1E0100 42 03 0100",
     "44 0000 00C0 24 0000 01C0 42 01 0400 1E0100 42 03 0100"},
    {"CONCATENATE(\"a\",A1)", "17 01 61 44 00C0 00 42 02 5001", "17 01 00 61 44 0000 00C0 42 02 5001"},
    // Column and row ranges, swapped corners.
    {"SUM(A:C)", "25 0040 FF7F 00 02 42 01 0400", "25 0000 FFFF 0040 0240 42 01 0400"},
    {"SUM($A:$B)", "25 0000 FF3F 00 01 42 01 0400", "25 0000 FFFF 0000 0100 42 01 0400"},
    {"SUM(1:3)", "25 0080 0280 00 FF 42 01 0400", "25 0000 0200 0080 FF80 42 01 0400"},
    {"B2:A1", "25 00C0 01C0 00 01", "25 0000 0100 00C0 01C0"},
    {"$B$2:A1", "25 00C0 0100 00 01", "25 0000 0100 00C0 0100"},
    // Array constants: the token, then the values after every token.
    // BIFF5 gives the sizes as they are, BIFF8 less one.
    {"{1,2;3,4}", "60 00000000000000 02 0200 01" D_1 "01" D_2 "01" D_3 "01" D_4,
     "60 00000000000000 01 0100 01" D_1 "01" D_2 "01" D_3 "01" D_4},
    {"{\"a\",TRUE}", "60 00000000000000 02 0100 02 01 61 04 01 00000000000000",
     "60 00000000000000 01 0000 02 0100 00 61 04 01 00000000000000"},
    {"{-1}", "60 00000000000000 01 0100 01" D_M1, "60 00000000000000 00 0000 01" D_M1},
    {"SUM({1,2})+{3}", "60 00000000000000 42 01 0400 60 00000000000000 03 02 0100 01" D_1 "01" D_2 " 01 0100 01" D_3,
     "60 00000000000000 42 01 0400 60 00000000000000 03 01 0000 01" D_1 "01" D_2 " 00 0000 01" D_3},
};

TEST(FormulaTokens, TableInBothFormats) {
    for (const Case& c : kCases) {
        EXPECT_EQ(compiled(c.formula, opts(BiffVersion::Biff5)), squeeze(c.biff5)) << "BIFF5 " << c.formula;
        EXPECT_EQ(compiled(c.formula, opts(BiffVersion::Biff8)), squeeze(c.biff8 ? c.biff8 : c.biff5))
            << "BIFF8 " << c.formula;
    }
}

TEST(FormulaTokens, DesignExamples) {
    const Options b8 = opts(BiffVersion::Biff8);
    EXPECT_EQ(compiled("=SUM(A1:B2)", b8), squeeze("25 0000 0100 00C0 01C0 42 01 0400"));
    EXPECT_EQ(compiled("A1&B1=C1", b8), squeeze("44 0000 00C0 44 0000 01C0 44 0000 02C0 0B 08"));
    EXPECT_EQ(compiled("=-A1", b8), squeeze("44 0000 00C0 13"));
    EXPECT_EQ(compiled("=IF(A1,,1)", b8), squeeze("44 0000 00C0 16 1E0100 42 03 0100"));
    EXPECT_EQ(compiled("$B$3", b8), squeeze("44 0200 0100"));
    EXPECT_EQ(compiled("B$3", b8), squeeze("44 0200 0140"));
    EXPECT_EQ(compiled("$B$3", opts(BiffVersion::Biff5)), squeeze("44 0200 01"));
    EXPECT_EQ(compiled("B$3", opts(BiffVersion::Biff5)), squeeze("44 0240 01"));
}

TEST(FormulaTokens, TokenLengthExcludesArrayData) {
    Compiled c;
    ASSERT_EQ(compile("SUM({1,2})", opts(BiffVersion::Biff8), c), kOk);
    EXPECT_EQ(c.tokenLength, 12u);
    EXPECT_EQ(c.bytes.size(), 12u + 3 + 18);
}

TEST(FormulaTokens, RowLimitDependsOnFormat) {
    EXPECT_EQ(compiled("IV65536", opts(BiffVersion::Biff8)), squeeze("44 FFFF FFC0"));
    EXPECT_EQ(compiled("IV16384", opts(BiffVersion::Biff5)), squeeze("44 FFFF FF"));
    EXPECT_EQ(compiled("A16385", opts(BiffVersion::Biff5)), "cause -104");
    EXPECT_EQ(compiled("A65537", opts(BiffVersion::Biff8)), "cause -104");
    EXPECT_EQ(compiled("SUM(A:A)", opts(BiffVersion::Biff5)), squeeze("25 0040 FF7F 00 00 42 01 0400"));
}

TEST(FormulaFailures, Causes) {
    struct Fail {
        const char* formula;
        int cause;
    };
    const Fail fails[] = {
        {"ROUND(1)", kArgumentCount}, {"ROUND(1,2,3)", kArgumentCount}, {"PI(1)", kArgumentCount},
        {"ROW()", kArgumentCount},    {"FOO(1)", kSyntax},              {"(1,2)", kCommaInGroup},
        {"SUM((1,2))", kCommaInGroup}, {"SUM(1", kUnbalanced},          {"\"abc", kUnbalanced},
        {"1)", kUnbalanced},          {"{1,2", kUnbalanced},            {"", kSyntax},
        {"=", kSyntax},               {"1+", kSyntax},                  {"*1", kSyntax},
        {"1 2", kSyntax},             {"()", kSyntax},                  {"SUM(1+)", kSyntax},
        {"SUM(1+,2)", kSyntax},       {"==1", kSyntax},                 {"1,2", kSyntax},
        {"1;2", kSyntax},             {"{1,{2}}", kSyntax},             {"{1,2;3}", kSyntax},
        {"{1,,2}", kSyntax},          {"{A1}", kSyntax},                {"}", kSyntax},
        {"A1:", kSyntax},             {"A1:B", kSyntax},                {"A:1", kSyntax},
        {"A", kSyntax},               {"#FOO", kSyntax},                {"IW1", kSyntax},
        {"A0", kSyntax},              {"1.2.3", kSyntax},               {"1e", kSyntax},
        {"A1%%B1", kSyntax},          {"Sheet2!A1", kSyntax},           {"%", kSyntax},
        {"A1!", kSyntax},             {"1:", kSyntax},                  {"A1(1)", kSyntax},
    };
    for (const Fail& f : fails) {
        EXPECT_EQ(compiled(f.formula, opts(BiffVersion::Biff8)), "cause " + std::to_string(f.cause)) << f.formula;
        EXPECT_EQ(compiled(f.formula, opts(BiffVersion::Biff5)), "cause " + std::to_string(f.cause)) << f.formula;
    }
}

TEST(FormulaFailures, Limits) {
    const Options b8 = opts(BiffVersion::Biff8);
    // Text length counts every byte, blanks included.
    auto oneAndBlanks = [](std::size_t n) {
        std::string s = "1";
        s.append(n, ' ');
        return s;
    };
    EXPECT_EQ(compiled(oneAndBlanks(4095), b8), "1E0100");
    EXPECT_EQ(compiled(oneAndBlanks(4096), b8), "cause -102");
    // String constants up to 255 bytes.
    auto quotedX = [](std::size_t n) {
        std::string s = "\"";
        s.append(n, 'x');
        s += '"';
        return s;
    };
    EXPECT_EQ(compiled(quotedX(255), b8).size(), 2u * (3 + 255));
    EXPECT_EQ(compiled(quotedX(256), b8), "cause -109");
    // Output below 1400 bytes: n terms of "+1" take 3 + 4 (n - 1) bytes.
    auto sum = [](int terms) {
        std::string s = "1";
        for (int i = 1; i < terms; ++i) s += "+1";
        return s;
    };
    EXPECT_NE(compiled(sum(350), b8).substr(0, 5), "cause");
    EXPECT_EQ(compiled(sum(351), b8), "cause -108");
    // ... and within the room left in the book's token buffer.
    Options small = b8;
    small.space = 10;
    EXPECT_EQ(compiled("1+1+1", small), "cause -108");
    EXPECT_EQ(compiled("1+1", small), "1E01001E010003");
    // The lexical token table holds 1536 entries; the count is checked before output length.
    EXPECT_EQ(compiled(sum(768), b8), "cause -108");
    EXPECT_EQ(compiled(sum(769), b8), "cause -101");
    // A large array whose column count does not fit its 8-bit field.
    std::string wide = "{\"\"";
    for (int i = 1; i < 257; ++i) wide += ",\"\"";
    wide += "}";
    EXPECT_EQ(compiled(wide, opts(BiffVersion::Biff5)), "cause -108");
    // 256 columns still fit: BIFF5 writes the count as 0, BIFF8 as 255.
    std::string full = "{\"\"";
    for (int i = 1; i < 256; ++i) full += ",\"\"";
    full += "}";
    EXPECT_EQ(compiled(full, opts(BiffVersion::Biff5)).substr(16, 6), "000100");
    EXPECT_EQ(compiled(full, opts(BiffVersion::Biff8)).substr(16, 6), "FF0000");
}

TEST(FormulaFunctions, TableShapeAndEveryFunctionCallable) {
    std::size_t n = 0;
    const Function* table = functionTable(n);
    ASSERT_EQ(n, 231u);
    std::set<std::string> names;
    for (std::size_t i = 0; i < n; ++i) {
        const Function& f = table[i];
        EXPECT_TRUE(names.insert(f.name).second) << f.name;
        EXPECT_LE(f.minArgs, f.maxArgs) << f.name;
        EXPECT_EQ(findFunction(f.name), &f) << f.name;
        // With the minimum and maximum argument counts the call compiles and ends in the
        // function token; one fewer or one more is refused.
        for (int argc : {int(f.minArgs), int(f.maxArgs)}) {
            std::string text = std::string(f.name) + "(";
            for (int a = 0; a < argc; ++a) text += a ? ",1" : "1";
            text += ")";
            Compiled c;
            ASSERT_EQ(compile(text, opts(BiffVersion::Biff8), c), kOk) << text;
            const std::uint16_t number = f.number == kCountNumber ? 0 : f.number;
            const auto& b = c.bytes;
            const bool fixed = f.maxArgs == 1 && number != 8 && number != 9 && number != 77;
            if (fixed) {
                ASSERT_GE(b.size(), 3u);
                EXPECT_EQ(b[b.size() - 3], 0x41) << text;
            } else {
                ASSERT_GE(b.size(), 4u);
                EXPECT_EQ(b[b.size() - 4], 0x42) << text;
                EXPECT_EQ(b[b.size() - 3], argc) << text;
            }
            EXPECT_EQ(b[b.size() - 2] | (b[b.size() - 1] << 8), number) << text;
        }
        std::string over = std::string(f.name) + "(1";
        for (int a = 1; a <= f.maxArgs; ++a) over += ",1";
        over += ")";
        Compiled c;
        EXPECT_EQ(compile(over, opts(BiffVersion::Biff8), c), kArgumentCount) << over;
    }
    EXPECT_EQ(findFunction("COUNT")->number, kCountNumber);
    EXPECT_EQ(findFunction("NOSUCH"), nullptr);
}

// --- References to other sheets -------------------------------------------------

ListedSheets sheets3() {
    ListedSheets s;
    s.bookSheets = {"Sheet1", "Sheet2", "Sheet3"};
    s.referenceList = {"Sheet3", "Sheet2"};
    return s;
}

TEST(FormulaSheets, Biff5UsesNegativeListPosition) {
    ListedSheets s = sheets3();
    const Options o = opts(BiffVersion::Biff5, &s);
    EXPECT_EQ(compiled("Sheet2!A1", o), squeeze("5A FEFF 0000000000000000 0100 0100 00C0 00"));
    EXPECT_EQ(compiled("SUM(sheet3!$A$1:B2)", o),
              squeeze("3B FFFF 0000000000000000 0200 0200 0000 01C0 00 01 42 01 0400"));
    EXPECT_EQ(compiled("SUM(Sheet3!B2)", o), squeeze("3A FFFF 0000000000000000 0200 0200 01C0 01 42 01 0400"));
    // A sheet range takes the list position of its first name.
    EXPECT_EQ(compiled("Sheet3:Sheet2!A1", o), squeeze("5A FFFF 0000000000000000 0100 0200 00C0 00"));
}

TEST(FormulaSheets, NameMustBeListedAndInBook) {
    ListedSheets s = sheets3();
    s.referenceList.push_back("Sheet9");
    EXPECT_EQ(compiled("Sheet1!A1", opts(BiffVersion::Biff8, &s)), "cause -104");  // not listed
    EXPECT_EQ(compiled("Sheet9!A1", opts(BiffVersion::Biff8, &s)), "cause -104");  // not in the book
    EXPECT_EQ(compiled("Sheet2!", opts(BiffVersion::Biff8, &s)), "cause -104");
    EXPECT_EQ(compiled("Sheet2!1", opts(BiffVersion::Biff8, &s)), "cause -104");
    EXPECT_EQ(compiled("Sheet2!A1", opts(BiffVersion::Biff8)), "cause -104");      // no reference list
}

TEST(FormulaSheets, Biff8ExternSheetEntries) {
    ListedSheets s = sheets3();
    const Options o = opts(BiffVersion::Biff8, &s);
    Compiled c;
    ASSERT_EQ(compile("Sheet2!A1+SUM(Sheet3!A1:B2)+sheet2!B1", o, c), kOk);
    EXPECT_EQ(hex(c.bytes), squeeze("5A 0000 0000 00C0 3B 0100 0000 0100 00C0 01C0 42 01 0400 03 5A 0000 0000 01C0 03"));
    ASSERT_EQ(c.newExternSheets.size(), 2u);
    EXPECT_EQ(c.newExternSheets[0], (ExternSheet{0, 1, 1}));
    EXPECT_EQ(c.newExternSheets[1], (ExternSheet{0, 2, 2}));

    // Entries already in the book are reused; new ones follow them.
    s.externTable = {{0, 2, 2}, {0, 0, 0}};
    ASSERT_EQ(compile("Sheet3!A1+Sheet2!A1", o, c), kOk);
    EXPECT_EQ(hex(c.bytes), squeeze("5A 0000 0000 00C0 5A 0200 0000 00C0 03"));
    ASSERT_EQ(c.newExternSheets.size(), 1u);
    EXPECT_EQ(c.newExternSheets[0], (ExternSheet{0, 1, 1}));
}

TEST(FormulaSheets, FullExternTableFailsWithoutOutput) {
    ListedSheets s = sheets3();
    s.externTable.assign(41, ExternSheet{0, 0, 0});
    const Options o = opts(BiffVersion::Biff8, &s);
    Compiled c;
    ASSERT_EQ(compile("Sheet2!A1", o, c), kOk);
    EXPECT_EQ(c.newExternSheets.size(), 1u);
    EXPECT_EQ(compile("Sheet2!A1+Sheet3!A1", o, c), kExternSheetsFull);
    EXPECT_TRUE(c.newExternSheets.empty());
    EXPECT_TRUE(c.bytes.empty());
    // A reference to a sheet range already in the full table still works.
    s.externTable.push_back({0, 1, 2});
    ASSERT_EQ(compile("Sheet2:Sheet3!A1", o, c), kOk);
    EXPECT_EQ(hex(c.bytes), squeeze("5A 2900 0000 00C0"));
}

// --- Code pages -------------------------------------------------------------------

TEST(FormulaText, Cp932DoubleByteCharactersTakenWhole) {
    // "＋" is 81 7B: its trail byte is "{" and must not open an array constant.
    const std::string plus = "\x81\x7B";
    // "表" is 95 5C.
    const std::string table = "\x95\x5C";
    EXPECT_EQ(compiled("\"" + plus + "\"", opts(BiffVersion::Biff5)), "1702817B");
    EXPECT_EQ(compiled("\"" + plus + "\"", opts(BiffVersion::Biff8)), "1701010BFF");
    EXPECT_EQ(compiled("\"a" + table + "\"", opts(BiffVersion::Biff8)), "17020161006888");

    ListedSheets s;
    s.bookSheets = {"Sheet1", table + plus};
    s.referenceList = {table + plus};
    EXPECT_EQ(compiled(table + plus + "!B1", opts(BiffVersion::Biff8, &s)), squeeze("5A 0000 0000 01C0"));
    EXPECT_EQ(compiled(table + plus + "!B1", opts(BiffVersion::Biff5, &s)),
              squeeze("5A FFFF 0000000000000000 0100 0100 00C0 01"));
    // A name differing only in a trail byte's case is another name.
    EXPECT_FALSE(sameSheetName("\x82\x61", "\x82\x41", CodePage::Cp932));
    EXPECT_TRUE(sameSheetName("sheet\x82\x61", "SHEET\x82\x61", CodePage::Cp932));
}

TEST(FormulaText, StringLengthMeasuredInCp932Bytes) {
    const std::string kanji = "\x95\x5C";     // CP932
    const std::string kanjiUtf8 = "\xE8\xA1\xA8";  // the same character in UTF-8
    std::string s127, u127;
    for (int i = 0; i < 127; ++i) s127 += kanji, u127 += kanjiUtf8;
    // 127 double-byte characters and one ASCII character: 255 bytes, 128 characters.
    std::string r = compiled("\"" + s127 + "x\"", opts(BiffVersion::Biff8));
    EXPECT_EQ(r.substr(0, 6), "178001");
    EXPECT_EQ(compiled("\"" + s127 + "xy\"", opts(BiffVersion::Biff8)), "cause -109");
    EXPECT_EQ(compiled("\"" + s127 + "x\"", opts(BiffVersion::Biff5)).substr(0, 4), "17FF");
    EXPECT_EQ(compiled("\"" + u127 + "x\"", opts(BiffVersion::Biff8, nullptr, CodePage::Utf8)), r);
    EXPECT_EQ(compiled("\"" + u127 + "xy\"", opts(BiffVersion::Biff5, nullptr, CodePage::Utf8)), "cause -109");
}

TEST(FormulaText, Utf8Input) {
    const Options b5 = opts(BiffVersion::Biff5, nullptr, CodePage::Utf8);
    const Options b8 = opts(BiffVersion::Biff8, nullptr, CodePage::Utf8);
    EXPECT_EQ(compiled("\"\xEF\xBC\x8B\"", b5), "1702817B");
    EXPECT_EQ(compiled("\"\xEF\xBC\x8B\"", b8), "1701010BFF");
    // A character without a CP932 form: stored as a surrogate pair in BIFF8, refused in BIFF5.
    EXPECT_EQ(compiled("\"\xF0\x9F\x98\x80\"", b8), "1702013DD800DE");
    EXPECT_EQ(compiled("\"\xF0\x9F\x98\x80\"", b5), "cause -104");
    // Bytes that are not text in the code page.
    EXPECT_EQ(compiled("\"\xFF\"", b8), "cause -104");
    EXPECT_EQ(compiled("\"\x85\x40\"", opts(BiffVersion::Biff8)), "cause -104");
}

}  // namespace

namespace {

// Garbage made of the characters that matter to the lexer never breaks the compiler:
// every result is a cause or a formula within the limits (run under the sanitizers).
TEST(FormulaFailures, RandomTextIsHandled) {
    static const std::string pieces[] = {
        "(", ")", ",", ";", "{", "}", "\"", "!", ":", "$", "#", "%", "&", "+", "-", "*", "/", "^", "<", ">", "=",
        " ", "A1", "B$2", "IV", "1", "65536", "1E+", ".", "SUM", "IF", "ROW", "Sheet2", "TRUE", "#REF!", "#N/A",
        "\x81\x7B", "\x95", "\xE8\xA1", "@", "'",
    };
    ListedSheets s;
    s.bookSheets = {"Sheet1", "Sheet2"};
    s.referenceList = {"Sheet2"};
    std::uint32_t seed = 12345;
    auto next = [&] { return seed = seed * 1664525u + 1013904223u; };
    int compiledOk = 0;
    for (int i = 0; i < 6000; ++i) {
        std::string text;
        const int n = static_cast<int>(next() % 24);
        for (int k = 0; k < n; ++k) text += pieces[next() % std::size(pieces)];
        for (BiffVersion v : {BiffVersion::Biff5, BiffVersion::Biff8}) {
            for (CodePage cp : {CodePage::Cp932, CodePage::Utf8}) {
                Compiled c;
                int rc = compile(text, opts(v, &s, cp), c);
                if (rc == kOk) {
                    ++compiledOk;
                    EXPECT_LT(c.bytes.size(), kMaxCompiled) << text;
                    EXPECT_LE(c.tokenLength, c.bytes.size()) << text;
                } else {
                    EXPECT_TRUE(rc <= -101 && rc >= -109) << text << " gave " << rc;
                    EXPECT_TRUE(c.bytes.empty());
                }
            }
        }
    }
    EXPECT_GT(compiledOk, 0);
}

}  // namespace
