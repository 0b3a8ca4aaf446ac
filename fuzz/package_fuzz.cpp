// The document builder's package reader: a .docx form or template is a zip archive
// whose parts are taken into memory.
//
// Bit 0 of the first byte chooses the input's meaning. Clear: the rest is the archive
// as it lies on disk. Set: the rest describes an archive that is first stored whole by
// the builder's own writer (so mutations are not all lost to the archive's checksums)
// and then damaged on purpose: the next byte gives a count of patches (low four bits),
// each three bytes (offset, little-endian, and a value to XOR there), and the rest are
// parts, each started by a line "@@@@ NAME" (a NAME ending in "/" makes a folder
// entry). The limits on the number and size of parts are checked by the container's
// tests: archives that reach them are too slow to make here.
#include <string>
#include <string_view>

#include "docbuild/package.h"
#include "fuzz_common.h"

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
        docbuild::Package composed;
        for (auto& [name, bytes] : fuzz::sections(rest))
            if (!name.empty()) composed.setPart(name, std::move(bytes));
        if (composed.save(path) != docbuild::PackageError::None) return 0;
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
