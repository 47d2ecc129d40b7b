#pragma once
// What the result of building a playback graph for an input says: accepted or not, and the
// reason text shown in the add operations' error message. Pure; any thread.

#include "platform/media/Result.h"

#include <QString>

namespace engine {

struct InputCheckOutcome {
    bool accepted = false;
    QString reason;
};

InputCheckOutcome InterpretRenderResult(media::HRESULT result);

/// Runs the playback check on the file and interprets it. Synchronous; any thread.
InputCheckOutcome CheckInputFile(const QString& fileName);

} // namespace engine
