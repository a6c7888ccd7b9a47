// The limits that protect a parser from hostile input, each checked at its
// exact edge: one side accepted, the other refused with nothing changed.
#include "common/koru_test.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace koru_test;
using Code = KoruRefusalCode;

namespace {

// A frame with `depth` start statements nested in it: the deepest gets level depth + 1.
std::string Nested(int depth) { return "<U>" + Repeat("<B>", depth) + Repeat("</B>", depth) + "</U>"; }

// A balanced source that leaves `open` tags open: a stray end closes the frame
// at once, the other ends close nothing, and "</U>" closes only the last start.
std::string LeaveOpen(int open) { return "<U>" + Repeat("</X>", open + 1) + Repeat("<O>", open + 1) + "</U>"; }

// A source whose one reference to V grows it, once its macro block is cut, to
// the expansion bound max(8 MiB, 100 x its length) plus `past` bytes.
std::string Growing(size_t padding, size_t past) {
    const std::string text = "<U><B P=\"" + std::string(padding, 'p') + "\" V=\"&V;\"></B></U>";
    const size_t bound = std::max<size_t>(8u << 20, 100 * text.size());
    return "<MACRO>V:" + std::string(bound + past - text.size() + 3, 'v') + "??" "</MACRO>" + text;
}

TEST(Limits, EachLimitAtItsEdge) {
    // `open`: tags an earlier parse left open (-1: no earlier parse); `code`: None when accepted;
    // `head`: the level of the main list's first node then (0: not checked); `counts`: starts/ends.
    struct Row {
        const char* rule; int open; std::string text; bool update; Code code; int head; const char* counts = "0/0";
    };
    const std::string name(100000, 'n');
    const Code none = Code::None, nesting = Code::NestingLimit, expansion = Code::ExpansionLimit;
    const Row rows[] = {
        {"level 32767 is accepted", -1, Nested(32766), false, none, 32767},
        {"level 32768 is refused", -1, Nested(32767), false, nesting, 0},
        {"tags left open count: up to 32767", 100, Nested(32666), false, none, 0},
        {"tags left open count: 32768 refused", 100, Nested(32667), false, nesting, 0},
        {"an update shifted to level 32767 is accepted", 32764, "<C N=x></C>", true, none, 0},
        {"an update shifted to level 32768 is refused", 32765, "<C N=x></C>", true, nesting, 0},
        {"a short source may grow to 8 MiB", -1, Growing(0, 0), false, none, 0},
        {"a short source growing past 8 MiB is refused", -1, Growing(0, 1), false, expansion, 0},
        {"a long source may grow to 100 times its length", -1, Growing(100000, 0), false, none, 0},
        {"a long source growing past that is refused", -1, Growing(100000, 1), false, expansion, 0},
        {"writing and taking out long text again and again", -1,
         "<MACRO>A:&" + name + "??" + name + ":??" "</MACRO><U><B V=\"" + Repeat("&A;;", 2000) + "\"></B></U>", false,
         expansion, 0},
        {"balance counts are not 16-bit", -1, "<U>" + Repeat("<B>", 65534) + "<x </U>", false,
         Code::Unbalanced, 0, "65536/0"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.rule);
        CKORU_Parser parser;
        ASSERT_EQ(row.open < 0 || Parse(parser, LeaveOpen(row.open)), true);
        const std::string before = Image(parser);
        CString text(row.text);
        OwnedList rebuilt = Own(parser, row.update ? parser.UpdateParser(nullptr, text, 0) : nullptr);
        const bool accepted = row.update ? rebuilt != nullptr : parser.DoParsingProc(text, 0) == 1;
        const KoruRefusal& refusal = parser.GetLastRefusal();
        EXPECT_EQ(accepted, row.code == none);
        EXPECT_EQ(refusal.code, row.code);
        EXPECT_EQ(std::to_string(refusal.startCount) + "/" + std::to_string(refusal.endCount), row.counts);
        EXPECT_TRUE(accepted || (text.Str() == row.text && Image(parser) == before));
        EXPECT_TRUE(!row.head || (accepted && parser.GetMainList()->GetHead()->m_Level == row.head));
    }
}

}  // namespace
