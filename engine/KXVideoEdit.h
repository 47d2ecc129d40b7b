#pragma once
// The conversion engine component: inputs, output settings, and runs that turn the inputs into
// one output file on a worker thread.
//
// Threads: construct, configure, Start and Stop on one thread that runs a Qt event loop (the
// owning thread). OnStart, OnProgress, OnWarning and OnStop are delivered on the owning thread
// while the run's worker waits for the handler; OnError comes on the thread that reports (the
// owning thread for add checks and output-file checks, the worker while a run is built or watched);
// OnPushFrame and OnFrame come on the media streaming thread.
//
// The owning thread must keep processing events while a run works (the notifications are
// blocking queued calls). Destroying the engine stops its run and waits for it while serving
// those calls; do not destroy it from inside one of its own handlers (use deleteLater()).

#include "engine/KXTypes.h"
#include "engine/KXWideStringList.h"
#include "filters/DSEvents.h"

#include <QImage>
#include <QObject>
#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace media {
class Filter;
}

namespace engine {
class FrameStore;
class RunThread;
struct RunOutcome;
struct WmvCatalogues;
} // namespace engine

using TStartEvent = std::function<void()>;
using TProgressEvent = std::function<void(int progress)>;
using TStopEvent = std::function<void()>;
/// Something the user should know about a run that still produced its output (an input that
/// ends before its declared length). One sentence, no prefix.
using TWarningEvent = std::function<void(const QString& text)>;
using TFilterEvent = std::function<void(const QString& name, media::Filter* filter)>;
/// The engine's frame bitmap (24-bit RGB), handed by reference.
using TFrameEvent = std::function<void(QImage& frame)>;
/// One video frame's raw bytes: width and height of the run's output, bits (32, as callers
/// have always been told), the buffer size; `frame` points at the bytes and may be edited in place.
using TFramePusher =
    std::function<void(int width, int height, int bits, int dataSize, unsigned char*& frame)>;
using TFrameEventH = std::function<void(quint32 frame)>;
using TFrameEventI = std::function<void(int frame)>;

