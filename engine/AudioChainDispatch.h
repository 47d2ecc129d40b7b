#pragma once
// Output chains of the audio-only formats (WAV, MP3, Ogg Vorbis) and of the container formats
// (AVI, Matroska, DV, custom): the settings a run hands them and the step that builds and
// connects the chain of one format. Settings are copied on the owning thread when a run
// starts; the chain is built on the run's worker thread.

#include "engine/KXTypes.h"
#include "engine/KXWideStringList.h"
#include "filters/AudioEncoders.h"
#include "filters/ContainerEncoders.h"
#include "filters/DSEvents.h"

#include <QString>

#include <memory>

class TKXVideoEdit;

namespace engine {

/// The engine properties these chains read, copied when a run starts.
struct ChainSettings {
    QString videoCodec;
    bool videoUseCompression = true;
    bool videoDecodeToRgb = true;
    QString audioCodec;
    int audioBps = 16;
    int audioChannels = 2;
    int audioSampleRate = 44100; ///< Hz
    bool audioUseCompression = true;
    bool lameUseInAvi = false;
    TKXLameSettings lame;
    int oggAvgBitRate = 128; ///< kbit/s
    int oggMinBitRate = 64;
    int oggMaxBitRate = 192;
    kx::TKXVorbisMode oggMode = kx::VM_Bitrate;
    double oggQuality = 0.5;
    QString customAudioCodec;
    bool customAudioCodecFromFilters = false;
    QString customVideoCodec;
    bool customVideoCodecFromFilters = false;
    QString customMuxName;
    bool customMuxIsEncoder = false;
    QString customSpecialWriterName;
    bool customSpecialWriterNeeded = false;
    int dvAudioChannels = 0;
    int dvAudioSampleRate = 0; ///< Hz
    bool dvType2 = false;
    kx::TKXDVVideoFormat dvVideoFormat = kx::DVF_PAL;
};

/// Owning thread.
ChainSettings ChainSettingsFrom(const TKXVideoEdit& engine);

/// True for the formats BuildAudioOrContainerChain serves.
bool IsAudioOrContainerFormat(kx::TKXOutputFormat format);
/// True for the formats built when the run has audio but no video.
bool IsAudioOnlyChainFormat(kx::TKXOutputFormat format);

/// What the run needs to build a chain; nothing here is owned.
struct ChainContext {
    media::Graph* graph = nullptr;
    const TKXWideStringList* errorTexts = nullptr;
    TKXErrorEvent onError;
    TKXFilterEvent onFilterAdded;
};

/// A built chain with the category enumerators and the stream builder it was made from.
/// Release before the graph goes.
class BuiltChain {
public:
    BuiltChain();
    ~BuiltChain();
    BuiltChain(const BuiltChain&) = delete;
    BuiltChain& operator=(const BuiltChain&) = delete;

    std::unique_ptr<TDSSimpleBaseFilter> chain;
    /// The filter whose position is the run's progress; null when the chain has none.
    media::Filter* progressFilter = nullptr;
    TKXSysDevEnum audioCompressors;
    TKXSysDevEnum videoCompressors;
    TKXSysDevEnum filters;
    TDSCaptureGraphBuilder captureBuilder;

    void Release();
};

/// Builds the chain of `format` and connects the video pin (container formats, when hasVideo)
/// and the audio pins (when hasAudio) to it; connected pins are reset. Audio-only formats use
/// audioPins[0] and only when there is no video. Null for a format this step does not serve,
/// or when the situation builds nothing (a container format without video). Errors are
/// reported through ctx.onError. Worker thread.
std::unique_ptr<BuiltChain>
BuildAudioOrContainerChain(kx::TKXOutputFormat format, const ChainSettings& settings,
                           const ChainContext& ctx, const QString& fileName,
                           media::PinPtr& videoPin, media::PinPtr (&audioPins)[8], bool hasVideo,
                           bool hasAudio);

} // namespace engine
