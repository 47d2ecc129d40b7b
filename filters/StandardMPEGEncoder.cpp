#include "filters/StandardMPEGEncoder.h"

#include "platform/media/FilterRegistry.h"

#include <optional>

using namespace media::StandardMpeg;

namespace {

QString AsciiUpper(const QString& text) {
    QString out = text;
    for (QChar& c : out)
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            c = QChar(c.unicode() - ('a' - 'A'));
    return out;
}

struct Word {
    const char* text;
    std::int32_t number;
};

std::optional<std::int32_t> Lookup(std::initializer_list<Word> words, const QString& value) {
    for (const Word& w : words)
        if (value == QLatin1String(w.text))
            return w.number;
    return std::nullopt;
}

} // namespace

TDSStandardMPEGEncoder::TDSStandardMPEGEncoder()
    : Writer(new TDSFileWriter)
    , Encoder(new TDSBaseFilter) {}

TDSStandardMPEGEncoder::~TDSStandardMPEGEncoder() {
    delete Writer;
    delete Encoder;
}

bool TDSStandardMPEGEncoder::BuildChain() {
    try {
        Encoder->Graph = Graph;
        Encoder->OnError = OnError;
        Encoder->ErrorTexts = ErrorTexts;
        Encoder->AddErrorCode = AddErrorCode;
        Encoder->CreateErrorCode = CreateErrorCode;
        Encoder->FilterName = QStringLiteral("Standard MPEG");
        if (!Encoder->CreateFromCLSID(media::Clsid::StandardMpeg)) {
            LastResult = Encoder->LastResult;
            return false;
        }
        Writer->Graph = Graph;
        Writer->OnError = OnError;
        Writer->FilterName = FileName;
        if (!Writer->CreateFilter()) {
            LastResult = Writer->LastResult;
            return false;
        }
        if (Writer->QuerySink())
            Writer->SetFileName(FileName);
        return true;
    } catch (...) {
        return false;
    }
}

void TDSStandardMPEGEncoder::ReleaseChain() {
    Encoder->ReleaseFilter();
    Writer->ReleaseFilter();
}

media::HRESULT TDSStandardMPEGEncoder::ConnectVideo(const media::PinPtr& source) {
    return Encoder->ConnectInputAt(1, source);
}

media::HRESULT TDSStandardMPEGEncoder::ConnectAudio(const media::PinPtr& source) {
    return Encoder->ConnectInputAt(2, source);
}

bool TDSStandardMPEGEncoder::ApplyAndConnectOutput() {
    try {
        ApplyParameters();
        media::PinPtr output;
        if (!Encoder->GetOutputPin(output))
            return false;
        Writer->ConnectInput(output);
        return true;
    } catch (...) {
        return false;
    }
}

