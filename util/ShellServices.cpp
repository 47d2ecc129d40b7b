#include "util/ShellServices.h"

#include <QDebug>

ShellServices::~ShellServices() = default;

namespace {
HeadlessShellServices g_headless;
ShellServices* g_installed = nullptr;
} // namespace

ShellServices& CurrentShellServices() {
    return g_installed ? *g_installed : g_headless;
}

void InstallShellServices(ShellServices* services) {
    g_installed = services;
}

bool HeadlessShellServices::BrowseForFolder(const QString& title, const QString&, QString&) {
    qInfo().noquote() << "No desktop installed: folder picker" << title << "cancelled";
    return false;
}

bool HeadlessShellServices::OpenDocument(const QString& path) {
    qInfo().noquote() << "No desktop installed: cannot open" << path;
    return false;
}

bool HeadlessShellServices::ShowInFileManager(const QString& filePath) {
    qInfo().noquote() << "No desktop installed: cannot show" << filePath;
    return false;
}

void HeadlessShellServices::ShowMessage(const QString& caption, const QString& text, MessageIcon) {
    qInfo().noquote() << caption << ":" << text;
}

bool HeadlessShellServices::AskYesNo(const QString& caption, const QString& text) {
    qInfo().noquote() << caption << ":" << text << "(answered No: no desktop installed)";
    return false;
}
