#include "EngineTestUtil.h"

#include "engine/KXVideoEdit.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <atomic>
#include <cmath>

using enginetest::Media;
using enginetest::Recorder;
using testsupport::ProbeMedia;

namespace {

constexpr int kRunTimeoutMs = 60000;

// An engine set up the way the main window sets it up for one file.
void SetupFile(TKXVideoEdit& e, const QString& input, const QString& output,
               const QStringList& params) {
    e.Background_Image_Clear();
    e.Audio_Envelope_Clear();
    e.Extra_List_Clear();
    e.Input_Clear_List();
    e.Video_Effects_Clear();
    e.Video_Filters_Clear();
    e.Input_AddVideoFile(input, -1, -1, -1, 1);
    e.Input_AddAudioFile(input, -1, -1, -1, input);
    e.setOutput_File_Name(output);
    e.setOutput_Format(kx::Format_IndStr_Standard_MPEG);
    e.Standard_MPEG_Parameters_Clear();
    for (int i = 0; i + 1 < params.size(); i += 2)
        e.Standard_MPEG_Parameter_Add(params[i], params[i + 1]);
}

QStringList PartFiles(const QString& dir) {
    return QDir(dir).entryList({"*.part"}, QDir::Files | QDir::Hidden);
}

struct FormatCase {
    const char* name;
    QStringList params;
    const char* container; // substring of ffprobe's format name
    const char* videoCodec;
    const char* audioCodec;
    int width;
    int height;
    double fps;
    int sampleRate;
};

void PrintTo(const FormatCase& c, std::ostream* os) {
    *os << c.name;
}

class Convert : public ::testing::TestWithParam<FormatCase> {};

TEST_P(Convert, WritesTheAskedStreams) {
    const FormatCase& c = GetParam();
    Media& m = Media::Get();
    QTemporaryDir out;
    const QString output = out.filePath(QString("out_%1.bin").arg(c.name));
    TKXVideoEdit e;
    Recorder r;
    r.Attach(e);
    SetupFile(e, m.avi2s, output, c.params);
    e.Start();
    ASSERT_TRUE(e.WaitForFree(kRunTimeoutMs));
    const QStringList events = r.Events();
    ASSERT_TRUE(r.errorTexts.isEmpty()) << r.AllErrors().toStdString();
    ASSERT_GE(events.size(), 2);
    EXPECT_EQ(events.first(), "start");
    EXPECT_EQ(events.last(), "stop");
    EXPECT_TRUE(r.startOnOwner && r.stopOnOwner);
    // Progress rises without repeating and reaches the end.
    ASSERT_FALSE(r.progress.empty()) << events.join(",").toStdString();
    for (size_t i = 1; i < r.progress.size(); ++i)
        EXPECT_GT(r.progress[i], r.progress[i - 1]) << events.join(",").toStdString();
    EXPECT_GE(r.progress.back(), 99) << events.join(",").toStdString();
    EXPECT_EQ(e.Status(), kx::Status_FREE);
    EXPECT_TRUE(PartFiles(out.path()).isEmpty());

    const testsupport::MediaInfo info = ProbeMedia(output);
    ASSERT_TRUE(info.ok) << info.error.toStdString();
    EXPECT_TRUE(info.container.contains(c.container)) << info.container.toStdString();
    EXPECT_EQ(info.videoCodec, c.videoCodec);
    EXPECT_EQ(info.audioCodec, c.audioCodec);
    EXPECT_EQ(info.width, c.width);
    EXPECT_EQ(info.height, c.height);
    EXPECT_NEAR(info.frameRate, c.fps, 0.01);
    EXPECT_EQ(info.channels, 2);
    EXPECT_EQ(info.sampleRate, c.sampleRate);
    const double duration = info.videoDurationSec > 0 ? info.videoDurationSec : info.durationSec;
    EXPECT_NEAR(duration, 2.0, 1.0 / c.fps + 1e-3);
}

INSTANTIATE_TEST_SUITE_P(
    StandardMpeg, Convert,
    ::testing::Values(
        FormatCase{"Mpeg1Ps",
                   {"OUTPUT_FORMAT", "MPEG1", "VIDEO_FORMAT", "MPEG1", "AUDIO_FORMAT", "MP2",
                    "VIDEO_BITRATE", "1150", "AUDIO_BITRATE", "224", "AUDIO_SAMPLE_RATE", "44100"},
                   "mpeg",
                   "mpeg1video",
                   "mp2",
                   160,
                   120,
                   25,
                   44100},
        FormatCase{"Mpeg2Ps",
                   {"OUTPUT_FORMAT", "MPEG2", "VIDEO_FORMAT", "MPEG2", "AUDIO_FORMAT", "MP2",
                    "WIDTH", "320", "HEIGHT", "240", "AUDIO_SAMPLE_RATE", "48000"},
                   "mpeg",
                   "mpeg2video",
                   "mp2",
                   320,
                   240,
                   25,
                   48000},
        FormatCase{"Mp4",
                   {"OUTPUT_FORMAT", "MPEG4", "VIDEO_FORMAT", "MPEG4", "AUDIO_FORMAT", "AAC",
                    "VIDEO_BITRATE", "800", "AUDIO_BITRATE", "128"},
                   "mp4",
                   "h264",
                   "aac",
                   160,
                   120,
                   25,
                   44100},
        FormatCase{"Mov",
                   {"OUTPUT_FORMAT", "MOV", "VIDEO_FORMAT", "MPEG4", "AUDIO_FORMAT", "AAC",
                    "FRAMERATE", "29,97"},
                   "mov",
                   "h264",
                   "aac",
                   160,
                   120,
                   29.97,
                   44100},
        FormatCase{"Flv",
                   {"OUTPUT_FORMAT", "FLV", "VIDEO_FORMAT", "FLV", "AUDIO_FORMAT", "MP3",
                    "AUDIO_SAMPLE_RATE", "44100", "VIDEO_BITRATE", "500"},
                   "flv",
                   "flv1",
                   "mp3",
                   160,
                   120,
                   25,
                   44100}),
    [](const auto& info) { return std::string(info.param.name); });

// The other chains through the engine: the container formats take video and audio, the
// audio-only formats leave the video group unconnected.
TEST(EngineRun, ContainerAndAudioOnlyChains) {
    Media& m = Media::Get();
    struct {
        kx::TKXOutputFormat format;
        const char* file;
        const char* container;
        const char* videoCodec; // "" = no video stream
        const char* audioCodec;
    } cases[] = {
        {kx::Format_AVI, "x.mp3", "avi", "mjpeg", "pcm_s16le"}, // the MP3 page's way
        {kx::Format_MKV, "x.mkv", "matroska", "mjpeg", "pcm_s16le"},
        {kx::Format_LAME, "lame.mp3", "mp3", "", "mp3"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        QTemporaryDir out;
        TKXVideoEdit e;
        Recorder r;
        r.Attach(e);
        SetupFile(e, m.avi, out.filePath(c.file), {});
        e.setOutput_Format(c.format);
        e.Start();
        ASSERT_TRUE(e.WaitForFree(kRunTimeoutMs));
        EXPECT_TRUE(r.errorTexts.isEmpty()) << r.AllErrors().toStdString();
        EXPECT_EQ(r.Events().last(), "stop");
        const testsupport::MediaInfo info = ProbeMedia(out.filePath(c.file));
        ASSERT_TRUE(info.ok) << info.error.toStdString();
        EXPECT_TRUE(info.container.contains(c.container)) << info.container.toStdString();
        EXPECT_EQ(info.videoCodec, c.videoCodec);
        EXPECT_EQ(info.audioCodec, c.audioCodec);
        EXPECT_NEAR(info.durationSec, 1.0, 0.1);
    }
}

const QStringList kMpeg1{"OUTPUT_FORMAT", "MPEG1", "VIDEO_FORMAT", "MPEG1", "AUDIO_FORMAT", "MP2"};

TEST(EngineRun, EmptyInputListEndsEarlyAndFreesTheEngine) {
    QTemporaryDir out;
    TKXVideoEdit e;
    Recorder r;
    r.Attach(e);
    e.setOutput_File_Name(out.filePath("x.mpg"));
    e.setOutput_Format(kx::Format_IndStr_Standard_MPEG);
    e.Start();
    ASSERT_TRUE(e.WaitForFree(kRunTimeoutMs));
    EXPECT_EQ(r.Events(), QStringList{"error 0 Input files not found."});
    EXPECT_EQ(e.Status(), kx::Status_FREE);
    EXPECT_FALSE(QFile::exists(out.filePath("x.mpg")));
    EXPECT_TRUE(PartFiles(out.path()).isEmpty());
}

TEST(EngineRun, UnwritableOutputFolderGives84) {
    Media& m = Media::Get();
    QTemporaryDir out;
    // A folder that cannot exist: its parent is a plain file (holds also for privileged users).
    const QString blocker = out.filePath("blocker");
    QFile f(blocker);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    TKXVideoEdit e;
    Recorder r;
    r.Attach(e);
    SetupFile(e, m.avi, blocker + "/x.mpg", kMpeg1);
    e.Start();
    EXPECT_FALSE(e.IsRunThreadAlive());
    EXPECT_EQ(r.Events(), QStringList{"error 84 Unable to create output file"});
    EXPECT_EQ(e.Status(), kx::Status_FREE);
}

TEST(EngineRun, StopDuringARunKeepsTheEarlierOutput) {
    Media& m = Media::Get();
    QTemporaryDir out;
    const QString output = out.filePath("x.mpg");
    {
        QFile earlier(output);
        ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
        earlier.write("earlier good output");
    }
    TKXVideoEdit e;
    Recorder r;
    r.Attach(e);
    SetupFile(e, m.avi2s, output, kMpeg1);
    e.OnStart = [&] {
        r.events << "start";
        e.Stop();
    };
    e.Start();
    ASSERT_TRUE(e.WaitForFree(kRunTimeoutMs));
    const QStringList events = r.Events();
    ASSERT_FALSE(events.isEmpty());
    EXPECT_EQ(events.first(), "start");
    EXPECT_EQ(events.last(), "stop");
    EXPECT_TRUE(r.errorTexts.isEmpty()) << r.AllErrors().toStdString();
    QFile kept(output);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), "earlier good output");
    EXPECT_TRUE(PartFiles(out.path()).isEmpty());
}

