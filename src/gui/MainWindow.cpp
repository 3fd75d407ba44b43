#include "gui/MainWindow.h"

#include "base/AppDirectory.h"
#include "base/StudioObserver.h"
#include "base/UserInteraction.h"
#include "formats/ListFile.h"
#include "formats/SettingsStore.h"
#include "gui/ConsoleWindow.h"
#include "gui/CpuMonitorWindow.h"
#include "gui/FailureReport.h"
#include "gui/MachineView.h"
#include "gui/PatternPage.h"
#include "gui/SequencerView.h"
#include "gui/StudioApplication.h"
#include "gui/TransportBar.h"
#include "gui/WaveRender.h"
#include "gui/WavetableWindow.h"
#include "studio/OutputFile.h"
#include "studio/ProjectCommands.h"

#include <QAction>
#include <QCloseEvent>
#include <QLabel>
#include <QMenuBar>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTimer>

#include <array>
#include <utility>

namespace tarn {
namespace {

struct ViewPage {
    int view;
    const char* title;
    Qt::Key key;
};

constexpr const char* kNewFailed = "A new project could not be made.";
constexpr const char* kOpenFailed = "The project could not be opened.";
constexpr const char* kSaveFailed = "The project could not be saved.";

// Help > Keys: every shortcut of the windows.
constexpr const char* kKeysText =
    "Studio\n"
    "  F2 / F3 / F4    Machines, Patterns, Sequencer\n"
    "  F5 / F6 / F8    Play song, Play loop, Stop\n"
    "  Ctrl+N / Ctrl+O / Ctrl+S / Ctrl+Shift+S    New, Open, Save, Save As\n"
    "  Ctrl+Z / Ctrl+Y    Undo, Redo\n"
    "  Ctrl+Q    Exit\n"
    "Machine view\n"
    "  Delete    delete the selected machines (asks first)\n"
    "  Shift+drag, or drag from a box's right edge    connect\n"
    "  Double-click    parameters; right-click    menus\n"
    "Pattern grid\n"
    "  Z S X D C V G B H N J M, Q 2 W 3 E R 5 T 6 Y 7 U I 9 O 0 P    notes; keypad 0-9    "
    "octave\n"
    "  Digits, A-F in hexadecimal columns    enter a value from the right, from zero in a "
    "cell just reached\n"
    "  - / +    sign; the edit step (tool bar) moves the cursor after a note or a full value\n"
    "  Delete    empty the cell or selection; Backspace / Insert    pull up / push down\n"
    "  Ctrl+I    insert cyclical; Ctrl+R    randomize\n"
    "  Ctrl+C / Ctrl+X / Ctrl+V / Ctrl+A    copy, cut, paste, select all\n"
    "  Arrows, Page Up/Down, Home, End, Tab, Shift+Tab    move; Shift    select";

constexpr std::array<ViewPage, 3> kViewPages{{
    {MainWindow::kMachineView, "Machines", Qt::Key_F2},
    {MainWindow::kPatternView, "Patterns", Qt::Key_F3},
    {MainWindow::kSequencerView, "Sequencer", Qt::Key_F4},
}};

// A tool window's place in the settings: "windows.<key>.pos" and
// "windows.<key>.visible".
struct ToolWindowKeys {
    std::string pos;
    std::string visible;
};

ToolWindowKeys KeysOf(const char* window) {
    const std::string base = std::string("windows.") + window;
    return {base + ".pos", base + ".visible"};
}

QRect ToRect(const SettingsRectangle& rectangle) {
    return QRect(QPoint(rectangle.left, rectangle.top),
                 QPoint(rectangle.right - 1, rectangle.bottom - 1));
}

SettingsRectangle ToRectangle(const QRect& rect) {
    return {rect.left(), rect.top(), rect.right() + 1, rect.bottom() + 1};
}

void RestoreToolWindow(QDockWidget& window, const SettingsStore& settings, const char* key) {
    const ToolWindowKeys keys = KeysOf(key);
    int visible = 0;
    settings.GetInteger(keys.visible, visible);
    SettingsRectangle rectangle;
    if (settings.GetRectangle(keys.pos, rectangle) != 0 && window.isFloating()) {
        window.setGeometry(ToRect(rectangle));
    }
    window.setVisible(visible != 0);
}

void StoreToolWindow(const QDockWidget& window, SettingsStore& settings, const char* key) {
    const ToolWindowKeys keys = KeysOf(key);
    settings.SetInteger(keys.visible, window.isHidden() ? 0 : 1);
    settings.SetRectangle(keys.pos, ToRectangle(window.geometry()));
}

} // namespace

MainWindow::MainWindow(StudioApplication& application) : application_(application) {
    setObjectName("MainWindow");
    views_ = new QStackedWidget(this);
    for (const ViewPage& page : kViewPages) {
        auto* label = new QLabel(tr(page.title), views_);
        label->setAlignment(Qt::AlignCenter);
        label->setProperty("view", page.view);
        views_->addWidget(label);
    }
    machines_ = new MachineView(application, views_);
    ReplaceView(kMachineView, machines_);
    patterns_ = new PatternPage(application, views_);
    ReplaceView(kPatternView, patterns_);
    sequencer_ = new SequencerView(application.GetStudio().Current(),
                                   application.Commands().History(), application.GetSkin(), views_);
    ReplaceView(kSequencerView, sequencer_);
    setCentralWidget(views_);
    transport_ = new TransportBar(application, this);
    addToolBar(Qt::TopToolBarArea, transport_);
    console_ = new ConsoleWindow(application.Feed(), application.GetSkin(), this);
    addDockWidget(Qt::BottomDockWidgetArea, console_);
    cpuMonitor_ = new CpuMonitorWindow(application.GetStudio(), this);
    addDockWidget(Qt::RightDockWidgetArea, cpuMonitor_);
    wavetable_ = new WavetableWindow(application, this);
    addDockWidget(Qt::RightDockWidgetArea, wavetable_);
    BuildMenus();
    statusBar()->showMessage(tr("Ready"));
    resize(1280, 800);
    RestoreState(application.Settings());
    // The Edit menu's entries and the title follow every step of the
    // history, so that the shortcuts work without the menu ever opening.
    application.Commands().History().SetListener([this] {
        UpdateUndo();
        UpdateTitle();
    });
    UpdateUndo();
    UpdateTitle();
    auto* refresh = new QTimer(this);
    connect(refresh, &QTimer::timeout, transport_, &TransportBar::Refresh);
    connect(refresh, &QTimer::timeout, this,
            [&application] { application.GetStudio().IdleMachines(); });
    connect(refresh, &QTimer::timeout, this, [this] {
        patterns_->Refresh();
        sequencer_->RefreshPlayPosition();
    });
    refresh->start(kRefreshMilliseconds);
}

MainWindow::~MainWindow() {
    application_.Commands().History().SetListener({});
}

QAction* MainWindow::AddCommand(QMenu* menu, const QString& text, const QKeySequence& keys,
                                std::function<void()> run) {
    QAction* action = menu->addAction(text);
    action->setShortcut(keys);
    // Application-wide: a tool window with the focus still takes Ctrl+S.
    action->setShortcutContext(Qt::ApplicationShortcut);
    connect(action, &QAction::triggered, this, [run = std::move(run)] { run(); });
    return action;
}

void MainWindow::BuildMenus() {
    ProjectCommands& commands = application_.Commands();
    const ConsoleFeed& feed = application_.Feed();
    QMenu* file = menuBar()->addMenu(tr("&File"));
    // Each may fail on a file (or on saving the work first): the reason is
    // shown as well as written to the Console.
    AddCommand(file, tr("&New"), QKeySequence(Qt::CTRL | Qt::Key_N), [&commands, &feed] {
        RunReported(feed, kNewFailed, [&commands] { return commands.New(); });
    });
    AddCommand(file, tr("&Open..."), QKeySequence(Qt::CTRL | Qt::Key_O), [&commands, &feed] {
        RunReported(feed, kOpenFailed, [&commands] { return commands.Open(); });
    });
    QMenu* recent = file->addMenu(tr("Recent projects"));
    connect(recent, &QMenu::aboutToShow, this, [this, recent] { BuildRecentMenu(recent); });
    AddCommand(file, tr("&Save"), QKeySequence(Qt::CTRL | Qt::Key_S), [&commands, &feed] {
        RunReported(feed, kSaveFailed, [&commands] { return commands.Save(); });
    });
    AddCommand(file, tr("Save &As..."), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S),
               [&commands, &feed] {
                   RunReported(feed, kSaveFailed, [&commands] { return commands.SaveAs(); });
               });
    file->addSeparator();
    file->addAction(tr("&Render to WAVE..."), this, [this] { RenderToWave(); })
        ->setObjectName("render");
    file->addSeparator();
    AddCommand(file, tr("E&xit"), QKeySequence(Qt::CTRL | Qt::Key_Q),
               [this] { application_.Exit(); });

