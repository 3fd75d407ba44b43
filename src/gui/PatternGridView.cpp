#include "gui/PatternGridView.h"

#include "audio/KeyboardNotes.h"
#include "editing/CellDisplay.h"
#include "editing/PatternEditor.h"
#include "engine/CurrentProject.h"
#include "engine/Project.h"
#include "gui/EditedPattern.h"
#include "gui/EditingKeys.h"
#include "gui/KeyboardHook.h"
#include "gui/NoteText.h"
#include "gui/Skin.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <cctype>
#include <cmath>

namespace tarn {
namespace {

constexpr int kCellPadding = 8;
constexpr int kMaxTitleCharacters = 10;
constexpr int kHighestNote = 127;

bool IsNoteColumn(const GridColumn& column) {
    return column.type == kTypeNote && column.sub == GridColumn::kValue;
}

std::string CellString(const GridColumn& column, int mode, double value) {
    return IsNoteColumn(column) ? NoteText(static_cast<int>(value))
                                : cell_display::Text(column, mode, value);
}

} // namespace

PatternGridView::PatternGridView(PatternEditor& editor, CurrentProject& current, const Skin& skin,
                                 QWidget* parent)
    : QAbstractScrollArea(parent), editor_(editor), current_(current), skin_(skin) {
    setObjectName("PatternGrid");
    setFocusPolicy(Qt::StrongFocus);
    // The note keys write notes here rather than play them.
    KeyboardHook::WritesNotes(*this);
    QFont font = skin.font;
    font.setFamily("Monospace");
    font.setStyleHint(QFont::TypeWriter);
    viewport()->setFont(font);
    setFont(font);
    const QFontMetrics metrics(font);
    rowHeight_ = metrics.height() + 2;
    headerHeight_ = 2 * rowHeight_ + 2;
    rowNumberWidth_ = metrics.horizontalAdvance("0000") + kCellPadding;
    Reload();
}

void PatternGridView::Reload() {
    columns_ = editor_.Columns();
    rows_ = editor_.RowCount();
    modes_.clear();
    titles_.clear();
    widths_.clear();
    {
        ProjectLock hold(current_);
        const Node* node = nullptr;
        const Pattern* pattern = EditedPattern(current_, editor_, &node);
        ticksPerBeat_ = pattern != nullptr ? std::max(1, pattern->TicksPerBeat()) : 1;
        for (const GridColumn& column : columns_) {
            const ParameterDescriptor* descriptor =
                node != nullptr ? node->FindParameter(column.group, column.index) : nullptr;
            std::string title = column.sub == GridColumn::kNoteLength ? "Len"
                                : column.sub == GridColumn::kVelocity ? "Vel"
                                : descriptor != nullptr               ? descriptor->name
                                                                      : "?";
            titles_.push_back(title.substr(0, kMaxTitleCharacters));
        }
    }
    const QFontMetrics metrics(viewport()->font());
    for (std::size_t c = 0; c < columns_.size(); ++c) {
        const GridColumn& column = columns_[c];
        const int mode = editor_.DisplayMode(static_cast<int>(c));
        modes_.push_back(mode);
        const int text =
            std::max({metrics.horizontalAdvance(
                          QString::fromStdString(CellString(column, mode, column.minimum))),
                      metrics.horizontalAdvance(
                          QString::fromStdString(CellString(column, mode, column.maximum))),
                      metrics.horizontalAdvance(QString::fromStdString(titles_[c])),
                      metrics.horizontalAdvance("000")});
        widths_.push_back(text + kCellPadding);
    }
    const int lastColumn = std::max(0, static_cast<int>(columns_.size()) - 1);
    editor_.SetCursor(std::clamp(editor_.CursorColumn(), 0, lastColumn),
                      std::clamp(editor_.CursorRow(), 0, std::max(0, rows_ - 1)));
    UpdateScrollBars();
    viewport()->update();
}

void PatternGridView::SetOctave(int octave) {
    octave_ = std::clamp(octave, 0, kMaxOctave);
    if (octaveChanged_) {
        octaveChanged_(octave_);
    }
}

void PatternGridView::UpdateScrollBars() {
    int total = 0;
    for (const int width : widths_) {
        total += width;
    }
    const int visibleRows = std::max(1, (viewport()->height() - headerHeight_) / rowHeight_);
    verticalScrollBar()->setRange(0, std::max(0, rows_ - visibleRows));
    verticalScrollBar()->setPageStep(visibleRows);
    horizontalScrollBar()->setRange(0,
                                    std::max(0, total - (viewport()->width() - rowNumberWidth_)));
    horizontalScrollBar()->setPageStep(viewport()->width());
}

int PatternGridView::ColumnLeft(int column) const {
    int left = rowNumberWidth_ - horizontalScrollBar()->value();
    for (int c = 0; c < column && c < static_cast<int>(widths_.size()); ++c) {
        left += widths_[static_cast<std::size_t>(c)];
    }
    return left;
}

QRect PatternGridView::CellRect(int column, int row) const {
    const int top = headerHeight_ + (row - verticalScrollBar()->value()) * rowHeight_;
    return QRect(ColumnLeft(column), top, widths_.at(static_cast<std::size_t>(column)), rowHeight_);
}

PatternGridView::Cell PatternGridView::CellAt(const QPoint& point) const {
    Cell cell;
    if (point.y() < headerHeight_ || point.x() < rowNumberWidth_) {
        return cell;
    }
    cell.row = verticalScrollBar()->value() + (point.y() - headerHeight_) / rowHeight_;
    int left = ColumnLeft(0);
    for (std::size_t c = 0; c < widths_.size(); ++c) {
        if (point.x() >= left && point.x() < left + widths_[c]) {
            cell.column = static_cast<int>(c);
        }
        left += widths_[c];
    }
    if (cell.row >= rows_) {
        cell.column = -1;
    }
    return cell;
}

void PatternGridView::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(viewport());
    const QRect area = viewport()->rect();
    painter.fillRect(area, skin_.window);
    const int firstRow = verticalScrollBar()->value();
    const int endRow = std::min(rows_, firstRow + (area.height() - headerHeight_) / rowHeight_ + 1);

