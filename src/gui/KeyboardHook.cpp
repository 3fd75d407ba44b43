#include "gui/KeyboardHook.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QWidget>

namespace tarn {
namespace {

constexpr const char* kWritesNotes = "tarnWritesNotes";

bool WritingNotes(const QWidget* widget) {
    for (; widget != nullptr; widget = widget->parentWidget()) {
        if (widget->property(kWritesNotes).toBool()) {
            return true;
        }
    }
    return false;
}

bool FocusTakesTyping() {
    const QWidget* focus = QApplication::focusWidget();
    return qobject_cast<const QLineEdit*>(focus) != nullptr ||
           qobject_cast<const QTextEdit*>(focus) != nullptr ||
           qobject_cast<const QPlainTextEdit*>(focus) != nullptr ||
           qobject_cast<const QAbstractSpinBox*>(focus) != nullptr || WritingNotes(focus);
}

} // namespace

void KeyboardHook::WritesNotes(QWidget& view) {
    view.setProperty(kWritesNotes, true);
}

bool KeyboardHook::eventFilter(QObject* watched, QEvent* event) {
    // A key event reaches its window first and then each widget it passes
    // through; the window sees every key exactly once.
    if (!watched->isWindowType() ||
        (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease)) {
        return false;
    }
    const auto* key = static_cast<const QKeyEvent*>(event);
    if (event->type() == QEvent::KeyPress) {
        constexpr Qt::KeyboardModifiers kChords =
            Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier;
        if ((key->modifiers() & kChords) == 0 && !FocusTakesTyping()) {
            notes_.KeyDown(key->key(), key->isAutoRepeat());
        }
    } else if (!key->isAutoRepeat()) {
        notes_.KeyUp(key->key());
    }
    return false;
}

} // namespace tarn
