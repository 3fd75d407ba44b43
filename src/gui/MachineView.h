#pragma once

#include "editing/MachineEdits.h"
#include "gui/GraphSnapshot.h"

#include <QPointer>
#include <QWidget>

#include <set>
#include <string>
#include <vector>

class QMenu;

namespace tarn {

class CGUINodeAnalyzeWnd;
class ParameterEditor;
class PluginEditorFrame;
class StreamerWindow;
class VirtualKeyboard;
class StudioApplication;

// The machine view: one box per Node at its stored place (kind colour,
// name, live peak meter, mute/solo/bypass/live marks) and the Connections
// as lines carrying their input volume. Gestures: drag a box to move it;
// drag from a box's output edge (or with Shift) onto another box to
// connect; click a line to set its input volume; Delete removes the
// selected machines; right-click for the machine, line and new-machine
// menus. What it draws is a snapshot of the project read under the project
// lock about 30 times a second; every change goes through MachineEdits.
// GUI thread only.
class MachineView final : public QWidget {
public:
    static constexpr int kBoxWidth = 120;
    static constexpr int kBoxHeight = 46;
    // The strip at a box's right side where a drag starts a Connection.
    static constexpr int kOutputEdge = 14;

    MachineView(StudioApplication& application, QWidget* parent = nullptr);

    // Reads the project again and redraws.
    void Refresh();
    const GraphSnapshot& Snapshot() const { return snapshot_; }
    const std::set<int>& Selection() const { return selection_; }
    // Where the box of the Node sits in the view, in pixels; an empty
    // rectangle when the snapshot has no such Node.
    QRect BoxRect(int id) const;
    // The menus the view opens, filled for a point of the view.
    QMenu* MachineMenu(int id);
    QMenu* NewMachineMenu(QPoint at);
    // The Node's parameter editor, raised when it is open already; null
    // when there is no such Node.
    ParameterEditor* OpenParameters(int id);
    // The plug-in editor of the Node, raised when it is open already; null
    // when the Node has no editor or its machine opened none.
    PluginEditorFrame* OpenEditor(int id);
    // Closes every plug-in editor while its machine is still there, as
    // before the project is replaced.
    void CloseEditors();
    // The tool windows, one of each.
    StreamerWindow* OpenStreamer();
    VirtualKeyboard* OpenKeyboard();
    // A new analyzer window on the Node; null when there is no such Node.
    CGUINodeAnalyzeWnd* OpenAnalyzer(int id);
    // The slider that sets a Connection's input volume, popped up at a
    // point of the view.
    QWidget* OpenInputVolume(const MachineWire& wire, QPoint at);

    QSize sizeHint() const override { return {800, 600}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    enum class Drag { kNone, kMove, kConnect };

    QRect BoxRect(const MachineBox& box) const;
    QPoint Centre(const MachineBox& box) const;
    // The topmost box under the point, or null.
    const MachineBox* BoxAt(QPoint point) const;
    // The line under the point, or null.
    const MachineWire* WireAt(QPoint point) const;
    void DrawWire(QPainter& painter, const MachineWire& wire) const;
    void DrawBox(QPainter& painter, const MachineBox& box) const;
    QColor KindColour(const MachineBox& box) const;
    void Report(bool done, const QString& success);
    void DeleteSelection();
    void StartRename(int id);
    void AddFlag(QMenu& menu, const QString& text, int id, MachineEdits::Flag flag, bool on);
    void AddPresets(QMenu& menu, int id);
    // The open windows of one kind, by their object name.
    template <typename Window> std::vector<Window*> OpenWindows(const char* name) const;

    StudioApplication& application_;
    MachineEdits edits_;
    GraphSnapshot snapshot_;
    std::set<int> selection_;
    // The project's selected machine as the view last saw it.
    int editedNode_ = -1;
    Drag drag_ = Drag::kNone;
    int dragId_ = -1;
    QPoint dragOffset_;
    QPoint dragPoint_;
    QPointer<StreamerWindow> streamer_;
    QPointer<VirtualKeyboard> keyboard_;
};

} // namespace tarn
