#include "FormatConverter.h"
#include "SontiError.h"

#include <QTest>

#include <cmath>

class tst_FormatConverter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void convertsToEveryShape_data()
    {
        QTest::addColumn<int>("type");
        QTest::newRow("16 kHz mono") << int(SAFT16kHz16BitMono);
        QTest::newRow("16 kHz stereo") << int(SAFT16kHz16BitStereo);
        QTest::newRow("22 kHz mono") << int(SAFT22kHz16BitMono);
        QTest::newRow("22 kHz stereo") << int(SAFT22kHz16BitStereo);
        QTest::newRow("8 kHz 8-bit mono") << int(SAFT8kHz8BitMono);
        QTest::newRow("48 kHz stereo") << int(SAFT48kHz16BitStereo);
    }
    void convertsToEveryShape()
    {
        QFETCH(int, type);
        SpAudioFormat format;
        format.setType(type);
        // One second of a 440 Hz tone at 22050 Hz, in uneven chunks.
        std::vector<qint16> tone(22050);
        for (size_t i = 0; i < tone.size(); ++i)
            tone[i] = qint16(10000 * std::sin(2 * M_PI * 440 * double(i) / 22050));
        FormatConverter converter(22050, format);
        QByteArray out;
        std::vector<qint16> mono;
        for (size_t at = 0; at < tone.size(); at += 1081)
            converter.convert(std::span(tone.data() + at, std::min<size_t>(1081, tone.size() - at)), out, &mono);
        converter.finish(out, &mono);

        QCOMPARE(qsizetype(mono.size()), qsizetype(format.sampleRate()));
        QCOMPARE(out.size(), qsizetype(format.sampleRate()) * format.blockAlign());
        QCOMPARE(converter.outputFrameOf(22050), qint64(format.sampleRate()));
        // The tone keeps its pitch: 880 zero crossings a second.
        int crossings = 0;
        for (size_t i = 1; i < mono.size(); ++i)
            crossings += (mono[i - 1] < 0) != (mono[i] < 0);
        QVERIFY2(std::abs(crossings - 880) <= 4, qPrintable(QString::number(crossings)));
        if (format.channels() == 2 && format.bitsPerSample() == 16) {
            const auto *frames = reinterpret_cast<const qint16 *>(out.constData());
            for (qsizetype i = 0; i < out.size() / 2; i += 2)
                QCOMPARE(frames[i], frames[i + 1]);
        }
        if (format.bitsPerSample() == 8) {
            // Unsigned: silence is 128, the tone swings around it.
            const auto *bytes = reinterpret_cast<const quint8 *>(out.constData());
            const auto [low, high] = std::minmax_element(bytes, bytes + out.size());
            QVERIFY(*low < 100 && *high > 156);
        }
    }

    void aResamplerThatCannotBeMadeIsAnError()
    {
        SpAudioFormat format;
        format.setType(SAFT16kHz16BitMono);
        FormatConverter converter(0, format);
        QCOMPARE(converter.error().number(), int(SontiError::SpeechFailure));
        QVERIFY2(converter.error().description().contains(u"0 Hz to 16000 Hz"),
                 qPrintable(converter.error().description()));
        QByteArray out;
        std::vector<qint16> mono;
        const std::vector<qint16> input(100, 1000);
        converter.convert(input, out, &mono);
        QVERIFY(out.isEmpty());
    }

    void formatTypesDescribeTheirPcm_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("bits");
        QTest::addColumn<int>("channels");
        QTest::newRow("18") << 18 << 16000 << 16 << 1;
        QTest::newRow("19") << 19 << 16000 << 16 << 2;
        QTest::newRow("22") << 22 << 22050 << 16 << 1;
        QTest::newRow("23") << 23 << 22050 << 16 << 2;
        QTest::newRow("4") << 4 << 8000 << 8 << 1;
        QTest::newRow("33") << 33 << 44100 << 8 << 2;
        QTest::newRow("39") << 39 << 48000 << 16 << 2;
    }
    void formatTypesDescribeTheirPcm()
    {
        QFETCH(int, type);
        QFETCH(int, rate);
        QFETCH(int, bits);
        QFETCH(int, channels);
        SpAudioFormat format;
        format.setType(type);
        QCOMPARE(format.sampleRate(), rate);
        QCOMPARE(format.bitsPerSample(), bits);
        QCOMPARE(format.channels(), channels);
    }

    void otherTypesAreRefused()
    {
        SpAudioFormat format;
        for (const int type : {0, 1, 3, 40, 61, -2}) {
            QVERIFY_THROWS_EXCEPTION(SontiError, format.setType(type));
            QCOMPARE(format.Type(), int(SAFT22kHz16BitMono));
        }
        format.setType(SAFTDefault);
        QCOMPARE(format.Type(), int(SAFT22kHz16BitMono));
    }
};

QTEST_GUILESS_MAIN(tst_FormatConverter)
#include "tst_FormatConverter.moc"
