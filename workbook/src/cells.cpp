// The cell list of a sheet and the plain value writes (texts, whole numbers, numbers).
#include "internal.h"

#include <base/text.h>

#include <algorithm>
#include <cstring>
#include <new>

namespace celvane {

int g_attrModeNoMerge = 0;
bool g_templateEdit = false;

namespace {

std::vector<Cell>::iterator coveringCell(Row& r, int col) {
    auto it = std::upper_bound(r.cells.begin(), r.cells.end(), col,
                               [](int c, const Cell& cell) { return c < cell.first; });
    if (it == r.cells.begin()) return r.cells.end();
    --it;
    return it->last >= col ? it : r.cells.end();
}

std::string_view arenaData(const Sheet& s, const Cell& c) {
    return std::string_view(s.arena).substr(c.value & 0xFFFFFFFFu, (c.value >> 32) & 0xFFFF);
}

// The part [from, to] of a MULRK / MULBLANK as a cell of its own kind.
Cell partOf(Sheet& s, const Cell& mul, std::string_view data, int from, int to) {
    std::size_t item = mul.rec == kMulRk ? 6 : 2;
    std::string_view part = data.substr((from - mul.first) * item, (to - from + 1) * item);
    if (from == to) {
        unsigned xf = static_cast<unsigned char>(part[0]) | static_cast<unsigned char>(part[1]) << 8;
        if (mul.rec == kMulBlank) return makeInline(from, kBlank, xf, 0, 0);
        uint64_t rk = 0;
        for (int i = 0; i < 4; ++i) rk |= static_cast<uint64_t>(static_cast<unsigned char>(part[2 + i])) << (8 * i);
        return makeInline(from, kRk, xf, rk, 4);
    }
    return makeArena(s, from, to, mul.rec, 0, std::string(part));
}

}  // namespace

Cell makeInline(int col, uint16_t rec, int xf, uint64_t value, int len) {
    Cell c;
    c.first = c.last = static_cast<uint8_t>(col);
    c.rec = rec;
    c.xf = static_cast<uint16_t>(xf);
    c.inlineLen = static_cast<uint8_t>(len);
    c.value = value;
    return c;
}

Cell makeArena(Sheet& s, int firstCol, int lastCol, uint16_t rec, int xf, std::string_view data,
               std::string_view extra) {
    Cell c;
    c.first = static_cast<uint8_t>(firstCol);
    c.last = static_cast<uint8_t>(lastCol);
    c.rec = rec;
    c.xf = static_cast<uint16_t>(xf);
    c.inlineLen = Cell::kInArena;
    uint64_t off = s.arena.size();
    s.arena.append(data);
    s.arena.append(extra);
    c.value = off | static_cast<uint64_t>(data.size()) << 32 | static_cast<uint64_t>(extra.size()) << 48;
    return c;
}

Cell* findCell(Sheet& s, int row, int col) {
    Row* r = s.findRow(row);
    if (!r) return nullptr;
    auto it = coveringCell(*r, col);
    return it == r->cells.end() ? nullptr : &*it;
}

Cell* isolateCell(Sheet& s, int row, int col) {
    Row* r = s.findRow(row);
    if (!r) return nullptr;
    auto it = coveringCell(*r, col);
    if (it == r->cells.end()) return nullptr;
    if (it->first == it->last) return &*it;
    Cell mul = *it;
    std::string data(arenaData(s, mul));
    std::vector<Cell> parts;
    if (col > mul.first) parts.push_back(partOf(s, mul, data, mul.first, col - 1));
    parts.push_back(partOf(s, mul, data, col, col));
    if (col < mul.last) parts.push_back(partOf(s, mul, data, col + 1, mul.last));
    std::size_t at = it - r->cells.begin();
    r->cells.erase(it);
    r->cells.insert(r->cells.begin() + at, parts.begin(), parts.end());
    return &r->cells[at + (col > mul.first ? 1 : 0)];
}

void insertCell(Sheet& s, int row, const Cell& c) {
    Row& r = s.rowAt(row);
    if (r.cells.empty() || r.cells.back().last < c.first) {
        r.cells.push_back(c);
        return;
    }
    if (c.first == c.last && isolateCell(s, row, c.first)) {
        auto it = coveringCell(r, c.first);
        *it = c;
        return;
    }
    auto it = std::upper_bound(r.cells.begin(), r.cells.end(), c.first,
                               [](int col, const Cell& cell) { return col < cell.first; });
    r.cells.insert(it, c);
}

int storeCell(int book, int sheet, int col, int row, uint16_t rec, int attr, std::string_view data,
              std::string_view extra) {
    Book* b;
    Sheet* s;
    int rc = checkPlace(book, sheet, col, row, &b, &s);
    if (rc) return rc;
    if (b->reading) return kErrMode;
    bool merge = attr >= 0 && !g_attrModeNoMerge;
    int a = attr < 0 ? -attr : attr;
    if (a >= kFirstUserAttr + static_cast<int>(b->userAttrs.size())) return kErrAttr;
    if (data.size() > 0xFFFF || extra.size() > 0xFFFF) return kErrLength;
    try {
        s->curCol = col + 1;
        s->curRow = row;
        if (s->curCol > 255) {
            s->curCol = 0;
            ++s->curRow;
        }
        if (merge) {
            if (Cell* old = isolateCell(*s, row, col)) {
                if (a == kDefaultAttr) {
                    a = old->xf;
                } else if (a != old->xf) {
                    a = mergeAttr(*b, old->xf, a);
                    if (a < 0) return a;
                }
            }
        }
        if (a == kDefaultAttr) a = columnAttr(*s, col);
        Cell c = rec == kRk || rec == kNumber || rec == kLabelSst || rec == kBlank || rec == kBoolErr
                     ? Cell{}
                     : makeArena(*s, col, col, rec, a, data, extra);
        if (c.inlineLen != Cell::kInArena) {
            uint64_t v = 0;
            for (std::size_t i = 0; i < data.size() && i < 8; ++i)
                v |= static_cast<uint64_t>(static_cast<unsigned char>(data[i])) << (8 * i);
            c = makeInline(col, rec, a, v, static_cast<int>(data.size()));
        }
        insertCell(*s, row, c);
    } catch (const std::bad_alloc&) {
        return kErrMemory;
    }
    return kOk;
}

int storeFormulaCell(int book, int sheet, int col, int row, int attr, std::string_view formula,
                     std::string_view stringData) {
    return storeCell(book, sheet, col, row, kFormula, attr, formula, stringData);
}

int writeText(int book, int sheet, int col, int row, const char* text, int attr) {
    Book* b;
    Sheet* s;
    int rc = checkPlace(book, sheet, col, row, &b, &s);
    if (rc) return rc;
    if (!text) return kErrParam;
    std::string_view t(text);
    if (g_templateEdit && t.substr(0, 2) == "**") {
        // A template's marker text that the caller writes back stays invisible.
        int a = attr < 0 ? -attr : attr;
        if (a >= kFirstUserAttr + static_cast<int>(b->userAttrs.size())) return kErrAttr;
        try {
            insertCell(*s, row, makeInline(col, kBlank, a, 0, 0));
        } catch (const std::bad_alloc&) {
            return kErrMemory;
        }
        return kOk;
    }
    std::string data;
    if (!b->biff8) {
        std::string bytes;
        if (!callerToCp932(t, bytes)) return kErrParam;
        std::string_view cut = base::cutCp932Bytes(bytes, 255);
        put16(data, static_cast<unsigned>(cut.size()));
        data.append(cut);
        return storeCell(book, sheet, col, row, kLabel, attr, data);
    }
    std::string encoded;
    if (!encodeBiff8(cutCallerText(t, 32767), true, true, encoded)) return kErrParam;
    long index = b->sst.add(encoded);
    if (index < 0) return kErrMemory;
    put32(data, static_cast<uint32_t>(index));
    return storeCell(book, sheet, col, row, kLabelSst, attr, data);
}

int writeInt(int book, int sheet, int col, int row, int value, int attr) {
    std::string data;
    if (value >= -536870912 && value < 536870912) {
        put32(data, (static_cast<uint32_t>(value) << 2) | 2);
        return storeCell(book, sheet, col, row, kRk, attr, data);
    }
    putDouble(data, static_cast<double>(value));
    return storeCell(book, sheet, col, row, kNumber, attr, data);
}

int writeDouble(int book, int sheet, int col, int row, double value, int attr) {
    std::string data;
    putDouble(data, value);
    return storeCell(book, sheet, col, row, kNumber, attr, data);
}

}  // namespace celvane

