// CKORU_ItemNode: statement text, level, word count, tag name and attribute table
// derived from a statement, the three constructors and the table releases.
#include <koru/koru.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using Pairs = std::vector<std::pair<std::string, std::string>>;

std::string Bytes(const CString& s) { return std::string(s.GetString(), static_cast<size_t>(s.GetLength())); }

// The attribute table in iteration order.
Pairs Table(const CMapStringToString& map) {
    Pairs out;
    POSITION pos = map.GetStartPosition();
    while (pos) {
        CString key, value;
        map.GetNextAssoc(pos, key, value);
        out.emplace_back(Bytes(key), Bytes(value));
    }
    return out;
}

TEST(ItemNodeTest, ControlStatement) {
    CKORU_ItemNode node(CString("<C N=abc ID=\"x y\">"));
    EXPECT_EQ(Bytes(node.m_Statement), "<C N=abc ID=\"x y\"");
    EXPECT_EQ(node.m_Level, -1);
    EXPECT_EQ(node.m_WordCount, 1);
    EXPECT_EQ(Bytes(node.m_TagName), "C");
    EXPECT_EQ(Table(node.m_AttrTable), (Pairs{{"C", ""}, {"N", "abc"}, {"ID", "\"x y\""}}));
    EXPECT_TRUE(node.m_NewValueTable.IsEmpty());
}

TEST(ItemNodeTest, NamesAreUpperCasedAndValuesKeepTheirCase) {
    CKORU_ItemNode node(CString("<c n=Abc href=Http://X>"));
    EXPECT_EQ(Bytes(node.m_TagName), "C");
    EXPECT_EQ(Table(node.m_AttrTable), (Pairs{{"C", ""}, {"N", "Abc"}, {"HREF", "Http://X"}}));
}

TEST(ItemNodeTest, EndTag) {
    CKORU_ItemNode node(CString("</C>"));
    EXPECT_EQ(Bytes(node.m_Statement), "</C");
    EXPECT_EQ(Bytes(node.m_TagName), "/C");
    EXPECT_EQ(node.m_WordCount, 1);
    EXPECT_EQ(Table(node.m_AttrTable), (Pairs{{"/C", ""}}));
}

TEST(ItemNodeTest, AttributeNamedLikeTheTagReplacesItsEntry) {
    CKORU_ItemNode node(CString("<N N=abc>"));
    EXPECT_EQ(Bytes(node.m_TagName), "N");
    EXPECT_EQ(Table(node.m_AttrTable), (Pairs{{"N", "abc"}}));
}

TEST(ItemNodeTest, DuplicateNamesKeepTheLaterValueInTheFirstPlace) {
    CKORU_ItemNode node(CString("<C N=a ID=1 n=b>"));
    EXPECT_EQ(Table(node.m_AttrTable), (Pairs{{"C", ""}, {"N", "b"}, {"ID", "1"}}));
}

TEST(ItemNodeTest, SemicolonAndAmpersandAreDroppedFromValues) {
    CKORU_ItemNode semicolon(CString("<C N=a;b>"));
    EXPECT_EQ(semicolon.m_WordCount, 2);
    EXPECT_EQ(Table(semicolon.m_AttrTable), (Pairs{{"C", ""}, {"N", "ab"}, {"", ""}}));

    CKORU_ItemNode ampersand(CString("<C N=a&b>"));
    EXPECT_EQ(ampersand.m_WordCount, 2);
    EXPECT_EQ(Table(ampersand.m_AttrTable), (Pairs{{"C", ""}, {"N", "ab"}, {"", ""}}));
}

TEST(ItemNodeTest, ValuelessWordShiftsThePairs) {
    CKORU_ItemNode node(CString("<B ID N=x>"));
    EXPECT_EQ(node.m_WordCount, 2);
    EXPECT_EQ(Table(node.m_AttrTable), (Pairs{{"B", ""}, {"ID", "N"}, {"X", ""}}));
}

TEST(ItemNodeTest, LineBreaksQuotesAndLengthPrefixedValues) {
    CKORU_ItemNode node(CString("<C\r\nN=abc\tV=\"<l=5>a\"b>c\"\nT=\"q\">"));
    EXPECT_EQ(Bytes(node.m_Statement), "<C\r\nN=abc\tV=\"<l=5>a\"b>c\"\nT=\"q\"") << "the header stays in the text";
    EXPECT_EQ(node.m_WordCount, 1);
    EXPECT_EQ(Table(node.m_AttrTable), (Pairs{{"C", ""}, {"N", "abc"}, {"V", "\"a\"b>c\""}, {"T", "\"q\""}}));
}

TEST(ItemNodeTest, EmptyAndDegenerateStatements) {
    for (const char* text : {"", ">"}) {
        CKORU_ItemNode node{CString(text)};
        EXPECT_TRUE(node.m_Statement.IsEmpty()) << text;
        EXPECT_EQ(node.m_WordCount, 0);
        EXPECT_TRUE(node.m_TagName.IsEmpty());
        EXPECT_EQ(Table(node.m_AttrTable), (Pairs{{"", ""}}));
    }
    // Words run out before the pairs do.
    CKORU_ItemNode unclosed(CString("<C N=\"open value>"));
    EXPECT_EQ(Table(unclosed.m_AttrTable), (Pairs{{"C", ""}, {"N", "\"open value"}}));
}

