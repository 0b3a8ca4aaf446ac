// Start-up of the desktop program: the window-free steps of the application core
// (installation folder, PXD, log-on, parameter record, sample projects), the log-on
// dialog, the frame at its saved rectangle, then the event loop.
#pragma once

#include <string>
#include <vector>

class QApplication;

namespace appqt {

// Font substitutions for the Windows font names kept in settings and the interface font.
void setupFonts(QApplication& app);
// Installs Qt's own Japanese texts (qtbase) for the standard dialogs; false when the
// translation files are not installed.
bool loadQtTranslations(QApplication& app);

struct DesktopOptions {
    std::string openProject;   // opened after the frame is shown
    bool showOptions = false;  // opens the options dialog (screenshots)
    int optionsTab = 0;        // ... at this tab
    int quitAfterMs = 0;       // ends the run after this long
    std::string selftest;      // opens this project, checks the tree, exits
    std::string openChart;     // a log of the project whose chart is shown (screenshots)
    std::vector<int> chartCommands;  // chart window commands run after that, in order
    int chartCursor = -1;      // pane column at which the cursor line is drawn
    std::string chartFile;     // a chart file: its project is opened and the chart shown
};
// Returns the process exit code (-3 when the user parameter file cannot be read).
int runDesktop(const std::string& installDir, const DesktopOptions& opt);

}  // namespace appqt
