#pragma once

#include "app/batch/ConversionQueue.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>

/// The --json line of one file, for scripts: one compact JSON object with the keys "input",
/// "output", "result" ("converted", "failed", "stopped" or "skipped" for a file the run never
/// reached), "error" (the reason, or null) and "seconds" (from taking the file to its outcome).
QByteArray JobJsonLine(const ConversionJob& job, double seconds);

/// How long each job of a queue took: started when the queue takes a job, read when it is
/// decided. Owning thread of the queue.
class JobClock {
public:
    /// Follows @p queue's jobChanged signal.
    explicit JobClock(const ConversionQueue& queue);
    ~JobClock();
    JobClock(const JobClock&) = delete;
    JobClock& operator=(const JobClock&) = delete;
    /// Seconds job @p index has converted so far, or took; 0 for a job never taken.
    double SecondsOf(int index) const;

private:
    QMetaObject::Connection m_connection;
    QHash<int, QElapsedTimer> m_started;
    QHash<int, double> m_took;
};
