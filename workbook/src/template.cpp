// Books made from a template workbook (XM_CreateT) and rewriting an existing book
// (XM_Open / XM_OpenClose). The template's stream is read through the bounds-checked
// record reader; everything taken from it is checked against the record's length, so
// a damaged template gives -5001 or loses the damaged part, never more.
#include "base/files.h"
#include "internal.h"
#include "read/records.h"

#include "formula/shared.h"

#include <base/text.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <new>
#include <system_error>

namespace celvane {

int createBook(const char* file, int sheets, bool biff8);  // book.cpp

namespace {

constexpr int kErrTemplate = -5001;

using read::Next;
using RecordView = read::Record;

enum : uint16_t {
    kRecStyle = 0x0293, kRecPalette = 0x0092,
    kRecExternCount = 0x0016, kRecExternSheet = 0x0017, kRecName = 0x0018, kRecExternName = 0x0023,
    kRecSupBook = 0x01AE, kRecDrawingGroup = 0x00EB, kRecShrFmla = 0x04BC, kRecArray = 0x0221,
    kRecTable = 0x0236, kRecRString = 0x00D6, kRecCodeName = 0x01BA, kRecGcw = 0x00AB,
};

inline unsigned rd16(const uint8_t* p) { return unsigned(p[0]) | unsigned(p[1]) << 8; }
inline uint32_t rd32(const uint8_t* p) { return rd16(p) | uint32_t(rd16(p + 2)) << 16; }

bool isBof(uint16_t id) { return id == 0x0009 || id == 0x0209 || id == 0x0409 || id == 0x0809; }

std::string bytesOf(const RecordView& r) { return std::string(reinterpret_cast<const char*>(r.data), r.length); }

// Template strings as UTF-16 code units.
using U16 = std::u16string;

std::string utf16ToUtf8(const U16& s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        uint32_t c = s[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            ++i;
        }
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | c >> 6));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | c >> 12));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | c >> 18));
            out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

// The writer's shared-string form: 16-bit count, option byte, characters.
std::string encodeU16(const U16& s) {
    bool narrow = true;
    for (char16_t c : s) narrow = narrow && c < 0x100;
    std::string out;
    put16(out, static_cast<unsigned>(s.size()));
    put8(out, narrow ? 0 : 1);
    for (char16_t c : s) narrow ? put8(out, c) : put16(out, c);
    return out;
}

// Record data joined with its CONTINUE records; `starts` holds where each CONTINUE's
// data begins, where a string's characters carry a new option byte.
struct Joined {
    std::vector<uint8_t> data;
    std::vector<std::size_t> starts;
};

// Reads a BIFF8 string at `pos` of joined record data. False when the data ends early.
bool readBiff8String(const Joined& j, std::size_t& pos, bool wideCount, U16& out) {
    const std::vector<uint8_t>& d = j.data;
    std::size_t need = wideCount ? 3 : 2;
    if (pos + need > d.size()) return false;
    unsigned count = wideCount ? rd16(&d[pos]) : d[pos];
    pos += wideCount ? 2 : 1;
    unsigned opt = d[pos++];
    std::size_t runs = 0, ext = 0;
    if (opt & 0x08) {
        if (pos + 2 > d.size()) return false;
        runs = rd16(&d[pos]);
        pos += 2;
    }
    if (opt & 0x04) {
        if (pos + 4 > d.size()) return false;
        ext = rd32(&d[pos]);
        pos += 4;
    }
    out.clear();
    bool wide = opt & 1;
    std::size_t piece = 0;
    while (piece < j.starts.size() && j.starts[piece] < pos) ++piece;
    while (out.size() < count) {
        if (piece < j.starts.size() && pos == j.starts[piece]) {
            if (pos >= d.size()) return false;
            wide = d[pos++] & 1;
            ++piece;
        }
        if (pos + (wide ? 2 : 1) > d.size()) return false;
        out.push_back(static_cast<char16_t>(wide ? rd16(&d[pos]) : d[pos]));
        pos += wide ? 2 : 1;
    }
    pos += runs * 4 + ext;
    return pos <= d.size();
}

