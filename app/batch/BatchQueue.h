#pragma once

#include "app/batch/ConversionQueue.h"

#include <QTime>

#include <functional>

class TcdSettings;

/// The batch mode's queue, shared by the main window and reelvane-cli: the outputs go into one
/// save folder, named by the target format of the settings when each file is taken, and every
/// step is written as a batch log line:
///
///     Task begin
///     [time]Load: <caption> [Success]
///     [time]Convert to: <output file name> [Success]
///     [Error message]: <the first error of the file>
///     [Warning]: <text>
///     [time]Stopped: <caption> [Not converted]
///     Task End<CR LF>
///
/// time is the current time in the user's long time format. Owning thread only.
class BatchQueue : public ConversionQueue {
    Q_OBJECT
public:
    /// @p settings (nullptr: the program's Settings() when asked) must outlive the queue.
    explicit BatchQueue(EngineAdapter& engine, const TcdSettings* settings = nullptr,
                        QObject* parent = nullptr);

    void SetSaveFolder(const QString& folder) { m_saveFolder = folder; }
    QString SaveFolder() const { return m_saveFolder; }
    /// Save folder + the input's base name + the target format's extension.
    QString OutputPathFor(const QString& input) const;
    /// The clock of the time stamps (tests fix it); the wall clock by default.
    void SetClock(std::function<QTime()> clock) { m_clock = std::move(clock); }

Q_SIGNALS:
    /// One line of the batch log, in the formats above.
    void logLine(const QString& line);

protected:
    QString OutputPathFor(const ConversionJob& job) const override;
    void OnRunBegun() override;
    void OnJobTaken(const ConversionJob& job) override;
    void OnJobWarning(const ConversionJob& job, const QString& text) override;
    void OnJobDecided(const ConversionJob& job) override;
    void OnRunEnded() override;

private:
    QString Stamp() const;

    const TcdSettings* m_settings;
    QString m_saveFolder;
    std::function<QTime()> m_clock;
};
