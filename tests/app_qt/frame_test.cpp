#include <QAction>
#include <QCoreApplication>
#include <QCloseEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QScreen>
#include <QScrollBar>
#include <QTabBar>
#include <QToolBar>
#include <QToolButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "childwindows.h"
#include "startup.h"
#include "fixture.h"
#include "helpwindow.h"
#include "logobox.h"
#include "messagepane.h"

using namespace appqt;

namespace {

std::vector<std::pair<QString, int>> treeRows(QTreeWidget* t) {
    std::vector<std::pair<QString, int>> rows;
    for (QTreeWidgetItemIterator it(t); *it; ++it) rows.emplace_back((*it)->text(0), (*it)->data(0, Qt::UserRole).toInt());
    return rows;
}

QTreeWidgetItem* findItem(QTreeWidget* t, int data) {
    for (QTreeWidgetItemIterator it(t); *it; ++it)
        if ((*it)->data(0, Qt::UserRole).toInt() == data) return *it;
    return nullptr;
}

}  // namespace

TEST_F(FrameTest, MenusCarryTheCommandsAndMnemonics) {
    struct Item {
        int id;
        const char* text;
        int menu;
    };
    const Item items[] = {
        {4097, "新規作成(&N)...", 0},        {4098, "開く(&O)...", 0},          {4104, "Chronava の終了(&X)", 0},
        {12307, "ドキュメントビュー(&W)", 1}, {12308, "メッセージ(&M)", 1},      {12309, "メッセージ消去(&C)", 1},
        {12305, "ツールバー(&T)", 1},         {12306, "ステータスバー(&B)", 1},  {20488, "生成実行(&C)", 2},
        {20482, "プロジェクトファイル編集(&P)...", 3}, {36868, "メタファイル出力(&M)...", 3},
        {36869, "GIF ファイル出力(&G)...", 3}, {36870, "Word 出力(&W)...", 3},  {36872, "HTML 出力(&H)...", 3},
        {8195, "オプション(&O)...", 3},        {8705, "重ねて表示(&C)", 4},      {8706, "上下に並べて表示(&T)", 4},
        {8707, "左右に並べて表示(&H)", 4},     {8708, "アイコンの整列(&I)", 4},   {28673, "トピックの検索(&H)", 5},
    };
    const char* titles[] = {"ファイル(&F)", "表示(&V)", "生成(&C)", "ツール(&T)", "ウィンドウ(&W)", "ヘルプ(&H)"};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(frame->menu(i)->title(), QString::fromUtf8(titles[i]));
    for (const Item& it : items) {
        QAction* a = frame->findChild<QAction*>(QString("id%1").arg(it.id));
        ASSERT_NE(a, nullptr) << it.id;
        EXPECT_EQ(a->text(), QString::fromUtf8(it.text));
        EXPECT_TRUE(frame->menu(it.menu)->actions().contains(a)) << it.id;
    }
    // The four pane items start checked.
    for (int id : {12305, 12306, 12307, 12308}) EXPECT_TRUE(frame->action(id)->isChecked());
}

TEST_F(FrameTest, ToolbarHasSeventeenButtonsWithTips) {
    QToolBar* tb = frame->findChild<QToolBar*>("TOOLS");
    ASSERT_NE(tb, nullptr);
    QList<QAction*> acts = tb->actions();
    ASSERT_EQ(acts.size(), 17);
    const int order[] = {4097, 4098, 0, 12307, 12308, 0, 20488, 0, 36868, 36869, 0, 36870, 36872, 0, 8195, 0, 28676};
    for (int i = 0; i < 17; ++i) {
        if (order[i] == 0) {
            EXPECT_TRUE(acts[i]->isSeparator());
            continue;
        }
        EXPECT_EQ(acts[i]->data().toInt(), order[i]);
        EXPECT_FALSE(acts[i]->toolTip().isEmpty()) << order[i];
    }
    EXPECT_EQ(frame->action(4098)->toolTip(), "ファイルを開く");
    EXPECT_EQ(frame->action(36869)->toolTip(), "GIF 出力");
    // The toggles show pressed while their pane is shown.
    auto* docButton = qobject_cast<QToolButton*>(tb->widgetForAction(frame->action(12307)));
    ASSERT_NE(docButton, nullptr);
    EXPECT_TRUE(docButton->isChecked());
    frame->dispatch(12307);
    EXPECT_FALSE(docButton->isChecked());
    EXPECT_FALSE(frame->treePane()->isVisible());
    frame->dispatch(12307);
    EXPECT_TRUE(frame->treePane()->isVisible());
}

