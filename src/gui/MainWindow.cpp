#include "gui/MainWindow.h"

#include "app/ProjectCommands.h"
#include "base/StudioObserver.h"
#include "base/UserInteraction.h"
#include "engine/Project.h"
#include "gui/StudioApplication.h"

#include <QAction>
#include <QCloseEvent>
#include <QLabel>
#include <QMenuBar>
#include <QStackedWidget>
#include <QStatusBar>

#include <array>
#include <utility>

namespace tarn {
namespace {

struct ViewPage {
    int view;
    const char* title;
};

constexpr std::array<ViewPage, 3> kViewPages{{
    {MainWindow::kMachineView, "Machines"},
    {MainWindow::kPatternView, "Patterns"},
    {MainWindow::kSequencerView, "Sequencer"},
}};

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
    setCentralWidget(views_);
    BuildMenus();
    statusBar()->showMessage(tr("Ready"));
    resize(1280, 800);
    UpdateTitle();
}

MainWindow::~MainWindow() = default;

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
    QMenu* file = menuBar()->addMenu(tr("&File"));
    AddCommand(file, tr("&New"), QKeySequence(Qt::CTRL | Qt::Key_N),
               [&commands] { commands.New(); });
    AddCommand(file, tr("&Open..."), QKeySequence(Qt::CTRL | Qt::Key_O),
               [&commands] { commands.Open(); });
    AddCommand(file, tr("&Save"), QKeySequence(Qt::CTRL | Qt::Key_S),
               [&commands] { commands.Save(); });
    AddCommand(file, tr("Save &As..."), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S),
               [&commands] { commands.SaveAs(); });
    file->addSeparator();
    AddCommand(file, tr("E&xit"), QKeySequence(Qt::CTRL | Qt::Key_Q),
               [this] { application_.Exit(); });

    QMenu* edit = menuBar()->addMenu(tr("&Edit"));
    QAction* undo = AddCommand(edit, tr("&Undo"), QKeySequence(Qt::CTRL | Qt::Key_Z),
                               [&commands] { commands.Undo(); });
    QAction* redo = AddCommand(edit, tr("&Redo"), QKeySequence(Qt::CTRL | Qt::Key_Y),
                               [&commands] { commands.Redo(); });
    // The entries name what they would undo or redo.
    connect(edit, &QMenu::aboutToShow, this, [&commands, undo, redo] {
        const UndoHistory& history = commands.History();
        undo->setText(QString::fromStdString(history.UndoMenuText()).trimmed());
        undo->setEnabled(!history.UndoName().empty());
        redo->setText(QString::fromStdString(history.RedoMenuText()).trimmed());
        redo->setEnabled(!history.RedoName().empty());
    });

    QMenu* view = menuBar()->addMenu(tr("&View"));
    const std::array<Qt::Key, 3> keys{Qt::Key_F2, Qt::Key_F3, Qt::Key_F4};
    for (std::size_t index = 0; index < kViewPages.size(); ++index) {
        const int page = kViewPages[index].view;
        AddCommand(view, tr(kViewPages[index].title), QKeySequence(keys[index]),
                   [page] { NotifyStudio(kNoticeSwitchMainView, page); });
    }
    QMenu* help = menuBar()->addMenu(tr("&Help"));
    help->addAction(tr("&About Tarn Studio"), this, [] {
        CurrentInteraction().ShowMessage(
            kStudioCaption, "Tarn Studio " TARN_VERSION "\nA modular music-production studio.",
            MessageBoxButtons::kOk);
    });
}

void MainWindow::Notice(int notice, int value, int /*value2*/) {
    switch (notice) {
    case kNoticeSwitchMainView:
        ShowView(value);
        break;
    case kNoticeProjectSwapped:
    case kNoticeSavedAs:
        UpdateTitle();
        break;
    default:
        break;
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

void MainWindow::UpdateTitle() {
    const std::filesystem::path file = application_.Commands().CurrentFile();
    const QString name =
        file.empty() ? tr("Untitled") : QString::fromStdString(file.filename().string());
    setWindowTitle(tr("%1 - Tarn Studio").arg(name));
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (application_.Ended() || application_.Exit()) {
        event->accept();
    } else {
        event->ignore();
    }
}

} // namespace tarn
