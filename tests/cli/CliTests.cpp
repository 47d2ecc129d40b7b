#include "CliTestSupport.h"
#include "tests/support/TestMedia.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

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

    struct Outcome {
        int code = -1;
        QString out, err;
    };
    /// Runs reelvane-cli with standard output and standard error apart.
    Outcome RunSplit(const QStringList& args) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", dir_->filePath("config"));
        p.setProcessEnvironment(env);
        p.start(REELVANE_CLI, args);
        EXPECT_TRUE(p.waitForFinished(180000));
        Outcome r;
        r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
        r.err = QString::fromLocal8Bit(p.readAllStandardError());
        r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        return r;
    }

    static inline QTemporaryDir* dir_ = nullptr;
    static inline QString clip_, damaged_;
};

/// Runs reelvane-cli with its standard error on a terminal (a pseudo-terminal of the test) and
/// standard output on a pipe; answers what the terminal showed.
QByteArray StderrOnTerminal(const QStringList& args, const QString& config, int* code) {
    int master = -1, slave = -1;
    if (::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0)
        return {};
    const int devnull = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, devnull, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, slave, STDERR_FILENO);
    posix_spawn_file_actions_addclose(&actions, master);
    std::vector<QByteArray> storage{QByteArray(REELVANE_CLI)};
    for (const QString& a : args)
        storage.push_back(a.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& a : storage)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const QByteArray home = "XDG_CONFIG_HOME=" + config.toLocal8Bit();
    std::vector<char*> envp{const_cast<char*>(home.constData())};
    for (char** e = environ; *e; ++e)
        if (std::strncmp(*e, "XDG_CONFIG_HOME=", 16) != 0)
            envp.push_back(*e);
    envp.push_back(nullptr);
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(slave);
    ::close(devnull);
    QByteArray shown;
    if (spawned == 0) {
        char buffer[4096];
        for (;;) {
            pollfd fd{master, POLLIN, 0};
            if (::poll(&fd, 1, 120000) <= 0)
                break;
            const ssize_t got = ::read(master, buffer, sizeof buffer);
            if (got <= 0) // EIO once the program has closed the terminal
                break;
            shown.append(buffer, got);
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        *code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    ::close(master);
    return shown;
}

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

// The short options, "--" before a file whose name looks like an option, and --json: standard
// output carries one JSON object per file and nothing else, the log goes to standard error.
TEST_F(Cli, JsonLinesForScriptsWithShortOptionsAndDoubleDash) {
    const QString dashed = dir_->filePath("-dashed.avi");
    QFile::remove(dashed);
    ASSERT_TRUE(QFile::copy(clip_, dashed));
    const QString out = dir_->filePath("json");
    const QString missing = dir_->filePath("missing.avi");
    QDir::setCurrent(dir_->path());
    const Outcome r = RunSplit({"convert", "-f", "flv", "-p", "3", "-o", out, "--json", "--",
                                "-dashed.avi", missing, damaged_});
    EXPECT_EQ(r.code, 1) << r.err.toStdString();
    const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3) << r.out.toStdString();
    struct Want {
        QString input, result;
        bool hasError;
    } const wants[] = {
        {dashed, "converted", false}, {missing, "failed", true}, {damaged_, "failed", true}};
    for (int i = 0; i < 3; ++i) {
        QJsonParseError parseError;
        const QJsonObject o = QJsonDocument::fromJson(lines[i].toUtf8(), &parseError).object();
        ASSERT_EQ(parseError.error, QJsonParseError::NoError) << lines[i].toStdString();
        EXPECT_EQ(o.keys(), QStringList({"error", "input", "output", "result", "seconds"}));
        EXPECT_EQ(o["input"].toString(), wants[i].input);
        EXPECT_EQ(o["output"].toString(),
                  QDir(out).filePath(QFileInfo(wants[i].input).completeBaseName() + ".flv"));
        EXPECT_EQ(o["result"].toString(), wants[i].result) << lines[i].toStdString();
        EXPECT_EQ(o["error"].isString(), wants[i].hasError) << lines[i].toStdString();
        EXPECT_EQ(o["error"].isNull(), !wants[i].hasError);
        EXPECT_TRUE(o["seconds"].isDouble());
    }
    EXPECT_EQ(QJsonDocument::fromJson(lines[1].toUtf8())["error"].toString(),
              "Input file not found: " + missing);
    EXPECT_GT(QJsonDocument::fromJson(lines[0].toUtf8())["seconds"].toDouble(), 0.0);
    EXPECT_TRUE(r.err.contains("Convert to: -dashed.flv [Success]")) << r.err.toStdString();
    EXPECT_FALSE(r.err.contains('%')) << "no progress figure on a pipe";
    const auto info = testsupport::ProbeMedia(QDir(out).filePath("-dashed.flv"));
    ASSERT_TRUE(info.ok) << info.error.toStdString();
    EXPECT_EQ(info.videoCodec, "flv1");
    QFile::remove(dashed);
}

