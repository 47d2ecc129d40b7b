#include "filters/WMVEncoder.h"

#include "platform/media/WmProfileManager.h"

#include <QFile>
#include <QStringConverter>

#include <mutex>

static void InitWmvResources() {
    Q_INIT_RESOURCE(wmv_profiles);
}

using media::E_FAIL;
using media::Failed;
using media::HRESULT;

namespace {

/// Profile files written by the platform are UTF-16; hand-written ones are often UTF-8. The
/// byte-order mark decides, else the position of the zero bytes of the first character.
QString DecodeProfileFile(const QByteArray& bytes) {
    std::optional<QStringConverter::Encoding> encoding = QStringConverter::encodingForData(bytes);
    if (!encoding) {
        if (bytes.size() >= 2 && bytes[0] != 0 && bytes[1] == 0)
            encoding = QStringConverter::Utf16LE;
        else if (bytes.size() >= 2 && bytes[0] == 0 && bytes[1] != 0)
            encoding = QStringConverter::Utf16BE;
        else
            encoding = QStringConverter::Utf8;
    }
    QStringDecoder decoder(*encoding);
    return decoder.decode(bytes);
}

QString ModeName(std::uint8_t mode) {
    switch (mode) {
    case wmv::KX_SM_CBR:
        return QStringLiteral("constant bit rate");
    case wmv::KX_SM_VBR_Quality:
        return QStringLiteral("quality-based VBR");
    case wmv::KX_SM_VBR_Bitrate:
        return QStringLiteral("bit-rate VBR");
    default:
        return QStringLiteral("peak-constrained VBR");
    }
}

bool HasStreamOf(const media::WMProfile& profile, bool video) {
    for (const media::WMStreamConfig& s : profile.Streams())
        if (video ? s.IsVideo() : s.IsAudio())
            return true;
    return false;
}

/// Removes the first stream of the kind, only that one.
void RemoveFirstStreamOf(media::WMProfile& profile, bool video) {
    for (const media::WMStreamConfig& s : profile.Streams()) {
        if (video ? s.IsVideo() : s.IsAudio()) {
            profile.RemoveStream(s);
            return;
        }
    }
}

} // namespace

QString WMVResourceText(const QString& name) {
    static std::once_flag once;
    std::call_once(once, [] { InitWmvResources(); });
    QFile file(QStringLiteral(":/wmv/") + name);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromLocal8Bit(file.readAll());
}

TDSWMVEncoder::~TDSWMVEncoder() = default;

void TDSWMVEncoder::ReportText(const QString& text) const {
    if (!OnError)
        return;
    try {
        OnError(0, text);
    } catch (...) {
    }
}

bool TDSWMVEncoder::CreateFilter() {
    try {
        FilterName = QStringLiteral("WM Writer");
        if (!CreateFromCLSID(media::WMClsid::AsfWriter) || !Filter)
            return false;
        LastResult = QueryFilterInterface(Sink);
        if (Failed(LastResult))
            return false;
        Sink->SetFileName(FileName);
        TDSBaseFilter::CreateFilter();
        return true;
    } catch (...) {
        return false;
    }
}

