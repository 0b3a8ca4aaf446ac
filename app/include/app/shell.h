// The window-free rules of the application shell: the installation folder, start-up
// steps that need no window, the recent project list, the title, the project tree
// model and the names of child windows.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "app/params.h"
#include "app/project.h"
#include "app/users.h"

namespace app {

// The folder of the running executable (symbolic links resolved), without trailing "/".
std::string executableDir();
// Sets PXD in the process environment to `dir` (without trailing "/").
bool exportPxd(const std::string& dir);

// Where the installation data lives. A program built in place keeps it in its own
// folder (the default parameter file is there); an installed one finds it at
// `dataFromBin` relative to its bin/ folder (../share/chronava), which is shared by
// every user of the machine and never written.
struct InstallPlace {
    std::string dataDir;
    bool shared = false;
};
InstallPlace locateInstallation(const std::string& exeDir, std::string_view dataFromBin);
// The running program's installation (computed once).
const InstallPlace& installation();
// $XDG_DATA_HOME/chronava (absolute values only), else ~/.local/share/chronava; empty
// when neither can be named.
std::string perUserDataDir();
// The per-user copy of `installDir`: made the first time (data only, not the programs
// at its top), then kept as it is. Empty when it can be neither found nor made.
std::string perUserCopy(const std::string& installDir);
// The folder the program works in: `installDir` when the user may write there and it is
// not the shared data of an installed program, else the per-user copy. Falls back to
// `installDir` when the copy cannot be made. The folder of an installed program's
// executable stands for its data folder.
std::string workingInstallDir(const std::string& installDir);

// A file handed to the program (by a file manager): a chart file (".tct", any case)
// opens the project it belongs to, else it is taken for a project file.
bool isChartFileName(std::string_view path);
// The project file (".nam", any case) in a chart file's folder, the first by name;
// empty when there is none.
std::string projectOfChart(const std::string& chartPath);
// The log file of the open project whose chart is `chartPath`; empty when none is.
class AppCore;
std::string logOfChart(const AppCore& core, const std::string& chartPath);

// The recent project list with its menu labels.
// Adds `path` first: equal entries removed (exact text: file names are case-sensitive),
// the rest shifted down, at most 20 kept.
void addRecentProject(ParamRecord& rec, const std::string& path);
// "&%d %s" with i + 1 for i < 9, else "&%c %s" with 'A' + (i - 9).
std::string recentMenuLabel(int i, std::string_view path);
constexpr int kRecentFirstCommand = 4106;
constexpr int kRecentSeparatorCommand = 4105;
// Fills an empty recent list with the five sample projects
// <install>/Projects/SampleTn/SampleTn.nam. True when it did.
bool fillSampleProjects(ParamRecord& rec, const std::string& installDir);

// The frame title: "%s - %s[%s]", "%s - %s", "%s[%s]" or "Chronava".
std::string composeTitle(const std::string& projectPath, const std::string& user);
constexpr const char* kAppName = "Chronava";

// The frame rectangle: layout entry (0, 0), or 10, 10, 880 x 600 when unset; a
// negative x or y becomes 0.
LayoutRect frameRect(const ParamRecord& rec);
// Message pane: layout entry (0, 4) (y = top edge in client coordinates, height), or
// height 100 at clientHeight - 100 when unset. x and width are left 0: the pane spans
// the client width.
LayoutRect messagePaneRect(const ParamRecord& rec, int clientHeight);
// Tree pane width: layout entry (0, 1) keeps it in its x field; 200 when unset.
int treePaneWidth(const ParamRecord& rec);

// Splitter limits: the vertical bar's x stays within 100 px of either frame edge;
// the horizontal bar's y between the toolbar row + 20 and the frame height minus the
// status bar minus 80.
int clampVerticalSplit(int x, int frameWidth);
int clampHorizontalSplit(int y, int toolbarHeight, int frameHeight, int statusHeight);
// A dialog of w x h centred over `owner` (the screen before the frame exists), moved
// so that its left and top edges are not negative.
LayoutRect centreDialog(const LayoutRect& owner, int w, int h);

// The log files of a project, made absolute against its base folder, in order; what
// the generation run walks. A version error shows catalogue 104 and ends the list
// (`result` -2); a file that cannot be read gives -1.
std::vector<std::string> projectLogFiles(const Project& p, int* result = nullptr);

// Project tree as a model. Item data: 10*i + 10 log node, + 16 log file, + 18 chart;
// 300 for groups; 0 for the root.
struct TreeItem {
    std::string text;
    int image = 0;
    int data = 0;
    std::vector<TreeItem> children;
};
enum TreeMode { kTreeDocument = 0, kTreeFile = 1 };
enum TreeImage { kImgProject = 0, kImgSource = 6, kImgList = 7, kImgChart = 10 };
// Builds the tree of a project. `result` gets the reader's result (-2 after a
// version error, which is shown with catalogue 104; the tree then holds what was read).
TreeItem buildProjectTree(const std::string& projectPath, int mode, int* result = nullptr);
// Which child window a double-click opens: 9 (chart) when data % 10 == 8, 7 (source
// list) when 6, else 0. `name` gets the log file: the item's own text in tab
// "ドキュメント", its parent's text in tab "ファイル".
int childKindForItem(const TreeItem& item, const TreeItem* parent, int mode, std::string& name);

// Child windows.
constexpr int kChildSource = 7;
constexpr int kChildChart = 9;
const char* childClassName(int kind);
const char* childViewName(int kind);
// A log file name made absolute against the project base folder.
std::string resolveChildName(const std::string& baseDir, const std::string& name);
// "%s - %s": file name (without folder; for kinds 1 and 8 also without extension) and
// the view name.
std::string childTitle(int kind, const std::string& path);

// The state the shell keeps for its whole run, and the start-up steps that need no
// window.
// The folder of a project's generated files (charts, page images, figure lists): its
// DataDirectory, taken in the installation folder when relative, or the project
// file's own folder when none is set.
std::string dataFolderOf(const Project& p, const std::string& installDir);

class AppCore {
public:
    // Chooses the user from a planned log-on dialog: returns true with the chosen
    // name, false on Cancel. The desktop program shows LOGINDLG; the command line
    // takes a user from its options.
    using LogonChooser = std::function<bool(const LogonPlan&, std::string&)>;

