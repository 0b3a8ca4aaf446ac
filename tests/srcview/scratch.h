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
#include "../app/testutil.h"

namespace srctest {

using TempDir = apptest::TempDir;

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
