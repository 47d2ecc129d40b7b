#include "editor/core/Presets.h"

#include "settings/GlobalSettings.h"

#include <array>
#include <iterator>

namespace {

struct MpegRow {
    const char* frameSize;
    const char* aspectRatio;
    const char* targetBitrate;
    const char* frameRate;
    const char* compression;
    const char* audioFrequency;
    const char* width;
    const char* height;
    const char* constraint;
};

// Rows 1 and 6 name the other MPEG standard in their captions, and row 7 says PAL; the values
// below are what the rows have always written.
constexpr std::array<MpegRow, 8> kMpegRows{{
    {"Original", "1:1", "1150", "29.97", "MPEG1", "44100", "0", "0", "NTSC"},
    {"Original", "1:1", "2376", "29.97", "MPEG1", "44100", "0", "0", "NTSC"},
    {"720*480", "1:1", "4000", "29.97", "MPEG2", "48000", "720", "480", "NTSC"},
    {"720*576", "1:1", "4000", "25", "MPEG2", "48000", "720", "576", "PAL"},
    {"480*480", "4:3", "2376", "29.97", "MPEG2", "44100", "480", "480", "NTSC"},
    {"480*576", "4:3", "2048", "25", "MPEG2", "44100", "480", "576", "PAL"},
    {"352*240", "4:3", "1150", "29.97", "MPEG2", "44100", "352", "240", "NTSC"},
    {"352*288", "4:3", "1150", "25", "MPEG1", "44100", "352", "288", "NTSC"},
}};

struct Mp4Row {
    const char* frameSize;
    const char* aspectRatio;
    const char* targetBitrate;
    const char* frameRate;
    const char* width;
    const char* height;
    const char* constraint;
};

constexpr std::array<Mp4Row, 4> kMp4Rows{{
    {"640*480", "1:1", "1150", "30", "640", "480", "NTSC"},
    {"320*240", "1:1", "1150", "24", "320", "240", "PAL"},
    {"320*240", "4:3", "768", "24", "320", "240", "iPod"},
    {"320*240", "4:3", "768", "24", "320", "240", "iPod Nano"},
}};

struct WmvRow {
    const char* frameSize;
    const char* targetBitrate;
    const char* frameRate;
    const char* width;
    const char* height;
    int videoMode; // 0 CBR, 1 VBR, 2 VBR(Peak)
};

constexpr std::array<WmvRow, 6> kWmvRows{{
    {"320*240", "512", "29.97", "320", "240", 0},
    {"640*480", "1150", "30", "640", "480", 0},
    {"320*240", "1150", "29.97", "320", "240", 1},
    {"640*480", "1150", "29.97", "640", "480", 1},
    {"640*480", "1150", "29.97", "640", "480", 2},
    {"320*240", "786", "29.97", "320", "240", 0},
}};

struct FlvRow {
    const char* targetBitrate;
    const char* audioBitrate;
    const char* audioFrequency;
};

constexpr std::array<FlvRow, 4> kFlvRows{{
    {"768", "256", "44100"},
    {"512", "128", "22050"},
    {"256", "64", "22050"},
    {"128", "64", "11025"},
}};

struct MovRow {
    const char* frameSize;
    const char* aspectRatio;
    const char* targetBitrate;
    const char* audioCodec;
    const char* audioBitrate;
    const char* audioFrequency;
    const char* width;
    const char* height;
};

constexpr std::array<MovRow, 5> kMovRows{{
    {"640*480", "4:3", "1150", "AAC", "128", "48000", "640", "480"},
    {"352*288", "1:1", "1150", "MP3", "128", "44100", "352", "288"},
    {"Original", "1:1", "1150", "MP3", "112", "44100", "0", "0"},
    {"176*144", "1:1", "1024", "MP3", "128", "44100", "176", "144"},
    {"Original", "1:1", "768", "MP3", "96", "44100", "0", "0"},
}};

struct Mp3Row {
    const char* sampleSize; // stored in MP3Bitrate
    const char* sampleRate;
};

constexpr std::array<Mp3Row, 4> kMp3Rows{{
    {"8", "44100"},
    {"8", "48000"},
    {"16", "44100"},
    {"16", "48000"},
}};

QString T(const char* text) {
    return QString::fromLatin1(text);
}

template <typename Table> bool InRange(const Table& table, int row) {
    return row >= 0 && row < static_cast<int>(table.size());
}

} // namespace

