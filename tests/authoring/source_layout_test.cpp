// KoruFormatSource: a layout that changes only the blanks between statements.
#include <gtest/gtest.h>

#include <koru/koru.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "common/koru_test.h"

namespace {

std::string Layout(const std::string& text, int indent = 2) {
    CString out;
    return KoruFormatSource(CString(text), out, indent) == 1 ? out.Str() : "refused: " + out.Str();
}

// The main list with every statement, level and attribute, to compare parses.
std::string Document(const std::string& text) {
    CKORU_Parser parser;
    if (koru_test::Parse(parser, text) != 1) return "refused";
    std::string out;
    for (CKORU_ItemNode* node : *parser.GetMainList())
        out += node->m_Statement.Str() + "|" + std::to_string(node->m_Level) + "|" + koru_test::Table(node->m_AttrTable) + "\n";
    return out;
}

std::string WithoutBlanks(std::string text) {
    text.erase(std::remove_if(text.begin(), text.end(), [](char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t'; }),
               text.end());
    return text;
}

TEST(FormatSource, OneStatementPerLineIndentedByNesting) {
    const struct {
        const char* rule;
        std::string text;
        int indent;
        std::string layout;
    } rows[] = {
        {"nesting", "<U><B N=b><C N=a><A></A></C></B></U>", 2, "<U>\n  <B N=b>\n    <C N=a>\n      <A></A>\n    </C>\n  </B>\n</U>"},
        {"an end statement right after its start stays beside it", "<U><B>\n</B><C> <!-- c --> </C></U>", 2,
         "<U>\n  <B></B>\n  <C>\n    <!-- c -->\n  </C>\n</U>"},
        {"indent width", "<U><B><C></C></B></U>", 4, "<U>\n    <B>\n        <C></C>\n    </B>\n</U>"},
        {"", "<U>  <B><C></C></B></U>", 0, "<U>\n<B>\n<C></C>\n</B>\n</U>"},
        {"comments, the macro block and references stay, indented with the statements",
         "<MACRO>T:x??</MACRO><U><!-- c --><B N=\"&T;\"></B></U>", 2,
         "<MACRO>T:x??</MACRO>\n<U>\n  <!-- c -->\n  <B N=\"&T;\"></B>\n</U>"},
        {"statements keep their own blanks, line breaks and quoting",
         "<U>\n\n<B   N=\"a\nb\"  V=\"<l=3>a>b\">\n</B></U>", 2, "<U>\n  <B   N=\"a\nb\"  V=\"<l=3>a>b\"></B>\n</U>"},
        {"text between statements that is not blank stays as written", "<U>text<B></B> </U>", 2,
         "<U>text<B></B>\n</U>"},
        {"the text after </U> stays as written", "<U><B></B></U>\n <C N=a V=1></C>\n", 2,
         "<U>\n  <B></B>\n</U>\n <C N=a V=1></C>\n"},
        {"a refused text is left alone", "<U><B></U>", 2, "refused: <U><B></U>"},
        {"no layout where the frame check reads a quote between statements that would count new blanks",
         "\"<l=4></U></U><U>", 2, "refused: \"<l=4></U></U><U>"},
        {"no layout where macro expansion joins statements into one quoted value",
         "<MACRO>Q:\"??</MACRO><U><B><C N=&Q;a> <A></A>&Q;></C></B></U>", 2,
         "refused: <MACRO>Q:\"??</MACRO><U><B><C N=&Q;a> <A></A>&Q;></C></B></U>"},
    };
    for (const auto& row : rows) EXPECT_EQ(Layout(row.text, row.indent), row.layout) << row.rule << "\n" << row.text;
}

// The pieces of a source, as kind and place: "S" start, "E" end, "C" comment,
// "M" macro block, "T" text.
std::string Pieces(const std::string& text) {
    std::string out;
    for (const KoruSourcePiece& p : KoruReadSource(CString(text)))
        out += std::string(out.empty() ? "" : " ") + "SECMT"[p.kind] + "@" + std::to_string(p.line) + ":" +
               std::to_string(p.column) + "+" + std::to_string(p.length);
    return out;
}

TEST(ReadSource, PiecesMakeUpTheWholeText) {
    EXPECT_EQ(Pieces("<MACRO>A:1??</MACRO>\n<U> <!-- c -->x<B N=&A;></B></U>tail"),
              "M@1:1+20 T@1:21+1 S@2:1+3 T@2:4+1 C@2:5+10 T@2:15+1 S@2:16+9 E@2:25+4 E@2:29+4 T@2:33+4");
    EXPECT_EQ(Pieces("<U><B N=\"open</B></U>"), "S@1:1+3 T@1:4+18");  // an unclosed quote ends the reading
    EXPECT_EQ(Pieces(""), "");
}

// A deep text would grow with the square of its depth: indents stop at 32 levels.
TEST(FormatSource, IndentsStopDeepDown) {
    const std::string deep = "<U>" + koru_test::Repeat("<B>", 40) + koru_test::Repeat("</B>", 40) + "</U>";
    const std::string layout = Layout(deep, 2);
    std::istringstream lines(layout);
    size_t widest = 0;
    for (std::string line; std::getline(lines, line);) widest = std::max(widest, line.find('<'));
    EXPECT_EQ(widest, 64u);
}

// Every document of the examples, the tests and the fuzz seeds that parses:
// its layout parses the same, is its own layout, and keeps every byte but blanks.
TEST(FormatSource, RoundTripsEveryBundledDocument) {
    namespace fs = std::filesystem;
    int laid = 0;
    for (const char* folder : {"examples", "tests", "fuzz/corpus"}) {
        for (const auto& entry : fs::recursive_directory_iterator(fs::path(KORU_SOURCE_DIR) / folder)) {
            const fs::path& path = entry.path();
            const bool document = path.extension() == ".koru" || path.parent_path().parent_path().filename() == "corpus";
            if (!entry.is_regular_file() || !document) continue;
            std::ostringstream read;
            read << std::ifstream(path, std::ios::binary).rdbuf();
            const std::string text = read.str();
            if (Document(text) == "refused") continue;
            CString out, again;
            const int formatted = KoruFormatSource(CString(text), out, 2);
            laid += formatted;
            EXPECT_EQ(Document(out.Str()), Document(text)) << path;
            EXPECT_EQ(WithoutBlanks(out.Str()), WithoutBlanks(text)) << path;
            KoruFormatSource(out, again, 2);
            EXPECT_EQ(again.Str(), out.Str()) << path;
            std::string pieces;
            for (const KoruSourcePiece& piece : KoruReadSource(CString(text))) pieces += text.substr(piece.offset, piece.length);
            EXPECT_EQ(pieces, text) << path;
        }
    }
    EXPECT_GT(laid, 50);
}

}  // namespace
