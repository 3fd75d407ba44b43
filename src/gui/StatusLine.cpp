#include "gui/StatusLine.h"

#include <QMainWindow>
#include <QStatusBar>

namespace tarn {

void ShowStatus(QWidget& widget, const QString& text) {
    if (auto* main = qobject_cast<QMainWindow*>(widget.window())) {
        main->statusBar()->showMessage(text);
    }
}

} // namespace tarn
