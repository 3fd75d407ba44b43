#pragma once

#include "machines/framework/BuiltinMachine.h"

#include <string>
#include <vector>

namespace tarn::test {

// Everything every built-in machine must get right, checked through a Node
// the way the studio hosts it: a consistent description (info, names,
// ranges, defaults within range, folders that exist, a note parameter on
// generators), finite output for notes and input noise with every parameter
// at its minimum, its maximum and its default, output within +-16 with
// every parameter jumping between its extremes, silence (below -200 dB) a
// second after nothing plays, no allocation in Work, saved
// state and parameter values that round-trip, FormatValue texts that stay
// inside their 256 bytes, and events for tracks the machine does not have
// or with values outside its ranges that are ignored or clamped.
//
// Answers one line per problem, each naming the machine (and the parameter
// where there is one); empty for a conforming machine. Allocation is only
// counted in binaries that link the allocation counter.
std::vector<std::string> CheckMachine(const BuiltinMachine& machine);

} // namespace tarn::test
