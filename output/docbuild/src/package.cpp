// Reading and writing the zip container of a .docx through libzip.
#include "docbuild/package.h"

#include <zip.h>

#include <unistd.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "base/files.h"
#include "base/names.h"

namespace docbuild {

namespace {

struct ZipCloser {
    void operator()(zip_t* z) const { zip_discard(z); }
};
using ZipPtr = std::unique_ptr<zip_t, ZipCloser>;

}  // namespace

const std::string* Package::part(std::string_view name) const {
    auto it = parts_.find(std::string(name));
    return it == parts_.end() ? nullptr : &it->second;
}

PackageError Package::load(const std::string& path) {
    parts_.clear();
    int err = 0;
    ZipPtr z(zip_open(path.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &err));
    if (!z) return PackageError::Open;
    zip_int64_t n = zip_get_num_entries(z.get(), 0);
    if (n < 0) return PackageError::Damaged;
    if (static_cast<std::size_t>(n) > kMaxParts) return PackageError::TooLarge;
    std::size_t total = 0;
    for (zip_int64_t i = 0; i < n; ++i) {
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(z.get(), i, 0, &st) != 0 || !(st.valid & ZIP_STAT_NAME) || !(st.valid & ZIP_STAT_SIZE))
            return PackageError::Damaged;
        std::string name = st.name;
        if (!name.empty() && name.back() == '/') continue;  // folder entry
        if (st.size > kMaxPartBytes) return PackageError::TooLarge;
        total += st.size;
        if (total > kMaxPackageBytes) return PackageError::TooLarge;
        zip_file_t* f = zip_fopen_index(z.get(), i, 0);
        if (!f) return PackageError::Damaged;
        std::string bytes(static_cast<std::size_t>(st.size), '\0');
        zip_int64_t got = bytes.empty() ? 0 : zip_fread(f, bytes.data(), bytes.size());
        // A further read must find the end: the stored size must not understate the data.
        char extra;
        zip_int64_t more = got == static_cast<zip_int64_t>(bytes.size()) ? zip_fread(f, &extra, 1) : -1;
        zip_fclose(f);
        if (got != static_cast<zip_int64_t>(bytes.size()) || more != 0) return PackageError::Damaged;
        parts_[name] = std::move(bytes);
    }
    return PackageError::None;
}

PackageError Package::save(const std::string& path) const {
    // A unique temporary name beside the target, so the final rename stays in one file system.
    std::string tmp;
    for (int i = 0; i < 1000; ++i) {
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, ".tmp%d-%d", static_cast<int>(::getpid()), i);
        tmp = path;
        tmp += suffix;
        if (!base::fileExists(tmp)) break;
    }
    int err = 0;
    zip_t* z = zip_open(tmp.c_str(), ZIP_CREATE | ZIP_EXCL, &err);
    if (!z) return PackageError::Write;
    auto add = [&](const std::string& name, const std::string& bytes) {
        zip_source_t* src = zip_source_buffer(z, bytes.data(), bytes.size(), 0);
        if (!src) return false;
        zip_int64_t idx = zip_file_add(z, name.c_str(), src, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE);
        if (idx < 0) {
            zip_source_free(src);
            return false;
        }
        return true;
    };
    bool ok = true;
    static const std::string kTypes = "[Content_Types].xml";
    if (auto it = parts_.find(kTypes); it != parts_.end()) ok = add(it->first, it->second);
    for (const auto& [name, bytes] : parts_) {
        if (!ok) break;
        if (name != kTypes) ok = add(name, bytes);
    }
    if (!ok || zip_close(z) != 0) {
        zip_discard(z);  // also after a failed close, which leaves the archive open
        base::removeFile(tmp);
        return PackageError::Write;
    }
    if (!base::renameFile(tmp, path)) {
        base::removeFile(tmp);
        return PackageError::Write;
    }
    return PackageError::None;
}

}  // namespace docbuild
