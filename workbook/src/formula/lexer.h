// Splits a formula text into lexical tokens.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "formula/formula.h"

namespace celvane::formula {

enum class Lex : std::uint8_t {
    Word,       // anything that is not an operator: name, reference, number
    Operator,   // binary operator (or a sign); `code` holds the binary token code
    Percent,
    Open,       // (
    Close,      // )
    Comma,
    Semicolon,
    OpenBrace,
    CloseBrace,
    String,     // `text` holds the unescaped bytes
    Error,      // error constant; `code` holds its code, 0x4A for "#REF!"
    Bang,       // ! after a sheet name
    Colon,
};

struct LexToken {
    Lex kind = Lex::Word;
    std::uint8_t code = 0;
    std::string_view word;   // Word: the word as written
    std::string text;        // String: the constant's bytes, "" already folded to "
};

// Binary operator token codes.
constexpr std::uint8_t kOpAdd = 0x03;
constexpr std::uint8_t kOpSub = 0x04;
constexpr std::uint8_t kOpMul = 0x05;
constexpr std::uint8_t kOpDiv = 0x06;
constexpr std::uint8_t kOpPower = 0x07;
constexpr std::uint8_t kOpConcat = 0x08;
constexpr std::uint8_t kOpLess = 0x09;
constexpr std::uint8_t kOpLessEqual = 0x0A;
constexpr std::uint8_t kOpEqual = 0x0B;
constexpr std::uint8_t kOpGreaterEqual = 0x0C;
constexpr std::uint8_t kOpGreater = 0x0D;
constexpr std::uint8_t kOpNotEqual = 0x0E;

constexpr std::uint8_t kErrorRef = 0x4A;

std::size_t multibyteLength(std::string_view text, std::size_t i, CodePage codePage);

// Length of the character starting at `i` (1 or the whole multibyte sequence, cut at
// the end of the text).
inline std::size_t charLength(std::string_view text, std::size_t i, CodePage codePage) {
    return static_cast<unsigned char>(text[i]) < 0x80 ? 1 : multibyteLength(text, i, codePage);
}

// Lexes `text` (already stripped of leading blanks and "="). Returns kOk, kNoMemory
// (too many tokens), kUnbalanced (unterminated string) or kSyntax (unknown error
// constant).
int lex(std::string_view text, CodePage codePage, std::vector<LexToken>& out);

}  // namespace celvane::formula
