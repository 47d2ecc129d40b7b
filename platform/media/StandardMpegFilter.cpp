#include "platform/media/StandardMpegFilter.h"

#include "platform/media/FilterRegistry.h"
#include "platform/media/StandardMpegPlan.h"

#include <gst/gst.h>

namespace media {

using namespace StandardMpeg;

namespace {

GstElement* Make(const char* factory) {
    return gst_element_factory_make(factory, nullptr);
}

/// Our libavcodec encoder when present; the stock elements otherwise.
GstElement* MakeAvcodecVideoEncoder(const char* codec, int kbps, int minKbps, int maxKbps,
                                    int gop) {
    if (GstElement* enc = Make("rvavcodecvenc")) {
        gst_util_set_object_arg(G_OBJECT(enc), "codec", codec);
        g_object_set(enc, "bitrate", kbps, nullptr);
        if (g_object_class_find_property(G_OBJECT_GET_CLASS(enc), "min-bitrate"))
            g_object_set(enc, "min-bitrate", minKbps, "max-bitrate", maxKbps, nullptr);
        if (gop > 0 && g_object_class_find_property(G_OBJECT_GET_CLASS(enc), "gop-size"))
            g_object_set(enc, "gop-size", gop, nullptr);
        return enc;
    }
    const QByteArray name = QByteArray("avenc_") + (qstrcmp(codec, "flv1") == 0 ? "flv" : codec);
    if (GstElement* enc = Make(name.constData())) {
        g_object_set(enc, "bitrate", kbps * 1000, nullptr);
        return enc;
    }
    return nullptr;
}

GstElement* MakeCapsFilter(GstCaps* caps) {
    GstElement* f = Make("capsfilter");
    g_object_set(f, "caps", caps, nullptr);
    gst_caps_unref(caps);
    return f;
}

} // namespace

StandardMpegFilter::StandardMpegFilter()
    : GstFilter(gst_bin_new(nullptr), Clsid::StandardMpeg) {
    GstElement* bin = Element();
    GstCaps* videoCaps = gst_caps_from_string("video/x-raw");
    GstCaps* audioCaps = gst_caps_from_string("audio/x-raw");
    GstPadTemplate* vt = gst_pad_template_new("video", GST_PAD_SINK, GST_PAD_ALWAYS, videoCaps);
    GstPadTemplate* at = gst_pad_template_new("audio", GST_PAD_SINK, GST_PAD_ALWAYS, audioCaps);
    gst_caps_unref(videoCaps);
    gst_caps_unref(audioCaps);
    gst_element_add_pad(bin, gst_ghost_pad_new_no_target_from_template("video", vt));
    gst_element_add_pad(bin, gst_ghost_pad_new_no_target_from_template("audio", at));
    gst_element_add_pad(bin, gst_ghost_pad_new_no_target("src", GST_PAD_SRC));
    gst_object_unref(vt);
    gst_object_unref(at);
    RefreshPins();
}

HRESULT StandardMpegFilter::GetSettings(IStandardMPEGSettings*& settings) {
    settings = this;
    return S_OK;
}

HRESULT StandardMpegFilter::SetOutputFormat(std::int32_t outputFormat, std::int32_t constraint) {
    if (built_ || !IsKnownOutputFormat(outputFormat) || constraint < ConNone || constraint > ConHd)
        return E_INVALIDARG;
    settings_.outputFormat = outputFormat;
    settings_.constraint = constraint;
    return S_OK;
}

#define RV_SETTER(Method, field, check)                                                            \
    HRESULT StandardMpegFilter::Method(std::int32_t value) {                                       \
        if (built_ || !(check))                                                                    \
            return E_INVALIDARG;                                                                   \
        settings_.field = value;                                                                   \
        return S_OK;                                                                               \
    }
RV_SETTER(SetAudioFormat, audioFormat,
          value == AudNone || value == AudMpeg || (value >= AudAc3 && value <= AudAac))
RV_SETTER(SetVideoFormat, videoFormat,
          value == VidNone || (value >= VidMpeg1 && value <= VidMpeg4) || value == VidFlv)
RV_SETTER(SetWidth, width, value >= 0 && value <= 8192)
RV_SETTER(SetHeight, height, value >= 0 && value <= 8192)
RV_SETTER(SetVideoBitrate, videoBitrate, value >= 0)
RV_SETTER(SetVideoBitrateMin, videoBitrateMin, value >= 0)
RV_SETTER(SetVideoBitrateMax, videoBitrateMax, value >= 0)
RV_SETTER(SetAudioBitrate, audioBitrate, value >= 0)
RV_SETTER(SetVideoBitrateMode, bitrateMode, value == ModeCbr || value == ModeMvbr)
RV_SETTER(SetVBVBufferSize, vbvBufferSize, value >= 0)
RV_SETTER(SetAudioSampleRate, audioSampleRate, value >= 0 && value <= 192000)
RV_SETTER(SetAudioChannels, audioChannels, value >= 0 && value <= 8)
#undef RV_SETTER

HRESULT StandardMpegFilter::SetFrameRate(double framesPerSecond) {
    if (built_ || !(framesPerSecond >= 0 && framesPerSecond <= 1000))
        return E_INVALIDARG;
    settings_.frameRate = framesPerSecond;
    return S_OK;
}

HRESULT StandardMpegFilter::PrepareForConnect(detail::GstPin* pin) {
    if (pin->Direction() == PinDirection::Output)
        return Build();
    return built_ ? VFW_E_WRONG_STATE : S_OK;
}

HRESULT StandardMpegFilter::PrepareForRun() {
    const HRESULT hr = Build();
    if (Failed(hr)) {
        // Let the run end with a message instead of running a graph that can never finish.
        GError* error = g_error_new_literal(GST_CORE_ERROR, GST_CORE_ERROR_NOT_IMPLEMENTED,
                                            buildError_.toUtf8().constData());
        gst_element_post_message(
            Element(), gst_message_new_error(GST_OBJECT(Element()), error, "Standard MPEG"));
        g_error_free(error);
        return S_OK;
    }
    return hr;
}

HRESULT StandardMpegFilter::Build() {
    if (built_)
        return buildResult_;
    built_ = true;
    GstElement* bin = Element();
    GstPad* videoGhost = gst_element_get_static_pad(bin, "video");
    GstPad* audioGhost = gst_element_get_static_pad(bin, "audio");
    GstPad* srcGhost = gst_element_get_static_pad(bin, "src");
    const bool haveVideo = gst_pad_is_linked(videoGhost);
    const bool haveAudio = gst_pad_is_linked(audioGhost);

    const StandardMpegPlan plan = PlanStandardMpeg(settings_);
    auto fail = [&](const QString& why) {
        buildError_ = why;
        buildResult_ = E_NOTIMPL;
        gst_object_unref(videoGhost);
        gst_object_unref(audioGhost);
        gst_object_unref(srcGhost);
        return buildResult_;
    };
    if (!plan.error.isEmpty())
        return fail(plan.error);

    GstElement* mux = Make(plan.muxer);
    if (!mux)
        return fail(QStringLiteral("Standard MPEG: the %1 multiplexer is not installed")
                        .arg(QString::fromLatin1(plan.muxer)));
    if (plan.muxerIsFaststart)
        g_object_set(mux, "faststart", TRUE, nullptr);
    gst_bin_add(GST_BIN(bin), mux);

    // Chains a list of elements inside the bin and returns false when any is missing.
    auto chain = [&](std::initializer_list<GstElement*> elements, GstPad* ghost,
                     const char* muxPad) {
        GstElement* previous = nullptr;
        for (GstElement* e : elements) {
            if (!e)
                return false;
            gst_bin_add(GST_BIN(bin), e);
            if (previous && !gst_element_link(previous, e))
                return false;
            previous = e;
        }
        GstElement* first = *elements.begin();
        GstPad* sink = gst_element_get_static_pad(first, "sink");
        gst_ghost_pad_set_target(GST_GHOST_PAD(ghost), sink);
        gst_object_unref(sink);
        if (!muxPad)
            return true;
        GstPad* src = gst_element_get_static_pad(previous, "src");
        GstPad* target = gst_element_request_pad_simple(mux, muxPad);
        const bool linked = target && gst_pad_link(src, target) == GST_PAD_LINK_OK;
        gst_object_unref(src);
        if (target)
            gst_object_unref(target);
        return linked;
    };

    auto queue = [] {
        GstElement* q = Make("queue");
        g_object_set(q, "max-size-buffers", 0u, "max-size-bytes", 0u, "max-size-time",
                     guint64(3 * GST_SECOND), nullptr);
        return q;
    };

    if (haveVideo) {
        if (plan.video == PlannedVideo::None) {
            GstElement* sink = Make("fakesink");
            g_object_set(sink, "sync", FALSE, "async", FALSE, nullptr);
            if (!chain({sink}, videoGhost, nullptr))
                return fail(QStringLiteral("Standard MPEG: cannot discard the video"));
        } else {
            GstCaps* caps =
                gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "I420",
                                    "pixel-aspect-ratio", GST_TYPE_FRACTION, 1, 1, nullptr);
            if (plan.width > 0 && plan.height > 0)
                gst_caps_set_simple(caps, "width", G_TYPE_INT, plan.width, "height", G_TYPE_INT,
                                    plan.height, nullptr);
            else if (plan.maxWidth > 0)
                gst_caps_set_simple(caps, "width", GST_TYPE_INT_RANGE, 16, plan.maxWidth, "height",
                                    GST_TYPE_INT_RANGE, 16, plan.maxHeight, nullptr);
            if (plan.fpsN > 0)
                gst_caps_set_simple(caps, "framerate", GST_TYPE_FRACTION, plan.fpsN, plan.fpsD,
                                    nullptr);
            GstElement* encoder = nullptr;
            GstElement* parser = nullptr;
            const int kbps = plan.videoKbps;
            switch (plan.video) {
            case PlannedVideo::H264: {
                encoder = Make("x264enc");
                if (encoder) {
                    // B-frames and a one-second buffer, as the encoder's own presets use; the
                    // element's defaults (none, 600 ms) cost several dB at the same rate.
                    // A baseline profile downstream turns the B-frames off again.
                    g_object_set(encoder, "bitrate", guint(kbps), "key-int-max", guint(plan.gop),
                                 "bframes", 3u, "vbv-buf-capacity", 1000u, nullptr);
                    gst_util_set_object_arg(G_OBJECT(encoder), "speed-preset", "faster");
                    if (plan.maxKbps > 0) {
                        const QByteArray options = QStringLiteral("vbv-maxrate=%1:vbv-bufsize=%2")
                                                       .arg(plan.maxKbps)
                                                       .arg(plan.maxKbps * 2)
                                                       .toLatin1();
                        g_object_set(encoder, "option-string", options.constData(), nullptr);
                    }
                }
                parser = Make("h264parse");
                break;
            }
            case PlannedVideo::Mpeg1:
                encoder = MakeAvcodecVideoEncoder("mpeg1video", kbps, plan.minKbps, plan.maxKbps,
                                                  plan.gop);
                parser = Make("mpegvideoparse");
                break;
            case PlannedVideo::Mpeg2:
                encoder = MakeAvcodecVideoEncoder("mpeg2video", kbps, plan.minKbps, plan.maxKbps,
                                                  plan.gop);
                parser = Make("mpegvideoparse");
                break;
            case PlannedVideo::Mpeg4Part2:
                encoder =
                    MakeAvcodecVideoEncoder("mpeg4", kbps, plan.minKbps, plan.maxKbps, plan.gop);
                parser = Make("mpeg4videoparse");
                break;
            case PlannedVideo::Flv1:
                encoder =
                    MakeAvcodecVideoEncoder("flv1", kbps, plan.minKbps, plan.maxKbps, plan.gop);
                parser = Make("identity");
                break;
            case PlannedVideo::None:
                break;
            }
            GstElement* profile = nullptr;
            if (plan.video == PlannedVideo::H264)
                profile = MakeCapsFilter(gst_caps_from_string(
                    plan.h264Baseline ? "video/x-h264,profile=constrained-baseline"
                                      : "video/x-h264"));
            else
                profile = Make("identity");
            // MPEG-1/2 take only their standard rates: videorate lets a clip at any other rate
            // reach one.
            const bool standardRatesOnly =
                plan.video == PlannedVideo::Mpeg1 || plan.video == PlannedVideo::Mpeg2;
            GstElement* rate =
                plan.fpsN > 0 || standardRatesOnly ? Make("videorate") : Make("identity");
            // Scale only when a size is asked for: a free scaler lets the encoder's preferred
            // size range win over the input's own size.
            GstElement* scale =
                plan.width > 0 || plan.maxWidth > 0 ? Make("videoscale") : Make("identity");
            if (!chain({Make("videoconvert"), scale, rate, MakeCapsFilter(caps), encoder, profile,
                        parser, queue()},
                       videoGhost, plan.muxVideoPad))
                return fail(QStringLiteral(
                    "Standard MPEG: the video encoder for this format is not available"));
        }
    }

