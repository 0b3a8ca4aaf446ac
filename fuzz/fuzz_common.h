// Helpers shared by the fuzz targets: scratch files of this process and services
// that collect messages instead of showing them.
#pragma once

#include "base/services.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <unistd.h>
#include <utility>
#include <vector>

namespace fuzz {

// A folder of its own per process, made once and emptied by the caller as needed.
inline const std::string& scratchDir() {
    static const std::string dir = [] {
        std::string d = "/tmp/chronava_fuzz_" + std::to_string(getpid());
        std::filesystem::create_directories(d);
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all("/tmp/chronava_fuzz_" + std::to_string(getpid()), ec);
        });
        return d;
    }();
    return dir;
}

inline std::string scratch(std::string_view name) { return scratchDir() + "/" + std::string(name); }

// Plain stdio: the fuzz loop must not pay for an fsync per input.
inline bool put(const std::string& path, std::string_view bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

// Splits text into named sections, each started by a line "@@@@ NAME" at the start of
// the text or after a line break; bytes before the first header are ignored, and the
// line break before a header belongs to no section.
inline std::vector<std::pair<std::string, std::string>> sections(std::string_view text) {
    static constexpr std::string_view kMark = "@@@@ ", kNextMark = "\n@@@@ ";
    std::vector<std::pair<std::string, std::string>> out;
    std::size_t at = text.substr(0, kMark.size()) == kMark ? 0 : text.find(kNextMark);
    if (at != std::string_view::npos && at != 0) ++at;
    while (at != std::string_view::npos) {
        std::size_t nl = text.find('\n', at);
        if (nl == std::string_view::npos) break;
        std::size_t next = text.find(kNextMark, nl);
        std::size_t end = next == std::string_view::npos ? text.size() : next;
        out.emplace_back(std::string(text.substr(at + kMark.size(), nl - at - kMark.size())),
                         std::string(text.substr(nl + 1, end > nl ? end - nl - 1 : 0)));
        at = next == std::string_view::npos ? next : next + 1;
    }
    return out;
}

inline std::string_view bytesOf(const uint8_t* data, size_t size) {
    return std::string_view(reinterpret_cast<const char*>(data), size);
}

// Installed for one input; message boxes, beeps and status texts are only recorded.
struct Quiet {
    base::RecordingServices rec;
    base::ScopedServices scope{rec};
};

}  // namespace fuzz
