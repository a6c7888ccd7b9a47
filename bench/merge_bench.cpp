// Merging and updating: a fragment restating every control of an n-control
// document (n = 2,000 and 20,000), the same inputs parsed on their own (the
// cost a merge is held against), and an update text of n batches. Only the
// merge or update itself is timed; building the document and freeing it are not.
#include "bench_common.h"
#include "documents.h"

namespace koru_bench {

namespace {

const std::string& Document(int controls) {
    return Cached("parse-controls:" + std::to_string(controls), [controls] { return ParseDocument(controls); });
}

const std::string& Fragment(int controls) {
    return Cached("fragment:" + std::to_string(controls), [controls] { return RestatingFragment(controls); });
}

const std::string& Update(int batches) {
    return Cached("update:" + std::to_string(batches), [batches] { return UpdateText(batches); });
}

// The first and last restated controls took the fragment's values.
bool Restated(CKORU_Parser& parser, int controls) {
    const std::string last = "c" + std::to_string(controls - 1);
    return AttributeOf(parser, "C", "c0", "X") == "label" && AttributeOf(parser, "C", last.c_str(), "X") == "label" &&
           AttributeOf(parser, "A", "a3", "V") == "added";
}

void MergeRestating(benchmark::State& state) {
    const int controls = static_cast<int>(state.range(0));
    const std::string& document = Document(controls);
    const std::string& fragment = Fragment(controls);
    const int expected = ParseDocumentNodes(controls) + controls;  // one new a3 per control
    for (auto _ : state) {
        state.PauseTiming();
        auto* parser = new CKORU_Parser;
        if (KoruParse(*parser, document) != 1) {
            state.ResumeTiming();
            delete parser;
            return void(Fail(state, "document refused"));
        }
        CString source(fragment.data(), static_cast<int>(fragment.size()));
        state.ResumeTiming();
        const int merged = parser->DoParsingProc(source, 1);
        state.PauseTiming();
        const bool right = merged == 1 && MainCount(*parser) == expected && Restated(*parser, controls);
        delete parser;
        state.ResumeTiming();
        if (!right) return void(Fail(state, "merge gave wrong nodes"));
    }
    CountBytes(state, fragment.size());
}

// Parsing the document and the fragment, each into a parser of its own.
void ParseMergeInputs(benchmark::State& state) {
    const int controls = static_cast<int>(state.range(0));
    const std::string& document = Document(controls);
    const std::string& fragment = Fragment(controls);
    for (auto _ : state) {
        auto* first = new CKORU_Parser;
        auto* second = new CKORU_Parser;
        const bool parsed = KoruParse(*first, document) == 1 && KoruParse(*second, fragment) == 1;
        state.PauseTiming();
        const bool right = parsed && MainCount(*first) == ParseDocumentNodes(controls) &&
                           MainCount(*second) == 1 + 3 * controls;
        delete first;
        delete second;
        state.ResumeTiming();
        if (!right) return void(Fail(state, "inputs gave wrong nodes"));
    }
    CountBytes(state, document.size() + fragment.size());
}

void UpdateBatches(benchmark::State& state) {
    const int batches = static_cast<int>(state.range(0));
    const std::string& document = Document(batches);
    const std::string& update = Update(batches);
    for (auto _ : state) {
        state.PauseTiming();
        auto* parser = new CKORU_Parser;
        if (KoruParse(*parser, document) != 1) {
            state.ResumeTiming();
            delete parser;
            return void(Fail(state, "document refused"));
        }
        CString text(update.data(), static_cast<int>(update.size()));
        state.ResumeTiming();
        CKORU_Parser::NodeList* rebuilt = parser->UpdateParser(nullptr, text, 1);
        state.PauseTiming();
        const bool right = rebuilt && rebuilt->GetCount() == batches &&
                           MainCount(*parser) == ParseDocumentNodes(batches) &&
                           AttributeOf(*parser, "C", "c0", "V") == "2";
        parser->ReleaseNodeList(rebuilt);
        delete parser;
        state.ResumeTiming();
        if (!right) return void(Fail(state, "update gave wrong nodes"));
    }
    CountBytes(state, update.size());
}

}  // namespace

void RegisterMergeBenchmarks() {
    for (int n : {2000, 20000}) {
        benchmark::RegisterBenchmark("merge/restate", MergeRestating)->Arg(n)->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark("merge/parse_inputs", ParseMergeInputs)->Arg(n)->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark("update/batches", UpdateBatches)->Arg(n)->Unit(benchmark::kMillisecond);
    }
}

}  // namespace koru_bench
