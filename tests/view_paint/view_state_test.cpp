#include "view/view_state.h"

#include "model_builder.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace painttest;
using view::ViewState;

namespace {

// 20 signals over 468 s in a 600 × 400 pane: one second per pixel when fitted (the
// name column is 132 px), 12 rows per page at u = 8.
ViewState loaded(int signals = 20, int digits = 0, int seconds = 468) {
    chart::ChartModel m = makeModel(digits, seconds);
    for (int n = 1; n <= signals; ++n) {
        addSignal(m, n, "S");
        addEvent(m, n, 1, 'S', 1);
    }
    ViewState v;
    v.paneWidth = 600;
    v.paneHeight = 400;
    v.heightUnit = 8;
    v.load(m);
    return v;
}

}  // namespace

TEST(ViewState, FitShowsTheWholeChart) {
    ViewState v = loaded();
    EXPECT_DOUBLE_EQ(v.scale, 1.0);
    EXPECT_DOUBLE_EQ(v.fitScale, 1.0);
    EXPECT_EQ(v.viewStart(), 0);
    const view::ZoomButtons b = v.zoomButtons();
    EXPECT_FALSE(b.zoomOut);
    EXPECT_TRUE(b.zoomIn);
    EXPECT_FALSE(b.wholeChart);

    // A resize while the whole chart shows fits again; after a zoom the scale stays.
    v.resize(366, 400);
    EXPECT_DOUBLE_EQ(v.scale, 2.0);
    v.zoomIn();
    v.resize(600, 400);
    EXPECT_DOUBLE_EQ(v.scale, 1.0);
    EXPECT_DOUBLE_EQ(v.fitScale, 2.0);
}

TEST(ViewState, DragZoomNeedsMoreThanFourPixelsToTheRight) {
    ViewState v = loaded();
    v.leftPress(200);
    v.mouseMoveDrag(204);
    EXPECT_TRUE(v.bandShown());
    EXPECT_FALSE(v.leftRelease(204).repaint);
    EXPECT_EQ(v.dragState, 0);
    EXPECT_DOUBLE_EQ(v.scale, 1.0);

    v.leftPress(200);
    v.mouseMoveDrag(205);
    const view::NavResult r = v.leftRelease(205);
    EXPECT_TRUE(r.repaint);
    EXPECT_DOUBLE_EQ(v.scale, 5.0 / 468);
    EXPECT_DOUBLE_EQ(v.viewStart(), 68);
    EXPECT_TRUE(v.hasSavedView());
    EXPECT_EQ(*r.status, "2001/01/01 00:01:08 ～ 2001/01/01 00:01:13  [  00:00:05 ]");

    // To the left: the band goes, nothing zooms.
    ViewState w = loaded();
    w.leftPress(300);
    w.mouseMoveDrag(250);
    EXPECT_FALSE(w.leftRelease(250).repaint);
    EXPECT_DOUBLE_EQ(w.scale, 1.0);

    // A press within 5 px outside the plot starts on its edge; further out nothing.
    w.leftPress(127);
    EXPECT_EQ(w.dragAnchor, 132);
    w.leftRelease(127);
    w.leftPress(126);
    EXPECT_EQ(w.dragState, 0);
    // The right button drops a drag in progress without zooming out.
    w.leftPress(300);
    w.mouseMoveDrag(320);
    w.rightClick();
    EXPECT_EQ(w.dragState, 0);
    EXPECT_FALSE(w.leftRelease(330).repaint);
}

TEST(ViewState, ZoomOutAfterDragReturnsToTheViewBeforeIt) {
    ViewState v = loaded();
    v.zoomIn();
    v.setViewStart(37);
    v.leftPress(150);
    v.mouseMoveDrag(190);
    v.leftRelease(190);
    v.zoomIn();  // a step in drops the saved view...
    EXPECT_FALSE(v.hasSavedView());

    ViewState w = loaded();
    w.zoomIn();
    w.setViewStart(37);
    w.leftPress(150);
    w.mouseMoveDrag(190);
    w.leftRelease(190);
    w.cursorMove(400, 10);  // ...while zooming out restores it exactly, cursor or not
    EXPECT_TRUE(w.zoomOut().repaint);
    EXPECT_DOUBLE_EQ(w.scale, 0.5);
    EXPECT_DOUBLE_EQ(w.viewStart(), 37);
    EXPECT_FALSE(w.hasSavedView());
}

