#include "platform/media/WmProfile.h"

#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <algorithm>
#include <tuple>

namespace media {

namespace {

constexpr char16_t kByteOrderMark = 0xFEFF;
const QString kSubtypeTail = QStringLiteral("-0000-0010-8000-00AA00389B71}");

bool SameGuid(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

/// Codecs whose streams are always coded at a constant rate.
bool ConstantRateOnly(const WMMediaType& type) {
    const std::uint32_t tag = WMTagOfSubtype(type.subtype);
    if (type.IsAudio())
        return tag == WMTag::Voice || tag == WMTag::Wma1;
    return tag == WMFourcc("WMV1");
}

} // namespace

QString WMSubtypeFor(std::uint32_t tagOrFourcc) {
    return QStringLiteral("{%1").arg(tagOrFourcc, 8, 16, QLatin1Char('0')).toUpper() + kSubtypeTail;
}

std::uint32_t WMTagOfSubtype(const QString& subtype) {
    if (subtype.size() != 38 || !subtype.endsWith(kSubtypeTail, Qt::CaseInsensitive) ||
        !subtype.startsWith(QLatin1Char('{')))
        return 0;
    bool ok = false;
    const std::uint32_t value = subtype.mid(1, 8).toUInt(&ok, 16);
    return ok ? value : 0;
}

QString WMFourccText(std::uint32_t fourcc) {
    QString text;
    for (int i = 0; i < 4; ++i)
        text += QChar(char16_t((fourcc >> (8 * i)) & 0xFF));
    return text;
}

bool WMStreamConfig::IsAudio() const {
    return SameGuid(streamType_, WMGuid::MediaTypeAudio);
}

bool WMStreamConfig::IsVideo() const {
    return SameGuid(streamType_, WMGuid::MediaTypeVideo);
}

HRESULT WMStreamConfig::SetStreamNumber(std::uint16_t number) {
    if (number < 1 || number > 63)
        return E_INVALIDARG;
    number_ = number;
    return S_OK;
}

HRESULT WMStreamConfig::SetStreamName(const QString& name) {
    name_ = name;
    return S_OK;
}

HRESULT WMStreamConfig::GetStreamName(QString& name, int maxChars) const {
    if (maxChars < 1)
        return E_INVALIDARG;
    name = name_.left(maxChars - 1);
    return S_OK;
}

HRESULT WMStreamConfig::SetConnectionName(const QString& name) {
    connectionName_ = name;
    return S_OK;
}

HRESULT WMStreamConfig::SetBitrate(std::uint32_t bitsPerSecond) {
    bitrate_ = bitsPerSecond;
    return S_OK;
}

HRESULT WMStreamConfig::SetBufferWindow(std::uint32_t ms) {
    bufferWindow_ = ms;
    return S_OK;
}

HRESULT WMStreamConfig::GetMediaType(WMMediaType& type) const {
    if (!hasMediaType_)
        return VFW_E_NOT_FOUND;
    type = mediaType_;
    return S_OK;
}

HRESULT WMStreamConfig::SetMediaType(const WMMediaType& type) {
    if (!SameGuid(type.majorType, streamType_))
        return E_INVALIDARG;
    if (type.IsAudio()) {
        const WMWaveFormat& w = type.wave;
        if (!SameGuid(type.formatType, WMGuid::FormatWaveFormatEx) || w.channels < 1 ||
            w.channels > 8 || w.samplesPerSec < 1000 || w.samplesPerSec > 192000)
            return E_INVALIDARG;
    } else {
        const WMVideoInfo& v = type.video;
        const std::int32_t height = v.height < 0 ? -v.height : v.height;
        if (!SameGuid(type.formatType, WMGuid::FormatVideoInfo) || v.width < 1 || v.width > 8192 ||
            height < 1 || height > 8192 || v.avgTimePerFrame <= 0)
            return E_INVALIDARG;
    }
    mediaType_ = type;
    hasMediaType_ = true;
    return S_OK;
}

HRESULT WMStreamConfig::SetQuality(std::uint32_t quality) {
    if (!IsVideo() || quality > 100)
        return E_INVALIDARG;
    quality_ = quality;
    hasQuality_ = true;
    return S_OK;
}

HRESULT WMStreamConfig::GetQuality(std::uint32_t& quality) const {
    quality = quality_;
    return hasQuality_ ? S_OK : S_FALSE;
}

HRESULT WMStreamConfig::SetMaxKeyFrameSpacing(std::int64_t spacing100ns) {
    if (!IsVideo() || spacing100ns < 0)
        return E_INVALIDARG;
    maxKeyFrameSpacing_ = spacing100ns;
    return S_OK;
}

HRESULT WMStreamConfig::GetMaxKeyFrameSpacing(std::int64_t& spacing100ns) const {
    spacing100ns = maxKeyFrameSpacing_;
    return S_OK;
}

HRESULT WMStreamConfig::SetProperty(const QString& name, WMPropertyType type, std::uint32_t value) {
    if (name.isEmpty())
        return E_INVALIDARG;
    const bool boolean = name == WMProperty::VbrEnabled;
    const bool dword = name == WMProperty::VbrQuality || name == WMProperty::PeakBitrate ||
                       name == WMProperty::PeakBufferWindow || name == WMProperty::PassesUsed;
    if ((boolean && type != WMPropertyType::Bool) || (dword && type != WMPropertyType::Dword))
        return E_INVALIDARG;
    if (boolean && value > 1)
        return E_INVALIDARG;
    if (name == WMProperty::VbrQuality && value > 100)
        return E_INVALIDARG;
    if (name == WMProperty::PassesUsed && value != 1 && value != 2)
        return E_INVALIDARG;
    if (boolean && value && hasMediaType_ && ConstantRateOnly(mediaType_))
        return NS_E_INVALID_REQUEST;
    // A peak below the average rate cannot be met by any encoder.
    if (name == WMProperty::PeakBitrate && value > 0 && value < bitrate_)
        return E_INVALIDARG;
    vault_[name] = {type, value};
    return S_OK;
}

HRESULT WMStreamConfig::GetProperty(const QString& name, WMPropertyValue& value) const {
    auto it = vault_.find(name);
    if (it == vault_.end())
        return VFW_E_NOT_FOUND;
    value = it->second;
    return S_OK;
}

std::uint32_t WMStreamConfig::PropertyOr(const QString& name, std::uint32_t fallback) const {
    auto it = vault_.find(name);
    return it == vault_.end() ? fallback : it->second.value;
}

bool operator==(const WMStreamConfig& a, const WMStreamConfig& b) {
    auto fields = [](const WMStreamConfig& s) {
        return std::tie(s.streamType_, s.number_, s.name_, s.connectionName_, s.bitrate_,
                        s.bufferWindow_, s.hasMediaType_, s.mediaType_, s.quality_, s.hasQuality_,
                        s.maxKeyFrameSpacing_, s.vault_, s.Language, s.DecoderComplexity,
                        s.ReliableTransport);
    };
    return fields(a) == fields(b);
}

HRESULT WMProfile::SetName(const QString& name) {
    name_ = name;
    return S_OK;
}

HRESULT WMProfile::SetDescription(const QString& description) {
    description_ = description;
    return S_OK;
}

HRESULT WMProfile::CreateNewStream(const QString& majorType, WMStreamConfig& stream) const {
    if (!SameGuid(majorType, WMGuid::MediaTypeAudio) &&
        !SameGuid(majorType, WMGuid::MediaTypeVideo))
        return E_INVALIDARG;
    stream = WMStreamConfig(majorType.toUpper());
    return S_OK;
}

HRESULT WMProfile::AddStream(const WMStreamConfig& stream) {
    if (stream.StreamNumber() == 0)
        return E_INVALIDARG;
    for (const WMStreamConfig& s : streams_)
        if (s.StreamNumber() == stream.StreamNumber())
            return E_INVALIDARG;
    streams_.push_back(stream);
    return S_OK;
}

HRESULT WMProfile::RemoveStream(const WMStreamConfig& stream) {
    return RemoveStreamByNumber(stream.StreamNumber());
}

HRESULT WMProfile::RemoveStreamByNumber(std::uint16_t number) {
    for (auto it = streams_.begin(); it != streams_.end(); ++it) {
        if (it->StreamNumber() == number) {
            streams_.erase(it);
            return S_OK;
        }
    }
    return VFW_E_NOT_FOUND;
}

HRESULT WMProfile::ReconfigStream(const WMStreamConfig& stream) {
    for (WMStreamConfig& s : streams_) {
        if (s.StreamNumber() == stream.StreamNumber()) {
            s = stream;
            return S_OK;
        }
    }
    return VFW_E_NOT_FOUND;
}

HRESULT WMProfile::GetStream(int index, WMStreamConfig& stream) const {
    if (index < 0 || index >= StreamCount())
        return E_INVALIDARG;
    stream = streams_[std::size_t(index)];
    return S_OK;
}

// --- PRX text ---

namespace {

// The attributes of a stream that hold its vault settings.
struct VaultAttribute {
    const QString& property;
    const char* attribute;
    WMPropertyType type;
};
const VaultAttribute kVaultAttributes[] = {
    {WMProperty::VbrEnabled, "vbrenabled", WMPropertyType::Bool},
    {WMProperty::VbrQuality, "vbrquality", WMPropertyType::Dword},
    {WMProperty::PeakBitrate, "bitratemax", WMPropertyType::Dword},
    {WMProperty::PeakBufferWindow, "bufferwindowmax", WMPropertyType::Dword},
    {WMProperty::PassesUsed, "vbrpasses", WMPropertyType::Dword},
};

QString Number(std::int64_t value) {
    return QString::number(value);
}

void WriteRect(QXmlStreamWriter& w, const char* name, const WMRect& r) {
    w.writeEmptyElement(QLatin1String(name));
    w.writeAttribute("left", Number(r.left));
    w.writeAttribute("top", Number(r.top));
    w.writeAttribute("right", Number(r.right));
    w.writeAttribute("bottom", Number(r.bottom));
}

void WriteMediaType(QXmlStreamWriter& w, const WMMediaType& t) {
    w.writeStartElement("wmmediatype");
    w.writeAttribute("subtype", t.subtype);
    w.writeAttribute("bfixedsizesamples", Number(t.fixedSizeSamples));
    w.writeAttribute("btemporalcompression", Number(t.temporalCompression));
    w.writeAttribute("lsamplesize", Number(t.sampleSize));
    if (SameGuid(t.formatType, WMGuid::FormatWaveFormatEx)) {
        const WMWaveFormat& f = t.wave;
        w.writeEmptyElement("waveformatex");
        w.writeAttribute("wFormatTag", Number(f.formatTag));
        w.writeAttribute("nChannels", Number(f.channels));
        w.writeAttribute("nSamplesPerSec", Number(f.samplesPerSec));
        w.writeAttribute("nAvgBytesPerSec", Number(f.avgBytesPerSec));
        w.writeAttribute("nBlockAlign", Number(f.blockAlign));
        w.writeAttribute("wBitsPerSample", Number(f.bitsPerSample));
        w.writeAttribute("codecdata", QString::fromLatin1(f.codecData.toHex().toUpper()));
    } else if (SameGuid(t.formatType, WMGuid::FormatVideoInfo)) {
        const WMVideoInfo& v = t.video;
        w.writeStartElement("videoinfoheader");
        w.writeAttribute("dwbitrate", Number(v.bitRate));
        w.writeAttribute("dwbiterrorrate", Number(v.bitErrorRate));
        w.writeAttribute("avgtimeperframe", Number(v.avgTimePerFrame));
        WriteRect(w, "rcsource", v.source);
        WriteRect(w, "rctarget", v.target);
        w.writeEmptyElement("bitmapinfoheader");
        w.writeAttribute("biwidth", Number(v.width));
        w.writeAttribute("biheight", Number(v.height));
        w.writeAttribute("biplanes", Number(v.planes));
        w.writeAttribute("bibitcount", Number(v.bitCount));
        w.writeAttribute("bicompression", WMFourccText(v.compression));
        w.writeAttribute("bisizeimage", Number(v.sizeImage));
        w.writeAttribute("bixpelspermeter", "0");
        w.writeAttribute("biypelspermeter", "0");
        w.writeAttribute("biclrused", "0");
        w.writeAttribute("biclrimportant", "0");
        w.writeEndElement();
    }
    w.writeEndElement();
}

} // namespace

QString ProfileToText(const WMProfile& profile) {
    QString text;
    QXmlStreamWriter w(&text);
    w.setAutoFormatting(true);
    w.setAutoFormattingIndent(4);
    w.writeStartElement("profile");
    w.writeAttribute("version", Number(profile.Version()));
    w.writeAttribute("storageformat", "1");
    w.writeAttribute("name", profile.Name());
    w.writeAttribute("description", profile.Description());
    for (const WMStreamConfig& s : profile.Streams()) {
        w.writeStartElement("streamconfig");
        w.writeAttribute("majortype", s.StreamType());
        w.writeAttribute("streamnumber", Number(s.StreamNumber()));
        w.writeAttribute("streamname", s.StreamName());
        w.writeAttribute("inputname", s.ConnectionName());
        w.writeAttribute("bitrate", Number(s.Bitrate()));
        w.writeAttribute("bufferwindow", Number(std::int32_t(s.BufferWindow())));
        w.writeAttribute("reliabletransport", Number(s.ReliableTransport));
        w.writeAttribute("decodercomplexity", s.DecoderComplexity);
        w.writeAttribute("rfc1766langid", s.Language);
        for (const VaultAttribute& a : kVaultAttributes) {
            WMPropertyValue v;
            if (Succeeded(s.GetProperty(a.property, v)))
                w.writeAttribute(QLatin1String(a.attribute), Number(v.value));
        }
        for (const auto& [name, value] : s.Properties()) {
            const bool known =
                std::any_of(std::begin(kVaultAttributes), std::end(kVaultAttributes),
                            [&](const VaultAttribute& a) { return a.property == name; });
            if (known)
                continue;
            w.writeEmptyElement("vaultproperty");
            w.writeAttribute("name", name);
            w.writeAttribute("type", Number(int(value.type)));
            w.writeAttribute("value", Number(value.value));
        }
        if (s.IsVideo()) {
            std::uint32_t quality = 0;
            std::int64_t spacing = 0;
            const bool hasQuality = s.GetQuality(quality) == S_OK;
            s.GetMaxKeyFrameSpacing(spacing);
            w.writeEmptyElement("videomediaprops");
            w.writeAttribute("maxkeyframespacing", Number(spacing));
            if (hasQuality)
                w.writeAttribute("quality", Number(quality));
        }
        if (s.HasMediaType())
            WriteMediaType(w, s.MediaType());
        w.writeEndElement();
    }
    w.writeEndElement();
    w.writeEndDocument();
    return QString(QChar(kByteOrderMark)) + text;
}

namespace {

/// Reads numbers from the attributes of one element, remembering the first bad one.
class Attributes {
public:
    Attributes(const QXmlStreamReader& r, QString& error)
        : a_(r.attributes())
        , element_(r.name().toString())
        , error_(error) {}

