#include "gui/PianoRollView.h"

#include "gui/EditedPattern.h"
#include "gui/EditingKeys.h"
#include "gui/NoteText.h"
#include "gui/Skin.h"

#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <cmath>
#include <utility>

namespace tarn {
namespace {

// How near (pixels) to a bar's right end a press resizes it.
constexpr int kResizeReach = 4;
// The note shown in the middle when the roll first opens.
constexpr int kMiddleNote = 54;

bool IsBlackKey(int note) {
    const int key = note % 12;
    return key == 1 || key == 3 || key == 6 || key == 8 || key == 10;
}

} // namespace

PianoRollView::PianoRollView(PatternEditor& editor, CurrentProject& current, const Skin& skin,
                             QWidget* parent)
    : QAbstractScrollArea(parent), editor_(editor), current_(current), skin_(skin) {
    setObjectName("PianoRoll");
    setFocusPolicy(Qt::StrongFocus);
    Reload();
}

void PianoRollView::ScrollToNote(int note) {
    verticalScrollBar()->setValue((kNoteCount - 1 - note) * kNoteHeight -
                                  (viewport()->height() - kVelocityHeight) / 2);
}

void PianoRollView::Reload() {
    // The track under the grid's cursor, or the first note column.
    const std::vector<GridColumn> columns = editor_.Columns();
    column_ = -1;
    shown_.reset();
    const int cursor = editor_.CursorColumn();
    for (int c = 0; c < static_cast<int>(columns.size()); ++c) {
        const GridColumn& column = columns[static_cast<std::size_t>(c)];
        if (column.type == kTypeNote && column.sub == GridColumn::kValue &&
            (column_ < 0 || (cursor >= c && cursor <= c + GridColumn::kVelocity))) {
            column_ = c;
            shown_ = column;
        }
    }
    rows_ = editor_.RowCount();
    {
        ProjectLock hold(current_);
        const Pattern* pattern = EditedPattern(current_, editor_);
        ticksPerBeat_ = pattern != nullptr ? std::max(1, pattern->TicksPerBeat()) : 1;
    }
    UpdateScrollBars();
    viewport()->update();
}

void PianoRollView::UpdateScrollBars() {
    const int width = viewport()->width() - kKeyboardWidth;
    horizontalScrollBar()->setRange(0, std::max(0, rows_ * kRowWidth - width));
    horizontalScrollBar()->setPageStep(width);
    const int height = viewport()->height() - kVelocityHeight;
    verticalScrollBar()->setRange(0, std::max(0, kNoteCount * kNoteHeight - height));
    verticalScrollBar()->setPageStep(height);
    verticalScrollBar()->setSingleStep(kNoteHeight);
}

int PianoRollView::LaneTop() const {
    return viewport()->height() - kVelocityHeight;
}

QPoint PianoRollView::PointOf(int row, int note) const {
    return QPoint(kKeyboardWidth + row * kRowWidth + kRowWidth / 2 - horizontalScrollBar()->value(),
                  (kNoteCount - 1 - note) * kNoteHeight + kNoteHeight / 2 -
                      verticalScrollBar()->value());
}

QPoint PianoRollView::VelocityPoint(int row, double velocity) const {
    return QPoint(PointOf(row, 0).x(),
                  LaneTop() + static_cast<int>(std::lround((1.0 - velocity) * kVelocityHeight)));
}

int PianoRollView::RowAt(int x) const {
    return static_cast<int>(std::floor(
        static_cast<double>(x - kKeyboardWidth + horizontalScrollBar()->value()) / kRowWidth));
}

int PianoRollView::PitchAt(int y) const {
    return kNoteCount - 1 - (y + verticalScrollBar()->value()) / kNoteHeight;
}

std::vector<PianoRollView::Note> PianoRollView::Notes() const {
    std::vector<Note> notes;
    if (!shown_) {
        return notes;
    }
    ProjectLock hold(current_);
    const Pattern* pattern = EditedPattern(current_, editor_);
    const Pattern::BeatLists* beats =
        pattern != nullptr ? pattern->Events(shown_->group, shown_->track, shown_->index) : nullptr;
    if (beats == nullptr) {
        return notes;
    }
    for (const auto& [beat, list] : *beats) {
        for (const Pattern::Record& record : list) {
            const EventRecord& event = record->event;
            Note note;
            note.row = static_cast<int>(std::floor((beat + event.time) * ticksPerBeat_ + 0.5));
            note.length = event.noteLength;
            note.rows =
                std::max(1, static_cast<int>(std::lround(event.noteLength * ticksPerBeat_)));
            note.pitch = static_cast<int>(event.value);
            note.velocity = event.velocity;
            notes.push_back(note);
        }
    }
    return notes;
}

std::optional<PianoRollView::Note> PianoRollView::NoteAt(const QPoint& point) const {
    const int row = RowAt(point.x());
    const int pitch = PitchAt(point.y());
    for (const Note& note : Notes()) {
        if (note.pitch == pitch && row >= note.row && row < note.row + note.rows) {
            return note;
        }
    }
    return std::nullopt;
}

void PianoRollView::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(viewport());
    const QRect area = viewport()->rect();
    const int laneTop = LaneTop();
    painter.fillRect(area, skin_.window);
    const int top = verticalScrollBar()->value();
    const int highest = std::min(kNoteCount - 1, PitchAt(0));
    const int lowest = std::max(0, PitchAt(laneTop));
    // Black keys' lanes a shade darker, a line at every C.
    for (int note = lowest; note <= highest; ++note) {
        const int y = (kNoteCount - 1 - note) * kNoteHeight - top;
        if (IsBlackKey(note)) {
            painter.fillRect(QRect(kKeyboardWidth, y, area.width(), kNoteHeight), skin_.panel);
        }
        if (note % 12 == 0) {
            painter.setPen(skin_.beatLines);
            painter.drawLine(kKeyboardWidth, y + kNoteHeight, area.width(), y + kNoteHeight);
        }
    }
    const int firstRow = std::max(0, RowAt(kKeyboardWidth));
    const int endRow = std::min(rows_, RowAt(area.width()) + 1);
    for (int row = firstRow; row <= endRow; ++row) {
        const int x = PointOf(row, 0).x() - kRowWidth / 2;
        painter.setPen(row % ticksPerBeat_ == 0 ? skin_.beatLines : skin_.gridLines);
        painter.drawLine(x, 0, x, laneTop);
    }
    const PatternEditor::Selection selection = editor_.CurrentSelection();
    const bool columnSelected = selection.firstColumn <= column_ && column_ < selection.endColumn;
    const std::vector<Note> notes = Notes();
    painter.setClipRect(QRect(kKeyboardWidth, 0, area.width(), laneTop));
    for (const Note& note : notes) {
        const QPoint at = PointOf(note.row, note.pitch);
        const QRect bar(at.x() - kRowWidth / 2, at.y() - kNoteHeight / 2, note.rows * kRowWidth,
                        kNoteHeight);
        const bool selected =
            columnSelected && note.row >= selection.firstRow && note.row < selection.endRow;
        painter.fillRect(bar.adjusted(0, 1, -1, -1), skin_.generator);
        painter.setPen(selected ? QPen(skin_.highlight, 2) : QPen(skin_.window, 1));
        painter.drawRect(bar.adjusted(0, 1, -1, -1));
    }
    if (drag_ == Drag::kDraw || drag_ == Drag::kSelect) {
        QColor shade = skin_.highlight;
        shade.setAlpha(80);
        painter.fillRect(QRect(pressPoint_, dragPoint_).normalized(), shade);
    }
    painter.setClipping(false);
    // The velocity lane.
    painter.fillRect(QRect(0, laneTop, area.width(), kVelocityHeight), skin_.panel);
    painter.setPen(skin_.beatLines);
    painter.drawLine(0, laneTop, area.width(), laneTop);
    for (const Note& note : notes) {
        const QPoint at = VelocityPoint(note.row, note.velocity);
        painter.fillRect(QRect(QPoint(at.x() - 2, at.y()), QPoint(at.x() + 2, area.height())),
                         skin_.meter);
    }
    // The keyboard.
    for (int note = lowest; note <= highest; ++note) {
        const int y = (kNoteCount - 1 - note) * kNoteHeight - top;
        const QRect key(0, y, kKeyboardWidth, kNoteHeight);
        painter.fillRect(key, IsBlackKey(note) ? QColor(Qt::black) : QColor(Qt::white));
        if (note % 12 == 0) {
            painter.setPen(Qt::black);
            painter.drawText(key.adjusted(2, -2, 0, 2), Qt::AlignLeft | Qt::AlignVCenter,
                             QString::fromStdString(NoteText(note)));
        }
    }
    painter.fillRect(QRect(0, laneTop, kKeyboardWidth, kVelocityHeight), skin_.panel);
}

