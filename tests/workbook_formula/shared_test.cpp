// Shared formula tokens expanded for one cell.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "formula/shared.h"

using namespace celvane::formula;

namespace {

std::string bytes(std::string_view hexText) {
    std::string s;
    auto nibble = [](char c) { return c <= '9' ? c - '0' : c - 'A' + 10; };
    for (std::size_t i = 0; i + 1 < hexText.size(); i += 2)
        s += static_cast<char>(nibble(hexText[i]) * 16 + nibble(hexText[i + 1]));
    return s;
}

std::string hex(std::string_view data) {
    static const char digits[] = "0123456789ABCDEF";
    std::string s;
    for (unsigned char b : data) {
        s += digits[b >> 4];
        s += digits[b & 15];
    }
    return s;
}

// Expands hex tokens (all of them counted in cce) for the cell; "fail" when refused.
std::string expand(std::string_view tokens, BiffVersion v, int row, int col) {
    const std::string in = bytes(tokens);
    std::string out = "stale";
    if (!expandSharedFormula(in, in.size(), v, row, col, out))
        return out.empty() ? "fail" : "fail, output kept";
    return hex(out);
}

constexpr BiffVersion k8 = BiffVersion::Biff8;
constexpr BiffVersion k5 = BiffVersion::Biff5;

TEST(SharedFormula, Biff8RelativeReferences) {
    // Row -1, column +2, both relative.
    EXPECT_EQ(expand("4C" "FFFF" "02C0", k8, 10, 5), "44" "0900" "07C0");
    EXPECT_EQ(expand("4C" "FFFF" "02C0", k8, 0, 0), "44" "FFFF" "02C0");      // row wraps to 65535
    EXPECT_EQ(expand("2C" "0500" "00C0", k8, 65534, 0), "24" "0300" "00C0");  // and back to 3
    // Column -3 from column 1 wraps to 254.
    EXPECT_EQ(expand("2C" "0000" "FDC0", k8, 3, 1), "24" "0300" "FEC0");
    // Absolute row 100, relative column +1; relative row +2, absolute column 3.
    EXPECT_EQ(expand("2C" "6400" "0140", k8, 10, 5), "24" "6400" "0640");
    EXPECT_EQ(expand("2C" "0200" "0380", k8, 10, 5), "24" "0C00" "0380");
    // Both absolute: only the id changes.
    EXPECT_EQ(expand("2C" "0700" "0900", k8, 10, 5), "24" "0700" "0900");
    // Area: first row -1 and first column +0 relative, second corner absolute (20, 10).
    EXPECT_EQ(expand("6D" "FFFF" "1400" "00C0" "0A00", k8, 5, 3),
              "65" "0400" "1400" "03C0" "0A00");
    // Second corner relative, wrapping both ways: rows +1, columns -1 from (65535, 0).
    EXPECT_EQ(expand("2D" "0000" "0100" "0000" "FFC0", k8, 65535, 0),
              "25" "0000" "0000" "0000" "FFC0");
}

TEST(SharedFormula, Biff5RelativeReferences) {
    // Row -1 (14-bit), column +1, both relative.
    EXPECT_EQ(expand("2C" "FFFF" "01", k5, 10, 5), "24" "09C0" "06");
    EXPECT_EQ(expand("2C" "FFFF" "01", k5, 0, 0), "24" "FFFF" "01");  // row 16383
    // Row 16382 + 3 wraps to 1 without touching the flag bits.
    EXPECT_EQ(expand("2C" "03C0" "00", k5, 16382, 7), "24" "01C0" "07");
    // The same with only the row relative: the carry must not set the column flag.
    EXPECT_EQ(expand("2C" "0380" "07", k5, 16382, 2), "24" "0180" "07");
    // Absolute row 100 with relative column -1 from column 0.
    EXPECT_EQ(expand("2C" "6440" "FF", k5, 9, 0), "24" "6440" "FF");
    // Area: row1 +2 relative / column 7 absolute, row2 100 absolute / column -1 relative.
    EXPECT_EQ(expand("4D" "0280" "6440" "07" "FF", k5, 10, 4), "45" "0C80" "6440" "07" "03");
}

TEST(SharedFormula, ClassIsKept) {
    for (unsigned cls : {0x00u, 0x20u, 0x40u}) {
        const std::string refN = hex(std::string(1, static_cast<char>(0x2C + cls)));
        const std::string ref = hex(std::string(1, static_cast<char>(0x24 + cls)));
        const std::string areaN = hex(std::string(1, static_cast<char>(0x2D + cls)));
        const std::string area = hex(std::string(1, static_cast<char>(0x25 + cls)));
        EXPECT_EQ(expand(refN + "0000" "0000", k8, 1, 1), ref + "0000" "0000");
        EXPECT_EQ(expand(areaN + "0000" "0000" "0000" "0000", k8, 1, 1),
                  area + "0000" "0000" "0000" "0000");
        EXPECT_EQ(expand(refN + "0000" "00", k5, 1, 1), ref + "0000" "00");
        EXPECT_EQ(expand(areaN + "0000" "0000" "00" "00", k5, 1, 1),
                  area + "0000" "0000" "00" "00");
    }
}

// A BIFF8 stream of every kind of token; each entry is the input and the expected
// output of one token. Bytes that look like reference ids sit inside strings, numbers
// and the array data to show that only whole tokens are rewritten.
const std::vector<std::pair<std::string, std::string>> kMixed8 = {
    {"4C" "0000" "00C0", "44" "0500" "03C0"},   // the cell itself
    {"1E" "0000", "1E" "0000"},                 // 0
    {"0D", "0D"},                               // >
    {"19" "02" "1C00", "19" "02" "1C00"},       // if
    {"17" "02" "00" "2C4C", "17" "02" "00" "2C4C"},  // 8-bit string
    {"19" "08" "3000", "19" "08" "3000"},       // skip
    {"1E" "0200", "1E" "0200"},
    {"19" "04" "0100" "0400" "0900", "19" "04" "0100" "0400" "0900"},  // choose
    {"17" "02" "01" "2C4C" "2D6D", "17" "02" "01" "2C4C" "2D6D"},      // 16-bit string
    {"19" "08" "0D00", "19" "08" "0D00"},
    {"2D" "0100" "0200" "01C0" "02C0", "25" "0600" "0700" "04C0" "05C0"},
    {"19" "08" "0300", "19" "08" "0300"},
    {"42" "03" "6400", "42" "03" "6400"},       // CHOOSE
    {"22" "03" "0100", "22" "03" "0100"},       // IF
    {"1F" "2C4C2D6D0000F83F", "1F" "2C4C2D6D0000F83F"},
    {"03", "03"},
    {"41" "1800", "41" "1800"},
    {"60" "2C2C2C2C2C2C2C", "60" "2C2C2C2C2C2C2C"},  // array: constants after the tokens
    {"23" "01000000", "23" "01000000"},
    {"39" "000001000000", "39" "000001000000"},
    {"3A" "0000" "0500" "0300", "3A" "0000" "0500" "0300"},  // absolute 3D reference
    {"3B" "0000" "0100" "0200" "0300" "0400", "3B" "0000" "0100" "0200" "0300" "0400"},
    {"26" "000000000500", "26" "000000000500"},  // area with its subexpression
    {"2C" "0000" "0000", "24" "0000" "0000"},
    {"2E" "0500", "2E" "0500"},
    {"2D" "0000" "0000" "0000" "0000", "25" "0000" "0000" "0000" "0000"},
    {"16", "16"},
    {"1D" "01", "1D" "01"},
    {"1C" "07", "1C" "07"},
    {"2A" "00000000", "2A" "00000000"},
    {"3D" "00000000000000000000", "3D" "00000000000000000000"},
    {"19" "10" "0000", "19" "10" "0000"},       // sum
    {"19" "40" "0001", "19" "40" "0001"},       // space
};
const char kArrayData[] = "0100" "0000" "01" "2C00000000000000";

TEST(SharedFormula, OnlyRelativeReferencesChange) {
    std::string in, expected;
    for (const auto& [from, to] : kMixed8) {
        in += from;
        expected += to;
    }
    const std::string tokens = bytes(in);
    const std::string all = tokens + bytes(kArrayData);
    std::string out;
    ASSERT_TRUE(expandSharedFormula(all, tokens.size(), k8, 5, 3, out));
    EXPECT_EQ(hex(out), expected + kArrayData);
}

TEST(SharedFormula, Biff5TokenSizes) {
    // Each token is followed by a relative reference, which is found (and rebased) only
    // if the token before it was stepped over with the right size.
    const std::string after = "2C" "01C0" "01";
    const std::string rebased = "24" "03C0" "03";
    const std::vector<std::string> tokens = {
        "17" "03" "2C2C2C",                                    // string
        "23" "0100" "000000000000000000000000",                 // name
        "39" "0000" "00000000000000000000000000000000000000000000",  // external name
        "3A" "0000" "0000000000000000" "0000" "0000" "0500" "03",     // 3D reference
        "3B" "0000" "0000000000000000" "0000" "0000" "0500" "0600" "03" "04",
        "22" "03" "0100",
        "60" "00000000000000",
    };
    for (const auto& t : tokens) EXPECT_EQ(expand(t + after, k5, 2, 2), t + rebased) << t;
}

TEST(SharedFormula, RefusesWhatCannotBeWalked) {
    // Unknown or not allowed in a shared formula, each with room for any size.
    const std::string room = "00000000000000000000000000000000";
    for (const char* id : {"00", "01", "02", "18", "1A", "1B", "30", "38", "3E", "3F", "50",
                           "7E", "80", "FF"}) {
        EXPECT_EQ(expand(std::string(id) + room, k8, 0, 0), "fail") << id;
        EXPECT_EQ(expand(std::string(id) + room, k5, 0, 0), "fail") << id;
    }
    // A tExp that is the last byte.
    EXPECT_EQ(expand("01", k8, 0, 0), "fail");
    // Rich-text or extended string.
    EXPECT_EQ(expand("17" "01" "08" "41" "16", k8, 0, 0), "fail");
    EXPECT_EQ(expand("17" "01" "04" "41" "16", k8, 0, 0), "fail");
    // 3D references with a relative part are not rebased.
    EXPECT_EQ(expand("3A" "0000" "0000" "0080", k8, 0, 0), "fail");
    EXPECT_EQ(expand("5B" "0000" "0000" "0000" "0000" "0040", k8, 0, 0), "fail");
    EXPECT_EQ(expand("3A" "0000" "0000000000000000" "0000" "0000" "0040" "00", k5, 0, 0), "fail");
    EXPECT_EQ(expand("3B" "0000" "0000000000000000" "0000" "0000" "0000" "0080" "00" "00", k5,
                     0, 0),
              "fail");
    // Cell positions outside the sheet.
    EXPECT_EQ(expand("1E0100", k5, 16384, 0), "fail");
    EXPECT_EQ(expand("1E0100", k8, 65536, 0), "fail");
    EXPECT_EQ(expand("1E0100", k8, -1, 0), "fail");
    EXPECT_EQ(expand("1E0100", k8, 0, 256), "fail");
    // A token count beyond the data.
    std::string out = "stale";
    EXPECT_FALSE(expandSharedFormula(bytes("1E0100"), 4, k8, 0, 0, out));
    EXPECT_TRUE(out.empty());
}

TEST(SharedFormula, TruncatedStreams) {
    std::string in;
    std::vector<std::size_t> boundaries = {0};
    for (const auto& token : kMixed8) {
        in += token.first;
        boundaries.push_back(in.size() / 2);
    }
    const std::string tokens = bytes(in);
    for (std::size_t n = 0; n < tokens.size(); ++n) {
        // Each prefix on its own buffer, so that ASan sees any read past it.
        const std::string cut = tokens.substr(0, n);
        std::string out;
        // An empty formula is refused too.
        const bool boundary =
            n > 0 && std::find(boundaries.begin(), boundaries.end(), n) != boundaries.end();
        EXPECT_EQ(expandSharedFormula(cut, n, k8, 5, 3, out), boundary) << n;
        EXPECT_FALSE(expandSharedFormula(cut, tokens.size(), k8, 5, 3, out)) << n;
        EXPECT_TRUE(out.empty());
    }
    // The same stream read as BIFF5 goes wrong somewhere but stays inside the buffer.
    for (std::size_t n = 0; n <= tokens.size(); ++n) {
        const std::string cut = tokens.substr(0, n);
        std::string out;
        expandSharedFormula(cut, n, k5, 5, 3, out);
    }
}

}  // namespace
