#pragma once

// Audio filters of the WAV, MP3 and Ogg Vorbis chains, realised on GStreamer elements.
// Built and configured on the graph-building thread; settings take effect when the graph runs.

#include "platform/media/ChainInterfaces.h"
#include "platform/media/detail/GstFilter.h"

#include <QMap>

namespace media {

/// The "PCM" audio compressor: converts sample format, rate and channels to the format chosen
/// through IAMStreamConfig. Offers its formats (every common rate 8000..48000 Hz, mono and
/// stereo, 8 and 16 bit) only while its input is connected.
class PcmCompressorFilter final : public detail::GstFilter, public IAMStreamConfig {
public:
    PcmCompressorFilter();

    HRESULT GetFormatCount(int& count) const override;
    HRESULT GetStreamCaps(int index, MediaType& type) const override;
    HRESULT SetFormat(const MediaType& type) override;
    HRESULT GetFormat(MediaType& type) const override;

    /// The formats offered once connected, in their listing order.
    static std::vector<MediaType> OfferedFormats();

private:
    bool InputConnected() const;
    GstElement* format_ = nullptr; ///< the capsfilter inside the bin, owned by the bin
    MediaType chosen_;
};

/// The MP3 encoder: resampling, channel conversion and lamemp3enc. Settings are collected and
/// applied when the output is first connected (or the graph runs); later changes fail.
///
/// lamemp3enc has properties for the bit-rate mode, the constant bit rate, the VBR quality and
/// mono; a Xing header comes from xingmux (always for VBR, for CBR when asked). Flags without an
/// equivalent (VBR bounds, CRC, copyright, original, enforced VBR minimum, voice mode, keep all
/// frequencies, strict ISO, no short blocks, mode fixed, and the stereo/dual-channel distinction)
/// are stored and accepted.
class LameEncoderFilter final : public detail::GstFilter, public ILameEncoderSettings {
public:
    struct Settings {
        std::uint32_t bitrateKbps = 128;
        std::uint32_t variable = 0;
        std::uint32_t variableMinKbps = 0;
        std::uint32_t variableMaxKbps = 0;
        std::uint32_t variableQuality = 4;
        std::uint32_t channelMode = 1;
        std::uint32_t crc = 0, original = 0, copyright = 0, enforceVbrMin = 0, voice = 0,
                      keepAllFreq = 0, strictIso = 0, noShortBlock = 0, xingTag = 0, forceMono = 0,
                      modeFixed = 0;
        std::uint32_t sampleRateHz = 0;
    };

    LameEncoderFilter();

    HRESULT SetBitrate(std::uint32_t kbps) override;
    HRESULT GetBitrate(std::uint32_t& kbps) const override;
    HRESULT SetVariable(std::uint32_t on) override;
    HRESULT GetVariable(std::uint32_t& on) const override;
    HRESULT SetVariableMin(std::uint32_t kbps) override;
    HRESULT SetVariableMax(std::uint32_t kbps) override;
    HRESULT SetVariableQuality(std::uint32_t quality) override;
    HRESULT SetChannelMode(std::uint32_t mode) override;
    HRESULT GetChannelMode(std::uint32_t& mode) const override;
    HRESULT SetCRCFlag(std::uint32_t on) override;
    HRESULT SetOriginalFlag(std::uint32_t on) override;
    HRESULT SetCopyrightFlag(std::uint32_t on) override;
    HRESULT SetEnforceVBRmin(std::uint32_t on) override;
    HRESULT SetVoiceMode(std::uint32_t on) override;
    HRESULT SetKeepAllFreq(std::uint32_t on) override;
    HRESULT SetStrictISOCompliance(std::uint32_t on) override;
    HRESULT SetNoShortBlock(std::uint32_t on) override;
    HRESULT SetXingTag(std::uint32_t on) override;
    HRESULT SetForceMono(std::uint32_t on) override;
    HRESULT SetModeFixed(std::uint32_t on) override;
    HRESULT SetSampleRate(std::uint32_t hz) override;

    const Settings& CurrentSettings() const { return settings_; }

    HRESULT PrepareForConnect(detail::GstPin* pin) override;
    HRESULT PrepareForRun() override;

private:
    HRESULT Store(std::uint32_t& field, std::uint32_t value, bool valid = true);
    HRESULT Build();
    Settings settings_;
    bool built_ = false;
    HRESULT buildResult_ = S_OK;
};

/// The "Vorbis Encoder": vorbisenc behind a property bag. "AvgBitrate", "MinBitrate" and
/// "MaxBitrate" are kbit/s (-1 = off), "Quality" is -0.1..1 (-1 = off, bit-rate mode).
class VorbisEncoderFilter final : public detail::GstFilter, public IPropertyBag {
public:
    VorbisEncoderFilter();
    HRESULT Read(const QString& name, QVariant& value) const override;
    HRESULT Write(const QString& name, const QVariant& value) override;

private:
    GstElement* encoder_ = nullptr;  ///< owned by the bin
    QMap<QString, QVariant> values_; ///< key: lower-case name
};

} // namespace media
