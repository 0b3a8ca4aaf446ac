// Writing big BIFF8 books: 1,000,000 numbers and 200,000 texts (half of them repeats),
// against Perl's Spreadsheet::WriteExcel on the same content. Prints our time over its
// time and our peak memory per cell.
#include <benchmark/benchmark.h>
#include <celvane.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#ifndef BENCH_SCRIPTS
#error "BENCH_SCRIPTS must name the folder of writeexcel.pl"
#endif

namespace {

const int kRows = 4000, kCols = 250, kTexts = 200000;

std::string tempPath(const char* name) { return std::string("/tmp/celvane-bench-") + name + ".xls"; }

void writeNumbers(const std::string& path) {
    int b = XM_Create97(path.c_str(), 1);
    for (int r = 0; r < kRows; ++r)
        for (int c = 0; c < kCols; ++c) XM_WriteDouble(b, 0, c, r, r * 250.0 + c + 0.5);
    XM_Close(b);
}

void writeTexts(const std::string& path) {
    int b = XM_Create97(path.c_str(), 1);
    char text[32];
    for (int i = 0; i < kTexts; ++i) {
        std::snprintf(text, sizeof text, "text %d", i % 100000);
        XM_WriteStr(b, 0, i % 250, i / 250, text);
    }
    XM_Close(b);
}

long statusKb(const char* key) {
    std::ifstream f("/proc/self/status");
    std::string line;
    while (std::getline(f, line))
        if (line.rfind(key, 0) == 0) return std::atol(line.c_str() + std::string(key).size());
    return 0;
}

// Peak memory the work adds, measured in a child process whose peak is reset first.
double peakBytes(void (*work)(const std::string&), const std::string& path) {
    int fd[2];
    if (pipe(fd) != 0) return -1;
    pid_t pid = fork();
    if (pid == 0) {
        close(fd[0]);
        std::ofstream("/proc/self/clear_refs") << "5";
        long before = statusKb("VmHWM:");
        work(path);
        long grown = statusKb("VmHWM:") - before;
        if (write(fd[1], &grown, sizeof grown) != sizeof grown) _exit(1);
        _exit(0);
    }
    close(fd[1]);
    long grown = -1;
    if (read(fd[0], &grown, sizeof grown) != sizeof grown) grown = -1;
    close(fd[0]);
    waitpid(pid, nullptr, 0);
    return grown * 1024.0;
}

double peerSeconds(const char* what, const std::string& path) {
    std::string cmd = "perl " BENCH_SCRIPTS "/writeexcel.pl " + std::string(what) + " " + path;
    auto t0 = std::chrono::steady_clock::now();
    int rc = std::system(cmd.c_str());
    auto t1 = std::chrono::steady_clock::now();
    return rc == 0 ? std::chrono::duration<double>(t1 - t0).count() : -1;
}

void run(benchmark::State& state, void (*work)(const std::string&), const char* what, double cells) {
    std::string ours = tempPath(what), theirs = tempPath((std::string(what) + "-peer").c_str());
    double total = 0;
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        work(ours);
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    }
    double mine = total / state.iterations();
    double peer = peerSeconds(what, theirs);
    state.counters["ours_s"] = mine;
    state.counters["writeexcel_s"] = peer;
    state.counters["ours_over_writeexcel"] = peer > 0 ? mine / peer : -1;
    state.counters["peak_bytes_per_cell"] = peakBytes(work, ours) / cells;
    std::remove(ours.c_str());
    std::remove(theirs.c_str());
}

// The baseline of the shared ratio printer: writing one small book.
void BaselineSmallBook(benchmark::State& state) {
    std::string path = tempPath("small");
    for (auto _ : state) {
        int b = XM_Create97(path.c_str(), 1);
        for (int i = 0; i < 1000; ++i) XM_WriteDouble(b, 0, i % 100, i / 100, i);
        XM_Close(b);
    }
    std::remove(path.c_str());
}

void Numbers1M(benchmark::State& state) { run(state, writeNumbers, "numbers", double(kRows) * kCols); }
void Texts200k(benchmark::State& state) { run(state, writeTexts, "texts", kTexts); }

}  // namespace

BENCHMARK(BaselineSmallBook)->Unit(benchmark::kMillisecond);
BENCHMARK(Numbers1M)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(Texts200k)->Unit(benchmark::kMillisecond)->Iterations(1);
