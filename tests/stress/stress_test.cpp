// Inputs that must not blow up: each finishes in bounded time and memory with
// the right result or a refusal that changed nothing. Sizes are moderate; under
// sanitizers the build divides the counts by KORU_STRESS_SCALE (the limits at
// exactly 32767 levels and the expansion bound stay as they are).
#include "../../fuzz/invariants.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#ifndef KORU_STRESS_SCALE
#define KORU_STRESS_SCALE 1
#endif

namespace {

using namespace koru_check;

constexpr int kScale = KORU_STRESS_SCALE;

int Parse(CKORU_Parser& parser, const std::string& text, int overwrite = 0) {
    CString source(text);
    return parser.DoParsingProc(source, overwrite);
}

int CountTag(const CKORU_Parser& parser, const char* tag) {
    int n = 0;
    for (CKORU_ItemNode* node : *parser.GetMainList()) n += node->m_TagName == tag ? 1 : 0;
    return n;
}

// `open` nested start statements after the frame, closed again.
std::string Nested(int open) {
    std::string text = "<U>";
    text.reserve(static_cast<size_t>(open) * 8 + 16);
    for (int i = 0; i < open; ++i) text += "<B>";
    for (int i = 0; i < open; ++i) text += "</B>";
    return text + "</U>";
}

// A source that leaves `open` tags (levels 1 to open) on the tag stack: the
// frame is closed by a stray end tag at once, further stray end tags close
// nothing, and the last start statement is closed by "</U>".
std::string LeaveOpen(int open) {
    std::string text = "<U>";
    for (int i = 0; i <= open; ++i) text += "</X>";
    for (int i = 0; i <= open; ++i) text += "<O>";
    return text + "</U>";
}

TEST(StressDocument, MillionStatements) {
    const int controls = 1000000 / 2 / kScale - 2;  // with U, B and their ends: 1,000,000 statements
    std::string text = "<U><B HREF=top>";
    text.reserve(static_cast<size_t>(controls) * 24 + 32);
    for (int i = 0; i < controls; ++i) text += "<C N=c" + std::to_string(i) + "></C>";
    text += "</B></U>";
    CKORU_Parser parser;
    ASSERT_EQ(Parse(parser, text), 1);
    const CKORU_Parser::NodeList* main = parser.GetMainList();
    ASSERT_EQ(main->GetCount(), controls + 1);
    EXPECT_EQ(main->GetTail()->m_TagName, "B");
    EXPECT_EQ(main->GetHead()->m_Level, 3);
    EXPECT_EQ(CheckClosingOrder(main), "");
    EXPECT_EQ(parser.GetBodyHRef(), "top");
    CKORU_ItemNode* last = parser.GetNode(nullptr, CString("C"), CString(("c" + std::to_string(controls - 1)).c_str()));
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(parser.GetParent(last), main->GetTail());
    EXPECT_EQ(CheckStructure(parser), "");
}

TEST(StressNesting, AtTheLimitIsAccepted) {
    CKORU_Parser parser;
    ASSERT_EQ(Parse(parser, Nested(32766)), 1);  // U is level 1, the deepest B 32767
    const CKORU_Parser::NodeList* main = parser.GetMainList();
    ASSERT_EQ(main->GetCount(), 32766);
    EXPECT_EQ(main->GetHead()->m_Level, 32767);
    EXPECT_EQ(main->GetTail()->m_Level, 2);
    EXPECT_EQ(CheckClosingOrder(main), "");
    EXPECT_EQ(parser.GetParent(main->GetHead()), main->GetAt(main->FindIndex(1)));
}

TEST(StressNesting, OnePastTheLimitIsRefusedUnchanged) {
    CKORU_Parser parser;
    const std::string text = Nested(32767);
    CString source(text);
    EXPECT_EQ(parser.DoParsingProc(source, 0), 0);
    EXPECT_EQ(parser.GetLastRefusal().code, KoruRefusalCode::NestingLimit);
    EXPECT_EQ(source.Str(), text);
    EXPECT_EQ(parser.GetMainList(), nullptr);
    EXPECT_EQ(CheckStructure(parser), "");
    EXPECT_EQ(Access::Depth(parser), 0);
}

TEST(StressNesting, TagsLeftOpenCountTowardsTheLimit) {
    CKORU_Parser parser;
    ASSERT_EQ(Parse(parser, LeaveOpen(32000)), 1);
    ASSERT_EQ(Access::Depth(parser), 32000);
    // The frame of the next source is pushed at 32001: 766 more levels fit, 767 do not.
    EXPECT_EQ(Parse(parser, Nested(766)), 1);
    EXPECT_EQ(Access::Depth(parser), 32000);
    const ParserImage accepted = ImageOf(parser);
    const std::string text = Nested(767);
    CString deeper(text);
    EXPECT_EQ(parser.DoParsingProc(deeper, 0), 0);
    EXPECT_EQ(parser.GetLastRefusal().code, KoruRefusalCode::NestingLimit);
    EXPECT_EQ(deeper.Str(), text);
    EXPECT_EQ(Difference(accepted, ImageOf(parser)), "");
}

TEST(StressNesting, UpdateShiftPastTheLimitIsRefusedUnchanged) {
    // With 32764 tags open a control is pushed at 32765 and shifted by 2 to 32767.
    CKORU_Parser fits;
    ASSERT_EQ(Parse(fits, LeaveOpen(32764)), 1);
    CKORU_Parser::NodeList* rebuilt = fits.UpdateParser(nullptr, CString("<C N=x></C>"), 0);
    ASSERT_NE(rebuilt, nullptr);
    fits.ReleaseNodeList(rebuilt);
    EXPECT_EQ(fits.GetLastRefusal().code, KoruRefusalCode::None);

    // One more open tag and the shifted level would be 32768.
    CKORU_Parser past;
    ASSERT_EQ(Parse(past, LeaveOpen(32765)), 1);
    const ParserImage before = ImageOf(past);
    EXPECT_EQ(past.UpdateParser(nullptr, CString("<C N=x></C>"), 1), nullptr);
    EXPECT_EQ(past.GetLastRefusal().code, KoruRefusalCode::NestingLimit);
    EXPECT_EQ(Difference(before, ImageOf(past)), "");
}

TEST(StressNesting, BatchClosingManyBodiesShiftsDown) {
    // End tags close the innermost node whatever their names, so one batch can
    // close thousands of bodies: its shift is 2 less one per body. Here the
    // control opened inside them comes out at level 3 again and joins the body.
    const int bodies = 30000 / kScale;
    std::string text;
    for (int i = 0; i < bodies; ++i) text += "<B>";
    text += "<C N=z>";
    for (int i = 0; i < bodies; ++i) text += "</X>";
    text += "</C>";
    CKORU_Parser parser;
    ASSERT_EQ(Parse(parser, "<U><B></B></U>"), 1);
    CKORU_Parser::NodeList* result = parser.UpdateParser(nullptr, CString(text), 0);
    ASSERT_NE(result, nullptr);
    ASSERT_EQ(result->GetCount(), 1);
    EXPECT_EQ(result->GetHead()->m_Level, 3);
    EXPECT_EQ(parser.GetValue(CString("N"), result->GetHead()), "z");
    parser.ReleaseNodeList(result);
    EXPECT_EQ(parser.GetMainList()->GetCount(), 2);
    EXPECT_EQ(Access::Depth(parser), 0);
    EXPECT_EQ(CheckStructure(parser), "");
}

TEST(StressStatement, HundredThousandAttributes) {
    const int count = 100000 / kScale;
    std::string statement = "<C N=x";
    for (int i = 0; i < count; ++i) statement += " A" + std::to_string(i) + "=" + std::to_string(i);
    CKORU_Parser parser;
    ASSERT_EQ(Parse(parser, "<U><B>" + statement + "></C></B></U>"), 1);
    CKORU_ItemNode* control = parser.GetMainList()->GetHead();
    EXPECT_EQ(control->m_AttrTable.GetCount(), count + 2);  // C, N and the A's
    EXPECT_EQ(control->m_WordCount, 1);
    EXPECT_EQ(parser.GetValue(CString(("a" + std::to_string(count - 1)).c_str()), control),
              std::to_string(count - 1).c_str());
    // Restating the control with every value changed replaces each one.
    std::string restated = "<C N=x";
    for (int i = 0; i < count; ++i) restated += " A" + std::to_string(i) + "=v";
    ASSERT_EQ(Parse(parser, "<U><B>" + restated + "></C></B></U>", 1), 1);
    EXPECT_EQ(parser.GetValue(CString("A0"), control), "v");
    EXPECT_EQ(CKORU_Parser::MakeStatement(control).Left(12), "C= N=x A0=v ");
}

TEST(StressStatement, ManyEqualsSignsSaturateTheCount) {
    // 40000 equals signs outside quotes: the count stops at 32767 and the node's
    // word count stays in range.
    std::string text = "<C N=x " + std::string(40000, '=') + ">";
    CKORU_ItemNode node{CString(text)};
    short equals = 0;
    CString copy(text);
    EXPECT_EQ(CKORU_Parser::GetWordCount(copy, equals), 3);
    EXPECT_EQ(equals, 32767);
    EXPECT_EQ(node.m_WordCount, 0);
}

TEST(StressStatement, WordCountSaturates) {
    std::string text = "<C";
    for (int i = 0; i < 70000; ++i) text += " w";
    CKORU_ItemNode node(1, CString(text));
    EXPECT_EQ(node.m_WordCount, 65535);
}

TEST(StressValue, TenMebibyteQuotedValue) {
    // The value holds '>', '<', "!--" and "MACRO", all protected by the quotes.
    std::string value;
    value.reserve(10u << 20);
    const std::string piece = "ab<c>d!--e MACRO f ";
    while (value.size() + piece.size() <= (10u << 20)) value += piece;
    CKORU_Parser parser;
    ASSERT_EQ(Parse(parser, "<U><B><C N=x V=\"" + value + "\"></C></B></U>"), 1);
    ASSERT_EQ(parser.GetMainList()->GetCount(), 2);
    EXPECT_TRUE(parser.GetValue(CString("V"), parser.GetMainList()->GetHead()).Str() == value);
}

TEST(StressValue, TenMebibytesOfLengthPrefixedValues) {
    // A length has at most six digits (the header's '>' lies within ten bytes of
    // its '<'), so one value holds under 1 MB; eleven of them make 10 MiB.
    const int length = 999999;
    const int values = 11;
    std::string value(static_cast<size_t>(length), 'q');
    for (size_t i = 0; i < value.size(); i += 1000) value[i] = (i / 1000) % 2 ? '"' : '>';
    std::string statement = "<C N=x";
    for (int i = 0; i < values; ++i)
        statement += " V" + std::to_string(i) + "=\"<l=" + std::to_string(length) + ">" + value + "\"";
    CKORU_Parser parser;
    ASSERT_EQ(Parse(parser, "<U><B>" + statement + "></C></B></U>"), 1);
    CKORU_ItemNode* control = parser.GetMainList()->GetHead();
    ASSERT_EQ(control->m_TagName, "C");
    for (int i = 0; i < values; ++i) {
        CString* held = control->m_AttrTable.PLookup("V" + std::to_string(i));
        ASSERT_NE(held, nullptr);
        EXPECT_TRUE(held->Str() == "\"" + value + "\"") << "value " << i;  // kept decoded, quotes around
    }
}

TEST(StressValue, SevenDigitLengthIsReadAsText) {
    // "<l=1048576>" puts its '>' out of reach: the header is ordinary text and the
    // '>' after it ends the statement. Whatever comes of it, it ends and stays sound.
    std::string text = "<U><B><C N=x V=\"<l=1048576>" + std::string(1u << 20, 'z') + "\"></C></B></U>";
    CKORU_Parser parser;
    CString source(text);
    const int accepted = parser.DoParsingProc(source, 0);
    if (!accepted) {
        EXPECT_NE(parser.GetLastRefusal().code, KoruRefusalCode::None);
    }
    EXPECT_EQ(CheckStructure(parser), "");
}

TEST(StressQuotes, ThousandsOfUnterminatedQuotes) {
    const int count = 20000 / kScale;
    // Each statement opens a quote it never closes; the quotes pair up across statements.
    std::string odd = "<U><B>";
    for (int i = 0; i < count; ++i) odd += "<C N=\"c" + std::to_string(i) + "></C>";
    odd += "</B></U>";
    CKORU_Parser parser;
    CString source(odd);
    if (!parser.DoParsingProc(source, 0)) {
        EXPECT_NE(parser.GetLastRefusal().code, KoruRefusalCode::None);
    }
    EXPECT_EQ(CheckStructure(parser), "");

    // Quotes with no partner at all: each one runs to the end of the text.
    std::string lone = "<U><B></B></U>" + std::string(static_cast<size_t>(count), '"');
    CKORU_Parser second;
    ASSERT_EQ(Parse(second, lone), 1);
    EXPECT_EQ(second.GetMainList()->GetCount(), 1);

    // Inside the frame: the first quote runs to the end, so no "</U>" is seen.
    std::string inside = "<U>" + std::string(static_cast<size_t>(count), '"') + "<B></B></U>";
    CKORU_Parser third;
    CString framed(inside);
    const int accepted = third.DoParsingProc(framed, 0);
    if (!accepted) {
        EXPECT_NE(third.GetLastRefusal().code, KoruRefusalCode::None);
    }
    EXPECT_EQ(CheckStructure(third), "");

    // Length headers without their '>': read as text, one after another.
    std::string headers = "<U><B><C N=x";
    for (int i = 0; i < count; ++i) headers += " V=\"<l=";
    headers += "></C></B></U>";
    CKORU_Parser fourth;
    CString h(headers);
    if (!fourth.DoParsingProc(h, 0)) {
        EXPECT_NE(fourth.GetLastRefusal().code, KoruRefusalCode::None);
    }
    EXPECT_EQ(CheckStructure(fourth), "");
}

TEST(StressMacros, ThousandsOfMacrosAndReferences) {
    const int macros = 3000 / kScale;
    const int uses = 10;
    std::string block = "<MACRO>";
    for (int i = 0; i < macros; ++i) block += "M" + std::to_string(i) + ":v" + std::to_string(i) + "??";
    block += "</MACRO>";
    std::string body = "<U><B>";
    for (int i = 0; i < macros; ++i) {
        body += "<C N=c" + std::to_string(i);
        for (int u = 0; u < uses; ++u) body += " X" + std::to_string(u) + "=&M" + std::to_string(i) + ";";
        body += "></C>";
    }
    body += "</B></U>";
    CKORU_Parser parser;
    CString source(block + body);
    ASSERT_EQ(parser.DoParsingProc(source, 0), 1);
    EXPECT_EQ(source.Find('&'), -1);
    EXPECT_EQ(parser.GetMainList()->GetCount(), macros + 1);
    CKORU_ItemNode* control = parser.GetNode(nullptr, CString("C"), CString(("c" + std::to_string(macros - 1)).c_str()));
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(parser.GetValue(CString("X9"), control), ("v" + std::to_string(macros - 1)).c_str());
    // The table outlives the parse: a later source uses it too.
    CKORU_Parser::NodeList* rebuilt = parser.UpdateParser(nullptr, CString("<C N=c0 Y=&M1;></C>"), 1);
    ASSERT_NE(rebuilt, nullptr);
    ASSERT_EQ(rebuilt->GetCount(), 1);
    EXPECT_EQ(parser.GetValue(CString("Y"), rebuilt->GetHead()), "v1");
    parser.ReleaseNodeList(rebuilt);
}

// Macros listed from the last to the first, each value naming the next one
// twice: every substitution pass doubles the text.
std::string DoublingChain(int links) {
    std::string block = "<MACRO>";
    for (int i = links; i > 0; --i)
        block += "D" + std::to_string(i) + ":&D" + std::to_string(i - 1) + ";&D" + std::to_string(i - 1) + ";??";
    block += "D0:x??" "</MACRO>";
    return block + "<U><B V=\"&D" + std::to_string(links) + ";\"></B></U>";
}

TEST(StressMacros, DoublingChainWithinTheBoundExpands) {
    CKORU_Parser parser;
    ASSERT_EQ(Parse(parser, DoublingChain(20)), 1);  // 2^20 bytes, under the 8 MiB floor
    EXPECT_TRUE(parser.GetValue(CString("V"), parser.GetMainList()->GetHead()).Str() == std::string(1u << 20, 'x'));
}

TEST(StressMacros, DoublingChainPastTheBoundIsRefusedUnchanged) {
    CKORU_Parser parser;
    ASSERT_EQ(Parse(parser, "<MACRO>K:kept??" "</MACRO><U><B N=&K;></B></U>"), 1);
    const ParserImage before = ImageOf(parser);
    const std::string text = DoublingChain(60);
    CString source(text);
    EXPECT_EQ(parser.DoParsingProc(source, 1), 0);
    EXPECT_EQ(parser.GetLastRefusal().code, KoruRefusalCode::ExpansionLimit);
    EXPECT_EQ(source.Str(), text);
    EXPECT_EQ(Difference(before, ImageOf(parser)), "");

    // The same through an update text.
    CKORU_Parser updated;
    ASSERT_EQ(Parse(updated, "<U><B></B></U>"), 1);
    const ParserImage beforeUpdate = ImageOf(updated);
    std::string update = text;
    update.replace(update.find("<U>"), 3, "");
    update.replace(update.find("</U>"), 4, "");
    EXPECT_EQ(updated.UpdateParser(nullptr, CString(update), 0), nullptr);
    EXPECT_EQ(updated.GetLastRefusal().code, KoruRefusalCode::ExpansionLimit);
    EXPECT_EQ(Difference(beforeUpdate, ImageOf(updated)), "");
}

// A source of about `length` bytes of references to a macro of `width` bytes.
std::string Expanding(size_t length, size_t width) {
    std::string refs;
    while (refs.size() < length) refs += "&W;";
    return "<MACRO>W:" + std::string(width, 'w') + "??" "</MACRO><U><B V=\"" + refs + "\"></B></U>";
}

TEST(StressMacros, ExpansionBoundGrowsWithTheSource) {
    // About 200 KB of source may grow to 100 times its length, past the 8 MiB
    // floor: 66,667 references to 199 bytes make 13 MB.
    CKORU_Parser parser;
    ASSERT_EQ(Parse(parser, Expanding(200000, 199)), 1) << parser.GetLastRefusal().message;
    EXPECT_EQ(parser.GetValue(CString("V"), parser.GetMainList()->GetHead()).GetLength(), 66667 * 199);

    // Half the source (so a 10 MB bound) growing to the same 13 MB is refused.
    CKORU_Parser refused;
    const std::string text = Expanding(100000, 399);
    CString source(text);
    EXPECT_EQ(refused.DoParsingProc(source, 0), 0);
    EXPECT_EQ(refused.GetLastRefusal().code, KoruRefusalCode::ExpansionLimit);
    EXPECT_EQ(source.Str(), text);
    EXPECT_EQ(refused.GetMainList(), nullptr);
}

TEST(StressMerge, SameFragmentMergedAThousandTimes) {
    const int rounds = 1000 / kScale;
    CKORU_Parser parser;
    ASSERT_EQ(Parse(parser, "<U><B><C N=a><E T=old></E></C><F ID=f></F></B></U>"), 1);
    const std::string fragment =
        "<U><B HREF=h><C N=a X=1><A N=x V=1></A><IE T=1></IE><E T=1></E><M T=2></M></C>"
        "<C N=b></C><F ID=g></F><EN T=3></EN></B></U>";
    for (int i = 0; i < rounds; ++i) ASSERT_EQ(Parse(parser, fragment), 1) << "round " << i;
    EXPECT_EQ(CountTag(parser, "C"), 2);
    EXPECT_EQ(CountTag(parser, "A"), 1);  // matched by N after the first round
    EXPECT_EQ(CountTag(parser, "E"), 2);  // the old one, and the latest T=1 (each round removes the last)
    EXPECT_EQ(CountTag(parser, "M"), rounds);
    EXPECT_EQ(CountTag(parser, "EN"), rounds);
    EXPECT_EQ(CountTag(parser, "F"), 1 + rounds);
    EXPECT_EQ(parser.GetBodyHRef(), "h");
    EXPECT_EQ(CheckStructure(parser), "");
    EXPECT_EQ(CheckParsedLevels(parser.GetMainList()), "");
}

TEST(StressMerge, TenThousandNewControlsInOneFragment) {
    const int count = 10000 / kScale;
    std::string document = "<U><B>", fragment = "<U><B>";
    for (int i = 0; i < count; ++i) document += "<C N=d" + std::to_string(i) + "></C>";
    for (int i = 0; i < count; ++i) fragment += "<C N=f" + std::to_string(i) + " X=1></C>";
    CKORU_Parser parser;
    ASSERT_EQ(Parse(parser, document + "</B></U>"), 1);
    ASSERT_EQ(Parse(parser, fragment + "</B></U>"), 1);
    EXPECT_EQ(CountTag(parser, "C"), 2 * count);
    EXPECT_EQ(parser.GetMainList()->GetTail()->m_TagName, "B");
    EXPECT_EQ(CheckClosingOrder(parser.GetMainList()), "");  // new level-3 controls before the body
}

TEST(StressUpdate, TenThousandBatches) {
    const int count = 10000 / kScale;
    std::string document = "<U><B>";
    for (int i = 0; i < count; ++i) document += "<C N=c" + std::to_string(i) + "></C>";
    CKORU_Parser parser;
    ASSERT_EQ(Parse(parser, document + "</B></U>"), 1);
    std::string update;
    for (int i = 0; i < count; ++i) update += "<C N=c" + std::to_string(i) + " X=" + std::to_string(i) + "></C>";
    CKORU_Parser::NodeList* rebuilt = parser.UpdateParser(nullptr, CString(update), 1);
    ASSERT_NE(rebuilt, nullptr);
    EXPECT_EQ(rebuilt->GetCount(), count);
    EXPECT_EQ(parser.GetValue(CString("X"), rebuilt->GetTail()), std::to_string(count - 1).c_str());
    parser.ReleaseNodeList(rebuilt);
    EXPECT_EQ(CountTag(parser, "C"), count);
    EXPECT_EQ(CheckStructure(parser), "");
}

TEST(StressDelete, DeletingTheBodyOfALargeDocument) {
    const int count = 100000 / kScale;
    std::string document = "<U><B>";
    for (int i = 0; i < count; ++i) document += "<C N=c" + std::to_string(i) + "><A N=a></A></C>";
    CKORU_Parser parser;
    ASSERT_EQ(Parse(parser, document + "</B></U>"), 1);
    // Removal instructions matching every child: each deletes from the same body.
    parser.DeleteNode(CString(""), parser.GetMainList()->GetTail(), CString("C"));
    EXPECT_EQ(parser.GetMainList()->GetCount(), 1);
    parser.DeleteNode(parser.GetMainList()->GetTail());
    EXPECT_TRUE(parser.GetMainList()->IsEmpty());
}

}  // namespace