// A sheet name from a BOUNDSHEET as CP932 bytes.
std::string sheetNameCp932(const read::SheetEntry& e, bool biff8) {
    if (!biff8) return e.rawName;
    U16 u;
    if (e.nameIsUtf16) {
        for (std::size_t i = 0; i + 1 < e.rawName.size(); i += 2)
            u.push_back(static_cast<char16_t>(static_cast<unsigned char>(e.rawName[i]) |
                                              static_cast<unsigned char>(e.rawName[i + 1]) << 8));
    } else {
        for (char c : e.rawName) u.push_back(static_cast<unsigned char>(c));
    }
    return cp932(utf16ToUtf8(u));
}

// Whether a stored cell text (CP932) is a marker.
bool isMarker(std::string_view text) { return text.size() >= 2 && text[0] == '*' && text[1] == '*'; }

// The sheet names of BIFF5 EXTERNSHEET records that refer to sheets of the same book
// (type byte 0x03), "/"-separated as formulas look them up; empty when any entry is of
// another kind.
std::string ownSheetList(const RecordList& refs) {
    std::string list;
    for (const Record& r : refs.items) {
        if (r.no != kRecExternSheet) continue;
        if (r.data.size() < 2 || static_cast<unsigned char>(r.data[1]) != 0x03) return {};
        const std::size_t n = static_cast<unsigned char>(r.data[0]);
        if (2 + n > r.data.size()) return {};
        std::string name = r.data.substr(2, n);
        if (name.empty() || name.size() > 32) return {};
        list += (list.empty() ? "" : "/") + name;
    }
    return list;
}

struct Loader {
    Book& b;
    const read::RecordStream& stream;
    bool keepMarkers;
    std::vector<long> sstMap;          // template string index -> the book's index
    std::vector<std::string> sstText;  // template strings as CP932 (for markers)
    int xfCount = 0;

    bool globals();
    void sheet(int index, std::size_t bof);

    // A FORMULA with a text result waits for the STRING record that follows it.
    struct Pending {
        bool waiting = false;
        int row = 0;
        std::string data;
    } pending_;

    bool joined(std::size_t pos, Joined& out, std::size_t& next) const;
    void addCell(Sheet& s, int sheetNo, int row, const Cell& c, std::string_view text);
    void addFormula(Sheet& s, const RecordView& rec, const std::map<uint32_t, std::string>& shared);
    void flushPending(Sheet& s, std::string_view stringData = {});
    std::map<uint32_t, std::string> sharedFormulas(std::size_t bof) const;
};

bool Loader::joined(std::size_t pos, Joined& out, std::size_t& next) const {
    uint16_t id = 0;
    std::vector<std::size_t> lengths;
    if (stream.joined(pos, id, out.data, lengths, next) != Next::Ok) return false;
    out.starts.clear();
    std::size_t at = 0;
    for (std::size_t len : lengths) {
        if (at) out.starts.push_back(at);
        at += len;
    }
    return true;
}

