// CString: construction, slicing out of range, searching, case, comparison, concatenation.
#include <koru/koru.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// The bytes of a string, embedded zeros included.
std::string Bytes(const CString& s) { return std::string(s.GetString(), static_cast<size_t>(s.GetLength())); }

TEST(CStringTest, ConstructorsGiveTheExpectedBytes) {
    EXPECT_TRUE(CString().IsEmpty());
    EXPECT_TRUE(CString(static_cast<const char*>(nullptr)).IsEmpty());
    EXPECT_EQ(Bytes(CString("abc")), "abc");

    CString zeros("a\0b\0", 4);
    EXPECT_EQ(zeros.GetLength(), 4);
    EXPECT_EQ(zeros.GetAt(0), 'a');
    EXPECT_EQ(zeros.GetAt(1), '\0');
    EXPECT_EQ(zeros.GetAt(2), 'b');
    EXPECT_EQ(Bytes(zeros), std::string("a\0b\0", 4));

    EXPECT_TRUE(CString("abc", 0).IsEmpty());
    EXPECT_TRUE(CString("abc", -2).IsEmpty());
    EXPECT_TRUE(CString(nullptr, 5).IsEmpty());
    EXPECT_EQ(Bytes(CString("abcdef", 2)), "ab");

    EXPECT_EQ(Bytes(CString('x', 3)), "xxx");
    EXPECT_EQ(Bytes(CString('y')), "y");
    EXPECT_TRUE(CString('x', 0).IsEmpty());
    EXPECT_TRUE(CString('x', -4).IsEmpty());
    EXPECT_EQ(Bytes(CString('\0', 2)), std::string(2, '\0'));

    CString copy(zeros);
    EXPECT_EQ(Bytes(copy), Bytes(zeros));
    copy += 'z';
    EXPECT_EQ(zeros.GetLength(), 4) << "a copy is independent of its source";
}

TEST(CStringTest, AssignmentFromStringTextAndChar) {
    CString s("old");
    s = CString("abc", 2);
    EXPECT_EQ(Bytes(s), "ab");
    s = "text";
    EXPECT_EQ(Bytes(s), "text");
    s = static_cast<const char*>(nullptr);
    EXPECT_TRUE(s.IsEmpty());
    s = 'q';
    EXPECT_EQ(Bytes(s), "q");
    s.Empty();
    EXPECT_TRUE(s.IsEmpty());
    EXPECT_EQ(s.GetLength(), 0);
}

TEST(CStringTest, OutOfRangeSlicesNeverFail) {
    const CString s("abc");
    EXPECT_TRUE(s.Left(-1).IsEmpty());
    EXPECT_TRUE(s.Left(0).IsEmpty());
    EXPECT_EQ(Bytes(s.Left(2)), "ab");
    EXPECT_EQ(Bytes(s.Left(99)), "abc");

    EXPECT_TRUE(s.Mid(5).IsEmpty());
    EXPECT_TRUE(s.Mid(3).IsEmpty());
    EXPECT_EQ(Bytes(s.Mid(1)), "bc");
    EXPECT_EQ(Bytes(s.Mid(-2)), "abc");
    EXPECT_EQ(Bytes(s.Mid(1, 1)), "b");
    EXPECT_EQ(Bytes(s.Mid(1, 99)), "bc");
    EXPECT_TRUE(s.Mid(1, -1).IsEmpty());
    EXPECT_TRUE(s.Mid(1, 0).IsEmpty());
    EXPECT_TRUE(s.Mid(7, 2).IsEmpty());
    EXPECT_EQ(Bytes(s.Mid(-1, 2)), "ab");

    EXPECT_TRUE(s.Right(-1).IsEmpty());
    EXPECT_EQ(Bytes(s.Right(2)), "bc");
    EXPECT_EQ(Bytes(s.Right(9)), "abc");

    EXPECT_TRUE(CString().Left(3).IsEmpty());
    EXPECT_TRUE(CString().Mid(0).IsEmpty());
    EXPECT_TRUE(CString().Right(3).IsEmpty());
}

