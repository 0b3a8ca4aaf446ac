// The worksheet functions a formula may call: number, argument range and the operand
// classes given to the references among their arguments.
#pragma once

#include <cstdint>
#include <string_view>

namespace celvane::formula {

// Operand classes, as offsets added to a reference token's code.
constexpr std::uint8_t kClassReference = 0x00;
constexpr std::uint8_t kClassValue = 0x20;
constexpr std::uint8_t kClassArray = 0x40;

// Function number 0 marks "no function" inside the compiler, so COUNT (function 0 in
// the file) is kept as 0xFFFF and written as 0.
constexpr std::uint16_t kCountNumber = 0xFFFF;

struct Function {
    const char* name;       // upper case
    std::uint16_t number;
    std::uint8_t minArgs;
    std::uint8_t maxArgs;
    std::uint8_t areaClass; // added to area references among the arguments
    std::uint8_t cellClass; // added to single-cell references among the arguments
};

// The table, in its fixed order.
const Function* functionTable(std::size_t& count);

// Looks a function up by its upper-case name; null when unknown.
const Function* findFunction(std::string_view upperName);

// The number written to the file (COUNT becomes 0).
inline std::uint16_t fileNumber(const Function& f) { return f.number == kCountNumber ? 0 : f.number; }

// ROW, COLUMN and COLUMNS take at most one argument but are written with the
// variable-count token; every other one-argument function uses the fixed-count token.
bool usesFixedToken(const Function& f);

}  // namespace celvane::formula
