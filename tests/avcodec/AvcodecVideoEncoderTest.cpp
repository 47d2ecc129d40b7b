// End-to-end tests of the "rvavcodecvenc" element: tiny pipelines into real muxers, read back
// with ffprobe, and comparisons against ffmpeg's own encoders on the same input.

#include "platform/media/avcodec/AvcodecVideoEncoder.h"
#include "tests/support/TestMedia.h"

#include <gst/gst.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryDir>

#include <atomic>
#include <cmath>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

struct GstObjectUnref {
    void operator()(gpointer p) const { gst_object_unref(p); }
};
struct MessageUnref {
    void operator()(GstMessage* m) const { gst_message_unref(m); }
};

// Runs a gst-launch style description to EOS. Returns false with the bus error text.
bool RunPipeline(const std::string& description, std::string* error) {
    GError* parseError = nullptr;
    std::unique_ptr<GstElement, GstObjectUnref> pipeline(
        gst_parse_launch(description.c_str(), &parseError));
    if (!pipeline || parseError) {
        *error = parseError ? parseError->message : "parse failed";
        g_clear_error(&parseError);
        return false;
    }
    std::unique_ptr<GstBus, GstObjectUnref> bus(gst_element_get_bus(pipeline.get()));
    gst_element_set_state(pipeline.get(), GST_STATE_PLAYING);
    std::unique_ptr<GstMessage, MessageUnref> msg(gst_bus_timed_pop_filtered(
        bus.get(), 120 * GST_SECOND,
        static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR)));
    gst_element_set_state(pipeline.get(), GST_STATE_NULL);
    if (!msg) {
        *error = "timed out";
        return false;
    }
    if (GST_MESSAGE_TYPE(msg.get()) == GST_MESSAGE_ERROR) {
        GError* e = nullptr;
        gchar* debug = nullptr;
        gst_message_parse_error(msg.get(), &e, &debug);
        *error = std::string(e->message) + " | " + (debug ? debug : "");
        g_clear_error(&e);
        g_free(debug);
        return false;
    }
    return true;
}

// Runs a tool with an argument list; returns stderr+stdout, or sets *ok=false.
QString RunTool(const QString& program, const QStringList& args, bool* ok) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, args);
    *ok = process.waitForStarted(10000) && process.waitForFinished(120000) &&
          process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    return QString::fromLocal8Bit(process.readAll());
}

// Pairs frames by index: mpegpsmux and flvmux truncate timestamps to 90 kHz / 1 ms ticks.
double FfmpegPsnr(const QString& encoded, const QString& reference) {
    bool ok = false;
    const QString out = RunTool(
        "ffmpeg",
        {"-hide_banner", "-nostdin", "-i", encoded, "-i", reference, "-lavfi",
         "[0:v]settb=1/25,setpts=N[a];[1:v]settb=1/25,setpts=N[b];[a][b]psnr", "-f", "null", "-"},
        &ok);
    const QRegularExpressionMatch m = QRegularExpression(R"(PSNR .*average:([0-9.]+))").match(out);
    return ok && m.hasMatch() ? m.captured(1).toDouble() : -1.0;
}

std::vector<double> FramePtsSeconds(const QString& path) {
    bool ok = false;
    const QString out = RunTool("ffprobe",
                                {"-v", "error", "-select_streams", "v:0", "-show_entries",
                                 "frame=pts_time", "-of", "csv=p=0", path},
                                &ok);
    std::vector<double> pts;
    for (const QString& line : out.split('\n', Qt::SkipEmptyParts))
        pts.push_back(line.split(',').first().toDouble());
    return pts;
}

class AvcodecEncoderTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(RegisterAvcodecVideoEncoder());
        ASSERT_TRUE(dir_.isValid());
    }
    QString Path(const QString& name) const { return dir_.filePath(name); }
    QTemporaryDir dir_;
};

