#include "convert/converter.h"

#include "convert_test_util.h"

#include <gtest/gtest.h>

#include <iconv.h>
#include <sys/stat.h>

using namespace testutil;
using convert::Converter;

namespace {

class ConverterTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = tempDir();
        log = dir + "/in.klg";
        chartPath = dir + "/out.tct";
    }
    int run(const std::vector<std::string>& lines) {
        writeLog(log, lines);
        return convertFile(log, chartPath, &reason);
    }
    std::string dir, log, chartPath, reason;
};

// A log without any event line (empty, comments only, or bytes that are no text)
// gives no chart: one without events would be refused by the chart reader. A chart
// written earlier stays as it was.
TEST_F(ConverterTest, LogWithoutEventsWritesNoChart) {
    base::writeFileAtomic(chartPath, "previous");
    std::string noise;
    for (int i = 0; i < 200000; ++i) noise += static_cast<char>((i * 7919 + i / 13) % 251);
    for (const std::vector<std::string>& lines :
         {std::vector<std::string>{}, {"# only comments", "", "; and blanks", ""}, {noise},
          {"2001/02/03 04:05:06 no event word here"}}) {
        EXPECT_EQ(run(lines), convert::kConvertNoEvents);
        EXPECT_NE(reason.find("イベント行がありません"), std::string::npos) << reason;
        std::string kept;
        ASSERT_TRUE(base::readFile(chartPath, kept));
        EXPECT_EQ(kept, "previous");
    }
}

TEST_F(ConverterTest, HeaderAndEmptySectionsAreScrambledLineByLine) {
    ASSERT_EQ(run({"# only comments", "", "2001/02/03 04:05:06 $A=ON", "2001/02/03 04:05:07 comment only"}), 0);
    std::vector<std::string> expect = {
        " [KOV:TCT:V1.01 ]", "[Common]", "Decimal=0", "Start=2001/02/03 04:05:06.0", "End=2001/02/03 04:05:07.0",
        "DisplayStart=2001/02/03 04:05:06.0", "DisplayEnd=2001/02/03 04:05:07.0", "", "[Signal]", "0001=A 1", "",
        "[Comment]", "", "[Display]", "", "[Timing]", "20010203 040506 0 0001 S 000001 0000"};
    EXPECT_EQ(chartLines(chartPath), expect);
    // Every line, the empty ones included, is scrambled as the shared routine does it
    // for its line number, and ends in CR LF.
    base::LineReader r(chartPath);
    std::string stored;
    int no = 0;
    while (r.next(stored)) {
        ASSERT_LT(static_cast<std::size_t>(no), expect.size());
        EXPECT_EQ(stored, chart::scrambleLine(expect[no], no + 1)) << no;
        ++no;
    }
    std::string raw;
    ASSERT_TRUE(base::readFile(chartPath, raw));
    EXPECT_EQ(raw.substr(raw.size() - 2), "\r\n");
}

TEST_F(ConverterTest, DigitCountAndFractions) {
    ASSERT_EQ(run({"2001/02/03 04:05:06.5 $A=ON", "2001/02/03 04:05:07.123 $A=OFF", "2001/02/03 04:05:08 $A=ON",
                   "2001/02/03 04:05:09.99999 garbage words"}),
              0);
    std::vector<std::string> lines = chartLines(chartPath);
    EXPECT_EQ(lines[2], "Decimal=3");
    EXPECT_EQ(lines[3], "Start=2001/02/03 04:05:06.500");
    // The end is the last data line whose time stamp was read, even without an event.
    EXPECT_EQ(lines[4], "End=2001/02/03 04:05:09.999");
    EXPECT_EQ(timing(chartPath), (std::vector<std::string>{"20010203 040506 500 0001 S 000001 0000",
                                                           "20010203 040507 123 0001 S 000000 0000",
                                                           "20010203 040508 000 0001 S 000001 0000"}));
    // More than twelve digits are cut to twelve, which is what a chart holds.
    ASSERT_EQ(run({"2001/02/03 04:05:06.123456789012345 $A=ON"}), 0);
    EXPECT_EQ(chartLines(chartPath)[2], "Decimal=12");
    EXPECT_EQ(timing(chartPath)[0], "20010203 040506 123456789012 0001 S 000001 0000");
}

