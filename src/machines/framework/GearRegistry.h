#pragma once

#include "formats/XmlTree.h"
#include "machines/framework/BuiltinMachine.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tarn {

// One creatable machine of the registry.
struct GearEntry {
    // The plug-in library's file name with extension; empty for built-ins.
    std::string fileName;
    // The registry name: a built-in's name or the library's file title.
    std::string name;
    // Where the per-machine configuration (and a plug-in's library) lives.
    // A built-in's directory need not exist.
    std::filesystem::path directory;
    // The adapter text of the directory group that found the plug-in;
    // empty for built-ins and for groups that name no adapter.
    std::string adapter;
    // Why the library must not be loaded into the studio (it crashed, hung
    // or is no plug-in when tried aside); empty when it may.
    std::string refusal;
};

// A name with the plug-in extension that is no library to try: a folder,
// a symbolic link to nothing or in a loop, or another kind of file.
struct SkippedGearEntry {
    std::filesystem::path path;
    std::string reason;
};

// Decides which plug-in libraries may be loaded into the studio's process,
// filling the refusal of the entries it turns down.
using PluginScreen = std::function<void(std::vector<GearEntry>& entries)>;

// The list of every machine that can be created: the registered built-ins
// in table order, then the plug-in libraries found in the directories of
// "Plugin/Gear/Gear.config.xml". GUI thread only; rebuilding never touches
// machines that already exist.
class GearRegistry {
public:
    static constexpr const char* kConfigurationFile = "Plugin/Gear/Gear.config.xml";
    static constexpr const char* kBuiltinFolder = "Plugin/Gear/Native/Tarn/";
    static constexpr const char* kPluginExtension = ".so";
    static constexpr const char* kConfigurationSuffix = ".config.xml";

    // The table must outlive the registry.
    explicit GearRegistry(std::span<const BuiltinMachine> builtins) : builtins_(builtins) {}

    // Every plug-in entry of later builds goes through the screen.
    void SetScreen(PluginScreen screen) { screen_ = std::move(screen); }

    // Starts over with the registered built-ins, then scans every directory
    // the directory list names and screens the plug-ins found. 0 (and one error line) when the list
    // cannot be read; the built-ins are registered all the same.
    int Build();

    // The first entry, in registry order, with exactly this name; null when
    // there is none. The pointer is valid until the next Build.
    const GearEntry* FindEntry(std::string_view name) const;

    std::optional<std::filesystem::path> GetDirectory(std::string_view name) const;

    // Empties the tree, then reads directory + "/" + name + ".config.xml"
    // into it. False when there is no such entry or the file cannot be read;
    // the file is optional, so a missing one is not reported.
    bool LoadConfiguration(std::string_view name, XmlTree& tree) const;

    const std::vector<GearEntry>& Entries() const { return entries_; }
    // What the last Build passed over, in the order it met them.
    const std::vector<SkippedGearEntry>& Skipped() const { return skipped_; }

private:
    // Depth first: subdirectories before the directory's own libraries, each
    // in name order. chain holds the directories being scanned, so that a
    // symbolic link back to one of them cannot recurse forever.
    void Scan(const std::filesystem::path& directory, const std::string& adapter,
              std::vector<std::filesystem::path>& chain);

    std::span<const BuiltinMachine> builtins_;
    std::vector<GearEntry> entries_;
    std::vector<SkippedGearEntry> skipped_;
    PluginScreen screen_;
};

} // namespace tarn
