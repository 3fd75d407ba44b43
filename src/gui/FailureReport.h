#pragma once

#include <functional>
#include <string>

namespace tarn {

class ConsoleFeed;

// Runs a command the user gave; when it fails and says why on the error
// pipe, the first such line is also shown in a message box under failure
// ("The project could not be opened."), so that the reason does not stay
// hidden in the Console. A command the user cancelled writes no error line
// and shows nothing. Answers the command's result. GUI thread.
bool RunReported(const ConsoleFeed& feed, const std::string& failure,
                 const std::function<bool()>& command);

} // namespace tarn
