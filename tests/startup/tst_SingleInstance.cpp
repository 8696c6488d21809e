#include "SingleInstance.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

#include <thread>

#include <fcntl.h>
#include <sched.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

using Result = SingleInstance::Result;

namespace {

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

// What a copy with process id pid writes into its lock.
QByteArray lockOf(qint64 pid)
{
    return QByteArray::number(pid) + '\n' + QCoreApplication::applicationName().toUtf8() + '\n'
        + QSysInfo::machineHostName().toUtf8() + '\n';
}

} // namespace

class tst_SingleInstance : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_path;

private Q_SLOTS:
    void init()
    {
        m_path = m_dir.filePath(QStringLiteral("sonti.lock"));
        QFile::remove(m_path);
    }

    void secondCopyIsRefusedAndFirstKeepsItsLock()
    {
        SingleInstance first(m_path);
        QCOMPARE(first.acquire(), Result::Acquired);
        QFile lock(m_path);
        QVERIFY(lock.open(QIODevice::ReadOnly));
        const QByteArray before = lock.readAll();
        lock.close();

        SingleInstance second(m_path);
        QCOMPARE(second.acquire(), Result::AnotherCopyRuns);
        QVERIFY(first.isHeld());
        QVERIFY(!second.isHeld());
        QVERIFY(lock.open(QIODevice::ReadOnly));
        QCOMPARE(lock.readAll(), before);
    }

    void lockIsReleasedWithItsOwner()
    {
        {
            SingleInstance first(m_path);
            QCOMPARE(first.acquire(), Result::Acquired);
        }
        SingleInstance later(m_path);
        QCOMPARE(later.acquire(), Result::Acquired);
    }

    // Lock files no running copy holds: a crashed copy's, and what a full
    // disk or a crash while it was written leaves.
    void leftoverLockIsTakenOver_data()
    {
        QTest::addColumn<QByteArray>("content");
        QProcess gone;
        gone.start(QStringLiteral("true"), {});
        gone.waitForStarted();
        const qint64 pid = gone.processId();
        gone.waitForFinished();
        QTest::newRow("killed copy") << lockOf(pid);
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("garbage") << QByteArray("\xFF\x00not a lock\n", 13);
    }

    void leftoverLockIsTakenOver()
    {
        QFETCH(QByteArray, content);
        writeFile(m_path, content);
        QFile file(m_path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(-60), QFileDevice::FileModificationTime));
        file.close();
        SingleInstance next(m_path);
        QCOMPARE(next.acquire(), Result::Acquired);
        QVERIFY(next.isHeld());
    }

    // A copy that has created its lock but not yet written into it holds it
    // locked: it is running, and its lock is not garbage.
    void lockBeingWrittenIsAnotherCopy()
    {
        const int fd = open(QFile::encodeName(m_path).constData(), O_RDWR | O_CREAT | O_EXCL, 0600);
        QVERIFY(fd >= 0);
        const auto closeFd = qScopeGuard([fd] { close(fd); });
        QCOMPARE(flock(fd, LOCK_EX | LOCK_NB), 0);
        std::thread writer([fd] {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            const QByteArray content = lockOf(getpid());
            (void)!write(fd, content.constData(), size_t(content.size()));
        });
        SingleInstance second(m_path);
        const Result result = second.acquire();
        writer.join();
        QCOMPARE(result, Result::AnotherCopyRuns);
        QVERIFY(QFileInfo::exists(m_path));
    }

    void unusableLockPathRunsUnguarded_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("folder at the lock path") << QStringLiteral("folder");
        QTest::newRow("named pipe at the lock path") << QStringLiteral("fifo");
        QTest::newRow("dangling symbolic link") << QStringLiteral("symlink");
        QTest::newRow("runtime folder is a file") << QStringLiteral("file as folder");
        QTest::newRow("runtime folder missing") << QStringLiteral("no folder");
    }

    void unusableLockPathRunsUnguarded()
    {
        QFETCH(QString, kind);
        QString path = m_path;
        if (kind == u"folder") {
            QVERIFY(QDir().mkpath(m_path));
        } else if (kind == u"fifo") {
            QCOMPARE(mkfifo(QFile::encodeName(m_path).constData(), 0600), 0);
        } else if (kind == u"symlink") {
            QVERIFY(QFile::link(m_dir.filePath(QStringLiteral("nowhere")), m_path));
        } else if (kind == u"file as folder") {
            writeFile(m_path, "x");
            path = m_path + QStringLiteral("/sonti.lock");
        } else {
            path = m_dir.filePath(QStringLiteral("missing/sonti.lock"));
        }
        const auto cleanup = qScopeGuard([this] {
            QDir(m_path).removeRecursively();
            QFile::remove(m_path);
        });

        SingleInstance instance(path);
        QCOMPARE(instance.acquire(), Result::Unguarded);
        QVERIFY(!instance.isHeld());
        // Whatever was there is left as it was.
        QCOMPARE(QFileInfo(m_path).isDir(), kind == u"folder");
        QCOMPARE(QFileInfo(m_path).isSymLink(), kind == u"symlink");
    }

    // A read-only runtime folder, as an immutable or full one behaves: a
    // tmpfs in a mount namespace of this process alone.
    void readOnlyRuntimeFolderRunsUnguarded()
    {
        const QString folder = m_dir.filePath(QStringLiteral("runtime"));
        QVERIFY(QDir().mkpath(folder));
        const QByteArray target = QFile::encodeName(folder);
        if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0
            || mount("tmpfs", target.constData(), "tmpfs", MS_RDONLY, "size=16k,mode=700") != 0) {
            QSKIP("cannot mount a tmpfs here (needs CAP_SYS_ADMIN)");
        }
        const auto unmount = qScopeGuard([&] { umount2(target.constData(), MNT_DETACH); });
        SingleInstance instance(QDir(folder).filePath(QStringLiteral("sonti.lock")));
        QCOMPARE(instance.acquire(), Result::Unguarded);
    }
};

QTEST_GUILESS_MAIN(tst_SingleInstance)
#include "tst_SingleInstance.moc"
