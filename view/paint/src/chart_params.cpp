#include "view/chart_params.h"

#include "base/text.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <tuple>

namespace view {

std::string_view chartColourName(int index) {
    static constexpr std::string_view names[kParamColourCount] = {"タイミングチャート線", "背景",     "信号名",
                                                                   "コメント",             "目盛横軸", "目盛縦軸"};
    return index >= 0 && index < kParamColourCount ? names[index] : std::string_view{};
}

std::array<Rgb, kParamColourCount> standardChartColours() {
    return {rgb(0, 0, 0), rgb(255, 251, 240), rgb(0, 0, 192), rgb(192, 0, 0), rgb(0, 255, 255), rgb(192, 192, 192)};
}

namespace {

int clampInt(int v, int lo, int hi) { return std::min(std::max(v, lo), hi); }

double cleanFraction(double f) { return f >= 0 && f < 1e15 ? f : 0; }

void sanitizeDate(DateFields& d) {
    d.year = clampInt(d.year, 1, 9999);
    d.month = clampInt(d.month, 1, 12);
    d.day = clampInt(d.day, 1, 31);
    d.hour = clampInt(d.hour, 0, 23);
    d.minute = clampInt(d.minute, 0, 59);
    d.second = clampInt(d.second, 0, 59);
    d.fraction = cleanFraction(d.fraction);
}

}  // namespace

void ChartParams::sanitize() {
    preprocessor = base::cutToCp932(preprocessor, kPreprocessorBytes - 1);
    if (commentDisplay < 0 || commentDisplay > 2) commentDisplay = kCommentsHidden;
    if (minResolution < 0 || minResolution > 3) minResolution = kResolutionAuto;
    heightUnit = clampInt(heightUnit, kMinHeightUnit, kMaxHeightUnit);
    outputWidth = clampInt(outputWidth, kMinOutputMm, kMaxOutputMm);
    outputHeight = clampInt(outputHeight, kMinOutputMm, kMaxOutputMm);
    marginTop = clampInt(marginTop, 0, kMaxMarginMm);
    marginBottom = clampInt(marginBottom, 0, kMaxMarginMm);
    marginLeft = clampInt(marginLeft, 0, kMaxMarginMm);
    marginRight = clampInt(marginRight, 0, kMaxMarginMm);
    if (outputColourMode != 1) outputColourMode = 0;
    sanitizeDate(rangeStart);
    sanitizeDate(rangeEnd);
    pageCount = clampInt(pageCount, kMinPageCount, kMaxPageCount);
    timePerPage.years = clampInt(timePerPage.years, 0, 999);
    timePerPage.months = clampInt(timePerPage.months, 0, 12);
    timePerPage.days = clampInt(timePerPage.days, 0, 31);
    timePerPage.hours = clampInt(timePerPage.hours, 0, 23);
    timePerPage.minutes = clampInt(timePerPage.minutes, 0, 59);
    timePerPage.seconds = clampInt(timePerPage.seconds, 0, 59);
    timePerPage.fraction = cleanFraction(timePerPage.fraction);
}

// Control ids of the numeric fields.
enum : int {
    kIdHeight = 17927,
    kIdWidth = 25893,
    kIdOutHeight = 25894,
    kIdTop = 25889,
    kIdBottom = 25892,
    kIdLeft = 25890,
    kIdRight = 25891,
    kIdStartYear = 1039,
    kIdEndYear = 1050,
    kIdPageCount = 1059,
    kIdPageYears = 1060,
};

const std::array<OptionField, kOptionFieldCount> kOptionFields = {{
    {kIdHeight, 16, 32},    {kIdWidth, 64, 1280}, {kIdOutHeight, 64, 1280}, {kIdTop, 0, 100},
    {kIdBottom, 0, 100},    {kIdLeft, 0, 100},    {kIdRight, 0, 100},       {kIdStartYear, 1, 9999},
    {1045, 1, 12},          {1046, 1, 31},        {1047, 0, 23},            {1048, 0, 59},
    {1049, 0, 59},          {kIdEndYear, 1, 9999}, {1051, 1, 12},           {1052, 1, 31},
    {1053, 0, 23},          {1054, 0, 59},        {1055, 0, 59},            {kIdPageCount, 1, 1000},
    {kIdPageYears, 0, 999}, {1061, 0, 12},        {1062, 0, 31},            {1063, 0, 23},
    {1064, 0, 59},          {1065, 0, 59},
}};

int optionFieldIndex(int id) {
    for (int i = 0; i < kOptionFieldCount; ++i)
        if (kOptionFields[std::size_t(i)].id == id) return i;
    return -1;
}

std::string& ChartOptionsForm::number(int id) {
    const int i = optionFieldIndex(id);
    static thread_local std::string scratch;
    if (i < 0) return scratch = std::string();
    return numbers[std::size_t(i)];
}

namespace {

std::string intText(int v) { return std::to_string(v); }

std::string fractionText(double f) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.0f", f);
    return buf;
}

// A whole number with optional blanks around it and an optional sign; false for
// anything else (empty, letters, a number too large for an int).
bool parseWhole(std::string_view s, int& out) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    if (s.empty()) return false;
    std::string text(s);
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || end == text.c_str() || *end != '\0' || v < -2147483647L || v > 2147483647L) return false;
    out = static_cast<int>(v);
    return true;
}

