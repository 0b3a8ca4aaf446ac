// Command-line forms of the program: "chronava NAME ..." runs a subcommand without
// opening a window. Add an entry to the table in subcommands.cpp for each new form.
#pragma once

#include <cstdio>
#include <string_view>
#include <vector>

namespace appqt {

struct Subcommand {
    const char* name;
    const char* usage;  // one line for --help
    int (*run)(int argc, char** argv);  // argv[0] is the subcommand name
};

const std::vector<Subcommand>& subcommands();
const Subcommand* findSubcommand(std::string_view name);
void printUsage(std::FILE* out);
// "chronava VERSION"; returns 0.
int printVersion(std::FILE* out);

}  // namespace appqt
