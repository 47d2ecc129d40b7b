#include "app/FilePropertiesDialog.h"

#include "platform/media/MediaDetector.h"

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

#include <memory>

namespace {

QString MediaText(const QString& path) {
    media::MediaDetector detector;
    if (media::Failed(detector.Open(path)))
        return QStringLiteral("Media: not readable (") + detector.ErrorText() + QStringLiteral(")");
    QStringList lines;
    lines << QStringLiteral("Duration: %1 s").arg(detector.LengthSeconds(), 0, 'f', 2);
    for (const media::StreamInfo& stream : detector.Streams()) {
        const media::MediaType& t = stream.mediaType;
        if (stream.majorType == media::MajorType::Video)
            lines << QStringLiteral("Video: %1, %2 x %3, %4 fps")
                         .arg(stream.codecDescription)
                         .arg(t.width)
                         .arg(t.height)
                         .arg(stream.frameRate, 0, 'f', 2);
        else if (stream.majorType == media::MajorType::Audio)
            lines << QStringLiteral("Audio: %1, %2 Hz, %3 channel(s)")
                         .arg(stream.codecDescription)
                         .arg(t.samplesPerSec)
                         .arg(t.channels);
    }
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

QString FilePropertiesText(const QString& path) {
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
    lines << QString() << MediaText(path);
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
