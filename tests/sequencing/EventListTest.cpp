#include "sequencing/EventList.h"
#include "engine/WorkEventArray.h"
#include "sequencing/EventPool.h"

#include <gtest/gtest.h>

#include <vector>

namespace tarn {
namespace {

TEST(EventList, ListsPoolsAndTheWorkArrayKeepTheirRoomAfterABurst) {
    EventRecord record;
    EventList list;
    EXPECT_EQ(list.Capacity(), EventList::kStep);
    for (int i = 0; i < 40; ++i) {
        list.Add(&record);
    }
    EXPECT_EQ(list.Capacity(), 48u); // grown by steps of 16
    list.Clear();
    EXPECT_TRUE(list.Empty());
    EXPECT_EQ(list.Capacity(), 48u);

    EventPool pool;
    std::vector<EventRecord*> taken;
    for (int i = 0; i < 40; ++i) {
        record.value = i;
        taken.push_back(pool.Take(record));
    }
    EXPECT_EQ(pool.Capacity(), 48);
    EXPECT_EQ(taken[3]->value, 3.0); // earlier records stay where they are
    EXPECT_EQ(taken[39]->value, 39.0);
    pool.Clear();
    EXPECT_EQ(pool.Count(), 0);
    EXPECT_EQ(pool.Capacity(), 48);
    // The same records come back in the same order: nothing was freed.
    for (int i = 0; i < 40; ++i) {
        EXPECT_EQ(pool.Take(record), taken[static_cast<std::size_t>(i)]);
    }
    EXPECT_EQ(pool.Capacity(), 48);

    WorkEventArray array;
    EXPECT_EQ(array.Size(), WorkEventArray::kBaseSize);
    for (int i = 0; i < 1500; ++i) {
        list.Add(&record);
    }
    array.Fill(list);
    EXPECT_EQ(array.Count(), 1500);
    EXPECT_EQ(array.Size(), 1500u);
    list.Clear();
    list.Add(&record);
    array.Fill(list);
    EXPECT_EQ(array.Count(), 1);
    EXPECT_EQ(array.Data()[0], &record);
    EXPECT_EQ(array.Size(), 1500u);
}

} // namespace
} // namespace tarn
