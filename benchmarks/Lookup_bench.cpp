// One version lookup in a 1 MB list with the key near its end, against the
// least any lookup must do: one scan of the same list for the item's text.
// Prints the ratio of the two.

#include "KV_ZudIviMain.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

namespace {

const std::wstring kKey = L"VrsSis";

std::wstring MakeList() {
    std::wstring list;
    for (int i = 0; list.size() < 1000000; ++i) {
        list += L"Componente" + std::to_wstring(i) + L".dll:1.0." + std::to_wstring(i) + L",";
    }
    // Near the end, with a few items after it.
    list += kKey + L":1.08.0008,Ultimo1.dll:1,Ultimo2.ocx:2,";
    return list;
}

const std::wstring& List() {
    static const std::wstring list = MakeList();
    return list;
}

void GetVrsLookup(benchmark::State& state) {
    const std::wstring& list = List();
    for (auto _ : state) {
        benchmark::DoNotOptimize(KV_ZudIviMain::GetVrs(list, kKey));
    }
}

// The baseline: find the item's text "VrsSis:" and take what follows it up to
// the next comma. (Searching for ",VrsSis:" instead stops at every comma and
// takes several times as long.)
void PlainScan(benchmark::State& state) {
    const std::wstring& list = List();
    const std::wstring needle = kKey + L":";
    for (auto _ : state) {
        const std::size_t at = list.find(needle);
        const std::size_t start = at + needle.size();
        benchmark::DoNotOptimize(list.substr(start, list.find(L',', start) - start));
    }
}

// Keeps each benchmark's time per iteration for the ratio.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration || run.aggregate_name == "median") {
                seconds[run.run_name.function_name] = run.GetAdjustedRealTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> seconds;
};

} // namespace

BENCHMARK(GetVrsLookup)->Unit(benchmark::kMicrosecond);
BENCHMARK(PlainScan)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    const auto lookup = reporter.seconds.find("GetVrsLookup");
    const auto scan = reporter.seconds.find("PlainScan");
    if (lookup != reporter.seconds.end() && scan != reporter.seconds.end()) {
        std::printf("version lookup in a %zu-character list / plain scan: %.2f (goal: at most "
                    "2)\n",
                    List().size(), lookup->second / scan->second);
        std::fflush(stdout);
    }
    return 0;
}
