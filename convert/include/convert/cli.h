// Command-line forms of converting a log and looking into a chart file. GUI-free, so
// that the desktop program and the console program dispatch the same subcommands.
//
//   convert LOG [-o CHART] [--code=sjis|jis|euc|utf8]
//                            converts LOG; the chart goes beside it (name.tct) unless
//                            -o names it. Without --code the log is taken as UTF-8 or
//                            Shift-JIS by its contents. Prints the result in words and
//                            returns the converter's result code.
//   dump CHART [--summary] [--raw]
//                            prints the plain (unscrambled) lines of CHART as UTF-8
//                            (--raw: the Shift-JIS bytes as stored); --summary prints
//                            the model as read instead (signals, event counts,
//                            times, digits after the range check).
#pragma once

#include <cstdio>

namespace convert {

// argv[0] is the subcommand name ("convert" / "dump"). Output goes to `out`,
// messages and errors to `err`.
int convertCommand(int argc, const char* const* argv, std::FILE* out = stdout, std::FILE* err = stderr);
int dumpCommand(int argc, const char* const* argv, std::FILE* out = stdout, std::FILE* err = stderr);

// Dispatches argv[1] ("convert" or "dump") with the rest; 2 for an unknown command.
int runCommandLine(int argc, const char* const* argv);

}  // namespace convert
