#include "formats/ListFile.h"

#include "base/AppDirectory.h"
#include "base/MessagePipe.h"
#include "formats/XmlTree.h"

namespace tarn {

int ListFile::Read(const std::filesystem::path& path) {
    XmlTree tree;
    if (tree.Load(path) == 0) {
        return 0;
    }
    const XmlNode* root = tree.Root();
    if (root->Name() != kRootName) {
        ErrorOut() << "error: '" << ResolvePath(path).string() << "' is not a list" << eol;
        return 0;
    }
    // The items' own tag is not checked: any child with a "name" counts.
    for (auto [index, item] : root->Children()) {
        const XmlNode* name = item->ChildByName(kEntryName);
        if (name == nullptr) {
            ErrorOut() << "error: '" << ResolvePath(path).string() << "': tag 'name' missing"
                       << eol;
            return 0;
        }
        if (!name->Value().empty()) {
            entries_.push_back(name->Value());
        }
    }
    return 1;
}

int ListFile::Save(const std::filesystem::path& path) const {
    XmlTree tree;
    XmlNode* root = tree.AddNode(nullptr, kRootName);
    for (const std::string& entry : entries_) {
        tree.AddNode(tree.AddNode(root, kItemName), kEntryName, entry);
    }
    return tree.Save(path);
}

void RememberInList(const std::filesystem::path& list, const std::string& entry,
                    std::size_t capacity) {
    std::error_code error;
    ListFile recent;
    if (!std::filesystem::exists(ResolvePath(list), error) || recent.Read(list) == 0) {
        return;
    }
    std::vector<std::string>& entries = recent.Entries();
    std::erase(entries, entry);
    entries.push_back(entry);
    if (entries.size() > capacity) {
        entries.erase(entries.begin(), entries.end() - static_cast<std::ptrdiff_t>(capacity));
    }
    recent.Save(list);
}

} // namespace tarn
