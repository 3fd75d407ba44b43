#pragma once

#include "machines/framework/GearRegistry.h"

#include <string>
#include <vector>

namespace tarn {

// A folder or a machine of the new-machine catalogue.
struct CatalogueItem {
    std::string name;
    // Stored with a machine entry as the catalogue file gives it; the
    // catalogue itself does not use it.
    std::string path;
    bool folder = false;
    // A machine entry the user can create: registered, not the Master and
    // not listed earlier in the catalogue.
    bool available = false;
    std::vector<CatalogueItem> children;
};

// The new-machine tree: the folders and machines of "Plugin/Gear/Index.xml"
// in file order, then a folder "Unsorted" with every registered machine the
// file did not place (the Master excepted), in registry order.
class GearCatalogue {
public:
    static constexpr const char* kFileName = "Plugin/Gear/Index.xml";
    static constexpr const char* kGroupTag = "group";
    static constexpr const char* kUnsortedFolder = "Unsorted";
    // Always part of the project, so never offered for creation.
    static constexpr const char* kMasterName = "Tarn Master";

    // Replaces the tree. An unreadable catalogue file only leaves out its
    // folders: "Unsorted" still offers every registered machine.
    void Build(const GearRegistry& registry);

    // A nameless folder holding the top-level items; empty before Build.
    const CatalogueItem& Root() const { return root_; }

private:
    CatalogueItem root_;
};

} // namespace tarn
