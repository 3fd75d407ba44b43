#include "gui/StudioFixture.h"

#include "base/MessagePipe.h"
#include "engine/Project.h"
#include "formats/ListFile.h"
#include "gui/ConsoleWindow.h"
#include "gui/CpuMonitorWindow.h"
#include "gui/KeyboardHook.h"
#include "gui/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>
#include <QTreeWidget>

namespace tarn {
namespace {

class MainWindowTest : public test::StudioFixture {
protected:
    void Open() {
        ASSERT_TRUE(Start());
        window_ = &studio_->Window();
        QApplication::setActiveWindow(window_);
        ASSERT_TRUE(QTest::qWaitForWindowActive(window_));
    }
    CurrentProject& Current() { return studio_->GetStudio().Current(); }
    void Send(QEvent::Type type, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
              bool autoRepeat = false) {
        QKeyEvent event(type, key, modifiers, QString(), autoRepeat);
        QCoreApplication::sendEvent(window_->windowHandle(), &event);
    }

    MainWindow* window_ = nullptr;
};

TEST_F(MainWindowTest, FunctionKeysMoveTheTransportAndSwitchTheMainView) {
    Open();
    const auto transport = [this] {
        ProjectLock hold(Current());
        return Current().Get()->Transport();
    };
    {
        ProjectLock hold(Current());
        SongTransport& song = Current().Get()->Transport();
        song.songStart = 2.0;
        song.loopStart = 1.0;
        song.position = 3.5;
    }
    QTest::keyClick(window_, Qt::Key_F5);
    EXPECT_TRUE(transport().Playing());
    EXPECT_FALSE(transport().LoopActive());
    EXPECT_EQ(transport().position, 2.0);
    QTest::keyClick(window_, Qt::Key_F6);
    EXPECT_TRUE(transport().Playing());
    EXPECT_TRUE(transport().LoopActive());
    EXPECT_EQ(transport().position, 1.0);
    QTest::keyClick(window_, Qt::Key_F8);
    EXPECT_FALSE(transport().Playing());
    EXPECT_FALSE(transport().LoopActive());

    QTest::keyClick(window_, Qt::Key_F3);
    EXPECT_EQ(window_->CurrentView(), MainWindow::kPatternView);
    QTest::keyClick(window_, Qt::Key_F4);
    EXPECT_EQ(window_->CurrentView(), MainWindow::kSequencerView);
    QTest::keyClick(window_, Qt::Key_F2);
    EXPECT_EQ(window_->CurrentView(), MainWindow::kMachineView);
    // Help > Keys lists them.
    window_->findChild<QAction*>("keys")->trigger();
    const std::string keys = script_.Texts().back();
    for (const char* listed : {"F5 / F6 / F8", "Ctrl+Z / Ctrl+Y", "Delete"}) {
        EXPECT_NE(keys.find(listed), std::string::npos) << listed;
    }
}

TEST_F(MainWindowTest, TheComputerKeyboardPlaysOneNoteAKeyOnLiveNodes) {
    Open();
    int bass = -1;
    {
        ProjectLock hold(Current());
        bass = Current().Get()->CreateNode("Tarn Analog Bass");
        ASSERT_GE(bass, 0);
        Current().Get()->GetNode(bass)->SetLiveInput(true);
    }
    // Setting the Node up queued its defaults; what follows are the notes.
    std::size_t defaults = 0;
    const auto notes = [this, bass, &defaults] {
        ProjectLock hold(Current());
        const auto queued = Current().Get()->GetNode(bass)->LiveEvents().Events();
        return std::vector<EventRecord>(queued.begin() + static_cast<std::ptrdiff_t>(defaults),
                                        queued.end());
    };
    defaults = notes().size();
    Send(QEvent::KeyPress, Qt::Key_Z);
    Send(QEvent::KeyPress, Qt::Key_Z, Qt::NoModifier, true); // held: repeats
    Send(QEvent::KeyRelease, Qt::Key_Z, Qt::NoModifier, true);
    ASSERT_EQ(notes().size(), 1u);
    EXPECT_EQ(notes()[0].value, 36.0);
    EXPECT_EQ(notes()[0].velocity, 1.0);
    Send(QEvent::KeyRelease, Qt::Key_Z);
    ASSERT_EQ(notes().size(), 2u);
    EXPECT_EQ(notes()[1].value, 36.0);
    EXPECT_EQ(notes()[1].velocity, 0.0);

    // Chords with Shift, Ctrl or Alt, keys off the map and typing into a
    // text field play nothing; Q is the octave above Z.
    Send(QEvent::KeyPress, Qt::Key_Z, Qt::ShiftModifier);
    Send(QEvent::KeyPress, Qt::Key_Z, Qt::AltModifier);
    Send(QEvent::KeyPress, Qt::Key_F9);
    EXPECT_EQ(notes().size(), 2u);
    window_->Console().show();
    QLineEdit* filter = window_->Console().findChild<QLineEdit*>();
    filter->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([filter] { return filter->hasFocus(); }));
    Send(QEvent::KeyPress, Qt::Key_Z);
    EXPECT_EQ(notes().size(), 2u);
    window_->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([filter] { return !filter->hasFocus(); }));
    Send(QEvent::KeyPress, Qt::Key_Q);
    ASSERT_EQ(notes().size(), 3u);
    EXPECT_EQ(notes()[2].value, 48.0);

