#pragma once

#include <QString>

/// Makes sure only one program instance runs: holds an exclusive flock() on a lock file in the
/// user's runtime folder for as long as this object lives. The system drops the lock when the
/// process ends in any way, a crash included, so a dead first instance never blocks a start.
/// The descriptor is close-on-exec: programs started from here do not keep the lock.
///
/// Use in main(), after the language is loaded and before the application window exists:
///     SingleInstanceLock instance;
///     if (instance.State() == SingleInstanceLock::AlreadyRunning)
///         return 0; // silently, nothing shown
/// (Failed means the lock could not be taken at all; the program then runs and the reason is
/// in ErrorString().)
class SingleInstanceLock {
public:
    enum LockState { Acquired, AlreadyRunning, Failed };

    /// @p name is the instance name; @p folder the lock folder (default: the runtime folder,
    /// $XDG_RUNTIME_DIR, else a private folder in the temporary folder).
    explicit SingleInstanceLock(const QString& name = QStringLiteral("Quenza free Reelvane"),
                                const QString& folder = QString());
    ~SingleInstanceLock();
    SingleInstanceLock(const SingleInstanceLock&) = delete;
    SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;

    LockState State() const { return m_state; }
    const QString& ErrorString() const { return m_error; }
    const QString& LockFilePath() const { return m_path; }

private:
    int m_fd = -1;
    LockState m_state = Failed;
    QString m_path;
    QString m_error;
};