    // Start-up without windows: installation folder and PXD, log-on decision, reading
    // the parameter record, the sample projects, SJIS. Returns 0, or the exit code
    // (-3 when the parameter file cannot be read).
    int startup(const std::string& installDir, LogonStore& store, const LogonChooser& choose);

    const std::string& installDir() const { return installDir_; }
    const std::string& user() const { return user_; }
    UserParams& params() { return params_; }
    const UserParams& params() const { return params_; }
    Project& project() { return project_; }
    const Project& project() const { return project_; }
    bool hasProject() const { return !project_.path.empty(); }
    int treeMode() const { return treeMode_; }
    void setTreeMode(int m) { treeMode_ = m; }

    // Road A: opens a project. `fromRecent` checks for the file before touching the
    // list. Result 0, or the reader's result (-1, -2), or -3 when the file is missing.
    // Adds the path to the recent list and writes the parameter file; unless the
    // project is new, the three message lists are emptied.
    int openProject(const std::string& path, bool fromRecent, bool isNew = false);
    // Adds a path to the recent list and rewrites the parameter file.
    void addRecent(const std::string& path);
    // After OK of the project dialog: takes over the project it wrote. True when the
    // path changed; the path was then added to the recent list, and the caller closes
    // the child windows. Either way the caller rebuilds the tree and the title.
    bool takeEditedProject(const Project& p);

    std::string title() const { return composeTitle(project_.path, user_); }
    TreeItem tree(int* result = nullptr) const { return buildProjectTree(project_.path, treeMode_, result); }
    std::string defaultDataDir() const { return app::defaultDataDir(installDir_, user_); }
    // dataFolderOf the open project; empty without a project.
    std::string dataFolder() const;

private:
    std::string installDir_;
    std::string user_;
    UserParams params_;
    Project project_;
    int treeMode_ = kTreeDocument;
};

// The generation command after its dialog: stores the check state and writes the
// parameter file (failure: warning box with `caption` and catalogue 906), then, in
// the busy state, empties message list 0 and, when `chart` is ticked, selects its tab
// and runs `generateOne` for every log file of the project (made absolute) until one
// reports that the user interrupted it (returns false). Afterwards the completion
// sound (when chosen) and the logo's first frame. The caller closes the child
// windows first. 0, or -2 after a version error of the project file.
int runProjectGeneration(AppCore& core, bool chart, std::string_view caption,
                         const std::function<bool(const std::string&)>& generateOne);

}  // namespace app