class TKXVideoEdit : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString Output_File_Name READ Output_File_Name WRITE setOutput_File_Name)
    Q_PROPERTY(kx::TKXOutputFormat Output_Format READ Output_Format WRITE setOutput_Format)
    Q_PROPERTY(kx::TKXMode Mode READ Mode WRITE setMode)
    Q_PROPERTY(kx::TKXStatus Status READ Status)
    Q_PROPERTY(QString Control_Version READ Control_Version)
    Q_PROPERTY(bool Debug_Mode READ Debug_Mode WRITE setDebug_Mode)
    Q_PROPERTY(QString Debug_Dir READ Debug_Dir WRITE setDebug_Dir)
    Q_PROPERTY(QString Video_Codec READ Video_Codec WRITE setVideo_Codec)
    Q_PROPERTY(double Video_FrameRate READ Video_FrameRate WRITE setVideo_FrameRate)
    Q_PROPERTY(bool Video_Resize READ Video_Resize WRITE setVideo_Resize)
    Q_PROPERTY(int Video_Resize_Width READ Video_Resize_Width WRITE setVideo_Resize_Width)
    Q_PROPERTY(int Video_Resize_Height READ Video_Resize_Height WRITE setVideo_Resize_Height)
    Q_PROPERTY(bool Video_Use_Compression READ Video_Use_Compression WRITE setVideo_Use_Compression)
    Q_PROPERTY(bool Video_Use_Compression_DecodeUncompressedToRGB READ
                   Video_Use_Compression_DecodeUncompressedToRGB WRITE
                       setVideo_Use_Compression_DecodeUncompressedToRGB)
    Q_PROPERTY(bool Video_Use_Effects READ Video_Use_Effects WRITE setVideo_Use_Effects)
    Q_PROPERTY(
        bool Video_AVI10Compability READ Video_AVI10Compability WRITE setVideo_AVI10Compability)
    Q_PROPERTY(bool Video_Preview_Enabled READ Video_Preview_Enabled WRITE setVideo_Preview_Enabled)
    Q_PROPERTY(kx::TKXVideoRenderer Video_Renderer READ Video_Renderer WRITE setVideo_Renderer)
    Q_PROPERTY(QString Video_Renderer_Deinterlace_Mode READ Video_Renderer_Deinterlace_Mode WRITE
                   setVideo_Renderer_Deinterlace_Mode)
    Q_PROPERTY(bool Video_Renderer_Deinterlace_UseDefault READ Video_Renderer_Deinterlace_UseDefault
                   WRITE setVideo_Renderer_Deinterlace_UseDefault)
    Q_PROPERTY(QString Audio_Codec READ Audio_Codec WRITE setAudio_Codec)
    Q_PROPERTY(int Audio_Channels READ Audio_Channels WRITE setAudio_Channels)
    Q_PROPERTY(int Audio_BPS READ Audio_BPS WRITE setAudio_BPS)
    Q_PROPERTY(int Audio_SampleRate READ Audio_SampleRate WRITE setAudio_SampleRate)
    Q_PROPERTY(bool Audio_Use_Compression READ Audio_Use_Compression WRITE setAudio_Use_Compression)
    Q_PROPERTY(bool Audio_Effects_Enabled READ Audio_Effects_Enabled WRITE setAudio_Effects_Enabled)
    Q_PROPERTY(bool Audio_Preview_Enabled READ Audio_Preview_Enabled WRITE setAudio_Preview_Enabled)
    Q_PROPERTY(
        int Audio_LAME_CBR_Bitrate READ Audio_LAME_CBR_Bitrate WRITE setAudio_LAME_CBR_Bitrate)
    Q_PROPERTY(kx::TKXLameChannelsMode Audio_LAME_Channels_Mode READ Audio_LAME_Channels_Mode WRITE
                   setAudio_LAME_Channels_Mode)
    Q_PROPERTY(bool Audio_LAME_Copyright READ Audio_LAME_Copyright WRITE setAudio_LAME_Copyright)
    Q_PROPERTY(bool Audio_LAME_CRC_Protected READ Audio_LAME_CRC_Protected WRITE
                   setAudio_LAME_CRC_Protected)
    Q_PROPERTY(bool Audio_LAME_Disable_Short_Blocks READ Audio_LAME_Disable_Short_Blocks WRITE
                   setAudio_LAME_Disable_Short_Blocks)
    Q_PROPERTY(bool Audio_LAME_Enable_Xing_VBR_Tag READ Audio_LAME_Enable_Xing_VBR_Tag WRITE
                   setAudio_LAME_Enable_Xing_VBR_Tag)
    Q_PROPERTY(bool Audio_LAME_Force_Mono READ Audio_LAME_Force_Mono WRITE setAudio_LAME_Force_Mono)
    Q_PROPERTY(bool Audio_LAME_Keep_All_Frequencies READ Audio_LAME_Keep_All_Frequencies WRITE
                   setAudio_LAME_Keep_All_Frequencies)
    Q_PROPERTY(bool Audio_LAME_Mode_Fixed READ Audio_LAME_Mode_Fixed WRITE setAudio_LAME_Mode_Fixed)
    Q_PROPERTY(bool Audio_LAME_Original READ Audio_LAME_Original WRITE setAudio_LAME_Original)
    Q_PROPERTY(bool Audio_LAME_Strictly_Enforce_VBR_Min_Bitrate READ
                   Audio_LAME_Strictly_Enforce_VBR_Min_Bitrate WRITE
                       setAudio_LAME_Strictly_Enforce_VBR_Min_Bitrate)
    Q_PROPERTY(bool Audio_LAME_Strict_ISO_Compilance READ Audio_LAME_Strict_ISO_Compilance WRITE
                   setAudio_LAME_Strict_ISO_Compilance)
    Q_PROPERTY(bool Audio_LAME_UseInAVI READ Audio_LAME_UseInAVI WRITE setAudio_LAME_UseInAVI)
    Q_PROPERTY(bool Audio_LAME_Voice_Encoding_Mode READ Audio_LAME_Voice_Encoding_Mode WRITE
                   setAudio_LAME_Voice_Encoding_Mode)
    Q_PROPERTY(int Audio_LAME_Encoding_Quality READ Audio_LAME_Encoding_Quality WRITE
                   setAudio_LAME_Encoding_Quality)
    Q_PROPERTY(
        int Audio_LAME_Sample_Rate READ Audio_LAME_Sample_Rate WRITE setAudio_LAME_Sample_Rate)
    Q_PROPERTY(int Audio_LAME_VBR_Max_Bitrate READ Audio_LAME_VBR_Max_Bitrate WRITE
                   setAudio_LAME_VBR_Max_Bitrate)
    Q_PROPERTY(int Audio_LAME_VBR_Min_Bitrate READ Audio_LAME_VBR_Min_Bitrate WRITE
                   setAudio_LAME_VBR_Min_Bitrate)
    Q_PROPERTY(bool Audio_LAME_VBR_Mode READ Audio_LAME_VBR_Mode WRITE setAudio_LAME_VBR_Mode)
    Q_PROPERTY(
        int Audio_LAME_VBR_Quality READ Audio_LAME_VBR_Quality WRITE setAudio_LAME_VBR_Quality)
    Q_PROPERTY(int Audio_OggVorbis_AvgBitRate READ Audio_OggVorbis_AvgBitRate WRITE
                   setAudio_OggVorbis_AvgBitRate)
    Q_PROPERTY(int Audio_OggVorbis_MaxBitRate READ Audio_OggVorbis_MaxBitRate WRITE
                   setAudio_OggVorbis_MaxBitRate)
    Q_PROPERTY(int Audio_OggVorbis_MinBitRate READ Audio_OggVorbis_MinBitRate WRITE
                   setAudio_OggVorbis_MinBitRate)
    Q_PROPERTY(kx::TKXVorbisMode Audio_OggVorbis_Mode READ Audio_OggVorbis_Mode WRITE
                   setAudio_OggVorbis_Mode)
    Q_PROPERTY(double Audio_OggVorbis_Quality READ Audio_OggVorbis_Quality WRITE
                   setAudio_OggVorbis_Quality)
    Q_PROPERTY(QString Custom_Output_Audio_Codec READ Custom_Output_Audio_Codec WRITE
                   setCustom_Output_Audio_Codec)
    Q_PROPERTY(bool Custom_Output_Audio_Codec_Use_Filters_Category READ
                   Custom_Output_Audio_Codec_Use_Filters_Category WRITE
                       setCustom_Output_Audio_Codec_Use_Filters_Category)
    Q_PROPERTY(QString Custom_Output_Video_Codec READ Custom_Output_Video_Codec WRITE
                   setCustom_Output_Video_Codec)
    Q_PROPERTY(bool Custom_Output_Video_Codec_Use_Filters_Category READ
                   Custom_Output_Video_Codec_Use_Filters_Category WRITE
                       setCustom_Output_Video_Codec_Use_Filters_Category)
    Q_PROPERTY(QString Custom_Output_Mux_Filter_Name READ Custom_Output_Mux_Filter_Name WRITE
                   setCustom_Output_Mux_Filter_Name)
    Q_PROPERTY(bool Custom_Output_Mux_Filter_Is_Encoder READ Custom_Output_Mux_Filter_Is_Encoder
                   WRITE setCustom_Output_Mux_Filter_Is_Encoder)
    Q_PROPERTY(QString Custom_Output_Special_FileWriter_Filter_Name READ
                   Custom_Output_Special_FileWriter_Filter_Name WRITE
                       setCustom_Output_Special_FileWriter_Filter_Name)
    Q_PROPERTY(
        bool Custom_Output_Special_FileWriter_Needed READ Custom_Output_Special_FileWriter_Needed
            WRITE setCustom_Output_Special_FileWriter_Needed)
    Q_PROPERTY(int DV_Audio_Channels READ DV_Audio_Channels WRITE setDV_Audio_Channels)
    Q_PROPERTY(int DV_Audio_SampleRate READ DV_Audio_SampleRate WRITE setDV_Audio_SampleRate)
    Q_PROPERTY(bool DV_Type2 READ DV_Type2 WRITE setDV_Type2)
    Q_PROPERTY(kx::TKXDVVideoFormat DV_Video_Format READ DV_Video_Format WRITE setDV_Video_Format)
    Q_PROPERTY(int FLV_Output_Audio_Bitrate READ FLV_Output_Audio_Bitrate WRITE
                   setFLV_Output_Audio_Bitrate)
    Q_PROPERTY(int FLV_Output_Audio_Channels READ FLV_Output_Audio_Channels WRITE
                   setFLV_Output_Audio_Channels)
    Q_PROPERTY(int FLV_Output_Audio_SampleRate READ FLV_Output_Audio_SampleRate WRITE
                   setFLV_Output_Audio_SampleRate)
    Q_PROPERTY(int FLV_Output_Video_Bitrate READ FLV_Output_Video_Bitrate WRITE
                   setFLV_Output_Video_Bitrate)
    Q_PROPERTY(kx::TKX_WMV_Mode WMV_Mode READ WMV_Mode WRITE setWMV_Mode)
    Q_PROPERTY(QString WMV_External_Profile_File_Name READ WMV_External_Profile_File_Name WRITE
                   setWMV_External_Profile_File_Name)
    Q_PROPERTY(QString WMV_Internal_Profile_Name READ WMV_Internal_Profile_Name WRITE
                   setWMV_Internal_Profile_Name)
    Q_PROPERTY(QString WMV_V8_Profile_Name READ WMV_V8_Profile_Name WRITE setWMV_V8_Profile_Name)
    Q_PROPERTY(QString WMV_Custom_Profile_Name READ WMV_Custom_Profile_Name WRITE
                   setWMV_Custom_Profile_Name)
    Q_PROPERTY(QString WMV_Custom_Profile_Description READ WMV_Custom_Profile_Description WRITE
                   setWMV_Custom_Profile_Description)
    Q_PROPERTY(QString WMV_Custom_Profile_Language READ WMV_Custom_Profile_Language WRITE
                   setWMV_Custom_Profile_Language)
    Q_PROPERTY(
        QString WMV_Custom_Audio_Codec READ WMV_Custom_Audio_Codec WRITE setWMV_Custom_Audio_Codec)
    Q_PROPERTY(QString WMV_Custom_Audio_Format READ WMV_Custom_Audio_Format WRITE
                   setWMV_Custom_Audio_Format)
    Q_PROPERTY(QString WMV_Custom_Audio_rfc1766langid READ WMV_Custom_Audio_rfc1766langid WRITE
                   setWMV_Custom_Audio_rfc1766langid)
    Q_PROPERTY(kx::TKX_WMV_Stream_Mode WMV_Custom_Audio_Mode READ WMV_Custom_Audio_Mode WRITE
                   setWMV_Custom_Audio_Mode)
    Q_PROPERTY(kx::TKX_WMV_Stream_Mode WMV_Custom_Video_Mode READ WMV_Custom_Video_Mode WRITE
                   setWMV_Custom_Video_Mode)
    Q_PROPERTY(int WMV_Custom_Audio_PeakBitrate READ WMV_Custom_Audio_PeakBitrate WRITE
                   setWMV_Custom_Audio_PeakBitrate)
    Q_PROPERTY(quint8 WMV_Custom_Audio_PeakBufferSize READ WMV_Custom_Audio_PeakBufferSize WRITE
                   setWMV_Custom_Audio_PeakBufferSize)
    Q_PROPERTY(bool WMV_Custom_Audio_StreamPresent READ WMV_Custom_Audio_StreamPresent WRITE
                   setWMV_Custom_Audio_StreamPresent)
    Q_PROPERTY(
        QString WMV_Custom_Video_Codec READ WMV_Custom_Video_Codec WRITE setWMV_Custom_Video_Codec)
    Q_PROPERTY(int WMV_Custom_Video_Bitrate READ WMV_Custom_Video_Bitrate WRITE
                   setWMV_Custom_Video_Bitrate)
    Q_PROPERTY(int WMV_Custom_Video_Buffer_Size READ WMV_Custom_Video_Buffer_Size WRITE
                   setWMV_Custom_Video_Buffer_Size)
    Q_PROPERTY(int WMV_Custom_Video_PeakBitRate READ WMV_Custom_Video_PeakBitRate WRITE
                   setWMV_Custom_Video_PeakBitRate)
    Q_PROPERTY(
        int WMV_Custom_Video_Width READ WMV_Custom_Video_Width WRITE setWMV_Custom_Video_Width)
    Q_PROPERTY(
        int WMV_Custom_Video_Height READ WMV_Custom_Video_Height WRITE setWMV_Custom_Video_Height)
    Q_PROPERTY(bool WMV_Custom_Video_Buffer_UseDefault READ WMV_Custom_Video_Buffer_UseDefault WRITE
                   setWMV_Custom_Video_Buffer_UseDefault)
    Q_PROPERTY(bool WMV_Custom_Video_SizeSameAsInput READ WMV_Custom_Video_SizeSameAsInput WRITE
                   setWMV_Custom_Video_SizeSameAsInput)
    Q_PROPERTY(bool WMV_Custom_Video_StreamPresent READ WMV_Custom_Video_StreamPresent WRITE
                   setWMV_Custom_Video_StreamPresent)
    Q_PROPERTY(double WMV_Custom_Video_FrameRate READ WMV_Custom_Video_FrameRate WRITE
                   setWMV_Custom_Video_FrameRate)
    Q_PROPERTY(quint8 WMV_Custom_Video_KeyFrameInterval READ WMV_Custom_Video_KeyFrameInterval WRITE
                   setWMV_Custom_Video_KeyFrameInterval)
    Q_PROPERTY(
        quint8 WMV_Custom_Video_PeakBufferSizeSeconds READ WMV_Custom_Video_PeakBufferSizeSeconds
            WRITE setWMV_Custom_Video_PeakBufferSizeSeconds)
    Q_PROPERTY(quint8 WMV_Custom_Video_Quality READ WMV_Custom_Video_Quality WRITE
                   setWMV_Custom_Video_Quality)
    Q_PROPERTY(quint8 WMV_Custom_Video_Smoothness READ WMV_Custom_Video_Smoothness WRITE
                   setWMV_Custom_Video_Smoothness)
    Q_PROPERTY(kx::TKXTVSystem WMV_Custom_Video_TVSystem READ WMV_Custom_Video_TVSystem WRITE
                   setWMV_Custom_Video_TVSystem)
    Q_PROPERTY(quint32 Background_Color READ Background_Color WRITE setBackground_Color)
    Q_PROPERTY(kx::TKXBGImageDrawMode Background_Image_DrawMode READ Background_Image_DrawMode WRITE
                   setBackground_Image_DrawMode)
    Q_PROPERTY(bool Screen_Aspect_Ratio_Override READ Screen_Aspect_Ratio_Override WRITE
                   setScreen_Aspect_Ratio_Override)
    Q_PROPERTY(int Screen_Aspect_Ratio_X READ Screen_Aspect_Ratio_X WRITE setScreen_Aspect_Ratio_X)
    Q_PROPERTY(int Screen_Aspect_Ratio_Y READ Screen_Aspect_Ratio_Y WRITE setScreen_Aspect_Ratio_Y)
    Q_PROPERTY(
        bool Screen_Flip_Horizontal READ Screen_Flip_Horizontal WRITE setScreen_Flip_Horizontal)
    Q_PROPERTY(bool Screen_Flip_Vertical READ Screen_Flip_Vertical WRITE setScreen_Flip_Vertical)
    Q_PROPERTY(bool Screen_Stretch READ Screen_Stretch WRITE setScreen_Stretch)
    Q_PROPERTY(int Screen_Zoom_Ratio READ Screen_Zoom_Ratio WRITE setScreen_Zoom_Ratio)
    Q_PROPERTY(int Screen_Zoom_ShiftX READ Screen_Zoom_ShiftX WRITE setScreen_Zoom_ShiftX)
    Q_PROPERTY(int Screen_Zoom_ShiftY READ Screen_Zoom_ShiftY WRITE setScreen_Zoom_ShiftY)

