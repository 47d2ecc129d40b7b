#include "WindowTestSupport.h"
#include "tests/support/TestMedia.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QTest>
#include <QToolButton>

namespace {

QString StatusPanel(TfrmReelvane& window, int index) {
    return window.findChild<QLabel*>(QStringLiteral("statPanel%1").arg(index))->text();
}

} // namespace

class BatchTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        auto scripted = std::make_unique<ScriptedEngine>();
        engine = scripted.get();
        MakeWindow(std::move(scripted));
        Trigger("actNext");
        for (const char* name : {"a.avi", "b.avi", "c.avi"}) {
            QFile file(work.filePath(name));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write("x");
            inputs << file.fileName();
        }
        window->AddFilesToList(inputs);
        window->UpdateListActions();
        out = work.filePath("out");
        QDir().mkpath(out);
    }
    void StartBatch() {
        shell.folders.push_back(out);
        Trigger("actConvert");
    }
    /// Lets the queue's timer take the next file.
    void Tick() { window->Queue().Tick(); }

    ScriptedEngine* engine = nullptr;
    QStringList inputs;
    QString out;
};

// An error keeps its file failed even when the stop event follows; the next file waits for a
// free engine; a progress above 100 shows as 100.
TEST_F(BatchTest, ErrorThenStopKeepsTheFileFailed) {
    StartBatch();
    EXPECT_FALSE(Child<QPushButton>("btnConvert")->isVisible());
    EXPECT_TRUE(Child<QAction>("mniStopConvert")->isEnabled());
    EXPECT_EQ(Settings().SavePath(), out);
    Tick();
    ASSERT_EQ(engine->setups.size(), 1);
    EXPECT_EQ(engine->setups[0], inputs[0] + "|" + QDir(out).filePath("a.mpeg"));
    Q_EMIT engine->progress(150);
    EXPECT_EQ(Child<QProgressBar>("ProgressBar")->value(), 100);
    EXPECT_EQ(StatusPanel(*window, 4), QStringLiteral("100%"));
    Q_EMIT engine->progress(45);
    EXPECT_EQ(StatusPanel(*window, 4), QStringLiteral("45%"));
    engine->Finish();
    EXPECT_EQ(window->EntryImage(0), 2);

    Tick(); // b: the run reports an error and keeps running a little
    Q_EMIT engine->error(5, QStringLiteral("broken input"));
    Q_EMIT engine->error(7, QStringLiteral("no graph"));
    EXPECT_EQ(window->EntryImage(1), 1);
    EXPECT_FALSE(window->Busy());
    EXPECT_FALSE(Child<QProgressBar>("ProgressBar")->isVisible());
    Tick(); // engine not free yet: nothing is reconfigured
    EXPECT_EQ(engine->setups.size(), 2);
    engine->Ended();
    EXPECT_EQ(window->EntryImage(1), 1);

    Tick();
    engine->Finish();
    QFile::remove(QDir(out).filePath("c.mpeg")); // gone before the final question
    shell.yesNoAnswers.push_back(true);
    Tick(); // the batch ends
    EXPECT_EQ(engine->setupWhileBusy, 0);
    EXPECT_EQ(window->EntryImage(0), 2);
    EXPECT_EQ(window->EntryImage(1), 1);
    EXPECT_EQ(window->EntryImage(2), 2);
    EXPECT_EQ(CountLines("Load: "), 3);
    EXPECT_EQ(CountLines("Convert to: "), 2);
    EXPECT_EQ(CountLines("[Error message]: broken input"), 1);
    EXPECT_EQ(CountLines("[Error message]: "), 1);
    EXPECT_EQ(CountLines("Convert to: b.mpeg"), 0);
    EXPECT_EQ(CountLines("Task End"), 1);
    EXPECT_EQ(LogLines().last(), QString()); // the empty line after "Task End"
    EXPECT_TRUE(Child<QPushButton>("btnConvert")->isVisible());
    // The final question opens the last entry's output (missing here: its folder).
    ASSERT_EQ(shell.questions.size(), 1);
    ASSERT_EQ(shell.opened.size(), 1);
    EXPECT_EQ(QDir(shell.opened[0]).absolutePath(), QDir(out).absolutePath());

    // A second start resets every image and converts every entry again.
    StartBatch();
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(window->EntryImage(i), 0);
    Tick();
    EXPECT_EQ(engine->setups.size(), 4);
}

