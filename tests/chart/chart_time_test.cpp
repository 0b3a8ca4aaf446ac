#include "chart/chart_time.h"

#include "base/services.h"

#include <gtest/gtest.h>

using namespace chart;

namespace {

ChartTime at(std::int32_t date, int h, int m, int s, double f = 0) { return {date, h * 3600 + m * 60 + s, f}; }

TEST(ChartTime, ComparesByDateSecondsThenFraction) {
    EXPECT_TRUE(isLater(at(20010101, 0, 0, 0), at(20010102, 0, 0, 0)));
    EXPECT_TRUE(isLater(at(20010101, 0, 0, 0, 5), at(20010101, 0, 0, 0, 6)));
    EXPECT_FALSE(isLater(at(20010101, 0, 0, 0, 6), at(20010101, 0, 0, 0, 6)));
    EXPECT_FALSE(isLater(at(20010102, 0, 0, 0), at(20010101, 23, 59, 59, 999)));
}

TEST(ChartTime, DaysBetweenAndMovingDatesAcrossMonthYearAndLeapEnds) {
    EXPECT_EQ(daysBetween(20000228, 20000301), 2);
    EXPECT_EQ(daysBetween(19000228, 19000301), 1);
    EXPECT_EQ(daysBetween(20010301, 20000301), -365);
    EXPECT_EQ(daysBetween(20010101, 20010101), 0);
    EXPECT_EQ(moveDate(20000228, 2), 20000301);
    EXPECT_EQ(moveDate(19000228, 1), 19000301);
    EXPECT_EQ(moveDate(20040228, 1), 20040229);
    EXPECT_EQ(moveDate(20010101, -1), 20001231);
    EXPECT_EQ(moveDate(20000301, -1), 20000229);
    EXPECT_EQ(moveDate(19991231, 1), 20000101);
    EXPECT_EQ(moveDate(20010131, 29), 20010301);
    // Way beyond what a date number holds: pinned, no overflow.
    EXPECT_EQ(moveDate(20010101, 2000000000L), 2147471231);
}

TEST(ChartTime, AddingOffsetsCarriesThroughSecondsAndDays) {
    for (int digits : {0, 3, 6, 9, 12}) {
        double u = powerOfTen(digits);
        BrokenTime b = addOffset(at(20010101, 0, 0, 0), -1, u);
        EXPECT_EQ(b, (BrokenTime{2000, 12, 31, 23, 59, 59, u - 1})) << digits;
        // And back again.
        EXPECT_EQ(addOffsetTime(assemble(b), 1, u), at(20010101, 0, 0, 0)) << digits;
    }
    EXPECT_EQ(addOffset(at(20000228, 12, 0, 0), 2 * 86400.0, 1), (BrokenTime{2000, 3, 1, 12, 0, 0, 0}));
    EXPECT_EQ(addOffset(at(20011231, 23, 59, 59, 999), 2, 1000), (BrokenTime{2002, 1, 1, 0, 0, 0, 1}));
    EXPECT_EQ(addOffset(at(20010101, 1, 2, 3, 4), 3661.5 * 1e6, 1e6), (BrokenTime{2001, 1, 1, 2, 3, 4, 500004}));
    EXPECT_EQ(unitsBetween(at(20001231, 23, 59, 59, 999), at(20010101, 0, 0, 1, 1), 1000), 1002);
}

TEST(ChartTime, SpansAndTheirLimits) {
    EXPECT_EQ(measureSpan(at(20010101, 10, 0, 0), at(20010101, 10, 0, 10)), (Span{0, 0, 10}));
    EXPECT_EQ(measureSpan(at(20010101, 23, 0, 0), at(20010102, 1, 0, 0)), (Span{0, 0, 7200}));
    EXPECT_EQ(measureSpan(at(20000101, 0, 0, 0), at(20010101, 0, 0, 0)), (Span{1, 1, 0}));  // leap year
    EXPECT_TRUE(checkSpan(3, Span{0, 52, 86399}).fits);
    SpanCheck c = checkSpan(3, Span{0, 53, 0});
    EXPECT_FALSE(c.fits);
    EXPECT_EQ(c.limitText, "52日");
    EXPECT_FALSE(checkSpan(3, Span{1, 0, 0}).fits);
    EXPECT_EQ(checkSpan(4, Span{0, 0, 76}).limitText, "75秒");
    EXPECT_FALSE(checkSpan(4, Span{0, 1, 0}).fits);
    EXPECT_EQ(checkSpan(2, Span{143, 0, 0}).limitText, "142年");
    EXPECT_EQ(checkSpan(0, Span{142000001, 0, 0}).limitText, "142000000年");
    EXPECT_EQ(levelUnitName(3), "ナノ秒");
}

class RangeCheckTest : public ::testing::Test {
protected:
    ChartModel chart(int digits, ChartTime start, ChartTime end) {
        ChartModel m;
        m.setDecimalDigits(digits);
        m.start = m.displayStart = start;
        m.end = m.displayEnd = end;
        return m;
    }
    base::RecordingServices ui;
    base::ScopedServices scope{ui};
};

TEST_F(RangeCheckTest, AddsATenthOnEachSide) {
    ChartModel m = chart(0, at(20010101, 10, 0, 0), at(20010101, 10, 0, 10));
    ASSERT_EQ(rangeCheck(m, "a.tct"), 0);
    EXPECT_EQ(m.displayStart, at(20010101, 9, 59, 59));
    EXPECT_EQ(m.displayEnd, at(20010101, 10, 0, 11));
    EXPECT_FALSE(m.rangeLimited);
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(RangeCheckTest, LowersTheResolutionOnOkAndRescalesEveryFraction) {
    ChartModel m = chart(9, at(20010101, 0, 0, 0, 123456789), at(20010302, 0, 0, 0, 987654321));
    m.signalDeclared[1] = true;
    m.events[1].push_back(ChartEvent{at(20010115, 0, 0, 0, 123456789), 1, 0, 0, 'S'});
    ASSERT_EQ(rangeCheck(m, "big.tct"), 0);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text,
              "データ範囲が有効範囲52日を越えています。\n最小分解能をナノ秒からマイクロ秒に落として表示します。\nbig.tct\n");
    EXPECT_EQ(m.decimalDigits, 6);
    EXPECT_EQ(m.unitScale, 1e6);
    EXPECT_TRUE(m.rangeLimited);
    EXPECT_EQ(m.start.fraction, 123456);
    EXPECT_EQ(m.end.fraction, 987654);
    EXPECT_EQ(m.events[1][0].time.fraction, 123456);
    EXPECT_LT(m.displayStart.fraction, m.unitScale);
    EXPECT_TRUE(isLater(m.displayStart, m.start));
}

TEST_F(RangeCheckTest, CancelInBFallsBackToCAndCancelThereFails) {
    ChartModel m = chart(12, at(20010101, 0, 0, 0), at(20010101, 0, 2, 0));
    ui.answers = {false, true};  // B: cancel, C: OK
    ASSERT_EQ(rangeCheck(m, "p.tct"), 0);
    ASSERT_EQ(ui.boxes.size(), 2u);
    EXPECT_NE(ui.boxes[0].text.find("ピコ秒からナノ秒"), std::string::npos);
    EXPECT_EQ(ui.boxes[1].text, "データ範囲が75秒を越えています。\n先頭から75秒までの範囲を表示します。\np.tct\n");
    EXPECT_EQ(m.decimalDigits, 12);
    EXPECT_TRUE(m.rangeLimited);
    EXPECT_EQ(m.displayEnd, at(20010101, 0, 1, 15));
    EXPECT_EQ(m.displayStart, m.start);

    base::RecordingServices refuse;
    refuse.defaultAnswer = false;
    base::ScopedServices inner(refuse);
    ChartModel n = chart(12, at(20010101, 0, 0, 0), at(20010101, 0, 2, 0));
    EXPECT_EQ(rangeCheck(n, "p.tct"), -1);
}

TEST_F(RangeCheckTest, LongestChartsStayWithinTheDates) {
    // Every span a date number holds fits at 0 digits; the margins are pinned.
    ChartModel m = chart(0, at(10101, 0, 0, 0), at(2147471231, 0, 0, 0));
    ASSERT_EQ(rangeCheck(m, "x"), 0);
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(m.displayEnd.date, 2147471231);
    ChartModel k = chart(3, at(10101, 0, 0, 0), at(1500000101, 0, 0, 0));
    ASSERT_EQ(rangeCheck(k, "x"), 0);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_NE(ui.boxes[0].text.find("142000年"), std::string::npos);
    EXPECT_EQ(k.decimalDigits, 0);
}

TEST(ChartTime, TimeLabels) {
    ChartTime origin = at(20010101, 23, 59, 59, 999);
    TimeLabel l = timeLabel(origin, 1, 3, 1000);
    EXPECT_EQ(l.date, "2001/01/02");
    EXPECT_EQ(l.time, "00:00:00.000");
    EXPECT_EQ(timeLabel(at(20010101, 1, 2, 3), 0, 0, 1).time, "01:02:03");
    // A position inside the last unit never prints as the next second.
    EXPECT_EQ(timeLabel(at(20010101, 1, 2, 3, 999), 0.7, 3, 1000).time, "01:02:03.999");
    EXPECT_EQ(timeLabel(at(20010101, 1, 2, 3, 5), 0, 12, 1e12).time, "01:02:03.000000000005");
}

}  // namespace
