#include "gui/StreamerWindow.h"

#include "engine/Project.h"
#include "studio/Studio.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <algorithm>

namespace tarn {

StreamerWindow::StreamerWindow(Studio& studio, QWidget* parent)
    : QWidget(parent, Qt::Window), studio_(studio) {
    setObjectName("StreamerWindow");
    setWindowTitle(tr("Audio streamer"));
    auto* form = new QFormLayout(this);
    node_ = new QComboBox(this);
    node_->setObjectName("node");
    form->addRow(tr("Machine"), node_);
    side_ = new QComboBox(this);
    side_->setObjectName("side");
    side_->addItems({tr("Outputs"), tr("Inputs")});
    form->addRow(tr("Record"), side_);
    type_ = new QComboBox(this);
    type_->setObjectName("type");
    type_->addItem(tr("WAVE"), AudioStreamer::kWaveFile);
    type_->addItem(tr("Raw"), AudioStreamer::kRawFile);
    form->addRow(tr("File type"), type_);
    format_ = new QComboBox(this);
    format_->setObjectName("format");
    format_->addItem(tr("32-bit float"), AudioStreamer::kFloat32);
    format_->addItem(tr("64-bit float"), AudioStreamer::kFloat64);
    form->addRow(tr("Samples"), format_);
    AudioStreamer& streamer = studio_.Streamer();
    file_ = new QLineEdit(QString::fromStdString(streamer.FileName()), this);
    file_->setObjectName("file");
    file_->setToolTip(tr("A name beginning with / is under the studio's folder"));
    form->addRow(tr("File"), file_);
    type_->setCurrentIndex(type_->findData(streamer.GetFileType()));
    format_->setCurrentIndex(format_->findData(streamer.GetSampleFormat()));

    auto* buttons = new QHBoxLayout;
    record_ = new QPushButton(tr("Record"), this);
    record_->setObjectName("record");
    stop_ = new QPushButton(tr("Stop"), this);
    stop_->setObjectName("stop");
    buttons->addWidget(record_);
    buttons->addWidget(stop_);
    form->addRow(buttons);
    elapsed_ = new QLabel(this);
    elapsed_->setObjectName("elapsed");
    form->addRow(tr("Recorded"), elapsed_);
    status_ = new QLabel(this);
    status_->setObjectName("status");
    form->addRow(status_);
    connect(record_, &QPushButton::clicked, this, &StreamerWindow::Record);
    connect(stop_, &QPushButton::clicked, this, &StreamerWindow::Stop);

    auto* timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, &StreamerWindow::Refresh);
    timer->start(kRefreshMilliseconds);
    ReadNodes();
    Refresh();
}

void StreamerWindow::ReadNodes() {
    const QVariant chosen = node_->currentData();
    node_->clear();
    {
        ProjectLock hold(studio_.Current());
        if (const Project* project = studio_.Current().Get()) {
            for (auto [id, node] : project->Nodes()) {
                node_->addItem(QString::fromStdString(node->Name()), id);
            }
        }
    }
    node_->setCurrentIndex(std::max(0, node_->findData(chosen)));
}

bool StreamerWindow::ChooseNode(int id) {
    ReadNodes();
    const int index = node_->findData(id);
    node_->setCurrentIndex(std::max(0, index));
    return index >= 0;
}

bool StreamerWindow::Record() {
    AudioStreamer& streamer = studio_.Streamer();
    const bool inputs = side_->currentIndex() == 1;
    const int sampleBytes = format_->currentData().toInt() == AudioStreamer::kFloat64 ? 8 : 4;
    bool started = false;
    {
        ProjectLock hold(studio_.Current());
        Project* project = studio_.Current().Get();
        Node* node = project != nullptr ? project->GetNode(node_->currentData().toInt()) : nullptr;
        if (node != nullptr && streamer.SetFileName(file_->text().toStdString()) != 0 &&
            streamer.SetFileType(type_->currentData().toInt()) != 0 &&
            streamer.SetSampleFormat(format_->currentData().toInt()) != 0) {
            project->recordSourceId = node->Id();
            node->SetRecordInputs(inputs);
            const int channels = inputs ? node->InputChannelCount() : node->OutputChannelCount();
            frameBytes_ = std::clamp(channels, 1, AudioStreamer::kMaxChannels) * sampleBytes;
            started = streamer.Start(*project) != 0;
        }
    }
    status_->setText(
        started ? tr("Recording to %1").arg(QString::fromStdString(streamer.FilePath().string()))
                : tr("Not recording: see the console"));
    Refresh();
    return started;
}

bool StreamerWindow::Stop() {
    const bool stopped = studio_.Streamer().Stop() != 0;
    status_->setText(stopped ? tr("Stopped") : tr("The recording is not whole: see the console"));
    Refresh();
    return stopped;
}

void StreamerWindow::Refresh() {
    const AudioStreamer& streamer = studio_.Streamer();
    const bool streaming = streamer.Streaming();
    record_->setEnabled(!streaming);
    stop_->setEnabled(streaming);
    for (QWidget* setting : std::initializer_list<QWidget*>{node_, side_, type_, format_, file_}) {
        setting->setEnabled(!streaming);
    }
    const double bytes = static_cast<double>(streamer.DataBytesWritten());
    const double seconds = frameBytes_ > 0 ? bytes / frameBytes_ / AudioStreamer::kSampleRate : 0.0;
    elapsed_->setText(
        tr("%1 s, %2 MB").arg(seconds, 0, 'f', 1).arg(bytes / (1024.0 * 1024.0), 0, 'f', 2));
}

} // namespace tarn
