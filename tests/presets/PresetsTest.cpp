#include "editor/core/Presets.h"

#include "settings/GlobalSettings.h"

#include <QMetaProperty>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using Values = QMap<QString, QVariant>;

// Settings whose every persisted property holds a marker, so that any write shows.
std::unique_ptr<TcdSettings> MarkedSettings() {
    auto s = std::make_unique<TcdSettings>();
    s->SetAutoLoad(false);
    for (int i = 0; i < PropertyCount(s.get()); ++i) {
        const QString name = PropertyName(s.get(), i);
        if (s->IsExcluded(name))
            continue;
        const QMetaProperty p = s->metaObject()->property(i);
        if (p.metaType().id() == QMetaType::QString)
            p.write(s.get(), QStringLiteral("untouched"));
        else if (p.metaType().id() == QMetaType::Int)
            p.write(s.get(), -99);
    }
    return s;
}

// The properties whose values differ between the two objects, with the new values.
Values Written(const TcdSettings& before, const TcdSettings& after) {
    Values changed;
    for (int i = 0; i < PropertyCount(&after); ++i) {
        const QString name = PropertyName(&after, i);
        if (PropertyValue(&before, name) != PropertyValue(&after, name))
            changed.insert(name, PropertyValue(&after, name));
    }
    return changed;
}

Values Row(std::initializer_list<std::pair<const char*, QVariant>> common,
           std::initializer_list<const char*> columns, std::initializer_list<QVariant> values) {
    Values v;
    for (const auto& [name, value] : common)
        v.insert(QString::fromLatin1(name), value);
    EXPECT_EQ(columns.size(), values.size());
    auto value = values.begin();
    for (const char* column : columns)
        v.insert(QString::fromLatin1(column), *value++);
    return v;
}

struct FormatTable {
    int format;
    QList<Values> rows;
};

