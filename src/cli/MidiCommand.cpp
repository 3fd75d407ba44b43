#include "audio/AlsaMidiInput.h"
#include "audio/JackMidiInput.h"
#include "cli/Command.h"
#include "studio/CommandConsole.h"

#include <iostream>

namespace tarn {
namespace {

void PrintSources(const std::string& heading, const MidiInput& input) {
    const std::vector<std::string> sources = input.Sources();
    std::cout << heading << " (" << sources.size() << " source" << (sources.size() == 1 ? "" : "s")
              << ")\n";
    for (const std::string& source : sources) {
        std::cout << "  " << source << '\n';
    }
}

// Opens the inputs as playing would, so what it lists is what a live
// player hears, and closes them again.
int ListMidiInputs(CommandConsole& console) {
    console.EchoMessages(true);
    MidiEventRing ring;
    AlsaMidiInput alsa;
    if (alsa.Open(ring)) {
        PrintSources("ALSA sequencer: client " + std::to_string(alsa.ClientId()) + ":" +
                         std::to_string(alsa.PortId()) + " '" + AlsaMidiInput::kClientName + "'",
                     alsa);
        alsa.Close();
    }
    JackMidiInput jack;
    if (jack.Open(ring)) {
        PrintSources("JACK MIDI: port " + jack.PortName(), jack);
        jack.Close();
    } else {
        std::cout << "JACK MIDI: no JACK server running\n";
    }
    return 0;
}

} // namespace

Command AddMidiCommand(CommandParser& app) {
    CommandParser parser = app.Subcommand(
        "midi", "List the MIDI input ports the studio hears on the ALSA sequencer and on JACK");
    return {parser, [](CommandConsole& console) { return ListMidiInputs(console); }};
}

} // namespace tarn
