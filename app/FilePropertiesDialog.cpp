#include "app/FilePropertiesDialog.h"

#include "util/Utility.h"
#include "util/myutility.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusReply>
#include <QDateTime>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QLabel>
#include <QLocale>
#include <QUrl>
#include <QVBoxLayout>

#include <gst/gst.h>
#include <gst/pbutils/pbutils.h>

#include <memory>

namespace {

template <typename T> struct GObjectDeleter {
    void operator()(T* object) const {
        if (object)
            g_object_unref(object);
    }
};
template <typename T> using GObjectPtr = std::unique_ptr<T, GObjectDeleter<T>>;

struct ErrorDeleter {
    void operator()(GError* error) const { g_error_free(error); }
};

QString TakeString(gchar* text) {
    const QString result = text ? QString::fromUtf8(text) : QString();
    g_free(text);
    return result;
}

QString CapsText(GstCaps* caps) {
    if (!caps)
        return {};
    const QString description = TakeString(gst_pb_utils_get_codec_description(caps));
    gst_caps_unref(caps);
    return description;
}

QString MediaText(const QString& path, int timeoutMs) {
    if (!gst_init_check(nullptr, nullptr, nullptr))
        return QStringLiteral("Media: GStreamer is not available");
    GError* rawError = nullptr;
    GObjectPtr<GstDiscoverer> discoverer(
        gst_discoverer_new(GstClockTime(timeoutMs) * GST_MSECOND, &rawError));
    std::unique_ptr<GError, ErrorDeleter> error(rawError);
    if (!discoverer)
        return QStringLiteral("Media: ") +
               (error ? QString::fromUtf8(error->message) : QStringLiteral("no discoverer"));
    const QByteArray uri = QUrl::fromLocalFile(path).toEncoded();
    rawError = nullptr;
    GObjectPtr<GstDiscovererInfo> info(
        gst_discoverer_discover_uri(discoverer.get(), uri.constData(), &rawError));
    error.reset(rawError);
    if (!info || gst_discoverer_info_get_result(info.get()) != GST_DISCOVERER_OK)
        return QStringLiteral("Media: not readable") +
               (error
                    ? QStringLiteral(" (") + QString::fromUtf8(error->message) + QStringLiteral(")")
                    : QString());

    QStringList lines;
    const GstClockTime duration = gst_discoverer_info_get_duration(info.get());
    if (GST_CLOCK_TIME_IS_VALID(duration))
        lines << QStringLiteral("Duration: %1 s").arg(double(duration) / GST_SECOND, 0, 'f', 2);
    GList* videos = gst_discoverer_info_get_video_streams(info.get());
    for (GList* l = videos; l; l = l->next) {
        auto* video = GST_DISCOVERER_VIDEO_INFO(l->data);
        const QString codec =
            CapsText(gst_discoverer_stream_info_get_caps(GST_DISCOVERER_STREAM_INFO(video)));
        const guint num = gst_discoverer_video_info_get_framerate_num(video);
        const guint den = gst_discoverer_video_info_get_framerate_denom(video);
        lines << QStringLiteral("Video: %1, %2 x %3, %4 fps")
                     .arg(codec)
                     .arg(gst_discoverer_video_info_get_width(video))
                     .arg(gst_discoverer_video_info_get_height(video))
                     .arg(den ? double(num) / den : 0.0, 0, 'f', 2);
    }
    gst_discoverer_stream_info_list_free(videos);
    GList* audios = gst_discoverer_info_get_audio_streams(info.get());
    for (GList* l = audios; l; l = l->next) {
        auto* audio = GST_DISCOVERER_AUDIO_INFO(l->data);
        const QString codec =
            CapsText(gst_discoverer_stream_info_get_caps(GST_DISCOVERER_STREAM_INFO(audio)));
        lines << QStringLiteral("Audio: %1, %2 Hz, %3 channel(s)")
                     .arg(codec)
                     .arg(gst_discoverer_audio_info_get_sample_rate(audio))
                     .arg(gst_discoverer_audio_info_get_channels(audio));
    }
    gst_discoverer_stream_info_list_free(audios);
    return lines.join(QLatin1Char('\n'));
}

bool DesktopProperties(const QString& path) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface())
        return false;
    const QString service = QStringLiteral("org.freedesktop.FileManager1");
    if (!bus.interface()->isServiceRegistered(service).value())
        return false;
    QDBusInterface manager(service, QStringLiteral("/org/freedesktop/FileManager1"), service, bus);
    const QDBusReply<void> reply =
        manager.call(QStringLiteral("ShowItemProperties"),
                     QStringList{QUrl::fromLocalFile(path).toString()}, QString());
    return reply.isValid();
}

} // namespace

QString FilePropertiesText(const QString& path, int timeoutMs) {
    const QFileInfo info(path);
    if (!info.isFile())
        return QStringLiteral("%1\nThe file does not exist.").arg(path);
    const QLocale locale;
    QStringList lines;
    lines << QStringLiteral("Name: ") + info.fileName()
          << QStringLiteral("Folder: ") + info.absolutePath()
          << QStringLiteral("Size: %1 (%2 bytes)")
                 .arg(SizeText(info.size()), locale.toString(info.size()))
          << QStringLiteral("Modified: ") +
                 locale.toString(info.lastModified(), QLocale::LongFormat);
    if (info.birthTime().isValid())
        lines << QStringLiteral("Created: ") +
                     locale.toString(info.birthTime(), QLocale::LongFormat);
    lines << QString() << MediaText(path, timeoutMs);
    return lines.join(QLatin1Char('\n'));
}

void ShowFileProperties(QWidget* parent, const QString& path) {
    if (DesktopProperties(path))
        return;
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("dlgProperties"));
    dialog.setWindowTitle(QStringLiteral("Properties - ") + QFileInfo(path).fileName());
    auto* layout = new QVBoxLayout(&dialog);
    auto* text = new QLabel(FilePropertiesText(path), &dialog);
    text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(text);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    dialog.exec();
}