QList<FormatTable> ExpectedTables() {
    QList<FormatTable> tables;
    {
        const std::initializer_list<std::pair<const char*, QVariant>> common{
            {"MPEGAudioCodec", "MP2"},
            {"MPEGAudioBitrate", "224"},
            {"MPEGAudioChannels", "Stereo"}};
        const std::initializer_list<const char*> cols{
            "MPEGFrameSize", "MPEGAspectRatio", "MPEGTragetBitrate",
            "MPEGFrameRate", "MPEGCompression", "MPEGAudioFrequency",
            "MPEGWidth",     "MPEGHeight",      "MPEGConstraint"};
        tables.append(
            {FormatMPEG,
             {
                 Row(common, cols,
                     {"Original", "1:1", "1150", "29.97", "MPEG1", "44100", "0", "0", "NTSC"}),
                 Row(common, cols,
                     {"Original", "1:1", "2376", "29.97", "MPEG1", "44100", "0", "0", "NTSC"}),
                 Row(common, cols,
                     {"720*480", "1:1", "4000", "29.97", "MPEG2", "48000", "720", "480", "NTSC"}),
                 Row(common, cols,
                     {"720*576", "1:1", "4000", "25", "MPEG2", "48000", "720", "576", "PAL"}),
                 Row(common, cols,
                     {"480*480", "4:3", "2376", "29.97", "MPEG2", "44100", "480", "480", "NTSC"}),
                 Row(common, cols,
                     {"480*576", "4:3", "2048", "25", "MPEG2", "44100", "480", "576", "PAL"}),
                 Row(common, cols,
                     {"352*240", "4:3", "1150", "29.97", "MPEG2", "44100", "352", "240", "NTSC"}),
                 Row(common, cols,
                     {"352*288", "4:3", "1150", "25", "MPEG1", "44100", "352", "288", "NTSC"}),
             }});
    }
    {
        const std::initializer_list<std::pair<const char*, QVariant>> common{
            {"MP4Compression", "MPEG4"},
            {"MP4AudioCodec", "AAC"},
            {"MP4AudioBitrate", "128"},
            {"MP4AudioChannels", "Stereo"},
            {"MP4AudioFrequency", "48000"}};
        const std::initializer_list<const char*> cols{
            "MP4FrameSize", "MP4AspectRatio", "MP4TragetBitrate", "MP4FrameRate",
            "MP4Width",     "MP4Height",      "MP4constraint"};
        tables.append(
            {FormatMP4,
             {
                 Row(common, cols, {"640*480", "1:1", "1150", "30", "640", "480", "NTSC"}),
                 Row(common, cols, {"320*240", "1:1", "1150", "24", "320", "240", "PAL"}),
                 Row(common, cols, {"320*240", "4:3", "768", "24", "320", "240", "iPod"}),
                 Row(common, cols, {"320*240", "4:3", "768", "24", "320", "240", "iPod Nano"}),
             }});
    }
    {
        const std::initializer_list<std::pair<const char*, QVariant>> common{
            {"WMVAudioFormat1", 0},
            {"WMVAudioFormat2", 6},
            {"WMVAudioFormat3", 0},
            {"WMVPeakBitrate", "6000"},
            {"WMVAudioPeakBitrate", "384"},
            {"G_WMVAudioCodec", "Windows Media Audio 9.2"},
            {"G_WMVAudioFormat", "128 kbps, 44 kHz, stereo CBR"},
            {"G_WMVVedioCodec", "Windows Media Video 9"}};
        const std::initializer_list<const char*> cols{"WMVFrameSize", "WMVTragetBitrate",
                                                      "WMVFramerate", "WMVWidth",
                                                      "WMVHeight",    "WMVVedioMode"};
        tables.append({FormatWMV,
                       {
                           Row(common, cols, {"320*240", "512", "29.97", "320", "240", 0}),
                           Row(common, cols, {"640*480", "1150", "30", "640", "480", 0}),
                           Row(common, cols, {"320*240", "1150", "29.97", "320", "240", 1}),
                           Row(common, cols, {"640*480", "1150", "29.97", "640", "480", 1}),
                           Row(common, cols, {"640*480", "1150", "29.97", "640", "480", 2}),
                           Row(common, cols, {"320*240", "786", "29.97", "320", "240", 0}),
                       }});
    }
    {
        const std::initializer_list<std::pair<const char*, QVariant>> common{
            {"FLVFrameSize", "Original"},
            {"FLVAspectRatio", "1:1"},
            {"FLVFrameRate", "25"},
            {"FLVCompression", "Flash Vedio"},
            {"FLVAudioCodec", "MP3"},
            {"FLVAudioChannels", "Stereo"},
            {"FLVWidth", "0"},
            {"FLVHeight", "0"},
            {"FLVConstraint", "PAL"}};
        const std::initializer_list<const char*> cols{"FLVTragetBitrate", "FLVAudioBitrate",
                                                      "FLVAudioFrequency", "FLVCbbIdx"};
        tables.append({FormatFLV,
                       {
                           Row(common, cols, {"768", "256", "44100", 0}),
                           Row(common, cols, {"512", "128", "22050", 1}),
                           Row(common, cols, {"256", "64", "22050", 2}),
                           Row(common, cols, {"128", "64", "11025", 3}),
                       }});
    }
    {
        const std::initializer_list<std::pair<const char*, QVariant>> common{
            {"MOVFrameRate", "25"},
            {"MOVCompression", "MPEG4"},
            {"MOVAudioChannels", "Stereo"},
            {"MOVconstraint", "PAL"}};
        const std::initializer_list<const char*> cols{
            "MOVFrameSize",    "MOVAspectRatio",    "MOVTragetBitrate", "MOVAudioCodec",
            "MOVAudioBitrate", "MOVAudioFrequency", "MOVWidth",         "MOVHeight"};
        tables.append(
            {FormatMOV,
             {
                 Row(common, cols, {"640*480", "4:3", "1150", "AAC", "128", "48000", "640", "480"}),
                 Row(common, cols, {"352*288", "1:1", "1150", "MP3", "128", "44100", "352", "288"}),
                 Row(common, cols, {"Original", "1:1", "1150", "MP3", "112", "44100", "0", "0"}),
                 Row(common, cols, {"176*144", "1:1", "1024", "MP3", "128", "44100", "176", "144"}),
                 Row(common, cols, {"Original", "1:1", "768", "MP3", "96", "44100", "0", "0"}),
             }});
    }
    {
        const std::initializer_list<std::pair<const char*, QVariant>> common{
            {"MP3Channels", "Stereo"}};
        const std::initializer_list<const char*> cols{"MP3Bitrate", "MP3Samplerate"};
        tables.append({FormatMP3,
                       {
                           Row(common, cols, {"8", "44100"}),
                           Row(common, cols, {"8", "48000"}),
                           Row(common, cols, {"16", "44100"}),
                           Row(common, cols, {"16", "48000"}),
                       }});
    }
    return tables;
}