// Stop marks the running file as not converted; its late stop event changes nothing.
TEST_F(BatchTest, StopMarksTheFileNotConverted) {
    StartBatch();
    Tick();
    Trigger("actStopConvert");
    EXPECT_EQ(engine->stopRequests, 1);
    EXPECT_EQ(window->EntryImage(0), 1);
    EXPECT_EQ(CountLines("Stopped: a.avi"), 1);
    EXPECT_TRUE(Child<QPushButton>("btnConvert")->isVisible());
    EXPECT_FALSE(Child<QAction>("mniStopConvert")->isEnabled());
    engine->Finish(); // the run's late stop event, with a written file
    EXPECT_EQ(window->EntryImage(0), 1);
    EXPECT_EQ(CountLines("Convert to: "), 0);
    EXPECT_FALSE(window->Queue().IsTicking());
    Tick(); // the batch is over: a stray tick starts nothing
    EXPECT_EQ(engine->setups.size(), 1);
    EXPECT_TRUE(Child<QAction>("actHotDir")->isEnabled()); // the mode may change again
    EXPECT_TRUE(Child<QAction>("mniHotDir")->isEnabled());
    EXPECT_TRUE(Child<QAction>("actRemove")->isEnabled());
}

TEST_F(BatchTest, MissingFileAbortsTheStart) {
    QFile::remove(inputs[1]);
    StartBatch();
    EXPECT_EQ(shell.messages.size(), 1);
    EXPECT_EQ(CountLines("Task begin"), 1);
    EXPECT_FALSE(window->Queue().IsTicking());
    EXPECT_TRUE(Child<QPushButton>("btnStopConvert")->isVisible());
    EXPECT_FALSE(Child<QAction>("actRemove")->isEnabled()); // still the converting layout
    Tick();
    EXPECT_TRUE(engine->setups.isEmpty());
    Trigger("actStopConvert");
    EXPECT_TRUE(Child<QPushButton>("btnConvert")->isVisible());
    EXPECT_TRUE(Child<QAction>("actRemove")->isEnabled());
}

namespace {

QStringList Paths(QTreeWidget* list) {
    QStringList paths;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        paths << list->topLevelItem(i)->text(3);
    return paths;
}

} // namespace