    // Row backgrounds and beat lines first, so that cells draw over them.
    for (int row = firstRow; row < endRow; ++row) {
        const int top = headerHeight_ + (row - firstRow) * rowHeight_;
        if (row == playingRow_) {
            painter.fillRect(QRect(0, top, area.width(), rowHeight_), skin_.beatLines);
        }
        painter.setPen(row % ticksPerBeat_ == 0 ? skin_.beatLines : skin_.gridLines);
        painter.drawLine(0, top, area.width(), top);
    }

    // The selection, or the cursor's cell alone.
    const PatternEditor::Selection selection = editor_.CurrentSelection();
    if (anchor_ && !columns_.empty()) {
        const QRect first = CellRect(selection.firstColumn, selection.firstRow);
        const QRect last = CellRect(selection.endColumn - 1, selection.endRow - 1);
        QColor shade = skin_.highlight;
        shade.setAlpha(70);
        painter.fillRect(first.united(last), shade);
    }

    {
        ProjectLock hold(current_);
        const Pattern* pattern = EditedPattern(current_, editor_);
        const int baseline = 1 + painter.fontMetrics().ascent();
        painter.setPen(skin_.text);
        for (std::size_t c = 0; pattern != nullptr && c < columns_.size(); ++c) {
            const int left = ColumnLeft(static_cast<int>(c));
            if (left + widths_[c] < rowNumberWidth_ || left > area.width()) {
                continue;
            }
            const GridColumn& column = columns_[c];
            const Pattern::BeatLists* beats =
                pattern->Events(column.group, column.track, column.index);
            if (beats == nullptr) {
                continue;
            }
            // A row shows the first event within half a row of it.
            int lastDrawn = -1;
            for (auto list = beats->lower_bound(firstRow / ticksPerBeat_ - 1);
                 list != beats->end() && list->first * ticksPerBeat_ <= endRow; ++list) {
                for (const Pattern::Record& record : list->second) {
                    const double at = (list->first + record->event.time) * ticksPerBeat_;
                    const int row = static_cast<int>(std::floor(at + 0.5));
                    if (row < firstRow || row >= endRow || row == lastDrawn) {
                        continue;
                    }
                    lastDrawn = row;
                    // Drawn at a baseline rather than aligned in a box:
                    // the text needs no layout, which is most of a frame.
                    painter.drawText(left + kCellPadding / 2,
                                     headerHeight_ + (row - firstRow) * rowHeight_ + baseline,
                                     QString::fromStdString(CellString(
                                         column, modes_[c], column.Shown(record->event))));
                }
            }
        }
    }

