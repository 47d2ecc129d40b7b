#include "app/core/SingleInstance.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

SingleInstanceLock::SingleInstanceLock(const QString& name, const QString& folder) {
    QString dir = folder;
    if (dir.isEmpty())
        dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty()) {
        dir = QDir::tempPath() + QStringLiteral("/reelvane-%1").arg(::getuid());
        QDir().mkpath(dir);
        QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    QString fileName = name;
    fileName.replace(QLatin1Char('/'), QLatin1Char('_'));
    m_path = dir + QLatin1Char('/') + fileName + QStringLiteral(".lock");

    m_fd = ::open(QFile::encodeName(m_path).constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW,
                  0600);
    if (m_fd < 0) {
        m_error = QStringLiteral("Cannot open %1: %2")
                      .arg(m_path, QString::fromLocal8Bit(std::strerror(errno)));
        qWarning().noquote() << m_error;
        return;
    }
    int rc;
    do {
        rc = ::flock(m_fd, LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    if (rc == 0) {
        m_state = Acquired;
        return;
    }
    if (errno == EWOULDBLOCK) {
        m_state = AlreadyRunning;
    } else {
        m_error = QStringLiteral("Cannot lock %1: %2")
                      .arg(m_path, QString::fromLocal8Bit(std::strerror(errno)));
        qWarning().noquote() << m_error;
    }
    ::close(m_fd);
    m_fd = -1;
}

SingleInstanceLock::~SingleInstanceLock() {
    if (m_fd >= 0)
        ::close(m_fd); // releases the lock
}
