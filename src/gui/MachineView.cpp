#include "gui/MachineView.h"

#include "base/UserInteraction.h"
#include "engine/Project.h"
#include "gui/CGUINodeAnalyzeWnd.h"
#include "gui/CatalogueMenu.h"
#include "gui/ParameterEditor.h"
#include "gui/PeakMeter.h"
#include "gui/PluginEditorFrame.h"
#include "gui/RefreshTimer.h"
#include "gui/StatusLine.h"
#include "gui/StreamerWindow.h"
#include "gui/StudioApplication.h"
#include "gui/VirtualKeyboard.h"

#include <QContextMenuEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QSlider>

#include <algorithm>
#include <cmath>
#include <optional>

namespace tarn {
namespace {

constexpr int kRefreshMilliseconds = 33;
// How near a click must come to a line to hit it, in pixels.
constexpr double kWireReach = 5.0;
constexpr int kMeterHeight = 5;
// The input volume slider moves in tenths of a decibel.
constexpr double kStepsPerDecibel = 10.0;

double DistanceToSegment(QPointF point, QPointF from, QPointF to) {
    const QPointF along = to - from;
    const double length = QPointF::dotProduct(along, along);
    const double t = length > 0.0
                         ? std::clamp(QPointF::dotProduct(point - from, along) / length, 0.0, 1.0)
                         : 0.0;
    const QPointF nearest = from + t * along;
    return std::hypot(point.x() - nearest.x(), point.y() - nearest.y());
}

} // namespace

MachineView::MachineView(StudioApplication& application, QWidget* parent)
    : QWidget(parent), application_(application),
      edits_(application.GetStudio().Current(), application.GetStudio().Factory().Registry(),
             application.Commands().History(), application.Feed()) {
    setObjectName("MachineView");
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(false);
    RefreshWhileVisible(*this, kRefreshMilliseconds, [this] { Refresh(); });
    Refresh();
}

void MachineView::Refresh() {
    snapshot_ = GraphSnapshot::Read(application_.GetStudio());
    // A machine chosen elsewhere (the pattern editor, the sequencer)
    // becomes the selection.
    if (snapshot_.editedNode != editedNode_) {
        editedNode_ = snapshot_.editedNode;
        selection_ = {editedNode_};
    }
    // A selected Node that is gone (deleted, or another project) leaves the
    // selection.
    std::erase_if(selection_, [this](int id) { return snapshot_.Find(id) == nullptr; });
    update();
}

QPoint MachineView::Centre(const MachineBox& box) const {
    return {static_cast<int>(std::lround(box.x * width())),
            static_cast<int>(std::lround(box.y * height()))};
}

QRect MachineView::BoxRect(const MachineBox& box) const {
    const QPoint centre = Centre(box);
    return {centre.x() - kBoxWidth / 2, centre.y() - kBoxHeight / 2, kBoxWidth, kBoxHeight};
}

QRect MachineView::BoxRect(int id) const {
    const MachineBox* box = snapshot_.Find(id);
    return box != nullptr ? BoxRect(*box) : QRect();
}

const MachineBox* MachineView::BoxAt(QPoint point) const {
    // The last drawn is on top.
    for (auto box = snapshot_.boxes.rbegin(); box != snapshot_.boxes.rend(); ++box) {
        if (BoxRect(*box).contains(point)) {
            return &*box;
        }
    }
    return nullptr;
}

const MachineWire* MachineView::WireAt(QPoint point) const {
    for (const MachineWire& wire : snapshot_.wires) {
        const MachineBox* source = snapshot_.Find(wire.source);
        const MachineBox* destination = snapshot_.Find(wire.destination);
        if (source != nullptr && destination != nullptr &&
            DistanceToSegment(point, Centre(*source), Centre(*destination)) <= kWireReach) {
            return &wire;
        }
    }
    return nullptr;
}

QColor MachineView::KindColour(const MachineBox& box) const {
    const Skin& skin = application_.GetSkin();
    if (box.kind == kKindMaster) {
        return skin.master;
    }
    if (box.plugIn) {
        return skin.plugIn;
    }
    return box.kind == kKindEffect ? skin.effect : skin.generator;
}

void MachineView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const Skin& skin = application_.GetSkin();
    painter.fillRect(rect(), skin.window);
    if (!skin.background.isNull()) {
        painter.fillRect(rect(), QBrush(skin.background));
    }
    painter.setRenderHint(QPainter::Antialiasing);
    for (const MachineWire& wire : snapshot_.wires) {
        DrawWire(painter, wire);
    }
    for (const MachineBox& box : snapshot_.boxes) {
        DrawBox(painter, box);
    }
    if (drag_ == Drag::kConnect) {
        if (const MachineBox* source = snapshot_.Find(dragId_)) {
            painter.setPen(QPen(skin.highlight, 2, Qt::DashLine));
            painter.drawLine(Centre(*source), dragPoint_);
        }
    }
}

