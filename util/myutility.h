#pragma once

#include <QString>
#include <QStringList>

/// The program's title as shown to the user, also the caption of every message box.
QString ApplicationTitle();

/// Appends the platform separator ("/") when the path is not empty and does not end in one.
/// Free of shared state: safe on any thread.
QString IncludeBackslash(const QString& path);

/// The file-name part of @p path (after the last "/") without its extension (from its last "."
/// on). "a.b/c" gives "c", "x.tar.gz" gives "x.tar".
QString BaseName(const QString& path);

/// Full path of the running program file.
QString ModuleFileName();

/// The path of the program's data file @p fileName (a language file, the example clip), looked
/// up in this order:
///   1. the running program's folder (the build tree copies app/data/* there);
///   2. the installed data folder relative to the program (<prefix>/bin/../share/reelvane), so
///      an installed tree works wherever its prefix is;
///   3. "reelvane" in each data folder of QStandardPaths (XDG_DATA_HOME, then XDG_DATA_DIRS).
/// Answers the first path that names an existing file; when there is none, the path in the
/// program's folder, so that callers report (or create) that one.
QString ModuleFolderFile(const QString& fileName);

/// "<n> KB" where n is the whole number of KiB in @p byteCount plus one (0 and 1000 bytes give
/// "1 KB", 1024 bytes "2 KB"), grouped with the thousands separator of the default QLocale.
QString SizeText(qint64 byteCount);

/// Runs @p file with @p parameters (an argument list, never a shell line) in the program's folder
/// when it is an executable and parameters are given; otherwise opens it with the desktop's
/// default application. Returns false when nothing could be started.
bool ShellOpen(const QString& file, const QStringList& parameters = {});

/// Opens @p path with the desktop's default application.
bool OpenDocument(const QString& path);

/// Shows @p filePath selected in the file manager when that file exists; otherwise opens the
/// folder part of @p filePath (or @p filePath itself when it is a folder).
bool ShowFileInFileManager(const QString& filePath);

/// The folder picker: clears @p folder first when it names no existing folder, then asks the
/// installed ShellServices. True and @p folder set when one was chosen; false when cancelled.
bool BrowseForFolder(const QString& title, const QString& root, QString& folder);

/// Message-box flags in use: icon bits 0x10 error, 0x30 warning, 0x40 information; button bit
/// 0x04 Yes/No (else OK).
enum MessageBoxFlags : unsigned {
    MB_YesNo = 0x04,
    MB_IconError = 0x10,
    MB_IconWarning = 0x30,
    MB_IconInformation = 0x40,
};

/// Shows @p text in a message box captioned ApplicationTitle(). Returns true for Yes (Yes/No
/// boxes) or OK (all others).
bool ShowMessageBox(const QString& text, unsigned flags);
