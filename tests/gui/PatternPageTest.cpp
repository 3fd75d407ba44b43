#include "gui/StudioFixture.h"

#include "editing/CellDisplay.h"
#include "editing/PatternContents.h"
#include "engine/PatternEditing.h"
#include "engine/Project.h"
#include "gui/MainWindow.h"
#include "gui/PatternGridView.h"
#include "gui/PatternPage.h"
#include "machines/builtin/AnalogBass.h"

#include <QApplication>
#include <QScrollBar>
#include <QSpinBox>
#include <QStatusBar>
#include <QTest>

namespace tarn {
namespace {

// A studio editing pattern 0 (4 beats, 4 rows per beat) of an Analog Bass.
class PatternPageTest : public test::StudioFixture {
protected:
    void SetUp() override {
        ASSERT_TRUE(Start());
        Studio& studio = studio_->GetStudio();
        std::unique_ptr<Project> project = studio.NewProject();
        nodeId_ = project->CreateNode("Tarn Analog Bass");
        ASSERT_GT(nodeId_, 0);
        ASSERT_EQ(CreatePattern(*project->GetNode(nodeId_), 0, 4, 4, 0), 0);
        project->editedNodeId = nodeId_;
        studio.SetProject(std::move(project));
        MainWindow& window = studio_->Window();
        window.ShowView(MainWindow::kPatternView);
        QApplication::setActiveWindow(&window);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        page_ = &window.Patterns();
        page_->Reload();
        grid_ = &page_->Grid();
        grid_->setFocus();
    }

    int FindColumn(int type, int sub = GridColumn::kValue) {
        const std::vector<GridColumn> columns = page_->Editor().Columns();
        for (std::size_t c = 0; c < columns.size(); ++c) {
            if (columns[c].type == type && columns[c].sub == sub && columns[c].track == 0) {
                return static_cast<int>(c);
            }
        }
        ADD_FAILURE() << "no column of type " << type;
        return 0;
    }
    void Click(int column, int row) {
        QTest::mouseClick(grid_->viewport(), Qt::LeftButton, {},
                          grid_->CellRect(column, row).center());
    }
    // The edit step, as the tool bar sets it.
    void SetEditStep(int rows) {
        auto* step = page_->findChild<QSpinBox*>("editStep");
        ASSERT_NE(step, nullptr);
        step->setValue(rows);
        ASSERT_EQ(grid_->EditStep(), rows);
    }
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = {}, int times = 1) {
        for (int i = 0; i < times; ++i) {
            QTest::keyClick(grid_, key, modifiers);
        }
    }
    Pattern& Live() {
        return *studio_->GetStudio().Current().Get()->GetNode(nodeId_)->Patterns().Get(0);
    }
    std::vector<test::StoredEvent> Events() { return test::Contents(Live()); }

