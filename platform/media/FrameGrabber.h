#pragma once
// Frame grabber: a pass-through filter that hands every video frame to the engine.
//
// Two ways of working, chosen when the grabber is made:
// - converting: frames leave the grabber as 24-bit RGB (bytes B, G, R; rows padded to 4 bytes)
//   and the per-frame callback receives writable bytes, so what a handler changes is what the
//   rest of the graph receives;
// - keeping: frames pass unchanged (no conversion cost); only a reference to each frame is kept
//   and the 24-bit picture is made when someone asks for it.
//
// Threads: the callbacks run on the streaming thread that pushes the frame. VideoFrame values
// may be copied and read on any thread.

#include "platform/media/Graph.h"

#include <QImage>

#include <functional>
#include <memory>

namespace media {

/// One video frame held by reference (cheap to copy).
class VideoFrame {
public:
    VideoFrame() = default;
    bool IsNull() const { return !sample_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    /// The frame as a 24-bit picture (QImage::Format_RGB888); null when it cannot be converted.
    QImage ToRgbImage() const;

private:
    friend class FrameGrabberAccess;
    std::shared_ptr<void> sample_; // the media library's sample: buffer + its format
    int width_ = 0;
    int height_ = 0;
};

struct FrameGrabberCallbacks {
    /// Converting grabber only: every frame's 24-bit bytes (may be changed in place; `data`
    /// may also be pointed elsewhere, which the grabber ignores), their size, the frame size.
    std::function<void(unsigned char*& data, int dataSize, int width, int height)> onFrameBytes;
    /// Every frame, after onFrameBytes: the frame kept by reference.
    std::function<void(const VideoFrame& frame)> onFrame;
};

/// Makes a grabber; `convertToRgb` selects the converting way of working. Frames pass the
/// grabber at width x height (when positive), so a later stage that wants another size scales
/// after the grabber, not before it.
FilterPtr CreateFrameGrabber(bool convertToRgb, int width, int height,
                             FrameGrabberCallbacks callbacks);

} // namespace media
