// Shared main for the benchmarks: runs them as usual, then prints each figure as a
// ratio to the benchmark whose name begins with "Baseline", measured in the same run,
// so results compare across machines and noisy neighbours.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const auto& r : runs) {
            if (r.run_type != Run::RT_Iteration) continue;
            results_.emplace_back(r.benchmark_name(), r.GetAdjustedCPUTime());
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        double base = 0;
        for (const auto& [name, t] : results_)
            if (name.rfind("Baseline", 0) == 0) base = t;
        if (base <= 0) return;
        std::printf("\nratios to the baseline (lower is faster):\n");
        for (const auto& [name, t] : results_) std::printf("  %-50s %8.2f\n", name.c_str(), t / base);
    }

private:
    std::vector<std::pair<std::string, double>> results_;
};
}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
