#include "machines/builtin/TrackSampler.h"

#include "dsp/BalanceGains.h"

#include <cmath>

namespace tarn {
namespace {

using namespace sampler_rows;

int FormatVolume(char* text, double v) noexcept {
    return WriteValueText(text, v, 2, "dB");
}

// Every parameter, in the order they are described.
constexpr auto kParameters = JoinRows(
    std::array<ParameterRow, 4>{{
        NoteRow(SamplerEngine::kNote, "Note",
                "Note\nStarts the track's wave at this pitch; note 48 "
                "plays it at its own rate"),
        {.index = TrackSampler::kWave,
         .name = "Wave",
         .description = "Wave\nThe wavetable slot this track plays; every track plays its own, so "
                        "one machine plays a whole kit",
         .type = kTypeByte,
         .maximum = 255.0,
         .resolution = 1.0,
         .folder = -1,
         .flags = kParamWithEveryNote},
        {.index = TrackSampler::kVolume,
         .name = "Volume",
         .description = "Volume\nThe track's level in decibels",
         .minimum = -80.0,
         .maximum = 20.0,
         .resolution = 0.05,
         .folder = -1,
         .format = FormatVolume},
        {.index = TrackSampler::kPan,
         .name = "Pan",
         .description = "Pan\nThe track's balance: -1 plays the left side only, 1 the right side "
                        "only",
         .minimum = -1.0,
         .maximum = 1.0,
         .resolution = 0.05,
         .folder = -1},
    }},
    kEnvelopeRows, kFilterRows);

MachineInfo TrackSamplerInfo() {
    MachineInfo info = MachineInfo::Builtin(kKindGenerator, "Track Sampler", "TTSampler");
    info.inputChannels = 0;
    info.maxTracks = SamplerEngine::kVoiceCount;
    return info;
}

} // namespace

TrackSampler::TrackSampler()
    : SamplerEngine(TrackSamplerInfo(), ParameterTable{kParameters, kFolders}) {}

void TrackSampler::ApplyParameter(const EventRecord& event) noexcept {
    Track& track = tracks_[static_cast<std::size_t>(event.track)];
    switch (event.index) {
    case kWave:
        track.wave = TruncateValue(event.value);
        return;
    case kVolume:
        track.volume = std::pow(10.0, event.value * 0.05);
        break;
    case kPan:
        track.pan = event.value;
        break;
    default:
        SamplerEngine::ApplyParameter(event);
        return;
    }
    const BalanceGains gains = BalanceGains::At(track.pan);
    SamplerVoice& voice = Voices()[static_cast<std::size_t>(event.track)];
    voice.gainLeft = gains.left * track.volume;
    voice.gainRight = gains.right * track.volume;
}

int TrackSampler::WaveSlot(int voice) const noexcept {
    return tracks_[static_cast<std::size_t>(voice)].wave;
}

void TrackSampler::PlayNote(const EventRecord& note) noexcept {
    SamplerVoice& voice = Voices()[static_cast<std::size_t>(note.track)];
    const int key = TruncateValue(note.value);
    if (note.velocity > 0.0) {
        voice.Queue(key, NoteFrames(note));
    } else if (voice.Sounding() && voice.Note() == key) {
        voice.Release();
    }
}

} // namespace tarn
