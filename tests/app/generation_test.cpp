// The generation run and the project loop, with a recording services object and real
// preprocessor processes.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "app/generation.h"
#include "app/params.h"
#include "app/shell.h"
#include "app/users.h"
#include "base/names.h"
#include "base/services.h"
#include "base/text.h"
#include "chart/chart_file.h"
#include "testutil.h"

using namespace app;
using apptest::TempDir;
namespace fs = std::filesystem;

namespace {

const char* kEvents = "2026/01/05 09:00:00.000 $A=ON // start\r\n2026/01/05 09:00:01.500 $A=OFF\r\n";

// A preprocessor that records its arguments, environment and working folder, then
// writes BASE.klg (its last argument + ".klg") unless told not to.
const char* kRecorder =
    "#!/bin/sh\n"
    "out=\"$(dirname \"$0\")/record.txt\"\n"
    ": > \"$out\"\n"
    "for a in \"$@\"; do echo \"arg=$a\" >> \"$out\"; done\n"
    "env | sort | sed 's/^/env=/' >> \"$out\"\n"
    "echo \"cwd=$(pwd)\" >> \"$out\"\n"
    "for last; do :; done\n"
    "[ -f \"$(dirname \"$0\")/nowrite\" ] && exit 0\n"
    "printf '2026/01/05 09:00:00.000 $P=ON\\r\\n2026/01/05 09:00:00.250 $P=OFF\\r\\n' > \"$last.klg\"\n";

void makeExecutable(const std::string& path, const std::string& text) {
    apptest::put(path, text);
    ::chmod(path.c_str(), 0755);
}

// An installation folder with a parameter file and one project in Projects/P whose
// charts go to `dataDir` (relative to the installation folder).
struct Fixture {
    TempDir dir;
    base::RecordingServices rec;
    base::ScopedServices scope{rec};
    AppCore core;
    MemoryLogonStore store;

    explicit Fixture(const std::vector<std::string>& sources = {}, const std::string& dataDir = "Projects/P") {
        rec.setPollInterval(10);
        apptest::put(dir / "rq4100s.pro", paramFileBytes(makeDefaultRecord()));
        EXPECT_EQ(core.startup(dir.path(), store, nullptr), 0);
        std::string nam = " [KOV:NAM:V2.00 ]\r\n[Sources]\r\n";
        for (const auto& s : sources) nam += "\"" + s + "\"\r\n";
        nam += "[IncludePath]\r\n[Common]\r\nDataDirectory = \"" + dataDir +
               "\"\r\nInputBaseDirectory = \"Projects/P\"\r\nInputFileCode = SJIS\r\n";
        apptest::put(dir / "Projects/P/P.nam", nam);
        EXPECT_EQ(core.openProject(dir / "Projects/P/P.nam", false), 0);
        rec.messages.clear();
        generationState() = GenerationState{};
    }
    void setCommand(const std::string& c) { core.params().record().setPreprocessCommand(c); }
    std::vector<std::string> lines(int list = 0) const {
        std::vector<std::string> out;
        for (const auto& [l, t] : rec.messages)
            if (l == list) out.push_back(t);
        return out;
    }
};

// Records the windows the run opens.
struct StubWindows : GenerationWindows {
    int hints = 0, progressShown = 0, progressClosed = 0, errorWindowClosed = 0, preprocessorShown = 0;
    std::vector<bool> enabled;
    std::vector<std::string> errorLines;
    bool open = false;
    int interruptAtRun = 0;  // the progress window's button is pressed in this run
    void showAwkHint(AppCore& core) override {
        ++hints;
        core.params().record().setU16(kAwkHintOffset, 0);
    }
    void showProgress(std::string_view title, std::string_view line, std::string_view file) override {
        EXPECT_EQ(title, "タイミングチャート生成");
        if (line == "プリプロセッサを実行中です。") {
            ++preprocessorShown;
            return;
        }
        ++progressShown;
        EXPECT_EQ(line, "タイミングチャートを生成中です。");
        EXPECT_FALSE(file.empty());
    }
    void closeProgress() override {
        ++progressClosed;
        if (progressClosed == interruptAtRun) generationState().interrupted = true;
    }
    void enableCommands(bool on) override { enabled.push_back(on); }
    bool errorWindowOpen() const override { return open; }
    void closeErrorWindow() override {
        ++errorWindowClosed;
        open = false;
    }
    void showErrorWindow(AppCore&, const std::vector<std::string>& lines) override {
        open = true;
        errorLines = lines;
    }
};

struct ScopedWindows {
    explicit ScopedWindows(GenerationWindows& w) { setGenerationWindows(&w); }
    ~ScopedWindows() { setGenerationWindows(nullptr); }
};

std::vector<std::string> recordLines(const std::string& path, const std::string& prefix) {
    std::vector<std::string> out;
    std::ifstream in(path);
    for (std::string l; std::getline(in, l);)
        if (l.rfind(prefix, 0) == 0) out.push_back(l.substr(prefix.size()));
    return out;
}

}  // namespace

