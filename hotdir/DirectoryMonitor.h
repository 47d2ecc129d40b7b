#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class TWaitThread;

/// Watches one folder (optionally with its sub-folders) for files that are created, written or
/// moved in, waits until each has been written completely and then hands it to OnFileReady.
///
/// Threads: create, configure, Start, Stop and destroy the monitor on one thread with an event
/// loop (the owner, normally the program's main thread). Change notifications are read by a
/// worker thread; readiness checks (every CheckIntervalMs) and the hand-over (at most
/// MaxFilesPerTick files every DispatchIntervalMs) run on the owner thread, so OnFileReady and
/// OnError are always called there. Never destroy the monitor inside its own callbacks (use
/// deleteLater()); calling Stop there is fine.
///
/// A file is ready when StableChecks consecutive checks find it non-empty, of unchanged size
/// and open for writing by nobody: 2.0 to 3.0 s after its last change or its writer's close.
class DirectoryMonitor : public QObject {
    Q_OBJECT
public:
    /// Called on the owner thread with the ready file's full path and UserData.
    using FileReadyHandler = std::function<void(const QString& fullPath, quintptr userData)>;
    /// Called on the owner thread when watching goes wrong while running.
    using ErrorHandler = std::function<void(const QString& text)>;

    static constexpr int CheckIntervalMs = 500;
    static constexpr int DispatchIntervalMs = 200;
    static constexpr int MaxFilesPerTick = 10;
    static constexpr int MaxDispatchDepth = 10;
    /// Rescan period used on network file systems when RescanIntervalMs is automatic.
    static constexpr int NetworkRescanIntervalMs = 3000;
    /// Default of UnwatchedRetryIntervalMs.
    static constexpr int DefaultUnwatchedRetryIntervalMs = 3000;

    explicit DirectoryMonitor(QObject* parent = nullptr);
    ~DirectoryMonitor() override;

    // Settings, read by Start; changing them while running takes effect at the next Start.
    QString Directory;                ///< the watched folder; Start trims it in place
    bool WatchSubtree = false;        ///< report files in sub-folders too
    QString ExtensionFilter = ".pdf"; ///< accepted extensions, e.g. ".avi"; empty: all
    int StableChecks = 5;             ///< consecutive good checks before a file is ready
    FileReadyHandler OnFileReady;     ///< may be empty
    quintptr UserData = 0;            ///< passed back to OnFileReady unchanged
    ErrorHandler OnError;             ///< may be empty; LastError() keeps the text anyway
    /// Period of full rescans that find changes the system did not notify: -1 (automatic) means
    /// NetworkRescanIntervalMs on network file systems and none elsewhere, 0 never.
    int RescanIntervalMs = -1;
    /// How often sub-folders that could not be watched (no permission, the watch limit) are
    /// tried again; once watched, the files already in them are offered. 0: never.
    int UnwatchedRetryIntervalMs = DefaultUnwatchedRetryIntervalMs;

    /// Begins watching Directory. Returns false, with LastError() holding the system's text for
    /// the failing call or "Please input split directory firstly" when Directory is not a
    /// folder; a failed Start leaves nothing open. Calling Start while running restarts.
    /// A sub-folder that cannot be watched does not fail it: OnError reports it ("Cannot watch
    /// <folder>: <reason>") at the first check, the rest is watched, and the folder is tried
    /// again every UnwatchedRetryIntervalMs.
    [[nodiscard]] bool Start();
    /// Ends watching; files waiting for their checks are forgotten, files already ready are
    /// handed over after the next Start. Does nothing when not running.
    void Stop();

    bool IsRunning() const { return m_worker != nullptr; }
    /// Text of the last failed Start or of the last error while running.
    QString LastError() const { return m_lastError; }
    /// Rescan period in force while running (0: change notifications alone).
    int ActiveRescanIntervalMs() const { return m_activeRescanMs; }

private:
    friend class TWaitThread;

    void OnCheckTimer();
    void DispatchReady();
    /// Hands over at once when nothing was handed over for a whole tick, so that readiness is
    /// not delayed by the phase of the dispatch timer.
    void DispatchPromptly();
    void ReportError(const QString& text);
    /// Worker's and checker's entry: queue a ready file (takes the ready lock).
    void AppendReady(const QString& path);

    QTimer m_checkTimer;
    QTimer m_dispatchTimer;
    std::unique_ptr<TWaitThread> m_worker;
    QStringList m_readyList; ///< guarded by the ready lock; oldest first
    std::optional<std::chrono::steady_clock::time_point> m_lastHandOver;
    QString m_lastError;
    int m_activeRescanMs = 0;
};