    QMenu* edit = menuBar()->addMenu(tr("&Edit"));
    undo_ = AddCommand(edit, tr("&Undo"), QKeySequence(Qt::CTRL | Qt::Key_Z),
                       [&commands] { commands.Undo(); });
    redo_ = AddCommand(edit, tr("&Redo"), QKeySequence(Qt::CTRL | Qt::Key_Y),
                       [&commands] { commands.Redo(); });
    undo_->setObjectName("undo");
    redo_->setObjectName("redo");

    QMenu* view = menuBar()->addMenu(tr("&View"));
    for (const ViewPage& page : kViewPages) {
        AddCommand(view, tr(page.title), QKeySequence(page.key),
                   [number = page.view] { NotifyStudio(kNoticeSwitchMainView, number); });
    }
    view->addSeparator();
    view->addAction(console_->toggleViewAction());
    view->addAction(cpuMonitor_->toggleViewAction());
    view->addAction(wavetable_->toggleViewAction());

    QMenu* transport = menuBar()->addMenu(tr("&Transport"));
    transport->addActions(transport_->Commands());

    QMenu* help = menuBar()->addMenu(tr("&Help"));
    help->addAction(tr("&Keys"), this,
                    [] {
                        CurrentInteraction().ShowMessage(kStudioCaption, kKeysText,
                                                         MessageBoxButtons::kOk);
                    })
        ->setObjectName("keys");
    help->addAction(tr("&About Tarn Studio"), this, [] {
        CurrentInteraction().ShowMessage(
            kStudioCaption, "Tarn Studio " TARN_VERSION "\nA modular music-production studio.",
            MessageBoxButtons::kOk);
    });
}

