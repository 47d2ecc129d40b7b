// The profile editor on its own: what each page shows for stored values, what OK and Cancel
// store, the WMV page's interactions, the peak-rate fields and the language section.

#include "app/core/Language.h"
#include "editor/core/EditorLists.h"
#include "editor/core/Presets.h"
#include "editor/frmEdit.h"
#include "settings/cdSettings.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

template <typename T> T* Find(QWidget* form, const char* name) {
    T* child = form->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(child, nullptr) << name;
    return child;
}

QComboBox* Combo(QWidget* form, const char* name) {
    return Find<QComboBox>(form, name);
}

/// What the user does: picks a row of a combo (an "activated" choice, not a programmatic one).
void Choose(QComboBox* combo, int row) {
    combo->setCurrentIndex(row);
    Q_EMIT combo->activated(row);
}

/// An editor for @p format with no preset row selected, shown (so the page is filled).
std::unique_ptr<TfrmEdit> Open(TcdSettings& settings, int format) {
    auto editor = std::make_unique<TfrmEdit>(settings, format, CustomPresetRow(format));
    editor->ShowPage(editor->PageFor(format));
    editor->show();
    return editor;
}

struct PageCase {
    const char* name;
    int format;
    std::function<void(TcdSettings&)> stored;        // values before the editor opens
    std::function<void(TfrmEdit&)> shown;            // checks of the filled page (and changes)
    bool pressOk;                                    // OK, else Cancel
    std::function<void(const TcdSettings&)> written; // checks of the settings afterwards
};

class EditorPage : public ::testing::TestWithParam<PageCase> {};

TEST_P(EditorPage, ShowsAndStores) {
    const PageCase& c = GetParam();
    TcdSettings settings;
    if (c.stored)
        c.stored(settings);
    auto editor = Open(settings, c.format);
    if (c.shown)
        c.shown(*editor);
    QTest::mouseClick(Find<QPushButton>(editor.get(), c.pressOk ? "btnOK" : "btnCancel"),
                      Qt::LeftButton);
    EXPECT_EQ(editor->result(), c.pressOk ? QDialog::Accepted : QDialog::Rejected);
    EXPECT_FALSE(editor->isVisible());
    c.written(settings);
}

