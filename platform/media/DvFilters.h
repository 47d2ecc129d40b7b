#pragma once

// The DV video encoder and the AVI multiplexer with its configuration interfaces. Graph-building
// thread only.

#include "platform/media/ChainInterfaces.h"
#include "platform/media/detail/GstFilter.h"

namespace media {

/// DV video encoder: scales, converts and paces any video to the chosen DV system (PAL
/// 720x576 at 25 fps 4:2:0, NTSC 720x480 at 29.97 fps 4:1:1) and encodes it with libavcodec.
class DvEncoderFilter final : public detail::GstFilter, public IDVEnc {
public:
    DvEncoderFilter();
    HRESULT SetIFormatResolution(int videoFormat, int dvFormat, int resolution,
                                 bool dvInfo) override;
    HRESULT GetIFormatResolution(int& videoFormat, int& dvFormat, int& resolution) const override;

private:
    void ApplySystem();
    GstElement* format_ = nullptr; ///< capsfilter in the bin, owned by the bin
    int videoFormat_ = DvEnc::VideoFormatPal;
};

/// "AVI Mux" on avimux. avimux always writes an OpenDML index with an AVI 1.0 index for the
/// first part and interleaves by time as data arrives, so the master stream, the compatibility
/// index and the interleaving settings are accepted and kept for reading back only.
class AviMuxFilter final : public detail::GstFilter,
                           public IConfigAviMux,
                           public IConfigInterleaving {
public:
    AviMuxFilter();
    HRESULT SetMasterStream(int stream) override;
    HRESULT GetMasterStream(int& stream) const override;
    HRESULT SetOutputCompatibilityIndex(bool on) override;
    HRESULT GetOutputCompatibilityIndex(bool& on) const override;
    HRESULT SetMode(int mode) override;
    HRESULT GetMode(int& mode) const override;
    HRESULT SetInterleaving(std::int64_t leave100ns, std::int64_t preroll100ns) override;

private:
    int masterStream_ = -1;
    bool compatibilityIndex_ = true;
    int mode_ = Interleave::Capture;
};

} // namespace media
