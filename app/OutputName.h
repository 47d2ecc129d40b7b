#pragma once

#include <QString>

/// The output file name (no folder) for @p inputPath in the target format Settings().PageIndex():
/// the input's base name with ".mpeg", ".mp4", ".wmv", ".flv", ".mov" or ".mp3". For a stored
/// format outside 0..5 the input's own file name. UI thread (reads Settings()).
QString OutputNameFor(const QString& inputPath);

/// The same for an explicit @p format.
QString OutputNameFor(const QString& inputPath, int format);
