#include "util/myutility.h"

#include "util/ShellServices.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QProcess>
#include <QStandardPaths>

QString ApplicationTitle() {
    return QStringLiteral("Quenza free Reelvane");
}

QString IncludeBackslash(const QString& path) {
    if (path.isEmpty() || path.endsWith(QLatin1Char('/')))
        return path;
    return path + QLatin1Char('/');
}

QString BaseName(const QString& path) {
    const QString name = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? name : name.left(dot);
}

QString ModuleFileName() {
    if (QCoreApplication::instance())
        return QCoreApplication::applicationFilePath();
    // Before the application object exists (settings are created first) ask the kernel.
    return QFileInfo(QFile::symLinkTarget(QStringLiteral("/proc/self/exe"))).absoluteFilePath();
}

QString ModuleFolderFile(const QString& fileName) {
    const QDir programFolder = QFileInfo(ModuleFileName()).absoluteDir();
    const QString beside = IncludeBackslash(programFolder.path()) + fileName;
    if (QFileInfo(beside).isFile())
        return beside;
    // The build system passes where the data folder lies relative to the installed program.
    const QString installed = QDir::cleanPath(
        programFolder.filePath(QStringLiteral(REELVANE_DATA_FROM_PROGRAM "/")) + fileName);
    if (QFileInfo(installed).isFile())
        return installed;
    const QString located = QStandardPaths::locate(QStandardPaths::GenericDataLocation,
                                                   QStringLiteral("reelvane/") + fileName);
    return located.isEmpty() ? beside : located;
}

QString SizeText(qint64 byteCount) {
    // Whole KiB plus one half, rounded half away from zero.
    const qint64 kib = byteCount / 1024;
    const qint64 shown = kib >= 0 ? kib + 1 : kib;
    return QLocale().toString(shown) + QStringLiteral(" KB");
}

bool ShellOpen(const QString& file, const QStringList& parameters) {
    if (parameters.isEmpty())
        return CurrentShellServices().OpenDocument(file);
    const QFileInfo info(file);
    if (!info.isFile() || !info.isExecutable()) {
        qWarning().noquote() << "Cannot run" << file << "with parameters: not an executable file";
        return false;
    }
    const QString workingFolder = QFileInfo(ModuleFileName()).absolutePath();
    if (!QProcess::startDetached(info.absoluteFilePath(), parameters, workingFolder)) {
        qWarning().noquote() << "Cannot start" << file;
        return false;
    }
    return true;
}

bool OpenDocument(const QString& path) {
    return ShellOpen(path);
}

bool ShowFileInFileManager(const QString& filePath) {
    const QFileInfo info(filePath);
    if (info.isFile())
        return CurrentShellServices().ShowInFileManager(info.absoluteFilePath());
    if (info.isDir())
        return CurrentShellServices().OpenDocument(info.absoluteFilePath());
    return CurrentShellServices().OpenDocument(info.absolutePath());
}

bool BrowseForFolder(const QString& title, const QString& root, QString& folder) {
    if (!folder.isEmpty() && !QFileInfo(folder).isDir())
        folder.clear();
    return CurrentShellServices().BrowseForFolder(title, root, folder);
}

bool ShowMessageBox(const QString& text, unsigned flags) {
    ShellServices& shell = CurrentShellServices();
    if ((flags & 0x0F) == MB_YesNo)
        return shell.AskYesNo(ApplicationTitle(), text);
    ShellServices::MessageIcon icon = ShellServices::MessageIcon::Information;
    switch (flags & 0xF0) {
    case MB_IconError:
        icon = ShellServices::MessageIcon::Error;
        break;
    case MB_IconWarning:
        icon = ShellServices::MessageIcon::Warning;
        break;
    default:
        break;
    }
    shell.ShowMessage(ApplicationTitle(), text, icon);
    return true;
}
