#include "app/batch/BatchQueue.h"

#include "app/batch/PresetMapping.h"
#include "settings/GlobalSettings.h"
#include "util/myutility.h"

#include <QFileInfo>
#include <QLocale>

BatchQueue::BatchQueue(EngineAdapter& engine, const TcdSettings* settings, QObject* parent)
    : ConversionQueue(engine, parent)
    , m_settings(settings)
    , m_clock([] { return QTime::currentTime(); }) {}

QString BatchQueue::OutputPathFor(const QString& input) const {
    return IncludeBackslash(m_saveFolder) +
           OutputNameFor(m_settings ? *m_settings : Settings(), input);
}

QString BatchQueue::OutputPathFor(const ConversionJob& job) const {
    return OutputPathFor(job.input);
}

QString BatchQueue::Stamp() const {
    return QLatin1Char('[') + QLocale().toString(m_clock(), QLocale::LongFormat) + QLatin1Char(']');
}

void BatchQueue::OnRunBegun() {
    Q_EMIT logLine(QStringLiteral("Task begin"));
}

void BatchQueue::OnJobTaken(const ConversionJob& job) {
    Q_EMIT logLine(Stamp() + QStringLiteral("Load: ") + job.caption + QStringLiteral(" [Success]"));
}

void BatchQueue::OnJobWarning(const ConversionJob&, const QString& text) {
    Q_EMIT logLine(QStringLiteral("[Warning]: ") + text);
}

void BatchQueue::OnJobDecided(const ConversionJob& job) {
    switch (job.state) {
    case JobState::Succeeded:
        Q_EMIT logLine(Stamp() + QStringLiteral("Convert to: ") + QFileInfo(job.output).fileName() +
                       QStringLiteral(" [Success]"));
        break;
    case JobState::Failed:
        Q_EMIT logLine(QStringLiteral("[Error message]: ") + job.message);
        break;
    case JobState::Stopped:
        Q_EMIT logLine(Stamp() + QStringLiteral("Stopped: ") + job.caption +
                       QStringLiteral(" [Not converted]"));
        break;
    case JobState::Waiting:
    case JobState::Converting:
        break;
    }
}

void BatchQueue::OnRunEnded() {
    Q_EMIT logLine(QStringLiteral("Task End\r\n"));
}
