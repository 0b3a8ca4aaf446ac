// The Word output: the check before a run, the run itself (metafile pages of every
// source, the figure list, "word.dif", the start of the document builder) and the
// watch of the builder's progress file "word.log".
//
// GUI-free: everything reaches the user through base::services() (message boxes, the
// "Word" list of the message pane, busy state, logo animation, completion sound).
// The desktop program drives the watch from a timer and a file-system watch; the
// command line waits for the builder and polls the watch once at the end.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "app/params.h"
#include "view/page_export.h"

namespace word {

// Texts and names of the Word output.
inline constexpr const char* kCaption = "Word";
inline constexpr const char* kDialogCaption = "Word 出力";
inline constexpr const char* kOptionsCaption = "Word 出力オプション";
inline constexpr const char* kBuilderName = "chronava-docbuild";
inline constexpr const char* kLauncherTemplate = "rq4100.dot";
inline constexpr const char* kProgressName = "word.log";
inline constexpr const char* kAliveName = "wordalv.log";
inline constexpr const char* kEndWord = "終了";
inline constexpr const char* kNoTemplateText = "テンプレートファイル名を設定してください。";
inline constexpr const char* kNoFormText = "フォームファイル名を設定してください。";
inline constexpr const char* kMissingChartText = "%sが不足しています。\n%sを生成してください。\n%s\n";
inline constexpr const char* kNoTargetText = "出力対象を選択してください。";
inline constexpr const char* kCannotStartText = "Word を起動できません";
inline constexpr const char* kStartErrorText = "%s を起動できません[%d:%s]";
inline constexpr const char* kBuilderGoneText = "ドキュメント作成プログラムが途中で終了しました";
inline constexpr const char* kDefinitionErrorText = "Word 定義ファイル生成エラー[%d:%s]";
// The period of timer 201, the fallback of the file-system watch.
inline constexpr int kWatchTimerId = 201;
inline constexpr int kWatchPeriodMs = 10000;
// The frame command that opens the generation dialog.
inline constexpr int kGenerateCommand = 20488;

// Kinds the Word output produces, in kind order, with their names.
inline constexpr int kWordKinds[] = {0, 1, 17};
const char* kindName(int kind);

// The run state of the whole program run.
struct WordRunState {
    bool preparing = false;  // a run is between its start and the builder's start
    bool watching = false;   // the progress file is being watched
    pid_t builder = 0;       // the builder started last, until it is reaped
    bool builderGone = false;  // the builder started last has ended
};
WordRunState& wordRunState();

// Makes the form, template and output paths of the record absolute against the
// installation folder: empty stays empty, blanks become empty, a relative path is
// joined to the folder.
void makeWordPathsAbsolute(app::ParamRecord& rec, const std::string& installDir);

// The file a path of the record names on disk: a ".doc" or ".dot" name stands for its
// ".docx" sibling when only that exists.
std::string existingDocument(const std::string& path);

// True when `path` is the launcher template of the installation folder, which cannot
// serve as a template (compared without regard to case).
bool isLauncherTemplate(const std::string& path, const std::string& installDir);

// Outcome of the check before a run.
enum class CheckResult {
    Ok,
    Silent,       // the project file does not open: no message
    Failed,       // a message was shown
    MissingKind,  // a message about a ticked kind was shown: open the generation dialog
};
// The check before a run, with the status line showing catalogue 914 meanwhile and
// a failure's text in an information box captioned "Word 出力".
// `dataFolder` holds the charts (the project's data folder, absolute; "" for the
// project's own folder).
CheckResult checkBeforeRun(const app::ParamRecord& rec, const std::string& projectPath,
                           const std::string& dataFolder = {});

// Starts the document builder detached; 0, or the error number of a failed start.
class BuilderLauncher {
public:
    virtual ~BuilderLauncher() = default;
    virtual int start(const std::string& program, const std::string& installDir, pid_t& pid);
};

struct RunInput {
    std::string installDir;
    std::string projectPath;
    std::string dataFolder;  // where charts, pages and the figure list lie; "": the project's folder
    app::ParamRecord rec;  // with absolute paths (makeWordPathsAbsolute)
    view::ChartParams params;
    view::ScreenMetrics screen;
    BuilderLauncher* launcher = nullptr;  // nullptr: the default
    std::string builderProgram;           // "": the builder in the installation folder
};

// The document builder for an installation folder: the one in the folder, else the
// one beside the running program (a per-user copy of the folder holds no programs).
std::string builderProgramFor(const std::string& installDir, const std::string& programDir);

enum class RunResult {
    Declined,     // the question of a run still going was not answered Yes
    Failed,       // an error stopped the run (reported)
    NothingToDo,  // no kind was processed: nothing written, nothing started
    Started,      // the builder runs; the watch is on
};
RunResult runWordOutput(const RunInput& in);

// The watch of "word.log". Each poll adds the lines not shown yet to the "Word" list
// and tells whether the last non-empty line contains "終了".
class ProgressWatch {
public:
    // Forgets the lines shown (a new run writes a new file).
    void reset() { shown_ = 0; }
    // Reads the progress file; true when it ends the watch. A missing file shows
    // nothing and does not end it. A builder that has ended without the end line (it
    // crashed or was killed) ends the watch with a failure line instead of leaving it
    // running for the rest of the program's life.
    bool poll(const std::string& installDir);
    // Ends the watch: flag cleared, completion sound (when chosen), logo stopped.
    void finish(const app::ParamRecord& rec);
    std::size_t shown() const { return shown_; }

private:
    std::size_t shown_ = 0;
};
ProgressWatch& progressWatch();

// The non-empty lines of a progress file, decoded from CP932; false when it is missing.
bool readProgressLines(const std::string& path, std::vector<std::string>& lines);

}  // namespace word
