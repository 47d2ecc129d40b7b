#include "app/ui/ShellServicesQt.h"

#include <QApplication>
#include <QComboBox>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDebug>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTextEdit>
#include <QUrl>

namespace {

constexpr int kFileManagerTimeoutMs = 3000;

QUrl UrlFor(const QString& path) {
    const QUrl url(path, QUrl::StrictMode);
    // "https://...", "mailto:..." are opened as they are; everything else is a local path.
    if (url.isValid() && url.scheme().size() > 1 && !QFileInfo::exists(path))
        return url;
    return QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath());
}

} // namespace

ShellServicesQt::ShellServicesQt() {
    InstallShellServices(this);
    InstallFormToolkit(this);
}

ShellServicesQt::~ShellServicesQt() {
    if (&CurrentShellServices() == this)
        InstallShellServices(nullptr);
    if (CurrentFormToolkit() == this)
        InstallFormToolkit(nullptr);
}

bool ShellServicesQt::BrowseForFolder(const QString& title, const QString& root, QString& folder) {
    const QString start = folder.isEmpty() ? root : folder;
    const QString chosen = QFileDialog::getExistingDirectory(QApplication::activeWindow(), title,
                                                             start, QFileDialog::ShowDirsOnly);
    if (chosen.isEmpty())
        return false;
    folder = chosen;
    return true;
}

bool ShellServicesQt::OpenDocument(const QString& path) {
    if (path.isEmpty())
        return false;
    if (!QDesktopServices::openUrl(UrlFor(path))) {
        qWarning().noquote() << "The desktop could not open" << path;
        return false;
    }
    return true;
}

bool ShellServicesQt::ShowInFileManager(const QString& filePath) {
    const QFileInfo info(filePath);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected()) {
        QDBusMessage call = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.FileManager1"),
            QStringLiteral("/org/freedesktop/FileManager1"),
            QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
        call << QStringList{QUrl::fromLocalFile(info.absoluteFilePath()).toString()} << QString();
        const QDBusMessage reply = bus.call(call, QDBus::Block, kFileManagerTimeoutMs);
        if (reply.type() == QDBusMessage::ReplyMessage)
            return true;
        qInfo().noquote() << "No file manager selects files:" << reply.errorMessage();
    }
    return OpenDocument(info.absolutePath());
}

void ShellServicesQt::ShowMessage(const QString& caption, const QString& text, MessageIcon icon) {
    QWidget* parent = QApplication::activeWindow();
    switch (icon) {
    case MessageIcon::Error:
        QMessageBox::critical(parent, caption, text);
        break;
    case MessageIcon::Warning:
        QMessageBox::warning(parent, caption, text);
        break;
    case MessageIcon::Information:
        QMessageBox::information(parent, caption, text);
        break;
    }
}

bool ShellServicesQt::AskYesNo(const QString& caption, const QString& text) {
    QMessageBox box(QMessageBox::Information, caption, text, QMessageBox::Yes | QMessageBox::No,
                    QApplication::activeWindow());
    return box.exec() == QMessageBox::Yes;
}

void ShellServicesQt::ApplyFormFont(QObject* form, const FormFont& font) {
    auto* widget = qobject_cast<QWidget*>(form);
    if (!widget)
        return;
    if (font.bidiMode >= 0) {
        const Qt::LayoutDirection direction =
            font.bidiMode == 0 ? Qt::LeftToRight : Qt::RightToLeft;
        QGuiApplication::setLayoutDirection(direction);
        widget->setLayoutDirection(direction);
    }
    QFont f = widget->font();
    bool changed = false;
    if (font.sizePt > 0) {
        f.setPointSize(font.sizePt);
        changed = true;
    }
    if (!font.name.isEmpty()) {
        const QStringList families = QFontDatabase::families();
        for (const QString& family : families) {
            if (family.compare(font.name, Qt::CaseInsensitive) == 0) {
                f.setFamilies({family});
                changed = true;
                break;
            }
        }
    }
    if (changed)
        widget->setFont(f);
}

bool ShellServicesQt::SetListItems(QObject* target, const QStringList& items) {
    if (auto* combo = qobject_cast<QComboBox*>(target)) {
        // The selection survives when its row still exists.
        const int row = combo->currentIndex();
        combo->clear();
        combo->addItems(items);
        if (row >= 0 && row < combo->count())
            combo->setCurrentIndex(row);
        return true;
    }
    if (auto* list = qobject_cast<QListWidget*>(target)) {
        list->clear();
        list->addItems(items);
        return true;
    }
    if (auto* plain = qobject_cast<QPlainTextEdit*>(target)) {
        plain->setPlainText(items.join(QLatin1Char('\n')));
        return true;
    }
    if (auto* text = qobject_cast<QTextEdit*>(target)) {
        text->setPlainText(items.join(QLatin1Char('\n')));
        return true;
    }
    return false;
}

bool ShellServicesQt::SetPageCaption(QObject* target, const QString& caption) {
    auto* page = qobject_cast<QWidget*>(target);
    if (!page || !qobject_cast<QStackedWidget*>(page->parentWidget()))
        return false;
    auto* tabs = qobject_cast<QTabWidget*>(page->parentWidget()->parentWidget());
    const int index = tabs ? tabs->indexOf(page) : -1;
    if (index < 0)
        return false;
    tabs->setTabText(index, caption);
    return true;
}
