// Node lookup: GetNode, GetNodeList, GetParent, GetValue and IsInWord over
// parsed documents.
#include "query/doc_helpers.h"

#include <gtest/gtest.h>

using namespace koru_test;

namespace {

// <U><B><C N=a></C><C N=b><A></A></C></B></U> gives C a (3), A (4), C b (3), B (2).
class SmallDocument : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(1, Parse(parser, "<U><B><C N=a></C><C N=b><A></A></C></B></U>"));
        ASSERT_EQ((Lines{"C 3 N=a", "A 4", "C 3 N=b", "B 2"}), MainLines(parser));
        main = parser.GetMainList();
        ctrlA = At(main, 0);
        childA = At(main, 1);
        ctrlB = At(main, 2);
        body = At(main, 3);
    }

    CKORU_Parser parser;
    NodeList* main = nullptr;
    CKORU_ItemNode* ctrlA = nullptr;
    CKORU_ItemNode* childA = nullptr;
    CKORU_ItemNode* ctrlB = nullptr;
    CKORU_ItemNode* body = nullptr;
};

TEST_F(SmallDocument, ParentIsTheFirstLaterNodeOneLevelUp) {
    EXPECT_EQ(body, parser.GetParent(ctrlA));  // the first node still finds its parent further on
    EXPECT_EQ(ctrlB, parser.GetParent(childA));
    EXPECT_EQ(body, parser.GetParent(ctrlB));
    EXPECT_EQ(nullptr, parser.GetParent(body));  // the frame is not in the main list
}

TEST_F(SmallDocument, ParentOfNodeOutsideMainListOrNullIsNull) {
    CKORU_ItemNode loose(3, CString("<C N=a"));
    EXPECT_EQ(nullptr, parser.GetParent(&loose));
    EXPECT_EQ(nullptr, parser.GetParent(nullptr));
}

TEST_F(SmallDocument, TagListWithParentGivesChildrenInListOrder) {
    auto controls = Own(parser, parser.GetNodeList(nullptr, CString("c"), body));
    EXPECT_EQ((std::vector<CKORU_ItemNode*>{ctrlA, ctrlB}), Nodes(controls.get()));
    // Only direct children: the A node is a grandchild of the body.
    EXPECT_EQ(nullptr, parser.GetNodeList(nullptr, CString("A"), body));
    auto underB = Own(parser, parser.GetNodeList(nullptr, CString("a"), ctrlB));
    EXPECT_EQ((std::vector<CKORU_ItemNode*>{childA}), Nodes(underB.get()));
    EXPECT_EQ(nullptr, parser.GetNodeList(nullptr, CString("A"), ctrlA));
}

TEST_F(SmallDocument, TagListWithoutParentGivesAllInListOrder) {
    auto controls = Own(parser, parser.GetNodeList(nullptr, CString("C"), nullptr));
    EXPECT_EQ((std::vector<CKORU_ItemNode*>{ctrlA, ctrlB}), Nodes(controls.get()));
    auto same = Own(parser, parser.GetNodeList(main, CString("c"), nullptr));
    EXPECT_EQ((std::vector<CKORU_ItemNode*>{ctrlA, ctrlB}), Nodes(same.get()));
    EXPECT_EQ(nullptr, parser.GetNodeList(nullptr, CString("E"), nullptr));  // never an empty list
}

TEST_F(SmallDocument, LevelListWithParentWalksOnlyTheNestedRun) {
    auto grandchildren = Own(parser, parser.GetNodeList(nullptr, static_cast<short>(4), body));
    EXPECT_EQ((std::vector<CKORU_ItemNode*>{childA}), Nodes(grandchildren.get()));
    auto children = Own(parser, parser.GetNodeList(nullptr, static_cast<short>(3), body));
    EXPECT_EQ((std::vector<CKORU_ItemNode*>{ctrlA, ctrlB}), Nodes(children.get()));
    EXPECT_EQ(nullptr, parser.GetNodeList(nullptr, static_cast<short>(3), childA));
    // A level not deeper than the parent's gives nothing.
    EXPECT_EQ(nullptr, parser.GetNodeList(nullptr, static_cast<short>(2), body));
    EXPECT_EQ(nullptr, parser.GetNodeList(nullptr, static_cast<short>(3), ctrlB));
    // ctrlA's run is empty: the node before it is outside the list.
    EXPECT_EQ(nullptr, parser.GetNodeList(nullptr, static_cast<short>(4), ctrlA));
}

