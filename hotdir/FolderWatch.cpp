#include "hotdir/FolderWatch.h"

#include "hotdir/FileProbe.h"
#include "util/myutility.h"

#include <QFile>

#include <atomic>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Created, written, closed after writing, moved in; moves out only matter for folders.
constexpr uint32_t FolderMask =
    IN_CREATE | IN_MODIFY | IN_CLOSE_WRITE | IN_MOVED_TO | IN_MOVED_FROM | IN_EXCL_UNLINK;

std::atomic<FolderWatch::AddWatchCall> g_addWatch{nullptr};

int CallAddWatch(int fd, const char* path, uint32_t mask) {
    if (const FolderWatch::AddWatchCall call = g_addWatch.load())
        return call(fd, path, mask);
    return ::inotify_add_watch(fd, path, mask);
}

struct DirCloser {
    DIR* dir;
    ~DirCloser() {
        if (dir)
            ::closedir(dir);
    }
};

/// Lists the entries of one folder, split into sub-folders (symbolic links are not followed)
/// and everything else.
void ListFolder(const QString& path, std::vector<QString>& folders, std::vector<QString>& files) {
    DirCloser dir{::opendir(QFile::encodeName(path).constData())};
    if (!dir.dir)
        return;
    while (const dirent* entry = ::readdir(dir.dir)) {
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
            continue;
        bool isFolder = entry->d_type == DT_DIR;
        if (entry->d_type == DT_UNKNOWN) {
            struct stat st {};
            isFolder = ::fstatat(::dirfd(dir.dir), name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
                       S_ISDIR(st.st_mode);
        }
        (isFolder ? folders : files).push_back(QFile::decodeName(name));
    }
}

} // namespace

void FolderWatch::SetAddWatchCall(AddWatchCall call) {
    g_addWatch.store(call);
}

FolderWatch::~FolderWatch() {
    Close();
}

void FolderWatch::Close() {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_rootWd = -1;
    m_relByWd.clear();
    m_wdByRel.clear();
    m_pendingMoves.clear();
    m_unwatched.clear();
}

QString FolderWatch::WatchErrorText(const QString& relDir, int error) const {
    QString folder = m_root + relDir;
    if (folder.size() > 1 && folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    return QStringLiteral("Cannot watch %1: %2").arg(folder, SystemErrorText(error));
}

QString FolderWatch::Open(const QString& root, bool subtree, std::vector<QString>& errors) {
    Close();
    m_root = IncludeBackslash(root);
    m_subtree = subtree;
    m_fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_fd < 0)
        return SystemErrorText(errno);
    m_rootWd = CallAddWatch(m_fd, QFile::encodeName(root).constData(),
                            FolderMask | IN_MOVE_SELF | IN_ONLYDIR);
    if (m_rootWd < 0) {
        const int error = errno;
        Close();
        if (error == ENOTDIR)
            return QStringLiteral("Please input split directory firstly");
        return SystemErrorText(error);
    }
    m_relByWd.insert(m_rootWd, QString());
    m_wdByRel.insert(QString(), m_rootWd);
    if (subtree) {
        // A folder that cannot be watched leaves the rest watched; it is tried again later.
        std::vector<QString> folders;
        std::vector<QString> files;
        ListFolder(m_root, folders, files);
        for (const QString& folder : folders)
            WatchTree(folder + QLatin1Char('/'), nullptr, errors);
    }
    return QString();
}

int FolderWatch::AddWatch(const QString& relDir, bool* isNew) {
    const int wd = CallAddWatch(m_fd, QFile::encodeName(m_root + relDir).constData(),
                                FolderMask | IN_ONLYDIR | IN_DONT_FOLLOW);
    if (wd < 0)
        return errno;
    // The kernel hands back the same descriptor for a folder it already watches, for instance
    // one renamed while change records were lost: keep only its current name.
    const auto known = m_relByWd.constFind(wd);
    *isNew = known == m_relByWd.constEnd();
    if (!*isNew && *known != relDir)
        m_wdByRel.remove(*known);
    m_relByWd.insert(wd, relDir);
    m_wdByRel.insert(relDir, wd);
    return 0;
}

