#include "studio/OutputFile.h"

#include "base/MessagePipe.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <fstream>

namespace tarn {
namespace {

namespace fs = std::filesystem;

constexpr int kWaveFormatTag = 20; // byte offset of the format tag in a WAVE header
constexpr std::uint16_t kFloatFormat = 3;
constexpr std::uint16_t kExtensibleFormat = 0xFFFE;

std::string LowerExtension(const fs::path& file) {
    std::string extension = file.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

fs::path CleanAbsolute(const std::string& output) {
    return fs::absolute(fs::path(output)).lexically_normal();
}

// What the streamer writes: a float WAVE header, or headerless floats that
// no other format's magic starts.
bool IsStudioSoundFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::array<char, 24> head{};
    in.read(head.data(), head.size());
    const std::size_t read = static_cast<std::size_t>(in.gcount());
    const bool riff = read >= 4 && std::memcmp(head.data(), "RIFF", 4) == 0;
    if (LowerExtension(file) == ".raw") {
        std::error_code error;
        return !riff && fs::file_size(file, error) % sizeof(float) == 0 && !error;
    }
    if (!riff || read < head.size() || std::memcmp(head.data() + 8, "WAVE", 4) != 0) {
        return false;
    }
    std::uint16_t tag = 0;
    std::memcpy(&tag, head.data() + kWaveFormatTag, sizeof(tag));
    return tag == kFloatFormat || tag == kExtensibleFormat;
}

bool RefuseName(const std::string& output) {
    if (output.empty()) {
        ErrorOut() << "error: the output file name is empty" << eol;
        return true;
    }
    if (output.back() == '/' || fs::is_directory(output)) {
        ErrorOut() << "error: '" << output << "' is a directory; give a file name" << eol;
        return true;
    }
    if (fs::exists(output) && !fs::is_regular_file(output)) {
        ErrorOut() << "error: '" << output << "' is not a regular file" << eol;
        return true;
    }
    return false;
}

} // namespace

std::optional<fs::path> CheckRenderOutput(const std::string& output, const fs::path& project,
                                          bool force) {
    if (RefuseName(output)) {
        return std::nullopt;
    }
    fs::path target = CleanAbsolute(output);
    const std::string extension = LowerExtension(target);
    if (extension.empty()) {
        target += ".wav";
    } else if (extension != ".wav" && extension != ".raw") {
        ErrorOut() << "error: cannot render to '" << output
                   << "': the output must be a .wav or .raw file" << eol;
        return std::nullopt;
    }
    std::error_code error;
    if (fs::equivalent(target, project, error)) {
        ErrorOut() << "error: '" << output << "' is the project being rendered" << eol;
        return std::nullopt;
    }
    if (!force && fs::exists(target) && !IsStudioSoundFile(target)) {
        ErrorOut() << "error: '" << output
                   << "' exists and is not a sound file the studio wrote; use --force to "
                      "replace it"
                   << eol;
        return std::nullopt;
    }
    return target;
}

std::optional<fs::path> CheckProjectOutput(const std::string& output, bool force) {
    if (RefuseName(output)) {
        return std::nullopt;
    }
    if (!force && fs::exists(output)) {
        ErrorOut() << "error: '" << output << "' exists; use --force to replace it" << eol;
        return std::nullopt;
    }
    return CleanAbsolute(output);
}

void ReportUnwritten(const ReplacingFile& file, const std::string& shown) {
    ErrorOut() << "error: cannot write '" << shown << "': " << std::strerror(file.Error()) << eol;
}

} // namespace tarn
