#include "gui/MachineViewFixture.h"

#include "gui/PluginEditorFrame.h"

#include <QAction>
#include <QMenu>

#include <memory>
#include <string>
#include <vector>

namespace tarn {
namespace {

// What the host did with an editor machine's editor, in order.
struct EditorLog {
    std::vector<std::string> calls;
    std::uintptr_t parent = 0;
    int idles = 0;
};

// A machine with an editor of its own that, like many plug-ins, only
// knows its size once open.
class EditorMachine : public Machine {
public:
    explicit EditorMachine(std::shared_ptr<EditorLog> log) : log_(std::move(log)) {}
    ~EditorMachine() override { log_->calls.push_back("destroyed"); }

    std::int32_t Work(const WorkRecord&) noexcept override { return 1; }
    std::int32_t Describe() override {
        MachineInfo info = MachineInfo::Builtin(kKindEffect, "Editor", "Ed");
        info.flags = kInfoHasEditor;
        DescribeInfo(info);
        return 1;
    }
    std::int32_t OpenEditor(void* parent) override {
        log_->calls.push_back("open");
        log_->parent = reinterpret_cast<std::uintptr_t>(parent);
        open_ = true;
        return 1;
    }
    std::int32_t CloseEditor() override {
        log_->calls.push_back("close");
        open_ = false;
        return 1;
    }
    std::int32_t GetEditorSize(std::int32_t which) override {
        return open_ ? (which == 1 ? 320 : 200) : 0;
    }
    std::int32_t Idle() override {
        ++log_->idles;
        return 1;
    }

private:
    std::shared_ptr<EditorLog> log_;
    bool open_ = false;
};

class PluginEditorFrameTest : public test::MachineViewFixture {
protected:
    void SetUp() override {
        MachineViewFixture::SetUp();
        MakeProject();
    }
    // A project of its own with the editor machine and a built-in one.
    void MakeProject() {
        UseMachines([log = log_](std::string_view name) -> std::optional<MachineHandle> {
            if (name != "Editor") {
                return std::nullopt;
            }
            return MachineHandle(std::make_unique<EditorMachine>(log), "Editor");
        });
        editor_ = Add("Editor", 0.3, 0.3);
        bass_ = Add("Tarn Analog Bass", 0.3, 0.7);
    }
    static bool Offers(QMenu* menu, const QString& text) {
        const QList<QAction*> actions = menu->actions();
        const bool offered = std::any_of(actions.begin(), actions.end(),
                                         [&](QAction* action) { return action->text() == text; });
        menu->deleteLater();
        return offered;
    }

    std::shared_ptr<EditorLog> log_ = std::make_shared<EditorLog>();
    int editor_ = -1;
    int bass_ = -1;
};

TEST_F(PluginEditorFrameTest, OpensAtItsSizeIdlesAndClosesBeforeItsMachineGoes) {
    // Only a machine with an editor offers one.
    EXPECT_TRUE(Offers(view_->MachineMenu(editor_), "Editor..."));
    EXPECT_FALSE(Offers(view_->MachineMenu(bass_), "Editor..."));
    EXPECT_EQ(view_->OpenEditor(bass_), nullptr);

    QPointer<PluginEditorFrame> frame = view_->OpenEditor(editor_);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(log_->parent, static_cast<std::uintptr_t>(frame->Host().winId()));
    EXPECT_NE(log_->parent, 0u);
    // The size the machine told once open.
    EXPECT_EQ(frame->Host().size(), QSize(320, 200));
    EXPECT_EQ(view_->OpenEditor(editor_), frame); // one frame per machine
    // The main window's idle calls reach the editor about 30 times a second.
    EXPECT_TRUE(QTest::qWaitFor([this] { return log_->idles >= 4; },
                                100 * MainWindow::kRefreshMilliseconds));
    frame->close();
    EXPECT_EQ(log_->calls, (std::vector<std::string>{"open", "close"}));
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(frame.isNull());

    // Deleting the machine closes its editor first.
    frame = view_->OpenEditor(editor_);
    ASSERT_NE(frame, nullptr);
    QTest::mouseClick(view_, Qt::LeftButton, {}, view_->BoxRect(editor_).center());
    QTest::keyClick(view_, Qt::Key_Delete);
    EXPECT_EQ(log_->calls,
              (std::vector<std::string>{"open", "close", "open", "close", "destroyed"}));
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(frame.isNull());
}

TEST_F(PluginEditorFrameTest, AFrameClosesBeforeANewProjectOrAtTheCheckAfterItsMachineWent) {
    QPointer<PluginEditorFrame> frame = view_->OpenEditor(editor_);
    ASSERT_NE(frame, nullptr);
    // A new project: the editor closes while its machine is still there.
    script_.QueueAnswer(MessageBoxAnswer::kNo);
    ASSERT_TRUE(studio_->Commands().New());
    EXPECT_EQ(log_->calls, (std::vector<std::string>{"open", "close", "destroyed"}));
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(frame.isNull());

    // A project replaced without the swap notice takes the machine with
    // its editor open: the adapter's destructor closes what it left, and
    // the frame closes at its next check.
    log_->calls.clear();
    MakeProject();
    frame = view_->OpenEditor(editor_);
    ASSERT_NE(frame, nullptr);
    MakeProject();
    EXPECT_FALSE(frame->Check());
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(frame.isNull());
    EXPECT_EQ(log_->calls, (std::vector<std::string>{"open", "destroyed"}));
}

} // namespace
} // namespace tarn
