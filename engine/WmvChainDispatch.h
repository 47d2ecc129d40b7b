#pragma once
// The Windows Media output chains (WMV with video and audio, WMA with audio only): the profile
// catalogues the engine keeps for them, the settings a run copies, and the step that builds the
// writer and connects it. Catalogues are loaded on the owning thread when the engine is made;
// the chain is built on a run's worker thread.

#include "engine/AudioChainDispatch.h"
#include "engine/KXTypes.h"
#include "engine/KXWideStringList.h"
#include "filters/WMVEncoder.h"

#include <QString>

#include <memory>
#include <vector>

class TKXVideoEdit;

namespace engine {

/// Read-only after loading, except the custom profile builder, which the run that builds its
/// graph uses (runs never build at the same time).
struct WmvCatalogues {
    TKXWideStringList InternalProfileTexts; ///< "WMV_PROFILE_1" .. "WMV_PROFILE_17"
    TKXWideStringList InternalProfileNames; ///< the names of profiles 1 to 9
    std::vector<TDSWMV8Profile> V8Profiles; ///< from "WMV8_NAMES" and "WMV8_DESCS"
    TKX_WMV_CustomProfile CustomProfile;
};

/// Owning thread (the codec enumeration happens here).
std::shared_ptr<WmvCatalogues> LoadWmvCatalogues();

/// The engine's WMV_ properties and its catalogues, copied when a run starts.
struct WmvChainSettings {
    TKXWMVSettings properties;
    std::shared_ptr<WmvCatalogues> catalogues;
};

/// Owning thread.
WmvChainSettings WmvChainSettingsFrom(const TKXVideoEdit& engine,
                                      std::shared_ptr<WmvCatalogues> catalogues);

/// Builds the writer of Format_WMV or Format_WMA, applies its profile and connects the video
/// pin (WMV only, when hasVideo) and the audio pin (when hasAudio); connected pins are reset.
/// A WMV connection that fails is reported with 57 (video) or 56 (audio). `complete` tells
/// whether the writer took its profile and every stream the run feeds; when it is false the
/// reason has been reported. Worker thread.
std::unique_ptr<TDSWMVEncoder>
BuildWindowsMediaChain(kx::TKXOutputFormat format, const WmvChainSettings& settings,
                       const ChainContext& ctx, const QString& fileName, media::PinPtr& videoPin,
                       media::PinPtr& audioPin, bool hasVideo, bool hasAudio, bool& complete);

} // namespace engine
