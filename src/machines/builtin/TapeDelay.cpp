#include "machines/builtin/TapeDelay.h"

#include "dsp/DspLibrary.h"
#include "machines/builtin/EchoParameters.h"

#include <algorithm>
#include <cmath>

namespace tarn {
namespace {

constexpr double kPanScale = 1.414214; // both gains 1 at pan 0

constexpr ParameterRow PlainRow(std::int32_t index, const char* name) {
    return {.index = index, .name = name, .description = name, .resolution = 0.001};
}

constexpr std::array<ParameterRow, 11> kRows{{
    {.index = TapeDelay::kInputPan,
     .name = "Input pan",
     .description = "Input pan",
     .defaultValue = 0.5},
    FeedbackRow(TapeDelay::kFeedback),
    WetOutRow(TapeDelay::kWetOut),
    LengthRow(TapeDelay::kLengthLeft, false),
    LengthRow(TapeDelay::kLengthRight, true),
    {.index = TapeDelay::kType,
     .name = "Type",
     .description = "Type",
     .type = kTypeByte,
     .resolution = 0.001},
    {.index = TapeDelay::kInverted,
     .name = "Inverted",
     .description = "Inverted",
     .type = kTypeSwitch,
     .resolution = 0.001},
    PlainRow(TapeDelay::kDepthLeft, "Mod depth (L)"),
    PlainRow(TapeDelay::kDepthRight, "Mod depth (R)"),
    PlainRow(TapeDelay::kSpeedLeft, "Mod speed (L)"),
    PlainRow(TapeDelay::kSpeedRight, "Mod speed (R)"),
}};

double Cube(double v) noexcept {
    return v * v * v;
}

} // namespace

TapeDelay::TapeDelay()
    : StereoEffect(MachineInfo::Builtin(kKindEffect, "Tarn Tape Delay", "TTDelay"),
                   ParameterTable{kRows}) {
    Prepare(kDspSampleRate);
}

void TapeDelay::Prepare(double rate) {
    rate_ = rate;
    for (Channel& channel : channels_) {
        channel.line.Allocate(kLineSize);
        channel.modulation = TableLfo{};
        channel.modulation.samples = LfoTable(kLfoTriangle)->samples;
        channel.modulation.increment = TableLfo::IncrementFor(kRestingRateHz / rate);
    }
    SetPan(0.5);
}

void TapeDelay::SetPan(double pan) noexcept {
    // Equal power: the two gains' squares add up to 2 at every pan.
    channels_[0].inputGain = kPanScale * std::sqrt(std::max(0.5 - pan / 2.0, 0.0));
    channels_[1].inputGain = kPanScale * std::sqrt(std::max(0.5 + pan / 2.0, 0.0));
}

void TapeDelay::ApplyParameter(const EventRecord& event) noexcept {
    const double v = event.value;
    switch (event.index) {
    case kInputPan:
        SetPan(v);
        break;
    case kWetOut:
        wetGain_ = WetGain(v);
        break;
    case kType:
        type_ = TruncateValue(v);
        break;
    case kInverted:
        inverted_ = TruncateValue(v) != 0;
        break;
    case kFeedback:
        feedback_ = v;
        break;
    case kLengthLeft:
    case kLengthRight:
        channels_[event.index == kLengthLeft ? 0 : 1].length = std::trunc(v * samplesPerBeat);
        break;
    case kDepthLeft:
    case kDepthRight:
        channels_[event.index == kDepthLeft ? 0 : 1].depth = Cube(v) * rate_;
        break;
    default: // the speeds, up to 10 Hz
        channels_[event.index == kSpeedLeft ? 0 : 1].modulation.increment =
            TableLfo::IncrementFor(Cube(v) * 10.0 / rate_);
        break;
    }
}

void TapeDelay::RenderSegment(const WorkRecord& record, int from, int to) noexcept {
    const StereoChannels io = Channels(record);
    Channel& left = channels_[0];
    Channel& right = channels_[1];
    const bool crossed = type_ == kCrossFeedback;
    for (int i = from; i < to; ++i) {
        const double guard = guard_.Next();
        const double yLeft = left.line.Read(left.length + left.depth * left.modulation.Tick());
        const double yRight = right.line.Read(right.length + right.depth * right.modulation.Tick());
        const double inLeft = io.left[i] * left.inputGain;
        const double inRight = io.right[i] * right.inputGain;
        left.line.Write(guard + (inverted_ ? inRight : inLeft) +
                        feedback_ * (crossed ? yRight : yLeft));
        right.line.Write(guard + (inverted_ ? inLeft : inRight) +
                         feedback_ * (crossed ? yLeft : yRight));
        io.outLeft[i] = FlushBelowFloor(io.left[i] + yLeft * wetGain_);
        io.outRight[i] = FlushBelowFloor(io.right[i] + yRight * wetGain_);
    }
}

} // namespace tarn
