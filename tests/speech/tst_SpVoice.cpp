#include "FakeSynthesizer.h"
#include "ManualClock.h"
#include "NullAudioSink.h"
#include "SpVoice.h"
#include "SpeechRecorder.h"
#include "SpeechRequest.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <functional>

using namespace std::chrono_literals;

namespace {
// The fake speaks 100 ms per word and 20 ms per blank at 16 kHz; the sink
// hears only as much as the test plays.
struct Rig
{
    FakeSynthesizer *synthesizer = nullptr;
    NullAudioSink *sink = nullptr;
    std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>();
    std::unique_ptr<SpVoice> voice;

    void play(std::chrono::milliseconds time = 60s) { clock->advance(time); }
};

Rig makeVoice(int wordMs = 100, int gapMs = 20)
{
    Rig rig;
    auto synthesizer = std::make_unique<FakeSynthesizer>(16000, wordMs, gapMs);
    auto sink = std::make_unique<NullAudioSink>(rig.clock);
    rig.synthesizer = synthesizer.get();
    rig.sink = sink.get();
    rig.voice = std::make_unique<SpVoice>(std::move(synthesizer), std::move(sink));
    return rig;
}

SpeechFragment textFragment(const QString &text, QList<qsizetype> offsets = {})
{
    SpeechFragment f;
    f.text = text;
    f.sourceOffsets = std::move(offsets);
    return f;
}

using Words = QList<std::pair<int, int>>;

// Waits for the engine's threads without processing events, so that
// nothing is delivered meanwhile.
bool waitUndelivered(const std::function<bool()> &done)
{
    const QDeadlineTimer deadline(10000);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(1);
    }
    return true;
}
}

