#pragma once
// Test media fixtures: small AVI files generated at test time and a reader that reports
// what a media file holds. Shared by every test area; QtCore only.

#include <QString>

#include <vector>

namespace testsupport {

struct TestAviOptions {
    double seconds = 1.0;
    double audioSeconds = -1.0; // the audio stream's own length; -1 = seconds
    int width = 160;
    int height = 120;
    int fpsNum = 25;
    int fpsDen = 1;
    bool withAudio = true;
    bool withVideo = true;
    int sampleRate = 48000;
    int channels = 2;
};

// Writes an MJPEG (+ PCM S16LE) AVI through gst-launch-1.0. Returns false and fills *error
// when the tool fails or writes nothing. Synchronous; any thread.
bool MakeTestAvi(const QString& path, const TestAviOptions& options, QString* error = nullptr);

// Convenience overload with the most used knobs.
bool MakeTestAvi(const QString& path, double seconds, int width = 160, int height = 120,
                 int fps = 25, bool withAudio = true);

// Copies the first keepPercent percent of a file's bytes to target (a truncated file).
bool MakeTruncatedCopy(const QString& source, const QString& target, int keepPercent);

// Copies the first keepBytes bytes of a file to target.
bool MakeTruncatedCopyBytes(const QString& source, const QString& target, qint64 keepBytes);

// Overwrites byteCount bytes with garbage starting at fromPercent of the file.
bool CorruptFile(const QString& path, int fromPercent, int byteCount);

// Scrambles the picture data of every video chunk of an AVI (headers and index stay intact), so
// the file still opens but no frame decodes. Returns the number of chunks damaged.
int ScrambleAviVideoFrames(const QString& path);

// One file of the hostile-input corpus: what a careless or malicious source hands the program.
struct HostileInput {
    QString name; // short identifier, usable in a test name
    QString path;
    QString what; // for people
};

// Writes the hostile corpus into dir: empty, text named .avi, header only, cut in the headers,
// cut mid-stream, corrupted frames, an absurd frame size in the header, random bytes, audio
// only, video only at an odd size, 1000 fps, raw RGB, a folder and a dangling link named .avi.
// Uses gst-launch-1.0 and ffmpeg; an empty list when a tool fails (error says why).
std::vector<HostileInput> MakeHostileCorpus(const QString& dir, QString* error = nullptr);

struct MediaInfo {
    bool ok = false;          // ffprobe ran and parsed the file
    QString error;            // ffprobe's message when !ok
    QString container;        // ffprobe format_name, e.g. "avi", "mpeg", "mov,mp4,m4a,3gp,3g2,mj2"
    double durationSec = 0.0; // container duration
    qint64 bitRate = 0;       // container bit rate, bit/s
    bool hasVideo = false;
    QString videoCodec; // e.g. "mpeg1video", "h264", "flv1"
    int width = 0;
    int height = 0;
    double frameRate = 0.0; // r_frame_rate as a number
    double videoDurationSec = 0.0;
    qint64 videoBitRate = 0;
    qint64 videoFrames = 0; // nb_frames when the container tells it, else 0
    bool hasAudio = false;
    QString audioCodec; // e.g. "mp2", "mp3", "aac", "pcm_s16le"
    int channels = 0;
    int sampleRate = 0;
    double audioDurationSec = 0.0;
};

// Reads container, first video and first audio stream through ffprobe. Synchronous.
MediaInfo ProbeMedia(const QString& path);

} // namespace testsupport
