// Control rebuilding: A children matched by name, removal instructions, event
// nodes copied with their nested nodes, the body's own children.
#include "query/doc_helpers.h"

#include <gtest/gtest.h>

using namespace koru_test;

namespace {

// Parses `document`, then `fragment` as a second parse with `overwrite`.
void ParseBoth(CKORU_Parser& parser, const std::string& document, const std::string& fragment, int overwrite = 1) {
    ASSERT_EQ(1, Parse(parser, document));
    ASSERT_EQ(1, Parse(parser, fragment, overwrite));
}

std::string Wrap(const std::string& control) { return "<U><B>" + control + "</B></U>"; }

TEST(ControlRebuild, AChildrenAreMatchedByNameOrAppendedInOrder) {
    CKORU_Parser parser;
    ParseBoth(parser, Wrap("<C N=a><A N=x V=0></A><E></E></C>"),
              Wrap("<C N=a><A N=x V=1></A><A N=y></A><A W=1></A></C>"));
    EXPECT_EQ((Lines{"A 4 N=x", "E 4", "A 4 N=y", "A 4", "C 3 N=a", "B 2"}), MainLines(parser));
    EXPECT_EQ("1", Attr(At(parser.GetMainList(), 0), "V"));
    EXPECT_EQ("1", Attr(At(parser.GetMainList(), 3), "W"));
}

TEST(ControlRebuild, MatchingIsWithCaseAndFirstFromTheHead) {
    CKORU_Parser parser;
    ParseBoth(parser, Wrap("<C N=a><A N=x></A><A N=x></A></C>"), Wrap("<C N=a><A N=X></A><A N=x V=1></A></C>"));
    EXPECT_EQ((Lines{"A 4 N=x", "A 4 N=x", "A 4 N=X", "C 3 N=a", "B 2"}), MainLines(parser));
    EXPECT_EQ("1", Attr(At(parser.GetMainList(), 0), "V"));
    EXPECT_EQ("(absent)", Attr(At(parser.GetMainList(), 1), "V"));
}

TEST(ControlRebuild, NewlyInsertedChildrenAreNeverMatched) {
    CKORU_Parser parser;
    ParseBoth(parser, Wrap("<C N=a></C>"), Wrap("<C N=a><A N=y V=1></A><A N=y V=2></A></C>"));
    EXPECT_EQ((Lines{"A 4 N=y", "A 4 N=y", "C 3 N=a", "B 2"}), MainLines(parser));
    EXPECT_EQ("1", Attr(At(parser.GetMainList(), 0), "V"));
    EXPECT_EQ("2", Attr(At(parser.GetMainList(), 1), "V"));
}

TEST(ControlRebuild, EmptyNameIsAlwaysInserted) {
    CKORU_Parser parser;
    ParseBoth(parser, Wrap("<C N=a><A></A></C>"), Wrap("<C N=a><A N=\"\" V=1></A></C>"));
    EXPECT_EQ((Lines{"A 4", "A 4 N=", "C 3 N=a", "B 2"}), MainLines(parser));
    EXPECT_EQ("(absent)", Attr(At(parser.GetMainList(), 0), "V"));
}

TEST(ControlRebuild, OnlyTheANodeItselfIsCopiedOrMatched) {
    CKORU_Parser parser;
    ParseBoth(parser, Wrap("<C N=a><A N=x><M></M></A></C>"),
              Wrap("<C N=a><A N=x><M N=new></M></A><A N=y><M></M></A></C>"));
    EXPECT_EQ((Lines{"M 5", "A 4 N=x", "A 4 N=y", "C 3 N=a", "B 2"}), MainLines(parser));
}

TEST(ControlRebuild, OverwriteOffKeepsMatchedValues) {
    CKORU_Parser parser;
    ParseBoth(parser, Wrap("<C N=a><A N=x V=0></A></C>"), Wrap("<C N=a><A N=x V=1 W=2></A></C>"), 0);
    EXPECT_EQ((Lines{"A=", "N=x", "V=0", "W=2"}), Table(At(parser.GetMainList(), 0)->m_AttrTable));
}

// ---------------------------------------------------------------------------
// Removal instructions
// ---------------------------------------------------------------------------

TEST(ControlRebuild, RemovalInstructionsDeleteByTagAndTValue) {
    CKORU_Parser parser;
    ParseBoth(parser,
              Wrap("<C N=a><E T=7><M></M></E><E T=8></E><E T=07></E><M T=7></M><EN T=7></EN>"
                   "<A N=x T=7></A></C>"),
              Wrap("<C N=a><IE T=7></IE></C>"));
    EXPECT_EQ((Lines{"E 4", "E 4", "M 4", "EN 4", "A 4 N=x", "C 3 N=a", "B 2"}), MainLines(parser));
    EXPECT_EQ("8", Attr(At(parser.GetMainList(), 0), "T"));
    EXPECT_EQ("07", Attr(At(parser.GetMainList(), 1), "T"));
}

TEST(ControlRebuild, EachRemovalInstructionHasItsTag) {
    CKORU_Parser parser;
    ParseBoth(parser, Wrap("<C N=a><A N=x T=1></A><E T=1></E><EN T=1></EN><M T=1></M><A N=y T=2></A></C>"),
              Wrap("<C N=a><ia T=1></ia><IEN T=1></IEN><im T=1></im></C>"));
    EXPECT_EQ((Lines{"E 4", "A 4 N=y", "C 3 N=a", "B 2"}), MainLines(parser));
}

TEST(ControlRebuild, QuotedAndUnquotedTValuesMatch) {
    CKORU_Parser parser;
    ParseBoth(parser, Wrap("<C N=a><E T=\"7\"></E><E T=7></E><E T=\"x y\"></E></C>"),
              Wrap("<C N=a><IE T=7></IE><IE T=\"x y\"></IE></C>"));
    EXPECT_EQ((Lines{"C 3 N=a", "B 2"}), MainLines(parser));
}

TEST(ControlRebuild, RemovalWithoutTDeletesChildrenWithoutT) {
    CKORU_Parser parser;
    ParseBoth(parser, Wrap("<C N=a><E></E><E T=\"\"></E><E T=1></E></C>"), Wrap("<C N=a><IE></IE></C>"));
    EXPECT_EQ((Lines{"E 4", "C 3 N=a", "B 2"}), MainLines(parser));
    EXPECT_EQ("1", Attr(At(parser.GetMainList(), 0), "T"));
}

TEST(ControlRebuild, RemovalMatchingNothingChangesNothing) {
    CKORU_Parser parser;
    ParseBoth(parser, Wrap("<C N=a><E T=1></E></C>"), Wrap("<C N=a><IE T=2></IE><IM T=1></IM></C>"));
    EXPECT_EQ((Lines{"E 4", "C 3 N=a", "B 2"}), MainLines(parser));
}

TEST(ControlRebuild, RemovalInBodyWorksAtLevelThree) {
    CKORU_Parser parser;
    ParseBoth(parser, "<U><B><E T=1><M></M></E><C N=a><E T=1></E></C></B></U>", "<U><B><IE T=1></IE></B></U>");
    EXPECT_EQ((Lines{"E 4", "C 3 N=a", "B 2"}), MainLines(parser));
}

// A removal instruction frees a child that the children gathered before the
// walk still named; a later A child with that name must not find it.
void CheckDeletedChildIsNotMatched(int otherChildren) {
    std::string doc = "<C N=a>";
    for (int i = 0; i < otherChildren; ++i) doc += "<A N=k" + std::to_string(i) + "></A>";
    doc += "<A N=x T=1 OLD=1></A></C>";
    CKORU_Parser parser;
    ParseBoth(parser, Wrap(doc), Wrap("<C N=a><IA T=1></IA><A N=x NEW=1></A><A N=k0 V=1></A></C>"));
    Lines expected;
    for (int i = 0; i < otherChildren; ++i) expected.push_back("A 4 N=k" + std::to_string(i));
    if (otherChildren == 0) expected.push_back("A 4 N=x");
    if (otherChildren == 0) expected.push_back("A 4 N=k0");
    if (otherChildren > 0) expected.push_back("A 4 N=x");
    expected.insert(expected.end(), {"C 3 N=a", "B 2"});
    EXPECT_EQ(expected, MainLines(parser));
    CKORU_ItemNode* x = parser.GetNode(nullptr, CString("A"), CString("x"));
    ASSERT_NE(nullptr, x);
    EXPECT_EQ((Lines{"A=", "N=x", "NEW=1"}), Table(x->m_AttrTable));
    if (otherChildren > 0) {
        EXPECT_EQ("1", Attr(At(parser.GetMainList(), 0), "V"));
    }
}

TEST(ControlRebuild, AChildNamingADeletedNodeIsInsertedAsNew) {
    CheckDeletedChildIsNotMatched(0);
    CheckDeletedChildIsNotMatched(3);
}

TEST(ControlRebuild, AChildNamingADeletedNodeIsInsertedAsNewAmongManyChildren) {
    CheckDeletedChildIsNotMatched(40);
}

TEST(ControlRebuild, DeletedDuplicateLeavesTheNextMatch) {
    CKORU_Parser parser;
    ParseBoth(parser, Wrap("<C N=a><A N=x T=1></A><A N=x T=2></A></C>"),
              Wrap("<C N=a><IA T=1></IA><A N=x V=1></A></C>"));
    EXPECT_EQ((Lines{"A 4 N=x", "C 3 N=a", "B 2"}), MainLines(parser));
    EXPECT_EQ((Lines{"A=", "N=x", "T=2", "V=1"}), Table(At(parser.GetMainList(), 0)->m_AttrTable));
}

// ---------------------------------------------------------------------------
// Event nodes
// ---------------------------------------------------------------------------

TEST(ControlRebuild, EventNodesAreCopiedWithTheirNestedNodes) {
    CKORU_Parser parser;
    ParseBoth(parser, Wrap("<C N=a><E T=1></E></C>"),
              Wrap("<C N=a><E T=1></E><E T=2><M N=m1><X></X></M><M N=m2></M></E></C>"));
    EXPECT_EQ((Lines{"E 4", "E 4", "X 6", "M 5 N=m1", "M 5 N=m2", "E 4", "C 3 N=a", "B 2"}), MainLines(parser));
    CKORU_ItemNode* e2 = At(parser.GetMainList(), 5);
    EXPECT_EQ("2", Attr(e2, "T"));
    EXPECT_EQ(e2, parser.GetParent(At(parser.GetMainList(), 3)));
    EXPECT_EQ(e2, parser.GetParent(At(parser.GetMainList(), 4)));
}

TEST(ControlRebuild, IdenticalRestatementAppendsEventNodesAgain) {
    CKORU_Parser parser;
    const std::string text = Wrap("<C N=a V=1><A N=x W=1></A><E T=1><M></M></E></C>");
    ParseBoth(parser, text, text, 1);
    EXPECT_EQ((Lines{"A 4 N=x", "M 5", "E 4", "M 5", "E 4", "C 3 N=a", "B 2"}), MainLines(parser));
    EXPECT_EQ((Lines{"C=", "N=a", "V=1"}), Table(At(parser.GetMainList(), 5)->m_AttrTable));
    EXPECT_EQ((Lines{"A=", "N=x", "W=1"}), Table(At(parser.GetMainList(), 0)->m_AttrTable));
}

TEST(ControlRebuild, ControlInsideEventNodeIsCopiedAsNested) {
    CKORU_Parser parser;
    ParseBoth(parser, Wrap("<C N=a></C>"), Wrap("<C N=a><E><C N=inner></C></E></C>"));
    // Every control of the fragment, at any level, is merged by itself: the
    // nested one is new, so a copy of it is inserted before the body too.
    EXPECT_EQ((Lines{"C 5 N=inner", "E 4", "C 3 N=a", "C 5 N=inner", "B 2"}), MainLines(parser));
}

// ---------------------------------------------------------------------------
// The body
// ---------------------------------------------------------------------------

TEST(ControlRebuild, BodyChildrenAreReconciledButControlsLeftOut) {
    CKORU_Parser parser;
    ParseBoth(parser, "<U><B><A N=x></A><C N=a></C></B></U>",
              "<U><B HREF=h><A N=x V=1></A><C N=a W=1></C><E></E><A N=y></A></B></U>");
    EXPECT_EQ((Lines{"A 3 N=x", "C 3 N=a", "E 3", "A 3 N=y", "B 2"}), MainLines(parser));
    EXPECT_EQ("1", Attr(At(parser.GetMainList(), 0), "V"));
    EXPECT_EQ("1", Attr(At(parser.GetMainList(), 1), "W"));
    EXPECT_EQ(CString("h"), parser.GetBodyHRef());
}

TEST(ControlRebuild, BodyWithOnlyControlsOrNoChildrenMergesAttributesOnly) {
    CKORU_Parser parser;
    ParseBoth(parser, "<U><B><E></E></B></U>", "<U><B X=1></B></U>");
    EXPECT_EQ((Lines{"E 3", "B 2"}), MainLines(parser));
    EXPECT_EQ("1", Attr(At(parser.GetMainList(), 1), "X"));
    ASSERT_EQ(1, Parse(parser, "<U><B Y=1><C N=c></C></B></U>"));
    EXPECT_EQ((Lines{"E 3", "C 3 N=c", "B 2"}), MainLines(parser));
    EXPECT_EQ("1", Attr(At(parser.GetMainList(), 2), "Y"));
}

TEST(ControlRebuild, TwoBodiesInTheFragmentRebuildNoBody) {
    CKORU_Parser parser;
    ParseBoth(parser, "<U><B></B></U>", "<U><B X=1><E></E></B><B></B></U>");
    EXPECT_EQ((Lines{"B 2"}), MainLines(parser));
    EXPECT_EQ("(absent)", Attr(At(parser.GetMainList(), 0), "X"));
}

TEST(ControlRebuild, DeepControlMergesAttributesOnly) {
    CKORU_Parser parser;
    ParseBoth(parser, "<U><B><X><C N=d><A N=x></A></C></X></B></U>",
              "<U><B><X><C N=d V=1><A N=y></A></C></X></B></U>");
    // The control's children are looked for at level 4 only; it stands at 4.
    // The fragment's X is an event node of the body, copied with its run.
    EXPECT_EQ((Lines{"A 5 N=x", "C 4 N=d", "X 3", "A 5 N=y", "C 4 N=d", "X 3", "B 2"}), MainLines(parser));
    EXPECT_EQ("1", Attr(At(parser.GetMainList(), 1), "V"));
}

}  // namespace
