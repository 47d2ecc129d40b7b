#include "HotDirTestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sched.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#ifndef HOTDIR_HELPER_PATH
#error "HOTDIR_HELPER_PATH must name the hotdir_helper program"
#endif

double SecondsBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

bool SpinUntil(const std::function<bool()>& done, int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (Clock::now() >= deadline)
            return false;
        QTest::qWait(5);
    }
    return true;
}

void SpinFor(int ms) {
    QTest::qWait(ms);
}

void WriteFile(const QString& path, int bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(path));
    file.write(QByteArray(bytes, 'v'));
}

void HandOverLog::Attach(DirectoryMonitor& monitor) {
    monitor.OnFileReady = [this](const QString& path, quintptr) {
        m_entries.push_back({path, Clock::now()});
    };
}

int HandOverLog::CountOf(const QString& path) const {
    return int(std::count_if(m_entries.begin(), m_entries.end(),
                             [&](const Entry& entry) { return entry.path == path; }));
}

std::optional<Clock::time_point> HandOverLog::FirstAt(const QString& path) const {
    for (const Entry& entry : m_entries) {
        if (entry.path == path)
            return entry.at;
    }
    return std::nullopt;
}

QStringList HandOverLog::Paths() const {
    QStringList paths;
    for (const Entry& entry : m_entries)
        paths << entry.path;
    return paths;
}

HelperProcess::~HelperProcess() {
    if (m_pid > 0 && !Finished()) {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
    }
    if (m_out >= 0)
        ::close(m_out);
}

namespace {

// The helper as another user can run it: copied once into a folder every user can reach (the
// build folder may lie in a private one). Empty when there is no such folder.
QByteArray HelperFor(const std::optional<uid_t>& user) {
    if (!user)
        return QByteArray(HOTDIR_HELPER_PATH);
    static const QByteArray copy = [] {
        const QString base = FolderOthersCanReach();
        if (base.isEmpty())
            return QByteArray();
        static SharedTemporaryDir folder; // lives as long as the test program
        const QString target = folder.filePath("hotdir_helper");
        if (!folder.isValid() || !QFile::copy(QStringLiteral(HOTDIR_HELPER_PATH), target) ||
            ::chmod(QFile::encodeName(target).constData(), 0755) != 0)
            return QByteArray();
        return QFile::encodeName(target);
    }();
    return copy;
}

bool OthersMayPass(const QString& folder) {
    struct stat st {};
    return ::stat(QFile::encodeName(folder).constData(), &st) == 0 && S_ISDIR(st.st_mode) &&
           (st.st_mode & S_IXOTH);
}

} // namespace

QString FolderOthersCanReach(QString* why) {
    for (const QString& base : {QDir::tempPath(), QStringLiteral("/tmp"),
                                QStringLiteral("/var/tmp"), QStringLiteral("/dev/shm")}) {
        bool reachable = true;
        for (QDir d(QFileInfo(base).canonicalFilePath()); reachable; d.cdUp()) {
            reachable = OthersMayPass(d.path());
            if (d.isRoot())
                break;
        }
        if (reachable && QFileInfo(base).isWritable())
            return QFileInfo(base).canonicalFilePath();
    }
    if (why)
        *why = QStringLiteral("no writable folder that other users can reach (tried the "
                              "temporary folder, /tmp, /var/tmp and /dev/shm)");
    return QString();
}

SharedTemporaryDir::SharedTemporaryDir() {
    const QString base = FolderOthersCanReach();
    if (base.isEmpty())
        return;
    QByteArray pattern = QFile::encodeName(base + "/reelvane-shared-XXXXXX");
    if (!::mkdtemp(pattern.data()))
        return;
    ::chmod(pattern.constData(), 0777);
    m_path = QFile::decodeName(pattern);
}

SharedTemporaryDir::~SharedTemporaryDir() {
    if (!m_path.isEmpty())
        QDir(m_path).removeRecursively();
}

