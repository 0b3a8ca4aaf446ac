// The Word output run, its check and the watch of the builder's progress file.
#include "word/wordrun.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "app/catalogue.h"
#include "app/project.h"
#include "base/files.h"
#include "base/names.h"
#include "base/services.h"
#include "base/text.h"
#include "output/definition.h"
#include "view/results.h"

extern char** environ;

namespace word {

namespace {

bool isBlank(const std::string& s) { return s.find_first_not_of(" \t") == std::string::npos; }

std::string absoluteIn(const std::string& dir, const std::string& path) {
    if (isBlank(path)) return {};
    if (base::isAbsolutePath(path)) return path;
    return base::joinPath(dir, path);
}

// The "%s" and "%d" of a pattern filled with `args` in order.
std::string fillPattern(const char* pattern, const std::vector<std::string>& args) {
    std::string out;
    std::size_t next = 0;
    for (const char* p = pattern; *p; ++p) {
        if (p[0] == '%' && (p[1] == 's' || p[1] == 'd')) {
            if (next < args.size()) out += args[next++];
            ++p;
        } else {
            out += *p;
        }
    }
    return out;
}

bool ticked(const app::ParamRecord& rec, int kind) { return (rec.wordTarget(kind) & 0xFF) != 0; }

// The title of a source in the figure list, by the user's name-display setting:
// 0 the file name, 1 the entry as the project names it, 2 the full path.
std::string displayName(const std::string& entry, const std::string& fullPath, int mode) {
    if (mode == 2) return fullPath;
    if (mode == 1) return entry;
    return base::splitPath(entry).name;
}

void endWithoutWatch(const app::ParamRecord& rec) {
    base::Services& sv = base::services();
    if (rec.completionSound() == 1) sv.completionSound();
    sv.logoStop();
    sv.logoReset();
}

}  // namespace

const char* kindName(int kind) {
    switch (kind) {
    case 0: return "表紙";
    case 1: return "目次";
    case 17: return "タイミングチャート";
    default: return "";
    }
}

WordRunState& wordRunState() {
    static WordRunState s;
    return s;
}

ProgressWatch& progressWatch() {
    static ProgressWatch w;
    return w;
}

void makeWordPathsAbsolute(app::ParamRecord& rec, const std::string& installDir) {
    for (int k = 0; k < app::kTargetKinds; ++k) rec.setWordForm(k, absoluteIn(installDir, rec.wordForm(k)));
    rec.setWordTemplate(absoluteIn(installDir, rec.wordTemplate()));
    rec.setWordDocument(absoluteIn(installDir, rec.wordDocument()));
}

std::string existingDocument(const std::string& path) {
    if (base::fileExists(path)) return path;
    if (base::hasExtension(path, ".doc") || base::hasExtension(path, ".dot")) {
        std::string sibling = path.substr(0, path.size() - 4) + ".docx";
        if (base::fileExists(sibling)) return sibling;
    }
    return path;
}

bool isLauncherTemplate(const std::string& path, const std::string& installDir) {
    return base::equalsNoCase(path, base::joinPath(installDir, kLauncherTemplate));
}

CheckResult checkBeforeRun(const app::ParamRecord& rec, const std::string& projectPath, const std::string& dataFolder) {
    base::Services& sv = base::services();
    sv.setStatus(app::message(914));
    auto fail = [&](const std::string& text, bool kind) {
        sv.clearStatus();
        sv.messageBox(base::kBoxInfo, kDialogCaption, text);
        return kind ? CheckResult::MissingKind : CheckResult::Failed;
    };
    const app::SourceList sources = app::readSources(projectPath);
    if (sources.result != 0) {
        sv.clearStatus();
        return CheckResult::Silent;
    }
    const std::string templ = rec.wordTemplate();
    if (isBlank(templ)) return fail(kNoTemplateText, false);
    if (!base::fileExists(existingDocument(templ))) return fail(app::formatMessage(113, templ), false);
    bool any = false;
    for (int kind : kWordKinds) {
        if (!ticked(rec, kind)) continue;
        any = true;
        const std::string form = rec.wordForm(kind);
        if (isBlank(form)) return fail(kNoFormText, true);
        if (!base::fileExists(existingDocument(form))) return fail(app::formatMessage(113, form), true);
        if (kind == 17) {
            const std::string name = kindName(kind);
            if (sources.logs.empty()) return fail(app::formatMessage(kMissingChartText, name, name, ""), true);
            // The chart lies in the data folder under the log's file name.
            const std::string& first = sources.logs.front();
            const std::string folder = dataFolder.empty() ? base::folderOf(projectPath) : dataFolder;
            if (!base::fileExists(base::chartFileOf(folder, first)))
                return fail(app::formatMessage(kMissingChartText, name, name, first), true);
        }
    }
    if (!any) return fail(kNoTargetText, false);
    sv.clearStatus();
    return CheckResult::Ok;
}

int BuilderLauncher::start(const std::string& program, const std::string& installDir, pid_t& pid) {
    // Its own session: the builder outlives neither a closed terminal nor a stopped
    // frame's process group signals, and is never waited for by the run.
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID);
    std::vector<char*> argv = {const_cast<char*>(program.c_str()), const_cast<char*>(installDir.c_str()), nullptr};
    int rc = posix_spawn(&pid, program.c_str(), nullptr, &attr, argv.data(), environ);
    posix_spawnattr_destroy(&attr);
    return rc;
}

