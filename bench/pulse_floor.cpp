// The floor of Speak → first sound on a sound server: a bare libpulse
// client that opens a corked stream ahead, as Sonti does, and then starts
// it and writes a tone at once. Prints "floor_sound ROUND MS" per round:
// from the start to the first loud sample in the sink's monitor.
//   sonti-pulse-floor ROUNDS [sonti|default|low]
// sonti: Sonti's stream settings (22050 Hz mono, deep queue, early requests
// of 10 ms); default: the server's own settings; low: 5 ms asked of the
// server with adjusted latency, the least a client can ask.

#include "SinkMonitor.h"

#include <pulse/pulseaudio.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

namespace {
using Clock = SinkMonitor::Clock;
constexpr int Rate = 22050;

struct Client
{
    pa_threaded_mainloop *loop = pa_threaded_mainloop_new();
    pa_context *context = nullptr;

    ~Client()
    {
        if (context) {
            pa_threaded_mainloop_lock(loop);
            pa_context_disconnect(context);
            pa_context_unref(context);
            pa_threaded_mainloop_unlock(loop);
        }
        pa_threaded_mainloop_stop(loop);
        pa_threaded_mainloop_free(loop);
    }

    static void signal(pa_context *, void *self) { pa_threaded_mainloop_signal(static_cast<Client *>(self)->loop, 0); }
    static void signalStream(pa_stream *, void *self)
    {
        pa_threaded_mainloop_signal(static_cast<Client *>(self)->loop, 0);
    }

    // Under the loop's lock.
    bool connect()
    {
        context = pa_context_new(pa_threaded_mainloop_get_api(loop), "sonti-pulse-floor");
        pa_context_set_state_callback(context, &Client::signal, this);
        if (pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
            return false;
        for (;;) {
            const pa_context_state_t state = pa_context_get_state(context);
            if (state == PA_CONTEXT_READY)
                return true;
            if (!PA_CONTEXT_IS_GOOD(state))
                return false;
            pa_threaded_mainloop_wait(loop);
        }
    }

    // Under the loop's lock: a corked stream, ready.
    pa_stream *open(const char *settings)
    {
        const pa_sample_spec spec{PA_SAMPLE_S16LE, Rate, 1};
        pa_stream *stream = pa_stream_new(context, "floor", &spec, nullptr);
        pa_stream_set_state_callback(stream, &Client::signalStream, this);
        pa_buffer_attr attr;
        attr.maxlength = attr.tlength = attr.prebuf = attr.minreq = attr.fragsize = uint32_t(-1);
        auto flags = pa_stream_flags_t(PA_STREAM_START_CORKED);
        if (std::strcmp(settings, "sonti") == 0) {
            attr.tlength = uint32_t(pa_usec_to_bytes(250 * PA_USEC_PER_MSEC, &spec));
            attr.prebuf = attr.minreq = uint32_t(pa_usec_to_bytes(10 * PA_USEC_PER_MSEC, &spec));
            flags = pa_stream_flags_t(flags | PA_STREAM_EARLY_REQUESTS | PA_STREAM_AUTO_TIMING_UPDATE);
        } else if (std::strcmp(settings, "low") == 0) {
            attr.tlength = uint32_t(pa_usec_to_bytes(5 * PA_USEC_PER_MSEC, &spec));
            flags = pa_stream_flags_t(flags | PA_STREAM_ADJUST_LATENCY);
        }
        if (pa_stream_connect_playback(stream, nullptr, &attr, flags, nullptr, nullptr) < 0)
            return nullptr;
        for (;;) {
            const pa_stream_state_t state = pa_stream_get_state(stream);
            if (state == PA_STREAM_READY)
                return stream;
            if (!PA_STREAM_IS_GOOD(state))
                return nullptr;
            pa_threaded_mainloop_wait(loop);
        }
    }
};
} // namespace

int main(int argc, char *argv[])
{
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 0;
    const char *settings = argc > 2 ? argv[2] : "sonti";
    if (rounds <= 0) {
        std::fprintf(stderr, "usage: sonti-pulse-floor ROUNDS [sonti|default|low]\n");
        return 2;
    }
    const std::unique_ptr<SinkMonitor> monitor = SinkMonitor::ofTestSink();
    if (!monitor)
        return 1;

    Client client;
    pa_threaded_mainloop_start(client.loop);
    pa_threaded_mainloop_lock(client.loop);
    const bool connected = client.connect();
    pa_threaded_mainloop_unlock(client.loop);
    if (!connected) {
        std::fprintf(stderr, "cannot connect to the sound server\n");
        return 1;
    }
    // A tenth of a second of a loud tone, as one write.
    std::vector<int16_t> tone(Rate / 10);
    for (size_t i = 0; i < tone.size(); ++i)
        tone[i] = int16_t(8000 * std::sin(2 * M_PI * 440 * double(i) / Rate));

    for (int round = 0; round < rounds; ++round) {
        pa_threaded_mainloop_lock(client.loop);
        pa_stream *stream = client.open(settings);
        pa_threaded_mainloop_unlock(client.loop);
        if (!stream) {
            std::fprintf(stderr, "cannot open a stream\n");
            return 1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        monitor->arm();
        pa_threaded_mainloop_lock(client.loop);
        const Clock::time_point started = Clock::now();
        pa_operation_unref(pa_stream_cork(stream, 0, nullptr, nullptr));
        pa_stream_write(stream, tone.data(), tone.size() * sizeof(int16_t), nullptr, 0, PA_SEEK_RELATIVE);
        pa_threaded_mainloop_unlock(client.loop);
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        const Clock::time_point heard = monitor->firstSound();
        if (heard != Clock::time_point())
            std::printf("floor_sound %d %.2f\n", round,
                        std::chrono::duration<double, std::milli>(heard - started).count());
        std::fflush(stdout);
        pa_threaded_mainloop_lock(client.loop);
        pa_stream_disconnect(stream);
        pa_stream_unref(stream);
        pa_threaded_mainloop_unlock(client.loop);
    }
    return 0;
}
