#pragma once

#include "platform/media/MediaType.h"
#include "platform/media/Result.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

namespace media {

enum class PinDirection { Input = 0, Output = 1 };

class Filter;
class Graph;
class Pin;
using FilterPtr = std::shared_ptr<Filter>;
using PinPtr = std::shared_ptr<Pin>;

/// One connection point of a filter. Pins are listed by their filter in a stable order; a
/// multiplexer's request inputs appear as one free numbered input per kind that becomes real
/// when something connects to it (and a new free one is then appended).
class Pin {
public:
    virtual ~Pin() = default;
    virtual PinDirection Direction() const = 0;
    virtual QString Name() const = 0;
    /// The filter that owns the pin; valid as long as the filter lives.
    virtual Filter* Owner() const = 0;
    /// The pin at the other end of the connection, or null when the pin is free.
    virtual PinPtr ConnectedTo() const = 0;
    /// The media types the pin offers or accepts, preferred first.
    virtual std::vector<MediaType> MediaTypes() const = 0;
};

/// One processing element of a graph. Control interfaces of a filter are obtained with
/// `QueryInterface<I>()`, which answers null when the filter does not implement I.
class Filter : public std::enable_shared_from_this<Filter> {
public:
    virtual ~Filter() = default;
    /// The name the filter was added to its graph under (empty before that).
    virtual QString Name() const = 0;
    /// Class identifier the filter was created from (braced GUID text) or empty.
    virtual QString ClassId() const = 0;
    /// The pins in their stable order, inputs and outputs mixed as the filter lists them.
    virtual std::vector<PinPtr> Pins() = 0;
    /// Running position of the media that has reached this filter, in 100-ns units.
    virtual HRESULT CurrentPosition(std::int64_t& position100ns) const = 0;
    virtual Graph* OwnerGraph() const = 0;

    template <class I> I* QueryInterface() { return dynamic_cast<I*>(this); }
};

struct GraphEvent {
    int code = 0;    ///< EC_COMPLETE, EC_ERRORABORT, EC_STREAM_ERROR_STILLPLAYING
    QString message; ///< for aborts and stream errors: which element and why
};

/// A media graph: filters added under names, connected pin to pin, run, stopped and watched.
/// A graph and everything in it belong to the thread that builds it; only the streaming
/// threads inside it run elsewhere. Creating a graph initialises the media library.
class Graph {
public:
    Graph();
    ~Graph();
    Graph(const Graph&) = delete;
    Graph& operator=(const Graph&) = delete;

    /// Adds the filter under the name; a name already in use gets a numbered suffix and the call
    /// answers VFW_S_DUPLICATE_NAME (the filter then reports the name it really has).
    HRESULT AddFilter(const FilterPtr& filter, const QString& name);
    HRESULT RemoveFilter(const FilterPtr& filter);
    /// Filters in the order they were added (converters inserted by `Connect` included).
    std::vector<FilterPtr> Filters() const;
    FilterPtr FindFilterByName(const QString& name) const;

    /// Connects an output pin to an input pin, inserting colour-space, size and rate converters
    /// (video) or sample-format and rate converters (audio) when the two do not agree. Fails at
    /// once with VFW_E_CANNOT_CONNECT when no such path exists.
    HRESULT Connect(const PinPtr& output, const PinPtr& input);
    /// Connects without inserting anything.
    HRESULT ConnectDirect(const PinPtr& output, const PinPtr& input);

    /// Removes the reference clock: the graph then runs as fast as its filters allow.
    void SetNoSyncSource();
    HRESULT Run();
    HRESULT Pause();
    HRESULT Stop();

    /// Waits up to `timeoutMs` for the next graph event. S_OK with the event, E_ABORT on time-out.
    HRESULT WaitForEvent(int timeoutMs, GraphEvent& event);

    /// Writes the graph in the DOT language (the debug ".grf" file), replacing any existing file.
    HRESULT SaveGraphFile(const QString& path) const;
    /// The text dump of the debug ".txt" file: filters, pins, connections and media types,
    /// lines ended by CR LF.
    QByteArray DumpText() const;

    /// Platform-internal handle of the underlying pipeline.
    void* NativeHandle() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

/// Initialises the media library and registers this program's own elements; safe to call from
/// any thread, any number of times.
void EnsureMediaInitialized();

} // namespace media
