#pragma once

#include "gui/StudioFixture.h"

#include "engine/Project.h"
#include "gui/MachineView.h"
#include "gui/MainWindow.h"
#include "machines/framework/GearCatalogue.h"

#include <QApplication>
#include <QTest>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

namespace tarn::test {

// The studio showing its machine view, with helpers to place machines and
// render what the engine would play.
class MachineViewFixture : public StudioFixture {
protected:
    void SetUp() override {
        ASSERT_TRUE(Start());
        window_ = &studio_->Window();
        window_->ShowView(MainWindow::kMachineView);
        QApplication::setActiveWindow(window_);
        ASSERT_TRUE(QTest::qWaitForWindowActive(window_));
        view_ = dynamic_cast<MachineView*>(window_->findChild<QWidget*>("MachineView"));
        ASSERT_NE(view_, nullptr);
        ASSERT_TRUE(view_->isVisible());
    }

    CurrentProject& Current() { return studio_->GetStudio().Current(); }
    Project& TheProject() { return *Current().Get(); }
    UndoHistory& History() { return studio_->Commands().History(); }

    // A Node placed at fractions of the view, as a loaded project has it.
    int Add(const char* machine, double x, double y) {
        ProjectLock hold(Current());
        const int id = TheProject().CreateNode(machine);
        TheProject().GetNode(id)->Editor().x = x;
        TheProject().GetNode(id)->Editor().y = y;
        view_->Refresh();
        return id;
    }
    // Makes a new current project (the Master alone) whose machines come
    // from made first, then from the studio's own.
    void UseMachines(MachineCreator made) {
        Studio& studio = studio_->GetStudio();
        auto project = std::make_unique<Project>(
            [builtIn = studio.Creator(),
             made = std::move(made)](std::string_view name) -> std::optional<MachineHandle> {
                std::optional<MachineHandle> machine = made(name);
                return machine ? std::move(machine) : builtIn(name);
            },
            studio.Engine().Tempo());
        ASSERT_EQ(project->CreateNode(GearCatalogue::kMasterName, {}, Project::kMasterId),
                  Project::kMasterId);
        studio.SetProject(std::move(project));
        view_->Refresh();
    }
    int Connect(int source, int destination) {
        ProjectLock hold(Current());
        return TheProject().ConnectMachines(source, destination);
    }
    // Renders buffers of frames as the audio driver would; the peaks of
    // the left and right output in the last one.
    std::array<double, 2> Render(int buffers, int frames = 800) {
        std::array<std::vector<double>, 2> channels{std::vector<double>(frames),
                                                    std::vector<double>(frames)};
        std::array<double*, 2> outputs{channels[0].data(), channels[1].data()};
        AudioBuffer buffer;
        buffer.outputs = outputs.data();
        buffer.frameCount = frames;
        for (int done = 0; done < buffers; ++done) {
            studio_->GetStudio().Engine().WorkCycle(buffer);
        }
        std::array<double, 2> peaks{};
        for (std::size_t c = 0; c < 2; ++c) {
            for (const double sample : channels[c]) {
                peaks[c] = std::max(peaks[c], std::abs(sample));
            }
        }
        return peaks;
    }

    MainWindow* window_ = nullptr;
    MachineView* view_ = nullptr;
};

} // namespace tarn::test