std::string builderProgramFor(const std::string& installDir, const std::string& programDir) {
    const std::string inFolder = base::joinPath(installDir, kBuilderName);
    if (base::fileExists(inFolder)) return inFolder;
    return base::joinPath(programDir, kBuilderName);
}

RunResult runWordOutput(const RunInput& in) {
    base::Services& sv = base::services();
    WordRunState& st = wordRunState();
    const app::ParamRecord& rec = in.rec;
    const std::string name = output::projectName(in.projectPath);

    // 1. A run still preparing or watched: ask first.
    if (st.preparing || st.watching) {
        const std::string l1 = app::formatMessage(807, kCaption, name);
        const std::string l2 = app::formatMessage(808, kCaption, kCaption, app::formatMessage(809, kCaption));
        const std::string l3 = app::formatMessage(803, kCaption);
        if (!sv.messageBox(base::kBoxAskSecondDefault, kCaption, l1, l2, l3)) return RunResult::Declined;
    }

    // 2. Stale input of another edition; busy.
    const std::string folder = in.dataFolder.empty() ? base::folderOf(in.projectPath) : in.dataFolder;
    base::removeFile(base::joinPath(folder, name + "-tree-word.fsg"));
    st.preparing = true;
    sv.enterBusy();
    sv.clearCancel();
    // The logo moves for the whole run: the export, the builder and the watch.
    sv.logoStart();

    // 3. The project.
    const app::SourceList sources = app::readSources(in.projectPath);
    if (sources.result != 0) {
        sv.messageBox(base::kBoxInfo, kCaption, "ファイルオープンエラー", in.projectPath);
        sv.logoStop();
        sv.logoReset();
        sv.leaveBusy();
        st.preparing = false;
        return RunResult::Failed;
    }

    // 4. The "Word" list.
    sv.clearMessages(base::kListWord);
    sv.selectMessageTab(base::kListWord);
    sv.appendMessage(base::kListWord, app::formatMessage(804, kCaption, name));

    // 5. Only the timing chart has work here: its pages and the figure list.
    bool processed = false, error = false;
    int lastPages = 0;
    const std::string figureList = output::wordFigureListPath(folder);
    if (ticked(rec, 17)) {
        processed = true;
        output::FigureListWriter list;
        if (!list.open(figureList)) error = true;
        view::MetafilePageWriter writer(in.screen.dotsPerInch);
        view::ExportRequest req;
        req.mode = view::kModeMetafile;
        req.params = in.params;
        req.screen = in.screen;
        req.projectFolder = folder;
        req.progressCaption = "タイミング図メタファイル出力";
        for (const std::string& entry : sources.entries) {
            if (error) break;
            if (sv.cancelRequested()) {
                error = true;
                break;
            }
            // The chart and its pages lie in the data folder under the entry's file name.
            const std::string chartPath = base::chartFileOf(folder, entry);
            view::ExportOutcome outcome;
            int rc = view::exportChart(folder, entry, req, writer, &outcome);
            if (rc != 0) {
                const std::string chartName = base::splitPath(chartPath).name;
                sv.appendMessage(base::kListWord, app::formatMessage(806, std::string("メタファイル") + "タイミングチャート",
                                                                     view::exportResultText(rc, chartName)));
                sv.appendMessage(base::kListWord, app::formatMessage(806, kCaption, app::message(915)));
                error = true;
                break;
            }
            lastPages = outcome.pagesWritten;
            const std::string fullPath = base::isAbsolutePath(entry) ? entry : base::joinPath(base::folderOf(in.projectPath), entry);
            if (!list.add(displayName(entry, fullPath, rec.nameDisplay()), base::replaceExtension(chartPath, ""),
                          outcome.pagesWritten)) {
                sv.appendMessage(base::kListWord, app::formatMessage(806, kCaption, "図リスト[" + figureList + "]"));
                error = true;
            }
        }
        // 6. The entries written so far stay, also after an error.
        if (list.isOpen() && list.commit() != output::kWriteOk && !error) {
            sv.appendMessage(base::kListWord, app::formatMessage(806, kCaption, "図リスト[" + figureList + "]"));
            error = true;
        }
    }

    // 7. Nothing to do, or stopped.
    if (!processed || error) {
        sv.leaveBusy();
        endWithoutWatch(rec);
        st.preparing = false;
        return processed ? RunResult::Failed : RunResult::NothingToDo;
    }

    // 8. The definition file.
    sv.logoStart();
    output::WordDefinition d;
    d.installDir = in.installDir;
    d.projectPath = in.projectPath;
    for (int k = 0; k < app::kTargetKinds; ++k) {
        d.targets[k] = rec.wordTarget(k);
        d.forms[k] = rec.wordForm(k);
    }
    d.templatePath = rec.wordTemplate();
    d.documentPath = rec.wordDocument();
    d.romanPages = rec.wordRomanPages() == 1;
    d.hidden = rec.wordMinimised() == 1;
    d.figureListPath = figureList;
    d.chartPages = !sources.entries.empty() && lastPages > 0;
    const std::string difPath = output::wordDefinitionPath(in.installDir);
    int rc = output::writeWordDefinition(d, difPath);
    sv.leaveBusy();
    std::string resultText;
    bool started = false;
    if (rc != output::kWriteOk) {
        resultText = fillPattern(kDefinitionErrorText, {std::to_string(rc), output::kWordDefinitionName});
    } else {
        // 9. Start the builder.
        base::removeFile(base::joinPath(in.installDir, kAliveName));
        base::removeFile(base::joinPath(in.installDir, kProgressName));
        progressWatch().reset();
        const std::string program =
            in.builderProgram.empty() ? base::joinPath(in.installDir, kBuilderName) : in.builderProgram;
        BuilderLauncher fallback;
        BuilderLauncher& launcher = in.launcher ? *in.launcher : fallback;
        pid_t pid = 0;
        int err = launcher.start(program, in.installDir, pid);
        if (err == 0) {
            st.builder = pid;
            st.builderGone = false;
            st.watching = true;
            started = true;
        } else {
            sv.messageBox(base::kBoxInfo, "Chronava", kCannotStartText, program);
            resultText = fillPattern(kStartErrorText, {kCaption, std::to_string(err), program});
        }
    }
    // 10. The failure in the "Word" list.
    if (!resultText.empty()) sv.appendMessage(base::kListWord, app::formatMessage(806, kCaption, resultText));
    // 11.
    if (!started) endWithoutWatch(rec);
    st.preparing = false;
    return started ? RunResult::Started : RunResult::Failed;
}

