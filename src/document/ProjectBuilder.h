#pragma once

#include "document/ProjectDocument.h"
#include "document/ProjectSnapshot.h"
#include "engine/Node.h"
#include "engine/Project.h"
#include "engine/TempoRecord.h"

#include <memory>
#include <string_view>

namespace tarn {

// Both functions build a Project aside, never touching the current one, so
// the caller swaps the result in under the project lock only once it is
// complete. The process-wide tempo copies belong to the current project:
// the caller sets them when it swaps (GlobalTempo().SetBpm(tempo.bpm)), as
// the audio thread may be reading them while a project is being built.
// Machines come from createMachine; engineTempo gives the sample rate.

// A new project: 120 BPM at the engine's sample rate, the "Tarn Master" as
// Node 0 (its tempo parameter at 120 too, so the first chunk keeps the
// tempo), song and loop ranges 0 to 4 beats, repeat on. Null when the
// Master cannot be made (the factory has said why).
std::unique_ptr<Project> MakeNewProject(MachineCreator createMachine,
                                        const TempoRecord& engineTempo);

// Rebuilds the project a document describes on top of a new project:
// tempo, song settings, machines at their saved ids, Connections, routes,
// then per machine its patterns, parameter values and sequence tracks.
// What cannot be rebuilt (unknown machine types, parameters the machine
// no longer has, values out of range, patterns without TPB or length) is
// skipped or replaced with a warning line, and the rest goes on. A
// Connection whose routes were saved gets exactly those routes. Null after
// one "error: " line naming source when the document holds no usable
// tempo, or when the new project cannot be made.
std::unique_ptr<Project> BuildProject(const ProjectDocument& document, MachineCreator createMachine,
                                      const TempoRecord& engineTempo, std::string_view source);

// Puts machines kept by SnapshotMachines back into a live project, each at
// its id and with its serial, as the deletion found them: state,
// parameter values, patterns, sequence tracks, Connections with their
// routes and input values, flags and places in the Node order. A machine
// whose id was taken meanwhile stays out, with a warning line, and so do
// its Connections. The number of machines put back. GUI thread, project
// lock held.
int RestoreMachines(const MachineSetDoc& set, Project& project);

} // namespace tarn
