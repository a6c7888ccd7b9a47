// Walking a parsed document as a tree: every node's parent, children and
// inherited link target, on the main list as the parse left it and with the
// host moving one node between walks (so that every walk reads positions anew).
#include "bench_common.h"
#include "documents.h"

namespace koru_bench {

namespace {

// Asks for every node's parent, children and link target; the nodes that have a parent.
int WalkTree(CKORU_Parser& parser) {
    int parented = 0;
    for (CKORU_ItemNode* node : *parser.GetMainList()) {
        if (parser.GetParent(node)) ++parented;
        parser.ReleaseNodeList(parser.GetNodeList(nullptr, static_cast<short>(node->m_Level + 1), node));
        benchmark::DoNotOptimize(parser.GetCtrlHRef(node));
    }
    return parented;
}

void WalkKoru(benchmark::State& state, bool moved) {
    const int controls = kControlsPerScale * static_cast<int>(state.range(0));
    const std::string& text =
        Cached("parse:" + std::to_string(state.range(0)), [=] { return ParseDocument(controls); });
    CKORU_Parser parser;
    if (KoruParse(parser, text) != 1) return void(Fail(state, "DoParsingProc refused"));
    CKORU_Parser::NodeList& main = *parser.GetMainList();
    for (auto _ : state) {
        if (moved) main.AddHead(main.RemoveHead());  // the same order, a new element
        if (WalkTree(parser) != main.GetCount() - 1) return void(Fail(state, "wrong parents"));
    }
    const double nodes = static_cast<double>(main.GetCount()) * static_cast<double>(state.iterations());
    state.counters["nodes/s"] = benchmark::Counter(nodes, benchmark::Counter::kIsRate);
}

}  // namespace

void RegisterQueryBenchmarks() {
    for (auto* b : {benchmark::RegisterBenchmark("query/tree", WalkKoru, false),
                    benchmark::RegisterBenchmark("query/tree/moved", WalkKoru, true)})
        b->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);
}

}  // namespace koru_bench
