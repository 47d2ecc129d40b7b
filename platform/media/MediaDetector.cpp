#include "platform/media/MediaDetector.h"

#include "platform/media/Graph.h"
#include "platform/media/detail/Caps.h"
#include "platform/media/detail/GstRef.h"

#include <QFileInfo>

#include <gst/pbutils/pbutils.h>

namespace media {

namespace {

constexpr GstClockTime kDiscoverTimeout = 15 * GST_SECOND;

HRESULT ResultFromError(const GError* error) {
    if (!error)
        return E_FAIL;
    if (error->domain == GST_STREAM_ERROR) {
        switch (error->code) {
        case GST_STREAM_ERROR_TYPE_NOT_FOUND:
        case GST_STREAM_ERROR_WRONG_TYPE:
            return VFW_E_UNKNOWN_FILE_TYPE;
        case GST_STREAM_ERROR_CODEC_NOT_FOUND:
            return VFW_E_UNSUPPORTED_STREAM;
        default:
            return VFW_E_INVALID_FILE_FORMAT;
        }
    }
    if (error->domain == GST_RESOURCE_ERROR) {
        switch (error->code) {
        case GST_RESOURCE_ERROR_NOT_FOUND:
            return E_FILE_NOT_FOUND;
        case GST_RESOURCE_ERROR_OPEN_READ:
        case GST_RESOURCE_ERROR_NOT_AUTHORIZED:
            return E_ACCESSDENIED;
        default:
            return VFW_E_CANNOT_LOAD_SOURCE_FILTER;
        }
    }
    if (error->domain == GST_CORE_ERROR && error->code == GST_CORE_ERROR_MISSING_PLUGIN)
        return VFW_E_UNSUPPORTED_STREAM;
    return E_FAIL;
}

} // namespace

HRESULT MediaDetector::Open(const QString& fileName) {
    streams_.clear();
    lengthSeconds_ = 0.0;
    errorText_.clear();
    const QFileInfo info(fileName);
    if (!info.exists()) {
        errorText_ = QStringLiteral("file not found");
        return E_FILE_NOT_FOUND;
    }
    if (!info.isFile() || !info.isReadable()) {
        errorText_ = QStringLiteral("file cannot be read");
        return E_ACCESSDENIED;
    }
    if (info.size() == 0) {
        errorText_ = QStringLiteral("file is empty");
        return VFW_E_UNKNOWN_FILE_TYPE;
    }
    EnsureMediaInitialized();
    // A context of our own: on a thread whose default context an event loop iterates (the
    // window's), the discoverer's sources would otherwise wait on that loop's timing.
    struct PrivateContext {
        GMainContext* context = g_main_context_new();
        PrivateContext() { g_main_context_push_thread_default(context); }
        ~PrivateContext() {
            g_main_context_pop_thread_default(context);
            g_main_context_unref(context);
        }
    } privateContext;
    GError* error = nullptr;
    detail::GstRef<GstDiscoverer> discoverer(gst_discoverer_new(kDiscoverTimeout, &error));
    if (!discoverer) {
        errorText_ = QString::fromUtf8(error ? error->message : "no discoverer");
        g_clear_error(&error);
        return E_FAIL;
    }
    detail::GCharPtr uri{
        gst_filename_to_uri(QFile::encodeName(info.absoluteFilePath()).constData(), nullptr)};
    GstDiscovererInfo* result = gst_discoverer_discover_uri(discoverer.get(), uri.p, &error);
    if (!result) {
        const HRESULT hr = ResultFromError(error);
        errorText_ = QString::fromUtf8(error ? error->message : "cannot be read");
        g_clear_error(&error);
        return hr;
    }
    detail::GstRef<GstDiscovererInfo> holder(result);
    HRESULT hr = S_OK;
    switch (gst_discoverer_info_get_result(result)) {
    case GST_DISCOVERER_OK:
        break;
    case GST_DISCOVERER_MISSING_PLUGINS:
        hr = VFW_S_PARTIAL_RENDER;
        break;
    case GST_DISCOVERER_URI_INVALID:
        hr = VFW_E_CANNOT_LOAD_SOURCE_FILTER;
        break;
    case GST_DISCOVERER_TIMEOUT:
        hr = VFW_E_INVALID_FILE_FORMAT;
        errorText_ = QStringLiteral("timed out");
        break;
    default:
        hr = ResultFromError(error);
    }
    if (error) {
        errorText_ = QString::fromUtf8(error->message);
        g_clear_error(&error);
    }
    if (Failed(hr))
        return hr;

    const GstClockTime duration = gst_discoverer_info_get_duration(result);
    lengthSeconds_ = GST_CLOCK_TIME_IS_VALID(duration) ? double(duration) / GST_SECOND : 0.0;
    GList* list = gst_discoverer_info_get_stream_list(result);
    for (GList* l = list; l; l = l->next) {
        auto* stream = GST_DISCOVERER_STREAM_INFO(l->data);
        StreamInfo s;
        s.lengthSeconds = lengthSeconds_;
        if (GstCaps* caps = gst_discoverer_stream_info_get_caps(stream)) {
            if (gst_caps_get_size(caps) > 0)
                s.mediaType = detail::MediaTypeFromStructure(gst_caps_get_structure(caps, 0));
            detail::GCharPtr description{gst_pb_utils_get_codec_description(caps)};
            s.codecDescription = QString::fromUtf8(description.p);
            gst_caps_unref(caps);
        }
        if (GST_IS_DISCOVERER_VIDEO_INFO(stream)) {
            auto* v = GST_DISCOVERER_VIDEO_INFO(stream);
            s.majorType = MajorType::Video;
            s.mediaType.majorType = MajorType::Video;
            s.mediaType.width = int(gst_discoverer_video_info_get_width(v));
            s.mediaType.height = int(gst_discoverer_video_info_get_height(v));
            const guint n = gst_discoverer_video_info_get_framerate_num(v);
            const guint d = gst_discoverer_video_info_get_framerate_denom(v);
            s.frameRate = n > 0 && d > 0 ? double(n) / d : 0.0;
            s.mediaType.frameRate = s.frameRate;
        } else if (GST_IS_DISCOVERER_AUDIO_INFO(stream)) {
            auto* a = GST_DISCOVERER_AUDIO_INFO(stream);
            s.majorType = MajorType::Audio;
            s.mediaType.majorType = MajorType::Audio;
            s.mediaType.channels = int(gst_discoverer_audio_info_get_channels(a));
            s.mediaType.samplesPerSec = int(gst_discoverer_audio_info_get_sample_rate(a));
        } else {
            continue; // containers and subtitles are not streams a conversion uses
        }
        streams_.push_back(s);
    }
    gst_discoverer_stream_info_list_free(list);
    if (streams_.empty()) {
        errorText_ = QStringLiteral("no audio or video stream");
        return VFW_E_UNSUPPORTED_STREAM;
    }
    return hr;
}

HRESULT CheckRenderable(const QString& fileName) {
    MediaDetector detector;
    return detector.Open(fileName);
}

} // namespace media
