#pragma once

namespace tarn {

class Project;

// What the work cycle of a debug or sanitizer build watches for in every
// Node (NodeMeters::faults): output samples that are not numbers, and a
// machine that worked longer than its buffer lasts (measured while the
// meters are shown). Release builds check nothing.
enum NodeFault : unsigned {
    kFaultNotFinite = 1,
    kFaultOverlong = 2,
};

// Tells each fault the work cycle saw in a Node once, by the Node's name,
// in a "warning: " line; a fault already told is not told again. Answers
// the number of lines. Project lock held; not the audio thread.
int ReportNodeFaults(Project& project);

} // namespace tarn
