#include "app/generation.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "app/shell.h"
#include "base/files.h"
#include "base/names.h"
#include "base/services.h"
#include "base/text.h"
#include "convert/converter.h"

namespace app {
namespace {

GenerationWindows headlessWindows;
GenerationWindows* installedWindows = nullptr;

constexpr std::size_t kErrorLineBytes = 255;

// True when an executable named `name` is found on PATH.
bool onPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string_view rest = path ? path : "/usr/bin:/bin";
    while (true) {
        std::size_t colon = rest.find(':');
        std::string_view dir = rest.substr(0, colon);
        std::string full = base::joinPath(dir.empty() ? std::string_view(".") : dir, name);
        if (access(full.c_str(), X_OK) == 0 && !base::isDirectory(full)) return true;
        if (colon == std::string_view::npos) return false;
        rest.remove_prefix(colon + 1);
    }
}

// Two paths name the same file: compared after making them canonical (".." and
// symbolic links resolved), falling back to the plain text.
bool samePath(const std::string& a, const std::string& b) {
    std::error_code ec1, ec2;
    auto ca = std::filesystem::weakly_canonical(a, ec1);
    auto cb = std::filesystem::weakly_canonical(b, ec2);
    if (ec1 || ec2) return a == b;
    return ca == cb;
}

// The hint case: the sample log of the installation's awk folder, no awk interpreter
// to run its preprocessor, and the user still wants the hint.
bool needsAwkHint(const AppCore& core, const std::string& logPath) {
    if (core.params().record().u16(kAwkHintOffset) == 0) return false;
    std::string sample = base::joinPath(core.installDir(), kSampleLogName);
    if (!samePath(logPath, sample)) {
        // Letter case of the name is ignored, as for every extension test.
        if (!base::equalsNoCase(base::splitPath(logPath).name, "ftp001.log") ||
            !samePath(base::folderOf(logPath), base::folderOf(sample)))
            return false;
    }
    return !onPath("awk");
}

// A program named with a folder but not absolute is taken in the installation folder;
// a bare name is looked up on PATH.
std::string resolveProgram(const AppCore& core, const std::string& program) {
    if (program.find('/') == std::string::npos || base::isAbsolutePath(program)) return program;
    return base::joinPath(core.installDir(), program);
}

// Runs the preprocessor for a ".log" file. Returns the .klg path, or "" after the
// message of the step that stopped.
std::string preprocess(AppCore& core, const std::string& logPath, bool& stopped) {
    auto& sv = base::services();
    stopped = true;
    if (needsAwkHint(core, logPath)) {
        generationWindows().showAwkHint(core);
        return {};
    }
    std::string line = core.params().record().preprocessCommand();
    if (base::trimBlanks(line).empty()) {
        sv.warningBox(base::kBoxInfo, kAppName, "タイミングチャート用プリプロセッサを指定してください。");
        return {};
    }
    CommandSplit split = splitPreprocessorCommand(line);
    std::string basePath = base::replaceExtension(logPath, "");
    std::string shownArgs = substituteBase(split.args, basePath);
    std::vector<std::string> args = preprocessorArguments(split.args, basePath);

    std::string klg = base::replaceExtension(logPath, ".klg");
    long long before = base::fileTimeNs(klg);
    // The progress window and the status line tell that the preprocessor runs; the
    // converter's step takes the window over afterwards.
    GenerationWindows& win = generationWindows();
    win.showProgress(kGenerateTitle, "プリプロセッサを実行中です。", base::splitPath(logPath).name);
    sv.setStatus("プリプロセッサを実行中です。");
    int rc = sv.runAndWait(resolveProgram(core, split.program), args, core.installDir());
    struct CloseUnlessGoingOn {
        GenerationWindows& win;
        base::Services& sv;
        bool& stopped;
        ~CloseUnlessGoingOn() {
            if (!stopped) return;
            win.closeProgress();
            sv.clearStatus();
        }
    } closer{win, sv, stopped};
    if (rc < 0) {
        sv.appendMessage(base::kListChart, split.program + " " + shownArgs + " を実行できませんでした。");
        return {};
    }
    sv.appendMessage(base::kListChart, split.program + " " + shownArgs + " を実行しました。");
    // A .klg left from an earlier run does not count: the preprocessor must have
    // written it now, or the chart would silently show old data.
    long long after = base::fileTimeNs(klg);
    if (after < 0 || after == before) {
        sv.appendMessage(base::kListChart, "汎用ログファイルが作成されていません。(" + klg + ") ");
        return {};
    }
    stopped = false;
    return klg;
}

// Shows the error file after a run: its lines are added to the message list, or the
// file open error box.
void showErrorFileAfterRun(const std::string& path) {
    auto& sv = base::services();
    std::vector<std::string> lines;
    if (!readErrorFile(path, lines)) {
        sv.beep();
        sv.messageBox(base::kBoxInfo, kErrorCaption, "ファイルオープンエラー(" + path + ")");
        return;
    }
    for (const auto& l : lines) sv.appendMessage(base::kListChart, l);
}

// Writes why the conversion failed into the error file, so the user reads the cause.
// When the file cannot be written the reason goes to the message pane directly.
void writeErrorFile(const std::string& path, const std::string& input, const std::string& reason) {
    std::string text = base::splitPath(input).name + " : " + (reason.empty() ? "変換に失敗しました。" : reason);
    std::string bytes = base::toCp932(text) + "\r\n";
    if (!base::writeFileAtomic(path, bytes)) base::services().appendMessage(base::kListChart, text);
}

}  // namespace

