#include "filters/ed_wmv_custom_profiles.h"

#include "platform/media/WmProfileManager.h"

#include <cmath>

using media::Failed;
using media::Succeeded;
using media::WMPropertyType;
using media::WMGuid::MediaTypeAudio;
using media::WMGuid::MediaTypeVideo;
namespace WMProperty = media::WMProperty;

namespace {

constexpr int kNameBufferChars = 100;

struct Pass {
    std::uint8_t mode;
    bool setVbr; ///< set "_VBRENABLED" (and "_PASSESUSED" when it is TRUE)
    bool vbr;
    std::uint32_t passes;
};

/// The four enumeration passes; audio's first pass keeps the codec's default (one-pass CBR).
const Pass kPasses[] = {{wmv::KX_SM_CBR, false, false, 0},
                        {wmv::KX_SM_VBR_Quality, true, true, 1},
                        {wmv::KX_SM_VBR_Bitrate, true, true, 2},
                        {wmv::KX_SM_VBR_PeakBitrate, true, true, 2}};

bool ApplyPass(media::WMProfileManager& manager, const QString& majorType, std::uint32_t codec,
               const Pass& pass, bool video) {
    if (!pass.setVbr && !video)
        return true;
    if (!pass.vbr)
        return Succeeded(manager.SetCodecEnumerationSetting(
            majorType, codec, WMProperty::VbrEnabled, WMPropertyType::Bool, 0));
    return Succeeded(manager.SetCodecEnumerationSetting(majorType, codec, WMProperty::VbrEnabled,
                                                        WMPropertyType::Bool, 1)) &&
           Succeeded(manager.SetCodecEnumerationSetting(majorType, codec, WMProperty::PassesUsed,
                                                        WMPropertyType::Dword, pass.passes));
}

} // namespace

TKX_WMV_CustomProfile::TKX_WMV_CustomProfile() {
    EnumerateAudioCodecs();
    EnumerateVideoCodecs();
}

void TKX_WMV_CustomProfile::EnumerateAudioCodecs() {
    AudioCodecs.clear();
    media::WMProfileManager manager;
    std::uint32_t count = 0;
    if (Failed(manager.GetCodecInfoCount(MediaTypeAudio, count)))
        return;
    for (std::uint32_t i = 0; i < count; ++i) {
        TKX_WMV_AudioCodec codec;
        manager.GetCodecName(MediaTypeAudio, i, codec.Name, kNameBufferChars);
        for (const Pass& pass : kPasses) {
            if (!ApplyPass(manager, MediaTypeAudio, i, pass, false))
                continue;
            std::uint32_t formats = 0;
            manager.GetCodecFormatCount(MediaTypeAudio, i, formats);
            for (std::uint32_t j = 0; j < formats; ++j) {
                media::WMStreamConfig config;
                TKX_WMV_AudioCodec_Format f;
                if (Failed(manager.GetCodecFormatDesc(MediaTypeAudio, i, j, config, f.Description)))
                    continue;
                f.Mode = pass.mode;
                media::WMMediaType type;
                if (Succeeded(config.GetMediaType(type))) {
                    if (type.formatType == media::WMGuid::FormatWaveFormatEx) {
                        f.Bitrate = pass.mode == wmv::KX_SM_VBR_Quality
                                        ? 0
                                        : std::int32_t(type.wave.avgBytesPerSec * 8);
                        f.Channels = std::uint8_t(type.wave.channels);
                        f.SampleRate = std::int32_t(type.wave.samplesPerSec);
                        f.BitsPerSample = std::uint8_t(type.wave.bitsPerSample);
                    }
                    f.MediaType = std::make_unique<media::WMMediaType>(std::move(type));
                }
                codec.Formats.push_back(std::move(f));
            }
        }
        AudioCodecs.push_back(std::move(codec));
    }
}

