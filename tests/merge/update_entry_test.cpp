// Update entry: loose control and body statements merged batch by batch.
#include "query/doc_helpers.h"

#include <gtest/gtest.h>

#include <string>

using namespace koru_test;

namespace {

// A statement list as the splitter makes it: one heap string per statement.
CKORU_Parser::StatementList* Statements(std::initializer_list<const char*> texts) {
    auto* list = new CKORU_Parser::StatementList(10);
    for (const char* text : texts) list->AddTail(new CString(text));
    return list;
}

class UpdateEntry : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(1, Parse(parser, "<U><B><C N=a></C></B></U>")); }

    OwnedList Update(const std::string& text, int newValueFlag = 0) {
        return Own(parser, parser.UpdateParser(nullptr, CString(text.c_str()), newValueFlag));
    }

    CKORU_ItemNode* Control(const char* name) { return parser.GetNode(nullptr, CString("C"), CString(name)); }

    CKORU_Parser parser;
};

TEST_F(UpdateEntry, NewControlIsInsertedAtControlLevelAndReturned) {
    OwnedList result = Update("<C N=b X=1></C>", 1);
    EXPECT_EQ((Lines{"C 3 N=a", "C 3 N=b", "B 2"}), MainLines(parser));
    ASSERT_NE(nullptr, result);
    EXPECT_EQ((std::vector<CKORU_ItemNode*>{Control("b")}), Nodes(result.get()));
    // The tag's own empty entry is never entered.
    EXPECT_EQ((Lines{"N=b", "X=1"}), Table(Control("b")->m_NewValueTable));
}

TEST_F(UpdateEntry, EachBatchIsMergedAndResultsKeepOrder) {
    OwnedList result = Update("<C N=a X=2></C><C N=b></C>");
    EXPECT_EQ((Lines{"C 3 N=a", "C 3 N=b", "B 2"}), MainLines(parser));
    EXPECT_EQ((std::vector<CKORU_ItemNode*>{Control("a"), Control("b")}), Nodes(result.get()));
    // Every batch sets the overwrite flag: X is assigned though the parse had it off.
    EXPECT_EQ("2", Attr(Control("a"), "X"));
    EXPECT_TRUE(Control("a")->m_NewValueTable.IsEmpty());
}

TEST_F(UpdateEntry, BodyBatchShiftsByOne) {
    OwnedList result = Update("<B HREF=x><A N=y></A></B>");
    EXPECT_EQ((Lines{"C 3 N=a", "A 3 N=y", "B 2"}), MainLines(parser));
    EXPECT_EQ((std::vector<CKORU_ItemNode*>{parser.GetMainList()->GetTail()}), Nodes(result.get()));
    EXPECT_EQ(CString("x"), parser.GetBodyHRef());
}

TEST_F(UpdateEntry, ControlChildrenGetLevelFour) {
    OwnedList result = Update("<C N=a><A N=x></A><E><M></M></E></C>");
    EXPECT_EQ((Lines{"A 4 N=x", "M 5", "E 4", "C 3 N=a", "B 2"}), MainLines(parser));
}

TEST_F(UpdateEntry, StatementsAfterTheLastBatchAreDropped) {
    OwnedList result = Update("<C N=a X=2></C><A N=x></A>");
    EXPECT_EQ((Lines{"C 3 N=a", "B 2"}), MainLines(parser));
    EXPECT_EQ((std::vector<CKORU_ItemNode*>{Control("a")}), Nodes(result.get()));
    // The dropped statements were never stacked: the next batch starts at depth 0.
    OwnedList next = Update("<C N=c></C>");
    EXPECT_EQ((Lines{"C 3 N=a", "C 3 N=c", "B 2"}), MainLines(parser));
}

