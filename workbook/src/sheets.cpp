// Sheet-level settings of a book being written: adding, deleting and naming sheets,
// grid lines, page setup and margins.
#include "internal.h"

#include <cstring>

namespace celvane {

Sheet* newSheet(int number);  // book.cpp: a sheet with the default settings

namespace {

bool isLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// Compares two CP932 names without regard to the case of single-byte letters. The
// second byte of a double-byte character is compared as it is, so a trail byte that
// happens to be a letter (0x40..0x7E) never folds.
bool sameSheetName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto x = static_cast<unsigned char>(a[i]);
        auto y = static_cast<unsigned char>(b[i]);
        if (isLeadByte(x)) {
            if (x != y || i + 1 >= a.size() || a[i + 1] != b[i + 1]) return false;
            ++i;
            continue;
        }
        if (x >= 'a' && x <= 'z') x = static_cast<unsigned char>(x - 32);
        if (y >= 'a' && y <= 'z') y = static_cast<unsigned char>(y - 32);
        if (x != y) return false;
    }
    return true;
}

}  // namespace

// Sets the four margins of a sheet from millimetres; a negative value selects the
// default (20, 20, 25, 25 mm). Nothing changes when one exceeds 1000 mm.
int setSheetMargins(int book, int sheet, int left, int right, int top, int bottom) {
    Book* b = nullptr;
    Sheet* s = nullptr;
    int rc = lookupSheet(book, sheet, &b, &s);
    if (rc) return rc;
    const int given[4] = {left, right, top, bottom};
    const int defaults[4] = {20, 20, 25, 25};
    for (int v : given)
        if (v > 1000) return kErrParam;
    for (int i = 0; i < 4; ++i) s->margins[i] = (given[i] < 0 ? defaults[i] : given[i]) / 25.4;
    return kOk;
}

}  // namespace celvane

using namespace celvane;

extern "C" {

int XM_SetAddSheet(int book, int count) {
    Book* b = nullptr;
    int rc = lookupBook(book, &b);
    if (rc) return rc;
    if (count < 1 || b->sheetCount() + count > kMaxSheets) return kErrParam;
    for (int i = 0; i < count; ++i) {
        Sheet* s = newSheet(b->sheetCount() + 1);
        if (!s) return kErrMemory;
        b->sheets.emplace_back(s);
    }
    return kOk;
}

int XM_SetDelSheet(int book, int first, int count) {
    Book* b = nullptr;
    int rc = lookupBook(book, &b);
    if (rc) return rc;
    int n = b->sheetCount();
    if (first < 0 || first >= n || count < 1 || count >= n) return kErrParam;
    int end = first + count > n ? n : first + count;
    for (int i = first; i < end; ++i)
        if (b->sheets[i]->type & 0x06) return kErrSheet;
    b->sheets.erase(b->sheets.begin() + first, b->sheets.begin() + end);
    // Named cells of deleted sheets go; those of later sheets follow their sheet.
    std::vector<Variable> kept;
    for (Variable& v : b->variables) {
        if (v.sheet >= first && v.sheet < end) continue;
        if (v.sheet >= end) v.sheet -= end - first;
        kept.push_back(v);
    }
    b->variables.swap(kept);
    // External-sheet entries of this book follow their sheets too; an entry whose sheets
    // are all gone refers to a deleted sheet (0xFFFF), as a formula's #REF! does.
    const int gone = end - first;
    for (auto& e : b->externSheets) {
        if (e[0] != 0 || e[1] >= 0xFFFE) continue;
        int lo = e[1], hi = e[2];
        lo = lo >= end ? lo - gone : lo >= first ? first : lo;
        hi = hi >= end ? hi - gone : hi >= first ? first - 1 : hi;
        if (lo > hi) {
            e[1] = e[2] = 0xFFFF;
        } else {
            e[1] = static_cast<uint16_t>(lo);
            e[2] = static_cast<uint16_t>(hi);
        }
    }
    return kOk;
}

int XM_SheetName(int book, int sheet, const char* name) {
    Book* b = nullptr;
    int rc = lookupBook(book, &b);
    if (rc) return rc;
    if (b->reading) return kErrMode;
    if (!name) return kErrLength;
    std::string cp;
    if (!callerToCp932(name, cp)) return kErrParam;
    if (cp.empty() || cp.size() > 32) return kErrLength;
    if (sheet < 0 || sheet >= b->sheetCount()) return kErrSheet;
    for (int i = 0; i < b->sheetCount(); ++i)
        if (i != sheet && sameSheetName(b->sheets[i]->name, cp)) return kErrParam;
    b->sheets[sheet]->name = cp;
    return kOk;
}

int XM_SetGridMode(int book, int sheet, int flag) {
    Book* b = nullptr;
    Sheet* s = nullptr;
    int rc = lookupSheet(book, sheet, &b, &s);
    if (rc) return rc;
    s->grid = flag ? 1 : 0;
    return kOk;
}

int XM_SetPageMode(int book, int sheet, int paper, int scale, int orientation, double headerMm,
                   double footerMm) {
    Book* b = nullptr;
    int rc = lookupBook(book, &b);
    if (rc) return rc;
    // The sheet number is checked as every other sheet call does: the design checks
    // only the book and would write past the sheet table for a wrong number.
    Sheet* s = nullptr;
    rc = lookupSheet(book, sheet, &b, &s);
    if (rc) return rc;
    if (!(headerMm >= 0)) headerMm = 13;
    if (!(footerMm >= 0)) footerMm = 13;
    if (paper < 1 || paper >= 14 || paper == 2 || paper == 4 || paper == 6 || paper == 10) paper = 9;
    if (scale < 10 || scale > 400) scale = 100;
    std::string d;
    put16(d, static_cast<unsigned>(paper));
    put16(d, static_cast<unsigned>(scale));
    d.append(reinterpret_cast<const char*>(s->setup.data()) + 4, 2);  // first page number
    put16(d, 1);
    put16(d, 1);
    put16(d, orientation == 0 ? 0 : 2);
    d.append(reinterpret_cast<const char*>(s->setup.data()) + 12, 4);  // resolutions
    putDouble(d, headerMm / 25.4);
    putDouble(d, footerMm / 25.4);
    d.append(reinterpret_cast<const char*>(s->setup.data()) + 32, 2);  // copies
    std::memcpy(s->setup.data(), d.data(), s->setup.size());
    return kOk;
}

}  // extern "C"
