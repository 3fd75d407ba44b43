#include "base/ConsoleLog.h"

#include "base/AppDirectory.h"
#include "base/MessagePipe.h"

namespace tarn {

ConsoleLog::ConsoleLog() : ConsoleLog(AppPath(kFileName)) {}

ConsoleLog::ConsoleLog(const std::filesystem::path& file)
    : file_(file, std::ios::out | std::ios::trunc | std::ios::binary) {}

ConsoleLog::~ConsoleLog() {
    for (MessagePipe* pipe : {&MessageOut(), &ErrorOut(), &WarningOut()}) {
        pipe->UnregisterReceiver(this);
    }
    for (auto [index, entry] : entries_) {
        delete entry;
    }
    file_.close();
}

void ConsoleLog::AddLine(int kind, const std::string& text) {
    entries_.Add(new ConsoleEntry{kind, text});
    const char* prefix = nullptr;
    switch (kind) {
    case kMessageLine:
        prefix = "[MSG] ";
        break;
    case kErrorLine:
        prefix = "[ERR] ";
        break;
    case kWarningLine:
        prefix = "[WAR] ";
        break;
    default:
        return;
    }
    file_ << prefix << text << '\n';
    file_.flush();
}

void ConsoleLog::RegisterWithPipes() {
    MessageOut().RegisterReceiver(this, &ConsoleLog::Receive, kMessageLine);
    ErrorOut().RegisterReceiver(this, &ConsoleLog::Receive, kErrorLine);
    WarningOut().RegisterReceiver(this, &ConsoleLog::Receive, kWarningLine);
}

void ConsoleLog::Receive(void* log, int kind, const std::string& text) {
    static_cast<ConsoleLog*>(log)->AddLine(kind, text);
}

} // namespace tarn
