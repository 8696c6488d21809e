#include "EngineSet.h"
#include "FakeSynthesizer.h"
#include "ManualClock.h"
#include "NullAudioSink.h"
#include "SpObjectTokens.h"
#include "SpVoice.h"
#include "SpeechRecorder.h"
#include "VoiceOrder.h"

#include <QTest>

#include <algorithm>
#include <random>

using namespace std::chrono_literals;

namespace {
VoiceDescription voice(const QString &id, const QString &name, const QString &language,
                       QList<VoiceDescription::Language> languages = {}, const QString &engine = "eSpeak-NG")
{
    VoiceDescription v{id, name, language, "Male", "Adult", engine == u"Flite" ? "Flite" : "eSpeak NG", languages};
    v.engine = engine;
    return v;
}

// Like espeak-ng's and flite's lists, in the engines' own orders.
QList<VoiceDescription> sampleVoices()
{
    return {
        voice("gmw/en-US", "English (America)", "en-US", {{"en-us", 2}, {"en", 3}}),
        voice("gmw/en", "English (Great Britain)", "en-GB", {{"en-gb", 2}, {"en", 2}}),
        voice("gmw/de", "German", "de", {{"de", 5}}),
        voice("roa/fr-BE", "French (Belgium)", "fr-BE", {{"fr-be", 5}, {"fr", 8}}),
        voice("roa/fr", "French (France)", "fr-FR", {{"fr-fr", 5}, {"fr", 5}}),
        voice("sit/my", "Myanmar", "my"),
        voice("poz/mi", "Māori", "mi"),
        voice("iro/chr", "Cherokee ", "chr"),
        voice("slt", "slt", "en-US", {{"en-us", 5}, {"en", 6}}, "Flite"),
        voice("awb", "awb", "en-US", {{"en-us", 5}, {"en", 6}}, "Flite"),
    };
}

QStringList idsOf(const QList<VoiceDescription> &voices)
{
    QStringList ids;
    for (const VoiceDescription &v : voices)
        ids.append(v.id);
    return ids;
}
}

