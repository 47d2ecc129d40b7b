#include "filters/ed_ds_adds.h"

#include <QRegularExpression>

namespace {

const QString kNullGuid = QStringLiteral("{00000000-0000-0000-0000-000000000000}");

QString ValidGuid(const QString& text) {
    static const QRegularExpression guid(QStringLiteral(
        "^\\{[0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{12}\\}$"));
    return guid.match(text).hasMatch() ? text.toUpper() : kNullGuid;
}

} // namespace

TKXSysDevEnum::TKXSysDevEnum() {
    for (const auto& entry : media::EnumerateCategory(media::Category::CategoryList))
        categories_.push_back(entry.clsid);
}

std::vector<TKXSysDevEntry>
TKXSysDevEnum::NamedEntries(const QString& category, const std::vector<media::CategoryEntry>& raw) {
    const bool renderers =
        category.compare(media::Category::AudioRenderers, Qt::CaseInsensitive) == 0;
    std::vector<TKXSysDevEntry> named;
    QStringList used;
    for (const media::CategoryEntry& r : raw) {
        try {
            QString name = r.friendlyName;
            if (renderers) {
                if (name.contains(QLatin1String("DirectSound")))
                    name = name.remove(QLatin1String("DirectSound:")).trimmed();
                else
                    name = QStringLiteral("<ignore>");
            }
            if (name.trimmed().isEmpty())
                name = QStringLiteral("[no name]");
            TKXSysDevEntry e;
            e.ClassId = ValidGuid(r.clsid);
            e.FccHandler = r.fccHandler;
            e.Description = r.description;
            if (name.contains(QLatin1String("Microsoft DV Camera and VCR")))
                name = e.Description + QLatin1Char(' ') +
                       QString(name).replace(QLatin1String("Microsoft DV Camera and VCR"),
                                             QLatin1String("(DV)"));
            else if (name.contains(QLatin1String("Microsoft AV/C Tape Subunit Device")))
                name = e.Description + QLatin1Char(' ') +
                       QString(name).replace(QLatin1String("Microsoft AV/C Tape Subunit Device"),
                                             QLatin1String("(DV/MPEG/Tape Device)"));
            if (used.contains(name, Qt::CaseInsensitive)) {
                for (int n = 2; n <= 10; ++n) {
                    const QString candidate = QStringLiteral("%1 (%2)").arg(name).arg(n);
                    if (!used.contains(candidate, Qt::CaseInsensitive)) {
                        name = candidate;
                        break;
                    }
                }
            }
            e.FriendlyName = name;
            e.DevicePath = r.devicePath;
            e.Merit = r.merit;
            used << name;
            named.push_back(e);
        } catch (...) {
            // An entry that cannot be read is skipped; the others stay.
        }
    }
    return named;
}

void TKXSysDevEnum::SelectCategory(const QString& category) {
    selected_ = category;
    entries_ = NamedEntries(category, media::EnumerateCategory(category));
}

TKXSysDevEntry TKXSysDevEnum::Entry(int index) const {
    return index >= 0 && index < Count() ? entries_[index] : TKXSysDevEntry{};
}

int TKXSysDevEnum::IndexOf(const QString& name) const {
    for (int i = Count() - 1; i >= 0; --i)
        if (entries_[i].FriendlyName.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

media::FilterPtr TKXSysDevEnum::GetMoniker(int index, media::HRESULT& hr) const {
    if (index < 0 || index >= Count()) {
        hr = media::VFW_E_NOT_FOUND;
        return nullptr;
    }
    return media::CreateFilterFromCategory(selected_, index, hr);
}

void TKXPinList::Fill(media::Filter* filter) {
    pins_.clear();
    if (filter)
        pins_ = filter->Pins();
}

bool TKXEnumMediaType::FillFromPin(const media::PinPtr& pin) {
    items_.clear();
    if (!pin)
        return false;
    for (const media::MediaType& t : pin->MediaTypes())
        items_.emplace_back(t);
    return true;
}
