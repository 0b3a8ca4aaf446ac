// The chart window in the frame, offscreen: opening a log's chart from the project
// tree (with the generation question), the window set and its layout, zoom by drag,
// screen movement and keys, and the options page with its checks and re-read.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QToolTip>
#include <QStatusBar>
#include <QHelpEvent>
#include <QWheelEvent>
#include <QToolBar>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <filesystem>
#include <thread>

#include "base/names.h"
#include "chartoptions.h"
#include "chartsupport.h"
#include "chartwindow.h"
#include "fixture.h"

using namespace appqt;

namespace {

// A log of five signals over two minutes: states with comments, pulses, values.
std::string sampleLog() {
    std::string s = "# test log\n";
    const char* names[] = {"ZETA", "alpha", "Mid", "beta", "GAMMA"};
    for (int i = 0; i < 240; ++i) {
        int sec = i / 2, ms = (i % 2) * 500;
        char stamp[64];
        std::snprintf(stamp, sizeof stamp, "2026/01/01 10:%02d:%02d.%03d ", sec / 60, sec % 60, ms);
        const char* n = names[i % 5];
        std::string v = i % 5 == 1 ? "PULSE" : i % 5 == 2 ? "VALUE(" + std::to_string(i % 100) + ")" : (i / 5) % 2 ? "ON" : "OFF";
        s += std::string(stamp) + "$" + n + "=" + v + (i % 7 == 0 ? " // 注記" + std::to_string(i) : "") + "\n";
    }
    return s;
}

QTreeWidgetItem* itemWithData(QTreeWidget* tree, int data) {
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        if ((*it)->data(0, Qt::UserRole).toInt() == data) return *it;
    return nullptr;
}

class ChartWindowTest : public FrameTest {
protected:
    void SetUp() override {
        FrameTest::SetUp();
        registerChartWindow(*frame);
        services.beepHook = [this] { ++beeps; };
        std::string p = path("Projects/demo/demo.nam");
        writeText(path("Projects/demo/sig.klg"), sampleLog());
        writeProject(p, {"sig.klg"});
        frame->openProject(p, false);
        frame->treeTabs()->setCurrentIndex(1);
    }
    // Double-clicks the chart item of the log in the file tab.
    ChartWindow* openChart() {
        QTreeWidgetItem* it = itemWithData(frame->tree(), 18);
        if (!it) return nullptr;
        emit frame->tree()->itemDoubleClicked(it, 0);
        QCoreApplication::processEvents();
        return qobject_cast<ChartWindow*>(frame->child(kKindChart));
    }
    int beeps = 0;
};

}  // namespace

