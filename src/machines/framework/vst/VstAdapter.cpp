#include "machines/framework/vst/VstAdapter.h"

#include "machines/framework/PluginCodeScope.h"
#include "machines/framework/vst/VstInstanceList.h"
#include "machines/framework/vst/VstPlayingMarks.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace tarn {
namespace {

constexpr double kSetUpSampleRate = 44100.0;
constexpr std::int32_t kUnknownVersion = 2000;
constexpr std::int32_t kChunkIsProgram = 1;
constexpr std::int32_t kMinTracks = 1;
constexpr std::int32_t kMaxTracks = 16;
// The studio's answers to what the plug-in asks of its host.
constexpr std::intptr_t kHostVersionAnswer = 2;
constexpr std::intptr_t kAutomatableParameters = 1000000;
constexpr std::intptr_t kLanguageEnglish = 1;
constexpr const char* kVendor = "Oskel";
constexpr const char* kProduct = "Tarn Studio";
constexpr const char* kHostCanDo[] = {"sendVstEvents", "sendVstMidiEvent", "sendVstTimeInfo",
                                      "supplyIdle"};

constexpr std::uint8_t kNoteOff = 0x80;
constexpr std::uint8_t kNoteOn = 0x90;
constexpr std::uint8_t kController = 0xB0;
constexpr std::uint8_t kAllNotesOff = 123;
// A note without a length sounds "for ever": this many beats per sample
// rate, as the studio has always counted it.
constexpr double kEndlessBeatsPerHertz = 16.0;

// Room for a text answer, far above every limit of the interface, because
// plug-ins write past those limits; what lands beyond kKeptText is cut.
constexpr std::size_t kTextRoom = 1024;

void CopyText(void* to, const char* text, std::size_t room) {
    if (to != nullptr) {
        std::snprintf(static_cast<char*>(to), room, "%s", text);
    }
}

} // namespace

VstAdapter::~VstAdapter() {
    if (effect_ == nullptr) {
        return;
    }
    if (editorOpen_) {
        CloseEditor();
    }
    Dispatch(vst::kEffClose);
    VstInstanceList::Leave(this);
    effect_ = nullptr;
    module_.Close();
    // Stopped cleanly.
    if (marked_) {
        UnmarkPlaying(library_);
    }
}

std::unique_ptr<Machine> VstAdapter::Make() {
    return std::make_unique<VstAdapter>();
}

std::int32_t VstAdapter::LoadPlugin(const char* path) {
    if (effect_ != nullptr || path == nullptr) {
        loadFailure_ = effect_ != nullptr ? "a plug-in is loaded already" : "no path";
        return 0;
    }
    loadFailure_ = module_.Open(path, &VstAdapter::HostCallback);
    if (!loadFailure_.empty()) {
        return 0;
    }
    library_ = path;
    effect_ = module_.Effect();
    if (!CountsInBounds()) {
        loadFailure_ = "announces impossible counts of parameters, programs or channels";
        Dispatch(vst::kEffClose);
        effect_ = nullptr;
        module_.Close();
        return 0;
    }
    const auto version = static_cast<std::int32_t>(Dispatch(vst::kEffGetVstVersion));
    version_ = version == 0 || version == 2 ? kUnknownVersion : version;
    VstInstanceList::Enter(this, effect_);
    return 1;
}

bool VstAdapter::CountsInBounds() const {
    const auto within = [](std::int32_t count, std::int32_t most) {
        return count >= 0 && count <= most;
    };
    return within(effect_->numParams, kMaxParameters) &&
           within(effect_->numPrograms, kMaxPrograms) && within(effect_->numInputs, kMaxChannels) &&
           within(effect_->numOutputs, kMaxChannels);
}

bool VstAdapter::HasEditor() const {
    return effect_ != nullptr && (effect_->flags & vst::kFlagsHasEditor) != 0;
}