TEST(Generation, CommandLineSplitAndPlaceholder) {
    CommandSplit s = splitPreprocessorCommand("/bin/sh awk/tcplog.sh &B");
    EXPECT_EQ(s.program, "/bin/sh");
    EXPECT_EQ(s.args, "awk/tcplog.sh &B");
    s = splitPreprocessorCommand("\"/opt/my tools/pre\"   -x &B  ");
    EXPECT_EQ(s.program, "/opt/my tools/pre");
    EXPECT_EQ(s.args, "-x &B");
    s = splitPreprocessorCommand("prog");
    EXPECT_EQ(s.program, "prog");
    EXPECT_EQ(s.args, "");
    s = splitPreprocessorCommand("\"unclosed prog");
    EXPECT_EQ(s.program, "unclosed prog");

    // Only the first placeholder is replaced; a base path with blanks stays one word;
    // percent signs pass through.
    EXPECT_EQ(substituteBase("a &B b &B", "/x/y"), "a /x/y b &B");
    EXPECT_EQ(preprocessorArguments("-p 50% &B &B", "/my logs/run"),
              (std::vector<std::string>{"-p", "50%", "/my logs/run", "&B"}));
    EXPECT_EQ(preprocessorArguments("--in=&B.log", "/l/a"), (std::vector<std::string>{"--in=/l/a.log"}));
}

TEST(Generation, StopsBeforeTheConverter) {
    Fixture f;
    EXPECT_EQ(generateChart(f.core, ""), -1);
    EXPECT_EQ(f.rec.statusTexts.back(), "ファイルを選択してください。");
    EXPECT_EQ(f.rec.beeps, 1);

    std::string missing = f.dir / "Projects/P/none.klg";
    EXPECT_EQ(generateChart(f.core, missing), -1);
    EXPECT_EQ(f.lines(), std::vector<std::string>{"ファイルが見つかりません(" + missing + ")。"});
    EXPECT_EQ(f.rec.selectedTabs.back(), 0);

    // An empty preprocessor command for a raw log.
    apptest::put(f.dir / "Projects/P/raw.log", "x\r\n");
    f.setCommand("  ");
    EXPECT_EQ(generateChart(f.core, f.dir / "Projects/P/raw.log"), -1);
    ASSERT_EQ(f.rec.boxes.size(), 1u);
    EXPECT_TRUE(f.rec.boxes[0].warning);
    EXPECT_EQ(f.rec.boxes[0].caption, "Chronava");
    EXPECT_EQ(f.rec.boxes[0].text, "タイミングチャート用プリプロセッサを指定してください。");

    // A program that cannot be started.
    f.setCommand("/nonexistent/prog -v &B");
    EXPECT_EQ(generateChart(f.core, f.dir / "Projects/P/raw.log"), -1);
    EXPECT_EQ(f.lines().back(), "/nonexistent/prog -v " + (f.dir / "Projects/P/raw") + " を実行できませんでした。");
    EXPECT_FALSE(base::fileExists(f.dir / "Projects/P/raw.tct"));
    // Each of the four runs animated the logo and stopped it on its way out.
    EXPECT_EQ(f.rec.logoStarts, 4);
    EXPECT_EQ(f.rec.logoStops, 4);
}

