#include "platform/media/Timeline.h"

#include "platform/media/detail/Caps.h"
#include "platform/media/detail/GstFilter.h"
#include "platform/media/detail/GstRef.h"
#include "platform/media/detail/StreamKinds.h"

#include <ges/ges.h>
#include <gst/pbutils/pbutils.h>

#include <QDateTime>
#include <QFileInfo>
#include <QUrl>

#include <algorithm>
#include <cmath>
#include <dlfcn.h>
#include <map>
#include <mutex>
#include <type_traits>
#include <vector>

namespace media {

namespace {

const QString kTimelineClassId = QStringLiteral("{78530B75-61F9-11D2-8CAD-00A024580902}");

// The editing library's set-up starts an embedded Python to look for optional project-file
// formatters, and that interpreter imports the site packages first: a third of the time of a
// short conversion, for formatters this program never uses. Start the interpreter ourselves,
// isolated and without site packages, before the library does; it then finds no formatter and
// goes on. Looked up at run time: nothing here builds against Python, and where the library
// was built without it the symbols are absent and this does nothing.
void StartLeanScripting() {
    using IsInitialized = int (*)();
    using InitializeEx = void (*)(int);
    using SaveThread = void* (*)();
    auto isInitialized = reinterpret_cast<IsInitialized>(dlsym(RTLD_DEFAULT, "Py_IsInitialized"));
    auto initialize = reinterpret_cast<InitializeEx>(dlsym(RTLD_DEFAULT, "Py_InitializeEx"));
    auto saveThread = reinterpret_cast<SaveThread>(dlsym(RTLD_DEFAULT, "PyEval_SaveThread"));
    if (!isInitialized || !initialize || !saveThread || isInitialized())
        return;
    for (const char* flag : {"Py_NoSiteFlag", "Py_IsolatedFlag", "Py_IgnoreEnvironmentFlag",
                             "Py_NoUserSiteDirectory", "Py_DontWriteBytecodeFlag"}) {
        if (auto* value = static_cast<int*>(dlsym(RTLD_DEFAULT, flag)))
            *value = 1;
    }
    initialize(0); // 0: leave the process's signal handlers alone
    saveThread();  // the library takes the interpreter lock itself when it needs it
}

void EnsureEditingInitialized() {
    static std::once_flag once;
    std::call_once(once, [] {
        EnsureMediaInitialized();
        StartLeanScripting();
        ges_init();
    });
}

std::uint64_t NsFrom100ns(std::int64_t value) {
    return value <= 0 ? 0 : static_cast<std::uint64_t>(value) * 100u;
}

struct Group {
    GESTrack* track = nullptr; // owned by the timeline
    MediaType type;
    bool video = false;
};

// Size and place a picture of sw x sh (with its pixel aspect) in a W x H frame.
void FitSource(StretchMode mode, int frameW, int frameH, double sourceW, double sourceH, int& x,
               int& y, int& w, int& h) {
    if (mode == StretchMode::Fill || sourceW <= 0 || sourceH <= 0) {
        x = 0;
        y = 0;
        w = frameW;
        h = frameH;
        return;
    }
    const double sx = frameW / sourceW;
    const double sy = frameH / sourceH;
    const double scale = mode == StretchMode::Letterbox ? std::min(sx, sy) : std::max(sx, sy);
    w = std::max(1, static_cast<int>(std::lround(sourceW * scale)));
    h = std::max(1, static_cast<int>(std::lround(sourceH * scale)));
    x = (frameW - w) / 2;
    y = (frameH - h) / 2;
}

template <class T>
bool SetChild(GESTimelineElement* element, const char* name, GType type, T value) {
    GValue v = G_VALUE_INIT;
    g_value_init(&v, type);
    if constexpr (std::is_same_v<T, double>)
        g_value_set_double(&v, value);
    else
        g_value_set_int(&v, value);
    const bool ok = ges_timeline_element_set_child_property(element, name, &v);
    g_value_unset(&v);
    return ok;
}

// The library keeps one description per file name for the whole process. Remember what each
// file looked like when it was described, so that a file replaced under the same name is read
// again. Called with the request lock held.
bool FileChangedSinceLoaded(const QByteArray& uri) {
    static std::map<QByteArray, std::pair<qint64, qint64>> seen; // uri -> (mtime ms, size)
    const QFileInfo info(QUrl::fromEncoded(uri).toLocalFile());
    const std::pair<qint64, qint64> now{info.lastModified().toMSecsSinceEpoch(), info.size()};
    auto it = seen.find(uri);
    const bool changed = it != seen.end() && it->second != now;
    seen[uri] = now;
    return changed;
}

// Loads the editing library's description of a file. The library discovers files
// asynchronously on the main context its discoverer was started in; a run's worker thread has
// no such loop (and the process default context belongs to the Qt main thread), so each request
// gets a discoverer and a context of its own on the calling thread.
GESAsset* RequestUriAsset(const QByteArray& uri, QString* errorText) {
    static std::mutex lock;
    std::lock_guard<std::mutex> guard(lock);
    struct Pending {
        GESAsset* asset = nullptr;
        GError* error = nullptr;
        bool done = false;
    } pending;
    GMainContext* context = g_main_context_new();
    g_main_context_push_thread_default(context);
    auto* klass = static_cast<GESUriClipAssetClass*>(g_type_class_ref(GES_TYPE_URI_CLIP_ASSET));
    GstDiscoverer* previous = klass->discoverer;
    GError* error = nullptr;
    GstDiscoverer* discoverer = gst_discoverer_new(20 * GST_SECOND, &error);
    if (discoverer) {
        g_signal_connect(discoverer, "discovered", G_CALLBACK(klass->discovered), nullptr);
        gst_discoverer_start(discoverer);
        klass->discoverer = discoverer;
        if (FileChangedSinceLoaded(uri))
            ges_asset_needs_reload(GES_TYPE_URI_CLIP, uri.constData());
        ges_asset_request_async(
            GES_TYPE_URI_CLIP, uri.constData(), nullptr,
            [](GObject*, GAsyncResult* result, gpointer data) {
                auto* p = static_cast<Pending*>(data);
                p->asset = ges_asset_request_finish(result, &p->error);
                p->done = true;
            },
            &pending);
        // A discoverer that never answers must not hold the run forever.
        bool expired = false;
        GSource* timeout = g_timeout_source_new_seconds(30);
        g_source_set_callback(
            timeout,
            [](gpointer flag) {
                *static_cast<bool*>(flag) = true;
                return G_SOURCE_REMOVE;
            },
            &expired, nullptr);
        g_source_attach(timeout, context);
        while (!pending.done && !expired)
            g_main_context_iteration(context, TRUE);
        g_source_destroy(timeout);
        g_source_unref(timeout);
        if (!pending.done && !pending.error)
            pending.error = g_error_new_literal(GST_CORE_ERROR, GST_CORE_ERROR_FAILED,
                                                "the file was not described in time");
        klass->discoverer = previous;
        gst_discoverer_stop(discoverer);
        g_object_unref(discoverer);
    } else {
        pending.error = error;
    }
    g_type_class_unref(klass);
    g_main_context_pop_thread_default(context);
    g_main_context_unref(context);
    if (pending.error) {
        if (errorText)
            *errorText = QString::fromUtf8(pending.error->message);
        g_error_free(pending.error);
    }
    return pending.asset;
}

} // namespace

struct Timeline::Impl {
    GESTimeline* timeline = nullptr; // owned through `filter`
    std::shared_ptr<detail::GstFilter> filter;
    std::vector<Group> groups;
    std::vector<GESLayer*> layers; // index = layer priority; owned by the timeline
    std::map<GESClip*, GESTrack*> clipTrack;
    std::map<QByteArray, GESAsset*> assets; // loaded once per timeline; references owned
    gulong selectHandler = 0;

