#include "filters/DSBaseFilter.h"

#include "platform/media/FilterRegistry.h"

using media::E_FAIL;
using media::HRESULT;
using media::PinPtr;

bool FindPin(media::Filter* filter, int direction, int index, PinPtr& pin) {
    pin.reset();
    if (!filter || index < 1)
        return false;
    try {
        int count = 0;
        for (const PinPtr& p : filter->Pins()) {
            if (int(p->Direction()) != direction)
                continue;
            if (++count == index) {
                pin = p;
                return true;
            }
        }
    } catch (...) {
    }
    return false;
}

bool FindFreePin(media::Filter* filter, int direction, media::MajorType majorType, PinPtr& pin) {
    pin.reset();
    if (!filter)
        return false;
    try {
        for (const PinPtr& p : filter->Pins()) {
            if (int(p->Direction()) != direction || p->ConnectedTo())
                continue;
            for (const media::MediaType& t : p->MediaTypes()) {
                if (t.majorType == majorType) {
                    pin = p;
                    return true;
                }
            }
        }
    } catch (...) {
    }
    return false;
}

void ReportErrorCode(const TKXErrorEvent& onError, const TKXWideStringList* errorTexts, int code) {
    if (code == 0 || !onError || !errorTexts || code < 0 || code >= errorTexts->Count())
        return;
    try {
        onError(code, errorTexts->Get(code));
    } catch (...) {
    }
}

TDSBaseFilter::~TDSBaseFilter() = default;

void TDSBaseFilter::ReleaseFilter() {
    Filter.reset();
}

HRESULT TDSBaseFilter::ConnectInput(const PinPtr& source) {
    return ConnectInputAt(1, source);
}

HRESULT TDSBaseFilter::ConnectInputAt(int index, const PinPtr& source) {
    try {
        PinPtr input;
        if (!FindPin(Filter.get(), int(media::PinDirection::Input), index, input) || !Graph) {
            LastResult = E_FAIL;
            return E_FAIL;
        }
        LastResult = Graph->Connect(source, input);
        return LastResult;
    } catch (...) {
        return E_FAIL;
    }
}

bool TDSBaseFilter::CreateFilter() {
    try {
        if (!OnFilterAdded)
            return true;
        if (!Filter || FilterName.trimmed().isEmpty())
            return false;
        try {
            OnFilterAdded(FilterName, Filter.get());
        } catch (...) {
        }
        return true;
    } catch (...) {
        return false;
    }
}

bool TDSBaseFilter::FindFreePinByMajorType(int direction, media::MajorType majorType, PinPtr& pin) {
    return FindFreePin(Filter.get(), direction, majorType, pin);
}

bool TDSBaseFilter::GetInputPin(int index, PinPtr& pin) {
    return FindPin(Filter.get(), int(media::PinDirection::Input), index, pin);
}

bool TDSBaseFilter::GetOutputPin(PinPtr& pin) {
    return GetOutputPinAt(1, pin);
}

bool TDSBaseFilter::GetOutputPinAt(int index, PinPtr& pin) {
    return FindPin(Filter.get(), int(media::PinDirection::Output), index, pin);
}

bool TDSBaseFilter::CreateFromCLSID(const QString& classId) {
    try {
        Filter = media::CreateFilterFromClsid(classId, LastResult);
        if (!Filter || media::Failed(LastResult)) {
            Filter.reset();
            if (media::Succeeded(LastResult))
                LastResult = E_FAIL;
            ReportError(CreateErrorCode);
            return false;
        }
        LastResult = Graph ? Graph->AddFilter(Filter, FilterName) : media::E_POINTER;
        if (media::Failed(LastResult)) {
            ReportError(AddErrorCode);
            return false;
        }
        return true;
    } catch (...) {
        return false;
    }
}

void TDSBaseFilter::ReportError(int code) const {
    ReportErrorCode(OnError, ErrorTexts, code);
}

void TDSSimpleBaseFilter::ReportError(int code) const {
    ReportErrorCode(OnError, ErrorTexts, code);
}

