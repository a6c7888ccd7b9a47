// Every ```koru block of docs/language.md is parsed: a block must be accepted
// unless its fence says "refused". "fragment" blocks merge into the document
// block before them, "update" blocks are applied to it as update text. The
// guide's inline examples are run from a table that quotes them.
#include <koru/koru.h>

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Block {
    int line = 0;         // line of the opening fence
    std::string kind;     // "", "refused", "fragment" or "update"
    std::string text;
};

std::vector<Block> KoruBlocks(const std::string& path) {
    std::ifstream in(path);
    std::vector<Block> blocks;
    std::string line;
    int number = 0;
    Block* open = nullptr;
    while (std::getline(in, line)) {
        ++number;
        if (open) {
            if (line.rfind("```", 0) == 0) open = nullptr;
            else open->text += line + "\n";
        } else if (line.rfind("```koru", 0) == 0) {
            blocks.push_back(Block{number, line.size() > 8 ? line.substr(8) : std::string(), std::string()});
            open = &blocks.back();
        }
    }
    return blocks;
}

TEST(LanguageGuide, KoruBlocksParseAsMarked) {
    std::vector<Block> blocks = KoruBlocks(KORU_SOURCE_DIR "/docs/language.md");
    ASSERT_GE(blocks.size(), 10u);
    std::unique_ptr<CKORU_Parser> document;
    int refused = 0;
    for (const Block& block : blocks) {
        SCOPED_TRACE("docs/language.md:" + std::to_string(block.line) + "\n" + block.text);
        CString text(block.text.c_str());
        if (block.kind == "update") {
            ASSERT_TRUE(document) << "an update block needs a document block before it";
            CKORU_Parser::NodeList* rebuilt = document->UpdateParser(nullptr, text, 1);
            EXPECT_NE(rebuilt, nullptr) << document->GetLastRefusal().message;
            document->ReleaseNodeList(rebuilt);
        } else if (block.kind == "fragment") {
            ASSERT_TRUE(document) << "a fragment block needs a document block before it";
            EXPECT_EQ(document->DoParsingProc(text, 0), 1) << document->GetLastRefusal().message;
        } else if (block.kind == "refused") {
            CKORU_Parser parser;
            EXPECT_EQ(parser.DoParsingProc(text, 0), 0);
            EXPECT_NE(parser.GetLastRefusal().code, KoruRefusalCode::None);
            ++refused;
        } else {
            ASSERT_EQ(block.kind, "") << "unknown block kind";
            document = std::make_unique<CKORU_Parser>();
            EXPECT_EQ(document->DoParsingProc(text, 0), 1) << document->GetLastRefusal().message;
        }
    }
    EXPECT_GE(refused, 3);
}

// The examples the guide gives inline. `quoted` stands in docs/language.md as
// written; `source` (then `fragment` merged, then `update` applied) must give
// `expected`: the document as koru writes it back, on one line, or "refused:"
// and the reason.
struct InlineExample {
    const char* quoted;
    const char* source;
    const char* expected;
    const char* fragment = nullptr;
    const char* update = nullptr;
};

std::string Outcome(const InlineExample& row) {
    CKORU_Parser parser;
    CString source(row.source), fragment(row.fragment);
    if (!parser.DoParsingProc(source, 0) || (row.fragment && !parser.DoParsingProc(fragment, 0)))
        return "refused: " + parser.GetLastRefusal().message;
    if (row.update) parser.ReleaseNodeList(parser.UpdateParser(nullptr, CString(row.update), 0));
    std::string written, line;
    std::istringstream lines(KoruWriteDocument(parser.GetMainList()).Str());
    while (std::getline(lines, line)) written += line.substr(line.find_first_not_of(' '));
    return written;
}

TEST(LanguageGuide, InlineExamplesBehaveAsTold) {
    std::ifstream in(KORU_SOURCE_DIR "/docs/language.md");
    std::ostringstream guide;
    guide << in.rdbuf();
    const InlineExample rows[] = {
        {"`<c n=x>` is the tag `C`", "<U><c n=x></c></U>", "<U><C N=x></C></U>"},
        {"`</C>` and `</X>` do the same", "<U><B><C N=a></X></B></U>", "<U><B><C N=a></C></B></U>"},
        {"`<u>` or `<U N=x>` do not count", "<U N=x></U>", "refused: \"</U>\" before \"<U>\""},
        {"`N=\"ab\"cd` gives `N`", "<U><B N=\"ab\"cd=x></B></U>", "<U><B N=ab CD=x></B></U>"},
        {"`HREF=https://shop.example/order?id=7` splits", "<U><B HREF=https://shop.example/order?id=7></B></U>",
         "<U><B HREF=https://shop.example/order?id 7=\"\"></B></U>"},
        {"`<!---->`", "<U><!----><B></B></U>", "refused: comment without a closing \"--\""},
        {"`<!-- -->` instead", "<U><!-- --><B></B></U>", "<U><B></B></U>"},
        {"`NAME:<l=4>a??b??`", "<MACRO>NAME:<l=4>a??b??</MACRO><U><B V=\"&NAME;\"></B></U>",
         "<U><B V=a??b></B></U>"},
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
        EXPECT_NE(guide.str().find(row.quoted), std::string::npos) << "not in docs/language.md";
        EXPECT_EQ(Outcome(row), row.expected);
    }
}

}  // namespace