void TKX_WMV_CustomProfile::EnumerateVideoCodecs() {
    VideoCodecs.clear();
    media::WMProfileManager manager;
    std::uint32_t count = 0;
    if (Failed(manager.GetCodecInfoCount(MediaTypeVideo, count)))
        return;
    for (std::uint32_t i = 0; i < count; ++i) {
        TKX_WMV_VideoCodec codec;
        manager.GetCodecName(MediaTypeVideo, i, codec.Name, kNameBufferChars);
        for (const Pass& pass : kPasses) {
            if (!ApplyPass(manager, MediaTypeVideo, i, pass, true))
                continue;
            std::uint32_t formats = 0;
            manager.GetCodecFormatCount(MediaTypeVideo, i, formats);
            for (std::uint32_t j = 0; j < formats; ++j) {
                media::WMStreamConfig config;
                if (Failed(manager.GetCodecFormat(MediaTypeVideo, i, j, config)))
                    continue;
                TKX_WMV_VideoCodec_Format f;
                f.Mode = pass.mode;
                config.GetStreamName(f.StreamName, kNameBufferChars);
                media::WMMediaType type;
                if (Succeeded(config.GetMediaType(type)))
                    f.MediaType = std::make_unique<media::WMMediaType>(std::move(type));
                codec.Formats.push_back(std::move(f));
            }
        }
        VideoCodecs.push_back(std::move(codec));
    }
}

