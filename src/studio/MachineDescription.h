#pragma once

#include "engine/SystemParameters.h"

#include <cstdint>
#include <iosfwd>
#include <string>

namespace tarn {

class Node;

// What a Node's machine offers, as `tarn machines NAME` prints it: kind,
// channels, tracks, then every parameter of the System, Input mixer and
// Machine groups with its group, index, name, folder, range, default (and
// the text the machine shows for it) and description. Everything comes from
// the description the machine sent, so any machine prints alike.
void PrintMachineDescription(std::ostream& out, Node& node);

// The folder's path from the top ("Filter/Envelope"); empty for a parameter
// in no folder.
std::string FolderPath(const FolderMap& folders, std::int32_t index);

} // namespace tarn
