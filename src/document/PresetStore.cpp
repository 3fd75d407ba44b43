#include "document/PresetStore.h"

#include "base/MessagePipe.h"
#include "base/UserInteraction.h"
#include "engine/Node.h"
#include "engine/ParameterChange.h"
#include "formats/XmlTree.h"
#include "machines/framework/GearRegistry.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>

namespace tarn {
namespace {

// How far "%.6f" may move a value.
constexpr double kWrittenPrecision = 0.5e-6;

bool IsPreset(const XmlNode& node, std::string_view name) {
    return node.Name() == "preset" && node.ChildByName("name") != nullptr &&
           node.ChildValueByName("name") == name;
}

bool NameSurvivesTheFile(std::string_view name) {
    return !name.empty() && name.front() != ' ' &&
           std::none_of(name.begin(), name.end(),
                        [](char c) { return static_cast<unsigned char>(c) < 0x20 && c != '\t'; });
}

// The file as it is now: 1 with the tree, 0 after an error line when it
// exists but cannot be read whole; a missing or empty file starts a new
// tree when startNew, and is an error otherwise.
int ReadFile(const std::filesystem::path& file, XmlTree& tree, bool startNew) {
    std::error_code error;
    const bool empty =
        !std::filesystem::exists(file, error) || (std::filesystem::is_regular_file(file, error) &&
                                                  std::filesystem::file_size(file, error) == 0);
    if (startNew && empty) {
        tree.Clear();
        tree.AddNode(nullptr, "root");
        return 1;
    }
    return tree.LoadComplete(file);
}

int Store(const XmlTree& tree, const std::filesystem::path& file) {
    std::error_code error;
    if (file.has_parent_path()) {
        std::filesystem::create_directories(file.parent_path(), error);
    }
    return tree.Save(file);
}

// Whether a preset may be stored or changed under name; otherwise one
// error line ("Default preset can't be changed!").
bool AcceptsName(std::string_view name, const char* change) {
    if (name == PresetStore::kDefaultName) {
        ErrorOut() << "Default preset can't be " << change << "!" << eol;
        return false;
    }
    if (!NameSurvivesTheFile(name)) {
        ErrorOut() << "error: '" << name << "' cannot be a preset name" << eol;
        return false;
    }
    return true;
}

void NoSuchPreset(std::string_view name) {
    ErrorOut() << "error: there is no preset '" << name << "'" << eol;
}

} // namespace

std::optional<std::filesystem::path> PresetStore::FileFor(const GearRegistry& registry,
                                                          std::string_view machineName) {
    const std::optional<std::filesystem::path> directory = registry.GetDirectory(machineName);
    if (!directory) {
        return std::nullopt;
    }
    return *directory / (std::string(machineName) + kExtension);
}

PresetStore::Contents PresetStore::Read() const {
    Contents contents;
    std::error_code error;
    contents.missing = !std::filesystem::exists(file_, error);
    XmlTree tree;
    if (contents.missing || tree.LoadComplete(file_) == 0) {
        return contents;
    }
    contents.readable = true;
    for (auto [index, preset] : tree.Root()->Children()) {
        if (preset->Name() != "preset" || preset->ChildByName("name") == nullptr) {
            continue;
        }
        Values values;
        for (auto [position, parameter] : preset->Children()) {
            if (parameter->Name() == "parameter") {
                const std::string id = parameter->ChildValueByName("id");
                const std::string value = parameter->ChildValueByName("value");
                values.emplace_back(static_cast<int>(std::strtol(id.c_str(), nullptr, 10)),
                                    std::strtod(value.c_str(), nullptr));
            }
        }
        contents.presets.emplace_back(preset->ChildValueByName("name"), std::move(values));
    }
    return contents;
}

PresetStore::Contents PresetStore::ReadFor(std::string_view name) const {
    return name == kDefaultName ? Contents{} : Read();
}

std::vector<std::string> PresetStore::List(const Node& node, const Contents& contents) {
    std::vector<std::string> names = {kDefaultName};
    for (const auto& [name, values] : contents.presets) {
        names.push_back(name);
    }
    for (const auto& [number, program] : node.Programs()) {
        names.push_back(program);
    }
    return names;
}

int PresetStore::Apply(Node& node, std::string_view name, const Contents& contents) {
    if (name == kDefaultName) {
        for (const auto& [index, descriptor] : node.Parameters(kGroupMachine)) {
            ChangeParameter(node, kGroupMachine, 0, index, descriptor.defaultValue);
        }
        return 1;
    }
    const auto stored = [name](const auto& preset) { return preset.first == name; };
    const auto& programs = node.Programs();
    const auto program = std::find_if(programs.begin(), programs.end(),
                                      [name](const auto& entry) { return entry.second == name; });
    // A stored preset goes before a program of the same name, as in the list.
    if (program != programs.end() &&
        std::none_of(contents.presets.begin(), contents.presets.end(), stored)) {
        if (node.SendToMachine(kMsgSetProgram, program->first) == 0) {
            ErrorOut() << "error: the machine refused its program '" << name << "'" << eol;
            return 0;
        }
        return 1;
    }
    if (!contents.readable && !contents.missing) {
        return 0;
    }
    bool found = false;
    for (const auto& [presetName, values] : contents.presets) {
        if (presetName != name) {
            continue;
        }
        found = true;
        for (auto [number, value] : values) {
            const ParameterDescriptor* descriptor = node.FindParameter(kGroupMachine, number);
            if (descriptor == nullptr) {
                WarningOut() << "Paremeter '" << number << "' does not exist. Information lost."
                             << eol;
                continue;
            }
            const double maximum = std::max(descriptor->minimum, descriptor->maximum);
            // What "%.6f" rounded past a limit is the limit itself.
            if (value >= descriptor->minimum - kWrittenPrecision &&
                value <= maximum + kWrittenPrecision) {
                value = std::clamp(value, descriptor->minimum, maximum);
            } else {
                value = descriptor->defaultValue;
                WarningOut() << "Paremeter '" << descriptor->name
                             << "' is out of range. Default value was assigned." << eol;
            }
            ChangeParameter(node, kGroupMachine, 0, number, value);
        }
    }
    if (!found) {
        NoSuchPreset(name);
        return 0;
    }
    return 1;
}

PresetStore::Values PresetStore::ReadValues(Node& node) {
    Values values;
    for (const auto& [index, descriptor] : node.Parameters(kGroupMachine)) {
        values.emplace_back(index, node.ReadParameter(kGroupMachine, 0, index));
    }
    return values;
}

int PresetStore::Save(Node& node, std::string_view name) const {
    return Save(ReadValues(node), name);
}

int PresetStore::Save(const Values& values, std::string_view name) const {
    if (!AcceptsName(name, "changed")) {
        return 0;
    }
    XmlTree tree;
    if (ReadFile(file_, tree, true) == 0) {
        return 0;
    }
    XmlNode& root = *tree.Root();
    for (auto [index, preset] : root.Children()) {
        if (!IsPreset(*preset, name)) {
            continue;
        }
        const std::string question =
            "A preset with name '" + std::string(name) + "' already exists. Overwrite?";
        if (CurrentInteraction().ShowMessage("Preset name", question, MessageBoxButtons::kYesNo) !=
            MessageBoxAnswer::kYes) {
            return 0;
        }
        root.RemoveChild(preset);
        break;
    }
    XmlNode* preset = root.AddChild("preset");
    preset->AddChild("name", std::string(name));
    std::array<char, 64> text{};
    for (const auto& [index, value] : values) {
        XmlNode* parameter = preset->AddChild("parameter");
        parameter->AddChild("id", std::to_string(index));
        std::snprintf(text.data(), text.size(), "%.6f", value);
        parameter->AddChild("value", text.data());
    }
    return Store(tree, file_);
}

int PresetStore::Rename(std::string_view from, std::string_view to) const {
    if (!AcceptsName(from, "renamed") || !AcceptsName(to, "changed")) {
        return 0;
    }
    XmlTree tree;
    if (ReadFile(file_, tree, false) == 0) {
        return 0;
    }
    XmlNode* renamed = nullptr;
    for (auto [index, preset] : tree.Root()->Children()) {
        if (IsPreset(*preset, to) && from != to) {
            ErrorOut() << "error: there is a preset '" << to << "' already" << eol;
            return 0;
        }
        if (renamed == nullptr && IsPreset(*preset, from)) {
            renamed = preset;
        }
    }
    if (renamed == nullptr) {
        NoSuchPreset(from);
        return 0;
    }
    renamed->ChildByName("name")->SetValue(std::string(to));
    return Store(tree, file_);
}

int PresetStore::Delete(std::string_view name) const {
    if (name == kDefaultName) {
        ErrorOut() << "Default preset can't be deleted!" << eol;
        return 0;
    }
    const std::string question = "Delete preset '" + std::string(name) + "'?";
    if (CurrentInteraction().ShowMessage("Delete preset", question, MessageBoxButtons::kYesNo) !=
        MessageBoxAnswer::kYes) {
        return 0;
    }
    XmlTree tree;
    if (ReadFile(file_, tree, false) == 0) {
        return 0;
    }
    XmlNode& root = *tree.Root();
    bool found = false;
    for (int index = root.Children().Count() - 1; index >= 0; --index) {
        const XmlNode* preset = root.Children().Get(index);
        if (IsPreset(*preset, name)) {
            root.RemoveChild(preset);
            found = true;
        }
    }
    if (!found) {
        NoSuchPreset(name);
        return 0;
    }
    return Store(tree, file_);
}

} // namespace tarn
