// Statement splitter: what a statement is, quoted and length-prefixed values,
// comments, the macro block cut and the balance check.
#include "parser/pipeline_helpers.h"

#include <gtest/gtest.h>

using namespace koru_test;

namespace {

const Lines kRefused = {"(null)"};

TEST(StatementSplitter, StatementsRunFromLessThanToFirstGreaterThan) {
    EXPECT_EQ(Split("<U>\n</U>"), (Lines{"<U>", "</U>"}));
    // Line breaks, tabs, letter case and a further '<' stay in the statement.
    EXPECT_EQ(Split("<b\n\tN=x <y></b>"), (Lines{"<b\n\tN=x <y>", "</b>"}));
    // Text between statements is ignored.
    EXPECT_EQ(Split("hello <B> text </B> bye"), (Lines{"<B>", "</B>"}));
    EXPECT_EQ(Split("<>"), kRefused);  // one start statement, no end
    EXPECT_EQ(Split("<></>"), (Lines{"<>", "</>"}));
}

TEST(StatementSplitter, SourceWithoutStatementGivesNull) {
    EXPECT_EQ(Split(""), kRefused);
    EXPECT_EQ(Split("plain text, no statement"), kRefused);
    EXPECT_EQ(Split("only > greater than"), kRefused);
}

TEST(StatementSplitter, QuotedValueProtectsGreaterThanAndComment) {
    EXPECT_EQ(Split("<C N=\"a>b\"></C>"), (Lines{"<C N=\"a>b\">", "</C>"}));
    EXPECT_EQ(Split("<C N=\"!-- x\"></C>"), (Lines{"<C N=\"!-- x\">", "</C>"}));
}

TEST(StatementSplitter, UnterminatedStatementOrQuoteIsDroppedWithoutFailing) {
    EXPECT_EQ(Split("<B></B><C N=x"), (Lines{"<B>", "</B>"}));
    EXPECT_EQ(Split("<B></B><C N=\"x>"), (Lines{"<B>", "</B>"}));
}

TEST(StatementSplitter, LengthPrefixedValueKeepsQuoteAndHeader) {
    // The five value bytes hold '>', '"' and '<'; none of them ends the statement.
    EXPECT_EQ(Split("<C V=\"<l=5>a>\"b<\"></C>"), (Lines{"<C V=\"<l=5>a>\"b<\">", "</C>"}));
    EXPECT_EQ(Split("<C V=\"<l=0>\"></C>"), (Lines{"<C V=\"<l=0>\">", "</C>"}));
}

TEST(StatementSplitter, SixDigitLengthKeepsQuoteAndHeader) {
    const std::string value(100000, 'z');
    const std::string statement = "<C V=\"<l=100000>" + value + "\">";
    Lines got = Split(statement + "</C>");
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].size(), statement.size());
    EXPECT_TRUE(got[0] == statement) << got[0].substr(0, 24);
    EXPECT_EQ(got[1], "</C>");
}

TEST(StatementSplitter, HeaderWithoutGreaterThanInReachLeavesQuoteOut) {
    // Eight digits put the '>' outside the header's window: the quote is left
    // out and the header's bytes are read as ordinary ones.
    EXPECT_EQ(Split("<C V=\"<l=12345678 x></C>"), (Lines{"<C V=<l=12345678 x>", "</C>"}));
}

TEST(StatementSplitter, LengthRunningPastTheEndDropsTheStatement) {
    EXPECT_EQ(Split("<B></B><C V=\"<l=50>abc\">"), (Lines{"<B>", "</B>"}));
}

TEST(StatementSplitter, CommentsYieldNoStatement) {
    EXPECT_EQ(Split("<!-- x --><B></B>"), (Lines{"<B>", "</B>"}));
    // A comment begun inside a statement drops the whole statement.
    EXPECT_EQ(Split("<C N=a !-- x -- ><B></B>"), (Lines{"<B>", "</B>"}));
    // What follows the closing "--" up to the next '<' is text between statements.
    EXPECT_EQ(Split("<!-- x -- trailing > text<B></B>"), (Lines{"<B>", "</B>"}));
}

TEST(StatementSplitter, EmptyCommentNeedsABlankBetweenItsDashes) {
    EXPECT_EQ(Split("<!-- --><B></B>"), (Lines{"<B>", "</B>"}));
    EXPECT_EQ(Split("<!----><B></B>"), kRefused);
}

