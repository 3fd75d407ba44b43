#pragma once

#include <chrono>
#include <thread>

namespace tarn::test {

// Polls `done` every millisecond until it holds or `limit` has passed, and
// answers whether it held. Tests wait for a JACK server this way rather
// than for a fixed time: on a loaded machine the server's cycles fall far
// behind the wall clock.
template <typename Condition> bool WaitUntil(Condition done, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

} // namespace tarn::test