TEST_F(ConverterTest, KeywordArguments) {
    ASSERT_EQ(run({
                  "2001/01/01 00:00:01 $V=VALUE(150%)",
                  "2001/01/01 00:00:02 $V=value(-5)",
                  "2001/01/01 00:00:03 $V=Value(42.5)",
                  "2001/01/01 00:00:04 $P=PULSE(10u)",
                  "2001/01/01 00:00:05 $P=PULSE(10)",
                  "2001/01/01 00:00:06 $P=PULSE(10",
                  "2001/01/01 00:00:07 $G=GRAPH(75)",
                  "2001/01/01 00:00:08 $D=DISP(plain)",
                  "2001/01/01 00:00:09 $D=DISP(\"IDLE\")",
                  "2001/01/01 00:00:10 $D=DISP(\"IDLE\")",
                  "2001/01/01 00:00:11 $V = ON",
                  "2001/01/01 00:00:12 $V=TOGGLE",
                  "2001/01/01 00:00:13 V=ON",
                  "2001/01/01 00:00:14 $V=",
                  "2001/01/01\t00:00:15\t$S=on\t// tab separated ",
              }),
              0);
    EXPECT_EQ(timing(chartPath), (std::vector<std::string>{
                                     "20010101 000001 0 0001 V 100000 0000",
                                     "20010101 000002 0 0001 V 000000 0000",
                                     "20010101 000003 0 0001 V 042500 0000",
                                     "20010101 000004 0 0002 P 000010u 0000",
                                     "20010101 000005 0 0002 P 000010 0000",
                                     "20010101 000006 0 0002 P 000000 0000",
                                     "20010101 000007 0 0003 G 075000 0000",
                                     "20010101 000008 0 0004 D 000000 0000",
                                     "20010101 000009 0 0004 D 000001 0000",
                                     "20010101 000010 0 0004 D 000001 0000",
                                     "20010101 000015 0 0005 S 000001 0001",
                                 }));
    std::vector<std::string> lines = chartLines(chartPath);
    EXPECT_EQ(lines[9], "0001=V 3");
    EXPECT_EQ(lines[13], "0005=S 1");
    EXPECT_EQ(lines[16], "0001=tab separated");
    EXPECT_EQ(lines[19], "0001=IDLE");
}

TEST_F(ConverterTest, ListsKeepFirstAppearanceWithoutDuplicates) {
    ASSERT_EQ(run({"2001/01/01 00:00:01 $B=ON // same", "2001/01/01 00:00:02 $A=ON //   other  ",
                   "2001/01/01 00:00:03 $B=OFF // same", "2001/01/01 00:00:04 $b=OFF // Same", "/",
                   "2001/01/01 00:00:05 $C=ON // after the end"}),
              0);
    std::vector<std::string> lines = chartLines(chartPath);
    std::vector<std::string> signals(lines.begin() + 9, lines.begin() + 12);
    EXPECT_EQ(signals, (std::vector<std::string>{"0001=B 2", "0002=A 1", "0003=b 1"}));
    EXPECT_EQ(lines[14], "0001=same");
    EXPECT_EQ(lines[15], "0002=other");
    EXPECT_EQ(lines[16], "0003=Same");
    EXPECT_EQ(timing(chartPath)[2], "20010101 000003 0 0001 S 000000 0001");
    EXPECT_EQ(timing(chartPath).size(), 4u);
    EXPECT_EQ(lines[4], "End=2001/01/01 00:00:04.0");
}

