// Writing chart files for the reader tests.
#pragma once

#include "base/files.h"
#include "base/text.h"
#include "chart/scramble.h"

#include <stdlib.h>

#include <initializer_list>
#include <string>

namespace testutil {

inline std::string tempDir() {
    char tmpl[] = "/tmp/chronava-chart-XXXXXX";
    return mkdtemp(tmpl);
}

// Writes UTF-8 lines as a CP932 chart file, plain or scrambled, CR LF line ends.
inline std::string writeChart(const std::string& path, std::initializer_list<std::string> lines,
                              bool scrambled = false) {
    std::string bytes;
    int no = 0;
    for (const auto& l : lines) {
        std::string cp = base::toCp932(l);
        bytes += scrambled && !l.empty() ? chart::scrambleLine(cp, ++no) : cp;
        bytes += "\r\n";
    }
    base::writeFileAtomic(path, bytes);
    return path;
}

}  // namespace testutil
