#include "SingleInstance.h"

#include <QFile>
#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

class tst_SingleInstance : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void secondCopyIsRefusedAndFirstKeepsItsLock()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("sonti.lock"));
        SingleInstance first(path);
        QVERIFY(first.acquire());
        QFile lock(path);
        QVERIFY(lock.open(QIODevice::ReadOnly));
        const QByteArray before = lock.readAll();
        lock.close();

        SingleInstance second(path);
        QVERIFY(!second.acquire());
        QVERIFY(first.isHeld());
        QVERIFY(lock.open(QIODevice::ReadOnly));
        QCOMPARE(lock.readAll(), before);
    }

    void lockOfAKilledCopyIsTakenOver()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("sonti.lock"));
        // A process that has ended leaves its id in the lock it never released.
        QProcess gone;
        gone.start(QStringLiteral("true"), {});
        QVERIFY(gone.waitForStarted());
        const qint64 pid = gone.processId();
        QVERIFY(gone.waitForFinished());
        QFile stale(path);
        QVERIFY(stale.open(QIODevice::WriteOnly));
        stale.write(QByteArray::number(pid) + "\nsonti\n" + QSysInfo::machineHostName().toUtf8() + "\n");
        stale.close();

        SingleInstance next(path);
        QVERIFY(next.acquire());
    }

    void lockIsReleasedWithItsOwner()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("sonti.lock"));
        {
            SingleInstance first(path);
            QVERIFY(first.acquire());
        }
        SingleInstance later(path);
        QVERIFY(later.acquire());
    }
};

QTEST_GUILESS_MAIN(tst_SingleInstance)
#include "tst_SingleInstance.moc"
