#pragma once

#include "app/core/FormToolkit.h"
#include "util/ShellServices.h"

/// The desktop and widget side of the helpers: Qt's folder dialog, the desktop's default
/// applications, the freedesktop file manager over D-Bus, message boxes, and the font and list
/// rows of language files. Constructing it installs it for the whole process (ShellServices and
/// FormToolkit); destroying it restores the headless behaviour. Create one after the
/// QApplication, before the first window. UI thread only.
class ShellServicesQt : public ShellServices, public FormToolkit {
public:
    ShellServicesQt();
    ~ShellServicesQt() override;
    ShellServicesQt(const ShellServicesQt&) = delete;
    ShellServicesQt& operator=(const ShellServicesQt&) = delete;

    bool BrowseForFolder(const QString& title, const QString& root, QString& folder) override;
    bool OpenDocument(const QString& path) override;
    /// org.freedesktop.FileManager1.ShowItems; when no file manager answers, opens the folder.
    bool ShowInFileManager(const QString& filePath) override;
    void ShowMessage(const QString& caption, const QString& text, MessageIcon icon) override;
    bool AskYesNo(const QString& caption, const QString& text) override;

    void ApplyFormFont(QObject* form, const FormFont& font) override;
    bool SetListItems(QObject* target, const QStringList& items) override;
    bool SetPageCaption(QObject* target, const QString& caption) override;
};