bool Loader::globals() {
    read::RecordCursor cur(stream, 0);
    RecordView rec;
    if (cur.next(rec) != Next::Ok || !isBof(rec.id)) return false;
    RecordList* continueTo = nullptr;  // where the CONTINUE records of the last record go
    for (;;) {
        const std::size_t at = cur.pos();
        if (cur.next(rec) != Next::Ok) return false;
        if (rec.id == read::kRecEof) return true;
        if (rec.id == read::kRecContinue) {
            if (continueTo) continueTo->add(rec.id, bytesOf(rec));
            continue;
        }
        continueTo = nullptr;
        switch (rec.id) {
        case read::kRecFont:
            b.globals[Book::Fonts].add(rec.id, bytesOf(rec));
            break;
        case read::kRecFormat:  // user formats are numbered past the template's
            if (rec.length >= 2 && static_cast<int>(rec.u16(0)) + 1 > b.nextFormat) b.nextFormat = rec.u16(0) + 1;
            b.globals[Book::Formats].add(rec.id, bytesOf(rec));
            break;
        case read::kRecXf:
            b.globals[Book::Xfs].add(rec.id, bytesOf(rec));
            ++xfCount;
            break;
        case kRecStyle:
            b.globals[Book::Styles].add(rec.id, bytesOf(rec));
            break;
        case kRecPalette:
            b.globals[Book::Palette].add(rec.id, bytesOf(rec));
            break;
        case kRecExternSheet:
            if (b.biff8) {
                // The entries join the book's table, which closing writes out again
                // together with the entries that new formulas add.
                Joined j;
                std::size_t next = 0;
                if (!joined(at, j, next)) return false;
                cur.seek(next);
                const unsigned n = j.data.size() >= 2 ? rd16(j.data.data()) : 0;
                for (unsigned i = 0; i < n && 2 + i * 6 + 6 <= j.data.size(); ++i) {
                    const uint8_t* e = j.data.data() + 2 + i * 6;
                    b.externSheets.push_back({static_cast<uint16_t>(rd16(e)), static_cast<uint16_t>(rd16(e + 2)),
                                              static_cast<uint16_t>(rd16(e + 4))});
                }
                break;
            }
            [[fallthrough]];
        case kRecSupBook:
        case kRecExternCount:
        case kRecExternName:
        case kRecName:
            b.globals[Book::References].add(rec.id, bytesOf(rec));
            continueTo = &b.globals[Book::References];
            break;
        case kRecDrawingGroup:
            if (b.biff8) {
                b.globals[Book::DrawingGroup].add(rec.id, bytesOf(rec));
                continueTo = &b.globals[Book::DrawingGroup];
            }
            break;
        case read::kRecSst: {
            if (!b.biff8) break;
            Joined j;
            std::size_t next = 0;
            if (!joined(at, j, next)) return false;
            cur.seek(next);
            std::size_t pos = 8;
            const uint32_t unique = j.data.size() >= 8 ? rd32(j.data.data() + 4) : 0;
            U16 text;
            // The count is not trusted: the strings end where the data ends.
            for (uint32_t i = 0; i < unique && readBiff8String(j, pos, true, text); ++i) {
                const long idx = b.sst.add(encodeU16(text));
                if (idx < 0) return false;
                sstMap.push_back(idx);
                sstText.push_back(cp932(utf16ToUtf8(text)));
            }
            break;
        }
        default:
            break;
        }
    }
}

void Loader::addCell(Sheet& s, int sheetNo, int row, const Cell& c, std::string_view text) {
    if (isMarker(text)) {
        b.variables.push_back(Variable{std::string(text), c.first, row, sheetNo, c.xf});
        if (!keepMarkers) {
            insertCell(s, row, makeInline(c.first, kBlank, c.xf, 0, 0));
            return;
        }
    }
    insertCell(s, row, c);
}

void Loader::flushPending(Sheet& s, std::string_view stringData) {
    if (!pending_.waiting) return;
    const std::string_view f(pending_.data);
    const int col = static_cast<int>(get16(pending_.data, 2));
    insertCell(s, pending_.row,
               makeArena(s, col, col, kFormula, static_cast<int>(get16(pending_.data, 4)), f.substr(6), stringData));
    pending_ = Pending{};
}

// The SHRFMLA records of a sheet by the first cell of their range (row << 8 | column);
// a record whose tokens run past its end is left out.
std::map<uint32_t, std::string> Loader::sharedFormulas(std::size_t bof) const {
    std::map<uint32_t, std::string> out;
    read::walkSubstream(stream, bof, [&](const RecordView& rec) {
        if (rec.id == kRecShrFmla && rec.length >= 10 && 10u + rec.u16(8) <= rec.length)
            out[static_cast<uint32_t>(rec.u16(0)) << 8 | rec.u8(4)] = bytesOf(rec);
        return true;
    });
    return out;
}

