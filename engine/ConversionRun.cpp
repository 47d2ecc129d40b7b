#include "engine/ConversionRun.h"

#include "engine/FrameStore.h"
#include "engine/OutputCommit.h"
#include "engine/TimelinePlan.h"
#include "filters/DSBaseFilter.h"
#include "filters/StandardMPEGEncoder.h"
#include "platform/media/FilterRegistry.h"
#include "platform/media/FrameGrabber.h"
#include "platform/media/Graph.h"
#include "platform/media/MediaDetector.h"
#include "platform/media/Timeline.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QMetaEnum>
#include <QThread>
#include <QUuid>

#include <cmath>
#include <exception>
#include <filesystem>
#include <map>

namespace engine {

namespace {

constexpr int kPollSleepMs = 80;
constexpr int kEventWaitMs = 200;
constexpr int kStallAfterTroubleMs = 3000;
// An input that ends this much before the length its header declares gets a warning.
constexpr std::int64_t kShortfallTolerance100ns = 5000000; // 0.5 s
constexpr double kShortfallToleranceShare = 0.10;

// Text of a format whose chain this program does not have yet.
QString FormatName(kx::TKXOutputFormat format) {
    return QString::fromLatin1(QMetaEnum::fromType<kx::TKXOutputFormat>().valueToKey(format));
}

bool IsAudioOnlyFormat(kx::TKXOutputFormat f) {
    return f == kx::Format_PCM_ACM || f == kx::Format_WMA || f == kx::Format_LAME ||
           f == kx::Format_OggVorbis;
}

// The media detector's answers for one run, each file read once.
class DetectorCache {
public:
    const media::MediaDetector* Get(const QString& fileName) {
        auto it = cache_.find(fileName);
        if (it == cache_.end()) {
            Entry e;
            e.ok = media::Succeeded(e.detector.Open(fileName));
            it = cache_.emplace(fileName, std::move(e)).first;
        }
        return it->second.ok ? &it->second.detector : nullptr;
    }

    /// Each stream's own length as the file holds it.
    MediaLengths Lengths(const QString& fileName) { return Collect(fileName, false); }
    /// False when the file's first stream of the kind exists and none of its data decodes.
    bool Decodable(const QString& fileName, media::MajorType kind) {
        const media::MediaDetector* d = Get(fileName);
        if (!d)
            return true;
        for (const media::StreamInfo& s : d->Streams())
            if (s.majorType == kind)
                return s.decodable;
        return true;
    }
    /// The lengths the file's header declares, where it declares one.
    MediaLengths DeclaredLengths(const QString& fileName) { return Collect(fileName, true); }

private:
    MediaLengths Collect(const QString& fileName, bool declared) {
        MediaLengths l;
        const media::MediaDetector* d = Get(fileName);
        if (!d)
            return l;
        auto units = [declared](const media::StreamInfo& s) {
            const double seconds =
                declared && s.declaredLengthSeconds > 0 ? s.declaredLengthSeconds : s.lengthSeconds;
            return RoundHalfEven(seconds * 1e7);
        };
        for (int i = 0; i < d->StreamCount(); ++i) {
            const media::StreamInfo& s = d->Stream(i);
            if (i == 0)
                l.firstStream = units(s);
            if (s.majorType == media::MajorType::Video && l.firstVideo < 0)
                l.firstVideo = units(s);
            if (s.majorType == media::MajorType::Audio && l.firstAudio < 0)
                l.firstAudio = units(s);
        }
        return l;
    }

public:
private:
    struct Entry {
        media::MediaDetector detector;
        bool ok = false;
    };
    std::map<QString, Entry> cache_;
};

class Run {
public:
    Run(const RunSettings& s, RunHost& host)
        : s_(s)
        , host_(host) {
        // Wrappers report through this handler too: any report marks the run as failed for
        // the output file.
        onError_ = [this](int code, const QString& text) {
            errorReported_ = true;
            if (s_.onError) {
                try {
                    s_.onError(code, text);
                } catch (...) {
                }
            }
        };
    }

