#pragma once

#include <QDockWidget>

class QTreeWidget;

namespace tarn {

class Studio;

// The CPU monitor tool window: the engine's load over the last buffer (in
// total and by stage) and each Node's machine time and load. Refreshed
// twice a second while shown, reading under the project lock. GUI thread.
class CpuMonitorWindow final : public QDockWidget {
public:
    explicit CpuMonitorWindow(Studio& studio, QWidget* parent = nullptr);

    void Refresh();
    // Rows shown: the stages first, then one per Node; each with its time
    // in milliseconds and its load in percent.
    const QTreeWidget& Table() const { return *table_; }

private:
    Studio& studio_;
    QTreeWidget* table_;
};

} // namespace tarn