TEST(Generation, PreprocessorGetsTheDesignedCommandLineAndEnvironment) {
    Fixture f;
    std::string tools = f.dir / "my tools";
    makeExecutable(tools + "/pre.sh", kRecorder);
    apptest::put(f.dir / "Projects/P/Run 1.LOG", "raw\r\n");
    ::setenv("CHRONAVA_TEST_SECRET", "1", 1);
    f.setCommand("\"" + tools + "/pre.sh\"  -q &B  ");
    std::string log = f.dir / "Projects/P/Run 1.LOG";
    StubWindows w;
    ScopedWindows sw(w);
    ASSERT_EQ(generateChart(f.core, log), 0);
    ::unsetenv("CHRONAVA_TEST_SECRET");

    std::string record = tools + "/record.txt";
    EXPECT_EQ(recordLines(record, "arg="), (std::vector<std::string>{"-q", f.dir / "Projects/P/Run 1"}));
    // PATH alone (the shell adds PWD, SHLVL and "_" itself), installation folder as cwd.
    for (const auto& e : recordLines(record, "env="))
        EXPECT_TRUE(e.rfind("PATH=", 0) == 0 || e.rfind("PWD=", 0) == 0 || e.rfind("SHLVL=", 0) == 0 ||
                    e.rfind("_=", 0) == 0 || e.rfind("OLDPWD", 0) == 0)
            << e;
    EXPECT_EQ(recordLines(record, "env=PATH=").at(0), std::getenv("PATH"));
    EXPECT_EQ(recordLines(record, "cwd="), std::vector<std::string>{f.dir.path()});

    std::vector<std::string> expect = {
        tools + "/pre.sh -q " + (f.dir / "Projects/P/Run 1") + " を実行しました。",
        "Run 1.klg 生成を終了しました。",
    };
    EXPECT_EQ(f.lines(), expect);
    EXPECT_TRUE(base::fileExists(f.dir / "Projects/P/Run 1.tct"));
    // The window shows while the preprocessor runs and goes on into the conversion.
    EXPECT_EQ(w.preprocessorShown, 1);
    EXPECT_EQ(w.progressShown, 1);
    EXPECT_EQ(w.progressClosed, 1);
    EXPECT_EQ(w.enabled, (std::vector<bool>{false, true}));
    EXPECT_NE(std::find(f.rec.statusTexts.begin(), f.rec.statusTexts.end(), "プリプロセッサを実行中です。"),
              f.rec.statusTexts.end());
    EXPECT_EQ(f.rec.statusTexts.back(), "");
    EXPECT_FALSE(generationState().running);
    EXPECT_FALSE(generationState().lastRunHadErrors);

    // A preprocessor that writes no .klg: the one left from the run before does not count.
    apptest::put(tools + "/nowrite", "");
    EXPECT_EQ(generateChart(f.core, log), -1);
    EXPECT_EQ(f.lines().back(), "汎用ログファイルが作成されていません。(" + (f.dir / "Projects/P/Run 1.klg") + ") ");
    // A stop after the preprocessor closes the window it opened and clears the status.
    EXPECT_EQ(w.preprocessorShown, 2);
    EXPECT_EQ(w.progressClosed, 2);
    EXPECT_EQ(f.rec.statusTexts.back(), "");

    // A relative program is taken in the installation folder; a .txt log is not
    // preprocessed.
    fs::remove(tools + "/nowrite");
    makeExecutable(f.dir / "awk/pre.sh", kRecorder);
    f.setCommand("awk/pre.sh &B");
    ASSERT_EQ(generateChart(f.core, log), 0);
    apptest::put(f.dir / "Projects/P/plain.txt", kEvents);
    fs::remove(f.dir / "awk/record.txt");
    ASSERT_EQ(generateChart(f.core, f.dir / "Projects/P/plain.txt"), 0);
    EXPECT_FALSE(base::fileExists(f.dir / "awk/record.txt"));
    EXPECT_TRUE(base::fileExists(f.dir / "Projects/P/plain.tct"));
}

