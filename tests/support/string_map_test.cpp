// CMapStringToString: insertion order, replacement in place, exact keys, walking and size.
#include <koru/koru.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using Pairs = std::vector<std::pair<std::string, std::string>>;

// Every pair visited by GetStartPosition/GetNextAssoc, in visiting order.
Pairs Walk(const CMapStringToString& map) {
    Pairs out;
    POSITION pos = map.GetStartPosition();
    while (pos) {
        CString key, value;
        map.GetNextAssoc(pos, key, value);
        out.emplace_back(std::string(key.GetString(), static_cast<size_t>(key.GetLength())),
                         std::string(value.GetString(), static_cast<size_t>(value.GetLength())));
    }
    return out;
}

std::string Key(int i) { return "key" + std::to_string(i); }

TEST(StringMapTest, IteratesInTheOrderKeysWereFirstSet) {
    CMapStringToString map;
    map.SetAt("zeta", "1");
    map.SetAt("alpha", "2");
    map.SetAt("mid", "3");
    map.SetAt("alpha", "replaced");
    EXPECT_EQ(map.GetCount(), 3);
    EXPECT_EQ(Walk(map), (Pairs{{"zeta", "1"}, {"alpha", "replaced"}, {"mid", "3"}}));
}

TEST(StringMapTest, KeysAreCaseSensitiveAndExact) {
    CMapStringToString map;
    map.SetAt("n", "lower");
    map.SetAt("N", "upper");
    map.SetAt("", "empty key");
    map.SetAt(CString("a\0b", 3), "zero b");
    map.SetAt(CString("a\0c", 3), "zero c");
    EXPECT_EQ(map.GetCount(), 5);

    CString value;
    ASSERT_EQ(map.Lookup("n", value), 1);
    EXPECT_EQ(value, "lower");
    ASSERT_EQ(map.Lookup(CString("N"), value), 1);
    EXPECT_EQ(value, "upper");
    ASSERT_EQ(map.Lookup("", value), 1);
    EXPECT_EQ(value, "empty key");
    ASSERT_EQ(map.Lookup(CString("a\0c", 3), value), 1);
    EXPECT_EQ(value, "zero c");
    EXPECT_EQ(map.Lookup("a", value), 0) << "a key with an embedded zero is not its prefix";
}

TEST(StringMapTest, LookupOfAnAbsentKeyLeavesTheValue) {
    CMapStringToString map;
    CString value("untouched");
    EXPECT_EQ(map.Lookup("x", value), 0);
    map.SetAt("x", "1");
    EXPECT_EQ(map.Lookup("X", value), 0);
    EXPECT_EQ(map.Lookup(static_cast<const char*>(nullptr), value), 0);
    EXPECT_EQ(value, "untouched");
    EXPECT_EQ(map.Lookup("x", value), 1);
    EXPECT_EQ(value, "1");
}

TEST(StringMapTest, SubscriptAddsAtTheEndOrReturnsThePresentValue) {
    CMapStringToString map;
    map.SetAt("a", "1");
    map["b"] = "2";
    EXPECT_TRUE(map["c"].IsEmpty());
    map["a"] = "one";
    EXPECT_EQ(Walk(map), (Pairs{{"a", "one"}, {"b", "2"}, {"c", ""}}));
    map["a"] += "!";
    CString value;
    map.Lookup("a", value);
    EXPECT_EQ(value, "one!");
}

TEST(StringMapTest, WalkVisitsEveryPairOnceAndStaleOrNullPositionsAreHarmless) {
    CMapStringToString map;
    EXPECT_TRUE(map.IsEmpty());
    EXPECT_EQ(map.GetStartPosition(), nullptr);

    for (int i = 0; i < 5; ++i) map.SetAt(Key(i).c_str(), std::to_string(i).c_str());
    Pairs pairs = Walk(map);
    ASSERT_EQ(pairs.size(), 5u);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(pairs[static_cast<size_t>(i)].first, Key(i));

    POSITION pos = nullptr;
    CString key("k"), value("v");
    map.GetNextAssoc(pos, key, value);
    EXPECT_EQ(pos, nullptr);
    EXPECT_EQ(key, "k");
    EXPECT_EQ(value, "v");

    // A position kept across RemoveAll reads nothing.
    pos = map.GetStartPosition();
    map.RemoveAll();
    map.GetNextAssoc(pos, key, value);
    EXPECT_EQ(pos, nullptr);
    EXPECT_EQ(key, "k");

    // Indexed access outside the pairs, empty map included, reads the empty string.
    EXPECT_EQ(map.KeyAt(0), "");
    map.SetAt("a", "1");
    for (int i : {-1, 1, 1 << 30}) EXPECT_TRUE(map.KeyAt(i).IsEmpty() && map.ValueAt(i).IsEmpty()) << i;
    EXPECT_EQ(map.ValueAt(0), "1");
}