TEST_F(ConverterTest, UsageAndFileErrors) {
    const char* none[] = {convert::kConverterId};
    EXPECT_EQ(convert::convertLog(1, none), 11);
    writeLog(log, {"2001/01/01 00:00:01 $A=ON"});
    const char* bad[] = {convert::kConverterId, log.c_str(), "-x"};
    EXPECT_EQ(convert::convertLog(3, bad), 11);
    const char* bareO[] = {convert::kConverterId, log.c_str(), "-o"};
    EXPECT_EQ(convert::convertLog(3, bareO), 11);
    EXPECT_EQ(convertFile(dir + "/missing.klg", chartPath), 11);
    EXPECT_FALSE(base::fileExists(chartPath));
    EXPECT_EQ(convertFile(log, dir + "/no/such/folder/x.tct"), 10);
    // Without -o the chart goes beside the log; the last input word counts.
    const char* beside[] = {convert::kConverterId, "ignored.klg", log.c_str()};
    EXPECT_EQ(convert::convertLog(3, beside), 0);
    EXPECT_TRUE(base::fileExists(dir + "/in.tct"));
}

TEST_F(ConverterTest, TooManySignalsOrAFullPoolFailsAndKeepsTheOldChart) {
    ASSERT_EQ(run({"2001/01/01 00:00:01 $A=ON"}), 0);
    std::string good;
    ASSERT_TRUE(base::readFile(chartPath, good));

    std::vector<std::string> many;
    for (int i = 0; i < 256; ++i) many.push_back("2001/01/01 00:00:01 $S" + std::to_string(i) + "=ON");
    EXPECT_EQ(run(many), convert::kConvertLimit);
    EXPECT_NE(reason.find("255"), std::string::npos);
    many.pop_back();
    EXPECT_EQ(run(many), 0);

    ASSERT_EQ(run({"2001/01/01 00:00:01 $A=ON"}), 0);
    std::vector<std::string> big;
    std::string filler(1000, 'x');
    for (int i = 0; i < 600; ++i) big.push_back("2001/01/01 00:00:01 $A=ON // " + std::to_string(i) + filler);
    EXPECT_EQ(run(big), convert::kConvertLimit);
    EXPECT_NE(reason.find("512000"), std::string::npos);
    std::string after;
    ASSERT_TRUE(base::readFile(chartPath, after));
    EXPECT_EQ(after, good);
}

TEST_F(ConverterTest, OverlongEntriesEndTheirSectionAndLongLinesAreCut) {
    std::string longName(257, 'n');
    std::string hugeComment(2000, 'c');
    ASSERT_EQ(run({"2001/01/01 00:00:01 $A=ON // short", "2001/01/01 00:00:02 $" + longName + "=ON",
                   "2001/01/01 00:00:03 $B=ON", "2001/01/01 00:00:04 $A=OFF // " + hugeComment}),
              0);
    std::vector<std::string> lines = chartLines(chartPath);
    EXPECT_EQ(lines[9], "0001=A 2");
    EXPECT_EQ(lines[10], "");  // the long name and B are left out
    EXPECT_EQ(lines[11], "[Comment]");
    EXPECT_EQ(lines[12], "0001=short");
    // The comment was cut with its line at 1023 bytes: still too long for [Comment],
    // but the record keeps its number and no piece of the line became a line of its own.
    EXPECT_EQ(lines[13], "");
    EXPECT_EQ(timing(chartPath).size(), 4u);
    EXPECT_EQ(timing(chartPath)[3], "20010101 000004 0 0001 S 000000 0002");
}

