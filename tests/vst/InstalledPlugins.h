#pragma once

#include <filesystem>

namespace tarn::test {

// Debian's plug-ins that the tests host (scripts/setup.sh installs them).
constexpr const char* kAmsynth = "/usr/lib/vst/amsynth_vst.so";
constexpr const char* kDragonflyRoom = "/usr/lib/lxvst/DragonflyRoomReverb-vst.so";
constexpr const char* kLspDelay = "/usr/lib/vst/lsp-plugins/comp-delay-stereo.so";

} // namespace tarn::test

#define TARN_SKIP_WITHOUT(library)                                                                 \
    if (!std::filesystem::exists(library)) {                                                       \
        GTEST_SKIP() << library << " is not installed (scripts/setup.sh installs it)";             \
    }
