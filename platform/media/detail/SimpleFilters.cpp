#include "platform/media/detail/SimpleFilters.h"

#include "platform/media/FilterRegistry.h"

#include <QFile>

namespace media::detail {

FileWriterFilter::FileWriterFilter()
    : FileWriterFilter(Clsid::FileWriter) {}

FileWriterFilter::FileWriterFilter(const QString& classId)
    : GstFilter(gst_element_factory_make("filesink", nullptr), classId) {
    // A writer must never wait for a clock; it takes data as fast as it comes.
    g_object_set(Element(), "sync", FALSE, "async", FALSE, nullptr);
}

HRESULT FileWriterFilter::SetFileName(const QString& fileName) {
    if (fileName.isEmpty())
        return E_INVALIDARG;
    fileName_ = fileName;
    g_object_set(Element(), "location", QFile::encodeName(fileName).constData(), nullptr);
    return S_OK;
}

HRESULT FileWriterFilter::GetCurFile(QString& fileName) const {
    fileName = fileName_;
    return fileName_.isEmpty() ? E_FAIL : S_OK;
}

HRESULT FileWriterFilter::SetMode(int) {
    return S_OK;
}

DumpFilter::DumpFilter()
    : GstFilter(gst_element_factory_make("filesink", nullptr), Clsid::Dump) {
    g_object_set(Element(), "sync", FALSE, "async", FALSE, nullptr);
}

HRESULT DumpFilter::SetFileName(const QString& fileName) {
    if (fileName.isEmpty())
        return E_INVALIDARG;
    fileName_ = fileName;
    g_object_set(Element(), "location", QFile::encodeName(fileName).constData(), nullptr);
    return S_OK;
}

HRESULT DumpFilter::GetCurFile(QString& fileName) const {
    fileName = fileName_;
    return fileName_.isEmpty() ? E_FAIL : S_OK;
}

VideoEffectsFilter::VideoEffectsFilter()
    : GstFilter(gst_element_factory_make("identity", nullptr), Clsid::VideoEffects) {}

FilterPtr MakeBinFilter(const char* description, const QString& classId) {
    GError* error = nullptr;
    GstElement* bin = gst_parse_bin_from_description(description, TRUE, &error);
    if (!bin) {
        g_clear_error(&error);
        return nullptr;
    }
    return std::make_shared<GstFilter>(bin, classId);
}

} // namespace media::detail