void MainWindow::BuildRecentMenu(QMenu* menu) {
    menu->clear();
    ListFile recent;
    std::error_code error;
    const std::filesystem::path list = AppPath(StudioApplication::kRecentProjects);
    if (std::filesystem::exists(list, error)) {
        recent.Read(list);
    }
    const std::vector<std::string>& entries = recent.Entries();
    // The newest first.
    for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry) {
        const std::filesystem::path file = *entry;
        menu->addAction(QString::fromStdString(file.string()), this, [this, file] {
            RunReported(application_.Feed(), kOpenFailed,
                        [this, &file] { return application_.Commands().OpenFile(file); });
        });
    }
    if (entries.empty()) {
        menu->addAction(tr("(none)"))->setEnabled(false);
    }
}

void MainWindow::RenderToWave() {
    const auto chosen = CurrentInteraction().ChooseFile(FileDialog::kSave, "wav");
    if (!chosen) {
        return;
    }
    // The dialog has asked before replacing a file.
    const auto target =
        CheckRenderOutput(chosen->string(), application_.Commands().CurrentFile(), true);
    if (target && RunReported(application_.Feed(), "The song could not be rendered.", [&] {
            return WaveRender(application_.GetStudio(), application_.Audio(), this).Run(*target);
        })) {
        statusBar()->showMessage(tr("Rendered %1").arg(QString::fromStdString(target->string())));
    }
}

