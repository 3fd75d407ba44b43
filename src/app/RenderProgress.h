#pragma once

#include <chrono>
#include <iosfwd>

namespace tarn {

struct RenderResult;

// Shows on stderr how far an offline render has come, when stderr is a
// terminal and the render lasts long enough to be worth watching, and sums
// the render up once it is done. Lives on the rendering thread.
class RenderProgress {
public:
    RenderProgress();

    // fraction: 0..1 of the render done.
    void Update(double fraction);
    // Clears the progress line and prints what was written, how long the
    // render took and its real-time factor (seconds of audio per second).
    void Finish(std::ostream& out, const RenderResult& result);

private:
    using Clock = std::chrono::steady_clock;

    bool terminal_;
    Clock::time_point start_ = Clock::now();
    Clock::time_point shown_{};
    int percent_ = -1;
};

} // namespace tarn
