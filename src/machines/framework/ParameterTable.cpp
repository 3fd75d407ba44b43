#include "machines/framework/ParameterTable.h"

#include "machines/framework/ParameterDisplay.h"

#include <algorithm>

namespace tarn {

const ParameterRow* ParameterTable::Find(std::int32_t index) const noexcept {
    const auto found = std::find_if(rows_.begin(), rows_.end(), [index](const ParameterRow& row) {
        return row.index == index;
    });
    return found != rows_.end() ? &*found : nullptr;
}

std::int32_t ParameterTable::NoteIndex() const noexcept {
    const auto found = std::find_if(rows_.begin(), rows_.end(),
                                    [](const ParameterRow& row) { return row.type == kTypeNote; });
    return found != rows_.end() ? found->index : -1;
}

ParameterDescriptor ParameterTable::Descriptor(const ParameterRow& row) {
    ParameterDescriptor descriptor;
    descriptor.folder = row.folder;
    descriptor.type = row.type;
    descriptor.flags = row.flags;
    descriptor.name = row.name;
    descriptor.description = row.description;
    descriptor.minimum = row.minimum;
    descriptor.maximum = row.maximum;
    descriptor.defaultValue = row.defaultValue;
    descriptor.resolution = row.resolution;
    return descriptor;
}

ParameterFolder ParameterTable::Folder(const FolderRow& row) {
    ParameterFolder folder;
    folder.parent = row.parent;
    folder.name = row.name;
    folder.flag = row.flag;
    return folder;
}

int ParameterTable::Format(std::int32_t index, double value, char* text) const noexcept {
    const ParameterRow* row = Find(index);
    if (row == nullptr || text == nullptr) {
        return 0;
    }
    if (!row->names.empty()) {
        FormatEnumeration(text, value, row->names);
        return 1;
    }
    return row->format != nullptr ? row->format(text, value) : 0;
}

} // namespace tarn
