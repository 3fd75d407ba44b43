#include "gui/StudioFixture.h"

#include "engine/Project.h"
#include "gui/MainWindow.h"
#include "gui/NodeOrdering.h"
#include "gui/PatternGridView.h"
#include "gui/PatternPage.h"
#include "gui/PianoRollView.h"
#include "gui/SequencerView.h"
#include "gui/WavetableWindow.h"
#include "studio/DemoSong.h"

#include "wavetable/WavBuilder.h"

#include <QApplication>
#include <QListWidget>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <set>

namespace tarn {
namespace {

class EditorWindowsTest : public test::StudioFixture {
protected:
    void Open() {
        ASSERT_TRUE(Start());
        window_ = &studio_->Window();
        Studio& studio = studio_->GetStudio();
        studio.SetProject(BuildDemoSong(studio.Creator(), studio.Engine().Tempo()));
        QApplication::setActiveWindow(window_);
        ASSERT_TRUE(QTest::qWaitForWindowActive(window_));
    }
    // A fading sine of 20 000 frames at 44 100 Hz, 16-bit mono.
    std::filesystem::path WriteSine(const std::string& name) {
        std::vector<std::int64_t> samples;
        for (int i = 0; i < kFrames; ++i) {
            samples.push_back(std::lround(30000.0 * std::exp(-i / 6000.0) * std::sin(i * 0.01)));
        }
        const std::filesystem::path file = scratch_ / (name + ".wav");
        test::WavBuilder()
            .Format(test::WavBuilder::kPcm, 1, 44100, 16)
            .Data(samples, 2)
            .Write(file);
        return file;
    }
    std::string SlotText(int slot) {
        return window_->Wavetable()
            .findChild<QListWidget*>("slots")
            ->item(slot)
            ->text()
            .toStdString();
    }

    static constexpr int kFrames = 20000;
    MainWindow* window_ = nullptr;
};

TEST_F(EditorWindowsTest, WavetableLoadsAFileIntoTheSelectedSlotUnderItsName) {
    Open();
    WavetableWindow& wavetable = window_->Wavetable();
    wavetable.Reload();
    const std::filesystem::path file = WriteSine("kick");
    wavetable.SelectSlot(3);
    script_.QueueFile(file);
    ASSERT_EQ(wavetable.Load(), 1);
    {
        ProjectLock hold(studio_->GetStudio().Current());
        const Wave* wave = studio_->GetStudio().Current().Get()->Waves().Get(3);
        ASSERT_NE(wave, nullptr);
        EXPECT_EQ(wave->name, "kick");
        EXPECT_EQ(wave->FrameCount(), kFrames);
    }
    EXPECT_EQ(SlotText(3), "3. kick");
    EXPECT_EQ(wavetable.SelectedSlot(), 3);
    EXPECT_TRUE(studio_->Commands().History().IsChanged());
    // The folder of the loaded file is offered for preview.
    EXPECT_EQ(wavetable.findChild<QListWidget*>("files")->count(), 1);

    // No slot chosen: refused with the wavetable's error.
    wavetable.SelectSlot(-1);
    script_.QueueFile(file);
    EXPECT_EQ(wavetable.Load(), 0);
    const std::vector<std::string> lines = LogLines();
    EXPECT_NE(
        std::find(lines.begin(), lines.end(), "error: please specify a slot in the wavetable"),
        lines.end());

    wavetable.SelectSlot(3);
    EXPECT_EQ(wavetable.Remove(), 1);
    EXPECT_EQ(SlotText(3), "3. ");
}

// Whether an image shows something: more than a handful of colours.
std::size_t Colours(const QImage& image) {
    std::set<QRgb> colours;
    for (int y = 0; y < image.height(); y += 2) {
        for (int x = 0; x < image.width(); x += 2) {
            colours.insert(image.pixel(x, y));
        }
    }
    return colours.size();
}

TEST_F(EditorWindowsTest, ScreenshotsOfTheEditorsShowTheDemoSong) {
    Open();
    {
        // The lead, whose patterns hold notes and pan events.
        ProjectLock hold(studio_->GetStudio().Current());
        Project& project = *studio_->GetStudio().Current().Get();
        project.editedNodeId = OrderedNodeIds(project).back();
    }
    window_->Wavetable().show();
    window_->Wavetable().SelectSlot(0);
    script_.QueueFile(WriteSine("sine"));
    ASSERT_EQ(window_->Wavetable().Load(), 1);

    PatternPage& patterns = window_->Patterns();
    window_->ShowView(MainWindow::kPatternView);
    patterns.Reload();
    patterns.Grid().setFocus();
    QTest::keyClick(&patterns.Grid(), Qt::Key_Down, Qt::ShiftModifier);
    const std::filesystem::path folder = TARN_SCREENSHOT_DIR;
    std::filesystem::create_directories(folder);
    const auto shoot = [&](QWidget& widget, const std::string& name) {
        QApplication::processEvents();
        const QImage image = widget.grab().toImage();
        const QString path = QString::fromStdString((folder / name).string());
        ASSERT_TRUE(image.save(path));
        EXPECT_GT(Colours(QImage(path)), 8u) << name;
    };
    shoot(patterns, "PatternEditor.png");
    patterns.ShowTab(1);
    shoot(patterns, "PianoRoll.png");
    window_->ShowView(MainWindow::kSequencerView);
    window_->Sequencer().Reload();
    shoot(window_->Sequencer(), "Sequencer.png");
    shoot(window_->Wavetable(), "Wavetable.png");
}

} // namespace
} // namespace tarn
