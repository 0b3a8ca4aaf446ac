// GIF pages: rendering a chart-like page, converting and encoding it, against giflib
// (the baseline, same pixels, same process) and ImageMagick (from PPM files, one
// process for all pages, its CPU time taken from the child's usage).
#include "base/files.h"
#include "view/gif.h"
#include "view/qt/painter_canvas.h"

#include <QGuiApplication>
#include <benchmark/benchmark.h>
#include <gif_lib.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <random>
#include <sys/resource.h>
#include <unistd.h>

using namespace view;

namespace {

constexpr int kW = 1600, kH = 900, kSignals = 32;
// Distinct pages kept in memory (5.8 MB each); the benchmarks cycle through them.
constexpr unsigned kPagesHeld = 16;

const ChartColours kColours{rgb(255, 251, 240), rgb(0, 0, 0),     rgb(192, 0, 0),   rgb(0, 0, 192),
                            rgb(212, 208, 200), rgb(0, 255, 255), rgb(192, 192, 192), rgb(0, 192, 0),
                            rgb(255, 255, 255), rgb(192, 192, 192), rgb(0, 160, 0)};

void ensureApp() {
    // Never destroyed: tearing the application down from a static destructor runs
    // after Qt's own globals are gone and crashes at exit.
    static QGuiApplication* app = nullptr;
    if (app) return;
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char name[] = "bench_view";
    static char* argv[] = {name, nullptr};
    app = new QGuiApplication(argc, argv);
}

// A page like a chart's: ruler strip, names, 32 rows of state changes with labels,
// the time axis with its dotted grid.
void renderPage(Canvas& c, unsigned seed) {
    std::mt19937 rng(seed);
    const Font font{"ＭＳ ゴシック", 12, 6};
    c.fillRect(Rect{0, 0, kW, kH}, kColours[0]);
    c.fillRect(Rect{0, 0, kW, 32}, kColours[4]);
    c.line(0, 0, kW, 0, Pen{kColours[8]});
    c.line(0, 31, kW, 31, Pen{rgb(128, 128, 128)});
    for (int x = 200; x < kW; x += 100) {
        c.line(x, 16, x, 31, Pen{rgb(128, 128, 128)});
        c.text(x + 2, 2, "12:" + std::to_string(x / 100) + "0", font, kColours[1]);
    }
    const int u = 6, top = 32 + 2 * u;
    for (int s = 0; s < kSignals; ++s) {
        const int y0 = top + s * 4 * u, yH = y0 + u, yL = y0 + 3 * u;
        c.text(60, y0 + 2 * u - 12, "SIGNAL_" + std::to_string(s), font, kColours[3]);
        int x = 200, y = yL;
        while (x < kW) {
            const int nx = x + 4 + int(rng() % 80);
            c.line(x, y, std::min(nx, kW), y, Pen{kColours[1]});
            if (nx >= kW) break;
            const int ny = y == yL ? yH : yL;
            c.line(nx, y, nx, ny, Pen{kColours[1]});
            if (rng() % 6 == 0) c.text(nx, ny - 14, "ev" + std::to_string(rng() % 1000), font, kColours[2]);
            x = nx;
            y = ny;
        }
    }
    const int axis = top + kSignals * 4 * u;
    c.line(200, axis, kW, axis, Pen{kColours[5]});
    c.line(200, axis + 1, kW, axis + 1, Pen{kColours[5]});
    for (int x = 200; x < kW; x += 100) c.line(x, top, x, axis, Pen{kColours[6], PenStyle::Dotted});
}

struct Pages {
    std::vector<QImage> images;
    double renderSeconds = 0;
};

const Pages& pages() {
    static Pages p;
    if (!p.images.empty()) return p;
    ensureApp();
    const auto t0 = std::chrono::steady_clock::now();
    for (unsigned k = 0; k < kPagesHeld; ++k) {
        viewqt::ImageCanvas c(kW, kH);
        renderPage(c, k);
        p.images.push_back(c.finish());
    }
    p.renderSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    return p;
}

RasterView rasterOf(const QImage& im) {
    return RasterView{reinterpret_cast<const std::uint32_t*>(im.constBits()), im.width(), im.height(),
                      std::ptrdiff_t(im.bytesPerLine() / 4)};
}

struct Indexed {
    Palette palette;
    std::vector<std::uint8_t> indices;
};

const std::vector<Indexed>& indexedPages() {
    static std::vector<Indexed> v;
    if (!v.empty()) return v;
    for (const QImage& im : pages().images) {
        Indexed x{chartPalette(kColours), {}};
        convertPixels(rasterOf(im), PaletteKind::ChartColours, x.palette, x.indices);
        v.push_back(std::move(x));
    }
    return v;
}

int toMemory(GifFileType* gif, const GifByteType* data, int n) {
    static_cast<std::string*>(gif->UserData)->append(reinterpret_cast<const char*>(data), std::size_t(n));
    return n;
}

// giflib's encoder on the same indices and palette.
std::size_t giflibEncode(const Indexed& page, std::string& out) {
    out.clear();
    int err = 0;
    GifFileType* gif = EGifOpen(&out, toMemory, &err);
    GifColorType colours[256];
    for (int i = 0; i < 256; ++i) colours[i] = GifColorType{page.palette[std::size_t(i)].r, page.palette[std::size_t(i)].g,
                                                            page.palette[std::size_t(i)].b};
    ColorMapObject* map = GifMakeMapObject(256, colours);
    EGifPutScreenDesc(gif, kW, kH, 8, 0, map);
    EGifPutImageDesc(gif, 0, 0, kW, kH, false, nullptr);
    for (int y = 0; y < kH; ++y)
        EGifPutLine(gif, const_cast<GifPixelType*>(page.indices.data() + std::size_t(y) * kW), kW);
    EGifCloseFile(gif, &err);
    GifFreeMapObject(map);
    return out.size();
}

void BaselineGiflibEncode(benchmark::State& state) {
    const auto& p = indexedPages();
    std::string out;
    std::size_t k = 0, bytes = 0, n = 0;
    for (auto _ : state) {
        bytes += giflibEncode(p[k++ % p.size()], out);
        ++n;
    }
    state.counters["bytes_per_page"] = double(bytes) / double(n);
}
BENCHMARK(BaselineGiflibEncode)->Unit(benchmark::kMillisecond);

void GifEncode(benchmark::State& state) {
    const auto& p = indexedPages();
    std::string out;
    std::size_t k = 0, bytes = 0, n = 0;
    for (auto _ : state) {
        const Indexed& x = p[k++ % p.size()];
        encodeGif(kW, kH, x.palette, x.indices, out);
        bytes += out.size();
        ++n;
    }
    state.counters["bytes_per_page"] = double(bytes) / double(n);
}
BENCHMARK(GifEncode)->Unit(benchmark::kMillisecond);

void GifConvertPixels(benchmark::State& state) {
    const auto& p = pages();
    std::vector<std::uint8_t> idx;
    std::size_t k = 0;
    for (auto _ : state) {
        Palette pal = chartPalette(kColours);
        convertPixels(rasterOf(p.images[k++ % p.images.size()]), PaletteKind::ChartColours, pal, idx);
        benchmark::DoNotOptimize(idx.data());
    }
}
BENCHMARK(GifConvertPixels)->Unit(benchmark::kMillisecond);

void GifWritePageFile(benchmark::State& state) {
    const auto& p = pages();
    char tmpl[] = "/tmp/chronava-bench-XXXXXX";
    const std::string dir = mkdtemp(tmpl);
    GifOptions o;
    o.colours = kColours;
    std::size_t k = 0;
    for (auto _ : state) benchmark::DoNotOptimize(writeGif(rasterOf(p.images[k++ % p.images.size()]), o, dir + "/page"));
    base::removeFile(dir + "/page.gif");
    rmdir(dir.c_str());
}
BENCHMARK(GifWritePageFile)->Unit(benchmark::kMillisecond);

void RenderPage(benchmark::State& state) {
    ensureApp();
    unsigned k = 0;
    for (auto _ : state) {
        viewqt::ImageCanvas c(kW, kH);
        renderPage(c, k++);
        benchmark::DoNotOptimize(c.finish().constBits());
    }
}
BENCHMARK(RenderPage)->Unit(benchmark::kMillisecond);

double childCpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_CHILDREN, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// ImageMagick turns ten PPM pages into GIFs in one process; compared with our
// conversion and encoding of the same ten pages, timed here on the same pixels.
void ImageMagickFromPpm(benchmark::State& state) {
    constexpr std::size_t kPages = 10;
    const auto& p = pages();
    char tmpl[] = "/tmp/chronava-bench-XXXXXX";
    const std::string dir = mkdtemp(tmpl);
    std::string list;
    for (std::size_t k = 0; k < kPages; ++k) {
        const QImage& im = p.images[k];
        std::string ppm = "P6\n" + std::to_string(kW) + " " + std::to_string(kH) + "\n255\n";
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                const Rgb c = fromXrgb(im.pixel(x, y));
                ppm += char(c.r);
                ppm += char(c.g);
                ppm += char(c.b);
            }
        const std::string name = dir + "/p" + std::to_string(k) + ".ppm";
        base::writeFileAtomic(name, ppm);
        list += " " + name;
    }
    double imCpu = 0, oursCpu = 0;
    std::size_t imBytes = 0, oursBytes = 0, runs = 0;
    for (auto _ : state) {
        const double before = childCpuSeconds();
        const int rc = std::system(("convert" + list + " +adjoin " + dir + "/im%d.gif").c_str());
        imCpu += childCpuSeconds() - before;
        if (rc != 0) {
            state.SkipWithError("ImageMagick's convert failed");
            break;
        }
        const auto t0 = std::clock();
        std::string out;
        for (std::size_t k = 0; k < kPages; ++k) {
            Palette pal = chartPalette(kColours);
            std::vector<std::uint8_t> idx;
            convertPixels(rasterOf(p.images[k]), PaletteKind::ChartColours, pal, idx);
            encodeGif(kW, kH, pal, idx, out);
            oursBytes += out.size();
        }
        oursCpu += double(std::clock() - t0) / CLOCKS_PER_SEC;
        for (std::size_t k = 0; k < kPages; ++k) {
            std::string g;
            base::readFile(dir + "/im" + std::to_string(k) + ".gif", g);
            imBytes += g.size();
        }
        ++runs;
    }
    if (runs > 0) {
        const double pagesDone = double(runs * kPages);
        state.counters["im_ms_per_page"] = 1000 * imCpu / pagesDone;
        state.counters["ours_ms_per_page"] = 1000 * oursCpu / pagesDone;
        state.counters["ours_vs_im_time"] = oursCpu / imCpu;
        state.counters["im_bytes_per_page"] = double(imBytes) / pagesDone;
        state.counters["ours_bytes_per_page"] = double(oursBytes) / pagesDone;
        state.counters["ours_vs_im_size"] = double(oursBytes) / double(imBytes);
    }
    std::system(("rm -rf " + dir).c_str());
}
BENCHMARK(ImageMagickFromPpm)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
