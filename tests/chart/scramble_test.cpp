#include "chart/scramble.h"

#include <gtest/gtest.h>

using namespace chart;

TEST(Scramble, TablesAreABijectionWithFixedBytesAndFreeSlotZero) {
    const unsigned char* r = scrambleReadTable();
    bool seen[256] = {};
    for (int j = 0; j < 256; ++j) {
        EXPECT_FALSE(seen[r[j]]) << j;
        seen[r[j]] = true;
    }
    EXPECT_EQ(r[0], 0);  // no text byte is ever stored as a zero byte
    EXPECT_EQ(r[10], 10);
    EXPECT_EQ(r[13], 13);
    EXPECT_EQ(r[26], 26);
}

TEST(Scramble, RoundTripForEveryByteAndLineNumber) {
    std::string all;
    for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
    for (int line = 1; line <= 300; ++line) {
        std::string s = scrambleLine(all, line);
        ASSERT_EQ(s.size(), all.size() + 1);
        unsigned char marker = static_cast<unsigned char>(s[0]);
        EXPECT_GE(marker, 1);
        EXPECT_LE(marker, 9);
        EXPECT_EQ(unscrambleLine(s), all) << line;
        for (size_t i = 1; i < s.size(); ++i) EXPECT_NE(s[i], '\0');
    }
    std::string kept = scrambleLine("a\r\n\x1a", 1);
    EXPECT_EQ(kept.substr(2), "\r\n\x1a");
}

TEST(Scramble, PlainLinesPassThrough) {
    EXPECT_EQ(unscrambleLine(" [KOV:TCT:V1.01 ]"), " [KOV:TCT:V1.01 ]");
    EXPECT_EQ(unscrambleLine("[Common]"), "[Common]");
    EXPECT_EQ(unscrambleLine(""), "");
    // A mixed file: scrambled and plain lines both read back.
    std::vector<std::string> text = {" [KOV:TCT:V1.01 ]", "[Common]", "Decimal=3", "[Signal]"};
    std::vector<std::string> stored;
    for (size_t i = 0; i < text.size(); ++i)
        stored.push_back(i % 2 ? text[i] : scrambleLine(text[i], static_cast<int>(i + 1)));
    for (size_t i = 0; i < text.size(); ++i) EXPECT_EQ(unscrambleLine(stored[i]), text[i]);
}
