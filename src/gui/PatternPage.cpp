#include "gui/PatternPage.h"

#include "engine/PatternEditing.h"
#include "engine/Project.h"
#include "gui/NodeOrdering.h"
#include "gui/PatternGridView.h"
#include "gui/PianoRollView.h"
#include "gui/StatusLine.h"
#include "gui/StudioApplication.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QInputDialog>
#include <QLabel>
#include <QSpinBox>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>

namespace tarn {
namespace {

constexpr int kMaxTicksPerBeat = 96;

QSpinBox* AddSpinBox(QToolBar* bar, const QString& label, int minimum, int maximum) {
    bar->addWidget(new QLabel(label));
    auto* box = new QSpinBox;
    box->setRange(minimum, maximum);
    bar->addWidget(box);
    return box;
}

QString PatternTitle(int number, const Pattern& pattern) {
    return QStringLiteral("%1. %2").arg(number).arg(QString::fromStdString(pattern.name));
}

} // namespace

PatternPage::PatternPage(StudioApplication& application, QWidget* parent)
    : QWidget(parent), application_(application),
      editor_(application.GetStudio().Current(), application.Commands().History()) {
    setObjectName("PatternPage");
    // Two tool bars, one over the other: the pattern's, and the size and
    // typing controls, so that a window narrowed by a dock still shows
    // them all.
    auto* bar = new QToolBar;
    bar->addWidget(new QLabel(tr("Machine")));
    nodes_ = new QComboBox;
    nodes_->setObjectName("nodes");
    bar->addWidget(nodes_);
    bar->addWidget(new QLabel(tr("Pattern")));
    patterns_ = new QComboBox;
    patterns_->setObjectName("patterns");
    patterns_->setMinimumContentsLength(12);
    bar->addWidget(patterns_);
    bar->addAction(tr("New"), this, [this] { NewPattern(false); });
    bar->addAction(tr("Copy"), this, [this] { NewPattern(true); });
    bar->addAction(tr("Rename..."), this, [this] { RenamePattern(); });
    bar->addAction(tr("Colour..."), this, [this] { ChooseColour(); });
    auto* entry = new QToolBar;
    length_ = AddSpinBox(entry, tr("Beats"), 1, Pattern::kMaxLength);
    length_->setObjectName("beats");
    ticksPerBeat_ = AddSpinBox(entry, tr("TPB"), 1, kMaxTicksPerBeat);
    ticksPerBeat_->setObjectName("ticksPerBeat");
    octave_ = AddSpinBox(entry, tr("Octave"), 0, PatternGridView::kMaxOctave);
    octave_->setObjectName("octave");
    QSpinBox* step = AddSpinBox(entry, tr("Step"), 0, PatternGridView::kMaxEditStep);
    step->setObjectName("editStep");
    step->setToolTip(tr("Rows the cursor moves after a note or a value is entered"));
    follow_ = new QCheckBox(tr("Follow"));
    follow_->setFocusPolicy(Qt::NoFocus);
    entry->addWidget(follow_);

    grid_ = new PatternGridView(editor_, application.GetStudio().Current(), application.GetSkin());
    tabs_ = new QTabWidget;
    roll_ = new PianoRollView(editor_, application.GetStudio().Current(), application.GetSkin());
    tabs_->addTab(grid_, tr("Grid"));
    tabs_->addTab(roll_, tr("Piano roll"));
    // The roll shows the track the grid's cursor is on.
    connect(tabs_, &QTabWidget::currentChanged, this, [this] { roll_->Reload(); });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(bar);
    layout->addWidget(entry);
    layout->addWidget(tabs_, 1);

    octave_->setValue(grid_->Octave());
    step->setValue(grid_->EditStep());
    connect(step, &QSpinBox::valueChanged, this, [this](int rows) { grid_->SetEditStep(rows); });
    connect(octave_, &QSpinBox::valueChanged, this, [this](int octave) {
        if (octave != grid_->Octave()) {
            grid_->SetOctave(octave);
        }
    });
    grid_->SetOctaveChanged([this](int octave) { octave_->setValue(octave); });
    connect(follow_, &QCheckBox::toggled, this, [this](bool on) { grid_->SetFollow(on); });
    connect(nodes_, &QComboBox::activated, this,
            [this](int index) { ChooseNode(nodes_->itemData(index).toInt()); });
    connect(patterns_, &QComboBox::activated, this,
            [this](int index) { ChoosePattern(patterns_->itemData(index).toInt()); });
    const auto resize = [this] {
        if (reloading_) {
            return;
        }
        if (editor_.Resize(length_->value(), ticksPerBeat_->value()) == 0) {
            ShowSize();
        } else if (const int dropped = editor_.DroppedEvents(); dropped > 0) {
            ShowStatus(*this, tr("Pattern size: %n event(s) past the new end dropped (Undo brings "
                                 "them back)",
                                 nullptr, dropped));
        }
    };
    connect(length_, &QSpinBox::editingFinished, this, resize);
    connect(ticksPerBeat_, &QSpinBox::editingFinished, this, resize);
    Reload();
}

void PatternPage::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    Reload();
}

