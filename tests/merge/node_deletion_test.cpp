// Node deletion: a node with its nested run, and children selected by tag and T value.
#include "query/doc_helpers.h"

#include <gtest/gtest.h>

using namespace koru_test;

namespace {

// C a (3) with E T=7 holding M, E T=07, M T=7, E T="7"; C b (3) with A; B (2).
const char* kDocument =
    "<U><B><C N=a><E T=7><M N=m></M></E><E T=07></E><M T=7></M><E T=\"7\"></E></C>"
    "<C N=b><A N=x></A></C><A N=top></A></B></U>";

class NodeDeletion : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(1, Parse(parser, kDocument));
        ASSERT_EQ((Lines{"M 5 N=m", "E 4", "E 4", "M 4", "E 4", "C 3 N=a", "A 4 N=x", "C 3 N=b", "A 3 N=top", "B 2"}),
                  MainLines(parser));
    }
    CKORU_ItemNode* Node(int index) { return At(parser.GetMainList(), index); }

    CKORU_Parser parser;
};

TEST_F(NodeDeletion, LeafGoesAlone) {
    parser.DeleteNode(Node(3));
    EXPECT_EQ((Lines{"M 5 N=m", "E 4", "E 4", "E 4", "C 3 N=a", "A 4 N=x", "C 3 N=b", "A 3 N=top", "B 2"}),
              MainLines(parser));
}

TEST_F(NodeDeletion, ControlGoesWithItsRunAndStopsAtThePreviousControl) {
    parser.DeleteNode(Node(7));
    EXPECT_EQ((Lines{"M 5 N=m", "E 4", "E 4", "M 4", "E 4", "C 3 N=a", "A 3 N=top", "B 2"}), MainLines(parser));
    parser.DeleteNode(Node(5));
    EXPECT_EQ((Lines{"A 3 N=top", "B 2"}), MainLines(parser));
}

TEST_F(NodeDeletion, BodyTakesEverythingNestedInIt) {
    parser.DeleteNode(Node(9));
    EXPECT_EQ((Lines{}), MainLines(parser));
}

TEST_F(NodeDeletion, NodeNotInTheMainListChangesNothing) {
    CKORU_ItemNode loose(3, CString("<C N=a"));
    parser.DeleteNode(&loose);
    parser.DeleteNode(nullptr);
    EXPECT_EQ(10, parser.GetMainList()->GetCount());
    EXPECT_EQ(CString("<C N=a"), loose.m_Statement);
}

TEST_F(NodeDeletion, ChildrenByTagAndExactTValue) {
    parser.DeleteNode(CString("7"), Node(5), CString("e"));
    // E T=7 (with its M) and E T="7" go; E T=07 and M T=7 stay.
    EXPECT_EQ((Lines{"E 4", "M 4", "C 3 N=a", "A 4 N=x", "C 3 N=b", "A 3 N=top", "B 2"}), MainLines(parser));
    EXPECT_EQ("07", Attr(Node(0), "T"));
}

TEST(NodeDeletionCase, TValueComparedWithCaseTagWithout) {
    CKORU_Parser parser;
    ASSERT_EQ(1, Parse(parser, "<U><B><C N=b><E T=Up></E><e T=up></e></C></B></U>"));
    CKORU_ItemNode* b = parser.GetNode(nullptr, CString("C"), CString("b"));
    parser.DeleteNode(CString("up"), b, CString("E"));
    EXPECT_EQ((Lines{"E 4", "C 3 N=b", "B 2"}), MainLines(parser));
    EXPECT_EQ("Up", Attr(At(parser.GetMainList(), 0), "T"));
}

TEST_F(NodeDeletion, EmptyTValueSelectsChildrenWithoutT) {
    parser.DeleteNode(CString(), Node(7), CString("A"));
    EXPECT_EQ((Lines{"M 5 N=m", "E 4", "E 4", "M 4", "E 4", "C 3 N=a", "C 3 N=b", "A 3 N=top", "B 2"}),
              MainLines(parser));
}

TEST_F(NodeDeletion, BodyChildrenAreLookedForAtLevelThree) {
    parser.DeleteNode(CString(), Node(9), CString("a"));
    EXPECT_EQ((Lines{"M 5 N=m", "E 4", "E 4", "M 4", "E 4", "C 3 N=a", "A 4 N=x", "C 3 N=b", "B 2"}),
              MainLines(parser));
}

TEST_F(NodeDeletion, OtherParentsAreLookedAtLevelFourWhateverTheirLevel) {
    // The E T=7 node stands at level 4: its M child is at 5, so none is found.
    parser.DeleteNode(CString(), Node(1), CString("M"));
    EXPECT_EQ(10, parser.GetMainList()->GetCount());
}

TEST_F(NodeDeletion, NullOrForeignParentDoesNothing) {
    parser.DeleteNode(CString("7"), nullptr, CString("E"));
    CKORU_ItemNode loose(3, CString("<C N=a"));
    parser.DeleteNode(CString("7"), &loose, CString("E"));
    EXPECT_EQ(10, parser.GetMainList()->GetCount());
}

TEST(NodeDeletionNoDocument, BeforeTheFirstParseNothingHappens) {
    CKORU_Parser parser;
    CKORU_ItemNode loose(3, CString("<C N=a"));
    parser.DeleteNode(&loose);
    parser.DeleteNode(nullptr);
    parser.DeleteNode(CString(), &loose, CString("C"));
    parser.DeleteNode(CString(), nullptr, CString("C"));
    EXPECT_EQ((Lines{"(no main list)"}), MainLines(parser));
    EXPECT_EQ(CString("<C N=a"), loose.m_Statement);
}

TEST(NodeDeletionRun, DeletingAControlLeavesLaterMergesWorking) {
    CKORU_Parser parser;
    ASSERT_EQ(1, Parse(parser, "<U><B><C N=a><A N=x></A></C><C N=b></C></B></U>"));
    parser.DeleteNode(parser.GetNode(nullptr, CString("C"), CString("a")));
    ASSERT_EQ(1, Parse(parser, "<U><B><C N=a><A N=y></A></C></B></U>"));
    EXPECT_EQ((Lines{"C 3 N=b", "A 4 N=y", "C 3 N=a", "B 2"}), MainLines(parser));
}

}  // namespace
