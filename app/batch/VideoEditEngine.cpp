#include "app/batch/VideoEditEngine.h"

#include "app/batch/PresetMapping.h"
#include "engine/KXVideoEdit.h"
#include "settings/GlobalSettings.h"

#include <QThread>

VideoEditEngine::VideoEditEngine(const TcdSettings* settings, QObject* parent)
    : EngineAdapter(parent)
    , m_settings(settings)
    , m_edit(std::make_unique<TKXVideoEdit>()) {
    m_edit->setBackground_Color(13488581);
    m_edit->OnStart = [this] { Q_EMIT started(); };
    m_edit->OnProgress = [this](int percent) { Q_EMIT progress(percent); };
    m_edit->OnStop = [this] { Q_EMIT stopped(); };
    m_edit->OnWarning = [this](const QString& text) { Q_EMIT warning(text); };
    m_edit->OnError = [this, owner = thread()](int code, const QString& text) {
        if (QThread::currentThread() == owner) {
            Q_EMIT error(code, text);
            return;
        }
        {
            const std::lock_guard<std::mutex> lock(m_errorsLock);
            m_pendingErrors.append({code, text});
        }
        // Queued, so it arrives before the stop event the worker delivers after it; by name,
        // so the event carries nothing of ours across (the list above does, under its lock).
        // The destructor waits for the run, so this outlives every report of it.
        QMetaObject::invokeMethod(this, "DeliverPendingErrors", Qt::QueuedConnection);
    };
    connect(m_edit.get(), &TKXVideoEdit::repaintRequested, this, &EngineAdapter::repaintRequested);
}

VideoEditEngine::~VideoEditEngine() {
    m_edit->OnStart = nullptr;
    m_edit->OnProgress = nullptr;
    m_edit->OnStop = nullptr;
    m_edit->OnWarning = nullptr;
    m_edit->Stop();
    m_edit->WaitForFree(-1);
    m_edit->OnError = nullptr;
}

void VideoEditEngine::DeliverPendingErrors() {
    QList<std::pair<int, QString>> errors;
    {
        const std::lock_guard<std::mutex> lock(m_errorsLock);
        errors.swap(m_pendingErrors);
    }
    for (const auto& [code, text] : errors)
        Q_EMIT error(code, text);
}

bool VideoEditEngine::IsFree() const {
    return m_edit->Status() == kx::Status_FREE && !m_edit->IsRunThreadAlive();
}

void VideoEditEngine::SetupConversion(const QString& inputPath, const QString& outputPath) {
    QString problem;
    const TcdSettings& settings = m_settings ? *m_settings : Settings();
    if (!::SetupConversion(*m_edit, settings, inputPath, outputPath, &problem))
        Q_EMIT error(0, problem);
}

void VideoEditEngine::ClearInputs() {
    m_edit->Input_Clear_List();
}

void VideoEditEngine::Stop() {
    m_edit->Stop();
}

QImage VideoEditEngine::PreviewFrame() const {
    return m_edit->FrameBitmap();
}

QColor VideoEditEngine::BackgroundColor() const {
    // The stored colour is 0x00BBGGRR.
    const quint32 c = m_edit->Background_Color();
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

QImage VideoEditEngine::BackgroundImage() const {
    return m_edit->BackgroundImageShown() ? m_edit->BackgroundImage() : QImage();
}

int VideoEditEngine::BackgroundDrawMode() const {
    return int(m_edit->Background_Image_DrawMode());
}
