#include "machines/builtin/CorvaDist.h"

#include "dsp/DspLibrary.h"
#include "dsp/TablePosition.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace tarn {
namespace {

constexpr std::int32_t kPreFolder = 2;
constexpr std::int32_t kPostFolder = 4;
constexpr FolderRow kFolders[] = {{.index = kPreFolder, .name = "Pre EQ"},
                                  {.index = kPostFolder, .name = "Post EQ"}};

constexpr ParameterRow Band(std::int32_t index, const char* name, std::int32_t folder,
                            double minimum) {
    return {.index = index,
            .name = name,
            .description = name,
            .minimum = minimum,
            .maximum = minimum < 0.0 ? 15.0 : 1.0,
            .defaultValue = 0.0,
            .resolution = 0.05,
            .folder = folder};
}

constexpr ParameterRow kRows[] = {
    {.index = CorvaDist::kAmount,
     .name = "Amount",
     .description = "Amount",
     .minimum = 0.0,
     .maximum = 40.0,
     .defaultValue = 0.0,
     .resolution = 0.05,
     // No folder of its own: it stands above the two equalisers.
     .folder = -1},
    Band(CorvaDist::kPreHigh, "High", kPreFolder, -15.0),
    Band(CorvaDist::kPreMid, "Mid", kPreFolder, -15.0),
    Band(CorvaDist::kPreLow, "Low", kPreFolder, -15.0),
    Band(CorvaDist::kPreMidFreq, "Mid Freq", kPreFolder, 0.0),
    Band(CorvaDist::kPostHigh, "High", kPostFolder, -15.0),
    Band(CorvaDist::kPostMid, "Mid", kPostFolder, -15.0),
    Band(CorvaDist::kPostLow, "Low", kPostFolder, -15.0),
    Band(CorvaDist::kPostMidFreq, "Mid Freq", kPostFolder, 0.0),
};

constexpr double kLowShelfHz = 80.0;
constexpr double kHighShelfHz = 10000.0;
constexpr double kMidHz = 2000.0;
constexpr double kMidOctaves = 1.0;
constexpr double kOversamplingQ = 0.7;
// Below this the normalising gain holds still rather than chase noise.
constexpr double kQuietest = 0.001;
constexpr double kRiseSeconds = 0.1;
constexpr double kCombFeedback = 0.3;
constexpr double kCombSeconds[CorvaDist::kCombs] = {0.0051, 0.0062, 0.0073};
constexpr double kSwayHz[CorvaDist::kCombs] = {0.5, 0.4, 0.3};

// Band 0 (low), 3 (mid) or 7 (high) of the equaliser an index names; the
// rest of the band numbers change nothing.
constexpr int kBandOfSlot[10] = {0, -1, -1, 1, -1, -1, -1, 2, -1, -1};

MachineInfo CorvaDistInfo() {
    MachineInfo info = MachineInfo::Builtin(kKindEffect, "Tarn Corva Dist", "TCDist");
    info.inputChannels = 2;
    info.outputChannels = 2;
    return info;
}

} // namespace

CorvaDist::CorvaDist() : StereoEffect(CorvaDistInfo(), ParameterTable{kRows, kFolders}) {
    Prepare(kDspSampleRate);
}

void CorvaDist::Equalizer::Init(double rate) noexcept {
    for (BiquadCascade& band : bands) {
        band.Init(rate, 1);
    }
    Design(0.0, 0.0, 0.0);
}

void CorvaDist::Equalizer::Design(double lowDb, double midDb, double highDb) noexcept {
    const double rate = bands[0].SampleRate();
    bands[0].coefficients = DesignLowShelf(kLowShelfHz, lowDb, rate);
    bands[1].coefficients = DesignHighShelf(kHighShelfHz, highDb, rate);
    bands[2].coefficients = DesignPeaking(kMidHz, midDb, kMidOctaves, rate);
}

void CorvaDist::Equalizer::NextGuards() noexcept {
    for (int i = 0; i < 3; ++i) {
        guards[i] = bands[i].NextGuard();
    }
}

