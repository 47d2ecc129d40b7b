#pragma once

// Finding filters by display name, and walking pins and media types.

#include "platform/media/FilterRegistry.h"
#include "platform/media/Graph.h"

#include <QString>

#include <vector>

/// One entry of a category after the display-name rules were applied.
struct TKXSysDevEntry {
    QString FriendlyName;
    QString Description;
    QString ClassId; ///< braced GUID text, or the null GUID
    QString FccHandler;
    QString DevicePath;
    quint32 Merit = 0;
};

/// Lists the entries of one device/filter category under display names and creates the
/// filter behind an entry. Used on the thread that builds a graph; not shared between threads.
class TKXSysDevEnum {
public:
    TKXSysDevEnum();

    /// Remembers the category and reads its entries afresh.
    void SelectCategory(const QString& category);
    const QString& SelectedCategory() const { return selected_; }
    int Count() const { return int(entries_.size()); }
    TKXSysDevEntry Entry(int index) const;
    /// Case-insensitive, searching from the last entry: the last of several equal names wins.
    int IndexOf(const QString& name) const;
    /// The filter of the index-th entry of the category, read afresh; null outside the list.
    media::FilterPtr GetMoniker(int index, media::HRESULT& hr) const;

    /// The naming rules applied to raw entries; public so that the rules can be checked on
    /// lists no machine has.
    static std::vector<TKXSysDevEntry> NamedEntries(const QString& category,
                                                    const std::vector<media::CategoryEntry>& raw);

    const std::vector<QString>& Categories() const { return categories_; }

private:
    std::vector<QString> categories_;
    std::vector<TKXSysDevEntry> entries_;
    QString selected_;
};

/// The pins of a filter in the filter's order.
class TKXPinList {
public:
    explicit TKXPinList(media::Filter* filter = nullptr) { Fill(filter); }
    void Fill(media::Filter* filter);
    int Count() const { return int(pins_.size()); }
    media::PinPtr Pin(int index) const { return pins_.at(index); }

private:
    std::vector<media::PinPtr> pins_;
};

/// One media type a pin offers.
class TKXMediaType {
public:
    explicit TKXMediaType(const media::MediaType& type)
        : type_(type) {}
    const media::MediaType& MediaType() const { return type_; }

private:
    media::MediaType type_;
};

/// The media types a pin offers, preferred first.
class TKXEnumMediaType {
public:
    /// Clears the list and fills it from the pin; false for an empty pin reference.
    bool FillFromPin(const media::PinPtr& pin);
    int Count() const { return int(items_.size()); }
    const TKXMediaType& Item(int index) const { return items_.at(index); }
    void Clear() { items_.clear(); }

private:
    std::vector<TKXMediaType> items_;
};
