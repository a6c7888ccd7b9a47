// Link lookup: the body's HREF and a control's HREF, inherited from ancestors.
#include "query/doc_helpers.h"

#include <gtest/gtest.h>

using namespace koru_test;

namespace {

TEST(LinkLookup, BodyTargetAndInheritedControlTargets) {
    CKORU_Parser parser;
    ASSERT_EQ(1, Parse(parser, "<U><B HREF=\"start\"><C N=a HREF=next></C><C N=b></C></B></U>"));
    NodeList* main = parser.GetMainList();
    ASSERT_EQ((Lines{"C 3 N=a", "C 3 N=b", "B 2"}), MainLines(parser));
    EXPECT_EQ(CString("start"), parser.GetBodyHRef());
    EXPECT_EQ(CString("next"), parser.GetCtrlHRef(At(main, 0)));
    EXPECT_EQ(CString("start"), parser.GetCtrlHRef(At(main, 1)));
    EXPECT_EQ(CString("start"), parser.GetCtrlHRef(At(main, 2)));
}

TEST(LinkLookup, NearestAncestorWithATargetWins) {
    CKORU_Parser parser;
    ASSERT_EQ(1, Parse(parser, "<U><B HREF=top><C N=a HREF=mid><E><M></M></E></C></B></U>"));
    ASSERT_EQ((Lines{"M 5", "E 4", "C 3 N=a", "B 2"}), MainLines(parser));
    EXPECT_EQ(CString("mid"), parser.GetCtrlHRef(At(parser.GetMainList(), 0)));
    EXPECT_EQ(CString("mid"), parser.GetCtrlHRef(At(parser.GetMainList(), 1)));
}

TEST(LinkLookup, NoTargetsAnywhereGiveEmpty) {
    CKORU_Parser parser;
    ASSERT_EQ(1, Parse(parser, "<U><B><C N=a></C></B></U>"));
    EXPECT_EQ(CString(), parser.GetBodyHRef());
    EXPECT_EQ(CString(), parser.GetCtrlHRef(At(parser.GetMainList(), 0)));
}

TEST(LinkLookup, TwoBodiesHaveNoBodyTarget) {
    CKORU_Parser parser;
    ASSERT_EQ(1, Parse(parser, "<U><B HREF=one></B><B HREF=two></B></U>"));
    EXPECT_EQ(CString(), parser.GetBodyHRef());
    // Each body still has its own target as a node.
    EXPECT_EQ(CString("one"), parser.GetCtrlHRef(At(parser.GetMainList(), 0)));
}

TEST(LinkLookup, BodyDeeperThanLevelTwoStillCounts) {
    CKORU_Parser parser;
    ASSERT_EQ(1, Parse(parser, "<U><X><B HREF=deep></B></X></U>"));
    EXPECT_EQ(CString("deep"), parser.GetBodyHRef());
}

TEST(LinkLookup, EmptyTargetCountsAsMissing) {
    CKORU_Parser parser;
    ASSERT_EQ(1, Parse(parser, "<U><B HREF=start><C N=a HREF=\"\"></C></B></U>"));
    EXPECT_EQ(CString("start"), parser.GetCtrlHRef(At(parser.GetMainList(), 0)));
}

TEST(LinkLookup, NodeOutsideMainListYieldsOnlyItsOwnTarget) {
    CKORU_Parser parser;
    ASSERT_EQ(1, Parse(parser, "<U><B HREF=start></B></U>"));
    CKORU_ItemNode loose(3, CString("<C N=a"));
    EXPECT_EQ(CString(), parser.GetCtrlHRef(&loose));
    CKORU_ItemNode linked(3, CString("<C N=a HREF=own"));
    EXPECT_EQ(CString("own"), parser.GetCtrlHRef(&linked));
}

TEST(LinkLookup, BeforeFirstParseAndNullNode) {
    CKORU_Parser parser;
    EXPECT_EQ(CString(), parser.GetBodyHRef());
    EXPECT_EQ(CString(), parser.GetCtrlHRef(nullptr));
    ASSERT_EQ(1, Parse(parser, "<U><B HREF=start></B></U>"));
    EXPECT_EQ(CString(), parser.GetCtrlHRef(nullptr));
}

}  // namespace
