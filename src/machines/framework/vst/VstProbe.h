#pragma once

#include <chrono>
#include <filesystem>
#include <string>

namespace tarn {

// What trying a plug-in library in a child process showed.
struct VstProbeResult {
    // False when the library could not be tried at all (the probe program
    // is missing, say): the reason is then no verdict on the library.
    bool probed = false;
    bool usable = false;
    // The probe was stopped at its time limit.
    bool timedOut = false;
    // Why the library is refused, in a few words; empty when usable.
    std::string reason;
    // What the plug-in described (when usable): its name and "instrument"
    // or "effect".
    std::string name;
    std::string kind;
};

// The probe program, built and installed beside the studio's programs.
inline constexpr const char* kVstProbeProgram = "tarn-probe";

// Where this process finds the probe: beside its own program file.
std::filesystem::path VstProbeProgram();

// Runs the whole life of one adapter on the library (load, describe, Init,
// one chunk of silence, close and unload) in the probe program, a process
// of its own, so a library that crashes, hangs or is no VST 2 plug-in
// cannot harm this process. A probe still busy after limit is killed, and
// so is every process it started that is still in its process group.
// Blocks the calling thread for at most about limit; no lock of the studio
// is held meanwhile.
VstProbeResult ProbeVstLibrary(const std::filesystem::path& library,
                               std::chrono::milliseconds limit);

} // namespace tarn