bool TDSCatFilter::CreateFilter() {
    try {
        if (!DeviceEnum || !Graph || FriendlyName.trimmed().isEmpty())
            return false;
        const int index = DeviceEnum->IndexOf(FriendlyName.trimmed());
        if (index < 0)
            return false;
        Filter = DeviceEnum->GetMoniker(index, LastResult);
        if (!Filter)
            return false;
        Graph->AddFilter(Filter, FriendlyName);
        TDSBaseFilter::CreateFilter();
        return true;
    } catch (...) {
        return false;
    }
}

void TDSAudioOutput::ReleaseFilter() {
    BasicAudio = nullptr;
    TDSCatFilter::ReleaseFilter();
}

bool TDSAudioOutput::QueryBasicAudio() {
    BasicAudio = nullptr;
    media::IElementProperties* props = nullptr;
    LastResult = QueryFilterInterface(props);
    if (media::Failed(LastResult) || !props->ElementProperty("volume").isValid())
        return false;
    BasicAudio = props;
    return true;
}

bool TDSVideoEffects::CreateFilter() {
    return CreateFromCLSID(media::Clsid::VideoEffects);
}

bool TDSVideoEffects::QueryEffects() {
    EffectsReady = false;
    if (!Filter)
        return false;
    LastResult = QueryFilterInterface(Effects);
    EffectsReady = media::Succeeded(LastResult);
    return EffectsReady;
}

void TDSVideoEffects::ReleaseFilter() {
    Effects = nullptr;
    EffectsReady = false;
    TDSBaseFilter::ReleaseFilter();
}

bool TDSInfTee::CreateFilter() {
    return CreateFromCLSID(media::Clsid::InfTee);
}

bool TDSFileWriter::CreateFilter() {
    return CreateFromCLSID(media::Clsid::FileWriter);
}

bool TDSFileWriter::CreateFromCategory(const QString& name) {
    try {
        if (!DeviceEnum || !Graph || name.trimmed().isEmpty())
            return false;
        const int index = DeviceEnum->IndexOf(name.trimmed());
        if (index < 0)
            return false;
        Filter = DeviceEnum->GetMoniker(index, LastResult);
        if (!Filter)
            return false;
        Graph->AddFilter(Filter, name);
        return true;
    } catch (...) {
        return false;
    }
}

namespace {

template <class W> bool QuerySinkOf(W& w) {
    w.SinkReady = false;
    w.Sink2 = nullptr;
    w.Sink = nullptr;
    if (!w.Filter)
        return false;
    w.LastResult = w.QueryFilterInterface(w.Sink2);
    if (media::Failed(w.LastResult))
        w.LastResult = w.QueryFilterInterface(w.Sink);
    w.SinkReady = w.Sink2 || w.Sink;
    return w.SinkReady;
}

template <class W> void SetFileNameOf(W& w, const QString& name) {
    w.FileName = name;
    if (w.Sink2)
        w.Sink2->SetFileName(name);
    else if (w.Sink)
        w.Sink->SetFileName(name);
}

template <class W> void ReleaseSinkOf(W& w) {
    w.Sink2 = nullptr;
    w.Sink = nullptr;
    w.SinkReady = false;
}

} // namespace

bool TDSFileWriter::QuerySink() {
    return QuerySinkOf(*this);
}
void TDSFileWriter::SetFileName(const QString& name) {
    SetFileNameOf(*this, name);
}
void TDSFileWriter::ReleaseFilter() {
    ReleaseSinkOf(*this);
    TDSBaseFilter::ReleaseFilter();
}

bool TDSDump::CreateFilter() {
    return CreateFromCLSID(media::Clsid::Dump);
}
bool TDSDump::QuerySink() {
    return QuerySinkOf(*this);
}
void TDSDump::SetFileName(const QString& name) {
    SetFileNameOf(*this, name);
}
void TDSDump::ReleaseFilter() {
    ReleaseSinkOf(*this);
    TDSBaseFilter::ReleaseFilter();
}
