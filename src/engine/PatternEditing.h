#pragma once

#include "tarn/MachineAbi.h"

#include <cstdint>

namespace tarn {

class Node;
class Pattern;
class Project;

// The pattern operations the editors and the project loader call with a
// Node and pattern number. GUI thread, project lock held. Failures answer
// 0 (-1 for creation); a missing Node or pattern also writes one "error: "
// line, a refused event (time or beat outside the pattern) none.

// Makes a pattern of the Node with track tables for its current tracks and
// Connections (see PatternList::Create). Returns the pattern number or -1.
int CreatePattern(Node& node, int number, int length, int ticksPerBeat, std::uint32_t colour);

// Gives pattern the track tables the Node has now: its track count of
// group 3, one track of group 1 and one per Connection index of group 2.
// Used for a pattern that was kept aside (an undo copy) while they changed.
void FitTracks(const Node& node, Pattern& pattern);

// Adds event at beat of the pattern with its value clamped to the
// parameter's range. The event belongs to nodeId from then on.
int AddClampedEvent(Project& project, int nodeId, int patternNumber, int beat,
                    PatternEventRecord event);

// As AddClampedEvent. A note also takes along the current value of every
// machine parameter that is entered with every note (and has a pattern
// column; a global one only on track 0): that parameter's events on the
// note's track within beat + rangeStart .. beat + rangeEnd make way for
// one at the note's beat and time.
int AddEditedEvent(Project& project, int nodeId, int patternNumber, int beat, double rangeStart,
                   double rangeEnd, PatternEventRecord event);

} // namespace tarn
