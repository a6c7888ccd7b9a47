// Merging and updating: a fragment restating every control of an n-control
// document (n = 2,000 and 20,000), the same inputs parsed on their own (the
// cost a merge is held against), an update text of n batches, and one control
// of n children restated once per child (n = 300 and 3,000; at 3,000 also with
// names chosen to share the low bits of their hash). Only the merge or
// update itself is timed; building the document and freeing it are not.
#include "bench_common.h"
#include "documents.h"

#include <map>

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

// Times `step` (a merge or an update) on a parser that holds `document`,
// given the text `input` makes; `right` checks the parser and what the step
// returned. Building the document and the text and freeing the parser are not
// timed.
template <class Input, class Step, class Check>
void TimeOnDocument(benchmark::State& state, const std::string& document, const char* wrong, Input input, Step step,
                    Check right) {
    for (auto _ : state) {
        state.PauseTiming();
        auto* parser = new CKORU_Parser;
        if (KoruParse(*parser, document) != 1) {
            state.ResumeTiming();
            delete parser;
            return void(Fail(state, "document refused"));
        }
        CString text = input();
        state.ResumeTiming();
        auto result = step(*parser, text);
        state.PauseTiming();
        const bool good = right(*parser, result);
        delete parser;
        state.ResumeTiming();
        if (!good) return void(Fail(state, wrong));
    }
}

// Times merging `fragment` into a parser that holds `document`; `right` checks
// the merged parser.
template <class Check>
void TimeMerge(benchmark::State& state, const std::string& document, const std::string& fragment, Check right) {
    TimeOnDocument(
        state, document, "merge gave wrong nodes",
        [&fragment] { return CString(fragment.data(), static_cast<int>(fragment.size())); },
        [](CKORU_Parser& parser, CString& source) { return parser.DoParsingProc(source, 1); },
        [&right](CKORU_Parser& parser, int merged) { return merged == 1 && right(parser); });
    CountBytes(state, fragment.size());
}

void MergeRestating(benchmark::State& state) {
    const int controls = static_cast<int>(state.range(0));
    const int expected = ParseDocumentNodes(controls) + controls;  // one new a3 per control
    TimeMerge(state, Document(controls), Fragment(controls), [controls, expected](CKORU_Parser& parser) {
        return MainCount(parser) == expected && Restated(parser, controls);
    });
}

// One control of n children restated n times, each time for one child: every
// restatement finds its child among all of them. `names` makes the children's
// names: plain ones, or ones chosen to share the low bits of their hash.
template <std::vector<std::string> (*Names)(int, char)>
void MergeRestatingWide(benchmark::State& state, const char* kind) {
    const int children = static_cast<int>(state.range(0));
    const std::string key = std::string(kind) + ":" + std::to_string(children);
    static std::map<int, std::vector<std::string>> made;  // by count, made once
    auto found = made.find(children);
    if (found == made.end()) found = made.emplace(children, Names(children, 'a')).first;
    const std::vector<std::string>& names = found->second;
    const std::string& document = Cached("wide-control:" + key, [&names] { return WideControlDocument(names); });
    const std::string& fragment = Cached("wide-restated:" + key, [&names] { return RestatingWideControl(names); });
    TimeMerge(state, document, fragment, [children, &names](CKORU_Parser& parser) {
        return MainCount(parser) == 2 + children && AttributeOf(parser, "A", names.front().c_str(), "V") == "2" &&
               AttributeOf(parser, "A", names.back().c_str(), "V") == "2";
    });
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
    const std::string& update = Update(batches);
    TimeOnDocument(
        state, Document(batches), "update gave wrong nodes",
        [&update] { return CString(update.data(), static_cast<int>(update.size())); },
        [](CKORU_Parser& parser, CString& text) { return parser.UpdateParser(nullptr, text, 1); },
        [batches](CKORU_Parser& parser, CKORU_Parser::NodeList* rebuilt) {
            const bool right = rebuilt && rebuilt->GetCount() == batches &&
                               MainCount(parser) == ParseDocumentNodes(batches) &&
                               AttributeOf(parser, "C", "c0", "V") == "2";
            parser.ReleaseNodeList(rebuilt);
            return right;
        });
    CountBytes(state, update.size());
}

}  // namespace

void RegisterMergeBenchmarks() {
    for (int n : {2000, 20000}) {
        benchmark::RegisterBenchmark("merge/restate", MergeRestating)->Arg(n)->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark("merge/parse_inputs", ParseMergeInputs)->Arg(n)->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark("update/batches", UpdateBatches)->Arg(n)->Unit(benchmark::kMillisecond);
    }
    for (int n : {300, 3000})
        benchmark::RegisterBenchmark("merge/restate_wide", MergeRestatingWide<PlainNames>, "plain")
            ->Arg(n)
            ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("merge/restate_wide_chosen", MergeRestatingWide<ChosenNames>, "chosen")
        ->Arg(3000)
        ->Unit(benchmark::kMillisecond);
}

}  // namespace koru_bench
