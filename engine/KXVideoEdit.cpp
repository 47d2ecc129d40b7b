#include "engine/KXVideoEdit.h"

#include "engine/ConversionRun.h"
#include "engine/FrameStore.h"
#include "engine/InputCheck.h"
#include "engine/RunThread.h"
#include "engine/WmvChainDispatch.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QLocale>
#include <QMetaObject>
#include <QThread>

#include <clocale>

static void InitEngineResources() {
    Q_INIT_RESOURCE(engine);
}

namespace {

// Handlers called from the engine must not take the engine down with them.
template <class F> void Guarded(F&& f) {
    try {
        f();
    } catch (...) {
    }
}

TKXWideStringList LoadErrorTexts() {
    TKXWideStringList list;
    QFile file(QStringLiteral(":/engine/EDIT_ERRORS"));
    if (file.open(QIODevice::ReadOnly))
        list.SetText(QString::fromUtf8(file.readAll()));
    return list;
}

} // namespace

TKXVideoEdit::TKXVideoEdit(QObject* parent)
    : QObject(parent)
    , frames_(std::make_shared<engine::FrameStore>()) {
    InitEngineResources();
    // Every number-to-text conversion in the process uses a point, whatever the user's locale.
    QLocale::setDefault(QLocale::c());
    std::setlocale(LC_NUMERIC, "C");
    errorTexts_ = LoadErrorTexts();
    wmv_ = engine::LoadWmvCatalogues();
}

TKXVideoEdit::~TKXVideoEdit() {
    // Handlers are not called any more; the runs are asked to end and waited for while this
    // thread keeps serving their blocking notifications.
    closing_.store(true);
    if (current_)
        current_->RequestStop();
    WaitForThreads(-1);
}

void TKXVideoEdit::setBackground_Color(quint32 value) {
    m_Background_Color = value;
    Q_EMIT repaintRequested();
}

void TKXVideoEdit::setScreen_Zoom_Ratio(int value) {
    if (value < 0)
        return;
    m_Screen_Zoom_Ratio = value;
    if (Status() != kx::Status_FREE)
        Screen_Update();
}

void TKXVideoEdit::setScreen_Zoom_ShiftX(int value) {
    if (value < 0)
        return;
    m_Screen_Zoom_ShiftX = value;
    if (Status() != kx::Status_FREE)
        Screen_Update();
}

void TKXVideoEdit::setScreen_Zoom_ShiftY(int value) {
    if (value < 0)
        return;
    m_Screen_Zoom_ShiftY = value;
    if (Status() != kx::Status_FREE)
        Screen_Update();
}

void TKXVideoEdit::ReportError(int code) {
    if (!OnError || code < 0 || code >= errorTexts_.Count())
        return;
    ReportText(code, errorTexts_.Get(code));
}

void TKXVideoEdit::ReportText(int code, const QString& text) {
    if (!OnError)
        return;
    Guarded([&] { OnError(code, text); });
}

bool TKXVideoEdit::CheckInput(const QString& fileName) {
    const engine::InputCheckOutcome outcome = engine::CheckInputFile(fileName);
    if (!outcome.accepted)
        ReportText(0, "Can't add input file:" + fileName + "(" + outcome.reason + ")");
    return outcome.accepted;
}

void TKXVideoEdit::Input_AddVideoFile(const QString& fileName, int startTimeMs, int stopTimeMs,
                                      int insertTimeMs, quint8 stretchMode, double) {
    if (!CheckInput(fileName))
        return;
    TKXStream s;
    s.FileName = fileName;
    s.Kind = 0;
    s.StartTimeMs = startTimeMs;
    s.StopTimeMs = stopTimeMs;
    s.InsertTimeMs = insertTimeMs;
    s.StretchMode = stretchMode;
    s.Speed = 1.0;
    inputs_.push_back(s);
}

