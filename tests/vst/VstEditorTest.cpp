#include "machines/framework/vst/VstAdapter.h"

#include "InstalledPlugins.h"
#include "machines/builtin/MachineHost.h"
#include "support/DisplayVariable.h"
#include "support/XvfbServer.h"

#include <gtest/gtest.h>

#include "support/XWindowTree.h"

#include <chrono>
#include <thread>
#include <vector>

namespace tarn::test {
namespace {

TEST(VstEditor, AnEditorOpensInsideAnX11WindowAtTheSizeItReportsAndClosesCleanly) {
    TARN_SKIP_WITHOUT(kLspDelay);
    XvfbServer server;
    if (!server.Running()) {
        GTEST_SKIP() << "no X server for the editor: " << server.Failure();
    }
    DisplayVariable variable(server.Display());
    ::Display* display = XOpenDisplay(server.Display().c_str());
    ASSERT_NE(display, nullptr);
    const Window parent =
        XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 400, 300, 0, 0, 0);
    XMapWindow(display, parent);
    XSync(display, False);
    {
        VstAdapter adapter;
        ASSERT_EQ(adapter.LoadPlugin(kLspDelay), 1) << adapter.LoadFailure();
        MachineDescription description;
        MachineHost host(adapter, 120, &description.link);
        ASSERT_TRUE(adapter.HasEditor());
        EXPECT_EQ(description.infoValues[kHostInfoFlags], kInfoHasEditor);

        EXPECT_EQ(adapter.OpenEditor(reinterpret_cast<void*>(parent)), 1);
        EXPECT_TRUE(adapter.EditorOpen());
        // A third of a second of idling at 30 Hz, as the window's timer does.
        for (int i = 0; i < 10; ++i) {
            EXPECT_EQ(adapter.Idle(), 1);
            std::this_thread::sleep_for(std::chrono::milliseconds(33));
        }
        const int width = adapter.GetEditorSize(1);
        const int height = adapter.GetEditorSize(2);
        EXPECT_GT(width, 100);
        EXPECT_GT(height, 100);
        XSync(display, False);
        const std::vector<Window> editors = Children(display, parent);
        ASSERT_EQ(editors.size(), 1u);
        XWindowAttributes attributes{};
        ASSERT_NE(XGetWindowAttributes(display, editors[0], &attributes), 0);
        EXPECT_EQ(attributes.width, width);
        EXPECT_EQ(attributes.height, height);
        EXPECT_EQ(attributes.map_state, IsViewable);

        EXPECT_EQ(adapter.CloseEditor(), 1);
        EXPECT_FALSE(adapter.EditorOpen());
        EXPECT_EQ(adapter.Idle(), 1);
        XSync(display, False);
        for (Window editor : Children(display, parent)) {
            XWindowAttributes after{};
            XGetWindowAttributes(display, editor, &after);
            EXPECT_NE(after.map_state, IsViewable);
        }
    }
    XDestroyWindow(display, parent);
    XCloseDisplay(display);
}

} // namespace
} // namespace tarn::test
