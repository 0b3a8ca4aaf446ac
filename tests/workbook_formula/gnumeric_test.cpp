// Independent decompilation: the library writes a table of formulas into BIFF5 and
// BIFF8 books, which Gnumeric's ssconvert reads back as formula text and recalculates.
// Skipped when ssconvert is not installed.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#include <celvane.h>

enum class BiffVersion { Biff5, Biff8 };

namespace {

struct Probe {
    const char* formula;
    const char* text;   // as Gnumeric prints it when that differs from `formula`
    const char* value;  // the recalculated value as the CSV export shows it
};

// Sheet1 holds A1..A5 = 1..5 and B1..B5 = 10..50; Sheet2 A1 = 100, B1 = 200, A2 = 300;
// Sheet3 A1 = 1000. Formulas go to column D from row 11 on.
const Probe kProbes[] = {
    {"SUM(A1:B2)", nullptr, "33"},
    {"A1+B1*2", nullptr, "21"},
    {"-A1", nullptr, "-1"},
    {"IF(A1,,1)", nullptr, "0"},
    {"$B$3", nullptr, "30"},
    {"B$3+$A1", nullptr, "31"},
    {"A1&B1=C1", "A1&(B1=C1)", "1FALSE"},
    {"Sheet2!A1", nullptr, "100"},
    {"SUM(Sheet2!A1:B1)", nullptr, "300"},
    {"SUM(Sheet2:Sheet3!A1)", nullptr, "1100"},
    {"Sheet2!A1*2+SUM(sheet2!A1:A2)", "Sheet2!A1*2+SUM(Sheet2!A1:A2)", "600"},
    // Gnumeric's "^" groups to the right and binds looser than a sign, so it shows
    // the left-to-right order and the sign's binding with parentheses.
    {"2^3^2", "(2^3)^2", "64"},
    {"-2^2", "(-2)^2", "4"},
    {"50%", nullptr, "0.5"},
    {"(1+2)*3", nullptr, "9"},
    {"8/2/2", nullptr, "2"},
    {"1-2-3", nullptr, "-4"},
    {"2*-3", nullptr, "-6"},
    {"--A2", "-(-A2)", "2"},
    {"+A3", nullptr, "3"},
    {"A1%", nullptr, "0.01"},
    {"1E+5", "100000", "100000"},
    {"1<>2", nullptr, "TRUE"},
    {"1>=2", nullptr, "FALSE"},
    {"1<=2", nullptr, "TRUE"},
    {"ROUND(2.5,0)", nullptr, "3"},
    {"AVERAGE(A1:A5)", nullptr, "3"},
    {"MAX(A1:A5,7)", nullptr, "7"},
    {"COUNT(A1:B5)", nullptr, "10"},
    {"ROW(A3)", nullptr, "3"},
    {"COLUMN(C1)", nullptr, "3"},
    {"COLUMNS(A1:C1)", nullptr, "3"},
    {"ROWS(A1:A4)", nullptr, "4"},
    {"LEN(\"abc\")", nullptr, "3"},
    {"CONCATENATE(\"a\",\"b\")", nullptr, "ab"},
    {"MID(\"abcdef\",2,3)", nullptr, "bcd"},
    {"SUM({1,2;3,4})", nullptr, "10"},
    {"INDEX({1,2;3,4},2,1)", nullptr, "3"},
    {"COUNTA({1,\"a\",TRUE})", nullptr, "3"},
    {"SUMPRODUCT(A1:A2,B1:B2)", nullptr, "50"},
    {"VLOOKUP(2,A1:B5,2)", nullptr, "20"},
    // Gnumeric shows whole columns and rows with their corners; #ROWS# is the
    // format's row count.
    {"SUM(A:A)", "SUM(A$1:A$#ROWS#)", "15"},
    {"SUM(1:1)", "SUM($A1:$IV1)", "11"},
    {"SUM(B2:A1)", "SUM(A1:B2)", "33"},
    {"IF(A1>0,\"yes\",\"no\")", nullptr, "yes"},
    {"ISERROR(1/0)", nullptr, "TRUE"},
    {"#N/A", nullptr, "#N/A"},
    {"#REF!", nullptr, "#REF!"},
    {"TRUE", nullptr, "TRUE"},
    {"\"a\"\"b\"", "\"a\\\"b\"", "a\"b"},
    {"ABS(-3)", nullptr, "3"},
    {"MOD(7,3)", nullptr, "1"},
    {"AND(TRUE,FALSE)", nullptr, "FALSE"},
    {"SUM(A1,,A2)", nullptr, "3"},
    {"LOWER(\"ABC\")", nullptr, "abc"},
    {"TEXT(1.5,\"0.00\")", nullptr, "1.50"},
    {"CHOOSE(2,\"x\",\"y\")", nullptr, "y"},
    {"SQRT(16)+EXP(0)", nullptr, "5"},
    {"MIN(A1:A5)-MAX(B1:B5)", nullptr, "-49"},
    {"IF(A1=1,SUM(A1:A5),0)", nullptr, "15"},
    {"INT(-2.5)", nullptr, "-3"},
    {"\"x\"&A1", nullptr, "x1"},
    {"ERROR.TYPE(#N/A)", nullptr, "7"},
    {"ISNA(#N/A)", nullptr, "TRUE"},
    {"MEDIAN(A1:A5)", nullptr, "3"},
    {"LOG10(1000)", nullptr, "3"},
    {"RIGHT(\"abc\",2)", nullptr, "bc"},
    {"NOT(FALSE)", nullptr, "TRUE"},
    {"PI()", nullptr, "3.14159265358979"},
    {"COUNTIF(A1:A5,\">2\")", nullptr, "3"},
    {"\"\x95\x5C\"&\"x\"", "\"\xE8\xA1\xA8\"&\"x\"", "\xE8\xA1\xA8x"},
};

constexpr int kFirstRow = 10;
constexpr int kColumn = 3;

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

bool haveSsconvert() { return std::system("command -v ssconvert >/dev/null 2>&1") == 0; }

std::string normalise(std::string s) {
    std::string out;
    bool quoted = false;
    for (char c : s) {
        if (c == '"') quoted = !quoted;
        if (!quoted && c == ' ') continue;
        out += (!quoted && c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    }
    if (!out.empty() && out[0] == '=') out.erase(0, 1);
    return out;
}

std::string xmlUnescape(const std::string& s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '&') {
            out += s[i];
            continue;
        }
        static const std::pair<const char*, char> entities[] = {
            {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
        bool done = false;
        for (const auto& [name, ch] : entities) {
            if (s.compare(i, std::strlen(name), name) == 0) {
                out += ch;
                i += std::strlen(name) - 1;
                done = true;
                break;
            }
        }
        if (!done) out += '&';
    }
    return out;
}

// Formula texts of the first sheet's cells in column kColumn, by row.
std::map<int, std::string> formulaTexts(const std::string& xml) {
    std::map<int, std::string> out;
    std::size_t end = xml.find("</gnm:Cells>");
    std::size_t pos = 0;
    while ((pos = xml.find("<gnm:Cell ", pos)) != std::string::npos && pos < end) {
        std::size_t close = xml.find('>', pos);
        std::string attrs = xml.substr(pos, close - pos);
        std::size_t textEnd = xml.find("</gnm:Cell>", close);
        if (textEnd == std::string::npos) break;
        int row = std::atoi(attrs.c_str() + attrs.find("Row=\"") + 5);
        int col = std::atoi(attrs.c_str() + attrs.find("Col=\"") + 5);
        if (col == kColumn) out[row] = xmlUnescape(xml.substr(close + 1, textEnd - close - 1));
        pos = textEnd;
    }
    return out;
}

// One CSV line into fields (quotes folded).
std::vector<std::string> csvFields(const std::string& line) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        char c = line[i];
        if (quoted) {
            if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') fields.back() += '"', ++i;
            else if (c == '"') quoted = false;
            else fields.back() += c;
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            fields.emplace_back();
        } else if (c != '\r') {
            fields.back() += c;
        }
    }
    return fields;
}

