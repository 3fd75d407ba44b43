#pragma once

#include <string_view>

namespace tarn {

// Keeps the alarms raised on this thread from being shown while it lives;
// the last one to go on the thread shows them, oldest first. Made next to
// the project lock (and so around every Node lock, which is only taken
// inside it), declared before the lock so that it goes after the lock is
// left: a message box waits for the user, and the audio thread would wait
// on the lock with it. GUI thread.
class AlarmHold {
public:
    AlarmHold() noexcept;
    ~AlarmHold();
    AlarmHold(const AlarmHold&) = delete;
    AlarmHold& operator=(const AlarmHold&) = delete;
};

// Shows text with an OK button through the current interaction: now when
// no AlarmHold lives on this thread, otherwise once the last one goes.
void RaiseAlarm(std::string_view text);

} // namespace tarn
