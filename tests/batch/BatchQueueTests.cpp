// The batch queue without a window: on the scripted engine, whose runs the tests end by hand,
// and on the real engine with generated clips.

#include "app/batch/BatchQueue.h"
#include "app/batch/VideoEditEngine.h"
#include "editor/core/Presets.h"
#include "settings/cdSettings.h"
#include "tests/support/ScriptedEngine.h"
#include "tests/support/TestMedia.h"
#include "tests/support/WaitUntil.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QTime kClock(9, 5, 7);

/// "[time]" as the log writes it at kClock.
QString T() {
    return QLatin1Char('[') + QLocale().toString(kClock, QLocale::LongFormat) + QLatin1Char(']');
}

/// One letter per job: W waiting, C converting, S succeeded, F failed, X stopped.
QString States(const ConversionQueue& queue) {
    QString letters;
    for (const ConversionJob& job : queue.Jobs())
        letters += QLatin1Char("WCSFX"[int(job.state)]);
    return letters;
}

/// Collects what a queue says: its log, and how often its list or run changed.
struct Recorder {
    explicit Recorder(BatchQueue& queue) {
        QObject::connect(&queue, &BatchQueue::logLine, &queue,
                         [this](const QString& line) { lines << line; });
        QObject::connect(&queue, &ConversionQueue::jobInserted, &queue, [this] { ++listChanges; });
        QObject::connect(&queue, &ConversionQueue::jobRemoved, &queue, [this] { ++listChanges; });
        QObject::connect(&queue, &ConversionQueue::jobsReset, &queue, [this] { ++listChanges; });
        QObject::connect(&queue, &ConversionQueue::runningChanged, &queue,
                         [this](bool running) { runs << running; });
        QObject::connect(&queue, &ConversionQueue::progress, &queue,
                         [this](int percent) { lastPercent = percent; });
        QObject::connect(&queue, &ConversionQueue::finished, &queue, [this] { ++finished; });
    }
    QStringList lines;
    int listChanges = 0;
    QList<bool> runs;
    int lastPercent = -1;
    int finished = 0;
};

class ScriptedQueue : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(work.isValid());
        settings.SetPageIndex(0); // MPEG
        for (const char* name : {"a.avi", "b.avi", "c.avi"}) {
            QFile file(work.filePath(QString::fromLatin1(name)));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write("x");
            inputs << file.fileName();
        }
        out = work.filePath("out");
        queue.SetSaveFolder(out);
        queue.SetClock([] { return kClock; });
        for (const QString& input : inputs)
            ASSERT_TRUE(queue.AddJob(input));
        record.listChanges = 0;
    }
    QString Output(const char* name) const { return QDir(out).filePath(QString::fromLatin1(name)); }

    QTemporaryDir work;
    QStringList inputs;
    QString out;
    TcdSettings settings;
    ScriptedEngine engine;
    BatchQueue queue{engine, &settings};
    Recorder record{queue};
};

} // namespace

