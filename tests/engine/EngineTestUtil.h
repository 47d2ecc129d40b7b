#pragma once
// Shared helpers of the engine tests: generated inputs and an event recorder.

#include "engine/KXVideoEdit.h"
#include "tests/support/TestMedia.h"

#include <QMutex>
#include <QMutexLocker>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>

#include <glib.h>
#include <gtest/gtest.h>

#include <atomic>
#include <vector>

namespace enginetest {

/// One folder per test binary with the generated inputs (made once).
struct Media {
    QTemporaryDir dir;
    QString avi;       // 1 s 160x120 25 fps MJPEG + PCM 48 kHz stereo
    QString avi2s;     // 2 s of the same
    QString text;      // a text file named .avi
    QString truncated; // the first 1000 bytes of avi2s

    static Media& Get() {
        static Media m;
        return m;
    }

private:
    Media() {
        avi = dir.filePath("in.avi");
        avi2s = dir.filePath("in2s.avi");
        text = dir.filePath("notes.avi");
        truncated = dir.filePath("cut.avi");
        testsupport::MakeTestAvi(avi, 1.0);
        testsupport::MakeTestAvi(avi2s, 2.0);
        QFile f(text);
        if (f.open(QIODevice::WriteOnly))
            f.write("just some words, not a movie\n");
        f.close();
        // Cut inside the AVI header: past it, a cut file still plays as far as it goes.
        testsupport::MakeTruncatedCopyBytes(avi2s, truncated, 1000);
    }
};

/// Collects the critical messages the media libraries log (a failed assertion inside one of
/// them: a value reached a library call unchecked) while it lives; they still go to standard
/// error too. One at a time.
class LibraryCriticals {
public:
    LibraryCriticals() { previous_ = g_log_set_default_handler(&LibraryCriticals::Handle, this); }
    ~LibraryCriticals() { g_log_set_default_handler(previous_, nullptr); }
    QStringList Texts() const {
        QMutexLocker l(&mutex_);
        return texts_;
    }

private:
    static void Handle(const gchar* domain, GLogLevelFlags level, const gchar* message,
                       gpointer data) {
        auto* self = static_cast<LibraryCriticals*>(data);
        if (level & (G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_ERROR)) {
            QMutexLocker l(&self->mutex_);
            self->texts_ << QString::fromUtf8(domain ? domain : "") + ": " +
                                QString::fromUtf8(message);
        }
        g_log_default_handler(domain, level, message, nullptr);
    }
    GLogFunc previous_ = nullptr;
    mutable QMutex mutex_;
    QStringList texts_; // guarded by mutex_
};

/// Records what an engine reports; events may come from several threads.
struct Recorder {
    mutable QMutex mutex;
    QStringList events; // "start", "progress N", "warning text", "stop", "error C text"
    QStringList warnings;
    std::vector<int> progress;
    std::vector<int> errorCodes;
    QStringList errorTexts;
    bool startOnOwner = true;
    bool stopOnOwner = true;

    void Attach(TKXVideoEdit& e) {
        QThread* owner = e.thread();
        e.OnStart = [this, owner] {
            QMutexLocker l(&mutex);
            startOnOwner = startOnOwner && QThread::currentThread() == owner;
            events << "start";
        };
        e.OnProgress = [this](int p) {
            QMutexLocker l(&mutex);
            events << QString("progress %1").arg(p);
            progress.push_back(p);
        };
        e.OnWarning = [this, owner](const QString& text) {
            QMutexLocker l(&mutex);
            stopOnOwner = stopOnOwner && QThread::currentThread() == owner;
            events << "warning " + text;
            warnings << text;
        };
        e.OnStop = [this, owner] {
            QMutexLocker l(&mutex);
            stopOnOwner = stopOnOwner && QThread::currentThread() == owner;
            events << "stop";
        };
        e.OnError = [this](int code, const QString& text) {
            QMutexLocker l(&mutex);
            events << QString("error %1 %2").arg(code).arg(text);
            errorCodes.push_back(code);
            errorTexts << text;
        };
    }
    QStringList Events() const {
        QMutexLocker l(&mutex);
        return events;
    }
    QString AllErrors() const {
        QMutexLocker l(&mutex);
        return errorTexts.join(" | ");
    }
};

} // namespace enginetest
