#include "hotdir/DirectoryMonitor.h"

#include "hotdir/FileProbe.h"
#include "hotdir/FolderWatch.h"
#include "hotdir/TWaitThread.h"

#include <QPointer>

#include <cerrno>
#include <sys/eventfd.h>
#include <system_error>
#include <unistd.h>

namespace {
/// Nesting of hand-overs on this thread (a handler that runs the event loop nests them).
thread_local int DispatchDepth = 0;
} // namespace

DirectoryMonitor::DirectoryMonitor(QObject* parent)
    : QObject(parent) {
    m_checkTimer.setTimerType(Qt::PreciseTimer);
    m_checkTimer.setInterval(CheckIntervalMs);
    connect(&m_checkTimer, &QTimer::timeout, this, &DirectoryMonitor::OnCheckTimer);
    m_dispatchTimer.setTimerType(Qt::PreciseTimer);
    m_dispatchTimer.setInterval(DispatchIntervalMs);
    connect(&m_dispatchTimer, &QTimer::timeout, this, &DirectoryMonitor::DispatchReady);
}

DirectoryMonitor::~DirectoryMonitor() {
    Stop();
}

bool DirectoryMonitor::Start() {
    if (m_worker)
        Stop();
    Directory = Directory.trimmed();
    TWaitThread::Setup setup;
    setup.StableChecks = StableChecks;
    setup.ExtensionFilter = ExtensionFilter;
    setup.StartNs = RealtimeNs();

    setup.RetryIntervalMs = std::max(0, UnwatchedRetryIntervalMs);
    auto watch = std::make_unique<FolderWatch>();
    const QString error = watch->Open(Directory, WatchSubtree, setup.StartErrors);
    if (!error.isEmpty()) {
        m_lastError = error;
        return false;
    }
    // Stop writes to this descriptor to wake the worker out of its wait.
    const int wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd < 0) {
        m_lastError = SystemErrorText(errno);
        return false;
    }
    if (RescanIntervalMs < 0)
        setup.RescanIntervalMs = IsNetworkFileSystem(Directory) ? NetworkRescanIntervalMs : 0;
    else
        setup.RescanIntervalMs = RescanIntervalMs;

    auto worker = std::make_unique<TWaitThread>(*this, std::move(watch), wakeFd, setup);
    try {
        worker->Run();
    } catch (const std::system_error& failure) {
        m_lastError = SystemErrorText(failure.code().value());
        return false; // the worker's destructor closes the descriptors
    }
    m_worker = std::move(worker);
    m_activeRescanMs = setup.RescanIntervalMs;
    m_lastError.clear();
    m_checkTimer.start();
    if (!m_dispatchTimer.isActive())
        m_dispatchTimer.start();
    return true;
}

void DirectoryMonitor::Stop() {
    if (!m_worker)
        return;
    m_checkTimer.stop();
    m_worker.reset(); // wakes and joins the thread, frees the waiting files
    m_dispatchTimer.stop();
    m_activeRescanMs = 0;
}

void DirectoryMonitor::OnCheckTimer() {
    if (!m_worker)
        return;
    std::vector<QString> errors;
    const bool anyReady = m_worker->CheckWaiting(errors);
    QPointer<DirectoryMonitor> alive(this);
    for (const QString& error : errors) {
        ReportError(error);
        if (!alive)
            return;
    }
    if (anyReady)
        DispatchPromptly();
}

void DirectoryMonitor::AppendReady(const QString& path) {
    std::lock_guard lock(HotDirLocks::Ready());
    m_readyList.append(path);
}

void DirectoryMonitor::DispatchPromptly() {
    if (!m_dispatchTimer.isActive())
        return;
    const auto now = std::chrono::steady_clock::now();
    if (m_lastHandOver && now - *m_lastHandOver < std::chrono::milliseconds(DispatchIntervalMs))
        return;              // the next tick comes soon enough and keeps the pace
    m_dispatchTimer.start(); // the next tick is a full interval from this hand-over
    DispatchReady();
}

void DirectoryMonitor::DispatchReady() {
    if (DispatchDepth >= MaxDispatchDepth)
        return;
    qsizetype count;
    {
        std::lock_guard lock(HotDirLocks::Ready());
        count = std::min<qsizetype>(m_readyList.size(), MaxFilesPerTick);
    }
    if (count == 0)
        return;
    m_lastHandOver = std::chrono::steady_clock::now();
    QPointer<DirectoryMonitor> alive(this);
    for (qsizetype i = 0; i < count; ++i) {
        QString path;
        {
            std::lock_guard lock(HotDirLocks::Ready());
            if (m_readyList.isEmpty())
                return;
            path = m_readyList.takeFirst();
        }
        std::lock_guard lock(HotDirLocks::Dispatch());
        ++DispatchDepth;
        if (OnFileReady) {
            const FileReadyHandler handler = OnFileReady; // survives reassignment inside
            handler(path, UserData);
        }
        --DispatchDepth;
        if (!alive)
            return;
    }
}

void DirectoryMonitor::ReportError(const QString& text) {
    m_lastError = text;
    if (OnError) {
        const ErrorHandler handler = OnError;
        handler(text);
    }
}
