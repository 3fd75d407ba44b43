#include "gui/SequencerView.h"

#include "base/StudioObserver.h"
#include "editing/SequenceUndoEntry.h"
#include "editing/UndoHistory.h"
#include "engine/CurrentProject.h"
#include "engine/Project.h"
#include "gui/EditingKeys.h"
#include "gui/MainWindow.h"
#include "gui/NodeOrdering.h"
#include "gui/Skin.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <cmath>
#include <utility>

namespace tarn {
namespace {

// Beats shown past the last placement or marker, room to place more.
constexpr int kSpareBeats = 64;
// How near (pixels) a press must be to a marker to take it.
constexpr int kMarkerReach = 5;
// A press that moves less than this is a click.
constexpr int kClickReach = 4;

QColor PatternColour(const Pattern& pattern) {
    const std::uint32_t colour = pattern.Colour(); // 0x00BBGGRR
    return QColor(static_cast<int>(colour & 0xff), static_cast<int>((colour >> 8) & 0xff),
                  static_cast<int>((colour >> 16) & 0xff));
}

SequenceTrack* TrackOf(const Project* project, int nodeId, int track, Node** node = nullptr) {
    Node* found = project != nullptr ? project->GetNode(nodeId) : nullptr;
    if (node != nullptr) {
        *node = found;
    }
    return found != nullptr ? found->SequenceTracks().Get(track) : nullptr;
}

// The last beat any placement of the track fills.
int LastBeat(const SequenceTrack& track) {
    int last = 0;
    for (auto [beat, entry] : track.Entries()) {
        if (!entry->Empty()) {
            last = std::max(last, beat + 1);
        }
    }
    return last;
}

} // namespace

SequencerView::SequencerView(CurrentProject& current, UndoHistory& history, const Skin& skin,
                             QWidget* parent)
    : QAbstractScrollArea(parent), current_(current), history_(history), skin_(skin) {
    setObjectName("Sequencer");
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setMouseTracking(false);
    Reload();
}

void SequencerView::Reload() {
    rows_.clear();
    lastBeat_ = 0;
    {
        ProjectLock hold(current_);
        const Project* project = current_.Get();
        if (project != nullptr) {
            const SongTransport& transport = project->Transport();
            lastBeat_ = static_cast<int>(std::ceil(std::max(transport.songEnd, transport.loopEnd)));
            for (const int id : OrderedNodeIds(*project)) {
                const Node* node = project->GetNode(id);
                if (node == nullptr) {
                    continue;
                }
                if (node->SequenceTracks().Count() == 0) {
                    rows_.push_back({id, 0, node->Name()});
                }
                for (auto [index, track] : node->SequenceTracks()) {
                    rows_.push_back({id, index, node->Name() + " " + std::to_string(index)});
                    lastBeat_ = std::max(lastBeat_, LastBeat(*track));
                }
            }
        }
    }
    UpdateScrollBars();
    viewport()->update();
}

void SequencerView::UpdateScrollBars() {
    const int width = viewport()->width() - kHeaderWidth;
    horizontalScrollBar()->setRange(0, std::max(0, (lastBeat_ + kSpareBeats) * kBeatWidth - width));
    horizontalScrollBar()->setPageStep(width);
    horizontalScrollBar()->setSingleStep(kBeatWidth);
    const int height = viewport()->height() - kRulerHeight;
    verticalScrollBar()->setRange(0, std::max(0, RowCount() * kRowHeight - height));
    verticalScrollBar()->setPageStep(height);
    verticalScrollBar()->setSingleStep(kRowHeight);
}

QPoint SequencerView::PointOf(int row, double beat) const {
    return QPoint(kHeaderWidth + static_cast<int>(std::lround(beat * kBeatWidth)) -
                      horizontalScrollBar()->value(),
                  kRulerHeight + row * kRowHeight + kRowHeight / 2 - verticalScrollBar()->value());
}

int SequencerView::BeatAt(int x) const {
    return static_cast<int>(std::floor(
        static_cast<double>(x - kHeaderWidth + horizontalScrollBar()->value()) / kBeatWidth));
}

int SequencerView::RowAt(int y) const {
    if (y < kRulerHeight) {
        return -1;
    }
    const int row = (y - kRulerHeight + verticalScrollBar()->value()) / kRowHeight;
    return row < RowCount() ? row : -1;
}

std::optional<int> SequencerView::PlacementStart(int row, int beat) const {
    if (row < 0 || beat < 0) {
        return std::nullopt;
    }
    ProjectLock hold(current_);
    const Row& shown = rows_[static_cast<std::size_t>(row)];
    const SequenceTrack* track = TrackOf(current_.Get(), shown.nodeId, shown.track);
    const SequenceEntry* entry = track != nullptr ? track->Entry(beat) : nullptr;
    if (entry == nullptr || entry->Empty()) {
        return std::nullopt;
    }
    return beat - entry->beat;
}

void SequencerView::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(viewport());
    const QRect area = viewport()->rect();
    painter.fillRect(area, skin_.window);
    const int firstBeat = std::max(0, BeatAt(kHeaderWidth));
    const int endBeat = BeatAt(area.width()) + 1;
    const int scrolled = verticalScrollBar()->value();
    {
        ProjectLock hold(current_);
        const Project* project = current_.Get();
        // Beat lines, every fourth one stronger.
        for (int beat = firstBeat; beat <= endBeat; ++beat) {
            const int x = PointOf(0, beat).x();
            painter.setPen(beat % 4 == 0 ? skin_.beatLines : skin_.gridLines);
            painter.drawLine(x, kRulerHeight, x, area.height());
        }
        for (std::size_t row = 0; row < rows_.size(); ++row) {
            const int top = kRulerHeight + static_cast<int>(row) * kRowHeight - scrolled;
            if (top + kRowHeight < kRulerHeight || top > area.height()) {
                continue;
            }
            painter.setPen(skin_.gridLines);
            painter.drawLine(kHeaderWidth, top + kRowHeight, area.width(), top + kRowHeight);
            Node* node = nullptr;
            const SequenceTrack* track =
                TrackOf(project, rows_[row].nodeId, rows_[row].track, &node);
            if (track != nullptr) {
                DrawRow(painter, *node, *track, top, firstBeat, endBeat);
            }
        }
        if (project != nullptr) {
            DrawRuler(painter, firstBeat, endBeat);
        }
    }
    if (drag_ == Drag::kRectangle) {
        QColor shade = skin_.highlight;
        shade.setAlpha(60);
        painter.fillRect(QRect(pressPoint_, dragPoint_).normalized(), shade);
    }
    if (playPosition_ >= 0.0) {
        const int x = PointOf(0, playPosition_).x();
        if (x >= kHeaderWidth) {
            painter.setPen(QPen(skin_.highlight, 2));
            painter.drawLine(x, 0, x, area.height());
        }
    }
    // The row titles stay in place while the beats scroll.
    painter.fillRect(QRect(0, kRulerHeight, kHeaderWidth, area.height()), skin_.panel);
    painter.setPen(skin_.text);
    for (std::size_t row = 0; row < rows_.size(); ++row) {
        const int top = kRulerHeight + static_cast<int>(row) * kRowHeight - scrolled;
        if (top >= kRulerHeight - kRowHeight && top <= area.height()) {
            painter.drawText(QRect(6, top, kHeaderWidth - 12, kRowHeight),
                             Qt::AlignLeft | Qt::AlignVCenter,
                             QString::fromStdString(rows_[row].title));
        }
    }
}

