// Where an installed or in-place program finds its data, the per-user working copy, and
// the project a chart file handed over on the command line belongs to.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "app/shell.h"
#include "base/services.h"
#include "testutil.h"

using namespace app;
using apptest::TempDir;
namespace fs = std::filesystem;

namespace {

// Sets (or unsets, for nullptr) an environment variable for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old, had_ = true;
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnv() {
        if (had_)
            ::setenv(name_.c_str(), old_.c_str(), 1);
        else
            ::unsetenv(name_.c_str());
    }

private:
    std::string name_, old_;
    bool had_ = false;
};

bool isExecutable(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && (st.st_mode & S_IXUSR);
}

// An installation folder as the package installs it, plus a program file at its top
// as a build's dist/ has.
void makeInstallation(const std::string& dir) {
    apptest::put(dir + "/rq4100s.pro", "defaults");
    apptest::put(dir + "/awk/tcplog.sh", "#!/bin/sh\n");
    ::chmod((dir + "/awk/tcplog.sh").c_str(), 0755);
    apptest::put(dir + "/Projects/S/S.nam", " [KOV:NAM:V2.00 ]\r\n");
    apptest::put(dir + "/chronava", "program");
    ::chmod((dir + "/chronava").c_str(), 0755);
}

}  // namespace

TEST(Installation, FoundInPlaceOrBesideTheProgramsFolder) {
    TempDir t;
    // A build's dist/: the default parameter file is next to the program.
    apptest::put(t / "dist/rq4100s.pro", "x");
    fs::create_directories(t / "dist/../share/chronava");
    InstallPlace p = locateInstallation(t / "dist", "../share/chronava");
    EXPECT_EQ(p.dataDir, t / "dist");
    EXPECT_FALSE(p.shared);

    // An installed program: bin/ holds programs only, the data is in share/chronava.
    fs::create_directories(t / "usr/bin");
    fs::create_directories(t / "usr/share/chronava");
    p = locateInstallation(t / "usr/bin", "../share/chronava");
    EXPECT_EQ(p.dataDir, t / "usr/share/chronava");
    EXPECT_TRUE(p.shared);

    // A lone copy of the program: it stays with its own folder.
    fs::create_directories(t / "opt/elsewhere");
    p = locateInstallation(t / "opt/elsewhere", "../share/chronava");
    EXPECT_EQ(p.dataDir, t / "opt/elsewhere");
    EXPECT_FALSE(p.shared);
}

TEST(Installation, PerUserCopyIsMadeOnceAndThenKept) {
    TempDir t;
    makeInstallation(t / "share");
    ScopedEnv xdg("XDG_DATA_HOME", (t / "data").c_str());
    // A copy broken off by an earlier start is not taken for a finished one.
    apptest::put(t / ("data/chronava.new." + std::to_string(::getpid())) + "/junk", "x");

    std::string copy = perUserCopy(t / "share");
    ASSERT_EQ(copy, t / "data/chronava");
    EXPECT_EQ(apptest::slurp(copy + "/rq4100s.pro"), "defaults");
    EXPECT_TRUE(base::fileExists(copy + "/Projects/S/S.nam"));
    EXPECT_TRUE(base::isDirectory(copy + "/Users"));
    EXPECT_TRUE(isExecutable(copy + "/awk/tcplog.sh"));
    EXPECT_FALSE(base::fileExists(copy + "/chronava")) << "programs stay out of the data copy";
    EXPECT_FALSE(base::fileExists(copy + "/junk"));
    EXPECT_FALSE(base::isDirectory(t / ("data/chronava.new." + std::to_string(::getpid()))));

    // The user's changes survive a new installation: the copy is not seeded again.
    apptest::put(copy + "/rq4100s.pro", "mine");
    apptest::put(t / "share/rq4100s.pro", "newer defaults");
    EXPECT_EQ(perUserCopy(t / "share"), copy);
    EXPECT_EQ(apptest::slurp(copy + "/rq4100s.pro"), "mine");
}

