// Launch to first sound, for scripts/bench: runs each command in turn,
// ROUNDS times, and prints for every run "A ms" or "B ms": the time from
// its launch to the first loud sample heard in the sink's monitor.
//   sonti-first-sound ROUNDS COMMAND_A... -- COMMAND_B...
// The monitor is recorded on a real-time thread, and each sample is dated by
// its place in the continuous recording (sample k was heard at t0 + k/rate,
// t0 the earliest start the reads allow), not by when it was read: a
// recorder starved by a busy machine reads late but is never early.

#include <pulse/error.h>
#include <pulse/simple.h>

#include <fcntl.h>
#include <pthread.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

extern char **environ;

namespace {
using Clock = std::chrono::steady_clock;
constexpr int Rate = 48000;
constexpr int ChunkFrames = Rate / 500;
constexpr int Loud = 500;

class Monitor
{
public:
    explicit Monitor(std::string sink)
        : m_device(std::move(sink) + ".monitor")
    {}

    bool start()
    {
        const pa_sample_spec spec{PA_SAMPLE_S16LE, Rate, 1};
        pa_buffer_attr attr;
        attr.maxlength = uint32_t(-1);
        attr.tlength = attr.prebuf = attr.minreq = uint32_t(-1);
        attr.fragsize = ChunkFrames * 2;
        int error = 0;
        m_record = pa_simple_new(nullptr, "sonti-first-sound", PA_STREAM_RECORD, m_device.c_str(), "monitor", &spec,
                                 nullptr, &attr, &error);
        if (!m_record) {
            std::fprintf(stderr, "cannot record %s: %s\n", m_device.c_str(), pa_strerror(error));
            return false;
        }
        m_thread = std::thread([this] { run(); });
        return true;
    }

    ~Monitor()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
        if (m_record)
            pa_simple_free(m_record);
    }

    void arm()
    {
        std::lock_guard lock(m_mutex);
        m_loudFrame = -1;
        m_armed = true;
        // Dated afresh each time: an idle null sink renders ahead of time.
        m_start = {};
    }

    // When the first loud sample since arm() was heard; none yet: {}.
    Clock::time_point firstSound()
    {
        std::lock_guard lock(m_mutex);
        if (m_loudFrame < 0)
            return {};
        return m_start + std::chrono::microseconds(m_loudFrame * 1000000 / Rate);
    }

private:
    void run()
    {
        sched_param priority{};
        priority.sched_priority = 10;
        pthread_setschedparam(pthread_self(), SCHED_FIFO, &priority);
        int16_t chunk[ChunkFrames];
        int64_t frames = 0;
        int error = 0;
        while (!m_stop) {
            if (pa_simple_read(m_record, chunk, sizeof chunk, &error) < 0)
                break;
            const Clock::time_point now = Clock::now();
            frames += ChunkFrames;
            std::lock_guard lock(m_mutex);
            const Clock::time_point start = now - std::chrono::microseconds(frames * 1000000 / Rate);
            if (m_start == Clock::time_point() || start < m_start)
                m_start = start;
            for (int i = 0; m_armed && i < ChunkFrames; ++i) {
                if (std::abs(int(chunk[i])) > Loud) {
                    m_loudFrame = frames - ChunkFrames + i;
                    m_armed = false;
                }
            }
        }
    }

    std::string m_device;
    pa_simple *m_record = nullptr;
    std::thread m_thread;
    std::atomic<bool> m_stop = false;
    std::mutex m_mutex;
    bool m_armed = false;
    int64_t m_loudFrame = -1;
    Clock::time_point m_start;
};

// Milliseconds from launch to the first sound, or -1 for none.
double firstSoundMs(Monitor &monitor, std::vector<char *> command)
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
    const char *sink = std::getenv("SONTI_TEST_SINK");
    Monitor monitor(sink && *sink ? sink : "sonti_null");
    if (!monitor.start())
        return 1;
    // Let the null sink fall into step with the recording first.
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    for (int round = 0; round < rounds; ++round) {
        std::printf("A %.1f\n", firstSoundMs(monitor, a));
        std::printf("B %.1f\n", firstSoundMs(monitor, b));
        std::fflush(stdout);
    }
    return 0;
}
