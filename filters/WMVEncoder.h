#pragma once

// The Windows Media writer wrapper: creates "WM Writer", gives it the output file, chooses a
// Windows Media profile (a file, a built-in profile, the custom settings or a system profile),
// removes the streams the conversion does not feed, applies it and connects the sources.
// Calling order: fill the fields, codes and references, set graph, texts and handlers;
// CreateFilter; when it succeeds ConfigureProfile; then ConnectVideo and ConnectAudio.
// Graph-building thread only.

#include "filters/DSBaseFilter.h"
#include "filters/ed_wmv_custom_profiles.h"
#include "platform/media/WmAsfWriter.h"

#include <cstdint>
#include <vector>

/// A Windows Media 8 system profile of the engine's catalogue.
struct TDSWMV8Profile {
    QString Description;
    QString ProfileId; ///< braced identifier
    QString Name;
};

/// The engine's Windows Media settings, named like the engine's properties. Modes and systems
/// carry the engine's enumeration ordinals; bit rates are kbit/s.
struct TKXWMVSettings {
    std::int32_t WMV_Mode = 0; ///< 0 external file, 1 built-in, 2 custom settings, 3 system
    QString WMV_External_Profile_File_Name;
    QString WMV_Internal_Profile_Name;
    QString WMV_V8_Profile_Name;
    QString WMV_Custom_Profile_Name;
    QString WMV_Custom_Profile_Description;
    QString WMV_Custom_Profile_Language;
    QString WMV_Custom_Audio_Codec;
    QString WMV_Custom_Audio_Format;
    std::uint8_t WMV_Custom_Audio_Mode = 0;
    std::int32_t WMV_Custom_Audio_PeakBitrate = 0;
    std::uint8_t WMV_Custom_Audio_PeakBufferSize = 0;
    QString WMV_Custom_Audio_rfc1766langid;
    bool WMV_Custom_Audio_StreamPresent = false;
    bool WMV_Custom_Video_StreamPresent = false;
    QString WMV_Custom_Video_Codec;
    std::uint8_t WMV_Custom_Video_Mode = 0;
    std::int32_t WMV_Custom_Video_Bitrate = 0;
    std::int32_t WMV_Custom_Video_PeakBitRate = 0;
    std::uint8_t WMV_Custom_Video_PeakBufferSizeSeconds = 0;
    std::int32_t WMV_Custom_Video_Buffer_Size = 0;
    bool WMV_Custom_Video_Buffer_UseDefault = false;
    std::uint8_t WMV_Custom_Video_Quality = 0;
    std::uint8_t WMV_Custom_Video_KeyFrameInterval = 0;
    double WMV_Custom_Video_FrameRate = 0.0;
    std::int32_t WMV_Custom_Video_Width = 0;
    std::int32_t WMV_Custom_Video_Height = 0;
    bool WMV_Custom_Video_SizeSameAsInput = false;
    std::uint8_t WMV_Custom_Video_Smoothness = 0;
    std::uint8_t WMV_Custom_Video_TVSystem = 0;
};

/// The text of one of the Windows Media resources ("WMV_PROFILE_1" to "WMV_PROFILE_17",
/// "WMV8_NAMES", "WMV8_DESCS"); empty when there is no such resource. Any thread.
QString WMVResourceText(const QString& name);

class TDSWMVEncoder : public TDSBaseFilter {
public:
    TDSWMVEncoder() { FilterName = QStringLiteral("WM Writer"); }
    ~TDSWMVEncoder() override;

    bool HasAudio = false; ///< the conversion feeds an audio stream
    bool HasVideo = false; ///< the conversion feeds a video stream
    QString FileName;
    TKXWMVSettings Settings;

    // The engine's catalogues, not owned.
    const std::vector<TDSWMV8Profile>* V8Profiles = nullptr;
    const TKXWideStringList* InternalProfileNames = nullptr;
    const TKXWideStringList* InternalProfileTexts = nullptr;
    TKX_WMV_CustomProfile* CustomProfile = nullptr;

    media::IConfigAsfWriter* Config = nullptr;
    media::IFileSinkFilter* Sink = nullptr;
    /// The profile applied to the writer; empty before ConfigureProfile or when none applied.
    media::WMProfile Profile;
    bool ProfileApplied = false;

    bool CreateFilter() override;
    /// Chooses, trims and applies the profile. A profile that cannot be had or applied is
    /// reported in words (code 0) and leaves the writer without inputs.
    void ConfigureProfile();
    [[nodiscard]] media::HRESULT ConnectAudio(const media::PinPtr& source);
    [[nodiscard]] media::HRESULT ConnectVideo(const media::PinPtr& source);
    void ReleaseFilter() override;

private:
    bool ObtainProfile(media::WMProfile& profile, QString& why);
    media::HRESULT ConnectKind(const media::PinPtr& source, media::MajorType kind);
    void ReportText(const QString& text) const;
};
