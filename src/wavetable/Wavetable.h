#pragma once

#include "engine/CurrentProject.h"
#include "engine/PreviewSlot.h"
#include "wavetable/SoundLoader.h"

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace tarn {

class Project;

// The wavetable commands of the studio: loading a sound file into a slot
// of the current project's wavetable, clearing a slot and previewing a
// file. Files are decoded outside every lock; the project lock is held only
// to swap a wave in or out, and a replaced wave is freed after it is left,
// so the audio thread never waits for a decode or a free. GUI thread.
class Wavetable {
public:
    static constexpr const char* kRecentList = "Config/Lists/Recent/Wavetable.list.xml";
    // Entries kept in the recent list, newest last.
    static constexpr std::size_t kRecentCapacity = 16;

    // Told the slot whose wave changed (the wavetable window redraws it).
    using SlotChanged = std::function<void(int slot)>;

    Wavetable(CurrentProject& project, SoundLoader& loader, PreviewSlot& preview,
              SlotChanged slotChanged = {});

    // 1, or 0 after one "error: " line: a negative slot is "no slot
    // selected"; a file that does not load leaves the slot as it was.
    int LoadIntoSlot(int slot, const std::filesystem::path& file);
    // 1, or 0 after one "error: " line when the slot holds no wave.
    int ClearSlot(int slot);
    // Plays file once through the preview slot; a file that does not load
    // silences the preview. 1 / 0 as the load went.
    int Preview(const std::filesystem::path& file);

    // "%d. %s" for each occupied slot, in index order.
    static std::vector<std::string> Listing(const Project& project);

private:
    void Notify(int slot) const;

    CurrentProject& project_;
    SoundLoader& loader_;
    PreviewSlot& preview_;
    SlotChanged slotChanged_;
};

// Adds file to the recent list of loaded sounds when that list reads,
// dropping an older entry of the same file and the oldest beyond the
// capacity.
void RememberRecentSound(const std::filesystem::path& file);

} // namespace tarn
