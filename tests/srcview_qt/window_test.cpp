// The source view window in the frame: opening and reusing it, panes and toolbar,
// keys, clicks, pages, the search dialog, copying, the editor and closing.
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTest>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <cstdlib>
#include <filesystem>

#include "app/params.h"
#include "fixture.h"
#include "source_window.h"

namespace {

using srcviewqt::SourceWindow;
namespace cmd = srcview::cmd;

class SourceWindowTest : public FrameTest {
protected:
    int beeps = 0;

    void SetUp() override {
        FrameTest::SetUp();
        services.beepHook = [this] { ++beeps; };
        frame->openProject(makeDemoProject(), false);
    }
    // The sample projects and logs copied into the test's installation folder, whose
    // paths they name relative to it.
    void copySamples() {
        namespace fs = std::filesystem;
        const fs::path data = fs::path(CHRONAVA_SAMPLES).parent_path();
        fs::copy(data / "Projects", path("Projects"), fs::copy_options::recursive | fs::copy_options::overwrite_existing);
        fs::copy(data / "awk", path("awk"), fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    }
    // Writes `lines` numbered lines to the project's log (CP932) and opens it.
    SourceWindow* open(const std::string& name, int lines, const std::string& extra = {}) {
        std::string s;
        for (int i = 1; i <= lines; ++i) s += "行 " + std::to_string(i) + "\n";
        writeText(path("Projects/demo/" + name), s + extra);
        auto* w = qobject_cast<SourceWindow*>(frame->openChild(appqt::kKindSource, name));
        if (w) QApplication::processEvents();
        return w;
    }
};

TEST_F(SourceWindowTest, OpensLogsInOneWindowThatIsReused) {
    SourceWindow* w = open("a.log", 40);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->objectName(), "SRCChild");
    auto* sw = qobject_cast<QMdiSubWindow*>(w->parentWidget());
    ASSERT_NE(sw, nullptr);
    EXPECT_EQ(sw->windowTitle(), "a.log - SourceView");
    EXPECT_EQ(w->list().count(), 41);
    EXPECT_EQ(w->list().line(0), "行 1");
    for (const char* name : {"RVQSRCVIEW", "RVQSRCSEP", "RVQSRCLNO", "RVQSRCLIST"})
        EXPECT_NE(w->findChild<QWidget*>(name), nullptr) << name;
    EXPECT_EQ(w->numberPane()->width(), srcviewqt::kLineNumberWidth);
    EXPECT_EQ(w->textPane()->x(), srcviewqt::kLineNumberWidth);

    struct Tip {
        int id;
        const char* text;
    } tips[] = {{cmd::kSearch, "検索"},          {cmd::kEditor, "エディタ起動"}, {cmd::kFirstPage, "先頭ページ"},
                {cmd::kPreviousPage, "前ページ"}, {cmd::kNextPage, "次ページ"},    {cmd::kLastPage, "最終ページ"}};
    for (const Tip& t : tips) {
        ASSERT_NE(w->button(t.id), nullptr) << t.id;
        EXPECT_EQ(w->button(t.id)->toolTip(), QString::fromUtf8(t.text));
    }
    auto* part2 = w->statusBar()->findChild<QLabel*>("part2");
    ASSERT_NE(part2, nullptr);
    EXPECT_EQ(part2->geometry().right() + 1, std::max(w->width(), 300) - 16 - 2);
    EXPECT_EQ(w->statusText(), "");