    if (!columns_.empty() && editor_.CursorRow() >= firstRow && editor_.CursorRow() < endRow) {
        const QRect cell = CellRect(editor_.CursorColumn(), editor_.CursorRow());
        painter.setPen(QPen(skin_.highlight, 2));
        painter.drawRect(cell.adjusted(1, 1, -1, -1));
        // The digit a key types comes in at the right: a bar under it.
        const QString shown = QString::fromStdString(CursorText());
        if (!shown.isEmpty()) {
            const QFontMetrics metrics = painter.fontMetrics();
            const int from = cell.left() + kCellPadding / 2 +
                             metrics.horizontalAdvance(shown.left(shown.size() - 1));
            painter.fillRect(
                QRect(from, cell.bottom() - 3, metrics.horizontalAdvance(shown.back()), 2),
                skin_.highlight);
        }
    }

    // Column lines and the headers stay in place while the cells scroll.
    painter.fillRect(QRect(0, 0, area.width(), headerHeight_), skin_.panel);
    for (std::size_t c = 0; c < columns_.size(); ++c) {
        const int left = ColumnLeft(static_cast<int>(c));
        if (left + widths_[c] < rowNumberWidth_ || left > area.width()) {
            continue;
        }
        const GridColumn& column = columns_[c];
        painter.setPen(column.IsSub() ? skin_.gridLines : skin_.beatLines);
        painter.drawLine(left, 0, left, area.height());
        painter.setPen(column.IsSub() ? skin_.dimText : skin_.text);
        painter.drawText(QRect(left, 0, widths_[c], rowHeight_), Qt::AlignCenter,
                         QString::fromStdString(titles_[c]));
        painter.setPen(skin_.dimText);
        painter.drawText(QRect(left, rowHeight_, widths_[c], rowHeight_), Qt::AlignCenter,
                         QString::fromStdString(ColumnTitle(static_cast<int>(c))));
    }
    painter.fillRect(QRect(0, headerHeight_, rowNumberWidth_, area.height()), skin_.panel);
    for (int row = firstRow; row < endRow; ++row) {
        painter.setPen(row % ticksPerBeat_ == 0 ? skin_.text : skin_.dimText);
        painter.drawText(QRect(0, headerHeight_ + (row - firstRow) * rowHeight_,
                               rowNumberWidth_ - kCellPadding / 2, rowHeight_),
                         Qt::AlignRight | Qt::AlignVCenter, QString::number(row));
    }
}

// The second header line: which group and track the column belongs to.
std::string PatternGridView::ColumnTitle(int column) const {
    const GridColumn& shown = columns_[static_cast<std::size_t>(column)];
    switch (shown.group) {
    case kGroupSystem:
        return "Sys";
    case kGroupInputMixer:
        return "In " + std::to_string(shown.track);
    default:
        return shown.IsSub() ? "" : "T" + std::to_string(shown.track);
    }
}

void PatternGridView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
}

void PatternGridView::scrollContentsBy(int /*dx*/, int /*dy*/) {
    viewport()->update();
}

bool PatternGridView::event(QEvent* event) {
    return ClaimEditingKeys(event) || QAbstractScrollArea::event(event);
}

bool PatternGridView::focusNextPrevChild(bool /*next*/) {
    return false; // Tab and Shift+Tab move between tracks
}

void PatternGridView::MoveCursor(int column, int row, bool extend) {
    if (columns_.empty() || rows_ == 0) {
        return;
    }
    if (extend && !anchor_) {
        anchor_ = Cell{editor_.CursorColumn(), editor_.CursorRow()};
    } else if (!extend) {
        anchor_.reset();
    }
    column = std::clamp(column, 0, static_cast<int>(columns_.size()) - 1);
    row = std::clamp(row, 0, rows_ - 1);
    typedDigits_ = 0;
    editor_.SetCursor(column, row);
    if (anchor_) {
        editor_.Select({std::min(row, anchor_->row), std::max(row, anchor_->row) + 1,
                        std::min(column, anchor_->column), std::max(column, anchor_->column) + 1});
    } else {
        editor_.ClearSelection();
    }
    EnsureCursorVisible();
    viewport()->update();
}

void PatternGridView::EnsureCursorVisible() {
    const int row = editor_.CursorRow();
    const int visibleRows = std::max(1, (viewport()->height() - headerHeight_) / rowHeight_);
    QScrollBar* vertical = verticalScrollBar();
    if (row < vertical->value()) {
        vertical->setValue(row);
    } else if (row >= vertical->value() + visibleRows) {
        vertical->setValue(row - visibleRows + 1);
    }
    const QRect cell = CellRect(editor_.CursorColumn(), row);
    QScrollBar* horizontal = horizontalScrollBar();
    if (cell.left() < rowNumberWidth_) {
        horizontal->setValue(horizontal->value() - (rowNumberWidth_ - cell.left()));
    } else if (cell.right() > viewport()->width()) {
        horizontal->setValue(horizontal->value() + cell.right() - viewport()->width());
    }
}

