#pragma once

// Windows Media profiles: a profile object with its streams, the media type each stream carries
// and its property vault, and the PRX text the profiles are stored as. The ASF writer takes
// its streams from a profile; the custom profile builder makes one from settings.
//
// Plain values, no shared state: any thread, one thread per object at a time.

#include "platform/media/Result.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <map>
#include <type_traits>
#include <vector>

namespace media {

class WMProfile;
/// Reads PRX text (a leading U+FEFF is skipped). E_INVALIDARG with a reason in `why` for text
/// that is not a profile or that describes a stream the profile objects cannot carry.
HRESULT ParseProfileText(const QString& text, WMProfile& profile, QString* why = nullptr);

/// Identifiers as the profile texts write them: braced, upper case.
namespace WMGuid {
inline const QString MediaTypeAudio = QStringLiteral("{73647561-0000-0010-8000-00AA00389B71}");
inline const QString MediaTypeVideo = QStringLiteral("{73646976-0000-0010-8000-00AA00389B71}");
inline const QString FormatWaveFormatEx = QStringLiteral("{05589F81-C356-11CE-BF01-00AA0055595A}");
inline const QString FormatVideoInfo = QStringLiteral("{05589F80-C356-11CE-BF01-00AA0055595A}");
} // namespace WMGuid

/// The media subtype of a wave format tag or a four-character code:
/// {XXXXXXXX-0000-0010-8000-00AA00389B71}.
QString WMSubtypeFor(std::uint32_t tagOrFourcc);
/// The tag or four-character code inside such a subtype; 0 for any other identifier.
std::uint32_t WMTagOfSubtype(const QString& subtype);
/// A four-character code from its text ("WMV3").
constexpr std::uint32_t WMFourcc(const char (&c)[5]) {
    return std::uint32_t(std::uint8_t(c[0])) | std::uint32_t(std::uint8_t(c[1])) << 8 |
           std::uint32_t(std::uint8_t(c[2])) << 16 | std::uint32_t(std::uint8_t(c[3])) << 24;
}
QString WMFourccText(std::uint32_t fourcc);

/// Wave format tags of the Windows Media audio codecs.
namespace WMTag {
inline constexpr std::uint16_t Voice = 0x000A;
inline constexpr std::uint16_t Wma1 = 0x0160;
inline constexpr std::uint16_t Wma2 = 0x0161; ///< also the standard codec of versions 7 to 9.2
inline constexpr std::uint16_t WmaPro = 0x0162;
inline constexpr std::uint16_t WmaLossless = 0x0163;
} // namespace WMTag

/// Profile versions; version 9 is the one profile texts carry.
inline constexpr std::uint32_t WMT_VER_4_0 = 0x00040000;
inline constexpr std::uint32_t WMT_VER_7_0 = 0x00070000;
inline constexpr std::uint32_t WMT_VER_8_0 = 0x00080000;
inline constexpr std::uint32_t WMT_VER_9_0 = 0x00090000; // 589824

/// A request the profile object cannot carry out in its current state.
inline constexpr HRESULT NS_E_INVALID_REQUEST = Code(0xC00D002B);

struct WMWaveFormat {
    std::uint16_t formatTag = 0;
    std::uint16_t channels = 0;
    std::uint32_t samplesPerSec = 0;
    std::uint32_t avgBytesPerSec = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bitsPerSample = 0;
    QByteArray codecData; ///< the codec's private bytes after the wave format
    bool operator==(const WMWaveFormat&) const = default;
};

struct WMRect {
    std::int32_t left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const WMRect&) const = default;
};

/// A video info header with its bitmap header.
struct WMVideoInfo {
    WMRect source;
    WMRect target;
    std::uint32_t bitRate = 0;        ///< bit/s
    std::uint32_t bitErrorRate = 0;   ///< bit errors per second
    std::int64_t avgTimePerFrame = 0; ///< 100-ns units
    std::int32_t width = 0;           ///< bitmap header
    std::int32_t height = 0;
    std::uint16_t planes = 1;
    std::uint16_t bitCount = 24;
    std::uint32_t compression = 0; ///< four-character code
    std::uint32_t sizeImage = 0;
    bool operator==(const WMVideoInfo&) const = default;
};

