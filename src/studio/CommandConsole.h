#pragma once

#include "base/ConsoleLog.h"

#include <atomic>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>

namespace tarn {

// The console of a command-line run: every line reaches "Out/Console.log"
// as in the studio and, with no console window to show them, errors and
// warnings are echoed to stderr. Message lines are echoed to stdout only
// while a command asks for them (playback shows its device lines), so that
// commands whose stdout is data (dump) stay clean. Registered with the
// three pipes for its whole life; lines may arrive from any thread.
class CommandConsole {
public:
    CommandConsole();
    ~CommandConsole();
    CommandConsole(const CommandConsole&) = delete;
    CommandConsole& operator=(const CommandConsole&) = delete;

    void EchoMessages(bool echo) { echoMessages_.store(echo); }
    // A summary for the user ("rendered ...", "playback stopped"): on stdout
    // and in the log, like every other line of the program.
    void Say(const std::string& text);
    // Also hands every line to listener (a console window), on the thread
    // that ended it; an empty function stops that. Once it returns, the
    // previous listener is no longer called.
    using Listener = std::function<void(int kind, const std::string& text)>;
    void SetListener(Listener listener);
    // Warning lines seen so far: a project that loads with warnings plays,
    // but the command says so at its end (or refuses, when strict).
    int Warnings() const { return warnings_.load(); }
    // Error lines seen so far: a project that loads or builds with errors
    // (a connection to a machine that is not there, say) is refused when
    // strict.
    int Errors() const { return errors_.load(); }

private:
    static void Receive(void* console, int kind, const std::string& text);

    ConsoleLog log_;
    std::atomic<bool> echoMessages_ = false;
    std::atomic<int> warnings_ = 0;
    std::atomic<int> errors_ = 0;
    std::mutex listenerLock_;
    Listener listener_;
};

} // namespace tarn
