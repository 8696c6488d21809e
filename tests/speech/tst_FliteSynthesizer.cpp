#include "FliteInput.h"
#include "FliteSynthesizer.h"

#include "SynthesisCollector.h"

#include <QTest>

#include <algorithm>
#include <cmath>

namespace {

using Words = QList<std::pair<int, int>>;
const QString Slt = QStringLiteral("slt");
}

class tst_FliteSynthesizer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // flite reports UTF-8 byte offsets of tokens, with their leading
    // punctuation, and the last one short by one.
    void wordsAreUtf16OffsetsIntoTheText_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<Words>("expected");
        QTest::newRow("sentence") << "Hello world, this is a test."
                                  << Words{{0, 5}, {6, 5}, {13, 4}, {18, 2}, {21, 1}, {23, 4}};
        QTest::newRow("last token") << "one two three" << Words{{0, 3}, {4, 3}, {8, 5}};
        QTest::newRow("accented") << u"Héllo wörld über"_qs << Words{{0, 5}, {6, 5}, {12, 4}};
        QTest::newRow("quoted") << "He said \"quoted\" (twice)." << Words{{0, 2}, {3, 4}, {9, 6}, {18, 5}};
        QTest::newRow("symbols alone are no words") << "a ( ) . -- b" << Words{{0, 1}, {11, 1}};
        QTest::newRow("after an emoji") << u"a \U0001F600 b"_qs << Words{{0, 1}, {2, 2}, {5, 1}};
        QTest::newRow("after CJK") << u"中文 test"_qs << Words{{0, 2}, {3, 4}};
        QTest::newRow("two sentences") << "First one. Second one!" << Words{{0, 5}, {6, 3}, {11, 6}, {18, 3}};
        QTest::newRow("CR LF and tabs") << "one\r\n\ttwo" << Words{{0, 3}, {6, 3}};
    }
    void wordsAreUtf16OffsetsIntoTheText()
    {
        QFETCH(QString, input);
        QFETCH(Words, expected);
        SynthesisCollector out;
        QVERIFY(!m_synth.synthesize(text(input), Slt, out).isError());
        QCOMPARE(out.words(), expected);
    }

    void spelledTextIsOneWordPerCharacter()
    {
        SpeechFragment f = text(u"ab\U0001F600c"_qs);
        f.state.spell = true;
        SynthesisCollector out;
        QVERIFY(!m_synth.synthesize(f, Slt, out).isError());
        const Words words = out.words();
        QVERIFY(words.contains(std::make_pair(0, 1)));
        QVERIFY(words.contains(std::make_pair(1, 1)));
        QVERIFY(words.contains(std::make_pair(4, 1)));
        QVERIFY(out.samples.size() > 16000 / 2);
    }

    // flite speaks English only; anything else must still end, with sane words.
    void textItCannotReadNeverBreaksIt_data()
    {
        QTest::addColumn<QString>("input");
        QTest::newRow("Chinese") << u"中文的句子。日本語のテキスト。"_qs;
        QTest::newRow("Arabic") << u"مرحبا بالعالم"_qs;
        QTest::newRow("emoji only") << u"\U0001F600\U0001F44D\U0001F3FD"_qs;
        QTest::newRow("combining marks") << u"e\u0301\u0302\u0303 a\u0308"_qs;
        QTest::newRow("lone surrogates") << QString(QChar(0xD800)) + u" x "_qs + QChar(0xDC00);
        QTest::newRow("NUL and controls") << QString::fromUtf8("a\0b\x01\x02 c", 8);
        QTest::newRow("long number") << QString(200, u'9');
        QTest::newRow("long word") << QString(1000, u'x');
        QTest::newRow("punctuation only") << "?!... ,,, ;;; ---";
        QTest::newRow("empty") << QString();
        QTest::newRow("blanks") << " \n\t ";
    }
    void textItCannotReadNeverBreaksIt()
    {
        QFETCH(QString, input);
        for (const QString &voice : {Slt, QStringLiteral("kal")}) {
            SynthesisCollector out;
            QVERIFY(!m_synth.synthesize(text(input), voice, out).isError());
            for (const auto &[position, length] : out.words()) {
                QVERIFY(position >= 0 && length > 0 && position + length <= input.size());
                // Never inside a surrogate pair.
                QVERIFY(position == 0 || !QChar::isSurrogate(input.at(position).unicode())
                        || !input.at(position - 1).isHighSurrogate());
            }
        }
    }

    void visemesFollowThePhones()
    {
        SynthesisCollector out;
        QVERIFY(!m_synth.synthesize(text("Hello world"), Slt, out).isError());
        const QList<int> visemes = out.visemes();
        for (const int v : {0, 12, 14, 7, 19})
            QVERIFY2(visemes.contains(v), qPrintable(QString::number(v)));
        QVERIFY(std::all_of(visemes.begin(), visemes.end(), [](int v) { return v >= 0 && v <= 21; }));
    }

    void stateChangesTheSound()
    {
        auto spoken = [this](SpeechState state, const QString &voice = Slt) {
            SpeechFragment f = text("This sentence is spoken at several speeds.");
            f.state = state;
            SynthesisCollector out;
            m_synth.synthesize(f, voice, out);
            return out;
        };
        SpeechState slow, quiet, loud, high;
        slow.rate = -5;
        quiet.volume = 0;
        loud.baseline.volume = 2.0;
        high.pitch = 10;
        const size_t normal = spoken({}).samples.size();
        // The diphone voices have a stretch of their own to scale.
        QVERIFY(spoken(slow, QStringLiteral("kal")).samples.size() > spoken({}, QStringLiteral("kal")).samples.size());
        const SynthesisCollector silent = spoken(quiet);
        QVERIFY(!silent.samples.empty());
        QCOMPARE(silent.peak(), 0);
        QVERIFY(spoken(loud).peak() > spoken({}).peak());
        // A higher voice crosses zero more often.
        auto crossings = [](const SynthesisCollector &c) {
            int n = 0;
            for (size_t i = 1; i < c.samples.size(); ++i)
                n += (c.samples[i - 1] < 0) != (c.samples[i] < 0);
            return n;
        };
        QVERIFY(crossings(spoken(high)) > crossings(spoken({})));
        // The next fragment is back at the voice's own settings.
        QCOMPARE(spoken({}).samples.size(), normal);
    }

    void pronunciationReplacesItsText()
    {
        SpeechFragment f;
        f.kind = SpeechFragment::Kind::Pronounce;
        f.text = QStringLiteral("xyzzy");
        f.argument = QStringLiteral("h eh 1 l ow & w er 1 l d");
        SynthesisCollector out;
        QVERIFY(!m_synth.synthesize(f, Slt, out).isError());
        QCOMPARE(out.words(), (Words{{0, 5}}));
        QVERIFY(out.peak() > 1000);
        QVERIFY(out.visemes().contains(12));
        QCOMPARE(FliteInput::phonesFromSapi(QStringLiteral("h eh 1 l ow & w er 1 l d - zz")),
                 QByteArray("pau hh eh l ow w er l d pau"));
        QVERIFY(FliteInput::phonesFromSapi(QStringLiteral("1 & -")).isEmpty());
    }

private:
    FliteSynthesizer m_synth;
};

QTEST_GUILESS_MAIN(tst_FliteSynthesizer)
#include "tst_FliteSynthesizer.moc"
