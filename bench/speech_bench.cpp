// sonti-speech-bench: latency figures of the real speech path for
// scripts/bench. Prints one "name value" line per figure (milliseconds);
// --words, --first-sound and --pause print one line per measurement (see
// each).
//   Speak → first audio handed to the sink, for a sentence and a long text;
//   Speak → first sound in the sink's monitor;
//   word events against the moment their sample is heard (median, p95);
//   the same first-audio figures with flite's slt and kal16;
//   synthesis throughput of each engine (seconds of audio per second).

#include "EngineSet.h"
#include "EspeakSynthesizer.h"
#include "FliteSynthesizer.h"
#include "PulseAudioSink.h"
#include "SpVoice.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QThread>
#include <QTimer>

#include <pthread.h>
#include <pulse/error.h>
#include <pulse/simple.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <map>
#include <mutex>

namespace {
using Clock = std::chrono::steady_clock;
constexpr int Loud = 500;

double msBetween(Clock::time_point a, Clock::time_point b)
{
    return std::chrono::duration<double, std::milli>(b - a).count();
}

// The real sink, noting when the first audio arrives and which frame of
// the stream is the first loud one.
class TimingSink : public PulseAudioSink
{
public:
    std::mutex mutex;
    Clock::time_point firstWrite;
    qint64 firstLoudFrame = -1;
    qint64 framesSeen = 0;
    int blockAlign = 2;

    SontiError start(qint64 tag, const SpAudioFormat &format) override
    {
        {
            std::lock_guard lock(mutex);
            firstWrite = {};
            firstLoudFrame = -1;
            framesSeen = 0;
            blockAlign = format.blockAlign();
        }
        return PulseAudioSink::start(tag, format);
    }
    bool write(QByteArrayView data) override
    {
        {
            std::lock_guard lock(mutex);
            if (firstWrite == Clock::time_point())
                firstWrite = Clock::now();
            const auto *s = reinterpret_cast<const qint16 *>(data.data());
            const qint64 frames = data.size() / blockAlign;
            for (qint64 i = 0; firstLoudFrame < 0 && i < frames; ++i) {
                if (std::abs(int(s[i * blockAlign / 2])) > Loud)
                    firstLoudFrame = framesSeen + i;
            }
            framesSeen += frames;
        }
        return PulseAudioSink::write(data);
    }
};

// The sink's monitor, recorded on a real-time thread of its own: the time
// the first loud sample after arm() was heard. A recorder starved by a busy
// machine reads late, so the time a sample was heard is not the time it was
// read: the recording is continuous, so sample k was heard at t0 + k / rate,
// where t0 is the earliest (read time - samples read / rate) seen since
// arm(). The reader is behind at times but never ahead.
class Monitor : public QThread
{
public:
    explicit Monitor(const QString &sink)
        : m_sink(sink)
    {}
    std::atomic<bool> stop = false;

