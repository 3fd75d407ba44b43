#include "gui/PeakMeter.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace tarn {
namespace {

// How much of the held line falls per refresh, as a fraction of the scale.
constexpr double kHeldFall = 0.01;

} // namespace

PeakMeter::PeakMeter(QColor colour, QColor hotColour, QWidget* parent)
    : QWidget(parent), colour_(colour), hotColour_(hotColour) {
    setMinimumWidth(100);
}

double PeakMeter::Fraction(double amplitude) {
    if (!(amplitude > 0.0)) {
        return 0.0;
    }
    const double db = 20.0 * std::log10(amplitude);
    return std::clamp((db - kFloorDb) / -kFloorDb, 0.0, 1.0);
}

void PeakMeter::SetPeaks(double left, double right) {
    peaks_ = {Fraction(left), Fraction(right)};
    for (std::size_t channel = 0; channel < peaks_.size(); ++channel) {
        held_[channel] = std::max(peaks_[channel], held_[channel] - kHeldFall);
    }
    update();
}

void PeakMeter::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Base));
    const double hot = Fraction(std::pow(10.0, kHotDb / 20.0));
    const int barHeight = std::max(1, (height() - 3) / 2);
    for (std::size_t channel = 0; channel < peaks_.size(); ++channel) {
        const int top = 1 + static_cast<int>(channel) * (barHeight + 1);
        const int width = static_cast<int>(peaks_[channel] * (this->width() - 2));
        const int hotStart = static_cast<int>(hot * (this->width() - 2));
        painter.fillRect(1, top, std::min(width, hotStart), barHeight, colour_);
        if (width > hotStart) {
            painter.fillRect(1 + hotStart, top, width - hotStart, barHeight, hotColour_);
        }
        const int held = 1 + static_cast<int>(held_[channel] * (this->width() - 3));
        painter.fillRect(held, top, 1, barHeight,
                         held_[channel] > hot ? hotColour_ : palette().color(QPalette::Text));
    }
}

} // namespace tarn
