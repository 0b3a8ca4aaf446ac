// A book opened for reading: the loaded record stream, its sheets and shared strings,
// and the cell lookups the reading functions of the library are built on.
#pragma once

#include "read/records.h"

#include <string>
#include <unordered_map>
#include <vector>

namespace celvane::read {

struct SheetInfo {
    SheetEntry entry;
    std::string name;  // as the book keeps texts (see ReadBook::cp932Texts)
};

// What a cell holds, as the engine's reading functions return it.
struct CellValue {
    int kind = 0;        // 0 number, 1 text, 2 boolean or error
    double number = 0;   // number, or boolean (0 / -1) or error number (1..7)
    std::string text;    // kind 1, as the book keeps texts
};

class ReadBook {
public:
    WorkbookStream wb;
    std::vector<SheetInfo> sheets;
    std::vector<std::string> sst;  // shared strings (UTF-8)
    // The code page of the book's 8-bit texts: its CODEPAGE record, 932 without one.
    int codePage = 932;
    // Texts are kept as read and converted to the caller's code page only when handed out
    // (toCaller), so a code page chosen after the book was opened applies to them. They
    // are CP932 bytes for a BIFF5 book in code page 932 (or in one that cannot be decoded:
    // the writer's own code page is the best guess), UTF-8 for every other book.
    bool cp932Texts = false;

    // A kept text in the caller's current code page.
    std::string toCaller(std::string_view text) const;

    // Scans the workbook globals: shared strings and sheets.
    void scanGlobals();
    // Finds a cell through INDEX and DBCELL. False when there is no cell with a value.
    bool readCell(int sheet, int col, int row, CellValue& out) const;
    // Column width in 1/256 characters.
    int colWidth(int sheet, int col) const;
    // Row height in points.
    double rowHeight(int sheet, int row) const;
    // Used range (last column + 1, last row + 1).
    void usedRange(int sheet, int& cols, int& rows) const;

    // Text of a BIFF string starting at `at` in the record (length 16-bit when `wideCount`,
    // else 8-bit), as the book keeps texts.
    std::string recordText(const Record& r, std::size_t at, bool wideCount) const;
    // Value of a cell record at (col); false when the record is not a cell with a value
    // there. `following` is the position after the record (for a FORMULA's STRING).
    bool cellValue(const Record& r, int col, std::size_t following, CellValue& out) const;
    // 8-bit text of a BIFF5 book as the book keeps texts.
    std::string bytesText(std::string_view bytes) const;

private:
    struct RowPlace {
        std::size_t rowRecord = 0;  // position of the row's ROW record
        std::size_t firstCell = 0;  // position where its cells are expected
        std::size_t cellsStart = 0; // position after the block's ROW records
    };
    bool findRow(int sheet, int row, RowPlace& out) const;

    // The cell records of a row, found once and kept: stream positions in column order.
    struct RowCells {
        std::vector<uint32_t> records;
        bool sorted = true;
    };
    const RowCells* rowCells(int sheet, int row) const;
    mutable std::unordered_map<uint64_t, RowCells> rowCache_;
};

// RK value decoding.
double decodeRk(uint32_t rk);
// 16-bit characters to UTF-8; a surrogate without its partner becomes U+FFFD.
std::string unitsToUtf8(const uint16_t* units, std::size_t count);

}  // namespace celvane::read

namespace celvane::read {

// The reading state of an engine book: 0, or -2 / -3 for a bad or empty slot, -6 when
// the book was not opened for reading.
int lookupReading(int book, ReadBook** out);

// One cell delivered by the sequential reader.
struct SeqCell {
    int col = 0, row = 0, attr = 0;
    int kind = 0;  // 0 blank, 1 text, 2 number, 3 whole number
    double number = 0;
    int whole = 0;
    std::string text;  // as the book keeps texts
};

// Delivers the next cell of the sheet from `pos` (an offset from the sheet's BOF when
// below its stream position). Returns the position to continue from, 0 at the sheet's
// end, -1 for a record that cannot be read.
long readSequential(ReadBook& rb, int book, int sheet, long pos, SeqCell& out);

}  // namespace celvane::read
