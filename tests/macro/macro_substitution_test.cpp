// Macro substitution: one left-to-right pass per macro in table order, so it
// ends for self-referencing values, stays linear, and is bounded in growth.
#include "parser/pipeline_helpers.h"

#include <gtest/gtest.h>

#include <random>

using namespace koru_test;

namespace {

std::string Replace(const std::string& text, const char* name, const char* value) {
    CKORU_Parser parser;
    CString source{std::string_view(text)};
    Access::ReplaceMacroValue(parser, source, name, value);
    return Str(source);
}

// The processed source of `text` after the macros of `block` were read.
std::string Expand(const std::string& block, const std::string& text) {
    CKORU_Parser parser;
    Access::MakeMacroList(parser, CString(std::string_view(block)));
    CString source{std::string_view(text)};
    Lines statements = TakeStatements(Access::PreProcess(parser, source));
    if (statements == Lines{"(null)"}) return "(refused)";
    return Str(source);
}

// The definition of the result: one left-to-right pass per macro in table
// order, each resuming after the value it inserted.
std::string PassPerMacro(const CMapStringToString& table, std::string text) {
    for (int i = 0; i < table.GetCount(); ++i) {
        const std::string reference = "&" + Str(table.KeyAt(i)) + ";";
        const std::string value = Str(table.ValueAt(i));
        std::string out;
        size_t from = 0;
        for (size_t at = text.find(reference); at != std::string::npos; at = text.find(reference, from)) {
            out.append(text, from, at - from);
            out += value;
            from = at + reference.size();
        }
        out.append(text, from, std::string::npos);
        text.swap(out);
    }
    return text;
}

// The parser's substitution of `text` with `table` as its macro table.
std::string Substitute(const CMapStringToString& table, const std::string& text) {
    CKORU_Parser parser;
    *Access::MutableMacroTable(parser) = table;
    CString source{std::string_view(text)};
    if (!Access::SubstituteMacros(parser, source)) return "(refused)";
    return Str(source);
}

TEST(MacroReplace, EveryReferenceIsReplacedCaseSensitively) {
    EXPECT_EQ(Replace("x&A;y&A;", "A", "1"), "x1y1");
    EXPECT_EQ(Replace("x&a;y&A", "A", "1"), "x&a;y&A");
    EXPECT_EQ(Replace("&A;&A;&A;", "A", ""), "");
    EXPECT_EQ(Replace("&AB;&A;", "A", "1"), "&AB;1");
}

TEST(MacroReplace, SelfReferenceIsLeftOnceAndEnds) {
    EXPECT_EQ(Replace("&A;", "A", "[&A;]"), "[&A;]");
    EXPECT_EQ(Replace("&A;-&A;", "A", "&A;&A;"), "&A;&A;-&A;&A;");
    // A reference that forms across an inserted value is not searched again.
    EXPECT_EQ(Replace("&A;;", "A", "&A"), "&A;");
}

TEST(MacroReplace, ReferencesInsideQuotesAndCommentsAreReplacedToo) {
    EXPECT_EQ(Replace("<B N=\"&A;\"><!-- &A; -->", "A", "v"), "<B N=\"v\"><!-- v -->");
}

TEST(MacroSubstitution, ChainsFollowTableOrder) {
    // A value naming a macro later in the table is expanded ...
    EXPECT_EQ(Expand("A:(&B;)??B:b??", "<U N=&A;></U>"), "<U N=(b)></U>");
    // ... one naming an earlier macro is not.
    EXPECT_EQ(Expand("B:b??A:(&B;)??", "<U N=&A;></U>"), "<U N=(&B;)></U>");
    EXPECT_EQ(Expand("A:&B;&B;??B:&C;??C:c??", "<U N=&A;></U>"), "<U N=cc></U>");
}

TEST(MacroSubstitution, SelfReferencingDefinitionEndsThroughAParse) {
    CKORU_Parser parser;
    CString source("<MACRO>A:[&A;]??" "</MACRO><U><B N=\"&A;\"></B></U>");
    ASSERT_EQ(parser.DoParsingProc(source, 0), 1);
    EXPECT_EQ(Str(source), "<U><B N=\"[&A;]\"></B></U>");
}

TEST(MacroSubstitution, ManyReferencesAreReplacedInOnePass) {
    const int count = 200000;
    const std::string text = "<B N=\"" + Repeat("&A;-&Bee;", count) + "\"></B>";
    std::string got = Expand("A:ab??Bee:c??", text);
    EXPECT_EQ(got.size(), text.size() - static_cast<size_t>(count) * 5);
    EXPECT_TRUE(got == "<B N=\"" + Repeat("ab-c", count) + "\"></B>");
}

TEST(MacroSubstitution, MatchesOnePassPerMacroOnRandomInput) {
    // Short names and values full of '&' and ';', so that references form
    // across inserted values, vanish with empty values, chain both ways and
    // come again (the repeated ones are copied from their first expansion).
    std::mt19937 random(20240607);
    const char* names[] = {"a", "b", "ab", "ba", "c", "abc", "bc", "aa"};
    const char alphabet[] = {'a', 'b', 'c', 'a', 'b', '&', '&', '&', ';', ';', ';', 'x', ' '};
    auto randomText = [&](unsigned maxLength) {
        std::string text;
        for (unsigned n = random() % (maxLength + 1); n > 0; --n) text += alphabet[random() % sizeof alphabet];
        return text;
    };
    for (int round = 0; round < 20000; ++round) {
        CMapStringToString table;
        for (unsigned n = 1 + random() % 8; n > 0; --n)
            table.SetAt(CString(names[random() % 8]), CString(std::string_view(randomText(10))));
        const std::string text = randomText(40) + "&";
        const std::string expected = PassPerMacro(table, text);
        ASSERT_EQ(Substitute(table, text), expected)
            << "text " << text << " table " << ::testing::PrintToString(Table(&table));
    }
}

TEST(MacroSubstitution, LargeTableCostsOneStreamNotAPassPerMacro) {
    // 40000 macros each referenced once; passes over the whole text per macro
    // would make this some 10^10 character visits.
    CMapStringToString table;
    std::string text, expected;
    for (int i = 0; i < 40000; ++i) {
        const std::string name = "N" + std::to_string(i);
        table.SetAt(CString(std::string_view(name)), CString("v"));
        text += "&" + name + ";";
        expected += "v";
    }
    EXPECT_TRUE(Substitute(table, text) == expected);
}

TEST(MacroSubstitution, DoublingChainIsRefused) {
    std::string block;
    for (int i = 40; i > 1; --i) {
        std::string prev = "&M" + std::to_string(i - 1) + ";";
        block += "M" + std::to_string(i) + ":" + prev + prev + "??";
    }
    block += "M1:x??";
    EXPECT_EQ(Expand(block, "<B N=\"&M40;\"></B>"), "(refused)");
    // Twenty levels (a million bytes) stay within the bound.
    std::string got = Expand(block, "<B N=\"&M20;\"></B>");
    EXPECT_EQ(got.size(), (1u << 19) + 12);
}

TEST(MacroSubstitution, WritingAndTakingOutLongTextAgainAndAgainIsRefused) {
    // A writes '&' and a 100,000-byte name; the ';' after each &A; completes a
    // reference to that name, whose empty value takes it all out again. The
    // text stays short, but each of the 2000 references costs 100,000 bytes.
    const std::string name(100000, 'n');
    const std::string block = "<MACRO>A:&" + name + "??" + name + ":??" "</MACRO>";
    CKORU_Parser parser;
    EXPECT_EQ(Parse(parser, block + "<U><B N=\"" + Repeat("&A;;", 2000) + "\"></B></U>"), 0);
    EXPECT_EQ(parser.GetLastRefusal().code, KoruRefusalCode::ExpansionLimit);

    // A few of them are fine, and leave nothing behind.
    CString few{std::string_view(block + "<U><B N=\"" + Repeat("&A;;", 3) + "\"></B></U>")};
    EXPECT_EQ(parser.DoParsingProc(few, 0), 1);
    EXPECT_EQ(Str(few), "<U><B N=\"\"></B></U>");
}

TEST(MacroSubstitution, BoundIsEightMebibytesForShortSources) {
    const std::string kib(1024, 'v');
    const std::string block = "V:" + kib + "??";
    // 8000 KiB fit; 8 MiB and the statement around them do not.
    EXPECT_NE(Expand(block, "<B N=\"" + Repeat("&V;", 8000) + "\"></B>"), "(refused)");
    EXPECT_EQ(Expand(block, "<B N=\"" + Repeat("&V;", 8192) + "\"></B>"), "(refused)");
}

TEST(MacroSubstitution, BoundIsAHundredTimesTheLengthForLongSources) {
    // 30000 references: the source is some 90 KB, so the bound is some 9 MB.
    const std::string refs = "<B N=\"" + Repeat("&V;", 30000) + "\"></B>";
    std::string got = Expand("V:" + std::string(290, 'v') + "??", refs);  // 8.7 MB
    EXPECT_EQ(got.size(), 30000u * 290 + 12);
    EXPECT_EQ(Expand("V:" + std::string(310, 'v') + "??", refs), "(refused)");  // 9.3 MB
}

}  // namespace
