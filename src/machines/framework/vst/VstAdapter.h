#pragma once

#include "machines/framework/Machine.h"
#include "machines/framework/vst/VstAbi.h"
#include "machines/framework/vst/VstModule.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace tarn {

// The machine that hosts one VST 2 plug-in library: the factory makes it
// for every registry entry whose directory group names an adapter and sends
// it LoadPlugin with the library's path. It turns the studio's messages into
// calls of the plug-in and answers the plug-in's host callback.
//
// Life: LoadPlugin -> Describe (opens the effect and sets it up) -> Init
// (buffers, saved chunk) -> Work / editor / Idle -> destructor (closes the
// editor and the effect, unloads the library). Threads as for every Machine.
//
// Editor, for the window that shows it (GUI thread only):
//   - HasEditor(): the plug-in draws an editor of its own (the described
//     flags carry kInfoHasEditor as well);
//   - GetEditorSize(1) / GetEditorSize(2): its width / height in pixels, 0
//     when the plug-in tells none; ask before and after OpenEditor, since
//     some plug-ins only know their size once open;
//   - OpenEditor(parent): parent is an X11 window id (e.g. a native
//     QWidget's winId()) passed as reinterpret_cast<void*>(id); the plug-in
//     makes its own child window in it. Answers 1;
//   - Idle(): call about 30 times a second while the editor is open (and
//     whenever the plug-in asked for idle time); it lets the editor redraw;
//   - CloseEditor(): before the parent window goes; answers 1. The
//     destructor closes an editor left open.
class VstAdapter : public Machine {
public:
    // The most parameters, programs and channels a plug-in may announce;
    // beyond them the announcement is taken as garbage and the plug-in is
    // refused, before anything is sized by it.
    static constexpr std::int32_t kMaxParameters = 16000;
    static constexpr std::int32_t kMaxPrograms = 16384;
    static constexpr std::int32_t kMaxChannels = 32;
    static constexpr std::int32_t kMaxEvents = 1024;
    // Texts kept from the plug-in's answers, terminating zero excluded.
    static constexpr std::size_t kKeptText = 63;

    VstAdapter() = default;
    ~VstAdapter() override;

    // What the factory's adapter slot makes.
    static std::unique_ptr<Machine> Make();

    std::int32_t LoadPlugin(const char* path) override;
    std::int32_t Describe() override;
    std::int32_t Init(const ByteBuffer& state) override;
    std::int32_t Work(const WorkRecord& record) override;
    std::int32_t SaveState(ByteBuffer& state) override;
    std::int32_t FormatValue(std::int32_t index, double value, char* text) override;
    double GetParameterValue(std::int32_t index) override;
    std::int32_t SetParameterValue(std::int32_t index, double value) override;
    std::int32_t SetProgram(std::int32_t program) override;
    std::int32_t Reserved130(std::int32_t value) override;
    std::int32_t Stop(std::int32_t mode) override;
    std::int32_t OpenEditor(void* parentWindow) override;
    std::int32_t CloseEditor() override;
    std::int32_t GetEditorSize(std::int32_t which) override;
    std::int32_t Idle() override;

    // Starts the plug-in afresh in place: suspends and resumes it, which
    // clears its voices and tails, and ends every note it was told to play.
    // Host thread, never during Work. False without a plug-in.
    bool Restart();

    bool HasEditor() const;
    bool EditorOpen() const { return editorOpen_; }
    // The plug-in's interface version: its answer, 2000 for 0 or 2.
    std::int32_t Version() const { return version_; }
    // The index of the note parameter once described: the plug-in's
    // parameter count for an instrument, -1 for an effect.
    std::int32_t NoteParameter() const { return noteParameter_; }
    // Why the last LoadPlugin failed; empty after a success.
    const std::string& LoadFailure() const { return loadFailure_; }

private:
    struct EventBlock {
        vst::Events<kMaxEvents> list;
        std::array<vst::MidiEvent, kMaxEvents> midi;
    };

    static std::intptr_t HostCallback(vst::Effect* effect, std::int32_t opcode, std::int32_t index,
                                      std::intptr_t value, void* pointer, float opt);
    std::intptr_t HostRequest(std::int32_t opcode, std::int32_t index, void* pointer, float opt);

    std::intptr_t Dispatch(std::int32_t opcode, std::int32_t index = 0, std::intptr_t value = 0,
                           void* pointer = nullptr, float opt = 0.0F) const;
    // The plug-in's text answer to opcode, cut to kKeptText characters;
    // answered tells whether the plug-in answered nonzero.
    std::string AskText(std::int32_t opcode, std::int32_t index = 0, std::intptr_t value = 0,
                        bool* answered = nullptr) const;
    std::string AskName(std::int32_t opcode) const;
    bool CountsInBounds() const;
    void SetUp();
    void DescribePrograms();
    void AddMidi(std::uint8_t status, std::uint8_t data1, std::uint8_t data2,
                 std::int32_t deltaFrames) noexcept;
    void Process(const WorkRecord& record, std::int32_t frames);

    VstModule module_;
    vst::Effect* effect_ = nullptr;
    std::int32_t version_ = 0;
    std::string loadFailure_;
    bool open_ = false;
    // The library's path, and whether its use is marked as playing.
    std::filesystem::path library_;
    bool marked_ = false;

    // Counts as the plug-in announced them when described; the buffers are
    // sized by these, never by the record's later values.
    std::int32_t parameters_ = 0;
    std::int32_t inputs_ = 0;
    std::int32_t outputs_ = 0;
    std::int32_t noteParameter_ = -1;

    std::array<double, 128> countdowns_{}; // beats left of each sounding note
    std::atomic<bool> needsIdle_ = false;
    std::atomic<bool> editorOpen_ = false;
    std::atomic<bool> allNotesOff_ = false;

    std::vector<float> samples_; // 256 per input, then 256 per output
    std::vector<float*> inputBlocks_;
    std::vector<float*> outputBlocks_;
    std::unique_ptr<EventBlock> events_;
    vst::TimeInfo time_{};
};

} // namespace tarn