bool FolderWatch::PlaceWatch(const QString& relDir, bool* isNew, std::vector<QString>& errors) {
    const int error = AddWatch(relDir, isNew);
    if (error == 0 || error == ENOENT || error == ENOTDIR) {
        // Watched, or vanished meanwhile, which is no error.
        m_unwatched.remove(relDir);
        return error == 0;
    }
    const auto known = m_unwatched.constFind(relDir);
    if (known == m_unwatched.constEnd() || *known != error)
        errors.push_back(WatchErrorText(relDir, error));
    m_unwatched.insert(relDir, error);
    return false;
}

void FolderWatch::WatchTree(const QString& relDir, std::vector<QString>* added,
                            std::vector<QString>& errors) {
    std::vector<QString> pending{relDir};
    while (!pending.empty()) {
        const QString rel = pending.back();
        pending.pop_back();
        bool isNew = false;
        if (!PlaceWatch(rel, &isNew, errors))
            continue;
        if (isNew && added)
            added->push_back(rel);
        std::vector<QString> folders;
        std::vector<QString> files;
        ListFolder(m_root + rel, folders, files);
        for (const QString& folder : folders)
            pending.push_back(rel + folder + QLatin1Char('/'));
    }
}

void FolderWatch::ForgetTree(const QString& relDir, bool removeWatches) {
    for (auto it = m_unwatched.begin(); it != m_unwatched.end();)
        it = it.key().startsWith(relDir) ? m_unwatched.erase(it) : std::next(it);
    for (auto it = m_wdByRel.begin(); it != m_wdByRel.end();) {
        if (!it.key().startsWith(relDir) || it.key().isEmpty()) {
            ++it;
            continue;
        }
        if (removeWatches)
            ::inotify_rm_watch(m_fd, it.value());
        m_relByWd.remove(it.value());
        it = m_wdByRel.erase(it);
    }
}

void FolderWatch::RenameTree(const QString& fromRel, const QString& toRel) {
    std::vector<std::pair<int, QString>> moved;
    for (auto it = m_wdByRel.begin(); it != m_wdByRel.end();) {
        if (!it.key().isEmpty() && it.key().startsWith(fromRel)) {
            moved.emplace_back(it.value(), toRel + it.key().mid(fromRel.size()));
            it = m_wdByRel.erase(it);
        } else {
            ++it;
        }
    }
    for (const auto& [wd, rel] : moved) {
        m_relByWd.insert(wd, rel);
        m_wdByRel.insert(rel, wd);
    }
    std::vector<std::pair<QString, int>> unwatched;
    for (auto it = m_unwatched.begin(); it != m_unwatched.end();) {
        if (it.key().startsWith(fromRel)) {
            unwatched.emplace_back(toRel + it.key().mid(fromRel.size()), it.value());
            it = m_unwatched.erase(it);
        } else {
            ++it;
        }
    }
    for (const auto& [rel, error] : unwatched)
        m_unwatched.insert(rel, error);
}

FolderWatch::ReadResult FolderWatch::Read(std::vector<Change>& out) {
    alignas(inotify_event) char buffer[ChangeBufferBytes];
    ssize_t bytes;
    do {
        bytes = ::read(m_fd, buffer, sizeof buffer);
    } while (bytes < 0 && errno == EINTR);
    if (bytes < 0)
        return errno == EAGAIN ? ReadResult::Empty : ReadResult::Failed;
    if (bytes == 0) {
        errno = EIO;
        return ReadResult::Failed;
    }
    ssize_t offset = 0;
    while (offset + ssize_t(sizeof(inotify_event)) <= bytes) {
        const auto* record = reinterpret_cast<const inotify_event*>(buffer + offset);
        const ssize_t next = offset + ssize_t(sizeof(inotify_event)) + record->len;
        if (next > bytes)
            break;
        const QString name =
            record->len
                ? QFile::decodeName(QByteArray(record->name, qstrnlen(record->name, record->len)))
                : QString();
        ParseRecord(record->wd, record->mask, record->cookie, name, out);
        offset = next;
    }
    return ReadResult::Records;
}