TEST(ViewState, ZoomStepsStopAtTheirLimits) {
    ViewState v = loaded();
    v.scale = 0.7;
    v.setViewStart(100);
    EXPECT_TRUE(v.zoomOut().repaint);
    EXPECT_DOUBLE_EQ(v.scale, v.fitScale);  // doubling past the fit lands on it
    EXPECT_EQ(v.viewStart(), 0);
    EXPECT_FALSE(v.zoomOut().repaint);

    v.scale = 0.015;
    EXPECT_TRUE(v.zoomIn().repaint);
    EXPECT_DOUBLE_EQ(v.scale, view::kMinScale);
    EXPECT_FALSE(v.zoomIn().repaint);
    EXPECT_FALSE(v.zoomButtons().zoomIn);
    EXPECT_EQ(*v.zoomToRange(200, 300).status, "これ以上拡大表示できません。");

    v.scale = 0.05;
    EXPECT_EQ(*v.zoomToRange(200, 250).status, "拡大表示できません。もう少し広い範囲をドラッグしてください。");
    EXPECT_DOUBLE_EQ(v.scale, 0.05);
    EXPECT_FALSE(v.hasSavedView());
}

TEST(ViewState, ZoomKeepsTheTimeUnderTheCursorLine) {
    ViewState v = loaded();
    const view::CursorUpdate c = v.cursorMove(332, 50);
    EXPECT_EQ(c.newX, 332);
    EXPECT_EQ(c.date, "2001/01/01");
    EXPECT_EQ(c.time, "00:03:20");
    v.zoomIn();
    EXPECT_DOUBLE_EQ(v.timeAt(132 + 234), 200);
    EXPECT_EQ(v.cursorX, -1);
    EXPECT_EQ(v.zoomCentre, -1);
    // Outside the plot the line goes.
    v.cursorMove(350, 5);
    EXPECT_EQ(v.cursorMove(50, 5).newX, -1);
    EXPECT_EQ(v.cursorX, -1);
}

TEST(ViewState, ScreenMovementAndItsEnds) {
    ViewState v = loaded();
    v.zoomIn();
    v.zoomIn();  // span 117 s of 468
    view::NavResult r = v.moveScreen(view::kScreenPrevious);
    EXPECT_TRUE(r.beep);
    EXPECT_TRUE(r.repaint);
    EXPECT_EQ(*r.status, "先頭ページ表示中です。");
    EXPECT_EQ(v.viewStart(), 0);

    r = v.moveScreen(view::kScreenNext);
    EXPECT_FALSE(r.beep);
    EXPECT_DOUBLE_EQ(v.viewStart(), 0.8 * 117);
    v.moveScreen(view::kScreenLast);
    EXPECT_DOUBLE_EQ(v.viewStart(), 468 - 117);
    EXPECT_FALSE(v.screenButtons().next);
    r = v.moveScreen(view::kScreenNext);
    EXPECT_TRUE(r.beep);
    EXPECT_EQ(*r.status, "最終ページ表示中です。");
    // Steps of 0.8 screens reach the end and then report it.
    v.moveScreen(view::kScreenFirst);
    for (int i = 0; i < 4; ++i) EXPECT_FALSE(v.moveScreen(view::kScreenNext).beep);
    EXPECT_TRUE(v.moveScreen(view::kScreenNext).beep);
    // The horizontal keys move by screens.
    v.scrollHorizontal(view::kLineUp);
    EXPECT_DOUBLE_EQ(v.viewStart(), 468 - 117 - 0.8 * 117);

    ViewState none;
    EXPECT_EQ(*none.moveScreen(view::kScreenNext).status, "ファイルを選択してください。");
    none.logSet = true;
    EXPECT_EQ(*none.scrollVertical(view::kLineDown).status, "タイミングチャートが存在しません。");
}

TEST(ViewState, VerticalScrollingByTheTable) {
    ViewState v = loaded();  // N = 21 slots, R = 12 rows
    EXPECT_TRUE(v.scrollVertical(view::kLineUp).beep);
    const view::NavResult r = v.scrollVertical(view::kLineDown);
    EXPECT_EQ(v.verticalOrigin, 1);
    EXPECT_EQ(r.paintingStatus, "タイミングチャートを表示中です。");
    v.verticalOrigin = 5;
    v.scrollVertical(view::kPageDown);
    EXPECT_EQ(v.verticalOrigin, 10);  // one past the last full page
    EXPECT_TRUE(v.scrollVertical(view::kLineDown).beep);
    v.scrollVertical(view::kPageUp);
    EXPECT_EQ(v.verticalOrigin, 0);
    v.scrollVertical(view::kBottom);
    EXPECT_EQ(v.verticalOrigin, 10);
    v.scrollVertical(view::kTop);
    EXPECT_EQ(v.verticalOrigin, 0);
    EXPECT_FALSE(v.scrollVertical(view::kThumbTrack).repaint);

    v.wheel(-120, false, false, false);
    EXPECT_EQ(v.verticalOrigin, 1);
    v.wheel(120, false, false, false);
    EXPECT_EQ(v.verticalOrigin, 0);
    v.wheel(-120, true, false, false);
    v.wheel(-120, false, false, true);
    EXPECT_EQ(v.verticalOrigin, 0);

    // A chart that fits the pane does not scroll down.
    ViewState few = loaded(3);
    EXPECT_TRUE(few.scrollVertical(view::kPageDown).beep);
}

