#include "machines/framework/vst/VstPluginScan.h"

#include "base/AppDirectory.h"
#include "base/MessagePipe.h"
#include "formats/XmlTree.h"
#include "machines/framework/vst/VstPlayingMarks.h"

#include <charconv>
#include <string>

namespace tarn {
namespace fs = std::filesystem;
namespace {

constexpr const char* kUsable = "usable";
constexpr const char* kRefused = "refused";
// Did not answer in time once: refused until it is tried again.
constexpr const char* kSlow = "slow";
constexpr const char* kCrashedWhilePlaying = "crashed while playing; plugins scan tries it again";

// The size and modification time by which a verdict knows its library.
void Stamp(const fs::path& library, std::uintmax_t& size, std::int64_t& modified) {
    std::error_code error;
    size = fs::file_size(library, error);
    modified = error ? 0 : fs::last_write_time(library, error).time_since_epoch().count();
}

template <typename Number> Number ReadNumber(const std::string& text) {
    Number number = 0;
    std::from_chars(text.data(), text.data() + text.size(), number);
    return number;
}

} // namespace

void VstPluginScan::Load() {
    loaded_ = true;
    const fs::path file = AppPath(kCacheFile);
    std::error_code error;
    XmlTree cache;
    if (!fs::exists(file, error) || cache.Load(file) == 0 || cache.Root() == nullptr) {
        return;
    }
    for (auto [index, item] : cache.Root()->Children()) {
        Verdict verdict;
        verdict.library = item->ChildValueByName("path");
        verdict.size = ReadNumber<std::uintmax_t>(item->ChildValueByName("size"));
        verdict.modified = ReadNumber<std::int64_t>(item->ChildValueByName("modified"));
        verdict.result.probed = true;
        verdict.result.usable = item->ChildValueByName("state") == kUsable;
        verdict.result.timedOut = item->ChildValueByName("state") == kSlow;
        verdict.result.reason = item->ChildValueByName("reason");
        verdict.result.name = item->ChildValueByName("name");
        verdict.result.kind = item->ChildValueByName("kind");
        if (!verdict.library.empty()) {
            verdicts_[verdict.library] = verdict;
        }
    }
}

void VstPluginScan::Save() const {
    XmlTree cache;
    XmlNode* root = cache.AddNode(nullptr, "plugins");
    for (const auto& [library, verdict] : verdicts_) {
        XmlNode* item = root->AddChild("plugin");
        item->AddChild("path", library.string());
        item->AddChild("size", std::to_string(verdict.size));
        item->AddChild("modified", std::to_string(verdict.modified));
        item->AddChild("state", verdict.result.usable     ? kUsable
                                : verdict.result.timedOut ? kSlow
                                                          : kRefused);
        item->AddChild("reason", verdict.result.reason);
        item->AddChild("name", verdict.result.name);
        item->AddChild("kind", verdict.result.kind);
    }
    std::error_code error;
    fs::create_directories(AppPath(kCacheFile).parent_path(), error);
    cache.Save(AppPath(kCacheFile));
}

void VstPluginScan::Screen(std::vector<GearEntry>& entries, bool retry) {
    if (!loaded_) {
        Load();
    }
    bool changed = false;
    // Libraries in use when a process crashed are refused until a scan
    // tries them again.
    EnablePlayingMarks();
    for (const fs::path& library : TakeCrashedWhilePlaying()) {
        Verdict verdict{library, 0, 0, {}};
        Stamp(library, verdict.size, verdict.modified);
        verdict.result.probed = true;
        verdict.result.reason = kCrashedWhilePlaying;
        WarningOut() << "warning: plug-in '" << library.string()
                     << "' refused: " << kCrashedWhilePlaying << eol;
        verdicts_[library] = std::move(verdict);
        changed = true;
    }
    for (GearEntry& entry : entries) {
        if (entry.adapter.empty()) {
            continue;
        }
        const fs::path library = entry.directory / entry.fileName;
        std::uintmax_t size = 0;
        std::int64_t modified = 0;
        Stamp(library, size, modified);
        const auto known = verdicts_.find(library);
        const bool same = !retry && known != verdicts_.end() && known->second.size == size &&
                          known->second.modified == modified;
        const bool slow = same && known->second.result.timedOut;
        if (!same || slow) {
            Verdict verdict{library, size, modified,
                            ProbeVstLibrary(library, slow ? slowLimit_ : limit_)};
            if (verdict.result.timedOut && slow) {
                verdict.result.timedOut = false;
                verdict.result.reason += ", the second time too";
            } else if (verdict.result.timedOut) {
                verdict.result.reason += "; tried again with " +
                                         std::to_string(slowLimit_.count()) +
                                         " ms at the next start";
            }
            if (!verdict.result.usable) {
                WarningOut() << "warning: plug-in '" << library.string()
                             << "' refused: " << verdict.result.reason << eol;
            }
            if (!verdict.result.probed) {
                // Not the library's fault: refused for now, tried again
                // next time.
                entry.refusal = verdict.result.reason;
                continue;
            }
            verdicts_[library] = std::move(verdict);
            changed = true;
        }
        const VstProbeResult& result = verdicts_[library].result;
        entry.refusal = result.usable ? std::string() : result.reason;
    }
    if (changed) {
        Save();
    }
}

} // namespace tarn
