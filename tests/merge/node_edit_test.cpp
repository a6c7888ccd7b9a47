// The host's direct edits of one node: If_IsInLValue_UpdateRValue assigns an
// attribute the node has, under the overwrite and new-value flags; DeleteNode
// removes a node with its nested run, or the children of a parent chosen by
// tag (case ignored) and exact T value.
#include "merge/merge_test.h"

#include <functional>
#include <set>
#include <vector>

using namespace koru_test;

namespace {

struct AssignRow {
    const char* rule;
    int overwrite, newValue, node;  // node: 0 the control, 1 the body, -1 null
    const char *name, *value;
    int result;
    const char *nameAfter, *valueAfter, *attribute, *newValues;  // attribute: the node's raw value afterwards
};

TEST(NodeEdit, AssignOneAttribute) {
    const AssignRow rows[] = {
        {"the name is upper-cased; overwrite off keeps the value", 0, 0, 1, "href", "v", 1, "HREF", "v", "abc", ""},
        {"both flags: stored quoted, entered unquoted", 1, 1, 0, "x", "\"x y\"", 1, "X", "x y", "\"x y\"", "X=x y"},
        {"overwrite off: nothing changes, still 1", 0, 1, 0, "X", "\"q\"", 1, "X", "\"q\"", "0", ""},
        {"new-value flag off: assigned only", 1, 0, 0, "X", "\"q\"", 1, "X", "\"q\"", "\"q\"", ""},
        {"an empty value is assigned, not entered", 1, 1, 0, "X", "", 1, "X", "", "", ""},
        {"quote removal cuts at the last quote", 1, 1, 0, "X", "\"ab\"cd", 1, "X", "ab", "\"ab\"cd", "X=ab"},
        {"an open quote is removed", 1, 1, 0, "N", "\"ab", 1, "N", "ab", "\"ab", "N=ab"},
        {"a value not starting with a quote is kept", 1, 1, 1, "HREF", "x\"y\"", 1, "HREF", "x\"y\"", "x\"y\"",
         "HREF=x\"y\""},
        {"an absent attribute is neither added nor entered", 1, 1, 0, "y", "1", 0, "Y", "1", "(absent)", ""},
        {"the tag name counts as an attribute", 1, 1, 0, "c", "t", 1, "C", "t", "t", "C=t"},
        {"a null node gives 0", 1, 1, -1, "x", "1", 0, "X", "1", "(absent)", ""},
    };
    // The flags set by the calls that set them, then by KoruSetParseFlags: the same rules.
    for (int direct = 0; direct < 2; ++direct) {
        for (const AssignRow& row : rows) {
            SCOPED_TRACE(row.rule + std::string(direct ? " (flags set directly)" : ""));
            CKORU_Parser parser;
            ASSERT_EQ(1, Parse(parser, "<U><B HREF=abc><C N=a X=0 E=></C></B></U>"));
            if (direct) {
                KoruSetParseFlags(parser, row.overwrite, row.newValue);
            } else {
                SetNewValueFlag(parser, row.newValue);
                ASSERT_EQ(1, Parse(parser, "<U></U>", row.overwrite));
            }
            const NodeList* main = parser.GetMainList();
            CKORU_ItemNode* node = At(main, row.node);
            CString name(row.name), value(row.value);
            EXPECT_EQ(row.result, parser.If_IsInLValue_UpdateRValue(name, value, node));
            EXPECT_EQ(row.nameAfter, name.Str());
            EXPECT_EQ(row.valueAfter, value.Str());
            EXPECT_EQ(row.attribute, Attr(node, row.nameAfter));
            EXPECT_EQ(row.newValues, node ? Table(node->m_NewValueTable) : "");
            // The statement texts stay as they were.
            EXPECT_EQ("<C N=a X=0 E= <B HREF=abc",
                      At(main, 0)->m_Statement.Str() + " " + At(main, 1)->m_Statement.Str());
        }
    }
}

// KoruSetParseFlags sets both flags at once, any nonzero value setting one;
// each holds until a call sets it again: every parse the overwrite flag, a text
// update both (overwrite on, new-value from its argument), a refused one new-value.
TEST(NodeEdit, FlagsSetDirectlyHoldUntilACallSetsThem) {
    using Then = std::function<void(CKORU_Parser&)>;
    struct Row { const char* rule; int overwrite, newValue; Then then; const char* after; };
    const Row rows[] = {
        {"both set", 1, 1, nullptr, "X=\"q\" | X=q"},
        {"any nonzero value sets", 7, -1, nullptr, "X=\"q\" | X=q"},
        {"both cleared", 0, 0, nullptr, "X=0 | "},
        {"overwrite alone", 1, 0, nullptr, "X=\"q\" | "},
        {"new-value alone assigns nothing", 0, 1, nullptr, "X=0 | "},
        {"a later parse sets overwrite", 1, 1, [](CKORU_Parser& p) { Parse(p, "<U></U>", 0); }, "X=0 | "},
        {"a later parse keeps new-value", 0, 1, [](CKORU_Parser& p) { Parse(p, "<U></U>", 1); }, "X=\"q\" | X=q"},
        {"a later update sets both", 0, 1,
         [](CKORU_Parser& p) { p.ReleaseNodeList(p.UpdateParser(nullptr, "<C N=a></C>", 0)); }, "X=\"q\" | "},
        {"a refused update sets new-value only", 1, 1, [](CKORU_Parser& p) { SetNewValueFlag(p, 0); }, "X=\"q\" | "},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.rule);
        CKORU_Parser parser;
        ASSERT_EQ(1, Parse(parser, "<U><B><C N=a X=0></C></B></U>"));
        KoruSetParseFlags(parser, !row.overwrite, !row.newValue);  // the other way first
        KoruSetParseFlags(parser, row.overwrite, row.newValue);
        if (row.then) row.then(parser);
        CKORU_ItemNode* control = parser.GetMainList()->GetHead();
        CString name("X"), value("\"q\"");
        EXPECT_EQ(1, parser.If_IsInLValue_UpdateRValue(name, value, control));
        EXPECT_EQ(row.after, "X=" + Attr(control, "X") + " | " + Table(control->m_NewValueTable));
    }
}

