#pragma once

#include "base/ConsoleFeed.h"
#include "base/StudioObserver.h"
#include "engine/Project.h"
#include "formats/SettingsStore.h"
#include "gui/DialogInteraction.h"
#include "gui/KeyboardHook.h"
#include "gui/Skin.h"
#include "gui/SplashWindow.h"
#include "studio/Autosave.h"
#include "studio/ProjectCommands.h"
#include "studio/Studio.h"
#include "studio/StudioAudio.h"

#include <QEventLoop>
#include <QTimer>

#include <filesystem>
#include <memory>
#include <optional>

namespace tarn {

class CommandConsole;
class MainWindow;

// The windowed studio from start-up to shut-down: brings every engine up
// in the studio's fixed order (each step's label, and the time of the
// timed ones, in the console log), shows the main window, runs it until
// Exit and takes everything down again in a fixed order. It owns the
// settings, the skin, the engines, the live audio, the application
// commands, the computer keyboard's notes and the autosave. A QApplication
// must exist. GUI thread only.
class StudioApplication final : public StudioObserver {
public:
    static constexpr int kAutosaveMilliseconds = 60 * 1000;
    static constexpr const char* kRecentProjects = "Config/Lists/Recent/Projects.list.xml";
    static constexpr std::size_t kRecentCapacity = 8;

    // interaction answers the studio's questions; null: dialogs over the
    // main window. console must outlive the studio.
    explicit StudioApplication(CommandConsole& console, UserInteraction* interaction = nullptr);
    // The shut-down sequence, for whatever start-up brought up.
    ~StudioApplication() override;
    StudioApplication(const StudioApplication&) = delete;
    StudioApplication& operator=(const StudioApplication&) = delete;

    // Runs start-up up to the shown main window; then, after a session
    // that did not end cleanly, offers to restore its autosave, and opens
    // project when one is named. False when start-up ended early: settings
    // that cannot be loaded (no window at all) or a skin that cannot be
    // used.
    bool StartUp(const std::filesystem::path& project = {});
    // The main window's loop, until Exit ends it; the exit status.
    int Run();

    // The Exit command: asks to save first; once the user agreed, the
    // windows store their state, the settings are saved and Run returns.
    // False when the user cancelled.
    bool Exit();
    bool Ended() const { return ended_; }

    Studio& GetStudio() { return *studio_; }
    StudioAudio& Audio() { return *audio_; }
    ProjectCommands& Commands() { return *commands_; }
    SettingsStore& Settings() { return settings_; }
    DialogInteraction& Dialogs() { return dialogs_; }
    const ConsoleFeed& Feed() const { return feed_; }
    Autosave& Autosaver() { return *autosave_; }
    const Skin& GetSkin() const { return *skin_; }
    MainWindow& Window() { return *window_; }

    void Notice(int notice, int value, int value2) override;

private:
    void OfferRestore();

    CommandConsole& console_;
    ConsoleFeed feed_;
    UserInteraction* interaction_;
    DialogInteraction dialogs_;
    SettingsStore settings_;
    std::optional<Skin> skin_;
    std::unique_ptr<SplashWindow> splash_;
    std::unique_ptr<Studio> studio_;
    std::unique_ptr<StudioAudio> audio_;
    std::unique_ptr<ProjectCommands> commands_;
    std::unique_ptr<Autosave> autosave_;
    std::unique_ptr<KeyboardHook> keys_;
    std::unique_ptr<MainWindow> window_;
    QTimer autosaveTimer_;
    QEventLoop loop_;
    bool sessionBegun_ = false;
    bool ended_ = false;
};

// The `tarn studio` command's work: a QApplication when there is none yet,
// then start-up, the main window's loop and shut-down. The exit status.
int RunStudio(CommandConsole& console, const std::filesystem::path& project);

} // namespace tarn
