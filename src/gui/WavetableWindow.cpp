#include "gui/WavetableWindow.h"

#include "base/UserInteraction.h"
#include "engine/Project.h"
#include "gui/FailureReport.h"
#include "gui/StudioApplication.h"
#include "gui/WaveOverview.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>

namespace tarn {
namespace {

// The endings of the files the folder list offers; the sound handlers
// decide what actually loads.
constexpr std::array<std::string_view, 11> kSoundEndings{
    ".wav", ".aif", ".aiff", ".aifc", ".flac", ".ogg", ".au", ".snd", ".caf", ".w64", ".voc"};

bool IsSoundFile(const std::filesystem::path& file) {
    std::string ending = file.extension().string();
    std::transform(ending.begin(), ending.end(), ending.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return std::find(kSoundEndings.begin(), kSoundEndings.end(), ending) != kSoundEndings.end();
}

constexpr int kPathRole = Qt::UserRole;

} // namespace

WavetableWindow::WavetableWindow(StudioApplication& application, QWidget* parent)
    : QDockWidget(tr("Wavetable"), parent), application_(application) {
    setObjectName("Wavetable");
    auto* body = new QWidget(this);
    slots_ = new QListWidget;
    slots_->setObjectName("slots");
    slots_->setMinimumWidth(180);
    files_ = new QListWidget;
    files_->setObjectName("files");
    folderLabel_ = new QLabel;
    overview_ = new WaveOverview(application.GetStudio().Current(), application.GetSkin());

    auto* fileColumn = new QWidget;
    auto* fileLayout = new QVBoxLayout(fileColumn);
    fileLayout->setContentsMargins(0, 0, 0, 0);
    fileLayout->addWidget(folderLabel_);
    fileLayout->addWidget(files_, 1);
    auto* lists = new QSplitter;
    lists->addWidget(slots_);
    lists->addWidget(fileColumn);

    auto* buttons = new QHBoxLayout;
    auto* load = new QPushButton(tr("Load..."));
    auto* remove = new QPushButton(tr("Remove"));
    buttons->addWidget(load);
    buttons->addWidget(remove);
    buttons->addStretch(1);

    auto* layout = new QVBoxLayout(body);
    layout->addLayout(buttons);
    layout->addWidget(lists, 1);
    layout->addWidget(overview_);
    setWidget(body);

    connect(load, &QPushButton::clicked, this, [this] { Load(); });
    connect(remove, &QPushButton::clicked, this, [this] { Remove(); });
    connect(slots_, &QListWidget::currentRowChanged, overview_, &WaveOverview::SetSlot);
    // A file selected in the folder plays once through the preview.
    connect(files_, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* item) {
        if (item != nullptr) {
            application_.GetStudio().Wavetable().Preview(
                item->data(kPathRole).toString().toStdString());
        }
    });
    connect(files_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        LoadFile(item->data(kPathRole).toString().toStdString());
    });
    Reload();
}

void WavetableWindow::Reload() {
    const int selected = std::max(0, SelectedSlot());
    std::vector<std::string> names(kShownSlots);
    {
        CurrentProject& current = application_.GetStudio().Current();
        ProjectLock hold(current);
        if (const Project* project = current.Get()) {
            for (auto [index, wave] : project->Waves()) {
                if (index >= static_cast<int>(names.size())) {
                    names.resize(static_cast<std::size_t>(index) + 1);
                }
                names[static_cast<std::size_t>(index)] = wave->name;
            }
        }
    }
    slots_->clear();
    for (std::size_t slot = 0; slot < names.size(); ++slot) {
        slots_->addItem(
            QStringLiteral("%1. %2").arg(slot).arg(QString::fromStdString(names[slot])));
    }
    SelectSlot(selected);
    overview_->update();
}

void WavetableWindow::SelectSlot(int slot) {
    slots_->setCurrentRow(slot);
}

int WavetableWindow::SelectedSlot() const {
    return slots_->currentRow();
}

int WavetableWindow::Load() {
    const std::optional<std::filesystem::path> file = CurrentInteraction().ChooseSoundFile();
    return file ? LoadFile(*file) : 0;
}

int WavetableWindow::LoadFile(const std::filesystem::path& file) {
    int loaded = 0;
    RunReported(application_.Feed(), "The sound could not be loaded.", [&] {
        loaded = application_.GetStudio().Wavetable().LoadIntoSlot(SelectedSlot(), file);
        return loaded != 0;
    });
    if (loaded != 0) {
        application_.Commands().History().MarkChanged();
        ShowFolder(file.parent_path());
        Reload();
    }
    return loaded;
}

int WavetableWindow::Remove() {
    const int removed = application_.GetStudio().Wavetable().ClearSlot(SelectedSlot());
    if (removed != 0) {
        application_.Commands().History().MarkChanged();
        Reload();
    }
    return removed;
}

void WavetableWindow::ShowFolder(const std::filesystem::path& folder) {
    if (folder == folder_) {
        return;
    }
    folder_ = folder;
    folderLabel_->setText(QString::fromStdString(folder.string()));
    std::vector<std::filesystem::path> found;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        if (entry.is_regular_file(error) && IsSoundFile(entry.path())) {
            found.push_back(entry.path());
        }
    }
    std::sort(found.begin(), found.end());
    const QSignalBlocker quiet(files_); // filling the list previews nothing
    files_->clear();
    for (const std::filesystem::path& file : found) {
        auto* item = new QListWidgetItem(QString::fromStdString(file.filename().string()), files_);
        item->setData(kPathRole, QString::fromStdString(file.string()));
    }
}

} // namespace tarn
