// Engine books: the slot table, creating a book, releasing it.
#include "internal.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace celvane {

void installDefaultTables(Book& b);  // format.cpp

namespace {

Book* g_slots[kSlots] = {};

std::string hex(const char* s) {
    std::string out;
    while (*s) {
        while (*s == ' ') ++s;
        if (!*s) break;
        out.push_back(static_cast<char>(std::strtoul(std::string(s, 2).c_str(), nullptr, 16)));
        s += 2;
    }
    return out;
}

void addWindow1(RecordList& l, unsigned x, unsigned y, unsigned w, unsigned h) {
    std::string d;
    for (unsigned v : {x, y, w, h, 0x0038u, 0u, 0u, 1u, 600u}) put16(d, v);
    l.add(0x003D, d);
}

const char kUserName[] = "celvane";

void fillHeadBiff5(Book& b) {
    RecordList& l = b.globals[Book::Head];
    l.add(0x0809, hex("00 05 05 00 31 0C CA 07"));
    l.addEmpty(0x00E1);
    l.add16(0x00C1, 0);
    l.addEmpty(0x00BF);
    l.add(0x00A4, hex("01 00 10 0F 00 00"));
    l.addEmpty(0x00C0);
    l.addEmpty(0x00E2);
    std::string wa(54, '\0');
    wa[0] = static_cast<char>(std::strlen(kUserName));
    std::memcpy(&wa[1], kUserName, std::strlen(kUserName));
    l.add(0x005C, wa);
    l.add16(0x0042, 932);
    std::string tab;
    for (int i = 0; i < b.sheetCount(); ++i) put16(tab, i);
    l.add(0x013D, tab);
    l.add(0x00EA, hex("FF FF"));
    l.add16(0x009C, 14);
    l.add16(0x0019, 0);
    l.add16(0x0012, 0);
    l.add16(0x0013, 0);
    addWindow1(l, 480, 60, 12345, 6060);
    l.add16(0x0040, 0);
    l.add16(0x008D, 0);
    l.add16(0x0022, 0);
    l.add16(0x000E, 1);
    l.add16(0x00DA, 0);
}

void fillHeadBiff8(Book& b) {
    RecordList& l = b.globals[Book::Head];
    l.add(0x0809, hex("00 06 05 00 91 0E CC 07 41 00 00 00 06 00 00 00"));
    l.add16(0x00E1, 1200);
    l.add16(0x00C1, 0);
    l.addEmpty(0x00E2);
    std::string wa;
    put16(wa, static_cast<unsigned>(std::strlen(kUserName)));
    put8(wa, 0);
    wa.append(kUserName);
    wa.resize(112, ' ');
    l.add(0x005C, wa);
    l.add16(0x0042, 1200);
    l.add16(0x0161, 0);
    std::string tab;
    for (int i = 0; i < b.sheetCount(); ++i) put16(tab, i + 1);
    l.add(0x013D, tab);
    l.add16(0x009C, 14);
    l.add16(0x0019, 0);
    l.add16(0x0012, 0);
    l.add16(0x0013, 0);
    l.add16(0x01AF, 0);
    l.add16(0x01BC, 0);
    addWindow1(l, 240, 45, 14955, 7425);
    l.add16(0x0040, 0);
    l.add16(0x008D, 0);
    l.add16(0x0022, 0);
    l.add16(0x000E, 1);
    l.add16(0x01B7, 0);
    l.add16(0x00DA, 0);
}

// Checks that a file can be created beside the target, so that a book which could
// never be stored is refused when it is created. The book itself is stored through a
// temporary file of its own when it is closed.
bool createTemp(Book& b) {
    std::string dir = ".";
    std::string::size_type slash = b.file.rfind('/');
    if (slash != std::string::npos) dir = slash == 0 ? "/" : b.file.substr(0, slash);
    std::string tmpl = (dir == "/" ? std::string() : dir) + "/.celvane-XXXXXX";
    std::vector<char> buf(tmpl.begin(), tmpl.end());
    buf.push_back('\0');
    int fd = mkstemp(buf.data());
    if (fd < 0) return false;
    close(fd);
    unlink(buf.data());
    return true;
}

}  // namespace