QStringList PresetRowCaptions(int format) {
    switch (format) {
    case FormatMPEG:
        return {
            QStringLiteral(
                "MPEG Video: MPEG1, 1150kbps, 29.97fps, Original frame size; Audio: 224kbps"),
            QStringLiteral(
                "MPEG Video: MPEG2, 2376kbps, 29.97fps, Original frame size; Audio: 224kbps"),
            QStringLiteral("DVD NTSC compatible(MPEG2, 4000kbps, 29.97fps, 720*480)"),
            QStringLiteral("DVD PAL compatible(MPEG2, 4000kbps, 25fps, 720*576)"),
            QStringLiteral("SVCD NTSC compatible(MPEG2, 2376kbps, 29.97fps, 480*480)"),
            QStringLiteral("SVCD PAL compatible(MPEG2, 2376kbps, 25fps, 480*576)"),
            QStringLiteral("VCD NTSC compatible(MPEG1, 1150kbps, 29.97fps, 352*240)"),
            QStringLiteral("VCD PAL compatible(MPEG1, 1150kbps, 25fps, 352*288)"),
            QStringLiteral("[Custom MPEG]"),
        };
    case FormatMP4:
        return {
            QStringLiteral("MPEG-4 iPhone - Highest Available Quality (MPEG-4, 30fps, 640*480, "
                           "iPhone Standard)"),
            QStringLiteral("MPEG-4 iPhone - Normal Quality(MPEG-4, 24fps, 320*240 PAL Standard)"),
            QStringLiteral("MPEG-4 iPod - Normal Quality(MPEG-4, 24fps, 320*240 iPod Standard)"),
            QStringLiteral("MPEG-4 iPod Nano - Normal Quality(iPod Nano, 24kbps, 320*240  iPod "
                           "Nano Standard)"),
            QStringLiteral("[Custom MP4]"),
        };
    case FormatWMV:
        return {
            QStringLiteral("Microsoft Zune - Normal Quality (320*240, near 512kbps, CBR)"),
            QStringLiteral("Microsoft Zune(2Gen) - High Quality (640*480, near 1300kbps, CBR)"),
            QStringLiteral("Microsoft Zune - VBR Quality (320*240, near 512kbps, VBR)"),
            QStringLiteral("Microsoft Zune - VBR High Quality (640*480, 1150kbps, VBR)"),
            QStringLiteral("Microsoft Zune - VBR(Peak) Quality(640*480, 1150, VBR(Peak))"),
            QStringLiteral("Windows Media Video Standard Quality"),
            QStringLiteral("[Custom WMV]"),
        };
    case FormatFLV:
        return {
            QStringLiteral("Video: FLV, 768kbps; Audio: MP3, 256kbps"),
            QStringLiteral("Video: FLV, 512kbps; Audio: MP3, 128kbps"),
            QStringLiteral("Video: FLV, 256kbps; Audio: MP3, 64kbps"),
            QStringLiteral("Video: FLV, 128kbps; Audio: MP3, 64kbps"),
            QStringLiteral("[Custom FLV]"),
        };
    case FormatMOV:
        return {
            QStringLiteral("Quick Time - HD Quality 480p(640*480; MP2, 128kbps)"),
            QStringLiteral("Quick Time - Optimal Quality (352*288; MP3, 128kbps)"),
            QStringLiteral("Quick Time - Highest Available Quality (MPEG4; MP3 112kbps)"),
            QStringLiteral("Quick Time - Standard Quality (176*144; MP3, 128kbps)"),
            QStringLiteral("Quick Time - Balanced Quality (MPEG4; MP3, 96kbps)"),
            QStringLiteral("[Custom MOV]"),
        };
    case FormatMP3:
        return {
            QStringLiteral("For Mobile - MP3:44100 Hz, Stereo, 8bit"),
            QStringLiteral("For Media Play -MP3:48000 Hz, Stereo, 8bit"),
            QStringLiteral("Nomal Quality -MP3:44100 Hz, Stereo, 16bit"),
            QStringLiteral("Best Quality -MP3:48000 Hz, Stereo, 16bit"),
            QStringLiteral("[Custom MP3]"),
        };
    default:
        return {};
    }
}