GenerationState& generationState() {
    static GenerationState s;
    return s;
}

void GenerationWindows::showAwkHint(AppCore& core) {
    (void)core;
    base::services().appendMessage(base::kListChart, kAwkHintText);
}

void setGenerationWindows(GenerationWindows* w) { installedWindows = w; }
GenerationWindows& generationWindows() { return installedWindows ? *installedWindows : headlessWindows; }

CommandSplit splitPreprocessorCommand(std::string_view line) {
    CommandSplit out;
    std::size_t restAt;
    if (!line.empty() && line[0] == '"') {
        std::size_t close = line.find('"', 1);
        if (close == std::string_view::npos) {
            out.program = std::string(line.substr(1));
            return out;
        }
        out.program = std::string(line.substr(1, close - 1));
        restAt = close + 1;
    } else {
        std::size_t blank = line.find(' ');
        if (blank == std::string_view::npos) {
            out.program = std::string(line);
            return out;
        }
        out.program = std::string(line.substr(0, blank));
        restAt = blank + 1;
    }
    out.args = base::trimBlanks(line.substr(restAt));
    return out;
}

std::string substituteBase(std::string_view args, const std::string& base) {
    std::string out(args);
    std::size_t at = out.find("&B");
    if (at != std::string::npos) out.replace(at, 2, base);
    return out;
}

std::vector<std::string> preprocessorArguments(std::string_view args, const std::string& base) {
    std::vector<std::string> words = base::splitCommandLine(args);
    for (auto& w : words) {
        std::size_t at = w.find("&B");
        if (at != std::string::npos) {
            w.replace(at, 2, base);
            break;
        }
    }
    return words;
}

std::string chartPathFor(const AppCore& core, const std::string& logPath) {
    const std::string folder = core.hasProject() ? core.dataFolder() : base::folderOf(logPath);
    return base::chartFileOf(folder, logPath);
}

std::string errorFilePath(const AppCore& core) { return base::joinPath(core.installDir(), kErrorFileName); }

bool readErrorFile(const std::string& path, std::vector<std::string>& lines) {
    base::LineReader r;
    if (!r.open(path)) return false;
    std::string line;
    while (r.next(line, kErrorLineBytes, true)) lines.push_back(base::fromCp932(line));
    return true;
}