const PageCase kPageCases[] = {
    {"Mp4DefaultAudioBitrateIsNoRowAndIsStoredEmpty", FormatMP4, nullptr,
     [](TfrmEdit& e) {
         EXPECT_EQ(Combo(&e, "cbbmp4audiobitrate")->currentIndex(), -1); // "256" of 4 rows
         EXPECT_EQ(Combo(&e, "cbbmp4framesize")->currentText(), "640*480");
         EXPECT_EQ(Combo(&e, "cbbmp4compression")->currentText(), "MPEG4");
     },
     true,
     [](const TcdSettings& s) {
         EXPECT_EQ(s.MP4AudioBitrate(), "");
         EXPECT_EQ(s.MP4FrameSize(), "640*480");
         EXPECT_EQ(s.MP4Width(), "640");
         EXPECT_EQ(s.MP4Height(), "480");
         EXPECT_EQ(s.MP4constraint(), "NTSC");
     }},
    {"MovDefaultAudioBitrateToo", FormatMOV, nullptr,
     [](TfrmEdit& e) { EXPECT_EQ(Combo(&e, "cbbmovbitrate")->currentIndex(), -1); }, true,
     [](const TcdSettings& s) {
         EXPECT_EQ(s.MOVAudioBitrate(), "");
         EXPECT_EQ(s.MOVconstraint(), "PAL");
     }},
    {"SquareFrameSizeGivesWidthAndHeight", FormatMPEG,
     [](TcdSettings& s) {
         s.SetMPEGFrameSize("480*480");
         s.SetMPEGWidth("1");
         s.SetMPEGHeight("2");
         s.SetMPEGConstraint("PAL");
     },
     [](TfrmEdit& e) {
         EXPECT_EQ(Combo(&e, "cbbFrameSize")->currentIndex(), 24);
         EXPECT_EQ(Combo(&e, "cbbmpegconstraint")->currentText(), "PAL");
     },
     true,
     [](const TcdSettings& s) {
         EXPECT_EQ(s.MPEGFrameSize(), "480*480");
         EXPECT_EQ(s.MPEGWidth(), "480");
         EXPECT_EQ(s.MPEGHeight(), "480");
         EXPECT_EQ(s.MPEGConstraint(), "PAL");
     }},
    {"OriginalGivesZeroSize", FormatMPEG, nullptr,
     [](TfrmEdit& e) { EXPECT_EQ(Combo(&e, "cbbFrameSize")->currentText(), "Original"); }, true,
     [](const TcdSettings& s) {
         EXPECT_EQ(s.MPEGWidth(), "0");
         EXPECT_EQ(s.MPEGHeight(), "0");
     }},
    {"UnknownTextsShowTheDefaultRows", FormatMPEG,
     [](TcdSettings& s) {
         s.SetMPEGFrameSize("641*481");
         s.SetMPEGAspectRatio("5:4");
         s.SetMPEGTragetBitrate("999");
         s.SetMPEGFrameRate("31");
         s.SetMPEGAudioCodec("mp3"); // letter case counts
         s.SetMPEGAudioBitrate("1");
         s.SetMPEGAudioFrequency("96000");
         s.SetMPEGConstraint("SECAM");
         s.SetMPEGCompression("MPEG3");
         s.SetMPEGAudioChannels("Quad");
     },
     [](TfrmEdit& e) {
         EXPECT_EQ(Combo(&e, "cbbFrameSize")->currentText(), "Original");
         EXPECT_EQ(Combo(&e, "cbbAspectRatio")->currentText(), "1:1");
         EXPECT_EQ(Combo(&e, "cbbBitRate")->currentText(), "1150");
         EXPECT_EQ(Combo(&e, "cbbmpegframerate")->currentText(), "29.97");
         EXPECT_EQ(Combo(&e, "cbbmpegcodec")->currentText(), "MP2");
         EXPECT_EQ(Combo(&e, "cbbAudioBitrate")->currentText(), "224");
         EXPECT_EQ(Combo(&e, "cbbSampleRate")->currentText(), "44100");
         EXPECT_EQ(Combo(&e, "cbbmpegconstraint")->currentText(), "None");
         EXPECT_EQ(Combo(&e, "cbbmpegkcompression")->currentText(), "MPEG2");
         EXPECT_EQ(Combo(&e, "cbbAudioChannels")->currentIndex(), -1);
     },
     true,
     [](const TcdSettings& s) {
         EXPECT_EQ(s.MPEGFrameSize(), "Original");
         EXPECT_EQ(s.MPEGCompression(), "MPEG2");
         EXPECT_EQ(s.MPEGAudioChannels(), "");
         EXPECT_EQ(s.MPEGWidth(), "0");
     }},
    {"FlvBitrateBeyondItsRowsAndFixedTexts", FormatFLV,
     [](TcdSettings& s) {
         s.SetFLVTragetBitrate("2048");
         s.SetFLVFrameSize("320*240");
     },
     [](TfrmEdit& e) {
         EXPECT_EQ(Combo(&e, "cbbflvbitrate")->currentIndex(), -1);
         EXPECT_EQ(Combo(&e, "cbbflvconstraint")->currentText(), "PAL");
         EXPECT_EQ(Combo(&e, "cbbflvaudiobitrate")->currentText(), "256");
     },
     true,
     [](const TcdSettings& s) {
         EXPECT_EQ(s.FLVTragetBitrate(), "");
         EXPECT_EQ(s.FLVCompression(), "Flash Video");
         EXPECT_EQ(s.FLVConstraint(), "PAL");
         EXPECT_EQ(s.FLVWidth(), "320");
         EXPECT_EQ(s.FLVHeight(), "240");
     }},
    {"CancelWritesNothing", FormatMPEG, nullptr,
     [](TfrmEdit& e) {
         Choose(Combo(&e, "cbbFrameSize"), 0);
         Choose(Combo(&e, "cbbBitRate"), 0);
     },
     false,
     [](const TcdSettings& s) {
         EXPECT_EQ(s.MPEGFrameSize(), "Original");
         EXPECT_EQ(s.MPEGTragetBitrate(), "1150");
     }},
    {"Mp3RowsAndOtherChannels", FormatMP3,
     [](TcdSettings& s) {
         s.SetMP3Bitrate("16");
         s.SetMP3Channels("Joint");
         s.SetMP3Samplerate("22050");
     },
     [](TfrmEdit& e) {
         EXPECT_EQ(Combo(&e, "cbbMP3BitRate")->currentText(), "16");
         EXPECT_EQ(Combo(&e, "cbbMP3Channels")->currentText(), "Stereo");
         EXPECT_EQ(Combo(&e, "cbbMP3SampleRate")->currentText(), "22050");
     },
     true,
     [](const TcdSettings& s) {
         EXPECT_EQ(s.MP3Bitrate(), "16");
         EXPECT_EQ(s.MP3Channels(), "Stereo");
         EXPECT_EQ(s.MP3Samplerate(), "22050");
     }},
    {"WmvFrameSizeOfItsOwnList", FormatWMV, [](TcdSettings& s) { s.SetWMVFrameSize("512*384"); },
     [](TfrmEdit& e) {
         EXPECT_EQ(Combo(&e, "cbbwmvframesize")->currentText(), "512*384");
         EXPECT_EQ(Combo(&e, "cbbwmvframesize")->currentIndex(), 25);
         EXPECT_EQ(Combo(&e, "cbbwmvmode")->currentText(), "CBR");
         EXPECT_FALSE(Find<QLineEdit>(&e, "edtPeakbitrate")->isEnabled());
         EXPECT_EQ(Find<QLineEdit>(&e, "edtPeakbitrate")->text(), "6000");
         EXPECT_TRUE(Combo(&e, "cbbWMVFormat2")->isVisible());
         EXPECT_FALSE(Combo(&e, "cbbWMVFormat1")->isVisible());
         EXPECT_EQ(Combo(&e, "cbbWMVFormat2")->currentIndex(), 6);
     },
     true,
     [](const TcdSettings& s) {
         EXPECT_EQ(s.WMVFrameSize(), "512*384");
         EXPECT_EQ(s.WMVWidth(), "512");
         EXPECT_EQ(s.WMVHeight(), "384");
         EXPECT_EQ(s.WMVVedioMode(), 0);
         EXPECT_EQ(s.WMVAudioFormat2(), 6);
         EXPECT_EQ(s.G_WMVAudioCodec(), "Windows Media Audio 9.2");
         EXPECT_EQ(s.G_WMVAudioFormat(), "128 kbps, 44 kHz, stereo CBR");
         EXPECT_EQ(s.G_WMVVedioCodec(), "Windows Media Video 9");
     }},
    {"WmvModeIsKeptAfterCancel", FormatWMV, nullptr,
     [](TfrmEdit& e) {
         Choose(Combo(&e, "cbbwmvmode"), 2);
         EXPECT_TRUE(Find<QLineEdit>(&e, "edtPeakbitrate")->isEnabled());
         EXPECT_TRUE(Combo(&e, "cbbwmvvediobitrate")->isEnabled());
         Choose(Combo(&e, "cbbwmvframesize"), 0);
     },
     false,
     [](const TcdSettings& s) {
         EXPECT_EQ(s.WMVVedioMode(), 2);
         EXPECT_EQ(s.WMVFrameSize(), "320*240");
     }},
    {"WmvRowsOutsideTheListsShowNothing", FormatWMV,
     [](TcdSettings& s) {
         s.SetWMVFrameSize("Original");
         s.SetWMVVedioMode(7);
         s.SetWMVVedioCodec(5);
         s.SetWMVAudioCodec(-1);
         s.SetG_WMVVedioCodec("kept video");
         s.SetG_WMVAudioCodec("kept audio");
         s.SetG_WMVAudioFormat("kept format");
     },
     [](TfrmEdit& e) {
         EXPECT_EQ(Combo(&e, "cbbwmvframesize")->currentIndex(), -1);
         EXPECT_EQ(Combo(&e, "cbbwmvmode")->currentIndex(), -1);
         EXPECT_FALSE(Find<QLineEdit>(&e, "edtPeakbitrate")->isEnabled());
         EXPECT_EQ(Combo(&e, "cbbwmvcompression")->currentIndex(), -1);
         EXPECT_TRUE(Combo(&e, "cbbWMVFormat2")->isVisible());
     },
     true,
     [](const TcdSettings& s) {
         EXPECT_EQ(s.WMVVedioMode(), -1);
         EXPECT_EQ(s.WMVVedioCodec(), -1);
         EXPECT_EQ(s.WMVAudioCodec(), -1);
         // No codec chosen: the names a conversion looks the codecs up by stay.
         EXPECT_EQ(s.G_WMVVedioCodec(), "kept video");
         EXPECT_EQ(s.G_WMVAudioCodec(), "kept audio");
         EXPECT_EQ(s.G_WMVAudioFormat(), "kept format");
     }},
};

