#include "WindowTestSupport.h"

#include "app/core/Language.h"
#include "editor/core/Presets.h"
#include "settings/cdSettings.h"

#include <QComboBox>
#include <QFile>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

namespace {

struct MenuState {
    bool addFile, selectAll, format, convert, stop, hotDir, returnToBatch;
};

} // namespace

TEST_F(WindowTest, OpensOnModePageWithFixedClientArea) {
    MakeWindow();
    EXPECT_EQ(window->objectName(), QStringLiteral("frmReelvane"));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Quenza free Reelvane"));
    EXPECT_EQ(window->centralWidget()->size(), QSize(838, 532));
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
    EXPECT_EQ(Child<QStackedWidget>("pageConvert")->currentWidget()->objectName(),
              QStringLiteral("tsMode"));
    EXPECT_FALSE(Child<QWidget>("pnloperate")->isVisible());
    EXPECT_EQ(Child<QTabWidget>("pgcConvert")->currentIndex(), 3);
    EXPECT_EQ(window->CurrentMode(), 0);
    EXPECT_EQ(window->CurrentFormat(), 0); // the stored format of a fresh installation
    EXPECT_EQ(Child<QComboBox>("cbbflvprofile")->count(), PresetRowCaptions(3).size());
}

// The main menu of UpdateMenusForMode for the three modes, with and without list entries.
TEST_F(WindowTest, WizardAndMenuStatesOfTheThreeModes) {
    MakeWindow();
    auto state = [this] {
        return MenuState{Child<QAction>("mniAddfile")->isEnabled(),
                         Child<QAction>("mniSelectAllfile")->isEnabled(),
                         Child<QMenu>("mniformat")->isEnabled(),
                         Child<QAction>("mniConvert")->isEnabled(),
                         Child<QAction>("mniStopConvert")->isEnabled(),
                         Child<QAction>("mniHotDir")->isEnabled(),
                         Child<QAction>("mniReturntoBatchMode")->isEnabled()};
    };
    auto expect = [&](MenuState want, const char* where) {
        const MenuState got = state();
        EXPECT_EQ(got.addFile, want.addFile) << where;
        EXPECT_EQ(got.selectAll, want.selectAll) << where;
        EXPECT_EQ(got.format, want.format) << where;
        EXPECT_EQ(got.convert, want.convert) << where;
        EXPECT_EQ(got.stop, want.stop) << where;
        EXPECT_EQ(got.hotDir, want.hotDir) << where;
        EXPECT_EQ(got.returnToBatch, want.returnToBatch) << where;
    };
    expect({false, false, false, false, false, true, true}, "mode 0");

    Trigger("actNext");
    EXPECT_EQ(window->CurrentMode(), 1);
    EXPECT_EQ(Child<QStackedWidget>("pageConvert")->currentWidget()->objectName(),
              QStringLiteral("tsConvert"));
    EXPECT_TRUE(Child<QWidget>("pnloperate")->isVisible());
    EXPECT_TRUE(Child<QWidget>("Panel1")->isVisible());
    EXPECT_FALSE(Child<QPushButton>("btnsbtrun")->isVisible());
    EXPECT_TRUE(Child<QWidget>("pnlempty")->isVisible());
    expect({true, false, true, false, false, true, false}, "mode 1, empty list");

    window->lblexampleClick();
    EXPECT_EQ(List()->topLevelItemCount(), 1);
    EXPECT_FALSE(Child<QWidget>("pnlempty")->isVisible());
    expect({true, true, true, true, false, true, false}, "mode 1 with an entry");

    Trigger("actHotDir");
    EXPECT_EQ(window->CurrentMode(), 2);
    EXPECT_EQ(Child<QStackedWidget>("pageConvert")->currentWidget()->objectName(),
              QStringLiteral("tsHotDirectory"));
    EXPECT_FALSE(Child<QWidget>("Panel1")->isVisible());
    EXPECT_TRUE(Child<QPushButton>("btnsbtreturn")->isVisible());
    EXPECT_FALSE(Child<QPushButton>("btnsbtend")->isEnabled());
    expect({false, false, true, false, false, false, true}, "mode 2");

    Trigger("actReturnmode");
    EXPECT_EQ(window->CurrentMode(), 1);
    EXPECT_TRUE(Child<QWidget>("pnllog")->isVisible());
}

TEST_F(WindowTest, NextWithHotDirectoryChoiceOpensTheHotDirectoryPage) {
    MakeWindow();
    Child<QRadioButton>("rbrdohotdir")->setChecked(true);
    Trigger("actNext");
    EXPECT_EQ(window->CurrentMode(), 2);
    EXPECT_EQ(Child<QStackedWidget>("pageConvert")->currentWidget()->objectName(),
              QStringLiteral("tsHotDirectory"));
    EXPECT_FALSE(Child<QWidget>("Panel1")->isVisible());
    EXPECT_TRUE(Child<QWidget>("pnllog")->isVisible()) << "the log shows the jobs";
}

