#pragma once

#include "base/SlotList.h"

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

namespace tarn {

struct ConsoleEntry {
    int kind = 0;
    std::string text;
};

// Keeps every line the program writes, in memory and in "Out/Console.log"
// (truncated on creation, flushed after every line so that the log is whole
// after a crash). Lines reach it through the message pipes; the pipes
// serialise delivery, so AddLine is not called from two threads at once.
class ConsoleLog {
public:
    static constexpr const char* kFileName = "Out/Console.log";

    // Opens the log file under the application directory. When it cannot be
    // opened, lines are still kept in memory.
    ConsoleLog();
    explicit ConsoleLog(const std::filesystem::path& file);
    ~ConsoleLog();
    ConsoleLog(const ConsoleLog&) = delete;
    ConsoleLog& operator=(const ConsoleLog&) = delete;

    void AddLine(int kind, const std::string& text);

    // Makes this log the receiver of the three process-wide pipes.
    void RegisterWithPipes();
    // The receiver function used with the pipes.
    static void Receive(void* log, int kind, const std::string& text);

    const SlotList<ConsoleEntry>& Entries() const { return entries_; }
    bool FileOpen() const { return file_.is_open() && file_.good(); }

private:
    SlotList<ConsoleEntry> entries_{256};
    std::ofstream file_;
};

} // namespace tarn
