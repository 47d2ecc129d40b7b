#include "HotDirTestSupport.h"

#include "hotdir/TWaitThread.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <unistd.h>

namespace {

int MaxQueuedEvents() {
    QFile file("/proc/sys/fs/inotify/max_queued_events");
    return file.open(QIODevice::ReadOnly) ? file.readAll().trimmed().toInt() : 16384;
}

/// Whether a second, unread inotify instance on the folder saw its queue overflow.
bool Overflowed(int fd) {
    alignas(inotify_event) char buffer[65536];
    ssize_t got;
    while ((got = ::read(fd, buffer, sizeof buffer)) > 0) {
        for (ssize_t offset = 0; offset < got;) {
            const auto* record = reinterpret_cast<const inotify_event*>(buffer + offset);
            if (record->mask & IN_Q_OVERFLOW)
                return true;
            offset += sizeof(inotify_event) + record->len;
        }
    }
    return false;
}

} // namespace

// The worker is parked on the waiting lock while far more changes happen than the kernel's
// queue holds; the changes made after the queue filled up are lost, and only the rescan that
// follows the overflow record can find those files.
TEST(MonitorRescan, FilesChangedWhileTheQueueOverflowedAreStillHandedOver) {
    QTemporaryDir dir;
    const QDir root(dir.path());
    DirectoryMonitor monitor;
    monitor.Directory = dir.path();
    monitor.WatchSubtree = true;
    monitor.ExtensionFilter = ".avi";
    HandOverLog log;
    log.Attach(monitor);
    ASSERT_TRUE(monitor.Start());

    const QString early = root.filePath("early.avi");
    WriteFile(early, 100);
    ASSERT_TRUE(SpinUntil([&] { return log.Size() == 1; }, 5000));

    const int witness = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ::inotify_add_watch(witness, QFile::encodeName(dir.path()).constData(), IN_MODIFY);
    QStringList lost;
    {
        std::lock_guard parkWorker(HotDirLocks::Waiting());
        WriteFile(root.filePath("first.avi"), 100);
        const int a = ::open(QFile::encodeName(root.filePath("a.txt")), O_WRONLY | O_CREAT, 0644);
        const int b = ::open(QFile::encodeName(root.filePath("b.txt")), O_WRONLY | O_CREAT, 0644);
        // Alternating names keep the kernel from merging the records.
        for (int i = 0; i < MaxQueuedEvents() / 2 + 1000; ++i) {
            (void)!::write(a, "x", 1);
            (void)!::write(b, "x", 1);
        }
        ::close(a);
        ::close(b);
        for (int i = 0; i < 5; ++i) {
            lost << root.filePath(QString("lost%1.avi").arg(i));
            WriteFile(lost.last(), 100);
        }
        root.mkpath("lostdir");
        lost << root.filePath("lostdir/in.avi");
        WriteFile(lost.last(), 100);
    }
    EXPECT_TRUE(Overflowed(witness)) << "the scenario must overflow the queue";
    ::close(witness);

    ASSERT_TRUE(SpinUntil([&] { return log.Size() >= 8; }, 10000)) << log.Size();
    SpinFor(1000);
    EXPECT_EQ(log.CountOf(early), 1) << "handed over before and unchanged since";
    EXPECT_EQ(log.CountOf(root.filePath("first.avi")), 1);
    for (const QString& path : lost)
        EXPECT_EQ(log.CountOf(path), 1) << path.toStdString();
    EXPECT_EQ(log.Size(), 8);
}

TEST(MonitorRescan, PeriodicRescanOffersEachChangeOnce) {
    QTemporaryDir dir;
    WriteFile(dir.filePath("existing.avi"), 100);
    DirectoryMonitor monitor;
    monitor.Directory = dir.path();
    monitor.ExtensionFilter = ".avi";
    HandOverLog log;
    log.Attach(monitor);
    ASSERT_TRUE(monitor.Start());
    EXPECT_EQ(monitor.ActiveRescanIntervalMs(), 0) << "a local disk needs no rescans";
    monitor.Stop();

    monitor.RescanIntervalMs = 250;
    ASSERT_TRUE(monitor.Start());
    EXPECT_EQ(monitor.ActiveRescanIntervalMs(), 250);
    const QString path = dir.filePath("a.avi");
    WriteFile(path, 100);
    ASSERT_TRUE(SpinUntil([&] { return log.Size() == 1; }, 5000));
    SpinFor(1500);
    EXPECT_EQ(log.Paths(), QStringList{path});

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::Append));
    file.write("more");
    file.close();
    ASSERT_TRUE(SpinUntil([&] { return log.Size() == 2; }, 5000));
    SpinFor(1500);
    EXPECT_EQ(log.Paths(), (QStringList{path, path}));
}
