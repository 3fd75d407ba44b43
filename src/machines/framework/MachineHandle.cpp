#include "machines/framework/MachineHandle.h"

#include "machines/framework/GearRegistry.h"

namespace tarn {

MachineHandle::MachineHandle(std::unique_ptr<Machine> machine, std::string registryName)
    : machine_(std::move(machine)), fileName_(registryName + GearRegistry::kPluginExtension),
      registryName_(std::move(registryName)) {}

} // namespace tarn
