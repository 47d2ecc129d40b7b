#pragma once

#include "hotdir/DirectoryMonitor.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <sys/types.h>
#include <vector>

using Clock = std::chrono::steady_clock;

/// Seconds from `from` to `to`.
double SecondsBetween(Clock::time_point from, Clock::time_point to);

/// Runs the event loop of this (the owner) thread until done() holds or timeoutMs passed.
bool SpinUntil(const std::function<bool()>& done, int timeoutMs);
void SpinFor(int ms);

/// Writes `bytes` bytes to a new file and closes it.
void WriteFile(const QString& path, int bytes);

/// Every hand-over of a monitor, with the time it happened.
class HandOverLog {
public:
    struct Entry {
        QString path;
        Clock::time_point at;
    };
    void Attach(DirectoryMonitor& monitor);
    int CountOf(const QString& path) const;
    std::optional<Clock::time_point> FirstAt(const QString& path) const;
    const std::vector<Entry>& Entries() const { return m_entries; }
    int Size() const { return int(m_entries.size()); }
    QStringList Paths() const;

private:
    std::vector<Entry> m_entries;
};

/// The test helper program (hotdir_helper) run as a child process, with stdout captured.
/// Optionally runs it as another user (from a copy in a folder that user can reach), or in a
/// user namespace of its own with a lowered inotify watch limit.
class HelperProcess {
public:
    struct Options {
        std::optional<uid_t> user; ///< run with this uid and its gid
        int watchLimit = 0; ///< > 0: own user namespace with this many inotify watches (no user)
    };
    HelperProcess() = default;
    ~HelperProcess();
    HelperProcess(const HelperProcess&) = delete;
    HelperProcess& operator=(const HelperProcess&) = delete;

    void Start(const QStringList& args, const Options& options);
    void Start(const QStringList& args) { Start(args, Options{}); }
    /// Whether the process has ended (reaps it when it has).
    bool Finished();
    /// False when the process could not be made (its own user namespace is not allowed, say).
    bool Started() const { return m_pid > 0; }
    /// Waits for the end, running the event loop meanwhile; returns the exit code or -1.
    int Wait(int timeoutMs);
    /// Waits until the helper printed `line` (a whole line).
    bool WaitForLine(const QByteArray& line, int timeoutMs);
    QByteArray Output();
    /// From an "append" helper: the monotonic time it printed just before closing the file.
    std::optional<Clock::time_point> CloseTime();
    int ExitCode() const { return m_exitCode; }

private:
    void Drain();

    pid_t m_pid = -1;
    int m_out = -1;
    int m_exitCode = -1;
    QByteArray m_output;
};

/// uid of the unprivileged account "nobody".
uid_t NobodyUid();

/// A folder every user can enter (each folder above it lets others pass), for files that
/// another user must reach: the checkout and the temporary folder may lie in a private one
/// (a home folder, a 0700 temporary folder). Empty when there is none; `why` then says so.
QString FolderOthersCanReach(QString* why = nullptr);

/// A new temporary folder inside FolderOthersCanReach(), open to all (mode 0777), removed at
/// the end of the test; invalid when there is no such place.
class SharedTemporaryDir {
public:
    SharedTemporaryDir();
    ~SharedTemporaryDir();
    SharedTemporaryDir(const SharedTemporaryDir&) = delete;
    SharedTemporaryDir& operator=(const SharedTemporaryDir&) = delete;
    bool isValid() const { return !m_path.isEmpty(); }
    QString path() const { return m_path; }
    QString filePath(const QString& name) const;

private:
    QString m_path;
};