TEST(CStringTest, SlicesKeepEmbeddedZeros) {
    CString s("a\0b\0c", 5);
    EXPECT_EQ(Bytes(s.Left(3)), std::string("a\0b", 3));
    EXPECT_EQ(Bytes(s.Mid(1, 3)), std::string("\0b\0", 3));
    EXPECT_EQ(Bytes(s.Right(2)), std::string("\0c", 2));
}

TEST(CStringTest, CharacterAccessOutsideReadsZero) {
    const CString s("xyz");
    EXPECT_EQ(s.GetAt(0), 'x');
    EXPECT_EQ(s.GetAt(2), 'z');
    EXPECT_EQ(s.GetAt(3), '\0');
    EXPECT_EQ(s.GetAt(4), '\0');
    EXPECT_EQ(s.GetAt(-1), '\0');
    EXPECT_EQ(s[1], 'y');
    EXPECT_EQ(s[3], '\0');
    EXPECT_EQ(s[-7], '\0');
    EXPECT_EQ(CString().GetAt(0), '\0');
}

TEST(CStringTest, FindCharAndTextWithStart) {
    const CString s("abcabc");
    EXPECT_EQ(s.Find('b'), 1);
    EXPECT_EQ(s.Find('b', 1), 1);
    EXPECT_EQ(s.Find('b', 2), 4);
    EXPECT_EQ(s.Find('b', 5), -1);
    EXPECT_EQ(s.Find('b', 100), -1);
    EXPECT_EQ(s.Find('b', -3), 1);
    EXPECT_EQ(s.Find('z'), -1);

    EXPECT_EQ(s.Find("ca"), 2);
    EXPECT_EQ(s.Find("bc", 2), 4);
    EXPECT_EQ(s.Find("bc", 5), -1);
    EXPECT_EQ(s.Find("abc", 1), 3);
    EXPECT_EQ(s.Find("zz"), -1);
    EXPECT_EQ(s.Find("abcabcd"), -1);
    EXPECT_EQ(s.Find("bc", 99), -1);

    EXPECT_EQ(CString().Find('a'), -1);
    EXPECT_EQ(CString().Find("a"), -1);

    CString zeros("a\0b", 3);
    EXPECT_EQ(zeros.Find('\0'), 1);
    EXPECT_EQ(zeros.Find('b'), 2) << "the search runs past an embedded zero";
}

TEST(CStringTest, MakeUpperChangesOnlyAsciiLowerCase) {
    CString s("abz AZ{`@[\xe4\xff 09");
    CString& same = s.MakeUpper();
    EXPECT_EQ(&same, &s);
    EXPECT_EQ(Bytes(s), "ABZ AZ{`@[\xe4\xff 09");

    CString zeros("a\0b", 3);
    zeros.MakeUpper();
    EXPECT_EQ(Bytes(zeros), std::string("A\0B", 3));
}

TEST(CStringTest, CompareNoCase) {
    const CString hello("Hello");
    EXPECT_EQ(hello.CompareNoCase(CString("hELLO")), 0);
    EXPECT_EQ(hello.CompareNoCase("HELLO"), 0);
    EXPECT_NE(hello.CompareNoCase("Hell"), 0);
    EXPECT_GT(hello.CompareNoCase("Hell"), 0);
    EXPECT_LT(CString("Hell").CompareNoCase(hello), 0);
    EXPECT_LT(CString("abc").CompareNoCase("ABD"), 0);
    EXPECT_GT(CString("ABD").CompareNoCase("abc"), 0);
    EXPECT_EQ(CString().CompareNoCase(""), 0);
    EXPECT_EQ(CString().CompareNoCase(static_cast<const char*>(nullptr)), 0);
    // Only ASCII letters fold.
    EXPECT_NE(CString("\xe4").CompareNoCase("\xc4"), 0);
    EXPECT_NE(CString("[").CompareNoCase("{"), 0);
}

