#pragma once

#include <mutex>
#include <string>
#include <vector>

namespace tarn::test {

// Collects every line of the three message pipes while it exists. Lines may
// come from the fill thread, so reading takes a copy under a lock.
class CapturedLines {
public:
    CapturedLines();
    ~CapturedLines();
    CapturedLines(const CapturedLines&) = delete;
    CapturedLines& operator=(const CapturedLines&) = delete;

    // The texts of one kind of line (1 message, 2 error, 3 warning), in order.
    std::vector<std::string> Of(int kind) const;

private:
    static void Receive(void* self, int kind, const std::string& text);

    mutable std::mutex lock_;
    std::vector<std::pair<int, std::string>> lines_;
};

} // namespace tarn::test
