#include "base/MessagePipe.h"
#include "formats/ChunkMemoryStream.h"
#include "formats/ChunkReader.h"

#include "ChunkTestDocument.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

namespace tarn {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Damages a document the way broken files are damaged: single bytes and
// whole words (often sizes) overwritten, spans cut out or duplicated, the
// tail lost.
Bytes Mutate(Bytes bytes, std::mt19937& random) {
    const auto pick = [&](std::size_t bound) { return bound == 0 ? 0 : random() % bound; };
    const int edits = 1 + static_cast<int>(random() % 4);
    for (int edit = 0; edit < edits && !bytes.empty(); ++edit) {
        const std::size_t at = pick(bytes.size());
        switch (random() % 6) {
        case 0:
            bytes[at] = static_cast<std::uint8_t>(random());
            break;
        case 1: {
            static const std::uint32_t kWords[] = {
                0, 1, 3, 4, 7, 11, 12, 0x7FFFFFFF, 0xFFFFFFFF, 0xFFFFFFF4, 0xCA000000, 0xCD000002};
            const std::uint32_t word = kWords[pick(std::size(kWords))];
            for (std::size_t i = 0; i < 4 && at + i < bytes.size(); ++i) {
                bytes[at + i] = static_cast<std::uint8_t>(word >> (8 * i));
            }
            break;
        }
        case 2:
            bytes.resize(at);
            break;
        case 3:
            bytes.erase(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                        bytes.begin() +
                            static_cast<std::ptrdiff_t>(std::min(bytes.size(), at + 1 + pick(16))));
            break;
        case 4: {
            const Bytes span(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                             bytes.begin() + static_cast<std::ptrdiff_t>(
                                                 std::min(bytes.size(), at + 1 + pick(40))));
            bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(pick(bytes.size())),
                         span.begin(), span.end());
            break;
        }
        default:
            bytes[at] ^= static_cast<std::uint8_t>(1u << pick(8));
            break;
        }
    }
    return bytes;
}

TEST(ChunkFuzz, DamagedDocumentsReadOrFailCleanly) {
    std::vector<Bytes> seeds;
    for (int variant = 0; variant < 3; ++variant) {
        test::TestDocument document = test::SampleDocument();
        document.elements.resize(static_cast<std::size_t>(variant) * 2);
        document.data.resize(static_cast<std::size_t>(variant) * 9, 0xAB);
        ChunkMemoryStream stream;
        ChunkWriter writer(stream);
        test::WriteTestDocument(writer, document);
        seeds.push_back(stream.Bytes());
    }

    int errorLines = 0;
    ErrorOut().RegisterReceiver(
        &errorLines, [](void* count, int, const std::string&) { ++*static_cast<int*>(count); },
        kErrorLine);
    const auto layout = test::TestDocumentLayout();
    std::mt19937 random(20240611);
    int succeeded = 0;
    int failed = 0;
    for (int round = 0; round < 20000; ++round) {
        const Bytes& seed = seeds[static_cast<std::size_t>(round) % seeds.size()];
        const Bytes damaged = Mutate(seed, random);
        ChunkMemoryStream stream(damaged);
        ChunkReader reader(stream);
        test::TestDocument read;
        const int result = layout.ReadDocument(reader, test::kTestRoot, read);
        ASSERT_EQ(result == 1, !reader.Failed()) << "round " << round;
        result == 1 ? ++succeeded : ++failed;
        // Nothing read can be larger than the input or lie beyond it.
        ASSERT_LE(stream.Position(), damaged.size());
        ASSERT_LE(read.data.size(), damaged.size());
        ASSERT_LE(read.text.size(), damaged.size());
        ASSERT_LE(read.elements.size() * kChunkHeaderSize, damaged.size());
        if (reader.Failed()) {
            ASSERT_LT(reader.FailureOffset(), std::max<std::size_t>(damaged.size(), 1));
        }
    }
    ErrorOut().UnregisterReceiver(&errorLines);
    EXPECT_EQ(errorLines, failed);
    // The mutations must exercise both outcomes to be worth anything.
    EXPECT_GT(succeeded, 2000);
    EXPECT_GT(failed, 2000);
}

} // namespace
} // namespace tarn
