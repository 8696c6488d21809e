// sonti-speech-bench: latency figures of the real speech path for
// scripts/bench. Prints one "name value" line per figure (milliseconds).
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
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QThread>

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

// parec on the monitor, read on its own thread: the time the first loud
// sample arrives after arm().
class Monitor : public QThread
{
public:
    explicit Monitor(const QString &sink)
        : m_sink(sink)
    {}
    std::atomic<bool> armed = false;
    std::atomic<bool> stop = false;
    std::mutex mutex;
    Clock::time_point firstSound;

    void arm()
    {
        std::lock_guard lock(mutex);
        firstSound = {};
        armed = true;
    }

protected:
    void run() override
    {
        QProcess parec;
        parec.start(
            "parec",
            {"-d", m_sink + ".monitor", "--raw", "--format=s16le", "--rate=48000", "--channels=1", "--latency-msec=2"});
        parec.waitForStarted();
        while (!stop) {
            parec.waitForReadyRead(50);
            const QByteArray data = parec.readAllStandardOutput();
            const Clock::time_point now = Clock::now();
            if (!armed)
                continue;
            const auto *s = reinterpret_cast<const qint16 *>(data.constData());
            for (qsizetype i = 0; i < data.size() / 2; ++i) {
                if (std::abs(int(s[i])) > Loud) {
                    // The chunk ends now; this sample was heard that much earlier.
                    std::lock_guard lock(mutex);
                    firstSound = now - std::chrono::microseconds((data.size() / 2 - i) * 1000000 / 48000);
                    armed = false;
                    break;
                }
            }
        }
        parec.kill();
        parec.waitForFinished();
    }

private:
    QString m_sink;
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

double percentile(std::vector<double> v, double p)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[std::min(v.size() - 1, size_t(p * double(v.size())))];
}
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
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
        QElapsedTimer wait;
        wait.start();
        while (!ended && wait.elapsed() < (full ? 30000 : 1500))
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        voice.Speak(QString(), SVSFPurgeBeforeSpeak);
        QThread::msleep(200);
        QCoreApplication::processEvents();
        std::lock_guard lock(sink->mutex);
        toSink.push_back(msBetween(spoke, sink->firstWrite));
        std::lock_guard monitorLock(monitor.mutex);
        if (monitor.firstSound != Clock::time_point())
            toSound.push_back(msBetween(spoke, monitor.firstSound));
        if (full && monitor.firstSound != Clock::time_point() && sink->firstLoudFrame >= 0) {
            for (const auto &[arrived, frame] : words) {
                const auto heard =
                    monitor.firstSound + std::chrono::microseconds((frame - sink->firstLoudFrame) * 1000000 / 22050);
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
