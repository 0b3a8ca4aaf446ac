// The log-to-chart converter: reads an event log twice and writes a chart file.
//
// Event lines look like
//   2001/02/03 04:05:06.120 $CLK=ON // first edge
// with the keywords OFF, ON, PULSE(width[unit]), GRAPH(n), VALUE(p[%]) and
// DISP("text"). The first pass gathers the signal, comment and display lists, the
// time range and the digit count and writes the header sections; the second pass
// writes one [Timing] record per event line. Every line goes through the line
// scrambling.
#pragma once

#include "base/text.h"

#include <cstddef>
#include <optional>
#include <string>

namespace convert {

// Result codes of the entry point.
inline constexpr int kConvertOk = 0;
inline constexpr int kConvertOutputFailed = 10;  // the output file was not created
inline constexpr int kConvertUsage = 11;         // no arguments, bad usage or input not opened
// The log exceeds what a chart can hold (text pool, signal count) or holds a
// character the chart's code cannot store; nothing was written. reason() says why.
inline constexpr int kConvertLimit = 12;
// The log holds no event line; nothing was written.
inline constexpr int kConvertNoEvents = 13;

// The identifier the caller passes as the first element of the argument vector.
inline constexpr const char* kConverterId = "tq4102";

inline constexpr std::size_t kTextPoolBytes = 512000;  // shared by the three lists
inline constexpr std::size_t kEntryOverhead = 11;      // pool bytes per entry besides its text
inline constexpr int kMaxListedSignals = 255;
inline constexpr std::size_t kMaxLogLine = 1023;       // longer lines are cut
inline constexpr std::size_t kMaxEntryBytes = 256;     // longer list entries end their section
inline constexpr int kMaxFractionDigits = 12;

// What one conversion found.
struct ConvertStats {
    long dataLines = 0;   // lines read as data lines (first pass)
    long eventLines = 0;  // event lines written as records
    int signals = 0;
    int comments = 0;
    int displays = 0;
    int digits = 0;
    bool utf8 = false;    // the log was taken as UTF-8 and converted to Shift-JIS
};

// One conversion. The converter keeps its lists in the object, so calls do not share
// state; a new run clears everything first.
class Converter {
public:
    // Entry point: (argument count, argument vector). Arguments after the first: a
    // word not beginning with "-" is the input log (the last one counts); "-o"
    // followed directly by a path names the chart file (without it the chart goes
    // beside the log with the extension .tct); anything else beginning with "-" is
    // a usage error. Returns 0, 10, 11, 12 or 13.
    int run(int argc, const char* const* argv);
    // The same with the two paths given.
    int convert(const std::string& input, const std::string& output);

    // The kanji code of the logs to convert. Without one (the default) a log is taken
    // as UTF-8 when all its non-ASCII lines are well-formed UTF-8, else as Shift-JIS,
    // whose bytes go into the chart unchanged. JIS and EUC-JP logs need their code set.
    void setInputCode(std::optional<base::InputCode> code) { inputCode_ = code; }

    // Why the last run failed, in words (empty on success).
    const std::string& reason() const { return reason_; }
    const ConvertStats& stats() const { return stats_; }
    const std::string& outputPath() const { return output_; }

private:
    std::optional<base::InputCode> inputCode_;
    std::string reason_;
    std::string output_;
    ConvertStats stats_;
};

// Convenience: one call of the entry point with a fresh converter.
int convertLog(int argc, const char* const* argv, std::string* reason = nullptr);

}  // namespace convert
