// KoruCheckSource: each kind of mistake found where the author made it, and
// each warning raised by a document that has the flaw and not by one without.
#include <gtest/gtest.h>

#include <koru/koru.h>

#include <string>

#include "common/koru_test.h"

namespace {

// Every finding as "line:column severity code", with " note line:column" when
// it names a second place; findings separated by "; ".
std::string Findings(const std::string& text, const KoruCheckOptions& options = KoruCheckOptions()) {
    std::string out;
    for (const KoruDiagnostic& d : KoruCheckSource(CString(text), options)) {
        if (!out.empty()) out += "; ";
        out += std::to_string(d.line) + ":" + std::to_string(d.column) +
               (d.severity == KoruSeverity::Error ? " error " : " warning ") + d.code;
        if (d.severity == KoruSeverity::Error && d.refusal.empty()) out += " (no refusal)";
        if (!d.note.empty()) out += " note " + std::to_string(d.noteLine) + ":" + std::to_string(d.noteColumn);
    }
    return out;
}

struct Row {
    const char* rule;
    std::string text;
    std::string findings;
};

TEST(CheckSource, RefusalsPointAtTheMistake) {
    const Row rows[] = {
        {"a missing end statement: at the start it leaves open, with the end that closed it",
         "<U>\n<B N=b>\n<C N=a>\n  <E T=click>\n</C>\n</B>\n</U>\n", "4:3 error unclosed-start note 5:1"},
        {"an extra end statement: at that statement", "<U>\n<B N=b>\n<C N=a>\n</C>\n</C>\n</B>\n</U>\n",
         "5:1 error unmatched-end"},
        {"an unclosed quote: where it opened, running to the end", "<U>\n<B N=b>\n<C N=\"a>\n</C>\n</B>\n</U>",
         "3:6 error unclosed-quote note 6:4"},
        {"a length header that counts wrong: at the header",
         "<U>\n<B N=b>\n<C N=a V=\"<l=5>abc\">\n</C>\n</B>\n</U>\n", "3:10 error bad-length note 3:21"},
        {"a start statement without its '>': at that statement",
         "<U>\n<B N=b>\n<C N=a\n<A N=x V=1></A>\n</C>\n</B>\n</U>\n",
         "3:1 error missing-gt note 4:1; 4:12 error unmatched-end"},
        {"a statement cut off by the end of the text", "<U><B></B></U", "1:11 error missing-gt"},
        {"a refusal with nothing better to point at keeps its own place", "<B></B>", "0:0 error no-frame"},
        {"structure findings beside another refusal only inform", "<U><U></U>", "1:1 warning unclosed-start; 1:4 error second-frame-start"},
        {"", "<U><!-- note </U>", "1:4 error unclosed-frame-comment"},
    };
    for (const Row& row : rows) EXPECT_EQ(Findings(row.text), row.findings) << row.rule << "\n" << row.text;
}

TEST(CheckSource, RefusalsKeepTheirReason) {
    const auto found = KoruCheckSource(CString("<U>\n<C>\n</U>\n"));
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].refusal, "unbalanced");
    EXPECT_EQ(found[0].severity, KoruSeverity::Error);
    EXPECT_EQ(std::string(KoruRefusalName(KoruRefusalCode::NoFrame)), "no-frame");
}

// Each warning: a document that raises it, and the same document put right.
TEST(CheckSource, WarningsForWhatParsesButIsWrong) {
    const Row rows[] = {
        {"names that do not match in a balanced document", "<U><B><C N=a><E></C></E></B></U>",
         "1:14 warning unclosed-start note 1:17; 1:21 warning unmatched-end"},
        {"", "<U><B><C N=a><E></E></C></B></U>", ""},
        {"a tag outside the language", "<U><B><Q></Q></B></U>", "1:8 warning unknown-tag"},
        {"", "<U><B><IEN></IEN></B></U>", ""},
        {"a macro reference without a definition", "<U><B N=\"&SITE;\"></B></U>", "1:10 warning undefined-macro"},
        {"", "<MACRO>SITE:x??</MACRO><U><B N=\"&SITE;\"></B></U>", ""},
        {"a quoted value over a line break", "<U><B N=\"a\nb\"></B></U>", "1:9 warning value-line-break note 2:2"},
        {"a quoted value into the next statement",
         "<U><B><C N=\"a><A N=x></A></C><C N=\"b></C></B></U>", "1:12 warning value-past-statement note 1:35"},
        {"", "<U><B><C N=\"a\"><A N=x></A></C><C N=\"b\"></C></B></U>", ""},
        {"text after </U> that is no update", "<U><B></B></U>\n<C N=a>", "2:1 warning bad-update"},
        {"update statements after the last batch", "<U><B><C N=a></C></B></U><C N=a V=1></C><A></A>",
         "1:41 warning ignored-update"},
        {"", "<U><B><C N=a></C></B></U><C N=a V=1></C>\n", ""},
        {"two controls of one body with the same N", "<U><B><C N=a></C><C N=\"a\"></C></B></U>",
         "1:18 warning duplicate-control note 1:7"},
        {"", "<U><B><C N=a></C></B><B><C N=a></C></B></U>", ""},
        {"two forms with the same ID", "<U><F ID=f></F><F ID=f></F></U>", "1:16 warning duplicate-form note 1:4"},
        {"", "<U><F ID=f></F><F ID=g></F></U>", ""},
    };
    for (const Row& row : rows) EXPECT_EQ(Findings(row.text), row.findings) << row.rule << "\n" << row.text;
}

// Each end statement of another name than any open start: the search for a
// match must not walk the whole open stack every time.
TEST(CheckSource, ManyMismatchesStayCheap) {
    const std::string text = "<U>" + koru_test::Repeat("<C N=a>", 20000) + koru_test::Repeat("</X>", 20000) + "</U>";
    EXPECT_EQ(KoruCheckSource(CString(text)).size(), 40000u);
}

TEST(CheckSource, OptionsAddTagsAndTurnWarningsOff) {
    KoruCheckOptions options;
    options.extraTags = {"q"};
    EXPECT_EQ(Findings("<U><B><Q></Q><Z></Z></B></U>", options), "1:15 warning unknown-tag");
    options.disabled = {"unknown-tag"};
    EXPECT_EQ(Findings("<U><B><Q></Q><Z></Z></B></U>", options), "");
    // Errors cannot be turned off.
    options.disabled = {"unmatched-end"};
    EXPECT_EQ(Findings("<U><B></B></B></U>", options), "1:11 error unmatched-end");
}

}  // namespace
