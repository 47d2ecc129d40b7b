#include "ChainTestSupport.h"
#include "filters/WMVEncoder.h"
#include "platform/media/WmProfileManager.h"
#include "tests/support/TestMedia.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

using namespace media;
using namespace chaintest;

namespace {

/// The settings of the WMV page's first preset row.
void PresetRow0(TKX_WMV_CustomProfile& c) {
    c.ProfileName = QStringLiteral("Custom");
    c.ProfileDescription = QStringLiteral("Made from the settings");
    c.VideoStreamPresent = true;
    c.VideoCodec = QStringLiteral("Windows Media Video 9");
    c.VideoMode = wmv::KX_SM_CBR;
    c.VideoWidth = 320;
    c.VideoHeight = 240;
    c.VideoFrameRate = 29.97;
    c.VideoKeyFrameInterval = 1;
    c.VideoBitrate = 512;
    c.VideoPeakBitrate = 6000;
    c.VideoQuality = 95;
    c.AudioStreamPresent = true;
    c.AudioCodec = QStringLiteral("Windows Media Audio 9.2");
    c.AudioFormat = QStringLiteral("128 kbps, 44 kHz, stereo CBR");
    c.AudioMode = wmv::KX_SM_CBR;
    c.AudioQuality = 95;
}

struct Built {
    QString warnings;
    WMProfile profile;
    const WMStreamConfig* video = nullptr;
    const WMStreamConfig* audio = nullptr;
};

Built Build(TKX_WMV_CustomProfile& c) {
    Built b;
    c.BuildProfile(b.warnings);
    QString why;
    EXPECT_EQ(WMProfileManager().LoadProfileByData(c.ProfileText, b.profile, &why), S_OK)
        << why.toStdString();
    EXPECT_EQ(c.ProfileTextLength, std::uint32_t(c.ProfileText.size() + 1));
    for (const WMStreamConfig& s : b.profile.Streams())
        (s.IsVideo() ? b.video : b.audio) = &s;
    return b;
}

std::uint32_t Prop(const WMStreamConfig* s, const QString& name) {
    return s ? s->PropertyOr(name, 0xDEAD) : 0xBAD;
}

/// The catalogues as the engine builds them: the names of profiles 1 to 9, the 17 texts, the
/// system profiles from the name and description lists.
struct Catalogues {
    TKXWideStringList names, texts;
    std::vector<TDSWMV8Profile> v8;
    Catalogues() {
        for (int i = 1; i <= 17; ++i) {
            texts.Add(WMVResourceText(QStringLiteral("WMV_PROFILE_%1").arg(i)));
            WMProfile p;
            WMProfileManager().LoadProfileByData(texts[i - 1], p);
            if (i <= 9)
                names.Add(p.Name());
        }
        TKXWideStringList n, d;
        n.SetText(WMVResourceText("WMV8_NAMES"));
        d.SetText(WMVResourceText("WMV8_DESCS"));
        const QStringList ids = WMProfileManager::SystemProfileIds();
        for (int i = 0; i < n.Count() && i < ids.size(); ++i)
            v8.push_back({d[i], ids[i], n[i]});
    }
};

/// A writer wrapper on its own graph, as the engine prepares it.
struct Writer {
    Graph graph;
    Catalogues catalogues;
    TKX_WMV_CustomProfile custom;
    TKXWideStringList texts{QStringList(200, QStringLiteral("text"))};
    TDSWMVEncoder w;
    std::vector<int> codes;
    QStringList messages;
    QTemporaryDir dir;

    Writer() {
        w.Graph = &graph;
        w.ErrorTexts = &texts;
        w.OnError = [this](int code, const QString& text) {
            codes.push_back(code);
            messages << text;
        };
        w.FileName = dir.filePath("out.wmv");
        w.AddErrorCode = 53;
        w.CreateErrorCode = 54;
        w.ConnectErrorCode = 55;
        w.V8Profiles = &catalogues.v8;
        w.InternalProfileNames = &catalogues.names;
        w.InternalProfileTexts = &catalogues.texts;
        w.CustomProfile = &custom;
        w.HasAudio = true;
        w.HasVideo = true;
    }
    void Configure() {
        ASSERT_TRUE(w.CreateFilter());
        w.ConfigureProfile();
    }
    QString File(const QString& name, const QByteArray& bytes) {
        QFile f(dir.filePath(name));
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        return f.fileName();
    }
    /// Feeds about a second of video and audio to whatever the writer has, runs to the end.
    QString Run(bool video, bool audio) {
        if (video && w.ConnectVideo(OutputOf(AddVideoSource(graph))) != S_OK)
            return QStringLiteral("video did not connect");
        if (audio && w.ConnectAudio(OutputOf(AddAudioSource(graph))) != S_OK)
            return QStringLiteral("audio did not connect");
        const QString error = RunToEnd(graph);
        w.ReleaseFilter();
        return error;
    }
};

} // namespace

