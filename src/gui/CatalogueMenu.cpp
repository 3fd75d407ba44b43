#include "gui/CatalogueMenu.h"

#include "base/AppDirectory.h"
#include "editing/MachineEdits.h"
#include "formats/ListFile.h"
#include "machines/framework/GearCatalogue.h"

#include <QMenu>

namespace tarn {
namespace {

using Choose = std::function<void(const std::string&)>;

void AddMachine(QMenu& menu, const std::string& name, bool enabled, const Choose& choose) {
    QAction* action =
        menu.addAction(QString::fromStdString(name), [choose, name] { choose(name); });
    action->setObjectName(QString::fromStdString(name));
    action->setEnabled(enabled);
}

void AddItems(QMenu& menu, const CatalogueItem& folder, const Choose& choose) {
    for (const CatalogueItem& item : folder.children) {
        if (item.folder) {
            AddItems(*menu.addMenu(QString::fromStdString(item.name)), item, choose);
        } else {
            AddMachine(menu, item.name, item.available, choose);
        }
    }
}

} // namespace

void FillCatalogueMenu(QMenu& menu, const GearRegistry& registry, const Choose& choose) {
    GearCatalogue catalogue;
    catalogue.Build(registry);
    AddItems(menu, catalogue.Root(), choose);

    ListFile recent;
    std::error_code error;
    const std::filesystem::path list = AppPath(MachineEdits::kRecentMachines);
    if (std::filesystem::exists(list, error)) {
        recent.Read(list);
    }
    if (recent.Entries().empty()) {
        return;
    }
    menu.addSection(QObject::tr("Recent"));
    for (auto entry = recent.Entries().rbegin(); entry != recent.Entries().rend(); ++entry) {
        AddMachine(menu, *entry, registry.FindEntry(*entry) != nullptr, choose);
    }
}

} // namespace tarn
