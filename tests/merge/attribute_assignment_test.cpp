// Attribute assignment: If_IsInLValue_UpdateRValue and the attribute merge of
// rebuilt nodes under the overwrite and new-value flags.
#include "query/doc_helpers.h"

#include <gtest/gtest.h>

using namespace koru_test;

namespace {

class AttributeAssignment : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(1, Parse(parser, "<U><B HREF=abc><C N=a X=0 E=></C></B></U>")); }

    // The overwrite flag comes from a parse's argument, the new-value flag from
    // the text update; an empty text is refused but still stores its flag.
    void SetFlags(int overwrite, int newValue) {
        EXPECT_EQ(nullptr, parser.UpdateParser(nullptr, CString(), newValue));
        ASSERT_EQ(1, Parse(parser, "<U></U>", overwrite));
    }

    CKORU_ItemNode* Control() { return At(parser.GetMainList(), 0); }
    CKORU_ItemNode* Body() { return At(parser.GetMainList(), 1); }

    int Assign(const char* name, CString& value, CKORU_ItemNode* node) {
        CString n(name);
        int result = parser.If_IsInLValue_UpdateRValue(n, value, node);
        lastName = n;
        return result;
    }

    CKORU_Parser parser;
    CString lastName;
};

TEST_F(AttributeAssignment, NameIsUpperCasedInPlace) {
    SetFlags(0, 0);
    CString value("v");
    EXPECT_EQ(1, Assign("href", value, Body()));
    EXPECT_EQ(CString("HREF"), lastName);
    EXPECT_EQ("abc", Attr(Body(), "HREF"));  // overwrite off: unchanged
}

TEST_F(AttributeAssignment, BothFlagsStoreQuotedAndEnterUnquoted) {
    SetFlags(1, 1);
    CString value("\"x y\"");
    EXPECT_EQ(1, Assign("x", value, Control()));
    EXPECT_EQ("\"x y\"", Attr(Control(), "X"));
    EXPECT_EQ((Lines{"X=x y"}), Table(Control()->m_NewValueTable));
    EXPECT_EQ(CString("x y"), value);
}

TEST_F(AttributeAssignment, OverwriteOffChangesNothingButAnswersOne) {
    SetFlags(0, 1);
    CString value("\"q\"");
    EXPECT_EQ(1, Assign("X", value, Control()));
    EXPECT_EQ("0", Attr(Control(), "X"));
    EXPECT_TRUE(Control()->m_NewValueTable.IsEmpty());
    EXPECT_EQ(CString("\"q\""), value);
}

TEST_F(AttributeAssignment, NewValueFlagOffAssignsOnly) {
    SetFlags(1, 0);
    CString value("\"q\"");
    EXPECT_EQ(1, Assign("X", value, Control()));
    EXPECT_EQ("\"q\"", Attr(Control(), "X"));
    EXPECT_TRUE(Control()->m_NewValueTable.IsEmpty());
    EXPECT_EQ(CString("\"q\""), value);
}

TEST_F(AttributeAssignment, EmptyValueIsAssignedButNotEntered) {
    SetFlags(1, 1);
    CString value;
    EXPECT_EQ(1, Assign("X", value, Control()));
    EXPECT_EQ("", Attr(Control(), "X"));
    EXPECT_TRUE(Control()->m_NewValueTable.IsEmpty());
}

TEST_F(AttributeAssignment, QuoteRemovalCutsAtTheLastQuote) {
    SetFlags(1, 1);
    CString value("\"ab\"cd");
    EXPECT_EQ(1, Assign("X", value, Control()));
    EXPECT_EQ("\"ab\"cd", Attr(Control(), "X"));
    EXPECT_EQ(CString("ab"), value);
    CString open("\"ab");
    EXPECT_EQ(1, Assign("N", open, Control()));
    EXPECT_EQ(CString("ab"), open);
    CString inner("x\"y\"");
    EXPECT_EQ(1, Assign("HREF", inner, Body()));
    EXPECT_EQ(CString("x\"y\""), inner);
    EXPECT_EQ((Lines{"X=ab", "N=ab"}), Table(Control()->m_NewValueTable));
    EXPECT_EQ((Lines{"HREF=x\"y\""}), Table(Body()->m_NewValueTable));
}

