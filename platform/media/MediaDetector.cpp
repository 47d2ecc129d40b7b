#include "platform/media/MediaDetector.h"

#include "platform/media/AviHeader.h"
#include "platform/media/Graph.h"
#include "platform/media/detail/Caps.h"
#include "platform/media/detail/GstRef.h"
#include "platform/media/detail/StreamKinds.h"

#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>

#include <gst/pbutils/pbutils.h>

#include <algorithm>
#include <cstdlib>
#include <sys/stat.h>

namespace media {

namespace {

constexpr GstClockTime kDiscoverTimeout = 15 * GST_SECOND;
constexpr GstClockTime kLengthsTimeout = 10 * GST_SECOND;
constexpr int kMaxFrameSide = 16384;
constexpr int kMaxChannels = 64;
constexpr int kMaxSampleRate = 768000;

struct StreamLength {
    MajorType kind = MajorType::Unknown;
    double seconds = -1.0;
    bool decodable = true; ///< its first data decoded
};

// Each stream's own length as its demultiplexer knows it (from the file's index, or from a scan
// of a file that has none), in the order the streams appear, and whether its first data
// decodes. The discoverer only tells the whole file's duration (the longest stream's) and
// reports a stream none of whose data decodes like any other. Started before the discoverer
// runs and collected after it: the two read the file side by side.
class StreamLengthProbe {
public:
    explicit StreamLengthProbe(const char* uri)
        : pipeline_(GST_ELEMENT(gst_object_ref_sink(gst_pipeline_new(nullptr)))) {
        GstElement* decoder = gst_element_factory_make("uridecodebin", nullptr);
        if (!decoder)
            return;
        g_object_set(decoder, "uri", uri, nullptr);
        g_signal_connect(decoder, "pad-added", G_CALLBACK(&StreamLengthProbe::PadAdded), this);
        gst_bin_add(GST_BIN(pipeline_.get()), decoder);
        started_ =
            gst_element_set_state(pipeline_.get(), GST_STATE_PAUSED) != GST_STATE_CHANGE_FAILURE;
    }
    ~StreamLengthProbe() { gst_element_set_state(pipeline_.get(), GST_STATE_NULL); }
    StreamLengthProbe(const StreamLengthProbe&) = delete;
    StreamLengthProbe& operator=(const StreamLengthProbe&) = delete;

    std::vector<StreamLength> Collect() {
        std::vector<StreamLength> lengths;
        if (!started_ || gst_element_get_state(pipeline_.get(), nullptr, nullptr,
                                               kLengthsTimeout) == GST_STATE_CHANGE_FAILURE)
            return lengths;
        QMutexLocker locker(&lock_);
        for (const auto& pad : pads_) {
            StreamLength l;
            // A decoder that never produced data never settled its format either.
            detail::GstCapsRef caps(gst_pad_get_current_caps(pad.get()));
            l.decodable = static_cast<bool>(caps);
            if (!caps)
                caps = detail::GstCapsRef(gst_pad_query_caps(pad.get(), nullptr));
            l.kind = detail::StreamKindOfCaps(caps.get());
            gint64 ns = -1;
            if (gst_pad_query_duration(pad.get(), GST_FORMAT_TIME, &ns) && ns > 0)
                l.seconds = double(ns) / GST_SECOND;
            lengths.push_back(l);
        }
        return lengths;
    }

private:
    // Streaming thread.
    static void PadAdded(GstElement*, GstPad* pad, gpointer data) {
        auto* self = static_cast<StreamLengthProbe*>(data);
        GstElement* sink = gst_element_factory_make("fakesink", nullptr);
        g_object_set(sink, "sync", FALSE, nullptr);
        gst_bin_add(GST_BIN(self->pipeline_.get()), sink);
        detail::GstRef<GstPad> sinkPad(gst_element_get_static_pad(sink, "sink"));
        gst_pad_link(pad, sinkPad.get());
        gst_element_sync_state_with_parent(sink);
        QMutexLocker locker(&self->lock_);
        self->pads_.push_back(detail::GstRef<GstPad>::Ref(pad));
    }

