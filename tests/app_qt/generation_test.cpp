// The generation windows on a real frame: CNVDLG and the loop, the progress window's
// button, the error window and its command, the hint dialog's check box.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <filesystem>

#include "app/generation.h"
#include "base/files.h"
#include "fixture.h"
#include "generatedialogs.h"
#include "messagepane.h"
#include "subcommands.h"

using namespace appqt;

namespace {

const char* kEvents = "2026/01/05 09:00:00.000 $A=ON // start\r\n2026/01/05 09:00:01.500 $A=OFF\r\n";

QStringList paneLines(MainFrame& f, int list = 0) {
    QStringList out;
    auto* l = f.messagePane()->list(list);
    for (int i = 0; i < l->count(); ++i) out << l->item(i)->text();
    return out;
}

// Answers the next modal dialog of class `name` once it is shown.
void answerDialog(const char* name, std::function<void(QWidget*)> act) {
    QTimer::singleShot(0, [name, act] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == name && w->isVisible()) {
                act(w);
                return;
            }
        ADD_FAILURE() << "dialog " << name << " not shown";
    });
}

}  // namespace

class GenerationFrameTest : public FrameTest {
protected:
    void SetUp() override {
        FrameTest::SetUp();
        services.setPollInterval(10);
        app::generationState() = app::GenerationState{};
    }
};

TEST_F(GenerationFrameTest, CnvDialogRunsTheProjectAndKeepsTheChoice) {
    writeText(path("Projects/g/one.klg"), kEvents);
    writeText(path("Projects/g/two.klg"), kEvents);
    // A raw log through a preprocessor that runs while the frame's loop is kept alive.
    writeText(path("Projects/g/three.log"), kEvents);
    writeText(path("pre.sh"), "cp \"$1.log\" \"$1.klg\"\n");
    core.params().record().setPreprocessCommand("/bin/sh pre.sh &B");
    writeProject(path("Projects/g/g.nam"), {"one.klg", "two.klg", "three.log"});
    frame->openProject(path("Projects/g/g.nam"), false);
    ASSERT_TRUE(frame->hasProject());

    answerDialog("CNVDLG", [](QWidget* w) {
        auto* box = w->findChild<QCheckBox*>("id1300");
        EXPECT_TRUE(box->isChecked());
        EXPECT_EQ(box->text(), "タイミングチャート(&G)");
        w->findChild<QPushButton*>("id1")->click();
    });
    frame->action(20488)->trigger();
    EXPECT_EQ(paneLines(*frame),
              (QStringList{"one.klg 生成を終了しました。", "two.klg 生成を終了しました。",
                           QString::fromStdString("/bin/sh pre.sh " + path("Projects/g/three") + " を実行しました。"),
                           "three.klg 生成を終了しました。"}));
    EXPECT_TRUE(base::fileExists(path("Projects/g/three.tct")));
    EXPECT_TRUE(base::fileExists(path("Projects/g/one.tct")));
    EXPECT_TRUE(base::fileExists(path("Projects/g/two.tct")));
    EXPECT_FALSE(frame->busy());
    EXPECT_TRUE(frame->action(20488)->isEnabled());
    auto* w = generationWindowsOf(*frame);
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->meter() == nullptr || !w->meter()->isVisible());

    // Untick: stored in the record, nothing generated, the list emptied.
    answerDialog("CNVDLG", [](QWidget* w) {
        w->findChild<QCheckBox*>("id1300")->setChecked(false);
        w->findChild<QPushButton*>("id1")->click();
    });
    frame->action(20488)->trigger();
    EXPECT_TRUE(paneLines(*frame).isEmpty());
    EXPECT_EQ(core.params().record().generationTarget(app::kKindChart), 0);
    answerDialog("CNVDLG", [](QWidget* w) {
        EXPECT_FALSE(w->findChild<QCheckBox*>("id1300")->isChecked());
        w->findChild<QPushButton*>("id2")->click();
    });
    frame->action(20488)->trigger();
}

TEST_F(GenerationFrameTest, ProgressWindowAndItsInterruptButton) {
    auto* w = generationWindowsOf(*frame);
    ASSERT_NE(w, nullptr);
    int beeps = 0;
    services.beepHook = [&beeps] { ++beeps; };
    w->showProgress("タイミングチャート生成", "タイミングチャートを生成中です。", "a-rather-long-file-name-for-the-meter.klg");
    MeterWindow* m = w->meter();
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->objectName(), "TCMETER");
    EXPECT_EQ(m->windowTitle(), "タイミングチャート生成");
    EXPECT_EQ(m->size(), QSize(340, 200));
    EXPECT_EQ(m->interruptButton()->geometry(), QRect(130, 130, 80, 24));
    // Eight pixels a cell: 300 px hold 37 cells; a full-width character takes two.
    EXPECT_EQ(MeterWindow::cutToFit("a-rather-long-file-name-for-the-meter.klg", 300).size(), 37);
    EXPECT_EQ(MeterWindow::cutToFit("ログ", 24), "ロ");
    m->interruptButton()->click();
    QApplication::processEvents();
    EXPECT_EQ(beeps, 1);
    EXPECT_TRUE(app::generationState().interrupted);
    EXPECT_TRUE(w->meter() == nullptr || !w->meter()->isVisible());
}

