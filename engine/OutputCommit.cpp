#include "engine/OutputCommit.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace engine {

CommitCalls SystemCommitCalls() {
    CommitCalls c;
    c.openForSync = [](const char* path) { return ::open(path, O_RDONLY | O_CLOEXEC); };
    c.fsync = ::fsync;
    c.close = ::close;
    c.rename = ::rename;
    return c;
}

CommitCalls& CommitOutputCalls() {
    static CommitCalls calls = SystemCommitCalls();
    return calls;
}

namespace {

bool Sync(const CommitCalls& calls, const QByteArray& path, int* failure) {
    const int fd = calls.openForSync(path.constData());
    if (fd < 0) {
        *failure = errno;
        return false;
    }
    const bool ok = calls.fsync(fd) == 0;
    *failure = ok ? 0 : errno;
    calls.close(fd);
    return ok;
}

} // namespace

bool CommitOutputFile(const QString& temporary, const QString& output, QString* error) {
    const CommitCalls& calls = CommitOutputCalls();
    const QByteArray from = QFile::encodeName(temporary);
    const QByteArray to = QFile::encodeName(output);
    int failure = 0;
    if (!Sync(calls, from, &failure)) {
        if (error)
            *error = QStringLiteral("the output could not be written to the disk (%1)")
                         .arg(QString::fromLocal8Bit(std::strerror(failure)));
        return false;
    }
    if (calls.rename(from.constData(), to.constData()) != 0) {
        failure = errno;
        if (error)
            *error = QStringLiteral("the output could not be given its name (%1)")
                         .arg(QString::fromLocal8Bit(std::strerror(failure)));
        return false;
    }
    // The new name itself lives in the folder. A folder that cannot be flushed (some network
    // file systems) leaves a complete file under its new name: no reason to fail the run.
    Sync(calls, QFile::encodeName(QFileInfo(output).absolutePath()), &failure);
    return true;
}

} // namespace engine
