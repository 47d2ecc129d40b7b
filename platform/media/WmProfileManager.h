#pragma once

// The Windows Media profile manager: makes empty profiles, loads them from PRX text or by a
// system profile identifier, saves them as PRX text, and enumerates the installed codecs and
// their formats. A manager keeps only its codec enumeration settings; make one where it is
// needed (one thread per manager at a time).

#include "platform/media/WmCodecCatalogue.h"
#include "platform/media/WmProfile.h"

#include <QStringList>

#include <map>
#include <utility>

namespace media {

class WMProfileManager {
public:
    /// E_INVALIDARG for a version other than 4.0, 7.0, 8.0 or 9.0.
    HRESULT CreateEmptyProfile(std::uint32_t version, WMProfile& profile) const;
    /// Reads PRX text (a leading U+FEFF is accepted); E_INVALIDARG with the reason in `why`
    /// for anything else.
    HRESULT LoadProfileByData(const QString& text, WMProfile& profile,
                              QString* why = nullptr) const;
    /// One of the system profiles (braced identifier, any letter case); VFW_E_NOT_FOUND for an
    /// identifier the manager does not know.
    HRESULT LoadProfileByID(const QString& profileId, WMProfile& profile) const;
    /// The profile's PRX text (starting with U+FEFF) and its length in characters, terminating
    /// zero included.
    HRESULT SaveProfile(const WMProfile& profile, QString& text, std::uint32_t& length) const;

    /// The identifiers LoadProfileByID knows, in the platform's order.
    static QStringList SystemProfileIds();

    // Codec information. `majorType` is the audio or the video major type; `codec` and
    // `format` count from 0. E_INVALIDARG for an index outside the lists.
    HRESULT GetCodecInfoCount(const QString& majorType, std::uint32_t& count) const;
    /// The codec's name, cut to `maxChars` - 1 characters.
    HRESULT GetCodecName(const QString& majorType, std::uint32_t codec, QString& name,
                         int maxChars = 1 << 16) const;
    /// "_VBRENABLED" (Bool) and "_PASSESUSED" (Dword, 1 or 2) choose which formats the codec
    /// lists. NS_E_INVALID_REQUEST when the codec has no variable-rate formats and
    /// "_VBRENABLED" is set to TRUE; E_INVALIDARG for other names, types or values.
    HRESULT SetCodecEnumerationSetting(const QString& majorType, std::uint32_t codec,
                                       const QString& name, WMPropertyType type,
                                       std::uint32_t value);
    HRESULT GetCodecFormatCount(const QString& majorType, std::uint32_t codec,
                                std::uint32_t& count) const;
    /// A stream configuration carrying the format (media type, stream name, bit rate).
    HRESULT GetCodecFormat(const QString& majorType, std::uint32_t codec, std::uint32_t format,
                           WMStreamConfig& stream) const;
    HRESULT GetCodecFormatDesc(const QString& majorType, std::uint32_t codec, std::uint32_t format,
                               WMStreamConfig& stream, QString& description) const;

private:
    struct Enumeration {
        bool variableRate = false;
        std::uint32_t passes = 1;
    };
    const std::vector<WMCodecEntry>* Codecs(const QString& majorType) const;
    const std::vector<WMCodecFormat>* Formats(const QString& majorType, std::uint32_t codec) const;
    std::map<std::pair<bool, std::uint32_t>, Enumeration> enumeration_; ///< key: (video, codec)
};

} // namespace media