// Puts a FORMULA record into the cell list. A formula that uses a shared formula gets
// the shared tokens with their relative references moved to the cell; an array or table
// formula, or one whose tokens cannot be rebased, keeps its cached number.
void Loader::addFormula(Sheet& s, const RecordView& rec, const std::map<uint32_t, std::string>& shared) {
    const int row = rec.u16(0);
    const int col = rec.u16(2);
    const int xf = rec.u16(4);
    const unsigned tokenLen = rec.u16(20);
    if (22 + tokenLen > rec.length) return;
    std::string data = bytesOf(rec);
    if (tokenLen >= 5 && rec.data[22] == 0x01) {
        std::string tokens;
        bool expanded = false;
        auto it = shared.find(static_cast<uint32_t>(rec.u16(23)) << 8 | rec.u8(25));
        if (it != shared.end()) {
            const std::string& sh = it->second;
            const unsigned cce = get16(sh, 8);
            const bool inside = row >= static_cast<int>(get16(sh, 0)) && row <= static_cast<int>(get16(sh, 2)) &&
                                col >= static_cast<unsigned char>(sh[4]) && col <= static_cast<unsigned char>(sh[5]);
            expanded = inside && formula::expandSharedFormula(
                                     std::string_view(sh).substr(10), cce,
                                     b.biff8 ? formula::BiffVersion::Biff8 : formula::BiffVersion::Biff5, row, col,
                                     tokens);
            if (expanded) {
                data.resize(20);
                set16(data, 14, get16(data, 14) & ~0x0008u);  // the formula is the cell's own now
                put16(data, cce);
                data += tokens;
            }
        }
        if (!expanded) {
            if (rec.data[12] == 0xFF && rec.data[13] == 0xFF) return;  // no cached number to keep
            uint64_t v = 0;
            for (int i = 0; i < 8; ++i) v |= static_cast<uint64_t>(rec.data[6 + i]) << (8 * i);
            insertCell(s, row, makeInline(col, kNumber, xf, v, 8));
            return;
        }
    }
    if (rec.data[6] == 0 && rec.data[12] == 0xFF && rec.data[13] == 0xFF) {
        pending_ = Pending{true, row, std::move(data)};  // a text result: its STRING follows
        return;
    }
    insertCell(s, row, makeArena(s, col, col, kFormula, xf, std::string_view(data).substr(6)));
}

