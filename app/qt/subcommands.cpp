#include "subcommands.h"

#include "app/generation.h"
#include "app/shell.h"

#ifdef CHRONAVA_HAVE_CONVERT
#include "convert/cli.h"
#endif

#include "chartexport.h"

#ifdef CHRONAVA_HAVE_OUTPUT
#include "htmloutput.h"
#include "output/cli.h"
#include "wordoutput.h"
#endif

namespace appqt {
namespace {

#ifdef CHRONAVA_HAVE_CONVERT
int runConvert(int argc, char** argv) { return convert::convertCommand(argc, argv); }
int runDump(int argc, char** argv) { return convert::dumpCommand(argc, argv); }
#endif

int runGenerate(int argc, char** argv) {
    return app::generateCommand(argc, argv, app::workingInstallDir(app::installation().dataDir));
}

int runVersion(int, char**) { return printVersion(stdout); }

}  // namespace

const std::vector<Subcommand>& subcommands() {
    static const std::vector<Subcommand> table = {
#ifdef CHRONAVA_HAVE_CONVERT
        {"convert", "convert LOG [-o CHART]  converts a log file into a chart file", runConvert},
        {"dump", "dump CHART [--summary] [--raw]  prints the lines of a chart file", runDump},
#endif
        {"generate", "generate PROJECT [--user=NAME]  generates the charts of a project's log files", runGenerate},
        {"version", "version                 prints the program version", runVersion},
        {"export", "export --gif|--wmf|--png|--svg PROJECT  writes the chart pages of every log (--help for options)",
         exportCommand},
#ifdef CHRONAVA_HAVE_OUTPUT
        {"html-generate", "html-generate DEFINITION.dif [--date YYYY-MM-DD]  builds the HTML pages of a definition file",
         output::htmlGenerateCommand},
        {"html", "html PROJECT [--upload] [--user NAME]  produces (and publishes) the HTML pages of a project (--help)",
         htmlCommand},
        {"word", "word PROJECT [--user NAME] [--pdf]  builds the project's Word document (.docx), optionally a PDF",
         wordCommand},
#endif
    };
    return table;
}

const Subcommand* findSubcommand(std::string_view name) {
    for (const Subcommand& s : subcommands())
        if (name == s.name) return &s;
    return nullptr;
}

int printVersion(std::FILE* out) {
#ifndef CHRONAVA_VERSION
#define CHRONAVA_VERSION "0.1"
#endif
    std::fprintf(out, "chronava %s\n", CHRONAVA_VERSION);
    return 0;
}

void printUsage(std::FILE* out) {
    std::fprintf(out,
                 "usage: chronava [OPTION]... [PROJECT.nam | CHART.tct]\n"
                 "       chronava SUBCOMMAND [ARGS...]\n\n"
                 "Without a subcommand the desktop program opens. A project file is opened; a chart\n"
                 "file opens the project in its folder and shows the chart (alone when there is none).\n\n"
                 "options:\n"
                 "  --open PROJECT.nam      opens a project\n"
                 "  --open-chart LOG        shows the chart of a log of the opened project\n"
                 "  --chart-command ID      runs a chart window command after --open-chart (repeatable)\n"
                 "  --chart-cursor X        draws the chart cursor at pane column X\n"
                 "  --show-options          opens the options dialog\n"
                 "  --options-tab N         ... at its tab N\n"
                 "  --selftest PROJECT.nam  opens a project, checks its tree and ends\n"
                 "  --quit-after MS         ends the program after MS milliseconds\n"
                 "  -h, --help              prints this help\n"
                 "  -V, --version           prints the program version\n\n"
                 "subcommands (no window is opened):\n");
    for (const Subcommand& s : subcommands()) std::fprintf(out, "  %s\n", s.usage);
}

}  // namespace appqt
