#pragma once

#include <QWidget>

#include <cstdint>

namespace tarn {

class Studio;

// The frame of a plug-in's own editor: a native child window whose X11
// window id goes to the machine with OpenEditor, sized to what the machine
// reports (asked before and again after opening, as some plug-ins only
// know once open), idled about 30 times a second while open. Closing the
// frame sends CloseEditor first; a frame whose Node is gone (deleted, the
// project replaced) closes at its next idle tick. Every call into the
// machine holds the project lock. GUI thread only.
class PluginEditorFrame final : public QWidget {
public:
    static constexpr const char* kName = "PluginEditor";
    static constexpr int kIdleMilliseconds = 33;

    // studio must outlive the frame.
    PluginEditorFrame(Studio& studio, int nodeId, const QString& nodeName,
                      QWidget* parent = nullptr);

    // Opens the editor in the native window; false when the Node is gone or
    // the machine refuses.
    bool Open();
    // One idle call; false (and the frame closes) once the Node is gone.
    bool Idle();
    bool IsOpen() const { return open_; }
    int NodeId() const { return nodeId_; }
    // The native window the editor lives in.
    QWidget& Host() { return *host_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // Sends one message to the frame's Node under the project lock; none
    // when the Node is gone.
    template <typename Call> bool WithMachine(Call call);

    Studio& studio_;
    int nodeId_;
    std::uint64_t serial_ = 0;
    QWidget* host_;
    bool open_ = false;
};

} // namespace tarn
