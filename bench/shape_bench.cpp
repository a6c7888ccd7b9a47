// Inputs of other shapes: macro-heavy sources (many definitions, a reference
// in every value) and statements with many attributes, the latter next to
// pugixml on the same bytes.
#include "bench_common.h"
#include "documents.h"

#include <pugixml.hpp>

namespace koru_bench {

namespace {

void ParseMacros(benchmark::State& state) {
    const int macros = static_cast<int>(state.range(0));
    const int controls = static_cast<int>(state.range(1));
    const std::string& text = Cached("macros:" + std::to_string(macros) + ":" + std::to_string(controls),
                                     [=] { return MacroDocument(macros, controls); });
    const std::string lastName = "c" + std::to_string(controls - 1);
    const int last = controls - 1;
    const std::string lastCaption = "macro value " + std::to_string((last * 7 + 3) % macros) + " and macro value " +
                                    std::to_string(last % macros);
    for (auto _ : state) {
        CKORU_Parser parser;
        if (KoruParse(parser, text) != 1) return void(Fail(state, "DoParsingProc refused"));
        if (MainCount(parser) != 1 + 2 * controls) return void(Fail(state, "wrong node count"));
        if (AttributeOf(parser, "C", lastName.c_str(), "CAPTION") != lastCaption)
            return void(Fail(state, "macro references not replaced"));
    }
    CountBytes(state, text.size());
}

const std::string& Wide(int statements, int attributes) {
    return Cached("wide:" + std::to_string(statements) + ":" + std::to_string(attributes),
                  [=] { return WideDocument(statements, attributes); });
}

// Times parsing `text`, `statements` controls of the attributes `names`.
void ParseWideKoru(benchmark::State& state, const std::string& text, int statements,
                   const std::vector<std::string>& names) {
    const std::string lastName = "c" + std::to_string(statements - 1);
    const std::string& lastAttribute = names.back();
    const std::string lastValue = "v" + std::to_string(static_cast<int>(names.size()) - 1 + statements - 1);
    for (auto _ : state) {
        CKORU_Parser parser;
        if (KoruParse(parser, text) != 1) return void(Fail(state, "DoParsingProc refused"));
        if (MainCount(parser) != 1 + statements) return void(Fail(state, "wrong node count"));
        if (AttributeOf(parser, "C", lastName.c_str(), lastAttribute.c_str()) != lastValue)
            return void(Fail(state, "wrong attribute value"));
    }
    CountBytes(state, text.size());
}

void ParseWideKoru(benchmark::State& state) {
    const int statements = static_cast<int>(state.range(0));
    const int attributes = static_cast<int>(state.range(1));
    ParseWideKoru(state, Wide(statements, attributes), statements, PlainNames(attributes, 'P'));
}

// The same with attribute names chosen to share the low bits of their hash.
void ParseWideChosenKoru(benchmark::State& state) {
    const int statements = static_cast<int>(state.range(0));
    const int attributes = static_cast<int>(state.range(1));
    static const std::vector<std::string> names = ChosenNames(attributes, 'P');
    const std::string& text = Cached("wide-chosen:" + std::to_string(statements) + ":" + std::to_string(attributes),
                                     [statements] { return WideDocument(statements, names); });
    ParseWideKoru(state, text, statements, names);
}

void ParseWidePugixml(benchmark::State& state) {
    const int statements = static_cast<int>(state.range(0));
    const int attributes = static_cast<int>(state.range(1));
    const std::string& text = Wide(statements, attributes);
    for (auto _ : state) {
        pugi::xml_document doc;
        if (!doc.load_buffer(text.data(), text.size())) return void(Fail(state, "pugixml refused"));
        if (!doc.first_child().first_child().last_attribute()) return void(Fail(state, "pugixml: no attributes"));
    }
    CountBytes(state, text.size());
}

}  // namespace

void RegisterShapeBenchmarks() {
    benchmark::RegisterBenchmark("shape/macros", ParseMacros)->Args({50, 20000})->Args({5000, 20000})
        ->Unit(benchmark::kMillisecond);
    for (auto* b : {benchmark::RegisterBenchmark("shape/wide/koru", ParseWideKoru),
                    benchmark::RegisterBenchmark("shape/wide/pugixml", ParseWidePugixml)})
        b->Args({2000, 50})->Args({10, 5000})->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("shape/wide_chosen/koru", ParseWideChosenKoru)->Args({10, 5000})
        ->Unit(benchmark::kMillisecond);
}

}  // namespace koru_bench
