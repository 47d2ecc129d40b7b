#pragma once

#include "platform/media/MediaType.h"
#include "platform/media/detail/GstRef.h"

#include <vector>

namespace media::detail {

/// The raw sample format name for a PCM sample size: U8, S16LE, S24LE or S32LE (16 otherwise).
const char* PcmFormat(int bitsPerSample);

/// Raw caps for an uncompressed media type (ARGB32 as BGRA bytes, RGB24 as BGR, PCM as S16LE
/// etc.); empty caps for types that have no raw equivalent.
GstCapsRef CapsFromMediaType(const MediaType& type);
/// One media type per caps structure (fields that are ranges stay 0).
std::vector<MediaType> MediaTypesFromCaps(const GstCaps* caps, int maxTypes = 8);
MediaType MediaTypeFromStructure(const GstStructure* s);

} // namespace media::detail
