#pragma once

#include <QToolBar>

class QAction;
class QLabel;

namespace tarn {

class PeakMeter;
class StudioApplication;

// The transport: play song (F5), play loop (F6) and stop (F8), the tempo,
// the song position in beats and ticks, the engine's CPU load and the
// Master's peak meters. Refresh reads the project under the project lock,
// holding it only to copy the numbers out. GUI thread only.
class TransportBar final : public QToolBar {
public:
    // The position's ticks: the pattern grid's default rows per beat.
    static constexpr int kTicksPerBeat = 4;

    explicit TransportBar(StudioApplication& application, QWidget* parent = nullptr);

    // The three transport commands, for the Transport menu as well.
    QList<QAction*> Commands() const { return {playSong_, playLoop_, stop_}; }
    void Refresh();

private:
    QLabel* AddDisplay(const QString& toolTip);

    StudioApplication& application_;
    QAction* playSong_;
    QAction* playLoop_;
    QAction* stop_;
    QLabel* bpm_;
    QLabel* position_;
    QLabel* cpu_;
    PeakMeter* meter_;
};

} // namespace tarn
