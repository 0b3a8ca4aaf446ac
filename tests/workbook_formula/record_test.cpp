// FORMULA and STRING record data around a compiled formula.
#include <gtest/gtest.h>

#include <string>

#include "formula/record.h"

using namespace celvane::formula;

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

Compiled one(BiffVersion v = BiffVersion::Biff8) {
    Options o;
    o.version = v;
    Compiled c;
    EXPECT_EQ(compile("1", o, c), kOk);
    return c;
}

// Record data for formula "1" (1E 0100) with the given result.
std::string record(const Result* r, BiffVersion v, std::string* stringData = nullptr,
                   CodePage cp = CodePage::Cp932) {
    std::string f, s;
    int rc = buildFormulaRecord(one(v), r, v, cp, f, s);
    if (rc != 0) return "code " + std::to_string(rc);
    if (stringData) *stringData = hex(s);
    else EXPECT_TRUE(s.empty());
    return hex(f);
}

TEST(FormulaRecord, ResultKinds) {
    const BiffVersion v = BiffVersion::Biff8;
    // No result: zero result bytes, options 3.
    EXPECT_EQ(record(nullptr, v), "0000000000000000" "0300" "00000000" "0300" "1E0100");
    Result r;
    r.kind = 0;
    r.number = 2.5;
    EXPECT_EQ(record(&r, v), "0000000000000440" "0000" "00000000" "0300" "1E0100");
    r = Result{};
    r.kind = 1;
    r.whole = 1;
    EXPECT_EQ(record(&r, v), "010001000000FFFF" "0000" "00000000" "0300" "1E0100");
    r.whole = 7;  // any non-zero value is TRUE
    EXPECT_EQ(record(&r, v).substr(0, 16), "010001000000FFFF");
    r = Result{};
    r.kind = 2;
    r.whole = 0x2A;
    EXPECT_EQ(record(&r, v), "02002A000000FFFF" "0000" "00000000" "0300" "1E0100");
}

TEST(FormulaRecord, TextResultAddsStringRecord) {
    Result r;
    r.kind = 3;
    r.text = "ab";
    std::string s;
    EXPECT_EQ(record(&r, BiffVersion::Biff8, &s), "000000000000FFFF" "0000" "00000000" "0300" "1E0100");
    EXPECT_EQ(s, "020000" "6162");
    EXPECT_EQ(record(&r, BiffVersion::Biff5, &s).substr(0, 16), "000000000000FFFF");
    EXPECT_EQ(s, "0200" "6162");
    // Non-ASCII: CP932 bytes in BIFF5, UTF-16 in BIFF8 with the character count.
    r.text = "\x95\x5C" "a";
    record(&r, BiffVersion::Biff5, &s);
    EXPECT_EQ(s, "0300" "955C61");
    record(&r, BiffVersion::Biff8, &s);
    EXPECT_EQ(s, "020001" "6888" "6100");
    r.text = "\xE8\xA1\xA8";
    record(&r, BiffVersion::Biff5, &s, CodePage::Utf8);
    EXPECT_EQ(s, "0200" "955C");
    // An empty text still has its STRING record.
    r.text = "";
    record(&r, BiffVersion::Biff8, &s);
    EXPECT_EQ(s, "000000");
}

TEST(FormulaRecord, RefusedResults) {
    Result r;
    r.kind = 4;
    EXPECT_EQ(record(&r, BiffVersion::Biff8), "code -34");
    r.kind = -1;
    EXPECT_EQ(record(&r, BiffVersion::Biff8), "code -34");
    r.kind = 2;
    r.whole = 0x30;  // not an error value
    EXPECT_EQ(record(&r, BiffVersion::Biff8), "code -34");
    r.kind = 3;
    std::string longText(257, 'x');
    r.text = longText;
    EXPECT_EQ(record(&r, BiffVersion::Biff8), "code -31");
    r.text = std::string_view(longText).substr(0, 256);
    std::string s;
    EXPECT_EQ(record(&r, BiffVersion::Biff8, &s).substr(0, 4), "0000");
    EXPECT_EQ(s.size(), 2u * (3 + 256));
    r.text = "\xFF";  // not CP932
    EXPECT_EQ(record(&r, BiffVersion::Biff8), "code -34");
}

TEST(FormulaRecord, ArrayDataFollowsTokensButIsNotCounted) {
    Compiled c;
    ASSERT_EQ(compile("{1}", Options{}, c), kOk);
    std::string f, s;
    ASSERT_EQ(buildFormulaRecord(c, nullptr, BiffVersion::Biff8, CodePage::Cp932, f, s), 0);
    EXPECT_EQ(hex(f.substr(14, 2)), "0800");
    EXPECT_EQ(f.size(), 16u + 8 + 3 + 9);
}

}  // namespace
