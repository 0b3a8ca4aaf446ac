// A minimal BIFF5/BIFF8 workbook writer for the tests: just enough records (one font,
// a style and a cell attribute, sheets, references to other sheets, NUMBER, FORMULA
// and STRING cells) for an outside reader to decompile the compiled formulas.
#pragma once

#include <string>
#include <vector>

#include "formula/formula.h"

namespace minibook {

struct Cell {
    int sheet = 0;
    int row = 0;
    int col = 0;
    bool formula = false;
    double number = 0;       // NUMBER cell
    std::string data;        // FORMULA record data after row, column and attribute
    std::string stringData;  // STRING record that follows, if any
};

struct Book {
    celvane::formula::BiffVersion version = celvane::formula::BiffVersion::Biff8;
    std::vector<std::string> sheets;                     // names (ASCII)
    std::vector<std::vector<std::string>> refLists;      // BIFF5: per sheet
    std::vector<celvane::formula::ExternSheet> externs;  // BIFF8
    std::vector<Cell> cells;
};

// Writes the book as an OLE2 compound file. False on failure.
bool write(const Book& book, const std::string& path);

}  // namespace minibook
