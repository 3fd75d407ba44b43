#include "machines/framework/VstModule.h"

#include <dlfcn.h>

namespace tarn {

VstModule::~VstModule() {
    Close();
}

std::string VstModule::Open(const std::filesystem::path& path, vst::HostCallbackFunction host) {
    Close();
    // Local symbols: two plug-ins built from the same framework must not
    // bind to each other's copies of it.
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) {
        const char* reason = dlerror();
        return std::string("not a loadable library") + (reason != nullptr ? ": " : "") +
               (reason != nullptr ? reason : "");
    }
    vst::EntryFunction entry = nullptr;
    for (const char* name : kEntryPoints) {
        entry = reinterpret_cast<vst::EntryFunction>(dlsym(handle_, name));
        if (entry != nullptr) {
            break;
        }
    }
    std::string failure;
    if (entry == nullptr) {
        failure = "no VST 2 entry point";
    } else {
        vst::Effect* effect = entry(host);
        if (effect == nullptr) {
            failure = "the entry point made no effect";
        } else if (effect->magic != vst::kEffectMagic) {
            failure = "not a VST 2 effect (wrong magic)";
        } else if (effect->dispatcher == nullptr) {
            failure = "the effect has no dispatcher";
        } else {
            effect_ = effect;
        }
    }
    if (!failure.empty()) {
        Close();
    }
    return failure;
}

void VstModule::Close() {
    effect_ = nullptr;
    if (handle_ != nullptr) {
        dlclose(handle_);
        handle_ = nullptr;
    }
}

} // namespace tarn
