#pragma once
// What an AVI file's headers declare: the streams with their kinds, frame sizes and lengths.
// Read from the file's bytes only (no media library), every value bounds-checked, so that a
// damaged header can be judged before anything else trusts it. Blocking; any thread.

#include <QString>

#include <cstdint>
#include <vector>

namespace media {

struct AviStreamHeader {
    enum class Kind { Video, Audio, Other };
    Kind kind = Kind::Other;
    double declaredSeconds = -1.0; ///< length * scale / rate; -1 when the header cannot tell
    std::int32_t width = 0;        ///< video: the bitmap header's width
    std::int32_t height = 0;       ///< video: the bitmap header's height (negative = top-down)
};

struct AviHeaderInfo {
    bool isAvi = false; ///< the file starts with a RIFF AVI header list
    std::vector<AviStreamHeader> streams;
    /// The longest declared stream, else the main header's frames x frame time; -1 unknown.
    double declaredSeconds = -1.0;
    /// Bytes of the media data list that the file really holds; -1 when it was not reached.
    qint64 mediaBytes = -1;
    /// The file ends inside its header list.
    bool headersCut = false;
};

AviHeaderInfo ReadAviHeader(const QString& fileName);

} // namespace media
