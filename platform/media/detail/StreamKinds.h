#pragma once
// Which kind of stream a pad carries, and keeping decoders away from streams nobody wants.

#include "platform/media/MediaType.h"

#include <gst/gst.h>

namespace media::detail {

/// Video for video/... and image/... caps, audio for audio/..., Unknown otherwise.
MajorType StreamKindOfCaps(const GstCaps* caps);

/// True when the caps are one stream (raw, or something an installed decoder takes) rather
/// than a container still to be split.
bool IsElementaryStreamCaps(const GstCaps* caps);

/// Makes a (uri)decodebin stop at elementary streams of a kind its "caps" property does not
/// ask for, so that an audio-only decoder never decodes pictures (and the reverse). Call before
/// the element leaves the NULL state.
void SkipUnwantedStreams(GstElement* decodebin);

} // namespace media::detail
