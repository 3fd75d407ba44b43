#include "formats/XmlNode.h"

#include <utility>
#include <vector>

namespace tarn {

XmlNode::XmlNode(std::string name, std::string value)
    : name_(std::move(name)), value_(std::move(value)) {}

XmlNode::~XmlNode() {
    for (auto [index, child] : children_) {
        delete child;
    }
}

XmlNode* XmlNode::AddChild(std::string name, std::string value) {
    auto* child = new XmlNode(std::move(name), std::move(value));
    children_.Put(children_.Count(), child);
    return child;
}

bool XmlNode::RemoveChild(const XmlNode* child) {
    std::vector<XmlNode*> kept;
    kept.reserve(static_cast<std::size_t>(children_.Count()));
    bool found = false;
    for (auto [index, item] : children_) {
        if (item == child) {
            found = true;
        } else {
            kept.push_back(item);
        }
    }
    if (!found) {
        return false;
    }
    // Refill from slot 0 so the children stay gap-free.
    children_.Reset(children_.Capacity());
    for (XmlNode* item : kept) {
        children_.Put(children_.Count(), item);
    }
    delete child;
    return true;
}

const XmlNode* XmlNode::ChildByName(std::string_view name) const {
    for (auto [index, child] : children_) {
        if (child->name_ == name) {
            return child;
        }
    }
    return nullptr;
}

XmlNode* XmlNode::ChildByName(std::string_view name) {
    return const_cast<XmlNode*>(std::as_const(*this).ChildByName(name));
}

std::string XmlNode::ChildValueByName(std::string_view name) const {
    const XmlNode* child = ChildByName(name);
    return child != nullptr ? child->value_ : std::string();
}

} // namespace tarn
