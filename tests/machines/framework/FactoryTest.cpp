#include "machines/framework/MachineFactory.h"

#include "machines/framework/GearFixture.h"

#include <gtest/gtest.h>

#include <array>
#include <stdexcept>

namespace tarn {
namespace {

using test::Builtin;
using test::MakeBuiltin;

constexpr std::array kBuiltins{
    BuiltinMachine{"Tarn Master", true, &MakeBuiltin},
    BuiltinMachine{"Tarn Delay", true, nullptr},
    BuiltinMachine{"Tarn Chip Chords", false, &MakeBuiltin},
};

// Stands in for a plug-in host in these tests only: it accepts libraries
// whose file name starts with "Good", throws for "Bad" and refuses the rest,
// and counts what happens to it.
class TestAdapter : public Machine {
public:
    static inline std::vector<std::string> loaded;
    static inline int alive = 0;

    TestAdapter() { ++alive; }
    ~TestAdapter() override { --alive; }

    std::int32_t LoadPlugin(const char* path) override {
        loaded.emplace_back(path);
        const std::string name = std::filesystem::path(path).filename().string();
        if (name.starts_with("Bad")) {
            throw std::runtime_error("broken module");
        }
        return name.starts_with("Good") ? 1 : 0;
    }
};

std::unique_ptr<Machine> MakeTestAdapter() {
    return std::make_unique<TestAdapter>();
}

using FactoryTest = test::GearFixture;

TEST_F(FactoryTest, BuiltinsComeFirstAndUnwrittenOnesAreNamed) {
    // A plug-in with a built-in's name can never replace it.
    AddLibrary("Plugins/Tarn Master.so");
    WriteDirectoryList({{"VST", "VST", {"Plugins"}}});
    MachineFactory factory(kBuiltins, &MakeTestAdapter);
    ASSERT_EQ(factory.Registry().Build(), 1);
    TestAdapter::loaded.clear();

    std::optional<MachineHandle> master = factory.CreateMachine("Tarn Master");
    ASSERT_TRUE(master);
    EXPECT_NE(dynamic_cast<Builtin*>(&master->Instance()), nullptr);
    EXPECT_EQ(master->RegistryName(), "Tarn Master");
    EXPECT_EQ(master->FileName(), "Tarn Master.so");
    EXPECT_TRUE(TestAdapter::loaded.empty());

    // Known to the factory although the registry does not list it.
    ASSERT_EQ(factory.Registry().FindEntry("Tarn Chip Chords"), nullptr);
    std::optional<MachineHandle> chords = factory.CreateMachine("Tarn Chip Chords");
    ASSERT_TRUE(chords);
    EXPECT_EQ(chords->FileName(), "Tarn Chip Chords.so");

    // The Node takes the machine over; the handle keeps its names.
    std::unique_ptr<Machine> taken = chords->TakeMachine();
    EXPECT_NE(taken, nullptr);
    EXPECT_EQ(chords->RegistryName(), "Tarn Chip Chords");

    EXPECT_FALSE(factory.CreateMachine("Tarn Delay"));
    EXPECT_FALSE(factory.CreateMachine("tarn master"));
    EXPECT_EQ(errors, (std::vector<std::string>{"error: Tarn Delay is not built yet",
                                                "error: tarn master not found"}));
}

TEST_F(FactoryTest, PluginsNeedAnAdapterThatAcceptsThem) {
    AddLibrary("Raw/Plain.so");
    AddLibrary("Vst/Unknown.so");
    WriteDirectoryList(
        {{"Raw", std::nullopt, {"Raw"}}, {"Empty adapter", "", {"Raw"}}, {"VST", "VST", {"Vst"}}});
    MachineFactory factory(kBuiltins);
    ASSERT_EQ(factory.Registry().Build(), 1);

    // Registered, but nothing can host it.
    EXPECT_NE(factory.Registry().FindEntry("Plain"), nullptr);
    EXPECT_FALSE(factory.CreateMachine("Plain"));
    // With no adapter written, a group that names one is refused at loading.
    EXPECT_FALSE(factory.CreateMachine("Unknown"));
    EXPECT_FALSE(factory.CreateMachine("Missing"));
    EXPECT_EQ(errors, (std::vector<std::string>{"error: no adapter available for Plain",
                                                "error: the adapter 'VST' failed to load '" +
                                                    (App() / "Vst/Unknown.so").string() + "'",
                                                "error: Missing not found"}));
}

TEST_F(FactoryTest, TheFirstLibraryFoundWinsAndRefusedAdaptersAreDestroyed) {
    // Three libraries titled "Good": the subdirectory is scanned before its
    // parent's files, and the first listed directory before the second.
    AddLibrary("One/Good.so");
    AddLibrary("One/sub/Good.so");
    AddLibrary("Two/Good.so");
    AddLibrary("Two/Refused.so");
    AddLibrary("Two/Bad.so");
    WriteDirectoryList({{"VST", "VST", {"One", "Two"}}});
    MachineFactory factory(kBuiltins, &MakeTestAdapter);
    ASSERT_EQ(factory.Registry().Build(), 1);
    TestAdapter::loaded.clear();

    {
        std::optional<MachineHandle> good = factory.CreateMachine("Good");
        ASSERT_TRUE(good);
        EXPECT_NE(dynamic_cast<TestAdapter*>(&good->Instance()), nullptr);
        EXPECT_EQ(good->RegistryName(), "Good");
        EXPECT_EQ(good->FileName(), "Good.so");
        EXPECT_EQ(TestAdapter::loaded,
                  (std::vector<std::string>{(App() / "One/sub/Good.so").string()}));
        EXPECT_EQ(TestAdapter::alive, 1);
    }
    EXPECT_EQ(TestAdapter::alive, 0);

    EXPECT_FALSE(factory.CreateMachine("Refused"));
    EXPECT_FALSE(factory.CreateMachine("Bad"));
    EXPECT_EQ(TestAdapter::alive, 0);
    EXPECT_EQ(errors, (std::vector<std::string>{"error: the adapter 'VST' failed to load '" +
                                                    (App() / "Two/Refused.so").string() + "'",
                                                "error: the adapter 'VST' failed to load '" +
                                                    (App() / "Two/Bad.so").string() + "'"}));

    int titledGood = 0;
    for (const GearEntry& entry : factory.Registry().Entries()) {
        titledGood += entry.name == "Good" ? 1 : 0;
    }
    EXPECT_EQ(titledGood, 3);
}

} // namespace
} // namespace tarn
