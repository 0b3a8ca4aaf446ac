// Byte searches and digit checks eight bytes at a time, for the hot loops of the log
// converter and the chart reader. Every function works on a 64-bit word loaded with
// loadFirstLow, whose lowest byte is the first byte in memory.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

namespace base {

inline constexpr std::uint64_t kByteOnes = 0x0101010101010101ULL;
inline constexpr std::uint64_t kByteHighs = 0x8080808080808080ULL;

// Eight bytes at `p` with the first one lowest.
inline std::uint64_t loadFirstLow(const char* p) {
    std::uint64_t v;
    std::memcpy(&v, p, 8);
    if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap64(v);
    return v;
}

// Top bit set in each byte of `v` that equals `c`, exact up to the first such byte:
// after the XOR a byte that was `c` is zero, and the subtraction sets the top bit of a
// zero byte (false hits, from the borrow, can only lie above a true one). So the
// lowest set bit always marks the first equal byte.
inline std::uint64_t bytesEqual(std::uint64_t v, unsigned char c) {
    std::uint64_t x = v ^ (kByteOnes * c);
    return (x - kByteOnes) & ~x & kByteHighs;
}

// Index (0..7) of the byte marked by the lowest set bit of a nonzero mask.
inline unsigned firstMarked(std::uint64_t mask) { return static_cast<unsigned>(std::countr_zero(mask)) >> 3; }

// Top bit set in exactly the bytes of `v` that are decimal digits: the high nibble is
// 3 and adding 6 to the low nibble does not carry out of it.
inline std::uint64_t digitBytes(std::uint64_t v) {
    std::uint64_t high3 = ~((v & (kByteOnes * 0xF0)) ^ (kByteOnes * 0x30));  // bits 4..7 set where the nibble is 3
    std::uint64_t low = (v & (kByteOnes * 0x0F)) + (kByteOnes * 0x06);       // bit 4 set where the nibble is above 9
    std::uint64_t ok = high3 & ~low;
    return ok & (ok << 1) & (ok << 2) & (ok << 3) & kByteHighs;
}

// The number written by eight digit bytes, the first digit most significant: pairs,
// then groups of four, then the whole.
inline std::uint32_t eightDigits(std::uint64_t v) {
    v -= kByteOnes * '0';
    v = (v * 10 + (v >> 8)) & 0x00FF00FF00FF00FFULL;
    v = (v * 100 + (v >> 16)) & 0x0000FFFF0000FFFFULL;
    v = (v * 10000 + (v >> 32)) & 0xFFFFFFFFULL;
    return static_cast<std::uint32_t>(v);
}

}  // namespace base
