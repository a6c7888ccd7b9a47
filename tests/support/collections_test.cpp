// The collection layer as hosts rely on it: CString, CTypedPtrList and CMapStringToString.
#include "common/koru_test.h"

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

namespace {

using namespace std::string_literals;

// A call's result as text, so that one row holds strings, numbers and yes/no answers:
// a string's bytes (zero bytes included), a number in decimal, true and false as 1 and 0.
struct Text {
    std::string text;
    Text(const CString& s) : text(s.Str()) {}
    Text(const char* s) : text(s) {}
    Text(std::string s) : text(std::move(s)) {}
    Text(int n) : text(std::to_string(n)) {}
};
struct Check { Text got, want; };

TEST(CStringTest, Rules) {
    struct Row { const char* rule; std::vector<Check> checks; };
    const CString abc("abc"), zeros("a\0b", 3);
    const Row rows[] = {
        {"a null text, a length <= 0 or a repeat <= 0 gives the empty string, and so does assigning null",
         {{CString(nullptr), ""}, {CString("abc", -2), ""}, {CString('x', 0), ""}, {CString("o") = nullptr, ""}}},
        {"a length counts zero bytes, slices keep them, the zero-terminated text ends at the first",
         {{CString("a\0b", 3), "a\0b"s}, {zeros.Right(2), "\0b"s}, {static_cast<const char*>(zeros), "a"}}},
        {"Left, Mid and Right take what there is: nothing for a count <= 0, a negative start read as 0",
         {{abc.Left(9), "abc"}, {abc.Left(-1), ""}, {abc.Right(9), "abc"}, {abc.Right(-1), ""}, {abc.Mid(-2), "abc"},
          {abc.Mid(1, 9), "bc"}, {abc.Mid(3), ""}, {abc.Mid(-1, 2), "ab"}, {abc.Mid(1, -1), ""}}},
        {"a byte outside the string reads zero, the one at the length too",
         {{abc[2], 'c'}, {abc.GetAt(3), 0}, {abc.GetAt(-1), 0}, {CString()[0], 0}}},
        {"Find looks from the start on, a negative start read as 0; from past the end it finds nothing",
         {{abc.Find('b', -3), 1}, {abc.Find('b', 2), -1}, {abc.Find('a', 9), -1}, {abc.Find("c", 9), -1}}},
        {"MakeUpper and MakeLower change ASCII letters only",
         {{CString("az{`@[\xe4").MakeUpper(), "AZ{`@[\xe4"}, {CString("AZ[\xc4").MakeLower(), "az[\xc4"}}},
        {"Append and Truncate (extensions) grow and cut across the inline size; Truncate keeps what there is",
         {{CString("ab").Append("cdefghij"), "abcdefghij"}, {CString("abcdefghij").Truncate(7), "abcdefg"},
          {CString("abcdefghij").Truncate(3), "abc"}, {CString("abc").Truncate(-1), ""}, {abc.Mid(0).Truncate(9), "abc"}}},
        {"CompareNoCase folds ASCII letters only; else the sign of the first difference, then of the lengths",
         {{abc.CompareNoCase("ABC"), 0}, {abc.CompareNoCase("ABD") < 0, true}, {abc.CompareNoCase("AB") > 0, true},
          {CString("[").CompareNoCase(CString("{")) < 0, true}, {CString().CompareNoCase(nullptr), 0}}},
        {"==, != and < compare the bytes, unsigned, either way round; =, + take bytes too",
         {{"abc" == abc, true}, {abc != CString("x"), true}, {"x" != abc, true}, {"abb" < abc, true}, {abc < "b", true},
          {CString("z") < CString("\xff"), true}, {'d' + abc + 'e', "dabce"}, {CString("o") = 'q', "q"}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.rule);
        for (const Check& check : row.checks) EXPECT_EQ(check.got.text, check.want.text);
    }
}

// Appends `word` to words separated by blanks.
void Add(std::string& words, const std::string& word) { words += (words.empty() ? "" : " ") + word; }

// A rule, a script, and what running the script must leave (the contents) and log.
struct ScriptRow { const char* rule; std::string script, contents, log; };

// Runs each row's script with `run`, which gives the contents and fills the log.
template <size_t N>
void RunScripts(const ScriptRow (&rows)[N], std::string (*run)(const std::string& script, std::string& log)) {
    for (const ScriptRow& row : rows) {
        SCOPED_TRACE(row.rule);
        std::string log;
        EXPECT_EQ(run(row.script, log), row.contents);
        EXPECT_EQ(log, row.log);
    }
}

// The elements a list points to: static, so a list that freed one would abort.
int elements[10] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
std::string Element(const int* p) { return p ? std::to_string(*p) : "-"; }

// Runs a list script on the elements 0..9 and gives the list head to tail (checked
// against the walk backwards, the count and FindIndex). Words: Tn / Hn add n at the
// tail / head; Bn@m / An@m insert n before / after m (m '-': a null position); Rm
// removes m; '<' / '>' remove the head / tail; X removes all; Fn finds n, Fn@m finds it
// after m. `log` gets what '<', '>' and F gave ('-' for null). The block size 0 reads
// as 1: the list's first blocks hold one element, later ones as many as the list.
std::string RunList(const std::string& script, std::string& log) {
    CTypedPtrList<CPtrList, int*> list(0);
    POSITION at[10] = {};
    std::istringstream in(script);
    for (std::string word; in >> word;) {
        int* const element = &elements[word.size() > 1 && word[1] != '-' ? word[1] - '0' : 0];  // R-: no element
        const POSITION where = word.size() < 2 || word.back() == '-' ? nullptr : at[word.back() - '0'];
        if (word[0] == 'T') at[*element] = list.AddTail(element);
        else if (word[0] == 'H') at[*element] = list.AddHead(element);
        else if (word[0] == 'B') at[*element] = list.InsertBefore(where, element);
        else if (word[0] == 'A') at[*element] = list.InsertAfter(where, element);
        else if (word[0] == 'R') list.RemoveAt(where);
        else if (word[0] == 'X') list.RemoveAll();
        else if (word[0] == '<') Add(log, Element(list.RemoveHead()));
        else if (word[0] == '>') Add(log, Element(list.RemoveTail()));
        else Add(log, Element(list.GetAt(list.Find(element, word.size() > 2 ? where : nullptr))));
    }
    std::vector<int*> forward(list.begin(), list.end()), backward;
    for (POSITION pos = list.GetTailPosition(); pos;) backward.insert(backward.begin(), list.GetPrev(pos));
    EXPECT_EQ(backward, forward);
    EXPECT_EQ(list.GetCount(), static_cast<int>(forward.size()));
    EXPECT_EQ(list.GetAt(list.FindIndex(list.GetCount() - 1)), list.GetTail());
    std::string out;
    for (int* p : forward) Add(out, Element(p));
    return out;
}

TEST(PtrListTest, Rules) {
    const ScriptRow rows[] = {
        {"an empty list gives null everywhere", "< > R- X F1", "", "- - -"},
        {"inserting before or after a position; at the ends for a null one", "A5@- B4@5 A6@5 B1@- A9@- A2@4 B3@6 H0 T8",
         "0 1 4 2 5 3 6 9 8", ""},
        {"positions stay valid while others come and go", "T0 T1 T2 T3 T4 R1 R3 A7@0 H8 B9@4", "8 0 7 2 9 4", ""},
        {"Find starts after a position; null when absent", "T3 T1 T3 F3@1 F1@1 F5", "3 1 3", "3 - -"},
        {"removing at either end or in the middle; a list run empty or cleared is usable again",
         "T0 T1 T2 T3 T4 R0 R4 R2 < > < T5 A6@5 B4@5 X H3 T2", "3 2", "1 3 -"},
    };
    RunScripts(rows, RunList);
}

// Runs a map script and gives its pairs in iteration order. Words: k=v sets k; k+=v
// appends v to k's value through the subscript; ?k looks k up; "clear" removes all;
// "copy" puts a copy of a copy in place; "start" takes the start position; "next"
// reads the pair there. `log` gets each value looked up, in brackets ('-' when absent:
// the value was left as it was), and each pair read ('-' when both were left as they were).
std::string RunMap(const std::string& script, std::string& log) {
    CMapStringToString map;
    POSITION pos = nullptr;
    std::istringstream in(script);
    for (std::string word; in >> word;) {
        const size_t eq = word.find('=');
        CString k("-"), v("-");
        if (word == "clear") map.RemoveAll();
        else if (word == "copy") map = CMapStringToString(CMapStringToString() = map);
        else if (word == "start") pos = map.GetStartPosition();
        else if (word == "next") map.GetNextAssoc(pos, k, v), Add(log, k == "-" ? "-" : (k + "=" + v).Str());
        else if (word[0] == '?') Add(log, (map.Lookup(CString(word.substr(1)), v) ? "[" + v + "]" : v).Str());
        else if (eq > 0 && word[eq - 1] == '+') map[CString(word.substr(0, eq - 1))] += CString(word.substr(eq + 1));
        else map.SetAt(k = CString(word.substr(0, eq)), v = CString(word.substr(eq + 1)));  // passed as lvalues
    }
    // Outside the pairs: empty strings; a null key reads as the empty one.
    CString viaNull("x"), viaEmpty("x");
    EXPECT_EQ(map.KeyAt(-1) + map.ValueAt(map.GetCount()), "");
    EXPECT_EQ(map.Lookup(static_cast<const char*>(nullptr), viaNull), map.Lookup("", viaEmpty));
    EXPECT_EQ(viaNull, viaEmpty);
    return koru_test::Table(map);
}

// "k0=0 k1=1 ..." from `first` to `last`, counting down when `last` is smaller.
std::string Pairs(int first, int last) {
    std::string out;
    for (int i = first, step = first < last ? 1 : -1; i != last + step; i += step)
        Add(out, "k" + std::to_string(i) + "=" + std::to_string(i));
    return out;
}

TEST(StringMapTest, Rules) {
    const ScriptRow rows[] = {
        {"first-set order; a replaced value keeps its place", "z=1 a=2 m=3 a=R ?a ?z", "z=1 a=R m=3", "[R] [1]"},
        {"keys are exact: case, the empty key and zero bytes count", "n=l N=u =e a\0b=1 a\0c=2 ?n ?N ?x ?a ?a\0c ?"s,
         "n=l N=u =e a\0b=1 a\0c=2"s, "[l] [u] - - [2] [e]"},
        {"map[k] gives the value, adding an empty one last", "a=1 b+=2 c+= a+=! ?c ?a", "a=1! b=2 c=", "[] [1!]"},
        {"a position gives one pair at a time, then null; a null or stale one gives nothing",
         "start next a=1 b=2 start next next next start next clear next next", "", "- a=1 b=2 - a=1 - -"},
        {"past 8 pairs (and 16), present, replaced and absent keys are found, in copies too, and after RemoveAll",
         Pairs(0, 19) + " k3=r k9=r ?k3 ?k19 ?k20 ?K1 copy ?k3 ?k9 clear " + Pairs(19, 0) + " ?k0 ?k19 ?k20 copy ?k9",
         Pairs(19, 0), "[r] [19] - - [r] [r] [0] [19] - [9]"},
    };
    RunScripts(rows, RunMap);
}

}  // namespace
