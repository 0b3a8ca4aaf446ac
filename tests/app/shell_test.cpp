#include <gtest/gtest.h>

#include <cstdlib>

#include "app/catalogue.h"
#include "app/messages.h"
#include "app/settings.h"
#include "app/shell.h"
#include "base/services.h"
#include "testutil.h"

using namespace app;
using apptest::TempDir;

TEST(Messages, CatalogueAndFormatting) {
    EXPECT_EQ(message(104), "システムファイルのバージョンが違います。");
    EXPECT_EQ(message(714), "初期化エラー");
    EXPECT_TRUE(message(112).empty());
    EXPECT_TRUE(message(-1).empty());
    EXPECT_EQ(formatMessage(626, "GIF", "3", "10"), "GIF出力中です(3/10)。");
    EXPECT_EQ(formatMessage(808, "Word", "Word", formatMessage(809, "Word")),
              "Word出力実行中は、Word出力を再開始すると動作が保証されません。\n"
              "強制終了など、何らかの理由で Word出力がすでに終了している場合は開始できます。");
    EXPECT_EQ(formatMessage("100%% %s"), "100% ");
    EXPECT_EQ(chartMessage(kChartMissing), "タイミングチャートが存在しません。");
    EXPECT_EQ(sourceMessage(kSourceBufferOverflow), "ソースリストバッファオーバ");
}

TEST(Messages, ListCapDropsTheOldestHundred) {
    MessageListModel m;
    for (int i = 0; i < 1001; ++i) EXPECT_EQ(m.append(std::to_string(i)), 0u);
    EXPECT_EQ(m.append("new"), 100u);
    ASSERT_EQ(m.size(), 902u);
    EXPECT_EQ(m.line(0), "100");
    EXPECT_EQ(m.line(900), "1000");
    EXPECT_EQ(m.line(901), "new");

    MessagePaneModel pane;
    pane.append(2, "h");
    pane.append(7, "ignored");
    pane.clear(0);
    EXPECT_EQ(pane.list(2).size(), 1u);
    EXPECT_EQ(pane.list(0).size(), 0u);
}

TEST(Messages, ClickableLines) {
    std::string line = "  GIFファイルを出力しました。[ファイル名 : C:\\out\\a.gif]";
    EXPECT_TRUE(lineNamesFile(line));
    EXPECT_EQ(clickablePath(line), "C:\\out\\a.gif");
    EXPECT_EQ(clickablePath("x.htm: /tmp/a b.htm  \r\n"), "/tmp/a b.htm");
    EXPECT_FALSE(lineNamesFile("生成を終了しました。[a : /tmp/a.tct]"));
    EXPECT_EQ(clickablePath("no colon.txt"), "");

    base::RecordingServices rec;
    base::ScopedServices scope(rec);
    rec.openResult = false;
    EXPECT_FALSE(openClickedLine("[HTML : /srv/index.htm]"));
    ASSERT_EQ(rec.opened.size(), 1u);
    EXPECT_EQ(rec.opened[0], "/srv/index.htm");
    EXPECT_EQ(rec.boxes.back().text, "Browser を起動できません。\n/srv/index.htm");

    LogoAnimation logo;
    EXPECT_TRUE(logo.start());
    EXPECT_FALSE(logo.start());
    for (int i = 0; i < 9; ++i) logo.tick();
    EXPECT_EQ(logo.frame(), 0);
}

