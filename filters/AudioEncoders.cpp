#include "filters/AudioEncoders.h"

#include "platform/media/ChainInterfaces.h"
#include "platform/media/FilterRegistry.h"

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

template <class F> void SetCodes(F& filter, int add, int connect, int create) {
    filter.AddErrorCode = add;
    filter.ConnectErrorCode = connect;
    filter.CreateErrorCode = create;
}

} // namespace

HRESULT ConnectToFreeInput(media::Graph* graph, media::Filter* filter, media::MajorType majorType,
                           const PinPtr& source) {
    try {
        PinPtr input;
        if (!graph || !source ||
            !FindFreePin(filter, int(media::PinDirection::Input), majorType, input))
            return E_FAIL;
        return graph->Connect(source, input);
    } catch (...) {
        return E_FAIL;
    }
}

// --- ACM ------------------------------------------------------------------------------------

TDSACMEncoder::TDSACMEncoder()
    : Writer(new TDSFileWriter)
    , Encoder(new TDSCatFilter)
    , WavDest(new TDSBaseFilter) {
    ChainName = QStringLiteral("ACM Encoder");
}

TDSACMEncoder::~TDSACMEncoder() {
    delete Writer;
    delete Encoder;
    delete WavDest;
}

bool TDSACMEncoder::BuildChain() {
    try {
        Prepare(*this, *Encoder);
        SetCodes(*Encoder, AddErrorCode, ConnectErrorCode, CreateErrorCode);
        Encoder->DeviceEnum = DeviceEnum;
        Encoder->FriendlyName = CodecName;
        Encoder->FilterName = CodecName;
        if (!Encoder->CreateFilter()) {
            // A compressor that is not installed would otherwise leave the run without output
            // and without a word.
            LastResult = Encoder->LastResult;
            ReportError(CreateErrorCode);
            return false;
        }
        if (!WriteToFile)
            return true;
        Prepare(*this, *WavDest);
        SetCodes(*WavDest, WavDestAddErrorCode, WavDestConnectErrorCode, WavDestCreateErrorCode);
        WavDest->FilterName = QStringLiteral("WAV Dest");
        if (!WavDest->CreateFromCLSID(media::ChainClsid::WavDest)) {
            LastResult = WavDest->LastResult;
            return false;
        }
        Prepare(*this, *Writer);
        SetCodes(*Writer, WriterAddErrorCode, WriterConnectErrorCode, WriterCreateErrorCode);
        if (!Writer->CreateFilter() || !Writer->QuerySink()) {
            LastResult = Writer->LastResult;
            return false;
        }
        Writer->SetFileName(FileName);
        return true;
    } catch (...) {
        return false;
    }
}

void TDSACMEncoder::ReleaseChain() {
    Encoder->ReleaseFilter();
    WavDest->ReleaseFilter();
    Writer->ReleaseFilter();
}

HRESULT TDSACMEncoder::ConnectInput(const PinPtr& source) {
    LastResult = Encoder->ConnectInput(source);
    return LastResult;
}

bool TDSACMEncoder::GetOutputPin(PinPtr& pin) {
    return Encoder->GetOutputPin(pin);
}

void TDSACMEncoder::ApplyFormat() {
    try {
        PinPtr output;
        if (!Encoder->GetOutputPin(output))
            return;
        media::IAMStreamConfig* config = nullptr;
        LastResult = Encoder->QueryFilterInterface(config);
        if (media::Failed(LastResult))
            return;
        // The compressor's format list is what its output pin offers; it is empty until the
        // input is connected.
        std::vector<media::MediaType> offered;
        int count = 0;
        if (media::Succeeded(config->GetFormatCount(count))) {
            for (int i = 0; i < count; ++i) {
                media::MediaType t;
                if (media::Succeeded(config->GetStreamCaps(i, t)))
                    offered.push_back(t);
            }
        }
        for (const media::MediaType& t : offered) {
            if (t.samplesPerSec == SampleRate && t.channels == Channels &&
                (t.bitsPerSample == BitsPerSample || t.bitsPerSample == 0)) {
                LastResult = config->SetFormat(t);
                return;
            }
        }
        if (!offered.empty())
            LastResult = config->SetFormat(offered.front());
        ReportError(FormatErrorCode);
    } catch (...) {
    }
}

