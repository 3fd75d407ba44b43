#include "wavetable/Wavetable.h"

#include "base/AppDirectory.h"
#include "base/MessagePipe.h"
#include "engine/Project.h"
#include "formats/ListFile.h"

#include <algorithm>
#include <memory>
#include <mutex>

namespace tarn {

Wavetable::Wavetable(CurrentProject& project, SoundLoader& loader, PreviewSlot& preview,
                     SlotChanged slotChanged)
    : project_(project), loader_(loader), preview_(preview), slotChanged_(std::move(slotChanged)) {}

void Wavetable::Notify(int slot) const {
    if (slotChanged_) {
        slotChanged_(slot);
    }
}

int Wavetable::LoadIntoSlot(int slot, const std::filesystem::path& file) {
    if (slot < 0) {
        ErrorOut() << "error: please specify a slot in the wavetable" << eol;
        return 0;
    }
    if (slot > Project::kMaxIndex) {
        ErrorOut() << "error: wavetable slot " << slot << " is out of range" << eol;
        return 0;
    }
    if (loader_.Load(file) == 0) {
        return 0;
    }
    auto wave = std::make_unique<Wave>();
    wave->Set(loader_.TakeSound(), loader_.Title());
    std::unique_ptr<Wave> replaced;
    {
        std::lock_guard guard(project_.Lock());
        Project* project = project_.Get();
        if (project == nullptr) {
            ErrorOut() << "error: there is no project to load a sound into" << eol;
            return 0;
        }
        replaced = project->Waves().Put(slot, std::move(wave));
    }
    replaced.reset();
    Notify(slot);
    RememberRecentSound(file);
    return 1;
}

int Wavetable::ClearSlot(int slot) {
    std::unique_ptr<Wave> removed;
    {
        std::lock_guard guard(project_.Lock());
        Project* project = project_.Get();
        if (project != nullptr) {
            removed = project->Waves().Remove(slot);
        }
    }
    if (removed == nullptr) {
        ErrorOut() << "error: wavetable slot " << slot << " holds no wave" << eol;
        return 0;
    }
    removed.reset();
    Notify(slot);
    return 1;
}

int Wavetable::Preview(const std::filesystem::path& file) {
    const int loaded = loader_.Load(file);
    std::unique_ptr<Sound> sound = loaded != 0 ? loader_.TakeSound() : nullptr;
    std::lock_guard guard(preview_.Lock());
    preview_.SetSound(std::move(sound));
    return loaded;
}

std::vector<std::string> Wavetable::Listing(const Project& project) {
    std::vector<std::string> lines;
    for (auto [index, wave] : project.Waves()) {
        lines.push_back(std::to_string(index) + ". " + wave->name);
    }
    return lines;
}

void RememberRecentSound(const std::filesystem::path& file) {
    RememberInList(AppPath(Wavetable::kRecentList),
                   std::filesystem::absolute(file).lexically_normal().string(),
                   Wavetable::kRecentCapacity);
}

} // namespace tarn