    int nodeId_ = -1;
    PatternPage* page_ = nullptr;
    PatternGridView* grid_ = nullptr;
};

TEST_F(PatternPageTest, NotesTypedAtTheOctaveLandOnTheRowsTheCursorWasMovedTo) {
    SetEditStep(0);
    const int note = FindColumn(kTypeNote);
    Click(note, 0);
    EXPECT_EQ(page_->Editor().CursorColumn(), note);
    ASSERT_EQ(grid_->Octave(), 4);
    Key(Qt::Key_Z);
    Key(Qt::Key_Down, {}, 4); // one beat of rows
    Key(Qt::Key_X);
    Key(Qt::Key_PageDown);
    Key(Qt::Key_2, Qt::KeypadModifier); // octave 2
    EXPECT_EQ(grid_->Octave(), 2);
    Key(Qt::Key_Q); // an octave above Z
    const std::vector<test::StoredEvent> events = Events();
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].beat, 0);
    EXPECT_EQ(events[0].time, 0.0);
    EXPECT_EQ(events[0].value, 48.0);
    EXPECT_EQ(events[1].beat, 1);
    EXPECT_EQ(events[1].time, 0.0);
    EXPECT_EQ(events[1].value, 50.0);
    EXPECT_EQ(events[2].beat, 2);
    EXPECT_EQ(events[2].value, 36.0);
    // Keys that play no note leave the pattern alone; Delete empties the cell.
    Key(Qt::Key_F);
    Key(Qt::Key_Delete);
    EXPECT_EQ(Events().size(), 2u);
    // Home, End and Tab keep the cursor inside the grid.
    Key(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(page_->Editor().CursorRow(), 15);
    EXPECT_EQ(page_->Editor().CursorColumn(),
              static_cast<int>(page_->Editor().Columns().size()) - 1);
    Key(Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(page_->Editor().CursorRow(), 0);
    EXPECT_EQ(page_->Editor().CursorColumn(), 0);
    Key(Qt::Key_Up);
    Key(Qt::Key_Tab);
    EXPECT_EQ(page_->Editor().CursorRow(), 0);
    EXPECT_GT(page_->Editor().CursorColumn(), 0);
}

TEST_F(PatternPageTest, CopyAndPasteRepeatTheEventsAndUndoRestoresThePattern) {
    SetEditStep(0);
    const int note = FindColumn(kTypeNote);
    Click(note, 0);
    Key(Qt::Key_Z);
    Key(Qt::Key_Down);
    Key(Qt::Key_E);
    Key(Qt::Key_Right); // the note's length, "+00.50"
    QTest::keyClicks(grid_, "2050");
    Key(Qt::Key_Down, {}, 2);
    Key(Qt::Key_Left);
    Key(Qt::Key_T);
    // Rows 0..3 of the note and its length.
    Key(Qt::Key_Home);
    Key(Qt::Key_Down, Qt::ShiftModifier, 3);
    Key(Qt::Key_Right, Qt::ShiftModifier);
    Key(Qt::Key_C, Qt::ControlModifier);
    const std::vector<test::StoredEvent> before = Events();
    ASSERT_EQ(before.size(), 3u);
    EXPECT_EQ(before[1].noteLength, 20.5);

    Click(note, 8);
    Key(Qt::Key_V, Qt::ControlModifier);
    const std::vector<test::StoredEvent> after = Events();
    ASSERT_EQ(after.size(), 6u);
    for (std::size_t i = 0; i < 3; ++i) {
        test::StoredEvent copy = after[i + 3];
        copy.beat -= 2; // 8 rows later
        EXPECT_EQ(copy, before[i]);
    }

    Key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Events(), before);
    Key(Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(Events(), after);
    // Cut takes the events to the clipboard; Insert and Backspace shift the
    // column by a row.
    Key(Qt::Key_Down, Qt::ShiftModifier, 3);
    Key(Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(Events(), before);
    Click(note, 0);
    Key(Qt::Key_Insert);
    ASSERT_EQ(Events().size(), 3u);
    EXPECT_EQ(Events()[0].time, 0.25);
    Key(Qt::Key_Backspace);
    EXPECT_EQ(Events(), before);
}

TEST_F(PatternPageTest, HexadecimalModesTypeTheScaledValue) {
    int cutoff = -1;
    const std::vector<GridColumn> columns = page_->Editor().Columns();
    for (std::size_t c = 0; c < columns.size(); ++c) {
        if (columns[c].type == kTypeDouble && !columns[c].IsSub() && columns[c].maximum > 1.0) {
            cutoff = static_cast<int>(c);
            break;
        }
    }
    ASSERT_GE(cutoff, 0);
    const GridColumn column = columns[static_cast<std::size_t>(cutoff)];
    ASSERT_EQ(page_->Editor().SetDisplayMode(cutoff, kHexByte), 1);
    grid_->Reload();
    Click(cutoff, 2);
    QTest::keyClicks(grid_, "80");
    QTest::keyClick(grid_, Qt::Key_Down);
    QTest::keyClicks(grid_, "40");
    const std::vector<test::StoredEvent> events = Events();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].value, column.maximum);
    EXPECT_NEAR(events[1].value, (column.minimum + column.maximum) / 2.0, 1e-9);
    EXPECT_EQ(page_->Editor().CellText(cutoff, 2), "80");
}

