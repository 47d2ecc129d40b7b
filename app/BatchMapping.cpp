#include "app/BatchMapping.h"

#include "editor/core/Presets.h"
#include "engine/KXVideoEdit.h"
#include "settings/cdSettings.h"

#include <QDir>
#include <QFileInfo>

namespace {

QString Text(const TcdSettings& settings, const QString& name) {
    return settings.property(name.toLatin1().constData()).toString();
}

int Number(const TcdSettings& settings, const QString& name, int fallback) {
    bool ok = false;
    const int value = Text(settings, name).trimmed().toInt(&ok);
    return ok ? value : fallback;
}

} // namespace

bool AddStandardMpegParameters(TKXVideoEdit& engine, const TcdSettings& s, int format) {
    QString prefix;
    QString outputFormat;
    QString videoFormat;
    QString constraint;
    switch (format) {
    case FormatMPEG:
        prefix = QStringLiteral("MPEG");
        outputFormat = Text(s, QStringLiteral("MPEGCompression"));
        videoFormat = QStringLiteral("MPEG2");
        constraint = Text(s, QStringLiteral("MPEGConstraint"));
        break;
    case FormatMP4:
    case FormatMOV:
        prefix = format == FormatMP4 ? QStringLiteral("MP4") : QStringLiteral("MOV");
        outputFormat = Text(s, prefix + QStringLiteral("Compression"));
        videoFormat = QStringLiteral("MPEG4");
        constraint = Text(s, prefix + QStringLiteral("constraint"));
        break;
    case FormatFLV:
        prefix = QStringLiteral("FLV");
        outputFormat = QStringLiteral("FLV");
        videoFormat = QStringLiteral("FLV");
        constraint = QStringLiteral("PAL");
        break;
    default:
        return false;
    }
    const QString channels =
        Text(s, prefix + QStringLiteral("AudioChannels")) == QLatin1String("Mono")
            ? QStringLiteral("1")
            : QStringLiteral("2");
    const std::pair<const char*, QString> rows[] = {
        {"OUTPUT_FORMAT", outputFormat},
        {"VIDEO_FORMAT", videoFormat},
        {"ASPECT_RATIO", Text(s, prefix + QStringLiteral("AspectRatio"))},
        {"VIDEO_BITRATE_MODE", QStringLiteral("MVBR")},
        {"AUDIO_FORMAT", Text(s, prefix + QStringLiteral("AudioCodec"))},
        {"CONSTRAINT", constraint},
        {"WIDTH", Text(s, prefix + QStringLiteral("Width"))},
        {"HEIGHT", Text(s, prefix + QStringLiteral("Height"))},
        {"FRAMERATE", Text(s, prefix + QStringLiteral("FrameRate"))},
        {"VIDEO_BITRATE", Text(s, prefix + QStringLiteral("TragetBitrate"))},
        {"AUDIO_CHANNELS", channels},
        {"AUDIO_SAMPLE_RATE", Text(s, prefix + QStringLiteral("AudioFrequency"))},
        {"AUDIO_BITRATE", Text(s, prefix + QStringLiteral("AudioBitrate"))},
    };
    engine.Standard_MPEG_Parameters_Clear();
    for (const auto& [name, value] : rows)
        engine.Standard_MPEG_Parameter_Add(QString::fromLatin1(name), value);
    return true;
}