// Every usage error: exit status 2, one line on standard error that names the problem, nothing
// on standard output, nothing converted.
TEST_F(Cli, UsageErrorsAreOneLineNamingTheProblem) {
    const QString out = dir_->filePath("never");
    const struct Case {
        QStringList args;
        const char* named;
    } cases[] = {
        {{"convert", "--bogus", clip_}, "'bogus'"},
        {{"convert", "-x", clip_}, "'x'"},
        {{"convert", clip_, "-o"}, "'-o'"},
        {{"convert", "--format"}, "'--format'"},
        {{"convert", "-f", "avi", "-o", out, clip_}, "--format"},
        {{"convert", "-p", "two", "-o", out, clip_}, "--preset"},
        {{"convert", "-f", "mp3", "-p", "99", "-o", out, clip_}, "row 99"},
        {{"convert", "-o", "", clip_}, "--output"},
        {{"convert", "-o", out}, "at least one file"},
        {{"presets", "--json"}, "--json"},
        {{"presets", "-o", out}, "--output"},
        {{"encode", clip_}, "encode"},
        {{}, "no command"},
    };
    for (const Case& c : cases) {
        const Outcome r = RunSplit(c.args);
        const std::string what = c.args.join(' ').toStdString() + "\n" + r.err.toStdString();
        EXPECT_EQ(r.code, 2) << what;
        EXPECT_EQ(r.out, "") << what;
        EXPECT_EQ(r.err.count('\n'), 1) << what;
        EXPECT_TRUE(r.err.startsWith("reelvane-cli: ")) << what;
        EXPECT_TRUE(r.err.contains(QString::fromLatin1(c.named))) << what;
    }
    EXPECT_FALSE(QFileInfo::exists(out));

    const Outcome version = RunSplit({"--version"});
    EXPECT_EQ(version.code, 0);
    EXPECT_TRUE(version.out.startsWith("reelvane-cli ")) << version.out.toStdString();
    EXPECT_TRUE(version.out.back() == '\n' && version.out.count('\n') == 1);
    const Outcome help = RunSplit({"convert", "-h"});
    EXPECT_EQ(help.code, 0);
    EXPECT_TRUE(help.out.startsWith("Usage:")) << help.out.toStdString();
}

TEST_F(Cli, ProgressFigureOnlyWhenStandardErrorIsATerminal) {
    int code = -1;
    const QByteArray shown =
        StderrOnTerminal({"convert", "-f", "mp3", "-p", "1", "-o", dir_->filePath("tty"), clip_},
                         dir_->filePath("config"), &code);
    EXPECT_EQ(code, 0) << shown.toStdString();
    EXPECT_TRUE(shown.contains("100%")) << shown.toStdString();
    const Outcome piped =
        RunSplit({"convert", "-f", "mp3", "-p", "1", "-o", dir_->filePath("tty"), clip_});
    EXPECT_EQ(piped.code, 0);
    EXPECT_FALSE(piped.err.contains('%')) << piped.err.toStdString();
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
    // With --json the log lines share standard error, the terminal, with the progress line.
    p.start(REELVANE_CLI, {"convert", "--format", "mpeg", "--preset", "3", "--output", out,
                           "--json", longClip, clip_});
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
    const QByteArray seen = terminal.Read();
    EXPECT_TRUE(seen.contains(("]Stopped: " + longClip + " [Not converted]").toLocal8Bit()))
        << seen.toStdString();
    EXPECT_FALSE(seen.contains("Convert to:")) << seen.toStdString();
    const QStringList left = QDir(out).entryList(QDir::Files | QDir::Hidden);
    EXPECT_TRUE(left.isEmpty()) << left.join(' ').toStdString();
    // The stopped file, then the one the run never reached.
    const QList<QByteArray> json = p.readAllStandardOutput().trimmed().split('\n');
    ASSERT_EQ(json.size(), 2);
    const QJsonObject stopped = QJsonDocument::fromJson(json[0]).object();
    EXPECT_EQ(stopped["input"].toString(), longClip);
    EXPECT_EQ(stopped["result"].toString(), "stopped");
    EXPECT_GT(stopped["seconds"].toDouble(), 0.2);
    const QJsonObject skipped = QJsonDocument::fromJson(json[1]).object();
    EXPECT_EQ(skipped["input"].toString(), clip_);
    EXPECT_EQ(skipped["result"].toString(), "skipped");
    EXPECT_TRUE(skipped["output"].isNull());
}
