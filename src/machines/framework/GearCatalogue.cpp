#include "machines/framework/GearCatalogue.h"

#include "base/AppDirectory.h"
#include "formats/XmlTree.h"

#include <algorithm>

namespace tarn {
namespace {

CatalogueItem Folder(std::string name) {
    CatalogueItem folder;
    folder.name = std::move(name);
    folder.folder = true;
    return folder;
}

// Appends the items among the element's children to the folder. Only an
// element with a "name" child is an item, which also passes over the
// folder's own "name". Nesting is bounded by the XML reader's depth limit.
void ReadItems(const XmlNode& element, CatalogueItem& folder, std::vector<std::string>& pool) {
    for (auto [index, child] : element.Children()) {
        if (child->ChildByName("name") == nullptr) {
            continue;
        }
        CatalogueItem item;
        item.name = child->ChildValueByName("name");
        if (child->Name() == GearCatalogue::kGroupTag) {
            item.folder = true;
            ReadItems(*child, item, pool);
        } else {
            item.path = child->ChildValueByName("path");
            const auto pooled = std::find(pool.begin(), pool.end(), item.name);
            item.available = pooled != pool.end();
            if (item.available) {
                pool.erase(pooled);
            }
        }
        folder.children.push_back(std::move(item));
    }
}

} // namespace

void GearCatalogue::Build(const GearRegistry& registry) {
    root_ = Folder({});
    std::vector<std::string> pool;
    for (const GearEntry& entry : registry.Entries()) {
        if (entry.name != kMasterName) {
            pool.push_back(entry.name);
        }
    }

    XmlTree file;
    if (file.Load(AppPath(kFileName)) != 0) {
        ReadItems(*file.Root(), root_, pool);
    }

    CatalogueItem unsorted = Folder(kUnsortedFolder);
    for (std::string& name : pool) {
        CatalogueItem& leaf = unsorted.children.emplace_back();
        leaf.name = std::move(name);
        leaf.available = true;
    }
    root_.children.push_back(std::move(unsorted));
}

} // namespace tarn
