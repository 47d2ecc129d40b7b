#include "platform/media/MediaType.h"

#include <QStringList>

#include <cmath>
#include <cstdlib>

namespace media {

std::int64_t MediaType::imageSize() const {
    if (majorType != MajorType::Video || bitCount <= 0)
        return 0;
    return std::int64_t((bitCount * width + 31) / 32) * 4 * std::abs(height);
}

QString MediaType::Description() const {
    QStringList parts;
    switch (majorType) {
    case MajorType::Video:
        parts << QStringLiteral("Video:") << (subtype.isEmpty() ? QStringLiteral("?") : subtype);
        if (width > 0 && height > 0)
            parts << QStringLiteral("%1x%2").arg(width).arg(height);
        if (bitCount > 0)
            parts << QStringLiteral("%1 bit").arg(bitCount);
        if (frameRate > 0)
            parts << QStringLiteral("%1 fps").arg(QString::number(frameRate, 'g', 6));
        break;
    case MajorType::Audio:
        parts << QStringLiteral("Audio:") << (subtype.isEmpty() ? QStringLiteral("?") : subtype);
        if (samplesPerSec > 0)
            parts << QStringLiteral("%1 Hz").arg(samplesPerSec);
        if (channels > 0)
            parts << QStringLiteral("%1 ch").arg(channels);
        if (bitsPerSample > 0)
            parts << QStringLiteral("%1 bit").arg(bitsPerSample);
        break;
    case MajorType::Stream:
        parts << QStringLiteral("Stream:") << subtype;
        break;
    case MajorType::Unknown:
        parts << QStringLiteral("Unknown:") << subtype;
        break;
    }
    return parts.join(QLatin1Char(' '));
}

static std::int64_t FrameTime100ns(double frameRate) {
    return frameRate > 0 ? std::llround(1e7 / frameRate) : 0;
}

MediaType MediaType::Argb32Video(int width, int height, double frameRate) {
    MediaType t;
    t.majorType = MajorType::Video;
    t.subtype = QStringLiteral("ARGB32");
    t.width = width;
    t.height = height;
    t.bitCount = 32;
    t.frameRate = frameRate;
    t.avgTimePerFrame100ns = FrameTime100ns(frameRate);
    return t;
}

MediaType MediaType::Rgb24Video(int width, int height, double frameRate) {
    MediaType t = Argb32Video(width, height, frameRate);
    t.subtype = QStringLiteral("RGB24");
    t.bitCount = 24;
    return t;
}

MediaType MediaType::Pcm(int samplesPerSec, int channels, int bitsPerSample) {
    MediaType t;
    t.majorType = MajorType::Audio;
    t.subtype = QStringLiteral("PCM");
    t.samplesPerSec = samplesPerSec;
    t.channels = channels;
    t.bitsPerSample = bitsPerSample;
    return t;
}

} // namespace media