// Each outcome is decided once: an error fails the file even when more errors and the stop
// event follow; a warning changes nothing; the next file waits for a free engine. A second
// batch starts every file afresh.
TEST_F(ScriptedQueue, ThreeFilesWhereTheSecondFailsThenASecondBatch) {
    ASSERT_TRUE(queue.Start());
    EXPECT_TRUE(queue.IsTicking());
    queue.Tick();
    ASSERT_EQ(engine.setups, QStringList{inputs[0] + "|" + Output("a.mpeg")});
    EXPECT_EQ(queue.CurrentIndex(), 0);
    Q_EMIT engine.progress(150);
    EXPECT_EQ(record.lastPercent, 100);
    engine.Finish();

    queue.Tick(); // b: the run reports errors and goes on winding down
    Q_EMIT engine.error(5, QStringLiteral("broken input"));
    Q_EMIT engine.error(7, QStringLiteral("no graph"));
    EXPECT_EQ(States(queue), QStringLiteral("SFW"));
    EXPECT_FALSE(queue.Busy());
    queue.Tick(); // the engine is not free yet: nothing is reconfigured
    EXPECT_EQ(engine.setups.size(), 2);
    engine.Ended();
    EXPECT_EQ(States(queue), QStringLiteral("SFW"));

    queue.Tick(); // c
    Q_EMIT engine.warning(QStringLiteral("the input ends at 0.4 s of 1.0 s"));
    engine.Finish();
    EXPECT_TRUE(queue.IsRunning());
    queue.Tick(); // nothing waits: the batch ends
    EXPECT_FALSE(queue.IsRunning());
    EXPECT_FALSE(queue.IsTicking());
    EXPECT_EQ(record.finished, 1);
    EXPECT_EQ(engine.setupWhileBusy, 0);
    EXPECT_EQ(States(queue), QStringLiteral("SFS"));
    EXPECT_EQ(queue.Job(1).message, QStringLiteral("broken input"));
    const QStringList expected = {
        "Task begin",
        T() + "Load: a.avi [Success]",
        T() + "Convert to: a.mpeg [Success]",
        T() + "Load: b.avi [Success]",
        "[Error message]: broken input",
        T() + "Load: c.avi [Success]",
        "[Warning]: the input ends at 0.4 s of 1.0 s",
        T() + "Convert to: c.mpeg [Success]",
        "Task End\r\n",
    };
    EXPECT_EQ(record.lines, expected);
    EXPECT_EQ(record.runs, (QList<bool>{true, false}));

    record.lines.clear();
    ASSERT_TRUE(queue.Start());
    EXPECT_EQ(States(queue), QStringLiteral("WWW"));
    EXPECT_EQ(queue.CurrentIndex(), -1);
    EXPECT_EQ(queue.Job(1).message, QString());
    EXPECT_EQ(record.lines, QStringList{"Task begin"});
    queue.Tick();
    EXPECT_EQ(engine.setups.size(), 4);
    EXPECT_EQ(engine.setups.last(), inputs[0] + "|" + Output("a.mpeg"));
}

// Stop ends the batch at once: the running file is stopped, not converted, also when its run
// then ends well; the files after it keep waiting.
TEST_F(ScriptedQueue, StopMidFile) {
    ASSERT_TRUE(queue.Start());
    queue.Tick();
    Q_EMIT engine.progress(40);
    queue.Stop();
    EXPECT_EQ(engine.stopRequests, 1);
    EXPECT_FALSE(queue.IsRunning());
    EXPECT_FALSE(queue.IsTicking());
    EXPECT_EQ(States(queue), QStringLiteral("XWW"));
    engine.Finish(); // the run's late stop event, with a written file
    queue.Tick();
    EXPECT_EQ(States(queue), QStringLiteral("XWW"));
    EXPECT_EQ(engine.setups.size(), 1);
    EXPECT_EQ(record.finished, 0);
    EXPECT_EQ(record.lines, (QStringList{"Task begin", T() + "Load: a.avi [Success]",
                                         T() + "Stopped: a.avi [Not converted]"}));
}