// The builder's edge cases, each on the settings of preset row 0.
TEST(WmvProfileBuilder, BuildsWhatTheSettingsSay) {
    struct Case {
        const char* name;
        std::function<void(TKX_WMV_CustomProfile&)> change;
        const char* warnings;
        std::function<void(const Built&)> check;
    };
    const Case cases[] = {
        {"ConstantRate", [](auto&) {}, "",
         [](const Built& b) {
             EXPECT_EQ(b.profile.Version(), WMT_VER_9_0);
             ASSERT_TRUE(b.video && b.audio);
             EXPECT_EQ(b.video->StreamNumber(), 1);
             EXPECT_EQ(b.video->StreamName(), "VideoStream1");
             EXPECT_EQ(b.video->ConnectionName(), "VS1");
             EXPECT_EQ(b.video->Bitrate(), 512000u);
             EXPECT_EQ(b.video->BufferWindow(), 5000u);
             const WMVideoInfo& v = b.video->MediaType().video;
             EXPECT_EQ(v.avgTimePerFrame, 333667) << "29.97 fps, rounded";
             EXPECT_EQ(v.bitRate, 512000u);
             EXPECT_EQ(v.width, 320);
             EXPECT_EQ(v.target.right, 320);
             EXPECT_EQ(v.source.bottom, 240);
             EXPECT_EQ(Prop(b.video, WMProperty::VbrEnabled), 0xDEADu) << "not set in CBR";
             EXPECT_EQ(b.audio->StreamNumber(), 2);
             EXPECT_EQ(b.audio->StreamName(), "AudioStream1");
             EXPECT_EQ(b.audio->ConnectionName(), "AS1");
             EXPECT_EQ(b.audio->Bitrate(), 128000u);
             EXPECT_EQ(b.audio->MediaType().wave.samplesPerSec, 44100u);
         }},
        {"VideoQualityMode", [](auto& c) { c.VideoMode = wmv::KX_SM_VBR_Quality; }, "",
         [](const Built& b) {
             ASSERT_TRUE(b.video);
             EXPECT_EQ(b.video->Bitrate(), 0u) << "no bit rate in quality mode";
             EXPECT_EQ(b.video->BufferWindow(), 0xFFFFFFFFu) << "no buffer window either";
             EXPECT_EQ(b.video->MediaType().video.bitRate, 0u);
             std::uint32_t quality = 0;
             b.video->GetQuality(quality);
             EXPECT_EQ(quality, 95u);
             EXPECT_EQ(Prop(b.video, WMProperty::VbrEnabled), 1u);
             EXPECT_EQ(Prop(b.video, WMProperty::VbrQuality), 95u);
             EXPECT_EQ(Prop(b.video, WMProperty::PeakBitrate), 0u);
             EXPECT_EQ(Prop(b.video, WMProperty::PeakBufferWindow), 0u);
         }},
        {"VideoPeakMode", [](auto& c) { c.VideoMode = wmv::KX_SM_VBR_PeakBitrate; }, "",
         [](const Built& b) { EXPECT_EQ(Prop(b.video, WMProperty::PeakBitrate), 6000000u); }},
        {"VideoPeakBelowTheTarget",
         [](auto& c) {
             c.VideoMode = wmv::KX_SM_VBR_PeakBitrate;
             c.VideoPeakBitrate = 100;
         },
         "164;",
         [](const Built& b) { EXPECT_EQ(Prop(b.video, WMProperty::PeakBitrate), 0xDEADu); }},
        {"QualityAbove100",
         [](auto& c) {
             c.VideoMode = wmv::KX_SM_VBR_Quality;
             c.VideoQuality = 101;
         },
         "157;161;", [](const Built& b) { EXPECT_TRUE(b.video) << "the video stream stays"; }},
        {"KeyFrameSpacing10", [](auto& c) { c.VideoKeyFrameInterval = 10; }, "",
         [](const Built& b) {
             std::int64_t spacing = 0;
             b.video->GetMaxKeyFrameSpacing(spacing);
             EXPECT_EQ(spacing, 100000000);
         }},
        {"NoFrameRate", [](auto& c) { c.VideoFrameRate = 0; }, "159;",
         [](const Built& b) {
             ASSERT_TRUE(b.video);
             EXPECT_FALSE(b.video->HasMediaType());
         }},
        {"UnknownVideoCodec", [](auto& c) { c.VideoCodec = "Windows Media Video 11"; }, "",
         [](const Built& b) {
             ASSERT_TRUE(b.video) << "added without a media type";
             EXPECT_FALSE(b.video->HasMediaType());
             EXPECT_EQ(b.video->Bitrate(), 512000u);
         }},
        {"AudioModeIsNotCompared", [](auto& c) { c.AudioMode = wmv::KX_SM_VBR_Quality; }, "",
         [](const Built& b) {
             ASSERT_TRUE(b.audio);
             EXPECT_EQ(b.audio->MediaType().wave.avgBytesPerSec, 16000u) << "the CBR format";
             EXPECT_EQ(b.audio->Bitrate(), 0u);
             EXPECT_EQ(Prop(b.audio, WMProperty::VbrEnabled), 1u);
             EXPECT_EQ(Prop(b.audio, WMProperty::VbrQuality), 95u);
         }},
        {"AudioPeakWithZero",
         [](auto& c) {
             c.AudioMode = wmv::KX_SM_VBR_PeakBitrate;
             c.AudioPeakBitrate = 0;
         },
         "168;",
         [](const Built& b) {
             ASSERT_TRUE(b.audio) << "still added";
             EXPECT_EQ(Prop(b.audio, WMProperty::VbrEnabled), 1u);
             EXPECT_EQ(Prop(b.audio, WMProperty::PeakBitrate), 0xDEADu);
         }},
        {"AudioPeak",
         [](auto& c) {
             c.AudioMode = wmv::KX_SM_VBR_PeakBitrate;
             c.AudioPeakBitrate = 384;
         },
         "",
         [](const Built& b) {
             EXPECT_EQ(Prop(b.audio, WMProperty::PeakBitrate), 384000u);
             EXPECT_EQ(Prop(b.audio, WMProperty::PeakBufferWindow), 1500u);
         }},
        {"VoiceAtAVariableRate",
         [](auto& c) {
             c.AudioCodec = "Windows Media Audio Voice 9";
             c.AudioFormat = "16 kbps, 16 kHz, mono";
             c.AudioMode = wmv::KX_SM_VBR_Bitrate;
         },
         "165;", [](const Built& b) { EXPECT_FALSE(b.audio) << "a refused setting drops it"; }},
        {"UnknownAudioFormat", [](auto& c) { c.AudioFormat = "128 kbps, 44 kHz, stereo"; }, "",
         [](const Built& b) { EXPECT_FALSE(b.audio); }},
        {"BothStreamsAbsent",
         [](auto& c) {
             c.VideoStreamPresent = false;
             c.AudioStreamPresent = false;
         },
         "",
         [](const Built& b) {
             EXPECT_EQ(b.profile.StreamCount(), 0);
             EXPECT_EQ(b.profile.Name(), "Custom");
             EXPECT_EQ(b.profile.Description(), "Made from the settings");
         }},
    };
    TKX_WMV_CustomProfile c;
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        PresetRow0(c);
        k.change(c);
        const Built b = Build(c);
        EXPECT_EQ(b.warnings, QLatin1String(k.warnings));
        k.check(b);
    }
}

