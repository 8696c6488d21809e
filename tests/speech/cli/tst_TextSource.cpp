#include "TextSource.h"

#include <QTest>

class tst_TextSource : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void standardInputIsCutIntoPieces_data()
    {
        QTest::addColumn<QByteArray>("pending");
        QTest::addColumn<bool>("idle");
        QTest::addColumn<int>("end");
        QTest::newRow("half a line waits") << QByteArray("Hello wor") << true << 0;
        QTest::newRow("a line waits while more comes") << QByteArray("Hello.\nMore") << false << 0;
        QTest::newRow("a pause ends at the last line") << QByteArray("One.\nTwo.\nThr") << true << 10;
        QTest::newRow("a blank line ends a paragraph") << QByteArray("One\ntwo.\n\nNext") << false << 10;
        QTest::newRow("a blank line of spaces, CR LF") << QByteArray("One.\r\n \r\nNext") << false << 9;
        const QByteArray lines = QByteArray("word ").repeated(5000) + "\n" + QByteArray("tail ").repeated(9000);
        QTest::newRow("a long input at its last line") << lines << false << 25001;
        QTest::newRow("one endless line at a space") << QByteArray("ab ").repeated(30000) << false << 90000;
        QTest::newRow("never inside a character") << QByteArray("\xC3\xA9").repeated(40000) << false << 79998;
    }
    void standardInputIsCutIntoPieces()
    {
        QFETCH(QByteArray, pending);
        QFETCH(bool, idle);
        QFETCH(int, end);
        QCOMPARE(TextSource::pieceEnd(pending, idle), qsizetype(end));
    }
};

QTEST_GUILESS_MAIN(tst_TextSource)
#include "tst_TextSource.moc"
