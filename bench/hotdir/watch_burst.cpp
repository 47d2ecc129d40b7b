// Moves a burst of tiny clips at once into a folder that `reelvane-cli watch` watches and
// times the run until every job is decided; then converts the same clips with ffmpeg, one
// process after another, for comparison.
//
//   watch_burst [FILES [FORMAT]]     defaults: 200 flv (FORMAT: flv or mp3)
//
// Prints the figures side by side. Exit status 0 when every file gave exactly one output, one
// "Start:" and one "Finish:" line, and no job failed.
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <csignal>
#include <cstdio>

namespace {

bool RunFfmpeg(const QStringList& args) {
    QProcess p;
    p.start("ffmpeg", QStringList{"-v", "error", "-y"} + args);
    return p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int files = argc > 1 ? std::atoi(argv[1]) : 200;
    const QString format = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("flv");
    if (files <= 0 || (format != "flv" && format != "mp3")) {
        std::fprintf(stderr, "usage: watch_burst [FILES [flv|mp3]]\n");
        return 64;
    }
    QTemporaryDir dir;
    const QDir root(dir.path());
    for (const char* folder : {"in", "stage", "config", "ffmpeg"})
        root.mkpath(QString::fromLatin1(folder));
    const QString clip = root.filePath("clip.avi");
    if (!RunFfmpeg({"-f", "lavfi", "-i", "testsrc=size=64x48:rate=25", "-f", "lavfi", "-i",
                    "sine=frequency=440:sample_rate=48000", "-t", "0.2", "-c:v", "mjpeg", "-c:a",
                    "pcm_s16le", "-ac", "2", clip})) {
        std::fprintf(stderr, "cannot make the clip with ffmpeg\n");
        return 1;
    }
    for (int i = 0; i < files; ++i)
        QFile::copy(clip, root.filePath(QStringLiteral("stage/c%1.avi").arg(i)));

    QProcess watch;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", root.filePath("config"));
    watch.setProcessEnvironment(env);
    watch.start(REELVANE_CLI, {"watch", "--input", root.filePath("in"), "--output",
                               root.filePath("out"), "--log", root.filePath("log"), "--format",
                               format, "--preset", format == "flv" ? "3" : "1"});
    if (!watch.waitForStarted()) {
        std::fprintf(stderr, "cannot start %s\n", REELVANE_CLI);
        return 1;
    }
    watch.setReadChannel(QProcess::StandardError);
    QByteArray err;
    while (!err.contains("watching") && watch.waitForReadyRead(10000))
        err += watch.readAllStandardError();
    watch.setReadChannel(QProcess::StandardOutput);

    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < files; ++i) {
        const QString name = QStringLiteral("c%1.avi").arg(i);
        QFile::rename(root.filePath("stage/" + name), root.filePath("in/" + name));
    }
    QByteArray out;
    int started = 0, finished = 0, failed = 0;
    qint64 firstStartMs = -1;
    while (finished + failed < files && clock.elapsed() < 900000) {
        watch.waitForReadyRead(200);
        out += watch.readAllStandardOutput();
        started = int(out.count("Start: ["));
        finished = int(out.count("Finish: ["));
        failed = int(out.count("[Error message]: "));
        if (firstStartMs < 0 && started > 0)
            firstStartMs = clock.elapsed();
    }
    const double oursSec = clock.elapsed() / 1000.0;
    ::kill(pid_t(watch.processId()), SIGTERM);
    watch.waitForFinished(60000);
    out += watch.readAllStandardOutput();
    const int outputs =
        int(QDir(root.filePath("out")).entryList({"*." + format}, QDir::Files).size());

    // ffmpeg on the same clips, one process after another.
    const QStringList codecs = format == "flv" ? QStringList{"-c:v", "flv", "-c:a", "libmp3lame"}
                                               : QStringList{"-vn", "-c:a", "libmp3lame"};
    QElapsedTimer ffmpegClock;
    ffmpegClock.start();
    int ffmpegOk = 0;
    for (int i = 0; i < files; ++i) {
        const QString in = root.filePath(QStringLiteral("in/c%1.avi").arg(i));
        const QString target = root.filePath(QStringLiteral("ffmpeg/c%1.%2").arg(i).arg(format));
        ffmpegOk += RunFfmpeg(QStringList{"-i", in} + codecs + QStringList{target}) ? 1 : 0;
    }
    const double ffmpegSec = ffmpegClock.elapsed() / 1000.0;

    std::printf("%d clips of 0.2 s at 64x48 moved in at once, to %s\n", files, qPrintable(format));
    std::printf("%-28s %10s %10s\n", "", "watch", "ffmpeg");
    std::printf("%-28s %10.1f %10.1f\n", "seconds for all", oursSec, ffmpegSec);
    std::printf("%-28s %10.3f %10.3f\n", "seconds per file", oursSec / files, ffmpegSec / files);
    std::printf("%-28s %10d %10d\n", "outputs", outputs, ffmpegOk);
    std::printf("%-28s %10d\n", "Start: lines", started);
    std::printf("%-28s %10d\n", "Finish: lines", finished);
    std::printf("%-28s %10d\n", "[Error message]: lines", failed);
    std::printf("%-28s %10.1f\n", "first job after (s)", firstStartMs / 1000.0);
    if (failed > 0) {
        std::printf("errors:\n");
        for (const QByteArray& line : out.split('\n'))
            if (line.startsWith("[Error message]: "))
                std::printf("  %s\n", line.constData());
    }
    const bool ok = outputs == files && started == files && finished == files && failed == 0;
    std::printf("%s\n", ok ? "every file converted once" : "NOT every file converted once");
    return ok ? 0 : 1;
}