int CustomPresetRow(int format) {
    return static_cast<int>(PresetRowCaptions(format).size()) - 1;
}

bool ApplyPresetToSettings(int format, int row, TcdSettings& s) {
    switch (format) {
    case FormatMPEG: {
        if (!InRange(kMpegRows, row))
            return false;
        const MpegRow& r = kMpegRows[row];
        s.SetMPEGAudioCodec(QStringLiteral("MP2"));
        s.SetMPEGAudioBitrate(QStringLiteral("224"));
        s.SetMPEGAudioChannels(QStringLiteral("Stereo"));
        s.SetMPEGFrameSize(T(r.frameSize));
        s.SetMPEGAspectRatio(T(r.aspectRatio));
        s.SetMPEGTragetBitrate(T(r.targetBitrate));
        s.SetMPEGFrameRate(T(r.frameRate));
        s.SetMPEGCompression(T(r.compression));
        s.SetMPEGAudioFrequency(T(r.audioFrequency));
        s.SetMPEGWidth(T(r.width));
        s.SetMPEGHeight(T(r.height));
        s.SetMPEGConstraint(T(r.constraint));
        return true;
    }
    case FormatMP4: {
        if (!InRange(kMp4Rows, row))
            return false;
        const Mp4Row& r = kMp4Rows[row];
        s.SetMP4Compression(QStringLiteral("MPEG4"));
        s.SetMP4AudioCodec(QStringLiteral("AAC"));
        s.SetMP4AudioBitrate(QStringLiteral("128"));
        s.SetMP4AudioChannels(QStringLiteral("Stereo"));
        s.SetMP4AudioFrequency(QStringLiteral("48000"));
        s.SetMP4FrameSize(T(r.frameSize));
        s.SetMP4AspectRatio(T(r.aspectRatio));
        s.SetMP4TragetBitrate(T(r.targetBitrate));
        s.SetMP4FrameRate(T(r.frameRate));
        s.SetMP4Width(T(r.width));
        s.SetMP4Height(T(r.height));
        s.SetMP4constraint(T(r.constraint));
        return true;
    }
    case FormatWMV: {
        if (!InRange(kWmvRows, row))
            return false;
        const WmvRow& r = kWmvRows[row];
        // The codec rows (WMVVedioCodec, WMVAudioCodec) and the TV format stay as they are.
        s.SetWMVAudioFormat1(0);
        s.SetWMVAudioFormat2(6);
        s.SetWMVAudioFormat3(0);
        s.SetWMVPeakBitrate(QStringLiteral("6000"));
        s.SetWMVAudioPeakBitrate(QStringLiteral("384"));
        s.SetG_WMVAudioCodec(QStringLiteral("Windows Media Audio 9.2"));
        s.SetG_WMVAudioFormat(QStringLiteral("128 kbps, 44 kHz, stereo CBR"));
        s.SetG_WMVVedioCodec(QStringLiteral("Windows Media Video 9"));
        s.SetWMVFrameSize(T(r.frameSize));
        s.SetWMVTragetBitrate(T(r.targetBitrate));
        s.SetWMVFramerate(T(r.frameRate));
        s.SetWMVWidth(T(r.width));
        s.SetWMVHeight(T(r.height));
        s.SetWMVVedioMode(r.videoMode);
        return true;
    }
    case FormatFLV: {
        if (!InRange(kFlvRows, row))
            return false;
        const FlvRow& r = kFlvRows[row];
        s.SetFLVFrameSize(QStringLiteral("Original"));
        s.SetFLVAspectRatio(QStringLiteral("1:1"));
        s.SetFLVFrameRate(QStringLiteral("25"));
        s.SetFLVCompression(QStringLiteral("Flash Vedio"));
        s.SetFLVAudioCodec(QStringLiteral("MP3"));
        s.SetFLVAudioChannels(QStringLiteral("Stereo"));
        s.SetFLVWidth(QStringLiteral("0"));
        s.SetFLVHeight(QStringLiteral("0"));
        s.SetFLVConstraint(QStringLiteral("PAL"));
        // The selected row itself, so that it survives a restart like the other formats' rows.
        s.SetFLVCbbIdx(row);
        s.SetFLVTragetBitrate(T(r.targetBitrate));
        s.SetFLVAudioBitrate(T(r.audioBitrate));
        s.SetFLVAudioFrequency(T(r.audioFrequency));
        return true;
    }
    case FormatMOV: {
        if (!InRange(kMovRows, row))
            return false;
        const MovRow& r = kMovRows[row];
        s.SetMOVFrameRate(QStringLiteral("25"));
        s.SetMOVCompression(QStringLiteral("MPEG4"));
        s.SetMOVAudioChannels(QStringLiteral("Stereo"));
        s.SetMOVconstraint(QStringLiteral("PAL"));
        s.SetMOVFrameSize(T(r.frameSize));
        s.SetMOVAspectRatio(T(r.aspectRatio));
        s.SetMOVTragetBitrate(T(r.targetBitrate));
        s.SetMOVAudioCodec(T(r.audioCodec));
        s.SetMOVAudioBitrate(T(r.audioBitrate));
        s.SetMOVAudioFrequency(T(r.audioFrequency));
        s.SetMOVWidth(T(r.width));
        s.SetMOVHeight(T(r.height));
        return true;
    }
    case FormatMP3: {
        if (!InRange(kMp3Rows, row))
            return false;
        const Mp3Row& r = kMp3Rows[row];
        s.SetMP3Channels(QStringLiteral("Stereo"));
        s.SetMP3Bitrate(T(r.sampleSize));
        s.SetMP3Samplerate(T(r.sampleRate));
        return true;
    }
    default:
        return false;
    }
}

bool ApplyPresetToSettings(int format, int row) {
    return ApplyPresetToSettings(format, row, Settings());
}

int StoredPresetRow(const TcdSettings& settings, int format) {
    switch (format) {
    case FormatMPEG:
        return settings.MPEGCbbIdx();
    case FormatMP4:
        return settings.MP4CbbIdx();
    case FormatWMV:
        return settings.WMVCbbIdx();
    case FormatFLV:
        return settings.FLVCbbIdx();
    case FormatMOV:
        return settings.MOVCbbIdx();
    case FormatMP3:
        return settings.MP3CbbIdx();
    default:
        return -1;
    }
}

void SetStoredPresetRow(TcdSettings& settings, int format, int row) {
    switch (format) {
    case FormatMPEG:
        settings.SetMPEGCbbIdx(row);
        break;
    case FormatMP4:
        settings.SetMP4CbbIdx(row);
        break;
    case FormatWMV:
        settings.SetWMVCbbIdx(row);
        break;
    case FormatFLV:
        settings.SetFLVCbbIdx(row);
        break;
    case FormatMOV:
        settings.SetMOVCbbIdx(row);
        break;
    case FormatMP3:
        settings.SetMP3CbbIdx(row);
        break;
    default:
        break;
    }
}