int generateChart(AppCore& core, const std::string& logPath) {
    auto& sv = base::services();
    auto& st = generationState();
    // Only one run at a time: while a preprocessor runs the interface stays alive, so
    // a second request could arrive from a window that is still enabled.
    static bool inRun = false;
    if (inRun) {
        sv.beep();
        return -1;
    }
    struct Guard {
        bool& flag;
        explicit Guard(bool& f) : flag(f) { flag = true; }
        ~Guard() { flag = false; }
    } guard(inRun);
    base::LogoRun logo;
    if (logPath.empty()) {
        sv.setStatus("ファイルを選択してください。");
        sv.beep();
        return -1;
    }
    if (!base::fileExists(logPath)) {
        sv.selectMessageTab(base::kListChart);
        sv.appendMessage(base::kListChart, "ファイルが見つかりません(" + logPath + ")。");
        return -1;
    }
    std::string input = logPath;
    if (base::hasExtension(logPath, ".log")) {
        bool stopped = false;
        input = preprocess(core, logPath, stopped);
        if (stopped) return -1;
    }

    std::string errFile = errorFilePath(core);
    base::removeFile(errFile);
    std::string chart = chartPathFor(core, input);
    std::string inputName = base::splitPath(input).name;

    GenerationWindows& win = generationWindows();
    sv.selectMessageTab(base::kListChart);
    if (win.errorWindowOpen()) win.closeErrorWindow();
    st.running = true;

    win.showProgress(kGenerateTitle, "タイミングチャートを生成中です。", inputName);
    win.enableCommands(false);
    sv.setStatus("生成中です。");
    // Lets the progress window paint before the converter holds the thread.
    sv.keepAlive();

    st.interrupted = false;
    convert::Converter conv;
    int code = core.project().inputCode;
    if (code == 1) conv.setInputCode(base::InputCode::Jis);
    if (code == 2) conv.setInputCode(base::InputCode::EucJp);
    std::string outArg = "-o" + chart;
    const char* argv[] = {convert::kConverterId, input.c_str(), outArg.c_str()};
    int result = conv.run(3, argv);

    // A click on the progress window's button while the converter ran is handled
    // here, so the project loop can stop after this run.
    sv.keepAlive();
    win.closeProgress();
    sv.clearStatus();
    win.enableCommands(true);

    if (result == 0) {
        st.lastRunHadErrors = false;
        sv.appendMessage(base::kListChart, inputName + " 生成を終了しました。");
    } else {
        // The converter keeps its reason in memory; the error file carries it to the
        // user, and every failure is one that "生成エラー表示" can show.
        st.lastRunHadErrors = true;
        writeErrorFile(errFile, input, conv.reason());
        showErrorFileAfterRun(errFile);
    }
    st.running = false;
    return result;
}

void showGenerationErrors(AppCore& core) {
    auto& sv = base::services();
    if (!generationState().lastRunHadErrors) {
        sv.messageBox(base::kBoxInfo, kErrorCaption, "前回の生成でエラーはありませんでした。");
        return;
    }
    std::string path = errorFilePath(core);
    std::vector<std::string> lines;
    if (!readErrorFile(path, lines)) {
        sv.beep();
        sv.messageBox(base::kBoxInfo, kErrorCaption, "ファイルオープンエラー(" + path + ")");
        return;
    }
    generationWindows().showErrorWindow(core, lines);
}

int generateProject(AppCore& core, bool chart, std::string_view caption) {
    auto& st = generationState();
    st.interrupted = false;
    bool failed = false;
    int r = runProjectGeneration(core, chart, caption, [&](const std::string& log) {
        st.batch = true;
        int rc = generateChart(core, log);
        st.batch = false;
        if (rc != 0) failed = true;
        return !st.interrupted;
    });
    if (r != 0) return r;
    return failed || st.interrupted ? 1 : 0;
}

}  // namespace app
