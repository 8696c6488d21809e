// The same cases against every engine, through the whole voice: each row
// runs with an espeak-ng voice and with flite voices at both their rates.

#include "EngineSet.h"
#include "ManualClock.h"
#include "NullAudioSink.h"
#include "SpVoice.h"
#include "SpeechRecorder.h"

#include <QTest>

using namespace std::chrono_literals;

namespace {
struct Rig
{
    std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>();
    NullAudioSink *sink = nullptr;
    std::unique_ptr<SpVoice> voice;
    std::unique_ptr<SpeechRecorder> recorder;
};

Rig rigFor(const QString &tokenId)
{
    Rig rig;
    auto sink = std::make_unique<NullAudioSink>(rig.clock);
    rig.sink = sink.get();
    rig.voice = std::make_unique<SpVoice>(EngineSet::installed(QLocale("en_US")), std::move(sink));
    rig.voice->setEventInterests(SVEAllEvents);
    rig.voice->setVoice(rig.voice->GetVoices().byId(tokenId));
    rig.recorder = std::make_unique<SpeechRecorder>(*rig.voice);
    return rig;
}

using Words = QList<std::pair<int, int>>;

Words wordsOf(const SpeechRecorder &recorder)
{
    Words words;
    for (const auto &e : recorder.of("word"))
        words.append({e.a, e.b});
    return words;
}

void addEngineRows()
{
    QTest::addColumn<QString>("voice");
    QTest::newRow("espeak-ng") << "eSpeak-NG/gmw/en-US";
    QTest::newRow("flite slt") << "Flite/slt";
    QTest::newRow("flite kal (8 kHz)") << "Flite/kal";
}
}

class tst_Engines : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyEventOfASentence_data() { addEngineRows(); }
    void everyEventOfASentence()
    {
        QFETCH(QString, voice);
        Rig rig = rigFor(voice);
        const QString text = QStringLiteral("Hello world, this is a test.");
        rig.voice->Speak(text, SVSFlagsAsync);
        rig.clock->advance(60s);
        QTRY_COMPARE(rig.recorder->count("end"), 1);
        QCOMPARE(wordsOf(*rig.recorder), (Words{{0, 5}, {6, 5}, {13, 4}, {18, 2}, {21, 1}, {23, 4}}));

        // In order, inside the stream, and about as long as the words take.
        const auto &events = rig.recorder->events;
        QCOMPARE(events.first().kind, QStringLiteral("start"));
        QCOMPARE(events.last().kind, QStringLiteral("end"));
        const qint64 end = events.last().position;
        QVERIFY2(end > 22050 * 2 && end < 22050 * 2 * 5, qPrintable(QString::number(end)));
        qint64 last = 0;
        for (const auto &e : events) {
            QVERIFY(e.position >= last && e.position <= end);
            last = e.position;
        }
        const auto visemes = rig.recorder->of("viseme");
        QVERIFY(visemes.size() >= 15);
        for (qsizetype i = 0; i + 1 < visemes.size(); ++i)
            QCOMPARE(visemes[i].b, visemes[i + 1].d);
        const auto levels = rig.recorder->of("level");
        // One a 50 ms block, and a last one of 0 where the sound ends.
        QCOMPARE(levels.last().a, 0);
        QVERIFY(std::abs(levels.size() - 1 - end / (22050 / 20 * 2)) <= 1);
        QVERIFY(std::any_of(levels.begin(), levels.end(), [](const auto &e) { return e.a > 50; }));
    }

    void markupActsOnEveryEngine_data() { addEngineRows(); }
    void markupActsOnEveryEngine()
    {
        QFETCH(QString, voice);
        auto lengthOf = [&](const QString &markup) {
            Rig rig = rigFor(voice);
            rig.sink->setCapture(true);
            const int stream = rig.voice->Speak(markup, SVSFlagsAsync | SVSFIsXML);
            rig.clock->advance(60s);
            [&] { QTRY_COMPARE(rig.recorder->count("end"), 1); }();
            return std::make_pair(rig.sink->captured(stream).size(), wordsOf(*rig.recorder));
        };
        const QString sentence = QStringLiteral("a sentence of several words");
        const auto plain = lengthOf(sentence);
        const auto fast = lengthOf("<rate absspeed='8'>" + sentence + "</rate>");
        const auto slow = lengthOf("<rate absspeed='-8'>" + sentence + "</rate>");
        QVERIFY(fast.first * 3 / 2 < plain.first);
        QVERIFY(slow.first > plain.first * 3 / 2);
        // Words point into the markup as given.
        QCOMPARE(fast.second.first(), std::make_pair(19, 1));
        QCOMPARE(fast.second.last(), std::make_pair(19 + 22, 5));
        const auto silent = lengthOf("<silence msec='500'/>" + sentence);
        QVERIFY(std::abs(silent.first - plain.first - 22050) < 400);
    }

    void purgeStopsEveryEngineAtOnce_data() { addEngineRows(); }
    void purgeStopsEveryEngineAtOnce()
    {
        QFETCH(QString, voice);
        Rig rig = rigFor(voice);
        QString text;
        for (int i = 0; i < 40; ++i)
            text += QStringLiteral("This is sentence number %1 of a long text. ").arg(i);
        const int first = rig.voice->Speak(text, SVSFlagsAsync);
        rig.clock->advance(1s);
        QTRY_VERIFY(rig.recorder->count("word") >= 2);
        rig.voice->Speak(QString(), SVSFPurgeBeforeSpeak);
        QTRY_COMPARE(rig.recorder->count("end"), 1);
        const int wordsHeard = rig.recorder->count("word");
        const int next = rig.voice->Speak(QStringLiteral("Next one."), SVSFlagsAsync);
        rig.clock->advance(60s);
        QTRY_COMPARE(rig.recorder->count("end"), 2);
        QCOMPARE(rig.recorder->of("end").first().stream, first);
        QCOMPARE(rig.recorder->count("word"), wordsHeard + 2);
        QCOMPARE(rig.recorder->of("word").last().stream, next);
    }

    void pauseHoldsEveryEngine_data() { addEngineRows(); }
    void pauseHoldsEveryEngine()
    {
        QFETCH(QString, voice);
        Rig rig = rigFor(voice);
        rig.voice->Speak(QStringLiteral("one two three four five six seven eight nine ten"), SVSFlagsAsync);
        rig.clock->advance(400ms);
        QTRY_VERIFY(rig.recorder->count("word") >= 1);
        rig.voice->Pause();
        rig.clock->advance(1s);
        QTRY_VERIFY(!rig.sink->position().playing);
        QCoreApplication::processEvents();
        const int words = rig.recorder->count("word");
        rig.clock->advance(5s);
        QTest::qWait(50);
        QCOMPARE(rig.recorder->count("word"), words);
        QVERIFY(words < 10);
        rig.voice->Resume();
        rig.clock->advance(60s);
        QTRY_COMPARE(rig.recorder->count("end"), 1);
        QCOMPARE(rig.recorder->count("word"), 10);
    }
};

QTEST_MAIN(tst_Engines)
#include "tst_Engines.moc"
