#pragma once

#include "app/batch/ConversionQueue.h"
#include "hotdir/DirectoryMonitor.h"

#include <QDate>
#include <QDateTime>

#include <functional>

class TcdSettings;

/// The folders of one hot-directory run.
struct HotDirFolders {
    QString input;  ///< the watched folder
    QString output; ///< root of the output tree, mirroring the input's sub-folders
    QString log;    ///< folder of the daily log files
    bool subFolders = false;
};

/// Why a hot-directory run cannot start.
enum class HotDirProblem {
    None,
    InputMissing,      ///< no folder at the input path
    InputUnreadable,   ///< the input folder cannot be read
    OutputMissing,     ///< no folder at the output path (and none was to be created)
    OutputUnusable,    ///< the output folder cannot be created or written
    LogMissing,        ///< no folder at the log path (and none was to be created)
    LogUnwritable,     ///< the log folder cannot be created or written
    OutputInsideInput, ///< the output folder is the input folder or lies below it
    WatchFailed,       ///< the folder watcher did not start
};

struct HotDirCheck {
    HotDirProblem problem = HotDirProblem::None;
    QString text; ///< for the user: which folder and why, with the system's reason
    bool Ok() const { return problem == HotDirProblem::None; }
};

/// Whether @p path is @p folder or lies below it, both with symbolic links resolved (a path that
/// does not exist yet is resolved as far as it exists). "/backup/data/in" is not inside
/// "/data/in", "/data/in2" is not inside "/data/in".
bool IsSameOrInside(const QString& path, const QString& folder);

/// Appends @p line and CR LF, in the local 8-bit encoding, to @p file (created when missing) with
/// one write; what the file holds already is never read or rewritten. On failure answers false
/// with the system's reason in @p error.
bool AppendHotLog(const QString& line, const QString& file, QString* error = nullptr);

/// The hot-directory mode without widgets, shared by the main window and `reelvane-cli watch`:
/// watches the input folder through a DirectoryMonitor, makes every ready ".avi" file a job,
/// converts the jobs one at a time with the target format of the settings when each is taken,
/// into the output folder's copy of the file's sub-folder (created when missing), and records
/// every job in the daily log file IncludeBackslash(log folder) + "yy-mm-dd" + ".log":
///
///     Start: [time]
///     Load: <input path> [Success]
///     Save to: <output path> [Success]       the engine stopped with the output written
///     Finish: [time]
///     [Error message]: <the first error>     instead of the two lines above
///     [Warning]: <text>                      the engine warned about the running file
///     Stopped: <input path> [Not converted]  the mode was stopped during the conversion
///
/// time is the clock's time in the user's long time format; each line goes into the file of the
/// clock's day when it is written, so a job's lines may be split across two days' files. Lines
/// are appended one by one (AppendHotLog). A line that cannot be written is reported once by
/// problem() until writing works again; the conversions go on.
///
/// A file reported again while its job converts (it was rewritten meanwhile) becomes a new job
/// and is converted again after the running one; a file reported again while its job still
/// waits stays one job. Owning thread only (the engine adapter's thread, with an event loop).
class HotDirQueue : public ConversionQueue {
    Q_OBJECT
public:
    /// @p settings (nullptr: the program's Settings() when asked) must outlive the queue.
    explicit HotDirQueue(EngineAdapter& engine, const TcdSettings* settings = nullptr,
                         QObject* parent = nullptr);
    ~HotDirQueue() override;

    /// Checks the folders of a run, in this order: the input folder exists and can be read; the
    /// output folder exists and can be written (with @p createMissing it may be missing when it
    /// can be made); the same for the log folder; the output folder is not the input folder or
    /// inside it. Only when every check passed are missing folders made, with their parents.
    static HotDirCheck CheckFolders(const HotDirFolders& folders, bool createMissing);

    /// Checks the folders (CheckFolders) and starts watching them: from then on ready files
    /// become jobs. Nothing is started on a problem. The folders are taken as absolute, clean
    /// paths. False while running.
    HotDirCheck StartWatching(const HotDirFolders& folders, bool createMissing = false);
    /// Ends the mode at once: the converting job (if any) is stopped (the engine removes its
    /// partial output) and logged as stopped, the watcher stops and the job list is emptied.
    void StopWatching();
    bool IsWatching() const { return IsRunning(); }
    /// The folders of the current (or last) run, as used.
    const HotDirFolders& Folders() const { return m_folders; }

    /// The watcher's hand-over of a ready file (also for tests that play the watcher).
    void OnHotFileReady(const QString& path);

    /// Output folder + the input's sub-folder below the input folder + the output file name of
    /// the settings' target format.
    QString OutputPathFor(const QString& input) const;

    /// The clock of the log (tests fix it); the wall clock by default.
    void SetClock(std::function<QDateTime()> clock) { m_clock = std::move(clock); }
    static QString LogFileNameFor(const QString& logFolder, const QDate& day);
    /// The log file of the clock's day.
    QString LogFileName() const;

    /// The folder watcher (its settings other than the folders may be tuned before a start).
    DirectoryMonitor& Monitor() { return m_monitor; }

Q_SIGNALS:
    /// One line of a job as it goes into the daily log (without the CR LF).
    void logLine(const QString& line);
    /// Something the user should know beside the jobs: the log cannot be written, a folder
    /// cannot be watched.
    void problem(const QString& text);

protected:
    QString OutputPathFor(const ConversionJob& job) const override;
    bool AcceptsJobsWhileRunning() const override { return true; }
    bool KeepsRunningWhenIdle() const override { return true; }
    void OnJobTaken(const ConversionJob& job) override;
    void OnJobWarning(const ConversionJob& job, const QString& text) override;
    void OnJobDecided(const ConversionJob& job) override;

private:
    QString TimeText(const QDateTime& now) const;
    /// Writes one line into the log file of @p now's day and passes it on.
    void WriteLine(const QString& line, const QDateTime& now);

    const TcdSettings* m_settings;
    HotDirFolders m_folders;
    DirectoryMonitor m_monitor;
    std::function<QDateTime()> m_clock;
    bool m_logFailing = false; ///< the last line could not be written (reported already)
};