    if (haveAudio) {
        if (plan.audio == PlannedAudio::None) {
            GstElement* sink = Make("fakesink");
            g_object_set(sink, "sync", FALSE, "async", FALSE, nullptr);
            if (!chain({sink}, audioGhost, nullptr))
                return fail(QStringLiteral("Standard MPEG: cannot discard the audio"));
        } else {
            GstCaps* caps = gst_caps_new_simple("audio/x-raw", "rate", G_TYPE_INT, plan.sampleRate,
                                                "channels", G_TYPE_INT, plan.channels, nullptr);
            if (plan.audio == PlannedAudio::Pcm)
                gst_caps_set_simple(caps, "format", G_TYPE_STRING, plan.pcmFormat, nullptr);
            GstElement* encoder = nullptr;
            GstElement* encoded = nullptr; // what the encoder's output must be
            GstElement* parser = nullptr;
            switch (plan.audio) {
            case PlannedAudio::Mp2:
                encoder = Make("avenc_mp2");
                if (encoder)
                    g_object_set(encoder, "bitrate", plan.audioBitrate, nullptr);
                parser = Make("mpegaudioparse");
                break;
            case PlannedAudio::Mp3:
                encoder = Make("lamemp3enc");
                if (encoder)
                    g_object_set(encoder, "target", 1, "bitrate", plan.audioBitrate / 1000, "cbr",
                                 TRUE, nullptr);
                // Left alone the encoder lowers the rate for low bit rates (96 kbit/s stereo
                // becomes 32000 Hz): the asked rate is the output's.
                encoded = MakeCapsFilter(gst_caps_new_simple("audio/mpeg", "rate", G_TYPE_INT,
                                                             plan.sampleRate, nullptr));
                parser = Make("mpegaudioparse");
                break;
            case PlannedAudio::Ac3:
                encoder = Make("avenc_ac3");
                if (encoder)
                    g_object_set(encoder, "bitrate", plan.audioBitrate, nullptr);
                parser = Make("identity");
                break;
            case PlannedAudio::Aac:
                encoder = Make("avenc_aac");
                if (encoder)
                    g_object_set(encoder, "bitrate", plan.audioBitrate, nullptr);
                parser = Make("aacparse");
                break;
            case PlannedAudio::Pcm:
                encoder = Make("identity");
                parser = Make("identity");
                break;
            case PlannedAudio::None:
                break;
            }
            if (!encoded)
                encoded = Make("identity");
            if (!chain({Make("audioconvert"), Make("audioresample"), MakeCapsFilter(caps), encoder,
                        encoded, parser, queue()},
                       audioGhost, plan.muxAudioPad))
                return fail(QStringLiteral(
                    "Standard MPEG: the audio encoder for this format is not available"));
        }
    }

    GstPad* muxSrc = gst_element_get_static_pad(mux, "src");
    gst_ghost_pad_set_target(GST_GHOST_PAD(srcGhost), muxSrc);
    gst_object_unref(muxSrc);
    gst_object_unref(videoGhost);
    gst_object_unref(audioGhost);
    gst_object_unref(srcGhost);
    RefreshPins();
    buildResult_ = S_OK;
    return S_OK;
}

} // namespace media
