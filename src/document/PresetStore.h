#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tarn {

class GearRegistry;
class Node;

// The named presets of one machine type, kept in one file of the XML
// dialect: a root ("root" when made here) with one "preset" per preset,
// holding "name" and one "parameter" ("id", "value" written with "%.6f")
// per machine parameter in parameter order. "Default" is never stored: it
// always means every parameter at its default.
//
// Threads and locks: GUI thread. The file is read (Read) without the
// project lock; listing and applying what was read take a Node, so the
// caller holds the lock for them. Values are written into the Node under
// its own lock, one parameter at a time. Questions (overwrite, delete) go to the current user
// interaction. Every refusal writes one "error: " line and changes neither the file nor the Node;
// the file is only ever replaced whole (see XmlTree::Save), and a file that exists but does not
// read is never written over, so no preset is lost to a damaged file.
class PresetStore {
public:
    static constexpr const char* kDefaultName = "Default";
    static constexpr const char* kExtension = ".preset.xml";

    explicit PresetStore(std::filesystem::path file) : file_(std::move(file)) {}

    // The file of a machine type: its Gear directory, the registry name and
    // ".preset.xml"; none for a name the registry does not know.
    static std::optional<std::filesystem::path> FileFor(const GearRegistry& registry,
                                                        std::string_view machineName);

    const std::filesystem::path& File() const { return file_; }

    // The machine parameters' values on track 0 (parameter index, value),
    // in parameter order: what a preset stores.
    using Values = std::vector<std::pair<int, double>>;
    static Values ReadValues(Node& node);

    // The stored presets as the file held them when read, in file order.
    // A missing file holds none and is no error; a file that exists but
    // does not read has written its error line and is not readable.
    struct Contents {
        bool missing = true;
        bool readable = false;
        std::vector<std::pair<std::string, Values>> presets;
    };
    Contents Read() const;
    // What Apply of name needs: the file is not read for "Default".
    Contents ReadFor(std::string_view name) const;

    // "Default", the stored presets in file order, then the machine's own
    // programs.
    std::vector<std::string> List(const Node& node) const { return List(node, Read()); }
    static std::vector<std::string> List(const Node& node, const Contents& contents);

    // Sets every machine parameter from the preset (track 0) and tells the
    // machine, notes aside. Unknown ids and values outside a parameter's
    // range are warned about; the rest is applied. The name of one of the
    // machine's own programs that no stored preset has chooses that
    // program in the machine. 0 after an error line when the file cannot be
    // read or holds no preset of that name, or the machine refuses.
    int Apply(Node& node, std::string_view name) const { return Apply(node, name, ReadFor(name)); }
    static int Apply(Node& node, std::string_view name, const Contents& contents);

    // Stores the Node's current values under name, after asking whether to
    // replace a preset of that name. Refused for "Default", an empty name or
    // one the file could not give back unchanged (leading blank, control
    // characters).
    int Save(Node& node, std::string_view name) const;
    // The same for values read earlier: an editor reads them under the
    // project lock and saves after leaving it, so that the audio thread
    // never waits for the user's answer.
    int Save(const Values& values, std::string_view name) const;

    // Gives a stored preset another name. Refused for "Default" on either
    // side, a name Save would refuse, and a name another preset has.
    int Rename(std::string_view from, std::string_view to) const;

    // Removes the preset after asking the user.
    int Delete(std::string_view name) const;

private:
    std::filesystem::path file_;
};

} // namespace tarn