    // Another log: the same window, at its first line.
    w->clickAt(5 * srcview::kLineHeight);
    SourceWindow* again = open("b.klg", 3);
    EXPECT_EQ(again, w);
    EXPECT_EQ(frame->mdiArea()->subWindowList().size(), 1);
    EXPECT_EQ(sw->windowTitle(), "b.klg - SourceView");
    EXPECT_EQ(w->view().current(), 1);
    EXPECT_EQ(w->list().count(), 4);
}

TEST_F(SourceWindowTest, KeysWheelBarsAndPagesMoveTheView) {
    SourceWindow* w = open("a.log", 200, std::string(300, 'L') + "\n");
    ASSERT_NE(w, nullptr);
    boxes.clear();
    beeps = 0;
    QWidget* pane = w->textPane();
    const int rows = w->view().rows();
    ASSERT_GT(rows, 3);

    QTest::keyClick(pane, Qt::Key_Down);
    EXPECT_EQ(w->view().top(), 1);
    QTest::keyClick(pane, Qt::Key_PageDown);
    EXPECT_EQ(w->view().top(), 1 + rows);
    QTest::keyClick(pane, Qt::Key_Up);
    EXPECT_EQ(w->view().top(), rows);
    EXPECT_EQ(w->textPane()->verticalBar()->value(), rows);
    QTest::keyClick(pane, Qt::Key_Tab);
    EXPECT_EQ(w->view().column(), 8);
    QTest::keyClick(pane, Qt::Key_Left);
    EXPECT_EQ(w->view().column(), 7);
    EXPECT_EQ(w->textPane()->horizontalBar()->value(), 7);
    QTest::keyClick(pane, Qt::Key_Backtab);
    EXPECT_EQ(w->view().column(), 0);
    QTest::keyClick(pane, Qt::Key_Left);
    EXPECT_EQ(beeps, 1);

    // The scroll bars step the view like the keys.
    w->textPane()->verticalBar()->triggerAction(QAbstractSlider::SliderToMinimum);
    EXPECT_EQ(w->view().top(), 0);
    w->textPane()->verticalBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(w->view().top(), 1);

    // Pages come from the toolbar and the frame's keys.
    frame->dispatch(cmd::kNextPage);
    EXPECT_EQ(w->view().top(), 1 + rows - 2);
    w->button(cmd::kFirstPage)->trigger();
    EXPECT_EQ(w->view().top(), 0);
    frame->dispatch(cmd::kPreviousPage);
    EXPECT_EQ(w->statusText(), QString::fromUtf8(srcview::text::kFirstPage));
    frame->dispatch(cmd::kLastPage);
    EXPECT_EQ(w->view().top(), 202 - (rows - 1) + 2);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(SourceWindowTest, AClickSetsTheCurrentLineAndADragSelectsText) {
    SourceWindow* w = open("a.log", 30);
    ASSERT_NE(w, nullptr);
    QWidget* pane = w->textPane();
    QTest::mouseClick(pane, Qt::LeftButton, {}, QPoint(20, 4 * srcview::kLineHeight + 3));
    EXPECT_EQ(w->view().current(), 5);
    EXPECT_EQ(w->view().nextSearch(), 5);

    // Drag over "行 1" on the first line and the start of the second.
    QTest::mousePress(pane, Qt::LeftButton, {}, QPoint(6, 3));
    QTest::mouseMove(pane, QPoint(6 + 3 * srcview::kCellWidth, srcview::kLineHeight + 3));
    QTest::mouseRelease(pane, Qt::LeftButton, {}, QPoint(6 + 3 * srcview::kCellWidth, srcview::kLineHeight + 3));
    EXPECT_EQ(w->view().current(), 1);  // the press moved the current line
    EXPECT_EQ(w->selectedText(), "行 1\n行 ");
    QTest::keyClick(pane, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), QString::fromUtf8("行 1\n行 "));
}

TEST_F(SourceWindowTest, TheSearchDialogStaysOpenAndFindsOneMatchAfterAnother) {
    SourceWindow* w = open("a.log", 60, "needle one\nfiller\nNeedle two\n");
    ASSERT_NE(w, nullptr);
    boxes.clear();
    w->handleCommand(cmd::kSearch);
    srcviewqt::SearchDialog* dlg = w->searchDialog();
    ASSERT_NE(dlg, nullptr);
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_EQ(dlg->objectName(), "SRCSEARCHDLG");
    EXPECT_EQ(dlg->windowTitle(), QString::fromUtf8("検索"));
    auto* next = dlg->findChild<QPushButton*>("id1");
    ASSERT_NE(next, nullptr);
    EXPECT_EQ(next->text(), QString::fromUtf8("次検索(&N)"));
    ASSERT_NE(dlg->findChild<QLineEdit*>("id13825"), nullptr);
    ASSERT_NE(dlg->findChild<QCheckBox*>("id13841"), nullptr);

    dlg->textField()->setText("needle");
    next->click();
    EXPECT_EQ(w->view().current(), 61);
    EXPECT_TRUE(dlg->isVisible());
    // The match was below the screen: it is now shown.
    EXPECT_LE(w->view().top(), 60);
    EXPECT_GT(w->view().top() + w->view().rows(), 60);
    next->click();
    EXPECT_EQ(w->view().current(), 63);
    dlg->caseBox()->setChecked(true);
    next->click();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, srcview::text::kNotFound);
    dlg->findChild<QPushButton*>("id2")->click();
    EXPECT_FALSE(dlg->isVisible());

    // Search again without the dialog, from the line after the current one.
    w->clickAt(0);
    frame->dispatch(cmd::kSearchAgain);
    EXPECT_EQ(w->view().current(), 61);
    frame->dispatch(cmd::kSearchAgain);  // matching case, "Needle two" is no match
    EXPECT_EQ(boxes.size(), 2u);
    dlg->caseBox()->setChecked(false);
    w->handleCommand(cmd::kSearchMenu);
    next->click();
    EXPECT_EQ(w->view().current(), 61);
    dlg->textField()->clear();
    next->click();
    EXPECT_EQ(boxes.back().text, srcview::text::kEnterText);
}

