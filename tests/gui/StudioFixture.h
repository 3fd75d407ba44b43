#pragma once

#include "base/UserInteraction.h"
#include "gui/StudioApplication.h"
#include "studio/CommandConsole.h"

#include "support/ScratchDirectory.h"

#include <QImage>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace tarn::test {

// How many colours an image shows (every other pixel read): a blank or
// one-colour picture has only a handful.
std::size_t ImageColours(const QImage& image);

// Makes the process's QApplication once, on the offscreen platform unless
// the first call names another (the one a plug-in editor's X11 window
// needs), so the windows need no display. Later calls keep the first one.
void EnsureApplication(const char* platform = "offscreen");

// A studio in a scratch application directory laid out from the shipped
// one, answering its questions through a script. No audio device is opened
// and MIDI is off, so tests never meet a sound server that another test
// started and live notes stay queued where a test can see them.
class StudioFixture : public ::testing::Test {
protected:
    StudioFixture();
    ~StudioFixture() override;

    // Runs start-up; false when it ended early.
    bool Start();
    // Points the studio's plug-in group at these directories only. The
    // fixture starts with none, so start-up screens no installed plug-in
    // (each screening is a child process) unless a test asks for it.
    void UsePluginDirectories(const std::vector<std::filesystem::path>& directories);
    // Shuts the studio down and closes the console log.
    void Stop();
    // The lines of "Out/Console.log", without their kind marks.
    std::vector<std::string> LogLines() const;

    ScratchDirectory scratch_;
    ScriptedInteraction script_;
    std::unique_ptr<CommandConsole> console_;
    std::unique_ptr<StudioApplication> studio_;

private:
    std::filesystem::path previous_;
};

} // namespace tarn::test
