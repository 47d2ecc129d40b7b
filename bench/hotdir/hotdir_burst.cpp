// Copies a burst of files into a watched folder from several threads at once and checks that
// each is handed over exactly once, never before 2 s after its copy was closed.
//
//   hotdir_burst [FILES [KIB_PER_FILE [COPY_THREADS]]]     defaults: 1000 64 4
//
// Prints the hand-over delays and the cost of the lease check and of the /proc fallback.
// Exit status 0 when every file was handed over once and none early.
#include "hotdir/DirectoryMonitor.h"
#include "hotdir/FileProbe.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <thread>
#include <unistd.h>
#include <vector>

using Clock = std::chrono::steady_clock;

namespace {

double Ms(Clock::duration span) {
    return std::chrono::duration<double, std::milli>(span).count();
}

bool CopyFile(const QByteArray& from, const QByteArray& to) {
    const int in = ::open(from.constData(), O_RDONLY | O_CLOEXEC);
    const int out = ::open(to.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    bool ok = in >= 0 && out >= 0;
    char buffer[16384];
    ssize_t got;
    while (ok && (got = ::read(in, buffer, sizeof buffer)) > 0)
        ok = ::write(out, buffer, size_t(got)) == got;
    if (in >= 0)
        ::close(in);
    if (out >= 0)
        ::close(out);
    return ok;
}

void TimeFreeChecks(const QString& path) {
    constexpr int Rounds = 2000;
    auto start = Clock::now();
    for (int i = 0; i < Rounds; ++i)
        IsFileFree(path);
    std::printf("IsFileFree with a lease: %.1f us per call\n",
                Ms(Clock::now() - start) * 1000 / Rounds);
    start = Clock::now();
    for (int i = 0; i < 20; ++i)
        OpenWriterTable().HasWriter(path);
    std::printf("/proc descriptor table scan: %.2f ms per table\n", Ms(Clock::now() - start) / 20);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int fileCount = argc > 1 ? std::atoi(argv[1]) : 1000;
    const int kib = argc > 2 ? std::atoi(argv[2]) : 64;
    const int threads = argc > 3 ? std::atoi(argv[3]) : 4;

    QTemporaryDir source;
    QTemporaryDir watched;
    const QByteArray block(kib * 1024, 's');
    std::vector<QByteArray> from(fileCount);
    std::vector<QByteArray> to(fileCount);
    std::vector<QString> toPath(fileCount);
    for (int i = 0; i < fileCount; ++i) {
        const QString name = QString("burst%1.avi").arg(i, 4, 10, QLatin1Char('0'));
        QFile file(source.filePath(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(block) != block.size())
            return 2;
        from[i] = QFile::encodeName(source.filePath(name));
        toPath[i] = watched.filePath(name);
        to[i] = QFile::encodeName(toPath[i]);
    }

    DirectoryMonitor monitor;
    monitor.Directory = watched.path();
    monitor.ExtensionFilter = ".avi";
    QHash<QString, std::vector<Clock::time_point>> handed;
    int handOvers = 0;
    monitor.OnFileReady = [&](const QString& path, quintptr) {
        handed[path].push_back(Clock::now());
        ++handOvers;
    };
    if (!monitor.Start()) {
        std::fprintf(stderr, "Start: %s\n", qPrintable(monitor.LastError()));
        return 2;
    }

    std::vector<Clock::time_point> closedAt(fileCount);
    const auto copyStart = Clock::now();
    std::vector<std::thread> copiers;
    for (int t = 0; t < threads; ++t) {
        copiers.emplace_back([&, t] {
            for (int i = t; i < fileCount; i += threads) {
                if (!CopyFile(from[i], to[i]))
                    std::fprintf(stderr, "copy failed: %s\n", to[i].constData());
                closedAt[i] = Clock::now();
            }
        });
    }
    for (std::thread& copier : copiers)
        copier.join();
    const auto copyEnd = Clock::now();

    QTimer watchdog;
    watchdog.setInterval(100);
    QObject::connect(&watchdog, &QTimer::timeout, &app, [&] {
        // Stop once all arrived and a second passed without more, or after two minutes.
        static Clock::time_point quietSince = Clock::now();
        static int lastCount = -1;
        if (handOvers != lastCount) {
            lastCount = handOvers;
            quietSince = Clock::now();
        }
        const bool settled =
            handOvers >= fileCount && Clock::now() - quietSince > std::chrono::seconds(1);
        if (settled || Clock::now() - copyStart > std::chrono::minutes(2))
            app.quit();
    });
    watchdog.start();
    app.exec();
    monitor.Stop();

    int missing = 0;
    int duplicated = 0;
    int early = 0;
    std::vector<double> delays;
    Clock::time_point lastHandOver = copyEnd;
    for (int i = 0; i < fileCount; ++i) {
        const auto it = handed.constFind(toPath[i]);
        if (it == handed.constEnd()) {
            ++missing;
            continue;
        }
        duplicated += int(it->size()) - 1;
        const double delay = Ms(it->front() - closedAt[i]) / 1000;
        early += delay < 2.0;
        delays.push_back(delay);
        lastHandOver = std::max(lastHandOver, it->back());
    }
    std::sort(delays.begin(), delays.end());
    std::printf("%d files of %d KiB copied by %d threads in %.0f ms\n", fileCount, kib, threads,
                Ms(copyEnd - copyStart));
    std::printf("hand-overs %d, missing %d, duplicated %d, early %d\n", handOvers, missing,
                duplicated, early);
    if (!delays.empty())
        std::printf("delay after close: min %.2f s, median %.2f s, max %.2f s\n", delays.front(),
                    delays[delays.size() / 2], delays.back());
    std::printf("last hand-over %.2f s after the copy ended (%d per %d ms at most)\n",
                Ms(lastHandOver - copyEnd) / 1000, DirectoryMonitor::MaxFilesPerTick,
                DirectoryMonitor::DispatchIntervalMs);
    TimeFreeChecks(toPath[0]);
    return missing == 0 && duplicated == 0 && early == 0 ? 0 : 1;
}
