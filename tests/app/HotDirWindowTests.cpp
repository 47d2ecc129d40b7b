// The hot-directory page of the window: folders from the settings, the folder pickers and their
// warnings, the start checks and their messages, the running layout, the jobs in the log, stop,
// and the open-folder commands. The jobs run on the scripted engine with the real watcher.

#include "WindowTestSupport.h"

#include "app/core/Language.h"
#include "settings/cdSettings.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>

class HotDirWindow : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        for (const char* folder : {"srv/incoming", "srv/converted", "srv/log"})
            ASSERT_TRUE(QDir(work.path()).mkpath(QString::fromLatin1(folder)));
        in = work.filePath("srv/incoming");
        out = work.filePath("srv/converted");
        log = work.filePath("srv/log");
        Settings().SetIndir(in);
        Settings().SetOutDir(out);
        Settings().SetLogDir(log);
        Settings().SetSubDir(true);
        Settings().SetPageIndex(3); // FLV
        auto scripted = std::make_unique<ScriptedEngine>();
        engine = scripted.get();
        MakeWindow(std::move(scripted));
        window->HotJobs().Monitor().StableChecks = 1;
        Trigger("actHotDir");
    }
    QLineEdit* Box(const char* name) { return Child<QLineEdit>(name); }
    bool Enabled(const char* name) { return Child<QWidget>(name)->isEnabled(); }

    ScriptedEngine* engine = nullptr;
    QString in, out, log;
};

// The boxes come from the settings; Start watches, locks the page, the format and the mode and
// saves the folders; a file copied in is converted into the mirrored sub-folder and its lines
// appear in the log; Stop returns to idle with the list emptied.
TEST_F(HotDirWindow, StartConvertsWhatArrivesAndStopReturnsToIdle) {
    EXPECT_EQ(Box("edtindir")->text(), in);
    EXPECT_EQ(Box("edtoutdir")->text(), out);
    EXPECT_EQ(Box("edtlog")->text(), log);
    EXPECT_TRUE(Child<QCheckBox>("chksubdir")->isChecked());
    EXPECT_TRUE(Child<QWidget>("pnllog")->isVisible());
    EXPECT_TRUE(Enabled("btnsbtrun"));
    EXPECT_FALSE(Enabled("btnsbtend"));
    EXPECT_FALSE(Enabled("btnmin"));

    Settings().SetIndir(QString()); // the start saves what the boxes say
    Child<QPushButton>("btnsbtrun")->click();
    ASSERT_TRUE(window->HotJobs().IsWatching()) << shell.messages.join('\n').toStdString();
    EXPECT_TRUE(shell.messages.isEmpty());
    EXPECT_EQ(Settings().Indir(), in);
    EXPECT_FALSE(Enabled("btnsbtrun"));
    EXPECT_TRUE(Enabled("btnsbtend"));
    EXPECT_TRUE(Enabled("btnmin"));
    for (const char* name :
         {"edtindir", "edtoutdir", "edtlog", "chksubdir", "pgcConvert", "btnselectindir",
          "btnselectoutdir", "btnselectlogfile", "btnsbtreturn"})
        EXPECT_FALSE(Enabled(name)) << name;
    EXPECT_TRUE(Enabled("btnopenlogdir"));
    EXPECT_FALSE(Child<QMenu>("mniformat")->isEnabled());
    EXPECT_FALSE(Child<QAction>("mniReturntoBatchMode")->isEnabled());
    EXPECT_FALSE(Child<QAction>("actEdit")->isEnabled());
    window->SelectFormatPage(0); // the format stays while the mode runs
    EXPECT_EQ(Settings().PageIndex(), 3);

    QDir().mkpath(in + "/cam1");
    {
        QFile clip(in + "/cam1/clip.avi");
        ASSERT_TRUE(clip.open(QIODevice::WriteOnly));
        clip.write(QByteArray(1000, 'x'));
    }
    window->HotJobs().SetTickInterval(20);
    ASSERT_TRUE(WaitUntil([&] { return !engine->setups.isEmpty(); }, 8000));
    EXPECT_EQ(engine->setups.first(), in + "/cam1/clip.avi|" + out + "/cam1/clip.flv");
    engine->Finish();
    EXPECT_EQ(CountLines("Load: " + in + "/cam1/clip.avi [Success]"), 1);
    EXPECT_EQ(CountLines("Save to: " + out + "/cam1/clip.flv [Success]"), 1);
    EXPECT_EQ(CountLines("Finish: ["), 1);
    EXPECT_EQ(window->HotJobs().Count(), 1);

    Child<QPushButton>("btnsbtend")->click();
    EXPECT_FALSE(window->HotJobs().IsWatching());
    EXPECT_EQ(window->HotJobs().Count(), 0);
    EXPECT_TRUE(Enabled("btnsbtrun"));
    EXPECT_FALSE(Enabled("btnsbtend"));
    for (const char* name : {"edtindir", "edtoutdir", "edtlog", "chksubdir", "pgcConvert",
                             "btnselectlogfile", "btnsbtreturn"})
        EXPECT_TRUE(Enabled(name)) << name;
    EXPECT_TRUE(Child<QMenu>("mniformat")->isEnabled());
    EXPECT_TRUE(Child<QAction>("mniReturntoBatchMode")->isEnabled());
}

