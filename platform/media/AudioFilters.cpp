#include "platform/media/AudioFilters.h"

#include "platform/media/detail/Caps.h"

#include <gst/gst.h>

namespace media {

namespace {

GstElement* ParseBin(const char* description) {
    GError* error = nullptr;
    GstElement* bin = gst_parse_bin_from_description(description, TRUE, &error);
    g_clear_error(&error);
    return bin;
}

/// A borrowed pointer to a named element inside the bin (the bin keeps it alive).
GstElement* Child(GstElement* bin, const char* name) {
    if (!bin)
        return nullptr;
    GstElement* e = gst_bin_get_by_name(GST_BIN(bin), name);
    if (e)
        gst_object_unref(e);
    return e;
}

/// A bin with untargeted "sink" and "src" ghost pads of the given kinds.
GstElement* EmptyBin(const char* sinkCaps, const char* srcCaps) {
    GstElement* bin = gst_bin_new(nullptr);
    detail::GstCapsRef in(gst_caps_from_string(sinkCaps));
    detail::GstCapsRef out(gst_caps_from_string(srcCaps));
    GstPadTemplate* it = gst_pad_template_new("sink", GST_PAD_SINK, GST_PAD_ALWAYS, in.get());
    GstPadTemplate* ot = gst_pad_template_new("src", GST_PAD_SRC, GST_PAD_ALWAYS, out.get());
    gst_element_add_pad(bin, gst_ghost_pad_new_no_target_from_template("sink", it));
    gst_element_add_pad(bin, gst_ghost_pad_new_no_target_from_template("src", ot));
    gst_object_unref(it);
    gst_object_unref(ot);
    return bin;
}

} // namespace

// --- PCM ------------------------------------------------------------------------------------

PcmCompressorFilter::PcmCompressorFilter()
    : GstFilter(ParseBin("audioconvert ! audioresample ! capsfilter name=format"),
                ChainClsid::PcmCompressor) {
    format_ = Child(Element(), "format");
}

std::vector<MediaType> PcmCompressorFilter::OfferedFormats() {
    static const int kRates[] = {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000};
    std::vector<MediaType> formats;
    for (int rate : kRates)
        for (int channels : {1, 2})
            for (int bits : {8, 16})
                formats.push_back(MediaType::Pcm(rate, channels, bits));
    return formats;
}

bool PcmCompressorFilter::InputConnected() const {
    if (!Element())
        return false;
    detail::GstRef<GstPad> sink(gst_element_get_static_pad(Element(), "sink"));
    return sink && gst_pad_is_linked(sink.get());
}

HRESULT PcmCompressorFilter::GetFormatCount(int& count) const {
    count = InputConnected() ? int(OfferedFormats().size()) : 0;
    return count > 0 ? S_OK : VFW_E_NOT_CONNECTED;
}

HRESULT PcmCompressorFilter::GetStreamCaps(int index, MediaType& type) const {
    int count = 0;
    if (HRESULT hr = GetFormatCount(count); Failed(hr))
        return hr;
    if (index < 0 || index >= count)
        return E_INVALIDARG;
    type = OfferedFormats()[index];
    return S_OK;
}

HRESULT PcmCompressorFilter::SetFormat(const MediaType& type) {
    if (!format_ || type.majorType != MajorType::Audio || type.subtype != QLatin1String("PCM") ||
        type.samplesPerSec < 1000 || type.samplesPerSec > 192000 || type.channels < 1 ||
        type.channels > 8 ||
        (type.bitsPerSample != 0 && type.bitsPerSample != 8 && type.bitsPerSample != 16 &&
         type.bitsPerSample != 24 && type.bitsPerSample != 32))
        return E_INVALIDARG;
    // 0 bits means "any size": 16 bit is the size every consumer takes.
    const int bits = type.bitsPerSample == 0 ? 16 : type.bitsPerSample;
    GstCaps* caps =
        gst_caps_new_simple("audio/x-raw", "format", G_TYPE_STRING, detail::PcmFormat(bits),
                            "layout", G_TYPE_STRING, "interleaved", "rate", G_TYPE_INT,
                            type.samplesPerSec, "channels", G_TYPE_INT, type.channels, nullptr);
    g_object_set(format_, "caps", caps, nullptr);
    gst_caps_unref(caps);
    chosen_ = MediaType::Pcm(type.samplesPerSec, type.channels, bits);
    return S_OK;
}

HRESULT PcmCompressorFilter::GetFormat(MediaType& type) const {
    if (chosen_.majorType != MajorType::Audio)
        return VFW_E_NOT_CONNECTED;
    type = chosen_;
    return S_OK;
}

// --- LAME -----------------------------------------------------------------------------------

LameEncoderFilter::LameEncoderFilter()
    : GstFilter(EmptyBin("audio/x-raw", "audio/mpeg"), ChainClsid::LameEncoder) {}

HRESULT LameEncoderFilter::Store(std::uint32_t& field, std::uint32_t value, bool valid) {
    if (built_)
        return VFW_E_WRONG_STATE;
    if (!valid)
        return E_INVALIDARG;
    field = value;
    return S_OK;
}

HRESULT LameEncoderFilter::SetBitrate(std::uint32_t kbps) {
    return Store(settings_.bitrateKbps, kbps, kbps >= 8 && kbps <= 320);
}
HRESULT LameEncoderFilter::GetBitrate(std::uint32_t& kbps) const {
    kbps = settings_.bitrateKbps;
    return S_OK;
}
HRESULT LameEncoderFilter::SetVariable(std::uint32_t on) {
    return Store(settings_.variable, on ? 1 : 0);
}
HRESULT LameEncoderFilter::GetVariable(std::uint32_t& on) const {
    on = settings_.variable;
    return S_OK;
}
HRESULT LameEncoderFilter::SetVariableMin(std::uint32_t kbps) {
    return Store(settings_.variableMinKbps, kbps, kbps <= 320);
}
HRESULT LameEncoderFilter::SetVariableMax(std::uint32_t kbps) {
    return Store(settings_.variableMaxKbps, kbps, kbps <= 320);
}
HRESULT LameEncoderFilter::SetVariableQuality(std::uint32_t quality) {
    return Store(settings_.variableQuality, quality, quality <= 9);
}
HRESULT LameEncoderFilter::SetChannelMode(std::uint32_t mode) {
    return Store(settings_.channelMode, mode, mode <= 3);
}
HRESULT LameEncoderFilter::GetChannelMode(std::uint32_t& mode) const {
    mode = settings_.channelMode;
    return S_OK;
}
HRESULT LameEncoderFilter::SetCRCFlag(std::uint32_t on) {
    return Store(settings_.crc, on ? 1 : 0);
}
HRESULT LameEncoderFilter::SetOriginalFlag(std::uint32_t on) {
    return Store(settings_.original, on ? 1 : 0);
}
HRESULT LameEncoderFilter::SetCopyrightFlag(std::uint32_t on) {
    return Store(settings_.copyright, on ? 1 : 0);
}
HRESULT LameEncoderFilter::SetEnforceVBRmin(std::uint32_t on) {
    return Store(settings_.enforceVbrMin, on ? 1 : 0);
}
HRESULT LameEncoderFilter::SetVoiceMode(std::uint32_t on) {
    return Store(settings_.voice, on ? 1 : 0);
}
HRESULT LameEncoderFilter::SetKeepAllFreq(std::uint32_t on) {
    return Store(settings_.keepAllFreq, on ? 1 : 0);
}
HRESULT LameEncoderFilter::SetStrictISOCompliance(std::uint32_t on) {
    return Store(settings_.strictIso, on ? 1 : 0);
}
HRESULT LameEncoderFilter::SetNoShortBlock(std::uint32_t on) {
    return Store(settings_.noShortBlock, on ? 1 : 0);
}
HRESULT LameEncoderFilter::SetXingTag(std::uint32_t on) {
    return Store(settings_.xingTag, on ? 1 : 0);
}
HRESULT LameEncoderFilter::SetForceMono(std::uint32_t on) {
    return Store(settings_.forceMono, on ? 1 : 0);
}
HRESULT LameEncoderFilter::SetModeFixed(std::uint32_t on) {
    return Store(settings_.modeFixed, on ? 1 : 0);
}
HRESULT LameEncoderFilter::SetSampleRate(std::uint32_t hz) {
    static const std::uint32_t kMp3Rates[] = {0,     8000,  11025, 12000, 16000,
                                              22050, 24000, 32000, 44100, 48000};
    bool valid = false;
    for (std::uint32_t r : kMp3Rates)
        valid = valid || r == hz;
    return Store(settings_.sampleRateHz, hz, valid);
}

HRESULT LameEncoderFilter::PrepareForConnect(detail::GstPin* pin) {
    if (pin->Direction() == PinDirection::Output)
        return Build();
    return built_ ? VFW_E_WRONG_STATE : S_OK;
}

HRESULT LameEncoderFilter::PrepareForRun() {
    return Build();
}

HRESULT LameEncoderFilter::Build() {
    if (built_)
        return buildResult_;
    built_ = true;
    GstElement* bin = Element();
    GstElement* convert = gst_element_factory_make("audioconvert", nullptr);
    GstElement* resample = gst_element_factory_make("audioresample", nullptr);
    GstElement* format = gst_element_factory_make("capsfilter", nullptr);
    GstElement* encoder = gst_element_factory_make("lamemp3enc", nullptr);
    // Left alone the encoder may lower the rate for low bit rates: the asked rate is the
    // output's.
    GstElement* encoded = gst_element_factory_make("capsfilter", nullptr);
    GstElement* parser = gst_element_factory_make("mpegaudioparse", nullptr);
    // Without a Xing header, players read a VBR file's length and seek points from its first
    // frame's rate: always write one when the rate varies (a CBR file only when asked
    // for).
    const bool header = settings_.xingTag || settings_.variable;
    GstElement* xing = header ? gst_element_factory_make("xingmux", nullptr) : nullptr;
    GstElement* all[] = {convert, resample, format, encoder, encoded, parser, xing};
    const int count = header ? 7 : 6;
    for (int i = 0; i < count; ++i) {
        if (!all[i]) {
            for (GstElement* e : all)
                if (e)
                    gst_object_unref(gst_object_ref_sink(e));
            return buildResult_ = E_FAIL;
        }
    }

    const bool mono = settings_.channelMode == 3 || settings_.forceMono;
    GstCaps* caps =
        gst_caps_new_simple("audio/x-raw", "channels", G_TYPE_INT, mono ? 1 : 2, nullptr);
    if (settings_.sampleRateHz > 0)
        gst_caps_set_simple(caps, "rate", G_TYPE_INT, int(settings_.sampleRateHz), nullptr);
    g_object_set(format, "caps", caps, nullptr);
    gst_caps_unref(caps);
    GstCaps* output = gst_caps_new_empty_simple("audio/mpeg");
    if (settings_.sampleRateHz > 0)
        gst_caps_set_simple(output, "rate", G_TYPE_INT, int(settings_.sampleRateHz), nullptr);
    g_object_set(encoded, "caps", output, nullptr);
    gst_caps_unref(output);

    if (settings_.variable) {
        gst_util_set_object_arg(G_OBJECT(encoder), "target", "quality");
        g_object_set(encoder, "quality", gfloat(settings_.variableQuality), "cbr", FALSE, nullptr);
    } else {
        gst_util_set_object_arg(G_OBJECT(encoder), "target", "bitrate");
        g_object_set(encoder, "bitrate", int(settings_.bitrateKbps), "cbr", TRUE, nullptr);
    }
    g_object_set(encoder, "mono", gboolean(mono), nullptr);

    GstElement* last = nullptr;
    for (int i = 0; i < count; ++i) {
        gst_bin_add(GST_BIN(bin), all[i]);
        if (last && !gst_element_link(last, all[i]))
            return buildResult_ = E_FAIL;
        last = all[i];
    }
    detail::GstRef<GstPad> sinkGhost(gst_element_get_static_pad(bin, "sink"));
    detail::GstRef<GstPad> srcGhost(gst_element_get_static_pad(bin, "src"));
    detail::GstRef<GstPad> sink(gst_element_get_static_pad(convert, "sink"));
    detail::GstRef<GstPad> src(gst_element_get_static_pad(last, "src"));
    if (!gst_ghost_pad_set_target(GST_GHOST_PAD(sinkGhost.get()), sink.get()) ||
        !gst_ghost_pad_set_target(GST_GHOST_PAD(srcGhost.get()), src.get()))
        return buildResult_ = E_FAIL;
    GstState state = GST_STATE_NULL;
    gst_element_get_state(bin, &state, nullptr, 0);
    if (state != GST_STATE_NULL)
        gst_bin_sync_children_states(GST_BIN(bin));
    RefreshPins();
    return buildResult_ = S_OK;
}

// --- Vorbis ---------------------------------------------------------------------------------

VorbisEncoderFilter::VorbisEncoderFilter()
    : GstFilter(ParseBin("audioconvert ! audioresample ! vorbisenc name=encoder"),
                ChainClsid::VorbisEncoder) {
    encoder_ = Child(Element(), "encoder");
    values_[QStringLiteral("avgbitrate")] = -1;
    values_[QStringLiteral("minbitrate")] = -1;
    values_[QStringLiteral("maxbitrate")] = -1;
    values_[QStringLiteral("quality")] = 0.3;
}

HRESULT VorbisEncoderFilter::Read(const QString& name, QVariant& value) const {
    auto it = values_.find(name.toLower());
    if (it == values_.end())
        return E_INVALIDARG;
    value = *it;
    return S_OK;
}

HRESULT VorbisEncoderFilter::Write(const QString& name, const QVariant& value) {
    if (!encoder_)
        return E_FAIL;
    const QString key = name.toLower();
    if (!values_.contains(key))
        return E_INVALIDARG;
    bool ok = false;
    if (key == QLatin1String("quality")) {
        const double q = value.toDouble(&ok);
        if (!ok)
            return E_INVALIDARG;
        // -1 switches quality mode off; the bit rates then decide.
        if (q != -1.0) {
            if (q < -0.1 || q > 1.0)
                return E_INVALIDARG;
            g_object_set(encoder_, "quality", gfloat(q), nullptr);
        }
        values_[key] = q;
        return S_OK;
    }
    const int kbps = value.toInt(&ok);
    if (!ok || kbps < -1 || kbps > 250)
        return E_INVALIDARG;
    const int bps = kbps <= 0 ? -1 : kbps * 1000;
    const char* property = key == QLatin1String("avgbitrate")   ? "bitrate"
                           : key == QLatin1String("minbitrate") ? "min-bitrate"
                                                                : "max-bitrate";
    g_object_set(encoder_, property, bps, nullptr);
    values_[key] = kbps;
    return S_OK;
}

} // namespace media
