#include "ChainTestSupport.h"
#include "FakeFilter.h"
#include "filters/AudioEncoders.h"
#include "platform/media/AudioFilters.h"
#include "tests/support/TestMedia.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace media;
using namespace chaintest;

namespace {

/// An audio compressor that offers a fixed format list and records what it was set to.
class RecordingCompressor : public FakeFilter, public IAMStreamConfig {
public:
    std::vector<MediaType> formats;
    std::vector<MediaType> set;
    HRESULT GetFormatCount(int& count) const override {
        count = int(formats.size());
        return S_OK;
    }
    HRESULT GetStreamCaps(int index, MediaType& type) const override {
        type = formats.at(index);
        return S_OK;
    }
    HRESULT SetFormat(const MediaType& type) override {
        set.push_back(type);
        return S_OK;
    }
    HRESULT GetFormat(MediaType& type) const override {
        type = set.empty() ? MediaType() : set.back();
        return S_OK;
    }
};

/// Records every MP3 setting call as "Name value".
class RecordingLame : public FakeFilter, public ILameEncoderSettings {
public:
    QStringList calls;
    HRESULT Rec(const char* name, std::uint32_t v) {
        calls << QStringLiteral("%1 %2").arg(QLatin1String(name)).arg(v);
        return S_OK;
    }
#define REC(Name)                                                                                  \
    HRESULT Set##Name(std::uint32_t v) override {                                                  \
        return Rec(#Name, v);                                                                      \
    }
    REC(Bitrate)
    REC(Variable)
    REC(VariableMin)
    REC(VariableMax)
    REC(VariableQuality)
    REC(ChannelMode)
    REC(CRCFlag)
    REC(OriginalFlag)
    REC(CopyrightFlag)
    REC(EnforceVBRmin)
    REC(VoiceMode)
    REC(KeepAllFreq)
    REC(StrictISOCompliance)
    REC(NoShortBlock)
    REC(XingTag)
    REC(ForceMono)
    REC(ModeFixed)
    REC(SampleRate)
#undef REC
    HRESULT GetBitrate(std::uint32_t& v) const override {
        return v = 0, S_OK;
    }
    HRESULT GetVariable(std::uint32_t& v) const override {
        return v = 0, S_OK;
    }
    HRESULT GetChannelMode(std::uint32_t& v) const override {
        return v = 0, S_OK;
    }
};

class RecordingBag : public FakeFilter, public IPropertyBag {
public:
    QStringList writes;
    HRESULT Read(const QString&, QVariant&) const override { return E_INVALIDARG; }
    HRESULT Write(const QString& name, const QVariant& value) override {
        writes << name + "=" + value.toString() + ":" + value.typeName();
        return S_OK;
    }
};

} // namespace

TEST(AcmApplyFormat, PicksRateChannelsAndSizeOrAnySize) {
    struct Case {
        const char* what;
        std::vector<MediaType> offered;
        int rate, channels, bits;
        std::vector<MediaType> expectedSet;
        bool reports27;
    };
    const MediaType a = MediaType::Pcm(22050, 2, 16), b = MediaType::Pcm(44100, 2, 0),
                    c = MediaType::Pcm(44100, 2, 16), mono = MediaType::Pcm(44100, 1, 16);
    const Case cases[] = {
        {"0 bits matches any size, first wins", {a, b, c}, 44100, 2, 16, {b}, false},
        {"exact size", {a, mono, c}, 44100, 2, 16, {c}, false},
        {"no match: first format and 27", {a, mono}, 48000, 2, 16, {a}, true},
        {"no match, empty list: nothing set, 27", {}, 44100, 2, 16, {}, true},
    };
    TKXWideStringList texts;
    for (int i = 0; i < 30; ++i)
        texts.Add(QStringLiteral("text %1").arg(i));
    for (const Case& c0 : cases) {
        auto fake = std::make_shared<RecordingCompressor>();
        fake->AddPin(PinDirection::Input, "in", MajorType::Audio);
        fake->AddPin(PinDirection::Output, "out", MajorType::Audio);
        fake->formats = c0.offered;
        std::vector<int> reported;
        TDSACMEncoder acm;
        acm.Encoder->Filter = fake;
        acm.SampleRate = c0.rate;
        acm.Channels = c0.channels;
        acm.BitsPerSample = c0.bits;
        acm.FormatErrorCode = 27;
        acm.ErrorTexts = &texts;
        acm.OnError = [&](int code, const QString&) { reported.push_back(code); };
        acm.ApplyFormat();
        EXPECT_EQ(fake->set, c0.expectedSet) << c0.what;
        EXPECT_EQ(reported, c0.reports27 ? std::vector<int>{27} : std::vector<int>{}) << c0.what;
    }
}

