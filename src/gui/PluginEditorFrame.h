#pragma once

#include <QWidget>

#include <cstdint>

namespace tarn {

class Studio;

// The frame of a plug-in's own editor: a native child window whose X11
// window id goes to the machine with OpenEditor, sized to what the machine
// reports (asked before and again after opening, as some plug-ins only
// know once open). The editor redraws in the idle calls the main window
// gives every machine about 30 times a second. Closing the frame sends
// CloseEditor first; a frame whose Node is gone (deleted, the project
// replaced) closes at its next check. Its calls into the machine hold the
// project lock. GUI thread only.
class PluginEditorFrame final : public QWidget {
public:
    static constexpr const char* kName = "PluginEditor";
    static constexpr int kCheckMilliseconds = 100;

    // studio must outlive the frame.
    PluginEditorFrame(Studio& studio, int nodeId, const QString& nodeName,
                      QWidget* parent = nullptr);

    // Opens the editor in the native window; false when the Node is gone or
    // the machine refuses.
    bool Open();
    // Whether the Node is still there; once it is gone the frame closes.
    bool Check();
    bool IsOpen() const { return open_; }
    int NodeId() const { return nodeId_; }
    // The native window the editor lives in.
    QWidget& Host() { return *host_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // Finds the frame's Node under the project lock, by id and serial, and
    // calls call with it after leaving the lock; false, with no call, when
    // the Node is gone.
    template <typename Call> bool WithMachine(Call call);

    Studio& studio_;
    int nodeId_;
    std::uint64_t serial_ = 0;
    QWidget* host_;
    bool open_ = false;
};

} // namespace tarn
