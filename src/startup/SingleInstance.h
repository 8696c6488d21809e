#pragma once

#include <QLockFile>
#include <QString>

#include <memory>

// Tells whether another copy of Sonti runs for this user. The running copy
// holds a lock file in the user's runtime folder for its whole life; a lock
// left by a copy that crashed names a process that no longer exists, and a
// lock that is no lock at all (empty or garbage, left by a full disk) has no
// owner holding it: both are taken over.
//
// Only a live copy keeps this one from running. When no lock can be made (its
// path is a folder or a pipe, the runtime folder is missing, read-only or
// full), the program runs unguarded rather than claim a copy that is not there.
class SingleInstance
{
public:
    enum class Result {
        Acquired,        // this process holds the lock
        AnotherCopyRuns, // a live copy holds it
        Unguarded,       // no lock can be made here; run without one
    };

    // lockPath: the lock file; empty chooses the default for this user.
    explicit SingleInstance(const QString &lockPath = QString());

    Result acquire();
    bool isHeld() const { return m_held; }

    static QString defaultLockPath();

private:
    enum class Owner { Running, Gone, Unknown };
    // The process the lock names, when it names one.
    Owner owner() const;
    // AnotherCopyRuns, with its owner logged.
    Result refused() const;
    // Whether the lock file was written within the last second.
    bool isFresh() const;

    QString m_path;
    std::unique_ptr<QLockFile> m_lock;
    bool m_held = false;
};
