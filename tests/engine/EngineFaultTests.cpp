// Faults found by running the engine from outside on inputs a user would have: audio-only files,
// streams of different lengths, files cut short or damaged, and what happens when something
// throws, stalls or the disk does not take the data.

#include "EngineTestUtil.h"

#include "engine/ConversionRun.h"
#include "engine/FrameStore.h"
#include "engine/OutputCommit.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>

#include <cerrno>
#include <linux/capability.h>
#include <map>
#include <stdexcept>
#include <sys/syscall.h>
#include <unistd.h>

using enginetest::LibraryCriticals;
using enginetest::Media;
using enginetest::Recorder;
using testsupport::ProbeMedia;

namespace {

constexpr int kRunTimeoutMs = 60000;

const QStringList kMpeg1{"OUTPUT_FORMAT", "MPEG1", "VIDEO_FORMAT", "MPEG1", "AUDIO_FORMAT", "MP2"};
const QStringList kMp4{"OUTPUT_FORMAT", "MPEG4", "VIDEO_FORMAT", "MPEG4", "AUDIO_FORMAT", "AAC"};

// As the program's batch sets the engine up for one file.
void SetupFile(TKXVideoEdit& e, const QString& input, const QString& output,
               kx::TKXOutputFormat format, const QStringList& params = {}) {
    e.Input_Clear_List();
    e.Input_AddVideoFile(input, -1, -1, -1, 1);
    e.Input_AddAudioFile(input, -1, -1, -1, input);
    e.setOutput_File_Name(output);
    e.setOutput_Format(format);
    e.setVideo_FrameRate(0.0);
    e.Standard_MPEG_Parameters_Clear();
    for (int i = 0; i + 1 < params.size(); i += 2)
        e.Standard_MPEG_Parameter_Add(params[i], params[i + 1]);
}

QStringList FilesIn(const QString& dir) {
    return QDir(dir).entryList(QDir::Files | QDir::Hidden);
}

// Media made once for this file's tests.
struct FaultMedia {
    QTemporaryDir dir;
    QString audioOnly;    // 2 s of PCM, no video stream
    QString longerSound;  // 2 s of pictures, 3 s of sound
    QString cut;          // the first 40 % of a 2 s clip: plays 0.5 s, declares 2 s
    QString corruptFrame; // every picture scrambled

