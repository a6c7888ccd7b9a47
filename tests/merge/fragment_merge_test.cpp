// Fragment merge: a second DoParsingProc folds its document into the main
// list. Controls are matched by N value (new ones go before the body), bodies
// and controls are rebuilt (A children matched by N, removal instructions,
// event nodes copied with their run), attributes merge under the flags, forms
// move with their contents.
#include "merge/merge_test.h"

using namespace koru_test;

namespace {

struct Row {
    const char* rule;
    std::string document, fragment, expected;  // expected: see ExpectState
    int overwrite = 0, newValue = 0;
};

template <size_t N>
void Check(const Row (&rows)[N]) {
    for (const Row& row : rows) {
        SCOPED_TRACE(row.rule);
        CKORU_Parser parser;
        ASSERT_EQ(1, Parse(parser, row.document));
        SetNewValueFlag(parser, row.newValue);
        ASSERT_EQ(1, Parse(parser, row.fragment, row.overwrite));
        ExpectState(parser, row.expected);
    }
}

// The body holding control a with `children`.
std::string Ca(const std::string& children) { return W("<C N=a>" + children + "</C>"); }

TEST(FragmentMerge, Rules) {
    const std::string a = Ca("");
    const Row rows[] = {
        // Controls
        {"a new control goes before the body, after the others", a, W("<C N=b></C>"), W("<C N=a></C><C N=b></C>")},
        {"new controls keep fragment order and their runs", a, W("<C N=b><A N=x></A><E><M></M></E></C><C N=c></C>"),
         W("<C N=a></C><C N=b><A N=x></A><E><M></M></E></C><C N=c></C>")},
        {"N values compare with case, tags without", W("<C N=a X=0></C>"), "<U><b><c N=A></c><c n=a Y=1></c></b></U>",
         W("<C N=a X=0 Y=1></C><C N=A></C>")},
        {"a new name twice: one copy, the second merged into it", a,
         W("<C N=z X=1><A N=p></A></C><C N=z Y=2><A N=p W=3></A><A N=q></A></C>"),
         W("<C N=a></C><C N=z X=1 Y=2><A N=p W=3></A><A N=q></A></C>"), 1},
        {"no N matches the first control without N", W("<C N=a></C><C X=0></C><C></C>"), W("<C Y=1></C>"),
         W("<C N=a></C><C X=0 Y=1></C><C></C>")},
        {"the first match from the head is rebuilt", W("<C N=a></C><C N=a></C>"), Ca("<A N=y></A>"),
         W("<C N=a><A N=y></A></C><C N=a></C>")},
        {"two bodies: controls go before the later, none rebuilt", "<U><B N=one></B><B N=two></B></U>",
         "<U><B X=1><C N=c></C></B></U>", "<U><B N=one></B><B N=two><C N=c></C></B></U>"},
        {"no level-2 body: no new control", "<U><X><B></B></X></U>", W("<C N=c></C>"), "<U><X><B></B></X></U>"},
        // Control rebuilding
        {"A children matched by N (with case, first from the head), others appended in order",
         Ca("<A N=x V=0></A><A N=x></A><E></E>"), Ca("<A N=X></A><A N=x V=1></A><A N=y></A><A W=1></A>"),
         Ca("<A N=x V=1></A><A N=x></A><E></E><A N=X></A><A N=y></A><A W=1></A>"), 1},
        {"an empty N is always inserted", Ca("<A></A>"), Ca("<A N=\"\" V=1></A>"), Ca("<A></A><A N=\"\" V=1></A>")},
        {"overwrite off: kept values, missing ones added", W("<C N=a X=0><A N=x V=0></A></C>"),
         W("<C N=a X=1 Y=2><A N=x V=1 W=2></A></C>"), W("<C N=a X=0 Y=2><A N=x V=0 W=2></A></C>")},
        {"overwrite on: values replaced, the body's too", "<U><B HREF=old><C N=a X=0></C></B></U>",
         "<U><B HREF=new><C N=a X=\"1\"></C></B></U>", "<U><B HREF=new><C N=a X=1></C></B></U>", 1},
        {"IE deletes the E children of that exact T, unquoted, with their runs",
         Ca("<E T=7><M></M></E><E T=8></E><E T=07></E><E T=\"7\"></E><M T=7></M><EN T=7></EN><E T=\"x y\"></E>"),
         Ca("<IE T=7></IE><IE T=\"x y\"></IE>"), Ca("<E T=8></E><E T=07></E><M T=7></M><EN T=7></EN>")},
        {"each instruction its tag, case ignored; no match, no change",
         Ca("<A N=x T=1></A><E T=1></E><EN T=1></EN><M T=1></M><A N=y T=2></A>"),
         Ca("<ia T=1></ia><IEN T=1></IEN><im T=1></im><IE T=2></IE>"), Ca("<E T=1></E><A N=y T=2></A>")},
        {"no T deletes the children without T", Ca("<E></E><E T=\"\"></E><E T=1></E>"), Ca("<IE></IE>"),
         Ca("<E T=1></E>")},
        {"in the body, instructions act at level 3", W("<E T=1><M></M></E><C N=a><E T=1></E></C>"), W("<IE T=1></IE>"),
         Ca("<E T=1></E>")},
        {"event nodes are copied with their runs, never merged", Ca("<E T=1></E>"),
         Ca("<E T=1></E><E T=2><M N=m1><X></X></M><M N=m2></M></E>"),
         Ca("<E T=1></E><E T=1></E><E T=2><M N=m1><X></X></M><M N=m2></M></E>")},
        {"a control in an event node is also merged by itself", a, Ca("<E><C N=inner></C></E>"),
         "C:5(inner) E:4 C:3(a) C:5(inner) B:2"},
        {"two bodies in the fragment: no body rebuilt", W(""), "<U><B X=1><E></E></B><B></B></U>", W("")},
        {"a deeper control merges its attributes only (its X is an event node)", W("<X><C N=d><A N=x></A></C></X>"),
         W("<X><C N=d V=1><A N=y></A></C></X>"),
         W("<X><C N=d V=1><A N=x></A></C></X><X><C N=d V=1><A N=y></A></C></X>")},
        // The matcher must not reach a child a removal instruction deleted.
        {"an A naming a deleted child is new", Ca("<A N=x T=1 OLD=1></A>"),
         Ca("<IA T=1></IA><A N=x NEW=1></A><A N=k0 V=1></A>"), Ca("<A N=x NEW=1></A><A N=k0 V=1></A>")},
        {"an A naming a deleted child is new, among 40", Ca(Seq(0, 39, "<A N=k%></A>") + "<A N=x T=1 OLD=1></A>"),
         Ca("<IA T=1></IA><A N=x NEW=1></A><A N=k0 V=1></A>"),
         Ca("<A N=k0 V=1></A>" + Seq(1, 39, "<A N=k%></A>") + "<A N=x NEW=1></A>")},
        {"a deleted duplicate leaves the next match", Ca("<A N=x T=1></A><A N=x T=2></A>"),
         Ca("<IA T=1></IA><A N=x V=1></A>"), Ca("<A N=x T=2 V=1></A>")},
        // The new-value flag, set by the last text update, lasts over later parses.
        {"added values entered, an empty one too; kept ones not", "<U><B HREF=abc><C N=a X=0 E=></C></B></U>",
         W("<C N=a X=1 Y=\"two\" Z=></C>"),
         "<U><B HREF=abc><C N=a X=0 E=\"\" Y=two Z=\"\"></C></B></U> | C:3(a){Y=two Z=}", 0, 1},
        {"a replaced empty value is not entered", W("<C N=a X=0 E=></C>"), W("<C N=a X=1 E=></C>"),
         W("<C N=a X=1 E=\"\"></C>") + " | C:3(a){N=a X=1}", 1, 1},
        {"all present, overwrite off: nothing changes", "<U><B HREF=abc><C N=a X=0></C></B></U>",
         "<U><B HREF=x><C N=a X=5></C></B></U>", "<U><B HREF=abc><C N=a X=0></C></B></U>", 0, 1},
        {"a new control enters its values, not the tag's", a, W("<C N=b V=\"1\"></C>"),
         W("<C N=a></C><C N=b V=1></C>") + " | C:3(b){N=b V=1}", 1, 1},
        {"redefinition text is an update that clears the flag", W("<C N=a X=0></C>"), "<U></U><C N=a Y=4></C>",
         W("<C N=a X=0 Y=4></C>"), 0, 1},
    };
    Check(rows);
}

// Among several controls with one N value the one nearest the head wins, also
// when copies land before it during the same merge; moderate sizes prove the
// merge's lookups over many nodes and many insertions into one gap.
TEST(FragmentMerge, OrderAndSize) {
    const Row rows[] = {
        {"a copy landing before the match wins later lookups", W("<C N=p></C><C N=k V=0></C>"),
         W("<C N=p><E><C N=k W=1></C></E></C><C N=k Z=1></C>"),
         W("<C N=p><E><C N=k W=1 Z=1></C></E></C><C N=k V=0 W=1></C>"), 1},
        {"a deleted match leaves the next", W("<E T=1><C N=k></C></E><C N=k></C>"), W("<IE T=1></IE><C N=k Z=1></C>"),
         W("<C N=k Z=1></C>"), 1},
        {"a copy landing between namesakes wins once the first is deleted",
         W("<C N=q><E T=1><C N=k A=1></C></E></C><C N=p></C><C N=k A=2></C>"),
         W("<C N=p><E T=2><C N=k A=3></C></E></C><C N=q><IE T=1></IE></C><C N=k Z=1></C>"),
         W("<C N=q></C><C N=p><E T=2><C N=k A=3 Z=1></C></E></C><C N=k A=2></C>")},
        {"300 copies into one gap keep their order", W("<C N=p></C>"),
         W("<C N=p>" + Seq(0, 299, "<E T=%><C N=k I=%></C></E>") + "</C><C N=k Z=1></C>"),
         W("<C N=p><E T=0><C N=k I=0 Z=1></C></E>" + Seq(1, 299, "<E T=%><C N=k I=%></C></E>") +
           "</C><H><H><C N=k I=0></C></H></H>")},
        {"controls without N all merge into the first", W(Seq(0, 39, "<C V=0></C>")), W(Seq(1, 40, "<C V=%></C>")),
         W("<C V=40></C>" + Seq(1, 39, "<C V=0></C>")), 1},
        {"200 controls restated backwards, two new ones", W(Seq(0, 199, "<C N=c% V=0><A N=x V=0></A></C>")),
         W(Seq(199, 100, "<C N=c% V=1><A N=x V=1></A><A N=y></A><E T=%><M></M></E></C>") + "<C N=n1><A N=z></A></C>" +
           Seq(99, 0, "<C N=c% V=1><A N=x V=1></A><A N=y></A><E T=%><M></M></E></C>") + "<C N=n2></C>"),
         W(Seq(0, 199, "<C N=c% V=1><A N=x V=1></A><A N=y></A><E T=%><M></M></E></C>") +
           "<C N=n1><A N=z></A></C><C N=n2></C>"), 1},
        {"one control of 2000 children restated once per child, then once per new child",
         W("<C N=w>" + Seq(0, 1999, "<A N=a% V=1></A>") + "<E T=1></E></C>"),
         W(Seq(0, 1999, "<C N=w><A N=a% V=2></A></C>") + Seq(0, 1999, "<C N=w><IE T=%></IE><A N=n%></A></C>")),
         W("<C N=w>" + Seq(0, 1999, "<A N=a% V=2></A>") + Seq(0, 1999, "<A N=n%></A>") + "</C>"), 1},
    };
    Check(rows);
}

// A fragment's forms move to the tail of the main list with everything nested
// in them, each level shifted by the form's own shift to the document's form
// level; without a form in the document they are dropped with their contents.
// Nothing nested in a form reaches the body.
TEST(FragmentMerge, FormsMoveWithTheirContents) {
    const Row rows[] = {
        {"forms appended at the form level, in fragment order", "<U><F ID=0></F><B><C N=a></C></B></U>",
         "<U><B><F ID=1></F></B><F ID=2></F></U>", "F:2 C:3(a) B:2 F:2 F:2"},
        {"form level is the first form from the head", "<U><B><F ID=0></F><C N=a></C></B><F ID=9></F></U>",
         "<U><F ID=1></F><B></B></U>", "F:3 C:3(a) B:2 F:2 F:3"},
        {"any node with an F attribute sets the form level", "<U><B F=1><C N=a></C></B></U>",
         "<U><F ID=1></F><B></B></U>", "C:3(a) B:2 F:2"},
        {"a form's fields move with it", "<U><B><C N=a></C></B><F N=f ID=1><FD ID=1></FD></F></U>",
         "<U><F N=g ID=2><FD ID=2></FD><X T=9></X></F><B><E T=1></E></B></U>",
         "C:3(a) E:3 B:2 FD:3 F:2(f) FD:3 X:3 F:2(g)"},
        {"a form inside the fragment's body is shifted up", "<U><B><C N=a></C></B><F N=f></F></U>",
         "<U><B><F N=g><A N=z></A></F><E T=1></E></B></U>", "C:3(a) E:3 B:2 F:2(f) A:3(z) F:2(g)"},
        {"nested runs keep their order, controls in a form included", "<U><F ID=0></F><B><C N=a></C></B></U>",
         "<U><F ID=1><A N=f></A><E><M></M></E><C N=in></C></F><B></B></U>",
         "F:2 C:3(a) B:2 A:3(f) M:4 E:3 C:3(in) F:2"},
        {"a form inside a form travels in the outer run", "<U><F ID=0></F><B></B></U>",
         "<U><F ID=1><F ID=2><A N=z></A></F></F><B></B></U>", "F:2 B:2 A:4(z) F:3 F:2"},
        {"without a document form, forms and contents are dropped", "<U><B><C N=a></C></B></U>",
         "<U><F ID=1><A N=f></A></F><B><F N=g><A N=z></A></F><E T=1></E></B></U>", "C:3(a) E:3 B:2"},
        {"a level-4 form is an event node of its control", "<U><F ID=0></F><B><C N=a></C></B></U>",
         "<U><B><C N=a><F ID=deep></F></C></B></U>", "F:2 F:4 C:3(a) B:2"},
    };
    Check(rows);
}

// Rebuilt nodes stay the same objects: a host's pointers survive a merge.
TEST(FragmentMerge, RebuiltNodesKeepTheirIdentity) {
    CKORU_Parser parser;
    ASSERT_EQ(1, Parse(parser, W("<C N=a></C><C N=b></C>")));
    std::vector<CKORU_ItemNode*> before(parser.GetMainList()->begin(), parser.GetMainList()->end());
    ASSERT_EQ(1, Parse(parser, "<U><B X=1><C N=b X=2></C><C N=a X=3></C></B></U>"));
    EXPECT_EQ(before, std::vector<CKORU_ItemNode*>(parser.GetMainList()->begin(), parser.GetMainList()->end()));
}

}  // namespace
