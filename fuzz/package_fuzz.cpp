// The document builder's package reader: a .docx form or template is a zip archive
// whose parts are taken into memory.
//
// Bit 0 of the first byte chooses the input's meaning. Clear: the rest is the archive
// as it lies on disk. Set: the rest describes an archive that is first written whole
// (so mutations are not all lost to the archive's checksums) and then damaged on
// purpose: the next byte gives a count of patches (low four bits), each three bytes
// (offset, little-endian, and a value to XOR there), and the rest are parts, each
// started by a line "@@@@ NAME" (a NAME ending in "/" is a folder entry). Bit 1 stores
// the parts instead of compressing them. (The limits on the number and size of parts
// are checked by the container's tests: archives that reach them are too slow to make
// here.)
#include <zip.h>

#include <string>
#include <string_view>
#include <vector>

#include "docbuild/package.h"
#include "fuzz_common.h"

namespace {

constexpr std::string_view kMark = "@@@@ ";

struct Part {
    std::string name, bytes;
};

std::vector<Part> sections(std::string_view text) {
    std::vector<Part> parts;
    std::size_t at = text.substr(0, kMark.size()) == kMark ? 0 : text.find("\n@@@@ ");
    if (at != std::string_view::npos && at != 0) ++at;
    while (at != std::string_view::npos) {
        std::size_t nl = text.find('\n', at);
        if (nl == std::string_view::npos) break;
        std::size_t next = text.find("\n@@@@ ", nl);
        std::size_t end = next == std::string_view::npos ? text.size() : next;
        parts.push_back({std::string(text.substr(at + kMark.size(), nl - at - kMark.size())),
                         std::string(text.substr(nl + 1, end > nl ? end - nl - 1 : 0))});
        at = next == std::string_view::npos ? next : next + 1;
    }
    return parts;
}

bool compose(const std::string& path, const std::vector<Part>& parts, bool store) {
    int err = 0;
    zip_t* z = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &err);
    if (!z) return false;
    auto add = [&](const std::string& name, const std::string& bytes) {
        if (!name.empty() && name.back() == '/') return zip_dir_add(z, name.c_str(), ZIP_FL_ENC_UTF_8) >= 0;
        zip_source_t* src = zip_source_buffer(z, bytes.data(), bytes.size(), 0);
        if (!src) return false;
        zip_int64_t idx = zip_file_add(z, name.c_str(), src, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE);
        if (idx < 0) {
            zip_source_free(src);
            return false;
        }
        if (store) zip_set_file_compression(z, static_cast<zip_uint64_t>(idx), ZIP_CM_STORE, 0);
        return true;
    };
    bool ok = true;
    for (const Part& p : parts)
        if (!p.name.empty()) ok = add(p.name, p.bytes) && ok;
    if (zip_close(z) != 0) {
        zip_discard(z);
        return false;
    }
    return ok;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    fuzz::Quiet quiet;
    const uint8_t mode = data[0];
    std::string_view rest = fuzz::bytesOf(data + 1, size - 1);
    const std::string path = fuzz::scratch("form.docx");
    if (mode & 1) {
        if (rest.empty()) return 0;
        std::size_t patches = static_cast<unsigned char>(rest[0]) & 15;
        rest.remove_prefix(1);
        if (rest.size() < patches * 3) return 0;
        std::string_view patchBytes = rest.substr(0, patches * 3);
        rest.remove_prefix(patches * 3);
        if (!compose(path, sections(rest), mode & 2)) {
            unlink(path.c_str());
            return 0;
        }
        std::string bytes;
        if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
            char buf[8192];
            for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) bytes.append(buf, n);
            std::fclose(f);
        }
        for (std::size_t i = 0; i < patches && !bytes.empty(); ++i) {
            std::size_t at = (static_cast<unsigned char>(patchBytes[i * 3]) |
                              static_cast<std::size_t>(static_cast<unsigned char>(patchBytes[i * 3 + 1])) << 8) %
                             bytes.size();
            bytes[at] = static_cast<char>(bytes[at] ^ patchBytes[i * 3 + 2]);
        }
        if (!fuzz::put(path, bytes)) return 0;
    } else if (!fuzz::put(path, rest)) {
        return 0;
    }
    docbuild::Package p;
    if (p.load(path) == docbuild::PackageError{}) (void)p.part("word/document.xml");
    unlink(path.c_str());
    return 0;
}