    static FaultMedia& Get() {
        static FaultMedia m;
        return m;
    }

private:
    FaultMedia() {
        audioOnly = dir.filePath("audio-only.avi");
        testsupport::TestAviOptions a;
        a.seconds = 2.0;
        a.withVideo = false;
        testsupport::MakeTestAvi(audioOnly, a);
        longerSound = dir.filePath("v2a3.avi");
        testsupport::TestAviOptions l;
        l.seconds = 2.0;
        l.audioSeconds = 3.0;
        testsupport::MakeTestAvi(longerSound, l);
        cut = dir.filePath("cut.avi");
        testsupport::MakeTruncatedCopy(Media::Get().avi2s, cut, 40);
        corruptFrame = dir.filePath("corrupt.avi");
        QFile::copy(Media::Get().avi2s, corruptFrame);
        testsupport::ScrambleAviVideoFrames(corruptFrame);
    }
};

struct AudioOnlyCase {
    const char* name;
    kx::TKXOutputFormat format;
    QStringList params;
    const char* extension;
    const char* container; // part of ffprobe's format name
    const char* audioCodec;
    void (*prepare)(TKXVideoEdit&) = nullptr; // settings the format needs beyond its defaults
};

void PrintTo(const AudioOnlyCase& c, std::ostream* os) {
    *os << c.name;
}

class AudioOnlyInput : public ::testing::TestWithParam<AudioOnlyCase> {};

// A file with sound only: the MP3 page writes an MP3, the MPEG-family pages a file that holds
// only the sound, each as long as the sound.
TEST_P(AudioOnlyInput, ConvertsTheSoundAlone) {
    const AudioOnlyCase& c = GetParam();
    QTemporaryDir out;
    const QString output = out.filePath(QString("out.") + c.extension);
    TKXVideoEdit e;
    e.SetStallTimeoutMs(5000);
    Recorder r;
    r.Attach(e);
    SetupFile(e, FaultMedia::Get().audioOnly, output, c.format, c.params);
    if (c.prepare)
        c.prepare(e);
    ASSERT_EQ(e.Inputs().size(), 2u) << r.AllErrors().toStdString();
    e.Start();
    ASSERT_TRUE(e.WaitForFree(kRunTimeoutMs));
    ASSERT_TRUE(r.errorTexts.isEmpty()) << r.AllErrors().toStdString();
    EXPECT_EQ(r.Events().last(), "stop");
    EXPECT_TRUE(r.warnings.isEmpty()) << r.warnings.join(" | ").toStdString();
    const testsupport::MediaInfo info = ProbeMedia(output);
    ASSERT_TRUE(info.ok) << info.error.toStdString();
    EXPECT_TRUE(info.container.contains(c.container)) << info.container.toStdString();
    EXPECT_FALSE(info.hasVideo);
    EXPECT_EQ(info.audioCodec, c.audioCodec);
    EXPECT_NEAR(info.durationSec, 2.0, 0.1);
    EXPECT_EQ(FilesIn(out.path()), QStringList{QFileInfo(output).fileName()});
}

INSTANTIATE_TEST_SUITE_P(
    Formats, AudioOnlyInput,
    ::testing::Values(
        AudioOnlyCase{"Mp3Page", kx::Format_LAME, {}, "mp3", "mp3", "mp3"},
        AudioOnlyCase{"Mpeg", kx::Format_IndStr_Standard_MPEG, kMpeg1, "mpeg", "mpeg", "mp2"},
        AudioOnlyCase{"Mp4", kx::Format_IndStr_Standard_MPEG, kMp4, "mp4", "mp4", "aac"},
        AudioOnlyCase{"Mov",
                      kx::Format_IndStr_Standard_MPEG,
                      {"OUTPUT_FORMAT", "MOV", "VIDEO_FORMAT", "MPEG4", "AUDIO_FORMAT", "AAC"},
                      "mov",
                      "mov",
                      "aac"},
        AudioOnlyCase{"Flv",
                      kx::Format_IndStr_Standard_MPEG,
                      {"OUTPUT_FORMAT", "FLV", "VIDEO_FORMAT", "FLV", "AUDIO_FORMAT", "MP3"},
                      "flv",
                      "flv",
                      "mp3"},
        // The custom Windows Media profile; its video stream is left out.
        AudioOnlyCase{"Wmv",
                      kx::Format_WMV,
                      {},
                      "wmv",
                      "asf",
                      "wmav2",
                      [](TKXVideoEdit& e) {
                          e.setWMV_Mode(kx::KX_WM_CustomSettings);
                          e.setWMV_Custom_Audio_StreamPresent(true);
                          e.setWMV_Custom_Audio_Codec("Windows Media Audio 9.2");
                          e.setWMV_Custom_Audio_Format("128 kbps, 44 kHz, stereo CBR");
                          e.setWMV_Custom_Video_StreamPresent(true);
                          e.setWMV_Custom_Video_Codec("Windows Media Video 9");
                          e.setWMV_Custom_Video_Width(320);
                          e.setWMV_Custom_Video_Height(240);
                          e.setWMV_Custom_Video_FrameRate(25);
                          e.setWMV_Custom_Video_Bitrate(512);
                      }}),
    [](const auto& info) { return std::string(info.param.name); });

// A container that cannot hold sound alone says so and writes nothing.
TEST(EngineFaults, AudioOnlyInputIntoAVideoOnlyContainerIsAClearError) {
    QTemporaryDir out;
    TKXVideoEdit e;
    Recorder r;
    r.Attach(e);
    SetupFile(e, FaultMedia::Get().audioOnly, out.filePath("x.dv"), kx::Format_DV);
    e.Start();
    ASSERT_TRUE(e.WaitForFree(kRunTimeoutMs));
    ASSERT_EQ(r.errorTexts.size(), 1) << r.AllErrors().toStdString();
    EXPECT_TRUE(r.errorTexts[0].contains("needs a video stream")) << r.AllErrors().toStdString();
    EXPECT_EQ(r.Events().last(), "stop");
    EXPECT_TRUE(FilesIn(out.path()).isEmpty());
}

// Each stream has its own length: the sound of a file whose sound runs a second past its
// pictures is cut to the pictures, as the batch asks (audio length from the same file's video).
TEST(EngineFaults, SoundIsCutToThePicturesOfTheSameFile) {
    QTemporaryDir out;
    const QString output = out.filePath("x.mp4");
    TKXVideoEdit e;
    Recorder r;
    r.Attach(e);
    SetupFile(e, FaultMedia::Get().longerSound, output, kx::Format_IndStr_Standard_MPEG, kMp4);
    e.Start();
    ASSERT_TRUE(e.WaitForFree(kRunTimeoutMs));
    ASSERT_TRUE(r.errorTexts.isEmpty()) << r.AllErrors().toStdString();
    EXPECT_TRUE(r.warnings.isEmpty()) << r.warnings.join(" | ").toStdString();
    const testsupport::MediaInfo info = ProbeMedia(output);
    ASSERT_TRUE(info.ok) << info.error.toStdString();
    EXPECT_NEAR(info.durationSec, 2.0, 0.06);
    EXPECT_NEAR(info.videoDurationSec, 2.0, 0.05);
    EXPECT_NEAR(info.audioDurationSec, 2.0, 0.06);
}

// A file cut short converts as far as it goes; a warning with both lengths comes on the owning
// thread after the last progress and before OnStop, and the run still counts as done.
TEST(EngineFaults, InputEndingBeforeItsDeclaredLengthWarns) {
    struct {
        QString input;
        bool warns;
    } cases[] = {{FaultMedia::Get().cut, true}, {Media::Get().avi2s, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input.toStdString());
        QTemporaryDir out;
        const QString output = out.filePath("x.mpg");
        TKXVideoEdit e;
        Recorder r;
        r.Attach(e);
        SetupFile(e, c.input, output, kx::Format_IndStr_Standard_MPEG, kMpeg1);
        e.Start();
        ASSERT_TRUE(e.WaitForFree(kRunTimeoutMs));
        ASSERT_TRUE(r.errorTexts.isEmpty()) << r.AllErrors().toStdString();
        const QStringList events = r.Events();
        EXPECT_EQ(events.last(), "stop");
        EXPECT_TRUE(r.stopOnOwner);
        const testsupport::MediaInfo info = ProbeMedia(output);
        ASSERT_TRUE(info.ok) << info.error.toStdString();
        if (!c.warns) {
            EXPECT_TRUE(r.warnings.isEmpty()) << r.warnings.join(" | ").toStdString();
            continue;
        }
        ASSERT_EQ(r.warnings.size(), 1) << events.join(",").toStdString();
        EXPECT_EQ(events[events.size() - 2], "warning " + r.warnings[0]);
        // The converted length (what the file really holds, as the output shows) and the
        // declared 2 s.
        const auto m = QRegularExpression("([0-9.]+) s of 2.00 s").match(r.warnings[0]);
        ASSERT_TRUE(m.hasMatch()) << r.warnings[0].toStdString();
        EXPECT_LT(info.durationSec, 1.0);
        EXPECT_NEAR(m.captured(1).toDouble(), info.durationSec, 0.1) << r.warnings[0].toStdString();
    }
}

// Values read from headers are judged before the media libraries compute with them: a clear
// refusal when the file is added, and no library assertion on the way.
TEST(EngineFaults, ImpossibleHeaderValuesAreRefusedWithoutLibraryAssertions) {
    QTemporaryDir dir;
    QString error;
    std::map<QString, testsupport::HostileInput> corpus;
    for (const auto& in : testsupport::MakeHostileCorpus(dir.filePath("c"), &error))
        corpus[in.name] = in;
    ASSERT_FALSE(corpus.empty()) << error.toStdString();
    for (const char* name : {"RawRgb", "AbsurdFrameSize"}) {
        SCOPED_TRACE(name);
        LibraryCriticals criticals;
        TKXVideoEdit e;
        Recorder r;
        r.Attach(e);
        const QString path = corpus.at(name).path;
        e.Input_AddVideoFile(path, -1, -1, -1, 1);
        EXPECT_TRUE(e.Inputs().empty());
        EXPECT_EQ(r.errorTexts,
                  QStringList{"Can't add input file:" + path + "(The file format is invalid.)"});
        EXPECT_TRUE(criticals.Texts().isEmpty()) << criticals.Texts().join('\n').toStdString();
    }
}

// Nothing of the pictures decodes: a video output says so at once instead of waiting for a
// stall; the MP3 page still converts the intact sound.
TEST(EngineFaults, UndecodablePicturesFailFastUnlessOnlyTheSoundIsWanted) {
    for (const bool mp3 : {false, true}) {
        SCOPED_TRACE(mp3 ? "mp3" : "mpeg");
        QTemporaryDir out;
        const QString output = out.filePath(mp3 ? "x.mp3" : "x.mpg");
        TKXVideoEdit e;
        Recorder r;
        r.Attach(e);
        SetupFile(e, FaultMedia::Get().corruptFrame, output,
                  mp3 ? kx::Format_LAME : kx::Format_IndStr_Standard_MPEG, kMpeg1);
        QElapsedTimer timer;
        timer.start();
        e.Start();
        ASSERT_TRUE(e.WaitForFree(kRunTimeoutMs));
        EXPECT_LT(timer.elapsed(), 10000);
        EXPECT_EQ(r.Events().last(), "stop");
        if (mp3) {
            EXPECT_TRUE(r.errorTexts.isEmpty()) << r.AllErrors().toStdString();
            EXPECT_TRUE(ProbeMedia(output).ok);
        } else {
            ASSERT_EQ(r.errorTexts.size(), 1) << r.AllErrors().toStdString();
            EXPECT_TRUE(r.errorTexts[0].contains("video stream of corrupt.avi can be decoded"))
                << r.errorTexts[0].toStdString();
            EXPECT_TRUE(FilesIn(out.path()).isEmpty());
        }
    }
}

// The MP3 page decodes no picture: its graph holds no video branch at all.
TEST(EngineFaults, AudioOnlyTargetsBuildNoVideoBranch) {
    QTemporaryDir out;
    QTemporaryDir debug;
    TKXVideoEdit e;
    Recorder r;
    r.Attach(e);
    SetupFile(e, Media::Get().avi, out.filePath("x.mp3"), kx::Format_LAME);
    e.setDebug_Mode(true);
    e.setDebug_Dir(debug.path());
    e.Start();
    ASSERT_TRUE(e.WaitForFree(kRunTimeoutMs));
    ASSERT_TRUE(r.errorTexts.isEmpty()) << r.AllErrors().toStdString();
    QFile dump(debug.filePath("log_last.txt"));
    ASSERT_TRUE(dump.open(QIODevice::ReadOnly));
    const QByteArray text = dump.readAll();
    EXPECT_TRUE(text.contains("Filter name: LAME")) << text.toStdString();
    for (const char* video : {"Sample Grabber", "Null Renderer", "Color Space Converter", "Video:"})
        EXPECT_FALSE(text.contains(video)) << video << "\n" << text.toStdString();
}

/// A host whose notification throws, as an exception somewhere in a run would.
class ThrowingHost : public engine::RunHost {
public:
    explicit ThrowingHost(bool onStart)
        : onStart_(onStart) {}
    bool StopRequested() const override { return stop_; }
    void RequestStop() override { stop_ = true; }
    void NotifyStart() override {
        if (onStart_)
            throw std::runtime_error("thrown after the graph started");
    }
    void NotifyProgress(int) override { throw std::runtime_error("thrown while polling"); }

private:
    bool onStart_;
    bool stop_ = false;
};

// An exception after the graph started still releases everything, removes the temporary
// output, reports the failure and tells the engine that the run reached its graph (so OnStop
// follows).
TEST(EngineFaults, ExceptionAfterStartCleansUpAndStillEndsTheRun) {
    for (const bool onStart : {true, false}) {
        SCOPED_TRACE(onStart ? "in OnStart" : "in OnProgress");
        QTemporaryDir out;
        engine::RunSettings s;
        s.format = kx::Format_IndStr_Standard_MPEG;
        s.outputFileName = out.filePath("x.mpg");
        s.writeFileName = engine::TemporaryOutputName(s.outputFileName);
        s.videoFrameRate = 0.0;
        TKXStream video;
        video.FileName = Media::Get().avi2s;
        TKXStream audio = video;
        audio.Kind = 1;
        audio.LengthSourceFile = video.FileName;
        s.inputs = {video, audio};
        for (int i = 0; i + 1 < kMpeg1.size(); i += 2) {
            s.mpegNames.Add(kMpeg1[i]);
            s.mpegValues.Add(kMpeg1[i + 1]);
        }
        s.errorTexts = TKXVideoEdit().ErrorTexts();
        QStringList errors;
        s.onError = [&](int, const QString& text) { errors << text; };
        s.progressAssigned = true;
        s.chain = engine::ChainSettingsFrom(TKXVideoEdit());
        s.frames = std::make_shared<engine::FrameStore>();
        ThrowingHost host(onStart);
        engine::RunOutcome outcome;
        ASSERT_NO_THROW(outcome = engine::ExecuteRun(s, host));
        EXPECT_TRUE(outcome.reachedGraph);
        EXPECT_FALSE(outcome.producedFile);
        ASSERT_EQ(errors.size(), 1);
        EXPECT_TRUE(errors[0].startsWith("Conversion failed: internal error (thrown "))
            << errors[0].toStdString();
        EXPECT_TRUE(FilesIn(out.path()).isEmpty()) << FilesIn(out.path()).join(' ').toStdString();
    }
}

// The guard against a run whose media stops moving watches the whole graph: a preview has no
// chain with a position of its own, and a handler that holds the pictures stalls it.
TEST(EngineFaults, StallGuardNeedsNoPositionFromTheChain) {
    TKXVideoEdit e;
    e.SetStallTimeoutMs(1000);
    e.setMode(kx::Mode_Preview);
    Recorder r;
    r.Attach(e);
    std::atomic<bool> released{false};
    const TKXErrorEvent record = e.OnError;
    e.OnError = [&](int code, const QString& text) {
        record(code, text);
        released = true; // the worker reports the stall; let the pictures go again
    };
    e.OnPushFrame = [&](int, int, int, int, unsigned char*&) {
        QDeadlineTimer limit(20000);
        while (!released && !limit.hasExpired())
            QThread::msleep(10);
    };
    e.Input_AddVideoFile(Media::Get().avi2s, -1, -1, -1, 1);
    e.Start();
    ASSERT_TRUE(e.WaitForFree(kRunTimeoutMs));
    ASSERT_EQ(r.errorTexts.size(), 1) << r.Events().join(",").toStdString();
    EXPECT_TRUE(r.errorTexts[0].startsWith("Conversion failed: no media data arrived for 1 s"))
        << r.errorTexts[0].toStdString();
    EXPECT_EQ(r.Events().last(), "stop");
}

/// Makes a folder's mode bits bind for this thread and the threads it starts from now on, also
/// for a privileged user: drops the capabilities that bypass file permission checks from the
/// thread's effective set (they stay permitted and come back at the end).
class PermissionChecksApply {
public:
    PermissionChecksApply() {
        header_.version = _LINUX_CAPABILITY_VERSION_3;
        if (syscall(SYS_capget, &header_, saved_) != 0)
            return;
        __user_cap_data_struct lowered[2] = {saved_[0], saved_[1]};
        for (int cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER})
            lowered[cap / 32].effective &= ~(1u << (cap % 32));
        changed_ = syscall(SYS_capset, &header_, lowered) == 0;
    }
    ~PermissionChecksApply() {
        if (changed_)
            syscall(SYS_capset, &header_, saved_);
    }

private:
    __user_cap_header_struct header_{};
    __user_cap_data_struct saved_[2]{};
    bool changed_ = false;
};

