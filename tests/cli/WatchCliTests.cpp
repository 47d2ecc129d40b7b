// `reelvane-cli watch` as a service would run it: files put into the folder by other processes,
// a signal to end it, and the folders it refuses.

#include "WatchSupport.h"
#include "tests/support/TestMedia.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

QStringList FilesBelow(const QString& folder) {
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next();
    return files;
}

int RunTool(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000))
        return -1;
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

class Watch : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        for (const char* folder : {"in/sub", "stage", "config"})
            ASSERT_TRUE(QDir(dir.path()).mkpath(QString::fromLatin1(folder)));
    }
    QString P(const QString& relative) const { return dir.filePath(relative); }
    QStringList Args(const QStringList& more = {}) const {
        return QStringList{"watch", "--input", P("in"), "--output", P("out"), "--log", P("log")} +
               more;
    }
    /// Starts the watch and waits until it watches.
    void StartWatch(const QStringList& more) {
        watch.Start(Args(more), P("config"));
        ASSERT_TRUE(watch.WaitFor(
            [this](const auto&) { return watch.Stderr().contains("watching"); }, 10000))
            << watch.Text().toStdString();
    }
    QString LogText() const {
        QString all;
        for (const QString& file : QDir(P("log")).entryList({"*.log"}, QDir::Files)) {
            QFile f(QDir(P("log")).filePath(file));
            if (f.open(QIODevice::ReadOnly))
                all += QString::fromLocal8Bit(f.readAll());
        }
        return all;
    }

    QTemporaryDir dir;
    WatchProcess watch;
};

} // namespace

