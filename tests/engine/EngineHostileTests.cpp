// The hostile-input corpus through the engine, added and started as the batch does: every file
// ends within a bound, no media library asserts on the way, and a run either produces an output
// that reads back or reports an error and leaves nothing in the output folder.

#include "EngineTestUtil.h"

#include <QDir>
#include <QElapsedTimer>

#include <map>

using enginetest::LibraryCriticals;
using enginetest::Recorder;

namespace {

constexpr int kBoundMs = 30000; // per file and format

const QStringList kMpeg1{"OUTPUT_FORMAT", "MPEG1", "VIDEO_FORMAT", "MPEG1", "AUDIO_FORMAT", "MP2"};

class HostileEngine : public ::testing::TestWithParam<const char*> {
protected:
    static void SetUpTestSuite() {
        dir_ = new QTemporaryDir;
        QString error;
        for (const auto& in : testsupport::MakeHostileCorpus(dir_->filePath("corpus"), &error))
            corpus_[in.name] = in;
        ASSERT_FALSE(corpus_.empty()) << error.toStdString();
    }
    static void TearDownTestSuite() {
        corpus_.clear();
        delete dir_;
    }
    static inline QTemporaryDir* dir_ = nullptr;
    static inline std::map<QString, testsupport::HostileInput> corpus_;
};

bool Listed(std::initializer_list<const char*> names, const QString& name) {
    for (const char* n : names)
        if (name == QLatin1String(n))
            return true;
    return false;
}

TEST_P(HostileEngine, EndsWithAnOutputOrAnError) {
    const QString name = QString::fromLatin1(GetParam());
    ASSERT_TRUE(corpus_.count(name)) << GetParam();
    const testsupport::HostileInput& in = corpus_.at(name);
    const bool mustFail = Listed({"Empty", "Text", "HeaderOnly", "CutInHeaders", "RandomBytes",
                                  "AbsurdFrameSize", "RawRgb", "Folder", "DanglingLink"},
                                 name);
    const bool mustConvert = Listed({"AudioOnly", "CutMidStream"}, name);
    for (const bool mp3 : {false, true}) {
        SCOPED_TRACE((in.what + (mp3 ? " as MP3" : " as MPEG")).toStdString());
        QTemporaryDir out;
        const QString output = out.filePath(mp3 ? "x.mp3" : "x.mpg");
        LibraryCriticals criticals;
        TKXVideoEdit e;
        e.SetStallTimeoutMs(10000);
        Recorder r;
        r.Attach(e);
        e.Input_AddVideoFile(in.path, -1, -1, -1, 1);
        e.Input_AddAudioFile(in.path, -1, -1, -1, in.path);
        e.setOutput_File_Name(output);
        e.setOutput_Format(mp3 ? kx::Format_LAME : kx::Format_IndStr_Standard_MPEG);
        e.setVideo_FrameRate(0.0);
        for (int i = 0; i + 1 < kMpeg1.size(); i += 2)
            e.Standard_MPEG_Parameter_Add(kMpeg1[i], kMpeg1[i + 1]);
        QElapsedTimer timer;
        timer.start();
        e.Start();
        ASSERT_TRUE(e.WaitForFree(kBoundMs)) << "no end within " << kBoundMs << " ms";
        const QStringList events = r.Events();
        const std::string log = events.join("\n").toStdString();
        EXPECT_TRUE(criticals.Texts().isEmpty()) << criticals.Texts().join('\n').toStdString();
        const QStringList left = QDir(out.path()).entryList(QDir::Files | QDir::Hidden);
        if (r.errorTexts.isEmpty()) {
            EXPECT_FALSE(mustFail) << log;
            ASSERT_FALSE(events.isEmpty());
            EXPECT_EQ(events.last(), "stop") << log;
            const testsupport::MediaInfo info = testsupport::ProbeMedia(output);
            ASSERT_TRUE(info.ok) << info.error.toStdString() << "\n" << log;
            EXPECT_TRUE(mp3 ? info.hasAudio && !info.hasVideo : info.hasVideo || info.hasAudio);
            EXPECT_EQ(left, QStringList{"x" + QString(mp3 ? ".mp3" : ".mpg")}) << log;
        } else {
            EXPECT_FALSE(mustConvert) << log;
            EXPECT_TRUE(left.isEmpty()) << left.join(' ').toStdString() << "\n" << log;
            // A run that reached its graph ends with OnStop; one that could not start, without.
            if (events.contains("start")) {
                EXPECT_EQ(events.last(), "stop") << log;
            }
        }
        std::printf("[ outcome  ] %s as %s: %s (%lld ms)\n", GetParam(), mp3 ? "MP3" : "MPEG",
                    r.errorTexts.isEmpty() ? "converted"
                                           : r.errorTexts.last().toLocal8Bit().constData(),
                    static_cast<long long>(timer.elapsed()));
    }
}

INSTANTIATE_TEST_SUITE_P(Corpus, HostileEngine,
                         ::testing::Values("Empty", "Text", "HeaderOnly", "CutInHeaders",
                                           "CutMidStream", "CorruptedFrames", "AbsurdFrameSize",
                                           "RandomBytes", "AudioOnly", "VideoOnlyOddSize",
                                           "Fps1000", "RawRgb", "Folder", "DanglingLink"),
                         [](const auto& info) { return std::string(info.param); });

} // namespace
