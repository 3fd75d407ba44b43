#pragma once

namespace tarn {

// The probe program's side of a plug-in scan (see ProbeVstLibrary): runs
// the whole life of one adapter on library and writes what it found to the
// file descriptor out, one field per line: "refused" and the reason, or the
// plug-in's name and "instrument" or "effect" once it has worked a chunk,
// then "usable" once the adapter is closed and the library unloaded. A
// crash part way leaves the lines written so far. Answers the exit status.
int RunVstProbe(const char* library, int out);

// The probe program answers on this descriptor, leaving its standard output
// and error to whatever the plug-in prints.
inline constexpr int kVstProbeAnswer = 3;

// The line that ends a usable plug-in's answer.
inline constexpr const char* kVstProbeUsable = "usable";

} // namespace tarn
