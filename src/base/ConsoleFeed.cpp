#include "base/ConsoleFeed.h"

#include "base/MessagePipe.h"

#include <algorithm>

namespace tarn {

void ConsoleFeed::Add(int kind, const std::string& text) {
    std::lock_guard hold(lock_);
    lines_.push_back(ConsoleEntry{kind, text});
    if (lines_.size() > kMaxLines) {
        lines_.pop_front();
    }
    ++added_;
}

std::size_t ConsoleFeed::Take(std::size_t from, std::vector<ConsoleEntry>& out) const {
    std::lock_guard hold(lock_);
    const std::size_t first = added_ - lines_.size();
    for (std::size_t serial = std::max(from, first); serial < added_; ++serial) {
        out.push_back(lines_[serial - first]);
    }
    return added_;
}

std::size_t ConsoleFeed::End() const {
    std::lock_guard hold(lock_);
    return added_;
}

std::string ConsoleFeed::FirstError(std::size_t from) const {
    std::vector<ConsoleEntry> lines;
    Take(from, lines);
    const auto error = std::ranges::find_if(
        lines, [](const ConsoleEntry& line) { return line.kind == kErrorLine; });
    return error != lines.end() ? error->text : std::string();
}

} // namespace tarn
