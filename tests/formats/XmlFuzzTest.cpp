#include "formats/XmlTree.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>

namespace tarn {
namespace {

// Parses from a heap block of exactly the text's size, so that the sanitizer
// build catches any read past its end. A text that reads must write back to
// a text that reads to that same text again.
int CheckText(const std::string& text) {
    auto block = std::make_unique<char[]>(text.size());
    std::copy(text.begin(), text.end(), block.get());
    XmlTree tree;
    const int result = tree.Parse(std::string_view(block.get(), text.size()));
    if (result == 1) {
        const std::string written = tree.Text();
        XmlTree again;
        EXPECT_EQ(again.Parse(written), 1) << text;
        EXPECT_EQ(again.Text(), written) << text;
    }
    return result;
}

std::string Repeat(const std::string& piece, int count) {
    std::string out;
    for (int i = 0; i < count; ++i) {
        out += piece;
    }
    return out;
}

TEST(XmlFuzz, RandomAndMutatedTextsAreReadSafely) {
    const std::string seeds[] = {
        "<configuration>\r\n  <windows>\r\n    <mv>\r\n      <pos>1,2,3,4</pos>\r\n    </mv>\r\n"
        "  </windows>\r\n  <a b>  x y </a b>\r\n</configuration>\r\n",
        "<list><item><name>a</name></item><item><name>\tb c</name></item></list>",
        "<root><preset><name>P</name><parameter><id>0</id><value>0.5</value></parameter>"
        "</preset></root>",
    };
    // Bytes that steer the tokenizer come up more often than others.
    const std::string steering = "<<<>>>///   \r\n\tab.?";
    std::mt19937 random(20240611u);
    auto below = [&](std::size_t bound) { return static_cast<std::size_t>(random() % bound); };
    auto byte = [&] {
        return below(8) == 0 ? static_cast<char>(random()) : steering[below(steering.size())];
    };
    int parsed = 0;
    for (int round = 0; round < 20000; ++round) {
        std::string text = seeds[below(3)];
        for (std::size_t edits = 1 + below(6); edits > 0 && !text.empty(); --edits) {
            const std::size_t at = below(text.size());
            switch (below(5)) {
            case 0:
                text[at] = byte();
                break;
            case 1:
                text.insert(at, 1, byte());
                break;
            case 2:
                text.erase(at, 1 + below(8));
                break;
            case 3:
                text.insert(at, text.substr(at, below(40)));
                break;
            default:
                text.resize(at);
                break;
            }
        }
        parsed += CheckText(text);
        std::string noise(below(100), ' ');
        for (char& c : noise) {
            c = byte();
        }
        parsed += CheckText(noise);
        if (::testing::Test::HasFailure()) {
            return;
        }
    }
    // The mutations must leave enough texts readable to exercise the writer.
    EXPECT_GT(parsed, 2000);
}

TEST(XmlFuzz, HostileShapesEndWithinBoundedDepth) {
    for (const char c : {'<', '>', ' ', 'x'}) {
        EXPECT_EQ(CheckText(std::string(1 << 20, c)), 0);
    }
    EXPECT_EQ(CheckText("<a>" + std::string(1 << 20, 'x')), 0);
    EXPECT_EQ(CheckText(Repeat("<a>x", 100000)), 0);

    const int limit = XmlTree::kMaxDepth;
    EXPECT_EQ(CheckText(Repeat("<a>", limit) + "deep" + Repeat("</a>", limit)), 1);
    EXPECT_EQ(CheckText(Repeat("<a>", limit + 1) + Repeat("</a>", limit + 1)), 0);

    XmlTree tree;
    ASSERT_EQ(tree.Parse("<r>" + Repeat("<i>1</i>", 100000) + "</r>"), 1);
    EXPECT_EQ(tree.Root()->Children().Count(), 100000);
}

} // namespace
} // namespace tarn
