#include "gui/RefreshTimer.h"

#include <QTimer>
#include <QWidget>

namespace tarn {

void RefreshWhileVisible(QWidget& widget, int milliseconds, std::function<void()> refresh) {
    auto* timer = new QTimer(&widget);
    QObject::connect(timer, &QTimer::timeout, &widget, [&widget, refresh = std::move(refresh)] {
        if (widget.isVisible()) {
            refresh();
        }
    });
    timer->start(milliseconds);
}

} // namespace tarn
