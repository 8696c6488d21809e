// Launch to first sound, for scripts/bench: runs each command in turn,
// ROUNDS times, and prints for every run "A ms" or "B ms": the time from
// its launch to the first loud sample heard in the sink's monitor.
//   sonti-first-sound ROUNDS COMMAND_A... -- COMMAND_B...
// The monitor's samples are dated by when the sink plays them (SinkMonitor).

#include "SinkMonitor.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

extern char **environ;

namespace {
using Clock = SinkMonitor::Clock;

// Milliseconds from launch to the first sound, or -1 for none.
double firstSoundMs(SinkMonitor &monitor, std::vector<char *> command)
{
    command.push_back(nullptr);
    monitor.arm();
    const Clock::time_point launched = Clock::now();
    pid_t pid = 0;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const int failed = posix_spawnp(&pid, command[0], &actions, nullptr, command.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed) {
        std::fprintf(stderr, "cannot run %s: %s\n", command[0], std::strerror(failed));
        return -1;
    }
    int status = 0;
    waitpid(pid, &status, 0);
    // The last of the sound reaches the monitor a little after the exit.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const Clock::time_point heard = monitor.firstSound();
    if (heard == Clock::time_point())
        return -1;
    return std::chrono::duration<double, std::milli>(heard - launched).count();
}
} // namespace

int main(int argc, char *argv[])
{
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 0;
    std::vector<char *> a, b;
    bool second = false;
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0 && !second)
            second = true;
        else
            (second ? b : a).push_back(argv[i]);
    }
    if (rounds <= 0 || a.empty() || b.empty()) {
        std::fprintf(stderr, "usage: sonti-first-sound ROUNDS COMMAND_A... -- COMMAND_B...\n");
        return 2;
    }
    const std::unique_ptr<SinkMonitor> monitor = SinkMonitor::ofTestSink();
    if (!monitor)
        return 1;
    for (int round = 0; round < rounds; ++round) {
        std::printf("A %.1f\n", firstSoundMs(*monitor, a));
        std::printf("B %.1f\n", firstSoundMs(*monitor, b));
        std::fflush(stdout);
    }
    return 0;
}
