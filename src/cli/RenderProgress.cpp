#include "cli/RenderProgress.h"

#include "audio/AudioStreamer.h"
#include "studio/RenderSong.h"

#include <iomanip>
#include <iostream>
#include <sstream>
#include <unistd.h>

namespace tarn {
namespace {

// Renders shorter than this finish before a progress line would help.
constexpr auto kQuietTime = std::chrono::milliseconds(500);
constexpr auto kRefreshTime = std::chrono::milliseconds(100);

} // namespace

RenderProgress::RenderProgress(bool quiet) : terminal_(!quiet && isatty(STDERR_FILENO) != 0) {}

void RenderProgress::Update(double fraction, double beats) {
    const Clock::time_point now = Clock::now();
    if (!terminal_ || now - start_ < kQuietTime || now - shown_ < kRefreshTime) {
        return;
    }
    const double elapsed = std::chrono::duration<double>(now - start_).count();
    const double left = fraction > 0.0 ? elapsed * (1.0 - fraction) / fraction : 0.0;
    std::cerr << "\rrendering " << std::setw(3) << static_cast<int>(fraction * 100.0) << "%, beat "
              << std::fixed << std::setprecision(1) << beats << ", " << elapsed << " s spent, "
              << left << " s left   " << std::defaultfloat << std::flush;
    showing_ = true;
    shown_ = now;
}

void RenderProgress::Clear() {
    if (showing_) {
        std::cerr << "\r\033[K" << std::flush;
        showing_ = false;
    }
}

std::string RenderProgress::Finish(const RenderResult& result, const std::string& shown) {
    Clear();
    const double seconds = std::chrono::duration<double>(Clock::now() - start_).count();
    const double audio = static_cast<double>(result.frames) / AudioStreamer::kSampleRate;
    std::ostringstream out;
    out << "rendered " << result.frames << " frames (" << std::fixed << std::setprecision(2)
        << audio << " s of audio) to " << shown << " in " << seconds << " s";
    if (seconds > 0.0) {
        out << ", " << std::setprecision(1) << audio / seconds << "x real time";
    }
    return out.str();
}

} // namespace tarn
