// MakeStatement: a node's attribute table written back as "NAME=value " pairs.
#include <koru/koru.h>

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Rebuilt(CKORU_ItemNode* node) {
    CString s = CKORU_Parser::MakeStatement(node);
    return std::string(s.GetString(), static_cast<size_t>(s.GetLength()));
}

TEST(MakeStatementTest, PairsInTableOrderEachFollowedByOneSpace) {
    CKORU_ItemNode node(CString("<F NAME=abc ID=\"x y\">"));
    EXPECT_EQ(Rebuilt(&node), "F= NAME=abc ID=\"x y\" ");

    CKORU_ItemNode bare(CString("<B>"));
    EXPECT_EQ(Rebuilt(&bare), "B= ");
}

TEST(MakeStatementTest, NullAndEmptyTablesGiveTheEmptyText) {
    EXPECT_EQ(Rebuilt(nullptr), "");
    CKORU_ItemNode empty(static_cast<CKORU_ItemNode*>(nullptr));
    EXPECT_EQ(Rebuilt(&empty), "");
    CKORU_ItemNode released(CString("<C N=1>"));
    released.ReleaseMainList();
    EXPECT_EQ(Rebuilt(&released), "");
}

TEST(MakeStatementTest, LengthPrefixedValuesComeOutWithoutTheirHeader) {
    CKORU_ItemNode node(CString("<C V=\"<l=5>a\"b>c\" N=x>"));
    EXPECT_EQ(Rebuilt(&node), "C= V=\"a\"b>c\" N=x ");
}

TEST(MakeStatementTest, ReflectsChangesToTheTable) {
    CKORU_ItemNode node(CString("<C N=abc HREF=old>"));
    node.m_AttrTable.SetAt("HREF", "new");
    node.m_AttrTable.SetAt("ADDED", "\"q\"");
    EXPECT_EQ(Rebuilt(&node), "C= N=abc HREF=new ADDED=\"q\" ") << "a replaced value keeps its place";
}

}  // namespace
