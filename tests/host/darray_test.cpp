#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <vector>

#include "host/mdlutil.h"
#include "host/sim/base/base.h"

TEST(HostDArray, InsertsAppendsDeletesAndKeepsContents) {
    DArrayP a = mdlDArray_create(sizeof(int));
    ASSERT_NE(a, nullptr);
    for (int i = 0; i < 100; ++i) ASSERT_EQ(mdlDArray_insertMembers(a, -1, &i, 1), HOST_SUCCESS);
    int front[2] = {-2, -1};
    ASSERT_EQ(mdlDArray_insertMembers(a, 0, front, 2), HOST_SUCCESS);
    ASSERT_EQ(mdlDArray_insertMembers(a, 50, nullptr, 1), HOST_SUCCESS); /* zero-filled */
    EXPECT_EQ(mdlDArray_getCount(a), 103);
    EXPECT_EQ(*static_cast<int*>(mdlDArray_getMember(a, 0)), -2);
    EXPECT_EQ(*static_cast<int*>(mdlDArray_getMember(a, 50)), 0);
    EXPECT_EQ(*static_cast<int*>(mdlDArray_getMember(a, 51)), 48);
    EXPECT_EQ(*static_cast<int*>(mdlDArray_getMember(a, 102)), 99);
    EXPECT_EQ(mdlDArray_getMember(a, 103), nullptr);
    EXPECT_EQ(mdlDArray_getMember(a, -1), nullptr);
    EXPECT_EQ(mdlDArray_insertMembers(a, 104, &front, 1), HOST_ERROR);
    EXPECT_EQ(mdlDArray_deleteMembers(a, 100, 4), HOST_ERROR);
    ASSERT_EQ(mdlDArray_deleteMembers(a, 0, 3), HOST_SUCCESS);
    EXPECT_EQ(static_cast<int*>(mdlDArray_getData(a))[0], 1);
    mdlDArray_free(&a);
    EXPECT_EQ(a, nullptr);
    EXPECT_EQ(mdlDArray_create(0), nullptr);
}

TEST(HostDArray, RefusedMemoryLeavesTheArrayAsItWas) {
    DArrayP a = mdlDArray_create(160);
    char member[160] = {1};
    ASSERT_EQ(mdlDArray_insertMembers(a, -1, member, 1), HOST_SUCCESS);
    sim::failAllocations(1);
    std::vector<char> many(160 * 100, 7);
    EXPECT_EQ(mdlDArray_insertMembers(a, -1, many.data(), 100), HOST_ERROR);
    sim::failAllocations(0);
    EXPECT_EQ(mdlDArray_getCount(a), 1);
    EXPECT_EQ(static_cast<char*>(mdlDArray_getMember(a, 0))[0], 1);
    mdlDArray_free(&a);
}

namespace {
struct Item {
    int key;
    int order;
};
int byKey(const void* a, const void* b) { return static_cast<const Item*>(a)->key - static_cast<const Item*>(b)->key; }
int randomAnswer(const void*, const void*) { return std::rand() % 3 - 1; }
}  // namespace

TEST(HostSort, SortsStablyAndSurvivesInconsistentComparisons) {
    std::mt19937 rng(7);
    std::vector<Item> items(1001);
    for (int i = 0; i < 1001; ++i) items[i] = {static_cast<int>(rng() % 50), i};
    mdlUtil_quickSort(items.data(), static_cast<int>(items.size()), sizeof(Item), byKey);
    for (size_t i = 1; i < items.size(); ++i) {
        ASSERT_LE(items[i - 1].key, items[i].key);
        if (items[i - 1].key == items[i].key) {
            ASSERT_LT(items[i - 1].order, items[i].order);
        }
    }
    /* A comparison that answers at random still yields a permutation of the members. */
    std::vector<Item> copy = items;
    mdlUtil_quickSort(items.data(), static_cast<int>(items.size()), sizeof(Item), randomAnswer);
    auto byOrder = [](const Item& a, const Item& b) { return a.order < b.order; };
    std::sort(items.begin(), items.end(), byOrder);
    std::sort(copy.begin(), copy.end(), byOrder);
    for (size_t i = 0; i < items.size(); ++i) ASSERT_EQ(items[i].order, copy[i].order);
    mdlUtil_quickSort(nullptr, 5, sizeof(Item), byKey); /* ignored */
}
