#pragma once

// Control interfaces of the audio encoders, the DV encoder and the multiplexers of the AVI,
// DV, Ogg and custom output chains. Obtained with Filter::QueryInterface<I>(); every call runs
// on the thread that builds the graph and takes effect when the graph next starts.

#include "platform/media/MediaType.h"
#include "platform/media/Result.h"

#include <QString>
#include <QVariant>

#include <cstdint>

namespace media {

/// Class identifiers of the filters the audio and container chains create by identity.
namespace ChainClsid {
inline const QString WavDest = QStringLiteral("{16EF2357-E074-436D-A37A-20BBE06A5D93}");
inline const QString LameEncoder = QStringLiteral("{B8D27088-FF5F-4B7C-98DC-0E91A1696286}");
inline const QString DvMux = QStringLiteral("{129D7E40-C10D-11D0-AFB9-00AA00B67A42}");
inline const QString VorbisEncoder = QStringLiteral("{1D4CEF66-812E-4FF5-9246-5F298D1B27EF}");
inline const QString OggMux = QStringLiteral("{19134BD3-B5EC-459E-A556-B4ED56BDC670}");
inline const QString MatroskaMux = QStringLiteral("{E23A3AC7-1B45-4E84-82ED-C682728F4A21}");
inline const QString PcmCompressor = QStringLiteral("{6CA250F9-D2C3-44B1-9B1D-726973AE3544}");
} // namespace ChainClsid

/// Output-format control of an audio compressor. The compressor lists its formats only while
/// its input is connected (the formats follow from the input's).
class IAMStreamConfig {
public:
    virtual ~IAMStreamConfig() = default;
    /// VFW_E_NOT_CONNECTED and 0 while the input is not connected.
    virtual HRESULT GetFormatCount(int& count) const = 0;
    virtual HRESULT GetStreamCaps(int index, MediaType& type) const = 0;
    /// The format the output will carry; E_INVALIDARG for a format the compressor cannot make.
    virtual HRESULT SetFormat(const MediaType& type) = 0;
    virtual HRESULT GetFormat(MediaType& type) const = 0;
};

/// The MP3 encoder's settings, in the order the encoder lists them. Values are 32-bit
/// unsigned; flags are 1 or 0. Bit rates are kbit/s.
class ILameEncoderSettings {
public:
    virtual ~ILameEncoderSettings() = default;
    virtual HRESULT SetBitrate(std::uint32_t kbps) = 0;
    virtual HRESULT GetBitrate(std::uint32_t& kbps) const = 0;
    virtual HRESULT SetVariable(std::uint32_t on) = 0;
    virtual HRESULT GetVariable(std::uint32_t& on) const = 0;
    virtual HRESULT SetVariableMin(std::uint32_t kbps) = 0;
    virtual HRESULT SetVariableMax(std::uint32_t kbps) = 0;
    /// 0 best .. 9 smallest.
    virtual HRESULT SetVariableQuality(std::uint32_t quality) = 0;
    /// 0 stereo, 1 joint stereo, 2 dual channel, 3 mono.
    virtual HRESULT SetChannelMode(std::uint32_t mode) = 0;
    virtual HRESULT GetChannelMode(std::uint32_t& mode) const = 0;
    virtual HRESULT SetCRCFlag(std::uint32_t on) = 0;
    virtual HRESULT SetOriginalFlag(std::uint32_t on) = 0;
    virtual HRESULT SetCopyrightFlag(std::uint32_t on) = 0;
    virtual HRESULT SetEnforceVBRmin(std::uint32_t on) = 0;
    virtual HRESULT SetVoiceMode(std::uint32_t on) = 0;
    virtual HRESULT SetKeepAllFreq(std::uint32_t on) = 0;
    virtual HRESULT SetStrictISOCompliance(std::uint32_t on) = 0;
    virtual HRESULT SetNoShortBlock(std::uint32_t on) = 0;
    virtual HRESULT SetXingTag(std::uint32_t on) = 0;
    virtual HRESULT SetForceMono(std::uint32_t on) = 0;
    virtual HRESULT SetModeFixed(std::uint32_t on) = 0;
    /// Rate the encoder resamples its input to before encoding, Hz; 0 keeps the input's.
    virtual HRESULT SetSampleRate(std::uint32_t hz) = 0;
};

/// Named settings of a filter (the Vorbis encoder's "AvgBitrate", "Quality", ...).
class IPropertyBag {
public:
    virtual ~IPropertyBag() = default;
    /// E_INVALIDARG for an unknown name or a value that does not convert.
    virtual HRESULT Read(const QString& name, QVariant& value) const = 0;
    virtual HRESULT Write(const QString& name, const QVariant& value) = 0;
};

/// DV encoder format selection.
namespace DvEnc {
inline constexpr int VideoFormatNtsc = 2000;
inline constexpr int VideoFormatPal = 2001;
inline constexpr int FormatDvsd = 2007;
inline constexpr int FormatDvhd = 2008;
inline constexpr int FormatDvsl = 2009;
inline constexpr int ResolutionFull = 2012; ///< 720x480 / 720x576
inline constexpr int ResolutionHalf = 2013;
inline constexpr int ResolutionQuarter = 2014;
inline constexpr int ResolutionDc = 2015;
} // namespace DvEnc

class IDVEnc {
public:
    virtual ~IDVEnc() = default;
    /// E_INVALIDARG for a combination the encoder cannot write (only full-size DVSD exists).
    virtual HRESULT SetIFormatResolution(int videoFormat, int dvFormat, int resolution,
                                         bool dvInfo) = 0;
    virtual HRESULT GetIFormatResolution(int& videoFormat, int& dvFormat,
                                         int& resolution) const = 0;
};

/// AVI multiplexer settings.
class IConfigAviMux {
public:
    virtual ~IConfigAviMux() = default;
    /// Stream whose clock paces the file; -1 = none.
    virtual HRESULT SetMasterStream(int stream) = 0;
    virtual HRESULT GetMasterStream(int& stream) const = 0;
    /// Whether an AVI 1.0 index is written besides the extended one.
    virtual HRESULT SetOutputCompatibilityIndex(bool on) = 0;
    virtual HRESULT GetOutputCompatibilityIndex(bool& on) const = 0;
};

namespace Interleave {
inline constexpr int None = 0;
inline constexpr int Capture = 1;
inline constexpr int Full = 2;
inline constexpr int NoneBuffered = 3;
} // namespace Interleave

class IConfigInterleaving {
public:
    virtual ~IConfigInterleaving() = default;
    virtual HRESULT SetMode(int mode) = 0;
    virtual HRESULT GetMode(int& mode) const = 0;
    /// Interleaving period and preroll, 100-ns units.
    virtual HRESULT SetInterleaving(std::int64_t leave100ns, std::int64_t preroll100ns) = 0;
};

} // namespace media
