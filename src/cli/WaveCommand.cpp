#include "cli/Command.h"
#include "document/ProjectFile.h"
#include "engine/Project.h"
#include "studio/Studio.h"
#include "wavetable/Wavetable.h"

#include <iostream>
#include <memory>
#include <mutex>
#include <string>

namespace tarn {
namespace {

struct WaveArguments {
    std::string project;
    std::string file;
    int slot = -1;
    int removeSlot = -1;
    CommandParser list;
    CommandParser add;
    CommandParser remove;
};

int LowestFreeSlot(const Project& project) {
    int slot = 0;
    while (project.Waves().Get(slot) != nullptr) {
        ++slot;
    }
    return slot;
}

void PrintWave(int slot, const Wave& wave) {
    const SoundFormat& format = wave.GetSound()->Format();
    std::cout << slot << ". " << wave.name << ": " << format.channelCount << " channels, "
              << format.frameCount << " frames, " << format.sampleRate << " Hz\n";
}

int RunWave(const WaveArguments& arguments) {
    Studio studio(StudioMachines::kBuiltInAndGear);
    std::unique_ptr<Project> loaded = studio.LoadProject(arguments.project);
    if (loaded == nullptr) {
        return 1;
    }
    studio.SetProject(std::move(loaded));
    std::lock_guard guard(studio.Current().Lock());
    Project& project = *studio.Current().Get();
    if (arguments.list.Parsed()) {
        for (const std::string& line : Wavetable::Listing(project)) {
            std::cout << line << '\n';
        }
        return 0;
    }
    int slot = arguments.removeSlot;
    if (arguments.add.Parsed()) {
        slot = arguments.slot >= 0 ? arguments.slot : LowestFreeSlot(project);
        if (studio.Wavetable().LoadIntoSlot(slot, arguments.file) == 0) {
            return 1;
        }
        PrintWave(slot, *project.Waves().Get(slot));
    } else if (studio.Wavetable().ClearSlot(slot) == 0) {
        return 1;
    }
    // The file is replaced only once the new one is completely written.
    return SaveProject(project, arguments.project) != 0 ? 0 : 1;
}

} // namespace

Command AddWaveCommand(CommandParser& app) {
    auto arguments = std::make_shared<WaveArguments>();
    CommandParser parser = app.Subcommand("wave", "List, add or remove the waves of a project");
    parser.Option("PROJECT", arguments->project, "The project file (.tarn)").Required();
    parser.RequireSubcommand();
    arguments->list = parser.Subcommand("list", "Print each occupied slot and its wave");
    arguments->add = parser.Subcommand(
        "add", "Load a sound file into a slot and save the project; prints the slot, name, "
               "channels, frames and rate");
    arguments->add.Option("FILE", arguments->file, "The sound file").Required();
    arguments->add.Option("--slot", arguments->slot, "The slot (lowest free by default)")
        .Between(0, Project::kMaxIndex);
    arguments->remove = parser.Subcommand("remove", "Clear a slot and save the project");
    arguments->remove.Option("N", arguments->removeSlot, "The slot").Required();
    return {parser, [arguments](CommandConsole&) { return RunWave(*arguments); }};
}

} // namespace tarn
