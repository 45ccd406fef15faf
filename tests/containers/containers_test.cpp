// Array and Map: positions, ordering, absence and ownership.
#include "containers/containers.h"

#include <gtest/gtest.h>

#include <stdexcept>

using BRAVIK_LUMENVAT::Array;
using BRAVIK_LUMENVAT::Map;

TEST(Array, KeepsInsertionOrderAndChecksIndices)
{
    Array<int> a;
    a.add(3);
    a.add(1);
    a.add(2);
    EXPECT_EQ(a.size(), 3u);
    EXPECT_EQ(a.getNodeCount(), 3u);
    EXPECT_EQ(a.getFirst(), 3);
    EXPECT_EQ(a.getLast(), 2);
    EXPECT_EQ(a.get(1), 1);
    EXPECT_THROW(a.get(3), std::out_of_range);
}

TEST(Array, SwapsAndSetsInPlace)
{
    Array<std::string> a;
    a.add("x");
    a.add("y");
    a.swap(0, 1);
    EXPECT_EQ(a.get(0), "y");
    EXPECT_EQ(a.get(1), "x");
    a.set(1, "z");
    EXPECT_EQ(a.get(1), "z");
}

TEST(Array, FindsTheFirstOfEqualValues)
{
    int x = 0, y = 0;
    Array<int*> a;
    a.add(&x);
    a.add(&y);
    a.add(&x);
    EXPECT_EQ(a.getIndex(&x), 0u);
    EXPECT_EQ(a.getIndex(&y), 1u);
    int z = 0;
    EXPECT_EQ(a.getIndex(&z), 0xFFFFFFFFu);
}

TEST(Array, RemoveTakesOutTheFirstMatchOnly)
{
    int x = 0, y = 0, z = 0;
    Array<int*> a;
    a.add(&x);
    a.add(&y);
    a.add(&x);
    EXPECT_EQ(a.remove(&z), nullptr);
    EXPECT_EQ(a.size(), 3u);
    a.remove(&x);
    ASSERT_EQ(a.size(), 2u);
    EXPECT_EQ(a.get(0), &y);
    EXPECT_EQ(a.get(1), &x);
}

TEST(Array, ClearLeavesPointeesAlive)
{
    int* value = new int(42);
    Array<int*> a;
    a.add(value);
    a.clear();
    EXPECT_EQ(a.size(), 0u);
    EXPECT_EQ(*value, 42);
    delete value;
}

TEST(Array, CopiesAreIndependent)
{
    Array<float> a;
    a.add(1.0f);
    Array<float> b(a);
    b.add(2.0f);
    a = a;
    EXPECT_EQ(a.size(), 1u);
    EXPECT_EQ(b.size(), 2u);
    a = b;
    EXPECT_EQ(a.size(), 2u);
}

TEST(Map, PositionsFollowKeyOrderNotInsertionOrder)
{
    int a = 1, b = 2;
    Map<int*> m;
    m.add("b", &b);
    m.add("a", &a);
    EXPECT_EQ(m.get(0), &a);
    EXPECT_EQ(m.getKey(0), "a");
    EXPECT_EQ(*m.getKeyPointer(1), "b");
    EXPECT_EQ(m.getIndex(&b), 1u);
}

TEST(Map, KeysCompareAsUnsignedBytes)
{
    Map<int> m;
    m.add("apple", 1);
    m.add("Zebra", 2);
    m.add("\xC3\xA9t\xC3\xA9", 3); // bytes above 127 sort after ASCII
    m.add("app", 4);               // a prefix sorts first
    EXPECT_EQ(m.getKey(0), "Zebra");
    EXPECT_EQ(m.getKey(1), "app");
    EXPECT_EQ(m.getKey(2), "apple");
    EXPECT_EQ(m.getKey(3), "\xC3\xA9t\xC3\xA9");
}

TEST(Map, AddingAKeyAgainOverwrites)
{
    Map<int> m;
    m.add("k", 1);
    m.assign("k", 2);
    EXPECT_EQ(m.size(), 1u);
    EXPECT_EQ(m.find("k"), 2);
}

TEST(Map, AbsenceIsNullOrFalse)
{
    Map<int*> m;
    EXPECT_EQ(m.get(0), nullptr);
    EXPECT_EQ(m.get(5), nullptr);
    EXPECT_EQ(m.find("missing"), nullptr);
    EXPECT_EQ(m.getByString("missing"), nullptr);
    EXPECT_FALSE(m.exists("missing"));
    int v = 0;
    m.add("here", &v);
    EXPECT_TRUE(m.exists("here"));
    EXPECT_EQ(m.getIndex(nullptr), 0xFFFFFFFFu);
}

TEST(Map, GetIndexFindsTheSmallerPositionOfADuplicateValue)
{
    int v = 0;
    Map<int*> m;
    m.add("z", &v);
    m.add("m", &v);
    EXPECT_EQ(m.getIndex(&v), 0u);
}

TEST(Map, AssignmentReplacesAllEntries)
{
    Map<int> a, b;
    a.add("x", 1);
    a.add("y", 2);
    b.add("z", 3);
    a = a;
    EXPECT_EQ(a.size(), 2u);
    a = b;
    EXPECT_EQ(a.size(), 1u);
    EXPECT_EQ(a.find("z"), 3);
    EXPECT_FALSE(a.exists("x"));
}