void MachineView::DrawWire(QPainter& painter, const MachineWire& wire) const {
    const MachineBox* source = snapshot_.Find(wire.source);
    const MachineBox* destination = snapshot_.Find(wire.destination);
    if (source == nullptr || destination == nullptr) {
        return;
    }
    const Skin& skin = application_.GetSkin();
    const QPointF from = Centre(*source);
    const QPointF to = Centre(*destination);
    painter.setPen(QPen(skin.dimText, 2));
    painter.drawLine(from, to);
    // An arrow half way, pointing downstream, with the input volume.
    const QPointF middle = (from + to) / 2.0;
    const double angle = std::atan2(to.y() - from.y(), to.x() - from.x());
    QPainterPath arrow;
    arrow.moveTo(middle + QPointF(std::cos(angle), std::sin(angle)) * 8.0);
    arrow.lineTo(middle + QPointF(std::cos(angle + 2.5), std::sin(angle + 2.5)) * 8.0);
    arrow.lineTo(middle + QPointF(std::cos(angle - 2.5), std::sin(angle - 2.5)) * 8.0);
    arrow.closeSubpath();
    painter.fillPath(arrow, skin.dimText);
    if (wire.volume != 0.0) {
        painter.setPen(skin.dimText);
        painter.drawText(middle + QPointF(10.0, -6.0),
                         QStringLiteral("%1 dB").arg(wire.volume, 0, 'f', 1));
    }
}

void MachineView::DrawBox(QPainter& painter, const MachineBox& box) const {
    const Skin& skin = application_.GetSkin();
    const QRect frame = BoxRect(box);
    const QColor colour = KindColour(box);
    const bool selected = selection_.contains(box.id);
    painter.setPen(QPen(selected ? skin.highlight : colour.darker(160), selected ? 3 : 1));
    painter.setBrush(box.mute ? colour.darker(220) : colour.darker(130));
    painter.drawRoundedRect(frame, 5, 5);
    // The output edge, where a Connection is dragged from.
    if (box.kind != kKindMaster) {
        painter.fillRect(frame.right() - kOutputEdge + 1, frame.top() + 4, kOutputEdge - 4,
                         frame.height() - 8, colour.darker(180));
    }
    painter.setPen(skin.text);
    const QRect label = frame.adjusted(6, 3, -kOutputEdge, -kMeterHeight - 4);
    painter.drawText(label, Qt::AlignLeft | Qt::AlignVCenter,
                     painter.fontMetrics().elidedText(QString::fromStdString(box.name),
                                                      Qt::ElideRight, label.width()));
    QString marks;
    for (const auto& [on, mark] : {std::pair{box.mute, 'M'}, std::pair{box.solo, 'S'},
                                   std::pair{box.bypass, 'B'}, std::pair{box.liveInput, 'L'}}) {
        if (on) {
            marks += QChar(mark);
        }
    }
    if (!marks.isEmpty()) {
        painter.setPen(skin.highlight);
        painter.drawText(frame.adjusted(4, 1, -kOutputEdge, 0), Qt::AlignRight | Qt::AlignTop,
                         marks);
    }
    const QRect meter(frame.left() + 6, frame.bottom() - kMeterHeight - 3,
                      frame.width() - 12 - kOutputEdge, kMeterHeight);
    painter.fillRect(meter, skin.panel);
    const double level = PeakMeter::Fraction(box.peak);
    painter.fillRect(meter.adjusted(0, 0, static_cast<int>(-(1.0 - level) * meter.width()), 0),
                     level > PeakMeter::Fraction(std::pow(10.0, PeakMeter::kHotDb / 20.0))
                         ? skin.meterHot
                         : skin.meter);
}

void MachineView::Report(bool done, const QString& success) {
    ShowStatus(*this, done ? success : QString::fromStdString(edits_.Refusal()));
    Refresh();
}

