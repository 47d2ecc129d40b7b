#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>

class BatchQueue;
class TcdSettings;

/// Converts files one after another through the batch queue the window uses, with one real
/// engine configured from the given settings alone: the same outputs, the same log lines
/// (on `log`, one per line), a progress figure on `progress` when asked and, with `json`, one
/// JSON line per file (JobJsonLine) as soon as its outcome is known, then one for each file the
/// run never reached. Runs the event loop of the calling thread until the batch ends or is
/// stopped.
class CliConverter {
public:
    CliConverter(TcdSettings& settings, QTextStream& log, QTextStream& progress, bool showProgress,
                 QTextStream* json = nullptr);

    /// Converts every file into `outputFolder`; answers how many were not converted.
    int ConvertAll(const QStringList& files, const QString& outputFolder);

    /// Asks the running conversion to stop; safe to call from a timer on the owning thread.
    void RequestStop();
    bool Stopped() const { return stopped_; }

private:
    TcdSettings& settings_;
    QTextStream& log_;
    QTextStream& progress_;
    bool showProgress_;
    QTextStream* json_;
    bool stopped_ = false;
    BatchQueue* queue_ = nullptr; ///< while ConvertAll runs
};
