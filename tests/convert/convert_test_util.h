// Helpers for the converter tests: temporary folders, logs and plain chart lines.
#pragma once

#include "base/files.h"
#include "base/text.h"
#include "chart/scramble.h"
#include "convert/converter.h"

#include <stdlib.h>

#include <string>
#include <vector>

namespace testutil {

inline std::string tempDir() {
    char tmpl[] = "/tmp/chronava-convert-XXXXXX";
    return mkdtemp(tmpl);
}

inline void writeLog(const std::string& path, const std::vector<std::string>& lines) {
    std::string bytes;
    for (const auto& l : lines) bytes += l + "\n";
    base::writeFileAtomic(path, bytes);
}

// The chart file's lines, unscrambled, as stored bytes (Shift-JIS).
inline std::vector<std::string> chartLines(const std::string& path) {
    std::vector<std::string> out;
    base::LineReader r(path);
    std::string line;
    while (r.next(line)) out.push_back(chart::unscrambleLine(line));
    return out;
}

inline int convertFile(const std::string& in, const std::string& out, std::string* reason = nullptr) {
    std::string o = "-o" + out;
    const char* argv[] = {convert::kConverterId, in.c_str(), o.c_str()};
    return convert::convertLog(3, argv, reason);
}

// The [Timing] records of a chart.
inline std::vector<std::string> timing(const std::string& path) {
    std::vector<std::string> lines = chartLines(path), out;
    bool in = false;
    for (const auto& l : lines) {
        if (in) out.push_back(l);
        if (l == "[Timing]") in = true;
    }
    return out;
}

}  // namespace testutil