TEST_F(ChartWindowTest, DoubleClickGeneratesAMissingChartAndShowsIt) {
    ChartWindow* w = openChart();
    ASSERT_NE(w, nullptr);
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes[0].caption, "タイミングチャート読み込み確認");
    EXPECT_EQ(boxes[0].text, "タイミングチャートが存在しません。\nタイミングチャート生成を実行します。");
    EXPECT_TRUE(std::filesystem::exists(w->chartPath()));
    EXPECT_EQ(w->chartPath(), path("Projects/demo/sig.tct"));
    ASSERT_TRUE(w->chartLoaded());
    EXPECT_GT(w->viewState().entryCount, 0);
    EXPECT_EQ(w->model().signalCount, 5);
    EXPECT_GE(beeps, 1);  // after the generation
    EXPECT_EQ(w->parentWidget()->windowTitle(), "sig.klg - Chronava");

    // The window set: toolbars with their tips, ruler strip, pane, three status parts.
    EXPECT_EQ(w->mainToolBar()->actions().size(), 10);
    EXPECT_EQ(w->button(12318)->toolTip(), "全体表示");
    EXPECT_EQ(w->button(303)->toolTip(), "最終画面");
    EXPECT_TRUE(w->button(12304)->isChecked());
    EXPECT_TRUE(w->button(20488)->isEnabled());
    EXPECT_FALSE(w->button(12318)->isEnabled());  // the whole chart is shown
    EXPECT_FALSE(w->button(300)->isEnabled());
    EXPECT_EQ(w->ruler()->geometry(), QRect(0, 30, w->width(), 32));
    EXPECT_EQ(w->pane()->geometry(), QRect(0, 62, w->width(), w->height() - 30 - 19 - 32));
    EXPECT_EQ(w->pane()->objectName(), "TCCHART");

    // The painted picture shows the background and something else (names, rows).
    w->pane()->repaint();
    const QImage& pic = w->pane()->picture();
    ASSERT_FALSE(pic.isNull());
    EXPECT_EQ(pic.width(), w->pane()->clientWidth());
    int names = 0;
    for (int y = 0; y < pic.height(); ++y)
        if (pic.pixel(70, y) == qRgb(0, 0, 192)) ++names;
    EXPECT_GT(names, 0);
    EXPECT_FALSE(w->ruler()->image.isNull());

    // Opening it again reuses the window; the chart is now current: no question.
    boxes.clear();
    openChart();
    EXPECT_EQ(frame->mdiArea()->subWindowList().size(), 1);
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(w->chartLoaded());

    // A log newer than its chart asks the other question; Cancel reads the old chart.
    std::filesystem::last_write_time(w->chartPath(),
                                     std::filesystem::last_write_time(path("Projects/demo/sig.klg")) - std::chrono::hours(1));
    services.boxHook = [this](int kind, bool warning, const std::string& caption, const std::string& text) {
        boxes.push_back({kind, warning, caption, text});
        return false;
    };
    openChart();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "日付けの古いタイミングチャートが存在します。\nタイミングチャート生成を実行します。");
    EXPECT_TRUE(w->chartLoaded());
}

TEST_F(ChartWindowTest, MissingLogIsReportedAndLeavesNoChart) {
    ChartWindow* w = openChart();
    ASSERT_NE(w, nullptr);
    boxes.clear();
    w->loadFile(path("Projects/demo/none.klg"));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "ファイル読み込み");
    EXPECT_EQ(boxes[0].text, path("Projects/demo/none.klg") + "\nファイルが見つかりません。");
    EXPECT_FALSE(w->chartLoaded());
    // Commands then say that there is no chart.
    w->handleCommand(12317);
    EXPECT_FALSE(w->statusText().isEmpty());
}

TEST_F(ChartWindowTest, LayoutStatusPartsAndRulerToggle) {
    ChartWindow* w = openChart();
    ASSERT_NE(w, nullptr);
    auto* sw = qobject_cast<QMdiSubWindow*>(w->parentWidget());
    sw->resize(250, 300);
    QCoreApplication::processEvents();
    EXPECT_EQ(w->statusPartRight(0), 128);
    EXPECT_EQ(w->statusPartRight(1), 176);
    EXPECT_EQ(w->statusPartRight(2), 284);  // the width is taken as at least 300
    sw->resize(700, 400);
    QCoreApplication::processEvents();
    EXPECT_EQ(w->statusPartRight(2), w->width() - 16);

    w->handleCommand(12304);
    EXPECT_FALSE(w->rulerShown());
    EXPECT_FALSE(w->button(12304)->isChecked());
    EXPECT_FALSE(w->ruler()->isVisible());
    EXPECT_EQ(w->pane()->geometry(), QRect(0, 30, w->width(), w->height() - 30 - 19));
    w->handleCommand(12304);
    EXPECT_TRUE(w->ruler()->isVisible());
}