// While a file converts, nothing that changes the list, the format or the mode gets through:
// not the menu items, not their handlers called directly, not the Delete key, not a button.
// The batch stays in its converting state and converts every file.
TEST_F(BatchTest, ListFormatAndModeStayPutDuringARun) {
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    // The Delete key does remove entries while no batch runs.
    const QString extra = work.filePath("d.avi");
    window->AddFilesToList({extra});
    window->UpdateListActions();
    List()->setFocus();
    List()->topLevelItem(3)->setSelected(true);
    shell.yesNoAnswers.push_back(true);
    QTest::keyClick(List(), Qt::Key_Delete);
    ASSERT_EQ(Paths(List()), inputs);
    shell.questions.clear();

    Settings().SetPageIndex(0);
    StartBatch();
    Tick();
    ASSERT_TRUE(window->Busy());
    List()->topLevelItem(0)->setSelected(true); // even with a selected entry
    List()->topLevelItem(1)->setSelected(true);
    auto converting = [this](const std::string& after) {
        SCOPED_TRACE(after);
        EXPECT_TRUE(window->Busy());
        EXPECT_EQ(window->CurrentItem(), 0);
        EXPECT_EQ(Paths(List()), inputs);
        EXPECT_EQ(window->CurrentMode(), 1);
        EXPECT_EQ(window->CurrentFormat(), 0);
        EXPECT_EQ(Settings().PageIndex(), 0);
        EXPECT_EQ(Child<QStackedWidget>("pageConvert")->currentWidget()->objectName(),
                  QStringLiteral("tsConvert"));
        EXPECT_TRUE(Child<QPushButton>("btnStopConvert")->isVisible());
        EXPECT_TRUE(Child<QAction>("mniStopConvert")->isEnabled());
        for (const char* name : {"mniAddfile",
                                 "mniAddFolder1",
                                 "mniSelectAllfile",
                                 "mniRemovefile",
                                 "mniClearfile",
                                 "mniConvert",
                                 "mniHotDir",
                                 "mniReturntoBatchMode",
                                 "actadd",
                                 "actAddFolder",
                                 "actRemove",
                                 "actClear",
                                 "actConvert",
                                 "actHotDir",
                                 "actReturnmode",
                                 "mniMPEG",
                                 "mniAdd",
                                 "mniRemove",
                                 "mniRemoveFailedItems",
                                 "actEdit"})
            EXPECT_FALSE(Child<QAction>(name)->isEnabled()) << name;
        EXPECT_FALSE(Child<QMenu>("mniformat")->isEnabled());
        EXPECT_FALSE(Child<QToolButton>("btnAdd")->isEnabled());
        EXPECT_FALSE(Child<QPushButton>("btnHotdirectory")->isEnabled());
        EXPECT_TRUE(shell.questions.isEmpty());
    };
    converting("the start");

    // Each attempt finds answers waiting, so a handler that got through would change things.
    auto answerEverything = [this] {
        openDialog.nextFiles = {work.filePath("late.avi")};
        shell.folders.push_back(work.path());
        shell.yesNoAnswers.push_back(true);
    };
    for (const char* item :
         {"mniAddfile", "mniAddFolder1", "mniRemovefile", "mniClearfile", "mniMPEG", "mniWMV",
          "mniConvert", "mniHotDir", "mniReturntoBatchMode", "mniAdd", "mniRemove", "mniClear",
          "mniRemoveFailedItems", "mniRemoveSucceededItems"}) {
        answerEverything();
        Trigger(item);
        converting(item);
    }
    using Handler = void (TfrmReelvane::*)();
    const std::pair<const char*, Handler> handlers[] = {
        {"actaddExecute", &TfrmReelvane::actaddExecute},
        {"actAddFolderExecute", &TfrmReelvane::actAddFolderExecute},
        {"actRemoveExecute", &TfrmReelvane::actRemoveExecute},
        {"actClearExecute", &TfrmReelvane::actClearExecute},
        {"lblexampleClick", &TfrmReelvane::lblexampleClick},
        {"mniRemoveFailedItemsClick", &TfrmReelvane::mniRemoveFailedItemsClick},
        {"actConvertExecute", &TfrmReelvane::actConvertExecute},
        {"actHotDirExecute", &TfrmReelvane::actHotDirExecute},
        {"actReturnmodeExecute", &TfrmReelvane::actReturnmodeExecute},
        {"actNextExecute", &TfrmReelvane::actNextExecute},
    };
    for (const auto& [name, handler] : handlers) {
        answerEverything();
        (window.get()->*handler)();
        converting(name);
    }
    window->SelectFormatPage(1);
    window->lvFilesColumnClick(0);
    window->AddFilesToList({work.filePath("dropped.avi")});
    {
        QFile late(work.filePath("late-drop.avi")); // exists, so only the running batch refuses it
        ASSERT_TRUE(late.open(QIODevice::WriteOnly));
        window->HandleDropFiles({QUrl::fromLocalFile(late.fileName())});
    }
    converting("format page, sort and a drop");
    answerEverything();
    QTest::keyClick(List(), Qt::Key_Delete);
    QTest::keyClick(window.get(), Qt::Key_Delete);
    converting("the Delete key");
    Child<QToolButton>("btnRemove")->click();
    Child<QPushButton>("btnHotdirectory")->click();
    converting("the buttons");
    shell.folders.clear();
    shell.yesNoAnswers.clear();

    // The batch goes on to its end and the commands come back.
    engine->Finish();
    for (int file = 1; file < 3; ++file) {
        Tick();
        engine->Finish();
    }
    Tick();
    EXPECT_FALSE(window->Queue().IsRunning());
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(window->EntryImage(i), 2) << i;
    EXPECT_EQ(CountLines("Convert to: "), 3);
    EXPECT_EQ(CountLines("Task End"), 1);
    for (const char* name :
         {"mniAddfile", "mniRemovefile", "mniHotDir", "actHotDir", "mniMPEG", "actConvert"})
        EXPECT_TRUE(Child<QAction>(name)->isEnabled()) << name;
    EXPECT_TRUE(Child<QMenu>("mniformat")->isEnabled());
    EXPECT_FALSE(Child<QAction>("mniStopConvert")->isEnabled());
    Trigger("actHotDir");
    EXPECT_EQ(window->CurrentMode(), 2);
}

