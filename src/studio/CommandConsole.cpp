#include "studio/CommandConsole.h"

#include "base/AppDirectory.h"
#include "base/MessagePipe.h"

#include <iostream>

namespace tarn {
namespace {

// A fresh application directory may lack "Out"; without it the log would
// silently keep its lines in memory only.
std::filesystem::path PrepareLogFile() {
    const std::filesystem::path file = AppPath(ConsoleLog::kFileName);
    std::error_code ignored;
    std::filesystem::create_directories(file.parent_path(), ignored);
    return file;
}

} // namespace

CommandConsole::CommandConsole() : log_(PrepareLogFile()) {
    MessageOut().RegisterReceiver(this, &Receive, kMessageLine);
    ErrorOut().RegisterReceiver(this, &Receive, kErrorLine);
    WarningOut().RegisterReceiver(this, &Receive, kWarningLine);
}

CommandConsole::~CommandConsole() {
    MessageOut().UnregisterReceiver(this);
    ErrorOut().UnregisterReceiver(this);
    WarningOut().UnregisterReceiver(this);
}

void CommandConsole::Say(const std::string& text) {
    MessageOut() << text << eol;
    if (!echoMessages_.load()) {
        std::cout << text << '\n';
    }
}

void CommandConsole::SetListener(Listener listener) {
    std::lock_guard hold(listenerLock_);
    listener_ = std::move(listener);
}

void CommandConsole::Receive(void* console, int kind, const std::string& text) {
    auto* self = static_cast<CommandConsole*>(console);
    self->log_.AddLine(kind, text);
    {
        std::lock_guard hold(self->listenerLock_);
        if (self->listener_) {
            self->listener_(kind, text);
        }
    }
    if (kind == kWarningLine) {
        ++self->warnings_;
    } else if (kind == kErrorLine) {
        ++self->errors_;
    }
    if (kind == kErrorLine || kind == kWarningLine) {
        std::cerr << text << '\n';
    } else if (self->echoMessages_.load()) {
        std::cout << text << '\n';
    }
}

} // namespace tarn
