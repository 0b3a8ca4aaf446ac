#include "view/painter.h"

#include "base/services.h"
#include "model_builder.h"
#include "recording_canvas.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <random>

using namespace painttest;
using painttest::Op;

namespace {

constexpr view::Rgb kBlack = view::rgb(0, 0, 0);

// A 600 × 400 pane over a chart of 468 s at whole seconds: with the 132-px name
// column one pixel is one second, so an event at t s lies at x = 132 + t. Rows are
// 4u = 32 px high: row 1 has its high level at y 24 and its low level at y 40.
struct Fixture {
    chart::ChartModel model = makeModel(0, 468);
    view::ChartParams params;
    view::ViewState view;
    RecordingCanvas pane{600, 400};

    Fixture() {
        params.heightUnit = 8;
        addSignal(model, 1, "A");
    }
    view::PaintResult paint() {
        view.paneWidth = 600;
        view.paneHeight = 400;
        if (!view.chartLoaded) view.load(model);
        view::ChartPainter painter(model, params, view::ChartPalette::from(params));
        return painter.paintScreen(pane, nullptr, view);
    }
    // A page frame (software clipping) with the same geometry as the screen.
    view::PaintFrame page(double viewStart = 0, double scale = 1) const {
        view::PaintFrame f;
        f.mode = view::kModeMetafile;
        f.u = 8;
        f.nameWidth = f.plotLeft = 132;
        f.plotRight = 600;
        f.rowsTop = 8;
        f.rowsBottom = 8 + model.signalSlots * 32;
        f.paneBottom = 400;
        f.viewStart = viewStart;
        f.scale = scale;
        return f;
    }
};

}  // namespace

TEST(Painter, StateRowDrawsLevelsEdgesAndExtendsToChartEnd) {
    Fixture t;
    addEvent(t.model, 1, 10, 'S', 1);
    addEvent(t.model, 1, 20, 'S', 0);
    const view::PaintResult r = t.paint();
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.changed);
    const auto lines = t.pane.lines(kBlack);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_TRUE(t.pane.hasLine(132, 40, 142, 40));
    EXPECT_TRUE(t.pane.hasLine(142, 40, 142, 24));
    EXPECT_TRUE(t.pane.hasLine(142, 24, 152, 24));
    EXPECT_TRUE(t.pane.hasLine(152, 24, 152, 40));
    EXPECT_TRUE(t.pane.hasLine(152, 40, 600, 40));
    // The plot is clipped on screen and the clip is removed afterwards.
    const auto clips = t.pane.of(Op::Clip);
    ASSERT_FALSE(clips.empty());
    EXPECT_EQ(clips.back().x1, 132);
    EXPECT_EQ(clips.back().x2, 600);
    EXPECT_EQ(t.pane.ops.back().kind, Op::ClearClip);
}

TEST(Painter, NamesAndNameColumnFollowTheVisibleRows) {
    Fixture t;
    addSignal(t.model, 2, "信号名");                 // 6 bytes in CP932
    addSignal(t.model, 3, "ABCDEFGHIJKLMNOPQRSTU");  // 21 bytes
    t.paint();
    EXPECT_EQ(t.view.nameWidth, 60 + 6 * 21 + 18);
    const Op* a = t.pane.findText("A");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->x1, 60);
    EXPECT_EQ(a->y1, 32);  // row top 16 + 2u
    ASSERT_NE(t.pane.findText("信号名"), nullptr);
    EXPECT_EQ(t.pane.findText("信号名")->y1, 64);

    // Scrolled past the long name, the column narrows to the rows still shown...
    Fixture s;
    addSignal(s.model, 2, "ABCDEFGHIJKLMNOPQRSTU");
    addSignal(s.model, 3, "信号名");
    s.view.load(s.model);
    s.view.verticalOrigin = 3;
    s.paint();
    EXPECT_EQ(s.view.nameWidth, view::kMinNameColumn);
    // ...while fitting measures every signal.
    EXPECT_EQ(s.view.fitNameWidth, 60 + 6 * 21 + 18);
}

