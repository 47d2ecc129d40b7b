#pragma once

#include <QString>
#include <QStringList>

#include <array>

// The fixed rows of the profile editor's lists. The rows are the texts stored in the settings,
// so they must stay letter for letter as they are. QtCore only.

QStringList FrameSizeRows();         // 43 rows, the last "Original"
QStringList WmvFrameSizeRows();      // 42 rows, no "Original"
QStringList AspectRatioRows();       // "1:1", "4:3", "16:9", "2.21:1"
QStringList VideoBitrateRows();      // 20 rows, "128" to "15000"
QStringList FlvVideoBitrateRows();   // the first 6 video bitrates
QStringList FrameRateRows();         // "23.979" to "60"
QStringList AudioCodecRows();        // "None", "MP3", "MP2", "PCM", "AAC", "AC3", "WAV"
QStringList AudioBitrateRows();      // 9 rows, "64" to "320"
QStringList ShortAudioBitrateRows(); // the first 4 audio bitrates
QStringList SampleRateRows();        // "48000" down to "8000"
QStringList ChannelRows();           // "Mono", "Stereo"
QStringList ConstraintRows();        // "None", "PAL", "NTSC", "iPod", ...

// Row lookups: the row of @p text in the full list (exact, case-sensitive comparison), or the
// lookup's default row when the text is none of them. A page whose combo is shorter than the
// full list shows no selection for a row beyond its end.
int IndexOfFrameSize(const QString& text);    // default 42, "Original"
int IndexOfAspectRatio(const QString& text);  // default 0, "1:1"
int IndexOfVideoBitrate(const QString& text); // default 5, "1150"
int IndexOfFrameRate(const QString& text);    // default 3, "29.97"
int IndexOfAudioCodec(const QString& text);   // default 2, "MP2"
int IndexOfAudioBitrate(const QString& text); // default 6, "224"
int IndexOfSampleRate(const QString& text);   // default 1, "44100"
int IndexOfConstraint(const QString& text);   // default 0, "None"

/// The Windows Media codecs and audio formats the editor offers. The names and descriptions are
/// matched exactly against what the codecs report when the profile is built, blanks included.
struct WmvCodecLists {
    QStringList videoCodecs;                 // row = WMVVedioCodec
    QStringList audioCodecs;                 // row = WMVAudioCodec
    std::array<QStringList, 3> audioFormats; // per audio codec row; row = WMVAudioFormat1..3
};

/// The lists the editor shows on its WMV page, taken from the media layer's codec catalogue
/// (constant-rate audio formats).
WmvCodecLists WmvEditorLists();
