#include "platform/media/WmAsfWriter.h"
#include "platform/media/WmProfileManager.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace media;

namespace {

WMMediaType WmaType(std::uint16_t tag, int rate, int channels, int bps) {
    WMMediaType t;
    t.majorType = WMGuid::MediaTypeAudio;
    t.subtype = WMSubtypeFor(tag);
    t.fixedSizeSamples = true;
    t.formatType = WMGuid::FormatWaveFormatEx;
    t.wave.formatTag = tag;
    t.wave.channels = std::uint16_t(channels);
    t.wave.samplesPerSec = std::uint32_t(rate);
    t.wave.avgBytesPerSec = std::uint32_t(bps / 8);
    t.wave.blockAlign = 743;
    t.wave.bitsPerSample = 16;
    t.wave.codecData = QByteArray::fromHex("008800000F0000000000");
    t.sampleSize = 743;
    return t;
}

WMMediaType WmvType(const char (&fourcc)[5], int width, int height, std::int64_t frameTime) {
    WMMediaType t;
    t.majorType = WMGuid::MediaTypeVideo;
    t.subtype = WMSubtypeFor(WMFourcc(fourcc));
    t.temporalCompression = true;
    t.formatType = WMGuid::FormatVideoInfo;
    t.video.source = t.video.target = {0, 0, width, height};
    t.video.bitRate = 500000;
    t.video.avgTimePerFrame = frameTime;
    t.video.width = width;
    t.video.height = height;
    t.video.compression = WMFourcc(fourcc);
    return t;
}

WMStreamConfig Stream(const WMProfile& profile, const QString& major, std::uint16_t number) {
    WMStreamConfig s;
    EXPECT_EQ(profile.CreateNewStream(major, s), S_OK);
    EXPECT_EQ(s.SetStreamNumber(number), S_OK);
    return s;
}

/// A profile with one stream of each kind and every field away from its default.
WMProfile FullProfile() {
    WMProfile p;
    WMProfileManager().CreateEmptyProfile(WMT_VER_9_0, p);
    p.SetName(QStringLiteral("Name with \"quotes\" & <angles>"));
    p.SetDescription(QStringLiteral("Two\r\nlines"));
    WMStreamConfig a = Stream(p, WMGuid::MediaTypeAudio, 1);
    a.SetStreamName(QStringLiteral("Audio Stream"));
    a.SetConnectionName(QStringLiteral("Audio9"));
    a.SetBitrate(128016);
    a.SetBufferWindow(0xFFFFFFFF);
    a.Language = QStringLiteral("en");
    EXPECT_EQ(a.SetMediaType(WmaType(WMTag::Wma2, 44100, 2, 128016)), S_OK);
    EXPECT_EQ(a.SetProperty(WMProperty::VbrEnabled, WMPropertyType::Bool, 1), S_OK);
    EXPECT_EQ(a.SetProperty(WMProperty::PeakBitrate, WMPropertyType::Dword, 0), S_OK);
    EXPECT_EQ(a.SetProperty(QStringLiteral("_CUSTOM"), WMPropertyType::Dword, 7), S_OK);
    EXPECT_EQ(p.AddStream(a), S_OK);
    WMStreamConfig v = Stream(p, WMGuid::MediaTypeVideo, 2);
    v.SetStreamName(QStringLiteral("Video Stream"));
    v.SetConnectionName(QStringLiteral("Video409"));
    v.SetBitrate(391000);
    v.SetBufferWindow(5000);
    v.DecoderComplexity = QStringLiteral("AU");
    v.ReliableTransport = true;
    EXPECT_EQ(v.SetMediaType(WmvType("WMV3", 320, 240, 333667)), S_OK);
    EXPECT_EQ(v.SetQuality(85), S_OK);
    EXPECT_EQ(v.SetMaxKeyFrameSpacing(40000000), S_OK);
    EXPECT_EQ(v.SetProperty(WMProperty::VbrEnabled, WMPropertyType::Bool, 1), S_OK);
    EXPECT_EQ(v.SetProperty(WMProperty::PeakBitrate, WMPropertyType::Dword, 600000), S_OK);
    EXPECT_EQ(v.SetProperty(WMProperty::PeakBufferWindow, WMPropertyType::Dword, 1500), S_OK);
    EXPECT_EQ(p.AddStream(v), S_OK);
    return p;
}

} // namespace

