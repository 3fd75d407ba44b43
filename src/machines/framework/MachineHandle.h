#pragma once

#include "machines/framework/Machine.h"

#include <memory>
#include <string>

namespace tarn {

// A machine fresh from the factory with the names it was created under. It
// keeps its own copies of the names, so rebuilding the registry never
// affects it. Destroying the handle destroys the machine (an adapter
// unloads its own module).
class MachineHandle {
public:
    MachineHandle(std::unique_ptr<Machine> machine, std::string registryName);

    Machine& Instance() const { return *machine_; }
    // Hands the machine to its Node; the handle is empty afterwards.
    std::unique_ptr<Machine> TakeMachine() { return std::move(machine_); }

    // The registry name + ".so", whether built-in or plug-in.
    const std::string& FileName() const { return fileName_; }
    const std::string& RegistryName() const { return registryName_; }

private:
    std::unique_ptr<Machine> machine_;
    std::string fileName_;
    std::string registryName_;
};

} // namespace tarn
