#include "formats/XmlTree.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace tarn {
namespace {

// Bytes that steer the tokenizer, weighted towards the interesting ones.
constexpr std::string_view kAlphabet = "<<<>>>///   \r\n\tab.?!=\"x";

class TextSource {
public:
    explicit TextSource(std::uint32_t seed) : random_(seed) {}

    int Below(int bound) { return std::uniform_int_distribution<int>(0, bound - 1)(random_); }

    char Byte() {
        if (Below(8) == 0) {
            return static_cast<char>(Below(256));
        }
        return kAlphabet[static_cast<std::size_t>(Below(static_cast<int>(kAlphabet.size())))];
    }

    std::string Name() {
        static const char* const kNames[] = {"a", "b", "list", "item", "name", "", "a b", "x.y"};
        return kNames[Below(8)];
    }

    // A well-formed document of random shape.
    std::string Document() {
        XmlTree tree;
        XmlNode* root = tree.AddNode(nullptr, Name());
        std::vector<XmlNode*> open{root};
        const int nodes = Below(30);
        for (int i = 0; i < nodes; ++i) {
            XmlNode* parent = open[static_cast<std::size_t>(Below(static_cast<int>(open.size())))];
            XmlNode* child = parent->AddChild(Name(), Below(2) == 0 ? "v " + Name() : "");
            open.push_back(child);
        }
        return tree.Text();
    }

    // Flips, inserts, deletes, duplicates and truncates pieces of the text.
    std::string Mutate(std::string text) {
        const int edits = 1 + Below(6);
        for (int i = 0; i < edits && !text.empty(); ++i) {
            const auto at = static_cast<std::size_t>(Below(static_cast<int>(text.size())));
            switch (Below(5)) {
            case 0:
                text[at] = Byte();
                break;
            case 1:
                text.insert(at, 1, Byte());
                break;
            case 2:
                text.erase(at, static_cast<std::size_t>(1 + Below(8)));
                break;
            case 3:
                text.insert(at, text.substr(at, static_cast<std::size_t>(Below(40))));
                break;
            case 4:
                text.resize(at);
                break;
            }
        }
        return text;
    }

    std::string Noise() {
        std::string text(static_cast<std::size_t>(Below(200)), '\0');
        for (char& c : text) {
            c = Byte();
        }
        return text;
    }

private:
    std::mt19937 random_;
};

// Parses from a heap block of exactly the text's size, so that the sanitizer
// build catches any read past its end. A text that reads must write back to
// a text that reads to the same text again. Returns the parse result.
int CheckText(const std::string& text) {
    auto block = std::make_unique<char[]>(text.size());
    std::copy(text.begin(), text.end(), block.get());
    XmlTree tree;
    const int result = tree.Parse(std::string_view(block.get(), text.size()));
    if (result == 1) {
        EXPECT_NE(tree.Root(), nullptr) << text;
        const std::string written = tree.Text();
        XmlTree again;
        EXPECT_EQ(again.Parse(written), 1) << text;
        EXPECT_EQ(again.Text(), written) << text;
    }
    return result;
}

TEST(XmlFuzz, RandomAndMutatedTextsAreReadSafely) {
    constexpr int kRounds = 15000;
    TextSource source(20240611u);
    int parsed = 0;
    for (int round = 0; round < kRounds; ++round) {
        const std::string document = source.Document();
        for (const std::string& text : {document, source.Mutate(document), source.Noise()}) {
            parsed += CheckText(text);
        }
        if (::testing::Test::HasFailure()) {
            return;
        }
    }
    // Every unmutated document reads, so at least a third of the texts did.
    EXPECT_GE(parsed, kRounds);
}

TEST(XmlFuzz, HostileShapesEndQuickly) {
    const std::vector<std::string> texts = {
        std::string(1 << 20, '<'),       std::string(1 << 20, '>'),
        std::string(1 << 20, ' '),       "<a>" + std::string(1 << 20, 'x'),
        "<" + std::string(1 << 20, 'a'),
    };
    for (const std::string& text : texts) {
        EXPECT_EQ(CheckText(text), 0);
    }
    std::string deep;
    for (int i = 0; i < 100000; ++i) {
        deep += "<a>x";
    }
    EXPECT_EQ(CheckText(deep), 0);
    std::string wide = "<r>";
    for (int i = 0; i < 100000; ++i) {
        wide += "<i>1</i>";
    }
    XmlTree tree;
    ASSERT_EQ(tree.Parse(wide + "</r>"), 1);
    EXPECT_EQ(tree.Root()->Children().Count(), 100000);
    EXPECT_EQ(tree.Root()->Children().Get(99999)->Value(), "1");
}

} // namespace
} // namespace tarn