TEST(WmProfile, PrxTextRoundTripsEveryField) {
    const WMProfileManager manager;
    const WMProfile original = FullProfile();
    QString text;
    std::uint32_t length = 0;
    ASSERT_EQ(manager.SaveProfile(original, text, length), S_OK);
    EXPECT_EQ(text.front(), QChar(char16_t(0xFEFF)));
    EXPECT_EQ(length, std::uint32_t(text.size() + 1)) << "characters with the terminating zero";
    EXPECT_TRUE(text.contains(QLatin1String("version=\"589824\""))) << text.toStdString();

    WMProfile loaded;
    QString why;
    ASSERT_EQ(manager.LoadProfileByData(text, loaded, &why), S_OK) << why.toStdString();
    EXPECT_EQ(loaded, original);
    ASSERT_EQ(loaded.StreamCount(), 2);
    EXPECT_EQ(loaded.Streams()[0].BufferWindow(), 0xFFFFFFFFu);
    EXPECT_EQ(loaded.Streams()[1].PropertyOr(WMProperty::PeakBitrate, 0), 600000u);

    // The byte-order mark is optional, and a saved text reads back the same after another save.
    WMProfile again;
    ASSERT_EQ(manager.LoadProfileByData(text.mid(1), again), S_OK);
    QString second;
    manager.SaveProfile(again, second, length);
    EXPECT_EQ(second, text);
}

TEST(WmProfile, TextThatIsNotAProfileIsRefusedWithAReason) {
    const QString stream =
        QStringLiteral("<streamconfig majortype=\"%1\" streamnumber=\"%2\" %3>%4</streamconfig>");
    const QString voice =
        QStringLiteral("<wmmediatype subtype=\"{0000000A-0000-0010-8000-00AA00389B71}\" "
                       "lsamplesize=\"0\"><waveformatex wFormatTag=\"10\" nChannels=\"1\" "
                       "nSamplesPerSec=\"8000\" nAvgBytesPerSec=\"500\" nBlockAlign=\"50\" "
                       "wBitsPerSample=\"16\" codecdata=\"\"/></wmmediatype>");
    auto profile = [](const QString& body) {
        return QStringLiteral("<profile version=\"589824\">") + body + "</profile>";
    };
    const QString cases[] = {
        QString(),
        QStringLiteral("just words"),
        QStringLiteral("<html><body/></html>"),
        QStringLiteral("<profile name=\"no version\"/>"),
        QStringLiteral("<profile version=\"589824\"><streamconfig"),
        profile(stream.arg("{00000000-0000-0000-0000-000000000000}", "1", "", "")),
        profile(stream.arg(WMGuid::MediaTypeAudio, "0", "", "")),
        profile(stream.arg(WMGuid::MediaTypeAudio, "64", "", "")),
        profile(stream.arg(WMGuid::MediaTypeAudio, "1", "bitrate=\"fast\"", "")),
        profile(stream.arg(WMGuid::MediaTypeAudio, "1", "", "") +
                stream.arg(WMGuid::MediaTypeVideo, "1", "", "")),
        // A voice stream cannot be coded at a variable rate.
        profile(stream.arg(WMGuid::MediaTypeAudio, "1", "vbrenabled=\"1\"", voice)),
        // A video media type in an audio stream.
        profile(stream.arg(WMGuid::MediaTypeAudio, "1", "",
                           "<wmmediatype><videoinfoheader avgtimeperframe=\"1\"/></wmmediatype>")),
    };
    for (const QString& text : cases) {
        WMProfile p;
        QString why;
        EXPECT_EQ(WMProfileManager().LoadProfileByData(text, p, &why), E_INVALIDARG)
            << text.toStdString();
        EXPECT_FALSE(why.isEmpty()) << text.toStdString();
    }
    WMProfile empty;
    EXPECT_EQ(WMProfileManager().LoadProfileByData(profile(QString()), empty), S_OK)
        << "a profile without streams is a profile";
    EXPECT_EQ(empty.StreamCount(), 0);
}

