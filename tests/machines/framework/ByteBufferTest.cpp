#include "machines/framework/ByteBuffer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <limits>
#include <numeric>
#include <vector>

namespace tarn {
namespace {

std::vector<std::uint8_t> Counting(std::size_t count, int start = 0) {
    std::vector<std::uint8_t> bytes(count);
    std::iota(bytes.begin(), bytes.end(), static_cast<std::uint8_t>(start));
    return bytes;
}

TEST(ByteBuffer, GrowsFrom1024InStepsOf256AndKeepsItsBytes) {
    const auto first = Counting(1000);
    const auto second = Counting(100, 7);
    ByteBuffer buffer;
    EXPECT_EQ(buffer.Capacity(), 0);
    ASSERT_TRUE(buffer.Append(first.data(), 1000));
    EXPECT_EQ(buffer.Capacity(), 1024);
    ASSERT_TRUE(buffer.Append(second.data(), 100));
    EXPECT_EQ(buffer.Capacity(), 1280);
    EXPECT_EQ(buffer.Size(), 1100);
    EXPECT_EQ(std::memcmp(buffer.Data(), first.data(), 1000), 0);
    EXPECT_EQ(std::memcmp(buffer.Data() + 1000, second.data(), 100), 0);

    // Filling exactly to the capacity does not grow; one byte more grows by 256.
    const auto rest = Counting(180);
    ASSERT_TRUE(buffer.Append(rest.data(), 180));
    EXPECT_EQ(buffer.Capacity(), 1280);
    ASSERT_TRUE(buffer.Append(rest.data(), 1));
    EXPECT_EQ(buffer.Capacity(), 1536);

    // A first append larger than 1024 still starts from 1024.
    ByteBuffer large;
    const auto big = Counting(2000);
    ASSERT_TRUE(large.Append(big.data(), 2000));
    EXPECT_EQ(large.Capacity(), 2048);
}

TEST(ByteBuffer, RefusesToPassThirtyTwoBitsAndChangesNothing) {
    ByteBuffer buffer;
    const std::uint8_t byte = 9;
    ASSERT_TRUE(buffer.Append(&byte, 1));
    // The length alone is refused; the source is never read.
    EXPECT_FALSE(buffer.Append(&byte, std::numeric_limits<std::int32_t>::max()));
    EXPECT_EQ(buffer.Size(), 1);
    EXPECT_EQ(buffer.Capacity(), 1024);
    EXPECT_EQ(buffer.Data()[0], 9);
    EXPECT_FALSE(buffer.Append(nullptr, 4));
    EXPECT_TRUE(buffer.Append(nullptr, 0));
    EXPECT_EQ(buffer.Size(), 1);
}

TEST(ByteBuffer, DetachHandsOverAShrunkBlockAndEmptiesTheBuffer) {
    const auto bytes = Counting(300);
    ByteBuffer buffer;
    ASSERT_TRUE(buffer.Append(bytes.data(), 300));
    const ByteBuffer::Block block = buffer.Detach();
    ASSERT_NE(block.data, nullptr);
    EXPECT_EQ(block.size, 300);
    EXPECT_EQ(std::memcmp(block.data, bytes.data(), 300), 0);
    EXPECT_EQ(buffer.Data(), nullptr);
    EXPECT_EQ(buffer.Size(), 0);
    EXPECT_EQ(buffer.Capacity(), 0);
    ByteBuffer::FreeBlock(block.data);

    const ByteBuffer::Block none = buffer.Detach();
    EXPECT_EQ(none.data, nullptr);
    EXPECT_EQ(none.size, 0);

    // After detaching, the next append starts over at 1024.
    ASSERT_TRUE(buffer.Append(bytes.data(), 10));
    EXPECT_EQ(buffer.Capacity(), 1024);
}

TEST(ByteBuffer, AdoptTakesOwnershipAndViewNeverFrees) {
    auto* block = static_cast<std::uint8_t*>(std::malloc(5));
    std::memcpy(block, "abcde", 5);
    ByteBuffer adopted;
    adopted.Adopt(block, 5);
    EXPECT_EQ(adopted.Size(), 5);
    EXPECT_EQ(adopted.Capacity(), 5);
    EXPECT_EQ(adopted.Data(), block);
    // Growing an adopted block follows the same rule from its capacity.
    ASSERT_TRUE(adopted.Append("f", 1));
    EXPECT_EQ(adopted.Capacity(), 5 + 256);
    EXPECT_EQ(std::memcmp(adopted.Data(), "abcdef", 6), 0);

    // A view of stack bytes: destroying it or detaching from it must not
    // free them (the sanitizer build catches a bad free).
    std::uint8_t stack[4] = {1, 2, 3, 4};
    {
        ByteBuffer view = ByteBuffer::View(stack, 4);
        EXPECT_EQ(view.Data(), stack);
        EXPECT_EQ(view.Size(), 4);
        ByteBuffer moved = std::move(view);
        const ByteBuffer::Block copy = moved.Detach();
        ASSERT_NE(copy.data, nullptr);
        EXPECT_NE(copy.data, stack);
        EXPECT_EQ(std::memcmp(copy.data, stack, 4), 0);
        ByteBuffer::FreeBlock(copy.data);
    }
    EXPECT_EQ(ByteBuffer::View(nullptr, 10).Size(), 0);
    EXPECT_EQ(ByteBuffer::View(stack, -1).Data(), nullptr);
}

} // namespace
} // namespace tarn
