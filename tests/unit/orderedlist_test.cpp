#include "core/orderedlist.h"

#include <vector>

#include <gtest/gtest.h>

namespace {
struct Base {
    virtual ~Base() = default;
};
struct Derived : Base {};
}  // namespace

TEST(OrderedList, PrependPutsInFront)
{
    std::vector<int> l{2, 3};
    prepend(l, 1);
    EXPECT_EQ(l, (std::vector<int>{1, 2, 3}));
}

TEST(OrderedList, RemoveFirstTakesOnlyTheFirstOccurrence)
{
    std::vector<int> l{1, 2, 1, 3};
    removeFirst(l, 1);
    EXPECT_EQ(l, (std::vector<int>{2, 1, 3}));
    removeFirst(l, 9);  // absent: no change
    EXPECT_EQ(l, (std::vector<int>{2, 1, 3}));
}

TEST(OrderedList, DerivedPointersWorkOnBaseLists)
{
    Derived d;
    Base b;
    std::vector<Base*> l{&b};
    prepend(l, &d);
    EXPECT_EQ(l, (std::vector<Base*>{&d, &b}));
    removeFirst(l, &d);
    EXPECT_EQ(l, (std::vector<Base*>{&b}));
}
