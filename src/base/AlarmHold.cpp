#include "base/AlarmHold.h"

#include "base/UserInteraction.h"

#include <string>
#include <vector>

namespace tarn {
namespace {

thread_local int holds = 0;
thread_local std::vector<std::string> waiting;

void Show(std::string_view text) {
    CurrentInteraction().ShowMessage(kStudioCaption, text, MessageBoxButtons::kOk);
}

} // namespace

AlarmHold::AlarmHold() noexcept {
    ++holds;
}

AlarmHold::~AlarmHold() {
    if (--holds > 0) {
        return;
    }
    // Taken first: a box shown here may raise another alarm.
    const std::vector<std::string> due = std::move(waiting);
    waiting.clear();
    for (const std::string& text : due) {
        Show(text);
    }
}

void RaiseAlarm(std::string_view text) {
    if (holds > 0) {
        waiting.emplace_back(text);
    } else {
        Show(text);
    }
}

} // namespace tarn