void TKXVideoEdit::Input_AddAudioFile(const QString& fileName, int startTimeMs, int stopTimeMs,
                                      int insertTimeMs, const QString& lengthSourceFile, int, int,
                                      double) {
    if (!CheckInput(fileName))
        return;
    TKXStream s;
    s.FileName = fileName;
    s.Kind = 1;
    s.StartTimeMs = startTimeMs;
    s.StopTimeMs = stopTimeMs;
    s.InsertTimeMs = insertTimeMs;
    s.LengthSourceFile = lengthSourceFile;
    s.Speed = 1.0;
    s.AudioGroup = 0;
    inputs_.push_back(s);
}

void TKXVideoEdit::Input_Clear_List() {
    inputs_.clear();
}
void TKXVideoEdit::Audio_Envelope_Clear() {
    volumeEnvelope_.clear();
}
// No live effects filter carries items in this program; the item list is all there is.
void TKXVideoEdit::Video_Effects_Clear() {
    videoEffectItems_.clear();
}
void TKXVideoEdit::Video_Filters_Clear() {
    videoFilterNames_.clear();
}
void TKXVideoEdit::Extra_List_Clear() {
    extraList_.clear();
}

void TKXVideoEdit::Background_Image_Clear() {
    backgroundShown_ = false;
    Q_EMIT repaintRequested();
}

void TKXVideoEdit::SetBackgroundImage(const QImage& image) {
    backgroundImage_ = image;
    backgroundShown_ = !image.isNull();
    Q_EMIT repaintRequested();
}

void TKXVideoEdit::Standard_MPEG_Parameters_Clear() {
    mpegNames_.Clear();
    mpegValues_.Clear();
}

void TKXVideoEdit::Standard_MPEG_Parameter_Add(const QString& name, const QString& value) {
    mpegNames_.Add(name);
    mpegValues_.Add(value);
}

// The preview screen does not exist yet; the panel only needs to repaint.
void TKXVideoEdit::Screen_Update() {
    Q_EMIT repaintRequested();
}

QImage TKXVideoEdit::FrameBitmap() const {
    return frames_->Bitmap();
}

bool TKXVideoEdit::IsRunThreadAlive() const {
    if (current_ && !current_->isFinished())
        return true;
    for (const auto& t : ending_)
        if (!t->isFinished())
            return true;
    return false;
}

void TKXVideoEdit::ReapFinishedThreads() {
    for (auto it = ending_.begin(); it != ending_.end();) {
        if ((*it)->isFinished()) {
            (*it)->wait();
            it = ending_.erase(it);
        } else {
            ++it;
        }
    }
    if (current_ && current_->isFinished()) {
        current_->wait();
        current_.reset();
    }
}

bool TKXVideoEdit::WaitForThreads(int timeoutMs) {
    const QDeadlineTimer deadline =
        timeoutMs < 0 ? QDeadlineTimer(QDeadlineTimer::Forever) : QDeadlineTimer(timeoutMs);
    for (;;) {
        ReapFinishedThreads();
        if (!current_ && ending_.empty())
            return true;
        if (deadline.hasExpired())
            return false;
        // Serve the workers' blocking notifications while waiting for them.
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread* t = current_ ? static_cast<QThread*>(current_.get()) : ending_.front().get();
        t->wait(QDeadlineTimer(5));
    }
}

bool TKXVideoEdit::WaitForFree(int timeoutMs) {
    if (!WaitForThreads(timeoutMs))
        return false;
    return Status() == kx::Status_FREE;
}

void TKXVideoEdit::Stop() {
    if (Status() == kx::Status_FREE)
        return;
    if (current_)
        current_->RequestStop();
}