void PatternPage::Reload() {
    reloading_ = true;
    nodes_->clear();
    patterns_->clear();
    int nodeId = -1;
    int patternNumber = -1;
    {
        CurrentProject& current = application_.GetStudio().Current();
        ProjectLock hold(current);
        Project* project = current.Get();
        if (project != nullptr) {
            if (project->GetNode(project->editedNodeId) == nullptr) {
                project->editedNodeId = Project::kMasterId;
            }
            nodeId = project->editedNodeId;
            for (const int id : OrderedNodeIds(*project)) {
                if (const Node* node = project->GetNode(id)) {
                    nodes_->addItem(QString::fromStdString(node->Name()), id);
                }
            }
            Node* node = project->GetNode(nodeId);
            if (node != nullptr) {
                if (node->Patterns().Get(node->Editor().currentPattern) == nullptr) {
                    node->Editor().currentPattern = -1;
                    for (auto [number, pattern] : node->Patterns()) {
                        node->Editor().currentPattern = number;
                        break;
                    }
                }
                patternNumber = node->Editor().currentPattern;
                for (auto [number, pattern] : node->Patterns()) {
                    patterns_->addItem(PatternTitle(number, *pattern), number);
                }
            }
        }
    }
    nodes_->setCurrentIndex(nodes_->findData(nodeId));
    patterns_->setCurrentIndex(patterns_->findData(patternNumber));
    if (nodeId != editor_.NodeId() || patternNumber != editor_.PatternNumber()) {
        editor_.SetTarget(nodeId, patternNumber);
    }
    ShowSize();
    reloading_ = false;
    grid_->Reload();
    roll_->Reload();
}

void PatternPage::ShowTab(int tab) {
    tabs_->setCurrentIndex(tab);
}

void PatternPage::ShowSize() {
    int length = Pattern::kDefaultLength;
    int ticks = Pattern::kDefaultTicksPerBeat;
    {
        CurrentProject& current = application_.GetStudio().Current();
        ProjectLock hold(current);
        const Project* project = current.Get();
        const Node* node = project != nullptr ? project->GetNode(editor_.NodeId()) : nullptr;
        if (const Pattern* pattern =
                node != nullptr ? node->Patterns().Get(editor_.PatternNumber()) : nullptr) {
            length = pattern->Length();
            ticks = pattern->TicksPerBeat();
        }
    }
    const bool wasReloading = reloading_;
    reloading_ = true;
    length_->setValue(length);
    ticksPerBeat_->setValue(ticks);
    reloading_ = wasReloading;
}

void PatternPage::PatternChanged(int nodeId, int patternNumber) {
    if (nodeId == editor_.NodeId() && patternNumber == editor_.PatternNumber()) {
        ShowSize();
        grid_->Reload();
        roll_->Reload();
    }
}

void PatternPage::Refresh() {
    if (isVisible()) {
        grid_->RefreshPlayPosition();
    }
}

void PatternPage::ChooseNode(int nodeId) {
    {
        CurrentProject& current = application_.GetStudio().Current();
        ProjectLock hold(current);
        if (Project* project = current.Get(); project != nullptr && project->GetNode(nodeId)) {
            project->editedNodeId = nodeId;
        }
    }
    Reload();
}

void PatternPage::ChoosePattern(int patternNumber) {
    {
        CurrentProject& current = application_.GetStudio().Current();
        ProjectLock hold(current);
        const Project* project = current.Get();
        if (Node* node = project != nullptr ? project->GetNode(editor_.NodeId()) : nullptr) {
            node->Editor().currentPattern = patternNumber;
        }
    }
    Reload();
}

void PatternPage::NewPattern(bool copy) {
    {
        CurrentProject& current = application_.GetStudio().Current();
        ProjectLock hold(current);
        const Project* project = current.Get();
        Node* node = project != nullptr ? project->GetNode(editor_.NodeId()) : nullptr;
        if (node == nullptr) {
            return;
        }
        const int made =
            copy ? node->Patterns().Copy(editor_.PatternNumber())
                 : CreatePattern(*node, -1, length_->value(), ticksPerBeat_->value(), 0);
        if (made < 0) {
            return;
        }
        Pattern& pattern = *node->Patterns().Get(made);
        pattern.name = (copy ? pattern.name + " copy" : "Pattern " + std::to_string(made));
        node->Editor().currentPattern = made;
    }
    application_.Commands().History().MarkChanged();
    Reload();
}

template <typename Change> void PatternPage::ChangePattern(const char* name, Change change) {
    CurrentProject& current = application_.GetStudio().Current();
    {
        ProjectLock hold(current);
        const Project* project = current.Get();
        if (project == nullptr) {
            return;
        }
        std::unique_ptr<PatternUndoEntry> entry = UndoHistory::BeginPatternEdit(
            *project, name, editor_.NodeId(), editor_.PatternNumber());
        if (entry == nullptr) {
            return;
        }
        change(*project->GetNode(editor_.NodeId())->Patterns().Get(editor_.PatternNumber()));
        application_.Commands().History().Push(std::move(entry));
    }
    Reload();
}

void PatternPage::RenamePattern() {
    bool ok = false;
    const QString name =
        QInputDialog::getText(this, tr("Rename pattern"), tr("Name"), QLineEdit::Normal,
                              patterns_->currentText().section(". ", 1), &ok);
    if (ok) {
        ChangePattern("Rename pattern",
                      [&name](Pattern& pattern) { pattern.name = name.toStdString(); });
    }
}

void PatternPage::ChooseColour() {
    const QColor colour = QColorDialog::getColor(Qt::white, this, tr("Pattern colour"));
    if (colour.isValid()) {
        // Patterns keep their colour as 0x00BBGGRR.
        const auto stored = static_cast<std::uint32_t>(colour.red()) |
                            static_cast<std::uint32_t>(colour.green()) << 8 |
                            static_cast<std::uint32_t>(colour.blue()) << 16;
        ChangePattern("Pattern colour", [stored](Pattern& pattern) { pattern.SetColour(stored); });
    }
}

} // namespace tarn