std::intptr_t VstAdapter::Dispatch(std::int32_t opcode, std::int32_t index, std::intptr_t value,
                                   void* pointer, float opt) const {
    const PluginCodeScope plugin;
    return effect_->dispatcher(effect_, opcode, index, value, pointer, opt);
}

std::string VstAdapter::AskText(std::int32_t opcode, std::int32_t index, std::intptr_t value,
                                bool* answered) const {
    std::array<char, kTextRoom> room{};
    const std::intptr_t answer = Dispatch(opcode, index, value, room.data());
    room.back() = '\0';
    if (answered != nullptr) {
        *answered = answer != 0;
    }
    return std::string(room.data(), strnlen(room.data(), kKeptText));
}

std::string VstAdapter::AskName(std::int32_t opcode) const {
    bool answered = false;
    std::string name = AskText(opcode, 0, 0, &answered);
    return answered ? name : "Unknown";
}

void VstAdapter::SetUp() {
    // Twice around effOpen: some plug-ins only take the rate and block size
    // once open, others only before.
    Dispatch(vst::kEffSetSampleRate, 0, 0, nullptr, static_cast<float>(kSetUpSampleRate));
    Dispatch(vst::kEffSetBlockSize, 0, kMaxChunkFrames);
    Dispatch(vst::kEffOpen);
    Dispatch(vst::kEffSetSampleRate, 0, 0, nullptr, static_cast<float>(kSetUpSampleRate));
    Dispatch(vst::kEffSetBlockSize, 0, kMaxChunkFrames);
    Dispatch(vst::kEffMainsChanged, 0, 1);
    open_ = true;
}

std::int32_t VstAdapter::Describe() {
    if (effect_ == nullptr) {
        return 0;
    }
    if (!open_) {
        SetUp();
    }
    // effOpen may change the counts; anything out of bounds now leaves the
    // plug-in without channels or parameters rather than overrunning them.
    const bool usable = CountsInBounds();
    parameters_ = usable ? effect_->numParams : 0;
    inputs_ = usable ? effect_->numInputs : 0;
    outputs_ = usable ? effect_->numOutputs : 0;

    MachineInfo info;
    info.name = AskName(vst::kEffGetProductString);
    info.shortName = AskName(vst::kEffGetEffectName);
    info.author = AskName(vst::kEffGetVendorString);
    info.alternateName = info.name;
    info.flags = HasEditor() ? kInfoHasEditor : 0;
    info.revision = 1;
    info.minTracks = kMinTracks;
    info.maxTracks = kMaxTracks;
    info.inputChannels = inputs_;
    info.outputChannels = outputs_;
    const bool instrument = (effect_->flags & vst::kFlagsIsSynth) != 0;
    info.kind = instrument ? kKindGenerator : kKindEffect;
    DescribeInfo(info);

    for (std::int32_t i = 0; i < parameters_; ++i) {
        ParameterDescriptor descriptor;
        descriptor.name = AskText(vst::kEffGetParamName, i);
        descriptor.description = descriptor.name;
        descriptor.folder = -1;
        descriptor.type = kTypeDouble;
        descriptor.flags = kParamGlobal | kParamMachineHeld;
        descriptor.maximum = 1.0;
        descriptor.defaultValue = GetParameterValue(i);
        DescribeParameter(i, descriptor);
    }
    noteParameter_ = instrument ? parameters_ : -1;
    if (instrument) {
        DescribeParameter(noteParameter_, ParameterDescriptor::Note("Note", "Note"));
    }
    if (usable && effect_->numPrograms > 1) {
        DescribePrograms();
    }
    return 1;
}

void VstAdapter::DescribePrograms() {
    const std::intptr_t current = Dispatch(vst::kEffGetProgram);
    for (std::int32_t j = 0; j < effect_->numPrograms; ++j) {
        bool answered = false;
        std::string name = AskText(vst::kEffGetProgramNameIndexed, j, -1, &answered);
        if (!answered) {
            Dispatch(vst::kEffSetProgram, 0, j);
            name = AskText(vst::kEffGetProgramName);
        }
        DescribeProgram(j, name.c_str());
    }
    Dispatch(vst::kEffSetProgram, 0, current);
}