TEST(ItemNodeTest, TextAndLevelConstructorKeepsTheWholeText) {
    CKORU_ItemNode node(2, CString("<B>"));
    EXPECT_EQ(Bytes(node.m_Statement), "<B>");
    EXPECT_EQ(node.m_Level, 2);
    EXPECT_EQ(Bytes(node.m_TagName), "B");
    EXPECT_EQ(node.m_WordCount, 1);
    EXPECT_EQ(Table(node.m_AttrTable), (Pairs{{"B", ""}}));

    // The level is cut to 16 bits.
    EXPECT_EQ(CKORU_ItemNode(65535, CString("<A>")).m_Level, -1);
    EXPECT_EQ(CKORU_ItemNode(70000, CString("<A>")).m_Level, 70000 - 65536);
}

TEST(ItemNodeTest, CopyRebuildsFromTheStatementAndKeepsTheLevel) {
    CKORU_ItemNode source(CString("<C N=abc HREF=x>"));
    source.m_Level = 3;
    source.m_AttrTable.SetAt("N", "changed");
    source.m_AttrTable.SetAt("EXTRA", "1");
    source.m_NewValueTable.SetAt("N", "changed");

    CKORU_ItemNode copy(&source);
    EXPECT_EQ(Bytes(copy.m_Statement), "<C N=abc HREF=x");
    EXPECT_EQ(copy.m_Level, 3);
    EXPECT_EQ(Bytes(copy.m_TagName), "C");
    EXPECT_EQ(copy.m_WordCount, 1);
    EXPECT_EQ(Table(copy.m_AttrTable), (Pairs{{"C", ""}, {"N", "abc"}, {"HREF", "x"}}));
    EXPECT_TRUE(copy.m_NewValueTable.IsEmpty());
    CString value;
    EXPECT_EQ(source.m_AttrTable.Lookup("N", value), 1);
    EXPECT_EQ(value, "changed") << "the source is left as it was";
}

TEST(ItemNodeTest, CopyOfNullIsAnEmptyNode) {
    CKORU_ItemNode node(static_cast<CKORU_ItemNode*>(nullptr));
    EXPECT_TRUE(node.m_Statement.IsEmpty());
    EXPECT_EQ(node.m_Level, -1);
    EXPECT_EQ(node.m_WordCount, 0);
    EXPECT_TRUE(node.m_TagName.IsEmpty());
    EXPECT_TRUE(node.m_AttrTable.IsEmpty());
    EXPECT_TRUE(node.m_NewValueTable.IsEmpty());
}

TEST(ItemNodeTest, InitNodeAgainAddsAndOverwritesAndReleasesEmpty) {
    CKORU_ItemNode node(CString("<C N=abc>"));
    node.m_AttrTable.SetAt("N", "zz");
    node.m_AttrTable.SetAt("KEPT", "1");
    node.InitNode();
    EXPECT_EQ(Table(node.m_AttrTable), (Pairs{{"C", ""}, {"N", "abc"}, {"KEPT", "1"}}));

    node.m_NewValueTable.SetAt("N", "v");
    node.ReleaseMainList();
    EXPECT_TRUE(node.m_AttrTable.IsEmpty());
    EXPECT_EQ(node.m_NewValueTable.GetCount(), 1);
    node.ReleaseNewList();
    EXPECT_TRUE(node.m_NewValueTable.IsEmpty());
    node.ReleaseMainList();
    node.ReleaseNewList();
    EXPECT_EQ(Bytes(node.m_Statement), "<C N=abc") << "releasing the tables leaves the text";
}

TEST(ItemNodeTest, WordCountSaturates) {
    std::string text = "<C";
    for (int i = 0; i < 70000; ++i) text += " a";
    text += ">";
    CKORU_ItemNode node(CString(text.c_str()));
    EXPECT_EQ(node.m_WordCount, 65535);
    EXPECT_EQ(Table(node.m_AttrTable), (Pairs{{"C", ""}, {"A", "a"}}));
}

TEST(ItemNodeTest, HundredThousandAttributes) {
    const int n = 100000;
    std::string text = "<C";
    for (int i = 0; i < n; ++i) text += " a" + std::to_string(i) + "=v" + std::to_string(i);
    text += ">";
    CKORU_ItemNode node(CString(text.c_str()));
    EXPECT_EQ(node.m_WordCount, 1);
    ASSERT_EQ(node.m_AttrTable.GetCount(), n + 1);

    int right = 0;
    POSITION pos = node.m_AttrTable.GetStartPosition();
    CString key, value;
    node.m_AttrTable.GetNextAssoc(pos, key, value);
    EXPECT_EQ(key, "C");
    for (int i = 0; pos; ++i) {
        node.m_AttrTable.GetNextAssoc(pos, key, value);
        right += key == ("A" + std::to_string(i)).c_str() && value == ("v" + std::to_string(i)).c_str();
    }
    EXPECT_EQ(right, n);
    ASSERT_EQ(node.m_AttrTable.Lookup("A77777", value), 1);
    EXPECT_EQ(value, "v77777");
}

}  // namespace
