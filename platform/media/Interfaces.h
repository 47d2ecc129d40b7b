#pragma once

#include "platform/media/Result.h"

#include <QString>
#include <QVariant>

namespace media {

/// File-name control of a writing filter.
class IFileSinkFilter {
public:
    virtual ~IFileSinkFilter() = default;
    virtual HRESULT SetFileName(const QString& fileName) = 0;
    virtual HRESULT GetCurFile(QString& fileName) const = 0;
};

/// The extended variant; a filter offering it also offers the plain one.
class IFileSinkFilter2 : public IFileSinkFilter {
public:
    virtual HRESULT SetMode(int flags) = 0;
};

/// Direct access to the properties of the element behind a filter (bit rates, modes...).
class IElementProperties {
public:
    virtual ~IElementProperties() = default;
    /// E_INVALIDARG when the element has no such property or the value does not convert.
    virtual HRESULT SetElementProperty(const char* name, const QVariant& value) = 0;
    virtual QVariant ElementProperty(const char* name) const = 0;
};

/// Control of the video effects stage; it carries no effect items in this program.
class IVideoEffects {
public:
    virtual ~IVideoEffects() = default;
    virtual HRESULT ClearEffects() = 0;
};

} // namespace media
