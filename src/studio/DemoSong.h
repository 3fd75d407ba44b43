#pragma once

#include "engine/Node.h"
#include "engine/TempoRecord.h"

#include <memory>

namespace tarn {

class Project;

// The demo song, built in code from the studio's own machines: a bass line
// and a lead, each an Analog Bass, through the Master at 124 BPM; six
// patterns per machine placed one after another over 48 beats (A minor:
// Am F C G), the lead gliding into some notes and swept from side to side
// by system pan events, the bass faded in and out by system volume events.
// Built aside, as a loaded project is. Null after an error line when a
// machine cannot be made.
std::unique_ptr<Project> BuildDemoSong(const MachineCreator& createMachine,
                                       const TempoRecord& engineTempo);

} // namespace tarn