    bool Has(const char* name) const { return a_.hasAttribute(QLatin1String(name)); }
    QString Text(const char* name) const { return a_.value(QLatin1String(name)).toString(); }

    std::int64_t Int(const char* name, std::int64_t fallback = 0) {
        if (!Has(name))
            return fallback;
        bool ok = false;
        const std::int64_t v = a_.value(QLatin1String(name)).toLongLong(&ok);
        if (!ok && error_.isEmpty())
            error_ = QStringLiteral("attribute %1 of <%2> is not a number: \"%3\"")
                         .arg(QLatin1String(name), element_, Text(name));
        return ok ? v : fallback;
    }
    std::uint32_t UInt(const char* name) { return std::uint32_t(Int(name)); }

private:
    QXmlStreamAttributes a_;
    QString element_;
    QString& error_;
};

WMRect ReadRect(const QXmlStreamReader& r, QString& error) {
    Attributes a(r, error);
    return {std::int32_t(a.Int("left")), std::int32_t(a.Int("top")), std::int32_t(a.Int("right")),
            std::int32_t(a.Int("bottom"))};
}

/// Reads a <wmmediatype> element up to its end.
WMMediaType ReadMediaType(QXmlStreamReader& r, const QString& majorType, QString& error) {
    WMMediaType t;
    t.majorType = majorType;
    {
        Attributes a(r, error);
        t.subtype = a.Text("subtype").toUpper();
        t.fixedSizeSamples = a.Int("bfixedsizesamples") != 0;
        t.temporalCompression = a.Int("btemporalcompression") != 0;
        t.sampleSize = a.UInt("lsamplesize");
    }
    while (r.readNextStartElement()) {
        if (r.name() == QLatin1String("waveformatex")) {
            Attributes a(r, error);
            t.formatType = WMGuid::FormatWaveFormatEx;
            t.wave.formatTag = std::uint16_t(a.Int("wFormatTag"));
            t.wave.channels = std::uint16_t(a.Int("nChannels"));
            t.wave.samplesPerSec = a.UInt("nSamplesPerSec");
            t.wave.avgBytesPerSec = a.UInt("nAvgBytesPerSec");
            t.wave.blockAlign = std::uint16_t(a.Int("nBlockAlign"));
            t.wave.bitsPerSample = std::uint16_t(a.Int("wBitsPerSample"));
            t.wave.codecData = QByteArray::fromHex(a.Text("codecdata").toLatin1());
            r.skipCurrentElement();
        } else if (r.name() == QLatin1String("videoinfoheader")) {
            Attributes a(r, error);
            t.formatType = WMGuid::FormatVideoInfo;
            t.video.bitRate = a.UInt("dwbitrate");
            t.video.bitErrorRate = a.UInt("dwbiterrorrate");
            t.video.avgTimePerFrame = a.Int("avgtimeperframe");
            while (r.readNextStartElement()) {
                if (r.name() == QLatin1String("rcsource")) {
                    t.video.source = ReadRect(r, error);
                } else if (r.name() == QLatin1String("rctarget")) {
                    t.video.target = ReadRect(r, error);
                } else if (r.name() == QLatin1String("bitmapinfoheader")) {
                    Attributes b(r, error);
                    t.video.width = std::int32_t(b.Int("biwidth"));
                    t.video.height = std::int32_t(b.Int("biheight"));
                    t.video.planes = std::uint16_t(b.Int("biplanes", 1));
                    t.video.bitCount = std::uint16_t(b.Int("bibitcount"));
                    const QByteArray code =
                        b.Text("bicompression").toLatin1().leftJustified(4, ' ');
                    t.video.compression = std::uint32_t(std::uint8_t(code[0])) |
                                          std::uint32_t(std::uint8_t(code[1])) << 8 |
                                          std::uint32_t(std::uint8_t(code[2])) << 16 |
                                          std::uint32_t(std::uint8_t(code[3])) << 24;
                    t.video.sizeImage = b.UInt("bisizeimage");
                }
                r.skipCurrentElement();
            }
        } else {
            r.skipCurrentElement();
        }
    }
    return t;
}

} // namespace

HRESULT ParseProfileText(const QString& input, WMProfile& profile, QString* why) {
    QString text = input;
    if (text.startsWith(QChar(kByteOrderMark)))
        text.remove(0, 1);
    QString error;
    auto fail = [&](const QString& reason) {
        if (why)
            *why = reason;
        return E_INVALIDARG;
    };
    QXmlStreamReader r(text);
    if (!r.readNextStartElement())
        return fail(
            r.hasError()
                ? QStringLiteral("not XML: %1 (line %2)").arg(r.errorString()).arg(r.lineNumber())
                : QStringLiteral("the text is empty"));
    if (r.name() != QLatin1String("profile"))
        return fail(QStringLiteral("the document is a <%1>, not a <profile>").arg(r.name()));

    WMProfile result;
    {
        Attributes a(r, error);
        result.version_ = a.UInt("version");
        result.name_ = a.Text("name");
        result.description_ = a.Text("description");
        if (!a.Has("version"))
            return fail(QStringLiteral("the <profile> element has no version"));
    }
    while (error.isEmpty() && r.readNextStartElement()) {
        if (r.name() != QLatin1String("streamconfig")) {
            r.skipCurrentElement();
            continue;
        }
        Attributes a(r, error);
        WMStreamConfig s;
        if (Failed(result.CreateNewStream(a.Text("majortype"), s)))
            return fail(QStringLiteral("a stream has the unknown major type \"%1\"")
                            .arg(a.Text("majortype")));
        const std::int64_t number = a.Int("streamnumber");
        if (Failed(s.SetStreamNumber(std::uint16_t(number))) || number > 63)
            return fail(QStringLiteral("stream number %1 is outside 1..63").arg(number));
        s.SetStreamName(a.Text("streamname"));
        s.SetConnectionName(a.Text("inputname"));
        s.SetBitrate(a.UInt("bitrate"));
        s.SetBufferWindow(std::uint32_t(a.Int("bufferwindow", -1)));
        s.ReliableTransport = a.Int("reliabletransport") != 0;
        s.DecoderComplexity = a.Text("decodercomplexity");
        s.Language = a.Text("rfc1766langid");
        std::vector<std::pair<QString, WMPropertyValue>> vault;
        for (const VaultAttribute& va : kVaultAttributes)
            if (a.Has(va.attribute))
                vault.push_back({va.property, {va.type, a.UInt(va.attribute)}});
        while (error.isEmpty() && r.readNextStartElement()) {
            if (r.name() == QLatin1String("wmmediatype")) {
                const WMMediaType t = ReadMediaType(r, s.StreamType(), error);
                if (error.isEmpty() && Failed(s.SetMediaType(t)))
                    return fail(QStringLiteral("stream %1 has a media type its kind cannot carry")
                                    .arg(number));
            } else if (r.name() == QLatin1String("videomediaprops")) {
                Attributes v(r, error);
                if (s.IsVideo()) {
                    s.SetMaxKeyFrameSpacing(v.Int("maxkeyframespacing"));
                    if (v.Has("quality") && Failed(s.SetQuality(v.UInt("quality"))))
                        return fail(
                            QStringLiteral("stream %1 has a quality above 100").arg(number));
                }
                r.skipCurrentElement();
            } else if (r.name() == QLatin1String("vaultproperty")) {
                Attributes v(r, error);
                vault.push_back({v.Text("name"), {WMPropertyType(v.Int("type")), v.UInt("value")}});
                r.skipCurrentElement();
            } else {
                r.skipCurrentElement();
            }
        }
        // The settings are checked against the media type and the rate, so they come last.
        for (const auto& [name, value] : vault)
            if (error.isEmpty() && Failed(s.SetProperty(name, value.type, value.value)))
                return fail(QStringLiteral("stream %1: the setting %2 = %3 is not valid for it")
                                .arg(number)
                                .arg(name)
                                .arg(value.value));
        if (error.isEmpty() && Failed(result.AddStream(s)))
            return fail(QStringLiteral("stream number %1 is used twice").arg(number));
    }
    if (error.isEmpty() && r.hasError())
        error = QStringLiteral("%1 (line %2)").arg(r.errorString()).arg(r.lineNumber());
    if (!error.isEmpty())
        return fail(error);
    profile = std::move(result);
    return S_OK;
}

} // namespace media
