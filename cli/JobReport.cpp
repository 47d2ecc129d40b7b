#include "cli/JobReport.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

namespace {

QString ResultWord(JobState state) {
    switch (state) {
    case JobState::Succeeded:
        return QStringLiteral("converted");
    case JobState::Failed:
        return QStringLiteral("failed");
    case JobState::Stopped:
        return QStringLiteral("stopped");
    case JobState::Waiting:
    case JobState::Converting:
        break;
    }
    return QStringLiteral("skipped");
}

} // namespace

QByteArray JobJsonLine(const ConversionJob& job, double seconds) {
    QJsonObject line;
    line.insert(QStringLiteral("input"), job.input);
    line.insert(QStringLiteral("output"), job.output.isEmpty() ? QJsonValue() : job.output);
    line.insert(QStringLiteral("result"), ResultWord(job.state));
    line.insert(QStringLiteral("error"), job.message.isEmpty() ? QJsonValue() : job.message);
    line.insert(QStringLiteral("seconds"), qRound(seconds * 1000.0) / 1000.0);
    return QJsonDocument(line).toJson(QJsonDocument::Compact);
}

JobClock::JobClock(const ConversionQueue& queue) {
    m_connection =
        QObject::connect(&queue, &ConversionQueue::jobChanged, &queue, [this, &queue](int index) {
            const JobState state = queue.Job(index).state;
            if (state == JobState::Converting) {
                m_started[index].start();
                m_took.remove(index);
            } else if (state != JobState::Waiting && m_started.contains(index) &&
                       !m_took.contains(index)) {
                m_took.insert(index, double(m_started.value(index).nsecsElapsed()) / 1e9);
            }
        });
}

JobClock::~JobClock() {
    QObject::disconnect(m_connection);
}

double JobClock::SecondsOf(int index) const {
    if (const auto took = m_took.constFind(index); took != m_took.constEnd())
        return *took;
    const auto started = m_started.constFind(index);
    return started == m_started.constEnd() ? 0.0 : double(started->nsecsElapsed()) / 1e9;
}
