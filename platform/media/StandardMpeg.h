#pragma once

#include "platform/media/Result.h"

#include <cstdint>

namespace media {

/// Stream settings of the "Standard MPEG" encoder, obtained through IStandardMPEGConfig.
/// The operations stand in this order in the interface; bit rates are bits per second.
class IStandardMPEGSettings {
public:
    virtual ~IStandardMPEGSettings() = default;
    virtual HRESULT SetAudioFormat(std::int32_t format) = 0;
    virtual HRESULT SetVideoFormat(std::int32_t format) = 0;
    virtual HRESULT SetWidth(std::int32_t pixels) = 0;
    virtual HRESULT SetHeight(std::int32_t pixels) = 0;
    virtual HRESULT SetVideoBitrate(std::int32_t bitsPerSecond) = 0;
    virtual HRESULT SetVideoBitrateMin(std::int32_t bitsPerSecond) = 0;
    virtual HRESULT SetVideoBitrateMax(std::int32_t bitsPerSecond) = 0;
    virtual HRESULT SetAudioBitrate(std::int32_t bitsPerSecond) = 0;
    virtual HRESULT SetVideoBitrateMode(std::int32_t mode) = 0;
    virtual HRESULT SetVBVBufferSize(std::int32_t size) = 0;
    virtual HRESULT SetFrameRate(double framesPerSecond) = 0;
    virtual HRESULT SetAudioSampleRate(std::int32_t hz) = 0;
    virtual HRESULT SetAudioChannels(std::int32_t channels) = 0;
};

/// Configuration entry point of the "Standard MPEG" encoder filter.
class IStandardMPEGConfig {
public:
    virtual ~IStandardMPEGConfig() = default;
    /// The settings object lives as long as the filter.
    virtual HRESULT GetSettings(IStandardMPEGSettings*& settings) = 0;
    virtual HRESULT SetOutputFormat(std::int32_t outputFormat, std::int32_t constraint) = 0;
};

/// Numbers of the encoder's enumerations.
namespace StandardMpeg {
enum OutputFormat : std::int32_t {
    OutMpeg1 = 1,
    OutMpeg2 = 2,
    OutVcd = 3,
    OutSvcd = 4,
    OutDvd = 5,
    OutVcdStill = 6,
    OutSvcdStill = 7,
    OutMpeg4 = 8,
    Out3gp = 9,
    OutMov = 10,
    Out3g2 = 11,
    OutPsp = 12,
    OutAvi = 13,
    OutRm = 14,
    OutFlv = 16,
    OutMpeg2Ts = 17
};
enum Constraint : std::int32_t {
    ConNone = 0,
    ConNtsc = 1,
    ConFilm = 2,
    ConPal = 3,
    ConIpod = 4,
    ConIpodNano = 5,
    ConIphone = 6,
    ConHd = 7
};
enum VideoFormat : std::int32_t {
    VidNone = 0,
    VidMpeg1 = 1,
    VidMpeg2 = 2,
    VidMpeg4 = 3,
    VidFlv = 6
};
enum AudioFormat : std::int32_t {
    AudNone = 0,
    AudMpeg = 1,
    AudAc3 = 3,
    AudPcm = 4,
    AudWav = 5,
    AudAac = 6
};
enum BitrateMode : std::int32_t { ModeCbr = 0, ModeMvbr = 2 };
} // namespace StandardMpeg

} // namespace media
