#pragma once

#include "platform/media/StandardMpeg.h"
#include "platform/media/detail/GstFilter.h"

namespace media {

/// The "Standard MPEG" encoder: video on input 1, audio on input 2, one multiplexed output.
/// Its insides (converters, encoders, multiplexer) are built from the settings when the
/// output is connected, or at the latest when the graph runs.
class StandardMpegFilter final : public detail::GstFilter,
                                 public IStandardMPEGConfig,
                                 public IStandardMPEGSettings {
public:
    struct Settings {
        std::int32_t outputFormat = StandardMpeg::OutMpeg2;
        std::int32_t constraint = StandardMpeg::ConNone;
        std::int32_t videoFormat = StandardMpeg::VidMpeg2;
        std::int32_t audioFormat = StandardMpeg::AudMpeg;
        std::int32_t width = 0;                 ///< pixels, 0 = the input's
        std::int32_t height = 0;                ///< pixels, 0 = the input's
        std::int32_t videoBitrate = 6000000;    ///< bit/s
        std::int32_t videoBitrateMin = 0;       ///< bit/s
        std::int32_t videoBitrateMax = 9000000; ///< bit/s
        std::int32_t audioBitrate = 192000;     ///< bit/s
        std::int32_t bitrateMode = StandardMpeg::ModeCbr;
        std::int32_t vbvBufferSize = 0;
        double frameRate = 0.0; ///< frames per second, 0 = the input's
        std::int32_t audioSampleRate = 44100;
        std::int32_t audioChannels = 2;
    };

    StandardMpegFilter();

    HRESULT GetSettings(IStandardMPEGSettings*& settings) override;
    HRESULT SetOutputFormat(std::int32_t outputFormat, std::int32_t constraint) override;
    HRESULT SetAudioFormat(std::int32_t format) override;
    HRESULT SetVideoFormat(std::int32_t format) override;
    HRESULT SetWidth(std::int32_t pixels) override;
    HRESULT SetHeight(std::int32_t pixels) override;
    HRESULT SetVideoBitrate(std::int32_t bitsPerSecond) override;
    HRESULT SetVideoBitrateMin(std::int32_t bitsPerSecond) override;
    HRESULT SetVideoBitrateMax(std::int32_t bitsPerSecond) override;
    HRESULT SetAudioBitrate(std::int32_t bitsPerSecond) override;
    HRESULT SetVideoBitrateMode(std::int32_t mode) override;
    HRESULT SetVBVBufferSize(std::int32_t size) override;
    HRESULT SetFrameRate(double framesPerSecond) override;
    HRESULT SetAudioSampleRate(std::int32_t hz) override;
    HRESULT SetAudioChannels(std::int32_t channels) override;

    const Settings& CurrentSettings() const { return settings_; }

    HRESULT PrepareForConnect(detail::GstPin* pin) override;
    HRESULT PrepareForRun() override;

private:
    HRESULT Build();
    bool built_ = false;
    HRESULT buildResult_ = S_OK;
    QString buildError_;
    Settings settings_;
};

} // namespace media
