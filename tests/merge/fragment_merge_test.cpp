// Fragment merge: a second DoParsingProc folds its document into the main list.
#include "query/doc_helpers.h"

#include <gtest/gtest.h>

using namespace koru_test;

namespace {

TEST(FragmentMerge, NewControlGoesBeforeTheBodyAfterExistingChildren) {
    CKORU_Parser parser;
    ASSERT_EQ(1, Parse(parser, "<U><B><C N=a></C></B></U>"));
    ASSERT_EQ(1, Parse(parser, "<U><B><C N=b></C></B></U>"));
    EXPECT_EQ((Lines{"C 3 N=a", "C 3 N=b", "B 2"}), MainLines(parser));
}

TEST(FragmentMerge, SeveralNewControlsKeepFragmentOrderAndTheirChildren) {
    CKORU_Parser parser;
    ASSERT_EQ(1, Parse(parser, "<U><B><C N=a></C></B></U>"));
    ASSERT_EQ(1, Parse(parser, "<U><B><C N=b><A N=x></A><E><M></M></E></C><C N=c></C></B></U>"));
    EXPECT_EQ((Lines{"C 3 N=a", "A 4 N=x", "M 5", "E 4", "C 3 N=b", "C 3 N=c", "B 2"}), MainLines(parser));
    CKORU_ItemNode* b = parser.GetNode(nullptr, CString("C"), CString("b"));
    EXPECT_EQ(b, parser.GetParent(parser.GetNode(nullptr, CString("A"), CString("x"))));
    EXPECT_EQ(parser.GetMainList()->GetTail(), parser.GetParent(b));
}

TEST(FragmentMerge, ExistingControlIsRebuiltNotInserted) {
    CKORU_Parser parser;
    ASSERT_EQ(1, Parse(parser, "<U><B><C N=a X=0></C></B></U>"));
    ASSERT_EQ(1, Parse(parser, "<U><B><C N=a X=1 Y=2></C></B></U>", 0));
    EXPECT_EQ((Lines{"C 3 N=a", "B 2"}), MainLines(parser));
    CKORU_ItemNode* a = At(parser.GetMainList(), 0);
    // Overwrite flag off: X keeps its value, the missing Y is added.
    EXPECT_EQ((Lines{"C=", "N=a", "X=0", "Y=2"}), Table(a->m_AttrTable));
    EXPECT_TRUE(a->m_NewValueTable.IsEmpty());
}

TEST(FragmentMerge, OverwriteFlagOnReplacesExistingValues) {
    CKORU_Parser parser;
    ASSERT_EQ(1, Parse(parser, "<U><B HREF=old><C N=a X=0></C></B></U>"));
    ASSERT_EQ(1, Parse(parser, "<U><B HREF=new><C N=a X=\"1\"></C></B></U>", 1));
    EXPECT_EQ((Lines{"C 3 N=a", "B 2"}), MainLines(parser));
    EXPECT_EQ((Lines{"C=", "N=a", "X=\"1\""}), Table(At(parser.GetMainList(), 0)->m_AttrTable));
    EXPECT_EQ(CString("new"), parser.GetBodyHRef());
}

TEST(FragmentMerge, NamesAreComparedWithCase) {
    CKORU_Parser parser;
    ASSERT_EQ(1, Parse(parser, "<U><B><C N=a></C></B></U>"));
    ASSERT_EQ(1, Parse(parser, "<U><B><c N=A></c></B></U>"));
    EXPECT_EQ((Lines{"C 3 N=a", "C 3 N=A", "B 2"}), MainLines(parser));
}

TEST(FragmentMerge, TagsAreComparedWithoutCase) {
    CKORU_Parser parser;
    ASSERT_EQ(1, Parse(parser, "<U><B><C N=a X=0></C></B></U>"));
    ASSERT_EQ(1, Parse(parser, "<U><b><c n=a Y=1></c></b></U>"));
    EXPECT_EQ((Lines{"C 3 N=a", "B 2"}), MainLines(parser));
    EXPECT_EQ("1", Attr(At(parser.GetMainList(), 0), "Y"));
}

TEST(FragmentMerge, SameNameTwiceInsertsOneCopyAndMergesTheSecondIntoIt) {
    CKORU_Parser parser;
    ASSERT_EQ(1, Parse(parser, "<U><B><C N=a></C></B></U>"));
    ASSERT_EQ(1, Parse(parser, "<U><B><C N=z X=1><A N=p></A></C><C N=z Y=2><A N=p W=3></A><A N=q></A></C></B></U>", 1));
    EXPECT_EQ((Lines{"C 3 N=a", "A 4 N=p", "A 4 N=q", "C 3 N=z", "B 2"}), MainLines(parser));
    CKORU_ItemNode* z = At(parser.GetMainList(), 3);
    EXPECT_EQ((Lines{"C=", "N=z", "X=1", "Y=2"}), Table(z->m_AttrTable));
    EXPECT_EQ("3", Attr(At(parser.GetMainList(), 1), "W"));
}

TEST(FragmentMerge, ControlWithoutNameMatchesFirstNamelessControl) {
    CKORU_Parser parser;
    ASSERT_EQ(1, Parse(parser, "<U><B><C N=a></C><C X=0></C><C></C></B></U>"));
    ASSERT_EQ(1, Parse(parser, "<U><B><C Y=1></C></B></U>"));
    EXPECT_EQ((Lines{"C 3 N=a", "C 3", "C 3", "B 2"}), MainLines(parser));
    EXPECT_EQ("1", Attr(At(parser.GetMainList(), 1), "Y"));
    EXPECT_EQ("(absent)", Attr(At(parser.GetMainList(), 2), "Y"));
}

TEST(FragmentMerge, RebuildsTheFirstMatchFromTheHead) {
    CKORU_Parser parser;
    ASSERT_EQ(1, Parse(parser, "<U><B><C N=a X=0></C><C N=a X=0></C></B></U>"));
    ASSERT_EQ(1, Parse(parser, "<U><B><C N=a Y=1></C></B></U>"));
    EXPECT_EQ("1", Attr(At(parser.GetMainList(), 0), "Y"));
    EXPECT_EQ("(absent)", Attr(At(parser.GetMainList(), 1), "Y"));
}

TEST(FragmentMerge, NewControlsGoBeforeTheLaterOfTwoBodies) {
    CKORU_Parser parser;
    ASSERT_EQ(1, Parse(parser, "<U><B N=one></B><B N=two></B></U>"));
    ASSERT_EQ(1, Parse(parser, "<U><B X=1><C N=c></C></B></U>"));
    EXPECT_EQ((Lines{"B 2 N=one", "C 3 N=c", "B 2 N=two"}), MainLines(parser));
    // Two bodies: neither is rebuilt.
    EXPECT_EQ("(absent)", Attr(At(parser.GetMainList(), 0), "X"));
    EXPECT_EQ("(absent)", Attr(At(parser.GetMainList(), 2), "X"));
}

TEST(FragmentMerge, DocumentWithoutLevelTwoBodyGetsNoNewControls) {
    CKORU_Parser parser;
    ASSERT_EQ(1, Parse(parser, "<U><X><B></B></X></U>"));
    ASSERT_EQ(1, Parse(parser, "<U><B><C N=c></C></B></U>"));
    EXPECT_EQ((Lines{"B 3", "X 2"}), MainLines(parser));
}

TEST(FragmentMerge, EmptyFragmentChangesNothing) {
    CKORU_Parser parser;
    ASSERT_EQ(1, Parse(parser, "<U><B><C N=a></C></B></U>"));
    ASSERT_EQ(1, Parse(parser, "<U></U>"));
    EXPECT_EQ((Lines{"C 3 N=a", "B 2"}), MainLines(parser));
}

TEST(FragmentMerge, EmptyDocumentMakesTheNextParseAFragment) {
    CKORU_Parser parser;
    ASSERT_EQ(1, Parse(parser, "<U></U>"));
    ASSERT_NE(nullptr, parser.GetMainList());
    ASSERT_EQ(1, Parse(parser, "<U><B><C N=a></C></B></U>"));
    // No body in the document: nothing can be inserted.
    EXPECT_EQ((Lines{}), MainLines(parser));
}

TEST(FragmentMerge, RefusedFragmentLeavesTheDocument) {
    CKORU_Parser parser;
    ASSERT_EQ(1, Parse(parser, "<U><B><C N=a></C></B></U>"));
    EXPECT_EQ(0, Parse(parser, "<U><B><C N=b></B></U>"));
    EXPECT_EQ((Lines{"C 3 N=a", "B 2"}), MainLines(parser));
}

// ---------------------------------------------------------------------------
// Forms
// ---------------------------------------------------------------------------

// A fragment's forms move to the tail of the main list with everything nested
// in them, each level shifted by the form's own shift to the document's form
// level; without a form in the document they are dropped with their contents.
// Nothing nested in a form reaches the body.
struct FormRow {
    const char* rule;
    const char* document;
    const char* fragment;
    Lines expected;
};

TEST(FragmentMerge, FormsMoveWithTheirContents) {
    const FormRow rows[] = {
        {"forms appended at the form level, in fragment order", "<U><F ID=0></F><B><C N=a></C></B></U>",
         "<U><B><F ID=1></F></B><F ID=2></F></U>", {"F 2", "C 3 N=a", "B 2", "F 2", "F 2"}},
        {"form level is the first form from the head", "<U><B><F ID=0></F><C N=a></C></B><F ID=9></F></U>",
         "<U><F ID=1></F><B></B></U>", {"F 3", "C 3 N=a", "B 2", "F 2", "F 3"}},
        {"any node with an F attribute sets the form level", "<U><B F=1><C N=a></C></B></U>",
         "<U><F ID=1></F><B></B></U>", {"C 3 N=a", "B 2", "F 2"}},
        {"a form's fields move with it", "<U><B><C N=a></C></B><F N=f ID=1><FD ID=1></FD></F></U>",
         "<U><F N=g ID=2><FD ID=2></FD><X T=9></X></F><B><E T=1></E></B></U>",
         {"C 3 N=a", "E 3", "B 2", "FD 3", "F 2 N=f", "FD 3", "X 3", "F 2 N=g"}},
        {"a form inside the fragment's body is shifted up", "<U><B><C N=a></C></B><F N=f></F></U>",
         "<U><B><F N=g><A N=z></A></F><E T=1></E></B></U>", {"C 3 N=a", "E 3", "B 2", "F 2 N=f", "A 3 N=z", "F 2 N=g"}},
        {"nested runs keep their order, controls in a form included", "<U><F ID=0></F><B><C N=a></C></B></U>",
         "<U><F ID=1><A N=f></A><E><M></M></E><C N=in></C></F><B></B></U>",
         {"F 2", "C 3 N=a", "B 2", "A 3 N=f", "M 4", "E 3", "C 3 N=in", "F 2"}},
        {"a form inside a form travels in the outer run", "<U><F ID=0></F><B></B></U>",
         "<U><F ID=1><F ID=2><A N=z></A></F></F><B></B></U>", {"F 2", "B 2", "A 4 N=z", "F 3", "F 2"}},
        {"without a document form, forms and contents are dropped", "<U><B><C N=a></C></B></U>",
         "<U><F ID=1><A N=f></A></F><B><F N=g><A N=z></A></F><E T=1></E></B></U>", {"C 3 N=a", "E 3", "B 2"}},
        {"a level-4 form is an event node of its control", "<U><F ID=0></F><B><C N=a></C></B></U>",
         "<U><B><C N=a><F ID=deep></F></C></B></U>", {"F 2", "F 4", "C 3 N=a", "B 2"}},
    };
    for (const FormRow& row : rows) {
        SCOPED_TRACE(row.rule);
        CKORU_Parser parser;
        ASSERT_EQ(1, Parse(parser, row.document));
        ASSERT_EQ(1, Parse(parser, row.fragment));
        EXPECT_EQ(row.expected, MainLines(parser));
    }
}

// ---------------------------------------------------------------------------
// Redefinition text and flags
// ---------------------------------------------------------------------------

TEST(FragmentMerge, RedefinitionTextIsAppliedAfterTheParse) {
    CKORU_Parser parser;
    ASSERT_EQ(1, Parse(parser, "<U><B><C N=a X=0></C></B></U><C N=a X=1></C><C N=z></C>"));
    EXPECT_EQ((Lines{"C 3 N=a", "C 3 N=z", "B 2"}), MainLines(parser));
    // Visible redefinition text sets the overwrite flag, so X is replaced.
    EXPECT_EQ("1", Attr(At(parser.GetMainList(), 0), "X"));
    // The driver's update runs with the new-value flag off.
    EXPECT_TRUE(At(parser.GetMainList(), 0)->m_NewValueTable.IsEmpty());
}

TEST(FragmentMerge, NewValueFlagFromAnUpdateStaysForLaterParses) {
    CKORU_Parser parser;
    ASSERT_EQ(1, Parse(parser, "<U><B><C N=a X=0></C></B></U>"));
    parser.ReleaseNodeList(parser.UpdateParser(nullptr, CString("<C N=a></C>"), 1));
    At(parser.GetMainList(), 0)->ReleaseNewList();
    ASSERT_EQ(1, Parse(parser, "<U><B><C N=a X=\"1 2\"></C></B></U>", 1));
    EXPECT_EQ((Lines{"N=a", "X=1 2"}), Table(At(parser.GetMainList(), 0)->m_NewValueTable));
}

TEST(FragmentMerge, RedefinitionTextResetsTheNewValueFlag) {
    CKORU_Parser parser;
    ASSERT_EQ(1, Parse(parser, "<U><B><C N=a X=0></C></B></U>"));
    parser.ReleaseNodeList(parser.UpdateParser(nullptr, CString("<C N=a></C>"), 1));
    CKORU_ItemNode* a = At(parser.GetMainList(), 0);
    a->ReleaseNewList();
    // This parse's redefinition text is applied with the flag off ...
    ASSERT_EQ(1, Parse(parser, "<U></U><C N=a Y=1></C>", 0));
    EXPECT_TRUE(a->m_NewValueTable.IsEmpty());
    EXPECT_EQ("1", Attr(a, "Y"));
    // ... and it stays off for the next parse.
    ASSERT_EQ(1, Parse(parser, "<U><B><C N=a X=5></C></B></U>", 1));
    EXPECT_EQ("5", Attr(a, "X"));
    EXPECT_TRUE(a->m_NewValueTable.IsEmpty());
}

TEST(FragmentMerge, InvisibleRedefinitionTextKeepsTheOverwriteArgument) {
    CKORU_Parser parser;
    ASSERT_EQ(1, Parse(parser, "<U><B><C N=a X=0></C></B></U>"));
    ASSERT_EQ(1, Parse(parser, "<U><B><C N=a X=1></C></B></U>  \n", 0));
    EXPECT_EQ("0", Attr(At(parser.GetMainList(), 0), "X"));
}

TEST(FragmentMerge, RebuiltNodesKeepPointerIdentity) {
    CKORU_Parser parser;
    ASSERT_EQ(1, Parse(parser, "<U><B><C N=a></C><C N=b></C></B></U>"));
    std::vector<CKORU_ItemNode*> before = Nodes(parser.GetMainList());
    ASSERT_EQ(1, Parse(parser, "<U><B X=1><C N=b X=2></C><C N=a X=3></C></B></U>"));
    EXPECT_EQ(before, Nodes(parser.GetMainList()));
}

}  // namespace
