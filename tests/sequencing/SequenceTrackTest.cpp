#include "sequencing/SequencingFixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarn {
namespace {

// Slot contents as "pattern:beat" (transpose added when set, "*" when
// selected), "-" for an empty slot, from beat 0 to the last slot.
std::vector<std::string> Slots(const SequenceTrack& track) {
    std::vector<std::string> slots;
    for (int beat = 0; beat <= track.Entries().Slots().Highest(); ++beat) {
        const SequenceEntry* entry = track.Entry(beat);
        if (entry == nullptr || entry->Empty()) {
            slots.push_back("-");
            continue;
        }
        std::string text = std::to_string(entry->patternNumber) + ":" + std::to_string(entry->beat);
        if (entry->transpose != 0.0) {
            text += (entry->transpose > 0.0 ? "+" : "") +
                    std::to_string(static_cast<int>(entry->transpose));
        }
        if (entry->selected != 0) {
            text += "*";
        }
        slots.push_back(text);
    }
    while (!slots.empty() && slots.back() == "-") {
        slots.pop_back();
    }
    return slots;
}

using Strings = std::vector<std::string>;

struct SequenceTracks : test::SequencingFixture {
    SequenceTracks() {
        EXPECT_EQ(CreatePattern(*node, 0, 4, 4, 0), 0);
        EXPECT_EQ(CreatePattern(*node, 1, 3, 4, 0), 1);
        EXPECT_EQ(node->SequenceTracks().Create(-1), 1);
        track = node->SequenceTracks().Get(0);
    }

