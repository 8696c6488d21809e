#include "RecentFiles.h"

#include <QTest>

using namespace Qt::StringLiterals;

class tst_recentfiles : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void listChanges_data()
    {
        QTest::addColumn<QStringList>("restored");
        QTest::addColumn<QStringList>("added");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("first file") << QStringList() << QStringList{u"/a"_s} << QStringList{u"/a"_s};
        QTest::newRow("fifth file pushes out the oldest")
            << QStringList() << QStringList{u"/1"_s, u"/2"_s, u"/3"_s, u"/4"_s, u"/5"_s}
            << QStringList{u"/5"_s, u"/4"_s, u"/3"_s, u"/2"_s};
        QTest::newRow("reopening item 3 moves it first, 1 and 2 shift down")
            << QStringList{u"/a"_s, u"/b"_s, u"/c"_s, u"/d"_s} << QStringList{u"/c"_s}
            << QStringList{u"/c"_s, u"/a"_s, u"/b"_s, u"/d"_s};
        QTest::newRow("reopening item 1 changes nothing")
            << QStringList{u"/a"_s, u"/b"_s} << QStringList{u"/a"_s} << QStringList{u"/a"_s, u"/b"_s};
        QTest::newRow("paths differing in case are two entries")
            << QStringList() << QStringList{u"/x/A.txt"_s, u"/x/a.txt"_s} << QStringList{u"/x/a.txt"_s, u"/x/A.txt"_s};
        QTest::newRow("restored repeat stays until reopened, then only the first goes")
            << QStringList{u"/r"_s, u"/s"_s, u"/r"_s} << QStringList{u"/s"_s} << QStringList{u"/s"_s, u"/r"_s, u"/r"_s};
        QTest::newRow("reopened repeat loses its first occurrence only")
            << QStringList{u"/s"_s, u"/r"_s, u"/t"_s, u"/r"_s} << QStringList{u"/r"_s}
            << QStringList{u"/r"_s, u"/s"_s, u"/t"_s, u"/r"_s};
        QTest::newRow("restore keeps empty entries and at most four")
            << QStringList{u"/a"_s, QString(), u"/c"_s, u"/d"_s, u"/e"_s} << QStringList()
            << QStringList{u"/a"_s, QString(), u"/c"_s, u"/d"_s};
    }

    void listChanges()
    {
        QFETCH(QStringList, restored);
        QFETCH(QStringList, added);
        QFETCH(QStringList, expected);
        RecentFiles files;
        files.restore(restored);
        for (const QString &path : added)
            files.add(path);
        QCOMPARE(files.entries(), expected);
        QCOMPARE(files.count(), expected.size());
        for (int i = 1; i <= expected.size(); ++i)
            QCOMPARE(files.entry(i), expected.at(i - 1));
        QCOMPARE(files.entry(0), QString());
        QCOMPARE(files.entry(int(expected.size()) + 1), QString());
    }

    void captions_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("caption");
        QTest::newRow("plain path") << 1 << u"/home/me/notes.txt"_s << u"&1 /home/me/notes.txt"_s;
        QTest::newRow("ampersands doubled") << 3 << u"/tmp/R&D/a&&b.txt"_s << u"&3 /tmp/R&&D/a&&&&b.txt"_s;
        QTest::newRow("empty entry") << 2 << QString() << u"&2 "_s;
    }

    void captions()
    {
        QFETCH(int, index);
        QFETCH(QString, path);
        QFETCH(QString, caption);
        QCOMPARE(RecentFiles::caption(index, path), caption);
    }
};

QTEST_APPLESS_MAIN(tst_recentfiles)
#include "tst_recentfiles.moc"
