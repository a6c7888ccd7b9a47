// Every ```koru block of docs/language.md parses as its fence marks it: plain
// blocks are accepted, "refused" ones refused, "fragment" blocks merge into the
// document block before them and "update" blocks apply to it as update text.
// The guide's inline examples run from a table that quotes them.
#include <koru/koru.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <regex>
#include <sstream>
#include <string>

#include "common/koru_test.h"

namespace {

std::string Guide() {
    std::ostringstream text;
    text << std::ifstream(KORU_SOURCE_DIR "/docs/language.md").rdbuf();
    return text.str();
}

TEST(LanguageGuide, KoruBlocksParseAsMarked) {
    const std::string guide = Guide();
    const std::regex fenced("\n```koru ?([^\n]*)\n([\\s\\S]*?\n)```");
    std::unique_ptr<CKORU_Parser> document;
    int blocks = 0, refused = 0;
    for (std::sregex_iterator it(guide.begin(), guide.end(), fenced), end; it != end; ++it, ++blocks) {
        const std::string kind = (*it)[1], text = (*it)[2];
        const long line = std::count(guide.begin(), guide.begin() + it->position(), '\n') + 2;
        SCOPED_TRACE("docs/language.md:" + std::to_string(line) + "\n" + text);
        if (kind == "refused") {
            CKORU_Parser parser;
            EXPECT_EQ(koru_test::Parse(parser, text), 0);
            EXPECT_NE(parser.GetLastRefusal().code, KoruRefusalCode::None);
            ++refused;
        } else if (kind.empty()) {
            document = std::make_unique<CKORU_Parser>();
            EXPECT_EQ(koru_test::Parse(*document, text), 1) << document->GetLastRefusal().message;
        } else if (kind == "check") {
            continue;  // TEST(LanguageGuide, CheckBlocksFindWhatTheyShow)
        } else {
            ASSERT_TRUE(kind == "fragment" || kind == "update") << "unknown kind " << kind;
            ASSERT_TRUE(document) << "no document block before this " << kind << " block";
            const bool accepted =
                kind == "fragment" ? koru_test::Parse(*document, text) == 1
                                   : bool(koru_test::Own(*document, document->UpdateParser(nullptr, text.c_str(), 1)));
            EXPECT_TRUE(accepted) << document->GetLastRefusal().message;
        }
    }
    EXPECT_GE(blocks, 10);
    EXPECT_GE(refused, 3);
}

// Each ```koru check block is followed by a ```text block: the first line of
// every finding koru check prints for it, the file named page.koru.
TEST(LanguageGuide, CheckBlocksFindWhatTheyShow) {
    const std::string guide = Guide();
    const std::regex pair("\n```koru check\n([\\s\\S]*?\n)```\n\n```text\n([\\s\\S]*?\n)```");
    int blocks = 0;
    for (std::sregex_iterator it(guide.begin(), guide.end(), pair), end; it != end; ++it, ++blocks) {
        std::string printed;
        for (const KoruDiagnostic& d : KoruCheckSource(CString((*it)[1].str()))) {
            printed += "page.koru:" + (d.line ? std::to_string(d.line) + ":" + std::to_string(d.column) + ":" : "") +
                       (d.severity == KoruSeverity::Error ? " error: " : " warning: ") + d.message + " [" + d.code + "]\n";
        }
        EXPECT_EQ(printed, (*it)[2].str()) << (*it)[1];
    }
    EXPECT_GE(blocks, 14);
}

// An example the guide gives inline: `quoted` stands in docs/language.md as
// written; `source` (then `fragment` merged, then `update` applied) gives
// `expected`, the document as koru writes it back on one line, or "refused:"
// and the reason.
struct InlineExample {
    const char *quoted, *source, *expected, *fragment = nullptr, *update = nullptr;
};

std::string Outcome(const InlineExample& row) {
    CKORU_Parser parser;
    if (!koru_test::Parse(parser, row.source) || (row.fragment && !koru_test::Parse(parser, row.fragment)))
        return "refused: " + parser.GetLastRefusal().message;
    if (row.update) koru_test::Own(parser, parser.UpdateParser(nullptr, CString(row.update), 0));
    return koru_test::Written(parser);
}

TEST(LanguageGuide, InlineExamplesBehaveAsTold) {
    const std::string guide = Guide();
    const InlineExample rows[] = {
        {"`<c n=x>` is the tag `C`", "<U><c n=x></c></U>", "<U><C N=x></C></U>"},
        {"`</C>` and `</X>` do the same", "<U><B><C N=a></X></B></U>", "<U><B><C N=a></C></B></U>"},
        {"`<u>` or `<U N=x>` do not count", "<U N=x></U>", "refused: \"</U>\" before \"<U>\""},
        {"`N=\"ab\"cd` gives `N`", "<U><B N=\"ab\"cd=x></B></U>", "<U><B N=ab CD=x></B></U>"},
        {"`HREF=https://shop.example/order?id=7` splits", "<U><B HREF=https://shop.example/order?id=7></B></U>",
         "<U><B HREF=https://shop.example/order?id 7=\"\"></B></U>"},
        {"`<!---->`", "<U><!----><B></B></U>", "refused: comment without a closing \"--\""},
        {"`<!-- -->` instead", "<U><!-- --><B></B></U>", "<U><B></B></U>"},
        {"`NAME:<l=4>a??b??`", "<MACRO>NAME:<l=4>a??b??</MACRO><U><B V=\"&NAME;\"></B></U>", "<U><B V=a??b></B></U>"},
        {"(`B:<b>??`", "<MACRO>B:<b>??C:c??</MACRO><U><B V=\"&B;\" W=&C;></B></U>", "<U><B V=\"<b>\" W=c></B></U>"},
        {"`<MACRO A:one?? B:two??></MACRO>`", "<MACRO A:one?? B:two??></MACRO><U><B X=&A; Y=&B;></B></U>",
         "<U><B X=one Y=two></B></U>"},
        {"defines `Site:...` has its `&Site;` references left", "<MACRO>S:1??</MACRO><U><B></B></U>",
         "<U><B V=\"&Site;\"></B></U>", "<MACRO>Site:x??</MACRO><U><B V=\"&Site;\"></B></U>"},
        {"a batch ended with `</c>`", "<U><B><C N=a></C></B></U>", "<U><B><C N=a></C></B></U>", nullptr,
         "<C N=a X=1></c>"},
        {"| `<B></B>` |", "<B></B>", "refused: no \"<U>\" frame"},
        {"| `<U><U></U>` |", "<U><U></U>", "refused: a second \"<U>\" before \"</U>\""},
        {"| `</U><U>` |", "</U><U>", "refused: \"</U>\" before \"<U>\""},
        {"| `<U><!-- x</U>` |", "<U><!-- x</U>", "refused: \"<!--\" without a closing \"-->\""},
        {"| `<U><B !-- x></B></U>` |", "<U><B !-- x></B></U>", "refused: comment without a closing \"--\""},
        {"| `<U><B N=MACRO></B></U>` |", "<U><B N=MACRO></B></U>", "refused: \"MACRO\" block without \"/MACRO\""},
        {"| `<U><B></U>` (2 start, 1 end) |", "<U><B></U>", "refused: start and end statements do not balance"},
        {"`HREF=\"/order\"` comes back as `HREF=/order`", "<U><B HREF=\"/order\"></B></U>",
         "<U><B HREF=/order></B></U>"},
        {"`V=Type \"red\"` as\n  `V=\"<l=10>Type \"red\"\"`", "<U><B V=\"<l=10>Type \"red\"\"></B></U>",
         "<U><B V=\"<l=10>Type \"red\"\"></B></U>"},
        {"is written `<u>`", "<U><B><u></u></B></U>", "<U><B><u></u></B></U>"},
        {"The empty statement `<>` is written `<>`", "<U><B><></></B></U>", "<U><B><></></B></U>"},
    };
    for (const InlineExample& row : rows) {
        SCOPED_TRACE(row.quoted);
        EXPECT_NE(guide.find(row.quoted), std::string::npos) << "not in docs/language.md";
        EXPECT_EQ(Outcome(row), row.expected);
    }
}

}  // namespace
