#include "machines/builtin/Tracker.h"

#include "dsp/SampleReader.h"
#include "machines/framework/ParameterDisplay.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tarn {
namespace {

constexpr int kRootNote = 48;
// How long a note plays when its length does not count: frames.
constexpr std::int32_t kUnlimitedFrames = 0x0FFFFFFF;
// "Sample offset" moves in 256ths of the wave.
constexpr int kOffsetSteps = 256;

constexpr std::array<const char*, 4> kCommandNames{"Sample offset", "Beat fit", "Reverse beat fit",
                                                   "Sample reverse"};

// The command's name; values naming no command read as an empty text.
int FormatCommand(char* text, double v) noexcept {
    FormatEnumeration(text, v, kCommandNames);
    return 1;
}

int FormatVolume(char* text, double v) noexcept {
    return WriteValueText(text, v, 2, "dB");
}

constexpr ParameterRow CommandRow(std::int32_t index, const char* name, bool command) {
    return {.index = index,
            .name = name,
            .description = name,
            .type = kTypeByte,
            .maximum = 255.0,
            .resolution = 1.0,
            .flags = kParamHidden,
            .format = command ? FormatCommand : nullptr};
}

constexpr ParameterRow TrackerNoteRow() {
    ParameterRow row = NoteRow(Tracker::kNote);
    row.folder = 0;
    return row;
}

// Every parameter, in the order they are described; the Tracker has no
// folders.
constexpr ParameterRow kParameters[] = {
    TrackerNoteRow(),
    {.index = Tracker::kVolume,
     .name = "Volume",
     .description = "Volume",
     .minimum = -80.0,
     .maximum = 20.0,
     .resolution = 0.05,
     .format = FormatVolume},
    {.index = Tracker::kPan,
     .name = "Pan",
     .description = "Pan",
     .minimum = -1.0,
     .maximum = 1.0,
     .resolution = 0.05},
    {.index = Tracker::kWave,
     .name = "Wave",
     .description = "Wave",
     .type = kTypeByte,
     .maximum = 255.0,
     .resolution = 1.0,
     .flags = kParamWithEveryNote},
    CommandRow(Tracker::kCommand1, "Command1", true),
    CommandRow(Tracker::kValue1, "Value1", false),
    CommandRow(Tracker::kCommand2, "Command2", true),
    CommandRow(Tracker::kValue2, "Value2", false),
    {.index = Tracker::kUseNoteLength,
     .name = "Use note length",
     .description = "Use note length",
     .type = kTypeSwitch,
     .resolution = 1.0,
     .flags = kParamGlobal},
};

MachineInfo TrackerInfo() {
    MachineInfo info = MachineInfo::Builtin(kKindGenerator, "Tarn Tracker", "TTracker");
    info.inputChannels = 0;
    info.maxTracks = Tracker::kMaxTracks;
    return info;
}

} // namespace

Tracker::Tracker() : BuiltinMachineBase(TrackerInfo(), ParameterTable{kParameters}) {
    Prepare(kDspSampleRate);
}

void Tracker::Prepare(double rate) {
    rate_ = rate;
    useNoteLength_ = false;
    noteArrived_ = false;
    voices_.fill(Voice{});
}

std::int32_t Tracker::Init(const ByteBuffer& state) {
    BuiltinMachineBase::Init(state);
    // The command columns' defaults name "Sample offset"; a new machine
    // holds no command until one is entered.
    for (Voice& voice : voices_) {
        UseUpCommands(voice);
    }
    return 1;
}

void Tracker::UseUpCommands(Voice& voice) noexcept {
    voice.command1 = -1;
    voice.command2 = -1;
    voice.value1 = 0;
    voice.value2 = 0;
}

void Tracker::ApplyParameter(const EventRecord& event) noexcept {
    Voice& voice = voices_[static_cast<std::size_t>(event.track)];
    const double v = event.value;
    switch (event.index) {
    case kWave:
        voice.wave = TruncateValue(v);
        break;
    case kVolume:
        voice.volume = std::pow(10.0, v * 0.05);
        break;
    case kPan:
        voice.gains = BalanceGains::At(v);
        break;
    case kCommand1:
        voice.command1 = TruncateValue(v);
        break;
    case kValue1:
        voice.value1 = TruncateValue(v);
        break;
    case kCommand2:
        voice.command2 = TruncateValue(v);
        break;
    case kValue2:
        voice.value2 = TruncateValue(v);
        break;
    case kUseNoteLength:
        useNoteLength_ = TruncateValue(v) != 0;
        break;
    default:
        break;
    }
}