TEST(CStringTest, ComparisonsInBothOrders) {
    const CString abc("abc");
    EXPECT_TRUE(abc == CString("abc"));
    EXPECT_TRUE(abc == "abc");
    EXPECT_TRUE("abc" == abc);
    EXPECT_FALSE(abc == "ABC");
    EXPECT_TRUE(abc != "abd");
    EXPECT_TRUE("abd" != abc);
    EXPECT_TRUE(abc != CString("ab"));
    EXPECT_FALSE(abc != "abc");

    EXPECT_TRUE(abc < CString("abd"));
    EXPECT_TRUE(abc < "abd");
    EXPECT_TRUE("abb" < abc);
    EXPECT_FALSE(abc < "abc");
    EXPECT_FALSE("abc" < abc);
    EXPECT_TRUE(CString("ab") < abc);
    // Bytes compare as unsigned: a byte above 127 sorts after ASCII.
    EXPECT_TRUE(CString("a") < CString("\x80"));
    EXPECT_TRUE("z" < CString("\xff"));

    CString zeros("a\0b", 3);
    EXPECT_FALSE(zeros == "a") << "embedded zeros take part in equality";
    EXPECT_TRUE(zeros != CString("a\0c", 3));
    EXPECT_TRUE(zeros == CString("a\0b", 3));
    EXPECT_TRUE(CString("a") < zeros);
}

TEST(CStringTest, ConcatenationInEveryForm) {
    const CString ab("ab");
    EXPECT_EQ(Bytes(ab + CString("cd")), "abcd");
    EXPECT_EQ(Bytes(ab + "cd"), "abcd");
    EXPECT_EQ(Bytes("cd" + ab), "cdab");
    EXPECT_EQ(Bytes(ab + 'c'), "abc");
    EXPECT_EQ(Bytes('c' + ab), "cab");
    EXPECT_EQ(Bytes(ab + static_cast<const char*>(nullptr)), "ab");
    EXPECT_EQ(Bytes(ab), "ab") << "operands are not changed";

    CString s("x");
    s += CString("y");
    s += "z";
    s += '!';
    s += static_cast<const char*>(nullptr);
    EXPECT_EQ(Bytes(s), "xyz!");
    s += s;
    EXPECT_EQ(Bytes(s), "xyz!xyz!");

    CString zeros("a\0", 2);
    zeros += CString("\0b", 2);
    zeros += '\0';
    EXPECT_EQ(Bytes(zeros), std::string("a\0\0b\0", 5));
    EXPECT_EQ((zeros + CString("c")).GetLength(), 6);
}

TEST(CStringTest, ConstObjectReading) {
    const CString c("Key=Value");
    EXPECT_EQ(c.GetLength(), 9);
    EXPECT_FALSE(c.IsEmpty());
    EXPECT_EQ(c.GetAt(3), '=');
    EXPECT_EQ(c[4], 'V');
    EXPECT_EQ(c.Find('='), 3);
    EXPECT_EQ(c.Find("Val"), 4);
    EXPECT_EQ(Bytes(c.Left(3)), "Key");
    EXPECT_EQ(Bytes(c.Mid(4)), "Value");
    EXPECT_EQ(Bytes(c.Mid(4, 2)), "Va");
    EXPECT_EQ(Bytes(c.Right(5)), "Value");
    EXPECT_EQ(c.CompareNoCase("KEY=VALUE"), 0);
    EXPECT_STREQ(c.GetString(), "Key=Value");
    const char* raw = c;
    EXPECT_EQ(std::strcmp(raw, "Key=Value"), 0);
    EXPECT_EQ(raw[9], '\0') << "the bytes are zero-terminated";
}

}  // namespace
