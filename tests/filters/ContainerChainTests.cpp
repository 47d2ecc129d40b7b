#include "ChainTestSupport.h"
#include "filters/ContainerEncoders.h"
#include "platform/media/ChainInterfaces.h"
#include "tests/support/TestMedia.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace media;
using namespace chaintest;

namespace {

struct Enums {
    TKXSysDevEnum audio, video, filters;
    Enums() {
        audio.SelectCategory(Category::AudioCompressors);
        video.SelectCategory(Category::VideoCompressors);
        filters.SelectCategory(Category::Filters);
    }
};

/// Connects one second of video and audio to a container chain the way the engine does and
/// runs it; the error text, empty on success.
template <class Chain, class ConnectAudio>
QString RunContainerChain(Chain& chain, Graph& graph, bool withAudio, ConnectAudio connectAudio,
                          int frames = 25) {
    FilterPtr video = AddVideoSource(graph, frames);
    FilterPtr audio = withAudio ? AddAudioSource(graph) : nullptr;
    if (!chain.BuildChain())
        return QStringLiteral("BuildChain failed");
    if (Failed(chain.ConnectVideo(OutputOf(video))))
        return QStringLiteral("ConnectVideo failed");
    if (withAudio && Failed(connectAudio(OutputOf(audio))))
        return QStringLiteral("ConnectAudio failed");
    if (!chain.ConnectOutput())
        return QStringLiteral("ConnectOutput failed");
    const QString error = RunToEnd(graph);
    chain.ReleaseChain();
    return error;
}

struct AviCase {
    const char* name;
    QString muxClsid;
    bool compressAudio;
    bool lame;
    const char* container;
    const char* audioCodec;
    int sampleRate, channels;
};

void PrintTo(const AviCase& c, std::ostream* os) {
    *os << c.name;
}

class AviOutput : public ::testing::TestWithParam<AviCase> {};

} // namespace

TEST_P(AviOutput, WritesMjpegVideoAndTheAudio) {
    const AviCase& c = GetParam();
    QTemporaryDir dir;
    const QString out = dir.filePath("out.bin");
    Graph graph;
    Enums enums;
    TDSAVIEncoder avi;
    avi.Graph = &graph;
    avi.FileName = out;
    avi.MuxClassId = c.muxClsid;
    avi.VideoDeviceEnum = &enums.video;
    avi.AudioDeviceEnum = &enums.audio;
    avi.VideoCodecName = QStringLiteral("MJPEG Compressor");
    avi.UseVideoCompression = true;
    avi.HasAudio = true;
    avi.AudioStreams[0] = true;
    avi.UseAudioCompression = c.compressAudio;
    avi.UseLAME = c.lame;
    avi.AudioCodecName = QStringLiteral("PCM");
    avi.SampleRate = 22050;
    avi.Channels = 1;
    avi.BitsPerSample = 16;
    avi.Lame.Audio_LAME_VBR_Mode = false;
    avi.Lame.Audio_LAME_CBR_Bitrate = 96;
    avi.Lame.Audio_LAME_Sample_Rate = 32000;
    TKXWideStringList texts(QStringList(110, QStringLiteral("x")));
    std::vector<int> reported;
    avi.ErrorTexts = &texts;
    avi.OnError = [&](int code, const QString&) { reported.push_back(code); };
    avi.AudioEncoderConnectErrorCode = 99;
    avi.VideoConnectErrorCode = 100;
    avi.WriterConnectErrorCode = 101;
    avi.LameConnectErrorCode = 102;
    avi.AudioEncoderBuildErrorCode = 103;
    avi.LameBuildErrorCode = 104;
    const QString error = RunContainerChain(
        avi, graph, true, [&](const PinPtr& p) { return avi.ConnectAudio(0, p); });
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    EXPECT_TRUE(reported.empty());
    const auto info = testsupport::ProbeMedia(out);
    ASSERT_TRUE(info.ok) << info.error.toStdString();
    EXPECT_TRUE(info.container.contains(QLatin1String(c.container)))
        << info.container.toStdString();
    EXPECT_EQ(info.videoCodec, QLatin1String("mjpeg"));
    EXPECT_EQ(info.width, 160);
    EXPECT_EQ(info.height, 120);
    EXPECT_EQ(info.audioCodec, QLatin1String(c.audioCodec));
    EXPECT_EQ(info.sampleRate, c.sampleRate);
    EXPECT_EQ(info.channels, c.channels);
    EXPECT_NEAR(info.durationSec, 1.0, 0.1);
}