TEST_F(ChartWindowTest, DragZoomScreenMovementAndKeys) {
    ChartWindow* w = openChart();
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(w->chartLoaded());
    view::ViewState& v = w->viewState();
    const double fit = v.scale;
    ChartPane* pane = w->pane();
    const int a = v.plotLeft() + 40, b = v.plotLeft() + 140;
    QTest::mousePress(pane, Qt::LeftButton, {}, QPoint(a, 50));
    QTest::mouseMove(pane, QPoint(a + 50, 50));
    EXPECT_TRUE(v.bandShown());
    EXPECT_FALSE(w->statusText().isEmpty());  // the range of the band
    QTest::mouseMove(pane, QPoint(b, 50));
    QTest::mouseRelease(pane, Qt::LeftButton, {}, QPoint(b, 50));
    EXPECT_LT(v.scale, fit);
    EXPECT_NEAR(v.scale * v.plotWidth(), fit * (b - a), fit * 10);
    EXPECT_TRUE(w->button(12318)->isEnabled());
    EXPECT_TRUE(w->button(300)->isEnabled());

    // The cursor line shows its time in the ruler labels.
    QTest::mouseMove(pane, QPoint(v.plotLeft() + 10, 60));
    EXPECT_EQ(pane->cursorLine(), v.plotLeft() + 10);
    EXPECT_FALSE(w->ruler()->timeLabel->text().isEmpty());

    // Screen movement through the frame's accelerator commands (F3 next, F1 first).
    const double start = v.viewStart();
    frame->dispatch(300);
    EXPECT_GT(v.viewStart(), start);
    frame->dispatch(302);
    EXPECT_EQ(v.viewStart(), 0);
    EXPECT_FALSE(w->button(301)->isEnabled());

    // Right and Tab move a screen on, Left and Shift+Tab back; at the start: a beep.
    QTest::keyClick(pane, Qt::Key_Right);
    const double one = v.viewStart();
    EXPECT_GT(one, 0);
    QTest::keyClick(pane, Qt::Key_Tab);
    EXPECT_GT(v.viewStart(), one);
    QTest::keyClick(pane, Qt::Key_Backtab);
    EXPECT_DOUBLE_EQ(v.viewStart(), one);
    QTest::keyClick(pane, Qt::Key_Left);
    EXPECT_EQ(v.viewStart(), 0);
    int before = beeps;
    QTest::keyClick(pane, Qt::Key_Left);
    EXPECT_EQ(beeps, before + 1);
    EXPECT_FALSE(w->statusText().isEmpty());

    // The horizontal bar moves by screens too and shows where the view lies.
    QScrollBar* hbar = pane->horizontalBar();
    const int pos = hbar->value();
    hbar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_GT(v.viewStart(), 0);
    EXPECT_GT(hbar->value(), pos);
    hbar->triggerAction(QAbstractSlider::SliderToMinimum);
    EXPECT_EQ(v.viewStart(), 0);
    EXPECT_EQ(hbar->value(), 0);

    // Last screen, then whole chart.
    frame->dispatch(303);
    EXPECT_TRUE(v.atChartEnd());
    w->handleCommand(12318);
    EXPECT_EQ(v.scale, fit);
}

