#pragma once

#include "base/ConsoleLog.h"

#include <cstddef>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

namespace tarn {

// The console's lines for the console window, handed over from whichever
// thread wrote them. Keeps the latest kMaxLines; each line has a serial
// number counted from the first, so a reader asks for what came after the
// last one it took.
class ConsoleFeed {
public:
    static constexpr std::size_t kMaxLines = 10000;

    // Any thread.
    void Add(int kind, const std::string& text);
    // Appends the lines from serial from on that are still kept to out;
    // the serial of the next line to come.
    std::size_t Take(std::size_t from, std::vector<ConsoleEntry>& out) const;
    // The serial of the next line to come.
    std::size_t End() const;
    // The first error line from serial from on ("error: ..."); empty when
    // there is none. Tells the user why a command they gave failed.
    std::string FirstError(std::size_t from) const;

private:
    mutable std::mutex lock_;
    std::deque<ConsoleEntry> lines_;
    std::size_t added_ = 0;
};

} // namespace tarn
