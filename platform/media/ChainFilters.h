#pragma once

// Registration of the filters of the audio and container chains (WAV, MP3, Ogg Vorbis, AVI,
// Matroska, DV) under their class identifiers and category entries.

#include "platform/media/FilterRegistry.h"

#include <functional>

namespace media {

/// How the registry takes the chain filters; the registry hands its own adders so that the
/// filters are present from the first look-up on.
struct ChainRegistrar {
    std::function<void(const QString& clsid, const QString& friendlyName, FilterFactory)> addClass;
    std::function<void(const QString& category, const CategoryEntry&, FilterFactory)> addEntry;
};

/// Registers every chain filter; called once while the registry is built.
void RegisterChainFilters(const ChainRegistrar& registrar);

/// The same through the public registration functions (RegisterFilterClass and
/// RegisterCategoryEntry), for a registry that is already built.
void RegisterChainFilters();

} // namespace media