// A decimal number as the fraction fields are read; text that is not a number
// reads as 0.
double parseFraction(const std::string& s) {
    char* end = nullptr;
    const double v = std::strtod(s.c_str(), &end);
    return end == s.c_str() ? 0.0 : v;
}

int fieldValue(const ChartOptionsForm& f, int id) {
    int v = 0;
    parseWhole(f.numbers[std::size_t(optionFieldIndex(id))], v);
    return v;
}

// The date whose year field is `yearId`; the five fields after it in kOptionFields
// are its month, day, hour, minute and second.
DateFields dateFrom(const ChartOptionsForm& f, int yearId, const std::string& fraction) {
    const int base = optionFieldIndex(yearId);
    DateFields d;
    d.year = fieldValue(f, kOptionFields[std::size_t(base)].id);
    d.month = fieldValue(f, kOptionFields[std::size_t(base + 1)].id);
    d.day = fieldValue(f, kOptionFields[std::size_t(base + 2)].id);
    d.hour = fieldValue(f, kOptionFields[std::size_t(base + 3)].id);
    d.minute = fieldValue(f, kOptionFields[std::size_t(base + 4)].id);
    d.second = fieldValue(f, kOptionFields[std::size_t(base + 5)].id);
    d.fraction = parseFraction(fraction);
    return d;
}

bool earlier(const DateFields& a, const DateFields& b) {
    const long da = long(a.year) * 10000 + a.month * 100 + a.day;
    const long db = long(b.year) * 10000 + b.month * 100 + b.day;
    const long sa = long(a.hour) * 3600 + a.minute * 60 + a.second;
    const long sb = long(b.hour) * 3600 + b.minute * 60 + b.second;
    return std::tie(da, sa) < std::tie(db, sb) || (da == db && sa == sb && a.fraction < b.fraction);
}

}  // namespace

ChartOptionsForm fillOptionsForm(const ChartParams& p) {
    ChartOptionsForm f;
    f.preprocessor = p.preprocessor;
    f.minResolution = p.minResolution;
    f.commentDisplay = p.commentDisplay;
    f.sortByName = p.sortByName;
    f.show100Line = p.show100Line;
    const int values[kOptionFieldCount] = {
        p.heightUnit * 2,       p.outputWidth,           p.outputHeight,          p.marginTop,
        p.marginBottom,         p.marginLeft,            p.marginRight,           p.rangeStart.year,
        p.rangeStart.month,     p.rangeStart.day,        p.rangeStart.hour,       p.rangeStart.minute,
        p.rangeStart.second,    p.rangeEnd.year,         p.rangeEnd.month,        p.rangeEnd.day,
        p.rangeEnd.hour,        p.rangeEnd.minute,       p.rangeEnd.second,       p.pageCount,
        p.timePerPage.years,    p.timePerPage.months,    p.timePerPage.days,      p.timePerPage.hours,
        p.timePerPage.minutes,  p.timePerPage.seconds,
    };
    for (int i = 0; i < kOptionFieldCount; ++i) f.numbers[std::size_t(i)] = intText(values[i]);
    f.startFraction = fractionText(p.rangeStart.fraction);
    f.endFraction = fractionText(p.rangeEnd.fraction);
    f.pageFraction = fractionText(p.timePerPage.fraction);
    f.outputColourMode = p.outputColourMode;
    f.rangeGiven = p.rangeGiven;
    f.skipUnchanged = p.skipUnchanged;
    f.showUpperScale = p.showUpperScale;
    f.divideByPageCount = p.divideByPageCount;
    f.tellPageCount = p.tellPageCount;
    f.colours = p.colours;
    f.colourState = ChartOptionsForm::Unchanged;
    return f;
}

