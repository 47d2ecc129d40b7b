#include "tests/support/TestMedia.h"

#include <QDir>
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
    const double audioSeconds = o.audioSeconds >= 0 ? o.audioSeconds : o.seconds;
    const qint64 audioBuffers =
        static_cast<qint64>(std::ceil(audioSeconds * o.sampleRate / samplesPerBuffer));
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

namespace {

// A deterministic stream of bytes that looks like nothing.
QByteArray NoiseBytes(qsizetype size, quint32 seed) {
    QByteArray bytes(size, '\0');
    for (char& c : bytes) {
        seed ^= seed << 13;
        seed ^= seed >> 17;
        seed ^= seed << 5;
        c = static_cast<char>(seed & 0xFF);
    }
    return bytes;
}

bool WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

QByteArray ReadBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void PutU32(QByteArray& b, qsizetype at, quint32 v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = char((v >> (8 * i)) & 0xFF);
}

} // namespace

std::vector<HostileInput> MakeHostileCorpus(const QString& dir, QString* error) {
    std::vector<HostileInput> corpus;
    auto path = [&dir](const char* name) { return dir + "/" + name; };
    auto add = [&](const char* name, const char* file, const char* what) {
        corpus.push_back({QString::fromLatin1(name), path(file), QString::fromLatin1(what)});
    };
    auto fail = [&](const QString& why) {
        if (error)
            *error = why;
        return std::vector<HostileInput>{};
    };

    if (!QDir().mkpath(dir))
        return fail("cannot make " + dir);
    // A good 2 s clip to damage.
    const QString good = path("source-good.avi");
    if (!MakeTestAvi(good, 2.0, 160, 120, 25, true))
        return fail("cannot make the source clip");
    const QByteArray bytes = ReadBytes(good);
    const qsizetype movi = bytes.indexOf("movi");
    if (movi < 0)
        return fail("the source clip has no movi list");

    if (!WriteBytes(path("empty.avi"), {}))
        return fail("cannot write empty.avi");
    add("Empty", "empty.avi", "zero bytes");
    if (!WriteBytes(path("text.avi"), "Meeting notes, not a movie.\nSecond line.\n"))
        return fail("cannot write text.avi");
    add("Text", "text.avi", "a text file named .avi");
    if (!WriteBytes(path("header-only.avi"), bytes.left(movi + 4)))
        return fail("cannot write header-only.avi");
    add("HeaderOnly", "header-only.avi", "complete headers, no media data");
    if (!WriteBytes(path("cut-in-headers.avi"), bytes.left(600)))
        return fail("cannot write cut-in-headers.avi");
    add("CutInHeaders", "cut-in-headers.avi", "cut inside the header list");
    if (!WriteBytes(path("cut-mid-stream.avi"), bytes.left(bytes.size() * 40 / 100)))
        return fail("cannot write cut-mid-stream.avi");
    add("CutMidStream", "cut-mid-stream.avi", "the first 40 % of a 2 s clip");
    if (!WriteBytes(path("corrupted-frames.avi"), bytes) ||
        ScrambleAviVideoFrames(path("corrupted-frames.avi")) < 10)
        return fail("cannot write corrupted-frames.avi");
    add("CorruptedFrames", "corrupted-frames.avi", "every picture scrambled, headers intact");
    {
        // The main header's and the stream format's frame size both say 100000 x 100000.
        QByteArray absurd = bytes;
        const qsizetype avih = absurd.indexOf("avih");
        const qsizetype strf = absurd.indexOf("strf");
        if (avih < 0 || strf < 0)
            return fail("the source clip has no avih or strf");
        PutU32(absurd, avih + 8 + 32, 100000);
        PutU32(absurd, avih + 8 + 36, 100000);
        PutU32(absurd, strf + 8 + 4, 100000);
        PutU32(absurd, strf + 8 + 8, 100000);
        if (!WriteBytes(path("absurd-size.avi"), absurd))
            return fail("cannot write absurd-size.avi");
    }
    add("AbsurdFrameSize", "absurd-size.avi", "a frame size of 100000x100000 in the header");
    if (!WriteBytes(path("random.avi"), NoiseBytes(64 * 1024, 0xC0FFEEu)))
        return fail("cannot write random.avi");
    add("RandomBytes", "random.avi", "64 KiB of noise");

    TestAviOptions audioOnly;
    audioOnly.seconds = 2.0;
    audioOnly.withVideo = false;
    if (!MakeTestAvi(path("audio-only.avi"), audioOnly, error))
        return {};
    add("AudioOnly", "audio-only.avi", "2 s of PCM sound, no video stream");
    TestAviOptions odd;
    odd.width = 161;
    odd.height = 97;
    odd.withAudio = false;
    if (!MakeTestAvi(path("odd-size.avi"), odd, error))
        return {};
    add("VideoOnlyOddSize", "odd-size.avi", "1 s of 161x97 pictures, no audio stream");
    TestAviOptions fast;
    fast.seconds = 0.5;
    fast.width = 64;
    fast.height = 48;
    fast.fpsNum = 1000;
    if (!MakeTestAvi(path("fps1000.avi"), fast, error))
        return {};
    add("Fps1000", "fps1000.avi", "0.5 s at 1000 frames per second");
    // Uncompressed top-down RGB, the way ffmpeg writes it (a negative height in the header).
    if (!RunTool("ffmpeg",
                 {"-v", "error", "-y", "-f", "lavfi", "-i",
                  "testsrc=size=160x120:rate=25:duration=1", "-f", "lavfi", "-i", "sine=duration=1",
                  "-c:v", "rawvideo", "-pix_fmt", "bgr24", "-c:a", "pcm_s16le",
                  path("raw-rgb.avi")},
                 nullptr, error))
        return {};
    add("RawRgb", "raw-rgb.avi", "uncompressed top-down 24-bit RGB with PCM");

    if (!QDir().mkpath(path("folder.avi")))
        return fail("cannot make folder.avi");
    add("Folder", "folder.avi", "a folder named .avi");
    QFile::remove(path("dangling.avi"));
    if (!QFile::link(path("gone-away.avi"), path("dangling.avi")))
        return fail("cannot make dangling.avi");
    add("DanglingLink", "dangling.avi", "a link to a file that does not exist");
    return corpus;
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
