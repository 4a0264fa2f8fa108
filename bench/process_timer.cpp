// Whole-process wall time of several commands, without a shell around them: each round starts every
// command once, in turn, so that a change of the machine's load meets them alike. Prints one line per
// command: its median time in milliseconds. A command that fails ends the timer with status 1.
// Usage: process_timer ROUNDS COMMAND... -- COMMAND... [-- COMMAND...]
// The commands inherit the environment; their output goes to /dev/null.

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

extern char** environ;

namespace {

using Command = std::vector<char*>;  // ends with nullptr, as posix_spawn wants it

std::vector<Command> commandsOf(int argc, char** argv) {
    std::vector<Command> commands(1);
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0) {
            commands.emplace_back();
            continue;
        }
        commands.back().push_back(argv[i]);
    }
    for (Command& command : commands) {
        if (command.empty()) return {};
        command.push_back(nullptr);
    }
    return commands;
}

// Milliseconds from the start to the end of one run; negative when it could not start or failed.
double timedRun(const Command& command, const posix_spawn_file_actions_t& quiet) {
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, command.front(), &quiet, nullptr, command.data(), environ) != 0) return -1;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) return -1;
    const auto end = std::chrono::steady_clock::now();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
    return std::chrono::duration<double, std::milli>(end - start).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[(values.size() - 1) / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 2 ? std::atoi(argv[1]) : 0;
    const std::vector<Command> commands = commandsOf(argc, argv);
    if (rounds < 1 || commands.empty()) {
        std::fprintf(stderr, "usage: %s ROUNDS COMMAND... -- COMMAND... [-- COMMAND...]\n", argv[0]);
        return 2;
    }
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<std::vector<double>> times(commands.size());
    for (int round = 0; round < rounds; ++round) {
        for (size_t i = 0; i < commands.size(); ++i) {
            const double ms = timedRun(commands[i], quiet);
            if (ms < 0) {
                std::fprintf(stderr, "process_timer: %s failed\n", commands[i].front());
                return 1;
            }
            times[i].push_back(ms);
        }
    }
    posix_spawn_file_actions_destroy(&quiet);
    for (const std::vector<double>& t : times)
        std::printf("%.2f\n", median(t));
    return 0;
}