TEST_F(SourceWindowTest, ToolbarStatusBarEditorAndClosing) {
    SourceWindow* w = open("a.log", 10);
    ASSERT_NE(w, nullptr);
    const int textTop = w->findChild<QWidget*>("RVQSRCVIEW")->y();
    EXPECT_GT(textTop, 0);
    w->handleCommand(cmd::kToolbar);
    EXPECT_FALSE(w->rebar()->isVisible());
    EXPECT_EQ(w->findChild<QWidget*>("RVQSRCVIEW")->y(), 0);
    w->handleCommand(cmd::kStatusBar);
    EXPECT_FALSE(w->statusBar()->isVisible());
    EXPECT_EQ(w->findChild<QWidget*>("RVQSRCVIEW")->height(), w->height());
    w->handleCommand(cmd::kToolbar);
    w->handleCommand(cmd::kStatusBar);
    EXPECT_EQ(w->findChild<QWidget*>("RVQSRCVIEW")->y(), textTop);

    boxes.clear();
    core.params().record().setEditorPath("");
    w->handleCommand(cmd::kEditor);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "ユーザ指定エディタ起動");
    EXPECT_EQ(boxes[0].text, "[オプション]でユーザー指定エディタ名を登録してください。");
    core.params().record().setEditorPath("/nonexistent/editor");
    w->handleCommand(cmd::kEditor);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].text, "ユーザー指定エディタを起動できません。\n/nonexistent/editor");

    // Closing waits while the program is busy; the search dialog goes with the window.
    w->handleCommand(cmd::kSearch);
    QPointer<QDialog> dlg = w->searchDialog();
    ASSERT_FALSE(dlg.isNull());
    auto* sw = qobject_cast<QMdiSubWindow*>(w->parentWidget());
    services.enterBusy();
    sw->close();
    QApplication::processEvents();
    EXPECT_EQ(frame->mdiArea()->subWindowList().size(), 1);
    services.leaveBusy();
    sw->close();
    QApplication::processEvents();
    EXPECT_TRUE(frame->mdiArea()->subWindowList().isEmpty());
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(dlg.isNull());
}

TEST_F(SourceWindowTest, AMissingLogLeavesAnEmptyWindow) {
    auto* w = qobject_cast<SourceWindow*>(frame->openChild(appqt::kKindSource, "gone.log"));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->list().count(), 0);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, srcview::text::kCaptionRead);
    w->handleCommand(cmd::kNextPage);
    w->handleCommand(cmd::kSearchAgain);
    QApplication::processEvents();
}

TEST_F(SourceWindowTest, EveryLogOfTheSampleProjectsOpens) {
    copySamples();
    for (int n = 1; n <= 5; ++n) {
        std::string project = path("Projects/SampleT" + std::to_string(n) + "/SampleT" + std::to_string(n) + ".nam");
        SCOPED_TRACE(project);
        frame->openProject(project, false);
        int opened = 0;
        for (QTreeWidgetItemIterator it(frame->tree()); *it; ++it) {
            if ((*it)->data(0, Qt::UserRole).toInt() % 10 != 6 || (*it)->childCount() > 0) continue;
            boxes.clear();
            frame->openTreeItem(*it);
            auto* w = qobject_cast<SourceWindow*>(frame->child(appqt::kKindSource));
            ASSERT_NE(w, nullptr);
            EXPECT_TRUE(boxes.empty()) << (boxes.empty() ? "" : boxes[0].text);
            EXPECT_GT(w->list().count(), 1) << w->list().path();
            EXPECT_EQ(w->list().firstBadLine(), 0) << w->list().path();
            ++opened;
        }
        EXPECT_GT(opened, 0);
    }
}

TEST_F(SourceWindowTest, Screenshots) {
    const char* dirEnv = std::getenv("CHRONAVA_SHOT_DIR");
    if (!dirEnv || QGuiApplication::platformName() != "xcb") GTEST_SKIP() << "screenshots need Xvfb and CHRONAVA_SHOT_DIR";
    const std::string shots = dirEnv;
    frame->move(0, 0);
    frame->resize(900, 620);
    copySamples();
    frame->openProject(path("Projects/SampleT1/SampleT1.nam"), false);
    auto snap = [&](const std::string& name) {
        for (int i = 0; i < 20; ++i) {
            QApplication::processEvents();
            QTest::qWait(50);
        }
        std::string cmd = "import -window root " + shots + "/" + name;
        EXPECT_EQ(std::system(cmd.c_str()), 0);
    };
    auto* w = qobject_cast<SourceWindow*>(frame->openChild(appqt::kKindSource, "conveyor.klg"));
    ASSERT_NE(w, nullptr);
    qobject_cast<QMdiSubWindow*>(w->parentWidget())->showMaximized();
    QApplication::processEvents();
    w->clickAt(4 * srcview::kLineHeight + 2);
    w->setSelection({{6, 0}, {8, 23}});
    snap("source-view.png");
    w->setSelection({});
    w->handleCommand(cmd::kSearch);
    w->searchDialog()->textField()->setText("$pusher");
    w->searchDialog()->findNext();
    snap("source-view-search.png");
    w->searchDialog()->close();
    w->handleCommand(cmd::kNextPage);
    snap("source-view-scrolled.png");
}

}  // namespace
