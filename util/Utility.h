#pragma once

#include "util/StringValues.h" // TStringValues belongs with these helpers

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

/// Lower-cases ASCII letters A to Z only, then trims blanks and control characters at both
/// ends. Free of shared state: safe on any thread.
QString NormalizedLower(const QString& text);

/// The part of @p path below @p folder (letter case of ASCII letters ignored in the comparison,
/// the result keeps the path's own case), e.g. "sub/clip.avi"; for a path outside the folder
/// only its file-name part.
QString RelativeToFolder(const QString& path, const QString& folder);

/// The user's documents folder with a trailing "/".
QString MyDocumentsFolder();

/// Appends to @p list the files of @p folder (hidden ones included, in the file system's order):
/// all files for the mask "*.*", else those whose extension matches the mask's extension
/// (ASCII case ignored). With @p recursive the sub-folders follow, each after the whole folder
/// has been listed; symbolic links to folders are not entered. A missing folder adds nothing.
void ListFiles(const QString& folder, QStringList& list, const QString& mask, bool recursive);

/// Replaces @p list by the local files among the dropped @p urls, in order. Folders and names of
/// no existing file are skipped; with a non-empty @p filter a file passes only when its
/// upper-cased extension (with the point) occurs in the upper-cased filter, so ".avi" accepts
/// ".avi", ".AV", ".a" and "." but no file without extension.
void DroppedFiles(QStringList& list, const QList<QUrl>& urls, const QString& filter);
