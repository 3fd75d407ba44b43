#pragma once

#include <QWidget>

#include <array>

namespace tarn {

// A horizontal stereo peak meter: one bar per channel on a decibel scale
// from -60 dB to 0 dB, turning the skin's hot colour above -6 dB, with the
// highest recent peak held as a line. GUI thread only.
class PeakMeter final : public QWidget {
public:
    static constexpr double kFloorDb = -60.0;
    static constexpr double kHotDb = -6.0;

    PeakMeter(QColor colour, QColor hotColour, QWidget* parent = nullptr);

    // Peaks as linear amplitudes (1.0 = full scale).
    void SetPeaks(double left, double right);
    QSize sizeHint() const override { return {160, 18}; }
    // Where a linear amplitude sits on the scale, 0..1.
    static double Fraction(double amplitude);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor colour_;
    QColor hotColour_;
    std::array<double, 2> peaks_{};
    std::array<double, 2> held_{};
};

} // namespace tarn
