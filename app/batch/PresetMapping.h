#pragma once

#include <QString>

class TKXVideoEdit;
class TcdSettings;

/// The output file name (no folder) for an input under the target format of the settings:
/// the input's base name and ".mpeg", ".mp4", ".wmv", ".flv", ".mov" or ".mp3". An unknown
/// format keeps the input's file name.
QString OutputNameFor(const TcdSettings& settings, const QString& inputPath);

/// Fills the engine's Standard-MPEG parameter list, in this order, all values as given.
void AddStandardMpegParameters(TKXVideoEdit& engine, const QString& outputFormat,
                               const QString& videoFormat, const QString& aspectRatio,
                               const QString& bitrateMode, const QString& audioFormat,
                               const QString& constraint, const QString& width,
                               const QString& height, const QString& frameRate,
                               const QString& videoBitrate, const QString& audioChannels,
                               const QString& audioBitrate, const QString& audioSampleRate);

/// Configures the engine from the settings alone for one file and starts it. Call on the
/// engine's owning thread, only while the engine is free. Answers false, with `error` set and
/// nothing started, when the stored target format is not one of the six or when a number of the
/// WMV page (size, frame rate, bit rates) is not a number.
bool SetupConversion(TKXVideoEdit& engine, const TcdSettings& settings, const QString& inputPath,
                     const QString& outputPath, QString* error = nullptr);

/// Configures the engine without starting it (what SetupConversion does before Start).
bool ConfigureConversion(TKXVideoEdit& engine, const TcdSettings& settings,
                         const QString& inputPath, const QString& outputPath,
                         QString* error = nullptr);