TEST(WmProfile, SystemProfilesLoadByIdentifierAndTheWriterCanEncodeThem) {
    const QStringList ids = WMProfileManager::SystemProfileIds();
    ASSERT_EQ(ids.size(), 27);
    int audioOnly = 0, videoOnly = 0;
    for (int i = 0; i < ids.size(); ++i) {
        WMProfile p;
        ASSERT_EQ(WMProfileManager().LoadProfileByID(ids[i].toLower(), p), S_OK) << i;
        EXPECT_EQ(p.Version(), WMT_VER_8_0);
        EXPECT_FALSE(p.Name().isEmpty());
        ASSERT_GE(p.StreamCount(), 1);
        bool audio = false, video = false;
        for (const WMStreamConfig& s : p.Streams()) {
            audio |= s.IsAudio();
            video |= s.IsVideo();
            const AsfStreamPlan plan = PlanAsfStream(s);
            EXPECT_TRUE(plan.error.isEmpty()) << i << ": " << plan.error.toStdString();
            // Windows Media 8 streams are encoded as what they are.
            EXPECT_EQ(plan.encoder, s.IsVideo() ? "wmv2" : "wmav2");
        }
        audioOnly += audio && !video;
        videoOnly += video && !audio;
    }
    EXPECT_EQ(audioOnly, 7);
    EXPECT_EQ(videoOnly, 2);
    WMProfile p;
    EXPECT_EQ(WMProfileManager().LoadProfileByID("{00000000-1111-2222-3333-444444444444}", p),
              VFW_E_NOT_FOUND);
}

TEST(WmProfile, CodecEnumerationFollowsThePassSettings) {
    WMProfileManager m;
    const QString audio = WMGuid::MediaTypeAudio;
    std::uint32_t codecs = 0;
    ASSERT_EQ(m.GetCodecInfoCount(audio, codecs), S_OK);
    ASSERT_EQ(codecs, 3u);
    // The voice codec has only constant-rate formats.
    EXPECT_EQ(
        m.SetCodecEnumerationSetting(audio, 0, WMProperty::VbrEnabled, WMPropertyType::Bool, 1),
        NS_E_INVALID_REQUEST);
    EXPECT_EQ(
        m.SetCodecEnumerationSetting(audio, 1, WMProperty::VbrEnabled, WMPropertyType::Dword, 1),
        E_INVALIDARG)
        << "a Bool setting given as a Dword";
    std::uint32_t cbr = 0, quality = 0, twoPass = 0;
    m.GetCodecFormatCount(audio, 1, cbr);
    m.SetCodecEnumerationSetting(audio, 1, WMProperty::VbrEnabled, WMPropertyType::Bool, 1);
    m.SetCodecEnumerationSetting(audio, 1, WMProperty::PassesUsed, WMPropertyType::Dword, 1);
    m.GetCodecFormatCount(audio, 1, quality);
    m.SetCodecEnumerationSetting(audio, 1, WMProperty::PassesUsed, WMPropertyType::Dword, 2);
    m.GetCodecFormatCount(audio, 1, twoPass);
    EXPECT_EQ(cbr, 8u);
    EXPECT_GT(quality, 0u);
    EXPECT_GT(twoPass, 0u);
    WMStreamConfig s;
    QString description;
    ASSERT_EQ(m.GetCodecFormatDesc(audio, 1, 0, s, description), S_OK);
    EXPECT_TRUE(description.endsWith(QLatin1String("2-pass VBR"))) << description.toStdString();
    EXPECT_EQ(m.GetCodecFormatDesc(audio, 1, twoPass, s, description), E_INVALIDARG);
}

