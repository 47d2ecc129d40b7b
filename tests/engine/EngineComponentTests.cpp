#include "EngineTestUtil.h"

#include "engine/InputCheck.h"
#include "engine/KXVideoEdit.h"

#include <QFile>
#include <QLocale>
#include <QMetaProperty>
#include <QProcess>
#include <QTemporaryDir>
#include <QVariant>

#include <clocale>
#include <cstdio>
#include <string>

using enginetest::Media;
using enginetest::Recorder;

namespace {

TEST(EngineComponent, DefaultsByPropertyName) {
    TKXVideoEdit e;
    const struct {
        const char* name;
        QVariant value;
    } expected[] = {
        {"Status", QVariant::fromValue(kx::Status_FREE)},
        {"Control_Version", QString("4.2.0.1")},
        {"Output_File_Name", QString("c:\\output.avi")},
        {"Output_Format", QVariant::fromValue(kx::Format_AVI)},
        {"Mode", QVariant::fromValue(kx::Mode_Convert)},
        {"Debug_Dir", QString("c:\\kx\\")},
        {"Debug_Mode", false},
        {"Video_Codec", QString("MJPEG Compressor")},
        {"Video_FrameRate", 25.0},
        {"Video_Resize_Width", 640},
        {"Video_Resize_Height", 480},
        {"Video_Use_Compression", true},
        {"Video_Use_Compression_DecodeUncompressedToRGB", true},
        {"Video_Preview_Enabled", true},
        {"Audio_Codec", QString("PCM")},
        {"Audio_SampleRate", 44100},
        {"Audio_BPS", 16},
        {"Audio_LAME_VBR_Mode", true},
        {"Audio_LAME_VBR_Min_Bitrate", 96},
        {"Audio_OggVorbis_Quality", 0.5},
        {"Audio_OggVorbis_Mode", QVariant::fromValue(kx::VM_Bitrate)},
        {"Custom_Output_Mux_Filter_Name", QString("AVI Mux")},
        {"FLV_Output_Video_Bitrate", 500},
        {"WMV_Mode", QVariant::fromValue(kx::KX_WM_ExternalProfile)},
        {"WMV_Custom_Video_TVSystem", QVariant::fromValue(kx::KX_TS_PAL)},
        {"WMV_Custom_Video_Quality", QVariant::fromValue<quint8>(0)},
        {"Screen_Aspect_Ratio_X", 16},
        {"Screen_Aspect_Ratio_Y", 9},
        {"Background_Color", QVariant::fromValue<quint32>(0)},
    };
    for (const auto& x : expected) {
        const QVariant v = e.property(x.name);
        ASSERT_TRUE(v.isValid()) << x.name;
        EXPECT_EQ(v, x.value) << x.name << " = " << v.toString().toStdString();
    }
    // Every property can be walked by name; only the two read-only ones refuse writes.
    const QMetaObject* mo = e.metaObject();
    int own = 0;
    for (int i = mo->propertyOffset(); i < mo->propertyCount(); ++i, ++own) {
        const QMetaProperty p = mo->property(i);
        const bool readOnly =
            QByteArray(p.name()) == "Status" || QByteArray(p.name()) == "Control_Version";
        EXPECT_EQ(p.isWritable(), !readOnly) << p.name();
    }
    EXPECT_EQ(own, 109);
    // Ordinals are stored by callers.
    EXPECT_EQ(int(kx::Format_IndStr_Standard_MPEG), 10);
    EXPECT_EQ(int(kx::Format_OggVorbis), 8);
    EXPECT_EQ(int(kx::Status_WORK), 0);
    EXPECT_EQ(int(kx::KX_SM_VBR_PeakBitrate), 3);
    EXPECT_EQ(int(kx::DM_Repeat), 2);
}

// A comma locale for the C library: the machine's own when installed, else one compiled for
// this test into a private folder. False, with the reason, when neither can be had.
bool UseCommaLocale(std::string* why) {
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8"))
        return true;
    static QTemporaryDir folder;
    QProcess localedef;
    localedef.setProcessChannelMode(QProcess::MergedChannels);
    localedef.start("localedef", {"-i", "de_DE", "-f", "UTF-8", folder.filePath("de_DE.UTF-8")});
    if (!localedef.waitForFinished(60000) || localedef.exitStatus() != QProcess::NormalExit) {
        *why = "localedef could not run: " + localedef.errorString().toStdString();
        return false;
    }
    qputenv("LOCPATH", QFile::encodeName(folder.path()));
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8"))
        return true;
    qunsetenv("LOCPATH");
    *why = "no de_DE.UTF-8 locale, and localedef could not make one (the locale sources come "
           "with the 'locales' package): " +
           localedef.readAll().trimmed().toStdString();
    return false;
}

TEST(EngineComponent, DecimalPointWhateverTheUserLocale) {
    std::string why;
    if (!UseCommaLocale(&why))
        GTEST_SKIP() << why;
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.1f", 0.5);
    ASSERT_STREQ(buffer, "0,5") << "the comma locale is not in effect";
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    ASSERT_EQ(QLocale().toString(0.5), "0,5");
    {
        TKXVideoEdit e;
        EXPECT_EQ(QLocale().toString(0.5), "0.5");
        EXPECT_EQ(QString::number(0.5), "0.5");
        std::snprintf(buffer, sizeof buffer, "%.1f", 0.5);
        EXPECT_STREQ(buffer, "0.5");
    }
    std::setlocale(LC_NUMERIC, "C");
    qunsetenv("LOCPATH");
}

TEST(EngineComponent, ErrorTextsAndReportError) {
    TKXVideoEdit e;
    Recorder r;
    r.Attach(e);
    const TKXWideStringList& texts = e.ErrorTexts();
    ASSERT_EQ(texts.Count(), 106);
    EXPECT_EQ(texts[0], "0 Unknown error");
    EXPECT_EQ(texts[22], "Unable to create WAV Dest ");
    EXPECT_EQ(texts[64], "Video stream not found");
    EXPECT_EQ(texts[104], "(AVI) Unable to init Lame encoder");
    EXPECT_EQ(texts[105], "105");
    e.ReportError(10);
    e.ReportError(texts.Count()); // past the table: nothing
    e.ReportError(-1);
    ASSERT_EQ(r.errorCodes, std::vector<int>{10});
    EXPECT_EQ(r.errorTexts[0], "10 Unable to connect Vorbis encoder");
    // A throwing handler does not escape.
    e.OnError = [](int, const QString&) { throw 1; };
    EXPECT_NO_THROW(e.ReportError(1));
}

TEST(EngineComponent, ListsAndGuardedSetters) {
    TKXVideoEdit e;
    e.Standard_MPEG_Parameter_Add("WIDTH", "640");
    e.Standard_MPEG_Parameter_Add("WIDTH", "640");
    ASSERT_EQ(e.StandardMPEGParameterNames().Count(), 2);
    EXPECT_EQ(e.StandardMPEGParameterValues()[1], "640");
    EXPECT_EQ(e.StandardMPEGParameterNames().IndexOf("width"), 0);
    e.Standard_MPEG_Parameters_Clear();
    EXPECT_EQ(e.StandardMPEGParameterNames().Count(), 0);
    EXPECT_EQ(e.StandardMPEGParameterValues().Count(), 0);

    e.setScreen_Zoom_Ratio(4);
    e.setScreen_Zoom_Ratio(-3);
    EXPECT_EQ(e.Screen_Zoom_Ratio(), 4);
    e.setScreen_Zoom_ShiftX(-1);
    EXPECT_EQ(e.Screen_Zoom_ShiftX(), 0);

    int repaints = 0;
    QObject::connect(&e, &TKXVideoEdit::repaintRequested, &e, [&] { ++repaints; });
    QImage picture(8, 8, QImage::Format_RGB888);
    picture.fill(Qt::red);
    e.SetBackgroundImage(picture);
    EXPECT_TRUE(e.BackgroundImageShown());
    e.Background_Image_Clear();
    EXPECT_FALSE(e.BackgroundImageShown());
    e.setBackground_Color(0x00FF0000);
    EXPECT_EQ(repaints, 3);

    e.Stop(); // free: nothing happens
    EXPECT_EQ(e.Status(), kx::Status_FREE);
    EXPECT_FALSE(e.IsRunThreadAlive());
}

struct AddCase {
    const char* name;
    QString Media::*file; // null = a file that does not exist
    bool accepted;
    const char* reason;
};

void PrintTo(const AddCase& c, std::ostream* os) {
    *os << c.name;
}

class AddCheck : public ::testing::TestWithParam<AddCase> {};

TEST_P(AddCheck, VideoAndAudio) {
    const AddCase& c = GetParam();
    Media& m = Media::Get();
    const QString file = c.file ? m.*(c.file) : m.dir.filePath("missing.avi");
    TKXVideoEdit e;
    Recorder r;
    r.Attach(e);
    e.Input_AddVideoFile(file, -1, -1, -1, 1);
    e.Input_AddAudioFile(file, -1, -1, -1, file);
    if (c.accepted) {
        EXPECT_TRUE(r.errorTexts.isEmpty()) << r.AllErrors().toStdString();
        ASSERT_EQ(e.Inputs().size(), 2u);
        EXPECT_EQ(e.Inputs()[0].Kind, 0);
        EXPECT_EQ(e.Inputs()[0].StretchMode, 1);
        EXPECT_EQ(e.Inputs()[1].Kind, 1);
        EXPECT_EQ(e.Inputs()[1].LengthSourceFile, file);
        EXPECT_EQ(e.Inputs()[1].Speed, 1.0);
        e.Input_Clear_List();
        EXPECT_TRUE(e.Inputs().empty());
    } else {
        EXPECT_TRUE(e.Inputs().empty());
        ASSERT_EQ(r.errorCodes, (std::vector<int>{0, 0}));
        EXPECT_EQ(r.errorTexts[0], "Can't add input file:" + file + "(" + c.reason + ")");
        EXPECT_EQ(r.errorTexts[1], r.errorTexts[0]);
    }
}

INSTANTIATE_TEST_SUITE_P(Files, AddCheck,
                         ::testing::Values(AddCase{"GeneratedAvi", &Media::avi, true, ""},
                                           AddCase{"Missing", nullptr, false, "Unknown error."},
                                           AddCase{
                                               "TextRenamedAvi", &Media::text, false,
                                               "The media type of this file is not recognized."},
                                           AddCase{"TruncatedAvi", &Media::truncated, false,
                                                   "The file format is invalid."}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(EngineComponent, ReasonTable) {
    const struct {
        std::uint32_t code;
        bool accepted;
        const char* reason;
    } rows[] = {
        {0x00000000, true, "Success"},
        {0x00040258, true, "Partial success; the audio was not rendered."},
        {0x80070057, false, "Failure"},
        {0x80040217, false,
         "No combination of intermediate filters could be found to make the connection."},
        {0x80040265, false, "Cannot play back the file: the format is not supported."},
        {0x80070002, false, "Unknown error."},
    };
    for (const auto& row : rows) {
        const auto outcome = engine::InterpretRenderResult(media::Code(row.code));
        EXPECT_EQ(outcome.accepted, row.accepted) << std::hex << row.code;
        EXPECT_EQ(outcome.reason, row.reason) << std::hex << row.code;
    }
}

} // namespace