TEST_F(UpdateEntry, UnbalancedTextIsRefused) {
    EXPECT_EQ(nullptr, parser.UpdateParser(nullptr, CString("<C N=a X=2></C><C N=c>"), 0));
    EXPECT_EQ((Lines{"C 3 N=a", "B 2"}), MainLines(parser));
    EXPECT_EQ("(absent)", Attr(Control("a"), "X"));
}

TEST_F(UpdateEntry, EmptyTextIsRefused) {
    EXPECT_EQ(nullptr, parser.UpdateParser(nullptr, CString(), 0));
    EXPECT_EQ(nullptr, parser.UpdateParser(nullptr, CString("no statements"), 0));
}

TEST_F(UpdateEntry, LowerCaseEndTagsEndNoBatch) {
    OwnedList result = Update("<c n=a X=2></c>");
    ASSERT_NE(nullptr, result);
    EXPECT_TRUE(result->IsEmpty());
    EXPECT_EQ((Lines{"C 3 N=a", "B 2"}), MainLines(parser));
    EXPECT_EQ("(absent)", Attr(Control("a"), "X"));
    // Only exactly /B or /C ends a batch; "/C " with attributes after it still does.
    OwnedList other = Update("<C N=a X=3></C Z=1>");
    EXPECT_EQ("3", Attr(Control("a"), "X"));
}

TEST_F(UpdateEntry, BodyEnclosingAControlSplitsIntoTwoBatches) {
    OwnedList result = Update("<B><C N=d></C></B>");
    // The control is closed while B is still open: level 2 + 2; then B gets 1 + 1.
    EXPECT_EQ((Lines{"C 3 N=a", "C 4 N=d", "B 2"}), MainLines(parser));
    EXPECT_EQ((std::vector<CKORU_ItemNode*>{Control("d"), parser.GetMainList()->GetTail()}), Nodes(result.get()));
}

TEST_F(UpdateEntry, TagsLeftOpenRaiseLaterLevels) {
    // </X> follows the last batch, so it is dropped and X stays open.
    OwnedList first = Update("<X><C N=d></C></X>");
    EXPECT_EQ((Lines{"C 3 N=a", "C 4 N=d", "B 2"}), MainLines(parser));
    // X is still open, so the next control also lands one deeper.
    OwnedList second = Update("<C N=e></C>");
    EXPECT_EQ((Lines{"C 3 N=a", "C 4 N=d", "C 4 N=e", "B 2"}), MainLines(parser));
    // An end tag in a later batch closes the X opened before; X itself is
    // neither a control nor a body, so nothing is rebuilt.
    EXPECT_EQ(nullptr, parser.UpdateParser(Statements({"</X>"})));
    OwnedList third = Update("<C N=f></C>");
    EXPECT_EQ((Lines{"C 3 N=a", "C 4 N=d", "C 4 N=e", "C 3 N=f", "B 2"}), MainLines(parser));
}

TEST_F(UpdateEntry, UpdatesDropNoUOrHNodesAndMergeNoForms) {
    OwnedList result = Update("<C N=a><H T=1></H></C><F ID=1></F><C N=b></C>");
    // H is an event node of the control, inserted directly before it.
    EXPECT_EQ((Lines{"H 4", "C 3 N=a", "C 3 N=b", "B 2"}), MainLines(parser));
}

TEST_F(UpdateEntry, ControlsAreMergedBeforeTheBody) {
    // The body's removal instruction runs after the control's rebuild in the
    // same batch, so the A child inserted by the control is not affected,
    // but the body's own A child is.
    ASSERT_EQ(1, Parse(parser, "<U><B><A N=old T=1></A></B></U>"));
    OwnedList result = Update("<B><IA T=1></IA></B>");
    EXPECT_EQ((Lines{"C 3 N=a", "B 2"}), MainLines(parser));
}

