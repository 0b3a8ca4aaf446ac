// Reading logs into the source list: line and width limits, tabs, the four input
// codes, and files that are not logs at all.
#include <sys/stat.h>
#include <unistd.h>

#include <random>

#include "scratch.h"

namespace {

using srcview::LoadResult;
using srctest::SourceTest;
namespace text = srcview::text;

std::string lineOf(const srcview::SourceList& l, int i) { return std::string(l.line(i)); }

TEST_F(SourceTest, LineLimitKeepsTenThousandLinesAndEndsShorterFilesWithEof) {
    EXPECT_EQ(load(srctest::numberedLines(10000)), LoadResult::Ok);
    EXPECT_EQ(list.count(), 10000);
    EXPECT_EQ(lineOf(list, 9999), "line 10000");
    EXPECT_FALSE(list.isEofLine(9999));
    EXPECT_TRUE(rec.boxes.empty());

    EXPECT_EQ(load(srctest::numberedLines(9999)), LoadResult::Ok);
    EXPECT_EQ(list.count(), 10000);
    EXPECT_EQ(lineOf(list, 9998), "line 9999");
    EXPECT_EQ(lineOf(list, 9999), "[EOF]");
    EXPECT_TRUE(list.isEofLine(9999));
    EXPECT_TRUE(rec.boxes.empty());

    // One line more: the first 10,000 lines, one box, and no width box although a
    // line was too long, since reading stopped at the line limit.
    std::string s = std::string(300, 'w') + "\n" + srctest::numberedLines(10000);
    EXPECT_EQ(load(s), LoadResult::TooManyLines);
    EXPECT_EQ(list.count(), 10000);
    EXPECT_EQ(lineOf(list, 9999), "line 9999");
    ASSERT_EQ(rec.boxes.size(), 1u);
    EXPECT_EQ(rec.boxes[0].caption, text::kCaptionRead);
    EXPECT_EQ(rec.boxes[0].text, std::string(text::kTooLarge) + "\n" + list.path());
}

TEST_F(SourceTest, LongLinesAreCutAtACharacterBoundaryAndReportedOnce) {
    std::string s = std::string(300, 'x') + "\nshort\n" + std::string(400, 'y') + "\n";
    EXPECT_EQ(load(s), LoadResult::Ok);
    EXPECT_EQ(lineOf(list, 0), std::string(256, 'x'));
    EXPECT_EQ(list.cells(0), 256);
    EXPECT_EQ(lineOf(list, 1), "short");
    EXPECT_EQ(list.longest(), 256);
    EXPECT_TRUE(list.hadLongLines());
    ASSERT_EQ(rec.boxes.size(), 1u);
    EXPECT_EQ(rec.boxes[0].text, std::string(text::kTooWide) + "\n" + list.path());

    // A two-byte character that starts in the 256th byte stays whole (257 bytes);
    // one that starts after it goes.
    rec.boxes.clear();
    EXPECT_EQ(load(std::string(255, 'a') + "あい\n" + std::string(256, 'b') + "う\n"), LoadResult::Ok);
    EXPECT_EQ(lineOf(list, 0), std::string(255, 'a') + "あ");
    EXPECT_EQ(list.cells(0), 257);
    EXPECT_EQ(lineOf(list, 1), std::string(256, 'b'));
    EXPECT_EQ(rec.boxes.size(), 1u);

    // Exactly 256 bytes is no long line.
    rec.boxes.clear();
    std::string kanji;
    for (int i = 0; i < 32; ++i) kanji += "表";
    EXPECT_EQ(load(std::string(192, 'z') + kanji + "\n"), LoadResult::Ok);
    EXPECT_FALSE(list.hadLongLines());
    EXPECT_TRUE(rec.boxes.empty());
}

TEST_F(SourceTest, TabsExpandToTheNextMultipleOfTheTabWidth) {
    load("a\tb\nabcdefgh\tx\n\tz\nあ\tb\n", base::InputCode::Utf8, 8);
    EXPECT_EQ(lineOf(list, 0), "a       b");
    EXPECT_EQ(lineOf(list, 1), "abcdefgh        x");
    EXPECT_EQ(lineOf(list, 2), "        z");
    EXPECT_EQ(lineOf(list, 3), "あ      b");  // the full-width character takes two cells
    EXPECT_EQ(list.cells(3), 9);

    load("a\tb\n", base::InputCode::Utf8, 0);
    EXPECT_EQ(lineOf(list, 0), "ab");

    // A damaged record's width is taken as the largest allowed one.
    load("\tq\n", base::InputCode::Utf8, 1000);
    EXPECT_EQ(lineOf(list, 0), std::string(srcview::kMaxTabWidth, ' ') + "q");

    // Tabs count one byte towards the width limit however far they reach.
    load(std::string(256, '\t') + "\n", base::InputCode::Utf8, 4);
    EXPECT_EQ(list.cells(0), 1024);
    EXPECT_FALSE(list.hadLongLines());
}

TEST_F(SourceTest, TheFourInputCodesShowTheSameLines) {
    const std::string utf8 =
        "2024/01/02 10:00:00.123 $信号=ON 開始\r\n"
        "表示ソ\\ and 能力 (trail bytes 0x5C)\n"
        "ｶﾀｶﾅ 半角\n"
        "\n"
        "last line without a line feed 終";
    struct Case {
        const char* iconvName;
        base::InputCode code;
    } cases[] = {{"CP932", base::InputCode::Sjis},
                 {"EUC-JP", base::InputCode::EucJp},
                 {"UTF-8", base::InputCode::Utf8}};
    std::vector<std::string> want = {"2024/01/02 10:00:00.123 $信号=ON 開始", "表示ソ\\ and 能力 (trail bytes 0x5C)",
                                     "ｶﾀｶﾅ 半角", "", "last line without a line feed 終", "[EOF]"};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.iconvName);
        ASSERT_EQ(load(srctest::iconvFromUtf8(dir, utf8, c.iconvName), c.code), LoadResult::Ok);
        ASSERT_EQ(list.count(), static_cast<int>(want.size()));
        for (int i = 0; i < list.count(); ++i) EXPECT_EQ(lineOf(list, i), want[static_cast<size_t>(i)]);
        EXPECT_EQ(list.firstBadLine(), 0);
        EXPECT_EQ(list.cells(2), 9);  // half-width kana take one cell
    }

    // JIS has no half-width kana in iconv's ISO-2022-JP; the other lines match.
    std::string jisText = utf8;
    jisText.erase(jisText.find("ｶﾀｶﾅ"), std::string("ｶﾀｶﾅ 半角\n").size());
    ASSERT_EQ(load(srctest::iconvFromUtf8(dir, jisText, "ISO-2022-JP"), base::InputCode::Jis), LoadResult::Ok);
    EXPECT_EQ(lineOf(list, 0), want[0]);
    EXPECT_EQ(lineOf(list, 1), want[1]);
    EXPECT_EQ(lineOf(list, 3), "last line without a line feed 終");

    // The shift state carries over to the next line: the second line is still kanji.
    ASSERT_EQ(load("\x1B$B$\"\n$$\x1B(Bz\n", base::InputCode::Jis), LoadResult::Ok);
    EXPECT_EQ(lineOf(list, 0), "あ");
    EXPECT_EQ(lineOf(list, 1), "いz");
    // ... even when the change hides in the part of a line beyond what is shown.
    ASSERT_EQ(load(std::string(5000, 'a') + "\x1B$B\n$\"\n", base::InputCode::Jis), LoadResult::Ok);
    EXPECT_EQ(lineOf(list, 1), "あ");
}