using namespace celvane;

extern "C" {

int XM_WriteStr(int book, int sheet, int col, int row, const char* text) {
    return writeText(book, sheet, col, row, text, kDefaultAttr);
}
int XM_WriteInt(int book, int sheet, int col, int row, int value) {
    return writeInt(book, sheet, col, row, value, kDefaultAttr);
}
int XM_WriteDouble(int book, int sheet, int col, int row, double value) {
    return writeDouble(book, sheet, col, row, value, kDefaultAttr);
}
int XM_WriteStr2(int book, int sheet, int col, int row, const char* text, int attr) {
    return writeText(book, sheet, col, row, text, attr);
}
int XM_WriteInt2(int book, int sheet, int col, int row, int value, int attr) {
    return writeInt(book, sheet, col, row, value, attr);
}
int XM_WriteDouble2(int book, int sheet, int col, int row, double value, int attr) {
    return writeDouble(book, sheet, col, row, value, attr);
}

int XM_WriteStrh(int book, int sheet, const char* name, int dc, int dr, const char* text) {
    Book* b;
    int rc = lookupBook(book, &b);
    if (rc) return rc;
    return forEachNamed(b, sheet, name, dc, dr,
                        [&](int c, int r) { return writeText(book, sheet, c, r, text, kDefaultAttr); });
}
int XM_WriteInth(int book, int sheet, const char* name, int dc, int dr, int value) {
    Book* b;
    int rc = lookupBook(book, &b);
    if (rc) return rc;
    return forEachNamed(b, sheet, name, dc, dr,
                        [&](int c, int r) { return writeInt(book, sheet, c, r, value, kDefaultAttr); });
}
int XM_WriteDoubleh(int book, int sheet, const char* name, int dc, int dr, double value) {
    Book* b;
    int rc = lookupBook(book, &b);
    if (rc) return rc;
    return forEachNamed(b, sheet, name, dc, dr,
                        [&](int c, int r) { return writeDouble(book, sheet, c, r, value, kDefaultAttr); });
}
int XM_WriteFunch(int book, int sheet, const char* name, int dc, int dr, const char* formula) {
    Book* b;
    int rc = lookupBook(book, &b);
    if (rc) return rc;
    return forEachNamed(b, sheet, name, dc, dr, [&](int c, int r) {
        return XM_WriteFunc3(book, sheet, c, r, formula, kDefaultAttr, nullptr);
    });
}
int XM_WriteFunc(int book, int sheet, int col, int row, const char* formula) {
    return XM_WriteFunc3(book, sheet, col, row, formula, kDefaultAttr, nullptr);
}
int XM_WriteFunc2(int book, int sheet, int col, int row, const char* formula, int attr) {
    return XM_WriteFunc3(book, sheet, col, row, formula, attr, nullptr);
}

}  // extern "C"