bool readProgressLines(const std::string& path, std::vector<std::string>& lines) {
    lines.clear();
    std::string bytes;
    if (!base::readFile(path, bytes)) return false;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t nl = bytes.find('\n', start);
        // A line still being written (no line break yet) waits for the next poll.
        if (nl == std::string::npos) break;
        std::string line = bytes.substr(start, nl - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) lines.push_back(base::fromCp932(line));
        start = nl + 1;
    }
    return true;
}

bool ProgressWatch::poll(const std::string& installDir) {
    WordRunState& st = wordRunState();
    // Reaped before the file is read, so everything it wrote is seen.
    if (st.builder > 0 && waitpid(st.builder, nullptr, WNOHANG) == st.builder) {
        st.builder = 0;
        st.builderGone = true;
    }
    base::Services& sv = base::services();
    std::vector<std::string> lines;
    if (readProgressLines(base::joinPath(installDir, kProgressName), lines)) {
        if (lines.size() < shown_) shown_ = 0;  // a new file: show it from the start
        for (std::size_t i = shown_; i < lines.size(); ++i) sv.appendMessage(base::kListWord, lines[i]);
        shown_ = lines.size();
        if (!lines.empty() && lines.back().find(kEndWord) != std::string::npos) return true;
    }
    if (!st.builderGone) return false;
    st.builderGone = false;
    sv.appendMessage(base::kListWord, app::formatMessage(806, kCaption, kBuilderGoneText));
    return true;
}

void ProgressWatch::finish(const app::ParamRecord& rec) {
    wordRunState().watching = false;
    endWithoutWatch(rec);
}

}  // namespace word
