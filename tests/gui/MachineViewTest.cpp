#include "gui/MachineViewFixture.h"

#include "document/ProjectSnapshot.h"
#include "editing/MachineEdits.h"
#include "engine/PatternEditing.h"
#include "formats/ListFile.h"
#include "gui/PatternPage.h"
#include "gui/SequencerView.h"
#include "studio/ProjectCommands.h"

#include <QAction>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QSlider>
#include <QStatusBar>

#include <algorithm>
#include <utility>
#include <vector>

namespace tarn {
namespace {

constexpr const char* kBass = "Tarn Analog Bass";
constexpr const char* kDistortion = "Tarn Distortion";

class MachineViewTest : public test::MachineViewFixture {
protected:
    // Presses on from, moves through the middle to to and lets go there.
    void Drag(QPoint from, QPoint to, Qt::KeyboardModifiers modifiers = {}) {
        QTest::mousePress(view_, Qt::LeftButton, modifiers, from);
        QTest::mouseMove(view_, (from + to) / 2);
        QTest::mouseMove(view_, to);
        QTest::mouseRelease(view_, Qt::LeftButton, modifiers, to);
    }
    QPoint OutputEdge(int id) const {
        const QRect box = view_->BoxRect(id);
        return {box.right() - MachineView::kOutputEdge / 2, box.center().y()};
    }
    // Routes of the Connection from source into destination, or none.
    std::vector<std::pair<int, int>> Routes(int source, int destination) {
        ProjectLock hold(Current());
        std::vector<std::pair<int, int>> routes;
        const Node* node = TheProject().GetNode(destination);
        const int index = node->FindInput(source);
        if (index >= 0) {
            for (auto [slot, route] : node->InputList().Get(index)->Routes()) {
                routes.emplace_back(route->sourceChannel, route->destinationChannel);
            }
        }
        return routes;
    }
    int Connections() {
        ProjectLock hold(Current());
        int count = 0;
        for (auto [id, node] : TheProject().Nodes()) {
            count += node->InputList().Count();
        }
        return count;
    }
    QString Status() const { return window_->statusBar()->currentMessage(); }
    // The open popup menu's action of that name, searched through submenus.
    static QAction* PopupAction(const char* name) {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        return menu != nullptr ? menu->findChild<QAction*>(name) : nullptr;
    }
};

TEST_F(MachineViewTest, DragsConnectWithDefaultRoutesAndRefusalsLeaveTheGraphAsItWas) {
    const int bass = Add(kBass, 0.2, 0.3);
    const int distortion = Add(kDistortion, 0.2, 0.7);
    EXPECT_FALSE(History().IsChanged());

    Drag(OutputEdge(bass), view_->BoxRect(Project::kMasterId).center());
    EXPECT_EQ(Routes(bass, Project::kMasterId), (std::vector<std::pair<int, int>>{{0, 0}, {1, 1}}));
    EXPECT_TRUE(Status().contains("Connected")) << Status().toStdString();
    EXPECT_TRUE(History().IsChanged());

    // With Shift the drag may start anywhere on the box.
    Drag(view_->BoxRect(bass).center(), view_->BoxRect(distortion).center(), Qt::ShiftModifier);
    ASSERT_EQ(Routes(bass, distortion).size(), 2u);

    // distortion -> bass would close a loop: refused, shown, nothing made.
    Drag(OutputEdge(distortion), view_->BoxRect(bass).center());
    EXPECT_EQ(Status().toStdString(), "error: feedback loops are not allowed (yet!)");
    EXPECT_TRUE(Routes(distortion, bass).empty());
    EXPECT_EQ(Connections(), 2);
    // The same Connection twice, and the Master's outputs, are refused too.
    Drag(OutputEdge(bass), view_->BoxRect(Project::kMasterId).center());
    EXPECT_EQ(Status().toStdString(), "error: connection already exists");
    Drag(view_->BoxRect(Project::kMasterId).center(), view_->BoxRect(distortion).center(),
         Qt::ShiftModifier);
    EXPECT_EQ(Status().toStdString(), "error: Master outputs are owned by the audio driver");
    // Dropped on empty space or on its own box: nothing happens.
    Drag(OutputEdge(distortion), QPoint(view_->width() - 5, 5));
    Drag(OutputEdge(distortion), view_->BoxRect(distortion).center());
    EXPECT_EQ(Connections(), 2);

    // A click on a line pops up its input volume.
    const QPoint middle =
        (view_->BoxRect(bass).center() + view_->BoxRect(Project::kMasterId).center()) / 2;
    QTest::mouseClick(view_, Qt::LeftButton, {}, middle);
    auto* popup = qobject_cast<QWidget*>(QApplication::activePopupWidget());
    ASSERT_NE(popup, nullptr);
    auto* slider = popup->findChild<QSlider*>();
    ASSERT_NE(slider, nullptr);
    slider->setValue(-60); // tenths of a decibel
    popup->close();
    ProjectLock hold(Current());
    Node& master = *TheProject().GetNode(Project::kMasterId);
    EXPECT_DOUBLE_EQ(
        master.ReadParameter(kGroupInputMixer, master.FindInput(bass), system_parameter::kVolume),
        -6.0);
}

TEST_F(MachineViewTest, MovedBoxKeepsItsPlaceThroughSaveAndLoad) {
    const int bass = Add(kBass, 0.25, 0.25);
    const QPoint from = view_->BoxRect(bass).center() + QPoint(-20, 0);
    const QPoint to(view_->width() * 3 / 4, view_->height() * 3 / 5);
    Drag(from, to);
    double x = 0.0;
    double y = 0.0;
    {
        ProjectLock hold(Current());
        x = TheProject().GetNode(bass)->Editor().x;
        y = TheProject().GetNode(bass)->Editor().y;
    }
    // The point grabbed stays under the pointer: the centre moved with it.
    EXPECT_NEAR(x * view_->width(), to.x() + 20, 1.0);
    EXPECT_NEAR(y * view_->height(), to.y(), 1.0);
    EXPECT_TRUE(History().IsChanged());
    // Dragged beyond the view, a box stays inside it.
    Drag(view_->BoxRect(bass).center(), QPoint(view_->width() + 400, -300));
    {
        ProjectLock hold(Current());
        EXPECT_EQ(TheProject().GetNode(bass)->Editor().x, 1.0);
        EXPECT_EQ(TheProject().GetNode(bass)->Editor().y, 0.0);
        TheProject().GetNode(bass)->Editor().x = x;
        TheProject().GetNode(bass)->Editor().y = y;
    }

    const std::filesystem::path file = scratch_ / "Moved.tarn";
    script_.QueueFile(file);
    ASSERT_TRUE(studio_->Commands().SaveAs());
    script_.QueueAnswer(MessageBoxAnswer::kNo);
    ASSERT_TRUE(studio_->Commands().New());
    ASSERT_TRUE(studio_->Commands().OpenFile(file));
    view_->Refresh();
    ProjectLock hold(Current());
    const Node* loaded = TheProject().GetNode(bass);
    ASSERT_NE(loaded, nullptr);
    EXPECT_DOUBLE_EQ(loaded->Editor().x, x);
    EXPECT_DOUBLE_EQ(loaded->Editor().y, y);
}

TEST_F(MachineViewTest, DeleteAsksAndRemovesTheSelectedMachinesAsOneEntryThatUndoPutsBack) {
    const int bass = Add(kBass, 0.2, 0.3);
    const int distortion = Add(kDistortion, 0.2, 0.7);
    const int kept = Add(kBass, 0.8, 0.2);
    {
        ProjectLock hold(Current());
        ASSERT_EQ(TheProject().ConnectMachines(bass, distortion), 1);
        ASSERT_EQ(TheProject().ConnectMachines(distortion, Project::kMasterId), 1);
        ASSERT_EQ(TheProject().ConnectMachines(kept, Project::kMasterId), 1);
        // A pattern of notes placed in the song and a changed parameter.
        Node& node = *TheProject().GetNode(bass);
        ASSERT_EQ(CreatePattern(node, 0, 4, 4, 0), 0);
        PatternEventRecord note;
        note.event.group = kGroupMachine;
        note.event.index = static_cast<std::int16_t>(node.NoteParameter());
        note.event.value = 45.0;
        note.event.noteLength = 1.0;
        note.event.velocity = 1.0;
        ASSERT_EQ(AddClampedEvent(TheProject(), bass, 0, 0, note), 1);
        ASSERT_EQ(node.SequenceTracks().Create(0), 1);
        ASSERT_EQ(node.SequenceTracks().Get(0)->PlacePattern(0, 0), 1);
        ASSERT_EQ(node.WriteParameter(kGroupSystem, 0, system_parameter::kVolume, -4.5), 1);
    }
    view_->Refresh();
    const int entries = History().Count();

    QTest::mouseClick(view_, Qt::LeftButton, {}, view_->BoxRect(bass).center());
    QTest::mouseClick(view_, Qt::LeftButton, Qt::ControlModifier,
                      view_->BoxRect(distortion).center());
    const ProjectDocument before = [this] {
        ProjectLock hold(Current());
        return SnapshotProject(TheProject());
    }();
    script_.QueueAnswer(MessageBoxAnswer::kNo);
    QTest::keyClick(view_, Qt::Key_Delete);
    EXPECT_EQ(script_.Texts().back(), "Delete 2 machines?");
    EXPECT_EQ(History().Count(), entries);
    {
        ProjectLock hold(Current());
        EXPECT_NE(TheProject().GetNode(bass), nullptr);
    }
    QTest::keyClick(view_, Qt::Key_Delete);
    EXPECT_EQ(Connections(), 1);
    EXPECT_TRUE(window_->windowTitle().startsWith("*"));
    // The shortcuts follow the history without the Edit menu ever opening.
    QTest::keyClick(view_, Qt::Key_Z, Qt::ControlModifier);
    {
        ProjectLock hold(Current());
        EXPECT_EQ(SnapshotProject(TheProject()), before);
    }
    view_->Refresh();
    EXPECT_FALSE(view_->BoxRect(distortion).isEmpty());
    QTest::keyClick(view_, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(Connections(), 1);
    QTest::keyClick(view_, Qt::Key_Z, Qt::ControlModifier);
    // What comes back plays: the placed note sounds through the distortion.
    ProjectCommands& commands = studio_->Commands();
    commands.PlaySong();
    EXPECT_GT(Render(20)[0], 0.01);
    commands.Stop();
    QTest::keyClick(view_, Qt::Key_Y, Qt::ControlModifier);
    view_->Refresh();
    EXPECT_EQ(view_->Selection(), std::set<int>{Project::kMasterId});

    ASSERT_EQ(History().Undo(), 1);
    view_->Refresh();
    QTest::mouseClick(view_, Qt::LeftButton, {}, view_->BoxRect(bass).center());
    QTest::mouseClick(view_, Qt::LeftButton, Qt::ControlModifier,
                      view_->BoxRect(distortion).center());
    // The Master is never deleted, even when selected.
    QTest::mouseClick(view_, Qt::LeftButton, Qt::ControlModifier,
                      view_->BoxRect(Project::kMasterId).center());
    EXPECT_EQ(view_->Selection().size(), 3u);
    QTest::keyClick(view_, Qt::Key_Delete);
    {
        ProjectLock hold(Current());
        EXPECT_EQ(TheProject().GetNode(bass), nullptr);
        EXPECT_EQ(TheProject().GetNode(distortion), nullptr);
        ASSERT_NE(TheProject().GetNode(Project::kMasterId), nullptr);
        EXPECT_NE(TheProject().GetNode(kept), nullptr);
    }
    EXPECT_EQ(Connections(), 1);
    EXPECT_EQ(History().Count(), entries + 1);
    EXPECT_EQ(History().UndoName(), "Delete machine");
    EXPECT_EQ(window_->findChild<QAction*>("undo")->text(), "Undo Delete machine");
    EXPECT_EQ(view_->Selection(), std::set<int>{Project::kMasterId});
    // Nothing left to delete: no further entry.
    QTest::keyClick(view_, Qt::Key_Delete);
    EXPECT_EQ(History().Count(), entries + 1);
}

TEST_F(MachineViewTest, CatalogueMenuMakesTheMachineWhereTheViewWasClicked) {
    const QPoint at(view_->width() / 5, view_->height() * 4 / 5);
    QContextMenuEvent click(QContextMenuEvent::Mouse, at, view_->mapToGlobal(at));
    QApplication::sendEvent(view_, &click);
    QAction* bass = PopupAction(kBass);
    ASSERT_NE(bass, nullptr);
    // The Master is part of every project and never offered.
    EXPECT_EQ(PopupAction("Tarn Master"), nullptr);
    bass->trigger();
    QApplication::activePopupWidget()->close();

    int made = -1;
    {
        ProjectLock hold(Current());
        for (auto [id, node] : TheProject().Nodes()) {
            if (node->MachineName() == kBass) {
                made = id;
                EXPECT_NEAR(node->Editor().x * view_->width(), at.x(), 1.0);
                EXPECT_NEAR(node->Editor().y * view_->height(), at.y(), 1.0);
            }
        }
        ASSERT_GE(made, 0);
        EXPECT_NE(std::find(TheProject().NodeOrder().begin(), TheProject().NodeOrder().end(), made),
                  TheProject().NodeOrder().end());
    }
    EXPECT_TRUE(view_->BoxRect(made).contains(at));
    EXPECT_TRUE(History().IsChanged());
    // It heads the recent machines, offered again in the next menu.
    ListFile recent;
    ASSERT_EQ(recent.Read(scratch_ / MachineEdits::kRecentMachines), 1);
    EXPECT_EQ(recent.Entries(), std::vector<std::string>{kBass});
    QContextMenuEvent again(QContextMenuEvent::Mouse, QPoint(5, 5),
                            view_->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(view_, &again);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    const QList<QAction*> top = menu->actions();
    EXPECT_EQ(std::count_if(top.begin(), top.end(),
                            [](QAction* action) { return action->text() == kBass; }),
              1);
    menu->close();
}

TEST_F(MachineViewTest, NewSynthsSoundOutOfTheBoxAndStoredProjectsKeepTheirOscillators) {
    // The first oscillator's switch (Osc 1's folder starts at 100).
    constexpr int kFirstEnabled = 100;
    const std::filesystem::path song = scratch_ / "Synths.tarn";
    for (const char* name : {"Tarn Corva Synth", "Tarn Corva Synth 2", "Tarn Ravel Synth"}) {
        SCOPED_TRACE(name);
        script_.QueueAnswer(MessageBoxAnswer::kNo);
        ASSERT_TRUE(studio_->Commands().New());
        const int synth = Add(name, 0.3, 0.3);
        ASSERT_GT(synth, 0);
        ASSERT_EQ(Connect(synth, Project::kMasterId), 1);
        {
            ProjectLock hold(Current());
            Node& node = *TheProject().GetNode(synth);
            EXPECT_EQ(node.ReadParameter(kGroupMachine, 0, kFirstEnabled), 1.0);
            node.QueueLiveEvent(kGroupMachine, 0, node.NoteParameter(), 57.0, 1.0, 1.0);
        }
        EXPECT_GT(Render(1)[0], 0.01);
        // A project that stored the oscillator off keeps it off.
        {
            ProjectLock hold(Current());
            ASSERT_EQ(
                TheProject().GetNode(synth)->WriteParameter(kGroupMachine, 0, kFirstEnabled, 0.0),
                1);
        }
        script_.QueueFile(song);
        ASSERT_TRUE(studio_->Commands().SaveAs());
        ASSERT_TRUE(studio_->Commands().OpenFile(song));
        ProjectLock hold(Current());
        EXPECT_EQ(TheProject().GetNode(synth)->ReadParameter(kGroupMachine, 0, kFirstEnabled), 0.0);
    }
}

TEST_F(MachineViewTest, TheOtherViewsFollowMachinesMadeRenamedDeletedAndSelected) {
    SequencerView& sequencer = window_->Sequencer();
    auto* nodes = window_->Patterns().findChild<QComboBox*>("nodes");
    ASSERT_NE(nodes, nullptr);
    ASSERT_EQ(sequencer.RowCount(), 1);
    const QPoint at(view_->width() / 4, view_->height() / 4);
    QContextMenuEvent click(QContextMenuEvent::Mouse, at, view_->mapToGlobal(at));
    QApplication::sendEvent(view_, &click);
    PopupAction(kBass)->trigger();
    QApplication::activePopupWidget()->close();
    QApplication::setActiveWindow(window_);
    QCoreApplication::processEvents();
    EXPECT_EQ(sequencer.RowCount(), 2);
    ASSERT_EQ(view_->Selection().size(), 1u);
    const int bass = *view_->Selection().begin();

    view_->MachineMenu(bass)->findChild<QAction*>("rename")->trigger();
    auto* rename = view_->findChild<QLineEdit*>("rename");
    ASSERT_NE(rename, nullptr);
    rename->selectAll();
    QTest::keyClicks(rename, "Low end");
    QTest::keyClick(rename, Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_GE(nodes->findText("Low end"), 0);

    // A machine clicked here is the one the pattern editor edits ...
    QTest::mouseClick(view_, Qt::LeftButton, {}, view_->BoxRect(bass).center());
    window_->ShowView(MainWindow::kPatternView);
    EXPECT_EQ(nodes->currentData().toInt(), bass);
    EXPECT_EQ(window_->Patterns().Editor().NodeId(), bass);
    // ... and one chosen there is selected here.
    nodes->setFocus();
    const int master = nodes->findData(Project::kMasterId);
    QTest::keyClick(nodes, master < nodes->currentIndex() ? Qt::Key_Up : Qt::Key_Down);
    EXPECT_EQ(window_->Patterns().Editor().NodeId(), Project::kMasterId);
    window_->ShowView(MainWindow::kMachineView);
    view_->Refresh();
    EXPECT_EQ(view_->Selection(), std::set<int>{Project::kMasterId});

    QTest::mouseClick(view_, Qt::LeftButton, {}, view_->BoxRect(bass).center());
    QTest::keyClick(view_, Qt::Key_Delete);
    QCoreApplication::processEvents();
    EXPECT_EQ(sequencer.RowCount(), 1);
    EXPECT_EQ(nodes->findText("Low end"), -1);
    QApplication::setActiveWindow(window_);
    QTest::keyClick(view_, Qt::Key_Z, Qt::ControlModifier);
    QCoreApplication::processEvents();
    EXPECT_EQ(sequencer.RowCount(), 2);
}

} // namespace
} // namespace tarn