INSTANTIATE_TEST_SUITE_P(
    Chains, AviOutput,
    ::testing::Values(AviCase{"AviPcm", Clsid::AviMux, true, false, "avi", "pcm_s16le", 22050, 1},
                      AviCase{"AviUncompressedAudio", Clsid::AviMux, false, false, "avi",
                              "pcm_s16le", 48000, 2},
                      AviCase{"AviLame", Clsid::AviMux, true, true, "avi", "mp3", 32000, 2},
                      AviCase{"MatroskaPcm", ChainClsid::MatroskaMux, true, false, "matroska",
                              "pcm_s16le", 22050, 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AviOutput, WithoutAudioTheChainFinishesAfterTheVideo) {
    QTemporaryDir dir;
    const QString out = dir.filePath("out.avi");
    Graph graph;
    Enums enums;
    TDSAVIEncoder avi;
    avi.Graph = &graph;
    avi.FileName = out;
    avi.UseVideoCompression = false; // uncompressed RGB through the decompressor
    avi.DecodeToRGB = true;
    const QString error = RunContainerChain(
        avi, graph, false, [](const PinPtr&) { return E_FAIL; }, 10);
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    const auto info = testsupport::ProbeMedia(out);
    ASSERT_TRUE(info.ok) << info.error.toStdString();
    EXPECT_EQ(info.videoCodec, QLatin1String("rawvideo"));
    EXPECT_FALSE(info.hasAudio);
}

TEST(AviOutput, AudioStreamOutsideTheEightFails) {
    TDSAVIEncoder avi;
    EXPECT_EQ(avi.ConnectAudio(8, nullptr), E_FAIL);
    EXPECT_EQ(avi.ConnectAudio(-1, nullptr), E_FAIL);
}

TEST(DvOutput, WritesDvVideoAndPcmAudioForBothSystems) {
    struct Case {
        std::int32_t system;
        bool type2;
        int height;
        double fps;
    };
    for (const Case& c : {Case{TDSDVEncoder::DVF_PAL, true, 576, 25.0},
                          Case{TDSDVEncoder::DVF_NTSC, false, 480, 29.97}}) {
        QTemporaryDir dir;
        const QString out = dir.filePath("out.avi");
        Graph graph;
        Enums enums;
        TDSDVEncoder dv;
        dv.Graph = &graph;
        dv.FileName = out;
        dv.VideoFormat = c.system;
        dv.DVType2 = c.type2;
        dv.HasAudio = true;
        dv.AudioDeviceEnum = &enums.audio;
        dv.AudioSampleRate = 0; // the engine's default: DV's own rate
        dv.AudioChannels = 0;
        const QString error =
            RunContainerChain(dv, graph, true, [&](const PinPtr& p) { return dv.ConnectAudio(p); });
        ASSERT_TRUE(error.isEmpty()) << error.toStdString();
        const auto info = testsupport::ProbeMedia(out);
        ASSERT_TRUE(info.ok) << info.error.toStdString();
        EXPECT_EQ(info.container, QLatin1String("avi"));
        EXPECT_EQ(info.videoCodec, QLatin1String("dvvideo"));
        EXPECT_EQ(info.width, 720);
        EXPECT_EQ(info.height, c.height);
        EXPECT_NEAR(info.frameRate, c.fps, 0.01);
        EXPECT_EQ(info.audioCodec, QLatin1String("pcm_s16le"));
        EXPECT_EQ(info.sampleRate, 48000);
        EXPECT_EQ(info.channels, 2);
        EXPECT_NEAR(info.durationSec, 1.0, 0.1);
    }
}

TEST(DvOutput, WriterConnectFailureIsReported) {
    Graph graph;
    Enums enums;
    TDSDVEncoder dv;
    dv.Graph = &graph;
    dv.FileName = QStringLiteral("/nonexistent/out.avi");
    dv.WriterConnectErrorCode = 90;
    TKXWideStringList texts(QStringList(100, QStringLiteral("x")));
    std::vector<int> reported;
    dv.ErrorTexts = &texts;
    dv.OnError = [&](int code, const QString&) { reported.push_back(code); };
    ASSERT_TRUE(dv.BuildChain());
    FilterPtr video = AddVideoSource(graph);
    ASSERT_EQ(dv.ConnectVideo(OutputOf(video)), S_OK);
    dv.Writer->ReleaseFilter(); // the writer is gone: only its connection can fail
    EXPECT_FALSE(dv.ConnectOutput());
    EXPECT_EQ(reported, std::vector<int>{90});
}

TEST(CustomOutput, ChainOfNamedFilters) {
    QTemporaryDir dir;
    const QString out = dir.filePath("out.mkv");
    Graph graph;
    Enums enums;
    TDSCustomEncoder custom;
    custom.Graph = &graph;
    custom.FileName = out;
    custom.VideoDeviceEnum = &enums.video;
    custom.AudioDeviceEnum = &enums.audio;
    custom.FilterDeviceEnum = &enums.filters;
    custom.VideoCodecName = QStringLiteral("MJPEG Compressor");
    custom.AudioCodecName = QStringLiteral("Vorbis Encoder");
    custom.AudioCodecFromFilters = true;
    custom.MuxName = QStringLiteral("Matroska Muxer");
    custom.HasAudio = true;
    const QString error = RunContainerChain(
        custom, graph, true, [&](const PinPtr& p) { return custom.ConnectAudio(p); });
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    const auto info = testsupport::ProbeMedia(out);
    ASSERT_TRUE(info.ok) << info.error.toStdString();
    EXPECT_TRUE(info.container.contains(QLatin1String("matroska")));
    EXPECT_EQ(info.videoCodec, QLatin1String("mjpeg"));
    EXPECT_EQ(info.audioCodec, QLatin1String("vorbis"));
}

TEST(CustomOutput, AviMuxWithPcmThroughTheAudioCompressor) {
    QTemporaryDir dir;
    const QString out = dir.filePath("out.avi");
    Graph graph;
    Enums enums;
    TDSCustomEncoder custom;
    custom.Graph = &graph;
    custom.FileName = out;
    custom.VideoDeviceEnum = &enums.video;
    custom.AudioDeviceEnum = &enums.audio;
    custom.FilterDeviceEnum = &enums.filters;
    custom.VideoCodecName = QStringLiteral("MJPEG Compressor");
    custom.AudioCodecName = QStringLiteral("PCM");
    custom.MuxName = QStringLiteral("AVI Mux");
    custom.SpecialWriterNeeded = true;
    custom.SpecialWriterName = QStringLiteral("File Writer");
    custom.SampleRate = 16000;
    custom.Channels = 1;
    custom.HasAudio = true;
    const QString error = RunContainerChain(
        custom, graph, true, [&](const PinPtr& p) { return custom.ConnectAudio(p); });
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    const auto info = testsupport::ProbeMedia(out);
    ASSERT_TRUE(info.ok) << info.error.toStdString();
    EXPECT_EQ(info.container, QLatin1String("avi"));
    EXPECT_EQ(info.videoCodec, QLatin1String("mjpeg"));
    EXPECT_EQ(info.audioCodec, QLatin1String("pcm_s16le"));
    EXPECT_EQ(info.sampleRate, 16000);
    EXPECT_EQ(info.channels, 1);
}
