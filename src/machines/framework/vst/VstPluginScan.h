#pragma once

#include "machines/framework/GearRegistry.h"
#include "machines/framework/vst/VstProbe.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace tarn {

// Keeps plug-in libraries that crash, hang or are no VST 2 plug-ins out of
// the studio's process: each library is tried once in a child process
// (VstProbe) and the verdict remembered in "Config/Plugins.cache.xml" with
// the library's size and modification time; a library that is new or has
// changed since is tried again. GUI thread only.
class VstPluginScan {
public:
    static constexpr const char* kCacheFile = "Config/Plugins.cache.xml";
    static constexpr std::chrono::milliseconds kDefaultLimit{10000};

    struct Verdict {
        std::filesystem::path library;
        std::uintmax_t size = 0;
        std::int64_t modified = 0; // nanoseconds of the file clock
        VstProbeResult result;
    };

    explicit VstPluginScan(std::chrono::milliseconds limit = kDefaultLimit) : limit_(limit) {}

    // Marks every plug-in entry of the registry (one with an adapter) that
    // its verdict refuses, trying the libraries that have none yet; one
    // warning line per library newly refused. The cache file is written
    // when anything changed. With retry, every library is tried again.
    void Screen(std::vector<GearEntry>& entries, bool retry = false);

    // The verdicts known after the last Screen, by library path.
    const std::map<std::filesystem::path, Verdict>& Verdicts() const { return verdicts_; }

private:
    void Load();
    void Save() const;

    std::chrono::milliseconds limit_;
    std::map<std::filesystem::path, Verdict> verdicts_;
    bool loaded_ = false;
};

} // namespace tarn
