// Word scanner: character classes, skipping, word counting, word cutting, length-prefixed
// values and cutting at a character.
#include <koru/koru.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

// The scanner's character cutters are private members; the parser grants this
// access struct friendship so that they can be exercised directly.
namespace koru { namespace detail {
struct ParserAccess {
    static short RemoveHeadChar(CString& text, char c) {
        CKORU_Parser parser;
        return parser.RemoveHeadChar(text, c);
    }
    static short RemoveTailChar(CString& text, char c) {
        CKORU_Parser parser;
        return parser.RemoveTailChar(text, c);
    }
};
}}  // namespace koru::detail

namespace {

using koru::detail::ParserAccess;

std::string Bytes(const CString& s) { return std::string(s.GetString(), static_cast<size_t>(s.GetLength())); }
CString Text(const std::string& s) { return CString(s.data(), static_cast<int>(s.size())); }

// GetFirstWord with cut: the word and what is left of the text.
std::pair<std::string, std::string> Cut(const std::string& input) {
    CString text = Text(input);
    CString word = CKORU_Parser::GetFirstWord(text, 1);
    return {Bytes(word), Bytes(text)};
}

int Count(const std::string& input, short* equals = nullptr) {
    CString text = Text(input);
    short e = -99;
    int n = CKORU_Parser::GetWordCount(text, e);
    if (equals) *equals = e;
    return n;
}

// Final position of a skip over `input` from `pos`.
int Skip(const std::string& input, int limit, int pos, short stopClass, int toRight) {
    CString text = Text(input);
    CKORU_Parser::SearchAndSkipRightOrLeft(text, limit, pos, stopClass, toRight);
    EXPECT_EQ(Bytes(text), input) << "skipping never changes the text";
    return pos;
}

TEST(CharacterClassTest, EveryClass) {
    for (char c : {'\t', ' ', '\r', '\n', '<', '>'}) EXPECT_EQ(CKORU_Parser::IsWordDelimitation(c), 1) << int(c);
    EXPECT_EQ(CKORU_Parser::IsWordDelimitation('"'), 2);
    EXPECT_EQ(CKORU_Parser::IsWordDelimitation('&'), 3);
    EXPECT_EQ(CKORU_Parser::IsWordDelimitation(';'), 4);
    EXPECT_EQ(CKORU_Parser::IsWordDelimitation('='), 5);
    EXPECT_EQ(CKORU_Parser::IsWordDelimitation(':'), 6);
    for (char c : {'a', 'Z', '7', '/', '!', '-', '\'', '\0', '\x0b', '\x80', '\xff'})
        EXPECT_EQ(CKORU_Parser::IsWordDelimitation(c), 0) << int(static_cast<unsigned char>(c));
}

TEST(SkipTest, QuotedValuesFromTheOpeningQuote) {
    // "say "hi" x": from the quote at 4 to the closing quote at 7.
    EXPECT_EQ(Skip("say \"hi\" x", 10, 4, 2, 1), 7);
    // Without a closing quote the scan stops at the limit.
    EXPECT_EQ(Skip("\"abc", 4, 0, 2, 1), 4);
    EXPECT_EQ(Skip("\"abcdef\"", 3, 0, 2, 1), 3);
    // The byte at the start is never tested.
    EXPECT_EQ(Skip(" a b", 4, 0, 1, 1), 2);
    EXPECT_EQ(Skip("ab cd", 5, 0, 1, 1), 2);
    // Leftwards.
    EXPECT_EQ(Skip("a\"bc", 0, 3, 2, 0), 1);
    EXPECT_EQ(Skip("abc", 0, 2, 2, 0), 0);
}

TEST(SkipTest, StartAtLimitOrOutOfRangeDoesNotMove) {
    EXPECT_EQ(Skip("\"abc\"", 2, 2, 2, 1), 2);
    EXPECT_EQ(Skip("\"abc\"", 5, 5, 2, 1), 5);
    EXPECT_EQ(Skip("abc", 3, -1, 2, 1), -1);
    EXPECT_EQ(Skip("abc", 3, 9, 2, 1), 9);
    EXPECT_EQ(Skip("abc", 0, 9, 2, 0), 9);
    EXPECT_EQ(Skip("", 5, 0, 2, 1), 0);
    EXPECT_EQ(Skip("", -5, 0, 2, 0), 0);
}

TEST(SkipTest, UnreachableLimitsStopAtTheTextsEnds) {
    EXPECT_EQ(Skip("\"abc", 100, 0, 2, 1), 4);
    EXPECT_EQ(Skip("\"abc", -5, 0, 2, 1), 4);
    EXPECT_EQ(Skip("\"abc", 0, 1, 2, 1), 4) << "a limit behind the start is never reached";
    EXPECT_EQ(Skip("abc\"", 100, 3, 2, 0), 0);
    EXPECT_EQ(Skip("abc\"", 3, 2, 2, 0), 0) << "a limit ahead of a leftward scan is never reached";
    EXPECT_EQ(Skip("abc", 100, 0, 7, 1), 3) << "a class that never occurs";
}

TEST(SkipTest, LengthHeaders) {
    // "<l=5>a"b>c" x: the value's closing quote is at 11.
    EXPECT_EQ(Skip("\"<l=5>a\"b>c\" x", 14, 0, 2, 1), 11);
    // No '>' within ten bytes from '<': one step onto the '<'.
    EXPECT_EQ(Skip("\"<l=1234567>x\"", 14, 0, 2, 1), 1);
    // A negative length reads as 0 and never moves backwards.
    EXPECT_EQ(Skip("\"<l=-3>abc", 10, 0, 2, 1), 7);
    // A length past the end stops at the end.
    EXPECT_EQ(Skip("\"<l=10>ab", 9, 0, 2, 1), 9);
    EXPECT_EQ(Skip("\"<l=999999>ab", 100, 0, 2, 1), 13);
    // The header is recognised only at the start of a rightward scan.
    EXPECT_EQ(Skip("ab\"<l=3>xyz\"", 12, 0, 5, 1), 5);
    EXPECT_EQ(Skip("\"<l=3>abc\"", 0, 9, 1, 0), 5) << "no header leftwards";
}

TEST(WordCountTest, CasesFromTheLanguage) {
    short e = 0;
    EXPECT_EQ(Count("<C NAME=abc ID=\"x y\"", &e), 5);
    EXPECT_EQ(e, 2);
    EXPECT_EQ(Count("a:b", &e), 1);
    EXPECT_EQ(e, 0);
    EXPECT_EQ(Count("a&b"), 2);
    EXPECT_EQ(Count("a;b"), 2);
    EXPECT_EQ(Count("ab:"), 0) << "a last word ended by a colon is not counted";
    EXPECT_EQ(Count("", &e), 0);
    EXPECT_EQ(e, 0);
    EXPECT_EQ(Count(" \t\r\n<>"), 0);
    EXPECT_EQ(Count("a b  c"), 3);
    EXPECT_EQ(Count("ab\"cd\""), 1) << "the quote ends nothing; the quoted value is the one word";
    EXPECT_EQ(Count("\"a=b c\"", &e), 1);
    EXPECT_EQ(e, 0) << "no equals sign counts inside quotes";
    EXPECT_EQ(Count("\"open = a b", &e), 1);
    EXPECT_EQ(e, 0);
    EXPECT_EQ(Count("a==b", &e), 2);
    EXPECT_EQ(e, 2);
}

TEST(WordCountTest, LengthPrefixedValuesCountOnce) {
    short e = -1;
    EXPECT_EQ(Count("\"<l=5>a\"b>c\" x", &e), 2);
    EXPECT_EQ(e, 0);
    EXPECT_EQ(Count("N=\"<l=7>= = = =\"", &e), 2);
    EXPECT_EQ(e, 1);
    EXPECT_EQ(Count("\"<l=10>ab", &e), 1) << "a length past the end takes the rest";
    EXPECT_EQ(e, 0);
    EXPECT_EQ(Count("\"<l=-3>abc"), 2) << "a negative length reads as 0; the rest is counted";
}

TEST(WordCountTest, EqualsCountSaturates) {
    short e = 0;
    EXPECT_EQ(Count(std::string(40000, '='), &e), 0);
    EXPECT_EQ(e, 32767);
    EXPECT_EQ(Count(std::string(32767, '='), &e), 0);
    EXPECT_EQ(e, 32767);
    EXPECT_EQ(Count(std::string(32766, '=') + "a", &e), 1);
    EXPECT_EQ(e, 32766);
}

TEST(FirstWordTest, CutsWordsAndKeepsDelimiters) {
    EXPECT_EQ(Cut("  NAME=value"), std::make_pair(std::string("NAME"), std::string("=value")));
    EXPECT_EQ(Cut("=value"), std::make_pair(std::string("value"), std::string("")));
    EXPECT_EQ(Cut("<C N=1"), std::make_pair(std::string("C"), std::string(" N=1")));
    EXPECT_EQ(Cut("a&b;c d"), std::make_pair(std::string("abc"), std::string(" d")));
    EXPECT_EQ(Cut("&;x"), std::make_pair(std::string("x"), std::string("")));
    EXPECT_EQ(Cut("a:b:c"), std::make_pair(std::string("a:b:c"), std::string("")));
    EXPECT_EQ(Cut(":x y"), std::make_pair(std::string(":x"), std::string(" y")));
    EXPECT_EQ(Cut("ab\"cd\""), std::make_pair(std::string("ab"), std::string("cd\"")));
    EXPECT_EQ(Cut("\tword\n"), std::make_pair(std::string("word"), std::string("\n")));
    EXPECT_EQ(Cut(""), std::make_pair(std::string(""), std::string("")));
    EXPECT_EQ(Cut(" = =\t= "), std::make_pair(std::string(""), std::string("")));
    EXPECT_EQ(Cut("&;&"), std::make_pair(std::string(""), std::string("")));
}

TEST(FirstWordTest, QuotedValuesKeepTheirQuotes) {
    EXPECT_EQ(Cut("\"a b\" rest"), std::make_pair(std::string("\"a b\""), std::string(" rest")));
    EXPECT_EQ(Cut("  \"a&;=b\"x"), std::make_pair(std::string("\"a&;=b\""), std::string("x")));
    EXPECT_EQ(Cut("\"open to the end"), std::make_pair(std::string("\"open to the end"), std::string("")));
    EXPECT_EQ(Cut("\"\""), std::make_pair(std::string("\"\""), std::string("")));
    EXPECT_EQ(Cut("\"<l"), std::make_pair(std::string("\"<l"), std::string(""))) << "too short for a header";
}

TEST(FirstWordTest, LengthPrefixedValuesLoseTheirHeader) {
    EXPECT_EQ(Cut("\"<l=5>a\"b>c\" x"), std::make_pair(std::string("\"a\"b>c\""), std::string(" x")));
    EXPECT_EQ(Cut("= \"<l=0>\"y"), std::make_pair(std::string("\"\""), std::string("y")));
    // Six digits fill the window exactly.
    EXPECT_EQ(Cut("\"<l=000003>abc\" z"), std::make_pair(std::string("\"abc\""), std::string(" z")));
    // A negative length reads as 0: the quote and the one closing byte.
    EXPECT_EQ(Cut("\"<l=-3>abc"), std::make_pair(std::string("\"a"), std::string("bc")));
    EXPECT_EQ(Cut("\"<l= +2>ab\"c"), std::make_pair(std::string("\"ab\""), std::string("c"))) << "atoi-style N";
    // A length past the end takes what is there and leaves nothing.
    EXPECT_EQ(Cut("\"<l=10>ab"), std::make_pair(std::string("\"ab"), std::string("")));
    EXPECT_EQ(Cut("\"<l=3>"), std::make_pair(std::string("\""), std::string("")));

    // A long value holding every awkward byte.
    std::string payload;
    for (int i = 0; i < 100000; ++i) payload += "\"<>= &;:x"[i % 9];
    EXPECT_EQ(Cut("\"<l=100000>" + payload + "\" tail"),
              std::make_pair("\"" + payload + "\"", std::string(" tail")));
}

TEST(FirstWordTest, HeaderWithoutCloseGivesALoneQuoteAndKeepsTheText) {
    for (const char* raw : {"\"<l=1234567>x\" y", "\"<l=5", "\"<l=", "\"<l=12 rest"}) {
        const std::string input = raw;
        EXPECT_EQ(Cut(input), std::make_pair(std::string("\""), input)) << input;
        CString text = Text(input);
        EXPECT_EQ(Bytes(CKORU_Parser::GetFirstWord(text, 0)), "\"");
        EXPECT_EQ(Bytes(text), input);
    }
}

TEST(FirstWordTest, WithoutCutTheTextStays) {
    CString text("  NAME=value");
    EXPECT_EQ(Bytes(CKORU_Parser::GetFirstWord(text, 0)), "NAME");
    EXPECT_EQ(Bytes(text), "  NAME=value");
}

TEST(FirstWordTest, RepeatedCutsWalkAStatement) {
    CString text("<C N=abc ID=\"x y\" V=\"<l=3>a>b\" END");
    std::string words;
    for (int i = 0; i < 9; ++i) words += Bytes(CKORU_Parser::GetFirstWord(text, 1)) + "|";
    EXPECT_EQ(words, "C|N|abc|ID|\"x y\"|V|\"a>b\"|END||");
    EXPECT_TRUE(text.IsEmpty());
}

TEST(FirstWordTest, TagNameOfANode) {
    EXPECT_TRUE(CKORU_Parser::GetFirstWord(static_cast<CKORU_ItemNode*>(nullptr)).IsEmpty());

    CKORU_ItemNode empty(static_cast<CKORU_ItemNode*>(nullptr));
    EXPECT_TRUE(CKORU_Parser::GetFirstWord(&empty).IsEmpty());

    CKORU_ItemNode node(CString("<c n=1>"));
    node.m_TagName = "STORED";
    EXPECT_EQ(Bytes(CKORU_Parser::GetFirstWord(&node)), "STORED") << "the stored tag name while the table holds pairs";
    node.ReleaseMainList();
    EXPECT_EQ(Bytes(CKORU_Parser::GetFirstWord(&node)), "c") << "otherwise the statement's first word, not upper-cased";
}

TEST(EncodeRValueTest, DecodesAtAPositionAndCuts) {
    // x "<l=2>ab" y: the value's quote at 2, its closing quote at 10.
    CString text("x \"<l=2>ab\" y");
    int pos = 2;
    EXPECT_EQ(Bytes(CKORU_Parser::EncodeRValue(text, 0, pos)), "\"ab\"");
    EXPECT_EQ(pos, 10);
    EXPECT_EQ(Bytes(text), "x \"<l=2>ab\" y");

    pos = 2;
    EXPECT_EQ(Bytes(CKORU_Parser::EncodeRValue(text, 1, pos)), "\"ab\"");
    EXPECT_EQ(pos, 10);
    EXPECT_EQ(Bytes(text), " y");
}

TEST(EncodeRValueTest, NoHeaderOrBadPositionGivesEmptyAndChangesNothing) {
    const std::string input = "x \"ab\" \"<l=1>";
    for (int start : {-5, -1, 0, 2, 5, 12, 13, 14, 1000}) {
        CString text(input.c_str());
        int pos = start;
        CString result = CKORU_Parser::EncodeRValue(text, 1, pos);
        EXPECT_TRUE(result.IsEmpty()) << start;
        EXPECT_EQ(pos, start);
        EXPECT_EQ(Bytes(text), input);
    }
}

TEST(EncodeRValueTest, HeaderWithoutCloseGivesTheQuoteAlone) {
    CString text("\"<l=1234567>abc\"");
    int pos = 0;
    EXPECT_EQ(Bytes(CKORU_Parser::EncodeRValue(text, 1, pos)), "\"");
    EXPECT_EQ(pos, 0);
    EXPECT_EQ(Bytes(text), "\"<l=1234567>abc\"");
}

TEST(EncodeRValueTest, LengthsThatAreNegativeOrRunPastTheEnd) {
    CString negative("\"<l=-3>abc");
    int pos = 0;
    EXPECT_EQ(Bytes(CKORU_Parser::EncodeRValue(negative, 1, pos)), "\"a");
    EXPECT_EQ(pos, 7) << "the position never moves back";
    EXPECT_EQ(Bytes(negative), "bc");

    CString longer("\"<l=10>ab");
    pos = 0;
    EXPECT_EQ(Bytes(CKORU_Parser::EncodeRValue(longer, 0, pos)), "\"ab");
    EXPECT_EQ(pos, 17) << "the closing byte's position, past the end";
    // A position past the end reads nothing.
    EXPECT_TRUE(CKORU_Parser::EncodeRValue(longer, 1, pos).IsEmpty());
    EXPECT_EQ(Bytes(longer), "\"<l=10>ab");
    pos = 0;
    CKORU_Parser::EncodeRValue(longer, 1, pos);
    EXPECT_TRUE(longer.IsEmpty());

    CString exact("\"<l=2>ab\"");
    pos = 0;
    EXPECT_EQ(Bytes(CKORU_Parser::EncodeRValue(exact, 1, pos)), "\"ab\"");
    EXPECT_EQ(pos, 8);
    EXPECT_TRUE(exact.IsEmpty());
}

TEST(CutAtCharTest, HeadAndTail) {
    CString text("\"abc\"");
    EXPECT_EQ(ParserAccess::RemoveHeadChar(text, '"'), 1);
    EXPECT_EQ(Bytes(text), "abc\"");
    EXPECT_EQ(ParserAccess::RemoveTailChar(text, '"'), 1);
    EXPECT_EQ(Bytes(text), "abc");
    EXPECT_EQ(ParserAccess::RemoveHeadChar(text, '"'), 0);
    EXPECT_EQ(ParserAccess::RemoveTailChar(text, 'x'), 0);
    EXPECT_EQ(Bytes(text), "abc");

    CString middle("ab\"cd\"e");
    EXPECT_EQ(ParserAccess::RemoveHeadChar(middle, '"'), 1);
    EXPECT_EQ(Bytes(middle), "cd\"e") << "everything up to the first occurrence goes";
    CString tail("ab\"cd\"e");
    EXPECT_EQ(ParserAccess::RemoveTailChar(tail, '"'), 1);
    EXPECT_EQ(Bytes(tail), "ab\"cd") << "the last occurrence and all after it go";

    CString empty;
    EXPECT_EQ(ParserAccess::RemoveHeadChar(empty, '"'), 0);
    EXPECT_EQ(ParserAccess::RemoveTailChar(empty, '"'), 0);
}

TEST(ScannerThreadTest, TwoThreadsCutAndDecodeAtOnce) {
    // Working texts belong to each call, so two threads never see each other's words.
    std::atomic<int> failures{0};
    auto work = [&failures](int id) {
        for (int i = 0; i < 20000; ++i) {
            const std::string value = std::to_string(id) + "\"" + std::to_string(i);
            const std::string length = std::to_string(value.size());
            CString text(("N=\"<l=" + length + ">" + value + "\" T" + std::to_string(id)).c_str());
            if (Bytes(CKORU_Parser::GetFirstWord(text, 1)) != "N") ++failures;
            if (Bytes(CKORU_Parser::GetFirstWord(text, 1)) != "\"" + value + "\"") ++failures;
            if (Bytes(text) != " T" + std::to_string(id)) ++failures;
            CString again(("\"<l=" + length + ">" + value + "\"").c_str());
            int pos = 0;
            if (Bytes(CKORU_Parser::EncodeRValue(again, 0, pos)) != "\"" + value + "\"") ++failures;
        }
    };
    std::thread a(work, 1);
    std::thread b(work, 2);
    a.join();
    b.join();
    EXPECT_EQ(failures.load(), 0);
}

}  // namespace
