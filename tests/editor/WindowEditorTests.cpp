// The editor, the notification-area icon and dropped files as parts of the main window.

#include "tests/app/WindowTestSupport.h"

#include "editor/core/Presets.h"
#include "editor/frmEdit.h"
#include "settings/cdSettings.h"
#include "tests/support/TestMedia.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QMenu>
#include <QMetaProperty>
#include <QMimeData>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#ifdef REELVANE_WITH_ENGINE
#include "app/batch/VideoEditEngine.h"
#endif

namespace {

/// The notification area of a desktop that has one (or not), clicked by the test.
class FakeTray : public TrayIcon {
public:
    bool available = true;
    bool shown = false;
    int adds = 0;
    QString tip;
    QIcon icon;

    bool IsAvailable() const override { return available; }
    void Add(const QIcon& i, const QString& t) override {
        shown = true;
        ++adds;
        tip = t;
        icon = i;
    }
    void Delete() override { shown = false; }
    bool IsShown() const override { return shown; }
    void Click(Button button) { Q_EMIT clicked(button); }
};

void Choose(QComboBox* combo, const QString& text) {
    const int row = combo->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    ASSERT_GE(row, 0) << text.toStdString();
    combo->setCurrentIndex(row);
    Q_EMIT combo->activated(row);
}

/// Runs @p work on the editor once it is open modally, then returns.
void WhenEditorOpens(std::function<void(TfrmEdit&)> work) {
    QTimer::singleShot(0, [work] {
        auto* editor = qobject_cast<TfrmEdit*>(QApplication::activeModalWidget());
        ASSERT_NE(editor, nullptr);
        work(*editor);
        if (editor->isVisible()) // the test forgot to close it: do not hang
            editor->reject();
    });
}

QMap<QString, QVariant> AllValues(const TcdSettings& s) {
    QMap<QString, QVariant> values;
    const QMetaObject* meta = s.metaObject();
    for (int i = meta->propertyOffset(); i < meta->propertyCount(); ++i)
        values.insert(QString::fromLatin1(meta->property(i).name()), meta->property(i).read(&s));
    return values;
}

class TrayTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        MakeWindow();
        window->SetTrayIcon(&tray);
    }
    void TearDown() override {
        window.reset(); // before the tray it uses
        QApplication::setQuitOnLastWindowClosed(true);
        WindowTest::TearDown();
    }
    FakeTray tray;
};

} // namespace

// "Edit..." opens the page of the current format; Cancel leaves every setting and the preset
// row as they were, OK stores the page and selects the custom row.
TEST_F(WindowTest, EditOpensTheCurrentFormatAndOkSelectsTheCustomRow) {
    Settings().SetPageIndex(FormatMP4);
    MakeWindow();
    Trigger("actNext");
    auto* presets = Child<QComboBox>("cbbmp4profile");
    Choose(presets, presets->itemText(1)); // a preset row, applied as a click applies it
    const auto before = AllValues(Settings());
    ASSERT_TRUE(Child<QAction>("actEdit")->isEnabled());

    WhenEditorOpens([](TfrmEdit& editor) {
        EXPECT_EQ(editor.windowTitle(), "Edit MP4 Profiles");
        EXPECT_EQ(editor.findChild<QTabWidget*>("pgcedit")->currentWidget()->objectName(), "tsMP4");
        EXPECT_EQ(editor.findChild<QComboBox*>("cbbmp4framesize")->currentText(), "320*240");
        Choose(editor.findChild<QComboBox*>("cbbmp4framesize"), "720*576");
        QTest::mouseClick(editor.findChild<QPushButton*>("btnCancel"), Qt::LeftButton);
    });
    Trigger("actEdit");
    EXPECT_EQ(AllValues(Settings()), before);
    EXPECT_EQ(presets->currentIndex(), 1);

    WhenEditorOpens([](TfrmEdit& editor) {
        Choose(editor.findChild<QComboBox*>("cbbmp4framesize"), "720*576");
        QTest::mouseClick(editor.findChild<QPushButton*>("btnOK"), Qt::LeftButton);
    });
    Trigger("actEdit");
    EXPECT_EQ(Settings().MP4FrameSize(), "720*576");
    EXPECT_EQ(Settings().MP4Width(), "720");
    EXPECT_EQ(presets->currentIndex(), CustomPresetRow(FormatMP4));
    EXPECT_EQ(Settings().MP4CbbIdx(), CustomPresetRow(FormatMP4));

    // Reopened on the custom row, the editor shows what was stored.
    WhenEditorOpens([](TfrmEdit& editor) {
        EXPECT_EQ(editor.findChild<QComboBox*>("cbbmp4framesize")->currentText(), "720*576");
        editor.reject();
    });
    Trigger("actEdit");
}

