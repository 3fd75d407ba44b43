#pragma once

#include "audio/KeyboardNotes.h"

#include <QObject>

class QWidget;

namespace tarn {

// The computer keyboard as a piano for every Node that takes live notes:
// watches the application's key events before any window sees them and
// lets every key go on. A key-down plays only without Ctrl, Shift or Alt
// and never while a text field, or a view that writes notes with the same
// keys, has the focus; a held key's repeats play nothing, and neither do the
// key-ups a held key repeats, so a held key sounds one unbroken note. GUI
// thread only.
class KeyboardHook final : public QObject {
public:
    explicit KeyboardHook(CurrentProject& current) : notes_(current) {}

    // Marks a view whose keys write notes into it (the pattern editor's
    // grid, say): while it or a widget inside it has the focus, key-downs
    // play nothing. Key-ups still end notes that are sounding.
    static void WritesNotes(QWidget& view);

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    KeyboardNotes notes_;
};

} // namespace tarn
