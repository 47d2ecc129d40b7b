#include "EngineTestUtil.h"

#include "engine/KXVideoEdit.h"
#include "engine/WmvChainDispatch.h"
#include "platform/media/WmProfileManager.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>

#include <functional>

using enginetest::Media;
using enginetest::Recorder;
using testsupport::ProbeMedia;

namespace {

constexpr int kRunTimeoutMs = 60000;

void AddInput(TKXVideoEdit& e, const QString& input, const QString& output,
              kx::TKXOutputFormat format) {
    e.Input_Clear_List();
    e.Input_AddVideoFile(input, -1, -1, -1, 1);
    e.Input_AddAudioFile(input, -1, -1, -1, input);
    e.setOutput_File_Name(output);
    e.setOutput_Format(format);
}

/// The custom settings the WMV page hands over for its first preset row.
void CustomRow0(TKXVideoEdit& e) {
    e.setWMV_Mode(kx::KX_WM_CustomSettings);
    e.setWMV_Custom_Audio_Codec("Windows Media Audio 9.2");
    e.setWMV_Custom_Audio_Format("128 kbps, 44 kHz, stereo CBR");
    e.setWMV_Custom_Audio_Mode(kx::KX_SM_CBR);
    e.setWMV_Custom_Audio_StreamPresent(true);
    e.setWMV_Custom_Video_Codec("Windows Media Video 9");
    e.setWMV_Custom_Video_Width(320);
    e.setWMV_Custom_Video_Height(240);
    e.setWMV_Custom_Video_FrameRate(29.97);
    e.setWMV_Custom_Video_KeyFrameInterval(1);
    e.setWMV_Custom_Video_Bitrate(512);
    e.setWMV_Custom_Video_Quality(95);
    e.setWMV_Custom_Video_Mode(kx::KX_SM_CBR);
    e.setWMV_Custom_Video_StreamPresent(true);
}

QStringList FilesIn(const QString& dir) {
    return QDir(dir).entryList(QDir::Files | QDir::Hidden);
}

} // namespace

TEST(WmvEngine, CataloguesHoldTheBuiltInAndSystemProfiles) {
    const auto c = engine::LoadWmvCatalogues();
    ASSERT_EQ(c->InternalProfileTexts.Count(), 17);
    ASSERT_EQ(c->InternalProfileNames.Count(), 9);
    for (int i = 0; i < 17; ++i) {
        media::WMProfile p;
        ASSERT_EQ(media::WMProfileManager().LoadProfileByData(c->InternalProfileTexts[i], p),
                  media::S_OK)
            << i;
        if (i < 9) {
            EXPECT_EQ(c->InternalProfileNames[i], p.Name()) << "names line up with texts";
        }
    }
    ASSERT_EQ(c->V8Profiles.size(), 27u);
    for (const TDSWMV8Profile& v8 : c->V8Profiles) {
        media::WMProfile p;
        ASSERT_EQ(media::WMProfileManager().LoadProfileByID(v8.ProfileId, p), media::S_OK);
        EXPECT_EQ(p.Name(), v8.Name);
        EXPECT_EQ(p.Description(), v8.Description);
    }
    EXPECT_FALSE(c->CustomProfile.AudioCodecs.empty());
    EXPECT_FALSE(c->CustomProfile.VideoCodecs.empty());
}

// Format_WMA writes only the audio of a video file.
TEST(WmvEngine, WmaFormatWritesAnAudioOnlyFile) {
    Media& m = Media::Get();
    QTemporaryDir out;
    TKXVideoEdit e;
    Recorder r;
    r.Attach(e);
    AddInput(e, m.avi, out.filePath("x.wma"), kx::Format_WMA);
    CustomRow0(e);
    e.Start();
    ASSERT_TRUE(e.WaitForFree(kRunTimeoutMs));
    EXPECT_TRUE(r.errorTexts.isEmpty()) << r.AllErrors().toStdString();
    EXPECT_EQ(r.Events().last(), "stop");
    const auto info = ProbeMedia(out.filePath("x.wma"));
    ASSERT_TRUE(info.ok) << info.error.toStdString();
    EXPECT_EQ(info.container, "asf");
    EXPECT_FALSE(info.hasVideo);
    EXPECT_EQ(info.audioCodec, "wmav2");
    EXPECT_EQ(info.sampleRate, 44100);
    EXPECT_EQ(info.channels, 2);
    EXPECT_NEAR(info.durationSec, 1.0, 0.15);
}