void SequencerView::DrawRow(QPainter& painter, const Node& node, const SequenceTrack& track,
                            int top, int firstBeat, int endBeat) const {
    // A placement scrolled partly out of sight is drawn from its start.
    int beat = firstBeat;
    if (const SequenceEntry* entry = track.Entry(beat); entry != nullptr && !entry->Empty()) {
        beat -= entry->beat;
    }
    while (beat <= endBeat) {
        const SequenceEntry* start = track.Entry(beat);
        if (start == nullptr || !start->StartsPlacement()) {
            ++beat;
            continue;
        }
        int end = beat + 1;
        for (const SequenceEntry* next = track.Entry(end);
             next != nullptr && !next->Empty() && next->beat == end - beat;
             next = track.Entry(++end)) {
        }
        const Pattern* pattern = node.Patterns().Get(start->patternNumber);
        const QRect block(QPoint(PointOf(0, beat).x() + 1, top + 2),
                          QPoint(PointOf(0, end).x() - 1, top + kRowHeight - 2));
        painter.fillRect(block, pattern != nullptr ? PatternColour(*pattern) : skin_.dimText);
        painter.setPen(start->selected != 0 ? QPen(skin_.highlight, 2) : QPen(skin_.window, 1));
        painter.drawRect(block);
        QString name = pattern != nullptr ? QString::fromStdString(pattern->name)
                                          : QString::number(start->patternNumber);
        if (start->transpose != 0.0) {
            name += QStringLiteral(" %1%2")
                        .arg(start->transpose > 0.0 ? "+" : "")
                        .arg(start->transpose);
        }
        painter.setPen(Qt::black);
        painter.drawText(block.adjusted(4, 0, -2, 0), Qt::AlignLeft | Qt::AlignVCenter, name);
        beat = end;
    }
}

