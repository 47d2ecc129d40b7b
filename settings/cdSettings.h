#pragma once

#include "settings/BaseSettings.h"

/// Every user choice that outlives a run: the folders of both modes, the current target format
/// (PageIndex: 0 MPEG, 1 MP4, 2 WMV, 3 FLV, 4 MOV, 5 MP3), the preset row of each format and the
/// custom parameters of the six formats, mostly as the exact texts of the editor's lists. Each
/// property is one stored value of the same name under "Software\Quenza\Reelvane\Setting"
/// (81 values). Setters only store: nothing is saved, checked or announced.
///
/// Used on the UI thread only.
class TcdSettings : public TBaseSettings {
    Q_OBJECT
    Q_PROPERTY(QString LogDir READ LogDir WRITE SetLogDir)
    Q_PROPERTY(QString Indir READ Indir WRITE SetIndir)
    Q_PROPERTY(QString OutDir READ OutDir WRITE SetOutDir)
    Q_PROPERTY(bool SubDir READ SubDir WRITE SetSubDir)
    Q_PROPERTY(QString SavePath READ SavePath WRITE SetSavePath)
    Q_PROPERTY(int PageIndex READ PageIndex WRITE SetPageIndex)
    Q_PROPERTY(QString Applocation READ Applocation WRITE SetApplocation)
    Q_PROPERTY(QString MPEGFrameSize READ MPEGFrameSize WRITE SetMPEGFrameSize)
    Q_PROPERTY(QString MPEGAspectRatio READ MPEGAspectRatio WRITE SetMPEGAspectRatio)
    Q_PROPERTY(QString MPEGTragetBitrate READ MPEGTragetBitrate WRITE SetMPEGTragetBitrate)
    Q_PROPERTY(QString MPEGFrameRate READ MPEGFrameRate WRITE SetMPEGFrameRate)
    Q_PROPERTY(QString MPEGCompression READ MPEGCompression WRITE SetMPEGCompression)
    Q_PROPERTY(QString MPEGAudioCodec READ MPEGAudioCodec WRITE SetMPEGAudioCodec)
    Q_PROPERTY(QString MPEGAudioBitrate READ MPEGAudioBitrate WRITE SetMPEGAudioBitrate)
    Q_PROPERTY(QString MPEGAudioChannels READ MPEGAudioChannels WRITE SetMPEGAudioChannels)
    Q_PROPERTY(QString MPEGAudioFrequency READ MPEGAudioFrequency WRITE SetMPEGAudioFrequency)
    Q_PROPERTY(QString MPEGWidth READ MPEGWidth WRITE SetMPEGWidth)
    Q_PROPERTY(QString MPEGHeight READ MPEGHeight WRITE SetMPEGHeight)
    Q_PROPERTY(int MPEGCbbIdx READ MPEGCbbIdx WRITE SetMPEGCbbIdx)
    Q_PROPERTY(QString MPEGConstraint READ MPEGConstraint WRITE SetMPEGConstraint)
    Q_PROPERTY(QString MP4FrameSize READ MP4FrameSize WRITE SetMP4FrameSize)
    Q_PROPERTY(QString MP4AspectRatio READ MP4AspectRatio WRITE SetMP4AspectRatio)
    Q_PROPERTY(QString MP4TragetBitrate READ MP4TragetBitrate WRITE SetMP4TragetBitrate)
    Q_PROPERTY(QString MP4FrameRate READ MP4FrameRate WRITE SetMP4FrameRate)
    Q_PROPERTY(QString MP4Compression READ MP4Compression WRITE SetMP4Compression)
    Q_PROPERTY(QString MP4AudioCodec READ MP4AudioCodec WRITE SetMP4AudioCodec)
    Q_PROPERTY(QString MP4AudioBitrate READ MP4AudioBitrate WRITE SetMP4AudioBitrate)
    Q_PROPERTY(QString MP4AudioChannels READ MP4AudioChannels WRITE SetMP4AudioChannels)
    Q_PROPERTY(QString MP4AudioFrequency READ MP4AudioFrequency WRITE SetMP4AudioFrequency)
    Q_PROPERTY(QString MP4Width READ MP4Width WRITE SetMP4Width)
    Q_PROPERTY(QString MP4Height READ MP4Height WRITE SetMP4Height)
    Q_PROPERTY(int MP4CbbIdx READ MP4CbbIdx WRITE SetMP4CbbIdx)
    Q_PROPERTY(QString MP4constraint READ MP4constraint WRITE SetMP4constraint)
    Q_PROPERTY(QString MOVFrameSize READ MOVFrameSize WRITE SetMOVFrameSize)
    Q_PROPERTY(QString MOVAspectRatio READ MOVAspectRatio WRITE SetMOVAspectRatio)
    Q_PROPERTY(QString MOVTragetBitrate READ MOVTragetBitrate WRITE SetMOVTragetBitrate)
    Q_PROPERTY(QString MOVFrameRate READ MOVFrameRate WRITE SetMOVFrameRate)
    Q_PROPERTY(QString MOVCompression READ MOVCompression WRITE SetMOVCompression)
    Q_PROPERTY(QString MOVAudioCodec READ MOVAudioCodec WRITE SetMOVAudioCodec)
    Q_PROPERTY(QString MOVAudioBitrate READ MOVAudioBitrate WRITE SetMOVAudioBitrate)
    Q_PROPERTY(QString MOVAudioChannels READ MOVAudioChannels WRITE SetMOVAudioChannels)
    Q_PROPERTY(QString MOVAudioFrequency READ MOVAudioFrequency WRITE SetMOVAudioFrequency)
    Q_PROPERTY(QString MOVWidth READ MOVWidth WRITE SetMOVWidth)
    Q_PROPERTY(QString MOVHeight READ MOVHeight WRITE SetMOVHeight)
    Q_PROPERTY(int MOVCbbIdx READ MOVCbbIdx WRITE SetMOVCbbIdx)
    Q_PROPERTY(QString MOVconstraint READ MOVconstraint WRITE SetMOVconstraint)
    Q_PROPERTY(QString FLVFrameSize READ FLVFrameSize WRITE SetFLVFrameSize)
    Q_PROPERTY(QString FLVAspectRatio READ FLVAspectRatio WRITE SetFLVAspectRatio)
    Q_PROPERTY(QString FLVTragetBitrate READ FLVTragetBitrate WRITE SetFLVTragetBitrate)
    Q_PROPERTY(QString FLVFrameRate READ FLVFrameRate WRITE SetFLVFrameRate)
    Q_PROPERTY(QString FLVCompression READ FLVCompression WRITE SetFLVCompression)
    Q_PROPERTY(QString FLVAudioCodec READ FLVAudioCodec WRITE SetFLVAudioCodec)
    Q_PROPERTY(QString FLVAudioBitrate READ FLVAudioBitrate WRITE SetFLVAudioBitrate)
    Q_PROPERTY(QString FLVAudioChannels READ FLVAudioChannels WRITE SetFLVAudioChannels)
    Q_PROPERTY(QString FLVAudioFrequency READ FLVAudioFrequency WRITE SetFLVAudioFrequency)
    Q_PROPERTY(QString FLVWidth READ FLVWidth WRITE SetFLVWidth)
    Q_PROPERTY(QString FLVHeight READ FLVHeight WRITE SetFLVHeight)
    Q_PROPERTY(int FLVCbbIdx READ FLVCbbIdx WRITE SetFLVCbbIdx)
    Q_PROPERTY(QString FLVConstraint READ FLVConstraint WRITE SetFLVConstraint)
    Q_PROPERTY(QString MP3Bitrate READ MP3Bitrate WRITE SetMP3Bitrate)
    Q_PROPERTY(QString MP3Channels READ MP3Channels WRITE SetMP3Channels)
    Q_PROPERTY(QString MP3Samplerate READ MP3Samplerate WRITE SetMP3Samplerate)
    Q_PROPERTY(int MP3CbbIdx READ MP3CbbIdx WRITE SetMP3CbbIdx)
    Q_PROPERTY(int WMVCbbIdx READ WMVCbbIdx WRITE SetWMVCbbIdx)
    Q_PROPERTY(QString WMVFrameSize READ WMVFrameSize WRITE SetWMVFrameSize)
    Q_PROPERTY(int WMVVedioMode READ WMVVedioMode WRITE SetWMVVedioMode)
    Q_PROPERTY(QString WMVPeakBitrate READ WMVPeakBitrate WRITE SetWMVPeakBitrate)
    Q_PROPERTY(int WMVTVFormat READ WMVTVFormat WRITE SetWMVTVFormat)
    Q_PROPERTY(QString WMVTragetBitrate READ WMVTragetBitrate WRITE SetWMVTragetBitrate)
    Q_PROPERTY(QString WMVFramerate READ WMVFramerate WRITE SetWMVFramerate)
    Q_PROPERTY(int WMVVedioCodec READ WMVVedioCodec WRITE SetWMVVedioCodec)
    Q_PROPERTY(int WMVAudioCodec READ WMVAudioCodec WRITE SetWMVAudioCodec)
    Q_PROPERTY(int WMVAudioFormat1 READ WMVAudioFormat1 WRITE SetWMVAudioFormat1)
    Q_PROPERTY(int WMVAudioFormat2 READ WMVAudioFormat2 WRITE SetWMVAudioFormat2)
    Q_PROPERTY(int WMVAudioFormat3 READ WMVAudioFormat3 WRITE SetWMVAudioFormat3)
    Q_PROPERTY(QString WMVAudioPeakBitrate READ WMVAudioPeakBitrate WRITE SetWMVAudioPeakBitrate)
    Q_PROPERTY(QString WMVWidth READ WMVWidth WRITE SetWMVWidth)
    Q_PROPERTY(QString WMVHeight READ WMVHeight WRITE SetWMVHeight)
    Q_PROPERTY(QString G_WMVAudioCodec READ G_WMVAudioCodec WRITE SetG_WMVAudioCodec)
    Q_PROPERTY(QString G_WMVAudioFormat READ G_WMVAudioFormat WRITE SetG_WMVAudioFormat)
    Q_PROPERTY(QString G_WMVVedioCodec READ G_WMVVedioCodec WRITE SetG_WMVVedioCodec)

public:
    /// All defaults; RegistryKey stays empty until the owner sets it.
    TcdSettings();
    ~TcdSettings() override;

