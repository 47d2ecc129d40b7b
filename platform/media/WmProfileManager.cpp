#include "platform/media/WmProfileManager.h"

#include <cmath>

namespace media {

namespace {

bool SameGuid(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// --- System profiles ---
// Windows Media 8 profiles: video in Windows Media Video 8, audio in Windows Media Audio 8
// (the 0x0161 format). Streams the platform offers in several rates for one audience carry
// the top rate here.

struct SystemVideo {
    int width = 0, height = 0;
    std::int64_t frameTime = 0; ///< 100-ns units
    int kbps = 0;               ///< 0 with a quality: quality-based
    int quality = 0;            ///< 0..100 for quality-based profiles
    int keySeconds = 0;
};

struct SystemAudio {
    int rate = 0, channels = 0;
    int kbps = 0;
    int quality = 0; ///< 0..100 for quality-based profiles
};

struct SystemProfile {
    const char* id;
    const char* name;
    const char* description;
    SystemVideo video;
    SystemAudio audio;
};

constexpr std::int64_t k15 = 666667, k25 = 400000, k30 = 333333, kNtsc = 333667;

const char* const kPocket = "Use this profile when creating video files for playback on ";
const char* const kLocal = "Use this profile for high quality audio/video content intended for "
                           "local playback or for download and playback.";
const char* const kRadio = "Use this profile for radio and music content (audio only).";
const char* const kFast =
    "Use this profile for target audiences with high speed Internet or LAN connections.";
const char* const kVideoOnly = "Use this profile when creating video-only content for target "
                               "audiences with dial-up modems.";

const SystemProfile* SystemProfiles(int& count) {
    static const QByteArray pocketFast = QByteArray(kPocket) + "faster color Pocket PCs.";
    static const QByteArray pocketMost = QByteArray(kPocket) + "most Pocket PCs.";
    static const SystemProfile profiles[] = {
        {"{FEEDBCDF-3FAC-4C93-AC0D-47941EC72C0B}",
         "Windows Media Video 8 for Color Pocket PCs (225 Kbps)",
         pocketFast.constData(),
         {208, 160, k15, 193, 0, 5},
         {22050, 2, 32, 0}},
        {"{AEE16DFA-2C14-4A2F-AD3F-A3034031784F}",
         "Windows Media Video 8 for Color Pocket PCs (150 Kbps)",
         pocketMost.constData(),
         {208, 160, k15, 118, 0, 5},
         {22050, 2, 32, 0}},
        {"{D66920C4-C21F-4EC8-A0B4-95CF2BD57FC4}",
         "Windows Media Video 8 for Dial-up Modems or Single-channel ISDN (28.8 to 56 Kbps)",
         "Use this multiple bit rate profile for target audiences with dial-up modems or "
         "single-channel ISDN connections (bandwidth is between 28.8 Kbps and 56 Kbps).",
         {176, 144, k15, 37, 0, 8},
         {16000, 1, 16, 0}},
        {"{5BDB5A0E-979E-47D3-9596-73B386392A55}",
         "Windows Media Video 8 for LAN, Cable Modem, or xDSL (100 to 768 Kbps)",
         "Use this multiple bit rate profile for target audiences with dual-channel ISDN, LAN, "
         "cable modem, or xDSL connections (bandwidth is between 100 Kbps and 500 Kbps).",
         {320, 240, k30, 704, 0, 5},
         {44100, 2, 64, 0}},
        {"{D8722C69-2419-4B36-B4E0-6E17B60564E5}",
         "Windows Media Video 8 for Dial-up Modems or LAN (28.8 to 100 Kbps)",
         "Use this multiple bit rate profile for target audiences with dial-up modem, LAN, or "
         "dual-channel ISDN connections (bandwidth is between 28.8 and 100 Kbps).",
         {320, 240, k15, 84, 0, 8},
         {22050, 1, 16, 0}},
        {"{3DF678D9-1352-4186-BBF8-74F0C19B6AE2}",
         "Windows Media Video 8 for Dial-up Modems (28.8 Kbps)",
         "Use this profile for low bit rate audio/video delivery over 28.8 Kbps dial-up "
         "connections.",
         {160, 120, k15, 14, 0, 8},
         {8000, 1, 8, 0}},
        {"{254E8A96-2612-405C-8039-F0BF725CED7D}",
         "Windows Media Video 8 for Dial-up Modems (56 Kbps)",
         "Use this profile for low bit rate audio/video delivery over 56 Kbps dial-up "
         "connections.",
         {176, 144, k15, 32, 0, 8},
         {16000, 1, 10, 0}},
        {"{A2E300B4-C2D4-4FC0-B5DD-ECBD948DC0DF}",
         "Windows Media Video 8 for Local Area Network (100 Kbps)",
         "Use this profile for medium bit rate delivery over dual-channel ISDN, LAN, or cable "
         "modem connections.",
         {320, 240, k15, 84, 0, 8},
         {16000, 1, 16, 0}},
        {"{BBC75500-33D2-4466-B86B-122B201CC9AE}",
         "Windows Media Video 8 for Local Area Network (256 Kbps)",
         kLocal,
         {320, 240, k30, 224, 0, 5},
         {32000, 2, 32, 0}},
        {"{29B00C2B-09A9-48BD-AD09-CDAE117D1DA7}",
         "Windows Media Video 8 for Local Area Network (384 Kbps)",
         kLocal,
         {320, 240, k30, 320, 0, 5},
         {44100, 2, 64, 0}},
        {"{74D01102-E71A-4820-8F0D-13D2EC1E4872}",
         "Windows Media Video 8 for Local Area Network (768 Kbps)",
         kLocal,
         {320, 240, k30, 704, 0, 5},
         {44100, 2, 64, 0}},
        {"{C8C2985F-E5D9-4538-9E23-9B21BF78F745}",
         "Windows Media Video 8 for Broadband (NTSC, 700 Kbps)",
         "Use this profile for high quality audio/video content intended for local playback or "
         "download and playback.",
         {320, 240, kNtsc, 636, 0, 5},
         {44100, 2, 64, 0}},
        {"{931D1BEE-617A-4BCD-9905-CCD0786683EE}",
         "Windows Media Video 8 for Broadband (NTSC, 1400 Kbps)",
         kLocal,
         {640, 480, kNtsc, 1304, 0, 5},
         {44100, 2, 96, 0}},
        {"{9227C692-AE62-4F72-A7EA-736062D0E21E}",
         "Windows Media Video 8 for Broadband (PAL, 384 Kbps)",
         kLocal,
         {384, 288, k25, 320, 0, 5},
         {44100, 2, 64, 0}},
        {"{EC298949-639B-45E2-96FD-4AB32D5919C2}",
         "Windows Media Video 8 for Broadband (PAL, 700 Kbps)",
         kLocal,
         {384, 288, k25, 636, 0, 5},
         {44100, 2, 64, 0}},
        {"{7EA3126D-E1BA-4716-89AF-F65CEE0C0C67}",
         "Windows Media Audio 8 for Dial-up Modem (Mono, 28.8 Kbps)",
         kRadio,
         {},
         {22050, 1, 20, 0}},
        {"{7E4CAB5C-35DC-45BB-A7C0-19B28070D0CC}",
         "Windows Media Audio 8 for Dial-up Modem (FM Radio Stereo, 28.8 Kbps)",
         kRadio,
         {},
         {22050, 2, 20, 0}},
        {"{60907F9F-B352-47E5-B210-0EF1F47E9F9D}",
         "Windows Media Audio 8 for Dial-up Modem (32 Kbps)",
         kRadio,
         {},
         {22050, 2, 32, 0}},
        {"{5EE06BE5-492B-480A-8A8F-12F373ECF9D4}",
         "Windows Media Audio 8 for Dial-up Modem (Near CD quality, 48 Kbps)",
         "Use for radio, music, and general purpose audio content.",
         {},
         {44100, 2, 48, 0}},
        {"{09BB5BC4-3176-457F-8DD6-3CD919123E2D}",
         "Windows Media Audio 8 for Dial-up Modem (CD quality, 64 Kbps)",
         kFast,
         {},
         {44100, 2, 64, 0}},
        {"{1FC81930-61F2-436F-9D33-349F2A1C0F10}",
         "Windows Media Audio 8 for ISDN (Better than CD quality, 96 Kbps)",
         kFast,
         {},
         {44100, 2, 96, 0}},
        {"{407B9450-8BDC-4EE5-88B8-6F527BD941F2}",
         "Windows Media Audio 8 for ISDN (Better than CD quality, 128 Kbps)",
         kFast,
         {},
         {44100, 2, 128, 0}},
        {"{8C45B4C7-4AEB-4F78-A5EC-88420B9DADEF}",
         "Windows Media Video 8 for Dial-up Modem (No audio, 28.8 Kbps)",
         kVideoOnly,
         {160, 120, k15, 22, 0, 8},
         {}},
        {"{6E2A6955-81DF-4943-BA50-68A986A708F6}",
         "Windows Media Video 8 for Dial-up Modem (No audio, 56 Kbps)",
         kVideoOnly,
         {176, 144, k15, 45, 0, 8},
         {}},
        {"{3510A862-5850-4886-835F-D78EC6A64042}",
         "Windows Media 8 Fair Quality based VBR for Broadband",
         "Fair to high quality based profile for VBR content that is quality constrained.",
         {640, 480, kNtsc, 0, 70, 8},
         {44100, 2, 0, 50}},
        {"{0F10D9D3-3B04-4FB0-A3D3-88D4AC854ACC}",
         "Windows Media 8 High Quality based VBR for Broadband",
         "High to best quality based profile for VBR content that is quality constrained.",
         {640, 480, kNtsc, 0, 85, 8},
         {44100, 2, 0, 75}},
        {"{048439BA-309C-440E-9CB4-3DCCA3756423}",
         "Windows Media 8 Best Quality based VBR for Broadband",
         "Best quality based profile for VBR content that is quality constrained.",
         {640, 480, kNtsc, 0, 98, 8},
         {44100, 2, 0, 90}},
    };
    count = int(std::size(profiles));
    return profiles;
}

/// The rate a quality-based audio stream comes out at for typical music.
int AudioKbpsForQuality(int quality) {
    return quality >= 90 ? 192 : quality >= 75 ? 128 : quality >= 50 ? 96 : 64;
}

WMProfile MakeSystemProfile(const SystemProfile& p) {
    WMProfile profile;
    WMProfileManager().CreateEmptyProfile(WMT_VER_8_0, profile);
    profile.SetName(QString::fromLatin1(p.name));
    profile.SetDescription(QString::fromLatin1(p.description));
    std::uint16_t number = 1;
    if (p.audio.rate > 0) {
        const SystemAudio& a = p.audio;
        const int kbps = a.kbps > 0 ? a.kbps : AudioKbpsForQuality(a.quality);
        WMStreamConfig s;
        profile.CreateNewStream(WMGuid::MediaTypeAudio, s);
        s.SetStreamNumber(number++);
        s.SetStreamName(QStringLiteral("Audio Stream"));
        s.SetConnectionName(QStringLiteral("Audio409"));
        s.SetBitrate(a.kbps > 0 ? std::uint32_t(kbps * 1000) : 0);
        s.SetBufferWindow(a.quality > 0 ? 0xFFFFFFFF : 5000);
        s.Language = QStringLiteral("en-us");
        WMMediaType t;
        t.majorType = WMGuid::MediaTypeAudio;
        t.subtype = WMSubtypeFor(WMTag::Wma2);
        t.fixedSizeSamples = true;
        t.formatType = WMGuid::FormatWaveFormatEx;
        t.wave.formatTag = WMTag::Wma2;
        t.wave.channels = std::uint16_t(a.channels);
        t.wave.samplesPerSec = std::uint32_t(a.rate);
        t.wave.avgBytesPerSec = std::uint32_t(kbps * 1000 / 8);
        t.wave.bitsPerSample = 16;
        t.wave.blockAlign = std::uint16_t(
            std::min<long>(65535, std::lround(double(t.wave.avgBytesPerSec) * 16384 / a.rate)));
        t.sampleSize = t.wave.blockAlign;
        s.SetMediaType(t);
        if (a.quality > 0) {
            s.SetProperty(WMProperty::VbrEnabled, WMPropertyType::Bool, 1);
            s.SetProperty(WMProperty::VbrQuality, WMPropertyType::Dword, std::uint32_t(a.quality));
        }
        profile.AddStream(s);
    }
    if (p.video.width > 0) {
        const SystemVideo& v = p.video;
        WMStreamConfig s;
        profile.CreateNewStream(WMGuid::MediaTypeVideo, s);
        s.SetStreamNumber(number++);
        s.SetStreamName(QStringLiteral("Video Stream"));
        s.SetConnectionName(QStringLiteral("Video409"));
        s.SetBitrate(std::uint32_t(v.kbps * 1000));
        s.SetBufferWindow(v.quality > 0 ? 0xFFFFFFFF : 5000);
        s.Language = QStringLiteral("en-us");
        s.DecoderComplexity = QStringLiteral("AU");
        WMMediaType t;
        t.majorType = WMGuid::MediaTypeVideo;
        t.subtype = WMSubtypeFor(WMFourcc("WMV2"));
        t.temporalCompression = true;
        t.formatType = WMGuid::FormatVideoInfo;
        t.video.source = t.video.target = {0, 0, v.width, v.height};
        t.video.bitRate = std::uint32_t(v.kbps * 1000);
        t.video.avgTimePerFrame = v.frameTime;
        t.video.width = v.width;
        t.video.height = v.height;
        t.video.compression = WMFourcc("WMV2");
        s.SetMediaType(t);
        s.SetQuality(v.quality > 0 ? 100 : 75);
        s.SetMaxKeyFrameSpacing(std::int64_t(v.keySeconds) * 10000000);
        if (v.quality > 0) {
            s.SetProperty(WMProperty::VbrEnabled, WMPropertyType::Bool, 1);
            s.SetProperty(WMProperty::VbrQuality, WMPropertyType::Dword, std::uint32_t(v.quality));
        }
        profile.AddStream(s);
    }
    return profile;
}

} // namespace

HRESULT WMProfileManager::CreateEmptyProfile(std::uint32_t version, WMProfile& profile) const {
    if (version != WMT_VER_4_0 && version != WMT_VER_7_0 && version != WMT_VER_8_0 &&
        version != WMT_VER_9_0)
        return E_INVALIDARG;
    profile = WMProfile();
    profile.version_ = version;
    return S_OK;
}

HRESULT WMProfileManager::LoadProfileByData(const QString& text, WMProfile& profile,
                                            QString* why) const {
    return ParseProfileText(text, profile, why);
}

HRESULT WMProfileManager::LoadProfileByID(const QString& profileId, WMProfile& profile) const {
    int count = 0;
    const SystemProfile* profiles = SystemProfiles(count);
    for (int i = 0; i < count; ++i) {
        if (SameGuid(profileId, QLatin1String(profiles[i].id))) {
            profile = MakeSystemProfile(profiles[i]);
            return S_OK;
        }
    }
    return VFW_E_NOT_FOUND;
}

HRESULT WMProfileManager::SaveProfile(const WMProfile& profile, QString& text,
                                      std::uint32_t& length) const {
    text = ProfileToText(profile);
    length = std::uint32_t(text.size() + 1);
    return S_OK;
}

QStringList WMProfileManager::SystemProfileIds() {
    int count = 0;
    const SystemProfile* profiles = SystemProfiles(count);
    QStringList ids;
    for (int i = 0; i < count; ++i)
        ids << QString::fromLatin1(profiles[i].id);
    return ids;
}

const std::vector<WMCodecEntry>* WMProfileManager::Codecs(const QString& majorType) const {
    if (SameGuid(majorType, WMGuid::MediaTypeAudio))
        return &WMAudioCodecs();
    if (SameGuid(majorType, WMGuid::MediaTypeVideo))
        return &WMVideoCodecs();
    return nullptr;
}

const std::vector<WMCodecFormat>* WMProfileManager::Formats(const QString& majorType,
                                                            std::uint32_t codec) const {
    const auto* codecs = Codecs(majorType);
    if (!codecs || codec >= codecs->size())
        return nullptr;
    const WMCodecEntry& entry = (*codecs)[codec];
    auto it = enumeration_.find({SameGuid(majorType, WMGuid::MediaTypeVideo), codec});
    const Enumeration e = it == enumeration_.end() ? Enumeration() : it->second;
    if (!e.variableRate)
        return &entry.constant;
    return e.passes == 1 ? &entry.quality : &entry.twoPass;
}

HRESULT WMProfileManager::GetCodecInfoCount(const QString& majorType, std::uint32_t& count) const {
    const auto* codecs = Codecs(majorType);
    count = codecs ? std::uint32_t(codecs->size()) : 0;
    return codecs ? S_OK : E_INVALIDARG;
}

HRESULT WMProfileManager::GetCodecName(const QString& majorType, std::uint32_t codec, QString& name,
                                       int maxChars) const {
    const auto* codecs = Codecs(majorType);
    if (!codecs || codec >= codecs->size() || maxChars < 1)
        return E_INVALIDARG;
    name = (*codecs)[codec].name.left(maxChars - 1);
    return S_OK;
}

HRESULT WMProfileManager::SetCodecEnumerationSetting(const QString& majorType, std::uint32_t codec,
                                                     const QString& name, WMPropertyType type,
                                                     std::uint32_t value) {
    const auto* codecs = Codecs(majorType);
    if (!codecs || codec >= codecs->size())
        return E_INVALIDARG;
    Enumeration& e = enumeration_[{SameGuid(majorType, WMGuid::MediaTypeVideo), codec}];
    if (name == WMProperty::VbrEnabled && type == WMPropertyType::Bool && value <= 1) {
        if (value && !(*codecs)[codec].HasVariableRate())
            return NS_E_INVALID_REQUEST;
        e.variableRate = value != 0;
        return S_OK;
    }
    if (name == WMProperty::PassesUsed && type == WMPropertyType::Dword &&
        (value == 1 || value == 2)) {
        e.passes = value;
        return S_OK;
    }
    return E_INVALIDARG;
}

HRESULT WMProfileManager::GetCodecFormatCount(const QString& majorType, std::uint32_t codec,
                                              std::uint32_t& count) const {
    const auto* formats = Formats(majorType, codec);
    count = formats ? std::uint32_t(formats->size()) : 0;
    return formats ? S_OK : E_INVALIDARG;
}

HRESULT WMProfileManager::GetCodecFormat(const QString& majorType, std::uint32_t codec,
                                         std::uint32_t format, WMStreamConfig& stream) const {
    QString description;
    return GetCodecFormatDesc(majorType, codec, format, stream, description);
}

HRESULT WMProfileManager::GetCodecFormatDesc(const QString& majorType, std::uint32_t codec,
                                             std::uint32_t format, WMStreamConfig& stream,
                                             QString& description) const {
    const auto* formats = Formats(majorType, codec);
    if (!formats || format >= formats->size())
        return E_INVALIDARG;
    const WMCodecFormat& f = (*formats)[format];
    WMProfile scratch;
    scratch.CreateNewStream(majorType, stream);
    stream.SetStreamName(f.streamName);
    stream.SetMediaType(f.mediaType);
    stream.SetBitrate(f.mediaType.IsAudio() ? f.mediaType.wave.avgBytesPerSec * 8
                                            : f.mediaType.video.bitRate);
    description = f.description;
    return S_OK;
}

} // namespace media
