#include "app/batch/PresetMapping.h"

#include "engine/KXVideoEdit.h"
#include "settings/cdSettings.h"
#include "util/myutility.h"

#include <QDir>
#include <QFileInfo>

namespace {

constexpr const char* kExtensions[] = {".mpeg", ".mp4", ".wmv", ".flv", ".mov", ".mp3"};

QString Text(const TcdSettings& s, const QString& prefix, const char* name) {
    return s.property((prefix + QLatin1String(name)).toLatin1().constData()).toString();
}

/// One page's Standard-MPEG parameters; the settings names differ by prefix only, apart from
/// the constraint, whose letter case differs between pages.
void AddPageParameters(TKXVideoEdit& engine, const TcdSettings& s, const QString& prefix,
                       const QString& outputFormat, const QString& videoFormat,
                       const QString& constraint) {
    auto channels = [&] {
        return Text(s, prefix, "AudioChannels") == QLatin1String("Mono") ? QStringLiteral("1")
                                                                         : QStringLiteral("2");
    };
    AddStandardMpegParameters(
        engine, outputFormat, videoFormat, Text(s, prefix, "AspectRatio"), QStringLiteral("MVBR"),
        Text(s, prefix, "AudioCodec"), constraint, Text(s, prefix, "Width"),
        Text(s, prefix, "Height"), Text(s, prefix, "FrameRate"), Text(s, prefix, "TragetBitrate"),
        channels(), Text(s, prefix, "AudioBitrate"), Text(s, prefix, "AudioFrequency"));
}

/// The numbers of the WMV page, read from the texts the settings store.
struct WmvNumbers {
    int width = 0;
    int height = 0;
    double frameRate = 0.0;
    int bitrate = 0; ///< kbit/s
    int peakBitrate = 0;
};

/// False, with the setting named in `error`, when a text is not the number the page needs: a
/// text that silently became 0 would make a file of no size, rate or bit rate.
bool ReadWmvNumbers(const TcdSettings& s, WmvNumbers& n, QString* error) {
    auto refuse = [error](const char* name, const QString& text, const char* what) {
        if (error)
            *error = QStringLiteral("The WMV setting %1 holds \"%2\", which is not %3; "
                                    "nothing was converted.")
                         .arg(QLatin1String(name), text, QLatin1String(what));
        return false;
    };
    bool ok = false;
    n.width = s.WMVWidth().trimmed().toInt(&ok);
    if (!ok || n.width <= 0)
        return refuse("WMVWidth", s.WMVWidth(), "a width in pixels");
    n.height = s.WMVHeight().trimmed().toInt(&ok);
    if (!ok || n.height <= 0)
        return refuse("WMVHeight", s.WMVHeight(), "a height in pixels");
    n.frameRate = s.WMVFramerate().trimmed().toDouble(&ok); // always a point, whatever the locale
    if (!ok || !(n.frameRate > 0) || n.frameRate > 1000)
        return refuse("WMVFramerate", s.WMVFramerate(), "a frame rate such as 29.97");
    n.bitrate = s.WMVTragetBitrate().trimmed().toInt(&ok);
    if (!ok || n.bitrate <= 0)
        return refuse("WMVTragetBitrate", s.WMVTragetBitrate(), "a bit rate in kbit/s");
    // The peak field may be stored empty: no peak.
    const QString peak = s.WMVPeakBitrate().trimmed();
    n.peakBitrate = peak.isEmpty() ? 0 : peak.toInt(&ok);
    if (!peak.isEmpty() && (!ok || n.peakBitrate < 0))
        return refuse("WMVPeakBitrate", s.WMVPeakBitrate(), "a bit rate in kbit/s");
    return true;
}

} // namespace

QString OutputNameFor(const TcdSettings& settings, const QString& inputPath) {
    const int page = settings.PageIndex();
    if (page < 0 || page > 5)
        return QFileInfo(inputPath).fileName();
    return BaseName(inputPath) + QLatin1String(kExtensions[page]);
}

void AddStandardMpegParameters(TKXVideoEdit& engine, const QString& outputFormat,
                               const QString& videoFormat, const QString& aspectRatio,
                               const QString& bitrateMode, const QString& audioFormat,
                               const QString& constraint, const QString& width,
                               const QString& height, const QString& frameRate,
                               const QString& videoBitrate, const QString& audioChannels,
                               const QString& audioBitrate, const QString& audioSampleRate) {
    engine.Standard_MPEG_Parameters_Clear();
    const std::pair<const char*, const QString*> rows[] = {
        {"OUTPUT_FORMAT", &outputFormat},
        {"VIDEO_FORMAT", &videoFormat},
        {"ASPECT_RATIO", &aspectRatio},
        {"VIDEO_BITRATE_MODE", &bitrateMode},
        {"AUDIO_FORMAT", &audioFormat},
        {"CONSTRAINT", &constraint},
        {"WIDTH", &width},
        {"HEIGHT", &height},
        {"FRAMERATE", &frameRate},
        {"VIDEO_BITRATE", &videoBitrate},
        {"AUDIO_CHANNELS", &audioChannels},
        {"AUDIO_SAMPLE_RATE", &audioSampleRate},
        {"AUDIO_BITRATE", &audioBitrate},
    };
    for (const auto& [name, value] : rows)
        engine.Standard_MPEG_Parameter_Add(QString::fromLatin1(name), *value);
}

