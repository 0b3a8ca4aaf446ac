// The state of one run of the desktop program and the window-free rules it applies:
// the installation folder and user, the user parameter record (layout table, recent
// projects, display settings), the current project and its tree, the title, the
// message texts and the clickable message lines. The windows call only this class, so
// they stay free of file formats.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/messages.h"

namespace appqt {

struct LayoutRect {
    int x = 0, y = 0, width = 0, height = 0;
};

// One node of the project tree; `parent` indexes the vector (-1 for the root).
struct TreeItem {
    int parent = -1;
    std::string text;
    int image = 0;
    int data = 0;
    std::string source;  // the log file as listed in the project (for opening)
};

struct Rgb {
    int r = 0, g = 0, b = 0;
};

// Input file codes of a project.
enum InputCode { kSjis = 0, kJis = 1, kEucJp = 2, kUtf8 = 3 };
const char* inputCodeName(int code);

class ShellCore {
public:
    static constexpr int kRecentMax = 20;
    static constexpr int kRecordSize = 109264;

    ShellCore();

    // --- installation and user
    std::string installDir;
    std::string userName;
    std::string userDir() const;            // Users/<name> or "" without a user
    std::string defaultDataFolder() const;  // Projects in the user folder or the installation folder
    std::vector<std::string> listUsers(bool* listed = nullptr) const;

    // --- user parameter record
    std::string paramPath() const;
    // 0 on success; -1 or -2 after a message box (the program then ends with -3).
    int readParams();
    // false after a message box.
    bool writeParams();
    bool layout(int group, int entry, LayoutRect& r) const;
    void setLayout(int group, int entry, const LayoutRect& r);
    std::vector<std::string> recent() const;
    void setRecent(const std::vector<std::string>& list);
    // Puts `path` first (removing equal entries), keeps at most 20, writes the record.
    void addRecent(const std::string& path);
    // The five sample projects when the list is empty.
    void seedSampleProjects();
    // "&1 path" .. "&9 path", then "&A path" ...
    static std::string recentLabel(int index, const std::string& path);

    int tabWidth() const;
    void setTabWidth(int w);
    std::string editorPath() const;
    void setEditorPath(const std::string& p);
    Rgb logTextColour() const;
    Rgb logBackColour() const;
    void setLogColours(Rgb text, Rgb back);
    int nameDisplay() const;  // 0 name, 1 relative, 2 absolute
    void setNameDisplay(int v);
    bool completionSound() const;
    void setCompletionSound(bool on);
    int lastInputCode() const;
    void setLastInputCode(int code);

    // --- current project
    std::string projectPath;
    std::string dataFolder;
    std::string baseFolder;
    int inputCode = kSjis;
    std::vector<std::string> includePaths;

    // Opens a project file: 0, -1 (cannot open) or -2 (version error), with the
    // message shown.
    int openProject(std::string& path);
    // Writes the project file from a list of entries (as stored) and sets the
    // current project path; false when it cannot be written.
    bool writeProject(const std::string& path, const std::vector<std::string>& sources);
    // The [Sources] entries of a project file, log files and other lines (false when
    // the file cannot be read; `versionError` tells why).
    bool readSources(const std::string& path, std::vector<std::string>& out, bool* versionError = nullptr) const;
    std::vector<TreeItem> projectTree(int tab) const;
    // The project information value SYS (system name).
    std::string systemName() const;
    bool writeProjectInfo(const std::string& sys, const std::string& lgt) const;
    // Rewrites the project's InputFileCode line; false when the file cannot be replaced.
    bool rewriteInputCode(int code);

    std::string title() const;
    // A child's file name made absolute against the base folder.
    std::string resolve(const std::string& name) const;

    // --- message texts and lines
    static std::string message(int number);
    static bool clickablePath(std::string_view line, std::string& path);
    static constexpr int kListCap = static_cast<int>(app::MessageListModel::kCap);
    static constexpr int kListDrop = static_cast<int>(app::MessageListModel::kDrop);

private:
    std::vector<unsigned char> rec_;
    int u16(int off) const;
    void setU16(int off, int v);
    std::string str(int off) const;
    void setStr(int off, const std::string& s);
};

}  // namespace appqt
