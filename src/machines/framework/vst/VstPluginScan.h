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
// changed since is tried again. One that did not answer in time is
// refused as "slow" for the run and tried again at the next start with a
// longer limit; it is refused for good only when it misses that too.
// GUI thread only.
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

    static constexpr int kSlowFactor = 3;

    explicit VstPluginScan(std::chrono::milliseconds limit = kDefaultLimit)
        : VstPluginScan(limit, limit * kSlowFactor) {}
    // slowLimit: the limit of the second try of a library that was slow.
    VstPluginScan(std::chrono::milliseconds limit, std::chrono::milliseconds slowLimit)
        : limit_(limit), slowLimit_(slowLimit) {}

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
    std::chrono::milliseconds slowLimit_;
    std::map<std::filesystem::path, Verdict> verdicts_;
    bool loaded_ = false;
};

} // namespace tarn
