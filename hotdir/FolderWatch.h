#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

/// The kernel's change notification (inotify) for one folder and, when asked, every folder
/// below it. Folders are named relative to the root: "" for the root itself, "sub/deeper/" for
/// others (always with a trailing "/"), so that root + folder + name is a full path.
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
            WatchError,    ///< a new folder could not be watched (text says why)
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

    /// Starts watching `root` (and all its folders when `subtree`). Returns the system's text of
    /// the failing call, "Please input split directory firstly" when `root` is not a folder, or
    /// an empty text on success. On failure nothing stays open.
    QString Open(const QString& root, bool subtree);
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

private:
    /// Watches relDir and everything below it; newly watched folders go to `added`.
    void WatchTree(const QString& relDir, std::vector<QString>* added,
                   std::vector<QString>& errors);
    /// Adds one watch. Returns 0 or errno; `isNew` says whether the folder was not known before.
    int AddWatch(const QString& relDir, bool* isNew);
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
};
