#include "editing/PatternEditor.h"
#include "base/UserInteraction.h"
#include "editing/CellDisplay.h"
#include "editing/PatternContents.h"
#include "editing/UndoHistory.h"
#include "engine/CurrentProject.h"
#include "engine/PatternEditing.h"
#include "engine/Project.h"
#include "machines/builtin/AnalogBass.h"
#include "machines/builtin/BuiltinMachines.h"
#include "machines/framework/MachineFactory.h"
#include "support/TestMachine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <set>

namespace tarn {
namespace {

using test::Contents;
using test::StoredEvent;

// An Analog Bass (id 1) with pattern 0 of 2 beats at 4 rows per beat.
struct PatternEditorTest : ::testing::Test {
    static constexpr int kRows = 8;

    PatternEditorTest() {
        SetCurrentInteraction(&interaction);
        auto project = std::make_unique<Project>(factory);
        EXPECT_EQ(project->CreateNode("Tarn Master"), 0);
        EXPECT_EQ(project->CreateNode("Tarn Analog Bass"), 1);
        EXPECT_EQ(CreatePattern(*project->GetNode(1), 0, 2, 4, 1), 0);
        current.Set(std::move(project));
        editor.SetTarget(1, 0);
    }
    ~PatternEditorTest() override { SetCurrentInteraction(nullptr); }

    Pattern& Live() { return *current.Get()->GetNode(1)->Patterns().Get(0); }

    int ColumnOf(int index, int sub = GridColumn::kValue) {
        const std::vector<GridColumn> columns = editor.Columns();
        for (std::size_t c = 0; c < columns.size(); ++c) {
            if (columns[c].group == kGroupMachine && columns[c].index == index &&
                columns[c].track == 0 && columns[c].sub == sub) {
                return static_cast<int>(c);
            }
        }
        ADD_FAILURE() << "no column for parameter " << index;
        return -1;
    }

    // Puts an event of parameter index at a time in beats, untouched by the
    // editor.
    void Put(int index, double at, double value) {
        PatternEventRecord record;
        record.event.group = kGroupMachine;
        record.event.index = static_cast<std::int16_t>(index);
        record.event.value = value;
        record.event.time = at - std::floor(at);
        ASSERT_EQ(AddClampedEvent(*current.Get(), 1, 0, static_cast<int>(at), record), 1);
    }

    // (row, value) of each event of parameter index on track 0.
    std::vector<std::pair<double, double>> Column(int index) {
        std::vector<std::pair<double, double>> events;
        for (const StoredEvent& e : Contents(Live())) {
            if (e.group == kGroupMachine && e.index == index && e.track == 0) {
                events.emplace_back((e.beat + e.time) * 4.0, e.value);
            }
        }
        return events;
    }