namespace {

void ApplyWindowsMedia(TKXVideoEdit& engine, const TcdSettings& s) {
    engine.setWMV_Mode(kx::KX_WM_CustomSettings);
    engine.setWMV_Custom_Audio_Codec(s.G_WMVAudioCodec());
    engine.setWMV_Custom_Audio_Format(s.G_WMVAudioFormat());
    engine.setWMV_Custom_Audio_Mode(kx::KX_SM_CBR);
    engine.setWMV_Custom_Audio_StreamPresent(true);
    engine.setWMV_Custom_Video_Codec(s.G_WMVVedioCodec());
    engine.setWMV_Custom_Video_Width(
        Number(s, QStringLiteral("WMVWidth"), engine.WMV_Custom_Video_Width()));
    engine.setWMV_Custom_Video_Height(
        Number(s, QStringLiteral("WMVHeight"), engine.WMV_Custom_Video_Height()));
    bool ok = false;
    const double frameRate = Text(s, QStringLiteral("WMVFramerate")).trimmed().toDouble(&ok);
    if (ok)
        engine.setWMV_Custom_Video_FrameRate(frameRate);
    engine.setWMV_Custom_Video_KeyFrameInterval(1);
    engine.setWMV_Custom_Video_Bitrate(
        Number(s, QStringLiteral("WMVTragetBitrate"), engine.WMV_Custom_Video_Bitrate()));
    engine.setWMV_Custom_Video_PeakBitRate(
        Number(s, QStringLiteral("WMVPeakBitrate"), engine.WMV_Custom_Video_PeakBitRate()));
    engine.setWMV_Custom_Video_Quality(95);
    switch (Number(s, QStringLiteral("WMVVedioMode"), -1)) {
    case 0:
        engine.setWMV_Custom_Video_Mode(kx::KX_SM_CBR);
        break;
    case 1:
        engine.setWMV_Custom_Video_Mode(kx::KX_SM_VBR_Bitrate);
        break;
    case 2:
        engine.setWMV_Custom_Video_Mode(kx::KX_SM_VBR_PeakBitrate);
        break;
    default:
        break;
    }
    switch (Number(s, QStringLiteral("WMVTVFormat"), -1)) {
    case 0:
        engine.setWMV_Custom_Video_TVSystem(kx::KX_TS_PAL);
        break;
    case 1:
        engine.setWMV_Custom_Video_TVSystem(kx::KX_TS_NTSC);
        break;
    default:
        engine.setWMV_Custom_Video_TVSystem(kx::KX_TS_Other);
        break;
    }
    engine.setWMV_Custom_Video_StreamPresent(true);
}

/// The MP3 page's rows name a sample rate, channels and "8" or "16" bits; an MP3 stream has no
/// sample width, so the width picks the bit rate: 8 → 128 kbit/s, otherwise 192 kbit/s, CBR.
void ApplyMp3(TKXVideoEdit& engine, const TcdSettings& s) {
    const QString channels = s.MP3Channels();
    if (channels == QLatin1String("Mono")) {
        engine.setAudio_LAME_Channels_Mode(kx::CH_Mono);
        engine.setAudio_Channels(1);
    } else if (channels == QLatin1String("Stereo")) {
        engine.setAudio_LAME_Channels_Mode(kx::CH_Standard_Stereo);
        engine.setAudio_Channels(2);
    }
    const int rate = Number(s, QStringLiteral("MP3Samplerate"), engine.Audio_LAME_Sample_Rate());
    engine.setAudio_LAME_Sample_Rate(rate);
    engine.setAudio_SampleRate(rate);
    engine.setAudio_LAME_VBR_Mode(false);
    engine.setAudio_LAME_CBR_Bitrate(Number(s, QStringLiteral("MP3Bitrate"), 16) == 8 ? 128 : 192);
}

} // namespace

bool SetupConversion(TKXVideoEdit& engine, const TcdSettings& s, const QString& inputPath,
                     const QString& outputPath) {
    if (!QFileInfo::exists(outputPath))
        QDir().mkpath(QFileInfo(outputPath).absolutePath());
    engine.Background_Image_Clear();
    engine.Audio_Envelope_Clear();
    engine.Extra_List_Clear();
    engine.Input_Clear_List();
    engine.Video_Effects_Clear();
    engine.Video_Filters_Clear();
    engine.Input_AddVideoFile(inputPath, -1, -1, -1, 1);
    engine.Input_AddAudioFile(inputPath, -1, -1, -1, inputPath);
    engine.setAudio_Preview_Enabled(false);
    engine.setDebug_Mode(false);

    const int format = s.PageIndex();
    switch (format) {
    case FormatMPEG:
    case FormatMP4:
    case FormatFLV:
    case FormatMOV:
        engine.setOutput_Format(kx::Format_IndStr_Standard_MPEG);
        AddStandardMpegParameters(engine, s, format);
        break;
    case FormatWMV:
        engine.setOutput_Format(kx::Format_WMV);
        ApplyWindowsMedia(engine, s);
        break;
    case FormatMP3:
        engine.setOutput_Format(kx::Format_LAME);
        ApplyMp3(engine, s);
        break;
    default:
        if (engine.OnError)
            engine.OnError(0, QStringLiteral("Unknown target format %1 in the settings; "
                                             "nothing was converted.")
                                  .arg(format));
        return true;
    }
    engine.setOutput_File_Name(outputPath);
    engine.setAudio_Preview_Enabled(false);
    engine.Start();
    return true;
}
