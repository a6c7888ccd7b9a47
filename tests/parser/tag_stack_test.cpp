// Tag nesting stack: closing order, levels, stray end tags and the depth that
// carries over from one statement list to the next.
#include "parser/pipeline_helpers.h"

#include <gtest/gtest.h>

using namespace koru_test;

namespace {

// Runs one statement list through the parser's tag stack.
void Stack(CKORU_Parser& parser, std::initializer_list<const char*> statements) {
    Access::StackOperation(parser, MakeStatements(statements));
}

TEST(TagStack, NodesComeOutInClosingOrderWithTheirDepthAsLevel) {
    CKORU_Parser parser;
    Stack(parser, {"<U>", "<B>", "</B>", "</U>"});
    EXPECT_EQ(Shape(&Access::ClosedList(parser)), (Lines{"B 2", "U 1"}));
    EXPECT_TRUE(Access::TagStack(parser).IsEmpty());
    EXPECT_EQ(Access::Depth(parser), 0);

    CKORU_Parser siblings;
    Stack(siblings, {"<U>", "<B>", "<C>", "</C>", "<C>", "</C>", "</B>", "</U>"});
    EXPECT_EQ(Shape(&Access::ClosedList(siblings)), (Lines{"C 3", "C 3", "B 2", "U 1"}));
}

TEST(TagStack, NodeHoldsTheStatementWithoutItsClosingGreaterThan) {
    CKORU_Parser parser;
    Stack(parser, {"<c n=Abc>", "</x>"});
    ASSERT_EQ(Access::ClosedList(parser).GetCount(), 1);
    CKORU_ItemNode* node = Access::ClosedList(parser).GetHead();
    EXPECT_EQ(Str(node->m_Statement), "<c n=Abc");
    EXPECT_EQ(Str(node->m_TagName), "C");
    EXPECT_EQ(Table(&node->m_AttrTable), (Lines{"C=", "N=Abc"}));
}

TEST(TagStack, EndTagsAreNotMatchedByName) {
    CKORU_Parser parser;
    Stack(parser, {"<B>", "<C>", "</B>", "</C>"});
    EXPECT_EQ(Shape(&Access::ClosedList(parser)), (Lines{"C 2", "B 1"}));
}

TEST(TagStack, StrayEndTagClosesNothing) {
    CKORU_Parser parser;
    Stack(parser, {"</B>", "<B>"});
    EXPECT_TRUE(Access::ClosedList(parser).IsEmpty());
    EXPECT_EQ(Shape(&Access::TagStack(parser)), (Lines{"B 1"}));
    EXPECT_EQ(Access::Depth(parser), 1);
}

TEST(TagStack, BlankBeforeTheSlashStillMakesAnEndTag) {
    CKORU_Parser parser;
    Stack(parser, {"<B>", "< /C>"});
    EXPECT_EQ(Shape(&Access::ClosedList(parser)), (Lines{"B 1"}));
    EXPECT_EQ(Access::Depth(parser), 0);
}

TEST(TagStack, NullElementsAreSkipped) {
    CKORU_Parser parser;
    auto* list = MakeStatements({"<B>"});
    list->AddTail(nullptr);
    list->AddTail(new CString("</B>"));
    Access::StackOperation(parser, list);
    EXPECT_EQ(Shape(&Access::ClosedList(parser)), (Lines{"B 1"}));
}

TEST(TagStack, DepthAndOpenTagsCarryOverToTheNextList) {
    CKORU_Parser parser;
    Stack(parser, {"<U>", "<B>"});
    EXPECT_EQ(Shape(&Access::TagStack(parser)), (Lines{"U 1", "B 2"}));
    EXPECT_EQ(Access::Depth(parser), 2);

    // The next list's start nodes get levels above the open ones, and its end
    // statements close nodes of the earlier list.
    Stack(parser, {"<C>", "</C>", "</B>"});
    EXPECT_EQ(Shape(&Access::ClosedList(parser)), (Lines{"C 3", "B 2"}));
    EXPECT_EQ(Shape(&Access::TagStack(parser)), (Lines{"U 1"}));
    EXPECT_EQ(Access::Depth(parser), 1);
}

TEST(TagStack, AreYouEndTagLooksAtTheFirstCharacter) {
    CKORU_Parser parser;
    EXPECT_EQ(Access::AreYouEndTag(parser, "/C"), 1);
    EXPECT_EQ(Access::AreYouEndTag(parser, "C"), 0);
    EXPECT_EQ(Access::AreYouEndTag(parser, "C/"), 0);
    EXPECT_EQ(Access::AreYouEndTag(parser, ""), 0);
}

TEST(TagStack, PushStampsDepthAndPopNeverGoesBelowZero) {
    CKORU_Parser parser;
    EXPECT_EQ(Access::Pop(parser), nullptr);
    EXPECT_EQ(Access::Depth(parser), 0);

    auto* outer = new CKORU_ItemNode(CString("<B>"));
    auto* inner = new CKORU_ItemNode(CString("<C>"));
    Access::Push(parser, outer);
    Access::Push(parser, inner);
    EXPECT_EQ(outer->m_Level, 1);
    EXPECT_EQ(inner->m_Level, 2);
    EXPECT_EQ(Access::Pop(parser), inner);
    EXPECT_EQ(Access::Depth(parser), 1);
    delete inner;  // outer stays on the stack; the parser frees it
}

TEST(TagStack, DestructorFreesNodesLeftOpen) {
    // Run under LeakSanitizer: the open nodes and the closed ones must be freed.
    auto* parser = new CKORU_Parser;
    Stack(*parser, {"<U>", "<B N=open>", "<C>", "</C>"});
    EXPECT_EQ(Access::TagStack(*parser).GetCount(), 2);
    EXPECT_EQ(Access::ClosedList(*parser).GetCount(), 1);
    delete parser;

    CKORU_Parser parsed;
    EXPECT_EQ(Parse(parsed, "</X><U><B N=b><C N=c></C></U>"), 1);
    EXPECT_EQ(Shape(&Access::TagStack(parsed)), (Lines{"U 1"}));
}

}  // namespace
