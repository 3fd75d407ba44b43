#pragma once

#include "base/SlotList.h"

#include <string>
#include <string_view>
#include <utility>

namespace tarn {

// One element of the XML dialect: a name and either a text value or child
// elements. A node owns its children. The children occupy slots
// 0 .. Count() - 1 of the slot list without gaps, so index order is
// insertion order and appending never has to search for a free slot.
// Names and values are byte strings compared byte-wise.
class XmlNode {
public:
    explicit XmlNode(std::string name, std::string value = {});
    ~XmlNode();
    XmlNode(const XmlNode&) = delete;
    XmlNode& operator=(const XmlNode&) = delete;

    const std::string& Name() const { return name_; }
    const std::string& Value() const { return value_; }
    void SetValue(std::string value) { value_ = std::move(value); }

    // Iterate with `for (auto [index, child] : node.Children())`.
    const SlotList<XmlNode>& Children() const { return children_; }

    // Creates a child after the existing ones and returns it (owned by this
    // node).
    XmlNode* AddChild(std::string name, std::string value = {});

    // Deletes a child of this node; the later children move up one index so
    // that insertion order is kept. False when the node is not a child here.
    bool RemoveChild(const XmlNode* child);

    // The first child in index order with this name, or null.
    const XmlNode* ChildByName(std::string_view name) const;
    XmlNode* ChildByName(std::string_view name);

    // That child's value, or the empty text when there is no such child.
    std::string ChildValueByName(std::string_view name) const;

private:
    // Most elements have a handful of children; the list doubles on demand.
    static constexpr int kInitialChildSlots = 4;

    std::string name_;
    std::string value_;
    SlotList<XmlNode> children_{kInitialChildSlots};
};

} // namespace tarn
