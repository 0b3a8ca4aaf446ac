#include "base/text.h"

#include <gtest/gtest.h>

using namespace base;

TEST(Cp932, RoundTripKeepsBackslashTildeAndSecondByte5C) {
    // "ソ表能" each have 0x5C as their second CP932 byte; "\" and "~" stay ASCII.
    std::string utf8 = "a\\b~ソ表能ｱ～①";
    Conversion enc = utf8ToCp932(utf8);
    ASSERT_TRUE(enc.ok) << enc.bad;
    EXPECT_EQ(enc.text.substr(0, 4), "a\\b~");
    EXPECT_EQ(enc.text.substr(4, 2), "\x83\x5C");  // ソ
    EXPECT_EQ(enc.text.substr(6, 2), "\x95\x5C");  // 表
    EXPECT_EQ(enc.text.substr(8, 2), "\x94\x5C");  // 能
    EXPECT_EQ(enc.text.substr(10, 1), "\xB1");     // half-width kana is one byte
    Conversion dec = cp932ToUtf8(enc.text);
    ASSERT_TRUE(dec.ok);
    EXPECT_EQ(dec.text, utf8);
}

TEST(Cp932, UnrepresentableCharacterIsReportedNotReplaced) {
    Conversion c = utf8ToCp932("ab\xF0\x9F\x98\x80" "c");  // emoji
    EXPECT_FALSE(c.ok);
    EXPECT_EQ(c.bad, "\xF0\x9F\x98\x80");
    EXPECT_EQ(c.text, "abc");
    EXPECT_FALSE(fitsCp932("é"));
    EXPECT_TRUE(fitsCp932("漢字ｶﾅ"));
}

TEST(Cp932, GarbageBytesDecodeWithReplacement) {
    Conversion c = cp932ToUtf8(std::string("A\x81\x20" "B\xFF", 5));
    EXPECT_FALSE(c.ok);
    EXPECT_TRUE(isValidUtf8(c.text));
    EXPECT_EQ(c.text.front(), 'A');
}

TEST(Cp932, LengthAndCutting) {
    EXPECT_EQ(cp932Length("abc"), 3u);
    EXPECT_EQ(cp932Length("漢字ｱ"), 5u);
    EXPECT_EQ(cutToCp932("漢字ab", 3), "漢");
    EXPECT_EQ(cutToCp932("漢字ab", 4), "漢字");
    EXPECT_EQ(cutToCp932("ab漢", 3), "ab");
    EXPECT_EQ(cutToCp932("abc", 10), "abc");
    std::string sj = toCp932("a漢字");
    EXPECT_EQ(cutCp932Bytes(sj, 2), "a");
    EXPECT_EQ(cutCp932Bytes(sj, 3), sj.substr(0, 3));
}

TEST(LineDecoder, JisShiftStateCarriesAcrossLines) {
    LineDecoder d(InputCode::Jis);
    std::string out;
    // ESC $ B enters JIS X 0208 on line 1 and is not left before the line ends.
    EXPECT_TRUE(d.decode("a\x1b$B4A", out));
    EXPECT_EQ(out, "a漢");
    EXPECT_TRUE(d.decode(";z\x1b(Bb", out));
    EXPECT_EQ(out, "字b");
    // Half-width kana by ESC ( I, by SO/SI and as 8-bit bytes.
    EXPECT_TRUE(d.decode("\x1b(I12\x1b(Bx", out));
    EXPECT_EQ(out, "ｱｲx");
    EXPECT_TRUE(d.decode("\x0e" "1\x0f" "y", out));
    EXPECT_EQ(out, "ｱy");
    EXPECT_TRUE(d.decode("\xb1", out));
    EXPECT_EQ(out, "ｱ");
}

TEST(LineDecoder, EucJpWithHalfWidthKanaAndUtf8) {
    LineDecoder e(InputCode::EucJp);
    std::string out;
    EXPECT_TRUE(e.decode("\xb4\xc1\x8e\xb1z", out));
    EXPECT_EQ(out, "漢ｱz");
    LineDecoder u(InputCode::Utf8);
    EXPECT_TRUE(u.decode("漢字", out));
    EXPECT_EQ(out, "漢字");
    EXPECT_FALSE(u.decode("a\xC3", out));
    EXPECT_TRUE(isValidUtf8(out));
    LineDecoder s(InputCode::Sjis);
    EXPECT_TRUE(s.decode("\x83\x5C", out));
    EXPECT_EQ(out, "ソ");
}

TEST(Cp932, TableDecodingAgreesWithIconvOnEveryCode) {
    auto same = [](const std::string& in) {
        Conversion a = cp932ToUtf8(in), b = cp932ToUtf8ByIconv(in);
        return a.text == b.text && a.ok == b.ok && a.bad == b.bad;
    };
    for (int b = 0; b < 256; ++b) {
        ASSERT_TRUE(same(std::string(1, static_cast<char>(b)) + "x")) << b;
        for (int t = 0; t < 256; ++t) {
            std::string pair{static_cast<char>(b), static_cast<char>(t)};
            ASSERT_TRUE(same("a" + pair + "z")) << b << " " << t;
        }
    }
    // Lead bytes at the end, and runs of mixed codes.
    EXPECT_TRUE(same("abc\x81"));
    std::string mixed = toCp932("表示ｶﾅ漢字①") + "\x80\xA0\xFD\xFE\xFF" + toCp932("終");
    EXPECT_TRUE(same(mixed));
}
