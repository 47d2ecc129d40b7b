#pragma once

// The custom Windows Media profile builder: makes a profile from the engine's custom WMV
// settings through the Windows Media profile objects and hands it on as PRX text, with a list
// of warning codes for every profile step the platform refused. It enumerates the installed
// codecs and their formats once, when it is created, and picks formats from them by name.
//
// Threads: created on the engine's thread; BuildProfile runs on a run's worker thread. One
// build at a time (the engine never builds two runs' graphs at once).

#include "platform/media/WmProfile.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

/// Stream modes, numbered as the engine's TKX_WMV_Stream_Mode.
namespace wmv {
inline constexpr std::uint8_t KX_SM_CBR = 0;
inline constexpr std::uint8_t KX_SM_VBR_Quality = 1;
inline constexpr std::uint8_t KX_SM_VBR_Bitrate = 2;
inline constexpr std::uint8_t KX_SM_VBR_PeakBitrate = 3;
} // namespace wmv

struct TKX_WMV_AudioCodec_Format {
    std::int32_t Bitrate = 0; ///< bit/s; 0 for formats enumerated in quality mode
    std::uint8_t Channels = 0;
    std::int32_t SampleRate = 0; ///< Hz
    std::uint8_t BitsPerSample = 0;
    QString Description; ///< the platform's text, e.g. "128 kbps, 44 kHz, stereo CBR"
    std::uint8_t Mode = 0;
    std::unique_ptr<media::WMMediaType> MediaType; ///< null when it could not be read
};

struct TKX_WMV_AudioCodec {
    std::vector<TKX_WMV_AudioCodec_Format> Formats; ///< CBR, quality, bit-rate, peak formats
    QString Name;
};

struct TKX_WMV_VideoCodec_Format {
    QString StreamName;
    std::uint8_t Mode = 0;
    std::unique_ptr<media::WMMediaType> MediaType;
};

struct TKX_WMV_VideoCodec {
    std::vector<TKX_WMV_VideoCodec_Format> Formats;
    QString Name;
};

class TKX_WMV_CustomProfile {
public:
    /// Enumerates the codecs and their formats.
    TKX_WMV_CustomProfile();

    QString AudioCodec;
    std::uint8_t AudioMode = wmv::KX_SM_CBR;
    QString AudioFormat;
    std::int32_t AudioPeakBitrate = 0; ///< kbit/s
    std::uint8_t AudioPeakBufferSize = 0;
    std::uint8_t AudioQuality = 0; ///< the video quality: there is no audio quality setting
    bool AudioStreamPresent = false;
    QString AudioLanguage;
    QString VideoCodec;
    std::uint8_t VideoMode = wmv::KX_SM_CBR;
    std::int32_t VideoWidth = 0; ///< pixels
    std::int32_t VideoHeight = 0;
    bool VideoSizeSameAsInput = false;
    double VideoFrameRate = 0.0;            ///< frames per second
    std::uint8_t VideoKeyFrameInterval = 0; ///< seconds
    std::int32_t VideoBitrate = 0;          ///< kbit/s
    std::int32_t VideoPeakBitrate = 0;      ///< kbit/s
    std::uint8_t VideoPeakBufferSizeSeconds = 0;
    std::uint8_t VideoQuality = 0; ///< 0..100
    std::int32_t VideoBufferSize = 0;
    bool VideoBufferUseDefault = false;
    std::uint8_t VideoSmoothness = 0;
    std::uint8_t VideoTVSystem = 0;
    QString ProfileName;
    QString ProfileDescription;
    QString ProfileLanguage;
    std::vector<TKX_WMV_AudioCodec> AudioCodecs;
    std::vector<TKX_WMV_VideoCodec> VideoCodecs;
    bool VideoStreamPresent = false;
    QString ProfileText;                 ///< the last build's PRX text
    std::uint32_t ProfileTextLength = 0; ///< characters, terminating zero included

    /// Builds the profile from the fields above and stores its text. `warnings` receives the
    /// codes of the refused steps (157 to 171), each followed by ";".
    void BuildProfile(QString& warnings);

    void EnumerateAudioCodecs();
    void EnumerateVideoCodecs();
};
