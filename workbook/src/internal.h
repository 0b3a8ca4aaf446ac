// Internal structures of the workbook engine, shared by the library's source files
// (and by the formula compiler, which stores its records through storeFormulaCell).
#pragma once

#include "celvane.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace celvane {

// Engine codes.
constexpr int kOk = 0;
constexpr int kErrFile = -1;
constexpr int kErrBook = -2;
constexpr int kErrNotOpen = -3;
constexpr int kErrSheet = -4;
constexpr int kErrWrite = -5;
constexpr int kErrMode = -6;
constexpr int kErrKind = -7;
constexpr int kErrLength = -31;
constexpr int kErrPlace = -32;
constexpr int kErrAttr = -33;
constexpr int kErrParam = -34;
constexpr int kErrNoData = -35;
constexpr int kErrEnd = -36;
constexpr int kErrName = -37;
constexpr int kErrMemory = -40;
constexpr int kErrMemory2 = -41;
constexpr int kErrInternal = -50;
constexpr int kErrFormula = -100;

constexpr int kSlots = 32;
constexpr int kMaxSheets = 255;
constexpr int kDefaultAttr = 15;
constexpr int kFirstUserAttr = 21;
constexpr std::size_t kMaxRecordData = 8224;
constexpr std::size_t kFormulaBufferSize = 10240;

// Record numbers used by the writer.
enum RecNo : uint16_t {
    kFormula = 0x0006, kEof = 0x000A, kContinue = 0x003C, kColInfo = 0x007D, kMulRk = 0x00BD,
    kMulBlank = 0x00BE, kLabelSst = 0x00FD, kBlank = 0x0201, kNumber = 0x0203, kLabel = 0x0204,
    kBoolErr = 0x0205, kString = 0x0207, kRow = 0x0208, kRk = 0x027E, kMergedCells = 0x00E5,
};

// Little-endian appenders.
inline void put8(std::string& b, unsigned v) { b.push_back(static_cast<char>(v & 0xFF)); }
inline void put16(std::string& b, unsigned v) {
    put8(b, v);
    put8(b, v >> 8);
}
inline void put32(std::string& b, uint32_t v) {
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}
void putDouble(std::string& b, double v);
inline void set16(std::string& b, std::size_t at, unsigned v) {
    b[at] = static_cast<char>(v & 0xFF);
    b[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}
inline void set32(std::string& b, std::size_t at, uint32_t v) {
    set16(b, at, v & 0xFFFF);
    set16(b, at + 2, v >> 16);
}
inline unsigned get16(const std::string& b, std::size_t at) {
    return static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1]) << 8;
}

// One record to be written: number and data (at most 8224 bytes).
struct Record {
    uint16_t no = 0;
    std::string data;
};

// An ordered list of records with the number of bytes they take in the stream.
struct RecordList {
    std::vector<Record> items;
    std::size_t bytes = 0;

    void add(uint16_t no, std::string data) {
        bytes += data.size() + 4;
        items.push_back(Record{no, std::move(data)});
    }
    void addEmpty(uint16_t no) { add(no, std::string()); }
    void add16(uint16_t no, unsigned v) {
        std::string d;
        put16(d, v);
        add(no, std::move(d));
    }
    void clear() {
        items.clear();
        bytes = 0;
    }
};

// ---- text ------------------------------------------------------------------

// The code page of every text crossing the interface: 932 or 65001.
int callerCodePage();
void setCallerCodePage(int cp);

// A caller's text as CP932 bytes (identity in CP932 mode). False when a character has
// no CP932 form.
bool callerToCp932(std::string_view text, std::string& out);
// CP932 bytes (or UTF-8 in UTF-8 mode) for handing texts back to the caller.
std::string cp932ToCaller(std::string_view cp932);
// Text encoding of a BIFF8 string: character count (8- or 16-bit), option byte and
// characters; 8-bit characters when every byte is ASCII, else UTF-16LE. The source is
// in the caller's code page (`fromCaller`) or CP932. False for undecodable text.
bool encodeBiff8(std::string_view text, bool fromCaller, bool wideCount, std::string& out);
// Cuts a caller's text to at most `max` bytes without splitting a character.
std::string_view cutCallerText(std::string_view text, std::size_t max);
// Copies a caller's text into a buffer of `size` bytes: cut to size - 1 bytes without
// splitting a character, and terminated. Nothing for a null buffer or a size below 1.
void copyCallerText(std::string_view text, char* buffer, int size);
// Decodes 8-bit text in the Windows code page that a workbook's CODEPAGE record names
// (1252, 1250, 10000, ...) to UTF-8; bytes the code page does not define become U+FFFD.
// False, with nothing decoded, when the code page is not one this library can decode.
bool codePageToUtf8(int codePage, std::string_view bytes, std::string& out);
// UTF-8 literal to CP932 bytes (for the library's own constants).
std::string cp932(std::string_view utf8);

// ---- formatting -------------------------------------------------------------

