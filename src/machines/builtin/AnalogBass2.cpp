#include "machines/builtin/AnalogBass2.h"

namespace tarn {
namespace {

constexpr double kCentsPerNote = 100.0;

constexpr std::array<ParameterRow, 3> kLayerRows{{
    {.index = AnalogBass2::kDetune,
     .name = "Detune",
     .description = "Second oscillator detune\nThe second oscillator's pitch against the first, "
                    "in cents (100 cents to a semitone); the two beat at the difference",
     .minimum = -100.0,
     .maximum = 100.0,
     .defaultValue = 7.0,
     .resolution = 0.5,
     .folder = -1,
     .format = [](char* text, double v) noexcept { return WriteValueText(text, v, 1, " cents"); }},
    {.index = AnalogBass2::kSecondLevel,
     .name = "Osc 2 Level",
     .description = "Second oscillator level\nHow much of the detuned second oscillator joins "
                    "the first; 0 plays the first alone",
     .defaultValue = 0.5,
     .folder = -1,
     .format = analog_bass::FormatPercent},
    {.index = AnalogBass2::kSubLevel,
     .name = "Sub Level",
     .description = "Sub-oscillator level\nHow much of a square one octave below the first "
                    "oscillator joins the mix",
     .folder = -1,
     .format = analog_bass::FormatPercent},
}};

constexpr auto kRows = JoinRows(analog_bass::kRows, kLayerRows);

} // namespace

AnalogBass2::AnalogBass2()
    : AnalogBass(MachineInfo::Builtin(kKindGenerator, "Analog Bass 2", "ABass2"),
                 ParameterTable{kRows, analog_bass::kFolders}) {}

void AnalogBass2::ApplyParameter(const EventRecord& event) noexcept {
    switch (event.index) {
    case kDetune:
        detune_ = event.value;
        break;
    case kSecondLevel:
        secondLevel_ = event.value;
        break;
    case kSubLevel:
        subLevel_ = event.value;
        break;
    default:
        AnalogBass::ApplyParameter(event);
        return;
    }
    SetLayers(secondLevel_, detune_ / kCentsPerNote, subLevel_);
}

} // namespace tarn