TEST_F(UpdateEntry, NewValueFlagIsKeptForLaterMerges) {
    OwnedList result = Update("<C N=a></C>", 1);
    Control("a")->ReleaseNewList();
    ASSERT_EQ(1, Parse(parser, "<U><B><C N=a Z=\"q\"></C></B></U>", 1));
    EXPECT_EQ((Lines{"N=a", "Z=q"}), Table(Control("a")->m_NewValueTable));
    // New-value tables gather every merge until released.
    OwnedList again = Update("<C N=a W=\"w\"></C>", 1);
    EXPECT_EQ((Lines{"N=a", "Z=q", "W=w"}), Table(Control("a")->m_NewValueTable));
    EXPECT_EQ("\"w\"", Attr(Control("a"), "W"));
}

TEST_F(UpdateEntry, DocumentWithoutBodyGivesAnEmptyResult) {
    CKORU_Parser bare;
    ASSERT_EQ(1, Parse(bare, "<U><X></X></U>"));
    OwnedList result = Own(bare, bare.UpdateParser(nullptr, CString("<C N=a></C>"), 0));
    ASSERT_NE(nullptr, result);
    EXPECT_TRUE(result->IsEmpty());
    EXPECT_EQ((Lines{"X 2"}), MainLines(bare));
}

TEST(UpdateEntryNoDocument, TextOverloadBeforeAnyParseIsNullButKeepsTheFlag) {
    CKORU_Parser parser;
    EXPECT_EQ(nullptr, parser.UpdateParser(nullptr, CString("<C N=a></C>"), 1));
    EXPECT_EQ((Lines{"(no main list)"}), MainLines(parser));
    ASSERT_EQ(1, Parse(parser, "<U><B><C N=a></C></B></U>"));
    ASSERT_EQ(1, Parse(parser, "<U><B><C N=a X=1></C></B></U>", 1));
    EXPECT_EQ((Lines{"N=a", "X=1"}), Table(At(parser.GetMainList(), 0)->m_NewValueTable));
}

TEST(UpdateEntryStatements, StatementListOverloadMergesOneBatchWithOverwrite) {
    CKORU_Parser parser;
    ASSERT_EQ(1, Parse(parser, "<U><B><C N=a X=0></C></B></U>", 0));
    OwnedList result = Own(parser, parser.UpdateParser(Statements({"<C N=a X=9>", "<A N=k>", "</A>", "</C>"})));
    EXPECT_EQ((Lines{"A 4 N=k", "C 3 N=a", "B 2"}), MainLines(parser));
    EXPECT_EQ((std::vector<CKORU_ItemNode*>{At(parser.GetMainList(), 1)}), Nodes(result.get()));
    EXPECT_EQ("9", Attr(At(parser.GetMainList(), 1), "X"));
}

TEST(UpdateEntryStatements, NothingRebuiltGivesNull) {
    CKORU_Parser parser;
    ASSERT_EQ(1, Parse(parser, "<U><B></B><B></B></U>"));
    EXPECT_EQ(nullptr, parser.UpdateParser(Statements({"<A N=k>", "</A>"})));
    EXPECT_EQ(nullptr, parser.UpdateParser(Statements({"<B X=1>", "</B>"})));  // two bodies: none rebuilt
}

TEST(UpdateEntryStatements, ControlWithoutBodyToInsertBeforeGivesAnEmptyList) {
    CKORU_Parser parser;
    ASSERT_EQ(1, Parse(parser, "<U><X></X></U>"));
    OwnedList result = Own(parser, parser.UpdateParser(Statements({"<C N=a>", "</C>"})));
    ASSERT_NE(nullptr, result);
    EXPECT_TRUE(result->IsEmpty());
    EXPECT_EQ((Lines{"X 2"}), MainLines(parser));
}

TEST(UpdateEntryStatements, NoMainListConsumesTheStatementsAndGivesNull) {
    CKORU_Parser parser;
    EXPECT_EQ(nullptr, parser.UpdateParser(Statements({"<B>", "<C N=a>", "</C>", "</B>"})));
    EXPECT_EQ((Lines{"(no main list)"}), MainLines(parser));
}