    void arm()
    {
        std::lock_guard lock(m_mutex);
        m_loudFrame = -1;
        m_armed = true;
        m_lagMs = 0;
        // Dated afresh each time: an idle null sink renders ahead of time
        // until it has had a recorder for a while, which would date every
        // later sample too early.
        m_start = {};
    }
    // How far behind the recorder read since arm(), at worst, in ms: what a
    // recorder dating samples by their read time would have been wrong by.
    double lagMs()
    {
        std::lock_guard lock(m_mutex);
        return m_lagMs;
    }
    // The time the last loud sample so far was heard; none yet: {}.
    Clock::time_point lastSound()
    {
        std::lock_guard lock(m_mutex);
        if (m_lastLoudFrame < 0)
            return {};
        return m_start + std::chrono::microseconds(m_lastLoudFrame * 1000000 / Rate);
    }
    // The time the first loud sample since arm() was heard; none yet: {}.
    Clock::time_point firstSound()
    {
        std::lock_guard lock(m_mutex);
        if (m_loudFrame < 0)
            return {};
        return m_start + std::chrono::microseconds(m_loudFrame * 1000000 / Rate);
    }

protected:
    void run() override
    {
        sched_param priority{};
        priority.sched_priority = 10;
        pthread_setschedparam(pthread_self(), SCHED_FIFO, &priority);
        constexpr int ChunkFrames = Rate / 500;
        const pa_sample_spec spec{PA_SAMPLE_S16LE, Rate, 1};
        pa_buffer_attr attr;
        attr.maxlength = uint32_t(-1);
        attr.tlength = attr.prebuf = attr.minreq = uint32_t(-1);
        attr.fragsize = ChunkFrames * 2;
        int error = 0;
        const QByteArray device = (m_sink + QStringLiteral(".monitor")).toUtf8();
        pa_simple *record = pa_simple_new(nullptr, "sonti-speech-bench", PA_STREAM_RECORD, device.constData(),
                                          "monitor", &spec, nullptr, &attr, &error);
        if (!record) {
            std::fprintf(stderr, "cannot record %s: %s\n", device.constData(), pa_strerror(error));
            return;
        }
        qint16 chunk[ChunkFrames];
        qint64 frames = 0;
        while (!stop) {
            if (pa_simple_read(record, chunk, sizeof chunk, &error) < 0)
                break;
            const Clock::time_point now = Clock::now();
            frames += ChunkFrames;
            std::lock_guard lock(m_mutex);
            const Clock::time_point start = now - std::chrono::microseconds(frames * 1000000 / Rate);
            if (m_start == Clock::time_point() || start < m_start)
                m_start = start;
            m_lagMs = std::max(m_lagMs, msBetween(m_start, start));
            for (int i = 0; i < ChunkFrames; ++i) {
                if (std::abs(int(chunk[i])) > Loud) {
                    m_lastLoudFrame = frames - ChunkFrames + i;
                    if (m_armed) {
                        m_loudFrame = m_lastLoudFrame;
                        m_armed = false;
                    }
                }
            }
        }
        pa_simple_free(record);
    }

private:
    static constexpr int Rate = 48000;
    QString m_sink;
    std::mutex m_mutex;
    bool m_armed = false;
    qint64 m_loudFrame = -1;
    qint64 m_lastLoudFrame = -1;
    double m_lagMs = 0;
    Clock::time_point m_start; // when the recording's first sample was heard
};

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// Discards the audio, counting it.
class Counter : public SynthesisOutput
{
public:
    qint64 samples = 0;
    bool deliver(std::span<const qint16> s, std::span<const SynthesisEvent>) override
    {
        samples += qint64(s.size());
        return true;
    }
};

// Seconds of audio per second of synthesis, for a text in one fragment.
double throughput(Synthesizer &synthesizer, const QString &voiceId, const QString &text)
{
    SpeechFragment fragment;
    fragment.text = text;
    Counter counter;
    const Clock::time_point start = Clock::now();
    synthesizer.synthesize(fragment, voiceId, counter);
    const double seconds = msBetween(start, Clock::now()) / 1000.0;
    return double(counter.samples) / synthesizer.sampleRate(voiceId) / std::max(seconds, 1e-6);
}

// Runs the event loop until the voice ends a stream or the time is up,
// sleeping between events as a program's UI thread does. (A loop of
// processEvents would spin, competing with any load for the cores, and
// delay the very events it measures.)
void runUntilEnded(SpVoice &voice, const bool &ended, int timeoutMs)
{
    if (ended)
        return;
    QEventLoop loop;
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    QObject::connect(&voice, &SpVoice::EndStream, &loop, &QEventLoop::quit);
    loop.exec();
}

double percentile(std::vector<double> v, double p)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[std::min(v.size() - 1, size_t(p * double(v.size())))];
}
}

// sonti-speech-bench --words ROUNDS: speaks a sentence ROUNDS times, the
// first time right after the voice is made, and prints for every word
// event "word ROUND ERROR": the time it was delivered less the time its
// first sample was heard, in ms (negative: early), or "gap ROUND" for a word
// after the stream ran dry; and for every round "lag ROUND MS", how far the
// monitor's reader fell behind.
int wordTiming(int rounds)
{
    auto sinkOwner = std::make_unique<TimingSink>();
    TimingSink *sink = sinkOwner.get();
    Monitor monitor(qEnvironmentVariable("SONTI_TEST_SINK", "sonti_null"));
    monitor.start();
    // An idle null sink runs ahead of its monitor until a recorder has been
    // attached for a while; a sound card has no such lag to wait out.
    QThread::msleep(2500);
    SpVoice voice(std::make_unique<EspeakSynthesizer>(), std::move(sinkOwner));
    voice.setEventInterests(SVEAllEvents);
    struct Heard
    {
        Clock::time_point arrived;
        qint64 frame;
        int underruns;
    };
    std::vector<Heard> words;
    QObject::connect(&voice, &SpVoice::Word, &voice, [&](int, qint64 position, int, int) {
        words.push_back({Clock::now(), position / 2, sink->underruns()});
    });
    bool ended = false;
    QObject::connect(&voice, &SpVoice::EndStream, &voice, [&] { ended = true; });
    const QString sentence = QStringLiteral("The quick brown fox jumps over the lazy dog, in 2007, at 12:30.");
    for (int round = 0; round < rounds; ++round) {
        words.clear();
        ended = false;
        monitor.arm();
        const int underrunsBefore = sink->underruns();
        voice.Speak(sentence, SVSFlagsAsync | SVSFIsNotXML);
        runUntilEnded(voice, ended, 30000);
        QThread::msleep(300);
        std::lock_guard lock(sink->mutex);
        const Clock::time_point firstSound = monitor.firstSound();
        if (firstSound == Clock::time_point() || sink->firstLoudFrame < 0) {
            std::fprintf(stderr, "round %d: no sound heard\n", round);
            continue;
        }
        for (const Heard &word : words) {
            // After a gap the sound is later than its frame says by the gap,
            // which the monitor alone cannot tell.
            if (word.underruns != underrunsBefore) {
                std::printf("gap %d\n", round);
                continue;
            }
            const auto heard =
                firstSound + std::chrono::microseconds((word.frame - sink->firstLoudFrame) * 1000000 / 22050);
            std::printf("word %d %.2f\n", round, msBetween(heard, word.arrived));
        }
        std::printf("lag %d %.2f\n", round, monitor.lagMs());
    }
    monitor.stop = true;
    monitor.wait();
    return 0;
}

