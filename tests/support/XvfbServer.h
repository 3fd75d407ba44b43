#pragma once

#include <string>
#include <sys/types.h>

namespace tarn::test {

// A virtual X server of our own for the length of a test: started on the
// first display number without a server, stopped by its process id.
// Running() is false (and Failure() says why) where none could start.
class XvfbServer {
public:
    XvfbServer();
    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    bool Running() const { return pid_ > 0; }
    const std::string& Failure() const { return failure_; }
    // ":<number>", for XOpenDisplay.
    const std::string& Display() const { return display_; }

private:
    pid_t pid_ = -1;
    std::string display_;
    std::string failure_;
};

} // namespace tarn::test
