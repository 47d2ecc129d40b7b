#pragma once
// Shared pieces of the window tests: answered dialogs, the scripted engine and a fixture that
// gives each test its own settings store and window.

#include "app/OpenDialog.h"
#include "app/frmReelvane.h"
#include "settings/GlobalSettings.h"
#include "tests/support/ScriptedEngine.h"
#include "tests/support/WaitUntil.h"
#include "util/ShellServices.h"

#include <QAction>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <deque>
#include <memory>

/// Answers every dialog from queues and records what was asked.
class AnsweringShell : public ShellServices {
public:
    std::deque<bool> yesNoAnswers; // empty: No
    std::deque<QString> folders;   // empty: cancelled
    QStringList questions;
    QStringList messages;
    QStringList shownInFileManager;
    QStringList opened;

    bool BrowseForFolder(const QString&, const QString&, QString& folder) override {
        if (folders.empty())
            return false;
        folder = folders.front();
        folders.pop_front();
        return true;
    }
    bool OpenDocument(const QString& path) override {
        opened << path;
        return true;
    }
    bool ShowInFileManager(const QString& filePath) override {
        shownInFileManager << filePath;
        return true;
    }
    void ShowMessage(const QString&, const QString& text, MessageIcon) override {
        messages << text;
    }
    bool AskYesNo(const QString&, const QString& text) override {
        questions << text;
        if (yesNoAnswers.empty())
            return false;
        const bool answer = yesNoAnswers.front();
        yesNoAnswers.pop_front();
        return answer;
    }
};

class AnsweringOpenDialog : public FileOpenDialog {
public:
    QStringList nextFiles;
    QStringList GetOpenFileNames(QWidget*, const QString&, const QString& filter) override {
        lastFilter = filter;
        return std::exchange(nextFiles, {});
    }
    QString lastFilter;
};

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(config.isValid());
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
        settings = std::make_unique<SettingsHolder>();
        InstallShellServices(&shell);
    }
    void TearDown() override {
        window.reset();
        InstallShellServices(nullptr);
        settings.reset();
    }

    /// Creates the window with @p engine (nullptr: the build's engine stand-in).
    void MakeWindow(std::unique_ptr<EngineAdapter> engine = {}) {
        window = std::make_unique<TfrmReelvane>(std::move(engine));
        window->SetOpenDialog(&openDialog);
        window->show();
    }
    template <typename T> T* Child(const char* name) {
        return window->findChild<T*>(QString::fromLatin1(name));
    }
    QTreeWidget* List() { return Child<QTreeWidget>("lvFiles"); }
    QStringList LogLines() { return Child<QPlainTextEdit>("mmolog")->toPlainText().split('\n'); }
    int CountLines(const QString& part) {
        int n = 0;
        for (const QString& line : LogLines())
            n += line.contains(part) ? 1 : 0;
        return n;
    }
    void Trigger(const char* actionName) { Child<QAction>(actionName)->trigger(); }

    QTemporaryDir config;
    QTemporaryDir work;
    std::unique_ptr<SettingsHolder> settings;
    AnsweringShell shell;
    AnsweringOpenDialog openDialog;
    std::unique_ptr<TfrmReelvane> window;
};
