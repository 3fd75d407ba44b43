#include "base/SlotList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <vector>

namespace tarn {
namespace {

std::vector<int> Indices(const SlotList<int>& list) {
    std::vector<int> indices;
    for (auto [index, item] : list) {
        indices.push_back(index);
    }
    return indices;
}

std::vector<int> Values(const SlotList<int>& list) {
    std::vector<int> values;
    for (auto [index, item] : list) {
        values.push_back(*item);
    }
    return values;
}

TEST(SlotList, IndicesAreStableAndReusedLowestFirst) {
    int a = 1, b = 2, c = 3, d = 4;
    SlotList<int> list;
    EXPECT_EQ(list.Add(&a), 0);
    EXPECT_EQ(list.Add(&b), 1);
    EXPECT_EQ(list.Add(&c), 2);
    EXPECT_EQ(list.Remove(1), &b);
    EXPECT_EQ(Indices(list), (std::vector<int>{0, 2}));
    EXPECT_EQ(list.Get(2), &c);
    EXPECT_EQ(list.Add(&d), 1);
    EXPECT_EQ(Indices(list), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(list.Count(), 3);
}

TEST(SlotList, PutFarBeyondCapacityDoublesUntilItFits) {
    int a = 1, b = 2;
    SlotList<int> list(256);
    EXPECT_EQ(list.Put(600, &a), nullptr);
    EXPECT_EQ(list.Capacity(), 1024);
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Highest(), 600);
    EXPECT_EQ(list.First(), 600);
    for (int i = 0; i < list.Capacity(); ++i) {
        if (i != 600) {
            ASSERT_EQ(list.Get(i), nullptr) << i;
        }
    }
    // Putting over an occupied slot hands the old item back.
    EXPECT_EQ(list.Put(600, &b), &a);
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Get(600), &b);
    // Indices that cannot be stored hand the new item back untouched.
    EXPECT_EQ(list.Put(-1, &a), &a);
    EXPECT_EQ(list.Put(SlotList<int>::kMaxIndex + 1, &a), &a);
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Capacity(), 1024);
}

TEST(SlotList, RemovingFreeOrOutOfRangeChangesNothing) {
    int a = 1;
    SlotList<int> list(4);
    list.Add(&a);
    EXPECT_EQ(list.Remove(1), nullptr);
    EXPECT_EQ(list.Remove(-1), nullptr);
    EXPECT_EQ(list.Remove(4), nullptr);
    EXPECT_EQ(list.Get(99), nullptr);
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(Indices(list), std::vector<int>{0});
}

TEST(SlotList, RemovalKeepsHighestAndRelinks) {
    int items[4] = {10, 11, 12, 13};
    SlotList<int> list;
    for (int& item : items) {
        list.Add(&item);
    }
    list.Remove(3);
    EXPECT_EQ(list.Highest(), 3);
    EXPECT_EQ(Indices(list), (std::vector<int>{0, 1, 2}));
    list.Remove(0);
    EXPECT_EQ(list.First(), 1);
    list.Remove(1);
    list.Remove(2);
    EXPECT_EQ(list.First(), -1);
    EXPECT_TRUE(list.Empty());
    EXPECT_EQ(Indices(list), std::vector<int>{});
}

TEST(SlotList, GrowsWhenFullAndResetFreesEverything) {
    std::vector<int> items(5);
    SlotList<int> list(0); // never below two slots
    EXPECT_EQ(list.Capacity(), 2);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(list.Add(&items[i]), i);
    }
    EXPECT_EQ(list.Capacity(), 8);
    list.Reset(3);
    EXPECT_EQ(list.Capacity(), 3);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Highest(), -1);
    EXPECT_EQ(list.First(), -1);
}

TEST(SlotList, SortOrdersItemsOverTheOccupiedSlots) {
    std::vector<int> values = {5, 3, 9, 1, 7, 3};
    SlotList<int> list;
    for (int& value : values) {
        list.Add(&value);
    }
    list.Remove(2);
    list.Sort([](const int* a, const int* b) { return *a - *b; });
    EXPECT_EQ(Indices(list), (std::vector<int>{0, 1, 3, 4, 5}));
    EXPECT_EQ(Values(list), (std::vector<int>{1, 3, 3, 5, 7}));
}

// Compares the list against a plain model under random operations: links,
// first, count and highest must always agree with a scan of the slots.
TEST(SlotList, RandomOperationsMatchAModel) {
    std::mt19937 random(7);
    std::vector<std::unique_ptr<int>> pool;
    SlotList<int> list(4);
    std::vector<int*> model(4, nullptr);
    int highest = -1;
    for (int step = 0; step < 5000; ++step) {
        const int operation = static_cast<int>(random() % 3);
        const int index = static_cast<int>(random() % 40);
        if (operation == 0) {
            pool.push_back(std::make_unique<int>(step));
            const int used = list.Add(pool.back().get());
            const auto free = std::find(model.begin(), model.end(), nullptr);
            const int expected = free != model.end() ? static_cast<int>(free - model.begin())
                                                     : static_cast<int>(model.size());
            ASSERT_EQ(used, expected);
            if (used >= static_cast<int>(model.size())) {
                model.resize(model.size() * 2, nullptr);
            }
            model[used] = pool.back().get();
            highest = std::max(highest, used);
        } else if (operation == 1) {
            pool.push_back(std::make_unique<int>(step));
            while (index >= static_cast<int>(model.size())) {
                model.resize(model.size() * 2, nullptr);
            }
            ASSERT_EQ(list.Put(index, pool.back().get()), model[index]);
            model[index] = pool.back().get();
            highest = std::max(highest, index);
        } else {
            int* expected = index < static_cast<int>(model.size()) ? model[index] : nullptr;
            ASSERT_EQ(list.Remove(index), expected);
            if (expected != nullptr) {
                model[index] = nullptr;
            }
        }
        ASSERT_EQ(list.Capacity(), static_cast<int>(model.size()));
        ASSERT_EQ(list.Highest(), highest);
        std::vector<int> occupied;
        for (int i = 0; i < static_cast<int>(model.size()); ++i) {
            if (model[i] != nullptr) {
                occupied.push_back(i);
            }
        }
        ASSERT_EQ(Indices(list), occupied);
        ASSERT_EQ(list.Count(), static_cast<int>(occupied.size()));
        ASSERT_EQ(list.First(), occupied.empty() ? -1 : occupied.front());
        for (std::size_t k = 0; k < occupied.size(); ++k) {
            ASSERT_EQ(list.Previous(occupied[k]), k == 0 ? -1 : occupied[k - 1]);
        }
    }
}

} // namespace
} // namespace tarn
