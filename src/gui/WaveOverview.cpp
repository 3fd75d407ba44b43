#include "gui/WaveOverview.h"

#include "engine/CurrentProject.h"
#include "engine/Project.h"
#include "gui/Skin.h"

#include <QPainter>

#include <algorithm>

namespace tarn {

WaveOverview::WaveOverview(CurrentProject& current, const Skin& skin, QWidget* parent)
    : QWidget(parent), current_(current), skin_(skin) {
    setObjectName("WaveOverview");
    setMinimumHeight(80);
}

void WaveOverview::SetSlot(int slot) {
    slot_ = slot;
    update();
}

void WaveOverview::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.fillRect(rect(), skin_.panel);
    ProjectLock hold(current_);
    const Project* project = current_.Get();
    const Wave* wave = project != nullptr && slot_ >= 0 ? project->Waves().Get(slot_) : nullptr;
    if (wave == nullptr || wave->ChannelCount() == 0) {
        painter.setPen(skin_.dimText);
        painter.drawText(rect(), Qt::AlignCenter, tr("(empty slot)"));
        return;
    }
    const int channels = wave->ChannelCount();
    const int laneHeight = height() / channels;
    painter.setPen(skin_.meter);
    for (int channel = 0; channel < channels; ++channel) {
        const std::vector<OverviewPoint>& points = wave->Overview(channel);
        const double middle = laneHeight * (channel + 0.5);
        const double scale = laneHeight * 0.5;
        const std::size_t count = points.size();
        for (int x = 0; x < width() && count > 0; ++x) {
            const std::size_t first =
                count * static_cast<std::size_t>(x) / static_cast<std::size_t>(width());
            const std::size_t end = std::max(first + 1, count * static_cast<std::size_t>(x + 1) /
                                                            static_cast<std::size_t>(width()));
            float largest = points[first].largest;
            float smallest = points[first].smallest;
            for (std::size_t p = first; p < end && p < count; ++p) {
                largest = std::max(largest, points[p].largest);
                smallest = std::min(smallest, points[p].smallest);
            }
            painter.drawLine(x, static_cast<int>(middle - largest * scale), x,
                             static_cast<int>(middle - smallest * scale));
        }
    }
}

} // namespace tarn
