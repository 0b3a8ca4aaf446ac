// chronava: the desktop program, or one of its command-line forms when the first
// argument names a subcommand.
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/shell.h"
#include "startup.h"
#include "subcommands.h"

int main(int argc, char** argv) {
    std::string installDir = app::installation().dataDir;
    app::exportPxd(installDir);

    if (argc > 1) {
        if (!std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h")) {
            appqt::printUsage(stdout);
            return 0;
        }
        if (!std::strcmp(argv[1], "--version") || !std::strcmp(argv[1], "-V")) return appqt::printVersion(stdout);
        if (const appqt::Subcommand* s = appqt::findSubcommand(argv[1])) return s->run(argc - 1, argv + 1);
    }

    appqt::DesktopOptions opt;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "chronava: %s needs a value\n", a.c_str());
                std::exit(2);
            }
            return argv[++i];
        };
        if (a == "--open") opt.openProject = value();
        else if (a == "--show-options") opt.showOptions = true;
        else if (a == "--options-tab") opt.optionsTab = std::atoi(value().c_str());
        else if (a == "--quit-after") opt.quitAfterMs = std::atoi(value().c_str());
        else if (a == "--selftest") opt.selftest = value();
        else if (a == "--open-chart") opt.openChart = value();
        else if (a == "--chart-command") opt.chartCommands.push_back(std::atoi(value().c_str()));
        else if (a == "--chart-cursor") opt.chartCursor = std::atoi(value().c_str());
        else if (a.rfind("-", 0) != 0 && app::isChartFileName(a) && opt.chartFile.empty()) opt.chartFile = a;
        else if (a.rfind("-", 0) != 0 && opt.openProject.empty()) opt.openProject = a;
        else if (a.rfind("-platform", 0) == 0 || a.rfind("--platform", 0) == 0) ++i;  // Qt's own option
        else {
            std::fprintf(stderr, "chronava: unknown option %s (see --help)\n", a.c_str());
            return 2;
        }
    }

    QApplication app(argc, argv);
    QApplication::setOrganizationName("KOV");
    QApplication::setApplicationName("ChronavaS");
    // Ties the windows to the installed desktop entry (its name and icon in docks).
    QApplication::setDesktopFileName("chronava");
    appqt::setupFonts(app);
    appqt::loadQtTranslations(app);
    return appqt::runDesktop(installDir, opt);
}