// The texts settings pages store and the profile builder looks up by exact comparison.
TEST(WmProfile, CatalogueListsTheCodecsAndFormatTextsExactly) {
    EXPECT_EQ(WMCodecNames(MajorType::Audio),
              QStringList({"Windows Media Audio Voice 9", "Windows Media Audio 9.2",
                           "Windows Media Audio 10 Professional"}));
    const QStringList video = WMCodecNames(MajorType::Video);
    EXPECT_TRUE(video.contains("Windows Media Video 9"));
    EXPECT_TRUE(video.contains("Windows Media Video 9 Screen"));
    EXPECT_EQ(WMAudioFormatDescriptions("Windows Media Audio Voice 9"),
              QStringList({"4 kbps, 8 kHz, mono", "8 kbps, 8 kHz, mono", "16 kbps, 16 kHz, mono",
                           "20 kbps, 22.05 kHz, mono"}));
    EXPECT_EQ(WMAudioFormatDescriptions("Windows Media Audio 9.2"),
              QStringList({"  8 kbps,  8 kHz, mono CBR", " 12 kbps,  8 kHz, stereo CBR",
                           " 20 kbps, 16 kHz, stereo CBR", " 32 kbps, 22 kHz, stereo CBR",
                           " 48 kbps, 32 kHz, stereo CBR", " 96 kbps, 44 kHz, stereo CBR",
                           "128 kbps, 44 kHz, stereo CBR", "192 kbps, 48 kHz, stereo CBR"}));
    EXPECT_EQ(
        WMAudioFormatDescriptions("Windows Media Audio 10 Professional"),
        QStringList(
            {" 32 kbps, 32 kHz, 2 channel 16 bit CBR", " 48 kbps, 44 kHz, 2 channel 16 bit CBR",
             " 64 kbps, 44 kHz, 2 channel 16 bit CBR", " 96 kbps, 44 kHz, 2 channel 16 bit CBR",
             "128 kbps, 44 kHz, 2 channel 24 bit CBR", "192 kbps, 44 kHz, 2 channel 24 bit CBR"}));
    EXPECT_TRUE(WMAudioFormatDescriptions("Windows Media Audio Voice 9", WMEncodingMode::VbrQuality)
                    .isEmpty());
    EXPECT_TRUE(WMAudioFormatDescriptions("windows media audio 9.2").isEmpty()) << "exact names";
}