// sonti-speech-bench --first-sound ROUNDS: speaks a sentence ROUNDS times
// in one process, the first right after the voice is made, and prints for
// each "first_sound ROUND MS" (Speak to the first sound in the monitor) and
// "first_write ROUND MS" (Speak to the first audio handed to the sink).
int firstSound(int rounds)
{
    auto sinkOwner = std::make_unique<TimingSink>();
    TimingSink *sink = sinkOwner.get();
    Monitor monitor(qEnvironmentVariable("SONTI_TEST_SINK", "sonti_null"));
    monitor.start();
    QThread::msleep(2500);
    SpVoice voice(std::make_unique<EspeakSynthesizer>(), std::move(sinkOwner));
    bool ended = false;
    QObject::connect(&voice, &SpVoice::EndStream, &voice, [&] { ended = true; });
    for (int round = 0; round < rounds; ++round) {
        ended = false;
        monitor.arm();
        const Clock::time_point spoke = Clock::now();
        voice.Speak(QStringLiteral("The quick brown fox jumps over the lazy dog."), SVSFlagsAsync | SVSFIsNotXML);
        runUntilEnded(voice, ended, 10000);
        QThread::msleep(200);
        const Clock::time_point heard = monitor.firstSound();
        std::lock_guard lock(sink->mutex);
        if (heard != Clock::time_point())
            std::printf("first_sound %d %.2f\n", round, msBetween(spoke, heard));
        std::printf("first_write %d %.2f\n", round, msBetween(spoke, sink->firstWrite));
    }
    monitor.stop = true;
    monitor.wait();
    return 0;
}

