#pragma once

#include <functional>
#include <string>

class QMenu;

namespace tarn {

class GearRegistry;

// Fills menu with the new-machine catalogue of the registry (folders as
// submenus, machines the user cannot create greyed), then the recent
// machines, newest first. Choosing a machine calls choose with its registry
// name. GUI thread only.
void FillCatalogueMenu(QMenu& menu, const GearRegistry& registry,
                       const std::function<void(const std::string&)>& choose);

} // namespace tarn