TEST_F(FrameTest, ProjectCommandsFollowTheOpenProject) {
    const int project[] = {20488, 20482, 36868, 36869, 36870, 36872};
    for (int id : project) EXPECT_FALSE(frame->action(id)->isEnabled()) << id;
    EXPECT_TRUE(frame->action(8195)->isEnabled());
    EXPECT_EQ(frame->windowTitle(), "Chronava");

    frame->openProject(makeDemoProject(), false);
    EXPECT_TRUE(boxes.empty());
    for (int id : project) EXPECT_TRUE(frame->action(id)->isEnabled()) << id;
    EXPECT_EQ(frame->windowTitle(), "demo - Chronava");
}

TEST_F(FrameTest, OpeningAProjectFillsBothTreeTabs) {
    frame->openProject(makeDemoProject(), false);
    frame->treeTabs()->setCurrentIndex(0);  // ドキュメント
    auto doc = treeRows(frame->tree());
    std::vector<std::pair<QString, int>> wantDoc = {
        {"プロジェクト demo", 0}, {"タイミングチャート", 300}, {"a.log", 18}, {"b.klg", 28},
        {"ログファイル", 300},    {"a.log", 16},              {"b.klg", 26}};
    EXPECT_EQ(doc, wantDoc);
    EXPECT_TRUE(frame->tree()->topLevelItem(0)->isExpanded());

    frame->treeTabs()->setCurrentIndex(1);  // ファイル
    auto file = treeRows(frame->tree());
    std::vector<std::pair<QString, int>> wantFile = {
        {"プロジェクト demo", 0}, {"a.log", 10}, {"タイミングチャート", 18}, {"ログファイル", 16},
        {"b.klg", 20},            {"タイミングチャート", 28},             {"ログファイル", 26}};
    EXPECT_EQ(file, wantFile);
}

TEST_F(FrameTest, DoubleClickOpensOneChildPerKind) {
    frame->openProject(makeDemoProject(), false);
    frame->treeTabs()->setCurrentIndex(1);
    QMdiArea* mdi = frame->mdiArea();
    // Root, log node and nothing else: no window.
    frame->openTreeItem(frame->tree()->topLevelItem(0));
    frame->openTreeItem(findItem(frame->tree(), 10));
    EXPECT_TRUE(mdi->subWindowList().isEmpty());

    frame->openTreeItem(findItem(frame->tree(), 18));
    ASSERT_EQ(mdi->subWindowList().size(), 1);
    QMdiSubWindow* sw = mdi->subWindowList().first();
    EXPECT_EQ(sw->windowTitle(), "a.log - Chronava");
    auto* chart = qobject_cast<PlaceholderChild*>(frame->child(kKindChart));
    ASSERT_NE(chart, nullptr);
    EXPECT_EQ(chart->objectName(), "TCChild");
    EXPECT_EQ(chart->currentFile(), path("Projects/demo/a.log"));
    QSize area = mdi->viewport()->size();
    EXPECT_EQ(sw->size(), QSize(area.width() - 50, area.height() - 50));

    // The same kind reuses its window; the source view is a second one.
    frame->openTreeItem(findItem(frame->tree(), 28));
    EXPECT_EQ(mdi->subWindowList().size(), 1);
    EXPECT_EQ(chart->currentFile(), path("Projects/demo/b.klg"));
    frame->openTreeItem(findItem(frame->tree(), 26));
    EXPECT_EQ(mdi->subWindowList().size(), 2);
    EXPECT_EQ(frame->child(kKindSource)->objectName(), "SRCChild");

    // Group items in the document tab open nothing.
    frame->treeTabs()->setCurrentIndex(0);
    EXPECT_EQ(mdi->subWindowList().size(), 2);
    frame->openTreeItem(frame->tree()->topLevelItem(0)->child(0));
    EXPECT_EQ(mdi->subWindowList().size(), 2);

    // F2 goes to the active child.
    frame->mdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(chart->parentWidget()));
    frame->dispatch(301);
    EXPECT_EQ(chart->lastCommand(), 301);

    // Opening another project closes the children.
    frame->openProject(core.project().path, false);
    QCoreApplication::processEvents();
    EXPECT_TRUE(mdi->subWindowList().isEmpty());
    EXPECT_EQ(frame->child(kKindChart), nullptr);
}

