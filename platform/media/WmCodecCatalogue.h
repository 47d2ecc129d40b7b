#pragma once

// The Windows Media codecs this program encodes with, and the formats each offers per
// encoding mode. The profile manager enumerates them for the custom profile builder; settings
// pages can list them through the plain functions at the end. Read-only data: any thread.

#include "platform/media/MediaType.h"
#include "platform/media/WmProfile.h"

#include <QStringList>

#include <vector>

namespace media {

/// The encoding passes a codec is enumerated for; the values are those of the engine's
/// stream modes (constant rate, quality-based, bit-rate-based, peak-constrained).
enum class WMEncodingMode { Cbr = 0, VbrQuality = 1, VbrBitrate = 2, VbrPeak = 3 };

struct WMCodecFormat {
    /// The text settings pages show and profiles are built from, exactly (blanks included).
    /// Video formats have none.
    QString description;
    QString streamName; ///< the name the format's stream configuration reports
    WMMediaType mediaType;
};

struct WMCodecEntry {
    QString name;
    MajorType kind = MajorType::Unknown;
    /// Formats per encoding pass. A codec without variable-rate formats refuses the
    /// variable-rate enumeration settings.
    std::vector<WMCodecFormat> constant;
    std::vector<WMCodecFormat> quality; ///< one-pass, quality-based
    std::vector<WMCodecFormat> twoPass; ///< two-pass, bit-rate-based (also peak-constrained)
    bool HasVariableRate() const { return !quality.empty() || !twoPass.empty(); }
    const std::vector<WMCodecFormat>& Formats(WMEncodingMode mode) const;
};

/// The audio codecs in enumeration order: "Windows Media Audio Voice 9",
/// "Windows Media Audio 9.2", "Windows Media Audio 10 Professional".
const std::vector<WMCodecEntry>& WMAudioCodecs();
/// The video codecs in enumeration order: "Windows Media Video 9 Screen",
/// "Windows Media Video 9", "Windows Media Video 8", "Windows Media Video 7".
const std::vector<WMCodecEntry>& WMVideoCodecs();

/// Codec names of one kind, in enumeration order.
QStringList WMCodecNames(MajorType kind);
/// Descriptions of an audio codec's formats for one mode, in enumeration order; empty for an
/// unknown codec or a mode the codec does not offer.
QStringList WMAudioFormatDescriptions(const QString& codecName,
                                      WMEncodingMode mode = WMEncodingMode::Cbr);

} // namespace media
