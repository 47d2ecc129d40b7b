#include "HotDirTestSupport.h"

#include "hotdir/TWaitThread.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <thread>
#include <unistd.h>

// The 25 files are moved in while the worker is parked on the waiting lock, so that all of
// them are noticed between the same two checks and become ready in the same check.
TEST(MonitorDispatch, TwentyFiveReadyFilesGoTenTenAndFivePerTickNewestFirst) {
    QTemporaryDir dir;
    QTemporaryDir staging;
    DirectoryMonitor monitor;
    monitor.Directory = dir.path();
    monitor.ExtensionFilter = ".avi";
    HandOverLog log;
    log.Attach(monitor);
    ASSERT_TRUE(monitor.Start());

    QStringList names;
    for (int i = 0; i < 25; ++i) {
        names << QString("f%1.avi").arg(i, 2, 10, QLatin1Char('0'));
        WriteFile(staging.filePath(names.last()), 200);
    }
    {
        std::lock_guard parkWorker(HotDirLocks::Waiting());
        for (const QString& name : names)
            ASSERT_TRUE(QFile::rename(staging.filePath(name), dir.filePath(name)));
    }
    ASSERT_TRUE(SpinUntil([&] { return log.Size() >= 25; }, 8000));
    SpinFor(500);
    ASSERT_EQ(log.Size(), 25);

    QStringList expected;
    for (auto it = names.crbegin(); it != names.crend(); ++it)
        expected << dir.filePath(*it);
    EXPECT_EQ(log.Paths(), expected) << "most recently noticed first";

    std::vector<int> tickSizes{1};
    std::vector<double> gaps;
    for (size_t i = 1; i < log.Entries().size(); ++i) {
        const double gap = SecondsBetween(log.Entries()[i - 1].at, log.Entries()[i].at);
        if (gap > 0.1) {
            tickSizes.push_back(1);
            gaps.push_back(gap);
        } else {
            ++tickSizes.back();
        }
    }
    EXPECT_EQ(tickSizes, (std::vector<int>{10, 10, 5}));
    for (double gap : gaps) {
        EXPECT_GE(gap, 0.19);
        EXPECT_LE(gap, 0.35);
    }
}

// Writers in four threads each create files in several writes; every file must be handed over
// once and not before 2 s after its writer closed it.
TEST(MonitorDispatch, BurstOfFilesIsHandedOverOnceEachAndNeverEarly) {
    constexpr int FileCount = 150;
    constexpr int WriterCount = 4;
    QTemporaryDir dir;
    DirectoryMonitor monitor;
    monitor.Directory = dir.path();
    monitor.ExtensionFilter = ".avi";
    HandOverLog log;
    log.Attach(monitor);
    ASSERT_TRUE(monitor.Start());

    std::vector<Clock::time_point> closedAt(FileCount);
    std::vector<std::thread> writers;
    for (int w = 0; w < WriterCount; ++w) {
        writers.emplace_back([&, w] {
            const QByteArray chunk(8192, 'b');
            for (int i = w; i < FileCount; i += WriterCount) {
                const QByteArray path = QFile::encodeName(dir.filePath(QString("b%1.avi").arg(i)));
                const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
                for (int c = 0; c < 8 && fd >= 0; ++c)
                    (void)!::write(fd, chunk.constData(), chunk.size());
                closedAt[i] = Clock::now();
                ::close(fd);
            }
        });
    }
    for (std::thread& writer : writers)
        writer.join();
    ASSERT_TRUE(SpinUntil([&] { return log.Size() >= FileCount; }, 20000)) << log.Size();
    SpinFor(800);
    ASSERT_EQ(log.Size(), FileCount);
    for (int i = 0; i < FileCount; ++i) {
        const QString path = dir.filePath(QString("b%1.avi").arg(i));
        EXPECT_EQ(log.CountOf(path), 1) << path.toStdString();
        const auto handed = log.FirstAt(path);
        ASSERT_TRUE(handed);
        EXPECT_GE(SecondsBetween(closedAt[i], *handed), 2.0) << path.toStdString();
    }
}

// A handler that runs the event loop lets hand-overs and checks run nested inside it; the
// recursive locks keep that from deadlocking and no file is handed over twice.
TEST(MonitorDispatch, HandlerThatRunsTheEventLoopNestsSafely) {
    QTemporaryDir dir;
    DirectoryMonitor monitor;
    monitor.Directory = dir.path();
    monitor.ExtensionFilter = ".avi";
    QStringList handed;
    int depth = 0;
    int deepest = 0;
    monitor.OnFileReady = [&](const QString& path, quintptr userData) {
        EXPECT_EQ(userData, quintptr(42));
        handed << path;
        deepest = std::max(deepest, ++depth);
        SpinFor(250);
        --depth;
    };
    monitor.UserData = 42;
    ASSERT_TRUE(monitor.Start());
    for (int i = 0; i < 12; ++i)
        WriteFile(dir.filePath(QString("n%1.avi").arg(i)), 100);
    ASSERT_TRUE(SpinUntil([&] { return handed.size() >= 12 && depth == 0; }, 15000));
    SpinFor(600);
    EXPECT_EQ(handed.size(), 12);
    handed.removeDuplicates();
    EXPECT_EQ(handed.size(), 12);
    EXPECT_GE(deepest, 2) << "hand-overs nested";
    EXPECT_LE(deepest, DirectoryMonitor::MaxDispatchDepth);
}