Sheet* newSheet(int number) {
    auto* s = new Sheet;
    s->name = "Sheet" + std::to_string(number);
    std::string setup;
    for (unsigned v : {9u, 100u, 1u, 1u, 1u, 0x0002u, 0u, 0u}) put16(setup, v);
    putDouble(setup, 0.5);
    putDouble(setup, 0.5);
    put16(setup, 1);
    std::memcpy(s->setup.data(), setup.data(), 34);
    s->margins[0] = s->margins[1] = 20 / 25.4;
    s->margins[2] = s->margins[3] = 25 / 25.4;
    return s;
}

int createBook(const char* file, int sheets, bool biff8) {
    bool noDefaults = false;
    if (sheets > 30000) {
        sheets -= 30000;
        noDefaults = true;
    }
    if (sheets < 1) sheets = biff8 ? 3 : 16;
    if (sheets > kMaxSheets) sheets = kMaxSheets;
    if (!file || !*file) return kErrFile;
    int slot = 0;
    while (slot < kSlots && g_slots[slot]) ++slot;
    if (slot == kSlots) return kErrFile;
    std::unique_ptr<Book> b(new (std::nothrow) Book);
    if (!b) return kErrFile;
    b->biff8 = biff8;
    b->rowLimit = biff8 ? 65536 : 16384;
    b->file = file;
    if (!createTemp(*b)) return kErrFile;
    b->formulaBuffer.assign(kFormulaBufferSize, 0);
    b->defFontName = cp932(biff8 ? "ＭＳ Ｐゴシック" : "明朝");
    b->defFontSize = 11.0;
    for (int i = 0; i < sheets; ++i) b->sheets.emplace_back(newSheet(i + 1));
    if (biff8) fillHeadBiff8(*b);
    else fillHeadBiff5(*b);
    if (!noDefaults) installDefaultTables(*b);
    b->globals[Book::End].addEmpty(kEof);
    g_slots[slot] = b.release();
    return slot;
}

int installBook(std::unique_ptr<Book> b) {
    int slot = 0;
    while (slot < kSlots && g_slots[slot]) ++slot;
    if (slot == kSlots || !b) return kErrFile;
    g_slots[slot] = b.release();
    return slot;
}

int lookupBook(int book, Book** out) {
    if (book < 0 || book >= kSlots) return kErrBook;
    if (!g_slots[book]) return kErrNotOpen;
    *out = g_slots[book];
    return kOk;
}

int lookupSheet(int book, int sheet, Book** b, Sheet** s) {
    int rc = lookupBook(book, b);
    if (rc) return rc;
    if (sheet < 0 || sheet >= (*b)->sheetCount()) return kErrSheet;
    *s = (*b)->sheets[sheet].get();
    return kOk;
}

int checkPlace(int book, int sheet, int col, int row, Book** b, Sheet** s) {
    if (col < 0 || col > 255 || row < 0 || row > 65535) return kErrPlace;
    int rc = lookupSheet(book, sheet, b, s);
    if (rc) return rc;
    // A BIFF5 sheet has 16384 rows: a record beyond them would make the file invalid.
    if (row >= (*b)->rowLimit) return kErrPlace;
    return kOk;
}

void freeBook(int slot) {
    Book* b = g_slots[slot];
    if (!b) return;
    delete b;
    g_slots[slot] = nullptr;
    // The template-edit flag is process-wide; once no book is open it must not turn
    // the "**" texts of the next, unrelated book into empty cells.
    bool anyOpen = false;
    for (Book* other : g_slots) anyOpen = anyOpen || other;
    if (!anyOpen) g_templateEdit = false;
}

Row* Sheet::findRow(int row) {
    if (!rows.empty() && rows.back().index == row) return &rows.back();
    auto it = std::lower_bound(rows.begin(), rows.end(), row,
                               [](const Row& r, int v) { return r.index < v; });
    if (it != rows.end() && it->index == row) return &*it;
    return nullptr;
}