bool ConfigureConversion(TKXVideoEdit& engine, const TcdSettings& s, const QString& inputPath,
                         const QString& outputPath, QString* error) {
    const int page = s.PageIndex();
    if (page < 0 || page > 5) {
        if (error)
            *error =
                QStringLiteral("Unknown target format %1 in the settings; choose a format page.")
                    .arg(page);
        return false;
    }
    const QString extension = QFileInfo(outputPath).suffix().trimmed().toLower();
    WmvNumbers wmv;
    if (page == 2 && extension == QLatin1String("wmv") && !ReadWmvNumbers(s, wmv, error))
        return false;
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
    // The timeline follows the input's own rate; the only rate change is the one the format
    // asks for. A fixed 25 fps timeline would drop frames of a 30 fps clip and then repeat
    // frames to reach 29.97.
    engine.setVideo_FrameRate(0.0);

    // The MP3 page writes a real MP3 through the LAME chain; an AVI named ".mp3" plays nowhere.
    static constexpr kx::TKXOutputFormat kFormats[] = {
        kx::Format_IndStr_Standard_MPEG, kx::Format_IndStr_Standard_MPEG, kx::Format_WMV,
        kx::Format_IndStr_Standard_MPEG, kx::Format_IndStr_Standard_MPEG, kx::Format_LAME};
    engine.setOutput_Format(kFormats[page]);
    engine.setOutput_File_Name(outputPath);

    const bool mpeg = engine.Output_Format() == kx::Format_IndStr_Standard_MPEG;
    if (mpeg && extension == QLatin1String("mpeg"))
        AddPageParameters(engine, s, QStringLiteral("MPEG"), s.MPEGCompression(),
                          QStringLiteral("MPEG2"), s.MPEGConstraint());
    else if (mpeg && extension == QLatin1String("mp4"))
        AddPageParameters(engine, s, QStringLiteral("MP4"),
                          Text(s, QStringLiteral("MP4"), "Compression"), QStringLiteral("MPEG4"),
                          Text(s, QStringLiteral("MP4"), "constraint"));
    else if (mpeg && extension == QLatin1String("mov"))
        AddPageParameters(engine, s, QStringLiteral("MOV"),
                          Text(s, QStringLiteral("MOV"), "Compression"), QStringLiteral("MPEG4"),
                          Text(s, QStringLiteral("MOV"), "constraint"));
    else if (engine.Output_Format() == kx::Format_WMV && extension == QLatin1String("wmv")) {
        engine.setWMV_Mode(kx::KX_WM_CustomSettings);
        engine.setWMV_Custom_Audio_Codec(s.property("G_WMVAudioCodec").toString());
        engine.setWMV_Custom_Audio_Format(s.property("G_WMVAudioFormat").toString());
        engine.setWMV_Custom_Audio_Mode(kx::KX_SM_CBR);
        engine.setWMV_Custom_Audio_StreamPresent(true);
        engine.setWMV_Custom_Video_Codec(s.property("G_WMVVedioCodec").toString());
        engine.setWMV_Custom_Video_Width(wmv.width);
        engine.setWMV_Custom_Video_Height(wmv.height);
        engine.setWMV_Custom_Video_FrameRate(wmv.frameRate);
        engine.setWMV_Custom_Video_KeyFrameInterval(1);
        engine.setWMV_Custom_Video_Bitrate(wmv.bitrate);
        engine.setWMV_Custom_Video_PeakBitRate(wmv.peakBitrate);
        engine.setWMV_Custom_Video_Quality(95);
        switch (s.property("WMVVedioMode").toInt()) {
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
        const int tv = s.property("WMVTVFormat").toInt();
        engine.setWMV_Custom_Video_TVSystem(tv == 0   ? kx::KX_TS_PAL
                                            : tv == 1 ? kx::KX_TS_NTSC
                                                      : kx::KX_TS_Other);
        engine.setWMV_Custom_Video_StreamPresent(true);
    } else if (engine.Output_Format() == kx::Format_LAME) {
        // The row's rate and channels. Its sample size has no meaning for MP3: the 8-bit rows
        // become the smaller files (VBR quality 7), the 16-bit rows the better ones (quality 4).
        const QString channels = s.property("MP3Channels").toString();
        if (channels == QLatin1String("Mono"))
            engine.setAudio_LAME_Channels_Mode(kx::CH_Mono);
        else if (channels == QLatin1String("Stereo"))
            engine.setAudio_LAME_Channels_Mode(kx::CH_Standard_Stereo);
        bool ok = false;
        const int rate = s.property("MP3Samplerate").toString().toInt(&ok);
        if (ok && rate > 0)
            engine.setAudio_LAME_Sample_Rate(rate);
        const int bits = s.property("MP3Bitrate").toString().toInt(&ok);
        if (ok && (bits == 8 || bits == 16)) {
            engine.setAudio_LAME_VBR_Mode(true);
            engine.setAudio_LAME_VBR_Quality(bits == 8 ? 7 : 4);
        }
    } else if (mpeg && extension == QLatin1String("flv"))
        AddPageParameters(engine, s, QStringLiteral("FLV"), QStringLiteral("FLV"),
                          QStringLiteral("FLV"), QStringLiteral("PAL"));
    engine.setAudio_Preview_Enabled(false);
    return true;
}

bool SetupConversion(TKXVideoEdit& engine, const TcdSettings& settings, const QString& inputPath,
                     const QString& outputPath, QString* error) {
    if (!ConfigureConversion(engine, settings, inputPath, outputPath, error))
        return false;
    engine.Start();
    return true;
}
