#include "engine/WmvChainDispatch.h"

#include "engine/KXVideoEdit.h"

namespace engine {

namespace {

/// The system profile identifiers, in the order of the name and description lines.
const char* const kV8ProfileIds[] = {
    "{FEEDBCDF-3FAC-4C93-AC0D-47941EC72C0B}", "{AEE16DFA-2C14-4A2F-AD3F-A3034031784F}",
    "{D66920C4-C21F-4EC8-A0B4-95CF2BD57FC4}", "{5BDB5A0E-979E-47D3-9596-73B386392A55}",
    "{D8722C69-2419-4B36-B4E0-6E17B60564E5}", "{3DF678D9-1352-4186-BBF8-74F0C19B6AE2}",
    "{254E8A96-2612-405C-8039-F0BF725CED7D}", "{A2E300B4-C2D4-4FC0-B5DD-ECBD948DC0DF}",
    "{BBC75500-33D2-4466-B86B-122B201CC9AE}", "{29B00C2B-09A9-48BD-AD09-CDAE117D1DA7}",
    "{74D01102-E71A-4820-8F0D-13D2EC1E4872}", "{C8C2985F-E5D9-4538-9E23-9B21BF78F745}",
    "{931D1BEE-617A-4BCD-9905-CCD0786683EE}", "{9227C692-AE62-4F72-A7EA-736062D0E21E}",
    "{EC298949-639B-45E2-96FD-4AB32D5919C2}", "{7EA3126D-E1BA-4716-89AF-F65CEE0C0C67}",
    "{7E4CAB5C-35DC-45BB-A7C0-19B28070D0CC}", "{60907F9F-B352-47E5-B210-0EF1F47E9F9D}",
    "{5EE06BE5-492B-480A-8A8F-12F373ECF9D4}", "{09BB5BC4-3176-457F-8DD6-3CD919123E2D}",
    "{1FC81930-61F2-436F-9D33-349F2A1C0F10}", "{407B9450-8BDC-4EE5-88B8-6F527BD941F2}",
    "{8C45B4C7-4AEB-4F78-A5EC-88420B9DADEF}", "{6E2A6955-81DF-4943-BA50-68A986A708F6}",
    "{3510A862-5850-4886-835F-D78EC6A64042}", "{0F10D9D3-3B04-4FB0-A3D3-88D4AC854ACC}",
    "{048439BA-309C-440E-9CB4-3DCCA3756423}"};

const char* const kInternalProfileNames[] = {
    "Windows Media Video 9 for Dial-up Modems (28,8 kbps)",
    "Windows Media Video 9 for Dial-up Modems (56 kbps)",
    "Windows Media Video 9 for Dial-up Modems or LAN (28,8 to 100 kbps)",
    "Windows Media Video 9 for LAN,Cable Modem, or xDSL  (100 to 768kbps)",
    "Windows Media Video 9 for Local Network (100 kbps)",
    "Windows Media Video 9 for Local Network (256 kbps)",
    "Windows Media Video 9 for Local Network (384 kbps)",
    "Windows Media Video 9 for Local Network (768 kbps)",
    "Windows Media Video 9 for Pocket PC (225kbps)"};

} // namespace

std::shared_ptr<WmvCatalogues> LoadWmvCatalogues() {
    auto c = std::make_shared<WmvCatalogues>();
    for (int i = 1; i <= 17; ++i)
        c->InternalProfileTexts.Add(WMVResourceText(QStringLiteral("WMV_PROFILE_%1").arg(i)));
    for (const char* name : kInternalProfileNames)
        c->InternalProfileNames.Add(QString::fromLatin1(name));
    TKXWideStringList names, descriptions;
    names.SetText(WMVResourceText(QStringLiteral("WMV8_NAMES")));
    descriptions.SetText(WMVResourceText(QStringLiteral("WMV8_DESCS")));
    if (names.Count() == descriptions.Count()) {
        for (int i = 0; i < names.Count(); ++i) {
            TDSWMV8Profile p;
            p.Name = names[i];
            p.Description = descriptions[i];
            if (i < int(std::size(kV8ProfileIds)))
                p.ProfileId = QString::fromLatin1(kV8ProfileIds[i]);
            c->V8Profiles.push_back(p);
        }
    }
    return c;
}

WmvChainSettings WmvChainSettingsFrom(const TKXVideoEdit& e,
                                      std::shared_ptr<WmvCatalogues> catalogues) {
    WmvChainSettings s;
    TKXWMVSettings& p = s.properties;
    p.WMV_Mode = int(e.WMV_Mode());
    p.WMV_External_Profile_File_Name = e.WMV_External_Profile_File_Name();
    p.WMV_Internal_Profile_Name = e.WMV_Internal_Profile_Name();
    p.WMV_V8_Profile_Name = e.WMV_V8_Profile_Name();
    p.WMV_Custom_Profile_Name = e.WMV_Custom_Profile_Name();
    p.WMV_Custom_Profile_Description = e.WMV_Custom_Profile_Description();
    p.WMV_Custom_Profile_Language = e.WMV_Custom_Profile_Language();
    p.WMV_Custom_Audio_Codec = e.WMV_Custom_Audio_Codec();
    p.WMV_Custom_Audio_Format = e.WMV_Custom_Audio_Format();
    p.WMV_Custom_Audio_Mode = std::uint8_t(e.WMV_Custom_Audio_Mode());
    p.WMV_Custom_Audio_PeakBitrate = e.WMV_Custom_Audio_PeakBitrate();
    p.WMV_Custom_Audio_PeakBufferSize = e.WMV_Custom_Audio_PeakBufferSize();
    p.WMV_Custom_Audio_rfc1766langid = e.WMV_Custom_Audio_rfc1766langid();
    p.WMV_Custom_Audio_StreamPresent = e.WMV_Custom_Audio_StreamPresent();
    p.WMV_Custom_Video_StreamPresent = e.WMV_Custom_Video_StreamPresent();
    p.WMV_Custom_Video_Codec = e.WMV_Custom_Video_Codec();
    p.WMV_Custom_Video_Mode = std::uint8_t(e.WMV_Custom_Video_Mode());
    p.WMV_Custom_Video_Bitrate = e.WMV_Custom_Video_Bitrate();
    p.WMV_Custom_Video_PeakBitRate = e.WMV_Custom_Video_PeakBitRate();
    p.WMV_Custom_Video_PeakBufferSizeSeconds = e.WMV_Custom_Video_PeakBufferSizeSeconds();
    p.WMV_Custom_Video_Buffer_Size = e.WMV_Custom_Video_Buffer_Size();
    p.WMV_Custom_Video_Buffer_UseDefault = e.WMV_Custom_Video_Buffer_UseDefault();
    p.WMV_Custom_Video_Quality = e.WMV_Custom_Video_Quality();
    p.WMV_Custom_Video_KeyFrameInterval = e.WMV_Custom_Video_KeyFrameInterval();
    p.WMV_Custom_Video_FrameRate = e.WMV_Custom_Video_FrameRate();
    p.WMV_Custom_Video_Width = e.WMV_Custom_Video_Width();
    p.WMV_Custom_Video_Height = e.WMV_Custom_Video_Height();
    p.WMV_Custom_Video_SizeSameAsInput = e.WMV_Custom_Video_SizeSameAsInput();
    p.WMV_Custom_Video_Smoothness = e.WMV_Custom_Video_Smoothness();
    p.WMV_Custom_Video_TVSystem = std::uint8_t(e.WMV_Custom_Video_TVSystem());
    s.catalogues = std::move(catalogues);
    return s;
}

std::unique_ptr<TDSWMVEncoder>
BuildWindowsMediaChain(kx::TKXOutputFormat format, const WmvChainSettings& settings,
                       const ChainContext& ctx, const QString& fileName, media::PinPtr& videoPin,
                       media::PinPtr& audioPin, bool hasVideo, bool hasAudio, bool& complete) {
    complete = false;
    const bool wma = format == kx::Format_WMA;
    auto w = std::make_unique<TDSWMVEncoder>();
    w->Graph = ctx.graph;
    w->ErrorTexts = ctx.errorTexts;
    w->OnError = ctx.onError;
    w->OnFilterAdded = ctx.onFilterAdded;
    w->FileName = fileName;
    w->AddErrorCode = 53;
    w->CreateErrorCode = 54;
    w->ConnectErrorCode = 55;
    w->Settings = settings.properties;
    if (wma) {
        // Audio only: the custom video values are not handed over.
        const TKXWMVSettings defaults;
        TKXWMVSettings& p = w->Settings;
        p.WMV_Custom_Video_StreamPresent = defaults.WMV_Custom_Video_StreamPresent;
        p.WMV_Custom_Video_Codec = defaults.WMV_Custom_Video_Codec;
        p.WMV_Custom_Video_Mode = defaults.WMV_Custom_Video_Mode;
        p.WMV_Custom_Video_Bitrate = defaults.WMV_Custom_Video_Bitrate;
        p.WMV_Custom_Video_PeakBitRate = defaults.WMV_Custom_Video_PeakBitRate;
        p.WMV_Custom_Video_PeakBufferSizeSeconds = defaults.WMV_Custom_Video_PeakBufferSizeSeconds;
        p.WMV_Custom_Video_Buffer_Size = defaults.WMV_Custom_Video_Buffer_Size;
        p.WMV_Custom_Video_Buffer_UseDefault = defaults.WMV_Custom_Video_Buffer_UseDefault;
        p.WMV_Custom_Video_KeyFrameInterval = defaults.WMV_Custom_Video_KeyFrameInterval;
        p.WMV_Custom_Video_FrameRate = defaults.WMV_Custom_Video_FrameRate;
        p.WMV_Custom_Video_Width = defaults.WMV_Custom_Video_Width;
        p.WMV_Custom_Video_Height = defaults.WMV_Custom_Video_Height;
        p.WMV_Custom_Video_SizeSameAsInput = defaults.WMV_Custom_Video_SizeSameAsInput;
        p.WMV_Custom_Video_Smoothness = defaults.WMV_Custom_Video_Smoothness;
        p.WMV_Custom_Video_TVSystem = defaults.WMV_Custom_Video_TVSystem;
        // WMV_Custom_Video_Quality stays: it is also the audio quality of a custom profile.
    }
    if (settings.catalogues) {
        w->V8Profiles = &settings.catalogues->V8Profiles;
        w->InternalProfileNames = &settings.catalogues->InternalProfileNames;
        w->InternalProfileTexts = &settings.catalogues->InternalProfileTexts;
        w->CustomProfile = &settings.catalogues->CustomProfile;
    }
    w->HasAudio = hasAudio && audioPin;
    w->HasVideo = !wma && hasVideo && videoPin;
    if (!w->CreateFilter())
        return w;
    w->ConfigureProfile();
    bool connected = true;
    if (w->HasVideo) {
        if (w->ConnectVideo(videoPin) != media::S_OK) {
            ReportErrorCode(ctx.onError, ctx.errorTexts, 57);
            connected = false;
        } else {
            videoPin.reset();
        }
    }
    if (w->HasAudio) {
        if (w->ConnectAudio(audioPin) == media::S_OK) {
            audioPin.reset();
        } else {
            // WMA ignores the result; the writer's unfed input would stop the run anyway.
            if (!wma)
                ReportErrorCode(ctx.onError, ctx.errorTexts, 56);
            connected = false;
        }
    }
    complete = w->ProfileApplied && connected;
    return w;
}

} // namespace engine
