#include "view/paint_index.h"

#include "base/text.h"
#include "chart/chart_time.h"

#include <algorithm>
#include <cmath>
#include <string_view>

namespace view {

double pulseWidthUnits(const chart::ChartEvent& e, int digits) {
    const int k = 3 * e.pulseUnit;
    if (k < digits) return double(e.value) * chart::powerOfTen(digits - k);
    if (k > digits) return double(e.value) / chart::powerOfTen(std::min(k - digits, 12));
    return double(e.value);
}

double graphWidthUnits(std::int32_t value) {
    const int code = value % 1000;
    return double(code / 10) * std::pow(10.0, double(code % 10));
}

namespace {

bool isImageLabel(std::string_view s) {
    static constexpr std::string_view tag = "<img src=";
    if (s.size() < tag.size()) return false;
    for (std::size_t i = 0; i < tag.size(); ++i) {
        char ch = s[i];
        if (ch >= 'A' && ch <= 'Z') ch = char(ch - 'A' + 'a');
        if (ch != tag[i]) return false;
    }
    return true;
}

// RunFlag bits of every complete run of `length` events.
void describeRuns(const std::vector<chart::ChartEvent>& ev, std::size_t length, std::vector<std::uint8_t>& out) {
    out.clear();
    out.reserve(ev.size() / length);
    for (std::size_t start = 0; start + length <= ev.size(); start += length) {
        std::uint8_t flags = PaintIndex::kRunPlain;
        for (std::size_t j = start; j < start + length; ++j) {
            const chart::ChartEvent& e = ev[j];
            if (e.kind != chart::kKindState || e.commentNo != 0) flags &= std::uint8_t(~PaintIndex::kRunPlain);
            if (j > start) {
                const chart::ChartEvent& p = ev[j - 1];
                if (chart::isLater(e.time, p.time)) flags &= std::uint8_t(~PaintIndex::kRunPlain);
                if (p.value == 0 && e.value != 0) flags |= PaintIndex::kRunRises;
                if (p.value != 0 && e.value == 0) flags |= PaintIndex::kRunFalls;
            }
        }
        if (ev[start + length - 1].value != 0) flags |= PaintIndex::kRunEndsHigh;
        out.push_back(flags);
    }
}

}  // namespace

void PaintIndex::clear() {
    for (Row& r : rows_) r = Row{};
    maxLabel_ = 0;
    model_ = nullptr;
}

void PaintIndex::build(const chart::ChartModel& m) {
    clear();
    model_ = &m;
    for (const std::string& s : m.commentTexts) maxLabel_ = std::max<int>(maxLabel_, int(std::min<std::size_t>(base::cp932Length(s), 60000)));
    for (const std::string& s : m.displayTexts) maxLabel_ = std::max<int>(maxLabel_, int(std::min<std::size_t>(base::cp932Length(s), 60000)));
    const double us = m.unitScale;
    for (int n = 1; n <= chart::kMaxSignals; ++n) {
        const std::vector<chart::ChartEvent>& ev = m.events[std::size_t(n)];
        Row& r = rows_[std::size_t(n)];
        r.events = ev.size();
        const std::size_t checkpoints = ev.size() / kBlock + 1;
        r.maxEnd.reserve(checkpoints);
        r.lastMover.reserve(checkpoints);
        r.pulseLabel.reserve(checkpoints);
        r.hadValue.reserve(checkpoints);
        // The pen starts at the chart start (offset 0).
        double maxEnd = 0;
        std::int32_t lastMover = -1;
        std::uint16_t pulseLabel = 0;
        std::uint8_t hadValue = 0;
        for (std::size_t k = 0; k < kRunLengths.size(); ++k) describeRuns(ev, kRunLengths[k], r.runs[k]);
        for (std::size_t i = 0; i <= ev.size(); ++i) {
            if (i % kBlock == 0) {
                r.maxEnd.push_back(i == 0 ? -HUGE_VAL : maxEnd);
                r.lastMover.push_back(lastMover);
                r.pulseLabel.push_back(pulseLabel);
                r.hadValue.push_back(hadValue);
            }
            if (i == ev.size()) break;
            const chart::ChartEvent& e = ev[i];
            const double off = chart::unitsBetween(m.displayStart, e.time, us);
            double end = off;
            if (e.kind == chart::kKindPulse) end = std::max(off, off + pulseWidthUnits(e, m.decimalDigits));
            if (e.kind == chart::kKindGraph) end = std::max(off, off + graphWidthUnits(e.value));
            if (!(end == end)) end = HUGE_VAL;  // a NaN never lets the walk skip past it
            maxEnd = std::max(maxEnd, end);
            if (e.kind != chart::kKindDisplay) lastMover = std::int32_t(i);
            if (e.kind == chart::kKindValue) hadValue = 1;
            const std::string& label =
                e.kind == chart::kKindDisplay ? m.displayText(e.value) : m.commentText(e.commentNo);
            if ((e.commentNo != 0 || e.kind == chart::kKindDisplay) && isImageLabel(label)) r.imageLabels = true;
            if ((e.kind == chart::kKindPulse || e.kind == chart::kKindGraph) && e.commentNo != 0)
                pulseLabel = std::max<std::uint16_t>(
                    pulseLabel, std::uint16_t(std::min<std::size_t>(base::cp932Length(label), 60000)));
        }
    }
}

const PaintIndex::Row* PaintIndex::row(const chart::ChartModel& m, int n) const {
    if (model_ != &m || n < 1 || n > chart::kMaxSignals) return nullptr;
    const Row& r = rows_[std::size_t(n)];
    return r.events == m.events[std::size_t(n)].size() ? &r : nullptr;
}

}  // namespace view
