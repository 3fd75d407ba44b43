#include "machines/builtin/NesApu.h"

#include "dsp/DspLibrary.h"
#include "dsp/FixedPhase.h"
#include "machines/framework/ParameterDisplay.h"

#include <algorithm>

namespace tarn {
namespace {

constexpr double kVibratoHz = 5.0;
constexpr double kVibratoDepth = 0.03; // of the frequency, either way
constexpr double kSquareDuty = 0.75;
constexpr double kTriangleStepSeconds = 0.0004;
constexpr int kTriangleSteps = 16;

constexpr FolderRow kFolders[] = {
    {.index = NesApu::kSquare1, .name = "Square 1"},
    {.index = NesApu::kSquare2, .name = "Square 2"},
    {.index = NesApu::kTriangle, .name = "Triangle"},
};

// The rows of one channel, in the order they are described; the triangle
// has only enabled, note and length.
constexpr std::array<ParameterRow, 7> ChannelRows(int channel) {
    const auto at = [channel](std::int32_t parameter) { return NesApu::Index(channel, parameter); };
    return {{
        {.index = at(NesApu::kEnabled),
         .name = "Channel enabled",
         .description = "Channel enabled",
         .type = kTypeSwitch,
         .defaultValue = 1.0,
         .resolution = 1.0,
         .folder = channel},
        {.index = at(NesApu::kNote),
         .name = "Note",
         .description = "Note",
         .type = kTypeNote,
         .maximum = 127.0,
         .resolution = 0.0,
         .folder = channel,
         .flags = kParamNoteDescriptor},
        {.index = at(NesApu::kVolume),
         .name = "Volume",
         .description = "Volume",
         .type = kTypeByte,
         .maximum = NesApu::kLevels,
         .defaultValue = NesApu::kLevels,
         .resolution = 1.0,
         .folder = channel},
        {.index = at(NesApu::kLength),
         .name = "Length",
         .description = "Length",
         .minimum = 1.0,
         .maximum = 999.0,
         .defaultValue = 100.0,
         .folder = channel},
        {.index = at(NesApu::kDecayEnabled),
         .name = "Decay enabled",
         .description = "Decay enabled",
         .type = kTypeSwitch,
         .resolution = 0.0,
         .folder = channel},
        {.index = at(NesApu::kDecayRate),
         .name = "Decay refresh rate",
         .description = "Decay refresh rate",
         .type = kTypeByte,
         .minimum = 1.0,
         .maximum = 200.0,
         .defaultValue = 30.0,
         .resolution = 1.0,
         .folder = channel},
        {.index = at(NesApu::kDecayShift),
         .name = "Decay rr shift",
         .description = "Decay rr shift",
         .type = kTypeByte,
         .maximum = 3.0,
         .resolution = 1.0,
         .folder = channel},
    }};
}

constexpr auto kRows = [] {
    std::array<ParameterRow, 17> rows{};
    const auto square1 = ChannelRows(NesApu::kSquare1);
    const auto square2 = ChannelRows(NesApu::kSquare2);
    const auto triangle = ChannelRows(NesApu::kTriangle);
    auto out = std::copy(square1.begin(), square1.end(), rows.begin());
    out = std::copy(square2.begin(), square2.end(), out);
    for (const std::size_t row : {0, 1, 3}) {
        *out++ = triangle[row];
    }
    return rows;
}();

MachineInfo NesInfo() {
    MachineInfo info = MachineInfo::Builtin(kKindGenerator, "Tarn NES.APU", "TNESAPU");
    return info;
}

std::int64_t Milliseconds(double ms, double rate) noexcept {
    return static_cast<std::int64_t>(ms * 0.001 * rate);
}

} // namespace

NesApu::NesApu() : BuiltinMachineBase(NesInfo(), ParameterTable{kRows, kFolders}) {
    Prepare(kDspSampleRate);
}

void NesApu::Prepare(double rate) {
    rate_ = rate;
    triangleStep_ = static_cast<std::int64_t>(kTriangleStepSeconds * rate);
    for (Channel& channel : channels_) {
        channel = Channel{};
    }
    for (SynthLfo& vibrato : vibrato_) {
        vibrato = SynthLfo{};
        vibrato.increment = PhaseIncrement(kVibratoHz / rate);
    }
}

void NesApu::ApplyParameter(const EventRecord& event) noexcept {
    const int index = event.index;
    const int channelIndex = index / kChannelStride;
    if (index < 0 || channelIndex > kTriangle) {
        return;
    }
    Channel& channel = channels_[channelIndex];
    const double v = event.value;
    switch (index % kChannelStride) {
    case kEnabled:
        channel.enabled = TruncateValue(v) != 0;
        break;
    case kNote:
        TakeNote(channelIndex, event);
        break;
    case kVolume:
        channel.volume = std::clamp(TruncateValue(v), 0, kLevels);
        break;
    case kDecayEnabled:
        channel.decayEnabled = TruncateValue(v) != 0;
        break;
    case kDecayRate:
        channel.decayLength = Milliseconds(v, rate_);
        break;
    case kDecayShift:
        channel.decayShift = TruncateValue(v);
        break;
    case kLength:
        channel.lengthSamples = Milliseconds(v, rate_);
        break;
    default:
        break;
    }
}

void NesApu::PlayNote(const EventRecord& note) noexcept {
    TakeNote(kSquare1, note);
}

void NesApu::TakeNote(int channelIndex, const EventRecord& note) noexcept {
    Channel& channel = channels_[channelIndex];
    if (!(note.velocity > 0.0)) {
        // A key release ends the note the way its length running out does:
        // the squares stop, the triangle fades.
        channel.pending = false;
        channel.lengthCountdown = 0;
        return;
    }
    channel.note = std::clamp(TruncateValue(note.value), 0, kNoteTableSize - 1);
    channel.pending = true;
}

void NesApu::StartSquare(Channel& square) noexcept {
    square.pending = false;
    square.increment = NoteFrequency(square.note) / rate_;
    square.lengthCountdown = square.lengthSamples;
    square.level = square.volume;
    if (square.decayEnabled) {
        square.decayCountdown = square.decayLength;
        square.decayStep = square.decayLength;
        square.state = kDecay;
    } else {
        square.state = kHold;
    }
}

void NesApu::StartTriangle(Channel& triangle) noexcept {
    triangle.pending = false;
    triangle.increment = NoteFrequency(triangle.note) / rate_;
    triangle.lengthCountdown = triangle.lengthSamples;
    triangle.state = kRise;
    triangle.riseCountdown = triangleStep_;
    triangle.decayCountdown = triangleStep_;
    triangle.decayStep = triangleStep_;
}

double NesApu::SquareOutput(const Channel& square) noexcept {
    if (!square.enabled) {
        return 0.0;
    }
    return square.phase < kSquareDuty ? square.level : -square.level;
}

double NesApu::TriangleOutput(const Channel& triangle) noexcept {
    if (!triangle.enabled) {
        return 0.0;
    }
    const double t =
        triangle.phase < 0.5 ? 2.0 * triangle.phase : 1.0 - (triangle.phase - 0.5) * 2.0;
    const int step = static_cast<int>(t * kTriangleSteps);
    return (step - 7.5) * 2.0 * triangle.level / kLevels;
}

void NesApu::TickSquare(Channel& square, SynthLfo& vibrato) noexcept {
    if (square.state == kDecay && --square.decayCountdown < 0) {
        // Each step of the decay lasts twice as long as the one before.
        square.decayStep *= 2;
        square.decayCountdown = square.decayStep;
        if (--square.level < 0) {
            square.level = 0;
            square.state = kHold;
        }
    }
    vibrato.Advance();
    square.phase += (1.0 + kVibratoDepth * vibrato.value) * square.increment;
    if (square.phase >= 1.0) {
        square.phase -= 1.0;
    }
    if (square.lengthCountdown != 0) {
        --square.lengthCountdown;
    } else {
        square.state = kHold;
        square.level = 0;
    }
}

void NesApu::TickTriangle(Channel& triangle) noexcept {
    if (triangle.state == kRise && --triangle.riseCountdown < 0) {
        triangle.riseCountdown = triangleStep_;
        triangle.level = std::min(triangle.level + 1, triangle.volume);
    } else if (triangle.state == kDecay && --triangle.decayCountdown < 0) {
        triangle.decayCountdown = triangle.decayStep;
        if (--triangle.level < 0) {
            triangle.level = 0;
            triangle.state = kHold;
        }
    }
    triangle.phase += triangle.increment;
    if (triangle.phase >= 1.0) {
        triangle.phase -= 1.0;
    }
    if (triangle.lengthCountdown != 0) {
        --triangle.lengthCountdown;
    } else if (triangle.state == kRise) {
        triangle.state = kDecay;
    }
}

double NesApu::RenderFrame() noexcept {
    for (int square : {kSquare1, kSquare2}) {
        if (channels_[square].pending) {
            StartSquare(channels_[square]);
        }
    }
    if (channels_[kTriangle].pending) {
        StartTriangle(channels_[kTriangle]);
    }
    const double out = (SquareOutput(channels_[kSquare1]) + SquareOutput(channels_[kSquare2]) +
                        TriangleOutput(channels_[kTriangle])) *
                       kMixScale;
    TickSquare(channels_[kSquare1], vibrato_[0]);
    TickSquare(channels_[kSquare2], vibrato_[1]);
    TickTriangle(channels_[kTriangle]);
    return out;
}

void NesApu::RenderSegment(const WorkRecord& record, int from, int to) noexcept {
    for (int frame = from; frame < to; ++frame) {
        mono_[frame] = RenderFrame();
    }
    FanOut(record, mono_.data(), from, to);
}

std::int32_t NesApu::Stop(std::int32_t mode) {
    if (mode == 1) {
        for (Channel& channel : channels_) {
            channel.pending = false;
            channel.level = 0;
            channel.state = kSilent;
        }
    }
    return 1;
}

} // namespace tarn