bool TDSWMVEncoder::ObtainProfile(media::WMProfile& profile, QString& why) {
    const media::WMProfileManager manager;
    const TKXWMVSettings& s = Settings;
    switch (s.WMV_Mode) {
    case 0: { // a profile file
        const QString& path = s.WMV_External_Profile_File_Name;
        QFile file(path);
        if (path.isEmpty() || !file.open(QIODevice::ReadOnly)) {
            why = path.isEmpty()
                      ? QStringLiteral("No Windows Media profile file was named.")
                      : QStringLiteral("The Windows Media profile file \"%1\" cannot be read: %2.")
                            .arg(path, file.errorString());
            return false;
        }
        const QByteArray bytes = file.readAll();
        QString reason;
        if (Failed(manager.LoadProfileByData(DecodeProfileFile(bytes), profile, &reason))) {
            why = QStringLiteral("\"%1\" is not a Windows Media profile (PRX): %2.")
                      .arg(path, reason);
            return false;
        }
        return true;
    }
    case 1: { // a built-in profile
        if (!InternalProfileNames || !InternalProfileTexts)
            return false;
        const int index = InternalProfileNames->IndexOf(s.WMV_Internal_Profile_Name);
        if (index < 0) {
            why = QStringLiteral("No built-in Windows Media profile is named \"%1\".")
                      .arg(s.WMV_Internal_Profile_Name);
            return false;
        }
        QString reason;
        if (Failed(manager.LoadProfileByData(InternalProfileTexts->Get(index), profile, &reason))) {
            why = QStringLiteral("The built-in Windows Media profile \"%1\" cannot be read: %2.")
                      .arg(s.WMV_Internal_Profile_Name, reason);
            return false;
        }
        return true;
    }
    case 2: { // the custom settings
        if (!CustomProfile)
            return false;
        TKX_WMV_CustomProfile& c = *CustomProfile;
        c.AudioCodec = s.WMV_Custom_Audio_Codec;
        c.AudioMode = s.WMV_Custom_Audio_Mode;
        c.AudioFormat = s.WMV_Custom_Audio_Format;
        c.AudioPeakBitrate = s.WMV_Custom_Audio_PeakBitrate;
        c.AudioPeakBufferSize = s.WMV_Custom_Audio_PeakBufferSize;
        c.AudioQuality = s.WMV_Custom_Video_Quality;
        c.AudioStreamPresent = s.WMV_Custom_Audio_StreamPresent;
        c.AudioLanguage = s.WMV_Custom_Audio_rfc1766langid;
        c.VideoCodec = s.WMV_Custom_Video_Codec;
        c.VideoMode = s.WMV_Custom_Video_Mode;
        c.VideoWidth = s.WMV_Custom_Video_Width;
        c.VideoHeight = s.WMV_Custom_Video_Height;
        c.VideoSizeSameAsInput = s.WMV_Custom_Video_SizeSameAsInput;
        c.VideoFrameRate = s.WMV_Custom_Video_FrameRate;
        c.VideoKeyFrameInterval = s.WMV_Custom_Video_KeyFrameInterval;
        c.VideoBitrate = s.WMV_Custom_Video_Bitrate;
        c.VideoPeakBitrate = s.WMV_Custom_Video_PeakBitRate;
        c.VideoPeakBufferSizeSeconds = s.WMV_Custom_Video_PeakBufferSizeSeconds;
        c.VideoQuality = s.WMV_Custom_Video_Quality;
        c.VideoBufferSize = s.WMV_Custom_Video_Buffer_Size;
        c.VideoBufferUseDefault = s.WMV_Custom_Video_Buffer_UseDefault;
        c.VideoSmoothness = s.WMV_Custom_Video_Smoothness;
        c.VideoTVSystem = s.WMV_Custom_Video_TVSystem;
        c.ProfileName = s.WMV_Custom_Profile_Name;
        c.ProfileDescription = s.WMV_Custom_Profile_Description;
        c.ProfileLanguage = s.WMV_Custom_Profile_Language;
        c.VideoStreamPresent = s.WMV_Custom_Video_StreamPresent;
        QString warnings;
        c.BuildProfile(warnings);
        for (const QString& item : warnings.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            bool ok = false;
            const int code = item.trimmed().toInt(&ok, 10);
            if (ok)
                ReportError(code);
        }
        QString reason;
        if (Failed(manager.LoadProfileByData(c.ProfileText, profile, &reason))) {
            why = QStringLiteral("The custom Windows Media profile cannot be read back: %1.")
                      .arg(reason);
            return false;
        }
        // Say which setting found no format, rather than only that a connection failed later.
        if (HasAudio && c.AudioStreamPresent && !HasStreamOf(profile, false))
            ReportText(QStringLiteral("The audio codec \"%1\" has no format \"%2\"; the audio "
                                      "cannot be written.")
                           .arg(c.AudioCodec, c.AudioFormat));
        for (const media::WMStreamConfig& stream : profile.Streams()) {
            if (HasVideo && stream.IsVideo() && !stream.HasMediaType()) {
                why = QStringLiteral("The video codec \"%1\" has no %2 format; choose another "
                                     "codec or mode.")
                          .arg(c.VideoCodec, ModeName(c.VideoMode));
                return false;
            }
        }
        return true;
    }
    case 3: { // a system profile
        const QString name = s.WMV_V8_Profile_Name.trimmed();
        if (name.isEmpty() || !V8Profiles) {
            why = QStringLiteral("No Windows Media 8 system profile was named.");
            return false;
        }
        for (const TDSWMV8Profile& p : *V8Profiles) {
            if (p.Name == name) {
                if (Failed(manager.LoadProfileByID(p.ProfileId, profile))) {
                    why = QStringLiteral("The Windows Media 8 system profile \"%1\" (%2) is not "
                                         "installed.")
                              .arg(name, p.ProfileId);
                    return false;
                }
                return true;
            }
        }
        why = QStringLiteral("No Windows Media 8 system profile is named \"%1\" (names are "
                             "matched exactly, letter case included).")
                  .arg(name);
        return false;
    }
    default:
        why = QStringLiteral("Unknown Windows Media profile source %1.").arg(s.WMV_Mode);
        return false;
    }
}

