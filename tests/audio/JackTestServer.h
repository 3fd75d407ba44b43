#pragma once

#include "audio/ScopedEnvironment.h"

#include <optional>
#include <string>
#include <sys/types.h>

namespace tarn::test {

// A private JACK server on the dummy backend (which keeps real time without
// a sound card), under a name no other test run uses. While it exists,
// JACK_DEFAULT_SERVER points this process's clients at it. The server is
// stopped by its process id when the object goes, and dies with the test
// process if that ends first. It runs synchronously: every cycle waits for
// every client, so a listening client hears each period another client
// played, however loaded the machine is.
//
// JACK servers share one registry in shared memory, and clients fail now
// and then while another server starts or stops. Test processes run in
// parallel, so each takes kLockFile for the life of its server: one private
// server at a time on the machine.
class JackTestServer {
public:
    static constexpr const char* kLockFile = "/tmp/tarn-jack-test-server.lock";

    explicit JackTestServer(int sampleRate);
    ~JackTestServer();
    JackTestServer(const JackTestServer&) = delete;
    JackTestServer& operator=(const JackTestServer&) = delete;

    bool Running() const { return problem_.empty(); }
    // Why the server is not running, for the skip message.
    const std::string& Problem() const { return problem_; }

private:
    bool Answers() const;
    void Terminate();

    int lock_ = -1;
    std::string name_;
    pid_t pid_ = -1;
    std::string problem_;
    std::optional<ScopedEnvironment> serverName_;
};

} // namespace tarn::test