void MachineView::mousePressEvent(QMouseEvent* event) {
    setFocus();
    if (event->button() != Qt::LeftButton) {
        return;
    }
    const QPoint point = event->position().toPoint();
    const MachineBox* box = BoxAt(point);
    if (box == nullptr) {
        selection_.clear();
        update();
        if (const MachineWire* wire = WireAt(point)) {
            OpenInputVolume(*wire, point);
        }
        return;
    }
    dragId_ = box->id;
    dragPoint_ = point;
    const bool onEdge = point.x() > BoxRect(*box).right() - kOutputEdge;
    if ((event->modifiers() & Qt::ShiftModifier) != 0 || (onEdge && box->kind != kKindMaster)) {
        drag_ = Drag::kConnect;
        return;
    }
    if ((event->modifiers() & Qt::ControlModifier) != 0) {
        if (!selection_.erase(box->id)) {
            selection_.insert(box->id);
        }
    } else if (!selection_.contains(box->id)) {
        selection_ = {box->id};
    }
    // The editors follow the machine clicked last.
    if (selection_.contains(box->id) && box->id != editedNode_ && edits_.Select(box->id)) {
        editedNode_ = box->id;
    }
    drag_ = Drag::kMove;
    dragOffset_ = point - Centre(*box);
    update();
}

void MachineView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint point = event->position().toPoint();
    if (drag_ == Drag::kMove && width() > 0 && height() > 0) {
        const QPoint centre = point - dragOffset_;
        edits_.Move(dragId_, static_cast<double>(centre.x()) / width(),
                    static_cast<double>(centre.y()) / height());
        Refresh();
    } else if (drag_ == Drag::kConnect) {
        dragPoint_ = point;
        update();
    }
}

void MachineView::mouseReleaseEvent(QMouseEvent* event) {
    const Drag drag = std::exchange(drag_, Drag::kNone);
    if (drag == Drag::kConnect) {
        const MachineBox* target = BoxAt(event->position().toPoint());
        const MachineBox* source = snapshot_.Find(dragId_);
        if (target != nullptr && source != nullptr && target != source) {
            const QString success = tr("Connected %1 to %2")
                                        .arg(QString::fromStdString(source->name),
                                             QString::fromStdString(target->name));
            Report(edits_.Connect(source->id, target->id), success);
        }
        update();
    }
}

void MachineView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (const MachineBox* box = BoxAt(event->position().toPoint())) {
        OpenParameters(box->id);
    }
}

ParameterEditor* MachineView::OpenParameters(int id) {
    const MachineBox* box = snapshot_.Find(id);
    if (box == nullptr) {
        return nullptr;
    }
    for (ParameterEditor* open : OpenWindows<ParameterEditor>(ParameterEditor::kName)) {
        if (open->NodeId() == id && open->Serial() == box->serial) {
            open->raise();
            return open;
        }
    }
    std::optional<ParameterSheet> sheet = ParameterSheet::Read(application_.GetStudio(), id);
    if (!sheet) {
        return nullptr;
    }
    auto* editor = new ParameterEditor(application_, std::move(*sheet), this);
    editor->show();
    return editor;
}

template <typename Window> std::vector<Window*> MachineView::OpenWindows(const char* name) const {
    // Found by name: the windows carry no meta-object of their own.
    std::vector<Window*> windows;
    for (QWidget* child : findChildren<QWidget*>(name, Qt::FindDirectChildrenOnly)) {
        if (auto* window = dynamic_cast<Window*>(child); window != nullptr && window->isVisible()) {
            windows.push_back(window);
        }
    }
    return windows;
}

PluginEditorFrame* MachineView::OpenEditor(int id) {
    const MachineBox* box = snapshot_.Find(id);
    if (box == nullptr || !box->hasEditor) {
        return nullptr;
    }
    for (PluginEditorFrame* open : OpenWindows<PluginEditorFrame>(PluginEditorFrame::kName)) {
        if (open->NodeId() == id) {
            open->raise();
            return open;
        }
    }
    auto* frame = new PluginEditorFrame(application_.GetStudio(), id,
                                        QString::fromStdString(box->name), this);
    if (!frame->Open()) {
        ShowStatus(*this, tr("%1 opened no editor").arg(QString::fromStdString(box->name)));
        frame->close();
        return nullptr;
    }
    frame->show();
    return frame;
}

void MachineView::CloseEditors() {
    for (PluginEditorFrame* frame : OpenWindows<PluginEditorFrame>(PluginEditorFrame::kName)) {
        frame->close();
    }
}

