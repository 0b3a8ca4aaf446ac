// Start-up of the desktop program: installation folder and PXD, log-on, the user
// parameter record, the frame at its saved rectangle, then the event loop.
#pragma once

#include <functional>
#include <string>
#include <vector>

class QApplication;

namespace appqt {

// The folder that holds the executable, symbolic links resolved, without a trailing "/".
std::string installationFolder();
// The folder that holds the user parameter files, Users/ and Projects/: the
// installation folder, or, when the user cannot write there, a per-user copy under
// $XDG_DATA_HOME/chronava seeded from it at first start.
std::string workingFolder(const std::string& installDir);
// Exports the installation folder to child processes as PXD.
void exportInstallationFolder(const std::string& dir);
// Font substitutions for the Windows font names kept in settings and the interface font.
void setupFonts(QApplication& app);

class ShellCore;

// Asks for the user among `users` (last choice `last`); false when cancelled.
using AskUser = std::function<bool(const std::vector<std::string>& users, const std::string& last, std::string& chosen)>;
// The log-on step: with log-on on, the user chooses from the folders of Users/; when
// Users/ cannot be listed, log-on is switched off and the setting written back.
void logOn(ShellCore& core, const AskUser& ask);

struct DesktopOptions {
    std::string openProject;   // opened after the frame is shown
    bool showOptions = false;  // opens the options dialog (screenshots)
    int optionsTab = 0;        // ... at this tab
    int quitAfterMs = 0;       // ends the run after this long
    std::string selftest;      // opens this project, checks the tree, exits
};
// Returns the process exit code (-3 when the user parameter file cannot be read).
int runDesktop(int argc, char** argv, const std::string& installDir, const DesktopOptions& opt);

}  // namespace appqt
