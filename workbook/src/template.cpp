// Books made from a template workbook (XM_CreateT) and rewriting an existing book
// (XM_Open / XM_OpenClose). The template's stream is read through the bounds-checked
// record reader; everything taken from it is checked against the record's length, so
// a damaged template gives -5001 or loses the damaged part, never more.
#include "internal.h"
#include "template_records.h"

#include <base/text.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <new>
#include <system_error>

namespace celvane {

int createBook(const char* file, int sheets, bool biff8);  // book.cpp

namespace {

constexpr int kErrTemplate = -5001;

using tmplread::RecordView;

struct Bytes {
    const uint8_t* p;
    std::size_t n;
    unsigned u16(std::size_t at) const { return at + 2 <= n ? tmplread::rd16(p + at) : 0; }
};

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

// Reads a BIFF8 string at `pos` of joined record data; a CONTINUE boundary inside the
// characters carries a new option byte. False when the data ends early.
bool readBiff8String(const tmplread::JoinedRecord& j, std::size_t& pos, bool wideCount, U16& out) {
    const std::string& d = j.data;
    auto byte = [&](std::size_t at) { return static_cast<unsigned char>(d[at]); };
    std::size_t need = wideCount ? 3 : 2;
    if (pos + need > d.size()) return false;
    unsigned count = wideCount ? byte(pos) | byte(pos + 1) << 8 : byte(pos);
    pos += wideCount ? 2 : 1;
    unsigned opt = byte(pos++);
    std::size_t runs = 0, ext = 0;
    if (opt & 0x08) {
        if (pos + 2 > d.size()) return false;
        runs = byte(pos) | byte(pos + 1) << 8;
        pos += 2;
    }
    if (opt & 0x04) {
        if (pos + 4 > d.size()) return false;
        ext = byte(pos) | byte(pos + 1) << 8 | byte(pos + 2) << 16 | static_cast<std::size_t>(byte(pos + 3)) << 24;
        pos += 4;
    }
    out.clear();
    bool wide = opt & 1;
    std::size_t piece = 1;
    while (piece < j.pieces.size() && j.pieces[piece] <= pos) ++piece;
    while (out.size() < count) {
        if (piece < j.pieces.size() && pos == j.pieces[piece]) {
            if (pos >= d.size()) return false;
            wide = byte(pos++) & 1;
            ++piece;
        }
        if (pos + (wide ? 2 : 1) > d.size()) return false;
        out.push_back(static_cast<char16_t>(wide ? byte(pos) | byte(pos + 1) << 8 : byte(pos)));
        pos += wide ? 2 : 1;
    }
    pos += runs * 4 + ext;
    return pos <= d.size();
}

// A sheet name from a BOUNDSHEET as CP932 bytes.
std::string sheetNameCp932(const tmplread::SheetEntry& e, bool biff8) {
    if (!biff8) return e.rawName;
    U16 u;
    if (e.wide) {
        for (std::size_t i = 0; i + 1 < e.rawName.size(); i += 2)
            u.push_back(static_cast<char16_t>(static_cast<unsigned char>(e.rawName[i]) |
                                              static_cast<unsigned char>(e.rawName[i + 1]) << 8));
    } else {
        for (char c : e.rawName) u.push_back(static_cast<unsigned char>(c));
    }
    return cp932(utf16ToUtf8(u));
}

// Whether a stored cell text (CP932 for BIFF5, encoded form for BIFF8) is a marker.
bool isMarker(std::string_view text) { return text.size() >= 2 && text[0] == '*' && text[1] == '*'; }

struct Loader {
    Book& b;
    const std::vector<uint8_t>& stream;
    bool keepMarkers;
    std::vector<long> sstMap;      // template string index -> the book's index
    std::vector<std::string> sstText;  // template strings as CP932 (for markers)
    int xfCount = 0;