// Gnumeric's WARNING and CRITICAL lines, except its note that the machine lacks the
// metrics of the book's (Japanese) default font, which says nothing about the file.
std::string complaints(const std::string& log) {
    std::string out;
    std::istringstream lines(log);
    std::string line;
    while (std::getline(lines, line))
        if ((line.find("WARNING") != std::string::npos || line.find("CRITICAL") != std::string::npos) &&
            line.find("unknown widths for font") == std::string::npos)
            out += line + "\n";
    return out;
}

class GnumericRoundTrip : public testing::TestWithParam<BiffVersion> {};

TEST_P(GnumericRoundTrip, DecompilesAndRecalculates) {
    if (!haveSsconvert()) GTEST_SKIP() << "ssconvert not installed";
    const bool biff8 = GetParam() == BiffVersion::Biff8;

    char dirTemplate[] = "/tmp/formula_gnumeric_XXXXXX";
    ASSERT_NE(mkdtemp(dirTemplate), nullptr);
    const std::string dir = dirTemplate;
    const std::string xls = dir + (biff8 ? "/b8.xls" : "/b5.xls");

    const int book = biff8 ? XM_Create97(xls.c_str(), 3) : XM_Create(xls.c_str(), 3);
    ASSERT_GE(book, 0);
    for (int r = 0; r < 5; ++r) {
        ASSERT_EQ(XM_WriteDouble(book, 0, 0, r, r + 1), 0);
        ASSERT_EQ(XM_WriteDouble(book, 0, 1, r, 10.0 * (r + 1)), 0);
    }
    ASSERT_EQ(XM_WriteDouble(book, 1, 0, 0, 100), 0);
    ASSERT_EQ(XM_WriteDouble(book, 1, 1, 0, 200), 0);
    ASSERT_EQ(XM_WriteDouble(book, 1, 0, 1, 300), 0);
    ASSERT_EQ(XM_WriteDouble(book, 2, 0, 0, 1000), 0);
    ASSERT_EQ(XM_SetRefSheet(book, 0, "Sheet2/Sheet3"), 0);
    int row = kFirstRow;
    for (const Probe& p : kProbes) EXPECT_EQ(XM_WriteFunc(book, 0, kColumn, row++, p.formula), 0) << p.formula;
    ASSERT_EQ(XM_Close(book), 0);

    const std::string err = dir + "/stderr.txt";
    std::string cmd = "ssconvert -I Gnumeric_Excel:excel '" + xls + "' '" + dir + "/out.gnumeric' >/dev/null 2>'" +
                      err + "' && gzip -dc '" + dir + "/out.gnumeric' > '" + dir + "/out.xml'" +
                      " && ssconvert --recalc -S -I Gnumeric_Excel:excel '" + xls + "' '" + dir +
                      "/out_%n.csv' >/dev/null 2>>'" + err + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << readFile(err);
    EXPECT_EQ(complaints(readFile(err)), "");

    const std::map<int, std::string> texts = formulaTexts(readFile(dir + "/out.xml"));
    std::vector<std::vector<std::string>> csv;
    {
        std::istringstream lines(readFile(dir + "/out_0.csv"));
        std::string line;
        while (std::getline(lines, line)) csv.push_back(csvFields(line));
    }
    row = kFirstRow;
    for (const Probe& p : kProbes) {
        const int r = row++;
        auto it = texts.find(r);
        ASSERT_NE(it, texts.end()) << p.formula;
        std::string text = p.text ? p.text : p.formula;
        if (std::size_t at = text.find("#ROWS#"); at != std::string::npos)
            text.replace(at, 6, biff8 ? "65536" : "16384");
        EXPECT_EQ(normalise(it->second), normalise(text)) << p.formula;
        std::string value = r < static_cast<int>(csv.size()) && kColumn < static_cast<int>(csv[r].size())
                                ? csv[r][kColumn]
                                : "<none>";
        char* endExpected = nullptr;
        double expected = std::strtod(p.value, &endExpected);
        if (*p.value && *endExpected == '\0') {
            EXPECT_NEAR(std::strtod(value.c_str(), nullptr), expected, 1e-9 * std::max(1.0, std::fabs(expected)))
                << p.formula << " gave " << value;
        } else {
            EXPECT_EQ(value, p.value) << p.formula;
        }
    }
    if (!HasFailure()) std::system(("rm -rf '" + dir + "'").c_str());
}

INSTANTIATE_TEST_SUITE_P(BothFormats, GnumericRoundTrip, testing::Values(BiffVersion::Biff5, BiffVersion::Biff8),
                         [](const testing::TestParamInfo<BiffVersion>& info) {
                             return info.param == BiffVersion::Biff8 ? std::string("Biff8") : std::string("Biff5");
                         });

}  // namespace
