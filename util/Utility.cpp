#include "util/Utility.h"

#include "util/myutility.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

QString NormalizedLower(const QString& text) {
    QString result = text;
    for (QChar& c : result) {
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = QChar(c.unicode() + ('a' - 'A'));
    }
    qsizetype begin = 0;
    qsizetype end = result.size();
    while (begin < end && result.at(begin).unicode() <= ' ')
        ++begin;
    while (end > begin && result.at(end - 1).unicode() <= ' ')
        --end;
    return result.mid(begin, end - begin);
}

namespace {

QString FileNamePart(const QString& path) {
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

// The extension with its point, taken from the file-name part; empty without a point.
QString ExtensionOf(const QString& path) {
    const QString name = FileNamePart(path);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.mid(dot);
}

qsizetype LeadingBlanks(const QString& text) {
    qsizetype n = 0;
    while (n < text.size() && text.at(n).unicode() <= ' ')
        ++n;
    return n;
}

QString UpperAscii(const QString& text) {
    QString result = text;
    for (QChar& c : result) {
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            c = QChar(c.unicode() - ('a' - 'A'));
    }
    return result;
}

} // namespace

QString RelativeToFolder(const QString& path, const QString& folder) {
    const QString prefix = IncludeBackslash(NormalizedLower(folder));
    if (NormalizedLower(path).startsWith(prefix)) {
        // NormalizedLower only trims and maps ASCII letters, so offsets carry over once the
        // path's leading blanks are accounted for.
        return path.mid(LeadingBlanks(path) + prefix.size());
    }
    return FileNamePart(path);
}

QString MyDocumentsFolder() {
    return IncludeBackslash(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
}

void ListFiles(const QString& folder, QStringList& list, const QString& mask, bool recursive) {
    const QString base = IncludeBackslash(folder);
    const QDir dir(base);
    if (base.isEmpty() || !dir.exists())
        return;
    const bool allFiles = mask == QLatin1String("*.*");
    const QString maskExtension = NormalizedLower(ExtensionOf(mask));
    QStringList subFolders;
    const QFileInfoList entries = dir.entryInfoList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Unsorted);
    for (const QFileInfo& entry : entries) {
        const QString name = entry.fileName();
        if (entry.isDir()) {
            if (!entry.isSymLink())
                subFolders.append(base + name);
            continue;
        }
        if (!allFiles && NormalizedLower(ExtensionOf(name)) != maskExtension)
            continue;
        list.append(base + name);
    }
    if (recursive) {
        for (const QString& sub : subFolders)
            ListFiles(sub, list, mask, true);
    }
}

void DroppedFiles(QStringList& list, const QList<QUrl>& urls, const QString& filter) {
    list.clear();
    const QString acceptedExtensions = UpperAscii(filter.trimmed());
    for (const QUrl& url : urls) {
        if (!url.isLocalFile())
            continue;
        const QString name = url.toLocalFile();
        if (!QFileInfo(name).isFile())
            continue;
        if (!filter.isEmpty()) {
            const QString extension = UpperAscii(ExtensionOf(name.trimmed()));
            if (extension.isEmpty() || !acceptedExtensions.contains(extension))
                continue;
        }
        list.append(name);
    }
}
