#include "base/wordscan.h"

#include <gtest/gtest.h>

#include <string>

using namespace base;

// Every byte value in every position, alone and behind other hits: the first marked
// byte must be the first equal byte, and the digit mask must mark exactly the digits.
TEST(WordScan, MasksMarkExactlyTheWantedBytes) {
    for (int pos = 0; pos < 8; ++pos) {
        for (int b = 0; b < 256; ++b) {
            std::string s(8, 'x');
            s[pos] = static_cast<char>(b);
            std::uint64_t v = loadFirstLow(s.data());
            std::uint64_t eq = bytesEqual(v, static_cast<unsigned char>(b));
            ASSERT_NE(eq, 0u);
            EXPECT_EQ(firstMarked(eq), b == 'x' ? 0u : static_cast<unsigned>(pos)) << pos << " " << b;
            // A hit behind the first (the byte just after it is 0, which borrows).
            if (pos < 7) {
                s[pos + 1] = 0;
                s[pos] = '=';
                EXPECT_EQ(firstMarked(bytesEqual(loadFirstLow(s.data()), 0)), static_cast<unsigned>(pos + 1));
                s[pos] = static_cast<char>(b);
                s[pos + 1] = 'x';
            }
            std::uint64_t digits = digitBytes(loadFirstLow(s.data()));
            std::uint64_t want = (b >= '0' && b <= '9') ? std::uint64_t(0x80) << (8 * pos) : 0;
            EXPECT_EQ(digits, want) << pos << " " << b;
        }
    }
    EXPECT_EQ(eightDigits(loadFirstLow("20010304")), 20010304u);
    EXPECT_EQ(eightDigits(loadFirstLow("99999999")), 99999999u);
    EXPECT_EQ(eightDigits(loadFirstLow("00000007")), 7u);
}