// While a batch runs its list cannot change: every attempt is refused and leaves the jobs,
// their order and their states as they were. Once stopped, the list changes again.
TEST_F(ScriptedQueue, ListChangesDuringARunAreRefused) {
    ASSERT_TRUE(queue.Start());
    queue.Tick();
    EXPECT_FALSE(queue.AddJob(work.filePath("d.avi")));
    EXPECT_FALSE(queue.RemoveJobs({0}));
    EXPECT_FALSE(queue.RemoveJobs({2}));
    EXPECT_FALSE(queue.Clear());
    EXPECT_FALSE(queue.Reorder({2, 1, 0}));
    EXPECT_FALSE(queue.Begin());
    EXPECT_EQ(record.listChanges, 0);
    ASSERT_EQ(queue.Count(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(queue.Job(i).input, inputs[i]);
    EXPECT_EQ(States(queue), QStringLiteral("CWW"));
    EXPECT_EQ(queue.CurrentIndex(), 0);
    engine.Finish();
    EXPECT_EQ(States(queue), QStringLiteral("SWW"));

    queue.Stop();
    EXPECT_TRUE(queue.Reorder({2, 1, 0}));
    EXPECT_EQ(queue.Job(0).input, inputs[2]);
    EXPECT_FALSE(queue.Reorder({0, 0, 1})); // no permutation
    EXPECT_TRUE(queue.RemoveJobs({0, 2}));
    EXPECT_EQ(queue.Count(), 1);
    EXPECT_FALSE(queue.RemoveJobs({1}));
    EXPECT_TRUE(queue.AddJob(work.filePath("d.avi")));
    EXPECT_EQ(queue.Count(), 2);
}

// A file is converted only when the engine says so and the output is there: a file gone since
// it was listed fails without an engine run, and so does a run that ends without error but
// without an output file.
TEST_F(ScriptedQueue, FailuresTheEngineDoesNotReport) {
    ASSERT_TRUE(QFile::remove(inputs[1]));
    ASSERT_TRUE(queue.Start());
    queue.Tick();
    engine.Ended(); // a: no output written
    queue.Tick();   // b: missing
    EXPECT_EQ(engine.setups.size(), 1);
    queue.Tick();
    engine.Finish();
    queue.Tick();
    EXPECT_EQ(States(queue), QStringLiteral("FFS"));
    EXPECT_EQ(
        record.lines,
        (QStringList{
            "Task begin", T() + "Load: a.avi [Success]",
            "[Error message]: the conversion ended without writing " + Output("a.mpeg"),
            T() + "Load: b.avi [Success]", "[Error message]: Input file not found: " + inputs[1],
            T() + "Load: c.avi [Success]", T() + "Convert to: c.mpeg [Success]", "Task End\r\n"}));
}

namespace {

/// The shape a folder-watching mode builds on: jobs join while the run is on and the run waits
/// for them when none is left.
class WatchingQueue : public ConversionQueue {
public:
    using ConversionQueue::ConversionQueue;
    QStringList taken;

protected:
    QString OutputPathFor(const ConversionJob& job) const override {
        return job.input + QStringLiteral(".out");
    }
    bool AcceptsJobsWhileRunning() const override { return true; }
    bool KeepsRunningWhenIdle() const override { return true; }
    void OnJobTaken(const ConversionJob& job) override { taken << job.caption; }
};

} // namespace

TEST(WatchingQueue, TakesJobsThatArriveWhileItRuns) {
    QTemporaryDir work;
    ScriptedEngine engine;
    WatchingQueue queue(engine);
    ASSERT_TRUE(queue.Start());
    queue.Tick();
    EXPECT_TRUE(queue.IsRunning());
    const QString file = work.filePath("new.avi");
    ASSERT_TRUE(QFile(file).open(QIODevice::WriteOnly));
    ASSERT_TRUE(queue.AddJob(file));
    EXPECT_FALSE(queue.RemoveJobs({0})); // the running list still never shrinks
    queue.Tick();
    EXPECT_EQ(engine.setups, QStringList{file + "|" + file + ".out"});
    engine.Finish();
    queue.Tick();
    EXPECT_TRUE(queue.IsRunning());
    EXPECT_EQ(States(queue), QStringLiteral("S"));
    EXPECT_EQ(queue.taken, QStringList{"new.avi"});
}

namespace {

class RealQueue : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(work.isValid());
        settings.SetPageIndex(3); // FLV
        queue.SetSaveFolder(work.filePath("out"));
        queue.SetClock([] { return kClock; });
        queue.SetTickInterval(20);
        QObject::connect(&engine, &EngineAdapter::error, &engine,
                         [this](int, const QString& text) { errors << text; });
    }
    QString Clip(const char* name, double seconds) {
        const QString path = work.filePath(QString::fromLatin1(name));
        EXPECT_TRUE(testsupport::MakeTestAvi(path, seconds)) << name;
        return path;
    }

    QTemporaryDir work;
    TcdSettings settings;
    VideoEditEngine engine{&settings};
    BatchQueue queue{engine, &settings};
    Recorder record{queue};
    QStringList errors;
};

} // namespace

TEST_F(RealQueue, ThreeFilesWhereTheSecondFails) {
    const QStringList files = {Clip("first.avi", 1.0), Clip("second.avi", 1.0),
                               Clip("third.avi", 1.0)};
    { // the second is no AVI any more
        QFile damaged(files[1]);
        ASSERT_TRUE(damaged.open(QIODevice::WriteOnly | QIODevice::Truncate));
        damaged.write(QByteArray(4096, '\x5a'));
    }
    for (const QString& file : files)
        ASSERT_TRUE(queue.AddJob(file));
    record.listChanges = 0;
    ASSERT_TRUE(queue.Start());
    ASSERT_TRUE(WaitUntil([this] { return queue.Busy(); }, 5000));
    EXPECT_FALSE(queue.AddJob(Clip("late.avi", 0.2)));
    EXPECT_FALSE(queue.RemoveJobs({queue.CurrentIndex()}));
    EXPECT_EQ(record.listChanges, 0);
    ASSERT_TRUE(WaitUntil([this] { return !queue.IsRunning(); }, 60000))
        << record.lines.join('\n').toStdString();

    EXPECT_EQ(States(queue), QStringLiteral("SFS")) << record.lines.join('\n').toStdString();
    ASSERT_FALSE(errors.isEmpty());
    const QStringList expected = {
        "Task begin",
        T() + "Load: first.avi [Success]",
        T() + "Convert to: first.flv [Success]",
        T() + "Load: second.avi [Success]",
        "[Error message]: " + errors.first(),
        T() + "Load: third.avi [Success]",
        T() + "Convert to: third.flv [Success]",
        "Task End\r\n",
    };
    EXPECT_EQ(record.lines, expected);
    for (const char* name : {"first.flv", "third.flv"}) {
        const auto info = testsupport::ProbeMedia(work.filePath("out/") + name);
        ASSERT_TRUE(info.ok) << name << " " << info.error.toStdString();
        EXPECT_EQ(info.videoCodec, "flv1") << name;
        EXPECT_NEAR(info.durationSec, 1.0, 0.15) << name;
    }

    // A second batch starts every file afresh.
    ASSERT_TRUE(queue.Begin());
    EXPECT_EQ(States(queue), QStringLiteral("WWW"));
    queue.Stop();
}

