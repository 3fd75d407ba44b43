#pragma once

#include <QKeyEvent>

namespace tarn {

// The editing keys (copy, cut, paste, select all, Delete, Insert,
// Backspace) belong to the editor view that has the focus, before any
// application shortcut of the same keys: call from the view's event()
// and answer true when it returns true.
inline bool ClaimEditingKeys(QEvent* event) {
    if (event->type() != QEvent::ShortcutOverride) {
        return false;
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->matches(QKeySequence::Copy) || key->matches(QKeySequence::Cut) ||
        key->matches(QKeySequence::Paste) || key->matches(QKeySequence::SelectAll) ||
        key->key() == Qt::Key_Delete || key->key() == Qt::Key_Insert ||
        key->key() == Qt::Key_Backspace) {
        event->accept();
        return true;
    }
    return false;
}

} // namespace tarn
