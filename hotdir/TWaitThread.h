#pragma once

#include "hotdir/FileProbe.h"
#include "hotdir/FolderWatch.h"
#include "hotdir/TfileWaiter.h"

#include <QHash>
#include <QString>

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class DirectoryMonitor;

/// The locks of the folder watcher, shared by every monitor of the process. Always taken in
/// this order: dispatch, waiting, ready. All are recursive because a hand-over handler that
/// runs the event loop lets checks and hand-overs run nested on the same thread.
namespace HotDirLocks {
std::recursive_mutex& Dispatch(); ///< held around each OnFileReady call
std::recursive_mutex& Waiting();  ///< every waiting list, its entries, ready signatures
std::recursive_mutex& Ready();    ///< every monitor's ready list
} // namespace HotDirLocks

/// The worker of one running monitor: a thread that reads the change notifications and turns
/// accepted names into waiting files, plus the readiness checks that the owner thread runs on
/// those files. Created by Start on the owner thread and destroyed by Stop, which waits for the
/// thread to end first.
class TWaitThread {
public:
    struct Setup {
        int StableChecks = 5;
        QString ExtensionFilter;
        int RescanIntervalMs = 0;
        /// How often folders that could not be watched are tried again (0: never).
        int RetryIntervalMs = 0;
        qint64 StartNs = 0; ///< wall clock just before the watches were placed
        /// Folders Start could not watch; reported by the first readiness pass.
        std::vector<QString> StartErrors;
    };

    /// Takes ownership of the opened watch and of wakeFd (an eventfd that ends the thread).
    TWaitThread(DirectoryMonitor& monitor, std::unique_ptr<FolderWatch> watch, int wakeFd,
                Setup setup);
    /// Ends and joins the thread, then frees every waiting file.
    ~TWaitThread();
    TWaitThread(const TWaitThread&) = delete;
    TWaitThread& operator=(const TWaitThread&) = delete;

    /// Starts the thread; throws std::system_error when it cannot be created.
    void Run();

    /// One pass over the waiting files, newest first (owner thread). Moves ready files to the
    /// monitor's ready list and returns whether there were any; hands back the errors the worker
    /// met since the previous pass.
    bool CheckWaiting(std::vector<QString>& errors);

    /// Whether the extension filter accepts the path's file name.
    static bool Accepts(const QString& fullPath, const QString& extensionFilter);

private:
    /// A file that became ready, as it was then: a rescan must not offer it again unchanged.
    struct ReadyMark {
        FileSignature signature;
        qint64 recordedNs = 0;
    };
    enum class ScanKind { Snapshot, Periodic, Overflow };

    void Execute();
    void Handle(const FolderWatch::Change& change);
    void HandleNotification(const QString& fullPath);
    void Rescan(ScanKind kind);
    /// Walks a folder that is watched now and offers every accepted file in it.
    void OfferFolder(const QString& relDir);
    void RetryUnwatched();
    void AddCandidate(const QString& fullPath, const FileSignature& signature);
    void PruneReadyMarks();
    void PostError(const QString& text);
    // Callers hold the waiting lock.
    void AddWaiting(const QString& path);
    void RemoveWaiting(const QString& path);

    DirectoryMonitor& m_monitor;
    const Setup m_setup;
    std::unique_ptr<FolderWatch> m_watch; ///< worker thread only once running
    const int m_wakeFd;
    std::thread m_thread;

    // Guarded by the waiting lock.
    std::vector<std::unique_ptr<TfileWaiter>> m_waiting; ///< in order of arrival
    QHash<QString, TfileWaiter*> m_waitingByPath;
    QHash<QString, ReadyMark> m_readyMarks;
    std::vector<QString> m_pendingErrors;

    // Worker thread only.
    qint64 m_quietSinceNs = 0; ///< the kernel queue was empty at some moment after this
    qint64 m_lastScanStartNs = 0;
    QHash<QString, FileSignature> m_snapshot; ///< accepted files at the last periodic scan
};