void SequencerView::DrawRuler(QPainter& painter, int firstBeat, int endBeat) const {
    const SongTransport& transport = current_.Get()->Transport();
    const QRect ruler(kHeaderWidth, 0, viewport()->width() - kHeaderWidth, kRulerHeight);
    painter.fillRect(QRect(0, 0, viewport()->width(), kRulerHeight), skin_.panel);
    QColor loop = skin_.highlight;
    loop.setAlpha(transport.LoopActive() ? 110 : 55);
    painter.fillRect(QRect(QPoint(PointOf(0, transport.loopStart).x(), kRulerHeight / 2),
                           QPoint(PointOf(0, transport.loopEnd).x(), kRulerHeight - 1))
                         .intersected(ruler),
                     loop);
    painter.setPen(skin_.dimText);
    for (int beat = firstBeat - firstBeat % 4; beat <= endBeat; beat += 4) {
        const int x = PointOf(0, beat).x();
        if (x >= kHeaderWidth) {
            painter.drawLine(x, kRulerHeight / 2, x, kRulerHeight);
            painter.drawText(x + 2, kRulerHeight / 2 - 1, QString::number(beat));
        }
    }
    // Song markers on the upper half, loop markers on the lower.
    const auto marker = [&](double beat, bool upper, const QColor& colour) {
        const int x = PointOf(0, beat).x();
        if (x < kHeaderWidth) {
            return;
        }
        const int y = upper ? 0 : kRulerHeight / 2;
        painter.fillRect(QRect(x - 2, y, 4, kRulerHeight / 2), colour);
    };
    marker(transport.songStart, true, skin_.meter);
    marker(transport.songEnd, true, skin_.meterHot);
    marker(transport.loopStart, false, skin_.highlight);
    marker(transport.loopEnd, false, skin_.highlight);
}

bool SequencerView::event(QEvent* event) {
    return ClaimEditingKeys(event) || QAbstractScrollArea::event(event);
}

void SequencerView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
}

void SequencerView::scrollContentsBy(int /*dx*/, int /*dy*/) {
    viewport()->update();
}

void SequencerView::RefreshPlayPosition() {
    double position = -1.0;
    {
        ProjectLock hold(current_);
        const Project* project = current_.Get();
        if (project != nullptr && project->Transport().Playing()) {
            position = project->Transport().position;
        }
    }
    if (position != playPosition_) {
        playPosition_ = position;
        viewport()->update();
    }
}

std::optional<int> SequencerView::MarkerAt(int x) const {
    ProjectLock hold(current_);
    const Project* project = current_.Get();
    if (project == nullptr) {
        return std::nullopt;
    }
    const SongTransport& transport = project->Transport();
    // The loop markers first: they are the ones moved most.
    const std::pair<int, double> markers[] = {{kLoopEnd, transport.loopEnd},
                                              {kLoopStart, transport.loopStart},
                                              {kSongEnd, transport.songEnd},
                                              {kSongStart, transport.songStart}};
    for (const auto& [marker, beat] : markers) {
        if (std::abs(PointOf(0, beat).x() - x) <= kMarkerReach) {
            return marker;
        }
    }
    return std::nullopt;
}

template <typename Change> void SequencerView::ChangeTransport(Change change) {
    {
        ProjectLock hold(current_);
        Project* project = current_.Get();
        if (project == nullptr) {
            return;
        }
        change(project->Transport());
    }
    history_.MarkChanged();
    viewport()->update();
}

void SequencerView::SetMarker(int marker, int beat) {
    // Each range keeps at least one beat.
    ChangeTransport([&](SongTransport& transport) {
        switch (marker) {
        case kSongStart:
            transport.songStart = std::clamp(beat, 0, static_cast<int>(transport.songEnd) - 1);
            break;
        case kSongEnd:
            transport.songEnd = std::max(beat, static_cast<int>(transport.songStart) + 1);
            break;
        case kLoopStart:
            transport.loopStart = std::clamp(beat, 0, static_cast<int>(transport.loopEnd) - 1);
            break;
        default:
            transport.loopEnd = std::max(beat, static_cast<int>(transport.loopStart) + 1);
            break;
        }
    });
    if (beat > lastBeat_) {
        lastBeat_ = beat;
        UpdateScrollBars();
    }
}

