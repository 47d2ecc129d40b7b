// Helper process for the folder-watcher tests: writers in a process of their own, and probes
// run under another user or with a lowered inotify limit.
//
//   append PATH STEP_MS COUNT QUIET_MS  append 4 KiB COUNT times, STEP_MS apart, stay open
//                                        QUIET_MS more, print "close <monotonic ns>" and close
//   hold PATH MS                         open PATH for writing, print "open", wait MS, close
//   free PATH                            exit 0 when IsFileFree(PATH), 1 otherwise
//   start DIR SUBTREE                    Start a monitor on DIR, print LastError(); exit 0 when
//                                        it started, 1 when it failed
//   watch DIR SUBTREE MS                 Start a monitor on DIR for ".avi" files and run it for
//                                        MS, printing "error <text>" for each error it reports
//                                        and "ready <path>" for each file it hands over; exit 1
//                                        (after printing LastError()) when it did not start
#include "hotdir/DirectoryMonitor.h"
#include "hotdir/FileProbe.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <time.h>
#include <unistd.h>

namespace {

long long MonotonicNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000000000LL + now.tv_nsec;
}

void SleepMs(int ms) {
    timespec span{ms / 1000, (ms % 1000) * 1000000L};
    while (nanosleep(&span, &span) != 0) {
    }
}

int Append(const char* path, int stepMs, int count, int quietMs) {
    const int fd = open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
    if (fd < 0)
        return 2;
    std::printf("open\n");
    std::fflush(stdout);
    char block[4096];
    std::memset(block, 'x', sizeof block);
    for (int i = 0; i < count; ++i) {
        if (write(fd, block, sizeof block) != ssize_t(sizeof block))
            return 2;
        if (i + 1 < count)
            SleepMs(stepMs);
    }
    SleepMs(quietMs);
    std::printf("close %lld\n", MonotonicNs());
    std::fflush(stdout);
    close(fd);
    return 0;
}

int Hold(const char* path, int ms) {
    const int fd = open(path, O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0)
        return 2;
    std::printf("open\n");
    std::fflush(stdout);
    SleepMs(ms);
    close(fd);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 6 && !std::strcmp(argv[1], "append"))
        return Append(argv[2], std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]));
    if (argc >= 4 && !std::strcmp(argv[1], "hold"))
        return Hold(argv[2], std::atoi(argv[3]));
    if (argc >= 3 && !std::strcmp(argv[1], "free"))
        return IsFileFree(QString::fromLocal8Bit(argv[2])) ? 0 : 1;
    if (argc >= 4 && !std::strcmp(argv[1], "start")) {
        QCoreApplication app(argc, argv);
        DirectoryMonitor monitor;
        monitor.Directory = QString::fromLocal8Bit(argv[2]);
        monitor.WatchSubtree = std::atoi(argv[3]) != 0;
        const bool started = monitor.Start();
        std::printf("%s\n", monitor.LastError().toLocal8Bit().constData());
        return started ? 0 : 1;
    }
    if (argc >= 5 && !std::strcmp(argv[1], "watch")) {
        QCoreApplication app(argc, argv);
        DirectoryMonitor monitor;
        monitor.Directory = QString::fromLocal8Bit(argv[2]);
        monitor.WatchSubtree = std::atoi(argv[3]) != 0;
        monitor.ExtensionFilter = QStringLiteral(".avi");
        monitor.OnError = [](const QString& text) {
            std::printf("error %s\n", text.toLocal8Bit().constData());
            std::fflush(stdout);
        };
        monitor.OnFileReady = [](const QString& path, quintptr) {
            std::printf("ready %s\n", path.toLocal8Bit().constData());
            std::fflush(stdout);
        };
        if (!monitor.Start()) {
            std::printf("%s\n", monitor.LastError().toLocal8Bit().constData());
            return 1;
        }
        std::printf("started\n");
        std::fflush(stdout);
        QTimer::singleShot(std::atoi(argv[4]), &app, &QCoreApplication::quit);
        return app.exec();
    }
    std::fprintf(stderr, "usage: see the comment at the top of hotdir_helper.cpp\n");
    return 64;
}
