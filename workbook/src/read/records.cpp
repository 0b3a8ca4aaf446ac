#include "read/records.h"

#include <cstring>
#include <mutex>

#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-memory.h>
#include <gsf/gsf-input-stdio.h>
#include <gsf/gsf-utils.h>

namespace celvane::read {

double Record::f64(std::size_t at) const {
    if (at + 8 > length) return 0.0;
    uint64_t bits = 0;
    for (int i = 7; i >= 0; --i) bits = (bits << 8) | data[at + i];
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

Next RecordStream::at(std::size_t pos, Record& out) const {
    const std::size_t n = bytes_.size();
    if (pos >= n) return Next::End;
    if (n - pos < 4) return Next::Damaged;
    const uint8_t* p = bytes_.data() + pos;
    const std::size_t len = std::size_t(p[2]) | (std::size_t(p[3]) << 8);
    if (len > kMaxRecordLength || n - pos - 4 < len) return Next::Damaged;
    out.id = uint16_t(p[0] | (p[1] << 8));
    out.length = len;
    out.data = p + 4;
    out.offset = pos;
    return Next::Ok;
}

Next RecordStream::joined(std::size_t pos, uint16_t& id, std::vector<uint8_t>& body,
                          std::vector<std::size_t>& pieces, std::size_t& next) const {
    body.clear();
    pieces.clear();
    Record r;
    Next n = at(pos, r);
    if (n != Next::Ok) return n;
    id = r.id;
    body.insert(body.end(), r.data, r.data + r.length);
    pieces.push_back(r.length);
    pos += 4 + r.length;
    for (;;) {
        Record c;
        if (at(pos, c) != Next::Ok || c.id != kRecContinue) break;
        body.insert(body.end(), c.data, c.data + c.length);
        pieces.push_back(c.length);
        pos += 4 + c.length;
    }
    next = pos;
    return Next::Ok;
}

Next RecordCursor::next(Record& out) {
    Next n = s_->at(pos_, out);
    if (n == Next::Ok) pos_ += 4 + out.length;
    return n;
}

namespace {

void initGsf() {
    static std::once_flag once;
    std::call_once(once, [] {
        gsf_init();
        // Damaged files are reported through return codes; the compound-file reader's
        // own complaints about them would only clutter the caller's error output.
        g_log_set_handler("libgsf:msole", GLogLevelFlags(G_LOG_LEVEL_WARNING | G_LOG_LEVEL_CRITICAL),
                          [](const gchar*, GLogLevelFlags, const gchar*, gpointer) {}, nullptr);
    });
}

OpenResult loadFromInput(GsfInput* input, WorkbookStream& out) {
    GError* err = nullptr;
    GsfInfile* root = gsf_infile_msole_new(input, &err);
    if (err) g_error_free(err);
    if (!root) return OpenResult::NotCompound;
    bool biff8 = false;
    GsfInput* stream = gsf_infile_child_by_name(root, "Book");
    if (!stream) {
        stream = gsf_infile_child_by_name(root, "Workbook");
        biff8 = true;
    }
    OpenResult result = OpenResult::Ok;
    if (!stream) {
        result = OpenResult::NoWorkbookStream;
    } else {
        const gsf_off_t size = gsf_input_size(stream);
        if (size < 0 || static_cast<uint64_t>(size) > kMaxStreamBytes) {
            result = OpenResult::TooLarge;
        } else {
            std::vector<uint8_t> bytes(static_cast<std::size_t>(size));
            std::size_t done = 0;
            while (done < bytes.size()) {
                const std::size_t chunk = std::min<std::size_t>(bytes.size() - done, 1 << 16);
                if (!gsf_input_read(stream, chunk, bytes.data() + done)) {
                    result = OpenResult::ReadFailed;
                    break;
                }
                done += chunk;
            }
            if (result == OpenResult::Ok) {
                out.stream = RecordStream(std::move(bytes));
                out.biff8 = biff8;
            }
        }
        g_object_unref(stream);
    }
    g_object_unref(root);
    return result;
}

}  // namespace

OpenResult openWorkbookFile(const std::string& path, WorkbookStream& out) {
    initGsf();
    GError* err = nullptr;
    GsfInput* input = gsf_input_stdio_new(path.c_str(), &err);
    if (err) g_error_free(err);
    if (!input) return OpenResult::CannotOpen;
    OpenResult r = loadFromInput(input, out);
    g_object_unref(input);
    return r;
}

OpenResult openWorkbookBytes(const uint8_t* data, std::size_t size, WorkbookStream& out) {
    initGsf();
    GsfInput* input = gsf_input_memory_new(data, static_cast<gsf_off_t>(size), FALSE);
    if (!input) return OpenResult::CannotOpen;
    OpenResult r = loadFromInput(input, out);
    g_object_unref(input);
    return r;
}

std::vector<SheetEntry> readSheetEntries(const WorkbookStream& wb) {
    std::vector<SheetEntry> sheets;
    RecordCursor c(wb.stream, 0);
    Record r;
    while (c.next(r) == Next::Ok) {
        if (r.id == kRecEof) break;
        if (r.id != kRecBoundSheet || r.length < 8) continue;
        SheetEntry e;
        e.bof = r.u32(0);
        e.visibility = r.u8(4);
        e.type = r.u8(5);
        const std::size_t count = r.u8(6);
        if (wb.biff8) {
            const uint8_t opt = r.u8(7);
            e.nameIsUtf16 = (opt & 1) != 0;
            const std::size_t bytes = e.nameIsUtf16 ? count * 2 : count;
            const std::size_t avail = r.length - 8;
            e.rawName.assign(reinterpret_cast<const char*>(r.data + 8), std::min(bytes, avail));
            if (e.nameIsUtf16 && (e.rawName.size() & 1)) e.rawName.pop_back();
        } else {
            const std::size_t avail = r.length - 7;
            e.rawName.assign(reinterpret_cast<const char*>(r.data + 7), std::min(count, avail));
        }
        sheets.push_back(std::move(e));
    }
    return sheets;
}

}  // namespace celvane::read
