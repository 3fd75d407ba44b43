#include "gui/WaveRender.h"

#include "base/MessagePipe.h"
#include "studio/OutputFile.h"
#include "studio/RenderSong.h"
#include "studio/StudioAudio.h"

#include <QEventLoop>
#include <QProgressDialog>
#include <QTimer>

#include <atomic>
#include <thread>

namespace tarn {
namespace {

constexpr int kPollMilliseconds = 50;
constexpr int kProgressSteps = 1000;

} // namespace

bool WaveRender::Run(const std::filesystem::path& target) {
    const std::string shown = target.string();
    ReplacingFile file(target);
    if (!file.Ok()) {
        ReportUnwritten(file, shown);
        return false;
    }
    std::atomic<double> fraction = 0.0;
    std::atomic<bool> cancelled = false;
    std::atomic<bool> finished = false;
    RenderRequest request;
    request.output = file.Temporary();
    request.shown = shown;
    request.progress = [&fraction](double done, double) { fraction.store(done); };
    request.cancelled = [&cancelled] { return cancelled.load(); };

    audio_.Pause();
    RenderResult result;
    std::thread worker([&] {
        result = RenderSong(studio_, request);
        finished.store(true);
    });
    QProgressDialog progress(QObject::tr("Rendering %1").arg(QString::fromStdString(shown)),
                             QObject::tr("Cancel"), 0, kProgressSteps, parent_);
    progress.setWindowTitle(QObject::tr("Render to WAVE"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (progress.wasCanceled()) {
            cancelled = true;
        } else {
            progress.setValue(static_cast<int>(fraction.load() * (kProgressSteps - 1)));
        }
        if (finished.load()) {
            loop.quit();
        }
    });
    poll.start(kPollMilliseconds);
    progress.show();
    loop.exec();
    worker.join();
    progress.reset();
    audio_.Resume();

    if (result.cancelled) {
        MessageOut() << "render cancelled; '" << shown << "' was not changed" << eol;
        return false;
    }
    if (!result.done) {
        return false;
    }
    if (!file.Commit()) {
        ReportUnwritten(file, shown);
        return false;
    }
    MessageOut() << "rendered " << shown << eol;
    return true;
}

} // namespace tarn
