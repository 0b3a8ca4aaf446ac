// Attribute (XF), font and number-format records of the workbook globals, and the page
// setup of a sheet, read from a book opened for reading.
#pragma once

#include "read/reader.h"

#include "celvane.h"

#include <string>

namespace celvane::read {

// Number of XF, FORMAT and FONT records in the globals.
struct GlobalCounts {
    int xf = 0, format = 0, font = 0;
};
GlobalCounts countGlobals(const ReadBook& rb);

// The XF record `number` decoded into a description. False when there is no such record.
bool readXf(const ReadBook& rb, int number, AttrDesc& out);

struct FontInfo {
    std::string name;  // as the book keeps texts (ReadBook::toCaller hands it out)
    double points = 0;
    int color = 0, style = 0, underline = 0;  // style: 1 bold, 2 italic, 4 strikeout, 8 super, 16 sub
};
// Font `number` in the numbering of the cell attributes (there is no font 4). False when
// there is no such record.
bool readFont(const ReadBook& rb, int number, FontInfo& out);

// Text of the FORMAT record with that format index. False when there is none.
bool readFormat(const ReadBook& rb, int index, std::string& out);

struct PageSetup {
    int paper = 9, scale = 100, options = 0;
    int margins[4] = {20, 25, 20, 25};  // left, top, right, bottom in mm
};
// The page setup of a sheet: 0; -34 for a sheet out of range; -1 when the sheet's
// SETUP record is not found before its column records (or the stream is damaged).
int readPageSetup(const ReadBook& rb, int sheet, PageSetup& out);

}  // namespace celvane::read
