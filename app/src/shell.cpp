#include "app/shell.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "app/catalogue.h"
#include "app/generation.h"
#include "base/files.h"
#include "base/names.h"
#include "base/services.h"

namespace app {

// ---- installation folder --------------------------------------------------------

std::string executableDir() {
    char buf[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return ".";
    buf[n] = '\0';
    char real[PATH_MAX];
    std::string path = ::realpath(buf, real) ? real : buf;
    std::string dir = base::folderOf(path);
    return dir.empty() ? "." : dir;
}

bool exportPxd(const std::string& dir) {
    std::string d = base::stripTrailingSlash(dir);
    return ::setenv("PXD", d.c_str(), 1) == 0;
}

namespace {

// Copies a folder tree. At the top level, executable files (the programs themselves)
// are not copied: the per-user copy holds data only.
bool copyTree(const std::string& from, const std::string& to, bool top) {
    if (!base::makeDirectories(to)) return false;
    DIR* d = ::opendir(from.c_str());
    if (!d) return false;
    bool ok = true;
    while (dirent* e = ::readdir(d)) {
        std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        std::string src = base::joinPath(from, name), dst = base::joinPath(to, name);
        struct stat st {};
        if (::stat(src.c_str(), &st) != 0) continue;
        if (S_ISDIR(st.st_mode)) {
            ok = copyTree(src, dst, false) && ok;
        } else if (S_ISREG(st.st_mode)) {
            if (top && (st.st_mode & S_IXUSR)) continue;
            ok = base::copyFile(src, dst) && ok;
            if (st.st_mode & S_IXUSR) ::chmod(dst.c_str(), st.st_mode & 0777);
        }
    }
    ::closedir(d);
    return ok;
}

}  // namespace

InstallPlace locateInstallation(const std::string& exeDir, std::string_view dataFromBin) {
    // A build tree's dist/ holds the program next to its data: it runs in place.
    if (base::fileExists(base::joinPath(exeDir, kDefaultParamName)) || dataFromBin.empty()) return {exeDir, false};
    std::filesystem::path data = std::filesystem::path(exeDir) / std::string(dataFromBin);
    std::string dir = base::stripTrailingSlash(data.lexically_normal().string());
    if (base::isDirectory(dir)) return {dir, true};
    return {exeDir, false};
}

const InstallPlace& installation() {
#ifndef CHRONAVA_DATA_FROM_BIN
#define CHRONAVA_DATA_FROM_BIN "../share/chronava"
#endif
    static const InstallPlace place = locateInstallation(executableDir(), CHRONAVA_DATA_FROM_BIN);
    return place;
}

std::string perUserDataDir() {
    std::string dataHome;
    if (const char* x = std::getenv("XDG_DATA_HOME"); x && *x == '/')
        dataHome = x;
    else if (const char* h = std::getenv("HOME"); h && *h)
        dataHome = base::joinPath(h, ".local/share");
    else
        return {};
    return base::joinPath(dataHome, "chronava");
}

std::string perUserCopy(const std::string& installDir) {
    std::string copy = perUserDataDir();
    if (copy.empty()) return {};
    if (base::isDirectory(copy)) return copy;
    // The copy is assembled beside its final place and renamed in one step, so a copy
    // broken off half-way is never taken for a finished one.
    std::string tmp = copy + ".new." + std::to_string(::getpid());
    std::error_code ec;
    std::filesystem::remove_all(tmp, ec);
    // Users/ is made even when the installation ships none: the logon lists it.
    bool ok = copyTree(installDir, tmp, true) && base::makeDirectories(base::joinPath(tmp, "Users")) &&
              base::renameFile(tmp, copy);
    if (!ok) std::filesystem::remove_all(tmp, ec);
    // Another instance started at the same moment may have won the rename.
    if (base::isDirectory(copy)) return copy;
    return {};
}

std::string workingInstallDir(const std::string& installDir) {
    const InstallPlace& self = installation();
    // An installed program's own folder is bin/: its installation is the data folder.
    const std::string dir = self.shared && installDir == executableDir() ? self.dataDir : installDir;
    bool shared = self.shared && dir == self.dataDir;
    if (!shared && ::access(dir.c_str(), W_OK) == 0) return dir;
    std::string copy = perUserCopy(dir);
    return copy.empty() ? dir : copy;
}

// ---- a file handed over on the command line ---------------------------------------

bool isChartFileName(std::string_view path) { return base::hasExtension(path, ".tct"); }

std::string projectOfChart(const std::string& chartPath) {
    const std::string folder = chartPath.find('/') == std::string::npos ? std::string(".") : base::folderOf(chartPath);
    DIR* d = ::opendir(folder.c_str());
    if (!d) return {};
    std::vector<std::string> found;
    while (dirent* e = ::readdir(d)) {
        std::string name = e->d_name;
        if (!base::hasExtension(name, ".nam")) continue;
        std::string path = base::joinPath(folder, name);
        if (base::fileExists(path) && !base::isDirectory(path)) found.push_back(path);
    }
    ::closedir(d);
    if (found.empty()) return {};
    std::sort(found.begin(), found.end());
    return found.front();
}

std::string logOfChart(const AppCore& core, const std::string& chartPath) {
    if (!core.hasProject()) return {};
    auto same = [](const std::string& a, const std::string& b) {
        return std::filesystem::path(a).lexically_normal() == std::filesystem::path(b).lexically_normal();
    };
    for (const std::string& log : projectLogFiles(core.project()))
        if (same(chartPathFor(core, log), chartPath)) return log;
    return {};
}

// ---- recent list ----------------------------------------------------------------

void addRecentProject(ParamRecord& rec, const std::string& path) {
    std::vector<std::string> list = rec.recentProjects();
    std::erase(list, path);
    list.insert(list.begin(), path);
    if (list.size() > static_cast<std::size_t>(kRecentMax)) list.resize(kRecentMax);
    rec.setRecentProjects(list);
}

std::string recentMenuLabel(int i, std::string_view path) {
    std::string label = "&";
    if (i < 9)
        label += std::to_string(i + 1);
    else
        label += static_cast<char>('A' + (i - 9));
    label += ' ';
    label += path;
    return label;
}

bool fillSampleProjects(ParamRecord& rec, const std::string& installDir) {
    if (rec.recentCount() != 0) return false;
    std::vector<std::string> list;
    for (int n = 1; n <= 5; ++n) {
        std::string s = "SampleT" + std::to_string(n);
        list.push_back(base::joinPath(base::joinPath(base::joinPath(installDir, "Projects"), s), s + ".nam"));
    }
    rec.setRecentProjects(list);
    return true;
}

// ---- title and layout -------------------------------------------------------------

std::string composeTitle(const std::string& projectPath, const std::string& user) {
    std::string name = projectPath.empty() ? std::string() : base::baseName(projectPath);
    if (!projectPath.empty() && !user.empty()) return name + " - " + kAppName + "[" + user + "]";
    if (!projectPath.empty()) return name + " - " + kAppName;
    if (!user.empty()) return std::string(kAppName) + "[" + user + "]";
    return kAppName;
}

LayoutRect frameRect(const ParamRecord& rec) {
    LayoutRect r;
    if (!rec.layout(0, 0, r)) r = {10, 10, 880, 600};
    if (r.x < 0) r.x = 0;
    if (r.y < 0) r.y = 0;
    return r;
}

LayoutRect messagePaneRect(const ParamRecord& rec, int clientHeight) {
    LayoutRect r;
    if (rec.layout(0, 4, r)) return {0, r.y, 0, r.height};
    return {0, clientHeight - 100, 0, 100};
}

int treePaneWidth(const ParamRecord& rec) {
    LayoutRect r;
    if (rec.layout(0, 1, r)) return r.x;
    return 200;
}

int clampVerticalSplit(int x, int frameWidth) {
    if (x > frameWidth - 100) x = frameWidth - 100;
    if (x < 100) x = 100;
    return x;
}

int clampHorizontalSplit(int y, int toolbarHeight, int frameHeight, int statusHeight) {
    int hi = frameHeight - statusHeight - 80;
    if (y > hi) y = hi;
    if (y < toolbarHeight + 20) y = toolbarHeight + 20;
    return y;
}

LayoutRect centreDialog(const LayoutRect& owner, int w, int h) {
    LayoutRect r{owner.x + (owner.width - w) / 2, owner.y + (owner.height - h) / 2, w, h};
    if (r.x < 0) r.x = 0;
    if (r.y < 0) r.y = 0;
    return r;
}

std::vector<std::string> projectLogFiles(const Project& p, int* result) {
    SourceList s = readSourcesReporting(p.path);
    if (result) *result = s.result;
    std::vector<std::string> out;
    for (const auto& l : s.logs) out.push_back(resolveChildName(p.baseDir, l));
    return out;
}

// ---- project tree -----------------------------------------------------------------

TreeItem buildProjectTree(const std::string& projectPath, int mode, int* result) {
    TreeItem root;
    if (projectPath.empty()) {
        if (result) *result = -1;
        return root;
    }
    root.text = "プロジェクト " + base::baseName(projectPath);
    root.image = kImgProject;
    SourceList s = readSourcesReporting(projectPath);
    if (result) *result = s.result;
    const auto& logs = s.logs;
    const int n = static_cast<int>(logs.size());
    if (mode == kTreeFile) {
        for (int i = 0; i < n; ++i) {
            TreeItem node{logs[i], kImgList, 10 * i + 10, {}};
            node.children.push_back({"タイミングチャート", kImgChart, 10 * i + 18, {}});
            node.children.push_back({"ログファイル", kImgSource, 10 * i + 16, {}});
            root.children.push_back(std::move(node));
        }
    } else {
        TreeItem charts{"タイミングチャート", kImgChart, 300, {}};
        TreeItem sources{"ログファイル", kImgSource, 300, {}};
        for (int i = 0; i < n; ++i) {
            charts.children.push_back({logs[i], kImgList, 10 * i + 18, {}});
            sources.children.push_back({logs[i], kImgList, 10 * i + 16, {}});
        }
        root.children.push_back(std::move(charts));
        root.children.push_back(std::move(sources));
    }
    return root;
}

int childKindForItem(const TreeItem& item, const TreeItem* parent, int mode, std::string& name) {
    int kind = 0;
    if (item.data % 10 == 8)
        kind = kChildChart;
    else if (item.data % 10 == 6)
        kind = kChildSource;
    if (kind == 0) return 0;
    if (mode == kTreeFile) {
        if (!parent) return 0;
        name = parent->text;
    } else {
        name = item.text;
    }
    return kind;
}

// ---- child windows ----------------------------------------------------------------

const char* childClassName(int kind) {
    static const char* const k[] = {"",          "FLTChild",  "SMRYChild", "PADChild", "HCPChild",
                                    "FLOWChild", "DOCChild",  "SRCChild",  "TREEChild", "TCChild"};
    return kind >= 1 && kind <= 9 ? k[kind] : "";
}

const char* childViewName(int kind) {
    static const char* const k[] = {"",         "ListView",      "SummaryView", "PADView",  "HCPView",
                                    "FlowChartView", "DocView", "SourceView",  "TreeView", "Chronava"};
    return kind >= 1 && kind <= 9 ? k[kind] : "";
}

std::string resolveChildName(const std::string& baseDir, const std::string& name) {
    return base::makeAbsolute(baseDir, name);
}

std::string childTitle(int kind, const std::string& path) {
    std::string name = (kind == 1 || kind == 8) ? base::baseName(path) : base::splitPath(path).name;
    return name + " - " + childViewName(kind);
}

// ---- generation command ---------------------------------------------------------

int runProjectGeneration(AppCore& core, bool chart, std::string_view caption,
                         const std::function<bool(const std::string&)>& generateOne) {
    auto& sv = base::services();
    core.params().record().setGenerationTarget(kKindChart, chart ? 1 : 0);
    // A record that could not be saved before has been reported already.
    if (core.params().write() == -1) sv.warningBox(base::kBoxInfo, caption, message(906));
    sv.enterBusy();
    sv.clearCancel();
    sv.clearMessages(0);
    int result = 0;
    {
        base::LogoRun logo;
        if (chart) {
            sv.selectMessageTab(0);
            std::vector<std::string> logs = projectLogFiles(core.project(), &result);
            if (result == -1) result = 0;  // nothing to walk; the reader of each log reports its own errors
            for (const auto& log : logs)
                if (!generateOne(log)) break;
        }
    }
    if (core.params().record().completionSound() == 1) sv.completionSound();
    sv.logoReset();
    sv.leaveBusy();
    return result;
}

// ---- the shell's state ------------------------------------------------------------

int AppCore::startup(const std::string& installDir, LogonStore& store, const LogonChooser& choose) {
    installDir_ = base::stripTrailingSlash(installDir);
    exportPxd(installDir_);
    user_.clear();
    LogonPlan plan = planLogon(store, installDir_);
    if (plan.showDialog) {
        std::string name;
        if (choose && choose(plan, name) && !name.empty()) user_ = acceptLogon(store, plan, name);
    }
    params_ = UserParams(installDir_, user_);
    if (params_.read() != 0) return -3;
    fillSampleProjects(params_.record(), installDir_);
    project_ = Project{};
    project_.inputCode = 0;
    return 0;
}

void AppCore::addRecent(const std::string& path) {
    addRecentProject(params_.record(), path);
    params_.write();
}

std::string dataFolderOf(const Project& p, const std::string& installDir) {
    if (!p.dataDir.empty()) return base::makeAbsolute(installDir, p.dataDir);
    return base::folderOf(p.path);
}

std::string AppCore::dataFolder() const { return hasProject() ? dataFolderOf(project_, installDir_) : std::string(); }

bool AppCore::takeEditedProject(const Project& p) {
    bool changed = p.path != project_.path;
    project_ = p;
    if (changed) addRecent(p.path);
    return changed;
}

int AppCore::openProject(const std::string& path, bool fromRecent, bool isNew) {
    auto missing = [&path]() {
        base::services().messageBox(base::kBoxInfo, "ファイル読み込み", path, message(908));
        base::services().clearStatus();
        return -3;
    };
    if (fromRecent && !base::fileExists(path)) return missing();
    addRecent(path);
    if (!base::fileExists(path)) return missing();
    std::string p = path;
    Project opened;
    bool imported = false;
    int r = app::openProject(p, defaultDataDir(), opened, &imported);
    if (r != 0) return r;
    if (imported) addRecent(p);
    // Folders of a project may be written relative to the installation folder (the
    // sample projects are), so that they move with it.
    if (!opened.dataDir.empty()) opened.dataDir = base::makeAbsolute(installDir_, opened.dataDir);
    if (!opened.baseDir.empty()) opened.baseDir = base::makeAbsolute(installDir_, opened.baseDir);
    if (!isNew)
        for (int list = 0; list < 3; ++list) base::services().clearMessages(list);
    project_ = std::move(opened);
    return 0;
}

}  // namespace app