public:
    explicit TKXVideoEdit(QObject* parent = nullptr);
    ~TKXVideoEdit() override;

    // Published properties (owning thread; do not change them while a run is building:
    // Start takes a snapshot of everything a run reads).
    QString Output_File_Name() const { return m_Output_File_Name; }
    void setOutput_File_Name(const QString& value) { m_Output_File_Name = value; }
    kx::TKXOutputFormat Output_Format() const { return m_Output_Format; }
    void setOutput_Format(kx::TKXOutputFormat value) { m_Output_Format = value; }
    kx::TKXMode Mode() const { return m_Mode; }
    void setMode(kx::TKXMode value) { m_Mode = value; }
    kx::TKXStatus Status() const { return static_cast<kx::TKXStatus>(status_.load()); }
    QString Control_Version() const { return m_Control_Version; }
    bool Debug_Mode() const { return m_Debug_Mode; }
    void setDebug_Mode(bool value) { m_Debug_Mode = value; }
    QString Debug_Dir() const { return m_Debug_Dir; }
    void setDebug_Dir(const QString& value) { m_Debug_Dir = value; }
    QString Video_Codec() const { return m_Video_Codec; }
    void setVideo_Codec(const QString& value) { m_Video_Codec = value; }
    double Video_FrameRate() const { return m_Video_FrameRate; }
    void setVideo_FrameRate(double value) { m_Video_FrameRate = value; }
    bool Video_Resize() const { return m_Video_Resize; }
    void setVideo_Resize(bool value) { m_Video_Resize = value; }
    int Video_Resize_Width() const { return m_Video_Resize_Width; }
    void setVideo_Resize_Width(int value) { m_Video_Resize_Width = value; }
    int Video_Resize_Height() const { return m_Video_Resize_Height; }
    void setVideo_Resize_Height(int value) { m_Video_Resize_Height = value; }
    bool Video_Use_Compression() const { return m_Video_Use_Compression; }
    void setVideo_Use_Compression(bool value) { m_Video_Use_Compression = value; }
    bool Video_Use_Compression_DecodeUncompressedToRGB() const {
        return m_Video_Use_Compression_DecodeUncompressedToRGB;
    }
    void setVideo_Use_Compression_DecodeUncompressedToRGB(bool value) {
        m_Video_Use_Compression_DecodeUncompressedToRGB = value;
    }
    bool Video_Use_Effects() const { return m_Video_Use_Effects; }
    void setVideo_Use_Effects(bool value) { m_Video_Use_Effects = value; }
    bool Video_AVI10Compability() const { return m_Video_AVI10Compability; }
    void setVideo_AVI10Compability(bool value) { m_Video_AVI10Compability = value; }
    bool Video_Preview_Enabled() const { return m_Video_Preview_Enabled; }
    void setVideo_Preview_Enabled(bool value) { m_Video_Preview_Enabled = value; }
    kx::TKXVideoRenderer Video_Renderer() const { return m_Video_Renderer; }
    void setVideo_Renderer(kx::TKXVideoRenderer value) { m_Video_Renderer = value; }
    QString Video_Renderer_Deinterlace_Mode() const { return m_Video_Renderer_Deinterlace_Mode; }
    void setVideo_Renderer_Deinterlace_Mode(const QString& value) {
        m_Video_Renderer_Deinterlace_Mode = value;
    }
    bool Video_Renderer_Deinterlace_UseDefault() const {
        return m_Video_Renderer_Deinterlace_UseDefault;
    }
    void setVideo_Renderer_Deinterlace_UseDefault(bool value) {
        m_Video_Renderer_Deinterlace_UseDefault = value;
    }
    QString Audio_Codec() const { return m_Audio_Codec; }
    void setAudio_Codec(const QString& value) { m_Audio_Codec = value; }
    int Audio_Channels() const { return m_Audio_Channels; }
    void setAudio_Channels(int value) { m_Audio_Channels = value; }
    int Audio_BPS() const { return m_Audio_BPS; }
    void setAudio_BPS(int value) { m_Audio_BPS = value; }
    int Audio_SampleRate() const { return m_Audio_SampleRate; }
    void setAudio_SampleRate(int value) { m_Audio_SampleRate = value; }
    bool Audio_Use_Compression() const { return m_Audio_Use_Compression; }
    void setAudio_Use_Compression(bool value) { m_Audio_Use_Compression = value; }
    bool Audio_Effects_Enabled() const { return m_Audio_Effects_Enabled; }
    void setAudio_Effects_Enabled(bool value) { m_Audio_Effects_Enabled = value; }
    bool Audio_Preview_Enabled() const { return m_Audio_Preview_Enabled; }
    void setAudio_Preview_Enabled(bool value) { m_Audio_Preview_Enabled = value; }
    int Audio_LAME_CBR_Bitrate() const { return m_Audio_LAME_CBR_Bitrate; }
    void setAudio_LAME_CBR_Bitrate(int value) { m_Audio_LAME_CBR_Bitrate = value; }
    kx::TKXLameChannelsMode Audio_LAME_Channels_Mode() const { return m_Audio_LAME_Channels_Mode; }
    void setAudio_LAME_Channels_Mode(kx::TKXLameChannelsMode value) {
        m_Audio_LAME_Channels_Mode = value;
    }
    bool Audio_LAME_Copyright() const { return m_Audio_LAME_Copyright; }
    void setAudio_LAME_Copyright(bool value) { m_Audio_LAME_Copyright = value; }
    bool Audio_LAME_CRC_Protected() const { return m_Audio_LAME_CRC_Protected; }
    void setAudio_LAME_CRC_Protected(bool value) { m_Audio_LAME_CRC_Protected = value; }
    bool Audio_LAME_Disable_Short_Blocks() const { return m_Audio_LAME_Disable_Short_Blocks; }
    void setAudio_LAME_Disable_Short_Blocks(bool value) {
        m_Audio_LAME_Disable_Short_Blocks = value;
    }
    bool Audio_LAME_Enable_Xing_VBR_Tag() const { return m_Audio_LAME_Enable_Xing_VBR_Tag; }
    void setAudio_LAME_Enable_Xing_VBR_Tag(bool value) { m_Audio_LAME_Enable_Xing_VBR_Tag = value; }
    bool Audio_LAME_Force_Mono() const { return m_Audio_LAME_Force_Mono; }
    void setAudio_LAME_Force_Mono(bool value) { m_Audio_LAME_Force_Mono = value; }
    bool Audio_LAME_Keep_All_Frequencies() const { return m_Audio_LAME_Keep_All_Frequencies; }
    void setAudio_LAME_Keep_All_Frequencies(bool value) {
        m_Audio_LAME_Keep_All_Frequencies = value;
    }
    bool Audio_LAME_Mode_Fixed() const { return m_Audio_LAME_Mode_Fixed; }
    void setAudio_LAME_Mode_Fixed(bool value) { m_Audio_LAME_Mode_Fixed = value; }
    bool Audio_LAME_Original() const { return m_Audio_LAME_Original; }
    void setAudio_LAME_Original(bool value) { m_Audio_LAME_Original = value; }
    bool Audio_LAME_Strictly_Enforce_VBR_Min_Bitrate() const {
        return m_Audio_LAME_Strictly_Enforce_VBR_Min_Bitrate;
    }
    void setAudio_LAME_Strictly_Enforce_VBR_Min_Bitrate(bool value) {
        m_Audio_LAME_Strictly_Enforce_VBR_Min_Bitrate = value;
    }
    bool Audio_LAME_Strict_ISO_Compilance() const { return m_Audio_LAME_Strict_ISO_Compilance; }
    void setAudio_LAME_Strict_ISO_Compilance(bool value) {
        m_Audio_LAME_Strict_ISO_Compilance = value;
    }
    bool Audio_LAME_UseInAVI() const { return m_Audio_LAME_UseInAVI; }
    void setAudio_LAME_UseInAVI(bool value) { m_Audio_LAME_UseInAVI = value; }
    bool Audio_LAME_Voice_Encoding_Mode() const { return m_Audio_LAME_Voice_Encoding_Mode; }
    void setAudio_LAME_Voice_Encoding_Mode(bool value) { m_Audio_LAME_Voice_Encoding_Mode = value; }
    int Audio_LAME_Encoding_Quality() const { return m_Audio_LAME_Encoding_Quality; }
    void setAudio_LAME_Encoding_Quality(int value) { m_Audio_LAME_Encoding_Quality = value; }
    int Audio_LAME_Sample_Rate() const { return m_Audio_LAME_Sample_Rate; }
    void setAudio_LAME_Sample_Rate(int value) { m_Audio_LAME_Sample_Rate = value; }
    int Audio_LAME_VBR_Max_Bitrate() const { return m_Audio_LAME_VBR_Max_Bitrate; }
    void setAudio_LAME_VBR_Max_Bitrate(int value) { m_Audio_LAME_VBR_Max_Bitrate = value; }
    int Audio_LAME_VBR_Min_Bitrate() const { return m_Audio_LAME_VBR_Min_Bitrate; }
    void setAudio_LAME_VBR_Min_Bitrate(int value) { m_Audio_LAME_VBR_Min_Bitrate = value; }
    bool Audio_LAME_VBR_Mode() const { return m_Audio_LAME_VBR_Mode; }
    void setAudio_LAME_VBR_Mode(bool value) { m_Audio_LAME_VBR_Mode = value; }
    int Audio_LAME_VBR_Quality() const { return m_Audio_LAME_VBR_Quality; }
    void setAudio_LAME_VBR_Quality(int value) { m_Audio_LAME_VBR_Quality = value; }
    int Audio_OggVorbis_AvgBitRate() const { return m_Audio_OggVorbis_AvgBitRate; }
    void setAudio_OggVorbis_AvgBitRate(int value) { m_Audio_OggVorbis_AvgBitRate = value; }
    int Audio_OggVorbis_MaxBitRate() const { return m_Audio_OggVorbis_MaxBitRate; }
    void setAudio_OggVorbis_MaxBitRate(int value) { m_Audio_OggVorbis_MaxBitRate = value; }
    int Audio_OggVorbis_MinBitRate() const { return m_Audio_OggVorbis_MinBitRate; }
    void setAudio_OggVorbis_MinBitRate(int value) { m_Audio_OggVorbis_MinBitRate = value; }
    kx::TKXVorbisMode Audio_OggVorbis_Mode() const { return m_Audio_OggVorbis_Mode; }
    void setAudio_OggVorbis_Mode(kx::TKXVorbisMode value) { m_Audio_OggVorbis_Mode = value; }
    double Audio_OggVorbis_Quality() const { return m_Audio_OggVorbis_Quality; }
    void setAudio_OggVorbis_Quality(double value) { m_Audio_OggVorbis_Quality = value; }
    QString Custom_Output_Audio_Codec() const { return m_Custom_Output_Audio_Codec; }
    void setCustom_Output_Audio_Codec(const QString& value) { m_Custom_Output_Audio_Codec = value; }
    bool Custom_Output_Audio_Codec_Use_Filters_Category() const {
        return m_Custom_Output_Audio_Codec_Use_Filters_Category;
    }
    void setCustom_Output_Audio_Codec_Use_Filters_Category(bool value) {
        m_Custom_Output_Audio_Codec_Use_Filters_Category = value;
    }
    QString Custom_Output_Video_Codec() const { return m_Custom_Output_Video_Codec; }
    void setCustom_Output_Video_Codec(const QString& value) { m_Custom_Output_Video_Codec = value; }
    bool Custom_Output_Video_Codec_Use_Filters_Category() const {
        return m_Custom_Output_Video_Codec_Use_Filters_Category;
    }
    void setCustom_Output_Video_Codec_Use_Filters_Category(bool value) {
        m_Custom_Output_Video_Codec_Use_Filters_Category = value;
    }
    QString Custom_Output_Mux_Filter_Name() const { return m_Custom_Output_Mux_Filter_Name; }
    void setCustom_Output_Mux_Filter_Name(const QString& value) {
        m_Custom_Output_Mux_Filter_Name = value;
    }
    bool Custom_Output_Mux_Filter_Is_Encoder() const {
        return m_Custom_Output_Mux_Filter_Is_Encoder;
    }
    void setCustom_Output_Mux_Filter_Is_Encoder(bool value) {
        m_Custom_Output_Mux_Filter_Is_Encoder = value;
    }
    QString Custom_Output_Special_FileWriter_Filter_Name() const {
        return m_Custom_Output_Special_FileWriter_Filter_Name;
    }
    void setCustom_Output_Special_FileWriter_Filter_Name(const QString& value) {
        m_Custom_Output_Special_FileWriter_Filter_Name = value;
    }
    bool Custom_Output_Special_FileWriter_Needed() const {
        return m_Custom_Output_Special_FileWriter_Needed;
    }
    void setCustom_Output_Special_FileWriter_Needed(bool value) {
        m_Custom_Output_Special_FileWriter_Needed = value;
    }
    int DV_Audio_Channels() const { return m_DV_Audio_Channels; }
    void setDV_Audio_Channels(int value) { m_DV_Audio_Channels = value; }
    int DV_Audio_SampleRate() const { return m_DV_Audio_SampleRate; }
    void setDV_Audio_SampleRate(int value) { m_DV_Audio_SampleRate = value; }
    bool DV_Type2() const { return m_DV_Type2; }
    void setDV_Type2(bool value) { m_DV_Type2 = value; }
    kx::TKXDVVideoFormat DV_Video_Format() const { return m_DV_Video_Format; }
    void setDV_Video_Format(kx::TKXDVVideoFormat value) { m_DV_Video_Format = value; }
    int FLV_Output_Audio_Bitrate() const { return m_FLV_Output_Audio_Bitrate; }
    void setFLV_Output_Audio_Bitrate(int value) { m_FLV_Output_Audio_Bitrate = value; }
    int FLV_Output_Audio_Channels() const { return m_FLV_Output_Audio_Channels; }
    void setFLV_Output_Audio_Channels(int value) { m_FLV_Output_Audio_Channels = value; }
    int FLV_Output_Audio_SampleRate() const { return m_FLV_Output_Audio_SampleRate; }
    void setFLV_Output_Audio_SampleRate(int value) { m_FLV_Output_Audio_SampleRate = value; }
    int FLV_Output_Video_Bitrate() const { return m_FLV_Output_Video_Bitrate; }
    void setFLV_Output_Video_Bitrate(int value) { m_FLV_Output_Video_Bitrate = value; }
    kx::TKX_WMV_Mode WMV_Mode() const { return m_WMV_Mode; }
    void setWMV_Mode(kx::TKX_WMV_Mode value) { m_WMV_Mode = value; }
    QString WMV_External_Profile_File_Name() const { return m_WMV_External_Profile_File_Name; }
    void setWMV_External_Profile_File_Name(const QString& value) {
        m_WMV_External_Profile_File_Name = value;
    }
    QString WMV_Internal_Profile_Name() const { return m_WMV_Internal_Profile_Name; }
    void setWMV_Internal_Profile_Name(const QString& value) { m_WMV_Internal_Profile_Name = value; }
    QString WMV_V8_Profile_Name() const { return m_WMV_V8_Profile_Name; }
    void setWMV_V8_Profile_Name(const QString& value) { m_WMV_V8_Profile_Name = value; }
    QString WMV_Custom_Profile_Name() const { return m_WMV_Custom_Profile_Name; }
    void setWMV_Custom_Profile_Name(const QString& value) { m_WMV_Custom_Profile_Name = value; }
    QString WMV_Custom_Profile_Description() const { return m_WMV_Custom_Profile_Description; }
    void setWMV_Custom_Profile_Description(const QString& value) {
        m_WMV_Custom_Profile_Description = value;
    }
    QString WMV_Custom_Profile_Language() const { return m_WMV_Custom_Profile_Language; }
    void setWMV_Custom_Profile_Language(const QString& value) {
        m_WMV_Custom_Profile_Language = value;
    }
    QString WMV_Custom_Audio_Codec() const { return m_WMV_Custom_Audio_Codec; }
    void setWMV_Custom_Audio_Codec(const QString& value) { m_WMV_Custom_Audio_Codec = value; }
    QString WMV_Custom_Audio_Format() const { return m_WMV_Custom_Audio_Format; }
    void setWMV_Custom_Audio_Format(const QString& value) { m_WMV_Custom_Audio_Format = value; }
    QString WMV_Custom_Audio_rfc1766langid() const { return m_WMV_Custom_Audio_rfc1766langid; }
    void setWMV_Custom_Audio_rfc1766langid(const QString& value) {
        m_WMV_Custom_Audio_rfc1766langid = value;
    }
    kx::TKX_WMV_Stream_Mode WMV_Custom_Audio_Mode() const { return m_WMV_Custom_Audio_Mode; }
    void setWMV_Custom_Audio_Mode(kx::TKX_WMV_Stream_Mode value) {
        m_WMV_Custom_Audio_Mode = value;
    }
    kx::TKX_WMV_Stream_Mode WMV_Custom_Video_Mode() const { return m_WMV_Custom_Video_Mode; }
    void setWMV_Custom_Video_Mode(kx::TKX_WMV_Stream_Mode value) {
        m_WMV_Custom_Video_Mode = value;
    }
    int WMV_Custom_Audio_PeakBitrate() const { return m_WMV_Custom_Audio_PeakBitrate; }
    void setWMV_Custom_Audio_PeakBitrate(int value) { m_WMV_Custom_Audio_PeakBitrate = value; }
    quint8 WMV_Custom_Audio_PeakBufferSize() const { return m_WMV_Custom_Audio_PeakBufferSize; }
    void setWMV_Custom_Audio_PeakBufferSize(quint8 value) {
        m_WMV_Custom_Audio_PeakBufferSize = value;
    }
    bool WMV_Custom_Audio_StreamPresent() const { return m_WMV_Custom_Audio_StreamPresent; }
    void setWMV_Custom_Audio_StreamPresent(bool value) { m_WMV_Custom_Audio_StreamPresent = value; }
    QString WMV_Custom_Video_Codec() const { return m_WMV_Custom_Video_Codec; }
    void setWMV_Custom_Video_Codec(const QString& value) { m_WMV_Custom_Video_Codec = value; }
    int WMV_Custom_Video_Bitrate() const { return m_WMV_Custom_Video_Bitrate; }
    void setWMV_Custom_Video_Bitrate(int value) { m_WMV_Custom_Video_Bitrate = value; }
    int WMV_Custom_Video_Buffer_Size() const { return m_WMV_Custom_Video_Buffer_Size; }
    void setWMV_Custom_Video_Buffer_Size(int value) { m_WMV_Custom_Video_Buffer_Size = value; }
    int WMV_Custom_Video_PeakBitRate() const { return m_WMV_Custom_Video_PeakBitRate; }
    void setWMV_Custom_Video_PeakBitRate(int value) { m_WMV_Custom_Video_PeakBitRate = value; }
    int WMV_Custom_Video_Width() const { return m_WMV_Custom_Video_Width; }
    void setWMV_Custom_Video_Width(int value) { m_WMV_Custom_Video_Width = value; }
    int WMV_Custom_Video_Height() const { return m_WMV_Custom_Video_Height; }
    void setWMV_Custom_Video_Height(int value) { m_WMV_Custom_Video_Height = value; }
    bool WMV_Custom_Video_Buffer_UseDefault() const { return m_WMV_Custom_Video_Buffer_UseDefault; }
    void setWMV_Custom_Video_Buffer_UseDefault(bool value) {
        m_WMV_Custom_Video_Buffer_UseDefault = value;
    }
    bool WMV_Custom_Video_SizeSameAsInput() const { return m_WMV_Custom_Video_SizeSameAsInput; }
    void setWMV_Custom_Video_SizeSameAsInput(bool value) {
        m_WMV_Custom_Video_SizeSameAsInput = value;
    }
    bool WMV_Custom_Video_StreamPresent() const { return m_WMV_Custom_Video_StreamPresent; }
    void setWMV_Custom_Video_StreamPresent(bool value) { m_WMV_Custom_Video_StreamPresent = value; }
    double WMV_Custom_Video_FrameRate() const { return m_WMV_Custom_Video_FrameRate; }
    void setWMV_Custom_Video_FrameRate(double value) { m_WMV_Custom_Video_FrameRate = value; }
    quint8 WMV_Custom_Video_KeyFrameInterval() const { return m_WMV_Custom_Video_KeyFrameInterval; }
    void setWMV_Custom_Video_KeyFrameInterval(quint8 value) {
        m_WMV_Custom_Video_KeyFrameInterval = value;
    }
    quint8 WMV_Custom_Video_PeakBufferSizeSeconds() const {
        return m_WMV_Custom_Video_PeakBufferSizeSeconds;
    }
    void setWMV_Custom_Video_PeakBufferSizeSeconds(quint8 value) {
        m_WMV_Custom_Video_PeakBufferSizeSeconds = value;
    }
    quint8 WMV_Custom_Video_Quality() const { return m_WMV_Custom_Video_Quality; }
    void setWMV_Custom_Video_Quality(quint8 value) { m_WMV_Custom_Video_Quality = value; }
    quint8 WMV_Custom_Video_Smoothness() const { return m_WMV_Custom_Video_Smoothness; }
    void setWMV_Custom_Video_Smoothness(quint8 value) { m_WMV_Custom_Video_Smoothness = value; }
    kx::TKXTVSystem WMV_Custom_Video_TVSystem() const { return m_WMV_Custom_Video_TVSystem; }
    void setWMV_Custom_Video_TVSystem(kx::TKXTVSystem value) {
        m_WMV_Custom_Video_TVSystem = value;
    }
    quint32 Background_Color() const { return m_Background_Color; }
    void setBackground_Color(quint32 value);
    kx::TKXBGImageDrawMode Background_Image_DrawMode() const { return m_Background_Image_DrawMode; }
    void setBackground_Image_DrawMode(kx::TKXBGImageDrawMode value) {
        m_Background_Image_DrawMode = value;
    }
    bool Screen_Aspect_Ratio_Override() const { return m_Screen_Aspect_Ratio_Override; }
    void setScreen_Aspect_Ratio_Override(bool value) { m_Screen_Aspect_Ratio_Override = value; }
    int Screen_Aspect_Ratio_X() const { return m_Screen_Aspect_Ratio_X; }
    void setScreen_Aspect_Ratio_X(int value) { m_Screen_Aspect_Ratio_X = value; }
    int Screen_Aspect_Ratio_Y() const { return m_Screen_Aspect_Ratio_Y; }
    void setScreen_Aspect_Ratio_Y(int value) { m_Screen_Aspect_Ratio_Y = value; }
    bool Screen_Flip_Horizontal() const { return m_Screen_Flip_Horizontal; }
    void setScreen_Flip_Horizontal(bool value) { m_Screen_Flip_Horizontal = value; }
    bool Screen_Flip_Vertical() const { return m_Screen_Flip_Vertical; }
    void setScreen_Flip_Vertical(bool value) { m_Screen_Flip_Vertical = value; }
    bool Screen_Stretch() const { return m_Screen_Stretch; }
    void setScreen_Stretch(bool value) { m_Screen_Stretch = value; }
    int Screen_Zoom_Ratio() const { return m_Screen_Zoom_Ratio; }
    void setScreen_Zoom_Ratio(int value);
    int Screen_Zoom_ShiftX() const { return m_Screen_Zoom_ShiftX; }
    void setScreen_Zoom_ShiftX(int value);
    int Screen_Zoom_ShiftY() const { return m_Screen_Zoom_ShiftY; }
    void setScreen_Zoom_ShiftY(int value);

    // Events; "assigned" means a non-empty function.
    TStartEvent OnStart;
    TProgressEvent OnProgress;
    TStopEvent OnStop;
    /// Each warning of a run, on the owning thread, after its last progress and before OnStop.
    TWarningEvent OnWarning;
    TKXErrorEvent OnError;
    TKXFilterEvent OnFilterAdded;
    TFrameEvent OnFrame;
    TFramePusher OnPushFrame;
    TFilterEvent OnFilter;
    TFrameEventH OnFrameH;
    TFrameEventI OnFrameI;

    // Operations (owning thread).
    /// Checks that the file can be played, then appends a video input. Times in ms, -1 = unset.
    void Input_AddVideoFile(const QString& fileName, int startTimeMs, int stopTimeMs,
                            int insertTimeMs, quint8 stretchMode, double unused = 0.0);
    /// Checks that the file can be played, then appends an audio input of group 0.
    void Input_AddAudioFile(const QString& fileName, int startTimeMs, int stopTimeMs,
                            int insertTimeMs, const QString& lengthSourceFile, int unused1 = 0,
                            int unused2 = 0, double unused3 = 0.0);
    void Input_Clear_List();
    void Audio_Envelope_Clear();
    void Video_Effects_Clear();
    void Video_Filters_Clear();
    void Extra_List_Clear();
    void Background_Image_Clear();
    void Standard_MPEG_Parameters_Clear();
    void Standard_MPEG_Parameter_Add(const QString& name, const QString& value);
    /// Starts a run and returns at once. A run still working is asked to stop first and waited
    /// for while this thread keeps processing events; when called from a handler that run is
    /// waiting for, the stop is requested and the new run starts once the handler has returned.
    void Start();
    /// Asks the running conversion to end; does not wait. Nothing happens while Status_FREE.
    void Stop();
    void Screen_Update();

    /// Reports code through OnError with its text, when the code is inside the text table.
    /// Any thread; exceptions of the handler are swallowed.
    void ReportError(int code);

    /// Processes events of the owning thread until no run is working or busy ending, or until
    /// timeoutMs passes (-1 = no limit). True when the engine is free. (A restart queued by a
    /// handler's Start, see Start, is not yet a run.)
    bool WaitForFree(int timeoutMs = -1);
    /// True while a worker thread of this engine exists (also while it delivers OnStop).
    bool IsRunThreadAlive() const;

    /// The input list; direct access lets callers set fields the add operations fix
    /// (speed, audio group). Owning thread, not during a run.
    std::vector<TKXStream>& Inputs() { return inputs_; }
    const std::vector<TKXStream>& Inputs() const { return inputs_; }
    const TKXWideStringList& ErrorTexts() const { return errorTexts_; }
    const TKXWideStringList& StandardMPEGParameterNames() const { return mpegNames_; }
    const TKXWideStringList& StandardMPEGParameterValues() const { return mpegValues_; }
    /// Tracks of the last run's timeline (one per video input).
    const std::vector<TKXDESTrack>& Tracks() const { return tracks_; }

    /// The last video frame of the latest run as 24-bit RGB; null before the first frame.
    /// Any thread.
    QImage FrameBitmap() const;
    /// Output frame size found by the latest run (kept until a run sets it again).
    int OutputFrameWidth() const { return outputWidth_; }
    int OutputFrameHeight() const { return outputHeight_; }

    /// A run whose media stops advancing for this long (no error, no completion) ends with an
    /// error. Default 30000 ms; 0 = wait until Stop. Owning thread, read when a run starts.
    void SetStallTimeoutMs(int ms) { stallTimeoutMs_ = ms; }
    int StallTimeoutMs() const { return stallTimeoutMs_; }

    /// Background picture painted by the panel when no video is shown.
    void SetBackgroundImage(const QImage& image);
    QImage BackgroundImage() const { return backgroundImage_; }
    bool BackgroundImageShown() const { return backgroundShown_; }