StreamerWindow* MachineView::OpenStreamer() {
    if (streamer_ == nullptr) {
        streamer_ = new StreamerWindow(application_.GetStudio(), this);
    }
    streamer_->ReadNodes();
    streamer_->show();
    streamer_->raise();
    return streamer_;
}

VirtualKeyboard* MachineView::OpenKeyboard() {
    if (keyboard_ == nullptr) {
        keyboard_ = new VirtualKeyboard(application_.GetStudio().Current(), this);
    }
    keyboard_->show();
    keyboard_->raise();
    return keyboard_;
}

CGUINodeAnalyzeWnd* MachineView::OpenAnalyzer(int id) {
    const MachineBox* box = snapshot_.Find(id);
    if (box == nullptr) {
        return nullptr;
    }
    auto* analyzer = new CGUINodeAnalyzeWnd(application_.GetStudio(), id,
                                            QString::fromStdString(box->name), this);
    analyzer->show();
    return analyzer;
}

QWidget* MachineView::OpenInputVolume(const MachineWire& wire, QPoint at) {
    auto* popup = new QFrame(this, Qt::Popup);
    popup->setObjectName("inputVolume");
    popup->setAttribute(Qt::WA_DeleteOnClose);
    popup->setFrameShape(QFrame::StyledPanel);
    auto* layout = new QHBoxLayout(popup);
    auto* slider = new QSlider(Qt::Horizontal, popup);
    // Tenths of a decibel over the input mixer's range.
    const ParameterDescriptor& volume =
        system_parameter::Descriptors(kGroupInputMixer).at(system_parameter::kVolume);
    slider->setRange(static_cast<int>(volume.minimum * kStepsPerDecibel),
                     static_cast<int>(volume.maximum * kStepsPerDecibel));
    slider->setValue(static_cast<int>(std::lround(wire.volume * kStepsPerDecibel)));
    slider->setMinimumWidth(180);
    auto* label = new QLabel(popup);
    label->setMinimumWidth(70);
    label->setText(tr("%1 dB").arg(wire.volume, 0, 'f', 1));
    layout->addWidget(slider);
    layout->addWidget(label);
    const int destination = wire.destination;
    const int index = wire.index;
    connect(slider, &QSlider::valueChanged, popup, [this, label, destination, index](int tenths) {
        const double value = tenths / kStepsPerDecibel;
        label->setText(tr("%1 dB").arg(value, 0, 'f', 1));
        Report(edits_.SetParameter(destination, kGroupInputMixer, index, system_parameter::kVolume,
                                   value),
               tr("Input volume %1 dB").arg(value, 0, 'f', 1));
    });
    popup->move(mapToGlobal(at));
    popup->show();
    return popup;
}

void MachineView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Delete) {
        DeleteSelection();
        return;
    }
    QWidget::keyPressEvent(event);
}

void MachineView::DeleteSelection() {
    std::vector<int> ids;
    for (const int id : selection_) {
        if (id != Project::kMasterId) {
            ids.push_back(id);
        }
    }
    if (ids.empty()) {
        return;
    }
    const MachineBox* only = ids.size() == 1 ? snapshot_.Find(ids.front()) : nullptr;
    const QString question = only != nullptr
                                 ? tr("Delete %1?").arg(QString::fromStdString(only->name))
                                 : tr("Delete %n machines?", nullptr, static_cast<int>(ids.size()));
    if (CurrentInteraction().ShowMessage(kStudioCaption, question.toStdString(),
                                         MessageBoxButtons::kYesNo) != MessageBoxAnswer::kYes) {
        return;
    }
    // A plug-in's editor closes while its machine still exists.
    for (PluginEditorFrame* frame : OpenWindows<PluginEditorFrame>(PluginEditorFrame::kName)) {
        if (std::find(ids.begin(), ids.end(), frame->NodeId()) != ids.end()) {
            frame->close();
        }
    }
    const int deleted = edits_.Delete(ids);
    Report(deleted > 0, tr("Deleted %n machine(s)", nullptr, deleted));
}

