#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tarn {

class Studio;

// One machine as the machine view draws it.
struct MachineBox {
    int id = -1;
    std::uint64_t serial = 0;
    std::string name;
    std::int32_t kind = 0; // MachineKind
    bool plugIn = false;
    bool hasEditor = false;
    // Centre, as fractions of the view's width and height.
    double x = 0.0;
    double y = 0.0;
    double peak = 0.0; // linear, 1.0 = full scale
    bool mute = false;
    bool solo = false;
    bool bypass = false;
    bool liveInput = false;
};

// One Connection: index is its place in the destination's input list.
struct MachineWire {
    int source = -1;
    int destination = -1;
    int index = -1;
    double volume = 0.0; // input mixer volume, dB
};

// What the machine view shows of the current project, copied out under
// the project lock so that drawing and hit tests never touch the project.
struct GraphSnapshot {
    std::vector<MachineBox> boxes;
    std::vector<MachineWire> wires;
    // The project's selected machine, which the editors edit.
    int editedNode = -1;

    // Empty when there is no current project. GUI thread; takes the
    // project lock.
    static GraphSnapshot Read(Studio& studio);
    // Null when the snapshot has no Node of that id.
    const MachineBox* Find(int id) const;
};

} // namespace tarn
