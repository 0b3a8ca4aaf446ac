#include "chart/chart_file.h"

#include "base/services.h"
#include "chart_test_util.h"

#include <gtest/gtest.h>

using namespace chart;
using testutil::writeChart;

namespace {

class ChartFileTest : public ::testing::Test {
protected:
    void SetUp() override { dir = testutil::tempDir(); }
    std::string path(const char* name) { return dir + "/" + name; }
    int read(const std::string& p, bool quiet = false, ReadSettings s = {}) {
        return ReadChartFile(quiet, p, model, &slots, s);
    }
    std::string dir;
    ChartModel model;
    int slots = -1;
    base::RecordingServices ui;
    base::ScopedServices scope{ui};
};

const std::initializer_list<std::string> kSample = {
    " [KOV:TCT:V1.01 ]",
    "[Common]",
    "Decimal=3",
    "Start=2001/02/03 04:05:06.120",
    "End=2001/02/03 04:07:00.005",
    "DisplayStart=2001/02/03 04:05:06.120",
    "DisplayEnd=2001/02/03 04:07:00.005",
    "",
    "[Signal]",
    "0001=CLK 2",
    "0002=STATE 1",
    "0003=REQ",
    "",
    "[Comment]",
    "0001=first edge",
    "0002=\"a\"b\"",
    "0003=\"quoted ; cut\" # not part of it",
    "0004=",
    "0005=信号の変化",
    "",
    "[Display]",
    "0001=IDLE",
    "",
    "[Timing]",
    "20010203 040506 120 0001 S 000001 0001",
    "20010203 040506 500 0002 D 000001 0000",
    "20010203 040700 005 0001 P 000010u 0005",
    "20010203 040700 005 0003 P 000007 0000",
};

TEST_F(ChartFileTest, ReadsEverySectionAndPlainEqualsScrambled) {
    ASSERT_EQ(read(writeChart(path("plain.tct"), kSample)), 0);
    EXPECT_EQ(slots, 4);
    EXPECT_EQ(model.decimalDigits, 3);
    EXPECT_EQ(model.unitScale, 1000.0);
    EXPECT_EQ(model.start, (ChartTime{20010203, 4 * 3600 + 5 * 60 + 6, 120}));
    EXPECT_EQ(model.end, (ChartTime{20010203, 4 * 3600 + 7 * 60, 5}));
    EXPECT_EQ(model.signalCount, 3);
    EXPECT_EQ(model.signalNames[1], "CLK");
    EXPECT_EQ(model.declaredCounts[3], kDefaultEventCount);
    EXPECT_GE(model.events[3].capacity(), 1u);
    ASSERT_EQ(model.events[1].size(), 2u);
    const ChartEvent& pulse = model.events[1][1];
    EXPECT_EQ(pulse.kind, 'P');
    EXPECT_EQ(pulse.value, 10);
    EXPECT_EQ(pulse.pulseUnit, kPulseMicro);
    EXPECT_EQ(pulse.commentNo, 5);
    EXPECT_EQ(model.events[3][0].pulseUnit, kPulseMilli);
    EXPECT_EQ(model.events[2][0].pulseUnit, 0);
    EXPECT_EQ(model.events[2][0].time.fraction, 500);
    // Quotes: the first and the last are removed; ";" and "#" start a comment.
    EXPECT_EQ(model.commentText(2), "a\"b");
    EXPECT_EQ(model.commentText(3), "quoted");
    EXPECT_EQ(model.commentText(4), "");
    EXPECT_EQ(model.commentText(5), "信号の変化");
    EXPECT_EQ(model.commentCount, 5);
    EXPECT_EQ(model.displayText(1), "IDLE");
    EXPECT_EQ(model.commentText(99), "");
    EXPECT_TRUE(ui.boxes.empty());

    ChartModel plain = model;
    ASSERT_EQ(read(writeChart(path("scrambled.tct"), kSample, true)), 0);
    EXPECT_EQ(model.events, plain.events);
    EXPECT_EQ(model.signalNames, plain.signalNames);
    EXPECT_EQ(model.commentTexts, plain.commentTexts);
    EXPECT_EQ(model.displayStart, plain.displayStart);
}

TEST_F(ChartFileTest, HeaderIsCheckedOnTheFirstCountedLine) {
    std::string p = writeChart(path("v2.tct"), {" [KOV:TCT:V1.02 ]", "[Common]"});
    ui.statusTexts.clear();
    EXPECT_EQ(read(p), -1);
    EXPECT_EQ(slots, 0);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].caption, "Chronava");
    EXPECT_EQ(ui.boxes[0].text, "タイミングチャートを生成し直す必要があります。\n生成を実行してください。\n" + p + "\n");
    EXPECT_EQ(ui.statusTexts, std::vector<std::string>{""});

    // Empty lines before the header do not count; trailing characters are accepted.
    EXPECT_EQ(read(writeChart(path("ok.tct"), {"", " [KOV:TCT:V1.01 ] extra", "[Common]", "Decimal=0",
                                               "Start=2001/01/01 00:00:00.0", "End=2001/01/01 00:00:10.0"})),
              0);
    // Missing and empty files fail without a message.
    ui.boxes.clear();
    EXPECT_EQ(read(path("missing.tct")), -1);
    EXPECT_EQ(read(writeChart(path("empty.tct"), {"", ""})), -1);
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(ChartFileTest, DecimalRoundsUpToThreesAndMinimumResolutionOverrides) {
    auto chart = [&](const char* decimal, const char* fracStart) {
        return writeChart(path("d.tct"), {" [KOV:TCT:V1.01 ]", "[Common]", decimal,
                                          std::string("Start=2001/01/01 00:00:00.") + fracStart,
                                          "End=2001/01/01 00:00:10.0"});
    };
    ASSERT_EQ(read(chart("Decimal=2", "50")), 0);
    EXPECT_EQ(model.decimalDigits, 3);
    EXPECT_EQ(model.start.fraction, 500);
    ASSERT_EQ(read(chart("Decimal=13", "1234567890123")), 0);
    EXPECT_EQ(model.decimalDigits, 12);
    EXPECT_EQ(model.start.fraction, 123456789012.0);
    // Choice 2 (milliseconds) wins over the file's digits.
    ASSERT_EQ(read(chart("Decimal=6", "123456"), false, ReadSettings{2, false}), 0);
    EXPECT_EQ(model.decimalDigits, 3);
    EXPECT_EQ(model.start.fraction, 123);
    // Without a Decimal= line times read with 0 digits.
    ASSERT_EQ(read(chart("", "999")), 0);
    EXPECT_EQ(model.decimalDigits, 0);
    EXPECT_EQ(model.start.fraction, 0);
}

