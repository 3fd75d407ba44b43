#include "app/RenderProgress.h"

#include "app/RenderSong.h"
#include "audio/AudioStreamer.h"

#include <iomanip>
#include <iostream>
#include <unistd.h>

namespace tarn {
namespace {

// Renders shorter than this finish before a progress line would help.
constexpr auto kQuietTime = std::chrono::milliseconds(500);
constexpr auto kRefreshTime = std::chrono::milliseconds(100);

} // namespace

RenderProgress::RenderProgress() : terminal_(isatty(STDERR_FILENO) != 0) {}

void RenderProgress::Update(double fraction) {
    const Clock::time_point now = Clock::now();
    if (!terminal_ || now - start_ < kQuietTime || now - shown_ < kRefreshTime) {
        return;
    }
    const int percent = static_cast<int>(fraction * 100.0);
    if (percent != percent_) {
        std::cerr << "\rrendering " << std::setw(3) << percent << "%" << std::flush;
        percent_ = percent;
        shown_ = now;
    }
}

void RenderProgress::Finish(std::ostream& out, const RenderResult& result) {
    if (percent_ >= 0) {
        std::cerr << "\r              \r" << std::flush;
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start_).count();
    const double audio = static_cast<double>(result.frames) / AudioStreamer::kSampleRate;
    out << "rendered " << result.frames << " frames (" << std::fixed << std::setprecision(2)
        << audio << " s of audio) to " << result.file.string() << " in " << seconds << " s";
    if (seconds > 0.0) {
        out << ", " << std::setprecision(1) << audio / seconds << "x real time";
    }
    out << std::defaultfloat << '\n';
}

} // namespace tarn