// Every codec and format the WMV page offers finds its format (the texts must match exactly).
TEST(WmvProfileBuilder, EveryChoiceOfTheWmvPageFindsItsFormat) {
    const std::pair<const char*, QStringList> audio[] = {
        {"Windows Media Audio Voice 9",
         {"4 kbps, 8 kHz, mono", "8 kbps, 8 kHz, mono", "16 kbps, 16 kHz, mono",
          "20 kbps, 22.05 kHz, mono"}},
        {"Windows Media Audio 9.2",
         {"  8 kbps,  8 kHz, mono CBR", " 12 kbps,  8 kHz, stereo CBR",
          " 20 kbps, 16 kHz, stereo CBR", " 32 kbps, 22 kHz, stereo CBR",
          " 48 kbps, 32 kHz, stereo CBR", " 96 kbps, 44 kHz, stereo CBR",
          "128 kbps, 44 kHz, stereo CBR", "192 kbps, 48 kHz, stereo CBR"}},
        {"Windows Media Audio 10 Professional",
         {" 32 kbps, 32 kHz, 2 channel 16 bit CBR", " 48 kbps, 44 kHz, 2 channel 16 bit CBR",
          " 64 kbps, 44 kHz, 2 channel 16 bit CBR", " 96 kbps, 44 kHz, 2 channel 16 bit CBR",
          "128 kbps, 44 kHz, 2 channel 24 bit CBR", "192 kbps, 44 kHz, 2 channel 24 bit CBR"}}};
    TKX_WMV_CustomProfile c;
    for (const auto& [codec, formats] : audio) {
        for (const QString& format : formats) {
            PresetRow0(c);
            c.AudioCodec = QLatin1String(codec);
            c.AudioFormat = format;
            const Built b = Build(c);
            ASSERT_TRUE(b.audio) << codec << " / \"" << format.toStdString() << "\"";
            EXPECT_TRUE(PlanAsfStream(*b.audio).error.isEmpty());
        }
    }
    // The page's video codecs in the three modes it offers.
    for (const char* codec : {"Windows Media Video 9 Screen", "Windows Media Video 9"}) {
        for (std::uint8_t mode :
             {wmv::KX_SM_CBR, wmv::KX_SM_VBR_Bitrate, wmv::KX_SM_VBR_PeakBitrate}) {
            PresetRow0(c);
            c.VideoCodec = QLatin1String(codec);
            c.VideoMode = mode;
            const Built b = Build(c);
            ASSERT_TRUE(b.video && b.video->HasMediaType()) << codec << " mode " << int(mode);
            EXPECT_TRUE(b.warnings.isEmpty()) << b.warnings.toStdString();
            EXPECT_TRUE(PlanAsfStream(*b.video).error.isEmpty());
        }
    }
}

