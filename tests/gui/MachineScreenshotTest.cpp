#include "gui/MachineViewFixture.h"

#include "gui/CGUINodeAnalyzeControl.h"
#include "gui/CGUINodeAnalyzeWnd.h"
#include "gui/ParameterEditor.h"
#include "studio/DemoSong.h"

#include <QImage>

#include <string>

namespace tarn {
namespace {

class MachineScreenshotTest : public test::MachineViewFixture {};

// Writes the picture of widget into the screenshot folder; the number of
// colours seen, so a blank picture shows.
std::size_t Save(QWidget& widget, const std::string& name) {
    const QImage image = widget.grab().toImage();
    const std::filesystem::path folder = TARN_SCREENSHOT_DIR;
    std::filesystem::create_directories(folder);
    EXPECT_TRUE(image.save(QString::fromStdString((folder / name).string()))) << name;
    return test::ImageColours(image);
}

TEST_F(MachineScreenshotTest, MachineViewParameterEditorAndAnalyzerOfThePlayingDemoSong) {
    Studio& studio = studio_->GetStudio();
    studio.SetProject(BuildDemoSong(studio.Creator(), studio.Engine().Tempo()));
    view_->Refresh();
    // The bass plays from the first beat on.
    int bass = -1;
    for (const MachineBox& box : view_->Snapshot().boxes) {
        if (box.name == "Bass") {
            bass = box.id;
        }
    }
    ASSERT_GE(bass, 0);
    // Three boxes apart from each other, joined by two lines.
    ASSERT_EQ(view_->Snapshot().boxes.size(), 3u);
    EXPECT_EQ(view_->Snapshot().wires.size(), 2u);
    EXPECT_FALSE(view_->BoxRect(bass).intersects(view_->BoxRect(Project::kMasterId)));

    CGUINodeAnalyzeWnd* analyzer = view_->OpenAnalyzer(bass);
    ParameterEditor* parameters = view_->OpenParameters(bass);
    ASSERT_NE(analyzer, nullptr);
    ASSERT_NE(parameters, nullptr);
    studio_->Commands().PlaySong();
    Render(48);
    view_->Refresh();
    ASSERT_TRUE(analyzer->Control().Tick());
    parameters->Refresh();
    EXPECT_GT(view_->Snapshot().Find(bass)->peak, 0.001); // the meter moves

    EXPECT_GT(Save(*window_, "MachineView.png"), 8u);
    EXPECT_GT(Save(*parameters, "ParameterEditor.png"), 8u);
    EXPECT_GT(Save(*analyzer, "NodeAnalyzer.png"), 8u);
    // The playing bass draws a spectrum well above the floor.
    const CGUINodeAnalyzeControl& control = analyzer->Control();
    const QPolygonF& curve = control.Curve(CGUINodeAnalyzeControl::kOutputHalf);
    EXPECT_TRUE(std::any_of(curve.begin(), curve.end(), [&](QPointF point) {
        return control.LevelAt(CGUINodeAnalyzeControl::kOutputHalf, point.y()) > -60.0;
    }));
}

} // namespace
} // namespace tarn