TEST(LameApplySettings, PassesTheSettingsInOrder) {
    const QStringList tail = {"CRCFlag 1",     "CopyrightFlag 0",       "OriginalFlag 1",
                              "ForceMono 0",   "EnforceVBRmin 0",       "VoiceMode 0",
                              "KeepAllFreq 0", "StrictISOCompliance 0", "NoShortBlock 0",
                              "XingTag 1",     "ModeFixed 0",           "SampleRate 32000"};
    struct Case {
        const char* what;
        bool vbr;
        int channelsMode;
        QStringList head;
    };
    const Case cases[] = {
        {"VBR off: switch 0, then the constant rate",
         false,
         1,
         {"Variable 0", "Bitrate 160", "ChannelMode 1"}},
        {"VBR on: bounds and quality, never the constant rate",
         true,
         0,
         {"Variable 1", "VariableMin 64", "VariableMax 224", "VariableQuality 3", "ChannelMode 0"}},
        {"mono passes 3", false, 3, {"Variable 0", "Bitrate 160", "ChannelMode 3"}},
    };
    for (const Case& c : cases) {
        auto fake = std::make_shared<RecordingLame>();
        TDSLameEncoder lame;
        lame.Encoder->Filter = fake;
        lame.Lame.Audio_LAME_VBR_Mode = c.vbr;
        lame.Lame.Audio_LAME_CBR_Bitrate = 160;
        lame.Lame.Audio_LAME_VBR_Min_Bitrate = 64;
        lame.Lame.Audio_LAME_VBR_Max_Bitrate = 224;
        lame.Lame.Audio_LAME_VBR_Quality = 3;
        lame.Lame.Audio_LAME_Channels_Mode = c.channelsMode;
        lame.Lame.Audio_LAME_CRC_Protected = true;
        lame.Lame.Audio_LAME_Original = true;
        lame.Lame.Audio_LAME_Enable_Xing_VBR_Tag = true;
        lame.Lame.Audio_LAME_Sample_Rate = 32000;
        lame.ApplySettings();
        EXPECT_EQ(fake->calls, c.head + tail) << c.what;
    }
}

TEST(LameApplySettings, WithoutThePropertyInterfaceNothingIsCalled) {
    TDSLameEncoder lame;
    lame.Encoder->Filter = std::make_shared<FakeFilter>();
    lame.ApplySettings();
    EXPECT_EQ(lame.LastResult, E_NOINTERFACE);
}

TEST(OggApplySettings, WritesBitRatesThenQuality) {
    struct Case {
        std::int32_t mode;
        QStringList expected;
    };
    const Case cases[] = {
        {TDSOGGVorbis::VM_Quality,
         {"AvgBitrate=-1:int", "MinBitrate=-1:int", "MaxBitrate=-1:int", "Quality=0.7:double"}},
        {TDSOGGVorbis::VM_Bitrate,
         {"AvgBitrate=112:int", "MinBitrate=64:int", "MaxBitrate=160:int", "Quality=-1:int"}},
    };
    for (const Case& c : cases) {
        auto fake = std::make_shared<RecordingBag>();
        TDSOGGVorbis ogg;
        ogg.Encoder->Filter = fake;
        ogg.Mode = c.mode;
        ogg.AvgBitRate = 112;
        ogg.MinBitRate = 64;
        ogg.MaxBitRate = 160;
        ogg.Quality = 0.7;
        ogg.ApplySettings();
        EXPECT_EQ(fake->writes, c.expected);
    }
}

