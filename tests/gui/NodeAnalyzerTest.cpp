#include "gui/MachineViewFixture.h"

#include "gui/CGUINodeAnalyzeControl.h"
#include "gui/CGUINodeAnalyzeWnd.h"

#include "support/RenderMachine.h"

#include <QImage>
#include <QPointer>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tarn {
namespace {

using Half = CGUINodeAnalyzeControl::Half;

// A full-scale 1 kHz sine on both outputs, with no inputs.
class KilohertzSine : public Machine {
public:
    std::int32_t Work(const WorkRecord& record) noexcept override {
        for (int k = 0; k < record.frameCount; ++k) {
            const double sample = std::sin(phase_);
            phase_ = std::fmod(phase_ + 2.0 * std::numbers::pi * 1000.0 / sampleRate,
                               2.0 * std::numbers::pi);
            record.outputs[0]->samples[k] = sample;
            record.outputs[1]->samples[k] = sample;
        }
        return 1;
    }
    std::int32_t Describe() override {
        MachineInfo info = MachineInfo::Builtin(kKindGenerator, "Sine", "Sine");
        info.inputChannels = 0;
        DescribeInfo(info);
        return 1;
    }

private:
    double phase_ = 0.0;
};

class NodeAnalyzerTest : public test::MachineViewFixture {
protected:
    void SetUp() override {
        MachineViewFixture::SetUp();
        test::RenderSetup pass;
        pass.kind = kKindEffect;
        pass.inputs = 2;
        pass.sound = test::Sound::kPassThrough;
        pass.record = false;
        machines_.Define("Pass", pass);
        UseMachines(
            [made = machines_.Creator()](std::string_view name) -> std::optional<MachineHandle> {
                if (name == "Sine") {
                    return MachineHandle(std::make_unique<KilohertzSine>(), "Sine");
                }
                return name == "Pass" ? made(name) : std::nullopt;
            });
        sine_ = Add("Sine", 0.2, 0.5);
        pass_ = Add("Pass", 0.35, 0.5);
        ASSERT_EQ(Connect(sine_, pass_), 1);
        ASSERT_EQ(Connect(pass_, Project::kMasterId), 1);
        view_->Refresh();
    }
    bool AnalyzerOn(int id) {
        ProjectLock hold(Current());
        return TheProject().GetNode(id)->meters.analyzerOn;
    }

    test::RenderFactory machines_;
    int sine_ = -1;
    int pass_ = -1;
};

// The highest point of the curve is the 1 kHz sine: within one bin of the
// "1K" grid line, at the window's coherent gain less the loss of lying
// between two bins.
void ExpectKilohertzPeak(const CGUINodeAnalyzeControl& control, Half half) {
    ASSERT_TRUE(control.Drawn(half));
    const QPolygonF& curve = control.Curve(half);
    ASSERT_EQ(curve.size(), AnalyzerSpectrum::kBins - 1);
    const auto peak = std::min_element(curve.begin(), curve.end(),
                                       [](QPointF a, QPointF b) { return a.y() < b.y(); });
    const QRectF plot = control.PlotRect(half);
    const double kilohertz = plot.left() + AnalyzerSpectrum::AxisX(1000.0, plot.width());
    const double bin = AnalyzerSpectrum::AxisX(47.0 * AnalyzerSpectrum::kBinHz, plot.width()) -
                       AnalyzerSpectrum::AxisX(46.0 * AnalyzerSpectrum::kBinHz, plot.width());
    EXPECT_NEAR(peak->x(), kilohertz, bin);
    const double level = control.LevelAt(half, peak->y());
    EXPECT_GE(level, -8.5);
    EXPECT_LE(level, -7.5);
    // About 82 % of the way up.
    EXPECT_NEAR((plot.bottom() - peak->y()) / plot.height(), 0.82, 0.01);
}

TEST_F(NodeAnalyzerTest, DrawsTheSineWhereTheGridSaysAndLeavesMissingChannelsEmpty) {
    CGUINodeAnalyzeWnd* through = view_->OpenAnalyzer(pass_);
    CGUINodeAnalyzeWnd* generator = view_->OpenAnalyzer(sine_);
    ASSERT_NE(through, nullptr);
    ASSERT_NE(generator, nullptr);
    EXPECT_EQ(through->size(), QSize(300, 300));
    EXPECT_TRUE(AnalyzerOn(pass_));
    Render(4); // more than a ring's 2048 samples
    ASSERT_TRUE(through->Control().Tick());
    ASSERT_TRUE(generator->Control().Tick());

    ExpectKilohertzPeak(through->Control(), Half::kInputHalf);
    ExpectKilohertzPeak(through->Control(), Half::kOutputHalf);
    ExpectKilohertzPeak(generator->Control(), Half::kOutputHalf);
    // The generator has no inputs: its upper half is not drawn at all.
    EXPECT_FALSE(generator->Control().Drawn(Half::kInputHalf));
    EXPECT_TRUE(generator->Control().Curve(Half::kInputHalf).isEmpty());
    const QImage image = generator->Control().grab().toImage();
    const QRectF upper = generator->Control().PlotRect(Half::kInputHalf);
    const QRectF lower = generator->Control().PlotRect(Half::kOutputHalf);
    EXPECT_NE(image.pixelColor(upper.center().toPoint()), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(lower.topLeft().toPoint() + QPoint(3, 3)), QColor(Qt::white));
}

TEST_F(NodeAnalyzerTest, TwoWindowsShareTheSwitchAndADeletedNodeClosesItsWindows) {
    QPointer<CGUINodeAnalyzeWnd> first = view_->OpenAnalyzer(pass_);
    QPointer<CGUINodeAnalyzeWnd> second = view_->OpenAnalyzer(pass_);
    QPointer<CGUINodeAnalyzeWnd> generator = view_->OpenAnalyzer(sine_);
    EXPECT_TRUE(AnalyzerOn(pass_));
    // Closing one leaves the other watching.
    first->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(first.isNull());
    EXPECT_TRUE(AnalyzerOn(pass_));
    second->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(AnalyzerOn(pass_));

    {
        ProjectLock hold(Current());
        ASSERT_EQ(TheProject().DeleteNode(sine_), 1);
    }
    EXPECT_FALSE(generator->Control().Tick());
    // A later Node that takes the id is not the one the window watched:
    // the window still closes, and leaves the new Node's own watcher be.
    const int again = Add("Sine", 0.5, 0.2);
    ASSERT_EQ(again, sine_);
    view_->Refresh();
    QPointer<CGUINodeAnalyzeWnd> watcher = view_->OpenAnalyzer(again);
    EXPECT_TRUE(QTest::qWaitFor([&generator] { return generator.isNull(); },
                                100 * CGUINodeAnalyzeControl::kRefreshMilliseconds));
    EXPECT_FALSE(watcher.isNull());
    EXPECT_TRUE(AnalyzerOn(again));
}

} // namespace
} // namespace tarn