// What the writer really encodes each kind of stream as.
TEST(WmProfile, StreamPlansSayWhatTheFileReallyCarries) {
    const WMProfile p;
    auto video = [&](const char(&fourcc)[5], int w, std::int64_t frameTime, std::uint32_t bitrate,
                     bool vbr, std::uint32_t quality, std::uint32_t peak) {
        WMStreamConfig s = Stream(p, WMGuid::MediaTypeVideo, 1);
        s.SetBitrate(bitrate);
        s.SetMediaType(WmvType(fourcc, w, 240, frameTime));
        s.SetMaxKeyFrameSpacing(10000000);
        if (vbr)
            s.SetProperty(WMProperty::VbrEnabled, WMPropertyType::Bool, 1);
        if (quality)
            s.SetProperty(WMProperty::VbrQuality, WMPropertyType::Dword, quality);
        if (peak)
            s.SetProperty(WMProperty::PeakBitrate, WMPropertyType::Dword, peak);
        return s;
    };
    struct VideoCase {
        const char* name;
        WMStreamConfig stream;
        const char* encoder; ///< empty: the writer refuses the stream
        int fpsN, fpsD, kbps, maxKbps, qscale;
    };
    const VideoCase videoCases[] = {
        {"Wmv9ConstantRate", video("WMV3", 320, 333667, 512000, false, 0, 0), "wmv2", 30000, 1001,
         512, 512, 0},
        {"Wmv8", video("WMV2", 320, 666666, 32000, false, 0, 0), "wmv2", 15, 1, 32, 32, 0},
        {"Wmv7", video("WMV1", 320, 400000, 100000, false, 0, 0), "wmv1", 25, 1, 100, 100, 0},
        {"QualityVbr", video("WMV3", 320, 333333, 0, true, 95, 0), "wmv2", 30, 1, 0, 0, 3},
        {"BitrateVbr", video("WMV3", 320, 333667, 1150000, true, 0, 0), "wmv2", 30000, 1001, 1150,
         1150, 0},
        {"PeakVbr", video("WMV3", 320, 333667, 1150000, true, 0, 6000000), "wmv2", 30000, 1001,
         1150, 6000, 0},
        {"OddWidth", video("WMV3", 321, 333667, 512000, false, 0, 0), "", 0, 0, 0, 0, 0},
        {"NotWmv", video("MJPG", 320, 333667, 512000, false, 0, 0), "", 0, 0, 0, 0, 0},
        {"NoMediaType", Stream(p, WMGuid::MediaTypeVideo, 1), "", 0, 0, 0, 0, 0},
    };
    for (const VideoCase& c : videoCases) {
        SCOPED_TRACE(c.name);
        const AsfStreamPlan plan = PlanAsfStream(c.stream);
        EXPECT_EQ(plan.encoder, QLatin1String(c.encoder));
        EXPECT_EQ(plan.error.isEmpty(), *c.encoder != 0) << plan.error.toStdString();
        if (!*c.encoder)
            continue;
        EXPECT_EQ(plan.width, 320);
        EXPECT_EQ(plan.height, 240);
        EXPECT_EQ(plan.fpsN, c.fpsN);
        EXPECT_EQ(plan.fpsD, c.fpsD);
        EXPECT_EQ(plan.kbps, c.kbps);
        EXPECT_EQ(plan.maxKbps, c.maxKbps);
        EXPECT_EQ(plan.qscale, c.qscale);
        EXPECT_EQ(plan.gopFrames, int(std::lround(double(c.fpsN) / c.fpsD)))
            << "one second between key frames";
        // Anything but WMV1/WMV2 says it was written as WMV2.
        const bool later = c.stream.MediaType().video.compression == WMFourcc("WMV3");
        EXPECT_EQ(plan.approximations.filter("encoded as WMV2").size(), later ? 1 : 0);
    }

    auto audio = [&](std::uint16_t tag, int rate, int bps) {
        WMStreamConfig s = Stream(p, WMGuid::MediaTypeAudio, 2);
        s.SetBitrate(std::uint32_t(bps));
        s.SetMediaType(WmaType(tag, rate, 2, bps));
        return s;
    };
    struct AudioCase {
        const char* name;
        WMStreamConfig stream;
        const char* encoder;
        int bps;
        bool approximated;
    };
    const AudioCase audioCases[] = {
        {"Wma92", audio(WMTag::Wma2, 44100, 128000), "wmav2", 128000, false},
        {"Wma1", audio(WMTag::Wma1, 22050, 32000), "wmav1", 32000, false},
        {"ProAsWma2", audio(WMTag::WmaPro, 44100, 192000), "wmav2", 192000, true},
        {"VoiceAsWma2AtTheLowestRate", audio(WMTag::Voice, 8000, 4000), "wmav2", 24000, true},
        {"RateTooHigh", audio(WMTag::Wma2, 96000, 192000), "", 0, false},
    };
    for (const AudioCase& c : audioCases) {
        SCOPED_TRACE(c.name);
        const AsfStreamPlan plan = PlanAsfStream(c.stream);
        EXPECT_EQ(plan.encoder, QLatin1String(c.encoder));
        EXPECT_EQ(plan.error.isEmpty(), *c.encoder != 0) << plan.error.toStdString();
        if (!*c.encoder)
            continue;
        EXPECT_EQ(plan.sampleRate, int(c.stream.MediaType().wave.samplesPerSec));
        EXPECT_EQ(plan.channels, 2);
        EXPECT_EQ(plan.bitsPerSecond, c.bps);
        EXPECT_EQ(!plan.approximations.isEmpty(), c.approximated)
            << plan.approximations.join("; ").toStdString();
    }
}