bool TDSACMEncoder::ConnectOutput() {
    try {
        ApplyFormat();
        PinPtr output;
        if (!Encoder->GetOutputPin(output))
            return false;
        if (!WriteToFile)
            return true;
        LastResult = WavDest->ConnectInput(output);
        if (media::Failed(LastResult))
            return false;
        PinPtr wav;
        if (!WavDest->GetOutputPin(wav))
            return false;
        LastResult = Writer->ConnectInput(wav);
        return media::Succeeded(LastResult);
    } catch (...) {
        return false;
    }
}

// --- LAME -----------------------------------------------------------------------------------

TDSLameEncoder::TDSLameEncoder()
    : Encoder(new TDSBaseFilter)
    , Dump(new TDSDump) {
    ChainName = QStringLiteral("LAME Encoder");
}

TDSLameEncoder::~TDSLameEncoder() {
    delete Encoder;
    delete Dump;
}

bool TDSLameEncoder::BuildChain() {
    try {
        Prepare(*this, *Encoder);
        SetCodes(*Encoder, AddErrorCode, ConnectErrorCode, CreateErrorCode);
        Encoder->FilterName = QStringLiteral("LAME");
        if (!Encoder->CreateFromCLSID(media::ChainClsid::LameEncoder)) {
            LastResult = Encoder->LastResult;
            return false;
        }
        Prepare(*this, *Dump);
        SetCodes(*Dump, DumpAddErrorCode, DumpConnectErrorCode, DumpCreateErrorCode);
        if (!WriteToFile)
            return true;
        if (!Dump->CreateFilter() || !Dump->QuerySink()) {
            LastResult = Dump->LastResult;
            return false;
        }
        Dump->SetFileName(FileName);
        return true;
    } catch (...) {
        return false;
    }
}

void TDSLameEncoder::ReleaseChain() {
    Encoder->ReleaseFilter();
    Dump->ReleaseFilter();
}

HRESULT TDSLameEncoder::ConnectInput(const PinPtr& source) {
    LastResult = Encoder->ConnectInput(source);
    return LastResult;
}

bool TDSLameEncoder::GetOutputPin(PinPtr& pin) {
    return Encoder->GetOutputPin(pin);
}

void TDSLameEncoder::ApplySettings() {
    try {
        media::ILameEncoderSettings* s = nullptr;
        LastResult = Encoder->QueryFilterInterface(s);
        if (media::Failed(LastResult))
            return;
        const TKXLameSettings& l = Lame;
        auto flag = [](bool on) { return std::uint32_t(on ? 1 : 0); };
        s->SetVariable(flag(l.Audio_LAME_VBR_Mode));
        if (l.Audio_LAME_VBR_Mode) {
            s->SetVariableMin(std::uint32_t(l.Audio_LAME_VBR_Min_Bitrate));
            s->SetVariableMax(std::uint32_t(l.Audio_LAME_VBR_Max_Bitrate));
            s->SetVariableQuality(std::uint32_t(l.Audio_LAME_VBR_Quality));
        } else {
            s->SetBitrate(std::uint32_t(l.Audio_LAME_CBR_Bitrate));
        }
        s->SetChannelMode(std::uint32_t(l.Audio_LAME_Channels_Mode));
        s->SetCRCFlag(flag(l.Audio_LAME_CRC_Protected));
        s->SetCopyrightFlag(flag(l.Audio_LAME_Copyright));
        s->SetOriginalFlag(flag(l.Audio_LAME_Original));
        s->SetForceMono(flag(l.Audio_LAME_Force_Mono));
        s->SetEnforceVBRmin(flag(l.Audio_LAME_Strictly_Enforce_VBR_Min_Bitrate));
        s->SetVoiceMode(flag(l.Audio_LAME_Voice_Encoding_Mode));
        s->SetKeepAllFreq(flag(l.Audio_LAME_Keep_All_Frequencies));
        s->SetStrictISOCompliance(flag(l.Audio_LAME_Strict_ISO_Compilance));
        s->SetNoShortBlock(flag(l.Audio_LAME_Disable_Short_Blocks));
        s->SetXingTag(flag(l.Audio_LAME_Enable_Xing_VBR_Tag));
        s->SetModeFixed(flag(l.Audio_LAME_Mode_Fixed));
        // The output rate is part of the MP3 settings too: without it the file would keep the
        // rate of whatever reaches the encoder.
        s->SetSampleRate(std::uint32_t(std::max(0, l.Audio_LAME_Sample_Rate)));
    } catch (...) {
    }
}

