#include "platform/media/FilterRegistry.h"

#include "platform/media/ChainFilters.h"
#include "platform/media/StandardMpegFilter.h"
#include "platform/media/WmAsfWriter.h"
#include "platform/media/detail/GstRef.h"
#include "platform/media/detail/SimpleFilters.h"

#include <QMutex>
#include <QMutexLocker>

#include <map>

namespace media {

namespace {

constexpr HRESULT REGDB_E_CLASSNOTREG = Code(0x80040154);

struct ClassEntry {
    QString friendlyName;
    FilterFactory factory;
};

struct CategoryItem {
    CategoryEntry entry;
    FilterFactory factory;
};

/// An element wrapped as a filter, or null when the factory is not installed.
FilterFactory Element(const char* factory, const QString& clsid = QString()) {
    return [factory, clsid]() -> FilterPtr {
        GstElement* e = gst_element_factory_make(factory, nullptr);
        if (!e)
            return nullptr;
        return std::make_shared<detail::GstFilter>(e, clsid);
    };
}

struct Registry {
    QMutex lock; ///< guards both maps; filters are created from several run threads
    std::map<QString, ClassEntry> classes;                   ///< key: upper-case class id
    std::map<QString, std::vector<CategoryItem>> categories; ///< key: upper-case category id

    Registry() {
        auto add = [this](const QString& clsid, const QString& name, FilterFactory f) {
            classes[clsid.toUpper()] = {name, std::move(f)};
            std::erase_if(categories[Category::Filters.toUpper()], [&](const CategoryItem& i) {
                return i.entry.clsid.compare(clsid, Qt::CaseInsensitive) == 0;
            });
            categories[Category::Filters.toUpper()].push_back(
                {{name, QString(), clsid, QString(), QString(), 0x200000},
                 classes[clsid.toUpper()].factory});
        };
        add(Clsid::InfTee, QStringLiteral("Inf Tee"), [] {
            GstElement* tee = gst_element_factory_make("tee", nullptr);
            if (tee)
                g_object_set(tee, "allow-not-linked", TRUE, nullptr);
            return tee ? std::make_shared<detail::GstFilter>(tee, Clsid::InfTee) : nullptr;
        });
        add(Clsid::FileWriter, QStringLiteral("File Writer"),
            [] { return std::make_shared<detail::FileWriterFilter>(); });
        add(Clsid::Dump, QStringLiteral("Dump"),
            [] { return std::make_shared<detail::DumpFilter>(); });
        add(Clsid::VideoEffects, QStringLiteral("Video Effects"),
            [] { return std::make_shared<detail::VideoEffectsFilter>(); });
        add(Clsid::AviMux, QStringLiteral("AVI Mux"), Element("avimux", Clsid::AviMux));
        add(Clsid::AviDecompressor, QStringLiteral("AVI Decompressor"), [] {
            return detail::MakeBinFilter(
                "videoconvert ! capsfilter caps=video/x-raw,format={BGR,BGRx,BGRA}",
                Clsid::AviDecompressor);
        });
        add(Clsid::NullRenderer, QStringLiteral("Null Renderer"), [] {
            GstElement* sink = gst_element_factory_make("fakesink", nullptr);
            if (sink)
                g_object_set(sink, "sync", TRUE, "async", FALSE, nullptr);
            return sink ? std::make_shared<detail::GstFilter>(sink, Clsid::NullRenderer) : nullptr;
        });
        add(Clsid::StandardMpeg, QStringLiteral("Standard MPEG"),
            [] { return std::make_shared<StandardMpegFilter>(); });
        add(WMClsid::AsfWriter, QStringLiteral("WM Writer"),
            [] { return std::make_shared<WMAsfWriterFilter>(); });

        const QString video = Category::VideoCompressors.toUpper();
        categories[video].push_back({{QStringLiteral("MJPEG Compressor"), QString(),
                                      Clsid::MjpegCompressor, QStringLiteral("mjpg"), QString(), 0},
                                     Element("jpegenc", Clsid::MjpegCompressor)});
        categories[video].push_back({{QStringLiteral("DV Video Encoder"), QString(),
                                      Clsid::DvVideoEncoder, QStringLiteral("dvsd"), QString(), 0},
                                     Element("avenc_dvvideo", Clsid::DvVideoEncoder)});
        categories[video].push_back({{QStringLiteral("x264 H.264 Encoder"), QString(), QString(),
                                      QStringLiteral("h264"), QString(), 0},
                                     Element("x264enc")});

        const QString audio = Category::AudioCompressors.toUpper();
        categories[audio].push_back(
            {{QStringLiteral("MPEG Layer-3"), QString(), QString(), QString(), QString(), 0},
             Element("lamemp3enc")});
        categories[audio].push_back(
            {{QStringLiteral("CCITT A-Law"), QString(), QString(), QString(), QString(), 0},
             Element("alawenc")});
        categories[audio].push_back(
            {{QStringLiteral("CCITT u-Law"), QString(), QString(), QString(), QString(), 0},
             Element("mulawenc")});

        // The filters of the WAV, MP3, Ogg, AVI, Matroska and DV chains, the "PCM" compressor
        // among them.
        RegisterChainFilters(
            {add, [this](const QString& category, const CategoryEntry& entry, FilterFactory f) {
                 categories[category.toUpper()].push_back({entry, std::move(f)});
             }});
    }
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

FilterFactory AudioSinkFactory(GstDevice* device) {
    detail::GstRef<GstDevice> held = detail::GstRef<GstDevice>::Ref(device);
    return [held]() -> FilterPtr {
        GstElement* sink = held ? gst_device_create_element(held.get(), nullptr)
                                : gst_element_factory_make("autoaudiosink", nullptr);
        return sink ? std::make_shared<detail::GstFilter>(sink, Clsid::AudioRenderer) : nullptr;
    };
}

/// The audio outputs the system reports, listed as the renderer category expects them.
std::vector<CategoryItem> AudioRendererItems() {
    std::vector<CategoryItem> items;
    items.push_back({{QStringLiteral("Default DirectSound Device"), QString(), Clsid::AudioRenderer,
                      QString(), QString(), 0x800000},
                     AudioSinkFactory(nullptr)});
    GstDeviceMonitor* monitor = gst_device_monitor_new();
    gst_device_monitor_add_filter(monitor, "Audio/Sink", nullptr);
    std::vector<detail::GstRef<GstDevice>> devices;
    if (gst_device_monitor_start(monitor)) {
        GList* list = gst_device_monitor_get_devices(monitor);
        for (GList* l = list; l; l = l->next)
            devices.emplace_back(GST_DEVICE(l->data));
        g_list_free(list);
        gst_device_monitor_stop(monitor);
    }
    gst_object_unref(monitor);
    for (const auto& device : devices) {
        detail::GCharPtr name{gst_device_get_display_name(device.get())};
        items.push_back({{QStringLiteral("DirectSound: ") + QString::fromUtf8(name.p), QString(),
                          Clsid::AudioRenderer, QString(), QString(), 0x200000},
                         AudioSinkFactory(device.get())});
    }
    items.push_back({{QStringLiteral("Default WaveOut Device"), QString(), Clsid::AudioRenderer,
                      QString(), QString(), 0x200000},
                     AudioSinkFactory(nullptr)});
    for (const auto& device : devices) {
        detail::GCharPtr name{gst_device_get_display_name(device.get())};
        items.push_back({{QString::fromUtf8(name.p), QString(), Clsid::AudioRenderer, QString(),
                          QString(), 0x200000},
                         AudioSinkFactory(device.get())});
    }
    return items;
}

std::vector<CategoryItem> Items(const QString& category) {
    EnsureMediaInitialized();
    if (category.compare(Category::AudioRenderers, Qt::CaseInsensitive) == 0)
        return AudioRendererItems();
    Registry& r = TheRegistry();
    QMutexLocker locker(&r.lock);
    auto it = r.categories.find(category.toUpper());
    return it == r.categories.end() ? std::vector<CategoryItem>() : it->second;
}

} // namespace

FilterPtr CreateFilterFromClsid(const QString& clsid, HRESULT& hr) {
    EnsureMediaInitialized();
    FilterFactory factory;
    {
        Registry& r = TheRegistry();
        QMutexLocker locker(&r.lock);
        auto it = r.classes.find(clsid.toUpper());
        if (it == r.classes.end()) {
            hr = REGDB_E_CLASSNOTREG;
            return nullptr;
        }
        factory = it->second.factory;
    }
    FilterPtr filter = factory();
    hr = filter ? S_OK : E_FAIL;
    return filter;
}

void RegisterFilterClass(const QString& clsid, const QString& friendlyName, FilterFactory factory) {
    Registry& r = TheRegistry();
    QMutexLocker locker(&r.lock);
    r.classes[clsid.toUpper()] = {friendlyName, factory};
    auto& filters = r.categories[Category::Filters.toUpper()];
    std::erase_if(filters, [&](const CategoryItem& i) {
        return i.entry.clsid.compare(clsid, Qt::CaseInsensitive) == 0;
    });
    filters.push_back(
        {{friendlyName, QString(), clsid, QString(), QString(), 0x200000}, std::move(factory)});
}

void RegisterCategoryEntry(const QString& category, const CategoryEntry& entry,
                           FilterFactory factory) {
    Registry& r = TheRegistry();
    QMutexLocker locker(&r.lock);
    r.categories[category.toUpper()].push_back({entry, std::move(factory)});
}

std::vector<CategoryEntry> EnumerateCategory(const QString& category) {
    std::vector<CategoryEntry> entries;
    if (category.compare(Category::CategoryList, Qt::CaseInsensitive) == 0) {
        for (const QString& c : {Category::AudioCompressors, Category::VideoCompressors,
                                 Category::AudioRenderers, Category::Filters})
            entries.push_back({c, QString(), c, QString(), QString(), 0});
        return entries;
    }
    for (const CategoryItem& item : Items(category))
        entries.push_back(item.entry);
    return entries;
}

FilterPtr CreateFilterFromDescription(const QString& description, HRESULT& hr) {
    EnsureMediaInitialized();
    const QByteArray text = description.toUtf8();
    FilterPtr filter = description.contains(QLatin1Char('!'))
                           ? detail::MakeBinFilter(text.constData(), QString())
                           : nullptr;
    if (!filter) {
        GError* error = nullptr;
        GstElement* element = gst_parse_launch(text.constData(), &error);
        g_clear_error(&error);
        if (element && GST_IS_PIPELINE(element)) {
            gst_object_unref(element);
            element = nullptr;
        }
        if (element)
            filter = std::make_shared<detail::GstFilter>(element, QString());
    }
    hr = filter ? S_OK : E_INVALIDARG;
    return filter;
}

FilterPtr CreateFilterFromCategory(const QString& category, int index, HRESULT& hr) {
    const auto items = Items(category);
    if (index < 0 || index >= int(items.size())) {
        hr = VFW_E_NOT_FOUND;
        return nullptr;
    }
    FilterPtr filter = items[index].factory ? items[index].factory() : nullptr;
    hr = filter ? S_OK : E_FAIL;
    return filter;
}

} // namespace media
