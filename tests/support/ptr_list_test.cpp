// CPtrList and CTypedPtrList: stable positions, insertion and removal at every place,
// searching, walking, ownership and large lists.
#include <koru/koru.h>

#include <gtest/gtest.h>

#include <vector>

namespace {

using IntList = CTypedPtrList<CPtrList, int*>;

// The elements of a list from head to tail, as values.
std::vector<int> Values(const IntList& list) {
    std::vector<int> out;
    for (int* p : list) out.push_back(*p);
    return out;
}

// The elements from tail to head, walked with GetPrev.
std::vector<int> ValuesBackwards(const IntList& list) {
    std::vector<int> out;
    POSITION pos = list.GetTailPosition();
    while (pos) out.push_back(*list.GetPrev(pos));
    return out;
}

class PtrListTest : public ::testing::Test {
protected:
    int v[10] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
};

TEST_F(PtrListTest, EmptyListGivesNullEverywhere) {
    IntList list;
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_EQ(list.GetCount(), 0);
    EXPECT_EQ(list.GetHead(), nullptr);
    EXPECT_EQ(list.GetTail(), nullptr);
    EXPECT_EQ(list.GetHeadPosition(), nullptr);
    EXPECT_EQ(list.GetTailPosition(), nullptr);
    EXPECT_EQ(list.RemoveHead(), nullptr);
    EXPECT_EQ(list.RemoveTail(), nullptr);
    EXPECT_EQ(list.Find(&v[0]), nullptr);
    list.RemoveAt(nullptr);
    list.RemoveAll();
    EXPECT_EQ(list.GetCount(), 0);
    POSITION pos = nullptr;
    EXPECT_EQ(list.GetNext(pos), nullptr);
    EXPECT_EQ(list.GetPrev(pos), nullptr);
    EXPECT_EQ(list.GetAt(nullptr), nullptr);
    EXPECT_TRUE(Values(list).empty());
}

TEST_F(PtrListTest, AddHeadAndTailKeepOrder) {
    IntList list;
    list.AddTail(&v[2]);
    list.AddHead(&v[1]);
    list.AddTail(&v[3]);
    list.AddHead(&v[0]);
    EXPECT_EQ(list.GetCount(), 4);
    EXPECT_EQ(Values(list), (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(ValuesBackwards(list), (std::vector<int>{3, 2, 1, 0}));
    EXPECT_EQ(list.GetHead(), &v[0]);
    EXPECT_EQ(list.GetTail(), &v[3]);
}

TEST_F(PtrListTest, InsertBeforeAndAfterAtHeadTailAndNull) {
    IntList list;
    POSITION p5 = list.AddTail(&v[5]);
    POSITION p4 = list.InsertBefore(p5, &v[4]);  // before the head: new head
    EXPECT_EQ(list.GetHeadPosition(), p4);
    POSITION p6 = list.InsertAfter(p5, &v[6]);  // after the tail: new tail
    EXPECT_EQ(list.GetTailPosition(), p6);
    list.InsertBefore(nullptr, &v[1]);  // null: at the head
    list.InsertAfter(nullptr, &v[9]);   // null: at the tail
    list.InsertAfter(p4, &v[2]);        // in the middle
    list.InsertBefore(p6, &v[3]);
    EXPECT_EQ(Values(list), (std::vector<int>{1, 4, 2, 5, 3, 6, 9}));
    EXPECT_EQ(ValuesBackwards(list), (std::vector<int>{9, 6, 3, 5, 2, 4, 1}));
    EXPECT_EQ(list.GetCount(), 7);

    IntList empty1, empty2;
    empty1.InsertBefore(nullptr, &v[0]);
    empty2.InsertAfter(nullptr, &v[0]);
    EXPECT_EQ(Values(empty1), std::vector<int>{0});
    EXPECT_EQ(Values(empty2), std::vector<int>{0});
    EXPECT_EQ(empty1.GetHeadPosition(), empty1.GetTailPosition());
}

TEST_F(PtrListTest, PositionsStayValidWhileOthersComeAndGo) {
    IntList list;
    POSITION pos[5];
    for (int i = 0; i < 5; ++i) pos[i] = list.AddTail(&v[i]);

    list.RemoveAt(pos[1]);
    list.RemoveAt(pos[3]);
    POSITION added = list.InsertAfter(pos[0], &v[7]);  // reuses a freed element
    list.AddHead(&v[8]);
    list.InsertBefore(pos[4], &v[9]);

    EXPECT_EQ(list.GetAt(pos[0]), &v[0]);
    EXPECT_EQ(list.GetAt(pos[2]), &v[2]);
    EXPECT_EQ(list.GetAt(pos[4]), &v[4]);
    EXPECT_EQ(list.GetAt(added), &v[7]);
    EXPECT_EQ(Values(list), (std::vector<int>{8, 0, 7, 2, 9, 4}));

    POSITION walk = pos[2];
    EXPECT_EQ(list.GetNext(walk), &v[2]);
    EXPECT_EQ(list.GetAt(walk), &v[9]);
    walk = pos[2];
    EXPECT_EQ(list.GetPrev(walk), &v[2]);
    EXPECT_EQ(list.GetAt(walk), &v[7]);
}

TEST_F(PtrListTest, RemoveAtHeadMiddleTailAndRemoveHeadTail) {
    IntList list;
    POSITION pos[5];
    for (int i = 0; i < 5; ++i) pos[i] = list.AddTail(&v[i]);
    list.RemoveAt(pos[0]);
    EXPECT_EQ(list.GetHead(), &v[1]);
    list.RemoveAt(pos[4]);
    EXPECT_EQ(list.GetTail(), &v[3]);
    list.RemoveAt(pos[2]);
    EXPECT_EQ(Values(list), (std::vector<int>{1, 3}));
    EXPECT_EQ(ValuesBackwards(list), (std::vector<int>{3, 1}));
    list.RemoveAt(nullptr);
    EXPECT_EQ(list.GetCount(), 2);

    EXPECT_EQ(list.RemoveTail(), &v[3]);
    EXPECT_EQ(list.RemoveHead(), &v[1]);
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_EQ(list.GetHeadPosition(), nullptr);
    EXPECT_EQ(list.GetTailPosition(), nullptr);
    EXPECT_EQ(list.RemoveHead(), nullptr);
    EXPECT_EQ(list.RemoveTail(), nullptr);

    // The list is usable again after it ran empty element by element.
    POSITION a = list.AddTail(&v[5]);
    list.InsertAfter(a, &v[6]);
    list.InsertBefore(a, &v[4]);
    EXPECT_EQ(Values(list), (std::vector<int>{4, 5, 6}));
}

TEST_F(PtrListTest, FindFromHeadAndAfterAPosition) {
    IntList list;
    POSITION first = list.AddTail(&v[1]);
    list.AddTail(&v[2]);
    POSITION second = list.AddTail(&v[1]);
    POSITION last = list.AddTail(&v[3]);

    EXPECT_EQ(list.Find(&v[1]), first);
    EXPECT_EQ(list.Find(&v[1], first), second);
    EXPECT_EQ(list.Find(&v[1], second), nullptr);
    EXPECT_EQ(list.Find(&v[3], last), nullptr);
    EXPECT_EQ(list.Find(&v[3], first), last);
    EXPECT_EQ(list.Find(&v[9]), nullptr);
    EXPECT_EQ(list.Find(nullptr), nullptr);

    POSITION null_element = list.AddTail(nullptr);
    EXPECT_EQ(list.Find(nullptr), null_element);
}

TEST_F(PtrListTest, GetNextAndGetPrevRunToNull) {
    IntList list;
    for (int i = 0; i < 3; ++i) list.AddTail(&v[i]);
    POSITION pos = list.GetHeadPosition();
    EXPECT_EQ(list.GetNext(pos), &v[0]);
    EXPECT_EQ(list.GetNext(pos), &v[1]);
    EXPECT_EQ(list.GetNext(pos), &v[2]);
    EXPECT_EQ(pos, nullptr);
    EXPECT_EQ(list.GetNext(pos), nullptr);

    pos = list.GetTailPosition();
    EXPECT_EQ(list.GetPrev(pos), &v[2]);
    EXPECT_EQ(list.GetPrev(pos), &v[1]);
    EXPECT_EQ(list.GetPrev(pos), &v[0]);
    EXPECT_EQ(pos, nullptr);
}

TEST_F(PtrListTest, RangeForOverAConstListAndSetAt) {
    IntList list;
    POSITION mid = nullptr;
    for (int i = 0; i < 4; ++i) {
        POSITION p = list.AddTail(&v[i]);
        if (i == 2) mid = p;
    }
    list.SetAt(mid, &v[7]);
    const IntList& view = list;
    std::vector<int> seen;
    for (int* p : view) seen.push_back(*p);
    EXPECT_EQ(seen, (std::vector<int>{0, 1, 7, 3}));

    // Host code walks a const node list through a pointer.
    CTypedPtrList<CPtrList, CKORU_ItemNode*> nodes;
    CKORU_ItemNode a(CString("<A>")), b(CString("<B>"));
    nodes.AddTail(&a);
    nodes.AddTail(&b);
    const CTypedPtrList<CPtrList, CKORU_ItemNode*>* host = &nodes;
    std::vector<const CKORU_ItemNode*> walked;
    for (CKORU_ItemNode* n : *host) walked.push_back(n);
    ASSERT_EQ(walked.size(), 2u);
    EXPECT_EQ(walked[0], &a);
    EXPECT_EQ(walked[1], &b);
    EXPECT_EQ(host->GetCount(), 2);
    EXPECT_EQ(host->Find(&b), host->GetTailPosition());
}

// Counts its destructions so that the test sees whether a list freed it.
struct Tracked {
    static int destroyed;
    ~Tracked() { ++destroyed; }
};
int Tracked::destroyed = 0;

TEST(PtrListOwnershipTest, RemovingNeverFreesThePointees) {
    Tracked::destroyed = 0;
    std::vector<Tracked*> objects;
    for (int i = 0; i < 6; ++i) objects.push_back(new Tracked);
    {
        CTypedPtrList<CPtrList, Tracked*> list;
        for (Tracked* t : objects) list.AddTail(t);
        list.RemoveAt(list.GetHeadPosition());
        EXPECT_EQ(list.RemoveHead(), objects[1]);
        EXPECT_EQ(list.RemoveTail(), objects[5]);
        list.RemoveAll();
        for (Tracked* t : objects) list.AddTail(t);
    }  // the destructor leaves the pointees too
    EXPECT_EQ(Tracked::destroyed, 0);
    for (Tracked* t : objects) delete t;
    EXPECT_EQ(Tracked::destroyed, 6);
}

TEST(PtrListLargeTest, HundredThousandElementsAndReuseAfterRemoveAll) {
    const int n = 100000;
    std::vector<int> values(n);
    for (int i = 0; i < n; ++i) values[static_cast<size_t>(i)] = i;

    for (int blockSize : {1, 10, 0, -3}) {
        CTypedPtrList<CPtrList, int*> list(blockSize);
        std::vector<POSITION> positions;
        positions.reserve(static_cast<size_t>(n));
        for (int& x : values) positions.push_back(list.AddTail(&x));
        ASSERT_EQ(list.GetCount(), n);

        // Remove every odd element by its position; the even ones stay in order.
        for (int i = 1; i < n; i += 2) list.RemoveAt(positions[static_cast<size_t>(i)]);
        ASSERT_EQ(list.GetCount(), n / 2);
        int expected = 0;
        bool ordered = true;
        for (int* p : list) {
            ordered = ordered && *p == expected;
            expected += 2;
        }
        EXPECT_TRUE(ordered);
        EXPECT_EQ(expected, n);
        EXPECT_EQ(list.GetAt(positions[static_cast<size_t>(n - 2)]), &values[static_cast<size_t>(n - 2)]);

        list.RemoveAll();
        EXPECT_TRUE(list.IsEmpty());
        EXPECT_EQ(list.GetHeadPosition(), nullptr);

        for (int i = n - 1; i >= 0; --i) list.AddHead(&values[static_cast<size_t>(i)]);
        ASSERT_EQ(list.GetCount(), n);
        POSITION pos = list.GetTailPosition();
        int back = n - 1;
        bool reversed = true;
        while (pos) reversed = reversed && *list.GetPrev(pos) == back--;
        EXPECT_TRUE(reversed);
        EXPECT_EQ(back, -1);
        EXPECT_EQ(list.Find(&values[static_cast<size_t>(n - 1)]), list.GetTailPosition());
    }
}

}  // namespace
