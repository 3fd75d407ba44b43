#include "gui/StudioFixture.h"

#include "engine/PatternEditing.h"
#include "engine/Project.h"
#include "gui/MainWindow.h"
#include "gui/PatternPage.h"
#include "gui/SequencerView.h"

#include <QApplication>
#include <QTest>

namespace tarn {
namespace {

// The Master and an Analog Bass with two 4-beat patterns, the second one
// current, on the sequencer page.
class SequencerViewTest : public test::StudioFixture {
protected:
    static constexpr int kBassRow = 1; // after the Master's

    void SetUp() override {
        ASSERT_TRUE(Start());
        Studio& studio = studio_->GetStudio();
        std::unique_ptr<Project> project = studio.NewProject();
        nodeId_ = project->CreateNode("Tarn Analog Bass");
        Node& node = *project->GetNode(nodeId_);
        ASSERT_EQ(CreatePattern(node, 0, 4, 4, 0), 0);
        ASSERT_EQ(CreatePattern(node, 1, 4, 4, 0), 1);
        node.Editor().currentPattern = 1;
        studio.SetProject(std::move(project));
        MainWindow& window = studio_->Window();
        window.ShowView(MainWindow::kSequencerView);
        QApplication::setActiveWindow(&window);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        view_ = &window.Sequencer();
        view_->Reload();
        view_->setFocus();
        ASSERT_EQ(view_->RowCount(), 2);
    }

    Project& Live() { return *studio_->GetStudio().Current().Get(); }
    // The placement start at beat of the bass's first track, or -1.
    int StartAt(int beat) {
        const SequenceTrack* track = Live().GetNode(nodeId_)->SequenceTracks().Get(0);
        const SequenceEntry* entry = track != nullptr ? track->Entry(beat) : nullptr;
        return entry != nullptr && entry->StartsPlacement() ? entry->patternNumber : -1;
    }
    QPoint Ruler(double beat) {
        return {view_->PointOf(0, beat).x(), SequencerView::kRulerHeight - 4};
    }
    void Drag(QPoint from, QPoint to, Qt::KeyboardModifiers modifiers = {}) {
        QTest::mousePress(view_->viewport(), Qt::LeftButton, modifiers, from);
        QTest::mouseMove(view_->viewport(), to);
        QTest::mouseRelease(view_->viewport(), Qt::LeftButton, modifiers, to);
    }

    int nodeId_ = -1;
    SequencerView* view_ = nullptr;
};

TEST_F(SequencerViewTest, ClicksPlaceTheCurrentPatternAndDragsMoveItByWholeBeats) {
    QTest::mouseClick(view_->viewport(), Qt::LeftButton, {}, view_->PointOf(kBassRow, 8.5));
    EXPECT_EQ(StartAt(8), 1);
    const SequenceEntry* last = Live().GetNode(nodeId_)->SequenceTracks().Get(0)->Entry(11);
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(last->beat, 3);
    EXPECT_TRUE(studio_->Commands().History().IsChanged());

    // Grabbed in its second beat, dropped three and a bit beats later.
    Drag(view_->PointOf(kBassRow, 9.2), view_->PointOf(kBassRow, 12.9));
    EXPECT_EQ(StartAt(8), -1);
    EXPECT_EQ(StartAt(11), 1);
    // With Ctrl held the drag copies.
    Drag(view_->PointOf(kBassRow, 11.5), view_->PointOf(kBassRow, 15.5), Qt::ControlModifier);
    EXPECT_EQ(StartAt(11), 1);
    EXPECT_EQ(StartAt(15), 1);

    // A rectangle over both selects them; + transposes, Delete empties.
    Drag(view_->PointOf(kBassRow, 10.5) - QPoint(0, 8), view_->PointOf(kBassRow, 16.5));
    QTest::keyClick(view_, Qt::Key_Plus);
    const SequenceTrack& track = *Live().GetNode(nodeId_)->SequenceTracks().Get(0);
    EXPECT_EQ(track.Entry(11)->transpose, 1.0);
    EXPECT_EQ(track.Entry(15)->transpose, 1.0);
    QTest::keyClick(view_, Qt::Key_Delete);
    EXPECT_EQ(StartAt(11), -1);
    EXPECT_EQ(StartAt(15), -1);

    // Each edit undoes on its own, and redoes.
    EXPECT_EQ(studio_->Commands().History().UndoName(), "Delete placements");
    QTest::keyClick(view_, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(StartAt(11), 1);
    EXPECT_EQ(StartAt(15), 1);
    EXPECT_EQ(track.Entry(15)->transpose, 1.0);
    QTest::keyClick(view_, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(track.Entry(15)->transpose, 0.0);
    QTest::keyClick(view_, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(StartAt(15), -1);
    QTest::keyClick(view_, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(StartAt(15), 1);
    EXPECT_EQ(track.Entry(15)->transpose, 0.0);

    // A double-click opens the placement's pattern in the pattern editor.
    QTest::mouseDClick(view_->viewport(), Qt::LeftButton, {}, view_->PointOf(kBassRow, 16.5));
    MainWindow& window = studio_->Window();
    EXPECT_EQ(window.CurrentView(), MainWindow::kPatternView);
    EXPECT_EQ(window.Patterns().Editor().NodeId(), nodeId_);
    EXPECT_EQ(window.Patterns().Editor().PatternNumber(), 1);
}

TEST_F(SequencerViewTest, RulerDragsSetTheLoopThatF6Plays) {
    Drag(Ruler(16.5), Ruler(19.5));
    EXPECT_EQ(Live().Transport().loopStart, 16.0);
    EXPECT_EQ(Live().Transport().loopEnd, 20.0);
    // The loop's end marker moves on its own.
    Drag(Ruler(20.0), Ruler(24.4));
    EXPECT_EQ(Live().Transport().loopStart, 16.0);
    EXPECT_EQ(Live().Transport().loopEnd, 24.0);
    // A loop dragged backwards, before the old one.
    Drag(Ruler(3.5), Ruler(1.5));
    EXPECT_EQ(Live().Transport().loopStart, 1.0);
    EXPECT_EQ(Live().Transport().loopEnd, 4.0);

    QTest::keyClick(view_, Qt::Key_F6);
    const SongTransport& transport = Live().Transport();
    EXPECT_TRUE(transport.Playing());
    EXPECT_TRUE(transport.LoopActive());
    EXPECT_EQ(transport.position, 1.0);
}

} // namespace
} // namespace tarn
