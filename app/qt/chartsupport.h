// Copies the chart settings between the user parameter record and view::ChartParams,
// the form in which the painter, the chart window and the options page use them.
#pragma once

#include "app/params.h"
#include "view/chart_params.h"

#include <string>
#include <string_view>

namespace appqt {

// The chart settings of a record, brought into their ranges (a damaged file cannot
// upset drawing).
view::ChartParams chartParamsFrom(const app::ParamRecord& rec);
// Stores every chart setting into the record (two flags inverted as the record keeps
// them).
void storeChartParams(const view::ChartParams& p, app::ParamRecord& rec);

// The generation the chart window runs when no other was set: the converter turns
// the log into the chart file. False when the program was built without it.
bool convertLogToChart(const std::string& logPath, const std::string& chartPath);

// How the user editor is started for the chart window: the program, the folder it
// runs in (empty: none, the program is looked up on PATH) and its one argument.
struct EditorLaunch {
    std::string folder, program, argument;
};
// From the editor command line of the parameters: one pair of surrounding double
// quotes is dropped; the line is split at its last '/' or '\\' into folder and
// program; with both a chart and a log set the log path is the argument. Arguments
// go to the program one by one, so the path is passed as it is (without the quotes
// a single command line would need). Empty program when the line is empty.
EditorLaunch editorLaunch(std::string_view commandLine, bool chartSet, const std::string& logPath);

}  // namespace appqt
