#include "chart/ruler.h"

#include <gtest/gtest.h>

using namespace chart;

namespace {

ChartTime at(std::int32_t date, int h, int m, int s, double f = 0) { return {date, h * 3600 + m * 60 + s, f}; }

RulerInput input(ChartTime origin, int digits, double p, double from, double to) {
    RulerInput in;
    in.origin = origin;
    in.decimalDigits = digits;
    in.unitScale = digits == 0 ? 1 : digits == 3 ? 1e3 : digits == 6 ? 1e6 : digits == 9 ? 1e9 : 1e12;
    in.pixelsPerUnit = p;
    in.viewStart = from;
    in.viewEnd = to;
    in.x0 = 100;
    return in;
}

const RulerTick* tickAt(const Ruler& r, double offset) {
    for (const auto& t : r.ticks)
        if (t.offset == offset) return &t;
    return nullptr;
}

TEST(RulerTable, RowsForEveryDigitCount) {
    for (int d : {0, 3, 6, 9, 12}) {
        RulerTable t = buildRulerTable(d);
        EXPECT_EQ(t.timeRows.size(), static_cast<std::size_t>(3 * d + 6 + (d <= 9 ? 1 : 0))) << d;
        EXPECT_EQ(t.calendarRows.size(), d <= 6 ? 6u : d <= 9 ? 3u : 0u) << d;
    }
    RulerTable t = buildRulerTable(3);
    const RulerRow& first = t.timeRows[0];
    EXPECT_EQ(first.steps[3], 5);
    EXPECT_EQ(first.labelWidth, 6);
    EXPECT_EQ(t.timeRows[1].labelWidth, 23);
    // Third row of the last sub-second power: label step one second, width 5.
    const RulerRow& sec = t.timeRows[8];
    EXPECT_EQ(sec.steps[0], 100);
    EXPECT_EQ(sec.steps[1], 500);
    EXPECT_EQ(sec.steps[2], 1000);
    EXPECT_EQ(sec.labelWidth, 5);
    EXPECT_EQ(t.timeRows[14].steps[2], 3600 * 1000.0);
    EXPECT_EQ(t.timeRows[14].labelWidth, 7);
    EXPECT_EQ(t.timeRows[15].steps[2], 43200 * 1000.0);
    EXPECT_EQ(t.calendarRows[5].labelStep, 3153600000.0 * 1000);
}

TEST(RulerTable, ChoosesTheFirstRowWhoseLabelsHaveRoom) {
    RulerTable t = buildRulerTable(0);
    // Label step 60 s needs more than 25 px: at 0.5 px/s the 60 s row (index 2) qualifies.
    EXPECT_EQ(chooseRulerRow(t, 0.5).row, 2);
    EXPECT_FALSE(chooseRulerRow(t, 0.5).calendar);
    EXPECT_EQ(chooseRulerRow(t, 30).row, 0);
    RulerChoice c = chooseRulerRow(t, 2e-4);
    EXPECT_TRUE(c.calendar);
    EXPECT_EQ(c.row, 1);
    c = chooseRulerRow(t, 1e-12);
    EXPECT_TRUE(c.calendar);
    EXPECT_EQ(c.row, 5);  // none qualifies: the last calendar row
    RulerTable p = buildRulerTable(12);
    c = chooseRulerRow(p, 1e-18);
    EXPECT_FALSE(c.calendar);
    EXPECT_EQ(c.row, static_cast<int>(p.timeRows.size()) - 1);
}

TEST(RulerTable, LongLabelStepIsTheLargestCandidateThatFits) {
    EXPECT_EQ(longLabelStep(10, 5000, 3, 1000), 1000);
    EXPECT_EQ(longLabelStep(10, 300, 3, 1000), 200);
    EXPECT_EQ(longLabelStep(10, 15, 3, 1000), 10);  // none fits: w = u
    EXPECT_EQ(longLabelStep(1000, 100000, 3, 1000), 60000);
    EXPECT_EQ(longLabelStep(60, 1000, 0, 1), 600);
    EXPECT_EQ(longLabelStep(43200, 1e9, 0, 1), 86400);
}

TEST(RulerTable, CalendarRules) {
    double U = 1;
    EXPECT_EQ(calendarRule(3600, U), CalendarRule::Multiples);
    EXPECT_EQ(calendarRule(86400, U), CalendarRule::Multiples);
    EXPECT_EQ(calendarRule(864000, U), CalendarRule::TenDays);
    EXPECT_EQ(calendarRule(2678400, U), CalendarRule::Months);
    EXPECT_EQ(calendarRule(93 * 86400, U), CalendarRule::Quarters);
    EXPECT_EQ(calendarRule(31536000, U), CalendarRule::Years);
    EXPECT_EQ(calendarRule(315360000, U), CalendarRule::Decades);
    EXPECT_EQ(calendarRule(3153600000.0, U), CalendarRule::Centuries);
    EXPECT_EQ(calendarRule(2 * 86400, U), CalendarRule::Centuries);
}

TEST(Ruler, MinutesWithLongLabelsEveryTenMinutes) {
    Ruler r = computeRuler(input(at(20010101, 10, 0, 0), 0, 0.6, 0, 1200));
    EXPECT_EQ(r.tickStep, 10);
    EXPECT_EQ(r.longTickStep, 30);
    EXPECT_EQ(r.labelStep, 60);
    EXPECT_EQ(r.longLabelStep, 600);
    ASSERT_EQ(r.ticks.size(), 121u);
    EXPECT_EQ(r.ticks[0].kind, RulerTick::Labelled);
    EXPECT_EQ(r.ticks[0].shortLabel, "00");
    EXPECT_EQ(r.ticks[0].longLabel, "10:00");
    EXPECT_EQ(r.ticks[3].kind, RulerTick::Long);
    EXPECT_EQ(r.ticks[1].kind, RulerTick::Small);
    EXPECT_EQ(r.ticks[6].shortLabel, "01");
    EXPECT_EQ(r.ticks[6].x, 136);
    // At 0.5 px a second the 10 s ticks are 5 px apart: only the labels remain.
    r = computeRuler(input(at(20010101, 10, 0, 0), 0, 0.5, 0, 1200));
    ASSERT_EQ(r.ticks.size(), 21u);
    EXPECT_FALSE(r.ticks[0].tickDrawn);
    EXPECT_EQ(r.ticks[1].shortLabel, "01");
    EXPECT_EQ(tickAt(r, 600)->longLabel, "10:10");
    EXPECT_EQ(tickAt(r, 60)->longLabel, "");
}

TEST(Ruler, SubSecondTicksFollowTheSecondNotTheOrigin) {
    Ruler r = computeRuler(input(at(20010101, 0, 0, 0, 250), 3, 1, 0, 2000));
    EXPECT_EQ(r.tickStep, 10);
    EXPECT_EQ(r.labelStep, 100);
    EXPECT_EQ(r.longLabelStep, 1000);
    ASSERT_NE(tickAt(r, 0), nullptr);
    EXPECT_EQ(tickAt(r, 0)->kind, RulerTick::Long);  // .250 is a multiple of 50
    EXPECT_EQ(tickAt(r, 50)->shortLabel, "300");
    EXPECT_EQ(tickAt(r, 750)->shortLabel, "000");
    EXPECT_EQ(tickAt(r, 750)->longLabel, "00:00:01.000");
    EXPECT_EQ(tickAt(r, 50)->longLabel, "");
}

TEST(Ruler, LongLabelsCountFromMidnightNotFromTheOrigin) {
    // Labels every second from 10:00:30; long labels fall on whole minutes.
    Ruler r = computeRuler(input(at(20010101, 10, 0, 30), 0, 30, 0, 100));
    EXPECT_EQ(r.labelStep, 1);
    EXPECT_EQ(r.longLabelStep, 60);
    EXPECT_EQ(tickAt(r, 0)->longLabel, "");
    EXPECT_EQ(tickAt(r, 30)->longLabel, "10:01:00");
    EXPECT_EQ(tickAt(r, 30)->shortLabel, "00");
    // The same with milliseconds and ticks below a second.
    r = computeRuler(input(at(20010101, 10, 0, 30, 500), 3, 0.1, 0, 100000));
    EXPECT_LT(r.tickStep, 1000);
    EXPECT_EQ(r.longLabelStep, 60000);
    EXPECT_EQ(tickAt(r, 29500)->longLabel, "10:01:00");
}

TEST(Ruler, FirstLabelGetsTheLongLabelWhenNoneFalls) {
    // Day labels carry the long label on the first of a month; none is in view here.
    Ruler r = computeRuler(input(at(20010105, 0, 0, 0), 0, 2e-4, 0, 20 * 86400.0));
    ASSERT_TRUE(r.choice.calendar);
    int longs = 0;
    for (const auto& t : r.ticks) longs += !t.longLabel.empty();
    EXPECT_EQ(longs, 1);
    EXPECT_EQ(tickAt(r, 5 * 86400.0)->longLabel, "2001/01/10");
}

TEST(Ruler, LongLabelsDoNotOverlap) {
    // Long labels every 2 ms at 31 px a millisecond are 62 px apart, but
    // "00:00:00.000" takes 72 px: every other one is left out.
    Ruler r = computeRuler(input(at(20010101, 0, 0, 0), 3, 31, 0, 4));
    EXPECT_EQ(r.labelStep, 1);
    EXPECT_EQ(r.longLabelStep, 2);
    EXPECT_EQ(tickAt(r, 0)->longLabel, "00:00:00.000");
    EXPECT_EQ(tickAt(r, 2)->longLabel, "");
    EXPECT_EQ(tickAt(r, 4)->longLabel, "00:00:00.004");
    EXPECT_EQ(tickAt(r, 3)->shortLabel, "003");
}

TEST(Ruler, HoursAndDayLabelsOnTheCalendar) {
    // Two months of days, ticks every day, labels on days 1, 10 and 20.
    Ruler r = computeRuler(input(at(20010101, 0, 0, 0), 0, 2e-4, 0, 59 * 86400.0));
    ASSERT_TRUE(r.choice.calendar);
    EXPECT_EQ(r.rule, CalendarRule::Multiples);
    EXPECT_EQ(r.labelRule, CalendarRule::TenDays);
    EXPECT_EQ(r.ticks.size(), 60u);
    int labelled = 0;
    for (const auto& t : r.ticks) labelled += t.kind == RulerTick::Labelled;
    EXPECT_EQ(labelled, 7);  // through 1 March
    EXPECT_EQ(tickAt(r, 9 * 86400.0)->shortLabel, "10");
    EXPECT_EQ(tickAt(r, 0)->longLabel, "2001/01/01");
    EXPECT_EQ(tickAt(r, 31 * 86400.0)->longLabel, "2001/02/01");
    EXPECT_EQ(tickAt(r, 31 * 86400.0)->shortLabel, "01");

    // Ticks 5 px apart or closer are left out; month labels with the year in January.
    r = computeRuler(input(at(20001215, 0, 0, 0), 0, 5e-5, 0, 100 * 86400.0));
    EXPECT_EQ(r.labelRule, CalendarRule::Months);
    ASSERT_EQ(r.ticks.size(), 3u);
    EXPECT_FALSE(r.ticks[0].tickDrawn);
    EXPECT_EQ(r.ticks[0].shortLabel, "01");
    EXPECT_EQ(r.ticks[0].longLabel, "2001/01");
    EXPECT_EQ(r.ticks[1].longLabel, "");
}

TEST(Ruler, CenturiesWithYearLabelsOnly) {
    Ruler r = computeRuler(input(at(20010101, 0, 0, 0), 0, 1e-12, 0, 500 * 365.25 * 86400));
    EXPECT_EQ(r.labelRule, CalendarRule::Centuries);
    ASSERT_EQ(r.ticks.size(), 5u);
    EXPECT_EQ(r.ticks[0].shortLabel, "2100");
    for (const auto& t : r.ticks) EXPECT_EQ(t.longLabel, "");
}

TEST(Ruler, DenseOrInvalidInputStaysBounded) {
    Ruler r = computeRuler(input(at(20010101, 0, 0, 0), 12, 1e-30, 0, 75e12));
    EXPECT_LE(r.ticks.size(), kMaxRulerTicks);
    r = computeRuler(input(at(20010101, 0, 0, 0), 0, 0, 0, 100));
    EXPECT_TRUE(r.ticks.empty());
    r = computeRuler(input(at(20010101, 0, 0, 0), 0, 1e-30, 0, 4e15));
    EXPECT_LE(r.ticks.size(), kMaxRulerTicks);
}

}  // namespace

// Short labels of fractional rulers stand clear: the next label starts after the last
// one ends, and no longer tick runs through a label's digits, at any zoom.
TEST(Ruler, FractionLabelsNeverOverlapLabelsOrLongTicks) {
    for (int d : {3, 6, 9, 12}) {
        const double U = d == 3 ? 1e3 : d == 6 ? 1e6 : d == 9 ? 1e9 : 1e12;
        for (double p = 1e-6; p < 200; p *= 1.37) {
            RulerInput in = input(at(5000, 9, 0, 0), d, p, 0, 600 / p);
            in.charWidth = 6;
            const Ruler r = computeRuler(in);
            if (r.choice.calendar || r.labelStep >= U) continue;
            double labelEnd = -1e300;
            for (const RulerTick& t : r.ticks) {
                if (t.tickDrawn && t.kind != RulerTick::Small) {
                    EXPECT_GE(t.x, labelEnd) << "d=" << d << " p=" << p << " tick through a label";
                }
                if (!t.shortLabel.empty()) {
                    EXPECT_GE(t.x, labelEnd) << "d=" << d << " p=" << p << " labels overlap";
                    labelEnd = t.x + 2 + 6.0 * t.shortLabel.size();
                }
            }
        }
    }
}
