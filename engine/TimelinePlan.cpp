#include "engine/TimelinePlan.h"

#include <QFileInfo>

#include <algorithm>
#include <cmath>

namespace engine {

std::int64_t RoundHalfEven(double value) {
    const double floorValue = std::floor(value);
    const double fraction = value - floorValue;
    auto result = static_cast<std::int64_t>(floorValue);
    if (fraction > 0.5 || (fraction == 0.5 && (result % 2 != 0)))
        ++result;
    return result;
}

int ProgressPercent(std::int64_t position100ns, std::int64_t duration100ns) {
    if (duration100ns <= 0)
        return 0;
    const double percent =
        static_cast<double>(position100ns) / static_cast<double>(duration100ns) * 100.0;
    return static_cast<int>(RoundHalfEven(percent));
}

double GroupFrameRate(double videoFrameRateProperty, double firstInputFrameRate) {
    if (videoFrameRateProperty > 0)
        return videoFrameRateProperty;
    if (firstInputFrameRate > 0)
        return firstInputFrameRate;
    return 25.0;
}

bool IsPictureFile(const QString& fileName) {
    const QString name = fileName.toUpper();
    for (const char* ext : {".BMP", ".JPG", ".JPEG", ".GIF", ".PNG"})
        if (name.endsWith(QLatin1String(ext)))
            return true;
    return false;
}

QString DebugFilePath(const QString& debugDir, const QString& fileName) {
    QString path = debugDir + "/" + fileName;
    path.replace('\\', '/');
    while (path.contains("//"))
        path.replace("//", "/");
    return path;
}

namespace {

// Media times of one input and the length its source covers before the speed is applied.
void ApplyMediaTimes(const TKXStream& in, std::int64_t length, SourcePlacement& p,
                     std::int64_t& placedLength) {
    if (in.StartTimeMs == -1 && in.StopTimeMs == -1) {
        p.mediaStart100ns = 0;
        p.mediaStop100ns = length;
        placedLength = length;
    } else {
        // Callers pass both or neither; a single -1 is taken literally.
        p.mediaStart100ns = in.StartTimeMs * kUnitsPerMs;
        p.mediaStop100ns = in.StopTimeMs * kUnitsPerMs;
        placedLength = p.mediaStop100ns - p.mediaStart100ns;
    }
    const double speed = in.Speed != 0.0 ? in.Speed : 1.0;
    placedLength = RoundHalfEven(static_cast<double>(placedLength) / speed);
}

} // namespace

std::vector<SourcePlacement> PlaceVideoInputs(const std::vector<TKXStream>& inputs,
                                              const LengthProbe& probe) {
    std::vector<SourcePlacement> placed;
    std::int64_t position = 0;
    for (int i = 0; i < static_cast<int>(inputs.size()); ++i) {
        const TKXStream& in = inputs[i];
        if (in.Kind != 0)
            continue;
        const MediaLengths lengths = probe(in.FileName);
        if (lengths.firstStream >= 0 && lengths.firstVideo < 0)
            continue; // nothing to show: its sound comes through the audio inputs
        SourcePlacement p;
        p.inputIndex = i;
        p.lengthKnown = lengths.firstStream >= 0;
        std::int64_t length = 0;
        ApplyMediaTimes(in, std::max<std::int64_t>(lengths.firstVideo, 0), p, length);
        const std::int64_t start = in.InsertTimeMs == -1 ? position : in.InsertTimeMs * kUnitsPerMs;
        p.timelineStart100ns = start;
        p.timelineStop100ns = start + length;
        position = p.timelineStop100ns;
        placed.push_back(p);
    }
    // Every new track went in at priority 0, pushing the earlier ones down by one.
    const int count = static_cast<int>(placed.size());
    for (int k = 0; k < count; ++k)
        placed[k].layer = count - 1 - k;
    return placed;
}

int AudioGroupCount(const std::vector<TKXStream>& inputs) {
    int count = 0;
    for (int g = 0; g < 8; ++g)
        if (std::any_of(inputs.begin(), inputs.end(),
                        [g](const TKXStream& s) { return s.Kind == 1 && s.AudioGroup == g; }))
            ++count;
    return count;
}

std::vector<SourcePlacement> PlaceAudioGroup(const std::vector<TKXStream>& inputs, int group,
                                             const LengthProbe& probe) {
    std::vector<SourcePlacement> placed;
    std::int64_t position = 0;
    for (int i = 0; i < static_cast<int>(inputs.size()); ++i) {
        const TKXStream& in = inputs[i];
        if (in.Kind != 1 || in.AudioGroup != group)
            continue;
        SourcePlacement p;
        p.inputIndex = i;
        std::int64_t sourceLength = -1;
        if (!in.LengthSourceFile.isEmpty())
            sourceLength = probe(in.LengthSourceFile).firstVideo;
        if (sourceLength < 0)
            sourceLength = probe(in.FileName).firstAudio;
        p.lengthKnown = sourceLength >= 0;
        std::int64_t length = 0;
        ApplyMediaTimes(in, std::max<std::int64_t>(sourceLength, 0), p, length);
        if (in.InsertTimeMs == -1) {
            p.timelineStart100ns = position;
            p.timelineStop100ns = position + length;
            position += length;
        } else {
            // Unlike video, the previous position stays in the sum.
            p.timelineStart100ns = in.InsertTimeMs * kUnitsPerMs;
            p.timelineStop100ns = p.timelineStart100ns + length;
            position = position + length + in.InsertTimeMs * kUnitsPerMs;
        }
        placed.push_back(p);
    }
    return placed;
}

TimelinePlanResult PlanTimeline(const std::vector<TKXStream>& inputs, bool withAudio,
                                const LengthProbe& probe) {
    TimelinePlanResult plan;
    plan.video = PlaceVideoInputs(inputs, probe);
    if (withAudio) {
        const int groups = AudioGroupCount(inputs);
        for (int g = 0; g < groups; ++g)
            plan.audioGroups.push_back(PlaceAudioGroup(inputs, g, probe));
    }
    auto extend = [&plan](const std::vector<SourcePlacement>& list) {
        for (const SourcePlacement& p : list)
            plan.duration100ns = std::max(plan.duration100ns, p.timelineStop100ns);
    };
    extend(plan.video);
    for (const auto& group : plan.audioGroups)
        extend(group);
    return plan;
}

} // namespace engine