TEST_F(ChartFileTest, SignalLimitsAndGrowthBeyondTheDeclaredCount) {
    std::string p = writeChart(path("many.tct"), {
        " [KOV:TCT:V1.01 ]", "[Common]", "Decimal=0", "Start=2001/01/01 00:00:00.0",
        "End=2001/01/01 00:01:00.0", "[Signal]", "0001=a 1", "0001=A-again 1", "0033=toomany 5", "0002=b 1",
        "[Timing]",
        "20010101 000001 0 0001 S 000001 0000",
        "20010101 000002 0 0001 S 000000 0000",
        "20010101 000003 0 0001 S 000001 0000",
        "20010101 000004 0 0033 S 000001 0000",
        "20010101 000005 0 0007 S 000001 0000",  // no [Signal] entry
        "20010101 000006 0 0002 G 050123 0000",
        "/ the rest is not read",
        "20010101 000007 0 0002 S 000001 0000",
    });
    ASSERT_EQ(read(p), 0);
    EXPECT_EQ(model.signalCount, 2);
    EXPECT_EQ(model.signalNames[1], "A-again");
    EXPECT_EQ(model.events[1].size(), 3u);  // declared 1, kept all three
    EXPECT_EQ(model.events[2].size(), 1u);
    EXPECT_EQ(model.events[2][0].value, 50123);
    EXPECT_EQ(slots, 3);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].caption, "【 タイミング図作成 】");
    EXPECT_EQ(ui.boxes[0].text, "信号数が制限を越えています。");

    ui.boxes.clear();
    ASSERT_EQ(read(p, true), 0);
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(ChartFileTest, SortsSignalsByNameIgnoringCase) {
    std::string p = writeChart(path("sort.tct"), {" [KOV:TCT:V1.01 ]", "[Common]", "Start=2001/01/01 00:00:00.0",
                                                  "End=2001/01/01 00:01:00.0", "[Signal]", "0001=zeta 0",
                                                  "0002=Alpha 0", "0003=beta 0"});
    ASSERT_EQ(read(p), 0);
    EXPECT_EQ(model.signalOrder[1], 1);
    EXPECT_EQ(model.signalOrder[3], 3);
    EXPECT_EQ(slots, 0);
    ASSERT_EQ(read(p, false, ReadSettings{0, true}), 0);
    EXPECT_EQ(model.signalOrder[1], 2);
    EXPECT_EQ(model.signalOrder[2], 3);
    EXPECT_EQ(model.signalOrder[3], 1);
}

