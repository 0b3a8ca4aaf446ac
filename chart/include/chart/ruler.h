// Ruler computations: the step table, the choice of a row for the current zoom and
// the ticks with their texts over a visible range. Pure functions; the painter only
// draws what they return.
#pragma once

#include "chart/model.h"

#include <cstdint>
#include <string>
#include <vector>

namespace chart {

// A time-of-day row: four steps in fraction units and a label width in characters.
// steps[0] is the tick step, steps[1] the step of the longer ticks, steps[2] the label
// step; steps[3] is kept as the table has it.
struct RulerRow {
    double steps[4] = {0, 0, 0, 0};
    int labelWidth = 0;
};

// A calendar row: the tick step, the label step (both in units) and a label width.
struct CalendarRow {
    double tickStep = 0;
    double labelStep = 0;
    int labelWidth = 0;
};

struct RulerTable {
    int decimalDigits = 0;
    std::vector<RulerRow> timeRows;
    std::vector<CalendarRow> calendarRows;  // empty above 9 digits
};

// The step table for a digit count (0, 3, 6, 9 or 12).
RulerTable buildRulerTable(int decimalDigits);

// Which row draws at `pixelsPerUnit`. With a character width, a time-of-day row is
// taken only when its short labels also stand clear of each other and of the longer
// ticks between them at that width.
struct RulerChoice {
    bool calendar = false;
    int row = 0;  // index into timeRows or calendarRows
};
RulerChoice chooseRulerRow(const RulerTable& table, double pixelsPerUnit, int charWidth = 0);

// Step of the long labels for label step `u` and a visible width in units.
double longLabelStep(double u, double visibleUnits, int decimalDigits, double unitScale);

// Where calendar ticks fall for a step (in units): every multiple up to one day,
// else by the calendar rule of the step.
enum class CalendarRule : std::uint8_t {
    Multiples,   // whole multiples of the step
    TenDays,     // days 1, 10 and 20 of every month
    Months,      // the 1st of every month
    Quarters,    // 1 January, April, July, October
    Years,       // 1 January
    Decades,     // 1 January of years divisible by 10
    Centuries,   // 1 January of years divisible by 100
};
CalendarRule calendarRule(double step, double unitScale);

// Short and long label texts of the time-of-day ruler for a broken-down position and
// label step u.
std::string shortTimeLabel(int hour, int minute, int second, double fraction, double u, int decimalDigits,
                           double unitScale);
std::string longTimeLabel(int year, int month, int day, int hour, int minute, int second, double fraction,
                          double u, int decimalDigits, double unitScale);

// Input of a ruler computation. Positions are offsets in units from `origin`
// (displayStart); pixel x = x0 + (offset - viewStart) * pixelsPerUnit.
struct RulerInput {
    ChartTime origin;
    int decimalDigits = 0;
    double unitScale = 1;
    double pixelsPerUnit = 1;
    double viewStart = 0;  // first visible offset
    double viewEnd = 0;    // last visible offset
    double x0 = 0;         // pixel of viewStart
    int charWidth = 6;     // pixels per character, for the overlap of long labels
};

struct RulerTick {
    enum Kind : std::uint8_t {
        Small,     // a plain tick
        Long,      // a multiple of the longer-tick step
        Labelled,  // a multiple of the label step: carries a short label
    };
    double offset = 0;
    double x = 0;
    Kind kind = Small;
    bool tickDrawn = true;   // false when ticks are 5 px apart or less: only the label shows
    std::string shortLabel;  // Labelled only
    std::string longLabel;   // set where a long label is drawn
};

struct Ruler {
    RulerChoice choice;
    double tickStep = 0;
    double longTickStep = 0;
    double labelStep = 0;
    double longLabelStep = 0;  // time-of-day rulers only
    CalendarRule rule = CalendarRule::Multiples;  // calendar rulers: where ticks fall
    CalendarRule labelRule = CalendarRule::Multiples;  // calendar rulers: where labels fall
    std::vector<RulerTick> ticks;  // ascending offsets within [viewStart, viewEnd]
};

// At most this many ticks are produced; a denser ruler could not be told apart on
// screen and is cut at its end.
inline constexpr std::size_t kMaxRulerTicks = 20000;

Ruler computeRuler(const RulerInput& in);

}  // namespace chart