// M:5(m) E:4 E:4 M:4 E:4 C:3(a) A:4(x) C:3(b) A:3(top) B:2
const char* const kDoc = "<U><B><C N=a><E T=7><M N=m></M></E><E T=07></E><M T=7></M><E T=\"7\"></E></C>"
                         "<C N=b><A N=x></A></C><A N=top></A></B></U>";
const char* const kAll = "M:5(m) E:4 E:4 M:4 E:4 C:3(a) A:4(x) C:3(b) A:3(top) B:2";

struct DeleteRow {
    const char* rule;
    int node;                  // index in the main list; -1 null, -2 a node not in the list
    const char *tValue, *tag;  // tValue null: DeleteNode(node); else DeleteNode(tValue, node, tag)
    const char* expected;
    const char* document = kDoc;  // null: no parse
};

TEST(NodeEdit, Delete) {
    const DeleteRow rows[] = {
        {"a leaf goes alone", 3, nullptr, "", "M:5(m) E:4 E:4 E:4 C:3(a) A:4(x) C:3(b) A:3(top) B:2"},
        {"a control goes with its run, up to the previous control", 7, nullptr, "",
         "M:5(m) E:4 E:4 M:4 E:4 C:3(a) A:3(top) B:2"},
        {"the first control's run reaches the head", 5, nullptr, "", "A:4(x) C:3(b) A:3(top) B:2"},
        {"the body takes everything nested in it", 9, nullptr, "", ""},
        {"null changes nothing", -1, nullptr, "", kAll},
        {"a node not in the list changes nothing", -2, nullptr, "", kAll},
        {"children by tag and exact T (unquoted), with their runs", 5, "7", "e", "E:4 M:4 C:3(a) A:4(x) C:3(b) A:3(top) B:2"},
        {"T compares with case, the tag without", 2, "up", "E", "E:4(1) C:3(b) B:2",
         "<U><B><C N=b><E N=1 T=Up></E><e N=2 T=up></e></C></B></U>"},
        {"an empty T selects children without T", 7, "", "A", "M:5(m) E:4 E:4 M:4 E:4 C:3(a) C:3(b) A:3(top) B:2"},
        {"the body's children are at level 3", 9, "", "a", "M:5(m) E:4 E:4 M:4 E:4 C:3(a) A:4(x) C:3(b) B:2"},
        {"other parents' children are at level 4, whatever their level", 1, "", "M", kAll},
        {"a null parent deletes nothing", -1, "7", "E", kAll},
        {"a parent not in the list deletes nothing", -2, "7", "E", kAll},
        {"before the first parse nothing happens", -2, nullptr, "", "none", nullptr},
        {"nor by T before the first parse", -2, "", "C", "none", nullptr},
    };
    for (const DeleteRow& row : rows) {
        SCOPED_TRACE(row.rule);
        CKORU_Parser parser;
        ASSERT_TRUE(!row.document || Parse(parser, row.document) == 1);
        CKORU_ItemNode loose(3, CString("<C N=a"));
        CKORU_ItemNode* node = row.node == -2 ? &loose : At(parser.GetMainList(), row.node);
        if (row.tValue) parser.DeleteNode(CString(row.tValue), node, CString(row.tag));
        else parser.DeleteNode(node);
        EXPECT_EQ(row.expected, MainShape(parser));
        EXPECT_EQ("<C N=a", loose.m_Statement.Str());
    }
}

