#pragma once

#include <QString>
#include <QStringList>

class QWidget;

/// The file-open dialog of the window (dlgAVIOpen), behind an interface so tests can answer
/// it. UI thread.
class FileOpenDialog {
public:
    virtual ~FileOpenDialog() = default;
    /// Lets the user pick several existing files; empty when cancelled. @p filter uses Qt's
    /// form ("AVI Files(*.avi)").
    virtual QStringList GetOpenFileNames(QWidget* parent, const QString& title,
                                         const QString& filter) = 0;
};

/// QFileDialog with the desktop's native dialog where there is one.
class QtFileOpenDialog : public FileOpenDialog {
public:
    QStringList GetOpenFileNames(QWidget* parent, const QString& title,
                                 const QString& filter) override;

private:
    QString m_lastFolder;
};
