#pragma once

#include "platform/media/StandardMpegFilter.h"

#include <QString>

namespace media {

enum class PlannedVideo { None, Mpeg1, Mpeg2, Mpeg4Part2, H264, Flv1 };
enum class PlannedAudio { None, Mp2, Mp3, Ac3, Aac, Pcm };

/// What the "Standard MPEG" encoder builds for a set of settings: the container decides when it
/// cannot carry the asked codec, and the disc formats and device constraints fix sizes, rates
/// and bit rates. Pure: no media library calls, so it can be checked as a table.
struct StandardMpegPlan {
    QString error;          ///< non-empty: the format cannot be written here
    const char* muxer = ""; ///< element factory
    const char* muxVideoPad = "video_%u";
    const char* muxAudioPad = "audio_%u";
    bool muxerIsFaststart = false;

    PlannedVideo video = PlannedVideo::None;
    int width = 0, height = 0;       ///< pixels; 0 = the input's size
    int maxWidth = 0, maxHeight = 0; ///< device limits when the input's size is kept
    int fpsN = 0, fpsD = 1;          ///< 0 = the input's rate
    int videoKbps = 0;               ///< target
    int minKbps = 0, maxKbps = 0;    ///< 0 = unbounded
    int gop = 0;                     ///< frames between key frames
    bool h264Baseline = false;

    PlannedAudio audio = PlannedAudio::None;
    int sampleRate = 44100; ///< Hz
    int channels = 2;
    int audioBitrate = 0; ///< bit/s
    const char* pcmFormat = "S16LE";
};

bool IsKnownOutputFormat(int outputFormat);
StandardMpegPlan PlanStandardMpeg(const StandardMpegFilter::Settings& settings);

} // namespace media
