#include "engine/AudioChainDispatch.h"

#include "engine/KXVideoEdit.h"
#include "platform/media/FilterRegistry.h"

namespace engine {

ChainSettings ChainSettingsFrom(const TKXVideoEdit& e) {
    ChainSettings s;
    s.videoCodec = e.Video_Codec();
    s.videoUseCompression = e.Video_Use_Compression();
    s.videoDecodeToRgb = e.Video_Use_Compression_DecodeUncompressedToRGB();
    s.audioCodec = e.Audio_Codec();
    s.audioBps = e.Audio_BPS();
    s.audioChannels = e.Audio_Channels();
    s.audioSampleRate = e.Audio_SampleRate();
    s.audioUseCompression = e.Audio_Use_Compression();
    s.lameUseInAvi = e.Audio_LAME_UseInAVI();
    TKXLameSettings& l = s.lame;
    l.Audio_LAME_CBR_Bitrate = e.Audio_LAME_CBR_Bitrate();
    l.Audio_LAME_Channels_Mode = int(e.Audio_LAME_Channels_Mode());
    l.Audio_LAME_Copyright = e.Audio_LAME_Copyright();
    l.Audio_LAME_CRC_Protected = e.Audio_LAME_CRC_Protected();
    l.Audio_LAME_Disable_Short_Blocks = e.Audio_LAME_Disable_Short_Blocks();
    l.Audio_LAME_Enable_Xing_VBR_Tag = e.Audio_LAME_Enable_Xing_VBR_Tag();
    l.Audio_LAME_Encoding_Quality = e.Audio_LAME_Encoding_Quality();
    l.Audio_LAME_Force_Mono = e.Audio_LAME_Force_Mono();
    l.Audio_LAME_Keep_All_Frequencies = e.Audio_LAME_Keep_All_Frequencies();
    l.Audio_LAME_Mode_Fixed = e.Audio_LAME_Mode_Fixed();
    l.Audio_LAME_Original = e.Audio_LAME_Original();
    l.Audio_LAME_Sample_Rate = e.Audio_LAME_Sample_Rate();
    l.Audio_LAME_Strictly_Enforce_VBR_Min_Bitrate = e.Audio_LAME_Strictly_Enforce_VBR_Min_Bitrate();
    l.Audio_LAME_Strict_ISO_Compilance = e.Audio_LAME_Strict_ISO_Compilance();
    l.Audio_LAME_VBR_Max_Bitrate = e.Audio_LAME_VBR_Max_Bitrate();
    l.Audio_LAME_VBR_Min_Bitrate = e.Audio_LAME_VBR_Min_Bitrate();
    l.Audio_LAME_VBR_Mode = e.Audio_LAME_VBR_Mode();
    l.Audio_LAME_VBR_Quality = e.Audio_LAME_VBR_Quality();
    l.Audio_LAME_Voice_Encoding_Mode = e.Audio_LAME_Voice_Encoding_Mode();
    s.oggAvgBitRate = e.Audio_OggVorbis_AvgBitRate();
    s.oggMinBitRate = e.Audio_OggVorbis_MinBitRate();
    s.oggMaxBitRate = e.Audio_OggVorbis_MaxBitRate();
    s.oggMode = e.Audio_OggVorbis_Mode();
    s.oggQuality = e.Audio_OggVorbis_Quality();
    s.customAudioCodec = e.Custom_Output_Audio_Codec();
    s.customAudioCodecFromFilters = e.Custom_Output_Audio_Codec_Use_Filters_Category();
    s.customVideoCodec = e.Custom_Output_Video_Codec();
    s.customVideoCodecFromFilters = e.Custom_Output_Video_Codec_Use_Filters_Category();
    s.customMuxName = e.Custom_Output_Mux_Filter_Name();
    s.customMuxIsEncoder = e.Custom_Output_Mux_Filter_Is_Encoder();
    s.customSpecialWriterName = e.Custom_Output_Special_FileWriter_Filter_Name();
    s.customSpecialWriterNeeded = e.Custom_Output_Special_FileWriter_Needed();
    s.dvAudioChannels = e.DV_Audio_Channels();
    s.dvAudioSampleRate = e.DV_Audio_SampleRate();
    s.dvType2 = e.DV_Type2();
    s.dvVideoFormat = e.DV_Video_Format();
    return s;
}

bool IsAudioOnlyChainFormat(kx::TKXOutputFormat f) {
    return f == kx::Format_PCM_ACM || f == kx::Format_LAME || f == kx::Format_OggVorbis;
}

bool IsAudioOrContainerFormat(kx::TKXOutputFormat f) {
    return IsAudioOnlyChainFormat(f) || f == kx::Format_AVI || f == kx::Format_MKV ||
           f == kx::Format_DV || f == kx::Format_Custom;
}

BuiltChain::BuiltChain() {
    audioCompressors.SelectCategory(media::Category::AudioCompressors);
    videoCompressors.SelectCategory(media::Category::VideoCompressors);
    filters.SelectCategory(media::Category::Filters);
}

BuiltChain::~BuiltChain() {
    Release();
}

void BuiltChain::Release() {
    progressFilter = nullptr;
    if (chain)
        chain->ReleaseChain();
    chain.reset();
}

namespace {

template <class W> void Prepare(W& w, const ChainContext& ctx) {
    w.Graph = ctx.graph;
    w.ErrorTexts = ctx.errorTexts;
    w.OnError = ctx.onError;
    w.OnFilterAdded = ctx.onFilterAdded;
}

/// Connects a pin and forgets it on success.
template <class F> void ConnectAndForget(media::PinPtr& pin, F connect) {
    if (pin && media::Succeeded(connect(pin)))
        pin.reset();
}

void BuildAvi(BuiltChain& built, bool matroska, const ChainSettings& s, const ChainContext& ctx,
              const QString& fileName, media::PinPtr& videoPin, media::PinPtr (&audioPins)[8],
              bool hasAudio) {
    auto avi = std::make_unique<TDSAVIEncoder>();
    Prepare(*avi, ctx);
    avi->FileName = fileName;
    if (matroska) {
        avi->MuxClassId = media::ChainClsid::MatroskaMux;
        avi->MuxName = QStringLiteral("Matroska Muxer");
    }
    if (s.videoUseCompression) {
        avi->VideoDeviceEnum = &built.videoCompressors;
        avi->VideoCodecName = s.videoCodec;
    }
    avi->UseVideoCompression = s.videoUseCompression;
    avi->DecodeToRGB = s.videoDecodeToRgb;
    avi->HasAudio = hasAudio;
    if (hasAudio) {
        avi->AudioDeviceEnum = &built.audioCompressors;
        avi->BitsPerSample = s.audioBps;
        avi->Channels = s.audioChannels;
        avi->SampleRate = s.audioSampleRate;
        avi->AudioCodecName = s.audioCodec;
        avi->UseAudioCompression = s.audioUseCompression;
        avi->UseLAME = s.lameUseInAvi;
        for (int k = 0; k < TDSAVIEncoder::kMaxAudioStreams; ++k)
            avi->AudioStreams[k] = static_cast<bool>(audioPins[k]);
        if (s.lameUseInAvi)
            avi->Lame = s.lame;
    }
    avi->AudioEncoderConnectErrorCode = 99;
    avi->VideoConnectErrorCode = 100;
    avi->WriterConnectErrorCode = 101;
    avi->LameConnectErrorCode = 102;
    avi->AudioEncoderBuildErrorCode = 103;
    avi->LameBuildErrorCode = 104;
    if (avi->BuildChain()) {
        avi->QueryMuxInterfaces();
        ConnectAndForget(videoPin, [&](const media::PinPtr& p) { return avi->ConnectVideo(p); });
        if (hasAudio)
            for (int k = 0; k < TDSAVIEncoder::kMaxAudioStreams; ++k)
                ConnectAndForget(audioPins[k],
                                 [&](const media::PinPtr& p) { return avi->ConnectAudio(k, p); });
        avi->ConnectOutput();
    }
    built.progressFilter = avi->Mux->Filter.get();
    built.chain = std::move(avi);
}

void BuildDv(BuiltChain& built, const ChainSettings& s, const ChainContext& ctx,
             const QString& fileName, media::PinPtr& videoPin, media::PinPtr& audioPin,
             bool hasAudio) {
    auto dv = std::make_unique<TDSDVEncoder>();
    Prepare(*dv, ctx);
    dv->FileName = fileName;
    dv->DVType2 = s.dvType2;
    dv->VideoFormat =
        s.dvVideoFormat == kx::DVF_NTSC ? TDSDVEncoder::DVF_NTSC : TDSDVEncoder::DVF_PAL;
    dv->AudioDeviceEnum = &built.audioCompressors;
    dv->HasAudio = hasAudio;
    if (hasAudio) {
        dv->AudioChannels = s.dvAudioChannels;
        dv->AudioSampleRate = s.dvAudioSampleRate;
    }
    dv->VideoToAviMuxConnectErrorCode = 86;
    dv->DVMuxToAviMuxConnectErrorCode = 87;
    dv->AudioConnectErrorCode = 88;
    dv->VideoToDVMuxConnectErrorCode = 89;
    dv->WriterConnectErrorCode = 90;
    if (dv->BuildChain()) {
        if (dv->ConnectVideo(videoPin) != media::S_OK)
            ReportErrorCode(ctx.onError, ctx.errorTexts, 28);
        else
            videoPin.reset();
        if (hasAudio)
            ConnectAndForget(audioPin, [&](const media::PinPtr& p) { return dv->ConnectAudio(p); });
        dv->ConnectOutput();
    }
    built.progressFilter = dv->AviMux->Filter.get();
    built.chain = std::move(dv);
}

void BuildCustom(BuiltChain& built, const ChainSettings& s, const ChainContext& ctx,
                 const QString& fileName, media::PinPtr& videoPin, media::PinPtr& audioPin,
                 bool hasAudio) {
    auto custom = std::make_unique<TDSCustomEncoder>();
    Prepare(*custom, ctx);
    built.captureBuilder.Graph = ctx.graph;
    custom->FileName = fileName;
    custom->FilterDeviceEnum = &built.filters;
    custom->VideoDeviceEnum = &built.videoCompressors;
    custom->AudioDeviceEnum = &built.audioCompressors;
    custom->CaptureBuilder = &built.captureBuilder;
    custom->HasAudio = hasAudio;
    custom->BitsPerSample = s.audioBps;
    custom->Channels = s.audioChannels;
    custom->SampleRate = s.audioSampleRate;
    custom->UseAudioCodec = true;
    custom->UseVideoCodec = true;
    custom->AudioCodecName = s.customAudioCodec;
    custom->AudioCodecFromFilters = s.customAudioCodecFromFilters;
    custom->VideoCodecName = s.customVideoCodec;
    custom->VideoCodecFromFilters = s.customVideoCodecFromFilters;
    custom->MuxName = s.customMuxName;
    custom->MuxIsEncoder = s.customMuxIsEncoder;
    custom->SpecialWriterName = s.customSpecialWriterName;
    custom->SpecialWriterNeeded = s.customSpecialWriterNeeded;
    custom->BuildChain(); // false also when the multiplexer writes the file itself
    ConnectAndForget(videoPin, [&](const media::PinPtr& p) { return custom->ConnectVideo(p); });
    if (hasAudio)
        ConnectAndForget(audioPin, [&](const media::PinPtr& p) { return custom->ConnectAudio(p); });
    custom->ConnectOutput();
    built.progressFilter = custom->Mux->Filter.get();
    built.chain = std::move(custom);
}

void BuildAudioOnly(BuiltChain& built, kx::TKXOutputFormat format, const ChainSettings& s,
                    const ChainContext& ctx, const QString& fileName, media::PinPtr& audioPin) {
    switch (format) {
    case kx::Format_PCM_ACM: {
        auto acm = std::make_unique<TDSACMEncoder>();
        Prepare(*acm, ctx);
        acm->FileName = fileName;
        acm->DeviceEnum = &built.audioCompressors;
        acm->BitsPerSample = s.audioBps;
        acm->Channels = s.audioChannels;
        acm->SampleRate = s.audioSampleRate;
        acm->CodecName = s.audioCodec;
        acm->WriteToFile = true;
        acm->AddErrorCode = 18;
        acm->CreateErrorCode = 19;
        acm->ConnectErrorCode = 20;
        acm->WavDestAddErrorCode = 21;
        acm->WavDestCreateErrorCode = 22;
        acm->WavDestConnectErrorCode = 23;
        acm->WriterAddErrorCode = 24;
        acm->WriterCreateErrorCode = 25;
        acm->WriterConnectErrorCode = 26;
        acm->FormatErrorCode = 27;
        if (acm->BuildChain()) {
            ConnectAndForget(audioPin,
                             [&](const media::PinPtr& p) { return acm->ConnectInput(p); });
            acm->ConnectOutput();
        }
        built.progressFilter = acm->WavDest->Filter.get();
        built.chain = std::move(acm);
        break;
    }
    case kx::Format_LAME: {
        auto lame = std::make_unique<TDSLameEncoder>();
        Prepare(*lame, ctx);
        lame->FileName = fileName;
        lame->Lame = s.lame;
        lame->WriteToFile = true;
        lame->AddErrorCode = 1;
        lame->ConnectErrorCode = 2;
        lame->CreateErrorCode = 6;
        lame->DumpAddErrorCode = 3;
        lame->DumpConnectErrorCode = 4;
        lame->DumpCreateErrorCode = 7;
        if (lame->BuildChain()) {
            ConnectAndForget(audioPin,
                             [&](const media::PinPtr& p) { return lame->ConnectInput(p); });
            lame->ConnectOutput();
        }
        built.progressFilter = lame->Dump->Filter.get();
        built.chain = std::move(lame);
        break;
    }
    case kx::Format_OggVorbis: {
        auto ogg = std::make_unique<TDSOGGVorbis>();
        Prepare(*ogg, ctx);
        ogg->FileName = fileName;
        ogg->DeviceEnum = &built.filters;
        ogg->AvgBitRate = s.oggAvgBitRate;
        ogg->MinBitRate = s.oggMinBitRate;
        ogg->MaxBitRate = s.oggMaxBitRate;
        ogg->Mode =
            s.oggMode == kx::VM_Quality ? TDSOGGVorbis::VM_Quality : TDSOGGVorbis::VM_Bitrate;
        ogg->Quality = s.oggQuality;
        ogg->EncoderAddErrorCode = 8;
        ogg->EncoderCreateErrorCode = 9;
        ogg->EncoderConnectErrorCode = 10;
        ogg->MuxAddErrorCode = 11;
        ogg->MuxCreateErrorCode = 12;
        ogg->MuxConnectErrorCode = 13;
        ogg->WriterAddErrorCode = 14;
        ogg->WriterCreateErrorCode = 15;
        ogg->WriterConnectErrorCode = 16;
        ogg->WriterInitErrorCode = 95;
        ogg->WriterSinkInitErrorCode = 96;
        ogg->MuxInitErrorCode = 97;
        ogg->EncoderInitErrorCode = 98;
        if (ogg->BuildChain()) {
            ConnectAndForget(audioPin,
                             [&](const media::PinPtr& p) { return ogg->ConnectInput(p); });
            ogg->ConnectOutput();
        }
        built.progressFilter = ogg->Mux->Filter.get();
        built.chain = std::move(ogg);
        break;
    }
    default:
        break;
    }
}

} // namespace

std::unique_ptr<BuiltChain>
BuildAudioOrContainerChain(kx::TKXOutputFormat format, const ChainSettings& settings,
                           const ChainContext& ctx, const QString& fileName,
                           media::PinPtr& videoPin, media::PinPtr (&audioPins)[8], bool hasVideo,
                           bool hasAudio) {
    if (!IsAudioOrContainerFormat(format))
        return nullptr;
    const bool audioOnly = IsAudioOnlyChainFormat(format);
    if (audioOnly ? (hasVideo || !hasAudio) : !hasVideo)
        return nullptr;
    auto built = std::make_unique<BuiltChain>();
    switch (format) {
    case kx::Format_AVI:
    case kx::Format_MKV:
        BuildAvi(*built, format == kx::Format_MKV, settings, ctx, fileName, videoPin, audioPins,
                 hasAudio);
        break;
    case kx::Format_DV:
        BuildDv(*built, settings, ctx, fileName, videoPin, audioPins[0], hasAudio);
        break;
    case kx::Format_Custom:
        BuildCustom(*built, settings, ctx, fileName, videoPin, audioPins[0], hasAudio);
        break;
    default:
        BuildAudioOnly(*built, format, settings, ctx, fileName, audioPins[0]);
    }
    return built;
}

} // namespace engine
