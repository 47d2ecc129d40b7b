#pragma once

#include "filters/DSBaseFilter.h"
#include "platform/media/StandardMpeg.h"

/// The MPEG-family output chain: the "Standard MPEG" encoder, configured from named parameters
/// just before its output is connected, followed by the file writer.
class TDSStandardMPEGEncoder : public TDSSimpleBaseFilter {
public:
    TDSStandardMPEGEncoder();
    ~TDSStandardMPEGEncoder() override;

    QString FileName;
    const TKXWideStringList* ParameterNames = nullptr;  ///< the engine's, not owned
    const TKXWideStringList* ParameterValues = nullptr; ///< the engine's, not owned
    TDSFileWriter* Writer;
    TDSBaseFilter* Encoder;

    bool BuildChain() override;
    void ReleaseChain() override;
    media::HRESULT ConnectVideo(const media::PinPtr& source);
    media::HRESULT ConnectAudio(const media::PinPtr& source);
    bool ApplyAndConnectOutput();
    void ApplyParameters();
};