TEST(ViewState, RangeTextSplitsTheDifference) {
    ViewState v = loaded(1, 3, 200000);
    v.paneWidth = 4000;
    v.scale = 1000;
    EXPECT_EQ(v.rangeText(132, 132 + 3661),
              "2001/01/01 00:00:00.000 ～ 2001/01/01 01:01:01.000  [  01:01:01.000 ]");
    v.scale = 90061;
    EXPECT_EQ(v.rangeText(132, 1132), "2001/01/01 00:00:00.000 ～ 2001/01/02 01:01:01.000  [ 1 01:01:01.000 ]");
}

TEST(PanMode, DirectionStepsAndEnd) {
    view::PanMode pan;
    int x = 100, y = 100;
    EXPECT_FALSE(pan.start(x, y, true));
    ASSERT_TRUE(pan.start(x, y, false));
    EXPECT_EQ(x, 85);
    EXPECT_EQ(pan.originY(), 85);
    view::PanStep s = pan.tick(87, 88);
    EXPECT_EQ(s.lines, 0);
    EXPECT_EQ(s.cursor, view::PanCursor::All);
    EXPECT_FALSE(pan.moved());
    EXPECT_FALSE(pan.endsOnPress(false));
    EXPECT_FALSE(pan.endsOnRelease(true));
    EXPECT_TRUE(pan.endsOnPress(true));
    s = pan.tick(85, 110);
    EXPECT_TRUE(s.vertical && s.forward);
    EXPECT_EQ(s.lines, 3);
    EXPECT_EQ(s.cursor, view::PanCursor::Down);
    EXPECT_TRUE(pan.moved());
    s = pan.tick(60, 88);
    EXPECT_FALSE(s.vertical || s.forward);
    EXPECT_EQ(s.cursor, view::PanCursor::Left);
    EXPECT_TRUE(pan.endsOnRelease(true));
    pan.end(x, y);
    EXPECT_FALSE(pan.active());
    EXPECT_EQ(x, 70);

    // Sideways pan steps move the view by pixels, silently at the ends.
    ViewState v = loaded();
    v.zoomIn();
    EXPECT_FALSE(v.shiftPixels(-3).repaint);
    EXPECT_TRUE(v.shiftPixels(10).repaint);
    EXPECT_DOUBLE_EQ(v.viewStart(), 5);
}

TEST(ViewState, ZoomWithoutAChartDoesNothing) {
    ViewState v;
    v.paneWidth = 600;
    EXPECT_FALSE(v.zoomIn().repaint);
    EXPECT_FALSE(v.zoomOut().repaint);
    EXPECT_FALSE(v.rightClick().repaint);
    EXPECT_DOUBLE_EQ(v.scale, 1.0);
    EXPECT_FALSE(v.zoomButtons().zoomIn);
}

// A taller pane holds more rows: the origin comes back into the range the row scrolls
// and the scroll bar reach, so no row stays out of reach.
TEST(ViewState, GrowingPaneClampsTheVerticalOrigin) {
    ViewState v = loaded(9);  // 10 slots, 12 rows per page: everything fits
    EXPECT_EQ(v.maxVerticalOrigin(), 0);
    v.resize(600, 160);  // 5 rows per page
    EXPECT_EQ(v.maxVerticalOrigin(), 6);
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(v.scrollVertical(view::kLineDown).repaint);
    EXPECT_EQ(v.verticalOrigin, 4);
    v.resize(600, 224);  // 7 rows: at most 4
    EXPECT_EQ(v.verticalOrigin, 4);
    v.resize(600, 256);  // 8 rows: at most 3
    EXPECT_EQ(v.verticalOrigin, 3);
    v.resize(600, 900);  // all rows fit
    EXPECT_EQ(v.verticalOrigin, 0);
    EXPECT_TRUE(v.scrollVertical(view::kLineUp).beep);
}