TEST_F(AvcodecEncoderTest, RegistersOnceFromManyThreads) {
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < 8; ++i)
        threads.emplace_back([&failures] {
            if (!RegisterAvcodecVideoEncoder())
                ++failures;
        });
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(failures.load(), 0);
    std::unique_ptr<GstElement, GstObjectUnref> element(
        gst_element_factory_make("rvavcodecvenc", nullptr));
    ASSERT_TRUE(element);
    gst_util_set_object_arg(G_OBJECT(element.get()), "codec", "wmv2");
    GParamSpec* spec = g_object_class_find_property(G_OBJECT_GET_CLASS(element.get()), "codec");
    ASSERT_TRUE(spec && G_IS_PARAM_SPEC_ENUM(spec));
    gint codec = -1;
    g_object_get(element.get(), "codec", &codec, nullptr);
    const GEnumValue* value = g_enum_get_value(G_PARAM_SPEC_ENUM(spec)->enum_class, codec);
    ASSERT_TRUE(value);
    EXPECT_STREQ(value->value_nick, "wmv2");
}

struct MuxCase {
    const char* codec;
    const char* props;
    const char* muxer;
    const char* ext;
    const char* probedCodec;
    const char* rawCaps; // size, rate and format of the test source
    int width;
    int height;
    double fps;
    int frames;
    int framesLostByReader; // ffmpeg's asf demuxer skips asfmux's last packet
};

void PrintTo(const MuxCase& c, std::ostream* os) {
    *os << c.codec << "/" << c.muxer;
}

class MuxTable : public AvcodecEncoderTest, public ::testing::WithParamInterface<MuxCase> {};

TEST_P(MuxTable, ProducesTheStreamTheMuxerPromises) {
    const MuxCase& c = GetParam();
    const QString out = Path(QString("out.%1").arg(c.ext));
    const std::string pipeline =
        std::string("videotestsrc pattern=smpte horizontal-speed=2 num-buffers=") +
        std::to_string(c.frames) + " ! " + c.rawCaps +
        " ! videoconvert ! rvavcodecvenc codec=" + c.codec + " " + c.props + " ! " + c.muxer +
        " ! filesink location=" + out.toStdString();
    std::string error;
    ASSERT_TRUE(RunPipeline(pipeline, &error)) << error;

    const testsupport::MediaInfo info = testsupport::ProbeMedia(out);
    ASSERT_TRUE(info.ok) << info.error.toStdString();
    EXPECT_EQ(info.videoCodec.toStdString(), c.probedCodec);
    EXPECT_EQ(info.width, c.width);
    EXPECT_EQ(info.height, c.height);
    EXPECT_NEAR(info.frameRate, c.fps, 0.01);
    EXPECT_GE(info.videoFrames, c.frames - c.framesLostByReader);
    EXPECT_LE(info.videoFrames, c.frames);
    EXPECT_NEAR(info.durationSec, c.frames / c.fps, 1.5 / c.fps + 0.001);
}

constexpr const char* kSmall = "video/x-raw,width=160,height=120,framerate=25/1";
constexpr const char* kPal = "video/x-raw,width=720,height=576,framerate=25/1";
constexpr const char* kNtsc411 =
    "video/x-raw,format=Y41B,width=720,height=480,framerate=30000/1001";

