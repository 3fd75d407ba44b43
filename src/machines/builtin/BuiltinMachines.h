#pragma once

#include "machines/framework/BuiltinMachine.h"

#include <span>

namespace tarn {

// Every machine built into the studio, for the machine factory: first the
// registry's entries in registry order (the Master first), then the
// machines the factory creates by name without listing them. The table is
// static and lives for the whole program.
std::span<const BuiltinMachine> BuiltinMachines();

} // namespace tarn