    test::PipeCapture errors{ErrorOut()};
    ScriptedInteraction interaction;
    MachineFactory factory{BuiltinMachines()};
    CurrentProject current;
    UndoHistory history{current};
    PatternEditor editor{current, history};
};

TEST_F(PatternEditorTest, InsertDeleteAndRotateMoveWholeRows) {
    const int cutoff = ColumnOf(AnalogBass::kCutoff);
    Put(AnalogBass::kCutoff, 0.5, 0.1);    // row 2
    Put(AnalogBass::kCutoff, 0.55, 0.2);   // also row 2
    Put(AnalogBass::kCutoff, 1.75, 0.7);   // row 7, the last
    Put(AnalogBass::kResonance, 0.5, 0.9); // another column stays
    editor.SetCursor(cutoff, 2);
    ASSERT_EQ(editor.Insert(), 1);
    EXPECT_EQ(Column(AnalogBass::kCutoff),
              (std::vector<std::pair<double, double>>{{3, 0.1}, {3, 0.2}}));
    EXPECT_EQ(Column(AnalogBass::kResonance), (std::vector<std::pair<double, double>>{{2, 0.9}}));

    ASSERT_EQ(editor.DeleteEvent(), 1); // row 2 is empty now
    editor.SetCursor(cutoff, 1);
    ASSERT_EQ(editor.Delete(), 1);
    EXPECT_EQ(Column(AnalogBass::kCutoff),
              (std::vector<std::pair<double, double>>{{2, 0.1}, {2, 0.2}}));

    // A single event on the last row comes round to row 0.
    editor.DeleteEvents();
    editor.Select({0, kRows, cutoff, cutoff + 1});
    ASSERT_EQ(editor.DeleteEvents(), 1);
    Put(AnalogBass::kCutoff, 1.75, 0.7);
    ASSERT_EQ(editor.InsertCyclical(), 1);
    EXPECT_EQ(Column(AnalogBass::kCutoff), (std::vector<std::pair<double, double>>{{0, 0.7}}));
    EXPECT_EQ(history.UndoMenuText(), "Undo Insert cyclical");
}

TEST_F(PatternEditorTest, TypingFollowsTheDisplayModes) {
    // Digits come in from the right over the point; a sign sets the sign.
    const GridColumn symmetric{kGroupMachine, 0, 0, 0, kTypeDouble, -1.0, 1.0};
    EXPECT_EQ(cell_display::Text(symmetric, kDecimal2, 0.5), "+0.50");
    std::string text = cell_display::Text(symmetric, kDecimal2, 0.0);
    ASSERT_TRUE(cell_display::Enter(text, kDecimal2, '5'));
    EXPECT_EQ(text, "+0.05");
    ASSERT_TRUE(cell_display::Enter(text, kDecimal2, '7'));
    ASSERT_TRUE(cell_display::Enter(text, kDecimal2, '-'));
    EXPECT_EQ(text, "-0.57");
    EXPECT_EQ(cell_display::Value(symmetric, kDecimal2, text), -0.57);
    EXPECT_FALSE(cell_display::Enter(text, kDecimal2, 'x'));
    EXPECT_FALSE(cell_display::Enter(text, kDecimal2, 'a'));
    ASSERT_TRUE(cell_display::Enter(text, kDecimal2, '9'));
    EXPECT_EQ(text, "-5.79");
    EXPECT_EQ(cell_display::Value(symmetric, kDecimal2, text), -1.0); // clamped
    // Hexadecimal takes hexadecimal digits, and no sign.
    text = "08";
    ASSERT_TRUE(cell_display::Enter(text, kHexByte, 'f'));
    EXPECT_EQ(text, "8F");
    EXPECT_FALSE(cell_display::Enter(text, kHexByte, '-'));
    // A column without a range shows 0 in hexadecimal and keeps its value.
    const GridColumn flat{kGroupMachine, 0, 0, 0, kTypeDouble, 5.0, 5.0};
    EXPECT_EQ(cell_display::Text(flat, kHexByte, 5.0), "00");
    EXPECT_EQ(cell_display::Value(flat, kHexByte, "70"), 5.0);

    // Through the editor: typing "+" on sustain (-60..0) starts from zero
    // and stays in the range.
    const int sustain = ColumnOf(AnalogBass::kSustain);
    editor.SetCursor(sustain, 3);
    ASSERT_EQ(editor.SetDisplayMode(sustain, kDecimalInteger), 1);
    ASSERT_EQ(editor.EnterValue(-30.0), 1);
    EXPECT_EQ(editor.CellText(sustain, 3), "-30");
    ASSERT_EQ(editor.TypeCharacter('+'), 1);
    EXPECT_EQ(editor.CellText(sustain, 3), "+00");
    const int entries = history.Count();
    EXPECT_EQ(editor.TypeCharacter('x'), 0);
    EXPECT_EQ(history.Count(), entries);

    // Every hexadecimal mode gives back the minimum, maximum and midpoint.
    const std::map<int, std::string> maxima = {
        {kHexNibble, "8"}, {kHexByte, "80"}, {kHexTribble, "800"}, {kHexWord, "8000"}};
    for (const auto& [mode, maximum] : maxima) {
        ASSERT_EQ(editor.SetDisplayMode(sustain, mode), 1);
        for (const double value : {-60.0, 0.0, -30.0}) {
            ASSERT_EQ(editor.EnterValue(value), 1);
            const std::string text = editor.CellText(sustain, 3);
            if (value == 0.0) {
                EXPECT_EQ(text, maximum);
            }
            ASSERT_EQ(editor.EnterValue(-45.0), 1);
            for (std::size_t i = 0; i < text.size(); ++i) {
                ASSERT_EQ(editor.TypeCharacter(text[i]), 1);
            }
            EXPECT_EQ(Column(AnalogBass::kSustain),
                      (std::vector<std::pair<double, double>>{{3, value}}))
                << "mode " << mode;
        }
    }
    // Hexadecimal modes are for double columns only.
    EXPECT_EQ(editor.SetDisplayMode(ColumnOf(AnalogBass::kWaveform), kHexByte), 0);

    // A note typed into an empty cell starts from zero ("4" is note 4, a
    // further "0" makes it 40), and its length and velocity columns edit
    // it, each starting from zero as the cursor comes to it.
    const int note = ColumnOf(AnalogBass::kNote);
    editor.SetCursor(note, 4);
    ASSERT_EQ(editor.TypeCharacter('4'), 1);
    EXPECT_EQ(Column(AnalogBass::kNote)[0].second, 4.0);
    ASSERT_EQ(editor.TypeCharacter('0'), 1);
    ASSERT_EQ(Column(AnalogBass::kNote).size(), 1u);
    EXPECT_EQ(Column(AnalogBass::kNote)[0].second, 40.0);
    editor.SetCursor(ColumnOf(AnalogBass::kNote, GridColumn::kVelocity), 4);
    EXPECT_EQ(editor.CellText(note + 2, 4), "+1.00");
    ASSERT_EQ(editor.TypeCharacter('2'), 1);
    ASSERT_EQ(editor.TypeCharacter('0'), 1);
    EXPECT_EQ(editor.CellText(note + 2, 4), "+0.20");
    EXPECT_EQ(Column(AnalogBass::kNote)[0].second, 40.0);
    // An empty length or velocity cell has no note to change.
    editor.SetCursor(note + 2, 5);
    EXPECT_EQ(editor.TypeCharacter('5'), 0);
}

TEST_F(PatternEditorTest, RandomizeKeepsEachTypesValuesAndRelinksGlides) {
    const int glide = ColumnOf(AnalogBass::kGlide);
    const int cutoff = ColumnOf(AnalogBass::kCutoff);
    ASSERT_EQ(cutoff, glide + 5); // glide, attack, decay, sustain, release, cutoff
    for (int row = 0; row < kRows; ++row) {
        Put(AnalogBass::kGlide, row / 4.0, 0.0);
        Put(AnalogBass::kCutoff, row / 4.0, 0.5);
    }
    editor.Select({0, kRows, glide, cutoff + 1});
    std::set<double> switches;
    for (int round = 0; round < 20; ++round) {
        ASSERT_EQ(editor.RandomizeEvents(), 1);
        for (const auto& [row, value] : Column(AnalogBass::kGlide)) {
            switches.insert(value);
        }
        for (const auto& [row, value] : Column(AnalogBass::kCutoff)) {
            EXPECT_TRUE(value >= 0.0 && value <= 1.0) << value;
        }
    }
    EXPECT_EQ(switches, (std::set<double>{0.0, 1.0}));
    const Pattern::BeatLists& beats = *Live().Events(kGroupMachine, 0, AnalogBass::kCutoff);
    EXPECT_EQ(beats.at(0)[0]->event.endValue, beats.at(0)[1]->event.value);
}

TEST_F(PatternEditorTest, CopyAndPasteThroughTheClipboardText) {
    const int cutoff = ColumnOf(AnalogBass::kCutoff);
    Put(AnalogBass::kCutoff, 0.25, 0.5);
    editor.Select({0, 4, cutoff, cutoff + 1});
    ASSERT_EQ(editor.Copy(), 1);
    EXPECT_EQ(interaction.ClipboardText(),
              "<events>\n  <length>1.00000</length>\n  <param>\n    <type>double</type>\n"
              "    <value_min>0.00000</value_min>\n    <value_max>1.00000</value_max>\n"
              "    <event>\n      <time>0.25000</time>\n      <value>0.50000</value>\n"
              "    </event>\n  </param>\n</events>\n");

    // Two columns pasted on the last column: only the first lands. Events
    // past the end are dropped, values beyond the range clamped.
    const int last = static_cast<int>(editor.Columns().size()) - 1;
    const GridColumn lastColumn = editor.Columns()[static_cast<std::size_t>(last)];
    interaction.SetClipboardText(
        "<events><length>1.0</length>"
        "<param><type>double</type><event><time>0.0</time><value>1e9</value></event>"
        "<event><time>0.75</time><value>-1e9</value></event></param>"
        "<param><type>double</type><event><time>0.0</time><value>0.3</value></event></param>"
        "</events>");
    editor.Select({6, 7, last, last + 1});
    ASSERT_EQ(editor.PasteEvents(), 1);
    std::vector<StoredEvent> pasted;
    for (const StoredEvent& e : Contents(Live())) {
        if (e.group == lastColumn.group && e.index == lastColumn.index) {
            pasted.push_back(e);
        }
    }
    ASSERT_EQ(pasted.size(), 1u);
    EXPECT_EQ(pasted[0].beat + pasted[0].time, 1.5);
    EXPECT_EQ(pasted[0].value, lastColumn.maximum);
    EXPECT_EQ(Contents(Live()).size(), 2u);

    // Text that is not a copy of events changes nothing.
    const auto before = Contents(Live());
    const int entries = history.Count();
    errors.Take();
    for (const char* foreign :
         {"", "hello", "<events><length>x</length></events>", "<root><length>1</length></root>",
          "<events><length>1</length><param><type>note</type><event><time>nan</time>"
          "<value>1</value></event></param></events>",
          "<events><length>1</length><param>"}) {
        interaction.SetClipboardText(foreign);
        EXPECT_EQ(editor.PasteEvents(), 0) << foreign;
    }
    EXPECT_EQ(Contents(Live()), before);
    EXPECT_EQ(history.Count(), entries);
    EXPECT_EQ(errors.Take().size(), 6u);
}

TEST_F(PatternEditorTest, EveryEditIsUndoneEventForEvent) {
    const int note = ColumnOf(AnalogBass::kNote);
    const int cutoff = ColumnOf(AnalogBass::kCutoff);
    Put(AnalogBass::kNote, 0.0, 40.0);
    Put(AnalogBass::kNote, 1.0, 127.0);
    Put(AnalogBass::kCutoff, 0.5, 0.5);
    Put(AnalogBass::kCutoff, 1.75, 0.25);
    const std::vector<std::pair<const char*, std::function<int()>>> edits = {
        {"Insert event",
         [&] {
             editor.SetCursor(cutoff, 1);
             return editor.TypeCharacter('1');
         }},
        {"Insert event", [&] { return editor.EnterValue(0.75); }},
        {"Delete event",
         [&] {
             editor.SetCursor(cutoff, 2);
             return editor.DeleteEvent();
         }},
        {"Insert",
         [&] {
             editor.SetCursor(cutoff, 0);
             return editor.Insert();
         }},
        {"Delete", [&] { return editor.Delete(); }},
        {"Insert cyclical", [&] { return editor.InsertCyclical(); }},
        {"Randomize events",
         [&] {
             editor.Select({0, 8, cutoff, cutoff + 1});
             return editor.RandomizeEvents();
         }},
        {"Paste events",
         [&] {
             editor.Select({0, 4, note, note + 1});
             editor.Copy();
             editor.Select({4, 5, note, note + 1});
             return editor.PasteEvents();
         }},
        {"Move events",
         [&] {
             editor.Select({0, 8, note, note + 1});
             return editor.MoveEvents(1, 2);
         }},
        {"Copy events",
         [&] {
             editor.Select({0, 8, note, note + 1});
             return editor.CopyEvents(2, -12);
         }},
        {"Transpose up",
         [&] {
             editor.Select({0, 8, note, note + 1});
             return editor.TransposeUp();
         }},
        {"Transpose down",
         [&] {
             editor.Select({0, 8, note, note + 1});
             return editor.TransposeDown();
         }},
        {"Transpose octave up",
         [&] {
             editor.Select({0, 8, note, note + 1});
             return editor.TransposeOctaveUp();
         }},
        {"Transpose octave down",
         [&] {
             editor.Select({0, 8, note, note + 1});
             return editor.TransposeOctaveDown();
         }},
        {"Insert/Delete events",
         [&] {
             const std::vector<std::optional<double>> drawn = {0.1, std::nullopt, 0.3};
             return editor.DrawEvents(cutoff, 1, drawn);
         }},
        {"Delete events",
         [&] {
             editor.Select({0, 8, note, cutoff + 1});
             return editor.DeleteEvents();
         }},
    };
    for (const auto& [name, edit] : edits) {
        editor.ClearSelection();
        const auto before = Contents(Live());
        ASSERT_EQ(edit(), 1) << name;
        EXPECT_EQ(history.UndoName(), name);
        const auto after = Contents(Live());
        if (std::string(name) != "Randomize events") {
            EXPECT_NE(after, before) << name;
        }
        ASSERT_EQ(history.Undo(), 1) << name;
        EXPECT_EQ(Contents(Live()), before) << name;
        ASSERT_EQ(history.Redo(), 1) << name;
        EXPECT_EQ(Contents(Live()), after) << name;
    }
    EXPECT_EQ(Live().EventCount(), 0);
}

TEST_F(PatternEditorTest, ResizingKeepsTheEventsInsideAndNotesTakeTheirLengthAndVelocity) {
    const int note = ColumnOf(current.Get()->GetNode(1)->NoteParameter());
    editor.SetCursor(note, 2);
    ASSERT_EQ(editor.EnterNote(60.0, 1.25, 0.5), 1);
    std::vector<StoredEvent> events = Contents(Live());
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].value, 60.0);
    EXPECT_EQ(events[0].time, 0.5);
    EXPECT_EQ(events[0].noteLength, 1.25);
    EXPECT_EQ(events[0].velocity, 0.5);
    // Only a note column takes a note.
    editor.SetCursor(ColumnOf(AnalogBass::kCutoff), 0);
    EXPECT_EQ(editor.EnterNote(60.0, 1.0, 1.0), 0);

