// Encodes the same 1280x720 30 fps 10 s input with rvavcodecvenc and with ffmpeg for each
// codec and prints wall time, achieved bit rate (sum of packet sizes) and PSNR side by side.
// DV gets its own 720x576 25 fps input, the only system near that size.
//
// Usage: avcodec_bench [work-dir] [bitrate-kbps]   (default: a temporary dir, 4000)

#include "platform/media/avcodec/AvcodecVideoEncoder.h"

#include <gst/gst.h>

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

struct GstObjectUnref {
    void operator()(gpointer p) const { gst_object_unref(p); }
};

// Runs a pipeline description to EOS; returns wall seconds, or nothing on error.
std::optional<double> RunPipeline(const std::string& description) {
    GError* error = nullptr;
    std::unique_ptr<GstElement, GstObjectUnref> pipeline(
        gst_parse_launch(description.c_str(), &error));
    if (!pipeline || error) {
        std::fprintf(stderr, "parse: %s\n", error ? error->message : "?");
        g_clear_error(&error);
        return std::nullopt;
    }
    std::unique_ptr<GstBus, GstObjectUnref> bus(gst_element_get_bus(pipeline.get()));
    const auto start = Clock::now();
    gst_element_set_state(pipeline.get(), GST_STATE_PLAYING);
    GstMessage* msg = gst_bus_timed_pop_filtered(
        bus.get(), 600 * GST_SECOND,
        static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    gst_element_set_state(pipeline.get(), GST_STATE_NULL);
    bool ok = msg && GST_MESSAGE_TYPE(msg) == GST_MESSAGE_EOS;
    if (msg && !ok) {
        GError* e = nullptr;
        gst_message_parse_error(msg, &e, nullptr);
        std::fprintf(stderr, "pipeline error: %s\n", e->message);
        g_clear_error(&e);
    }
    if (msg)
        gst_message_unref(msg);
    return ok ? std::optional<double>(seconds) : std::nullopt;
}

std::optional<double> RunTool(const QString& program, const QStringList& args, QString* output) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    const auto start = Clock::now();
    process.start(program, args);
    if (!process.waitForStarted(10000) || !process.waitForFinished(600000))
        return std::nullopt;
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (output)
        *output = QString::fromLocal8Bit(process.readAll());
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return std::nullopt;
    return seconds;
}

double VideoKbps(const QString& path, double seconds) {
    QString out;
    if (!RunTool("ffprobe",
                 {"-v", "error", "-select_streams", "v:0", "-show_entries", "packet=size", "-of",
                  "csv=p=0", path},
                 &out))
        return -1;
    qint64 bytes = 0;
    for (const QString& line : out.split('\n', Qt::SkipEmptyParts))
        bytes += line.trimmed().toLongLong();
    return bytes * 8 / seconds / 1000;
}

// Frames are paired by index: mpegpsmux and flvmux truncate timestamps to 90 kHz / 1 ms ticks,
// which would make pairing by timestamp compare neighbouring frames.
double Psnr(const QString& encoded, const QString& reference) {
    QString out;
    if (!RunTool("ffmpeg",
                 {"-hide_banner", "-nostdin", "-i", encoded, "-i", reference, "-lavfi",
                  "[0:v]settb=1/25,setpts=N[a];[1:v]settb=1/25,setpts=N[b];[a][b]psnr", "-f",
                  "null", "-"},
                 &out))
        return -1;
    const auto m = QRegularExpression(R"(PSNR .*average:([0-9.]+))").match(out);
    return m.hasMatch() ? m.captured(1).toDouble() : -1;
}

bool MakeInput(const QString& path, int width, int height, int fps, int seconds) {
    return RunPipeline("videotestsrc pattern=smpte horizontal-speed=6 num-buffers=" +
                       std::to_string(fps * seconds) +
                       " ! video/x-raw,format=I420,width=" + std::to_string(width) +
                       ",height=" + std::to_string(height) + ",framerate=" + std::to_string(fps) +
                       "/1 ! y4menc ! filesink location=" + path.toStdString())
        .has_value();
}

} // namespace

int main(int argc, char** argv) {
    gst_init(&argc, &argv);
    if (!RegisterAvcodecVideoEncoder()) {
        std::fprintf(stderr, "rvavcodecvenc could not be registered\n");
        return 1;
    }
    QTemporaryDir tmp;
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : tmp.path();
    const int kbps = argc > 2 ? std::atoi(argv[2]) : 4000;
    QDir().mkpath(dir);
    const int seconds = 10;
    const QString hd = dir + "/in720p.y4m";
    const QString sd = dir + "/in576.y4m";
    if (!MakeInput(hd, 1280, 720, 30, seconds) || !MakeInput(sd, 720, 576, 25, seconds)) {
        std::fprintf(stderr, "could not write the inputs\n");
        return 1;
    }

    struct Case {
        const char* codec;
        const char* ffmpegCodec;
        const char* muxer;
        const char* ext;
        bool dv;
    };
    const Case cases[] = {
        {"mpeg1video", "mpeg1video", "mpegpsmux", "mpg", false},
        {"mpeg2video", "mpeg2video", "mpegpsmux", "mpg", false},
        {"mpeg4", "mpeg4", "mp4mux", "mp4", false},
        {"flv1", "flv", "flvmux", "flv", false},
        {"wmv1", "wmv1", "avmux_asf", "wmv", false},
        {"wmv2", "wmv2", "avmux_asf", "wmv", false},
        {"dvvideo", "dvvideo", "avimux", "avi", true},
    };
    std::printf("input 1280x720 30 fps %d s (DV: 720x576 25 fps), target %d kbit/s, %d cores\n",
                seconds, kbps, static_cast<int>(std::thread::hardware_concurrency()));
    std::printf("%-11s | %9s %9s | %9s %9s | %8s %8s\n", "codec", "ours s", "ffmpeg s", "ours kb/s",
                "ffm kb/s", "ours dB", "ffm dB");
    for (const Case& c : cases) {
        const QString input = c.dv ? sd : hd;
        const QString ours = dir + "/ours_" + c.codec + "." + c.ext;
        const QString theirs = dir + "/ffmpeg_" + c.codec + "." + c.ext;
        const auto oursTime =
            RunPipeline("filesrc location=" + input.toStdString() +
                        " ! y4mdec ! videoconvert ! rvavcodecvenc codec=" + c.codec +
                        " bitrate=" + std::to_string(kbps) + " ! " + c.muxer +
                        " ! filesink location=" + ours.toStdString());
        QStringList args{"-v", "error", "-y", "-nostdin", "-i", input, "-c:v", c.ffmpegCodec};
        if (!c.dv)
            args << "-b:v" << QString("%1k").arg(kbps);
        args << theirs;
        QString log;
        const auto theirsTime = RunTool("ffmpeg", args, &log);
        if (!theirsTime)
            std::fprintf(stderr, "ffmpeg %s failed: %s\n", c.ffmpegCodec, qPrintable(log));
        std::printf("%-11s | %9.2f %9.2f | %9.0f %9.0f | %8.2f %8.2f\n", c.codec,
                    oursTime.value_or(-1), theirsTime.value_or(-1), VideoKbps(ours, seconds),
                    VideoKbps(theirs, seconds), Psnr(ours, input), Psnr(theirs, input));
        std::fflush(stdout);
    }
    return 0;
}
