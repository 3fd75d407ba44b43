// A tiny VST 2 instrument for the adapter's tests. It marks every MIDI event
// it receives as one sample at the event's delta frame: left channel a
// note-on (note / 128), right channel -1 for a note-off and 0.5 for "all
// notes off". Its texts overrun the interface's limits on purpose, it
// announces a replacing process only, and it answers what it learnt from
// the host as its vendor text. Built twice: exporting only "main" and only
// "VSTPluginMain".

#include "machines/framework/vst/VstAbi.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

using namespace tarn::vst;

namespace {

constexpr int kParameters = 3;

struct Click {
    Effect effect{};
    HostCallbackFunction host = nullptr;
    float parameters[kParameters] = {0.25F, 0.5F, 0.0F};
    int program = 0;
    Rect rect{0, 0, 200, 320};
    std::string hostAnswers;
    float pendingLeft[256] = {};
    float pendingRight[256] = {};
    int pendingFrames = 0;
};

Click* Of(Effect* effect) {
    return static_cast<Click*>(effect->object);
}

void Write(void* to, const std::string& text) {
    std::memcpy(to, text.c_str(), text.size() + 1);
}

std::intptr_t Ask(Click* click, std::int32_t opcode, void* pointer = nullptr) {
    return click->host(&click->effect, opcode, 0, 0, pointer, 0.0F);
}

void LearnHost(Click* click) {
    char vendor[256] = {};
    char product[256] = {};
    Ask(click, kHostGetVendorString, vendor);
    Ask(click, kHostGetProductString, product);
    std::string canDo;
    for (const char* text : {"sendVstEvents", "sendVstMidiEvent", "sendVstTimeInfo", "supplyIdle",
                             "receiveVstEvents", "sendVstEvent"}) {
        canDo += std::to_string(Ask(click, kHostCanDo, const_cast<char*>(text)));
    }
    click->hostAnswers = std::to_string(Ask(click, kHostVersion)) + " " +
                         std::to_string(Ask(click, kHostGetNumAutomatableParameters)) + " " +
                         std::to_string(Ask(click, kHostGetLanguage)) + " " +
                         std::to_string(Ask(click, kHostCurrentId)) + " " + vendor + "/" + product +
                         " " + canDo;
}

std::intptr_t Dispatcher(Effect* effect, std::int32_t opcode, std::int32_t index,
                         std::intptr_t value, void* pointer, float) {
    Click* click = Of(effect);
    switch (opcode) {
    case kEffOpen:
        LearnHost(click);
        return 0;
    case kEffClose:
        delete click;
        return 0;
    case kEffSetProgram:
        click->program = static_cast<int>(value);
        return 0;
    case kEffGetProgram:
        return click->program;
    case kEffGetProgramName:
        Write(pointer, "Program " + std::to_string(click->program));
        return 0;
    case kEffGetParamLabel:
        Write(pointer, "dB");
        return 0;
    case kEffGetParamDisplay:
        Write(pointer, std::to_string(static_cast<int>(click->parameters[index] * 100.0F)));
        return 0;
    case kEffGetParamName:
        Write(pointer, "Parameter " + std::to_string(index) + std::string(100, '-'));
        return 0;
    case kEffEditGetRect:
        *static_cast<Rect**>(pointer) = &click->rect;
        return 1;
    case kEffGetChunk:
        *static_cast<void**>(pointer) = click->parameters;
        return sizeof(click->parameters);
    case kEffSetChunk:
        if (value == sizeof(click->parameters)) {
            std::memcpy(click->parameters, pointer, sizeof(click->parameters));
        }
        return 0;
    case kEffProcessEvents: {
        const auto* list = static_cast<const Events<2>*>(pointer);
        for (int i = 0; i < list->numEvents; ++i) {
            const MidiEvent& event = *list->events[i];
            const int at = event.deltaFrames & 255;
            const int status = event.midiData[0] & 0xF0;
            if (status == 0x90) {
                click->pendingLeft[at] += static_cast<float>(event.midiData[1]) / 128.0F;
            } else if (status == 0x80) {
                click->pendingRight[at] += -1.0F;
            } else if (status == 0xB0 && event.midiData[1] == 123) {
                click->pendingRight[at] += 0.5F;
            }
        }
        return 1;
    }
    case kEffGetEffectName:
        Write(pointer, "Click");
        return 1;
    case kEffGetVendorString:
        Write(pointer, click->hostAnswers);
        return 1;
    case kEffGetProductString:
        Write(pointer, std::string(300, 'P'));
        return 1;
    case kEffGetVstVersion:
        return 2400;
    default:
        return 0;
    }
}

void ProcessReplacing(Effect* effect, float**, float** outputs, std::int32_t frames) {
#ifdef TARN_CLICK_CRASH_AT
    // As a plug-in that passes the probe's one work call and crashes later.
    static int calls = 0;
    if (++calls == TARN_CLICK_CRASH_AT) {
        std::raise(SIGSEGV);
    }
#endif
    Click* click = Of(effect);
    auto* time = reinterpret_cast<const TimeInfo*>(Ask(click, kHostGetTime));
    click->parameters[2] = time != nullptr && (time->flags & kTempoValid) != 0
                               ? static_cast<float>(time->tempo / 1000.0)
                               : -1.0F;
    for (int k = 0; k < frames; ++k) {
        outputs[0][k] = click->pendingLeft[k];
        outputs[1][k] = click->pendingRight[k];
        click->pendingLeft[k] = 0.0F;
        click->pendingRight[k] = 0.0F;
    }
}

void SetParameter(Effect* effect, std::int32_t index, float value) {
    Of(effect)->parameters[index] = value;
}

float GetParameter(Effect* effect, std::int32_t index) {
    return Of(effect)->parameters[index];
}

Effect* Make(HostCallbackFunction host) {
    auto* click = new Click;
    click->host = host;
    Effect& effect = click->effect;
    effect.magic = kEffectMagic;
    effect.dispatcher = &Dispatcher;
    effect.setParameter = &SetParameter;
    effect.getParameter = &GetParameter;
    effect.processReplacing = &ProcessReplacing;
    effect.numPrograms = 3;
    effect.numParams = kParameters;
    effect.numOutputs = 2;
    effect.flags = kFlagsHasEditor | kFlagsCanReplacing | kFlagsProgramChunks | kFlagsIsSynth;
    effect.object = click;
    return &effect;
}

} // namespace

// The export's name comes from the build; "main" cannot be declared as a
// function returning anything but int, so the symbol is named directly.
extern "C" __attribute__((visibility("default"))) Effect*
ClickEntry(HostCallbackFunction host) __asm__(TARN_ENTRY_NAME);

Effect* ClickEntry(HostCallbackFunction host) {
#ifdef TARN_CLICK_DELAY_MS
    // As a plug-in that needs long to start on a busy machine.
    usleep(TARN_CLICK_DELAY_MS * 1000);
#endif
#ifdef TARN_CLICK_FORKS
    // As a plug-in that starts a helper process of its own, which inherits
    // the descriptors of the process that loaded it. Its process id goes
    // where the test asks for it.
    if (const pid_t helper = fork(); helper == 0) {
        for (;;) {
            pause();
        }
    } else if (const char* file = std::getenv("TARN_TEST_HELPER_FILE"); file != nullptr) {
        if (std::FILE* out = std::fopen(file, "w"); out != nullptr) {
            std::fprintf(out, "%d\n", static_cast<int>(helper));
            std::fclose(out);
        }
    }
#endif
    return Make(host);
}