// Closing during a conversion stops it and closes only once the engine is free, while the
// event loop keeps running.
TEST_F(BatchTest, CloseDuringConversionStopsAndWaits) {
    StartBatch();
    Tick();
    EXPECT_FALSE(window->close());
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(engine->stopRequests, 1);
    QTimer::singleShot(200, engine, [this] { engine->Ended(); });
    EXPECT_TRUE(WaitUntil([this] { return !window->isVisible(); }, 5000));
    EXPECT_EQ(CountLines("Convert to: "), 0);
}

#ifdef REELVANE_WITH_ENGINE
#include "app/batch/VideoEditEngine.h"

// The real engine: three generated AVIs, the second damaged, converted to FLV.
TEST_F(WindowTest, RealBatchOfThreeWithADamagedFile) {
    MakeWindow(std::make_unique<VideoEditEngine>());
    Trigger("actNext");
    Trigger("mniFLV");
    const QString in = work.filePath("in");
    QDir().mkpath(in);
    QStringList files;
    for (const char* name : {"first.avi", "second.avi", "third.avi"}) {
        const QString path = QDir(in).filePath(QString::fromLatin1(name));
        QString error;
        ASSERT_TRUE(testsupport::MakeTestAvi(path, 1.0, 160, 120, 25, true)) << name;
        files << path;
    }
    { // the second is no AVI any more
        QFile damaged(files[1]);
        ASSERT_TRUE(damaged.open(QIODevice::WriteOnly | QIODevice::Truncate));
        damaged.write(QByteArray(4096, '\x5a'));
    }
    window->AddFilesToList(files);
    window->UpdateListActions();
    const QString out = work.filePath("out");
    QDir().mkpath(out);
    shell.folders.push_back(out);
    Trigger("actConvert");
    ASSERT_TRUE(WaitUntil([this] { return CountLines("Task End") == 1; }, 60000))
        << LogLines().join('\n').toStdString();
    EXPECT_EQ(window->EntryImage(0), 2);
    EXPECT_EQ(window->EntryImage(1), 1);
    EXPECT_EQ(window->EntryImage(2), 2);
    EXPECT_EQ(CountLines("Load: "), 3);
    EXPECT_EQ(CountLines("Convert to: "), 2);
    EXPECT_EQ(CountLines("[Error message]: "), 1) << LogLines().join('\n').toStdString();
    for (const char* name : {"first.flv", "third.flv"}) {
        const testsupport::MediaInfo info = testsupport::ProbeMedia(QDir(out).filePath(name));
        EXPECT_TRUE(info.ok) << name << " " << info.error.toStdString();
        EXPECT_TRUE(info.hasVideo) << name;
        EXPECT_GT(info.durationSec, 0.5) << name;
    }
    EXPECT_FALSE(QFileInfo::exists(QDir(out).filePath("second.flv")) &&
                 QFileInfo(QDir(out).filePath("second.flv")).size() > 0 &&
                 testsupport::ProbeMedia(QDir(out).filePath("second.flv")).hasVideo);
}

// Stop during a real run: the file is not marked converted and the engine ends.
TEST_F(WindowTest, RealStopDuringARun) {
    MakeWindow(std::make_unique<VideoEditEngine>());
    Trigger("actNext");
    Trigger("mniFLV");
    const QString file = work.filePath("long.avi");
    ASSERT_TRUE(testsupport::MakeTestAvi(file, 2.0, 160, 120, 25, true));
    window->AddFilesToList({file});
    window->UpdateListActions();
    shell.folders.push_back(work.path());
    Trigger("actConvert");
    ASSERT_TRUE(WaitUntil([this] { return window->Busy(); }, 5000));
    Trigger("actStopConvert");
    EXPECT_TRUE(WaitUntil([this] { return window->Engine()->IsFree(); }, 30000));
    WaitUntil([] { return false; }, 300);
    EXPECT_EQ(window->EntryImage(0), 1);
    EXPECT_EQ(CountLines("Convert to: "), 0);
    EXPECT_EQ(CountLines("Stopped: long.avi"), 1);
}
#endif
