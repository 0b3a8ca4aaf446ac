// Reading a 1,000,000-cell BIFF8 book: 100,000 random XM_Read calls and one sequential
// XlsGetReadBin pass, each against xlrd opening and reading the same book in the same
// run. Prints xlrd's time over ours (the speed-up).
#include <benchmark/benchmark.h>
#include <celvane.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#ifndef BENCH_SCRIPTS
#error "BENCH_SCRIPTS must name the folder of xlrd_read.py"
#endif

namespace {

const int kRows = 4000, kCols = 250, kRandom = 100000;
const char* kBook = "/tmp/celvane-read-bench.xls";

// The book: whole numbers (RK), numbers with a fraction (RK / NUMBER) and texts.
void ensureBook() {
    static bool done = false;
    if (done) return;
    int b = XM_Create97(kBook, 1);
    char text[32];
    for (int r = 0; r < kRows; ++r)
        for (int c = 0; c < kCols; ++c) {
            const int i = r * kCols + c;
            if (c % 10 == 9) {
                std::snprintf(text, sizeof text, "t%d", i % 5000);
                XM_WriteStr(b, 0, c, r, text);
            } else if (c % 2) {
                XM_WriteDouble(b, 0, c, r, i + 0.25);
            } else {
                XM_WriteInt(b, 0, c, r, i);
            }
        }
    XM_Close(b);
    done = true;
}

double xlrdSeconds(const char* mode) {
    std::string cmd = std::string("/usr/bin/python3 " BENCH_SCRIPTS "/xlrd_read.py ") + mode + " " + kBook + " " +
                      std::to_string(kRandom);
    std::unique_ptr<FILE, int (*)(FILE*)> p(popen(cmd.c_str(), "r"), pclose);
    double s = -1;
    if (!p || std::fscanf(p.get(), "%lf", &s) != 1) return -1;
    return s;
}

double randomReads() {
    auto t0 = std::chrono::steady_clock::now();
    int b = XM_ReadOpen(kBook);
    unsigned x = 12345;
    double total = 0;
    char text[64];
    for (int i = 0; i < kRandom; ++i) {
        x = (x * 1103515245u + 12345u) & 0x7FFFFFFFu;
        int kind;
        double v = 0;
        XM_Read(b, 0, int((x >> 12) % kCols), int(x % kRows), &kind, &v, text, sizeof text);
        total += v;
    }
    XM_ReadClose(b);
    benchmark::DoNotOptimize(total);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

double sequentialPass() {
    auto t0 = std::chrono::steady_clock::now();
    XlsReadBook(kBook, nullptr);
    int pos = 0, cells = 0;
    char text[64];
    for (;;) {
        int col, row, attr, kind, whole;
        double d;
        pos = XlsGetReadBin(&col, &row, &attr, text, sizeof text, &kind, &d, &whole, pos);
        if (pos <= 0) break;
        ++cells;
    }
    XlsCloseBook(0);
    benchmark::DoNotOptimize(cells);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

void run(benchmark::State& state, double (*work)(), const char* mode) {
    ensureBook();
    double total = 0;
    for (auto _ : state) total += work();
    const double mine = total / double(state.iterations());
    const double peer = xlrdSeconds(mode);
    state.counters["ours_s"] = mine;
    state.counters["xlrd_s"] = peer;
    state.counters["xlrd_over_ours"] = peer > 0 && mine > 0 ? peer / mine : -1;
}

// The baseline of the shared ratio printer: opening the book and reading one cell.
void BaselineOpenAndRead(benchmark::State& state) {
    ensureBook();
    for (auto _ : state) {
        int b = XM_ReadOpen(kBook);
        int kind;
        double v;
        char t[8];
        XM_Read(b, 0, 0, 0, &kind, &v, t, sizeof t);
        XM_ReadClose(b);
    }
}

void RandomRead100k(benchmark::State& state) { run(state, randomReads, "random"); }
void SequentialRead1M(benchmark::State& state) { run(state, sequentialPass, "all"); }

}  // namespace

BENCHMARK(BaselineOpenAndRead)->Unit(benchmark::kMillisecond);
BENCHMARK(RandomRead100k)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(SequentialRead1M)->Unit(benchmark::kMillisecond)->Iterations(1);
