#include "app/OutputName.h"

#include "settings/GlobalSettings.h"
#include "util/myutility.h"

#include <QFileInfo>

QString OutputNameFor(const QString& inputPath, int format) {
    static const char* const extensions[] = {".mpeg", ".mp4", ".wmv", ".flv", ".mov", ".mp3"};
    if (format < 0 || format > 5)
        return QFileInfo(inputPath).fileName();
    return BaseName(inputPath) + QString::fromLatin1(extensions[format]);
}

QString OutputNameFor(const QString& inputPath) {
    return OutputNameFor(inputPath, HasSettings() ? Settings().PageIndex() : 0);
}
