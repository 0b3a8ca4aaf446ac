// The project file (.nam), the project information file (.css), the line classifier
// shared by every reader of the source list, and the project values for templates.
//
// Project files are CP932 on disk and UTF-8 here; paths use "/".
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/text.h"

namespace app {

// Input file codes of a project: 0 SJIS, 1 JIS, 2 EUC-JP, 3 UTF-8.
using base::InputCode;
// "SJIS", "JIS", "EUC-JP", "UTF-8" (SJIS for an unknown number).
const char* inputCodeName(int code);
// The code an "InputFileCode" value names: SJIS if it contains "SJIS", else JIS if it
// contains "JIS", else EUC-JP if it contains "EUC-JP", else UTF-8 if it contains
// "UTF-8"; -1 when none.
int inputCodeFromText(std::string_view value);

// Line classes returned by classifyLine.
enum LineClass {
    kLineSkip = 0,
    kLineLog = 1,      // a log file (".log" / ".klg"); "[Sources]" itself too
    kLineOther = 2,    // another entry of [Sources]
    kLineEnd = -1,
    kLineVersion = -2, // header of another major version
};
// Classifies one line (without line break) given the class of the previous line (0 at
// the start). Entries of [Sources] are unquoted in place.
int classifyLine(std::string& line, int state);

// The project state of the shell.
struct Project {
    std::string path;     // the .nam file; empty when no project is open
    std::string dataDir;  // DataDirectory
    std::string baseDir;  // InputBaseDirectory
    int inputCode = 0;
    std::vector<std::string> includePaths;
};

constexpr int kMaxIncludePaths = 100;
// A plain list of an older release holds at most this many bytes, in lines of at
// most kMaxPlainListLine bytes; a larger file is not imported.
constexpr std::size_t kMaxPlainListBytes = std::size_t(1) << 20;
constexpr std::size_t kMaxPlainListLine = 1023;
constexpr std::size_t kMaxIncludeText = 25855;

// Default data folder: Users/<user>/Projects, or Projects in the installation folder.
std::string defaultDataDir(const std::string& installDir, const std::string& user);

// Reads a project file. 0 on success; -1 when it cannot be opened; -2 on a version
// error (messages shown, `out` untouched). A plain list of an older release is
// imported into a folder named after it inside the default data folder and `path` is
// replaced by the imported project's path; `imported` tells the caller to add it to
// the recent list. A file without header that is no list of files (binary bytes,
// overlong lines, too large, or no line naming an existing file) is refused with a
// message: -1, nothing written.
int openProject(std::string& path, const std::string& defaultData, Project& out, bool* imported = nullptr);

// Writes a project file: header, [Sources] (each line quoted), [IncludePath],
// [Common]. Written through a temporary file. 0, or -1 when it cannot be written
// (message shown with `caption`).
int writeProjectFile(const Project& p, const std::vector<std::string>& sources,
                     std::string_view caption = "プロジェクトファイル編集");
// writeProjectFile, then a missing .css is written with the project name and "C"
// (the project dialog's OK). 0 or -1.
int saveProject(const Project& p, const std::vector<std::string>& sources);
// The bytes of a project file as writeProjectFile writes them (CP932, CR LF).
// `ok` becomes false when a value has no CP932 form.
std::string projectFileBytes(const Project& p, const std::vector<std::string>& sources, bool* ok = nullptr);

// Entries of [Sources] as the readers see them.
struct SourceList {
    std::vector<std::string> logs;     // class 1 lines, in order
    std::vector<std::string> entries;  // class 1 and 2 lines, in order (project dialog)
    int result = 0;                    // 0, -1 (cannot open), -2 (version error)
};
// Reads [Sources] with the line classifier. No message is shown.
SourceList readSources(const std::string& projectPath);
// readSources, showing catalogue 104 with the path on a version error.
SourceList readSourcesReporting(const std::string& projectPath);

// The .css file beside a project.
std::string cssPath(const std::string& projectPath);
// Value of `key` (case-insensitive; last matching line wins), cut to `maxLen` CP932
// bytes. A missing file gives the project name for "SYS", else "".
std::string readCssValue(const std::string& projectPath, std::string_view key, std::size_t maxLen = 255);
// Writes "SYS:" and "LGT:". 0; -1 without a project path; -2 when it cannot be written.
int writeCss(const std::string& projectPath, std::string_view sys, std::string_view lgt);

// Template values: section "Nam.Common" with DataDirectory, InputBaseDirectory,
// InputFileCode, ProjectName, ComplierName; section "Nam.IncludePath" (paths joined
// by ";", stopping before the one that would pass 25855 characters). `p` may be null
// (no project). Result cut to `maxLen` bytes.
std::string projectValue(const Project* p, std::string_view section, std::string_view key,
                         std::size_t maxLen = 25856);

// Rewrites the InputFileCode line of a project file with the name of `code` (inserted
// before a "/" line, or appended, when there is none). Through a temporary file; 0 or
// -1.
int rewriteInputFileCode(const std::string& projectPath, int code);

// Creates a project file in new mode: the location (folder) must have an existing
// parent; checks of the project dialog. Result 0; -1 parent missing; -2 empty name;
// -3 write failure. Messages shown with caption "プロジェクトファイル編集".
int createProject(const std::string& location, const std::string& name, const std::string& baseDir,
                  const std::vector<std::string>& sources, Project& p);

// Checks of the project dialog's file list.
constexpr int kMaxListEntries = 1000;
enum AddCheck { kAddOk = 0, kAddNotSource = 1, kAddDuplicate = 2, kAddSameStem = 3 };
// True for a log file (".log", ".klg") or a source file (".c", ".cpp", ".h", ".hh",
// ".hxx", ".hpp", ".inc" and any extension beginning ".c" or ".h"), ignoring case.
bool isListableFile(std::string_view path);
// Whether `file` (absolute) may join a list of absolute `entries`: not a listable
// type, the same path already listed, or the same name without extension (so that
// a.log and a.klg, or a-inc.log and a.inc, would derive the same chart name).
int checkFileToAdd(const std::vector<std::string>& entries, const std::string& file);
// Shows the warning box of a refused file (caption "プロジェクトファイル編集").
void reportAddCheck(int check, const std::string& file);
// An entry as the list shows it: relative to `baseDir` when it lies inside it and
// `absolute` is off, else absolute.
std::string displayEntry(const std::string& entry, const std::string& baseDir, bool absolute);

// More refusals of the list: full (1000 entries), or a path over 255 CP932 bytes.
enum AddLimit { kAddListFull = 4, kAddTooLong = 5 };

// The file list of the project dialog. Entries are held absolute; they are shown and
// stored relative to the base folder when they lie inside it, unless `absolute`.
class ProjectListModel {
public:
    void setBaseDir(const std::string& baseDir) { baseDir_ = baseDir; }
    const std::string& baseDir() const { return baseDir_; }
    // Entries as read from the project file (relative ones joined to the base folder).
    void load(const std::vector<std::string>& entries);
    // Adds a chosen file after entry `selected` (or at the end when -1). Returns a
    // check result (kAddOk, AddCheck, AddLimit); a refusal is shown in a warning box.
    // `inserted` gets the new entry's index.
    int add(const std::string& file, int selected, int* inserted = nullptr);
    void remove(int i);
    void clear() { entries_.clear(); }
    int size() const { return static_cast<int>(entries_.size()); }
    const std::string& absolutePath(int i) const { return entries_[i]; }
    std::string shown(int i, bool absolute) const { return displayEntry(entries_[i], baseDir_, absolute); }
    // The lines of [Sources], as the list shows them.
    std::vector<std::string> stored(bool absolute) const;

private:
    std::string baseDir_;
    std::vector<std::string> entries_;
};

// Linking the project name into the project folder: a "/" in the name is dropped;
// the last component of the folder (the text after its last "/") is replaced by the
// name, or, when the folder was edited by hand and does not end in "/", the name is
// appended as a new component.
std::string linkNameIntoFolder(const std::string& folder, const std::string& name, bool editedByHand);


}  // namespace app
