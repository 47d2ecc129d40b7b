#include "platform/media/WmAsfWriter.h"

#include <QFile>

#include <gst/gst.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace media {

namespace {

constexpr std::uint32_t kDefaultBufferWindowMs = 5000;
/// libavcodec's one-pass rate control may spend its whole buffer at the start: a buffer as long
/// as the profile's window (5 s) lets a short file come out far above its rate. These keep the
/// rate of short files too; a stream that fits them fits the profile's window.
constexpr std::uint32_t kCbrBufferMs = 500;
constexpr std::uint32_t kVbrBufferMs = 1000;
constexpr int kDefaultKeySeconds = 8;
/// The lowest rate libavcodec's Windows Media Audio encoder makes.
constexpr int kLowestAudioRate = 24000;
/// How far ahead of the other streams one stream may run into the multiplexer: the
/// multiplexer waits for every input, so its queues are bounded by time, never by count.
constexpr guint64 kMuxQueueTime = 10 * GST_SECOND;

/// The frame rate of a frame time, as the fraction players expect (30000/1001, not 29.97).
void FrameRateOf(std::int64_t frameTime100ns, int& n, int& d) {
    for (int fps = 1; fps <= 240; ++fps) {
        if (std::llabs(std::llround(1e7 / fps) - frameTime100ns) <= 1) {
            n = fps;
            d = 1;
            return;
        }
        if (std::llabs(std::llround(1e7 * 1001 / (fps * 1000.0)) - frameTime100ns) <= 1) {
            n = fps * 1000;
            d = 1001;
            return;
        }
    }
    gst_util_double_to_fraction(1e7 / double(frameTime100ns), &n, &d);
}

/// Quality 0..100 onto the encoder's quantiser 31..1.
int QscaleForQuality(std::uint32_t quality) {
    return std::clamp(int(std::lround(31.0 - quality * 0.3)), 1, 31);
}

QString AudioCodecName(std::uint32_t tag) {
    switch (tag) {
    case WMTag::Voice:
        return QStringLiteral("Windows Media Audio Voice");
    case WMTag::Wma1:
        return QStringLiteral("Windows Media Audio 1");
    case WMTag::Wma2:
        return QStringLiteral("Windows Media Audio 2/9");
    case WMTag::WmaPro:
        return QStringLiteral("Windows Media Audio Professional");
    case WMTag::WmaLossless:
        return QStringLiteral("Windows Media Audio Lossless");
    default:
        return QString();
    }
}

void PlanVideo(const WMStreamConfig& s, AsfStreamPlan& p) {
    const WMVideoInfo& v = s.MediaType().video;
    const std::uint32_t fourcc =
        v.compression ? v.compression : WMTagOfSubtype(s.MediaType().subtype);
    p.asked = WMFourccText(fourcc);
    static const std::uint32_t kKnown[] = {WMFourcc("WMV1"), WMFourcc("WMV2"), WMFourcc("WMV3"),
                                           WMFourcc("WMVA"), WMFourcc("WVC1"), WMFourcc("MSS1"),
                                           WMFourcc("MSS2"), WMFourcc("WMVP")};
    if (std::find(std::begin(kKnown), std::end(kKnown), fourcc) == std::end(kKnown)) {
        p.error = QStringLiteral("video stream %1 asks for the codec \"%2\", which is not a "
                                 "Windows Media Video codec")
                      .arg(s.StreamNumber())
                      .arg(p.asked.trimmed());
        return;
    }
    p.encoder = fourcc == WMFourcc("WMV1") ? QStringLiteral("wmv1") : QStringLiteral("wmv2");
    if (fourcc != WMFourcc("WMV1") && fourcc != WMFourcc("WMV2"))
        p.approximations
            << QStringLiteral("%1 is encoded as WMV2 (Windows Media Video 8)").arg(p.asked);
    p.width = v.width;
    p.height = std::abs(v.height);
    if (p.width % 2 || p.height % 2 || p.width > 4096 || p.height > 4096) {
        p.error = QStringLiteral("video stream %1: %2x%3 cannot be encoded (even sizes up to "
                                 "4096x4096)")
                      .arg(s.StreamNumber())
                      .arg(p.width)
                      .arg(p.height);
        return;
    }
    FrameRateOf(v.avgTimePerFrame, p.fpsN, p.fpsD);

    const bool vbr = s.PropertyOr(WMProperty::VbrEnabled, 0) != 0;
    const std::uint32_t bitrate = s.Bitrate() ? s.Bitrate() : v.bitRate;
    const std::uint32_t peak = s.PropertyOr(WMProperty::PeakBitrate, 0);
    const std::uint32_t peakWindow = s.PropertyOr(WMProperty::PeakBufferWindow, 0);
    const std::uint32_t window = s.BufferWindow() == 0xFFFFFFFF || s.BufferWindow() == 0
                                     ? kDefaultBufferWindowMs
                                     : s.BufferWindow();
    // Quality-based streams carry their quality and no rate of their own.
    if (vbr && (s.PropertyOr(WMProperty::VbrQuality, 0) > 0 || s.Bitrate() == 0)) {
        const std::uint32_t quality = s.PropertyOr(WMProperty::VbrQuality, 75);
        p.qscale = QscaleForQuality(quality);
        p.approximations << QStringLiteral("quality-based VBR %1 is a fixed quantiser %2")
                                .arg(quality)
                                .arg(p.qscale);
    } else if (bitrate == 0) {
        p.error = QStringLiteral("video stream %1 has no bit rate").arg(s.StreamNumber());
        return;
    } else {
        p.kbps = int(std::max<std::uint32_t>(1, (bitrate + 500) / 1000));
        if (!vbr) {
            p.maxKbps = p.kbps;
            p.bufferKbit = int(std::uint64_t(p.kbps) * std::min(window, kCbrBufferMs) / 1000);
            if (window > kCbrBufferMs)
                p.approximations << QStringLiteral("the %1 ms buffer window is held to %2 ms")
                                        .arg(window)
                                        .arg(kCbrBufferMs);
        } else if (peak > 0) {
            p.maxKbps = int(std::max<std::uint32_t>(std::uint32_t(p.kbps), (peak + 500) / 1000));
            const std::uint32_t peakMs = peakWindow > 0 ? peakWindow : window;
            p.bufferKbit = int(std::uint64_t(p.maxKbps) * peakMs / 1000);
            p.approximations << QStringLiteral(
                                    "two-pass peak-constrained VBR is one pass, %1 kbit/s "
                                    "on average with peaks up to %2 kbit/s")
                                    .arg(p.kbps)
                                    .arg(p.maxKbps);
        } else {
            p.maxKbps = p.kbps;
            p.bufferKbit = int(std::uint64_t(p.kbps) * kVbrBufferMs / 1000);
            p.approximations << QStringLiteral("two-pass VBR is one pass at %1 kbit/s over a %2 ms "
                                               "buffer")
                                    .arg(p.kbps)
                                    .arg(kVbrBufferMs);
        }
    }
    std::int64_t spacing = 0;
    s.GetMaxKeyFrameSpacing(spacing);
    const double fps = double(p.fpsN) / p.fpsD;
    p.gopFrames = spacing > 0 ? std::max(1, int(std::lround(spacing * fps / 1e7)))
                              : int(std::lround(kDefaultKeySeconds * fps));
    std::uint32_t quality = 0;
    if (s.GetQuality(quality) == S_OK && !vbr)
        p.approximations
            << QStringLiteral("the smoothness/sharpness setting %1 has no equivalent").arg(quality);
    if (!s.DecoderComplexity.isEmpty())
        p.approximations << QStringLiteral("decoder complexity \"%1\" has no equivalent")
                                .arg(s.DecoderComplexity);
}

void PlanAudio(const WMStreamConfig& s, AsfStreamPlan& p) {
    const WMWaveFormat& w = s.MediaType().wave;
    p.asked = AudioCodecName(w.formatTag);
    if (p.asked.isEmpty()) {
        p.error = QStringLiteral("audio stream %1 has the format tag %2, which is not a Windows "
                                 "Media Audio codec")
                      .arg(s.StreamNumber())
                      .arg(w.formatTag);
        return;
    }
    p.encoder = w.formatTag == WMTag::Wma1 ? QStringLiteral("wmav1") : QStringLiteral("wmav2");
    if (w.formatTag != WMTag::Wma1 && w.formatTag != WMTag::Wma2)
        p.approximations << QStringLiteral("%1 is encoded as Windows Media Audio 2").arg(p.asked);
    p.sampleRate = int(w.samplesPerSec);
    if (p.sampleRate < 8000 || p.sampleRate > 48000) {
        p.error = QStringLiteral("audio stream %1: %2 Hz cannot be encoded (8000 to 48000 Hz)")
                      .arg(s.StreamNumber())
                      .arg(p.sampleRate);
        return;
    }
    p.channels = std::min<int>(w.channels, 2);
    if (w.channels > 2)
        p.approximations << QStringLiteral("%1 channels are mixed down to stereo").arg(w.channels);
    if (w.bitsPerSample > 16)
        p.approximations << QStringLiteral("%1-bit samples are coded from 16-bit precision")
                                .arg(w.bitsPerSample);
    const bool vbr = s.PropertyOr(WMProperty::VbrEnabled, 0) != 0;
    std::uint32_t bps = s.Bitrate() ? s.Bitrate() : w.avgBytesPerSec * 8;
    if (bps == 0) {
        const std::uint32_t quality = s.PropertyOr(WMProperty::VbrQuality, 50);
        bps = quality >= 90 ? 192000 : quality >= 75 ? 128000 : quality >= 50 ? 96000 : 64000;
    }
    if (vbr)
        p.approximations
            << QStringLiteral("VBR audio is constant-rate at %1 kbit/s").arg(bps / 1000);
    p.bitsPerSecond = int(bps);
    if (p.bitsPerSecond < kLowestAudioRate) {
        p.approximations << QStringLiteral("%1 kbit/s is raised to %2 kbit/s, the encoder's lowest")
                                .arg(p.bitsPerSecond / 1000.0)
                                .arg(kLowestAudioRate / 1000);
        p.bitsPerSecond = kLowestAudioRate;
    }
}

GstElement* Make(const char* factory) {
    return gst_element_factory_make(factory, nullptr);
}

GstElement* MuxQueue() {
    GstElement* q = Make("queue");
    if (q)
        g_object_set(q, "max-size-buffers", 0u, "max-size-bytes", 0u, "max-size-time",
                     kMuxQueueTime, nullptr);
    return q;
}

GstElement* CapsFilter(GstCaps* caps) {
    GstElement* f = Make("capsfilter");
    if (f)
        g_object_set(f, "caps", caps, nullptr);
    gst_caps_unref(caps);
    return f;
}

} // namespace

