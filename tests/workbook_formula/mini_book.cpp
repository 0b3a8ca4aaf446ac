#include "mini_book.h"

#include <cstring>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-output-stdio.h>
#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-utils.h>

namespace minibook {
namespace {

using celvane::formula::BiffVersion;

struct Stream {
    std::string bytes;
    void u8(unsigned v) { bytes += static_cast<char>(v & 0xFF); }
    void u16(unsigned v) { u8(v), u8(v >> 8); }
    void u32(unsigned v) { u16(v & 0xFFFF), u16(v >> 16); }
    void record(unsigned id, const std::string& data) {
        u16(id);
        u16(static_cast<unsigned>(data.size()));
        bytes += data;
    }
};

std::string le16(unsigned v) { return {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)}; }
std::string le32(unsigned v) { return le16(v & 0xFFFF) + le16(v >> 16); }

std::string shortText(const std::string& s, bool biff8) {
    std::string out(1, static_cast<char>(s.size()));
    if (biff8) out += '\0';
    return out + s;
}

std::string bof(bool biff8, unsigned type) {
    if (biff8) return le16(0x0600) + le16(type) + le16(0x0DBB) + le16(0x07CC) + le32(0) + le32(0x06);
    return le16(0x0500) + le16(type) + le16(0x096C) + le16(0x07C9);
}

std::string sheetStream(const Book& book, int sheet) {
    const bool biff8 = book.version == BiffVersion::Biff8;
    Stream s;
    s.record(0x0809, bof(biff8, 0x0010));
    if (!biff8 && sheet < static_cast<int>(book.refLists.size()) && !book.refLists[sheet].empty()) {
        s.record(0x0016, le16(static_cast<unsigned>(book.refLists[sheet].size())));
        for (const std::string& name : book.refLists[sheet])
            s.record(0x0017, std::string(1, static_cast<char>(name.size())) + '\x03' + name);
    }
    int maxRow = 0, maxCol = 0;
    for (const Cell& c : book.cells)
        if (c.sheet == sheet) maxRow = std::max(maxRow, c.row + 1), maxCol = std::max(maxCol, c.col + 1);
    if (biff8) s.record(0x0200, le32(0) + le32(maxRow) + le16(0) + le16(maxCol) + le16(0));
    else s.record(0x0200, le16(0) + le16(maxRow) + le16(0) + le16(maxCol) + le16(0));
    for (const Cell& c : book.cells) {
        if (c.sheet != sheet) continue;
        std::string head = le16(c.row) + le16(c.col) + le16(15);
        if (c.formula) {
            s.record(0x0006, head + c.data);
            if (!c.stringData.empty()) s.record(0x0207, c.stringData);
        } else {
            std::string d(8, '\0');
            std::memcpy(d.data(), &c.number, 8);
            s.record(0x0203, head + d);
        }
    }
    // WINDOW2 with default settings.
    if (biff8) s.record(0x023E, le16(0x06B6) + le16(0) + le16(0) + le32(0x40) + le16(0) + le16(0) + le32(0));
    else s.record(0x023E, le16(0x06B6) + le16(0) + le16(0) + le32(0x40));
    s.record(0x000A, "");
    return s.bytes;
}

std::string bookStream(const Book& book) {
    const bool biff8 = book.version == BiffVersion::Biff8;
    std::vector<std::string> sheets;
    for (std::size_t i = 0; i < book.sheets.size(); ++i) sheets.push_back(sheetStream(book, static_cast<int>(i)));

    auto globals = [&](const std::vector<unsigned>& offsets) {
        Stream g;
        g.record(0x0809, bof(biff8, 0x0005));
        g.record(0x0042, le16(biff8 ? 1200 : 932));
        g.record(0x003D, le16(0) + le16(0) + le16(0x4000) + le16(0x2000) + le16(0x38) + le16(0) + le16(0) +
                             le16(1) + le16(0x258));
        std::string font = le16(200) + le16(0) + le16(0x7FFF) + le16(400) + le16(0) + std::string(1, '\0') +
                           std::string(1, '\0') + std::string(1, '\x80') + std::string(1, '\0') +
                           shortText("Arial", biff8);
        for (int i = 0; i < 4; ++i) g.record(0x0031, font);
        // XF 0..14: style records; XF 15: the default cell attribute used by every cell.
        for (int i = 0; i < 16; ++i) {
            const unsigned flags = i < 15 ? 0xFFF5 : 0x0001;
            if (biff8)
                g.record(0x00E0, le16(0) + le16(0) + le16(flags) + le16(0x20) + le16(0) + le32(0) + le32(0) + le16(0x20C0));
            else
                g.record(0x0043, le16(0) + le16(0) + le16(flags) + le16(0x20) + le16(0x20C0) + le32(0) + le32(0));
        }
        g.record(0x0293, le16(0x8000) + std::string(1, '\0') + std::string(1, '\xFF'));
        for (std::size_t i = 0; i < book.sheets.size(); ++i)
            g.record(0x0085, le32(i < offsets.size() ? offsets[i] : 0) + le16(0) + shortText(book.sheets[i], biff8));
        if (biff8 && !book.externs.empty()) {
            g.record(0x01AE, le16(static_cast<unsigned>(book.sheets.size())) + le16(0x0401));
            std::string x = le16(static_cast<unsigned>(book.externs.size()));
            for (const auto& e : book.externs) x += le16(e.book) + le16(e.firstSheet) + le16(e.lastSheet);
            g.record(0x0017, x);
        }
        g.record(0x000A, "");
        return g.bytes;
    };
    std::string head = globals({});
    std::vector<unsigned> offsets;
    std::size_t pos = head.size();
    for (const std::string& s : sheets) offsets.push_back(static_cast<unsigned>(pos)), pos += s.size();
    std::string out = globals(offsets);
    for (const std::string& s : sheets) out += s;
    return out;
}

}  // namespace

bool write(const Book& book, const std::string& path) {
    gsf_init();
    GError* err = nullptr;
    GsfOutput* sink = gsf_output_stdio_new(path.c_str(), &err);
    if (!sink) {
        if (err) g_error_free(err);
        return false;
    }
    GsfOutfile* ole = gsf_outfile_msole_new(sink);
    g_object_unref(sink);
    const char* name = book.version == BiffVersion::Biff8 ? "Workbook" : "Book";
    GsfOutput* stream = gsf_outfile_new_child(ole, name, FALSE);
    std::string bytes = bookStream(book);
    bool ok = gsf_output_write(stream, bytes.size(), reinterpret_cast<const guint8*>(bytes.data()));
    ok = gsf_output_close(stream) && ok;
    g_object_unref(stream);
    ok = gsf_output_close(GSF_OUTPUT(ole)) && ok;
    g_object_unref(ole);
    return ok;
}

}  // namespace minibook
