#pragma once

#include "base/OwnedSlotList.h"
#include "engine/Sound.h"
#include "wavetable/SoundHandler.h"

#include <filesystem>
#include <memory>
#include <string>

namespace tarn {

// Decodes sound files with the first handler that takes them: the built-in
// WAV reader first, then the plug-in handlers of "Plugin/Sound/*.so" under
// the application directory, found on first use. GUI thread only.
class SoundLoader {
public:
    static constexpr int kHandlerCapacity = 256;
    static constexpr const char* kPluginFolder = "Plugin/Sound";

    SoundLoader();
    ~SoundLoader();
    SoundLoader(const SoundLoader&) = delete;
    SoundLoader& operator=(const SoundLoader&) = delete;

    // 1 with Sound() and Title() set, or 0 after one "error: " line. A path
    // whose file name has no "." stands for the first file (in name order)
    // that is the path followed by "." and any extension.
    int Load(const std::filesystem::path& path);
    // The decoded sound, which the caller now owns; the loader keeps none.
    std::unique_ptr<Sound> TakeSound() { return std::move(sound_); }
    void ReleaseSound() { sound_.reset(); }
    const Sound* GetSound() const { return sound_.get(); }
    // The last file's name without folder and extension.
    const std::string& Title() const { return title_; }

    // The built-in handler and every plug-in handler found so far.
    int HandlerCount() const { return handlers_.Count(); }

private:
    void InitialiseHandlers();
    void AddPlugin(const std::filesystem::path& library);
    // -1 when the handler does not take the file, else the result.
    int TryHandler(SoundHandler& handler, const std::string& path);

    OwnedSlotList<SoundHandler> handlers_{kHandlerCapacity};
    bool initialised_ = false;
    std::unique_ptr<Sound> sound_;
    std::string title_;
};

} // namespace tarn