void Loader::sheet(int index, std::size_t bof) {
    Sheet& s = *b.sheets[index];
    const std::map<uint32_t, std::string> shared = sharedFormulas(bof);
    pending_ = Pending{};
    read::RecordCursor cur(stream, bof);
    RecordView rec;
    if (cur.next(rec) != Next::Ok || !isBof(rec.id)) return;
    RecordList* continueTo = nullptr;
    int depth = 0;  // inside a nested substream (a chart object): carried whole
    while (cur.next(rec) == Next::Ok) {
        if (depth > 0 || isBof(rec.id)) {
            if (isBof(rec.id)) ++depth;
            else if (rec.id == read::kRecEof) --depth;
            s.objects.add(rec.id, bytesOf(rec));
            continue;
        }
        if (rec.id == read::kRecEof) break;
        if (rec.id == read::kRecContinue) {
            if (continueTo) continueTo->add(rec.id, bytesOf(rec));
            continue;
        }
        continueTo = nullptr;
        if (pending_.waiting && rec.id != read::kRecString && rec.id != kRecShrFmla && rec.id != kRecArray &&
            rec.id != kRecTable)
            flushPending(s);
        auto cellXf = [&] { return static_cast<int>(rec.u16(4)); };
        auto okXf = [&](int xf) { return xf < xfCount; };
        const int row = static_cast<int>(rec.u16(0));
        const int col = static_cast<int>(rec.u16(2));
        const bool place = rec.length >= 6 && col < 256 && row < b.rowLimit;
        switch (rec.id) {
        case kNumber:
        case kRk:
        case kBoolErr:
        case kBlank: {
            const std::size_t len = rec.id == kNumber ? 8 : rec.id == kRk ? 4 : rec.id == kBoolErr ? 2 : 0;
            if (!place || rec.length < 6 + len || !okXf(cellXf())) break;
            uint64_t v = 0;
            for (std::size_t i = 0; i < len; ++i) v |= static_cast<uint64_t>(rec.data[6 + i]) << (8 * i);
            insertCell(s, row, makeInline(col, rec.id, cellXf(), v, static_cast<int>(len)));
            break;
        }
        case kLabelSst: {
            if (!place || rec.length < 10 || !okXf(cellXf())) break;
            const uint32_t i = rec.u32(6);
            if (i >= sstMap.size()) break;
            addCell(s, index, row, makeInline(col, kLabelSst, cellXf(), static_cast<uint32_t>(sstMap[i]), 4), sstText[i]);
            break;
        }
        case kLabel:
        case kRecRString: {  // a rich string keeps its text; its formatting runs are left out
            if (!place || rec.length < 8 || !okXf(cellXf())) break;
            if (b.biff8) {
                Joined j;
                j.data.assign(rec.data + 6, rec.data + rec.length);
                std::size_t pos = 0;
                U16 u;
                if (!readBiff8String(j, pos, true, u)) break;
                const long idx = b.sst.add(encodeU16(u));
                if (idx < 0) break;
                addCell(s, index, row, makeInline(col, kLabelSst, cellXf(), static_cast<uint32_t>(idx), 4),
                        cp932(utf16ToUtf8(u)));
            } else {
                const unsigned n = rec.u16(6);
                if (8 + n > rec.length) break;
                const std::string_view cell(reinterpret_cast<const char*>(rec.data) + 6, 2 + n);
                addCell(s, index, row, makeArena(s, col, col, kLabel, cellXf(), cell), cell.substr(2));
            }
            break;
        }
        case kMulRk:
        case kMulBlank: {
            const std::size_t item = rec.id == kMulRk ? 6 : 2;
            if (!place || rec.length < 6 + item) break;
            const std::size_t items = (rec.length - 6) / item;
            const int last = col + static_cast<int>(items) - 1;
            if (last > 255 || static_cast<int>(rec.u16(rec.length - 2)) != last) break;
            bool good = true;
            for (std::size_t i = 0; i < items; ++i) good = good && okXf(static_cast<int>(rec.u16(4 + i * item)));
            if (!good) break;
            const std::string_view data(reinterpret_cast<const char*>(rec.data) + 4, items * item);
            if (items == 1) {
                const uint64_t v = rec.id == kMulRk ? rec.u32(8) : 0;
                insertCell(s, row, makeInline(col, rec.id == kMulRk ? kRk : kBlank, rec.u16(4), v,
                                              rec.id == kMulRk ? 4 : 0));
            } else {
                insertCell(s, row, makeArena(s, col, last, rec.id, 0, data));
            }
            break;
        }
        case kFormula:
            if (place && rec.length >= 22 && okXf(cellXf())) addFormula(s, rec, shared);
            break;
        case read::kRecString:
            flushPending(s, std::string_view(reinterpret_cast<const char*>(rec.data), rec.length));
            break;
        case kRow:
            if (rec.length >= 16 && row < b.rowLimit) {
                RowDesc rd;
                rd.heightTwips = static_cast<uint16_t>(rec.u16(6) & 0x7FFF);
                rd.options = rec.u16(12);
                s.rowDescs[static_cast<uint16_t>(row)] = rd;
            }
            break;
        case kColInfo:
            if (rec.length >= 10) {
                ColInfo ci{rec.u16(0), rec.u16(2), rec.u16(4), rec.u16(6), rec.u16(8)};
                if (ci.first <= ci.last && ci.last < 256 && okXf(ci.xf)) s.colInfos.push_back(ci);
            }
            break;
        case read::kRecDefColWidth:
            if (rec.length >= 2) s.defColWidth = static_cast<int>(rec.u16(0));
            break;
        case read::kRecDefaultRowHeight:
            if (rec.length >= 4) {
                s.defRowFlags = rec.u16(0);
                s.defRowHeight = rec.u16(2);
            }
            break;
        case read::kRecStandardWidth:
            if (rec.length >= 2) s.standardWidth = rec.u16(0);
            break;
        case 0x0081:  // WSBOOL
            if (rec.length >= 2) s.fitToPage = rec.u16(0) & 0x0100;
            break;
        case 0x0014:  // HEADER
        case 0x0015:  // FOOTER
            s.headerFooter.add(rec.id, bytesOf(rec));
            break;
        case 0x001A:  // VERTICALPAGEBREAKS
        case 0x001B:  // HORIZONTALPAGEBREAKS
            s.pageBreaks.add(rec.id, bytesOf(rec));
            break;
        case 0x002A:  // PRINTHEADERS
            if (rec.length >= 2) s.printHeaders = rec.u16(0) & 1;
            break;
        case 0x002B:  // PRINTGRIDLINES
            if (rec.length >= 2) s.printGrid = rec.u16(0) & 1;
            break;
        case 0x0083:  // HCENTER
            if (rec.length >= 2) s.hCenter = rec.u16(0) & 1;
            break;
        case 0x0084:  // VCENTER
            if (rec.length >= 2) s.vCenter = rec.u16(0) & 1;
            break;
        case read::kRecLeftMargin:
        case read::kRecRightMargin:
        case read::kRecTopMargin:
        case read::kRecBottomMargin:
            if (rec.length >= 8) s.margins[rec.id - read::kRecLeftMargin] = rec.f64(0);
            break;
        case read::kRecSetup:
            if (rec.length >= 34) std::memcpy(s.setup.data(), rec.data, 34);
            break;
        case 0x023E:  // WINDOW2
            if (rec.length >= 2) s.grid = (rec.u16(0) & 0x0002) ? 1 : 0;
            break;
        case kMergedCells:
            if (rec.length >= 2) {
                const unsigned n = rec.u16(0);
                for (unsigned i = 0; i < n && 2 + i * 8 + 8 <= rec.length; ++i) {
                    std::array<uint16_t, 4> a{};
                    for (int k = 0; k < 4; ++k) a[k] = rec.u16(2 + i * 8 + k * 2);
                    if (a[0] <= a[1] && a[2] <= a[3] && a[3] < 256) s.merged.push_back(a);
                }
            }
            break;
        case kRecExternCount:  // the sheet's own references (BIFF5)
        case kRecExternSheet:
            if (!b.biff8) s.extRefs.add(rec.id, bytesOf(rec));
            break;
        case 0x005D:  // OBJ
        case 0x01B6:  // TXO
        case 0x00EC:  // MSODRAWING
        case 0x00ED:  // MSODRAWINGSELECTION
        case 0x001C:  // NOTE
        case 0x00E9:  // BITMAP
        case 0x007F:  // IMDATA
            // Drawings, pictures, text boxes and notes, in their order; the book's
            // drawing group they refer to is carried with the globals.
            s.objects.add(rec.id, bytesOf(rec));
            continueTo = &s.objects;
            break;
        case 0x01B0:  // CONDFMT
        case 0x01B1:  // CF
        case 0x01B8:  // HLINK
        case 0x0800:  // QUICKTIP
        case 0x01B2:  // DVAL
        case 0x01BE:  // DV
        case 0x015F:  // LABELRANGES
            s.templateMerged.add(rec.id, bytesOf(rec));
            continueTo = &s.templateMerged;
            break;
        case kRecCodeName:
            s.codeName = bytesOf(rec);
            break;
        case kRecGcw:
            if (rec.length == 34) s.gcw = bytesOf(rec);
            break;
        default:
            break;
        }
    }
    flushPending(s);
    if (!b.biff8 && !s.extRefs.items.empty()) s.refSheets = ownSheetList(s.extRefs);
}

