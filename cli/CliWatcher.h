#pragma once

#include "app/batch/HotDirQueue.h"

#include <QTextStream>

class QEventLoop;
class TcdSettings;

/// `reelvane-cli watch`: the hot-directory mode of the window without it, through the same
/// HotDirQueue and one real engine configured from the given settings alone. Each job's log
/// lines go to the daily log file and to `log` (or, with `json`, one JSON line per job there
/// instead), problems and the start-up line to `errors`. Runs the event loop of the calling
/// thread until RequestStop.
class CliWatcher {
public:
    CliWatcher(TcdSettings& settings, QTextStream& log, QTextStream& errors,
               QTextStream* json = nullptr);

    /// Watches @p folders (the output and log folders are created when missing) until
    /// RequestStop. Answers 2 when the mode cannot start (the reason is on `errors`, nothing
    /// was started), else 130 once stopped.
    int Watch(const HotDirFolders& folders);
    /// Stops the running conversion (its partial output is removed, the log says it was
    /// stopped) and ends Watch; safe to call from a timer on the owning thread.
    void RequestStop();
    bool Stopped() const { return stopped_; }

private:
    TcdSettings& settings_;
    QTextStream& log_;
    QTextStream& errors_;
    QTextStream* json_;
    bool stopped_ = false;
    HotDirQueue* queue_ = nullptr; ///< while Watch runs
    QEventLoop* loop_ = nullptr;   ///< while Watch runs
};