void TKX_WMV_CustomProfile::BuildProfile(QString& warnings) {
    warnings.clear();
    auto warn = [&warnings](int code) { warnings += QString::number(code) + QLatin1Char(';'); };
    // A refused step adds its code; the build goes on either way.
    auto check = [&warn](media::HRESULT hr, int code) {
        if (Failed(hr))
            warn(code);
        return Succeeded(hr);
    };

    media::WMProfileManager manager;
    media::WMProfile profile;
    manager.CreateEmptyProfile(media::WMT_VER_9_0, profile);
    profile.SetName(ProfileName);
    profile.SetDescription(ProfileDescription);

    if (VideoStreamPresent) {
        media::WMStreamConfig stream;
        profile.CreateNewStream(MediaTypeVideo, stream);
        stream.SetStreamNumber(1);
        stream.SetStreamName(QStringLiteral("VideoStream1"));
        stream.SetConnectionName(QStringLiteral("VS1"));

        const media::WMMediaType* picked = nullptr;
        for (const TKX_WMV_VideoCodec& codec : VideoCodecs) {
            if (codec.Name != VideoCodec)
                continue;
            for (const TKX_WMV_VideoCodec_Format& f : codec.Formats) {
                if (f.Mode == VideoMode && f.MediaType) {
                    picked = f.MediaType.get();
                    break;
                }
            }
            if (picked)
                break;
        }
        const bool quality = VideoMode == wmv::KX_SM_VBR_Quality;
        if (!quality) {
            stream.SetBitrate(std::uint32_t(VideoBitrate) * 1000);
            stream.SetBufferWindow(5000);
        }
        if (picked) {
            media::WMMediaType type = *picked;
            media::WMVideoInfo& v = type.video;
            v.source.right = v.target.right = VideoWidth;
            v.source.bottom = v.target.bottom = VideoHeight;
            v.bitRate = quality ? 0 : std::uint32_t(VideoBitrate) * 1000;
            v.bitErrorRate = 0;
            // Rounded to the nearest, halves to even. No rate gives no frame time, which the
            // stream refuses (code 159) instead of dividing by zero.
            const double frameTime = VideoFrameRate > 0 ? 1e7 / VideoFrameRate : 0.0;
            v.avgTimePerFrame =
                std::isfinite(frameTime) ? std::int64_t(std::nearbyint(frameTime)) : 0;
            v.width = VideoWidth;
            v.height = VideoHeight;
            if (auto* props = stream.QueryInterface<media::IWMVideoMediaProps>()) {
                if (quality)
                    check(props->SetQuality(VideoQuality), 157);
                check(props->SetMaxKeyFrameSpacing(std::int64_t(VideoKeyFrameInterval) * 10000000),
                      158);
                check(props->SetMediaType(type), 159);
            }
            if (auto* vault = stream.QueryInterface<media::IWMPropertyVault>()) {
                if (VideoMode != wmv::KX_SM_CBR)
                    check(vault->SetProperty(WMProperty::VbrEnabled, WMPropertyType::Bool, 1), 160);
                if (quality && VideoQuality > 0) {
                    check(vault->SetProperty(WMProperty::VbrQuality, WMPropertyType::Dword,
                                             VideoQuality),
                          161);
                    check(vault->SetProperty(WMProperty::PeakBitrate, WMPropertyType::Dword, 0),
                          162);
                    check(
                        vault->SetProperty(WMProperty::PeakBufferWindow, WMPropertyType::Dword, 0),
                        163);
                }
                if (VideoMode == wmv::KX_SM_VBR_PeakBitrate && VideoPeakBitrate > 0)
                    check(vault->SetProperty(WMProperty::PeakBitrate, WMPropertyType::Dword,
                                             std::uint32_t(VideoPeakBitrate) * 1000),
                          164);
            }
        }
        profile.AddStream(stream);
    }

    if (AudioStreamPresent) {
        media::WMStreamConfig stream;
        profile.CreateNewStream(MediaTypeAudio, stream);
        const TKX_WMV_AudioCodec_Format* picked = nullptr;
        for (const TKX_WMV_AudioCodec& codec : AudioCodecs) {
            if (codec.Name != AudioCodec)
                continue;
            for (const TKX_WMV_AudioCodec_Format& f : codec.Formats) {
                if (f.Description == AudioFormat) {
                    picked = &f;
                    break;
                }
            }
            if (picked)
                break;
        }
        if (picked) {
            stream.SetStreamNumber(2);
            stream.SetStreamName(QStringLiteral("AudioStream1"));
            stream.SetConnectionName(QStringLiteral("AS1"));
            if (AudioMode != wmv::KX_SM_VBR_Quality)
                stream.SetBitrate(picked->MediaType ? picked->MediaType->wave.avgBytesPerSec * 8
                                                    : std::uint32_t(picked->Bitrate));
            if (picked->MediaType)
                (void)stream.QueryInterface<media::IWMMediaProps>()->SetMediaType(
                    *picked->MediaType);
            bool add = true;
            if (auto* vault = stream.QueryInterface<media::IWMPropertyVault>()) {
                if (AudioMode != wmv::KX_SM_CBR)
                    add = check(vault->SetProperty(WMProperty::VbrEnabled, WMPropertyType::Bool, 1),
                                165);
                if (AudioMode == wmv::KX_SM_VBR_PeakBitrate) {
                    if (AudioPeakBitrate < 1) {
                        warn(168);
                    } else {
                        add =
                            check(vault->SetProperty(WMProperty::PeakBitrate, WMPropertyType::Dword,
                                                     std::uint32_t(AudioPeakBitrate) * 1000),
                                  166);
                        add = check(vault->SetProperty(WMProperty::PeakBufferWindow,
                                                       WMPropertyType::Dword, 1500),
                                    167);
                    }
                }
                if (AudioMode == wmv::KX_SM_VBR_Quality && AudioQuality > 0) {
                    add = check(vault->SetProperty(WMProperty::VbrQuality, WMPropertyType::Dword,
                                                   AudioQuality),
                                169);
                    add = check(
                        vault->SetProperty(WMProperty::PeakBitrate, WMPropertyType::Dword, 0), 170);
                    add = check(
                        vault->SetProperty(WMProperty::PeakBufferWindow, WMPropertyType::Dword, 0),
                        171);
                }
            } else {
                add = false;
            }
            if (add)
                profile.AddStream(stream);
        }
    }

    QString text;
    std::uint32_t length = 0;
    manager.SaveProfile(profile, text, length);
    if (!text.isEmpty())
        text[0] = QChar(char16_t(0xFEFF));
    ProfileText = text;
    ProfileTextLength = length;
}
