// Memory a parsed document holds, and the peak of parsing it, relative to the
// size of its source. The host's own copy of the source is counted as held
// before the parse, so "retained" is what the parser adds. pugixml is
// measured alike through its allocation hooks. The peak counts the chunks the
// parse freed for reuse as held: the process holds them.
#include "bench_common.h"
#include "documents.h"
#include "heap_counter.h"

#include <pugixml.hpp>

#include <cstdlib>

namespace koru_bench {

namespace {

void Report(benchmark::State& state, size_t source, long long retained, long long peak) {
    state.counters["retained_x"] = static_cast<double>(retained) / static_cast<double>(source);
    state.counters["peak_x"] = static_cast<double>(peak) / static_cast<double>(source);
    state.counters["source_MB"] = static_cast<double>(source) / 1e6;
}

void MemoryKoru(benchmark::State& state) {
    const int scale = static_cast<int>(state.range(0));
    const int controls = kControlsPerScale * scale;
    const std::string& text =
        Cached("parse:" + std::to_string(scale), [controls] { return ParseDocument(controls); });
    const ScopedHeapCounting counting;
    long long retained = 0, peak = 0;
    for (auto _ : state) {
        CString source(text.data(), static_cast<int>(text.size()));
        auto* parser = new CKORU_Parser;
        // Chunks the last parser left on this thread would be reused unseen:
        // the parse starts with none, so that all it takes is counted.
        KoruReleaseCachedMemory();
        const long long before = HeapLive();
        ResetHeapPeak();
        const int parsed = parser->DoParsingProc(source, 0);
        // The chunks the parse let go of are the thread's, not the document's.
        KoruReleaseCachedMemory();
        retained = HeapLive() - before;
        peak = HeapPeak() - before;
        const bool right = parsed == 1 && MainCount(*parser) == ParseDocumentNodes(controls);
        delete parser;
        if (!right) return void(Fail(state, "wrong node count"));
    }
    Report(state, text.size(), retained, peak);
}

void MemoryPugixml(benchmark::State& state) {
    const int scale = static_cast<int>(state.range(0));
    const std::string& text =
        Cached("parse:" + std::to_string(scale), [scale] { return ParseDocument(kControlsPerScale * scale); });
    pugi::set_memory_management_functions(CountedMalloc, CountedFree);
    const ScopedHeapCounting counting;
    long long retained = 0, peak = 0;
    for (auto _ : state) {
        auto* doc = new pugi::xml_document;
        const long long before = HeapLive();
        ResetHeapPeak();
        const bool parsed = static_cast<bool>(doc->load_buffer(text.data(), text.size()));
        retained = HeapLive() - before;
        peak = HeapPeak() - before;
        delete doc;
        if (!parsed) {
            pugi::set_memory_management_functions(std::malloc, std::free);
            return void(Fail(state, "pugixml refused"));
        }
    }
    pugi::set_memory_management_functions(std::malloc, std::free);
    Report(state, text.size(), retained, peak);
}

}  // namespace

void RegisterMemoryBenchmarks() {
    for (int scale : {1, 10}) {
        benchmark::RegisterBenchmark("memory/koru", MemoryKoru)->Arg(scale)->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark("memory/pugixml", MemoryPugixml)->Arg(scale)->Unit(benchmark::kMillisecond);
    }
}

}  // namespace koru_bench