TEST_F(FrameTest, RecentListKeepsTwentyWithLetterMnemonics) {
    for (int i = 1; i <= 21; ++i) {
        std::string p = path(std::string("p").append(std::to_string(i)).append("/p.nam"));
        writeProject(p, {"x.log"});
        frame->openProject(p, false);
    }
    auto list = core.params().record().recentProjects();
    ASSERT_EQ(list.size(), 20u);
    EXPECT_EQ(list.front(), path("p21/p.nam"));
    EXPECT_EQ(list.back(), path("p2/p.nam"));
    QAction* first = frame->findChild<QAction*>("id4106");
    QAction* tenth = frame->findChild<QAction*>("id4115");
    QAction* last = frame->findChild<QAction*>("id4125");
    ASSERT_TRUE(first && tenth && last);
    EXPECT_EQ(first->text(), QString::fromStdString("&1 " + path("p21/p.nam")));
    EXPECT_EQ(tenth->text(), QString::fromStdString("&A " + path("p12/p.nam")));
    EXPECT_EQ(last->text(), QString::fromStdString("&K " + path("p2/p.nam")));
    EXPECT_EQ(frame->findChildren<QAction*>("id4105").size(), 1);

    // Opening the first again leaves the list as it is; the record was written.
    frame->openProject(path("p21/p.nam"), false);
    EXPECT_EQ(core.params().record().recentProjects(), list);
    app::UserParams again(dir(), "");
    ASSERT_EQ(again.read(), 0);
    EXPECT_EQ(again.record().recentProjects(), list);
}

TEST_F(FrameTest, MissingRecentProjectKeepsTheCurrentOne) {
    std::string demo = makeDemoProject();
    frame->openProject(demo, false);
    frame->setStatusText("old");
    frame->openProject(path("gone.nam"), true);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "ファイル読み込み");
    EXPECT_EQ(boxes[0].text, path("gone.nam") + "\nファイルが見つかりません。");
    EXPECT_EQ(frame->statusText(), "");
    EXPECT_EQ(core.project().path, demo);

    // A project from a newer major version is refused and the old one stays.
    writeText(path("v3.nam"), " [KOV:NAM:V3.00 ]\r\n[Sources]\r\n\"a.log\"\r\n");
    frame->openProject(path("v3.nam"), false);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].text, "システムファイルのバージョンが違います。\n" + path("v3.nam"));
    EXPECT_EQ(core.project().path, demo);
}

TEST_F(FrameTest, BusyStateGreysAndRestores) {
    frame->openProject(makeDemoProject(), false);
    services.enterBusy();
    EXPECT_TRUE(frame->busy());
    for (int i = 0; i < 6; ++i) EXPECT_FALSE(frame->menu(i)->menuAction()->isEnabled()) << i;
    EXPECT_FALSE(frame->mdiArea()->isEnabled());
    EXPECT_FALSE(frame->treePane()->isEnabled());
    EXPECT_FALSE(frame->toolBar()->isEnabled());
    QCloseEvent ev;
    QCoreApplication::sendEvent(frame.get(), &ev);
    EXPECT_FALSE(ev.isAccepted());
    services.enterBusy();
    services.leaveBusy();
    EXPECT_TRUE(frame->busy());
    frame->dispatch(306);  // the cancel request of long runs
    EXPECT_TRUE(services.cancelRequested());
    services.leaveBusy();
    EXPECT_FALSE(frame->busy());
    for (int i = 0; i < 6; ++i) EXPECT_TRUE(frame->menu(i)->menuAction()->isEnabled()) << i;
    EXPECT_TRUE(frame->mdiArea()->isEnabled());
    EXPECT_TRUE(frame->treePane()->isEnabled());
    EXPECT_TRUE(frame->toolBar()->isEnabled());
    EXPECT_TRUE(frame->action(20488)->isEnabled());
}

