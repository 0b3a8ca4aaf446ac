// Storing a book: the sheet records, row blocks, shared strings and the compound file.
#include "internal.h"

#include "base/files.h"

#include <gsf/gsf-infile.h>
#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-memory.h>
#include <gsf/gsf-utils.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <new>

namespace celvane {
namespace {

// Buffered record writer on top of the compound-file stream.
class StreamWriter {
public:
    explicit StreamWriter(GsfOutput* out) : out_(out) { buf_.reserve(kPage + kMaxRecordData + 64); }
    void record(uint16_t no, std::string_view data) {
        put16(buf_, no);
        put16(buf_, static_cast<unsigned>(data.size()));
        buf_.append(data);
        pos_ += 4 + data.size();
        if (buf_.size() >= kPage) flush();
    }
    void list(const RecordList& l) {
        for (const Record& r : l.items) record(r.no, r.data);
    }
    bool flush() {
        if (!buf_.empty() && !failed_ &&
            !gsf_output_write(out_, buf_.size(), reinterpret_cast<const guint8*>(buf_.data())))
            failed_ = true;
        buf_.clear();
        return !failed_;
    }
    std::size_t pos() const { return pos_; }
    bool failed() const { return failed_; }

private:
    static constexpr std::size_t kPage = 65536;
    GsfOutput* out_;
    std::string buf_;
    std::size_t pos_ = 0;
    bool failed_ = false;
};

std::size_t cellBytes(const Cell& c) {
    if (c.inlineLen != Cell::kInArena) return 4 + 6 + c.inlineLen;
    std::size_t len = (c.value >> 32) & 0xFFFF;
    std::size_t extra = c.value >> 48;
    std::size_t n = (c.rec == kMulRk || c.rec == kMulBlank) ? 4 + 4 + len + 2 : 4 + 6 + len;
    if (extra) n += 4 + extra;
    return n;
}

void writeCell(StreamWriter& w, const Sheet& s, int row, const Cell& c, std::string& scratch) {
    scratch.clear();
    put16(scratch, row);
    put16(scratch, c.first);
    if (c.inlineLen != Cell::kInArena) {
        put16(scratch, c.xf);
        uint64_t v = c.value;
        for (int i = 0; i < c.inlineLen; ++i, v >>= 8) put8(scratch, static_cast<unsigned>(v & 0xFF));
        w.record(c.rec, scratch);
        return;
    }
    std::size_t off = c.value & 0xFFFFFFFFu;
    std::size_t len = (c.value >> 32) & 0xFFFF;
    std::size_t extra = c.value >> 48;
    if (c.rec == kMulRk || c.rec == kMulBlank) {
        scratch.append(s.arena, off, len);
        put16(scratch, c.last);
        w.record(c.rec, scratch);
        return;
    }
    put16(scratch, c.xf);
    scratch.append(s.arena, off, len);
    w.record(c.rec, scratch);
    if (extra) w.record(kString, std::string_view(s.arena).substr(off + len, extra));
}

// The used rows of a sheet (cells or a row descriptor) in ascending order.
struct UsedRow {
    int index;
    const Row* cells;       // may be null
    const RowDesc* desc;    // may be null
};

struct SheetPlan {
    std::vector<UsedRow> rows;
    std::vector<std::size_t> blockBytes;  // per block of 32 rows
    RecordList head, tail;
    std::size_t indexAt = 0;  // position of INDEX in the head list
    std::size_t headBytesBeforeIndex = 0;
    std::size_t cellBytes = 0;
    std::size_t total = 0;
    std::size_t start = 0;  // stream position of the sheet's BOF
};

constexpr int kBlockRows = 32;

void planRows(const Sheet& s, SheetPlan& p) {
    auto ci = s.rows.begin();
    auto di = s.rowDescs.begin();
    while (ci != s.rows.end() || di != s.rowDescs.end()) {
        if (ci != s.rows.end() && ci->cells.empty()) {
            ++ci;
            continue;
        }
        int cr = ci != s.rows.end() ? ci->index : 1 << 20;
        int dr = di != s.rowDescs.end() ? di->first : 1 << 20;
        UsedRow u{std::min(cr, dr), nullptr, nullptr};
        if (cr == u.index) u.cells = &*ci++;
        if (dr == u.index) u.desc = &(di++)->second;
        p.rows.push_back(u);
    }
    for (std::size_t i = 0; i < p.rows.size(); i += kBlockRows) {
        std::size_t n = std::min<std::size_t>(kBlockRows, p.rows.size() - i);
        std::size_t bytes = 20 * n + 8 + 2 * n;
        for (std::size_t k = i; k < i + n; ++k)
            if (p.rows[k].cells)
                for (const Cell& c : p.rows[k].cells->cells) bytes += cellBytes(c);
        p.blockBytes.push_back(bytes);
        p.cellBytes += bytes;
    }
}

void addMargin(RecordList& l, uint16_t no, double value, double def) {
    if (std::fabs(value - def) < 1e-9) return;
    std::string d;
    putDouble(d, value);
    l.add(no, d);
}

void addHeaderText(RecordList& l, uint16_t no, const char* text, bool biff8) {
    std::string d;
    if (biff8) {
        encodeBiff8(text, false, true, d);
    } else {
        put8(d, static_cast<unsigned>(std::string_view(text).size()));
        d.append(text);
    }
    l.add(no, d);
}

void planHead(const Book& b, const Sheet& s, SheetPlan& p) {
    RecordList& l = p.head;
    l.add(0x0809, b.biff8 ? std::string("\x00\x06\x10\x00\x91\x0E\xCC\x07\x41\x00\x00\x00\x06\x00\x00\x00", 16)
                          : std::string("\x00\x05\x10\x00\x31\x0C\xCA\x07", 8));
    p.headBytesBeforeIndex = l.bytes;
    p.indexAt = l.items.size();
    int firstRow = p.rows.empty() ? 0 : p.rows.front().index;
    int lastRow = p.rows.empty() ? 0 : p.rows.back().index + 1;
    std::string index;
    put32(index, 0);
    if (b.biff8) {
        put32(index, firstRow);
        put32(index, lastRow);
        put32(index, 0);
    } else {
        put16(index, firstRow);
        put16(index, lastRow);
    }
    index.append(4 * p.blockBytes.size(), '\0');
    l.add(0x020B, index);
    l.add16(0x000D, 1);
    l.add16(0x000C, 100);
    l.add16(0x000F, 1);
    l.add16(0x0011, 0);
    std::string delta;
    putDouble(delta, 0.001);
    l.add(0x0010, delta);
    l.add16(0x005F, 1);
    l.add16(0x002A, s.printHeaders);
    l.add16(0x002B, s.printGrid);
    l.add16(0x0082, b.biff8 ? 1 : 0);
    l.add(0x0080, std::string(8, '\0'));
    std::string drh;
    put16(drh, s.defRowFlags);
    put16(drh, s.defRowHeight);
    l.add(0x0225, drh);
    if (!b.biff8) {
        std::string c;
        put16(c, 81);
        put16(c, 81);
        l.add(0x008C, c);
    }
    l.add16(0x0081, s.fitToPage ? 0x05C1 : 0x04C1);
    for (const Record& r : s.pageBreaks.items) l.add(r.no, r.data);
    if (g_templateEdit && !s.headerFooter.items.empty()) {
        for (const Record& r : s.headerFooter.items) l.add(r.no, r.data);
    } else {
        addHeaderText(l, 0x0014, "&A", b.biff8);
        addHeaderText(l, 0x0015, "- &P -", b.biff8);
    }
    l.add16(0x0083, s.hCenter);
    l.add16(0x0084, s.vCenter);
    addMargin(l, 0x0026, s.margins[0], 20 / 25.4);
    addMargin(l, 0x0027, s.margins[1], 20 / 25.4);
    addMargin(l, 0x0028, s.margins[2], 25 / 25.4);
    addMargin(l, 0x0029, s.margins[3], 25 / 25.4);
    l.add(0x00A1, std::string(reinterpret_cast<const char*>(s.setup.data()), s.setup.size()));
    l.add16(0x0055, s.defColWidth);
    for (const ColInfo& c : s.colInfos) {
        std::string d;
        for (unsigned v : {c.first, c.last, c.width, c.xf, c.options, uint16_t(0)}) put16(d, v);
        l.add(kColInfo, d);
    }
    int firstCol = 0, lastCol = 0;
    bool any = false;
    for (const UsedRow& u : p.rows) {
        if (!u.cells) continue;
        for (const Cell& c : u.cells->cells) {
            if (!any || c.first < firstCol) firstCol = c.first;
            if (!any || c.last + 1 > lastCol) lastCol = c.last + 1;
            any = true;
        }
    }
    std::string dim;
    if (b.biff8) {
        put32(dim, firstRow);
        put32(dim, lastRow);
    } else {
        put16(dim, firstRow);
        put16(dim, lastRow);
    }
    put16(dim, firstCol);
    put16(dim, lastCol);
    put16(dim, 0);
    l.add(0x0200, dim);
}

void addMergedCells(RecordList& l, const std::vector<std::array<uint16_t, 4>>& areas) {
    if (areas.empty()) return;
    std::string d;
    put16(d, static_cast<unsigned>(areas.size()));
    for (const auto& a : areas)
        for (uint16_t v : a) put16(d, v);
    l.add(kMergedCells, d);
}

void planTail(const Book& b, const Sheet& s, bool first, SheetPlan& p) {
    RecordList& l = p.tail;
    for (const Record& r : s.tail.items) l.add(r.no, r.data);
    unsigned options = 0x00B4 | (first ? 0x0600 : 0) | (s.grid ? 0x0002 : 0);
    std::string w;
    put16(w, options);
    put16(w, 0);
    put16(w, 0);
    if (b.biff8) {
        put16(w, 64);
        put16(w, 0);
        put16(w, 0);
        put16(w, 0);
        put32(w, 0);
    } else {
        put32(w, 0);
    }
    l.add(0x023E, w);
    std::string sel;
    put8(sel, 3);
    put16(sel, 0);
    put16(sel, 0);
    put16(sel, 0);
    put16(sel, 1);
    put16(sel, 0);
    put16(sel, 0);
    put8(sel, 0);
    put8(sel, 0);
    l.add(0x001D, sel);
    if (s.standardWidth) l.add16(0x0099, s.standardWidth);
    if (b.biff8) {
        for (const Record& r : s.templateMerged.items) l.add(r.no, r.data);
        for (const Record& r : s.mergedFull.items) l.add(r.no, r.data);
        addMergedCells(l, s.merged);
        l.add(0x00EF, std::string("\x05\x00\x35\x00\x00\x00", 6));
    }
    if (!s.codeName.empty()) l.add(0x01BA, s.codeName);
    if (!s.gcw.empty()) l.add(0x00AB, s.gcw);
    l.addEmpty(kEof);
}

// Strings per EXTSST bucket and the record's data length for `n` distinct strings.
void extSstShape(uint32_t n, unsigned& bucket, std::size_t& length) {
    bucket = 8;
    for (;;) {
        length = 8 * ((n * 3 / 2) / bucket) + 322;
        if (length < 2036) return;
        bucket += 8;
    }
}

// Lays out SST with its CONTINUE records, the SST record starting at stream position
// `at`, handing each finished record to emit(number, data); fills the EXTSST data when
// `ext` is given. A string's header is never split; its characters continue in a
// CONTINUE record that starts with the string's option byte, UTF-16 characters whole.
template <class Emit>
void layOutSst(const SharedStrings& strings, std::size_t at, std::string* ext, Emit emit) {
    unsigned bucket;
    std::size_t extLength;
    extSstShape(strings.unique(), bucket, extLength);
    if (ext) {
        ext->clear();
        put16(*ext, bucket);
    }
    std::string cur;
    cur.reserve(kMaxRecordData);
    put32(cur, strings.total());
    put32(cur, strings.unique());
    std::size_t curStart = at;
    bool firstRecord = true;
    auto flush = [&]() {
        emit(firstRecord ? 0x00FC : kContinue, std::string_view(cur));
        curStart += 4 + cur.size();
        cur.clear();
        firstRecord = false;
    };
    for (uint32_t i = 0; i < strings.unique(); ++i) {
        std::string_view e = strings.at(i);
        std::size_t charSize = (e[2] & 1) ? 2 : 1;
        std::size_t chars = e.size() - 3;
        std::size_t need = 3 + (chars ? charSize : 0);
        if (kMaxRecordData - cur.size() < need) flush();
        if (ext && i % bucket == 0) {
            put32(*ext, static_cast<uint32_t>(curStart + 4 + cur.size()));
            put16(*ext, static_cast<unsigned>(4 + cur.size()));
            put16(*ext, 0);
        }
        cur.append(e.substr(0, 3));
        std::size_t done = 0;
        while (done < chars) {
            std::size_t room = (kMaxRecordData - cur.size()) / charSize * charSize;
            if (room == 0) {
                flush();
                cur.push_back(e[2]);
                continue;
            }
            std::size_t take = std::min(room, chars - done);
            cur.append(e.substr(3 + done, take));
            done += take;
        }
    }
    flush();
    if (ext) ext->resize(std::max(ext->size(), extLength), '\0');
}

bool store(Book& b) {
    std::vector<SheetPlan> plans(b.sheets.size());
    for (std::size_t i = 0; i < b.sheets.size(); ++i) {
        const Sheet& s = *b.sheets[i];
        SheetPlan& p = plans[i];
        planRows(s, p);
        planHead(b, s, p);
        planTail(b, s, i == 0, p);
        p.total = p.head.bytes + s.extRefs.bytes + p.cellBytes + s.objects.bytes + p.tail.bytes;
    }
    // Globals that depend on the sheets.
    RecordList& bound = b.globals[Book::BoundSheets];
    bound.clear();
    for (const auto& sp : b.sheets) {
        std::string d(4, '\0');
        put8(d, sp->visibility);
        put8(d, sp->type);
        if (b.biff8) {
            std::string name;
            encodeBiff8(sp->name, false, false, name);
            d.append(name);
        } else {
            put8(d, static_cast<unsigned>(sp->name.size()));
            d.append(sp->name);
        }
        bound.add(0x0085, d);
    }
    if (b.biff8) {
        b.globals[Book::UseSelfs].clear();
        b.globals[Book::UseSelfs].add16(0x0160, 1);
        b.globals[Book::Country].clear();
        std::string c;
        put16(c, 1);
        put16(c, 0);
        b.globals[Book::Country].add(0x008C, c);
        // This book's SUPBOOK counts the sheets as they are now, after any added or deleted.
        for (Record& r : b.globals[Book::References].items)
            if (r.no == 0x01AE && r.data.size() == 4 && get16(r.data, 2) == 0x0401)
                set16(r.data, 0, static_cast<unsigned>(b.sheetCount()));
        if (!b.externSheets.empty()) {
            std::string d;
            put16(d, static_cast<unsigned>(b.externSheets.size()));
            for (const auto& e : b.externSheets)
                for (uint16_t v : e) put16(d, v);
            // Ahead of the first NAME: names refer to the entries by their index.
            RecordList& refs = b.globals[Book::References];
            auto at = std::find_if(refs.items.begin(), refs.items.end(), [](const Record& r) { return r.no == 0x0018; });
            refs.bytes += 4 + d.size();
            refs.items.insert(at, Record{0x0017, std::move(d)});
        }
        std::size_t sstAt = 0;
        for (int l = 0; l < Book::Sst; ++l) sstAt += b.globals[l].bytes;
        // The SST is laid out twice: here for its size and EXTSST, and again while the
        // stream is written, so its records are never all held in memory at once.
        b.globals[Book::Sst].clear();
        b.globals[Book::ExtSst].clear();
        std::string ext;
        std::size_t sstBytes = 0;
        layOutSst(b.sst, sstAt, &ext, [&](uint16_t, std::string_view d) { sstBytes += 4 + d.size(); });
        b.globals[Book::Sst].bytes = sstBytes;
        b.globals[Book::ExtSst].add(0x00FF, ext);
    }
    std::size_t pos = 0;
    for (const RecordList& l : b.globals) pos += l.bytes;
    for (std::size_t i = 0; i < plans.size(); ++i) {
        SheetPlan& p = plans[i];
        p.start = pos;
        set32(bound.items[i].data, 0, static_cast<uint32_t>(pos));
        std::string& index = p.head.items[p.indexAt].data;
        std::size_t at = pos + p.head.bytes + b.sheets[i]->extRefs.bytes;
        std::size_t slot = b.biff8 ? 16 : 8;
        for (std::size_t k = 0; k < p.blockBytes.size(); ++k) {
            at += p.blockBytes[k];
            std::size_t rowsInBlock = std::min<std::size_t>(kBlockRows, p.rows.size() - k * kBlockRows);
            set32(index, slot + 4 * k, static_cast<uint32_t>(at - (8 + 2 * rowsInBlock)));
        }
        pos += p.total;
    }

    // Build the compound file in memory and store it through a temporary file beside
    // the target: the writes of the compound file layer do not all report a failure,
    // so a full disk must not reach the target through them.
    GsfOutput* sink = gsf_output_memory_new();
    GsfOutfile* root = gsf_outfile_msole_new(sink);
    static const guint8 kBiff5Class[16] = {0x10, 0x08, 0x02, 0, 0, 0, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46};
    static const guint8 kBiff8Class[16] = {0x20, 0x08, 0x02, 0, 0, 0, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46};
    gsf_outfile_msole_set_class_id(GSF_OUTFILE_MSOLE(root), b.biff8 ? kBiff8Class : kBiff5Class);
    GsfOutput* stream = gsf_outfile_new_child(root, b.biff8 ? "Workbook" : "Book", FALSE);
    bool ok = stream != nullptr;
    if (ok) {
        StreamWriter w(stream);
        for (int l = 0; l < Book::ListCount; ++l) {
            if (l == Book::Sst && b.biff8) {
                std::size_t sstAt = w.pos();
                layOutSst(b.sst, sstAt, nullptr, [&](uint16_t no, std::string_view d) { w.record(no, d); });
            } else {
                w.list(b.globals[l]);
            }
        }
        std::string scratch;
        for (std::size_t i = 0; i < plans.size() && !w.failed(); ++i) {
            const Sheet& s = *b.sheets[i];
            SheetPlan& p = plans[i];
            w.list(p.head);
            w.list(s.extRefs);
            for (std::size_t k = 0; k < p.rows.size(); k += kBlockRows) {
                std::size_t n = std::min<std::size_t>(kBlockRows, p.rows.size() - k);
                std::size_t firstRowAt = w.pos();
                for (std::size_t r = k; r < k + n; ++r) {
                    const UsedRow& u = p.rows[r];
                    int firstCol = 0, lastCol = 0;
                    if (u.cells && !u.cells->cells.empty()) {
                        firstCol = u.cells->cells.front().first;
                        lastCol = u.cells->cells.back().last + 1;
                    }
                    unsigned height = u.desc ? u.desc->heightTwips : s.defRowHeight;
                    unsigned options = u.desc ? u.desc->options : (s.defRowHeight > 270 ? 0x0140 : 0x0100);
                    scratch.clear();
                    for (unsigned v : {unsigned(u.index), unsigned(firstCol), unsigned(lastCol), height, 0u, 0u,
                                       options, 0u})
                        put16(scratch, v);
                    w.record(kRow, scratch);
                }
                std::string db;
                std::size_t prevCell = firstRowAt + 20;
                std::string offsets;
                for (std::size_t r = k; r < k + n; ++r) {
                    std::size_t cellAt = w.pos();
                    std::size_t delta = cellAt - prevCell;
                    put16(offsets, delta > 65535 ? 0 : static_cast<unsigned>(delta));
                    prevCell = cellAt;
                    if (p.rows[r].cells)
                        for (const Cell& c : p.rows[r].cells->cells) writeCell(w, s, p.rows[r].index, c, scratch);
                }
                put32(db, static_cast<uint32_t>(w.pos() - firstRowAt));
                db.append(offsets);
                w.record(0x00D7, db);
            }
            w.list(s.objects);
            w.list(p.tail);
            if (w.pos() != p.start + p.total) ok = false;  // the plan and the stream disagree
        }
        w.flush();
        if (w.failed()) ok = false;
        if (!gsf_output_close(stream)) ok = false;
        g_object_unref(stream);
    }
    if (!gsf_output_close(GSF_OUTPUT(root))) ok = false;
    g_object_unref(root);
    if (ok) {
        const guint8* bytes = gsf_output_memory_get_bytes(GSF_OUTPUT_MEMORY(sink));
        std::string_view image(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(gsf_output_size(sink)));
        ok = bytes != nullptr && base::writeFileAtomic(b.file, image);
    }
    g_object_unref(sink);
    return ok;
}

}  // namespace
}  // namespace celvane

using namespace celvane;

extern "C" int XM_Close(int book) {
    Book* b;
    int rc = lookupBook(book, &b);
    if (rc) return rc;
    if (b->reading) return XM_Cancel(book);
    static bool initialised = false;
    if (!initialised) {
        gsf_init();
        initialised = true;
    }
    bool ok;
    try {
        ok = store(*b);
    } catch (const std::bad_alloc&) {
        ok = false;
    }
    if (ok) b->stored = true;
    freeBook(book);
    return ok ? kOk : kErrWrite;
}
