#include "platform/media/StandardMpegPlan.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>

namespace media {

using namespace StandardMpeg;

namespace {

struct Container {
    int outputFormat;
    const char* muxer;
    const char* videoPad;
    const char* audioPad;
    std::initializer_list<PlannedVideo> videos; ///< first = the container's own choice
    std::initializer_list<PlannedAudio> audios; ///< first = the container's own choice
};

using V = PlannedVideo;
using A = PlannedAudio;

const Container kContainers[] = {
    {OutMpeg1, "avmux_mpeg", "video_%u", "audio_%u", {V::Mpeg1}, {A::Mp2}},
    {OutVcd, "avmux_vcd", "video_%u", "audio_%u", {V::Mpeg1}, {A::Mp2}},
    {OutVcdStill, "avmux_vcd", "video_%u", "audio_%u", {V::Mpeg1}, {A::Mp2}},
    {OutMpeg2, "mpegpsmux", "sink_%u", "sink_%u", {V::Mpeg2, V::Mpeg1, V::H264}, {A::Mp2, A::Aac}},
    {OutSvcd, "avmux_svcd", "video_%u", "audio_%u", {V::Mpeg2}, {A::Mp2}},
    {OutSvcdStill, "avmux_svcd", "video_%u", "audio_%u", {V::Mpeg2}, {A::Mp2}},
    {OutDvd, "avmux_dvd", "video_%u", "audio_%u", {V::Mpeg2}, {A::Mp2, A::Ac3, A::Pcm}},
    {OutMpeg4,
     "mp4mux",
     "video_%u",
     "audio_%u",
     {V::H264, V::Mpeg4Part2},
     {A::Aac, A::Mp3, A::Ac3}},
    {OutPsp, "mp4mux", "video_%u", "audio_%u", {V::H264}, {A::Aac}},
    {Out3gp, "3gppmux", "video_%u", "audio_%u", {V::H264}, {A::Aac}},
    {Out3g2, "3gppmux", "video_%u", "audio_%u", {V::H264}, {A::Aac}},
    {OutMov,
     "qtmux",
     "video_%u",
     "audio_%u",
     {V::H264, V::Mpeg4Part2},
     {A::Aac, A::Mp3, A::Ac3, A::Pcm}},
    {OutAvi,
     "avimux",
     "video_%u",
     "audio_%u",
     {V::Mpeg4Part2, V::Mpeg1, V::Mpeg2, V::H264},
     {A::Mp3, A::Mp2, A::Ac3, A::Aac, A::Pcm}},
    {OutFlv, "flvmux", "video", "audio", {V::Flv1, V::H264}, {A::Mp3, A::Aac, A::Pcm}},
    {OutMpeg2Ts,
     "mpegtsmux",
     "sink_%d",
     "sink_%d",
     {V::Mpeg2, V::Mpeg1, V::H264},
     {A::Mp2, A::Aac, A::Ac3}},
};

const Container* FindContainer(int outputFormat) {
    for (const Container& c : kContainers)
        if (c.outputFormat == outputFormat)
            return &c;
    return nullptr;
}

bool IsMpegSystemStream(int outputFormat) {
    return outputFormat >= OutMpeg1 && outputFormat <= OutSvcdStill;
}

V AskedVideo(const StandardMpegFilter::Settings& s) {
    switch (s.videoFormat) {
    case VidMpeg1:
        return V::Mpeg1;
    case VidMpeg2:
        return V::Mpeg2;
    case VidMpeg4:
        // MPEG-4 means H.264 wherever the container takes it; AVI gets MPEG-4 part 2.
        return s.outputFormat == OutAvi ? V::Mpeg4Part2 : V::H264;
    case VidFlv:
        return V::Flv1;
    default:
        return V::None;
    }
}

A AskedAudio(const StandardMpegFilter::Settings& s) {
    switch (s.audioFormat) {
    case AudMpeg:
        return IsMpegSystemStream(s.outputFormat) || s.outputFormat == OutMpeg2Ts ? A::Mp2 : A::Mp3;
    case AudAc3:
        return A::Ac3;
    case AudPcm:
    case AudWav:
        return A::Pcm;
    case AudAac:
        return A::Aac;
    default:
        return A::None;
    }
}

template <class T> T Choose(T asked, std::initializer_list<T> accepted) {
    if (asked == T::None)
        return T::None;
    return std::find(accepted.begin(), accepted.end(), asked) != accepted.end() ? asked
                                                                                : *accepted.begin();
}

void SetRate(StandardMpegPlan& p, double fps) {
    if (std::fabs(fps - 29.97) < 0.01) {
        p.fpsN = 30000;
        p.fpsD = 1001;
    } else if (std::fabs(fps - 23.976) < 0.01) {
        p.fpsN = 24000;
        p.fpsD = 1001;
    } else if (std::fabs(fps - 59.94) < 0.01) {
        p.fpsN = 60000;
        p.fpsD = 1001;
    } else if (fps > 0) {
        p.fpsD = std::fabs(fps - std::round(fps)) < 1e-6 ? 1 : 1000;
        p.fpsN = int(std::lround(fps * p.fpsD));
    }
}

} // namespace

bool IsKnownOutputFormat(int outputFormat) {
    return FindContainer(outputFormat) != nullptr || outputFormat == OutRm;
}

StandardMpegPlan PlanStandardMpeg(const StandardMpegFilter::Settings& s) {
    StandardMpegPlan p;
    const Container* c = FindContainer(s.outputFormat);
    if (!c) {
        p.error =
            s.outputFormat == OutRm
                ? QStringLiteral("Standard MPEG: RealMedia output is not available on this system")
                : QStringLiteral("Standard MPEG: unknown output format %1").arg(s.outputFormat);
        return p;
    }
    p.muxer = c->muxer;
    p.muxVideoPad = c->videoPad;
    p.muxAudioPad = c->audioPad;
    p.muxerIsFaststart =
        s.outputFormat == OutMpeg4 || s.outputFormat == OutPsp || s.outputFormat == OutMov;
    p.video = Choose(AskedVideo(s), c->videos);
    p.audio = Choose(AskedAudio(s), c->audios);

    p.width = s.width > 0 && s.height > 0 ? s.width : 0;
    p.height = s.width > 0 && s.height > 0 ? s.height : 0;
    SetRate(p, s.frameRate);

    const bool ntsc = s.constraint == ConNtsc || s.constraint == ConFilm;
    if (p.fpsN == 0) {
        if (s.constraint == ConNtsc)
            SetRate(p, 29.97);
        else if (s.constraint == ConFilm)
            SetRate(p, 23.976);
        else if (s.constraint == ConPal)
            SetRate(p, 25);
    }

    p.videoKbps = s.videoBitrate / 1000;
    if (s.bitrateMode == ModeMvbr) {
        p.minKbps = s.videoBitrateMin / 1000;
        p.maxKbps = s.videoBitrateMax / 1000;
        if (p.maxKbps > 0)
            p.videoKbps = std::min(p.videoKbps, p.maxKbps);
        p.videoKbps = std::max(p.videoKbps, p.minKbps);
    }
    p.audioBitrate = s.audioBitrate;
    p.sampleRate = s.audioSampleRate > 0 ? s.audioSampleRate : 44100;
    p.channels = s.audioChannels > 0 ? s.audioChannels : 2;

    // Disc formats: their players accept only these sizes, rates and bit rates.
    auto disc = [&](int w, int hPal, int hNtsc, int maxVideoKbps, int rate) {
        p.width = w;
        p.height = ntsc ? hNtsc : hPal;
        if (p.fpsN == 0 || !(p.fpsN == 25 || p.fpsD == 1001))
            SetRate(p, ntsc ? (s.constraint == ConFilm ? 23.976 : 29.97) : 25.0);
        p.videoKbps = std::min(p.videoKbps, maxVideoKbps);
        if (p.maxKbps > maxVideoKbps || p.maxKbps == 0)
            p.maxKbps = maxVideoKbps;
        p.sampleRate = rate;
        p.channels = std::min(p.channels, 2);
    };
    switch (s.outputFormat) {
    case OutVcd:
    case OutVcdStill:
        disc(352, 288, 240, 1150, 44100);
        p.videoKbps = 1150;
        p.minKbps = p.maxKbps = 1150;
        p.audioBitrate = 224000;
        break;
    case OutSvcd:
    case OutSvcdStill:
        disc(480, 576, 480, 2600, 44100);
        break;
    case OutDvd:
        disc(720, 576, 480, 9800, 48000);
        break;
    default:
        break;
    }

    switch (s.constraint) {
    case ConIpod:
    case ConIphone:
        p.h264Baseline = true;
        p.maxWidth = 640;
        p.maxHeight = 480;
        p.videoKbps = std::min(p.videoKbps, 2500);
        break;
    case ConIpodNano:
        p.h264Baseline = true;
        p.maxWidth = 320;
        p.maxHeight = 240;
        p.videoKbps = std::min(p.videoKbps, 768);
        break;
    default:
        break;
    }
    if (p.h264Baseline && p.width > p.maxWidth) {
        p.height = p.height * p.maxWidth / p.width;
        p.width = p.maxWidth;
    }
    if (p.h264Baseline && p.height > p.maxHeight) {
        p.width = p.width * p.maxHeight / p.height;
        p.height = p.maxHeight;
    }

    // MP2 has rates of its own; the disc formats fixed theirs above.
    if (p.audio == PlannedAudio::Mp2 && p.sampleRate != 32000 && p.sampleRate != 44100 &&
        p.sampleRate != 48000 && p.sampleRate != 16000 && p.sampleRate != 22050 &&
        p.sampleRate != 24000)
        p.sampleRate = 48000;
    if (p.audio == PlannedAudio::Pcm && s.outputFormat == OutDvd)
        p.pcmFormat = "S16BE";
    if (p.audio == PlannedAudio::Mp2 || p.audio == PlannedAudio::Mp3)
        p.channels = std::min(p.channels, 2);

    p.gop = p.video == PlannedVideo::H264 ? 250 : (p.fpsD == 1001 ? 15 : 12);
    return p;
}

} // namespace media