TEST_F(PatternPageTest, PatternSizeRecordsRealChangesOnlyAndUndoBringsDroppedEventsBack) {
    const int note = FindColumn(kTypeNote);
    for (const int row : {0, 9, 13}) {
        Click(note, row);
        Key(Qt::Key_Z);
    }
    const std::vector<test::StoredEvent> notes = Events();
    ASSERT_EQ(notes.size(), 3u);
    UndoHistory& history = studio_->Commands().History();
    history.MarkSaved();
    const int entries = history.Count();
    auto* beats = page_->findChild<QSpinBox*>("beats");
    ASSERT_NE(beats, nullptr);
    MainWindow& window = studio_->Window();

    // Visiting the box changes nothing.
    beats->setFocus();
    grid_->setFocus();
    EXPECT_EQ(history.Count(), entries);
    EXPECT_FALSE(history.IsChanged());
    EXPECT_FALSE(window.windowTitle().startsWith("*"));

    beats->setFocus();
    beats->selectAll();
    QTest::keyClicks(beats, "2");
    QTest::keyClick(beats, Qt::Key_Return);
    EXPECT_EQ(Live().Length(), 2);
    EXPECT_EQ(Events().size(), 1u);
    EXPECT_TRUE(window.statusBar()->currentMessage().contains("2 event(s)"));
    EXPECT_TRUE(window.windowTitle().startsWith("*"));
    QTest::keyClick(grid_, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Live().Length(), 4);
    EXPECT_EQ(Events(), notes);
    EXPECT_EQ(beats->value(), 4);
}

TEST_F(PatternPageTest, TrackerEntryStartsFromZeroAndTheEditStepMovesTheCursor) {
    const std::vector<GridColumn> columns = page_->Editor().Columns();
    // The note, its length and its velocity lead the grid.
    ASSERT_GE(columns.size(), 3u);
    EXPECT_EQ(columns[0].type, kTypeNote);
    EXPECT_EQ(columns[1].sub, GridColumn::kNoteLength);
    EXPECT_EQ(columns[2].sub, GridColumn::kVelocity);
    const auto column = [&](int index) {
        for (std::size_t c = 0; c < columns.size(); ++c) {
            if (columns[c].index == index && columns[c].group == kGroupMachine &&
                !columns[c].IsSub()) {
                return static_cast<int>(c);
            }
        }
        ADD_FAILURE() << "no column for parameter " << index;
        return 0;
    };
    const int wave = column(AnalogBass::kWaveform);
    const int cutoff = column(AnalogBass::kCutoff);
    const auto value = [this](int c, int row) { return page_->Editor().CellText(c, row); };

    // "1" in an empty whole-number cell is 1; "5" in a cell of two
    // decimals is 0.05, and the digits that follow come in from the right.
    Click(wave, 0);
    Key(Qt::Key_1);
    EXPECT_EQ(std::stod(value(wave, 0)), 1.0);
    Click(cutoff, 0);
    Key(Qt::Key_5);
    EXPECT_EQ(value(cutoff, 0), "+0.05");
    Key(Qt::Key_0);
    EXPECT_EQ(value(cutoff, 0), "+0.50");
    // Coming back to a cell starts afresh.
    Click(cutoff, 0);
    Key(Qt::Key_7);
    EXPECT_EQ(value(cutoff, 0), "+0.07");

    // A note moves the cursor on by the edit step; so does a value typed to
    // its last digit.
    Click(0, 0);
    Key(Qt::Key_Z);
    EXPECT_EQ(page_->Editor().CursorRow(), 1);
    SetEditStep(3);
    Key(Qt::Key_X);
    EXPECT_EQ(page_->Editor().CursorRow(), 4);
    Click(cutoff, 8);
    QTest::keyClicks(grid_, "025");
    EXPECT_EQ(value(cutoff, 8), "+0.25");
    EXPECT_EQ(page_->Editor().CursorRow(), 11);
    EXPECT_EQ(page_->Editor().CursorColumn(), cutoff);
}

} // namespace
} // namespace tarn
