#pragma once
// The arithmetic of a run's timeline, kept free of any media library so that it can be
// checked cheaply: how inputs are cut, placed and layered, the group frame rate, the progress
// percent and the debug file names. Pure functions; any thread.

#include "engine/KXTypes.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

namespace engine {

inline constexpr std::int64_t kUnitsPerMs = 10000; // 100-ns units per millisecond

/// Nearest integer, halves to the even neighbour (12.5 -> 12, 13.5 -> 14).
std::int64_t RoundHalfEven(double value);

/// Percent of a run: position / duration x 100, halves to even, not clamped; 0 when the
/// duration is not positive.
int ProgressPercent(std::int64_t position100ns, std::int64_t duration100ns);

/// Output rate of the video group: the property when positive, else the first input's rate
/// when positive, else 25.
double GroupFrameRate(double videoFrameRateProperty, double firstInputFrameRate);

/// True for the picture extensions that are sized through the imaging library
/// (.bmp .jpg .jpeg .gif .png, any letter case).
bool IsPictureFile(const QString& fileName);

/// Debug file path: folder + "/" + name with every doubled slash made single. Backslashes of
/// folder names written the Windows way are read as slashes.
QString DebugFilePath(const QString& debugDir, const QString& fileName);

/// Lengths the media detector reports for one file, 100-ns units; -1 = no such stream or the
/// file could not be read.
struct MediaLengths {
    std::int64_t firstStream = -1;
    std::int64_t firstVideo = -1;
    std::int64_t firstAudio = -1;
};
using LengthProbe = std::function<MediaLengths(const QString& fileName)>;

/// Where one input lands: its media times, its place on the timeline and, for video, its
/// layer (0 = on top: later inputs cover earlier ones).
struct SourcePlacement {
    int inputIndex = -1; ///< index into the input list
    std::int64_t mediaStart100ns = 0;
    std::int64_t mediaStop100ns = 0;
    std::int64_t timelineStart100ns = 0;
    std::int64_t timelineStop100ns = 0;
    int layer = 0;
    bool lengthKnown = true; ///< false when the detector could not read the file
};

struct TimelinePlanResult {
    std::vector<SourcePlacement> video;                    ///< one per video input, list order
    std::vector<std::vector<SourcePlacement>> audioGroups; ///< group g -> its inputs
    std::int64_t duration100ns = 0;                        ///< end of the longest group
};

/// Video inputs (kind 0) in list order: each track is inserted on top of the earlier ones. A
/// video input takes its file's first video stream's length; a file that was read and holds no
/// video stream (an audio-only file) places nothing.
std::vector<SourcePlacement> PlaceVideoInputs(const std::vector<TKXStream>& inputs,
                                              const LengthProbe& probe);

/// Number of audio groups: the group numbers 0..7 carried by at least one audio input.
int AudioGroupCount(const std::vector<TKXStream>& inputs);

/// Audio inputs of group g in list order (group numbers are used as given). An input whose
/// length source has no video stream (an audio-only file) keeps its own audio stream's length.
std::vector<SourcePlacement> PlaceAudioGroup(const std::vector<TKXStream>& inputs, int group,
                                             const LengthProbe& probe);

/// The whole plan: video, then every audio group when withAudio.
TimelinePlanResult PlanTimeline(const std::vector<TKXStream>& inputs, bool withAudio,
                                const LengthProbe& probe);

} // namespace engine