TEST(Shell, RecentListShiftsDedupesAndLabels) {
    ParamRecord r;
    EXPECT_TRUE(fillSampleProjects(r, "/opt/c"));
    EXPECT_EQ(r.recentCount(), 5);
    EXPECT_EQ(r.recentProject(4), "/opt/c/Projects/SampleT5/SampleT5.nam");
    EXPECT_FALSE(fillSampleProjects(r, "/opt/c"));
    EXPECT_EQ(recentMenuLabel(0, r.recentProject(0)), "&1 /opt/c/Projects/SampleT1/SampleT1.nam");

    r.setRecentProjects({});
    for (int i = 1; i <= 21; ++i) addRecentProject(r, "/p/" + std::to_string(i) + ".nam");
    ASSERT_EQ(r.recentCount(), 20);
    EXPECT_EQ(r.recentProject(0), "/p/21.nam");
    EXPECT_EQ(r.recentProject(19), "/p/2.nam");  // the first one was pushed out
    EXPECT_EQ(recentMenuLabel(8, "x"), "&9 x");
    EXPECT_EQ(recentMenuLabel(9, "x"), "&A x");
    EXPECT_EQ(recentMenuLabel(19, "x"), "&K x");

    addRecentProject(r, "/p/10.nam");
    EXPECT_EQ(r.recentProject(0), "/p/10.nam");
    EXPECT_EQ(r.recentProject(1), "/p/21.nam");
    EXPECT_EQ(r.recentCount(), 20);
    addRecentProject(r, "/p/10.NAM");  // file names are case-sensitive: another file
    EXPECT_EQ(r.recentProject(1), "/p/10.nam");

    addRecentProject(r, "/" + std::string(300, 'x') + ".nam");  // too long to keep whole
    EXPECT_EQ(r.recentProject(0), "/p/10.NAM");

    r.setU16(off::kRecentCount, 999);  // a damaged count never reads past the list
    EXPECT_EQ(r.recentCount(), 20);
}

TEST(Shell, TitleFrameAndChildNames) {
    EXPECT_EQ(composeTitle("/a/proj.nam", "ann"), "proj - Chronava[ann]");
    EXPECT_EQ(composeTitle("/a/proj.nam", ""), "proj - Chronava");
    EXPECT_EQ(composeTitle("", "ann"), "Chronava[ann]");
    EXPECT_EQ(composeTitle("", ""), "Chronava");

    ParamRecord r;
    EXPECT_EQ(frameRect(r), (LayoutRect{10, 10, 880, 600}));
    r.setLayout(0, 0, {-8, -8, 1000, 0});
    EXPECT_EQ(frameRect(r), (LayoutRect{10, 10, 880, 600}));
    r.setLayout(0, 0, {-8, 30, 1000, 700});
    EXPECT_EQ(frameRect(r), (LayoutRect{0, 30, 1000, 700}));
    EXPECT_EQ(messagePaneRect(r, 500).y, 400);
    EXPECT_EQ(treePaneWidth(r), 200);

    EXPECT_EQ(resolveChildName("/base", "logs/a.log"), "/base/logs/a.log");
    EXPECT_EQ(resolveChildName("/base", "/abs/a.log"), "/abs/a.log");
    EXPECT_EQ(childTitle(kChildChart, "/x/a.log"), "a.log - Chronava");
    EXPECT_EQ(childTitle(kChildSource, "/x/a.log"), "a.log - SourceView");
    EXPECT_EQ(childTitle(8, "/x/a.log"), "a - TreeView");
    EXPECT_STREQ(childClassName(kChildChart), "TCChild");

    EXPECT_EQ(clampVerticalSplit(50, 800), 100);
    EXPECT_EQ(clampVerticalSplit(750, 800), 700);
    EXPECT_EQ(clampHorizontalSplit(10, 30, 600, 19), 50);
    EXPECT_EQ(clampHorizontalSplit(590, 30, 600, 19), 501);
    EXPECT_EQ(centreDialog({0, 0, 100, 100}, 300, 200), (LayoutRect{0, 0, 300, 200}));
    EXPECT_EQ(centreDialog({100, 100, 800, 600}, 300, 200), (LayoutRect{350, 300, 300, 200}));
}

