#pragma once

#include <QString>

class QWidget;

/// Shows the properties of @p path: the desktop file manager's properties window when one
/// answers on D-Bus (org.freedesktop.FileManager1.ShowItemProperties), otherwise a small modal
/// dialog with the file's size, dates and what the media discoverer finds in it. UI thread.
void ShowFileProperties(QWidget* parent, const QString& path);

/// The text of the fallback dialog: size, dates and media information of @p path. Blocks while
/// the file is read.
QString FilePropertiesText(const QString& path);