TEST(Generation, FailedConversionTellsWhy) {
    // The data folder lies below a plain file, so the chart cannot be created.
    Fixture f({}, "blocker/charts");
    apptest::put(f.dir / "blocker", "not a folder");
    apptest::put(f.dir / "Projects/P/a.klg", kEvents);
    StubWindows w;
    w.open = true;
    ScopedWindows sw(w);
    EXPECT_EQ(generateChart(f.core, f.dir / "Projects/P/a.klg"), 10);
    EXPECT_EQ(w.errorWindowClosed, 1);  // a stale error window is closed before the run
    EXPECT_TRUE(generationState().lastRunHadErrors);
    // The reason reaches the error file and, through it, the message pane.
    std::vector<std::string> err;
    ASSERT_TRUE(readErrorFile(f.dir / "tq4100.err", err));
    ASSERT_EQ(err.size(), 1u);
    EXPECT_NE(err[0].find("出力ファイルを作成できません(" + (f.dir / "blocker/charts/a.tct") + ")"), std::string::npos)
        << err[0];
    EXPECT_EQ(f.lines().back(), err[0]);
    EXPECT_TRUE(f.rec.boxes.empty());

    // The command shows the same file in the error window.
    showGenerationErrors(f.core);
    EXPECT_EQ(w.errorLines, err);

    // A log beyond the chart's limits is reported the same way (result 12).
    fs::remove(f.dir / "blocker");
    fs::create_directories(f.dir / "blocker/charts");
    std::string many;
    for (int i = 0; i < 300; ++i) many += "2026/01/05 09:00:00.000 $S" + std::to_string(i) + "=ON\r\n";
    apptest::put(f.dir / "Projects/P/many.klg", many);
    EXPECT_EQ(generateChart(f.core, f.dir / "Projects/P/many.klg"), 12);
    err.clear();
    ASSERT_TRUE(readErrorFile(f.dir / "tq4100.err", err));
    EXPECT_NE(err.at(0).find("信号数が 255 を越えました"), std::string::npos) << err[0];

    // A success clears the flag; the command then only says there were no errors.
    ASSERT_EQ(generateChart(f.core, f.dir / "Projects/P/a.klg"), 0);
    EXPECT_FALSE(base::fileExists(f.dir / "tq4100.err"));
    showGenerationErrors(f.core);
    EXPECT_EQ(f.rec.boxes.back().caption, "生成ｴﾗｰ表示");

    // An error file that cannot be read: beep and the file open error box.
    generationState().lastRunHadErrors = true;
    int beeps = f.rec.beeps;
    showGenerationErrors(f.core);
    EXPECT_EQ(f.rec.beeps, beeps + 1);
    EXPECT_EQ(f.rec.boxes.back().text, "ファイルオープンエラー(" + (f.dir / "tq4100.err") + ")");
    EXPECT_EQ(f.rec.boxes.back().caption, "生成ｴﾗｰ表示");
}

TEST(Generation, AwkHintForTheSampleLog) {
    Fixture f;
    apptest::put(f.dir / "awk/ftp001.log", "x\r\n");
    f.setCommand("/bin/true &B");
    f.core.params().record().setU16(kAwkHintOffset, 1);
    StubWindows w;
    ScopedWindows sw(w);
    std::string oldPath = std::getenv("PATH");
    ::setenv("PATH", (f.dir / "nothing-here").c_str(), 1);
    // Reached through a relative name with "..", as the sample project lists it.
    int r = generateChart(f.core, f.dir / "Projects/P/../../awk/ftp001.log");
    int r2 = generateChart(f.core, f.dir / "Projects/P/../../awk/ftp001.log");
    ::setenv("PATH", oldPath.c_str(), 1);
    EXPECT_EQ(r, -1);
    EXPECT_EQ(w.hints, 1);
    // The dialog cleared the flag: the second run goes on to the preprocessor.
    EXPECT_EQ(r2, -1);
    EXPECT_NE(f.lines().back().find("汎用ログファイルが作成されていません。"), std::string::npos);
}