/// The media type of a stream: major type, subtype and the format block (a wave format for
/// audio, a video info header for video).
struct WMMediaType {
    QString majorType;
    QString subtype;
    bool fixedSizeSamples = false;
    bool temporalCompression = false;
    std::uint32_t sampleSize = 0;
    QString formatType;
    WMWaveFormat wave; ///< when formatType is WaveFormatEx
    WMVideoInfo video; ///< when formatType is VideoInfo
    bool IsAudio() const {
        return majorType.compare(WMGuid::MediaTypeAudio, Qt::CaseInsensitive) == 0;
    }
    bool IsVideo() const {
        return majorType.compare(WMGuid::MediaTypeVideo, Qt::CaseInsensitive) == 0;
    }
    bool operator==(const WMMediaType&) const = default;
};

/// Value types of the property vault.
enum class WMPropertyType { Dword = 0, Bool = 3 };

/// The per-stream encoder settings the writer reads.
namespace WMProperty {
inline const QString VbrEnabled = QStringLiteral("_VBRENABLED"); ///< Bool
inline const QString VbrQuality = QStringLiteral("_VBRQUALITY"); ///< Dword 0..100
inline const QString PeakBitrate = QStringLiteral("_RMAX");      ///< Dword, bit/s; 0 = none
inline const QString PeakBufferWindow = QStringLiteral("_BMAX"); ///< Dword, ms; 0 = none
inline const QString PassesUsed = QStringLiteral("_PASSESUSED"); ///< Dword 1 or 2
} // namespace WMProperty

struct WMPropertyValue {
    WMPropertyType type = WMPropertyType::Dword;
    std::uint32_t value = 0;
    bool operator==(const WMPropertyValue&) const = default;
};

/// Media type access of a stream.
class IWMMediaProps {
public:
    virtual ~IWMMediaProps() = default;
    /// VFW_E_NOT_FOUND when the stream has no media type yet.
    virtual HRESULT GetMediaType(WMMediaType& type) const = 0;
    /// E_INVALIDARG for a type of another major type or with a format the stream cannot carry.
    virtual HRESULT SetMediaType(const WMMediaType& type) = 0;
};

/// The video settings of a video stream.
class IWMVideoMediaProps : public IWMMediaProps {
public:
    /// 0 (smoothest motion) .. 100 (sharpest pictures); E_INVALIDARG above 100.
    virtual HRESULT SetQuality(std::uint32_t quality) = 0;
    virtual HRESULT GetQuality(std::uint32_t& quality) const = 0;
    /// 100-ns units; 0 = the codec's default.
    virtual HRESULT SetMaxKeyFrameSpacing(std::int64_t spacing100ns) = 0;
    virtual HRESULT GetMaxKeyFrameSpacing(std::int64_t& spacing100ns) const = 0;
};

/// Named encoder settings of a stream.
class IWMPropertyVault {
public:
    virtual ~IWMPropertyVault() = default;
    /// E_INVALIDARG for a value of the wrong type or out of range, NS_E_INVALID_REQUEST for a
    /// setting the stream's codec has no use for (variable bit rate on a constant-rate codec).
    virtual HRESULT SetProperty(const QString& name, WMPropertyType type, std::uint32_t value) = 0;
    /// VFW_E_NOT_FOUND when the property was never set.
    virtual HRESULT GetProperty(const QString& name, WMPropertyValue& value) const = 0;
};

/// One stream of a profile.
class WMStreamConfig : public IWMVideoMediaProps, public IWMPropertyVault {
public:
    WMStreamConfig() = default;
    explicit WMStreamConfig(QString majorType)
        : streamType_(std::move(majorType)) {}

    /// The control interfaces of the stream; the video settings exist only on video streams.
    template <class I> I* QueryInterface();

    QString StreamType() const { return streamType_; }
    bool IsAudio() const;
    bool IsVideo() const;

    /// 1..63; E_INVALIDARG otherwise.
    HRESULT SetStreamNumber(std::uint16_t number);
    std::uint16_t StreamNumber() const { return number_; }
    HRESULT SetStreamName(const QString& name);
    /// The stream name, cut to `maxChars` - 1 characters (the room a caller's buffer leaves).
    HRESULT GetStreamName(QString& name, int maxChars = 1 << 16) const;
    QString StreamName() const { return name_; }
    /// The name of the writer input that feeds the stream.
    HRESULT SetConnectionName(const QString& name);
    QString ConnectionName() const { return connectionName_; }
    HRESULT SetBitrate(std::uint32_t bitsPerSecond);
    std::uint32_t Bitrate() const { return bitrate_; }
    /// Milliseconds; 0xFFFFFFFF = the writer's default.
    HRESULT SetBufferWindow(std::uint32_t ms);
    std::uint32_t BufferWindow() const { return bufferWindow_; }

