#include "tests/support/TestMedia.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStringList>

#include <cmath>

namespace testsupport {

namespace {

bool RunTool(const QString& program, const QStringList& args, QByteArray* out, QString* error,
             int timeoutMs = 60000) {
    QProcess process;
    process.start(program, args);
    if (!process.waitForStarted(10000)) {
        if (error)
            *error = program + " did not start: " + process.errorString();
        return false;
    }
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(5000);
        if (error)
            *error = program + " timed out";
        return false;
    }
    if (out)
        *out = process.readAllStandardOutput();
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        if (error)
            *error = program + " failed: " + QString::fromLocal8Bit(process.readAllStandardError());
        return false;
    }
    return true;
}

double ParseRate(const QString& text) {
    const QStringList parts = text.split('/');
    if (parts.size() == 2) {
        const double den = parts[1].toDouble();
        return den > 0 ? parts[0].toDouble() / den : 0.0;
    }
    return text.toDouble();
}

} // namespace

bool MakeTestAvi(const QString& path, const TestAviOptions& o, QString* error) {
    QFile::remove(path);
    const qint64 frames = std::llround(o.seconds * o.fpsNum / o.fpsDen);
    // One audio buffer per video frame when the rates allow it, so both streams end together.
    const qint64 perFrame = qint64(o.sampleRate) * o.fpsDen;
    const qint64 samplesPerBuffer = perFrame % o.fpsNum == 0 ? perFrame / o.fpsNum : 1024;
    const qint64 audioBuffers =
        static_cast<qint64>(std::ceil(o.seconds * o.sampleRate / samplesPerBuffer));
    QStringList args{"-q", "-e"};
    args << "avimux"
         << "name=mux"
         << "!"
         << "filesink" << ("location=" + path);
    if (o.withVideo) {
        args << "videotestsrc" << ("num-buffers=" + QString::number(frames)) << "pattern=smpte"
             << "!"
             << QString("video/x-raw,format=I420,width=%1,height=%2,framerate=%3/%4")
                    .arg(o.width)
                    .arg(o.height)
                    .arg(o.fpsNum)
                    .arg(o.fpsDen)
             << "!"
             << "jpegenc"
             << "!"
             << "queue"
             << "!"
             << "mux.";
    }
    if (o.withAudio) {
        args << "audiotestsrc" << ("num-buffers=" + QString::number(audioBuffers))
             << ("samplesperbuffer=" + QString::number(samplesPerBuffer)) << "wave=sine"
             << "!"
             << QString("audio/x-raw,format=S16LE,layout=interleaved,rate=%1,channels=%2")
                    .arg(o.sampleRate)
                    .arg(o.channels)
             << "!"
             << "queue"
             << "!"
             << "mux.";
    }
    if (!RunTool("gst-launch-1.0", args, nullptr, error))
        return false;
    if (QFileInfo(path).size() <= 0) {
        if (error)
            *error = "gst-launch-1.0 wrote nothing to " + path;
        return false;
    }
    return true;
}

bool MakeTestAvi(const QString& path, double seconds, int width, int height, int fps,
                 bool withAudio) {
    TestAviOptions o;
    o.seconds = seconds;
    o.width = width;
    o.height = height;
    o.fpsNum = fps;
    o.withAudio = withAudio;
    return MakeTestAvi(path, o);
}

bool MakeTruncatedCopy(const QString& source, const QString& target, int keepPercent) {
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    const QByteArray all = in.readAll();
    QFile out(target);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const qint64 keep = all.size() * keepPercent / 100;
    return out.write(all.constData(), keep) == keep;
}

bool MakeTruncatedCopyBytes(const QString& source, const QString& target, qint64 keepBytes) {
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = in.read(keepBytes);
    QFile out(target);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return out.write(head) == head.size();
}

bool CorruptFile(const QString& path, int fromPercent, int byteCount) {
    QFile f(path);
    if (!f.open(QIODevice::ReadWrite))
        return false;
    const qint64 offset = f.size() * fromPercent / 100;
    if (!f.seek(offset))
        return false;
    QByteArray garbage(byteCount, '\0');
    quint32 state = 0x2545F491u;
    for (char& c : garbage) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        c = static_cast<char>(state & 0xFF);
    }
    return f.write(garbage) == garbage.size();
}

int ScrambleAviVideoFrames(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadWrite))
        return 0;
    QByteArray data = f.readAll();
    quint32 state = 0x9E3779B9u;
    int damaged = 0;
    for (const char* id : {"00dc", "00db"}) {
        for (qsizetype at = data.indexOf(id); at >= 0; at = data.indexOf(id, at + 4)) {
            if (at + 8 > data.size())
                break;
            const quint32 size = quint8(data[at + 4]) | quint32(quint8(data[at + 5])) << 8 |
                                 quint32(quint8(data[at + 6])) << 16 |
                                 quint32(quint8(data[at + 7])) << 24;
            // Keep the first bytes (the picture's markers) and scramble the rest.
            if (size < 400 || at + 8 + qsizetype(size) > data.size())
                continue;
            for (qsizetype k = at + 8 + 300; k < at + 8 + qsizetype(size) - 2; ++k) {
                state ^= state << 13;
                state ^= state >> 17;
                state ^= state << 5;
                data[k] = char(state & 0xFF);
            }
            ++damaged;
        }
    }
    f.seek(0);
    f.write(data);
    return damaged;
}

MediaInfo ProbeMedia(const QString& path) {
    MediaInfo info;
    QByteArray out;
    const QStringList args{"-v",           "error",         "-print_format",  "json",
                           "-show_format", "-show_streams", "-count_packets", path};
    if (!RunTool("ffprobe", args, &out, &info.error))
        return info;
    const QJsonObject root = QJsonDocument::fromJson(out).object();
    const QJsonObject format = root.value("format").toObject();
    info.container = format.value("format_name").toString();
    info.durationSec = format.value("duration").toString().toDouble();
    info.bitRate = format.value("bit_rate").toString().toLongLong();
    for (const QJsonValue& v : root.value("streams").toArray()) {
        const QJsonObject s = v.toObject();
        const QString type = s.value("codec_type").toString();
        if (type == "video" && !info.hasVideo) {
            info.hasVideo = true;
            info.videoCodec = s.value("codec_name").toString();
            info.width = s.value("width").toInt();
            info.height = s.value("height").toInt();
            info.frameRate = ParseRate(s.value("r_frame_rate").toString());
            info.videoDurationSec = s.value("duration").toString().toDouble();
            info.videoBitRate = s.value("bit_rate").toString().toLongLong();
            info.videoFrames = s.value("nb_frames").toString().toLongLong();
            if (info.videoFrames == 0)
                info.videoFrames = s.value("nb_read_packets").toString().toLongLong();
        } else if (type == "audio" && !info.hasAudio) {
            info.hasAudio = true;
            info.audioCodec = s.value("codec_name").toString();
            info.channels = s.value("channels").toInt();
            info.sampleRate = s.value("sample_rate").toString().toInt();
            info.audioDurationSec = s.value("duration").toString().toDouble();
        }
    }
    info.ok = true;
    return info;
}

} // namespace testsupport
