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

// The block reader must hand out exactly the lines the stdio reader does, whatever
// block size splits the lines (and with lines much longer than a block).
TEST(Files, BlockLineReaderMatchesLineReader) {
    std::string d = tempDir();
    std::string p = d + "/block.txt";
    const std::string bodies[] = {
        std::string("one\r\ntwo\nthree\r\n\n\r\nnul\0byte\n", 28) + std::string(70, 'x') + "\r\n" + "a\rb\n" +
            "last-without-end\r",
        "\n\n", "single", "", std::string(5000, 'y') + "\nshort\n"};
    for (const std::string& body : bodies) {
        ASSERT_TRUE(writeFileAtomic(p, body));
        for (std::size_t maxBytes : {std::size_t(3), std::size_t(1023)}) {
            std::vector<std::string> want, got;
            LineReader r(p);
            std::string line;
            while (r.next(line, maxBytes, false)) want.push_back(line);
            for (std::size_t block : {std::size_t(1), std::size_t(3), std::size_t(7), std::size_t(1) << 18}) {
                BlockLineReader b(block);
                ASSERT_TRUE(b.open(p));
                got.clear();
                std::string_view view;
                while (b.next(view, maxBytes)) got.emplace_back(view);
                EXPECT_EQ(got, want) << "block " << block << " max " << maxBytes;
                EXPECT_FALSE(b.next(view, maxBytes));
            }
        }
    }
    BlockLineReader missing;
    EXPECT_FALSE(missing.open(d + "/missing.txt"));
    std::string_view view;
    EXPECT_FALSE(missing.next(view, 10));
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

// One huge line (a sparse file of NUL bytes without a line break) must cost no more
// memory than the line limit: the readers keep the limit and skip the rest.
TEST(Files, OverlongLineIsSkippedWithoutBeingHeld) {
    std::string d = tempDir();
    std::string p = d + "/huge.bin";
    const off_t huge = 48 << 20;
    {
        FILE* f = std::fopen(p.c_str(), "wb");
        ASSERT_TRUE(f);
        ASSERT_EQ(ftruncate(fileno(f), huge), 0);
        std::fseek(f, 0, SEEK_END);
        std::fputs("\r\nafter\n", f);
        std::fclose(f);
    }
    BlockLineReader b;
    ASSERT_TRUE(b.open(p));
    std::string_view view;
    ASSERT_TRUE(b.next(view, 1023));
    EXPECT_EQ(view, std::string(1023, '\0'));
    EXPECT_LT(b.heldBytes(), std::size_t(4) << 20);
    ASSERT_TRUE(b.next(view, 1023));
    EXPECT_EQ(view, "after");
    EXPECT_FALSE(b.next(view, 1023));

    LineReader r(p);
    std::string line;
    ASSERT_TRUE(r.next(line));
    EXPECT_EQ(line.size(), LineReader::kMaxLineBytes);
    EXPECT_TRUE(r.lastWasCut());
    EXPECT_LT(line.capacity(), 2 * LineReader::kMaxLineBytes);
    ASSERT_TRUE(r.next(line));
    EXPECT_EQ(line, "after");

    // Split into limit-sized pieces, each as long as the limit until the last.
    LineReader split(p);
    std::size_t pieces = 0, total = 0;
    while (split.next(line, 1 << 16, true) && line != "after") {
        EXPECT_LE(line.size(), std::size_t(1) << 16);
        ++pieces;
        total += line.size();
    }
    EXPECT_EQ(total, std::size_t(huge));
    EXPECT_EQ(pieces, std::size_t(huge >> 16));
}

TEST(Files, ReadersRefuseFolders) {
    std::string d = tempDir();
    LineReader r;
    EXPECT_FALSE(r.open(d));
    BlockLineReader b;
    EXPECT_FALSE(b.open(d));
}
