#pragma once

#include "machines/framework/ParameterDescriptor.h"
#include "tarn/MachineAbi.h"

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace tarn {

// A block of music a whole number of beats long: timed events for the
// Node's parameters of every group (1 System, 2 input mixer, 3 machine).
// Every event is stored twice: in the editing store, per group, track,
// parameter index and beat, and in the playback store, per beat; both hold
// the same records in time order, equal times in the order they were added.
// Consecutive events of one parameter and track are linked (end value and
// glide length) so that the gain stages can glide between them.
//
// Threads: edited on the GUI thread with the project lock held; read by the
// work cycle with the project lock and the Node lock held. Reading
// allocates nothing.
class Pattern {
public:
    static constexpr int kDefaultLength = 8;
    static constexpr int kDefaultTicksPerBeat = 4;
    // Longer patterns are cut to this many beats: a placement fills one
    // sequence slot per beat, so a damaged length must not claim millions.
    static constexpr int kMaxLength = 1 << 16;
    static constexpr int kEditorStateCount = 11;
    static constexpr int kFirstGroup = kGroupSystem;
    static constexpr int kLastGroup = kGroupMachine;

    using Record = std::unique_ptr<PatternEventRecord>;
    // One parameter and track: its events per beat, beats ascending.
    using BeatLists = std::map<int, std::vector<Record>>;
    // One track of a group: its parameters by index.
    using TrackTable = std::map<int, BeatLists>;

    Pattern();
    ~Pattern();
    Pattern(const Pattern&) = delete;
    Pattern& operator=(const Pattern&) = delete;

    // Empties both stores and every group's track tables, then takes the
    // length (cut to kMaxLength), the TPB and the colour; colour 0 draws a
    // random pastel one.
    void Reset(int length, int ticksPerBeat, std::uint32_t colour);

    // Makes empty tables for the group's tracks 0..count-1 where missing.
    // Fewer tracks never drop a table: their events stay in the pattern.
    void EnsureTracks(int group, int count);
    int TrackCount(int group) const;

    // Inserts a copy of event at beat (after events of equal time), then
    // relinks its parameter and track; 1. Refused (0, nothing stored) unless
    // 0 <= time < 1, 0 <= beat < length, the group is 1..3 and the track is
    // not negative. An out-of-order beat list of that parameter and track
    // raises the "Events corrupted!" alarm; nothing is repaired.
    int AddEvent(const PatternEventRecord& event, int beat);
    // An event and the beat it goes to, for AddEvents.
    using BeatEvent = std::pair<PatternEventRecord, int>;
    // Adds every event as AddEvent would, one after the other (each refused
    // on the same grounds), in time linear in their number but for one
    // sort: each is appended to its lists, every list that took one is
    // then sorted once by time (stably, so equal times keep the order they
    // were added in) and every parameter and track that took one is
    // relinked once. Answers the number stored. What a loader uses for a
    // whole pattern.
    int AddEvents(std::span<const BeatEvent> events);
    // AddEvent with the value clamped to the descriptor's range.
    int AddClampedEvent(PatternEventRecord event, int beat, const ParameterDescriptor& descriptor);

    // Removes the events of one parameter and track whose beat + time lies
    // in [from, to), from both stores, then relinks what is left.
    void DeleteEvents(int group, int index, int track, double from, double to);

    // Recomputes end values and glide lengths along one parameter and track:
    // each event glides to the next one's value over the distance to it;
    // the last one holds its own value.
    void Relink(int group, int track, int index);

    // Becomes a copy of source: name, colour, TPB, length, editor state,
    // track tables and every event, re-added one by one.
    void CopyFrom(const Pattern& source);

    // The events of one parameter and track; null when there are none. The
    // lists are the store's own: change values in place if need be, but
    // never add or remove through them.
    const BeatLists* Events(int group, int track, int index) const;

    // Calls visit(beat, record) for every event: group by group, track by
    // track, parameter by parameter, beat by beat, in list order.
    template <typename Visit> void ForEachEvent(Visit visit) const {
        for (const std::vector<TrackTable>& tracks : groups_) {
            for (const TrackTable& table : tracks) {
                for (const auto& [index, beats] : table) {
                    for (const auto& [beat, list] : beats) {
                        for (const Record& record : list) {
                            visit(beat, *record);
                        }
                    }
                }
            }
        }
    }
    int EventCount() const { return eventCount_; }

    // Every event of one beat in time order, for playback; empty beyond the
    // events. Allocates nothing.
    std::span<PatternEventRecord* const> BeatEvents(int beat) const;

    std::string name;
    std::array<std::int32_t, kEditorStateCount> editorState{};
    // The beat within the pattern playing now; written by playback for the
    // editors' cursors.
    double currentPosition = 0.0;

    int Length() const { return length_; }
    int TicksPerBeat() const { return ticksPerBeat_; }
    // 0x00BBGGRR.
    std::uint32_t Colour() const { return colour_; }
    void SetColour(std::uint32_t colour) { colour_ = colour; }

private:
    TrackTable* Table(int group, int track);
    const TrackTable* Table(int group, int track) const;
    void CheckOrder(const BeatLists& beats) const;
    // Whether an event may go to beat (see AddEvent).
    bool Admits(const EventRecord& event, int beat) const;

    int length_ = kDefaultLength;
    int ticksPerBeat_ = kDefaultTicksPerBeat;
    std::uint32_t colour_ = 0;
    int eventCount_ = 0;
    // Groups 1..3 at 0..2; each a table per track.
    std::array<std::vector<TrackTable>, kLastGroup - kFirstGroup + 1> groups_;
    std::map<int, std::vector<PatternEventRecord*>> playback_;
};

// A colour whose three components each lie in 200..250, drawn from the
// classic generator seeded from the clock.
std::uint32_t RandomPastelColour();

} // namespace tarn
