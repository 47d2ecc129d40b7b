#include "platform/media/detail/StreamKinds.h"

#include "platform/media/detail/GstRef.h"

#include <mutex>

namespace media::detail {

namespace {

// The decoder factories, listed once: the registry does not change while the program runs.
GList* Decoders() {
    static std::once_flag once;
    static GList* decoders = nullptr;
    std::call_once(once, [] {
        decoders = gst_element_factory_list_get_elements(GST_ELEMENT_FACTORY_TYPE_DECODER,
                                                         GST_RANK_MARGINAL);
    });
    return decoders;
}

bool Wants(GstElement* decodebin, const char* rawName) {
    GstCaps* wanted = nullptr;
    g_object_get(decodebin, "caps", &wanted, nullptr);
    if (!wanted)
        return true; // no limit: every kind is wanted
    GstCapsRef holder(wanted);
    GstCapsRef raw(gst_caps_new_empty_simple(rawName));
    return gst_caps_can_intersect(wanted, raw.get());
}

gboolean ContinueUnlessUnwanted(GstElement* decodebin, GstPad* pad, GstCaps* caps, gpointer) {
    const MajorType kind = StreamKindOfCaps(caps);
    if (kind == MajorType::Unknown || !IsElementaryStreamCaps(caps))
        return TRUE;
    if (Wants(decodebin, kind == MajorType::Video ? "video/x-raw" : "audio/x-raw"))
        return TRUE;
    // Nobody takes this stream: its data need not even travel to the end of the decoder
    // (every unit of it would wake a queue's thread for nothing). Events still pass.
    gst_pad_add_probe(
        pad, GstPadProbeType(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_BUFFER_LIST),
        [](GstPad*, GstPadProbeInfo*, gpointer) { return GST_PAD_PROBE_DROP; }, nullptr, nullptr);
    return FALSE;
}

} // namespace

MajorType StreamKindOfCaps(const GstCaps* caps) {
    if (!caps || gst_caps_is_empty(caps) || gst_caps_is_any(caps))
        return MajorType::Unknown;
    const gchar* name = gst_structure_get_name(gst_caps_get_structure(caps, 0));
    if (g_str_has_prefix(name, "video/") || g_str_has_prefix(name, "image/"))
        return MajorType::Video;
    if (g_str_has_prefix(name, "audio/"))
        return MajorType::Audio;
    return MajorType::Unknown;
}

bool IsElementaryStreamCaps(const GstCaps* caps) {
    if (!caps || gst_caps_is_empty(caps) || gst_caps_is_any(caps))
        return false;
    const GstStructure* s = gst_caps_get_structure(caps, 0);
    if (gst_structure_has_name(s, "video/x-raw") || gst_structure_has_name(s, "audio/x-raw"))
        return true;
    GList* takers = gst_element_factory_list_filter(Decoders(), caps, GST_PAD_SINK, FALSE);
    const bool decodable = takers != nullptr;
    gst_plugin_feature_list_free(takers);
    return decodable;
}

void SkipUnwantedStreams(GstElement* decodebin) {
    g_signal_connect(decodebin, "autoplug-continue", G_CALLBACK(ContinueUnlessUnwanted), nullptr);
}

} // namespace media::detail
