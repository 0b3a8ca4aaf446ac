// Export of 100 GIF pages of 1600 x 900 from a 32-signal chart: rendering and encoding
// per page measured apart, and the encoding compared with ImageMagick's convert (from
// a PPM of the same pixels) and gifsicle (re-encoding our file), sizes side by side.
#include "view/gif.h"
#include "view/page_export.h"
#include "view/painter.h"
#include "view/qt/painter_canvas.h"

#include "base/files.h"
#include "base/services.h"

#include <QGuiApplication>
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>

namespace {

constexpr int kPages = 100;

void ensureApp() {
    static QGuiApplication* app = nullptr;  // never destroyed (see the paint benchmark)
    if (app) return;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "bench_export";
    static char* argv[] = {name, nullptr};
    app = new QGuiApplication(argc, argv);
    viewqt::installFontSubstitutions();
}

// 32 signals, 100,000 state changes each, a millisecond apart: 1,000 per signal per page.
const chart::ChartModel& chartModel() {
    static std::unique_ptr<chart::ChartModel> m = [] {
        auto c = std::make_unique<chart::ChartModel>();
        c->setDecimalDigits(3);
        c->commentTexts.resize(chart::kMaxComments + 1);
        c->displayTexts.resize(chart::kMaxDisplays + 1);
        const int events = 100000;
        c->start = c->displayStart = chart::ChartTime{20010101, 0, 0};
        c->end = c->displayEnd = chart::ChartTime{20010101, 100, 40};
        for (int n = 1; n <= 32; ++n) {
            c->signalNames[std::size_t(n)] = "SIGNAL" + std::to_string(n);
            c->signalDeclared[std::size_t(n)] = true;
            c->signalOrder[std::size_t(n)] = std::int16_t(n);
            ++c->signalCount;
            auto& ev = c->events[std::size_t(n)];
            ev.resize(std::size_t(events));
            for (int i = 0; i < events; ++i) {
                const long long ms = i + n;
                ev[std::size_t(i)].time = chart::ChartTime{20010101, std::int32_t(ms / 1000), double(ms % 1000)};
                ev[std::size_t(i)].kind = chart::kKindState;
                ev[std::size_t(i)].value = i % 2;
            }
        }
        c->signalSlots = 33;
        return c;
    }();
    return *m;
}

view::ExportRequest request() {
    view::ExportRequest r;
    r.mode = view::kModeGif;
    r.screen = view::ScreenMetrics{10.0, 10.0, 96};  // 160 x 90 mm = 1600 x 900 px
    r.params.outputWidth = 160;
    r.params.outputHeight = 90;
    r.params.heightUnit = 8;
    r.params.showUpperScale = true;
    r.params.pageCount = kPages;
    return r;
}

const view::PagePlan& plan() {
    static view::PagePlan p = [] {
        view::PagePlan x;
        view::planPages(chartModel(), request().params, request().screen, "bench.tct", x);
        return x;
    }();
    return p;
}

view::PageLayout layoutOf(int k) {
    const view::PagePlan& p = plan();
    view::PageLayout l;
    l.width = p.width;
    l.height = p.height;
    l.showScale = true;
    l.start = p.start + k * p.timePerPage;
    l.timePerPage = p.timePerPage;
    return l;
}

view::GifOptions gifOptions(const view::ChartPalette& p) {
    view::GifOptions o;
    o.colours = {p.background, p.signal, p.comment, p.name, p.buttonFace, p.axis, p.grid, view::rgb(0, 192, 0),
                 view::rgb(255, 255, 255), view::rgb(192, 192, 192), view::rgb(0, 160, 0)};
    return o;
}

std::string tempDir() {
    char tmpl[] = "/tmp/chronava-export-bench-XXXXXX";
    return mkdtemp(tmpl);
}

// Rendered pages, kept for the encoding benchmarks.
struct Rendered {
    std::vector<std::unique_ptr<viewqt::ImageCanvas>> pages;
    view::ChartPalette palette = view::ChartPalette::from(request().params);
    Rendered() {
        ensureApp();
        view::ChartPainter painter(chartModel(), request().params, palette);
        for (int k = 0; k < kPages; ++k) {
            pages.push_back(std::make_unique<viewqt::ImageCanvas>(plan().width, plan().height));
            painter.paintPage(*pages.back(), layoutOf(k));
            pages.back()->finish();
        }
    }
};
Rendered& rendered() {
    static Rendered r;
    return r;
}

void BaselineEncodePage(benchmark::State& state) {
    Rendered& r = rendered();
    const std::string dir = tempDir();
    std::size_t k = 0, bytes = 0;
    for (auto _ : state) {
        const std::string base = dir + "/p";
        viewqt::writeGifPage(*r.pages[k++ % kPages], gifOptions(r.palette), base);
        std::string g;
        base::readFile(base + ".gif", g);
        bytes += g.size();
    }
    state.counters["bytes_per_page"] = double(bytes) / double(k);
    std::system(("rm -rf " + dir).c_str());
}
BENCHMARK(BaselineEncodePage)->Unit(benchmark::kMillisecond);

void RenderPage(benchmark::State& state) {
    ensureApp();
    const view::ChartPalette palette = view::ChartPalette::from(request().params);
    view::ChartPainter painter(chartModel(), request().params, palette);
    int k = 0;
    for (auto _ : state) {
        viewqt::ImageCanvas page(plan().width, plan().height);
        painter.paintPage(page, layoutOf(k++ % kPages));
        benchmark::DoNotOptimize(page.finish().constBits());
    }
}
BENCHMARK(RenderPage)->Unit(benchmark::kMillisecond);

// The whole export loop of 100 pages (planning, progress, render, GIF files).
class GifWriter : public view::PageWriter {
public:
    std::unique_ptr<view::Canvas> newPage(int w, int h) override { return std::make_unique<viewqt::ImageCanvas>(w, h); }
    int writePage(view::Canvas& page, const std::string& base, const view::PageContext& ctx,
                  std::string& written) override {
        auto& image = static_cast<viewqt::ImageCanvas&>(page);
        image.finish();
        written = base + ".gif";
        return viewqt::writeGifPage(image, gifOptions(ctx.palette), base);
    }
};

void ExportHundredPages(benchmark::State& state) {
    ensureApp();
    base::RecordingServices quiet;
    base::ScopedServices installed(quiet);
    const std::string dir = tempDir();
    GifWriter w;
    view::ExportOutcome o;
    for (auto _ : state) view::exportModel(chartModel(), dir + "/bench.tct", request(), w, &o);
    state.counters["pages"] = o.pagesWritten;
    state.counters["ms_per_page"] = benchmark::Counter(double(o.pagesWritten) * double(state.iterations()),
                                                       benchmark::Counter::kIsRate | benchmark::Counter::kInvert) ;
    std::system(("rm -rf " + dir).c_str());
}
BENCHMARK(ExportHundredPages)->Unit(benchmark::kMillisecond)->Iterations(1);

double childCpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_CHILDREN, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Ten of the same pages through ImageMagick (from PPM) and gifsicle (re-encoding our
// GIF, comment dropped), against our conversion and encoding, CPU time and sizes.
void OutsideEncoders(benchmark::State& state) {
    constexpr int kSample = 10;
    Rendered& r = rendered();
    const std::string dir = tempDir();
    std::string ppmList;
    double oursCpu = 0;
    std::size_t oursBytes = 0;
    for (int k = 0; k < kSample; ++k) {
        const QImage& im = r.pages[std::size_t(k)]->image();
        std::string ppm = "P6\n" + std::to_string(im.width()) + " " + std::to_string(im.height()) + "\n255\n";
        ppm.reserve(ppm.size() + std::size_t(im.width() * im.height() * 3));
        for (int y = 0; y < im.height(); ++y) {
            const QRgb* row = reinterpret_cast<const QRgb*>(im.constScanLine(y));
            for (int x = 0; x < im.width(); ++x) {
                ppm += char(qRed(row[x]));
                ppm += char(qGreen(row[x]));
                ppm += char(qBlue(row[x]));
            }
        }
        base::writeFileAtomic(dir + "/p" + std::to_string(k) + ".ppm", ppm);
        ppmList += " " + dir + "/p" + std::to_string(k) + ".ppm";
        const auto t0 = std::clock();
        viewqt::writeGifPage(*r.pages[std::size_t(k)], gifOptions(r.palette), dir + "/o" + std::to_string(k));
        oursCpu += double(std::clock() - t0) / CLOCKS_PER_SEC;
        std::string g;
        base::readFile(dir + "/o" + std::to_string(k) + ".gif", g);
        oursBytes += g.size();
    }
    double imCpu = 0, gsCpu = 0;
    std::size_t imBytes = 0, gsBytes = 0;
    for (auto _ : state) {
        double before = childCpuSeconds();
        const bool imOk = std::system(("convert" + ppmList + " +adjoin " + dir + "/im%d.gif").c_str()) == 0;
        imCpu = childCpuSeconds() - before;
        before = childCpuSeconds();
        bool gsOk = true;
        for (int k = 0; k < kSample; ++k)
            gsOk = gsOk && std::system(("gifsicle --no-comments " + dir + "/o" + std::to_string(k) + ".gif -o " + dir +
                                        "/gs" + std::to_string(k) + ".gif")
                                           .c_str()) == 0;
        gsCpu = childCpuSeconds() - before;
        for (int k = 0; k < kSample; ++k) {
            std::string g;
            if (imOk && base::readFile(dir + "/im" + std::to_string(k) + ".gif", g)) imBytes += g.size();
            if (gsOk && base::readFile(dir + "/gs" + std::to_string(k) + ".gif", g)) gsBytes += g.size();
        }
        if (!imOk) state.counters["imagemagick_missing"] = 1;
        if (!gsOk) state.counters["gifsicle_missing"] = 1;
    }
    state.counters["ours_ms_per_page"] = 1000 * oursCpu / kSample;
    state.counters["ours_bytes_per_page"] = double(oursBytes) / kSample;
    if (imBytes) {
        state.counters["im_ms_per_page"] = 1000 * imCpu / kSample;
        state.counters["im_bytes_per_page"] = double(imBytes) / kSample;
        state.counters["ours_vs_im_time"] = oursCpu / imCpu;
        state.counters["ours_vs_im_size"] = double(oursBytes) / double(imBytes);
    }
    if (gsBytes) {
        state.counters["gifsicle_ms_per_page"] = 1000 * gsCpu / kSample;
        state.counters["gifsicle_bytes_per_page"] = double(gsBytes) / kSample;
        state.counters["ours_vs_gifsicle_time"] = oursCpu / gsCpu;
        state.counters["ours_vs_gifsicle_size"] = double(oursBytes) / double(gsBytes);
    }
    std::system(("rm -rf " + dir).c_str());
}
BENCHMARK(OutsideEncoders)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