TEST_F(FrameTest, FrameRectangleFromTheLayoutTable) {
    EXPECT_EQ(MainFrame::initialRect(core), QRect(10, 10, 880, 600));
    core.params().setLayout(0, 0, {50, 60, 0, 400});  // zero width: unset
    EXPECT_EQ(MainFrame::initialRect(core), QRect(10, 10, 880, 600));
    core.params().setLayout(0, 0, {-20, 30, 700, 500});
    EXPECT_EQ(MainFrame::initialRect(core), QRect(0, 30, 700, 500));
    core.params().setLayout(0, 0, {40, -1, 700, 500});
    EXPECT_EQ(MainFrame::initialRect(core), QRect(40, 0, 700, 500));
}

TEST_F(FrameTest, SplittersAreClampedAndStored) {
    frame->setLayoutSaving(true);
    SplitBar* split = frame->treeSplit();
    int w = frame->centralWidget()->width();
    EXPECT_EQ(split->clamp(10), 100);
    EXPECT_EQ(split->clamp(w), w - 100);
    EXPECT_EQ(split->clamp(250), 250);
    emit split->released(250);
    EXPECT_EQ(frame->treePane()->width(), 250);
    app::LayoutRect r;
    ASSERT_TRUE(core.params().layout(0, 1, r));
    EXPECT_EQ(r.width, 250);

    SplitBar* work = frame->workSplit();
    int h = frame->centralWidget()->height();
    EXPECT_EQ(work->clamp(0), MainFrame::kToolbarRow + 20);
    EXPECT_EQ(work->clamp(h), h - 80);
    emit work->released(h - 200);
    ASSERT_TRUE(core.params().layout(0, 4, r));
    EXPECT_EQ(r.y, h - 200 + MainFrame::kSplit);
    EXPECT_EQ(r.height, 200 - MainFrame::kSplit);
    // The pane keeps its height when the frame grows.
    frame->resize(frame->width(), frame->height() + 50);
    QCoreApplication::processEvents();
    EXPECT_EQ(frame->messagePane()->height(), 200 - MainFrame::kSplit);
}

TEST_F(FrameTest, HelpShowsThePageOfTheContext) {
    writeText(path("help/index.html"), "<p>index</p>", false);
    writeText(path("help/815.html"), "<p>options</p>", false);
    frame->setHelpContext(815);
    frame->setStatusText("ready");
    frame->dispatch(302);  // F1 with no child
    EXPECT_EQ(frame->statusText(), "ready");  // the context number is not shown
    ASSERT_NE(frame->helpWindow(), nullptr);
    EXPECT_TRUE(frame->helpWindow()->isVisible());
    // The window lies whole on the screen, over the frame's middle.
    const QRect screen = frame->helpWindow()->screen()->availableGeometry();
    EXPECT_TRUE(screen.contains(frame->helpWindow()->frameGeometry())) << frame->helpWindow()->frameGeometry().x();
    EXPECT_EQ(frame->helpWindow()->pageFor(815), QString::fromStdString(path("help/815.html")));
    EXPECT_EQ(frame->helpWindow()->pageFor(999), QString::fromStdString(path("help/index.html")));
}

// A tiny frame still leaves the tree and the work area room to show something; a
// child pushed past the work area is reached through its scroll bars.
TEST_F(FrameTest, MinimumSizeAndScrollingWorkArea) {
    frame->resize(260, 200);
    QCoreApplication::processEvents();
    EXPECT_GE(frame->width(), MainFrame::kMinWidth);
    EXPECT_GE(frame->height(), MainFrame::kMinHeight);
    EXPECT_GE(frame->treePane()->height(), 100);

    frame->resize(800, 600);
    QCoreApplication::processEvents();
    auto* view = new PlaceholderChild(kKindChart, nullptr);
    QMdiSubWindow* sw = frame->mdiArea()->addSubWindow(view);
    sw->setGeometry(300, 200, 600, 500);
    sw->show();
    QCoreApplication::processEvents();
    EXPECT_GT(frame->mdiArea()->horizontalScrollBar()->maximum(), 0);
    EXPECT_GT(frame->mdiArea()->verticalScrollBar()->maximum(), 0);
}

