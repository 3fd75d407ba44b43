#include "gui/MachineViewFixture.h"

#include "gui/StreamerWindow.h"
#include "gui/VirtualKeyboard.h"

#include "support/WaveFile.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>

namespace tarn {
namespace {

class ToolWindowsTest : public test::MachineViewFixture {
protected:
    void SetUp() override {
        MachineViewFixture::SetUp();
        bass_ = Add("Tarn Analog Bass", 0.3, 0.3);
        ASSERT_EQ(Connect(bass_, Project::kMasterId), 1);
    }
    // The live events queued on the bass: note value and gate.
    std::vector<std::pair<double, double>> LiveNotes() {
        ProjectLock hold(Current());
        std::vector<std::pair<double, double>> notes;
        const Node& node = *TheProject().GetNode(bass_);
        for (const EventRecord& event : TheProject().GetNode(bass_)->LiveEvents().Events()) {
            if (event.index == node.NoteParameter()) {
                notes.emplace_back(event.value, event.velocity);
            }
        }
        return notes;
    }

    bool LiveInput() {
        ProjectLock hold(Current());
        return TheProject().GetNode(bass_)->LiveInput();
    }
    // Chooses "Live input" from the bass's machine menu; whether it was
    // ticked there.
    bool ToggleLiveInput() {
        QMenu* menu = view_->MachineMenu(bass_);
        menu->deleteLater();
        const QList<QAction*> actions = menu->actions();
        const auto found = std::find_if(actions.begin(), actions.end(), [](QAction* action) {
            return action->text() == "Live input";
        });
        if (found == actions.end()) {
            ADD_FAILURE() << "no Live input in the machine menu";
            return false;
        }
        EXPECT_TRUE((*found)->isCheckable());
        const bool ticked = (*found)->isChecked();
        (*found)->trigger();
        view_->Refresh();
        return ticked;
    }

    int bass_ = -1;
};

TEST_F(ToolWindowsTest, StreamerRecordsTheChosenNodeToTheFileItNames) {
    StreamerWindow* streamer = view_->OpenStreamer();
    ASSERT_NE(streamer, nullptr);
    EXPECT_EQ(view_->OpenStreamer(), streamer);
    ASSERT_TRUE(streamer->ChooseNode(bass_));
    streamer->findChild<QComboBox*>("type")->setCurrentIndex(0);   // WAVE
    streamer->findChild<QComboBox*>("format")->setCurrentIndex(1); // 64 bits
    // Under the studio's folder.
    streamer->findChild<QLineEdit*>("file")->setText("/Out/Take");
    {
        ProjectLock hold(Current());
        Node& node = *TheProject().GetNode(bass_);
        node.QueueLiveEvent(kGroupMachine, 0, node.NoteParameter(), 45.0, 64.0, 1.0);
    }
    streamer->findChild<QPushButton*>("record")->click();
    ASSERT_TRUE(studio_->GetStudio().Streamer().Streaming());
    // Settings wait while recording.
    EXPECT_FALSE(streamer->findChild<QComboBox*>("node")->isEnabled());
    EXPECT_FALSE(streamer->findChild<QPushButton*>("record")->isEnabled());
    Render(11); // 8800 frames: 0.2 s
    streamer->findChild<QPushButton*>("stop")->click();
    EXPECT_FALSE(studio_->GetStudio().Streamer().Streaming());
    EXPECT_EQ(streamer->findChild<QLabel*>("elapsed")->text(), "0.2 s, 0.13 MB");

    const std::filesystem::path file = studio_->GetStudio().Streamer().FilePath();
    EXPECT_EQ(file.parent_path(), scratch_ / "Out");
    const test::WaveFile wave = test::ReadWave(test::ReadFile(file));
    ASSERT_TRUE(wave.valid);
    EXPECT_EQ(wave.channels, 2);
    EXPECT_EQ(wave.samples.size(), 2u * 8800u);
    EXPECT_GT(*std::max_element(wave.samples.begin(), wave.samples.end()), 0.01);
}

TEST_F(ToolWindowsTest, VirtualKeyboardPlaysTheLiveInputNodesAtItsOctave) {
    VirtualKeyboard* keyboard = view_->OpenKeyboard();
    ASSERT_NE(keyboard, nullptr);
    keyboard->show();
    QWidget& keys = keyboard->Keys();
    // The first white key is C, the second D; the black key between is C#.
    const double white = static_cast<double>(keys.width()) / VirtualKeyboard::kWhiteKeys;
    const QPoint c(static_cast<int>(white / 2), keys.height() - 5);
    const QPoint cSharp(static_cast<int>(white), 5);
    EXPECT_EQ(keyboard->KeyAt(c), 0);
    EXPECT_EQ(keyboard->KeyAt(cSharp), 1);

    // Not a live-input Node yet: nothing is played.
    QTest::mouseClick(&keys, Qt::LeftButton, {}, c);
    EXPECT_TRUE(LiveNotes().empty());

    // The machine menu's tick makes it one, and shows it ticked after.
    EXPECT_FALSE(ToggleLiveInput());
    EXPECT_TRUE(LiveInput());
    keyboard->findChild<QSpinBox*>("octave")->setValue(3);
    QTest::mousePress(&keys, Qt::LeftButton, {}, cSharp);
    EXPECT_EQ(LiveNotes(), (std::vector<std::pair<double, double>>{{37.0, 1.0}}));
    QTest::mouseRelease(&keys, Qt::LeftButton, {}, cSharp);
    // The release ends the same note (the queue keeps the latest value).
    EXPECT_EQ(LiveNotes().back(), (std::pair<double, double>{37.0, 0.0}));

    // Ticked off again, the keyboard no longer reaches it.
    const std::vector<std::pair<double, double>> before = LiveNotes();
    EXPECT_TRUE(ToggleLiveInput());
    EXPECT_FALSE(LiveInput());
    QTest::mouseClick(&keys, Qt::LeftButton, {}, c);
    EXPECT_EQ(LiveNotes(), before);
}

TEST_F(ToolWindowsTest, ScreenshotsOfTheStreamerAndTheKeyboard) {
    const std::filesystem::path folder = TARN_SCREENSHOT_DIR;
    std::filesystem::create_directories(folder);
    for (QWidget* window :
         std::initializer_list<QWidget*>{view_->OpenStreamer(), view_->OpenKeyboard()}) {
        const QImage image = window->grab().toImage();
        const std::string name = window->objectName().toStdString() + ".png";
        EXPECT_TRUE(image.save(QString::fromStdString((folder / name).string())));
        EXPECT_GT(test::ImageColours(image), 8u) << name;
    }
}

} // namespace
} // namespace tarn
