// The benchmark binary's entry: registers every benchmark, runs them, prints
// a summary of ratios against the goals, and exits non-zero when a benchmark's
// results check failed.
//
//   build-bench/bench/koru_bench                                  # full run
//   build-bench/bench/koru_bench --benchmark_repetitions=5        # medians
//   build-bench/bench/koru_bench --benchmark_min_time=0.01        # quick check (CI)
#include "bench_common.h"

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include <atomic>
#include <cstdio>
#include <map>
#include <memory>
#include <vector>

namespace koru_bench {

namespace {

std::atomic<bool> g_failed{false};

// What the summary needs of one benchmark: cpu seconds per iteration and its counters.
struct Result {
    double seconds = 0;
    std::map<std::string, double> counters;
    bool median = false;
};

double Seconds(const benchmark::BenchmarkReporter::Run& run) {
    double t = run.GetAdjustedCPUTime();
    switch (run.time_unit) {
        case benchmark::kNanosecond: return t * 1e-9;
        case benchmark::kMicrosecond: return t * 1e-6;
        case benchmark::kMillisecond: return t * 1e-3;
        default: return t;
    }
}

// Console output as usual, and the results kept for the summary: the median
// when the run was repeated, else the last repetition.
class SummaryReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.error_occurred) {
                g_failed = true;
                continue;
            }
            const bool aggregate = run.run_type == Run::RT_Aggregate;
            if (aggregate && run.aggregate_name != "median") continue;
            Result& r = m_Results[run.run_name.str()];
            if (r.median && !aggregate) continue;
            r.seconds = Seconds(run);
            r.median = aggregate;
            r.counters.clear();
            for (const auto& [name, counter] : run.counters) r.counters[name] = counter.value;
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        PrintSummary();
    }

private:
    const Result* Get(const std::string& name) const {
        auto it = m_Results.find(name);
        return it == m_Results.end() ? nullptr : &it->second;
    }

    double Counter(const std::string& name, const char* counter) const {
        const Result* r = Get(name);
        if (!r) return 0;
        auto it = r->counters.find(counter);
        return it == r->counters.end() ? 0 : it->second;
    }

    static const char* Verdict(bool met) { return met ? "met" : "MISSED"; }

    void Goal(const char* what, double value, double limit, bool atMost) const {
        if (value <= 0) return;
        std::printf("  %-44s %8.2f   goal %s %-5.2f %s\n", what, value, atMost ? "<=" : ">=", limit,
                    Verdict(atMost ? value <= limit : value >= limit));
    }

    void Ratio(const char* what, const std::string& big, const std::string& small, double limit) const {
        const Result* a = Get(big);
        const Result* b = Get(small);
        if (a && b && b->seconds > 0) Goal(what, a->seconds / b->seconds, limit, true);
    }

    // Time per byte of `slow` over that of `fast` (their "MB/s" counters).
    void PerByte(const char* what, const std::string& slow, const std::string& fast, double limit) const {
        const double a = Counter(slow, "MB/s"), b = Counter(fast, "MB/s");
        if (a > 0 && b > 0) Goal(what, b / a, limit, true);
    }

    void PrintSummary() const {
        std::printf("\nSummary (cpu time; medians when repeated)\n");
        const char* peers[] = {"pugixml", "tinyxml2", "expat", "libxml2"};
        std::printf("  parse throughput, MB/s        koru");
        for (const char* p : peers) std::printf(" %9s", p);
        std::printf("   koru/pugixml koru/tinyxml2 koru/expat koru/libxml2\n");
        for (const char* scale : {"x1", "x10", "x100"}) {
            const double koru = Counter(std::string("parse/koru/") + scale, "MB/s");
            if (koru <= 0) continue;
            std::printf("  %-26s %8.1f", scale, koru);
            for (const char* p : peers) std::printf(" %9.1f", Counter(std::string("parse/") + p + "/" + scale, "MB/s"));
            std::printf("  ");
            for (const char* p : peers) {
                const double peer = Counter(std::string("parse/") + p + "/" + scale, "MB/s");
                std::printf(" %12.2f", peer > 0 ? koru / peer : 0.0);
            }
            std::printf("\n");
        }
        for (const char* scale : {"x1", "x10", "x100"}) {
            const Result* r = Get(std::string("parse/koru/") + scale);
            const double mb = Counter(std::string("parse/koru/") + scale, "MB");
            if (r && mb > 0) std::printf("  koru time per MB at %-5s %8.2f ms\n", scale, r->seconds * 1e3 / mb);
        }
        std::printf("Goals\n");
        const double koru1 = Counter("parse/koru/x1", "MB/s");
        const double pugi1 = Counter("parse/pugixml/x1", "MB/s");
        for (const char* scale : {"x1", "x10", "x100"}) {
            const double k = Counter(std::string("parse/koru/") + scale, "MB/s");
            const double t = Counter(std::string("parse/tinyxml2/") + scale, "MB/s");
            if (k > 0 && t > 0)
                Goal((std::string("parse ") + scale + ": koru / tinyxml2 throughput").c_str(), k / t, 2.0, false);
        }
        if (pugi1 > 0) Goal("parse x1: koru / pugixml throughput", koru1 / pugi1, 1.0, false);
        Ratio("parse: time x10 / x1", "parse/koru/x10", "parse/koru/x1", 11);
        Ratio("parse: time x100 / x10", "parse/koru/x100", "parse/koru/x10", 11);
        Ratio("merge: time 20000 / 2000 restated", "merge/restate/20000", "merge/restate/2000", 11);
        Ratio("merge: time 3000 / 300 wide restatements", "merge/restate_wide/3000", "merge/restate_wide/300", 11);
        // Chosen names are longer than plain ones: compared per byte.
        PerByte("merge wide 3000: chosen / plain per byte", "merge/restate_wide_chosen/3000",
                "merge/restate_wide/3000", 1.5);
        PerByte("parse attributes: chosen / plain per byte", "shape/wide_chosen/koru/10/5000",
                "shape/wide/koru/10/5000", 1.5);
        Ratio("update: time 20000 / 2000 batches", "update/batches/20000", "update/batches/2000", 11);
        Ratio("merge 20000 / parsing both inputs", "merge/restate/20000", "merge/parse_inputs/20000", 1);
        Goal("memory x1: retained / source", Counter("memory/koru/1", "retained_x"), 5, true);
        Goal("memory x10: retained / source", Counter("memory/koru/10", "retained_x"), 5, true);
        const double peak = Counter("memory/koru/10", "peak_x");
        if (peak > 0) std::printf("  %-44s %8.2f\n", "memory x10: peak during parse / source", peak);
        const double pugiMemory = Counter("memory/pugixml/10", "retained_x");
        if (pugiMemory > 0) std::printf("  %-44s %8.2f\n", "pugixml x10: retained / source", pugiMemory);
        std::printf("Results checks: %s\n", g_failed ? "FAILED" : "all passed");
    }

    std::map<std::string, Result> m_Results;
};

