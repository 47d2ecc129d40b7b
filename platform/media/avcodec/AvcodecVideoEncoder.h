#pragma once
// Video encoder element "rvavcodecvenc": a GstVideoEncoder on libavcodec for MPEG-1/2 video,
// MPEG-4 part 2, FLV1, WMV1/2 and DV, with a time base taken from the caps' frame rate, real
// rate control and limited-range input (BT.601 up to 576 lines, BT.709 above; full-range input
// with that matrix is compressed by the element, since videoconvert leaves it as it is).
//
// Properties (all may be set in NULL/READY; they take effect at the next caps negotiation):
//   codec        enum  mpeg1video | mpeg2video | mpeg4 | flv1 | wmv1 | wmv2 | dvvideo
//                      (default mpeg2video)
//   bitrate      uint  target bit rate in kbit/s (default 2000; DV has its own fixed rate)
//   min-bitrate  uint  kbit/s, 0 = no lower bound (default 0)
//   max-bitrate  uint  kbit/s, 0 = no upper bound (default 0)
//   buffer-size  uint  rate-control buffer in kbit, 0 = chosen from max-bitrate (default 0)
//   gop-size     int   frames between key frames, 0 = intra only (default 12)
//   max-b-frames int   B-frames between references, MPEG-1/2/4 only (default 0)
//   qscale       int   1..31 fixed quantiser instead of a bit rate, 0 = off (default 0)
//   threads      int   encoder threads, 0 = one per core (default 0)

/// Registers "rvavcodecvenc" with GStreamer's element registry (no plugin file). Thread-safe
/// and cheap to call again; gst_init() must have run. Returns whether the element can be made.
bool RegisterAvcodecVideoEncoder();