struct Rewrite {
    bool used = false;
    std::string target;   // the file to be replaced at XM_OpenClose
    std::string stored;   // where the book is stored: tells a stale entry from this book's
    int readSlot = -1;    // the source opened for reading beside the book
};
Rewrite g_rewrites[kSlots];
int g_tempCounter = 0;

}  // namespace

// Makes a book at `file` from the template's stream. -5001 when the template is no
// workbook; the book number otherwise.
int createFromTemplate(const char* file, const char* templ, bool keepMarkers) {
    if (!file || !*file || !templ) return kErrTemplate;
    read::WorkbookStream wb;
    if (read::openWorkbookFile(templ, wb) != read::OpenResult::Ok) return kErrTemplate;
    const bool biff8 = wb.biff8;
    const std::vector<read::SheetEntry> entries = read::readSheetEntries(wb);
    if (entries.empty() || entries.size() > static_cast<std::size_t>(kMaxSheets)) return kErrTemplate;
    int slot = createBook(file, static_cast<int>(entries.size()) + 30000, biff8);
    if (slot < 0) return slot;
    Book* b = nullptr;
    lookupBook(slot, &b);
    try {
        Loader l{*b, wb.stream, keepMarkers, {}, {}, 0, {}};
        if (!l.globals() || l.xfCount < kFirstUserAttr) {
            XM_Cancel(slot);
            return kErrTemplate;
        }
        // The template's attributes above the fixed ones count as the book's own, so
        // that new attributes are numbered after them.
        for (int i = kFirstUserAttr; i < l.xfCount; ++i) b->userAttrs.push_back(defaultDesc());
        for (std::size_t i = 0; i < entries.size(); ++i) {
            Sheet& s = *b->sheets[i];
            std::string name = sheetNameCp932(entries[i], biff8);
            if (!name.empty() && name.size() <= 32) s.name = name;
            s.visibility = entries[i].visibility;
            s.type = entries[i].type;
            if (s.type == 0) l.sheet(static_cast<int>(i), entries[i].bof);
        }
    } catch (const std::bad_alloc&) {
        XM_Cancel(slot);
        return kErrMemory;
    }
    return slot;
}

}  // namespace celvane

