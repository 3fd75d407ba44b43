#include "gui/StudioFixture.h"

#include "editing/PatternContents.h"
#include "engine/PatternEditing.h"
#include "engine/Project.h"
#include "gui/MainWindow.h"
#include "gui/PatternPage.h"
#include "gui/PianoRollView.h"

#include <QApplication>
#include <QTest>

namespace tarn {
namespace {

// The piano roll of pattern 0 (4 beats, 4 rows per beat) of an Analog Bass.
class PianoRollViewTest : public test::StudioFixture {
protected:
    void SetUp() override {
        ASSERT_TRUE(Start());
        Studio& studio = studio_->GetStudio();
        std::unique_ptr<Project> project = studio.NewProject();
        nodeId_ = project->CreateNode("Tarn Analog Bass");
        ASSERT_EQ(CreatePattern(*project->GetNode(nodeId_), 0, 4, 4, 0), 0);
        project->editedNodeId = nodeId_;
        studio.SetProject(std::move(project));
        MainWindow& window = studio_->Window();
        window.ShowView(MainWindow::kPatternView);
        QApplication::setActiveWindow(&window);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        window.Patterns().Reload();
        window.Patterns().ShowTab(1);
        roll_ = &window.Patterns().Roll();
        roll_->setFocus();
        QApplication::processEvents(); // laid out, so that the roll has its size
        roll_->ScrollToNote(60);
    }

    void Drag(QPoint from, QPoint to, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mousePress(roll_->viewport(), button, {}, from);
        QTest::mouseMove(roll_->viewport(), to);
        QTest::mouseRelease(roll_->viewport(), button, {}, to);
    }
    std::vector<test::StoredEvent> Events() {
        return test::Contents(
            *studio_->GetStudio().Current().Get()->GetNode(nodeId_)->Patterns().Get(0));
    }
    std::string LastEdit() { return studio_->Commands().History().UndoName(); }

    int nodeId_ = -1;
    PianoRollView* roll_ = nullptr;
};

TEST_F(PianoRollViewTest, BarsDrawnMovedAndResizedBecomeNotesOfTheirLengthAndPitch) {
    // Four rows: one beat.
    Drag(roll_->PointOf(0, 60), roll_->PointOf(3, 60));
    std::vector<test::StoredEvent> events = Events();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].value, 60.0);
    EXPECT_EQ(events[0].noteLength, 1.0);
    EXPECT_EQ(events[0].beat, 0);
    EXPECT_EQ(events[0].time, 0.0);
    EXPECT_EQ(LastEdit(), "Insert event");

    Drag(roll_->PointOf(1, 60), roll_->PointOf(1, 61));
    events = Events();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].value, 61.0);
    EXPECT_EQ(events[0].noteLength, 1.0);
    EXPECT_EQ(LastEdit(), "Move events");
    // Moved a row later and back down.
    Drag(roll_->PointOf(1, 61), roll_->PointOf(2, 59));
    events = Events();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].value, 59.0);
    EXPECT_EQ(events[0].time, 0.25);

    // The bar's right end, dragged to the end of row 6: rows 1..6.
    const QPoint end = roll_->PointOf(5, 59) - QPoint(PianoRollView::kRowWidth / 2 + 2, 0);
    Drag(end, roll_->PointOf(6, 59));
    events = Events();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].noteLength, 1.5);
    EXPECT_EQ(events[0].value, 59.0);

    // The velocity lane sets the note's velocity.
    QTest::mouseClick(roll_->viewport(), Qt::LeftButton, {}, roll_->VelocityPoint(1, 0.25));
    EXPECT_NEAR(Events()[0].velocity, 0.25, 0.02);
    // A right click deletes the bar.
    QTest::mouseClick(roll_->viewport(), Qt::RightButton, {}, roll_->PointOf(3, 59));
    EXPECT_TRUE(Events().empty());
}

TEST_F(PianoRollViewTest, TransposingTheSelectionMovesEverySelectedNote) {
    Drag(roll_->PointOf(0, 48), roll_->PointOf(0, 48));
    Drag(roll_->PointOf(8, 55), roll_->PointOf(9, 55));
    roll_->ScrollToNote(120);
    Drag(roll_->PointOf(12, 120), roll_->PointOf(12, 120));
    roll_->ScrollToNote(60);
    ASSERT_EQ(Events().size(), 3u);

    QTest::keyClick(roll_, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(roll_, Qt::Key_Up, Qt::ShiftModifier);
    std::vector<test::StoredEvent> events = Events();
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].value, 60.0);
    EXPECT_EQ(events[1].value, 67.0);
    EXPECT_EQ(events[2].value, 127.0); // the top of the note range holds
    EXPECT_EQ(LastEdit(), "Transpose octave up");

    // Only the selected rows move.
    QTest::mousePress(roll_->viewport(), Qt::LeftButton, Qt::ShiftModifier, roll_->PointOf(0, 70));
    QTest::mouseRelease(roll_->viewport(), Qt::LeftButton, Qt::ShiftModifier,
                        roll_->PointOf(9, 70));
    QTest::keyClick(roll_, Qt::Key_Down);
    events = Events();
    EXPECT_EQ(events[0].value, 59.0);
    EXPECT_EQ(events[1].value, 66.0);
    EXPECT_EQ(events[2].value, 127.0);
    EXPECT_EQ(LastEdit(), "Transpose down");
}

} // namespace
} // namespace tarn