TEST_F(SmallDocument, LevelListWithoutParent) {
    auto level3 = Own(parser, parser.GetNodeList(nullptr, static_cast<short>(3), nullptr));
    EXPECT_EQ((std::vector<CKORU_ItemNode*>{ctrlA, ctrlB}), Nodes(level3.get()));
    EXPECT_EQ(nullptr, parser.GetNodeList(nullptr, static_cast<short>(5), nullptr));
}

TEST_F(SmallDocument, ParentNotInListGivesNull) {
    CKORU_ItemNode loose(2, CString("<B"));
    EXPECT_EQ(nullptr, parser.GetNodeList(nullptr, CString("C"), &loose));
    EXPECT_EQ(nullptr, parser.GetNodeList(nullptr, static_cast<short>(3), &loose));
}

TEST_F(SmallDocument, GetNodeComparesNamesWithCaseAndTagsWithout) {
    EXPECT_EQ(ctrlB, parser.GetNode(nullptr, CString("C"), CString("b")));
    EXPECT_EQ(ctrlB, parser.GetNode(nullptr, CString("c"), CString("b")));
    EXPECT_EQ(nullptr, parser.GetNode(nullptr, CString("C"), CString("B")));
    EXPECT_EQ(ctrlB, parser.GetNode(nullptr, static_cast<short>(3), CString("b")));
    EXPECT_EQ(nullptr, parser.GetNode(nullptr, static_cast<short>(4), CString("b")));
    EXPECT_EQ(ctrlA, parser.GetNode(main, CString("C"), CString("a")));
}

TEST_F(SmallDocument, EmptyNameMatchesNodeWithoutN) {
    EXPECT_EQ(childA, parser.GetNode(nullptr, static_cast<short>(4), CString()));
    EXPECT_EQ(body, parser.GetNode(nullptr, CString("B"), CString()));
    EXPECT_EQ(nullptr, parser.GetNode(nullptr, CString("C"), CString()));
}

TEST(NodeLookup, FirstMatchFromTheHeadWins) {
    CKORU_Parser parser;
    ASSERT_EQ(1, Parse(parser, "<U><B><C N=x Y=1></C><C N=x Y=2></C><C N=\"\"></C><C></C></B></U>"));
    NodeList* main = parser.GetMainList();
    EXPECT_EQ(At(main, 0), parser.GetNode(nullptr, CString("C"), CString("x")));
    EXPECT_EQ(At(main, 0), parser.GetNode(nullptr, static_cast<short>(3), CString("x")));
    // N="" and a missing N both read as the empty name; the first wins.
    EXPECT_EQ(At(main, 2), parser.GetNode(nullptr, CString("C"), CString()));
}

TEST(NodeLookup, BeforeFirstParseListQueriesFollowTheirOwnRules) {
    CKORU_Parser parser;
    CKORU_ItemNode c1(3, CString("<C N=a"));
    CKORU_ItemNode c2(3, CString("<C N=b"));
    CKORU_ItemNode a(4, CString("<A"));
    NodeList own;
    own.AddTail(&c1);
    own.AddTail(&a);
    own.AddTail(&c2);
    // The tag list is null without a main list, even for a passed list.
    EXPECT_EQ(nullptr, parser.GetNodeList(&own, CString("C"), nullptr));
    EXPECT_EQ(nullptr, parser.GetNodeList(&own, CString("A"), &c2));
    // GetNode searches the passed list.
    EXPECT_EQ(&c2, parser.GetNode(&own, CString("C"), CString("b")));
    EXPECT_EQ(&c1, parser.GetNode(&own, static_cast<short>(3), CString("a")));
    // The level list searches a passed list even without a main list.
    auto level3 = Own(parser, parser.GetNodeList(&own, static_cast<short>(3), nullptr));
    EXPECT_EQ((std::vector<CKORU_ItemNode*>{&c1, &c2}), Nodes(level3.get()));
    auto nested = Own(parser, parser.GetNodeList(&own, static_cast<short>(4), &c2));
    EXPECT_EQ((std::vector<CKORU_ItemNode*>{&a}), Nodes(nested.get()));
    // With a null list everything is null.
    EXPECT_EQ(nullptr, parser.GetNode(nullptr, CString("C"), CString("a")));
    EXPECT_EQ(nullptr, parser.GetNode(nullptr, static_cast<short>(3), CString("a")));
    EXPECT_EQ(nullptr, parser.GetNodeList(nullptr, CString("C"), nullptr));
    EXPECT_EQ(nullptr, parser.GetNodeList(nullptr, static_cast<short>(3), nullptr));
    EXPECT_EQ(nullptr, parser.GetParent(&c1));
    own.RemoveAll();
}

