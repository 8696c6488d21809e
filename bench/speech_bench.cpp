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
#include "SinkMonitor.h"
#include "SpVoice.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QThread>
#include <QTimer>

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

    // When a frame of the last stream was heard, from when its first loud
    // frame was: the frames after it follow it at the sample rate, and the
    // silence the sink left unplayed at the start was heard with its first
    // sample played. Under mutex.
    Clock::time_point heardAt(qint64 frame, Clock::time_point firstSound)
    {
        frame = std::max(frame, unplayedLead());
        return firstSound + std::chrono::microseconds((frame - firstLoudFrame) * 1000000 / 22050);
    }
};

// The test sink's monitor, recording and in step with the sink; null if it
// cannot record.

// An espeak-ng voice through the timing sink, and the monitor. The voice is
// loaded and the output prepared as sonti-say does while it starts (the
// monitor's wait stands for the rest of the start), or, cold, both are left
// to the first Speak. No monitor: it cannot record.
struct Rig
{
    TimingSink *sink = nullptr;
    std::unique_ptr<SpVoice> voice;
    std::unique_ptr<SinkMonitor> monitor;
};

Rig makeRig(bool cold)
{
    Rig rig;
    auto sink = std::make_unique<TimingSink>();
    rig.sink = sink.get();
    auto espeak = std::make_unique<EspeakSynthesizer>();
    // The voice spoken with (the first) loaded, as sonti-say does.
    if (!cold)
        espeak->prepare(espeak->voices().value(0).id);
    rig.voice = std::make_unique<SpVoice>(std::move(espeak), std::move(sink));
    if (!cold)
        rig.voice->prepare();
    rig.monitor = SinkMonitor::ofTestSink();
    return rig;
}

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

// sonti-speech-bench --words ROUNDS [--cold]: speaks a sentence ROUNDS
// times, the first time as soon as the voice is made and ready (makeRig),
// and prints for every word
// event "word ROUND ERROR": the time it was delivered less the time its
// first sample was heard, in ms (negative: early), or "gap ROUND" for a word
// after the stream ran dry; and for every round "lag ROUND MS", how far the
// monitor's reader fell behind.
int wordTiming(int rounds, bool cold)
{
    const Rig rig = makeRig(cold);
    if (!rig.monitor)
        return 1;
    SpVoice &voice = *rig.voice;
    TimingSink *sink = rig.sink;
    SinkMonitor *monitor = rig.monitor.get();
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
        monitor->arm();
        const int underrunsBefore = sink->underruns();
        voice.Speak(sentence, SVSFlagsAsync | SVSFIsNotXML);
        runUntilEnded(voice, ended, 30000);
        QThread::msleep(300);
        std::lock_guard lock(sink->mutex);
        const Clock::time_point firstSound = monitor->firstSound();
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
            std::printf("word %d %.2f\n", round, msBetween(sink->heardAt(word.frame, firstSound), word.arrived));
        }
        std::printf("lag %d %.2f\n", round, monitor->lagMs());
    }
    return 0;
}

// sonti-speech-bench --first-sound ROUNDS [--cold]: speaks a sentence
// ROUNDS times in one process, the first as soon as the voice is made and
// ready (makeRig), and prints for
// each "first_sound ROUND MS" (Speak to the first sound in the monitor) and
// "first_write ROUND MS" (Speak to the first audio handed to the sink).
int firstSound(int rounds, bool cold)
{
    const Rig rig = makeRig(cold);
    if (!rig.monitor)
        return 1;
    SpVoice &voice = *rig.voice;
    TimingSink *sink = rig.sink;
    SinkMonitor *monitor = rig.monitor.get();
    bool ended = false;
    QObject::connect(&voice, &SpVoice::EndStream, &voice, [&] { ended = true; });
    for (int round = 0; round < rounds; ++round) {
        ended = false;
        monitor->arm();
        const Clock::time_point spoke = Clock::now();
        voice.Speak(QStringLiteral("The quick brown fox jumps over the lazy dog."), SVSFlagsAsync | SVSFIsNotXML);
        runUntilEnded(voice, ended, 10000);
        QThread::msleep(200);
        const Clock::time_point heard = monitor->firstSound();
        std::lock_guard lock(sink->mutex);
        if (heard != Clock::time_point())
            std::printf("first_sound %d %.2f\n", round, msBetween(spoke, heard));
        std::printf("first_write %d %.2f\n", round, msBetween(spoke, sink->firstWrite));
    }
    return 0;
}

// sonti-speech-bench --pause ROUNDS: speaks a long text and pauses it
// ROUNDS times, at times spread over a word, and prints for each
// "pause ROUND MS": from Pause to the last sound heard.
int pauseLatency(int rounds)
{
    const std::unique_ptr<SinkMonitor> monitor = SinkMonitor::ofTestSink();
    if (!monitor)
        return 1;
    SpVoice voice(std::make_unique<EspeakSynthesizer>(), std::make_unique<PulseAudioSink>());
    QString text;
    for (int i = 0; i < 20; ++i)
        text += QStringLiteral("Pausing a long text over and over, sentence %1. ").arg(i);
    // Dated from here: the recording before this ran the null sink idle.
    monitor->arm();
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
        std::printf("pause %d %.2f\n", round, msBetween(paused, monitor->lastSound()));
        voice.Resume();
    }
    voice.Speak(QString(), SVSFPurgeBeforeSpeak);
    return 0;
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const bool cold = args.value(3) == QLatin1String("--cold");
    if (args.value(1) == QLatin1String("--words"))
        return wordTiming(args.value(2, "10").toInt(), cold);
    if (args.value(1) == QLatin1String("--first-sound"))
        return firstSound(args.value(2, "10").toInt(), cold);
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
    const std::unique_ptr<SinkMonitor> monitor = SinkMonitor::ofTestSink();
    if (!monitor)
        return 1;

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
        monitor->arm();
        spoke = Clock::now();
        voice.Speak(text, SVSFlagsAsync | SVSFPurgeBeforeSpeak | SVSFIsNotXML);
        runUntilEnded(voice, ended, full ? 30000 : 1500);
        voice.Speak(QString(), SVSFPurgeBeforeSpeak);
        QThread::msleep(200);
        QCoreApplication::processEvents();
        std::lock_guard lock(sink->mutex);
        toSink.push_back(msBetween(spoke, sink->firstWrite));
        const Clock::time_point firstSound = monitor->firstSound();
        if (firstSound != Clock::time_point())
            toSound.push_back(msBetween(spoke, firstSound));
        if (full && firstSound != Clock::time_point() && sink->firstLoudFrame >= 0) {
            for (const auto &[arrived, frame] : words) {
                const auto heard = sink->heardAt(frame, firstSound);
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
