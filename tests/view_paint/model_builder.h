// Builds small chart models in memory for the painter and view tests.
#pragma once

#include "chart/chart_time.h"
#include "chart/model.h"

#include <string>

namespace painttest {

// A chart from 2001/01/01 00:00:00 lasting `seconds` at `digits` sub-second digits.
inline chart::ChartModel makeModel(int digits, int seconds) {
    chart::ChartModel m;
    m.setDecimalDigits(digits);
    m.start = m.displayStart = chart::ChartTime{20010101, 0, 0};
    m.end = m.displayEnd = chart::addOffsetTime(m.start, double(seconds) * m.unitScale, m.unitScale);
    m.commentTexts.resize(chart::kMaxComments + 1);
    m.displayTexts.resize(chart::kMaxDisplays + 1);
    return m;
}

inline void addSignal(chart::ChartModel& m, int n, const std::string& name) {
    m.signalNames[std::size_t(n)] = name;
    m.signalDeclared[std::size_t(n)] = true;
    ++m.signalCount;
    m.signalOrder[std::size_t(m.signalCount)] = std::int16_t(n);
    if (m.signalSlots < n + 1) m.signalSlots = n + 1;
}

// An event `units` chart units after the chart start.
inline void addEvent(chart::ChartModel& m, int n, double units, char kind, int value, int comment = 0,
                     int pulseUnit = 0) {
    chart::ChartEvent e;
    e.time = chart::addOffsetTime(m.displayStart, units, m.unitScale);
    e.kind = kind;
    e.value = value;
    e.commentNo = comment;
    e.pulseUnit = std::int16_t(pulseUnit);
    m.events[std::size_t(n)].push_back(e);
}

inline int addComment(chart::ChartModel& m, int no, const std::string& text) {
    m.commentTexts[std::size_t(no)] = text;
    ++m.commentCount;
    return no;
}

}  // namespace painttest