double CorvaDist::Equalizer::Process(int channel, double x) noexcept {
    for (int i = 0; i < 3; ++i) {
        x = bands[i].ProcessGuarded(channel, x, guards[i]);
    }
    return x;
}

double CorvaDist::Comb::Process(double x) noexcept {
    const auto ahead = static_cast<std::uint32_t>(RoundToNearest((position + 1.0) * depth * 0.5));
    const double c = buffer[(ahead + counter) & mask];
    buffer[counter & mask] = c * kCombFeedback + x;
    ++counter;
    position = sway.Tick();
    return c;
}

void CorvaDist::Prepare(double rate) {
    oversampling_ = DesignLowpass(rate / 4.0, kOversamplingQ, 2.0 * rate);
    riseExponent_ = 1.0 / (kRiseSeconds * rate);
    for (Equalizer& equalizer : equalizers_) {
        equalizer.Init(rate);
    }
    bandDb_ = {};
    for (Channel& channel : channels_) {
        channel.upsample = BiquadSection{};
        channel.downsample = BiquadSection{};
        channel.gain = 1.0;
        for (int k = 0; k < kCombs; ++k) {
            Comb& comb = channel.combs[k];
            const auto wanted = static_cast<std::uint32_t>(std::max(kCombSeconds[k] * rate, 1.0));
            const std::uint32_t length = std::bit_ceil(wanted);
            comb.buffer.assign(length, 0.0);
            comb.mask = length - 1;
            comb.counter = 0;
            comb.depth = length * 0.01;
            comb.sway = TableLfo{};
            comb.sway.samples = LfoTable(kLfoTriangle)->samples;
            comb.sway.increment = TableLfo::IncrementFor(kSwayHz[k] / rate);
            comb.position = 0.0;
        }
    }
}

void CorvaDist::ApplyParameter(const EventRecord& event) noexcept {
    if (event.index == kAmount) {
        amount_ = event.value;
        return;
    }
    const int slot = event.index - kPreLow;
    if (slot < 0 || slot >= 20 || kBandOfSlot[slot % 10] < 0) {
        return; // the mid frequencies stay at 2000 Hz
    }
    std::array<double, 3>& gains = bandDb_[slot / 10];
    gains[kBandOfSlot[slot % 10]] = event.value;
    equalizers_[slot / 10].Design(gains[0], gains[1], gains[2]);
}

void CorvaDist::RenderSegment(const WorkRecord& record, int from, int to) noexcept {
    const StereoChannels io = Channels(record);
    const std::array<const double*, 2> inputs{io.left, io.right};
    const std::array<double*, 2> outputs{io.outLeft, io.outRight};
    const double drive = amount_ + 1.0;
    Equalizer& pre = equalizers_[0];
    Equalizer& post = equalizers_[1];
    for (int i = from; i < to; ++i) {
        const double guard = guard_.Next();
        pre.NextGuards();
        post.NextGuards();
        for (int c = 0; c < 2; ++c) {
            Channel& channel = channels_[c];
            double in = inputs[c][i];
            if (!(std::abs(in) <= kLargestInput)) {
                in = std::isnan(in) ? 0.0 : std::copysign(kLargestInput, in);
            }
            const double x = in + guard;
            const double e = pre.Process(c, x);
            double rise = 1.0;
            if (std::abs(e) > kQuietest) {
                const double target = 1.0 / std::abs(e);
                if (target < channel.gain) {
                    channel.gain = target;
                } else {
                    rise = std::pow(target / channel.gain, riseExponent_);
                }
            }
            // Twice the rate: the sample, then the guard value in the gap.
            const double shaped = channel.downsample.Process(
                oversampling_,
                std::sin(channel.upsample.Process(oversampling_, e * channel.gain) * drive));
            channel.downsample.Process(
                oversampling_, std::sin(channel.upsample.Process(oversampling_, guard) * drive));
            const double f = post.Process(c, shaped / channel.gain);
            channel.gain *= rise;
            double combs = 0.0;
            for (Comb& comb : channel.combs) {
                combs += comb.Process(f);
            }
            outputs[c][i] = FlushBelowFloor(0.25 * x + 0.25 * combs);
        }
    }
}

} // namespace tarn
