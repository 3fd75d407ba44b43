#include "gui/ParameterEditor.h"

#include "document/PresetStore.h"
#include "editing/ParameterInput.h"
#include "engine/Project.h"
#include "gui/MainWindow.h"
#include "gui/StatusLine.h"
#include "gui/StudioApplication.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSlider>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace tarn {
namespace {

QString RowName(int group, int track, int index) {
    return QStringLiteral("%1.%2.%3").arg(group).arg(track).arg(index);
}

// Whole-number parameters step by one; real ones in kRealSteps steps.
int Steps(const ParameterDescriptor& descriptor) {
    const double range = descriptor.maximum - descriptor.minimum;
    if (!(range > 0.0)) {
        return 0;
    }
    return descriptor.type == kTypeDouble
               ? ParameterEditor::kRealSteps
               : static_cast<int>(std::min(std::round(range), double{ParameterEditor::kRealSteps}));
}

double ValueAt(const ParameterDescriptor& descriptor, int position) {
    const int steps = Steps(descriptor);
    return steps > 0
               ? descriptor.minimum + (descriptor.maximum - descriptor.minimum) * position / steps
               : descriptor.minimum;
}

int PositionOf(const ParameterDescriptor& descriptor, double value) {
    const double range = descriptor.maximum - descriptor.minimum;
    if (!(range > 0.0)) {
        return 0;
    }
    const double fraction = std::clamp((value - descriptor.minimum) / range, 0.0, 1.0);
    return static_cast<int>(std::lround(fraction * Steps(descriptor)));
}

bool SameLines(const std::vector<ParameterLine>& a, const std::vector<ParameterLine>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const ParameterLine& x, const ParameterLine& y) {
                          return x.group == y.group && x.track == y.track && x.index == y.index &&
                                 x.section == y.section;
                      });
}

} // namespace

ParameterEditor::ParameterEditor(StudioApplication& application, ParameterSheet sheet,
                                 QWidget* parent)
    : QWidget(parent, Qt::Window), application_(application),
      edits_(application.GetStudio().Current(), application.GetStudio().Factory().Registry(),
             application.Commands().History(), application.Feed()),
      sheet_(std::move(sheet)) {
    setObjectName(kName);
    setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(BuildPresetBar());
    layout->addWidget(BuildTrackBar());
    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    layout->addWidget(scroll);
    status_ = new QLabel(this);
    status_->setObjectName("status");
    layout->addWidget(status_);
    Build();
    resize(460, 560);
    auto* timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, &ParameterEditor::Refresh);
    timer->start(kRefreshMilliseconds);
}

QWidget* ParameterEditor::BuildPresetBar() {
    auto* bar = new QWidget(this);
    auto* layout = new QHBoxLayout(bar);
    layout->setContentsMargins(0, 0, 0, 0);
    presets_ = new QComboBox(bar);
    presets_->setObjectName("presets");
    presets_->setEditable(true);
    presets_->setInsertPolicy(QComboBox::NoInsert);
    presets_->setToolTip(tr("Presets: choose one to load, or type a name to store under"));
    layout->addWidget(presets_, 1);
    for (const auto& [text, run] : {std::pair{tr("Load"), &ParameterEditor::LoadPreset},
                                    std::pair{tr("Store"), &ParameterEditor::StorePreset},
                                    std::pair{tr("Rename"), &ParameterEditor::RenamePreset},
                                    std::pair{tr("Delete"), &ParameterEditor::DeletePreset}}) {
        auto* button = new QPushButton(text, bar);
        button->setObjectName(text.toLower());
        connect(button, &QPushButton::clicked, this, run);
        layout->addWidget(button);
    }
    FillPresets(PresetStore::kDefaultName);
    return bar;
}

QWidget* ParameterEditor::BuildTrackBar() {
    trackBar_ = new QWidget(this);
    auto* layout = new QHBoxLayout(trackBar_);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QLabel(tr("Track"), trackBar_));
    tracks_ = new QComboBox(trackBar_);
    tracks_->setObjectName("track");
    tracks_->setToolTip(tr("The track whose parameters show"));
    layout->addWidget(tracks_);
    layout->addStretch(1);
    connect(tracks_, &QComboBox::currentIndexChanged, this, &ParameterEditor::ShowTrack);
    FillTracks();
    return trackBar_;
}

