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
    return app::generateCommand(argc, argv, app::workingInstallDir(app::executableDir()));
}

int runVersion(int, char**) {
    std::printf("chronava 0.1\n");
    return 0;
}

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

void printUsage(std::FILE* out) {
    std::fprintf(out,
                 "usage: chronava [--open PROJECT.nam] [--show-options [--options-tab N]] [--quit-after MS] [--selftest PROJECT.nam]\n"
                 "       [--open-chart LOG [--chart-command ID]... [--chart-cursor X]]\n"
                 "       chronava SUBCOMMAND [ARGS...]\n\nsubcommands (no window is opened):\n");
    for (const Subcommand& s : subcommands()) std::fprintf(out, "  %s\n", s.usage);
}

}  // namespace appqt