#ifdef REELVANE_WITH_ENGINE
// A custom MP4 profile set in the editor, converted by the real engine.
TEST_F(WindowTest, CustomMp4ProfileFromTheEditorConvertsWithItsSizeAndRates) {
    Settings().SetPageIndex(FormatMP4);
    MakeWindow(std::make_unique<VideoEditEngine>());
    Trigger("actNext");
    WhenEditorOpens([](TfrmEdit& e) {
        Choose(e.findChild<QComboBox*>("cbbmp4framesize"), "352*288");
        Choose(e.findChild<QComboBox*>("cbbmp4vediobitrate"), "512");
        Choose(e.findChild<QComboBox*>("cbbmp4framerate"), "24");
        Choose(e.findChild<QComboBox*>("cbbmp4audiocodec"), "AAC");
        Choose(e.findChild<QComboBox*>("cbbmp4audiobitrate"), "96");
        Choose(e.findChild<QComboBox*>("cbbmp4channels"), "Mono");
        Choose(e.findChild<QComboBox*>("cbbmp4frequency"), "32000");
        QTest::mouseClick(e.findChild<QPushButton*>("btnOK"), Qt::LeftButton);
    });
    Trigger("actEdit");
    ASSERT_EQ(Settings().MP4Width(), "352");

    const QString clip = work.filePath("clip.avi");
    ASSERT_TRUE(testsupport::MakeTestAvi(clip, 2.0, 160, 120, 25, true));
    window->AddFilesToList({clip});
    window->UpdateListActions();
    const QString out = work.filePath("out");
    QDir().mkpath(out);
    shell.folders.push_back(out);
    Trigger("actConvert");
    ASSERT_TRUE(WaitUntil([this] { return CountLines("Task End") == 1; }, 60000))
        << LogLines().join('\n').toStdString();
    ASSERT_EQ(CountLines("Convert to: clip.mp4 [Success]"), 1)
        << LogLines().join('\n').toStdString();

    const testsupport::MediaInfo info = testsupport::ProbeMedia(QDir(out).filePath("clip.mp4"));
    ASSERT_TRUE(info.ok) << info.error.toStdString();
    EXPECT_TRUE(info.container.contains("mp4")) << info.container.toStdString();
    EXPECT_EQ(info.width, 352);
    EXPECT_EQ(info.height, 288);
    EXPECT_NEAR(info.frameRate, 24.0, 0.01);
    EXPECT_EQ(info.audioCodec, "aac");
    EXPECT_EQ(info.sampleRate, 32000);
    EXPECT_EQ(info.channels, 1);
    EXPECT_NEAR(info.durationSec, 2.0, 0.25);
}
#endif

// Minimised from the title bar or the window menu, or with the minimise button: the window is
// hidden with its icon; a left click on the icon brings it back without the icon.
TEST_F(TrayTest, MinimiseHidesInTheTrayAndALeftClickRestores) {
    const std::pair<const char*, std::function<void()>> ways[] = {
        {"title bar", [this] { window->showMinimized(); }},
        {"btnmin", [this] { window->btnminClick(); }},
    };
    for (const auto& [how, minimise] : ways) {
        SCOPED_TRACE(how);
        minimise();
        ASSERT_TRUE(WaitUntil([this] { return window->InTray(); }, 2000));
        EXPECT_FALSE(window->isVisible());
        EXPECT_TRUE(tray.shown);
        EXPECT_EQ(tray.tip, "Quenza free Reelvane");
        EXPECT_FALSE(tray.icon.isNull());
        EXPECT_FALSE(QApplication::quitOnLastWindowClosed());

        tray.Click(TrayIcon::Button::Left);
        EXPECT_TRUE(window->isVisible());
        EXPECT_FALSE(window->isMinimized());
        EXPECT_FALSE(window->InTray());
        EXPECT_FALSE(tray.shown);
        EXPECT_TRUE(QApplication::quitOnLastWindowClosed());
    }
    EXPECT_EQ(tray.adds, 2);
}

// A right click opens the tray menu; "About" does nothing, "Show" restores.
TEST_F(TrayTest, RightClickMenu) {
    window->btnminClick();
    ASSERT_TRUE(window->InTray());
    tray.Click(TrayIcon::Button::Right);
    auto* menu = Child<QMenu>("pmTray");
    ASSERT_TRUE(WaitUntil([menu] { return menu->isVisible(); }, 2000));
    QStringList items;
    for (QAction* action : menu->actions())
        if (!action->isSeparator())
            items << action->text();
    EXPECT_EQ(items, QStringList({"&Show", "&About", "&Close"}));
    menu->hide();
    Child<QAction>("mniAbout")->trigger();
    EXPECT_FALSE(window->isVisible());
    Child<QAction>("mniShow")->trigger();
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(tray.shown);
}

