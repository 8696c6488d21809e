#include "SingleInstance.h"

#include <QDir>
#include <QLoggingCategory>
#include <QStandardPaths>

#include <unistd.h>

Q_LOGGING_CATEGORY(lcStartup, "sonti.startup", QtCriticalMsg)

SingleInstance::SingleInstance(const QString &lockPath)
    : m_lock(std::make_unique<QLockFile>(lockPath.isEmpty() ? defaultLockPath() : lockPath))
{
    // A live owner never goes stale, however long it runs; a dead owner's
    // lock is recognised by its process id and taken over.
    m_lock->setStaleLockTime(0);
}

bool SingleInstance::acquire()
{
    if (m_held)
        return true;
    m_held = m_lock->tryLock(0);
    if (!m_held) {
        // For a refusal nobody expected: who holds the lock.
        qint64 owner = 0;
        QString host;
        QString program;
        m_lock->getLockInfo(&owner, &host, &program);
        qCDebug(lcStartup) << "refused:" << m_lock->fileName() << "error" << m_lock->error() << "held by process"
                           << owner << program << "on" << host;
    }
    return m_held;
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