    bool globals();
    void sheet(int index, std::size_t bof);
    void addCell(Sheet& s, int sheetNo, int row, const Cell& c, std::string_view text);
};

bool Loader::globals() {
    tmplread::RecordReader r(stream);
    RecordView rec;
    if (!r.next(rec) || !tmplread::isBof(rec.id)) return false;
    while (r.next(rec)) {
        if (rec.id == tmplread::kRecEof) return true;
        std::string data(reinterpret_cast<const char*>(rec.data), rec.length);
        switch (rec.id) {
        case 0x0031:  // FONT
            b.globals[Book::Fonts].add(rec.id, data);
            break;
        case 0x041E: {  // FORMAT: user formats are numbered past the template's
            if (rec.length >= 2) {
                int index = static_cast<int>(tmplread::rd16(rec.data));
                if (index + 1 > b.nextFormat) b.nextFormat = index + 1;
            }
            b.globals[Book::Formats].add(rec.id, data);
            break;
        }
        case 0x00E0:  // XF
            b.globals[Book::Xfs].add(rec.id, data);
            ++xfCount;
            break;
        case 0x0293:  // STYLE
            b.globals[Book::Styles].add(rec.id, data);
            break;
        case 0x0092:  // PALETTE
            b.globals[Book::Palette].add(rec.id, data);
            break;
        case tmplread::kRecSst: {
            if (!b.biff8) break;
            tmplread::JoinedRecord j;
            if (!tmplread::joinContinue(r, rec, j)) return false;
            std::size_t pos = 8;
            uint32_t unique = j.data.size() >= 8 ? tmplread::rd32(reinterpret_cast<const uint8_t*>(j.data.data()) + 4) : 0;
            U16 text;
            // The count is not trusted: the strings end where the data ends.
            for (uint32_t i = 0; i < unique && readBiff8String(j, pos, true, text); ++i) {
                long idx = b.sst.add(encodeU16(text));
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
    return false;
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

void Loader::sheet(int index, std::size_t bof) {
    Sheet& s = *b.sheets[index];
    bool pendingString = false;  // a FORMULA whose STRING record follows
    int formulaRow = 0, formulaCol = 0;
    std::string formulaData;
    int depth = 0;
    tmplread::walkSubstream(stream, bof, [&](const RecordView& rec) {
        // Records of a nested substream (a chart object) are left out.
        if (tmplread::isBof(rec.id)) ++depth;
        if (depth > 0) {
            if (rec.id == tmplread::kRecEof) --depth;
            return true;
        }
        Bytes d{rec.data, rec.length};
        if (pendingString && rec.id != tmplread::kRecString) {
            insertCell(s, formulaRow, makeArena(s, formulaCol, formulaCol, kFormula, tmplread::rd16(
                reinterpret_cast<const uint8_t*>(formulaData.data()) + 4), formulaData.substr(6)));
            pendingString = false;
        }
        auto cellXf = [&] { return static_cast<int>(d.u16(4)); };
        auto okXf = [&](int xf) { return xf < xfCount; };
        int row = static_cast<int>(d.u16(0));
        int col = static_cast<int>(d.u16(2));
        bool place = rec.length >= 6 && col < 256 && row < b.rowLimit;
        switch (rec.id) {
        case kNumber:
        case kRk:
        case kBoolErr:
        case kBlank: {
            std::size_t len = rec.id == kNumber ? 8 : rec.id == kRk ? 4 : rec.id == kBoolErr ? 2 : 0;
            if (!place || rec.length < 6 + len || !okXf(cellXf())) break;
            uint64_t v = 0;
            for (std::size_t i = 0; i < len; ++i) v |= static_cast<uint64_t>(rec.data[6 + i]) << (8 * i);
            insertCell(s, row, makeInline(col, rec.id, cellXf(), v, static_cast<int>(len)));
            break;
        }
        case kLabelSst: {
            if (!place || rec.length < 10 || !okXf(cellXf())) break;
            uint32_t i = tmplread::rd32(rec.data + 6);
            if (i >= sstMap.size()) break;
            std::string v;
            put32(v, static_cast<uint32_t>(sstMap[i]));
            uint64_t iv = static_cast<uint32_t>(sstMap[i]);
            addCell(s, index, row, makeInline(col, kLabelSst, cellXf(), iv, 4), sstText[i]);
            break;
        }
        case kLabel: {
            if (!place || rec.length < 8 || !okXf(cellXf())) break;
            std::string cell(reinterpret_cast<const char*>(rec.data) + 6, rec.length - 6);
            std::string text;
            if (b.biff8) {
                tmplread::JoinedRecord j;
                j.data = cell;
                j.pieces = {0};
                std::size_t pos = 0;
                U16 u;
                if (!readBiff8String(j, pos, true, u)) break;
                text = cp932(utf16ToUtf8(u));
                long idx = b.sst.add(encodeU16(u));
                if (idx < 0) break;
                addCell(s, index, row, makeInline(col, kLabelSst, cellXf(), static_cast<uint32_t>(idx), 4), text);
            } else {
                unsigned n = d.u16(6);
                if (8 + n > rec.length) break;
                text.assign(cell, 2, n);
                addCell(s, index, row, makeArena(s, col, col, kLabel, cellXf(), cell), text);
            }
            break;
        }
        case kMulRk:
        case kMulBlank: {
            std::size_t item = rec.id == kMulRk ? 6 : 2;
            if (!place || rec.length < 6 + item) break;
            std::size_t items = (rec.length - 6) / item;
            int last = col + static_cast<int>(items) - 1;
            if (last > 255 || static_cast<int>(d.u16(rec.length - 2)) != last) break;
            bool good = true;
            for (std::size_t i = 0; i < items; ++i) good = good && okXf(static_cast<int>(d.u16(4 + i * item)));
            if (!good) break;
            std::string_view data(reinterpret_cast<const char*>(rec.data) + 4, items * item);
            if (items == 1) {
                uint64_t v = rec.id == kMulRk ? tmplread::rd32(rec.data + 8) : 0;
                insertCell(s, row, makeInline(col, rec.id == kMulRk ? kRk : kBlank, d.u16(4), v, rec.id == kMulRk ? 4 : 0));
            } else {
                insertCell(s, row, makeArena(s, col, last, rec.id, 0, data));
            }
            break;
        }
        case kFormula: {
            if (!place || rec.length < 22 || !okXf(cellXf())) break;
            unsigned tokenLen = d.u16(20);
            bool shared = (d.u16(14) & 0x0008) || (tokenLen >= 1 && rec.data[22] == 0x01);
            if (shared || 22 + tokenLen > rec.length) {
                // A shared or array formula refers to records the writer does not keep:
                // its cached number stands in for it.
                if (rec.data[12] == 0xFF && rec.data[13] == 0xFF) break;
                uint64_t v = 0;
                for (int i = 0; i < 8; ++i) v |= static_cast<uint64_t>(rec.data[6 + i]) << (8 * i);
                insertCell(s, row, makeInline(col, kNumber, cellXf(), v, 8));
                break;
            }
            std::string data(reinterpret_cast<const char*>(rec.data), rec.length);
            if (rec.data[6] == 0 && rec.data[12] == 0xFF && rec.data[13] == 0xFF) {
                formulaData = data;  // a text result: its STRING record follows
                formulaRow = row;
                formulaCol = col;
                pendingString = true;
                break;
            }
            insertCell(s, row, makeArena(s, col, col, kFormula, cellXf(), std::string_view(data).substr(6)));
            break;
        }
        case tmplread::kRecString:
            if (pendingString) {
                std::string_view f(formulaData);
                insertCell(s, formulaRow, makeArena(s, formulaCol, formulaCol, kFormula,
                                                    tmplread::rd16(reinterpret_cast<const uint8_t*>(f.data()) + 4), f.substr(6),
                                                    std::string_view(reinterpret_cast<const char*>(rec.data), rec.length)));
                pendingString = false;
            }
            break;
        case kRow:
            if (rec.length >= 16 && row < b.rowLimit) {
                RowDesc rd;
                rd.heightTwips = static_cast<uint16_t>(d.u16(6) & 0x7FFF);
                rd.options = static_cast<uint16_t>(d.u16(12));
                s.rowDescs[static_cast<uint16_t>(row)] = rd;
            }
            break;
        case kColInfo:
            if (rec.length >= 10) {
                ColInfo ci;
                ci.first = static_cast<uint16_t>(d.u16(0));
                ci.last = static_cast<uint16_t>(d.u16(2));
                ci.width = static_cast<uint16_t>(d.u16(4));
                ci.xf = static_cast<uint16_t>(d.u16(6));
                ci.options = static_cast<uint16_t>(d.u16(8));
                if (ci.first <= ci.last && ci.last < 256 && okXf(ci.xf)) s.colInfos.push_back(ci);
            }
            break;
        case 0x0055:  // DEFCOLWIDTH
            if (rec.length >= 2) s.defColWidth = static_cast<int>(d.u16(0));
            break;
        case 0x0225:  // DEFAULTROWHEIGHT
            if (rec.length >= 4) {
                s.defRowFlags = static_cast<uint16_t>(d.u16(0));
                s.defRowHeight = static_cast<uint16_t>(d.u16(2));
            }
            break;
        case 0x0099:  // STANDARDWIDTH
            if (rec.length >= 2) s.standardWidth = static_cast<uint16_t>(d.u16(0));
            break;
        case 0x0081:  // WSBOOL
            if (rec.length >= 2) s.fitToPage = d.u16(0) & 0x0100;
            break;
        case 0x0014:  // HEADER
        case 0x0015:  // FOOTER
            s.headerFooter.add(rec.id, std::string(reinterpret_cast<const char*>(rec.data), rec.length));
            break;
        case 0x0026: case 0x0027: case 0x0028: case 0x0029:
            if (rec.length >= 8) s.margins[rec.id - 0x0026] = tmplread::rdDouble(rec.data);
            break;
        case 0x00A1:  // SETUP
            if (rec.length >= 34) std::memcpy(s.setup.data(), rec.data, 34);
            break;
        case 0x023E:  // WINDOW2
            if (rec.length >= 2) s.grid = (d.u16(0) & 0x0002) ? 1 : 0;
            break;
        case kMergedCells:
            if (rec.length >= 2) {
                unsigned n = d.u16(0);
                for (unsigned i = 0; i < n && 2 + i * 8 + 8 <= rec.length; ++i) {
                    std::array<uint16_t, 4> a{};
                    for (int k = 0; k < 4; ++k) a[k] = static_cast<uint16_t>(d.u16(2 + i * 8 + k * 2));
                    if (a[0] <= a[1] && a[2] <= a[3] && a[3] < 256) s.merged.push_back(a);
                }
            }
            break;
        case 0x005D:  // OBJ
        case 0x01B6:  // TXO
        case 0x00EC:  // MSODRAWING
        case 0x001C:  // NOTE
        case 0x00E9:  // BITMAP
            // Drawing objects need the book's drawing group, which is not carried:
            // they are left out rather than written as dangling references.
            break;
        default:
            break;
        }
        return true;
    });
    if (pendingString)
        insertCell(s, formulaRow, makeArena(s, formulaCol, formulaCol, kFormula,
                                            tmplread::rd16(reinterpret_cast<const uint8_t*>(formulaData.data()) + 4),
                                            std::string_view(formulaData).substr(6)));
}

struct Rewrite {
    bool used = false;
    std::string target;   // the file to be replaced at XM_OpenClose
    std::string stored;   // where the book is stored: tells a stale entry from this book's
};
Rewrite g_rewrites[kSlots];
int g_tempCounter = 0;

}  // namespace

// Makes a book at `file` from the template's stream. -5001 when the template is no
// workbook; the book number otherwise.
int createFromTemplate(const char* file, const char* templ, bool keepMarkers) {
    if (!file || !*file || !templ) return kErrTemplate;
    std::vector<uint8_t> stream;
    tmplread::StreamKind kind = tmplread::StreamKind::None;
    if (tmplread::loadWorkbookStream(templ, stream, kind) != tmplread::LoadResult::Ok) return kErrTemplate;
    bool biff8 = kind == tmplread::StreamKind::Workbook;
    std::vector<tmplread::SheetEntry> entries;
    if (!tmplread::readBoundSheets(stream, biff8, entries) || entries.empty() ||
        entries.size() > static_cast<std::size_t>(kMaxSheets))
        return kErrTemplate;
    int slot = createBook(file, static_cast<int>(entries.size()) + 30000, biff8);
    if (slot < 0) return slot;
    Book* b = nullptr;
    lookupBook(slot, &b);
    try {
        Loader l{*b, stream, keepMarkers, {}, {}, 0};
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
            if (s.type == 0) l.sheet(static_cast<int>(i), entries[i].bofOffset);
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
        g_rewrites[slot] = Rewrite{true, std::string(), file};
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
    if (rc) return kErrBook;
    if (!rw.target.empty()) {
        std::error_code ec;
        std::filesystem::copy_file(stored, rw.target, std::filesystem::copy_options::overwrite_existing, ec);
        std::filesystem::remove(stored, ec);
        if (!std::filesystem::exists(rw.target) || ec) return kErrBook;
    }
    return kOk;
}

}  // extern "C"
