#include "machines/framework/GearRegistry.h"

#include "base/AppDirectory.h"
#include "base/MessagePipe.h"

#include <algorithm>

namespace tarn {
namespace fs = std::filesystem;
namespace {

// Why a name with the plug-in extension is no library to try.
std::string WhyNoLibrary(const fs::directory_entry& entry) {
    std::error_code error;
    const fs::file_status status = fs::status(entry.path(), error);
    if (error == std::errc::too_many_symbolic_link_levels) {
        return "a loop of symbolic links";
    }
    if (entry.is_symlink(error) && !fs::exists(status)) {
        return "a symbolic link to nothing ('" + fs::read_symlink(entry.path(), error).string() +
               "')";
    }
    if (fs::is_directory(status)) {
        return "a folder, not a library";
    }
    return "not a regular file";
}

} // namespace

int GearRegistry::Build() {
    entries_.clear();
    skipped_.clear();
    for (const BuiltinMachine& builtin : builtins_) {
        if (builtin.registered) {
            entries_.push_back(
                {{}, builtin.name, AppPath(std::string(kBuiltinFolder) + builtin.name), {}, {}});
        }
    }

    XmlTree list;
    if (list.Load(AppPath(kConfigurationFile)) == 0) {
        ErrorOut() << "error: failed to load Gear configuration" << eol;
        return 0;
    }
    for (auto [groupIndex, group] : list.Root()->Children()) {
        const std::string adapter = group->ChildValueByName("adapter");
        for (auto [index, child] : group->Children()) {
            const std::string directory = child->ChildValueByName("name");
            // A directory element without a name would otherwise resolve to
            // the application directory itself.
            if (child->Name() != "directory" || directory.empty()) {
                continue;
            }
            std::vector<fs::path> chain;
            Scan(ResolvePath(directory), adapter, chain);
        }
    }
    if (screen_) {
        screen_(entries_);
    }
    return 1;
}

void GearRegistry::Scan(const fs::path& directory, const std::string& adapter,
                        std::vector<fs::path>& chain) {
    std::error_code error;
    const fs::path identity = fs::canonical(directory, error);
    if (error || std::find(chain.begin(), chain.end(), identity) != chain.end()) {
        return;
    }
    std::vector<fs::directory_entry> listing;
    for (fs::directory_iterator it(directory, error), end; !error && it != end;
         it.increment(error)) {
        listing.push_back(*it);
    }
    if (error) {
        return;
    }
    // The file system's own order differs between file systems; name order
    // makes the registry, and so which duplicate wins, reproducible.
    std::sort(listing.begin(), listing.end(), [](const auto& left, const auto& right) {
        return left.path().filename().string() < right.path().filename().string();
    });

    chain.push_back(identity);
    for (const fs::directory_entry& entry : listing) {
        if (entry.is_directory(error)) {
            Scan(entry.path(), adapter, chain);
        }
    }
    chain.pop_back();

    for (const fs::directory_entry& entry : listing) {
        const fs::path& path = entry.path();
        if (path.extension() != kPluginExtension) {
            continue;
        }
        if (entry.is_regular_file(error)) {
            entries_.push_back(
                {path.filename().string(), path.stem().string(), directory, adapter, {}});
        } else {
            skipped_.push_back({path, WhyNoLibrary(entry)});
        }
    }
}

const GearEntry* GearRegistry::FindEntry(std::string_view name) const {
    const auto found = std::find_if(entries_.begin(), entries_.end(),
                                    [name](const GearEntry& entry) { return entry.name == name; });
    return found == entries_.end() ? nullptr : &*found;
}

std::optional<fs::path> GearRegistry::GetDirectory(std::string_view name) const {
    const GearEntry* entry = FindEntry(name);
    if (entry == nullptr) {
        return std::nullopt;
    }
    return entry->directory;
}

bool GearRegistry::LoadConfiguration(std::string_view name, XmlTree& tree) const {
    tree.Clear();
    const GearEntry* entry = FindEntry(name);
    if (entry == nullptr) {
        return false;
    }
    const fs::path file = entry->directory / (entry->name + kConfigurationSuffix);
    std::error_code error;
    if (!fs::exists(file, error)) {
        return false;
    }
    return tree.Load(file) != 0;
}

} // namespace tarn
