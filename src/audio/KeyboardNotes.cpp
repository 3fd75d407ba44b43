#include "audio/KeyboardNotes.h"

#include "audio/LiveNote.h"
#include "engine/CurrentProject.h"
#include "engine/Project.h"

#include <mutex>
#include <string_view>

namespace tarn {
namespace {

// Each key's position in this string is its offset.
constexpr std::string_view kKeysByOffset = "ZSXDCVGBHNJMQ2W3ER5T6Y7UI9O0P";

} // namespace

std::optional<int> KeyboardNotes::Offset(int key) noexcept {
    if (key <= 0 || key > 0x7F) {
        return std::nullopt;
    }
    const std::size_t found = kKeysByOffset.find(static_cast<char>(key));
    if (found == std::string_view::npos) {
        return std::nullopt;
    }
    return static_cast<int>(found);
}

bool KeyboardNotes::KeyDown(int key, bool autoRepeat) {
    if (autoRepeat) {
        return Offset(key).has_value();
    }
    return Play(key, 1.0);
}

bool KeyboardNotes::KeyUp(int key) {
    return Play(key, 0.0);
}

bool KeyboardNotes::Play(int key, double gate) {
    const std::optional<int> offset = Offset(key);
    if (!offset) {
        return false;
    }
    std::lock_guard hold(current_.Lock());
    if (Project* project = current_.Get()) {
        SendLiveNote(*project, LiveNote{kBaseNote + *offset, gate});
    }
    return true;
}

} // namespace tarn