// KoruWatchFreedNodes: the hook hears of every node that leaves the main list,
// once, whichever call frees it; after it is unset it hears nothing.
TEST(NodeEdit, FreedNodeHookHearsOfEveryNodeThatLeaves) {
    struct Row {
        const char* rule;
        const char* doc;
        std::function<void(CKORU_Parser&)> edit;
        size_t freed;
    };
    const char* const twoControls = "<U><B><C N=a><E T=1></E></C><C N=b></C></B></U>";
    const Row rows[] = {
        {"a node with its nested run", twoControls,
         [](CKORU_Parser& p) { p.DeleteNode(p.GetNode(nullptr, CString("C"), CString("a"))); }, 2},
        {"children chosen by tag and T value", twoControls,
         [](CKORU_Parser& p) { p.DeleteNode(CString("1"), p.GetNode(nullptr, CString("C"), CString("a")), CString("E")); },
         1},
        {"a removal instruction in a fragment", "<U><B><E T=1><C N=x></C></E><C N=k></C></B></U>",
         [](CKORU_Parser& p) { ASSERT_EQ(1, Parse(p, "<U><B><IE T=1></IE></B></U>")); }, 2},
        {"an update that rebuilds and then removes", "<U><B><E T=1><C N=x></C></E><C N=k></C></B></U>",
         [](CKORU_Parser& p) { p.ReleaseNodeList(p.UpdateParser(nullptr, "<C N=x Y=1></C><C N=k></C><B><IE T=1></IE></B>", 0)); },
         2},
        {"an unset hook", twoControls,
         [](CKORU_Parser& p) {
             KoruWatchFreedNodes(p, nullptr, nullptr);
             p.DeleteNode(p.GetNode(nullptr, CString("C"), CString("a")));
         },
         0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.rule);
        CKORU_Parser parser;
        ASSERT_EQ(1, Parse(parser, row.doc));
        std::vector<const CKORU_ItemNode*> freed;
        KoruWatchFreedNodes(parser, [](void* to, const CKORU_ItemNode* node) {
            static_cast<std::vector<const CKORU_ItemNode*>*>(to)->push_back(node);
        }, &freed);
        const std::set<const CKORU_ItemNode*> before(parser.GetMainList()->begin(), parser.GetMainList()->end());
        row.edit(parser);
        const std::set<const CKORU_ItemNode*> after(parser.GetMainList()->begin(), parser.GetMainList()->end());
        EXPECT_EQ(row.freed, freed.size());
        EXPECT_EQ(freed.size(), std::set<const CKORU_ItemNode*>(freed.begin(), freed.end()).size());
        for (const CKORU_ItemNode* node : before) {
            if (!after.count(node) && row.freed) {
                EXPECT_EQ(1, std::count(freed.begin(), freed.end(), node));
            }
        }
    }
}

}  // namespace