// The built-in profile texts carry the values of the built-in profile table.
TEST(WmvBuiltInProfiles, CarryTheirTableValues) {
    struct Row {
        const char* name;
        int width, height;
        std::int64_t frameTime;
        std::uint32_t videoBitrate, quality;
        std::int64_t keySpacing;
        const char* complexity;
        std::uint32_t rate, channels, audioBitrate, blockAlign, avgBytes;
        const char* codecData;
    };
    const Row rows[] = {
        {"Windows Media Video 9 for Dial-up Modems (28,8 kbps)", 160, 120, 666666, 14000, 50,
         80000000, "AU", 11025, 1, 8024, 326, 1003, "00220000260019050000"},
        {"Windows Media Video 9 for Dial-up Modems (56 kbps)", 176, 144, 666666, 40000, 75,
         80000000, "AU", 16000, 1, 10000, 400, 1250, "002200002600B0040000"},
        {"Windows Media Video 9 for Dial-up Modems or LAN (28,8 to 100 kbps)", 176, 144, 666666,
         78000, 75, 80000000, "AU", 16000, 1, 10000, 400, 1250, "002200002600B0040000"},
        {"Windows Media Video 9 for LAN,Cable Modem, or xDSL  (100 to 768kbps)", 320, 240, 333667,
         391000, 85, 40000000, "AU", 32000, 2, 32000, 768, 4000, "008800001700001E0000"},
        {"Windows Media Video 9 for Local Network (100 kbps)", 320, 240, 666666, 83000, 75,
         80000000, "AU", 16000, 1, 10000, 400, 1250, "002200002600B0040000"},
        {"Windows Media Video 9 for Local Network (256 kbps)", 320, 240, 333667, 198976, 80,
         60000000, "", 44100, 1, 48024, 1115, 6003, "008800000F00D9220000"},
        {"Windows Media Video 9 for Local Network (384 kbps)", 320, 240, 333667, 279000, 85,
         40000000, "", 48000, 2, 96000, 2048, 12000, "008800000F0000400000"},
        {"Windows Media Video 9 for Local Network (768 kbps)", 320, 240, 333667, 662960, 90,
         40000000, "AU", 44100, 2, 320032, 7431, 40004, "008800000F0000000000"},
        {"Windows Media Video 9 for Pocket PC (225kbps)", 208, 160, 333667, 169976, 80, 60000000,
         "AU", 44100, 2, 320032, 7431, 40004, "008800000F0000000000"},
        {"Windows Media Audio 9 Low (48K)", 0, 0, 0, 0, 0, 0, "", 44100, 2, 48024, 2230, 6003,
         "008800001F0000000000"},
        {"Windows Media Audio 9 Low (64K)", 0, 0, 0, 0, 0, 0, "", 44100, 2, 64024, 2973, 8003,
         "008800000F0000000000"},
        {"Windows Media Audio 9 Low (96K)", 0, 0, 0, 0, 0, 0, "", 44100, 2, 96024, 4459, 12003,
         "008800000F0000000000"},
        {"Windows Media Audio 9 Medium (128K)", 0, 0, 0, 0, 0, 0, "", 44100, 2, 128016, 5945, 16002,
         "008800000F0000000000"},
        {"Windows Media Audio 9 Medium (160K)", 0, 0, 0, 0, 0, 0, "", 44100, 2, 160016, 7431, 20002,
         "008800000F0000000000"},
        {"Windows Media Audio 9 High (192K)", 0, 0, 0, 0, 0, 0, "", 44100, 2, 192016, 8917, 24002,
         "008800000F0000000000"},
        {"Windows Media Audio 9 High (256K)", 0, 0, 0, 0, 0, 0, "", 44100, 2, 256016, 11889, 32002,
         "008800000F0000000000"},
        {"Windows Media Audio 9 High (320K)", 0, 0, 0, 0, 0, 0, "", 44100, 2, 320008, 14861, 40001,
         "008800000F0000000000"},
    };
    for (int i = 0; i < 17; ++i) {
        const Row& r = rows[i];
        SCOPED_TRACE(r.name);
        const bool video = i < 9;
        WMProfile p;
        QString why;
        ASSERT_EQ(WMProfileManager().LoadProfileByData(
                      WMVResourceText(QStringLiteral("WMV_PROFILE_%1").arg(i + 1)), p, &why),
                  S_OK)
            << why.toStdString();
        EXPECT_EQ(p.Name(), QLatin1String(r.name));
        EXPECT_EQ(p.Version(), 589824u);
        EXPECT_EQ(p.Description().isEmpty(), !video);
        ASSERT_EQ(p.StreamCount(), video ? 2 : 1);
        const WMStreamConfig& a = p.Streams()[0];
        EXPECT_TRUE(a.IsAudio());
        EXPECT_EQ(a.StreamNumber(), 1);
        EXPECT_EQ(a.StreamName(), "Audio Stream");
        EXPECT_EQ(a.ConnectionName(), video ? "Audio409" : "Audio9");
        EXPECT_EQ(a.BufferWindow(), video ? 5000u : 0xFFFFFFFFu);
        EXPECT_EQ(a.Language, video ? "en-us" : "en");
        EXPECT_EQ(a.Bitrate(), r.audioBitrate);
        const WMWaveFormat& w = a.MediaType().wave;
        EXPECT_EQ(a.MediaType().subtype, "{00000161-0000-0010-8000-00AA00389B71}");
        EXPECT_EQ(w.formatTag, 353);
        EXPECT_EQ(w.bitsPerSample, 16);
        EXPECT_EQ(w.samplesPerSec, r.rate);
        EXPECT_EQ(w.channels, r.channels);
        EXPECT_EQ(w.blockAlign, r.blockAlign);
        EXPECT_EQ(a.MediaType().sampleSize, r.blockAlign);
        EXPECT_EQ(w.avgBytesPerSec, r.avgBytes);
        EXPECT_EQ(w.codecData.toHex().toUpper(), QByteArray(r.codecData));
        EXPECT_EQ(a.PropertyOr(WMProperty::VbrEnabled, 0), i >= 9 && i <= 14 ? 1u : 0u);
        if (!video)
            continue;
        const WMStreamConfig& v = p.Streams()[1];
        EXPECT_EQ(v.StreamNumber(), 2);
        EXPECT_EQ(v.StreamName(), "Video Stream");
        EXPECT_EQ(v.ConnectionName(), "Video409");
        EXPECT_EQ(v.Bitrate(), r.videoBitrate);
        EXPECT_EQ(v.DecoderComplexity, QLatin1String(r.complexity));
        std::uint32_t quality = 0;
        std::int64_t spacing = 0;
        v.GetQuality(quality);
        v.GetMaxKeyFrameSpacing(spacing);
        EXPECT_EQ(quality, r.quality);
        EXPECT_EQ(spacing, r.keySpacing);
        const WMVideoInfo& h = v.MediaType().video;
        EXPECT_EQ(v.MediaType().subtype, "{33564D57-0000-0010-8000-00AA00389B71}");
        EXPECT_EQ(h.avgTimePerFrame, r.frameTime);
        EXPECT_EQ(h.bitErrorRate, 0u);
        EXPECT_EQ(h.bitCount, 24);
        EXPECT_EQ(h.source, (WMRect{0, 0, r.width, r.height}));
        EXPECT_EQ(h.target, h.source);
        EXPECT_EQ(h.width, r.width);
        EXPECT_EQ(h.height, r.height);
    }
}

