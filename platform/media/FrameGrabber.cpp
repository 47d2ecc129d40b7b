#include "platform/media/FrameGrabber.h"

#include "platform/media/detail/GstFilter.h"
#include "platform/media/detail/GstRef.h"

#include <gst/video/video.h>

#include <cstring>

namespace media {

class FrameGrabberAccess {
public:
    static VideoFrame Make(GstSample* adopted, int width, int height) {
        VideoFrame frame;
        frame.sample_ = std::shared_ptr<void>(
            adopted, [](void* p) { gst_sample_unref(static_cast<GstSample*>(p)); });
        frame.width_ = width;
        frame.height_ = height;
        return frame;
    }
    static GstSample* Sample(const VideoFrame& f) {
        return static_cast<GstSample*>(f.sample_.get());
    }
};

QImage VideoFrame::ToRgbImage() const {
    GstSample* sample = FrameGrabberAccess::Sample(*this);
    if (!sample)
        return {};
    GstVideoInfo inInfo;
    if (!gst_video_info_from_caps(&inInfo, gst_sample_get_caps(sample)))
        return {};
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    if (!buffer)
        return {};
    QImage image(GST_VIDEO_INFO_WIDTH(&inInfo), GST_VIDEO_INFO_HEIGHT(&inInfo),
                 QImage::Format_RGB888);
    if (image.isNull())
        return {};
    GstVideoInfo outInfo;
    gst_video_info_set_format(&outInfo, GST_VIDEO_FORMAT_RGB, GST_VIDEO_INFO_WIDTH(&inInfo),
                              GST_VIDEO_INFO_HEIGHT(&inInfo));
    GST_VIDEO_INFO_FPS_N(&outInfo) = GST_VIDEO_INFO_FPS_N(&inInfo);
    GST_VIDEO_INFO_FPS_D(&outInfo) = GST_VIDEO_INFO_FPS_D(&inInfo);
    GST_VIDEO_INFO_PAR_N(&outInfo) = GST_VIDEO_INFO_PAR_N(&inInfo);
    GST_VIDEO_INFO_PAR_D(&outInfo) = GST_VIDEO_INFO_PAR_D(&inInfo);
    GstVideoFrame in;
    if (!gst_video_frame_map(&in, &inInfo, buffer, GST_MAP_READ))
        return {};
    if (GST_VIDEO_INFO_FORMAT(&inInfo) == GST_VIDEO_FORMAT_RGB) {
        const auto* src = static_cast<const uchar*>(GST_VIDEO_FRAME_PLANE_DATA(&in, 0));
        const int stride = GST_VIDEO_FRAME_PLANE_STRIDE(&in, 0);
        for (int y = 0; y < image.height(); ++y)
            std::memcpy(image.scanLine(y), src + std::size_t(y) * stride,
                        std::size_t(image.width()) * 3);
        gst_video_frame_unmap(&in);
        return image;
    }
    // Convert straight into the picture's rows.
    GstVideoFrame out;
    std::memset(&out, 0, sizeof(out));
    out.info = outInfo;
    out.info.stride[0] = int(image.bytesPerLine());
    out.data[0] = image.bits();
    GstVideoConverter* converter = gst_video_converter_new(&inInfo, &out.info, nullptr);
    if (!converter) {
        gst_video_frame_unmap(&in);
        return {};
    }
    gst_video_converter_frame(converter, &in, &out);
    gst_video_converter_free(converter);
    gst_video_frame_unmap(&in);
    return image;
}

namespace {

struct ProbeContext {
    bool convert = false;
    FrameGrabberCallbacks callbacks;
};

GstPadProbeReturn FrameProbe(GstPad* pad, GstPadProbeInfo* info, gpointer data) {
    auto* ctx = static_cast<ProbeContext*>(data);
    GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
    if (!buffer)
        return GST_PAD_PROBE_OK;
    GstCaps* caps = gst_pad_get_current_caps(pad);
    if (!caps)
        return GST_PAD_PROBE_OK;
    GstVideoInfo vinfo;
    const bool known = gst_video_info_from_caps(&vinfo, caps);
    const int width = known ? GST_VIDEO_INFO_WIDTH(&vinfo) : 0;
    const int height = known ? GST_VIDEO_INFO_HEIGHT(&vinfo) : 0;
    if (ctx->convert && ctx->callbacks.onFrameBytes) {
        buffer = gst_buffer_make_writable(buffer);
        GST_PAD_PROBE_INFO_DATA(info) = buffer;
        GstMapInfo map;
        if (gst_buffer_map(buffer, &map, GST_MAP_READWRITE)) {
            unsigned char* bytes = map.data;
            try {
                ctx->callbacks.onFrameBytes(bytes, int(map.size), width, height);
            } catch (...) {
            }
            gst_buffer_unmap(buffer, &map);
        }
    }
    if (ctx->callbacks.onFrame) {
        VideoFrame frame =
            FrameGrabberAccess::Make(gst_sample_new(buffer, caps, nullptr, nullptr), width, height);
        try {
            ctx->callbacks.onFrame(frame);
        } catch (...) {
        }
    }
    gst_caps_unref(caps);
    return GST_PAD_PROBE_OK;
}

} // namespace

FilterPtr CreateFrameGrabber(bool convertToRgb, int width, int height,
                             FrameGrabberCallbacks callbacks) {
    EnsureMediaInitialized();
    GstElement* bin = gst_bin_new(nullptr);
    GstElement* convert =
        convertToRgb ? gst_element_factory_make("videoconvert", nullptr) : nullptr;
    GstElement* filter = gst_element_factory_make("capsfilter", nullptr);
    if (!filter || (convertToRgb && !convert)) {
        if (convert)
            gst_object_unref(convert);
        if (filter)
            gst_object_unref(filter);
        gst_object_unref(bin);
        return nullptr;
    }
    GstCaps* caps = gst_caps_new_empty_simple("video/x-raw");
    if (convertToRgb)
        gst_caps_set_simple(caps, "format", G_TYPE_STRING, "BGR", nullptr);
    if (width > 0 && height > 0)
        gst_caps_set_simple(caps, "width", G_TYPE_INT, width, "height", G_TYPE_INT, height,
                            nullptr);
    g_object_set(filter, "caps", caps, nullptr);
    gst_caps_unref(caps);
    GstElement* first = filter;
    GstElement* last = filter;
    if (convert) {
        gst_bin_add_many(GST_BIN(bin), convert, filter, nullptr);
        gst_element_link(convert, filter);
        first = convert;
    } else {
        gst_bin_add(GST_BIN(bin), filter);
    }
    GstPad* sink = gst_element_get_static_pad(first, "sink");
    GstPad* src = gst_element_get_static_pad(last, "src");
    gst_element_add_pad(bin, gst_ghost_pad_new("sink", sink));
    gst_element_add_pad(bin, gst_ghost_pad_new("src", src));
    auto* ctx = new ProbeContext{convertToRgb, std::move(callbacks)};
    gst_pad_add_probe(src, GST_PAD_PROBE_TYPE_BUFFER, FrameProbe, ctx,
                      [](gpointer p) { delete static_cast<ProbeContext*>(p); });
    gst_object_unref(sink);
    gst_object_unref(src);
    return std::make_shared<detail::GstFilter>(
        bin, QStringLiteral("{C1F400A0-3F08-11D3-9F0B-006008039E37}"));
}

} // namespace media