TEST_F(ChartWindowTest, OptionsPageChecksStoresAndRereadsOnSort) {
    ChartWindow* w = openChart();
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(w->chartLoaded());
    auto order = w->model().signalOrder;
    ChartOptionsPage page(*frame, nullptr);
    EXPECT_TRUE(page.applyButton()->isEnabled());
    EXPECT_EQ(page.field(17927)->text(), QString::number(2 * w->params().heightUnit));

    // A value out of range: beep, warning with the page caption, focus stays there.
    boxes.clear();
    int before = beeps;
    page.field(25889)->setText("101");
    EXPECT_FALSE(page.applyNow());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "タイミングチャート");
    EXPECT_EQ(boxes[0].text, "設定値に誤りがあります(101)。");
    EXPECT_EQ(beeps, before + 1);
    // Margins as large as the width are refused; one less is taken.
    page.field(25889)->setText("0");
    page.field(25893)->setText("100");
    page.field(25890)->setText("50");
    page.field(25891)->setText("50");
    boxes.clear();
    EXPECT_FALSE(page.applyNow());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "ファイル出力サイズに対して余白が大きすぎます。");
    page.field(25890)->setText("49");

    // Sorting by name re-reads the chart: the order changes without a generation.
    page.field(17927)->setText("17");
    page.sortBox()->setChecked(true);
    ASSERT_TRUE(page.applyNow());
    EXPECT_TRUE(w->chartLoaded());
    EXPECT_NE(w->model().signalOrder, order);
    EXPECT_EQ(w->params().heightUnit, 8);  // 17 / 2
    EXPECT_TRUE(w->params().sortByName);
    // Stored in the record and in the file.
    app::UserParams again = core.params();
    ASSERT_EQ(again.read(), 0);
    EXPECT_EQ(again.record().sortSignals(), 1);
    EXPECT_EQ(again.record().chartHeightUnit(), 8);
    EXPECT_EQ(again.record().outputSize()[1], 49);

    // A changed colour is taken after Apply and reaches the painting.
    page.chooseColour = [](view::Rgb& c) {
        c = view::rgb(10, 20, 30);
        return true;
    };
    page.colourList()->setCurrentIndex(view::kColourBackground);
    page.findChild<QPushButton*>("id17672")->click();
    ASSERT_TRUE(page.applyNow());
    EXPECT_EQ(w->params().colours[view::kColourBackground], view::rgb(10, 20, 30));
    w->pane()->repaint();
    EXPECT_EQ(w->pane()->picture().pixel(w->pane()->clientWidth() - 3, w->pane()->clientHeight() - 3), qRgb(10, 20, 30));
    // Reset to the standard colours.
    page.findChild<QPushButton*>("id17673")->click();
    ASSERT_TRUE(page.applyNow());
    EXPECT_EQ(w->params().colours, view::standardChartColours());
}

TEST_F(ChartWindowTest, ApplyIsDisabledWithoutAChartWindow) {
    ChartOptionsPage page(*frame, nullptr);
    EXPECT_FALSE(page.applyButton()->isEnabled());
    // OK still stores and saves.
    page.field(17927)->setText("32");
    EXPECT_TRUE(page.apply());
    EXPECT_EQ(core.params().record().chartHeightUnit(), 16);
}

TEST_F(ChartWindowTest, MiddleButtonPansUntilPressedAgain) {
    ChartWindow* w = openChart();
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(w->chartLoaded());
    w->handleCommand(12317);
    w->handleCommand(12317);
    view::ViewState& v = w->viewState();
    ChartPane* pane = w->pane();
    const QPoint at(v.plotLeft() + 100, 60);
    QCursor::setPos(pane->mapToGlobal(at));
    QTest::mousePress(pane, Qt::MiddleButton, {}, at);
    ASSERT_TRUE(v.chartLoaded);
    if (QCursor::pos() != pane->mapToGlobal(at) - QPoint(15, 15)) GTEST_SKIP() << "the platform does not move the pointer";
    EXPECT_TRUE(pane->originMark()->isVisible());
    // The pointer to the right of the origin moves the view on, tick by tick.
    const double start = v.viewStart();
    QCursor::setPos(QCursor::pos() + QPoint(80, 0));
    for (int i = 0; i < 500 && v.viewStart() == start; ++i) QTest::qWait(10);
    EXPECT_GT(v.viewStart(), start);
    // A further press ends the mode.
    QTest::mousePress(pane, Qt::LeftButton, {}, at);
    EXPECT_FALSE(pane->originMark()->isVisible());
    const double stopped = v.viewStart();
    QTest::qWait(30);
    EXPECT_EQ(v.viewStart(), stopped);
}

