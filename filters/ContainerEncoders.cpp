#include "filters/ContainerEncoders.h"

#include "platform/media/FilterRegistry.h"

#include <algorithm>

using media::E_FAIL;
using media::HRESULT;
using media::PinPtr;

namespace {

template <class C, class F> void Prepare(const C& chain, F& filter) {
    filter.Graph = chain.Graph;
    filter.ErrorTexts = chain.ErrorTexts;
    filter.OnError = chain.OnError;
    filter.OnFilterAdded = chain.OnFilterAdded;
}

bool Offers(const PinPtr& pin, media::MajorType major) {
    for (const media::MediaType& t : pin->MediaTypes())
        if (t.majorType == major)
            return true;
    return false;
}

} // namespace

HRESULT TDSCaptureGraphBuilder::RenderStream(media::Filter* source, media::Filter* sink) {
    try {
        if (!Graph || !source || !sink)
            return media::E_POINTER;
        for (const PinPtr& out : source->Pins()) {
            if (out->Direction() != media::PinDirection::Output || out->ConnectedTo())
                continue;
            const auto types = out->MediaTypes();
            const media::MajorType major =
                types.empty() ? media::MajorType::Unknown : types.front().majorType;
            std::vector<PinPtr> inputs;
            for (const PinPtr& in : sink->Pins())
                if (in->Direction() == media::PinDirection::Input && !in->ConnectedTo())
                    inputs.push_back(in);
            std::stable_partition(inputs.begin(), inputs.end(),
                                  [major](const PinPtr& in) { return Offers(in, major); });
            for (const PinPtr& in : inputs)
                if (media::Succeeded(Graph->Connect(out, in)))
                    return media::S_OK;
            return media::VFW_E_CANNOT_CONNECT;
        }
        return E_FAIL;
    } catch (...) {
        return E_FAIL;
    }
}

// --- AVI ------------------------------------------------------------------------------------

TDSAVIEncoder::TDSAVIEncoder()
    : MuxClassId(media::Clsid::AviMux)
    , Decoder(new TDSBaseFilter)
    , Writer(new TDSFileWriter)
    , VideoCodec(new TDSCatFilter)
    , Mux(new TDSBaseFilter) {
    ChainName = QStringLiteral("AVI Mux");
    for (int i = 0; i < kMaxAudioStreams; ++i) {
        AudioEncoders[i] = new TDSACMEncoder;
        LameEncoders[i] = new TDSLameEncoder;
    }
}

TDSAVIEncoder::~TDSAVIEncoder() {
    for (int i = 0; i < kMaxAudioStreams; ++i) {
        delete AudioEncoders[i];
        delete LameEncoders[i];
    }
    delete Decoder;
    delete Writer;
    delete VideoCodec;
    delete Mux;
}

bool TDSAVIEncoder::BuildChain() {
    try {
        Prepare(*this, *Mux);
        Mux->FilterName = MuxName;
        Mux->CreateFromCLSID(MuxClassId);
        Prepare(*this, *Writer);
        Writer->CreateFilter();
        Writer->QuerySink();
        if (UseVideoCompression) {
            Prepare(*this, *VideoCodec);
            VideoCodec->DeviceEnum = VideoDeviceEnum;
            VideoCodec->FriendlyName = VideoCodecName;
            VideoCodec->FilterName = VideoCodecName;
            VideoCodec->CreateFilter();
        }
        if (HasAudio && UseAudioCompression) {
            for (int i = 0; i < kMaxAudioStreams; ++i) {
                if (!AudioStreams[i])
                    continue;
                if (UseLAME) {
                    TDSLameEncoder& lame = *LameEncoders[i];
                    Prepare(*this, lame);
                    lame.WriteToFile = false;
                    lame.Lame = Lame;
                    if (!lame.BuildChain())
                        ReportError(LameBuildErrorCode);
                } else {
                    TDSACMEncoder& acm = *AudioEncoders[i];
                    Prepare(*this, acm);
                    acm.DeviceEnum = AudioDeviceEnum;
                    acm.CodecName = AudioCodecName;
                    acm.BitsPerSample = BitsPerSample;
                    acm.SampleRate = SampleRate;
                    acm.Channels = Channels;
                    acm.WriteToFile = false;
                    if (!acm.BuildChain())
                        ReportError(AudioEncoderBuildErrorCode);
                }
            }
        }
        if (DecodeToRGB && !UseVideoCompression) {
            Prepare(*this, *Decoder);
            Decoder->FilterName = QStringLiteral("AVI Decompressor");
            Decoder->CreateFromCLSID(media::Clsid::AviDecompressor);
        }
        return true;
    } catch (...) {
        return true;
    }
}

