#include "platform/media/ChainFilters.h"

#include "platform/media/AudioFilters.h"
#include "platform/media/ChainInterfaces.h"
#include "platform/media/DvFilters.h"

namespace media {

namespace {

/// A filter made of one element, or null when its plugin is missing.
FilterFactory Element(const char* factory, const QString& clsid) {
    return [factory, clsid]() -> FilterPtr {
        GstElement* e = gst_element_factory_make(factory, nullptr);
        return e ? std::make_shared<detail::GstFilter>(e, clsid) : nullptr;
    };
}

/// A bin filter, or null when its elements are missing.
template <class F> FilterFactory Bin() {
    return []() -> FilterPtr {
        auto f = std::make_shared<F>();
        return f->Element() ? f : nullptr;
    };
}

} // namespace

void RegisterChainFilters(const ChainRegistrar& r) {
    r.addClass(Clsid::AviMux, QStringLiteral("AVI Mux"), Bin<AviMuxFilter>());
    r.addClass(Clsid::DvVideoEncoder, QStringLiteral("DV Video Encoder"), Bin<DvEncoderFilter>());
    r.addClass(ChainClsid::WavDest, QStringLiteral("WAV Dest"),
               Element("wavenc", ChainClsid::WavDest));
    r.addClass(ChainClsid::LameEncoder, QStringLiteral("LAME Audio Encoder"),
               Bin<LameEncoderFilter>());
    r.addClass(ChainClsid::VorbisEncoder, QStringLiteral("Vorbis Encoder"),
               Bin<VorbisEncoderFilter>());
    r.addClass(ChainClsid::OggMux, QStringLiteral("Ogg Multiplexer"),
               Element("oggmux", ChainClsid::OggMux));
    r.addClass(ChainClsid::MatroskaMux, QStringLiteral("Matroska Muxer"),
               Element("matroskamux", ChainClsid::MatroskaMux));
    r.addEntry(
        Category::AudioCompressors,
        {QStringLiteral("PCM"), QString(), ChainClsid::PcmCompressor, QString(), QString(), 0},
        Bin<PcmCompressorFilter>());
}

void RegisterChainFilters() {
    RegisterChainFilters({&RegisterFilterClass, &RegisterCategoryEntry});
}

} // namespace media
