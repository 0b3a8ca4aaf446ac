// Time arithmetic on chart times: taking them apart, comparing, moving by an offset in
// fraction units, measuring spans, the resolution levels and the range check.
#pragma once

#include "chart/model.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace chart {

// A chart time taken apart.
struct BrokenTime {
    std::int16_t year = 0, month = 0, day = 0;
    std::int16_t hour = 0, minute = 0, second = 0;
    double fraction = 0;  // fraction units
    friend bool operator==(const BrokenTime&, const BrokenTime&) = default;
};

// 10^digits as a double (digits 0..12; anything else is clamped).
double powerOfTen(int digits);

BrokenTime breakDown(const ChartTime& t);
ChartTime assemble(const BrokenTime& b);
// HHMMSS as written in chart files.
std::int32_t timeOfDayNumber(const ChartTime& t);

bool isLeapYear(int year);
int daysInMonth(int year, int month);

// True when `b` is strictly later than `a`.
bool isLater(const ChartTime& a, const ChartTime& b);

// Days from date `from` to date `to` (YYYYMMDD), negative when `to` is earlier.
long daysBetween(std::int32_t from, std::int32_t to);
// The date `days` days after (or before, when negative) `date`.
std::int32_t moveDate(std::int32_t date, long days);

// `t` moved by `offset` fraction units, with `unitScale` units per second.
BrokenTime addOffset(const ChartTime& t, double offset, double unitScale);
ChartTime addOffsetTime(const ChartTime& t, double offset, double unitScale);
// Units from `from` to `to` (negative when `to` is earlier).
double unitsBetween(const ChartTime& from, const ChartTime& to, double unitScale);

// Span from start to end, counting a year as 365 days; fractions are not counted.
struct Span {
    long years = 0;
    long days = 0;
    long seconds = 0;
    friend bool operator==(const Span&, const Span&) = default;
};
Span measureSpan(const ChartTime& start, const ChartTime& end);

// Resolution levels 0..4 (digits / 3).
inline constexpr int kLevelCount = 5;
// Unit name of a level: 秒, ミリ秒, マイクロ秒, ナノ秒, ピコ秒.
std::string_view levelUnitName(int level);
// The longest span a level shows, as text: 142000000年, 142000年, 142年, 52日, 75秒.
std::string levelLimitText(int level);
// The longest span of a level in fraction units of that level.
double levelLimitUnits(int level);

struct SpanCheck {
    bool fits = true;
    std::string limitText;  // the level's limit when it does not fit
};
SpanCheck checkSpan(int level, const Span& span);

// Runs the range check over a freshly read model (see the chart reader). Shows its
// messages through base::services(); `fileName` is named in them. May lower the
// model's resolution (rescaling every fraction) and sets displayStart/displayEnd.
// Returns 0, or -1 when the chart cannot be shown.
int rangeCheck(ChartModel& model, std::string_view fileName);

// Date and time texts of a position `offset` units after `origin`.
struct TimeLabel {
    std::string date;  // "%04d/%02d/%02d"
    std::string time;  // "%02d:%02d:%02d" or with ".%0*.0f" fraction
};
TimeLabel timeLabel(const ChartTime& origin, double offset, int decimalDigits, double unitScale);

}  // namespace chart
