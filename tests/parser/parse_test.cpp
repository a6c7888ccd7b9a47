// The parse pipeline seen from a host: what a statement is, how tags nest and
// get their levels, what a node derives from its statement, and what a parse
// keeps of a document (closing order, no frame, no H nodes).
#include "common/koru_test.h"

#include <gtest/gtest.h>

using namespace koru_test;

namespace {

// Statement splitting and tag nesting: a source, then the main list a fresh
// parser builds from it ("refused" when it refuses the source).
TEST(Parse, DocumentsGiveTheirMainList) {
    struct Row { const char* rule; std::string source, main; };
    const Row rows[] = {
        {"a statement runs from '<' to '>'; text between is ignored", "hi <U> x <B N=b>\n</B> y</U>", "B:2(b)"},
        {"line breaks, tabs and a further '<' stay in a statement", "<U><B\n\tN=x <y></B></U>", "B:2(x)"},
        {"a quoted value protects '>' and '!--'", "<U><B N=\"a>!-- b\"></B></U>", "B:2(a>!-- b)"},
        {"a length-prefixed value holds '>', '\"' and '<'", "<U><B N=\"<l=000005>a>\"b<\"></B></U>", "B:2(a>\"b<)"},
        {"a seven-digit length header is read as text", "<U><B N=\"<l=0000005>abcde\"></B></U>", "B:2(l)"},
        {"a value running past the end drops its statement", "<U><B></B></X><C V=\"<l=50>abc\">", "B:2"},
        {"an unterminated statement is dropped", "<U><B></B></X><C N=x", "B:2"},
        {"an unterminated quote is dropped", "<U><B></B></X><C N=\"x>", "B:2"},
        {"a comment inside a statement drops it; text after '--' is between",
         "<U><C N=a !-- x -- trailing > text<B></B></U>", "B:2"},
        {"an empty comment needs a blank between its dashes", "<U><!----><B></B></U>", "refused"},
        {"lists are in closing order, levels are depths",
         "<U><B N=b><C N=c><A N=a></A></C><C N=d></C></B><F ID=f><FD></FD></F></U>",
         "A:4(a) C:3(c) C:3(d) B:2(b) FD:3 F:2"},
        {"end tags are not matched by name", "<U><B N=b><C N=c></B></C></U>", "C:3(c) B:2(b)"},
        {"a stray end tag closes nothing, depth stays 0", "</X><U><B N=b><C N=c></C></U>", "C:3(c) B:2(b)"},
        {"'< /C>' counts as a start yet closes as an end", "</X></X><U><B N=b>< /C><B N=c></B></U>", "B:2(b) B:2(c)"},
        {"H nodes are dropped, their nested nodes stay", "<U><H><C N=c></C></H><h></h></U>", "C:3(c)"},
        {"every level-1 node is dropped, not only the frame", "<X></X><U><B></B></U>", "B:2"},
        {"an empty frame gives an empty main list", "<U></U>", ""},
        {"the empty statement has an empty tag name", "<U><></></U>", ":2"},
        {"a quote between statements hides a frame end", "<U><B N=b></B>\"<X></U>\"<C N=c></C></U>",
         "B:2(b) X:2 C:2(c)"},
        {"a frame end inside a quoted value ends nothing", "<U><B N=\"</U>\"></B></U>", "B:2(</U>)"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.rule);
        CKORU_Parser parser;
        EXPECT_EQ(Parse(parser, row.source) ? MainShape(parser) : "refused", row.main);
    }
}

// "level|word count|tag|attribute table|new-value table" of a node.
std::string Describe(const CKORU_ItemNode& node) {
    return std::to_string(node.m_Level) + "|" + std::to_string(node.m_WordCount) + "|" + node.m_TagName.Str() + "|" +
           Table(node.m_AttrTable) + "|" + Table(node.m_NewValueTable);
}

// What a node derives from its statement (`statement`: its text, nullptr when
// not checked). `level` < -1 builds it from a statement (closing '>' dropped,
// level -1), else from a text and a level.
TEST(ItemNode, StatementGivesTagWordCountAndAttributes) {
    struct Row { const char* rule; int level; std::string text; const char *statement, *node; };
    std::string many = "<C";
    for (int i = 0; i < 70000; ++i) many += " a";
    const Row rows[] = {
        {"'>' dropped, quotes kept", -2, "<C N=abc ID=\"x y\">", "<C N=abc ID=\"x y\"", "-1|1|C|C= N=abc ID=\"x y\"|"},
        {"names upper-cased, values kept", -2, "<c n=Abc href=Http://X>", nullptr, "-1|1|C|C= N=Abc HREF=Http://X|"},
        {"end tag", -2, "</C>", "</C", "-1|1|/C|/C=|"},
        {"an attribute named like the tag replaces its entry", -2, "<N N=abc>", nullptr, "-1|1|N|N=abc|"},
        {"a repeated name keeps the later value in the first place", -2, "<C N=a ID=1 n=b>", nullptr,
         "-1|1|C|C= N=b ID=1|"},
        {"';' and '&' split words for the count, not values", -2, "<C N=a;b V=c&d>", nullptr, "-1|3|C|C= N=ab V=cd =|"},
        {"a valueless word shifts the pairs", -2, "<B ID N=x>", nullptr, "-1|2|B|B= ID=N X=|"},
        {"line breaks, quotes, length headers", -2, "<C\r\nN=abc\tV=\"<l=5>a\"b>c\"\nT=\"q\">",
         "<C\r\nN=abc\tV=\"<l=5>a\"b>c\"\nT=\"q\"", "-1|1|C|C= N=abc V=\"a\"b>c\" T=\"q\"|"},
        {"the empty statement <>", -2, "<>", "<", "-1|0||=|"},
        {"long names are upper-cased too", -2, "<C abcdefghijklmnopqrstuvwxyz0123456789=v>", nullptr,
         "-1|1|C|C= ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789=v|"},
        {"word count saturates", -2, many + ">", nullptr, "-1|65535|C|C= A=a|"},
        {"text and level: the whole text kept", 2, "<B>", "<B>", "2|1|B|B=|"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.rule);
        CKORU_ItemNode node =
            row.level < -1 ? CKORU_ItemNode(CString(row.text)) : CKORU_ItemNode(row.level, CString(row.text));
        EXPECT_EQ(row.statement ? node.m_Statement.Str() : "", row.statement ? row.statement : "");
        EXPECT_EQ(Describe(node), row.node);
    }
}

// A parse derives a node from its statement as a node built from that
// statement does, however its words are written.
TEST(Parse, NodesDeriveFromTheirStatementsAsItemNodesDo) {
    std::string many = "<C";
    for (int i = 0; i < 200; ++i) many += " a" + std::to_string(i) + "=v";
    const std::string statements[] = {
        "<C N=abc ID=\"x y\">", "<c n=Abc href=Http://X>", "<N N=abc>", "<C N=a ID=1 n=b>", "<C N=a;b V=c&d>",
        "<B ID N=x>", "<C\r\nN=abc\tV=\"<l=5>a\"b>c\"\nT=\"q\">", "<>", "<C abcdefghijklmnopqrstuvwxyz0123456789=v>",
        "<C N=x:>", "<C :a N=1>", "<C N=\"a\"b V=1>", "<C N==\"q\"  CAPTION=\"Control number 1\" X=button>",
        "<C a <b N=1>", "<C N=a!b>", "<C N=\"x\"\"y\">", "<x:y a:b=c:d>", "<C N=a& V=;b>", "<C =N=a>", "<C N=>",
        many + ">", "<C N=x V=\"" + std::string(70000, 'y') + "\">",
    };
    for (const std::string& statement : statements) {
        SCOPED_TRACE(statement.substr(0, 60));
        CKORU_Parser parser;
        ASSERT_EQ(Parse(parser, "<U>" + statement + "</C></U>"), 1);
        const CKORU_ItemNode* parsed = At(parser.GetMainList(), 0);
        ASSERT_NE(parsed, nullptr);
        CKORU_ItemNode built{CString(statement)};
        built.m_Level = 2;
        EXPECT_EQ(parsed->m_Statement, built.m_Statement);
        EXPECT_EQ(Describe(*parsed), Describe(built));
    }
}

TEST(ItemNode, CopyRebuildsFromTheTextAndInitNodeAddsToTheTables) {
    CKORU_ItemNode node(CString("<C N=abc HREF=x>"));
    node.m_Level = 3;
    node.m_AttrTable.SetAt("N", "changed");
    node.m_AttrTable.SetAt("EXTRA", "1");
    node.m_NewValueTable.SetAt("N", "v");
    EXPECT_EQ(Describe(CKORU_ItemNode(&node)), "3|1|C|C= N=abc HREF=x|");
    EXPECT_EQ(Describe(CKORU_ItemNode(static_cast<CKORU_ItemNode*>(nullptr))), "-1|0|||");
    node.InitNode();
    EXPECT_EQ(Describe(node), "3|1|C|C= N=abc HREF=x EXTRA=1|N=v");
}

// The first accepted parse builds the main list; later ones merge into it, and
// the parser's own list survives a host releasing it by mistake.
TEST(Parse, FirstParseBuildsTheMainListLaterOnesMergeIntoIt) {
    CKORU_Parser parser;
    EXPECT_EQ(Parse(parser, "<U><B></U>"), 0);
    EXPECT_EQ(MainShape(parser), "none");
    ASSERT_EQ(Parse(parser, "<U><B N=b></B></U>"), 1);
    EXPECT_EQ(parser.GetLastRefusal().code, KoruRefusalCode::None);
    NodeList* main = parser.GetMainList();
    EXPECT_EQ(MainShape(parser), "B:2(b)");
    ASSERT_EQ(Parse(parser, "<U><B><C N=c></C></B></U>"), 1);
    EXPECT_EQ(parser.GetMainList(), main);
    EXPECT_EQ(MainShape(parser), "C:3(c) B:2(b)");
    parser.ReleaseNodeList(main);
    EXPECT_EQ(parser.GetMainList(), main);
    EXPECT_EQ(MainShape(parser), "C:3(c) B:2(b)");
}

// Each node knows where its statement began in the host's text; text that
// macro expansion produced has no place there.
TEST(Parse, NodesKnowWhereTheyCameFrom) {
    struct Row { const char* rule; std::string source, places; };
    const Row rows[] = {
        {"lines and columns", "<U>\n<B N=b>\n  <C N=c></C></B></U>", "3:3 2:1"},
        {"past a cut-out macro block", "<U><MACRO>X:1??</MACRO>\n<B N=b></B></U>", "2:1"},
        {"a statement written by a reference has none", "<U><MACRO>X:<C></C>??</MACRO><B>&X;</B></U>", "0:0 1:4"},
        {"references inside statements move nothing", "<U><MACRO>X:long value??</MACRO>\n<B N=&X;>\n <C V=\"&X;&X;\"></C></B></U>",
         "3:2 2:1"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.rule);
        CKORU_Parser parser;
        const CString original(row.source.c_str());
        CString text = original;
        ASSERT_EQ(parser.DoParsingProc(text, 0), 1);
        std::string places, one;
        for (const KoruPlace& place : KoruNodePlaces(parser.GetMainList(), original, text))
            places += (places.empty() ? "" : " ") + std::to_string(place.line) + ":" + std::to_string(place.column);
        for (CKORU_ItemNode* node : *parser.GetMainList()) {
            int line = -1, column = -1;
            KoruNodePlace(node, original, text, line, column);
            one += (one.empty() ? "" : " ") + std::to_string(line) + ":" + std::to_string(column);
        }
        EXPECT_EQ(places, row.places);
        EXPECT_EQ(one, row.places);
    }
    EXPECT_EQ(KoruNodeOffset(nullptr), -1);
    CKORU_ItemNode loose(CString("<C N=a>"));
    EXPECT_EQ(KoruNodeOffset(&loose), -1);
}

// Texts and tables copied or moved out of the parser's nodes are the host's
// own: they stay readable after the parser is gone (run under ASan in CI).
TEST(Parse, StringsTakenOutOutliveTheParser) {
    CString statement, tag, value, moved, swapped("mine");
    CMapStringToString table, movedTable;
    {
        CKORU_Parser parser;
        ASSERT_EQ(Parse(parser, "<U><B N=body><C N=c1 CAPTION=\"a long caption\"></C></B></U>"), 1);
        CKORU_ItemNode* control = At(parser.GetMainList(), 0);
        statement = control->m_Statement;
        tag = control->m_TagName;
        ASSERT_EQ(control->m_AttrTable.Lookup("CAPTION", value), 1);
        moved = std::move(control->m_Statement);
        swapped.swap(control->m_AttrTable[CString("CAPTION")]);
        table = control->m_AttrTable;
        movedTable = std::move(control->m_AttrTable);
        control->m_AttrTable.SetAt("CAPTION", "assigned after the move");
    }
    EXPECT_EQ(statement, "<C N=c1 CAPTION=\"a long caption\"");
    EXPECT_EQ(moved, statement);
    EXPECT_EQ(tag + " " + value + " " + swapped, "C \"a long caption\" \"a long caption\"");
    EXPECT_EQ(Table(table), "C= N=c1 CAPTION=mine");
    EXPECT_EQ(Table(movedTable), "C= N=c1 CAPTION=mine");
}

}  // namespace

