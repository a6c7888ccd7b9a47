// Moderate sizes: a fragment restating every control of a large document, and
// an update text of many batches, give exactly the expected lists.
#include "query/doc_helpers.h"

#include <gtest/gtest.h>

#include <string>

using namespace koru_test;

namespace {

constexpr int kControls = 20000;

std::string Name(int i) { return "c" + std::to_string(i); }

std::string Document() {
    std::string text = "<U><B>";
    for (int i = 0; i < kControls; ++i) text += "<C N=" + Name(i) + " V=0><A N=x V=0></A></C>";
    return text + "</B></U>";
}

TEST(LargeMerge, FragmentRestatingEveryControl) {
    CKORU_Parser parser;
    ASSERT_EQ(1, Parse(parser, Document()));
    ASSERT_EQ(2 * kControls + 1, parser.GetMainList()->GetCount());

    // Restated in reverse order, each with a matched A, a new A and an event
    // node; two new controls in between.
    std::string fragment = "<U><B>";
    for (int i = kControls - 1; i >= 0; --i) {
        fragment += "<C N=" + Name(i) + " V=1><A N=x V=1></A><A N=y></A><E T=" + std::to_string(i) + "><M></M></E></C>";
        if (i == kControls / 2) fragment += "<C N=new1><A N=z></A></C>";
    }
    fragment += "<C N=new2></C></B></U>";
    ASSERT_EQ(1, Parse(parser, fragment, 1));

    Lines expected;
    expected.reserve(5 * kControls + 4);
    for (int i = 0; i < kControls; ++i) {
        expected.insert(expected.end(), {"A 4 N=x", "A 4 N=y", "M 5", "E 4", "C 3 N=" + Name(i)});
    }
    expected.insert(expected.end(), {"A 4 N=z", "C 3 N=new1", "C 3 N=new2", "B 2"});
    EXPECT_EQ(expected, MainLines(parser));

    int checked = 0;
    for (CKORU_ItemNode* node : *parser.GetMainList()) {
        if (node->m_TagName == "C" && node->m_AttrTable.GetCount() == 3) {
            if (Attr(node, "V") != "1") ADD_FAILURE() << RenderNode(node) << " V=" << Attr(node, "V");
            ++checked;
        }
        if (RenderNode(node) == "A 4 N=x" && Attr(node, "V") != "1") ADD_FAILURE() << "A x not rebuilt";
    }
    EXPECT_EQ(kControls, checked);
    EXPECT_EQ(CString("7"), parser.GetValue(CString("T"), At(parser.GetMainList(), 5 * 7 + 3)));
}

TEST(LargeMerge, UpdateTextOfManyBatches) {
    CKORU_Parser parser;
    ASSERT_EQ(1, Parse(parser, Document()));
    std::string text;
    for (int i = 0; i < kControls; ++i) text += "<C N=" + Name(i) + " V=2><A N=x V=2></A></C>";
    text += "<C N=extra></C>";
    OwnedList result = Own(parser, parser.UpdateParser(nullptr, CString(text.c_str()), 1));
    ASSERT_NE(nullptr, result);
    ASSERT_EQ(kControls + 1, result->GetCount());

    Lines expected;
    for (int i = 0; i < kControls; ++i) expected.insert(expected.end(), {"A 4 N=x", "C 3 N=" + Name(i)});
    expected.insert(expected.end(), {"C 3 N=extra", "B 2"});
    EXPECT_EQ(expected, MainLines(parser));

    // The result is the document's controls, in batch order.
    Lines resultLines = Render(result.get());
    Lines controls;
    for (int i = 0; i < kControls; ++i) controls.push_back("C 3 N=" + Name(i));
    controls.push_back("C 3 N=extra");
    EXPECT_EQ(controls, resultLines);
    for (CKORU_ItemNode* node : *result) {
        if (node->m_TagName != "C" || Attr(node, "N") == "extra") continue;
        if (Table(node->m_NewValueTable) != Lines{"N=" + Attr(node, "N"), "V=2"}) {
            ADD_FAILURE() << RenderNode(node);
            break;
        }
    }
    EXPECT_EQ(CString("2"), parser.GetValue(CString("V"), At(parser.GetMainList(), 0)));
}

TEST(LargeMerge, ManyBatchesInsideOneOpenBody) {
    CKORU_Parser parser;
    ASSERT_EQ(1, Parse(parser, "<U><B></B></U>"));
    std::string text = "<B>";
    for (int i = 0; i < kControls; ++i) text += "<C N=" + Name(i) + "></C>";
    text += "</B>";
    OwnedList result = Own(parser, parser.UpdateParser(nullptr, CString(text.c_str()), 0));
    ASSERT_NE(nullptr, result);
    EXPECT_EQ(kControls + 1, result->GetCount());
    Lines expected;
    for (int i = 0; i < kControls; ++i) expected.push_back("C 4 N=" + Name(i));
    expected.push_back("B 2");
    EXPECT_EQ(expected, MainLines(parser));
}

}  // namespace