// The output folder turns read-only between two files of a batch: the second file reports
// that its output cannot be created and starts nothing; the first file's output stays.
TEST(EngineFaults, FolderTurningReadOnlyBetweenTwoFiles) {
    QTemporaryDir dir;
    const QString folder = dir.filePath("out");
    ASSERT_TRUE(QDir().mkpath(folder));
    TKXVideoEdit e;
    Recorder r;
    r.Attach(e);
    SetupFile(e, Media::Get().avi, QDir(folder).filePath("first.mpg"),
              kx::Format_IndStr_Standard_MPEG, kMpeg1);
    e.Start();
    ASSERT_TRUE(e.WaitForFree(kRunTimeoutMs));
    ASSERT_TRUE(r.errorTexts.isEmpty()) << r.AllErrors().toStdString();
    const QByteArray first = [&] {
        QFile f(QDir(folder).filePath("first.mpg"));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    ASSERT_FALSE(first.isEmpty());

    ASSERT_TRUE(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner |
                                                  QFile::ReadGroup | QFile::ExeGroup));
    {
        PermissionChecksApply checks;
        QFile probe(QDir(folder).filePath("probe"));
        if (probe.open(QIODevice::WriteOnly)) {
            probe.remove();
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            GTEST_SKIP() << "this user writes into read-only folders and cannot give that up "
                            "(no capability control): the read-only case cannot be made here";
        }
        SetupFile(e, Media::Get().avi2s, QDir(folder).filePath("second.mpg"),
                  kx::Format_IndStr_Standard_MPEG, kMpeg1);
        e.Start();
        EXPECT_TRUE(e.WaitForFree(kRunTimeoutMs));
    }
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(r.errorTexts, QStringList{"Unable to create output file"});
    EXPECT_EQ(r.Events().count("start"), 1); // the second file started no run
    EXPECT_EQ(FilesIn(folder), QStringList{"first.mpg"});
    QFile f(QDir(folder).filePath("first.mpg"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), first);
}

