#pragma once
// Editing timeline of one conversion run, on GStreamer Editing Services. The timeline is one
// filter of the run's graph: each group (one video group, up to eight audio groups) becomes a
// track whose output pin feeds the rest of the graph. Build it, add it to the graph, commit it,
// then connect the group pins.
//
// Stretch modes: the editing library's video sources have no stretch mode of their own; the
// modes are realised by placing and sizing each source inside the output frame:
// fill = the whole frame, letterbox = the largest centred size that keeps the picture's aspect,
// crop = the smallest centred size that covers the frame (the overflow is cut off).
//
// Threads: everything on the thread that builds and runs the graph.

#include "platform/media/Graph.h"
#include "platform/media/MediaType.h"
#include "platform/media/Result.h"

#include <QString>

#include <cstdint>
#include <memory>

namespace media {

enum class StretchMode { Fill = 0, Letterbox = 1, Crop = 2 };

/// Result codes of the timeline steps a caller maps onto its own error codes.
enum class TimelineStep {
    None,
    CreateTrack,  ///< the track (layer) could not be made
    InsertTrack,  ///< the track could not be placed in the group
    CreateSource, ///< the source could not be made
    MediaName,    ///< the file could not be opened as the source's media
    StretchMode,  ///< the stretch mode or speed could not be applied
    AddSource     ///< the source could not be added to its track
};

struct TimelineSource {
    QString fileName;
    std::int64_t mediaStart100ns = 0; ///< first position used in the file (negative = 0)
    std::int64_t mediaStop100ns = 0;
    std::int64_t timelineStart100ns = 0;
    std::int64_t timelineStop100ns = 0; ///< placement on the timeline
    int layer = 0;                      ///< 0 = on top
    StretchMode stretch = StretchMode::Fill;
    double speed = 1.0;
};

class Timeline {
public:
    /// Creates an empty timeline. Check IsValid() (false when the editing library is missing).
    Timeline();
    ~Timeline();
    Timeline(const Timeline&) = delete;
    Timeline& operator=(const Timeline&) = delete;

    bool IsValid() const;

    /// Adds the video group. Its media type gives the output frame size and rate; the pixel
    /// format stays the one the rest of the graph prefers unless forcePixelFormat (the group
    /// type is still the one the group reports). Returns the group index or -1.
    int AddVideoGroup(const MediaType& groupType, bool forcePixelFormat = false);
    /// Adds an audio group with the PCM type of groupType. Returns the group index or -1.
    int AddAudioGroup(const MediaType& groupType);
    int GroupCount() const;
    MediaType GroupMediaType(int group) const;
    bool GroupIsVideo(int group) const;

    /// Adds one source to the group; on failure `failedStep` tells which step failed and the
    /// walk can go on with the next source.
    HRESULT AddSource(int group, const TimelineSource& source, TimelineStep& failedStep);

    /// Applies every change; call once after the last source and before connecting.
    HRESULT Commit();
    /// End of the longest group, 100-ns units.
    std::int64_t Duration100ns() const;

    /// The timeline as a filter for the run's graph (the same object every call).
    FilterPtr AsFilter();
    /// The group's output pin, valid once the filter is in a graph; null for a bad index.
    PinPtr GroupOutputPin(int group);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace media