TEST(Shell, ProjectTreeInBothTabs) {
    TempDir dir;
    std::string p = dir / "t.nam";
    apptest::put(p, " [KOV:NAM:V2.00 ]\r\n[Sources]\r\n\"a.log\"\r\n\"skip.txt\"\r\n\"b.klg\"\r\n[IncludePath]\r\n");
    TreeItem doc = buildProjectTree(p, kTreeDocument);
    EXPECT_EQ(doc.text, "プロジェクト t");
    ASSERT_EQ(doc.children.size(), 2u);
    const TreeItem& charts = doc.children[0];
    EXPECT_EQ(charts.data, 300);
    ASSERT_EQ(charts.children.size(), 2u);
    EXPECT_EQ(charts.children[1].text, "b.klg");
    EXPECT_EQ(charts.children[1].data, 28);
    EXPECT_EQ(doc.children[1].children[0].data, 16);
    std::string name;
    EXPECT_EQ(childKindForItem(charts.children[1], &charts, kTreeDocument, name), kChildChart);
    EXPECT_EQ(name, "b.klg");
    EXPECT_EQ(childKindForItem(charts, &doc, kTreeDocument, name), 0);
    EXPECT_EQ(childKindForItem(doc, nullptr, kTreeDocument, name), 0);

    TreeItem files = buildProjectTree(p, kTreeFile);
    ASSERT_EQ(files.children.size(), 2u);
    const TreeItem& node = files.children[1];
    EXPECT_EQ(node.data, 20);
    ASSERT_EQ(node.children.size(), 2u);
    EXPECT_EQ(node.children[0].data, 28);
    EXPECT_EQ(node.children[1].data, 26);
    EXPECT_EQ(childKindForItem(node.children[1], &node, kTreeFile, name), kChildSource);
    EXPECT_EQ(name, "b.klg");
    EXPECT_EQ(childKindForItem(node, &files, kTreeFile, name), 0);

    Project proj;
    proj.path = p;
    proj.baseDir = "/logs";
    EXPECT_EQ(projectLogFiles(proj), (std::vector<std::string>{"/logs/a.log", "/logs/b.klg"}));
}

TEST(Shell, StartupLogonAndParameterFile) {
    TempDir dir;
    base::RecordingServices rec;
    base::ScopedServices scope(rec);
    apptest::put(dir / "rq4100s.pro", paramFileBytes(makeDefaultRecord()));

    // Log-on on, but no Users folder: switched off and written back; shared file used.
    MemoryLogonStore store;
    store.present = true;
    store.values = {1, 1, "bob"};
    bool asked = false;
    AppCore core;
    ASSERT_EQ(core.startup(dir.path(), store, [&](const LogonPlan&, std::string&) { return asked = true; }), 0);
    EXPECT_FALSE(asked);
    EXPECT_EQ(store.values.logon, 0);
    EXPECT_EQ(store.values.newUserByCopy, 1);
    EXPECT_EQ(core.user(), "");
    EXPECT_STREQ(std::getenv("PXD"), dir.path().c_str());
    EXPECT_EQ(core.params().record().recentCount(), 5);
    EXPECT_TRUE(base::fileExists(dir / "rq4100s.prm"));

    // Users listable: the dialog is planned with LogonName selected (ignoring case).
    std::filesystem::create_directories(dir / "Users/alice");
    std::filesystem::create_directories(dir / "Users/Bob");
    store.values.logon = 1;
    LogonPlan plan = planLogon(store, dir.path());
    ASSERT_TRUE(plan.showDialog);
    ASSERT_EQ(plan.users.size(), 2u);
    EXPECT_EQ(plan.users[plan.selected], "Bob");
    AppCore core2;
    ASSERT_EQ(core2.startup(dir.path(), store, [](const LogonPlan& pl, std::string& n) {
        n = pl.users[pl.selected];
        return true;
    }), 0);
    EXPECT_EQ(core2.user(), "Bob");
    EXPECT_EQ(store.values.logonName, "Bob");
    EXPECT_TRUE(base::fileExists(dir / "Users/Bob/rq4100s.prm"));
    EXPECT_EQ(core2.title(), "Chronava[Bob]");
    EXPECT_EQ(core2.defaultDataDir(), dir / "Users/Bob/Projects");

    // An empty Users folder: the dialog shows an empty list; Cancel runs without a user.
    std::filesystem::remove_all(dir / "Users");
    std::filesystem::create_directories(dir / "Users");
    plan = planLogon(store, dir.path());
    EXPECT_TRUE(plan.showDialog);
    EXPECT_TRUE(plan.users.empty());
    EXPECT_EQ(plan.selected, -1);

    // No parameter file and no default: exit code -3.
    std::filesystem::remove(dir / "rq4100s.pro");
    std::filesystem::remove(dir / "rq4100s.prm");
    AppCore core3;
    EXPECT_EQ(core3.startup(dir.path(), store, [](const LogonPlan&, std::string&) { return false; }), -3);
}