bool PianoRollView::event(QEvent* event) {
    return ClaimEditingKeys(event) || QAbstractScrollArea::event(event);
}

void PianoRollView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
    if (!centred_ && viewport()->height() > kVelocityHeight) {
        centred_ = true;
        ScrollToNote(kMiddleNote);
    }
}

void PianoRollView::scrollContentsBy(int /*dx*/, int /*dy*/) {
    viewport()->update();
}

void PianoRollView::SelectRows(int first, int end) {
    editor_.Select({std::max(0, first), std::min(rows_, end), column_, column_ + 1});
}

void PianoRollView::SetVelocity(const QPoint& point) {
    const int row = RowAt(point.x());
    for (const Note& note : Notes()) {
        if (note.row == row) {
            editor_.SetCursor(column_, note.row);
            editor_.EnterNote(note.pitch, note.length,
                              1.0 - static_cast<double>(point.y() - LaneTop()) / kVelocityHeight);
            return;
        }
    }
}

void PianoRollView::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    pressPoint_ = dragPoint_ = event->position().toPoint();
    if (column_ < 0 || pressPoint_.x() < kKeyboardWidth) {
        return;
    }
    if (pressPoint_.y() >= LaneTop()) {
        drag_ = Drag::kVelocity;
        SetVelocity(pressPoint_);
        return;
    }
    const std::optional<Note> note = NoteAt(pressPoint_);
    if (event->button() == Qt::RightButton) {
        if (note) {
            editor_.SetCursor(column_, note->row);
            editor_.ClearSelection();
            editor_.DeleteEvent();
        }
        return;
    }
    if (event->button() != Qt::LeftButton) {
        return;
    }
    if (!note) {
        drag_ = (event->modifiers() & Qt::ShiftModifier) != 0 ? Drag::kSelect : Drag::kDraw;
        return;
    }
    pressed_ = *note;
    const int barEnd = PointOf(note->row + note->rows, 0).x() - kRowWidth / 2;
    if (barEnd - pressPoint_.x() <= kResizeReach) {
        drag_ = Drag::kResize;
        return;
    }
    drag_ = Drag::kMove;
    // A bar outside the selection is selected alone.
    const PatternEditor::Selection selection = editor_.CurrentSelection();
    if (!(selection.firstColumn <= column_ && column_ < selection.endColumn &&
          note->row >= selection.firstRow && note->row < selection.endRow)) {
        SelectRows(note->row, note->row + 1);
    }
    viewport()->update();
}

