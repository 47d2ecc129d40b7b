#include "CliTestSupport.h"
#include "tests/support/TestMedia.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>

namespace {

class Cli : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new QTemporaryDir;
        clip_ = dir_->filePath("clip.avi");
        ASSERT_TRUE(testsupport::MakeTestAvi(clip_, 2.0));
        // Cut inside its headers: nothing of it can be read (a file cut later converts as far
        // as it goes, with a warning).
        damaged_ = dir_->filePath("damaged.avi");
        ASSERT_TRUE(testsupport::MakeTruncatedCopyBytes(clip_, damaged_, 1000));
    }
    static void TearDownTestSuite() { delete dir_; }

    /// Runs reelvane-cli with a settings store of its own; answers the exit code.
    int Run(const QStringList& args, QString* output = nullptr) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", dir_->filePath("config"));
        p.setProcessEnvironment(env);
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(REELVANE_CLI, args);
        EXPECT_TRUE(p.waitForFinished(180000));
        if (output)
            *output = QString::fromLocal8Bit(p.readAll());
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }

    static inline QTemporaryDir* dir_ = nullptr;
    static inline QString clip_, damaged_;
};

} // namespace

TEST_F(Cli, ConvertsWhatItCanAndSaysWhatFailed) {
    const QString out = dir_->filePath("out");
    QString log;
    const int code = Run({"convert", "--format", "mp4", "--preset", "0", "--output", out, clip_,
                          dir_->filePath("missing.avi"), damaged_, clip_},
                         &log);
    EXPECT_EQ(code, 1) << log.toStdString();
    EXPECT_EQ(log.count("Convert to: clip.mp4 [Success]"), 2) << log.toStdString();
    EXPECT_EQ(log.count("Load: "), 4);
    // One error line per failed file, in the window's format.
    EXPECT_EQ(log.count("[Error message]: "), 2) << log.toStdString();
    EXPECT_TRUE(log.contains(
        "\n[Error message]: Input file not found: " + dir_->filePath("missing.avi") + "\n"))
        << log.toStdString();
    const QStringList lines = log.split('\n');
    EXPECT_EQ(lines.count("Task begin"), 1) << log.toStdString();
    EXPECT_EQ(lines.count("Task End"), 1) << log.toStdString();
    const auto info = testsupport::ProbeMedia(QDir(out).filePath("clip.mp4"));
    ASSERT_TRUE(info.ok) << info.error.toStdString();
    // Row 0 of the MP4 presets: H.264 at 640x480, 30 fps.
    EXPECT_EQ(info.videoCodec, "h264");
    EXPECT_EQ(info.width, 640);
    EXPECT_EQ(info.height, 480);
    EXPECT_NEAR(info.frameRate, 30.0, 0.01);
    EXPECT_EQ(info.audioCodec, "aac");
    EXPECT_NEAR(info.durationSec, 2.0, 0.1);
    EXPECT_FALSE(QFile::exists(QDir(out).filePath("damaged.mp4"))) << "a failed run leaves no file";
}

TEST_F(Cli, Mp3PageWritesAnMp3WithoutVideo) {
    const QString out = dir_->filePath("mp3");
    QString log;
    ASSERT_EQ(Run({"convert", "--format", "mp3", "--preset", "1", "--output", out, clip_}, &log), 0)
        << log.toStdString();
    const auto info = testsupport::ProbeMedia(QDir(out).filePath("clip.mp3"));
    ASSERT_TRUE(info.ok) << info.error.toStdString();
    EXPECT_EQ(info.audioCodec, "mp3");
    EXPECT_FALSE(info.hasVideo);
    EXPECT_EQ(info.sampleRate, 48000); // row 1: 48000 Hz stereo
    EXPECT_EQ(info.channels, 2);
}

TEST_F(Cli, UsageAndFolderErrors) {
    struct Case {
        QStringList args;
        int code;
    } cases[] = {
        {{}, 2},
        {{"convert"}, 2},
        {{"convert", "--format", "avi", "x.avi"}, 2},
        {{"convert", "--format", "flv", "--preset", "9", "x.avi"}, 2},
        {{"encode", "x.avi"}, 2},
        {{"--help"}, 0},
        {{"presets", "--format", "mov"}, 0},
        {{"convert", "--format", "flv", "--output", "/proc/reelvane-cannot-write", clip_}, 1},
    };
    for (const Case& c : cases) {
        QString log;
        EXPECT_EQ(Run(c.args, &log), c.code) << c.args.join(' ').toStdString() << "\n"
                                             << log.toStdString();
    }
    QString log;
    Run({"convert", "--format", "flv", "--output", "/proc/reelvane-cannot-write", clip_}, &log);
    EXPECT_TRUE(log.contains("Unable to create output file")) << log.toStdString();
    Run({"presets", "--format", "mov"}, &log);
    EXPECT_TRUE(log.contains("  0  Quick Time - HD Quality 480p(640*480; MP2, 128kbps)"))
        << log.toStdString();
}

// SIGTERM once the conversion shows progress (its progress line, on a terminal), on a clip long
// enough that it is still converting then: the run stops, nothing is left, exit status 130.
TEST_F(Cli, TerminationStopsCleanly) {
    const QString longClip = dir_->filePath("long.avi");
    testsupport::TestAviOptions options;
    options.seconds = 30;
    options.width = 320;
    options.height = 240;
    ASSERT_TRUE(testsupport::MakeTestAvi(longClip, options));
    const QString out = dir_->filePath("stopped");
    clitest::ProgressTerminal terminal;
    if (!terminal.IsOpen())
        GTEST_SKIP() << "no pseudo-terminal available to show the progress line on";
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", dir_->filePath("config"));
    p.setProcessEnvironment(env);
    terminal.Attach(p);
    p.start(REELVANE_CLI,
            {"convert", "--format", "mpeg", "--preset", "3", "--output", out, longClip});
    ASSERT_TRUE(p.waitForStarted());
    QDeadlineTimer deadline(60000);
    int percent = -1;
    while ((percent = terminal.LatestPercent()) < 1 && p.state() == QProcess::Running &&
           !deadline.hasExpired())
        p.waitForFinished(20);
    ASSERT_GE(percent, 1) << terminal.Read().toStdString();
    ASSERT_LT(percent, 100) << "finished before it could be stopped";
    ::kill(pid_t(p.processId()), SIGTERM);
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 130);
    const QByteArray seen = p.readAllStandardOutput();
    const QStringList lines = QString::fromLocal8Bit(seen).split('\n', Qt::SkipEmptyParts);
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_TRUE(lines.last().endsWith("]Stopped: " + longClip + " [Not converted]"))
        << seen.toStdString();
    const QStringList left = QDir(out).entryList(QDir::Files | QDir::Hidden);
    EXPECT_TRUE(left.isEmpty()) << left.join(' ').toStdString();
}
