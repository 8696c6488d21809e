#pragma once

#include <QLockFile>
#include <QString>

#include <memory>

// Tells whether another copy of Sonti runs for this user. The running copy
// holds a lock file in the user's runtime folder for its whole life; the
// operating system releases nothing by itself, but a lock left by a copy that
// crashed names a process that no longer exists and is taken over.
class SingleInstance
{
public:
    // lockPath: the lock file; empty chooses the default for this user.
    explicit SingleInstance(const QString &lockPath = QString());

    // True when this process now holds the lock, false when another copy does.
    bool acquire();
    bool isHeld() const { return m_held; }

    static QString defaultLockPath();

private:
    std::unique_ptr<QLockFile> m_lock;
    bool m_held = false;
};
