#pragma once

#include <cstdlib>
#include <optional>
#include <string>

namespace tarn::test {

// DISPLAY names a test's own X server while this lives: plug-ins open
// their own connection from it.
class DisplayVariable {
public:
    explicit DisplayVariable(const std::string& display) {
        if (const char* before = std::getenv("DISPLAY")) {
            previous_ = before;
        }
        setenv("DISPLAY", display.c_str(), 1);
    }
    ~DisplayVariable() {
        if (previous_) {
            setenv("DISPLAY", previous_->c_str(), 1);
        } else {
            unsetenv("DISPLAY");
        }
    }
    DisplayVariable(const DisplayVariable&) = delete;
    DisplayVariable& operator=(const DisplayVariable&) = delete;

private:
    std::optional<std::string> previous_;
};

} // namespace tarn::test
