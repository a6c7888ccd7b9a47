// Among several controls with one N value, a merge always rebuilds the one
// nearest the head, also when copies land before it during the same merge.
#include "query/doc_helpers.h"

#include <gtest/gtest.h>

#include <string>

using namespace koru_test;

namespace {

TEST(MergeOrder, CopyInsertedBeforeAnEarlierMatchWinsLaterLookups) {
    CKORU_Parser parser;
    ASSERT_EQ(1, Parse(parser, "<U><B><C N=p></C><C N=k V=0></C></B></U>"));
    // The nested k is merged into the document's k; p's event node then puts a
    // copy of it before p, so the last k of the fragment finds that copy.
    ASSERT_EQ(1, Parse(parser, "<U><B><C N=p><E><C N=k W=1></C></E></C><C N=k Z=1></C></B></U>", 1));
    EXPECT_EQ((Lines{"C 5 N=k", "E 4", "C 3 N=p", "C 3 N=k", "B 2"}), MainLines(parser));
    NodeList* main = parser.GetMainList();
    EXPECT_EQ((Lines{"C=", "N=k", "W=1", "Z=1"}), Table(At(main, 0)->m_AttrTable));
    EXPECT_EQ((Lines{"C=", "N=k", "V=0", "W=1"}), Table(At(main, 3)->m_AttrTable));
}

TEST(MergeOrder, ManyCopiesIntoOneGapKeepTheirOrder) {
    constexpr int kEvents = 300;
    CKORU_Parser parser;
    ASSERT_EQ(1, Parse(parser, "<U><B><C N=p></C></B></U>"));
    std::string fragment = "<U><B><C N=p>";
    for (int i = 0; i < kEvents; ++i) fragment += "<E T=" + std::to_string(i) + "><C N=k I=" + std::to_string(i) + "></C></E>";
    fragment += "</C><C N=k Z=1></C></B></U>";
    ASSERT_EQ(1, Parse(parser, fragment, 0));

    // The first nested k is new and goes before the body; p's event nodes then
    // put k copies before p, all into the same stretch of the list.
    Lines expected;
    for (int i = 0; i < kEvents; ++i) expected.insert(expected.end(), {"C 5 N=k", "E 4"});
    expected.insert(expected.end(), {"C 3 N=p", "C 5 N=k", "B 2"});
    ASSERT_EQ(expected, MainLines(parser));
    NodeList* main = parser.GetMainList();
    for (int i = 0; i < kEvents; ++i) {
        ASSERT_EQ(std::to_string(i), Attr(At(main, 2 * i), "I"));
        ASSERT_EQ(std::to_string(i), Attr(At(main, 2 * i + 1), "T"));
    }
    // The last control of the fragment is merged into the head-most k only.
    EXPECT_EQ("1", Attr(At(main, 0), "Z"));
    int withZ = 0;
    for (CKORU_ItemNode* node : *main) withZ += Attr(node, "Z") == "1" ? 1 : 0;
    EXPECT_EQ(1, withZ);
}

TEST(MergeOrder, DeletedMatchLeavesTheNextOne) {
    CKORU_Parser parser;
    ASSERT_EQ(1, Parse(parser, "<U><B><E T=1><C N=k></C></E><C N=k></C></B></U>"));
    // The body's removal instruction deletes the event node and the first k in
    // it; the control merged afterwards finds the second k.
    ASSERT_EQ(1, Parse(parser, "<U><B><IE T=1></IE><C N=k Z=1></C></B></U>", 1));
    EXPECT_EQ((Lines{"C 3 N=k", "B 2"}), MainLines(parser));
    EXPECT_EQ("1", Attr(At(parser.GetMainList(), 0), "Z"));
}

TEST(MergeOrder, ManyNamelessControlsAllMergeIntoTheFirst) {
    constexpr int kControls = 20000;
    CKORU_Parser parser;
    std::string document = "<U><B>";
    for (int i = 0; i < kControls; ++i) document += "<C V=0></C>";
    ASSERT_EQ(1, Parse(parser, document + "</B></U>"));
    std::string fragment = "<U><B>";
    for (int i = 0; i < kControls; ++i) fragment += "<C V=" + std::to_string(i + 1) + "></C>";
    ASSERT_EQ(1, Parse(parser, fragment + "</B></U>", 1));
    ASSERT_EQ(kControls + 1, parser.GetMainList()->GetCount());
    NodeList* main = parser.GetMainList();
    EXPECT_EQ(std::to_string(kControls), Attr(At(main, 0), "V"));
    int untouched = 0;
    for (CKORU_ItemNode* node : *main) untouched += Attr(node, "V") == "0" ? 1 : 0;
    EXPECT_EQ(kControls - 1, untouched);
}

}  // namespace