    /// The key the program's settings live in.
    static QString DefaultRegistryKey();

    const QString& LogDir() const { return m_LogDir; }
    void SetLogDir(const QString& value) { m_LogDir = value; }
    const QString& Indir() const { return m_Indir; }
    void SetIndir(const QString& value) { m_Indir = value; }
    const QString& OutDir() const { return m_OutDir; }
    void SetOutDir(const QString& value) { m_OutDir = value; }
    bool SubDir() const { return m_SubDir; }
    void SetSubDir(bool value) { m_SubDir = value; }
    const QString& SavePath() const { return m_SavePath; }
    void SetSavePath(const QString& value) { m_SavePath = value; }
    int PageIndex() const { return m_PageIndex; }
    void SetPageIndex(int value) { m_PageIndex = value; }
    const QString& Applocation() const { return m_Applocation; }
    void SetApplocation(const QString& value) { m_Applocation = value; }
    const QString& MPEGFrameSize() const { return m_MPEGFrameSize; }
    void SetMPEGFrameSize(const QString& value) { m_MPEGFrameSize = value; }
    const QString& MPEGAspectRatio() const { return m_MPEGAspectRatio; }
    void SetMPEGAspectRatio(const QString& value) { m_MPEGAspectRatio = value; }
    const QString& MPEGTragetBitrate() const { return m_MPEGTragetBitrate; }
    void SetMPEGTragetBitrate(const QString& value) { m_MPEGTragetBitrate = value; }
    const QString& MPEGFrameRate() const { return m_MPEGFrameRate; }
    void SetMPEGFrameRate(const QString& value) { m_MPEGFrameRate = value; }
    const QString& MPEGCompression() const { return m_MPEGCompression; }
    void SetMPEGCompression(const QString& value) { m_MPEGCompression = value; }
    const QString& MPEGAudioCodec() const { return m_MPEGAudioCodec; }
    void SetMPEGAudioCodec(const QString& value) { m_MPEGAudioCodec = value; }
    const QString& MPEGAudioBitrate() const { return m_MPEGAudioBitrate; }
    void SetMPEGAudioBitrate(const QString& value) { m_MPEGAudioBitrate = value; }
    const QString& MPEGAudioChannels() const { return m_MPEGAudioChannels; }
    void SetMPEGAudioChannels(const QString& value) { m_MPEGAudioChannels = value; }
    const QString& MPEGAudioFrequency() const { return m_MPEGAudioFrequency; }
    void SetMPEGAudioFrequency(const QString& value) { m_MPEGAudioFrequency = value; }
    const QString& MPEGWidth() const { return m_MPEGWidth; }
    void SetMPEGWidth(const QString& value) { m_MPEGWidth = value; }
    const QString& MPEGHeight() const { return m_MPEGHeight; }
    void SetMPEGHeight(const QString& value) { m_MPEGHeight = value; }
    int MPEGCbbIdx() const { return m_MPEGCbbIdx; }
    void SetMPEGCbbIdx(int value) { m_MPEGCbbIdx = value; }
    const QString& MPEGConstraint() const { return m_MPEGConstraint; }
    void SetMPEGConstraint(const QString& value) { m_MPEGConstraint = value; }
    const QString& MP4FrameSize() const { return m_MP4FrameSize; }
    void SetMP4FrameSize(const QString& value) { m_MP4FrameSize = value; }
    const QString& MP4AspectRatio() const { return m_MP4AspectRatio; }
    void SetMP4AspectRatio(const QString& value) { m_MP4AspectRatio = value; }
    const QString& MP4TragetBitrate() const { return m_MP4TragetBitrate; }
    void SetMP4TragetBitrate(const QString& value) { m_MP4TragetBitrate = value; }
    const QString& MP4FrameRate() const { return m_MP4FrameRate; }
    void SetMP4FrameRate(const QString& value) { m_MP4FrameRate = value; }
    const QString& MP4Compression() const { return m_MP4Compression; }
    void SetMP4Compression(const QString& value) { m_MP4Compression = value; }
    const QString& MP4AudioCodec() const { return m_MP4AudioCodec; }
    void SetMP4AudioCodec(const QString& value) { m_MP4AudioCodec = value; }
    const QString& MP4AudioBitrate() const { return m_MP4AudioBitrate; }
    void SetMP4AudioBitrate(const QString& value) { m_MP4AudioBitrate = value; }
    const QString& MP4AudioChannels() const { return m_MP4AudioChannels; }
    void SetMP4AudioChannels(const QString& value) { m_MP4AudioChannels = value; }
    const QString& MP4AudioFrequency() const { return m_MP4AudioFrequency; }
    void SetMP4AudioFrequency(const QString& value) { m_MP4AudioFrequency = value; }
    const QString& MP4Width() const { return m_MP4Width; }
    void SetMP4Width(const QString& value) { m_MP4Width = value; }
    const QString& MP4Height() const { return m_MP4Height; }
    void SetMP4Height(const QString& value) { m_MP4Height = value; }
    int MP4CbbIdx() const { return m_MP4CbbIdx; }
    void SetMP4CbbIdx(int value) { m_MP4CbbIdx = value; }
    const QString& MP4constraint() const { return m_MP4constraint; }
    void SetMP4constraint(const QString& value) { m_MP4constraint = value; }
    const QString& MOVFrameSize() const { return m_MOVFrameSize; }
    void SetMOVFrameSize(const QString& value) { m_MOVFrameSize = value; }
    const QString& MOVAspectRatio() const { return m_MOVAspectRatio; }
    void SetMOVAspectRatio(const QString& value) { m_MOVAspectRatio = value; }
    const QString& MOVTragetBitrate() const { return m_MOVTragetBitrate; }
    void SetMOVTragetBitrate(const QString& value) { m_MOVTragetBitrate = value; }
    const QString& MOVFrameRate() const { return m_MOVFrameRate; }
    void SetMOVFrameRate(const QString& value) { m_MOVFrameRate = value; }
    const QString& MOVCompression() const { return m_MOVCompression; }
    void SetMOVCompression(const QString& value) { m_MOVCompression = value; }
    const QString& MOVAudioCodec() const { return m_MOVAudioCodec; }
    void SetMOVAudioCodec(const QString& value) { m_MOVAudioCodec = value; }
    const QString& MOVAudioBitrate() const { return m_MOVAudioBitrate; }
    void SetMOVAudioBitrate(const QString& value) { m_MOVAudioBitrate = value; }
    const QString& MOVAudioChannels() const { return m_MOVAudioChannels; }
    void SetMOVAudioChannels(const QString& value) { m_MOVAudioChannels = value; }
    const QString& MOVAudioFrequency() const { return m_MOVAudioFrequency; }
    void SetMOVAudioFrequency(const QString& value) { m_MOVAudioFrequency = value; }
    const QString& MOVWidth() const { return m_MOVWidth; }
    void SetMOVWidth(const QString& value) { m_MOVWidth = value; }
    const QString& MOVHeight() const { return m_MOVHeight; }
    void SetMOVHeight(const QString& value) { m_MOVHeight = value; }
    int MOVCbbIdx() const { return m_MOVCbbIdx; }
    void SetMOVCbbIdx(int value) { m_MOVCbbIdx = value; }
    const QString& MOVconstraint() const { return m_MOVconstraint; }
    void SetMOVconstraint(const QString& value) { m_MOVconstraint = value; }
    const QString& FLVFrameSize() const { return m_FLVFrameSize; }
    void SetFLVFrameSize(const QString& value) { m_FLVFrameSize = value; }
    const QString& FLVAspectRatio() const { return m_FLVAspectRatio; }
    void SetFLVAspectRatio(const QString& value) { m_FLVAspectRatio = value; }
    const QString& FLVTragetBitrate() const { return m_FLVTragetBitrate; }
    void SetFLVTragetBitrate(const QString& value) { m_FLVTragetBitrate = value; }
    const QString& FLVFrameRate() const { return m_FLVFrameRate; }
    void SetFLVFrameRate(const QString& value) { m_FLVFrameRate = value; }
    const QString& FLVCompression() const { return m_FLVCompression; }
    void SetFLVCompression(const QString& value) { m_FLVCompression = value; }
    const QString& FLVAudioCodec() const { return m_FLVAudioCodec; }
    void SetFLVAudioCodec(const QString& value) { m_FLVAudioCodec = value; }
    const QString& FLVAudioBitrate() const { return m_FLVAudioBitrate; }
    void SetFLVAudioBitrate(const QString& value) { m_FLVAudioBitrate = value; }
    const QString& FLVAudioChannels() const { return m_FLVAudioChannels; }
    void SetFLVAudioChannels(const QString& value) { m_FLVAudioChannels = value; }
    const QString& FLVAudioFrequency() const { return m_FLVAudioFrequency; }
    void SetFLVAudioFrequency(const QString& value) { m_FLVAudioFrequency = value; }
    const QString& FLVWidth() const { return m_FLVWidth; }
    void SetFLVWidth(const QString& value) { m_FLVWidth = value; }
    const QString& FLVHeight() const { return m_FLVHeight; }
    void SetFLVHeight(const QString& value) { m_FLVHeight = value; }
    int FLVCbbIdx() const { return m_FLVCbbIdx; }
    void SetFLVCbbIdx(int value) { m_FLVCbbIdx = value; }
    const QString& FLVConstraint() const { return m_FLVConstraint; }
    void SetFLVConstraint(const QString& value) { m_FLVConstraint = value; }
    const QString& MP3Bitrate() const { return m_MP3Bitrate; }
    void SetMP3Bitrate(const QString& value) { m_MP3Bitrate = value; }
    const QString& MP3Channels() const { return m_MP3Channels; }
    void SetMP3Channels(const QString& value) { m_MP3Channels = value; }
    const QString& MP3Samplerate() const { return m_MP3Samplerate; }
    void SetMP3Samplerate(const QString& value) { m_MP3Samplerate = value; }
    int MP3CbbIdx() const { return m_MP3CbbIdx; }
    void SetMP3CbbIdx(int value) { m_MP3CbbIdx = value; }
    int WMVCbbIdx() const { return m_WMVCbbIdx; }
    void SetWMVCbbIdx(int value) { m_WMVCbbIdx = value; }
    const QString& WMVFrameSize() const { return m_WMVFrameSize; }
    void SetWMVFrameSize(const QString& value) { m_WMVFrameSize = value; }
    int WMVVedioMode() const { return m_WMVVedioMode; }
    void SetWMVVedioMode(int value) { m_WMVVedioMode = value; }
    const QString& WMVPeakBitrate() const { return m_WMVPeakBitrate; }
    void SetWMVPeakBitrate(const QString& value) { m_WMVPeakBitrate = value; }
    int WMVTVFormat() const { return m_WMVTVFormat; }
    void SetWMVTVFormat(int value) { m_WMVTVFormat = value; }
    const QString& WMVTragetBitrate() const { return m_WMVTragetBitrate; }
    void SetWMVTragetBitrate(const QString& value) { m_WMVTragetBitrate = value; }
    const QString& WMVFramerate() const { return m_WMVFramerate; }
    void SetWMVFramerate(const QString& value) { m_WMVFramerate = value; }
    int WMVVedioCodec() const { return m_WMVVedioCodec; }
    void SetWMVVedioCodec(int value) { m_WMVVedioCodec = value; }
    int WMVAudioCodec() const { return m_WMVAudioCodec; }
    void SetWMVAudioCodec(int value) { m_WMVAudioCodec = value; }
    int WMVAudioFormat1() const { return m_WMVAudioFormat1; }
    void SetWMVAudioFormat1(int value) { m_WMVAudioFormat1 = value; }
    int WMVAudioFormat2() const { return m_WMVAudioFormat2; }
    void SetWMVAudioFormat2(int value) { m_WMVAudioFormat2 = value; }
    int WMVAudioFormat3() const { return m_WMVAudioFormat3; }
    void SetWMVAudioFormat3(int value) { m_WMVAudioFormat3 = value; }
    const QString& WMVAudioPeakBitrate() const { return m_WMVAudioPeakBitrate; }
    void SetWMVAudioPeakBitrate(const QString& value) { m_WMVAudioPeakBitrate = value; }
    const QString& WMVWidth() const { return m_WMVWidth; }
    void SetWMVWidth(const QString& value) { m_WMVWidth = value; }
    const QString& WMVHeight() const { return m_WMVHeight; }
    void SetWMVHeight(const QString& value) { m_WMVHeight = value; }
    const QString& G_WMVAudioCodec() const { return m_G_WMVAudioCodec; }
    void SetG_WMVAudioCodec(const QString& value) { m_G_WMVAudioCodec = value; }
    const QString& G_WMVAudioFormat() const { return m_G_WMVAudioFormat; }
    void SetG_WMVAudioFormat(const QString& value) { m_G_WMVAudioFormat = value; }
    const QString& G_WMVVedioCodec() const { return m_G_WMVVedioCodec; }
    void SetG_WMVVedioCodec(const QString& value) { m_G_WMVVedioCodec = value; }

private:
    QString m_LogDir;
    QString m_Indir;
    QString m_OutDir;
    bool m_SubDir;
    QString m_SavePath;
    int m_PageIndex;
    QString m_Applocation;
    QString m_MPEGFrameSize;
    QString m_MPEGAspectRatio;
    QString m_MPEGTragetBitrate;
    QString m_MPEGFrameRate;
    QString m_MPEGCompression;
    QString m_MPEGAudioCodec;
    QString m_MPEGAudioBitrate;
    QString m_MPEGAudioChannels;
    QString m_MPEGAudioFrequency;
    QString m_MPEGWidth;
    QString m_MPEGHeight;
    int m_MPEGCbbIdx;
    QString m_MPEGConstraint;
    QString m_MP4FrameSize;
    QString m_MP4AspectRatio;
    QString m_MP4TragetBitrate;
    QString m_MP4FrameRate;
    QString m_MP4Compression;
    QString m_MP4AudioCodec;
    QString m_MP4AudioBitrate;
    QString m_MP4AudioChannels;
    QString m_MP4AudioFrequency;
    QString m_MP4Width;
    QString m_MP4Height;
    int m_MP4CbbIdx;
    QString m_MP4constraint;
    QString m_MOVFrameSize;
    QString m_MOVAspectRatio;
    QString m_MOVTragetBitrate;
    QString m_MOVFrameRate;
    QString m_MOVCompression;
    QString m_MOVAudioCodec;
    QString m_MOVAudioBitrate;
    QString m_MOVAudioChannels;
    QString m_MOVAudioFrequency;
    QString m_MOVWidth;
    QString m_MOVHeight;
    int m_MOVCbbIdx;
    QString m_MOVconstraint;
    QString m_FLVFrameSize;
    QString m_FLVAspectRatio;
    QString m_FLVTragetBitrate;
    QString m_FLVFrameRate;
    QString m_FLVCompression;
    QString m_FLVAudioCodec;
    QString m_FLVAudioBitrate;
    QString m_FLVAudioChannels;
    QString m_FLVAudioFrequency;
    QString m_FLVWidth;
    QString m_FLVHeight;
    int m_FLVCbbIdx;
    QString m_FLVConstraint;
    QString m_MP3Bitrate;
    QString m_MP3Channels;
    QString m_MP3Samplerate;
    int m_MP3CbbIdx;
    int m_WMVCbbIdx;
    QString m_WMVFrameSize;
    int m_WMVVedioMode;
    QString m_WMVPeakBitrate;
    int m_WMVTVFormat;
    QString m_WMVTragetBitrate;
    QString m_WMVFramerate;
    int m_WMVVedioCodec;
    int m_WMVAudioCodec;
    int m_WMVAudioFormat1;
    int m_WMVAudioFormat2;
    int m_WMVAudioFormat3;
    QString m_WMVAudioPeakBitrate;
    QString m_WMVWidth;
    QString m_WMVHeight;
    QString m_G_WMVAudioCodec;
    QString m_G_WMVAudioFormat;
    QString m_G_WMVVedioCodec;
};