// clang-format off
INSTANTIATE_TEST_SUITE_P(Codecs, MuxTable, ::testing::Values(
    MuxCase{"mpeg1video", "", "avmux_mpeg", "mpg", "mpeg1video", kSmall, 160, 120, 25, 50, 0},
    MuxCase{"mpeg1video", "max-b-frames=2", "mpegpsmux", "mpg", "mpeg1video", kSmall, 160, 120, 25, 50, 0},
    MuxCase{"mpeg2video", "max-b-frames=2", "mpegpsmux", "mpg", "mpeg2video", kSmall, 160, 120, 25, 50, 0},
    MuxCase{"mpeg2video", "", "avmux_dvd", "vob", "mpeg2video", kSmall, 160, 120, 25, 50, 0},
    MuxCase{"mpeg2video", "max-b-frames=2", "matroskamux", "mkv", "mpeg2video", kSmall, 160, 120, 25, 50, 0},
    MuxCase{"mpeg4", "max-b-frames=2", "mp4mux", "mp4", "mpeg4", kSmall, 160, 120, 25, 50, 0},
    MuxCase{"mpeg4", "", "qtmux", "mov", "mpeg4", kSmall, 160, 120, 25, 50, 0},
    MuxCase{"mpeg4", "", "avimux", "avi", "mpeg4", kSmall, 160, 120, 25, 50, 0},
    MuxCase{"flv1", "", "flvmux", "flv", "flv1", kSmall, 160, 120, 25, 50, 0},
    MuxCase{"wmv1", "", "avmux_asf", "wmv", "wmv1", kSmall, 160, 120, 25, 50, 0},
    MuxCase{"wmv2", "", "avmux_asf", "wmv", "wmv2", kSmall, 160, 120, 25, 50, 0},
    MuxCase{"wmv2", "", "asfmux", "wmv", "wmv2", kSmall, 160, 120, 25, 50, 3},
    MuxCase{"wmv2", "", "avimux", "avi", "wmv2", kSmall, 160, 120, 25, 50, 0},
    MuxCase{"dvvideo", "", "avimux", "avi", "dvvideo", kPal, 720, 576, 25, 10, 0},
    MuxCase{"dvvideo", "", "qtmux", "mov", "dvvideo", kNtsc411, 720, 480, 29.97, 10, 0}),
    [](const auto& info) { return std::string(info.param.codec) + "_" + info.param.muxer; });
// clang-format on

// Reordered streams must come back in display order, one frame per tick, with nothing lost.
TEST_F(AvcodecEncoderTest, BFramesKeepDisplayOrderAndCount) {
    struct Case {
        const char* codec;
        const char* muxer;
        const char* ext;
    };
    for (const Case c : {Case{"mpeg2video", "mpegpsmux", "mpg"}, Case{"mpeg4", "mp4mux", "mp4"},
                         Case{"mpeg1video", "matroskamux", "mkv"}}) {
        SCOPED_TRACE(c.codec);
        const QString out = Path(QString("b.%1").arg(c.ext));
        std::string error;
        ASSERT_TRUE(RunPipeline(std::string("videotestsrc num-buffers=40 ! ") + kSmall +
                                    " ! videoconvert ! rvavcodecvenc max-b-frames=3 gop-size=10 "
                                    "codec=" +
                                    c.codec + " ! " + c.muxer +
                                    " ! filesink location=" + out.toStdString(),
                                &error))
            << error;
        const std::vector<double> pts = FramePtsSeconds(out);
        ASSERT_EQ(pts.size(), 40u);
        for (std::size_t i = 1; i < pts.size(); ++i)
            ASSERT_NEAR(pts[i] - pts[i - 1], 0.04, 0.002) << "frame " << i;
    }
}

// Settings or formats the codec cannot carry end in a bus error, never in a hang or a file
// that claims success.
TEST_F(AvcodecEncoderTest, RejectsWhatTheFormatCannotCarry) {
    const char* cases[] = {
        // DV knows only its broadcast systems.
        "videotestsrc num-buffers=5 ! video/x-raw,width=160,height=120,framerate=25/1 ! "
        "videoconvert ! rvavcodecvenc codec=dvvideo ! fakesink",
        // MPEG-1 has no 15 fps.
        "videotestsrc num-buffers=5 ! video/x-raw,width=160,height=120,framerate=15/1 ! "
        "videoconvert ! rvavcodecvenc codec=mpeg1video ! fakesink",
        // A peak below the target.
        "videotestsrc num-buffers=5 ! video/x-raw,width=160,height=120,framerate=25/1 ! "
        "videoconvert ! rvavcodecvenc codec=mpeg2video bitrate=2000 max-bitrate=1000 ! fakesink",
        // WMV cannot go into MPEG-4 files.
        "videotestsrc num-buffers=5 ! video/x-raw,width=160,height=120,framerate=25/1 ! "
        "videoconvert ! rvavcodecvenc codec=wmv2 ! mp4mux ! fakesink",
    };
    for (const char* description : cases) {
        std::string error;
        EXPECT_FALSE(RunPipeline(description, &error)) << description;
        EXPECT_NE(error, "timed out") << description;
    }
}

