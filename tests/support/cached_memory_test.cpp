// The memory a destroyed parser leaves on its thread: kept for the next parser
// up to a bound that follows the recent parsers, freed by
// KoruReleaseCachedMemory and at thread exit.
#include <koru/koru.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "common/koru_test.h"

namespace {

using koru_test::MainShape;
using koru_test::Parse;

// A body of `controls` controls, each with an attribute long enough to need memory of its own.
std::string Document(int controls) {
    std::string text = "<U><B N=body>";
    for (int i = 0; i < controls; ++i)
        text += "<C N=c" + std::to_string(i) + " V=\"value of control " + std::to_string(i) + "\"><E T=1></E></C>";
    return text + "</B></U>";
}

// Parses a document on a parser that is then destroyed.
void ParseAndDestroy(int controls) {
    CKORU_Parser parser;
    ASSERT_EQ(Parse(parser, Document(controls)), 1);
}

TEST(CachedMemory, ADestroyedParserLeavesMemoryThatReleaseFrees) {
    KoruReleaseCachedMemory();
    ParseAndDestroy(2000);
    EXPECT_GT(KoruReleaseCachedMemory(), size_t(100000));
    EXPECT_EQ(KoruReleaseCachedMemory(), size_t(0));
}

TEST(CachedMemory, ALaterParserOnReusedMemoryReadsItsOwnDocument) {
    ParseAndDestroy(3000);
    CKORU_Parser parser;
    ASSERT_EQ(Parse(parser, "<U><B N=b><C N=x V=\"kept\"></C></B></U>"), 1);
    CKORU_Parser second;
    ASSERT_EQ(Parse(second, Document(50)), 1);
    EXPECT_EQ(MainShape(parser), "C:3(x) B:2(b)");
    EXPECT_EQ(parser.GetValue("V", parser.GetNode(nullptr, "C", "x")).Str(), "kept");
    EXPECT_EQ(second.GetValue("V", second.GetNode(nullptr, "C", "c49")).Str(), "value of control 49");
    EXPECT_EQ(second.GetMainList()->GetCount(), 1 + 2 * 50);
}

TEST(CachedMemory, AThreadKeepsAtMost32MegabytesAfterItsParsers) {
    KoruReleaseCachedMemory();
    {
        std::vector<std::unique_ptr<CKORU_Parser>> parsers;
        const std::string text = Document(20000);
        for (int i = 0; i < 24; ++i) {
            parsers.push_back(std::make_unique<CKORU_Parser>());
            ASSERT_EQ(Parse(*parsers.back(), text), 1);
        }
    }
    const size_t kept = KoruReleaseCachedMemory();
    EXPECT_GT(kept, size_t(24) << 20);
    EXPECT_LE(kept, size_t(32) << 20);
}

TEST(CachedMemory, AThreadKeepsWhatALargeDocumentTookUntilSmallerOnesFollow) {
    KoruReleaseCachedMemory();
    ParseAndDestroy(150000);
    EXPECT_GT(KoruReleaseCachedMemory(), size_t(33) << 20);
    ParseAndDestroy(150000);
    for (int i = 0; i < 4; ++i) ParseAndDestroy(10);
    EXPECT_LE(KoruReleaseCachedMemory(), size_t(32) << 20);
}

TEST(CachedMemory, AParserDestroyedOnAnotherThreadLeavesItsMemoryThere) {
    auto parser = std::make_unique<CKORU_Parser>();
    ASSERT_EQ(Parse(*parser, Document(2000)), 1);
    KoruReleaseCachedMemory();
    size_t there = 0, after = 1;
    std::thread([&] {
        parser.reset();
        there = KoruReleaseCachedMemory();
        after = KoruReleaseCachedMemory();
    }).join();
    EXPECT_GT(there, size_t(100000));
    EXPECT_EQ(after, size_t(0));
    EXPECT_EQ(KoruReleaseCachedMemory(), size_t(0));
}

}  // namespace