// The scroll bar thumbs: rows and time, each kept inside its range.
TEST(ViewState, ThumbsMoveRowsAndTimeWithinRange) {
    ViewState v = loaded();  // 20 signals, 12 rows per page
    EXPECT_TRUE(v.scrollRowsTo(5).repaint);
    EXPECT_EQ(v.verticalOrigin, 5);
    EXPECT_FALSE(v.scrollRowsTo(5).repaint);
    v.scrollRowsTo(1000);
    EXPECT_EQ(v.verticalOrigin, v.maxVerticalOrigin());
    v.scrollRowsTo(-3);
    EXPECT_EQ(v.verticalOrigin, 0);

    // The whole chart shown: the time thumb has nowhere to go.
    EXPECT_FALSE(v.scrollTimeTo(100).repaint);
    v.zoomIn();  // 0.5 units per pixel: 234 of 468 units shown
    EXPECT_TRUE(v.scrollTimeTo(100).repaint);
    EXPECT_DOUBLE_EQ(v.viewStart(), 100);
    v.scrollTimeTo(1e9);
    EXPECT_DOUBLE_EQ(v.viewStart(), 468 - 234);
    v.scrollTimeTo(-5);
    EXPECT_DOUBLE_EQ(v.viewStart(), 0);
    EXPECT_FALSE(v.scrollTimeTo(std::nan("")).repaint);
}

// Zooming at the pointer keeps the time under it in place; out to the fit it shows
// the whole chart again.
TEST(ViewState, ZoomAtKeepsTheTimeUnderThePointer) {
    ViewState v = loaded();  // plot from x 132, one unit per pixel
    const int x = 132 + 300;
    EXPECT_DOUBLE_EQ(v.timeAt(x), 300);
    EXPECT_TRUE(v.zoomAt(x, true).repaint);
    EXPECT_DOUBLE_EQ(v.scale, 0.5);
    EXPECT_DOUBLE_EQ(v.timeAt(x), 300);
    v.zoomAt(x, true);
    EXPECT_DOUBLE_EQ(v.timeAt(x), 300);
    const double t = v.timeAt(140);
    v.zoomAt(140, false);
    EXPECT_DOUBLE_EQ(v.timeAt(140), t);
    EXPECT_DOUBLE_EQ(v.scale, 0.5);
    v.zoomAt(x, false);
    EXPECT_DOUBLE_EQ(v.scale, 1.0);
    EXPECT_DOUBLE_EQ(v.viewStart(), 0);
    EXPECT_FALSE(v.zoomAt(x, false).repaint);  // at the fit already

    // Outside the plot the step keeps the view start where it can.
    v.zoomAt(10, true);
    EXPECT_DOUBLE_EQ(v.viewStart(), 0);
}

// The row under the pointer and its value where the cursor line crosses it.
TEST(ViewState, ValueUnderTheCursorLine) {
    chart::ChartModel m = makeModel(0, 100);
    addSignal(m, 1, "RUN");
    addSignal(m, 2, "LEVEL");
    addSignal(m, 3, "MODE");
    addEvent(m, 1, 10, 'S', 1);
    addEvent(m, 1, 20, 'S', 0);
    addEvent(m, 2, 5, 'V', 42500);
    m.displayTexts[3] = "AUTO";
    addEvent(m, 3, 30, 'D', 3);
    ViewState v;
    v.paneWidth = 600;
    v.paneHeight = 400;
    v.heightUnit = 8;
    v.load(m);
    // Rows of 32 px below a 16 px top.
    EXPECT_EQ(view::rowAt(v, 10), 0);
    EXPECT_EQ(view::rowAt(v, 16), 1);
    EXPECT_EQ(view::rowAt(v, 48), 2);
    EXPECT_EQ(view::rowAt(v, 80), 3);
    EXPECT_EQ(view::rowAt(v, 112), 0);  // below the last row
    v.verticalOrigin = 1;
    EXPECT_EQ(view::rowAt(v, 16), 2);

    EXPECT_EQ(view::valueText(m, 1, 5), "RUN=-");
    EXPECT_EQ(view::valueText(m, 1, 10), "RUN=ON");
    EXPECT_EQ(view::valueText(m, 1, 25), "RUN=OFF");
    EXPECT_EQ(view::valueText(m, 2, 50), "LEVEL=42.5%");
    EXPECT_EQ(view::valueText(m, 3, 31), "MODE=AUTO");
    EXPECT_EQ(view::valueText(m, 0, 31), "");
    EXPECT_EQ(view::valueText(m, 9, 31), "");
}
