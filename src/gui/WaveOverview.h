#pragma once

#include <QWidget>

namespace tarn {

class CurrentProject;
struct Skin;

// The overview of one wavetable slot's wave: per channel, each pixel
// column spans the largest and smallest sample of the blocks it covers.
// Reads the wave under the project lock while it paints. GUI thread only.
class WaveOverview final : public QWidget {
public:
    WaveOverview(CurrentProject& current, const Skin& skin, QWidget* parent = nullptr);

    void SetSlot(int slot);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    CurrentProject& current_;
    const Skin& skin_;
    int slot_ = -1;
};

} // namespace tarn
