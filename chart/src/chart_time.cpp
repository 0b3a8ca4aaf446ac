#include "chart/chart_time.h"

#include "base/services.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>

namespace chart {

namespace {

constexpr double kPowers[13] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12};

// Day numbers of the proleptic Gregorian calendar (days since 1970-01-01). Works on
// 64-bit values so that garbage dates from a file cannot overflow.
long long dayNumber(long long y, long long m, long long d) {
    y -= m <= 2;
    long long era = (y >= 0 ? y : y - 399) / 400;
    long long yoe = y - era * 400;
    long long mp = (m + 9) % 12;
    long long doy = (153 * mp + 2) / 5 + d - 1;
    long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void civilFromDays(long long z, long long& y, long long& m, long long& d) {
    z += 719468;
    long long era = (z >= 0 ? z : z - 146096) / 146097;
    long long doe = z - era * 146097;
    long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    y = yoe + era * 400;
    long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    long long mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y += m <= 2;
}

long long dayNumberOf(std::int32_t date) {
    long long y = date / 10000, m = date / 100 % 100, d = date % 100;
    if (m < 1) m = 1;
    if (m > 12) m = 12;
    return dayNumber(y, m, d);
}

// The dates a YYYYMMDD number can hold: years 0..214747.
const long long kFirstDay = dayNumber(0, 1, 1);
const long long kLastDay = dayNumber(214747, 12, 31);

struct LevelLimit {
    enum Unit { Years, Days, Seconds } unit;
    long value;
    const char* name;
};
constexpr LevelLimit kLevels[kLevelCount] = {
    {LevelLimit::Years, 142000000, "秒"},   {LevelLimit::Years, 142000, "ミリ秒"},
    {LevelLimit::Years, 142, "マイクロ秒"}, {LevelLimit::Days, 52, "ナノ秒"},
    {LevelLimit::Seconds, 75, "ピコ秒"},
};

int clampLevel(int level) { return level < 0 ? 0 : level >= kLevelCount ? kLevelCount - 1 : level; }

void rescaleFraction(ChartTime& t, double divisor) { t.fraction = std::floor(t.fraction / divisor); }

std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string format(const char* fmt, ...) {
    char buf[512];
    va_list ap;
    va_start(ap, fmt);
    int n = std::vsnprintf(buf, sizeof buf, fmt, ap);
    va_end(ap);
    if (n < 0) return {};
    if (static_cast<size_t>(n) < sizeof buf) return std::string(buf, n);
    std::string s(static_cast<size_t>(n) + 1, '\0');
    va_start(ap, fmt);
    std::vsnprintf(s.data(), s.size(), fmt, ap);
    va_end(ap);
    s.resize(n);
    return s;
}

}  // namespace

double powerOfTen(int digits) { return kPowers[digits < 0 ? 0 : digits > 12 ? 12 : digits]; }

BrokenTime breakDown(const ChartTime& t) {
    BrokenTime b;
    b.year = static_cast<std::int16_t>(t.date / 10000);
    b.month = static_cast<std::int16_t>(t.date / 100 % 100);
    b.day = static_cast<std::int16_t>(t.date % 100);
    b.hour = static_cast<std::int16_t>(t.seconds / 3600);
    b.minute = static_cast<std::int16_t>(t.seconds % 3600 / 60);
    b.second = static_cast<std::int16_t>(t.seconds % 60);
    b.fraction = t.fraction;
    return b;
}

ChartTime assemble(const BrokenTime& b) {
    ChartTime t;
    t.date = b.year * 10000 + b.month * 100 + b.day;
    t.seconds = b.hour * 3600 + b.minute * 60 + b.second;
    t.fraction = b.fraction;
    return t;
}

std::int32_t timeOfDayNumber(const ChartTime& t) {
    return t.seconds / 3600 * 10000 + t.seconds % 3600 / 60 * 100 + t.seconds % 60;
}

bool isLeapYear(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

int daysInMonth(int year, int month) {
    static constexpr int kLengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 31;
    return month == 2 && isLeapYear(year) ? 29 : kLengths[month - 1];
}

bool isLater(const ChartTime& a, const ChartTime& b) {
    if (b.date != a.date) return b.date > a.date;
    if (b.seconds != a.seconds) return b.seconds > a.seconds;
    return b.fraction > a.fraction;
}

long daysBetween(std::int32_t from, std::int32_t to) {
    return static_cast<long>(dayNumberOf(to) - dayNumberOf(from));
}

std::int32_t moveDate(std::int32_t date, long days) {
    long long z = dayNumberOf(date) + days;
    if (z < kFirstDay) z = kFirstDay;
    if (z > kLastDay) z = kLastDay;
    long long y, m, d;
    civilFromDays(z, y, m, d);
    return static_cast<std::int32_t>(y * 10000 + m * 100 + d);
}

ChartTime addOffsetTime(const ChartTime& t, double offset, double unitScale) {
    if (!(unitScale >= 1)) unitScale = 1;
    if (!std::isfinite(offset)) offset = 0;
    // Whole seconds and the fraction are carried separately, so that an offset of one
    // unit stays exact even at twelve digits, where seconds x unitScale exceeds the
    // integers a double holds exactly.
    double offSeconds = std::floor(offset / unitScale);
    double fraction = t.fraction + (offset - offSeconds * unitScale);
    double carry = std::floor(fraction / unitScale);
    fraction -= carry * unitScale;
    if (fraction >= unitScale) {
        fraction -= unitScale;
        carry += 1;
    }
    if (fraction < 0) fraction = 0;
    double total = t.seconds + offSeconds + carry;
    // Beyond the dates a chart time can hold the result is pinned to the first or last day.
    constexpr double kLimit = 86400.0 * 1e11;
    if (total > kLimit) total = kLimit;
    if (total < -kLimit) total = -kLimit;
    double days = std::floor(total / 86400);
    double secs = total - days * 86400;
    ChartTime r;
    r.date = moveDate(t.date, static_cast<long>(days));
    r.seconds = static_cast<std::int32_t>(secs);
    r.fraction = fraction;
    return r;
}

BrokenTime addOffset(const ChartTime& t, double offset, double unitScale) {
    return breakDown(addOffsetTime(t, offset, unitScale));
}

double unitsBetween(const ChartTime& from, const ChartTime& to, double unitScale) {
    double secs = static_cast<double>(daysBetween(from.date, to.date)) * 86400.0 + (to.seconds - from.seconds);
    return secs * unitScale + (to.fraction - from.fraction);
}

Span measureSpan(const ChartTime& start, const ChartTime& end) {
    long n = daysBetween(start.date, end.date);
    Span s;
    s.years = n / 365;
    s.days = n % 365;
    s.seconds = end.seconds - start.seconds;
    if (s.seconds < 0) {
        s.days -= 1;
        s.seconds += 86400;
    }
    return s;
}

std::string_view levelUnitName(int level) { return kLevels[clampLevel(level)].name; }

std::string levelLimitText(int level) {
    const LevelLimit& l = kLevels[clampLevel(level)];
    const char* unit = l.unit == LevelLimit::Years ? "年" : l.unit == LevelLimit::Days ? "日" : "秒";
    return format("%ld%s", l.value, unit);
}

double levelLimitUnits(int level) {
    level = clampLevel(level);
    const LevelLimit& l = kLevels[level];
    double u = powerOfTen(level * 3);
    switch (l.unit) {
        case LevelLimit::Years: return l.value * u * 31536000.0;
        case LevelLimit::Days: return l.value * u * 86400.0;
        case LevelLimit::Seconds: return l.value * u;
    }
    return 0;
}

SpanCheck checkSpan(int level, const Span& span) {
    const LevelLimit& l = kLevels[clampLevel(level)];
    bool fits = false;
    switch (l.unit) {
        case LevelLimit::Years: fits = span.years <= l.value; break;
        case LevelLimit::Days: fits = span.years < 1 && span.days <= l.value; break;
        case LevelLimit::Seconds: fits = span.years < 1 && span.days < 1 && span.seconds <= l.value; break;
    }
    SpanCheck c;
    c.fits = fits;
    if (!fits) c.limitText = levelLimitText(level);
    return c;
}

int rangeCheck(ChartModel& model, std::string_view fileName) {
    auto& ui = base::services();
    std::string name(fileName);
    model.rangeLimited = false;
    if (!isLater(model.start, model.end)) {
        ui.warningBox(base::kBoxInfo, "Chronava",
                      format("データ日時が昇順ではありません。ログファイルを修正してください。\n%s\n", name.c_str()));
        ui.beep();
        return -1;
    }
    Span span = measureSpan(model.start, model.end);
    int level = clampLevel(model.decimalDigits / 3);
    SpanCheck check = checkSpan(level, span);
    int lower = -1;
    if (model.decimalDigits >= 3)
        for (int l = level - 1; l >= 0; --l)
            if (checkSpan(l, span).fits) {
                lower = l;
                break;
            }

    bool fits = check.fits;
    if (!fits && lower >= 0) {
        model.rangeLimited = true;
        bool ok = ui.warningBox(
            base::kBoxAsk, "Chronava",
            format("データ範囲が有効範囲%sを越えています。\n最小分解能を%sから%sに落として表示します。\n%s\n",
                   check.limitText.c_str(), std::string(levelUnitName(level)).c_str(),
                   std::string(levelUnitName(lower)).c_str(), name.c_str()));
        ui.beep();
        if (ok) {
            double divisor = powerOfTen(model.decimalDigits - lower * 3);
            model.setDecimalDigits(lower * 3);
            level = lower;
            rescaleFraction(model.start, divisor);
            rescaleFraction(model.end, divisor);
            // The display range was read at the old resolution too; left unscaled it
            // would hold fractions beyond one second when it is kept below.
            rescaleFraction(model.displayStart, divisor);
            rescaleFraction(model.displayEnd, divisor);
            for (auto& signal : model.events)
                for (auto& e : signal) rescaleFraction(e.time, divisor);
            fits = true;
        }
    }
    if (!fits) {
        model.rangeLimited = true;
        bool ok = ui.warningBox(base::kBoxAsk, "Chronava",
                                format("データ範囲が%sを越えています。\n先頭から%sまでの範囲を表示します。\n%s\n",
                                       check.limitText.c_str(), check.limitText.c_str(), name.c_str()));
        ui.beep();
        if (!ok) return -1;
        model.displayEnd = addOffsetTime(model.start, levelLimitUnits(level), model.unitScale);
        return 0;
    }
    double u = model.unitScale;
    double days = static_cast<double>(span.years) * 365 + static_cast<double>(span.days);
    double margin = (days * u * 86400 + static_cast<double>(span.seconds) * u) / 10;
    ChartTime from = addOffsetTime(model.start, -margin, u);
    ChartTime to = addOffsetTime(model.end, margin, u);
    if (checkSpan(level, measureSpan(from, to)).fits) {
        model.displayStart = from;
        model.displayEnd = to;
    }
    return 0;
}

TimeLabel timeLabel(const ChartTime& origin, double offset, int decimalDigits, double unitScale) {
    BrokenTime b = addOffset(origin, offset, unitScale);
    TimeLabel l;
    l.date = format("%04d/%02d/%02d", b.year, b.month, b.day);
    if (decimalDigits <= 0) {
        l.time = format("%02d:%02d:%02d", b.hour, b.minute, b.second);
    } else {
        double f = b.fraction;
        if (f > unitScale - 1) f = unitScale - 1;
        l.time = format("%02d:%02d:%02d.%0*.0f", b.hour, b.minute, b.second, decimalDigits, f);
    }
    return l;
}

}  // namespace chart