TEST(UpdateEntryStatements, NullListIsNullAndChangesNothing) {
    CKORU_Parser parser;
    ASSERT_EQ(1, Parse(parser, "<U><B><C N=a X=0></C></B></U>", 0));
    EXPECT_EQ(nullptr, parser.UpdateParser(static_cast<CKORU_Parser::StatementList*>(nullptr)));
    EXPECT_EQ((Lines{"C 3 N=a", "B 2"}), MainLines(parser));
    // The overwrite flag was not set: a later merge in a parse with it off keeps X.
    ASSERT_EQ(1, Parse(parser, "<U></U>", 0));
    EXPECT_EQ(nullptr, parser.UpdateParser(static_cast<CKORU_Parser::StatementList*>(nullptr)));
    ASSERT_EQ(1, Parse(parser, "<U><B><C N=a X=1></C></B></U>", 0));
    EXPECT_EQ("0", Attr(At(parser.GetMainList(), 0), "X"));
}

// ---------------------------------------------------------------------------
// Sound behaviour
// ---------------------------------------------------------------------------

// A host may build lists the splitter never makes: an empty statement gives the
// empty node (empty tag name, one empty key), which merges into nothing.
TEST(UpdateEntrySound, HostBuiltListsWithEmptyStatementsAreSafe) {
    CKORU_Parser parser;
    ASSERT_EQ(1, Parse(parser, "<U><B></B></U>"));
    EXPECT_EQ(nullptr, parser.UpdateParser(Statements({""})));
    EXPECT_EQ(nullptr, parser.UpdateParser(Statements({"", "</C>", ""})));
    EXPECT_EQ((Lines{"B 2"}), MainLines(parser));
}

// The insert position can appear during one update: an earlier batch gives an
// emptied body its B key back, and a later batch's new control goes before it.
TEST(UpdateEntrySound, InsertPositionRestoredByAnEarlierBatchIsUsed) {
    CKORU_Parser parser;
    ASSERT_EQ(1, Parse(parser, "<U><B><C N=a></C></B></U>"));
    CKORU_ItemNode* body = parser.GetMainList()->GetTail();
    body->ReleaseMainList();
    CKORU_Parser::NodeList* result = parser.UpdateParser(nullptr, "<B><C N=x></C></B><C N=y></C>", 0);
    EXPECT_EQ((Lines{"C 3 N=a", "C 3 N=y", "B 2"}), MainLines(parser));
    EXPECT_EQ((Lines{"B 2", "C 3 N=y"}), Render(result));
    parser.ReleaseNodeList(result);
}

// A later batch's removal instruction may delete a control that an earlier
// batch returned; the result must only hold nodes still in the main list.
TEST(UpdateEntrySound, ResultHoldsNoNodeDeletedByALaterBatch) {
    CKORU_Parser parser;
    ASSERT_EQ(1, Parse(parser, "<U><B><E T=1><C N=x></C></E><C N=k></C></B></U>"));
    ASSERT_EQ((Lines{"C 4 N=x", "E 3", "C 3 N=k", "B 2"}), MainLines(parser));
    OwnedList result = Own(parser, parser.UpdateParser(nullptr, CString("<C N=x Y=1></C><C N=k></C><B><IE T=1></IE></B>"), 0));
    EXPECT_EQ((Lines{"C 3 N=k", "B 2"}), MainLines(parser));
    ASSERT_NE(nullptr, result);
    EXPECT_EQ((std::vector<CKORU_ItemNode*>{At(parser.GetMainList(), 0), At(parser.GetMainList(), 1)}),
              Nodes(result.get()));
    for (CKORU_ItemNode* node : *result) EXPECT_NE(-1, IndexOf(parser.GetMainList(), node));
}

