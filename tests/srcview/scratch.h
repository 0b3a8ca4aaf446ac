// Scratch folders, files and a loaded source list for the source view tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "base/files.h"
#include "base/services.h"
#include "srcview/source_list.h"

namespace srctest {

class TempDir {
public:
    TempDir() {
        char tmpl[] = "/tmp/chronava-src-XXXXXX";
        path_ = ::mkdtemp(tmpl);
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }
    std::string put(const std::string& name, const std::string& bytes) const {
        std::string p = *this / name;
        base::writeFileAtomic(p, bytes);
        return p;
    }

private:
    std::string path_;
};

// `count` lines "line N" (1-based), each ended by a line feed.
inline std::string numberedLines(int count) {
    std::string s;
    for (int i = 1; i <= count; ++i) s += "line " + std::to_string(i) + "\n";
    return s;
}

// Runs iconv on a UTF-8 text; the converted bytes.
inline std::string iconvFromUtf8(const TempDir& dir, const std::string& utf8, const char* code) {
    std::string in = dir.put("iconv-in.txt", utf8);
    std::string out = dir / "iconv-out.txt";
    std::string cmd = std::string("iconv -f UTF-8 -t ") + code + " '" + in + "' > '" + out + "'";
    EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
    std::string bytes;
    base::readFile(out, bytes);
    return bytes;
}

// A test with recorded services and a scratch folder.
class SourceTest : public ::testing::Test {
protected:
    base::RecordingServices rec;
    base::ScopedServices installed{rec};
    TempDir dir;
    srcview::SourceList list;

    srcview::LoadResult load(const std::string& bytes, base::InputCode code = base::InputCode::Utf8, int tab = 8) {
        return list.load(dir.put("src.log", bytes), code, tab);
    }
};

}  // namespace srctest