void Tracker::PlayNote(const EventRecord& note) noexcept {
    Voice& voice = voices_[static_cast<std::size_t>(note.track)];
    voice.notePending = true;
    voice.note = note.value;
    voice.noteLength = note.noteLength;
    voice.velocity = note.velocity;
    noteArrived_ = true;
}

void Tracker::ApplyCommand(Voice& voice, int command, int value) const noexcept {
    const int frames = voice.data.frames;
    if (command == kSampleReverse) {
        voice.reverse = true;
        return;
    }
    if (frames <= 0) {
        return;
    }
    switch (command) {
    case kSampleOffset:
        voice.position = static_cast<double>(value) * (frames / kOffsetSteps);
        break;
    case kBeatFit:
    case kReverseBeatFit:
        if (value != 0 && samplesPerBeat > 0.0) {
            voice.step = frames / (value * samplesPerBeat);
            voice.reverse = voice.reverse || command == kReverseBeatFit;
        }
        break;
    default:
        break;
    }
}

void Tracker::StartNote(Voice& voice) noexcept {
    if (voice.notePending && voice.velocity > 0.0) {
        voice.playing = true;
        voice.reverse = false;
        voice.position = 0.0;
        const double length = voice.noteLength * samplesPerBeat;
        voice.remaining = voice.noteLength > 0.0 && useNoteLength_
                              ? static_cast<std::int32_t>(std::clamp(
                                    length, 0.0, double{std::numeric_limits<std::int32_t>::max()}))
                              : kUnlimitedFrames;
        voice.data = WaveView::Of(GetWave(voice.wave));
        voice.step = std::exp2((voice.note - kRootNote) / 12.0) * voice.data.RateRatio(rate_);
        ApplyCommand(voice, voice.command1, voice.value1);
        ApplyCommand(voice, voice.command2, voice.value2);
        if (voice.reverse) {
            // The forward reading mirrored: one step before the end (or
            // before the offset from it), so that a frame plays once and a
            // beat fit lasts its beats exactly.
            voice.position = std::max(voice.data.frames - voice.position - voice.step, 0.0);
            voice.step = -voice.step;
        }
    }
    voice.notePending = false;
    UseUpCommands(voice);
}

void Tracker::StartNotes() noexcept {
    for (int track = 0; track < TrackCount(); ++track) {
        StartNote(voices_[static_cast<std::size_t>(track)]);
    }
}

std::int32_t Tracker::Work(const WorkRecord& record) noexcept {
    for (int track = 0; track < TrackCount(); ++track) {
        Voice& voice = voices_[static_cast<std::size_t>(track)];
        if (voice.playing) {
            voice.data = WaveView::Of(GetWave(voice.wave));
        }
    }
    return BuiltinMachineBase::Work(record);
}

void Tracker::RenderSegment(const WorkRecord& record, int from, int to) noexcept {
    if (noteArrived_) {
        StartNotes();
        noteArrived_ = false;
    }
    double* left = record.outputs[0]->samples;
    double* right = record.outputs[1]->samples;
    std::fill(left + from, left + to, 0.0);
    std::fill(right + from, right + to, 0.0);
    for (int track = 0; track < TrackCount(); ++track) {
        Voice& voice = voices_[static_cast<std::size_t>(track)];
        const WaveView& data = voice.data;
        for (int frame = from; frame < to && voice.playing && data.Present(); ++frame) {
            const double l = ReadSample(data.left, data.frames, voice.position);
            const double r =
                data.right == data.left ? l : ReadSample(data.right, data.frames, voice.position);
            left[frame] += voice.gains.left * l * voice.volume;
            right[frame] += voice.gains.right * r * voice.volume;
            voice.position += voice.step;
            if (voice.step > 0.0 ? voice.position >= data.frames : voice.position < 0.0) {
                voice.playing = false;
            }
            if (voice.remaining <= 1) {
                voice.playing = false;
            }
            --voice.remaining;
        }
    }
}

std::int32_t Tracker::Stop(std::int32_t mode) {
    if (mode == 1) {
        for (Voice& voice : voices_) {
            voice.playing = false;
            voice.notePending = false;
        }
        noteArrived_ = false;
    }
    return 1;
}

} // namespace tarn