TEST_F(GenerationFrameTest, ErrorWindowAndItsCommand) {
    // A failed run: the chart folder lies below a plain file.
    writeText(path("blocker"), "file");
    writeText(path("Projects/e/a.klg"), kEvents);
    std::string nam = path("Projects/e/e.nam");
    writeText(nam, " [KOV:NAM:V2.00 ]\r\n[Sources]\r\n\"a.klg\"\r\n[Common]\r\nDataDirectory = \"" + path("blocker/x") +
                       "\"\r\nInputBaseDirectory = \"" + path("Projects/e") + "\"\r\n");
    frame->openProject(nam, false);
    EXPECT_EQ(app::generateChart(core, path("Projects/e/a.klg")), 10);
    QStringList lines = paneLines(*frame);
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_TRUE(lines.back().contains("出力ファイルを作成できません")) << lines.back().toStdString();

    QAction* show = frame->findChild<QAction*>("id20489");
    ASSERT_NE(show, nullptr);
    EXPECT_EQ(show->text(), "生成エラー表示(&E)");
    show->trigger();
    auto* w = generationWindowsOf(*frame);
    ErrorWindow* ew = w->errorWindow();
    ASSERT_NE(ew, nullptr);
    EXPECT_EQ(ew->objectName(), "TCCNVERROR");
    EXPECT_EQ(ew->windowTitle(), "生成ｴﾗｰ表示");
    EXPECT_EQ(ew->closeButton()->text(), "閉じる");
    EXPECT_EQ(ew->closeButton()->geometry(), QRect(2, 1, 88, 18));
    EXPECT_EQ(ew->size(), QSize(702, 398));
    ASSERT_EQ(ew->list()->count(), 1);
    EXPECT_EQ(ew->list()->item(0)->text(), lines.back());

    // Moving it keeps its rectangle in group 4 of the layout table.
    ew->move(ew->x() + 15, ew->y() + 7);
    QApplication::processEvents();
    app::LayoutRect r;
    ASSERT_TRUE(core.params().layout(app::kErrorWindowGroup, app::kErrorWindowEntry, r));
    EXPECT_EQ(r.width, 702);
    EXPECT_EQ(QRect(r.x, r.y, r.width, r.height), QRect(ew->pos(), ew->size()));

    // The command again: the list is emptied and filled once more.
    show->trigger();
    EXPECT_EQ(w->errorWindow()->list()->count(), 1);
    // A new run closes the window.
    app::generateChart(core, path("Projects/e/a.klg"));
    QApplication::processEvents();
    EXPECT_TRUE(w->errorWindow() == nullptr);
}

TEST_F(GenerationFrameTest, AwkHintDialog) {
    answerDialog("AWKWARNDLG", [this](QWidget* w) {
        EXPECT_EQ(w->windowTitle(), "タイミングチャート生成");
        w->findChild<QPushButton*>("id1501")->click();
        auto* box = w->findChild<QCheckBox*>("id1502");
        EXPECT_EQ(box->text(), "次回からこのメッセージを表示しない。");
        box->setChecked(true);
        w->findChild<QPushButton*>("id1")->click();
    });
    core.params().record().setU16(app::kAwkHintOffset, 1);
    generationWindowsOf(*frame)->showAwkHint(core);
    EXPECT_EQ(core.params().record().u16(app::kAwkHintOffset), 0);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], AwkWarnDialog::kAwkPage);
}

// Pictures for the documentation: run under Xvfb with CHRONAVA_SHOT_DIR set.
TEST_F(GenerationFrameTest, Screenshots) {
    const char* dirEnv = std::getenv("CHRONAVA_SHOT_DIR");
    if (!dirEnv || QGuiApplication::platformName() != "xcb") GTEST_SKIP() << "screenshots need Xvfb and CHRONAVA_SHOT_DIR";
    std::string shots = dirEnv;
    writeText(path("Projects/s/conveyor.klg"), kEvents);
    writeProject(path("Projects/s/s.nam"), {"conveyor.klg"});
    frame->move(0, 0);
    frame->openProject(path("Projects/s/s.nam"), false);
    auto snap = [&](const std::string& name) {
        for (int i = 0; i < 20; ++i) {
            QApplication::processEvents();
            QTest::qWait(50);
        }
        std::string cmd = "import -window root " + shots + "/" + name;
        EXPECT_EQ(std::system(cmd.c_str()), 0);
    };
    auto* w = generationWindowsOf(*frame);
    services.appendMessage(0, "/bin/sh awk/tcplog.sh " + path("Projects/s/conveyor") + " を実行しました。");
    w->showProgress("タイミングチャート生成", "タイミングチャートを生成中です。", "conveyor.klg");
    w->meter()->setStatusLine("生成中です。");
    w->meter()->setProgress(0, 0);
    snap("generation-progress.png");
    w->closeProgress();
    w->showErrorWindow(core, {"conveyor.klg : 出力ファイルを作成できません(/srv/readonly/conveyor.tct)。",
                              "furnace.klg : 信号数が 255 を越えました(412 行目)。"});
    snap("generation-errors.png");
    w->closeErrorWindow();
    CnvDialog cnv(*frame, true);
    cnv.show();
    snap("generation-dialog.png");
    cnv.hide();
    AwkWarnDialog hint(*frame);
    hint.show();
    snap("generation-awk-hint.png");
}

TEST(GenerationCommandLine, SubcommandIsListed) {
    const Subcommand* s = findSubcommand("generate");
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(std::string(s->usage).rfind("generate PROJECT", 0), 0u);
    // Bad usage ends with status 2 before anything is started.
    char name[] = "generate";
    char* argv[] = {name, nullptr};
    EXPECT_EQ(s->run(1, argv), 2);
}