void PianoRollView::mouseMoveEvent(QMouseEvent* event) {
    dragPoint_ = event->position().toPoint();
    if (drag_ == Drag::kVelocity) {
        SetVelocity(dragPoint_);
    }
    viewport()->update();
}

void PianoRollView::mouseReleaseEvent(QMouseEvent* event) {
    const Drag drag = std::exchange(drag_, Drag::kNone);
    const QPoint point = event->position().toPoint();
    const int firstRow = RowAt(pressPoint_.x());
    switch (drag) {
    case Drag::kDraw: {
        const int pitch = PitchAt(pressPoint_.y());
        const int rows = std::max(1, RowAt(point.x()) - firstRow + 1);
        if (firstRow >= 0 && firstRow < rows_ && pitch >= 0 && pitch < kNoteCount) {
            editor_.ClearSelection();
            editor_.SetCursor(column_, firstRow);
            editor_.EnterNote(pitch, static_cast<double>(rows) / ticksPerBeat_, 1.0);
        }
        break;
    }
    case Drag::kResize: {
        const int rows = std::max(1, RowAt(point.x()) - pressed_.row + 1);
        editor_.SetCursor(column_, pressed_.row);
        editor_.EnterNote(pressed_.pitch, static_cast<double>(rows) / ticksPerBeat_,
                          pressed_.velocity);
        break;
    }
    case Drag::kMove: {
        const int rows = RowAt(point.x()) - firstRow;
        const int semitones = PitchAt(point.y()) - PitchAt(pressPoint_.y());
        if (rows != 0 || semitones != 0) {
            editor_.MoveEvents(rows, semitones);
            // The moved notes stay selected.
            const PatternEditor::Selection moved = editor_.CurrentSelection();
            SelectRows(moved.firstRow + rows, moved.endRow + rows);
        }
        break;
    }
    case Drag::kSelect:
        SelectRows(std::min(firstRow, RowAt(point.x())), std::max(firstRow, RowAt(point.x())) + 1);
        break;
    default:
        break;
    }
    viewport()->update();
}

void PianoRollView::keyPressEvent(QKeyEvent* event) {
    const bool octave = (event->modifiers() & Qt::ShiftModifier) != 0;
    if (event->matches(QKeySequence::SelectAll)) {
        SelectRows(0, rows_);
    } else if (event->key() == Qt::Key_Up) {
        octave ? editor_.TransposeOctaveUp() : editor_.TransposeUp();
    } else if (event->key() == Qt::Key_Down) {
        octave ? editor_.TransposeOctaveDown() : editor_.TransposeDown();
    } else if (event->key() == Qt::Key_Delete) {
        editor_.DeleteEvents();
    } else {
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    viewport()->update();
}

} // namespace tarn