// sonti-speech-bench --pause ROUNDS: speaks a long text and pauses it
// ROUNDS times, at times spread over a word, and prints for each
// "pause ROUND MS": from Pause to the last sound heard.
int pauseLatency(int rounds)
{
    Monitor monitor(qEnvironmentVariable("SONTI_TEST_SINK", "sonti_null"));
    monitor.start();
    QThread::msleep(2500);
    SpVoice voice(std::make_unique<EspeakSynthesizer>(), std::make_unique<PulseAudioSink>());
    QString text;
    for (int i = 0; i < 20; ++i)
        text += QStringLiteral("Pausing a long text over and over, sentence %1. ").arg(i);
    voice.Speak(text, SVSFlagsAsync | SVSFIsNotXML);
    for (int round = 0; round < rounds; ++round) {
        QEventLoop wait;
        QTimer::singleShot(700 + 37 * round % 300, &wait, &QEventLoop::quit);
        wait.exec();
        const Clock::time_point paused = Clock::now();
        voice.Pause();
        // The pause happens at the next word, on this thread's event loop.
        QEventLoop held;
        QTimer::singleShot(600, &held, &QEventLoop::quit);
        held.exec();
        std::printf("pause %d %.2f\n", round, msBetween(paused, monitor.lastSound()));
        voice.Resume();
    }
    voice.Speak(QString(), SVSFPurgeBeforeSpeak);
    monitor.stop = true;
    monitor.wait();
    return 0;
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.value(1) == QLatin1String("--words"))
        return wordTiming(args.value(2, "10").toInt());
    if (args.value(1) == QLatin1String("--first-sound"))
        return firstSound(args.value(2, "10").toInt());
    if (args.value(1) == QLatin1String("--pause"))
        return pauseLatency(args.value(2, "10").toInt());
    const QString longTextPath = args.value(1, "/usr/share/common-licenses/GPL-3");
    const int rounds = args.value(2, "10").toInt();
    QFile longFile(longTextPath);
    if (!longFile.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(longTextPath));
        return 1;
    }
    const QString longText = QString::fromUtf8(longFile.readAll());
    const QString sentence = QStringLiteral("The quick brown fox jumps over the lazy dog.");

    auto sinkOwner = std::make_unique<TimingSink>();
    TimingSink *sink = sinkOwner.get();
    SpVoice voice(EngineSet::installed(QLocale(QStringLiteral("en_US"))), std::move(sinkOwner));
    const SpObjectToken espeakVoice = voice.GetVoices().byId(QStringLiteral("eSpeak-NG/gmw/en-US"));
    voice.setVoice(espeakVoice);
    voice.setEventInterests(SVEAllEvents);
    Monitor monitor(qEnvironmentVariable("SONTI_TEST_SINK", "sonti_null"));
    monitor.start();
    // Let the null sink fall into step with the recording first.
    QThread::msleep(2500);

    std::vector<double> toSinkShort, toSinkLong, toSound, wordError;
    Clock::time_point spoke;
    std::vector<std::pair<Clock::time_point, qint64>> words;
    QObject::connect(&voice, &SpVoice::Word, &voice,
                     [&](int, qint64 position, int, int) { words.emplace_back(Clock::now(), position / 2); });
    bool ended = false;
    QObject::connect(&voice, &SpVoice::EndStream, &voice, [&] { ended = true; });

    auto runOnce = [&](const QString &text, std::vector<double> &toSink, bool full) {
        words.clear();
        ended = false;
        monitor.arm();
        spoke = Clock::now();
        voice.Speak(text, SVSFlagsAsync | SVSFPurgeBeforeSpeak | SVSFIsNotXML);
        runUntilEnded(voice, ended, full ? 30000 : 1500);
        voice.Speak(QString(), SVSFPurgeBeforeSpeak);
        QThread::msleep(200);
        QCoreApplication::processEvents();
        std::lock_guard lock(sink->mutex);
        toSink.push_back(msBetween(spoke, sink->firstWrite));
        const Clock::time_point firstSound = monitor.firstSound();
        if (firstSound != Clock::time_point())
            toSound.push_back(msBetween(spoke, firstSound));
        if (full && firstSound != Clock::time_point() && sink->firstLoudFrame >= 0) {
            for (const auto &[arrived, frame] : words) {
                const auto heard =
                    firstSound + std::chrono::microseconds((frame - sink->firstLoudFrame) * 1000000 / 22050);
                wordError.push_back(std::abs(msBetween(heard, arrived)));
                if (qEnvironmentVariableIsSet("SONTI_BENCH_DEBUG"))
                    std::fprintf(stderr, "word frame %lld error %.1f\n", (long long)frame, msBetween(heard, arrived));
            }
        }
    };
    for (int i = 0; i < rounds; ++i) {
        runOnce(sentence, toSinkShort, true);
        runOnce(longText, toSinkLong, false);
    }
    // flite: the first audio only (its word timing is measured the same way
    // as espeak-ng's by the figures above, through the same worker).
    std::map<QString, std::pair<std::vector<double>, std::vector<double>>> fliteToSink;
    const std::vector<double> soundSoFar = toSound;
    for (const char *id : {"slt", "kal16"}) {
        voice.setVoice(voice.GetVoices().byId(QStringLiteral("Flite/") + QLatin1String(id)));
        auto &[shortTimes, longTimes] = fliteToSink[QLatin1String(id)];
        for (int i = 0; i < rounds; ++i) {
            runOnce(sentence, shortTimes, false);
            runOnce(longText, longTimes, false);
        }
    }
    toSound = soundSoFar;
    voice.setVoice(espeakVoice);
    monitor.stop = true;
    monitor.wait();
    std::printf("speak_to_first_write_sentence_ms %.2f\n", median(toSinkShort));
    std::printf("speak_to_first_write_long_ms %.2f\n", median(toSinkLong));
    std::printf("speak_to_first_sound_ms %.2f\n", median(toSound));
    std::printf("speak_to_first_sound_p95_ms %.2f\n", percentile(toSound, 0.95));
    std::printf("word_error_median_ms %.2f\n", median(wordError));
    std::printf("word_error_p95_ms %.2f\n", percentile(wordError, 0.95));
    std::printf("word_events %zu\n", wordError.size());
    for (const auto &[id, times] : fliteToSink) {
        std::printf("flite_%s_first_write_sentence_ms %.2f\n", qPrintable(id), median(times.first));
        std::printf("flite_%s_first_write_long_ms %.2f\n", qPrintable(id), median(times.second));
    }
    // Throughput on the first 5000 characters (flite's clustergen voices
    // take about a minute for the whole text).
    const QString part = longText.left(5000);
    EspeakSynthesizer espeak;
    FliteSynthesizer flite;
    std::printf("throughput_espeak_x %.0f\n", throughput(espeak, QStringLiteral("gmw/en-US"), part));
    for (const char *id : {"slt", "kal16", "kal"})
        std::printf("throughput_flite_%s_x %.0f\n", id, throughput(flite, QLatin1String(id), part));
    return 0;
}