TEST(WmvEngine, WmvFormatWithASystemProfile) {
    Media& m = Media::Get();
    QTemporaryDir out;
    TKXVideoEdit e;
    Recorder r;
    r.Attach(e);
    AddInput(e, m.avi, out.filePath("x.wmv"), kx::Format_WMV);
    e.setWMV_Mode(kx::KX_WM_V8_SystemProfile);
    e.setWMV_V8_Profile_Name("Windows Media Video 8 for Broadband (PAL, 384 Kbps)");
    e.Start();
    ASSERT_TRUE(e.WaitForFree(kRunTimeoutMs));
    EXPECT_TRUE(r.errorTexts.isEmpty()) << r.AllErrors().toStdString();
    const auto info = ProbeMedia(out.filePath("x.wmv"));
    ASSERT_TRUE(info.ok) << info.error.toStdString();
    EXPECT_EQ(info.videoCodec, "wmv2");
    EXPECT_EQ(info.width, 384);
    EXPECT_EQ(info.height, 288);
    EXPECT_NEAR(info.frameRate, 25.0, 0.01);
    EXPECT_EQ(info.audioCodec, "wmav2");
    EXPECT_EQ(info.sampleRate, 44100);
}

// Profiles that cannot be had or cannot take the input: a message that says why, no file, and
// the run over in a moment (not after the stall timeout).
TEST(WmvEngine, ProfilesThatCannotServeTheInputLeaveNoFile) {
    Media& m = Media::Get();
    struct Case {
        const char* name;
        kx::TKXOutputFormat format;
        std::function<void(TKXVideoEdit&, const QString& dir)> set;
        const char* message;
        int code; ///< an error code expected besides the message, or 0
    };
    // "Windows Media Audio 9 Medium (128K)", an audio-only profile.
    const QString wma = engine::LoadWmvCatalogues()->InternalProfileTexts[12];
    const Case cases[] = {
        {"MissingProfileFile", kx::Format_WMV,
         [](TKXVideoEdit& e, const QString& dir) {
             e.setWMV_Mode(kx::KX_WM_ExternalProfile);
             e.setWMV_External_Profile_File_Name(dir + "/missing.prx");
         },
         "cannot be read", 57},
        {"ProfileFileIsNotPrx", kx::Format_WMV,
         [](TKXVideoEdit& e, const QString& dir) {
             QFile f(dir + "/words.prx");
             f.open(QIODevice::WriteOnly);
             f.write("<profile>not closed");
             e.setWMV_Mode(kx::KX_WM_ExternalProfile);
             e.setWMV_External_Profile_File_Name(f.fileName());
         },
         "is not a Windows Media profile", 57},
        {"AudioProfileForAVideo", kx::Format_WMV,
         [&](TKXVideoEdit& e, const QString& dir) {
             QFile f(dir + "/audio.prx");
             f.open(QIODevice::WriteOnly);
             f.write(wma.toUtf8());
             e.setWMV_Mode(kx::KX_WM_ExternalProfile);
             e.setWMV_External_Profile_File_Name(f.fileName());
         },
         "has no video stream", 57},
        {"VideoOnlyProfileForWma", kx::Format_WMA,
         [](TKXVideoEdit& e, const QString&) {
             e.setWMV_Mode(kx::KX_WM_V8_SystemProfile);
             e.setWMV_V8_Profile_Name(
                 "Windows Media Video 8 for Dial-up Modem (No audio, 56 Kbps)");
         },
         "no stream can be written", 0},
        {"CustomAudioFormatThatDoesNotExist", kx::Format_WMV,
         [](TKXVideoEdit& e, const QString&) {
             CustomRow0(e);
             e.setWMV_Custom_Audio_Format("128 kbps, 44 kHz, stereo");
         },
         "has no format \"128 kbps, 44 kHz, stereo\"", 56},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir out;
        TKXVideoEdit e;
        Recorder r;
        r.Attach(e);
        AddInput(e, m.avi, out.filePath("x.out"), c.format);
        c.set(e, out.path());
        QElapsedTimer timer;
        timer.start();
        e.Start();
        ASSERT_TRUE(e.WaitForFree(kRunTimeoutMs));
        EXPECT_LT(timer.elapsed(), 10000);
        EXPECT_EQ(r.errorTexts.filter(QLatin1String(c.message)).size(), 1)
            << r.AllErrors().toStdString();
        if (c.code) {
            EXPECT_NE(std::find(r.errorCodes.begin(), r.errorCodes.end(), c.code),
                      r.errorCodes.end())
                << r.AllErrors().toStdString();
        }
        EXPECT_EQ(r.Events().last(), "stop");
        const QStringList left = FilesIn(out.path()).filter(QRegularExpression("^x\\.|part$"));
        EXPECT_TRUE(left.isEmpty()) << left.join(' ').toStdString();
    }
}
