#include "EspeakSynthesizer.h"
#include "LanguageIds.h"
#include "SapiTypes.h"

#include <espeak-ng/speak_lib.h>

#include "SynthesisCollector.h"

#include <QTest>

#include <algorithm>
#include <cmath>

namespace {

const QString English = QStringLiteral("gmw/en-US");
using Words = QList<std::pair<int, int>>;
}

class tst_EspeakSynthesizer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        m_synth = std::make_unique<EspeakSynthesizer>();
        QCOMPARE(m_synth->sampleRate(English), 22050);
    }

    void everyVoiceOnceInAStableOrder()
    {
        const QList<VoiceDescription> first = m_synth->voices();
        QVERIFY2(first.size() > 100, qPrintable(QString::number(first.size())));
        QCOMPARE(first.front().id, English);
        QCOMPARE(LanguageIds::langIdFor(first.front().language), QStringLiteral("409"));
        QStringList ids;
        for (const VoiceDescription &v : first)
            ids.append(v.id);
        ids.removeDuplicates();
        QCOMPARE(ids.size(), first.size());
        const QList<VoiceDescription> second = m_synth->voices();
        QCOMPARE(second.size(), first.size());
        for (qsizetype i = 0; i < first.size(); ++i)
            QCOMPARE(second[i].id, first[i].id);
    }

    void wordsAreUtf16OffsetsIntoTheText_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<Words>("expected");
        QTest::newRow("accented") << u"Héllo wörld über"_qs << Words{{0, 5}, {6, 5}, {12, 4}};
        QTest::newRow("CR LF") << "one\r\ntwo" << Words{{0, 3}, {5, 3}};
        QTest::newRow("after an emoji") << u"\U0001F600 smile"_qs << Words{{3, 5}};
        QTest::newRow("angle brackets are text") << "<b>bold</b>" << Words{{1, 1}, {3, 4}, {9, 1}};
    }
    void wordsAreUtf16OffsetsIntoTheText()
    {
        QFETCH(QString, input);
        QFETCH(Words, expected);
        SynthesisCollector out;
        QVERIFY(!m_synth->synthesize(text(input), English, out).isError());
        const Words words = out.words();
        // espeak may add words for symbols it names; the real words must all be there.
        for (const auto &word : expected)
            QVERIFY2(words.contains(word),
                     qPrintable(QStringLiteral("%1,%2 missing").arg(word.first).arg(word.second)));
        for (const auto &[position, length] : words) {
            QVERIFY(position >= 0 && position + length <= input.size());
            QVERIFY(!input.at(position).isLowSurrogate());
        }
    }

    void emojiWordCoversBothSurrogates()
    {
        SynthesisCollector out;
        const QString input = u"a \U0001F600 b"_qs;
        QVERIFY(!m_synth->synthesize(text(input), English, out).isError());
        QVERIFY(out.words().contains(std::make_pair(2, 2)));
        QVERIFY(out.words().contains(std::make_pair(5, 1)));
    }

    void longTextKeepsItsOffsets()
    {
        QString input;
        for (int i = 0; i < 300; ++i)
            input += QStringLiteral("wörd%1 ").arg(i % 10);
        input += QStringLiteral("ende");
        SynthesisCollector out;
        QVERIFY(!m_synth->synthesize(text(input), English, out).isError());
        // espeak skips a word event now and then; those it reports must be right.
        const Words words = out.words();
        QVERIFY(words.size() > 250);
        for (const auto &[position, length] : words) {
            const QString word = input.mid(position, length);
            QVERIFY2(word == u"wörd" || (length == 1 && word.at(0).isDigit()) || word == u"ende", qPrintable(word));
        }
        QVERIFY(words.last().first > 1500);
    }

    void visemesFollowThePhonemes()
    {
        SynthesisCollector out;
        QVERIFY(!m_synth->synthesize(text("Hello world"), English, out).isError());
        const QList<int> visemes = out.visemes();
        for (const int v : {12, 14, 7, 19})
            QVERIFY2(visemes.contains(v), qPrintable(QString::number(v)));
        QVERIFY(std::all_of(visemes.begin(), visemes.end(), [](int v) { return v >= 0 && v <= 21; }));
    }

    void stateChangesTheSound()
    {
        auto lengthOf = [this](SpeechState state) {
            SpeechFragment f = text("This sentence is spoken at several speeds.");
            f.state = state;
            SynthesisCollector out;
            m_synth->synthesize(f, English, out);
            return out.samples.size();
        };
        SpeechState fast, slow, spelled;
        fast.rate = 10;
        slow.rate = -5;
        spelled.spell = true;
        QVERIFY(lengthOf(fast) * 2 < lengthOf({}));
        QVERIFY(lengthOf(slow) > lengthOf({}));
        QVERIFY(lengthOf(spelled) > lengthOf({}) * 2);

        SpeechFragment quiet = text("quiet");
        quiet.state.volume = 0;
        SynthesisCollector silent;
        m_synth->synthesize(quiet, English, silent);
        QVERIFY(!silent.samples.empty());
        QCOMPARE(silent.peak(), 0);
    }

    // The speaker's baseline lands on espeak-ng's own scales exactly (what
    // its -s, -p and -a mean), and markup's steps act on top of it.
    void prosodyMapsOntoEspeakParameters_data()
    {
        QTest::addColumn<double>("speed");
        QTest::addColumn<double>("pitch");
        QTest::addColumn<double>("volume");
        QTest::addColumn<int>("sapiRate");
        QTest::addColumn<int>("sapiPitch");
        QTest::addColumn<int>("sapiVolume");
        QTest::addColumn<QList<int>>("espeak"); // rate (wpm), pitch, volume
        QTest::newRow("defaults") << 1.0 << 1.0 << 1.0 << 0 << 0 << 100 << QList<int>{175, 50, 100};
        QTest::newRow("espeak -s 200 -p 0 -a 200")
            << 200.0 / 175 << 0.5 << 2.0 << 0 << 0 << 100 << QList<int>{200, 0, 200};
        QTest::newRow("espeak -s 450 -p 99 -a 0")
            << 450.0 / 175 << std::pow(2.0, 49.0 / 50) << 0.0 << 0 << 0 << 100 << QList<int>{450, 99, 0};
        QTest::newRow("markup on top") << 2.0 << 1.0 << 1.5 << 10 << 10 << 50 << QList<int>{1050, 71, 75};
        QTest::newRow("slowest is 80 wpm") << 0.1 << 1.0 << 1.0 << -10 << -10 << 100 << QList<int>{80, 29, 100};
    }
    void prosodyMapsOntoEspeakParameters()
    {
        QFETCH(double, speed);
        QFETCH(double, pitch);
        QFETCH(double, volume);
        QFETCH(int, sapiRate);
        QFETCH(int, sapiPitch);
        QFETCH(int, sapiVolume);
        QFETCH(QList<int>, espeak);
        SpeechFragment f = text("Hi.");
        f.state.baseline = {speed, pitch, volume};
        f.state.rate = sapiRate;
        f.state.pitch = sapiPitch;
        f.state.volume = sapiVolume;
        SynthesisCollector out;
        QVERIFY(!m_synth->synthesize(f, English, out).isError());
        const QList<int> actual{espeak_GetParameter(espeakRATE, 1), espeak_GetParameter(espeakPITCH, 1),
                                espeak_GetParameter(espeakVOLUME, 1)};
        QCOMPARE(actual, espeak);
    }

    void pronunciationReplacesItsText()
    {
        SpeechFragment f;
        f.kind = SpeechFragment::Kind::Pronounce;
        f.text = QStringLiteral("xyzzy");
        f.argument = QStringLiteral("h eh 1 l ow & w er 1 l d");
        SynthesisCollector out;
        QVERIFY(!m_synth->synthesize(f, English, out).isError());
        QCOMPARE(out.words(), (Words{{0, 5}}));
        QVERIFY(out.peak() > 1000);
        QVERIFY(out.visemes().contains(12));
    }

    // espeak crashed on one word of a few hundred phonemes: such a word is
    // spoken whole, as long as its phonemes say.
    void longPronunciationIsSpokenWhole()
    {
        const auto spoken = [this](int syllables) {
            SpeechFragment f;
            f.kind = SpeechFragment::Kind::Pronounce;
            f.argument = QStringLiteral("t ax 1 - m ey ").repeated(syllables);
            SynthesisCollector out;
            return m_synth->synthesize(f, English, out).isError() ? 0 : out.samples.size();
        };
        const size_t short_ = spoken(20), long_ = spoken(400);
        QVERIFY(short_ > 0);
        QVERIFY2(long_ > 15 * short_, qPrintable(QStringLiteral("%1 against %2").arg(long_).arg(short_)));
    }

    void stoppingEndsAtOnceAndTheNextSynthesisWorks()
    {
        SynthesisCollector stopped;
        stopped.stopAfterChunks = 1;
        QVERIFY(!m_synth->synthesize(text("A sentence that would take a few seconds to say in full."), English, stopped)
                     .isError());
        QCOMPARE(stopped.chunks, 1);
        SynthesisCollector next;
        QVERIFY(!m_synth->synthesize(text("Next"), English, next).isError());
        QCOMPARE(next.words(), (Words{{0, 4}}));
    }

    void unknownVoiceIsAnError_data()
    {
        QTest::addColumn<bool>("loadedAhead");
        QTest::newRow("asked to speak") << false;
        QTest::newRow("loaded ahead first") << true;
    }

    void unknownVoiceIsAnError()
    {
        QFETCH(bool, loadedAhead);
        const QString unknown = QStringLiteral("no/such-voice");
        if (loadedAhead)
            m_synth->prepare(unknown);
        SynthesisCollector out;
        const SontiError error = m_synth->synthesize(text("hi"), unknown, out);
        QCOMPARE(error.number(), int(SontiError::SpeechFailure));
        QVERIFY(out.samples.empty());
        // The voice before it still speaks.
        SynthesisCollector next;
        QVERIFY(!m_synth->synthesize(text("Next"), English, next).isError());
        QCOMPARE(next.words(), (Words{{0, 4}}));
    }

private:
    std::unique_ptr<EspeakSynthesizer> m_synth;
};

QTEST_GUILESS_MAIN(tst_EspeakSynthesizer)
#include "tst_EspeakSynthesizer.moc"
