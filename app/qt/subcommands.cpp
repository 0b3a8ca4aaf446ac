#include "subcommands.h"

namespace appqt {
namespace {

int runVersion(int, char**) {
    std::printf("chronava 0.1\n");
    return 0;
}

}  // namespace

const std::vector<Subcommand>& subcommands() {
    static const std::vector<Subcommand> table = {
        {"version", "version                 prints the program version", runVersion},
    };
    return table;
}

const Subcommand* findSubcommand(std::string_view name) {
    for (const Subcommand& s : subcommands())
        if (name == s.name) return &s;
    return nullptr;
}

void printUsage(std::FILE* out) {
    std::fprintf(out,
                 "usage: chronava [--open PROJECT.nam] [--show-options [--options-tab N]] [--quit-after MS] [--selftest PROJECT.nam]\n"
                 "       chronava SUBCOMMAND [ARGS...]\n\nsubcommands (no window is opened):\n");
    for (const Subcommand& s : subcommands()) std::fprintf(out, "  %s\n", s.usage);
}

}  // namespace appqt