class tst_EngineSet : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void firstVoiceSpeaksTheLocalesLanguage_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("first");
        QTest::newRow("German, Germany") << "de_DE"
                                         << "gmw/de";
        QTest::newRow("French, Canada: the engine's French") << "fr_CA"
                                                             << "roa/fr";
        QTest::newRow("French, Belgium") << "fr_BE"
                                         << "roa/fr-BE";
        QTest::newRow("English, Britain") << "en_GB"
                                          << "gmw/en";
        QTest::newRow("English, America: espeak-ng before flite") << "en_US"
                                                                  << "gmw/en-US";
        QTest::newRow("no voice for Japanese: American English") << "ja_JP"
                                                                 << "gmw/en-US";
        QTest::newRow("C locale") << "C"
                                  << "gmw/en-US";
    }
    void firstVoiceSpeaksTheLocalesLanguage()
    {
        QFETCH(QString, locale);
        QFETCH(QString, first);
        QCOMPARE(VoiceOrder::forLocale(sampleVoices(), QLocale(locale)).first().id, first);
    }

    void restFollowTheLocalesCollationWhateverTheEnginesOrder()
    {
        const QList<VoiceDescription> ordered = VoiceOrder::forLocale(sampleVoices(), QLocale("en_US"));
        QCOMPARE(idsOf(ordered),
                 (QStringList{"gmw/en-US", "awb", "iro/chr", "gmw/en", "roa/fr-BE", "roa/fr", "gmw/de", "poz/mi",
                              "sit/my", "slt"}));
        QCOMPARE(idsOf(VoiceOrder::forLocale(sampleVoices(), QLocale::c())), idsOf(ordered));
        QList<VoiceDescription> shuffled = sampleVoices();
        std::mt19937 random(7);
        for (int i = 0; i < 5; ++i) {
            std::shuffle(shuffled.begin(), shuffled.end(), random);
            QCOMPARE(idsOf(VoiceOrder::forLocale(shuffled, QLocale("en_US"))), idsOf(ordered));
        }
    }

    void installedEnginesGiveOneListWithTrimmedDescriptions()
    {
        const auto engines = EngineSet::installed(QLocale("de_DE"));
        const QList<VoiceDescription> voices = engines->voices();
        QCOMPARE(voices.first().id, QStringLiteral("gmw/de"));
        QStringList ids;
        QStringList flite;
        for (const VoiceDescription &v : voices) {
            ids.append(SpObjectToken(v).Id());
            const QString description = SpObjectToken(v).GetDescription();
            QCOMPARE(description, description.simplified());
            QVERIFY2(!description.contains(QStringLiteral("  ")), qPrintable(description));
            QVERIFY(description.endsWith(u" - eSpeak NG") || description.endsWith(u" - Flite"));
            if (v.vendor == u"Flite")
                flite.append(v.id);
        }
        std::sort(flite.begin(), flite.end());
        QCOMPARE(flite, (QStringList{"awb", "kal", "kal16", "rms", "slt"}));
        QCOMPARE(ids.size(), QSet<QString>(ids.begin(), ids.end()).size());
        QCOMPARE(idsOf(EngineSet::installed(QLocale("de_DE"))->voices()), idsOf(voices));
        QCOMPARE(engines->sampleRate("kal"), 8000);
        QCOMPARE(engines->sampleRate("slt"), 16000);
        QCOMPARE(engines->sampleRate("gmw/de"), 22050);
    }

    // What <voice required="…"> resolves with, across both engines.
    void markupVoiceAttributesFindEitherEngine_data()
    {
        QTest::addColumn<QString>("required");
        QTest::addColumn<QString>("optional");
        QTest::addColumn<QString>("id");
        QTest::newRow("name") << "Name=slt" << QString() << "Flite/slt";
        QTest::newRow("vendor and gender") << "Vendor=Flite;Gender=Female" << QString() << "Flite/slt";
        QTest::newRow("language, preferring flite") << "Language=409"
                                                    << "Vendor=Flite;Gender=Male"
                                                    << "Flite/awb";
        QTest::newRow("German is espeak-ng's") << "Language=407" << QString() << "eSpeak-NG/gmw/de";
        QTest::newRow("no German flite voice") << "Language=407;Vendor=Flite" << QString() << QString();
    }
    void markupVoiceAttributesFindEitherEngine()
    {
        QFETCH(QString, required);
        QFETCH(QString, optional);
        QFETCH(QString, id);
        QList<SpObjectToken> tokens;
        for (const VoiceDescription &v : EngineSet::installed(QLocale("en_US"))->voices())
            tokens.append(SpObjectToken(v));
        QCOMPARE(SpObjectTokens(tokens).bestMatchId(required, optional), id);
    }

    // Voices of engines at different rates in one stream: each fragment is
    // resampled from its own rate, and its events land on its own audio.
    void fragmentsOfEnginesAtOtherRatesShareOneStream()
    {
        auto slow = std::make_unique<FakeSynthesizer>(8000);
        slow->setVoices({voice("slow/en", "Slow", "en-US", {}, "Slow")});
        auto fast = std::make_unique<FakeSynthesizer>(22050);
        fast->setVoices({voice("fast/en", "Fast", "en-GB", {}, "Fast")});
        std::vector<std::unique_ptr<Synthesizer>> engines;
        engines.push_back(std::move(slow));
        engines.push_back(std::move(fast));
        auto clock = std::make_shared<ManualClock>();
        auto sink = std::make_unique<NullAudioSink>(clock);
        NullAudioSink *sinkSeen = sink.get();
        sink->setCapture(true);
        SpVoice voice(std::make_unique<EngineSet>(std::move(engines), QLocale("en_US")), std::move(sink));
        voice.setEventInterests(SVEAllEvents);
        SpeechRecorder recorder(voice);

        QList<SpeechFragment> fragments;
        for (const char *id : {"slow/en", "fast/en", "slow/en"}) {
            SpeechFragment f;
            f.text = QStringLiteral("word word");
            f.state.voiceId = QStringLiteral("%1/%2").arg(id == QByteArray("fast/en") ? "Fast" : "Slow", id);
            fragments.append(f);
        }
        const int stream = voice.speakFragments(fragments, SVSFlagsAsync);
        clock->advance(60s);
        QTRY_COMPARE(recorder.count("end"), 1);
        // Six words of 100 ms and three gaps of 20 ms at 22050 Hz, 16-bit mono.
        const qint64 bytes = sinkSeen->captured(stream).size();
        QVERIFY2(std::abs(bytes - qint64(660) * 22050 / 1000 * 2) < 600, qPrintable(QString::number(bytes)));
        const auto words = recorder.of("word");
        QCOMPARE(words.size(), 6);
        for (qsizetype i = 0; i < words.size(); ++i) {
            // Each fragment lasts 220 ms; its second word starts 120 ms in.
            const qint64 expected = ((i / 2) * 220 + (i % 2) * 120) * 22050 / 1000 * 2;
            QVERIFY2(std::abs(words[i].position - expected) <= 2 * 100,
                     qPrintable(QStringLiteral("%1 at %2").arg(i).arg(words[i].position)));
        }
    }
};

QTEST_MAIN(tst_EngineSet)
#include "tst_EngineSet.moc"
