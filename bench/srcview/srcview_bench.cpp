// Loading a log of 10,000 lines of 250 bytes into the source view, and painting its
// first, middle and last screens, against reading the same file line by line.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdio>
#include <string>
#include <unistd.h>

#include "base/files.h"
#include "base/services.h"
#include "base/text.h"
#include "source_paint.h"

namespace {

constexpr int kLines = 10000;
constexpr int kPaneWidth = 1200, kPaneHeight = 900;

// A Shift-JIS log: time stamp, event, a comment with Japanese text and a tab,
// padded to 250 bytes.
const std::string& logFile() {
    static const std::string path = [] {
        std::string p = "/tmp/chronava-srcview-bench-" + std::to_string(::getpid()) + ".log";
        std::string body;
        for (int i = 0; i < kLines; ++i) {
            char head[96];
            std::snprintf(head, sizeof head, "2024/01/02 10:%02d:%02d.%06d $SIGNAL%02d=VALUE(%d)\t", i / 60 % 60, i % 60,
                          i, i % 32, i * 7 % 1000);
            std::string line = head + base::toCp932("; 信号の状態を確認する ログ行 ") + std::to_string(i);
            while (line.size() < 250) line += static_cast<char>('a' + line.size() % 26);
            body += line + "\n";
        }
        base::writeFileAtomic(p, body);
        std::atexit([] { base::removeFile("/tmp/chronava-srcview-bench-" + std::to_string(::getpid()) + ".log"); });
        return p;
    }();
    return path;
}

void BaselineReadLines(benchmark::State& state) {
    const std::string& path = logFile();
    std::string line;
    for (auto _ : state) {
        base::LineReader r(path);
        std::size_t n = 0;
        while (r.next(line)) n += line.size();
        benchmark::DoNotOptimize(n);
    }
}
BENCHMARK(BaselineReadLines)->Unit(benchmark::kMillisecond);

void Load(benchmark::State& state) {
    const std::string& path = logFile();
    base::RecordingServices rec;
    base::ScopedServices installed(rec);
    srcview::SourceList list;
    for (auto _ : state) {
        list.load(path, base::InputCode::Sjis, 8);
        benchmark::DoNotOptimize(list.count());
    }
}
BENCHMARK(Load)->Unit(benchmark::kMillisecond);

void ensureApp() {
    static QGuiApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "bench_srcview";
        static char* argv[] = {name, nullptr};
        return new QGuiApplication(argc, argv);
    }();
    (void)app;
}

// Paints one screen at the position `where` (0 first, 1 middle, 2 last).
void Paint(benchmark::State& state) {
    ensureApp();
    base::RecordingServices rec;
    base::ScopedServices installed(rec);
    srcview::SourceList list;
    list.load(logFile(), base::InputCode::Sjis, 8);
    srcview::SourceView view(list);
    view.resize(kPaneWidth, kPaneHeight);
    view.placeAfterLoad(false);
    if (state.range(0) == 1) view.scrollVertical(srcview::kThumb, list.count() / 2);
    if (state.range(0) == 2) view.scrollVertical(srcview::kToBottom);
    QImage img(kPaneWidth, kPaneHeight, QImage::Format_RGB32);
    srcviewqt::PaneColours colours;
    for (auto _ : state) {
        QPainter p(&img);
        srcviewqt::paintTextPane(p, list, view, colours, {}, kPaneWidth, kPaneHeight);
        srcviewqt::paintLineNumbers(p, view, colours, srcviewqt::kLineNumberWidth, kPaneHeight);
    }
}
BENCHMARK(Paint)->Arg(0)->Arg(1)->Arg(2)->ArgName("screen")->Unit(benchmark::kMillisecond);

}  // namespace
