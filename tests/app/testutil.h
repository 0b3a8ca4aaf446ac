// Scratch folders and small file helpers for the application core tests (the output,
// publishing and source view tests use them too).
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

#include "base/files.h"

namespace apptest {

class TempDir {
public:
    TempDir() {
        char tmpl[] = "/tmp/chronava-app-XXXXXX";
        path_ = ::mkdtemp(tmpl);
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }
    // Writes `bytes` to the file `name` in the folder; its path.
    std::string put(const std::string& name, const std::string& bytes) const {
        std::string p = *this / name;
        base::writeFileAtomic(p, bytes);
        return p;
    }

private:
    std::string path_;
};

inline std::string slurp(const std::string& path) {
    std::string s;
    base::readFile(path, s);
    return s;
}

inline void put(const std::string& path, const std::string& bytes) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    base::writeFileAtomic(path, bytes);
}

}  // namespace apptest
