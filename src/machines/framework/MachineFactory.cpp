#include "machines/framework/MachineFactory.h"

#include "base/MessagePipe.h"

#include <algorithm>
#include <string>

namespace tarn {
namespace {

// Plug-in code runs inside the adapter, so anything thrown while making the
// adapter or loading the library stops here and counts as a refusal. A
// refused adapter is destroyed on the way out.
std::unique_ptr<Machine> LoadAdapter(MachineFactory::AdapterConstructor construct,
                                     const std::string& path) {
    if (construct == nullptr) {
        return nullptr;
    }
    try {
        std::unique_ptr<Machine> adapter = construct();
        MachineMessage message;
        message.messageType = kMsgLoadPlugin;
        message.pointer = const_cast<char*>(path.c_str());
        if (adapter != nullptr && adapter->HandleMessage(&message) != 0) {
            return adapter;
        }
    } catch (...) {
    }
    return nullptr;
}

} // namespace

std::optional<MachineHandle> MachineFactory::CreateMachine(std::string_view name) const {
    const auto builtin = std::find_if(builtins_.begin(), builtins_.end(),
                                      [name](const BuiltinMachine& b) { return b.name == name; });
    if (builtin != builtins_.end()) {
        if (builtin->construct == nullptr) {
            ErrorOut() << "error: " << name << " is not built yet" << eol;
            return std::nullopt;
        }
        return MachineHandle(builtin->construct(), std::string(name));
    }

    const GearEntry* entry = registry_.FindEntry(name);
    if (entry == nullptr) {
        ErrorOut() << "error: " << name << " not found" << eol;
        return std::nullopt;
    }
    if (entry->adapter.empty()) {
        ErrorOut() << "error: no adapter available for " << name << eol;
        return std::nullopt;
    }
    return CreatePlugin(*entry);
}

std::optional<MachineHandle> MachineFactory::CreatePlugin(const GearEntry& entry) const {
    const std::string path = (entry.directory / entry.fileName).string();
    // A library the screen refused is never loaded into this process.
    std::unique_ptr<Machine> adapter =
        entry.refusal.empty() ? LoadAdapter(adapter_, path) : nullptr;
    if (adapter == nullptr) {
        ErrorOut() << "error: the adapter '" << entry.adapter << "' failed to load '" << path << "'"
                   << eol;
        return std::nullopt;
    }
    return MachineHandle(std::move(adapter), entry.name);
}

} // namespace tarn