TEST(PcmCompressor, OffersFormatsOnlyOnceItsInputIsConnected) {
    Graph graph;
    FilterPtr source = AddAudioSource(graph);
    HRESULT hr = E_FAIL;
    TKXSysDevEnum audio;
    audio.SelectCategory(Category::AudioCompressors);
    FilterPtr pcm = audio.GetMoniker(audio.IndexOf(QStringLiteral("PCM")), hr);
    ASSERT_TRUE(pcm);
    graph.AddFilter(pcm, "PCM");
    auto* config = pcm->QueryInterface<IAMStreamConfig>();
    ASSERT_TRUE(config);
    int count = -1;
    EXPECT_EQ(config->GetFormatCount(count), VFW_E_NOT_CONNECTED);
    EXPECT_EQ(count, 0);
    PinPtr in;
    FindPin(pcm.get(), 0, 1, in);
    ASSERT_EQ(graph.Connect(OutputOf(source), in), S_OK);
    ASSERT_EQ(config->GetFormatCount(count), S_OK);
    EXPECT_EQ(count, 9 * 2 * 2);
    MediaType first, last;
    config->GetStreamCaps(0, first);
    config->GetStreamCaps(count - 1, last);
    EXPECT_EQ(first, MediaType::Pcm(8000, 1, 8));
    EXPECT_EQ(last, MediaType::Pcm(48000, 2, 16));
}

namespace {

/// Builds an audio chain the way the engine does and runs one second of audio through it.
template <class Chain>
QString RunAudioChain(Chain& chain, Graph& graph, const char* wave = "sine") {
    FilterPtr source = AddAudioSource(graph, wave);
    if (!chain.BuildChain())
        return QStringLiteral("BuildChain failed");
    if (Failed(chain.ConnectInput(OutputOf(source))))
        return QStringLiteral("ConnectInput failed");
    if (!chain.ConnectOutput())
        return QStringLiteral("ConnectOutput failed: %1").arg(chain.LastResult, 0, 16);
    const QString error = RunToEnd(graph);
    chain.ReleaseChain();
    return error;
}

} // namespace

TEST(WavOutput, WritesTheAskedRateChannelsAndSampleSize) {
    struct Case {
        int rate, channels, bits;
        const char* codec;
    };
    for (const Case& c : {Case{22050, 1, 8, "pcm_u8"}, Case{44100, 2, 16, "pcm_s16le"}}) {
        QTemporaryDir dir;
        const QString out = dir.filePath("out.wav");
        Graph graph;
        TKXSysDevEnum audio;
        audio.SelectCategory(Category::AudioCompressors);
        TDSACMEncoder acm;
        acm.Graph = &graph;
        acm.DeviceEnum = &audio;
        acm.CodecName = QStringLiteral("PCM");
        acm.SampleRate = c.rate;
        acm.Channels = c.channels;
        acm.BitsPerSample = c.bits;
        acm.WriteToFile = true;
        acm.FileName = out;
        std::vector<int> reported;
        TKXWideStringList texts(QStringList(30, QStringLiteral("x")));
        acm.ErrorTexts = &texts;
        acm.OnError = [&](int code, const QString&) { reported.push_back(code); };
        acm.FormatErrorCode = 27;
        const QString error = RunAudioChain(acm, graph);
        ASSERT_TRUE(error.isEmpty()) << error.toStdString();
        EXPECT_TRUE(reported.empty());
        const auto info = testsupport::ProbeMedia(out);
        ASSERT_TRUE(info.ok) << info.error.toStdString();
        EXPECT_EQ(info.container, QLatin1String("wav"));
        EXPECT_EQ(info.audioCodec, QLatin1String(c.codec));
        EXPECT_EQ(info.sampleRate, c.rate);
        EXPECT_EQ(info.channels, c.channels);
        EXPECT_NEAR(info.durationSec, 1.0, 0.05);
    }
}

