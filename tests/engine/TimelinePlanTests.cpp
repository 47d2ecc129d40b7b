#include "engine/TimelinePlan.h"

#include <gtest/gtest.h>

#include <map>

using namespace engine;

namespace {

constexpr std::int64_t S = 10000000; // 100-ns units per second

TKXStream Video(const QString& file, int start = -1, int stop = -1, int insert = -1) {
    TKXStream s;
    s.FileName = file;
    s.Kind = 0;
    s.StartTimeMs = start;
    s.StopTimeMs = stop;
    s.InsertTimeMs = insert;
    return s;
}

TKXStream Audio(const QString& file, const QString& lengthSource = {}, int insert = -1) {
    TKXStream s;
    s.FileName = file;
    s.Kind = 1;
    s.LengthSourceFile = lengthSource;
    s.InsertTimeMs = insert;
    return s;
}

// Files of the table: "a" 10 s of video and audio, "b" 5 s, "long" 20 s audio only, "v12"
// 12 s video only, "v2a3" 2 s video and 3 s audio, "bad" unreadable.
LengthProbe Probe() {
    static const std::map<QString, MediaLengths> files{
        {"a", {10 * S, 10 * S, 10 * S}}, {"b", {5 * S, 5 * S, 5 * S}},
        {"long", {20 * S, -1, 20 * S}},  {"v12", {12 * S, 12 * S, -1}},
        {"v2a3", {3 * S, 2 * S, 3 * S}}, // the first stream listed is the longer audio
    };
    return [](const QString& f) {
        auto it = files.find(f);
        return it == files.end() ? MediaLengths{} : it->second;
    };
}

struct Expect {
    std::int64_t mediaStart, mediaStop, start, stop;
    int layer;
};

struct PlanCase {
    const char* name;
    std::vector<TKXStream> inputs;
    std::vector<Expect> video;
    std::vector<Expect> audio; // group 0
    std::int64_t duration;
};

void PrintTo(const PlanCase& c, std::ostream* os) {
    *os << c.name;
}

class PlanTable : public ::testing::TestWithParam<PlanCase> {};

TEST_P(PlanTable, PlacesInputs) {
    const PlanCase& c = GetParam();
    const TimelinePlanResult plan = PlanTimeline(c.inputs, true, Probe());
    ASSERT_EQ(plan.video.size(), c.video.size());
    for (size_t i = 0; i < c.video.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(plan.video[i].mediaStart100ns, c.video[i].mediaStart);
        EXPECT_EQ(plan.video[i].mediaStop100ns, c.video[i].mediaStop);
        EXPECT_EQ(plan.video[i].timelineStart100ns, c.video[i].start);
        EXPECT_EQ(plan.video[i].timelineStop100ns, c.video[i].stop);
        EXPECT_EQ(plan.video[i].layer, c.video[i].layer);
    }
    const auto& audio =
        plan.audioGroups.empty() ? std::vector<SourcePlacement>{} : plan.audioGroups[0];
    ASSERT_EQ(audio.size(), c.audio.size());
    for (size_t i = 0; i < c.audio.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(audio[i].mediaStart100ns, c.audio[i].mediaStart);
        EXPECT_EQ(audio[i].mediaStop100ns, c.audio[i].mediaStop);
        EXPECT_EQ(audio[i].timelineStart100ns, c.audio[i].start);
        EXPECT_EQ(audio[i].timelineStop100ns, c.audio[i].stop);
    }
    EXPECT_EQ(plan.duration100ns, c.duration);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PlanTable,
    ::testing::Values(
        // Two whole files follow each other; the later track lies on top (priority 0).
        PlanCase{"TwoWholeFiles",
                 {Video("a"), Video("b")},
                 {{0, 10 * S, 0, 10 * S, 1}, {0, 5 * S, 10 * S, 15 * S, 0}},
                 {},
                 15 * S},
        // A cut plays media 2..7 s and takes 5 s of the timeline.
        PlanCase{"Cut", {Video("a", 2000, 7000)}, {{2 * S, 7 * S, 0, 5 * S, 0}}, {}, 5 * S},
        // An explicit insert time places the input there; the next one follows it.
        PlanCase{"InsertThenAppend",
                 {Video("b", -1, -1, 3000), Video("b")},
                 {{0, 5 * S, 3 * S, 8 * S, 1}, {0, 5 * S, 8 * S, 13 * S, 0}},
                 {},
                 13 * S},
        // The audio length comes from the length source's video stream, not its own audio.
        PlanCase{"AudioLengthFromOtherFile",
                 {Audio("long", "v12")},
                 {},
                 {{0, 12 * S, 0, 12 * S, 0}},
                 12 * S},
        // The usual call: the same file as video and as audio cut to its video length.
        PlanCase{"SameFileBoth",
                 {Video("a"), Audio("a", "a")},
                 {{0, 10 * S, 0, 10 * S, 0}},
                 {{0, 10 * S, 0, 10 * S, 0}},
                 10 * S},
        // Audio with an insert time: the earlier position stays in the running sum.
        PlanCase{
            "AudioInsertKeepsPosition",
            {Audio("b"), Audio("b", {}, 1000), Audio("b")},
            {},
            {{0, 5 * S, 0, 5 * S, 0}, {0, 5 * S, 1 * S, 6 * S, 0}, {0, 5 * S, 11 * S, 16 * S, 0}},
            16 * S},
        // An audio-only file as video and as audio: no picture track, and the sound keeps its
        // own length since the length source has no video stream to give one.
        PlanCase{"AudioOnlyFileAsBoth",
                 {Video("long"), Audio("long", "long")},
                 {},
                 {{0, 20 * S, 0, 20 * S, 0}},
                 20 * S},
        // A video input takes its video stream's length even when the audio runs longer.
        PlanCase{"VideoShorterThanAudio",
                 {Video("v2a3"), Audio("v2a3", "v2a3")},
                 {{0, 2 * S, 0, 2 * S, 0}},
                 {{0, 2 * S, 0, 2 * S, 0}},
                 2 * S},
        // An unreadable file gets length 0 and is marked unknown.
        PlanCase{"UnreadableFile", {Video("bad")}, {{0, 0, 0, 0, 0}}, {}, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TimelinePlan, SpeedDividesTheTimelineLength) {
    TKXStream fast = Video("a");
    fast.Speed = 2.0;
    TKXStream slow = Video("b");
    slow.Speed = 0.75;
    const auto placed = PlaceVideoInputs({fast, slow}, Probe());
    ASSERT_EQ(placed.size(), 2u);
    EXPECT_EQ(placed[0].timelineStop100ns, 5 * S);
    EXPECT_EQ(placed[0].mediaStop100ns, 10 * S);
    EXPECT_EQ(placed[1].timelineStart100ns, 5 * S);
    EXPECT_EQ(placed[1].timelineStop100ns, 5 * S + RoundHalfEven(5.0 * S / 0.75));
    EXPECT_FALSE(PlaceVideoInputs({Video("bad")}, Probe())[0].lengthKnown);
}

TEST(TimelinePlan, AudioGroupsCountDistinctNumbers) {
    TKXStream g0 = Audio("a");
    TKXStream g1 = Audio("b");
    g1.AudioGroup = 1;
    EXPECT_EQ(AudioGroupCount({g0, g1, g1}), 2);
    EXPECT_EQ(AudioGroupCount({Video("a")}), 0);
    const auto plan = PlanTimeline({g0, g1}, true, Probe());
    ASSERT_EQ(plan.audioGroups.size(), 2u);
    EXPECT_EQ(plan.audioGroups[1][0].timelineStop100ns, 5 * S);
    EXPECT_TRUE(PlanTimeline({g0}, false, Probe()).audioGroups.empty());
}

TEST(TimelinePlan, RoundingAndPercent) {
    struct {
        double value;
        std::int64_t rounded;
    } rounding[] = {{12.5, 12}, {13.5, 14}, {-0.5, 0}, {-1.5, -2}, {2.4999, 2}, {2.5001, 3}};
    for (const auto& r : rounding)
        EXPECT_EQ(RoundHalfEven(r.value), r.rounded) << r.value;
    EXPECT_EQ(ProgressPercent(1, 3), 33);
    EXPECT_EQ(ProgressPercent(125, 1000), 12);
    EXPECT_EQ(ProgressPercent(135, 1000), 14);
    EXPECT_EQ(ProgressPercent(1100, 1000), 110); // not clamped
    EXPECT_EQ(ProgressPercent(5, 0), 0);
}

TEST(TimelinePlan, FrameRatePicturesAndDebugNames) {
    EXPECT_DOUBLE_EQ(GroupFrameRate(0, 30), 30.0);
    EXPECT_DOUBLE_EQ(GroupFrameRate(0, 0), 25.0);
    EXPECT_DOUBLE_EQ(GroupFrameRate(12.5, 30), 12.5);
    EXPECT_TRUE(IsPictureFile("/x/photo.JpEg"));
    EXPECT_TRUE(IsPictureFile("a.png"));
    EXPECT_FALSE(IsPictureFile("scan.tif"));
    EXPECT_FALSE(IsPictureFile("movie.avi"));
    EXPECT_EQ(DebugFilePath("/tmp/kx/", "log_last.txt"), "/tmp/kx/log_last.txt");
    EXPECT_EQ(DebugFilePath("/tmp/kx", "log_last.txt"), "/tmp/kx/log_last.txt");
    EXPECT_EQ(DebugFilePath("c:\\kx\\", "grf_last.grf"), "c:/kx/grf_last.grf");
}

} // namespace
