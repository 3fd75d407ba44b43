#include "support/SpawnedProgram.h"

#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <unistd.h>

namespace tarn::test {

pid_t SpawnProgram(const std::string& program, std::vector<std::string> words, bool quiet,
                   std::string& failure, char** environment) {
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (quiet) {
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    }
    pid_t pid = -1;
    const int error = posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv.data(),
                                   environment != nullptr ? environment : environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
        failure = std::strerror(error);
        return -1;
    }
    return pid;
}

} // namespace tarn::test