// Qt's dialogs speak Japanese; the project open dialog starts in the user's projects.
TEST_F(FrameTest, QtDialogsInJapaneseAndOpenStartsInProjects) {
    ASSERT_TRUE(loadQtTranslations(*qApp)) << "qt6-translations-l10n is not installed";
    EXPECT_NE(QCoreApplication::translate("QFileDialog", "Look in:"), "Look in:");
    std::string asked = "unset";
    services.fileHook = [&](int, std::string& p) {
        asked = p;
        return false;
    };
    frame->dispatch(cmd::kOpen);
    EXPECT_EQ(asked, core.defaultDataDir());
}

TEST_F(FrameTest, CloseIsRefusedOnlyWhileBusy) {
    services.enterBusy();
    QCloseEvent busyClose;
    QCoreApplication::sendEvent(frame.get(), &busyClose);
    EXPECT_FALSE(busyClose.isAccepted());
    services.leaveBusy();
    QCloseEvent idleClose;
    QCoreApplication::sendEvent(frame.get(), &idleClose);
    EXPECT_TRUE(idleClose.isAccepted());
    // The accepted close asked the application to quit; run its loop once so that the
    // request does not end the modal loops of later tests.
    QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
}

TEST_F(FrameTest, WindowMenuListsAndTilesChildren) {
    frame->openProject(makeDemoProject(), false);
    frame->openChild(kKindChart, "a.log");
    frame->openChild(kKindSource, "b.klg");
    QMdiArea* mdi = frame->mdiArea();
    ASSERT_EQ(mdi->subWindowList().size(), 2);

    emit frame->menu(4)->aboutToShow();
    QAction* first = frame->findChild<QAction*>("id5000");
    QAction* second = frame->findChild<QAction*>("id5001");
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->text(), "&1 a.log - Chronava");
    EXPECT_EQ(second->text(), "&2 b.klg - SourceView");
    EXPECT_TRUE(second->isChecked());
    first->trigger();
    EXPECT_EQ(mdi->activeSubWindow(), mdi->subWindowList().first());
    emit frame->menu(4)->aboutToShow();  // rebuilt, not doubled
    EXPECT_EQ(frame->findChildren<QAction*>("id5000").size(), 1);

    QSize area = mdi->viewport()->size();
    frame->dispatch(8706);  // one above the other
    auto list = mdi->subWindowList();
    EXPECT_EQ(list[0]->geometry(), QRect(0, 0, area.width(), area.height() / 2));
    EXPECT_EQ(list[1]->geometry().top(), area.height() / 2);
    frame->dispatch(8707);  // side by side
    EXPECT_EQ(list[0]->geometry(), QRect(0, 0, area.width() / 2, area.height()));
    EXPECT_EQ(list[1]->geometry().left(), area.width() / 2);
}

TEST_F(FrameTest, LaterLogsOfALongProjectOpenToo) {
    std::vector<std::string> logs;
    for (int i = 0; i < 35; ++i) logs.push_back(std::string("l").append(std::to_string(i)).append(".log"));
    std::string p = path("Projects/long/long.nam");
    writeProject(p, logs);
    frame->openProject(p, false);
    QTreeWidgetItem* item = findItem(frame->tree(), 10 * 34 + 18);
    ASSERT_NE(item, nullptr);
    frame->openTreeItem(item);
    ASSERT_NE(frame->child(kKindChart), nullptr);
    EXPECT_EQ(frame->child(kKindChart)->currentFile(), path("Projects/long/l34.log"));
}

// A long run animates the logo box; a run nested in another (one chart of a project
// loop) leaves the animation to the outer one.
TEST_F(FrameTest, LogoAnimatesForTheLengthOfARun) {
    EXPECT_FALSE(frame->logoBox()->running());
    {
        base::LogoRun outer;
        EXPECT_TRUE(frame->logoBox()->running());
        { base::LogoRun inner; }
        EXPECT_TRUE(frame->logoBox()->running());
    }
    EXPECT_FALSE(frame->logoBox()->running());
}

TEST_F(FrameTest, LogoClickOpensTheProductPage) {
    QTest::mouseClick(frame->logoBox(), Qt::LeftButton);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], path("help/index.html"));
}
