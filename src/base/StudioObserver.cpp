#include "base/StudioObserver.h"

namespace tarn {
namespace {

StudioObserver* installed = nullptr;

} // namespace

void SetStudioObserver(StudioObserver* observer) noexcept {
    installed = observer;
}

void NotifyStudio(int notice, int value, int value2) {
    if (installed != nullptr) {
        installed->Notice(notice, value, value2);
    }
}

} // namespace tarn