std::int32_t VstAdapter::Init(const ByteBuffer& state) {
    if (effect_ == nullptr) {
        return 0;
    }
    // On the disk before the first work call: a crash while playing shows
    // at the next start.
    if (!marked_) {
        MarkPlaying(library_);
        marked_ = true;
    }
    samples_.assign(static_cast<std::size_t>(inputs_ + outputs_) * kMaxChunkFrames, 0.0F);
    inputBlocks_.resize(static_cast<std::size_t>(inputs_));
    outputBlocks_.resize(static_cast<std::size_t>(outputs_));
    for (std::int32_t c = 0; c < inputs_ + outputs_; ++c) {
        float* block = samples_.data() + static_cast<std::size_t>(c) * kMaxChunkFrames;
        (c < inputs_ ? inputBlocks_[static_cast<std::size_t>(c)]
                     : outputBlocks_[static_cast<std::size_t>(c - inputs_)]) = block;
    }
    if (events_ == nullptr) {
        events_ = std::make_unique<EventBlock>();
        for (std::size_t i = 0; i < events_->midi.size(); ++i) {
            events_->list.events[i] = &events_->midi[i];
        }
    }
    if (!state.Empty()) {
        // A copy of our own with a zero byte after the counted ones: some
        // plug-ins keep their chunk as text and read it up to a zero.
        std::vector<std::uint8_t> chunk(state.Data(), state.Data() + state.Size());
        chunk.push_back(0);
        Dispatch(vst::kEffSetChunk, kChunkIsProgram, state.Size(), chunk.data());
    }
    return 1;
}

void VstAdapter::AddMidi(std::uint8_t status, std::uint8_t data1, std::uint8_t data2,
                         std::int32_t deltaFrames) noexcept {
    vst::Events<kMaxEvents>& list = events_->list;
    if (list.numEvents >= kMaxEvents) {
        return;
    }
    vst::MidiEvent& event = events_->midi[static_cast<std::size_t>(list.numEvents++)];
    event = vst::MidiEvent{};
    event.deltaFrames = deltaFrames;
    event.midiData[0] = status;
    event.midiData[1] = data1;
    event.midiData[2] = data2;
}

std::int32_t VstAdapter::Work(const WorkRecord& record) {
    if (effect_ == nullptr || events_ == nullptr) {
        return 0;
    }
    const std::int32_t frames = std::clamp(record.frameCount, 0, kMaxChunkFrames);
    events_->list.numEvents = 0;
    if (allNotesOff_.exchange(false)) {
        AddMidi(kController, kAllNotesOff, 0, 0);
    }
    const double elapsed = frames * beatsPerSample;
    for (std::size_t note = 0; note < countdowns_.size(); ++note) {
        if (countdowns_[note] > 0.0) {
            countdowns_[note] -= elapsed;
            if (countdowns_[note] <= 0.0) {
                AddMidi(kNoteOff, static_cast<std::uint8_t>(note), 0, 0);
                countdowns_[note] = 0.0;
            }
        }
    }
    for (std::int32_t i = 0; i < record.eventCount; ++i) {
        const EventRecord& event = *record.events[i];
        if (event.group != kGroupMachine || event.index < 0) {
            continue;
        }
        if (event.index != noteParameter_) {
            if (event.index < parameters_) {
                const PluginCodeScope plugin;
                effect_->setParameter(effect_, event.index, static_cast<float>(event.value));
            }
            continue;
        }
        // The plug-in hears MIDI notes: a note value is kept within MIDI's
        // range rather than wrapped into another octave.
        const auto note = static_cast<std::uint8_t>(
            std::clamp(static_cast<std::int32_t>(event.value) + kMidiNoteShift, 0, 127));
        // Each note starts where it falls inside the chunk, so notes keep
        // their timing and order within it.
        const std::int32_t delta = std::clamp(event.offset, 0, std::max(frames - 1, 0));
        if (event.velocity > 0.0) {
            countdowns_[note] =
                event.noteLength > 0.0 ? event.noteLength : sampleRate * kEndlessBeatsPerHertz;
            const auto velocity =
                static_cast<std::uint8_t>(std::clamp(event.velocity, 0.0, 1.0) * 127.0);
            AddMidi(kNoteOn, note, velocity, delta);
        } else {
            countdowns_[note] = 0.0;
            AddMidi(kNoteOff, note, 0, delta);
        }
    }
    Dispatch(vst::kEffProcessEvents, 0, 0, &events_->list);
    Process(record, frames);
    return 1;
}

