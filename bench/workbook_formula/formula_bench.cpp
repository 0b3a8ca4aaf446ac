// Formulas against plain numbers: 100,000 cells per iteration, written into a BIFF8 book
// that is discarded afterwards, so each ratio is per cell.
#include <celvane.h>

#include <benchmark/benchmark.h>

#include <string>
#include <unistd.h>
#include <vector>

#include "formula/formula.h"

namespace {

constexpr int kCells = 100000;

std::vector<std::string> mixedFormulas() {
    static const char* const shapes[] = {
        "SUM(A%1:B%2)", "A%1*2+B%2", "IF(A%1>0,\"yes\",\"no\")", "ROUND(AVERAGE(A%1:A%2),2)", "-A%1^2",
        "SUM({1,2;3,4})*C%1", "VLOOKUP(A%1,B%1:C%2,2)", "\"text\"&A%1", "MAX(A%1,B%2,C%1)*1.5%",
        "$A$%1+B$%2-$C%1/D%2",
    };
    std::vector<std::string> out;
    out.reserve(kCells);
    for (int i = 0; i < kCells; ++i) {
        std::string f = shapes[i % 10];
        for (std::size_t at; (at = f.find('%')) != std::string::npos && at + 1 < f.size() && f[at + 1] != ')';) {
            int row = 1 + (i * 7 + (f[at + 1] - '0') * 13) % 16000;
            f.replace(at, 2, std::to_string(row));
        }
        out.push_back(std::move(f));
    }
    return out;
}

std::string bookPath() { return "/tmp/bench_formula_" + std::to_string(getpid()) + ".xls"; }

template <class Write>
void writeCells(benchmark::State& state, Write write) {
    const std::string path = bookPath();
    for (auto _ : state) {
        state.PauseTiming();
        int book = XM_Create97(path.c_str(), 1);
        state.ResumeTiming();
        for (int i = 0; i < kCells; ++i) write(book, i % 256, i / 256, i);
        state.PauseTiming();
        XM_Cancel(book);
        state.ResumeTiming();
    }
}

void BaselineWriteNumber(benchmark::State& state) {
    writeCells(state, [](int book, int col, int row, int i) { XM_WriteDouble(book, 0, col, row, i * 0.5); });
}
BENCHMARK(BaselineWriteNumber)->Unit(benchmark::kMillisecond);

void WriteFormula(benchmark::State& state) {
    const std::vector<std::string> formulas = mixedFormulas();
    writeCells(state, [&](int book, int col, int row, int i) { XM_WriteFunc(book, 0, col, row, formulas[i].c_str()); });
}
BENCHMARK(WriteFormula)->Unit(benchmark::kMillisecond);

void CompileOnly(benchmark::State& state) {
    const std::vector<std::string> formulas = mixedFormulas();
    celvane::formula::Options options;
    celvane::formula::Compiled compiled;
    for (auto _ : state)
        for (const std::string& f : formulas) {
            celvane::formula::compile(f, options, compiled);
            benchmark::DoNotOptimize(compiled.bytes.data());
        }
}
BENCHMARK(CompileOnly)->Unit(benchmark::kMillisecond);

}  // namespace