    RunOutcome Execute();
    /// After an exception escaped: everything of the run released, no file left. Never throws.
    void Abandon(const char* what) noexcept;
    /// What the run got to so far (for a run that was abandoned).
    RunOutcome Reached() const {
        RunOutcome o;
        o.reachedGraph = reachedGraph_;
        o.outputWidth = width_;
        o.outputHeight = height_;
        o.firstFrameRate = firstRate_;
        o.tracks = tracks_;
        return o;
    }

private:
    void ReportError(int code) {
        if (code >= 0 && code < s_.errorTexts.Count())
            onError_(code, s_.errorTexts.Get(code));
        else
            errorReported_ = true;
    }
    void ReportText(const QString& text) { onError_(0, text); }

    enum class Assembly { Ok, EndEarly, Failed };
    void FindOutputFrameSize();
    void BuildTimeline();
    Assembly AssembleGraph();
    void InsertFrameGrabber();
    void InsertVideoEffects();
    void ConnectNullRenderer();
    bool BuildVideoChain();
    void BuildAudioOnlyMpeg();
    bool BuildOtherChain(bool withVideo);
    bool BuildWindowsMedia(bool withVideo);
    void WriteDebugFiles(const QString& graphName, const QString& dumpName);
    void Poll();
    void Release();
    bool FinishOutputFile();
    void GraphEventText();
    void CheckInputLength();
    std::int64_t FlowPosition() const;
    template <class W> void ConfigureWrapper(W& wrapper);

    const RunSettings& s_;
    RunHost& host_;
    TKXErrorEvent onError_;
    bool errorReported_ = false;
    bool graphFailed_ = false;
    bool completed_ = false;
    QStringList warnings_;
    bool reachedGraph_ = false;

    DetectorCache detector_;
    QString currentFile_;
    int width_ = 0;
    int height_ = 0;
    double firstRate_ = 0.0;
    bool hasVideo_ = false;
    bool hasAudio_ = false;
    std::vector<TKXDESTrack> tracks_;
    int videoGroup_ = -1;
    std::vector<int> audioGroups_;