int PatternGridView::TrackColumn(int from, int direction) const {
    const auto trackOf = [this](int c) {
        const GridColumn& column = columns_[static_cast<std::size_t>(c)];
        return std::pair(column.group, column.track);
    };
    const int count = static_cast<int>(columns_.size());
    int c = from;
    // Backwards: first to the start of this track, then of the one before.
    if (direction < 0) {
        while (c > 0 && trackOf(c - 1) == trackOf(from)) {
            --c;
        }
        if (c != from) {
            return c;
        }
        if (c == 0) {
            return 0;
        }
        const auto previous = trackOf(c - 1);
        while (c > 0 && trackOf(c - 1) == previous) {
            --c;
        }
        return c;
    }
    while (c < count && trackOf(c) == trackOf(from)) {
        ++c;
    }
    return c < count ? c : from;
}

bool PatternGridView::TypeKey(const QKeyEvent& key) {
    if (columns_.empty() || rows_ == 0) {
        return false;
    }
    const int column = editor_.CursorColumn();
    const GridColumn& shown = columns_[static_cast<std::size_t>(column)];
    if (IsNoteColumn(shown)) {
        const std::optional<int> offset = KeyboardNotes::Offset(key.key());
        if (!offset) {
            return false;
        }
        if (editor_.EnterValue(std::min(octave_ * 12 + *offset, kHighestNote)) != 0) {
            MoveCursor(column, editor_.CursorRow() + editStep_, false);
        }
        return true;
    }
    const QString text = key.text();
    if (text.size() != 1 || text[0].unicode() > 0x7f) {
        return false;
    }
    const char c = static_cast<char>(text[0].unicode());
    if (editor_.TypeCharacter(c) == 0) {
        return false;
    }
    // A value is entered once every digit its cell shows was typed.
    const std::string& entry = editor_.Entry();
    const bool hex = cell_display::IsHex(modes_[static_cast<std::size_t>(column)]);
    const auto digits = std::count_if(entry.begin(), entry.end(), [hex](char shown) {
        return hex || std::isdigit(static_cast<unsigned char>(shown)) != 0;
    });
    if (c != '-' && c != '+' && ++typedDigits_ >= digits) {
        MoveCursor(column, editor_.CursorRow() + editStep_, false);
    }
    return true;
}

void PatternGridView::Cut() {
    if (editor_.Copy() != 0) {
        editor_.DeleteEvents();
    }
}

void PatternGridView::keyPressEvent(QKeyEvent* event) {
    const bool shift = (event->modifiers() & Qt::ShiftModifier) != 0;
    const bool control = (event->modifiers() & Qt::ControlModifier) != 0;
    const int column = editor_.CursorColumn();
    const int row = editor_.CursorRow();
    const int lastColumn = static_cast<int>(columns_.size()) - 1;
    if (event->matches(QKeySequence::Copy)) {
        editor_.Copy();
    } else if (event->matches(QKeySequence::Cut)) {
        Cut();
    } else if (event->matches(QKeySequence::Paste)) {
        editor_.PasteEvents();
    } else if (event->matches(QKeySequence::SelectAll)) {
        MoveCursor(0, 0, false);
        MoveCursor(lastColumn, rows_ - 1, true);
    } else if (control && event->key() == Qt::Key_I) {
        editor_.InsertCyclical();
    } else if (control && event->key() == Qt::Key_R) {
        editor_.RandomizeEvents();
    } else if ((event->modifiers() & Qt::KeypadModifier) != 0 && event->key() >= Qt::Key_0 &&
               event->key() <= Qt::Key_9) {
        SetOctave(event->key() - Qt::Key_0);
    } else {
        switch (event->key()) {
        case Qt::Key_Up:
            MoveCursor(column, row - 1, shift);
            break;
        case Qt::Key_Down:
            MoveCursor(column, row + 1, shift);
            break;
        case Qt::Key_Left:
            MoveCursor(column - 1, row, shift);
            break;
        case Qt::Key_Right:
            MoveCursor(column + 1, row, shift);
            break;
        case Qt::Key_PageUp:
            MoveCursor(column, row - ticksPerBeat_, shift);
            break;
        case Qt::Key_PageDown:
            MoveCursor(column, row + ticksPerBeat_, shift);
            break;
        case Qt::Key_Home:
            MoveCursor(control ? 0 : column, 0, shift);
            break;
        case Qt::Key_End:
            MoveCursor(control ? lastColumn : column, rows_ - 1, shift);
            break;
        case Qt::Key_Tab:
            MoveCursor(TrackColumn(column, 1), row, false);
            break;
        case Qt::Key_Backtab:
            MoveCursor(TrackColumn(column, -1), row, false);
            break;
        case Qt::Key_Delete:
            anchor_ ? editor_.DeleteEvents() : editor_.DeleteEvent();
            break;
        case Qt::Key_Backspace:
            editor_.Delete();
            break;
        case Qt::Key_Insert:
            editor_.Insert();
            break;
        default:
            if (control || !TypeKey(*event)) {
                QAbstractScrollArea::keyPressEvent(event);
                return;
            }
        }
    }
    viewport()->update();
}