// A large file copied in with cp, a file moved in with mv from another folder of the same file
// system and a file that a slow writer takes 10 s to write: each is converted exactly once, and
// none before its writer closed it (the watcher waits 2 s after that).
TEST_F(Watch, FilesThatOtherProcessesPutThereAreConvertedOnceEachAfterTheirWriterClosed) {
    testsupport::TestAviOptions big;
    big.seconds = 20;
    big.width = 640;
    big.height = 480;
    ASSERT_TRUE(testsupport::MakeTestAvi(P("stage/big.avi"), big));
    ASSERT_GT(QFileInfo(P("stage/big.avi")).size(), 10 * 1024 * 1024) << "a large file";
    ASSERT_TRUE(testsupport::MakeTestAvi(P("stage/moved.avi"), 1.0));
    ASSERT_TRUE(testsupport::MakeTestAvi(P("stage/slow-source.avi"), 2.0));
    QFile source(P("stage/slow-source.avi"));
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    const QByteArray slowBytes = source.readAll();

    StartWatch({"--subdirs", "--format", "flv", "--preset", "1"});
    ASSERT_EQ(RunTool("cp", {P("stage/big.avi"), P("in/big.avi")}), 0);
    const qint64 copiedMs = watch.NowMs();
    ASSERT_EQ(RunTool("mv", {P("stage/moved.avi"), P("in/sub/moved.avi")}), 0);
    std::atomic<qint64> closedMs{-1};
    std::thread writer([&] {
        const int fd = ::open(QFile::encodeName(P("in/slow.avi")).constData(),
                              O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        const int pieces = 20;
        const qsizetype piece = slowBytes.size() / pieces + 1;
        for (int i = 0; i < pieces && fd >= 0; ++i) {
            const QByteArray part = slowBytes.mid(i * piece, piece);
            if (::write(fd, part.constData(), size_t(part.size())) != part.size())
                break;
            QThread::msleep(500);
        }
        ::close(fd);
        closedMs = watch.NowMs();
    });
    const bool allDone = watch.WaitFor(
        [](const auto& lines) {
            int finished = 0;
            for (const auto& line : lines)
                finished += line.text.startsWith("Finish: [") ? 1 : 0;
            return finished >= 3;
        },
        90000);
    writer.join();
    ASSERT_TRUE(allDone) << watch.Text().toStdString();
    QThread::msleep(3500); // nothing is converted a second time
    EXPECT_EQ(watch.Count("Start: ["), 3) << watch.Text().toStdString();

    const struct {
        const char* input;
        const char* output;
        double seconds;
        int width;
        qint64 closedAtMs;
    } files[] = {{"in/big.avi", "out/big.flv", 20.0, 640, copiedMs},
                 {"in/sub/moved.avi", "out/sub/moved.flv", 1.0, 160, -1},
                 {"in/slow.avi", "out/slow.flv", 2.0, 160, closedMs.load()}};
    for (const auto& f : files) {
        SCOPED_TRACE(f.input);
        EXPECT_EQ(watch.Count("Load: " + P(f.input) + " [Success]"), 1);
        EXPECT_EQ(watch.Count("Save to: " + P(f.output) + " [Success]"), 1);
        if (f.closedAtMs >= 0) {
            const qint64 loadedMs = watch.WaitForLine("Load: " + P(f.input), 0);
            EXPECT_GE(loadedMs - f.closedAtMs, 1900) << "taken before its writer was done";
        }
        const auto info = testsupport::ProbeMedia(P(f.output));
        ASSERT_TRUE(info.ok) << info.error.toStdString();
        EXPECT_EQ(info.videoCodec, "flv1");
        EXPECT_EQ(info.width, f.width);
        EXPECT_EQ(info.audioCodec, "mp3");
        EXPECT_NEAR(info.durationSec, f.seconds, 0.15) << "the whole file was converted";
    }
    EXPECT_EQ(watch.Signal(SIGINT), 130);
    // The daily file holds the lines the program printed, with CR LF.
    const QString log = LogText();
    EXPECT_EQ(log.count("\r\n"), 12) << log.toStdString();
    EXPECT_EQ(log.count("Finish: ["), 3);
    EXPECT_TRUE(log.contains("Load: " + P("in/slow.avi") + " [Success]\r\n"));
}

// SIGTERM during a conversion: the conversion is stopped, no partial output is left, the log
// and standard output say so, and the program ends with 130.
TEST_F(Watch, TerminationMidConversionLeavesNoPartialOutput) {
    testsupport::TestAviOptions options;
    options.seconds = 20;
    options.width = 320;
    options.height = 240;
    ASSERT_TRUE(testsupport::MakeTestAvi(P("stage/long.avi"), options));
    // DVD PAL MPEG-2 from 320x240: slow enough to be stopped in the middle.
    StartWatch({"-f", "mpeg", "-p", "3"});
    ASSERT_TRUE(QFile::rename(P("stage/long.avi"), P("in/long.avi")));
    ASSERT_GE(watch.WaitForLine("Load: " + P("in/long.avi"), 15000), 0)
        << watch.Text().toStdString();
    QThread::msleep(300);
    EXPECT_EQ(watch.Signal(SIGTERM), 130) << watch.Text().toStdString();
    const QString stopped = "Stopped: " + P("in/long.avi") + " [Not converted]";
    EXPECT_EQ(watch.Count(stopped), 1) << watch.Text().toStdString();
    EXPECT_EQ(watch.Count("Finish: ["), 0);
    EXPECT_TRUE(LogText().endsWith(stopped + "\r\n")) << LogText().toStdString();
    EXPECT_EQ(FilesBelow(P("out")), QStringList()) << "no partial output";
}

namespace {

/// uid and gid of the unprivileged account "nobody".
std::pair<uid_t, gid_t> Nobody() {
    const passwd* entry = ::getpwnam("nobody");
    return entry ? std::pair{entry->pw_uid, entry->pw_gid} : std::pair{uid_t(65534), gid_t(65534)};
}

} // namespace

// Folders watch cannot use and options it does not take: exit status 2 with one line that says
// why, and nothing started or made. The permission cases run the program as "nobody".
TEST_F(Watch, RefusedFoldersAndOptionsStartNothing) {
    ASSERT_TRUE(QFile(P("plain.txt")).open(QIODevice::WriteOnly));
    const struct Case {
        QStringList args;
        const char* says;
    } cases[] = {
        {{"watch", "--output", P("out"), "--log", P("log")}, "--input"},
        {{"watch", "--input", P("in"), "--output", P("out")}, "--log"},
        {Args({P("in/clip.avi")}), "no files"},
        {Args({"--input="}), "--input takes a folder"},
        {{"convert", "--subdirs", P("in/clip.avi")}, "--subdirs"},
        {{"watch", "--input", P("none"), "--output", P("out"), "--log", P("log")},
         "does not exist"},
        {{"watch", "--input", P("plain.txt"), "--output", P("out"), "--log", P("log")},
         "does not exist"},
        {{"watch", "--input", P("in"), "--output", P("plain.txt/out"), "--log", P("log")},
         "cannot be created: Not a directory"},
        {{"watch", "--input", P("in"), "--output", P("in/out"), "--log", P("log")}, "inside"},
        {{"watch", "--input", P("in"), "--output", P("in"), "--log", P("log")}, "inside"},
        {{"watch", "--input", P("in"), "--output", P("out"), "--log", P("plain.txt")},
         "is not a folder"},
        {Args({"-f", "mp3", "-p", "99"}), "row 99"},
    };
    for (const Case& c : cases) {
        WatchProcess p;
        p.Start(c.args, P("config"));
        const int code = p.Wait();
        const QString err = p.Stderr();
        const std::string what = c.args.join(' ').toStdString() + "\n" + err.toStdString();
        EXPECT_EQ(code, 2) << what;
        EXPECT_EQ(err.count('\n'), 1) << what;
        EXPECT_TRUE(err.contains(QString::fromLatin1(c.says))) << what;
        EXPECT_FALSE(QFileInfo::exists(P("out")) || QFileInfo::exists(P("log"))) << what;
        EXPECT_FALSE(QFileInfo::exists(P("in/out"))) << what;
    }

    if (::geteuid() != 0) {
        GTEST_SKIP() << "the permission cases need root to run the program as another user";
    }
    // An input folder nobody may read, a log folder nobody may write.
    ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0755), 0);
    ASSERT_TRUE(QDir().mkpath(P("locked")));
    ASSERT_EQ(::chmod(QFile::encodeName(P("locked")).constData(), 0700), 0);
    ASSERT_TRUE(QDir().mkpath(P("readonly")));
    ASSERT_EQ(::chmod(QFile::encodeName(P("readonly")).constData(), 0755), 0);
    QTemporaryDir nobodyConfig;
    ASSERT_EQ(::chmod(QFile::encodeName(nobodyConfig.path()).constData(), 0777), 0);
    QTemporaryDir nobodyOut;
    ASSERT_EQ(::chmod(QFile::encodeName(nobodyOut.path()).constData(), 0777), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(P("in")).constData(), 0755), 0);
    const auto [uid, gid] = Nobody();
    const struct {
        QStringList args;
        const char* says;
    } asNobody[] = {
        {{"watch", "--input", P("locked"), "--output", nobodyOut.filePath("out"), "--log",
          nobodyOut.filePath("log")},
         "cannot be read: Permission denied"},
        {{"watch", "--input", P("in"), "--output", nobodyOut.filePath("out"), "--log",
          P("readonly")},
         "cannot be written: Permission denied"},
        {{"watch", "--input", P("in"), "--output", nobodyOut.filePath("out"), "--log",
          P("readonly/log")},
         "cannot be created: Permission denied"},
    };
    for (const auto& c : asNobody) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", nobodyConfig.path());
        p.setProcessEnvironment(env);
        p.setChildProcessModifier([uid = uid, gid = gid] {
            if (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0)
                ::_exit(73);
        });
        p.start(REELVANE_CLI, c.args);
        ASSERT_TRUE(p.waitForFinished(30000));
        const QString err = QString::fromLocal8Bit(p.readAllStandardError());
        const std::string what = c.args.join(' ').toStdString() + "\n" + err.toStdString();
        EXPECT_EQ(p.exitCode(), 2) << what;
        EXPECT_TRUE(err.contains(QString::fromLatin1(c.says))) << what;
        EXPECT_EQ(err.count('\n'), 1) << what;
        EXPECT_FALSE(QFileInfo::exists(nobodyOut.filePath("out"))) << what;
    }
}