// The output's data reaches the disk before its name changes, and the folder after: a crash
// leaves the earlier output or the complete new one. A flush that fails fails the commit.
TEST(EngineFaults, OutputIsFlushedBeforeItsRename) {
    static QStringList calls;
    static int failFsyncWith = 0;
    calls.clear();
    engine::CommitCalls& active = engine::CommitOutputCalls();
    const engine::CommitCalls saved = active;
    active.openForSync = [](const char* path) {
        calls << "open " + QFileInfo(QString::fromLocal8Bit(path)).fileName();
        return engine::SystemCommitCalls().openForSync(path);
    };
    active.fsync = [](int fd) {
        calls << "fsync";
        if (failFsyncWith) {
            errno = failFsyncWith;
            return -1;
        }
        return ::fsync(fd);
    };
    active.rename = [](const char* from, const char* to) {
        calls << "rename";
        return ::rename(from, to);
    };
    QTemporaryDir dir;
    const QString temp = dir.filePath(".x.mpg.part");
    const QString output = dir.filePath("x.mpg");
    QFile f(temp);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("data");
    f.close();
    QString why;
    EXPECT_TRUE(engine::CommitOutputFile(temp, output, &why)) << why.toStdString();
    EXPECT_EQ(calls, (QStringList{"open .x.mpg.part", "fsync", "rename",
                                  "open " + QFileInfo(dir.path()).fileName(), "fsync"}));
    EXPECT_TRUE(QFile::exists(output));

    calls.clear();
    failFsyncWith = EIO;
    ASSERT_TRUE(QFile::copy(output, temp));
    EXPECT_FALSE(engine::CommitOutputFile(temp, dir.filePath("y.mpg"), &why));
    EXPECT_TRUE(why.contains("could not be written to the disk")) << why.toStdString();
    EXPECT_EQ(calls, (QStringList{"open .x.mpg.part", "fsync"}));
    EXPECT_FALSE(QFile::exists(dir.filePath("y.mpg")));
    failFsyncWith = 0;
    active = saved;
}

} // namespace
