#pragma once

// "WM Writer": writes an ASF (.wmv/.wma) file whose streams a Windows Media profile decides.
// Each profile stream becomes one input pin ("Video Input 01", "Audio Input 01", ...) that
// takes raw video or audio and encodes it. Graph-building thread only.
//
// The encoders are libavcodec's: Windows Media Video 7 and 8 and Windows Media Audio 1 and 2
// are written as such; streams that ask for a later codec (Windows Media Video 9, Screen, the
// Professional, Lossless and Voice audio codecs) are encoded with the nearest codec that exists
// (Windows Media Video 8, Windows Media Audio 2) and the file declares that codec, so players
// decode what is really there. `PlanAsfStream` tells what a stream becomes.

#include "platform/media/Interfaces.h"
#include "platform/media/WmProfile.h"
#include "platform/media/detail/GstFilter.h"

#include <QStringList>

namespace media {

namespace WMClsid {
inline const QString AsfWriter = QStringLiteral("{7C23220E-55BB-11D3-8B16-00C04FB6BD3D}");
} // namespace WMClsid

/// Profile control of the ASF writer.
class IConfigAsfWriter {
public:
    virtual ~IConfigAsfWriter() = default;
    /// Makes the profile's streams the writer's inputs, in stream-number order. E_INVALIDARG
    /// for a profile without streams or with a stream the writer cannot encode (no media type,
    /// an unknown codec, a size or rate out of range); VFW_E_WRONG_STATE once a profile was
    /// applied. The reason of a refusal is kept in ConfigurationError().
    virtual HRESULT ConfigureFilterUsingProfile(const WMProfile& profile) = 0;
    /// VFW_E_NOT_FOUND before a profile was applied.
    virtual HRESULT GetCurrentProfile(WMProfile& profile) const = 0;
    virtual QString ConfigurationError() const = 0;
};

/// What the writer encodes one profile stream as.
struct AsfStreamPlan {
    bool video = false;
    QString encoder; ///< libavcodec codec: "wmv1", "wmv2", "wmav1" or "wmav2"
    QString asked;   ///< the codec the profile asks for ("WMV3", "Windows Media Audio 10 Pro"...)
    // Video.
    int width = 0, height = 0;
    int fpsN = 0, fpsD = 1;
    int kbps = 0;       ///< target rate; 0 with a quantiser
    int maxKbps = 0;    ///< 0 = no peak
    int bufferKbit = 0; ///< rate-control buffer; 0 = the encoder's choice
    int gopFrames = 0;
    int qscale = 0; ///< 1..31 for quality-based streams
    // Audio.
    int sampleRate = 0, channels = 0;
    int bitsPerSecond = 0;
    /// Settings of the stream that the encoder has no equivalent for, in words.
    QStringList approximations;
    /// Empty when the writer can encode the stream.
    QString error;
};

AsfStreamPlan PlanAsfStream(const WMStreamConfig& stream);

class WMAsfWriterFilter final : public detail::GstFilter,
                                public IFileSinkFilter,
                                public IConfigAsfWriter {
public:
    WMAsfWriterFilter();

    HRESULT SetFileName(const QString& fileName) override;
    HRESULT GetCurFile(QString& fileName) const override;

    HRESULT ConfigureFilterUsingProfile(const WMProfile& profile) override;
    HRESULT GetCurrentProfile(WMProfile& profile) const override;
    QString ConfigurationError() const override { return configurationError_; }

    HRESULT PrepareForRun() override;

private:
    bool BuildStream(const WMStreamConfig& stream, const AsfStreamPlan& plan, int pinNumber,
                     QString& why);
    void PostError(const QString& text);

    GstElement* mux_ = nullptr;  ///< owned by the bin
    GstElement* sink_ = nullptr; ///< owned by the bin
    QString fileName_;
    bool configured_ = false;
    WMProfile profile_;
    QString configurationError_;
};

} // namespace media