INSTANTIATE_TEST_SUITE_P(Cases, EditorPage, ::testing::ValuesIn(kPageCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(EditorLists, RowCountsAndLookupDefaults) {
    EXPECT_EQ(FrameSizeRows().size(), 43);
    EXPECT_EQ(WmvFrameSizeRows().size(), 42);
    EXPECT_FALSE(WmvFrameSizeRows().contains("Original"));
    EXPECT_EQ(VideoBitrateRows().size(), 20);
    EXPECT_EQ(FlvVideoBitrateRows().last(), "1150");
    EXPECT_EQ(ShortAudioBitrateRows().last(), "128");
    EXPECT_EQ(FrameSizeRows().at(IndexOfFrameSize("nothing")), "Original");
    EXPECT_EQ(WmvEditorLists().audioFormats[1].at(0), "  8 kbps,  8 kHz, mono CBR");
}

TEST(EditorFrameSize, SplitsOnlyWidthStarHeightAndOriginal) {
    const struct {
        const char* text;
        const char* width;
        const char* height;
    } cases[] = {
        {"1440*1080", "1440", "1080"},
        {"Original", "0", "0"},
        {"640x480", "w", "h"},
        {"", "w", "h"},
        {"*480", "w", "h"},
        {"original", "w", "h"},
    };
    for (const auto& c : cases) {
        QLineEdit width("w");
        QLineEdit height("h");
        TfrmEdit::SplitFrameSize(QString::fromLatin1(c.text), &width, &height);
        EXPECT_EQ(width.text(), c.width) << c.text;
        EXPECT_EQ(height.text(), c.height) << c.text;
    }
}

TEST(EditorWindow, ShowsOnlyTheGivenPageWithoutTabs) {
    TcdSettings settings;
    auto editor = Open(settings, FormatWMV);
    auto* pages = Find<QTabWidget>(editor.get(), "pgcedit");
    EXPECT_FALSE(pages->tabBar()->isVisible());
    EXPECT_EQ(pages->currentWidget(), Find<QWidget>(editor.get(), "tsWMV"));
    EXPECT_EQ(editor->size(), QSize(446, 514));
    EXPECT_TRUE(Find<QPushButton>(editor.get(), "btnOK")->isDefault());
    // Only the current page is filled from the settings.
    EXPECT_EQ(Combo(editor.get(), "cbbFrameSize")->currentIndex(), -1);
}

TEST(EditorWindow, OpeningWithAPresetRowCopiesItFirst) {
    TcdSettings settings;
    auto editor = std::make_unique<TfrmEdit>(settings, FormatMPEG, 3);
    EXPECT_EQ(settings.MPEGFrameSize(), "720*576");
    editor->ShowPage(editor->PageFor(FormatMPEG));
    editor->show();
    EXPECT_EQ(Combo(editor.get(), "cbbFrameSize")->currentText(), "720*576");
    EXPECT_EQ(Combo(editor.get(), "cbbmpegframerate")->currentText(), "25");
    EXPECT_EQ(Combo(editor.get(), "cbbmpegconstraint")->currentText(), "PAL");
}

// Voice codec chosen, OK, reopened: its own format list is the one shown, on the stored row.
TEST(EditorWindow, VoiceCodecFormatListAfterReopening) {
    TcdSettings settings;
    {
        auto editor = Open(settings, FormatWMV);
        Choose(Combo(editor.get(), "cbbaudioCodec"), 0);
        EXPECT_TRUE(Combo(editor.get(), "cbbWMVFormat1")->isVisible());
        EXPECT_FALSE(Combo(editor.get(), "cbbWMVFormat2")->isVisible());
        EXPECT_EQ(Combo(editor.get(), "cbbWMVFormat1")->currentIndex(), 0);
        Choose(Combo(editor.get(), "cbbWMVFormat1"), 2);
        QTest::mouseClick(Find<QPushButton>(editor.get(), "btnOK"), Qt::LeftButton);
    }
    EXPECT_EQ(settings.WMVAudioCodec(), 0);
    EXPECT_EQ(settings.WMVAudioFormat1(), 2);
    EXPECT_EQ(settings.WMVAudioFormat2(), 6); // the other lists keep their rows
    EXPECT_EQ(settings.G_WMVAudioCodec(), "Windows Media Audio Voice 9");
    EXPECT_EQ(settings.G_WMVAudioFormat(), "16 kbps, 16 kHz, mono");

    auto editor = Open(settings, FormatWMV);
    EXPECT_EQ(Combo(editor.get(), "cbbaudioCodec")->currentIndex(), 0);
    EXPECT_TRUE(Combo(editor.get(), "cbbWMVFormat1")->isVisible());
    EXPECT_FALSE(Combo(editor.get(), "cbbWMVFormat2")->isVisible());
    EXPECT_FALSE(Combo(editor.get(), "cbbWMVFormat3")->isVisible());
    EXPECT_EQ(Combo(editor.get(), "cbbWMVFormat1")->currentIndex(), 2);
    // The lists share one place on the page.
    EXPECT_EQ(Combo(editor.get(), "cbbWMVFormat1")->geometry(),
              Combo(editor.get(), "cbbWMVFormat2")->geometry());
}

// Only digits reach the peak-rate settings, typed or pasted; backspace and Enter still work.
TEST(EditorWindow, PeakFieldsTakeDigitsOnly) {
    for (const char* name : {"edtPeakbitrate", "edtauPeakbitrate"}) {
        SCOPED_TRACE(name);
        TcdSettings settings;
        settings.SetWMVVedioMode(2);
        auto editor = Open(settings, FormatWMV);
        QLineEdit* edit = Find<QLineEdit>(editor.get(), name);
        ASSERT_TRUE(edit->isEnabled());
        edit->setFocus();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, "12ab-3 ");
        EXPECT_EQ(edit->text(), "123");
        QTest::keyClick(edit, Qt::Key_Backspace);
        EXPECT_EQ(edit->text(), "12");

        QApplication::clipboard()->setText("4x5");
        edit->paste();
        EXPECT_EQ(edit->text(), "12");
        edit->insert("9e9");
        EXPECT_EQ(edit->text(), "12");
        QApplication::clipboard()->setText("450");
        QTest::keySequence(edit, QKeySequence::Paste);
        EXPECT_EQ(edit->text(), "12450");

        QTest::keyClick(edit, Qt::Key_Return); // Enter presses OK, the default button
        EXPECT_EQ(editor->result(), QDialog::Accepted);
        const QString stored = QString::fromLatin1(name) == "edtPeakbitrate"
                                   ? settings.WMVPeakBitrate()
                                   : settings.WMVAudioPeakBitrate();
        EXPECT_EQ(stored, "12450");
    }
}

TEST(EditorWindow, AppliesItsLanguageSectionAtCreation) {
    QTemporaryDir dir;
    const QString file = dir.filePath("test.lng");
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[frmEdit]\n"
            "frmEdit.Caption=Profile\n"
            "btnOK.Caption=Apply\n"
            "lblFrameSize.Caption=Picture size:\n"
            "tsWMV.Caption=Windows Media\n"
            "[frmReelvane]\n"
            "btnCancel.Caption=wrong section\n");
    f.close();
    const QString previous = std::exchange(LangFile(), file);
    TcdSettings settings;
    TfrmEdit editor(settings, FormatMPEG, -1);
    LangFile() = previous;
    EXPECT_EQ(editor.windowTitle(), "Profile");
    EXPECT_EQ(Find<QPushButton>(&editor, "btnOK")->text(), "Apply");
    EXPECT_EQ(Find<QPushButton>(&editor, "btnCancel")->text(), "Cancel");
    EXPECT_EQ(Find<QLabel>(&editor, "lblFrameSize")->text(), "Picture size:");
    for (QComboBox* combo : editor.findChildren<QComboBox*>())
        EXPECT_EQ(combo->currentIndex(), -1) << combo->objectName().toStdString();
}

} // namespace
