#include "INIReadWrite.h"
#include "StoredSettings.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <sched.h>
#include <sys/mount.h>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(std::optional<qint16>)

namespace {

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class tst_storedsettings : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_path;

    void store(const QByteArray &bytes)
    {
        QFile file(m_path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }

private Q_SLOTS:
    void init()
    {
        m_path = m_dir.filePath(u"TTS.ini"_s);
        QFile::remove(m_path);
        INIReadWrite::SetINIFile(m_path);
    }

    void firstRunReadsDefaultsAndWritesEveryKeyInOrder()
    {
        StoredSettings::read(1500, 2250).write();
        QCOMPARE(contents(m_path),
                 "[General]\nLeft=1500\nTop=2250\n"
                 "[Voice]\nSpeaker=0\nFormat=2\nXML=1\n"
                 "[Menu]\nStyle=0\n"
                 "[Files]\nCount=0\n"_ba);
    }

    void everythingRoundTrips()
    {
        StoredSettings settings;
        settings.left = 1234.5;
        settings.top = -300;
        settings.speaker = -1;
        settings.format = 3;
        settings.xml = 0;
        settings.style = 70000;
        settings.recentFiles = {u"/home/me/c & d.txt"_s, u" padded name.txt "_s,
                                u"/deep/"_s + QString(400, u'x') + u".xml"_s};
        settings.write();

        StoredSettings expected = settings;
        expected.left = 1234; // read back through its leading digits
        QCOMPARE(StoredSettings::read(0, 0), expected);
        QVERIFY(contents(m_path).contains("[Files]\nCount=3\n1=/home/me/c & d.txt\n"));
    }

    void aPathThatCannotBeStoredIsLeftOut()
    {
        store("[Files]\nCount=1\n1=/old.txt\n"_ba);
        StoredSettings settings;
        settings.recentFiles = {u"/new/a\nb.txt"_s, u"/old.txt"_s, u"/cr\r\nlf.txt"_s};
        settings.write();
        // Count covers exactly the keys written: no key keeps a stale path.
        QCOMPARE(StoredSettings::read(0, 0).recentFiles, (QStringList{u"/old.txt"_s, u"/cr\r\nlf.txt"_s}));
    }

    void eachKeyIsReadOnItsOwn_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<std::optional<qint16>>("speaker");
        QTest::addColumn<std::optional<qint16>>("format");
        QTest::addColumn<QStringList>("recentFiles");

        const QByteArray twoFiles = "[Files]\nCount=2\n1=/a.txt\n2=/b.txt\n"_ba;
        const QStringList ab{u"/a.txt"_s, u"/b.txt"_s};
        QTest::newRow("no voice selected")
            << "[Voice]\nSpeaker=-1\n"_ba + twoFiles << std::optional<qint16>(-1) << std::optional<qint16>(2) << ab;
        QTest::newRow("Speaker beyond 16 bits drops only Speaker")
            << "[Voice]\nSpeaker=40000\nFormat=1\n"_ba + twoFiles << std::optional<qint16>() << std::optional<qint16>(1)
            << ab;
        QTest::newRow("Format below 16 bits drops only Format")
            << "[Voice]\nSpeaker=9\nFormat=-32769\n"_ba + twoFiles << std::optional<qint16>(9)
            << std::optional<qint16>() << ab;
        QTest::newRow("Count 2 with key 2 missing") << "[Files]\nCount=2\n1=/a.txt\n"_ba << std::optional<qint16>(0)
                                                    << std::optional<qint16>(2) << QStringList{u"/a.txt"_s, QString()};
        QTest::newRow("negative Count restores nothing")
            << "[Files]\nCount=-1\n1=/a.txt\n"_ba << std::optional<qint16>(0) << std::optional<qint16>(2)
            << QStringList();
        QTest::newRow("Count above 4 restores four")
            << "[Files]\nCount=9\n1=1\n2=2\n3=3\n4=4\n5=5\n"_ba << std::optional<qint16>(0) << std::optional<qint16>(2)
            << QStringList{u"1"_s, u"2"_s, u"3"_s, u"4"_s};
        QTest::newRow("Count beyond 16 bits restores four")
            << "[Files]\nCount=100000\n1=1\n2=2\n3=3\n4=4\n"_ba << std::optional<qint16>(0) << std::optional<qint16>(2)
            << QStringList{u"1"_s, u"2"_s, u"3"_s, u"4"_s};
        QTest::newRow("repeated and empty entries kept as stored")
            << "[Files]\nCount=4\n1=/a.txt\n2=\n3=/a.txt\n4=/A.txt\n"_ba << std::optional<qint16>(0)
            << std::optional<qint16>(2) << QStringList{u"/a.txt"_s, QString(), u"/a.txt"_s, u"/A.txt"_s};
    }

