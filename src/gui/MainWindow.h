#pragma once

#include <QMainWindow>

class QAction;
class QStackedWidget;

namespace tarn {

class StudioApplication;

// The studio's main window: the menus of the application commands, the
// main view area (machines, patterns, sequencer), the status line and the
// title naming the current project. Reads the project under the project
// lock. GUI thread only.
class MainWindow final : public QMainWindow {
public:
    // The main view's pages, by the number the view switch notice carries.
    enum MainView : int { kPatternView = 1, kMachineView = 2, kSequencerView = 7 };

    explicit MainWindow(StudioApplication& application);
    ~MainWindow() override;

    // The studio's notices (see StudioObserver).
    void Notice(int notice, int value, int value2);
    // The view the main area shows.
    int CurrentView() const;
    void ShowView(int view);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildMenus();
    void UpdateTitle();
    QAction* AddCommand(QMenu* menu, const QString& text, const QKeySequence& keys,
                        std::function<void()> run);

    StudioApplication& application_;
    QStackedWidget* views_ = nullptr;
};

} // namespace tarn
