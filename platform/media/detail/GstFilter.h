#pragma once

#include "platform/media/Graph.h"
#include "platform/media/Interfaces.h"
#include "platform/media/detail/GstRef.h"

#include <atomic>
#include <memory>

namespace media::detail {

class GstFilter;

/// A pin over a GStreamer pad, or over a request-pad template until something connects to it.
class GstPin final : public Pin {
public:
    GstPin(GstFilter* owner, GstPad* pad);
    GstPin(GstFilter* owner, GstPadTemplate* requestTemplate, int number);
    ~GstPin() override;

    PinDirection Direction() const override { return direction_; }
    QString Name() const override;
    Filter* Owner() const override;
    PinPtr ConnectedTo() const override;
    std::vector<MediaType> MediaTypes() const override;

    /// The pad, requesting it from the element first for a template pin; null on failure.
    GstPad* Realize();
    /// Gives a requested pad back after a failed connection.
    void Unrealize();
    GstPad* Pad() const { return pad_.get(); }
    GstPadTemplate* RequestTemplate() const { return template_; }
    bool IsRealized() const { return static_cast<bool>(pad_); }

private:
    void WatchPosition();

    GstFilter* owner_;
    GstRef<GstPad> pad_;
    GstPadTemplate* template_ = nullptr; ///< class-owned, lives as long as the process
    int number_ = 0;                     ///< for template pins: the number in the pad name
    bool requested_ = false;
    PinDirection direction_;
};

/// A filter made of one GStreamer element (which may be a bin of ours).
class GstFilter : public Filter, public IElementProperties {
public:
    /// Takes over a floating or owned reference to the element.
    GstFilter(GstElement* element, QString classId);
    ~GstFilter() override;

    QString Name() const override { return name_; }
    QString ClassId() const override { return classId_; }
    std::vector<PinPtr> Pins() override;
    HRESULT CurrentPosition(std::int64_t& position100ns) const override;
    Graph* OwnerGraph() const override { return graph_; }

    HRESULT SetElementProperty(const char* name, const QVariant& value) override;
    QVariant ElementProperty(const char* name) const override;

    GstElement* Element() const { return element_.get(); }

    /// Called by the graph before it links one of this filter's pads; a filter may finish
    /// building its insides here.
    virtual HRESULT PrepareForConnect(GstPin* pin);
    /// Called by the graph before it runs; last chance to finish building.
    virtual HRESULT PrepareForRun();

    /// Shared with the position probes, which may outlive the filter object.
    std::shared_ptr<std::atomic<std::int64_t>> PositionCell() const { return positionNs_; }
    GstPin* PinForPad(GstPad* pad);

protected:
    /// Appends pins for pads the element gained since the last listing.
    void RefreshPins();

private:
    friend class media::Graph;
    friend class GstPin;
    void AttachToGraph(Graph* graph, const QString& name);
    void OnTemplatePinRealized(GstPin* pin);

    GstRef<GstElement> element_;
    QString classId_;
    QString name_;
    Graph* graph_ = nullptr;
    std::vector<std::shared_ptr<GstPin>> pins_;
    std::shared_ptr<std::atomic<std::int64_t>> positionNs_; ///< end of the latest buffer, ns
};

} // namespace media::detail
