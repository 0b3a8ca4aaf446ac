#include "read/reader.h"

#include "internal.h"

#include <base/text.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace celvane::read {

double decodeRk(uint32_t rk) {
    double v;
    if (rk & 2) {
        v = static_cast<double>(static_cast<int32_t>(rk) >> 2);
    } else {
        uint64_t bits = static_cast<uint64_t>(rk & 0xFFFFFFFCu) << 32;
        std::memcpy(&v, &bits, sizeof v);
    }
    if (rk & 1) v /= 100.0;
    return v;
}

std::string unitsToUtf8(const uint16_t* u, std::size_t n) {
    std::string utf8;
    utf8.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        uint32_t c = u[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < n && u[i + 1] >= 0xDC00 && u[i + 1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (u[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c < 0xE000) {
            c = 0xFFFD;
        }
        if (c < 0x80) {
            utf8.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            utf8.push_back(static_cast<char>(0xC0 | (c >> 6)));
            utf8.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            utf8.push_back(static_cast<char>(0xE0 | (c >> 12)));
            utf8.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            utf8.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            utf8.push_back(static_cast<char>(0xF0 | (c >> 18)));
            utf8.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            utf8.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            utf8.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return utf8;
}

namespace {

// BIFF8 characters (8-bit or 16-bit per the option byte) from a byte range.
std::string biff8Chars(const uint8_t* p, std::size_t avail, std::size_t count, bool wide) {
    std::vector<uint16_t> u;
    const std::size_t n = std::min(count, wide ? avail / 2 : avail);
    u.resize(n);
    for (std::size_t i = 0; i < n; ++i) u[i] = wide ? uint16_t(p[2 * i] | (p[2 * i + 1] << 8)) : p[i];
    return unitsToUtf8(u.data(), u.size());
}

// Reads the shared strings of an SST record joined with its CONTINUE records. At every
// record boundary inside a string's characters a new option byte says whether the rest is
// 8-bit or 16-bit.
void parseSst(const std::vector<uint8_t>& body, const std::vector<std::size_t>& pieces,
              std::vector<std::string>& out) {
    std::vector<std::size_t> bounds;  // start offsets of the CONTINUE parts
    std::size_t acc = 0;
    for (std::size_t len : pieces) {
        acc += len;
        bounds.push_back(acc);
    }
    const std::size_t n = body.size();
    auto u8 = [&](std::size_t at) -> unsigned { return at < n ? body[at] : 0; };
    auto u16 = [&](std::size_t at) -> unsigned { return u8(at) | (u8(at + 1) << 8); };
    auto u32 = [&](std::size_t at) -> uint32_t { return u16(at) | (uint32_t(u16(at + 2)) << 16); };
    auto nextBound = [&](std::size_t at) -> std::size_t {
        auto it = std::upper_bound(bounds.begin(), bounds.end(), at);
        return it == bounds.end() ? n : *it;
    };
    if (n < 8) return;
    const uint32_t unique = u32(4);
    std::size_t pos = 8;
    std::vector<uint16_t> units;
    // The count may lie: stop at the end of the data whatever it says.
    for (uint32_t i = 0; i < unique && pos + 3 <= n; ++i) {
        std::size_t count = u16(pos);
        unsigned opt = u8(pos + 2);
        pos += 3;
        std::size_t runs = 0, ext = 0;
        if (opt & 8) {
            runs = u16(pos);
            pos += 2;
        }
        if (opt & 4) {
            ext = u32(pos);
            pos += 4;
        }
        bool wide = opt & 1;
        units.clear();
        while (count > 0 && pos < n) {
            std::size_t end = nextBound(pos);
            std::size_t fit = wide ? (end - pos) / 2 : end - pos;
            std::size_t take = std::min(count, fit);
            for (std::size_t k = 0; k < take; ++k)
                units.push_back(wide ? uint16_t(u16(pos + 2 * k)) : uint16_t(u8(pos + k)));
            pos += wide ? take * 2 : take;
            count -= take;
            if (count > 0) {
                if (pos >= n) break;
                if (pos + 1 >= end || take == 0) {  // at a boundary: a fresh option byte
                    pos = end;
                    if (pos >= n) break;
                    wide = u8(pos) & 1;
                    ++pos;
                }
            }
        }
        out.push_back(unitsToUtf8(units.data(), units.size()));
        const std::size_t skip = runs * 4 + ext;
        if (skip > n - std::min(pos, n)) break;
        pos += skip;
    }
}

bool isCellRecord(uint16_t id) {
    switch (id) {
    case kRecBlank: case kRecNumber: case kRecLabel: case kRecBoolErr: case kRecRk: case kRecMulRk:
    case kRecMulBlank: case kRecRString: case kRecLabelSst: case kRecFormula: case kRecFormulaOld:
    case kRecString: case kRecRow:
        return true;
    default:
        return false;
    }
}

}  // namespace

void ReadBook::scanGlobals() {
    const RecordStream& s = wb.stream;
    std::size_t pos = 0;
    std::vector<uint8_t> body;
    std::vector<std::size_t> pieces;
    for (;;) {
        Record r;
        if (s.at(pos, r) != Next::Ok) break;
        if (r.id == kRecEof) break;
        if (r.id == kRecCodePage && r.length >= 2) codePage = r.u16(0);
        if (r.id == kRecSst && wb.biff8) {
            uint16_t id;
            std::size_t next;
            if (s.joined(pos, id, body, pieces, next) != Next::Ok) break;
            parseSst(body, pieces, sst);
            pos = next;
            continue;
        }
        pos += 4 + r.length;
    }
    // BIFF5 texts are single bytes in the book's code page: those of 932 stay as they are,
    // others are decoded once here and as they are read.
    std::string probe;
    cp932Texts = !wb.biff8 && (codePage == 932 || !codePageToUtf8(codePage, {}, probe));
    for (SheetEntry& e : readSheetEntries(wb)) {
        SheetInfo info;
        if (e.nameIsUtf16) {
            std::vector<uint16_t> u(e.rawName.size() / 2);
            for (std::size_t i = 0; i < u.size(); ++i)
                u[i] = uint16_t(uint8_t(e.rawName[2 * i]) | (uint8_t(e.rawName[2 * i + 1]) << 8));
            info.name = unitsToUtf8(u.data(), u.size());
        } else if (wb.biff8) {
            std::vector<uint16_t> u(e.rawName.begin(), e.rawName.end());
            for (std::size_t i = 0; i < u.size(); ++i) u[i] = uint8_t(e.rawName[i]);
            info.name = unitsToUtf8(u.data(), u.size());
        } else {
            info.name = bytesText(e.rawName);
        }
        info.entry = std::move(e);
        sheets.push_back(std::move(info));
    }
}

std::string ReadBook::toCaller(std::string_view text) const {
    if (cp932Texts) return cp932ToCaller(text);
    if (callerCodePage() != 932) return std::string(text);
    // Characters without a CP932 form become what the converter substitutes.
    return base::utf8ToCp932(text).text;
}

std::string ReadBook::bytesText(std::string_view bytes) const {
    std::string out;
    if (cp932Texts || !codePageToUtf8(codePage, bytes, out)) return std::string(bytes);
    return out;
}

std::string ReadBook::recordText(const Record& r, std::size_t at, bool wideCount) const {
    std::size_t count = wideCount ? r.u16(at) : r.u8(at);
    std::size_t p = at + (wideCount ? 2 : 1);
    if (p > r.length) return {};
    if (!wb.biff8) {
        std::size_t n = std::min(count, r.length - p);
        return bytesText(std::string_view(reinterpret_cast<const char*>(r.data + p), n));
    }
    if (p >= r.length) return {};
    const bool wide = r.u8(p) & 1;
    ++p;
    return biff8Chars(r.data + p, r.length - p, count, wide);
}

bool ReadBook::cellValue(const Record& r, int col, std::size_t following, CellValue& out) const {
    switch (r.id) {
    case kRecNumber:
        if (r.u16(2) != col || r.length < 14) return false;
        out.kind = 0;
        out.number = r.f64(6);
        return true;
    case kRecRk:
        if (r.u16(2) != col || r.length < 10) return false;
        out.kind = 0;
        out.number = decodeRk(r.u32(6));
        return true;
    case kRecMulRk: {
        if (r.length < 6) return false;
        const int first = r.u16(2);
        const int items = int((r.length - 6) / 6);
        if (col < first || col >= first + items) return false;
        out.kind = 0;
        out.number = decodeRk(r.u32(4 + 6 * (col - first) + 2));
        return true;
    }
    case kRecBoolErr: {
        if (r.u16(2) != col || r.length < 8) return false;
        out.kind = 2;
        const unsigned v = r.u8(6);
        if (r.u8(7)) {
            static const int kCodes[][2] = {{0x00, 1}, {0x07, 2}, {0x0F, 3}, {0x17, 4}, {0x1D, 5}, {0x24, 6}};
            out.number = 7;
            for (const auto& c : kCodes)
                if (unsigned(c[0]) == v) out.number = c[1];
        } else {
            out.number = v ? -1.0 : 0.0;
        }
        return true;
    }
    case kRecLabel:
    case kRecRString:
        if (r.u16(2) != col) return false;
        out.kind = 1;
        out.text = recordText(r, 6, true);
        return true;
    case kRecLabelSst: {
        if (r.u16(2) != col || r.length < 10) return false;
        const uint32_t i = r.u32(6);
        out.kind = 1;
        out.text = i < sst.size() ? sst[i] : std::string();
        return true;
    }
    case kRecFormula:
    case kRecFormulaOld: {
        if (r.u16(2) != col || r.length < 14) return false;
        if (r.u16(12) != 0xFFFF) {
            out.kind = 0;
            out.number = r.f64(6);
            return true;
        }
        switch (r.u8(6)) {
        case 0: {  // text: the STRING record that follows
            out.kind = 1;
            out.text.clear();
            Record sr;
            std::size_t p = following;
            // Shared-formula and array records may stand between them.
            for (int guard = 0; guard < 4 && wb.stream.at(p, sr) == Next::Ok; ++guard) {
                if (sr.id == kRecString) {
                    out.text = recordText(sr, 0, true);
                    break;
                }
                if (sr.id != 0x04BC && sr.id != 0x0221 && sr.id != 0x0236) break;
                p += 4 + sr.length;
            }
            return true;
        }
        case 1: {
            out.kind = 2;
            out.number = r.u8(8) ? -1.0 : 0.0;
            return true;
        }
        case 2: {
            static const int kCodes[][2] = {{0x00, 1}, {0x07, 2}, {0x0F, 3}, {0x17, 4}, {0x1D, 5}, {0x24, 6}};
            out.kind = 2;
            out.number = 7;
            for (const auto& c : kCodes)
                if (unsigned(c[0]) == r.u8(8)) out.number = c[1];
            return true;
        }
        case 3:
            out.kind = 1;
            out.text.clear();
            return true;
        default:
            return false;
        }
    }
    default:
        return false;
    }
}

bool ReadBook::findRow(int sheet, int row, RowPlace& out) const {
    const RecordStream& s = wb.stream;
    const SheetEntry& e = sheets[sheet].entry;
    Record index;
    bool found = false;
    walkSubstream(s, e.bof, [&](const Record& r) {
        if (r.id == kRecIndex) {
            index = r;
            found = true;
            return false;
        }
        return true;
    });
    if (!found) return false;
    uint32_t first, last;
    std::size_t offsets;
    if (wb.biff8) {
        first = index.u32(4);
        last = index.u32(8);
        offsets = 16;
    } else {
        first = index.u16(4);
        last = index.u16(6);
        // With or without the 32-bit field before the positions: take the layout whose
        // first position is a DBCELL.
        offsets = 12;
        Record probe;
        if (index.length >= 12 &&
            !(s.at(index.u32(12), probe) == Next::Ok && probe.id == kRecDbCell && index.length >= 16))
            offsets = 8;
        if (index.length >= 12 && s.at(index.u32(8), probe) == Next::Ok && probe.id == kRecDbCell) offsets = 8;
    }
    if (first == 0 && last == 0) return false;
    if (uint32_t(row) < first || uint32_t(row) > last) return false;
    if (index.length < offsets) return false;
    const std::size_t blocks = (index.length - offsets) / 4;
    // The block holding the row: blocks are in ascending row order, each starting with its
    // ROW records. Writers group either 32 consecutive row numbers or 32 used rows, so the
    // block is searched by its first row rather than computed.
    auto blockStart = [&](std::size_t k, std::size_t& dbPos, Record& db, std::size_t& rowsStart) {
        dbPos = index.u32(offsets + 4 * k);
        if (s.at(dbPos, db) != Next::Ok || db.id != kRecDbCell || db.length < 4) return false;
        const std::size_t back = db.u32(0);
        if (back > dbPos) return false;
        rowsStart = dbPos - back;
        return true;
    };
    auto firstRowOf = [&](std::size_t k, long& out) {
        std::size_t dbPos, rowsStart;
        Record db, r;
        if (!blockStart(k, dbPos, db, rowsStart)) return false;
        if (s.at(rowsStart, r) != Next::Ok || r.id != kRecRow) return false;
        out = r.u16(0);
        return true;
    };
    std::size_t lo = 0, hi = blocks;  // find the last block whose first row <= row
    while (hi - lo > 1) {
        const std::size_t mid = lo + (hi - lo) / 2;
        long fr;
        if (!firstRowOf(mid, fr)) return false;
        if (fr <= row) lo = mid;
        else hi = mid;
    }
    if (blocks == 0) return false;
    std::size_t dbPos, rowsStart;
    Record db;
    if (!blockStart(lo, dbPos, db, rowsStart)) return false;
    RecordCursor c(s, rowsStart);
    Record r;
    std::size_t sum = 0;
    for (int i = 0; i < 32; ++i) {
        std::size_t at = c.pos();
        if (c.next(r) != Next::Ok || r.id != kRecRow) return false;
        sum += db.u16(4 + 2 * i);
        if (r.u16(0) == row) {
            out.rowRecord = at;
            out.firstCell = rowsStart + 20 + sum;
            // The end of the block's ROW records: where its cells begin.
            while (c.next(r) == Next::Ok && r.id == kRecRow) {
            }
            out.cellsStart = r.id == kRecRow ? c.pos() : r.offset;
            return true;
        }
    }
    return false;
}

const ReadBook::RowCells* ReadBook::rowCells(int sheet, int row) const {
    const uint64_t key = (uint64_t(uint32_t(sheet)) << 32) | uint32_t(row);
    auto it = rowCache_.find(key);
    if (it != rowCache_.end()) return &it->second;
    RowPlace place;
    if (!findRow(sheet, row, place)) return nullptr;
    const RecordStream& s = wb.stream;
    // The row offsets of DBCELL lead straight to the row's first cell; writers that fill
    // them differently are read from the start of the block's cells.
    Record r;
    std::size_t start = place.firstCell;
    if (s.at(start, r) != Next::Ok || !isCellRecord(r.id) || r.id == kRecRow || r.u16(0) != row)
        start = place.cellsStart;
    RowCells cells;
    RecordCursor c(s, start);
    int lastCol = -1;
    while (c.next(r) == Next::Ok) {
        if (r.id == kRecEof || r.id == kRecDbCell || r.id == kRecBof) break;
        if (!isCellRecord(r.id) || r.id == kRecString || r.id == kRecRow) continue;
        if (r.u16(0) != row) {
            if (r.u16(0) > row) break;
            continue;
        }
        if (int(r.u16(2)) < lastCol) cells.sorted = false;
        lastCol = r.u16(2);
        cells.records.push_back(uint32_t(r.offset));
    }
    return &rowCache_.emplace(key, std::move(cells)).first->second;
}

bool ReadBook::readCell(int sheet, int col, int row, CellValue& out) const {
    const RowCells* cells = rowCells(sheet, row);
    if (!cells) return false;
    const RecordStream& s = wb.stream;
    auto tryAt = [&](uint32_t pos) {
        Record r;
        if (s.at(pos, r) != Next::Ok) return false;
        return cellValue(r, col, pos + 4 + r.length, out);
    };
    const auto& recs = cells->records;
    if (!cells->sorted) {
        for (uint32_t pos : recs)
            if (tryAt(pos)) return true;
        return false;
    }
    // The last record starting at or before the column (a MULRK may cover it).
    std::size_t lo = 0, hi = recs.size();
    while (lo < hi) {
        const std::size_t mid = lo + (hi - lo) / 2;
        Record r;
        s.at(recs[mid], r);
        if (int(r.u16(2)) <= col) lo = mid + 1;
        else hi = mid;
    }
    return lo > 0 && tryAt(recs[lo - 1]);
}

int ReadBook::colWidth(int sheet, int col) const {
    int standard = -1;
    int width = -1;
    walkSubstream(wb.stream, sheets[sheet].entry.bof, [&](const Record& r) {
        if (r.id == kRecRow) return false;
        if (r.id == kRecStandardWidth) standard = r.u16(0);
        if (r.id == kRecColInfo && r.u16(0) <= col && col <= r.u16(2)) {
            width = r.u16(4);
            return false;
        }
        return true;
    });
    if (width >= 0) return width;
    return standard >= 0 ? standard : 2208;
}

double ReadBook::rowHeight(int sheet, int row) const {
    double def = 13.5;
    walkSubstream(wb.stream, sheets[sheet].entry.bof, [&](const Record& r) {
        if (r.id == kRecRow) return false;
        if (r.id == kRecDefaultRowHeight && r.length >= 4) def = r.u16(2) / 20.0;
        return true;
    });
    RowPlace place;
    if (!findRow(sheet, row, place)) return def;
    Record r;
    if (wb.stream.at(place.rowRecord, r) != Next::Ok) return def;
    return (r.u16(6) & 0x7FFF) / 20.0;
}

void ReadBook::usedRange(int sheet, int& cols, int& rows) const {
    cols = rows = 0;
    walkSubstream(wb.stream, sheets[sheet].entry.bof, [&](const Record& r) {
        if (r.id != kRecDimensions) return true;
        if (wb.biff8) {
            rows = static_cast<int>(std::min<uint32_t>(r.u32(4), 65536));
            cols = r.u16(10);
        } else {
            rows = r.u16(2);
            cols = r.u16(6);
        }
        return false;
    });
}


namespace {

// Sequential reading state: the item of a MULRK / MULBLANK record being delivered.
struct SeqState {
    int book = -1, sheet = -1;
    long record = -1;
    int item = 0;
} g_seq;

const char* errorText(unsigned code) {
    switch (code) {
    case 0x00: return "#NULL! ";
    case 0x07: return "#DIV/0!";
    case 0x0F: return "#VALUE!";
    case 0x17: return "#REF!  ";
    case 0x1D: return "#NAME? ";
    case 0x24: return "#NUM!  ";
    default: return "#N/A   ";
    }
}

void deliverRk(uint32_t rk, SeqCell& out) {
    if ((rk & 3) == 2) {
        out.kind = 3;
        out.whole = static_cast<int32_t>(rk) >> 2;
        out.number = out.whole;
    } else {
        out.kind = 2;
        out.number = decodeRk(rk);
    }
}

}  // namespace

long readSequential(ReadBook& rb, int book, int sheet, long pos, SeqCell& out) {
    const RecordStream& s = rb.wb.stream;
    const std::size_t bof = rb.sheets[sheet].entry.bof;
    if (g_seq.book != book || g_seq.sheet != sheet) g_seq = SeqState{book, sheet, -1, 0};
    std::size_t p = pos < 0 ? bof : std::size_t(pos);
    if (p < bof) p += bof;
    for (;;) {
        Record r;
        Next n = s.at(p, r);
        if (n != Next::Ok) return -1;
        const std::size_t after = p + 4 + r.length;
        if (r.id == kRecEof) return 0;
        out = SeqCell{};
        out.row = r.u16(0);
        out.col = r.u16(2);
        out.attr = r.u16(4);
        switch (r.id) {
        case kRecBlank:
            out.kind = 0;
            return long(after);
        case kRecMulRk:
        case kRecMulBlank: {
            const std::size_t each = r.id == kRecMulRk ? 6 : 2;
            const int items = r.length >= 6 ? int((r.length - 6) / each) : 0;
            if (items <= 0) break;
            if (g_seq.record != long(p)) {
                g_seq.record = long(p);
                g_seq.item = 0;
            }
            const int k = std::min(g_seq.item, items - 1);
            out.col = r.u16(2) + k;
            out.attr = r.u16(4 + each * std::size_t(k));
            if (r.id == kRecMulRk) deliverRk(r.u32(4 + 6 * std::size_t(k) + 2), out);
            else out.kind = 0;
            if (k + 1 >= items) {
                g_seq.record = -1;
                g_seq.item = 0;
                return long(after);
            }
            g_seq.item = k + 1;
            return long(p);
        }
        case kRecNumber:
            out.kind = 2;
            out.number = r.f64(6);
            return long(after);
        case kRecRk:
            deliverRk(r.u32(6), out);
            return long(after);
        case kRecBoolErr:
            out.kind = 1;
            out.text = r.u8(7) ? errorText(r.u8(6)) : (r.u8(6) ? "TRUE " : "FALSE");
            return long(after);
        case kRecLabel:
        case kRecRString:
        case kRecLabelSst:
        case kRecFormula:
        case kRecFormulaOld: {
            CellValue v;
            if (!rb.cellValue(r, out.col, after, v)) break;
            if (v.kind == 1) {
                out.kind = 1;
                out.text = std::move(v.text);
            } else if (v.kind == 0) {
                out.kind = 2;
                out.number = v.number;
            } else {
                out.kind = 1;
                if (r.u8(6) == 1) out.text = r.u8(8) ? "TRUE " : "FALSE";
                else out.text = errorText(r.u8(8));
            }
            return long(after);
        }
        default:
            break;
        }
        p = after;
    }
}

}  // namespace celvane::read

using namespace celvane;
using celvane::read::ReadBook;
using celvane::read::lookupReading;

int celvane::read::lookupReading(int book, ReadBook** out) {
    Book* b;
    int rc = lookupBook(book, &b);
    if (rc) return rc;
    if (!b->reading || !b->reader) return kErrMode;
    *out = static_cast<ReadBook*>(b->reader.get());
    return kOk;
}

extern "C" {

int XM_ReadOpen(const char* file) {
    if (!file || !*file) return kErrFile;
    auto rb = std::make_shared<ReadBook>();
    if (read::openWorkbookFile(file, rb->wb) != read::OpenResult::Ok) return kErrFile;
    rb->scanGlobals();
    std::unique_ptr<Book> b(new (std::nothrow) Book);
    if (!b) return kErrFile;
    b->biff8 = rb->wb.biff8;
    b->file = file;
    b->reading = true;
    b->stored = true;
    b->reader = rb;
    return installBook(std::move(b));
}

int XM_ReadClose(int book) {
    ReadBook* rb;
    int rc = lookupReading(book, &rb);
    if (rc) return rc == kErrMode ? kErrBook : rc;
    freeBook(book);
    return kOk;
}

int XM_Read(int book, int sheet, int col, int row, int* kind, double* value, char* text, int size) {
    if (text && size > 0) text[0] = '\0';
    ReadBook* rb;
    int rc = lookupReading(book, &rb);
    if (rc) return rc;
    if (sheet < 0 || sheet >= int(rb->sheets.size())) return kErrParam;
    if (col < 0 || row < 0) return kErrKind;
    read::CellValue v;
    if (!rb->readCell(sheet, col, row, v)) return kErrKind;
    if (kind) *kind = v.kind;
    if (v.kind == 1) {
        copyCallerText(rb->toCaller(v.text), text, size);
    } else if (value) {
        *value = v.number;
    }
    return kOk;
}

int XM_GetSheetName(int book, int sheet, char* name, int size) {
    if (name && size > 0) name[0] = '\0';
    ReadBook* rb;
    if (lookupReading(book, &rb)) return kErrFile;
    if (sheet < 0) return kErrFile;
    if (sheet >= int(rb->sheets.size())) return 1;
    copyCallerText(rb->toCaller(rb->sheets[sheet].name), name, size);
    return kOk;
}

int XM_GetColWidth(int book, int sheet, int col) {
    ReadBook* rb;
    int rc = lookupReading(book, &rb);
    if (rc) return rc == kErrMode ? rc : kErrNotOpen;
    if (sheet < 0) return kErrParam;
    if (sheet >= int(rb->sheets.size())) return 1;
    return rb->colWidth(sheet, col);
}

double XM_GetRowHeight(int book, int sheet, int row) {
    ReadBook* rb;
    if (lookupReading(book, &rb)) return 0.0;
    if (sheet < 0 || sheet >= int(rb->sheets.size())) return 0.0;
    return rb->rowHeight(sheet, row);
}

int XM_GetMaxData(int book, int sheet, int* cols, int* rows) {
    if (cols) *cols = 0;
    if (rows) *rows = 0;
    ReadBook* rb;
    if (lookupReading(book, &rb)) return kErrFile;
    if (sheet < 0) return kErrFile;
    if (sheet >= int(rb->sheets.size())) return 1;
    int c, r;
    rb->usedRange(sheet, c, r);
    if (cols) *cols = c;
    if (rows) *rows = r;
    return kOk;
}

}  // extern "C"
