#pragma once

#include "machines/framework/BuiltinMachine.h"
#include "machines/framework/GearRegistry.h"
#include "machines/framework/MachineHandle.h"

#include <memory>
#include <optional>
#include <span>
#include <string_view>

namespace tarn {

// Turns a registry name into a live machine. Built-ins are matched first,
// against the whole table (registered or not), so a plug-in can never stand
// in for a built-in of the same name; every other name goes through the
// registry to the adapter that hosts plug-in libraries. GUI thread only.
class MachineFactory {
public:
    // Makes an unloaded adapter machine, which is then asked to load the
    // plug-in library (message LoadPlugin).
    using AdapterConstructor = std::unique_ptr<Machine> (*)();

    // The table must outlive the factory. Without an adapter constructor
    // every plug-in is refused as if the adapter could not load it.
    explicit MachineFactory(std::span<const BuiltinMachine> builtins,
                            AdapterConstructor adapter = nullptr)
        : builtins_(builtins), adapter_(adapter), registry_(builtins) {}

    GearRegistry& Registry() { return registry_; }
    const GearRegistry& Registry() const { return registry_; }

    // None, with one error line naming the reason, when the name is
    // unknown, names a built-in not written yet, has no adapter, or the
    // adapter refuses the library.
    std::optional<MachineHandle> CreateMachine(std::string_view name) const;

private:
    std::optional<MachineHandle> CreatePlugin(const GearEntry& entry) const;

    std::span<const BuiltinMachine> builtins_;
    AdapterConstructor adapter_;
    GearRegistry registry_;
};

} // namespace tarn
