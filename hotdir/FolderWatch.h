#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <vector>

/// The kernel's change notification (inotify) for one folder and, when asked, every folder
/// below it. Folders are named relative to the root: "" for the root itself, "sub/deeper/" for
/// others (always with a trailing "/"), so that root + folder + name is a full path.
///
/// A sub-folder that cannot be watched (no permission, the watch limit reached) does not stop the
/// rest: it is remembered as unwatched, reported once with the system's reason, and watched once
/// RetryUnwatched succeeds for it.
///
/// Opened by the monitor's owner in Start, then handed to the worker thread, which alone uses it
/// from then on. Not thread-safe.
class FolderWatch {
public:
    /// What one change record means for the monitor.
    struct Change {
        enum class Kind {
            File,          ///< a file was created, written, closed after writing or moved in
            FolderArrived, ///< a folder was created or moved in and is watched now: scan it
            Overflow,      ///< the kernel's queue overflowed: changes were lost
            RootLost,      ///< the watched folder itself was removed, moved or unmounted
            WatchError,    ///< a folder could not be watched (text says which and why)
        };
        Kind kind;
        QString relPath; ///< file: folder + name; folder: "a/b/"
        QString text;    ///< WatchError only
    };

    /// Bytes read from the kernel per call: room for more than a dozen records with long names.
    static constexpr int ChangeBufferBytes = 4097;

    FolderWatch() = default;
    ~FolderWatch();
    FolderWatch(const FolderWatch&) = delete;
    FolderWatch& operator=(const FolderWatch&) = delete;

    /// The call that places one watch (inotify_add_watch unless replaced), so that tests can make
    /// chosen folders fail as any user, root included. Must be safe on any thread.
    using AddWatchCall = int (*)(int fd, const char* path, uint32_t mask);
    /// Replaces the call for the whole process (nullptr: inotify_add_watch again). Only while no
    /// monitor runs.
    static void SetAddWatchCall(AddWatchCall call);

    /// Starts watching `root` (and all its folders when `subtree`). Returns the system's text of
    /// the failing call for the root, "Please input split directory firstly" when `root` is not a
    /// folder, or an empty text on success; on failure nothing stays open. Sub-folders that
    /// cannot be watched do not fail it: their texts go to `errors` (see WatchErrorText).
    QString Open(const QString& root, bool subtree, std::vector<QString>& errors);
    void Close();

    int Descriptor() const { return m_fd; }
    /// The root with a trailing "/".
    const QString& Root() const { return m_root; }
    bool Subtree() const { return m_subtree; }

    enum class ReadResult { Records, Empty, Failed };
    /// One non-blocking read of at most ChangeBufferBytes; appends what the records mean.
    /// Failed leaves errno set.
    ReadResult Read(std::vector<Change>& out);

    /// Call once the queue is drained: folders moved away without a matching arrival have left
    /// the tree, so their watches are dropped.
    void SettleMoves();

    /// Walks the watched tree from `fromRel` down (the root only without subtree). Folders not
    /// watched yet are watched now and reported with newFolder = true, as are the files below
    /// them. Files are every non-folder entry. Watch failures are appended to `errors`.
    void Walk(const std::function<void(const QString& relDir, const QString& name, bool newFolder)>&
                  onFile,
              std::vector<QString>& errors, const QString& fromRel = QString());

    /// Folders that exist but could not be watched, relative to the root ("a/b/").
    QStringList Unwatched() const { return m_unwatched.keys(); }
    bool HasUnwatched() const { return !m_unwatched.isEmpty(); }
    /// Tries each unwatched folder again and answers those watched now (with what lies below
    /// them): the caller walks them like folders that arrived. A folder that is gone is
    /// forgotten; one that fails otherwise than before is reported again in `errors`.
    std::vector<QString> RetryUnwatched(std::vector<QString>& errors);

    /// "Cannot watch <folder>: <the system's text>".
    QString WatchErrorText(const QString& relDir, int error) const;

private:
    /// Watches relDir and everything below it; newly watched folders go to `added`.
    void WatchTree(const QString& relDir, std::vector<QString>* added,
                   std::vector<QString>& errors);
    /// Adds one watch. Returns 0 or errno; `isNew` says whether the folder was not known before.
    int AddWatch(const QString& relDir, bool* isNew);
    /// AddWatch for a folder of the tree, keeping the unwatched set: a failure other than the
    /// folder being gone is remembered, and reported to `errors` unless it was already with the
    /// same cause. Returns whether the folder is watched.
    bool PlaceWatch(const QString& relDir, bool* isNew, std::vector<QString>& errors);
    void ForgetTree(const QString& relDir, bool removeWatches);
    void RenameTree(const QString& fromRel, const QString& toRel);
    void ParseRecord(int wd, uint32_t mask, uint32_t cookie, const QString& name,
                     std::vector<Change>& out);

    int m_fd = -1;
    int m_rootWd = -1;
    QString m_root;
    bool m_subtree = false;
    QHash<int, QString> m_relByWd;
    QHash<QString, int> m_wdByRel;
    QHash<uint32_t, QString> m_pendingMoves; ///< rename cookie -> folder that moved away
    QHash<QString, int> m_unwatched;         ///< folder -> errno of its last failed watch
};
