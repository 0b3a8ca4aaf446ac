// Painting a large chart into a 1600 × 900 image: the first, a middle and the last
// screen at the zoom that shows a small chart whole, and the large chart fully zoomed
// out, against the first screen of the small chart. "Walk" variants start every row
// at its first event; the others use the paint index.
#include "view/painter.h"
#include "view/qt/painter_canvas.h"

#include "chart/chart_time.h"

#include <QGuiApplication>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>

namespace {

constexpr int kWidth = 1600, kHeight = 900, kRuler = 32;

void ensureApp() {
    // Never destroyed: tearing it down from a static destructor crashes at exit.
    static QGuiApplication* app = nullptr;
    if (app) return;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "bench_view_paint";
    static char* argv[] = {name, nullptr};
    app = new QGuiApplication(argc, argv);
    viewqt::installFontSubstitutions();
}

// 32 signals of `events` state changes each (no labels), one millisecond apart,
// staggered per signal.
std::unique_ptr<chart::ChartModel> makeChart(int events) {
    auto m = std::make_unique<chart::ChartModel>();
    m->setDecimalDigits(3);
    m->commentTexts.resize(chart::kMaxComments + 1);
    m->displayTexts.resize(chart::kMaxDisplays + 1);
    const std::int32_t date = 20010101;
    m->start = m->displayStart = chart::ChartTime{date, 0, 0};
    const long long lastMs = events + 40;
    m->end = m->displayEnd = chart::ChartTime{date, std::int32_t(lastMs / 1000), double(lastMs % 1000)};
    for (int n = 1; n <= 32; ++n) {
        m->signalNames[std::size_t(n)] = "SIGNAL" + std::to_string(n);
        m->signalDeclared[std::size_t(n)] = true;
        m->signalOrder[std::size_t(n)] = std::int16_t(n);
        ++m->signalCount;
        auto& ev = m->events[std::size_t(n)];
        ev.resize(std::size_t(events));
        for (int i = 0; i < events; ++i) {
            const long long ms = i + n;
            chart::ChartEvent& e = ev[std::size_t(i)];
            e.time = chart::ChartTime{date, std::int32_t(ms / 1000), double(ms % 1000)};
            e.kind = chart::kKindState;
            e.value = i % 2;
            e.commentNo = 0;
        }
    }
    m->signalSlots = 33;
    return m;
}

struct Charts {
    std::unique_ptr<chart::ChartModel> small = makeChart(1000);
    std::unique_ptr<chart::ChartModel> large = makeChart(1000000);
    view::PaintIndex smallIndex, largeIndex;
    Charts() {
        smallIndex.build(*small);
        largeIndex.build(*large);
    }
};

Charts& charts() {
    static Charts c;
    return c;
}

// where: 0 first screen, 1 middle, 2 last screen, 3 fully zoomed out.
void paint(benchmark::State& state, bool large, int where, bool indexed) {
    ensureApp();
    Charts& c = charts();
    const chart::ChartModel& m = large ? *c.large : *c.small;
    view::ChartParams params;
    params.heightUnit = 8;
    view::ViewState view;
    view.paneWidth = kWidth;
    view.paneHeight = kHeight - kRuler;
    view.load(m);
    if (where != 3) {
        // The zoom at which the small chart fits.
        view::ViewState small;
        small.paneWidth = kWidth;
        small.paneHeight = kHeight - kRuler;
        small.load(*c.small);
        view.scale = small.fitScale;
        const double end = view.chartDuration() - view.span();
        view.setViewStart(where == 0 ? 0 : where == 1 ? end / 2 : end);
    }
    for (auto _ : state) {
        viewqt::ImageCanvas pane(kWidth, kHeight - kRuler), ruler(kWidth, kRuler);
        view::ChartPainter p(m, params, view::ChartPalette::from(params));
        if (indexed) p.setIndex(large ? &c.largeIndex : &c.smallIndex);
        p.fillBackground(pane);
        p.paintScreen(pane, &ruler, view);
        benchmark::DoNotOptimize(pane.finish().constBits());
    }
}

void BaselineSmallFirstScreen(benchmark::State& s) { paint(s, false, 0, true); }
void LargeFirstScreen(benchmark::State& s) { paint(s, true, 0, true); }
void LargeMiddle(benchmark::State& s) { paint(s, true, 1, true); }
void LargeLastScreen(benchmark::State& s) { paint(s, true, 2, true); }
void LargeZoomedOut(benchmark::State& s) { paint(s, true, 3, true); }
void WalkLargeMiddle(benchmark::State& s) { paint(s, true, 1, false); }
void WalkLargeLastScreen(benchmark::State& s) { paint(s, true, 2, false); }

BENCHMARK(BaselineSmallFirstScreen)->Unit(benchmark::kMillisecond);
BENCHMARK(LargeFirstScreen)->Unit(benchmark::kMillisecond);
BENCHMARK(LargeMiddle)->Unit(benchmark::kMillisecond);
BENCHMARK(LargeLastScreen)->Unit(benchmark::kMillisecond);
BENCHMARK(LargeZoomedOut)->Unit(benchmark::kMillisecond);
BENCHMARK(WalkLargeMiddle)->Unit(benchmark::kMillisecond);
BENCHMARK(WalkLargeLastScreen)->Unit(benchmark::kMillisecond);

}  // namespace
