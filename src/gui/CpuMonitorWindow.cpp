#include "gui/CpuMonitorWindow.h"

#include "engine/Project.h"
#include "gui/RefreshTimer.h"
#include "studio/Studio.h"

#include <QHeaderView>
#include <QTreeWidget>

#include <string>
#include <vector>

namespace tarn {
namespace {

constexpr int kRefreshMilliseconds = 500;

struct CpuRow {
    std::string name;
    double seconds = 0.0;
    double percent = 0.0;
};

std::vector<CpuRow> ReadRows(Studio& studio) {
    std::vector<CpuRow> rows;
    ProjectLock hold(studio.Current());
    const CpuStatistics& statistics = studio.Engine().Statistics();
    rows.push_back({"Total", statistics.machines.seconds + statistics.other.seconds,
                    statistics.machines.percent + statistics.other.percent});
    rows.push_back({"Machines", statistics.machines.seconds, statistics.machines.percent});
    rows.push_back({"Input mixing", statistics.mixing.seconds, statistics.mixing.percent});
    rows.push_back({"Events", statistics.events.seconds, statistics.events.percent});
    rows.push_back({"Output stage", statistics.output.seconds, statistics.output.percent});
    if (const Project* project = studio.Current().Get()) {
        for (auto [id, node] : project->Nodes()) {
            rows.push_back({node->Name(), node->meters.machineTime, node->meters.machineLoad});
        }
    }
    return rows;
}

} // namespace

CpuMonitorWindow::CpuMonitorWindow(Studio& studio, QWidget* parent)
    : QDockWidget(tr("CPU monitor"), parent), studio_(studio) {
    setObjectName("CpuMonitor");
    table_ = new QTreeWidget(this);
    table_->setColumnCount(3);
    table_->setHeaderLabels({tr("Where"), tr("Time (ms)"), tr("Load (%)")});
    table_->setRootIsDecorated(false);
    table_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    setWidget(table_);
    RefreshWhileVisible(*this, kRefreshMilliseconds, [this] { Refresh(); });
    Refresh();
}

void CpuMonitorWindow::Refresh() {
    const std::vector<CpuRow> rows = ReadRows(studio_);
    while (table_->topLevelItemCount() > static_cast<int>(rows.size())) {
        delete table_->takeTopLevelItem(table_->topLevelItemCount() - 1);
    }
    for (std::size_t index = 0; index < rows.size(); ++index) {
        QTreeWidgetItem* item = table_->topLevelItem(static_cast<int>(index));
        if (item == nullptr) {
            item = new QTreeWidgetItem(table_);
            item->setTextAlignment(1, Qt::AlignRight);
            item->setTextAlignment(2, Qt::AlignRight);
        }
        item->setText(0, QString::fromStdString(rows[index].name));
        item->setText(1, QString::number(rows[index].seconds * 1000.0, 'f', 3));
        item->setText(2, QString::number(rows[index].percent, 'f', 1));
    }
}

} // namespace tarn
