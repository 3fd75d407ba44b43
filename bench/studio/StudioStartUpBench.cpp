// The windowed studio's start-up, from nothing to the shown main window,
// and its shut-down, on the offscreen platform in a scratch application
// directory laid out from the shipped one. No audio device and no MIDI, so
// the figures are the studio's own.
#include "base/AppDirectory.h"
#include "formats/SettingsStore.h"
#include "gui/StudioApplication.h"
#include "studio/CommandConsole.h"
#include "studio/OffscreenApplication.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>

namespace tarn {
namespace {

// Lays out the application directory once per run and makes it current.
void PrepareStudio() {
    static const bool prepared = [] {
        EnsureOffscreenApplication();
        const auto folder = std::filesystem::temp_directory_path() / "tarn-bench-studio";
        std::filesystem::remove_all(folder);
        std::filesystem::copy(TARN_DIST_DIR, folder, std::filesystem::copy_options::recursive);
        std::filesystem::current_path(folder);
        SetAppDirectory(folder);
        SettingsStore settings;
        settings.Load(SettingsStore::kFileName);
        settings.SetString("audio.backend", std::string(StudioAudio::kNoBackend));
        settings.SetInteger("midi.enabled", 0);
        settings.Save(SettingsStore::kFileName);
        return true;
    }();
    (void)prepared;
}

void BM_StudioStartUp(benchmark::State& state) {
    PrepareStudio();
    for (auto _ : state) {
        CommandConsole console;
        auto studio = std::make_unique<StudioApplication>(console);
        if (!studio->StartUp()) {
            state.SkipWithError("start-up failed");
            break;
        }
        QApplication::processEvents();
        state.PauseTiming();
        studio.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StudioStartUp)->Unit(benchmark::kMillisecond);

void BM_StudioShutDown(benchmark::State& state) {
    PrepareStudio();
    for (auto _ : state) {
        state.PauseTiming();
        CommandConsole console;
        auto studio = std::make_unique<StudioApplication>(console);
        if (!studio->StartUp()) {
            state.SkipWithError("start-up failed");
            break;
        }
        QApplication::processEvents();
        state.ResumeTiming();
        studio.reset();
    }
}
BENCHMARK(BM_StudioShutDown)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace tarn
