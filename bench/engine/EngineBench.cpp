// Converts one 1280x720 30 fps MJPEG + PCM AVI (20 s) through the engine to each Standard-MPEG
// target, to WMV (the WMV page's custom settings) and to the MP3 page's output, and through
// ffmpeg with the same codecs, size and bit rates, and prints wall time, peak memory, achieved
// video bit rate (audio for MP3) and PSNR against the input for both.
//
//   engine_bench [work-dir] [runs] [only] the table (median of `runs` runs, default 3); `only`
//                                         keeps the rows whose name contains it ("WMV", "MP3")
//   engine_bench --convert IN OUT N=V...  one engine conversion (used as a child process);
//                                         FORMAT=WMV selects the WMV page's custom settings,
//                                         FORMAT=LAME the MP3 page's chain

#include "engine/KXVideoEdit.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>

#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

struct Target {
    const char* name;
    const char* extension;
    QStringList params;     ///< NAME=VALUE pairs for the engine
    QStringList ffmpegArgs; ///< codec and container arguments for ffmpeg
    int videoKbps;          ///< 0: an audio-only target
};

const int kKbps = 4000;

std::vector<Target> Targets() {
    const QString b = QString::number(kKbps);
    return {
        {"MPEG-1 PS",
         "mpg",
         {"OUTPUT_FORMAT=MPEG1", "VIDEO_FORMAT=MPEG1", "AUDIO_FORMAT=MP2", "VIDEO_BITRATE=" + b,
          "AUDIO_BITRATE=224"},
         {"-c:v", "mpeg1video", "-b:v", b + "k", "-c:a", "mp2", "-b:a", "224k", "-ar", "44100",
          "-f", "mpeg"},
         kKbps},
        {"MPEG-2 PS",
         "mpg",
         {"OUTPUT_FORMAT=MPEG2", "VIDEO_FORMAT=MPEG2", "AUDIO_FORMAT=MP2", "VIDEO_BITRATE=" + b,
          "AUDIO_BITRATE=224"},
         {"-c:v", "mpeg2video", "-b:v", b + "k", "-c:a", "mp2", "-b:a", "224k", "-ar", "44100",
          "-f", "vob"},
         kKbps},
        {"MP4 H.264/AAC",
         "mp4",
         {"OUTPUT_FORMAT=MPEG4", "VIDEO_FORMAT=MPEG4", "AUDIO_FORMAT=AAC", "VIDEO_BITRATE=" + b,
          "AUDIO_BITRATE=192"},
         {"-c:v", "libx264", "-preset", "faster", "-b:v", b + "k", "-c:a", "aac", "-b:a", "192k",
          "-ar", "44100"},
         kKbps},
        {"MOV H.264/AAC",
         "mov",
         {"OUTPUT_FORMAT=MOV", "VIDEO_FORMAT=MPEG4", "AUDIO_FORMAT=AAC", "VIDEO_BITRATE=" + b,
          "AUDIO_BITRATE=192"},
         {"-c:v", "libx264", "-preset", "faster", "-b:v", b + "k", "-c:a", "aac", "-b:a", "192k",
          "-ar", "44100"},
         kKbps},
        {"FLV FLV1/MP3",
         "flv",
         {"OUTPUT_FORMAT=FLV", "VIDEO_FORMAT=FLV", "AUDIO_FORMAT=MP3", "VIDEO_BITRATE=" + b,
          "AUDIO_BITRATE=192"},
         {"-c:v", "flv", "-b:v", b + "k", "-c:a", "libmp3lame", "-b:a", "192k", "-ar", "44100"},
         kKbps},
        // The writer's constant rate: one key frame a second, the rate held over half a second.
        {"WMV WMV2/WMA2",
         "wmv",
         {"FORMAT=WMV", "VIDEO_BITRATE=" + b, "AUDIO_FORMAT=192 kbps, 48 kHz, stereo CBR"},
         {"-c:v", "wmv2", "-b:v", b + "k", "-maxrate", b + "k", "-bufsize",
          QString::number(kKbps / 2) + "k", "-g", "30", "-c:a", "wmav2", "-b:a", "192k", "-ar",
          "48000", "-f", "asf"},
         kKbps},
        // The MP3 page: the engine's MP3 chain with its default VBR quality 6, at 44100 Hz.
        {"MP3 page",
         "mp3",
         {"FORMAT=LAME"},
         {"-vn", "-c:a", "libmp3lame", "-q:a", "6", "-ar", "44100"},
         0},
    };
}

