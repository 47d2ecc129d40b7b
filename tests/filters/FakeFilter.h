#pragma once

#include "platform/media/Graph.h"

// A filter that exists only in memory, for checking the pin walks without a media library.
class FakePin : public media::Pin {
public:
    FakePin(media::Filter* owner, media::PinDirection d, QString name, media::MajorType major)
        : owner_(owner)
        , direction_(d)
        , name_(std::move(name))
        , major_(major) {}
    media::PinDirection Direction() const override { return direction_; }
    QString Name() const override { return name_; }
    media::Filter* Owner() const override { return owner_; }
    media::PinPtr ConnectedTo() const override { return peer; }
    std::vector<media::MediaType> MediaTypes() const override {
        media::MediaType t;
        t.majorType = major_;
        return {t};
    }
    media::PinPtr peer;

private:
    media::Filter* owner_;
    media::PinDirection direction_;
    QString name_;
    media::MajorType major_;
};

class FakeFilter : public media::Filter {
public:
    QString Name() const override { return QStringLiteral("Fake"); }
    QString ClassId() const override { return {}; }
    std::vector<media::PinPtr> Pins() override { return pins; }
    media::HRESULT CurrentPosition(std::int64_t& p) const override {
        p = 0;
        return media::S_OK;
    }
    media::Graph* OwnerGraph() const override { return nullptr; }
    std::shared_ptr<FakePin> AddPin(media::PinDirection d, const char* name,
                                    media::MajorType major = media::MajorType::Video) {
        auto pin = std::make_shared<FakePin>(this, d, QString::fromLatin1(name), major);
        pins.push_back(pin);
        return pin;
    }
    std::vector<media::PinPtr> pins;
};
