// The hot-directory mode without a window: the real folder watcher on temporary folders, with
// the scripted engine (runs ended by hand, a clock set by the test) and with the real engine on
// generated clips.

#include "app/batch/HotDirQueue.h"
#include "app/batch/VideoEditEngine.h"
#include "editor/core/Presets.h"
#include "hotdir/FolderWatch.h"
#include "settings/cdSettings.h"
#include "tests/support/ScriptedEngine.h"
#include "tests/support/TestMedia.h"
#include "tests/support/WaitUntil.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void WriteBytes(const QString& path, int bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(QByteArray(bytes, 'x'));
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

/// The log's lines as written: CR LF after each.
QByteArray Lines(const QStringList& lines) {
    QByteArray bytes;
    for (const QString& line : lines)
        bytes += line.toLocal8Bit() + "\r\n";
    return bytes;
}

/// One letter per job: W waiting, C converting, S succeeded, F failed, X stopped.
QString States(const ConversionQueue& queue) {
    QString letters;
    for (const ConversionJob& job : queue.Jobs())
        letters += QLatin1Char("WCSFX"[int(job.state)]);
    return letters;
}

QString TimeOf(const QDateTime& at) {
    return QLocale().toString(at.time(), QLocale::LongFormat);
}

/// Input, output and log folders in a temporary folder, a queue on the scripted engine whose
/// clock the test sets, and what the queue reports.
class ScriptedHotDir : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(work.isValid());
        settings.SetPageIndex(3); // FLV
        for (const char* folder : {"in", "out", "log"})
            ASSERT_TRUE(QDir(work.path()).mkpath(QString::fromLatin1(folder)));
        folders = {work.filePath("in"), work.filePath("out"), work.filePath("log"), true};
        queue.SetClock([this] { return now; });
        queue.Monitor().StableChecks = 1; // ready at the first check after the last change
        QObject::connect(&queue, &HotDirQueue::logLine, &queue,
                         [this](const QString& line) { lines << line; });
        QObject::connect(&queue, &HotDirQueue::problem, &queue,
                         [this](const QString& text) { problems << text; });
    }
    QString In(const char* name) const { return work.filePath(QStringLiteral("in/") + name); }
    QString Out(const char* name) const { return work.filePath(QStringLiteral("out/") + name); }
    QString LogFile(const QDateTime& at) const {
        return HotDirQueue::LogFileNameFor(work.filePath("log"), at.date());
    }
    /// Waits until the engine was set up @p count times in all.
    bool WaitForSetups(int count, int timeoutMs = 8000) {
        return WaitUntil([&] { return engine.setups.size() >= count; }, timeoutMs);
    }

    QTemporaryDir work;
    TcdSettings settings;
    ScriptedEngine engine;
    HotDirQueue queue{engine, &settings};
    HotDirFolders folders;
    QDateTime now{QDate(2026, 3, 7), QTime(14, 5, 9)};
    QStringList lines;
    QStringList problems;
};

} // namespace

