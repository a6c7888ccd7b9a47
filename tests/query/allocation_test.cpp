// Queries that find nothing allocate nothing; counted through the global
// allocation functions of this test program.
#include "query/doc_helpers.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<long> g_allocations{0};
}

void* operator new(std::size_t size) {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

using namespace koru_test;

namespace {

TEST(QueryAllocation, QueriesThatFindNothingAllocateNothing) {
    CKORU_Parser parser;
    ASSERT_EQ(1, Parse(parser, "<U><B><C N=a><A N=x></A></C><C N=b></C></B></U>"));
    CKORU_ItemNode* ctrlA = At(parser.GetMainList(), 1);
    CKORU_ItemNode* body = At(parser.GetMainList(), 3);
    const CString tagZ("Z"), tagC("C"), none("none");
    const long before = g_allocations.load();
    NodeList* r1 = parser.GetNodeList(nullptr, tagZ, nullptr);
    NodeList* r2 = parser.GetNodeList(nullptr, tagZ, body);
    NodeList* r3 = parser.GetNodeList(nullptr, static_cast<short>(7), nullptr);
    NodeList* r4 = parser.GetNodeList(nullptr, static_cast<short>(5), ctrlA);
    CKORU_ItemNode* n1 = parser.GetNode(nullptr, tagC, none);
    CKORU_ItemNode* n2 = parser.GetNode(nullptr, static_cast<short>(3), none);
    const long after = g_allocations.load();
    EXPECT_EQ(before, after);
    EXPECT_EQ(nullptr, r1);
    EXPECT_EQ(nullptr, r2);
    EXPECT_EQ(nullptr, r3);
    EXPECT_EQ(nullptr, r4);
    EXPECT_EQ(nullptr, n1);
    EXPECT_EQ(nullptr, n2);
}

TEST(QueryAllocation, AMatchAllocatesTheResultList) {
    CKORU_Parser parser;
    ASSERT_EQ(1, Parse(parser, "<U><B><C N=a></C></B></U>"));
    const CString tagC("C");
    const long before = g_allocations.load();
    NodeList* list = parser.GetNodeList(nullptr, tagC, nullptr);
    EXPECT_LT(before, g_allocations.load());
    ASSERT_NE(nullptr, list);
    parser.ReleaseNodeList(list);
}

}  // namespace
