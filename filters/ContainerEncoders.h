#pragma once

// Container output chains: AVI (or Matroska) with optional video and audio compression, DV in
// AVI, and a chain of filters named by the user. Calling order: fill, BuildChain; when it
// succeeds ConnectVideo, then ConnectAudio for each audio source (when there is audio), then
// ConnectOutput. Graph-building thread only.

#include "filters/AudioEncoders.h"
#include "filters/DSBaseFilter.h"
#include "platform/media/ChainInterfaces.h"

/// Connects a filter's stream onwards to another filter: the first free output of the source
/// to the first free input of the sink that takes it (inputs of the same kind tried first).
class TDSCaptureGraphBuilder {
public:
    media::Graph* Graph = nullptr; ///< not owned
    media::HRESULT RenderStream(media::Filter* source, media::Filter* sink);
};

/// AVI output through the AVI multiplexer (or another multiplexer named by MuxClassId, such as
/// the Matroska one). Audio stream i goes to the multiplexer's next free audio input.
class TDSAVIEncoder : public TDSSimpleBaseFilter {
public:
    static constexpr int kMaxAudioStreams = 8;

    TDSAVIEncoder();
    ~TDSAVIEncoder() override;

    bool AudioStreams[kMaxAudioStreams] = {};
    bool UseAudioCompression = true;
    std::int32_t BitsPerSample = 16;
    std::int32_t Channels = 2;
    QString AudioCodecName;
    bool HasAudio = false;
    TKXLameSettings Lame;
    bool UseLAME = false;
    std::int32_t SampleRate = 44100; ///< Hz
    std::int32_t AudioEncoderConnectErrorCode = 0;
    std::int32_t VideoConnectErrorCode = 0;
    std::int32_t WriterConnectErrorCode = 0;
    std::int32_t LameConnectErrorCode = 0;
    std::int32_t AudioEncoderBuildErrorCode = 0;
    std::int32_t LameBuildErrorCode = 0;
    QString FileName;
    bool UseVideoCompression = true;
    bool DecodeToRGB = true;
    QString VideoCodecName;
    /// The multiplexer's class: the AVI one unless the chain writes another container.
    QString MuxClassId;
    QString MuxName = QStringLiteral("AVI Mux");
    TDSACMEncoder* AudioEncoders[kMaxAudioStreams];
    TDSBaseFilter* Decoder;
    TDSFileWriter* Writer;
    TDSLameEncoder* LameEncoders[kMaxAudioStreams];
    TDSCatFilter* VideoCodec;
    TKXSysDevEnum* AudioDeviceEnum = nullptr; ///< audio compressor category; not owned
    TDSBaseFilter* Mux;
    TKXSysDevEnum* VideoDeviceEnum = nullptr; ///< video compressor category; not owned
    media::IConfigAviMux* ConfigAviMux = nullptr;
    media::IConfigInterleaving* ConfigInterleaving = nullptr;

    bool BuildChain() override;
    void ReleaseChain() override;
    /// The multiplexer's configuration interfaces; true when it has at least one.
    bool QueryMuxInterfaces();
    media::HRESULT ConnectVideo(const media::PinPtr& source);
    media::HRESULT ConnectAudio(int stream, const media::PinPtr& source);
    bool ConnectOutput();
};

/// DV video and 16-bit PCM audio in AVI. Both types are written as separate video and audio
/// streams of the AVI file: no multiplexer here interleaves audio into the DV frames, so type 1
/// differs from type 2 only in the multiplexer settings it leaves at their defaults.
class TDSDVEncoder : public TDSSimpleBaseFilter {
public:
    enum VideoFormatKind : std::int32_t { DVF_PAL = 0, DVF_NTSC = 1 };

    TDSDVEncoder();
    ~TDSDVEncoder() override;

    std::int32_t AudioChannels = 0; ///< 0 = DV's own 2
    bool HasAudio = false;
    std::int32_t AudioSampleRate = 0; ///< Hz; 0 = DV's own 48000
    std::int32_t AudioConnectErrorCode = 0;
    std::int32_t VideoToAviMuxConnectErrorCode = 0;
    std::int32_t DVMuxToAviMuxConnectErrorCode = 0;
    std::int32_t VideoToDVMuxConnectErrorCode = 0;
    std::int32_t WriterConnectErrorCode = 0;
    QString FileName;
    bool DVType2 = false;
    std::int32_t VideoFormat = DVF_PAL;
    TDSACMEncoder* AudioEncoder;
    TDSBaseFilter* DVMux; ///< stays empty: see the class comment
    TDSBaseFilter* Encoder;
    TDSBaseFilter* AviMux;
    TDSFileWriter* Writer;
    TKXSysDevEnum* AudioDeviceEnum = nullptr; ///< not owned

    bool BuildChain() override;
    void ReleaseChain() override;
    media::HRESULT ConnectVideo(const media::PinPtr& source);
    media::HRESULT ConnectAudio(const media::PinPtr& source);
    bool ConnectOutput();
};

/// A chain of filters named by the user: video codec, audio codec, multiplexer and optionally a
/// special file writer.
class TDSCustomEncoder : public TDSSimpleBaseFilter {
public:
    TDSCustomEncoder();
    ~TDSCustomEncoder() override;

    bool UseAudioCodec = true;
    bool UseVideoCodec = true;
    std::int32_t BitsPerSample = 16;
    std::int32_t Channels = 2;
    std::int32_t SampleRate = 44100;
    QString AudioCodecName;
    bool AudioCodecFromFilters = false;
    bool HasAudio = false;
    std::int32_t MuxErrorCode = 0;
    std::int32_t AudioCodecErrorCode = 0;
    std::int32_t WriterErrorCode = 0;
    std::int32_t VideoCodecErrorCode = 0;
    QString FileName;
    bool MuxIsEncoder = false;
    QString MuxName;
    QString SpecialWriterName;
    bool SpecialWriterNeeded = false;
    QString VideoCodecName;
    bool VideoCodecFromFilters = false;
    TDSACMEncoder* AudioEncoder;
    TDSCatFilter* AudioCodec;
    TDSFileWriter* Writer;
    media::IFileSinkFilter* MuxSink = nullptr;
    media::IFileSinkFilter2* MuxSink2 = nullptr;
    TDSCatFilter* VideoCodec;
    TKXSysDevEnum* AudioDeviceEnum = nullptr;         ///< not owned
    TDSCaptureGraphBuilder* CaptureBuilder = nullptr; ///< not owned; the chain's own when null
    TKXSysDevEnum* FilterDeviceEnum = nullptr;        ///< not owned
    TDSCatFilter* Mux;
    TKXSysDevEnum* VideoDeviceEnum = nullptr; ///< not owned

    /// False also when the multiplexer writes the file itself (no writer is added then).
    bool BuildChain() override;
    void ReleaseChain() override;
    media::HRESULT ConnectVideo(const media::PinPtr& source);
    media::HRESULT ConnectAudio(const media::PinPtr& source);
    bool ConnectOutput();

private:
    media::HRESULT Render(media::Filter* source, media::Filter* sink);
    TDSCaptureGraphBuilder ownBuilder_;
};
