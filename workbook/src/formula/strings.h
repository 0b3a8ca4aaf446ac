// Encodes the text of a string constant as the token formats store it.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "formula/formula.h"

namespace celvane::formula {

// Appends `bytes` (in `codePage`) as a string of the given format: BIFF5 a length and
// the CP932 bytes; BIFF8 a character count, an option byte (0 = 8-bit characters, 1 =
// UTF-16) and the characters. The count is one byte, or two when `wideCount` (BIFF8
// array elements). Returns kOk, kStringTooLong (over kMaxString CP932 bytes) or kSyntax
// (bytes that are not valid text in the code page, or a character without a CP932 form
// in a BIFF5 book).
int appendString(std::string_view bytes, CodePage codePage, BiffVersion version, bool wideCount,
                 std::vector<std::uint8_t>& out);

// The same with a 16-bit count and no length limit of its own: the text of a STRING
// record. Returns kOk or kSyntax.
int appendLongString(std::string_view bytes, CodePage codePage, BiffVersion version,
                     std::vector<std::uint8_t>& out);

// UTF-8 to UTF-16 code units; false on an invalid sequence.
bool utf8ToUtf16(std::string_view utf8, std::vector<std::uint16_t>& out);

}  // namespace celvane::formula
