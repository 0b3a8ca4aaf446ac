#include "formula/shared.h"

#include <cstdint>
#include <utility>

namespace celvane::formula {
namespace {

constexpr unsigned kRowRelative = 0x8000;
constexpr unsigned kColRelative = 0x4000;

// Token ids below 0x20 (operators and constants).
constexpr unsigned kExp = 0x01;
constexpr unsigned kTbl = 0x02;
constexpr unsigned kLastOperator = 0x15;
constexpr unsigned kMissArg = 0x16;
constexpr unsigned kStr = 0x17;
constexpr unsigned kAttr = 0x19;
constexpr unsigned kErr = 0x1C;
constexpr unsigned kBool = 0x1D;
constexpr unsigned kInt = 0x1E;
constexpr unsigned kNum = 0x1F;
constexpr unsigned kAttrChoose = 0x04;

// Operand tokens by their reference-class id; the value and array classes add 0x20 and
// 0x40.
constexpr unsigned kArray = 0x20;
constexpr unsigned kFunc = 0x21;
constexpr unsigned kFuncVar = 0x22;
constexpr unsigned kName = 0x23;
constexpr unsigned kRef = 0x24;
constexpr unsigned kArea = 0x25;
constexpr unsigned kMemArea = 0x26;
constexpr unsigned kMemErr = 0x27;
constexpr unsigned kMemNoMem = 0x28;
constexpr unsigned kMemFunc = 0x29;
constexpr unsigned kRefErr = 0x2A;
constexpr unsigned kAreaErr = 0x2B;
constexpr unsigned kRefN = 0x2C;
constexpr unsigned kAreaN = 0x2D;
constexpr unsigned kMemAreaN = 0x2E;
constexpr unsigned kMemNoMemN = 0x2F;
constexpr unsigned kNameX = 0x39;
constexpr unsigned kRef3d = 0x3A;
constexpr unsigned kArea3d = 0x3B;
constexpr unsigned kRefErr3d = 0x3C;
constexpr unsigned kAreaErr3d = 0x3D;

// Bytes after the id of an operand token, by reference-class id; -1 when unknown.
int operandSize(unsigned base, bool biff8) {
    switch (base) {
    case kArray: return 7;
    case kFunc: return 2;
    case kFuncVar: return 3;
    case kName: return biff8 ? 4 : 14;
    case kRef: case kRefErr: case kRefN: return biff8 ? 4 : 3;
    case kArea: case kAreaErr: case kAreaN: return biff8 ? 8 : 6;
    case kMemArea: case kMemErr: case kMemNoMem: return 6;
    case kMemFunc: case kMemAreaN: case kMemNoMemN: return 2;
    case kNameX: return biff8 ? 6 : 24;
    case kRef3d: case kRefErr3d: return biff8 ? 6 : 17;
    case kArea3d: case kAreaErr3d: return biff8 ? 10 : 20;
    default: return -1;
    }
}

unsigned get16(const std::string& s, std::size_t at) {
    return static_cast<unsigned char>(s[at]) | (static_cast<unsigned char>(s[at + 1]) << 8);
}

void set16(std::string& s, std::size_t at, unsigned v) {
    s[at] = static_cast<char>(v & 0xFF);
    s[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}

unsigned get8(const std::string& s, std::size_t at) {
    return static_cast<unsigned char>(s[at]);
}

// Rebases one BIFF8 reference: a row field and the column field carrying both flags.
void rebase8(std::string& s, std::size_t rowAt, std::size_t colAt, unsigned row, unsigned col) {
    const unsigned colField = get16(s, colAt);
    if (colField & kRowRelative) set16(s, rowAt, (get16(s, rowAt) + row) & 0xFFFF);
    if (colField & kColRelative)
        set16(s, colAt, (colField & 0xFF00) | ((colField + col) & 0xFF));
}

// Rebases one BIFF5 reference: the row field carrying both flags and a column byte.
void rebase5(std::string& s, std::size_t rowAt, std::size_t colAt, unsigned row, unsigned col) {
    const unsigned rowField = get16(s, rowAt);
    if (rowField & kRowRelative)
        set16(s, rowAt, (rowField & 0xC000) | ((rowField + row) & 0x3FFF));
    if (rowField & kColRelative) s[colAt] = static_cast<char>((get8(s, colAt) + col) & 0xFF);
}

bool hasRelativePart(unsigned flagField) {
    return (flagField & (kRowRelative | kColRelative)) != 0;
}

}  // namespace

bool expandSharedFormula(std::string_view tokens, std::size_t cce, BiffVersion v, int row,
                         int col, std::string& out) {
    out.clear();
    const bool biff8 = v == BiffVersion::Biff8;
    const int rows = biff8 ? 65536 : 16384;
    if (row < 0 || row >= rows || col < 0 || col > 255 || cce == 0 ||
        cce > tokens.size())
        return false;
    const unsigned r = static_cast<unsigned>(row);
    const unsigned c = static_cast<unsigned>(col);

    std::string s(tokens);
    std::size_t p = 0;
    while (p < cce) {
        const std::size_t at = p;  // the id byte
        const unsigned id = get8(s, p++);
        const std::size_t left = cce - p;
        std::size_t size = 0;
        if (id < 0x20) {
            if (id == kExp || id == kTbl) {
                return false;
            } else if (id >= 0x03 && id <= kMissArg) {
                size = 0;
            } else if (id == kStr) {
                if (left < 1) return false;
                const std::size_t count = get8(s, p);
                if (biff8) {
                    if (left < 2) return false;
                    const unsigned option = get8(s, p + 1);
                    // Rich-text and extended strings never occur in formulas, and their
                    // extra fields would change the size.
                    if (option & 0x0C) return false;
                    size = 2 + count * ((option & 1) ? 2 : 1);
                } else {
                    size = 1 + count;
                }
            } else if (id == kAttr) {
                if (left < 3) return false;
                size = 3;
                if (get8(s, p) & kAttrChoose) size += (std::size_t{get16(s, p + 1)} + 1) * 2;
            } else if (id == kErr || id == kBool) {
                size = 1;
            } else if (id == kInt) {
                size = 2;
            } else if (id == kNum) {
                size = 8;
            } else {
                return false;
            }
        } else if (id < 0x80) {
            const unsigned base = 0x20 | (id & 0x1F);
            const int known = operandSize(base, biff8);
            if (known < 0) return false;
            size = static_cast<std::size_t>(known);
        } else {
            return false;
        }
        if (size > left) return false;

        if (id >= 0x20) {
            const unsigned base = 0x20 | (id & 0x1F);
            if (base == kRefN) {
                s[at] = static_cast<char>(id - (kRefN - kRef));
                if (biff8) rebase8(s, p, p + 2, r, c);
                else rebase5(s, p, p + 2, r, c);
            } else if (base == kAreaN) {
                s[at] = static_cast<char>(id - (kAreaN - kArea));
                if (biff8) {
                    rebase8(s, p, p + 4, r, c);
                    rebase8(s, p + 2, p + 6, r, c);
                } else {
                    rebase5(s, p, p + 4, r, c);
                    rebase5(s, p + 2, p + 5, r, c);
                }
            } else if (base == kRef3d) {
                if (hasRelativePart(biff8 ? get16(s, p + 4) : get16(s, p + 14))) return false;
            } else if (base == kArea3d) {
                if (biff8 ? hasRelativePart(get16(s, p + 6)) || hasRelativePart(get16(s, p + 8))
                          : hasRelativePart(get16(s, p + 14)) || hasRelativePart(get16(s, p + 16)))
                    return false;
            }
        }
        p += size;
    }
    out = std::move(s);
    return true;
}

}  // namespace celvane::formula
