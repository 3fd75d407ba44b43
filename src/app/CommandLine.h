#pragma once

namespace tarn {

// The studio's command-line front end: parses the arguments, runs the
// chosen command and returns the process exit status.
int RunCommandLine(int argc, char** argv);

} // namespace tarn
