#include "base/files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace base;

namespace {
std::string tempDir() {
    char tmpl[] = "/tmp/chronava-test-XXXXXX";
    return mkdtemp(tmpl);
}
}  // namespace

TEST(Files, ReadsCrLfAndLfAndCutsLongLines) {
    std::string d = tempDir();
    std::string p = d + "/lines.txt";
    ASSERT_TRUE(writeFileAtomic(p, std::string("one\r\ntwo\nthree\r\n\nlast-without-end")));
    LineReader r(p);
    std::string line;
    std::vector<std::string> got;
    while (r.next(line)) got.push_back(line);
    EXPECT_EQ(got, (std::vector<std::string>{"one", "two", "three", "", "last-without-end"}));

    ASSERT_TRUE(writeFileAtomic(p, "abcdefgh\nxy\n"));
    LineReader split(p);
    got.clear();
    while (split.next(line, 3, true)) got.push_back(line);
    EXPECT_EQ(got, (std::vector<std::string>{"abc", "def", "gh", "xy"}));
    LineReader drop(p);
    got.clear();
    while (drop.next(line, 3, false)) got.push_back(line);
    EXPECT_EQ(got, (std::vector<std::string>{"abc", "xy"}));
}

TEST(Files, FailedWriteKeepsPreviousCopy) {
    std::string d = tempDir();
    std::string p = d + "/keep.txt";
    ASSERT_TRUE(writeFileAtomic(p, "good"));
    {
        AtomicFile f(p);
        ASSERT_TRUE(f.isOpen());
        f.writeLine("partial");
        // dropped without commit
    }
    std::string s;
    ASSERT_TRUE(readFile(p, s));
    EXPECT_EQ(s, "good");
    {
        AtomicFile f(p);
        f.writeLine("new");
        ASSERT_TRUE(f.commit());
    }
    ASSERT_TRUE(readFile(p, s));
    EXPECT_EQ(s, "new\r\n");
    // A target folder that does not exist: open fails, nothing is created.
    AtomicFile bad(d + "/missing/x.txt");
    EXPECT_FALSE(bad.isOpen());
    EXPECT_FALSE(bad.commit());
    EXPECT_TRUE(makeDirectories(d + "/x/y/z"));
    EXPECT_TRUE(isDirectory(d + "/x/y/z"));
}
