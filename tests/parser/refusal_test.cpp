// Refusals: each kind's report (code, message, place, counts), and that a
// refused source or update text changes nothing a host or a later parse sees.
#include "common/koru_test.h"

#include <gtest/gtest.h>

using namespace koru_test;
using Code = KoruRefusalCode;

namespace {

// A block of 40 macros M40 ... M1 (after `more`), each value twice the next
// one's reference: &M40; would grow to a terabyte.
std::string DoublingBlock(const std::string& more) {
    std::string block = "<MACRO>" + more;
    for (int i = 40; i > 1; --i)
        block += "M" + std::to_string(i) + ":" + Repeat("&M" + std::to_string(i - 1) + ";", 2) + "??";
    return block + "M1:xx??" "</MACRO>";
}

// "line:column @offset starts/ends message" of a refusal.
std::string Report(const KoruRefusal& r) {
    return std::to_string(r.line) + ":" + std::to_string(r.column) + " @" + std::to_string(r.offset) + " " +
           std::to_string(r.startCount) + "/" + std::to_string(r.endCount) + " " + r.message;
}

// A parser holding a document, a macro table (T) and a tag left open refuses a
// text (an update text when `update`; NoMainList on a new parser). The report
// says why and where, in the text as the host wrote it; the host's string and
// everything observable stay; and a later update text and parse come out as on
// a twin that never saw the text: no macro of the refused block (T, Z), no open
// tag and no overwrite flag set by the text after its frame leaks. A refused
// parse keeps the overwrite argument it was given, as the twin's does.
TEST(Refusal, ReportedAndChangesNothing) {
    struct Row { const char* rule; std::string text; bool update; Code code; std::string report; };
    const std::string block = "<MACRO>T:Changed??Z:1??" "</MACRO>\n", tail = "<C N=z></C>";
    const std::string unbalanced = " start and end statements do not balance";
    const std::string comment = " comment without a closing \"--\"";
    const Row rows[] = {
        {"no frame", block + "<B></B>", false, Code::NoFrame, "0:0 @-1 0/0 no \"<U>\" frame"},
        {"second frame start", "<U>\n<B>\n<U></U>", false, Code::SecondFrameStart,
         "3:1 @8 0/0 a second \"<U>\" before \"</U>\""},
        {"frame end first", "<B>\n  </U><U>", false, Code::FrameEndBeforeStart, "2:3 @6 0/0 \"</U>\" before \"<U>\""},
        {"frame comment unclosed", "<U>\n<!-- x</U>", false, Code::UnclosedFrameComment,
         "2:1 @4 0/0 \"<!--\" without a closing \"-->\""},
        {"macro block unclosed", "<U>\n<B N=MACRO></B></U>" + tail, false, Code::UnclosedMacroBlock,
         "2:6 @9 0/0 \"MACRO\" block without \"/MACRO\""},
        {"comment unclosed", "<U>\n<B>\n<C !-- x></C></B></U>", false, Code::UnclosedComment, "3:1 @8 0/0" + comment},
        {"comment placed in the host's text", block + "<U>\n<B !-- x\n></B></U>" + tail, false, Code::UnclosedComment,
         "3:1 @36 0/0" + comment},
        {"placed after expansion, says so", block + "<U>\n<B N=&Z;>\n<C !-- x\n></B></U>", false, Code::UnclosedComment,
         "4:1 @13 0/0" + comment + " (position in the text after macro expansion)"},
        {"no statement", "<MACRO>T:Changed??Z:1??" "<U></MACRO>", false, Code::NoStatement, "0:0 @-1 0/0 no statement"},
        {"unbalanced: at the first stray end", block + "<U></B></B></U>" + tail, false, Code::Unbalanced,
         "2:8 @39 1/3" + unbalanced},
        {"unbalanced: at the first start nothing closes", "<U>\n<B>\n<C>\n</B></U>", false, Code::Unbalanced,
         "1:1 @0 3/2" + unbalanced},
        {"expansion", DoublingBlock("T:Changed??Z:1??") + "<U><B N=\"&M40;\"></B></U>" + tail, false,
         Code::ExpansionLimit, "0:0 @-1 0/0 macro expansion exceeds the expansion bound"},
        {"nesting, open tag counted", block + "<U>\n" + Repeat("<B>", 32766) + Repeat("</B>", 32766) + "</U>" + tail,
         false, Code::NestingLimit, "3:98296 @98331 0/0 nesting deeper than 32767 levels"},
        {"update: unbalanced", block + "<C N=c X=2>", true, Code::Unbalanced, "2:1 @32 1/0" + unbalanced},
        {"update: macro block unclosed", "<C N=MACRO></C>", true, Code::UnclosedMacroBlock,
         "1:6 @5 0/0 \"MACRO\" block without \"/MACRO\""},
        {"update: nesting", block + Repeat("<C>", 32767) + Repeat("</C>", 32767), true, Code::NestingLimit,
         "0:0 @-1 0/0 nesting deeper than 32767 levels"},
        {"update: expansion", DoublingBlock("T:Changed??Z:1??") + "<C N=c X=\"&M40;\"></C>", true, Code::ExpansionLimit,
         "0:0 @-1 0/0 macro expansion exceeds the expansion bound"},
        {"update, no document", "<C N=x></C>", true, Code::NoMainList, "0:0 @-1 0/0 no document has been parsed yet"},
    };
    const std::string setup = "<MACRO>T:Hello??" "</MACRO></X><U><B N=b><C N=c V=\"&T;\"></C></U>";
    const std::string probe = "<U><B N=b><C N=c V=\"&T;&Z;\" X=3><E T=1></E></C></B></U>";
    for (const Row& row : rows) {
        for (int flag : {0, 1}) {
            SCOPED_TRACE(std::string(row.rule) + ", flag " + std::to_string(flag));
            CKORU_Parser parser, twin;
            ASSERT_EQ(row.code == Code::NoMainList || Parse(parser, setup) + Parse(twin, setup) == 2, true);
            const std::string before = Image(parser);
            CString text(row.text), none;
            if (row.update) {
                EXPECT_EQ(parser.UpdateParser(nullptr, text, flag), nullptr);
            } else {
                EXPECT_EQ(parser.DoParsingProc(text, flag), 0);
                EXPECT_EQ(twin.DoParsingProc(none, flag), 0);
            }
            EXPECT_EQ(parser.GetLastRefusal().code, row.code);
            EXPECT_EQ(Report(parser.GetLastRefusal()), row.report);
            EXPECT_TRUE(text.Str() == row.text);
            EXPECT_EQ(Image(parser), before);
            for (CKORU_Parser* p : {&parser, &twin})
                p->ReleaseNodeList(p->UpdateParser(nullptr, CString("<MACRO>T:U??" "</MACRO><C N=c Y=&T;&Z;></C>"), 0));
            ASSERT_EQ(Parse(parser, probe) + Parse(twin, probe), 2);
            EXPECT_EQ(Image(parser), Image(twin));
        }
    }
}

}  // namespace
