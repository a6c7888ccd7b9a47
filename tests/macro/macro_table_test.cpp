// Macro table: reading definitions from a block's text and merging them into
// the table, with the first block fixing names as written.
#include "parser/pipeline_helpers.h"

#include <gtest/gtest.h>

using namespace koru_test;

namespace {

// The definitions one block text yields, in order.
Lines Tokens(const std::string& blockText) {
    CKORU_Parser parser;
    CMapStringToString definitions;
    Access::TokenMacroString(parser, CString(std::string_view(blockText)), definitions);
    return Table(&definitions);
}

TEST(MacroTokens, DefinitionsEndWithTwoQuestionMarks) {
    EXPECT_EQ(Tokens("A:one??B:two??"), (Lines{"A=one", "B=two"}));
    EXPECT_EQ(Tokens("\n  A:one??\n\tB:two??\n"), (Lines{"A=one", "B=two"}));
    // The value is everything after the colon, colons and blanks included.
    EXPECT_EQ(Tokens("NAME:a:b c??"), (Lines{"NAME=a:b c"}));
    EXPECT_EQ(Tokens("NL:line one\nline two??"), (Lines{"NL=line one\nline two"}));
}

TEST(MacroTokens, SeparatorsInsideANameAreDropped) {
    EXPECT_EQ(Tokens("A B&C;D=E\"F:v??"), (Lines{"ABCDEF=v"}));
}

TEST(MacroTokens, LastDefinitionMayRunToTheEnd) {
    EXPECT_EQ(Tokens("A:one??Z:three and more"), (Lines{"A=one", "Z=three and more"}));
}

TEST(MacroTokens, LengthPrefixedValueIsTakenUnchanged) {
    EXPECT_EQ(Tokens("X:<l=4>a??b?? Y:z??" ">"), (Lines{"X=a??b", "Y=z"}));
    EXPECT_EQ(Tokens("E:<l=0>??F:f??" ">"), (Lines{"E=", "F=f"}));
    // The header's '>' is no closing '>': text follows it.
    EXPECT_EQ(Tokens("E:<l=3>abc??F:f??"), (Lines{"E=abc", "F=f"}));
    // Six digits still fit the header's window of ten characters.
    const std::string value(100000, 'v');
    Lines got = Tokens("G:<l=100000>" + value + "??H:h??" ">");
    ASSERT_EQ(got.size(), 2u);
    EXPECT_TRUE(got[0] == "G=" + value);
    EXPECT_EQ(got[1], "H=h");
}

TEST(MacroTokens, HeaderWithoutGreaterThanInItsWindowRunsToTheEnd) {
    EXPECT_EQ(Tokens("X:<l=12345678 abc??Y:y??"), (Lines{"X=<l=12345678 abc??Y:y??"}));
}

TEST(MacroTokens, TextIsCutAtALastGreaterThanFollowedOnlyByBlanks) {
    EXPECT_EQ(Tokens("A:one?? B:two??" ">"), (Lines{"A=one", "B=two"}));
    EXPECT_EQ(Tokens("A:one?? B:two??" ">\r\n\t "), (Lines{"A=one", "B=two"}));
    EXPECT_EQ(Tokens("A:x>y??B:z??" ">"), (Lines{"A=x>y", "B=z"}));
    // A '>' inside a value with text after it cuts nothing.
    EXPECT_EQ(Tokens("A:<b>??B:x??"), (Lines{"A=<b>", "B=x"}));
}

TEST(MacroTokens, GreaterThanInsideAValueKeepsLaterDefinitionsOfADocument) {
    CKORU_Parser parser;
    ASSERT_EQ(1, Parse(parser, "<MACRO>\nA:<l=4>a??b??\nB:\"<i>\"??\nC:c??\n</MACRO>"
                               "<U><B X=\"&A;\" Y=&B; Z=&C;></B></U>"));
    const CKORU_ItemNode* body = parser.GetMainList()->GetHead();
    EXPECT_EQ((Lines{"B=", "X=\"a??b\"", "Y=\"<i>\"", "Z=c"}), Table(&body->m_AttrTable));
}

TEST(MacroTokens, DefinitionsWithoutANameAddNothing) {
    EXPECT_EQ(Tokens(":value??"), Lines{});
    EXPECT_EQ(Tokens(" &;:value??A:a??"), (Lines{"A=a"}));
    EXPECT_EQ(Tokens("no colon here"), Lines{});
    EXPECT_EQ(Tokens(""), Lines{});
}

TEST(MacroTokens, RepeatedNameInOneBlockTakesTheLaterValue) {
    EXPECT_EQ(Tokens("A:1??B:2??A:3??"), (Lines{"A=3", "B=2"}));
}

TEST(MacroTokens, ConfirmationNeedsAnOrdinaryCharacter) {
    CKORU_Parser parser;
    CString value("v");
    CString named("A"), empty(""), blanks(" ;");
    EXPECT_EQ(Access::ConfirmationMacroValue(parser, named, value), 1);
    EXPECT_EQ(Access::ConfirmationMacroValue(parser, empty, value), 0);
    EXPECT_EQ(Access::ConfirmationMacroValue(parser, blanks, value), 0);
}

TEST(MacroMerge, FirstBlockKeepsNamesAndEmptyValues) {
    CKORU_Parser parser;
    Access::MakeMacroList(parser, "Title:Hello??D:??");
    EXPECT_EQ(Table(Access::MacroTable(parser)), (Lines{"Title=Hello", "D="}));
}

TEST(MacroMerge, LaterBlocksStoreUpperCasedNamesAndSkipEmptyValues) {
    CKORU_Parser parser;
    Access::MakeMacroList(parser, "Title:Hello??");
    Access::MakeMacroList(parser, "Title:Bye??D:??e:new??");
    EXPECT_EQ(Table(Access::MacroTable(parser)), (Lines{"Title=Hello", "TITLE=Bye", "E=new"}));
}

TEST(MacroMerge, ExistingNameIsReplacedOnlyUnderTheOverwriteFlag) {
    CKORU_Parser parser;
    Access::MakeMacroList(parser, "TITLE:Hello??K:keep??");
    Access::MakeMacroList(parser, "TITLE:Bye??");
    EXPECT_EQ(Table(Access::MacroTable(parser)), (Lines{"TITLE=Hello", "K=keep"}));

    Access::SetOverwrite(parser, 1);
    Access::MakeMacroList(parser, "title:Bye??K:??");
    // An empty value replaces too; the replaced name keeps its place.
    EXPECT_EQ(Table(Access::MacroTable(parser)), (Lines{"TITLE=Bye", "K="}));
}

TEST(MacroMerge, ThroughParsesTheFirstBlockWinsUnlessOverwriting) {
    CKORU_Parser parser;
    CString first("<MACRO>Title:Hello??" "</MACRO><U><B N=&Title;><C N=&TITLE;></C></B></U>");
    ASSERT_EQ(parser.DoParsingProc(first, 0), 1);
    EXPECT_EQ(Str(first), "<U><B N=Hello><C N=&TITLE;></C></B></U>");

    CString second("<MACRO>TITLE:Bye??" "</MACRO><U><F ID=&TITLE;></F></U>");
    ASSERT_EQ(parser.DoParsingProc(second, 0), 1);
    EXPECT_EQ(Str(second), "<U><F ID=Bye></F></U>");

    CString third("<MACRO>TITLE:Again??" "</MACRO><U><F ID=&TITLE;></F></U>");
    ASSERT_EQ(parser.DoParsingProc(third, 1), 1);
    EXPECT_EQ(Str(third), "<U><F ID=Again></F></U>");
    EXPECT_EQ(Table(Access::MacroTable(parser)), (Lines{"Title=Hello", "TITLE=Again"}));
}

TEST(MacroMerge, VisibleRedefinitionTextTurnsOverwritingOnForTheBlock) {
    CKORU_Parser parser;
    ASSERT_EQ(Parse(parser, "<MACRO>A:old??" "</MACRO><U></U>"), 1);
    ASSERT_EQ(Parse(parser, "<MACRO>A:new??" "</MACRO><U></U><F ID=x></F>", 0), 1);
    EXPECT_EQ(Table(Access::MacroTable(parser)), (Lines{"A=new"}));
}

TEST(MacroMerge, IsInSameMacroKeyUpperCasesTheName) {
    CKORU_Parser parser;
    CMapStringToString table;
    table.SetAt(CString("KEY"), CString("v"));
    CString name("key"), value("stale");
    EXPECT_EQ(Access::IsInSameMacroKey(parser, name, value, &table), 1);
    EXPECT_EQ(Str(name), "KEY");
    EXPECT_EQ(Str(value), "v");

    CString missing("other");
    EXPECT_EQ(Access::IsInSameMacroKey(parser, missing, value, &table), 0);
    EXPECT_EQ(Str(missing), "OTHER");
    EXPECT_EQ(Str(value), "");
}

TEST(MacroDef, CopiesBothFields) {
    CMacroDef a(CString("N"), CString("v"));
    CMacroDef b(&a);
    CMacroDef c(b);
    CMacroDef none(static_cast<const CMacroDef*>(nullptr));
    EXPECT_EQ(Str(b.m_Name) + "=" + Str(b.m_Value), "N=v");
    EXPECT_EQ(Str(c.m_Name) + "=" + Str(c.m_Value), "N=v");
    EXPECT_TRUE(none.m_Name.IsEmpty() && none.m_Value.IsEmpty());
    none = a;
    EXPECT_EQ(Str(none.m_Value), "v");
}

}  // namespace
