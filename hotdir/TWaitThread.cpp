#include "hotdir/TWaitThread.h"

#include "hotdir/DirectoryMonitor.h"
#include "util/Utility.h"

#include <QFile>

#include <cerrno>
#include <chrono>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace HotDirLocks {
std::recursive_mutex& Dispatch() {
    static std::recursive_mutex lock;
    return lock;
}
std::recursive_mutex& Waiting() {
    static std::recursive_mutex lock;
    return lock;
}
std::recursive_mutex& Ready() {
    static std::recursive_mutex lock;
    return lock;
}
} // namespace HotDirLocks

namespace {

/// File times come from a coarse kernel clock that may lag the wall clock a little; changes
/// this close before a quiet moment are still taken as possibly lost.
constexpr qint64 TimestampSlackNs = 1'000'000'000;
/// Ready marks are pruned once there are this many.
constexpr int ReadyMarkPruneThreshold = 1024;

qint64 SteadyMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

} // namespace

TWaitThread::TWaitThread(DirectoryMonitor& monitor, std::unique_ptr<FolderWatch> watch, int wakeFd,
                         Setup setup)
    : m_monitor(monitor)
    , m_setup(std::move(setup))
    , m_watch(std::move(watch))
    , m_wakeFd(wakeFd)
    , m_quietSinceNs(m_setup.StartNs)
    , m_lastScanStartNs(m_setup.StartNs) {
    m_pendingErrors = m_setup.StartErrors;
}

TWaitThread::~TWaitThread() {
    if (m_thread.joinable()) {
        const uint64_t one = 1;
        while (::write(m_wakeFd, &one, sizeof one) < 0 && errno == EINTR) {
        }
        m_thread.join();
    }
    ::close(m_wakeFd);
    std::lock_guard lock(HotDirLocks::Waiting());
    m_waitingByPath.clear();
    m_waiting.clear();
}

void TWaitThread::Run() {
    m_thread = std::thread([this] { Execute(); });
}

bool TWaitThread::Accepts(const QString& fullPath, const QString& extensionFilter) {
    if (extensionFilter.isEmpty())
        return true;
    const QString name = fullPath.mid(fullPath.lastIndexOf(QLatin1Char('/')) + 1);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return false;
    // Substring test: ".avi" also takes ".av" and ".a", and ".avi.mov" takes both.
    const QString extension = NormalizedLower(name.mid(dot));
    return !extension.isEmpty() && extensionFilter.contains(extension, Qt::CaseInsensitive);
}

void TWaitThread::Execute() {
    const bool periodic = m_setup.RescanIntervalMs > 0;
    if (periodic)
        Rescan(ScanKind::Snapshot);
    qint64 nextScanMs = SteadyMs() + m_setup.RescanIntervalMs;
    qint64 nextRetryMs = SteadyMs() + m_setup.RetryIntervalMs;
    bool deaf = false;
    std::vector<FolderWatch::Change> changes;
    for (;;) {
        while (!deaf) {
            const qint64 beforeNs = RealtimeNs();
            changes.clear();
            const FolderWatch::ReadResult result = m_watch->Read(changes);
            if (result == FolderWatch::ReadResult::Empty) {
                m_quietSinceNs = beforeNs;
                break;
            }
            if (result == FolderWatch::ReadResult::Failed) {
                // Nothing more can be learnt from this descriptor; say so and wait for Stop.
                PostError(SystemErrorText(errno));
                deaf = true;
                break;
            }
            for (const FolderWatch::Change& change : changes)
                Handle(change);
        }
        m_watch->SettleMoves();
        PruneReadyMarks();

        pollfd fds[2] = {{m_wakeFd, POLLIN, 0}, {deaf ? -1 : m_watch->Descriptor(), POLLIN, 0}};
        // Folders that could not be watched are tried again while there are any.
        const bool retrying = !deaf && m_setup.RetryIntervalMs > 0 && m_watch->HasUnwatched();
        qint64 wakeMs = -1;
        if (periodic)
            wakeMs = nextScanMs;
        if (retrying && (wakeMs < 0 || nextRetryMs < wakeMs))
            wakeMs = nextRetryMs;
        const int timeoutMs = wakeMs < 0 ? -1 : int(std::max<qint64>(0, wakeMs - SteadyMs()));
        const int ready = ::poll(fds, 2, timeoutMs);
        if (ready < 0 && errno != EINTR) {
            PostError(SystemErrorText(errno));
            return;
        }
        if (fds[0].revents)
            return; // Stop
        if (periodic && SteadyMs() >= nextScanMs) {
            Rescan(ScanKind::Periodic);
            nextScanMs = SteadyMs() + m_setup.RescanIntervalMs;
        }
        if (!retrying)
            nextRetryMs = SteadyMs() + m_setup.RetryIntervalMs;
        else if (SteadyMs() >= nextRetryMs) {
            RetryUnwatched();
            nextRetryMs = SteadyMs() + m_setup.RetryIntervalMs;
        }
    }
}

