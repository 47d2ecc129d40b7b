#include "platform/media/detail/Caps.h"

#include <gst/audio/audio.h>
#include <gst/video/video.h>

#include <cstring>

namespace media::detail {

namespace {

struct RawVideoName {
    const char* subtype;
    const char* gstFormat;
};
// Packed RGB names use the byte order in memory: 32-bit ARGB is B, G, R, A.
constexpr RawVideoName kRawVideo[] = {
    {"ARGB32", "BGRA"}, {"RGB32", "BGRx"}, {"RGB24", "BGR"}, {"I420", "I420"},
    {"YV12", "YV12"},   {"YUY2", "YUY2"},  {"UYVY", "UYVY"}, {"NV12", "NV12"},
};

int IntField(const GstStructure* s, const char* name) {
    int v = 0;
    return gst_structure_get_int(s, name, &v) ? v : 0;
}

QString CompressedName(const GstStructure* s, const char* name) {
    if (!std::strcmp(name, "image/jpeg"))
        return QStringLiteral("MJPG");
    if (!std::strcmp(name, "video/x-h264"))
        return QStringLiteral("H264");
    if (!std::strcmp(name, "video/x-h265"))
        return QStringLiteral("H265");
    if (!std::strcmp(name, "video/mpeg"))
        return QStringLiteral("MPEG%1").arg(IntField(s, "mpegversion"));
    if (!std::strcmp(name, "video/x-flash-video"))
        return QStringLiteral("FLV1");
    if (!std::strcmp(name, "video/x-wmv"))
        return QStringLiteral("WMV%1").arg(IntField(s, "wmvversion"));
    if (!std::strcmp(name, "video/x-dv"))
        return QStringLiteral("DVSD");
    if (!std::strcmp(name, "audio/mpeg")) {
        const int version = IntField(s, "mpegversion");
        if (version == 1)
            return IntField(s, "layer") == 2 ? QStringLiteral("MP2") : QStringLiteral("MP3");
        return QStringLiteral("AAC");
    }
    if (!std::strcmp(name, "audio/x-ac3"))
        return QStringLiteral("AC3");
    if (!std::strcmp(name, "audio/x-vorbis"))
        return QStringLiteral("Vorbis");
    return QString::fromUtf8(name);
}

bool IsMuxedStream(const GstStructure* s, const char* name) {
    gboolean system = FALSE;
    if (gst_structure_get_boolean(s, "systemstream", &system) && system)
        return true;
    static const char* const kMuxed[] = {"video/x-msvideo", "video/quicktime", "video/x-matroska",
                                         "video/x-flv",     "application/ogg", "audio/x-wav",
                                         "video/mpegts",    "video/x-ms-asf"};
    for (const char* m : kMuxed)
        if (!std::strcmp(name, m))
            return true;
    return std::strncmp(name, "application/", 12) == 0;
}

} // namespace

const char* PcmFormat(int bits) {
    switch (bits) {
    case 8:
        return "U8";
    case 24:
        return "S24LE";
    case 32:
        return "S32LE";
    default:
        return "S16LE";
    }
}

GstCapsRef CapsFromMediaType(const MediaType& type) {
    if (type.majorType == MajorType::Video) {
        const char* format = nullptr;
        for (const auto& raw : kRawVideo)
            if (type.subtype == QLatin1String(raw.subtype))
                format = raw.gstFormat;
        if (!format)
            return GstCapsRef(gst_caps_new_empty());
        GstCaps* caps =
            gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, format, nullptr);
        if (type.width > 0 && type.height > 0)
            gst_caps_set_simple(caps, "width", G_TYPE_INT, type.width, "height", G_TYPE_INT,
                                std::abs(type.height), nullptr);
        if (type.frameRate > 0) {
            int n = 0, d = 1;
            gst_util_double_to_fraction(type.frameRate, &n, &d);
            gst_caps_set_simple(caps, "framerate", GST_TYPE_FRACTION, n, d, nullptr);
        }
        return GstCapsRef(caps);
    }
    if (type.majorType == MajorType::Audio && type.subtype == QLatin1String("PCM")) {
        GstCaps* caps = gst_caps_new_simple("audio/x-raw", "format", G_TYPE_STRING,
                                            PcmFormat(type.bitsPerSample), "layout", G_TYPE_STRING,
                                            "interleaved", nullptr);
        if (type.samplesPerSec > 0)
            gst_caps_set_simple(caps, "rate", G_TYPE_INT, type.samplesPerSec, nullptr);
        if (type.channels > 0)
            gst_caps_set_simple(caps, "channels", G_TYPE_INT, type.channels, nullptr);
        return GstCapsRef(caps);
    }
    return GstCapsRef(gst_caps_new_empty());
}

