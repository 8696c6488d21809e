#include "IniText.h"

#include <QTest>

using namespace Qt::StringLiterals;

class tst_initext : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void findsValues_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("found");
        QTest::addColumn<QString>("expected");

        QTest::newRow("case differs") << "[general]\nLEFT=5\n"_ba << u"General"_s << u"Left"_s << true << u"5"_s;
        QTest::newRow("blanks around everything")
            << "  [ General ]  \n\t Left \t=   5  \n"_ba << u"General"_s << u"Left"_s << true << u"5"_s;
        QTest::newRow("quotes removed, inner blanks kept")
            << "[G]\nK=\"  a b \"\n"_ba << u"G"_s << u"K"_s << true << u"  a b "_s;
        QTest::newRow("only one pair of quotes removed")
            << "[G]\nK=\"\"x\"\"\n"_ba << u"G"_s << u"K"_s << true << u"\"x\""_s;
        QTest::newRow("CR LF lines") << "[G]\r\nK=v\r\n"_ba << u"G"_s << u"K"_s << true << u"v"_s;
        QTest::newRow("byte-order mark before the first section")
            << "\xEF\xBB\xBF[G]\nK=v"_ba << u"G"_s << u"K"_s << true << u"v"_s;
        QTest::newRow("comments are not keys") << "[G]\n;K=1\n#K=2\nK=3\n"_ba << u"G"_s << u"K"_s << true << u"3"_s;
        QTest::newRow("first of two equal keys") << "[G]\nK=1\nK=2\n"_ba << u"G"_s << u"K"_s << true << u"1"_s;
        QTest::newRow("value holding =") << "[G]\nK=a=b\n"_ba << u"G"_s << u"K"_s << true << u"a=b"_s;
        QTest::newRow("empty value is present") << "[G]\nK=\n"_ba << u"G"_s << u"K"_s << true << QString();
        QTest::newRow("UTF-8") << "[G]\nK=Café €\n"_ba << u"G"_s << u"K"_s << true << u"Café €"_s;
        QTest::newRow("invalid UTF-8 byte") << "[G]\nK=a\xFF\n"_ba << u"G"_s << u"K"_s << true << u"a\uFFFD"_s;
        QTest::newRow("NUL byte inside a value")
            << QByteArray("[G]\nK=a\0b\n", 10) << u"G"_s << u"K"_s << true << QString::fromUtf16(u"a\0b", 3);

        QTest::newRow("missing section") << "[H]\nK=1\n"_ba << u"G"_s << u"K"_s << false << QString();
        QTest::newRow("key only in a later section")
            << "[H]\nX=1\n[G]\nY=2\n[I]\nK=3\n"_ba << u"G"_s << u"K"_s << false << QString();
        QTest::newRow("only the first of two equal sections counts")
            << "[G]\nA=1\n[g]\nK=2\n"_ba << u"G"_s << u"K"_s << false << QString();
        QTest::newRow("key before any section") << "K=1\n[G]\n"_ba << u"G"_s << u"K"_s << false << QString();
        QTest::newRow("header without closing bracket") << "[G\nK=1\n"_ba << u"G"_s << u"K"_s << false << QString();
        QTest::newRow("empty text") << QByteArray() << u"G"_s << u"K"_s << false << QString();
        QTest::newRow("binary junk") << "\x00\xFF[\xFE\n=\n]]\r\r\n"_ba << u"G"_s << u"K"_s << false << QString();
    }

    void findsValues()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(bool, found);
        QFETCH(QString, expected);

        const std::optional<QString> value = IniText(content).value(section, key);
        QCOMPARE(value.has_value(), found);
        if (found)
            QCOMPARE(*value, expected);
    }

    void setsValuesKeepingEverythingElse_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QByteArray>("after");

        QTest::newRow("empty file") << QByteArray() << u"G"_s << u"K"_s << u"v"_s << "[G]\nK=v\n"_ba;
        QTest::newRow("replaced in place, layout and neighbours kept")
            << "; top\n[G]\r\n  K = old ; x\r\nX=1\r\n"_ba << u"G"_s << u"K"_s << u"new"_s
            << "; top\n[G]\r\n  K = new\r\nX=1\r\n"_ba;
        QTest::newRow("stored spelling of the key kept")
            << "[general]\nleft=1\n"_ba << u"General"_s << u"Left"_s << u"2"_s << "[general]\nleft=2\n"_ba;
        QTest::newRow("new key after the last entry, before blank lines")
            << "[G]\nA=1\n\n\n[H]\nB=2\n"_ba << u"G"_s << u"K"_s << u"v"_s << "[G]\nA=1\nK=v\n\n\n[H]\nB=2\n"_ba;
        QTest::newRow("new key before a comment that ends the section")
            << "[G]\nA=1\n; about H\n[H]\n"_ba << u"G"_s << u"K"_s << u"v"_s << "[G]\nA=1\nK=v\n; about H\n[H]\n"_ba;
        QTest::newRow("new key in a section without keys")
            << "[G]\n[H]\n"_ba << u"G"_s << u"K"_s << u"v"_s << "[G]\nK=v\n[H]\n"_ba;
        QTest::newRow("new key in the last section, no final newline")
            << "[G]\nA=1"_ba << u"G"_s << u"K"_s << u"v"_s << "[G]\nA=1\nK=v"_ba;
        QTest::newRow("new section after a file without final newline")
            << "[H]\nA=1"_ba << u"G"_s << u"K"_s << u"v"_s << "[H]\nA=1\n[G]\nK=v\n"_ba;
        QTest::newRow("CR LF file gets CR LF lines")
            << "[H]\r\nA=1\r\n"_ba << u"G"_s << u"K"_s << u"v"_s << "[H]\r\nA=1\r\n[G]\r\nK=v\r\n"_ba;
        QTest::newRow("padded value is quoted")
            << "[G]\nK=1\n"_ba << u"G"_s << u"K"_s << u" a "_s << "[G]\nK=\" a \"\n"_ba;
        QTest::newRow("binary junk kept byte for byte")
            << "\x00\xFF\xFE[[\n\r"_ba << u"G"_s << u"K"_s << u"v"_s << "\x00\xFF\xFE[[\n\r\n[G]\nK=v\n"_ba;
    }

    void setsValuesKeepingEverythingElse()
    {
        QFETCH(QByteArray, before);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QByteArray, after);

        IniText text(before);
        QVERIFY(text.setValue(section, key, value));
        QCOMPARE(text.content(), after);
        QCOMPARE(text.value(section, key), value);
    }

    void valuesReadBackUnchanged_data()
    {
        QTest::addColumn<QString>("value");
        QTest::newRow("empty") << QString();
        QTest::newRow("leading blanks") << u"  lead"_s;
        QTest::newRow("quoted") << u"\"q\""_s;
        QTest::newRow("lone quote") << u"\""_s;
        QTest::newRow("equals and semicolon") << u"a=b;c"_s;
        QTest::newRow("brackets") << u"[Files]"_s;
        QTest::newRow("non-ASCII") << u"/home/zoë/日本語 notes.txt"_s;
        QTest::newRow("leading U+FEFF, which is no byte-order mark here") << u"\uFEFFname"_s;
    }

    void valuesReadBackUnchanged()
    {
        QFETCH(QString, value);
        IniText text("[G]\nK=old\n[H]\nK=other\n"_ba);
        QVERIFY(text.setValue(u"G", u"K", value));
        QCOMPARE(text.value(u"G", u"K"), value);
        QCOMPARE(text.value(u"H", u"K"), u"other"_s);
    }

    void refusesWhatCannotBeStoredOnOneLine_data()
    {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::newRow("carriage return in value") << u"G"_s << u"K"_s << u"a\rb"_s;
        QTest::newRow("value that would inject a section") << u"G"_s << u"K"_s << u"x\n[Files]\nCount=9"_s;
        QTest::newRow("= in key") << u"G"_s << u"K=1"_s << u"v"_s;
        QTest::newRow("] in section") << u"G]"_s << u"K"_s << u"v"_s;
        QTest::newRow("empty key") << u"G"_s << QString() << u"v"_s;
        QTest::newRow("blank-padded section") << u" G"_s << u"K"_s << u"v"_s;
        QTest::newRow("key that reads as a comment") << u"G"_s << u";K"_s << u"v"_s;
        // UTF-8 has no form for half a surrogate pair: it would read back as U+FFFD.
        QTest::newRow("lone surrogate in value") << u"G"_s << u"K"_s << QString(QChar(0xD800));
        QTest::newRow("lone surrogate in key") << u"G"_s << QString(QChar(0xDC00)) << u"v"_s;
    }

    void refusesWhatCannotBeStoredOnOneLine()
    {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        const QByteArray before = "[G]\nK=old\n"_ba;
        IniText text(before);
        QVERIFY(!text.setValue(section, key, value));
        QCOMPARE(text.content(), before);
    }
};

QTEST_APPLESS_MAIN(tst_initext)
#include "tst_initext.moc"