class tst_SpVoice : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void newVoiceHasSapiDefaults()
    {
        Rig rig = makeVoice();
        QCOMPARE(rig.voice->EventInterests(), 33278);
        QCOMPARE(rig.voice->AlertBoundary(), int(SVEWordBoundary));
        QCOMPARE(rig.voice->AudioOutputStream()->Format().Type(), int(SAFT22kHz16BitMono));
        QCOMPARE(rig.voice->Voice().Id(), rig.voice->GetVoices().Item(0).Id());
    }

    // prepare loads the current voice ahead and, from then on, each voice
    // chosen; a stream queued first makes the pending load moot.
    void prepareLoadsTheVoiceAhead()
    {
        Rig rig = makeVoice();
        const SpObjectTokens voices = rig.voice->GetVoices();
        rig.voice->setVoice(voices.Item(1));
        QVERIFY(rig.synthesizer->prepared().isEmpty());
        rig.voice->prepare();
        QTRY_COMPARE(rig.synthesizer->prepared(), QStringList{voices.Item(1).voice().id});
        rig.voice->setVoice(voices.Item(2));
        QTRY_COMPARE(rig.synthesizer->prepared().size(), 2);
        QCOMPARE(rig.synthesizer->prepared().last(), voices.Item(2).voice().id);

        SpeechRecorder recorder(*rig.voice);
        rig.voice->Speak(QStringLiteral("Hello"), SVSFlagsAsync | SVSFIsNotXML);
        rig.play();
        QTRY_COMPARE(recorder.count("end"), 1);
        QCOMPARE(rig.synthesizer->spoken().first().voiceId, voices.Item(2).voice().id);
        QCOMPARE(rig.synthesizer->prepared().size(), 2);
    }

    void wordPositionsIndexTheTextGiven_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<Words>("words");
        QTest::newRow("ascii") << "Hello big world" << Words{{0, 5}, {6, 3}, {10, 5}};
        QTest::newRow("emoji is two units") << u"a \U0001F600 b"_qs << Words{{0, 1}, {2, 2}, {5, 1}};
        QTest::newRow("CR LF line break") << "one\r\ntwo" << Words{{0, 3}, {5, 3}};
        QTest::newRow("markup characters are text") << "<b> &amp;" << Words{{0, 3}, {4, 4}};
    }
    void wordPositionsIndexTheTextGiven()
    {
        QFETCH(QString, text);
        QFETCH(Words, words);
        Rig rig = makeVoice();
        SpeechRecorder recorder(*rig.voice);
        rig.voice->Speak(text, SVSFlagsAsync | SVSFIsNotXML);
        rig.play();
        QTRY_COMPARE(recorder.count("end"), 1);
        Words heard;
        for (const auto &e : recorder.of("word"))
            heard.append({e.a, e.b});
        QCOMPARE(heard, words);
        QCOMPARE(recorder.events.first().kind, QStringLiteral("start"));
        QCOMPARE(recorder.events.last().kind, QStringLiteral("end"));
    }

    void fragmentWordsMapBackThroughSourceOffsets()
    {
        // "<x>Hi</x> there" spoken as the fragment "Hi there".
        Rig rig = makeVoice();
        SpeechRecorder recorder(*rig.voice);
        rig.voice->speakFragments({textFragment("Hi there", {3, 4, 9, 10, 11, 12, 13, 14, 15})}, SVSFlagsAsync);
        rig.play();
        QTRY_COMPARE(recorder.count("end"), 1);
        const auto words = recorder.of("word");
        QCOMPARE(words.size(), 2);
        QCOMPARE(std::make_pair(words[0].a, words[0].b), std::make_pair(3, 6));
        QCOMPARE(std::make_pair(words[1].a, words[1].b), std::make_pair(10, 5));
    }

    void markupIsReadOnlyWhenAsked_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("flags");
        QTest::addColumn<Words>("words");
        QTest::addColumn<QList<int>>("rates");
        const QString markup = QStringLiteral("<rate speed=\"5\">Hi</rate> there");
        QTest::newRow("XML") << markup << int(SVSFIsXML) << Words{{16, 2}, {26, 5}} << QList<int>{5, 0};
        QTest::newRow("detected by its first character") << markup << 0 << Words{{16, 2}, {26, 5}} << QList<int>{5, 0};
        QTest::newRow("not XML") << markup << int(SVSFIsNotXML) << Words{{0, 5}, {6, 19}, {26, 5}} << QList<int>{0};
    }
    void markupIsReadOnlyWhenAsked()
    {
        QFETCH(QString, text);
        QFETCH(int, flags);
        QFETCH(Words, words);
        QFETCH(QList<int>, rates);
        Rig rig = makeVoice();
        SpeechRecorder recorder(*rig.voice);
        rig.voice->Speak(text, flags | SVSFlagsAsync);
        rig.play();
        QTRY_COMPARE(recorder.count("end"), 1);
        Words heard;
        for (const auto &e : recorder.of("word"))
            heard.append({e.a, e.b});
        QCOMPARE(heard, words);
        QList<int> spokenRates;
        for (const auto &spoken : rig.synthesizer->spoken()) {
            if (!spoken.fragment.text.trimmed().isEmpty())
                spokenRates.append(spoken.fragment.state.rate);
        }
        QCOMPARE(spokenRates, rates);
    }

    void unspeakableMarkupFailsSpeak()
    {
        Rig rig = makeVoice();
        SpeechRecorder recorder(*rig.voice);
        QVERIFY_THROWS_EXCEPTION(SontiError, rig.voice->Speak("<pron sym=\"qq\">x</pron>", SVSFIsXML | SVSFlagsAsync));
        // Nothing was queued: the next stream is the only one heard.
        const int next = rig.voice->Speak("fine", SVSFlagsAsync);
        rig.play();
        QTRY_COMPARE(recorder.count("end"), 1);
        QCOMPARE(recorder.of("start").size(), 1);
        QCOMPARE(recorder.events.first().stream, next);
    }

    void aLongTextIsReadAsItIsSpoken_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("flags");
        // Long enough to be read piecewise and cut into many fragments.
        const QString prose = QStringLiteral("Plain words, then more of them. ").repeated(1200);
        QTest::newRow("plain") << prose << int(SVSFIsNotXML);
        QTest::newRow("markup") << QStringLiteral("<emph>Tom</emph> &amp; Jerry&apos;s <rate speed=\"2\">fast</rate> "
                                                  "talk.<bookmark mark=\"m\"/> ")
                                       .repeated(700)
                                << int(SVSFIsXML);
    }
    void aLongTextIsReadAsItIsSpoken()
    {
        // The same words at the same places in the string given to Speak as
        // when the whole text is parsed at once.
        QFETCH(QString, text);
        QFETCH(int, flags);
        QList<Words> heard;
        for (const bool whole : {true, false}) {
            Rig rig = makeVoice(2, 1);
            SpeechRecorder recorder(*rig.voice);
            if (whole)
                rig.voice->speakFragments(SpeechRequest::fragmentsFor(text, flags, rig.voice->GetVoices()),
                                          SVSFlagsAsync, text);
            else
                rig.voice->Speak(text, flags | SVSFlagsAsync);
            rig.play(3600s);
            QTRY_COMPARE_WITH_TIMEOUT(recorder.count("end"), 1, 30000);
            heard.append(Words());
            for (const auto &e : recorder.of("word"))
                heard.last().append({e.a, e.b});
            if (!whole)
                QVERIFY(rig.synthesizer->spoken().size() > 20);
        }
        QVERIFY(heard[0].size() > 1000);
        QCOMPARE(heard[1], heard[0]);
    }

    void unspeakableMarkupInALongTextFailsItsStream()
    {
        Rig rig = makeVoice(2, 1);
        SpeechRecorder recorder(*rig.voice);
        QSignalSpy failed(rig.voice.get(), &SpVoice::StreamFailed);
        const QString before = QStringLiteral("Words before it. ").repeated(3000);
        const int stream = rig.voice->Speak(before + QStringLiteral("<pron sym=\"qq\">x</pron> never heard"),
                                            SVSFIsXML | SVSFlagsAsync);
        rig.play(3600s);
        QTRY_COMPARE_WITH_TIMEOUT(recorder.count("end"), 1, 30000);
        QCOMPARE(failed.size(), 1);
        QCOMPARE(failed.first().first().toInt(), stream);
        QCOMPARE(failed.first().last().value<SontiError>().number(), int(SontiError::SpeechFailure));
        // What came before the error was heard, nothing after it.
        const auto words = recorder.of("word");
        QCOMPARE(words.size(), 9000);
        QCOMPARE(words.last().a, before.size() - 4);
    }

    void onlyInterestingEventsAreRaised_data()
    {
        QTest::addColumn<int>("interests");
        QTest::addColumn<QStringList>("kinds");
        QTest::newRow("new voice") << 33278 << QStringList{"start", "word", "viseme", "end"};
        QTest::newRow("with audio level")
            << (33278 | SVEAudioLevel) << QStringList{"start", "word", "viseme", "level", "end"};
        QTest::newRow("end only") << int(SVEEndInputStream) << QStringList{"end"};
        QTest::newRow("none") << 0 << QStringList{};
    }
    void onlyInterestingEventsAreRaised()
    {
        QFETCH(int, interests);
        QFETCH(QStringList, kinds);
        Rig rig = makeVoice();
        rig.voice->setEventInterests(interests);
        SpeechRecorder recorder(*rig.voice);
        rig.play();
        if (kinds.isEmpty()) {
            // Nothing to wait for: once it has been heard to its end, its
            // events get a moment to (not) arrive.
            rig.voice->Speak("one two", SVSFDefault);
            QTest::qWait(100);
        } else {
            rig.voice->Speak("one two", SVSFlagsAsync);
            QTRY_COMPARE(recorder.count(kinds.last()), 1);
        }
        QStringList seen;
        for (const auto &e : recorder.events) {
            if (!seen.contains(e.kind))
                seen.append(e.kind);
        }
        std::sort(seen.begin(), seen.end());
        std::sort(kinds.begin(), kinds.end());
        QCOMPARE(seen, kinds);
    }

    // Without a level meter the stream's audio is not measured, and its
    // words must still be heard as they are spoken, not held to the end.
    void wordsAreHeardAsSpokenWithOrWithoutLevels_data()
    {
        QTest::addColumn<int>("interests");
        QTest::newRow("words only") << int(SVEWordBoundary | SVEEndInputStream);
        QTest::newRow("words and levels") << int(SVEWordBoundary | SVEEndInputStream | SVEAudioLevel);
    }
    void wordsAreHeardAsSpokenWithOrWithoutLevels()
    {
        QFETCH(int, interests);
        Rig rig = makeVoice();
        rig.voice->setEventInterests(interests);
        SpeechRecorder recorder(*rig.voice);
        // 40 words of 100 ms with 20 ms between them: far more than the
        // sink takes ahead, so the synthesis waits for what is heard.
        rig.voice->Speak(QStringLiteral("word ").repeated(40), SVSFlagsAsync);
        rig.play(1s);
        QTRY_COMPARE(recorder.count("word"), 9);
        QCOMPARE(recorder.count("end"), 0);
        rig.play();
        QTRY_COMPARE(recorder.count("end"), 1);
        const auto words = recorder.of("word");
        QCOMPARE(words.size(), 40);
        for (qsizetype i = 0; i < words.size(); ++i)
            QCOMPARE(words[i].position, qint64(i) * 120 * 22050 / 1000 * 2);
        QCOMPARE(recorder.count("level") > 0, bool(interests & SVEAudioLevel));
    }

    void eventsComeInStreamOrderWithVisemeSuccessors()
    {
        Rig rig = makeVoice();
        rig.voice->setEventInterests(SVEAllEvents);
        SpeechRecorder recorder(*rig.voice);
        rig.voice->Speak("alpha beta gamma delta", SVSFlagsAsync);
        rig.play();
        QTRY_COMPARE(recorder.count("end"), 1);
        qint64 last = 0;
        for (const auto &e : recorder.events) {
            QVERIFY2(e.position >= last,
                     qPrintable(QStringLiteral("%1 at %2 after %3").arg(e.kind).arg(e.position).arg(last)));
            last = e.position;
        }
        const auto visemes = recorder.of("viseme");
        QVERIFY(visemes.size() >= 8);
        for (qsizetype i = 0; i + 1 < visemes.size(); ++i) {
            QCOMPARE(visemes[i].b, visemes[i + 1].d);
            QVERIFY(visemes[i].a > 0);
            QVERIFY(visemes[i].d >= 0 && visemes[i].d <= 21);
        }
        QCOMPARE(visemes.last().b, 0);
        // 4 words of 100 ms and 3 gaps of 20 ms, one level per 50 ms.
        const auto levels = recorder.of("level");
        QVERIFY2(levels.size() >= 9 && levels.size() <= 11, qPrintable(QString::number(levels.size())));
        QVERIFY(std::any_of(levels.begin(), levels.end(), [](const auto &e) { return e.a > 50; }));
        QVERIFY(std::all_of(levels.begin(), levels.end(), [](const auto &e) { return e.a >= 0 && e.a <= 100; }));
        // Stream positions are bytes of 22 kHz 16-bit mono.
        QCOMPARE(recorder.of("end").first().position, qint64(460) * 22050 / 1000 * 2);
    }

    void purgeEndsEveryStreamAfterTheCallReturns()
    {
        Rig rig = makeVoice();
        SpeechRecorder recorder(*rig.voice);
        const int first = rig.voice->Speak("one two three four five six", SVSFlagsAsync);
        const int second = rig.voice->Speak("seven eight", SVSFlagsAsync);
        rig.play(150ms);
        QTRY_COMPARE(recorder.count("word"), 2);
        QCOMPARE(rig.voice->Speak(QString(), SVSFPurgeBeforeSpeak), 0);
        QCOMPARE(recorder.count("end"), 0);
        QTRY_COMPARE(recorder.count("end"), 2);
        QCOMPARE(recorder.of("end")[0].stream, first);
        QCOMPARE(recorder.of("end")[1].stream, second);
        // Nothing of them is heard later: the next stream's word is the only one after.
        const int third = rig.voice->Speak("nine", SVSFlagsAsync);
        rig.play();
        QTRY_COMPARE(recorder.count("end"), 3);
        QCOMPARE(recorder.count("word"), 3);
        QCOMPARE(recorder.of("word").last().stream, third);
        QVERIFY(!rig.sink->startedTags().contains(second));
    }

    void aPurgedStreamEndsBeforeTheNextIsHeard()
    {
        Rig rig = makeVoice();
        rig.sink->setCapture(true);
        SpeechRecorder recorder(*rig.voice);
        rig.play();
        // The first stream starts; the second replaces it and plays to its
        // end, all before this thread gets to deliver anything.
        const int first = rig.voice->Speak("one two three", SVSFlagsAsync);
        QVERIFY(waitUndelivered([&] { return !rig.sink->captured(first).isEmpty(); }));
        const int second = rig.voice->Speak("four", SVSFlagsAsync | SVSFPurgeBeforeSpeak);
        QVERIFY(waitUndelivered([&] {
            const AudioSink::Position heard = rig.sink->position();
            return heard.tag == second && !heard.playing;
        }));
        QTRY_COMPARE(recorder.count("end"), 2);
        QCOMPARE(recorder.events.first().kind, QStringLiteral("end"));
        QCOMPARE(recorder.events.first().stream, first);
        QCOMPARE(recorder.events.last().stream, second);
    }

    void speakWithPurgeReplacesWhatWasSpeaking()
    {
        Rig rig = makeVoice();
        SpeechRecorder recorder(*rig.voice);
        const int first = rig.voice->Speak("one two three four five six", SVSFlagsAsync);
        const int second = rig.voice->Speak("seven", SVSFlagsAsync | SVSFPurgeBeforeSpeak);
        rig.play();
        QTRY_COMPARE(recorder.count("end"), 2);
        QCOMPARE(recorder.of("end")[0].stream, first);
        QCOMPARE(recorder.of("end")[1].stream, second);
        const auto words = recorder.of("word");
        QVERIFY(!words.isEmpty());
        QCOMPARE(words.last().stream, second);
    }

    void aFileIsDecodedAsDocumentsAre()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("old.txt"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("caf\xE9 \x80"); // Windows-1252, not UTF-8
        file.close();
        Rig rig = makeVoice();
        SpeechRecorder recorder(*rig.voice);
        rig.voice->Speak(path, SVSFIsFilename | SVSFIsNotXML | SVSFlagsAsync);
        rig.play();
        QTRY_COMPARE(recorder.count("end"), 1);
        QCOMPARE(rig.synthesizer->spoken().first().fragment.text, QStringLiteral(u"café €"));
    }

    void synchronousSpeakReturnsWhenHeard()
    {
        Rig rig = makeVoice();
        SpeechRecorder recorder(*rig.voice);
        rig.play();
        const int stream = rig.voice->Speak("one two three", SVSFDefault);
        const AudioSink::Position position = rig.sink->position();
        QCOMPARE(position.tag, qint64(stream));
        QCOMPARE(position.frames, qint64(340) * 22050 / 1000);
        QTRY_COMPARE(recorder.count("end"), 1);
        QCOMPARE(recorder.count("word"), 3);
    }

    void pauseHoldsSoundAndEventsUntilResume_data()
    {
        QTest::addColumn<int>("boundary");
        QTest::newRow("word") << int(SVEWordBoundary);
        QTest::newRow("phoneme") << int(SVEPhoneme);
    }
    void pauseHoldsSoundAndEventsUntilResume()
    {
        QFETCH(int, boundary);
        Rig rig = makeVoice();
        rig.voice->setAlertBoundary(boundary);
        rig.voice->setEventInterests(SVEAllEvents);
        SpeechRecorder recorder(*rig.voice);
        rig.voice->Speak("one two three four five six seven eight", SVSFlagsAsync);
        rig.play(150ms);
        QTRY_COMPARE(recorder.count("word"), 2);
        const qint64 atPause = rig.sink->position().frames;
        rig.voice->Pause();
        // Nothing more is reported once Pause has returned; the sound stops
        // at the next boundary, a phoneme away at most.
        const int eventsAtPause = int(recorder.events.size());
        for (int i = 0; i < 30 && rig.sink->position().playing; ++i) {
            rig.play(10ms);
            QTest::qWait(5);
        }
        QVERIFY(!rig.sink->position().playing);
        QCOMPARE(int(recorder.events.size()), eventsAtPause);
        QVERIFY2(rig.sink->position().frames - atPause <= 22050 * 130 / 1000,
                 qPrintable(QString::number(rig.sink->position().frames - atPause)));
        const qint64 heard = rig.sink->position().frames;
        rig.play(300ms);
        QTest::qWait(50);
        QCOMPARE(int(recorder.events.size()), eventsAtPause);
        QCOMPARE(rig.sink->position().frames, heard);
        rig.voice->Resume();
        rig.play();
        QTRY_COMPARE(recorder.count("end"), 1);
        QCOMPARE(recorder.count("word"), 8);
        // The meter falls to 0 with the end of the sound, which is loud to
        // its last sample here.
        const auto levels = recorder.of("level");
        QVERIFY(levels.size() > 8);
        QVERIFY(levels[levels.size() - 2].a > 0);
        QCOMPARE(levels.last().a, 0);
        QCOMPARE(levels.last().position, recorder.of("end").last().position);
    }

    void synchronousSpeakGivesUpWhenPlaybackStandsStill()
    {
        Rig rig = makeVoice();
        SpeechRecorder recorder(*rig.voice);
        // The clock stands still, as if the sound server had stopped
        // answering: nothing is heard.
        try {
            rig.voice->Speak("one two three", SVSFDefault);
            QFAIL("Speak returned");
        } catch (const SontiError &error) {
            QCOMPARE(error.number(), int(SontiError::AudioFailure));
        }
        QTRY_COMPARE(recorder.count("end"), 1);
        rig.play();
        rig.voice->Speak("four", SVSFDefault);
        QTRY_COMPARE(recorder.count("end"), 2);
    }

    void synchronousSpeakWhilePausedFailsInsteadOfHanging()
    {
        Rig rig = makeVoice();
        rig.voice->Pause();
        QVERIFY_THROWS_EXCEPTION(SontiError, rig.voice->Speak("hello", SVSFDefault));
        rig.voice->Resume();
    }

    void noAudioServerFailsSpeak()
    {
        Rig rig = makeVoice();
        rig.sink->setConnectError(SontiError(SontiError::AudioFailure, "PulseAudio", "Connection refused"));
        SpeechRecorder recorder(*rig.voice);
        try {
            rig.voice->Speak("hello", SVSFlagsAsync);
            QFAIL("Speak did not fail");
        } catch (const SontiError &error) {
            QCOMPARE(error.number(), int(SontiError::AudioFailure));
        }
        rig.sink->setConnectError({});
        rig.voice->Speak("hello", SVSFlagsAsync);
        rig.play();
        QTRY_COMPARE(recorder.count("end"), 1);
        // The failed Speak queued nothing.
        QCOMPARE(recorder.of("start").size(), 1);
    }

    void failingSynthesisStillEndsTheStream()
    {
        Rig rig = makeVoice();
        rig.synthesizer->setError(SontiError(SontiError::SpeechFailure, "Fake", "broken"));
        SpeechRecorder recorder(*rig.voice);
        QList<std::pair<int, QString>> failures;
        connect(rig.voice.get(), &SpVoice::StreamFailed, this, [&](int stream, const SontiError &error) {
            failures.append({stream, error.description()});
            QCOMPARE(recorder.count("end"), 0);
        });
        const int stream = rig.voice->Speak("hello", SVSFlagsAsync);
        rig.play();
        QTRY_COMPARE(recorder.count("end"), 1);
        QCOMPARE(failures, (QList<std::pair<int, QString>>{{stream, "broken"}}));
    }

    void aPurgedStreamIsNoFailure()
    {
        Rig rig = makeVoice();
        SpeechRecorder recorder(*rig.voice);
        QSignalSpy failures(rig.voice.get(), &SpVoice::StreamFailed);
        rig.voice->Speak("one two three four five six", SVSFlagsAsync);
        rig.play(150ms);
        QTRY_VERIFY(recorder.count("word") > 0);
        rig.voice->Speak("", SVSFPurgeBeforeSpeak);
        // Whatever the purged stream had to say comes before the next one ends.
        rig.voice->Speak("seven", SVSFlagsAsync);
        rig.play();
        QTRY_COMPARE(recorder.count("end"), 2);
        QCOMPARE(failures.count(), 0);
    }

    void audioThatCannotBeConvertedEndsTheStreamUnheard()
    {
        auto synthesizer = std::make_unique<FakeSynthesizer>(0);
        auto sink = std::make_unique<NullAudioSink>(std::make_shared<ManualClock>());
        NullAudioSink *sinkSeen = sink.get();
        SpVoice voice(std::move(synthesizer), std::move(sink));
        SpeechRecorder recorder(voice);
        voice.Speak("hello", SVSFlagsAsync);
        QTRY_COMPARE(recorder.count("end"), 1);
        QCOMPARE(recorder.count("word"), 0);
        QVERIFY(sinkSeen->startedTags().isEmpty());
    }

    void chosenVoiceAndFormatAreUsed()
    {
        Rig rig = makeVoice();
        rig.sink->setCapture(true);
        rig.voice->setVoice(rig.voice->GetVoices().Item(2));
        rig.voice->setAllowAudioOutputFormatChangesOnNextSet(false);
        rig.voice->AudioOutputStream()->Format().setType(SAFT16kHz16BitStereo);
        rig.voice->setAudioOutputStream(rig.voice->AudioOutputStream());
        SpeechRecorder recorder(*rig.voice);
        rig.play();
        const int stream = rig.voice->Speak("one two", SVSFDefault);
        QCOMPARE(rig.synthesizer->spoken().last().voiceId, QStringLiteral("fake/de"));
        // 220 ms at 16 kHz, two channels of two bytes.
        QCOMPARE(rig.sink->captured(stream).size(), qsizetype(220) * 16 * 4);
        const QByteArray bytes = rig.sink->captured(stream);
        const auto *frames = reinterpret_cast<const qint16 *>(bytes.constData());
        QVERIFY(std::any_of(frames, frames + bytes.size() / 2, [](qint16 s) { return s != 0; }));
        for (qsizetype i = 0; i + 1 < bytes.size() / 2; i += 2)
            QCOMPARE(frames[i], frames[i + 1]);
    }

    void formatChangesFollowSapiRules()
    {
        Rig rig = makeVoice();
        auto stream = rig.voice->AudioOutputStream();
        QVERIFY_THROWS_EXCEPTION(SontiError, stream->Format().setType(99));
        QCOMPARE(stream->Format().Type(), int(SAFT22kHz16BitMono));
        // Allowed (the default), the voice puts its own format back.
        stream->Format().setType(SAFT16kHz16BitMono);
        rig.voice->setAudioOutputStream(stream);
        QCOMPARE(rig.voice->AudioOutputStream()->Format().Type(), int(SAFT22kHz16BitMono));
        rig.voice->setAllowAudioOutputFormatChangesOnNextSet(false);
        stream->Format().setType(SAFT22kHz16BitStereo);
        rig.voice->setAudioOutputStream(stream);
        QCOMPARE(rig.voice->AudioOutputStream()->Format().Type(), int(SAFT22kHz16BitStereo));
        QVERIFY_THROWS_EXCEPTION(SontiError, rig.voice->setAudioOutputStream(nullptr));
        QCOMPARE(rig.voice->AudioOutputStream()->Format().Type(), int(SAFT22kHz16BitStereo));
    }

    void unknownVoiceIsRefusedAndChangesNothing()
    {
        Rig rig = makeVoice();
        const SpObjectToken before = rig.voice->Voice();
        VoiceDescription stranger{"other/x", "Other", "fr", "Male", "Adult", "Else"};
        QVERIFY_THROWS_EXCEPTION(SontiError, rig.voice->setVoice(SpObjectToken(stranger)));
        QCOMPARE(rig.voice->Voice().Id(), before.Id());
    }

    void markupStateReachesTheSynthesizer()
    {
        Rig rig = makeVoice();
        rig.voice->setRate(3);
        rig.voice->setVolume(50);
        rig.voice->setProsody({1.5, 0.5, 2.0});
        SpeechFragment loud = textFragment("one");
        loud.state.rate = 5;
        loud.state.volume = 80;
        loud.state.voiceId = rig.voice->GetVoices("Language=809").Item(0).Id();
        SpeechFragment silence;
        silence.kind = SpeechFragment::Kind::Silence;
        silence.msec = 200;
        SpeechFragment mark;
        mark.kind = SpeechFragment::Kind::Bookmark;
        mark.argument = "42";
        rig.voice->setEventInterests(SVEAllEvents);
        SpeechRecorder recorder(*rig.voice);
        rig.play();
        rig.voice->speakFragments({loud, silence, mark, textFragment("two")}, SVSFDefault);
        const auto spoken = rig.synthesizer->spoken();
        QCOMPARE(spoken.size(), 2);
        QCOMPARE(spoken[0].fragment.state.rate, 8);
        QCOMPARE(spoken[0].fragment.state.baseline, (Prosody{1.5, 0.5, 2.0}));
        QCOMPARE(spoken[0].fragment.state.volume, 40);
        QCOMPARE(spoken[0].voiceId, QStringLiteral("fake/en-GB"));
        QCOMPARE(spoken[1].voiceId, QStringLiteral("fake/en-US"));
        QTRY_COMPARE(recorder.count("end"), 1);
        const auto marks = recorder.of("bookmark");
        QCOMPARE(marks.size(), 1);
        QCOMPARE(marks[0].mark, QStringLiteral("42"));
        QCOMPARE(marks[0].a, 42);
        // The mark comes after the word and the silence, before the next word.
        const auto words = recorder.of("word");
        QCOMPARE(marks[0].position, qint64(300) * 22050 / 1000 * 2);
        QCOMPARE(words[1].position, marks[0].position);
    }

    void rapidSpeakAndPurgeEndEveryStreamOnce()
    {
        Rig rig = makeVoice();
        SpeechRecorder recorder(*rig.voice);
        for (int i = 0; i < 100; ++i)
            rig.voice->Speak(QStringLiteral("cycle %1 of many words").arg(i), SVSFlagsAsync | SVSFPurgeBeforeSpeak);
        rig.play();
        QTRY_COMPARE(recorder.count("end"), 100);
        QList<int> ended;
        for (const auto &e : recorder.of("end"))
            ended.append(e.stream);
        QList<int> expected(100);
        std::iota(expected.begin(), expected.end(), 1);
        QCOMPARE(ended, expected);
    }

    void destroyingTheVoiceWhileSpeakingIsSafe()
    {
        for (int words = 0; words < 5; ++words) {
            Rig rig = makeVoice();
            SpeechRecorder recorder(*rig.voice);
            rig.voice->Speak("a long text that is still being spoken when the voice goes away", SVSFlagsAsync);
            rig.play(words * 120ms);
            QTRY_VERIFY(recorder.count("word") >= words);
            rig.voice->Pause();
            rig.voice.reset();
        }
    }
};

QTEST_GUILESS_MAIN(tst_SpVoice)
#include "tst_SpVoice.moc"