    // A view that writes notes with these keys keeps them while it has the
    // focus, but the release of a sounding note still ends it.
    auto* grid = new QWidget(window_);
    grid->setFocusPolicy(Qt::StrongFocus);
    KeyboardHook::WritesNotes(*grid);
    auto* cell = new QWidget(grid);
    cell->setFocusPolicy(Qt::StrongFocus);
    grid->show();
    cell->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([cell] { return cell->hasFocus(); }));
    Send(QEvent::KeyPress, Qt::Key_W);
    EXPECT_EQ(notes().size(), 3u);
    Send(QEvent::KeyRelease, Qt::Key_Q);
    ASSERT_EQ(notes().size(), 4u);
    EXPECT_EQ(notes()[3].velocity, 0.0);
}

TEST_F(MainWindowTest, ToolWindowsShowTheConsoleAndTheCpuAndTheLayoutOutlivesTheSession) {
    Open();
    window_->Console().show();
    window_->CpuMonitor().show();
    ErrorOut() << "error: something to see" << eol;
    window_->Console().TakeLines();
    QStringList shown = window_->Console().ShownLines();
    EXPECT_TRUE(shown.contains("creating GUI..."));
    EXPECT_TRUE(shown.contains("error: something to see"));
    window_->Console().findChild<QLineEdit*>()->setText("SOMETHING");
    EXPECT_EQ(window_->Console().ShownLines(), QStringList{"error: something to see"});

    window_->CpuMonitor().Refresh();
    const QTreeWidget& table = window_->CpuMonitor().Table();
    ASSERT_GE(table.topLevelItemCount(), 6); // five stages and the Master
    EXPECT_EQ(table.topLevelItem(0)->text(0), "Total");

    // Saving under a name puts it on the recent list.
    script_.QueueFile(scratch_ / "Song.tarn");
    QTest::keyClick(window_, Qt::Key_S, Qt::ControlModifier);
    window_->setGeometry(40, 50, 900, 700);
    window_->CpuMonitor().hide();
    EXPECT_TRUE(studio_->Exit());
    Stop();

    ASSERT_TRUE(Start());
    window_ = &studio_->Window();
    EXPECT_EQ(window_->geometry(), QRect(40, 50, 900, 700));
    EXPECT_FALSE(window_->Console().isHidden());
    EXPECT_TRUE(window_->CpuMonitor().isHidden());
    ListFile recent;
    ASSERT_EQ(recent.Read(scratch_ / StudioApplication::kRecentProjects), 1);
    EXPECT_EQ(recent.Entries(), std::vector<std::string>{(scratch_ / "Song.tarn").string()});
}

} // namespace
} // namespace tarn
