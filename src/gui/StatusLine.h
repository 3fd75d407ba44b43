#pragma once

#include <QString>

class QWidget;

namespace tarn {

// Shows text in the status line of the main window that holds widget; a
// widget outside one (a test's own) shows nothing.
void ShowStatus(QWidget& widget, const QString& text);

} // namespace tarn