template <typename Edit> void SequencerView::EditTracks(const char* name, Edit edit) {
    std::unique_ptr<SequenceUndoEntry> entry;
    {
        ProjectLock hold(current_);
        const Project* project = current_.Get();
        if (project == nullptr) {
            return;
        }
        if (name != nullptr) {
            entry = std::make_unique<SequenceUndoEntry>(name, *project);
        }
        for (std::size_t row = 0; row < rows_.size(); ++row) {
            if (SequenceTrack* track = TrackOf(project, rows_[row].nodeId, rows_[row].track)) {
                edit(static_cast<int>(row), *track);
            }
        }
    }
    if (entry != nullptr) {
        history_.Push(std::move(entry));
    }
    Reload();
}

void SequencerView::Place(int row, int beat) {
    const Row& shown = rows_[static_cast<std::size_t>(row)];
    {
        ProjectLock hold(current_);
        const Project* project = current_.Get();
        Node* node = project != nullptr ? project->GetNode(shown.nodeId) : nullptr;
        if (node == nullptr || node->Patterns().Get(node->Editor().currentPattern) == nullptr) {
            return;
        }
        auto entry = std::make_unique<SequenceUndoEntry>("Place pattern", *project);
        if (node->SequenceTracks().Create(shown.track) == 0 ||
            node->SequenceTracks()
                    .Get(shown.track)
                    ->PlacePattern(beat, node->Editor().currentPattern) == 0) {
            return;
        }
        history_.Push(std::move(entry));
    }
    Reload();
}

void SequencerView::SelectRectangle(const QPoint& from, const QPoint& to) {
    const QRect rectangle = QRect(from, to).normalized();
    const int firstRow = RowAt(std::max(rectangle.top(), kRulerHeight));
    const int lastRow = RowAt(rectangle.bottom()) < 0 ? RowCount() - 1 : RowAt(rectangle.bottom());
    const int firstBeat = std::max(0, BeatAt(rectangle.left()));
    const int endBeat = BeatAt(rectangle.right()) + 1;
    EditTracks(nullptr, [&](int row, SequenceTrack& track) {
        const bool inside = row >= firstRow && row <= lastRow;
        track.SelectRange(inside ? firstBeat : 0, inside ? endBeat : 0);
    });
}

void SequencerView::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    if (event->button() != Qt::LeftButton) {
        return;
    }
    pressPoint_ = dragPoint_ = event->position().toPoint();
    const int beat = BeatAt(pressPoint_.x());
    if (pressPoint_.x() < kHeaderWidth) {
        return;
    }
    if (pressPoint_.y() < kRulerHeight) {
        if (const std::optional<int> marker = MarkerAt(pressPoint_.x())) {
            drag_ = Drag::kMarker;
            dragMarker_ = *marker;
        } else {
            drag_ = Drag::kLoop;
            DragRuler(pressPoint_);
        }
        return;
    }
    const int row = RowAt(pressPoint_.y());
    const std::optional<int> start = PlacementStart(row, beat);
    if (!start) {
        drag_ = Drag::kRectangle;
        return;
    }
    drag_ = Drag::kMove;
    // A press on an unselected placement selects it alone; one on a
    // selected placement keeps the selection, to drag all of it.
    bool selected = false;
    {
        ProjectLock hold(current_);
        const Row& shown = rows_[static_cast<std::size_t>(row)];
        const SequenceTrack* track = TrackOf(current_.Get(), shown.nodeId, shown.track);
        selected = track != nullptr && track->Entry(*start)->selected != 0;
    }
    if (!selected) {
        EditTracks(nullptr, [&](int index, SequenceTrack& track) {
            track.SelectRange(index == row ? *start : 0, index == row ? *start + 1 : 0);
        });
    }
}

void SequencerView::DragRuler(const QPoint& point) {
    const int beat = std::max(0, BeatAt(point.x()));
    if (drag_ == Drag::kMarker) {
        SetMarker(dragMarker_, beat);
    } else if (drag_ == Drag::kLoop) {
        const int from = std::max(0, BeatAt(pressPoint_.x()));
        ChangeTransport([&](SongTransport& transport) {
            transport.loopStart = std::min(from, beat);
            transport.loopEnd = std::max(from, beat) + 1;
        });
    }
}

void SequencerView::mouseMoveEvent(QMouseEvent* event) {
    dragPoint_ = event->position().toPoint();
    DragRuler(dragPoint_);
    viewport()->update();
}