void MainWindow::Notice(int notice, int value, int value2) {
    switch (notice) {
    case kNoticeSwitchMainView:
        ShowView(value);
        break;
    case kNoticeProjectSwapping:
        // The old project's machines go with it: their editors close first.
        machines_->CloseEditors();
        break;
    case kNoticeProjectSwapped:
        patterns_->Reload();
        sequencer_->Reload();
        wavetable_->Reload();
        UpdateTitle();
        ShowFile();
        break;
    case kNoticeSavedAs:
        UpdateTitle();
        ShowFile();
        break;
    case kNoticeMachinesChanged:
        patterns_->Reload();
        sequencer_->Reload();
        break;
    case kNoticePatternChanged:
        patterns_->PatternChanged(value, value2);
        sequencer_->Reload();
        break;
    case kNoticeSequenceChanged:
        sequencer_->Reload();
        break;
    case kNoticeExit:
        StoreState(application_.Settings());
        break;
    default:
        break;
    }
}

void MainWindow::ReplaceView(int view, QWidget* page) {
    page->setProperty("view", view);
    for (int index = 0; index < views_->count(); ++index) {
        QWidget* placeholder = views_->widget(index);
        if (placeholder != page && placeholder->property("view").toInt() == view) {
            views_->insertWidget(index, page);
            views_->removeWidget(placeholder);
            placeholder->deleteLater();
            return;
        }
    }
}

int MainWindow::CurrentView() const {
    return views_->currentWidget()->property("view").toInt();
}

void MainWindow::ShowView(int view) {
    for (int index = 0; index < views_->count(); ++index) {
        if (views_->widget(index)->property("view").toInt() == view) {
            views_->setCurrentIndex(index);
        }
    }
}

void MainWindow::UpdateUndo() {
    const UndoHistory& history = application_.Commands().History();
    undo_->setText(QString::fromStdString(history.UndoMenuText()).trimmed());
    undo_->setEnabled(!history.UndoName().empty());
    redo_->setText(QString::fromStdString(history.RedoMenuText()).trimmed());
    redo_->setEnabled(!history.RedoName().empty());
}

void MainWindow::UpdateTitle() {
    const std::filesystem::path file = application_.Commands().CurrentFile();
    const QString name =
        file.empty() ? tr("Untitled") : QString::fromStdString(file.filename().string());
    // "*" marks work not yet saved.
    const QString changed = application_.Commands().History().IsChanged() ? "*" : "";
    setWindowTitle(tr("%1%2 - Tarn Studio").arg(changed, name));
}

void MainWindow::ShowFile() {
    const std::filesystem::path file = application_.Commands().CurrentFile();
    statusBar()->showMessage(file.empty() ? tr("New project")
                                          : QString::fromStdString(file.string()));
}

void MainWindow::RestoreState(const SettingsStore& settings) {
    SettingsRectangle rectangle;
    if (settings.GetRectangle("windows.tarn.pos", rectangle) != 0 &&
        rectangle.right > rectangle.left && rectangle.bottom > rectangle.top) {
        setGeometry(ToRect(rectangle));
    }
    int maximized = 0;
    settings.GetInteger("windows.tarn.maximized", maximized);
    if (maximized != 0) {
        setWindowState(windowState() | Qt::WindowMaximized);
    }
    RestoreToolWindow(*console_, settings, "console");
    RestoreToolWindow(*cpuMonitor_, settings, "cpumon");
    RestoreToolWindow(*wavetable_, settings, "wavetable");
}

void MainWindow::StoreState(SettingsStore& settings) const {
    settings.SetInteger("windows.tarn.maximized", isMaximized() ? 1 : 0);
    if (!isMaximized()) {
        settings.SetRectangle("windows.tarn.pos", ToRectangle(geometry()));
    }
    StoreToolWindow(*console_, settings, "console");
    StoreToolWindow(*cpuMonitor_, settings, "cpumon");
    StoreToolWindow(*wavetable_, settings, "wavetable");
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (application_.Ended() || application_.Exit()) {
        event->accept();
    } else {
        event->ignore();
    }
}

} // namespace tarn
