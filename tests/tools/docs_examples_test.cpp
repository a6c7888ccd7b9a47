// Every ```koru block of docs/language.md is parsed: a block must be accepted
// unless its fence says "refused". "fragment" blocks merge into the document
// block before them, "update" blocks are applied to it as update text.
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

}  // namespace
