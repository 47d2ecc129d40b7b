#include "platform/media/avcodec/AvcodecVideoEncoder.h"

#include "platform/media/avcodec/AvcodecCodecTable.h"

#include <gst/video/gstvideoencoder.h>
#include <gst/video/video.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavcodec/dv_profile.h>
#include <libavutil/imgutils.h>
#include <libavutil/rational.h>
}

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <map>
#include <memory>
#include <string>
#include <vector>

GST_DEBUG_CATEGORY_STATIC(rv_avcodec_venc_debug);
#define GST_CAT_DEFAULT rv_avcodec_venc_debug

using reelvane::avcodec::CodecEntry;
using reelvane::avcodec::CodecKind;

namespace {

enum {
    PROP_0,
    PROP_CODEC,
    PROP_BITRATE,
    PROP_MIN_BITRATE,
    PROP_MAX_BITRATE,
    PROP_BUFFER_SIZE,
    PROP_GOP_SIZE,
    PROP_MAX_B_FRAMES,
    PROP_QSCALE,
    PROP_THREADS,
};

constexpr CodecKind kDefaultCodec = CodecKind::Mpeg2Video;
constexpr guint kDefaultBitrateKbps = 2000;
constexpr gint kDefaultGopSizeFrames = 12;

// Property values; written by the application thread, read by the streaming thread, both
// under the object lock.
struct Settings {
    CodecKind codec = kDefaultCodec;
    guint bitrateKbps = kDefaultBitrateKbps;
    guint minBitrateKbps = 0;
    guint maxBitrateKbps = 0;
    guint bufferSizeKbit = 0;
    gint gopSizeFrames = kDefaultGopSizeFrames;
    gint maxBFrames = 0;
    gint qscale = 0;
    gint threads = 0;
};

struct ContextDeleter {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameDeleter {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketDeleter {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct CodecStateDeleter {
    void operator()(GstVideoCodecState* s) const { gst_video_codec_state_unref(s); }
};

using ContextPtr = std::unique_ptr<AVCodecContext, ContextDeleter>;
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;
using PacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;
using CodecStatePtr = std::unique_ptr<GstVideoCodecState, CodecStateDeleter>;

// Everything the streaming thread owns between set_format and stop.
struct EncoderState {
    ContextPtr context;
    PacketPtr packet{av_packet_alloc()};
    const CodecEntry* entry = nullptr;
    CodecStatePtr input;
    Settings settings;                      // snapshot taken when the context was configured
    bool needsOpen = false;                 // drained or flushed: reopen before the next frame
    std::map<int64_t, guint32> framesByPts; // codec PTS -> system_frame_number
    int64_t lastPts = std::numeric_limits<int64_t>::min();
    GstClockTime lastDts = GST_CLOCK_TIME_NONE;
    std::vector<uint8_t> header; // global header repeated in front of key frames
    bool compressRange = false;  // full-range input: map to 16-235 / 16-240 while copying
    std::array<uint8_t, 256> lumaLut{};
    std::array<uint8_t, 256> chromaLut{};
};

std::string AvError(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

AVColorPrimaries ToAvPrimaries(GstVideoColorPrimaries p) {
    switch (p) {
    case GST_VIDEO_COLOR_PRIMARIES_BT709:
        return AVCOL_PRI_BT709;
    case GST_VIDEO_COLOR_PRIMARIES_BT470BG:
        return AVCOL_PRI_BT470BG;
    case GST_VIDEO_COLOR_PRIMARIES_SMPTE170M:
        return AVCOL_PRI_SMPTE170M;
    default:
        return AVCOL_PRI_UNSPECIFIED;
    }
}

AVColorTransferCharacteristic ToAvTransfer(GstVideoTransferFunction t) {
    switch (t) {
    case GST_VIDEO_TRANSFER_BT709:
        return AVCOL_TRC_BT709;
    case GST_VIDEO_TRANSFER_BT601:
        return AVCOL_TRC_SMPTE170M;
    default:
        return AVCOL_TRC_UNSPECIFIED;
    }
}

void FreePacket(gpointer data) {
    AVPacket* p = static_cast<AVPacket*>(data);
    av_packet_free(&p);
}

} // namespace

struct RvAvcodecVideoEnc {
    GstVideoEncoder parent;
    Settings* settings;  // guarded by the object lock
    EncoderState* state; // streaming thread only
};

struct RvAvcodecVideoEncClass {
    GstVideoEncoderClass parent_class;
};

G_DEFINE_TYPE(RvAvcodecVideoEnc, rv_avcodec_video_enc, GST_TYPE_VIDEO_ENCODER)

namespace {

RvAvcodecVideoEnc* Self(gpointer p) {
    return reinterpret_cast<RvAvcodecVideoEnc*>(p);
}

Settings SnapshotSettings(RvAvcodecVideoEnc* self) {
    GST_OBJECT_LOCK(self);
    Settings s = *self->settings;
    GST_OBJECT_UNLOCK(self);
    return s;
}

GstClockTime TimeFromCodec(const EncoderState& st, int64_t ticks) {
    if (ticks < 0)
        return GST_CLOCK_TIME_NONE;
    const GstVideoInfo& info = st.input->info;
    return gst_util_uint64_scale_round(static_cast<guint64>(ticks), GST_SECOND * info.fps_d,
                                       info.fps_n);
}

int64_t CodecFromTime(const EncoderState& st, GstClockTime t) {
    const GstVideoInfo& info = st.input->info;
    return static_cast<int64_t>(
        gst_util_uint64_scale_round(t, info.fps_n, GST_SECOND * static_cast<guint64>(info.fps_d)));
}

// Configures and opens a context for the current input state and settings snapshot.
// Posts an element error and returns false when libavcodec refuses the combination.
bool OpenContext(RvAvcodecVideoEnc* self) {
    EncoderState& st = *self->state;
    const CodecEntry& entry = *st.entry;
    const Settings& s = st.settings;
    const GstVideoInfo& info = st.input->info;
    st.context.reset();
    st.needsOpen = false;

    const AVCodec* codec = avcodec_find_encoder(entry.codecId);
    if (!codec) {
        GST_ELEMENT_ERROR(self, LIBRARY, INIT,
                          ("This libavcodec has no %s encoder.", entry.description), (nullptr));
        return false;
    }
    if (info.fps_n <= 0 || info.fps_d <= 0) {
        GST_ELEMENT_ERROR(self, CORE, NEGOTIATION,
                          ("%s encoding needs a fixed frame rate.", entry.description),
                          ("caps framerate %d/%d", info.fps_n, info.fps_d));
        return false;
    }
    if (!entry.fixedRate && s.qscale == 0) {
        if (s.maxBitrateKbps > 0 && s.maxBitrateKbps < s.bitrateKbps) {
            GST_ELEMENT_ERROR(self, LIBRARY, SETTINGS,
                              ("The maximum bit rate (%u kbit/s) is below the target (%u kbit/s).",
                               s.maxBitrateKbps, s.bitrateKbps),
                              (nullptr));
            return false;
        }
        if (s.minBitrateKbps > s.bitrateKbps) {
            GST_ELEMENT_ERROR(self, LIBRARY, SETTINGS,
                              ("The minimum bit rate (%u kbit/s) is above the target (%u kbit/s).",
                               s.minBitrateKbps, s.bitrateKbps),
                              (nullptr));
            return false;
        }
    }

    ContextPtr ctx(avcodec_alloc_context3(codec));
    if (!ctx) {
        GST_ELEMENT_ERROR(self, RESOURCE, FAILED, ("Out of memory."), (nullptr));
        return false;
    }
    ctx->width = GST_VIDEO_INFO_WIDTH(&info);
    ctx->height = GST_VIDEO_INFO_HEIGHT(&info);
    ctx->pix_fmt = reelvane::avcodec::ToAvPixelFormat(GST_VIDEO_INFO_FORMAT(&info));
    // One tick per frame: libavcodec's rate control and MPEG's frame-rate code read this.
    ctx->time_base = AVRational{info.fps_d, info.fps_n};
    ctx->framerate = AVRational{info.fps_n, info.fps_d};
    if (info.par_n > 0 && info.par_d > 0)
        ctx->sample_aspect_ratio = AVRational{info.par_n, info.par_d};
    ctx->color_range = AVCOL_RANGE_MPEG;
    ctx->colorspace = info.colorimetry.matrix == GST_VIDEO_COLOR_MATRIX_BT709 ? AVCOL_SPC_BT709
                                                                              : AVCOL_SPC_SMPTE170M;
    ctx->color_primaries = ToAvPrimaries(info.colorimetry.primaries);
    ctx->color_trc = ToAvTransfer(info.colorimetry.transfer);
    ctx->thread_count = s.threads;

    if (GST_VIDEO_INFO_IS_INTERLACED(&info) && entry.interlace) {
        ctx->field_order =
            GST_VIDEO_INFO_FIELD_ORDER(&info) == GST_VIDEO_FIELD_ORDER_BOTTOM_FIELD_FIRST
                ? AV_FIELD_BB
                : AV_FIELD_TT;
        if (entry.kind != CodecKind::DvVideo)
            ctx->flags |= AV_CODEC_FLAG_INTERLACED_DCT | AV_CODEC_FLAG_INTERLACED_ME;
    }
    if (entry.globalHeader)
        ctx->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;

    if (entry.kind == CodecKind::DvVideo) {
        const AVDVProfile* p =
            av_dv_codec_profile2(ctx->width, ctx->height, ctx->pix_fmt, ctx->framerate);
        if (!p || av_cmp_q(av_inv_q(p->time_base), ctx->framerate) != 0) {
            GST_ELEMENT_ERROR(
                self, CORE, NEGOTIATION,
                ("DV has no system for %dx%d %s at %d/%d fps.", ctx->width, ctx->height,
                 gst_video_format_to_string(GST_VIDEO_INFO_FORMAT(&info)), info.fps_n, info.fps_d),
                (nullptr));
            return false;
        }
    } else {
        ctx->gop_size = s.gopSizeFrames;
        if (entry.bFrames)
            ctx->max_b_frames = s.maxBFrames;
        if (s.qscale > 0) {
            ctx->flags |= AV_CODEC_FLAG_QSCALE;
            ctx->global_quality = s.qscale * FF_QP2LAMBDA;
        } else {
            ctx->bit_rate = static_cast<int64_t>(s.bitrateKbps) * 1000;
            ctx->rc_min_rate = static_cast<int64_t>(s.minBitrateKbps) * 1000;
            ctx->rc_max_rate = static_cast<int64_t>(s.maxBitrateKbps) * 1000;
            if (s.bufferSizeKbit > 0) {
                ctx->rc_buffer_size = static_cast<int>(s.bufferSizeKbit * 1000);
            } else if (s.maxBitrateKbps > 0 && entry.kind != CodecKind::Mpeg1Video &&
                       entry.kind != CodecKind::Mpeg2Video && entry.kind != CodecKind::Mpeg4) {
                // libavcodec picks a VBV size for the MPEG family itself; the others need
                // one, and a second at the peak rate keeps the rate control calm.
                ctx->rc_buffer_size = static_cast<int>(s.maxBitrateKbps * 1000);
            }
        }
    }

    const int rc = avcodec_open2(ctx.get(), codec, nullptr);
    if (rc < 0) {
        GST_ELEMENT_ERROR(self, LIBRARY, SETTINGS,
                          ("Could not set up the %s encoder for %dx%d at %d/%d fps.",
                           entry.description, ctx->width, ctx->height, info.fps_n, info.fps_d),
                          ("avcodec_open2: %s (bitrate %u kbit/s, min %u, max %u, buffer %d bit)",
                           AvError(rc).c_str(), s.bitrateKbps, s.minBitrateKbps, s.maxBitrateKbps,
                           ctx->rc_buffer_size));
        return false;
    }
    st.header.assign(ctx->extradata, ctx->extradata + ctx->extradata_size);
    st.context = std::move(ctx);
    GST_INFO_OBJECT(self,
                    "opened %s %dx%d time base %d/%d, bit rate %" G_GINT64_FORMAT
                    ", gop %d, b-frames %d, threads %d",
                    entry.nick, st.context->width, st.context->height, st.context->time_base.num,
                    st.context->time_base.den, st.context->bit_rate, st.context->gop_size,
                    st.context->max_b_frames, st.context->thread_count);
    return true;
}

GstFlowReturn PushPacket(RvAvcodecVideoEnc* self, AVPacket* pkt) {
    EncoderState& st = *self->state;
    GstVideoEncoder* enc = GST_VIDEO_ENCODER(self);

    GstVideoCodecFrame* frame = nullptr;
    if (auto it = st.framesByPts.find(pkt->pts); it != st.framesByPts.end()) {
        frame = gst_video_encoder_get_frame(enc, static_cast<int>(it->second));
        st.framesByPts.erase(it);
    }
    if (!frame) {
        GST_WARNING_OBJECT(self, "packet pts %" G_GINT64_FORMAT " matches no frame", pkt->pts);
        frame = gst_video_encoder_get_oldest_frame(enc);
    }
    if (!frame) {
        av_packet_unref(pkt);
        return GST_FLOW_OK;
    }

    const bool key = (pkt->flags & AV_PKT_FLAG_KEY) != 0;
    const bool prependHeader = key && st.entry->globalHeader && !st.header.empty();
    if (prependHeader) {
        // Stream headers in front of every key frame: decodable from any key frame whatever
        // the container, while codec_data serves the containers that want it out of band.
        const gsize size = st.header.size() + static_cast<gsize>(pkt->size);
        GstBuffer* buf = gst_buffer_new_allocate(nullptr, size, nullptr);
        gst_buffer_fill(buf, 0, st.header.data(), st.header.size());
        gst_buffer_fill(buf, st.header.size(), pkt->data, static_cast<gsize>(pkt->size));
        frame->output_buffer = buf;
    } else {
        AVPacket* owned = av_packet_alloc();
        av_packet_move_ref(owned, pkt);
        frame->output_buffer = gst_buffer_new_wrapped_full(
            GST_MEMORY_FLAG_READONLY, owned->data, static_cast<gsize>(owned->size), 0,
            static_cast<gsize>(owned->size), owned, FreePacket);
    }
    av_packet_unref(pkt);

    if (key)
        GST_VIDEO_CODEC_FRAME_SET_SYNC_POINT(frame);
    else
        GST_VIDEO_CODEC_FRAME_UNSET_SYNC_POINT(frame);

    GstClockTime dts = frame->pts;
    if (st.context->max_b_frames > 0) {
        dts = TimeFromCodec(st, pkt->dts == AV_NOPTS_VALUE ? pkt->pts : pkt->dts);
        // Input timestamps need not sit on the tick grid: keep DTS <= PTS and monotonic.
        if (GST_CLOCK_TIME_IS_VALID(frame->pts) &&
            (!GST_CLOCK_TIME_IS_VALID(dts) || dts > frame->pts))
            dts = frame->pts;
        if (GST_CLOCK_TIME_IS_VALID(st.lastDts) && GST_CLOCK_TIME_IS_VALID(dts) && dts < st.lastDts)
            dts = st.lastDts;
    }
    frame->dts = dts;
    st.lastDts = dts;
    return gst_video_encoder_finish_frame(enc, frame);
}

GstFlowReturn ReceivePackets(RvAvcodecVideoEnc* self) {
    EncoderState& st = *self->state;
    for (;;) {
        const int rc = avcodec_receive_packet(st.context.get(), st.packet.get());
        if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF)
            return GST_FLOW_OK;
        if (rc < 0) {
            GST_ELEMENT_ERROR(self, STREAM, ENCODE, ("%s encoding failed.", st.entry->description),
                              ("avcodec_receive_packet: %s", AvError(rc).c_str()));
            return GST_FLOW_ERROR;
        }
        const GstFlowReturn flow = PushPacket(self, st.packet.get());
        if (flow != GST_FLOW_OK)
            return flow;
    }
}

// Sends end-of-stream to the codec and pushes what it still holds; the context is reopened
// lazily should more frames follow.
GstFlowReturn Drain(RvAvcodecVideoEnc* self) {
    EncoderState& st = *self->state;
    if (!st.context || st.needsOpen)
        return GST_FLOW_OK;
    st.needsOpen = true;
    const int rc = avcodec_send_frame(st.context.get(), nullptr);
    if (rc < 0 && rc != AVERROR_EOF) {
        GST_ELEMENT_ERROR(self, STREAM, ENCODE, ("%s encoding failed.", st.entry->description),
                          ("avcodec_send_frame(flush): %s", AvError(rc).c_str()));
        return GST_FLOW_ERROR;
    }
    return ReceivePackets(self);
}

void PrepareRangeTables(EncoderState& st) {
    st.compressRange = st.input->info.colorimetry.range == GST_VIDEO_COLOR_RANGE_0_255;
    for (int v = 0; v < 256; ++v) {
        st.lumaLut[v] = static_cast<uint8_t>(std::lround(16.0 + v * 219.0 / 255.0));
        st.chromaLut[v] = static_cast<uint8_t>(std::lround(128.0 + (v - 128) * 224.0 / 255.0));
    }
}

bool CopyToAvFrame(const EncoderState& st, const GstVideoFrame& vframe, AVFrame* f) {
    if (av_frame_get_buffer(f, 0) < 0)
        return false;
    for (guint c = 0; c < GST_VIDEO_FRAME_N_COMPONENTS(&vframe) && c < 3; ++c) {
        const auto* src = static_cast<const uint8_t*>(GST_VIDEO_FRAME_COMP_DATA(&vframe, c));
        const int srcStride = GST_VIDEO_FRAME_COMP_STRIDE(&vframe, c);
        const int width =
            GST_VIDEO_FRAME_COMP_WIDTH(&vframe, c) * GST_VIDEO_FRAME_COMP_PSTRIDE(&vframe, c);
        const int height = GST_VIDEO_FRAME_COMP_HEIGHT(&vframe, c);
        if (!st.compressRange) {
            av_image_copy_plane(f->data[c], f->linesize[c], src, srcStride, width, height);
            continue;
        }
        const std::array<uint8_t, 256>& lut = c == 0 ? st.lumaLut : st.chromaLut;
        for (int y = 0; y < height; ++y) {
            const uint8_t* in = src + static_cast<std::ptrdiff_t>(y) * srcStride;
            uint8_t* out = f->data[c] + static_cast<std::ptrdiff_t>(y) * f->linesize[c];
            for (int x = 0; x < width; ++x)
                out[x] = lut[in[x]];
        }
    }
    return true;
}

// --- GstVideoEncoder virtual methods (streaming thread unless noted) ---

gboolean EncStart(GstVideoEncoder* enc) {
    RvAvcodecVideoEnc* self = Self(enc);
    delete self->state;
    self->state = new EncoderState();
    return TRUE;
}

gboolean EncStop(GstVideoEncoder* enc) {
    RvAvcodecVideoEnc* self = Self(enc);
    delete self->state;
    self->state = nullptr;
    return TRUE;
}

gboolean EncSetFormat(GstVideoEncoder* enc, GstVideoCodecState* input) {
    RvAvcodecVideoEnc* self = Self(enc);
    if (!self->state)
        self->state = new EncoderState();
    EncoderState& st = *self->state;
    // Frames of the old format leave with the old settings.
    if (st.context && Drain(self) != GST_FLOW_OK)
        return FALSE;
    st.framesByPts.clear();

    st.settings = SnapshotSettings(self);
    st.entry = &reelvane::avcodec::Entry(st.settings.codec);
    st.input.reset(gst_video_codec_state_ref(input));
    PrepareRangeTables(st);
    if (!OpenContext(self))
        return FALSE;

    GstVideoCodecState* output =
        gst_video_encoder_set_output_state(enc, reelvane::avcodec::MakeSrcCaps(*st.entry), input);
    if (!st.header.empty())
        output->codec_data = gst_buffer_new_memdup(st.header.data(), st.header.size());
    gst_video_codec_state_unref(output);

    const int reorder = st.context->max_b_frames;
    const GstClockTime frameDuration =
        gst_util_uint64_scale(GST_SECOND, input->info.fps_d, input->info.fps_n);
    const GstClockTime latency = frameDuration * static_cast<guint64>(reorder + 1);
    // With B-frames the first DTS lies up to `reorder + 1` frames before the first PTS; the
    // base class shifts timestamps (and the segment, so running times stay put) to make room.
    // Keep the shift small: libavformat-based muxers write buffer timestamps as they are.
    gst_video_encoder_set_min_pts(enc, reorder > 0 ? latency : GST_CLOCK_TIME_NONE);
    gst_video_encoder_set_latency(enc, latency, latency);
    return gst_video_encoder_negotiate(enc);
}

GstFlowReturn EncHandleFrame(GstVideoEncoder* enc, GstVideoCodecFrame* frame) {
    RvAvcodecVideoEnc* self = Self(enc);
    EncoderState* st = self->state;
    if (!st || !st->input) {
        gst_video_codec_frame_unref(frame);
        return GST_FLOW_NOT_NEGOTIATED;
    }
    if ((st->needsOpen || !st->context) && !OpenContext(self)) {
        gst_video_codec_frame_unref(frame);
        return GST_FLOW_ERROR;
    }
    AVCodecContext* ctx = st->context.get();

    FramePtr av(av_frame_alloc());
    av->format = ctx->pix_fmt;
    av->width = ctx->width;
    av->height = ctx->height;
    GstVideoFrame vframe;
    if (!gst_video_frame_map(&vframe, &st->input->info, frame->input_buffer, GST_MAP_READ)) {
        gst_video_codec_frame_unref(frame);
        GST_ELEMENT_ERROR(self, STREAM, FORMAT, ("Could not read an input frame."), (nullptr));
        return GST_FLOW_ERROR;
    }
    const bool copied = CopyToAvFrame(*st, vframe, av.get());
    const GstVideoBufferFlags flags =
        static_cast<GstVideoBufferFlags>(GST_BUFFER_FLAGS(frame->input_buffer));
    gst_video_frame_unmap(&vframe);
    if (!copied) {
        gst_video_codec_frame_unref(frame);
        GST_ELEMENT_ERROR(self, RESOURCE, FAILED, ("Out of memory."), (nullptr));
        return GST_FLOW_ERROR;
    }

    // libavcodec wants strictly increasing ticks; timestamps off the grid or missing are
    // moved to the next free tick.
    int64_t pts =
        GST_CLOCK_TIME_IS_VALID(frame->pts) ? CodecFromTime(*st, frame->pts) : st->lastPts + 1;
    if (st->lastPts != std::numeric_limits<int64_t>::min() && pts <= st->lastPts)
        pts = st->lastPts + 1;
    st->lastPts = pts;
    av->pts = pts;

    if (GST_VIDEO_CODEC_FRAME_IS_FORCE_KEYFRAME(frame))
        av->pict_type = AV_PICTURE_TYPE_I;
    if (st->settings.qscale > 0 && !st->entry->fixedRate)
        av->quality = ctx->global_quality;
    const GstVideoInfo& info = st->input->info;
    if (GST_VIDEO_INFO_IS_INTERLACED(&info)) {
        const bool interlaced =
            GST_VIDEO_INFO_INTERLACE_MODE(&info) == GST_VIDEO_INTERLACE_MODE_INTERLEAVED ||
            (flags & GST_VIDEO_BUFFER_FLAG_INTERLACED) != 0;
        av->interlaced_frame = interlaced ? 1 : 0;
        av->top_field_first =
            GST_VIDEO_INFO_INTERLACE_MODE(&info) == GST_VIDEO_INTERLACE_MODE_INTERLEAVED
                ? GST_VIDEO_INFO_FIELD_ORDER(&info) != GST_VIDEO_FIELD_ORDER_BOTTOM_FIELD_FIRST
                : (flags & GST_VIDEO_BUFFER_FLAG_TFF) != 0;
    }

    st->framesByPts[pts] = frame->system_frame_number;
    // The base class keeps its own reference in its frame list until finish_frame.
    gst_video_codec_frame_unref(frame);

    const int rc = avcodec_send_frame(ctx, av.get());
    if (rc < 0) {
        GST_ELEMENT_ERROR(self, STREAM, ENCODE, ("%s encoding failed.", st->entry->description),
                          ("avcodec_send_frame: %s", AvError(rc).c_str()));
        return GST_FLOW_ERROR;
    }
    return ReceivePackets(self);
}

GstFlowReturn EncFinish(GstVideoEncoder* enc) {
    RvAvcodecVideoEnc* self = Self(enc);
    return self->state ? Drain(self) : GST_FLOW_OK;
}

gboolean EncFlush(GstVideoEncoder* enc) {
    RvAvcodecVideoEnc* self = Self(enc);
    if (EncoderState* st = self->state) {
        // libavcodec's MPEG-family encoders cannot be flushed; start a fresh context.
        st->context.reset();
        st->needsOpen = true;
        st->framesByPts.clear();
        st->lastPts = std::numeric_limits<int64_t>::min();
        st->lastDts = GST_CLOCK_TIME_NONE;
    }
    return TRUE;
}

// Any thread (caps queries).
GstCaps* EncGetCaps(GstVideoEncoder* enc, GstCaps* filter) {
    const Settings s = SnapshotSettings(Self(enc));
    GstCaps* own = reelvane::avcodec::MakeSinkCaps(reelvane::avcodec::Entry(s.codec));
    if (!own)
        return gst_caps_new_empty();
    GstCaps* result = gst_video_encoder_proxy_getcaps(enc, own, filter);
    gst_caps_unref(own);
    return result;
}

gboolean EncProposeAllocation(GstVideoEncoder* enc, GstQuery* query) {
    gst_query_add_allocation_meta(query, GST_VIDEO_META_API_TYPE, nullptr);
    return GST_VIDEO_ENCODER_CLASS(rv_avcodec_video_enc_parent_class)
        ->propose_allocation(enc, query);
}

// --- GObject ---

void SetProperty(GObject* object, guint id, const GValue* value, GParamSpec* pspec) {
    RvAvcodecVideoEnc* self = Self(object);
    GST_OBJECT_LOCK(self);
    Settings& s = *self->settings;
    switch (id) {
    case PROP_CODEC:
        s.codec = static_cast<CodecKind>(g_value_get_enum(value));
        break;
    case PROP_BITRATE:
        s.bitrateKbps = g_value_get_uint(value);
        break;
    case PROP_MIN_BITRATE:
        s.minBitrateKbps = g_value_get_uint(value);
        break;
    case PROP_MAX_BITRATE:
        s.maxBitrateKbps = g_value_get_uint(value);
        break;
    case PROP_BUFFER_SIZE:
        s.bufferSizeKbit = g_value_get_uint(value);
        break;
    case PROP_GOP_SIZE:
        s.gopSizeFrames = g_value_get_int(value);
        break;
    case PROP_MAX_B_FRAMES:
        s.maxBFrames = g_value_get_int(value);
        break;
    case PROP_QSCALE:
        s.qscale = g_value_get_int(value);
        break;
    case PROP_THREADS:
        s.threads = g_value_get_int(value);
        break;
    default:
        G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, pspec);
        break;
    }
    GST_OBJECT_UNLOCK(self);
}

void GetProperty(GObject* object, guint id, GValue* value, GParamSpec* pspec) {
    RvAvcodecVideoEnc* self = Self(object);
    GST_OBJECT_LOCK(self);
    const Settings& s = *self->settings;
    switch (id) {
    case PROP_CODEC:
        g_value_set_enum(value, static_cast<gint>(s.codec));
        break;
    case PROP_BITRATE:
        g_value_set_uint(value, s.bitrateKbps);
        break;
    case PROP_MIN_BITRATE:
        g_value_set_uint(value, s.minBitrateKbps);
        break;
    case PROP_MAX_BITRATE:
        g_value_set_uint(value, s.maxBitrateKbps);
        break;
    case PROP_BUFFER_SIZE:
        g_value_set_uint(value, s.bufferSizeKbit);
        break;
    case PROP_GOP_SIZE:
        g_value_set_int(value, s.gopSizeFrames);
        break;
    case PROP_MAX_B_FRAMES:
        g_value_set_int(value, s.maxBFrames);
        break;
    case PROP_QSCALE:
        g_value_set_int(value, s.qscale);
        break;
    case PROP_THREADS:
        g_value_set_int(value, s.threads);
        break;
    default:
        G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, pspec);
        break;
    }
    GST_OBJECT_UNLOCK(self);
}

void Finalize(GObject* object) {
    RvAvcodecVideoEnc* self = Self(object);
    delete self->state;
    self->state = nullptr;
    delete self->settings;
    self->settings = nullptr;
    G_OBJECT_CLASS(rv_avcodec_video_enc_parent_class)->finalize(object);
}

} // namespace

static void rv_avcodec_video_enc_class_init(RvAvcodecVideoEncClass* klass) {
    GObjectClass* gobjectClass = G_OBJECT_CLASS(klass);
    GstElementClass* elementClass = GST_ELEMENT_CLASS(klass);
    GstVideoEncoderClass* encClass = GST_VIDEO_ENCODER_CLASS(klass);

    gobjectClass->set_property = SetProperty;
    gobjectClass->get_property = GetProperty;
    gobjectClass->finalize = Finalize;

    const auto flags = static_cast<GParamFlags>(G_PARAM_READWRITE | G_PARAM_STATIC_STRINGS |
                                                GST_PARAM_MUTABLE_READY);
    g_object_class_install_property(gobjectClass, PROP_CODEC,
                                    g_param_spec_enum("codec", "Codec",
                                                      "Video codec to encode with",
                                                      reelvane::avcodec::CodecKindGetType(),
                                                      static_cast<gint>(kDefaultCodec), flags));
    g_object_class_install_property(gobjectClass, PROP_BITRATE,
                                    g_param_spec_uint("bitrate", "Bit rate",
                                                      "Target bit rate in kbit/s (not for DV)", 1,
                                                      1000000, kDefaultBitrateKbps, flags));
    g_object_class_install_property(
        gobjectClass, PROP_MIN_BITRATE,
        g_param_spec_uint("min-bitrate", "Minimum bit rate",
                          "Lowest bit rate in kbit/s, 0 = no lower bound", 0, 1000000, 0, flags));
    g_object_class_install_property(gobjectClass, PROP_MAX_BITRATE,
                                    g_param_spec_uint("max-bitrate", "Maximum bit rate",
                                                      "Peak bit rate in kbit/s, 0 = no upper bound",
                                                      0, 1000000, 0, flags));
    g_object_class_install_property(
        gobjectClass, PROP_BUFFER_SIZE,
        g_param_spec_uint("buffer-size", "Rate-control buffer",
                          "Rate-control (VBV) buffer in kbit, 0 = chosen from max-bitrate", 0,
                          2000000, 0, flags));
    g_object_class_install_property(gobjectClass, PROP_GOP_SIZE,
                                    g_param_spec_int("gop-size", "GOP size",
                                                     "Frames between key frames, 0 = intra only", 0,
                                                     600, kDefaultGopSizeFrames, flags));
    g_object_class_install_property(
        gobjectClass, PROP_MAX_B_FRAMES,
        g_param_spec_int("max-b-frames", "Max B-frames",
                         "B-frames between reference frames (MPEG-1/2/4 only)", 0, 16, 0, flags));
    g_object_class_install_property(
        gobjectClass, PROP_QSCALE,
        g_param_spec_int("qscale", "Fixed quantiser",
                         "Constant quantiser 1 (best) to 31 instead of a bit rate, 0 = off", 0, 31,
                         0, flags));
    g_object_class_install_property(gobjectClass, PROP_THREADS,
                                    g_param_spec_int("threads", "Threads",
                                                     "Encoder threads, 0 = one per core", 0, 64, 0,
                                                     flags));

    GstCaps* sinkCaps = reelvane::avcodec::MakeSinkTemplateCaps();
    GstCaps* srcCaps = reelvane::avcodec::MakeSrcTemplateCaps();
    gst_element_class_add_pad_template(
        elementClass, gst_pad_template_new("sink", GST_PAD_SINK, GST_PAD_ALWAYS, sinkCaps));
    gst_element_class_add_pad_template(
        elementClass, gst_pad_template_new("src", GST_PAD_SRC, GST_PAD_ALWAYS, srcCaps));
    gst_caps_unref(sinkCaps);
    gst_caps_unref(srcCaps);
    gst_element_class_set_static_metadata(
        elementClass, "libavcodec video encoder", "Codec/Encoder/Video",
        "Encodes MPEG-1/2, MPEG-4 part 2, FLV1, WMV1/2 and DV video with libavcodec", "Reelvane");

    encClass->start = EncStart;
    encClass->stop = EncStop;
    encClass->set_format = EncSetFormat;
    encClass->handle_frame = EncHandleFrame;
    encClass->finish = EncFinish;
    encClass->flush = EncFlush;
    encClass->getcaps = EncGetCaps;
    encClass->propose_allocation = EncProposeAllocation;
}

static void rv_avcodec_video_enc_init(RvAvcodecVideoEnc* self) {
    self->settings = new Settings();
    self->state = nullptr;
}

bool RegisterAvcodecVideoEncoder() {
    static gsize once = 0;
    static gboolean registered = FALSE;
    if (g_once_init_enter(&once)) {
        GST_DEBUG_CATEGORY_INIT(rv_avcodec_venc_debug, "rvavcodecvenc", 0,
                                "libavcodec video encoder");
        registered = gst_element_register(nullptr, "rvavcodecvenc", GST_RANK_NONE,
                                          rv_avcodec_video_enc_get_type());
        g_once_init_leave(&once, 1);
    }
    return registered;
}