using namespace celvane;

extern "C" {

int XM_CreateT(const char* file, const char* templateFile) {
    return createFromTemplate(file, templateFile, false);
}

int XM_Open(const char* file, const char* source) {
    if (!file || !*file) return kErrFile;
    int slot;
    if (!source || !*source) {
        // Rewriting in place: the book is stored in a temporary file first and copied
        // over the file when it is closed, so a failed store leaves the file as it was.
        char name[32];
        std::snprintf(name, sizeof name, "$$$XLS%02d.TMP", g_tempCounter++ % 100);
        std::error_code ec;
        std::filesystem::path tmp = std::filesystem::temp_directory_path(ec);
        if (ec) tmp = "/tmp";
        tmp /= name;
        slot = createFromTemplate(tmp.c_str(), file, true);
        if (slot < 0) return kErrFile;
        g_rewrites[slot] = Rewrite{true, file, tmp.string()};
    } else {
        slot = createFromTemplate(file, source, false);
        if (slot < 0) return kErrFile;
        // The source is also open for reading, so the caller can read its values
        // while filling the new book.
        int reading = XM_ReadOpen(source);
        if (reading < 0) {
            XM_Cancel(slot);
            return kErrFile;
        }
        g_rewrites[slot] = Rewrite{true, std::string(), file, reading};
    }
    g_templateEdit = true;
    return slot;
}

int XM_OpenClose(int book) {
    Book* b = nullptr;
    int rc = lookupBook(book, &b);
    if (rc) return rc;
    Rewrite rw = book >= 0 && book < kSlots ? g_rewrites[book] : Rewrite{};
    std::string stored = b->file;
    // A book closed with XM_Close leaves its entry behind; it is not this book's.
    if (!rw.used || rw.stored != stored) rw = Rewrite{};
    rc = XM_Close(book);
    if (book >= 0 && book < kSlots) g_rewrites[book] = Rewrite{};
    g_templateEdit = false;
    if (rw.readSlot >= 0 && XM_ReadClose(rw.readSlot) != 0) rc = kErrBook;
    if (rc) return kErrBook;
    if (!rw.target.empty()) {
        // Replaced through a temporary file beside it: a failed copy keeps the old book.
        bool copied = base::copyFile(stored, rw.target);
        std::error_code ec;
        std::filesystem::remove(stored, ec);
        if (!copied) return kErrBook;
    }
    return kOk;
}

}  // extern "C"
