// The in-memory timing chart: chart times, events and the model that the chart
// window, the painter and the exporters read.
//
// Texts in the model are UTF-8; their byte limits (255 bytes) are measured on the
// CP932 form in which the chart file stores them.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace chart {

inline constexpr int kMaxSignals = 32;        // signal numbers 1..32; slot 0 is never used
inline constexpr int kMaxComments = 2000;     // comment numbers 1..2000
inline constexpr int kMaxDisplays = 1000;     // display text numbers 1..1000
inline constexpr std::size_t kMaxTextBytes = 255;  // names and texts, CP932 bytes
inline constexpr int kDefaultEventCount = 256;     // room reserved when [Signal] gives no count
inline constexpr int kMaxDecimalDigits = 12;

// A point in chart time.
struct ChartTime {
    std::int32_t date = 0;     // YYYYMMDD, 20010203 is 3 February 2001
    std::int32_t seconds = 0;  // seconds since midnight, 0..86399
    double fraction = 0;       // whole count of 10^-decimalDigits seconds below one second

    friend bool operator==(const ChartTime&, const ChartTime&) = default;
};

// Record letters of the [Timing] section.
inline constexpr char kKindState = 'S';  // value 0 off, 1 on
inline constexpr char kKindPulse = 'P';  // value = width in the unit of pulseUnit
inline constexpr char kKindDisplay = 'D';  // value = display text number
inline constexpr char kKindValue = 'V';  // value = percent x 1000, 0..100000
inline constexpr char kKindGraph = 'G';  // value div 1000 = height in percent, mod 1000 = duration code

// Pulse width units.
inline constexpr std::int16_t kPulseMilli = 1;
inline constexpr std::int16_t kPulseMicro = 2;

// One record of the [Timing] section (32 bytes).
struct ChartEvent {
    ChartTime time;               // when the event happens
    std::int32_t value = 0;       // meaning by kind
    std::int32_t commentNo = 0;   // [Comment] number shown with the event, 0 for none
    std::int16_t pulseUnit = 0;   // kind P: 1 milliseconds, 2 microseconds; else 0
    char kind = 0;                // record letter

    friend bool operator==(const ChartEvent&, const ChartEvent&) = default;
};

// One chart as read from a chart file. Arrays indexed by signal number have room for
// numbers 0..32; index 0 is unused.
struct ChartModel {
    ChartTime start, end;                // first and last time of the chart
    ChartTime displayStart, displayEnd;  // range shown at first (set by the range check)

    int signalCount = 0;  // [Signal] entries accepted
    std::array<std::string, kMaxSignals + 1> signalNames;
    std::array<bool, kMaxSignals + 1> signalDeclared{};  // a [Signal] entry exists
    std::array<int, kMaxSignals + 1> declaredCounts{};   // event count given in [Signal]
    // Events per signal number, in file order. The array is sized for the declared
    // count and grows when the [Timing] section holds more.
    std::array<std::vector<ChartEvent>, kMaxSignals + 1> events;
    int signalSlots = 0;  // highest signal number met in [Timing] + 1; 0 when none

    // Texts indexed by their number (index 0 unused); a number never given reads as "".
    std::vector<std::string> commentTexts;
    int commentCount = 0;
    std::vector<std::string> displayTexts;
    int displayCount = 0;

    // Display order: positions 1..signalCount hold signal numbers.
    std::array<std::int16_t, kMaxSignals + 1> signalOrder{};

    // Time settings of this chart, consulted by all time arithmetic on it.
    int decimalDigits = 0;   // 0, 3, 6, 9 or 12
    double unitScale = 1.0;  // 10^decimalDigits, fraction units per second
    bool rangeLimited = false;  // the range check lowered the resolution or cut the range

    // Frees the event arrays and resets every field.
    void clear();

    const std::string& commentText(int no) const;
    const std::string& displayText(int no) const;
    const std::vector<ChartEvent>& signalEvents(int signalNo) const;
    // Total number of events stored.
    std::size_t eventCount() const;
    // Heap and object bytes the model holds (for measurements).
    std::size_t memoryBytes() const;
    // Sets decimalDigits and unitScale together.
    void setDecimalDigits(int digits);
};

}  // namespace chart