    // Texts the profile keeps for players; the writer does not act on them.
    QString Language;          ///< RFC 1766 tag
    QString DecoderComplexity; ///< "AU" = let the encoder choose
    bool ReliableTransport = false;

    HRESULT GetMediaType(WMMediaType& type) const override;
    HRESULT SetMediaType(const WMMediaType& type) override;
    bool HasMediaType() const { return hasMediaType_; }
    const WMMediaType& MediaType() const { return mediaType_; }

    HRESULT SetQuality(std::uint32_t quality) override;
    HRESULT GetQuality(std::uint32_t& quality) const override;
    HRESULT SetMaxKeyFrameSpacing(std::int64_t spacing100ns) override;
    HRESULT GetMaxKeyFrameSpacing(std::int64_t& spacing100ns) const override;

    HRESULT SetProperty(const QString& name, WMPropertyType type, std::uint32_t value) override;
    HRESULT GetProperty(const QString& name, WMPropertyValue& value) const override;
    /// The value of a Dword or Bool property, or `fallback` when it was never set.
    std::uint32_t PropertyOr(const QString& name, std::uint32_t fallback) const;
    const std::map<QString, WMPropertyValue>& Properties() const { return vault_; }

    friend bool operator==(const WMStreamConfig& a, const WMStreamConfig& b);

private:
    QString streamType_;
    std::uint16_t number_ = 0;
    QString name_;
    QString connectionName_;
    std::uint32_t bitrate_ = 0;
    std::uint32_t bufferWindow_ = 0xFFFFFFFF;
    bool hasMediaType_ = false;
    WMMediaType mediaType_;
    std::uint32_t quality_ = 0;
    bool hasQuality_ = false;
    std::int64_t maxKeyFrameSpacing_ = 0;
    std::map<QString, WMPropertyValue> vault_;
};

template <class I> I* WMStreamConfig::QueryInterface() {
    if constexpr (std::is_same_v<I, IWMVideoMediaProps>)
        return IsVideo() ? this : nullptr;
    else
        return static_cast<I*>(this);
}

/// A profile: its name, description and streams in the order they were added.
class WMProfile {
public:
    std::uint32_t Version() const { return version_; }
    HRESULT SetName(const QString& name);
    QString Name() const { return name_; }
    HRESULT SetDescription(const QString& description);
    QString Description() const { return description_; }

    /// A stream of the major type, not yet part of the profile (see AddStream). E_INVALIDARG
    /// for another major type than audio or video.
    HRESULT CreateNewStream(const QString& majorType, WMStreamConfig& stream) const;
    /// Adds a copy. E_INVALIDARG when the stream number is 0 or already used.
    HRESULT AddStream(const WMStreamConfig& stream);
    /// Removes the stream with the stream's number; VFW_E_NOT_FOUND when there is none.
    HRESULT RemoveStream(const WMStreamConfig& stream);
    HRESULT RemoveStreamByNumber(std::uint16_t number);
    /// Replaces the stream that has the same number.
    HRESULT ReconfigStream(const WMStreamConfig& stream);

    int StreamCount() const { return int(streams_.size()); }
    /// A copy of the index-th stream; E_INVALIDARG outside the list.
    HRESULT GetStream(int index, WMStreamConfig& stream) const;
    const std::vector<WMStreamConfig>& Streams() const { return streams_; }

    bool operator==(const WMProfile&) const = default;

private:
    friend class WMProfileManager;
    friend HRESULT ParseProfileText(const QString& text, WMProfile& profile, QString* why);
    std::uint32_t version_ = WMT_VER_9_0;
    QString name_;
    QString description_;
    std::vector<WMStreamConfig> streams_;
};

/// The profile as PRX text, starting with a byte-order mark (U+FEFF).
QString ProfileToText(const WMProfile& profile);

} // namespace media