// AttrDesc as an array of its 24 fields.
using Desc = std::array<short, 24>;
enum DescField {
    fFont, fFormat, fHorz, fWrap, fVert, fOrient, fTop, fBottom, fLeft, fRight, fColTop, fColBottom,
    fColLeft, fColRight, fPattern, fPatColor, fBack, fShrink, fMerge, fDiagKind, fDiagStyle, fDiagColor,
    fIndent, fRotation
};
Desc toDesc(const AttrDesc& a);
AttrDesc fromDesc(const Desc& d);
Desc unsetDesc();
Desc defaultDesc();

struct FontEntry {  // one default font table entry
    std::string name;  // CP932
    double size;
    int weight;
    int options;
    int family;
};

// ---- cells -----------------------------------------------------------------

// One cell record of a sheet. Small values live inside the cell; longer record data
// (labels, formulas, multiple-cell records) lives in the sheet's byte arena.
struct Cell {
    uint8_t first = 0;     // first column
    uint8_t last = 0;      // last column (== first except MULRK / MULBLANK)
    uint16_t rec = 0;      // record number
    uint16_t xf = 0;       // attribute number (single-cell records)
    uint8_t inlineLen = 0; // bytes of `value` used; kInArena when the data is in the arena
    uint8_t spare = 0;
    uint64_t value = 0;    // inline data, or arena offset (32) | length (16) | extra (16)

    static constexpr uint8_t kInArena = 0xFF;
};
static_assert(sizeof(Cell) == 16, "cells are kept compact");

struct Row {
    uint16_t index = 0;
    std::vector<Cell> cells;  // sorted by first column, not overlapping
};

struct RowDesc {
    uint16_t heightTwips = 270;
    uint16_t options = 0x0140;
};

struct ColInfo {
    uint16_t first = 0, last = 0, width = 0, xf = 15, options = 0;
};

struct Variable {  // a named cell of a template
    std::string name;
    int col = 0, row = 0, sheet = 0, xf = 15;
};

struct Sheet {
    std::string name;  // CP932
    int grid = 1;
    int defColWidth = 8;
    uint16_t defRowFlags = 0, defRowHeight = 270;
    int curCol = 0, curRow = 0;      // XL write cursor
    std::array<uint8_t, 34> setup{};
    double margins[4] = {};  // left, right, top, bottom in inches
    std::string refSheets;   // the sheet names formulas may refer to, "/"-separated
    uint8_t visibility = 0, type = 0;
    uint16_t standardWidth = 0;
    bool fitToPage = false;
    // Print settings a template may give: centring, row/column headings, grid lines.
    uint16_t hCenter = 0, vCenter = 0, printHeaders = 0, printGrid = 0;
    std::string codeName;  // CODENAME data from a template
    std::string gcw;       // GCW data (34 bytes) from a template

    RecordList extRefs;       // BIFF5 EXTERNCOUNT / EXTERNSHEET
    RecordList objects;       // drawing objects from a template
    RecordList headerFooter;  // HEADER / FOOTER from a template
    RecordList pageBreaks;    // page-break records from a template
    RecordList templateMerged;// merged-cell and similar records from a template
    RecordList tail;          // records of the caller's making (XM_WriteBin)
    RecordList mergedFull;    // full MERGEDCELLS records of 1024 areas
    std::vector<ColInfo> colInfos;
    std::vector<std::array<uint16_t, 4>> merged;  // pending areas: r1, r2, c1, c2

    std::vector<Row> rows;  // sorted by row index
    std::string arena;
    std::map<uint16_t, RowDesc> rowDescs;

    Row* findRow(int row);
    Row& rowAt(int row);
};

// BIFF8 shared strings: encoded strings in one buffer, an index per string and an
// open-addressing hash table of indices for finding duplicates.
class SharedStrings {
public:
    // Index of the encoded string, adding it when new. -1 when memory runs out.
    long add(std::string_view encoded);
    uint32_t total() const { return total_; }
    uint32_t unique() const { return static_cast<uint32_t>(offsets_.size()); }
    std::string_view at(uint32_t i) const;
    void countUse() { ++total_; }

private:
    static constexpr std::size_t kChunk = 131072;  // above the longest encoded string
    std::vector<std::unique_ptr<char[]>> chunks_;
    std::size_t used_ = 0;  // bytes used in the last chunk
    std::vector<uint32_t> offsets_;  // chunk * kChunk + offset
    std::vector<uint32_t> table_;  // index + 1, 0 = empty
    uint32_t total_ = 0;
    void grow();
};

struct Book {
    bool biff8 = false;
    int rowLimit = 16384;
    std::string file;      // the file name given
    int nextFormat = 176;
    std::vector<Variable> variables;
    std::string defFontName;  // CP932
    double defFontSize = 11.0;
    std::vector<std::array<uint16_t, 3>> externSheets;  // BIFF8 external-sheet entries
    bool stored = false;
    bool reading = false;
    std::shared_ptr<void> reader;  // state of a book opened for reading (read/reader.cpp)
    std::vector<uint8_t> formulaBuffer;  // shared by formula compilations