TEST_F(SourceTest, InvalidSequencesShowAsReplacementsAndAreNamed) {
    struct Case {
        base::InputCode code;
        std::string bad;
    } cases[] = {{base::InputCode::Sjis, "x\x81"},
                 {base::InputCode::EucJp, "x\xA4"},
                 {base::InputCode::Utf8, "x\xC3(\xFF"},
                 {base::InputCode::Jis, "x\x1B$B$\x1B(B"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.code));
        EXPECT_EQ(load("fine\n" + c.bad + "\nfine\n", c.code), LoadResult::Ok);
        EXPECT_EQ(list.count(), 4);
        EXPECT_EQ(list.firstBadLine(), 2);
        EXPECT_TRUE(base::isValidUtf8(list.line(1)));
        EXPECT_EQ(list.line(1).substr(0, 1), "x");
        EXPECT_EQ(lineOf(list, 2), "fine");
    }
    // Control characters are shown, not swallowed: NUL no longer ends a line.
    EXPECT_EQ(load(std::string("a\0b\x07\n", 5)), LoadResult::Ok);
    EXPECT_EQ(lineOf(list, 0), "a\u2400b\u2407");
    EXPECT_EQ(list.cells(0), 6);
}

TEST_F(SourceTest, BinaryFilesLoadWithoutHarm) {
    std::mt19937 gen(7);
    std::string bytes(1 << 16, '\0');
    for (char& c : bytes) c = static_cast<char>(gen() & 0xFF);
    for (auto code : {base::InputCode::Sjis, base::InputCode::Jis, base::InputCode::EucJp, base::InputCode::Utf8}) {
        SCOPED_TRACE(static_cast<int>(code));
        LoadResult r = load(bytes, code);
        EXPECT_TRUE(r == LoadResult::Ok || r == LoadResult::Overflow) << static_cast<int>(r);
        EXPECT_GT(list.count(), 0);
        for (int i = 0; i < list.count(); ++i) ASSERT_TRUE(base::isValidUtf8(list.line(i))) << i;
    }

    // Control bytes take two cells each: lines of NULs outgrow the text block.
    std::vector<std::string> status;
    std::string zeros;
    for (int i = 0; i < 200; ++i) zeros += std::string(200, '\0') + "\n";
    rec.boxes.clear();
    EXPECT_EQ(list.load(dir.put("zeros.bin", zeros), base::InputCode::Sjis, 8,
                        [&](std::string_view s) { status.emplace_back(s); }),
              LoadResult::Overflow);
    EXPECT_GT(list.count(), 0);
    EXPECT_LT(list.count(), 200);
    EXPECT_FALSE(list.isEofLine(list.count() - 1));
    ASSERT_FALSE(status.empty());
    EXPECT_EQ(status.front(), text::kReading);
    EXPECT_EQ(status.back(), text::kOverflow);
    ASSERT_EQ(rec.boxes.size(), 1u);
    EXPECT_EQ(rec.boxes[0].text, std::string(text::kTooLarge) + "\n" + list.path());
}