// Rate control: where ffmpeg's encoder meets a target, ours must too, and it must not
// drift from what ffmpeg reaches on the same frames.
TEST_F(AvcodecEncoderTest, BitRateFollowsTargetLikeFfmpeg) {
    const QString input = Path("moving.y4m");
    std::string error;
    ASSERT_TRUE(RunPipeline("videotestsrc num-buffers=75 pattern=smpte horizontal-speed=4 ! "
                            "video/x-raw,format=I420,width=320,height=240,framerate=25/1 ! "
                            "y4menc ! filesink location=" +
                                input.toStdString(),
                            &error))
        << error;
    const double seconds = 3.0;
    struct Case {
        const char* codec;
        const char* ffmpegCodec;
        int targetKbps;
        int maxKbps;
    };
    int reached = 0;
    for (const Case c :
         {Case{"mpeg1video", "mpeg1video", 1500, 0}, Case{"mpeg2video", "mpeg2video", 1500, 0},
          Case{"mpeg4", "mpeg4", 1500, 0}, Case{"flv1", "flv", 1500, 0},
          Case{"wmv1", "wmv1", 1500, 0}, Case{"wmv2", "wmv2", 1500, 0},
          Case{"wmv2", "wmv2", 1000, 1200}, Case{"mpeg2video", "mpeg2video", 1000, 1200}}) {
        SCOPED_TRACE(std::string(c.codec) + " " + std::to_string(c.targetKbps) + "k max " +
                     std::to_string(c.maxKbps));
        const QString ours = Path("ours.es");
        const QString theirs = Path("theirs.es");
        const std::string props =
            "bitrate=" + std::to_string(c.targetKbps) + " max-bitrate=" + std::to_string(c.maxKbps);
        ASSERT_TRUE(RunPipeline("filesrc location=" + input.toStdString() +
                                    " ! y4mdec ! videoconvert ! rvavcodecvenc codec=" + c.codec +
                                    " " + props + " ! filesink location=" + ours.toStdString(),
                                &error))
            << error;
        QStringList args{
            "-v",  "error", "-y",          "-nostdin", "-i",
            input, "-c:v",  c.ffmpegCodec, "-b:v",     QString("%1k").arg(c.targetKbps)};
        if (c.maxKbps > 0)
            args << "-maxrate" << QString("%1k").arg(c.maxKbps) << "-bufsize"
                 << QString("%1k").arg(c.maxKbps);
        args << "-f"
             << "rawvideo" << theirs;
        bool ok = false;
        const QString log = RunTool("ffmpeg", args, &ok);
        ASSERT_TRUE(ok) << log.toStdString();

        const double oursKbps = QFileInfo(ours).size() * 8 / seconds / 1000;
        const double theirsKbps = QFileInfo(theirs).size() * 8 / seconds / 1000;
        EXPECT_NEAR(oursKbps, theirsKbps, theirsKbps * 0.05);
        if (std::abs(theirsKbps - c.targetKbps) <= c.targetKbps * 0.1) {
            ++reached;
            EXPECT_NEAR(oursKbps, c.targetKbps, c.targetKbps * 0.1);
        }
    }
    EXPECT_GE(reached, 4); // the input is hard enough for most codecs to meet the target
}