Row& Sheet::rowAt(int row) {
    if (rows.empty() || rows.back().index < row) {
        rows.push_back(Row{static_cast<uint16_t>(row), {}});
        return rows.back();
    }
    auto it = std::lower_bound(rows.begin(), rows.end(), row,
                               [](const Row& r, int v) { return r.index < v; });
    if (it != rows.end() && it->index == row) return *it;
    return *rows.insert(it, Row{static_cast<uint16_t>(row), {}});
}

// ---- shared strings ------------------------------------------------------------

namespace {
uint32_t hashBytes(std::string_view s) {
    uint32_t h = 2166136261u;
    for (unsigned char c : s) h = (h ^ c) * 16777619u;
    return h;
}
// Length of an encoded string (16-bit count, option byte, characters).
std::size_t encodedSize(const char* p) {
    unsigned count = static_cast<unsigned char>(p[0]) | static_cast<unsigned char>(p[1]) << 8;
    return 3 + count * ((p[2] & 1) ? 2 : 1);
}
}  // namespace

std::string_view SharedStrings::at(uint32_t i) const {
    uint32_t off = offsets_[i];
    const char* p = chunks_[off / kChunk].get() + off % kChunk;
    return std::string_view(p, encodedSize(p));
}

void SharedStrings::grow() {
    std::size_t size = table_.empty() ? 1024 : table_.size() * 2;
    std::vector<uint32_t> t(size, 0);
    for (uint32_t i = 0; i < offsets_.size(); ++i) {
        std::size_t h = hashBytes(at(i)) & (size - 1);
        while (t[h]) h = (h + 1) & (size - 1);
        t[h] = i + 1;
    }
    table_.swap(t);
}

long SharedStrings::add(std::string_view encoded) {
    try {
        if ((offsets_.size() + 1) * 2 > table_.size()) grow();
        std::size_t mask = table_.size() - 1;
        std::size_t h = hashBytes(encoded) & mask;
        while (uint32_t e = table_[h]) {
            if (at(e - 1) == encoded) {
                ++total_;
                return e - 1;
            }
            h = (h + 1) & mask;
        }
        if (encoded.size() > kChunk || offsets_.size() >= 0xFFFFFFFEu) return -1;
        // Strings live in fixed chunks, so the table grows without copying them.
        if (chunks_.empty() || used_ + encoded.size() > kChunk) {
            if ((chunks_.size() + 1) * static_cast<uint64_t>(kChunk) > 0xFFFFFFFFu) return -1;
            chunks_.emplace_back(new char[kChunk]);
            used_ = 0;
        }
        std::memcpy(chunks_.back().get() + used_, encoded.data(), encoded.size());
        offsets_.push_back(static_cast<uint32_t>((chunks_.size() - 1) * kChunk + used_));
        used_ += encoded.size();
        table_[h] = static_cast<uint32_t>(offsets_.size());
        ++total_;
        return static_cast<long>(offsets_.size() - 1);
    } catch (const std::bad_alloc&) {
        return -1;
    }
}

}  // namespace celvane

using namespace celvane;

extern "C" {

int XM_Create(const char* file, int sheets) { return createBook(file, sheets, false); }
int XM_Create97(const char* file, int sheets) { return createBook(file, sheets, true); }

int XM_Cancel(int book) {
    Book* b;
    int rc = lookupBook(book, &b);
    if (rc) return rc;
    freeBook(book);
    return kOk;
}

int XM_WriteBin(int book, int sheet, int recordNo, int length, const void* data) {
    Book* b;
    Sheet* s;
    int rc = lookupSheet(book, sheet, &b, &s);
    if (rc) return rc;
    // BIFF5 records hold at most 2080 bytes of data, BIFF8 records 8224.
    std::size_t limit = b->biff8 ? kMaxRecordData : 2080;
    if (recordNo < 0 || recordNo > 0xFFFF || length < 0 || static_cast<std::size_t>(length) > limit ||
        (length > 0 && !data))
        return kErrParam;
    try {
        s->tail.add(static_cast<uint16_t>(recordNo),
                    length ? std::string(static_cast<const char*>(data), length) : std::string());
    } catch (const std::bad_alloc&) {
        return kErrMemory;
    }
    return kOk;
}

}  // extern "C"