void TDSWMVEncoder::ConfigureProfile() {
    try {
        ProfileApplied = false;
        Profile = media::WMProfile();
        if (!Filter)
            return;
        media::WMProfile profile;
        QString why;
        if (!ObtainProfile(profile, why)) {
            if (!why.isEmpty())
                ReportText(why);
            return;
        }
        LastResult = QueryFilterInterface(Config);
        if (Failed(LastResult))
            return;
        const QString name = profile.Name();
        if (profile.StreamCount() == 0) {
            ReportText(QStringLiteral("The Windows Media profile \"%1\" defines no stream; there "
                                      "is nothing to write.")
                           .arg(name));
            return;
        }
        const bool hadAudio = HasStreamOf(profile, false);
        const bool hadVideo = HasStreamOf(profile, true);
        // The writer's inputs follow the profile: a stream nobody feeds must go first.
        if (!HasAudio)
            RemoveFirstStreamOf(profile, false);
        if (!HasVideo)
            RemoveFirstStreamOf(profile, true);
        if (profile.StreamCount() == 0) {
            const QString has = hadAudio && hadVideo ? QStringLiteral("audio and video")
                                : hadVideo           ? QStringLiteral("only video")
                                                     : QStringLiteral("only audio");
            const QString input = HasAudio   ? QStringLiteral("only audio")
                                  : HasVideo ? QStringLiteral("only video")
                                             : QStringLiteral("neither audio nor video");
            ReportText(QStringLiteral("The Windows Media profile \"%1\" has %2 and the input "
                                      "has %3: no stream can be written.")
                           .arg(name, has, input));
            return;
        }
        LastResult = Config->ConfigureFilterUsingProfile(profile);
        if (Failed(LastResult)) {
            ReportText(QStringLiteral("The Windows Media writer cannot use the profile \"%1\": %2.")
                           .arg(name, Config->ConfigurationError()));
            return;
        }
        Profile = profile;
        ProfileApplied = true;
    } catch (...) {
        ProfileApplied = false;
    }
}

HRESULT TDSWMVEncoder::ConnectKind(const media::PinPtr& source, media::MajorType kind) {
    try {
        media::PinPtr pin;
        if (!Filter || !Graph || !source) {
            LastResult = E_FAIL;
            return LastResult;
        }
        if (!FindFreePinByMajorType(int(media::PinDirection::Input), kind, pin)) {
            const bool video = kind == media::MajorType::Video;
            if (ProfileApplied && !HasStreamOf(Profile, video))
                ReportText(QStringLiteral("The Windows Media profile \"%1\" has no %2 stream; the "
                                          "input's %2 cannot be written.")
                               .arg(Profile.Name(),
                                    video ? QStringLiteral("video") : QStringLiteral("audio")));
            LastResult = media::VFW_E_NOT_FOUND;
            return LastResult;
        }
        LastResult = Graph->Connect(source, pin);
        return LastResult;
    } catch (...) {
        return E_FAIL;
    }
}

HRESULT TDSWMVEncoder::ConnectAudio(const media::PinPtr& source) {
    return ConnectKind(source, media::MajorType::Audio);
}

HRESULT TDSWMVEncoder::ConnectVideo(const media::PinPtr& source) {
    return ConnectKind(source, media::MajorType::Video);
}

void TDSWMVEncoder::ReleaseFilter() {
    Config = nullptr;
    Sink = nullptr;
    TDSBaseFilter::ReleaseFilter();
}
