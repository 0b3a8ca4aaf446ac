// The faster walk (index, joined edges) must draw exactly what the plain walk draws.
#include "view/painter.h"

#include "chart_generator.h"
#include "pixel_canvas.h"
#include "recording_canvas.h"

#include <gtest/gtest.h>

using namespace painttest;

TEST(FastWalk, DrawsTheSamePixelsAsTheFullWalk) {
    long fullCalls = 0, fastCalls = 0;
    for (unsigned seed : {1u, 2u, 3u}) {
        const chart::ChartModel m = generateChart(seed, 700);
        view::PaintIndex index;
        index.build(m);
        for (int setting : {view::kCommentsShown, view::kCommentsAll}) {
            view::ChartParams params;
            params.heightUnit = 8;
            params.commentDisplay = setting;
            for (double scale : {0.5, 3.0, 40.0, 900.0}) {
                for (double at : {0.0, 0.13, 0.2, 0.35, 0.5, 0.6, 0.77, 0.95, 1.0}) {
                    const double duration = 600000;
                    view::ViewState view;
                    view.paneWidth = 640;
                    view.paneHeight = 300;
                    view.load(m);
                    view.scale = std::min(scale, view.fitScale);
                    view.setViewStart(at * duration);
                    view::ViewState viewB = view;

                    PixelCanvas full(640, 300), fast(640, 300);
                    view::ChartPainter a(m, params, view::ChartPalette::from(params));
                    a.setPlainWalk(true);
                    view::ChartPainter b(m, params, view::ChartPalette::from(params));
                    b.setIndex(&index);
                    const view::PaintResult ra = a.paintScreen(full, nullptr, view);
                    const view::PaintResult rb = b.paintScreen(fast, nullptr, viewB);
                    ASSERT_EQ(ra.changed, rb.changed);

                    ASSERT_TRUE(full.pixels() == fast.pixels())
                        << "screen seed " << seed << " scale " << scale << " at " << at << " setting " << setting;

                    view::PageLayout l;
                    l.mode = view::kModeMetafile;
                    l.width = 700;
                    l.height = 320;
                    l.marginLeft = 11;
                    l.marginTop = 7;
                    l.marginRight = 13;
                    l.showScale = true;
                    l.start = at * duration;
                    l.timePerPage = scale * 500;
                    PixelCanvas pageA(700, 320), pageB(700, 320);
                    const view::PageResult pa = a.paintPage(pageA, l);
                    const view::PageResult pb = b.paintPage(pageB, l);
                    ASSERT_EQ(pa.changed, pb.changed);
                    fullCalls += long(a.eventsWalked());
                    fastCalls += long(b.eventsWalked());
                    ASSERT_TRUE(pageA.pixels() == pageB.pixels())
                        << "page seed " << seed << " scale " << scale << " at " << at << " setting " << setting;
                }
            }
        }
    }
    // The comparison is only worth something if the index did skip work.
    EXPECT_LT(fastCalls * 2, fullCalls);
}

TEST(FastWalk, SkipsTheEventsLeftOfTheView) {
    chart::ChartModel m = makeModel(0, 100000);
    addSignal(m, 1, "A");
    for (int i = 0; i < 100000; ++i) addEvent(m, 1, i, 'S', i % 2);
    view::PaintIndex index;
    index.build(m);
    view::ChartParams params;
    params.heightUnit = 8;
    view::ViewState view;
    view.paneWidth = 600;
    view.paneHeight = 200;
    view.load(m);
    view.scale = 1;
    view.setViewStart(90000);
    RecordingCanvas c(600, 200);
    view::ChartPainter p(m, params, view::ChartPalette::from(params));
    p.setIndex(&index);
    p.paintScreen(c, nullptr, view);
    // The visible events, plus those from where screen labels stop being drawn
    // (a name column left of the pane's edge) and at most one block more.
    EXPECT_LE(p.eventsWalked(), 468u + 2 * 132 + 16 + 1 + view::PaintIndex::kBlock);

    // An index built for other events is not used.
    m.events[1].pop_back();
    EXPECT_EQ(index.row(m, 1), nullptr);
}

TEST(FastWalk, JoinsTheEdgesOfOnePixelColumn) {
    chart::ChartModel m = makeModel(0, 100000);
    addSignal(m, 1, "A");
    for (int i = 0; i < 100000; ++i) addEvent(m, 1, i, 'S', i % 3 == 0);
    view::ChartParams params;
    params.heightUnit = 8;
    view::ViewState view;
    view.paneWidth = 232;
    view.paneHeight = 200;
    view.load(m);  // whole chart: 1000 events per pixel column
    view::ViewState same = view;
    RecordingCanvas plain(232, 200), joined(232, 200);
    view::ChartPainter a(m, params, view::ChartPalette::from(params));
    a.setPlainWalk(true);
    a.paintScreen(plain, nullptr, view);
    view::PaintIndex index;
    index.build(m);
    view::ChartPainter b(m, params, view::ChartPalette::from(params));
    b.setIndex(&index);
    b.paintScreen(joined, nullptr, same);
    EXPECT_GT(plain.lines(view::rgb(0, 0, 0)).size(), 100000u);
    EXPECT_LE(joined.lines(view::rgb(0, 0, 0)).size(), 3u * 101);
    EXPECT_LT(b.eventsWalked(), 100000u / 20);  // whole runs of one column are taken at once
    PixelCanvas pa(232, 200), pb(232, 200);
    for (const Op& o : plain.of(Op::Line)) pa.line(o.x1, o.y1, o.x2, o.y2, o.pen);
    for (const Op& o : joined.of(Op::Line)) pb.line(o.x1, o.y1, o.x2, o.y2, o.pen);
    EXPECT_TRUE(pa.pixels() == pb.pixels());
}
