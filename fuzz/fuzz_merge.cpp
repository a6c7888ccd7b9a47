// A first parse, then a second parse of another part of the input (a fragment
// merge). The input is split at its first zero byte (or in the middle); the
// input's length picks the second parse's overwrite flag.
//
// A refused second parse changes nothing: main list (nodes, levels, texts,
// tables), tag stack, depth, macro table and the caller's text stay as they
// were. An accepted one keeps the structure, and without updates no level
// falls below 2.
#include "fuzz_support.h"

using namespace koru_check;
using koru_fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto [first, second] = koru_fuzz::SplitInput(data, size);
    CKORU_Parser parser;
    CString document{std::string(first)};
    const int documentAccepted = parser.DoParsingProc(document, 0);
    Require("merge: first structure", CheckStructure(parser));
    const bool parsesOnly = !MayCarryUpdate(first);

    const ParserImage before = ImageOf(parser);
    const std::string fragmentText(second);
    CString fragment(fragmentText);
    const int accepted = parser.DoParsingProc(fragment, static_cast<int>(size & 1));
    Require("merge: structure", CheckStructure(parser));
    if (!accepted) {
        Require("merge: refusal reason", parser.GetLastRefusal().code != KoruRefusalCode::None,
                "refused without a reason");
        Require("merge: refused source", fragment.Str() == fragmentText, "a refused parse changed the source");
        Require("merge: refused state", Difference(before, ImageOf(parser)));
    } else {
        Require("merge: main list", parser.GetMainList() != nullptr, "accepted without a main list");
        if (!documentAccepted && !MayHoldHStatement(fragment.View()) && !MayCarryUpdate(second))
            Require("merge: closing order of a first parse", CheckClosingOrder(parser.GetMainList()));
        if (parsesOnly && !MayCarryUpdate(second))
            Require("merge: levels", CheckParsedLevels(parser.GetMainList()));
    }
    Require("merge: queries", ExerciseQueries(parser));
    Require("merge: structure after queries", CheckStructure(parser));

    // The same fragment once more: merging what is already there must stay sound.
    CString again(fragmentText);
    parser.DoParsingProc(again, 1);
    Require("merge: structure after a repeat", CheckStructure(parser));
    return 0;
}
