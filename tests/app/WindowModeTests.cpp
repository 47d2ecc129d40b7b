#include "WindowTestSupport.h"

#include "editor/core/Presets.h"
#include "settings/cdSettings.h"

#include <QComboBox>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTabWidget>

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
    EXPECT_FALSE(Child<QWidget>("pnllog")->isVisible());
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