void VstAdapter::Process(const WorkRecord& record, std::int32_t frames) {
    for (std::int32_t c = 0; c < inputs_; ++c) {
        const double* from = record.inputs[c]->samples;
        float* to = inputBlocks_[static_cast<std::size_t>(c)];
        for (std::int32_t k = 0; k < frames; ++k) {
            to[k] = static_cast<float>(from[k]);
        }
    }
    for (float* block : outputBlocks_) {
        std::fill_n(block, kMaxChunkFrames, 0.0F);
    }
    // Plug-ins of the current interface leave the accumulating entry empty;
    // the outputs start silent, so both entries give the same samples.
    vst::ProcessFunction process =
        (effect_->flags & vst::kFlagsCanReplacing) != 0 && effect_->processReplacing != nullptr
            ? effect_->processReplacing
            : effect_->process;
    if (process != nullptr) {
        const PluginCodeScope plugin;
        process(effect_, inputBlocks_.data(), outputBlocks_.data(), frames);
    }
    for (std::int32_t c = 0; c < outputs_; ++c) {
        const float* from = outputBlocks_[static_cast<std::size_t>(c)];
        double* to = record.outputs[c]->samples;
        for (std::int32_t k = 0; k < frames; ++k) {
            to[k] = from[k];
        }
    }
}

std::int32_t VstAdapter::SaveState(ByteBuffer& state) {
    if (effect_ == nullptr || (effect_->flags & vst::kFlagsProgramChunks) == 0) {
        return 1;
    }
    void* bytes = nullptr;
    const std::intptr_t length = Dispatch(vst::kEffGetChunk, kChunkIsProgram, 0, &bytes);
    if (length > 0 && bytes != nullptr && length <= std::numeric_limits<std::int32_t>::max()) {
        state.Append(bytes, static_cast<std::int32_t>(length));
    }
    return 1;
}

std::int32_t VstAdapter::FormatValue(std::int32_t index, double, char* text) {
    if (effect_ == nullptr || index < 0 || index >= parameters_) {
        return 0;
    }
    // The plug-in shows the value it holds now.
    const std::string display = AskText(vst::kEffGetParamDisplay, index);
    const std::string label = AskText(vst::kEffGetParamLabel, index);
    std::snprintf(text, 256, "%s %s", display.c_str(), label.c_str());
    return 1;
}

double VstAdapter::GetParameterValue(std::int32_t index) {
    if (effect_ == nullptr || index < 0 || index >= parameters_) {
        return 0.0;
    }
    const PluginCodeScope plugin;
    return effect_->getParameter(effect_, index);
}

std::int32_t VstAdapter::SetParameterValue(std::int32_t index, double value) {
    if (effect_ == nullptr || index < 0 || index >= parameters_) {
        return 0;
    }
    const PluginCodeScope plugin;
    effect_->setParameter(effect_, index, static_cast<float>(value));
    return 1;
}

std::int32_t VstAdapter::SetProgram(std::int32_t program) {
    if (effect_ != nullptr) {
        Dispatch(vst::kEffSetProgram, 0, program);
    }
    return 1;
}

std::int32_t VstAdapter::Reserved130(std::int32_t) {
    return 1;
}

std::int32_t VstAdapter::Stop(std::int32_t mode) {
    if (mode == 1) {
        allNotesOff_ = true;
    }
    return 1;
}