// Every "Format" item and every page change end on "TO FLV" with the FLV format current.
TEST_F(WindowTest, FormatPagesAreHeldOnFlv) {
    MakeWindow();
    Trigger("actNext");
    auto* pages = Child<QTabWidget>("pgcConvert");
    for (const char* item : {"mniAVI", "mniMPEG", "mniWMV", "mniMOV", "mniMP3"}) {
        Settings().SetPageIndex(0);
        Trigger(item);
        EXPECT_EQ(pages->currentIndex(), 3) << item;
        EXPECT_EQ(window->CurrentFormat(), 3) << item;
        EXPECT_EQ(Settings().PageIndex(), 3) << item;
    }
    Settings().SetPageIndex(0);
    pages->setCurrentIndex(0); // as a click on "TO MPEG"
    EXPECT_EQ(pages->currentIndex(), 3);
    EXPECT_EQ(Settings().PageIndex(), 3);
}

// A preset combo click copies the current format's row into the settings.
TEST_F(WindowTest, PresetClickWritesTheRowOfTheCurrentFormat) {
    MakeWindow();
    Trigger("mniFLV"); // current format FLV
    auto* combo = Child<QComboBox>("cbbflvprofile");
    ASSERT_GT(combo->count(), 2);
    TcdSettings expected;
    ASSERT_TRUE(ApplyPresetToSettings(3, 1, expected));
    combo->setCurrentIndex(1);
    Q_EMIT combo->activated(1);
    EXPECT_EQ(Settings().FLVTragetBitrate(), expected.FLVTragetBitrate());
    EXPECT_EQ(Settings().FLVWidth(), expected.FLVWidth());
}

// Captions a language file gives the actions reach the buttons and menu items bound to them;
// a caption given to a menu item itself stays when its action changes state.
TEST_F(WindowTest, LanguageFileCaptionsReachBoundButtonsAndMenuItems) {
    const QString lng = work.filePath("Test.lng");
    {
        QFile file(lng);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[frmReelvane]\n"
                   "actNext.Caption=&Weiter\n"
                   "actConvert.Caption=Umwandeln\n"
                   "actadd.Caption=Hinzufuegen\n"
                   "mniClearfile.Caption=Liste leeren\n"
                   "btnexit.Caption=&Ende\n");
    }
    const QString previous = std::exchange(LangFile(), lng);
    MakeWindow();
    LangFile() = previous;
    EXPECT_EQ(Child<QPushButton>("btnNext")->text(), QStringLiteral("&Weiter"));
    EXPECT_EQ(Child<QPushButton>("btnConvert")->text(), QStringLiteral("Umwandeln"));
    EXPECT_EQ(Child<QAction>("mniConvert")->text(), QStringLiteral("Umwandeln"));
    EXPECT_EQ(Child<QAction>("mniAddfile")->text(), QStringLiteral("Hinzufuegen"));
    EXPECT_EQ(Child<QAction>("mniAdd")->text(), QStringLiteral("Hinzufuegen"));
    EXPECT_EQ(Child<QToolButton>("btnAdd")->toolTip(), QStringLiteral("Hinzufuegen"));
    EXPECT_TRUE(Child<QToolButton>("btnAdd")->text().isEmpty()); // icon only
    EXPECT_EQ(Child<QPushButton>("btnexit")->text(), QStringLiteral("&Ende"));
    Trigger("actNext");
    window->lblexampleClick(); // actClear becomes enabled
    EXPECT_TRUE(Child<QAction>("mniClearfile")->isEnabled());
    EXPECT_EQ(Child<QAction>("mniClearfile")->text(), QStringLiteral("Liste leeren"));
}

// A selected row is drawn in the highlight colour with readable text, with the focus in the
// list and with the window inactive.
TEST_F(WindowTest, SelectedRowsStayReadable) {
    MakeWindow();
    Trigger("actNext");
    window->AddFilesToList({work.filePath("selected.avi"), work.filePath("other.avi")});
    window->UpdateListActions();
    QTreeWidget* list = List();
    list->topLevelItem(0)->setSelected(true);
    const QColor highlight = list->palette().color(QPalette::Active, QPalette::Highlight);
    const QColor highlightedText =
        list->palette().color(QPalette::Active, QPalette::HighlightedText);
    ASSERT_NE(highlight, highlightedText);
    auto check = [&](const char* state) {
        const QImage shot = list->viewport()->grab().toImage();
        const QRect row = list->visualItemRect(list->topLevelItem(0));
        // Column 1 of the row holds no text: pure background.
        const int emptyX = list->columnViewportPosition(1) + list->columnWidth(1) / 2;
        EXPECT_EQ(shot.pixelColor(emptyX, row.center().y()).rgb(), highlight.rgb()) << state;
        // The name in column 0 is drawn in a colour that stands out from that background.
        int textPixels = 0;
        for (int x = list->columnViewportPosition(0) + 20; x < list->columnWidth(0); ++x)
            for (int y = row.top(); y <= row.bottom(); ++y) {
                const QColor c = shot.pixelColor(x, y);
                textPixels += std::abs(c.lightness() - highlight.lightness()) > 60 ? 1 : 0;
            }
        EXPECT_GT(textPixels, 20) << state;
    };
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    list->setFocus();
    check("focus in the list");
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    ASSERT_FALSE(window->isActiveWindow());
    check("window inactive");
}