TEST(Generation, ProjectLoopStopsWhenInterrupted) {
    Fixture f({"a.klg", "b.klg", "missing.klg", "c.klg"});
    for (const char* n : {"a.klg", "b.klg", "c.klg"}) apptest::put(f.dir / (std::string("Projects/P/") + n), kEvents);
    StubWindows w;
    ScopedWindows sw(w);
    EXPECT_EQ(generateProject(f.core, true), 1);  // one log is missing
    EXPECT_EQ(w.progressShown, 3);
    EXPECT_EQ(f.rec.busyDepth, 0);
    EXPECT_EQ(f.rec.logoResets, 1);
    // One animation for the whole loop, not one per chart.
    EXPECT_EQ(f.rec.logoStarts, 1);
    EXPECT_EQ(f.rec.logoStops, 1);
    EXPECT_EQ(f.core.params().record().generationTarget(kKindChart), 1);

    w = StubWindows{};
    w.interruptAtRun = 1;
    f.rec.messages.clear();
    EXPECT_EQ(generateProject(f.core, true), 1);
    EXPECT_EQ(w.progressShown, 1);
    EXPECT_EQ(f.lines(), std::vector<std::string>{"a.klg 生成を終了しました。"});

    // The box not ticked: the state is stored and nothing runs.
    w = StubWindows{};
    EXPECT_EQ(generateProject(f.core, false), 0);
    EXPECT_EQ(w.progressShown, 0);
    EXPECT_EQ(f.core.params().record().generationTarget(kKindChart), 0);
}

// Every sample project of the installation folder, generated from a clean copy and
// read back.
TEST(Generation, SampleProjectsFromACleanInstallation) {
    if (!base::isDirectory(CHRONAVA_TEST_DIST "/Projects/SampleT1")) GTEST_SKIP() << "no installation folder";
    TempDir dir;
    fs::copy(CHRONAVA_TEST_DIST "/rq4100s.pro", dir / "rq4100s.pro");
    fs::copy(CHRONAVA_TEST_DIST "/awk", dir / "awk", fs::copy_options::recursive);
    fs::create_directories(dir / "Projects");
    for (int n = 1; n <= 5; ++n) {
        std::string s = "SampleT" + std::to_string(n);
        fs::copy(std::string(CHRONAVA_TEST_DIST "/Projects/") + s, dir / ("Projects/" + s), fs::copy_options::recursive);
    }
    // Only what the build installs: no chart or .klg left from another run.
    for (const auto& e : fs::recursive_directory_iterator(dir.path()))
        if (base::hasExtension(e.path().string(), ".tct") ||
            (base::hasExtension(e.path().string(), ".klg") && e.path().string().find("/awk/") != std::string::npos))
            fs::remove(e.path());

    const std::vector<std::vector<std::string>> charts = {
        {"conveyor"}, {"furnace"}, {"elevator"}, {"spi-bus", "memory-cycle"}, {"pump", "ftp001"}};
    const std::vector<std::vector<int>> digits = {{3}, {3}, {3}, {6, 9}, {3, 6}};
    for (int n = 1; n <= 5; ++n) {
        std::string s = "SampleT" + std::to_string(n);
        std::string nam = dir / ("Projects/" + s + "/" + s + ".nam");
        char* buf = nullptr;
        size_t len = 0;
        std::FILE* out = open_memstream(&buf, &len);
        const char* argv[] = {"generate", nam.c_str()};
        int rc = generateCommand(2, argv, dir.path(), out, stderr);
        std::fclose(out);
        std::string printed(buf, len);
        std::free(buf);
        EXPECT_EQ(rc, 0) << s << "\n" << printed;
        for (size_t i = 0; i < charts[n - 1].size(); ++i) {
            const std::string& c = charts[n - 1][i];
            EXPECT_NE(printed.find(c + ".klg 生成を終了しました。"), std::string::npos) << printed;
            base::RecordingServices quiet;
            base::ScopedServices scope(quiet);
            chart::ChartModel model;
            ASSERT_EQ(chart::ReadChartFile(true, dir / ("Projects/" + s + "/" + c + ".tct"), model, nullptr), 0) << c;
            EXPECT_GE(model.signalCount, 3) << c;
            EXPECT_GE(model.eventCount(), 10u) << c;
            EXPECT_EQ(model.decimalDigits, digits[n - 1][i]) << c;
            EXPECT_TRUE(quiet.boxes.empty()) << c;
        }
    }
}

