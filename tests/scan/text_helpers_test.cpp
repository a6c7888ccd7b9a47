// The word scanner's public statics and statement rebuilding.
#include "common/koru_test.h"

#include <gtest/gtest.h>

namespace {

using P = CKORU_Parser;

TEST(WordScannerTest, SkipRightOrLeft) {
    // Skips from `pos` by class `stop` (1 blank, 2 quote, 5 '='), `right` or left; `rests`: where `pos` ends.
    struct Row { const char* rule; const char* text; int limit, pos; short stop; int right, rests; };
    const Row rows[] = {
        {"a quoted value: to the closing quote", "say \"hi\" x", 10, 4, 2, 1, 7},
        {"a quoted value: to the limit", "\"abcdef\"", 3, 0, 2, 1, 3},
        {"the byte at the start is never tested", " a b", 4, 0, 1, 1, 2},
        {"leftwards, to the text's start when the limit cannot be reached", "abc\"", 3, 2, 2, 0, 0},
        {"no move from the limit", "\"abc\"", 2, 2, 2, 1, 2},
        {"a position out of range stays", "abc", 3, -1, 2, 1, -1},
        {"a length header at the start jumps to the value's closing byte", "\"<l=5>a\"b>c\" x", 14, 0, 2, 1, 11},
        {"a length header jumps for any stop class", "\"<l=3>a b\"=c", 12, 0, 5, 1, 9},
        {"a length past the end stops at the end", "\"<l=99>ab", 100, 0, 2, 1, 9},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.rule);
        CString text(row.text);
        int pos = row.pos;
        P::SearchAndSkipRightOrLeft(text, row.limit, pos, row.stop, row.right);
        EXPECT_EQ(pos, row.rests);
        EXPECT_EQ(text, row.text);
    }
}

TEST(WordScannerTest, WordsFirstWordAndLengthPrefixedValue) {
    // `words` and `equals`: GetWordCount; `word`: GetFirstWord; `rest`: the text once it is cut off;
    // `decoded`: EncodeRValue at 0, which takes a length-prefixed value only and cuts it off the same way.
    struct Row { const char* rule; std::string text; int words, equals; const char *word, *rest, *decoded; };
    const Row rows[] = {
        {"words end at blanks and equals signs, which stay in the rest", "  NAME=abc ID=\"x=y\"", 4, 2, "NAME",
         "=abc ID=\"x=y\"", ""},
        {"colons neither start nor end words; a last word ended by one is not counted", ":x y:", 1, 0, ":x", " y:", ""},
        {"'&' splits the count, not the word; a quote ends the word and is dropped", "a&b\"c\"", 2, 0, "ab", "c\"", ""},
        {"an unclosed quoted value runs to the end", "\"o = a", 1, 0, "\"o = a", "", ""},
        {"delimiters only: no word", " \t=\r\n<>&;", 0, 1, "", "", ""},
        {"the equals count stops at 32767", std::string(40000, '=') + "a", 1, 32767, "a", "", ""},
        {"a length-prefixed value loses its header", "\"<l=5>a\"b>c\" x", 2, 0, "\"a\"b>c\"", " x", "\"a\"b>c\""},
        {"a length past the end takes the rest", "\"<l=10>a=b", 1, 0, "\"a=b", "", "\"a=b"},
        {"a header without '>': a lone quote; the text stays", "\"<l=1234567>x\" y", 4, 1, "\"", "\"<l=1234567>x\" y",
         "\""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.rule);
        CString text(row.text), decoded(row.text);
        short equals = -1;
        EXPECT_EQ(P::GetWordCount(text, equals), row.words);
        EXPECT_EQ(equals, row.equals);
        EXPECT_EQ(P::GetFirstWord(text, 0), row.word);
        EXPECT_EQ(text.Str(), row.text);  // not cut
        EXPECT_EQ(P::GetFirstWord(text, 1), row.word);
        EXPECT_EQ(text, row.rest);
        int pos = 0;
        EXPECT_EQ(P::EncodeRValue(decoded, 1, pos), row.decoded);
        EXPECT_EQ(decoded.Str(), *row.decoded ? row.rest : row.text);
        for (int outside : {-1, static_cast<int>(row.text.size()) + 1}) {  // no value starts outside the text
            pos = outside;
            EXPECT_EQ(P::EncodeRValue(decoded, 1, pos), "");
        }
    }
}

// A node's tag name is the stored one while its table holds pairs, else its statement's
// first word; MakeStatement writes the table back in table order.
TEST(WordScannerTest, NodeTagNameAndStatement) {
    CKORU_ItemNode node(CString("<f N=abc ID=\"x y\" V=\"<l=3>a>b\">")), empty(static_cast<CKORU_ItemNode*>(nullptr));
    node.m_AttrTable.SetAt("N", "new");
    EXPECT_EQ(P::MakeStatement(&node), "F= N=new ID=\"x y\" V=\"a>b\" ");
    EXPECT_EQ(P::GetFirstWord(&node), "F");
    node.ReleaseMainList();
    EXPECT_EQ(P::GetFirstWord(&node), "f");
    EXPECT_EQ(P::GetFirstWord(&empty) + P::GetFirstWord(nullptr) + P::MakeStatement(nullptr), "");
    EXPECT_EQ(P::IsWordDelimitation('>'), 1);  // '>' separates words as a blank does
}

}  // namespace