AsfStreamPlan PlanAsfStream(const WMStreamConfig& stream) {
    AsfStreamPlan p;
    p.video = stream.IsVideo();
    if (!stream.HasMediaType()) {
        p.error = QStringLiteral("%1 stream %2 (\"%3\") has no media type: no codec format was "
                                 "found for it")
                      .arg(p.video ? QStringLiteral("video") : QStringLiteral("audio"))
                      .arg(stream.StreamNumber())
                      .arg(stream.StreamName());
        return p;
    }
    if (p.video)
        PlanVideo(stream, p);
    else
        PlanAudio(stream, p);
    if (!p.error.isEmpty())
        p.encoder.clear();
    return p;
}

WMAsfWriterFilter::WMAsfWriterFilter()
    : GstFilter(gst_bin_new(nullptr), WMClsid::AsfWriter) {}

HRESULT WMAsfWriterFilter::SetFileName(const QString& fileName) {
    if (fileName.isEmpty())
        return E_INVALIDARG;
    fileName_ = fileName;
    if (sink_)
        g_object_set(sink_, "location", QFile::encodeName(fileName_).constData(), nullptr);
    return S_OK;
}

HRESULT WMAsfWriterFilter::GetCurFile(QString& fileName) const {
    fileName = fileName_;
    return fileName_.isEmpty() ? E_FAIL : S_OK;
}