    SequenceTrack* track = nullptr;
};

TEST_F(SequenceTracks, LaterPlacementsCutEarlierOnesShort) {
    EXPECT_EQ(track->PlacePattern(0, 0), 1);
    EXPECT_EQ(Slots(*track), (Strings{"0:0", "0:1", "0:2", "0:3"}));
    EXPECT_EQ(track->Entry(0)->placedLength, 4);
    EXPECT_EQ(track->PlacePattern(2, 1), 1);
    EXPECT_EQ(Slots(*track), (Strings{"0:0", "0:1", "1:0", "1:1", "1:2"}));
    // A placement inside another's tail is cut by nothing after it.
    EXPECT_EQ(track->PlacePattern(7, 0), 1);
    EXPECT_EQ(track->PlacePattern(8, 1), 1);
    EXPECT_EQ(Slots(*track),
              (Strings{"0:0", "0:1", "1:0", "1:1", "1:2", "-", "-", "0:0", "1:0", "1:1", "1:2"}));

    // Refusals change nothing.
    EXPECT_EQ(track->PlacePattern(3, 9), 0);
    EXPECT_EQ(track->PlacePattern(-1, 0), 0);
    EXPECT_EQ(track->PlacePattern(SequenceTrack::kMaxBeat + 1, 0), 0);
    EXPECT_EQ(Slots(*track).size(), 11u);

    // A pattern that grows is followed; one that goes leaves empty slots.
    node->Patterns().Get(1)->Reset(5, 4, 0);
    track->Layout();
    EXPECT_EQ(Slots(*track), (Strings{"0:0", "0:1", "1:0", "1:1", "1:2", "1:3", "1:4", "0:0", "1:0",
                                      "1:1", "1:2", "1:3", "1:4"}));
    node->Patterns().Remove(1);
    track->Layout();
    EXPECT_EQ(Slots(*track),
              (Strings{"0:0", "0:1", "0:2", "0:3", "-", "-", "-", "0:0", "0:1", "0:2", "0:3"}));
}

TEST_F(SequenceTracks, SelectionTransposesMovesCopiesAndDeletes) {
    track->PlacePattern(0, 0);
    track->PlacePattern(4, 1);
    EXPECT_EQ(track->TransposeEntry(4, 10.0), 1);
    EXPECT_EQ(track->TransposeEntry(6, 2.0), 1); // inside the placement: all of it
    EXPECT_EQ(track->TransposeEntry(20, 1.0), 0);
    EXPECT_EQ(Slots(*track), (Strings{"0:0", "0:1", "0:2", "0:3", "1:0+12", "1:1+12", "1:2+12"}));

    // Beat 5 lies in the second placement, so its start is selected.
    track->SelectRange(5, 6);
    EXPECT_EQ(Slots(*track), (Strings{"0:0", "0:1", "0:2", "0:3", "1:0+12*", "1:1+12", "1:2+12"}));
    track->SelectRange(3, 5);
    EXPECT_EQ(Slots(*track), (Strings{"0:0*", "0:1", "0:2", "0:3", "1:0+12*", "1:1+12", "1:2+12"}));
    track->TransposeSelected(-2.0);
    EXPECT_EQ(Slots(*track),
              (Strings{"0:0-2*", "0:1-2", "0:2-2", "0:3-2", "1:0+10*", "1:1+10", "1:2+10"}));

    EXPECT_EQ(track->MoveSelected(-1), 0); // the first would land before beat 0
    EXPECT_EQ(track->MoveSelected(2), 1);
    EXPECT_EQ(Slots(*track), (Strings{"-", "-", "0:0-2*", "0:1-2", "0:2-2", "0:3-2", "1:0+10*",
                                      "1:1+10", "1:2+10"}));

    EXPECT_EQ(track->CopySelected(10), 1);
    EXPECT_EQ(Slots(*track), (Strings{"-", "-", "0:0-2*", "0:1-2", "0:2-2", "0:3-2", "1:0+10*",
                                      "1:1+10", "1:2+10", "-", "-", "-", "0:0-2", "0:1-2", "0:2-2",
                                      "0:3-2", "1:0+10", "1:1+10", "1:2+10"}));

    track->DeleteSelected();
    EXPECT_EQ(Slots(*track),
              (Strings{"-", "-", "-", "-", "-", "-", "-", "-", "-", "-", "-", "-", "0:0-2", "0:1-2",
                       "0:2-2", "0:3-2", "1:0+10", "1:1+10", "1:2+10"}));
}

TEST_F(SequenceTracks, CopiesAsNewPatternsCopyEachPatternOnce) {
    node->Patterns().Get(0)->AddEvent(test::MakeEvent(3, test::kNote, 0, 0.0, 60.0), 1);
    track->PlacePattern(0, 0);
    track->PlacePattern(4, 0);
    track->PlacePattern(8, 1);
    track->SelectRange(0, 12);
    EXPECT_EQ(track->CopySelectedAsNewPatterns(12), 1);
    EXPECT_EQ(node->Patterns().Count(), 4);
    EXPECT_EQ(Slots(*track)[12], "2:0");
    EXPECT_EQ(Slots(*track)[16], "2:0");
    EXPECT_EQ(Slots(*track)[20], "3:0");
    const Pattern& copy = *node->Patterns().Get(2);
    EXPECT_EQ(copy.Length(), 4);
    EXPECT_EQ(test::PlayedValues(copy, 1), std::vector<double>{60.0});
    EXPECT_EQ(track->CopySelectedAsNewPatterns(-1), 0);
    EXPECT_EQ(node->Patterns().Count(), 4);
}

TEST_F(SequenceTracks, TracksAreMadeOnceAtTheirIndex) {
    SequenceTrackList& tracks = node->SequenceTracks();
    EXPECT_EQ(tracks.Create(3), 1);
    tracks.Get(3)->firstDisplayValue = 99;
    EXPECT_EQ(tracks.Create(3), 1);
    EXPECT_EQ(tracks.Get(3)->firstDisplayValue, 99);
    EXPECT_EQ(tracks.Create(-1), 1);
    EXPECT_NE(tracks.Get(1), nullptr);
    EXPECT_EQ(tracks.Get(1)->firstDisplayValue, SequenceTrack::kFirstDisplayDefault);
    EXPECT_EQ(tracks.Count(), 3);
    EXPECT_EQ(tracks.Create(SequenceTrackList::kMaxIndex + 1), 0);
    EXPECT_EQ(errors.Take(),
              std::vector<std::string>{"error: sequence track 32768 is out of range"});
}

} // namespace
} // namespace tarn
