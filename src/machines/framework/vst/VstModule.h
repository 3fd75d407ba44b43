#pragma once

#include "machines/framework/vst/VstAbi.h"

#include <filesystem>
#include <string>

namespace tarn {

// A VST 2 library loaded into this process and the one effect its entry
// point made. Closing unloads the library; whoever holds the effect must
// have closed it first (effClose), since its code lives in the library.
class VstModule {
public:
    // The exports a Linux plug-in may make its effect with, in the order
    // they are tried.
    static constexpr const char* kEntryPoints[] = {"VSTPluginMain", "main"};

    VstModule() = default;
    ~VstModule();
    VstModule(const VstModule&) = delete;
    VstModule& operator=(const VstModule&) = delete;

    // Loads the library and calls its entry point with host. Empty on
    // success; otherwise the reason in a few words ("no entry point",
    // "wrong magic", ...) with nothing left loaded.
    std::string Open(const std::filesystem::path& path, vst::HostCallbackFunction host);
    void Close();

    vst::Effect* Effect() const { return effect_; }

private:
    void* handle_ = nullptr;
    vst::Effect* effect_ = nullptr;
};

} // namespace tarn
