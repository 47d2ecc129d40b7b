#pragma once

#include <QString>
#include <QStringList>

class TcdSettings;

/// Target formats, as numbered by Settings.PageIndex, the main window's pages and the editor.
enum TargetFormat : int {
    FormatMPEG = 0,
    FormatMP4 = 1,
    FormatWMV = 2,
    FormatFLV = 3,
    FormatMOV = 4,
    FormatMP3 = 5,
};

/// Captions of the preset combo rows of @p format, counted from 0; the last row is the custom
/// profile ("[Custom MPEG]" ...). Empty for an unknown format.
QStringList PresetRowCaptions(int format);

/// The custom row of @p format (the last one), or -1 for an unknown format.
int CustomPresetRow(int format);

/// Copies the values of preset @p row of @p format into @p settings. The custom row, a row out
/// of range (also -1, no selection) and an unknown format write nothing and give false. Only the
/// properties the row names are written.
bool ApplyPresetToSettings(int format, int row, TcdSettings& settings);

/// The stored preset row of @p format (MPEGCbbIdx, MP4CbbIdx, WMVCbbIdx, FLVCbbIdx, MOVCbbIdx,
/// MP3CbbIdx), or -1 for an unknown format.
int StoredPresetRow(const TcdSettings& settings, int format);
/// Stores @p row as the preset row of @p format; an unknown format changes nothing.
void SetStoredPresetRow(TcdSettings& settings, int format, int row);

/// The same on the program's Settings(); callable without any window.
bool ApplyPresetToSettings(int format, int row);