    detail::GstRef<GstElement> pipeline_;
    bool started_ = false;
    QMutex lock_;
    std::vector<detail::GstRef<GstPad>> pads_; // guarded by lock_
};

// The nth entry of a kind, or null.
template <class T, class KindOf>
const T* NthOfKind(const std::vector<T>& list, MajorType kind, int n, KindOf kindOf) {
    for (const T& item : list)
        if (kindOf(item) == kind && n-- == 0)
            return &item;
    return nullptr;
}

// Values the headers give that the media libraries would compute with unchecked: an empty
// text when the stream's description makes sense, else what is wrong with it.
QString StreamProblem(GstDiscovererStreamInfo* stream) {
    if (GST_IS_DISCOVERER_VIDEO_INFO(stream)) {
        auto* v = GST_DISCOVERER_VIDEO_INFO(stream);
        const guint w = gst_discoverer_video_info_get_width(v);
        const guint h = gst_discoverer_video_info_get_height(v);
        if (w == 0 || h == 0 || w > kMaxFrameSide || h > kMaxFrameSide)
            return QStringLiteral("the video header gives a frame size of %1x%2").arg(w).arg(h);
        const guint parN = gst_discoverer_video_info_get_par_num(v);
        const guint parD = gst_discoverer_video_info_get_par_denom(v);
        if (parN == 0 || parD == 0 || parN > G_MAXINT || parD > G_MAXINT)
            return QStringLiteral("the video header gives a pixel aspect ratio of %1/%2")
                .arg(int(parN))
                .arg(int(parD));
        const guint rateN = gst_discoverer_video_info_get_framerate_num(v);
        const guint rateD = gst_discoverer_video_info_get_framerate_denom(v);
        if (rateN > G_MAXINT || rateD > G_MAXINT || (rateN > 0 && rateD == 0))
            return QStringLiteral("the video header gives a frame rate of %1/%2")
                .arg(int(rateN))
                .arg(int(rateD));
    } else if (GST_IS_DISCOVERER_AUDIO_INFO(stream)) {
        auto* a = GST_DISCOVERER_AUDIO_INFO(stream);
        const guint channels = gst_discoverer_audio_info_get_channels(a);
        const guint rate = gst_discoverer_audio_info_get_sample_rate(a);
        if (channels > kMaxChannels || rate > kMaxSampleRate)
            return QStringLiteral("the audio header gives %1 channels at %2 Hz")
                .arg(channels)
                .arg(rate);
    }
    return QString();
}

QString AviHeaderProblem(const AviHeaderInfo& avi) {
    // Nothing to play; the media library may wait forever for data that never comes.
    if (avi.isAvi && avi.headersCut)
        return QStringLiteral("the file ends inside its headers");
    if (avi.isAvi && avi.mediaBytes == 0)
        return QStringLiteral("the file holds its headers but no media data");
    for (const AviStreamHeader& s : avi.streams) {
        if (s.kind != AviStreamHeader::Kind::Video)
            continue;
        const qint64 h = std::llabs(qint64(s.height));
        if (s.width <= 0 || s.width > kMaxFrameSide || h == 0 || h > kMaxFrameSide)
            return QStringLiteral("the video header gives a frame size of %1x%2")
                .arg(s.width)
                .arg(s.height);
    }
    return QString();
}

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

namespace {

struct FileIdentity {
    bool valid = false;
    QByteArray path;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    timespec changed{};

