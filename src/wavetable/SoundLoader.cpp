#include "wavetable/SoundLoader.h"

#include "base/AppDirectory.h"
#include "base/InputFile.h"
#include "base/MessagePipe.h"
#include "wavetable/WavHandler.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <new>
#include <optional>
#include <stdexcept>
#include <system_error>
#include <vector>

namespace tarn {
namespace {

using CreatePluginFunction = SoundHandler* (*)();

// A format beyond this many samples is taken as a handler's error, not as
// a sound worth gigabytes.
constexpr std::int64_t kMaxSamples = std::int64_t{1} << 30;

std::int32_t HostDoesNothing(MachineMessage* /*message*/) noexcept {
    return 0;
}

// Handlers may come from anywhere: nothing they throw passes the loader.
std::int32_t Send(SoundHandler& handler, std::int32_t type, void* pointer = nullptr,
                  std::int32_t value = 0) {
    MachineMessage message;
    message.messageType = type;
    message.value = value;
    message.pointer = pointer;
    try {
        return handler.HandleMessage(&message);
    } catch (...) {
        return 0;
    }
}

bool ValidFormat(const SoundFormat& format) {
    return format.frameCount > 0 && format.channelCount > 0 && format.bitsPerSample > 0 &&
           format.loopPointCount >= 0 &&
           std::int64_t{format.frameCount} * format.channelCount <= kMaxSamples;
}

std::vector<std::filesystem::path> SortedFiles(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> files;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
        if (it->is_regular_file(error)) {
            files.push_back(it->path());
        }
    }
    std::ranges::sort(files);
    return files;
}

// The path itself when its file name has a "." (and it exists: a missing
// file is told as such, not as a format no handler knows), else the first
// file named like it with any extension.
std::optional<std::filesystem::path> FindFile(const std::filesystem::path& path) {
    const std::string name = path.filename().string();
    if (name.find('.') != std::string::npos) {
        std::error_code error;
        return std::filesystem::exists(path, error) ? std::optional(path) : std::nullopt;
    }
    const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : ".";
    for (const std::filesystem::path& file : SortedFiles(folder)) {
        if (file.filename().string().starts_with(name + ".")) {
            return file;
        }
    }
    return std::nullopt;
}

} // namespace

SoundLoader::SoundLoader() = default;
SoundLoader::~SoundLoader() = default;

void SoundLoader::InitialiseHandlers() {
    auto wav = std::make_unique<WavHandler>();
    HostLink link{nullptr, &HostDoesNothing, nullptr};
    Send(*wav, kMsgAttachHost, &link);
    handlers_.Add(std::move(wav));
    for (const std::filesystem::path& file : SortedFiles(AppPath(kPluginFolder))) {
        if (file.extension() == ".so") {
            AddPlugin(file);
        }
    }
    initialised_ = true;
}

void SoundLoader::AddPlugin(const std::filesystem::path& library) {
    const std::string name = library.filename().string();
    // Libraries stay loaded for the whole run: their handlers live as long.
    void* handle = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        ErrorOut() << "error: failed to load '" << name << "'" << eol;
        return;
    }
    auto create = reinterpret_cast<CreatePluginFunction>(dlsym(handle, kSoundPluginExport));
    if (create == nullptr) {
        ErrorOut() << "error: '" << name << "' has no " << kSoundPluginExport << " export" << eol;
        return;
    }
    SoundHandler* handler = nullptr;
    try {
        handler = create();
    } catch (...) {
        handler = nullptr;
    }
    if (handler == nullptr) {
        ErrorOut() << "error: '" << name << "' made no sound handler" << eol;
        return;
    }
    if (handlers_.Add(std::unique_ptr<SoundHandler>(handler)) < 0) {
        ErrorOut() << "error: too many sound handlers, '" << name << "' is left out" << eol;
    }
}

int SoundLoader::Load(const std::filesystem::path& requested) {
    if (!initialised_) {
        InitialiseHandlers();
    }
    sound_.reset();
    const std::optional<std::filesystem::path> found = FindFile(requested);
    if (!found) {
        ErrorOut() << "error: unable to open file '" << requested.string() << "'" << eol;
        return 0;
    }
    // The handlers open the file by name and could wait forever on a pipe.
    if (const InputFile file(*found, std::numeric_limits<std::uint64_t>::max(), {}); !file.Ok()) {
        ErrorOut() << "error: unable to open file '" << requested.string()
                   << "': " << file.Problem() << eol;
        return 0;
    }
    title_ = found->stem().string();
    const std::string path = found->string();
    for (auto [index, handler] : handlers_) {
        const int result = TryHandler(*handler, path);
        if (result >= 0) {
            return result;
        }
    }
    ErrorOut() << "error: unknown file format" << eol;
    return 0;
}

int SoundLoader::TryHandler(SoundHandler& handler, const std::string& path) {
    void* context = this;
    Send(handler, kMsgSetHostContext, &context);
    if (Send(handler, kSoundOpen, const_cast<char*>(path.c_str())) == 0) {
        return -1;
    }
    SoundData query;
    if (Send(handler, kSoundQueryFormat, &query) == 0) {
        Send(handler, kSoundClose);
        return -1;
    }
    if (!ValidFormat(query.format)) {
        ErrorOut() << "error: the reported format is invalid" << eol;
        Send(handler, kSoundClose);
        return 0;
    }
    std::unique_ptr<Sound> sound;
    try {
        sound = std::make_unique<Sound>(query.format);
    } catch (const std::bad_alloc&) {
        ErrorOut() << "error: not enough memory to decode '" << path << "'" << eol;
        Send(handler, kSoundClose);
        return 0;
    }
    const bool decoded = Send(handler, kSoundDecode, &sound->Data()) != 0;
    if (!decoded) {
        ErrorOut() << "error: handler failed to decode supported image format!?" << eol;
    }
    Send(handler, kSoundClose);
    if (!decoded) {
        return 0;
    }
    sound_ = std::move(sound);
    return 1;
}

} // namespace tarn
