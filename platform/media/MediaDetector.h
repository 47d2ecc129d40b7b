#pragma once

#include "platform/media/MediaType.h"
#include "platform/media/Result.h"

#include <QString>

#include <vector>

namespace media {

struct StreamInfo {
    MajorType majorType = MajorType::Unknown;
    MediaType mediaType;        ///< the stream's own (often compressed) type
    double frameRate = 0.0;     ///< frames per second, video only
    double lengthSeconds = 0.0; ///< the stream's length, or the file's when not known
    QString codecDescription;   ///< for people: "Motion JPEG", "Uncompressed 16-bit PCM audio"
};

/// Reads the streams of a media file: types, frame rate, frame size, length. Opening decodes
/// the start of every stream, so a file that opens can be played. Blocking; any thread.
class MediaDetector {
public:
    /// S_OK, or the result code that says why the file cannot be played (see CheckRenderable).
    HRESULT Open(const QString& fileName);
    int StreamCount() const { return int(streams_.size()); }
    const StreamInfo& Stream(int index) const { return streams_.at(index); }
    const std::vector<StreamInfo>& Streams() const { return streams_; }
    double LengthSeconds() const { return lengthSeconds_; }
    /// The reason the last Open gave, as the media library put it.
    const QString& ErrorText() const { return errorText_; }

private:
    std::vector<StreamInfo> streams_;
    double lengthSeconds_ = 0.0;
    QString errorText_;
};

/// Builds a playback of the file far enough to decode its first data, and answers S_OK,
/// VFW_S_PARTIAL_RENDER (a stream cannot be decoded), VFW_E_UNKNOWN_FILE_TYPE (not media),
/// VFW_E_INVALID_FILE_FORMAT (damaged), VFW_E_UNSUPPORTED_STREAM (nothing decodable),
/// E_FILE_NOT_FOUND or E_ACCESSDENIED. Blocking; any thread.
HRESULT CheckRenderable(const QString& fileName);

} // namespace media
