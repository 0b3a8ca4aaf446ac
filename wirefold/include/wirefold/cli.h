// The command line, the usage text and one complete run of the program.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "wirefold/formatter.h"

namespace wirefold {

struct Options {
    bool usage = false;       // print the usage text and stop
    std::string input;        // empty: standard input
    std::string output;       // empty: standard output
    Settings settings;
};

Options parseCommandLine(const std::vector<std::string>& args);

// The eight lines of the usage text.
const char* usageText();

// Runs the program on the given arguments (without the program name). Messages and
// the usage text go to `console`; `in` and `out` stand for standard input and output.
// Returns the exit status: 1 after a run over the input, 0 after the usage text
// (also after a file failed to open or the output could not be written).
int run(const std::vector<std::string>& args, std::FILE* in, std::FILE* out, std::FILE* console);

}  // namespace wirefold
