#pragma once

// Sources, a runner and small file readers for the output-chain tests.

#include "filters/DSBaseFilter.h"
#include "platform/media/FilterRegistry.h"

#include <QByteArray>
#include <QFile>
#include <QString>

namespace chaintest {

/// One second (by default) of 160x120 25 fps video, added to the graph as "Video".
inline media::FilterPtr AddVideoSource(media::Graph& graph, int frames = 25) {
    media::HRESULT hr = media::E_FAIL;
    auto f = media::CreateFilterFromDescription(
        QStringLiteral("videotestsrc num-buffers=%1 pattern=ball ! capsfilter "
                       "caps=video/x-raw,width=160,height=120,framerate=25/1")
            .arg(frames),
        hr);
    if (f)
        graph.AddFilter(f, "Video");
    return f;
}

/// About one second of 48 kHz stereo 16-bit audio (the engine's audio group format).
inline media::FilterPtr AddAudioSource(media::Graph& graph, const char* wave = "sine",
                                       int buffers = 47, const char* name = "Audio") {
    media::HRESULT hr = media::E_FAIL;
    auto f = media::CreateFilterFromDescription(
        QStringLiteral("audiotestsrc num-buffers=%1 samplesperbuffer=1024 wave=%2 ! capsfilter "
                       "caps=audio/x-raw,format=S16LE,rate=48000,channels=2")
            .arg(buffers)
            .arg(QLatin1String(wave)),
        hr);
    if (f)
        graph.AddFilter(f, name);
    return f;
}

inline media::PinPtr OutputOf(const media::FilterPtr& f) {
    media::PinPtr pin;
    FindPin(f.get(), int(media::PinDirection::Output), 1, pin);
    return pin;
}

/// Runs the graph as fast as it goes until it completes; the error text otherwise.
inline QString RunToEnd(media::Graph& graph) {
    graph.SetNoSyncSource();
    if (media::Failed(graph.Run()))
        return QStringLiteral("graph did not start");
    media::GraphEvent event;
    // Stream warnings (an element that had trouble and goes on) do not end the run.
    for (int i = 0; i < 300; ++i)
        if (graph.WaitForEvent(200, event) == media::S_OK &&
            event.code != media::EC_STREAM_ERROR_STILLPLAYING)
            break;
    graph.Stop();
    if (event.code == media::EC_COMPLETE)
        return QString();
    return QStringLiteral("no completion: ") + event.message;
}

inline QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

/// Fields of one MPEG audio frame header.
struct Mp3Frame {
    int bitrateKbps = 0;
    int sampleRate = 0;
    int channelMode = -1; ///< 0 stereo, 1 joint stereo, 2 dual channel, 3 mono
    int length = 0;       ///< bytes
};

/// Walks the MPEG-1/2 layer III frames of a raw MP3 stream from the first sync word.
inline std::vector<Mp3Frame> Mp3Frames(const QByteArray& data) {
    static const int kBitrates[2][15] = {
        {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}, // MPEG-1
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}};    // MPEG-2/2.5
    static const int kRates[3][3] = {
        {44100, 48000, 32000}, {22050, 24000, 16000}, {11025, 12000, 8000}};
    std::vector<Mp3Frame> frames;
    int pos = 0;
    while (pos + 4 <= data.size()) {
        const auto b = [&](int i) { return quint8(data[pos + i]); };
        if (b(0) != 0xFF || (b(1) & 0xE0) != 0xE0) {
            ++pos;
            continue;
        }
        const int version = (b(1) >> 3) & 3; // 3 MPEG-1, 2 MPEG-2, 0 MPEG-2.5
        const int layer = (b(1) >> 1) & 3;   // 1 = layer III
        const int bitrateIndex = b(2) >> 4;
        const int rateIndex = (b(2) >> 2) & 3;
        if (version == 1 || layer != 1 || bitrateIndex == 0 || bitrateIndex == 15 ||
            rateIndex == 3) {
            ++pos;
            continue;
        }
        Mp3Frame f;
        const bool mpeg1 = version == 3;
        f.bitrateKbps = kBitrates[mpeg1 ? 0 : 1][bitrateIndex];
        f.sampleRate = kRates[mpeg1 ? 0 : (version == 2 ? 1 : 2)][rateIndex];
        f.channelMode = b(3) >> 6;
        const int padding = (b(2) >> 1) & 1;
        f.length = (mpeg1 ? 144 : 72) * f.bitrateKbps * 1000 / f.sampleRate + padding;
        frames.push_back(f);
        pos += std::max(f.length, 1);
    }
    return frames;
}

/// Bit-rate fields of a Vorbis identification header (-1 when a field is unset).
struct VorbisHeader {
    bool found = false;
    int channels = 0;
    int sampleRate = 0;
    int maxBitrate = 0, nominalBitrate = 0, minBitrate = 0;
};

inline VorbisHeader ReadVorbisHeader(const QByteArray& data) {
    VorbisHeader h;
    const int at = data.indexOf(QByteArray("\x01vorbis", 7));
    if (at < 0 || at + 28 > data.size())
        return h;
    auto le32 = [&](int off) {
        const auto* p = reinterpret_cast<const unsigned char*>(data.constData() + at + off);
        return qint32(quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 |
                      quint32(p[3]) << 24);
    };
    h.found = true;
    h.channels = quint8(data[at + 11]);
    h.sampleRate = le32(12);
    h.maxBitrate = le32(16);
    h.nominalBitrate = le32(20);
    h.minBitrate = le32(24);
    return h;
}

} // namespace chaintest
