#include "GeneratorHarness.h"

#include "machines/builtin/AnalogBass.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace tarn {
namespace {

using test::GeneratorHarness;

TEST(AnalogBassDescription, InfoAndFolderDescribeAOneTrackGenerator) {
    GeneratorHarness host(std::make_unique<AnalogBass>());
    EXPECT_EQ(host.description.infoValues, (std::map<std::int32_t, std::int32_t>{
                                               {kHostInfoFlags, 0},
                                               {kHostInfoRevision, 1},
                                               {kHostInfoKind, kKindGenerator},
                                               {kHostInfoMinTracks, 1},
                                               {kHostInfoMaxTracks, 1},
                                               {kHostInfoInputChannels, 2},
                                               {kHostInfoOutputChannels, 2},
                                               {kHostInfoInputChannelsPerTrack, 0},
                                               {kHostInfoOutputChannelsPerTrack, 0},
                                           }));
    EXPECT_EQ(host.description.infoTexts, (std::map<std::int32_t, std::string>{
                                              {kHostInfoName, "Analog Bass"},
                                              {kHostInfoAlternateName, "Analog Bass"},
                                              {kHostInfoShortName, "ABass"},
                                              {kHostInfoAuthor, "Tarn team"},
                                          }));
    ASSERT_EQ(host.description.folders.size(), 1u);
    EXPECT_EQ(host.description.folders[0].name, "ADSR");
    EXPECT_EQ(host.description.folders[0].parent, -1);
    EXPECT_EQ(host.description.folders[0].flag, 1);
}

TEST(AnalogBassDescription, ParametersArriveInOrderWithConsistentRanges) {
    GeneratorHarness host(std::make_unique<AnalogBass>());
    std::vector<std::int32_t> indices;
    std::vector<std::string> names;
    for (const auto& [index, descriptor] : host.description.parameters) {
        indices.push_back(index);
        names.push_back(descriptor.name);
        SCOPED_TRACE(descriptor.name);
        EXPECT_LE(descriptor.minimum, descriptor.defaultValue);
        EXPECT_LE(descriptor.defaultValue, descriptor.maximum);
        EXPECT_LT(descriptor.minimum, descriptor.maximum);
        EXPECT_FALSE(descriptor.description.empty());
        // Only the note carries a flag: the one its descriptor routine sets.
        EXPECT_EQ(descriptor.flags, descriptor.type == kTypeNote ? kParamNoteDescriptor : 0);
        // Whole-number parameters step by one; the note has no step.
        if (descriptor.type == kTypeByte || descriptor.type == kTypeSwitch) {
            EXPECT_EQ(descriptor.resolution, 1.0);
        }
        // The ADSR folder holds the amplitude envelope and nothing else.
        const bool amplitude = index == AnalogBass::kAttack || index == AnalogBass::kDecay ||
                               index == AnalogBass::kSustain || index == AnalogBass::kRelease;
        EXPECT_EQ(descriptor.folder, amplitude ? 0 : -1);
    }
    EXPECT_EQ(indices, (std::vector<std::int32_t>{0, 11, 25, 12, 26, 13, 14, 5, 6, 20, 21, 22, 2}));
    EXPECT_EQ(names, (std::vector<std::string>{"Note", "Attack", "ME Attack", "Decay", "ME Decay",
                                               "Sustain level", "Release", "Glide time", "Glide",
                                               "Cutoff", "Resonance", "Env Mod", "Waveform"}));

    EXPECT_EQ(host.description.Find(AnalogBass::kNote)->descriptor.type, kTypeNote);
    EXPECT_EQ(host.description.Find(AnalogBass::kSustain)->descriptor.minimum, -60.0);
    EXPECT_EQ(host.description.Find(AnalogBass::kGlide)->descriptor.type, kTypeSwitch);
    EXPECT_EQ(host.description.Find(AnalogBass::kGlideTime)->descriptor.description,
              "Glide time\nThe pitch will glide exponentially");

    // Every waveform the range allows has a name, and only those.
    const auto* waveform = host.description.Find(AnalogBass::kWaveform);
    ASSERT_NE(waveform, nullptr);
    EXPECT_EQ(waveform->descriptor.type, kTypeByte);
    std::string text;
    for (double v = waveform->descriptor.minimum; v <= waveform->descriptor.maximum; v += 1.0) {
        EXPECT_EQ(host.Format(AnalogBass::kWaveform, v, text), 1);
        EXPECT_FALSE(text.empty()) << v;
    }
    EXPECT_EQ(host.Format(AnalogBass::kWaveform, waveform->descriptor.maximum + 1.0, text), 1);
    EXPECT_EQ(text, "");
}

TEST(AnalogBassFormat, WritesTheTextsOfEachKindOfParameter) {
    GeneratorHarness host(std::make_unique<AnalogBass>());
    std::string text;
    const auto format = [&](std::int32_t index, double value) {
        EXPECT_EQ(host.Format(index, value, text), 1) << index;
        return text;
    };
    EXPECT_EQ(format(AnalogBass::kWaveform, 0.0), "Saw");
    EXPECT_EQ(format(AnalogBass::kWaveform, 1.9), "Square");
    EXPECT_EQ(format(AnalogBass::kWaveform, 2.0), "Sin");
    EXPECT_EQ(format(AnalogBass::kWaveform, 3.0), "Triangle");
    EXPECT_EQ(format(AnalogBass::kWaveform, 4.0), "Analog Saw");
    EXPECT_EQ(format(AnalogBass::kWaveform, 7.0), "");
    EXPECT_EQ(format(AnalogBass::kWaveform, -1.0), "");

    EXPECT_EQ(format(AnalogBass::kAttack, 0.5), "625.00 ms");
    EXPECT_EQ(format(AnalogBass::kDecay, 1.0), "5000.00 ms");
    for (std::int32_t index : {AnalogBass::kGlideTime, AnalogBass::kRelease, AnalogBass::kModAttack,
                               AnalogBass::kModDecay}) {
        EXPECT_EQ(format(index, 0.2), "40.00 ms");
    }

    EXPECT_EQ(format(AnalogBass::kSustain, -6.0), "-6.00 db");

    EXPECT_EQ(format(AnalogBass::kCutoff, 0.6), "60.00%");
    EXPECT_EQ(format(AnalogBass::kResonance, 0.0), "0.00%");
    EXPECT_EQ(format(AnalogBass::kEnvMod, 0.805), "80.50%");

    // The note, the switch and unknown indices are left to the host, with
    // the buffer untouched.
    for (std::int32_t index : {0, 1, 3, 6, 99, -1}) {
        EXPECT_EQ(host.Format(index, 0.5, text), 0) << index;
        EXPECT_EQ(text, "") << index;
    }
}

} // namespace
} // namespace tarn
