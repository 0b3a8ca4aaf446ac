// A per-chart index that lets the painter start each row's walk near the view
// instead of at the first event, without changing a single drawn pixel.
//
// The walk of a row draws nothing visible for an event that ends, with its label,
// well left of the plot; what such events leave behind is the pen (position and
// level), whether a value line was already drawn, and - on screen - the widest label
// so far. The index keeps these at checkpoints every kBlock events, together with the
// furthest point in time any event before the checkpoint reaches, so that a binary
// search finds the last checkpoint before which nothing can show.
//
// For charts zoomed far out it also describes runs of 256, 64 and 16 events: whether a run is
// made of state changes only, without labels, in time order, and which level changes
// it holds, so that a run falling into one pixel column is drawn without looking at
// each of its events.
#pragma once

#include "chart/model.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace view {

class PaintIndex {
public:
    static constexpr std::size_t kBlock = 64;
    // Run lengths, longest first; each divides the one before.
    static constexpr std::array<std::size_t, 3> kRunLengths{256, 64, 16};

    // Flags of a run of kRun events.
    enum RunFlag : std::uint8_t {
        kRunPlain = 1,      // state events only, no comment, times never decreasing
        kRunRises = 2,      // a change from low to high between two of its events
        kRunFalls = 4,      // a change from high to low between two of its events
        kRunEndsHigh = 8,   // its last event sets the high level
    };

    struct Row {
        std::size_t events = 0;          // event count the row was built for
        bool imageLabels = false;        // image labels have unknown widths: no skipping
        std::vector<double> maxEnd;      // per checkpoint c: furthest offset reached before c·kBlock
        std::vector<std::int32_t> lastMover;  // last event before c·kBlock that moves the pen, -1 none
        std::vector<std::uint16_t> pulseLabel;  // longest label (chars) of P and G events before it
        std::vector<std::uint8_t> hadValue;     // a V event came before it
        // Per run length: RunFlag bits of every complete run of that many events.
        std::array<std::vector<std::uint8_t>, kRunLengths.size()> runs;
    };

    // Indexes every signal of `model`. Cost: one pass over the events.
    void build(const chart::ChartModel& model);
    void clear();
    // The row of signal `n`, or nullptr when it does not fit the model's current events.
    const Row* row(const chart::ChartModel& model, int n) const;
    // Longest comment or display text, in characters (CP932 bytes).
    int maxLabelLength() const { return maxLabel_; }

private:
    std::array<Row, chart::kMaxSignals + 1> rows_;
    int maxLabel_ = 0;
    const chart::ChartModel* model_ = nullptr;
};

// Offset in chart units of an event from the model's displayStart, and how far past
// it the event's drawing reaches (pulse and graph widths), shared with the painter.
double pulseWidthUnits(const chart::ChartEvent& e, int decimalDigits);
double graphWidthUnits(std::int32_t value);

}  // namespace view
