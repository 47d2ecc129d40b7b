// The hostile-input corpus through the real reelvane-cli: whatever a file holds, the program ends
// on its own, says nothing alarming on standard error, and either writes an output that reads
// back or says why not and leaves nothing behind.

#include "CliTestSupport.h"
#include "tests/support/TestMedia.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>
#include <sys/resource.h>

namespace {

constexpr int kBoundMs = 60000; // per file and format; a conversion here takes about a second

class HostileCli : public ::testing::TestWithParam<const char*> {
protected:
    static void SetUpTestSuite() {
        dir_ = new QTemporaryDir;
        QString error;
        for (const testsupport::HostileInput& in :
             testsupport::MakeHostileCorpus(dir_->filePath("corpus"), &error))
            corpus_[in.name] = in;
        ASSERT_FALSE(corpus_.empty()) << error.toStdString();
    }
    static void TearDownTestSuite() {
        delete dir_;
        corpus_.clear();
    }

    struct Result {
        bool finished = false;
        bool crashed = false;
        int code = -1;
        QString out, err;
    };

    static Result Convert(const QString& input, const QString& format, const QString& folder) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", dir_->filePath("config"));
        p.setProcessEnvironment(env);
        p.start(REELVANE_CLI,
                {"convert", "--format", format, "--preset", "0", "--output", folder, input});
        Result r;
        r.finished = p.waitForFinished(kBoundMs);
        if (!r.finished) {
            p.kill();
            p.waitForFinished(5000);
        }
        r.crashed = p.exitStatus() != QProcess::NormalExit;
        r.code = p.exitCode();
        r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
        r.err = QString::fromLocal8Bit(p.readAllStandardError());
        return r;
    }

    static inline QTemporaryDir* dir_ = nullptr;
    static inline std::map<QString, testsupport::HostileInput> corpus_;
};

// Files that can only fail, and files that must convert; the rest may go either way as long as
// the outcome is honest.
const char* const kMustFail[] = {"Empty",  "Text",         "CutInHeaders", "RandomBytes",
                                 "Folder", "DanglingLink", "HeaderOnly",   "AbsurdFrameSize"};
const char* const kMustConvert[] = {"AudioOnly", "CutMidStream"};

template <size_t N> bool In(const char* const (&list)[N], const QString& name) {
    for (const char* x : list)
        if (name == QLatin1String(x))
            return true;
    return false;
}

TEST_P(HostileCli, EndsHonestly) {
    const QString name = QString::fromLatin1(GetParam());
    ASSERT_TRUE(corpus_.count(name)) << "not in the corpus: " << GetParam();
    const testsupport::HostileInput& in = corpus_.at(name);
    // MP4 goes through the video and audio encoders, MP3 through the audio-only chain.
    for (const QString format : {"mp4", "mp3"}) {
        SCOPED_TRACE((in.what + " as " + format).toStdString());
        const QString folder = dir_->filePath("out-" + name + "-" + format);
        const Result r = Convert(in.path, format, folder);
        const std::string log = (r.out + r.err).toStdString();
        ASSERT_TRUE(r.finished) << "no end within " << kBoundMs << " ms\n" << log;
        ASSERT_FALSE(r.crashed) << log;
        EXPECT_FALSE(r.err.contains("CRITICAL")) << log;
        const QString output =
            QDir(folder).filePath(QFileInfo(in.path).completeBaseName() + "." + format);
        const QStringList left = QDir(folder).entryList(QDir::Files | QDir::Hidden);
        if (r.code == 0) {
            const testsupport::MediaInfo info = testsupport::ProbeMedia(output);
            ASSERT_TRUE(info.ok) << info.error.toStdString() << "\n" << log;
            EXPECT_TRUE(info.hasAudio || info.hasVideo) << log;
            EXPECT_EQ(left, QStringList{QFileInfo(output).fileName()}) << log;
            EXPECT_FALSE(In(kMustFail, name)) << "converted what cannot be converted\n" << log;
        } else {
            EXPECT_EQ(r.code, 1) << log;
            EXPECT_TRUE(r.out.contains("[Error message]: ")) << log;
            EXPECT_TRUE(left.isEmpty()) << left.join(' ').toStdString() << "\n" << log;
            const bool audioOnlyOfSilence = format == "mp3" && name == "VideoOnlyOddSize";
            EXPECT_FALSE(In(kMustConvert, name)) << log;
            if (audioOnlyOfSilence) {
                EXPECT_TRUE(r.out.contains("no audio stream")) << log;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Corpus, HostileCli,
                         ::testing::Values("Empty", "Text", "HeaderOnly", "CutInHeaders",
                                           "CutMidStream", "CorruptedFrames", "AbsurdFrameSize",
                                           "RandomBytes", "AudioOnly", "VideoOnlyOddSize",
                                           "Fps1000", "RawRgb", "Folder", "DanglingLink"),
                         [](const auto& info) { return std::string(info.param); });

} // namespace

namespace {

// Runs that end badly from outside: the disk fills up, the process is killed. Each leaves an
// earlier output of the same name and the settings exactly as they were, and nothing that
// could be taken for a result.
class CliFaults : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        clip_ = dir_.filePath("clip.avi");
        testsupport::TestAviOptions o;
        o.seconds = 20;
        o.width = 320;
        o.height = 240;
        ASSERT_TRUE(testsupport::MakeTestAvi(clip_, o));
        config_ = dir_.filePath("config");
        ASSERT_TRUE(
            clitest::WriteFile(clitest::SettingsStoreIn(config_), clitest::SampleSettingsStore()));
        out_ = dir_.filePath("out");
        ASSERT_TRUE(clitest::WriteFile(Output(), kEarlier));
    }
    QString Output() const { return QDir(out_).filePath("clip.mpeg"); }
    void Prepare(QProcess& p) const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", config_);
        p.setProcessEnvironment(env);
    }
    QStringList Args() const {
        return {"convert", "--format", "mpeg", "--preset", "3", "--output", out_, clip_};
    }
    /// Files other than the earlier output, hidden ones included.
    QStringList Others() const {
        QStringList files = QDir(out_).entryList(QDir::Files | QDir::Hidden);
        files.removeAll("clip.mpeg");
        return files;
    }
    void ExpectEarlierStateKept() const {
        EXPECT_EQ(clitest::ReadFile(Output()), kEarlier);
        EXPECT_EQ(clitest::ReadFile(clitest::SettingsStoreIn(config_)),
                  clitest::SampleSettingsStore());
    }

    static constexpr const char* kEarlier = "an earlier good output";
    QTemporaryDir dir_;
    QString clip_, config_, out_;
};