// Each start check: its message, the box in question focused, nothing started or saved.
TEST_F(HotDirWindow, StartChecksShowTheirMessageAndStartNothing) {
    ASSERT_TRUE(QFile(work.filePath("plain.txt")).open(QIODevice::WriteOnly));
    const struct Case {
        QString in, out, log;
        int message; // LangStrings entry, -1: a text naming the reason
        const char* focused;
    } cases[] = {
        {work.filePath("none"), out, log, 22, "edtindir"},
        {"", out, log, 22, "edtindir"},
        {in, work.filePath("none"), log, 23, "edtoutdir"},
        {in, out, work.filePath("none"), 24, "edtlog"},
        {in, in, log, 19, "edtindir"},
        {in, in + "/converted", log, 23, "edtoutdir"},
        {in, out, work.filePath("plain.txt"), 24, "edtlog"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.focused);
        Box("edtindir")->setText(c.in);
        Box("edtoutdir")->setText(c.out);
        Box("edtlog")->setText(c.log);
        shell.messages.clear();
        Child<QWidget>("btnsbtrun")->setFocus(); // away from the boxes
        Child<QPushButton>("btnsbtrun")->click();
        EXPECT_FALSE(window->HotJobs().IsWatching());
        ASSERT_EQ(shell.messages.size(), 1);
        EXPECT_EQ(shell.messages[0], LangString(c.message));
        EXPECT_EQ(window->focusWidget(), Child<QWidget>(c.focused));
        EXPECT_TRUE(Enabled("btnsbtrun"));
        EXPECT_EQ(Settings().Indir(), in) << "nothing saved";
    }
    // An output folder elsewhere whose path merely contains the input's starts.
    QDir().mkpath(work.filePath("backup") + in);
    Box("edtindir")->setText(in);
    Box("edtoutdir")->setText(work.filePath("backup") + in);
    Box("edtlog")->setText(log);
    shell.messages.clear();
    Child<QPushButton>("btnsbtrun")->click();
    EXPECT_TRUE(window->HotJobs().IsWatching()) << shell.messages.join('\n').toStdString();
    Child<QPushButton>("btnsbtend")->click();
}

// The pickers warn when the output folder would lie inside the input folder; a chosen folder
// fills its box unless it is exactly the other box's text.
TEST_F(HotDirWindow, FolderPickersWarnAboutNestedFolders) {
    struct Case {
        const char* action;
        QString other;  // the other box's text
        QString chosen; // what the picker answers
        int warning;    // LangStrings entry, -1 none
        bool filled;
    };
    const Case cases[] = {
        {"actSelIndir", in + "/converted", in, 19, true},
        {"actSelIndir", in, in, 19, false},
        {"actSelIndir", work.filePath("backup") + in, in, -1, true},
        {"actSelIndir", work.filePath("srv/incoming2"), in, -1, true},
        {"actSelOutdir", in, work.filePath("srv"), 21, true},
        {"actSelOutdir", in, in, 21, false},
        {"actSelOutdir", in, out, -1, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.action) + " " + c.chosen.toStdString());
        const bool input = std::string(c.action) == "actSelIndir";
        QLineEdit* box = Box(input ? "edtindir" : "edtoutdir");
        QLineEdit* other = Box(input ? "edtoutdir" : "edtindir");
        box->setText("before");
        other->setText(c.other);
        shell.messages.clear();
        shell.folders.push_back(c.chosen);
        Trigger(c.action);
        EXPECT_EQ(shell.messages,
                  c.warning < 0 ? QStringList() : QStringList{LangString(c.warning)});
        EXPECT_EQ(box->text(), c.filled ? c.chosen : QStringLiteral("before"));
    }
    shell.folders.push_back(log + "/elsewhere");
    QDir().mkpath(log + "/elsewhere");
    Trigger("actSelLogdir");
    EXPECT_EQ(Box("edtlog")->text(), log + "/elsewhere");
}

// "Open Dir" of the log: today's log file selected in the file manager when it exists, else the
// log folder; the other two open their folders.
TEST_F(HotDirWindow, OpenDirCommandsShowTheFoldersAndTodaysLog) {
    Trigger("actOpenLogdir");
    EXPECT_EQ(shell.opened, QStringList{log + "/"});
    EXPECT_TRUE(shell.shownInFileManager.isEmpty());
    const QString today = HotDirQueue::LogFileNameFor(log, QDate::currentDate());
    ASSERT_TRUE(QFile(today).open(QIODevice::WriteOnly));
    Trigger("actOpenLogdir");
    EXPECT_EQ(shell.shownInFileManager, QStringList{today});
    shell.opened.clear();
    Trigger("actOpenIndir");
    Trigger("actOpenOutdir");
    EXPECT_EQ(shell.opened, (QStringList{in + "/", out + "/"}));
}

// A log file that cannot be written is said once in the window's log; the jobs go on.
TEST_F(HotDirWindow, UnwritableLogFileIsSaidOnceInTheLog) {
    ASSERT_TRUE(QDir().mkpath(HotDirQueue::LogFileNameFor(log, QDate::currentDate())));
    Child<QPushButton>("btnsbtrun")->click();
    ASSERT_TRUE(window->HotJobs().IsWatching());
    for (const char* name : {"a.avi", "b.avi"}) {
        QFile clip(in + "/" + name);
        ASSERT_TRUE(clip.open(QIODevice::WriteOnly));
        clip.write("x");
        clip.close();
        window->HotJobs().OnHotFileReady(clip.fileName());
        window->HotJobs().Tick();
        engine->Finish();
    }
    EXPECT_EQ(CountLines("Cannot write the log file "), 1);
    EXPECT_EQ(CountLines("Finish: ["), 2);
    Child<QPushButton>("btnsbtend")->click();
}