QString Describe(const Values& v) {
    QStringList parts;
    for (auto it = v.cbegin(); it != v.cend(); ++it)
        parts << it.key() + "=" + it.value().toString();
    return parts.join(", ");
}

} // namespace

TEST(Presets, EveryRowWritesExactlyItsValues) {
    for (const FormatTable& table : ExpectedTables()) {
        ASSERT_EQ(CustomPresetRow(table.format), table.rows.size()) << table.format;
        for (int row = 0; row < table.rows.size(); ++row) {
            const auto before = MarkedSettings();
            auto after = MarkedSettings();
            EXPECT_TRUE(ApplyPresetToSettings(table.format, row, *after));
            const Values& expected = table.rows[row];
            const Values written = Written(*before, *after);
            // Compare as text so that int and string columns read alike.
            Values writtenText, expectedText;
            for (auto it = written.cbegin(); it != written.cend(); ++it)
                writtenText.insert(it.key(), it.value().toString());
            for (auto it = expected.cbegin(); it != expected.cend(); ++it)
                expectedText.insert(it.key(), it.value().toString());
            EXPECT_EQ(writtenText, expectedText)
                << "format " << table.format << " row " << row
                << "\n wrote:    " << Describe(written).toStdString()
                << "\n expected: " << Describe(expected).toStdString();
        }
    }
}

TEST(Presets, CustomRowsNoSelectionAndUnknownFormatsWriteNothing) {
    for (int format = -1; format <= 6; ++format) {
        for (int row : {CustomPresetRow(format), -1, CustomPresetRow(format) + 1, 99}) {
            const auto before = MarkedSettings();
            auto after = MarkedSettings();
            EXPECT_FALSE(ApplyPresetToSettings(format, row, *after)) << format << "/" << row;
            EXPECT_TRUE(Written(*before, *after).isEmpty()) << format << "/" << row;
        }
    }
}

TEST(Presets, CaptionsEndWithTheCustomRow) {
    const char* customs[] = {"[Custom MPEG]", "[Custom MP4]", "[Custom WMV]",
                             "[Custom FLV]",  "[Custom MOV]", "[Custom MP3]"};
    const int rowCounts[] = {9, 5, 7, 5, 6, 5};
    for (int format = FormatMPEG; format <= FormatMP3; ++format) {
        QStringList captions = PresetRowCaptions(format);
        EXPECT_EQ(captions.size(), rowCounts[format]);
        EXPECT_EQ(captions.last(), customs[format]);
        EXPECT_EQ(captions.removeDuplicates(), 0);
    }
    EXPECT_TRUE(PresetRowCaptions(6).isEmpty());
    EXPECT_EQ(CustomPresetRow(6), -1);
    EXPECT_EQ(PresetRowCaptions(FormatMP4)[3],
              "MPEG-4 iPod Nano - Normal Quality(iPod Nano, 24kbps, 320*240  iPod Nano Standard)");
    EXPECT_EQ(PresetRowCaptions(FormatMP3)[2], "Nomal Quality -MP3:44100 Hz, Stereo, 16bit");
}

TEST(Presets, StoredRowsByFormat) {
    const char* names[] = {"MPEGCbbIdx", "MP4CbbIdx", "WMVCbbIdx",
                           "FLVCbbIdx",  "MOVCbbIdx", "MP3CbbIdx"};
    for (int format = FormatMPEG; format <= FormatMP3; ++format) {
        const auto before = MarkedSettings();
        auto after = MarkedSettings();
        SetStoredPresetRow(*after, format, format + 1);
        EXPECT_EQ(StoredPresetRow(*after, format), format + 1);
        EXPECT_EQ(Written(*before, *after), (Values{{names[format], format + 1}}));
    }
    auto s = MarkedSettings();
    SetStoredPresetRow(*s, 6, 1);
    EXPECT_EQ(StoredPresetRow(*s, 6), -1);
}

TEST(Presets, TheGlobalSettingsAreWrittenWithoutAnyWindow) {
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path()));
    SettingsHolder holder;
    Settings().SetMP3Samplerate(QStringLiteral("8000"));
    EXPECT_TRUE(ApplyPresetToSettings(FormatMP3, 3));
    EXPECT_EQ(Settings().MP3Samplerate(), "48000");
    EXPECT_EQ(Settings().MP3Bitrate(), "16");
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
