#include "chart/ruler.h"

#include "base/text.h"
#include "chart/chart_time.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>

#include "base/format.h"

namespace chart {

namespace {

std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string format(const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    std::string s = base::vformatCapped(128, fmt, ap);
    va_end(ap);
    return s;
}

long long floorMod(long long a, long long m) { return ((a % m) + m) % m; }

// Places long labels: one where it does not overlap the previous one; when none was
// placed at all, the first labelled tick gets its long label.
class LongLabels {
public:
    explicit LongLabels(int charWidth) : charWidth_(charWidth) {}
    void offer(RulerTick& t, std::string text) {
        double width = static_cast<double>(base::cp932Length(text)) * charWidth_;
        if (placed_ && t.x < lastEnd_) return;
        t.longLabel = std::move(text);
        lastEnd_ = t.x + width;
        placed_ = true;
    }
    bool placed() const { return placed_; }

private:
    int charWidth_;
    bool placed_ = false;
    double lastEnd_ = 0;
};

// Time-of-day ruler. Positions are multiples of `tick` counted from midnight of the
// origin's day; when the tick step divides a second they are counted from the
// origin's whole second instead, which is the same grid with smaller numbers (at
// twelve digits a day holds more units than a double counts exactly).
void timeOfDayTicks(const RulerInput& in, Ruler& r) {
    const double U = in.unitScale;
    const double p = in.pixelsPerUnit;
    bool ticksShown = r.tickStep * p > 5;
    double step = ticksShown ? r.tickStep : r.labelStep;
    long long perLabel = ticksShown ? std::llround(r.labelStep / r.tickStep) : 1;
    long long perLong = ticksShown ? std::llround(r.longTickStep / r.tickStep) : 1;
    long long perLongLabel = std::llround(r.longLabelStep / step);
    if (perLabel < 1) perLabel = 1;
    if (perLong < 1) perLong = 1;
    if (perLongLabel < 1) perLongLabel = 1;

    // Index k counts ticks from the origin's whole second when the step divides a
    // second, else (whole seconds per step) from midnight of the origin's day. Either
    // way `absolute` is the index counted from midnight, in 64 bits, which decides the
    // labels and long labels.
    const bool subSecond = step <= U && std::fmod(U, step) == 0;
    long long k0, k1, base = 0;
    if (subSecond) {
        k0 = static_cast<long long>(std::ceil((in.viewStart + in.origin.fraction) / step));
        k1 = static_cast<long long>(std::floor((in.viewEnd + in.origin.fraction) / step));
        base = static_cast<long long>(in.origin.seconds) * std::llround(U / step);
    } else {
        double n = step / U;
        double s0 = std::floor((in.viewStart + in.origin.fraction) / U) + in.origin.seconds;
        double s1 = std::floor((in.viewEnd + in.origin.fraction) / U) + in.origin.seconds;
        k0 = static_cast<long long>(std::ceil(s0 / n));
        k1 = static_cast<long long>(std::floor(s1 / n));
    }
    auto offsetOf = [&](long long k) {
        if (subSecond) return static_cast<double>(k) * step - in.origin.fraction;
        double secs = static_cast<double>(k) * (step / U) - in.origin.seconds;
        return secs * U - in.origin.fraction;
    };

    LongLabels longs(in.charWidth);
    RulerTick* firstLabelled = nullptr;
    std::size_t firstLabelledIndex = 0;
    for (long long k = k0; k <= k1 && r.ticks.size() < kMaxRulerTicks; ++k) {
        double off = offsetOf(k);
        if (off < in.viewStart || off > in.viewEnd) continue;
        RulerTick t;
        t.offset = off;
        t.x = in.x0 + (off - in.viewStart) * p;
        t.tickDrawn = ticksShown;
        const long long absolute = base + k;
        bool labelled = floorMod(absolute, perLabel) == 0;
        t.kind = labelled ? RulerTick::Labelled
                          : floorMod(absolute, perLong) == 0 ? RulerTick::Long : RulerTick::Small;
        if (labelled) {
            BrokenTime b = addOffset(in.origin, off, U);
            t.shortLabel = shortTimeLabel(b.hour, b.minute, b.second, b.fraction, r.labelStep, in.decimalDigits, U);
        }
        r.ticks.push_back(std::move(t));
        if (labelled && !firstLabelled) firstLabelledIndex = r.ticks.size() - 1, firstLabelled = &r.ticks.back();
        if (labelled && floorMod(absolute, perLongLabel) == 0) {
            BrokenTime b = addOffset(in.origin, off, U);
            longs.offer(r.ticks.back(), longTimeLabel(b.year, b.month, b.day, b.hour, b.minute, b.second, b.fraction,
                                                      r.labelStep, in.decimalDigits, U));
        }
    }
    if (!longs.placed() && firstLabelled) {
        RulerTick& t = r.ticks[firstLabelledIndex];
        BrokenTime b = addOffset(in.origin, t.offset, U);
        t.longLabel = longTimeLabel(b.year, b.month, b.day, b.hour, b.minute, b.second, b.fraction, r.labelStep,
                                    in.decimalDigits, U);
    }
}

bool onRule(CalendarRule rule, int month, int day, int year) {
    switch (rule) {
        case CalendarRule::Multiples: return true;
        case CalendarRule::TenDays: return day == 1 || day == 10 || day == 20;
        case CalendarRule::Months: return day == 1;
        case CalendarRule::Quarters: return day == 1 && (month - 1) % 3 == 0;
        case CalendarRule::Years: return day == 1 && month == 1;
        case CalendarRule::Decades: return day == 1 && month == 1 && year % 10 == 0;
        case CalendarRule::Centuries: return day == 1 && month == 1 && year % 100 == 0;
    }
    return false;
}

// The next date on or after `date` (YYYYMMDD) that the rule marks; `date` must be a
// day start already past any earlier candidate.
std::int32_t nextOnRule(CalendarRule rule, std::int32_t date) {
    int y = date / 10000, m = date / 100 % 100, d = date % 100;
    auto make = [](long long yy, long long mm, long long dd) { return static_cast<std::int32_t>(yy * 10000 + mm * 100 + dd); };
    switch (rule) {
        case CalendarRule::Multiples: return date;
        case CalendarRule::TenDays:
            if (d <= 1) return make(y, m, 1);
            if (d <= 10) return make(y, m, 10);
            if (d <= 20) return make(y, m, 20);
            return m == 12 ? make(y + 1, 1, 1) : make(y, m + 1, 1);
        case CalendarRule::Months:
            if (d <= 1) return make(y, m, 1);
            return m == 12 ? make(y + 1, 1, 1) : make(y, m + 1, 1);
        case CalendarRule::Quarters: {
            int q = (m - 1) / 3 * 3 + 1;
            if (q == m && d <= 1) return make(y, m, 1);
            q += 3;
            return q > 12 ? make(y + 1, 1, 1) : make(y, q, 1);
        }
        case CalendarRule::Years:
        case CalendarRule::Decades:
        case CalendarRule::Centuries: {
            int every = rule == CalendarRule::Years ? 1 : rule == CalendarRule::Decades ? 10 : 100;
            long long yy = (m == 1 && d <= 1) ? y : y + 1;
            yy = (yy + every - 1) / every * every;
            return make(yy, 1, 1);
        }
    }
    return date;
}

std::int32_t afterRule(CalendarRule rule, std::int32_t date) {
    // Move one day on and look again.
    return nextOnRule(rule, moveDate(date, 1));
}

void calendarTicks(const RulerInput& in, Ruler& r) {
    const double U = in.unitScale;
    const double p = in.pixelsPerUnit;
    bool ticksShown = r.tickStep * p > 5;
    CalendarRule rule = ticksShown ? r.rule : r.labelRule;
    double labelDays = r.labelStep / (86400 * U);
    enum { Days, Months, Years } labels = labelDays < 31 ? Days : labelDays < 365 ? Months : Years;

    LongLabels longs(in.charWidth);
    std::size_t firstLabelled = SIZE_MAX;
    auto add = [&](double off) {
        if (off < in.viewStart || off > in.viewEnd) return;
        BrokenTime b = addOffset(in.origin, off, U);
        RulerTick t;
        t.offset = off;
        t.x = in.x0 + (off - in.viewStart) * p;
        t.tickDrawn = ticksShown;
        bool labelled = true;
        if (ticksShown) {
            if (r.labelRule == CalendarRule::Multiples) {
                labelled = b.hour == 0 && b.minute == 0 && b.second == 0 && b.fraction == 0;
                if (labelled && r.labelStep > 86400 * U) labelled = false;
            } else {
                labelled = b.hour == 0 && b.minute == 0 && b.second == 0 && onRule(r.labelRule, b.month, b.day, b.year);
            }
        }
        t.kind = labelled ? RulerTick::Labelled : RulerTick::Small;
        std::string longText;
        bool longHere = false;
        if (labelled) {
            switch (labels) {
                case Days:
                    t.shortLabel = format("%02d", b.day);
                    longText = format("%d/%02d/%02d", b.year, b.month, b.day);
                    longHere = b.day == 1;
                    break;
                case Months:
                    t.shortLabel = format("%02d", b.month);
                    longText = format("%d/%02d", b.year, b.month);
                    longHere = b.month == 1;
                    break;
                case Years: t.shortLabel = format("%d", b.year); break;
            }
        }
        r.ticks.push_back(std::move(t));
        if (labelled && firstLabelled == SIZE_MAX) firstLabelled = r.ticks.size() - 1;
        if (longHere) longs.offer(r.ticks.back(), longText);
    };

    if (rule == CalendarRule::Multiples) {
        // Hour or day steps: multiples of whole seconds from midnight of the origin's day.
        double n = (ticksShown ? r.tickStep : r.labelStep) / U;
        double s0 = std::floor((in.viewStart + in.origin.fraction) / U) + in.origin.seconds;
        double s1 = std::floor((in.viewEnd + in.origin.fraction) / U) + in.origin.seconds;
        for (double k = std::ceil(s0 / n); k * n <= s1 && r.ticks.size() < kMaxRulerTicks; k += 1)
            add((k * n - in.origin.seconds) * U - in.origin.fraction);
    } else {
        std::int32_t first = addOffsetTime(in.origin, in.viewStart, U).date;
        std::int32_t last = addOffsetTime(in.origin, in.viewEnd, U).date;
        for (std::int32_t d = nextOnRule(rule, first); d <= last && r.ticks.size() < kMaxRulerTicks;
             d = afterRule(rule, d)) {
            ChartTime day{d, 0, 0};
            add(unitsBetween(in.origin, day, U));
            if (d >= 2147471231) break;  // the last date a chart time holds
        }
    }
    if (!longs.placed() && firstLabelled != SIZE_MAX && labels != Years) {
        RulerTick& t = r.ticks[firstLabelled];
        BrokenTime b = addOffset(in.origin, t.offset, U);
        t.longLabel = labels == Days ? format("%d/%02d/%02d", b.year, b.month, b.day) : format("%d/%02d", b.year, b.month);
    }
}

}  // namespace

RulerTable buildRulerTable(int d) {
    if (d < 0) d = 0;
    if (d > kMaxDecimalDigits) d = kMaxDecimalDigits;
    RulerTable t;
    t.decimalDigits = d;
    const double U = powerOfTen(d);
    auto row = [&](double a, double b, double c, double e, int w) { t.timeRows.push_back(RulerRow{{a, b, c, e}, w}); };
    for (int j = 0; j < d; ++j) {
        double q = powerOfTen(j);
        row(q, q, q, 5 * q, d + 3);
        row(q, q, 5 * q, 10 * q, d + 20);
        row(q, 5 * q, 10 * q, 50 * q, j == d - 1 ? 5 : d + 3);
    }
    double s = U, m = 60 * U;
    row(s, s, s, 10 * s, 5);
    row(s, 5 * s, 10 * s, 60 * s, 5);
    row(10 * s, 30 * s, 60 * s, 300 * s, 5);
    row(m, m, m, 10 * m, 5);
    row(m, 5 * m, 10 * m, 60 * m, 5);
    row(10 * m, 30 * m, 60 * m, 360 * m, 7);
    if (d <= 9) row(3600 * U, 3600 * U, 43200 * U, 86400 * U, 7);
    if (d <= 9) {
        t.calendarRows.push_back({3600 * U, 86400 * U, 5});
        t.calendarRows.push_back({86400 * U, 864000 * U, 20});
        t.calendarRows.push_back({86400 * U, 2678400 * U, 5});
    }
    if (d <= 6) {
        t.calendarRows.push_back({2678400 * U, 31536000 * U, 7});
        t.calendarRows.push_back({31536000 * U, 315360000 * U, 7});
        t.calendarRows.push_back({315360000 * U, 3153600000 * U, 7});
    }
    return t;
}

namespace {

// Pixels a short label takes from its tick on: two of offset, its characters and two
// of space before whatever follows.
double shortLabelPixels(const RulerTable& t, const RulerRow& row, int charWidth) {
    const double U = powerOfTen(t.decimalDigits);
    const double u = row.steps[2];
    const int chars = u < U ? t.decimalDigits : u < 3600 * U ? 2 : 5;
    return 2.0 + chars * charWidth + 2.0;
}

// The short labels of a row stand clear at p: the next label begins after this one
// ends, and no longer tick (drawn through the label line) falls inside a label.
bool labelsClear(const RulerTable& t, const RulerRow& row, double p, int charWidth) {
    if (charWidth <= 0) return true;
    const double need = shortLabelPixels(t, row, charWidth);
    if (!(row.steps[2] * p > need)) return false;
    const bool ticksShown = row.steps[0] * p > 5;
    return !(ticksShown && row.steps[1] < row.steps[2] && !(row.steps[1] * p > need));
}

}  // namespace

RulerChoice chooseRulerRow(const RulerTable& table, double p, int charWidth) {
    for (std::size_t i = 0; i < table.timeRows.size(); ++i) {
        const RulerRow& row = table.timeRows[i];
        if (row.steps[2] * p > 5.0 * row.labelWidth && labelsClear(table, row, p, charWidth))
            return {false, static_cast<int>(i)};
    }
    if (table.calendarRows.empty()) return {false, static_cast<int>(table.timeRows.size()) - 1};
    for (std::size_t i = 0; i < table.calendarRows.size(); ++i)
        if (table.calendarRows[i].labelStep * p > 5.0 * table.calendarRows[i].labelWidth)
            return {true, static_cast<int>(i)};
    return {true, static_cast<int>(table.calendarRows.size()) - 1};
}

double longLabelStep(double u, double visible, int d, double U) {
    auto pick = [&](std::initializer_list<double> c) {
        for (double w : c)
            if (w > u && w <= visible) return w;
        return 0.0;
    };
    double w = 0;
    if (u < U) {
        for (int k = d - 1; k >= 0 && w == 0; --k) {
            double q = powerOfTen(k);
            w = pick({10 * q, 5 * q, 2 * q});
        }
    } else if (u < 60 * U) {
        w = pick({60 * U, 30 * U, 10 * U, 5 * U});
    } else if (u < 3600 * U) {
        w = pick({3600 * U, 1800 * U, 600 * U, 300 * U});
    } else {
        w = pick({86400 * U, 43200 * U, 21600 * U, 7200 * U});
    }
    return w == 0 ? u : w;
}

CalendarRule calendarRule(double step, double U) {
    if (step <= 86400 * U) return CalendarRule::Multiples;
    long long days = std::llround(step / (86400 * U));
    switch (days) {
        case 10: return CalendarRule::TenDays;
        case 31: return CalendarRule::Months;
        case 93: return CalendarRule::Quarters;
        case 365: return CalendarRule::Years;
        case 3650: return CalendarRule::Decades;
        default: return CalendarRule::Centuries;
    }
}

std::string shortTimeLabel(int hour, int minute, int second, double fraction, double u, int d, double U) {
    if (u < U) return format("%0*.0f", d, std::min(fraction, U - 1));
    if (u < 60 * U) return format("%02d", second);
    if (u < 3600 * U) return format("%02d", minute);
    return format("%02d:00", hour % 24);
}

std::string longTimeLabel(int year, int month, int day, int hour, int minute, int second, double fraction, double u,
                          int d, double U) {
    if (u < U) return format("%02d:%02d:%02d.%0*.0f", hour % 24, minute, second, d, std::min(fraction, U - 1));
    if (u < 60 * U) return format("%02d:%02d:%02d", hour % 24, minute, second);
    if (u < 3600 * U) return format("%02d:%02d", hour % 24, minute);
    return format("%04d/%02d/%02d", year, month, day);
}

Ruler computeRuler(const RulerInput& in) {
    Ruler r;
    if (!(in.unitScale >= 1) || !(in.pixelsPerUnit > 0) || !std::isfinite(in.pixelsPerUnit) ||
        !std::isfinite(in.viewStart) || !std::isfinite(in.viewEnd) || in.viewEnd < in.viewStart)
        return r;
    RulerTable table = buildRulerTable(in.decimalDigits);
    r.choice = chooseRulerRow(table, in.pixelsPerUnit, in.charWidth);
    if (r.choice.calendar) {
        const CalendarRow& c = table.calendarRows[r.choice.row];
        r.tickStep = c.tickStep;
        r.longTickStep = c.labelStep;
        r.labelStep = c.labelStep;
        r.rule = calendarRule(c.tickStep, in.unitScale);
        r.labelRule = calendarRule(c.labelStep, in.unitScale);
        calendarTicks(in, r);
    } else {
        const RulerRow& row = table.timeRows[r.choice.row];
        r.tickStep = row.steps[0];
        r.longTickStep = row.steps[1];
        r.labelStep = row.steps[2];
        r.longLabelStep = longLabelStep(r.labelStep, in.viewEnd - in.viewStart, in.decimalDigits, in.unitScale);
        timeOfDayTicks(in, r);
    }
    return r;
}

}  // namespace chart