// The disk fills during the run (a file-size limit on the process): the write error is
// reported, the temporary output goes, exit status 1.
TEST_F(CliFaults, DiskFillingDuringARun) {
    QProcess p;
    Prepare(p);
    p.setChildProcessModifier([] {
        // Writes past 256 KiB fail with EFBIG instead of killing the process.
        ::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit {
            256 * 1024, 256 * 1024
        };
        ::setrlimit(RLIMIT_FSIZE, &limit);
    });
    p.start(REELVANE_CLI, Args());
    ASSERT_TRUE(p.waitForFinished(kBoundMs));
    const QString log =
        QString::fromLocal8Bit(p.readAllStandardOutput() + p.readAllStandardError());
    EXPECT_EQ(p.exitCode(), 1) << log.toStdString();
    EXPECT_TRUE(log.contains("[Error message]: ")) << log.toStdString();
    EXPECT_FALSE(log.contains("[Success]\n", Qt::CaseSensitive) && log.contains("Convert to:"))
        << log.toStdString();
    EXPECT_TRUE(Others().isEmpty()) << Others().join(' ').toStdString();
    ExpectEarlierStateKept();
}

// Killed outright while its output is being written: no cleanup can run, but what is left is
// a hidden temporary file, never a file under the output's name.
TEST_F(CliFaults, KilledMidRun) {
    QProcess p;
    Prepare(p);
    p.start(REELVANE_CLI, Args());
    ASSERT_TRUE(p.waitForStarted());
    QDeadlineTimer deadline(kBoundMs);
    auto writing = [&] {
        for (const QString& f : Others())
            if (QFileInfo(QDir(out_).filePath(f)).size() > 0)
                return true;
        return false;
    };
    while (!writing() && p.state() == QProcess::Running && !deadline.hasExpired())
        p.waitForFinished(10);
    ASSERT_TRUE(writing()) << "the conversion never started writing";
    ::kill(pid_t(p.processId()), SIGKILL);
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_EQ(p.exitStatus(), QProcess::CrashExit);
    for (const QString& f : Others())
        EXPECT_TRUE(f.startsWith('.') && f.endsWith(".part")) << f.toStdString();
    ExpectEarlierStateKept();
}

// A first run on a machine without settings keeps to the defaults and writes no settings file:
// the command line never saves settings.
TEST(CliSettings, AFirstRunWritesNoSettings) {
    QTemporaryDir dir;
    const QString clip = dir.filePath("clip.avi");
    ASSERT_TRUE(testsupport::MakeTestAvi(clip, 1.0));
    const QString config = dir.filePath("config");
    for (const QStringList& args :
         {QStringList{"presets"},
          QStringList{"convert", "--format", "mp3", "--output", dir.filePath("out"), clip}}) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", config);
        p.setProcessEnvironment(env);
        p.start(REELVANE_CLI, args);
        ASSERT_TRUE(p.waitForFinished(kBoundMs));
        EXPECT_EQ(p.exitCode(), 0) << p.readAll().toStdString();
        EXPECT_FALSE(QFile::exists(clitest::SettingsStoreIn(config)))
            << args.join(' ').toStdString();
    }
}

} // namespace
