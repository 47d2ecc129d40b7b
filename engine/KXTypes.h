#pragma once
// Enumerations and records of the conversion engine. The ordinals are stored by callers
// (settings, presets), so the order of every enumeration is fixed.

#include <QObject>
#include <QString>

#include <cstdint>
#include <memory>

namespace kx {
Q_NAMESPACE

enum TKXOutputFormat {
    Format_AVI,
    Format_WMV,
    Format_DV,
    Format_MKV,
    Format_PCM_ACM,
    Format_FLV,
    Format_WMA,
    Format_LAME,
    Format_OggVorbis,
    Format_Custom,
    Format_IndStr_Standard_MPEG
};
Q_ENUM_NS(TKXOutputFormat)

enum TKXMode { Mode_Convert, Mode_Preview };
Q_ENUM_NS(TKXMode)

enum TKXStatus { Status_WORK = 0, Status_FREE = 1 };
Q_ENUM_NS(TKXStatus)

enum TKXVideoRenderer { VR_VideoRenderer, VR_VMR9, VR_EVR, VR_NONE };
Q_ENUM_NS(TKXVideoRenderer)

enum TKXLameChannelsMode { CH_Standard_Stereo, CH_Joint_Stereo, CH_Dual_Stereo, CH_Mono };
Q_ENUM_NS(TKXLameChannelsMode)

enum TKXVorbisMode { VM_Quality, VM_Bitrate };
Q_ENUM_NS(TKXVorbisMode)

enum TKXDVVideoFormat { DVF_PAL, DVF_NTSC };
Q_ENUM_NS(TKXDVVideoFormat)

enum TKX_WMV_Mode {
    KX_WM_ExternalProfile,
    KX_WM_InternalProfile,
    KX_WM_CustomSettings,
    KX_WM_V8_SystemProfile
};
Q_ENUM_NS(TKX_WMV_Mode)

enum TKX_WMV_Stream_Mode { KX_SM_CBR, KX_SM_VBR_Quality, KX_SM_VBR_Bitrate, KX_SM_VBR_PeakBitrate };
Q_ENUM_NS(TKX_WMV_Stream_Mode)

enum TKXTVSystem { KX_TS_PAL, KX_TS_NTSC, KX_TS_Other };
Q_ENUM_NS(TKXTVSystem)

enum TKXBGImageDrawMode { DM_Center, DM_Stretch, DM_Repeat };
Q_ENUM_NS(TKXBGImageDrawMode)

} // namespace kx

/// One engine input. Times are milliseconds, -1 = unset.
struct TKXStream {
    QString FileName;
    std::uint8_t Kind = 0; ///< 0 = video input, 1 = audio input
    std::int64_t StartTimeMs = -1;
    std::int64_t StopTimeMs = -1;
    std::int64_t InsertTimeMs = -1; ///< timeline position; -1 = after the previous input
    QString LengthSourceFile;       ///< audio: file whose video length becomes the audio length
    std::uint8_t StretchMode = 0;   ///< video: 0 fill, 1 letterbox, other = crop
    double Speed = 1.0;             ///< timeline duration = media duration / Speed
    std::uint8_t AudioGroup = 0;    ///< audio: group 0..7
};

/// One video track of the run's timeline, with its placement in 100-ns units.
struct TKXDESTrack {
    std::shared_ptr<void> Track; ///< the timeline's track handle, released with the record
    std::int64_t Start100ns = 0;
    std::int64_t Stop100ns = 0;
};