void ParameterEditor::FillTracks() {
    const QSignalBlocker quiet(tracks_);
    tracks_->clear();
    for (int track = 0; track < sheet_.trackCount; ++track) {
        tracks_->addItem(QString::number(track));
    }
    tracks_->setCurrentIndex(sheet_.track);
    trackBar_->setVisible(sheet_.trackCount > 1);
}

void ParameterEditor::ShowTrack(int track) {
    if (track < 0 || track == sheet_.track) {
        return;
    }
    std::optional<ParameterSheet> sheet =
        ParameterSheet::Read(application_.GetStudio(), sheet_.nodeId, sheet_.serial, track);
    if (!sheet) {
        close();
        return;
    }
    const bool recounted = sheet->trackCount != sheet_.trackCount || sheet->track != track;
    sheet_ = std::move(*sheet);
    if (recounted) {
        FillTracks();
    }
    Build();
}

void ParameterEditor::Build() {
    setWindowTitle(tr("%1 - Parameters").arg(QString::fromStdString(sheet_.nodeName)));
    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    rows_.clear();
    rows_.reserve(sheet_.lines.size());
    std::string section;
    QVBoxLayout* box = nullptr;
    for (const ParameterLine& line : sheet_.lines) {
        if (box == nullptr || line.section != section) {
            section = line.section;
            auto* group = new QGroupBox(QString::fromStdString(section), content);
            box = new QVBoxLayout(group);
            layout->addWidget(group);
        }
        AddRow(*box, line);
    }
    layout->addStretch(1);
    findChild<QScrollArea*>()->setWidget(content);
}

void ParameterEditor::AddRow(QVBoxLayout& layout, const ParameterLine& line) {
    const std::size_t number = rows_.size();
    Row& row = rows_.emplace_back();
    row.line = line;
    auto* holder = new QWidget;
    auto* parts = new QHBoxLayout(holder);
    parts->setContentsMargins(0, 0, 0, 0);
    auto* name = new QLabel(QString::fromStdString(line.descriptor.name), holder);
    name->setToolTip(QString::fromStdString(line.descriptor.description));
    name->setMinimumWidth(110);
    parts->addWidget(name);
    row.slider = new QSlider(Qt::Horizontal, holder);
    row.slider->setObjectName(RowName(line.group, line.track, line.index));
    row.slider->setRange(0, Steps(line.descriptor));
    row.slider->setToolTip(name->toolTip());
    parts->addWidget(row.slider, 1);
    row.text = new QLineEdit(holder);
    row.text->setObjectName(RowName(line.group, line.track, line.index));
    row.text->setFixedWidth(120);
    row.text->setToolTip(tr("The value; type a new one in the unit shown (raw %1 to %2)")
                             .arg(line.descriptor.minimum)
                             .arg(line.descriptor.maximum));
    parts->addWidget(row.text);
    layout.addWidget(holder);
    Show(row);
    connect(row.slider, &QSlider::valueChanged, this, [this, number](int position) {
        Row& changed = rows_[number];
        if (PositionOf(changed.line.descriptor, changed.line.value) != position) {
            Set(changed, ValueAt(changed.line.descriptor, position));
        }
    });
    connect(row.text, &QLineEdit::editingFinished, this, [this, number] {
        Row& typed = rows_[number];
        if (!typed.text->isModified()) {
            return;
        }
        typed.text->setModified(false);
        const ParameterLine& line = typed.line;
        const std::string text = typed.text->text().toStdString();
        const std::optional<double> value = ReadTypedValue(
            line.descriptor,
            [this, &line](double shown) {
                return ParameterSheet::Text(application_.GetStudio(), sheet_, line, shown);
            },
            text);
        if (value) {
            Set(typed, *value);
        } else {
            ShowStatus(application_.Window(), tr("'%1' is no value of %2: it takes %3 to %4")
                                                  .arg(QString::fromStdString(text),
                                                       QString::fromStdString(line.descriptor.name))
                                                  .arg(line.descriptor.minimum)
                                                  .arg(line.descriptor.maximum));
        }
        Show(typed);
    });
}