    void eachKeyIsReadOnItsOwn()
    {
        QFETCH(QByteArray, stored);
        QFETCH(std::optional<qint16>, speaker);
        QFETCH(std::optional<qint16>, format);
        QFETCH(QStringList, recentFiles);
        store(stored);
        const StoredSettings settings = StoredSettings::read(0, 0);
        QCOMPARE(settings.speaker, speaker);
        QCOMPARE(settings.format, format);
        QCOMPARE(settings.recentFiles, recentFiles);
    }

    void shorterListKeepsHigherKeysAndUnsetValuesKeepTheFile()
    {
        store("[Voice]\nSpeaker=40000\n[Files]\nCount=4\n1=a\n2=b\n3=c\n4=d\n"_ba);
        StoredSettings settings = StoredSettings::read(0, 0);
        QVERIFY(!settings.speaker);
        settings.recentFiles = {u"x"_s, u"y"_s};
        settings.write();

        const QByteArray written = contents(m_path);
        QVERIFY2(written.contains("Speaker=40000\n"), written);
        QVERIFY2(written.contains("[Files]\nCount=2\n1=x\n2=y\n3=c\n4=d\n"), written);
        QCOMPARE(StoredSettings::read(0, 0).recentFiles, settings.recentFiles);
    }

    // A real full disk: a tmpfs in a mount namespace of this process alone,
    // with one page free. The old file fits a page; the new one needs two.
    void fullDiskLeavesTheWholeOldFile()
    {
        const QString mountPoint = m_dir.filePath(u"tmpfs"_s);
        QVERIFY(QDir().mkpath(mountPoint));
        const QByteArray target = QFile::encodeName(mountPoint);
        if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0
            || mount("tmpfs", target.constData(), "tmpfs", 0, "size=64k") != 0) {
            QSKIP("cannot mount a tmpfs here (needs CAP_SYS_ADMIN)");
        }
        const auto unmount = qScopeGuard([&] { umount2(target.constData(), MNT_DETACH); });
        INIReadWrite::SetINIFile(u"TTS.ini"_s, mountPoint);
        const QString path = INIReadWrite::INIFileName();

        StoredSettings settings;
        settings.recentFiles = {u"/old/a.txt"_s, u"/old/b.txt"_s};
        QCOMPARE(settings.write(), IniFile::WriteStatus::Written);
        const QByteArray before = contents(path);
        QFile filler(QDir(mountPoint).filePath(u"filler"_s));
        QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        while (filler.write(QByteArray(4096, 'f')) > 0) {}
        QVERIFY(filler.resize(filler.size() - 4096));
        filler.close();

        settings.left = 3000;
        settings.recentFiles.clear();
        for (const char name : {'d', 'c', 'b', 'a'})
            settings.recentFiles << u"/new/"_s + QString(1200, QLatin1Char(name));
        QString reason;
        QCOMPARE(settings.write(&reason), IniFile::WriteStatus::Failed);
        QVERIFY(!reason.isEmpty());
        QCOMPARE(contents(path), before);
        // No temporary file is left behind either.
        QCOMPARE(QDir(mountPoint).entryList(QDir::Files | QDir::Hidden, QDir::Name),
                 (QStringList{u"TTS.ini"_s, u"filler"_s}));

        // With room again the same write goes through.
        QVERIFY(filler.remove());
        QCOMPARE(settings.write(), IniFile::WriteStatus::Written);
        QCOMPARE(StoredSettings::read(0, 0).recentFiles, settings.recentFiles);
    }
};

QTEST_GUILESS_MAIN(tst_storedsettings)
#include "tst_storedsettings.moc"
