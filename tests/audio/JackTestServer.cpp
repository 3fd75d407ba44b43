#include "audio/JackTestServer.h"

#include "support/SpawnedProgram.h"

#include <jack/jack.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace tarn::test {
namespace {

constexpr auto kStartTimeout = std::chrono::seconds(10);
constexpr auto kStopTimeout = std::chrono::seconds(5);
constexpr const char* kClientTimeoutMs = "5000";

std::string UniqueName() {
    static std::atomic<int> serial = 0;
    return "tarn-test-" + std::to_string(::getpid()) + "-" + std::to_string(serial++);
}

void SilentJackMessage(const char*) {}

} // namespace

JackTestServer::JackTestServer(int sampleRate) : name_(UniqueName()) {
    lock_ = ::open(kLockFile, O_CREAT | O_RDWR | O_CLOEXEC, 0666);
    if (lock_ < 0 || ::flock(lock_, LOCK_EX) != 0) {
        problem_ = std::string("cannot lock ") + kLockFile;
        return;
    }
    const std::string rate = std::to_string(sampleRate);
    // Non-real-time, so that it also runs where the system refuses
    // real-time scheduling; the dummy backend paces itself by the clock.
    // Synchronous, with a client timeout far beyond any scheduling delay:
    // by default the server starts the next cycle for the clients that are
    // ready while a late one still works on the last, so on a loaded machine
    // a listening client misses periods or reads the next one out of a port
    // buffer. Waiting for the whole graph every cycle makes each client
    // see every cycle, in order; late cycles are skipped for all alike.
    // The server is told to stop when this test ends, however it ends: a
    // server killed outright (SIGKILL) keeps its entry in the machine-wide
    // JACK registry, and a few such entries refuse every later server ("Too
    // many servers already active").
    std::string reason;
    pid_ = SpawnProgram("setpriv", {"setpriv",
                                    "--pdeathsig",
                                    "TERM",
                                    "--",
                                    "jackd",
                                    "-n",
                                    name_,
                                    "-r",
                                    "-S",
                                    "-t",
                                    kClientTimeoutMs,
                                    "-d",
                                    "dummy",
                                    "-r",
                                    rate,
                                    "-p",
                                    "256",
                                    "-C",
                                    "2",
                                    "-P",
                                    "2"},
                        true, reason);
    if (pid_ < 0) {
        problem_ = "the server could not be started: " + reason;
        return;
    }

    serverName_.emplace("JACK_DEFAULT_SERVER", name_);
    const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
    while (!Answers()) {
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            problem_ = WIFEXITED(status) && WEXITSTATUS(status) == 127
                           ? "jackd is not installed"
                           : "jackd ended at start-up (status " + std::to_string(status) + ")";
            return;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            Terminate();
            problem_ = "jackd did not answer within 10 s";
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

JackTestServer::~JackTestServer() {
    Terminate();
    if (lock_ >= 0) {
        ::close(lock_);
    }
}

bool JackTestServer::Answers() const {
    jack_set_error_function(&SilentJackMessage);
    jack_status_t status{};
    jack_client_t* probe = jack_client_open(
        "tarn-test-probe", static_cast<jack_options_t>(JackNoStartServer | JackServerName), &status,
        name_.c_str());
    jack_set_error_function(nullptr);
    if (probe == nullptr) {
        return false;
    }
    jack_client_close(probe);
    return true;
}

void JackTestServer::Terminate() {
    if (pid_ <= 0) {
        return;
    }
    ::kill(pid_, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + kStopTimeout;
    while (::waitpid(pid_, nullptr, WNOHANG) != pid_) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    pid_ = -1;
}

} // namespace tarn::test
