#pragma once

#include <iosfwd>

namespace tarn {

class Node;

// What a Node's machine offers, as `tarn machines NAME` prints it: kind,
// channels, tracks, then every parameter of the System, Input mixer and
// Machine groups with its group, index, name, folder, range, default (and
// the text the machine shows for it) and description. Everything comes from
// the description the machine sent, so any machine prints alike.
void PrintMachineDescription(std::ostream& out, Node& node);

} // namespace tarn
