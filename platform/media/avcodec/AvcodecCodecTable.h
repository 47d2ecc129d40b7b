#pragma once
// The libavcodec video codecs that "rvavcodecvenc" offers, with the raw caps each accepts and
// the encoded caps it produces. Used by the element only; any thread (read-only data).

#include <gst/gst.h>
#include <gst/video/video.h>

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace reelvane::avcodec {

enum class CodecKind { Mpeg1Video, Mpeg2Video, Mpeg4, Flv1, Wmv1, Wmv2, DvVideo };

struct CodecEntry {
    CodecKind kind;
    const char* nick; // value of the "codec" property
    const char* description;
    AVCodecID codecId;
    bool bFrames;      // can reorder frames (max-b-frames applies)
    bool globalHeader; // stream headers go to codec_data (and are repeated on key frames)
    bool fixedRate;    // the format dictates the bit rate (DV)
    bool interlace;    // can code interlaced pictures
};

const CodecEntry& Entry(CodecKind kind);

/// GEnum type of the "codec" property.
GType CodecKindGetType();

/// Raw video caps the codec can take: formats from libavcodec's list, BT.601 up to 576 lines
/// and BT.709 above (limited range, or full range which the encoder compresses itself),
/// size and frame rate limits of the format (exact DV profiles, MPEG-1's fixed frame rates).
/// Returns nullptr when libavcodec lacks the encoder. Caller owns the caps.
GstCaps* MakeSinkCaps(const CodecEntry& entry);

/// Encoded caps the codec produces, without size, rate or codec_data. Caller owns the caps.
GstCaps* MakeSrcCaps(const CodecEntry& entry);

/// Unions over every codec, for the pad templates. Caller owns the caps.
GstCaps* MakeSinkTemplateCaps();
GstCaps* MakeSrcTemplateCaps();

AVPixelFormat ToAvPixelFormat(GstVideoFormat format);

} // namespace reelvane::avcodec
