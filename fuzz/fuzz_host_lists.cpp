// A first parse, then statement lists built the way a host may build them,
// handed to UpdateParser one list at a time. The part after the first zero
// byte describes the lists: '\n' ends a statement, '\x01' ends a list, and a
// statement that is exactly "\x02" stands for a null entry. So empty
// statements, statements without '>', lists of end statements only and null
// entries all arise, which the text entry points never produce.
//
// Every call keeps the structure, and a result holds only main-list nodes.
#include "fuzz_support.h"

#include <unordered_set>

using namespace koru_check;
using koru_fuzz::Require;

namespace {

// Takes the next statement list off `lists`, the encoded rest of the input.
CKORU_Parser::StatementList* NextList(std::string_view& lists) {
    size_t end = lists.find('\x01');
    std::string_view list = lists.substr(0, end);
    lists = end == std::string_view::npos ? std::string_view() : lists.substr(end + 1);
    auto* statements = new CKORU_Parser::StatementList(10);
    while (true) {
        size_t cut = list.find('\n');
        std::string_view statement = list.substr(0, cut);
        statements->AddTail(statement == "\x02" ? nullptr : new CString(statement));
        if (cut == std::string_view::npos) break;
        list.remove_prefix(cut + 1);
    }
    return statements;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto [first, lists] = koru_fuzz::SplitInput(data, size);
    CKORU_Parser parser;
    CString document{std::string(first)};
    parser.DoParsingProc(document, static_cast<int>(size & 1));
    Require("host lists: first structure", CheckStructure(parser));

    for (int round = 0; round < 8 && !lists.empty(); ++round) {
        CKORU_Parser::NodeList* rebuilt = parser.UpdateParser(NextList(lists));
        Require("host lists: structure", CheckStructure(parser));
        if (!rebuilt) continue;
        Require("host lists: main list", parser.GetMainList() != nullptr, "a result without a main list");
        std::unordered_set<const void*> inMain;
        for (CKORU_ItemNode* n : *parser.GetMainList()) inMain.insert(n);
        for (CKORU_ItemNode* n : *rebuilt)
            Require("host lists: result", inMain.count(n) == 1, "result holds a node outside the main list");
        parser.ReleaseNodeList(rebuilt);
    }
    Require("host lists: queries", ExerciseQueries(parser));
    return 0;
}