OptionsCheck checkOptionsForm(const ChartOptionsForm& form) {
    OptionsCheck r;
    for (const OptionField& field : kOptionFields) {
        const std::string& text = form.numbers[std::size_t(optionFieldIndex(field.id))];
        int v = 0;
        if (!parseWhole(text, v) || v < field.min || v > field.max) {
            r.ok = false;
            r.fieldId = field.id;
            r.beep = true;
            r.message = "設定値に誤りがあります(" + text + ")。";
            return r;
        }
    }
    if (form.rangeGiven) {
        const DateFields s = dateFrom(form, kIdStartYear, form.startFraction);
        const DateFields e = dateFrom(form, kIdEndYear, form.endFraction);
        if (!earlier(s, e)) {
            r.ok = false;
            r.beep = true;
            r.message = "タイミングチャート\n出力範囲指定に誤りがあります。";
            return r;
        }
    }
    const int width = fieldValue(form, kIdWidth), height = fieldValue(form, kIdOutHeight);
    if (fieldValue(form, kIdLeft) + fieldValue(form, kIdRight) >= width ||
        fieldValue(form, kIdTop) + fieldValue(form, kIdBottom) >= height) {
        r.ok = false;
        r.message = "ファイル出力サイズに対して余白が大きすぎます。";
        return r;
    }
    return r;
}

void storeOptionsForm(const ChartOptionsForm& form, ChartParams& p) {
    p.heightUnit = fieldValue(form, kIdHeight) / 2;
    p.outputWidth = fieldValue(form, kIdWidth);
    p.outputHeight = fieldValue(form, kIdOutHeight);
    p.marginTop = fieldValue(form, kIdTop);
    p.marginBottom = fieldValue(form, kIdBottom);
    p.marginLeft = fieldValue(form, kIdLeft);
    p.marginRight = fieldValue(form, kIdRight);
    p.rangeStart = dateFrom(form, kIdStartYear, form.startFraction);
    p.rangeEnd = dateFrom(form, kIdEndYear, form.endFraction);
    p.pageCount = fieldValue(form, kIdPageCount);
    p.timePerPage.years = fieldValue(form, kIdPageYears);
    p.timePerPage.months = fieldValue(form, 1061);
    p.timePerPage.days = fieldValue(form, 1062);
    p.timePerPage.hours = fieldValue(form, 1063);
    p.timePerPage.minutes = fieldValue(form, 1064);
    p.timePerPage.seconds = fieldValue(form, 1065);
    p.timePerPage.fraction = parseFraction(form.pageFraction);
    p.minResolution = form.minResolution;
    p.commentDisplay = form.commentDisplay;
    p.sortByName = form.sortByName;
    p.show100Line = form.show100Line;
    p.outputColourMode = form.outputColourMode;
    p.rangeGiven = form.rangeGiven;
    p.skipUnchanged = form.skipUnchanged;
    p.showUpperScale = form.showUpperScale;
    p.divideByPageCount = form.divideByPageCount;
    p.tellPageCount = form.tellPageCount;
    p.preprocessor = form.preprocessor;
    if (form.colourState == ChartOptionsForm::Reset)
        p.colours = standardChartColours();
    else if (form.colourState == ChartOptionsForm::Changed)
        p.colours = form.colours;
}

ChartRefresh refreshAfterOptions(const ChartParams& before, const ChartParams& after,
                                 ChartOptionsForm::ColourState colourState) {
    if (before.minResolution != after.minResolution || before.sortByName != after.sortByName)
        return ChartRefresh::Reread;
    if (before.show100Line != after.show100Line || before.commentDisplay != after.commentDisplay ||
        before.heightUnit != after.heightUnit || colourState != ChartOptionsForm::Unchanged)
        return ChartRefresh::Redraw;
    return ChartRefresh::None;
}

}  // namespace view