void TDSAVIEncoder::ReleaseChain() {
    ConfigAviMux = nullptr;
    ConfigInterleaving = nullptr;
    for (int i = 0; i < kMaxAudioStreams; ++i) {
        AudioEncoders[i]->ReleaseChain();
        LameEncoders[i]->ReleaseChain();
    }
    Decoder->ReleaseFilter();
    Writer->ReleaseFilter();
    VideoCodec->ReleaseFilter();
    Mux->ReleaseFilter();
}

bool TDSAVIEncoder::QueryMuxInterfaces() {
    Mux->QueryFilterInterface(ConfigAviMux);
    Mux->QueryFilterInterface(ConfigInterleaving);
    return ConfigAviMux || ConfigInterleaving;
}

HRESULT TDSAVIEncoder::ConnectVideo(const PinPtr& source) {
    if (UseVideoCompression)
        return LastResult = VideoCodec->ConnectInput(source);
    if (DecodeToRGB)
        return LastResult = Decoder->ConnectInput(source);
    return LastResult =
               ConnectToFreeInput(Graph, Mux->Filter.get(), media::MajorType::Video, source);
}

HRESULT TDSAVIEncoder::ConnectAudio(int stream, const PinPtr& source) {
    if (stream < 0 || stream >= kMaxAudioStreams)
        return E_FAIL;
    if (UseAudioCompression)
        return LastResult = UseLAME ? LameEncoders[stream]->ConnectInput(source)
                                    : AudioEncoders[stream]->ConnectInput(source);
    // Uncompressed audio goes to an input that takes audio, never to the video's.
    return LastResult =
               ConnectToFreeInput(Graph, Mux->Filter.get(), media::MajorType::Audio, source);
}

bool TDSAVIEncoder::ConnectOutput() {
    try {
        TDSBaseFilter* video = UseVideoCompression ? VideoCodec : (DecodeToRGB ? Decoder : nullptr);
        if (video) {
            PinPtr out;
            video->GetOutputPin(out);
            LastResult = ConnectToFreeInput(Graph, Mux->Filter.get(), media::MajorType::Video, out);
            if (media::Failed(LastResult))
                ReportError(VideoConnectErrorCode);
        }
        if (HasAudio && UseAudioCompression) {
            for (int i = 0; i < kMaxAudioStreams; ++i) {
                if (!AudioStreams[i])
                    continue;
                PinPtr out;
                if (UseLAME) {
                    LameEncoders[i]->ApplySettings();
                    LameEncoders[i]->GetOutputPin(out);
                } else {
                    AudioEncoders[i]->ApplyFormat();
                    AudioEncoders[i]->GetOutputPin(out);
                }
                LastResult =
                    ConnectToFreeInput(Graph, Mux->Filter.get(), media::MajorType::Audio, out);
                if (media::Failed(LastResult))
                    ReportError(UseLAME ? LameConnectErrorCode : AudioEncoderConnectErrorCode);
            }
        }
        PinPtr muxed;
        Mux->GetOutputPin(muxed);
        LastResult = muxed ? Writer->ConnectInput(muxed) : E_FAIL;
        if (media::Failed(LastResult))
            ReportError(WriterConnectErrorCode);
        Writer->SetFileName(FileName);
        return media::Succeeded(LastResult);
    } catch (...) {
        return false;
    }
}

// --- DV -------------------------------------------------------------------------------------

TDSDVEncoder::TDSDVEncoder()
    : AudioEncoder(new TDSACMEncoder)
    , DVMux(new TDSBaseFilter)
    , Encoder(new TDSBaseFilter)
    , AviMux(new TDSBaseFilter)
    , Writer(new TDSFileWriter) {
    ChainName = QStringLiteral("DV Encoder");
}

TDSDVEncoder::~TDSDVEncoder() {
    delete AudioEncoder;
    delete DVMux;
    delete Encoder;
    delete AviMux;
    delete Writer;
}

