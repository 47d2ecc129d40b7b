#pragma once

#include "platform/media/MediaType.h"
#include "platform/media/detail/GstRef.h"

#include <vector>

namespace media::detail {

/// Raw caps for an uncompressed media type (ARGB32 as BGRA bytes, RGB24 as BGR, PCM as S16LE
/// etc.); empty caps for types that have no raw equivalent.
GstCapsRef CapsFromMediaType(const MediaType& type);
/// One media type per caps structure (fields that are ranges stay 0).
std::vector<MediaType> MediaTypesFromCaps(const GstCaps* caps, int maxTypes = 8);
MediaType MediaTypeFromStructure(const GstStructure* s);

} // namespace media::detail