TEST(Shell, OpeningProjectsThroughTheCore) {
    TempDir dir;
    base::RecordingServices rec;
    base::ScopedServices scope(rec);
    apptest::put(dir / "rq4100s.pro", paramFileBytes(makeDefaultRecord()));
    MemoryLogonStore store;
    AppCore core;
    ASSERT_EQ(core.startup(dir.path(), store, nullptr), 0);

    std::string missing = dir / "gone.nam";
    EXPECT_EQ(core.openProject(missing, true), -3);
    EXPECT_EQ(rec.boxes.back().caption, "ファイル読み込み");
    EXPECT_EQ(rec.boxes.back().text, missing + "\nファイルが見つかりません。");
    EXPECT_NE(core.params().record().recentProject(0), missing);  // a recent entry is checked first

    apptest::put(dir / "Projects/S/S.nam", " [KOV:NAM:V2.00 ]\r\n[Sources]\r\n[Common]\r\n"
                                           "DataDirectory = \"Projects/S\"\r\nInputBaseDirectory = \"Projects/S\"\r\n");
    rec.messages.push_back({0, "old"});
    ASSERT_EQ(core.openProject(dir / "Projects/S/S.nam", false), 0);
    EXPECT_TRUE(rec.messages.empty());
    EXPECT_EQ(core.project().dataDir, dir / "Projects/S");  // relative to the installation
    EXPECT_EQ(core.title(), "S - Chronava");
    // The recent list was written to the parameter file at once.
    UserParams again(dir.path(), "");
    ASSERT_EQ(again.read(), 0);
    EXPECT_EQ(again.record().recentProject(0), dir / "Projects/S/S.nam");

    Project edited = core.project();
    EXPECT_FALSE(core.takeEditedProject(edited));
    edited.path = dir / "Projects/S/T.nam";
    EXPECT_TRUE(core.takeEditedProject(edited));
    EXPECT_EQ(core.params().record().recentProject(0), edited.path);
    EXPECT_EQ(core.title(), "T - Chronava");
    edited.path = dir / "Projects/S/S.nam";
    core.takeEditedProject(edited);

    // Generation walks the log files until one run is interrupted.
    apptest::put(core.project().path, " [KOV:NAM:V2.00 ]\r\n[Sources]\r\n\"a.log\"\r\n\"b.klg\"\r\n\"c.log\"\r\n[Common]\r\n");
    core.params().record().setCompletionSound(1);
    std::vector<std::string> seen;
    EXPECT_EQ(runProjectGeneration(core, true, "生成", [&](const std::string& log) {
        seen.push_back(log);
        return seen.size() < 2;
    }), 0);
    EXPECT_EQ(seen, (std::vector<std::string>{dir / "Projects/S/a.log", dir / "Projects/S/b.klg"}));
    EXPECT_EQ(rec.busyDepth, 0);
    EXPECT_EQ(rec.completionSounds, 1);
    EXPECT_EQ(rec.selectedTabs, std::vector<int>{0});
    seen.clear();
    EXPECT_EQ(runProjectGeneration(core, false, "生成", [&](const std::string& log) {
        seen.push_back(log);
        return true;
    }), 0);
    EXPECT_TRUE(seen.empty());
    EXPECT_EQ(core.params().record().generationTarget(kKindChart), 0);

    // The page "プロジェクト": system name into the .css, a new code into the file.
    ASSERT_EQ(applyProjectOptions(core, "システム", 1), 0);
    EXPECT_EQ(readCssValue(core.project().path, "SYS"), "システム");
    EXPECT_EQ(core.project().inputCode, 1);
    Project reread;
    std::string path = core.project().path;
    ASSERT_EQ(app::openProject(path, core.defaultDataDir(), reread), 0);
    EXPECT_EQ(reread.inputCode, 1);
}

TEST(Users, IniStoreRoundTrip) {
    TempDir dir;
    IniLogonStore store(dir / "cfg/KOV/ChronavaS.conf");
    LogonSettings s;
    EXPECT_FALSE(store.read(s));
    EXPECT_EQ(s.logon, 0);
    ASSERT_TRUE(store.write({1, 0, "ユーザー"}));
    LogonSettings t;
    ASSERT_TRUE(store.read(t));
    EXPECT_EQ(t.logon, 1);
    EXPECT_EQ(t.logonName, "ユーザー");
    apptest::put(store.path(), "[Other]\nLogon=1\n[General]\nLogon=garbage\nLogonName=\n");
    EXPECT_FALSE(store.read(t));  // empty name
    EXPECT_EQ(t.logon, 0);
}