void SequencerView::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint point = event->position().toPoint();
    DragRuler(point);
    const Drag drag = std::exchange(drag_, Drag::kNone);
    const bool click = (point - pressPoint_).manhattanLength() < kClickReach;
    if (drag == Drag::kRectangle) {
        const int row = RowAt(pressPoint_.y());
        if (click && row >= 0) {
            Place(row, BeatAt(pressPoint_.x()));
        } else {
            SelectRectangle(pressPoint_, point);
        }
    } else if (drag == Drag::kMove) {
        const int offset = BeatAt(point.x()) - BeatAt(pressPoint_.x());
        const bool copy = (event->modifiers() & Qt::ControlModifier) != 0;
        if (offset != 0) {
            EditTracks(copy ? "Copy placements" : "Move placements",
                       [&](int, SequenceTrack& track) {
                           copy ? track.CopySelected(offset) : track.MoveSelected(offset);
                       });
        }
    }
    viewport()->update();
}

void SequencerView::mouseDoubleClickEvent(QMouseEvent* event) {
    const QPoint point = event->position().toPoint();
    OpenPattern(RowAt(point.y()), BeatAt(point.x()));
}

void SequencerView::OpenPattern(int row, int beat) {
    const std::optional<int> start = PlacementStart(row, beat);
    if (!start) {
        return;
    }
    {
        ProjectLock hold(current_);
        Project* project = current_.Get();
        const Row& shown = rows_[static_cast<std::size_t>(row)];
        Node* node = nullptr;
        const SequenceTrack* track = TrackOf(project, shown.nodeId, shown.track, &node);
        if (track == nullptr) {
            return;
        }
        project->editedNodeId = shown.nodeId;
        node->Editor().currentPattern = track->Entry(*start)->patternNumber;
    }
    NotifyStudio(kNoticeSwitchMainView, MainWindow::kPatternView);
}

void SequencerView::DeleteSelected() {
    EditTracks("Delete placements", [](int, SequenceTrack& track) { track.DeleteSelected(); });
}

void SequencerView::TransposeSelected(double amount) {
    EditTracks("Transpose placements",
               [amount](int, SequenceTrack& track) { track.TransposeSelected(amount); });
}

void SequencerView::DuplicateSelected(bool asNewPatterns) {
    // The copies go right after the whole selection, all tracks together.
    int first = -1;
    int end = -1;
    {
        ProjectLock hold(current_);
        const Project* project = current_.Get();
        for (const Row& row : rows_) {
            const SequenceTrack* track = TrackOf(project, row.nodeId, row.track);
            if (track == nullptr) {
                continue;
            }
            for (auto [beat, entry] : track->Entries()) {
                if (entry->selected != 0 && entry->StartsPlacement()) {
                    const Pattern* pattern = track->Patterns().Get(entry->patternNumber);
                    first = first < 0 ? beat : std::min(first, beat);
                    end = std::max(end, beat + (pattern != nullptr ? pattern->Length() : 1));
                }
            }
        }
    }
    if (first < 0) {
        return;
    }
    EditTracks(asNewPatterns ? "Copy as new patterns" : "Copy placements",
               [&](int, SequenceTrack& track) {
                   asNewPatterns ? track.CopySelectedAsNewPatterns(end - first)
                                 : track.CopySelected(end - first);
               });
}

void SequencerView::keyPressEvent(QKeyEvent* event) {
    const bool control = (event->modifiers() & Qt::ControlModifier) != 0;
    const bool shift = (event->modifiers() & Qt::ShiftModifier) != 0;
    switch (event->key()) {
    case Qt::Key_Delete:
        DeleteSelected();
        break;
    case Qt::Key_Plus:
        TransposeSelected(shift && control ? 12.0 : 1.0);
        break;
    case Qt::Key_Minus:
        TransposeSelected(shift && control ? -12.0 : -1.0);
        break;
    case Qt::Key_D:
        if (!control) {
            QAbstractScrollArea::keyPressEvent(event);
            return;
        }
        DuplicateSelected(shift);
        break;
    default:
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
}

void SequencerView::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    menu.addAction(tr("Copy after selection"), this, [this] { DuplicateSelected(false); });
    menu.addAction(tr("Copy as new patterns"), this, [this] { DuplicateSelected(true); });
    menu.addAction(tr("Transpose up"), this, [this] { TransposeSelected(1.0); });
    menu.addAction(tr("Transpose down"), this, [this] { TransposeSelected(-1.0); });
    menu.addAction(tr("Transpose octave up"), this, [this] { TransposeSelected(12.0); });
    menu.addAction(tr("Transpose octave down"), this, [this] { TransposeSelected(-12.0); });
    menu.addSeparator();
    menu.addAction(tr("Delete"), this, [this] { DeleteSelected(); });
    menu.exec(event->globalPos());
}

} // namespace tarn
