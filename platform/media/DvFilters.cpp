#include "platform/media/DvFilters.h"

#include "platform/media/FilterRegistry.h"

#include <gst/gst.h>

namespace media {

namespace {

GstElement* DvEncoderBin() {
    // Our libavcodec element when registered; the stock libav wrapper otherwise.
    GstElementFactory* own = gst_element_factory_find("rvavcodecvenc");
    const char* encoder = own ? "rvavcodecvenc codec=dvvideo" : "avenc_dvvideo";
    if (own)
        gst_object_unref(own);
    const QByteArray description =
        QByteArray("videoconvert ! videoscale ! videorate ! capsfilter name=format ! ") + encoder;
    GError* error = nullptr;
    GstElement* bin = gst_parse_bin_from_description(description.constData(), TRUE, &error);
    g_clear_error(&error);
    return bin;
}

} // namespace

DvEncoderFilter::DvEncoderFilter()
    : GstFilter(DvEncoderBin(), Clsid::DvVideoEncoder) {
    if (Element()) {
        format_ = gst_bin_get_by_name(GST_BIN(Element()), "format");
        if (format_)
            gst_object_unref(format_); // the bin keeps it
    }
    ApplySystem();
}

void DvEncoderFilter::ApplySystem() {
    if (!format_)
        return;
    const bool ntsc = videoFormat_ == DvEnc::VideoFormatNtsc;
    // 4:3 pictures; videoscale letterboxes other shapes.
    GstCaps* caps = ntsc ? gst_caps_from_string("video/x-raw,format=Y41B,width=720,height=480,"
                                                "framerate=30000/1001,pixel-aspect-ratio=8/9")
                         : gst_caps_from_string("video/x-raw,format=I420,width=720,height=576,"
                                                "framerate=25/1,pixel-aspect-ratio=16/15");
    g_object_set(format_, "caps", caps, nullptr);
    gst_caps_unref(caps);
}

HRESULT DvEncoderFilter::SetIFormatResolution(int videoFormat, int dvFormat, int resolution, bool) {
    if ((videoFormat != DvEnc::VideoFormatNtsc && videoFormat != DvEnc::VideoFormatPal) ||
        dvFormat != DvEnc::FormatDvsd || resolution != DvEnc::ResolutionFull)
        return E_INVALIDARG;
    videoFormat_ = videoFormat;
    ApplySystem();
    return S_OK;
}

HRESULT DvEncoderFilter::GetIFormatResolution(int& videoFormat, int& dvFormat,
                                              int& resolution) const {
    videoFormat = videoFormat_;
    dvFormat = DvEnc::FormatDvsd;
    resolution = DvEnc::ResolutionFull;
    return S_OK;
}

AviMuxFilter::AviMuxFilter()
    : GstFilter(gst_element_factory_make("avimux", nullptr), Clsid::AviMux) {}

HRESULT AviMuxFilter::SetMasterStream(int stream) {
    if (stream < -1)
        return E_INVALIDARG;
    masterStream_ = stream;
    return S_OK;
}
HRESULT AviMuxFilter::GetMasterStream(int& stream) const {
    stream = masterStream_;
    return S_OK;
}
HRESULT AviMuxFilter::SetOutputCompatibilityIndex(bool on) {
    compatibilityIndex_ = on;
    return S_OK;
}
HRESULT AviMuxFilter::GetOutputCompatibilityIndex(bool& on) const {
    on = compatibilityIndex_;
    return S_OK;
}
HRESULT AviMuxFilter::SetMode(int mode) {
    if (mode < Interleave::None || mode > Interleave::NoneBuffered)
        return E_INVALIDARG;
    mode_ = mode;
    return S_OK;
}
HRESULT AviMuxFilter::GetMode(int& mode) const {
    mode = mode_;
    return S_OK;
}
HRESULT AviMuxFilter::SetInterleaving(std::int64_t leave100ns, std::int64_t preroll100ns) {
    return leave100ns < 0 || preroll100ns < 0 ? E_INVALIDARG : S_OK;
}

} // namespace media