// The sample preprocessors of the installation folder on their own.
TEST(Generation, SamplePreprocessors) {
    std::string awkDir = CHRONAVA_TEST_DIST "/awk";
    if (!base::fileExists(awkDir + "/log2klg.sh")) GTEST_SKIP() << "no installation folder";
    TempDir dir;
    apptest::put(dir / "raw.log",
                 "#CHRONAVA-RAW\r\n"
                 "# comment\r\n"
                 "\r\n"
                 "2026-01-09 06:00:00.000 PUMP on ; start it\r\n"
                 "2026/01/09 06:00:00.5 PUMP low\r\n"
                 "2026-01-09 06:00:01 CLK pulse:20u\r\n"
                 "2026-01-09 06:00:02 LOAD graph:60.013\r\n"
                 "2026-01-09 06:00:03 LEVEL value:35%\r\n"
                 "2026-01-09 06:00:04 MODE text:auto (run) ; note\r\n"
                 "2026-01-09 06:00:05 PUMP explode\r\n"
                 "garbage\r\n");
    // Through tcplog.sh, which hands a raw log to log2klg.sh.
    std::string cmd = "cd " CHRONAVA_TEST_DIST " && /bin/sh awk/tcplog.sh '" + (dir / "raw") + "' 2>/dev/null";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    EXPECT_EQ(apptest::slurp(dir / "raw.klg"),
              "2026/01/09 06:00:00.000 $PUMP=ON // start it\r\n"
              "2026/01/09 06:00:00.5 $PUMP=OFF\r\n"
              "2026/01/09 06:00:01 $CLK=PULSE(20u)\r\n"
              "2026/01/09 06:00:02 $LOAD=GRAPH(60.013)\r\n"
              "2026/01/09 06:00:03 $LEVEL=VALUE(35%)\r\n"
              "2026/01/09 06:00:04 $MODE=DISP(\"auto run\") // note\r\n");

    // The FTP sample: wirefold's output, one signal per direction, FTP commands as texts.
    fs::copy(awkDir + "/ftp001.log", dir / "ftp.log");
    cmd = "cd " CHRONAVA_TEST_DIST " && /bin/sh awk/tcplog.sh '" + (dir / "ftp") + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    std::string klg = apptest::slurp(dir / "ftp.klg");
    EXPECT_NE(klg.find("2026/01/05 09:30:02.480115 $192.168.10.20.50512>192.168.10.5.21=PULSE(200u) // USER.tester\r\n"
                       "2026/01/05 09:30:02.480115 $FTP=DISP(\"USER tester\")\r\n"),
              std::string::npos)
        << klg;
    EXPECT_NE(klg.find("$FTP=DISP(\"PASS ????????\")"), std::string::npos);
    EXPECT_NE(klg.find("$FTP=DISP(\"RETR run-0105.csv\")"), std::string::npos);
    EXPECT_EQ(klg.find("$FTP=DISP(\"220"), std::string::npos);  // replies are no commands

    // The sample log is what wirefold makes of the sample capture.
    std::string wf = CHRONAVA_TEST_DIST "/wirefold";
    if (base::fileExists(wf)) {
        cmd = wf + " " + awkDir + "/ftp001.tcpdump " + (dir / "wf.log") + " -jst";
        std::system(cmd.c_str());
        std::string expect = apptest::slurp(awkDir + "/ftp001.log"), got = apptest::slurp(dir / "wf.log");
        std::string lf;
        for (char c : expect)
            if (c != '\r') lf += c;
        EXPECT_EQ(got, lf);
    }
}

// A second request while a preprocessor runs (the interface is kept alive meanwhile)
// is refused instead of starting a nested run.
TEST(Generation, OneRunAtATime) {
    Fixture f;
    makeExecutable(f.dir / "awk/pre.sh", kRecorder);
    f.setCommand("awk/pre.sh &B");
    apptest::put(f.dir / "Projects/P/a.log", "x\r\n");
    apptest::put(f.dir / "Projects/P/b.klg", kEvents);
    struct Nesting : base::RecordingServices {
        AppCore* core = nullptr;
        std::string other;
        int nested = 99;
        void keepAlive() override {
            if (nested == 99) nested = generateChart(*core, other);
        }
    } rec;
    rec.setPollInterval(10);
    rec.core = &f.core;
    rec.other = f.dir / "Projects/P/b.klg";
    base::ScopedServices scope(rec);
    EXPECT_EQ(generateChart(f.core, f.dir / "Projects/P/a.log"), 0);
    EXPECT_EQ(rec.nested, -1);
    EXPECT_EQ(rec.beeps, 1);
    EXPECT_FALSE(base::fileExists(f.dir / "Projects/P/b.tct"));
    EXPECT_EQ(generateChart(f.core, f.dir / "Projects/P/b.klg"), 0);
}