Q_SIGNALS:
    /// The panel showing this engine should repaint (status, background or frame changed).
    void repaintRequested();

private:
    friend class engine::RunThread;
    void ReportText(int code, const QString& text);
    bool CheckInput(const QString& fileName);
    void ReapFinishedThreads();
    bool WaitForThreads(int timeoutMs);
    // Called by the worker; block until delivered on the owning thread.
    void DeliverStart();
    void DeliverProgress(int percent);
    void DeliverStop(const engine::RunOutcome& outcome);

    QString m_Output_File_Name = QStringLiteral("c:\\output.avi");
    kx::TKXOutputFormat m_Output_Format = kx::Format_AVI;
    kx::TKXMode m_Mode = kx::Mode_Convert;
    QString m_Control_Version = QStringLiteral("4.2.0.1");
    bool m_Debug_Mode = false;
    QString m_Debug_Dir = QStringLiteral("c:\\kx\\");
    QString m_Video_Codec = QStringLiteral("MJPEG Compressor");
    double m_Video_FrameRate = 25.0;
    bool m_Video_Resize = false;
    int m_Video_Resize_Width = 640;
    int m_Video_Resize_Height = 480;
    bool m_Video_Use_Compression = true;
    bool m_Video_Use_Compression_DecodeUncompressedToRGB = true;
    bool m_Video_Use_Effects = false;
    bool m_Video_AVI10Compability = false;
    bool m_Video_Preview_Enabled = true;
    kx::TKXVideoRenderer m_Video_Renderer = kx::VR_VideoRenderer;
    QString m_Video_Renderer_Deinterlace_Mode = QString();
    bool m_Video_Renderer_Deinterlace_UseDefault = false;
    QString m_Audio_Codec = QStringLiteral("PCM");
    int m_Audio_Channels = 2;
    int m_Audio_BPS = 16;
    int m_Audio_SampleRate = 44100;
    bool m_Audio_Use_Compression = true;
    bool m_Audio_Effects_Enabled = false;
    bool m_Audio_Preview_Enabled = false;
    int m_Audio_LAME_CBR_Bitrate = 192;
    kx::TKXLameChannelsMode m_Audio_LAME_Channels_Mode = kx::CH_Standard_Stereo;
    bool m_Audio_LAME_Copyright = false;
    bool m_Audio_LAME_CRC_Protected = false;
    bool m_Audio_LAME_Disable_Short_Blocks = false;
    bool m_Audio_LAME_Enable_Xing_VBR_Tag = false;
    bool m_Audio_LAME_Force_Mono = false;
    bool m_Audio_LAME_Keep_All_Frequencies = false;
    bool m_Audio_LAME_Mode_Fixed = false;
    bool m_Audio_LAME_Original = false;
    bool m_Audio_LAME_Strictly_Enforce_VBR_Min_Bitrate = false;
    bool m_Audio_LAME_Strict_ISO_Compilance = false;
    bool m_Audio_LAME_UseInAVI = false;
    bool m_Audio_LAME_Voice_Encoding_Mode = false;
    int m_Audio_LAME_Encoding_Quality = 6;
    int m_Audio_LAME_Sample_Rate = 44100;
    int m_Audio_LAME_VBR_Max_Bitrate = 192;
    int m_Audio_LAME_VBR_Min_Bitrate = 96;
    bool m_Audio_LAME_VBR_Mode = true;
    int m_Audio_LAME_VBR_Quality = 6;
    int m_Audio_OggVorbis_AvgBitRate = 128;
    int m_Audio_OggVorbis_MaxBitRate = 192;
    int m_Audio_OggVorbis_MinBitRate = 64;
    kx::TKXVorbisMode m_Audio_OggVorbis_Mode = kx::VM_Bitrate;
    double m_Audio_OggVorbis_Quality = 0.5;
    QString m_Custom_Output_Audio_Codec = QStringLiteral("PCM");
    bool m_Custom_Output_Audio_Codec_Use_Filters_Category = false;
    QString m_Custom_Output_Video_Codec = QStringLiteral("MJPEG Compressor");
    bool m_Custom_Output_Video_Codec_Use_Filters_Category = false;
    QString m_Custom_Output_Mux_Filter_Name = QStringLiteral("AVI Mux");
    bool m_Custom_Output_Mux_Filter_Is_Encoder = false;
    QString m_Custom_Output_Special_FileWriter_Filter_Name = QString();
    bool m_Custom_Output_Special_FileWriter_Needed = false;
    int m_DV_Audio_Channels = 0;
    int m_DV_Audio_SampleRate = 0;
    bool m_DV_Type2 = false;
    kx::TKXDVVideoFormat m_DV_Video_Format = kx::DVF_PAL;
    int m_FLV_Output_Audio_Bitrate = 128;
    int m_FLV_Output_Audio_Channels = 2;
    int m_FLV_Output_Audio_SampleRate = 44100;
    int m_FLV_Output_Video_Bitrate = 500;
    kx::TKX_WMV_Mode m_WMV_Mode = kx::KX_WM_ExternalProfile;
    QString m_WMV_External_Profile_File_Name = QString();
    QString m_WMV_Internal_Profile_Name = QString();
    QString m_WMV_V8_Profile_Name = QString();
    QString m_WMV_Custom_Profile_Name = QString();
    QString m_WMV_Custom_Profile_Description = QString();
    QString m_WMV_Custom_Profile_Language = QString();
    QString m_WMV_Custom_Audio_Codec = QString();
    QString m_WMV_Custom_Audio_Format = QString();
    QString m_WMV_Custom_Audio_rfc1766langid = QString();
    kx::TKX_WMV_Stream_Mode m_WMV_Custom_Audio_Mode = kx::KX_SM_CBR;
    kx::TKX_WMV_Stream_Mode m_WMV_Custom_Video_Mode = kx::KX_SM_CBR;
    int m_WMV_Custom_Audio_PeakBitrate = 0;
    quint8 m_WMV_Custom_Audio_PeakBufferSize = 0;
    bool m_WMV_Custom_Audio_StreamPresent = false;
    QString m_WMV_Custom_Video_Codec = QString();
    int m_WMV_Custom_Video_Bitrate = 0;
    int m_WMV_Custom_Video_Buffer_Size = 0;
    int m_WMV_Custom_Video_PeakBitRate = 0;
    int m_WMV_Custom_Video_Width = 0;
    int m_WMV_Custom_Video_Height = 0;
    bool m_WMV_Custom_Video_Buffer_UseDefault = false;
    bool m_WMV_Custom_Video_SizeSameAsInput = false;
    bool m_WMV_Custom_Video_StreamPresent = false;
    double m_WMV_Custom_Video_FrameRate = 0.0;
    quint8 m_WMV_Custom_Video_KeyFrameInterval = 0;
    quint8 m_WMV_Custom_Video_PeakBufferSizeSeconds = 0;
    quint8 m_WMV_Custom_Video_Quality = 0;
    quint8 m_WMV_Custom_Video_Smoothness = 0;
    kx::TKXTVSystem m_WMV_Custom_Video_TVSystem = kx::KX_TS_PAL;
    quint32 m_Background_Color = 0;
    kx::TKXBGImageDrawMode m_Background_Image_DrawMode = kx::DM_Center;
    bool m_Screen_Aspect_Ratio_Override = false;
    int m_Screen_Aspect_Ratio_X = 16;
    int m_Screen_Aspect_Ratio_Y = 9;
    bool m_Screen_Flip_Horizontal = false;
    bool m_Screen_Flip_Vertical = false;
    bool m_Screen_Stretch = false;
    int m_Screen_Zoom_Ratio = 0;
    int m_Screen_Zoom_ShiftX = 0;
    int m_Screen_Zoom_ShiftY = 0;

    std::atomic<int> status_{kx::Status_FREE};
    std::atomic<bool> closing_{false};
    int stallTimeoutMs_ = 30000;
    int deliveryDepth_ = 0; ///< owning thread: >0 while a run's handler is being called
    TKXWideStringList errorTexts_;
    TKXWideStringList mpegNames_;
    TKXWideStringList mpegValues_;
    QStringList volumeEnvelope_;
    QStringList videoEffectItems_;
    QStringList videoFilterNames_;
    QStringList extraList_;
    std::vector<TKXStream> inputs_;
    std::vector<TKXDESTrack> tracks_;
    int outputWidth_ = 0;
    int outputHeight_ = 0;
    double firstInputFrameRate_ = 0.0;
    QImage backgroundImage_;
    bool backgroundShown_ = false;
    std::shared_ptr<engine::FrameStore> frames_;
    // The Windows Media profile catalogues and the custom profile builder, loaded once.
    std::shared_ptr<engine::WmvCatalogues> wmv_;
    std::unique_ptr<engine::RunThread> current_;             ///< the run Stop talks to
    std::vector<std::unique_ptr<engine::RunThread>> ending_; ///< earlier runs still finishing
};