TEST(Painter, NothingIsDrawnWithoutSignalSlotsOrForARowWithoutEvents) {
    Fixture t;
    t.model.signalSlots = 0;
    EXPECT_EQ(t.paint().status, -1);
    EXPECT_TRUE(t.pane.ops.empty());

    Fixture e;
    addSignal(e.model, 2, "B");
    addEvent(e.model, 2, 10, 'S', 1);
    e.paint();
    // Row 1 (y 16..48) has no events: not even a baseline.
    for (const Op& o : e.pane.lines(kBlack)) EXPECT_GE(std::min(o.y1, o.y2), 48);
}

TEST(Painter, ValueRowsScaleToTheRowAndDrawTheirGuideLines) {
    Fixture t;
    addEvent(t.model, 1, 10, 'V', 100000);
    addEvent(t.model, 1, 30, 'V', 0);
    addEvent(t.model, 1, 40, 'V', 50000);
    t.paint();
    EXPECT_TRUE(t.pane.hasLine(142, 24, 162, 40));  // 100 % on the high level, 0 % on the low
    EXPECT_TRUE(t.pane.hasLine(162, 40, 172, 32));
    const auto base = t.pane.lines(view::rgb(0, 192, 0));
    ASSERT_EQ(base.size(), 1u);
    EXPECT_TRUE(base[0].x1 == 132 && base[0].y1 == 40 && base[0].x2 == 600);
    const auto full = t.pane.lines(view::rgb(0, 160, 0));
    ASSERT_EQ(full.size(), 1u);
    EXPECT_EQ(full[0].pen.style, view::PenStyle::Dotted);
    EXPECT_EQ(full[0].y1, 24);
    // Value rows are not extended to the chart end.
    EXPECT_FALSE(t.pane.hasLine(172, 32, 600, 32));

    Fixture off;
    off.params.show100Line = false;
    addEvent(off.model, 1, 10, 'V', 100000);
    off.paint();
    EXPECT_TRUE(off.pane.lines(view::rgb(0, 160, 0)).empty());
}

TEST(Painter, GraphBarsAndPulsesTakeTheirWidthFromCodeAndUnit) {
    Fixture g;
    addEvent(g.model, 1, 10, 'G', 50000);  // 50 %, code 0: no duration
    addEvent(g.model, 1, 50, 'G', 100021); // 100 %, code 21: 2 × 10 s
    g.paint();
    EXPECT_TRUE(g.pane.hasLine(142, 40, 142, 32));
    EXPECT_TRUE(g.pane.hasLine(142, 32, 142, 40));
    EXPECT_TRUE(g.pane.hasLine(182, 24, 202, 24));
    EXPECT_TRUE(g.pane.hasLine(202, 24, 202, 40));

    // Milliseconds in a microsecond chart: value × 1000 units. At 1000 units per pixel
    // a 2 ms pulse is 2 px wide and a 3000 µs pulse 3 px.
    chart::ChartModel m = makeModel(6, 1);
    addSignal(m, 1, "P");
    addEvent(m, 1, 10000, 'P', 2, 0, 1);
    addEvent(m, 1, 50000, 'P', 3000, 0, 2);
    view::ChartParams params;
    params.heightUnit = 8;
    view::ChartPainter painter(m, params, view::ChartPalette::from(params));
    RecordingCanvas c(600, 400);
    Fixture geometry;
    geometry.model = m;
    painter.drawRows(c, geometry.page(0, 1000));
    EXPECT_TRUE(c.hasLine(142, 24, 144, 24));
    EXPECT_TRUE(c.hasLine(144, 24, 144, 40));
    EXPECT_TRUE(c.hasLine(182, 24, 185, 24));

    // Milliseconds in a whole-second chart: value / 1000.
    Fixture s;
    addEvent(s.model, 1, 10, 'P', 5000, 0, 1);
    s.paint();
    EXPECT_TRUE(s.pane.hasLine(142, 24, 147, 24));
}