TEST(WavOutput, MissingCompressorIsReported) {
    Graph graph;
    TKXSysDevEnum audio;
    audio.SelectCategory(Category::AudioCompressors);
    TDSACMEncoder acm;
    acm.Graph = &graph;
    acm.DeviceEnum = &audio;
    acm.CodecName = QStringLiteral("No Such Codec");
    acm.CreateErrorCode = 19;
    TKXWideStringList texts(QStringList(30, QStringLiteral("x")));
    acm.ErrorTexts = &texts;
    std::vector<int> reported;
    acm.OnError = [&](int code, const QString&) { reported.push_back(code); };
    EXPECT_FALSE(acm.BuildChain());
    EXPECT_EQ(reported, std::vector<int>{19});
}

TEST(Mp3Output, WritesTheAskedRateModeAndBitRate) {
    struct Case {
        const char* what;
        bool vbr;
        int cbrKbps;
        int channelsMode;
        int sampleRate;
        int expectedChannels;
        int expectedHeaderMode;
        bool xingTag;
        const char* expectedTag; // the tag of the header frame, "" for none
    };
    // A VBR file always carries a Xing header: without it players take the first frame's rate
    // for the whole file and get the length and every seek wrong.
    const Case cases[] = {
        {"CBR joint stereo", false, 128, 1, 32000, 2, 1, false, ""},
        {"CBR mono with tag", false, 64, 3, 44100, 1, 3, true, "Xing"},
        {"VBR mono", true, 0, 3, 22050, 1, 3, false, "Xing"},
        {"VBR joint stereo", true, 0, 1, 48000, 2, 1, false, "Xing"},
    };
    for (const Case& c : cases) {
        QTemporaryDir dir;
        const QString out = dir.filePath("out.mp3");
        Graph graph;
        TDSLameEncoder lame;
        lame.Graph = &graph;
        lame.WriteToFile = true;
        lame.FileName = out;
        lame.Lame.Audio_LAME_VBR_Mode = c.vbr;
        lame.Lame.Audio_LAME_CBR_Bitrate = c.cbrKbps;
        lame.Lame.Audio_LAME_VBR_Quality = 4;
        lame.Lame.Audio_LAME_Channels_Mode = c.channelsMode;
        lame.Lame.Audio_LAME_Sample_Rate = c.sampleRate;
        lame.Lame.Audio_LAME_Enable_Xing_VBR_Tag = c.xingTag;
        // Ticks between silence: a VBR encoder gives the silent frames fewer bits.
        const QString error = RunAudioChain(lame, graph, c.vbr ? "ticks" : "sine");
        ASSERT_TRUE(error.isEmpty()) << c.what << ": " << error.toStdString();
        const auto info = testsupport::ProbeMedia(out);
        ASSERT_TRUE(info.ok) << info.error.toStdString();
        EXPECT_EQ(info.audioCodec, QLatin1String("mp3")) << c.what;
        EXPECT_EQ(info.sampleRate, c.sampleRate) << c.what;
        EXPECT_EQ(info.channels, c.expectedChannels) << c.what;
        const QByteArray head = ReadAll(out).left(1024);
        for (const char* tag : {"Xing", "Info"})
            EXPECT_EQ(head.contains(tag), qstrcmp(tag, c.expectedTag) == 0) << c.what << " " << tag;
        // The source's length, plus the encoder's delay and the padding of its last frame.
        EXPECT_NEAR(info.durationSec, 47 * 1024 / 48000.0 + 0.05, 0.07) << c.what;
        const auto frames = Mp3Frames(ReadAll(out));
        ASSERT_GT(frames.size(), 10u) << c.what;
        std::set<int> rates;
        // The header frame carries no sound and has a rate of its own.
        for (size_t i = *c.expectedTag ? 1 : 0; i < frames.size(); ++i) {
            const Mp3Frame& f = frames[i];
            EXPECT_EQ(f.channelMode, c.expectedHeaderMode) << c.what;
            EXPECT_EQ(f.sampleRate, c.sampleRate) << c.what;
            rates.insert(f.bitrateKbps);
        }
        if (c.vbr) {
            EXPECT_GT(rates.size(), 1u) << c.what;
            std::printf("[ measure ] %s: frame bit rates %d..%d kbit/s over %zu frames\n", c.what,
                        *rates.begin(), *rates.rbegin(), frames.size());
        } else {
            EXPECT_EQ(rates, std::set<int>{c.cbrKbps}) << c.what;
            const double kbps = ReadAll(out).size() * 8.0 / info.durationSec / 1000.0;
            EXPECT_NEAR(kbps, c.cbrKbps, c.cbrKbps * 0.05) << c.what;
            std::printf("[ measure ] %s: asked %d kbit/s, file %.1f kbit/s\n", c.what, c.cbrKbps,
                        kbps);
        }
    }
}

