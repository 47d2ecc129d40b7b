#pragma once

// Audio output chains: an audio compressor chosen by name (WAV output and the AVI chain's
// audio), the MP3 encoder (MP3 output and the AVI chain's MP3 audio) and Vorbis in Ogg.
// Calling order: fill the fields and codes, set graph, texts and handlers, BuildChain; when it
// succeeds ConnectInput with the audio source, then ConnectOutput. Graph-building thread only.

#include "filters/DSBaseFilter.h"

#include <cstdint>

/// Connects a source pin to the first free input of the filter that offers the major type
/// (a multiplexer's inputs are listed per kind, so "input 1" may be one for another kind).
media::HRESULT ConnectToFreeInput(media::Graph* graph, media::Filter* filter,
                                  media::MajorType majorType, const media::PinPtr& source);

/// The engine's MP3 settings, named like the engine's properties. Bit rates kbit/s, rates Hz.
struct TKXLameSettings {
    std::int32_t Audio_LAME_CBR_Bitrate = 192;
    std::int32_t Audio_LAME_Channels_Mode = 0; ///< 0 stereo, 1 joint, 2 dual channel, 3 mono
    bool Audio_LAME_Copyright = false;
    bool Audio_LAME_CRC_Protected = false;
    bool Audio_LAME_Disable_Short_Blocks = false;
    bool Audio_LAME_Enable_Xing_VBR_Tag = false;
    std::int32_t Audio_LAME_Encoding_Quality = 6;
    bool Audio_LAME_Force_Mono = false;
    bool Audio_LAME_Keep_All_Frequencies = false;
    bool Audio_LAME_Mode_Fixed = false;
    bool Audio_LAME_Original = false;
    std::int32_t Audio_LAME_Sample_Rate = 44100;
    bool Audio_LAME_Strictly_Enforce_VBR_Min_Bitrate = false;
    bool Audio_LAME_Strict_ISO_Compilance = false;
    std::int32_t Audio_LAME_VBR_Max_Bitrate = 192;
    std::int32_t Audio_LAME_VBR_Min_Bitrate = 96;
    bool Audio_LAME_VBR_Mode = true;
    std::int32_t Audio_LAME_VBR_Quality = 6;
    bool Audio_LAME_Voice_Encoding_Mode = false;
};

/// An installed audio compressor (the chain's Add/Connect/CreateErrorCode are the
/// compressor's), optionally followed by "WAV Dest" and a file writer.
class TDSACMEncoder : public TDSSimpleBaseFilter {
public:
    TDSACMEncoder();
    ~TDSACMEncoder() override;

    bool WriteToFile = false;
    std::int32_t BitsPerSample = 16;
    std::int32_t Channels = 2;
    QString CodecName;
    std::int32_t WriterAddErrorCode = 0;
    std::int32_t WavDestAddErrorCode = 0;
    std::int32_t FormatErrorCode = 0;
    std::int32_t WriterConnectErrorCode = 0;
    std::int32_t WavDestConnectErrorCode = 0;
    std::int32_t WriterCreateErrorCode = 0;
    std::int32_t WavDestCreateErrorCode = 0;
    QString FileName;
    std::int32_t SampleRate = 44100; ///< Hz
    TDSFileWriter* Writer;
    TKXSysDevEnum* DeviceEnum = nullptr; ///< the engine's audio compressor category; not owned
    TDSCatFilter* Encoder;
    TDSBaseFilter* WavDest;

    bool BuildChain() override;
    void ReleaseChain() override;
    media::HRESULT ConnectInput(const media::PinPtr& source);
    bool ConnectOutput();
    bool GetOutputPin(media::PinPtr& pin);
    /// Picks the first offered format with the wanted rate and channels and the wanted sample
    /// size (or a format of any size); without a match the first format, and the format code.
    void ApplyFormat();
};

/// The MP3 encoder (the chain's Add/Connect/CreateErrorCode are the encoder's), optionally
/// followed by "Dump" writing the MP3 stream to FileName.
class TDSLameEncoder : public TDSSimpleBaseFilter {
public:
    TDSLameEncoder();
    ~TDSLameEncoder() override;

    bool WriteToFile = false;
    TKXLameSettings Lame;
    std::int32_t DumpAddErrorCode = 0;
    std::int32_t DumpConnectErrorCode = 0;
    std::int32_t DumpCreateErrorCode = 0;
    QString FileName;
    TDSBaseFilter* Encoder;
    TDSDump* Dump;

    bool BuildChain() override;
    void ReleaseChain() override;
    media::HRESULT ConnectInput(const media::PinPtr& source);
    bool ConnectOutput();
    bool GetOutputPin(media::PinPtr& pin);
    /// Passes the settings to the encoder in a fixed order, then the output sample rate.
    void ApplySettings();
};

/// "Vorbis Encoder" and "Ogg Multiplexer" from the filter category, and a file writer.
class TDSOGGVorbis : public TDSSimpleBaseFilter {
public:
    enum Mode : std::int32_t { VM_Quality = 0, VM_Bitrate = 1 };

    TDSOGGVorbis();
    ~TDSOGGVorbis() override;

    std::int32_t EncoderAddErrorCode = 0, EncoderConnectErrorCode = 0, EncoderCreateErrorCode = 0;
    std::int32_t MuxAddErrorCode = 0, MuxConnectErrorCode = 0, MuxCreateErrorCode = 0;
    std::int32_t WriterAddErrorCode = 0, WriterConnectErrorCode = 0, WriterCreateErrorCode = 0;
    std::int32_t WriterInitErrorCode = 0;     ///< writer not created
    std::int32_t WriterSinkInitErrorCode = 0; ///< writer without file-name control
    std::int32_t MuxInitErrorCode = 0;        ///< multiplexer not created
    std::int32_t EncoderInitErrorCode = 0;    ///< encoder not created
    QString FileName;
    std::int32_t AvgBitRate = 128; ///< kbit/s
    std::int32_t MinBitRate = 64;  ///< kbit/s
    std::int32_t MaxBitRate = 192; ///< kbit/s
    std::int32_t Mode = VM_Bitrate;
    double Quality = 0.5;
    TDSFileWriter* Writer;
    TDSCatFilter* Encoder;
    TDSCatFilter* Mux;
    TKXSysDevEnum* DeviceEnum = nullptr; ///< the engine's filter category; not owned

    bool BuildChain() override;
    void ReleaseChain() override;
    media::HRESULT ConnectInput(const media::PinPtr& source);
    bool ConnectOutput();
    void ApplySettings();
};