TEST_F(ChartWindowTest, VerticalKeysWheelAndScrollBarMoveRows) {
    ChartWindow* w = openChart();
    ASSERT_NE(w, nullptr);
    auto* sw = qobject_cast<QMdiSubWindow*>(w->parentWidget());
    sw->resize(600, 200);  // fewer rows than signals
    QCoreApplication::processEvents();
    w->pane()->repaint();
    view::ViewState& v = w->viewState();
    ASSERT_GT(w->pane()->scrollBar()->maximum(), 0);
    QTest::keyClick(w->pane(), Qt::Key_Down);
    EXPECT_EQ(v.verticalOrigin, 1);
    EXPECT_TRUE(w->statusText().isEmpty());  // the painting text is gone after the paint
    EXPECT_EQ(w->pane()->scrollBar()->value(), 1);
    QTest::keyClick(w->pane(), Qt::Key_Up);
    EXPECT_EQ(v.verticalOrigin, 0);
    w->pane()->scrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(v.verticalOrigin, 1);
    QWheelEvent up(QPointF(50, 50), w->pane()->mapToGlobal(QPointF(50, 50)), {}, QPoint(0, 120), Qt::NoButton,
                   Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(w->pane(), &up);
    EXPECT_EQ(v.verticalOrigin, 0);
    // Keys other than the movement keys do nothing.
    QTest::keyClick(w->pane(), Qt::Key_A);
    EXPECT_EQ(v.verticalOrigin, 0);
}

// Rows scrolled off before the window grows come back: the origin is clamped into the
// new range, the picture shows the first row again and the bar shows the origin.
TEST_F(ChartWindowTest, GrowingWindowBringsBackScrolledRows) {
    ChartWindow* w = openChart();
    ASSERT_NE(w, nullptr);
    auto* sw = qobject_cast<QMdiSubWindow*>(w->parentWidget());
    sw->resize(600, 220);
    QCoreApplication::processEvents();
    w->pane()->repaint();
    view::ViewState& v = w->viewState();
    QScrollBar* bar = w->pane()->scrollBar();
    // The bar reaches every origin the keys reach, and its thumb moves the rows.
    EXPECT_EQ(bar->maximum(), v.maxVerticalOrigin());
    bar->setSliderDown(true);
    bar->setSliderPosition(2);
    bar->setSliderDown(false);
    EXPECT_EQ(v.verticalOrigin, 2);
    for (int i = 0; i < 6; ++i) QTest::keyClick(w->pane(), Qt::Key_Down);
    const int deep = v.verticalOrigin;
    ASSERT_GT(deep, 2);
    EXPECT_EQ(bar->value(), deep);

    // Painted picture of the top rows before growing: the first row's name is absent.
    sw->resize(900, 700);
    QCoreApplication::processEvents();
    w->pane()->repaint();
    EXPECT_EQ(v.verticalOrigin, 0);
    EXPECT_EQ(bar->value(), 0);
    EXPECT_EQ(bar->maximum(), 0);
    // The first row (its name at the left) is painted again near the top.
    const QImage& pic = w->pane()->picture();
    const QRgb bg = pic.pixel(pic.width() - 5, 2);
    int inked = 0;
    for (int y = 0; y < 4 * v.heightUnit; ++y)
        for (int x = 0; x < 100; ++x) inked += pic.pixel(x, y) != bg;
    EXPECT_GT(inked, 10);
}

// The horizontal bar describes the shown part: nothing to move with the whole chart,
// a thumb of the shown share after a zoom, and dragging it moves the view.
TEST_F(ChartWindowTest, HorizontalBarShowsAndMovesTheView) {
    ChartWindow* w = openChart();
    ASSERT_NE(w, nullptr);
    w->pane()->repaint();
    QScrollBar* h = w->pane()->horizontalBar();
    view::ViewState& v = w->viewState();
    EXPECT_EQ(h->maximum(), 0);
    EXPECT_FALSE(h->isEnabled());
    w->handleCommand(chartcmd::kZoomIn);
    w->handleCommand(chartcmd::kZoomIn);  // a quarter of the chart shown
    EXPECT_TRUE(h->isEnabled());
    EXPECT_NEAR(double(h->pageStep()) / (h->maximum() + h->pageStep()), 0.25, 0.01);
    EXPECT_EQ(h->value(), 0);
    h->setSliderDown(true);
    h->setSliderPosition(h->maximum());
    h->setSliderDown(false);
    EXPECT_TRUE(v.atChartEnd());
    EXPECT_EQ(h->value(), h->maximum());
    h->setSliderDown(true);
    h->setSliderPosition(h->maximum() / 2);
    h->setSliderDown(false);
    EXPECT_NEAR(v.viewStart() / v.chartDuration(), 0.375, 0.01);
    // Home and End go to the chart's ends.
    QTest::keyClick(w->pane(), Qt::Key_Home);
    EXPECT_EQ(v.viewStart(), 0);
    EXPECT_EQ(h->value(), 0);
    QTest::keyClick(w->pane(), Qt::Key_End);
    EXPECT_TRUE(v.atChartEnd());
}

// Ctrl + wheel and the + / - keys zoom around the pointer; the plain wheel still
// scrolls rows.
TEST_F(ChartWindowTest, CtrlWheelAndPlusMinusZoomAtThePointer) {
    ChartWindow* w = openChart();
    ASSERT_NE(w, nullptr);
    w->pane()->repaint();
    view::ViewState& v = w->viewState();
    const double fit = v.scale;
    const QPointF at(v.plotLeft() + 200, 40);
    const double t = v.timeAt(200 + v.plotLeft());
    QWheelEvent in(at, w->pane()->mapToGlobal(at), {}, QPoint(0, 120), Qt::NoButton, Qt::ControlModifier,
                   Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(w->pane(), &in);
    EXPECT_DOUBLE_EQ(v.scale, fit / 2);
    EXPECT_NEAR(v.timeAt(int(at.x())), t, v.scale);
    EXPECT_EQ(v.verticalOrigin, 0);
    QTest::keyClick(w->pane(), Qt::Key_Plus);
    EXPECT_DOUBLE_EQ(v.scale, fit / 4);
    QTest::keyClick(w->pane(), Qt::Key_Minus);
    QTest::keyClick(w->pane(), Qt::Key_Minus);
    EXPECT_DOUBLE_EQ(v.scale, fit);
    EXPECT_EQ(v.viewStart(), 0);
}

// A comment label shows its full text in a tooltip under the pointer; elsewhere no
// tooltip shows. The status bar names the value of the row under the cursor line.
TEST_F(ChartWindowTest, LabelTooltipsAndValueAtTheCursor) {
    ChartWindow* w = openChart();
    ASSERT_NE(w, nullptr);
    w->pane()->repaint();
    QPoint hit(-1, -1);
    for (int y = 0; y < w->pane()->clientHeight() && hit.x() < 0; y += 2)
        for (int x = 0; x < w->pane()->clientWidth(); x += 2)
            if (!w->pane()->labelAt(x, y).empty()) {
                hit = QPoint(x, y);
                break;
            }
    ASSERT_GE(hit.x(), 0) << "no comment label painted";
    EXPECT_EQ(w->pane()->labelAt(hit.x(), hit.y()).rfind("注記", 0), 0u);
    QHelpEvent tip(QEvent::ToolTip, hit, w->pane()->mapToGlobal(hit));
    QCoreApplication::sendEvent(w->pane(), &tip);
    EXPECT_EQ(QToolTip::text(), QString::fromStdString(w->pane()->labelAt(hit.x(), hit.y())));
    EXPECT_TRUE(w->pane()->labelAt(2, 2).empty());

    // Row 1 lies between 2u and 6u; its value shows in the first part.
    const view::ViewState& v = w->viewState();
    w->showCursorAt(v.plotLeft() + 100, 3 * v.heightUnit);
    QLabel* part0 = w->statusBar()->findChild<QLabel*>("part0");
    ASSERT_NE(part0, nullptr);
    EXPECT_TRUE(part0->text().contains('=')) << part0->text().toStdString();
    w->showCursorAt(5, 3 * v.heightUnit);  // left of the plot: no line, no value
    EXPECT_TRUE(part0->text().isEmpty());
}

// The chart window's rectangle is kept in the layout table and used when it opens.
TEST_F(ChartWindowTest, WindowRectangleIsKeptBetweenOpenings) {
    frame->setLayoutSaving(true);
    ChartWindow* w = openChart();
    ASSERT_NE(w, nullptr);
    auto* sw = qobject_cast<QMdiSubWindow*>(w->parentWidget());
    sw->setGeometry(12, 8, 420, 300);
    QCoreApplication::processEvents();
    app::LayoutRect r;
    ASSERT_TRUE(core.params().layout(kChartWindowGroup, kChartWindowEntry, r));
    EXPECT_EQ(r, (app::LayoutRect{12, 8, 420, 300}));
    sw->close();
    QCoreApplication::processEvents();
    w = openChart();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->parentWidget()->geometry(), QRect(12, 8, 420, 300));
}

TEST_F(ChartWindowTest, EditorAndGenerationCommands) {
    ChartWindow* w = openChart();
    ASSERT_NE(w, nullptr);
    boxes.clear();
    core.params().record().setEditorPath("");
    w->handleCommand(8194);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "ユーザ指定エディタ起動");
    EXPECT_EQ(boxes[0].text, "[オプション]でユーザー指定エディタ名を登録してください。");
    boxes.clear();
    core.params().record().setEditorPath("\"/nonexistent/folder/editor\"");
    w->handleCommand(8194);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "ユーザー指定エディタを起動できません。\n\"/nonexistent/folder/editor\"");

    // The generation button runs the frame's generation for this log and reads again.
    std::vector<std::string> runs;
    ChartWindow::setGenerator([&](const std::string& log) {
        runs.push_back(log);
        return convertLogToChart(log, base::replaceExtension(log, ".tct"));
    });
    int before = beeps;
    w->handleCommand(20488);
    ChartWindow::setGenerator({});
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0], path("Projects/demo/sig.klg"));
    EXPECT_GT(beeps, before);
    EXPECT_TRUE(w->chartLoaded());
    EXPECT_TRUE(w->button(300)->isEnabled() || !w->button(12318)->isEnabled());
}