struct Measure {
    double seconds = 0;
    long peakKiB = 0;
    bool ok = false;
};

/// Runs a program and measures its wall time and peak resident memory.
Measure RunChild(const QString& program, const QStringList& args) {
    Measure m;
    std::vector<QByteArray> storage;
    storage.push_back(program.toLocal8Bit());
    for (const QString& a : args)
        storage.push_back(a.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& s : storage)
        argv.push_back(s.data());
    argv.push_back(nullptr);
    QElapsedTimer timer;
    timer.start();
    std::fflush(stdout);
    const pid_t pid = fork();
    if (pid == 0) {
        freopen("/dev/null", "w", stdout);
        freopen("/dev/null", "w", stderr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    struct rusage usage {};
    wait4(pid, &status, 0, &usage);
    m.seconds = timer.nsecsElapsed() / 1e9;
    m.peakKiB = usage.ru_maxrss;
    m.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return m;
}

QString Capture(const QString& program, const QStringList& args) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    p.waitForFinished(600000);
    return QString::fromLocal8Bit(p.readAll());
}

double StreamKbps(const QString& file, const char* stream) {
    // Sum of the packet sizes over the stream's duration: containers do not all store a rate.
    const QString out =
        Capture("ffprobe", {"-v", "error", "-select_streams", stream, "-show_entries",
                            "packet=size,pts_time", "-of", "csv=p=0", file});
    double bytes = 0, first = -1, last = 0;
    for (const QString& line : out.split('\n', Qt::SkipEmptyParts)) {
        const QStringList f = line.split(',');
        if (f.size() < 2)
            continue;
        const double t = f[0].toDouble();
        bytes += f[1].toDouble();
        if (first < 0 || t < first)
            first = t;
        last = std::max(last, t);
    }
    const double seconds = last - first + 1.0 / 30;
    return seconds > 0 ? bytes * 8 / seconds / 1000 : 0;
}

double Psnr(const QString& output, const QString& input) {
    // Frames are paired by index (some containers round timestamps to their own clock), and both
    // sides are brought to limited-range 4:2:0 first: the filter compares raw sample values.
    // The index becomes the timestamp in a 1/30 s time base: N/30 in a container's millisecond
    // time base (ASF, FLV) rounds, and the filter then pairs two frames out of three wrongly.
    const QString out = Capture(
        "ffmpeg", {"-v", "info", "-nostats", "-i", output, "-i", input, "-lavfi",
                   "[0:v]scale=1280:720:out_range=tv,format=yuv420p,settb=1/30,setpts=N[a];"
                   "[1:v]scale=out_range=tv,format=yuv420p,settb=1/30,setpts=N[b];[a][b]psnr",
                   "-f", "null", "-"});
    const auto m = QRegularExpression("average:([0-9.inf]+)").match(out);
    return m.hasMatch() ? m.captured(1).toDouble() : 0;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

int ConvertOne(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    TKXVideoEdit engine;
    bool failed = false;
    engine.OnError = [&](int, const QString& text) {
        std::fprintf(stderr, "error: %s\n", text.toLocal8Bit().constData());
        failed = true;
    };
    engine.Input_AddVideoFile(args[2], -1, -1, -1, 1);
    engine.Input_AddAudioFile(args[2], -1, -1, -1, args[2]);
    const bool lame = args.mid(4).contains(QStringLiteral("FORMAT=LAME"));
    // As the MP3 page maps it: its rate and channels on the MP3 chain's defaults.
    engine.setOutput_Format(lame ? kx::Format_LAME : kx::Format_IndStr_Standard_MPEG);
    engine.setAudio_LAME_Sample_Rate(44100);
    engine.setVideo_FrameRate(0.0); // keep the input's 30 fps, as the program's mapping does
    engine.setOutput_File_Name(args[3]);
    QMap<QString, QString> values;
    for (const QString& pair : args.mid(4))
        values[pair.section('=', 0, 0)] = pair.section('=', 1);
    if (values.value("FORMAT") == "WMV") {
        // What the WMV page sets, at the input's size and rate.
        engine.setOutput_Format(kx::Format_WMV);
        engine.setWMV_Mode(kx::KX_WM_CustomSettings);
        engine.setWMV_Custom_Audio_Codec("Windows Media Audio 9.2");
        engine.setWMV_Custom_Audio_Format(values.value("AUDIO_FORMAT"));
        engine.setWMV_Custom_Audio_StreamPresent(true);
        engine.setWMV_Custom_Video_Codec("Windows Media Video 9");
        engine.setWMV_Custom_Video_Width(1280);
        engine.setWMV_Custom_Video_Height(720);
        engine.setWMV_Custom_Video_FrameRate(30);
        engine.setWMV_Custom_Video_KeyFrameInterval(1);
        engine.setWMV_Custom_Video_Bitrate(values.value("VIDEO_BITRATE").toInt());
        engine.setWMV_Custom_Video_Quality(95);
        engine.setWMV_Custom_Video_Mode(kx::KX_SM_CBR);
        engine.setWMV_Custom_Video_StreamPresent(true);
    } else if (!lame) {
        for (const QString& pair : args.mid(4))
            engine.Standard_MPEG_Parameter_Add(pair.section('=', 0, 0), pair.section('=', 1));
    }
    engine.Start();
    engine.WaitForFree(-1);
    return failed || !QFileInfo(args[3]).size() ? 1 : 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 4 && QByteArray(argv[1]) == "--convert")
        return ConvertOne(argc, argv);
    QCoreApplication app(argc, argv);
    const QString dir =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::temp().filePath("reelvane-bench");
    const int runs = argc > 2 ? std::max(1, atoi(argv[2])) : 3;
    const QString only = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QString();
    QDir().mkpath(dir);
    const QString input = QDir(dir).filePath("input-720p30.avi");
    if (!QFileInfo::exists(input)) {
        std::printf("making %s ...\n", input.toLocal8Bit().constData());
        QProcess::execute("gst-launch-1.0", {"-q",
                                             "videotestsrc",
                                             "num-buffers=600",
                                             "pattern=smpte",
                                             "horizontal-speed=6",
                                             "!",
                                             "video/x-raw,width=1280,height=720,framerate=30/1",
                                             "!",
                                             "jpegenc",
                                             "quality=90",
                                             "!",
                                             "avimux",
                                             "name=m",
                                             "!",
                                             "filesink",
                                             "location=" + input,
                                             "audiotestsrc",
                                             "num-buffers=938",
                                             "samplesperbuffer=1024",
                                             "!",
                                             "audio/x-raw,rate=48000,channels=2",
                                             "!",
                                             "m."});
    }
    std::printf("%d runs each, medians; video target %d kbit/s (kb: the audio rate for MP3, which "
                "has no dB)\n",
                runs, kKbps);
    std::printf("%-15s %8s %8s %6s %9s %9s %8s %8s %7s %7s\n", "format", "ours s", "ffmpeg s",
                "ratio", "ours MiB", "ffm MiB", "ours kb", "ffm kb", "our dB", "ffm dB");
    for (const Target& t : Targets()) {
        if (!QString::fromLatin1(t.name).contains(only))
            continue;
        const QString ours = QDir(dir).filePath(QString("ours.") + t.extension);
        const QString theirs = QDir(dir).filePath(QString("ffmpeg.") + t.extension);
        std::vector<double> ourTimes, ffTimes;
        long ourPeak = 0, ffPeak = 0;
        bool ok = true;
        for (int r = 0; r < runs; ++r) {
            QStringList args = {"--convert", input, ours};
            args += t.params;
            const Measure a = RunChild(QCoreApplication::applicationFilePath(), args);
            // 4:2:0 as ours: left alone, ffmpeg keeps the clip's 4:4:4 for H.264.
            QStringList ff = {"-y", "-v", "error", "-i", input, "-pix_fmt", "yuv420p"};
            ff += t.ffmpegArgs;
            ff << theirs;
            const Measure b = RunChild("ffmpeg", ff);
            ok = ok && a.ok && b.ok;
            ourTimes.push_back(a.seconds);
            ffTimes.push_back(b.seconds);
            ourPeak = std::max(ourPeak, a.peakKiB);
            ffPeak = std::max(ffPeak, b.peakKiB);
        }
        const double a = Median(ourTimes), b = Median(ffTimes);
        const bool audioOnly = t.videoKbps == 0;
        const char* stream = audioOnly ? "a:0" : "v:0";
        const double ourDb = audioOnly ? 0 : Psnr(ours, input);
        const double ffDb = audioOnly ? 0 : Psnr(theirs, input);
        std::printf("%-15s %8.2f %8.2f %6.2f %9.0f %9.0f %8.0f %8.0f %7.2f %7.2f%s\n", t.name, a, b,
                    a / b, ourPeak / 1024.0, ffPeak / 1024.0, StreamKbps(ours, stream),
                    StreamKbps(theirs, stream), ourDb, ffDb, ok ? "" : "  (a run failed)");
        std::fflush(stdout);
    }
    return 0;
}
