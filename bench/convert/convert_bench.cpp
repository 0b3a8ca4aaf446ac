// A million event lines over 32 signals: reading the log line by line (the
// baseline), converting it (two passes and the scrambled writing), and reading the
// chart back into a model. Also reports the model's bytes per event.
#include "base/files.h"
#include "base/services.h"
#include "chart/chart_file.h"
#include "convert/converter.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <stdlib.h>
#include <string>

namespace {

constexpr long kLines = 1000000;

const std::string& folder() {
    static const std::string d = [] {
        char tmpl[] = "/tmp/chronava-bench-XXXXXX";
        return std::string(mkdtemp(tmpl));
    }();
    return d;
}

const std::string& logPath() {
    static const std::string path = [] {
        std::string p = folder() + "/million.klg";
        std::FILE* f = std::fopen(p.c_str(), "wb");
        unsigned seed = 1;
        auto rnd = [&](unsigned n) {
            seed = seed * 1103515245 + 12345;
            return (seed >> 16) % n;
        };
        long long micros = 10LL * 3600 * 1000000;
        long day = 1;
        for (long i = 0; i < kLines; ++i) {
            micros += 1 + rnd(2000);
            if (micros >= 86400LL * 1000000) micros -= 86400LL * 1000000, ++day;
            long long s = micros / 1000000;
            std::fprintf(f, "2001/03/%02ld %02lld:%02lld:%02lld.%06lld $SIG%02u=", day, s / 3600, s / 60 % 60, s % 60,
                         micros % 1000000, rnd(32));
            switch (rnd(8)) {
                case 0: std::fputs("ON", f); break;
                case 1: std::fputs("OFF", f); break;
                case 2: std::fprintf(f, "PULSE(%u%s)", rnd(1000), rnd(2) ? "u" : ""); break;
                case 3: std::fprintf(f, "GRAPH(%u)", rnd(100)); break;
                case 4: std::fprintf(f, "VALUE(%u%%)", rnd(110)); break;
                case 5: std::fprintf(f, "DISP(\"STATE%u\")", rnd(50)); break;
                default: std::fputs(rnd(2) ? "on" : "off", f); break;
            }
            if (rnd(10) == 0) std::fprintf(f, " // note %u", rnd(300));
            std::fputc('\n', f);
        }
        std::fclose(f);
        return p;
    }();
    return path;
}

std::string chartPath() { return folder() + "/million.tct"; }

void BaselineReadLines(benchmark::State& state) {
    const std::string& p = logPath();
    for (auto _ : state) {
        base::LineReader r(p);
        std::string line;
        long n = 0;
        while (r.next(line, convert::kMaxLogLine, false)) n += static_cast<long>(line.size());
        benchmark::DoNotOptimize(n);
    }
}
BENCHMARK(BaselineReadLines)->Unit(benchmark::kMillisecond)->Iterations(3);

void ConvertLog(benchmark::State& state) {
    const std::string& p = logPath();
    for (auto _ : state) {
        convert::Converter c;
        if (c.convert(p, chartPath()) != 0) state.SkipWithError(c.reason().c_str());
    }
}
BENCHMARK(ConvertLog)->Unit(benchmark::kMillisecond)->Iterations(3);

void ReadChart(benchmark::State& state) {
    convert::Converter c;
    c.convert(logPath(), chartPath());
    base::RecordingServices ui;
    base::ScopedServices scope(ui);
    chart::ChartModel m;
    for (auto _ : state) {
        int slots = 0;
        if (chart::ReadChartFile(true, chartPath(), m, &slots) != 0) state.SkipWithError("read failed");
    }
    state.counters["events"] = static_cast<double>(m.eventCount());
    state.counters["bytes_per_event"] = m.eventCount() ? double(m.memoryBytes()) / double(m.eventCount()) : 0;
}
BENCHMARK(ReadChart)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
