#include "HotDirTestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int OpenDescriptorCount() {
    return int(QDir("/proc/self/fd").entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size());
}

} // namespace

TEST(MonitorStart, FailuresGiveTheSystemTextAndLeaveNothingOpen) {
    QTemporaryDir dir;
    WriteFile(dir.filePath("file.avi"), 10);
    struct Case {
        QString directory;
        bool subtree;
        QString error;
    };
    const Case cases[] = {
        {dir.filePath("missing"), false, "No such file or directory"},
        {dir.filePath("missing"), true, "No such file or directory"},
        {"", false, "No such file or directory"},
        {dir.filePath("file.avi"), false, "Please input split directory firstly"},
        {dir.filePath("file.avi"), true, "Please input split directory firstly"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.directory.toStdString());
        DirectoryMonitor monitor;
        monitor.Directory = c.directory;
        monitor.WatchSubtree = c.subtree;
        const int before = OpenDescriptorCount();
        EXPECT_FALSE(monitor.Start());
        EXPECT_EQ(monitor.LastError(), c.error);
        EXPECT_FALSE(monitor.IsRunning());
        EXPECT_EQ(OpenDescriptorCount(), before);
    }
}

TEST(MonitorStart, PermissionFailureComesFromTheSystem) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to run the watcher as another user";
    QString why;
    if (FolderOthersCanReach(&why).isEmpty())
        GTEST_SKIP() << why.toStdString();
    // A folder nobody may enter, inside one nobody can reach wherever the checkout lies.
    SharedTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString locked = dir.filePath("locked");
    QDir().mkpath(locked);
    ::chmod(QFile::encodeName(locked).constData(), 0700);

    HelperProcess asNobody;
    asNobody.Start({"start", locked, "0"}, {NobodyUid(), 0});
    EXPECT_EQ(asNobody.Wait(10000), 1) << asNobody.Output().constData();
    EXPECT_EQ(asNobody.Output().trimmed(), "Permission denied");
}

// Needs no root: the helper lowers the watch limit in a user namespace of its own.
TEST(MonitorStart, WatchLimitFailureComesFromTheSystem) {
    QTemporaryDir dir;
    for (int i = 0; i < 4; ++i)
        QDir().mkpath(dir.filePath(QString("tree/sub%1").arg(i)));

    // Five folders need five watches; the helper's own user namespace allows three. The root
    // and two sub-folders are watched, the other two are reported with the system's reason.
    HelperProcess limited;
    limited.Start({"watch", dir.filePath("tree"), "1", "1500"}, {std::nullopt, 3});
    if (!limited.Started() || limited.Wait(10000) == 72)
        GTEST_SKIP() << "this system gives no user namespace in which the watch limit can be "
                        "lowered (unprivileged user namespaces are off)";
    EXPECT_EQ(limited.Wait(10000), 0) << limited.Output().constData();
    QStringList errors;
    for (const QByteArray& line : limited.Output().split('\n'))
        if (line.startsWith("error "))
            errors << QString::fromLocal8Bit(line.mid(6));
    ASSERT_EQ(errors.size(), 2) << limited.Output().constData();
    for (const QString& error : errors)
        EXPECT_TRUE(error.startsWith("Cannot watch " + dir.filePath("tree/sub")) &&
                    error.endsWith(": No space left on device"))
            << error.toStdString();

    HelperProcess rootOnly;
    rootOnly.Start({"start", dir.filePath("tree"), "0"}, {std::nullopt, 3});
    EXPECT_EQ(rootOnly.Wait(10000), 0) << rootOnly.Output().constData();
}

// A sub-folder this user may not read is reported once while its siblings are served, and is
// watched (with the files that arrived meanwhile) once it becomes readable.
TEST(MonitorStart, UnreadableSubFolderIsReportedAndWatchedOnceReadable) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to run the monitor as another user";
    QTemporaryDir dir;
    ::chmod(QFile::encodeName(dir.path()).constData(), 0755);
    const QDir root(dir.path());
    root.mkpath("open");
    root.mkpath("locked/inner");
    ::chmod(QFile::encodeName(root.filePath("locked")).constData(), 0700);

    HelperProcess monitor;
    monitor.Start({"watch", dir.path(), "1", "20000"}, {NobodyUid(), 0});
    ASSERT_TRUE(monitor.WaitForLine("started", 5000)) << monitor.Output().constData();
    WriteFile(root.filePath("open/a.avi"), 1000);
    WriteFile(root.filePath("locked/inner/early.avi"), 1000);
    ASSERT_TRUE(
        monitor.WaitForLine("ready " + QFile::encodeName(root.filePath("open/a.avi")), 6000))
        << monitor.Output().constData();
    EXPECT_TRUE(monitor.Output().contains("error Cannot watch " +
                                          QFile::encodeName(root.filePath("locked")) +
                                          ": Permission denied\n"))
        << monitor.Output().constData();

    ::chmod(QFile::encodeName(root.filePath("locked")).constData(), 0755);
    ASSERT_TRUE(monitor.WaitForLine(
        "ready " + QFile::encodeName(root.filePath("locked/inner/early.avi")), 9000))
        << monitor.Output().constData();
    WriteFile(root.filePath("locked/inner/late.avi"), 1000);
    ASSERT_TRUE(monitor.WaitForLine(
        "ready " + QFile::encodeName(root.filePath("locked/inner/late.avi")), 6000))
        << monitor.Output().constData();
    EXPECT_EQ(monitor.Output().count("error "), 1) << "reported once, not at every retry";
}

TEST(MonitorStart, StopIsHarmlessWhenStoppedAndStartWorksAgainAfterStop) {
    QTemporaryDir dir;
    DirectoryMonitor monitor;
    monitor.ExtensionFilter = ".avi";
    HandOverLog log;
    log.Attach(monitor);
    monitor.Stop();
    EXPECT_FALSE(monitor.IsRunning());

    const int before = OpenDescriptorCount();
    monitor.Directory = "  " + dir.path() + " \t";
    for (int cycle = 0; cycle < 3; ++cycle) {
        ASSERT_TRUE(monitor.Start()) << monitor.LastError().toStdString();
        EXPECT_TRUE(monitor.IsRunning());
        EXPECT_EQ(monitor.Directory, dir.path()) << "trimmed in place";
        monitor.Stop();
        monitor.Stop();
        EXPECT_FALSE(monitor.IsRunning());
        EXPECT_EQ(OpenDescriptorCount(), before);
    }
    ASSERT_TRUE(monitor.Start());
    const QString path = dir.filePath("after-restart.avi");
    WriteFile(path, 500);
    EXPECT_TRUE(SpinUntil([&] { return log.Size() > 0; }, 6000));
    SpinFor(600);
    EXPECT_EQ(log.Paths(), QStringList{path});
}
