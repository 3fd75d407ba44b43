#include "gui/PluginEditorFrame.h"

#include "engine/Project.h"
#include "studio/Studio.h"

#include <QCloseEvent>
#include <QTimer>
#include <QVBoxLayout>

namespace tarn {
namespace {

constexpr std::int32_t kWidth = 1;
constexpr std::int32_t kHeight = 2;

} // namespace

PluginEditorFrame::PluginEditorFrame(Studio& studio, int nodeId, const QString& nodeName,
                                     QWidget* parent)
    : QWidget(parent, Qt::Window), studio_(studio), nodeId_(nodeId), host_(new QWidget(this)) {
    setObjectName(kName);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("%1 - Editor").arg(nodeName));
    host_->setObjectName("editorHost");
    host_->setAttribute(Qt::WA_NativeWindow);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(host_);
    {
        ProjectLock hold(studio_.Current());
        const Project* project = studio_.Current().Get();
        if (const Node* node = project != nullptr ? project->GetNode(nodeId) : nullptr) {
            serial_ = node->Serial();
        }
    }
    auto* timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, &PluginEditorFrame::Check);
    timer->start(kCheckMilliseconds);
}

template <typename Call> bool PluginEditorFrame::WithMachine(Call call) {
    Node* node = nullptr;
    {
        ProjectLock hold(studio_.Current());
        const Project* project = studio_.Current().Get();
        node = project != nullptr ? project->GetNode(nodeId_) : nullptr;
        if (node == nullptr || node->Serial() != serial_) {
            return false;
        }
    }
    // Called outside the lock: a plug-in may take long to open or close its
    // editor, and the audio thread must not wait for it. Only the GUI
    // thread, which this is, removes Nodes, so the one found stays.
    call(*node);
    return true;
}

bool PluginEditorFrame::Open() {
    if (open_) {
        return true;
    }
    const auto parent = static_cast<std::uintptr_t>(host_->winId());
    QSize size;
    const bool found = WithMachine([&](Node& node) {
        const auto ask = [&node] {
            return QSize(node.SendToMachine(kMsgGetEditorSize, kWidth),
                         node.SendToMachine(kMsgGetEditorSize, kHeight));
        };
        size = ask();
        open_ = node.SendToMachine(kMsgOpenEditor, 0, reinterpret_cast<void*>(parent)) != 0;
        if (open_) {
            size = ask();
        }
    });
    if (open_ && size.width() > 0 && size.height() > 0) {
        host_->setFixedSize(size);
    }
    return found && open_;
}

bool PluginEditorFrame::Check() {
    if (!open_) {
        return true;
    }
    if (!WithMachine([](Node&) {})) {
        // The machine went with its editor.
        open_ = false;
        close();
        return false;
    }
    return true;
}

void PluginEditorFrame::closeEvent(QCloseEvent* event) {
    if (open_) {
        WithMachine([](Node& node) { node.SendToMachine(kMsgCloseEditor); });
        open_ = false;
    }
    event->accept();
}

} // namespace tarn