    static GPtrArray* SelectTracks(GESTimeline*, GESClip* clip, GESTrackElement* element,
                                   gpointer data) {
        auto* self = static_cast<Impl*>(data);
        GPtrArray* result = g_ptr_array_new();
        auto it = self->clipTrack.find(clip);
        if (it != self->clipTrack.end()) {
            if (ges_track_element_get_track_type(element) == it->second->type)
                g_ptr_array_add(result, gst_object_ref(it->second));
        }
        return result;
    }

    GESLayer* Layer(int priority) {
        while (static_cast<int>(layers.size()) <= priority) {
            GESLayer* layer = ges_timeline_append_layer(timeline);
            if (!layer)
                return nullptr;
            layers.push_back(layer);
        }
        return layers[priority];
    }
};

Timeline::Timeline()
    : d(std::make_unique<Impl>()) {
    EnsureEditingInitialized();
    GESTimeline* timeline = ges_timeline_new();
    if (!timeline)
        return;
    d->timeline = timeline;
    // The filter takes over the floating reference.
    d->filter = std::make_shared<detail::GstFilter>(GST_ELEMENT(timeline), kTimelineClassId);
    ges_timeline_set_auto_transition(timeline, FALSE);
    // Each source decodes its file for one track; without this the sound track's decoder
    // would also decode every picture of the file and throw it away.
    g_signal_connect(timeline, "deep-element-added",
                     G_CALLBACK(+[](GstBin*, GstBin*, GstElement* element, gpointer) {
                         GstElementFactory* factory = gst_element_get_factory(element);
                         const char* name = factory ? GST_OBJECT_NAME(factory) : "";
                         if (g_strcmp0(name, "uridecodebin") == 0)
                             detail::SkipUnwantedStreams(element);
                         else if (g_strcmp0(name, "audiomixer") == 0)
                             g_object_set(element, "output-buffer-duration",
                                          guint64(100 * GST_MSECOND), nullptr);
                     }),
                     nullptr);
    d->selectHandler = g_signal_connect(timeline, "select-tracks-for-object",
                                        G_CALLBACK(&Impl::SelectTracks), d.get());
}

Timeline::~Timeline() {
    if (d->timeline && d->selectHandler)
        g_signal_handler_disconnect(d->timeline, d->selectHandler);
    for (auto& [uri, asset] : d->assets)
        g_object_unref(asset);
}

bool Timeline::IsValid() const {
    return d->timeline != nullptr;
}

int Timeline::AddVideoGroup(const MediaType& groupType, bool forcePixelFormat) {
    if (!d->timeline)
        return -1;
    GESVideoTrack* track = ges_video_track_new();
    if (!track)
        return -1;
    gint num = 25;
    gint den = 1;
    gst_util_double_to_fraction(groupType.frameRate > 0 ? groupType.frameRate : 25.0, &num, &den);
    GstCaps* caps =
        gst_caps_new_simple("video/x-raw", "width", G_TYPE_INT, groupType.width, "height",
                            G_TYPE_INT, groupType.height, "framerate", GST_TYPE_FRACTION, num, den,
                            "pixel-aspect-ratio", GST_TYPE_FRACTION, 1, 1, nullptr);
    if (forcePixelFormat) {
        detail::GstCapsRef typed = detail::CapsFromMediaType(groupType);
        if (typed && gst_caps_get_size(typed.get()) > 0) {
            const gchar* format =
                gst_structure_get_string(gst_caps_get_structure(typed.get(), 0), "format");
            if (format)
                gst_caps_set_simple(caps, "format", G_TYPE_STRING, format, nullptr);
        }
    }
    ges_track_set_restriction_caps(GES_TRACK(track), caps);
    gst_caps_unref(caps);
    if (!ges_timeline_add_track(d->timeline, GES_TRACK(track)))
        return -1;
    d->groups.push_back({GES_TRACK(track), groupType, true});
    return static_cast<int>(d->groups.size()) - 1;
}

int Timeline::AddAudioGroup(const MediaType& groupType) {
    if (!d->timeline)
        return -1;
    GESAudioTrack* track = ges_audio_track_new();
    if (!track)
        return -1;
    GstCaps* caps = gst_caps_new_simple(
        "audio/x-raw", "format", G_TYPE_STRING, groupType.bitsPerSample == 32 ? "S32LE" : "S16LE",
        "layout", G_TYPE_STRING, "interleaved", "rate", G_TYPE_INT, groupType.samplesPerSec,
        "channels", G_TYPE_INT, groupType.channels, nullptr);
    ges_track_set_restriction_caps(GES_TRACK(track), caps);
    gst_caps_unref(caps);
    if (!ges_timeline_add_track(d->timeline, GES_TRACK(track)))
        return -1;
    d->groups.push_back({GES_TRACK(track), groupType, false});
    return static_cast<int>(d->groups.size()) - 1;
}

int Timeline::GroupCount() const {
    return static_cast<int>(d->groups.size());
}

MediaType Timeline::GroupMediaType(int group) const {
    return group >= 0 && group < GroupCount() ? d->groups[group].type : MediaType{};
}

bool Timeline::GroupIsVideo(int group) const {
    return group >= 0 && group < GroupCount() && d->groups[group].video;
}

HRESULT Timeline::AddSource(int group, const TimelineSource& source, TimelineStep& failedStep) {
    failedStep = TimelineStep::None;
    if (group < 0 || group >= GroupCount()) {
        failedStep = TimelineStep::InsertTrack;
        return E_INVALIDARG;
    }
    const Group& g = d->groups[group];
    GESLayer* layer = d->Layer(std::max(0, source.layer));
    if (!layer) {
        failedStep = TimelineStep::CreateTrack;
        return E_FAIL;
    }
    const QByteArray uri = QUrl::fromLocalFile(source.fileName).toEncoded();
    GError* error = nullptr;
    GESAsset* asset = nullptr;
    if (auto known = d->assets.find(uri); known != d->assets.end()) {
        asset = GES_ASSET(g_object_ref(known->second));
    } else {
        asset = RequestUriAsset(uri, nullptr);
        if (asset)
            d->assets[uri] = GES_ASSET(g_object_ref(asset));
    }
    if (!asset) {
        failedStep = TimelineStep::MediaName;
        return VFW_E_INVALID_FILE_FORMAT;
    }
    GESClip* clip = GES_CLIP(ges_asset_extract(asset, &error));
    if (!clip) {
        if (error)
            g_error_free(error);
        g_object_unref(asset);
        failedStep = TimelineStep::CreateSource;
        return E_FAIL;
    }
    gst_object_ref_sink(clip);
    const GESTrackType kind = g.video ? GES_TRACK_TYPE_VIDEO : GES_TRACK_TYPE_AUDIO;
    ges_clip_set_supported_formats(clip, kind);
    d->clipTrack[clip] = g.track;

    const std::uint64_t inPoint = NsFrom100ns(source.mediaStart100ns);
    const std::uint64_t placed = NsFrom100ns(source.timelineStop100ns - source.timelineStart100ns);
    const GstClockTime maxDuration =
        ges_timeline_element_get_max_duration(GES_TIMELINE_ELEMENT(clip));
    std::uint64_t firstDuration = placed;
    if (GST_CLOCK_TIME_IS_VALID(maxDuration) && source.speed != 1.0 && maxDuration > inPoint)
        firstDuration = std::min<std::uint64_t>(placed, maxDuration - inPoint);
    ges_timeline_element_set_inpoint(GES_TIMELINE_ELEMENT(clip), inPoint);
    ges_timeline_element_set_start(GES_TIMELINE_ELEMENT(clip),
                                   NsFrom100ns(source.timelineStart100ns));
    ges_timeline_element_set_duration(GES_TIMELINE_ELEMENT(clip), firstDuration);

    HRESULT hr = S_OK;
    if (!ges_layer_add_clip(layer, clip)) {
        failedStep = TimelineStep::AddSource;
        hr = E_FAIL;
    } else {
        // Speed: a rate effect makes the clip play its media faster or slower.
        if (source.speed > 0 && source.speed != 1.0) {
            GESEffect* effect = ges_effect_new(g.video ? "videorate" : "scaletempo");
            bool ok =
                effect && ges_container_add(GES_CONTAINER(clip), GES_TIMELINE_ELEMENT(effect));
            if (ok)
                ok = SetChild(GES_TIMELINE_ELEMENT(effect), "rate", G_TYPE_DOUBLE, source.speed);
            if (ok)
                ok = ges_timeline_element_set_duration(GES_TIMELINE_ELEMENT(clip), placed);
            if (!ok) {
                failedStep = TimelineStep::StretchMode;
                hr = E_FAIL;
            }
        }
        if (g.video && hr == S_OK) {
            double sourceW = 0;
            double sourceH = 0;
            if (GstDiscovererInfo* info = ges_uri_clip_asset_get_info(GES_URI_CLIP_ASSET(asset))) {
                GList* streams = gst_discoverer_info_get_video_streams(info);
                if (streams) {
                    auto* v = GST_DISCOVERER_VIDEO_INFO(streams->data);
                    const double parN = gst_discoverer_video_info_get_par_num(v);
                    const double parD = gst_discoverer_video_info_get_par_denom(v);
                    sourceW =
                        gst_discoverer_video_info_get_width(v) * (parD > 0 ? parN / parD : 1.0);
                    sourceH = gst_discoverer_video_info_get_height(v);
                }
                gst_discoverer_stream_info_list_free(streams);
            }
            int x = 0, y = 0, w = g.type.width, h = g.type.height;
            FitSource(source.stretch, g.type.width, g.type.height, sourceW, sourceH, x, y, w, h);
            GESTrackElement* video =
                ges_clip_find_track_element(clip, nullptr, GES_TYPE_VIDEO_SOURCE);
            bool ok = video != nullptr;
            if (ok) {
                auto* e = GES_TIMELINE_ELEMENT(video);
                ok = SetChild(e, "posx", G_TYPE_INT, x) && SetChild(e, "posy", G_TYPE_INT, y) &&
                     SetChild(e, "width", G_TYPE_INT, w) && SetChild(e, "height", G_TYPE_INT, h);
            }
            if (video)
                gst_object_unref(video);
            if (!ok) {
                failedStep = TimelineStep::StretchMode;
                hr = E_FAIL;
            }
        }
    }
    gst_object_unref(clip);
    g_object_unref(asset);
    return hr;
}

HRESULT Timeline::Commit() {
    if (!d->timeline)
        return E_FAIL;
    ges_timeline_commit(d->timeline);
    return S_OK;
}

std::int64_t Timeline::Duration100ns() const {
    if (!d->timeline)
        return 0;
    const GstClockTime ns = ges_timeline_get_duration(d->timeline);
    return GST_CLOCK_TIME_IS_VALID(ns) ? static_cast<std::int64_t>(ns / 100) : 0;
}

FilterPtr Timeline::AsFilter() {
    return d->filter;
}

PinPtr Timeline::GroupOutputPin(int group) {
    if (!d->filter || group < 0 || group >= GroupCount())
        return nullptr;
    GstPad* pad = ges_timeline_get_pad_for_track(d->timeline, d->groups[group].track);
    if (!pad)
        return nullptr;
    for (const PinPtr& pin : d->filter->Pins()) {
        auto* gp = dynamic_cast<detail::GstPin*>(pin.get());
        if (gp && gp->Pad() == pad)
            return pin;
    }
    return nullptr;
}

} // namespace media
