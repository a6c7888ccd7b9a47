// A first parse, then an update text through UpdateParser. The input is split
// at its first zero byte (or in the middle); the input's length picks the
// new-value flag. Then a node chosen by the input is deleted and an attribute
// assigned, to walk the remaining mutating calls.
//
// A refused update (null result) changes nothing but the new-value flag. An
// accepted one returns only nodes of the main list and keeps the structure.
#include "fuzz_support.h"

#include <unordered_set>

using namespace koru_check;
using koru_fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto [first, second] = koru_fuzz::SplitInput(data, size);
    CKORU_Parser parser;
    CString document{std::string(first)};
    parser.DoParsingProc(document, static_cast<int>((size >> 1) & 1));
    Require("update: first structure", CheckStructure(parser));

    const ParserImage before = ImageOf(parser);
    const std::string text(second);
    CKORU_Parser::NodeList* rebuilt = parser.UpdateParser(nullptr, CString(text), static_cast<int>(size & 1));
    Require("update: structure", CheckStructure(parser));
    if (!rebuilt) {
        Require("update: refusal reason", parser.GetLastRefusal().code != KoruRefusalCode::None,
                "null without a reason");
        Require("update: refused state", Difference(before, ImageOf(parser)));
    } else {
        Require("update: main list", parser.GetMainList() != nullptr, "a result without a main list");
        std::unordered_set<const void*> inMain;
        for (CKORU_ItemNode* n : *parser.GetMainList()) inMain.insert(n);
        for (CKORU_ItemNode* n : *rebuilt)
            Require("update: result", inMain.count(n) == 1, "result holds a node outside the main list");
        // The same node may stand twice: two batches (or two controls) can rebuild one control.
        int walked = 0;
        for (POSITION pos = rebuilt->GetHeadPosition(); pos; rebuilt->GetNext(pos)) ++walked;
        Require("update: result count", walked == rebuilt->GetCount(), "result count disagrees with its links");
        parser.ReleaseNodeList(rebuilt);
    }
    Require("update: queries", ExerciseQueries(parser));

    if (CKORU_Parser::NodeList* main = parser.GetMainList()) {
        if (main->GetCount() > 0) {
            const int pick = static_cast<int>((size * 31u) % static_cast<size_t>(main->GetCount()));
            CKORU_ItemNode* node = main->GetAt(main->FindIndex(pick));
            CString name("n"), value("\"x y\"");
            parser.If_IsInLValue_UpdateRValue(name, value, node);
            Require("update: assignment", CheckStructure(parser));
            CKORU_ItemNode* parent = parser.GetParent(node);
            parser.DeleteNode(CString(""), parent ? parent : node, CString("A"));
            Require("update: delete by T value", CheckStructure(parser));
            if (main->Find(node)) parser.DeleteNode(node);
            Require("update: delete", CheckStructure(parser));
            Require("update: queries after delete", ExerciseQueries(parser));
        }
    }
    return 0;
}