    bool operator==(const FileIdentity& o) const {
        return valid && o.valid && path == o.path && device == o.device && inode == o.inode &&
               size == o.size && modified.tv_sec == o.modified.tv_sec &&
               modified.tv_nsec == o.modified.tv_nsec && changed.tv_sec == o.changed.tv_sec &&
               changed.tv_nsec == o.changed.tv_nsec;
    }
};

FileIdentity IdentityOf(const QFileInfo& info) {
    FileIdentity id;
    id.path = QFile::encodeName(info.absoluteFilePath());
    struct stat st {};
    if (::stat(id.path.constData(), &st) != 0)
        return id;
    id.valid = true;
    id.device = st.st_dev;
    id.inode = st.st_ino;
    id.size = st.st_size;
    id.modified = st.st_mtim;
    id.changed = st.st_ctim;
    return id;
}

} // namespace

/// The answers for the last few files read, any thread.
class MediaDetector::DetectorCache {
public:
    static DetectorCache& Instance() {
        static DetectorCache cache;
        return cache;
    }
    bool Find(const FileIdentity& id, MediaDetector& into, HRESULT& result) {
        QMutexLocker locker(&lock_);
        for (const Entry& e : entries_) {
            if (e.id == id) {
                into = e.answer;
                result = e.result;
                return true;
            }
        }
        return false;
    }
    void Store(const FileIdentity& id, const MediaDetector& answer, HRESULT result) {
        QMutexLocker locker(&lock_);
        std::erase_if(entries_, [&](const Entry& e) { return e.id.path == id.path; });
        entries_.push_back({id, answer, result});
        if (entries_.size() > kEntries)
            entries_.erase(entries_.begin());
    }

private:
    static constexpr size_t kEntries = 16;
    struct Entry {
        FileIdentity id;
        MediaDetector answer;
        HRESULT result;
    };
    QMutex lock_;
    std::vector<Entry> entries_; // guarded by lock_, oldest first
};

HRESULT MediaDetector::Open(const QString& fileName) {
    streams_.clear();
    lengthSeconds_ = 0.0;
    declaredLengthSeconds_ = -1.0;
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
    // An input is read when it is added (as video and as audio) and again when the run starts:
    // the same file, unchanged, gives the same answer.
    const FileIdentity identity = IdentityOf(info);
    if (DetectorCache::Instance().Find(identity, *this, cachedResult_))
        return cachedResult_;
    cachedResult_ = Read(info);
    if (identity.valid)
        DetectorCache::Instance().Store(identity, *this, cachedResult_);
    return cachedResult_;
}

HRESULT MediaDetector::Read(const QFileInfo& info) {
    // Judge the header before anything (the media libraries included) computes with it.
    const AviHeaderInfo avi = ReadAviHeader(info.absoluteFilePath());
    if (const QString problem = AviHeaderProblem(avi); !problem.isEmpty()) {
        errorText_ = problem;
        return VFW_E_INVALID_FILE_FORMAT;
    }
    declaredLengthSeconds_ = avi.declaredSeconds;

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
    StreamLengthProbe lengthProbe(uri.p);
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
        if (const QString problem = StreamProblem(stream); !problem.isEmpty()) {
            gst_discoverer_stream_info_list_free(list);
            streams_.clear();
            errorText_ = problem;
            return VFW_E_INVALID_FILE_FORMAT;
        }
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

    // Each stream's own length; the header's declaration of it, where the file has one.
    std::vector<StreamLength> lengths = lengthProbe.Collect();
    // A stream whose format never settled has no kind of its own: it is the one the discovered
    // streams have and the settled ones lack.
    for (StreamLength& l : lengths) {
        if (l.kind != MajorType::Unknown)
            continue;
        for (MajorType kind : {MajorType::Video, MajorType::Audio}) {
            auto ofKind = [kind](const auto& x) { return x.kind == kind; };
            const auto discovered =
                std::count_if(streams_.begin(), streams_.end(),
                              [kind](const StreamInfo& x) { return x.majorType == kind; });
            if (std::count_if(lengths.begin(), lengths.end(), ofKind) < discovered) {
                l.kind = kind;
                break;
            }
        }
    }
    int seen[4] = {0, 0, 0, 0};
    for (StreamInfo& s : streams_) {
        const int n = seen[int(s.majorType)]++;
        if (const StreamLength* l =
                NthOfKind(lengths, s.majorType, n, [](const StreamLength& x) { return x.kind; })) {
            if (l->seconds > 0)
                s.lengthSeconds = l->seconds;
            s.decodable = l->decodable;
        }
        if (const AviStreamHeader* h =
                NthOfKind(avi.streams, s.majorType, n, [](const AviStreamHeader& x) {
                    return x.kind == AviStreamHeader::Kind::Video   ? MajorType::Video
                           : x.kind == AviStreamHeader::Kind::Audio ? MajorType::Audio
                                                                    : MajorType::Unknown;
                }))
            s.declaredLengthSeconds = h->declaredSeconds;
    }
    return hr;
}

HRESULT CheckRenderable(const QString& fileName) {
    MediaDetector detector;
    return detector.Open(fileName);
}

} // namespace media