void ParameterEditor::Set(Row& row, double value) {
    const ParameterDescriptor& descriptor = row.line.descriptor;
    value = std::clamp(value, std::min(descriptor.minimum, descriptor.maximum),
                       std::max(descriptor.minimum, descriptor.maximum));
    if (descriptor.type != kTypeDouble) {
        value = std::trunc(value);
    }
    if (!edits_.SetParameter(sheet_.nodeId, row.line.group, row.line.track, row.line.index,
                             value)) {
        return;
    }
    row.line.value = value;
    row.line.text = ParameterSheet::Text(application_.GetStudio(), sheet_, row.line, value);
    Show(row);
}

void ParameterEditor::Show(Row& row) {
    const QSignalBlocker quiet(row.slider);
    row.slider->setValue(PositionOf(row.line.descriptor, row.line.value));
    // Never over what the user is typing.
    if (!row.text->isModified()) {
        row.text->setText(QString::fromStdString(row.line.text));
        row.text->setModified(false);
        row.text->setCursorPosition(0);
    }
}

void ParameterEditor::Refresh() {
    std::optional<ParameterSheet> sheet =
        ParameterSheet::Read(application_.GetStudio(), sheet_.nodeId, sheet_.serial, sheet_.track);
    if (!sheet) {
        close();
        return;
    }
    if (sheet->trackCount != sheet_.trackCount) {
        sheet_.trackCount = sheet->trackCount;
        sheet_.track = sheet->track;
        FillTracks();
    }
    if (!SameLines(sheet->lines, sheet_.lines) || sheet->nodeName != sheet_.nodeName) {
        // A Connection came or went, the Node was renamed or lost the
        // track shown.
        sheet_ = std::move(*sheet);
        Build();
        return;
    }
    for (std::size_t number = 0; number < rows_.size(); ++number) {
        Row& row = rows_[number];
        if (row.slider->isSliderDown()) {
            continue;
        }
        row.line.value = sheet->lines[number].value;
        row.line.text = sheet->lines[number].text;
        Show(row);
    }
}

void ParameterEditor::FillPresets(const QString& select) {
    const QSignalBlocker quiet(presets_);
    presets_->clear();
    for (const std::string& name : edits_.PresetNames(sheet_.nodeId)) {
        presets_->addItem(QString::fromStdString(name));
    }
    presets_->setCurrentIndex(std::max(0, presets_->findText(select)));
}

void ParameterEditor::Report(bool done, const QString& success) {
    status_->setText(done ? success : QString::fromStdString(edits_.Refusal()));
}

void ParameterEditor::LoadPreset() {
    const QString name = presets_->currentText();
    Report(edits_.ApplyPreset(sheet_.nodeId, name.toStdString()), tr("Loaded %1").arg(name));
    Refresh();
}

void ParameterEditor::StorePreset() {
    const QString name = presets_->currentText().trimmed();
    const bool done = edits_.StorePreset(sheet_.nodeId, name.toStdString());
    Report(done, tr("Stored %1").arg(name));
    if (done) {
        FillPresets(name);
    }
}

void ParameterEditor::RenamePreset() {
    const QString from = presets_->itemText(presets_->currentIndex());
    const QString to = presets_->currentText().trimmed();
    const bool done = edits_.RenamePreset(sheet_.nodeId, from.toStdString(), to.toStdString());
    Report(done, tr("Renamed %1 to %2").arg(from, to));
    FillPresets(done ? to : from);
}

void ParameterEditor::DeletePreset() {
    const QString name = presets_->itemText(presets_->currentIndex());
    const bool done = edits_.DeletePreset(sheet_.nodeId, name.toStdString());
    Report(done, tr("Deleted %1").arg(name));
    FillPresets(done ? QString(PresetStore::kDefaultName) : name);
}

QSlider* ParameterEditor::Slider(int group, int track, int index) const {
    const Row* row = Find(group, track, index);
    return row != nullptr ? row->slider : nullptr;
}

QLineEdit* ParameterEditor::ValueText(int group, int track, int index) const {
    const Row* row = Find(group, track, index);
    return row != nullptr ? row->text : nullptr;
}

const ParameterEditor::Row* ParameterEditor::Find(int group, int track, int index) const {
    const auto found = std::find_if(rows_.begin(), rows_.end(), [&](const Row& row) {
        return row.line.group == group && row.line.track == track && row.line.index == index;
    });
    return found != rows_.end() ? &*found : nullptr;
}

} // namespace tarn