void TWaitThread::Handle(const FolderWatch::Change& change) {
    using Kind = FolderWatch::Change::Kind;
    switch (change.kind) {
    case Kind::File:
        HandleNotification(m_watch->Root() + change.relPath);
        break;
    case Kind::FolderArrived:
        // Files already inside a folder that was created or moved in raise no records of their
        // own (or raised them before the folder was watched).
        OfferFolder(change.relPath);
        break;
    case Kind::Overflow:
        Rescan(ScanKind::Overflow);
        break;
    case Kind::RootLost:
        PostError(
            QStringLiteral("The watched folder %1 was removed or moved away").arg(m_watch->Root()));
        break;
    case Kind::WatchError:
        PostError(change.text);
        break;
    }
}

void TWaitThread::OfferFolder(const QString& relDir) {
    std::vector<QString> errors;
    m_watch->Walk([&](const QString& folder, const QString& name,
                      bool) { HandleNotification(m_watch->Root() + folder + name); },
                  errors, relDir);
    for (const QString& error : errors)
        PostError(error);
}

void TWaitThread::RetryUnwatched() {
    std::vector<QString> errors;
    const std::vector<QString> watched = m_watch->RetryUnwatched(errors);
    for (const QString& error : errors)
        PostError(error);
    // Files written while the folder was not watched raised no records here.
    for (const QString& relDir : watched)
        OfferFolder(relDir);
}

void TWaitThread::HandleNotification(const QString& fullPath) {
    if (!Accepts(fullPath, m_setup.ExtensionFilter))
        return;
    std::lock_guard lock(HotDirLocks::Waiting());
    if (!m_waitingByPath.contains(fullPath))
        AddWaiting(fullPath);
}

