#include "DocumentReader.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

class tst_documentreader : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString makeFile(const QString &name, const QByteArray &bytes)
    {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(bytes);
        return path;
    }

private Q_SLOTS:
    void readsWholeFiles_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("CR LF lines") << u"notes.txt"_s << "one\r\ntwo\r\n"_ba << u"one\r\ntwo\r\n"_s;
        QTest::newRow("UTF-8 with a byte-order mark")
            << u"bom.xml"_s << "\xEF\xBB\xBF<p>\xC3\xA9</p>"_ba << u"<p>é</p>"_s;
        QTest::newRow("Windows-1252") << u"old.txt"_s << "na\xEFve"_ba << u"naïve"_s;
        QTest::newRow("zero bytes is an empty document") << u"empty.txt"_s << QByteArray() << QString();
        QTest::newRow("name with an ampersand") << u"R&D notes"_s << "x"_ba << u"x"_s;
        QTest::newRow("full of NUL bytes") << u"zeros.bin"_s << QByteArray(1 << 20, '\0') << QString(1 << 20, QChar(0));
    }

    void readsWholeFiles()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        const LoadedDocument document = DocumentReader::read(makeFile(name, bytes));
        QVERIFY2(document.ok(), qPrintable(document.error.toString()));
        QCOMPARE(document.text, text);
        QCOMPARE(document.title, name);
    }

    void failuresComeBackAsErrors_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("number");
        QTest::newRow("missing file") << u"missing"_s << 53;
        QTest::newRow("empty path") << u"empty path"_s << 53;
        QTest::newRow("folder") << u"folder"_s << 75;
        QTest::newRow("named pipe, never blocks") << u"fifo"_s << 75;
        QTest::newRow("device") << u"/dev/null"_s << 75;
        QTest::newRow("read fails, even for root") << u"/proc/self/mem"_s << 75;
        QTest::newRow("larger than 256 MB") << u"huge"_s << 7;
        QTest::newRow("sparse, 4 GiB") << u"sparse"_s << 7;
    }

    void failuresComeBackAsErrors()
    {
        QFETCH(QString, kind);
        QFETCH(int, number);
        QString path = m_dir.filePath(kind);
        if (kind == u"empty path") {
            path.clear();
        } else if (kind == u"folder") {
            QVERIFY(QDir().mkpath(path));
        } else if (kind == u"fifo") {
            QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        } else if (kind == u"huge" || kind == u"sparse") {
            QFile file(makeFile(kind, "x"_ba));
            // Sparse: costs no disk, and is never read.
            QVERIFY(file.resize(kind == u"huge" ? DocumentReader::MaxBytes + 1 : qint64(4) << 30));
        } else if (kind.startsWith(u'/')) {
            path = kind;
        }
        const LoadedDocument document = DocumentReader::read(path);
        QVERIFY(!document.ok());
        QCOMPARE(document.error.number(), number);
        QCOMPARE(document.error.source(), u"OpenDocument"_s);
        QVERIFY(document.text.isEmpty());
    }

    // Files in /proc claim a size of 0 and have text all the same.
    void procFilesAreReadToTheirEnd()
    {
        const LoadedDocument status = DocumentReader::read(u"/proc/self/status"_s);
        QVERIFY2(status.ok(), qPrintable(status.error.toString()));
        QVERIFY(status.text.startsWith(u"Name:"));
        QCOMPARE(status.title, u"status"_s);

        const LoadedDocument capped = DocumentReader::read(u"/proc/self/maps"_s, {}, 64);
        QCOMPARE(capped.error.number(), 7);
        QVERIFY(capped.text.isEmpty());
    }

    void unreadableFileIsAnError()
    {
        if (geteuid() == 0)
            QSKIP("root reads any file");
        const QString path = makeFile(u"secret.txt"_s, "x"_ba);
        QVERIFY(QFile::setPermissions(path, QFileDevice::Permissions()));
        const LoadedDocument document = DocumentReader::read(path);
        QCOMPARE(document.error.number(), 75);
    }
};

QTEST_GUILESS_MAIN(tst_documentreader)
#include "tst_documentreader.moc"