void TKXVideoEdit::Start() {
    ReapFinishedThreads();
    if (Status() == kx::Status_WORK) {
        if (deliveryDepth_ > 0) {
            // Called from a handler the worker is waiting for: waiting here would never end.
            // Ask the run to stop and start again once the handler has returned.
            Stop();
            QMetaObject::invokeMethod(this, &TKXVideoEdit::Start, Qt::QueuedConnection);
            return;
        }
        Stop();
        WaitForThreads(-1);
    }
    // A run that already set Status_FREE may still be delivering OnStop: let it finish on its own.
    if (current_)
        ending_.push_back(std::move(current_));

    status_.store(kx::Status_WORK);
    engine::RunSettings s;
    s.format = m_Output_Format;
    s.mode = m_Mode;
    s.debugMode = m_Debug_Mode;
    s.debugDir = m_Debug_Dir;
    s.outputFileName = m_Output_File_Name;
    s.videoFrameRate = m_Video_FrameRate;
    s.videoResize = m_Video_Resize;
    s.videoResizeWidth = m_Video_Resize_Width;
    s.videoResizeHeight = m_Video_Resize_Height;
    s.videoUseEffects = m_Video_Use_Effects;
    s.audioEffectsEnabled = m_Audio_Effects_Enabled;
    s.audioPreviewEnabled = m_Audio_Preview_Enabled;
    s.inputs = inputs_;
    s.mpegNames = mpegNames_;
    s.mpegValues = mpegValues_;
    s.errorTexts = errorTexts_;
    s.previousWidth = outputWidth_;
    s.previousHeight = outputHeight_;
    s.previousFirstFrameRate = firstInputFrameRate_;
    s.onError = OnError;
    s.onFilterAdded = OnFilterAdded;
    s.onPushFrame = OnPushFrame;
    s.onFrame = OnFrame;
    s.progressAssigned = static_cast<bool>(OnProgress);
    s.stallTimeoutMs = stallTimeoutMs_;
    s.chain = engine::ChainSettingsFrom(*this);
    s.wmv = engine::WmvChainSettingsFrom(*this, wmv_);
    s.frames = frames_;

    if (m_Mode == kx::Mode_Convert) {
        // The run writes a temporary file next to the output; an earlier output stays until a
        // run completes. Check here that the folder takes a new file.
        s.writeFileName = engine::TemporaryOutputName(m_Output_File_Name);
        QFile probe(s.writeFileName);
        const bool created = probe.open(QIODevice::WriteOnly | QIODevice::Truncate);
        probe.close();
        QFile::remove(s.writeFileName);
        if (!created) {
            ReportError(84);
            status_.store(kx::Status_FREE);
            return;
        }
    }
    tracks_.clear();
    current_ = std::make_unique<engine::RunThread>(this, std::move(s));
    current_->start();
    if (!current_->isRunning() && !current_->isFinished()) {
        current_.reset();
        ReportError(85);
        status_.store(kx::Status_FREE);
    }
}

void TKXVideoEdit::DeliverStart() {
    QMetaObject::invokeMethod(
        this,
        [this] {
            ++deliveryDepth_;
            if (!closing_.load() && OnStart)
                Guarded([this] { OnStart(); });
            --deliveryDepth_;
        },
        Qt::BlockingQueuedConnection);
}

void TKXVideoEdit::DeliverProgress(int percent) {
    QMetaObject::invokeMethod(
        this,
        [this, percent] {
            ++deliveryDepth_;
            if (!closing_.load() && OnProgress)
                Guarded([this, percent] { OnProgress(percent); });
            --deliveryDepth_;
        },
        Qt::BlockingQueuedConnection);
}

void TKXVideoEdit::DeliverStop(const engine::RunOutcome& outcome) {
    QMetaObject::invokeMethod(
        this,
        [this, &outcome] {
            outputWidth_ = outcome.outputWidth;
            outputHeight_ = outcome.outputHeight;
            firstInputFrameRate_ = outcome.firstFrameRate;
            tracks_ = outcome.tracks;
            if (closing_.load())
                return;
            Q_EMIT repaintRequested();
            ++deliveryDepth_;
            if (OnWarning)
                for (const QString& text : outcome.warnings)
                    Guarded([this, &text] { OnWarning(text); });
            if (OnStop)
                Guarded([this] { OnStop(); });
            --deliveryDepth_;
        },
        Qt::BlockingQueuedConnection);
}
