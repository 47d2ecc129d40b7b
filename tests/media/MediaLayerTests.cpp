#include "platform/media/FilterRegistry.h"
#include "platform/media/Graph.h"
#include "platform/media/MediaDetector.h"
#include "tests/support/TestMedia.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace media;

namespace {

class MediaLayer : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new QTemporaryDir;
        avi_ = dir_->filePath(QStringLiteral("clip.avi"));
        ASSERT_TRUE(testsupport::MakeTestAvi(avi_, 1.0));
    }
    static void TearDownTestSuite() { delete dir_; }
    static QString Path(const char* name) { return dir_->filePath(QString::fromLatin1(name)); }

    static inline QTemporaryDir* dir_ = nullptr;
    static inline QString avi_;
};

FilterPtr Make(const char* description) {
    HRESULT hr = E_FAIL;
    FilterPtr f = CreateFilterFromDescription(QString::fromLatin1(description), hr);
    EXPECT_TRUE(f) << description;
    return f;
}

PinPtr FirstPin(const FilterPtr& f, PinDirection direction) {
    for (const PinPtr& p : f->Pins())
        if (p->Direction() == direction)
            return p;
    return nullptr;
}

/// Runs the graph until it completes or fails; the event code, or 0 on time-out.
int RunToEnd(Graph& graph, QString* message = nullptr) {
    graph.SetNoSyncSource();
    if (Failed(graph.Run()))
        return -1;
    GraphEvent event;
    for (int i = 0; i < 100; ++i) {
        if (graph.WaitForEvent(200, event) == S_OK) {
            if (message)
                *message = event.message;
            graph.Stop();
            return event.code;
        }
    }
    graph.Stop();
    return 0;
}

} // namespace

TEST_F(MediaLayer, DetectorReadsStreamsOfAGeneratedAvi) {
    MediaDetector detector;
    ASSERT_EQ(detector.Open(avi_), S_OK) << detector.ErrorText().toStdString();
    ASSERT_EQ(detector.StreamCount(), 2);
    const StreamInfo& video =
        detector.Stream(0).majorType == MajorType::Video ? detector.Stream(0) : detector.Stream(1);
    const StreamInfo& audio =
        &video == &detector.Stream(0) ? detector.Stream(1) : detector.Stream(0);
    EXPECT_EQ(video.mediaType.width, 160);
    EXPECT_EQ(video.mediaType.height, 120);
    EXPECT_DOUBLE_EQ(video.frameRate, 25.0);
    EXPECT_EQ(video.mediaType.subtype, QStringLiteral("MJPG"));
    EXPECT_EQ(audio.majorType, MajorType::Audio);
    EXPECT_EQ(audio.mediaType.channels, 2);
    EXPECT_NEAR(detector.LengthSeconds(), 1.0, 0.05);
}

