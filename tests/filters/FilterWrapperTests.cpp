#include "FakeFilter.h"
#include "filters/DSBaseFilter.h"

#include <gtest/gtest.h>

using media::MajorType;
using media::PinDirection;
using media::PinPtr;

TEST(PinLookup, FindPinCountsOnlyPinsOfTheAskedDirection) {
    FakeFilter f;
    f.AddPin(PinDirection::Input, "in1");
    f.AddPin(PinDirection::Output, "out1");
    f.AddPin(PinDirection::Input, "in2");
    f.AddPin(PinDirection::Output, "out2");
    struct Case {
        int direction, index;
        const char* expected; // nullptr = not found
    } cases[] = {{1, 2, "out2"}, {1, 1, "out1"}, {0, 2, "in2"}, {0, 3, nullptr}, {1, 0, nullptr}};
    for (const Case& c : cases) {
        PinPtr pin;
        const bool found = FindPin(&f, c.direction, c.index, pin);
        EXPECT_EQ(found, c.expected != nullptr) << c.direction << "/" << c.index;
        if (c.expected) {
            EXPECT_EQ(pin->Name(), QString::fromLatin1(c.expected));
        }
    }
    PinPtr none;
    EXPECT_FALSE(FindPin(nullptr, 0, 1, none));
}

TEST(PinLookup, FindFreePinSkipsConnectedPinsAndOtherTypes) {
    FakeFilter f;
    auto busy = f.AddPin(PinDirection::Input, "audio busy", MajorType::Audio);
    f.AddPin(PinDirection::Input, "video", MajorType::Video);
    f.AddPin(PinDirection::Output, "audio out", MajorType::Audio);
    f.AddPin(PinDirection::Input, "audio free", MajorType::Audio);
    FakeFilter other;
    busy->peer = other.AddPin(PinDirection::Output, "peer", MajorType::Audio);
    PinPtr pin;
    ASSERT_TRUE(FindFreePin(&f, 0, MajorType::Audio, pin));
    EXPECT_EQ(pin->Name(), QStringLiteral("audio free"));
    EXPECT_FALSE(FindFreePin(&f, 1, MajorType::Video, pin));
}

TEST(BaseFilter, ReportErrorStaysInsideTheTextTable) {
    TKXWideStringList texts(QStringList{"0 Unknown error", "one", "two"});
    std::vector<std::pair<int, QString>> calls;
    TDSBaseFilter f;
    f.ErrorTexts = &texts;
    f.OnError = [&](int code, const QString& text) { calls.emplace_back(code, text); };
    for (int code : {0, 2, 3, -1, 1})
        f.ReportError(code);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0], std::make_pair(2, QStringLiteral("two")));
    EXPECT_EQ(calls[1], std::make_pair(1, QStringLiteral("one")));

    f.OnError = [](int, const QString&) { throw std::runtime_error("handler failed"); };
    EXPECT_NO_THROW(f.ReportError(1));
}

TEST(BaseFilter, CreateFilterAnnouncesOnlyWhatExists) {
    TDSBaseFilter f;
    EXPECT_TRUE(f.CreateFilter()) << "no handler: nothing to announce";
    QStringList announced;
    f.OnFilterAdded = [&](const QString& name, media::Filter*) { announced << name; };
    EXPECT_FALSE(f.CreateFilter()) << "handler but no filter";
    f.Filter = std::make_shared<FakeFilter>();
    f.FilterName = QStringLiteral("   ");
    EXPECT_FALSE(f.CreateFilter());
    f.FilterName = QStringLiteral("Mine");
    EXPECT_TRUE(f.CreateFilter());
    EXPECT_EQ(announced, QStringList{"Mine"});
}

TEST(BaseFilter, ConnectInputWithoutInputPinFails) {
    TDSBaseFilter f;
    auto fake = std::make_shared<FakeFilter>();
    fake->AddPin(PinDirection::Output, "out");
    f.Filter = fake;
    EXPECT_EQ(f.ConnectInput(fake->pins[0]), media::E_FAIL);
}

