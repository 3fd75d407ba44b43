#include "gui/TransportBar.h"

#include "engine/Project.h"
#include "gui/PeakMeter.h"
#include "gui/StudioApplication.h"
#include "studio/ProjectCommands.h"

#include <QAction>
#include <QLabel>

#include <cmath>
#include <mutex>

namespace tarn {
namespace {

// What the bar shows, copied out under the project lock.
struct TransportState {
    double bpm = 0.0;
    double position = 0.0;
    bool playing = false;
    bool loop = false;
    double cpu = 0.0; // percent of the buffer's duration
    double left = 0.0;
    double right = 0.0;
};

TransportState ReadState(Studio& studio) {
    TransportState state;
    ProjectLock hold(studio.Current());
    Project* project = studio.Current().Get();
    if (project == nullptr) {
        return state;
    }
    state.bpm = project->Tempo().bpm;
    state.position = project->Transport().position;
    state.playing = project->Transport().Playing();
    state.loop = project->Transport().LoopActive();
    const CpuStatistics& statistics = studio.Engine().Statistics();
    state.cpu = statistics.machines.percent + statistics.other.percent;
    Node* master = project->GetNode(Project::kMasterId);
    std::lock_guard node(master->Lock());
    const ChannelBufferSet& outputs = master->Outputs();
    state.left = outputs.Has(0) ? outputs.Ring(0).peak : 0.0;
    state.right = outputs.Has(1) ? outputs.Ring(1).peak : state.left;
    return state;
}

} // namespace

TransportBar::TransportBar(StudioApplication& application, QWidget* parent)
    : QToolBar(tr("Transport"), parent), application_(application) {
    setObjectName("TransportBar");
    setMovable(false);
    ProjectCommands& commands = application.Commands();
    const auto add = [this](const QString& text, Qt::Key key, auto run) {
        QAction* action = addAction(text);
        action->setShortcut(QKeySequence(key));
        action->setShortcutContext(Qt::ApplicationShortcut);
        action->setToolTip(QStringLiteral("%1 (%2)").arg(text, QKeySequence(key).toString()));
        connect(action, &QAction::triggered, this, [this, run] {
            run();
            Refresh();
        });
        return action;
    };
    playSong_ = add(tr("Play song"), Qt::Key_F5, [&commands] { commands.PlaySong(); });
    playLoop_ = add(tr("Play loop"), Qt::Key_F6, [&commands] { commands.PlayLoop(); });
    stop_ = add(tr("Stop"), Qt::Key_F8, [&commands] { commands.Stop(); });
    playSong_->setCheckable(true);
    playLoop_->setCheckable(true);
    addSeparator();
    bpm_ = AddDisplay(tr("Tempo in beats per minute"));
    position_ = AddDisplay(tr("Song position: beat and tick"));
    cpu_ = AddDisplay(tr("CPU load of the engine"));
    addSeparator();
    const Skin& skin = application.GetSkin();
    meter_ = new PeakMeter(skin.meter, skin.meterHot, this);
    meter_->setToolTip(tr("Master output peaks"));
    addWidget(meter_);
    Refresh();
}

QLabel* TransportBar::AddDisplay(const QString& toolTip) {
    auto* label = new QLabel(this);
    label->setObjectName("display");
    label->setToolTip(toolTip);
    addWidget(label);
    return label;
}

void TransportBar::Refresh() {
    const TransportState state = ReadState(application_.GetStudio());
    const double beat = std::floor(state.position);
    const int tick = static_cast<int>((state.position - beat) * kTicksPerBeat);
    bpm_->setText(tr("%1 BPM").arg(state.bpm, 0, 'f', 1));
    position_->setText(
        QStringLiteral("%1:%2").arg(static_cast<long long>(beat), 4, 10, QChar('0')).arg(tick));
    cpu_->setText(tr("CPU %1%").arg(state.cpu, 0, 'f', 0));
    playSong_->setChecked(state.playing && !state.loop);
    playLoop_->setChecked(state.playing && state.loop);
    meter_->SetPeaks(state.left, state.right);
}

} // namespace tarn