void MachineView::StartRename(int id) {
    const MachineBox* box = snapshot_.Find(id);
    if (box == nullptr) {
        return;
    }
    auto* editor = new QLineEdit(QString::fromStdString(box->name), this);
    editor->setObjectName("rename");
    editor->setGeometry(BoxRect(*box).adjusted(2, 2, -2, -kBoxHeight / 2));
    editor->selectAll();
    editor->show();
    editor->setFocus();
    connect(editor, &QLineEdit::editingFinished, this, [this, editor, id] {
        if (editor->isModified()) {
            Report(edits_.Rename(id, editor->text().toStdString()), tr("Renamed"));
        }
        editor->deleteLater();
    });
}

void MachineView::AddFlag(QMenu& menu, const QString& text, int id, MachineEdits::Flag flag,
                          bool on) {
    QAction* action = menu.addAction(
        text, this, [this, id, flag, on] { Report(edits_.SetFlag(id, flag, !on), QString()); });
    action->setCheckable(true);
    action->setChecked(on);
}

void MachineView::AddPresets(QMenu& menu, int id) {
    QMenu* presets = menu.addMenu(tr("Presets"));
    connect(presets, &QMenu::aboutToShow, presets, [this, presets, id] {
        presets->clear();
        for (const std::string& name : edits_.PresetNames(id)) {
            presets->addAction(QString::fromStdString(name), this, [this, id, name] {
                Report(edits_.ApplyPreset(id, name),
                       tr("Loaded %1").arg(QString::fromStdString(name)));
            });
        }
    });
}

QMenu* MachineView::MachineMenu(int id) {
    const MachineBox* box = snapshot_.Find(id);
    if (box == nullptr) {
        return nullptr;
    }
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->addSection(QString::fromStdString(box->name));
    menu->addAction(tr("Parameters..."), this, [this, id] { OpenParameters(id); });
    if (box->hasEditor) {
        menu->addAction(tr("Editor..."), this, [this, id] { OpenEditor(id); });
    }
    menu->addAction(tr("Analyze..."), this, [this, id] { OpenAnalyzer(id); });
    menu->addAction(tr("Record..."), this, [this, id] { OpenStreamer()->ChooseNode(id); });
    AddPresets(*menu, id);
    menu->addSeparator();
    AddFlag(*menu, tr("Mute"), id, MachineEdits::Flag::kMute, box->mute);
    AddFlag(*menu, tr("Solo"), id, MachineEdits::Flag::kSolo, box->solo);
    AddFlag(*menu, tr("Bypass"), id, MachineEdits::Flag::kBypass, box->bypass);
    AddFlag(*menu, tr("Live input"), id, MachineEdits::Flag::kLiveInput, box->liveInput);
    menu->addSeparator();
    menu->addAction(tr("Rename..."), this, [this, id] { StartRename(id); })
        ->setObjectName("rename");
    if (id != Project::kMasterId) {
        menu->addAction(tr("Delete"), this, [this, id] {
            selection_ = {id};
            DeleteSelection();
        });
    }
    return menu;
}

QMenu* MachineView::NewMachineMenu(QPoint at) {
    auto* menu = new QMenu(tr("New machine"), this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const double x = width() > 0 ? static_cast<double>(at.x()) / width() : 0.5;
    const double y = height() > 0 ? static_cast<double>(at.y()) / height() : 0.5;
    FillCatalogueMenu(*menu, application_.GetStudio().Factory().Registry(),
                      [this, x, y](const std::string& name) {
                          const int id = edits_.Create(name, x, y);
                          if (id >= 0) {
                              selection_ = {id};
                          }
                          Report(id >= 0, tr("New %1").arg(QString::fromStdString(name)));
                      });
    menu->addSection(tr("Tools"));
    menu->addAction(tr("Audio streamer..."), this, [this] { OpenStreamer(); });
    menu->addAction(tr("Virtual keyboard..."), this, [this] { OpenKeyboard(); });
    return menu;
}

void MachineView::contextMenuEvent(QContextMenuEvent* event) {
    Refresh();
    QMenu* menu = nullptr;
    if (const MachineBox* box = BoxAt(event->pos())) {
        menu = MachineMenu(box->id);
    } else if (const MachineWire* wire = WireAt(event->pos())) {
        menu = new QMenu(this);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        const int destination = wire->destination;
        const int index = wire->index;
        menu->addAction(tr("Disconnect"), this, [this, destination, index] {
            Report(edits_.Disconnect(destination, index), tr("Disconnected"));
        });
    } else {
        menu = NewMachineMenu(event->pos());
    }
    if (menu != nullptr) {
        menu->popup(event->globalPos());
    }
}

} // namespace tarn