TEST(Painter, DisplayMarksDrawAnArrowAndTheirText) {
    Fixture t;
    t.model.displayTexts[1] = "IDLE";
    addEvent(t.model, 1, 10, 'D', 1);
    t.paint();
    EXPECT_TRUE(t.pane.hasLine(142, 24, 142, 32));
    EXPECT_TRUE(t.pane.hasLine(139, 30, 143, 32));
    EXPECT_TRUE(t.pane.hasLine(141, 32, 145, 30));  // lines run left to right
    const Op* text = t.pane.findText("IDLE");
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->x1, 142);
    EXPECT_EQ(text->y1, 10);
}

TEST(Painter, LabelSettingsAndTheWidestLabelFill) {
    auto run = [](int setting) {
        auto t = std::make_unique<Fixture>();
        t->params.commentDisplay = setting;
        addEvent(t->model, 1, 10, 'S', 1, addComment(t->model, 1, "LONGLABEL"));
        addEvent(t->model, 1, 100, 'S', 0, addComment(t->model, 2, "AB"));
        t->paint();
        return t;
    };
    auto shown = run(view::kCommentsShown);
    const auto fills = shown->pane.of(Op::Fill);
    ASSERT_EQ(fills.size(), 2u);
    EXPECT_EQ(fills[0].x1, 140);
    EXPECT_EQ(fills[0].y1, 10);
    EXPECT_EQ(fills[0].x2, 142 + 54);
    EXPECT_EQ(fills[0].y2, 22);
    // The short label clears as wide as the long one before it.
    EXPECT_EQ(fills[1].x1, 230);
    EXPECT_EQ(fills[1].x2, 232 + 54);
    EXPECT_EQ(shown->pane.findText("AB")->y1, 26);
    EXPECT_EQ(shown->pane.findText("AB")->color, view::rgb(192, 0, 0));

    auto all = run(view::kCommentsAll);
    EXPECT_TRUE(all->pane.of(Op::Fill).empty());
    EXPECT_NE(all->pane.findText("LONGLABEL"), nullptr);

    auto hidden = run(view::kCommentsHidden);
    EXPECT_EQ(hidden->pane.findText("LONGLABEL"), nullptr);
    EXPECT_EQ(hidden->pane.findText("AB"), nullptr);
}

TEST(Painter, PagesClipInSoftware) {
    Fixture t;
    addEvent(t.model, 1, 460, 'S', 1, addComment(t.model, 1, "ABCDEFGHIJ"));
    view::ChartPainter painter(t.model, t.params, view::ChartPalette::from(t.params));
    RecordingCanvas c(600, 400);
    painter.drawRows(c, t.page());
    // A label crossing the right edge is moved left to end there.
    const Op* text = c.findText("ABCDEFGHIJ");
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->x1, 540);

    // Whatever the view, lines stay inside the plot and the rows.
    std::mt19937 rng(7);
    chart::ChartModel m = makeModel(3, 100);
    for (int n = 1; n <= 3; ++n) {
        addSignal(m, n, "S" + std::to_string(n));
        double at = 0;
        for (int i = 0; i < 200; ++i) {
            at += double(rng() % 2000);
            const char kinds[] = {'S', 'P', 'G', 'V', 'D'};
            const char k = kinds[n == 1 ? 0 : rng() % 5];
            addEvent(m, n, at, k, int(rng() % 100001), 0, k == 'P' ? 1 + int(rng() % 2) : 0);
        }
    }
    view::ChartPainter p2(m, t.params, view::ChartPalette::from(t.params));
    for (double start : {-5000.0, 0.0, 33333.0, 150000.0}) {
        for (double scale : {0.01, 7.0, 300.0, 5000.0}) {
            RecordingCanvas pc(600, 400);
            Fixture g;
            g.model = m;
            view::PaintFrame f = g.page(start, scale);
            p2.drawRows(pc, f);
            for (const Op& o : pc.of(Op::Line)) {
                ASSERT_GE(std::min(o.x1, o.x2), f.plotLeft);
                ASSERT_LE(std::max(o.x1, o.x2), f.plotRight);
                ASSERT_GE(std::min(o.y1, o.y2), f.rowsTop);
                ASSERT_LE(std::max(o.y1, o.y2), f.rowsBottom);
            }
        }
    }
}

