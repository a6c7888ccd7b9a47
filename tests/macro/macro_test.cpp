// Macros and the frame, seen through the source a parse hands back: how a
// MACRO block's definitions are read, how references are replaced, how the
// table carries over to later parses and is overwritten, and what the frame
// check accepts and cuts off as redefinition text.
#include "common/koru_test.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

using namespace koru_test;

namespace {

// A document whose body holds `refs` in a quoted value.
std::string Doc(const std::string& refs) { return "<U><B V=\"" + refs + "\"></B></U>"; }

// `source` parsed by `parser`: the processed source, or "refused".
std::string Processed(CKORU_Parser& parser, const std::string& source, int overwrite = 0) {
    CString text(source);
    return parser.DoParsingProc(text, overwrite) ? text.Str() : "refused";
}

// A block, then a document using its macros: what the references became.
TEST(Macros, DefinitionsAndReferences) {
    struct Row { const char *rule, *block, *refs, *expanded; };
    const Row rows[] = {
        {"definitions end with ??; a value keeps colons", "<MACRO>A:o:ne??B:two??" "</MACRO>", "&A;|&B;", "o:ne|two"},
        {"definitions may stand in the start tag", "<MACRO\n A:one??\n\tB:two?? ></MACRO>", "&A;|&B;", "one|two"},
        {"separators inside a name are dropped", "<MACRO>A B&C;D=EF:v??" "</MACRO>", "&ABCDEF;", "v"},
        {"a length-prefixed value is taken unchanged", "<MACRO X:<l=4>a??b?? Y:z??" "></MACRO>", "&X;|&Y;", "a??b|z"},
        {"a header without '>' in reach runs to the end", "<MACRO>X:<l=12345678 ab??Y:y??" "</MACRO>", "v&X;|&Y;",
         "v<l=12345678 ab??Y:y??|&Y;"},
        {"a '>' in a value followed by text cuts nothing", "<MACRO>A:<b>??B:x??" "</MACRO>", "&A;|&B;", "<b>|x"},
        {"the last '>' is cut when only blanks follow", "<MACRO A:x>y??B:z??" ">\r\n\t </MACRO>", "&A;|&B;", "x>y|z"},
        {"a repeated name takes the later value", "<MACRO>A:1??B:2??A:3??" "</MACRO>", "&A;&B;", "32"},
        {"the first block keeps names and empty values", "<MACRO>Title:Hi??D:??" "</MACRO>", "&Title;&TITLE;[&D;]",
         "Hi&TITLE;[]"},
        {"references are replaced case-sensitively", "<MACRO>A:1??" "</MACRO>", "x&A;y&A;&a;&AB;&A", "x1y1&a;&AB;&A"},
        {"a value naming a later macro is expanded", "<MACRO>A:(&B;)??B:b??" "</MACRO>", "&A;", "(b)"},
        {"a value naming an earlier macro is not", "<MACRO>B:b??A:(&B;)??" "</MACRO>", "&A;", "(&B;)"},
        {"a self reference is left once", "<MACRO>A:[&A;]??" "</MACRO>", "&A;", "[&A;]"},
        {"a reference formed with its own pass's text stays", "<MACRO>A:&A??" "</MACRO>", "&A;;", "&A;"},
        {"one formed for a later pass is replaced", "<MACRO>A:&N??N:??" "</MACRO>", "&A;;&A;;", ""},
        {"MACRO in a quoted value is no block", "", "MACRO", "MACRO"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.rule);
        CKORU_Parser parser;
        EXPECT_EQ(Processed(parser, row.block + Doc(row.refs)), Doc(row.expanded));
    }
}

// A block parsed first, then a second block and a document (and text after
// its frame) with the overwrite argument: what the references became.
TEST(Macros, TableAcrossParsesAndOverwriting) {
    struct Row { const char *rule, *first, *second, *refs, *after; int overwrite; const char* expanded; };
    const Row rows[] = {
        {"later sources use the table", "T:Hi??", "", "&T;", "", 0, "Hi"},
        {"later blocks store upper-cased names", "Title:Hi??", "Title:Bye??e:new??", "&Title;&TITLE;&E;&e;", "", 0,
         "HiByenew&e;"},
        {"later blocks add no empty value", "A:a??", "D:??", "&D;", "", 0, "&D;"},
        {"a nameless definition fixes no names", ":v??", "Title:Hi??", "&Title;", "", 0, "Hi"},
        {"an existing name stays without overwriting", "TITLE:Hi??", "title:Bye??", "&TITLE;", "", 0, "Hi"},
        {"overwriting replaces it", "TITLE:Hi??", "title:Bye??", "&TITLE;", "", 1, "Bye"},
        {"overwriting with an empty value", "K:keep??", "K:??", "[&K;]", "", 1, "[]"},
        {"visible text after the frame overwrites", "A:old??", "A:new??", "&A;", "<C N=x></C>", 0, "new"},
        {"blanks and bytes above 127 do not", "A:old??", "A:new??", "&A;", " \xc3\xa9\r\n\x80\xff", 0, "old"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.rule);
        CKORU_Parser parser;
        ASSERT_EQ(Processed(parser, "<MACRO>" + std::string(row.first) + "</MACRO><U></U>"), "<U></U>");
        const std::string source = "<MACRO>" + std::string(row.second) + "</MACRO>" + Doc(row.refs) + row.after;
        EXPECT_EQ(Processed(parser, source, row.overwrite), Doc(row.expanded));
    }
}

// What counts as the frame, and the text after the first "</U>": cut off the
// source and applied as an update.
TEST(Macros, FrameAndRedefinitionText) {
    struct Row { const char *rule, *source, *processed, *main; };
    const Row rows[] = {
        {"text after the frame is applied", "<U><B N=b></B></U>\n<C N=c></C>", "<U><B N=b></B></U>", "C:3(c) B:2(b)"},
        {"nothing after the first </U> is scanned", "<U></U><C N=x></C><U></U>", "<U></U>", ""},
        {"a frame needs no </U>", "<U><B></B></X>", "<U><B></B></X>", "B:2"},
        {"frame tags in quoted values do not count", "<U><B N=\"<l=4></U>\" V=\"<U>\"></B></U>x",
         "<U><B N=\"<l=4></U>\" V=\"<U>\"></B></U>", "B:2(</U>)"},
        {"nor in comments", "<!-- <U> --><U><B></B></U>", "<!-- <U> --><U><B></B></U>", "B:2"},
        {"a comment right before </U> ends the frame", "<U><B></B><!-- c --></U>x", "<U><B></B><!-- c --></U>", "B:2"},
        {"the frame is written exactly", "<u><B></B></u>", "refused", "none"},
        {"macros expand to statements before splitting", "<MACRO>S:<C N=s></C>??" "</MACRO><U><B>&S;</B></U>",
         "<U><B><C N=s></C></B></U>", "C:3(s) B:2"},
        {"lower-case macro is a statement", "<U><macro></macro></U>", "<U><macro></macro></U>", "MACRO:2"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.rule);
        CKORU_Parser parser;
        EXPECT_EQ(Processed(parser, row.source), row.processed);
        EXPECT_EQ(MainShape(parser), row.main);
    }
}

// CMacroDef, a record offered to hosts: copied from a pointer, null giving two empty fields.
TEST(Macros, MacroDefCopiesFromAPointer) {
    const CMacroDef def(CString("N"), CString("v")), copy(&def), none(static_cast<const CMacroDef*>(nullptr));
    EXPECT_EQ((copy.m_Name + "=" + copy.m_Value + none.m_Name + none.m_Value).Str(), "N=v");
}

// Random short names and values full of '&' and ';', so that references form
// across inserted values, vanish with empty ones and chain both ways: the
// result is that of one left-to-right pass per macro in table order, each pass
// resuming after the value it inserted.
TEST(Macros, SubstitutionIsOnePassPerMacroInTableOrder) {
    std::mt19937 random(20240607);
    std::string names[] = {"a", "b", "ab", "ba", "c", "abc", "bc", "aa"}, alphabet = "abcab&&&;;;x ";
    auto text = [&](unsigned longest) {
        std::string out(random() % (longest + 1), ' ');
        for (char& c : out) c = alphabet[random() % alphabet.size()];
        return out;
    };
    for (int round = 0; round < 3000; ++round) {
        std::shuffle(std::begin(names), std::end(names), random);
        std::string block = "<MACRO>", refs = text(40) + "&", expected = refs;
        for (unsigned i = 0, n = 1 + random() % 8; i < n; ++i) {
            const std::string value = text(10), reference = "&" + names[i] + ";";
            block += names[i] + ":" + value + "??";
            std::string out;  // this macro's pass over what the earlier passes left
            size_t from = 0;
            for (size_t at; (at = expected.find(reference, from)) != std::string::npos; from = at + reference.size())
                out += expected.substr(from, at - from) + value;
            expected = out + expected.substr(from);
        }
        CKORU_Parser parser;
        ASSERT_EQ(Processed(parser, block + "</MACRO>" + Doc(refs)), Doc(expected)) << block << " on " << refs;
    }
}

}  // namespace
