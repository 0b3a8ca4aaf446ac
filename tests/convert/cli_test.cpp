#include "convert/cli.h"

#include "convert_test_util.h"

#include <gtest/gtest.h>

#include <cstdio>

using namespace testutil;

namespace {

std::string run(int (*cmd)(int, const char* const*, std::FILE*, std::FILE*), std::vector<const char*> args,
                int& rc) {
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    rc = cmd(static_cast<int>(args.size()), args.data(), out, err);
    std::string text;
    for (std::FILE* f : {out, err}) {
        std::rewind(f);
        char buf[4096];
        std::size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
        std::fclose(f);
    }
    return text;
}

TEST(Cli, ConvertThenDumpPlainLinesAndSummary) {
    std::string dir = tempDir();
    std::string log = dir + "/run.log.klg";
    writeLog(log, {"2001/01/01 10:00:00 $A=ON // 開始", "2001/01/01 10:00:10 $A=OFF"});
    int rc = -1;
    std::string text = run(convert::convertCommand, {"convert", log.c_str()}, rc);
    EXPECT_EQ(rc, 0);
    std::string chart = dir + "/run.log.tct";
    EXPECT_NE(text.find(chart), std::string::npos);

    text = run(convert::dumpCommand, {"dump", chart.c_str()}, rc);
    EXPECT_EQ(rc, 0);
    EXPECT_NE(text.find(" [KOV:TCT:V1.01 ]\n[Common]\nDecimal=0\n"), std::string::npos);
    EXPECT_NE(text.find("0001=開始\n"), std::string::npos);

    text = run(convert::dumpCommand, {"dump", "--summary", chart.c_str()}, rc);
    EXPECT_EQ(rc, 0);
    EXPECT_NE(text.find("displayStart  2001/01/01 09:59:59"), std::string::npos);
    EXPECT_NE(text.find("A"), std::string::npos);
    EXPECT_NE(text.find("2 events"), std::string::npos);

    std::string other = dir + "/other.tct";
    run(convert::convertCommand, {"convert", log.c_str(), "-o", other.c_str()}, rc);
    EXPECT_EQ(rc, 0);
    EXPECT_TRUE(base::fileExists(other));
    text = run(convert::convertCommand, {"convert", (dir + "/none.klg").c_str()}, rc);
    EXPECT_EQ(rc, 11);
    EXPECT_NE(text.find("none.klg"), std::string::npos);
    run(convert::dumpCommand, {"dump"}, rc);
    EXPECT_NE(rc, 0);
}

}  // namespace