TEST(DeviceEnum, NamingRules) {
    using media::CategoryEntry;
    const std::vector<CategoryEntry> compressors = {
        {"PCM", "", "", "", "", 0},
        {"pcm", "", "{not a guid}", "", "", 0},
        {"  ", "", "", "", "", 0},
        {"Camera Microsoft DV Camera and VCR", "Sony", "", "", "", 0},
    };
    const auto named = TKXSysDevEnum::NamedEntries(media::Category::AudioCompressors, compressors);
    QStringList names;
    for (const auto& e : named)
        names << e.FriendlyName;
    EXPECT_EQ(names, QStringList({"PCM", "pcm (2)", "[no name]", "Sony Camera (DV)"}));
    EXPECT_EQ(named[1].ClassId, QStringLiteral("{00000000-0000-0000-0000-000000000000}"));

    const std::vector<CategoryEntry> renderers = {
        {"Default DirectSound Device", "", "", "", "", 0},
        {"DirectSound: Speakers", "", "", "", "", 0},
        {"Default WaveOut Device", "", "", "", "", 0},
        {"Speakers", "", "", "", "", 0},
        {"Headphones", "", "", "", "", 0},
    };
    names.clear();
    for (const auto& e : TKXSysDevEnum::NamedEntries(media::Category::AudioRenderers, renderers))
        names << e.FriendlyName;
    EXPECT_EQ(names, QStringList({"Default DirectSound Device", "Speakers", "<ignore>",
                                  "<ignore> (2)", "<ignore> (3)"}));

    std::vector<CategoryEntry> many(12, CategoryEntry{"X", "", "", "", "", 0});
    names.clear();
    for (const auto& e : TKXSysDevEnum::NamedEntries(media::Category::Filters, many))
        names << e.FriendlyName;
    EXPECT_EQ(names.mid(9), QStringList({"X (10)", "X", "X"})) << "past ten the name stays";
}

TEST(DeviceEnum, RealCategoriesListTheEntriesChainsNeed) {
    TKXSysDevEnum video;
    video.SelectCategory(media::Category::VideoCompressors);
    EXPECT_GE(video.IndexOf(QStringLiteral("mjpeg compressor")), 0);
    TKXSysDevEnum audio;
    audio.SelectCategory(media::Category::AudioCompressors);
    EXPECT_GE(audio.IndexOf(QStringLiteral("PCM")), 0);
    TKXSysDevEnum renderers;
    renderers.SelectCategory(media::Category::AudioRenderers);
    EXPECT_EQ(renderers.IndexOf(QStringLiteral("Default DirectSound Device")), 0);
    TKXSysDevEnum filters;
    filters.SelectCategory(media::Category::Filters);
    for (const char* name : {"AVI Mux", "File Writer", "Inf Tee", "Standard MPEG"})
        EXPECT_GE(filters.IndexOf(QString::fromLatin1(name)), 0) << name;

    media::Graph graph;
    TDSCatFilter cat;
    cat.Graph = &graph;
    cat.DeviceEnum = &video;
    cat.FriendlyName = QStringLiteral("MJPEG Compressor");
    ASSERT_TRUE(cat.CreateFilter());
    EXPECT_EQ(graph.Filters().at(0)->Name(), QStringLiteral("MJPEG Compressor"));
    cat.FriendlyName = QStringLiteral("   ");
    EXPECT_FALSE(cat.CreateFilter());
}

TEST(FileWriter, GetsItsNameThroughTheSinkInterfaceItHas) {
    media::Graph graph;
    TDSFileWriter writer;
    writer.Graph = &graph;
    ASSERT_TRUE(writer.CreateFilter());
    ASSERT_TRUE(writer.QuerySink());
    EXPECT_TRUE(writer.Sink2);
    writer.SetFileName(QStringLiteral("/tmp/out.mpg"));
    QString current;
    EXPECT_EQ(writer.Sink2->GetCurFile(current), media::S_OK);
    EXPECT_EQ(current, QStringLiteral("/tmp/out.mpg"));

    TDSDump dump;
    dump.Graph = &graph;
    ASSERT_TRUE(dump.CreateFilter());
    ASSERT_TRUE(dump.QuerySink());
    EXPECT_FALSE(dump.Sink2) << "the dump filter offers only the plain interface";
    dump.SetFileName(QStringLiteral("/tmp/out.mp3"));
    ASSERT_TRUE(dump.Sink);
    dump.Sink->GetCurFile(current);
    EXPECT_EQ(current, QStringLiteral("/tmp/out.mp3"));
    dump.ReleaseFilter();
    EXPECT_FALSE(dump.SinkReady);
    EXPECT_FALSE(dump.QuerySink());
}

TEST(Wrappers, CreateFromClsidReportsCreateAndAddFailures) {
    TKXWideStringList texts(QStringList{"0", "1", "create failed", "add failed"});
    std::vector<int> codes;
    TDSBaseFilter f;
    f.ErrorTexts = &texts;
    f.OnError = [&](int code, const QString&) { codes.push_back(code); };
    f.CreateErrorCode = 2;
    f.AddErrorCode = 3;
    EXPECT_FALSE(f.CreateFromCLSID(QStringLiteral("{11111111-2222-3333-4444-555555555555}")));
    EXPECT_FALSE(f.CreateFromCLSID(media::Clsid::InfTee)) << "no graph to add to";
    EXPECT_EQ(codes, (std::vector<int>{2, 3}));
}
