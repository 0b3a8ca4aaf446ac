// Reading a chart file (.tct) into a ChartModel.
#pragma once

#include "chart/model.h"

#include <string>
#include <string_view>

namespace chart {

// Header line of a chart file.
inline constexpr std::string_view kChartHeader = " [KOV:TCT:V1.01 ]";

// The user's chart parameters that influence a read.
struct ReadSettings {
    // Minimum resolution choice: 0 automatic (the smallest multiple of 3 not below the
    // file's digits), k = 1 seconds, 2 milliseconds, 3 microseconds, ... -> 3k - 3 digits.
    int minimumResolution = 0;
    // List the signals sorted by name, ignoring letter case.
    bool sortByName = false;
};

// Reads `path` into `model`. Returns 0 on success, -1 on failure; `slotCount` (when
// given) receives model.signalSlots on success and 0 on failure. Messages reach the
// user through base::services(); with `quiet` the closing notice about too many
// signals is not shown (every other message is). A failed read leaves an empty model.
int ReadChartFile(bool quiet, const std::string& path, ChartModel& model, int* slotCount,
                  const ReadSettings& settings = {});

// Reads a fraction digit string as a count of 10^-digits seconds: cut to `digits`
// digits when longer, filled with zeros on the right when shorter. Reading stops at
// the first non-digit.
double readFraction(std::string_view text, int digits);

}  // namespace chart
