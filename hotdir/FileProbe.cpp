#include "hotdir/FileProbe.h"

#include <QFile>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

namespace {

qint64 ToNs(const struct timespec& ts) {
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

/// Closes a descriptor or directory stream when leaving scope.
struct FdCloser {
    int fd;
    ~FdCloser() {
        if (fd >= 0)
            ::close(fd);
    }
};
struct DirCloser {
    DIR* dir;
    ~DirCloser() {
        if (dir)
            ::closedir(dir);
    }
};

bool IsNumber(const char* name) {
    if (!*name)
        return false;
    for (; *name; ++name) {
        if (*name < '0' || *name > '9')
            return false;
    }
    return true;
}

} // namespace

QString SystemErrorText(int errorCode) {
    char buffer[256] = {};
    return QString::fromLocal8Bit(::strerror_r(errorCode, buffer, sizeof buffer));
}

FileSignature FileSignature::Of(const struct stat& st) {
    FileSignature sig;
    sig.device = st.st_dev;
    sig.inode = st.st_ino;
    sig.sizeBytes = st.st_size;
    sig.modifiedNs = ToNs(st.st_mtim);
    sig.changedNs = ToNs(st.st_ctim);
    return sig;
}

qint64 FileSizeOf(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return 0;
    return st.st_size;
}

void OpenWriterTable::Scan() {
    m_scanned = true;
    DirCloser proc{::opendir("/proc")};
    if (!proc.dir)
        return;
    while (const dirent* pidEntry = ::readdir(proc.dir)) {
        if (!IsNumber(pidEntry->d_name))
            continue;
        const QByteArray fdFolder = QByteArray("/proc/") + pidEntry->d_name + "/fd";
        // Processes of other users (or non-dumpable ones) refuse this; they stay unseen.
        DirCloser fds{::opendir(fdFolder.constData())};
        if (!fds.dir)
            continue;
        const int folderFd = ::dirfd(fds.dir);
        while (const dirent* fdEntry = ::readdir(fds.dir)) {
            if (!IsNumber(fdEntry->d_name))
                continue;
            struct stat link {};
            if (::fstatat(folderFd, fdEntry->d_name, &link, AT_SYMLINK_NOFOLLOW) != 0)
                continue;
            if (!(link.st_mode & S_IWUSR))
                continue;
            struct stat target {};
            if (::fstatat(folderFd, fdEntry->d_name, &target, 0) != 0)
                continue;
            if (S_ISREG(target.st_mode))
                m_writers.emplace(target.st_dev, target.st_ino);
        }
    }
}

bool OpenWriterTable::HasWriter(dev_t device, ino_t inode) {
    if (!m_scanned)
        Scan();
    return m_writers.count({device, inode}) != 0;
}

bool OpenWriterTable::HasWriter(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return false;
    return HasWriter(st.st_dev, st.st_ino);
}

bool IsFileFree(const QString& path, OpenWriterTable& writers) {
    // Non-blocking so that a FIFO put in place of the file cannot stall the check.
    FdCloser file{
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC)};
    if (file.fd < 0)
        return false;
    struct stat st {};
    if (::fstat(file.fd, &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    // A writer that opens the file while the lease is held makes the kernel signal the holder.
    // SIGURG is ignored unless someone handles it, unlike the default SIGIO, which would end
    // the process.
    ::fcntl(file.fd, F_SETSIG, SIGURG);
    if (::fcntl(file.fd, F_SETLEASE, F_RDLCK) == 0) {
        ::fcntl(file.fd, F_SETLEASE, F_UNLCK);
        return true;
    }
    if (errno == EAGAIN || errno == EBUSY)
        return false; // somebody has it open for writing
    // EACCES/EPERM: not our file and no lease capability; EINVAL: no leases on this file system.
    return !writers.HasWriter(st.st_dev, st.st_ino);
}

bool IsFileFree(const QString& path) {
    OpenWriterTable writers;
    return IsFileFree(path, writers);
}

bool IsNetworkFileSystem(const QString& path) {
    struct statfs info {};
    if (::statfs(QFile::encodeName(path).constData(), &info) != 0)
        return false;
    switch (static_cast<unsigned long>(info.f_type)) {
    case 0x6969:     // NFS
    case 0x517B:     // SMB
    case 0xFE534D42: // SMB2
    case 0xFF534D42: // CIFS
    case 0x73757245: // Coda
    case 0x564C:     // NCP
    case 0x5346414F: // AFS
    case 0x6B414653: // kAFS
    case 0x01021997: // 9P
    case 0x00C36400: // Ceph
    case 0x65735546: // FUSE (sshfs, gvfs, ...)
    case 0x01161970: // GFS2
    case 0x7461636F: // OCFS2
    case 0x0BD00BD0: // Lustre
    case 0x47504653: // GPFS
    case 0x13661366: // OrangeFS
        return true;
    default:
        return false;
    }
}

qint64 RealtimeNs() {
    struct timespec now {};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return ToNs(now);
}
