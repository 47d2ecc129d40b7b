#pragma once

#include "platform/media/MediaType.h"
#include "platform/media/Result.h"

#include <QFileInfo>
#include <QString>

#include <vector>

namespace media {

struct StreamInfo {
    MajorType majorType = MajorType::Unknown;
    MediaType mediaType;        ///< the stream's own (often compressed) type
    double frameRate = 0.0;     ///< frames per second, video only
    double lengthSeconds = 0.0; ///< the stream's own length, or the file's when not known
    /// What the file's header declares for this stream (AVI files); -1 when it tells nothing.
    double declaredLengthSeconds = -1.0;
    /// False when not one unit of the stream's data decodes (every picture damaged, say).
    bool decodable = true;
    QString codecDescription; ///< for people: "Motion JPEG", "Uncompressed 16-bit PCM audio"
};

/// Reads the streams of a media file: types, frame rate, frame size, length. Opening decodes
/// the start of every stream, so a file that opens can be played. The answers for the last few
/// files are kept: opening a file again that has not changed since (same inode, size and
/// modification times) gives the same answer without reading it. Values the file's headers
/// give are checked before anything else uses them: a file whose header makes no sense (a
/// frame size of 0 or beyond 16384, a pixel aspect ratio or frame rate that is not a positive
/// fraction) does not open. Blocking; any thread.
class MediaDetector {
public:
    /// S_OK, or the result code that says why the file cannot be played (see CheckRenderable).
    HRESULT Open(const QString& fileName);
    int StreamCount() const { return int(streams_.size()); }
    const StreamInfo& Stream(int index) const { return streams_.at(index); }
    const std::vector<StreamInfo>& Streams() const { return streams_; }
    double LengthSeconds() const { return lengthSeconds_; }
    /// The length the file's header declares (AVI files), -1 when it tells nothing. A file cut
    /// short plays less than this.
    double DeclaredLengthSeconds() const { return declaredLengthSeconds_; }
    /// The reason the last Open gave, as the media library put it.
    const QString& ErrorText() const { return errorText_; }

private:
    class DetectorCache;
    HRESULT Read(const QFileInfo& info);

    HRESULT cachedResult_ = S_OK;
    std::vector<StreamInfo> streams_;
    double lengthSeconds_ = 0.0;
    double declaredLengthSeconds_ = -1.0;
    QString errorText_;
};

/// Builds a playback of the file far enough to decode its first data, and answers S_OK,
/// VFW_S_PARTIAL_RENDER (a stream cannot be decoded), VFW_E_UNKNOWN_FILE_TYPE (not media),
/// VFW_E_INVALID_FILE_FORMAT (damaged), VFW_E_UNSUPPORTED_STREAM (nothing decodable),
/// E_FILE_NOT_FOUND or E_ACCESSDENIED. Blocking; any thread.
HRESULT CheckRenderable(const QString& fileName);

} // namespace media
