// Command-line form of the HTML document generator:
//   chronava html-generate DEFINITION.dif [--date YYYY-MM-DD]
#pragma once

namespace output {

// argv[0] is the subcommand's name. Messages go to standard error; the exit status
// is the generator's result (0, 10, 11), or 2 for a usage error.
int htmlGenerateCommand(int argc, char** argv);

}  // namespace output
