#include "FakeFilter.h"
#include "filters/StandardMPEGEncoder.h"
#include "platform/media/FilterRegistry.h"
#include "tests/support/TestMedia.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace media;

namespace {

/// Records every configuration call in order; one call may be told to fail.
class RecordingMpegFilter : public FakeFilter,
                            public IStandardMPEGConfig,
                            public IStandardMPEGSettings {
public:
    QStringList calls;
    QString failOn;

    HRESULT Record(const QString& call) {
        calls << call;
        return call.startsWith(failOn) && !failOn.isEmpty() ? E_FAIL : S_OK;
    }
    HRESULT GetSettings(IStandardMPEGSettings*& s) override {
        s = this;
        return S_OK;
    }
    HRESULT SetOutputFormat(std::int32_t f, std::int32_t c) override {
        return Record(QStringLiteral("OutputFormat %1 %2").arg(f).arg(c));
    }
#define REC(Name)                                                                                  \
    HRESULT Set##Name(std::int32_t v) override {                                                   \
        return Record(QStringLiteral(#Name " %1").arg(v));                                         \
    }
    REC(AudioFormat)
    REC(VideoFormat)
    REC(Width) REC(Height) REC(VideoBitrate) REC(VideoBitrateMin) REC(VideoBitrateMax)
        REC(AudioBitrate) REC(VideoBitrateMode) REC(VBVBufferSize) REC(AudioSampleRate)
            REC(AudioChannels)
#undef REC
                HRESULT SetFrameRate(double v) override {
        return Record(QStringLiteral("FrameRate %1").arg(v));
    }
};

QStringList Apply(const std::vector<std::pair<QString, QString>>& params,
                  const QString& failOn = {}) {
    TKXWideStringList names, values;
    for (const auto& [n, v] : params) {
        names.Add(n);
        values.Add(v);
    }
    auto fake = std::make_shared<RecordingMpegFilter>();
    fake->failOn = failOn;
    TDSStandardMPEGEncoder chain;
    chain.ParameterNames = &names;
    chain.ParameterValues = &values;
    chain.Encoder->Filter = fake;
    chain.ApplyParameters();
    return fake->calls;
}

const QStringList kDefaults = {"OutputFormat 2 0",   "VideoFormat 2",         "AudioFormat 1",
                               "VideoBitrateMode 0", "VBVBufferSize 0",       "Width 0",
                               "Height 0",           "VideoBitrate 6000000",  "AudioBitrate 192000",
                               "FrameRate 0",        "AudioSampleRate 44100", "AudioChannels 2"};

} // namespace

TEST(StandardMpegParameters, TranslatesNamedPairsIntoCallsInOrder) {
    struct Case {
        const char* what;
        std::vector<std::pair<QString, QString>> params;
        QString failOn;
        QStringList expected;
    };
    QStringList mvbr = kDefaults;
    mvbr[3] = "VideoBitrateMode 2";
    mvbr.replace(7, "VideoBitrateMin 0");
    mvbr.insert(8, "VideoBitrateMax 9000000");
    mvbr.insert(9, "VideoBitrate 1150000"); // the asked rate reaches the encoder as the target
    QStringList comma = kDefaults;
    comma[9] = "FrameRate 29.97";
    QStringList ts = kDefaults;
    ts[0] = "OutputFormat 17 0";
    QStringList mp2 = kDefaults;
    mp2[2] = "AudioFormat 1";
    QStringList later = kDefaults;
    later[0] = "OutputFormat 8 4";
    const Case cases[] = {
        {"empty list: defaults", {}, {}, kDefaults},
        {"MVBR", {{"video_bitrate_mode", "mvbr"}, {"VIDEO_BITRATE", "1150"}}, {}, mvbr},
        {"decimal comma", {{"FRAMERATE", "29,97"}}, {}, comma},
        {"frame rate not a number",
         {{"FRAMERATE", "fast"}, {"AUDIO_CHANNELS", "2"}},
         {},
         kDefaults},
        {"bad integer cancels everything", {{"OUTPUT_FORMAT", "MPEG4"}, {"WIDTH", "640x"}}, {}, {}},
        {"lower-case value", {{"OUTPUT_FORMAT", "mpeg2 ts"}}, {}, ts},
        {"MP2 is the MPEG number", {{"AUDIO_FORMAT", "MP2"}}, {}, mp2},
        {"later pair wins, unknown names ignored",
         {{"OUTPUT_FORMAT", "MPEG1"},
          {"ASPECT_RATIO", "16:9"},
          {"OUTPUT_FORMAT", "mpeg4"},
          {"CONSTRAINT", "ipod"}},
         {},
         later},
        {"unknown value keeps default", {{"VIDEO_FORMAT", "H265"}}, {}, kDefaults},
        {"failing SetWidth stops there", {}, "Width", kDefaults.mid(0, 6)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Apply(c.params, c.failOn), c.expected) << c.what;
}

TEST(StandardMpegParameters, NoEncoderOrNoInterfaceDoesNothing) {
    TDSStandardMPEGEncoder chain;
    EXPECT_NO_THROW(chain.ApplyParameters());
    chain.Encoder->Filter = std::make_shared<FakeFilter>();
    chain.ApplyParameters();
    EXPECT_EQ(chain.LastResult, E_NOINTERFACE);
}

namespace {

struct Target {
    const char* name;
    std::vector<std::pair<QString, QString>> params;
    const char* container; ///< a part of ffprobe's format name
    const char* videoCodec;
    const char* audioCodec;
    int width, height;
    double fps;
    int sampleRate, channels;
};

void PrintTo(const Target& t, std::ostream* os) {
    *os << t.name;
}

class StandardMpegOutput : public ::testing::TestWithParam<Target> {};

/// Feeds one second of 160x120 25 fps video and 48 kHz stereo audio through the chain, the way
/// the engine connects it, and returns the written file.
QString Convert(const Target& t, const QTemporaryDir& dir, QString* error) {
    const QString out = dir.filePath(QString::fromLatin1(t.name) + ".out");
    Graph graph;
    HRESULT hr = E_FAIL;
    FilterPtr video =
        CreateFilterFromDescription("videotestsrc num-buffers=25 pattern=ball ! capsfilter "
                                    "caps=video/x-raw,width=160,height=120,framerate=25/1",
                                    hr);
    FilterPtr audio =
        CreateFilterFromDescription("audiotestsrc num-buffers=47 samplesperbuffer=1024 ! "
                                    "capsfilter caps=audio/x-raw,rate=48000,channels=2",
                                    hr);
    graph.AddFilter(video, "Video");
    graph.AddFilter(audio, "Audio");
    TKXWideStringList names, values;
    for (const auto& [n, v] : t.params) {
        names.Add(n);
        values.Add(v);
    }
    TDSStandardMPEGEncoder chain;
    chain.Graph = &graph;
    chain.FileName = out;
    chain.ParameterNames = &names;
    chain.ParameterValues = &values;
    if (!chain.BuildChain())
        return *error = "BuildChain failed", QString();
    PinPtr vpin, apin;
    FindPin(video.get(), 1, 1, vpin);
    FindPin(audio.get(), 1, 1, apin);
    if (chain.ConnectVideo(vpin) != S_OK || chain.ConnectAudio(apin) != S_OK)
        return *error = "connect failed", QString();
    if (!chain.ApplyAndConnectOutput())
        return *error = "output failed", QString();
    graph.SetNoSyncSource();
    graph.Run();
    GraphEvent event;
    for (int i = 0; i < 150 && graph.WaitForEvent(200, event) != S_OK; ++i) {
    }
    graph.Stop();
    chain.ReleaseChain();
    if (event.code != EC_COMPLETE)
        return *error = "no completion: " + event.message, QString();
    return out;
}

} // namespace

TEST_P(StandardMpegOutput, WritesWhatTheFormatPromises) {
    const Target& t = GetParam();
    QTemporaryDir dir;
    QString error;
    const QString out = Convert(t, dir, &error);
    ASSERT_FALSE(out.isEmpty()) << error.toStdString();
    const testsupport::MediaInfo info = testsupport::ProbeMedia(out);
    ASSERT_TRUE(info.ok) << info.error.toStdString();
    EXPECT_TRUE(info.container.contains(QLatin1String(t.container)))
        << info.container.toStdString();
    EXPECT_EQ(info.videoCodec, QLatin1String(t.videoCodec));
    EXPECT_EQ(info.audioCodec, QLatin1String(t.audioCodec));
    EXPECT_EQ(info.width, t.width);
    EXPECT_EQ(info.height, t.height);
    EXPECT_NEAR(info.frameRate, t.fps, 0.01);
    EXPECT_EQ(info.sampleRate, t.sampleRate);
    EXPECT_EQ(info.channels, t.channels);
    EXPECT_NEAR(info.durationSec, 1.0, 0.1);
}

INSTANTIATE_TEST_SUITE_P(Formats, StandardMpegOutput,
                         ::testing::Values(Target{"mpeg1",
                                                  {{"OUTPUT_FORMAT", "MPEG1"},
                                                   {"VIDEO_FORMAT", "MPEG2"},
                                                   {"VIDEO_BITRATE", "1000"}},
                                                  "mpeg",
                                                  "mpeg1video",
                                                  "mp2",
                                                  160,
                                                  120,
                                                  25,
                                                  44100,
                                                  2},
                                           Target{"mpeg2",
                                                  {{"OUTPUT_FORMAT", "MPEG2"},
                                                   {"WIDTH", "320"},
                                                   {"HEIGHT", "240"},
                                                   {"FRAMERATE", "29.97"}},
                                                  "mpeg",
                                                  "mpeg2video",
                                                  "mp2",
                                                  320,
                                                  240,
                                                  29.97,
                                                  44100,
                                                  2},
                                           Target{"mp4",
                                                  {{"OUTPUT_FORMAT", "MPEG4"},
                                                   {"VIDEO_FORMAT", "MPEG4"},
                                                   {"AUDIO_FORMAT", "AAC"},
                                                   {"AUDIO_SAMPLE_RATE", "48000"}},
                                                  "mp4",
                                                  "h264",
                                                  "aac",
                                                  160,
                                                  120,
                                                  25,
                                                  48000,
                                                  2},
                                           Target{"mov",
                                                  {{"OUTPUT_FORMAT", "MOV"},
                                                   {"VIDEO_FORMAT", "MPEG4"},
                                                   {"AUDIO_FORMAT", "AAC"},
                                                   {"AUDIO_CHANNELS", "1"}},
                                                  "mov",
                                                  "h264",
                                                  "aac",
                                                  160,
                                                  120,
                                                  25,
                                                  44100,
                                                  1},
                                           Target{"flv",
                                                  {{"OUTPUT_FORMAT", "FLV"},
                                                   {"VIDEO_FORMAT", "FLV"},
                                                   {"AUDIO_FORMAT", "MP3"},
                                                   {"AUDIO_SAMPLE_RATE", "22050"}},
                                                  "flv",
                                                  "flv1",
                                                  "mp3",
                                                  160,
                                                  120,
                                                  25,
                                                  22050,
                                                  2},
                                           // MP3 at a low bit rate keeps the asked rate
                                           // (the encoder would pick 32000 Hz itself).
                                           Target{"movMp3At96k",
                                                  {{"OUTPUT_FORMAT", "MOV"},
                                                   {"VIDEO_FORMAT", "MPEG4"},
                                                   {"AUDIO_FORMAT", "MP3"},
                                                   {"AUDIO_BITRATE", "96"},
                                                   {"AUDIO_SAMPLE_RATE", "44100"}},
                                                  "mov",
                                                  "h264",
                                                  "mp3",
                                                  160,
                                                  120,
                                                  25,
                                                  44100,
                                                  2},
                                           Target{"vcd",
                                                  {{"OUTPUT_FORMAT", "VCD"}, {"CONSTRAINT", "PAL"}},
                                                  "mpeg",
                                                  "mpeg1video",
                                                  "mp2",
                                                  352,
                                                  288,
                                                  25,
                                                  44100,
                                                  2}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(StandardMpegOutput, RealMediaEndsWithAnErrorAndNoFile) {
    QTemporaryDir dir;
    QString error;
    Target rm{"rm", {{"OUTPUT_FORMAT", "RM"}}, "", "", "", 0, 0, 0, 0, 0};
    EXPECT_TRUE(Convert(rm, dir, &error).isEmpty());
    EXPECT_TRUE(error.contains(QLatin1String("RealMedia"))) << error.toStdString();
    EXPECT_FALSE(QFileInfo(dir.filePath("rm.out")).size() > 0);
}
