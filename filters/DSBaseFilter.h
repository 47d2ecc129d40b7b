#pragma once

// Wrappers through which every filter of a conversion graph is created, added, connected and
// configured. They hold no policy: the owner fills in the graph, the error hooks and codes and
// the settings, then calls the create step, then the connect steps. All of it runs on the
// thread that builds the graph; no operation lets an exception escape.

#include "engine/KXWideStringList.h"
#include "filters/DSEvents.h"
#include "filters/ed_ds_adds.h"
#include "platform/media/Graph.h"
#include "platform/media/Interfaces.h"

#include <QString>

/// The n-th pin (1-based) of a direction (0 input, 1 output) in the filter's order.
bool FindPin(media::Filter* filter, int direction, int index, media::PinPtr& pin);
/// The first unconnected pin of a direction that offers the major type.
bool FindFreePin(media::Filter* filter, int direction, media::MajorType majorType,
                 media::PinPtr& pin);

/// Reports `code` through `onError` with its text when both exist and the code is inside the
/// table; code 0 and codes past the end report nothing. Handler exceptions are swallowed.
void ReportErrorCode(const TKXErrorEvent& onError, const TKXWideStringList* errorTexts, int code);

/// Wraps exactly one filter of the graph.
class TDSBaseFilter {
public:
    TDSBaseFilter() = default;
    virtual ~TDSBaseFilter();
    TDSBaseFilter(const TDSBaseFilter&) = delete;
    TDSBaseFilter& operator=(const TDSBaseFilter&) = delete;

    std::int32_t AddErrorCode = 0;     ///< reported when adding to the graph fails; 0 = none
    std::int32_t ConnectErrorCode = 0; ///< for the owner; never reported here
    std::int32_t CreateErrorCode = 0;  ///< reported when the filter cannot be created; 0 = none
    media::Graph* Graph = nullptr;     ///< not owned
    QString FilterName;
    media::HRESULT LastResult = media::S_OK;
    media::FilterPtr Filter;
    const TKXWideStringList* ErrorTexts = nullptr; ///< the engine's, not owned
    TKXErrorEvent OnError;
    TKXFilterEvent OnFilterAdded;

    /// Drops the filter; subclasses first drop the interfaces they hold.
    virtual void ReleaseFilter();
    /// Connects an upstream output pin to input pin 1 (converters inserted as needed).
    virtual media::HRESULT ConnectInput(const media::PinPtr& source);
    /// Announces an existing filter through OnFilterAdded; subclasses create it first.
    virtual bool CreateFilter();

    media::HRESULT ConnectInputAt(int index, const media::PinPtr& source);
    bool FindFreePinByMajorType(int direction, media::MajorType majorType, media::PinPtr& pin);
    bool GetInputPin(int index, media::PinPtr& pin);
    bool GetOutputPin(media::PinPtr& pin);
    bool GetOutputPinAt(int index, media::PinPtr& pin);
    bool CreateFromCLSID(const QString& classId);
    void ReportError(int code) const;

    /// Asks the filter for a control interface: E_FAIL without a filter, E_NOINTERFACE when the
    /// filter does not offer it.
    template <class I> media::HRESULT QueryFilterInterface(I*& out) {
        out = nullptr;
        if (!Filter)
            return media::E_FAIL;
        out = Filter->QueryInterface<I>();
        return out ? media::S_OK : media::E_NOINTERFACE;
    }
};

/// Wraps a chain of filters built in a fixed order.
class TDSSimpleBaseFilter {
public:
    TDSSimpleBaseFilter() = default;
    virtual ~TDSSimpleBaseFilter() = default;
    TDSSimpleBaseFilter(const TDSSimpleBaseFilter&) = delete;
    TDSSimpleBaseFilter& operator=(const TDSSimpleBaseFilter&) = delete;

    std::int32_t AddErrorCode = 0;
    std::int32_t ConnectErrorCode = 0;
    std::int32_t CreateErrorCode = 0;
    media::Graph* Graph = nullptr;
    QString ChainName;
    media::HRESULT LastResult = media::S_OK;
    const TKXWideStringList* ErrorTexts = nullptr;
    TKXErrorEvent OnError;
    TKXFilterEvent OnFilterAdded;

    virtual void ReleaseChain() = 0;
    virtual bool BuildChain() = 0;
    void ReportError(int code) const;
};

/// A filter chosen by display name inside the category its enumerator has selected.
class TDSCatFilter : public TDSBaseFilter {
public:
    QString FriendlyName;
    TKXSysDevEnum* DeviceEnum = nullptr; ///< the engine's, not owned
    bool CreateFilter() override;
};

/// The audio output used to listen to a preview.
class TDSAudioOutput : public TDSCatFilter {
public:
    TDSAudioOutput() { FilterName = QStringLiteral("Audio Output"); }
    media::IElementProperties* BasicAudio = nullptr;
    void ReleaseFilter() override;
    /// The output's volume control; true when the output has one.
    bool QueryBasicAudio();
};

class TDSVideoEffects : public TDSBaseFilter {
public:
    TDSVideoEffects() { FilterName = QStringLiteral("Video Effects"); }
    bool EffectsReady = false;
    media::IVideoEffects* Effects = nullptr;
    bool CreateFilter() override;
    bool QueryEffects();
    void ReleaseFilter() override;
};

class TDSInfTee : public TDSBaseFilter {
public:
    TDSInfTee() { FilterName = QStringLiteral("Inf Tee"); }
    bool CreateFilter() override;
};

class TDSFileWriter : public TDSBaseFilter {
public:
    TDSFileWriter() { FilterName = QStringLiteral("File Writer"); }
    QString FileName;
    bool SinkReady = false;
    media::IFileSinkFilter2* Sink2 = nullptr;
    media::IFileSinkFilter* Sink = nullptr;
    TKXSysDevEnum* DeviceEnum = nullptr;

    bool CreateFilter() override;
    /// Creates the writer from a category entry instead, added under that name; no announcement.
    bool CreateFromCategory(const QString& name);
    bool QuerySink();
    void SetFileName(const QString& name);
    void ReleaseFilter() override;
};

class TDSDump : public TDSBaseFilter {
public:
    TDSDump() { FilterName = QStringLiteral("Dump"); }
    QString FileName;
    bool SinkReady = false;
    media::IFileSinkFilter2* Sink2 = nullptr;
    media::IFileSinkFilter* Sink = nullptr;

    bool CreateFilter() override;
    bool QuerySink();
    void SetFileName(const QString& name);
    void ReleaseFilter() override;
};
