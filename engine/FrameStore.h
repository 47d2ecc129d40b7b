#pragma once
// The engine's frame bitmap: the last video frame of the latest run. Written on the streaming
// thread, read on any thread; guarded by one lock. The 24-bit picture is made from the kept
// frame only when it is read (or at once when a frame handler already made it).

#include "platform/media/FrameGrabber.h"

#include <QImage>
#include <QMutex>
#include <QMutexLocker>

namespace engine {

class FrameStore {
public:
    /// Streaming thread: keep this frame; its picture is made when read.
    void Keep(const media::VideoFrame& frame) {
        QMutexLocker lock(&mutex_);
        frame_ = frame;
        image_ = QImage();
    }
    /// Streaming thread: the picture is already made (a frame handler needed it).
    void KeepImage(const QImage& image) {
        QMutexLocker lock(&mutex_);
        frame_ = media::VideoFrame();
        image_ = image;
    }
    /// Any thread: the last frame as a 24-bit picture; null before the first frame.
    QImage Bitmap() const {
        QMutexLocker lock(&mutex_);
        if (image_.isNull() && !frame_.IsNull()) {
            image_ = frame_.ToRgbImage();
            frame_ = media::VideoFrame();
        }
        return image_;
    }

private:
    mutable QMutex mutex_;
    mutable media::VideoFrame frame_;
    mutable QImage image_;
};

} // namespace engine