std::map<std::string, std::unique_ptr<std::string>>& Inputs() {
    static std::map<std::string, std::unique_ptr<std::string>> inputs;
    return inputs;
}

}  // namespace

bool Fail(benchmark::State& state, const std::string& why) {
    g_failed = true;
    std::fprintf(stderr, "results check failed: %s\n", why.c_str());
    state.SkipWithError(why.c_str());
    return false;
}

bool AnyFailure() { return g_failed; }

const std::string& Cached(const std::string& key, const std::function<std::string()>& make) {
    auto& slot = Inputs()[key];
    if (!slot) slot = std::make_unique<std::string>(make());
    return *slot;
}

int KoruParse(CKORU_Parser& parser, const std::string& text, int overwrite) {
    CString source(text.data(), static_cast<int>(text.size()));
    return parser.DoParsingProc(source, overwrite);
}

int MainCount(const CKORU_Parser& parser) {
    const CKORU_Parser::NodeList* list = parser.GetMainList();
    return list ? list->GetCount() : 0;
}

std::string AttributeOf(CKORU_Parser& parser, const char* tag, const char* name, const char* attribute) {
    CKORU_ItemNode* node = parser.GetNode(nullptr, CString(tag), CString(name));
    if (!node) return std::string();
    return std::string(parser.GetValue(CString(attribute), node).View());
}

void CountBytes(benchmark::State& state, size_t bytes) {
    const double total = static_cast<double>(bytes) * static_cast<double>(state.iterations());
    state.SetBytesProcessed(static_cast<int64_t>(total));
    state.counters["MB/s"] = benchmark::Counter(total / 1e6, benchmark::Counter::kIsRate);
    state.counters["MB"] = static_cast<double>(bytes) / 1e6;
}

}  // namespace koru_bench

int main(int argc, char** argv) {
#ifdef __GLIBC__
    // Every parser here frees what it built in each iteration. With glibc's
    // defaults, the top of the heap then goes back to the kernel (or a large
    // block is unmapped) and the next iteration faults the same pages in
    // again: the benchmark would time the kernel's page faults, for some
    // parsers more than others depending on where their blocks happen to
    // lie. Keeping freed memory in the process times the parsers themselves.
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
#endif
    koru_bench::RegisterParseBenchmarks();
    koru_bench::RegisterMergeBenchmarks();
    koru_bench::RegisterShapeBenchmarks();
    koru_bench::RegisterMemoryBenchmarks();
    koru_bench::RegisterQueryBenchmarks();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 2;
    koru_bench::SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return koru_bench::AnyFailure() ? 1 : 0;
}
