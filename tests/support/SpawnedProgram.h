#pragma once

#include <string>
#include <vector>

#include <sys/types.h>

namespace tarn::test {

// Starts a program (looked up on PATH when it names no folder) with the
// given words as its arguments, the first being its name, and environment
// (this process's when null); with quiet, its standard output and error go
// to /dev/null. Answers its process id, or -1 with errno's reason in
// failure. Never forks: a copy of a test process with threads (or under
// ThreadSanitizer) may hang on a lock no thread will release.
pid_t SpawnProgram(const std::string& program, std::vector<std::string> words, bool quiet,
                   std::string& failure, char** environment = nullptr);

} // namespace tarn::test
