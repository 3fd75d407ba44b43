#include "gui/StudioFixture.h"

#include "engine/Project.h"
#include "gui/MachineView.h"
#include "gui/MainWindow.h"
#include "gui/PluginEditorFrame.h"
#include "support/DisplayVariable.h"
#include "support/XvfbServer.h"
#include "vst/InstalledPlugins.h"

#include <QApplication>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <memory>

// After the test framework and Qt, whose names Xlib's macros would replace.
#include "support/XWindowTree.h"

namespace tarn::test {
namespace {

namespace fs = std::filesystem;

// The studio on a virtual X server of its own, its application on the xcb
// platform, so a real plug-in editor can live in the editor frame's native
// window. Each test case runs in a process of its own, so the application
// is made here before any window exists.
class PluginEditorWindowTest : public StudioFixture {
protected:
    static void SetUpTestSuite() {
        server_ = std::make_unique<XvfbServer>();
        if (server_->Running()) {
            display_ = std::make_unique<DisplayVariable>(server_->Display());
            // Qt's own event loop instead of GLib's: GLib's wake-up
            // descriptors, shared with Qt's D-Bus thread, are synchronised
            // out of the thread checker's sight and showed as races.
            qputenv("QT_NO_GLIB", "1");
            EnsureApplication("xcb");
        }
    }
    static void TearDownTestSuite() {
        display_.reset();
        server_.reset();
    }

    void SetUp() override {
        if (!server_->Running()) {
            GTEST_SKIP() << "no X server for the editor: " << server_->Failure();
        }
        if (QGuiApplication::platformName() != "xcb") {
            GTEST_SKIP() << "this process's application runs on "
                         << QGuiApplication::platformName().toStdString()
                         << ", not on the X server (run the test on its own)";
        }
    }

    // Starts the studio with a Gear folder holding only a link to library,
    // so start-up screens that one plug-in; the machine view shown.
    void StartWith(const char* library) {
        const fs::path folder = scratch_ / "Plugins";
        fs::create_directories(folder);
        fs::create_symlink(library, folder / fs::path(library).filename());
        UsePluginDirectories({folder});
        ASSERT_TRUE(Start());
        window_ = &studio_->Window();
        window_->ShowView(MainWindow::kMachineView);
        view_ = dynamic_cast<MachineView*>(window_->findChild<QWidget*>("MachineView"));
        ASSERT_NE(view_, nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window_));
        // Counts the main window's refresh ticks, which idle every machine.
        for (QTimer* timer : window_->findChildren<QTimer*>()) {
            if (timer->interval() == MainWindow::kRefreshMilliseconds) {
                QObject::connect(timer, &QTimer::timeout, timer, [this] { ++ticks_; });
            }
        }
    }

    CurrentProject& Current() { return studio_->GetStudio().Current(); }

    // The size the machine reports for its editor.
    QSize ReportedSize(int id) {
        ProjectLock hold(Current());
        Node& node = *Current().Get()->GetNode(id);
        return {node.SendToMachine(kMsgGetEditorSize, 1), node.SendToMachine(kMsgGetEditorSize, 2)};
    }

    static inline std::unique_ptr<XvfbServer> server_;
    static inline std::unique_ptr<DisplayVariable> display_;
    MainWindow* window_ = nullptr;
    MachineView* view_ = nullptr;
    int ticks_ = 0;
};

TEST_F(PluginEditorWindowTest, ARealEditorOpensAtItsReportedSizeIdlesAndCloses) {
    TARN_SKIP_WITHOUT(kDragonflyRoom);
    ASSERT_NO_FATAL_FAILURE(StartWith(kDragonflyRoom));
    int id = -1;
    {
        ProjectLock hold(Current());
        id = Current().Get()->CreateNode("DragonflyRoomReverb-vst");
    }
    ASSERT_GT(id, 0);
    view_->Refresh();

    QPointer<PluginEditorFrame> frame = view_->OpenEditor(id);
    ASSERT_NE(frame, nullptr);
    ASSERT_TRUE(frame->IsOpen());
    const QSize reported = ReportedSize(id);
    EXPECT_GT(reported.width(), 0);
    EXPECT_GT(reported.height(), 0);
    EXPECT_EQ(frame->Host().size(), reported);

    // The plug-in's own window sits in the host window at that size, shown
    // once the frame is.
    ::Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr);
    const auto host = static_cast<Window>(frame->Host().winId());
    const auto shown = [&] {
        XSync(display, False);
        const std::vector<Window> editors = Children(display, host);
        XWindowAttributes attributes{};
        return editors.size() == 1 && XGetWindowAttributes(display, editors[0], &attributes) &&
               attributes.map_state == IsViewable && attributes.width == reported.width() &&
               attributes.height == reported.height();
    };
    EXPECT_TRUE(QTest::qWaitFor(shown, 20000));
    // A few of the main window's idle calls with the editor open.
    const int before = ticks_;
    EXPECT_TRUE(QTest::qWaitFor([&] { return ticks_ >= before + 5; }, 20000));

    frame->close();
    EXPECT_FALSE(frame->IsOpen());
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(frame.isNull());
    XCloseDisplay(display);

    {
        ProjectLock hold(Current());
        EXPECT_EQ(Current().Get()->DeleteNode(id), 1);
    }
    view_->Refresh();
    const int after = ticks_;
    EXPECT_TRUE(QTest::qWaitFor([&] { return ticks_ >= after + 3; }, 20000));
    Stop();
}

} // namespace
} // namespace tarn::test
