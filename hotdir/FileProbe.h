#pragma once

#include <QString>

#include <set>
#include <sys/types.h>
#include <utility>

struct stat;

/// Identity and change state of one file, taken from one stat() call. Two equal signatures
/// mean the file was not written, truncated or replaced in between (times are nanoseconds).
struct FileSignature {
    dev_t device = 0;
    ino_t inode = 0;
    qint64 sizeBytes = 0;
    qint64 modifiedNs = 0;
    qint64 changedNs = 0;

    static FileSignature Of(const struct stat& st);
    /// Later of the modification and status-change times, in nanoseconds since the epoch.
    qint64 NewestChangeNs() const { return modifiedNs > changedNs ? modifiedNs : changedNs; }
    friend bool operator==(const FileSignature&, const FileSignature&) = default;
};

/// The system's own text for an errno value (thread-safe).
QString SystemErrorText(int errorCode);

/// Size in bytes of the file the path names (links followed), 0 when there is none.
/// Safe on any thread; never throws.
qint64 FileSizeOf(const QString& path);

/// Files that some process holds open for writing, found through the descriptors listed under
/// /proc/<pid>/fd: a descriptor's link carries the owner-write bit exactly when it was opened
/// for writing. Only processes whose descriptor folder this process may read are seen (all of
/// them for root, otherwise the user's own dumpable processes). The table is filled on first
/// use and then kept, so one table serves a whole pass over many files. Not thread-safe: use
/// one table per thread.
class OpenWriterTable {
public:
    /// True when a visible process holds the file (device, inode) open for writing.
    bool HasWriter(dev_t device, ino_t inode);
    /// Same for a path; false when the path cannot be examined.
    bool HasWriter(const QString& path);

private:
    void Scan();

    bool m_scanned = false;
    std::set<std::pair<dev_t, ino_t>> m_writers;
};

/// Whether nobody holds the regular file open for writing, so that it can be taken as complete.
/// Asks for a read lease, which the kernel refuses exactly while any process has the file open
/// for writing; where a lease may not be asked for (a file of another user without the lease
/// capability, or a file system without leases), falls back to the /proc descriptor table.
/// Every failure (missing file, not a regular file, no read permission) counts as false.
/// Safe on any thread; `writers` is only filled when the fallback is needed.
/// Cost: the lease is one open, three fcntl calls and a close (about 20 us); the fallback reads
/// two stats per descriptor of every visible process once per table (a few ms on a desktop).
bool IsFileFree(const QString& path, OpenWriterTable& writers);
bool IsFileFree(const QString& path);

/// Whether the folder lies on a network (or user-space) file system, where writes made by other
/// machines or behind the file-system daemon raise no change notifications here.
bool IsNetworkFileSystem(const QString& path);

/// Wall-clock time in nanoseconds since the epoch, comparable with file times.
qint64 RealtimeNs();
