#include "wavetable/SoundFuzzCheck.h"

#include "base/AppDirectory.h"
#include "base/MessagePipe.h"
#include "support/TestMachine.h"
#include "wavetable/SoundLoader.h"

#include <filesystem>
#include <fstream>
#include <memory>
#include <unistd.h>

namespace tarn::test {
namespace {

// What the built-in reader may allocate beyond its input: the decoded floats
// are at most twice the 16-bit samples they come from, plus its fixed block.
constexpr std::size_t kFixedBytes = 1 << 17;

// One application directory per process and kind, kept for the run.
std::filesystem::path Directory(bool withPlugin) {
    const std::filesystem::path directory =
        std::filesystem::temp_directory_path() /
        ("tarn-sound-fuzz-" + std::to_string(getpid()) + (withPlugin ? "-plugin" : "-wav"));
    if (withPlugin && !std::filesystem::exists(directory / SoundLoader::kPluginFolder)) {
        std::filesystem::create_directories(directory / SoundLoader::kPluginFolder);
        std::filesystem::copy_file(TARN_SNDFILE_PLUGIN,
                                   directory / SoundLoader::kPluginFolder / "Sndfile.so");
    }
    std::filesystem::create_directories(directory);
    return directory;
}

} // namespace

std::string CheckSoundInput(const std::uint8_t* data, std::size_t size, bool withPlugin) {
    const std::filesystem::path directory = Directory(withPlugin);
    const std::filesystem::path previous = AppDirectory();
    SetAppDirectory(directory);
    const std::filesystem::path file = directory / "input.snd";
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    PipeCapture errors(ErrorOut());
    // Handlers are found once per process, as in the studio.
    static SoundLoader wavLoader;
    static SoundLoader pluginLoader;
    SoundLoader& loader = withPlugin ? pluginLoader : wavLoader;
    const int result = loader.Load(file);
    SetAppDirectory(previous);
    const std::size_t lines = errors.Take().size();
    if (result == 0) {
        return lines == 1 ? "" : "refused with " + std::to_string(lines) + " error lines";
    }
    const Sound* sound = loader.GetSound();
    if (sound == nullptr || lines != 0) {
        return "decoded with error lines or without a sound";
    }
    const SoundFormat& format = sound->Format();
    const std::size_t decoded = static_cast<std::size_t>(format.frameCount) *
                                static_cast<std::size_t>(format.channelCount) * sizeof(float);
    if (!withPlugin && decoded > 2 * size + kFixedBytes) {
        return "decoded " + std::to_string(decoded) + " bytes from " + std::to_string(size);
    }
    return "";
}

} // namespace tarn::test
