#include "gui/StudioFixture.h"

#include "engine/Project.h"
#include "gui/ConsoleWindow.h"
#include "gui/CpuMonitorWindow.h"
#include "gui/MainWindow.h"
#include "gui/SequencerView.h"
#include "gui/SplashWindow.h"
#include "gui/TransportBar.h"
#include "studio/DemoSong.h"

#include "support/WaveFile.h"

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QProgressDialog>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <set>

namespace tarn {
namespace {

class DemoSongTest : public test::StudioFixture {
protected:
    void Open() {
        ASSERT_TRUE(Start());
        window_ = &studio_->Window();
        Studio& studio = studio_->GetStudio();
        studio.SetProject(BuildDemoSong(studio.Creator(), studio.Engine().Tempo()));
        QApplication::setActiveWindow(window_);
        ASSERT_TRUE(QTest::qWaitForWindowActive(window_));
    }
    QAction* RenderAction() { return window_->findChild<QAction*>("render"); }

    MainWindow* window_ = nullptr;
};

TEST_F(DemoSongTest, RendersTheSongToWaveBehindAProgressDialogThatCancels) {
    Open();
    ASSERT_NE(RenderAction(), nullptr);
    const std::filesystem::path mix = scratch_ / "Out/Mix.wav";
    script_.QueueFile(mix);
    RenderAction()->trigger();
    ASSERT_TRUE(std::filesystem::exists(mix));
    const test::WaveFile wave = test::ReadWave(test::ReadFile(mix));
    ASSERT_TRUE(wave.valid);
    // The whole song, 48 beats at 124 BPM, and not silent.
    ASSERT_EQ(wave.channels, 2);
    EXPECT_NEAR(static_cast<double>(wave.samples.size() / 2), 48.0 * 60.0 / 124.0 * 44100.0, 1.0);
    double peak = 0.0;
    for (const double sample : wave.samples) {
        peak = std::max(peak, std::abs(sample));
    }
    EXPECT_GT(peak, 0.05);

    // Cancelled: the earlier file stays as it was. The song is made long
    // enough that the render cannot end before the click.
    const std::uintmax_t size = std::filesystem::file_size(mix);
    const auto before = std::filesystem::last_write_time(mix);
    {
        ProjectLock hold(studio_->GetStudio().Current());
        studio_->GetStudio().Current().Get()->Transport().songEnd = 2000.0;
    }
    script_.QueueFile(mix);
    QTimer::singleShot(0, [this] {
        auto* progress = window_->findChild<QProgressDialog*>();
        ASSERT_NE(progress, nullptr);
        progress->cancel();
    });
    RenderAction()->trigger();
    EXPECT_EQ(std::filesystem::file_size(mix), size);
    EXPECT_EQ(std::filesystem::last_write_time(mix), before);
    const std::vector<std::string> lines = LogLines();
    EXPECT_NE(std::find(lines.begin(), lines.end(),
                        "render cancelled; '" + mix.string() + "' was not changed"),
              lines.end());
}

TEST_F(DemoSongTest, ScreenshotsOfTheWindowsShowTheSkin) {
    Open();
    window_->Console().show();
    window_->CpuMonitor().show();
    window_->Console().TakeLines();
    window_->CpuMonitor().Refresh();
    window_->Transport().Refresh();
    QApplication::processEvents();
    const std::filesystem::path folder = TARN_SCREENSHOT_DIR;
    std::filesystem::create_directories(folder);
    // The splash as start-up shows it, its picture read from the shipped
    // application directory.
    const std::unique_ptr<SplashWindow> splash = SplashWindow::Open();
    ASSERT_NE(splash, nullptr);
    splash->ShowStep("loading skin");
    const std::vector<std::pair<QWidget*, std::string>> shots{
        {window_, "MainWindow.png"},
        {&window_->Console(), "Console.png"},
        {&window_->CpuMonitor(), "CpuMonitor.png"},
        {splash.get(), "Splash.png"}};
    // The main window's background is the skin's tile, the docks' the
    // skin's window colour.
    const Skin& skin = studio_->GetSkin();
    ASSERT_FALSE(skin.background.isNull());
    std::set<QRgb> tile;
    for (int y = 0; y < skin.background.height(); ++y) {
        for (int x = 0; x < skin.background.width(); ++x) {
            tile.insert(skin.background.pixel(x, y) | 0xff000000u);
        }
    }
    for (const auto& [widget, name] : shots) {
        const QImage image = widget->grab().toImage();
        ASSERT_TRUE(image.save(QString::fromStdString((folder / name).string())));
        const QImage saved(QString::fromStdString((folder / name).string()));
        EXPECT_EQ(saved.size(), widget->size() * widget->devicePixelRatio()) << name;
        EXPECT_GT(test::ImageColours(saved), 8u) << name; // text drawn, not a blank
        const QRgb background = saved.pixel(saved.width() - 2, saved.height() / 2) | 0xff000000u;
        if (widget == window_) {
            EXPECT_TRUE(tile.count(background) != 0) << name;
        } else if (widget != splash.get()) {
            EXPECT_EQ(QColor(background).name(), skin.window.name()) << name;
        }
    }
    // The other pages of the main view, the demo's last machine edited (the
    // song was put in place without the swap's notice).
    {
        ProjectLock hold(studio_->GetStudio().Current());
        Project& project = *studio_->GetStudio().Current().Get();
        for (auto [id, node] : project.Nodes()) {
            project.editedNodeId = id;
        }
    }
    window_->Sequencer().Reload();
    for (const auto& [view, name] : {std::pair{MainWindow::kPatternView, "Patterns.png"},
                                     std::pair{MainWindow::kSequencerView, "Sequencer.png"}}) {
        window_->ShowView(view);
        QApplication::processEvents();
        const QImage image = window_->grab().toImage();
        ASSERT_TRUE(image.save(QString::fromStdString((folder / name).string())));
        EXPECT_GT(test::ImageColours(image), 8u) << name;
    }
}

} // namespace
} // namespace tarn
