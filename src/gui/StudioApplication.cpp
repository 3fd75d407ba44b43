#include "gui/StudioApplication.h"

#include "base/AppDirectory.h"
#include "base/MessagePipe.h"
#include "formats/ListFile.h"
#include "gui/MainWindow.h"
#include "studio/CommandConsole.h"
#include "studio/StartUpStep.h"
#include "studio/StudioAudio.h"

#include <QApplication>
#include <QImageReader>
#include <QThread>

#include <optional>

namespace tarn {
namespace {

constexpr std::string_view kRestoreText =
    "Tarn Studio did not close properly last time. Do you want to restore the project it saved "
    "automatically before that?";

} // namespace

StudioApplication::StudioApplication(CommandConsole& console, UserInteraction* interaction)
    : console_(console), interaction_(interaction != nullptr ? interaction : &dialogs_) {
    console_.SetListener([this](int kind, const std::string& text) {
        feed_.Add(kind, text);
        if (splash_ != nullptr && kind == kMessageLine &&
            QThread::currentThread() == qApp->thread()) {
            splash_->ShowStep(QString::fromStdString(text));
        }
    });
}

bool StudioApplication::StartUp(const std::filesystem::path& project) {
    StartUpStep("creating message pipes");
    // Without its settings the studio would lose the user's on Exit.
    if (settings_.Load(SettingsStore::kFileName) == 0) {
        return false;
    }
    TimedStartUpStep("loading image handlers", [] { QImageReader::supportedImageFormats(); });
    splash_ = SplashWindow::Open();
    if (splash_ != nullptr) {
        splash_->show();
    }
    // Sound handlers are loaded when a sound is first read.
    TimedStartUpStep("loading sound handlers", [] {});
    try {
        TimedStartUpStep("loading skin", [this] { skin_ = Skin::Load(Skin::kFolder); });
    } catch (const SkinError&) {
        splash_.reset();
        return false;
    }
    qApp->setPalette(skin_->Palette());
    qApp->setFont(skin_->font);
    qApp->setStyleSheet(skin_->StyleSheet());

    studio_ = std::make_unique<Studio>(StudioMachines::kBuiltInAndGear);
    studio_->Engine().ShowMeters(true);
    std::string backend = "auto";
    settings_.GetString("audio.backend", backend);
    std::string latency = "safe";
    settings_.GetString("audio.latency", latency);
    const std::optional<LatencyMode> mode = ParseLatencyMode(latency);
    if (!mode) {
        WarningOut() << "warning: audio.latency is \"" << latency
                     << "\", neither \"safe\" nor \"low\"; playing safe" << eol;
    }
    std::string transportText = "follow";
    settings_.GetString("audio.transport", transportText);
    const std::optional<TransportMode> transport = ParseTransportMode(transportText);
    if (!transport) {
        WarningOut() << "warning: audio.transport is \"" << transportText
                     << "\", not \"off\", \"follow\" or \"lead\"; following" << eol;
    }
    audio_ = std::make_unique<StudioAudio>(*studio_, backend, mode.value_or(LatencyMode::kSafe),
                                           transport.value_or(TransportMode::kFollow));
    StartUpStep("initializing input devices...");
    int midi = 1;
    settings_.GetInteger("midi.enabled", midi);
    if (midi != 0) {
        audio_->OpenMidiInputs();
    }
    StartUpStep("creating default project...");
    studio_->SetProject(studio_->NewProject());
    commands_ = std::make_unique<ProjectCommands>(*studio_);
    autosave_ = std::make_unique<Autosave>(*studio_, commands_->History());

    StartUpStep("creating GUI...");
    std::string lastDirectory;
    settings_.GetString("windows.tarn.lastdir", lastDirectory);
    dialogs_.SetLastDirectory(lastDirectory);
    window_ = std::make_unique<MainWindow>(*this);
    dialogs_.SetParent(window_.get());
    SetCurrentInteraction(interaction_);
    SetStudioObserver(this);
    keys_ = std::make_unique<KeyboardHook>(studio_->Current());
    qApp->installEventFilter(keys_.get());
    window_->show();
    splash_.reset();

    QObject::connect(&autosaveTimer_, &QTimer::timeout, [this] { autosave_->SaveIfChanged(); });
    autosaveTimer_.start(kAutosaveMilliseconds);
    sessionBegun_ = true;
    if (Autosave::BeginSession()) {
        OfferRestore();
    }
    if (!project.empty()) {
        commands_->OpenFile(project);
    }
    return true;
}

void StudioApplication::OfferRestore() {
    if (CurrentInteraction().ShowMessage(kStudioCaption, kRestoreText, MessageBoxButtons::kYesNo) ==
        MessageBoxAnswer::kYes) {
        commands_->Restore(AppPath(Autosave::kFileName), Autosave::Source());
    }
}

int StudioApplication::Run() {
    if (!ended_) {
        loop_.exec();
    }
    return 0;
}

bool StudioApplication::Exit() {
    if (!commands_->Exit()) {
        return false;
    }
    if (!dialogs_.LastDirectory().empty()) {
        settings_.SetString("windows.tarn.lastdir", dialogs_.LastDirectory());
    }
    settings_.Save(SettingsStore::kFileName);
    ended_ = true;
    loop_.exit(0);
    return true;
}

void StudioApplication::Notice(int notice, int value, int value2) {
    if (window_ == nullptr) {
        return;
    }
    if ((notice == kNoticeProjectSwapped || notice == kNoticeSavedAs) &&
        !commands_->CurrentFile().empty()) {
        RememberInList(AppPath(kRecentProjects), commands_->CurrentFile().string(),
                       kRecentCapacity);
    }
    if (QThread::currentThread() == window_->thread()) {
        window_->Notice(notice, value, value2);
        return;
    }
    QMetaObject::invokeMethod(
        window_.get(),
        [window = window_.get(), notice, value, value2] { window->Notice(notice, value, value2); },
        Qt::QueuedConnection);
}

StudioApplication::~StudioApplication() {
    if (studio_ != nullptr) {
        StartUpStep("Massive destruction (tm)...");
        autosaveTimer_.stop();
        SetStudioObserver(nullptr);
        SetCurrentInteraction(nullptr);
        keys_.reset();
        window_.reset();
        skin_.reset();
        audio_.reset();
        autosave_.reset();
        commands_.reset();
        studio_.reset();
    }
    if (sessionBegun_) {
        Autosave::EndSession();
    }
    console_.SetListener({});
}

int RunStudio(CommandConsole& console, const std::filesystem::path& project) {
    static int argc = 1;
    static char name[] = "tarn";
    static char* argv[] = {name, nullptr};
    std::unique_ptr<QApplication> application;
    if (QApplication::instance() == nullptr) {
        application = std::make_unique<QApplication>(argc, argv);
    }
    QApplication::setApplicationName("Tarn Studio");
    QApplication::setQuitOnLastWindowClosed(false);
    StudioApplication studio(console);
    if (!studio.StartUp(project)) {
        return 1;
    }
    return studio.Run();
}

} // namespace tarn
