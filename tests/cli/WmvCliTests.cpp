#include "tests/support/TestMedia.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct WmvRow {
    int row;
    int width, height;
    double fps;
    int videoKbps;
};

void PrintTo(const WmvRow& r, std::ostream* os) {
    *os << "row " << r.row;
}

class WmvCli : public ::testing::TestWithParam<WmvRow> {
protected:
    static void SetUpTestSuite() {
        dir_ = new QTemporaryDir;
        clip_ = dir_->filePath("clip.avi");
        // Three seconds of moving detail: the rows' rates are targets only a busy picture needs.
        QProcess p;
        p.start("ffmpeg", {"-v",
                           "error",
                           "-y",
                           "-f",
                           "lavfi",
                           "-i",
                           "testsrc2=size=320x240:rate=30",
                           "-f",
                           "lavfi",
                           "-i",
                           "sine=frequency=440:sample_rate=48000",
                           "-t",
                           "3",
                           "-c:v",
                           "mjpeg",
                           "-q:v",
                           "3",
                           "-c:a",
                           "pcm_s16le",
                           "-ac",
                           "2",
                           clip_});
        ASSERT_TRUE(p.waitForFinished(60000));
        ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    }
    static void TearDownTestSuite() { delete dir_; }

    /// Runs reelvane-cli with a settings store of its own; answers the exit code.
    static int Run(const QStringList& args, const QString& config, QString* output) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", config);
        p.setProcessEnvironment(env);
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(REELVANE_CLI, args);
        EXPECT_TRUE(p.waitForFinished(120000));
        *output = QString::fromLocal8Bit(p.readAll());
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }

    /// The video rate from the packet sizes: ASF stores no stream rate.
    static double VideoKbps(const QString& file) {
        QProcess p;
        p.start("ffprobe", {"-v", "quiet", "-select_streams", "v:0", "-show_entries",
                            "packet=size,pts_time", "-of", "csv=p=0", file});
        p.waitForFinished(60000);
        double bytes = 0, first = -1, last = 0;
        int packets = 0;
        for (const QByteArray& line : p.readAllStandardOutput().split('\n')) {
            const QList<QByteArray> f = line.split(',');
            if (f.size() < 2)
                continue;
            const double t = f[0].toDouble();
            bytes += f[1].toDouble();
            first = first < 0 ? t : std::min(first, t);
            last = std::max(last, t);
            ++packets;
        }
        if (packets < 2)
            return 0;
        const double seconds = (last - first) * packets / (packets - 1);
        return bytes * 8 / seconds / 1000;
    }

    static inline QTemporaryDir* dir_ = nullptr;
    static inline QString clip_;
};

} // namespace

// Each preset row gives an ASF file with the row's picture, rate and bit rate.
TEST_P(WmvCli, PresetRowGivesItsFile) {
    const WmvRow& r = GetParam();
    const QString out = dir_->filePath(QString("row%1").arg(r.row));
    QString log;
    ASSERT_EQ(Run({"convert", "--format", "wmv", "--preset", QString::number(r.row), "--output",
                   out, clip_},
                  dir_->filePath("config"), &log),
              0)
        << log.toStdString();
    EXPECT_TRUE(log.contains("Convert to: clip.wmv [Success]")) << log.toStdString();
    const QString file = QDir(out).filePath("clip.wmv");
    const auto info = testsupport::ProbeMedia(file);
    ASSERT_TRUE(info.ok) << info.error.toStdString();
    EXPECT_EQ(info.container, "asf");
    EXPECT_EQ(info.videoCodec, "wmv2");
    EXPECT_EQ(info.width, r.width);
    EXPECT_EQ(info.height, r.height);
    EXPECT_NEAR(info.frameRate, r.fps, 0.01);
    const double kbps = VideoKbps(file);
    EXPECT_NEAR(kbps, r.videoKbps, r.videoKbps * 0.15) << "measured " << kbps << " kbit/s";
    // The rows' audio: "128 kbps, 44 kHz, stereo CBR".
    EXPECT_EQ(info.audioCodec, "wmav2");
    EXPECT_EQ(info.sampleRate, 44100);
    EXPECT_EQ(info.channels, 2);
    EXPECT_NEAR(info.durationSec, 3.0, 0.15);
}

INSTANTIATE_TEST_SUITE_P(Rows, WmvCli,
                         ::testing::Values(WmvRow{0, 320, 240, 29.97, 512},
                                           WmvRow{1, 640, 480, 30, 1150},
                                           WmvRow{2, 320, 240, 29.97, 1150},
                                           WmvRow{5, 320, 240, 29.97, 786}),
                         [](const auto& info) { return "Row" + std::to_string(info.param.row); });

// A stored WMV number that is not a number stops the file before anything starts.
TEST_F(WmvCli, StoredTextThatIsNotANumberIsRefused) {
    QTemporaryDir config;
    QDir().mkpath(config.filePath("Quenza"));
    QFile store(config.filePath("Quenza/Reelvane.registry"));
    ASSERT_TRUE(store.open(QIODevice::WriteOnly));
    store.write("; Reelvane per-user settings store. One line per key or value.\n"
                "[Software\\Quenza\\Reelvane\\Setting]\n"
                "\"WMVTragetBitrate\"=sz:\"fast\"\n");
    store.close();
    const QString out = config.filePath("out");
    QString log;
    EXPECT_EQ(Run({"convert", "--format", "wmv", "--output", out, clip_}, config.path(), &log), 1);
    EXPECT_TRUE(log.contains("WMVTragetBitrate holds \"fast\"")) << log.toStdString();
    EXPECT_FALSE(QFile::exists(QDir(out).filePath("clip.wmv")));
}