void TDSStandardMPEGEncoder::ApplyParameters() {
    try {
        if (!Encoder->Filter)
            return;
        std::int32_t outputFormat = OutMpeg2, constraint = ConNone, videoFormat = VidMpeg2,
                     audioFormat = AudMpeg, mode = ModeCbr, width = 0, height = 0,
                     videoBitrate = 6000, videoBitrateMin = 0, videoBitrateMax = 9000, vbv = 0,
                     channels = 2, sampleRate = 44100, audioBitrate = 192;
        double frameRate = 0.0;

        media::IStandardMPEGConfig* config = nullptr;
        LastResult = Encoder->QueryFilterInterface(config);
        if (media::Failed(LastResult))
            return;

        const int count = ParameterNames ? ParameterNames->Count() : 0;
        for (int i = 0; i < count; ++i) {
            const QString name = AsciiUpper(ParameterNames->Get(i));
            const QString value = AsciiUpper(ParameterValues ? ParameterValues->Get(i) : QString());
            auto integer = [&value](std::int32_t& target) {
                bool ok = false;
                const int parsed = value.trimmed().toInt(&ok, 10);
                if (ok)
                    target = parsed;
                return ok;
            };
            auto word = [&value](std::int32_t& target, std::initializer_list<Word> words) {
                if (auto n = Lookup(words, value))
                    target = *n;
            };
            bool ok = true;
            if (name == QLatin1String("OUTPUT_FORMAT"))
                word(outputFormat, {{"MPEG1", 1},
                                    {"MPEG2", 2},
                                    {"VCD", 3},
                                    {"SVCD", 4},
                                    {"DVD", 5},
                                    {"VCD-STILL", 6},
                                    {"SVCD-STILL", 7},
                                    {"MPEG4", 8},
                                    {"3GP", 9},
                                    {"MOV", 10},
                                    {"3G2", 11},
                                    {"PSP", 12},
                                    {"AVI", 13},
                                    {"RM", 14},
                                    {"FLV", 16},
                                    {"MPEG2 TS", 17}});
            else if (name == QLatin1String("CONSTRAINT"))
                word(constraint, {{"NONE", 0},
                                  {"NTSC", 1},
                                  {"FILM", 2},
                                  {"PAL", 3},
                                  {"IPOD", 4},
                                  {"IPOD-NANO", 5},
                                  {"IPHONE", 6},
                                  {"HD", 7}});
            else if (name == QLatin1String("VIDEO_FORMAT"))
                word(videoFormat,
                     {{"NONE", 0}, {"MPEG1", 1}, {"MPEG2", 2}, {"MPEG4", 3}, {"FLV", 6}});
            else if (name == QLatin1String("AUDIO_FORMAT"))
                word(audioFormat, {{"NONE", 0},
                                   {"MP3", 1},
                                   {"MP2", 1},
                                   {"AC3", 3},
                                   {"PCM", 4},
                                   {"WAV", 5},
                                   {"AAC", 6}});
            else if (name == QLatin1String("VIDEO_BITRATE_MODE"))
                word(mode, {{"CBR", 0}, {"MVBR", 2}});
            else if (name == QLatin1String("WIDTH"))
                ok = integer(width);
            else if (name == QLatin1String("HEIGHT"))
                ok = integer(height);
            else if (name == QLatin1String("FRAMERATE")) {
                bool parsed = false;
                const double fps = QString(value)
                                       .replace(QLatin1Char(','), QLatin1Char('.'))
                                       .trimmed()
                                       .toDouble(&parsed);
                if (parsed)
                    frameRate = fps;
            } else if (name == QLatin1String("VIDEO_BITRATE"))
                ok = integer(videoBitrate);
            else if (name == QLatin1String("VIDEO_BITRATE_MIN"))
                ok = integer(videoBitrateMin);
            else if (name == QLatin1String("VIDEO_BITRATE_MAX"))
                ok = integer(videoBitrateMax);
            else if (name == QLatin1String("VBV_BUFFER_SIZE"))
                ok = integer(vbv);
            else if (name == QLatin1String("AUDIO_CHANNELS"))
                ok = integer(channels);
            else if (name == QLatin1String("AUDIO_SAMPLE_RATE"))
                ok = integer(sampleRate);
            else if (name == QLatin1String("AUDIO_BITRATE"))
                ok = integer(audioBitrate);
            if (!ok)
                return;
        }

        auto step = [this](media::HRESULT hr) {
            LastResult = hr;
            return media::Succeeded(hr);
        };
        if (!step(config->SetOutputFormat(outputFormat, constraint)))
            return;
        media::IStandardMPEGSettings* settings = nullptr;
        if (!step(config->GetSettings(settings)) || !settings)
            return;
        if (!step(settings->SetVideoFormat(videoFormat)) ||
            !step(settings->SetAudioFormat(audioFormat)) ||
            !step(settings->SetVideoBitrateMode(mode)) || !step(settings->SetVBVBufferSize(vbv)) ||
            !step(settings->SetWidth(width)) || !step(settings->SetHeight(height)))
            return;
        if (mode == ModeCbr) {
            if (!step(settings->SetVideoBitrate(videoBitrate * 1000)))
                return;
        } else if (mode == ModeMvbr) {
            // The asked rate is the target inside the bounds; without it the encoder would pick
            // any rate up to the maximum.
            if (!step(settings->SetVideoBitrateMin(videoBitrateMin * 1000)) ||
                !step(settings->SetVideoBitrateMax(videoBitrateMax * 1000)) ||
                !step(settings->SetVideoBitrate(videoBitrate * 1000)))
                return;
        }
        if (!step(settings->SetAudioBitrate(audioBitrate * 1000)) ||
            !step(settings->SetFrameRate(frameRate)) ||
            !step(settings->SetAudioSampleRate(sampleRate)) ||
            !step(settings->SetAudioChannels(channels)))
            return;
    } catch (...) {
    }
}
