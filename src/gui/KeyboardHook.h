#pragma once

#include "audio/KeyboardNotes.h"

#include <QObject>

namespace tarn {

// The computer keyboard as a piano for every Node that takes live notes:
// watches the application's key events before any window sees them and
// lets every key go on. A key-down plays only without Ctrl, Shift or Alt
// and never while a text field has the focus; a held key's repeats play
// nothing, and neither do the key-ups a held key repeats, so a held key
// sounds one unbroken note. GUI thread only.
class KeyboardHook final : public QObject {
public:
    explicit KeyboardHook(CurrentProject& current) : notes_(current) {}

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    KeyboardNotes notes_;
};

} // namespace tarn