TEST(NodeLookup, PassedListIsSearchedOnceMainListExists) {
    CKORU_Parser parser;
    ASSERT_EQ(1, Parse(parser, "<U><B></B></U>"));
    CKORU_ItemNode c1(3, CString("<C N=a"));
    CKORU_ItemNode a(4, CString("<A"));
    CKORU_ItemNode c2(3, CString("<c N=b"));
    NodeList own;
    own.AddTail(&c1);
    own.AddTail(&a);
    own.AddTail(&c2);
    auto controls = Own(parser, parser.GetNodeList(&own, CString("C"), nullptr));
    EXPECT_EQ((std::vector<CKORU_ItemNode*>{&c1, &c2}), Nodes(controls.get()));
    auto children = Own(parser, parser.GetNodeList(&own, CString("a"), &c2));
    EXPECT_EQ((std::vector<CKORU_ItemNode*>{&a}), Nodes(children.get()));
    // The parent must be in the list searched, not just in the main list.
    EXPECT_EQ(nullptr, parser.GetNodeList(&own, CString("C"), parser.GetMainList()->GetHead()));
    own.RemoveAll();
}

TEST(NodeLookup, ReturnedListIsTheCallersAndReleasingItKeepsTheNodes) {
    CKORU_Parser parser;
    ASSERT_EQ(1, Parse(parser, "<U><B><C N=a></C></B></U>"));
    NodeList* list = parser.GetNodeList(nullptr, CString("C"), nullptr);
    ASSERT_NE(nullptr, list);
    EXPECT_NE(parser.GetMainList(), list);
    parser.ReleaseNodeList(list);
    EXPECT_EQ((Lines{"C 3 N=a", "B 2"}), MainLines(parser));
}

TEST(NodeLookup, DeeperNestingAndGrandchildLevels) {
    CKORU_Parser parser;
    ASSERT_EQ(1, Parse(parser, "<U><B><C N=a><E T=1><M></M><M></M></E><A N=x></A></C><C N=b></C></B></U>"));
    ASSERT_EQ((Lines{"M 5", "M 5", "E 4", "A 4 N=x", "C 3 N=a", "C 3 N=b", "B 2"}), MainLines(parser));
    NodeList* main = parser.GetMainList();
    CKORU_ItemNode* ctrlA = At(main, 4);
    auto level5 = Own(parser, parser.GetNodeList(nullptr, static_cast<short>(5), ctrlA));
    EXPECT_EQ((std::vector<CKORU_ItemNode*>{At(main, 0), At(main, 1)}), Nodes(level5.get()));
    auto level4 = Own(parser, parser.GetNodeList(nullptr, static_cast<short>(4), ctrlA));
    EXPECT_EQ((std::vector<CKORU_ItemNode*>{At(main, 2), At(main, 3)}), Nodes(level4.get()));
    // The M nodes are grandchildren of the control, not children.
    EXPECT_EQ(nullptr, parser.GetNodeList(nullptr, CString("M"), ctrlA));
    EXPECT_EQ(At(main, 2), parser.GetParent(At(main, 0)));
    EXPECT_EQ(At(main, 2), parser.GetParent(At(main, 1)));
    EXPECT_EQ(ctrlA, parser.GetParent(At(main, 2)));
    // The second control's run is empty: the node before it is a level-3 control.
    EXPECT_EQ(nullptr, parser.GetNodeList(nullptr, static_cast<short>(4), At(main, 5)));
}

// ---------------------------------------------------------------------------
// GetValue and IsInWord
// ---------------------------------------------------------------------------