HRESULT WMAsfWriterFilter::GetCurrentProfile(WMProfile& profile) const {
    if (!configured_)
        return VFW_E_NOT_FOUND;
    profile = profile_;
    return S_OK;
}

HRESULT WMAsfWriterFilter::ConfigureFilterUsingProfile(const WMProfile& profile) {
    if (configured_)
        return VFW_E_WRONG_STATE;
    auto refuse = [this](const QString& why) {
        configurationError_ = why;
        return E_INVALIDARG;
    };
    if (profile.StreamCount() == 0)
        return refuse(QStringLiteral("the profile has no stream"));
    std::vector<WMStreamConfig> streams = profile.Streams();
    std::stable_sort(streams.begin(), streams.end(), [](const auto& a, const auto& b) {
        return a.StreamNumber() < b.StreamNumber();
    });
    std::vector<AsfStreamPlan> plans;
    for (const WMStreamConfig& s : streams) {
        plans.push_back(PlanAsfStream(s));
        if (!plans.back().error.isEmpty())
            return refuse(plans.back().error);
    }
    GstElement* bin = Element();
    mux_ = Make("asfmux");
    sink_ = Make("filesink");
    if (!mux_ || !sink_)
        return refuse(QStringLiteral("the ASF multiplexer or the file writer is not installed"));
    // A writer must never wait for a clock; it takes data as fast as it comes.
    g_object_set(sink_, "sync", FALSE, "async", FALSE, nullptr);
    if (!fileName_.isEmpty())
        g_object_set(sink_, "location", QFile::encodeName(fileName_).constData(), nullptr);
    gst_bin_add_many(GST_BIN(bin), mux_, sink_, nullptr);
    if (!gst_element_link(mux_, sink_))
        return refuse(QStringLiteral("the ASF multiplexer cannot feed the file writer"));
    int audioPins = 0, videoPins = 0;
    for (std::size_t i = 0; i < streams.size(); ++i) {
        QString why;
        const int number = plans[i].video ? ++videoPins : ++audioPins;
        if (!BuildStream(streams[i], plans[i], number, why))
            return refuse(why);
    }
    RefreshPins();
    profile_ = profile;
    configured_ = true;
    configurationError_.clear();
    return S_OK;
}

