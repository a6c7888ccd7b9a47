// Helpers of the merge tests: the document and its new-value tables in one
// string, the nodes an update returns as places in the main list, and
// repeated text for the moderate-size rows.
#ifndef KORU_TESTS_MERGE_MERGE_TEST_H
#define KORU_TESTS_MERGE_MERGE_TEST_H

#include "common/koru_test.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace koru_test {

// Compares `expected` with the main list written on one line ("<U>..."), or as
// shapes when `expected` does not start with '<', followed by " |" and every
// filled new-value table as " SHAPE{K=v ...}".
inline void ExpectState(const CKORU_Parser& parser, const std::string& expected) {
    std::string out = expected[0] == '<' ? Written(parser) : MainShape(parser), nv;
    if (parser.GetMainList())
        for (CKORU_ItemNode* node : *parser.GetMainList())
            if (!node->m_NewValueTable.IsEmpty()) nv += " " + Shape(node) + "{" + Table(node->m_NewValueTable) + "}";
    EXPECT_EQ(expected, out + (nv.empty() ? "" : " |" + nv));
}

// The place of each node of `list` in the main list ("?" when not in it): "0 2"; "null" for a null list.
inline std::string Places(const CKORU_Parser& parser, const NodeList* list) {
    if (!list) return "null";
    std::string out;
    const NodeList& main = *parser.GetMainList();
    for (CKORU_ItemNode* node : *list) {
        long at = std::distance(main.begin(), std::find(main.begin(), main.end(), node));
        out += (out.empty() ? "" : " ") + (at < main.GetCount() ? std::to_string(at) : "?");
    }
    return out;
}

// Sets the new-value flag: an empty update text is refused but stores it.
inline void SetNewValueFlag(CKORU_Parser& p, int flag) { EXPECT_EQ(nullptr, p.UpdateParser(nullptr, "", flag)); }

// A body holding `content`, in the frame.
inline std::string W(const std::string& content) { return "<U><B>" + content + "</B></U>"; }

// `pattern` for each i from `from` to `to` (either way), '%' replaced by i.
inline std::string Seq(int from, int to, const std::string& pattern) {
    std::string out;
    for (int i = from;; i += from <= to ? 1 : -1) {
        for (char c : pattern) out += c == '%' ? std::to_string(i) : std::string(1, c);
        if (i == to) return out;
    }
}

}  // namespace koru_test

#endif