// Each stream has its own length, what the file really holds; the header's declaration is kept
// beside it, so that a file cut short can be told from a short one.
TEST_F(MediaLayer, DetectorGivesEachStreamItsOwnAndItsDeclaredLength) {
    testsupport::TestAviOptions o;
    o.seconds = 2.0;
    o.audioSeconds = 3.0;
    ASSERT_TRUE(testsupport::MakeTestAvi(Path("v2a3.avi"), o));
    ASSERT_TRUE(testsupport::MakeTruncatedCopy(Path("v2a3.avi"), Path("v2a3-cut.avi"), 30));
    struct {
        const char* file;
        bool cut;
    } cases[] = {{"v2a3.avi", false}, {"v2a3-cut.avi", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        MediaDetector d;
        ASSERT_EQ(d.Open(Path(c.file)), S_OK) << d.ErrorText().toStdString();
        ASSERT_EQ(d.StreamCount(), 2);
        for (const StreamInfo& s : d.Streams()) {
            const double declared = s.majorType == MajorType::Video ? 2.0 : 3.0;
            if (c.cut) {
                EXPECT_GT(s.lengthSeconds, 0.0);
                EXPECT_LT(s.lengthSeconds, 1.5); // 30 % of the data
            } else {
                EXPECT_NEAR(s.lengthSeconds, declared, 0.03);
            }
            EXPECT_NEAR(s.declaredLengthSeconds, declared, 0.03);
            EXPECT_TRUE(s.decodable);
        }
        EXPECT_NEAR(d.DeclaredLengthSeconds(), 3.0, 0.03);
    }
}

// Header values no media library should compute with, and a stream nothing of which decodes.
TEST_F(MediaLayer, DetectorJudgesHeadersAndDecodability) {
    QString error;
    const auto corpus = testsupport::MakeHostileCorpus(Path("corpus"), &error);
    ASSERT_FALSE(corpus.empty()) << error.toStdString();
    auto find = [&](const char* name) {
        for (const auto& in : corpus)
            if (in.name == QLatin1String(name))
                return in.path;
        return QString();
    };
    for (const char* name : {"RawRgb", "AbsurdFrameSize", "HeaderOnly", "CutInHeaders"}) {
        MediaDetector d;
        EXPECT_EQ(d.Open(find(name)), VFW_E_INVALID_FILE_FORMAT) << name;
        EXPECT_TRUE(d.ErrorText().startsWith("the "))
            << name << ": " << d.ErrorText().toStdString();
    }
    MediaDetector d;
    ASSERT_EQ(d.Open(find("CorruptedFrames")), S_OK) << d.ErrorText().toStdString();
    for (const StreamInfo& s : d.Streams())
        EXPECT_EQ(s.decodable, s.majorType == MajorType::Audio);
}

TEST_F(MediaLayer, RenderCheckSaysWhyAFileCannotBePlayed) {
    QFile text(Path("notes.avi"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("These are meeting notes, not a movie.\n");
    text.close();
    {
        // Cut inside the stream headers, as a copy that broke off at once.
        QFile whole(avi_), cut(Path("cut.avi"));
        ASSERT_TRUE(whole.open(QIODevice::ReadOnly) && cut.open(QIODevice::WriteOnly));
        cut.write(whole.read(600));
    }
    QFile::copy(avi_, Path("empty.avi"));
    QFile(Path("empty.avi")).resize(0);

    struct Case {
        QString file;
        bool accepted;
        std::vector<HRESULT> results;
    } cases[] = {
        {avi_, true, {S_OK}},
        {Path("missing.avi"), false, {E_FILE_NOT_FOUND}},
        {Path("notes.avi"), false, {VFW_E_UNKNOWN_FILE_TYPE}},
        {Path("empty.avi"), false, {VFW_E_UNKNOWN_FILE_TYPE}},
        {Path("cut.avi"), false, {VFW_E_INVALID_FILE_FORMAT, VFW_E_UNKNOWN_FILE_TYPE}},
    };
    for (const Case& c : cases) {
        const HRESULT hr = CheckRenderable(c.file);
        EXPECT_EQ(Succeeded(hr), c.accepted) << c.file.toStdString();
        EXPECT_NE(std::find(c.results.begin(), c.results.end(), hr), c.results.end())
            << c.file.toStdString() << " gave " << std::hex << hr;
    }
}

TEST_F(MediaLayer, ConnectInsertsConvertersAndTheGraphRuns) {
    Graph graph;
    FilterPtr source = Make("audiotestsrc num-buffers=20 ! capsfilter "
                            "caps=audio/x-raw,format=S16LE,rate=44100,channels=2");
    FilterPtr sink =
        Make("capsfilter caps=audio/x-raw,format=F32LE,rate=8000,channels=1 ! fakesink");
    ASSERT_EQ(graph.AddFilter(source, QStringLiteral("Source")), S_OK);
    ASSERT_EQ(graph.AddFilter(sink, QStringLiteral("Sink")), S_OK);

    ASSERT_EQ(
        graph.Connect(FirstPin(source, PinDirection::Output), FirstPin(sink, PinDirection::Input)),
        S_OK);
    QStringList names;
    for (const FilterPtr& f : graph.Filters())
        names << f->Name();
    EXPECT_EQ(names, QStringList({"Source", "Sink", "Audio Converter", "Audio Resampler"}));
    EXPECT_EQ(FirstPin(source, PinDirection::Output)->ConnectedTo()->Owner()->Name(),
              QStringLiteral("Audio Converter"));
    EXPECT_EQ(RunToEnd(graph), EC_COMPLETE);

    std::int64_t position = 0;
    EXPECT_EQ(sink->CurrentPosition(position), S_OK);
    EXPECT_NEAR(double(position) / 1e7, 20 * 1024 / 44100.0, 0.001); // 20 buffers of 1024 samples
}

TEST_F(MediaLayer, ConnectFailsAtOnceWhenNoConverterHelps) {
    Graph graph;
    FilterPtr video = Make("videotestsrc num-buffers=5");
    FilterPtr mp3 = Make("lamemp3enc");
    graph.AddFilter(video, QStringLiteral("Video"));
    graph.AddFilter(mp3, QStringLiteral("MP3"));
    EXPECT_EQ(
        graph.Connect(FirstPin(video, PinDirection::Output), FirstPin(mp3, PinDirection::Input)),
        VFW_E_CANNOT_CONNECT);
    EXPECT_EQ(graph.Filters().size(), 2u) << "a failed connect leaves no converter behind";
    EXPECT_FALSE(FirstPin(video, PinDirection::Output)->ConnectedTo());
}

TEST_F(MediaLayer, MultiplexerRequestInputsAppearAsNumberedPins) {
    Graph graph;
    HRESULT hr = E_FAIL;
    FilterPtr mux = CreateFilterFromClsid(Clsid::AviMux, hr);
    ASSERT_EQ(hr, S_OK);
    graph.AddFilter(mux, QStringLiteral("AVI Mux"));
    FilterPtr a = Make("audiotestsrc num-buffers=5");
    FilterPtr b = Make("audiotestsrc num-buffers=5");
    graph.AddFilter(a, QStringLiteral("A"));
    graph.AddFilter(b, QStringLiteral("A")); // duplicate names get a number
    EXPECT_EQ(b->Name(), QStringLiteral("A 0001"));

    auto audioInputs = [&] {
        QStringList names;
        for (const PinPtr& p : mux->Pins())
            if (p->Direction() == PinDirection::Input &&
                p->Name().startsWith(QLatin1String("audio")))
                names << p->Name() + (p->ConnectedTo() ? "*" : "");
        return names;
    };
    EXPECT_EQ(audioInputs(), QStringList({"audio_0"}));
    PinPtr free;
    for (const PinPtr& p : mux->Pins())
        if (p->Name() == QLatin1String("audio_0"))
            free = p;
    ASSERT_EQ(graph.Connect(FirstPin(a, PinDirection::Output), free), S_OK);
    EXPECT_EQ(audioInputs(), QStringList({"audio_0*", "audio_1"}));
}

TEST_F(MediaLayer, DumpListsFiltersPinsConnectionsAndTypes) {
    Graph graph;
    FilterPtr source = Make("audiotestsrc num-buffers=1 ! capsfilter "
                            "caps=audio/x-raw,format=S16LE,rate=48000,channels=2");
    HRESULT hr = E_FAIL;
    FilterPtr dump = CreateFilterFromClsid(Clsid::NullRenderer, hr);
    graph.AddFilter(source, QStringLiteral("Source"));
    graph.AddFilter(dump, QStringLiteral("Null Renderer"));
    ASSERT_EQ(graph.ConnectDirect(FirstPin(source, PinDirection::Output),
                                  FirstPin(dump, PinDirection::Input)),
              S_OK);
    const QString text = QString::fromLocal8Bit(graph.DumpText());
    EXPECT_TRUE(text.startsWith(QLatin1String(
        "Filters count: 2\r\n\r\nFilter name: Source\r\n  Pin 0 - Output - src\r\n"
        "    Connected to: Null Renderer, sink\r\n    Mediatypes:\r\n"
        "      Audio: PCM 48000 Hz 2 ch 16 bit\r\n\r\n\r\nFilter name: Null Renderer\r\n")))
        << text.toStdString();
    const QString grf = Path("graph.grf");
    EXPECT_EQ(graph.SaveGraphFile(grf), S_OK);
    QFile f(grf);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.readAll().startsWith("digraph"));
}