TEST_F(ChartFileTest, StartEqualToEndIsRefusedAndLeavesAnEmptyModel) {
    std::string p = writeChart(path("flat.tct"), {" [KOV:TCT:V1.01 ]", "[Common]", "Decimal=3",
                                                  "Start=2001/01/01 00:00:00.5", "End=2001/01/01 00:00:00.5",
                                                  "[Signal]", "0001=a 1", "[Timing]",
                                                  "20010101 000000 500 0001 S 000001 0000"});
    EXPECT_EQ(read(p), -1);
    EXPECT_EQ(slots, 0);
    EXPECT_EQ(model.signalCount, 0);
    EXPECT_EQ(model.eventCount(), 0u);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text.rfind("データ日時が昇順ではありません。", 0), 0u);
}

TEST_F(ChartFileTest, GarbageNeverCrashes) {
    std::string bytes = std::string(" [KOV:TCT:V1.01 ]\r\n[Common]\r\nDecimal=99999999999\r\n");
    bytes += "Start=2\r\nEnd=9999/99/99 99:99:99.99999999999999999999\r\n[Signal]\r\n";
    bytes += "0001=x 99999999999\r\n-5=neg 1\r\n=\r\n0002\r\n[Comment]\r\n999999=a\r\n0=b\r\nnoequals\r\n";
    bytes += "[Timing]\r\n20010101\r\n1 2 3 0001 P\r\n1 2 3 0001 P 99999999999999999u 1\r\n";
    bytes += std::string("\0\0\xff\xfe\x01\x02\x03", 7) + "\r\n";
    bytes += std::string(5000, 'x') + "\r\n" + std::string(300, '\x81') + "\r\n";
    ASSERT_TRUE(base::writeFileAtomic(path("garbage.tct"), bytes));
    read(path("garbage.tct"));
    // Random bytes after a valid header.
    unsigned seed = 12345;
    for (int round = 0; round < 30; ++round) {
        std::string junk = " [KOV:TCT:V1.01 ]\n[Common]\nDecimal=3\n[Signal]\n0001=a 3\n[Timing]\n";
        for (int i = 0; i < 2000; ++i) {
            seed = seed * 1103515245 + 12345;
            char c = static_cast<char>(seed >> 16);
            junk += (seed >> 8) % 17 == 0 ? '\n' : (seed >> 9) % 5 == 0 ? ' ' : c;
        }
        ASSERT_TRUE(base::writeFileAtomic(path("junk.tct"), junk));
        read(path("junk.tct"), true);
        for (const auto& v : model.events) EXPECT_LE(v.size(), 2000u);
    }
}

}  // namespace

namespace {

TEST_F(ChartFileTest, RecordsWithOddSpacingReadLikeTheUsualShape) {
    auto chart = [&](const char* name, std::initializer_list<std::string> records) {
        std::initializer_list<std::string> head = {" [KOV:TCT:V1.01 ]", "[Common]", "Decimal=6",
                                                   "Start=2001/01/01 00:00:00.0", "End=2001/01/01 00:10:00.0",
                                                   "[Signal]", "0001=a 3", "0002=b 3", "[Timing]"};
        std::vector<std::string> lines(head);
        lines.insert(lines.end(), records);
        std::string bytes;
        for (const auto& l : lines) bytes += l + "\r\n";
        base::writeFileAtomic(path(name), bytes);
        EXPECT_EQ(read(path(name)), 0);
        return model.events;
    };
    auto usual = chart("usual.tct", {"20010101 000001 5 0001 P 000010u 0003", "20010101 000102 123456789 0002 G 050000 0000",
                                     "20010101 000203 000001 0001 P 000007 0000"});
    auto odd = chart("odd.tct", {"20010101,000001  5   0001 Pulse 10u,3", "20010101 000102 123456789 2 G 50000",
                                 "20010101 000203 000001 0001 P 7x 0"});
    EXPECT_EQ(usual, odd);
    EXPECT_EQ(usual[2][0].time.fraction, 123456);
    EXPECT_EQ(usual[1][0].time.fraction, 500000);
    EXPECT_EQ(usual[1][0].pulseUnit, kPulseMicro);
    EXPECT_EQ(usual[1][1].pulseUnit, kPulseMilli);

    // Digit runs far longer than any field (beyond a 64-bit number) go the general
    // way and saturate.
    auto longRuns = chart("long.tct", {"20010101 000304 " + std::string(30, '7') + " 0001 S " + std::string(25, '9') + " " +
                                       std::string(40, '8')});
    ASSERT_EQ(longRuns[1].size(), 1u);
    EXPECT_EQ(longRuns[1][0].time.seconds, 184);
    EXPECT_EQ(longRuns[1][0].time.fraction, 777777);
    EXPECT_EQ(longRuns[1][0].value, 2147483647);
    EXPECT_EQ(longRuns[1][0].commentNo, 2147483647);
}

}  // namespace
