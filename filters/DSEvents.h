#pragma once

// Handler types the engine hands to every wrapper. Called on the thread that builds the graph.

#include <QString>

#include <functional>

namespace media {
class Filter;
}

using TKXErrorEvent = std::function<void(int code, const QString& errorText)>;
using TKXFilterEvent = std::function<void(const QString& name, media::Filter* filter)>;
