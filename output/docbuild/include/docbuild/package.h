// The container of a .docx document: a zip archive of named parts. A package is read
// whole into memory (templates and forms are small) and written through a temporary
// file in the target's folder, so a failed write leaves an older document in place.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <string_view>

namespace docbuild {

// Limits against damaged or hostile archives: one part and all parts together.
inline constexpr std::size_t kMaxPartBytes = 64u << 20;
inline constexpr std::size_t kMaxPackageBytes = 256u << 20;
inline constexpr std::size_t kMaxParts = 4096;

enum class PackageError {
    None = 0,
    Open,       // missing, unreadable, or not a zip archive
    TooLarge,   // a part or the whole archive exceeds the limits
    Damaged,    // an entry cannot be read back
    Write,      // the output cannot be created or completed
};

class Package {
public:
    // Reads every part of the archive at `path`. The previous contents are dropped.
    PackageError load(const std::string& path);
    // Writes the parts ("[Content_Types].xml" first) to `path` through a temporary file.
    PackageError save(const std::string& path) const;

    bool has(std::string_view name) const { return parts_.count(std::string(name)) != 0; }
    // The bytes of a part, or nullptr when it is missing.
    const std::string* part(std::string_view name) const;
    void setPart(std::string_view name, std::string bytes) { parts_[std::string(name)] = std::move(bytes); }
    void removePart(std::string_view name) { parts_.erase(std::string(name)); }
    const std::map<std::string, std::string>& parts() const { return parts_; }

private:
    std::map<std::string, std::string> parts_;
};

}  // namespace docbuild