bool TDSDVEncoder::BuildChain() {
    try {
        Prepare(*this, *AviMux);
        AviMux->FilterName = QStringLiteral("AVI Mux");
        if (AviMux->CreateFromCLSID(media::Clsid::AviMux) && DVType2) {
            media::IConfigAviMux* config = nullptr;
            if (media::Succeeded(AviMux->QueryFilterInterface(config))) {
                config->SetMasterStream(1);
                config->SetOutputCompatibilityIndex(false);
            }
            media::IConfigInterleaving* interleaving = nullptr;
            if (media::Succeeded(AviMux->QueryFilterInterface(interleaving)))
                interleaving->SetMode(media::Interleave::Full);
        }
        Prepare(*this, *Encoder);
        Encoder->FilterName = QStringLiteral("DV Encoder");
        if (Encoder->CreateFromCLSID(media::Clsid::DvVideoEncoder)) {
            media::IDVEnc* dv = nullptr;
            if (media::Succeeded(Encoder->QueryFilterInterface(dv)))
                LastResult = dv->SetIFormatResolution(
                    VideoFormat == DVF_NTSC ? media::DvEnc::VideoFormatNtsc
                                            : media::DvEnc::VideoFormatPal,
                    media::DvEnc::FormatDvsd, media::DvEnc::ResolutionFull, false);
        }
        if (HasAudio) {
            Prepare(*this, *AudioEncoder);
            AudioEncoder->DeviceEnum = AudioDeviceEnum;
            AudioEncoder->CodecName = QStringLiteral("PCM");
            // DV carries 48 kHz stereo unless told otherwise; 0 would pick the compressor's
            // first format (8 kHz mono 8 bit), which DV cannot hold.
            AudioEncoder->SampleRate = AudioSampleRate > 0 ? AudioSampleRate : 48000;
            AudioEncoder->Channels = AudioChannels > 0 ? AudioChannels : 2;
            AudioEncoder->BitsPerSample = 16;
            AudioEncoder->WriteToFile = false;
            AudioEncoder->ChainName = QStringLiteral("PCM");
            AudioEncoder->BuildChain();
        }
        Prepare(*this, *Writer);
        Writer->CreateFilter();
        Writer->QuerySink();
        Writer->SetFileName(FileName);
        return true;
    } catch (...) {
        return true;
    }
}

void TDSDVEncoder::ReleaseChain() {
    AudioEncoder->ReleaseChain();
    DVMux->ReleaseFilter();
    Encoder->ReleaseFilter();
    AviMux->ReleaseFilter();
    Writer->ReleaseFilter();
}

HRESULT TDSDVEncoder::ConnectVideo(const PinPtr& source) {
    return LastResult = Encoder->ConnectInput(source);
}

HRESULT TDSDVEncoder::ConnectAudio(const PinPtr& source) {
    return LastResult = AudioEncoder->ConnectInput(source);
}

bool TDSDVEncoder::ConnectOutput() {
    try {
        bool ok = true;
        PinPtr video;
        Encoder->GetOutputPin(video);
        LastResult =
            ConnectToFreeInput(Graph, AviMux->Filter.get(), media::MajorType::Video, video);
        if (media::Failed(LastResult)) {
            ReportError(DVType2 ? VideoToAviMuxConnectErrorCode : VideoToDVMuxConnectErrorCode);
            ok = false;
        }
        if (HasAudio) {
            AudioEncoder->ApplyFormat();
            PinPtr audio;
            AudioEncoder->GetOutputPin(audio);
            LastResult =
                ConnectToFreeInput(Graph, AviMux->Filter.get(), media::MajorType::Audio, audio);
            if (media::Failed(LastResult)) {
                ReportError(AudioConnectErrorCode);
                ok = false;
            }
        }
        PinPtr muxed;
        AviMux->GetOutputPin(muxed);
        LastResult = muxed ? Writer->ConnectInput(muxed) : E_FAIL;
        if (media::Failed(LastResult)) {
            ReportError(WriterConnectErrorCode);
            ok = false;
        }
        Writer->SetFileName(FileName);
        return ok;
    } catch (...) {
        return false;
    }
}

// --- Custom ---------------------------------------------------------------------------------

TDSCustomEncoder::TDSCustomEncoder()
    : AudioEncoder(new TDSACMEncoder)
    , AudioCodec(new TDSCatFilter)
    , Writer(new TDSFileWriter)
    , VideoCodec(new TDSCatFilter)
    , Mux(new TDSCatFilter) {
    ChainName = QStringLiteral("Custom Encoder");
}

TDSCustomEncoder::~TDSCustomEncoder() {
    delete AudioEncoder;
    delete AudioCodec;
    delete Writer;
    delete VideoCodec;
    delete Mux;
}

