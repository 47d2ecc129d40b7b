#include "app/batch/PresetMapping.h"
#include "engine/KXVideoEdit.h"
#include "settings/cdSettings.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

// The WMV page's numbers are read from texts: one that is not a number stops the file before
// the engine is touched, and the message names the setting.
TEST(WmvMapping, TextsThatAreNotNumbersStartNothing) {
    struct Case {
        const char* setting;
        std::function<void(TcdSettings&)> set;
        const char* text;
    };
    const Case cases[] = {
        {"WMVWidth", [](TcdSettings& s) { s.SetWMVWidth("wide"); }, "wide"},
        {"WMVHeight", [](TcdSettings& s) { s.SetWMVHeight(""); }, ""},
        {"WMVHeight", [](TcdSettings& s) { s.SetWMVHeight("0"); }, "0"},
        {"WMVFramerate", [](TcdSettings& s) { s.SetWMVFramerate("29,97"); }, "29,97"},
        {"WMVFramerate", [](TcdSettings& s) { s.SetWMVFramerate("0"); }, "0"},
        {"WMVTragetBitrate", [](TcdSettings& s) { s.SetWMVTragetBitrate("512k"); }, "512k"},
        {"WMVPeakBitrate", [](TcdSettings& s) { s.SetWMVPeakBitrate("-5"); }, "-5"},
    };
    QTemporaryDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.setting);
        TcdSettings settings;
        settings.SetPageIndex(2);
        c.set(settings);
        TKXVideoEdit engine;
        engine.Input_AddVideoFile(dir.filePath("earlier.avi"), -1, -1, -1, 1);
        QString error;
        EXPECT_FALSE(SetupConversion(engine, settings, dir.filePath("clip.avi"),
                                     dir.filePath("out/clip.wmv"), &error));
        EXPECT_TRUE(error.contains(QStringLiteral("%1 holds \"%2\"").arg(c.setting, c.text)))
            << error.toStdString();
        EXPECT_EQ(engine.Status(), kx::Status_FREE);
        EXPECT_EQ(engine.Output_Format(), kx::Format_AVI) << "the engine was not configured";
        EXPECT_FALSE(QFileInfo::exists(dir.filePath("out"))) << "no folder made either";
    }
}

TEST(WmvMapping, NumbersReachTheEngine) {
    TcdSettings settings;
    settings.SetPageIndex(2);
    settings.SetWMVWidth(" 640 ");
    settings.SetWMVHeight("480");
    settings.SetWMVFramerate("29.97");
    settings.SetWMVTragetBitrate("1150");
    settings.SetWMVPeakBitrate(""); // the editor may store the field empty: no peak
    TKXVideoEdit engine;
    QTemporaryDir dir;
    QString error;
    ASSERT_TRUE(ConfigureConversion(engine, settings, dir.filePath("clip.avi"),
                                    dir.filePath("clip.wmv"), &error))
        << error.toStdString();
    EXPECT_EQ(engine.WMV_Custom_Video_Width(), 640);
    EXPECT_EQ(engine.WMV_Custom_Video_Height(), 480);
    EXPECT_DOUBLE_EQ(engine.WMV_Custom_Video_FrameRate(), 29.97);
    EXPECT_EQ(engine.WMV_Custom_Video_Bitrate(), 1150);
    EXPECT_EQ(engine.WMV_Custom_Video_PeakBitRate(), 0);
}
