// Builds the data of a FORMULA record (and of the STRING record that carries a text
// result) around a compiled formula.
#pragma once

#include <string>
#include <string_view>

#include "formula/formula.h"

namespace celvane::formula {

enum class ResultKind : int { Number = 0, Boolean = 1, Error = 2, Text = 3 };

// A cached result supplied with a formula. `kind` is checked, so it is a plain int.
struct Result {
    int kind = 0;
    double number = 0;      // Number
    int whole = 0;          // Boolean (0 or not), Error (the error code)
    std::string_view text;  // Text, in the caller's code page
};

constexpr std::size_t kMaxResultText = 256;
constexpr std::uint16_t kOptionsRecalculate = 3;  // always recalculate, and on load

// Engine codes returned by buildFormulaRecord.
constexpr int kRecordBadArgument = -34;
constexpr int kRecordTooLong = -31;

// Fills `formula` with the FORMULA record data after the row, column and attribute
// fields: result (8 bytes), options, 32-bit 0, token length, tokens and array data.
// Without a result the result bytes are 0 and the options 3; with one the options are
// 0 and a text result also fills `stringData` with the STRING record data (empty
// otherwise). Returns 0; -34 for an unknown result kind, a negative text length, an
// error code that is not one of the seven error values, or a text that is not valid in
// its code page (or has no CP932 form in a BIFF5 book); -31 for a text over 256 bytes
// or a record that would not fit the 10240-byte token buffer.
int buildFormulaRecord(const Compiled& compiled, const Result* result, BiffVersion version,
                       CodePage codePage, std::string& formula, std::string& stringData);

}  // namespace celvane::formula