bool TDSCustomEncoder::BuildChain() {
    try {
        MuxSink = nullptr;
        MuxSink2 = nullptr;
        if (!MuxIsEncoder) {
            if (UseVideoCodec) {
                Prepare(*this, *VideoCodec);
                VideoCodec->DeviceEnum = VideoCodecFromFilters ? FilterDeviceEnum : VideoDeviceEnum;
                VideoCodec->FriendlyName = VideoCodecName;
                VideoCodec->FilterName = VideoCodecName;
                if (!VideoCodec->CreateFilter())
                    ReportError(VideoCodecErrorCode);
            }
            if (HasAudio && UseAudioCodec) {
                bool built = false;
                if (AudioCodecFromFilters) {
                    Prepare(*this, *AudioCodec);
                    AudioCodec->DeviceEnum = FilterDeviceEnum;
                    AudioCodec->FriendlyName = AudioCodecName;
                    AudioCodec->FilterName = AudioCodecName;
                    built = AudioCodec->CreateFilter();
                } else {
                    Prepare(*this, *AudioEncoder);
                    AudioEncoder->DeviceEnum = AudioDeviceEnum;
                    AudioEncoder->CodecName = AudioCodecName;
                    AudioEncoder->BitsPerSample = BitsPerSample;
                    AudioEncoder->SampleRate = SampleRate;
                    AudioEncoder->Channels = Channels;
                    AudioEncoder->WriteToFile = false;
                    built = AudioEncoder->BuildChain();
                }
                if (!built)
                    ReportError(AudioCodecErrorCode);
            }
        }
        Prepare(*this, *Mux);
        Mux->DeviceEnum = FilterDeviceEnum;
        Mux->FriendlyName = MuxName;
        Mux->FilterName = MuxName;
        if (!Mux->CreateFilter()) {
            ReportError(MuxErrorCode);
            return false;
        }
        if (media::Succeeded(Mux->QueryFilterInterface(MuxSink2)))
            MuxSink = MuxSink2;
        else
            Mux->QueryFilterInterface(MuxSink);
        if (MuxSink) {
            LastResult = MuxSink->SetFileName(FileName);
            return false;
        }
        Prepare(*this, *Writer);
        Writer->DeviceEnum = FilterDeviceEnum;
        const bool created = SpecialWriterNeeded ? Writer->CreateFromCategory(SpecialWriterName)
                                                 : Writer->CreateFilter();
        if (!created) {
            ReportError(WriterErrorCode);
            return false;
        }
        Writer->QuerySink();
        Writer->SetFileName(FileName);
        return true;
    } catch (...) {
        return false;
    }
}

void TDSCustomEncoder::ReleaseChain() {
    MuxSink = nullptr;
    MuxSink2 = nullptr;
    AudioEncoder->ReleaseChain();
    AudioCodec->ReleaseFilter();
    Writer->ReleaseFilter();
    VideoCodec->ReleaseFilter();
    Mux->ReleaseFilter();
}

HRESULT TDSCustomEncoder::ConnectVideo(const PinPtr& source) {
    if (!source)
        return E_FAIL;
    if (MuxIsEncoder || !UseVideoCodec)
        return LastResult =
                   ConnectToFreeInput(Graph, Mux->Filter.get(), media::MajorType::Video, source);
    return LastResult = VideoCodec->ConnectInput(source);
}

HRESULT TDSCustomEncoder::ConnectAudio(const PinPtr& source) {
    if (!source || !HasAudio)
        return E_FAIL;
    if (MuxIsEncoder || !UseAudioCodec)
        return LastResult =
                   ConnectToFreeInput(Graph, Mux->Filter.get(), media::MajorType::Audio, source);
    return LastResult = AudioCodecFromFilters ? AudioCodec->ConnectInput(source)
                                              : AudioEncoder->ConnectInput(source);
}

HRESULT TDSCustomEncoder::Render(media::Filter* source, media::Filter* sink) {
    TDSCaptureGraphBuilder* builder = CaptureBuilder;
    if (!builder) {
        ownBuilder_.Graph = Graph;
        builder = &ownBuilder_;
    }
    return LastResult = builder->RenderStream(source, sink);
}

bool TDSCustomEncoder::ConnectOutput() {
    try {
        bool ok = true;
        if (!MuxIsEncoder) {
            if (UseVideoCodec)
                ok = media::Succeeded(Render(VideoCodec->Filter.get(), Mux->Filter.get())) && ok;
            if (HasAudio && UseAudioCodec) {
                if (AudioCodecFromFilters) {
                    ok =
                        media::Succeeded(Render(AudioCodec->Filter.get(), Mux->Filter.get())) && ok;
                } else {
                    // The asked rate, channels and size apply here as in the other chains.
                    AudioEncoder->ApplyFormat();
                    ok = media::Succeeded(
                             Render(AudioEncoder->Encoder->Filter.get(), Mux->Filter.get())) &&
                         ok;
                }
            }
        }
        if (MuxSink || MuxSink2)
            return ok;
        return media::Succeeded(Render(Mux->Filter.get(), Writer->Filter.get())) && ok;
    } catch (...) {
        return false;
    }
}