bool TDSLameEncoder::ConnectOutput() {
    try {
        ApplySettings();
        if (!WriteToFile)
            return true;
        PinPtr output;
        if (!Encoder->GetOutputPin(output))
            return false;
        LastResult = Dump->ConnectInput(output);
        return media::Succeeded(LastResult);
    } catch (...) {
        return false;
    }
}

// --- Ogg Vorbis -----------------------------------------------------------------------------

TDSOGGVorbis::TDSOGGVorbis()
    : Writer(new TDSFileWriter)
    , Encoder(new TDSCatFilter)
    , Mux(new TDSCatFilter) {
    ChainName = QStringLiteral("Ogg Vorbis");
}

TDSOGGVorbis::~TDSOGGVorbis() {
    delete Writer;
    delete Encoder;
    delete Mux;
}

bool TDSOGGVorbis::BuildChain() {
    try {
        Prepare(*this, *Mux);
        SetCodes(*Mux, MuxAddErrorCode, MuxConnectErrorCode, MuxCreateErrorCode);
        Mux->DeviceEnum = DeviceEnum;
        Mux->FriendlyName = QStringLiteral("Ogg Multiplexer");
        Mux->FilterName = Mux->FriendlyName;
        if (!Mux->CreateFilter()) {
            ReportError(MuxInitErrorCode);
            return false;
        }
        Prepare(*this, *Encoder);
        SetCodes(*Encoder, EncoderAddErrorCode, EncoderConnectErrorCode, EncoderCreateErrorCode);
        Encoder->DeviceEnum = DeviceEnum;
        Encoder->FriendlyName = QStringLiteral("Vorbis Encoder");
        Encoder->FilterName = Encoder->FriendlyName;
        if (!Encoder->CreateFilter()) {
            ReportError(EncoderInitErrorCode);
            return false;
        }
        Prepare(*this, *Writer);
        SetCodes(*Writer, WriterAddErrorCode, WriterConnectErrorCode, WriterCreateErrorCode);
        if (!Writer->CreateFilter()) {
            ReportError(WriterInitErrorCode);
            return false;
        }
        if (!Writer->QuerySink()) {
            ReportError(WriterSinkInitErrorCode);
            return false;
        }
        Writer->SetFileName(FileName);
        return true;
    } catch (...) {
        return false;
    }
}

void TDSOGGVorbis::ReleaseChain() {
    Encoder->ReleaseFilter();
    Mux->ReleaseFilter();
    Writer->ReleaseFilter();
}

HRESULT TDSOGGVorbis::ConnectInput(const PinPtr& source) {
    LastResult = Encoder->ConnectInput(source);
    return LastResult;
}

void TDSOGGVorbis::ApplySettings() {
    try {
        media::IPropertyBag* bag = nullptr;
        LastResult = Encoder->QueryFilterInterface(bag);
        if (media::Failed(LastResult))
            return;
        if (Mode == VM_Bitrate) {
            bag->Write(QStringLiteral("AvgBitrate"), AvgBitRate);
            bag->Write(QStringLiteral("MinBitrate"), MinBitRate);
            bag->Write(QStringLiteral("MaxBitrate"), MaxBitRate);
            bag->Write(QStringLiteral("Quality"), -1);
        } else {
            bag->Write(QStringLiteral("AvgBitrate"), -1);
            bag->Write(QStringLiteral("MinBitrate"), -1);
            bag->Write(QStringLiteral("MaxBitrate"), -1);
            bag->Write(QStringLiteral("Quality"), Quality);
        }
    } catch (...) {
    }
}

bool TDSOGGVorbis::ConnectOutput() {
    try {
        ApplySettings();
        PinPtr output;
        if (!Encoder->GetOutputPin(output))
            return false;
        LastResult = ConnectToFreeInput(Graph, Mux->Filter.get(), media::MajorType::Audio, output);
        if (media::Failed(LastResult))
            return false;
        PinPtr muxed;
        if (!Mux->GetOutputPin(muxed))
            return false;
        LastResult = Writer->ConnectInput(muxed);
        return media::Succeeded(LastResult);
    } catch (...) {
        return false;
    }
}