TEST_F(SourceTest, HundredMegabyteFilesStopAtTheLimits) {
    // One line of 100 MB (zeros, no line feed): cut, with the width box.
    std::string one = dir / "one-line.bin";
    {
        std::FILE* f = std::fopen(one.c_str(), "wb");
        ASSERT_TRUE(f);
        ASSERT_EQ(::ftruncate(fileno(f), 100 << 20), 0);
        std::fclose(f);
    }
    EXPECT_EQ(list.load(one, base::InputCode::Utf8, 8), LoadResult::Ok);
    EXPECT_EQ(list.count(), 2);
    EXPECT_EQ(list.cells(0), 512);
    ASSERT_EQ(rec.boxes.size(), 1u);
    EXPECT_EQ(rec.boxes[0].text, std::string(text::kTooWide) + "\n" + one);

    // 100 MB of lines: the first 10,000.
    std::string many = dir / "many-lines.log";
    {
        std::string chunk;
        while (chunk.size() < (1 << 20)) chunk += "2024/01/02 10:00:00.000 $A=ON\n";
        std::FILE* f = std::fopen(many.c_str(), "wb");
        ASSERT_TRUE(f);
        for (int i = 0; i < 100; ++i) ASSERT_EQ(std::fwrite(chunk.data(), 1, chunk.size(), f), chunk.size());
        std::fclose(f);
    }
    rec.boxes.clear();
    EXPECT_EQ(list.load(many, base::InputCode::Sjis, 8), LoadResult::TooManyLines);
    EXPECT_EQ(list.count(), srcview::kMaxLines);
    ASSERT_EQ(rec.boxes.size(), 1u);
    EXPECT_EQ(rec.boxes[0].text, std::string(text::kTooLarge) + "\n" + many);
}

TEST_F(SourceTest, FilesThatCannotBeReadSayWhich) {
    // A pipe without a writer would block a reader for ever: it is refused at once.
    const std::string fifo = dir / "pipe.log";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (std::string p : {dir / "missing.log", dir / "", fifo}) {
        SCOPED_TRACE(p);
        rec.boxes.clear();
        EXPECT_EQ(list.load(p, base::InputCode::Sjis, 8), LoadResult::OpenFailed);
        EXPECT_EQ(list.count(), 0);
        ASSERT_EQ(rec.boxes.size(), 1u);
        EXPECT_EQ(rec.boxes[0].caption, text::kCaptionRead);
        EXPECT_EQ(rec.boxes[0].text, "ファイルオープンエラー\nファイル名(" + p + ")");
    }
    // An empty file is one line: the end mark.
    EXPECT_EQ(load(""), LoadResult::Ok);
    EXPECT_EQ(list.count(), 1);
    EXPECT_TRUE(list.isEofLine(0));
}

TEST(SourceText, SelectedTextFollowsCharacterCells) {
    srctest::TempDir dir;
    base::RecordingServices rec;
    base::ScopedServices installed(rec);
    srcview::SourceList list;
    list.load(dir.put("s.log", "abあc\nxyz\n"), base::InputCode::Utf8, 8);
    EXPECT_EQ(list.textBetween({0, 1}, {0, 4}), "bあ");
    // A character is taken when its first cell is inside: cell 3 is the second half
    // of "あ", so the text starts at "c".
    EXPECT_EQ(list.textBetween({0, 3}, {0, 9}), "c");
    EXPECT_EQ(list.textBetween({1, 2}, {0, 2}), "あc\nxy");
    EXPECT_EQ(list.textBetween({0, 0}, {2, 99}), "abあc\nxyz\n[EOF]");
    EXPECT_EQ(list.textBetween({1, 1}, {1, 1}), "");
}

}  // namespace