TEST(OggOutput, WritesVorbisInBitRateAndQualityMode) {
    for (std::int32_t mode : {TDSOGGVorbis::VM_Bitrate, TDSOGGVorbis::VM_Quality}) {
        QTemporaryDir dir;
        const QString out = dir.filePath("out.ogg");
        Graph graph;
        TKXSysDevEnum filters;
        filters.SelectCategory(Category::Filters);
        TDSOGGVorbis ogg;
        ogg.Graph = &graph;
        ogg.DeviceEnum = &filters;
        ogg.FileName = out;
        ogg.Mode = mode;
        ogg.AvgBitRate = 128;
        ogg.MinBitRate = 64;
        ogg.MaxBitRate = 192;
        ogg.Quality = 0.6;
        const QString error = RunAudioChain(ogg, graph);
        ASSERT_TRUE(error.isEmpty()) << error.toStdString();
        const auto info = testsupport::ProbeMedia(out);
        ASSERT_TRUE(info.ok) << info.error.toStdString();
        EXPECT_EQ(info.container, QLatin1String("ogg"));
        EXPECT_EQ(info.audioCodec, QLatin1String("vorbis"));
        EXPECT_NEAR(info.durationSec, 1.0, 0.1);
        const VorbisHeader h = ReadVorbisHeader(ReadAll(out));
        ASSERT_TRUE(h.found);
        EXPECT_EQ(h.sampleRate, 48000);
        EXPECT_EQ(h.channels, 2);
        if (mode == TDSOGGVorbis::VM_Bitrate) {
            EXPECT_EQ(h.nominalBitrate, 128000);
            EXPECT_EQ(h.minBitrate, 64000);
            EXPECT_EQ(h.maxBitrate, 192000);
        } else {
            // Quality mode leaves the bounds open (0 or -1 both mean unset).
            EXPECT_LE(h.minBitrate, 0);
            EXPECT_LE(h.maxBitrate, 0);
            EXPECT_GT(h.nominalBitrate, 0);
            EXPECT_NE(h.nominalBitrate, 128000);
        }
    }
}

TEST(ChainsWithoutFile, HoldOnlyTheirEncoderAndConnectNothingOnwards) {
    Graph graph;
    FilterPtr source = AddAudioSource(graph);
    TKXSysDevEnum audio;
    audio.SelectCategory(Category::AudioCompressors);
    TDSACMEncoder acm;
    acm.Graph = &graph;
    acm.DeviceEnum = &audio;
    acm.CodecName = QStringLiteral("PCM");
    TDSLameEncoder lame;
    lame.Graph = &graph;
    ASSERT_TRUE(acm.BuildChain());
    ASSERT_TRUE(lame.BuildChain());
    EXPECT_EQ(graph.Filters().size(), 3u); // the source and the two encoders
    ASSERT_EQ(acm.ConnectInput(OutputOf(source)), S_OK);
    EXPECT_TRUE(acm.ConnectOutput());
    EXPECT_TRUE(lame.ConnectOutput());
    PinPtr out;
    ASSERT_TRUE(acm.GetOutputPin(out));
    EXPECT_FALSE(out->ConnectedTo());
    EXPECT_FALSE(lame.Dump->Filter);
}
