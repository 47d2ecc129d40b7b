#include "platform/media/WmCodecCatalogue.h"

#include <cmath>

namespace media {

namespace {

/// The private bytes of a Windows Media Audio 9.2 wave format: samples per block, encoder
/// options, super-block alignment.
QByteArray Wma2CodecData(std::uint32_t sampleRate) {
    const std::uint32_t samplesPerBlock = sampleRate >= 32000 ? 0x8800 : 0x2200;
    QByteArray data(10, '\0');
    for (int i = 0; i < 4; ++i)
        data[i] = char((samplesPerBlock >> (8 * i)) & 0xFF);
    data[4] = 0x0F;
    return data;
}

/// Professional: valid bits, channel mask, then encoder options.
QByteArray WmaProCodecData(int bits) {
    QByteArray data(18, '\0');
    data[0] = char(bits);
    data[2] = 0x03; // front left and right
    data[14] = 0xE0;
    return data;
}

WMCodecFormat Audio(const char* description, std::uint16_t tag, int bps, int rate, int channels,
                    int bits = 16) {
    WMCodecFormat f;
    f.description = QString::fromLatin1(description);
    f.streamName = QStringLiteral("Audio Stream");
    WMMediaType& t = f.mediaType;
    t.majorType = WMGuid::MediaTypeAudio;
    t.subtype = WMSubtypeFor(tag);
    t.fixedSizeSamples = true;
    t.formatType = WMGuid::FormatWaveFormatEx;
    WMWaveFormat& w = t.wave;
    w.formatTag = tag;
    w.channels = std::uint16_t(channels);
    w.samplesPerSec = std::uint32_t(rate);
    w.avgBytesPerSec = std::uint32_t(bps / 8);
    w.bitsPerSample = std::uint16_t(bits);
    // One packet of 16384 samples' worth of data, as the platform's own formats lay it out.
    w.blockAlign =
        std::uint16_t(std::min<long>(65535, std::lround(double(w.avgBytesPerSec) * 16384 / rate)));
    t.sampleSize = w.blockAlign;
    if (tag == WMTag::Wma2)
        w.codecData = Wma2CodecData(w.samplesPerSec);
    else if (tag == WMTag::WmaPro)
        w.codecData = WmaProCodecData(bits);
    return f;
}

WMCodecFormat Video(std::uint32_t fourcc) {
    WMCodecFormat f;
    f.streamName = QStringLiteral("Video Stream");
    WMMediaType& t = f.mediaType;
    t.majorType = WMGuid::MediaTypeVideo;
    t.subtype = WMSubtypeFor(fourcc);
    t.temporalCompression = true;
    t.formatType = WMGuid::FormatVideoInfo;
    WMVideoInfo& v = t.video;
    v.source = v.target = {0, 0, 320, 240};
    v.bitRate = 250000;
    v.avgTimePerFrame = 333667;
    v.width = 320;
    v.height = 240;
    v.bitCount = 24;
    v.compression = fourcc;
    return f;
}

std::vector<WMCodecEntry> MakeAudioCodecs() {
    std::vector<WMCodecEntry> codecs(3);
    WMCodecEntry& voice = codecs[0];
    voice.name = QStringLiteral("Windows Media Audio Voice 9");
    voice.kind = MajorType::Audio;
    voice.constant = {Audio("4 kbps, 8 kHz, mono", WMTag::Voice, 4000, 8000, 1),
                      Audio("8 kbps, 8 kHz, mono", WMTag::Voice, 8000, 8000, 1),
                      Audio("16 kbps, 16 kHz, mono", WMTag::Voice, 16000, 16000, 1),
                      Audio("20 kbps, 22.05 kHz, mono", WMTag::Voice, 20000, 22050, 1)};

    WMCodecEntry& std92 = codecs[1];
    std92.name = QStringLiteral("Windows Media Audio 9.2");
    std92.kind = MajorType::Audio;
    const std::uint16_t wma = WMTag::Wma2;
    std92.constant = {Audio("  8 kbps,  8 kHz, mono CBR", wma, 8000, 8000, 1),
                      Audio(" 12 kbps,  8 kHz, stereo CBR", wma, 12000, 8000, 2),
                      Audio(" 20 kbps, 16 kHz, stereo CBR", wma, 20000, 16000, 2),
                      Audio(" 32 kbps, 22 kHz, stereo CBR", wma, 32000, 22050, 2),
                      Audio(" 48 kbps, 32 kHz, stereo CBR", wma, 48000, 32000, 2),
                      Audio(" 96 kbps, 44 kHz, stereo CBR", wma, 96000, 44100, 2),
                      Audio("128 kbps, 44 kHz, stereo CBR", wma, 128000, 44100, 2),
                      Audio("192 kbps, 48 kHz, stereo CBR", wma, 192000, 48000, 2)};
    // Quality formats carry the rate they come out at for typical music.
    std92.quality = {Audio("Quality 10, 44 kHz, stereo 1-pass VBR", wma, 48000, 44100, 2),
                     Audio("Quality 25, 44 kHz, stereo 1-pass VBR", wma, 64000, 44100, 2),
                     Audio("Quality 50, 44 kHz, stereo 1-pass VBR", wma, 96000, 44100, 2),
                     Audio("Quality 75, 44 kHz, stereo 1-pass VBR", wma, 128000, 44100, 2),
                     Audio("Quality 90, 44 kHz, stereo 1-pass VBR", wma, 192000, 44100, 2),
                     Audio("Quality 98, 44 kHz, stereo 1-pass VBR", wma, 256000, 44100, 2)};
    std92.twoPass = {Audio(" 96 kbps, 44 kHz, stereo 2-pass VBR", wma, 96000, 44100, 2),
                     Audio("128 kbps, 44 kHz, stereo 2-pass VBR", wma, 128000, 44100, 2),
                     Audio("192 kbps, 44 kHz, stereo 2-pass VBR", wma, 192000, 44100, 2)};

    WMCodecEntry& pro = codecs[2];
    pro.name = QStringLiteral("Windows Media Audio 10 Professional");
    pro.kind = MajorType::Audio;
    const std::uint16_t p = WMTag::WmaPro;
    pro.constant = {Audio(" 32 kbps, 32 kHz, 2 channel 16 bit CBR", p, 32000, 32000, 2),
                    Audio(" 48 kbps, 44 kHz, 2 channel 16 bit CBR", p, 48000, 44100, 2),
                    Audio(" 64 kbps, 44 kHz, 2 channel 16 bit CBR", p, 64000, 44100, 2),
                    Audio(" 96 kbps, 44 kHz, 2 channel 16 bit CBR", p, 96000, 44100, 2),
                    Audio("128 kbps, 44 kHz, 2 channel 24 bit CBR", p, 128000, 44100, 2, 24),
                    Audio("192 kbps, 44 kHz, 2 channel 24 bit CBR", p, 192000, 44100, 2, 24)};
    pro.quality = {
        Audio("Quality 25, 44 kHz, 2 channel 24 bit 1-pass VBR", p, 64000, 44100, 2, 24),
        Audio("Quality 50, 44 kHz, 2 channel 24 bit 1-pass VBR", p, 96000, 44100, 2, 24),
        Audio("Quality 75, 44 kHz, 2 channel 24 bit 1-pass VBR", p, 128000, 44100, 2, 24),
        Audio("Quality 90, 44 kHz, 2 channel 24 bit 1-pass VBR", p, 192000, 44100, 2, 24)};
    pro.twoPass = {Audio("128 kbps, 44 kHz, 2 channel 24 bit 2-pass VBR", p, 128000, 44100, 2, 24),
                   Audio("192 kbps, 44 kHz, 2 channel 24 bit 2-pass VBR", p, 192000, 44100, 2, 24)};
    return codecs;
}

std::vector<WMCodecEntry> MakeVideoCodecs() {
    struct Row {
        const char* name;
        std::uint32_t fourcc;
        bool quality, twoPass;
    };
    const Row rows[] = {{"Windows Media Video 9 Screen", WMFourcc("MSS2"), true, true},
                        {"Windows Media Video 9", WMFourcc("WMV3"), true, true},
                        {"Windows Media Video 8", WMFourcc("WMV2"), true, false},
                        {"Windows Media Video 7", WMFourcc("WMV1"), false, false}};
    std::vector<WMCodecEntry> codecs;
    for (const Row& r : rows) {
        WMCodecEntry c;
        c.name = QString::fromLatin1(r.name);
        c.kind = MajorType::Video;
        c.constant = {Video(r.fourcc)};
        if (r.quality)
            c.quality = {Video(r.fourcc)};
        if (r.twoPass)
            c.twoPass = {Video(r.fourcc)};
        codecs.push_back(std::move(c));
    }
    return codecs;
}

} // namespace

const std::vector<WMCodecFormat>& WMCodecEntry::Formats(WMEncodingMode mode) const {
    switch (mode) {
    case WMEncodingMode::Cbr:
        return constant;
    case WMEncodingMode::VbrQuality:
        return quality;
    default:
        return twoPass;
    }
}

const std::vector<WMCodecEntry>& WMAudioCodecs() {
    static const std::vector<WMCodecEntry> codecs = MakeAudioCodecs();
    return codecs;
}

const std::vector<WMCodecEntry>& WMVideoCodecs() {
    static const std::vector<WMCodecEntry> codecs = MakeVideoCodecs();
    return codecs;
}

QStringList WMCodecNames(MajorType kind) {
    QStringList names;
    for (const WMCodecEntry& c : kind == MajorType::Audio ? WMAudioCodecs() : WMVideoCodecs())
        names << c.name;
    return kind == MajorType::Audio || kind == MajorType::Video ? names : QStringList();
}

QStringList WMAudioFormatDescriptions(const QString& codecName, WMEncodingMode mode) {
    QStringList descriptions;
    for (const WMCodecEntry& c : WMAudioCodecs())
        if (c.name == codecName)
            for (const WMCodecFormat& f : c.Formats(mode))
                descriptions << f.description;
    return descriptions;
}

} // namespace media