TEST(StatementSplitter, UnclosedCommentFailsAndReleasesGatheredStatements) {
    EXPECT_EQ(Split("<!-- x"), kRefused);
    EXPECT_EQ(Split("<B></B><C><!-- never closed"), kRefused);
}

TEST(StatementSplitter, StartAndEndStatementsMustBalance) {
    EXPECT_EQ(Split("<U><B></U>"), kRefused);
    EXPECT_EQ(Split("<U></B></B></U>"), kRefused);
    // A stray end before its start still balances here; the tag stack deals with it.
    EXPECT_EQ(Split("</B><B>"), (Lines{"</B>", "<B>"}));
}

TEST(StatementSplitter, BlankAfterLessThanMakesAStartStatement) {
    // "< /C>" is counted as a start statement: with "</B>" it balances.
    EXPECT_EQ(Split("< /C></B>"), (Lines{"< /C>", "</B>"}));
    EXPECT_EQ(Split("<B>< /C>"), kRefused);
}

TEST(StatementSplitter, MacroBlockIsCutOutAndApplied) {
    CKORU_Parser parser;
    CString source("<MACRO>A:one??" "</MACRO><U><B N=&A;></B></U>");
    Lines got = TakeStatements(Access::PreProcess(parser, source));
    EXPECT_EQ(got, (Lines{"<U>", "<B N=one>", "</B>", "</U>"}));
    EXPECT_EQ(Str(source), "<U><B N=one></B></U>");
    EXPECT_EQ(Str(Access::MacroBlockText(parser)), "A:one??");
}

TEST(StatementSplitter, MacroDefinitionsMayStandInsideTheStartTag) {
    CKORU_Parser parser;
    CString source("<U><MACRO A:one?? B:two??" "></MACRO><B N=&A;&B;></B></U>");
    Lines got = TakeStatements(Access::PreProcess(parser, source));
    EXPECT_EQ(got, (Lines{"<U>", "<B N=onetwo>", "</B>", "</U>"}));
    EXPECT_EQ(Str(source), "<U><B N=onetwo></B></U>");
}

TEST(StatementSplitter, MacroInQuotesIsNoBlockButUnquotedMacroIs) {
    EXPECT_EQ(Split("<U><B N=\"MACRO\"></B></U>"), (Lines{"<U>", "<B N=\"MACRO\">", "</B>", "</U>"}));
    EXPECT_EQ(Split("<U><B N=\"<l=5>MACRO\"></B></U>"), (Lines{"<U>", "<B N=\"<l=5>MACRO\">", "</B>", "</U>"}));
    // Matched exactly: lower case is an ordinary statement.
    EXPECT_EQ(Split("<macro></macro>"), (Lines{"<macro>", "</macro>"}));

    CKORU_Parser parser;
    CString source("<U><B N=MACRO></B></U>");
    EXPECT_EQ(TakeStatements(Access::PreProcess(parser, source)), kRefused);
    EXPECT_EQ(Str(source), "<U><B N=MACRO></B></U>");  // left unchanged
}

TEST(StatementSplitter, MacrosOfAnEarlierSourceApplyToLaterOnes) {
    CKORU_Parser parser;
    CString first("<MACRO>T:Hi??" "</MACRO><U></U>");
    TakeStatements(Access::PreProcess(parser, first));
    Access::CommitStagedMacros(parser);
    CString second("<U><B N=&T;></B></U>");
    EXPECT_EQ(TakeStatements(Access::PreProcess(parser, second)), (Lines{"<U>", "<B N=Hi>", "</B>", "</U>"}));
    EXPECT_EQ(Str(Access::MacroBlockText(parser)), "");  // emptied at the start of every run
}

TEST(StatementSplitter, ReadsOneStatementAndLeavesPosOnItsEnd) {
    CKORU_Parser parser;
    CString source("x<B N=\"a>b\">y");
    int pos = 1;
    CString* statement = Access::GetOneStatementItem(parser, pos, source);
    ASSERT_NE(statement, nullptr);
    EXPECT_EQ(Str(*statement), "<B N=\"a>b\">");
    EXPECT_EQ(pos, 11);
    delete statement;

    CString comment("<!-- c --><B>");
    pos = 0;
    EXPECT_EQ(Access::GetOneStatementItem(parser, pos, comment), nullptr);
    EXPECT_EQ(pos, 7);  // the first '-' of the closing "--"

    CString unclosed("<!-- c");
    pos = 0;
    EXPECT_EQ(Access::GetOneStatementItem(parser, pos, unclosed), nullptr);
    EXPECT_EQ(pos, -1);
}

}  // namespace
