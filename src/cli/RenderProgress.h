#pragma once

#include <chrono>
#include <string>

namespace tarn {

struct RenderResult;

// Shows on stderr how far an offline render has come (percent, beats,
// time spent and time left) when stderr is a terminal, the render lasts
// long enough to be worth watching and the user did not ask for quiet; a
// pipe or a file gets nothing of it. Lives on the rendering thread.
class RenderProgress {
public:
    explicit RenderProgress(bool quiet = false);

    // fraction: 0..1 of the render done; beats: rendered so far.
    void Update(double fraction, double beats);
    // Clears the progress line; the summary of what was written to shown,
    // how long the render took and its real-time factor.
    std::string Finish(const RenderResult& result, const std::string& shown);
    void Clear();

private:
    using Clock = std::chrono::steady_clock;

    bool terminal_;
    Clock::time_point start_ = Clock::now();
    Clock::time_point shown_{};
    bool showing_ = false;
};

} // namespace tarn
