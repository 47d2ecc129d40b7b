#include "app/batch/ConversionQueue.h"

#include "app/batch/EngineAdapter.h"

#include <QFileInfo>

#include <algorithm>

ConversionQueue::ConversionQueue(EngineAdapter& engine, QObject* parent)
    : QObject(parent)
    , m_engine(engine) {
    m_timer.setInterval(500);
    connect(&m_timer, &QTimer::timeout, this, &ConversionQueue::Tick);
    connect(&engine, &EngineAdapter::started, this, &ConversionQueue::EngineStarted);
    connect(&engine, &EngineAdapter::progress, this, &ConversionQueue::EngineProgress);
    connect(&engine, &EngineAdapter::stopped, this, &ConversionQueue::EngineStopped);
    connect(&engine, &EngineAdapter::error, this, &ConversionQueue::EngineError);
    connect(&engine, &EngineAdapter::warning, this, &ConversionQueue::EngineWarning);
}

ConversionQueue::~ConversionQueue() {
    // The hooks of the specialisation are gone already: hear no more events.
    disconnect(&m_engine, nullptr, this, nullptr);
    if (Busy())
        m_engine.Stop();
}

bool ConversionQueue::Busy() const {
    return m_current >= 0 && m_current < m_jobs.size() &&
           m_jobs[m_current].state == JobState::Converting;
}

// ------------------------------------------------------------------------------------ jobs

bool ConversionQueue::AddJob(const QString& input, const QString& caption) {
    if (input.isEmpty() || (m_running && !AcceptsJobsWhileRunning()))
        return false;
    ConversionJob job;
    job.input = input;
    job.caption = caption.isEmpty() ? QFileInfo(input).fileName() : caption;
    m_jobs.append(job);
    Q_EMIT jobInserted(int(m_jobs.size()) - 1);
    return true;
}

bool ConversionQueue::RemoveJobs(QList<int> indices) {
    if (m_running)
        return false;
    std::sort(indices.begin(), indices.end(), std::greater<int>());
    indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
    if (!indices.isEmpty() && (indices.last() < 0 || indices.first() >= m_jobs.size()))
        return false;
    m_current = -1;
    for (int index : indices) {
        m_jobs.removeAt(index);
        Q_EMIT jobRemoved(index);
    }
    return true;
}

bool ConversionQueue::Clear() {
    if (m_running)
        return false;
    m_current = -1;
    if (!m_jobs.isEmpty()) {
        m_jobs.clear();
        Q_EMIT jobsReset();
    }
    return true;
}

bool ConversionQueue::Reorder(const QList<int>& order) {
    if (m_running || order.size() != m_jobs.size())
        return false;
    QList<bool> seen(m_jobs.size(), false);
    for (int index : order) {
        if (index < 0 || index >= m_jobs.size() || seen[index])
            return false;
        seen[index] = true;
    }
    QList<ConversionJob> reordered;
    reordered.reserve(m_jobs.size());
    for (int index : order)
        reordered.append(m_jobs[index]);
    m_jobs = std::move(reordered);
    m_current = -1;
    Q_EMIT jobsReset();
    return true;
}

// ------------------------------------------------------------------------------------- run

bool ConversionQueue::Begin() {
    if (m_running)
        return false;
    for (ConversionJob& job : m_jobs) {
        job.state = JobState::Waiting;
        job.output.clear();
        job.message.clear();
    }
    m_current = -1;
    SetRunning(true);
    OnRunBegun();
    for (int i = 0; i < m_jobs.size(); ++i)
        Q_EMIT jobChanged(i);
    return true;
}

void ConversionQueue::Run() {
    if (m_running)
        m_timer.start();
}

bool ConversionQueue::Start() {
    if (!Begin())
        return false;
    Run();
    return true;
}

void ConversionQueue::Stop() {
    if (!m_running)
        return;
    m_timer.stop();
    // The stop is asked first: the run works on the inputs it took.
    m_engine.Stop();
    m_engine.ClearInputs();
    Decide(JobState::Stopped);
    SetRunning(false);
}

void ConversionQueue::Tick() {
    // A begun run takes files only once Run() has started it.
    if (!m_running || !m_timer.isActive() || Busy() || !m_engine.IsFree())
        return;
    for (int i = 0; i < m_jobs.size(); ++i) {
        if (m_jobs[i].state != JobState::Waiting)
            continue;
        m_current = i;
        ConversionJob& job = m_jobs[i];
        job.state = JobState::Converting;
        job.output = OutputPathFor(job);
        job.message.clear();
        Q_EMIT jobChanged(i);
        OnJobTaken(m_jobs[i]);
        if (!Busy()) // a handler stopped the run
            return;
        const QString input = m_jobs[i].input;
        if (!QFileInfo(input).isFile()) {
            // Gone since it was listed: the engine would only say less clearly.
            Decide(JobState::Failed, QStringLiteral("Input file not found: ") + input);
            return;
        }
        m_engine.SetupConversion(input, m_jobs[i].output);
        return;
    }
    if (KeepsRunningWhenIdle())
        return;
    OnRunEnded();
    SetRunning(false);
    Q_EMIT finished();
}

void ConversionQueue::SetRunning(bool running) {
    if (!running)
        m_timer.stop();
    if (m_running == running)
        return;
    m_running = running;
    Q_EMIT runningChanged(running);
}

// --------------------------------------------------------------------------- engine events

void ConversionQueue::Decide(JobState outcome, const QString& message) {
    if (!Busy())
        return;
    const int index = m_current;
    m_jobs[index].state = outcome;
    m_jobs[index].message = message;
    Q_EMIT jobChanged(index);
    OnJobDecided(m_jobs[index]);
    Q_EMIT jobDecided(index);
}

void ConversionQueue::EngineStarted() {
    if (Busy())
        Q_EMIT progress(0);
}

void ConversionQueue::EngineProgress(int percent) {
    if (Busy())
        Q_EMIT progress(std::clamp(percent, 0, 100));
}

void ConversionQueue::EngineStopped() {
    m_engine.ClearInputs();
    if (!Busy())
        return;
    // A run that ends without an error has converted the file only if it wrote the output.
    const QString output = m_jobs[m_current].output;
    const QFileInfo written(output);
    if (written.isFile() && written.size() > 0)
        Decide(JobState::Succeeded);
    else
        Decide(JobState::Failed, QStringLiteral("the conversion ended without writing ") + output);
}

void ConversionQueue::EngineError(int code, const QString& text) {
    Q_UNUSED(code);
    Decide(JobState::Failed, text);
}

void ConversionQueue::EngineWarning(const QString& text) {
    if (Busy())
        OnJobWarning(m_jobs[m_current], text);
}
