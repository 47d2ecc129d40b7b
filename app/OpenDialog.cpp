#include "app/OpenDialog.h"

#include <QFileDialog>
#include <QFileInfo>

QStringList QtFileOpenDialog::GetOpenFileNames(QWidget* parent, const QString& title,
                                               const QString& filter) {
    const QStringList files = QFileDialog::getOpenFileNames(parent, title, m_lastFolder, filter);
    if (!files.isEmpty())
        m_lastFolder = QFileInfo(files.first()).absolutePath();
    return files;
}
