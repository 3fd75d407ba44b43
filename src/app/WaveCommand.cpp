#include "app/Command.h"
#include "app/Studio.h"
#include "document/ProjectFile.h"
#include "engine/Project.h"
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
    CLI::App* list = nullptr;
    CLI::App* add = nullptr;
    CLI::App* remove = nullptr;
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
    if (arguments.list->parsed()) {
        for (const std::string& line : Wavetable::Listing(project)) {
            std::cout << line << '\n';
        }
        return 0;
    }
    int slot = arguments.removeSlot;
    if (arguments.add->parsed()) {
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

Command AddWaveCommand(CLI::App& app) {
    auto arguments = std::make_shared<WaveArguments>();
    CLI::App* parser = app.add_subcommand("wave", "List, add or remove the waves of a project");
    parser->add_option("PROJECT", arguments->project, "The project file (.tarn)")->required();
    parser->require_subcommand(1);
    arguments->list = parser->add_subcommand("list", "Print each occupied slot and its wave");
    arguments->add = parser->add_subcommand(
        "add", "Load a sound file into a slot and save the project; prints the slot, name, "
               "channels, frames and rate");
    arguments->add->add_option("FILE", arguments->file, "The sound file")->required();
    arguments->add->add_option("--slot", arguments->slot, "The slot (lowest free by default)")
        ->check(CLI::Range(0, Project::kMaxIndex));
    arguments->remove = parser->add_subcommand("remove", "Clear a slot and save the project");
    arguments->remove->add_option("N", arguments->removeSlot, "The slot")->required();
    return {parser, [arguments](CommandConsole&) { return RunWave(*arguments); }};
}

} // namespace tarn
