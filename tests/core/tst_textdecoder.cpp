#include "TextDecoder.h"

#include <QSet>
#include <QTest>

using namespace Qt::StringLiterals;

class tst_textdecoder : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void decodes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("expected");
        QTest::newRow("ASCII") << "Hello"_ba << u"Hello"_s;
        QTest::newRow("UTF-8") << "Zo\xC3\xAB \xE2\x82\xAC \xF0\x9F\x99\x82"_ba << u"Zoë € 🙂"_s;
        QTest::newRow("UTF-8 with a byte-order mark") << "\xEF\xBB\xBFZo\xC3\xAB"_ba << u"Zoë"_s;
        QTest::newRow("only one byte-order mark removed") << "\xEF\xBB\xBF\xEF\xBB\xBFx"_ba << u"\uFEFFx"_s;
        QTest::newRow("byte-order mark alone") << "\xEF\xBB\xBF"_ba << QString();
        QTest::newRow("Windows-1252") << "Caf\xE9 \x80 \x93quoted\x94"_ba << u"Café € “quoted”"_s;
        QTest::newRow("bytes undefined in Windows-1252")
            << "\x81\x8D\x8F\x90\x9D"_ba << u"\u0081\u008D\u008F\u0090\u009D"_s;
        QTest::newRow("UTF-8 cut off at the end") << "abc\xE2\x82"_ba << u"abcâ‚"_s;
        QTest::newRow("overlong UTF-8") << "\xC0\xAF"_ba << u"À¯"_s;
        QTest::newRow("encoded surrogate") << "\xED\xA0\x80"_ba << u"í\u00A0€"_s;
        QTest::newRow("invalid after a byte-order mark keeps the mark's bytes") << "\xEF\xBB\xBF\xE9"_ba << u"ï»¿é"_s;
        QTest::newRow("line breaks kept") << "a\r\nb\rc\nd"_ba << u"a\r\nb\rc\nd"_s;
        QTest::newRow("NUL bytes kept") << QByteArray("a\0b", 3) << QString::fromUtf16(u"a\0b", 3);
        QTest::newRow("empty") << QByteArray() << QString();
    }

    void decodes()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, expected);
        QCOMPARE(TextDecoder::decode(bytes), expected);
    }

    void noByteIsLost()
    {
        QByteArray every;
        for (int b = 0; b < 256; ++b)
            every += char(b);
        QVERIFY(!TextDecoder::isValidUtf8(every));
        const QString text = TextDecoder::decode(every);
        QCOMPARE(text.size(), 256);
        QCOMPARE(QSet<QChar>(text.begin(), text.end()).size(), 256);
        QVERIFY(!text.contains(QChar::ReplacementCharacter));
    }
};

QTEST_APPLESS_MAIN(tst_textdecoder)
#include "tst_textdecoder.moc"
