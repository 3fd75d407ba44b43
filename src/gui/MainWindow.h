#pragma once

#include <QMainWindow>

#include <functional>

class QAction;
class QDockWidget;
class QStackedWidget;

namespace tarn {

class ConsoleWindow;
class CpuMonitorWindow;
class MachineView;
class PatternPage;
class SequencerView;
class WavetableWindow;
class SettingsStore;
class StudioApplication;
class TransportBar;

// The studio's main window: the menus of the application commands, the
// transport bar, the main view area (machines, patterns, sequencer)
// switched by F2, F3 and F4, the console and CPU monitor tool windows, the
// status line and the title naming the current project. Its geometry and
// which tool windows are open are kept in the settings. Reads the project
// under the project lock. GUI thread only.
class MainWindow final : public QMainWindow {
public:
    // The main view's pages, by the number the view switch notice carries.
    enum MainView : int { kPatternView = 1, kMachineView = 2, kSequencerView = 7 };
    // How often the live displays refresh.
    static constexpr int kRefreshMilliseconds = 33;

    explicit MainWindow(StudioApplication& application);
    ~MainWindow() override;

    // The studio's notices (see StudioObserver).
    void Notice(int notice, int value, int value2);
    // The view the main area shows.
    int CurrentView() const;
    void ShowView(int view);

    TransportBar& Transport() { return *transport_; }
    ConsoleWindow& Console() { return *console_; }
    CpuMonitorWindow& CpuMonitor() { return *cpuMonitor_; }
    PatternPage& Patterns() { return *patterns_; }
    SequencerView& Sequencer() { return *sequencer_; }
    WavetableWindow& Wavetable() { return *wavetable_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildMenus();
    void BuildRecentMenu(QMenu* menu);
    void RenderToWave();
    void UpdateUndo();
    // The project's file name, with "*" before it while it has unsaved
    // changes.
    void UpdateTitle();
    // The project's path in the status line.
    void ShowFile();
    // Puts page in place of the main view's placeholder.
    void ReplaceView(int view, QWidget* page);
    void RestoreState(const SettingsStore& settings);
    void StoreState(SettingsStore& settings) const;
    QAction* AddCommand(QMenu* menu, const QString& text, const QKeySequence& keys,
                        std::function<void()> run);

    StudioApplication& application_;
    QStackedWidget* views_ = nullptr;
    MachineView* machines_ = nullptr;
    TransportBar* transport_ = nullptr;
    ConsoleWindow* console_ = nullptr;
    CpuMonitorWindow* cpuMonitor_ = nullptr;
    PatternPage* patterns_ = nullptr;
    SequencerView* sequencer_ = nullptr;
    WavetableWindow* wavetable_ = nullptr;
    QAction* undo_ = nullptr;
    QAction* redo_ = nullptr;
};

} // namespace tarn