std::string ValueOfWritten(const char* written) {
    CKORU_Parser parser;
    CKORU_ItemNode node(3, CString("<C"));
    node.m_AttrTable.SetAt(CString("V"), CString(written));
    return parser.GetValue(CString("v"), &node).GetString();
}

TEST(GetValue, RemovesOnePairOfSurroundingQuotes) {
    EXPECT_EQ("a b", ValueOfWritten("\"a b\""));
    EXPECT_EQ("ab", ValueOfWritten("\"ab\"cd"));
    EXPECT_EQ("abc", ValueOfWritten("\"abc"));
    EXPECT_EQ("x\"y\"", ValueOfWritten("x\"y\""));
    EXPECT_EQ("", ValueOfWritten("\"\""));
    EXPECT_EQ("", ValueOfWritten("\""));
    EXPECT_EQ("a\"b", ValueOfWritten("\"a\"b\""));
    EXPECT_EQ("plain", ValueOfWritten("plain"));
    EXPECT_EQ("", ValueOfWritten(""));
}

TEST(GetValue, NameMatchesWhateverCaseAndMissingReadsEmpty) {
    CKORU_Parser parser;
    ASSERT_EQ(1, Parse(parser, "<U><B HREF=\"a b\"><C n=lower></C></B></U>"));
    CKORU_ItemNode* ctrl = At(parser.GetMainList(), 0);
    CKORU_ItemNode* body = At(parser.GetMainList(), 1);
    EXPECT_EQ(CString("lower"), parser.GetValue(CString("N"), ctrl));
    EXPECT_EQ(CString("lower"), parser.GetValue(CString("n"), ctrl));
    EXPECT_EQ(CString("a b"), parser.GetValue(CString("href"), body));
    EXPECT_EQ(CString(), parser.GetValue(CString("X"), ctrl));
    // The tag name is a key with an empty value.
    EXPECT_EQ(CString(), parser.GetValue(CString("C"), ctrl));
}

TEST(GetValue, NullNodeGivesEmptyString) {
    CKORU_Parser parser;
    EXPECT_EQ(CString(), parser.GetValue(CString("N"), nullptr));
}

TEST(IsInWord, UpperCasesTheWordAndKnowsAttributesAndTagName) {
    CKORU_Parser parser;
    ASSERT_EQ(1, Parse(parser, "<U><B href=x><c N=a></c></B></U>"));
    CKORU_ItemNode* ctrl = At(parser.GetMainList(), 0);
    CKORU_ItemNode* body = At(parser.GetMainList(), 1);
    CString word("href");
    EXPECT_EQ(1, parser.IsInWord(word, body));
    EXPECT_EQ(CString("HREF"), word);
    CString tag("c");
    EXPECT_EQ(1, parser.IsInWord(tag, ctrl));
    EXPECT_EQ(CString("C"), tag);
    CString n("n");
    EXPECT_EQ(1, parser.IsInWord(n, ctrl));
    CString missing("href");
    EXPECT_EQ(0, parser.IsInWord(missing, ctrl));
    EXPECT_EQ(CString("HREF"), missing);
}

TEST(IsInWord, NullNodeGivesZeroAndStillUpperCases) {
    CKORU_Parser parser;
    CString word("abc");
    EXPECT_EQ(0, parser.IsInWord(word, nullptr));
    EXPECT_EQ(CString("ABC"), word);
}

TEST(IsInWord, QueriesLeaveTheDocumentAsItWas) {
    CKORU_Parser parser;
    ASSERT_EQ(1, Parse(parser, "<U><B><C N=a X=\"q\"></C></B></U>"));
    CKORU_ItemNode* ctrl = At(parser.GetMainList(), 0);
    CString word("x");
    parser.IsInWord(word, ctrl);
    parser.GetValue(CString("x"), ctrl);
    parser.ReleaseNodeList(parser.GetNodeList(nullptr, CString("C"), nullptr));
    EXPECT_EQ((Lines{"C=", "N=a", "X=\"q\""}), Table(ctrl->m_AttrTable));
    EXPECT_TRUE(ctrl->m_NewValueTable.IsEmpty());
    EXPECT_EQ((Lines{"C 3 N=a", "B 2"}), MainLines(parser));
}

}  // namespace
