#include "HotDirTestSupport.h"

#include "hotdir/FileProbe.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

TEST(FileProbe, SizeOfFileAndOfMissingPath) {
    QTemporaryDir dir;
    WriteFile(dir.filePath("a.avi"), 1234);
    EXPECT_EQ(FileSizeOf(dir.filePath("a.avi")), 1234);
    EXPECT_EQ(FileSizeOf(dir.filePath("missing.avi")), 0);
}

TEST(FileProbe, FreeExactlyWhileNobodyHasItOpenForWriting) {
    QTemporaryDir dir;
    const QString path = dir.filePath("clip.avi");
    WriteFile(path, 100);
    struct Case {
        const char* label;
        int openFlags; // -1: not opened
        bool free;
    };
    const Case cases[] = {
        {"nobody has it open", -1, true},
        {"open for reading", O_RDONLY, true},
        {"open for writing", O_WRONLY, false},
        {"open for reading and writing", O_RDWR, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const int fd = c.openFlags < 0 ? -1 : ::open(QFile::encodeName(path), c.openFlags);
        EXPECT_EQ(IsFileFree(path), c.free);
        EXPECT_EQ(!OpenWriterTable().HasWriter(path), c.free) << "/proc descriptor table";
        if (fd >= 0)
            ::close(fd);
        EXPECT_TRUE(IsFileFree(path)) << "after closing";
    }
}

TEST(FileProbe, MissingFolderAndFifoAreNeverFree) {
    QTemporaryDir dir;
    const QString fifo = dir.filePath("pipe.avi");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0644), 0);
    EXPECT_FALSE(IsFileFree(dir.filePath("missing.avi")));
    EXPECT_FALSE(IsFileFree(dir.path()));
    EXPECT_FALSE(IsFileFree(fifo)) << "and it must not block either";
}

TEST(FileProbe, WriterInAnotherProcessIsSeen) {
    QTemporaryDir dir;
    const QString path = dir.filePath("clip.avi");
    WriteFile(path, 100);
    HelperProcess writer;
    writer.Start({"hold", path, "1000"});
    ASSERT_TRUE(writer.WaitForLine("open", 5000));
    EXPECT_FALSE(IsFileFree(path));
    EXPECT_TRUE(OpenWriterTable().HasWriter(path));
    ASSERT_EQ(writer.Wait(5000), 0);
    EXPECT_TRUE(IsFileFree(path));
    EXPECT_FALSE(OpenWriterTable().HasWriter(path));
}

// A user other than the file's owner may not take a lease, so the check falls back to the
// descriptors under /proc. Both processes run as "nobody"; the file belongs to root.
TEST(FileProbe, FileOfAnotherUserFallsBackToProcDescriptors) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to run the probes as another user";
    QString why;
    if (FolderOthersCanReach(&why).isEmpty())
        GTEST_SKIP() << why.toStdString();
    SharedTemporaryDir dir; // the probes, run as nobody, reach it wherever the checkout lies
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("clip.avi");
    WriteFile(path, 100);
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0666), 0);
    const HelperProcess::Options asNobody{NobodyUid(), 0};

    HelperProcess idle;
    idle.Start({"free", path}, asNobody);
    EXPECT_EQ(idle.Wait(5000), 0) << "free while nobody writes";

    HelperProcess writer;
    writer.Start({"hold", path, "3000"}, asNobody);
    ASSERT_TRUE(writer.WaitForLine("open", 5000));
    HelperProcess busy;
    busy.Start({"free", path}, asNobody);
    EXPECT_EQ(busy.Wait(5000), 1) << "a writer of the same user is visible in /proc";
}
