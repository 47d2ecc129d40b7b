#pragma once
// Helpers of the command-line tests: running reelvane-cli with a settings store of its own,
// with a terminal as its standard error (where it prints its progress), and under limits.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QString>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace clitest {

/// A pseudo-terminal whose other end becomes a child's standard error: the program shows its
/// progress line only on a terminal.
class ProgressTerminal {
public:
    ProgressTerminal() {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (master_ >= 0 && ::grantpt(master_) == 0 && ::unlockpt(master_) == 0)
            if (const char* name = ::ptsname(master_))
                slave_ = name;
    }
    ~ProgressTerminal() {
        if (master_ >= 0)
            ::close(master_);
    }
    bool IsOpen() const { return !slave_.isEmpty(); }

    /// Makes the child's standard error this terminal (run between fork and exec).
    void Attach(QProcess& process) const {
        const QByteArray slave = slave_;
        process.setChildProcessModifier([slave] {
            const int fd = ::open(slave.constData(), O_RDWR | O_NOCTTY);
            if (fd >= 0) {
                ::dup2(fd, STDERR_FILENO);
                ::close(fd);
            }
        });
    }

    /// What the child wrote so far (all of it, accumulated).
    QByteArray Read() {
        char buffer[4096];
        for (ssize_t n; (n = ::read(master_, buffer, sizeof buffer)) > 0;)
            seen_.append(buffer, n);
        return seen_;
    }

    /// The highest percent of the "\rN%" progress line so far, -1 before the first.
    int LatestPercent() {
        int best = -1;
        auto it = QRegularExpression("\\r(\\d+)%").globalMatch(QString::fromLatin1(Read()));
        while (it.hasNext())
            best = std::max(best, it.next().captured(1).toInt());
        return best;
    }

private:
    int master_ = -1;
    QByteArray slave_;
    QByteArray seen_;
};

/// A settings store as the program writes one, so that tests can check it is left untouched.
inline QByteArray SampleSettingsStore() {
    return "; Reelvane per-user settings store. One line per key or value.\n"
           "[Software\\Quenza\\Reelvane\\Setting]\n"
           "\"PageIndex\"=dword:00000000\n"
           "\"MPEGCompression\"=sz:\"MPEG1\"\n";
}

/// Where reelvane-cli keeps its settings under a given configuration folder.
inline QString SettingsStoreIn(const QString& configHome) {
    return QDir(configHome).filePath("Quenza/Reelvane.registry");
}

inline bool WriteFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

inline QByteArray ReadFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace clitest
