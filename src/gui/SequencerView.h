#pragma once

#include <QAbstractScrollArea>

#include <optional>
#include <string>
#include <vector>

namespace tarn {

class CurrentProject;
class Node;
class SequenceTrack;
class SongTransport;
class UndoHistory;
struct Skin;

// The sequencer: one row per sequence track of each Node (a Node without
// tracks gets a row whose track is made by its first placement), the
// placements as blocks in their pattern's colour with its name, a beat
// ruler with the song start and end and the loop markers, and the play
// position. A click on an empty beat places the row's current pattern; a
// drag moves the selected placements by whole beats (with Ctrl held it
// copies them); a drag over empty beats selects a rectangle; a drag on the
// ruler sets the loop or moves the marker it starts on; a double-click opens
// a placement's pattern in the pattern editor. Edits run under the project
// lock through the sequence tracks' own operations, each one undoable.
// GUI thread only.
class SequencerView final : public QAbstractScrollArea {
public:
    static constexpr int kBeatWidth = 24;
    static constexpr int kRowHeight = 26;
    static constexpr int kRulerHeight = 26;
    static constexpr int kHeaderWidth = 150;

    SequencerView(CurrentProject& current, UndoHistory& history, const Skin& skin,
                  QWidget* parent = nullptr);

    // Re-reads the Nodes and their tracks.
    void Reload();
    // Moves the play position line; called by the refresh timer.
    void RefreshPlayPosition();

    // The point in the viewport at beat of row (for the tests' clicks).
    QPoint PointOf(int row, double beat) const;
    int RowCount() const { return static_cast<int>(rows_.size()); }

    // The selection's operations, also on the context menu.
    void DeleteSelected();
    void TransposeSelected(double amount);
    // Copies of the selected placements right after the selection.
    void DuplicateSelected(bool asNewPatterns);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    struct Row {
        int nodeId = -1;
        int track = 0;
        std::string title;
    };
    // What a mouse drag is doing.
    enum class Drag { kNone, kMove, kRectangle, kLoop, kMarker };
    enum Marker : int { kSongStart, kSongEnd, kLoopStart, kLoopEnd };

    void UpdateScrollBars();
    int BeatAt(int x) const;
    int RowAt(int y) const;
    // The placement start covering beat on row, or none.
    std::optional<int> PlacementStart(int row, int beat) const;
    std::optional<int> MarkerAt(int x) const;
    // Changes the song clock's ranges under the project lock.
    template <typename Change> void ChangeTransport(Change change);
    void SetMarker(int marker, int beat);
    // A ruler drag at point: the loop from the press to point, or the
    // marker taken to point.
    void DragRuler(const QPoint& point);
    // Calls edit(row, track) for every row that has a track, under the
    // project lock, recorded for undo under name (null: only the selection
    // changes, which is not recorded).
    template <typename Edit> void EditTracks(const char* name, Edit edit);
    void Place(int row, int beat);
    void SelectRectangle(const QPoint& from, const QPoint& to);
    void OpenPattern(int row, int beat);
    void DrawRuler(QPainter& painter, int firstBeat, int endBeat) const;
    void DrawRow(QPainter& painter, const Node& node, const SequenceTrack& track, int top,
                 int firstBeat, int endBeat) const;

    CurrentProject& current_;
    UndoHistory& history_;
    const Skin& skin_;
    std::vector<Row> rows_;
    int lastBeat_ = 0;
    double playPosition_ = -1.0;
    Drag drag_ = Drag::kNone;
    int dragMarker_ = kSongStart;
    QPoint pressPoint_;
    QPoint dragPoint_;
};

} // namespace tarn
