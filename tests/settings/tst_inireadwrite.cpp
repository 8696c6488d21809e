#include "INIReadWrite.h"
#include "SontiError.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <climits>
#include <csignal>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

} // namespace

class tst_inireadwrite : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_path;

private Q_SLOTS:
    // Must stay first: it needs the module before any SetINIFile.
    void everyRoutineRaises670BeforeAFileIsSet()
    {
        QVERIFY(INIReadWrite::INIFileName().isEmpty());
        const auto expect670 = [](const auto &call) {
            try {
                call();
            } catch (const SontiError &e) {
                QCOMPARE(e.number(), 670);
                QCOMPARE(e.source(), u"INIReadWrite"_s);
                QCOMPARE(e.description(), u"Filename(INI) not set"_s);
                return;
            }
            QFAIL("no error raised");
        };
        expect670([] { INIReadWrite::ReadINIInt(u"G"_s, u"K"_s, 1); });
        expect670([] { INIReadWrite::ReadINIString(u"G"_s, u"K"_s, QString(), 260); });
        expect670([] { INIReadWrite::ReadINIStringWhole(u"G"_s, u"K"_s); });
        expect670([] { INIReadWrite::WriteINIValue(u"G"_s, u"K"_s, u"v"_s); });
        expect670([] { INIReadWrite::WriteINIValue(u"G"_s, u"K"_s, 1.5); });
    }

    void init()
    {
        if (qstrcmp(QTest::currentTestFunction(), "everyRoutineRaises670BeforeAFileIsSet") == 0)
            return;
        QVERIFY(m_dir.isValid());
        m_path = m_dir.filePath(u"TTS.ini"_s);
        QFile::setPermissions(m_path, QFile::ReadOwner | QFile::WriteOwner);
        QFile::remove(m_path);
        INIReadWrite::SetINIFile(m_path);
    }

    void fileNameHasOneSeparator_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("expected");
        QTest::newRow("root folder") << u"/"_s << u"/TTS.ini"_s;
        QTest::newRow("folder below the root") << u"/opt/sonti"_s << u"/opt/sonti/TTS.ini"_s;
        QTest::newRow("folder with a trailing separator") << u"/opt/sonti/"_s << u"/opt/sonti/TTS.ini"_s;
    }

    void fileNameHasOneSeparator()
    {
        QFETCH(QString, folder);
        QFETCH(QString, expected);
        INIReadWrite::SetINIFile(u"TTS.ini"_s, folder);
        QCOMPARE(INIReadWrite::INIFileName(), expected);
    }

    void bareNameGoesToTheWritableProgramFolder()
    {
        INIReadWrite::SetINIFile(u"TTS.ini"_s);
        QCOMPARE(INIReadWrite::INIFileName(), QCoreApplication::applicationDirPath() + u"/TTS.ini"_s);
    }

    void stringsRoundTrip_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QByteArray>("storedLine");
        QTest::addColumn<QString>("readBack");
        QTest::newRow("two-line value") << u"a\r\nb"_s << "K=a%%&&Chr(13)&&%%b"_ba << u"a\r\nb"_s;
        QTest::newRow("several line breaks")
            << u"\r\n\r\nx\r\n"_s << "K=%%&&Chr(13)&&%%%%&&Chr(13)&&%%x%%&&Chr(13)&&%%"_ba << u"\r\n\r\nx\r\n"_s;
        QTest::newRow("marker typed as text reads as a line break")
            << u"x%%&&Chr(13)&&%%y"_s << "K=x%%&&Chr(13)&&%%y"_ba << u"x\r\ny"_s;
        QTest::newRow("path with an ampersand") << u"/tmp/a & b.txt"_s << "K=/tmp/a & b.txt"_ba << u"/tmp/a & b.txt"_s;
    }

    void stringsRoundTrip()
    {
        QFETCH(QString, value);
        QFETCH(QByteArray, storedLine);
        QFETCH(QString, readBack);
        QCOMPARE(INIReadWrite::WriteINIValue(u"G"_s, u"K"_s, value), IniFile::WriteStatus::Written);
        QCOMPARE(contents(m_path), "[G]\n"_ba + storedLine + '\n');
        QCOMPARE(INIReadWrite::ReadINIString(u"G"_s, u"K"_s, QString(), 260), readBack);
    }

    void loneLineBreakIsNotEncodedAndNotWritten()
    {
        INIReadWrite::WriteINIValue(u"G"_s, u"K"_s, u"old"_s);
        const QByteArray before = contents(m_path);
        QCOMPARE(INIReadWrite::encodeValue(u"a\nb"_s), u"a\nb"_s);
        QCOMPARE(INIReadWrite::WriteINIValue(u"G"_s, u"K"_s, u"a\nb"_s), IniFile::WriteStatus::NotStorable);
        QCOMPARE(contents(m_path), before);
        QCOMPARE(INIReadWrite::ReadINIStringWhole(u"G"_s, u"K"_s), u"old"_s);
    }

    void stringReadsAreBounded_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("expectedLength");
        QTest::newRow("size 260 gives 259") << 260 << 259;
        QTest::newRow("size 301 gives all 300") << 301 << 300;
        QTest::newRow("size 1 gives nothing") << 1 << 0;
        QTest::newRow("negative size gives nothing") << -5 << 0;
    }

    void stringReadsAreBounded()
    {
        QFETCH(int, size);
        QFETCH(int, expectedLength);
        QString value;
        for (int i = 0; i < 300; ++i)
            value += QChar(u'a' + i % 26);
        INIReadWrite::WriteINIValue(u"Files"_s, u"1"_s, value);
        QCOMPARE(INIReadWrite::ReadINIString(u"Files"_s, u"1"_s, QString(), size), value.left(expectedLength));
        QCOMPARE(INIReadWrite::ReadINIStringWhole(u"Files"_s, u"1"_s), value);
    }

    void missingKeysGiveTheDefault()
    {
        QCOMPARE(INIReadWrite::ReadINIInt(u"G"_s, u"K"_s, -7), -7);
        QCOMPARE(INIReadWrite::ReadINIString(u"G"_s, u"K"_s, QString(), 260), QString());
        QCOMPARE(INIReadWrite::ReadINIString(u"G"_s, u"K"_s, u"abcdef"_s, 4), u"abc"_s);
        INIReadWrite::WriteINIValue(u"G"_s, u"Other"_s, 1);
        QCOMPARE(INIReadWrite::ReadINIInt(u"G"_s, u"K"_s, -7), -7);
        QCOMPARE(INIReadWrite::ReadINIInt(u"H"_s, u"Other"_s, 42), 42);
        QCOMPARE(INIReadWrite::ReadINIStringWhole(u"g"_s, u"OTHER"_s), u"1"_s);
    }

    void integersFromLeadingDigits_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<int>("expected");
        QTest::newRow("plain") << "1200"_ba << 1200;
        QTest::newRow("negative") << "-1"_ba << -1;
        QTest::newRow("plus sign") << "+3"_ba << 3;
        QTest::newRow("trailing text") << "12abc"_ba << 12;
        QTest::newRow("fraction") << "1234.5"_ba << 1234;
        QTest::newRow("quoted") << "\"42\""_ba << 42;
        QTest::newRow("no digits") << "abc"_ba << 0;
        QTest::newRow("sign only") << "-"_ba << 0;
        QTest::newRow("empty gives the default") << ""_ba << 99;
        QTest::newRow("too large saturates") << "99999999999"_ba << INT_MAX;
        QTest::newRow("too small saturates") << "-99999999999"_ba << INT_MIN;
        QTest::newRow("long run of digits") << QByteArray(5000, '9') << INT_MAX;
    }

    void integersFromLeadingDigits()
    {
        QFETCH(QByteArray, stored);
        QFETCH(int, expected);
        writeFile(m_path, "[G]\nK=" + stored + '\n');
        QCOMPARE(INIReadWrite::ReadINIInt(u"G"_s, u"K"_s, 99), expected);
    }

    void numbersWrittenInShortestForm_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("whole twips") << 1200.0 << u"1200"_s;
        QTest::newRow("negative whole") << -45.0 << u"-45"_s;
        QTest::newRow("fraction") << 2.5 << u"2.5"_s;
        QTest::newRow("shortest of 0.1") << 0.1 << u"0.1"_s;
        QTest::newRow("a million, no exponent") << 1e6 << u"1000000"_s;
        QTest::newRow("huge uses an exponent") << 1e20 << u"1e+20"_s;
    }

    void numbersWrittenInShortestForm()
    {
        QFETCH(double, value);
        QFETCH(QString, expected);
        INIReadWrite::WriteINIValue(u"General"_s, u"Left"_s, value);
        QCOMPARE(INIReadWrite::ReadINIStringWhole(u"General"_s, u"Left"_s), expected);
        INIReadWrite::WriteINIValue(u"Voice"_s, u"Speaker"_s, -1);
        INIReadWrite::WriteINIValue(u"Menu"_s, u"Style"_s, qint64(1) << 40);
        QCOMPARE(INIReadWrite::ReadINIInt(u"Voice"_s, u"Speaker"_s, 5), -1);
        QCOMPARE(INIReadWrite::ReadINIStringWhole(u"Menu"_s, u"Style"_s), u"1099511627776"_s);
    }

    void writingKeepsTheRestOfTheFile()
    {
        const QByteArray before = "; Sonti settings\r\n[General]\r\nLeft=1\r\nUnknown = \"kept\" \r\n\r\n"
                                  "[Voice]\r\n# hand-written\r\nspeaker=3\r\n"_ba;
        writeFile(m_path, before);
        INIReadWrite::WriteINIValue(u"voice"_s, u"SPEAKER"_s, 4);
        INIReadWrite::WriteINIValue(u"General"_s, u"Top"_s, 9.0);
        QCOMPARE(contents(m_path),
                 "; Sonti settings\r\n[General]\r\nLeft=1\r\nUnknown = \"kept\" \r\nTop=9\r\n\r\n"
                 "[Voice]\r\n# hand-written\r\nspeaker=4\r\n"_ba);
    }

    void readOnlyFileIsLeftWhole()
    {
        writeFile(m_path, "[G]\nK=old\n"_ba);
        QVERIFY(QFile::setPermissions(m_path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        QCOMPARE(INIReadWrite::WriteINIValue(u"G"_s, u"K"_s, u"new"_s), IniFile::WriteStatus::LeftAlone);
        QCOMPARE(contents(m_path), "[G]\nK=old\n"_ba);
        QCOMPARE(INIReadWrite::ReadINIStringWhole(u"G"_s, u"K"_s), u"old"_s);
    }

    // A file-size limit makes every write past it fail as a full disk would,
    // through the real QSaveFile path.
    void fullDiskLeavesTheOldFileWhole()
    {
        const QByteArray before = "[G]\nK=old\n"_ba;
        writeFile(m_path, before);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit saved{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        rlimit tiny = saved;
        tiny.rlim_cur = 64;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &tiny), 0);
        const auto status = INIReadWrite::WriteINIValue(u"G"_s, u"K"_s, QString(1000, u'x'));
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);

        QCOMPARE(status, IniFile::WriteStatus::Failed);
        QCOMPARE(contents(m_path), before);
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"TTS.ini"_s});
    }

    // A real full and then read-only file system: a small tmpfs in a mount
    // namespace of this process alone, so nothing outlives the test.
    void fullAndReadOnlyFileSystemLeaveTheOldFileWhole()
    {
        const QString mountPoint = m_dir.filePath(u"tmpfs"_s);
        QVERIFY(QDir().mkpath(mountPoint));
        const QByteArray target = QFile::encodeName(mountPoint);
        if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0
            || mount("tmpfs", target.constData(), "tmpfs", 0, "size=16k") != 0) {
            QSKIP("cannot mount a tmpfs here (needs CAP_SYS_ADMIN)");
        }
        const auto unmount = qScopeGuard([&] { umount2(target.constData(), MNT_DETACH); });

        INIReadWrite::SetINIFile(u"TTS.ini"_s, mountPoint);
        const QString path = INIReadWrite::INIFileName();
        QCOMPARE(INIReadWrite::WriteINIValue(u"G"_s, u"K"_s, u"old"_s), IniFile::WriteStatus::Written);
        const QByteArray before = contents(path);
        QFile filler(QDir(mountPoint).filePath(u"filler"_s));
        QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        while (filler.write(QByteArray(1024, 'f')) > 0) {}
        filler.close();

        QCOMPARE(INIReadWrite::WriteINIValue(u"G"_s, u"K"_s, QString(6000, u'x')), IniFile::WriteStatus::Failed);
        QCOMPARE(contents(path), before);

        QVERIFY(filler.remove());
        QCOMPARE(mount(nullptr, target.constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0);
        QCOMPARE(INIReadWrite::WriteINIValue(u"G"_s, u"K"_s, u"new"_s), IniFile::WriteStatus::Failed);
        QCOMPARE(contents(path), before);
        QCOMPARE(INIReadWrite::ReadINIStringWhole(u"G"_s, u"K"_s), u"old"_s);
    }

    void unusableFilesReadAsDefaultsAndAreNotOverwritten_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("50 MB file") << u"huge"_s;
        QTest::newRow("named pipe") << u"fifo"_s;
        QTest::newRow("directory") << u"directory"_s;
    }

    void unusableFilesReadAsDefaultsAndAreNotOverwritten()
    {
        QFETCH(QString, kind);
        if (kind == u"huge") {
            writeFile(m_path, "[G]\nK=5\n"_ba);
            QFile file(m_path);
            QVERIFY(file.resize(50 * 1024 * 1024));
        } else if (kind == u"fifo") {
            QCOMPARE(mkfifo(QFile::encodeName(m_path).constData(), 0600), 0);
        } else {
            QVERIFY(QDir().mkdir(m_path));
        }
        const QFileInfo before(m_path);
        QCOMPARE(INIReadWrite::ReadINIInt(u"G"_s, u"K"_s, 7), 7);
        QCOMPARE(INIReadWrite::WriteINIValue(u"G"_s, u"K"_s, 1), IniFile::WriteStatus::LeftAlone);
        const QFileInfo after(m_path);
        QCOMPARE(after.size(), before.size());
        QCOMPARE(after.lastModified(), before.lastModified());
        if (kind == u"directory")
            QDir(m_path).removeRecursively();
        else
            QFile::remove(m_path);
    }

    void binaryFileKeepsItsBytes()
    {
        QByteArray junk;
        for (int i = 0; i < 70000; ++i)
            junk += char((i * 7919 + i / 13) & 0xFF);
        writeFile(m_path, junk);
        QCOMPARE(INIReadWrite::ReadINIInt(u"General"_s, u"Left"_s, 12), 12);
        QCOMPARE(INIReadWrite::WriteINIValue(u"General"_s, u"Left"_s, 30), IniFile::WriteStatus::Written);
        QVERIFY(contents(m_path).startsWith(junk));
        QCOMPARE(INIReadWrite::ReadINIInt(u"General"_s, u"Left"_s, 12), 30);
    }
};

QTEST_GUILESS_MAIN(tst_inireadwrite)
#include "tst_inireadwrite.moc"