void FolderWatch::ParseRecord(int wd, uint32_t mask, uint32_t cookie, const QString& name,
                              std::vector<Change>& out) {
    if (mask & IN_Q_OVERFLOW) {
        out.push_back({Change::Kind::Overflow, {}, {}});
        return;
    }
    if (mask & IN_IGNORED) {
        // The folder is gone (or its watch was dropped by us).
        const auto it = m_relByWd.find(wd);
        if (it != m_relByWd.end()) {
            m_wdByRel.remove(*it);
            m_relByWd.erase(it);
        }
        if (wd == m_rootWd) {
            m_rootWd = -1;
            out.push_back({Change::Kind::RootLost, {}, {}});
        }
        return;
    }
    if ((mask & IN_MOVE_SELF) && wd == m_rootWd) {
        out.push_back({Change::Kind::RootLost, {}, {}});
        return;
    }
    const auto folder = m_relByWd.constFind(wd);
    if (folder == m_relByWd.constEnd() || name.isEmpty())
        return;
    const QString relPath = *folder + name;
    if (!(mask & IN_ISDIR)) {
        if (mask & (IN_CREATE | IN_MODIFY | IN_CLOSE_WRITE | IN_MOVED_TO))
            out.push_back({Change::Kind::File, relPath, {}});
        return;
    }
    if (!m_subtree)
        return;
    const QString relDir = relPath + QLatin1Char('/');
    if (mask & IN_MOVED_FROM) {
        m_pendingMoves.insert(cookie, relDir);
        return;
    }
    if (mask & IN_MOVED_TO) {
        const auto from = m_pendingMoves.find(cookie);
        if (from != m_pendingMoves.end()) {
            // Renamed inside the tree: same folders, same files, new names.
            RenameTree(*from, relDir);
            m_pendingMoves.erase(from);
            return;
        }
    }
    if (mask & (IN_CREATE | IN_MOVED_TO)) {
        std::vector<QString> added;
        std::vector<QString> errors;
        WatchTree(relDir, &added, errors);
        for (const QString& error : errors)
            out.push_back({Change::Kind::WatchError, relDir, error});
        // Only the top folder is reported: its scan covers those below it.
        if (!added.empty())
            out.push_back({Change::Kind::FolderArrived, relDir, {}});
    }
}

void FolderWatch::SettleMoves() {
    for (const QString& relDir : std::as_const(m_pendingMoves))
        ForgetTree(relDir, true);
    m_pendingMoves.clear();
}

void FolderWatch::Walk(
    const std::function<void(const QString& relDir, const QString& name, bool newFolder)>& onFile,
    std::vector<QString>& errors, const QString& fromRel) {
    struct Pending {
        QString rel;
        bool isNew;
    };
    std::vector<Pending> pending{{fromRel, false}};
    while (!pending.empty()) {
        const Pending current = pending.back();
        pending.pop_back();
        std::vector<QString> folders;
        std::vector<QString> files;
        ListFolder(m_root + current.rel, folders, files);
        for (const QString& name : files)
            onFile(current.rel, name, current.isNew);
        if (!m_subtree)
            continue;
        for (const QString& folder : folders) {
            const QString rel = current.rel + folder + QLatin1Char('/');
            bool isNew = false;
            if (PlaceWatch(rel, &isNew, errors))
                pending.push_back({rel, current.isNew || isNew});
        }
    }
}

std::vector<QString> FolderWatch::RetryUnwatched(std::vector<QString>& errors) {
    std::vector<QString> watched;
    const QStringList folders = m_unwatched.keys();
    for (const QString& rel : folders) {
        if (!m_unwatched.contains(rel)) // watched meanwhile, below a folder tried before it
            continue;
        std::vector<QString> added;
        WatchTree(rel, &added, errors);
        if (!added.empty())
            watched.push_back(rel);
    }
    return watched;
}
