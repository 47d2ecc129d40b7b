#include "platform/media/Graph.h"

#include "platform/media/detail/Caps.h"
#include "platform/media/detail/GstFilter.h"

#include <QFile>
#include <QSaveFile>

#include <algorithm>
#include <mutex>
#include <span>

#ifdef REELVANE_HAVE_AVCODEC_ELEMENT
#include "platform/media/avcodec/AvcodecVideoEncoder.h"
#endif

namespace media {

using detail::GstCapsRef;
using detail::GstFilter;
using detail::GstPin;
using detail::GstRef;

void EnsureMediaInitialized() {
    static std::once_flag once;
    std::call_once(once, [] {
        gst_init(nullptr, nullptr);
#ifdef REELVANE_HAVE_AVCODEC_ELEMENT
        RegisterAvcodecVideoEncoder();
#endif
    });
}

struct Graph::Impl {
    GstRef<GstElement> pipeline;
    GstRef<GstBus> bus;
    std::vector<FilterPtr> filters;
};

Graph::Graph()
    : d(std::make_unique<Impl>()) {
    EnsureMediaInitialized();
    GstElement* pipeline = gst_pipeline_new(nullptr);
    gst_object_ref_sink(pipeline);
    d->pipeline = GstRef<GstElement>(pipeline);
    d->bus = GstRef<GstBus>(gst_pipeline_get_bus(GST_PIPELINE(pipeline)));
}

Graph::~Graph() {
    gst_element_set_state(d->pipeline.get(), GST_STATE_NULL);
    for (const FilterPtr& f : d->filters)
        if (auto* gf = dynamic_cast<GstFilter*>(f.get()))
            gf->AttachToGraph(nullptr, gf->Name());
    d->filters.clear();
}

void* Graph::NativeHandle() const {
    return d->pipeline.get();
}

HRESULT Graph::AddFilter(const FilterPtr& filter, const QString& name) {
    auto* gf = dynamic_cast<GstFilter*>(filter.get());
    if (!gf || !gf->Element())
        return E_POINTER;
    if (gf->OwnerGraph())
        return gf->OwnerGraph() == this ? VFW_S_DUPLICATE_NAME : E_INVALIDARG;
    QString unique = name;
    HRESULT hr = S_OK;
    for (int n = 1; FindFilterByName(unique); ++n) {
        unique = QStringLiteral("%1 %2").arg(name).arg(n, 4, 10, QLatin1Char('0'));
        hr = VFW_S_DUPLICATE_NAME;
    }
    // Element names must be unique inside a bin; the filter keeps reporting the given name.
    if (!gst_bin_add(GST_BIN(d->pipeline.get()), gf->Element()))
        return E_FAIL;
    gf->AttachToGraph(this, unique);
    d->filters.push_back(filter);
    return hr;
}

HRESULT Graph::RemoveFilter(const FilterPtr& filter) {
    auto it = std::find(d->filters.begin(), d->filters.end(), filter);
    if (it == d->filters.end())
        return VFW_E_NOT_FOUND;
    auto* gf = static_cast<GstFilter*>(filter.get());
    gst_element_set_state(gf->Element(), GST_STATE_NULL);
    gst_bin_remove(GST_BIN(d->pipeline.get()), gf->Element());
    gf->AttachToGraph(nullptr, gf->Name());
    d->filters.erase(it);
    return S_OK;
}

std::vector<FilterPtr> Graph::Filters() const {
    return d->filters;
}

FilterPtr Graph::FindFilterByName(const QString& name) const {
    for (const FilterPtr& f : d->filters)
        if (f->Name() == name)
            return f;
    return nullptr;
}

namespace {

struct Endpoints {
    GstFilter* outFilter = nullptr;
    GstFilter* inFilter = nullptr;
    GstPin* out = nullptr;
    GstPin* in = nullptr;
};

HRESULT Validate(Graph* graph, const PinPtr& output, const PinPtr& input, Endpoints& e) {
    if (!output || !input)
        return E_POINTER;
    e.out = dynamic_cast<GstPin*>(output.get());
    e.in = dynamic_cast<GstPin*>(input.get());
    if (!e.out || !e.in)
        return E_INVALIDARG;
    if (e.out->Direction() != PinDirection::Output || e.in->Direction() != PinDirection::Input)
        return E_INVALIDARG;
    e.outFilter = static_cast<GstFilter*>(e.out->Owner());
    e.inFilter = static_cast<GstFilter*>(e.in->Owner());
    if (e.outFilter->OwnerGraph() != graph || e.inFilter->OwnerGraph() != graph)
        return VFW_E_NOT_FOUND;
    if (e.out->ConnectedTo() || e.in->ConnectedTo())
        return VFW_E_ALREADY_CONNECTED;
    return S_OK;
}

bool CapsOfKind(const GstCaps* caps, const char* kind) {
    if (!caps || gst_caps_is_empty(caps) || gst_caps_is_any(caps))
        return false;
    for (guint i = 0; i < gst_caps_get_size(caps); ++i)
        if (!gst_structure_has_name(gst_caps_get_structure(caps, i), kind))
            return false;
    return true;
}

bool Accepts(const GstCaps* sinkCaps, const char* kind) {
    GstCapsRef wanted(gst_caps_new_empty_simple(kind));
    return sinkCaps && gst_caps_can_intersect(sinkCaps, wanted.get());
}

/// Checks both ends, lets their filters finish building, and realises request pins; on failure
/// nothing is left requested.
HRESULT PrepareLink(Graph* graph, const PinPtr& output, const PinPtr& input, Endpoints& e,
                    GstPad*& src, GstPad*& sink) {
    if (HRESULT hr = Validate(graph, output, input, e); Failed(hr))
        return hr;
    if (Failed(e.outFilter->PrepareForConnect(e.out)) ||
        Failed(e.inFilter->PrepareForConnect(e.in)))
        return E_FAIL;
    src = e.out->Realize();
    sink = e.in->Realize();
    if (!src || !sink) {
        e.out->Unrealize();
        e.in->Unrealize();
        return VFW_E_NOT_FOUND;
    }
    return S_OK;
}

} // namespace

HRESULT Graph::ConnectDirect(const PinPtr& output, const PinPtr& input) {
    Endpoints e;
    GstPad* src = nullptr;
    GstPad* sink = nullptr;
    if (HRESULT hr = PrepareLink(this, output, input, e, src, sink); Failed(hr))
        return hr;
    if (gst_pad_link(src, sink) != GST_PAD_LINK_OK) {
        e.out->Unrealize();
        e.in->Unrealize();
        return VFW_E_NO_ACCEPTABLE_TYPES;
    }
    return S_OK;
}

HRESULT Graph::Connect(const PinPtr& output, const PinPtr& input) {
    Endpoints e;
    GstPad* src = nullptr;
    GstPad* sink = nullptr;
    if (HRESULT hr = PrepareLink(this, output, input, e, src, sink); Failed(hr))
        return hr;
    auto undo = [&] {
        e.out->Unrealize();
        e.in->Unrealize();
    };
    GstCapsRef srcCaps(gst_pad_query_caps(src, nullptr));
    GstCapsRef sinkCaps(gst_pad_query_caps(sink, nullptr));

    // Raw streams always go through converters: they pass buffers untouched when the formats
    // already agree, and they let the formats be settled when the graph starts.
    const char* kind = nullptr;
    if (CapsOfKind(srcCaps.get(), "video/x-raw"))
        kind = "video/x-raw";
    else if (CapsOfKind(srcCaps.get(), "audio/x-raw"))
        kind = "audio/x-raw";

    if (!kind || !Accepts(sinkCaps.get(), kind)) {
        if (gst_caps_can_intersect(srcCaps.get(), sinkCaps.get()) &&
            gst_pad_link(src, sink) == GST_PAD_LINK_OK)
            return S_OK;
        undo();
        return VFW_E_CANNOT_CONNECT;
    }

    struct Converter {
        const char* factory;
        const char* name;
    };
    static constexpr Converter kVideo[] = {{"videoconvert", "Color Space Converter"},
                                           {"videoscale", "Video Resizer"}};
    static constexpr Converter kAudio[] = {{"audioconvert", "Audio Converter"},
                                           {"audioresample", "Audio Resampler"}};
    const bool video = kind[0] == 'v';
    std::vector<FilterPtr> added;
    GstPad* upstream = src;
    bool ok = true;
    for (const Converter& c :
         video ? std::span<const Converter>(kVideo) : std::span<const Converter>(kAudio)) {
        GstElement* element = gst_element_factory_make(c.factory, nullptr);
        if (!element) {
            ok = false;
            break;
        }
        auto filter = std::make_shared<GstFilter>(element, QString());
        if (Failed(AddFilter(filter, QString::fromLatin1(c.name)))) {
            ok = false;
            break;
        }
        added.push_back(filter);
        GstRef<GstPad> convSink(gst_element_get_static_pad(element, "sink"));
        if (gst_pad_link(upstream, convSink.get()) != GST_PAD_LINK_OK) {
            ok = false;
            break;
        }
        GstRef<GstPad> convSrc(gst_element_get_static_pad(element, "src"));
        upstream = convSrc.get(); // the element keeps the pad alive
    }
    if (ok && gst_pad_link(upstream, sink) != GST_PAD_LINK_OK)
        ok = false;
    if (!ok) {
        if (GstRef<GstPad> peer{gst_pad_get_peer(src)})
            gst_pad_unlink(src, peer.get());
        for (const FilterPtr& f : added)
            RemoveFilter(f);
        undo();
        return VFW_E_CANNOT_CONNECT;
    }
    GstState state = GST_STATE_NULL;
    gst_element_get_state(d->pipeline.get(), &state, nullptr, 0);
    if (state != GST_STATE_NULL)
        for (const FilterPtr& f : added)
            gst_element_sync_state_with_parent(static_cast<GstFilter*>(f.get())->Element());
    return S_OK;
}

void Graph::SetNoSyncSource() {
    gst_pipeline_use_clock(GST_PIPELINE(d->pipeline.get()), nullptr);
}

HRESULT Graph::Run() {
    for (const FilterPtr& f : d->filters)
        if (auto* gf = dynamic_cast<GstFilter*>(f.get()); gf && Failed(gf->PrepareForRun()))
            return E_FAIL;
    switch (gst_element_set_state(d->pipeline.get(), GST_STATE_PLAYING)) {
    case GST_STATE_CHANGE_FAILURE:
        return E_FAIL;
    case GST_STATE_CHANGE_ASYNC:
        return S_FALSE;
    default:
        return S_OK;
    }
}

HRESULT Graph::Pause() {
    return gst_element_set_state(d->pipeline.get(), GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE
               ? E_FAIL
               : S_OK;
}

HRESULT Graph::Stop() {
    return gst_element_set_state(d->pipeline.get(), GST_STATE_NULL) == GST_STATE_CHANGE_FAILURE
               ? E_FAIL
               : S_OK;
}

HRESULT Graph::WaitForEvent(int timeoutMs, GraphEvent& event) {
    GstMessage* msg = gst_bus_timed_pop_filtered(
        d->bus.get(), GstClockTime(timeoutMs) * GST_MSECOND,
        GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR | GST_MESSAGE_WARNING));
    if (!msg)
        return E_ABORT;
    if (GST_MESSAGE_TYPE(msg) == GST_MESSAGE_EOS) {
        event.code = EC_COMPLETE;
        event.message.clear();
    } else {
        GError* error = nullptr;
        gchar* debug = nullptr;
        const bool warning = GST_MESSAGE_TYPE(msg) == GST_MESSAGE_WARNING;
        if (warning)
            gst_message_parse_warning(msg, &error, &debug);
        else
            gst_message_parse_error(msg, &error, &debug);
        const QString source = GST_MESSAGE_SRC(msg)
                                   ? QString::fromUtf8(GST_OBJECT_NAME(GST_MESSAGE_SRC(msg)))
                                   : QString();
        event.code = warning ? EC_STREAM_ERROR_STILLPLAYING : EC_ERRORABORT;
        event.message = QStringLiteral("%1: %2").arg(
            source, QString::fromUtf8(error ? error->message : "error"));
        g_clear_error(&error);
        g_free(debug);
    }
    gst_message_unref(msg);
    return S_OK;
}

HRESULT Graph::SaveGraphFile(const QString& path) const {
    detail::GCharPtr dot{
        gst_debug_bin_to_dot_data(GST_BIN(d->pipeline.get()), GST_DEBUG_GRAPH_SHOW_ALL)};
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return E_ACCESSDENIED;
    file.write(dot.p);
    return file.commit() ? S_OK : E_FAIL;
}

QByteArray Graph::DumpText() const {
    QByteArray out;
    auto line = [&out](const QString& text) {
        out += text.toLocal8Bit();
        out += "\r\n";
    };
    line(QStringLiteral("Filters count: %1").arg(d->filters.size()));
    line(QString());
    for (const FilterPtr& f : d->filters) {
        line(QStringLiteral("Filter name: ") + f->Name());
        int index = 0;
        for (const PinPtr& pin : f->Pins()) {
            const bool output = pin->Direction() == PinDirection::Output;
            line(
                QStringLiteral("  Pin %1 - %2 - %3")
                    .arg(index++)
                    .arg(output ? QStringLiteral("Output") : QStringLiteral("Input"), pin->Name()));
            if (PinPtr peer = pin->ConnectedTo())
                line(QStringLiteral("    Connected to: %1, %2")
                         .arg(peer->Owner()->Name(), peer->Name()));
            const auto types = pin->MediaTypes();
            if (!types.empty()) {
                line(QStringLiteral("    Mediatypes:"));
                for (const MediaType& t : types)
                    line(QStringLiteral("      ") + t.Description());
            }
        }
        line(QString());
        line(QString());
    }
    return out;
}

} // namespace media
