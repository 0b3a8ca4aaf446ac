#include "base/services.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

using namespace base;

TEST(Services, BoxLinesAndButtons) {
    EXPECT_EQ(joinBoxLines("a", "", ""), "a");
    EXPECT_EQ(joinBoxLines("a", "b", ""), "a\nb");
    EXPECT_EQ(joinBoxLines("a", "", "c"), "a\n\nc");
    BoxLayout b = boxLayout(kBoxAsk, "生成を実行しますか?", false);
    EXPECT_EQ(b.buttons, BoxLayout::YesNo);
    EXPECT_EQ(b.icon, BoxLayout::Question);
    EXPECT_FALSE(b.secondDefault);
    b = boxLayout(kBoxAskSecondDefault, "続けます", false);
    EXPECT_EQ(b.buttons, BoxLayout::OkCancel);
    EXPECT_TRUE(b.secondDefault);
    // The warning variant looks for the full-width mark only.
    EXPECT_EQ(boxLayout(kBoxAsk, "よろしいですか?", true).buttons, BoxLayout::OkCancel);
    EXPECT_EQ(boxLayout(kBoxAsk, "よろしいですか？", true).buttons, BoxLayout::YesNo);
    EXPECT_EQ(boxLayout(7, "x?", false).buttons, BoxLayout::Ok);
}

TEST(Services, RecordingAnswersAndRunAndWait) {
    RecordingServices rec;
    ScopedServices scope(rec);
    rec.setPollInterval(20);
    rec.answers = {false};
    EXPECT_FALSE(services().messageBox(kBoxAsk, "Chronava", "q?"));
    EXPECT_TRUE(services().messageBox(kBoxAsk, "Chronava", "q?"));
    EXPECT_TRUE(services().messageBox(kBoxInfo, "Chronava", "info"));
    ASSERT_EQ(rec.boxes.size(), 3u);
    EXPECT_EQ(rec.boxes[0].caption, "Chronava");

    EXPECT_EQ(services().runAndWait("/bin/sh", {"-c", "exit 3"}, "/tmp"), 3);
    EXPECT_EQ(services().runAndWait("/bin/sh", {"-c", "test \"$(pwd)\" = /tmp && test -z \"$HOME\""}, "/tmp"), 0);
    EXPECT_EQ(services().runAndWait("/nonexistent/program", {}, "/tmp"), -1);
}

TEST(Services, CommandLineSplitAndCancel) {
    EXPECT_EQ(splitCommandLine("/bin/sh awk/tcplog.sh /tmp/a b"),
              (std::vector<std::string>{"/bin/sh", "awk/tcplog.sh", "/tmp/a", "b"}));
    EXPECT_EQ(splitCommandLine("  \"/opt/my tools/run\"\t-x \"\" 'a;$HOME' "),
              (std::vector<std::string>{"/opt/my tools/run", "-x", "", "'a;$HOME'"}));
    EXPECT_TRUE(splitCommandLine("   ").empty());
    EXPECT_EQ(pickerDefaultExtension("プロジェクトファイル(*.nam)"), "nam");
    EXPECT_EQ(pickerDefaultExtension("ログファイル(*.klg;*.log)"), "klg");
    EXPECT_EQ(pickerDefaultExtension("すべて"), "");
    EXPECT_EQ(pickerStartPath("*.nam"), "");
    EXPECT_EQ(pickerStartPath("/a/b.nam"), "/a/b.nam");

    RecordingServices rec;
    rec.cancelAtUpdate = 2;
    rec.progressBegin("GIF");
    EXPECT_TRUE(rec.progressUpdate("a", "f1", 1, 3));
    EXPECT_FALSE(rec.progressUpdate("a", "f2", 2, 3));
    EXPECT_TRUE(rec.cancelRequested());
    rec.clearCancel();
    EXPECT_TRUE(rec.progressUpdate("a", "f3", 3, 3));
    EXPECT_EQ(rec.progress.back(), "a|f3|3/3");
}

// The wait ends at the first keep-alive step after the program has ended, not at the
// next poll of the run's interval: a program that has left a mark and ended is seen
// within a few steps.
TEST(Services, RunAndWaitNoticesTheEndAtOnce) {
    const std::string mark = ::testing::TempDir() + "chronava-ended-mark";
    std::remove(mark.c_str());
    struct Counting : RecordingServices {
        std::string mark;
        int afterMark = 0;
        void keepAlive() override {
            if (std::FILE* f = std::fopen(mark.c_str(), "r")) {
                std::fclose(f);
                ++afterMark;
            }
        }
    } rec;
    rec.mark = mark;
    ScopedServices scope(rec);  // the designed 1500 ms interval
    EXPECT_EQ(services().runAndWait("/bin/sh", {"-c", "sleep 0.2; : > '" + mark + "'"}, "/tmp"), 0);
    // 1500 ms of 20 ms steps would be 75.
    EXPECT_LT(rec.afterMark, 40);
    std::remove(mark.c_str());
}