    Put(AnalogBass::kCutoff, 1.5, 0.3);
    Node& node = *current.Get()->GetNode(1);
    ASSERT_EQ(node.SequenceTracks().Create(0), 1);
    ASSERT_EQ(node.SequenceTracks().Get(0)->PlacePattern(0, 0), 1);
    const std::vector<StoredEvent> before = Contents(Live());
    Live().name = "Riff";

    // One beat at 8 rows: the cutoff event of beat 1 falls off the end.
    ASSERT_EQ(editor.Resize(1, 8), 1);
    EXPECT_EQ(Live().Length(), 1);
    EXPECT_EQ(Live().TicksPerBeat(), 8);
    EXPECT_EQ(Live().name, "Riff");
    EXPECT_EQ(editor.RowCount(), 8);
    events = Contents(Live());
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].value, 60.0);
    // The placement now fills one beat.
    EXPECT_TRUE(node.SequenceTracks().Get(0)->Entry(1) == nullptr ||
                node.SequenceTracks().Get(0)->Entry(1)->Empty());
    EXPECT_EQ(history.UndoMenuText(), "Undo Pattern size");
    EXPECT_EQ(editor.Resize(0, 4), 0);
    EXPECT_EQ(editor.Resize(2, 0), 0);

    ASSERT_EQ(history.Undo(), 1);
    EXPECT_EQ(Contents(Live()), before);
    EXPECT_EQ(Live().Length(), 2);
    ASSERT_NE(node.SequenceTracks().Get(0)->Entry(1), nullptr);
    EXPECT_EQ(node.SequenceTracks().Get(0)->Entry(1)->beat, 1);
}

} // namespace
} // namespace tarn