// The installation's first sample project, copied into a fresh installation.
using SampleChartTest = FrameTest;

TEST_F(SampleChartTest, DoubleClickShowsTheFirstSampleChart) {
    namespace fs = std::filesystem;
    const fs::path from = fs::path(CHRONAVA_SAMPLES) / "SampleT1";
    ASSERT_TRUE(fs::exists(from));
    fs::create_directories(path("Projects"));
    fs::copy(from, path("Projects/SampleT1"), fs::copy_options::recursive);
    for (const auto& e : fs::directory_iterator(path("Projects/SampleT1")))
        if (e.path().extension() == ".tct") fs::remove(e.path());
    registerChartWindow(*frame);
    frame->openProject(path("Projects/SampleT1/SampleT1.nam"), false);
    frame->treeTabs()->setCurrentIndex(1);
    QTreeWidgetItem* it = itemWithData(frame->tree(), 18);
    ASSERT_NE(it, nullptr);
    emit frame->tree()->itemDoubleClicked(it, 0);
    auto* w = qobject_cast<ChartWindow*>(frame->child(kKindChart));
    ASSERT_NE(w, nullptr);
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes[0].caption, "タイミングチャート読み込み確認");
    EXPECT_TRUE(w->chartLoaded());
    EXPECT_GT(w->model().signalCount, 0);
    EXPECT_GT(w->viewState().entryCount, 0);
    w->pane()->repaint();
    EXPECT_FALSE(w->pane()->picture().isNull());
}
