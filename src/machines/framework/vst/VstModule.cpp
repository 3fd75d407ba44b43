#include "machines/framework/vst/VstModule.h"

#include "machines/framework/PluginCodeScope.h"

#include <dlfcn.h>

namespace tarn {
namespace {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
// Sanitizer builds keep a closed plug-in's code mapped, so that their
// reports of what it leaked or raced on can name the library.
constexpr int kKeepMapped = RTLD_NODELETE;
#else
constexpr int kKeepMapped = 0;
#endif

} // namespace

VstModule::~VstModule() {
    Close();
}

std::string VstModule::Open(const std::filesystem::path& path, vst::HostCallbackFunction host) {
    Close();
    // Local symbols: two plug-ins built from the same framework must not
    // bind to each other's copies of it.
    // Loading runs the library's constructors: plug-in code too.
    const PluginCodeScope plugin;
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | kKeepMapped);
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
        const PluginCodeScope plugin;
        dlclose(handle_);
        handle_ = nullptr;
    }
}

} // namespace tarn
