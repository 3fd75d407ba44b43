#include "machines/framework/ParameterDescriptor.h"

#include "tarn/MachineAbi.h"

#include <utility>

namespace tarn {

ParameterDescriptor ParameterDescriptor::Note(std::string name, std::string description) {
    ParameterDescriptor note;
    note.folder = -1;
    note.type = kTypeNote;
    note.flags = kParamNoteDescriptor;
    note.name = std::move(name);
    note.description = std::move(description);
    note.maximum = 127.0;
    return note;
}

} // namespace tarn