// A clip in a sub-folder lands in the same sub-folder of the output tree with the extension of
// the target format, the folder made for it; the daily log file is named "yy-mm-dd.log" and gets
// the job's lines with CR LF, appended to what it holds (kept byte for byte, same file).
TEST_F(ScriptedHotDir, ClipInASubFolderLandsInTheMirroredFolderAndIsLogged) {
    const QString logFile = LogFile(now);
    EXPECT_EQ(logFile, work.filePath("log/26-03-07.log"));
    const QByteArray earlier("\xff\xfe an earlier line of today\n", 28);
    {
        QFile file(logFile);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(earlier);
    }
    struct stat before {};
    ASSERT_EQ(::stat(QFile::encodeName(logFile).constData(), &before), 0);

    ASSERT_TRUE(queue.StartWatching(folders).Ok());
    queue.SetTickInterval(20);
    WriteBytes(In("sub/deep/clip.avi"), 2000);
    WriteBytes(In("notes.txt"), 10);
    ASSERT_TRUE(WaitForSetups(1)) << lines.join('\n').toStdString();
    EXPECT_EQ(engine.setups.first(), In("sub/deep/clip.avi") + "|" + Out("sub/deep/clip.flv"));
    EXPECT_TRUE(QFileInfo(Out("sub/deep")).isDir()) << "made before the engine runs";
    Q_EMIT engine.warning(QStringLiteral("the input ends at 0.4 s of 1.0 s"));
    engine.Finish();
    EXPECT_EQ(States(queue), "S");
    EXPECT_TRUE(queue.IsWatching());

    const QString t = TimeOf(now);
    const QStringList expected = {
        "Start: [" + t + "]", "Load: " + In("sub/deep/clip.avi") + " [Success]",
        "[Warning]: the input ends at 0.4 s of 1.0 s",
        "Save to: " + Out("sub/deep/clip.flv") + " [Success]", "Finish: [" + t + "]"};
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(ReadAll(logFile), earlier + Lines(expected));
    struct stat after {};
    ASSERT_EQ(::stat(QFile::encodeName(logFile).constData(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino) << "appended in place, not replaced";
    EXPECT_TRUE(problems.isEmpty()) << problems.join('\n').toStdString();

    // Without sub-folders only the top folder is watched.
    queue.StopWatching();
    folders.subFolders = false;
    ASSERT_TRUE(queue.StartWatching(folders).Ok());
    WriteBytes(In("sub/second.avi"), 2000);
    WriteBytes(In("top.avi"), 2000);
    ASSERT_TRUE(WaitForSetups(2));
    engine.Finish();
    WaitUntil([] { return false; }, 1200);
    EXPECT_EQ(engine.setups.size(), 2);
    EXPECT_EQ(engine.setups.last(), In("top.avi") + "|" + Out("top.flv"));
}

// A failing job leaves "Start:", "Load:" and one error line, however many errors and stop
// events the run sends; the next job goes on.
TEST_F(ScriptedHotDir, FailingJobLeavesStartLoadAndOneErrorLine) {
    ASSERT_TRUE(queue.StartWatching(folders).Ok());
    WriteBytes(In("bad.avi"), 10);
    queue.OnHotFileReady(In("bad.avi"));
    queue.Tick();
    Q_EMIT engine.error(5, QStringLiteral("broken input"));
    Q_EMIT engine.error(7, QStringLiteral("no graph"));
    engine.Ended();
    const QString t = TimeOf(now);
    const QStringList expected = {"Start: [" + t + "]", "Load: " + In("bad.avi") + " [Success]",
                                  "[Error message]: broken input"};
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(ReadAll(LogFile(now)), Lines(expected));
    EXPECT_EQ(States(queue), "F");
    EXPECT_FALSE(QFileInfo::exists(Out("bad.flv")));

    WriteBytes(In("good.avi"), 10);
    queue.OnHotFileReady(In("good.avi"));
    queue.Tick();
    engine.Finish();
    EXPECT_EQ(States(queue), "FS");
}

// The clock passes midnight during a job: its first lines go into the old day's file, the rest
// into the new day's.
TEST_F(ScriptedHotDir, DayChangeSplitsAJobsLinesAcrossTwoFiles) {
    ASSERT_TRUE(queue.StartWatching(folders).Ok());
    WriteBytes(In("late.avi"), 10);
    now = QDateTime(QDate(2026, 12, 31), QTime(23, 59, 58));
    const QDateTime before = now;
    queue.OnHotFileReady(In("late.avi"));
    queue.Tick();
    now = QDateTime(QDate(2027, 1, 1), QTime(0, 0, 3));
    engine.Finish();
    EXPECT_EQ(LogFile(before), work.filePath("log/26-12-31.log"));
    EXPECT_EQ(LogFile(now), work.filePath("log/27-01-01.log"));
    EXPECT_EQ(ReadAll(LogFile(before)),
              Lines({"Start: [" + TimeOf(before) + "]", "Load: " + In("late.avi") + " [Success]"}));
    EXPECT_EQ(ReadAll(LogFile(now)), Lines({"Save to: " + Out("late.flv") + " [Success]",
                                            "Finish: [" + TimeOf(now) + "]"}));
    EXPECT_EQ(queue.LogFileName(), LogFile(now));
}

// A file reported again while its job converts was rewritten meanwhile: it is converted again
// once the running job ends. Reports while that second job still waits stay one job.
TEST_F(ScriptedHotDir, FileReportedAgainWhileConvertingIsConvertedTwice) {
    ASSERT_TRUE(queue.StartWatching(folders).Ok());
    const QString clip = In("clip.avi");
    WriteBytes(clip, 10);
    queue.OnHotFileReady(clip);
    queue.Tick();
    ASSERT_EQ(States(queue), "C");
    queue.OnHotFileReady(clip);
    queue.OnHotFileReady(clip);
    EXPECT_EQ(States(queue), "CW");
    engine.Finish();
    EXPECT_EQ(States(queue), "SW") << "the second report is not marked done unconverted";
    queue.Tick();
    engine.Finish();
    EXPECT_EQ(States(queue), "SS");
    EXPECT_EQ(engine.setups, QStringList(2, clip + "|" + Out("clip.flv")));
    EXPECT_EQ(lines.count("Save to: " + Out("clip.flv") + " [Success]"), 2);
    EXPECT_EQ(lines.count("Finish: [" + TimeOf(now) + "]"), 2);
    EXPECT_EQ(ReadAll(LogFile(now)).count("Finish: "), 2);
}

// Stop ends the mode at once: the converting job is stopped and logged so, the list is emptied,
// nothing more is taken and the run's late stop event changes nothing.
TEST_F(ScriptedHotDir, StopDuringAConversion) {
    ASSERT_TRUE(queue.StartWatching(folders).Ok());
    WriteBytes(In("a.avi"), 10);
    WriteBytes(In("b.avi"), 10);
    queue.OnHotFileReady(In("a.avi"));
    queue.OnHotFileReady(In("b.avi"));
    queue.Tick();
    queue.StopWatching();
    EXPECT_EQ(engine.stopRequests, 1);
    EXPECT_FALSE(queue.IsWatching());
    EXPECT_FALSE(queue.Monitor().IsRunning());
    EXPECT_EQ(queue.Count(), 0);
    engine.Ended();
    queue.OnHotFileReady(In("b.avi")); // a late hand-over starts nothing
    queue.Tick();
    EXPECT_EQ(queue.Count(), 0);
    EXPECT_EQ(engine.setups.size(), 1);
    EXPECT_EQ(lines.last(), "Stopped: " + In("a.avi") + " [Not converted]");
}

// A log line that cannot be written (something else in the way of the file, a full disk) is
// reported once; the jobs are converted all the same, and their lines still reach the window.
TEST_F(ScriptedHotDir, LogThatCannotBeWrittenIsReportedOnceAndJobsGoOn) {
    const struct Case {
        const char* what;
        std::function<void(const QString& logFile)> block;
        const char* reason;
    } cases[] = {
        {"a folder of that name", [](const QString& f) { ASSERT_TRUE(QDir().mkpath(f)); },
         "directory"},
        {"a full disk", [](const QString& f) { ASSERT_TRUE(QFile::link("/dev/full", f)); },
         "No space left on device"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString logFile = LogFile(now);
        c.block(logFile);
        problems.clear();
        lines.clear();
        engine.setups.clear();
        ASSERT_TRUE(queue.StartWatching(folders).Ok());
        for (const char* name : {"a.avi", "b.avi"}) {
            WriteBytes(In(name), 10);
            queue.OnHotFileReady(In(name));
            queue.Tick();
            engine.Finish();
        }
        EXPECT_EQ(States(queue), "SS");
        EXPECT_EQ(lines.size(), 8);
        ASSERT_EQ(problems.size(), 1) << problems.join('\n').toStdString();
        EXPECT_TRUE(problems[0].startsWith("Cannot write the log file " + logFile + ": "))
            << problems[0].toStdString();
        EXPECT_TRUE(problems[0].contains(QString::fromLatin1(c.reason), Qt::CaseInsensitive))
            << problems[0].toStdString();
        queue.StopWatching();
        QFileInfo(logFile).isSymLink() ? QFile::remove(logFile) : QDir(logFile).removeRecursively();
    }
    // Writable again: the lines reach the file.
    ASSERT_TRUE(queue.StartWatching(folders).Ok());
    WriteBytes(In("c.avi"), 10);
    queue.OnHotFileReady(In("c.avi"));
    queue.Tick();
    EXPECT_TRUE(ReadAll(LogFile(now)).startsWith("Start: ["));
}

namespace {

// Watches on folders named "locked" fail with EACCES while g_locked holds, as they would for a
// user without read permission (the tests may run as root, whom permissions do not stop).
std::atomic<bool> g_locked{true};

int LockedAddWatch(int fd, const char* path, uint32_t mask) {
    const QByteArray p(path);
    if (g_locked.load() && (p.endsWith("/locked") || p.endsWith("/locked/"))) {
        errno = EACCES;
        return -1;
    }
    return ::inotify_add_watch(fd, path, mask);
}

struct AddWatchSeam {
    AddWatchSeam() { FolderWatch::SetAddWatchCall(&LockedAddWatch); }
    ~AddWatchSeam() { FolderWatch::SetAddWatchCall(nullptr); }
};

} // namespace

// A sub-folder that cannot be watched is reported with the system's reason while its siblings
// convert; once it can be watched, the file that waited in it is converted too.
TEST_F(ScriptedHotDir, UnwatchableSubFolderIsReportedWhileItsSiblingsConvert) {
    const AddWatchSeam seam;
    g_locked = true;
    WriteBytes(In("locked/waiting.avi"), 2000);
    QDir().mkpath(In("open"));
    queue.Monitor().UnwatchedRetryIntervalMs = 300;
    queue.SetTickInterval(20);
    ASSERT_TRUE(queue.StartWatching(folders).Ok());
    ASSERT_TRUE(WaitUntil([&] { return !problems.isEmpty(); }, 3000));
    EXPECT_EQ(problems, QStringList{"Cannot watch " + In("locked") + ": Permission denied"});

    WriteBytes(In("open/a.avi"), 2000);
    ASSERT_TRUE(WaitForSetups(1));
    EXPECT_EQ(engine.setups.last(), In("open/a.avi") + "|" + Out("open/a.flv"));
    engine.Finish();
    WaitUntil([] { return false; }, 700); // retries that fail again are not reported again
    EXPECT_EQ(problems.size(), 1);

    g_locked = false;
    ASSERT_TRUE(WaitForSetups(2)) << problems.join('\n').toStdString();
    EXPECT_EQ(engine.setups.last(), In("locked/waiting.avi") + "|" + Out("locked/waiting.flv"));
    engine.Finish();
    EXPECT_EQ(States(queue), "SS");
    queue.StopWatching();
}

// What cannot start: each problem is found before anything starts, with a text that names the
// folder; with createMissing the output and log folders are made when missing.
TEST_F(ScriptedHotDir, FoldersThatCannotServeAreRefusedAndNothingStarts) {
    WriteBytes(work.filePath("plain.txt"), 10);
    const QString file = work.filePath("plain.txt");
    const QString in = work.filePath("in");
    const QString out = work.filePath("out");
    const QString log = work.filePath("log");
    const struct Case {
        HotDirFolders folders;
        bool create;
        HotDirProblem problem;
        QString named;
    } cases[] = {
        {{work.filePath("none"), out, log}, true, HotDirProblem::InputMissing, "none"},
        {{file, out, log}, true, HotDirProblem::InputMissing, file},
        {{"", out, log}, true, HotDirProblem::InputMissing, "input"},
        {{in, work.filePath("new/out"), log}, false, HotDirProblem::OutputMissing, "new/out"},
        {{in, file + "/out", log}, true, HotDirProblem::OutputUnusable, "Not a directory"},
        {{in, file, log}, true, HotDirProblem::OutputUnusable, "not a folder"},
        {{in, out, work.filePath("new/log")}, false, HotDirProblem::LogMissing, "new/log"},
        {{in, out, "/proc/reelvane-log"}, true, HotDirProblem::LogUnwritable, "/proc"},
        {{in, in, log}, true, HotDirProblem::OutputInsideInput, "inside"},
        {{in, in + "/converted", log}, true, HotDirProblem::OutputInsideInput, "inside"},
        {{in, in + "/converted", log}, false, HotDirProblem::OutputMissing, "converted"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.named.toStdString());
        const HotDirCheck check = queue.StartWatching(c.folders, c.create);
        EXPECT_EQ(check.problem, c.problem) << check.text.toStdString();
        EXPECT_TRUE(check.text.contains(c.named)) << check.text.toStdString();
        EXPECT_FALSE(queue.IsWatching());
        EXPECT_FALSE(queue.Monitor().IsRunning());
    }
    EXPECT_FALSE(QFileInfo::exists(in + "/converted")) << "nothing made inside the input";
    EXPECT_TRUE(lines.isEmpty());

    const HotDirCheck made = queue.StartWatching(
        {in, work.filePath("made/out"), work.filePath("made/log"), false}, true);
    EXPECT_TRUE(made.Ok()) << made.text.toStdString();
    EXPECT_TRUE(QFileInfo(work.filePath("made/out")).isDir());
    EXPECT_TRUE(QFileInfo(work.filePath("made/log")).isDir());
    queue.StopWatching();
}

// "Inside the input folder" is a test on paths with links resolved, not on texts.
TEST(HotDirPaths, OutputInsideInputIsAPathTestAfterResolvingLinks) {
    QTemporaryDir dir;
    const QDir root(dir.path());
    for (const char* folder : {"data/in/sub", "data/in2", "backup/data/in", "elsewhere"})
        ASSERT_TRUE(root.mkpath(QString::fromLatin1(folder)));
    ASSERT_TRUE(QFile::link(root.filePath("data/in"), root.filePath("link-to-in")));
    ASSERT_TRUE(QFile::link(root.filePath("elsewhere"), root.filePath("data/in/link-out")));
    const QString in = root.filePath("data/in");
    const struct Case {
        QString output, input;
        bool inside;
    } cases[] = {
        {in, in, true},
        {in + "/", in, true},
        {in + "/sub", in, true},
        {in + "/not-yet/deeper", in, true},
        {root.filePath("data/in/../in/sub"), in, true},
        {root.filePath("link-to-in"), in, true},
        {root.filePath("link-to-in/sub"), in, true},
        {in + "/sub", root.filePath("link-to-in"), true},
        {root.filePath("backup/data/in"), in, false},
        {root.filePath("data/in2"), in, false},
        {root.filePath("data"), in, false},
        {in + "/link-out", in, false}, // a link out of the input leads elsewhere
        {root.filePath("DATA/IN"), in, false},
        {"", in, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsSameOrInside(c.output, c.input), c.inside)
            << c.output.toStdString() << " in " << c.input.toStdString();
}

namespace {

class RealHotDir : public ScriptedHotDir {
protected:
    VideoEditEngine realEngine{&settings};
    HotDirQueue realQueue{realEngine, &settings};
};

} // namespace

// The real watcher and engine: a clip in a sub-folder becomes an FLV in the same sub-folder of
// the output tree; a damaged one fails with one error line and leaves no output.
TEST_F(RealHotDir, ConvertsAClipInASubFolderAndLogsADamagedOne) {
    ASSERT_TRUE(ApplyPresetToSettings(3, 3, settings)); // FLV row 3 keeps the clip's size
    QStringList realLines;
    QObject::connect(&realQueue, &HotDirQueue::logLine, &realQueue,
                     [&](const QString& line) { realLines << line; });
    realQueue.SetTickInterval(20);
    ASSERT_TRUE(realQueue.StartWatching(folders).Ok());
    const QString staging = work.filePath("staging");
    QDir().mkpath(staging);
    ASSERT_TRUE(testsupport::MakeTestAvi(staging + "/clip.avi", 1.0));
    WriteBytes(staging + "/bad.avi", 4096);
    QDir().mkpath(In("sub"));
    ASSERT_TRUE(QFile::rename(staging + "/clip.avi", In("sub/clip.avi")));
    ASSERT_TRUE(QFile::rename(staging + "/bad.avi", In("bad.avi")));
    ASSERT_TRUE(WaitUntil(
        [&] {
            return realQueue.Count() == 2 && !realQueue.Busy() &&
                   realQueue.Job(0).state != JobState::Waiting &&
                   realQueue.Job(1).state != JobState::Waiting;
        },
        60000))
        << realLines.join('\n').toStdString();
    realQueue.StopWatching();

    const QString log = QString::fromLocal8Bit(ReadAll(LogFile(QDateTime::currentDateTime())));
    EXPECT_EQ(log.count("Start: ["), 2) << log.toStdString();
    EXPECT_EQ(log.count("Load: "), 2);
    EXPECT_EQ(log.count("[Error message]: "), 1) << log.toStdString();
    EXPECT_TRUE(log.contains("Load: " + In("bad.avi") + " [Success]\r\n[Error message]: "))
        << log.toStdString();
    EXPECT_TRUE(log.contains("Save to: " + Out("sub/clip.flv") + " [Success]\r\nFinish: ["))
        << log.toStdString();
    EXPECT_EQ(log.count("Finish: ["), 1);
    EXPECT_FALSE(QFileInfo::exists(Out("bad.flv")));
    const auto info = testsupport::ProbeMedia(Out("sub/clip.flv"));
    ASSERT_TRUE(info.ok) << info.error.toStdString();
    EXPECT_EQ(info.videoCodec, "flv1");
    EXPECT_EQ(info.audioCodec, "mp3");
    EXPECT_EQ(info.width, 160);
    EXPECT_EQ(info.height, 120);
    EXPECT_NEAR(info.durationSec, 1.0, 0.15);
}
