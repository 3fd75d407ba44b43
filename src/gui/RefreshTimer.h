#pragma once

#include <functional>

class QWidget;

namespace tarn {

// Calls refresh every period while widget is visible, so that a hidden
// live display costs nothing; the timer belongs to widget. GUI thread.
void RefreshWhileVisible(QWidget& widget, int milliseconds, std::function<void()> refresh);

} // namespace tarn
