// CStringList: block-wise growth, insertion and removal keep order.
#include "framework/string_list.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

static std::vector<std::string> Items(const CStringList& list)
{
    std::vector<std::string> v;
    for (const CString& s : list)
        v.push_back(s.str());
    return v;
}

TEST(CStringList, StorageGrowsInWholeBlocks)
{
    CStringList list(10);
    EXPECT_EQ(list.GetCapacity(), 0);
    list.AddTail("a");
    EXPECT_EQ(list.GetCapacity(), 10);
    for (int i = 1; i < 10; ++i)
        list.AddTail("x");
    EXPECT_EQ(list.GetCapacity(), 10);
    list.AddHead("b");
    EXPECT_EQ(list.GetCount(), 11);
    EXPECT_EQ(list.GetCapacity(), 20);
    EXPECT_EQ(list.GetHead(), "b");
    EXPECT_EQ(list.GetAt(1), "a");
}

TEST(CStringList, InsertAndRemoveKeepOrder)
{
    CStringList list(3);
    list.AddTail("b");
    list.AddHead("a");
    list.AddTail("d");
    list.InsertAt(2, "c");
    list.InsertAt(4, "e");
    EXPECT_EQ(Items(list), (std::vector<std::string>{"a", "b", "c", "d", "e"}));
    list.RemoveAt(0);
    list.RemoveAt(3);
    EXPECT_EQ(Items(list), (std::vector<std::string>{"b", "c", "d"}));
    EXPECT_EQ(list.GetTail(), "d");
    EXPECT_EQ(list.Find("c"), 1);
    EXPECT_EQ(list.Find("z"), -1);
    list.RemoveAll();
    EXPECT_TRUE(list.IsEmpty());
}

TEST(CStringList, InsertingAnElementOfTheSameListWhileGrowingCopiesIt)
{
    CStringList list(1);
    list.AddTail("first");
    list.AddTail(list.GetHead()); // the argument lives in storage that is about to move
    EXPECT_EQ(Items(list), (std::vector<std::string>{"first", "first"}));
}

TEST(CStringList, IndexOutsideTheListThrows)
{
    CStringList list;
    EXPECT_THROW(list.GetHead(), std::out_of_range);
    EXPECT_THROW(list.RemoveAt(0), std::out_of_range);
    EXPECT_THROW(list.InsertAt(1, "x"), std::out_of_range);
    list.AddTail("x");
    EXPECT_THROW(list.GetAt(1), std::out_of_range);
    EXPECT_THROW(list.GetAt(-1), std::out_of_range);
}