    // Workbook-globals lists in stream order.
    enum List { Head, Fonts, Formats, Xfs, Styles, Palette, UseSelfs, BoundSheets, Country, References,
                DrawingGroup, Sst, ExtSst, Spare, End, ListCount };
    RecordList globals[ListCount];
    std::vector<std::unique_ptr<Sheet>> sheets;
    std::vector<Desc> userAttrs;  // descriptions of attributes 21, 22, ...
    std::map<Desc, int> attrIndex;  // normalised description -> attribute number
    SharedStrings sst;

    int sheetCount() const { return static_cast<int>(sheets.size()); }
};

// ---- engine helpers -----------------------------------------------------------

// The book in a slot: -2 outside 0..31, -3 for an empty slot.
int lookupBook(int book, Book** out);
// Book and sheet: -2, -3, -4.
int lookupSheet(int book, int sheet, Book** b, Sheet** s);
// Checks a cell place (-32) and the sheet (-2, -3, -4).
int checkPlace(int book, int sheet, int col, int row, Book** b, Sheet** s);

// Library-wide switch of XL_SetAttrMode: values and attributes do not merge.
extern int g_attrModeNoMerge;
// Set while a template is being edited (and by by-name writes).
extern bool g_templateEdit;

// Stores a cell record at (col, row) with the attribute rules of value writes:
// the write cursor advances, the used range grows, the attribute merges with an
// existing cell's and with its column's. `data` is the record data after the row,
// column and attribute fields; `extra` is the data of a STRING record that follows
// the cell (formulas with a text result), empty otherwise. 0 or a negative code.
int storeCell(int book, int sheet, int col, int row, uint16_t rec, int attr, std::string_view data,
              std::string_view extra = {});

// For the formula compiler: stores a FORMULA record whose data from the cached result
// on (result, options, 32-bit 0, token length, tokens) is `formula`, followed by a
// STRING record with data `stringData` when that is not empty.
int storeFormulaCell(int book, int sheet, int col, int row, int attr, std::string_view formula,
                     std::string_view stringData);

// Calls fn(col, row) for every cell carrying `name` on the sheet, moved by (dc, dr).
// -37 when the name is unknown; stops at the first failure of fn.
template <class Fn>
int forEachNamed(Book* b, int sheet, const char* name, int dc, int dr, Fn fn);

// Attribute numbers and descriptions.
int attrNumber(Book& b, const Desc& d);  // normalise, find or add
Desc attrDescOf(const Book& b, int xf);   // any number below 21: the default
Desc mergeDesc(const Book& b, const Desc& base, const Desc& over);
int mergeAttr(Book& b, int oldXf, int newXf);  // attribute of new laid over old
int applyAttr(int book, int sheet, int col1, int row1, int col2, int row2, const Desc& d, bool merge);

// Cell list operations (cells.cpp).
Cell* findCell(Sheet& s, int row, int col);      // the cell covering the place, or null
Cell* isolateCell(Sheet& s, int row, int col);   // splits a MULRK / MULBLANK so that the
                                                 // place is a cell of its own
void insertCell(Sheet& s, int row, const Cell& c);  // replaces a cell at the same place
Cell makeInline(int col, uint16_t rec, int xf, uint64_t value, int len);
Cell makeArena(Sheet& s, int firstCol, int lastCol, uint16_t rec, int xf, std::string_view data,
               std::string_view extra = {});

// The default font of a book: record 0 and the book's default name and size change.
int setBookDefaultFont(int book, const std::string& nameCp932, double size);
int columnAttr(const Sheet& s, int col);  // attribute of a COLINFO covering the column, or 15

// Value writes with an attribute number (15: merge with the cell; -a: no merging).
int writeText(int book, int sheet, int col, int row, const char* text, int attr);
int writeInt(int book, int sheet, int col, int row, int value, int attr);
int writeDouble(int book, int sheet, int col, int row, double value, int attr);

void freeBook(int slot);
// Puts a book into the first free slot: its number, or -1 when all slots are taken.
int installBook(std::unique_ptr<Book> b);

// Margins of a sheet in millimetres (negative: the default); -34 above 1000 mm.
int setSheetMargins(int book, int sheet, int left, int right, int top, int bottom);

}  // namespace celvane

namespace celvane {
template <class Fn>
int forEachNamed(Book* b, int sheet, const char* name, int dc, int dr, Fn fn) {
    if (!name) return kErrParam;
    std::string_view n(name);
    bool known = false;
    // From the last entry backwards: every place of that name on the sheet.
    for (auto it = b->variables.rbegin(); it != b->variables.rend(); ++it) {
        if (it->name != n) continue;
        known = true;
        if (it->sheet != sheet) continue;
        int rc = fn(it->col + dc, it->row + dr);
        if (rc != 0) return rc;
        g_templateEdit = true;
    }
    return known ? 0 : kErrName;
}
}  // namespace celvane
