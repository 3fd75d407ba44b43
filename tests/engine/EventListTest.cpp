#include "engine/EventList.h"
#include "engine/EventPool.h"
#include "engine/WorkEventArray.h"

#include <gtest/gtest.h>

#include <vector>

namespace tarn {
namespace {

// Records whose offsets are given; the value tells them apart.
std::vector<EventRecord> Records(std::initializer_list<int> offsets, double value) {
    std::vector<EventRecord> records;
    for (int offset : offsets) {
        EventRecord record;
        record.offset = offset;
        record.value = value + static_cast<double>(records.size());
        records.push_back(record);
    }
    return records;
}

EventList ListOf(std::vector<EventRecord>& records) {
    EventList list;
    for (EventRecord& record : records) {
        list.Add(&record);
    }
    return list;
}

TEST(EventList, MergesByWholeOffsetWithTheIncomingListFirstOnTies) {
    std::vector<EventRecord> held = Records({0, 5, 5, 9}, 10.0);
    std::vector<EventRecord> coming = Records({0, 5, 7, 12}, 20.0);
    EventList target = ListOf(held);
    EventList spare;
    EventList::Merge(target, ListOf(coming), spare);
    std::vector<double> values;
    for (const EventRecord* event : target) {
        values.push_back(event->value);
    }
    EXPECT_EQ(values, (std::vector<double>{20.0, 10.0, 21.0, 11.0, 12.0, 22.0, 13.0, 23.0}));

    EventList::Merge(target, EventList{}, spare);
    EXPECT_EQ(target.Size(), 8u);
}

TEST(EventList, ListsPoolsAndTheWorkArrayFallBackAfterABurst) {
    EventRecord record;
    EventList list;
    EXPECT_EQ(list.Capacity(), EventList::kStep);
    for (int i = 0; i < 40; ++i) {
        list.Add(&record);
    }
    EXPECT_EQ(list.Capacity(), 48u); // grown by steps of 16
    list.Clear();
    EXPECT_EQ(list.Capacity(), EventList::kStep);

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
    EXPECT_EQ(pool.Capacity(), EventPool::kKept);
    EXPECT_EQ(pool.Take(record), taken[0]); // the kept records are reused

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
    EXPECT_EQ(array.Size(), WorkEventArray::kBaseSize);
}

} // namespace
} // namespace tarn
