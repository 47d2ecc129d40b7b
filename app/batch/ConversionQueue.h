#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

class EngineAdapter;

/// Where one job stands. Converting is the only state an engine event can change; every other
/// state is an outcome that stays until the next run resets the job to Waiting.
enum class JobState { Waiting, Converting, Succeeded, Failed, Stopped };

/// One file of a queue: what to convert, what became of it.
struct ConversionJob {
    QString input;   ///< full path of the input file
    QString caption; ///< how the job is named in the log (the file name unless given)
    JobState state = JobState::Waiting;
    QString output;  ///< output path, fixed when the job is taken
    QString message; ///< why the job failed (the first error), else empty
};

/// Converts its jobs one at a time on one engine and decides each job's outcome once, from the
/// engine's events: an error fails the job (later events of that run change nothing), a stop
/// event of a run without error succeeds it when the output file was written, a user's stop
/// stops it. The next job is taken on a timer tick, and only while no job converts and the
/// engine is free, so a run that is still ending is never reconfigured.
///
/// The jobs belong to the queue; views follow them through the signals. While a run is on,
/// jobs are never removed or reordered (indices stay valid for the whole run), and added only
/// where the specialisation allows it.
///
/// A specialisation names each job's output and writes its log in the hooks below; the batch
/// mode's is BatchQueue. Owning thread only (the engine adapter's thread).
class ConversionQueue : public QObject {
    Q_OBJECT
public:
    /// @p engine must outlive the queue; the queue listens to all of its events.
    explicit ConversionQueue(EngineAdapter& engine, QObject* parent = nullptr);
    ~ConversionQueue() override;

    int Count() const { return int(m_jobs.size()); }
    const ConversionJob& Job(int index) const { return m_jobs.at(index); }
    const QList<ConversionJob>& Jobs() const { return m_jobs; }
    /// Between Begin() and the end of the run (no job left) or Stop().
    bool IsRunning() const { return m_running; }
    /// A job is converting (the engine works for this queue).
    bool Busy() const;
    /// The job taken last in this run (converting or already decided); -1 before the first.
    int CurrentIndex() const { return m_current; }
    /// The timer that takes the next job is on.
    bool IsTicking() const { return m_timer.isActive(); }
    EngineAdapter& Engine() const { return m_engine; }

    /// Appends a job (caption: the input's file name when empty). Refused (false, nothing
    /// changed) while a run is on, unless AcceptsJobsWhileRunning().
    bool AddJob(const QString& input, const QString& caption = {});
    /// Removes the jobs at @p indices; refused while a run is on or for an index outside the list.
    bool RemoveJobs(QList<int> indices);
    bool Clear();
    /// Puts the jobs in the order of @p order (a permutation of the indices: the new first job
    /// is the old job order[0], ...). Refused while a run is on or for anything else.
    bool Reorder(const QList<int>& order);

    /// Starts a run: every job back to Waiting, the run is on; the timer is not started yet
    /// (Run does that), so a caller can still refuse to go on and Stop. False when already on.
    bool Begin();
    /// Starts the timer of a begun run.
    void Run();
    /// Begin() and Run().
    bool Start();
    /// Ends the run at once: the engine is asked to stop, the converting job (if any) is
    /// stopped, the remaining jobs keep waiting. Nothing happens without a run.
    void Stop();
    /// One step of the timer: takes the next waiting job when no job converts and the engine is
    /// free; ends the run when no job waits (unless KeepsRunningWhenIdle()). Nothing happens
    /// before Run().
    void Tick();
    /// Interval of the timer (500 ms unless set).
    void SetTickInterval(int ms) { m_timer.setInterval(ms); }

Q_SIGNALS:
    void jobInserted(int index);
    void jobRemoved(int index);
    /// The whole list changed (cleared, reordered): views rebuild.
    void jobsReset();
    /// The state (or output, or message) of job @p index changed.
    void jobChanged(int index);
    void runningChanged(bool running);
    /// Percent (0..100) of the converting job; 0 when its run starts.
    void progress(int percent);
    /// The converting job got its outcome (the progress display ends).
    void jobDecided(int index);
    /// The run ended because no job was left (not after Stop).
    void finished();

protected:
    /// The output path of @p job, asked when the job is taken.
    virtual QString OutputPathFor(const ConversionJob& job) const = 0;
    /// Whether AddJob works while a run is on (appending never moves the running job).
    virtual bool AcceptsJobsWhileRunning() const { return false; }
    /// Whether a run goes on, waiting for new jobs, when none is left.
    virtual bool KeepsRunningWhenIdle() const { return false; }

    // Log hooks, called in this order of a run; the job passed is already in its new state.
    virtual void OnRunBegun() {}
    virtual void OnJobTaken(const ConversionJob& job) { Q_UNUSED(job); }
    virtual void OnJobWarning(const ConversionJob& job, const QString& text) {
        Q_UNUSED(job);
        Q_UNUSED(text);
    }
    virtual void OnJobDecided(const ConversionJob& job) { Q_UNUSED(job); }
    /// No job left (not called after Stop).
    virtual void OnRunEnded() {}

private:
    void EngineStarted();
    void EngineProgress(int percent);
    void EngineStopped();
    void EngineError(int code, const QString& text);
    void EngineWarning(const QString& text);
    /// The one place an outcome is decided: only a converting job changes, once.
    void Decide(JobState outcome, const QString& message = {});
    void SetRunning(bool running);

    EngineAdapter& m_engine;
    QList<ConversionJob> m_jobs;
    int m_current = -1;
    bool m_running = false;
    QTimer m_timer;
};
