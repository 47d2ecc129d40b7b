#include "app/batch/PresetMapping.h"
#include "engine/KXVideoEdit.h"
#include "settings/cdSettings.h"

#include <QCoreApplication>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QStringList Parameters(const TKXVideoEdit& engine) {
    QStringList pairs;
    for (int i = 0; i < engine.StandardMPEGParameterNames().Count(); ++i)
        pairs << engine.StandardMPEGParameterNames().Get(i) + "=" +
                     engine.StandardMPEGParameterValues().Get(i);
    return pairs;
}

class Mapping : public ::testing::Test {
protected:
    QTemporaryDir dir;
    TcdSettings settings;
    TKXVideoEdit engine;
    QString Configure(int page) {
        settings.SetPageIndex(page);
        const QString out = dir.filePath(OutputNameFor(settings, "/in/clip.avi"));
        QString error;
        EXPECT_TRUE(
            ConfigureConversion(engine, settings, dir.filePath("missing.avi"), out, &error));
        return out;
    }
};

} // namespace

TEST_F(Mapping, OutputNamesFollowTheTargetFormat) {
    const char* expected[] = {"clip.mpeg", "clip.mp4", "clip.wmv",
                              "clip.flv",  "clip.mov", "clip.mp3"};
    for (int page = 0; page < 6; ++page) {
        settings.SetPageIndex(page);
        EXPECT_EQ(OutputNameFor(settings, "/videos/a.b/clip.avi"), QLatin1String(expected[page]));
    }
}

TEST_F(Mapping, StandardMpegPagesSendTheirColumn) {
    settings.SetMPEGCompression("MPEG1");
    settings.SetMPEGAudioChannels("mono"); // the test is exact: lower case is not mono
    Configure(0);
    EXPECT_EQ(engine.Output_Format(), kx::Format_IndStr_Standard_MPEG);
    EXPECT_EQ(engine.Video_FrameRate(), 0.0) << "the timeline keeps the input's rate";
    const QStringList mpeg = Parameters(engine);
    ASSERT_EQ(mpeg.size(), 13);
    EXPECT_EQ(mpeg[0], "OUTPUT_FORMAT=MPEG1");
    EXPECT_EQ(mpeg[1], "VIDEO_FORMAT=MPEG2");
    EXPECT_EQ(mpeg[3], "VIDEO_BITRATE_MODE=MVBR");
    EXPECT_EQ(mpeg[10], "AUDIO_CHANNELS=2");

    settings.SetFLVConstraint("NTSC");
    settings.SetFLVAudioChannels("Mono");
    Configure(3);
    const QStringList flv = Parameters(engine);
    EXPECT_EQ(flv[0], "OUTPUT_FORMAT=FLV");
    EXPECT_EQ(flv[5], "CONSTRAINT=PAL") << "FLV always sends PAL";
    EXPECT_EQ(flv[10], "AUDIO_CHANNELS=1");

    settings.SetMOVAudioFrequency("48000");
    Configure(4);
    EXPECT_TRUE(Parameters(engine).contains("AUDIO_SAMPLE_RATE=48000"));
}

TEST_F(Mapping, Mp3PageWritesARealMp3AtTheRowsRateAndChannels) {
    settings.SetMP3Samplerate("48000");
    settings.SetMP3Channels("Mono");
    const QString out = Configure(5);
    EXPECT_TRUE(out.endsWith(".mp3"));
    EXPECT_EQ(engine.Output_Format(), kx::Format_LAME);
    EXPECT_EQ(engine.Audio_LAME_Sample_Rate(), 48000);
    EXPECT_EQ(engine.Audio_LAME_Channels_Mode(), kx::CH_Mono);
    settings.SetMP3Channels("mono");
    engine.setAudio_LAME_Channels_Mode(kx::CH_Joint_Stereo);
    Configure(5);
    EXPECT_EQ(engine.Audio_LAME_Channels_Mode(), kx::CH_Joint_Stereo)
        << "an inexact text leaves it";

    // The rows' sample size picks the file size: 8 bits the smaller VBR files, 16 the better.
    for (const auto& [bits, quality] : {std::pair{"8", 7}, std::pair{"16", 4}}) {
        settings.SetMP3Bitrate(bits);
        engine.setAudio_LAME_VBR_Mode(false);
        Configure(5);
        EXPECT_TRUE(engine.Audio_LAME_VBR_Mode()) << bits;
        EXPECT_EQ(engine.Audio_LAME_VBR_Quality(), quality) << bits;
    }
}

TEST_F(Mapping, WindowsMediaModesFromTheEditorChoice) {
    struct Case {
        int mode;
        kx::TKX_WMV_Stream_Mode expected;
    } cases[] = {{0, kx::KX_SM_CBR},
                 {1, kx::KX_SM_VBR_Bitrate},
                 {2, kx::KX_SM_VBR_PeakBitrate},
                 {7, kx::KX_SM_VBR_PeakBitrate}};
    for (const Case& c : cases) {
        settings.SetWMVVedioMode(c.mode);
        settings.SetWMVPeakBitrate("6000");
        Configure(2);
        EXPECT_EQ(engine.Output_Format(), kx::Format_WMV);
        EXPECT_EQ(engine.WMV_Mode(), kx::KX_WM_CustomSettings);
        EXPECT_EQ(engine.WMV_Custom_Video_Mode(), c.expected) << c.mode;
        EXPECT_EQ(engine.WMV_Custom_Video_PeakBitRate(), 6000);
        EXPECT_EQ(engine.WMV_Custom_Video_Quality(), 95);
    }
}

TEST_F(Mapping, UnknownTargetFormatStartsNothing) {
    settings.SetPageIndex(9);
    QString error;
    EXPECT_FALSE(
        SetupConversion(engine, settings, "/in/clip.avi", dir.filePath("clip.avi"), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(engine.Status(), kx::Status_FREE);
}

int main(int argc, char** argv) {
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
