#include "SingleInstance.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QStandardPaths>
#include <QThread>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcStartup, "sonti.startup", QtCriticalMsg)

SingleInstance::SingleInstance(const QString &lockPath)
    : m_path(lockPath.isEmpty() ? defaultLockPath() : lockPath)
    , m_lock(std::make_unique<QLockFile>(m_path))
{
    // A live owner never goes stale, however long it runs; a dead owner's
    // lock is recognised by its process id and taken over.
    m_lock->setStaleLockTime(0);
}

SingleInstance::Result SingleInstance::acquire()
{
    if (m_held)
        return Result::Acquired;

    // Anything but our own regular file is never read, replaced or removed:
    // reading a pipe would block, and a folder or another user's file is not
    // a lock of ours.
    const QFileInfo info(m_path);
    if (info.isSymLink() || (info.exists() && (!info.isFile() || info.ownerId() != getuid()))) {
        qCInfo(lcStartup) << "running without the single-instance lock:" << m_path << "is not a lock file";
        return Result::Unguarded;
    }

    if (m_lock->tryLock(0)) {
        m_held = true;
        return Result::Acquired;
    }
    if (m_lock->error() != QLockFile::LockFailedError) {
        qCInfo(lcStartup) << "running without the single-instance lock: cannot create" << m_path;
        return Result::Unguarded;
    }
    switch (owner()) {
    case Owner::Running: return refused();
    case Owner::Gone:
        // Qt could not take it over: the folder no longer lets us replace it.
        qCInfo(lcStartup) << "running without the single-instance lock: cannot replace" << m_path;
        return Result::Unguarded;
    case Owner::Unknown: break;
    }

    // No owner can be read from it: a copy is writing it this very moment,
    // or it is garbage. A copy writes its owner within milliseconds.
    const QDeadlineTimer deadline(500);
    while (!deadline.hasExpired() && isFresh()) {
        if (owner() == Owner::Running)
            return refused();
        QThread::msleep(10);
    }
    // Qt leaves alone a lock that its creator still holds open.
    if (m_lock->removeStaleLockFile() && m_lock->tryLock(0)) {
        m_held = true;
        return Result::Acquired;
    }
    if (owner() == Owner::Running)
        return refused();
    qCInfo(lcStartup) << "running without the single-instance lock: cannot replace" << m_path;
    return Result::Unguarded;
}

SingleInstance::Result SingleInstance::refused() const
{
    // For a refusal nobody expected: who holds the lock.
    qint64 owner = 0;
    QString host;
    QString program;
    m_lock->getLockInfo(&owner, &host, &program);
    qCDebug(lcStartup) << "refused:" << m_path << "held by process" << owner << program << "on" << host;
    return Result::AnotherCopyRuns;
}

bool SingleInstance::isFresh() const
{
    const QDateTime modified = QFileInfo(m_path).lastModified();
    return modified.isValid() && std::abs(modified.msecsTo(QDateTime::currentDateTime())) < 1000;
}

SingleInstance::Owner SingleInstance::owner() const
{
    qint64 pid = 0;
    QString host;
    QString application;
    if (!m_lock->getLockInfo(&pid, &host, &application) || pid <= 0)
        return Owner::Unknown;
    // EPERM: the process exists but is not ours to signal.
    return kill(pid_t(pid), 0) == 0 || errno == EPERM ? Owner::Running : Owner::Gone;
}

QString SingleInstance::defaultLockPath()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    // The user id keeps two users of one machine apart when the runtime
    // folder falls back to a shared temporary folder.
    return QDir(folder).filePath(QStringLiteral("sonti-%1.lock").arg(getuid()));
}
