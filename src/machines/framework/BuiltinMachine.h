#pragma once

#include "machines/framework/Machine.h"

#include <memory>

namespace tarn {

// One machine built into the studio, as the table of built-ins hands it to
// the machine factory. The table lives above this layer and is injected, so
// the framework never depends on the machines themselves.
struct BuiltinMachine {
    // The registry name, e.g. "Tarn Analog Bass"; a static string.
    const char* name = nullptr;
    // Listed in the registry (and so offered by the catalogue). Unlisted
    // built-ins are still created by name, for projects that use them.
    bool registered = false;
    // Makes a new instance; null while the machine is not written yet.
    std::unique_ptr<Machine> (*construct)() = nullptr;
};

} // namespace tarn
