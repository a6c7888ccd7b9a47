// Queries over a parsed document: nodes by tag, level and N value, lists of
// children and nested nodes, parents, attribute values and link targets.
#include "common/koru_test.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

using namespace koru_test;

namespace {

// Main list: 0 C:3(a), 1 A:4(x), 2 M:5, 3 M:5, 4 E:4, 5 C:3(b), 6 C:3(""), 7 C:3, 8 B:2.
const char* const kDoc =
    "<U><B HREF=\"start\"><C N=a HREF=next></C><C N=b><A N=x></A><E HREF=mid><M></M><M></M></E></C>"
    "<C N=\"\"></C><C></C></B></U>";
constexpr int kNull = -1, kLoose = -2;  // no node, a node outside the main list

enum Query { NodeByTag, NodeByLevel, ListByTag, ListByLevel, Parent, CtrlHRef, BodyHRef, Value, InWord };

// Where the nodes of `found` stand in `list` (null entries skipped); "-" for none.
std::string Where(const NodeList* list, std::vector<CKORU_ItemNode*> found) {
    std::string out;
    for (CKORU_ItemNode* node : found) {
        int at = 0;
        while (At(list, at) && At(list, at) != node) ++at;
        if (node) out += (out.empty() ? "" : " ") + std::to_string(at);
    }
    return out.empty() ? "-" : out;
}

// The nodes of a list a query returned, which is never an empty list; the list is released.
std::vector<CKORU_ItemNode*> Nodes(CKORU_Parser& parser, NodeList* returned) {
    OwnedList list = Own(parser, returned);
    EXPECT_TRUE(!list || !list->IsEmpty());
    return list ? std::vector<CKORU_ItemNode*>(list->begin(), list->end()) : std::vector<CKORU_ItemNode*>();
}

TEST(Query, NodesListsParentsValuesAndLinks) {
    // `at`: the node or parent (main-list position, kNull or kLoose); `word`: a tag, a level
    // or an attribute name; `name`: an N value; `expected`: positions ("-" for null) or a string.
    struct Row { const char* rule; Query query; int at; const char *word, *name, *expected, *doc = kDoc; };
    const Row rows[] = {
        {"GetNode: tag without case", NodeByTag, kNull, "c", "b", "5"},
        {"GetNode: name with case", NodeByTag, kNull, "C", "B", "-"},
        {"GetNode: by level", NodeByLevel, kNull, "3", "b", "5"},
        {"GetNode: the level must match", NodeByLevel, kNull, "4", "b", "-"},
        {"GetNode: empty name matches N=\"\" or none, first wins", NodeByTag, kNull, "C", "", "6"},
        {"GetNodeList: all of a tag in list order", ListByTag, kNull, "c", "", "0 5 6 7"},
        {"GetNodeList: children of a parent", ListByTag, 8, "C", "", "0 5 6 7"},
        {"GetNodeList: only direct children", ListByTag, 5, "M", "", "-"},
        {"GetNodeList: parent outside the main list", ListByTag, kLoose, "C", "", "-"},
        {"GetNodeList: all of a level", ListByLevel, kNull, "5", "", "2 3"},
        {"GetNodeList: grandchildren of a parent", ListByLevel, 5, "5", "", "2 3"},
        {"GetNodeList: a level not below the parent's", ListByLevel, 5, "3", "", "-"},
        {"GetNodeList: the run stops at a node not deeper", ListByLevel, 6, "4", "", "-"},
        {"GetNodeList: the run stops at the head", ListByLevel, 0, "4", "", "-"},
        {"GetNodeList: level under a parent outside", ListByLevel, kLoose, "3", "", "-"},
        {"GetParent: the first later node one level up", Parent, 0, "", "", "8"},
        {"GetParent: the frame is not in the list", Parent, 8, "", "", "-"},
        {"GetParent: of null", Parent, kNull, "", "", "-"},
        {"GetCtrlHRef: the node's own", CtrlHRef, 0, "", "", "next"},
        {"GetCtrlHRef: the nearest ancestor's", CtrlHRef, 2, "", "", "mid"},
        {"GetCtrlHRef: of a node outside, its own only", CtrlHRef, kLoose, "", "", "own"},
        {"GetCtrlHRef: of null", CtrlHRef, kNull, "", "", ""},
        {"GetCtrlHRef: an empty one is missing", CtrlHRef, 0, "", "", "t", "<U><B HREF=t><C HREF=\"\"></C></B></U>"},
        {"GetBodyHRef: the single body's target", BodyHRef, kNull, "", "", "start"},
        {"GetBodyHRef: two bodies have none", BodyHRef, kNull, "", "", "", "<U><B HREF=1></B><B HREF=2></B></U>"},
        {"GetBodyHRef: a body at any level", BodyHRef, kNull, "", "", "deep", "<U><X><B HREF=deep></B></X></U>"},
        {"GetValue: the name in any case", Value, 1, "n", "", "x"},
        {"GetValue: a missing attribute", Value, 0, "X", "", ""},
        {"GetValue: the tag name reads empty", Value, 0, "C", "", ""},
        {"GetValue: of null", Value, kNull, "N", "", ""},
        {"IsInWord: an attribute, the word upper-cased", InWord, 8, "href", "", "1 HREF"},
        {"IsInWord: the tag name", InWord, 0, "c", "", "1 C"},
        {"IsInWord: missing", InWord, 5, "href", "", "0 HREF"},
        {"IsInWord: of null", InWord, kNull, "abc", "", "0 ABC"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.rule);
        CKORU_Parser parser;
        ASSERT_EQ(Parse(parser, row.doc), 1);
        const std::string before = Image(parser);
        NodeList* main = parser.GetMainList();
        CKORU_ItemNode loose(3, CString("<C N=a HREF=own"));
        CKORU_ItemNode* node = row.at == kLoose ? &loose : At(main, row.at);
        const CString word(row.word), name(row.name);
        const short level = static_cast<short>(std::atoi(row.word));
        CString upper(word);
        std::string got;
        switch (row.query) {
            case NodeByTag: got = Where(main, {parser.GetNode(nullptr, word, name)}); break;
            case NodeByLevel: got = Where(main, {parser.GetNode(nullptr, level, name)}); break;
            case ListByTag: got = Where(main, Nodes(parser, parser.GetNodeList(nullptr, word, node))); break;
            case ListByLevel: got = Where(main, Nodes(parser, parser.GetNodeList(nullptr, level, node))); break;
            case Parent: got = Where(main, {parser.GetParent(node)}); break;
            case CtrlHRef: got = parser.GetCtrlHRef(node).Str(); break;
            case BodyHRef: got = parser.GetBodyHRef().Str(); break;
            case Value: got = parser.GetValue(word, node).Str(); break;
            case InWord: got = std::to_string(parser.IsInWord(upper, node)), got += " " + upper.Str(); break;
        }
        EXPECT_EQ(got, row.expected);
        EXPECT_EQ(Image(parser), before);
    }
}

// GetValue removes one pair of surrounding quotes from the value as written.
TEST(Query, GetValueRemovesOnePairOfQuotes) {
    const char* rows[][2] = {{"\"a b\"", "a b"}, {"\"ab\"cd", "ab"}, {"\"abc", "abc"},     {"x\"y\"", "x\"y\""},
                             {"\"\"", ""},       {"\"", ""},         {"\"a\"b\"", "a\"b"}, {"plain", "plain"}};
    CKORU_Parser parser;
    CKORU_ItemNode node(3, CString("<C"));
    for (const auto& row : rows) {
        node.m_AttrTable.SetAt("V", row[0]);
        EXPECT_EQ(parser.GetValue(CString("v"), &node).Str(), row[1]) << row[0];
    }
}

// A list the host passes is searched by GetNode and by the level list always,
// by the tag list only once the parser holds a main list.
TEST(Query, PassedListsBeforeAndAfterTheFirstParse) {
    CKORU_Parser parser;
    CKORU_ItemNode c1(3, CString("<C N=a")), a(4, CString("<A")), c2(3, CString("<c N=b"));
    NodeList own;
    for (CKORU_ItemNode* node : {&c1, &a, &c2}) own.AddTail(node);
    const short three = 3, four = 4;
    EXPECT_EQ(Where(&own, {parser.GetNode(&own, CString("C"), "b"), parser.GetNode(&own, three, "a")}), "2 0");
    EXPECT_EQ(Where(&own, Nodes(parser, parser.GetNodeList(&own, four, &c2))), "1");
    EXPECT_EQ(Where(&own, Nodes(parser, parser.GetNodeList(&own, three, nullptr))), "0 2");
    EXPECT_EQ(Where(&own, Nodes(parser, parser.GetNodeList(&own, CString("C"), nullptr))), "-");
    EXPECT_EQ(Where(&own, {parser.GetNode(nullptr, CString("C"), "a"), parser.GetNode(nullptr, three, "a")}), "-");
    ASSERT_EQ(Parse(parser, "<U><B></B></U>"), 1);
    EXPECT_EQ(Where(&own, Nodes(parser, parser.GetNodeList(&own, CString("C"), nullptr))), "0 2");
    a.ReleaseMainList();  // a node with an empty table is told by its tag name
    EXPECT_EQ(Where(&own, Nodes(parser, parser.GetNodeList(&own, CString("a"), &c2))), "1");
}

// The parent of every main-list node as its index ("-" for none), then how many
// children GetNodeList finds one level under each.
std::string Tree(CKORU_Parser& parser) {
    const NodeList* main = parser.GetMainList();
    std::string parents, children;
    for (CKORU_ItemNode* node : *main) {
        parents += (parents.empty() ? "" : " ") + Where(main, {parser.GetParent(node)});
        const short level = static_cast<short>(node->m_Level + 1);
        children += " " + std::to_string(Nodes(parser, parser.GetNodeList(nullptr, level, node)).size());
    }
    return parents + " /" + children;
}

// Queries find nodes by their positions, kept between calls: whatever changes
// the main list between two queries, through the list or the parser, the second
// one must see the list as it is. Each row first queries every node, then edits.
TEST(Query, ParentsAndChildrenFollowEveryChangeOfTheMainList) {
    using Edit = std::function<void(CKORU_Parser&, NodeList&)>;
    struct Row { const char* rule; Edit edit; const char *shape, *tree; };
    const auto pos = [](NodeList& list, int index) { return list.FindIndex(index); };
    NodeList spare;  // outlives the parsers: it ends up holding their nodes' old elements
    const Row rows[] = {
        {"RemoveAt, AddHead and AddTail put nodes in each other's elements",
         [&](CKORU_Parser&, NodeList& list) {
             CKORU_ItemNode *first = list.GetHead(), *last = list.GetTail();
             list.RemoveAt(pos(list, 0));
             list.RemoveAt(list.GetTailPosition());
             list.AddHead(first);
             list.AddTail(last);
         },
         "C:3(a) A:4(x) M:5 M:5 E:4 C:3(b) C:3() C:3 B:2", "8 5 4 4 5 8 8 8 - / 0 0 0 0 2 2 0 0 4"},
        {"SetAt swaps two nodes",
         [&](CKORU_Parser&, NodeList& list) {
             CKORU_ItemNode *m = At(&list, 2), *b = At(&list, 5);
             list.SetAt(pos(list, 2), b);
             list.SetAt(pos(list, 5), m);
         },
         "C:3(a) A:4(x) C:3(b) M:5 E:4 M:5 C:3() C:3 B:2", "8 2 8 4 6 - 8 8 - / 0 0 1 0 1 0 1 0 4"},
        {"InsertBefore and InsertAfter move nodes",
         [&](CKORU_Parser&, NodeList& list) {
             CKORU_ItemNode *a = At(&list, 0), *x = At(&list, 1);
             list.RemoveAt(pos(list, 1));
             list.RemoveAt(pos(list, 0));
             list.InsertBefore(list.Find(At(&list, 4)), x);
             list.InsertAfter(list.Find(At(&list, 6)), a);
         },
         "M:5 M:5 E:4 C:3(b) A:4(x) C:3() C:3 C:3(a) B:2", "2 2 3 8 5 8 8 8 - / 0 0 2 1 0 1 0 0 4"},
        {"RemoveHead and RemoveTail, then both added at the tail",
         [&](CKORU_Parser&, NodeList& list) {
             CKORU_ItemNode* first = list.RemoveHead();
             CKORU_ItemNode* last = list.RemoveTail();
             list.AddTail(first);
             list.AddTail(last);
         },
         "A:4(x) M:5 M:5 E:4 C:3(b) C:3() C:3 C:3(a) B:2", "4 3 3 4 8 8 8 8 - / 0 0 0 2 2 0 0 0 4"},
        {"Swap with a list of the same nodes in reverse order",
         [&](CKORU_Parser&, NodeList& list) {
             for (CKORU_ItemNode* node : list) spare.AddHead(node);
             list.Swap(spare);
         },
         "B:2 C:3 C:3() C:3(b) E:4 M:5 M:5 A:4(x) C:3(a)", "- - - - 8 7 7 8 - / 0 0 0 0 0 0 0 2 2"},
        {"DeleteNode, then a merge that adds controls",
         [&](CKORU_Parser& parser, NodeList& list) {
             parser.DeleteNode(At(&list, 5));
             ASSERT_EQ(Parse(parser, "<U><B><C N=n><A N=y></A></C><C N=m></C></B></U>"), 1);
         },
         "C:3(a) C:3() C:3 A:4(y) C:3(n) C:3(m) B:2", "6 6 6 4 6 6 - / 0 0 0 0 1 0 5"},
        {"an update that rebuilds a control",
         [&](CKORU_Parser& parser, NodeList&) {
             Own(parser, parser.UpdateParser(nullptr, CString("<C N=a><X N=z></X><Y></Y></C>"), 0));
         },
         "X:4(z) Y:4 C:3(a) A:4(x) M:5 M:5 E:4 C:3(b) C:3() C:3 B:2",
         "2 2 10 7 6 6 7 10 10 10 - / 0 0 2 0 0 0 2 2 0 0 4"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.rule);
        CKORU_Parser parser;
        ASSERT_EQ(Parse(parser, kDoc), 1);
        ASSERT_EQ(Tree(parser), "8 5 4 4 5 8 8 8 - / 0 0 0 0 2 2 0 0 4");
        row.edit(parser, *parser.GetMainList());
        EXPECT_EQ(MainShape(parser), row.shape);
        EXPECT_EQ(Tree(parser), row.tree);
    }
}

}  // namespace
