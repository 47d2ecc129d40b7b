#include "HotDirTestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <gtest/gtest.h>

namespace {

struct RunningMonitor {
    explicit RunningMonitor(const QString& folder) {
        monitor.Directory = folder;
        monitor.ExtensionFilter = ".avi";
        log.Attach(monitor);
        started = monitor.Start();
    }
    DirectoryMonitor monitor;
    HandOverLog log;
    bool started = false;
};

void Append(const QString& path, int bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::Append));
    file.write(QByteArray(bytes, 'a'));
}

} // namespace

// Two writers in processes of their own append 4 KiB every 150 ms; one then keeps the file open
// without writing for 2.5 s (longer than readiness takes), the other closes right after its last
// write.
TEST(MonitorReadiness, SlowlyWrittenFileIsHandedOverOnceTwoToThreeSecondsAfterClose) {
    QTemporaryDir dir;
    RunningMonitor run(dir.path());
    ASSERT_TRUE(run.started) << run.monitor.LastError().toStdString();
    const QString quiet = dir.filePath("quiet.avi");
    const QString busy = dir.filePath("busy.avi");
    HelperProcess quietWriter;
    HelperProcess busyWriter;
    quietWriter.Start({"append", quiet, "150", "14", "2500"});
    busyWriter.Start({"append", busy, "150", "18", "0"});

    ASSERT_TRUE(SpinUntil([&] { return run.log.Size() >= 2; }, 12000));
    SpinFor(1500); // time for a duplicate to show up
    ASSERT_EQ(quietWriter.Wait(1000), 0);
    ASSERT_EQ(busyWriter.Wait(1000), 0);

    EXPECT_EQ(run.log.CountOf(quiet), 1);
    EXPECT_EQ(run.log.CountOf(busy), 1);
    const double quietDelay = SecondsBetween(*quietWriter.CloseTime(), *run.log.FirstAt(quiet));
    EXPECT_GE(quietDelay, 2.0);
    EXPECT_LE(quietDelay, 3.0);
    // Readiness comes at most 3.0 s after the last write; the rest allows for timer latency
    // on a loaded machine.
    const double busyDelay = SecondsBetween(*busyWriter.CloseTime(), *run.log.FirstAt(busy));
    EXPECT_GE(busyDelay, 2.0);
    EXPECT_LE(busyDelay, 3.25);
}

TEST(MonitorReadiness, EmptyFileWaitsUntilItGrows) {
    QTemporaryDir dir;
    RunningMonitor run(dir.path());
    ASSERT_TRUE(run.started);
    const QString path = dir.filePath("empty.avi");
    WriteFile(path, 0);
    SpinFor(3500);
    EXPECT_EQ(run.log.Size(), 0);

    Append(path, 10);
    const auto grown = Clock::now();
    ASSERT_TRUE(SpinUntil([&] { return run.log.Size() > 0; }, 5000));
    SpinFor(600);
    EXPECT_EQ(run.log.Paths(), QStringList{path});
    EXPECT_GE(SecondsBetween(grown, *run.log.FirstAt(path)), 2.0);
}

TEST(MonitorReadiness, CandidatesFollowTheFilterAndRenamesAndDeletions) {
    QTemporaryDir dir;
    QTemporaryDir outside;
    RunningMonitor run(dir.path());
    ASSERT_TRUE(run.started);
    for (const char* name : {"clip.AVI", "clip.mpg", "clip", "clip.avi.tmp", "gone.avi", "away.avi",
                             "leaving.avi", "draft.tmp"})
        WriteFile(dir.filePath(name), 300);
    WriteFile(outside.filePath("arriving.avi"), 300);
    ASSERT_TRUE(QFile::rename(outside.filePath("arriving.avi"), dir.filePath("arriving.avi")));
    ASSERT_TRUE(QFile::rename(dir.filePath("draft.tmp"), dir.filePath("final.avi")));

    SpinFor(1000); // all are waiting now, none is ready yet
    EXPECT_EQ(run.log.Size(), 0);
    ASSERT_TRUE(QFile::remove(dir.filePath("gone.avi")));
    ASSERT_TRUE(QFile::rename(dir.filePath("away.avi"), dir.filePath("away.avi.tmp")));
    ASSERT_TRUE(QFile::rename(dir.filePath("leaving.avi"), outside.filePath("leaving.avi")));

    SpinFor(3500);
    QStringList handed = run.log.Paths();
    handed.sort();
    EXPECT_EQ(handed, (QStringList{dir.filePath("arriving.avi"), dir.filePath("clip.AVI"),
                                   dir.filePath("final.avi")}));
}
