#include "EspeakSynthesizer.h"
#include "MonitorRecorder.h"
#include "PrivatePulse.h"
#include "PulseAudioSink.h"
#include "SpVoice.h"
#include "SpeechRecorder.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <thread>

// The real path: espeak-ng, libsoxr and PulseAudio, against the daemon with
// a null sink that scripts/test starts, heard through the sink's monitor.
class tst_PulseAudioSink : public QObject
{
    Q_OBJECT

private:
    QString m_sink;
    std::unique_ptr<MonitorRecorder> m_monitor;

    std::unique_ptr<SpVoice> makeVoice()
    {
        auto voice = std::make_unique<SpVoice>();
        voice->setEventInterests(SVEAllEvents);
        voice->setAlertBoundary(SVEPhoneme);
        return voice;
    }

    static QString sinkInputs()
    {
        QProcess pactl;
        pactl.start(QStringLiteral("pactl"),
                    {QStringLiteral("list"), QStringLiteral("sink-inputs"), QStringLiteral("short")});
        pactl.waitForFinished(3000);
        return QString::fromUtf8(pactl.readAllStandardOutput());
    }

    // "index spec corked" of each playback stream of that daemon.
    static QStringList playbackStreams(PrivatePulse &daemon)
    {
        QStringList result;
        const QStringList lines = daemon.sinkInputs(false).split(QLatin1Char('\n'));
        QString entry;
        for (const QString &line : lines) {
            if (line.startsWith(QLatin1String("Sink Input #")))
                entry = line.mid(12);
            else if (line.contains(QLatin1String("Sample Specification:")))
                entry += QLatin1Char(' ') + line.section(QLatin1Char(':'), 1).trimmed();
            else if (line.contains(QLatin1String("Corked:")))
                result.append(entry + QLatin1Char(' ') + line.section(QLatin1Char(':'), 1).trimmed());
        }
        return result;
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("PULSE_SERVER"))
            QSKIP(
                "PULSE_SERVER is not set: run through scripts/test, which starts a PulseAudio daemon with a null sink");
        m_sink = qEnvironmentVariable("SONTI_TEST_SINK", QStringLiteral("sonti_null"));
        m_monitor = std::make_unique<MonitorRecorder>();
        QVERIFY(m_monitor->start(m_sink));
        // An idle null sink runs ahead of real time; a monitor recording
        // for a while brings it into step before anything is timed.
        QTest::qWait(2500);
        QVERIFY(m_monitor->now() > 0);
    }

    void eachFormatIsHeardAsSynthesised_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("spec");
        QTest::newRow("16 kHz mono") << int(SAFT16kHz16BitMono) << "s16le 1ch 16000Hz";
        QTest::newRow("16 kHz stereo") << int(SAFT16kHz16BitStereo) << "s16le 2ch 16000Hz";
        QTest::newRow("22 kHz mono") << int(SAFT22kHz16BitMono) << "s16le 1ch 22050Hz";
        QTest::newRow("22 kHz stereo") << int(SAFT22kHz16BitStereo) << "s16le 2ch 22050Hz";
        QTest::newRow("11 kHz 8-bit mono") << int(SAFT11kHz8BitMono) << "u8 1ch 11025Hz";
    }
    void eachFormatIsHeardAsSynthesised()
    {
        QFETCH(int, type);
        QFETCH(QString, spec);
        auto voice = makeVoice();
        voice->setAllowAudioOutputFormatChangesOnNextSet(false);
        voice->AudioOutputStream()->Format().setType(type);
        voice->setAudioOutputStream(voice->AudioOutputStream());
        SpeechRecorder events(*voice);
        QString inputs;
        connect(voice.get(), &SpVoice::StartStream, this, [&inputs] { inputs = sinkInputs(); });
        const qint64 from = m_monitor->now();
        voice->Speak("Hello world, this is a test.", SVSFlagsAsync | SVSFIsNotXML);
        QTRY_COMPARE_WITH_TIMEOUT(events.count("end"), 1, 10000);
        QTest::qWait(100);
        QVERIFY2(inputs.contains(spec), qPrintable(inputs));

        const SpAudioFormat &format = voice->AudioOutputStream()->Format();
        const double synthesised =
            double(events.of("end").first().position) / (format.sampleRate() * format.blockAlign());
        const auto [first, last] = m_monitor->soundSpan(from, m_monitor->now());
        QVERIFY2(first >= 0, "nothing was heard");
        const double heard = double(last - first) / MonitorRecorder::Rate;
        // espeak pads a sentence with silence; the sound itself lies within.
        QVERIFY2(heard <= synthesised + 0.03 && heard >= synthesised - 0.6,
                 qPrintable(QStringLiteral("heard %1 s of %2 s").arg(heard).arg(synthesised)));
        QVERIFY(m_monitor->loudest(from, m_monitor->now()) > 1000);
        QCOMPARE(events.count("word"), 6);
    }

    void eventsArriveWhenTheirAudioIsHeard()
    {
        auto voice = makeVoice();
        SpeechRecorder events(*voice);
        QList<qint64> heardAt;
        qint64 endAt = 0;
        connect(voice.get(), &SpVoice::Word, this, [&] { heardAt.append(m_monitor->now()); });
        connect(voice.get(), &SpVoice::EndStream, this, [&] { endAt = m_monitor->now(); });
        const qint64 from = m_monitor->now();
        voice->Speak("One. Two. Three. Four.", SVSFlagsAsync);
        QTRY_COMPARE_WITH_TIMEOUT(events.count("end"), 1, 10000);
        QCOMPARE(heardAt.size(), 4);
        // Each word begins to sound around the moment its event arrives,
        // and the stream ends after the last sound.
        for (const qint64 at : heardAt) {
            const auto [first, last] =
                m_monitor->soundSpan(at - MonitorRecorder::Rate / 10, at + MonitorRecorder::Rate / 5);
            QVERIFY2(first >= 0,
                     qPrintable(QStringLiteral("silence around the word event at %1 ms").arg((at - from) / 48)));
        }
        const auto [first, last] = m_monitor->soundSpan(from, endAt + MonitorRecorder::Rate);
        QVERIFY(last <= endAt + MonitorRecorder::Window);
        QVERIFY2(endAt - last < MonitorRecorder::Rate / 2, qPrintable(QString::number((endAt - last) / 48)));
    }

    void pauseSilencesSoundAndEventsAndResumeContinues()
    {
        auto voice = makeVoice();
        SpeechRecorder events(*voice);
        voice->Speak("one two three four five six seven eight nine ten", SVSFlagsAsync);
        QTRY_VERIFY_WITH_TIMEOUT(events.count("word") >= 2, 10000);
        voice->Pause();
        QTest::qWait(150);
        const qint64 from = m_monitor->now();
        const qsizetype eventsWhilePaused = events.events.size();
        QTest::qWait(500);
        QCOMPARE(events.events.size(), eventsWhilePaused);
        QVERIFY2(m_monitor->loudest(from, m_monitor->now()) < 100, "sound while paused");
        const qint64 resumed = m_monitor->now();
        voice->Resume();
        QTRY_COMPARE_WITH_TIMEOUT(events.count("end"), 1, 10000);
        QCOMPARE(events.count("word"), 10);
        QVERIFY(m_monitor->loudest(resumed, m_monitor->now()) > 1000);
    }

    void purgeSilencesAtOnceAndEndsTheStream()
    {
        auto voice = makeVoice();
        SpeechRecorder events(*voice);
        QString text;
        for (int i = 0; i < 200; ++i)
            text += QStringLiteral("This is sentence number %1 of a long text. ").arg(i);
        voice->Speak(text, SVSFlagsAsync);
        QTRY_VERIFY_WITH_TIMEOUT(events.count("word") >= 3, 10000);
        voice->Speak(QString(), SVSFPurgeBeforeSpeak);
        QTRY_COMPARE(events.count("end"), 1);
        QTest::qWait(100);
        const qint64 from = m_monitor->now();
        QTest::qWait(300);
        QVERIFY2(m_monitor->loudest(from, m_monitor->now()) < 100, "sound after the purge");
    }

    void rapidSpeakAndPurgeCycles()
    {
        auto voice = makeVoice();
        SpeechRecorder events(*voice);
        for (int i = 0; i < 100; ++i)
            voice->Speak(QStringLiteral("Cycle %1.").arg(i), SVSFlagsAsync | SVSFPurgeBeforeSpeak);
        QTRY_COMPARE_WITH_TIMEOUT(events.count("end"), 100, 20000);
        // The voice still speaks normally afterwards.
        voice->Speak("done", SVSFDefault);
        QTRY_COMPARE(events.count("end"), 101);
    }

    void noServerFailsSpeakAndTheServerDyingEndsTheStream()
    {
        PrivatePulse daemon;
        const QByteArray saved = qgetenv("PULSE_SERVER");
        qputenv("PULSE_SERVER", daemon.server());
        auto voice = makeVoice();
        QVERIFY_THROWS_EXCEPTION(SontiError, voice->Speak("nobody listens", SVSFlagsAsync));

        // A private daemon that can be killed mid-sentence.
        if (!daemon.start()) {
            qputenv("PULSE_SERVER", saved);
            QSKIP("could not start a private PulseAudio daemon");
        }
        SpeechRecorder events(*voice);
        // The daemon may take a moment to accept clients.
        auto speak = [&voice](const QString &text) {
            for (int attempt = 0; attempt < 100; ++attempt) {
                try {
                    return voice->Speak(text, SVSFlagsAsync);
                } catch (const SontiError &) {
                    QTest::qWait(20);
                }
            }
            return 0;
        };
        const int cut = speak(QStringLiteral("This sentence is cut short when the sound server goes away."));
        QVERIFY(cut > 0);
        QTRY_VERIFY_WITH_TIMEOUT(events.count("word") >= 1, 10000);
        daemon.kill();
        QTRY_COMPARE_WITH_TIMEOUT(events.count("end"), 1, 5000);
        QCOMPARE(events.of("end").first().stream, cut);

        QVERIFY(daemon.start());
        const int again = speak(QStringLiteral("Back again."));
        QVERIFY(again > cut);
        QTRY_COMPARE_WITH_TIMEOUT(events.count("end"), 2, 10000);
        QCOMPARE(events.of("end").last().stream, again);
        const auto words = events.of("word");
        QCOMPARE(std::count_if(words.begin(), words.end(), [again](const auto &w) { return w.stream == again; }), 2);
        voice.reset();
        qputenv("PULSE_SERVER", saved);
    }

    // What the sink reports as heard can never be ahead of the time since
    // its audio was handed over: an event released by it would come before
    // its sound. Whether the stream is new after a wait, a spare taken up
    // after a wait, ran dry and was fed again, is held by Pause, or begins
    // with a long silence (of which only the engine's short lead-in may be
    // left unplayed and counted as heard at once); and once drained, every
    // frame written counts as heard, the silence left unplayed too.
    void theClockNeverRunsAheadOfTheSound_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("new stream opened a while before its audio") << "new";
        QTest::newRow("spare taken up a while after it was made") << "spare";
        QTest::newRow("stream that ran dry") << "dry";
        QTest::newRow("stream held by Pause") << "paused";
        QTest::newRow("stream that begins with a long silence") << "silent start";
    }
    void theClockNeverRunsAheadOfTheSound()
    {
        QFETCH(QString, path);
        PulseAudioSink sink;
        QVERIFY(!sink.connect().isError());
        SpAudioFormat format;
        format.setType(SAFT22kHz16BitMono);
        const int rate = format.sampleRate();
        // A quiet sound, not silence, which a stream's start may leave out.
        const QByteArray tenth(rate / 10 * format.blockAlign(), '\1');
        const QByteArray silence(rate / 5 * format.blockAlign(), '\0');
        const bool silentStart = path == QLatin1String("silent start");
        // The most of the silence that may be counted as heard at once.
        const qint64 skippable = silentStart ? rate / 50 : 0;
        qint64 tag = 1;
        if (path == QLatin1String("spare")) {
            QVERIFY(!sink.start(tag, format).isError());
            QVERIFY(sink.write(tenth) && sink.drain());
            sink.finish();
            ++tag;
        }
        if (path == QLatin1String("paused"))
            sink.setPaused(true);
        QVERIFY(!sink.start(tag, format).isError());
        QTest::qWait(400);

        // Frames that may have been heard by now: those handed over before
        // the last wait that ran the stream dry, plus the time since, and
        // 5 ms: PipeWire's server reports its position up to a couple of
        // ms ahead of its monitor (events there measured 1 ms early at the
        // median).
        qint64 heardBefore = 0;
        QElapsedTimer since;
        since.start();
        if (silentStart)
            QVERIFY(sink.write(silence));
        QVERIFY(sink.write(tenth));
        if (path == QLatin1String("dry")) {
            QTest::qWait(400);
            heardBefore = rate / 10;
            since.restart();
            QVERIFY(sink.write(tenth + tenth + tenth));
        } else {
            QVERIFY(sink.write(tenth + tenth));
        }
        qint64 last = 0;
        while (since.elapsed() < 300) {
            const qint64 bound = heardBefore + skippable + (since.nsecsElapsed() / 1000 + 5000) * rate / 1000000;
            const AudioSink::Position heard = sink.position();
            // Not the stream heard until its first sample is: an event at
            // its first frame waits for the device to start.
            if (heard.tag == tag) {
                QVERIFY(heard.frames > 0);
                last = heard.frames;
            }
            QVERIFY2(last <= bound,
                     qPrintable(QStringLiteral("%1 frames heard, at most %2 can be").arg(last).arg(bound)));
            QTest::qWait(2);
        }
        if (path == QLatin1String("paused"))
            QCOMPARE(last, 0);
        else
            QVERIFY2(last > 0, "the clock did not move");
        if (silentStart) {
            QVERIFY(sink.drain());
            QCOMPARE(sink.position().frames, (silence.size() + 3 * tenth.size()) / format.blockAlign());
        }
        sink.flush(tag);
    }

    // A stream that played to its end leaves one corked spare of its format,
    // which the next stream of that format is; another format replaces it,
    // a stream that did not play to its end leaves none, and the sink's end
    // takes the spare with it.
    void aStreamThatEndedLeavesOneCorkedSpare()
    {
        PrivatePulse daemon;
        if (!daemon.start())
            QSKIP("could not start a private PulseAudio daemon");
        const QByteArray saved = qgetenv("PULSE_SERVER");
        qputenv("PULSE_SERVER", daemon.server());
        const auto restore = qScopeGuard([&] { qputenv("PULSE_SERVER", saved); });
        auto sink = std::make_unique<PulseAudioSink>();
        SontiError connected;
        for (int attempt = 0; attempt < 100 && (connected = sink->connect()).isError(); ++attempt)
            QTest::qWait(20);
        QVERIFY2(!connected.isError(), qPrintable(connected.toString()));
        SpAudioFormat mono;
        mono.setType(SAFT22kHz16BitMono);
        SpAudioFormat stereo;
        stereo.setType(SAFT16kHz16BitStereo);
        const QByteArray audio(4410, '\0');
        const auto streams = [&daemon] { return playbackStreams(daemon); };

        QVERIFY(!sink->start(1, mono).isError());
        QVERIFY2(sink->write(audio), qPrintable(sink->error().toString()));
        QVERIFY2(sink->drain(), qPrintable(sink->error().toString()));
        sink->finish();
        QTRY_COMPARE(streams().size(), 1);
        const QString spare = streams().first();
        QVERIFY2(spare.endsWith(QLatin1String("s16le 1ch 22050Hz yes")), qPrintable(spare));

        QVERIFY(!sink->start(2, mono).isError());
        QVERIFY(sink->write(audio));
        QTRY_COMPARE(streams(), QStringList{spare.chopped(3) + QLatin1String("no")});
        QVERIFY(sink->drain());
        sink->finish();
        QTRY_COMPARE(streams().size(), 1);
        QVERIFY(streams().first().endsWith(QLatin1String("s16le 1ch 22050Hz yes")));
        QVERIFY(streams().first() != spare);

        QVERIFY(!sink->start(3, stereo).isError());
        QTRY_COMPARE(streams().size(), 1);
        QVERIFY2(streams().first().contains(QLatin1String("2ch 16000Hz")), qPrintable(streams().first()));
        sink->flush(3);
        sink->finish();
        QTRY_COMPARE(streams().size(), 1);
        QVERIFY(sink->write(audio) == false);

        // Written, but never played to its end: no spare.
        QVERIFY(!sink->start(4, stereo).isError());
        QVERIFY(sink->write(audio));
        sink->finish();
        QTRY_COMPARE(streams(), QStringList());

        QVERIFY(!sink->start(5, mono).isError());
        QVERIFY2(sink->write(audio), qPrintable(sink->error().toString()));
        QVERIFY2(sink->drain(), qPrintable(sink->error().toString()));
        sink->finish();
        QTRY_COMPARE(streams().size(), 1);
        sink.reset();
        QTRY_COMPARE(streams(), QStringList());
    }

    // prepare opens the first stream's spare, connecting first if need be,
    // and start takes it up; a start of another format replaces it, a
    // prepare racing a start leaves one stream, and the sink's end takes
    // the spare with it. Without a server, or with one that does not
    // answer, connect and start fail as they would without prepare, and
    // nothing is left behind.
    void prepareOpensTheFirstStreamAhead()
    {
        PrivatePulse daemon;
        const QByteArray saved = qgetenv("PULSE_SERVER");
        qputenv("PULSE_SERVER", daemon.server());
        const auto restore = qScopeGuard([&] { qputenv("PULSE_SERVER", saved); });
        SpAudioFormat mono;
        mono.setType(SAFT22kHz16BitMono);
        SpAudioFormat stereo;
        stereo.setType(SAFT16kHz16BitStereo);
        const QByteArray audio(4410, '\0');

        const SontiError unprepared = PulseAudioSink().connect();
        QVERIFY(unprepared.isError());
        {
            PulseAudioSink sink;
            sink.prepare(mono);
            QCOMPARE(sink.connect().toString(), unprepared.toString());
            QVERIFY(sink.start(1, mono).isError());
        }

        if (!daemon.start())
            QSKIP("could not start a private PulseAudio daemon");
        const auto streams = [&daemon] { return playbackStreams(daemon); };
        // The daemon may take a moment to accept clients.
        for (int attempt = 0; attempt < 100 && PulseAudioSink().connect().isError(); ++attempt)
            QTest::qWait(20);

        auto sink = std::make_unique<PulseAudioSink>();
        sink->prepare(mono);
        QTRY_COMPARE(streams().size(), 1);
        const QString spare = streams().first();
        QVERIFY2(spare.endsWith(QLatin1String("s16le 1ch 22050Hz yes")), qPrintable(spare));
        QVERIFY(!sink->connect().isError());
        QVERIFY(!sink->start(1, mono).isError());
        QVERIFY(sink->write(audio));
        QTRY_COMPARE(streams(), QStringList{spare.chopped(3) + QLatin1String("no")});
        QVERIFY(sink->drain());
        sink->finish();
        QTRY_COMPARE(streams().size(), 1);

        sink.reset();
        QTRY_COMPARE(streams(), QStringList());

        // Prepared for one format, spoken in another.
        sink = std::make_unique<PulseAudioSink>();
        sink->prepare(mono);
        QTRY_COMPARE(streams().size(), 1);
        QVERIFY(!sink->start(1, stereo).isError());
        QVERIFY(sink->write(audio.left(4400)));
        QTRY_COMPARE(streams().size(), 1);
        QVERIFY2(streams().first().endsWith(QLatin1String("2ch 16000Hz no")), qPrintable(streams().first()));
        QVERIFY(sink->drain());
        sink->finish();
        sink.reset();
        QTRY_COMPARE(streams(), QStringList());

        // start while the prepared connection is still being made.
        sink = std::make_unique<PulseAudioSink>();
        sink->prepare(mono);
        QVERIFY(!sink->start(1, mono).isError());
        QVERIFY2(sink->write(audio), qPrintable(sink->error().toString()));
        QVERIFY2(sink->drain(), qPrintable(sink->error().toString()));
        sink->finish();
        QTRY_COMPARE(streams().size(), 1);
        QTest::qWait(200);
        QCOMPARE(streams().size(), 1);
        sink->prepare(mono);
        QTest::qWait(200);
        QCOMPARE(streams().size(), 1);
        sink.reset();
        QTRY_COMPARE(streams(), QStringList());

        // A server that does not answer.
        daemon.stop();
        sink = std::make_unique<PulseAudioSink>();
        sink->prepare(mono);
        const SontiError timedOut = sink->connect();
        QVERIFY(timedOut.isError());
        QCOMPARE(timedOut.toString(), PulseAudioSink().connect().toString());
        sink->prepare(stereo);
        daemon.resume();
        QVERIFY(!sink->connect().isError());
        QVERIFY(!sink->start(2, mono).isError());
        QVERIFY2(sink->write(audio), qPrintable(sink->error().toString()));
        QVERIFY2(sink->drain(), qPrintable(sink->error().toString()));
        sink->finish();
        QTRY_COMPARE(streams().size(), 1);
        QVERIFY2(streams().first().contains(QLatin1String("1ch 22050Hz")), qPrintable(streams().first()));
        sink.reset();
        QTRY_COMPARE(streams(), QStringList());
    }

    // A voice prepares the output of its own format, and its first Speak
    // plays on that stream.
    void aVoicePreparesTheStreamOfItsFormat()
    {
        PrivatePulse daemon;
        if (!daemon.start())
            QSKIP("could not start a private PulseAudio daemon");
        const QByteArray saved = qgetenv("PULSE_SERVER");
        qputenv("PULSE_SERVER", daemon.server());
        const auto restore = qScopeGuard([&] { qputenv("PULSE_SERVER", saved); });
        for (int attempt = 0; attempt < 100 && PulseAudioSink().connect().isError(); ++attempt)
            QTest::qWait(20);
        const auto streams = [&daemon] { return playbackStreams(daemon); };

        auto voice = makeVoice();
        voice->setAllowAudioOutputFormatChangesOnNextSet(false);
        voice->AudioOutputStream()->Format().setType(SAFT16kHz16BitStereo);
        voice->setAudioOutputStream(voice->AudioOutputStream());
        voice->prepare();
        QTRY_COMPARE(streams().size(), 1);
        const QString prepared = streams().first();
        QVERIFY2(prepared.endsWith(QLatin1String("s16le 2ch 16000Hz yes")), qPrintable(prepared));
        SpeechRecorder events(*voice);
        QStringList playing;
        connect(voice.get(), &SpVoice::Word, this, [&] {
            if (playing.isEmpty())
                playing = streams();
        });
        voice->Speak(QStringLiteral("Hello there."), SVSFlagsAsync);
        QTRY_COMPARE_WITH_TIMEOUT(events.count("end"), 1, 10000);
        QCOMPARE(playing, QStringList{prepared.chopped(3) + QLatin1String("no")});
    }

    // A server that stops answering: opening a stream gives up instead of
    // waiting for it, a stream stopped while the server was still creating
    // it is gone once the server answers again, and writing gives up.
    void stoppedServerKeepsNoStreamBehind()
    {
        PrivatePulse daemon;
        if (!daemon.start())
            QSKIP("could not start a private PulseAudio daemon");
        const QByteArray saved = qgetenv("PULSE_SERVER");
        qputenv("PULSE_SERVER", daemon.server());
        const auto restore = qScopeGuard([&] { qputenv("PULSE_SERVER", saved); });
        PulseAudioSink sink;
        SontiError connected;
        for (int attempt = 0; attempt < 100 && (connected = sink.connect()).isError(); ++attempt)
            QTest::qWait(20);
        QVERIFY2(!connected.isError(), qPrintable(connected.toString()));
        SpAudioFormat format;
        format.setType(SAFT22kHz16BitMono);

        daemon.stop();
        const SontiError timedOut = sink.start(1, format);
        QVERIFY(timedOut.isError());
        SontiError stopped;
        std::thread creating([&] { stopped = sink.start(2, format); });
        QTest::qWait(200);
        sink.flush(2);
        creating.join();
        QVERIFY(stopped.isError());
        daemon.resume();

        // Requests on one connection are answered in order: once a third
        // stream is open, the server has created the first two and been
        // told to end them.
        QVERIFY(!sink.start(3, format).isError());
        sink.finish();
        QTRY_COMPARE(daemon.sinkInputs(), QString());

        // Writing to a stream the server stopped asking for fails instead
        // of blocking once the sink's two seconds are full.
        QVERIFY(!sink.start(4, format).isError());
        daemon.stop();
        const QByteArray second(format.sampleRate() * format.blockAlign(), '\0');
        bool written = true;
        for (int i = 0; i < 10 && written; ++i)
            written = sink.write(second);
        QVERIFY(!written);
        QVERIFY(sink.error().isError());
        sink.finish();
    }
};

QTEST_GUILESS_MAIN(tst_PulseAudioSink)
#include "tst_PulseAudioSink.moc"
