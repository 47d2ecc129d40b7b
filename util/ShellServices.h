#pragma once

#include <QString>
#include <QStringList>

/// Desktop services the helpers need but that live outside QtCore: the folder picker, opening a
/// document with the desktop's default application, showing a file in the file manager and
/// message boxes. The window code installs a widget implementation at start-up
/// (app/ui/ShellServicesQt); without one, a headless implementation answers: it opens nothing,
/// picks nothing, answers "No" and writes what it would have shown to the log.
///
/// All calls are made on the UI thread.
class ShellServices {
public:
    enum class MessageIcon { Information, Warning, Error };

    virtual ~ShellServices();

    /// Shows a modal folder picker titled @p title, starting at @p folder when it is not empty,
    /// else at @p root. Returns true and sets @p folder when a folder was chosen; returns false and
    /// leaves @p folder alone when cancelled.
    virtual bool BrowseForFolder(const QString& title, const QString& root, QString& folder) = 0;

    /// Opens a file, folder or URL with the desktop's default application. Returns false when the
    /// desktop refused it.
    virtual bool OpenDocument(const QString& path) = 0;

    /// Shows an existing file selected in the desktop's file manager, or opens its folder when the
    /// file manager cannot select it. Returns false when neither worked.
    virtual bool ShowInFileManager(const QString& filePath) = 0;

    /// Modal message with an OK button.
    virtual void ShowMessage(const QString& caption, const QString& text, MessageIcon icon) = 0;

    /// Modal question with Yes and No; true only for Yes.
    virtual bool AskYesNo(const QString& caption, const QString& text) = 0;
};

/// The installed services; never null (the headless implementation when none is installed).
ShellServices& CurrentShellServices();

/// Installs @p services for the whole process (not owned; must outlive its use). nullptr restores
/// the headless implementation.
void InstallShellServices(ShellServices* services);

/// Headless implementation, also usable by tests: answers as described above and counts what was
/// asked of it.
class HeadlessShellServices : public ShellServices {
public:
    bool BrowseForFolder(const QString& title, const QString& root, QString& folder) override;
    bool OpenDocument(const QString& path) override;
    bool ShowInFileManager(const QString& filePath) override;
    void ShowMessage(const QString& caption, const QString& text, MessageIcon icon) override;
    bool AskYesNo(const QString& caption, const QString& text) override;
};