TEST(StringMapTest, RemoveAllThenReuse) {
    CMapStringToString map;
    for (int i = 0; i < 20; ++i) map.SetAt(Key(i).c_str(), "x");
    map.RemoveAll();
    EXPECT_TRUE(map.IsEmpty());
    EXPECT_EQ(map.GetCount(), 0);
    CString value;
    EXPECT_EQ(map.Lookup(Key(3).c_str(), value), 0);

    for (int i = 19; i >= 0; --i) map.SetAt(Key(i).c_str(), std::to_string(i).c_str());
    EXPECT_EQ(map.GetCount(), 20);
    Pairs pairs = Walk(map);
    EXPECT_EQ(pairs.front().first, Key(19));
    EXPECT_EQ(pairs.back().first, Key(0));
    ASSERT_EQ(map.Lookup(Key(7).c_str(), value), 1);
    EXPECT_EQ(value, "7");
}

TEST(StringMapTest, MoreThanEightKeysStayCorrect) {
    // Crosses from the small map to the indexed one and grows the index.
    for (int size : {8, 9, 10, 17, 33, 100}) {
        CMapStringToString map;
        for (int i = 0; i < size; ++i) map.SetAt(Key(i).c_str(), std::to_string(i).c_str());
        for (int i = 0; i < size; i += 3) map.SetAt(Key(i).c_str(), "re");
        ASSERT_EQ(map.GetCount(), size);
        Pairs pairs = Walk(map);
        ASSERT_EQ(pairs.size(), static_cast<size_t>(size));
        for (int i = 0; i < size; ++i) {
            const std::string expected = i % 3 == 0 ? "re" : std::to_string(i);
            EXPECT_EQ(pairs[static_cast<size_t>(i)], std::make_pair(Key(i), expected)) << "size " << size;
            CString value;
            ASSERT_EQ(map.Lookup(Key(i).c_str(), value), 1) << Key(i);
            EXPECT_EQ(value, expected.c_str());
        }
        CString value;
        EXPECT_EQ(map.Lookup(Key(size).c_str(), value), 0);
        EXPECT_EQ(map.Lookup("KEY1", value), 0);
    }
}

TEST(StringMapTest, HundredThousandKeys) {
    const int n = 100000;
    CMapStringToString map;
    for (int i = 0; i < n; ++i) map.SetAt(Key(i).c_str(), std::to_string(i).c_str());
    for (int i = 0; i < n; i += 1000) map[CString(Key(i).c_str())] = "changed";
    ASSERT_EQ(map.GetCount(), n);

    int found = 0;
    for (int i = 0; i < n; ++i) {
        CString value;
        if (map.Lookup(Key(i).c_str(), value) &&
            value == (i % 1000 == 0 ? std::string("changed") : std::to_string(i)).c_str())
            ++found;
    }
    EXPECT_EQ(found, n);

    int absent = 0;
    for (int i = n; i < n + 1000; ++i) {
        CString value;
        absent += map.Lookup(Key(i).c_str(), value) == 0;
    }
    EXPECT_EQ(absent, 1000);

    Pairs pairs = Walk(map);
    ASSERT_EQ(pairs.size(), static_cast<size_t>(n));
    int inOrder = 0;
    for (int i = 0; i < n; ++i) inOrder += pairs[static_cast<size_t>(i)].first == Key(i);
    EXPECT_EQ(inOrder, n);
}

TEST(StringMapTest, CopiesAreIndependentAndConstReadable) {
    CMapStringToString original;
    for (int i = 0; i < 12; ++i) original.SetAt(Key(i).c_str(), "o");
    CMapStringToString copy(original);
    copy.SetAt(Key(1).c_str(), "c");
    copy.SetAt("new", "c");

    const CMapStringToString& view = original;
    CString value;
    ASSERT_EQ(view.Lookup(Key(1).c_str(), value), 1);
    EXPECT_EQ(value, "o");
    EXPECT_EQ(view.Lookup("new", value), 0);
    EXPECT_EQ(view.GetCount(), 12);
    EXPECT_FALSE(view.IsEmpty());

    ASSERT_EQ(copy.Lookup(Key(1).c_str(), value), 1);
    EXPECT_EQ(value, "c");
    ASSERT_EQ(copy.Lookup(Key(11).c_str(), value), 1);
    EXPECT_EQ(copy.GetCount(), 13);
}

}  // namespace