TEST_F(ConverterTest, Utf8LogsBecomeShiftJisAndShiftJisStaysByteForByte) {
    ASSERT_EQ(run({"2001/01/01 00:00:01 $信号=DISP(\"待機中\") // 最初の変化"}), 0);
    std::vector<std::string> lines = chartLines(chartPath);
    EXPECT_EQ(lines[9], base::toCp932("0001=信号 1"));
    EXPECT_EQ(lines[12], base::toCp932("0001=最初の変化"));
    EXPECT_EQ(lines[15], base::toCp932("0001=待機中"));

    // "表" ends in 0x5C in Shift-JIS, which must not be taken for anything.
    std::string sjis = base::toCp932("2001/01/01 00:00:01 $表示=ON // ソース表");
    base::writeFileAtomic(log, sjis + "\r\n");
    ASSERT_EQ(convertFile(log, chartPath), 0);
    lines = chartLines(chartPath);
    EXPECT_EQ(lines[9], base::toCp932("0001=表示 1"));
    EXPECT_EQ(lines[12], base::toCp932("0001=ソース表"));

    // A character that Shift-JIS cannot hold is reported, not written as "?".
    EXPECT_EQ(run({"2001/01/01 00:00:01 $A=ON // 😀"}), convert::kConvertLimit);
    EXPECT_NE(reason.find("😀"), std::string::npos);
}

TEST_F(ConverterTest, GarbageInputIsSkippedLineByLine) {
    std::string bytes = "2001/01/01 00:00:01 $A=ON\n";
    bytes += std::string("2001/01/01 00:00:02 $A=\0OFF\n", 28);
    bytes += "2001/13/01 00:00:03 $A=OFF\n2001/01/01 24:00:00 $A=OFF\n-1/-1/-1 -1:-1:-1 $A=OFF\n";
    bytes += "99999999999999/1/1 1:1:1.1 $A=OFF\n2001/01/01 00:00:04.x $A=OFF\n";
    unsigned seed = 7;
    for (int i = 0; i < 20000; ++i) {
        seed = seed * 1103515245 + 12345;
        bytes += static_cast<char>(seed >> 16);
    }
    bytes += "\n2001/01/01 00:00:05 $A=OFF\n";
    base::writeFileAtomic(log, bytes);
    Converter c;
    ASSERT_EQ(c.convert(log, chartPath), 0);
    EXPECT_EQ(timing(chartPath), (std::vector<std::string>{"20010101 000001 0 0001 S 000001 0000",
                                                           "20010101 000005 0 0001 S 000000 0000"}));
    EXPECT_FALSE(c.stats().utf8);
}

}  // namespace

namespace {

// UTF-8 to ISO-2022-JP or EUC-JP through iconv.
bool encode(const std::string& utf8, base::InputCode code, std::string& out) {
    iconv_t cd = iconv_open(code == base::InputCode::Jis ? "ISO-2022-JP" : "EUC-JP", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    std::string in = utf8;
    out.assign(in.size() * 4 + 16, '\0');
    char* src = in.data();
    char* dst = out.data();
    std::size_t inLeft = in.size(), outLeft = out.size();
    bool ok = iconv(cd, &src, &inLeft, &dst, &outLeft) != static_cast<std::size_t>(-1) &&
              iconv(cd, nullptr, nullptr, &dst, &outLeft) != static_cast<std::size_t>(-1);
    iconv_close(cd);
    out.resize(out.size() - outLeft);
    return ok;
}

TEST_F(ConverterTest, JisAndEucLogsWithTheirCodeSet) {
    std::string text = "2001/01/01 00:00:01 $状態=DISP(\"待機\") // 開始";
    for (auto code : {base::InputCode::Jis, base::InputCode::EucJp}) {
        std::string bytes;
        ASSERT_TRUE(encode(text, code, bytes));
        base::writeFileAtomic(log, bytes + "\n");
        Converter c;
        c.setInputCode(code);
        ASSERT_EQ(c.convert(log, chartPath), 0) << c.reason();
        std::vector<std::string> lines = chartLines(chartPath);
        EXPECT_EQ(lines[9], base::toCp932("0001=状態 1"));
        EXPECT_EQ(lines[12], base::toCp932("0001=開始"));
        EXPECT_EQ(lines[15], base::toCp932("0001=待機"));
    }
}

}  // namespace
