#include "gui/CGUINodeAnalyzeControl.h"

#include "engine/Project.h"
#include "studio/Studio.h"

#include <QPainter>
#include <QTimer>

#include <map>
#include <mutex>
#include <utility>

namespace tarn {
namespace {

struct GridLine {
    double hz;
    const char* label;
};

constexpr std::array<GridLine, 10> kGridLines{{{30, "30"},
                                               {60, "60"},
                                               {125, "125"},
                                               {250, "250"},
                                               {500, "500"},
                                               {1000, "1K"},
                                               {2000, "2K"},
                                               {4000, "4K"},
                                               {8000, "8K"},
                                               {16000, "16K"}}};

const QColor kLightGrid(0xc8, 0xc8, 0xc8);
const QColor kDarkGrid(0x96, 0x96, 0x96);

// How many controls watch each Node, by its serial (never reused), so that
// the switch goes off only with the last of them. GUI thread only.
std::map<std::uint64_t, int>& Watchers() {
    static std::map<std::uint64_t, int> watchers;
    return watchers;
}

// The Node the control watches, when it is still the same one.
Node* Find(Studio& studio, int id, std::uint64_t serial) {
    const Project* project = studio.Current().Get();
    Node* node = project != nullptr ? project->GetNode(id) : nullptr;
    return node != nullptr && node->Serial() == serial ? node : nullptr;
}

} // namespace

CGUINodeAnalyzeControl::CGUINodeAnalyzeControl(Studio& studio, int nodeId, QWidget* parent)
    : QWidget(parent), studio_(studio), nodeId_(nodeId) {
    setObjectName("NodeAnalyzer");
    {
        ProjectLock hold(studio_.Current());
        const Project* project = studio_.Current().Get();
        Node* node = project != nullptr ? project->GetNode(nodeId) : nullptr;
        if (node != nullptr && node->WatchAnalyzer()) {
            serial_ = node->Serial();
            ++Watchers()[serial_];
            watching_ = true;
        }
    }
    auto* timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, [this] {
        if (!Tick()) {
            window()->close();
        }
    });
    timer->start(kRefreshMilliseconds);
}

CGUINodeAnalyzeControl::~CGUINodeAnalyzeControl() {
    StopWatching();
}

void CGUINodeAnalyzeControl::StopWatching() {
    if (!std::exchange(watching_, false)) {
        return;
    }
    const auto watchers = Watchers().find(serial_);
    if (watchers == Watchers().end() || --watchers->second > 0) {
        return;
    }
    Watchers().erase(watchers);
    ProjectLock hold(studio_.Current());
    if (Node* node = Find(studio_, nodeId_, serial_)) {
        node->meters.analyzerOn = false;
    }
}

bool CGUINodeAnalyzeControl::Tick() {
    {
        ProjectLock hold(studio_.Current());
        Node* node = watching_ ? Find(studio_, nodeId_, serial_) : nullptr;
        if (node == nullptr) {
            StopWatching();
            return false;
        }
        std::lock_guard rings(node->Lock());
        drawn_ = {node->InputChannelCount() > 0 && node->Inputs().Count() > 0,
                  node->OutputChannelCount() > 0 && node->Outputs().Count() > 0};
        if (drawn_[kInputHalf]) {
            spectra_[kInputHalf].Take(node->Inputs().Ring(0));
        }
        if (drawn_[kOutputHalf]) {
            spectra_[kOutputHalf].Take(node->Outputs().Ring(0));
        }
    }
    for (const Half half : {kInputHalf, kOutputHalf}) {
        QPolygonF& curve = curves_[half];
        curve.clear();
        if (!drawn_[half]) {
            continue;
        }
        AnalyzerSpectrum& spectrum = spectra_[half];
        spectrum.Transform();
        const QRectF plot = PlotRect(half);
        for (int k = 1; k < AnalyzerSpectrum::kBins; ++k) {
            curve << QPointF(
                plot.left() + AnalyzerSpectrum::AxisX(k * AnalyzerSpectrum::kBinHz, plot.width()),
                plot.top() + AnalyzerSpectrum::AxisY(spectrum.Level(k), plot.height()));
        }
    }
    update();
    return true;
}

QRectF CGUINodeAnalyzeControl::PlotRect(Half half) const {
    const QRectF area = QRectF(rect()).adjusted(kBorder, kBorder, -kBorder, -kBorder);
    const double halfHeight = (area.height() - kGap) / 2.0;
    return {area.left(), area.top() + static_cast<int>(half) * (halfHeight + kGap), area.width(),
            halfHeight - kLabelHeight};
}

double CGUINodeAnalyzeControl::LevelAt(Half half, double y) const {
    const QRectF plot = PlotRect(half);
    return (plot.height() - (y - plot.top())) / (plot.height() * 0.01) + AnalyzerSpectrum::kFloorDb;
}

void CGUINodeAnalyzeControl::DrawGrid(QPainter& painter, const QRectF& plot) const {
    painter.fillRect(plot.adjusted(0, 0, 0, kLabelHeight), Qt::white);
    painter.setPen(kLightGrid);
    for (const GridLine& line : kGridLines) {
        const double x = plot.left() + AnalyzerSpectrum::AxisX(line.hz, plot.width());
        painter.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
    }
    for (int tenth = 9; tenth >= 1; --tenth) {
        const double y = plot.top() + plot.height() - plot.height() * tenth / 10.0;
        painter.setPen(tenth == 9 ? kDarkGrid : kLightGrid);
        painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
    }
    QFont small = painter.font();
    small.setPixelSize(kLabelHeight - 2);
    painter.setFont(small);
    painter.setPen(Qt::black);
    for (const GridLine& line : kGridLines) {
        const double x = plot.left() + AnalyzerSpectrum::AxisX(line.hz, plot.width());
        painter.drawText(QRectF(x - 20.0, plot.bottom(), 40.0, kLabelHeight), Qt::AlignCenter,
                         line.label);
    }
}

void CGUINodeAnalyzeControl::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Window));
    for (const Half half : {kInputHalf, kOutputHalf}) {
        if (!drawn_[half]) {
            continue;
        }
        const QRectF plot = PlotRect(half);
        DrawGrid(painter, plot);
        // Levels below the floor fall outside and are cut off.
        painter.save();
        painter.setClipRect(plot);
        painter.setPen(QPen(Qt::black, 1));
        painter.drawPolyline(curves_[half]);
        painter.restore();
    }
}

} // namespace tarn