// The batch goes on while the window is hidden; "Close" then stops it before the window goes,
// and shows the window meanwhile.
TEST_F(TrayTest, ConversionsGoOnWhileHiddenAndCloseStopsThem) {
    auto engine = std::make_unique<ScriptedEngine>();
    ScriptedEngine* scripted = engine.get();
    window.reset();
    MakeWindow(std::move(engine));
    window->SetTrayIcon(&tray);
    Trigger("actNext");
    QStringList files;
    for (const char* name : {"one.avi", "two.avi"}) {
        files << work.filePath(name);
        QFile f(files.last());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("x");
    }
    window->AddFilesToList(files);
    window->UpdateListActions();
    shell.folders.push_back(work.path());
    Trigger("actConvert");
    ASSERT_TRUE(WaitUntil([scripted] { return scripted->setups.size() == 1; }, 3000));

    window->btnminClick();
    ASSERT_FALSE(window->isVisible());
    scripted->Finish();
    EXPECT_TRUE(WaitUntil([scripted] { return scripted->setups.size() == 2; }, 3000));
    EXPECT_EQ(window->EntryImage(0), 2);

    Child<QAction>("mniExit")->trigger();
    EXPECT_EQ(scripted->stopRequests, 1);
    EXPECT_FALSE(tray.shown);
    EXPECT_TRUE(window->isVisible()); // the stop is under way
    EXPECT_TRUE(QApplication::quitOnLastWindowClosed());
    scripted->free = true;
    EXPECT_TRUE(WaitUntil([this] { return !window->isVisible(); }, 3000));
}

// Without a notification area, minimising only minimises: the window stays reachable.
TEST_F(TrayTest, WithoutATrayMinimiseOnlyMinimises) {
    tray.available = false;
    window->btnminClick();
    WaitUntil([] { return false; }, 50);
    EXPECT_TRUE(window->isMinimized());
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->InTray());

    window->showNormal();
    window->showMinimized();
    WaitUntil([] { return false; }, 50);
    EXPECT_TRUE(window->isMinimized());
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(tray.adds, 0);
    EXPECT_TRUE(QApplication::quitOnLastWindowClosed());
}

namespace {

/// Drags @p urls over the file list and drops them, as a file manager does (offering a move).
/// Returns whether the window took the drop.
bool DropOnList(TfrmReelvane* window, const QList<QUrl>& urls, Qt::DropAction* done = nullptr) {
    QWidget* target = window->findChild<QTreeWidget*>("lvFiles")->viewport();
    QMimeData mime;
    mime.setUrls(urls);
    const QPoint at = target->rect().center();
    const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction;
    QDragEnterEvent enter(at, offered, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent drop(QPointF(at), offered, &mime, Qt::LeftButton, Qt::NoModifier);
    drop.setDropAction(Qt::MoveAction);
    QApplication::sendEvent(target, &drop);
    if (done)
        *done = drop.dropAction();
    return drop.isAccepted();
}

} // namespace

// Two AVI files, a folder, a text file, a missing file and a repeated name: exactly the two
// AVI files are added, in the order given, as a copy.
TEST_F(WindowTest, DropAddsTheExistingAviFilesInOrder) {
    MakeWindow();
    Trigger("actNext");
    const QString folder = work.filePath("clips.avi"); // a folder with an AVI name
    QDir().mkpath(folder);
    QStringList files;
    for (const char* name : {"second.avi", "first.AVI", "notes.txt"}) {
        files << work.filePath(name);
        QFile f(files.last());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("x");
    }
    const QList<QUrl> urls = {QUrl::fromLocalFile(files[0]),
                              QUrl::fromLocalFile(folder),
                              QUrl::fromLocalFile(files[2]),
                              QUrl::fromLocalFile(files[1]),
                              QUrl::fromLocalFile(work.filePath("missing.avi")),
                              QUrl::fromLocalFile(files[0]),
                              QUrl("https://example.org/x.avi")};
    Qt::DropAction done = Qt::IgnoreAction;
    ASSERT_TRUE(DropOnList(window.get(), urls, &done));
    EXPECT_EQ(done, Qt::CopyAction);
    ASSERT_EQ(List()->topLevelItemCount(), 2);
    EXPECT_EQ(List()->topLevelItem(0)->text(3), files[0]);
    EXPECT_EQ(List()->topLevelItem(1)->text(3), files[1]);
    EXPECT_FALSE(Child<QWidget>("pnlempty")->isVisible());
    EXPECT_TRUE(Child<QAction>("mniConvert")->isEnabled());
}

// While the list may not be changed (Add disabled, as during a conversion) and before the
// batch mode is chosen, a drop is refused.
TEST_F(WindowTest, DropIsRefusedWhileAddIsDisabledAndOutsideTheBatchMode) {
    MakeWindow();
    const QString file = work.filePath("clip.avi");
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("x");
    f.close();
    EXPECT_FALSE(DropOnList(window.get(), {QUrl::fromLocalFile(file)})); // mode page
    Trigger("actNext");
    Child<QAction>("actadd")->setEnabled(false);
    EXPECT_FALSE(DropOnList(window.get(), {QUrl::fromLocalFile(file)}));
    window->HandleDropFiles({QUrl::fromLocalFile(file)});
    EXPECT_EQ(List()->topLevelItemCount(), 0);
    Child<QAction>("actadd")->setEnabled(true);
    EXPECT_TRUE(DropOnList(window.get(), {QUrl::fromLocalFile(file)}));
    EXPECT_EQ(List()->topLevelItemCount(), 1);
}
