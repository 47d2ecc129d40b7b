#pragma once
// One conversion run, executed on the run's worker thread: timeline, graph, polling loop,
// release, and the output file's final rename.

#include "engine/AudioChainDispatch.h"
#include "engine/KXTypes.h"
#include "engine/KXVideoEdit.h"
#include "engine/KXWideStringList.h"
#include "engine/WmvChainDispatch.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

namespace engine {

class FrameStore;

/// Everything a run reads, copied on the owning thread when the run starts, so that the worker
/// never reads the engine's live properties.
struct RunSettings {
    kx::TKXOutputFormat format = kx::Format_AVI;
    kx::TKXMode mode = kx::Mode_Convert;
    bool debugMode = false;
    QString debugDir;
    QString outputFileName; ///< the name the caller asked for
    QString writeFileName;  ///< the temporary name the chain writes (renamed on success)
    double videoFrameRate = 25.0;
    bool videoResize = false;
    int videoResizeWidth = 640;
    int videoResizeHeight = 480;
    bool videoUseEffects = false;
    bool audioEffectsEnabled = false;
    bool audioPreviewEnabled = false;
    std::vector<TKXStream> inputs;
    TKXWideStringList mpegNames;
    TKXWideStringList mpegValues;
    TKXWideStringList errorTexts;
    int previousWidth = 0;
    int previousHeight = 0;
    double previousFirstFrameRate = 0.0;
    TKXErrorEvent onError;
    TKXFilterEvent onFilterAdded;
    TFramePusher onPushFrame;
    TFrameEvent onFrame;
    bool progressAssigned = false;
    ChainSettings chain;        ///< the settings of the AVI, Matroska, DV, custom and audio chains
    WmvChainSettings wmv;       ///< the settings and catalogues of the Windows Media chains
    int stallTimeoutMs = 30000; ///< no media progress for this long ends the run with an error
    std::shared_ptr<FrameStore> frames;
};

struct RunOutcome {
    bool reachedGraph = false; ///< false: the run ended early (no inputs, no video pin)
    bool producedFile = false; ///< the output file now holds this run's result
    int outputWidth = 0;
    int outputHeight = 0;
    double firstFrameRate = 0.0;
    std::vector<TKXDESTrack> tracks;
    QStringList warnings; ///< delivered through OnWarning, before OnStop
};

/// What a run needs from its engine; called on the worker thread.
class RunHost {
public:
    virtual ~RunHost() = default;
    virtual bool StopRequested() const = 0;
    virtual void RequestStop() = 0;
    /// Blocks until the owning thread has run OnStart.
    virtual void NotifyStart() = 0;
    /// Blocks until the owning thread has run OnProgress(percent).
    virtual void NotifyProgress(int percent) = 0;
};

/// Runs the conversion to its end. Reports errors through settings.onError. Never throws: an
/// exception inside the run is reported, everything is released and the temporary output
/// removed, and the outcome still says whether the graph was reached (so OnStop follows).
/// Worker thread.
RunOutcome ExecuteRun(const RunSettings& settings, RunHost& host);

/// Temporary name next to `outputFileName` for a run's output.
QString TemporaryOutputName(const QString& outputFileName);

} // namespace engine