TEST(Painter, ChangedFlagTellsWhetherAnEventLiesInThePlot) {
    chart::ChartModel m = makeModel(0, 2000);
    addSignal(m, 1, "A");
    addEvent(m, 1, 10, 'S', 1);
    addEvent(m, 1, 1500, 'S', 0);
    view::ChartParams params;
    params.heightUnit = 8;
    view::ChartPainter painter(m, params, view::ChartPalette::from(params));
    Fixture g;
    g.model = m;
    RecordingCanvas c(600, 400);
    EXPECT_FALSE(painter.drawRows(c, g.page(600, 1)));  // view 600..1068 s: no event
    EXPECT_TRUE(c.hasLine(132, 24, 600, 24));            // the level still runs through
    RecordingCanvas d(600, 400);
    EXPECT_TRUE(painter.drawRows(d, g.page(1200, 1)));
}

namespace {

std::string bmp24(int w, int h, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    const int stride = (w * 3 + 3) / 4 * 4;
    std::string s(54 + std::size_t(stride) * h, '\0');
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) s[at + i] = char(v >> (8 * i));
    };
    s[0] = 'B';
    s[1] = 'M';
    put32(2, std::uint32_t(s.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, std::uint32_t(w));
    put32(22, std::uint32_t(h));
    s[26] = 1;
    s[28] = 24;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const std::size_t at = 54 + std::size_t(y) * stride + std::size_t(x) * 3;
            s[at] = char(b), s[at + 1] = char(g), s[at + 2] = char(r);
        }
    return s;
}

std::string tempFolder() {
    char tmpl[] = "/tmp/chronava-paint-XXXXXX";
    return mkdtemp(tmpl);
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

}  // namespace

TEST(Painter, ImageLabelsCopyBitmapsAndReportBadFiles) {
    const std::string dir = tempFolder();
    writeFile(dir + "/pic.bmp", bmp24(5, 3, 10, 20, 30));
    writeFile(dir + "/text.bmp", "hello, not a bitmap");
    base::RecordingServices rec;
    base::ScopedServices scope(rec);

    Fixture t;
    addEvent(t.model, 1, 10, 'S', 1, addComment(t.model, 1, "<IMG src=pic.bmp>"));
    addEvent(t.model, 1, 20, 'S', 0, addComment(t.model, 2, "<img src=nope.bmp>"));
    addEvent(t.model, 1, 30, 'S', 1, addComment(t.model, 3, "<Img Src=text.bmp>"));
    view::ChartPainter painter(t.model, t.params, view::ChartPalette::from(t.params));
    painter.setProjectFolder(dir);
    RecordingCanvas c(600, 400);
    view::PaintFrame f = t.page(12, 1);  // the first event lands 2 px left of the plot
    f.mode = view::kModeGif;
    painter.drawRows(c, f);
    const auto bitmaps = c.of(Op::Bitmap);
    ASSERT_EQ(bitmaps.size(), 1u);
    EXPECT_EQ(bitmaps[0].x1, 132);      // cut at the plot's left edge
    EXPECT_EQ(bitmaps[0].y1, 24 - 2 - 3);  // lower edge 2 px above the level
    EXPECT_EQ(bitmaps[0].part.left, 2);
    EXPECT_TRUE(painter.imageDrawn());
    ASSERT_EQ(rec.messages.size(), 2u);
    EXPECT_EQ(rec.messages[0].second, "イメージファイルが存在しません。" + dir + "/nope.bmp");
    EXPECT_EQ(rec.messages[1].second, "イメージファイルがBITMAPではありません。" + dir + "/text.bmp");
    EXPECT_EQ(c.findText("<img src=nope.bmp>"), nullptr);
    std::system(("rm -rf " + dir).c_str());
}