    // Declared in release order (last first): wrappers and pins go before the graph, the
    // graph before the timeline it holds.
    std::unique_ptr<media::Timeline> timeline_;
    std::unique_ptr<media::Graph> graph_;
    media::PinPtr videoPin_;
    media::PinPtr audioPins_[8];
    media::FilterPtr grabber_;
    std::unique_ptr<TDSInfTee> tee_;
    std::unique_ptr<TDSStandardMPEGEncoder> mpeg_;
    std::unique_ptr<BuiltChain> built_;
    std::unique_ptr<TDSWMVEncoder> wmv_;
    media::FilterPtr effects_;
    media::FilterPtr nullRenderer_;
    media::Filter* positionFilter_ = nullptr;
    bool chainBuilt_ = false;
    std::int64_t duration100ns_ = 0;
    int lastPercent_ = 0;
};

template <class W> void Run::ConfigureWrapper(W& w) {
    w.Graph = graph_.get();
    w.ErrorTexts = &s_.errorTexts;
    w.OnError = onError_;
    w.OnFilterAdded = s_.onFilterAdded;
}

void Run::FindOutputFrameSize() {
    width_ = s_.previousWidth;
    height_ = s_.previousHeight;
    firstRate_ = s_.previousFirstFrameRate;
    const TKXStream& first = s_.inputs.front();
    currentFile_ = first.FileName;
    if (IsPictureFile(first.FileName)) {
        const QSize size = QImageReader(first.FileName).size();
        width_ = size.isValid() ? size.width() : 0;
        height_ = size.isValid() ? size.height() : 0;
    } else if (const media::MediaDetector* d = detector_.Get(first.FileName)) {
        for (const media::StreamInfo& st : d->Streams()) {
            if (st.majorType != media::MajorType::Video)
                continue;
            firstRate_ = st.frameRate;
            if (st.mediaType.width > 0 && st.mediaType.height > 0) {
                width_ = st.mediaType.width;
                height_ = st.mediaType.height;
            }
            break;
        }
    }
    if (s_.videoResize) {
        width_ = s_.videoResizeWidth;
        height_ = s_.videoResizeHeight;
    }
}

void Run::BuildTimeline() {
    timeline_ = std::make_unique<media::Timeline>();
    FindOutputFrameSize();
    const LengthProbe probe = [this](const QString& f) { return detector_.Lengths(f); };
    const std::vector<SourcePlacement> video = PlaceVideoInputs(s_.inputs, probe);
    // Audio-only outputs and inputs without pictures get no video group at all: even an empty
    // one would make the timeline render blank pictures at the output size for the whole run.
    if (!video.empty() && !IsAudioOnlyFormat(s_.format)) {
        const double rate = GroupFrameRate(s_.videoFrameRate, firstRate_);
        // The group reports 32-bit ARGB; the pixels themselves stay in the format the rest of
        // the graph prefers (no conversion the output does not need).
        videoGroup_ =
            timeline_->AddVideoGroup(media::MediaType::Argb32Video(width_, height_, rate));
        if (videoGroup_ < 0)
            ReportError(41);
    }
    for (const SourcePlacement& p : video) {
        const TKXStream& in = s_.inputs[p.inputIndex];
        currentFile_ = in.FileName;
        TKXDESTrack track;
        track.Start100ns = p.timelineStart100ns;
        track.Stop100ns = p.timelineStop100ns;
        tracks_.push_back(track);
        if (videoGroup_ < 0)
            continue;
        media::TimelineSource src;
        src.fileName = in.FileName;
        src.mediaStart100ns = p.mediaStart100ns;
        src.mediaStop100ns = p.mediaStop100ns;
        src.timelineStart100ns = p.timelineStart100ns;
        src.timelineStop100ns = p.timelineStop100ns;
        src.layer = p.layer;
        src.stretch = in.StretchMode == 0   ? media::StretchMode::Fill
                      : in.StretchMode == 1 ? media::StretchMode::Letterbox
                                            : media::StretchMode::Crop;
        src.speed = in.Speed;
        media::TimelineStep failed = media::TimelineStep::None;
        if (!p.lengthKnown) {
            ReportError(49);
            continue;
        }
        if (media::Failed(timeline_->AddSource(videoGroup_, src, failed))) {
            switch (failed) {
            case media::TimelineStep::CreateTrack:
                ReportError(41);
                break;
            case media::TimelineStep::InsertTrack:
                ReportError(43);
                break;
            case media::TimelineStep::CreateSource:
                ReportError(47);
                break;
            case media::TimelineStep::MediaName:
                ReportError(49);
                break;
            case media::TimelineStep::StretchMode:
                ReportError(51);
                break;
            default:
                ReportError(52);
            }
            if (failed != media::TimelineStep::StretchMode)
                continue;
        }
        hasVideo_ = true;
    }

    const bool anyAudioInput = std::any_of(s_.inputs.begin(), s_.inputs.end(),
                                           [](const TKXStream& x) { return x.Kind == 1; });
    if (anyAudioInput) {
        const media::MediaDetector* d = detector_.Get(currentFile_);
        hasAudio_ = d && std::any_of(d->Streams().begin(), d->Streams().end(), [](const auto& st) {
                        return st.majorType == media::MajorType::Audio;
                    });
    }
    if (hasAudio_) {
        const int groups = AudioGroupCount(s_.inputs);
        for (int g = 0; g < groups; ++g) {
            const int group = timeline_->AddAudioGroup(media::MediaType::Pcm(48000, 2, 16));
            audioGroups_.push_back(group);
            if (group < 0)
                continue;
            for (const SourcePlacement& p : PlaceAudioGroup(s_.inputs, g, probe)) {
                const TKXStream& in = s_.inputs[p.inputIndex];
                currentFile_ = in.FileName;
                media::TimelineSource src;
                src.fileName = in.FileName;
                src.mediaStart100ns = p.mediaStart100ns;
                src.mediaStop100ns = p.mediaStop100ns;
                src.timelineStart100ns = p.timelineStart100ns;
                src.timelineStop100ns = p.timelineStop100ns;
                src.layer = p.layer;
                src.speed = in.Speed;
                media::TimelineStep failed = media::TimelineStep::None;
                // Audio steps report nothing; a source that cannot be added is left out.
                timeline_->AddSource(group, src, failed);
            }
        }
    }
    timeline_->Commit();
}

bool Run::BuildVideoChain() {
    switch (s_.format) {
    case kx::Format_IndStr_Standard_MPEG: {
        mpeg_ = std::make_unique<TDSStandardMPEGEncoder>();
        mpeg_->FileName = s_.writeFileName;
        mpeg_->AddErrorCode = 30;
        mpeg_->CreateErrorCode = 31;
        mpeg_->ConnectErrorCode = 32;
        mpeg_->ParameterNames = &s_.mpegNames;
        mpeg_->ParameterValues = &s_.mpegValues;
        ConfigureWrapper(*mpeg_);
        if (!mpeg_->BuildChain())
            return true; // reported by the wrapper; the run still starts and ends on its own
        positionFilter_ = mpeg_->Encoder->Filter.get();
        bool finished = false;
        if (mpeg_->ConnectVideo(videoPin_) != media::S_OK) {
            ReportError(33);
        } else {
            videoPin_.reset();
            if (!hasAudio_)
                finished = mpeg_->ApplyAndConnectOutput();
        }
        if (hasAudio_) {
            if (mpeg_->ConnectAudio(audioPins_[0]) != media::S_OK) {
                ReportError(29);
            } else {
                audioPins_[0].reset();
                finished = mpeg_->ApplyAndConnectOutput();
            }
        }
        chainBuilt_ = finished;
        return true;
    }
    case kx::Format_WMV:
        return BuildWindowsMedia(true);
    default:
        return BuildOtherChain(true);
    }
}

// MPEG, MP4, MOV and FLV hold sound without pictures: the encoder then builds its audio branch
// only.
void Run::BuildAudioOnlyMpeg() {
    mpeg_ = std::make_unique<TDSStandardMPEGEncoder>();
    mpeg_->FileName = s_.writeFileName;
    mpeg_->AddErrorCode = 30;
    mpeg_->CreateErrorCode = 31;
    mpeg_->ConnectErrorCode = 32;
    mpeg_->ParameterNames = &s_.mpegNames;
    mpeg_->ParameterValues = &s_.mpegValues;
    ConfigureWrapper(*mpeg_);
    if (!mpeg_->BuildChain())
        return; // reported by the wrapper
    positionFilter_ = mpeg_->Encoder->Filter.get();
    if (mpeg_->ConnectAudio(audioPins_[0]) != media::S_OK) {
        ReportError(29);
        return;
    }
    audioPins_[0].reset();
    chainBuilt_ = mpeg_->ApplyAndConnectOutput();
}

// The container and audio-only chains; the formats whose chains this program does not have yet
// say so and end the run without writing anything.
bool Run::BuildOtherChain(bool withVideo) {
    if (!IsAudioOrContainerFormat(s_.format)) {
        ReportText("Output format " + FormatName(s_.format) +
                   " is not available in this version; no file was written.");
        return false;
    }
    ChainContext ctx;
    ctx.graph = graph_.get();
    ctx.errorTexts = &s_.errorTexts;
    ctx.onError = onError_;
    ctx.onFilterAdded = s_.onFilterAdded;
    built_ = BuildAudioOrContainerChain(s_.format, s_.chain, ctx, s_.writeFileName, videoPin_,
                                        audioPins_, withVideo, hasAudio_);
    if (built_) {
        positionFilter_ = built_->progressFilter;
        chainBuilt_ = true;
    }
    return true;
}

// A writer that did not take its profile or a stream has said why; running its graph would
// only wait for data it can never write, so the run ends here.
bool Run::BuildWindowsMedia(bool withVideo) {
    ChainContext ctx;
    ctx.graph = graph_.get();
    ctx.errorTexts = &s_.errorTexts;
    ctx.onError = onError_;
    ctx.onFilterAdded = s_.onFilterAdded;
    bool complete = false;
    wmv_ = BuildWindowsMediaChain(s_.format, s_.wmv, ctx, s_.writeFileName, videoPin_,
                                  audioPins_[0], withVideo, hasAudio_, complete);
    if (wmv_->Filter)
        positionFilter_ = wmv_->Filter.get();
    chainBuilt_ = complete;
    return complete;
}

media::PinPtr FirstPin(const media::FilterPtr& filter, media::PinDirection direction) {
    if (!filter)
        return nullptr;
    for (const media::PinPtr& pin : filter->Pins())
        if (pin->Direction() == direction && !pin->ConnectedTo())
            return pin;
    return nullptr;
}

void Run::InsertFrameGrabber() {
    const bool handlers = s_.onPushFrame || s_.onFrame;
    media::FrameGrabberCallbacks callbacks;
    if (s_.onPushFrame) {
        callbacks.onFrameBytes = [this](unsigned char*& data, int size, int, int) {
            s_.onPushFrame(width_, height_, 32, size, data);
        };
    }
    std::shared_ptr<FrameStore> frames = s_.frames;
    callbacks.onFrame = [this, frames](const media::VideoFrame& frame) {
        if (s_.onFrame) {
            QImage image = frame.ToRgbImage();
            s_.onFrame(image);
            frames->KeepImage(image);
        } else {
            frames->Keep(frame); // the picture is made only when someone reads it
        }
    };
    grabber_ = media::CreateFrameGrabber(handlers, width_, height_, std::move(callbacks));
    if (!grabber_) {
        ReportError(65);
        return;
    }
    if (media::Failed(graph_->AddFilter(grabber_, "Sample Grabber"))) {
        ReportError(66);
        return;
    }
    if (media::Failed(graph_->Connect(videoPin_, FirstPin(grabber_, media::PinDirection::Input))))
        ReportError(69);
    // The chain goes on from the grabber whether or not it could be connected.
    videoPin_ = FirstPin(grabber_, media::PinDirection::Output);
}

void Run::InsertVideoEffects() {
    media::HRESULT hr = media::S_OK;
    effects_ = media::CreateFilterFromClsid(media::Clsid::VideoEffects, hr);
    if (!effects_) {
        ReportError(34);
        return;
    }
    if (media::Failed(graph_->AddFilter(effects_, "Video Effects"))) {
        ReportError(35);
        return;
    }
    if (media::Failed(graph_->Connect(videoPin_, FirstPin(effects_, media::PinDirection::Input)))) {
        ReportError(36);
        return;
    }
    videoPin_ = FirstPin(effects_, media::PinDirection::Output);
}

void Run::ConnectNullRenderer() {
    media::HRESULT hr = media::S_OK;
    nullRenderer_ = media::CreateFilterFromClsid(media::Clsid::NullRenderer, hr);
    if (!nullRenderer_ || media::Failed(graph_->AddFilter(nullRenderer_, "Null Renderer")))
        return;
    if (videoPin_)
        graph_->Connect(videoPin_, FirstPin(nullRenderer_, media::PinDirection::Input));
}

Run::Assembly Run::AssembleGraph() {
    // A stream the output needs and of which nothing decodes would only stall the graph.
    for (const TKXStream& in : s_.inputs) {
        const bool video = in.Kind == 0;
        if (!(video ? hasVideo_ : hasAudio_) ||
            detector_.Decodable(in.FileName,
                                video ? media::MajorType::Video : media::MajorType::Audio))
            continue;
        ReportText(QStringLiteral("Conversion failed: nothing of the %1 stream of %2 can be "
                                  "decoded; the file is damaged. No file was written.")
                       .arg(video ? QStringLiteral("video") : QStringLiteral("audio"),
                            QFileInfo(in.FileName).fileName()));
        return Assembly::Failed;
    }
    if (!timeline_->IsValid())
        ReportError(58);
    if (media::Failed(graph_->AddFilter(timeline_->AsFilter(), "Timeline")))
        ReportError(60);
    int audioSlot = 0;
    for (int g = 0; g < timeline_->GroupCount(); ++g) {
        media::PinPtr pin = timeline_->GroupOutputPin(g);
        if (timeline_->GroupIsVideo(g)) {
            if (!videoPin_) {
                if (!pin)
                    ReportError(75);
                videoPin_ = pin;
            }
        } else if (audioSlot < 8) {
            if (!pin)
                ReportError(76 + audioSlot);
            audioPins_[audioSlot++] = pin;
        }
    }

    if (hasVideo_) {
        if (!videoPin_) {
            ReportError(64);
            return Assembly::EndEarly;
        }
        InsertFrameGrabber();
        if (s_.videoUseEffects)
            InsertVideoEffects();
        if (s_.mode == kx::Mode_Convert) {
            tee_ = std::make_unique<TDSInfTee>();
            ConfigureWrapper(*tee_);
            if (tee_->CreateFilter()) {
                tee_->ConnectInput(videoPin_);
                media::PinPtr out;
                tee_->GetOutputPinAt(1, out);
                videoPin_ = out;
            }
            if (!BuildVideoChain())
                return Assembly::Failed;
            // Preview branch: the second tee output goes to the null renderer until the
            // preview screen exists.
            media::PinPtr second;
            if (tee_->Filter)
                tee_->GetOutputPinAt(2, second);
            videoPin_ = second;
            ConnectNullRenderer();
        } else {
            ConnectNullRenderer();
        }
    } else if (hasAudio_) {
        // A video group without sources still produces (empty) pictures: let them go somewhere.
        if (videoPin_)
            ConnectNullRenderer();
        if (s_.mode == kx::Mode_Convert) {
            if (s_.format == kx::Format_IndStr_Standard_MPEG) {
                BuildAudioOnlyMpeg();
            } else if (s_.format == kx::Format_WMA || s_.format == kx::Format_WMV) {
                // The profile's video stream is trimmed: the file holds the sound alone.
                if (!BuildWindowsMedia(false))
                    return Assembly::Failed;
            } else if (IsAudioOnlyChainFormat(s_.format)) {
                if (!BuildOtherChain(false))
                    return Assembly::Failed;
            }
            if (!built_ && !mpeg_ && !wmv_) {
                ReportText("Output format " + FormatName(s_.format) +
                           " needs a video stream; the input has only audio. No file was written.");
                return Assembly::Failed;
            }
        }
    } else if (IsAudioOnlyFormat(s_.format)) {
        ReportText("Output format " + FormatName(s_.format) +
                   " writes sound only; the input has no audio stream. No file was written.");
        return Assembly::Failed;
    } else {
        ReportText("No video or audio stream found in the input files; nothing was converted.");
        return Assembly::Failed;
    }
    return Assembly::Ok;
}

void Run::WriteDebugFiles(const QString& graphName, const QString& dumpName) {
    graph_->SaveGraphFile(DebugFilePath(s_.debugDir, graphName));
    QFile dump(DebugFilePath(s_.debugDir, dumpName));
    if (dump.open(QIODevice::WriteOnly | QIODevice::Truncate))
        dump.write(graph_->DumpText());
}

// How far the media got anywhere in the graph: the guard against a stalled run must not depend
// on the chain having a filter that reports a position.
std::int64_t Run::FlowPosition() const {
    std::int64_t furthest = 0;
    for (const media::FilterPtr& f : graph_->Filters()) {
        std::int64_t position = 0;
        if (media::Succeeded(f->CurrentPosition(position)))
            furthest = std::max(furthest, position);
    }
    return furthest;
}

void Run::Poll() {
    // A graph whose data stops flowing without an error (a stream that cannot be decoded
    // leaves the multiplexer waiting for it) would never complete: give up after a while.
    std::int64_t lastFlow = -1;
    QString troubleSinceFlow; // the latest stream error since the media last moved
    QElapsedTimer sinceProgress;
    sinceProgress.start();
    while (!host_.StopRequested()) {
        // The pause between polls is spent waiting for the graph's next event, so that the end
        // of a short run is noticed at once instead of after the pause.
        media::GraphEvent event;
        bool gotEvent = graph_->WaitForEvent(kPollSleepMs, event) == media::S_OK;
        if (!gotEvent)
            gotEvent = graph_->WaitForEvent(kEventWaitMs, event) == media::S_OK;
        if (gotEvent) {
            if (event.code == media::EC_STREAM_ERROR_STILLPLAYING) {
                troubleSinceFlow = event.message;
            } else if (event.code == media::EC_COMPLETE) {
                completed_ = true;
                host_.RequestStop();
            } else if (event.code == media::EC_ERRORABORT || event.code == media::EC_USERABORT) {
                // A failing element ends the run instead of leaving it waiting for a Stop.
                graphFailed_ = true;
                ReportText("Conversion failed: " + event.message);
                host_.RequestStop();
                break;
            }
        }
        std::int64_t position = 0;
        if (positionFilter_ && media::Failed(positionFilter_->CurrentPosition(position)))
            position = 0;
        const std::int64_t flow = FlowPosition();
        // Data that stopped right after an element complained (pictures that do not decode)
        // will not start again: give up sooner than for a silent stall.
        const int allowedMs = troubleSinceFlow.isEmpty()
                                  ? s_.stallTimeoutMs
                                  : std::min(s_.stallTimeoutMs, kStallAfterTroubleMs);
        if (flow != lastFlow) {
            lastFlow = flow;
            troubleSinceFlow.clear();
            sinceProgress.restart();
        } else if (!completed_ && allowedMs > 0 && sinceProgress.elapsed() > allowedMs) {
            graphFailed_ = true;
            if (troubleSinceFlow.isEmpty())
                ReportText(QStringLiteral("Conversion failed: no media data arrived for %1 s; a "
                                          "stream of the input may be damaged or not decodable.")
                               .arg(allowedMs / 1000.0));
            else
                ReportText(QStringLiteral("Conversion failed: no media data arrived for %1 s after "
                                          "%2; a stream of the input is damaged.")
                               .arg(allowedMs / 1000.0)
                               .arg(troubleSinceFlow));
            host_.RequestStop();
            break;
        }
        if (!s_.progressAssigned)
            continue;
        const int percent = ProgressPercent(position, duration100ns_);
        if (s_.mode == kx::Mode_Preview) {
            lastPercent_ = percent;
            host_.NotifyProgress(percent);
        } else if (percent > lastPercent_) {
            lastPercent_ = percent;
            host_.NotifyProgress(percent);
        }
    }
}

void Run::Release() {
    if (graph_)
        graph_->Stop();
    if (mpeg_)
        mpeg_->ReleaseChain();
    if (tee_)
        tee_->ReleaseFilter();
    if (built_)
        built_->Release();
    built_.reset();
    if (wmv_)
        wmv_->ReleaseFilter();
    wmv_.reset();
    mpeg_.reset();
    tee_.reset();
    positionFilter_ = nullptr;
    videoPin_.reset();
    for (auto& pin : audioPins_)
        pin.reset();
    grabber_.reset();
    effects_.reset();
    nullRenderer_.reset();
    graph_.reset();
    timeline_.reset();
}

bool Run::FinishOutputFile() {
    if (s_.mode != kx::Mode_Convert || s_.writeFileName.isEmpty())
        return false;
    const QString temp = s_.writeFileName;
    const bool good = completed_ && !graphFailed_ && !errorReported_ && QFileInfo::exists(temp);
    if (good) {
        QString why;
        if (CommitOutputFile(temp, s_.outputFileName, &why))
            return true;
        ReportError(84);
        ReportText("Conversion failed: " + why + ".");
    }
    QFile::remove(temp);
    return false;
}

// A file cut short still converts as far as it goes; say so when its header promised more.
void Run::CheckInputLength() {
    const LengthProbe declared = [this](const QString& f) { return detector_.DeclaredLengths(f); };
    std::int64_t promised = 0;
    auto extend = [&promised](const std::vector<SourcePlacement>& list) {
        for (const SourcePlacement& p : list)
            promised = std::max(promised, p.timelineStop100ns);
    };
    if (hasVideo_)
        extend(PlaceVideoInputs(s_.inputs, declared));
    if (hasAudio_)
        for (int g = 0; g < AudioGroupCount(s_.inputs); ++g)
            extend(PlaceAudioGroup(s_.inputs, g, declared));
    const std::int64_t converted = duration100ns_;
    const std::int64_t shortfall = promised - converted;
    if (shortfall > kShortfallTolerance100ns ||
        shortfall > std::llround(promised * kShortfallToleranceShare)) {
        warnings_ << QStringLiteral("The input ends before the length its header declares: "
                                    "%1 s of %2 s were converted.")
                         .arg(converted / 1e7, 0, 'f', 2)
                         .arg(promised / 1e7, 0, 'f', 2);
    }
}

RunOutcome Run::Execute() {
    RunOutcome outcome;
    if (s_.inputs.empty()) {
        ReportText(QStringLiteral("Input files not found."));
        host_.RequestStop();
        return outcome;
    }
    graph_ = std::make_unique<media::Graph>();
    BuildTimeline();
    const Assembly assembly = AssembleGraph();
    outcome.outputWidth = width_;
    outcome.outputHeight = height_;
    outcome.firstFrameRate = firstRate_;
    outcome.tracks = tracks_;
    if (assembly == Assembly::EndEarly) {
        Release();
        FinishOutputFile();
        return outcome;
    }
    outcome.reachedGraph = reachedGraph_ = true;
    if (assembly == Assembly::Ok) {
        if (s_.debugMode)
            WriteDebugFiles("grf_pre_last.grf", "log_pre_last.txt");
        duration100ns_ = timeline_->Duration100ns();
        lastPercent_ = 0;
        if (s_.mode == kx::Mode_Convert)
            graph_->SetNoSyncSource();
        if (media::Failed(graph_->Run())) {
            graphFailed_ = true;
            GraphEventText();
        } else {
            host_.NotifyStart();
            if (s_.debugMode)
                WriteDebugFiles("grf_last.grf", "log_last.txt");
            Poll();
        }
    }
    Release();
    // Completion is decided before the stop flag of this run is cleared.
    outcome.producedFile = FinishOutputFile();
    if (outcome.producedFile)
        CheckInputLength();
    outcome.warnings = warnings_;
    return outcome;
}

void Run::Abandon(const char* what) noexcept {
    try {
        ReportText(QStringLiteral("Conversion failed: internal error (%1); no file was written.")
                       .arg(QString::fromLocal8Bit(what)));
    } catch (...) {
    }
    try {
        Release();
    } catch (...) {
    }
    completed_ = false;
    try {
        FinishOutputFile(); // removes the temporary file
    } catch (...) {
        std::error_code ec;
        std::filesystem::remove(s_.writeFileName.toStdString(), ec);
    }
}

void Run::GraphEventText() {
    // A graph that refuses to run usually says why on its bus.
    media::GraphEvent event;
    QString why = QStringLiteral("the graph could not be started");
    if (graph_->WaitForEvent(0, event) == media::S_OK && !event.message.isEmpty())
        why = event.message;
    ReportText("Conversion failed: " + why);
}

} // namespace

QString TemporaryOutputName(const QString& outputFileName) {
    const QFileInfo info(outputFileName);
    const QString token = QUuid::createUuid().toString(QUuid::Id128).left(12);
    return info.dir().filePath("." + info.fileName() + "." + token + ".part");
}

RunOutcome ExecuteRun(const RunSettings& settings, RunHost& host) {
    Run run(settings, host);
    RunOutcome reached;
    try {
        return run.Execute();
    } catch (const std::exception& e) {
        reached = run.Reached();
        run.Abandon(e.what());
    } catch (...) {
        reached = run.Reached();
        run.Abandon("unknown exception");
    }
    // A run that reached its graph still ends with OnStop.
    return reached;
}

} // namespace engine
