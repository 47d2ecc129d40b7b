#include "platform/media/avcodec/AvcodecCodecTable.h"

extern "C" {
#include <libavcodec/dv_profile.h>
#include <libavutil/rational.h>
}

#include <array>

namespace reelvane::avcodec {

namespace {

// clang-format off
constexpr std::array<CodecEntry, 7> kCodecs{{
    {CodecKind::Mpeg1Video, "mpeg1video", "MPEG-1 video", AV_CODEC_ID_MPEG1VIDEO, true, false, false, false},
    {CodecKind::Mpeg2Video, "mpeg2video", "MPEG-2 video", AV_CODEC_ID_MPEG2VIDEO, true, false, false, true},
    {CodecKind::Mpeg4, "mpeg4", "MPEG-4 part 2 video", AV_CODEC_ID_MPEG4, true, true, false, true},
    {CodecKind::Flv1, "flv1", "FLV1 (Sorenson H.263)", AV_CODEC_ID_FLV1, false, false, false, false},
    {CodecKind::Wmv1, "wmv1", "Windows Media Video 7", AV_CODEC_ID_WMV1, false, false, false, false},
    {CodecKind::Wmv2, "wmv2", "Windows Media Video 8", AV_CODEC_ID_WMV2, false, false, false, false},
    {CodecKind::DvVideo, "dvvideo", "DV video", AV_CODEC_ID_DVVIDEO, false, false, true, true},
}};
// clang-format on

struct PixelFormatPair {
    GstVideoFormat gst;
    AVPixelFormat av;
};

constexpr std::array<PixelFormatPair, 3> kPixelFormats{{
    {GST_VIDEO_FORMAT_I420, AV_PIX_FMT_YUV420P},
    {GST_VIDEO_FORMAT_Y42B, AV_PIX_FMT_YUV422P},
    {GST_VIDEO_FORMAT_Y41B, AV_PIX_FMT_YUV411P},
}};

GstVideoFormat ToGstFormat(AVPixelFormat format) {
    for (const auto& pair : kPixelFormats) {
        if (pair.av == format)
            return pair.gst;
    }
    return GST_VIDEO_FORMAT_UNKNOWN;
}

// The largest picture each bitstream can describe (header field widths).
int MaxDimension(CodecKind kind) {
    switch (kind) {
    case CodecKind::Mpeg1Video:
        return 4095;
    case CodecKind::Mpeg2Video:
        return 16383;
    case CodecKind::Mpeg4:
        return 8191;
    case CodecKind::Flv1:
        return 65535;
    default:
        return 4096;
    }
}

// Pictures up to this height are coded with BT.601, taller ones with BT.709: what decoders and
// players assume for these codecs, which mostly cannot signal a matrix.
constexpr int kMaxSdHeight = 576;

// All these formats carry limited range. videoconvert (1.22) converts the matrix when it
// differs, but copies full-range samples unchanged when only the range differs; so full-range
// input with the right matrix is accepted as it is and compressed by the encoder, and anything
// else is left to videoconvert by offering the limited-range colorimetry first.
GValue MakeColorimetryList(const char* limited) {
    GValue list = G_VALUE_INIT;
    gst_value_list_init(&list, 64);
    auto append = [&list](const GstVideoColorimetry& c) {
        gchar* text = gst_video_colorimetry_to_string(&c);
        if (!text)
            return;
        GValue v = G_VALUE_INIT;
        g_value_init(&v, G_TYPE_STRING);
        g_value_take_string(&v, text);
        gst_value_list_append_and_take_value(&list, &v);
    };
    GstVideoColorimetry preferred{};
    gst_video_colorimetry_from_string(&preferred, limited);
    append(preferred);
    for (int transfer = GST_VIDEO_TRANSFER_UNKNOWN; transfer <= GST_VIDEO_TRANSFER_BT601;
         ++transfer) {
        for (int primaries = GST_VIDEO_COLOR_PRIMARIES_UNKNOWN;
             primaries <= GST_VIDEO_COLOR_PRIMARIES_EBU3213; ++primaries) {
            GstVideoColorimetry full{};
            full.range = GST_VIDEO_COLOR_RANGE_0_255;
            full.matrix = preferred.matrix;
            full.transfer = static_cast<GstVideoTransferFunction>(transfer);
            full.primaries = static_cast<GstVideoColorPrimaries>(primaries);
            append(full);
        }
    }
    return list;
}

void SetRawCommonFields(GstStructure* s, bool hd) {
    GValue modes = G_VALUE_INIT;
    gst_value_list_init(&modes, 2);
    for (const char* mode : {"progressive", "interleaved", "mixed"}) {
        GValue v = G_VALUE_INIT;
        g_value_init(&v, G_TYPE_STRING);
        g_value_set_string(&v, mode);
        gst_value_list_append_and_take_value(&modes, &v);
    }
    gst_structure_take_value(s, "interlace-mode", &modes);
    static const GValue* sd = [] {
        static GValue list = MakeColorimetryList(GST_VIDEO_COLORIMETRY_BT601);
        return &list;
    }();
    static const GValue* hdList = [] {
        static GValue list = MakeColorimetryList(GST_VIDEO_COLORIMETRY_BT709);
        return &list;
    }();
    gst_structure_set_value(s, "colorimetry", hd ? hdList : sd);
}

GstCaps* MakeDvSinkCaps(const AVCodec* codec) {
    struct Size {
        int width;
        int height;
    };
    constexpr std::array<Size, 5> sizes{
        {{720, 576}, {720, 480}, {1440, 1080}, {1280, 1080}, {960, 720}}};
    constexpr std::array<AVRational, 4> rates{{{25, 1}, {30000, 1001}, {50, 1}, {60000, 1001}}};
    GstCaps* caps = gst_caps_new_empty();
    for (const AVPixelFormat* pf = codec->pix_fmts; pf && *pf != AV_PIX_FMT_NONE; ++pf) {
        const GstVideoFormat format = ToGstFormat(*pf);
        if (format == GST_VIDEO_FORMAT_UNKNOWN)
            continue;
        for (const Size& size : sizes) {
            for (const AVRational& rate : rates) {
                // A profile is found for any rate once size and format fit; only an exact
                // time base match is a real DV system.
                const AVDVProfile* p = av_dv_codec_profile2(size.width, size.height, *pf, rate);
                if (!p || av_cmp_q(av_inv_q(p->time_base), rate) != 0)
                    continue;
                GstStructure* s = gst_structure_new(
                    "video/x-raw", "format", G_TYPE_STRING, gst_video_format_to_string(format),
                    "width", G_TYPE_INT, size.width, "height", G_TYPE_INT, size.height, "framerate",
                    GST_TYPE_FRACTION, rate.num, rate.den, nullptr);
                SetRawCommonFields(s, size.height > kMaxSdHeight);
                caps = gst_caps_merge_structure(caps, s);
            }
        }
    }
    return caps;
}

} // namespace

const CodecEntry& Entry(CodecKind kind) {
    for (const auto& entry : kCodecs) {
        if (entry.kind == kind)
            return entry;
    }
    return kCodecs[0];
}

GType CodecKindGetType() {
    static gsize typeId = 0;
    if (g_once_init_enter(&typeId)) {
        static GEnumValue values[kCodecs.size() + 1];
        for (std::size_t i = 0; i < kCodecs.size(); ++i) {
            values[i].value = static_cast<gint>(kCodecs[i].kind);
            values[i].value_name = kCodecs[i].description;
            values[i].value_nick = kCodecs[i].nick;
        }
        values[kCodecs.size()] = {0, nullptr, nullptr};
        const GType type = g_enum_register_static("RvAvcodecVideoCodec", values);
        g_once_init_leave(&typeId, type);
    }
    return typeId;
}

AVPixelFormat ToAvPixelFormat(GstVideoFormat format) {
    for (const auto& pair : kPixelFormats) {
        if (pair.gst == format)
            return pair.av;
    }
    return AV_PIX_FMT_NONE;
}

GstCaps* MakeSinkCaps(const CodecEntry& entry) {
    const AVCodec* codec = avcodec_find_encoder(entry.codecId);
    if (!codec)
        return nullptr;
    if (entry.kind == CodecKind::DvVideo)
        return MakeDvSinkCaps(codec);

    GValue formats = G_VALUE_INIT;
    gst_value_list_init(&formats, 3);
    for (const AVPixelFormat* pf = codec->pix_fmts; pf && *pf != AV_PIX_FMT_NONE; ++pf) {
        const GstVideoFormat format = ToGstFormat(*pf);
        if (format == GST_VIDEO_FORMAT_UNKNOWN)
            continue;
        GValue v = G_VALUE_INIT;
        g_value_init(&v, G_TYPE_STRING);
        g_value_set_string(&v, gst_video_format_to_string(format));
        gst_value_list_append_and_take_value(&formats, &v);
    }
    const int maxDim = MaxDimension(entry.kind);
    GstStructure* s = gst_structure_new("video/x-raw", "width", GST_TYPE_INT_RANGE, 16, maxDim,
                                        "height", GST_TYPE_INT_RANGE, 16, maxDim, nullptr);
    gst_structure_take_value(s, "format", &formats);
    if (entry.kind == CodecKind::Mpeg1Video) {
        // MPEG-1 has a table of eight frame rates and nothing in between.
        constexpr std::array<AVRational, 8> rates{{{24000, 1001},
                                                   {24, 1},
                                                   {25, 1},
                                                   {30000, 1001},
                                                   {30, 1},
                                                   {50, 1},
                                                   {60000, 1001},
                                                   {60, 1}}};
        GValue list = G_VALUE_INIT;
        gst_value_list_init(&list, rates.size());
        for (const AVRational& r : rates) {
            GValue v = G_VALUE_INIT;
            g_value_init(&v, GST_TYPE_FRACTION);
            gst_value_set_fraction(&v, r.num, r.den);
            gst_value_list_append_and_take_value(&list, &v);
        }
        gst_structure_take_value(s, "framerate", &list);
    } else {
        gst_structure_set(s, "framerate", GST_TYPE_FRACTION_RANGE, 1, G_MAXINT, G_MAXINT, 1,
                          nullptr);
    }
    GstStructure* hd = gst_structure_copy(s);
    gst_structure_set(s, "height", GST_TYPE_INT_RANGE, 16, kMaxSdHeight, nullptr);
    SetRawCommonFields(s, false);
    gst_structure_set(hd, "height", GST_TYPE_INT_RANGE, kMaxSdHeight + 1, maxDim, nullptr);
    SetRawCommonFields(hd, true);
    if (entry.kind == CodecKind::Wmv1 || entry.kind == CodecKind::Wmv2) {
        // Windows Media Video cannot name its matrix: tall BT.601 pictures (a full-range MJPEG
        // AVI) pass unchanged too, as ffmpeg leaves them, instead of a 601-to-709 conversion
        // that videoconvert does not do cleanly for full-range input.
        GValue both = G_VALUE_INIT;
        gst_value_list_concat(&both, gst_structure_get_value(hd, "colorimetry"),
                              gst_structure_get_value(s, "colorimetry"));
        gst_structure_take_value(hd, "colorimetry", &both);
    }
    GstCaps* caps = gst_caps_new_empty();
    gst_caps_append_structure(caps, s);
    gst_caps_append_structure(caps, hd);
    return caps;
}

GstCaps* MakeSrcCaps(const CodecEntry& entry) {
    switch (entry.kind) {
    case CodecKind::Mpeg1Video:
        return gst_caps_new_simple("video/mpeg", "mpegversion", G_TYPE_INT, 1, "systemstream",
                                   G_TYPE_BOOLEAN, FALSE, nullptr);
    case CodecKind::Mpeg2Video:
        return gst_caps_new_simple("video/mpeg", "mpegversion", G_TYPE_INT, 2, "systemstream",
                                   G_TYPE_BOOLEAN, FALSE, nullptr);
    case CodecKind::Mpeg4:
        return gst_caps_new_simple("video/mpeg", "mpegversion", G_TYPE_INT, 4, "systemstream",
                                   G_TYPE_BOOLEAN, FALSE, nullptr);
    case CodecKind::Flv1:
        return gst_caps_new_simple("video/x-flash-video", "flvversion", G_TYPE_INT, 1, nullptr);
    case CodecKind::Wmv1:
        return gst_caps_new_simple("video/x-wmv", "wmvversion", G_TYPE_INT, 1, "format",
                                   G_TYPE_STRING, "WMV1", nullptr);
    case CodecKind::Wmv2:
        return gst_caps_new_simple("video/x-wmv", "wmvversion", G_TYPE_INT, 2, "format",
                                   G_TYPE_STRING, "WMV2", nullptr);
    case CodecKind::DvVideo:
        return gst_caps_new_simple("video/x-dv", "systemstream", G_TYPE_BOOLEAN, FALSE, nullptr);
    }
    return gst_caps_new_empty();
}

GstCaps* MakeSinkTemplateCaps() {
    GstCaps* caps = gst_caps_new_empty();
    for (const auto& entry : kCodecs) {
        if (GstCaps* c = MakeSinkCaps(entry))
            caps = gst_caps_merge(caps, c);
    }
    return gst_caps_simplify(caps);
}

GstCaps* MakeSrcTemplateCaps() {
    GstCaps* caps = gst_caps_new_empty();
    for (const auto& entry : kCodecs)
        caps = gst_caps_merge(caps, MakeSrcCaps(entry));
    return caps;
}

} // namespace reelvane::avcodec