TEST(Painter, ScreenPaintAppliesZoomCentreAndViewEnd) {
    Fixture t;
    addEvent(t.model, 1, 10, 'S', 1);
    t.view.paneWidth = 600;
    t.view.paneHeight = 400;
    t.view.load(t.model);
    t.view.scale = 0.5;
    t.view.setViewStart(200);
    t.view.zoomCentre = 100;
    t.paint();
    EXPECT_DOUBLE_EQ(t.view.viewStart(), 200 + 100 * 0.5 - 468 * 0.5 / 2);
    t.view.zoomCentre = -1;
    t.view.setViewStart(300);
    const view::PaintResult r = t.paint();
    EXPECT_DOUBLE_EQ(t.view.viewStart(), 468 - 234);
    EXPECT_TRUE(r.screenButtons.previous);
    EXPECT_FALSE(r.screenButtons.next);
    EXPECT_EQ(r.vScrollMax, 0);
}

TEST(Painter, RulerStripAndTimeAxisStayOverThePlot) {
    Fixture t;
    addEvent(t.model, 1, 10, 'S', 1);
    view::ChartPainter painter(t.model, t.params, view::ChartPalette::from(t.params));
    RecordingCanvas strip(600, 32);
    const view::PaintFrame f = t.page(0, 1);
    painter.drawRulerStrip(strip, view::Rect{0, 0, 600, 32}, f);
    ASSERT_FALSE(strip.ops.empty());
    EXPECT_EQ(strip.ops[0].kind, Op::Fill);
    EXPECT_TRUE(strip.hasLine(0, 0, 600, 0));
    EXPECT_TRUE(strip.hasLine(0, 31, 600, 31));
    std::size_t ticks = 0;
    for (const Op& o : strip.of(Op::Line)) {
        if (o.y1 == 0 || o.y1 == 31) continue;
        ++ticks;
        EXPECT_EQ(o.y2, 31);
        EXPECT_TRUE(o.y1 == 26 || o.y1 == 16) << o.y1;
        EXPECT_GE(o.x1, 132);
    }
    EXPECT_GT(ticks, 0u);
    EXPECT_NE(strip.findText("00"), nullptr);  // a label per labelled second

    RecordingCanvas pane(600, 400);
    painter.drawTimeAxis(pane, 48, f);
    EXPECT_TRUE(pane.hasLine(132, 48, 600, 48));
    EXPECT_TRUE(pane.hasLine(132, 49, 600, 49));
    EXPECT_FALSE(pane.lines(view::rgb(192, 192, 192)).empty());  // the dotted grid
    for (const Op& o : pane.of(Op::Line)) {
        EXPECT_GE(std::min(o.x1, o.x2), 132);
        EXPECT_LE(std::max(o.y1, o.y2), 53);
    }
}

TEST(Painter, ExportPagesPlaceEverythingByTheirMargins) {
    Fixture t;
    addEvent(t.model, 1, 10, 'S', 1);
    view::ChartPainter painter(t.model, t.params, view::ChartPalette::from(t.params, true));
    view::PageLayout l;
    l.width = 700;
    l.height = 300;
    l.marginLeft = 20;
    l.marginTop = 10;
    l.marginRight = 48;
    l.showScale = true;
    l.timePerPage = 500;  // 500 units over a 500-px plot
    RecordingCanvas page(700, 300);
    view::PageResult r = painter.paintPage(page, l);
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.changed);
    EXPECT_EQ(r.plotWidth, 500);
    const Op* name = page.findText("A");
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->x1, 80);
    EXPECT_EQ(name->y1, 10 + 32 + 16 + 16);
    // Row 1's rise at t = 10: x = 132 + 20 + 10, high level 10 + 32 + 24.
    EXPECT_TRUE(page.hasLine(162, 10 + 32 + 40, 162, 10 + 32 + 24));
    EXPECT_EQ(page.ops[0].kind, Op::Fill);
    EXPECT_EQ(page.ops[0].color, view::rgb(255, 255, 255));  // monochrome
    for (const Op& o : page.lines(view::rgb(0, 0, 0))) {
        EXPECT_GE(std::min(o.x1, o.x2), 152);
        EXPECT_LE(std::max(o.x1, o.x2), 652);
    }

    l.width = 20 + 132 + 48 + 9;
    RecordingCanvas narrow(l.width, 300);
    EXPECT_EQ(painter.paintPage(narrow, l).status, -6);
}