void PatternGridView::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    const Cell cell = CellAt(event->position().toPoint());
    if (cell.column >= 0 && event->button() == Qt::LeftButton) {
        MoveCursor(cell.column, cell.row, (event->modifiers() & Qt::ShiftModifier) != 0);
    }
}

void PatternGridView::mouseMoveEvent(QMouseEvent* event) {
    const Cell cell = CellAt(event->position().toPoint());
    if (cell.column >= 0 && (event->buttons() & Qt::LeftButton) != 0) {
        MoveCursor(cell.column, cell.row, true);
    }
}

void PatternGridView::contextMenuEvent(QContextMenuEvent* event) {
    const Cell cell = CellAt(event->pos());
    const int column = cell.column >= 0 ? cell.column : editor_.CursorColumn();
    QMenu menu(this);
    if (column >= 0 && column < static_cast<int>(columns_.size()) &&
        !IsNoteColumn(columns_[static_cast<std::size_t>(column)])) {
        const bool hexAllowed = !columns_[static_cast<std::size_t>(column)].IsWhole();
        // How typing reads each mode: in ".00" a 5 is 0.05, in INT it is 5.
        menu.addSection(tr("Display (typed digits come in from the right)"));
        for (const int mode : {kDecimalInteger, kDecimal1, kDecimal2, kDecimal3, kDecimal4,
                               kHexNibble, kHexByte, kHexTribble, kHexWord}) {
            if (cell_display::IsHex(mode) && !hexAllowed) {
                continue;
            }
            QAction* action = menu.addAction(QString::fromUtf8(cell_display::MenuText(mode).data()),
                                             this, [this, column, mode] {
                                                 editor_.SetDisplayMode(column, mode);
                                                 Reload();
                                             });
            action->setCheckable(true);
            action->setChecked(modes_[static_cast<std::size_t>(column)] == mode);
        }
        menu.addSeparator();
    }
    menu.addAction(tr("Cut"), this, [this] { Cut(); });
    menu.addAction(tr("Copy"), this, [this] { editor_.Copy(); });
    menu.addAction(tr("Paste"), this, [this] { editor_.PasteEvents(); });
    menu.addAction(tr("Delete events"), this, [this] { editor_.DeleteEvents(); });
    menu.addSeparator();
    menu.addAction(tr("Insert"), this, [this] { editor_.Insert(); });
    menu.addAction(tr("Delete"), this, [this] { editor_.Delete(); });
    menu.addAction(tr("Insert cyclical"), this, [this] { editor_.InsertCyclical(); });
    menu.addAction(tr("Randomize"), this, [this] { editor_.RandomizeEvents(); });
    menu.exec(event->globalPos());
    viewport()->update();
}

void PatternGridView::RefreshPlayPosition() {
    int playing = -1;
    {
        ProjectLock hold(current_);
        const Project* project = current_.Get();
        const Pattern* pattern = EditedPattern(current_, editor_);
        if (project != nullptr && pattern != nullptr && project->Transport().Playing()) {
            playing = static_cast<int>(std::floor(pattern->currentPosition * ticksPerBeat_));
        }
    }
    if (playing == playingRow_) {
        return;
    }
    playingRow_ = playing;
    if (follow_ && playing >= 0 && playing < rows_) {
        MoveCursor(editor_.CursorColumn(), playing, false);
    }
    viewport()->update();
}

std::string PatternGridView::CursorText() const {
    const int column = editor_.CursorColumn();
    if (column < 0 || column >= static_cast<int>(columns_.size()) ||
        IsNoteColumn(columns_[static_cast<std::size_t>(column)])) {
        return {};
    }
    if (!editor_.Entry().empty()) {
        return editor_.Entry();
    }
    // A fresh entry starts from zero.
    return cell_display::ZeroText(columns_[static_cast<std::size_t>(column)],
                                  modes_[static_cast<std::size_t>(column)]);
}

void PatternGridView::SetEditStep(int rows) {
    editStep_ = std::clamp(rows, 0, kMaxEditStep);
}

} // namespace tarn
