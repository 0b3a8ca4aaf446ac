// Scratch folders and file helpers for the document output tests.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "../app/testutil.h"
#include "base/files.h"
#include "base/text.h"
#include "chart/scramble.h"

namespace outtest {

// Scratch folders and whole-file reads are the application tests' own.
using apptest::slurp;
using apptest::TempDir;

// Writes UTF-8 lines as a CP932 file with CR LF, plain or scrambled.
inline void putLines(const std::string& path, const std::vector<std::string>& lines, bool scrambled = false) {
    std::string bytes;
    int n = 0;
    for (const std::string& l : lines) {
        std::string cp = base::toCp932(l);
        bytes += scrambled ? chart::scrambleLine(cp, ++n) : cp;
        bytes += "\r\n";
    }
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    base::writeFileAtomic(path, bytes);
}

// A page as UTF-8 with LF line ends.
inline std::string page(const std::string& path) {
    std::string s = base::fromCp932(slurp(path));
    std::string out;
    for (char c : s)
        if (c != '\r') out += c;
    return out;
}

inline int count(const std::string& hay, const std::string& needle) {
    int n = 0;
    for (size_t p = hay.find(needle); p != std::string::npos; p = hay.find(needle, p + 1)) ++n;
    return n;
}

}  // namespace outtest
