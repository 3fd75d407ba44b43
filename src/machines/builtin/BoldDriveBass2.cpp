#include "machines/builtin/BoldDriveBass2.h"

#include "dsp/DspLibrary.h"

#include <algorithm>
#include <span>

namespace tarn {
namespace {

constexpr std::array<const char*, 2> kGlideModeNames{"Legato", "Always"};

constexpr auto kRows = [] {
    std::array<ParameterRow, bold_drive::kRows.size() + 2> rows{};
    std::copy(bold_drive::kRows.begin(), bold_drive::kRows.end(), rows.begin());
    ParameterRow& waveform = rows[bold_drive::kWaveformRow];
    waveform.maximum = 3.0;
    waveform.names = std::span(kWaveFormNames).first(4);
    rows[bold_drive::kRows.size()] = {
        .index = BoldDriveBass2::kGlideMode,
        .name = "Glide mode",
        .description = "Glide mode\nLegato: a note after a Glide row slides in without "
                       "restarting the envelopes\nAlways: every note slides from the one before",
        .type = kTypeByte,
        .resolution = 1.0,
        .folder = -1,
        .names = kGlideModeNames};
    rows[bold_drive::kRows.size() + 1] = {
        .index = BoldDriveBass2::kPulseWidth,
        .name = "PW",
        .description = "Pulse width\nThe share of the period the Square wave stays high",
        .minimum = 0.05,
        .maximum = 0.95,
        .defaultValue = 0.5,
        .resolution = 0.01,
        .folder = -1,
        .format = bold_drive::FormatPercent};
    return rows;
}();

MachineInfo BoldDriveBass2Info() {
    MachineInfo info = MachineInfo::Builtin(kKindGenerator, "Bold Drive Bass 2", "BDB2");
    info.maxTracks = 4;
    info.alternateName = "Drive it bolder";
    return info;
}

} // namespace

BoldDriveBass2::BoldDriveBass2()
    : BoldDriveBass(BoldDriveBass2Info(), ParameterTable{kRows, bold_drive::kFolders}) {}

void BoldDriveBass2::ApplyParameter(const EventRecord& event) noexcept {
    switch (event.index) {
    case kWaveform:
        waveform_ = TruncateValue(event.value);
        if (waveform_ == kSquare) {
            oscillator_.waveSet = WaveSetFor(kWaveSawtooth);
            SetPulseWidth(width_);
            return;
        }
        break;
    case kPulseWidth:
        width_ = event.value;
        if (waveform_ == kSquare) {
            SetPulseWidth(width_);
        }
        return;
    case kGlideMode:
        glideAlways_ = TruncateValue(event.value) == kGlideAlways;
        return;
    default:
        break;
    }
    BoldDriveBass::ApplyParameter(event);
}

} // namespace tarn
