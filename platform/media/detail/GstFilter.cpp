#include "platform/media/detail/GstFilter.h"

#include "platform/media/detail/Caps.h"

#include <algorithm>

namespace media::detail {

namespace {

GstPadProbeReturn PositionProbe(GstPad*, GstPadProbeInfo* info, gpointer data) {
    auto* cell = static_cast<std::shared_ptr<std::atomic<std::int64_t>>*>(data);
    GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
    if (!buffer || !GST_BUFFER_PTS_IS_VALID(buffer))
        return GST_PAD_PROBE_OK;
    std::int64_t end = std::int64_t(GST_BUFFER_PTS(buffer));
    if (GST_BUFFER_DURATION_IS_VALID(buffer))
        end += std::int64_t(GST_BUFFER_DURATION(buffer));
    std::int64_t seen = (*cell)->load(std::memory_order_relaxed);
    while (end > seen && !(*cell)->compare_exchange_weak(seen, end, std::memory_order_relaxed)) {
    }
    return GST_PAD_PROBE_OK;
}

void FreeCell(gpointer data) {
    delete static_cast<std::shared_ptr<std::atomic<std::int64_t>>*>(data);
}

QString TemplatePinName(GstPadTemplate* templ, int number) {
    QString name = QString::fromUtf8(GST_PAD_TEMPLATE_NAME_TEMPLATE(templ));
    name.replace(QLatin1String("%u"), QString::number(number));
    name.replace(QLatin1String("%d"), QString::number(number));
    name.replace(QLatin1String("%s"), QString::number(number));
    return name;
}

} // namespace

GstPin::GstPin(GstFilter* owner, GstPad* pad)
    : owner_(owner)
    , pad_(GstRef<GstPad>::Ref(pad))
    , direction_(GST_PAD_DIRECTION(pad) == GST_PAD_SRC ? PinDirection::Output
                                                       : PinDirection::Input) {
    WatchPosition();
}

GstPin::GstPin(GstFilter* owner, GstPadTemplate* requestTemplate, int number)
    : owner_(owner)
    , template_(requestTemplate)
    , number_(number)
    , direction_(GST_PAD_TEMPLATE_DIRECTION(requestTemplate) == GST_PAD_SRC ? PinDirection::Output
                                                                            : PinDirection::Input) {
}

GstPin::~GstPin() = default;

QString GstPin::Name() const {
    if (pad_) {
        GCharPtr name{gst_pad_get_name(pad_.get())};
        return QString::fromUtf8(name.p);
    }
    return TemplatePinName(template_, number_);
}

Filter* GstPin::Owner() const {
    return owner_;
}

PinPtr GstPin::ConnectedTo() const {
    if (!pad_)
        return nullptr;
    GstRef<GstPad> peer(gst_pad_get_peer(pad_.get()));
    if (!peer || !owner_->OwnerGraph())
        return nullptr;
    for (const FilterPtr& f : owner_->OwnerGraph()->Filters()) {
        auto* gf = dynamic_cast<GstFilter*>(f.get());
        if (!gf)
            continue;
        gf->RefreshPins();
        for (const auto& pin : gf->pins_)
            if (pin->pad_.get() == peer.get())
                return pin;
    }
    return nullptr;
}

std::vector<MediaType> GstPin::MediaTypes() const {
    if (pad_) {
        if (GstCaps* current = gst_pad_get_current_caps(pad_.get())) {
            GstCapsRef holder(current);
            return MediaTypesFromCaps(current);
        }
        GstCapsRef caps(gst_pad_query_caps(pad_.get(), nullptr));
        return MediaTypesFromCaps(caps.get());
    }
    GstCapsRef caps(gst_pad_template_get_caps(template_));
    return MediaTypesFromCaps(caps.get());
}

GstPad* GstPin::Realize() {
    if (pad_)
        return pad_.get();
    GstPad* pad = gst_element_request_pad(owner_->Element(), template_, nullptr, nullptr);
    if (!pad)
        return nullptr;
    pad_ = GstRef<GstPad>(pad); // request_pad hands us a reference
    requested_ = true;
    WatchPosition();
    owner_->OnTemplatePinRealized(this);
    return pad;
}

void GstPin::Unrealize() {
    if (!requested_ || !pad_)
        return;
    gst_element_release_request_pad(owner_->Element(), pad_.get());
    pad_ = GstRef<GstPad>();
    requested_ = false;
    // Drop the free pin that realising this one had appended.
    auto& pins = owner_->pins_;
    for (auto it = pins.rbegin(); it != pins.rend(); ++it) {
        if ((*it).get() != this && !(*it)->pad_ && (*it)->template_ == template_) {
            pins.erase(std::next(it).base());
            break;
        }
    }
}

void GstPin::WatchPosition() {
    if (!pad_ || direction_ != PinDirection::Input)
        return;
    gst_pad_add_probe(pad_.get(), GST_PAD_PROBE_TYPE_BUFFER, PositionProbe,
                      new std::shared_ptr<std::atomic<std::int64_t>>(owner_->PositionCell()),
                      FreeCell);
}

GstFilter::GstFilter(GstElement* element, QString classId)
    : classId_(std::move(classId))
    , positionNs_(std::make_shared<std::atomic<std::int64_t>>(-1)) {
    if (element && g_object_is_floating(element))
        gst_object_ref_sink(element);
    element_ = GstRef<GstElement>(element);
    RefreshPins();
}

GstFilter::~GstFilter() {
    pins_.clear();
}

void GstFilter::RefreshPins() {
    if (!element_)
        return;
    GstIterator* it = gst_element_iterate_pads(element_.get());
    GValue item = G_VALUE_INIT;
    bool done = false;
    while (!done) {
        switch (gst_iterator_next(it, &item)) {
        case GST_ITERATOR_OK: {
            auto* pad = GST_PAD(g_value_get_object(&item));
            const bool known = std::any_of(pins_.begin(), pins_.end(),
                                           [pad](const auto& p) { return p->Pad() == pad; });
            if (!known)
                pins_.push_back(std::make_shared<GstPin>(this, pad));
            g_value_reset(&item);
            break;
        }
        case GST_ITERATOR_RESYNC:
            gst_iterator_resync(it);
            break;
        default:
            done = true;
        }
    }
    g_value_unset(&item);
    gst_iterator_free(it);

    // One free pin per request template.
    for (GList* l = gst_element_class_get_pad_template_list(GST_ELEMENT_GET_CLASS(element_.get()));
         l; l = l->next) {
        auto* templ = GST_PAD_TEMPLATE(l->data);
        if (GST_PAD_TEMPLATE_PRESENCE(templ) != GST_PAD_REQUEST)
            continue;
        int used = 0;
        bool hasFree = false;
        for (const auto& p : pins_) {
            if (p->RequestTemplate() == templ ||
                (p->Pad() && GST_PAD_PAD_TEMPLATE(p->Pad()) == templ)) {
                ++used;
                hasFree = hasFree || !p->IsRealized();
            }
        }
        if (!hasFree)
            pins_.push_back(std::make_shared<GstPin>(this, templ, used));
    }
}

void GstFilter::OnTemplatePinRealized(GstPin*) {
    RefreshPins();
}

std::vector<PinPtr> GstFilter::Pins() {
    RefreshPins();
    return {pins_.begin(), pins_.end()};
}

GstPin* GstFilter::PinForPad(GstPad* pad) {
    RefreshPins();
    for (const auto& p : pins_)
        if (p->Pad() == pad)
            return p.get();
    return nullptr;
}

HRESULT GstFilter::CurrentPosition(std::int64_t& position100ns) const {
    const std::int64_t ns = positionNs_->load(std::memory_order_relaxed);
    position100ns = ns < 0 ? 0 : ns / 100;
    return S_OK;
}

HRESULT GstFilter::SetElementProperty(const char* name, const QVariant& value) {
    if (!element_)
        return E_FAIL;
    GParamSpec* spec = g_object_class_find_property(G_OBJECT_GET_CLASS(element_.get()), name);
    if (!spec)
        return E_INVALIDARG;
    GValue v = G_VALUE_INIT;
    g_value_init(&v, spec->value_type);
    bool ok = true;
    const GType fundamental = G_TYPE_FUNDAMENTAL(spec->value_type);
    switch (fundamental) {
    case G_TYPE_BOOLEAN:
        g_value_set_boolean(&v, value.toBool());
        break;
    case G_TYPE_INT:
        g_value_set_int(&v, value.toInt(&ok));
        break;
    case G_TYPE_UINT:
        g_value_set_uint(&v, value.toUInt(&ok));
        break;
    case G_TYPE_INT64:
        g_value_set_int64(&v, value.toLongLong(&ok));
        break;
    case G_TYPE_UINT64:
        g_value_set_uint64(&v, value.toULongLong(&ok));
        break;
    case G_TYPE_FLOAT:
        g_value_set_float(&v, value.toFloat(&ok));
        break;
    case G_TYPE_DOUBLE:
        g_value_set_double(&v, value.toDouble(&ok));
        break;
    case G_TYPE_STRING:
        g_value_set_string(&v, value.toString().toUtf8().constData());
        break;
    case G_TYPE_ENUM:
        if (value.typeId() == QMetaType::QString) {
            ok = gst_value_deserialize(&v, value.toString().toUtf8().constData());
        } else {
            g_value_set_enum(&v, value.toInt(&ok));
        }
        break;
    default:
        ok = gst_value_deserialize(&v, value.toString().toUtf8().constData());
    }
    if (ok)
        g_object_set_property(G_OBJECT(element_.get()), name, &v);
    g_value_unset(&v);
    return ok ? S_OK : E_INVALIDARG;
}

QVariant GstFilter::ElementProperty(const char* name) const {
    if (!element_)
        return {};
    GParamSpec* spec = g_object_class_find_property(G_OBJECT_GET_CLASS(element_.get()), name);
    if (!spec)
        return {};
    GValue v = G_VALUE_INIT;
    g_value_init(&v, spec->value_type);
    g_object_get_property(G_OBJECT(element_.get()), name, &v);
    QVariant result;
    switch (G_TYPE_FUNDAMENTAL(spec->value_type)) {
    case G_TYPE_BOOLEAN:
        result = bool(g_value_get_boolean(&v));
        break;
    case G_TYPE_INT:
        result = g_value_get_int(&v);
        break;
    case G_TYPE_UINT:
        result = g_value_get_uint(&v);
        break;
    case G_TYPE_INT64:
        result = qint64(g_value_get_int64(&v));
        break;
    case G_TYPE_UINT64:
        result = quint64(g_value_get_uint64(&v));
        break;
    case G_TYPE_FLOAT:
        result = g_value_get_float(&v);
        break;
    case G_TYPE_DOUBLE:
        result = g_value_get_double(&v);
        break;
    case G_TYPE_ENUM:
        result = g_value_get_enum(&v);
        break;
    case G_TYPE_STRING:
        result = QString::fromUtf8(g_value_get_string(&v));
        break;
    default: {
        GCharPtr text{gst_value_serialize(&v)};
        result = QString::fromUtf8(text.p);
    }
    }
    g_value_unset(&v);
    return result;
}

HRESULT GstFilter::PrepareForConnect(GstPin*) {
    return S_OK;
}
HRESULT GstFilter::PrepareForRun() {
    return S_OK;
}

void GstFilter::AttachToGraph(Graph* graph, const QString& name) {
    graph_ = graph;
    name_ = name;
}

} // namespace media::detail
