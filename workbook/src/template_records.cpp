// Loading the workbook stream of a compound file and walking its records.
#include "template_records.h"

#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-memory.h>
#include <gsf/gsf-input-stdio.h>
#include <gsf/gsf-utils.h>

#include <cstring>
#include <new>

namespace celvane::tmplread {

namespace {

void initGsf() {
    static bool done = false;
    if (!done) {
        gsf_init();
        done = true;
    }
}

// The child named `name`, compared without regard to case as the compound-file
// directory does.
GsfInput* childNamed(GsfInfile* root, const char* name) {
    int n = gsf_infile_num_children(root);
    for (int i = 0; i < n; ++i) {
        const char* child = gsf_infile_name_by_index(root, i);
        if (child && g_ascii_strcasecmp(child, name) == 0) return gsf_infile_child_by_index(root, i);
    }
    return nullptr;
}

LoadResult loadFromInput(GsfInput* input, std::vector<uint8_t>& out, StreamKind& kind) {
    kind = StreamKind::None;
    out.clear();
    GError* err = nullptr;
    GsfInfile* root = gsf_infile_msole_new(input, &err);
    if (err) g_error_free(err);
    if (!root) return LoadResult::NotCompound;
    GsfInput* stream = childNamed(root, "Book");
    kind = StreamKind::Book;
    if (!stream) {
        stream = childNamed(root, "Workbook");
        kind = StreamKind::Workbook;
    }
    LoadResult result = LoadResult::Ok;
    if (!stream) {
        kind = StreamKind::None;
        result = LoadResult::NoStream;
    } else {
        gsf_off_t size = gsf_input_size(stream);
        if (size < 0 || static_cast<unsigned long long>(size) > kMaxStreamBytes) {
            result = LoadResult::TooLarge;
        } else {
            try {
                out.resize(static_cast<std::size_t>(size));
                // Read in pieces so that a damaged sector chain fails part way rather
                // than after one huge request.
                std::size_t done = 0;
                while (done < out.size()) {
                    std::size_t piece = std::min<std::size_t>(out.size() - done, 1 << 16);
                    if (!gsf_input_read(stream, piece, out.data() + done)) {
                        result = LoadResult::ReadError;
                        break;
                    }
                    done += piece;
                }
            } catch (const std::bad_alloc&) {
                result = LoadResult::TooLarge;
            }
        }
        g_object_unref(stream);
    }
    g_object_unref(root);
    if (result != LoadResult::Ok) {
        out.clear();
        out.shrink_to_fit();
        if (result != LoadResult::NoStream) kind = StreamKind::None;
    }
    return result;
}

}  // namespace

LoadResult loadWorkbookStream(const std::string& path, std::vector<uint8_t>& out, StreamKind& kind) {
    initGsf();
    kind = StreamKind::None;
    out.clear();
    GError* err = nullptr;
    GsfInput* input = gsf_input_stdio_new(path.c_str(), &err);
    if (err) g_error_free(err);
    if (!input) return LoadResult::NoFile;
    LoadResult r = loadFromInput(input, out, kind);
    g_object_unref(input);
    return r;
}

LoadResult loadWorkbookStreamFromMemory(const uint8_t* data, std::size_t size, std::vector<uint8_t>& out,
                                        StreamKind& kind) {
    initGsf();
    kind = StreamKind::None;
    out.clear();
    if (!data || size == 0) return LoadResult::NotCompound;
    GsfInput* input = gsf_input_memory_new(data, static_cast<gsf_off_t>(size), FALSE);
    if (!input) return LoadResult::NotCompound;
    LoadResult r = loadFromInput(input, out, kind);
    g_object_unref(input);
    return r;
}

double rdDouble(const uint8_t* p) {
    uint64_t bits = rd32(p) | uint64_t(rd32(p + 4)) << 32;
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

double decodeRk(uint32_t rk) {
    double v;
    if (rk & 2) {
        v = static_cast<double>(static_cast<int32_t>(rk) >> 2);
    } else {
        uint64_t bits = uint64_t(rk & 0xFFFFFFFCu) << 32;
        std::memcpy(&v, &bits, sizeof v);
    }
    if (rk & 1) v /= 100.0;
    return v;
}

bool RecordReader::seek(std::size_t pos) {
    if (pos > size_) return false;
    pos_ = pos;
    damaged_ = false;
    return true;
}

bool RecordReader::readAt(std::size_t pos, RecordView& rec, bool& bad) const {
    bad = false;
    if (pos >= size_) return false;
    if (size_ - pos < 4) {
        bad = true;
        return false;
    }
    const uint8_t* h = data_ + pos;
    std::size_t len = rd16(h + 2);
    if (len > kMaxRecordLength || size_ - pos - 4 < len) {
        bad = true;
        return false;
    }
    rec.id = static_cast<uint16_t>(rd16(h));
    rec.offset = pos;
    rec.data = h + 4;
    rec.length = len;
    return true;
}

bool RecordReader::next(RecordView& rec) {
    bool bad;
    if (!readAt(pos_, rec, bad)) {
        damaged_ = bad;
        return false;
    }
    pos_ = rec.next();
    return true;
}

bool RecordReader::peek(RecordView& rec) const {
    bool bad;
    return readAt(pos_, rec, bad);
}

bool joinContinue(RecordReader& reader, const RecordView& first, JoinedRecord& out, std::size_t maxBytes) {
    out.id = first.id;
    out.offset = first.offset;
    out.data.assign(reinterpret_cast<const char*>(first.data), first.length);
    out.pieces.assign(1, 0);
    RecordView rec;
    bool full = false;
    while (reader.peek(rec) && rec.id == kRecContinue) {
        reader.next(rec);
        if (!full && out.data.size() + rec.length > maxBytes) full = true;
        if (!full) {
            out.pieces.push_back(out.data.size());
            out.data.append(reinterpret_cast<const char*>(rec.data), rec.length);
        }
    }
    // A damaged record right after the chain: report it so the caller stops its scan.
    RecordView probe;
    if (!reader.peek(probe) && reader.position() < reader.size()) return false;
    return true;
}

bool readBoundSheets(const std::vector<uint8_t>& stream, bool biff8, std::vector<SheetEntry>& sheets) {
    RecordReader r(stream);
    RecordView rec;
    while (r.next(rec)) {
        if (rec.id == kRecEof) return true;
        if (rec.id != kRecBoundSheet || rec.length < 7) continue;
        SheetEntry e;
        e.bofOffset = rd32(rec.data);
        e.visibility = static_cast<uint8_t>(rec.data[4]);
        e.type = static_cast<uint8_t>(rec.data[5]);
        std::size_t count = rec.data[6];
        const uint8_t* p = rec.data + 7;
        std::size_t left = rec.length - 7;
        if (biff8) {
            if (left < 1) continue;
            e.wide = (p[0] & 1) != 0;
            ++p;
            --left;
            std::size_t bytes = count * (e.wide ? 2 : 1);
            if (bytes > left) bytes = left - (e.wide ? left % 2 : 0);
            e.rawName.assign(reinterpret_cast<const char*>(p), bytes);
        } else {
            e.rawName.assign(reinterpret_cast<const char*>(p), std::min(count, left));
        }
        sheets.push_back(std::move(e));
    }
    return !r.damaged();
}

}  // namespace celvane::tmplread