// Camera MJPEG is full range; every output here must be limited range. Wrong levels cost
// several dB against the source, so comparing with ffmpeg's encode of the same file shows it.
TEST_F(AvcodecEncoderTest, FullRangeInputComesOutAsLimitedRange) {
    const QString input = Path("camera.avi");
    testsupport::TestAviOptions options;
    options.seconds = 2.0;
    options.withAudio = false;
    QString makeError;
    ASSERT_TRUE(testsupport::MakeTestAvi(input, options, &makeError)) << makeError.toStdString();

    struct Case {
        const char* codec;
        const char* ffmpegCodec;
        const char* muxer;
        const char* ext;
    };
    for (const Case c :
         {Case{"mpeg2video", "mpeg2video", "mpegpsmux", "mpg"},
          Case{"flv1", "flv", "flvmux", "flv"}, Case{"wmv2", "wmv2", "avmux_asf", "wmv"},
          Case{"mpeg4", "mpeg4", "mp4mux", "mp4"}}) {
        SCOPED_TRACE(c.codec);
        const QString ours = Path(QString("ours.%1").arg(c.ext));
        const QString theirs = Path(QString("theirs.%1").arg(c.ext));
        std::string error;
        // islow: jpegdec's default fast IDCT alone costs up to 3 dB against ffmpeg's decoder.
        ASSERT_TRUE(RunPipeline("filesrc location=" + input.toStdString() +
                                    " ! avidemux ! jpegdec idct-method=islow ! videoconvert ! "
                                    "rvavcodecvenc bitrate=150 codec=" +
                                    c.codec + " ! " + c.muxer +
                                    " ! filesink location=" + ours.toStdString(),
                                &error))
            << error;
        bool ok = false;
        const QString log = RunTool("ffmpeg",
                                    {"-v", "error", "-y", "-nostdin", "-i", input, "-c:v",
                                     c.ffmpegCodec, "-b:v", "150k", theirs},
                                    &ok);
        ASSERT_TRUE(ok) << log.toStdString();
        const double oursDb = FfmpegPsnr(ours, input);
        const double theirsDb = FfmpegPsnr(theirs, input);
        ASSERT_GT(theirsDb, 30.0);
        EXPECT_GE(oursDb, theirsDb - 0.5) << "ours " << oursDb << " dB, ffmpeg " << theirsDb;
    }
}

// Taller pictures are BT.709 for these codecs' decoders, so BT.709 input must pass unchanged
// (converting it to BT.601 would shift every colour against ffmpeg's output).
TEST_F(AvcodecEncoderTest, HdInputKeepsItsMatrix) {
    const QString input = Path("hd.y4m");
    std::string error;
    ASSERT_TRUE(RunPipeline("videotestsrc num-buffers=10 pattern=smpte ! "
                            "video/x-raw,format=I420,width=176,height=720,framerate=25/1,"
                            "colorimetry=bt709 ! y4menc ! filesink location=" +
                                input.toStdString(),
                            &error))
        << error;
    for (const char* codec : {"mpeg4", "wmv2"}) {
        SCOPED_TRACE(codec);
        const QString ours = Path(QString("hd_%1.avi").arg(codec));
        const QString theirs = Path(QString("hd_ffmpeg_%1.avi").arg(codec));
        ASSERT_TRUE(RunPipeline("filesrc location=" + input.toStdString() +
                                    " ! y4mdec ! videoconvert ! rvavcodecvenc bitrate=400 codec=" +
                                    codec + " ! avimux ! filesink location=" + ours.toStdString(),
                                &error))
            << error;
        bool ok = false;
        const QString log = RunTool(
            "ffmpeg",
            {"-v", "error", "-y", "-nostdin", "-i", input, "-c:v", codec, "-b:v", "400k", theirs},
            &ok);
        ASSERT_TRUE(ok) << log.toStdString();
        const double oursDb = FfmpegPsnr(ours, input);
        const double theirsDb = FfmpegPsnr(theirs, input);
        ASSERT_GT(theirsDb, 30.0);
        EXPECT_GE(oursDb, theirsDb - 0.5) << "ours " << oursDb << " dB, ffmpeg " << theirsDb;
    }
}

} // namespace

int main(int argc, char** argv) {
    gst_init(&argc, &argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
