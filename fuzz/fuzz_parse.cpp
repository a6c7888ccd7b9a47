// A first parse of arbitrary text on a fresh parser.
//
// Refused: nothing changed (the text, no main list, empty tag stack and macro
// table) and a reason is recorded. Accepted: a main list exists, the structure
// holds, and, when no H statement was dropped and no redefinition text merged
// anything, the main list is in closing order (see invariants.h).
#include "fuzz_support.h"

using namespace koru_check;
using koru_fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string original(reinterpret_cast<const char*>(data), size);
    CKORU_Parser parser;
    const ParserImage fresh = ImageOf(parser);
    CString source(original);
    const int accepted = parser.DoParsingProc(source, 0);
    Require("parse: structure", CheckStructure(parser));
    if (!accepted) {
        Require("parse: refusal reason", parser.GetLastRefusal().code != KoruRefusalCode::None,
                "refused without a reason");
        Require("parse: refused source", source.Str() == original, "a refused parse changed the source");
        Require("parse: refused state", Difference(fresh, ImageOf(parser)));
        Require("parse: queries", ExerciseQueries(parser));
        return 0;
    }
    Require("parse: accepted", parser.GetMainList() != nullptr, "accepted without a main list");
    Require("parse: refusal cleared", parser.GetLastRefusal().code == KoruRefusalCode::None,
            "accepted with a refusal recorded");
    if (!MayHoldHStatement(source.View()) && !MayCarryUpdate(original))
        Require("parse: closing order", CheckClosingOrder(parser.GetMainList()));
    Require("parse: queries", ExerciseQueries(parser));
    Require("parse: structure after queries", CheckStructure(parser));
    return 0;
}