TEST(UpdateEntrySound, BatchResultHoldsNoNodeDeletedLaterInTheSameBatch) {
    CKORU_Parser parser;
    ASSERT_EQ(1, Parse(parser, "<U><B><C N=p><E T=1><C N=x></C></E></C></B></U>"));
    ASSERT_EQ((Lines{"C 5 N=x", "E 4", "C 3 N=p", "B 2"}), MainLines(parser));
    // "</c>" ends no batch: x and p are merged in one batch, x first; p's
    // removal instruction then deletes the event node that holds x.
    OwnedList result = Own(parser, parser.UpdateParser(nullptr, CString("<C N=x Y=1></c><C N=p><IE T=1></IE></C>"), 0));
    EXPECT_EQ((Lines{"C 3 N=p", "B 2"}), MainLines(parser));
    EXPECT_EQ((std::vector<CKORU_ItemNode*>{At(parser.GetMainList(), 0)}), Nodes(result.get()));
}

std::string Repeat(const std::string& s, int n) {
    std::string out;
    out.reserve(s.size() * static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

TEST(UpdateEntrySound, LevelsAboveTheLimitAfterTheShiftAreRefused) {
    CKORU_Parser parser;
    ASSERT_EQ(1, Parse(parser, "<U><B><C N=a></C></B></U>"));
    // The control stands at depth 32766; shifted by 2 it would be 32768.
    const std::string deep = Repeat("<X>", 32765) + "<C N=deep></C>" + Repeat("</X>", 32765);
    EXPECT_EQ(nullptr, parser.UpdateParser(nullptr, CString(deep.c_str()), 0));
    EXPECT_EQ((Lines{"C 3 N=a", "B 2"}), MainLines(parser));
    // Nothing was stacked: a control still lands at level 3.
    OwnedList after = Own(parser, parser.UpdateParser(nullptr, CString("<C N=z></C>"), 0));
    EXPECT_EQ((Lines{"C 3 N=a", "C 3 N=z", "B 2"}), MainLines(parser));
}

TEST(UpdateEntrySound, StatementListOverloadRefusesTooDeepLevels) {
    CKORU_Parser parser;
    ASSERT_EQ(1, Parse(parser, "<U><B></B></U>"));
    auto* list = new CKORU_Parser::StatementList(10);
    for (int i = 0; i < 32766; ++i) list->AddTail(new CString("<X>"));
    list->AddTail(new CString("</X>"));
    EXPECT_EQ(nullptr, parser.UpdateParser(list));
    OwnedList after = Own(parser, parser.UpdateParser(nullptr, CString("<C N=z></C>"), 0));
    EXPECT_EQ((Lines{"C 3 N=z", "B 2"}), MainLines(parser));
}

TEST(UpdateEntrySound, LevelAtTheLimitIsAcceptedAndOpenTagsCount) {
    CKORU_Parser parser;
    ASSERT_EQ(1, Parse(parser, "<U><B></B></U>"));
    // Depth 32765 + 2 = 32767: accepted. The X tags stay open (their end tags
    // follow the last batch and are dropped).
    const std::string edge = Repeat("<X>", 32764) + "<C N=edge></C>" + Repeat("</X>", 32764);
    OwnedList first = Own(parser, parser.UpdateParser(nullptr, CString(edge.c_str()), 0));
    ASSERT_NE(nullptr, first);
    EXPECT_EQ((Lines{"C 32767 N=edge", "B 2"}), MainLines(parser));
    // With 32764 tags open, one more open tag pushes the next control over.
    EXPECT_EQ(nullptr, parser.UpdateParser(nullptr, CString("<Y><C N=over></C>"), 0));
    EXPECT_EQ((Lines{"C 32767 N=edge", "B 2"}), MainLines(parser));
    OwnedList fits = Own(parser, parser.UpdateParser(nullptr, CString("<C N=fits></C>"), 0));
    EXPECT_EQ((Lines{"C 32767 N=edge", "C 32767 N=fits", "B 2"}), MainLines(parser));
}

}  // namespace
