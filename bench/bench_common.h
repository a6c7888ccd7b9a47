// Shared pieces of the benchmark binary: registration entry points, the
// results check and the cached inputs.
#ifndef KORU_BENCH_COMMON_H
#define KORU_BENCH_COMMON_H

#include <koru/koru.h>

#include <benchmark/benchmark.h>

#include <functional>
#include <string>

namespace koru_bench {

void RegisterParseBenchmarks();
void RegisterMergeBenchmarks();
void RegisterShapeBenchmarks();
void RegisterMemoryBenchmarks();
void RegisterQueryBenchmarks();

// Marks the benchmark as failed (its results were wrong) and makes the run
// exit non-zero. Returns false so that callers can `return Fail(...)`.
bool Fail(benchmark::State& state, const std::string& why);
// True when some benchmark failed its results check.
bool AnyFailure();

// An input built once per run and kept: generating 30 MB takes a while.
const std::string& Cached(const std::string& key, const std::function<std::string()>& make);

// Parses `text` with `parser`; 1 on success as DoParsingProc gives it.
int KoruParse(CKORU_Parser& parser, const std::string& text, int overwrite = 0);

// Number of nodes in the parser's main list (0 when there is none).
int MainCount(const CKORU_Parser& parser);

// The N-named node's attribute value, "" when absent (for results checks).
std::string AttributeOf(CKORU_Parser& parser, const char* tag, const char* name, const char* attribute);

// Sets the bytes processed and an "MB/s" counter for `bytes` per iteration.
void CountBytes(benchmark::State& state, size_t bytes);

}  // namespace koru_bench

#endif
