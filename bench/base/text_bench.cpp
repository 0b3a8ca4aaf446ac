// Decoding log lines: the cost of the codecs against copying the same bytes.
#include "base/text.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

namespace {
std::vector<std::string> sampleLines(bool japanese) {
    std::vector<std::string> lines;
    std::string jp = base::toCp932("信号名の状態が変化しました");
    for (int i = 0; i < 1000; ++i) {
        std::string l = "2001/02/03 04:05:06.123456 $SIG" + std::to_string(i % 32) + "=ON ";
        l += japanese ? jp : std::string("state changed");
        lines.push_back(l);
    }
    return lines;
}

void BaselineCopy(benchmark::State& state) {
    auto lines = sampleLines(true);
    std::string out;
    for (auto _ : state)
        for (const auto& l : lines) {
            out.assign(l);
            benchmark::DoNotOptimize(out.data());
        }
}
BENCHMARK(BaselineCopy);

void DecodeCp932Ascii(benchmark::State& state) {
    auto lines = sampleLines(false);
    base::LineDecoder d(base::InputCode::Sjis);
    std::string out;
    for (auto _ : state)
        for (const auto& l : lines) {
            d.decode(l, out);
            benchmark::DoNotOptimize(out.data());
        }
}
BENCHMARK(DecodeCp932Ascii);

void DecodeCp932Japanese(benchmark::State& state) {
    auto lines = sampleLines(true);
    base::LineDecoder d(base::InputCode::Sjis);
    std::string out;
    for (auto _ : state)
        for (const auto& l : lines) {
            d.decode(l, out);
            benchmark::DoNotOptimize(out.data());
        }
}
BENCHMARK(DecodeCp932Japanese);
}  // namespace