bool WMAsfWriterFilter::BuildStream(const WMStreamConfig& stream, const AsfStreamPlan& plan,
                                    int pinNumber, QString& why) {
    GstElement* bin = Element();
    std::vector<GstElement*> chain;
    if (plan.video) {
        GstElement* encoder = Make("rvavcodecvenc");
        if (!encoder) {
            why = QStringLiteral("the Windows Media Video encoder is not available");
            return false;
        }
        gst_util_set_object_arg(G_OBJECT(encoder), "codec", plan.encoder.toLatin1().constData());
        g_object_set(encoder, "gop-size", plan.gopFrames, nullptr);
        if (plan.qscale > 0)
            g_object_set(encoder, "qscale", plan.qscale, nullptr);
        else
            g_object_set(encoder, "bitrate", guint(plan.kbps), "max-bitrate", guint(plan.maxKbps),
                         "buffer-size", guint(plan.bufferKbit), nullptr);
        GstCaps* caps = gst_caps_new_simple(
            "video/x-raw", "format", G_TYPE_STRING, "I420", "width", G_TYPE_INT, plan.width,
            "height", G_TYPE_INT, plan.height, "framerate", GST_TYPE_FRACTION, plan.fpsN, plan.fpsD,
            "pixel-aspect-ratio", GST_TYPE_FRACTION, 1, 1, nullptr);
        chain = {Make("videoconvert"),
                 Make("videoscale"),
                 Make("videorate"),
                 CapsFilter(caps),
                 encoder,
                 MuxQueue()};
    } else {
        GstElement* encoder =
            Make(plan.encoder == QLatin1String("wmav1") ? "avenc_wmav1" : "avenc_wmav2");
        if (!encoder) {
            why = QStringLiteral("the Windows Media Audio encoder is not installed");
            return false;
        }
        g_object_set(encoder, "bitrate", plan.bitsPerSecond, nullptr);
        GstCaps* caps = gst_caps_new_simple("audio/x-raw", "rate", G_TYPE_INT, plan.sampleRate,
                                            "channels", G_TYPE_INT, plan.channels, nullptr);
        chain = {Make("audioconvert"), Make("audioresample"), CapsFilter(caps), encoder,
                 MuxQueue()};
    }
    for (GstElement* e : chain) {
        if (!e) {
            why = QStringLiteral("a converter the writer needs is not installed");
            return false;
        }
        gst_bin_add(GST_BIN(bin), e);
    }
    for (std::size_t i = 1; i < chain.size(); ++i) {
        if (!gst_element_link(chain[i - 1], chain[i])) {
            why =
                QStringLiteral("stream %1 cannot be encoded as set up").arg(stream.StreamNumber());
            return false;
        }
    }
    GstPad* muxPad = gst_element_request_pad_simple(mux_, plan.video ? "video_%u" : "audio_%u");
    GstPad* last = gst_element_get_static_pad(chain.back(), "src");
    const bool linked = muxPad && gst_pad_link(last, muxPad) == GST_PAD_LINK_OK;
    gst_object_unref(last);
    if (muxPad)
        gst_object_unref(muxPad);
    if (!linked) {
        why = QStringLiteral("the ASF multiplexer refused stream %1").arg(stream.StreamNumber());
        return false;
    }
    GstPad* first = gst_element_get_static_pad(chain.front(), "sink");
    const QByteArray name = QStringLiteral("%1 Input %2")
                                .arg(plan.video ? QStringLiteral("Video") : QStringLiteral("Audio"))
                                .arg(pinNumber, 2, 10, QLatin1Char('0'))
                                .toLatin1();
    GstPad* ghost = gst_ghost_pad_new(name.constData(), first);
    gst_object_unref(first);
    gst_element_add_pad(bin, ghost);
    return true;
}

void WMAsfWriterFilter::PostError(const QString& text) {
    GError* error = g_error_new_literal(GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_SETTINGS,
                                        text.toUtf8().constData());
    gst_element_post_message(Element(),
                             gst_message_new_error(GST_OBJECT(Element()), error, "WM Writer"));
    g_error_free(error);
}

HRESULT WMAsfWriterFilter::PrepareForRun() {
    // Refusing here would leave the run without a message; an error on the bus ends it with one.
    if (!configured_) {
        PostError(QStringLiteral("WM Writer: no Windows Media profile was applied"));
        return S_OK;
    }
    if (fileName_.isEmpty()) {
        PostError(QStringLiteral("WM Writer: no output file name"));
        return S_OK;
    }
    // An input nobody feeds would make the multiplexer wait for it forever.
    for (const PinPtr& pin : Pins()) {
        if (pin->Direction() == PinDirection::Input && !pin->ConnectedTo()) {
            PostError(QStringLiteral("WM Writer: the profile's input \"%1\" is not connected")
                          .arg(pin->Name()));
            return S_OK;
        }
    }
    return S_OK;
}

} // namespace media
