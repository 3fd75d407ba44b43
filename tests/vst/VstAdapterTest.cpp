#include "machines/framework/vst/VstAdapter.h"
#include "machines/framework/vst/VstInstanceList.h"

#include "machines/builtin/MachineHost.h"
#include "support/ScratchDirectory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>

namespace tarn::test {
namespace {

constexpr std::int32_t kNote = 3; // the Click's three parameters, then its note

std::vector<int> NonZeroFrames(const std::vector<double>& samples) {
    std::vector<int> frames;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        if (samples[i] != 0.0) {
            frames.push_back(static_cast<int>(i));
        }
    }
    return frames;
}

TEST(VstAdapter, EitherEntryPointLoadsAndDescribesAnInstrumentWithNoteAndPrograms) {
    for (const char* path : {TARN_CLICK_MAIN_PLUGIN, TARN_CLICK_VSTPLUGINMAIN_PLUGIN}) {
        SCOPED_TRACE(path);
        VstAdapter adapter;
        ASSERT_EQ(adapter.LoadPlugin(path), 1) << adapter.LoadFailure();
        EXPECT_EQ(adapter.Version(), 2400);
        MachineDescription description;
        MachineHost host(adapter, 120, &description.link);

        // Overlong answers are cut, not overrun; the vendor text is what
        // the plug-in learnt from the host callback on opening.
        EXPECT_EQ(description.infoTexts[kHostInfoName], std::string(VstAdapter::kKeptText, 'P'));
        EXPECT_EQ(description.infoTexts[kHostInfoAlternateName],
                  description.infoTexts[kHostInfoName]);
        EXPECT_EQ(description.infoTexts[kHostInfoShortName], "Click");
        EXPECT_EQ(description.infoTexts[kHostInfoAuthor], "2 1000000 1 0 Oskel/Tarn Studio 111100");
        EXPECT_EQ(description.infoValues[kHostInfoKind], kKindGenerator);
        EXPECT_EQ(description.infoValues[kHostInfoFlags], kInfoHasEditor);
        EXPECT_EQ(description.infoValues[kHostInfoInputChannels], 0);
        EXPECT_EQ(description.infoValues[kHostInfoOutputChannels], 2);
        EXPECT_EQ(description.infoValues[kHostInfoMinTracks], 1);
        EXPECT_EQ(description.infoValues[kHostInfoMaxTracks], 16);

        ASSERT_EQ(description.parameters.size(), 4u);
        const ParameterDescriptor& first = description.Find(0)->descriptor;
        EXPECT_EQ(first.name.size(), VstAdapter::kKeptText);
        EXPECT_EQ(first.name.substr(0, 12), "Parameter 0-");
        EXPECT_EQ(first.type, kTypeDouble);
        EXPECT_EQ(first.flags, kParamGlobal | kParamMachineHeld);
        EXPECT_EQ(first.defaultValue, 0.25);
        EXPECT_EQ(description.Find(1)->descriptor.defaultValue, 0.5);
        EXPECT_EQ(description.Find(kNote)->descriptor.name, "Note");
        EXPECT_EQ(description.Find(kNote)->descriptor.type, kTypeNote);
        // The plug-in names no program by index: each is chosen and asked.
        EXPECT_EQ(description.programs,
                  (std::vector<std::string>{"Program 0", "Program 1", "Program 2"}));
    }
    EXPECT_EQ(VstInstanceList::Count(), 0);
}

TEST(VstAdapter, MidiEventsSoundAtTheirFrameAndNotesEndAfterTheirLength) {
    VstAdapter adapter;
    ASSERT_EQ(adapter.LoadPlugin(TARN_CLICK_MAIN_PLUGIN), 1);
    MachineDescription description;
    MachineHost host(adapter, 120, &description.link);

    // Note values reach the plug-in as MIDI notes, 12 above.
    host.QueueNote(kNote, 52.0, 1.0, 1.0, 100);
    host.QueueNote(kNote, 20.0, 0.0, 1.0, 200);  // no length: sounds until stopped
    host.QueueNote(kNote, 28.0, 0.0, 0.0, 230);  // a key release
    host.QueueNote(kNote, 120.0, 1.0, 1.0, 240); // kept at MIDI's highest note
    host.Queue(0, 0.75, 0);
    MachineHost::Stereo first = host.Run(256);
    EXPECT_EQ(NonZeroFrames(first.left), (std::vector<int>{100, 200, 240}));
    EXPECT_EQ(first.left[100], 0.5);
    EXPECT_EQ(first.left[200], 0.25);
    EXPECT_EQ(first.left[240], 127.0 / 128.0);
    EXPECT_EQ(NonZeroFrames(first.right), (std::vector<int>{230}));
    EXPECT_EQ(adapter.GetParameterValue(0), 0.75);
    // The plug-in read the tempo through the time record.
    EXPECT_FLOAT_EQ(static_cast<float>(adapter.GetParameterValue(2)), 0.12F);

    // One beat at 120 BPM is 22050 frames: the note-off comes at the start
    // of the chunk in which they have passed, counted from the next chunk.
    MachineHost::Stereo rest = host.Run(87 * 256);
    EXPECT_TRUE(NonZeroFrames(rest.left).empty());
    EXPECT_EQ(NonZeroFrames(rest.right), (std::vector<int>{86 * 256}));

    // Stop: "all notes off" at the start of the next chunk, once.
    EXPECT_EQ(host.Send(kMsgStop, 1), 1);
    MachineHost::Stereo stopped = host.Run(512);
    EXPECT_EQ(NonZeroFrames(stopped.right), (std::vector<int>{0}));
    EXPECT_EQ(stopped.right[0], 0.5);
}

TEST(VstAdapter, StateValuesFormatAndEditorGoThroughThePlugin) {
    ByteBuffer saved;
    {
        VstAdapter adapter;
        ASSERT_EQ(adapter.LoadPlugin(TARN_CLICK_VSTPLUGINMAIN_PLUGIN), 1);
        MachineDescription description;
        MachineHost host(adapter, 120, &description.link);
        EXPECT_EQ(adapter.SetParameterValue(0, 0.875), 1);
        EXPECT_EQ(adapter.SetParameterValue(kNote, 1.0), 0);
        char text[256] = {};
        EXPECT_EQ(adapter.FormatValue(0, 0.0, text), 1);
        EXPECT_STREQ(text, "87 dB");
        EXPECT_EQ(adapter.FormatValue(kNote, 60.0, text), 0);
        EXPECT_EQ(adapter.SaveState(saved), 1);
        EXPECT_EQ(saved.Size(), 12);

        EXPECT_EQ(adapter.GetEditorSize(1), 320);
        EXPECT_EQ(adapter.GetEditorSize(2), 200);
        EXPECT_EQ(adapter.GetEditorSize(3), 0);
        EXPECT_EQ(adapter.OpenEditor(nullptr), 1);
        EXPECT_TRUE(adapter.EditorOpen());
        EXPECT_EQ(adapter.Idle(), 1);
        // Left open: the adapter closes it before the plug-in goes.
    }
    VstAdapter restored;
    ASSERT_EQ(restored.LoadPlugin(TARN_CLICK_VSTPLUGINMAIN_PLUGIN), 1);
    MachineDescription description;
    MachineHost host(restored, 120, &description.link);
    EXPECT_EQ(description.Find(0)->descriptor.defaultValue, 0.25);
    MachineMessage init;
    init.messageType = kMsgInit;
    init.value = saved.Size();
    init.pointer = const_cast<std::uint8_t*>(saved.Data());
    EXPECT_EQ(restored.HandleMessage(&init), 1);
    EXPECT_EQ(restored.GetParameterValue(0), 0.875);
}

TEST(VstAdapter, WhatIsNoPluginIsRefusedAndLeavesNothingToCall) {
    ScratchDirectory scratch;
    const std::filesystem::path text = scratch / "Text.so";
    std::ofstream(text) << "not a library";
    for (const auto& [path, reason] : std::vector<std::pair<std::string, std::string>>{
             {text.string(), "not a loadable library"},
             {(scratch / "Missing.so").string(), "not a loadable library"},
             {TARN_NOEXPORT_LIBRARY, "no VST 2 entry point"}}) {
        SCOPED_TRACE(path);
        VstAdapter adapter;
        EXPECT_EQ(adapter.LoadPlugin(path.c_str()), 0);
        EXPECT_EQ(adapter.LoadFailure().substr(0, reason.size()), reason);
        WorkRecord record;
        EXPECT_EQ(adapter.Work(record), 0);
        EXPECT_EQ(adapter.Init(ByteBuffer()), 0);
        EXPECT_EQ(adapter.Describe(), 0);
        EXPECT_EQ(adapter.OpenEditor(nullptr), 0);
        EXPECT_EQ(adapter.GetEditorSize(1), 0);
    }
    VstAdapter adapter;
    EXPECT_EQ(adapter.LoadPlugin(nullptr), 0);
    ASSERT_EQ(adapter.LoadPlugin(TARN_CLICK_MAIN_PLUGIN), 1);
    EXPECT_EQ(adapter.LoadPlugin(TARN_CLICK_MAIN_PLUGIN), 0);
    EXPECT_EQ(VstInstanceList::Count(), 1);
}

} // namespace
} // namespace tarn::test
