#pragma once

#include <QString>

#include <cstdint>

namespace media {

enum class MajorType { Unknown, Video, Audio, Stream };

/// A media type record: the fields of a video info header or a wave format that the engine and
/// the chains read and write. Compressed formats keep only their major type and subtype name.
struct MediaType {
    MajorType majorType = MajorType::Unknown;
    /// "ARGB32", "RGB24", "I420", "PCM", ... or the compressed format's short name ("MJPG").
    QString subtype;

    // Video (video info header).
    int width = 0;          ///< pixels
    int height = 0;         ///< pixels
    int bitCount = 0;       ///< bits per pixel, 0 when not packed RGB
    double frameRate = 0.0; ///< frames per second, 0 = unknown or variable
    std::int64_t avgTimePerFrame100ns = 0;

    // Audio (wave format).
    int channels = 0;
    int samplesPerSec = 0; ///< Hz
    int bitsPerSample = 0; ///< 0 for compressed audio

    int blockAlign() const { return channels * bitsPerSample / 8; }
    int avgBytesPerSec() const { return samplesPerSec * blockAlign(); }
    /// Size of one uncompressed picture, rows padded to 32 bits; 0 for other types.
    std::int64_t imageSize() const;

    /// The one-line description written by the graph dump, for example
    /// "Video: ARGB32 640x480 25 fps" or "Audio: PCM 48000 Hz 2 ch 16 bit".
    QString Description() const;

    static MediaType Argb32Video(int width, int height, double frameRate);
    static MediaType Rgb24Video(int width, int height, double frameRate);
    static MediaType Pcm(int samplesPerSec, int channels, int bitsPerSample);

    bool operator==(const MediaType&) const = default;
};

} // namespace media