TEST_F(RealQueue, StopMidFile) {
    // DVD PAL MPEG-2 from 320x240: slow enough to be stopped between two progress reports.
    ASSERT_TRUE(ApplyPresetToSettings(0, 3, settings));
    settings.SetPageIndex(0);
    testsupport::TestAviOptions options;
    options.seconds = 10;
    options.width = 320;
    options.height = 240;
    const QString file = work.filePath("long.avi");
    ASSERT_TRUE(testsupport::MakeTestAvi(file, options));
    ASSERT_TRUE(queue.AddJob(file));
    ASSERT_TRUE(queue.AddJob(file, QStringLiteral("again")));
    // Stopped from inside the first progress report, while the run waits for it: mid-file.
    int stoppedAt = -1;
    QObject::connect(&queue, &ConversionQueue::progress, &queue, [&](int percent) {
        if (percent > 0 && stoppedAt < 0) {
            stoppedAt = percent;
            queue.Stop();
        }
    });
    ASSERT_TRUE(queue.Start());
    ASSERT_TRUE(WaitUntil([&] { return stoppedAt >= 0; }, 10000));
    EXPECT_LT(stoppedAt, 100);
    EXPECT_EQ(States(queue), QStringLiteral("XW"));
    ASSERT_TRUE(WaitUntil([this] { return engine.IsFree(); }, 30000));
    WaitUntil([] { return false; }, 200); // late events change nothing
    EXPECT_EQ(States(queue), QStringLiteral("XW"));
    EXPECT_EQ(record.lines, (QStringList{"Task begin", T() + "Load: long.avi [Success]",
                                         T() + "Stopped: long.avi [Not converted]"}));
    const QStringList left = QDir(work.filePath("out")).entryList(QDir::Files);
    EXPECT_TRUE(left.isEmpty()) << "no partial file is left: " << left.join(' ').toStdString();
}

TEST_F(RealQueue, AnInputCutShortConvertsWithAWarning) {
    const QString whole = Clip("whole.avi", 2.0);
    const QString cut = work.filePath("cut.avi");
    ASSERT_TRUE(testsupport::MakeTruncatedCopy(whole, cut, 40));
    ASSERT_TRUE(queue.AddJob(cut));
    ASSERT_TRUE(queue.Start());
    ASSERT_TRUE(WaitUntil([this] { return !queue.IsRunning(); }, 60000))
        << record.lines.join('\n').toStdString();

    // The file still counts as converted; the warning says how much of it there was.
    EXPECT_EQ(States(queue), QStringLiteral("S")) << record.lines.join('\n').toStdString();
    ASSERT_EQ(record.lines.size(), 5) << record.lines.join('\n').toStdString();
    EXPECT_EQ(record.lines[1], T() + "Load: cut.avi [Success]");
    EXPECT_TRUE(record.lines[2].startsWith("[Warning]: ")) << record.lines[2].toStdString();
    EXPECT_TRUE(record.lines[2].contains("of 2.00 s")) << record.lines[2].toStdString();
    EXPECT_EQ(record.lines[3], T() + "Convert to: cut.flv [Success]");
    const auto info = testsupport::ProbeMedia(work.filePath("out/cut.flv"));
    ASSERT_TRUE(info.ok) << info.error.toStdString();
    EXPECT_LT(info.durationSec, 1.5);
}
