#pragma once

#include "gui/AnalyzerSpectrum.h"

#include <QPolygonF>
#include <QWidget>

#include <array>
#include <cstdint>

namespace tarn {

class Studio;

// The node analyzer's drawing area: the spectrum of the Node's first input
// channel in the upper half and of its first output channel in the lower
// one, each on white with its frequency and level grid and a label row
// below; a half whose kind of channel the Node lacks stays empty. While
// the control lives it counts as one watcher of the Node's analyzer
// switch. Every 50 ms it looks the Node up again under the project lock
// and copies the rings under the Node lock; once the Node is gone (deleted,
// or the project replaced) it closes its window. GUI thread only.
class CGUINodeAnalyzeControl final : public QWidget {
public:
    static constexpr int kRefreshMilliseconds = 50;
    static constexpr int kBorder = 2;
    static constexpr int kGap = 4;
    static constexpr int kLabelHeight = 11;
    enum Half : int { kInputHalf = 0, kOutputHalf = 1 };

    // Watches the Node of the current project; watches nothing (and closes
    // at the first tick) when there is none.
    CGUINodeAnalyzeControl(Studio& studio, int nodeId, QWidget* parent = nullptr);
    ~CGUINodeAnalyzeControl() override;

    // Reads the rings and redraws; false once the Node is gone.
    bool Tick();
    bool Watching() const { return watching_; }

    // What the last tick found, in the control's coordinates.
    bool Drawn(Half half) const { return drawn_[half]; }
    const QPolygonF& Curve(Half half) const { return curves_[half]; }
    // The area the curve of a half is drawn in (its label row below).
    QRectF PlotRect(Half half) const;
    // The level a height of a half's plot stands for.
    double LevelAt(Half half, double y) const;

    QSize sizeHint() const override { return {300, 300}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void DrawGrid(QPainter& painter, const QRectF& plot) const;
    // Leaves the Node's watchers; the last one turns the switch off.
    void StopWatching();

    Studio& studio_;
    int nodeId_;
    std::uint64_t serial_ = 0;
    bool watching_ = false;
    std::array<AnalyzerSpectrum, 2> spectra_;
    std::array<bool, 2> drawn_{};
    std::array<QPolygonF, 2> curves_;
};

} // namespace tarn