bool VstAdapter::Restart() {
    if (effect_ == nullptr) {
        return false;
    }
    Dispatch(vst::kEffMainsChanged, 0, 0);
    Dispatch(vst::kEffMainsChanged, 0, 1);
    countdowns_.fill(0.0);
    allNotesOff_ = true;
    return true;
}

std::int32_t VstAdapter::OpenEditor(void* parentWindow) {
    if (effect_ == nullptr) {
        return 0;
    }
    Dispatch(vst::kEffEditOpen, 0, 0, parentWindow);
    editorOpen_ = true;
    return 1;
}

std::int32_t VstAdapter::CloseEditor() {
    if (effect_ == nullptr) {
        return 0;
    }
    editorOpen_ = false;
    Dispatch(vst::kEffEditClose);
    return 1;
}

std::int32_t VstAdapter::GetEditorSize(std::int32_t which) {
    if (effect_ == nullptr) {
        return 0;
    }
    vst::Rect* rect = nullptr;
    Dispatch(vst::kEffEditGetRect, 0, 0, &rect);
    if (rect == nullptr) {
        return 0;
    }
    switch (which) {
    case 1:
        return rect->right - rect->left;
    case 2:
        return rect->bottom - rect->top;
    default:
        return 0;
    }
}

std::int32_t VstAdapter::Idle() {
    if (effect_ == nullptr) {
        return 1;
    }
    if (needsIdle_) {
        Dispatch(vst::kEffIdle);
    }
    if (editorOpen_) {
        Dispatch(vst::kEffEditIdle);
    }
    return 1;
}

std::intptr_t VstAdapter::HostCallback(vst::Effect* effect, std::int32_t opcode, std::int32_t index,
                                       std::intptr_t, void* pointer, float opt) {
    switch (opcode) {
    case vst::kHostVersion:
        return kHostVersionAnswer;
    case vst::kHostGetNumAutomatableParameters:
        return kAutomatableParameters;
    case vst::kHostGetParameterQuantization:
        return 1;
    case vst::kHostGetLanguage:
        return kLanguageEnglish;
    case vst::kHostGetVendorString:
        CopyText(pointer, kVendor, vst::kMaxVendorText);
        return 1;
    case vst::kHostGetProductString:
        CopyText(pointer, kProduct, vst::kMaxProductText);
        return 1;
    default:
        break;
    }
    // Nothing may be thrown back into the plug-in's frames.
    try {
        VstAdapter* adapter = VstInstanceList::Find(effect);
        return adapter != nullptr ? adapter->HostRequest(opcode, index, pointer, opt) : 0;
    } catch (...) {
        return 0;
    }
}

std::intptr_t VstAdapter::HostRequest(std::int32_t opcode, std::int32_t index, void* pointer,
                                      float opt) {
    switch (opcode) {
    case vst::kHostAutomate:
        if (index >= 0 && index < parameters_) {
            ReportParameterChange(index, opt);
        }
        return 0;
    case vst::kHostCurrentId:
        return VstInstanceList::Position(this);
    case vst::kHostGetTime:
        time_ = vst::TimeInfo{};
        time_.sampleRate = sampleRate;
        time_.tempo = bpm;
        time_.flags = vst::kTempoValid;
        return reinterpret_cast<std::intptr_t>(&time_);
    case vst::kHostNeedIdle:
        needsIdle_ = true;
        return 1;
    case vst::kHostCanDo: {
        if (pointer == nullptr) {
            return 0;
        }
        const char* asked = static_cast<const char*>(pointer);
        return std::any_of(std::begin(kHostCanDo), std::end(kHostCanDo),
                           [asked](const char* can) { return std::strcmp(asked, can) == 0; })
                   ? 1
                   : 0;
    }
    case vst::kHostUpdateDisplay:
        Dispatch(vst::kEffGetProgram);
        for (std::int32_t i = 0; i < parameters_; ++i) {
            ReportParameterChange(i, GetParameterValue(i));
        }
        return 0;
    default:
        return 0;
    }
}

} // namespace tarn
