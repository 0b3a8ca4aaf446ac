#include "chart/model.h"

#include "chart/chart_time.h"

namespace chart {

namespace {
const std::string& emptyText() {
    static const std::string s;
    return s;
}
const std::vector<ChartEvent>& noEvents() {
    static const std::vector<ChartEvent> v;
    return v;
}
}  // namespace

void ChartModel::clear() { *this = ChartModel(); }

const std::string& ChartModel::commentText(int no) const {
    if (no < 1 || static_cast<std::size_t>(no) >= commentTexts.size()) return emptyText();
    return commentTexts[no];
}

const std::string& ChartModel::displayText(int no) const {
    if (no < 1 || static_cast<std::size_t>(no) >= displayTexts.size()) return emptyText();
    return displayTexts[no];
}

const std::vector<ChartEvent>& ChartModel::signalEvents(int signalNo) const {
    if (signalNo < 1 || signalNo > kMaxSignals) return noEvents();
    return events[signalNo];
}

std::size_t ChartModel::eventCount() const {
    std::size_t n = 0;
    for (const auto& v : events) n += v.size();
    return n;
}

std::size_t ChartModel::memoryBytes() const {
    std::size_t n = sizeof(*this);
    auto text = [](const std::string& s) { return s.capacity() > 15 ? s.capacity() + 1 : 0; };
    for (const auto& v : events) n += v.capacity() * sizeof(ChartEvent);
    for (const auto& s : signalNames) n += text(s);
    n += commentTexts.capacity() * sizeof(std::string);
    for (const auto& s : commentTexts) n += text(s);
    n += displayTexts.capacity() * sizeof(std::string);
    for (const auto& s : displayTexts) n += text(s);
    return n;
}

void ChartModel::setDecimalDigits(int digits) {
    if (digits < 0) digits = 0;
    if (digits > kMaxDecimalDigits) digits = kMaxDecimalDigits;
    decimalDigits = digits;
    unitScale = powerOfTen(digits);
}

}  // namespace chart