void TWaitThread::Rescan(ScanKind kind) {
    const bool periodic = m_setup.RescanIntervalMs > 0;
    const qint64 scanStartNs = RealtimeNs();
    // Changes made after the last moment the queue was known to be empty may have been lost.
    const qint64 lostSinceNs = m_quietSinceNs - TimestampSlackNs;
    QHash<QString, FileSignature> snapshot;
    std::vector<QString> errors;
    m_watch->Walk(
        [&](const QString& relDir, const QString& name, bool newFolder) {
            const QString path = m_watch->Root() + relDir + name;
            if (!Accepts(path, m_setup.ExtensionFilter))
                return;
            struct stat st {};
            if (::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
                return;
            const FileSignature signature = FileSignature::Of(st);
            bool changed = newFolder;
            if (kind == ScanKind::Overflow && signature.NewestChangeNs() >= lostSinceNs)
                changed = true;
            if (periodic) {
                const auto previous = m_snapshot.constFind(path);
                if (kind != ScanKind::Snapshot &&
                    (previous == m_snapshot.constEnd() || *previous != signature))
                    changed = true;
                snapshot.insert(path, signature);
            }
            if (changed)
                AddCandidate(path, signature);
        },
        errors);
    if (periodic) {
        m_snapshot = std::move(snapshot);
        m_lastScanStartNs = scanStartNs;
    }
    for (const QString& error : errors)
        PostError(error);
}

void TWaitThread::AddCandidate(const QString& fullPath, const FileSignature& signature) {
    std::lock_guard lock(HotDirLocks::Waiting());
    if (m_waitingByPath.contains(fullPath))
        return;
    const auto mark = m_readyMarks.constFind(fullPath);
    if (mark != m_readyMarks.constEnd() && mark->signature == signature)
        return; // handed over (or about to be) and untouched since
    AddWaiting(fullPath);
}

void TWaitThread::PruneReadyMarks() {
    // A mark matters while a rescan could still take its unchanged file as changed: the
    // overflow rule looks at changes after the last quiet moment, the periodic rule at changes
    // since the previous scan.
    const bool periodic = m_setup.RescanIntervalMs > 0;
    const qint64 lostSinceNs = m_quietSinceNs - TimestampSlackNs;
    std::lock_guard lock(HotDirLocks::Waiting());
    if (m_readyMarks.size() < ReadyMarkPruneThreshold)
        return;
    for (auto it = m_readyMarks.begin(); it != m_readyMarks.end();) {
        const bool seenByScan = !periodic || it->recordedNs < m_lastScanStartNs;
        if (seenByScan && it->signature.NewestChangeNs() < lostSinceNs)
            it = m_readyMarks.erase(it);
        else
            ++it;
    }
}

void TWaitThread::PostError(const QString& text) {
    std::lock_guard lock(HotDirLocks::Waiting());
    m_pendingErrors.push_back(text);
}

void TWaitThread::AddWaiting(const QString& path) {
    auto waiter = std::make_unique<TfileWaiter>();
    waiter->FileName = path;
    waiter->LastSize = FileSizeOf(path);
    waiter->StableCount = 0;
    m_waitingByPath.insert(path, waiter.get());
    m_waiting.push_back(std::move(waiter));
    m_readyMarks.remove(path); // it changed again; a new mark comes when it is ready again
}

void TWaitThread::RemoveWaiting(const QString& path) {
    TfileWaiter* waiter = m_waitingByPath.take(path);
    if (!waiter)
        return;
    for (auto it = m_waiting.end(); it != m_waiting.begin();) {
        --it;
        if (it->get() == waiter) {
            m_waiting.erase(it);
            break;
        }
    }
}

bool TWaitThread::CheckWaiting(std::vector<QString>& errors) {
    std::lock_guard lock(HotDirLocks::Waiting());
    OpenWriterTable writers; // filled only if some file needs the /proc fallback
    bool anyReady = false;
    for (size_t i = m_waiting.size(); i-- > 0;) {
        TfileWaiter& waiter = *m_waiting[i];
        struct stat st {};
        if (::stat(QFile::encodeName(waiter.FileName).constData(), &st) != 0) {
            RemoveWaiting(QString(waiter.FileName));
            continue;
        }
        const qint64 sizeBytes = st.st_size;
        if (sizeBytes != 0 && sizeBytes == waiter.LastSize &&
            IsFileFree(waiter.FileName, writers)) {
            if (++waiter.StableCount >= m_setup.StableChecks) {
                const QString path = waiter.FileName;
                m_monitor.AppendReady(path);
                m_readyMarks.insert(path, {FileSignature::Of(st), RealtimeNs()});
                RemoveWaiting(path);
                anyReady = true;
            }
        } else {
            waiter.LastSize = sizeBytes;
            waiter.StableCount = 0;
        }
    }
    errors.swap(m_pendingErrors);
    m_pendingErrors.clear();
    return anyReady;
}
