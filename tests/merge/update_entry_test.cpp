// Update entry: loose control and body statements merged batch by batch, each
// batch ended by a statement whose first word is exactly /B or /C; the nodes
// rebuilt are returned. The statement-list overload merges one batch.
#include "merge/merge_test.h"

using namespace koru_test;

namespace {

const char* const kDoc = "<U><B><C N=a></C></B></U>";

struct Row {
    const char* rule;
    std::string text;      // with `list`, statements separated by '|'
    std::string result;    // Places of the returned list
    std::string expected;  // see ExpectState
    std::string document = kDoc;  // empty: no parse
    int newValue = 0;
    bool list = false;
};

TEST(UpdateEntry, Batches) {
    const Row rows[] = {
        {"a new control lands at level 3 and is returned", "<C N=b X=1></C>", "1",
         "C:3(a) C:3(b) B:2 | C:3(b){N=b X=1}", kDoc, 1},
        {"each batch merged with overwrite, results in order", "<C N=a X=2></C><C N=b></C>", "0 1",
         W("<C N=a X=2></C><C N=b></C>"), W("<C N=a X=0></C>")},
        {"a body batch is shifted by 1", "<B HREF=x><A N=y></A></B>", "2", "C:3(a) A:3(y) B:2"},
        {"a control's children get level 4", "<C N=a><A N=x></A><E><M></M></E></C>", "3", "A:4(x) M:5 E:4 C:3(a) B:2"},
        {"statements after the last batch are dropped", "<C N=a X=2></C><A N=x></A>", "0", W("<C N=a X=2></C>")},
        {"lower-case end tags end no batch", "<c n=a X=2></c>", "", kDoc},
        {"/C followed by words ends a batch", "<C N=a X=3></C Z=1>", "0", W("<C N=a X=3></C>")},
        {"a body around a control: two batches", "<B><C N=d></C></B>", "1 2", "C:3(a) C:4(d) B:2"},
        {"H kept, forms not merged", "<C N=a><H T=1></H></C><F ID=1></F><C N=b></C>", "1 2", "H:4 C:3(a) C:3(b) B:2"},
        {"no document: null", "<C N=a></C>", "null", "none", ""},
        {"200 batches in one text", Seq(0, 199, "<C N=c% V=2></C>") + "<C N=e></C>", Seq(0, 199, "% ") + "200",
         W(Seq(0, 199, "<C N=c% V=2></C>") + "<C N=e></C>") + " |" + Seq(0, 199, " C:3(c%){N=c% V=2}") + " C:3(e){N=e}",
         W(Seq(0, 199, "<C N=c% V=0></C>")), 1},
        // A later step must not hand back a node it deleted.
        {"a result never holds a node a later batch deleted", "<C N=x Y=1></C><C N=k></C><B><IE T=1></IE></B>", "0 1",
         "C:3(k) B:2", "<U><B><E T=1><C N=x></C></E><C N=k></C></B></U>"},
        {"nor in a result too long to search", "<C N=x Y=1></C>" + Seq(0, 19, "<C N=c%></C>") + "<B><IE T=1></IE></B>",
         Seq(0, 19, "% ") + "20", Seq(0, 19, "C:3(c%) ") + "B:2",
         "<U><B><E T=1><C N=x></C></E>" + Seq(0, 19, "<C N=c%></C>") + "</B></U>"},
        {"nor one deleted later in the same batch", "<C N=x Y=1></c><C N=p><IE T=1></IE></C>", "0", "C:3(p) B:2",
         "<U><B><C N=p><E T=1><C N=x></C></E></C></B></U>"},
        // The statement-list overload
        {"list: one batch, with overwrite", "<C N=a X=9>|<A N=k>|</A>|</C>", "1", W("<C N=a X=9><A N=k></A></C>"),
         W("<C N=a X=0></C>"), 0, true},
        {"list: nothing rebuilt gives null", "<A N=k>|</A>", "null", kDoc, kDoc, 0, true},
        {"list: no body to insert before gives an empty list", "<C N=a>|</C>", "", "X:2", "<U><X></X></U>", 0, true},
        {"list: no document gives null", "<B>|<C N=a>|</C>|</B>", "null", "none", "", 0, true},
        // A host may build lists the splitter never makes: an empty statement
        // gives the empty node (empty tag name, one empty key), merged into nothing.
        {"list: an empty statement is safe", "", "null", kDoc, kDoc, 0, true},
        {"list: empty statements around an end are safe", "|</C>|", "null", kDoc, kDoc, 0, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.rule);
        CKORU_Parser parser;
        ASSERT_TRUE(row.document.empty() || Parse(parser, row.document) == 1);
        NodeList* result;
        if (row.list) {
            auto* statements = new CKORU_Parser::StatementList(10);
            for (size_t at = 0, end = 0; end != std::string::npos; at = end + 1)
                statements->AddTail(new CString(row.text.substr(at, (end = row.text.find('|', at)) - at)));
            result = parser.UpdateParser(statements);
        } else {
            result = parser.UpdateParser(nullptr, CString(row.text.c_str()), row.newValue);
        }
        OwnedList owned = Own(parser, result);
        EXPECT_EQ(row.result, Places(parser, result));
        ExpectState(parser, row.expected);
    }
}

// The tag stack persists between calls: a tag left open (its end follows the
// last batch) raises later batches until a later text closes it.
TEST(UpdateEntry, TagsLeftOpenRaiseLaterBatches) {
    CKORU_Parser parser;
    ASSERT_EQ(1, Parse(parser, kDoc));
    for (const char* text : {"<X><C N=d></C></X>", "<C N=e></C>"}) Own(parser, parser.UpdateParser(nullptr, text, 0));
    EXPECT_EQ(nullptr, parser.UpdateParser(Statements({"</X>"})));  // closes X, rebuilds nothing
    EXPECT_EQ(nullptr, parser.UpdateParser(static_cast<CKORU_Parser::StatementList*>(nullptr)));
    Own(parser, parser.UpdateParser(nullptr, "<C N=f></C>", 0));
    EXPECT_EQ("C:3(a) C:4(d) C:4(e) C:3(f) B:2", MainShape(parser));
}

// The insert position can appear during one update: an earlier batch gives an
// emptied body its B key back, and a later batch's new control goes before it.
TEST(UpdateEntry, InsertPositionRestoredByAnEarlierBatchIsUsed) {
    CKORU_Parser parser;
    ASSERT_EQ(1, Parse(parser, kDoc));
    parser.GetMainList()->GetTail()->ReleaseMainList();
    OwnedList result = Own(parser, parser.UpdateParser(nullptr, "<B><C N=x></C></B><C N=y></C>", 0));
    EXPECT_EQ("C:3(a) C:3(y) B:2", MainShape(parser));
    EXPECT_EQ("2 1", Places(parser, result.get()));
}

// A control whose table a host emptied is known by its statement's first word;
// once a batch fills its table again, its tag name decides for later batches.
TEST(UpdateEntry, TagTestsFollowTableEdits) {
    CKORU_Parser parser;
    ASSERT_EQ(1, Parse(parser, kDoc));
    CKORU_ItemNode* control = parser.GetMainList()->GetHead();
    control->ReleaseMainList();
    control->m_TagName = "E";
    Own(parser, parser.UpdateParser(nullptr, "<C X=1></C><C Y=2></C>", 0));
    EXPECT_EQ("E:3 C:3 B:2", MainShape(parser));
}

}  // namespace
