// Formula compiler: turns the text of a cell formula into the parsed-expression tokens
// of a BIFF5 or BIFF8 FORMULA record.
//
// The compiler is self-contained: it knows nothing about books or sheets beyond what
// the caller hands it through SheetDirectory (the sheet names a formula may refer to,
// and, for BIFF8, the book's external-sheet table). Compiling has no side effect: the
// external-sheet entries a formula needs are returned and the caller appends them only
// when it keeps the cell, so a failed formula leaves the book unchanged.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace celvane::formula {

enum class BiffVersion { Biff5, Biff8 };

// The byte encoding of the formula text (the caller's code page). Multibyte characters
// are always taken whole, so a trail byte never reads as an operator.
enum class CodePage { Cp932, Utf8 };

// Causes of failure, told apart for tests and diagnostics; the library's interface
// reports every one of them as -100.
enum Cause : int {
    kOk = 0,
    kNoMemory = -101,           // allocation failed, or more lexical tokens than the table holds
    kTextTooLong = -102,        // formula text longer than kMaxText bytes
    kExternSheetsFull = -103,   // BIFF8: the book's external-sheet table has no room left
    kSyntax = -104,             // unknown word, function or sheet, misplaced operator, bad reference
    kUnbalanced = -105,         // unbalanced parentheses or braces, unterminated string
    kArgumentCount = -106,      // argument count outside the function's range
    kCommaInGroup = -107,       // "," inside parentheses that are not a function call
    kTooLong = -108,            // compiled formula too long
    kStringTooLong = -109,      // string constant longer than kMaxString bytes
};

constexpr std::size_t kMaxText = 4096;          // formula text, in bytes
constexpr std::size_t kMaxString = 255;         // string constant, in CP932 bytes
constexpr std::size_t kMaxCompiled = 1400;      // compiled length must stay below this
constexpr std::size_t kTokenBufferSize = 10240; // the book's token buffer
constexpr std::size_t kFormulaHeaderSize = 22;  // FORMULA record data before the tokens
constexpr std::size_t kMaxLexTokens = 1536;     // 256-entry steps of 40 bytes below 64 KiB
constexpr std::size_t kMaxExternSheets = 42;    // BIFF8 external-sheet table

// One entry of a BIFF8 EXTERNSHEET record. Formulas refer only to sheets of the book
// itself, whose supporting book is entry 0.
struct ExternSheet {
    std::uint16_t book = 0;
    std::uint16_t firstSheet = 0;
    std::uint16_t lastSheet = 0;
    bool operator==(const ExternSheet&) const = default;
};

// What the compiler needs to know about the book's sheets. The library supplies its
// own; ListedSheets below is a plain implementation.
class SheetDirectory {
public:
    virtual ~SheetDirectory() = default;
    // A sheet name written before "!" in a formula: it must be a sheet of the book and
    // appear in the current sheet's reference list (both compared without regard to
    // case). Gives the zero-based sheet number and the one-based position in the list.
    virtual bool findSheet(std::string_view name, int& sheet, int& listPosition) const = 0;
    // The book's external-sheet entries as they stand (BIFF8).
    virtual std::span<const ExternSheet> externSheets() const = 0;
};

struct Options {
    BiffVersion version = BiffVersion::Biff8;
    CodePage codePage = CodePage::Cp932;
    // Null when the current sheet has no reference list: any "Sheet!" then fails.
    const SheetDirectory* sheets = nullptr;
    // Room left in the book's token buffer for this formula.
    std::size_t space = kTokenBufferSize - kFormulaHeaderSize;
};

struct Compiled {
    // The tokens, followed by the data of any array constants.
    std::vector<std::uint8_t> bytes;
    // Length of the tokens alone: the FORMULA record's token length field.
    std::size_t tokenLength = 0;
    // BIFF8 external-sheet entries the tokens refer to that the book does not hold yet;
    // their indices follow the existing entries in this order.
    std::vector<ExternSheet> newExternSheets;
    // Set when compiling failed because memory ran out (cause kNoMemory), as opposed to
    // a formula with more tokens than the table holds (the same cause).
    bool memoryFailure = false;
};

// Compiles `text` (leading blanks and one leading "=" are skipped). Returns kOk or a
// Cause; on failure `out` is left empty.
int compile(std::string_view text, const Options& options, Compiled& out);

// Compares two sheet names without regard to ASCII case, taking multibyte characters
// whole (a CP932 trail byte is never folded).
bool sameSheetName(std::string_view a, std::string_view b, CodePage codePage);

// A SheetDirectory over plain lists: the book's sheet names, the current sheet's
// reference list and the external-sheet table.
class ListedSheets : public SheetDirectory {
public:
    ListedSheets(CodePage codePage = CodePage::Cp932) : codePage_(codePage) {}
    std::vector<std::string> bookSheets;
    std::vector<std::string> referenceList;
    std::vector<ExternSheet> externTable;

    bool findSheet(std::string_view name, int& sheet, int& listPosition) const override;
    std::span<const ExternSheet> externSheets() const override { return externTable; }

private:
    CodePage codePage_;
};

}  // namespace celvane::formula