MediaType MediaTypeFromStructure(const GstStructure* s) {
    MediaType t;
    const char* name = gst_structure_get_name(s);
    if (!std::strcmp(name, "video/x-raw")) {
        t.majorType = MajorType::Video;
        const char* format = gst_structure_get_string(s, "format");
        t.subtype = format ? QString::fromUtf8(format) : QString();
        for (const auto& raw : kRawVideo)
            if (format && !std::strcmp(format, raw.gstFormat))
                t.subtype = QString::fromLatin1(raw.subtype);
        if (format) {
            const GstVideoFormatInfo* info =
                gst_video_format_get_info(gst_video_format_from_string(format));
            if (info && GST_VIDEO_FORMAT_INFO_IS_RGB(info) && info->n_planes == 1)
                t.bitCount = info->pixel_stride[0] * 8;
        }
    } else if (!std::strcmp(name, "audio/x-raw")) {
        t.majorType = MajorType::Audio;
        t.subtype = QStringLiteral("PCM");
        if (const char* format = gst_structure_get_string(s, "format")) {
            const GstAudioFormatInfo* info =
                gst_audio_format_get_info(gst_audio_format_from_string(format));
            if (info)
                t.bitsPerSample = GST_AUDIO_FORMAT_INFO_WIDTH(info);
        }
    } else if (IsMuxedStream(s, name)) {
        t.majorType = MajorType::Stream;
        t.subtype = QString::fromUtf8(name);
    } else if (!std::strncmp(name, "video/", 6) || !std::strcmp(name, "image/jpeg")) {
        t.majorType = MajorType::Video;
        t.subtype = CompressedName(s, name);
    } else if (!std::strncmp(name, "audio/", 6)) {
        t.majorType = MajorType::Audio;
        t.subtype = CompressedName(s, name);
    } else {
        t.subtype = QString::fromUtf8(name);
    }
    if (t.majorType == MajorType::Video) {
        t.width = IntField(s, "width");
        t.height = IntField(s, "height");
        int n = 0, d = 0;
        if (gst_structure_get_fraction(s, "framerate", &n, &d) && n > 0 && d > 0) {
            t.frameRate = double(n) / d;
            t.avgTimePerFrame100ns = gint64(10000000) * d / n;
        }
    } else if (t.majorType == MajorType::Audio) {
        t.channels = IntField(s, "channels");
        t.samplesPerSec = IntField(s, "rate");
    }
    return t;
}

std::vector<MediaType> MediaTypesFromCaps(const GstCaps* caps, int maxTypes) {
    std::vector<MediaType> types;
    if (!caps || gst_caps_is_any(caps))
        return types;
    const guint n = gst_caps_get_size(caps);
    for (guint i = 0; i < n && int(types.size()) < maxTypes; ++i) {
        MediaType t = MediaTypeFromStructure(gst_caps_get_structure(caps, i));
        bool seen = false;
        for (const auto& other : types)
            seen = seen || other == t;
        if (!seen)
            types.push_back(t);
    }
    return types;
}

} // namespace media::detail