// The four profile sources: how each finds its profile, and what stays of it.
TEST(WmvProfileSources, ChooseTrimAndApplyTheProfile) {
    const QString profile5 = WMVResourceText("WMV_PROFILE_5");
    const QString emptyProfile = QStringLiteral("<profile version=\"589824\" name=\"Empty\"/>");
    struct Case {
        const char* name;
        std::function<void(Writer&)> set;
        int streams;         ///< -1: no profile applied
        const char* message; ///< part of the message, or empty for none
    };
    const Case cases[] = {
        {"InternalNameInLowerCase",
         [](Writer& x) {
             x.w.Settings.WMV_Mode = 1;
             x.w.Settings.WMV_Internal_Profile_Name =
                 "windows media video 9 for local network (100 kbps)";
         },
         2, ""},
        {"AudioOnlyInternalNameSelectsNothing",
         [](Writer& x) {
             x.w.Settings.WMV_Mode = 1;
             x.w.Settings.WMV_Internal_Profile_Name = "Windows Media Audio 9 High (320K)";
         },
         -1, "No built-in Windows Media profile is named"},
        {"V8NameWithLeadingBlanks",
         [](Writer& x) {
             x.w.Settings.WMV_Mode = 3;
             x.w.Settings.WMV_V8_Profile_Name =
                 "   Windows Media Video 8 for Local Area Network (384 Kbps)";
         },
         2, ""},
        {"V8NameInOtherLetterCase",
         [](Writer& x) {
             x.w.Settings.WMV_Mode = 3;
             x.w.Settings.WMV_V8_Profile_Name =
                 "windows media video 8 for local area network (384 kbps)";
         },
         -1, "No Windows Media 8 system profile is named"},
        {"ExternalFileIsNotAProfile",
         [](Writer& x) {
             x.w.Settings.WMV_External_Profile_File_Name = x.File("notes.prx", "just words\n");
         },
         -1, "is not a Windows Media profile (PRX)"},
        {"ExternalFileMissing",
         [](Writer& x) {
             x.w.Settings.WMV_External_Profile_File_Name = x.dir.filePath("missing.prx");
         },
         -1, "cannot be read"},
        {"ExternalFileWithoutStreams",
         [&](Writer& x) {
             x.w.Settings.WMV_External_Profile_File_Name =
                 x.File("empty.prx", emptyProfile.toUtf8());
         },
         -1, "defines no stream"},
        {"ExternalFileInUtf16AsThePlatformWritesIt",
         [&](Writer& x) {
             QByteArray bytes("\xFF\xFE", 2);
             bytes +=
                 QByteArray(reinterpret_cast<const char*>(profile5.utf16()), profile5.size() * 2);
             x.w.Settings.WMV_External_Profile_File_Name = x.File("utf16.prx", bytes);
         },
         2, ""},
        {"VideoStreamTrimmedWithoutVideo",
         [&](Writer& x) {
             x.w.Settings.WMV_External_Profile_File_Name = x.File("five.prx", profile5.toUtf8());
             x.w.HasVideo = false;
         },
         1, ""},
        {"NothingLeftToFeed",
         [&](Writer& x) {
             x.w.Settings.WMV_Mode = 3;
             x.w.Settings.WMV_V8_Profile_Name =
                 "Windows Media Video 8 for Dial-up Modem (No audio, 56 Kbps)";
             x.w.HasVideo = false;
         },
         -1, "no stream can be written"},
        {"CustomVideoCodecWithoutTheMode",
         [](Writer& x) {
             TKXWMVSettings& s = x.w.Settings;
             s.WMV_Mode = 2;
             s.WMV_Custom_Video_StreamPresent = true;
             s.WMV_Custom_Video_Codec = "Windows Media Video 7";
             s.WMV_Custom_Video_Mode = wmv::KX_SM_VBR_Bitrate;
             s.WMV_Custom_Video_Width = 320;
             s.WMV_Custom_Video_Height = 240;
             s.WMV_Custom_Video_FrameRate = 25;
             s.WMV_Custom_Video_Bitrate = 500;
         },
         -1, "has no bit-rate VBR format"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Writer x;
        c.set(x);
        x.Configure();
        EXPECT_EQ(x.w.ProfileApplied, c.streams >= 0) << x.messages.join(" | ").toStdString();
        if (c.streams >= 0) {
            EXPECT_EQ(x.w.Profile.StreamCount(), c.streams);
        }
        if (*c.message) {
            EXPECT_EQ(x.messages.filter(QLatin1String(c.message)).size(), 1)
                << x.messages.join(" | ").toStdString();
        } else {
            EXPECT_TRUE(x.messages.isEmpty()) << x.messages.join(" | ").toStdString();
        }
        WMProfile applied;
        auto* config = x.w.Filter->QueryInterface<IConfigAsfWriter>();
        EXPECT_EQ(config->GetCurrentProfile(applied) == S_OK, c.streams >= 0);
    }
}

TEST(WmvProfileSources, TrimmingKeepsTheAudioStreamNumber) {
    Writer x;
    x.w.Settings.WMV_Mode = 1;
    x.w.Settings.WMV_Internal_Profile_Name = "Windows Media Video 9 for Local Network (256 kbps)";
    x.w.HasVideo = false;
    x.Configure();
    ASSERT_EQ(x.w.Profile.StreamCount(), 1);
    EXPECT_TRUE(x.w.Profile.Streams()[0].IsAudio());
    EXPECT_EQ(x.w.Profile.Streams()[0].StreamNumber(), 1);
}

// The builder's warnings reach the handler one by one, in order, where the texts have entries.
TEST(WmvProfileSources, CustomWarningsAreReportedInOrder) {
    for (int textCount : {200, 106}) {
        Writer x;
        x.texts = TKXWideStringList(QStringList(textCount, QStringLiteral("text")));
        TKXWMVSettings& s = x.w.Settings;
        s.WMV_Mode = 2;
        s.WMV_Custom_Video_StreamPresent = true;
        s.WMV_Custom_Video_Codec = "Windows Media Video 9";
        s.WMV_Custom_Video_Mode = wmv::KX_SM_VBR_Quality;
        s.WMV_Custom_Video_Quality = 101;
        s.WMV_Custom_Video_Width = 320;
        s.WMV_Custom_Video_Height = 240;
        s.WMV_Custom_Video_FrameRate = 25;
        x.w.HasAudio = false;
        x.Configure();
        if (textCount == 200)
            EXPECT_EQ(x.codes, (std::vector<int>{157, 161}));
        else
            EXPECT_TRUE(x.codes.empty()) << "codes without a text are dropped";
        EXPECT_TRUE(x.w.ProfileApplied);
    }
}

// Whole writer runs, read back with ffprobe.
TEST(WmvWriter, WritesTheStreamsOfTheProfile) {
    struct Case {
        const char* name;
        std::function<void(Writer&)> set;
        bool video, audio;
        const char* videoCodec;
        int width, height;
        double fps;
        int sampleRate, channels;
    };
    const QString wma = WMVResourceText("WMV_PROFILE_13");
    const Case cases[] = {
        {"CustomRow0",
         [](Writer& x) {
             TKXWMVSettings& s = x.w.Settings;
             s.WMV_Mode = 2;
             s.WMV_Custom_Video_StreamPresent = true;
             s.WMV_Custom_Video_Codec = "Windows Media Video 9";
             s.WMV_Custom_Video_Width = 320;
             s.WMV_Custom_Video_Height = 240;
             s.WMV_Custom_Video_FrameRate = 29.97;
             s.WMV_Custom_Video_KeyFrameInterval = 1;
             s.WMV_Custom_Video_Bitrate = 512;
             s.WMV_Custom_Audio_StreamPresent = true;
             s.WMV_Custom_Audio_Codec = "Windows Media Audio 9.2";
             s.WMV_Custom_Audio_Format = "128 kbps, 44 kHz, stereo CBR";
         },
         true, true, "wmv2", 320, 240, 29.97, 44100, 2},
        {"BuiltInWmv9IsWrittenAsWmv2",
         [](Writer& x) {
             x.w.Settings.WMV_Mode = 1;
             x.w.Settings.WMV_Internal_Profile_Name =
                 "Windows Media Video 9 for Local Network (100 kbps)";
         },
         true, true, "wmv2", 320, 240, 15, 16000, 1},
        {"CustomWmv7",
         [](Writer& x) {
             TKXWMVSettings& s = x.w.Settings;
             s.WMV_Mode = 2;
             s.WMV_Custom_Video_StreamPresent = true;
             s.WMV_Custom_Video_Codec = "Windows Media Video 7";
             s.WMV_Custom_Video_Width = 176;
             s.WMV_Custom_Video_Height = 144;
             s.WMV_Custom_Video_FrameRate = 25;
             s.WMV_Custom_Video_Bitrate = 300;
             x.w.HasAudio = false;
         },
         true, false, "wmv1", 176, 144, 25, 0, 0},
        {"SystemProfileWithoutAudio",
         [](Writer& x) {
             x.w.Settings.WMV_Mode = 3;
             x.w.Settings.WMV_V8_Profile_Name =
                 "Windows Media Video 8 for Dial-up Modem (No audio, 56 Kbps)";
             x.w.HasAudio = false;
         },
         true, false, "wmv2", 176, 144, 15, 0, 0},
        {"AudioOnly",
         [&](Writer& x) {
             x.w.Settings.WMV_External_Profile_File_Name = x.File("wma.prx", wma.toUtf8());
             x.w.HasVideo = false;
         },
         false, true, "", 0, 0, 0, 44100, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Writer x;
        c.set(x);
        x.Configure();
        ASSERT_TRUE(x.w.ProfileApplied) << x.messages.join(" | ").toStdString();
        const QString error = x.Run(c.video, c.audio);
        ASSERT_TRUE(error.isEmpty()) << error.toStdString();
        EXPECT_TRUE(x.messages.isEmpty()) << x.messages.join(" | ").toStdString();
        const auto info = testsupport::ProbeMedia(x.w.FileName);
        ASSERT_TRUE(info.ok) << info.error.toStdString();
        EXPECT_EQ(info.container, "asf");
        EXPECT_EQ(info.hasVideo, c.video);
        EXPECT_EQ(info.hasAudio, c.audio);
        if (c.video) {
            EXPECT_EQ(info.videoCodec, QLatin1String(c.videoCodec));
            EXPECT_EQ(info.width, c.width);
            EXPECT_EQ(info.height, c.height);
            EXPECT_NEAR(info.frameRate, c.fps, 0.01);
        }
        if (c.audio) {
            EXPECT_EQ(info.audioCodec, "wmav2");
            EXPECT_EQ(info.sampleRate, c.sampleRate);
            EXPECT_EQ(info.channels, c.channels);
        }
        EXPECT_NEAR(info.durationSec, 1.0, 0.15);
    }
}

// An input the profile has but nobody feeds ends the run at once with a message, never a hang;
// so does a writer without a profile.
TEST(WmvWriter, AnUnfedInputEndsTheRunWithAMessage) {
    for (bool configured : {true, false}) {
        Writer x;
        x.w.Settings.WMV_Mode = 1;
        x.w.Settings.WMV_Internal_Profile_Name =
            configured ? "Windows Media Video 9 for Local Network (100 kbps)" : "no such profile";
        x.Configure();
        ASSERT_EQ(x.w.ProfileApplied, configured);
        if (configured) {
            ASSERT_EQ(x.w.ConnectVideo(OutputOf(AddVideoSource(x.graph))), S_OK);
        }
        const QString error = RunToEnd(x.graph);
        EXPECT_TRUE(error.contains(configured ? "\"Audio Input 01\" is not connected"
                                              : "no Windows Media profile was applied"))
            << error.toStdString();
    }
}

// A tall full-range BT.601 picture (an MJPEG AVI's) keeps its colours: WMV cannot name a
// matrix, so converting it to BT.709 on the way (with videoconvert's full-range shortcut) would
// shift every colour against what ffmpeg makes of the same frames.
TEST(WmvWriter, TallMjpegKeepsItsColours) {
    Writer x;
    const QString mjpeg = x.dir.filePath("tall.mjpeg");
    HRESULT hr = E_FAIL;
    auto make = CreateFilterFromDescription(
        "videotestsrc num-buffers=10 pattern=smpte ! video/x-raw,width=176,height=720,"
        "framerate=25/1 ! jpegenc quality=95 ! filesink location=" +
            mjpeg,
        hr);
    ASSERT_TRUE(make);
    {
        Graph g;
        g.AddFilter(make, "make");
        ASSERT_TRUE(RunToEnd(g).isEmpty());
    }
    TKXWMVSettings& s = x.w.Settings;
    s.WMV_Mode = 2;
    s.WMV_Custom_Video_StreamPresent = true;
    s.WMV_Custom_Video_Codec = "Windows Media Video 8";
    s.WMV_Custom_Video_Width = 176;
    s.WMV_Custom_Video_Height = 720;
    s.WMV_Custom_Video_FrameRate = 25;
    s.WMV_Custom_Video_KeyFrameInterval = 1;
    s.WMV_Custom_Video_Bitrate = 3000;
    x.w.HasAudio = false;
    x.Configure();
    ASSERT_TRUE(x.w.ProfileApplied) << x.messages.join(" | ").toStdString();
    auto source = CreateFilterFromDescription(
        "filesrc location=" + mjpeg +
            " ! capsfilter caps=image/jpeg,framerate=25/1 ! jpegparse ! jpegdec",
        hr);
    ASSERT_TRUE(source);
    x.graph.AddFilter(source, "source");
    ASSERT_EQ(x.w.ConnectVideo(OutputOf(source)), S_OK);
    ASSERT_TRUE(RunToEnd(x.graph).isEmpty());
    QProcess p;
    p.start("ffmpeg",
            {"-v", "info", "-nostats", "-i", x.w.FileName, "-f", "mjpeg", "-i", mjpeg, "-lavfi",
             "[0:v]format=yuv420p,settb=1/25,setpts=N[a];[1:v]scale=out_range=tv,"
             "format=yuv420p,settb=1/25,setpts=N[b];[a][b]psnr",
             "-f", "null", "-"});
    ASSERT_TRUE(p.waitForFinished(60000));
    const QString log = QString::fromLocal8Bit(p.readAllStandardError());
    const auto m = QRegularExpression("average:([0-9.]+)").match(log);
    ASSERT_TRUE(m.hasMatch()) << log.toStdString();
    EXPECT_GT(m.captured(1).toDouble(), 34.0) << log.toStdString();
}
