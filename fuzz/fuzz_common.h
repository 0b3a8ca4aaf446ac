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

inline std::string_view bytesOf(const uint8_t* data, size_t size) {
    return std::string_view(reinterpret_cast<const char*>(data), size);
}

// Installed for one input; message boxes, beeps and status texts are only recorded.
struct Quiet {
    base::RecordingServices rec;
    base::ScopedServices scope{rec};
};

}  // namespace fuzz