QString SharedTemporaryDir::filePath(const QString& name) const {
    return m_path + "/" + name;
}

void HelperProcess::Start(const QStringList& args, const Options& options) {
    // Everything the child needs is prepared here: after fork only async-signal-safe calls.
    const QByteArray helper = HelperFor(options.user);
    if (helper.isEmpty()) {
        m_exitCode = 75; // no copy another user can run
        return;
    }
    std::vector<QByteArray> storage{helper};
    for (const QString& arg : args)
        storage.push_back(QFile::encodeName(arg));
    std::vector<char*> argv;
    for (QByteArray& arg : storage)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    const QByteArray limit = QByteArray::number(options.watchLimit);

    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        qFatal("pipe failed");
    pid_t pid;
    if (options.watchLimit > 0) {
        // A child in a user namespace of its own, whose inotify limits it may lower. A raw
        // clone keeps sanitizer runtimes out of the child, which must be single-threaded for
        // this; it therefore makes raw system calls only.
        pid = pid_t(
            ::syscall(SYS_clone, CLONE_NEWUSER | SIGCHLD, nullptr, nullptr, nullptr, nullptr));
        if (pid == 0) {
            ::syscall(SYS_dup3, pipeFds[1], STDOUT_FILENO, 0);
            const long fd =
                ::syscall(SYS_openat, AT_FDCWD, "/proc/sys/user/max_inotify_watches", O_WRONLY);
            if (fd < 0 || ::syscall(SYS_write, fd, limit.constData(), limit.size()) != limit.size())
                ::syscall(SYS_exit_group, 72);
            ::syscall(SYS_close, fd);
            ::syscall(SYS_execve, argv[0], argv.data(), environ);
            ::syscall(SYS_exit_group, 74);
        }
    } else {
        pid = ::fork();
        if (pid == 0) {
            ::dup2(pipeFds[1], STDOUT_FILENO);
            if (options.user) {
                if (::setgroups(0, nullptr) != 0 || ::setgid(*options.user) != 0 ||
                    ::setuid(*options.user) != 0)
                    ::_exit(73);
            }
            ::execv(argv[0], argv.data());
            ::_exit(74);
        }
    }
    ::close(pipeFds[1]);
    if (pid < 0) {
        ::close(pipeFds[0]);
        m_exitCode = 76; // not allowed here (a user namespace of its own, typically)
        return;
    }
    m_pid = pid;
    m_out = pipeFds[0];
    ::fcntl(m_out, F_SETFL, O_NONBLOCK);
}

void HelperProcess::Drain() {
    char buffer[512];
    ssize_t got;
    while ((got = ::read(m_out, buffer, sizeof buffer)) > 0)
        m_output.append(buffer, got);
}

bool HelperProcess::Finished() {
    if (m_pid <= 0)
        return true;
    if (m_exitCode >= 0)
        return true;
    int status = 0;
    if (::waitpid(m_pid, &status, WNOHANG) != m_pid)
        return false;
    m_exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return true;
}

int HelperProcess::Wait(int timeoutMs) {
    SpinUntil([this] { return Finished(); }, timeoutMs);
    return Finished() ? m_exitCode : -1;
}

bool HelperProcess::WaitForLine(const QByteArray& line, int timeoutMs) {
    return SpinUntil(
        [&] {
            Drain();
            return m_output.split('\n').contains(line);
        },
        timeoutMs);
}

QByteArray HelperProcess::Output() {
    Drain();
    return m_output;
}

std::optional<Clock::time_point> HelperProcess::CloseTime() {
    for (const QByteArray& line : Output().split('\n')) {
        if (line.startsWith("close "))
            return Clock::time_point(std::chrono::nanoseconds(line.mid(6).toLongLong()));
    }
    return std::nullopt;
}

uid_t NobodyUid() {
    const passwd* entry = ::getpwnam("nobody");
    return entry ? entry->pw_uid : 65534;
}
