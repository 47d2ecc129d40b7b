#pragma once

#include <QString>

class TKXVideoEdit;
class TcdSettings;

/// Configures @p engine for one file from @p settings (target format PageIndex) and starts it:
/// clears the engine's lists, adds @p inputPath once as video and once as audio input, sets the
/// output format, @p outputPath and the format's parameters. MPEG, MP4, MOV and FLV go through
/// the Standard-MPEG output; WMV through the custom Windows Media settings; MP3 through the
/// LAME output, so the ".mp3" file really is MP3. A stored format outside 0..5 starts nothing
/// and is reported through the engine's OnError. Always true.
///
/// UI thread (the engine's owning thread), only while the engine is free.
bool SetupConversion(TKXVideoEdit& engine, const TcdSettings& settings, const QString& inputPath,
                     const QString& outputPath);

/// Fills the engine's Standard-MPEG parameter list for format @p format (0 MPEG, 1 MP4, 3 FLV,
/// 4 MOV) from @p settings. False (and nothing changed) for any other format.
bool AddStandardMpegParameters(TKXVideoEdit& engine, const TcdSettings& settings, int format);
