#include "formats/ClipboardEvents.h"

#include "formats/XmlTree.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace tarn {
namespace {

constexpr std::array<std::string_view, 7> kTypeNames = {"double", "byte",   "word",   "note",
                                                        "switch", "nibble", "tribble"};

std::string Number(double value) {
    std::array<char, 64> text{};
    std::snprintf(text.data(), text.size(), "%.5f", value);
    return text.data();
}

// A whole text that is a finite decimal number.
std::optional<double> ReadNumber(const XmlNode& parent, std::string_view name) {
    const XmlNode* child = parent.ChildByName(name);
    if (child == nullptr || child->Value().empty()) {
        return std::nullopt;
    }
    const std::string& text = child->Value();
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

} // namespace

std::string WriteClipboardEvents(const ClipboardEvents& events) {
    XmlTree tree;
    XmlNode* root = tree.AddNode(nullptr, "events");
    root->AddChild("length", Number(events.length));
    for (const ClipboardEvents::Column& column : events.columns) {
        XmlNode* param = root->AddChild("param");
        param->AddChild("type", column.type);
        param->AddChild("value_min", Number(column.minimum));
        param->AddChild("value_max", Number(column.maximum));
        for (const ClipboardEvents::Event& event : column.events) {
            XmlNode* node = param->AddChild("event");
            node->AddChild("time", Number(event.time));
            node->AddChild("value", Number(event.value));
            if (event.length) {
                node->AddChild("length", Number(*event.length));
            }
            if (event.velocity) {
                node->AddChild("velocity", Number(*event.velocity));
            }
        }
    }
    return tree.Text();
}

std::optional<ClipboardEvents> ReadClipboardEvents(std::string_view text) {
    XmlTree tree;
    if (tree.Parse(text) == 0 || tree.Root()->Name() != "events") {
        return std::nullopt;
    }
    const XmlNode& root = *tree.Root();
    ClipboardEvents events;
    const std::optional<double> length = ReadNumber(root, "length");
    if (!length || *length < 0.0) {
        return std::nullopt;
    }
    events.length = *length;
    for (auto [index, param] : root.Children()) {
        if (param->Name() != "param") {
            continue;
        }
        ClipboardEvents::Column& column = events.columns.emplace_back();
        const std::string type = param->ChildValueByName("type");
        for (const std::string_view name : kTypeNames) {
            if (type == name) {
                column.type = type;
            }
        }
        column.minimum = ReadNumber(*param, "value_min").value_or(0.0);
        column.maximum = ReadNumber(*param, "value_max").value_or(0.0);
        for (auto [eventIndex, node] : param->Children()) {
            if (node->Name() != "event") {
                continue;
            }
            const std::optional<double> time = ReadNumber(*node, "time");
            const std::optional<double> value = ReadNumber(*node, "value");
            if (!time || !value) {
                return std::nullopt;
            }
            column.events.push_back(
                {*time, *value, ReadNumber(*node, "length"), ReadNumber(*node, "velocity")});
        }
    }
    return events;
}

} // namespace tarn
