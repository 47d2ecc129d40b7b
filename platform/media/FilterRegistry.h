#pragma once

#include "platform/media/Graph.h"

#include <QString>

#include <functional>
#include <vector>

namespace media {

/// Class identifiers of the filters this program creates by identity.
namespace Clsid {
inline const QString InfTee = QStringLiteral("{F8388A40-D5BB-11D0-BE5A-0080C706568E}");
inline const QString FileWriter = QStringLiteral("{8596E5F0-0DA5-11D0-BD21-00A0C911CE86}");
inline const QString Dump = QStringLiteral("{83DF94EE-5A0A-4730-9818-9726CE117CEC}");
inline const QString VideoEffects = QStringLiteral("{D94BB560-3177-40EA-97AD-7C65D81EF937}");
inline const QString AviMux = QStringLiteral("{E2510970-F137-11CE-8B67-00AA00A3F1A6}");
inline const QString AviDecompressor = QStringLiteral("{CF49D4E0-1115-11CE-B03A-0020AF0BA770}");
inline const QString NullRenderer = QStringLiteral("{C1F400A4-3F08-11D3-9F0B-006008039E37}");
inline const QString StandardMpeg = QStringLiteral("{CFD87339-C61F-46CA-B6A1-F87D6B96243E}");
inline const QString MjpegCompressor = QStringLiteral("{B80AB0A0-7416-11D2-9EEB-006008039E37}");
inline const QString DvVideoEncoder = QStringLiteral("{13AA3650-BB6F-11D0-AFB9-00AA00B67A42}");
inline const QString AudioRenderer = QStringLiteral("{79376820-07D0-11CF-A24D-0020AFD79767}");
} // namespace Clsid

/// Device and filter categories.
namespace Category {
inline const QString AudioCompressors = QStringLiteral("{33D9A761-90C8-11D0-BD43-00A0C911CE86}");
inline const QString VideoCompressors = QStringLiteral("{33D9A760-90C8-11D0-BD43-00A0C911CE86}");
inline const QString AudioRenderers = QStringLiteral("{E0F158E1-CB04-11D0-BD4E-00A0C911CE86}");
inline const QString Filters = QStringLiteral("{083863F1-70DE-11D0-BD40-00A0C911CE86}");
inline const QString CategoryList = QStringLiteral("{DA4E3DA0-D07D-11D0-BD50-00A0C911CE86}");
} // namespace Category

using FilterFactory = std::function<FilterPtr()>;

/// Creates the filter registered under the class identifier (case-insensitive). `hr` receives
/// S_OK, or 0x80040154 (class not registered) / E_FAIL when the element is missing.
FilterPtr CreateFilterFromClsid(const QString& clsid, HRESULT& hr);

/// Adds or replaces a class; later chains register their own filters this way.
void RegisterFilterClass(const QString& clsid, const QString& friendlyName, FilterFactory factory);

/// One entry of a category, as stored before any display-name rule is applied.
struct CategoryEntry {
    QString friendlyName;
    QString description;
    QString clsid; ///< braced GUID text or empty
    QString fccHandler;
    QString devicePath;
    quint32 merit = 0;
};

/// The entries of a category in enumeration order. The audio renderer category lists the
/// default output, each output device under a "DirectSound: " name and each device again
/// under its plain (wave-out) name. Every call reads the category afresh.
std::vector<CategoryEntry> EnumerateCategory(const QString& category);

/// Binds the index-th entry of the category (read afresh) to a new filter; null with
/// VFW_E_NOT_FOUND when the index is outside the list.
FilterPtr CreateFilterFromCategory(const QString& category, int index, HRESULT& hr);

/// A filter made from a pipeline description of the media library ("audiotestsrc num-buffers=10"
/// or "audioconvert ! capsfilter caps=audio/x-raw,rate=8000"; bare caps at a chain end are lost)
/// unlinked pads become its pins. Null when it does not parse.
FilterPtr CreateFilterFromDescription(const QString& description, HRESULT& hr);

/// Adds an entry to a category, for filters that chains register later.
void RegisterCategoryEntry(const QString& category, const CategoryEntry& entry,
                           FilterFactory factory);

} // namespace media