TEST(Installation, PerUserFolderFollowsTheXdgRules) {
    TempDir t;
    {
        ScopedEnv xdg("XDG_DATA_HOME", (t / "data").c_str());
        EXPECT_EQ(perUserDataDir(), t / "data/chronava");
    }
    {
        // A relative XDG_DATA_HOME is ignored, as the base directory rules ask.
        ScopedEnv xdg("XDG_DATA_HOME", "relative/data");
        ScopedEnv home("HOME", t.path().c_str());
        EXPECT_EQ(perUserDataDir(), t / ".local/share/chronava");
    }
    {
        ScopedEnv xdg("XDG_DATA_HOME", nullptr);
        ScopedEnv home("HOME", nullptr);
        EXPECT_EQ(perUserDataDir(), "");
        makeInstallation(t / "share");
        EXPECT_EQ(perUserCopy(t / "share"), "");
        // Without a place for a copy the program keeps to its installation folder.
        EXPECT_EQ(workingInstallDir(t / "share"), t / "share");
    }
}

TEST(Installation, WritableFolderIsUsedInPlaceReadOnlyOneThroughTheCopy) {
    TempDir t;
    makeInstallation(t / "share");
    ScopedEnv xdg("XDG_DATA_HOME", (t / "data").c_str());
    EXPECT_EQ(workingInstallDir(t / "share"), t / "share");
    EXPECT_FALSE(base::isDirectory(t / "data/chronava"));
    if (::geteuid() == 0) GTEST_SKIP() << "root writes everywhere";
    ::chmod((t / "share").c_str(), 0555);
    EXPECT_EQ(workingInstallDir(t / "share"), t / "data/chronava");
    ::chmod((t / "share").c_str(), 0755);
}

TEST(ChartFileArgument, ProjectInTheChartsFolder) {
    EXPECT_TRUE(isChartFileName("/a/b/run.tct"));
    EXPECT_TRUE(isChartFileName("RUN.TCT"));
    EXPECT_FALSE(isChartFileName("/a/b.tct/run.nam"));
    EXPECT_FALSE(isChartFileName("run.tct.bak"));

    TempDir t;
    apptest::put(t / "p/run.tct", " [KOV:TCT:V1.01 ]\r\n");
    EXPECT_EQ(projectOfChart(t / "p/run.tct"), "");
    apptest::put(t / "p/Zeta.NAM", "x");
    apptest::put(t / "p/alpha.nam", "x");
    fs::create_directories(t / "p/Alpha.nam");  // a folder is no project
    EXPECT_EQ(projectOfChart(t / "p/run.tct"), t / "p/Zeta.NAM");
    fs::remove(t / "p/Zeta.NAM");
    EXPECT_EQ(projectOfChart(t / "p/run.tct"), t / "p/alpha.nam");
    EXPECT_EQ(projectOfChart(t / "missing/run.tct"), "");
}

TEST(ChartFileArgument, LogWhoseChartItIs) {
    TempDir t;
    base::RecordingServices rec;
    base::ScopedServices scope{rec};
    MemoryLogonStore store;
    AppCore core;
    apptest::put(t / "rq4100s.pro", paramFileBytes(makeDefaultRecord()));
    ASSERT_EQ(core.startup(t.path(), store, nullptr), 0);
    EXPECT_EQ(logOfChart(core, t / "Projects/P/a.tct"), "") << "no project open";

    apptest::put(t / "Projects/P/P.nam",
                 " [KOV:NAM:V2.00 ]\r\n[Sources]\r\n\"logs/a.klg\"\r\n\"b.log\"\r\n[IncludePath]\r\n[Common]\r\n"
                 "DataDirectory = \"Projects/P\"\r\nInputBaseDirectory = \"Projects/P\"\r\nInputFileCode = SJIS\r\n");
    ASSERT_EQ(core.openProject(t / "Projects/P/P.nam", false), 0);
    // Charts go to the data folder under the log's name, whatever folder the log is in.
    EXPECT_EQ(logOfChart(core, t / "Projects/P/a.tct"), t / "Projects/P/logs/a.klg");
    EXPECT_EQ(logOfChart(core, t / "Projects/P/./b.tct"), t / "Projects/P/b.log");
    EXPECT_EQ(logOfChart(core, t / "Projects/P/logs/a.tct"), "");
    EXPECT_EQ(logOfChart(core, t / "Projects/P/c.tct"), "");
}
