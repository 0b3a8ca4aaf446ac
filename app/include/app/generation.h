// The generation run: turns one log file of the project into its chart file. A raw
// log (".log") is first normalised into a ".klg" event log by the user's preprocessor
// command, run as a separate process; the converter then writes the chart file into
// the project folder, and the outcome goes to the message pane.
//
// GUI-free: the windows the run opens (progress window, hint dialog, error window)
// are reached through GenerationWindows, which the desktop program installs. Without
// them the run works headless: progress and hints become message pane lines.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace app {

class AppCore;

// The user setting that shows the hint dialog for the sample log (16 bits in the
// parameter record; non-zero = show).
inline constexpr std::size_t kAwkHintOffset = 109178;
// The error file in the installation folder.
inline constexpr const char* kErrorFileName = "tq4100.err";
// The sample log whose preprocessing needs an awk interpreter, in the installation
// folder.
inline constexpr const char* kSampleLogName = "awk/ftp001.log";
// The layout table entry that keeps the rectangle of the generation error window.
inline constexpr int kErrorWindowGroup = 4;
inline constexpr int kErrorWindowEntry = 0;

// Texts of the run.
inline constexpr const char* kGenerateTitle = "タイミングチャート生成";
inline constexpr const char* kErrorCaption = "生成ｴﾗｰ表示";
// What the hint dialog says: the sample's preprocessor needs an awk interpreter.
inline constexpr const char* kAwkHintText =
    "サンプルの生成には awk が必要です。awk をインストールしてください(Debian: apt install gawk または mawk)。"
    "前処理の説明はヘルプの「タイミングチャート生成」にあります。";

// The state the run keeps between calls.
struct GenerationState {
    bool running = false;           // from the converter's start to the report
    bool interrupted = false;       // set by the progress window's button
    bool lastRunHadErrors = false;  // consulted by the command "生成エラー表示"
    bool batch = false;             // set by the project loop around each run
};
GenerationState& generationState();

// The windows of the run. The default does nothing; the desktop program installs its
// forms with setGenerationWindows.
class GenerationWindows {
public:
    virtual ~GenerationWindows() = default;
    // The hint dialog "AWKWARNDLG" for the sample log; may clear the hint flag.
    // Headless: the hint text becomes a message pane line.
    virtual void showAwkHint(AppCore& core);
    // Progress window "TCMETER": shown (or updated when shown) with a title, a line
    // and the input file name; closed after the conversion.
    virtual void showProgress(std::string_view title, std::string_view line, std::string_view file) {
        (void)title, (void)line, (void)file;
    }
    virtual void closeProgress() {}
    // Commands and tool buttons of the main frame while the converter runs.
    virtual void enableCommands(bool on) { (void)on; }
    // The generation error window "TCCNVERROR".
    virtual bool errorWindowOpen() const { return false; }
    virtual void closeErrorWindow() {}
    // Opens the error window (or, when it is open, empties its list) and fills it
    // with `lines`.
    virtual void showErrorWindow(AppCore& core, const std::vector<std::string>& lines) {
        (void)core, (void)lines;
    }
};
// Installs `w` (not owned); nullptr restores the headless form.
void setGenerationWindows(GenerationWindows* w);
GenerationWindows& generationWindows();

// ---- the run ----------------------------------------------------------------------

// Runs the generation for one log file (an absolute path) of the current project:
// preprocessing when its name ends in ".log" (any case), then the converter with the
// arguments "tq4102", the input and "-o" + the chart path. Returns the converter's
// result (0 on success, 10, 11, 12), or -1 when it stopped before the converter was
// called. This is the entry point of the chart window's "生成" and of the project
// loop.
int generateChart(AppCore& core, const std::string& logPath);

// The chart file of a log: base::chartFileOf in the project's data folder (the log's
// own folder when no project is open). Generation, the chart window and the exports
// all take the chart from here.
std::string chartPathFor(const AppCore& core, const std::string& logPath);

// The preprocessor command line split as the run does it: a line that begins with a
// double quote names the program up to the next quote, else the program ends at the
// first blank; the arguments are the rest behind that character, trimmed.
struct CommandSplit {
    std::string program;
    std::string args;
};
CommandSplit splitPreprocessorCommand(std::string_view line);
// The argument words after the first "&B" was replaced by `base` (the log path
// without its extension). The words are split first, so a base path with blanks stays
// one argument.
std::vector<std::string> preprocessorArguments(std::string_view args, const std::string& base);
// The arguments as the message pane shows them: the text with "&B" replaced once.
std::string substituteBase(std::string_view args, const std::string& base);

// ---- errors -----------------------------------------------------------------------

// Path of the error file in the installation folder.
std::string errorFilePath(const AppCore& core);
// Reads the error file: one entry per line (CP932 on disk, up to 255 bytes a line).
// False when it cannot be opened.
bool readErrorFile(const std::string& path, std::vector<std::string>& lines);
// The command "生成エラー表示": when the last run had errors, opens the error window
// with the error file (or the file open error box); otherwise an information box.
void showGenerationErrors(AppCore& core);

// ---- the project loop -------------------------------------------------------------

// Road B after its dialog: stores the check state, walks the project's log files and
// runs generateChart for each until a run is interrupted. The caller closes the
// child windows first. Returns 0 when every run succeeded, 1 when a run failed or
// was stopped, -2 after a version error of the project file.
int generateProject(AppCore& core, bool chart, std::string_view caption = "生成実行");

// chronava generate PROJECT.nam [--user=NAME]: road B without windows. Every line the
// message pane would get is printed on `out`; boxes go to `err`. 0 when every run
// succeeded, 1 when a run failed or the project could not be opened, 2 for bad usage,
// 3 when the parameter file cannot be read.
int generateCommand(int argc, const char* const* argv, const std::string& installDir, std::FILE* out = stdout,
                    std::FILE* err = stderr);

}  // namespace app
