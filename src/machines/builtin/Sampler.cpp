#include "machines/builtin/Sampler.h"

namespace tarn {
namespace {

using namespace sampler_rows;

// Every parameter, in the order they are described.
constexpr auto kParameters =
    JoinRows(std::array<ParameterRow, 2>{{NoteRow(SamplerEngine::kNote),
                                          {.index = Sampler::kWave,
                                           .name = "Wave",
                                           .description = "Wave",
                                           .type = kTypeByte,
                                           .maximum = 255.0,
                                           .resolution = 1.0,
                                           .folder = SamplerEngine::kAmpEnvFolder,
                                           .flags = kParamGlobal}}},
             kEnvelopeRows,
             std::array<ParameterRow, 1>{{{.index = Sampler::kGlide,
                                           .name = "Glide",
                                           .description = "Glide Length",
                                           .type = kTypeByte,
                                           .maximum = 255.0,
                                           .defaultValue = 10.0,
                                           .resolution = 1.0,
                                           .folder = -1,
                                           .flags = kParamGlobal}}},
             kFilterRows);

MachineInfo SamplerInfo() {
    MachineInfo info = MachineInfo::Builtin(kKindGenerator, "Sampler", "TSampler");
    info.inputChannels = 0;
    info.maxTracks = SamplerEngine::kVoiceCount;
    return info;
}

} // namespace

Sampler::Sampler() : SamplerEngine(SamplerInfo(), ParameterTable{kParameters, kFolders}) {
    PlayEveryNote();
}

void Sampler::ApplyParameter(const EventRecord& event) noexcept {
    if (event.index == kWave) {
        wave_ = TruncateValue(event.value);
    } else {
        // Glide is taken and ignored.
        SamplerEngine::ApplyParameter(event);
    }
}

int Sampler::WaveSlot(int) const noexcept {
    return wave_;
}

void Sampler::PlayNote(const EventRecord& note) noexcept {
    const int key = TruncateValue(note.value);
    auto& voices = Voices();
    if (!(note.velocity > 0.0)) {
        for (SamplerVoice& voice : voices) {
            if (voice.Sounding() && voice.Note() == key) {
                voice.Release();
            }
        }
        return;
    }
    // A free voice, else the one that has played longest (the first of
    // equals).
    SamplerVoice* chosen = nullptr;
    for (SamplerVoice& voice : voices) {
        if (!voice.Sounding() && !voice.Pending()) {
            chosen = &voice;
            break;
        }
        if (chosen == nullptr || voice.Age() > chosen->Age()) {
            chosen = &voice;
        }
    }
    chosen->Queue(key, NoteFrames(note));
}

} // namespace tarn