TEST_F(AttributeAssignment, AbsentAttributeIsNeitherAddedNorEntered) {
    SetFlags(1, 1);
    CString value("1");
    EXPECT_EQ(0, Assign("y", value, Control()));
    EXPECT_EQ(CString("Y"), lastName);
    EXPECT_EQ("(absent)", Attr(Control(), "Y"));
    EXPECT_TRUE(Control()->m_NewValueTable.IsEmpty());
}

TEST_F(AttributeAssignment, TagNameCountsAsAnAttribute) {
    SetFlags(1, 1);
    CString value("t");
    EXPECT_EQ(1, Assign("c", value, Control()));
    EXPECT_EQ("t", Attr(Control(), "C"));
}

TEST_F(AttributeAssignment, NullNodeGivesZero) {
    SetFlags(1, 1);
    CString value("1");
    EXPECT_EQ(0, Assign("x", value, nullptr));
    EXPECT_EQ(CString("1"), value);
}

TEST_F(AttributeAssignment, AssignmentLeavesStatementTextAndListsAlone) {
    SetFlags(1, 1);
    CString value("9");
    Assign("X", value, Control());
    EXPECT_EQ(CString("<C N=a X=0 E="), Control()->m_Statement);
    EXPECT_EQ((Lines{"C 3 N=a", "B 2"}), MainLines(parser));
}

// ---------------------------------------------------------------------------
// Through merges
// ---------------------------------------------------------------------------

TEST_F(AttributeAssignment, MissingAttributesAreAddedWhateverTheOverwriteFlag) {
    SetFlags(0, 1);
    ASSERT_EQ(1, Parse(parser, "<U><B><C N=a X=1 Y=\"two\" Z=></C></B></U>", 0));
    EXPECT_EQ((Lines{"C=", "N=a", "X=0", "E=", "Y=\"two\"", "Z="}), Table(Control()->m_AttrTable));
    // Added values are entered, an empty one too; kept ones are not.
    EXPECT_EQ((Lines{"Y=two", "Z="}), Table(Control()->m_NewValueTable));
}

TEST_F(AttributeAssignment, ReplacedEmptyValueIsNotEntered) {
    SetFlags(1, 1);
    ASSERT_EQ(1, Parse(parser, "<U><B><C N=a X=1 E=></C></B></U>", 1));
    EXPECT_EQ((Lines{"C=", "N=a", "X=1", "E="}), Table(Control()->m_AttrTable));
    EXPECT_EQ((Lines{"N=a", "X=1"}), Table(Control()->m_NewValueTable));
}

TEST_F(AttributeAssignment, NothingChangesWhenTargetHasAllAndOverwriteIsOff) {
    SetFlags(0, 1);
    ASSERT_EQ(1, Parse(parser, "<U><B HREF=other><C N=a X=5 E=e></C></B></U>", 0));
    EXPECT_EQ((Lines{"C=", "N=a", "X=0", "E="}), Table(Control()->m_AttrTable));
    EXPECT_EQ("abc", Attr(Body(), "HREF"));
    EXPECT_TRUE(Control()->m_NewValueTable.IsEmpty());
    EXPECT_TRUE(Body()->m_NewValueTable.IsEmpty());
}

TEST_F(AttributeAssignment, NewControlRecordsItsValuesWhenBothFlagsAreSet) {
    // The inserted copy has every attribute already, so each non-empty value is
    // replaced by itself and entered; the tag's empty entry is not.
    SetFlags(1, 1);
    ASSERT_EQ(1, Parse(parser, "<U><B><C N=b V=\"1\"></C></B></U>", 1));
    CKORU_ItemNode* b = parser.GetNode(nullptr, CString("C"), CString("b"));
    ASSERT_NE(nullptr, b);
    EXPECT_EQ((Lines{"C=", "N=b", "V=\"1\""}), Table(b->m_AttrTable));
    EXPECT_EQ((Lines{"N=b", "V=1"}), Table(b->m_NewValueTable));
}

}  // namespace