// Runs that fail once their graph is built: each ends with OnError (code 0, saying what failed),
// then OnStop, and leaves neither the output nor a temporary file behind.
TEST(EngineRun, FailingRunsEndWithAnErrorAndNoFile) {
    Media& m = Media::Get();
    struct {
        const char* name;
        bool damageInput;
        QStringList params;
        const char* errorPart;
        bool started; // the graph ran before the failure showed
    } cases[] = {
        // Every picture of the input became garbage after it was added: nothing of the video
        // decodes, which the run finds before it starts the graph.
        {"damaged input", true, kMpeg1, "Conversion failed: nothing of the video stream", false},
        // The encoder refuses the asked format.
        {"encoder refusal", false, {"OUTPUT_FORMAT", "RM"}, "Conversion failed: ", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir out;
        const QString input = out.filePath("input.avi");
        ASSERT_TRUE(QFile::copy(m.avi, input));
        TKXVideoEdit e;
        e.SetStallTimeoutMs(2000);
        Recorder r;
        r.Attach(e);
        SetupFile(e, input, out.filePath("x.out"), c.params);
        ASSERT_EQ(e.Inputs().size(), 2u); // accepted while still intact
        if (c.damageInput) {
            ASSERT_GT(testsupport::ScrambleAviVideoFrames(input), 10);
        }
        e.Start();
        ASSERT_TRUE(e.WaitForFree(kRunTimeoutMs));
        const QStringList events = r.Events();
        ASSERT_EQ(r.errorCodes, std::vector<int>{0}) << events.join(",").toStdString();
        EXPECT_TRUE(r.errorTexts[0].startsWith(c.errorPart)) << r.errorTexts[0].toStdString();
        EXPECT_EQ(events.contains("start"), c.started) << events.join(",").toStdString();
        EXPECT_EQ(events.last(), "stop") << events.join(",").toStdString();
        EXPECT_FALSE(QFile::exists(out.filePath("x.out")));
        EXPECT_TRUE(PartFiles(out.path()).isEmpty());
        EXPECT_EQ(e.Status(), kx::Status_FREE);
    }
}

TEST(EngineRun, MissingChainReportsAndWritesNothing) {
    Media& m = Media::Get();
    QTemporaryDir out;
    TKXVideoEdit e;
    Recorder r;
    r.Attach(e);
    SetupFile(e, m.avi, out.filePath("x.flv"), {});
    e.setOutput_Format(kx::Format_FLV);
    e.Start();
    ASSERT_TRUE(e.WaitForFree(kRunTimeoutMs));
    const QStringList events = r.Events();
    ASSERT_EQ(r.errorCodes, std::vector<int>{0});
    EXPECT_TRUE(r.errorTexts[0].contains("Format_FLV")) << r.errorTexts[0].toStdString();
    EXPECT_FALSE(events.contains("start"));
    EXPECT_EQ(events.last(), "stop");
    EXPECT_TRUE(QDir(out.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

TEST(EngineRun, FramesReachTheHandlersAndTheBitmap) {
    Media& m = Media::Get();
    QTemporaryDir out;
    TKXVideoEdit e;
    Recorder r;
    r.Attach(e);
    // The encoder wants another size: frames still pass the grabber at the run's output size.
    SetupFile(e, m.avi, out.filePath("x.mpg"),
              kMpeg1 + QStringList{"WIDTH", "160", "HEIGHT", "120"});
    e.setVideo_Resize(true);
    e.setVideo_Resize_Width(322);
    e.setVideo_Resize_Height(240);
    std::atomic<int> pushes{0};
    std::atomic<int> frames{0};
    std::atomic<bool> argsOk{true};
    e.OnPushFrame = [&](int w, int h, int bits, int size, unsigned char*& data) {
        ++pushes;
        if (w != 322 || h != 240 || bits != 32 || size < 322 * 240 * 3 || !data)
            argsOk = false;
    };
    e.OnFrame = [&](QImage& frame) {
        ++frames;
        if (frame.width() != 322 || frame.height() != 240)
            argsOk = false;
    };
    e.Start();
    ASSERT_TRUE(e.WaitForFree(kRunTimeoutMs));
    EXPECT_TRUE(r.errorTexts.isEmpty()) << r.AllErrors().toStdString();
    EXPECT_EQ(pushes.load(), 25);
    EXPECT_EQ(frames.load(), 25);
    EXPECT_TRUE(argsOk.load());
    EXPECT_EQ(e.FrameBitmap().size(), QSize(322, 240));
    EXPECT_EQ(e.OutputFrameWidth(), 322);
}

TEST(EngineRun, BitmapHoldsTheLastFrameWithoutHandlers) {
    Media& m = Media::Get();
    QTemporaryDir out;
    TKXVideoEdit e;
    Recorder r;
    r.Attach(e);
    EXPECT_TRUE(e.FrameBitmap().isNull());
    SetupFile(e, m.avi, out.filePath("x.mpg"), kMpeg1);
    e.Start();
    ASSERT_TRUE(e.WaitForFree(kRunTimeoutMs));
    EXPECT_TRUE(r.errorTexts.isEmpty()) << r.AllErrors().toStdString();
    const QImage bitmap = e.FrameBitmap();
    ASSERT_EQ(bitmap.size(), QSize(160, 120));
    EXPECT_EQ(bitmap.format(), QImage::Format_RGB888);
    // The test picture's colour bars: white-grey on the left, blue on the right of the top row.
    const QColor left = bitmap.pixelColor(5, 10);
    const QColor right = bitmap.pixelColor(150, 10);
    EXPECT_GT(left.red(), 150);
    EXPECT_GT(left.green(), 150);
    EXPECT_GT(right.blue(), 150);
    EXPECT_LT(right.green(), 80);
}

TEST(EngineRun, DebugFilesAndARestartFromOnStop) {
    Media& m = Media::Get();
    QTemporaryDir out;
    QTemporaryDir debug;
    TKXVideoEdit e;
    Recorder r;
    r.Attach(e);
    SetupFile(e, m.avi, out.filePath("x.mpg"), kMpeg1);
    e.setDebug_Mode(true);
    e.setDebug_Dir(debug.path() + "/");
    int stops = 0;
    e.OnStop = [&] {
        r.events << "stop";
        if (++stops == 1) {
            e.setOutput_File_Name(out.filePath("y.mpg"));
            e.Start(); // the next file starts from the handler
        }
    };
    e.Start();
    ASSERT_TRUE(e.WaitForFree(kRunTimeoutMs));
    ASSERT_TRUE(e.WaitForFree(kRunTimeoutMs));
    EXPECT_EQ(stops, 2);
    EXPECT_EQ(r.Events().count("start"), 2);
    EXPECT_TRUE(QFile::exists(out.filePath("x.mpg")));
    EXPECT_TRUE(QFile::exists(out.filePath("y.mpg")));
    for (const char* name :
         {"grf_pre_last.grf", "log_pre_last.txt", "grf_last.grf", "log_last.txt"})
        EXPECT_TRUE(QFile::exists(debug.filePath(name))) << name;
    QFile log(debug.filePath("log_last.txt"));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QByteArray text = log.readAll();
    EXPECT_TRUE(text.startsWith("Filters count: ")) << text.left(200).toStdString();
    EXPECT_TRUE(text.contains("Filter name: Sample Grabber\r\n"));
    EXPECT_TRUE(text.contains("Filter name: Standard MPEG\r\n"));
    QFile graph(debug.filePath("grf_last.grf"));
    ASSERT_TRUE(graph.open(QIODevice::ReadOnly));
    EXPECT_TRUE(graph.readAll().contains("digraph"));
}

// Start from a handler the worker is waiting for: the running conversion is asked to stop and
// the new one starts once the handler has returned, instead of both threads waiting forever.
TEST(EngineRun, StartFromOnStartRestartsWithoutDeadlock) {
    Media& m = Media::Get();
    QTemporaryDir out;
    TKXVideoEdit e;
    Recorder r;
    r.Attach(e);
    SetupFile(e, m.avi2s, out.filePath("x.mpg"), kMpeg1);
    int starts = 0;
    e.OnStart = [&] {
        r.events << "start";
        if (++starts == 1)
            e.Start();
    };
    e.Start();
    ASSERT_TRUE(e.WaitForFree(kRunTimeoutMs));
    // The restart was queued by the handler; let it run and finish.
    QDeadlineTimer deadline(kRunTimeoutMs);
    while (r.Events().count("stop") < 2 && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        e.WaitForFree(100);
    }
    ASSERT_TRUE(e.WaitForFree(kRunTimeoutMs));
    EXPECT_EQ(r.Events().count("start"), 2) << r.Events().join(",").toStdString();
    EXPECT_EQ(r.Events().count("stop"), 2);
    EXPECT_EQ(r.Events().last(), "stop");
    EXPECT_TRUE(r.errorTexts.isEmpty()) << r.AllErrors().toStdString();
    EXPECT_TRUE(QFile::exists(out.filePath("x.mpg"))); // written by the second run
}

TEST(EngineRun, DestroyingTheEngineDuringARunEndsIt) {
    QTemporaryDir out;
    bool started = false;
    // Long enough that the run is still going when the engine goes: a 2 s clip can finish
    // between OnStart and the destruction on an idle machine.
    const QString longClip = out.filePath("long.avi");
    testsupport::TestAviOptions options;
    options.seconds = 30;
    options.width = 320;
    options.height = 240;
    ASSERT_TRUE(testsupport::MakeTestAvi(longClip, options));
    {
        TKXVideoEdit e;
        SetupFile(e, longClip, out.filePath("x.mpg"), kMpeg1);
        e.OnStart = [&] { started = true; };
        e.Start();
        // Let the run reach its polling loop, then destroy the engine under it.
        QDeadlineTimer deadline(kRunTimeoutMs);
        while (!started && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    EXPECT_TRUE(started);
    EXPECT_FALSE(QFile::exists(out.filePath("x.mpg")));
    EXPECT_TRUE(PartFiles(out.path()).isEmpty());
}

} // namespace
